#include "web/search_urls.h"

namespace veskor {

QString siteRoot() { return QString::fromUtf16(endpoints::searchSite); }

QString siteName()
{
    QString site = siteRoot();
    if (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

QString navigationPage() { return QString::fromUtf16(endpoints::navigationPage); }

QString forumPage() { return QString::fromUtf16(endpoints::programSite) + QString::fromUtf16(endpoints::forumPath); }

QString keywordSearch(const QString& keyword) { return siteRoot() + QLatin1String("?q=") + keyword; }

QString typedSearch(const QString& keyword, const QString& type)
{
    return siteRoot() + QLatin1String("?q=") + keyword + QLatin1String("&ft=") + type;
}

QString typeBrowse(const QString& type) { return siteRoot() + QLatin1String("?ft=") + type; }

bool isTypeValue(const QString& tag)
{
    return tag == QLatin1String("swf") || tag == QLatin1String("doc") || tag == QLatin1String("ppt");
}

QString command1Address(const QString& searchBoxText, const QString* selectedTagOrNull)
{
    if (selectedTagOrNull && isTypeValue(*selectedTagOrNull))
        return typedSearch(searchBoxText, *selectedTagOrNull);
    return keywordSearch(searchBoxText);
}

QString menusearchAddress(const QString& nodeText, const QString& nodeTag, const QString& filetype)
{
    return typedSearch(nodeText, isTypeValue(nodeTag) ? nodeTag : filetype);
}

} // namespace veskor
