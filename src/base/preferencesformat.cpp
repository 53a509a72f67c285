// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferencesformat.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>
#include <vector>

namespace quietlane {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr const char* kBlobField = "base64";

constexpr auto kReplaceInvalid = nlohmann::json::error_handler_t::replace;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t skipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && isSpace(text[at]))
        ++at;
    return at;
}

// `at` is on an opening quote; returns the position after the closing one.
std::size_t endOfString(std::string_view text, std::size_t at) {
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\')
            ++at;
        else if (text[at] == '"')
            return at + 1;
    }
    return text.size();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The JSON number grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view token) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < token.size() && isDigit(token[at]))
            ++at;
        return at > from;
    };
    if (at < token.size() && token[at] == '-')
        ++at;
    if (at < token.size() && token[at] == '0')
        ++at;
    else if (!digits())
        return false;
    if (at < token.size() && token[at] == '.') {
        ++at;
        if (!digits())
            return false;
    }
    if (at < token.size() && (token[at] == 'e' || token[at] == 'E')) {
        ++at;
        if (at < token.size() && (token[at] == '+' || token[at] == '-'))
            ++at;
        if (!digits())
            return false;
    }
    return at == token.size();
}

std::string withHugeNumbersNeutralised(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"') {
            const std::size_t end = endOfString(text, at);
            result.append(text.substr(at, end - at));
            at = end;
            continue;
        }
        if (c != '-' && !isDigit(c)) {
            result += c;
            ++at;
            continue;
        }
        const std::size_t end = text.find_first_not_of("+-.0123456789eE", at);
        const std::string_view token = text.substr(at, end - at);
        double value = 0;
        const auto parsed = std::from_chars(token.data(), token.data() + token.size(), value);
        const bool huge = isJsonNumber(token) && parsed.ec == std::errc::result_out_of_range;
        result.append(huge ? std::string_view("0") : token);
        at += token.size();
    }
    return result;
}

// The members of a text already known to be a JSON object (up to huge numbers): each
// key's quoted text and its value's text without surrounding white space.
std::vector<std::pair<std::string_view, std::string_view>> topLevelMembers(std::string_view text) {
    std::vector<std::pair<std::string_view, std::string_view>> members;
    std::size_t at = skipSpace(text, 0) + 1;
    for (;;) {
        at = skipSpace(text, at);
        if (at >= text.size() || text[at] == '}')
            return members;
        const std::size_t keyEnd = endOfString(text, at);
        const std::string_view key = text.substr(at, keyEnd - at);
        at = skipSpace(text, skipSpace(text, keyEnd) + 1);
        const std::size_t valueStart = at;
        for (int depth = 0; at < text.size(); ++at) {
            const char c = text[at];
            if (c == '"') {
                at = endOfString(text, at) - 1;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']' || c == ',') {
                if (depth == 0)
                    break;
                if (c != ',')
                    --depth;
            }
        }
        std::size_t valueEnd = at;
        while (valueEnd > valueStart && isSpace(text[valueEnd - 1]))
            --valueEnd;
        members.emplace_back(key, text.substr(valueStart, valueEnd - valueStart));
        if (at < text.size() && text[at] == ',')
            ++at;
    }
}

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

// A value's JSON as a member of the top-level object: its inner lines one level deeper.
std::string memberText(const PreferenceValue& value) {
    const std::string dumped = valueToJson(value).dump(4, ' ', false, kReplaceInvalid);
    std::string text;
    text.reserve(dumped.size());
    for (const char c : dumped) {
        text += c;
        if (c == '\n')
            text += "    ";
    }
    return text;
}

// Built member by member so that a kept value goes back exactly as it was read, which the
// JSON library could not do for a number it refuses.
std::string objectText(const std::map<std::string_view, std::string>& members) {
    if (members.empty())
        return "{}\n";
    std::string text = "{";
    for (const auto& [key, value] : members) {
        text += text.size() == 1 ? "\n    " : ",\n    ";
        text += nlohmann::json(key).dump(-1, ' ', false, kReplaceInvalid);
        text += ": ";
        text += value;
    }
    return text + "\n}\n";
}

} // namespace

std::optional<PreferencesDocument> parsePreferences(std::string_view text) {
    // The JSON library refuses a whole document for one number beyond a double's range;
    // such a number only spoils its own value, so the check of the file's grammar sees a
    // harmless one in its place.
    if (!nlohmann::json::accept(withHugeNumbersNeutralised(text)))
        return std::nullopt;
    const std::size_t start = skipSpace(text, 0);
    if (start == text.size() || text[start] != '{')
        return std::nullopt;
    PreferencesDocument document;
    for (const auto& [keyText, valueText] : topLevelMembers(text)) {
        std::string key = nlohmann::json::parse(keyText).get<std::string>();
        const auto json = nlohmann::json::parse(valueText, nullptr, /*allow_exceptions=*/false);
        if (auto value = json.is_discarded() ? std::nullopt : valueFromJson(json)) {
            document.unknown.erase(key);
            document.values.insert_or_assign(std::move(key), std::move(*value));
        } else {
            document.values.erase(key);
            document.unknown.insert_or_assign(std::move(key), std::string(valueText));
        }
    }
    return document;
}

std::string serializePreferences(const PreferencesDocument& document) {
    std::map<std::string_view, std::string> members;
    for (const auto& [key, value] : document.values)
        members.emplace(key, memberText(value));
    for (const auto& [key, raw] : document.unknown)
        members.emplace(key, raw);
    return objectText(members);
}

std::string serializePreferences(const SharedPreferenceMap& values,
                                 const UnknownValueMap& unknown) {
    std::map<std::string_view, std::string> members;
    for (const auto& [key, value] : values)
        members.emplace(key, memberText(*value));
    for (const auto& [key, raw] : unknown)
        members.emplace(key, raw);
    return objectText(members);
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
