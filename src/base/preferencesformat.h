// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quietlane {

using PreferenceMap = std::map<std::string, PreferenceValue, std::less<>>;
/// The same values as a store keeps them: shared, so a snapshot for writing copies none.
using SharedPreferenceMap =
    std::map<std::string, std::shared_ptr<const PreferenceValue>, std::less<>>;
/// Values the reader does not understand, each as the JSON text the file held.
using UnknownValueMap = std::map<std::string, std::string, std::less<>>;

// The preferences file is one JSON object, indented for people to read and edit. Each
// value keeps its type through its JSON form:
//   Boolean        true / false
//   double         a number (integers are accepted when reading)
//   string         "text"
//   string array   ["a", "b"]
//   blob           {"base64": "<standard base64 with padding>"}
// A value of any other form (null, mixed arrays, other objects, bad base64, a number too
// large for a double) reads as absent but is kept, text for text, and written back: a newer
// version or the user may have put it there. Non-finite doubles are written as null.

struct PreferencesDocument {
    PreferenceMap values;
    UnknownValueMap unknown; ///< never holds a key that `values` holds
    friend bool operator==(const PreferencesDocument&, const PreferencesDocument&) = default;
};

/// The contents of a preferences file, or nothing when the text is not a JSON object.
std::optional<PreferencesDocument> parsePreferences(std::string_view text);

/// The file text for `document`. Never throws: bytes that are not UTF-8 inside strings are
/// replaced, since JSON cannot carry them (blobs carry any bytes).
std::string serializePreferences(const PreferencesDocument& document);
std::string serializePreferences(const SharedPreferenceMap& values, const UnknownValueMap& unknown);

std::string encodeBase64(std::string_view bytes);
std::optional<std::string> decodeBase64(std::string_view text);

} // namespace quietlane
