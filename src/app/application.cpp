// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <QApplication>

namespace quietlane {

int runApplication(int argc, char** argv, std::unique_ptr<HalBackend> hal) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    (void)hal;
    return QApplication::exec();
}

} // namespace quietlane
