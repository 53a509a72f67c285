// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsrows.h"

#include "controls/controlpalette.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quietlane {

namespace P = ControlPalette;

namespace {

QFont rowFont() {
    return P::interFont(P::Weight::regular, 13);
}

} // namespace

SettingsSection::SettingsSection(const QString& title, QWidget* parent)
    : QWidget(parent), m_panel(new SectionPanel(this)), m_rows(new QVBoxLayout(m_panel)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    if (!title.isEmpty())
        layout->addWidget(new NoteLabel(title, NoteLabel::Kind::sectionTitle, this));
    layout->addWidget(m_panel);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
}

void SettingsSection::addRow(QWidget* row) {
    row->setParent(m_panel);
    m_rows->addWidget(row);
}

QWidget* SettingsSection::addDivider() {
    auto* divider = new RowDivider(m_panel);
    m_rows->addWidget(divider);
    return divider;
}

void SectionPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(P::white(0.07), 1));
    painter.setBrush(P::white(0.05));
    painter.drawRoundedRect(box, 12, 12);
}

RowDivider::RowDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RowDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(14, 0, width() - 14, 1), P::white(0.07));
}

InfoRow::InfoRow(const QString& label, QWidget* parent) : QWidget(parent), m_label(label) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(label);
}

void InfoRow::setValue(const QString& value, const QColor& color) {
    if (value == m_value && color == m_color)
        return;
    m_value = value;
    m_color = color;
    setAccessibleDescription(value);
    update();
}

QSize InfoRow::sizeHint() const {
    return {300, QFontMetrics(rowFont()).height() + 20};
}

void InfoRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF content = QRectF(rect()).adjusted(14, 10, -14, -10);
    const QFontMetricsF metrics(rowFont());
    painter.setFont(rowFont());
    const double valueWidth = std::min(metrics.horizontalAdvance(m_value), content.width() / 2);
    painter.setPen(m_color);
    painter.drawText(content, Qt::AlignRight | Qt::AlignVCenter,
                     metrics.elidedText(m_value, Qt::ElideMiddle, valueWidth + 1));
    painter.setPen(P::white(0.92));
    const QRectF labelBox = content.adjusted(0, 0, -(valueWidth + 8), 0);
    painter.drawText(labelBox, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_label, Qt::ElideRight, labelBox.width()));
}

NoteLabel::NoteLabel(const QString& text, Kind kind, QWidget* parent) : QLabel(text, parent) {
    QColor color;
    switch (kind) {
    case Kind::rowNote:
        setFont(P::interFont(P::Weight::regular, 11));
        color = P::white(0.62);
        setContentsMargins(14, 9, 14, 9);
        break;
    case Kind::footer:
        setFont(P::interFont(P::Weight::regular, 11));
        color = P::white(0.6);
        setContentsMargins(6, 0, 6, 0);
        break;
    case Kind::sectionTitle:
        setFont(P::interFont(P::Weight::medium, 12));
        color = P::white(0.62);
        setContentsMargins(6, 0, 0, 0);
        break;
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Wrapped text is only as tall as the width it gets; without this the layouts would
    // reserve the height of a guessed, narrower width.
    policy.setHeightForWidth(kind != Kind::sectionTitle);
    setSizePolicy(policy);
    setWordWrap(kind != Kind::sectionTitle);
}

ShortcutRow::ShortcutRow(const QString& label, QWidget* recorder, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 9, 14, 9);
    layout->setSpacing(8);
    auto* text = new QLabel(label, this);
    text->setFont(rowFont());
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, P::white(0.92));
    text->setPalette(palette);
    layout->addWidget(text);
    layout->addStretch(1);
    if (recorder) {
        // The label names the field for assistive technology.
        text->setBuddy(recorder);
        recorder->setParent(this);
        layout->addWidget(recorder, 0, Qt::AlignVCenter);
    }
}

} // namespace quietlane
