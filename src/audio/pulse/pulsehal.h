// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"
#include "audio/pulse/sourcemirror.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quietlane {

class PulseConnection;

/// The sound system as a PulseAudio-compatible server (PulseAudio itself or PipeWire's
/// pulse server) shows it: each non-monitor source is a device, the server's default
/// source the default input. Reads are answered from a mirror of the server, so they
/// never wait on it; writes wait for the server's confirmation. Connects at once and
/// keeps reconnecting in the background while the server is away.
class PulseHal final : public HalBackend {
public:
    PulseHal();
    ~PulseHal() override;

    /// Waits for the first complete picture of the server. False, with the reason in
    /// `error`, when the server cannot be reached or does not answer in time.
    bool waitUntilReady(std::chrono::milliseconds timeout, std::string* error);

    OSStatus getPropertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                 std::uint32_t& size) override;
    OSStatus getPropertyData(AudioObjectID object, const PropertyAddress& address,
                             PropertyValue& value) override;
    OSStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                             const PropertyValue& value) override;
    void abandonWrites() override;
    bool hasProperty(AudioObjectID object, const PropertyAddress& address) override;
    OSStatus isPropertySettable(AudioObjectID object, const PropertyAddress& address,
                                bool& settable) override;
    OSStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                 SerialQueue& queue, ListenerBlock listener) override;
    void removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                SerialQueue& queue, const ListenerBlock& listener) override;

private:
    struct Registration {
        AudioObjectID object;
        PropertyAddress address;
        SerialQueue* queue;
        ListenerBlock listener;
    };

    void notify(const std::vector<PropertyChange>& changes);
    OSStatus writeVolume(const SourceSnapshot& source, std::uint32_t element, float scalar);

    SourceMirror m_mirror;
    std::mutex m_listenersMutex;
    std::vector<Registration> m_listeners;
    // Last: its thread feeds the members above and must stop before they go.
    std::unique_ptr<PulseConnection> m_connection;
};

} // namespace quietlane
