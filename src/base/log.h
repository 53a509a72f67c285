// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace quietlane::Log {

constexpr const char* kSubsystem = "com.quietlane.Quietlane";

enum class Category { audio, panel, menu, login, app };
enum class Level { info, defaultLevel, error };

const char* categoryName(Category category);

/// Sends one message to the system journal (syslog when no journal runs). Never stdout.
void write(Level level, Category category, const std::string& message);

void info(Category category, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void notice(Category category, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void error(Category category, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

/// Tests capture messages here instead of the journal; an empty sink restores the journal.
using Sink = std::function<void(Level, Category, const std::string&)>;
void setSink(Sink sink);

} // namespace quietlane::Log
