// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settingsmodel.h"

#include <QWidget>

#include <functional>

namespace quietlane {

class RowButton;
class SliderRow;

/// The sections "Звуковые сигналы" and "Когда вас нет" of the microphone tab: they show
/// what they are given and ask the model for changes.
class AwaySection : public QWidget {
    Q_OBJECT
public:
    /// `model` must outlive the section.
    explicit AwaySection(SettingsModel& model, QWidget* parent = nullptr);

    void setSettings(const AwaySettings& settings);

private:
    RowButton* toggleRow(const QString& label, std::function<void()> onClick);

    SettingsModel& m_model;
    AwaySettings m_shown;
    RowButton* m_soundCues = nullptr;
    QWidget* m_volumeDivider = nullptr;
    SliderRow* m_volume = nullptr;
    RowButton* m_startMuted = nullptr;
    RowButton* m_muteOnLock = nullptr;
    RowButton* m_muteOnSuspend = nullptr;
    QWidget* m_restoreDivider = nullptr;
    RowButton* m_restore = nullptr;
};

} // namespace quietlane
