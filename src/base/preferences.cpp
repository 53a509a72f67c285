// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferences.h"

#include "base/log.h"
#include "base/preferencesformat.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quietlane {

namespace fs = std::filesystem;

namespace {

// Owns a file descriptor so that every early return closes it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::string errorText(int error) {
    return std::strerror(error);
}

// Reads the whole file; nothing with errno set when it cannot be read.
std::optional<std::string> readFile(const fs::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (count == 0)
            return text;
        text.append(buffer, std::size_t(count));
    }
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t count = ::write(fd, text.data(), text.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(std::size_t(count));
    }
    return true;
}

// Creates the missing directories of `directory` with mode 0700, as the XDG base
// directory rules ask for directories the program makes under the user's config home.
bool makeDirectories(const fs::path& directory) {
    if (directory.empty() || ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT || directory == directory.parent_path())
        return false;
    if (!makeDirectories(directory.parent_path()))
        return false;
    return ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

// A link kept by a dotfile manager must stay a link: writes go to the file it finally
// points at, replaced atomically beside it.
fs::path writeTarget(const fs::path& path) {
    fs::path target = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error)))
            return target;
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

std::string utcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

} // namespace

Preferences::Preferences(fs::path file, std::chrono::milliseconds minimumInterval)
    : m_path(std::move(file)), m_minimumInterval(minimumInterval) {
    load();
    m_writer = std::thread([this] { writerLoop(); });
}

Preferences::~Preferences() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wakeWriter.notify_one();
    m_writer.join();
}

fs::path Preferences::defaultPath() {
    fs::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".config";
    else
        base = fs::path(".config");
    return base / "quietlane" / "preferences.json";
}

void Preferences::load() {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(m_path, error)))
        return; // first launch: nothing stored yet
    const auto text = readFile(m_path);
    const int readError = errno;
    // A dotfile manager's link whose target is not there yet: the link stays, and the
    // first write creates the file it points at.
    if (!text && readError == ENOENT)
        return;
    if (text) {
        if (auto document = parsePreferences(*text)) {
            for (auto& [key, value] : document->values)
                m_values.emplace(key, std::make_shared<const PreferenceValue>(std::move(value)));
            m_unknown = std::move(document->unknown);
            return;
        }
    }

    // Keep what could not be understood: the user may want it back, and a later write
    // must not destroy it silently. A second corruption in the same second gets a suffix.
    const std::string reason = text ? "is not a valid preferences file"
                                    : "could not be read (" + errorText(readError) + ")";
    fs::path aside = m_path;
    aside += ".corrupt-" + utcTimestamp();
    for (int n = 1; fs::exists(fs::symlink_status(aside, error)); ++n) {
        aside = m_path;
        aside += ".corrupt-" + utcTimestamp() + "-" + std::to_string(n);
    }
    if (::rename(m_path.c_str(), aside.c_str()) != 0) {
        m_writable = false;
        Log::error(Log::Category::app,
                   "preferences file %s %s and could not be moved aside (%s); settings will "
                   "not be saved until it is fixed or removed",
                   m_path.c_str(), reason.c_str(), errorText(errno).c_str());
        return;
    }
    Log::notice(Log::Category::app,
                "preferences file %s %s; moved it to %s and started with default settings",
                m_path.c_str(), reason.c_str(), aside.c_str());
}

std::optional<PreferenceValue> Preferences::object(std::string_view key) const {
    std::shared_ptr<const PreferenceValue> value;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_values.find(key);
        if (it == m_values.end())
            return std::nullopt;
        value = it->second;
    }
    return *value;
}

namespace {
template <typename T> std::optional<T> typed(const std::optional<PreferenceValue>& value) {
    if (value && std::holds_alternative<T>(*value))
        return std::get<T>(*value);
    return std::nullopt;
}
} // namespace

std::optional<bool> Preferences::boolValue(std::string_view key) const {
    return typed<bool>(object(key));
}

std::optional<double> Preferences::doubleValue(std::string_view key) const {
    auto value = typed<double>(object(key));
    if (value && !std::isfinite(*value))
        return std::nullopt;
    return value;
}

std::optional<std::string> Preferences::stringValue(std::string_view key) const {
    return typed<std::string>(object(key));
}

std::optional<std::vector<std::string>> Preferences::stringArray(std::string_view key) const {
    return typed<std::vector<std::string>>(object(key));
}

std::optional<std::string> Preferences::data(std::string_view key) const {
    if (auto blob = typed<Blob>(object(key)))
        return std::move(blob->bytes);
    return std::nullopt;
}

bool Preferences::contains(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    return m_values.find(key) != m_values.end();
}

void Preferences::setBool(std::string_view key, bool value) {
    set(key, value);
}
void Preferences::setDouble(std::string_view key, double value) {
    set(key, value);
}
void Preferences::setString(std::string_view key, std::string value) {
    set(key, std::move(value));
}
void Preferences::setStringArray(std::string_view key, std::vector<std::string> value) {
    set(key, std::move(value));
}
void Preferences::setData(std::string_view key, std::string bytes) {
    set(key, Blob{std::move(bytes)});
}

void Preferences::remove(std::string_view key) {
    std::lock_guard lock(m_mutex);
    const auto known = m_values.find(key);
    const auto unknown = m_unknown.find(key);
    if (known == m_values.end() && unknown == m_unknown.end())
        return;
    if (known != m_values.end())
        m_values.erase(known);
    if (unknown != m_unknown.end())
        m_unknown.erase(unknown);
    changedLocked();
}

void Preferences::set(std::string_view key, PreferenceValue value) {
    std::lock_guard lock(m_mutex);
    if (const auto unknown = m_unknown.find(key); unknown != m_unknown.end())
        m_unknown.erase(unknown);
    m_values.insert_or_assign(std::string(key),
                              std::make_shared<const PreferenceValue>(std::move(value)));
    changedLocked();
}

void Preferences::changedLocked() {
    ++m_changes;
    m_wakeWriter.notify_one();
}

bool Preferences::flush() {
    std::unique_lock lock(m_mutex);
    if (m_detached)
        return false;
    const std::uint64_t wanted = m_changes;
    if (m_written < wanted) {
        m_flushRequested = true;
        m_wakeWriter.notify_one();
        m_writeDone.wait(lock, [&] { return m_detached || m_written >= wanted; });
    }
    return !m_detached && m_lastWriteOk;
}

void Preferences::detachFromFile() {
    {
        std::lock_guard lock(m_mutex);
        m_detached = true;
    }
    m_wakeWriter.notify_one();
    m_writeDone.notify_all();
}

std::uint64_t Preferences::writeCount() const {
    std::lock_guard lock(m_mutex);
    return m_writeCount;
}

// One thread writes, so an older map can never be renamed over a newer one; values that
// change while a write is due or under way go out together in the next one.
void Preferences::writerLoop() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    Clock::time_point lastWrite = Clock::time_point::min();
    for (;;) {
        m_wakeWriter.wait(lock, [&] { return m_stopping || m_detached || m_written < m_changes; });
        if (m_detached || m_written == m_changes)
            return; // stopping with nothing pending, or no longer ours to write
        if (lastWrite != Clock::time_point::min()) {
            m_wakeWriter.wait_until(lock, lastWrite + m_minimumInterval,
                                    [&] { return m_stopping || m_detached || m_flushRequested; });
            if (m_detached)
                return;
        }
        m_flushRequested = false;
        const std::uint64_t changes = m_changes;
        // The copy is all the lock covers: encoding and the disk happen without it.
        const auto values = m_values;
        const auto unknown = m_unknown;
        lock.unlock();
        lastWrite = Clock::now();
        const bool ok = save(serializePreferences(values, unknown));
        lock.lock();
        m_written = changes;
        m_lastWriteOk = ok;
        ++m_writeCount;
        m_writeDone.notify_all();
    }
}

bool Preferences::save(const std::string& text) const {
    const auto fail = [this](const char* step, int error) {
        Log::error(Log::Category::app, "could not save preferences to %s: %s failed: %s",
                   m_path.c_str(), step, errorText(error).c_str());
        return false;
    };
    if (!m_writable) {
        Log::error(Log::Category::app,
                   "could not save preferences to %s: the unreadable file there is kept",
                   m_path.c_str());
        return false;
    }
    const fs::path target = writeTarget(m_path);
    const fs::path directory = target.parent_path();
    if (!makeDirectories(directory))
        return fail("creating the directory", errno);

    // Appended piece by piece: GCC 12 at -O2 and above takes the concatenation of a
    // literal and a temporary string for an overlapping copy (a false -Wrestrict).
    std::string tempName = ".";
    tempName += target.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (directory / tempName).string();
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return fail("creating a temporary file", errno);
    // A file the user made readable to others (say in a dotfiles repository) stays so.
    if (struct stat existing{}; ::stat(target.c_str(), &existing) == 0)
        ::fchmod(fd.get(), existing.st_mode & 07777);
    if (!writeAll(fd.get(), text) || ::fsync(fd.get()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail("writing", error);
    }
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail("writing", error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail("replacing the file", error);
    }
    // Without this the rename itself may not survive a power loss.
    FileDescriptor dir(
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0)
        return fail("syncing the directory", errno);
    return true;
}

} // namespace quietlane
