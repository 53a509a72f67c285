// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeystatemachine.h"

namespace quietlane {

const char* rawValue(HotKeyMode mode) {
    switch (mode) {
    case HotKeyMode::pushToTalk:
        return "pushToTalk";
    case HotKeyMode::pushToMute:
        return "pushToMute";
    case HotKeyMode::toggle:
        break;
    }
    return "toggle";
}

HotKeyMode hotKeyModeFromRawValue(const std::optional<std::string>& text) {
    return text && *text == "pushToTalk" ? HotKeyMode::pushToTalk : HotKeyMode::toggle;
}

void HotKeyStateMachine::keyDown(HotKeyMode mode, Clock::time_point) {
    if (mode == HotKeyMode::toggle) {
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
    m_microphone.setMuted(mode == HotKeyMode::pushToMute ? true : !m_priorMuted);
}

void HotKeyStateMachine::keyUp(HotKeyMode mode, Clock::time_point now,
                               std::chrono::milliseconds tail) {
    if (mode == HotKeyMode::toggle || !m_isHolding || m_releaseDue)
        return;
    if (tail <= std::chrono::milliseconds(0)) {
        release();
        return;
    }
    m_releaseDue = now + tail;
}

void HotKeyStateMachine::advance(Clock::time_point now) {
    if (m_releaseDue && now >= *m_releaseDue)
        release();
}

void HotKeyStateMachine::release() {
    m_isHolding = false;
    m_releaseDue.reset();
    m_microphone.setMuted(m_priorMuted);
}

} // namespace quietlane
