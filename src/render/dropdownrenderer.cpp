// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/dropdownrenderer.h"

#include "control/hotkeymanager.h"
#include "menubar/dropdowncontent.h"
#include "render/settingsrenderer.h"
#include "shortcuts/shortcutnotation.h"

#include <QVBoxLayout>
#include <QWidget>

namespace quietlane::DropdownRenderer {

namespace {

DropdownModel sampleModel() {
    DropdownModel model;
    model.isMuted = false;
    model.deviceName = "MacBook Pro";
    model.hotkey = GlobalShortcuts::defaultShortcutText();
    model.deviceValue = "MacBook Pro";
    model.modeTitle = HotkeyManager::title(HotkeyMode::toggle).toStdString();
    model.widgetVisible = true;
    model.loginEnabled = true;
    model.showDonate = true;
    model.availableDevices = {};
    model.selection = DeviceSelection::systemDefault();
    return model;
}

} // namespace

QImage render() {
    QWidget scene;
    scene.setFixedSize(396, 479);
    auto* layout = new QVBoxLayout(&scene);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        new DropdownContent(sampleModel(), DropdownActions{}, CardBackground::solid, &scene), 0,
        Qt::AlignCenter);
    return OffscreenScene::grab(scene);
}

bool renderToFile(const QString& path, QString& error) {
    return OffscreenScene::writePng(render(), path, error);
}

} // namespace quietlane::DropdownRenderer
