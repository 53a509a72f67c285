// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/floatingpanelcontroller.h"

#include "base/log.h"
#include "control/microphonecontroller.h"
#include "widget/floatingpanel.h"
#include "widget/screenlayout.h"
#include "widget/widgetpreferences.h"

namespace quietlane {

namespace {
constexpr Size kWidgetSize{WidgetGeometry::kWidgetSide, WidgetGeometry::kWidgetSide};
}

FloatingPanelController::FloatingPanelController(MicrophoneController& mic,
                                                 Preferences& preferences, WindowHints& hints,
                                                 LayoutSource layoutSource, QObject* parent)
    : QObject(parent), m_mic(mic), m_preferences(preferences), m_hints(hints),
      m_layoutSource(layoutSource ? std::move(layoutSource)
                                  : LayoutSource(&QtScreens::currentLayout)),
      m_isVisible(WidgetPreferences::visible(preferences)),
      m_backgroundOpacity(WidgetPreferences::backgroundOpacity(preferences)),
      m_foregroundOpacity(WidgetPreferences::foregroundOpacity(preferences)) {
    connect(&m_mic, &MicrophoneController::isMutedChanged, this,
            &FloatingPanelController::refreshLook);
    connect(&m_mic, &MicrophoneController::isAvailableChanged, this,
            &FloatingPanelController::refreshLook);
    connect(&m_mic, &MicrophoneController::activeDeviceNameChanged, this,
            &FloatingPanelController::refreshLook);
    if (m_isVisible)
        show();
}

FloatingPanelController::~FloatingPanelController() = default;

FloatingPanel* FloatingPanelController::panel() const {
    return m_panel.get();
}

void FloatingPanelController::setVisible(bool visible) {
    if (visible != m_isVisible) {
        m_isVisible = visible;
        emit isVisibleChanged();
    }
    m_preferences.setBool(WidgetPreferences::kVisible, visible);
    if (visible)
        show();
    else if (m_panel)
        m_panel->hide();
}

void FloatingPanelController::setBackgroundOpacity(double opacity) {
    if (opacity != m_backgroundOpacity) {
        m_backgroundOpacity = opacity;
        emit backgroundOpacityChanged();
        refreshLook();
    }
    m_preferences.setDouble(WidgetPreferences::kBackgroundOpacity, opacity);
}

void FloatingPanelController::setForegroundOpacity(double opacity) {
    if (opacity != m_foregroundOpacity) {
        m_foregroundOpacity = opacity;
        emit foregroundOpacityChanged();
        refreshLook();
    }
    m_preferences.setDouble(WidgetPreferences::kForegroundOpacity, opacity);
}

void FloatingPanelController::show() {
    if (!m_panel)
        build();
    const ScreenLayout layout = m_layoutSource();
    const Point wanted = WidgetPreferences::savedOrigin(m_preferences)
                             .value_or(WidgetGeometry::defaultOrigin(layout, kWidgetSize));
    // A clamped saved origin stays stored as it was until the next drag or display change.
    const Point origin = WidgetGeometry::clamp(wanted, kWidgetSize, layout);
    m_panel->move(QtScreens::toWindowPosition(origin, kWidgetSize));
    m_panel->show();
    m_panel->raise();
    Log::notice(Log::Category::panel, "widget shown");
}

void FloatingPanelController::build() {
    m_panel = std::make_unique<FloatingPanel>(m_hints);
    refreshLook();
    QPointer<FloatingPanelController> self(this);
    connect(m_panel.get(), &FloatingPanel::clicked, this, [self] {
        if (self)
            self->m_mic.toggle();
    });
    connect(m_panel.get(), &FloatingPanel::moved, this, [self](QPoint topLeft) {
        if (self)
            self->onMoved(topLeft);
    });
}

void FloatingPanelController::refreshLook() {
    if (!m_panel)
        return;
    FloatingWidgetView::Look look = m_panel->look();
    look.isMuted = m_mic.isMuted();
    look.isAvailable = m_mic.isAvailable();
    look.backgroundOpacity = m_backgroundOpacity;
    look.foregroundOpacity = m_foregroundOpacity;
    m_panel->setLook(look);
    m_panel->setToolTip(FloatingWidgetView::stateSummary(
        m_mic.isAvailable(), m_mic.isMuted(),
        m_mic.hasActiveDeviceName() ? m_mic.activeDeviceName() : QString()));
}

void FloatingPanelController::onMoved(QPoint topLeft) {
    // Stored where the drag left it, unclamped: the user may park it half off-screen.
    WidgetPreferences::saveOrigin(m_preferences,
                                  QtScreens::fromWindowPosition(topLeft, kWidgetSize));
}

void FloatingPanelController::handleScreenChange() {
    if (!m_isVisible || !m_panel)
        return;
    const ScreenLayout layout = m_layoutSource();
    // While outputs are being switched the server can briefly report no screen at all;
    // clamping then would throw away the place the user chose, so wait for a real one.
    if (layout.screens.empty())
        return;
    const Point current = QtScreens::fromWindowPosition(m_panel->pos(), kWidgetSize);
    const Point origin = WidgetGeometry::clamp(current, kWidgetSize, layout);
    m_panel->move(QtScreens::toWindowPosition(origin, kWidgetSize));
    WidgetPreferences::saveOrigin(m_preferences, origin);
}

} // namespace quietlane
