// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/awaysection.h"

#include "controls/rowbutton.h"
#include "settings/sliderrow.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace quietlane;

TEST(AwaySection, EachRowAsksForTheOppositeOfItsOwnOptionAndFollowersShowOnlyWithTheirOption) {
    std::map<std::string, bool> asked;
    AwaySettingsActions actions;
    actions.setSoundCues = [&](bool on) {
        asked["soundCues"] = on;
    };
    actions.setStartMuted = [&](bool on) {
        asked["startMuted"] = on;
    };
    actions.setMuteOnLock = [&](bool on) {
        asked["muteOnLock"] = on;
    };
    actions.setMuteOnSuspend = [&](bool on) {
        asked["muteOnSuspend"] = on;
    };
    actions.setRestoreAfterLock = [&](bool on) {
        asked["restoreAfterLock"] = on;
    };
    AwaySection section(actions);
    section.show();

    AwaySettingsModel model;
    model.muteOnLock = true;
    model.restoreAfterLock = true;
    section.setModel(model);
    EXPECT_FALSE(section.volumeRow()->isVisible()) << "no volume for cues that are off";
    EXPECT_TRUE(section.restoreRow()->isVisible());

    for (RowButton* row : {section.soundCuesRow(), section.startMutedRow(), section.muteOnLockRow(),
                           section.muteOnSuspendRow(), section.restoreRow()})
        row->click();
    EXPECT_EQ(asked, (std::map<std::string, bool>{{"soundCues", true},
                                                  {"startMuted", true},
                                                  {"muteOnLock", false},
                                                  {"muteOnSuspend", true},
                                                  {"restoreAfterLock", false}}));

    model = {};
    model.soundCues = true;
    section.setModel(model);
    EXPECT_TRUE(section.volumeRow()->isVisible());
    EXPECT_FALSE(section.restoreRow()->isVisible()) << "nothing to restore from";
}
