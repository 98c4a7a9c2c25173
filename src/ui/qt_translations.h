#pragma once

// Qt's own texts (the buttons of message boxes, the open and save dialogs) in Chinese,
// like every text of the program: from the translations Qt ships (Debian's
// qt6-translations-l10n).

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace veskor {

// The Chinese the user's languages ask for (zh_TW, zh_HK or zh_CN), else zh_CN: the
// program speaks Chinese whatever the desktop's language.
QString qtTranslationLocale(const QStringList& uiLanguages);

// Installs Qt's translation for that locale from `folder` (Qt's own translation folder
// when empty). Returns the locale installed, or an empty text when none could be read:
// Qt's texts then stay English, and nothing else changes.
QString installQtTranslations(QCoreApplication& app, const QStringList& uiLanguages, const QString& folder = {});

} // namespace veskor
