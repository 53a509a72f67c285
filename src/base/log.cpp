// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cstdarg>
#include <mutex>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace quietlane::Log {

namespace {

std::mutex g_sinkMutex;
Sink g_sink;

int priority(Level level) {
    switch (level) {
    case Level::info:
        return LOG_INFO;
    case Level::defaultLevel:
        return LOG_NOTICE;
    case Level::error:
        return LOG_ERR;
    }
    return LOG_NOTICE;
}

// Asked at every message (they are rare): a journal that comes up after the program, or a
// test's private one, is used as soon as it is there.
bool journalAvailable() {
    return access("/run/systemd/journal/socket", W_OK) == 0;
}

std::string format(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return {};
    std::string text(std::size_t(length), '\0');
    vsnprintf(text.data(), text.size() + 1, format, arguments);
    return text;
}

} // namespace

const char* categoryName(Category category) {
    switch (category) {
    case Category::audio:
        return "audio";
    case Category::panel:
        return "panel";
    case Category::menu:
        return "menu";
    case Category::login:
        return "login";
    case Category::app:
        return "app";
    }
    return "app";
}

void write(Level level, Category category, const std::string& message) {
    {
        std::lock_guard lock(g_sinkMutex);
        if (g_sink) {
            g_sink(level, category, message);
            return;
        }
    }
    if (journalAvailable()) {
        sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%d", priority(level),
                        "SYSLOG_IDENTIFIER=quietlane", "QUIETLANE_SUBSYSTEM=%s", kSubsystem,
                        "QUIETLANE_CATEGORY=%s", categoryName(category), nullptr);
        return;
    }
    // Without openlog the ident would be the executable's name, which differs between
    // installed and test builds; the journal path above names it explicitly too.
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("quietlane", LOG_PID, LOG_USER); });
    syslog(LOG_USER | priority(level), "[%s] %s", categoryName(category), message.c_str());
}

#define QUIETLANE_LOG_AT(level)                                                                    \
    va_list arguments;                                                                             \
    va_start(arguments, fmt);                                                                      \
    const std::string message = format(fmt, arguments);                                            \
    va_end(arguments);                                                                             \
    write(level, category, message)

void info(Category category, const char* fmt, ...) {
    QUIETLANE_LOG_AT(Level::info);
}
void notice(Category category, const char* fmt, ...) {
    QUIETLANE_LOG_AT(Level::defaultLevel);
}
void error(Category category, const char* fmt, ...) {
    QUIETLANE_LOG_AT(Level::error);
}

void setSink(Sink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

} // namespace quietlane::Log
