// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/channeldirectory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quietlane {

namespace {

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

// Only the user's own runtime directory may be missing its parents; nothing above it is
// made private, as it is not ours.
bool makeDirectory(const std::string& directory) {
    if (::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const std::string parent = parentOf(directory);
    if (parent == directory || !makeDirectory(parent))
        return false;
    return ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

ChannelLocation ChannelLocation::standard() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* temp = std::getenv("TMPDIR");
    std::string directory = runtime && *runtime
                                ? std::string(runtime) + "/quietlane"
                                : (temp && *temp ? std::string(temp) : std::string("/tmp")) +
                                      "/quietlane-" + std::to_string(::getuid());
    return {directory, directory + "/instance"};
}

ChannelLocation ChannelLocation::at(const std::string& socketPath) {
    return {parentOf(socketPath), socketPath};
}

Result<DirectoryCheck> checkPrivateDirectory(const std::string& directory) {
    // Checked on the opened directory itself, so the answer is about what was opened; the
    // name cannot be swapped afterwards by others, as they cannot write in a private
    // directory and /tmp's sticky bit keeps them from renaming ours.
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return DirectoryCheck::missing;
        struct stat link {};
        // With O_DIRECTORY a link may be reported as "not a directory" rather than ELOOP.
        if (error == ELOOP || (::lstat(directory.c_str(), &link) == 0 && S_ISLNK(link.st_mode)))
            return Failure{directory + " is a symbolic link; refusing to follow it (remove it)"};
        if (error == ENOTDIR)
            return Failure{directory + " is not a directory (remove it)"};
        return Failure{"cannot open " + directory + ": " + std::strerror(error)};
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (!statted)
        return Failure{"cannot inspect " + directory + ": " + std::strerror(errno)};
    if (info.st_uid != ::getuid()) {
        return Failure{directory + " belongs to another user (uid " + std::to_string(info.st_uid) +
                       "); remove it, or set XDG_RUNTIME_DIR to a directory of your own"};
    }
    if ((info.st_mode & 077) != 0) {
        return Failure{directory + " is open to other users (mode " + octal(info.st_mode) +
                       "); remove it or make it private with chmod 700"};
    }
    return DirectoryCheck::isPrivate;
}

Result<void> preparePrivateDirectory(const std::string& directory) {
    if (!makeDirectory(directory))
        return Failure{"cannot create " + directory + ": " + std::strerror(errno)};
    // Between mkdir and the check another user may have made the name first: the check
    // is what decides, never the mkdir.
    const Result<DirectoryCheck> check = checkPrivateDirectory(directory);
    if (!check)
        return Failure{check.error()};
    if (*check == DirectoryCheck::missing)
        return Failure{directory + " vanished while it was being set up"};
    return {};
}

} // namespace quietlane
