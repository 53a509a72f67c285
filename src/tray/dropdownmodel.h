// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioinputdevice.h"
#include "audio/deviceselection.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace quietlane {

/// The generic rows of the card (widget, device, mode, login, settings, quit).
enum class DropdownRowKind { widget, device, mode, login, settings, quit };

enum class RowTrailing { toggle, valueAndChevron, keyHint };

struct DropdownRow {
    QString label;
    RowTrailing trailing;
    QString trailingText; // the value or the key hint
    bool toggleOn = false;
};

/// What the dropdown shows, and what its controls ask for. The tray keeps it in step with
/// the live services and carries the requests out; a rendering fills it by hand. Every
/// change signal fires only when the value really changed, so a view redraws no more than
/// it must.
class DropdownModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAvailable READ isAvailable WRITE setAvailable NOTIFY isAvailableChanged)
    Q_PROPERTY(bool isMuted READ isMuted WRITE setMuted NOTIFY isMutedChanged)
    Q_PROPERTY(QString deviceName READ deviceName WRITE setDeviceName NOTIFY deviceNameChanged)
    Q_PROPERTY(QString hotkey READ hotkey WRITE setHotkey NOTIFY hotkeyChanged)
    Q_PROPERTY(QString deviceValue READ deviceValue WRITE setDeviceValue NOTIFY deviceValueChanged)
    Q_PROPERTY(QString modeTitle READ modeTitle WRITE setModeTitle NOTIFY modeTitleChanged)
    Q_PROPERTY(bool isWidgetVisible READ isWidgetVisible WRITE setWidgetVisible NOTIFY
                   widgetVisibleChanged)
    Q_PROPERTY(
        bool isLoginEnabled READ isLoginEnabled WRITE setLoginEnabled NOTIFY loginEnabledChanged)
    Q_PROPERTY(bool showDonate READ showDonate WRITE setShowDonate NOTIFY showDonateChanged)
public:
    explicit DropdownModel(QObject* parent = nullptr);

    bool isAvailable() const { return m_available; }
    void setAvailable(bool available);
    bool isMuted() const { return m_muted; }
    void setMuted(bool muted);
    /// The header's device line.
    const QString& deviceName() const { return m_deviceName; }
    void setDeviceName(const QString& name);
    /// The shortcut hint beside the mute button.
    const QString& hotkey() const { return m_hotkey; }
    void setHotkey(const QString& hotkey);
    /// The device row's value.
    const QString& deviceValue() const { return m_deviceValue; }
    void setDeviceValue(const QString& value);
    const QString& modeTitle() const { return m_modeTitle; }
    void setModeTitle(const QString& title);
    bool isWidgetVisible() const { return m_widgetVisible; }
    void setWidgetVisible(bool visible);
    bool isLoginEnabled() const { return m_loginEnabled; }
    void setLoginEnabled(bool enabled);
    bool showDonate() const { return m_showDonate; }
    void setShowDonate(bool show);

    const std::vector<AudioInputDevice>& availableDevices() const { return m_devices; }
    const DeviceSelection& selection() const { return m_selection; }
    /// The device list's entries and which of them is chosen, changed together.
    void setDevices(std::vector<AudioInputDevice> devices, DeviceSelection selection);

    DropdownRow row(DropdownRowKind kind) const;

public slots:
    /// What a click on the row asks for; the device row is left to the view (it expands).
    void activate(quietlane::DropdownRowKind kind);

signals:
    void isAvailableChanged(bool available);
    void isMutedChanged(bool muted);
    void deviceNameChanged(const QString& name);
    void hotkeyChanged(const QString& hotkey);
    void deviceValueChanged(const QString& value);
    void modeTitleChanged(const QString& title);
    void widgetVisibleChanged(bool visible);
    void loginEnabledChanged(bool enabled);
    void showDonateChanged(bool show);
    void devicesChanged();

    void muteToggleRequested();
    void widgetToggleRequested();
    void loginToggleRequested();
    void modeRequested();
    void settingsRequested();
    void deviceChosen(const quietlane::DeviceSelection& selection);
    void donateRequested();
    void quitRequested();

private:
    bool m_available = true;
    bool m_muted = false;
    QString m_deviceName;
    QString m_hotkey;
    QString m_deviceValue;
    QString m_modeTitle;
    bool m_widgetVisible = true;
    bool m_loginEnabled = false;
    bool m_showDonate = true;
    std::vector<AudioInputDevice> m_devices;
    DeviceSelection m_selection;
};

/// Header and mute-button texts for the state.
QString stateTitle(bool isMuted);
QString muteButtonTitle(bool isMuted);
/// The header's two lines and the mute button's title while no sound server is reachable.
QString unavailableTitle();
QString unavailableDetail();
QString unavailableButtonTitle();

/// The header's device line: the active device, or the no-device text.
QString headerDeviceName(const std::optional<QString>& activeDeviceName);
/// The device row's value: "Все" for all inputs, else the active device or an em dash.
QString deviceRowValue(const DeviceSelection& selection,
                       const std::optional<QString>& activeDeviceName);

} // namespace quietlane
