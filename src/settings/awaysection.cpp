// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/awaysection.h"

#include "controls/rowbutton.h"
#include "settings/settingsrows.h"
#include "settings/sliderrow.h"

#include <QVBoxLayout>

namespace quietlane {

AwaySection::AwaySection(const AwaySettingsActions& actions, QWidget* parent)
    : QWidget(parent), m_actions(actions) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    auto* sounds = new SettingsSection(tr("Звуковые сигналы"), this);
    m_soundCues = toggleRow(tr("Звук при выключении и включении"),
                            &AwaySettingsActions::setSoundCues, &AwaySettingsModel::soundCues);
    sounds->addRow(m_soundCues);
    m_volumeDivider = sounds->addDivider();
    m_volume = new SliderRow(tr("Громкость сигнала"), 0.0, 1.0);
    connect(m_volume, &SliderRow::valueRequested, this, [this](double value) {
        if (m_actions.setSoundCueVolume)
            m_actions.setSoundCueVolume(value);
    });
    sounds->addRow(m_volume);
    layout->addWidget(sounds);

    auto* away = new SettingsSection(tr("Когда вас нет"), this);
    m_startMuted = toggleRow(tr("Выключать микрофон при запуске"),
                             &AwaySettingsActions::setStartMuted, &AwaySettingsModel::startMuted);
    away->addRow(m_startMuted);
    away->addDivider();
    m_muteOnLock = toggleRow(tr("Выключать при блокировке экрана"),
                             &AwaySettingsActions::setMuteOnLock, &AwaySettingsModel::muteOnLock);
    away->addRow(m_muteOnLock);
    away->addDivider();
    m_muteOnSuspend = toggleRow(tr("Выключать перед сном"), &AwaySettingsActions::setMuteOnSuspend,
                                &AwaySettingsModel::muteOnSuspend);
    away->addRow(m_muteOnSuspend);
    m_restoreDivider = away->addDivider();
    m_restore =
        toggleRow(tr("Возвращать прежнее после блокировки и сна"),
                  &AwaySettingsActions::setRestoreAfterLock, &AwaySettingsModel::restoreAfterLock);
    away->addRow(m_restore);
    layout->addWidget(away);
    setModel(m_model);
}

RowButton* AwaySection::toggleRow(const QString& label, Setter AwaySettingsActions::*action,
                                  bool AwaySettingsModel::*field) {
    auto* row = new RowButton(label, RowButton::Trailing::toggle, this);
    connect(row, &QAbstractButton::clicked, this, [this, action, field] {
        if (const Setter& set = m_actions.*action)
            set(!(m_model.*field));
    });
    return row;
}

void AwaySection::setModel(const AwaySettingsModel& model) {
    m_model = model;
    m_soundCues->setToggleOn(model.soundCues);
    m_volume->setValue(model.soundCueVolume);
    // The volume and the way back mean something only with what they follow.
    m_volumeDivider->setVisible(model.soundCues);
    m_volume->setVisible(model.soundCues);
    m_startMuted->setToggleOn(model.startMuted);
    m_muteOnLock->setToggleOn(model.muteOnLock);
    m_muteOnSuspend->setToggleOn(model.muteOnSuspend);
    m_restore->setToggleOn(model.restoreAfterLock);
    const bool restoreApplies = model.muteOnLock || model.muteOnSuspend;
    m_restoreDivider->setVisible(restoreApplies);
    m_restore->setVisible(restoreApplies);
}

} // namespace quietlane
