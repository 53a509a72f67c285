// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QWidget>

class QVBoxLayout;

namespace quietlane {

/// A titled group of rows on a faint rounded panel.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    /// An empty title shows none.
    explicit SettingsSection(const QString& title, QWidget* parent = nullptr);

    void addRow(QWidget* row);
    /// A line under the labels between two rows; returned so that it can hide with its row.
    QWidget* addDivider();

private:
    QWidget* m_panel;
    QVBoxLayout* m_rows;
};

/// The panel behind a section's rows.
class SectionPanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A one-point line that starts under the row labels and runs to the right edge.
class RowDivider : public QWidget {
    Q_OBJECT
public:
    explicit RowDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A label with a value on the right; not clickable.
class InfoRow : public QWidget {
    Q_OBJECT
public:
    InfoRow(const QString& label, QWidget* parent = nullptr);

    void setValue(const QString& value, const QColor& color);
    QString label() const { return m_label; }
    QString value() const { return m_value; }
    QColor valueColor() const { return m_color; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_label;
    QString m_value;
    QColor m_color;
};

/// Small wrapping text: a note inside a section, or the footer under a tab.
class NoteLabel : public QLabel {
    Q_OBJECT
public:
    enum class Kind { rowNote, footer, sectionTitle };
    NoteLabel(const QString& text, Kind kind, QWidget* parent = nullptr);
};

/// The row holding the shortcut recorder: its label on the left, the field on the right.
class ShortcutRow : public QWidget {
    Q_OBJECT
public:
    ShortcutRow(const QString& label, QWidget* recorder, QWidget* parent = nullptr);
};

} // namespace quietlane
