// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/cardbackground.h"
#include "settings/settingsmodel.h"

#include <QWidget>

#include <array>

class QLabel;
class QVBoxLayout;

namespace quietlane {

class AwaySection;
class RowButton;
class InfoRow;
class InlineSelectRow;
class MoreShortcutsSection;
class SliderRow;
class TabHeader;

/// Everything inside the settings window: the tab bar and the sections of the chosen tab,
/// drawn from the model and acting only through its requests. Its own state is the chosen
/// tab (and each selector's open list), which changes of the model keep. It is 460 wide
/// and as tall as the chosen tab; every change of its size is reported.
class SettingsContent : public QWidget {
    Q_OBJECT
public:
    /// `recorder` is shown in the shortcut row (the live recorder, or a badge in a
    /// rendering); the content takes it over. `model` must outlive the content.
    SettingsContent(SettingsModel& model, QWidget* recorder, CardBackground background,
                    QWidget* parent = nullptr);

    SettingsTab tab() const { return m_tab; }
    void setTab(SettingsTab tab);

    /// The optional shortcuts; the settings view hands it the live recorders.
    MoreShortcutsSection* moreShortcuts() const { return m_more; }

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

    SettingsModel& m_model;
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
    InlineSelectRow* m_theme = nullptr;
    InlineSelectRow* m_language = nullptr;
    QWidget* m_restartNote = nullptr;
    RowButton* m_hud = nullptr;
    QWidget* m_hudOthersDivider = nullptr;
    RowButton* m_hudOthers = nullptr;
    MoreShortcutsSection* m_more = nullptr;
    InlineSelectRow* m_mode = nullptr;
    QLabel* m_reachNote = nullptr;
    RowButton* m_configure = nullptr;
    RowButton* m_widget = nullptr;
    SliderRow* m_background = nullptr;
    SliderRow* m_foreground = nullptr;
    AwaySection* m_away = nullptr;
};

} // namespace quietlane
