// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quietlane {

/// What the global shortcut does; the raw values are the stored form under "hotkeyMode".
enum class HotKeyMode { toggle, pushToTalk };

const char* rawValue(HotKeyMode mode);
/// Only the exact text "pushToTalk" selects push-to-talk; anything else, or nothing, is
/// toggle.
HotKeyMode hotKeyModeFromRawValue(const std::optional<std::string>& text);

/// Turns shortcut presses and releases into mute requests. In push-to-talk the state
/// from before the press is restored on release, whatever happened in between.
class HotKeyStateMachine {
public:
    struct Microphone {
        std::function<bool()> isMuted;
        std::function<void()> toggle;
        std::function<void(bool)> setMuted;
    };

    explicit HotKeyStateMachine(Microphone microphone) : m_microphone(std::move(microphone)) {}

    void keyDown(HotKeyMode mode);
    void keyUp(HotKeyMode mode);

    bool isHolding() const { return m_isHolding; }

private:
    Microphone m_microphone;
    bool m_isHolding = false;
    bool m_priorMuted = false;
};

} // namespace quietlane
