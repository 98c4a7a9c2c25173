#pragma once

// The web addresses the program opens: the search site's forms, the education-navigation
// page and the program's forum page. The endpoints are fixed values of the build, kept
// here and nowhere else. Every part is joined verbatim: a keyword is neither trimmed nor
// escaped, so "&", "#", spaces and Chinese text reach the address unchanged; encoding for
// a URL happens only when an address is launched (launcher.h).

#include <QString>

namespace veskor {

namespace endpoints {
inline constexpr char16_t searchSite[] = u"https://so.veskor.net/";
inline constexpr char16_t navigationPage[] = u"https://dh.veskor.net/";
inline constexpr char16_t programSite[] = u"https://www.veskor.net/";
inline constexpr char16_t forumPath[] = u"bbs/forumdisplay.php?fid=14";
} // namespace endpoints

// The search site base address S, ending in "/".
QString siteRoot();
// S without its final "/": the key of the catalogue root.
QString siteName();
QString navigationPage();
QString forumPage();

// S?q=K
QString keywordSearch(const QString& keyword);
// S?q=K&ft=T (T may be empty: the address then ends in "&ft=")
QString typedSearch(const QString& keyword, const QString& type);
// S?ft=T
QString typeBrowse(const QString& type);

// Exactly "swf", "doc" or "ppt"; case matters.
bool isTypeValue(const QString& tag);

// The search button beside the search box: typed when the selected node's tag is a type
// value, otherwise a plain keyword search. No selected node (nullptr) searches untyped.
QString command1Address(const QString& searchBoxText, const QString* selectedTagOrNull);
// "查找更多" on a node: its own text as keyword, the node's tag when it is a type value,
// else the type filter; "&ft=" is always there.
QString menusearchAddress(const QString& nodeText, const QString& nodeTag, const QString& filetype);

} // namespace veskor
