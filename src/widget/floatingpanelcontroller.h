// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"
#include "widget/widgetgeometry.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace quietlane {

class FloatingPanel;
class MicrophoneController;
class WindowHints;

/// Owns the round widget: shows and hides it, keeps its opacities and its place, and
/// turns its clicks into mute toggles.
class FloatingPanelController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible WRITE setVisible NOTIFY isVisibleChanged)
    Q_PROPERTY(double backgroundOpacity READ backgroundOpacity WRITE setBackgroundOpacity NOTIFY
                   backgroundOpacityChanged)
    Q_PROPERTY(double foregroundOpacity READ foregroundOpacity WRITE setForegroundOpacity NOTIFY
                   foregroundOpacityChanged)

public:
    using LayoutSource = std::function<ScreenLayout()>;

    /// Shows the widget at once when it is meant to be visible. `layoutSource` defaults to
    /// the toolkit's screens.
    FloatingPanelController(MicrophoneController& mic, Preferences& preferences, WindowHints& hints,
                            LayoutSource layoutSource = {}, QObject* parent = nullptr);
    ~FloatingPanelController() override;

    bool isVisible() const { return m_isVisible; }
    /// Every assignment is stored; true also re-places the widget at its saved position.
    void setVisible(bool visible);
    double backgroundOpacity() const { return m_backgroundOpacity; }
    void setBackgroundOpacity(double opacity);
    double foregroundOpacity() const { return m_foregroundOpacity; }
    void setForegroundOpacity(double opacity);

    /// Keeps the widget on a visible screen after the display arrangement changed, and
    /// remembers where it ended up.
    void handleScreenChange();

    /// The widget window once it has been shown; for tests and screenshots.
    FloatingPanel* panel() const;

signals:
    void isVisibleChanged();
    void backgroundOpacityChanged();
    void foregroundOpacityChanged();

private:
    void show();
    void build();
    void refreshLook();
    void onMoved(QPoint topLeft);

    MicrophoneController& m_mic;
    Preferences& m_preferences;
    WindowHints& m_hints;
    LayoutSource m_layoutSource;
    std::unique_ptr<FloatingPanel> m_panel;
    bool m_isVisible;
    double m_backgroundOpacity;
    double m_foregroundOpacity;
};

} // namespace quietlane
