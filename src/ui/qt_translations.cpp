#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace veskor {

QString qtTranslationLocale(const QStringList& uiLanguages)
{
    for (QString language : uiLanguages) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (!language.startsWith(QStringLiteral("zh")))
            continue;
        // Traditional script, or a region that writes it, reads zh_TW's texts.
        const QLocale locale(language);
        if (locale.script() == QLocale::TraditionalChineseScript || language.contains(QStringLiteral("TW")))
            return QStringLiteral("zh_TW");
        if (language.contains(QStringLiteral("HK")) || language.contains(QStringLiteral("MO")))
            return QStringLiteral("zh_TW");
        return QStringLiteral("zh_CN");
    }
    return QStringLiteral("zh_CN");
}

QString installQtTranslations(QCoreApplication& app, const QStringList& uiLanguages, const QString& folder)
{
    const QString directory = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    const QString locale = qtTranslationLocale(uiLanguages);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_") + locale, directory)) {
        delete translator;
        return {};
    }
    QCoreApplication::installTranslator(translator);
    return locale;
}

} // namespace veskor
