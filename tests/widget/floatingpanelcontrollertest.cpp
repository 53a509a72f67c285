// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/floatingpanelcontroller.h"
#include "../eventloop.h"
#include "../tempdir.h"
#include "audio/simulatedserver.h"
#include "control/microphonecontroller.h"
#include "widget/floatingpanel.h"
#include "widget/widgetpreferences.h"
#include "widget/windowhints.h"

#include <QScreen>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

// One 1000 × 800 display whose bottom 40 points are a panel (stored coordinates, y up).
const ScreenArea kScreen{{0, 0, 1000, 800}, {0, 40, 1000, 760}};

class FloatingPanelControllerTest : public ::testing::Test {
protected:
    FloatingPanelControllerTest() { m_simulated.setDefaultInput(m_micId); }

    std::unique_ptr<FloatingPanelController> makeController() {
        return std::make_unique<FloatingPanelController>(m_mic, m_preferences, m_hints,
                                                         [this] { return m_layout; });
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedServer m_simulated;
    std::string m_micId = m_simulated.addDevice(SimulatedDevice::withMute("mic"));
    MicrophoneController m_mic{m_simulated, m_preferences};
    NullWindowHints m_hints;
    ScreenLayout m_layout{{kScreen}, kScreen};
};

} // namespace

TEST_F(FloatingPanelControllerTest, ShowClampsWithoutWritingAndALayoutWithNoScreenKeepsThePlace) {
    auto controller = makeController();
    ASSERT_TRUE(controller->panel());
    // Nothing is stored until the user moves the widget or the displays change.
    EXPECT_FALSE(WidgetPreferences::savedOrigin(m_preferences));

    // A stored place under the panel is shown inside the usable area but stays stored.
    WidgetPreferences::saveOrigin(m_preferences, {-20, 10});
    controller->setVisible(true);
    const int primaryHeight = controller->panel()->screen()->geometry().height();
    const QPoint shownAt = controller->panel()->pos();
    EXPECT_EQ(shownAt, QPoint(0, primaryHeight - 40 - 64));
    EXPECT_EQ(WidgetPreferences::savedOrigin(m_preferences), (Point{-20, 10}));

    // Displays being reconfigured, none at all for a moment: the user's place stays.
    m_layout = {};
    controller->handleScreenChange();
    EXPECT_EQ(controller->panel()->pos(), shownAt);
    EXPECT_EQ(WidgetPreferences::savedOrigin(m_preferences), (Point{-20, 10}));
}

TEST_F(FloatingPanelControllerTest, HiddenWidgetIsNeitherBuiltNorRePlaced) {
    m_preferences.setBool(WidgetPreferences::kVisible, false);
    auto controller = makeController();
    EXPECT_FALSE(controller->panel());

    controller->setVisible(true);
    ASSERT_TRUE(controller->panel());
    EXPECT_TRUE(controller->panel()->isVisible());
    controller->setVisible(false);
    EXPECT_FALSE(controller->panel()->isVisible());
    EXPECT_EQ(m_preferences.boolValue(WidgetPreferences::kVisible), false);
}

TEST_F(FloatingPanelControllerTest, ClickTogglesTheMicrophoneAndTheLookFollowsTheDevice) {
    auto controller = makeController();
    FloatingPanel* panel = controller->panel();
    ASSERT_TRUE(panel);
    emit panel->clicked();
    EXPECT_TRUE(test::spinUntil([&] { return m_mic.isMuted(); }));
    EXPECT_TRUE(panel->look().isMuted);
    // A change made by another program reaches the widget the same way.
    m_simulated.setMuteExternally(m_micId, false);
    ASSERT_TRUE(test::spinUntil([&] { return !m_mic.isMuted(); }));
    EXPECT_FALSE(panel->look().isMuted);

    // No sound server: the widget says so instead of showing a live microphone.
    m_simulated.setReachable(false);
    ASSERT_TRUE(test::spinUntil([&] { return !m_mic.isAvailable(); }));
    EXPECT_FALSE(panel->look().isAvailable);
    EXPECT_TRUE(panel->accessibleDescription().startsWith(QStringLiteral("Нет звукового сервера")));
}
