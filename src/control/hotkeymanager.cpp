// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeymanager.h"

#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "shortcuts/shortcutcenter.h"

#include <QThread>
#include <QtGlobal>

namespace quietlane {

namespace {
constexpr const char* kModeKey = "hotkeyMode";

HotKeyMode toCore(HotKeyManager::Mode mode) {
    return mode == HotKeyManager::Mode::pushToTalk ? HotKeyMode::pushToTalk : HotKeyMode::toggle;
}
} // namespace

QString HotKeyManager::title(Mode mode) {
    return mode == Mode::pushToTalk ? tr("Зажатие (PTT)") : tr("Переключение");
}

QString HotKeyManager::rawValue(Mode mode) {
    return QString::fromLatin1(quietlane::rawValue(toCore(mode)));
}

HotKeyManager::HotKeyManager(MicrophoneController& microphone,
                             GlobalShortcuts::ShortcutCenter& shortcuts, Preferences& preferences,
                             QObject* parent)
    : QObject(parent), m_microphone(microphone), m_preferences(preferences),
      m_stateMachine({[this] { return m_microphone.intendedMuted(); },
                      [this] { m_microphone.toggle(); },
                      [this](bool muted) {
                          m_microphone.setMuted(muted);
                      }}) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_mode = hotKeyModeFromRawValue(m_preferences.stringValue(kModeKey)) == HotKeyMode::pushToTalk
                 ? Mode::pushToTalk
                 : Mode::toggle;

    const auto name = shortcuts.declare(GlobalShortcuts::Name::toggleMute());
    std::weak_ptr<bool> alive = m_alive;
    shortcuts.onKeyDown(name, [this, alive] {
        if (!alive.expired())
            keyDown();
    });
    shortcuts.onKeyUp(name, [this, alive] {
        if (!alive.expired())
            keyUp();
    });
}

HotKeyManager::~HotKeyManager() = default;

void HotKeyManager::setMode(Mode mode) {
    const bool changed = mode != m_mode;
    m_mode = mode;
    m_preferences.setString(kModeKey, quietlane::rawValue(toCore(mode)));
    if (changed)
        emit modeChanged(mode);
}

void HotKeyManager::keyDown() {
    // Handlers come from the key hook's event pump on the main thread; anything else is a
    // wiring fault that would race the microphone state.
    Q_ASSERT(QThread::currentThread() == thread());
    m_stateMachine.keyDown(toCore(m_mode));
}

void HotKeyManager::keyUp() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_stateMachine.keyUp(toCore(m_mode));
}

} // namespace quietlane
