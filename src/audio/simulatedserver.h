// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "base/result.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quietlane {

/// What a simulated device looks like to the server's clients.
struct SimulatedDevice {
    std::string uid = {};
    /// False: the server never names it, so no client sees it.
    bool uidReadable = true;
    std::string name = {};
    bool nameReadable = true;
    /// Channel count of each input stream; empty for an output-only device.
    std::vector<std::uint32_t> inputChannels = {};
    bool hasMute = false;
    bool muteSettable = true;
    bool muted = false;
    std::map<std::uint32_t, SourceVolume> volumes = {};

    /// A mono input named after its UID with a settable hardware mute.
    static SimulatedDevice withMute(std::string uid, bool muted = false);
    /// An input without hardware mute, silenced through these settable volume elements.
    static SimulatedDevice withVolumes(std::string uid, std::map<std::uint32_t, float> volumes,
                                       std::vector<std::uint32_t> inputChannels = {1});
};

/// One write a client made, answered or not.
struct SimulatedWrite {
    std::string source;
    std::optional<bool> muted; // a mute write; otherwise `volumes` holds what was written
    std::map<std::uint32_t, float> volumes;
    friend bool operator==(const SimulatedWrite&, const SimulatedWrite&) = default;
};

/// An in-memory sound server for tests, demos and running without one.
///
/// Thread-safe. Watchers hear of every change that altered the state, whether it came from
/// a client's write or from the "external" methods that play another application, on the
/// thread that made it.
///
/// Seed document for fromJson (every key but "uid" is optional):
///   {
///     "default": "usb-mic",          // UID of the default input, or a number: 0 = none,
///                                    // 2, 3, ... the devices in order, others no device;
///                                    // absent or null: no default input
///     "defaultReadable": true,       // false: the server does not tell its default
///     "devices": [{
///       "uid": "usb-mic", "uidReadable": true,
///       "name": "USB Mic", "nameReadable": true,   // name defaults to the UID
///       "channels": [2, 1],          // input streams; [] = output-only; absent = [1]
///       "mute": false,               // present: a hardware mute control ("hwmute")
///       "muteSettable": true,        // false: the control exists but cannot be written
///       "volumes": {"0": 0.6, "1": {"value": 0.5, "settable": false}}
///     }]
///   }
/// Devices without a settable mute are silenced through their volumes ("volfallback").
/// Unknown keys are rejected so that a misspelt key does not silently change nothing.
class SimulatedServer : public AudioServer {
public:
    SimulatedServer() = default;
    ~SimulatedServer() override;

    static Result<std::unique_ptr<SimulatedServer>> fromJson(std::string_view json);

    // AudioServer
    ServerState state() const override;
    int watch(StateHandler handler) override;
    void unwatch(int watch) override;
    void setMuted(const std::string& source, bool muted, WriteDone done) override;
    void setVolumes(const std::string& source, const std::map<std::uint32_t, float>& volumes,
                    WriteDone done) override;

    // What another application, the user or the server itself would do.
    /// Returns the device's UID.
    std::string addDevice(SimulatedDevice device);
    bool removeDevice(const std::string& uid);
    /// Removes the device and returns it as it was at that moment, to plug back in later.
    std::optional<SimulatedDevice> unplugDevice(const std::string& uid);
    /// Empty means "no default input".
    void setDefaultInput(std::string uid);
    void setDefaultInputReadable(bool readable);
    /// An unreachable server shows nothing and refuses every write.
    void setReachable(bool reachable);
    bool setMuteExternally(const std::string& uid, bool muted);
    bool setVolumeExternally(const std::string& uid, std::uint32_t element, float value);

    /// Every write is answered with this error and changes nothing; nothing: writes work.
    void failWrites(std::optional<SoundError> error);
    /// A stalled server: writes wait unanswered until releaseWrites().
    void holdWrites();
    /// Wakes the server: the waiting writes take effect and are answered, in order.
    void releaseWrites();
    /// Blocks until this many writes wait for releaseWrites().
    void waitUntilHeld(std::size_t count) const;

    // Inspection.
    std::optional<SimulatedDevice> device(const std::string& uid) const;
    std::string defaultInput() const;
    std::size_t watcherCount() const;
    std::vector<SimulatedWrite> writes() const;
    void clearWrites();

private:
    struct Held {
        SimulatedWrite write;
        WriteDone done;
    };

    ServerState stateLocked() const;
    SimulatedDevice* findLocked(const std::string& uid);
    void submit(SimulatedWrite write, WriteDone done);
    std::optional<SoundError> applyLocked(const SimulatedWrite& write);
    /// Tells the watchers if the state differs from what they last heard.
    void notifyLocked();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_heldChanged;
    std::vector<SimulatedDevice> m_devices;
    std::string m_defaultInput;
    bool m_defaultReadable = true;
    bool m_reachable = true;
    std::optional<SoundError> m_writeFailure;
    bool m_holding = false;
    std::vector<Held> m_held;
    std::map<int, StateHandler> m_watchers;
    int m_nextWatch = 0;
    ServerState m_announced;
    std::vector<SimulatedWrite> m_writes;
};

} // namespace quietlane
