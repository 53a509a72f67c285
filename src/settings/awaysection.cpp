// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/awaysection.h"

#include "controls/rowbutton.h"
#include "settings/settingsrows.h"
#include "settings/sliderrow.h"

#include <QVBoxLayout>

namespace quietlane {

AwaySection::AwaySection(SettingsModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    auto* sounds = new SettingsSection(tr("Звуковые сигналы"), this);
    m_soundCues = toggleRow(tr("Звук при выключении и включении"),
                            [this] { emit m_model.soundCuesRequested(!m_shown.soundCues); });
    sounds->addRow(m_soundCues);
    m_volumeDivider = sounds->addDivider();
    m_volume = new SliderRow(tr("Громкость сигнала"), 0.0, 1.0);
    connect(m_volume, &SliderRow::valueRequested, &m_model,
            &SettingsModel::soundCueVolumeRequested);
    sounds->addRow(m_volume);
    layout->addWidget(sounds);

    auto* away = new SettingsSection(tr("Когда вас нет"), this);
    m_startMuted = toggleRow(tr("Выключать микрофон при запуске"),
                             [this] { emit m_model.startMutedRequested(!m_shown.startMuted); });
    away->addRow(m_startMuted);
    away->addDivider();
    m_muteOnLock = toggleRow(tr("Выключать при блокировке экрана"),
                             [this] { emit m_model.muteOnLockRequested(!m_shown.muteOnLock); });
    away->addRow(m_muteOnLock);
    away->addDivider();
    m_muteOnSuspend = toggleRow(tr("Выключать перед сном"), [this] {
        emit m_model.muteOnSuspendRequested(!m_shown.muteOnSuspend);
    });
    away->addRow(m_muteOnSuspend);
    m_restoreDivider = away->addDivider();
    m_restore = toggleRow(tr("Возвращать прежнее после блокировки и сна"), [this] {
        emit m_model.restoreAfterLockRequested(!m_shown.restoreAfterLock);
    });
    away->addRow(m_restore);
    layout->addWidget(away);
    setSettings(m_shown);
}

RowButton* AwaySection::toggleRow(const QString& label, std::function<void()> onClick) {
    auto* row = new RowButton(label, RowButton::Trailing::toggle, this);
    connect(row, &QAbstractButton::clicked, &m_model, std::move(onClick));
    return row;
}

void AwaySection::setSettings(const AwaySettings& model) {
    m_shown = model;
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
