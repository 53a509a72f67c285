// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"
#include "shortcuts/name.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

namespace quietlane::GlobalShortcuts {

class ShortcutCenter;

/// The field in which the user sets a global shortcut. A click (or Tab) starts listening;
/// the next combination with Control, Alt or Super (or a lone F-key, the
/// microphone-mute key, or, where the backend takes them, a mouse button pressed over the
/// field) becomes the shortcut. While it listens it holds the keyboard, so that combinations
/// grabbed by the desktop or by us reach it, and shortcut dispatch is paused. Escape stops,
/// Backspace or Delete clears. A combination the desktop or another application uses is taken only
/// when the user insists, and one the system then refuses is given back: the previous
/// shortcut returns. Assistive technology sees an editable field named by its label
/// (the label's buddy) whose text is the shortcut, with actions to record and to clear.
class RecorderField : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    using ChangeCallback = std::function<void(const std::optional<Shortcut>&)>;

    /// `center` must outlive the field.
    RecorderField(ShortcutCenter& center, Name name, ChangeCallback onChange = {},
                  QWidget* parent = nullptr);
    ~RecorderField() override;

    const Name& shortcutName() const { return m_name; }
    /// A different name refreshes the text; the same name does nothing.
    void setShortcutName(const Name& name);

    bool isRecording() const { return m_recording; }
    /// The current shortcut as shown, empty when there is none.
    QString text() const { return m_text; }
    /// What the empty field says: an invitation while idle, a prompt while listening.
    QString placeholderText() const;

    void startRecording();
    void endRecording();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QAccessible::Role accessibleRole() const override { return QAccessible::EditableText; }
    QString accessibleValueText() const override;
    QStringList accessibleActions() const override;
    void doAccessibleAction(const QString& name) override;

signals:
    /// Listening started (true) or ended (false).
    void recordingChanged(bool isActive);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshText();
    void handleKeyPress(QKeyEvent* event);
    /// A key (or mouse button) press in the stored encoding, with event modifiers.
    void decide(int64_t keyCode, Modifiers modifiers);
    bool usedByOtherName(const Shortcut& shortcut) const;
    void clearShortcut();
    void take(const Shortcut& shortcut);
    /// Shows the "used by the system" alert (or another message); true when the user
    /// chose to use it anyway.
    bool confirmSystemShortcut(bool offerForce, const char* message = nullptr,
                               const char* details = nullptr);
    QRectF clearButtonRect() const;

    ShortcutCenter& m_center;
    Name m_name;
    ChangeCallback m_onChange;
    QString m_text;
    bool m_recording = false;
    bool m_alertShown = false;
};

} // namespace quietlane::GlobalShortcuts
