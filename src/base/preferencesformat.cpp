// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferencesformat.h"

#include <array>
#include <nlohmann/json.hpp>

namespace quietlane {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr const char* kBlobField = "base64";

std::optional<PreferenceValue> valueFromJson(const nlohmann::json& json) {
    switch (json.type()) {
    case nlohmann::json::value_t::boolean:
        return json.get<bool>();
    case nlohmann::json::value_t::number_float:
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
        return json.get<double>();
    case nlohmann::json::value_t::string:
        return json.get<std::string>();
    case nlohmann::json::value_t::array: {
        std::vector<std::string> strings;
        strings.reserve(json.size());
        for (const auto& element : json) {
            if (!element.is_string())
                return std::nullopt;
            strings.push_back(element.get<std::string>());
        }
        return strings;
    }
    case nlohmann::json::value_t::object: {
        if (json.size() != 1 || !json.contains(kBlobField) || !json[kBlobField].is_string())
            return std::nullopt;
        auto bytes = decodeBase64(json[kBlobField].get_ref<const std::string&>());
        if (!bytes)
            return std::nullopt;
        return Blob{std::move(*bytes)};
    }
    default:
        return std::nullopt;
    }
}

nlohmann::json valueToJson(const PreferenceValue& value) {
    return std::visit(
        [](const auto& v) -> nlohmann::json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Blob>)
                return nlohmann::json{{kBlobField, encodeBase64(v.bytes)}};
            else
                return v;
        },
        value);
}

} // namespace

std::optional<PreferenceMap> parsePreferences(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
        return std::nullopt; // also covers a parse failure, which yields a discarded value
    PreferenceMap values;
    for (const auto& [key, element] : json.items()) {
        if (auto value = valueFromJson(element))
            values.insert_or_assign(key, std::move(*value));
    }
    return values;
}

std::string serializePreferences(const PreferenceMap& values) {
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [key, value] : values)
        json[key] = valueToJson(value);
    return json.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

std::string encodeBase64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = unsigned(std::uint8_t(bytes[i])) << 16 |
                           unsigned(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            text += kAlphabet[(n >> shift) & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned n = unsigned(std::uint8_t(bytes[i])) << 16;
        if (rest == 2)
            n |= unsigned(std::uint8_t(bytes[i + 1])) << 8;
        text += kAlphabet[(n >> 18) & 63];
        text += kAlphabet[(n >> 12) & 63];
        text += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    static const auto table = [] {
        std::array<int, 256> t{};
        t.fill(-1);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i)
            t[std::uint8_t(kAlphabet[i])] = int(i);
        return t;
    }();
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        unsigned n = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            int digit = table[std::uint8_t(c)];
            if (c == '=' && last && j >= 4 - padding)
                digit = 0;
            if (digit < 0)
                return std::nullopt;
            n = n << 6 | unsigned(digit);
        }
        bytes += char(n >> 16);
        if (!last || padding < 2)
            bytes += char(n >> 8 & 0xff);
        if (!last || padding < 1)
            bytes += char(n & 0xff);
    }
    return bytes;
}

} // namespace quietlane
