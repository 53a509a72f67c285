// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/moreshortcuts.h"

#include "control/hotkeymanager.h"
#include "settings/hotkeychip.h"
#include "settings/sliderrow.h"

#include <QHBoxLayout>

#include <cmath>

namespace quietlane {

MoreShortcutsSection::MoreShortcutsSection(QWidget* parent)
    : SettingsSection(tr("Ещё сочетания"), parent) {
    const std::array<QString, 3> labels = {tr("Выключить микрофон"), tr("Включить микрофон"),
                                           tr("Выключить, пока зажато")};
    for (size_t slot = 0; slot < labels.size(); ++slot) {
        if (slot > 0)
            addDivider();
        m_recorders[slot] = new HotkeyChip(QStringLiteral("—"));
        m_recorders[slot]->setAccessibleName(labels[slot]);
        addRow(new ShortcutRow(labels[slot], m_recorders[slot]));
    }
    m_micMuteNote = new NoteLabel(
        tr("Клавишу выключения микрофона уже обрабатывает рабочий стол: назначенная здесь, она "
           "сработает дважды или не сработает. Уберите её в настройках клавиатуры рабочего "
           "стола, прежде чем назначать здесь."),
        NoteLabel::Kind::rowNote);
    addRow(m_micMuteNote);
    addDivider();
    m_tail = new SliderRow(tr("Задержка отпускания"), 0, HotkeyManager::kMaxTailMs);
    m_tail->setFormatter(
        [](double milliseconds) { return tr("%1 мс").arg(std::lround(milliseconds)); }, 56);
    connect(m_tail, &SliderRow::valueRequested, this, [this](double milliseconds) {
        // Steps of 10 ms: finer ones cannot be told apart, and they would rewrite the
        // preferences on every pixel of a drag.
        emit tailRequested(int(std::lround(milliseconds / 10.0)) * 10);
    });
    addRow(m_tail);
    addRow(new NoteLabel(tr("Отпускание «Зажатия» и «Выключить, пока зажато» срабатывает после "
                            "задержки, и нажатие в это время её отменяет, чтобы не обрезать "
                            "конец фразы. Кроме клавиш, в X11 можно нажать над полем среднюю "
                            "кнопку мыши с модификатором или боковые кнопки 8 и 9."),
                         NoteLabel::Kind::rowNote));
}

void MoreShortcutsSection::setRecorders(const std::array<QWidget*, 3>& recorders) {
    for (size_t slot = 0; slot < recorders.size(); ++slot) {
        QWidget* badge = m_recorders[slot];
        auto* row = badge->parentWidget();
        // The layout hands back the badge's item, which is the caller's to delete.
        delete row->layout()->replaceWidget(badge, recorders[slot]);
        recorders[slot]->setAccessibleName(badge->accessibleName());
        recorders[slot]->setParent(row);
        recorders[slot]->show();
        delete badge;
        m_recorders[slot] = recorders[slot];
    }
}

void MoreShortcutsSection::apply(const SettingsState& model) {
    m_tail->setValue(model.pushToTalkTailMs);
    m_micMuteNote->setVisible(model.micMuteKeyTaken);
}

} // namespace quietlane
