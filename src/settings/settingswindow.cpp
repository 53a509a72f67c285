// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingswindow.h"

#include "controls/controlpalette.h"
#include "settings/settingscontent.h"
#include "shortcuts/shortcutnotation.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace quietlane {

namespace {

void bindKeys(QWidget* window, const QKeySequence& keys, std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, window);
    QObject::connect(shortcut, &QShortcut::activated, window, std::move(action));
}

} // namespace

SettingsWindow::SettingsWindow(SettingsView::Services services, std::function<void()> quit,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      m_view(new SettingsView(services)), m_scroll(new QScrollArea(this)) {
    setWindowTitle(tr("Настройки Quietlane"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The card's rounded corners sit on the window's own background: give it the card's
    // colour so that no light corners show in a light desktop theme.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ControlPalette::panel());
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(m_view);
    m_scroll->verticalScrollBar()->setAccessibleName(tr("Прокрутка страницы"));
    m_scroll->viewport()->setAutoFillBackground(false);
    m_view->setAutoFillBackground(false);
    layout->addWidget(m_scroll);
    connect(m_view, &SettingsView::sizeReported, this, &SettingsWindow::fitTo);
    fitTo(m_view->content()->sizeHint());

    bindKeys(this, QKeySequence(Qt::Key_Escape), [this] { close(); });
    bindKeys(this, QKeySequence(QKeySequence::Close), [this] { close(); });
    bindKeys(this, QKeySequence(QString::fromLatin1(GlobalShortcuts::kQuitKeys)),
             [quit = std::move(quit)] {
                 if (quit)
                     quit();
             });
    // The dropdown's key for this window; here it only brings the window forward.
    bindKeys(this, QKeySequence(QString::fromLatin1(GlobalShortcuts::kSettingsKeys)),
             [this] { present(); });
}

void SettingsWindow::fitTo(QSize size) {
    if (!size.isValid())
        return;
    m_contentSize = size;
    // A tall page (an open device list at a large scale) must not push the footer off the
    // screen: the window stops at the screen's height and the page scrolls.
    QScreen* screen = this->screen();
    const int titleBar = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    const int room =
        screen ? screen->availableGeometry().height() - std::max(titleBar, 40) : size.height();
    const bool scrolls = size.height() > room;
    const QSize fitted(size.width() +
                           (scrolls ? m_scroll->verticalScrollBar()->sizeHint().width() : 0),
                       scrolls ? room : size.height());
    if (fitted == this->size())
        return;
    setFixedSize(fitted);
    if (screen && isVisible()) {
        // Grown downwards past the screen's bottom edge: move up into view. The window
        // manager applies the new size later, so the bottom is reckoned from it here.
        const QRect available = screen->availableGeometry();
        const int bottomFrame = std::max(0, frameGeometry().bottom() - geometry().bottom());
        const int frameTop = pos().y();
        const int overflow =
            frameTop + titleBar + fitted.height() + bottomFrame - 1 - available.bottom();
        if (scrolls)
            move(pos().x(), available.top()); // as tall as the screen allows: at its top
        else if (overflow > 0)
            move(pos().x(), std::max(available.top(), frameTop - overflow));
    }
    // The content knows its real height (wrapped notes, rows left out) only once it is
    // shown: the first size it reports then is the one to centre.
    if (m_centring) {
        centreOnScreen();
        if (isVisible())
            m_centring = false;
    }
}

void SettingsWindow::centreOnScreen() {
    // Window managers place new windows by their own rules (often at the top left); a
    // settings window belongs in the middle of the screen the user is looking at.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    }
}

void SettingsWindow::paintEvent(QPaintEvent* event) {
    // On screen at its settled size: from here on the user decides where the window is.
    if (m_centring && m_view->content()->sizeHint().height() >= height())
        m_centring = false;
    QWidget::paintEvent(event);
}

void SettingsWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Dragged to a screen of another size or scale.
    if (m_contentSize.isValid())
        fitTo(m_contentSize);
}

void SettingsWindow::present() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!std::exchange(m_placed, true)) {
        m_centring = true;
        centreOnScreen();
    }
    show();
    raise();
    activateWindow();
}

} // namespace quietlane
