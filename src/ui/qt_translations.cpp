#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace veskor {

namespace {

// Texts of the file dialogs' type column that the installed translation lacks (it names
// every folder "Folder"): supplied here, so that the dialogs read in Chinese throughout.
// Asked after Qt's own translation, which wins where it has a text.
class FileTypeTexts : public QTranslator {
public:
    FileTypeTexts(bool traditional, QObject* parent) : QTranslator(parent), m_traditional(traditional) {}

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        struct Text {
            const char* source;
            const char* simplified;
            const char* traditional;
        };
        static const Text kTexts[] = {
            {"Folder", "文件夹", "資料夾"},
            {"Drive", "驱动器", "磁碟機"},
            {"Shortcut", "快捷方式", "捷徑"},
            {"Unknown", "未知", "未知"},
        };
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        for (const Text& text : kTexts) {
            if (qstrcmp(sourceText, text.source) == 0)
                return QString::fromUtf8(m_traditional ? text.traditional : text.simplified);
        }
        return {};
    }
    bool isEmpty() const override { return false; }

private:
    bool m_traditional;
};

} // namespace

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
    QCoreApplication::installTranslator(new FileTypeTexts(locale == QStringLiteral("zh_TW"), &app));
    QCoreApplication::installTranslator(translator);
    return locale;
}

} // namespace veskor
