#include "web/launcher.h"

#include "common/percent_encoding.h"
#include "platform/file_manager.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace veskor {

namespace {

bool urlCannotHold(unsigned char byte)
{
    if (byte <= 0x20 || byte >= 0x7F)
        return true;
    switch (byte) {
    case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
        return true;
    default:
        return false;
    }
}

} // namespace

Launcher::~Launcher() = default;

QUrl urlForLaunch(const QString& addressOrPath)
{
    if (addressOrPath.startsWith(QLatin1Char('/')))
        return QUrl::fromEncoded(fileUri(addressOrPath).toLatin1(), QUrl::TolerantMode);
    const std::string encoded = percentEncode(addressOrPath.toUtf8().toStdString(),
                                              [](unsigned char byte) { return !urlCannotHold(byte); });
    return QUrl::fromEncoded(QByteArray::fromStdString(encoded), QUrl::TolerantMode);
}

QString browserProgram(const QByteArray& browserVariable, bool haveXWwwBrowser)
{
    const QString entry = QString::fromLocal8Bit(browserVariable).section(QLatin1Char(':'), 0, 0).trimmed();
    const QString program = entry.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!program.isEmpty())
        return program;
    return haveXWwwBrowser ? QStringLiteral("x-www-browser") : QStringLiteral("xdg-open");
}

QString browserProgram()
{
    return browserProgram(qgetenv("BROWSER"), !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty());
}

void DesktopLauncher::openurl(const QString& addressOrPath) { QDesktopServices::openUrl(urlForLaunch(addressOrPath)); }

// The show state cannot be passed to an arbitrary browser program on this desktop; the
// program is started the same way for both states.
void DesktopLauncher::openinbrowser(const QString& address, int)
{
    const QUrl url = urlForLaunch(address);
    QProcess::startDetached(browserProgram(), {QString::fromLatin1(url.toEncoded())});
}

} // namespace veskor
