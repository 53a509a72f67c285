// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/awaysection.h"

#include "../namedcontrol.h"

#include <map>
#include <string>

using namespace quietlane;
using test::named;

TEST(AwaySection, EachRowAsksForTheOppositeOfItsOwnOptionAndFollowersShowOnlyWithTheirOption) {
    SettingsModel model;
    std::map<std::string, bool> asked;
    const std::map<std::string, void (SettingsModel::*)(bool)> requests = {
        {"Звук при выключении и включении", &SettingsModel::soundCuesRequested},
        {"Выключать микрофон при запуске", &SettingsModel::startMutedRequested},
        {"Выключать при блокировке экрана", &SettingsModel::muteOnLockRequested},
        {"Выключать перед сном", &SettingsModel::muteOnSuspendRequested},
        {"Возвращать прежнее после блокировки и сна", &SettingsModel::restoreAfterLockRequested}};
    for (const auto& [label, request] : requests)
        QObject::connect(&model, request, [&asked, label](bool on) { asked[label] = on; });
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

    for (const auto& [label, request] : requests)
        named(section, QString::fromStdString(label))->click();
    EXPECT_EQ(asked,
              (std::map<std::string, bool>{{"Звук при выключении и включении", true},
                                           {"Выключать микрофон при запуске", true},
                                           {"Выключать при блокировке экрана", false},
                                           {"Выключать перед сном", true},
                                           {"Возвращать прежнее после блокировки и сна", false}}));

    settings = {};
    settings.soundCues = true;
    section.setSettings(settings);
    EXPECT_TRUE(volume->isVisible());
    EXPECT_FALSE(restore->isVisible()) << "nothing to restore from";
}
