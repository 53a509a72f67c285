// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingscontent.h"

#include "appearance/appearancemanager.h"
#include "appearance/glass.h"
#include "audio/devicechoices.h"
#include "control/hotkeymanager.h"
#include "controls/controlpalette.h"
#include "controls/rowbutton.h"
#include "settings/awaysection.h"
#include "settings/inlineselectrow.h"
#include "settings/moreshortcuts.h"
#include "settings/settingsrows.h"
#include "settings/sliderrow.h"
#include "settings/tabheader.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quietlane {

namespace P = ControlPalette;

namespace {

QWidget* newPage(QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    return widget;
}

void add(QWidget* page, QWidget* child) {
    static_cast<QVBoxLayout*>(page->layout())->addWidget(child);
}

QString modeTitle(HotkeyMode mode) {
    return HotkeyManager::title(mode);
}

/// Why the shortcut does not simply work everywhere, and what to do about it.
QString shortcutReachText(ShortcutReach reach) {
    switch (reach) {
    case ShortcutReach::everywhere:
        break;
    case ShortcutReach::desktopConfigures:
        return SettingsContent::tr("Клавишу назначает рабочий стол через портал: здесь показана "
                                   "его клавиша. Изменить её можно в его окне — кнопка ниже.");
    case ShortcutReach::gnomeSettings:
        return SettingsContent::tr("Клавишу назначает GNOME: здесь показана его клавиша. "
                                   "Изменить её можно в «Настройки → Приложения → Quietlane».");
    case ShortcutReach::kdeSettings:
        return SettingsContent::tr("Клавишу назначает KDE: здесь показана его клавиша. Изменить "
                                   "её можно в «Параметры системы → Комбинации клавиш → "
                                   "Quietlane».");
    case ShortcutReach::hyprlandConfig:
        return SettingsContent::tr(
            "Клавишу назначает Hyprland в своём файле настроек, например: «bind = SUPER, M, "
            "global, com.quietlane.Quietlane:toggle-mute».");
    case ShortcutReach::desktopSettings:
        return SettingsContent::tr("Клавишу назначает рабочий стол через портал: здесь показана "
                                   "его клавиша. Изменить её можно в настройках комбинаций "
                                   "клавиш рабочего стола.");
    case ShortcutReach::desktopKeyUnheld:
        return SettingsContent::tr("Рабочий стол сообщает эту клавишу, но она занята другой "
                                   "программой и ничего не делает. Выберите другую клавишу в "
                                   "настройках комбинаций клавиш рабочего стола (запись "
                                   "«Quietlane»).");
    case ShortcutReach::x11WindowsOnlyKde:
        return SettingsContent::tr(
            "Хоткей срабатывает, только пока в фокусе окно X11: рабочий стол не предлагает "
            "портал глобальных комбинаций клавиш. Включите в параметрах системы KDE "
            "«Поддержка устаревших приложений X11» (Legacy X11 App Support) для комбинаций "
            "клавиш.");
    case ShortcutReach::x11WindowsOnly:
        return SettingsContent::tr(
            "Хоткей срабатывает, только пока в фокусе окно X11: рабочий стол не предлагает "
            "портал глобальных комбинаций клавиш. Назначьте клавишу в настройках рабочего "
            "стола на команду «quietlane --toggle»; для зажатия — «quietlane "
            "--push-to-talk-press» при нажатии и «quietlane --push-to-talk-release» при "
            "отпускании.");
    case ShortcutReach::unavailable:
        return SettingsContent::tr("Глобальный хоткей в этом сеансе недоступен: переключайте "
                                   "микрофон виджетом или значком в трее.");
    }
    return {};
}

void showRow(QWidget* divider, QWidget* row, bool shown) {
    if (divider)
        divider->setVisible(shown);
    row->setVisible(shown);
}

} // namespace

SettingsContent::SettingsContent(SettingsModel& model, QWidget* recorder, CardBackground background,
                                 QWidget* parent)
    : QWidget(parent), m_model(model), m_backgroundStyle(background),
      m_tab(m_model.state().initialTab) {
    setFixedWidth(460);
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(16, 30, 16, 18);
    m_layout->setSpacing(16);
    m_layout->setSizeConstraint(QLayout::SetNoConstraint);

    m_header = new TabHeader(this);
    connect(m_header, &TabHeader::selectRequested, this, &SettingsContent::setTab);
    m_layout->addWidget(m_header);
    m_pages = {buildMicrophonePage(), buildHotkeyPage(recorder), buildWidgetPage()};
    for (QWidget* tabPage : m_pages)
        m_layout->addWidget(tabPage);
    m_layout->addStretch(0);

    m_header->setCurrent(m_tab);
    for (SettingsTab each : kAllSettingsTabs)
        m_pages[size_t(each)]->setVisible(each == m_tab);
    applyModel();
    connect(&m_model, &SettingsModel::stateChanged, this, &SettingsContent::applyModel);
    resize(sizeHint());
}

RowButton* SettingsContent::toggleRow(const QString& label, std::function<void()> onClick) {
    auto* row = new RowButton(label, RowButton::Trailing::toggle, this);
    connect(row, &QAbstractButton::clicked, &m_model, std::move(onClick));
    return row;
}

QWidget* SettingsContent::buildMicrophonePage() {
    QWidget* mic = newPage(this);

    auto* controlled = new SettingsSection(tr("Управляемый микрофон"), mic);
    m_microphone = new InlineSelectRow(tr("Микрофон"));
    controlled->addRow(m_microphone);
    controlled->addDivider();
    m_state = new InfoRow(tr("Состояние"));
    controlled->addRow(m_state);
    m_activeDeviceDivider = controlled->addDivider();
    m_activeDevice = new InfoRow(tr("Активное устройство"));
    controlled->addRow(m_activeDevice);
    m_fallbackDivider = controlled->addDivider();
    m_fallbackNote = new NoteLabel(
        tr("Устройство без аппаратного mute — глушим обнулением чувствительности (volume → 0)."),
        NoteLabel::Kind::rowNote);
    controlled->addRow(m_fallbackNote);
    add(mic, controlled);
    m_away = new AwaySection(m_model, mic);
    add(mic, m_away);

    auto* startup = new SettingsSection(tr("Запуск и оформление"), mic);
    m_login = toggleRow(tr("Запускать при входе в систему"),
                        [this] { emit m_model.loginRequested(!m_model.state().loginEnabled); });
    startup->addRow(m_login);
    startup->addDivider();
    m_theme = new InlineSelectRow(tr("Тема"));
    startup->addRow(m_theme);
    startup->addDivider();
    m_language = new InlineSelectRow(tr("Язык"));
    startup->addRow(m_language);
    m_restartNote = new NoteLabel(tr("Перезапустите приложение, чтобы полностью применить язык."),
                                  NoteLabel::Kind::rowNote);
    startup->addRow(m_restartNote);
    startup->addDivider();
    m_hud = toggleRow(tr("Показывать HUD при переключении"),
                      [this] { emit m_model.showHUDRequested(!m_model.state().showHUD); });
    startup->addRow(m_hud);
    m_hudOthersDivider = startup->addDivider();
    m_hudOthers = toggleRow(tr("Также при изменениях другими программами"), [this] {
        emit m_model.hudForOtherProgramsRequested(!m_model.state().hudForOtherPrograms);
    });
    startup->addRow(m_hudOthers);
    add(mic, startup);

    add(mic, new NoteLabel(tr("Управление через звуковой сервер (control, без записи) — "
                              "глобальный mute для всех приложений. Доступ к микрофону не "
                              "запрашивается."),
                           NoteLabel::Kind::footer, mic));
    return mic;
}

QWidget* SettingsContent::buildHotkeyPage(QWidget* recorder) {
    QWidget* hotkey = newPage(this);
    auto* section = new SettingsSection(tr("Глобальный хоткей"), hotkey);
    section->addRow(new ShortcutRow(tr("Переключить микрофон"), recorder));
    section->addDivider();
    m_mode = new InlineSelectRow(tr("Режим срабатывания"));
    section->addRow(m_mode);
    m_reachNote = new NoteLabel(QString(), NoteLabel::Kind::rowNote);
    section->addRow(m_reachNote);
    m_configure = new RowButton(tr("Изменить клавишу в окне рабочего стола"),
                                RowButton::Trailing::keyHint, this);
    connect(m_configure, &QAbstractButton::clicked, &m_model,
            &SettingsModel::shortcutDialogRequested);
    section->addRow(m_configure);
    add(hotkey, section);
    m_more = new MoreShortcutsSection(hotkey);
    connect(m_more, &MoreShortcutsSection::tailRequested, &m_model,
            &SettingsModel::pushToTalkTailRequested);
    add(hotkey, m_more);
    add(hotkey, new NoteLabel(tr("«Переключение» — нажатие меняет mute. «Зажатие (PTT)» — пока "
                                 "клавиша зажата, состояние временно инвертируется; отпускание "
                                 "возвращает прежнее."),
                              NoteLabel::Kind::footer, hotkey));
    return hotkey;
}

QWidget* SettingsContent::buildWidgetPage() {
    QWidget* widget = newPage(this);
    auto* section = new SettingsSection(tr("Плавающий виджет"), widget);
    m_widget = toggleRow(tr("Показывать виджет"), [this] {
        emit m_model.widgetVisibleRequested(!m_model.state().widgetVisible);
    });
    section->addRow(m_widget);
    section->addDivider();
    m_background = new SliderRow(tr("Прозрачность фона"), 0.2, 1.0);
    connect(m_background, &SliderRow::valueRequested, &m_model,
            &SettingsModel::backgroundOpacityRequested);
    section->addRow(m_background);
    section->addDivider();
    m_foreground = new SliderRow(tr("Обводка и иконка"), 0.2, 1.0);
    connect(m_foreground, &SliderRow::valueRequested, &m_model,
            &SettingsModel::foregroundOpacityRequested);
    section->addRow(m_foreground);
    add(widget, section);
    add(widget, new NoteLabel(tr("Прозрачность фона и обводки настраиваются раздельно — меньше "
                                 "процент, прозрачнее. Виджет поверх всех окон и на всех рабочих "
                                 "столах: клик — переключить микрофон, перетаскивание — "
                                 "переместить."),
                              NoteLabel::Kind::footer, widget));
    return widget;
}

void SettingsContent::setTab(SettingsTab tab) {
    if (tab == m_tab)
        return;
    m_tab = tab;
    m_header->setCurrent(tab);
    for (SettingsTab each : kAllSettingsTabs)
        m_pages[size_t(each)]->setVisible(each == tab);
}

void SettingsContent::applyModel() {
    const SettingsState& model = m_model.state();

    m_microphone->setValueText(microphoneValueText(model));
    std::vector<InlineSelectRow::Option> microphones;
    for (const DeviceChoice& choice : deviceChoices(model.selection, model.availableDevices)) {
        microphones.push_back({choice.id, QString::fromStdString(choice.title), choice.selected,
                               [this, selection = choice.selection] {
                                   emit m_model.deviceSelected(selection);
                               }});
    }
    m_microphone->setOptions(std::move(microphones));
    m_state->setValue(microphoneStateText(model.isMuted),
                      model.isMuted ? P::redText() : P::green());
    m_activeDevice->setValue(model.activeDeviceName.value_or(QString()), P::white(0.62));
    const std::vector<MicrophoneRow> rows = microphoneRows(model);
    auto has = [&](MicrophoneRow row) {
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    };
    showRow(m_activeDeviceDivider, m_activeDevice, has(MicrophoneRow::activeDevice));
    showRow(m_fallbackDivider, m_fallbackNote, has(MicrophoneRow::fallbackNote));

    m_login->setToggleOn(model.loginEnabled);

    m_theme->setValueText(AppearanceManager::title(model.theme));
    std::vector<InlineSelectRow::Option> themes;
    for (Theme theme : {Theme::automatic, Theme::light, Theme::dark}) {
        themes.push_back({AppearanceSettings::rawValue(theme), AppearanceManager::title(theme),
                          theme == model.theme, [this, theme] {
                              emit m_model.themeRequested(theme);
                          }});
    }
    m_theme->setOptions(std::move(themes));

    m_language->setValueText(AppearanceManager::title(model.language));
    std::vector<InlineSelectRow::Option> languages;
    for (Language language : {Language::system, Language::ru, Language::en}) {
        languages.push_back({AppearanceSettings::rawValue(language),
                             AppearanceManager::title(language), language == model.language,
                             [this, language] {
                                 emit m_model.languageRequested(language);
                             }});
    }
    m_language->setOptions(std::move(languages));
    m_restartNote->setVisible(model.languageChangePending);
    m_hud->setToggleOn(model.showHUD);
    m_away->setSettings(model.away);
    m_hudOthers->setToggleOn(model.hudForOtherPrograms);
    showRow(m_hudOthersDivider, m_hudOthers, model.showHUD);

    m_mode->setValueText(modeTitle(model.mode));
    std::vector<InlineSelectRow::Option> modes;
    for (HotkeyMode mode : {HotkeyMode::toggle, HotkeyMode::pushToTalk}) {
        modes.push_back({rawValue(mode), modeTitle(mode), mode == model.mode, [this, mode] {
                             emit m_model.modeRequested(mode);
                         }});
    }
    m_mode->setOptions(std::move(modes));
    const QString reach = shortcutReachText(model.shortcutReach);
    m_reachNote->setText(reach);
    m_reachNote->setVisible(!reach.isEmpty());
    m_configure->setVisible(model.shortcutReach == ShortcutReach::desktopConfigures);
    m_more->apply(model);

    m_widget->setToggleOn(model.widgetVisible);
    m_background->setValue(model.backgroundOpacity);
    m_foreground->setValue(model.foregroundOpacity);
}

QSize SettingsContent::sizeHint() const {
    // The notes wrap: only the height for the card's fixed width is exact.
    const int height = m_layout->hasHeightForWidth() ? m_layout->heightForWidth(460)
                                                     : m_layout->sizeHint().height();
    return {460, height};
}

bool SettingsContent::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        const QSize size = sizeHint();
        if (size != this->size())
            resize(size);
        if (size != m_reportedSize) {
            m_reportedSize = size;
            emit sizeReported(size);
        }
    }
    return handled;
}

void SettingsContent::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    QPainterPath card;
    card.addRoundedRect(box, 14, 14);
    painter.setClipPath(card);
    if (m_backgroundStyle == CardBackground::glass) {
        // No blur of what lies behind a window is available to an X client: the frosted
        // fill stands in for it, under the panel colour as on every other card.
        paintGlass(painter, card, /*dark=*/true);
        QColor tint = P::panel();
        tint.setAlphaF(0.82f);
        painter.fillRect(box, tint);
    } else {
        painter.fillRect(box, P::panel());
    }
    painter.setClipping(false);
    painter.setPen(QPen(P::white(0.1), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 13.5, 13.5);
}

} // namespace quietlane
