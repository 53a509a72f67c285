// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeystatemachine.h"

namespace quietlane {

const char* rawValue(HotkeyMode mode) {
    switch (mode) {
    case HotkeyMode::pushToTalk:
        return "pushToTalk";
    case HotkeyMode::pushToMute:
        return "pushToMute";
    case HotkeyMode::toggle:
        break;
    }
    return "toggle";
}

HotkeyMode hotkeyModeFromRawValue(const std::optional<std::string>& text) {
    return text && *text == "pushToTalk" ? HotkeyMode::pushToTalk : HotkeyMode::toggle;
}

void HotkeyStateMachine::keyDown(HotkeyMode mode, Clock::time_point) {
    if (mode == HotkeyMode::toggle) {
        m_microphone.toggle();
        return;
    }
    // A second press before the release (a hold that outlived a mode switch, a repeat
    // that got through, or a press within the release's tail) must not capture the
    // already changed state: the hold goes on.
    if (m_isHolding) {
        m_releaseDue.reset();
        return;
    }
    m_isHolding = true;
    m_priorMuted = m_microphone.isMuted();
    m_microphone.setMuted(mode == HotkeyMode::pushToMute ? true : !m_priorMuted);
}

void HotkeyStateMachine::keyUp(HotkeyMode mode, Clock::time_point now,
                               std::chrono::milliseconds tail) {
    if (mode == HotkeyMode::toggle || !m_isHolding || m_releaseDue)
        return;
    if (tail <= std::chrono::milliseconds(0)) {
        release();
        return;
    }
    m_releaseDue = now + tail;
}

void HotkeyStateMachine::advance(Clock::time_point now) {
    if (m_releaseDue && now >= *m_releaseDue)
        release();
}

void HotkeyStateMachine::release() {
    m_isHolding = false;
    m_releaseDue.reset();
    m_microphone.setMuted(m_priorMuted);
}

} // namespace quietlane
