// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/traycontroller.h"

#include "appearance/appearancemanager.h"
#include "base/log.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "controls/accessiblecontrol.h"
#include "login/autostartservice.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/shortcutnotation.h"
#include "tray/dropdowncontent.h"
#include "tray/statusnotifierwatch.h"
#include "tray/trayicon.h"
#include "widget/floatingpanel.h"
#include "widget/floatingpanelcontroller.h"
#include "widget/floatingwidgetview.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QScreen>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>

#include <chrono>

namespace quietlane {

namespace {

// The project's own page, set when building; without one there is nothing to offer.
constexpr const char* kHomepage = QUIETLANE_HOMEPAGE;

double uptime() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void bindKeys(QWidget* window, const char* keys, DropdownModel& model, DropdownRowKind row) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &model,
                     [&model, row] { model.activate(row); });
}

DropdownPlacement::Box toBox(const QRect& rect) {
    return {double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())};
}

} // namespace

/// The frameless popup that holds the card. Qt closes a popup on a click anywhere
/// outside it and on Escape, which is exactly when the dropdown must close.
class DropdownPanel : public QWidget, public AccessibleControl {
public:
    QAccessible::Role accessibleRole() const override { return QAccessible::Window; }

    DropdownPanel(GlobalShortcuts::ShortcutCenter* shortcuts, std::function<void()> onClosed)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), m_shortcuts(shortcuts),
          m_onClosed(std::move(onClosed)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("Quietlane dropdown"));
        setAccessibleName(QStringLiteral("Quietlane"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        // While the popup holds the keyboard the global shortcut's key grab cannot fire.
        if (m_shortcuts)
            m_shortcuts->setMenuOpen(true);
    }
    ~DropdownPanel() override {
        if (m_shortcuts)
            m_shortcuts->setMenuOpen(false);
    }

    void setCard(DropdownContent* card) { layout()->addWidget(card); }

protected:
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (auto closed = std::exchange(m_onClosed, nullptr))
            closed();
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        // Without a compositor the transparent corners would show black; cut them away.
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 13, 13);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (forwardToShortcuts(event, true))
            return;
        QWidget::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (forwardToShortcuts(event, false))
            return;
        QWidget::keyReleaseEvent(event);
    }

private:
    bool forwardToShortcuts(QKeyEvent* event, bool press) {
        if (!m_shortcuts || event->isAutoRepeat())
            return false;
        return m_shortcuts->handlePopupKeyEvent(press, event->nativeScanCode(),
                                                event->nativeModifiers());
    }

    GlobalShortcuts::ShortcutCenter* m_shortcuts;
    std::function<void()> m_onClosed;
};

TrayController::TrayController(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {
    m_model.setShowDonate(kHomepage[0] != '\0');
    refreshModel();
    connectRequests();
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    // Wayland bars only host StatusNotifierItems, and the toolkit decides once, at the
    // first tray icon, whether such a host exists: wait for one rather than ask too early.
    if (wayland && !StatusNotifierWatch::isHostPresent()) {
        Log::notice(Log::Category::menu,
                    "no StatusNotifierItem tray yet; the tray icon appears when one starts, "
                    "until then the dropdown's actions are in the widget's menu");
        auto* watch = new StatusNotifierWatch(this);
        connect(watch, &StatusNotifierWatch::hostAppeared, this, [this, watch] {
            watch->deleteLater();
            Log::info(Log::Category::menu, "StatusNotifierItem tray appeared");
            createTray();
        });
    } else {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            // The icon still goes up: a tray that appears later embeds it. Until then the
            // widget's context menu offers the same actions.
            Log::notice(Log::Category::menu,
                        "no system tray available; the dropdown's actions are in the widget's "
                        "menu");
        }
        createTray();
    }

    auto& mic = m_services.microphone;
    for (auto signal :
         {&MicrophoneController::isMutedChanged, &MicrophoneController::isAvailableChanged})
        connect(&mic, signal, this, [this] {
            updateIcon();
            // Not the whole model: its shortcut label costs a round trip to the X server,
            // at the moment the sound server tells the other clients about the change.
            m_model.setAvailable(m_services.microphone.isAvailable());
            m_model.setMuted(m_services.microphone.isMuted());
        });
    for (auto signal :
         {&MicrophoneController::activeDeviceNameChanged,
          &MicrophoneController::availableDevicesChanged, &MicrophoneController::selectionChanged})
        connect(&mic, signal, this, &TrayController::refreshModel);
    connect(&mic, &MicrophoneController::activeDeviceNameChanged, this,
            &TrayController::updateIcon);
    // A switch between light and dark changes the themed icon. (Not an application-wide
    // event filter: it would sit in the path of every event the program handles.)
    if (m_services.appearance)
        connect(m_services.appearance, &AppearanceManager::isDarkChanged, this, [this] {
            m_icons.clear();
            updateIcon();
        });
    connect(&m_services.floatingPanel, &FloatingPanelController::isVisibleChanged, this, [this] {
        watchWidget();
        refreshModel();
    });
    watchWidget();
    connect(&m_services.autostart, &AutostartService::enabledChanged, this,
            &TrayController::refreshModel);
    if (m_services.hotkeys)
        connect(m_services.hotkeys, &HotkeyManager::modeChanged, this,
                &TrayController::refreshModel);
    if (m_services.shortcuts) {
        connect(m_services.shortcuts, &GlobalShortcuts::ShortcutCenter::shortcutChanged, this,
                &TrayController::refreshModel);
    }
    Log::info(Log::Category::menu, "status item installed");
}

TrayController::~TrayController() {
    if (m_panel)
        delete m_panel.data();
}

void TrayController::createTray() {
    m_tray = new QSystemTrayIcon(this);
    m_tray->setToolTip(QStringLiteral("Quietlane"));
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                    togglePanel();
                else if (reason == QSystemTrayIcon::MiddleClick)
                    m_services.microphone.toggle();
            });
    updateIcon();
    m_tray->show();
}

void TrayController::watchWidget() {
    // The widget's window exists once it has been shown; installing twice is harmless.
    if (FloatingPanel* panel = m_services.floatingPanel.panel())
        panel->installEventFilter(this);
}

bool TrayController::eventFilter(QObject* watched, QEvent* event) {
    // Top-level widgets hear of a new icon theme; the widget's window stands in for all.
    if (event->type() == QEvent::ThemeChange)
        updateIcon();
    // Without a tray there is no icon to open the dropdown from: the widget's context menu
    // offers the same actions instead.
    // Without an icon yet, the toolkit must not be asked: it would settle on "no tray".
    if (event->type() == QEvent::ContextMenu &&
        (!m_tray || !QSystemTrayIcon::isSystemTrayAvailable())) {
        QMenu menu;
        populateMenu(menu);
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TrayController::updateIcon() {
    if (!m_tray)
        return;
    const auto& mic = m_services.microphone;
    // Drawing the icon takes milliseconds, and this runs as the sound server tells every
    // other client about a mute change: on a busy machine that drawing delays them.
    const std::pair state{mic.isAvailable(), mic.isMuted()};
    auto icon = m_icons.find(state);
    if (icon == m_icons.end())
        icon = m_icons.emplace(state, TrayIcon::icon(state.first, state.second)).first;
    m_tray->setIcon(icon->second);
    // On a StatusNotifierItem host this is the item's ToolTip title.
    m_tray->setToolTip(FloatingWidgetView::stateSummary(
        mic.isAvailable(), mic.isMuted(),
        mic.hasActiveDeviceName() ? mic.activeDeviceName() : QString()));
}

void TrayController::refreshModel() {
    const auto& mic = m_services.microphone;
    const std::optional<QString> active =
        mic.hasActiveDeviceName() ? std::optional(mic.activeDeviceName()) : std::nullopt;
    m_model.setAvailable(mic.isAvailable());
    m_model.setMuted(mic.isMuted());
    m_model.setDeviceName(headerDeviceName(active));
    if (auto* shortcuts = m_services.shortcuts)
        m_model.setHotkey(shortcuts->hintText(GlobalShortcuts::Name::toggleMute()));
    m_model.setDeviceValue(deviceRowValue(mic.selection(), active));
    if (m_services.hotkeys)
        m_model.setModeTitle(HotkeyManager::title(m_services.hotkeys->mode()));
    m_model.setWidgetVisible(m_services.floatingPanel.isVisible());
    m_model.setLoginEnabled(m_services.autostart.isEnabled());
    m_model.setDevices(mic.availableDevices(), mic.selection());
}

void TrayController::connectRequests() {
    auto& mic = m_services.microphone;
    connect(&m_model, &DropdownModel::muteToggleRequested, &mic, &MicrophoneController::toggle);
    connect(&m_model, &DropdownModel::deviceChosen, &mic, &MicrophoneController::setSelection);
    connect(&m_model, &DropdownModel::widgetToggleRequested, this,
            [this] { m_services.floatingPanel.setVisible(!m_services.floatingPanel.isVisible()); });
    connect(&m_model, &DropdownModel::loginToggleRequested, this,
            [this] { m_services.autostart.setEnabled(!m_services.autostart.isEnabled()); });
    connect(&m_model, &DropdownModel::settingsRequested, this, [this] {
        closePanel();
        if (m_services.showSettings)
            m_services.showSettings();
    });
    connect(&m_model, &DropdownModel::modeRequested, this, [this] {
        closePanel();
        if (m_services.showShortcutSettings)
            m_services.showShortcutSettings();
        else if (m_services.showSettings)
            m_services.showSettings();
    });
    connect(&m_model, &DropdownModel::donateRequested, this, [this] {
        closePanel();
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(kHomepage)));
    });
    // The panel is not closed first: quitting takes it down with everything else.
    connect(&m_model, &DropdownModel::quitRequested, this, [this] {
        if (m_services.quit)
            m_services.quit();
    });
}

void TrayController::togglePanel() {
    if (m_panel) {
        closePanel();
        return;
    }
    if (m_lastCloseUptime >= 0 && uptime() - m_lastCloseUptime < 0.25)
        return;
    openAt(m_tray ? m_tray->geometry() : QRect());
}

void TrayController::openAt(const QRect& iconGeometry) {
    if (m_panel)
        return;
    // Through a StatusNotifierItem host Qt often cannot tell where the icon is.
    const QRect anchor = iconGeometry.isValid() && !iconGeometry.isEmpty()
                             ? iconGeometry
                             : QRect(QCursor::pos(), QSize(1, 1));
    auto* panel = new DropdownPanel(m_services.shortcuts, [self = QPointer(this)] {
        if (self) {
            self->m_lastCloseUptime = uptime();
            self->m_panel = nullptr;
            self->m_content = nullptr;
        }
    });
    auto* content = new DropdownContent(m_model, CardBackground::glass, panel);
    panel->setCard(content);
    // The keys the rows show; Escape closes the popup by itself.
    bindKeys(panel, GlobalShortcuts::kSettingsKeys, m_model, DropdownRowKind::settings);
    bindKeys(panel, GlobalShortcuts::kQuitKeys, m_model, DropdownRowKind::quit);
    // Measured again on the next turn, when the layout has settled.
    connect(content, &DropdownContent::sizeReported, this, &TrayController::resizePanelToFit,
            Qt::QueuedConnection);
    const QSize size = content->sizeHint();
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const auto placement =
        DropdownPlacement::place(toBox(anchor), size.width(), size.height(),
                                 toBox(screen ? screen->availableGeometry() : anchor));
    m_side = placement.side;
    m_frame = placement.frame;
    panel->setGeometry(
        QRect(int(placement.frame.x), int(placement.frame.y), size.width(), size.height()));
    m_panel = panel;
    m_content = content;
    panel->show();
    panel->activateWindow();
}

void TrayController::closePanel() {
    if (!m_panel)
        return;
    DropdownPanel* panel = m_panel;
    m_panel = nullptr;
    m_content = nullptr;
    m_lastCloseUptime = uptime();
    panel->close();
}

void TrayController::resizePanelToFit() {
    if (!m_panel || !m_content)
        return;
    const QSize size = m_content->sizeHint();
    QScreen* screen = m_panel->screen();
    const QRect available = screen ? screen->availableGeometry() : m_panel->geometry();
    m_frame =
        DropdownPlacement::refit(m_frame, m_side, size.width(), size.height(), toBox(available));
    m_panel->setGeometry(
        QRect(int(m_frame.x), int(m_frame.y), int(m_frame.width), int(m_frame.height)));
}

void TrayController::populateMenu(QMenu& menu) {
    auto add = [&](const QString& text, auto request, std::optional<bool> checked = {}) {
        QAction* item = menu.addAction(text);
        if (checked) {
            item->setCheckable(true);
            item->setChecked(*checked);
        }
        QObject::connect(item, &QAction::triggered, &m_model, request);
        return item;
    };
    add(m_model.isAvailable() ? muteButtonTitle(m_model.isMuted()) : unavailableButtonTitle(),
        &DropdownModel::muteToggleRequested)
        ->setEnabled(m_model.isAvailable());
    menu.addSeparator();
    for (const DeviceChoice& option :
         deviceChoices(m_model.selection(), m_model.availableDevices())) {
        const DeviceSelection selection = option.selection;
        add(
            QString::fromStdString(option.title),
            [this, selection] { emit m_model.deviceChosen(selection); }, option.selected);
    }
    menu.addSeparator();
    using K = DropdownRowKind;
    auto addRow = [&](K kind) {
        const DropdownRow row = m_model.row(kind);
        add(
            row.label, [this, kind] { m_model.activate(kind); },
            row.trailing == RowTrailing::toggle ? std::optional(row.toggleOn) : std::nullopt);
    };
    for (K kind : {K::widget, K::mode, K::login, K::settings})
        addRow(kind);
    if (m_model.showDonate())
        add(tr("Купить кофе разработчику"), &DropdownModel::donateRequested);
    menu.addSeparator();
    addRow(K::quit);
}

} // namespace quietlane
