// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include "app/appenvironment.h"
#include "app/hotkeybackends.h"
#include "app/predecessorwatch.h"
#include "app/signalwatcher.h"
#include "app/singleinstance.h"
#include "appearance/appearancesettings.h"
#include "appearance/appfonts.h"
#include "base/log.h"
#include "base/preferences.h"
#include "base/translation.h"
#include "remote/dbusservice.h"
#include "remote/remotecontrol.h"
#include "shortcuts/shortcutcenter.h"
#include "widget/windowhints.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>
#include <QtGui/qguiapplication_platform.h>

#include <cstdio>

namespace quietlane {

namespace {

// Set while the toolkit looks for a display, so that a missing one is reported in one line
// of ours rather than the platform plugin's stack of warnings.
bool g_quietPlatformProbe = false;
QtMessageHandler g_previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_quietPlatformProbe && type != QtFatalMsg)
        return;
    // The xcb platform ends the process right after saying this, past every teardown of
    // ours: the journal must hear that the program is gone, not only standard error.
    if (message.startsWith(QLatin1String("The X11 connection broke"))) {
        Log::error(Log::Category::app, "the connection to the X server broke (%s); quietlane quits",
                   qPrintable(message));
    }
    g_previousHandler(type, context, message);
}

// For a failure that ends the run: standard error for whoever started it by hand, the
// journal for a start from the desktop's autostart, where nobody reads standard error.
void reportFatal(const std::string& message) {
    std::fprintf(stderr, "quietlane: %s\n", message.c_str());
    Log::error(Log::Category::app, "%s; quietlane quits", message.c_str());
}

std::string translateForCore(const char* context, const char* sourceText) {
    return QCoreApplication::translate(context, sourceText).toStdString();
}

/// English when the stored override asks for it, or, without one, when the desktop's
/// languages name English before Russian. Russian is the source text.
bool wantsEnglish(const Preferences& preferences) {
    if (const auto language = AppearanceSettings::languageOverride(preferences))
        return *language == Language::en;
    for (const QString& name : QLocale::system().uiLanguages()) {
        if (name.startsWith(QLatin1String("ru")))
            return false;
        if (name.startsWith(QLatin1String("en")))
            return true;
    }
    return false;
}

void* x11Connection() {
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
        return x11->connection();
    return nullptr;
}

} // namespace

int runApplication(int argc, char** argv, const SoundServerOpener& openSoundServer,
                   const SoundCueOpener& openSoundCues) {
    // Prefer X11 (also under XWayland): a Wayland client cannot place its own windows,
    // and the widget lives by where it is put. Offscreen comes last only to detect that
    // no display is reachable at all.
    const bool platformChosenByUser = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!platformChosenByUser)
        qputenv("QT_QPA_PLATFORM", "xcb;wayland;offscreen");
    g_previousHandler = qInstallMessageHandler(messageHandler);
    g_quietPlatformProbe = !platformChosenByUser;

    QApplication application(argc, argv);
    g_quietPlatformProbe = false;
    if (!platformChosenByUser && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QByteArray display = qgetenv("DISPLAY");
        if (display.isEmpty())
            display = qgetenv("WAYLAND_DISPLAY");
        const std::string reason = display.isEmpty()
                                       ? "DISPLAY and WAYLAND_DISPLAY are not set"
                                       : "cannot open display \"" + display.toStdString() + "\"";
        reportFatal("no graphical session found (" + reason +
                    "); start it from an X11 or Wayland desktop, or try the device listing: "
                    "quietlane --list-devices (add --audio-backend=sim without a sound server)");
        return 1;
    }
    // Only now: a connection opened without a display would be for nothing, and libpulse
    // creates its configuration directory as it connects.
    Result<std::unique_ptr<AudioServer>> opened = openSoundServer();
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        Log::error(Log::Category::audio, "%s; quietlane quits", opened.error().c_str());
        return 1;
    }
    const std::unique_ptr<AudioServer> soundServer = std::move(opened).value();
    const std::unique_ptr<SoundCuePlayer> soundCues = openSoundCues();
    QApplication::setApplicationName(QStringLiteral("quietlane"));
    QApplication::setApplicationVersion(QStringLiteral(QUIETLANE_VERSION));
    // Compositors, portals and task switchers match our windows to the desktop file by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quietlane.Quietlane"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (const Result<void> secured = instance.secureDirectory(); !secured) {
        reportFatal("instance channel refused: " + secured.error());
        return 1;
    }
    const Result<SingleInstance::Outcome> claimed = instance.claim();
    if (claimed && *claimed == SingleInstance::Outcome::forwarded)
        return 0;
    if (!claimed) {
        const std::string message =
            "cannot check for a running instance (" + claimed.error() +
            "); starting anyway, with no instance channel until the next start (the command "
            "line acts on the sound server directly meanwhile)";
        std::fprintf(stderr, "quietlane: %s\n", message.c_str());
        Log::error(Log::Category::app, "%s", message.c_str());
    }

    Preferences preferences(Preferences::defaultPath());
    // This instance stopped answering for a while and a new launch replaced it: the new one
    // has the settings, the shortcut and the D-Bus name (once we let go), so nothing of
    // ours may linger, and nothing of ours may be written over its file.
    QObject::connect(&instance, &SingleInstance::takenOver, &application, [&preferences] {
        Log::notice(Log::Category::app,
                    "another instance took over after this one stopped answering; this one "
                    "quits without saving its settings");
        preferences.detachFromFile();
        QCoreApplication::quit();
    });
    // The language is fixed for the whole run: texts are built once, in it.
    QTranslator translator;
    if (wantsEnglish(preferences) && translator.load(QStringLiteral(":/i18n/quietlane_en.qm")))
        QCoreApplication::installTranslator(&translator);
    installTranslator(&translateForCore);

    const std::unique_ptr<WindowHints> hints = createWindowHints(x11Connection());
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        Log::notice(Log::Category::panel,
                    "running as a native Wayland client (no XWayland): the desktop decides "
                    "where the widget goes and whether it stays on top");
    }
    const HotkeyBackendChoice hotkeys = chooseHotkeyBackend();
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &application,
                     [] { QCoreApplication::quit(); });

    int status = 0;
    {
        AppEnvironment environment({*soundServer, *hotkeys.backend, *hints, soundCues.get()},
                                   preferences, QApplication::arguments());
        environment.shortcuts().setRoute(hotkeys.route, hotkeys.facts);
        AppFonts::registerBundled();
        RemoteControl remote(environment.microphone());
        QObject::connect(&remote, &RemoteControl::settingsRequested, &environment,
                         &AppEnvironment::showSettings);
        instance.serve(remote);
        DBusService dbus(environment.microphone(), remote);
        dbus.publish();
        const PredecessorWatch predecessor(instance.predecessor(), environment.shortcuts());
        status = QApplication::exec();
        // Quitting for a signal that waited while the process was frozen: the takeover
        // may have happened meanwhile, unannounced yet.
        if (instance.isTakenOver())
            preferences.detachFromFile();
    }
    return status;
}

} // namespace quietlane
