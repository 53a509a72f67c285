// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/autostartentry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quietlane {

namespace fs = std::filesystem;

namespace {

std::string fileName() {
    return std::string(AutostartEntry::kAppId) + ".desktop";
}

// The keys of the [Desktop Entry] group; other groups are not ours to read.
std::map<std::string, std::string> readEntry(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        auto trim = [](std::string text) {
            const auto begin = text.find_first_not_of(" \t");
            const auto end = text.find_last_not_of(" \t");
            return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
        };
        keys.emplace(trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
    }
    return keys;
}

bool isTrue(const std::map<std::string, std::string>& keys, const char* key) {
    auto it = keys.find(key);
    return it != keys.end() && it->second == "true";
}

bool isFalse(const std::map<std::string, std::string>& keys, const char* key) {
    auto it = keys.find(key);
    return it != keys.end() && it->second == "false";
}

bool entryExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

Failure describe(const char* what, const fs::path& path, int error) {
    return {std::string(what) + " " + path.string() + ": " + std::strerror(error)};
}

// Temp file, fsync, rename: a crash or a full disk never leaves a half-written entry that
// a session would try to start.
Result<void> writeAtomically(const fs::path& directory, const fs::path& file,
                             const std::string& content) {
    std::error_code error;
    fs::create_directories(directory, error);
    if (error)
        return describe("cannot create", directory, error.value());
    // Appended piece by piece: GCC 12 at -O2 and above takes "." + a temporary string for
    // an overlapping copy (a false -Wrestrict).
    std::string tempName = ".";
    tempName += fileName();
    tempName += ".XXXXXX";
    std::string temp = (directory / tempName).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return describe("cannot write to", directory, errno);
    const char* data = content.data();
    size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            return describe("cannot write", file, saved);
        }
        data += written;
        left -= size_t(written);
    }
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0 || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return describe("cannot write", file, saved);
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return describe("cannot write", file, saved);
    }
    return {};
}

// Exec is a string value: UTF-8 text in which only tab, line feed and carriage return of
// the control characters have an escape.
bool isRepresentable(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7f)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc2 ? 2 : 0;
        if (length == 0 || byte > 0xf4 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// A path for a message: control characters shown as escapes so the message stays one line.
std::string printable(const std::string& path) {
    std::string text;
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            text += escape;
        } else {
            text += c;
        }
    }
    return "\"" + text + "\"";
}

std::vector<fs::path> splitDirectories(const char* list) {
    std::vector<fs::path> result;
    std::stringstream stream(list ? list : "");
    std::string item;
    while (std::getline(stream, item, ':')) {
        if (!item.empty() && item[0] == '/')
            result.push_back(fs::path(item) / "autostart");
    }
    return result;
}

} // namespace

AutostartEntry::AutostartEntry(fs::path userDirectory, std::vector<fs::path> systemDirectories,
                               fs::path program)
    : m_userDirectory(std::move(userDirectory)), m_systemDirectories(std::move(systemDirectories)),
      m_program(std::move(program)) {}

AutostartEntry AutostartEntry::forProgram(fs::path program) {
    fs::path configHome;
    const char* xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        configHome = xdgConfigHome;
    } else {
        const char* home = std::getenv("HOME");
        configHome = fs::path(home ? home : "/") / ".config";
    }
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    auto systemDirectories = splitDirectories(dirs && dirs[0] ? dirs : "/etc/xdg");
    return AutostartEntry(configHome / "autostart", std::move(systemDirectories),
                          std::move(program));
}

fs::path AutostartEntry::userFile() const {
    return m_userDirectory / fileName();
}

AutostartStatus AutostartEntry::status() const {
    fs::path effective = userFile();
    if (!entryExists(effective)) {
        effective.clear();
        for (const fs::path& directory : m_systemDirectories) {
            if (entryExists(directory / fileName())) {
                effective = directory / fileName();
                break;
            }
        }
    }
    if (effective.empty())
        return AutostartStatus::notRegistered;
    const auto keys = readEntry(effective);
    if (isTrue(keys, "Hidden") || isFalse(keys, "X-GNOME-Autostart-enabled"))
        return AutostartStatus::notRegistered;
    auto exec = keys.find("Exec");
    const std::string program = exec == keys.end() ? std::string() : programOfExec(exec->second);
    // A bare name is looked up in PATH by the session; only an absolute path can be checked.
    if (program.empty() || (program[0] == '/' && ::access(program.c_str(), X_OK) != 0))
        return AutostartStatus::notFound;
    return AutostartStatus::enabled;
}

Result<void> AutostartEntry::enable() const {
    const std::string path = m_program.string();
    if (!isRepresentable(path)) {
        return Failure{"cannot start " + printable(path) +
                       " at login: its path holds bytes a desktop entry cannot carry (control "
                       "characters or text that is not UTF-8); move the program to a plainer "
                       "path"};
    }
    const std::string content = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Quietlane\n"
                                "Exec=" +
                                execValue(m_program) +
                                "\n"
                                "Icon=" +
                                std::string(kAppId) +
                                "\n"
                                "Terminal=false\n"
                                "NoDisplay=true\n"
                                "X-GNOME-Autostart-enabled=true\n";
    if (auto written = writeAtomically(m_userDirectory, userFile(), content); !written)
        return written;
    // Read it as a session would: an entry that would start something else is worse than
    // none, and the switch must not show it as on.
    const auto keys = readEntry(userFile());
    const auto exec = keys.find("Exec");
    if (exec == keys.end() || programOfExec(exec->second) != path) {
        ::unlink(userFile().c_str());
        return Failure{"cannot start " + printable(path) + " at login: the entry written to " +
                       userFile().string() + " did not read back as that program; removed it"};
    }
    return {};
}

Result<void> AutostartEntry::disable() const {
    if (::unlink(userFile().c_str()) != 0 && errno != ENOENT)
        return describe("cannot remove", userFile(), errno);
    if (status() == AutostartStatus::enabled) {
        // A system-wide entry of ours would still start the program: hide it for this user.
        return writeAtomically(m_userDirectory, userFile(),
                               "[Desktop Entry]\nType=Application\nName=Quietlane\nHidden=true\n");
    }
    return {};
}

std::string AutostartEntry::execValue(const fs::path& program) {
    const std::string path = program.string();
    // Quoted whenever a character is reserved in Exec, or would need an escape anyway.
    const bool needsQuotes = path.find_first_of(" \t\n\r\"'\\><~|&;$*?#()`=%") != std::string::npos;
    if (!needsQuotes)
        return path;
    // Two layers: inside Exec's quotes ", `, $ and \ take a backslash; then the whole value
    // is a string, where each backslash is written twice and tab, line feed and carriage
    // return become \t, \n and \r (a raw line break would end the line of the entry).
    std::string quoted = "\"";
    for (char c : path) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            quoted += "\\\\";
            quoted += c;
            break;
        case '\\':
            quoted += "\\\\\\\\";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '%':
            quoted += "%%"; // a single one would start a field code
            break;
        default:
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string AutostartEntry::programOfExec(const std::string& exec) {
    // Undo the string escapes first (\\ -> \, \s -> space), then split off the first argument.
    std::string value;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            const char next = exec[++i];
            value += next == 's'   ? ' '
                     : next == 't' ? '\t'
                     : next == 'n' ? '\n'
                     : next == 'r' ? '\r'
                                   : next;
        } else {
            value += exec[i];
        }
    }
    std::string program;
    size_t i = value.find_first_not_of(' ');
    if (i == std::string::npos)
        return {};
    if (value[i] != '"') {
        const size_t end = value.find(' ', i);
        program = value.substr(i, end == std::string::npos ? std::string::npos : end - i);
    } else {
        for (++i; i < value.size() && value[i] != '"'; ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            program += value[i];
        }
        if (i >= value.size())
            return {}; // unterminated quote
    }
    std::string unpercented;
    for (size_t k = 0; k < program.size(); ++k) {
        unpercented += program[k];
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%')
            ++k;
    }
    return unpercented;
}

std::map<std::string, std::string> readDesktopEntry(const fs::path& file) {
    return readEntry(file);
}

Result<void> writeDesktopEntry(const fs::path& file, const std::string& content) {
    return writeAtomically(file.parent_path(), file, content);
}

bool isRepresentableInEntry(const std::string& text) {
    return isRepresentable(text);
}

} // namespace quietlane
