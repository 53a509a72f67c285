// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/offscreenrender.h"

#include "appearance/appfonts.h"
#include "render/dropdownrenderer.h"
#include "render/settingsrenderer.h"

#include <QApplication>

#include <cstdio>

namespace quietlane {

namespace {

// A one-shot rendering writes nothing on its streams but its own failure message: the
// toolkit's notes about the offscreen platform are of no use to whoever asked for it.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int runOffscreenRender(OffscreenTarget target, const std::string& path, int argc, char** argv) {
    // Set before the application object exists: the platform is chosen when it is made.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QApplication application(argc, argv);
    AppFonts::registerBundled();

    const QString file = QString::fromLocal8Bit(path.c_str());
    const Result<void> written = target == OffscreenTarget::dropdown
                                     ? DropdownRenderer::renderToFile(file)
                                     : SettingsRenderer::renderToFile(file);
    if (written)
        return 0;
    std::fputs(target == OffscreenTarget::dropdown ? "render failed\n" : "settings render failed\n",
               stderr);
    std::fprintf(stderr, "quietlane: %s\n", written.error().c_str());
    return 1;
}

} // namespace quietlane
