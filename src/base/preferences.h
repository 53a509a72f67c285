// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quietlane {

/// Raw bytes of a blob value (the program stores UTF-8 JSON in them).
struct Blob {
    std::string bytes;
    friend bool operator==(const Blob&, const Blob&) = default;
};

using PreferenceValue = std::variant<bool, double, std::string, std::vector<std::string>, Blob>;

/// The user's preferences: a typed key-value map kept in one JSON file (format in
/// base/preferencesformat.h). Every write is durable before it returns (temp file, fsync,
/// rename, directory fsync); reads never touch the disk. Safe to use from any thread.
class Preferences {
public:
    /// Loads `file` if it exists. A file that cannot be parsed is moved aside
    /// (`<file>.corrupt-<UTC timestamp>`), a warning is logged, and the store starts empty;
    /// if it cannot even be moved, every write fails rather than destroy it.
    explicit Preferences(std::filesystem::path file);

    /// `$XDG_CONFIG_HOME/quietlane/preferences.json`, or `~/.config/quietlane/...`.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return m_path; }

    // Typed reads: nothing when the key is absent or holds another type.
    std::optional<PreferenceValue> object(std::string_view key) const;
    std::optional<bool> boolValue(std::string_view key) const;
    /// Finite numbers only: NaN and infinities count as wrongly typed.
    std::optional<double> doubleValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;
    std::optional<std::string> data(std::string_view key) const;
    bool contains(std::string_view key) const;

    // Writes return false when the file could not be written (the value is kept in memory).
    bool setBool(std::string_view key, bool value);
    bool setDouble(std::string_view key, double value);
    bool setString(std::string_view key, std::string value);
    bool setStringArray(std::string_view key, std::vector<std::string> value);
    bool setData(std::string_view key, std::string bytes);
    bool remove(std::string_view key);

private:
    bool set(std::string_view key, PreferenceValue value);
    bool saveLocked() const;
    void load();

    std::filesystem::path m_path;
    mutable std::mutex m_mutex;
    std::map<std::string, PreferenceValue, std::less<>> m_values;
    // False when an unreadable file could not be moved aside: writing would destroy it.
    bool m_writable = true;
};

} // namespace quietlane
