#include "platform/file_manager.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"

#include "common/percent_encoding.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QPointer>

namespace veskor {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObjectPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kInterface = QStringLiteral("org.freedesktop.FileManager1");

// A file manager that is not running yet may take a while to start; after this the
// folder is opened the other way.
constexpr int kCallTimeoutMs = 10000;

bool keptInUriPath(unsigned char byte)
{
    return isAsciiAlphanumeric(byte) || byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
}

} // namespace

FileManager::~FileManager() = default;

QString fileUri(const QString& path)
{
    return QString::fromLatin1("file://" + percentEncode(nativeFromPath(path), keptInUriPath));
}

DesktopFileManager::DesktopFileManager(QObject* parent)
    : QObject(parent)
    , m_opener([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    m_bus = [this](const QString& method, const QStringList& uris, std::function<void(bool)> done) {
        sessionBusCall(method, uris, std::move(done));
    };
}

DesktopFileManager::DesktopFileManager(BusCall bus, UrlOpener opener, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_opener(std::move(opener))
{
}

void DesktopFileManager::showFolder(const QString& folderPath)
{
    show(QStringLiteral("ShowFolders"), folderPath, folderPath);
}

void DesktopFileManager::showFile(const QString& filePath)
{
    show(QStringLiteral("ShowItems"), filePath, fs_paths::parentOf(filePath));
}

void DesktopFileManager::show(const QString& method, const QString& path, const QString& folderPath)
{
    if (path.isEmpty())
        return;
    // The fallback may run after the call returns: it keeps its own copies, and does
    // nothing once this object is gone.
    const QUrl folderUrl = QUrl::fromEncoded(fileUri(folderPath).toLatin1(), QUrl::TolerantMode);
    QPointer<DesktopFileManager> self(this);
    m_bus(method, {fileUri(path)}, [self, folderUrl](bool ok) {
        if (!ok && self && self->m_opener)
            self->m_opener(folderUrl);
    });
}

void DesktopFileManager::sessionBusCall(const QString& method, const QStringList& uris, std::function<void(bool)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kObjectPath, kInterface, method);
    call << uris << QString();  // the URIs, and no start-up notification id
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
        done(!w->isError());
        w->deleteLater();
    });
}

} // namespace veskor
