#pragma once

// The two ways the program hands an address to the desktop. `openurl` gives a web
// address or a local path to the desktop's default handler; `openinbrowser` starts the
// browser program itself with the address as its one argument. Results are never
// examined: a missing handler or browser changes nothing in the program.

#include <QString>
#include <QUrl>

namespace veskor {

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_MINIMIZE = 6;

class Launcher {
public:
    virtual ~Launcher();
    virtual void openurl(const QString& addressOrPath) = 0;
    virtual void openinbrowser(const QString& address, int showState) = 0;
};

class DesktopLauncher : public Launcher {
public:
    void openurl(const QString& addressOrPath) override;
    void openinbrowser(const QString& address, int showState) override;
};

// The URL for an address at the moment of launch. A local path (starting with "/")
// becomes a file URL from its native bytes, so a name that is not UTF-8 survives. A web
// address keeps its text; only what a URL cannot hold (spaces, control characters,
// non-ASCII, and " < > \ ^ ` { | }) is percent-encoded, as UTF-8.
QUrl urlForLaunch(const QString& addressOrPath);

// The browser program for `openinbrowser`: the first entry of $BROWSER (a colon list,
// first word of the entry), else x-www-browser when it is on the PATH, else xdg-open.
QString browserProgram(const QByteArray& browserVariable, bool haveXWwwBrowser);
QString browserProgram();

} // namespace veskor
