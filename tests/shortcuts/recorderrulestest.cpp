// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/recorderrules.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;

namespace {

constexpr Modifiers kCtrlAltSuper = Modifier::control | Modifier::alt | Modifier::super;

RecorderVerdict verdict(int64_t keyCode, Modifiers modifiers) {
    return evaluateRecorderKey(keyCode, modifiers, [](const Shortcut&) { return false; }).verdict;
}

} // namespace

TEST(RecorderRules, SteeringKeysWorkOnlyWithoutModifiers) {
    EXPECT_EQ(verdict(Key::tab, 0), RecorderVerdict::stopAndPass);
    EXPECT_EQ(verdict(Key::escape, 0), RecorderVerdict::cancel);
    EXPECT_EQ(verdict(Key::delete_, 0), RecorderVerdict::clear);
    // With a modifier they are ordinary combinations; Shift alone is not enough.
    EXPECT_EQ(verdict(Key::tab, Modifier::shift), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::escape, Modifier::control), RecorderVerdict::accept);
    // A modifier pressed on its own waits for the rest of the combination.
    EXPECT_EQ(verdict(Key::rightSuper, Modifier::control), RecorderVerdict::wait);
}

TEST(RecorderRules, CombinationsNeedARealModifierUnlessTheKeyIsAnFKey) {
    EXPECT_EQ(verdict(Key::m, Modifier::shift), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::m, Modifier::fn), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::f20, Modifier::shift), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::keypad5, 0), RecorderVerdict::reject);
    // A key code no key has is never stored.
    EXPECT_EQ(verdict(500, kCtrlAltSuper), RecorderVerdict::reject);

    // The accepted shortcut drops the function key.
    const RecorderDecision decision = evaluateRecorderKey(Key::m, kCtrlAltSuper | Modifier::fn, {});
    ASSERT_EQ(decision.verdict, RecorderVerdict::accept);
    EXPECT_EQ(*decision.shortcut, Shortcut(Key::m, kCtrlAltSuper));
}

TEST(RecorderRules, SystemCheckAsksForEveryCombinationExceptALoneF12) {
    std::vector<Shortcut> asked;
    auto everythingTaken = [&](const Shortcut& shortcut) {
        asked.push_back(shortcut);
        return true;
    };
    const RecorderDecision taken = evaluateRecorderKey(Key::m, kCtrlAltSuper, everythingTaken);
    EXPECT_EQ(taken.verdict, RecorderVerdict::usedBySystem);
    ASSERT_TRUE(taken.shortcut);
    EXPECT_EQ(*taken.shortcut, Shortcut(Key::m, kCtrlAltSuper));

    EXPECT_EQ(evaluateRecorderKey(Key::f12, 0, everythingTaken).verdict, RecorderVerdict::accept);
    EXPECT_EQ(evaluateRecorderKey(Key::f12, Modifier::super, everythingTaken).verdict,
              RecorderVerdict::usedBySystem);
    // Rejected and steering keys never reach the check.
    evaluateRecorderKey(Key::m, 0, everythingTaken);
    evaluateRecorderKey(Key::escape, 0, everythingTaken);
    EXPECT_EQ(asked.size(), 2u);
}

TEST(RecorderRules, ReservedDesktopCombinationsMatchKeyAndModifiersExactly) {
    const Modifiers alt = Modifier::alt;
    const Modifiers ctrlAlt = Modifier::control | Modifier::alt;
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::f4, alt)));
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::f1, ctrlAlt)));
    EXPECT_FALSE(isReservedDesktopShortcut(Shortcut(Key::tab, Modifier::control)));
    EXPECT_FALSE(isReservedDesktopShortcut(Shortcut(Key::f4, ctrlAlt | Modifier::shift)));
}

TEST(RecorderRules, MicMuteKeyAndSideButtonsStandAloneTheMiddleButtonNeedsAModifier) {
    EXPECT_EQ(verdict(Key::micMute, 0), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::forwardButton, Modifier::shift), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::middleButton, Modifier::shift), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::middleButton, Modifier::control), RecorderVerdict::accept);
    // Other buttons (the left one is 0x110) are never shortcuts.
    EXPECT_EQ(verdict(0x110, kCtrlAltSuper), RecorderVerdict::reject);
}
