// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settingsmodel.h"
#include "settings/settingsrows.h"

#include <array>

namespace quietlane {

class SliderRow;

/// The shortcut tab's optional shortcuts (mute, unmute, push to mute), the release tail
/// of the held ones, and a word when the desktop already handles the microphone-mute key.
/// Until it is given the live recorders it shows empty badges, as a rendering does.
class MoreShortcutsSection : public SettingsSection {
    Q_OBJECT
public:
    enum class Slot { mute, unmute, pushToMute };

    explicit MoreShortcutsSection(QWidget* parent = nullptr);

    /// Takes over one recorder per slot, in the order of Slot, in place of the badges.
    void setRecorders(const std::array<QWidget*, 3>& recorders);
    void apply(const SettingsState& state);

signals:
    /// The user moved the tail's slider: a tail in steps of 10 ms.
    void tailRequested(int milliseconds);

private:
    std::array<QWidget*, 3> m_recorders{};
    SliderRow* m_tail = nullptr;
    QLabel* m_micMuteNote = nullptr;
};

} // namespace quietlane
