// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/floatingpanel.h"

#include "widget/windowhints.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace quietlane {

namespace {

// Debug lines only when asked for (QT_LOGGING_RULES="quietlane.*.debug=true").
Q_LOGGING_CATEGORY(lcPanel, "quietlane.panel", QtInfoMsg)

bool paletteIsDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

Point toPoint(const QPointF& p) {
    return {p.x(), p.y()};
}

} // namespace

FloatingPanel::FloatingPanel(WindowHints& hints)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      m_hints(hints) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    // The window is never active, and Qt shows tooltips only over active windows.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kSide, kSide);
    setWindowTitle(QStringLiteral("Quietlane"));
    m_look.dark = paletteIsDark(palette());
    // The hints must sit on the window before it is mapped: window managers read
    // _NET_WM_STATE and _NET_WM_DESKTOP once, when they take the window on.
    m_hints.makeFloating(std::uint32_t(winId()));
    if (!m_hints.isCompositing())
        setMask(QRegion(0, 0, kSide, kSide, QRegion::Ellipse));
    updateAccessibility();
}

void FloatingPanel::setLook(const FloatingWidgetView::Look& look) {
    FloatingWidgetView::Look next = look;
    next.dark = m_look.dark;
    const bool stateChanged =
        next.isMuted != m_look.isMuted || next.isAvailable != m_look.isAvailable;
    m_look = next;
    if (stateChanged)
        updateAccessibility();
    update();
}

void FloatingPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_paintCache.paint(
        painter, m_look, QSize(kSide, kSide), devicePixelRatioF(), [this](QPainter& imagePainter) {
            FloatingWidgetView::paint(imagePainter, QRectF(0, 0, kSide, kSide), m_look);
        });
    // The start-up benchmark measures up to this line.
    if (!m_painted) {
        m_painted = true;
        qCDebug(lcPanel) << "widget first painted";
    }
}

void FloatingPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracker.press(toPoint(event->position()), toPoint(event->globalPosition()));
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_tracker.isPressed())
        return;
    if (const auto topLeft = m_tracker.move(toPoint(event->globalPosition())))
        move(qRound(topLeft->x), qRound(topLeft->y));
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_tracker.isPressed()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_tracker.release())
        emit moved(pos());
    else
        emit clicked();
}

void FloatingPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        m_look.dark = paletteIsDark(palette());
        update();
    }
    QWidget::changeEvent(event);
}

QString FloatingPanel::accessibleValueText() const {
    return FloatingWidgetView::accessibleValue(m_look);
}

QStringList FloatingPanel::accessibleActions() const {
    return {QAccessibleActionInterface::pressAction()};
}

void FloatingPanel::doAccessibleAction(const QString&) {
    emit clicked();
}

void FloatingPanel::updateAccessibility() {
    setAccessibleName(FloatingWidgetView::accessibleName());
    // The description changes with the state, which is how a screen reader hears of it.
    setAccessibleDescription(FloatingWidgetView::accessibleValue(m_look) + QStringLiteral(". ") +
                             FloatingWidgetView::accessibleHint());
    notifyValue(this);
}

} // namespace quietlane
