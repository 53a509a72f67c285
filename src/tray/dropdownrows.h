// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/plainbutton.h"

#include <QWidget>

namespace quietlane {

/// The card's state header: tile with the glyph, title, device name and the state dot.
class DropdownHeader : public QWidget {
    Q_OBJECT
public:
    explicit DropdownHeader(QWidget* parent = nullptr);
    /// Unavailable: no sound server, whatever `isMuted` says; `deviceName` is then ignored.
    void setState(bool isAvailable, bool isMuted, const QString& deviceName);
    QSize sizeHint() const override { return {300, 64}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title() const;

    bool m_available = true;
    bool m_muted = false;
    QString m_deviceName;
};

/// The large button that mutes or unmutes; it shows the state a click will produce.
class DropdownMuteButton : public PlainButton {
    Q_OBJECT
public:
    explicit DropdownMuteButton(QWidget* parent = nullptr);
    /// Unavailable: greyed out and inert, as there is nothing to mute.
    void setState(bool isAvailable, bool isMuted, const QString& hotkeyHint);
    QSize sizeHint() const override;

protected:
    void paintContent(QPainter& painter) override;

private:
    bool hintFitsBesideTitle() const;

    bool m_available = true;
    bool m_muted = false;
    QString m_hint;
};

/// "☕ Купить кофе разработчику".
class DropdownDonateButton : public PlainButton {
    Q_OBJECT
public:
    explicit DropdownDonateButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintContent(QPainter& painter) override;
};

/// A one-point line across the card.
class DropdownDivider : public QWidget {
    Q_OBJECT
public:
    explicit DropdownDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quietlane
