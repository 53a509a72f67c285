// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingscontent.h"
#include "controls/disclosurebutton.h"
#include "controls/optionlist.h"
#include "controls/rowbutton.h"
#include "controls/selectoptionbutton.h"
#include "controls/switchindicator.h"
#include "settings/glassslider.h"
#include "settings/inlineselectrow.h"
#include "settings/moreshortcuts.h"
#include "settings/settingsrows.h"
#include "settings/sliderrow.h"

#include "../namedcontrol.h"

#include <QAbstractButton>
#include <QLabel>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

// The requests the model makes, in order.
struct Recorded {
    std::vector<std::string> calls;

    explicit Recorded(SettingsModel& model) {
        auto onOff = [&](auto request, std::string what) {
            QObject::connect(&model, request, [this, what](bool on) {
                calls.push_back(what + (on ? " on" : " off"));
            });
        };
        onOff(&SettingsModel::loginRequested, "login");
        onOff(&SettingsModel::showHUDRequested, "hud");
        onOff(&SettingsModel::widgetVisibleRequested, "widget");
        onOff(&SettingsModel::hudForOtherProgramsRequested, "others");
        QObject::connect(&model, &SettingsModel::deviceSelected, [this](const DeviceSelection& s) {
            calls.push_back("device " + s.encode());
        });
        QObject::connect(&model, &SettingsModel::themeRequested, [this](Theme t) {
            calls.push_back(std::string("theme ") + AppearanceSettings::rawValue(t));
        });
        QObject::connect(&model, &SettingsModel::modeRequested, [this](HotkeyMode m) {
            calls.push_back(std::string("mode ") + rawValue(m));
        });
        QObject::connect(&model, &SettingsModel::pushToTalkTailRequested,
                         [this](int ms) { calls.push_back("tail " + std::to_string(ms)); });
        QObject::connect(&model, &SettingsModel::shortcutDialogRequested,
                         [this] { calls.push_back("dialog"); });
    }
};

bool shown(QWidget* widget, QWidget* root) {
    return widget->isVisibleTo(root);
}

InlineSelectRow* selector(QWidget& content, const QString& label) {
    QAbstractButton* header = test::named(content, label + QStringLiteral(":"));
    return header ? qobject_cast<InlineSelectRow*>(header->parentWidget()) : nullptr;
}

// The page a control sits on: the content's direct child that holds it.
QWidget* pageOf(QWidget& content, QWidget* control) {
    while (control && control->parentWidget() != &content)
        control = control->parentWidget();
    return control;
}

} // namespace

TEST(SettingsContent, MicrophoneSectionShowsOnlyTheRowsTheStateCallsFor) {
    SettingsState state = sampleSettingsState(SettingsTab::mic);
    state.availableDevices = {{"usb-7", "USB Mic", false, true}};
    SettingsModel model(state);
    SettingsContent content(model, new QWidget, CardBackground::solid);

    InlineSelectRow* microphone = selector(content, QStringLiteral("Микрофон"));
    auto* activeDevice = test::named<InfoRow>(content, QStringLiteral("Активное устройство"));
    auto* state_ = test::named<InfoRow>(content, QStringLiteral("Состояние"));
    QLabel* fallback = nullptr;
    for (QLabel* label : content.findChildren<QLabel*>())
        fallback = label->text().startsWith("Устройство без аппаратного mute") ? label : fallback;
    ASSERT_TRUE(fallback);
    EXPECT_EQ(microphone->header()->valueText(), "По умолчанию");
    EXPECT_TRUE(shown(activeDevice, &content));
    EXPECT_EQ(activeDevice->value(), "Built-in Audio Analog Stereo");
    EXPECT_FALSE(shown(fallback, &content));
    EXPECT_EQ(state_->value(), "Активен");

    // Pinned to a device that is gone: a dash, no active-device row, muted by volume.
    state.selection = DeviceSelection::pinned("gone");
    state.activeDeviceName.reset();
    state.isMuted = true;
    state.usingVolumeFallback = true;
    model.setState(state);
    EXPECT_EQ(microphone->header()->valueText(), "—");
    EXPECT_FALSE(shown(activeDevice, &content));
    EXPECT_TRUE(shown(fallback, &content));
    EXPECT_EQ(state_->value(), "Выключен");
}

TEST(SettingsContent, RowsAskForTheOppositeValueAndChoicesCollapseTheirList) {
    SettingsState state = sampleSettingsState(SettingsTab::mic);
    state.pushToTalkTailMs = 250;
    SettingsModel model(state);
    Recorded recorded(model);
    SettingsContent content(model, new QWidget, CardBackground::solid);

    auto* login = test::named<RowButton>(content, QStringLiteral("Запускать при входе"));
    login->click();
    test::named(content, QStringLiteral("Показывать HUD"))->click();
    test::named(content, QStringLiteral("Показывать виджет"))->click();
    // The switches show the model, not the click: nothing changed until a new model comes.
    EXPECT_TRUE(login->toggle()->isOn());

    // Choosing the theme already chosen still reports it, and closes the list.
    InlineSelectRow* theme = selector(content, QStringLiteral("Тема"));
    theme->setExpanded(true);
    theme->list()->button(0)->click();
    EXPECT_FALSE(theme->isExpanded());
    selector(content, QStringLiteral("Режим срабатывания"))->list()->button(1)->click();
    selector(content, QStringLiteral("Микрофон"))->list()->button(1)->click();
    test::named(content, QStringLiteral("Также при изменениях"))->click();
    auto* tail = qobject_cast<SliderRow*>(
        test::named<GlassSlider>(content, QStringLiteral("Задержка отпускания"))->parentWidget());
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->percentText(), "250 мс");
    emit tail->slider()->valueRequested(333.3);

    EXPECT_EQ(recorded.calls,
              (std::vector<std::string>{
                  "login off", "hud off", "widget off", "theme auto", "mode pushToTalk",
                  "device " + DeviceSelection::allInputs().encode(), "others off", "tail 330"}));
}

TEST(SettingsContent, AFreshModelNeitherResetsTheTabNorClosesTheOpenList) {
    SettingsState state = sampleSettingsState(SettingsTab::mic);
    SettingsModel model(state);
    SettingsContent content(model, new QWidget, CardBackground::solid);
    content.setTab(SettingsTab::hotkey);
    InlineSelectRow* mode = selector(content, QStringLiteral("Режим срабатывания"));
    mode->setExpanded(true);
    state.languageChangePending = true;
    state.isMuted = true;
    model.setState(state);
    EXPECT_EQ(content.tab(), SettingsTab::hotkey);
    EXPECT_TRUE(mode->isExpanded());
}

TEST(SettingsContent, ShortcutTabSaysWhereTheShortcutFallsShortAndOffersTheDesktopsDialog) {
    SettingsState state = sampleSettingsState(SettingsTab::hotkey);
    SettingsModel model(state);
    Recorded recorded(model);
    SettingsContent content(model, new QWidget, CardBackground::glass);
    QAbstractButton* dialog =
        test::named(content, QStringLiteral("Изменить клавишу в окне рабочего стола"));
    QWidget* page = pageOf(content, dialog);
    // The note sits right above the desktop's dialog button.
    QLabel* reach = nullptr;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            reach = label;
    }
    ASSERT_TRUE(reach);
    EXPECT_FALSE(shown(reach, page));
    EXPECT_FALSE(shown(dialog, page));

    state.shortcutReach = ShortcutReach::x11WindowsOnly;
    model.setState(state);
    ASSERT_TRUE(shown(reach, page));
    EXPECT_TRUE(reach->text().contains("--push-to-talk-press"));

    state.shortcutReach = ShortcutReach::hyprlandConfig;
    model.setState(state);
    EXPECT_TRUE(
        reach->text().contains("bind = SUPER, M, global, com.quietlane.Quietlane:toggle-mute"));

    state.shortcutReach = ShortcutReach::desktopConfigures;
    model.setState(state);
    ASSERT_TRUE(shown(dialog, page));
    dialog->click();
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"dialog"});

    state.shortcutReach = ShortcutReach::everywhere;
    model.setState(state);
    EXPECT_FALSE(shown(reach, page));
    EXPECT_FALSE(shown(dialog, page));
}
