// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quietlane {

struct MicState;

/// What a client asks of the running instance over the per-user socket: one line of text.
enum class ControlRequest {
    openSettings,
    toggle,
    mute,
    unmute,
    pushToTalkPress,
    pushToTalkRelease,
    pushToMutePress,
    pushToMuteRelease,
    status,
    watch,
};

/// The longest request line, newline included. Anything longer is refused unread, so a
/// client cannot make the instance buffer without bound.
constexpr std::size_t kMaxRequestBytes = 64;

const char* requestLine(ControlRequest request);
/// The request named by a line without its newline; nothing for anything else.
std::optional<ControlRequest> parseRequest(std::string_view line);

/// Collects the bytes of one request as they arrive, however they are split.
class RequestReader {
public:
    struct Incomplete {};
    struct Malformed {
        std::string reason;
    };
    using Result = std::variant<Incomplete, ControlRequest, Malformed>;

    /// Incomplete until a newline arrives; then the request, or why it is refused. Bytes
    /// after the first newline are ignored: one request per connection.
    Result feed(std::string_view bytes);

private:
    std::string m_buffer;
};

/// The state as the command line and panels show it.
struct ControlStatus {
    enum class State { muted, unmuted, unavailable };
    State state = State::unavailable;
    std::optional<std::string> device;
    bool volumeFallback = false;
    friend bool operator==(const ControlStatus&, const ControlStatus&) = default;
};

ControlStatus statusOf(const MicState& state);
const char* stateName(ControlStatus::State state);

/// One line of JSON without its newline: {"state":...,"device":...,"volumeFallback":...}.
std::string encodeStatus(const ControlStatus& status);
std::optional<ControlStatus> decodeStatus(std::string_view json);

/// The instance's answer: "ok [status]", "refused status" (the server did not reach the
/// asked state) or "error reason", one line each.
struct ControlReply {
    enum class Kind { ok, refused, error };
    Kind kind = Kind::error;
    /// The status JSON for ok and refused (empty after a plain "ok"), the reason for error.
    std::string payload;
};

/// The answer to a request once the devices settled: ok when they reached `wantedMuted`
/// (or when nothing in particular was wanted), refused otherwise or without a server.
ControlReply settledReply(std::optional<bool> wantedMuted, const ControlStatus& now);

std::string replyLine(const ControlReply& reply);
std::optional<ControlReply> parseReply(std::string_view line);

} // namespace quietlane
