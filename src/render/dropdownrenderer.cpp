// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/dropdownrenderer.h"

#include "control/hotkeymanager.h"
#include "render/settingsrenderer.h"
#include "shortcuts/shortcutnotation.h"
#include "tray/dropdowncontent.h"

#include <QVBoxLayout>
#include <QWidget>

namespace quietlane::DropdownRenderer {

namespace {

void fillSample(DropdownModel& model) {
    model.setMuted(false);
    model.setDeviceName(QStringLiteral("Built-in Audio Analog Stereo"));
    model.setHotkey(QString::fromStdString(GlobalShortcuts::defaultShortcutText()));
    model.setDeviceValue(QStringLiteral("Built-in Audio Analog Stereo"));
    model.setModeTitle(HotkeyManager::title(HotkeyMode::toggle));
    model.setWidgetVisible(true);
    model.setLoginEnabled(true);
    model.setShowDonate(true);
}

} // namespace

QImage render() {
    DropdownModel model; // outlives the card that shows it
    fillSample(model);
    QWidget scene;
    scene.setFixedSize(396, 479);
    auto* layout = new QVBoxLayout(&scene);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new DropdownContent(model, CardBackground::solid, &scene), 0,
                      Qt::AlignCenter);
    return OffscreenScene::grab(scene);
}

Result<void> renderToFile(const QString& path) {
    return OffscreenScene::writePng(render(), path);
}

} // namespace quietlane::DropdownRenderer
