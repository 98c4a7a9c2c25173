#include "web/launcher.h"

#include "platform/native_path.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace veskor {

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendEscaped(QByteArray& out, unsigned char byte)
{
    out.append('%');
    out.append(kHex[byte >> 4]);
    out.append(kHex[byte & 0x0F]);
}

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

bool unreservedInPath(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
        || byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
}

} // namespace

Launcher::~Launcher() = default;

QUrl urlForLaunch(const QString& addressOrPath)
{
    QByteArray encoded;
    if (addressOrPath.startsWith(QLatin1Char('/'))) {
        encoded = "file://";
        for (const char c : nativeFromPath(addressOrPath)) {
            const auto byte = static_cast<unsigned char>(c);
            if (unreservedInPath(byte))
                encoded.append(c);
            else
                appendEscaped(encoded, byte);
        }
    } else {
        const QByteArray utf8 = addressOrPath.toUtf8();
        for (const char c : utf8) {
            const auto byte = static_cast<unsigned char>(c);
            if (urlCannotHold(byte))
                appendEscaped(encoded, byte);
            else
                encoded.append(c);
        }
    }
    return QUrl::fromEncoded(encoded, QUrl::TolerantMode);
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
