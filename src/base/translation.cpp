// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/translation.h"

#include <atomic>

namespace quietlane {

namespace {
std::atomic<TranslatorFunction> g_translator{nullptr};
}

void installTranslator(TranslatorFunction translator) {
    g_translator.store(translator);
}

std::string translated(const char* sourceText) {
    if (auto translator = g_translator.load())
        return translator("quietlane", sourceText);
    return sourceText;
}

} // namespace quietlane
