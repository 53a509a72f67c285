// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "appearance/appearancesettings.h"
#include "base/preferences.h"

#include <QObject>
#include <QPalette>
#include <QString>

namespace quietlane {

/// The colour theme and the interface language. The theme applies at once; the language
/// is stored for the next start, which loads its translation before any text is built.
class AppearanceManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isDark READ isDark NOTIFY isDarkChanged)
    Q_PROPERTY(
        bool languageChangePending READ languageChangePending NOTIFY languageChangePendingChanged)

public:
    explicit AppearanceManager(Preferences& preferences, QObject* parent = nullptr);

    Theme theme() const { return m_theme; }
    /// Every assignment, also of the current theme, stores it and applies it again.
    void setTheme(Theme theme);
    Language language() const { return m_language; }
    /// Only a change is stored; the running texts keep their language until restart.
    void setLanguage(Language language);
    bool languageChangePending() const { return m_languageChangePending; }

    /// Whether our own views draw in the dark scheme: the chosen theme, or for "auto" the
    /// desktop's palette.
    bool isDark() const { return m_isDark; }

    /// Applies the theme on the next turn of the event loop.
    void applyTheme();

    static QString title(Theme theme);
    static QString title(Language language);

signals:
    void themeChanged();
    void languageChanged();
    void languageChangePendingChanged();
    void isDarkChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyThemeNow();
    void updateIsDark();

    Preferences& m_preferences;
    Theme m_theme;
    Language m_language;
    // The language the texts on screen were loaded in.
    Language m_startLanguage;
    bool m_languageChangePending = false;
    bool m_isDark = false;
    bool m_settingPalette = false;
    // What the desktop gave us before we changed anything, so "auto" can return to it.
    QPalette m_desktopPalette;
};

} // namespace quietlane
