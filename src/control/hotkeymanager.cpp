// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeymanager.h"

#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "shortcuts/shortcutcenter.h"

#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace quietlane {

namespace {
constexpr const char* kModeKey = "hotkeyMode";
constexpr const char* kTailKey = "pushToTalkTailMs";
using Clock = HotkeyStateMachine::Clock;

int limitedTail(double milliseconds) {
    return int(std::lround(std::clamp(milliseconds, 0.0, double(HotkeyManager::kMaxTailMs))));
}
} // namespace

QString HotkeyManager::title(HotkeyMode mode) {
    return mode == HotkeyMode::pushToTalk ? tr("Зажатие (PTT)") : tr("Переключение");
}

HotkeyManager::HotkeyManager(MicrophoneController& microphone,
                             GlobalShortcuts::ShortcutCenter& shortcuts, Preferences& preferences,
                             QObject* parent)
    : QObject(parent), m_microphone(microphone), m_preferences(preferences),
      m_stateMachine({[this] { return m_microphone.intendedMuted(); },
                      [this] { m_microphone.toggle(); },
                      [this](bool muted) {
                          m_microphone.setMuted(muted);
                      }}),
      m_pushToMute({[this] { return m_microphone.intendedMuted(); }, [] {},
                    [this](bool muted) {
                        m_microphone.setMuted(muted);
                    }}),
      m_tailMs(limitedTail(m_preferences.doubleValue(kTailKey).value_or(0))) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_mode = hotkeyModeFromRawValue(m_preferences.stringValue(kModeKey));

    m_tailTimer.setSingleShot(true);
    m_tailTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_tailTimer, &QTimer::timeout, this, &HotkeyManager::tailElapsed);

    using GlobalShortcuts::Name;
    attach(
        shortcuts, shortcuts.declare(Name::toggleMute()), [this] { keyDown(); },
        [this] { keyUp(); });
    attach(
        shortcuts, Name::mute(), [this] { m_microphone.setMuted(true); }, [] {});
    attach(
        shortcuts, Name::unmute(), [this] { m_microphone.setMuted(false); }, [] {});
    attach(
        shortcuts, Name::pushToMute(),
        [this] { m_pushToMute.keyDown(HotkeyMode::pushToMute, Clock::now()); },
        [this] { pushToMuteUp(); });
}

void HotkeyManager::attach(GlobalShortcuts::ShortcutCenter& shortcuts,
                           const GlobalShortcuts::Name& name, std::function<void()> onKeyDown,
                           std::function<void()> onKeyUp) {
    std::weak_ptr<bool> alive = m_alive;
    shortcuts.onKeyDown(name, [this, alive, onKeyDown = std::move(onKeyDown)] {
        // Handlers come from the key hook's event pump on the main thread; anything else
        // is a wiring fault that would race the microphone state.
        Q_ASSERT(alive.expired() || QThread::currentThread() == thread());
        if (!alive.expired())
            onKeyDown();
    });
    shortcuts.onKeyUp(name, [this, alive, onKeyUp = std::move(onKeyUp)] {
        Q_ASSERT(alive.expired() || QThread::currentThread() == thread());
        if (!alive.expired())
            onKeyUp();
    });
}

HotkeyManager::~HotkeyManager() = default;

void HotkeyManager::setMode(HotkeyMode mode) {
    // Push-to-mute is a shortcut of its own, never the main shortcut's stored mode.
    if (mode == HotkeyMode::pushToMute)
        mode = HotkeyMode::toggle;
    const bool changed = mode != m_mode;
    m_mode = mode;
    m_preferences.setString(kModeKey, rawValue(mode));
    if (changed)
        emit modeChanged(mode);
}

void HotkeyManager::setPushToTalkTailMs(int milliseconds) {
    const int limited = limitedTail(milliseconds);
    const bool changed = limited != m_tailMs;
    m_tailMs = limited;
    m_preferences.setDouble(kTailKey, limited);
    if (changed)
        emit pushToTalkTailMsChanged(limited);
}

void HotkeyManager::keyDown() {
    m_stateMachine.keyDown(m_mode, Clock::now());
    scheduleTail();
}

void HotkeyManager::keyUp() {
    m_stateMachine.keyUp(m_mode, Clock::now(), std::chrono::milliseconds(m_tailMs));
    scheduleTail();
}

void HotkeyManager::pushToMuteUp() {
    m_pushToMute.keyUp(HotkeyMode::pushToMute, Clock::now(), std::chrono::milliseconds(m_tailMs));
    scheduleTail();
}

void HotkeyManager::scheduleTail() {
    std::optional<Clock::time_point> due = m_stateMachine.releaseDue();
    if (const auto other = m_pushToMute.releaseDue(); other && (!due || *other < *due))
        due = other;
    if (!due) {
        m_tailTimer.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
    m_tailTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void HotkeyManager::tailElapsed() {
    const Clock::time_point now = Clock::now();
    m_stateMachine.advance(now);
    m_pushToMute.advance(now);
    scheduleTail();
}

} // namespace quietlane
