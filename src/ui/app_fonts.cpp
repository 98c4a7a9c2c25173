#include "ui/app_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace veskor {

namespace {
const QString kSongti = QStringLiteral("宋体");

// Free CJK fonts in the order we prefer them; the first installed one wins.
const QStringList& cjkCandidates()
{
    static const QStringList candidates = {
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("WenQuanYi Zen Hei"),   QStringLiteral("Source Han Sans SC"), QStringLiteral("AR PL UMing CN"),
    };
    return candidates;
}
} // namespace

QString installFontSubstitutions()
{
    const QStringList families = QFontDatabase::families();
    QStringList installed;
    for (const QString& candidate : cjkCandidates())
        if (families.contains(candidate, Qt::CaseInsensitive))
            installed.append(candidate);
    if (installed.isEmpty())
        return kSongti;
    QFont::insertSubstitutions(kSongti, installed);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), installed);
    return installed.first();
}

QFont songti(qreal pointSize, bool bold)
{
    QFont font(kSongti);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace veskor
