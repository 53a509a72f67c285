// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/settingsrenderer.h"

#include "settings/hotkeychip.h"
#include "settings/settingscontent.h"
#include "shortcuts/shortcutnotation.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QSaveFile>
#include <QWidget>

namespace quietlane {

namespace OffscreenScene {

QColor backdrop() {
    return QColor::fromRgbF(0.255f, 0.205f, 0.43f, 1.0f);
}

QImage grab(QWidget& scene) {
    QPalette palette = scene.palette();
    palette.setColor(QPalette::Window, backdrop());
    scene.setPalette(palette);
    scene.setAutoFillBackground(true);
    scene.setAttribute(Qt::WA_DontShowOnScreen);
    scene.show();
    // Layout requests and the cards' size reports travel as posted events; a few rounds
    // let every nested layout settle before the scene takes its final size.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        if (QLayout* layout = scene.layout())
            layout->activate();
    }
    if (scene.layout() && scene.sizePolicy().horizontalPolicy() != QSizePolicy::Fixed)
        scene.resize(scene.layout()->sizeHint());
    QCoreApplication::sendPostedEvents();

    const QSize size = scene.size();
    if (size.isEmpty())
        return {};
    QImage image(size * kScale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(kScale);
    image.fill(backdrop());
    scene.render(&image);
    scene.hide();
    return image;
}

Result<void> writePng(const QImage& image, const QString& path) {
    if (image.isNull())
        return Failure{"nothing was drawn"};
    // Encoded in memory first: an encoder writing straight to the file would hide why the
    // disk refused it (no space left, permission denied) behind its own failure.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Failure{"cannot encode the image as PNG"};
    // Written beside the target and renamed over it, so a failed run never leaves a
    // truncated image behind.
    QSaveFile file(path);
    const auto cannotWrite = [&] {
        return Failure{
            QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString()).toStdString()};
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return cannotWrite();
    if (file.write(png) != png.size()) {
        Failure failure = cannotWrite();
        file.cancelWriting();
        return failure;
    }
    if (!file.commit())
        return cannotWrite();
    return {};
}

} // namespace OffscreenScene

namespace SettingsRenderer {

QImage render() {
    QWidget scene;
    auto* layout = new QHBoxLayout(&scene);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(28);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (SettingsTab tab : kAllSettingsTabs) {
        // The live recorder needs the shortcut layer; the rendering shows its badge instead.
        auto* badge =
            new HotkeyChip(QString::fromStdString(GlobalShortcuts::defaultShortcutText()));
        auto* model = new SettingsModel(sampleSettingsState(tab), &scene);
        auto* card = new SettingsContent(*model, badge, CardBackground::solid, &scene);
        layout->addWidget(card, 0, Qt::AlignTop);
    }
    return OffscreenScene::grab(scene);
}

Result<void> renderToFile(const QString& path) {
    return OffscreenScene::writePng(render(), path);
}

} // namespace SettingsRenderer

} // namespace quietlane
