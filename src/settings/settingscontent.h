// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/cardbackground.h"
#include "settings/settingsmodel.h"

#include <QWidget>

#include <array>

class QLabel;
class QVBoxLayout;

namespace quietlane {

class ApprovalRow;
class RowButton;
class InfoRow;
class InlineSelectRow;
class SliderRow;
class TabHeader;

/// Everything inside the settings window: the tab bar and the sections of the chosen tab,
/// drawn from a plain model and acting only through the given actions. Its own state is
/// the chosen tab (and each selector's open list), which fresh models keep. It is 460 wide
/// and as tall as the chosen tab; every change of its size is reported.
class SettingsContent : public QWidget {
    Q_OBJECT
public:
    /// `recorder` is shown in the shortcut row (the live recorder, or a badge in a
    /// rendering); the content takes it over.
    SettingsContent(SettingsModel model, SettingsActions actions, QWidget* recorder,
                    CardBackground background, QWidget* parent = nullptr);

    const SettingsModel& model() const { return m_model; }
    void setModel(SettingsModel model);
    void setActions(SettingsActions actions) { m_actions = std::move(actions); }

    SettingsTab tab() const { return m_tab; }
    void setTab(SettingsTab tab);

    // The pieces, for tests.
    QWidget* page(SettingsTab tab) const { return m_pages[size_t(tab)]; }
    InlineSelectRow* microphoneSelector() const { return m_microphone; }
    InfoRow* stateRow() const { return m_state; }
    InfoRow* activeDeviceRow() const { return m_activeDevice; }
    QWidget* fallbackNote() const { return m_fallbackNote; }
    RowButton* loginRow() const { return m_login; }
    ApprovalRow* approvalRow() const { return m_approval; }
    InlineSelectRow* themeSelector() const { return m_theme; }
    InlineSelectRow* languageSelector() const { return m_language; }
    QWidget* restartNote() const { return m_restartNote; }
    RowButton* hudRow() const { return m_hud; }
    InlineSelectRow* modeSelector() const { return m_mode; }
    QLabel* shortcutReachNote() const { return m_reachNote; }
    RowButton* widgetRow() const { return m_widget; }
    SliderRow* backgroundSlider() const { return m_background; }
    SliderRow* foregroundSlider() const { return m_foreground; }

    QSize sizeHint() const override;

signals:
    void sizeReported(QSize size);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildMicrophonePage();
    QWidget* buildHotkeyPage(QWidget* recorder);
    QWidget* buildWidgetPage();
    RowButton* toggleRow(const QString& label, std::function<void()> onClick);
    void applyModel();

    SettingsModel m_model;
    SettingsActions m_actions;
    CardBackground m_backgroundStyle;
    SettingsTab m_tab;
    QSize m_reportedSize;

    QVBoxLayout* m_layout = nullptr;
    TabHeader* m_header = nullptr;
    std::array<QWidget*, 3> m_pages{};

    InlineSelectRow* m_microphone = nullptr;
    InfoRow* m_state = nullptr;
    QWidget* m_activeDeviceDivider = nullptr;
    InfoRow* m_activeDevice = nullptr;
    QWidget* m_fallbackDivider = nullptr;
    QWidget* m_fallbackNote = nullptr;
    RowButton* m_login = nullptr;
    QWidget* m_approvalDivider = nullptr;
    ApprovalRow* m_approval = nullptr;
    InlineSelectRow* m_theme = nullptr;
    InlineSelectRow* m_language = nullptr;
    QWidget* m_restartNote = nullptr;
    RowButton* m_hud = nullptr;
    InlineSelectRow* m_mode = nullptr;
    QLabel* m_reachNote = nullptr;
    RowButton* m_configure = nullptr;
    RowButton* m_widget = nullptr;
    SliderRow* m_background = nullptr;
    SliderRow* m_foreground = nullptr;
};

} // namespace quietlane
