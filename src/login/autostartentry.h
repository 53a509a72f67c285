// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// The launch-at-login registry's answers. The values are those the login-item switch
/// has always reported, so the UI logic does not depend on where the registry lives.
enum class AutostartStatus {
    notRegistered = 0,
    enabled = 1,
    notFound = 3,
};

/// The keys of a desktop entry's [Desktop Entry] group.
std::map<std::string, std::string> readDesktopEntry(const std::filesystem::path& file);
/// Writes a desktop entry whole or not at all (temp file, fsync, rename), creating its
/// directory.
Result<void> writeDesktopEntry(const std::filesystem::path& file, const std::string& content);
/// Whether a path can stand in a desktop entry's string value (UTF-8, and of the control
/// characters only tab and line breaks, which have escapes).
bool isRepresentableInEntry(const std::string& text);

/// Launch at login through an XDG autostart entry. The registry is the file
/// "<id>.desktop" in the user's autostart directory, which overrides an entry of the same
/// name in a system directory ($XDG_CONFIG_DIRS/autostart):
///   - no entry anywhere, or the effective entry is Hidden or disabled -> notRegistered;
///   - an effective entry whose program is missing (the binary moved or was removed since
///     it was registered) -> notFound: it would start nothing at login;
///   - otherwise -> enabled.
class AutostartEntry {
public:
    /// The entry's file name without ".desktop"; the same id as the log subsystem.
    static constexpr const char* kAppId = "com.quietlane.Quietlane";

    AutostartEntry(std::filesystem::path userDirectory,
                   std::vector<std::filesystem::path> systemDirectories,
                   std::filesystem::path program);

    /// The directories from $XDG_CONFIG_HOME (or ~/.config) and $XDG_CONFIG_DIRS.
    static AutostartEntry forProgram(std::filesystem::path program);

    AutostartStatus status() const;

    /// Writes the user entry starting `program`.
    Result<void> enable() const;
    /// Removes the user entry; when a system entry would then start the program, writes
    /// a Hidden entry over it instead.
    Result<void> disable() const;

    std::filesystem::path userFile() const;

    /// The Exec value for `program`, quoted as desktop entries require.
    static std::string execValue(const std::filesystem::path& program);
    /// The program (first argument) of an Exec value; empty when it cannot be read.
    static std::string programOfExec(const std::string& exec);

private:
    std::filesystem::path m_userDirectory;
    std::vector<std::filesystem::path> m_systemDirectories;
    std::filesystem::path m_program;
};

} // namespace quietlane
