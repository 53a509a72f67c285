// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/recorderrules.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;

namespace {

constexpr uint64_t kCtrlAltCmd =
    EventModifier::control | EventModifier::option | EventModifier::command;

RecorderVerdict verdict(int64_t keyCode, uint64_t modifiers) {
    return evaluateRecorderKey(keyCode, modifiers, [](const Shortcut&) { return false; }).verdict;
}

} // namespace

TEST(RecorderRules, SteeringKeysWorkOnlyWithoutModifiers) {
    EXPECT_EQ(verdict(Key::tab, 0), RecorderVerdict::stopAndPass);
    EXPECT_EQ(verdict(Key::escape, EventFlag::capsLock), RecorderVerdict::cancel);
    EXPECT_EQ(verdict(Key::delete_, 0), RecorderVerdict::clear);
    EXPECT_EQ(verdict(Key::deleteForward, EventFlag::numericPad), RecorderVerdict::clear);
    // With a modifier they are ordinary combinations: Shift alone is not enough...
    EXPECT_EQ(verdict(Key::tab, EventModifier::shift), RecorderVerdict::reject);
    // ...a real modifier makes a shortcut of them.
    EXPECT_EQ(verdict(Key::escape, EventModifier::control), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::delete_, kCtrlAltCmd), RecorderVerdict::accept);
    // A modifier pressed on its own waits for the rest of the combination.
    EXPECT_EQ(verdict(Key::control, 0), RecorderVerdict::wait);
    EXPECT_EQ(verdict(Key::rightCommand, EventModifier::control), RecorderVerdict::wait);
}

TEST(RecorderRules, CombinationsNeedARealModifierUnlessTheKeyIsAnFKey) {
    EXPECT_EQ(verdict(Key::m, 0), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::m, EventModifier::shift), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::m, EventModifier::function | EventFlag::capsLock),
              RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::f5, 0), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::f20, EventModifier::shift), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::keypad5, 0), RecorderVerdict::reject);
    // A key code no key has is never stored.
    EXPECT_EQ(verdict(500, kCtrlAltCmd), RecorderVerdict::reject);

    // The accepted shortcut drops the lock and function bits.
    const RecorderDecision decision = evaluateRecorderKey(
        Key::m, kCtrlAltCmd | EventFlag::capsLock | EventModifier::function, {});
    ASSERT_EQ(decision.verdict, RecorderVerdict::accept);
    EXPECT_EQ(*decision.shortcut, Shortcut(Key::m, 6400));
}

TEST(RecorderRules, SystemCheckAsksForEveryCombinationExceptALoneF12) {
    std::vector<Shortcut> asked;
    auto everythingTaken = [&](const Shortcut& shortcut) {
        asked.push_back(shortcut);
        return true;
    };
    const RecorderDecision taken = evaluateRecorderKey(Key::m, kCtrlAltCmd, everythingTaken);
    EXPECT_EQ(taken.verdict, RecorderVerdict::usedBySystem);
    ASSERT_TRUE(taken.shortcut);
    EXPECT_EQ(*taken.shortcut, Shortcut(Key::m, 6400));

    EXPECT_EQ(evaluateRecorderKey(Key::f12, EventFlag::capsLock, everythingTaken).verdict,
              RecorderVerdict::accept);
    EXPECT_EQ(evaluateRecorderKey(Key::f12, EventModifier::command, everythingTaken).verdict,
              RecorderVerdict::usedBySystem);
    // Rejected and steering keys never reach the check.
    evaluateRecorderKey(Key::m, 0, everythingTaken);
    evaluateRecorderKey(Key::escape, 0, everythingTaken);
    EXPECT_EQ(asked.size(), 2u);
}

TEST(RecorderRules, ReservedDesktopCombinationsMatchKeyAndModifiersExactly) {
    const int64_t alt = CarbonModifier::option;
    const int64_t ctrlAlt = CarbonModifier::control | CarbonModifier::option;
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::tab, alt)));
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::f4, alt)));
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::f1, ctrlAlt)));
    EXPECT_TRUE(isReservedDesktopShortcut(Shortcut(Key::l, CarbonModifier::command)));
    EXPECT_FALSE(isReservedDesktopShortcut(Shortcut(Key::tab, CarbonModifier::control)));
    EXPECT_FALSE(isReservedDesktopShortcut(Shortcut(Key::f4, ctrlAlt | CarbonModifier::shift)));
    EXPECT_FALSE(isReservedDesktopShortcut(Shortcut(Key::m, 6400)));
}

TEST(RecorderRules, MicMuteKeyAndSideButtonsStandAloneTheMiddleButtonNeedsAModifier) {
    EXPECT_EQ(verdict(Key::micMute, 0), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::backButton, 0), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::forwardButton, EventModifier::shift), RecorderVerdict::accept);
    EXPECT_EQ(verdict(Key::middleButton, 0), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::middleButton, EventModifier::shift), RecorderVerdict::reject);
    EXPECT_EQ(verdict(Key::middleButton, EventModifier::control), RecorderVerdict::accept);
    // Other buttons (the left one is 513) are never shortcuts.
    EXPECT_EQ(verdict(Key::kMouseButtonBase + 1, kCtrlAltCmd), RecorderVerdict::reject);
}
