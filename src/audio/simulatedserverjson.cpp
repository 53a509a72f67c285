// SPDX-License-Identifier: GPL-3.0-or-later
// Seeding a SimulatedServer from a small JSON document (format in simulatedserver.h).
#include "audio/simulatedserver.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace quietlane {

namespace {

using nlohmann::json;

Failure failure(const std::string& where, const std::string& what) {
    return Failure{where + ": " + what};
}

Result<void> rejectUnknownKeys(const json& object, const std::string& where,
                               std::initializer_list<const char*> known) {
    for (const auto& item : object.items()) {
        if (std::none_of(known.begin(), known.end(),
                         [&item](const char* key) { return item.key() == key; }))
            return failure(where, "unknown key \"" + item.key() + "\"");
    }
    return {};
}

Result<bool> optionalBool(const json& object, const char* key, bool fallback,
                          const std::string& where) {
    auto it = object.find(key);
    if (it == object.end())
        return fallback;
    if (!it->is_boolean())
        return failure(where, std::string("\"") + key + "\" must be true or false");
    return it->get<bool>();
}

Result<std::string> optionalString(const json& object, const char* key, const std::string& fallback,
                                   const std::string& where) {
    auto it = object.find(key);
    if (it == object.end())
        return fallback;
    if (!it->is_string())
        return failure(where, std::string("\"") + key + "\" must be a string");
    return it->get<std::string>();
}

Result<float> volumeValue(const json& value, const std::string& where) {
    if (!value.is_number())
        return failure(where, "a volume must be a number");
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < 0 || number > std::numeric_limits<float>::max())
        return failure(where, "a volume must be a finite number of at least 0");
    return float(number);
}

Result<SourceVolume> parseVolume(const json& value, const std::string& where) {
    if (!value.is_object()) {
        const auto volume = volumeValue(value, where);
        if (!volume)
            return Failure{volume.error()};
        return SourceVolume{*volume, true};
    }
    if (auto known = rejectUnknownKeys(value, where, {"value", "settable"}); !known)
        return Failure{known.error()};
    Result<float> volume = 1.0f;
    if (auto number = value.find("value"); number != value.end())
        volume = volumeValue(*number, where);
    const auto settable = optionalBool(value, "settable", true, where);
    if (!volume)
        return Failure{volume.error()};
    if (!settable)
        return Failure{settable.error()};
    return SourceVolume{*volume, *settable};
}

Result<SimulatedDevice> parseDevice(const json& entry, const std::string& where) {
    if (!entry.is_object())
        return failure(where, "a device must be an object");
    if (auto known = rejectUnknownKeys(entry, where,
                                       {"uid", "uidReadable", "name", "nameReadable", "channels",
                                        "mute", "muteSettable", "volumes"});
        !known)
        return Failure{known.error()};
    SimulatedDevice device;
    auto uid = entry.find("uid");
    if (uid == entry.end() || !uid->is_string())
        return failure(where, "\"uid\" is required and must be a string");
    device.uid = uid->get<std::string>();
    const auto name = optionalString(entry, "name", device.uid, where);
    if (!name)
        return Failure{name.error()};
    device.name = *name;
    for (auto [key, flag] : {std::pair{"uidReadable", &device.uidReadable},
                             std::pair{"nameReadable", &device.nameReadable},
                             std::pair{"muteSettable", &device.muteSettable}}) {
        const auto value = optionalBool(entry, key, true, where);
        if (!value)
            return Failure{value.error()};
        *flag = *value;
    }

    if (auto channels = entry.find("channels"); channels != entry.end()) {
        if (!channels->is_array())
            return failure(where, "\"channels\" must be an array of channel counts");
        for (const json& count : *channels) {
            if (!count.is_number_unsigned() || count.get<std::uint64_t>() > 64)
                return failure(where, "a channel count must be a whole number from 0 to 64");
            device.inputChannels.push_back(count.get<std::uint32_t>());
        }
    } else {
        device.inputChannels = {1};
    }

    if (auto mute = entry.find("mute"); mute != entry.end() && !mute->is_null()) {
        if (!mute->is_boolean())
            return failure(where, "\"mute\" must be true, false or null");
        device.hasMute = true;
        device.muted = mute->get<bool>();
    }

    if (auto volumes = entry.find("volumes"); volumes != entry.end()) {
        if (!volumes->is_object())
            return failure(where, "\"volumes\" must map element numbers to volumes");
        for (const auto& item : volumes->items()) {
            const std::string& key = item.key();
            std::uint32_t element = 0;
            auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), element);
            if (error != std::errc() || end != key.data() + key.size() || key.empty())
                return failure(where, "volume element \"" + key + "\" is not a whole number");
            const auto volume = parseVolume(item.value(), where + ".volumes." + key);
            if (!volume)
                return Failure{volume.error()};
            device.volumes[element] = *volume;
        }
    }
    return device;
}

Result<void> seed(SimulatedServer& server, const json& document) {
    if (!document.is_object())
        return failure("document", "the top level must be an object");
    if (auto known =
            rejectUnknownKeys(document, "document", {"default", "defaultReadable", "devices"});
        !known)
        return known;

    std::vector<std::string> added;
    if (auto devices = document.find("devices"); devices != document.end()) {
        if (!devices->is_array())
            return failure("document", "\"devices\" must be an array");
        for (std::size_t index = 0; index < devices->size(); ++index) {
            auto device = parseDevice((*devices)[index], "devices[" + std::to_string(index) + "]");
            if (!device)
                return Failure{device.error()};
            added.push_back(server.addDevice(std::move(device).value()));
        }
    }

    if (auto defaultInput = document.find("default"); defaultInput != document.end()) {
        if (defaultInput->is_string()) {
            const auto& uid = defaultInput->get_ref<const std::string&>();
            if (std::find(added.begin(), added.end(), uid) == added.end())
                return failure("document", "\"default\" names no device with uid \"" + uid + "\"");
            server.setDefaultInput(uid);
        } else if (defaultInput->is_number_unsigned()) {
            // A raw id lets a document describe a default that names no device.
            // Older documents count the devices from 2; any other number names no device.
            const auto number = defaultInput->get<std::uint64_t>();
            if (number >= 2 && number - 2 < added.size())
                server.setDefaultInput(added[number - 2]);
            else if (number != 0)
                server.setDefaultInput("#" + std::to_string(number));
        } else if (!defaultInput->is_null()) {
            return failure("document", "\"default\" must be a device uid, an object id or null");
        }
    }
    const auto readable = optionalBool(document, "defaultReadable", true, "document");
    if (!readable)
        return Failure{readable.error()};
    server.setDefaultInputReadable(*readable);
    return {};
}

} // namespace

Result<std::unique_ptr<SimulatedServer>> SimulatedServer::fromJson(std::string_view text) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded())
        return Failure{"the simulated device list is not valid JSON"};
    auto server = std::make_unique<SimulatedServer>();
    if (auto seeded = seed(*server, document); !seeded)
        return Failure{"the simulated device list is invalid: " + seeded.error()};
    return server;
}

} // namespace quietlane
