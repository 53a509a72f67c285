// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioinputdevice.h"
#include "audio/deviceselection.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quietlane {

class AudioDeviceService;
class AudioServer;
class Preferences;
struct MicState;

/// The one observable model of the microphone. Its values are what the devices report,
/// never what was asked for; every change signal fires only when its value changed.
/// Lives on the main thread.
class MicrophoneController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAvailable READ isAvailable NOTIFY isAvailableChanged)
    Q_PROPERTY(bool isMuted READ isMuted NOTIFY isMutedChanged)
    Q_PROPERTY(bool usingVolumeFallback READ usingVolumeFallback NOTIFY usingVolumeFallbackChanged)
    Q_PROPERTY(QString activeDeviceName READ activeDeviceName NOTIFY activeDeviceNameChanged)

public:
    /// Restores the device selection from `preferences`, stores it back and starts the
    /// service; the first state arrives later through the event loop.
    MicrophoneController(AudioServer& soundServer, Preferences& preferences,
                         QObject* parent = nullptr);
    ~MicrophoneController() override;

    /// False while no sound server is reachable. isMuted and usingVolumeFallback then keep
    /// their last values: no server is not a live microphone.
    bool isAvailable() const { return m_isAvailable; }
    bool isMuted() const { return m_isMuted; }
    /// What the next toggle builds on: the last request while it is on its way, otherwise
    /// isMuted. Push-to-talk captures this, so a tap right after a change restores the
    /// state the user asked for, not one the server has not confirmed yet.
    bool intendedMuted() const;
    /// What the last request asked for; once settled, as it was carried out (a toggle
    /// flips what the server reported when it was taken).
    bool lastRequestedMuted() const;
    bool usingVolumeFallback() const { return m_usingVolumeFallback; }
    /// Empty when there is no active device name (see hasActiveDeviceName).
    QString activeDeviceName() const { return m_activeDeviceName.value_or(QString()); }
    bool hasActiveDeviceName() const { return m_activeDeviceName.has_value(); }
    const std::vector<AudioInputDevice>& availableDevices() const { return m_availableDevices; }
    const DeviceSelection& selection() const { return m_selection; }

    /// Stores, persists and applies the selection; persisting and applying happen even when
    /// it is unchanged (only the signal is skipped).
    void setSelection(const DeviceSelection& selection);

    /// Runs `done` on this thread once the requests made so far have reached the devices
    /// and the states they caused have been applied here.
    void whenSettled(std::function<void()> done);

    /// Whether the latest change of isMuted is what a request made here asked for (the
    /// shortcut, the widget, the dropdown, the command line, D-Bus) rather than another
    /// program's doing. Valid while isMutedChanged is delivered.
    bool lastMuteChangeRequestedHere() const { return m_lastChangeRequested; }

public slots:
    /// Asks for the opposite of intendedMuted(); returns before anything changes.
    void toggle();
    /// Asks for exactly this state; returns before anything changes. Requests made before
    /// the server answered are replaced by later ones; none while it is unreachable.
    void setMuted(bool muted);

signals:
    void isAvailableChanged(bool isAvailable);
    void isMutedChanged(bool isMuted);
    void usingVolumeFallbackChanged(bool usingVolumeFallback);
    void activeDeviceNameChanged();
    void availableDevicesChanged();
    void selectionChanged();

private:
    void applyState(const MicState& state);
    void noteRequest(bool muted);

    Preferences& m_preferences;
    bool m_isAvailable = true;
    bool m_isMuted = false;
    bool m_usingVolumeFallback = false;
    std::optional<QString> m_activeDeviceName;
    std::vector<AudioInputDevice> m_availableDevices;
    DeviceSelection m_selection;
    std::unique_ptr<AudioDeviceService> m_service;
    // The state each request still on its way asked for, by request number. A change to
    // such a state is that request's outcome and uses it up; a request leaves once the
    // devices settled after it, so a later change by another program is never taken for
    // one of ours.
    std::map<std::uint64_t, bool> m_requestsInFlight;
    std::uint64_t m_requestCount = 0;
    bool m_lastChangeRequested = false;
};

} // namespace quietlane
