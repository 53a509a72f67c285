// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeystatemachine.h"

namespace quietlane {

const char* rawValue(HotKeyMode mode) {
    return mode == HotKeyMode::pushToTalk ? "pushToTalk" : "toggle";
}

HotKeyMode hotKeyModeFromRawValue(const std::optional<std::string>& text) {
    return text && *text == "pushToTalk" ? HotKeyMode::pushToTalk : HotKeyMode::toggle;
}

void HotKeyStateMachine::keyDown(HotKeyMode mode) {
    if (mode == HotKeyMode::toggle) {
        m_microphone.toggle();
        return;
    }
    // A second press before the release (a hold that outlived a mode switch, or a
    // repeat that got through) must not capture the already inverted state.
    if (m_isHolding)
        return;
    m_isHolding = true;
    m_priorMuted = m_microphone.isMuted();
    m_microphone.setMuted(!m_priorMuted);
}

void HotKeyStateMachine::keyUp(HotKeyMode mode) {
    if (mode != HotKeyMode::pushToTalk || !m_isHolding)
        return;
    m_isHolding = false;
    m_microphone.setMuted(m_priorMuted);
}

} // namespace quietlane
