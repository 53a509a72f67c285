// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingswindow.h"

#include "controls/controlpalette.h"
#include "settings/settingscontent.h"

#include <QVBoxLayout>

namespace quietlane {

SettingsWindow::SettingsWindow(SettingsView::Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      m_view(new SettingsView(services, this)) {
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
    layout->addWidget(m_view);
    connect(m_view, &SettingsView::sizeReported, this, &SettingsWindow::fitTo);
    fitTo(m_view->content()->sizeHint());
}

void SettingsWindow::fitTo(QSize size) {
    if (size.isValid() && size != this->size())
        setFixedSize(size);
}

void SettingsWindow::present() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

} // namespace quietlane
