// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/awaysettings.h"

#include <QWidget>

namespace quietlane {

class RowButton;
class SliderRow;

/// The sections "Звуковые сигналы" and "Когда вас нет" of the microphone tab: filled
/// from the model, acting only through the actions.
class AwaySection : public QWidget {
    Q_OBJECT
public:
    /// `actions` is read at each click, so it may be replaced later; it must outlive the
    /// section.
    explicit AwaySection(const AwaySettingsActions& actions, QWidget* parent = nullptr);

    void setModel(const AwaySettingsModel& model);

    // The rows, for tests.
    RowButton* soundCuesRow() const { return m_soundCues; }
    SliderRow* volumeRow() const { return m_volume; }
    RowButton* startMutedRow() const { return m_startMuted; }
    RowButton* muteOnLockRow() const { return m_muteOnLock; }
    RowButton* muteOnSuspendRow() const { return m_muteOnSuspend; }
    RowButton* restoreRow() const { return m_restore; }

private:
    using Setter = std::function<void(bool)>;
    RowButton* toggleRow(const QString& label, Setter AwaySettingsActions::*action,
                         bool AwaySettingsModel::*field);

    AwaySettingsModel m_model;
    const AwaySettingsActions& m_actions;
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
