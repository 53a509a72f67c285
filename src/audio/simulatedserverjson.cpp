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

struct SeedError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw SeedError{where + ": " + what};
}

void rejectUnknownKeys(const json& object, const std::string& where,
                       std::initializer_list<const char*> known) {
    for (const auto& item : object.items()) {
        bool found = false;
        for (const char* key : known)
            found = found || item.key() == key;
        if (!found)
            fail(where, "unknown key \"" + item.key() + "\"");
    }
}

bool optionalBool(const json& object, const char* key, bool fallback, const std::string& where) {
    auto it = object.find(key);
    if (it == object.end())
        return fallback;
    if (!it->is_boolean())
        fail(where, std::string("\"") + key + "\" must be true or false");
    return it->get<bool>();
}

std::string optionalString(const json& object, const char* key, const std::string& fallback,
                           const std::string& where) {
    auto it = object.find(key);
    if (it == object.end())
        return fallback;
    if (!it->is_string())
        fail(where, std::string("\"") + key + "\" must be a string");
    return it->get<std::string>();
}

float volumeValue(const json& value, const std::string& where) {
    if (!value.is_number())
        fail(where, "a volume must be a number");
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < 0 || number > std::numeric_limits<float>::max())
        fail(where, "a volume must be a finite number of at least 0");
    return float(number);
}

SourceVolume parseVolume(const json& value, const std::string& where) {
    if (!value.is_object())
        return {volumeValue(value, where), true};
    rejectUnknownKeys(value, where, {"value", "settable"});
    auto number = value.find("value");
    return {number == value.end() ? 1.0f : volumeValue(*number, where),
            optionalBool(value, "settable", true, where)};
}

SimulatedDevice parseDevice(const json& entry, const std::string& where) {
    if (!entry.is_object())
        fail(where, "a device must be an object");
    rejectUnknownKeys(entry, where,
                      {"uid", "uidReadable", "name", "nameReadable", "channels", "mute",
                       "muteSettable", "volumes"});
    SimulatedDevice device;
    auto uid = entry.find("uid");
    if (uid == entry.end() || !uid->is_string())
        fail(where, "\"uid\" is required and must be a string");
    device.uid = uid->get<std::string>();
    device.uidReadable = optionalBool(entry, "uidReadable", true, where);
    device.name = optionalString(entry, "name", device.uid, where);
    device.nameReadable = optionalBool(entry, "nameReadable", true, where);

    if (auto channels = entry.find("channels"); channels != entry.end()) {
        if (!channels->is_array())
            fail(where, "\"channels\" must be an array of channel counts");
        for (const json& count : *channels) {
            if (!count.is_number_unsigned() || count.get<std::uint64_t>() > 64)
                fail(where, "a channel count must be a whole number from 0 to 64");
            device.inputChannels.push_back(count.get<std::uint32_t>());
        }
    } else {
        device.inputChannels = {1};
    }

    if (auto mute = entry.find("mute"); mute != entry.end() && !mute->is_null()) {
        if (!mute->is_boolean())
            fail(where, "\"mute\" must be true, false or null");
        device.hasMute = true;
        device.muted = mute->get<bool>();
    }
    device.muteSettable = optionalBool(entry, "muteSettable", true, where);

    if (auto volumes = entry.find("volumes"); volumes != entry.end()) {
        if (!volumes->is_object())
            fail(where, "\"volumes\" must map element numbers to volumes");
        for (const auto& item : volumes->items()) {
            const std::string& key = item.key();
            std::uint32_t element = 0;
            auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), element);
            if (error != std::errc() || end != key.data() + key.size() || key.empty())
                fail(where, "volume element \"" + key + "\" is not a whole number");
            device.volumes[element] = parseVolume(item.value(), where + ".volumes." + key);
        }
    }
    return device;
}

void seed(SimulatedServer& hal, const json& document) {
    if (!document.is_object())
        fail("document", "the top level must be an object");
    rejectUnknownKeys(document, "document", {"default", "defaultReadable", "devices"});

    std::vector<std::string> added;
    if (auto devices = document.find("devices"); devices != document.end()) {
        if (!devices->is_array())
            fail("document", "\"devices\" must be an array");
        for (std::size_t index = 0; index < devices->size(); ++index) {
            SimulatedDevice device =
                parseDevice((*devices)[index], "devices[" + std::to_string(index) + "]");
            added.push_back(hal.addDevice(std::move(device)));
        }
    }

    if (auto defaultInput = document.find("default"); defaultInput != document.end()) {
        if (defaultInput->is_string()) {
            const auto& uid = defaultInput->get_ref<const std::string&>();
            if (std::find(added.begin(), added.end(), uid) == added.end())
                fail("document", "\"default\" names no device with uid \"" + uid + "\"");
            hal.setDefaultInput(uid);
        } else if (defaultInput->is_number_unsigned()) {
            // A raw id lets a document describe a default that names no device.
            // Older documents count the devices from 2; any other number names no device.
            const auto number = defaultInput->get<std::uint64_t>();
            if (number >= 2 && number - 2 < added.size())
                hal.setDefaultInput(added[number - 2]);
            else if (number != 0)
                hal.setDefaultInput("#" + std::to_string(number));
        } else if (!defaultInput->is_null()) {
            fail("document", "\"default\" must be a device uid, an object id or null");
        }
    }
    hal.setDefaultInputReadable(optionalBool(document, "defaultReadable", true, "document"));
}

} // namespace

Result<std::unique_ptr<SimulatedServer>> SimulatedServer::fromJson(std::string_view text) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded())
        return Failure{"the simulated device list is not valid JSON"};
    auto hal = std::make_unique<SimulatedServer>();
    try {
        seed(*hal, document);
    } catch (const SeedError& seedError) {
        return Failure{"the simulated device list is invalid: " + seedError.message};
    }
    return hal;
}

} // namespace quietlane
