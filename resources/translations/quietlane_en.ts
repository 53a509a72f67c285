<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>PortalHotkeyBackend</name>
    <message>
        <location filename="../../src/shortcuts/portal/portalhotkeybackend.cpp" line="+29"/>
        <source>Включить или выключить микрофон (Quietlane)</source>
        <translation>Mute or unmute the microphone (Quietlane)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Выключить микрофон (Quietlane)</source>
        <translation>Mute the microphone (Quietlane)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Включить микрофон (Quietlane)</source>
        <translation>Unmute the microphone (Quietlane)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Выключить микрофон, пока клавиша зажата (Quietlane)</source>
        <translation>Mute the microphone while the key is held (Quietlane)</translation>
    </message>
</context>
<context>
    <name>GlobalShortcuts</name>
    <message>
        <location filename="../../src/shortcuts/recorderfield.cpp" line="+22"/>
        <source>Записать сочетание</source>
        <translation>Record a shortcut</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Нажмите сочетание…</source>
        <translation>Press a shortcut…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Клавиша задаётся на рабочем столе</source>
        <translation>The key is set on the desktop</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Это сочетание клавиш уже занято системой или другим приложением.</source>
        <translation>This shortcut is already used by the system or another application.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Сочетания рабочего стола можно изменить в его настройках клавиатуры.</source>
        <translation>Desktop shortcuts can be changed in the desktop&apos;s keyboard settings.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Всё равно использовать</source>
        <translation>Use Anyway</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Удалить сочетание</source>
        <translation>Delete shortcut</translation>
    </message>
    <message>
        <source>Нужна клавиша Ctrl, Alt или Super вместе с клавишей (или F1–F12)</source>
        <translation>Hold Ctrl, Alt or Super with the key (or use F1–F12)</translation>
    </message>
    <message>
        <source>Это сочетание уже назначено другому действию Quietlane.</source>
        <translation>This combination is already assigned to another Quietlane action.</translation>
    </message>
    <message>
        <source>Выберите другое или сначала удалите то.</source>
        <translation>Choose another one, or remove that one first.</translation>
    </message>
</context>
<context>
    <name>quietlane</name>
    <message>
        <location filename="../../src/audio/audioinputdevice.cpp" line="+22"/>
        <location filename="../../src/settings/settingstab.cpp" line="+31"/>
        <source>Микрофон</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <location filename="../../src/audio/devicechoices.cpp" line="+17"/>
        <location filename="../../src/audio/deviceselection.cpp" line="+92"/>
        <location filename="../../src/settings/settingsmodel.cpp" line="+48"/>
        <source>Все микрофоны</source>
        <translation>All microphones</translation>
    </message>
    <message>
        <location filename="../../src/tray/dropdownmodel.cpp" line="+38"/>
        <source>Плавающий виджет</source>
        <translation>Floating widget</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Устройство</source>
        <translation>Device</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Режим срабатывания</source>
        <translation>Trigger mode</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Запуск при входе</source>
        <translation>Launch at login</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Настройки…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Выйти из Quietlane</source>
        <translation>Quit Quietlane</translation>
    </message>
    <message>
        <location filename="../../src/audio/devicechoices.cpp" line="-2"/>
        <source>Микрофон по умолчанию</source>
        <translation>Default microphone</translation>
    </message>
    <message>
        <location filename="../../src/tray/dropdownmodel.cpp" line="+11"/>
        <source>Микрофон выключен</source>
        <translation>Microphone muted</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Микрофон активен</source>
        <translation>Microphone live</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Включить микрофон</source>
        <translation>Unmute microphone</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Заглушить микрофон</source>
        <translation>Mute microphone</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Нет звукового сервера</source>
        <translation>No sound server</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Ждём, когда он снова ответит</source>
        <translation>Waiting for it to answer again</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Микрофон недоступен</source>
        <translation>Microphone unavailable</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Нет устройства</source>
        <translation>No device</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Все</source>
        <translation>All</translation>
    </message>
    <message>
        <location filename="../../src/settings/settingsmodel.cpp" line="-2"/>
        <source>По умолчанию</source>
        <translation>Default</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Выключен</source>
        <translation>Muted</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Активен</source>
        <translation>Live</translation>
    </message>
    <message>
        <location filename="../../src/settings/settingstab.cpp" line="+2"/>
        <source>Хоткей</source>
        <translation>Shortcut</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Виджет</source>
        <translation>Widget</translation>
    </message>
    <message>
        <location filename="../../src/shortcuts/shortcutnotation.cpp" line="+88"/>
        <source>Пробел</source>
        <translation>Space</translation>
    </message>
    <message>
        <location filename="../../src/audio/pulse/pulsesoundcues.cpp" line="+1"/>
        <source>Микрофон выключен</source>
        <translation>Microphone muted</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Микрофон включён</source>
        <translation>Microphone unmuted</translation>
    </message>
    <message>
        <source>Клавиша выключения микрофона</source>
        <translation>Microphone Mute key</translation>
    </message>
    <message>
        <source>Средняя кнопка мыши</source>
        <translation>Middle mouse button</translation>
    </message>
    <message>
        <source>Кнопка мыши 8</source>
        <translation>Mouse button 8</translation>
    </message>
    <message>
        <source>Кнопка мыши 9</source>
        <translation>Mouse button 9</translation>
    </message>
</context>
<context>
    <name>quietlane::AppearanceManager</name>
    <message>
        <location filename="../../src/appearance/appearancemanager.cpp" line="+138"/>
        <source>Светлая</source>
        <translation>Light</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Тёмная</source>
        <translation>Dark</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Системная</source>
        <translation>System</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Системный</source>
        <translation>System</translation>
    </message>
</context>
<context>
    <name>quietlane::ApprovalRow</name>
</context>
<context>
    <name>quietlane::AwaySection</name>
    <message>
        <location filename="../../src/settings/awaysection.cpp" line="+18"/>
        <source>Звуковые сигналы</source>
        <translation>Sound cues</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Звук при выключении и включении</source>
        <translation>Sound on mute and unmute</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Громкость сигнала</source>
        <translation>Cue volume</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Когда вас нет</source>
        <translation>When you are away</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Выключать микрофон при запуске</source>
        <translation>Mute the microphone at start</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Выключать при блокировке экрана</source>
        <translation>Mute when the screen locks</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Выключать перед сном</source>
        <translation>Mute before sleep</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Возвращать прежнее после блокировки и сна</source>
        <translation>Restore the previous state after lock and sleep</translation>
    </message>
</context>
<context>
    <name>quietlane::DropdownDonateButton</name>
    <message>
        <location filename="../../src/tray/dropdownrows.cpp" line="+172"/>
        <source>Купить кофе разработчику</source>
        <translation>Buy the developer a coffee</translation>
    </message>
</context>
<context>
    <name>quietlane::FloatingWidgetView</name>
    <message>
        <location filename="../../src/widget/floatingwidgetview.cpp" line="+54"/>
        <source>Микрофон</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Нет звукового сервера</source>
        <translation>No sound server</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Выключен</source>
        <translation>Muted</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Активен</source>
        <translation>Live</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Нажмите, чтобы переключить</source>
        <translation>Click to toggle</translation>
    </message>
</context>
<context>
    <name>quietlane::HUDPanel</name>
    <message>
        <location filename="../../src/hud/hudpanel.cpp" line="+51"/>
        <source>Выключен</source>
        <translation>Muted</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Включён</source>
        <translation>Unmuted</translation>
    </message>
</context>
<context>
    <name>quietlane::HotkeyManager</name>
    <message>
        <location filename="../../src/control/hotkeymanager.cpp" line="+22"/>
        <source>Зажатие (PTT)</source>
        <translation>Hold to talk</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Переключение</source>
        <translation>Toggle</translation>
    </message>
</context>
<context>
    <name>quietlane::TrayController</name>
    <message>
        <location filename="../../src/tray/traycontroller.cpp" line="+434"/>
        <source>Купить кофе разработчику</source>
        <translation>Buy the developer a coffee</translation>
    </message>
</context>
<context>
    <name>quietlane::SettingsContent</name>
    <message>
        <location filename="../../src/settings/settingscontent.cpp" line="+183"/>
        <source>Изменить клавишу в окне рабочего стола</source>
        <translation>Change the key in the desktop&apos;s window</translation>
    </message>
    <message>
        <location filename="../../src/settings/settingscontent.cpp" line="+53"/>
        <source>Клавишу назначает рабочий стол через портал: здесь показана его клавиша. Изменить её можно в его окне — кнопка ниже.</source>
        <translation>The desktop assigns the key through its portal: this is its key. Change it in the desktop&apos;s own window with the button below.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Клавишу назначает GNOME: здесь показана его клавиша. Изменить её можно в «Настройки → Приложения → Quietlane».</source>
        <translation>GNOME assigns the key: this is its key. Change it in Settings → Apps → Quietlane.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Клавишу назначает KDE: здесь показана его клавиша. Изменить её можно в «Параметры системы → Комбинации клавиш → Quietlane».</source>
        <translation>KDE assigns the key: this is its key. Change it in System Settings → Shortcuts → Quietlane.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Клавишу назначает Hyprland в своём файле настроек, например: «bind = SUPER, M, global, com.quietlane.Quietlane:toggle-mute».</source>
        <translation>Hyprland assigns the key in its configuration file, for example: “bind = SUPER, M, global, com.quietlane.Quietlane:toggle-mute”.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Клавишу назначает рабочий стол через портал: здесь показана его клавиша. Изменить её можно в настройках комбинаций клавиш рабочего стола.</source>
        <translation>The desktop assigns the key through its portal: this is its key. Change it in the desktop&apos;s shortcut settings.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Рабочий стол сообщает эту клавишу, но она занята другой программой и ничего не делает. Выберите другую клавишу в настройках комбинаций клавиш рабочего стола (запись «Quietlane»).</source>
        <translation>The desktop reports this key, but another program holds it and it does nothing. Choose another key in the desktop&apos;s shortcut settings (the “Quietlane” entry).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Хоткей срабатывает, только пока в фокусе окно X11: рабочий стол не предлагает портал глобальных комбинаций клавиш. Включите в параметрах системы KDE «Поддержка устаревших приложений X11» (Legacy X11 App Support) для комбинаций клавиш.</source>
        <translation>The shortcut works only while an X11 window has the focus: the desktop offers no global shortcuts portal. In KDE System Settings, turn on Legacy X11 App Support for key combinations.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Хоткей срабатывает, только пока в фокусе окно X11: рабочий стол не предлагает портал глобальных комбинаций клавиш. Назначьте клавишу в настройках рабочего стола на команду «quietlane --toggle»; для зажатия — «quietlane --push-to-talk-press» при нажатии и «quietlane --push-to-talk-release» при отпускании.</source>
        <translation>The shortcut works only while an X11 window has the focus: the desktop offers no global shortcuts portal. Bind a key in the desktop&apos;s settings to the command “quietlane --toggle”; for push-to-talk, “quietlane --push-to-talk-press” on press and “quietlane --push-to-talk-release” on release.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Глобальный хоткей в этом сеансе недоступен: переключайте микрофон виджетом или значком в трее.</source>
        <translation>The global shortcut is not available in this session: mute and unmute with the widget or the tray icon.</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>Управляемый микрофон</source>
        <translation>Controlled microphone</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Микрофон</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Активное устройство</source>
        <translation>Active device</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Устройство без аппаратного mute — глушим обнулением чувствительности (volume → 0).</source>
        <translation>This device has no mute switch: it is muted by turning its input volume down to zero.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Запуск и оформление</source>
        <translation>Startup and appearance</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Запускать при входе в систему</source>
        <translation>Launch at login</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Тема</source>
        <translation>Theme</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Перезапустите приложение, чтобы полностью применить язык.</source>
        <translation>Restart the app to fully apply the language.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Показывать HUD при переключении</source>
        <translation>Show an on-screen indicator on each change</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Управление через звуковой сервер (control, без записи) — глобальный mute для всех приложений. Доступ к микрофону не запрашивается.</source>
        <translation>Mutes through the sound server, for every application at once, without recording anything. No microphone access is requested.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Глобальный хоткей</source>
        <translation>Global shortcut</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Переключить микрофон</source>
        <translation>Toggle microphone</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Режим срабатывания</source>
        <translation>Trigger mode</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>«Переключение» — нажатие меняет mute. «Зажатие (PTT)» — пока клавиша зажата, состояние временно инвертируется; отпускание возвращает прежнее.</source>
        <translation>“Toggle”: each press mutes or unmutes. “Hold to talk”: while the key is held down the microphone is in the opposite state; releasing the key restores it.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Плавающий виджет</source>
        <translation>Floating widget</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Показывать виджет</source>
        <translation>Show widget</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Прозрачность фона</source>
        <translation>Background opacity</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Обводка и иконка</source>
        <translation>Ring and icon</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Прозрачность фона и обводки настраиваются раздельно — меньше процент, прозрачнее. Виджет поверх всех окон и на всех рабочих столах: клик — переключить микрофон, перетаскивание — переместить.</source>
        <translation>Background and ring opacity are set separately — a lower percentage is more transparent. The widget stays above all windows on every desktop: click to toggle the microphone, drag to move it.</translation>
    </message>
    <message>
        <source>Также при изменениях другими программами</source>
        <translation>Also for changes made by other programs</translation>
    </message>
</context>
<context>
    <name>quietlane::MoreShortcutsSection</name>
    <message>
        <source>Ещё сочетания</source>
        <translation>More shortcuts</translation>
    </message>
    <message>
        <source>Выключить микрофон</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>Включить микрофон</source>
        <translation>Unmute</translation>
    </message>
    <message>
        <source>Выключить, пока зажато</source>
        <translation>Push to mute</translation>
    </message>
    <message>
        <source>Клавишу выключения микрофона уже обрабатывает рабочий стол: назначенная здесь, она сработает дважды или не сработает. Уберите её в настройках клавиатуры рабочего стола, прежде чем назначать здесь.</source>
        <translation>The desktop already handles the microphone mute key: assigned here, it would act twice or not at all. Remove it in the desktop’s keyboard settings before assigning it here.</translation>
    </message>
    <message>
        <source>Задержка отпускания</source>
        <translation>Release delay</translation>
    </message>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Отпускание «Зажатия» и «Выключить, пока зажато» срабатывает после задержки, и нажатие в это время её отменяет, чтобы не обрезать конец фразы. Кроме клавиш, в X11 можно нажать над полем среднюю кнопку мыши с модификатором или боковые кнопки 8 и 9.</source>
        <translation>Releasing push-to-talk or push to mute takes effect after the delay, and a press within it cancels the release, so the end of a sentence is not cut. Besides keys, on X11 you can press the middle mouse button with a modifier or the side buttons 8 and 9 over the field.</translation>
    </message>
</context>
<context>
    <name>quietlane::SettingsWindow</name>
    <message>
        <source>Прокрутка страницы</source>
        <translation>Page scroll</translation>
    </message>
    <message>
        <location filename="../../src/settings/settingswindow.cpp" line="+33"/>
        <source>Настройки Quietlane</source>
        <translation>Quietlane Settings</translation>
    </message>
</context>
<context>
    <name>quietlane::TabHeader</name>
    <message>
        <location filename="../../src/settings/tabheader.cpp" line="+88"/>
        <source>Разделы настроек</source>
        <translation>Settings sections</translation>
    </message>
</context>
</TS>
