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
    std::string addMicrophone() {
        const std::string id = m_server.addDevice(SimulatedDevice::withMute("mic"));
        m_server.setDefaultInput(id);
        return id;
    }
    SettingsView::Services services() {
        return {m_microphone, m_panel, m_hud, m_appearance, &m_center};
    }

    QTemporaryDir m_directory;
    Preferences m_preferences{
        m_directory.filePath(QStringLiteral("preferences.json")).toStdString()};
    SimulatedServer m_server;
    const std::string m_micID = addMicrophone();
    NoHints m_hints;
    MicrophoneController m_microphone{m_server, m_preferences};
    FloatingPanelController m_panel{m_microphone, m_preferences, m_hints};
    HUDController m_hud{m_preferences, m_hints};
    AppearanceManager m_appearance{m_preferences};
    GlobalShortcuts::SimulatedHotkeyBackend m_keys;
    std::ostringstream m_errors;
    GlobalShortcuts::ShortcutCenter m_center{m_preferences, m_keys, m_errors};
};

} // namespace

TEST_F(SettingsViewTest, OpenWindowFollowsChangesMadeElsewhere) {
    SettingsView view(services());
    auto* state = test::named<InfoRow>(view, QStringLiteral("Состояние"));
    auto* hud = test::named(view, QStringLiteral("Показывать HUD"));
    ASSERT_TRUE(test::spinUntil([&] { return state->value() == "Активен"; }));

    // Muted from outside the window (the shortcut, the widget, another program).
    m_server.setMuteExternally(m_micID, true);
    EXPECT_TRUE(test::spinUntil([&] { return state->value() == "Выключен"; }));
    m_hud.setShowHUD(false);
    EXPECT_TRUE(test::spinUntil([&] { return !hud->isChecked(); }));

    // A choice in the window reaches the service, and comes back through the model.
    hud->click();
    EXPECT_TRUE(m_hud.showHUD());
    EXPECT_TRUE(test::spinUntil([&] { return hud->isChecked(); }));
}
