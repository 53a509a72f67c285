// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appearancemanager.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace quietlane {

namespace AS = AppearanceSettings;

namespace {

bool paletteIsDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(40, 40, 46);
    const QColor base(30, 30, 35);
    const QColor text(235, 235, 240);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 160));
    p.setColor(QPalette::Highlight, QColor(10, 132, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 128));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 128));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 128));
    return p;
}

QPalette lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(236, 236, 236));
    p.setColor(QPalette::WindowText, QColor(20, 20, 20));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
    p.setColor(QPalette::Text, QColor(20, 20, 20));
    p.setColor(QPalette::Button, QColor(236, 236, 236));
    p.setColor(QPalette::ButtonText, QColor(20, 20, 20));
    p.setColor(QPalette::Highlight, QColor(0, 122, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

} // namespace

AppearanceManager::AppearanceManager(Preferences& preferences, QObject* parent)
    : QObject(parent), m_preferences(preferences),
      m_theme(AS::parseTheme(preferences.stringValue(AS::kThemeKey))),
      m_language(AS::parseLanguage(preferences.stringValue(AS::kLanguageKey))),
      m_startLanguage(m_language), m_desktopPalette(QGuiApplication::palette()) {
    m_isDark =
        m_theme == Theme::dark || (m_theme == Theme::automatic && paletteIsDark(m_desktopPalette));
    // Qt reports a desktop colour-scheme switch as an application palette change.
    qApp->installEventFilter(this);
}

void AppearanceManager::setTheme(Theme theme) {
    if (m_theme != theme) {
        m_theme = theme;
        emit themeChanged();
    }
    m_preferences.setString(AS::kThemeKey, AS::rawValue(theme));
    applyTheme();
}

void AppearanceManager::setLanguage(Language language) {
    if (m_language == language)
        return;
    m_language = language;
    emit languageChanged();
    m_preferences.setString(AS::kLanguageKey, AS::rawValue(language));
    AS::writeLanguageOverride(m_preferences, language);
    // Back to the language the program started in, there is nothing left to restart for.
    const bool pending = language != m_startLanguage;
    if (pending != m_languageChangePending) {
        m_languageChangePending = pending;
        emit languageChangePendingChanged();
    }
}

void AppearanceManager::applyTheme() {
    QMetaObject::invokeMethod(
        this,
        [self = QPointer(this)] {
            if (self)
                self->applyThemeNow();
        },
        Qt::QueuedConnection);
}

void AppearanceManager::applyThemeNow() {
    m_settingPalette = true;
    switch (m_theme) {
    case Theme::automatic:
        QApplication::setPalette(m_desktopPalette);
        break;
    case Theme::light:
        QApplication::setPalette(lightPalette());
        break;
    case Theme::dark:
        QApplication::setPalette(darkPalette());
        break;
    }
    m_settingPalette = false;
    updateIsDark();
}

void AppearanceManager::updateIsDark() {
    const bool dark =
        m_theme == Theme::dark || (m_theme == Theme::automatic && paletteIsDark(m_desktopPalette));
    if (dark != m_isDark) {
        m_isDark = dark;
        emit isDarkChanged();
    }
}

bool AppearanceManager::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_settingPalette) {
        // A change we did not make comes from the desktop: that is what "auto" follows.
        m_desktopPalette = QGuiApplication::palette();
        updateIsDark();
    }
    return QObject::eventFilter(watched, event);
}

QString AppearanceManager::title(Theme theme) {
    switch (theme) {
    case Theme::light:
        return tr("Светлая");
    case Theme::dark:
        return tr("Тёмная");
    case Theme::automatic:
        break;
    }
    return tr("Системная");
}

QString AppearanceManager::title(Language language) {
    switch (language) {
    case Language::ru:
        return QStringLiteral("Русский");
    case Language::en:
        return QStringLiteral("English");
    case Language::system:
        break;
    }
    return tr("Системный");
}

} // namespace quietlane
