// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/deviceselection.h"

#include "base/translation.h"

#include <nlohmann/json.hpp>

namespace quietlane {

namespace {
constexpr const char* kCaseNames[] = {"systemDefault", "allInputs", "pinned"};
}

std::string DeviceSelection::encode() const {
    nlohmann::json payload = nlohmann::json::object();
    if (kind == Kind::pinned)
        payload["uid"] = uid;
    nlohmann::json json = nlohmann::json::object();
    json[kCaseNames[int(kind)]] = std::move(payload);
    // Replacement keeps encoding total for a UID that is not valid UTF-8.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

Result<DeviceSelection> DeviceSelection::decode(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded())
        return Failure{"The given data was not valid JSON."};
    if (!json.is_object())
        return Failure{"Expected to decode a keyed container but found another value."};

    const nlohmann::json* payload = nullptr;
    int found = -1;
    int count = 0;
    for (int kindIndex = 0; kindIndex < 3; ++kindIndex) {
        auto member = json.find(kCaseNames[kindIndex]);
        if (member != json.end()) {
            ++count;
            found = kindIndex;
            payload = &*member;
        }
    }
    if (count != 1)
        return Failure{"Invalid number of keys found, expected one."};
    if (!payload->is_object())
        return Failure{"Expected a keyed container for the case payload."};

    const auto kind = Kind(found);
    if (kind != Kind::pinned)
        return DeviceSelection{kind, {}};
    auto uid = payload->find("uid");
    if (uid == payload->end() || !uid->is_string())
        return Failure{"No string value associated with key \"uid\"."};
    return pinned(uid->get<std::string>());
}

DeviceSelection DeviceSelection::restore(const std::optional<std::string>& stored) {
    if (!stored)
        return systemDefault();
    auto decoded = decode(*stored);
    return decoded ? *decoded : systemDefault();
}

std::vector<const Source*> resolveTargets(const ServerState& server,
                                          const DeviceSelection& selection) {
    std::vector<const Source*> targets;
    switch (selection.kind) {
    case DeviceSelection::Kind::systemDefault:
        // The default is taken as it is: the server decides what records by default.
        if (server.defaultSource) {
            if (const Source* source = server.find(*server.defaultSource))
                targets.push_back(source);
        }
        break;
    case DeviceSelection::Kind::allInputs:
        for (const Source& source : server.sources) {
            if (source.channels >= 1)
                targets.push_back(&source);
        }
        break;
    case DeviceSelection::Kind::pinned:
        if (const Source* source = server.find(selection.uid))
            targets.push_back(source);
        break;
    }
    return targets;
}

std::optional<std::string> activeDeviceName(const DeviceSelection& selection,
                                            const std::vector<const Source*>& targets) {
    if (selection.kind == DeviceSelection::Kind::allInputs)
        return translated(QT_TRANSLATE_NOOP("quietlane", "Все микрофоны"));
    if (targets.empty())
        return std::nullopt;
    return targets.front()->description;
}

} // namespace quietlane
