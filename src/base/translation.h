// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The core has no Qt, yet its few user-visible texts must reach Qt's translation tools:
// lupdate collects every QT_TRANSLATE_NOOP("quietlane", ...) and the UI installs the
// translator that looks them up at run time.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace quietlane {

using TranslatorFunction = std::string (*)(const char* context, const char* sourceText);

/// Installed once at start-up, before any other thread runs; the default returns the source.
void installTranslator(TranslatorFunction translator);

/// The text for the current interface language; `sourceText` is the Russian source.
std::string translated(const char* sourceText);

} // namespace quietlane
