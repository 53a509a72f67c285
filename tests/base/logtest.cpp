// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quietlane;

TEST(Log, DeliversLevelCategoryAndTheTextFormattedOnce) {
    std::vector<std::string> lines;
    Log::setSink([&](Log::Level level, Log::Category category, const std::string& text) {
        lines.push_back(Log::categoryName(category) + (":" + std::to_string(int(level))) + " " +
                        text);
    });
    Log::error(Log::Category::audio, "setMute failed: %d for %s", -50, "alsa_input.usb");
    Log::notice(Log::Category::panel, "widget shown");
    Log::error(Log::Category::login, "login item toggle failed: %s", "100% sure");
    Log::setSink({});
    EXPECT_EQ(lines, (std::vector<std::string>{"audio:2 setMute failed: -50 for alsa_input.usb",
                                               "panel:1 widget shown",
                                               "login:2 login item toggle failed: 100% sure"}));
}

TEST(Log, NeverWritesToStandardOutput) {
    // Standard output carries the device listing; a log line there would corrupt it.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    Log::info(Log::Category::app, "AppEnvironment initialized");
    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    ::close(pipeEnds[1]);
    char buffer[64];
    EXPECT_EQ(::read(pipeEnds[0], buffer, sizeof buffer), 0);
    ::close(pipeEnds[0]);
}

namespace {

// The fields of one entry in the journal's native protocol: KEY=value lines, or a KEY line
// followed by a little-endian 64-bit length and that many bytes.
std::map<std::string, std::string> journalFields(const std::string& datagram) {
    std::map<std::string, std::string> fields;
    std::size_t at = 0;
    while (at < datagram.size()) {
        const std::size_t end = datagram.find('\n', at);
        if (end == std::string::npos)
            break;
        const std::string line = datagram.substr(at, end - at);
        if (const auto equals = line.find('='); equals != std::string::npos) {
            fields[line.substr(0, equals)] = line.substr(equals + 1);
            at = end + 1;
            continue;
        }
        std::uint64_t length = 0;
        std::memcpy(&length, datagram.data() + end + 1, sizeof length);
        fields[line] = datagram.substr(end + 1 + sizeof length, length);
        at = end + 1 + sizeof length + length + 1;
    }
    return fields;
}

// In a child with a mount namespace of its own, a socket where the journal's would be
// catches what the log sends; the child writes the received fields to `out`.
[[noreturn]] void logIntoPrivateJournal(int out) {
    const auto fail = [out](const char* step) {
        const std::string text = std::string("SKIP ") + step + ": " + std::strerror(errno);
        (void)!::write(out, text.data(), text.size());
        ::_exit(0);
    };
    if (::unshare(CLONE_NEWNS) != 0)
        fail("unshare");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        fail("making mounts private");
    ::mkdir("/run", 0755);
    ::mkdir("/run/systemd", 0755);
    if (::mount("tmpfs", "/run/systemd", "tmpfs", 0, nullptr) != 0)
        fail("mounting a tmpfs on /run/systemd");
    ::mkdir("/run/systemd/journal", 0755);
    const int journal = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "/run/systemd/journal/socket");
    if (::bind(journal, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail("binding the journal socket");

    Log::error(Log::Category::login, "login item toggle failed: %s", "100% sure");
    Log::info(Log::Category::app, "AppEnvironment initialized");
    std::string report;
    for (int i = 0; i < 2; ++i) {
        std::string datagram(65536, '\0');
        const ssize_t size = ::recv(journal, datagram.data(), datagram.size(), MSG_DONTWAIT);
        datagram.resize(size < 0 ? 0 : std::size_t(size));
        for (const auto& [key, value] : journalFields(datagram)) {
            if (key != "CODE_FILE" && key != "CODE_LINE" && key != "CODE_FUNC")
                report += key + "=" + value + "\n";
        }
        report += "--\n";
    }
    (void)!::write(out, report.data(), report.size());
    ::_exit(0);
}

} // namespace

TEST(Log, JournalEntriesCarryTheIdentifierSubsystemCategoryAndPriority) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        logIntoPrivateJournal(pipeEnds[1]);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t count; (count = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, std::size_t(count));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (report.starts_with("SKIP "))
        GTEST_SKIP() << "no private mount namespace here: " << report.substr(5);
    EXPECT_EQ(report, "MESSAGE=login item toggle failed: 100% sure\n"
                      "PRIORITY=3\n"
                      "QUIETLANE_CATEGORY=login\n"
                      "QUIETLANE_SUBSYSTEM=com.quietlane.Quietlane\n"
                      "SYSLOG_IDENTIFIER=quietlane\n"
                      "--\n"
                      "MESSAGE=AppEnvironment initialized\n"
                      "PRIORITY=6\n"
                      "QUIETLANE_CATEGORY=app\n"
                      "QUIETLANE_SUBSYSTEM=com.quietlane.Quietlane\n"
                      "SYSLOG_IDENTIFIER=quietlane\n"
                      "--\n");
}
