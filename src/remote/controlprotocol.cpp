// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/controlprotocol.h"

#include "audio/micstate.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

namespace quietlane {

namespace {

constexpr std::array<std::pair<ControlRequest, const char*>, 10> kRequestLines{{
    {ControlRequest::openSettings, "open-settings"},
    {ControlRequest::toggle, "toggle"},
    {ControlRequest::mute, "mute"},
    {ControlRequest::unmute, "unmute"},
    {ControlRequest::pushToTalkPress, "push-to-talk-press"},
    {ControlRequest::pushToTalkRelease, "push-to-talk-release"},
    {ControlRequest::pushToMutePress, "push-to-mute-press"},
    {ControlRequest::pushToMuteRelease, "push-to-mute-release"},
    {ControlRequest::status, "status"},
    {ControlRequest::watch, "watch"},
}};

constexpr std::array<std::pair<ControlReply::Kind, std::string_view>, 3> kReplyWords{{
    {ControlReply::Kind::ok, "ok"},
    {ControlReply::Kind::refused, "refused"},
    {ControlReply::Kind::error, "error"},
}};

} // namespace

const char* requestLine(ControlRequest request) {
    for (const auto& [known, line] : kRequestLines) {
        if (known == request)
            return line;
    }
    return "";
}

std::optional<ControlRequest> parseRequest(std::string_view line) {
    for (const auto& [request, text] : kRequestLines) {
        if (line == text)
            return request;
    }
    return std::nullopt;
}

RequestReader::Result RequestReader::feed(std::string_view bytes) {
    const std::size_t room = kMaxRequestBytes - m_buffer.size();
    const std::size_t newline = bytes.substr(0, room).find('\n');
    if (newline == std::string_view::npos) {
        if (bytes.size() >= room)
            return Malformed{"request too long"};
        m_buffer.append(bytes);
        return Incomplete{};
    }
    m_buffer.append(bytes.substr(0, newline));
    if (const auto request = parseRequest(m_buffer))
        return *request;
    return Malformed{"unknown request"};
}

ControlStatus statusOf(const MicState& state) {
    ControlStatus status;
    // Without a server, or without any input device, neither "muted" nor "unmuted" would
    // be true.
    if (!state.isAvailable || state.devices.empty())
        return status;
    status.state = state.isMuted ? ControlStatus::State::muted : ControlStatus::State::unmuted;
    status.device = state.activeDeviceName;
    status.volumeFallback = state.usingVolumeFallback;
    return status;
}

const char* stateName(ControlStatus::State state) {
    switch (state) {
    case ControlStatus::State::muted:
        return "muted";
    case ControlStatus::State::unmuted:
        return "unmuted";
    case ControlStatus::State::unavailable:
        break;
    }
    return "unavailable";
}

std::string encodeStatus(const ControlStatus& status) {
    nlohmann::json json = {{"state", stateName(status.state)},
                           {"device", nullptr},
                           {"volumeFallback", status.volumeFallback}};
    if (status.device)
        json["device"] = *status.device;
    // Device names come from the sound server; replacing invalid UTF-8 keeps this total.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<ControlStatus> decodeStatus(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    const auto state = json.find("state");
    const auto device = json.find("device");
    const auto fallback = json.find("volumeFallback");
    if (state == json.end() || !state->is_string() || device == json.end() ||
        !(device->is_string() || device->is_null()) || fallback == json.end() ||
        !fallback->is_boolean())
        return std::nullopt;

    ControlStatus status;
    const auto& name = state->get_ref<const std::string&>();
    if (name == "muted")
        status.state = ControlStatus::State::muted;
    else if (name == "unmuted")
        status.state = ControlStatus::State::unmuted;
    else if (name != "unavailable")
        return std::nullopt;
    if (device->is_string())
        status.device = device->get<std::string>();
    status.volumeFallback = fallback->get<bool>();
    return status;
}

ControlReply settledReply(std::optional<bool> wantedMuted, const ControlStatus& now) {
    const bool reached =
        now.state != ControlStatus::State::unavailable &&
        (!wantedMuted || (now.state == ControlStatus::State::muted) == *wantedMuted);
    return {reached ? ControlReply::Kind::ok : ControlReply::Kind::refused, encodeStatus(now)};
}

std::string replyLine(const ControlReply& reply) {
    std::string line;
    for (const auto& [kind, word] : kReplyWords) {
        if (kind == reply.kind)
            line = word;
    }
    if (!reply.payload.empty())
        line += ' ' + reply.payload;
    // The reason of an error is free text: it must stay on its one line.
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return line + '\n';
}

std::optional<ControlReply> parseReply(std::string_view line) {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    const std::size_t space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    const std::string_view payload =
        space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    for (const auto& [kind, known] : kReplyWords) {
        if (word != known)
            continue;
        if (kind == ControlReply::Kind::refused && !decodeStatus(payload))
            return std::nullopt;
        if (kind == ControlReply::Kind::ok && !payload.empty() && !decodeStatus(payload))
            return std::nullopt;
        return ControlReply{kind, std::string(payload)};
    }
    return std::nullopt;
}

} // namespace quietlane
