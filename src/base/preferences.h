// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
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
/// base/preferencesformat.h). Reads never touch the disk. Writes change memory at once and
/// reach the file from a thread of the store's own (temp file, fsync, rename, directory
/// fsync), at most once per `minimumInterval` however fast values change; `flush()` and
/// destruction write what is pending without waiting. Safe to use from any thread.
class Preferences {
public:
    /// Loads `file` if it exists. A file that cannot be parsed is moved aside
    /// (`<file>.corrupt-<UTC timestamp>`), a warning is logged, and the store starts empty;
    /// if it cannot even be moved, every write fails rather than destroy it.
    explicit Preferences(std::filesystem::path file, std::chrono::milliseconds minimumInterval =
                                                         std::chrono::milliseconds(300));
    /// Writes what is pending before returning.
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    /// `$XDG_CONFIG_HOME/quietlane/preferences.json`, or `~/.config/quietlane/...`.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return m_path; }

    // Typed reads: nothing when the key is absent, holds another type, or holds a value of
    // a form the reader does not know.
    std::optional<PreferenceValue> object(std::string_view key) const;
    std::optional<bool> boolValue(std::string_view key) const;
    /// Finite numbers only: NaN and infinities count as wrongly typed.
    std::optional<double> doubleValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;
    std::optional<std::string> data(std::string_view key) const;
    bool contains(std::string_view key) const;

    void setBool(std::string_view key, bool value);
    void setDouble(std::string_view key, double value);
    void setString(std::string_view key, std::string value);
    void setStringArray(std::string_view key, std::vector<std::string> value);
    void setData(std::string_view key, std::string bytes);
    void remove(std::string_view key);

    /// Blocks until every change made before the call is written; false when the last
    /// write failed (the values stay in memory and the next change tries again).
    bool flush();

    /// From now on nothing reaches the file, not even what is pending: another instance
    /// has taken over and the file is its own. Values still change in memory.
    void detachFromFile();

    /// How many times the file has been written; lets tests see that writes coalesce.
    std::uint64_t writeCount() const;

private:
    void set(std::string_view key, PreferenceValue value);
    void changedLocked();
    void writerLoop();
    bool save(const std::string& text) const;
    void load();

    std::filesystem::path m_path;
    const std::chrono::milliseconds m_minimumInterval;
    mutable std::mutex m_mutex;
    // Shared with the writer's snapshot, so taking one copies no value, however large.
    std::map<std::string, std::shared_ptr<const PreferenceValue>, std::less<>> m_values;
    // Values of forms this version does not read, kept to be written back unchanged.
    std::map<std::string, std::string, std::less<>> m_unknown;
    // False when an unreadable file could not be moved aside: writing would destroy it.
    bool m_writable = true;

    std::uint64_t m_changes = 0;
    std::uint64_t m_written = 0; // the value of m_changes that the last write held
    bool m_lastWriteOk = true;
    bool m_flushRequested = false;
    bool m_stopping = false;
    bool m_detached = false;
    std::uint64_t m_writeCount = 0;
    std::condition_variable m_wakeWriter;
    std::condition_variable m_writeDone;
    std::thread m_writer; // last: started once everything above exists
};

} // namespace quietlane
