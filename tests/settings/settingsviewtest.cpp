// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsview.h"

#include "appearance/appearancemanager.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "controls/rowbutton.h"
#include "hud/hudcontroller.h"
#include "settings/settingscontent.h"
#include "settings/settingsrows.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/simulatedhotkeybackend.h"
#include "widget/floatingpanelcontroller.h"
#include "widget/windowhints.h"

#include "../eventloop.h"
#include "../namedcontrol.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;

namespace {

class NoHints : public WindowHints {
public:
    void makeFloating(std::uint32_t) override {}
    bool isCompositing() const override { return true; }
};

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() {
        m_preferences = std::make_unique<Preferences>(
            m_directory.filePath(QStringLiteral("preferences.json")).toStdString());
        m_micID = m_hal.addDevice(SimulatedDevice::withMute("mic"));
        m_hal.setDefaultInput(m_micID);
        m_hints = std::make_unique<NoHints>();
        m_microphone = std::make_unique<MicrophoneController>(m_hal, *m_preferences);
        m_panel =
            std::make_unique<FloatingPanelController>(*m_microphone, *m_preferences, *m_hints);
        m_hud = std::make_unique<HUDController>(*m_preferences, *m_hints);
        m_appearance = std::make_unique<AppearanceManager>(*m_preferences);
        m_center =
            std::make_unique<GlobalShortcuts::ShortcutCenter>(*m_preferences, m_keys, m_errors);
    }

    SettingsView::Services services() {
        return {*m_microphone, *m_panel, *m_hud, *m_appearance, m_center.get()};
    }

    QTemporaryDir m_directory;
    std::unique_ptr<Preferences> m_preferences;
    SimulatedServer m_hal;
    std::string m_micID;
    std::unique_ptr<WindowHints> m_hints;
    std::unique_ptr<MicrophoneController> m_microphone;
    std::unique_ptr<FloatingPanelController> m_panel;
    std::unique_ptr<HUDController> m_hud;
    std::unique_ptr<AppearanceManager> m_appearance;
    GlobalShortcuts::SimulatedHotkeyBackend m_keys;
    std::ostringstream m_errors;
    std::unique_ptr<GlobalShortcuts::ShortcutCenter> m_center;
};

} // namespace

TEST_F(SettingsViewTest, OpenWindowFollowsChangesMadeElsewhere) {
    SettingsView view(services());
    auto* state = test::named<InfoRow>(view, QStringLiteral("Состояние"));
    auto* hud = test::named(view, QStringLiteral("Показывать HUD"));
    ASSERT_TRUE(test::spinUntil([&] { return state->value() == "Активен"; }));

    // Muted from outside the window (the shortcut, the widget, another program).
    m_hal.setMuteExternally(m_micID, true);
    EXPECT_TRUE(test::spinUntil([&] { return state->value() == "Выключен"; }));
    m_hud->setShowHUD(false);
    EXPECT_TRUE(test::spinUntil([&] { return !hud->isChecked(); }));

    // A choice in the window reaches the service, and comes back through the model.
    hud->click();
    EXPECT_TRUE(m_hud->showHUD());
    EXPECT_TRUE(test::spinUntil([&] { return hud->isChecked(); }));
}
