// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/applicationentry.h"

#include "login/autostartentry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quietlane {

namespace fs = std::filesystem;

namespace {

// Marks an entry this program wrote, so that it never touches one the user wrote.
constexpr const char* kWrittenMark = "X-Quietlane-Written";

std::string fileName() {
    return std::string(AutostartEntry::kAppId) + ".desktop";
}

fs::path canonicalOrEmpty(const fs::path& path) {
    std::error_code error;
    const fs::path result = fs::canonical(path, error);
    return error ? fs::path() : result;
}

// A string value: backslash and the three escapable control characters take an escape.
std::string stringValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ApplicationEntry::ApplicationEntry(fs::path userDirectory, std::vector<fs::path> systemDirectories,
                                   fs::path program, std::string searchPath)
    : m_userDirectory(std::move(userDirectory)), m_systemDirectories(std::move(systemDirectories)),
      m_program(std::move(program)), m_searchPath(std::move(searchPath)) {}

ApplicationEntry ApplicationEntry::forProgram(fs::path program) {
    fs::path dataHome;
    const char* xdgDataHome = std::getenv("XDG_DATA_HOME");
    if (xdgDataHome && xdgDataHome[0] == '/') {
        dataHome = xdgDataHome;
    } else {
        const char* home = std::getenv("HOME");
        dataHome = fs::path(home ? home : "/") / ".local/share";
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dirs && dirs[0] ? dirs : "/usr/local/share:/usr/share");
    std::vector<fs::path> systemDirectories;
    std::string item;
    while (std::getline(list, item, ':')) {
        if (!item.empty() && item[0] == '/')
            systemDirectories.push_back(fs::path(item) / "applications");
    }
    const char* path = std::getenv("PATH");
    return ApplicationEntry(dataHome / "applications", std::move(systemDirectories),
                            std::move(program), path ? path : "");
}

fs::path ApplicationEntry::userFile() const {
    return m_userDirectory / fileName();
}

fs::path ApplicationEntry::resolvedProgram(const fs::path& file) const {
    const auto keys = readDesktopEntry(file);
    const auto exec = keys.find("Exec");
    const std::string program =
        exec == keys.end() ? "" : AutostartEntry::programOfExec(exec->second);
    if (program.empty())
        return {};
    if (program[0] == '/')
        return ::access(program.c_str(), X_OK) == 0 ? canonicalOrEmpty(program) : fs::path();
    if (program.find('/') != std::string::npos)
        return {};
    std::stringstream path(m_searchPath);
    std::string directory;
    while (std::getline(path, directory, ':')) {
        const fs::path candidate = fs::path(directory.empty() ? "." : directory) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return canonicalOrEmpty(candidate);
    }
    return {};
}

std::string ApplicationEntry::content() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quietlane\n"
           "GenericName=Microphone Mute\n"
           "Comment=Mute and unmute the microphone for every application at once\n"
           "Exec=" +
           AutostartEntry::execValue(m_program) +
           "\n"
           "TryExec=" +
           stringValue(m_program.string()) +
           "\n"
           "Icon=" +
           std::string(AutostartEntry::kAppId) +
           "\n"
           "Terminal=false\n"
           "Categories=AudioVideo;Audio;\n"
           "StartupNotify=false\n"
           "StartupWMClass=quietlane\n" +
           kWrittenMark + "=true\n";
}

Result<void> ApplicationEntry::update() const {
    const fs::path self = canonicalOrEmpty(m_program);
    const bool haveUserFile = fs::exists(userFile());
    const bool oursWritten = haveUserFile && readDesktopEntry(userFile()).count(kWrittenMark) != 0;
    if (haveUserFile && !oursWritten)
        return {}; // the user's own entry: theirs to keep
    for (const fs::path& directory : m_systemDirectories) {
        const fs::path file = directory / fileName();
        if (!fs::exists(file))
            continue;
        if (!self.empty() && resolvedProgram(file) == self) {
            // An installed entry starts this program: ours would only hide it.
            if (oursWritten && ::unlink(userFile().c_str()) != 0)
                return Failure{"cannot remove " + userFile().string()};
            return {};
        }
        break; // the first one found is the one desktops use
    }
    if (!isRepresentableInEntry(m_program.string())) {
        return Failure{"cannot name " + m_program.string() +
                       " in a desktop entry (control characters or text that is not UTF-8)"};
    }
    const std::string wanted = content();
    if (oursWritten && fileText(userFile()) == wanted)
        return {};
    if (auto written = writeDesktopEntry(userFile(), wanted); !written)
        return written;
    if (resolvedProgram(userFile()) != self) {
        ::unlink(userFile().c_str());
        return Failure{"the entry written to " + userFile().string() +
                       " did not read back as this program; removed it"};
    }
    return {};
}

} // namespace quietlane
