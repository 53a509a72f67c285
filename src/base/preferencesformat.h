// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quietlane {

using PreferenceMap = std::map<std::string, PreferenceValue, std::less<>>;

// The preferences file is one JSON object, indented for people to read and edit. Each
// value keeps its type through its JSON form:
//   Boolean        true / false
//   double         a number (integers are accepted when reading)
//   string         "text"
//   string array   ["a", "b"]
//   blob           {"base64": "<standard base64 with padding>"}
// A value of any other form (null, mixed arrays, other objects, bad base64) is dropped
// when reading; non-finite doubles are written as null and so read back as absent.

/// The values of a preferences file, or nothing when the text is not a JSON object.
std::optional<PreferenceMap> parsePreferences(std::string_view text);

/// The file text for `values`. Never throws: bytes that are not UTF-8 inside strings are
/// replaced, since JSON cannot carry them (blobs carry any bytes).
std::string serializePreferences(const PreferenceMap& values);

std::string encodeBase64(std::string_view bytes);
std::optional<std::string> decodeBase64(std::string_view text);

} // namespace quietlane
