// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/mutepersistence.h"

#include "base/log.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace quietlane {

namespace {

// Numbers are parsed and printed as 32-bit floats: a saved 0.6f is written as 0.6 and
// reads back as exactly the volume that was taken from the device.
using FloatJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                       std::uint64_t, float>;

// Decimal, with one optional leading sign; "-0" is element 0, any other negative or an
// out-of-range number is no element at all.
std::optional<std::uint32_t> elementNumber(std::string_view key) {
    bool negative = false;
    if (!key.empty() && (key.front() == '+' || key.front() == '-')) {
        negative = key.front() == '-';
        key.remove_prefix(1);
    }
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (key.empty() || error != std::errc() || end != key.data() + key.size())
        return std::nullopt;
    if (negative && number != 0)
        return std::nullopt;
    return number;
}

} // namespace

MutePersistence::Stored MutePersistence::decode(std::string_view blob) {
    const auto json = FloatJson::parse(blob, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
        return {};
    Stored stored;
    for (const auto& [uid, entry] : json.items()) {
        if (!entry.is_object())
            continue;
        auto& elements = stored[uid];
        for (const auto& [element, volume] : entry.items()) {
            if (volume.is_number())
                elements[element] = volume.get<float>();
        }
    }
    return stored;
}

std::optional<std::string> MutePersistence::encode(const Stored& snapshots) {
    FloatJson json = FloatJson::object();
    for (const auto& [uid, elements] : snapshots) {
        auto& entry = json[uid] = FloatJson::object();
        for (const auto& [element, volume] : elements) {
            // JSON has no form for these; the encoder would write null and lose the entry.
            if (!std::isfinite(volume))
                return std::nullopt;
            entry[element] = volume;
        }
    }
    try {
        return json.dump();
    } catch (const FloatJson::exception&) {
        // A UID that is not UTF-8 cannot be written back faithfully.
        return std::nullopt;
    }
}

MutePersistence::Snapshot
MutePersistence::usableElements(const std::map<std::string, float>& entry) {
    Snapshot snapshot;
    for (const auto& [key, volume] : entry) {
        if (!std::isfinite(volume) || volume < 0)
            continue;
        const auto element = elementNumber(key);
        if (!element)
            continue;
        // "0" and "+0" can both be present in a hand-edited blob; the plain form is the
        // one this program writes, so it wins.
        if (key == std::to_string(*element))
            snapshot.insert_or_assign(*element, volume);
        else
            snapshot.try_emplace(*element, volume);
    }
    return snapshot;
}

MutePersistence::Stored MutePersistence::all() const {
    const auto blob = m_preferences.data(kKey);
    return blob ? decode(*blob) : Stored{};
}

bool MutePersistence::store(const Stored& snapshots) {
    auto text = encode(snapshots);
    if (!text) {
        Log::error(Log::Category::audio,
                   "volume snapshots not saved: a volume is not a number or a device "
                   "identifier is not UTF-8");
        return false;
    }
    m_preferences.setData(kKey, std::move(*text));
    return m_preferences.flush();
}

bool MutePersistence::save(const std::string& uid, const Snapshot& snapshot) {
    if (snapshot.empty())
        return true;
    auto snapshots = all();
    auto& entry = snapshots[uid];
    // Merge: elements missing from this snapshot may still hold the zero of an earlier
    // mute, and their saved value is the only copy of the user's volume.
    for (const auto& [element, volume] : snapshot)
        entry.insert_or_assign(std::to_string(element), volume);
    return store(snapshots);
}

std::optional<MutePersistence::Snapshot> MutePersistence::load(const std::string& uid) const {
    const auto snapshots = all();
    const auto it = snapshots.find(uid);
    if (it == snapshots.end())
        return std::nullopt;
    return usableElements(it->second);
}

bool MutePersistence::remove(const std::string& uid) {
    auto snapshots = all();
    if (snapshots.erase(uid) == 0)
        return true;
    return store(snapshots);
}

} // namespace quietlane
