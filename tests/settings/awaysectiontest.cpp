// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/awaysection.h"

#include "../namedcontrol.h"

#include <optional>
#include <tuple>
#include <vector>

using namespace quietlane;
using test::named;

TEST(AwaySection, EachRowAsksForTheOppositeOfItsOwnOptionAndFollowersShowOnlyWithTheirOption) {
    SettingsModel model;
    // Each row, its request, and what a click asks for with the settings below.
    const std::vector<std::tuple<QString, void (SettingsModel::*)(bool), bool>> rows = {
        {"Звук при выключении и включении", &SettingsModel::soundCuesRequested, true},
        {"Выключать микрофон при запуске", &SettingsModel::startMutedRequested, true},
        {"Выключать при блокировке экрана", &SettingsModel::muteOnLockRequested, false},
        {"Выключать перед сном", &SettingsModel::muteOnSuspendRequested, true},
        {"Возвращать прежнее после блокировки и сна", &SettingsModel::restoreAfterLockRequested,
         false}};
    AwaySection section(model);
    section.show();
    QWidget* volume = named<QWidget>(section, QStringLiteral("Громкость сигнала"));
    QWidget* restore = named(section, QStringLiteral("Возвращать прежнее"));

    AwaySettings settings;
    settings.muteOnLock = true;
    settings.restoreAfterLock = true;
    section.setSettings(settings);
    EXPECT_FALSE(volume->isVisible()) << "no volume for cues that are off";
    EXPECT_TRUE(restore->isVisible());

    for (const auto& [label, request, expected] : rows) {
        std::optional<bool> asked;
        const auto connection = QObject::connect(&model, request, [&](bool on) { asked = on; });
        named(section, label)->click();
        EXPECT_EQ(asked, expected) << label.toStdString();
        QObject::disconnect(connection);
    }

    settings = {};
    settings.soundCues = true;
    section.setSettings(settings);
    EXPECT_TRUE(volume->isVisible());
    EXPECT_FALSE(restore->isVisible()) << "nothing to restore from";
}
