// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quietlane {

/// The application's desktop entry ("<id>.desktop"), which the desktop portal needs to
/// accept the application id: it must be installed where desktops look for applications
/// and start a program that exists. A package or `cmake --install` into a standard prefix
/// installs one; for any other prefix (or a build tree) the user's applications directory
/// gets one naming this program by its absolute path. That entry carries a mark, so only
/// an entry written here is ever replaced or removed, and TryExec, so no desktop shows it
/// once the program is gone. Being of the same id, it stands in for a system entry rather
/// than beside it: the menu never shows the program twice.
class ApplicationEntry {
public:
    ApplicationEntry(std::filesystem::path userDirectory,
                     std::vector<std::filesystem::path> systemDirectories,
                     std::filesystem::path program, std::string searchPath);

    /// The directories from $XDG_DATA_HOME (or ~/.local/share) and $XDG_DATA_DIRS, and $PATH.
    static ApplicationEntry forProgram(std::filesystem::path program);

    /// Makes the id resolve to this program: nothing to do when an installed entry already
    /// starts it (a stale entry of ours that would hide it is removed); otherwise the
    /// user's entry is written, unless the user keeps one of their own.
    Result<void> update() const;

    std::filesystem::path userFile() const;

private:
    /// The program an entry's Exec starts, found as the desktop would (absolute, or on the
    /// search path); empty when it starts nothing.
    std::filesystem::path resolvedProgram(const std::filesystem::path& file) const;
    std::string content() const;

    std::filesystem::path m_userDirectory;
    std::vector<std::filesystem::path> m_systemDirectories;
    std::filesystem::path m_program;
    std::string m_searchPath;
};

} // namespace quietlane
