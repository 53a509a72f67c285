// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quietlane {

/// One volume control of a source: 0 is the overall level, 1..n the channels.
struct SourceVolume {
    float value = 1.0f; // 1.0 is 100 %; servers allow boosting past it
    bool settable = true;
    friend bool operator==(const SourceVolume&, const SourceVolume&) = default;
};

/// Everything the program needs to know about one source, as one value.
struct Source {
    /// The server's name for it: stable across restarts, so it is what selections and
    /// saved volumes are keyed by.
    std::string name;
    /// What mixers show; nothing when the server gives none.
    std::optional<std::string> description;
    /// Input channels; 0 for something that records nothing.
    std::uint32_t channels = 0;
    bool hasMute = false;
    bool muteSettable = false;
    bool muted = false;
    std::map<std::uint32_t, SourceVolume> volumes;

    bool canMute() const { return hasMute && muteSettable; }
    friend bool operator==(const Source&, const Source&) = default;
};

/// The sound server as last reported.
struct ServerState {
    bool reachable = false;
    std::vector<Source> sources; // the server's order
    /// Nothing when there is no default source or it cannot be told.
    std::optional<std::string> defaultSource;

    const Source* find(std::string_view name) const;
    friend bool operator==(const ServerState&, const ServerState&) = default;
};

enum class SoundError {
    unreachable,
    refused,
    noSuchSource,
    notSettable,
    timedOut,
    superseded,
};

/// Plain words for the journal.
const char* describe(SoundError error);

/// A sound server as its own clients see it: sources with their state, a notification
/// carrying the new state after every change, and writes answered asynchronously.
/// Implementations are thread-safe.
class AudioServer {
public:
    /// `std::nullopt` when the server confirmed the write.
    using WriteDone = std::function<void(std::optional<SoundError>)>;
    using StateHandler = std::function<void(const ServerState&)>;

    virtual ~AudioServer() = default;

    /// The server as last reported; never waits for it.
    virtual ServerState state() const = 0;

    /// Calls `handler` with the new state after every change, in order, on a thread of the
    /// server's; it must return quickly. Returns what unwatch() takes.
    virtual int watch(StateHandler handler) = 0;
    /// No call of that handler is under way or follows once this returns.
    virtual void unwatch(int watch) = 0;

    /// `done` runs exactly once, on a thread of the server's, after the state change the
    /// write caused has been handed to the watchers. A write the server has not answered
    /// within 2 s reports timedOut and still takes effect when the server wakes up,
    /// unless a newer write to the same control replaced it while it waited to be sent
    /// (superseded).
    virtual void setMuted(const std::string& source, bool muted, WriteDone done) = 0;
    /// Sets the listed volume controls (0: the overall level, scaling every channel).
    virtual void setVolumes(const std::string& source,
                            const std::map<std::uint32_t, float>& volumes, WriteDone done) = 0;
};

} // namespace quietlane
