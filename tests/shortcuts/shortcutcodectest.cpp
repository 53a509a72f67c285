// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutcodec.h"
#include "shortcuts/name.h"

#include <gtest/gtest.h>

#include <set>

using namespace quietlane::GlobalShortcuts;

TEST(ShortcutCodec, WritesTheNumbersEarlierVersionsReadAndReadsBack) {
    EXPECT_EQ(encodeShortcut(*Name::toggleMute().defaultShortcut),
              R"({"carbonKeyCode":46,"carbonModifiers":6400})");
    EXPECT_EQ(encodeShortcut(Shortcut(Key::k, Modifier::control | Modifier::alt)),
              R"({"carbonKeyCode":40,"carbonModifiers":6144})");
    EXPECT_EQ(decodeShortcut(R"({"carbonModifiers":131584,"carbonKeyCode":122})"),
              Shortcut(Key::f1, Modifier::shift | Modifier::fn));

    // Every stored code that names a key gives a distinct key and comes back as it was, so
    // a slip in the table cannot move a shortcut onto another key.
    std::set<int64_t> keys;
    for (int code = 0; code < 600; ++code) {
        const std::string text =
            R"({"carbonKeyCode":)" + std::to_string(code) + R"(,"carbonModifiers":0})";
        const auto decoded = decodeShortcut(text);
        if (!decoded)
            continue;
        EXPECT_TRUE(keys.insert(decoded->keyCode).second) << code;
        EXPECT_EQ(encodeShortcut(*decoded), text);
    }
    EXPECT_EQ(keys.size(), 117u);
    EXPECT_EQ(encodeShortcut(Shortcut(4000)), std::nullopt);
}

TEST(ShortcutCodec, UnknownModifierBitsMatchNoPressAndAreWrittenBackAsRead) {
    const std::string text = R"({"carbonKeyCode":46,"carbonModifiers":6401})";
    const auto decoded = decodeShortcut(text);
    ASSERT_TRUE(decoded);
    EXPECT_NE(*decoded, *Name::toggleMute().defaultShortcut);
    EXPECT_EQ(encodeShortcut(*decoded), text);
}

TEST(ShortcutCodec, AnythingThatIsNotAKeyReadsAsNoShortcut) {
    for (const char* bad : {"", "nonsense", "[]", "46", R"({"carbonKeyCode":46})",
                            R"({"carbonKeyCode":"46","carbonModifiers":6400})",
                            R"({"carbonKeyCode":46.5,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":-1,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":128,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})",
                            R"({"carbonKeyCode":9223372036854775807,"carbonModifiers":0})"}) {
        EXPECT_FALSE(decodeShortcut(bad)) << bad;
    }
}
