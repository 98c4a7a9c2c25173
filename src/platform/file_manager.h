#pragma once

// Showing a folder, or a file inside its folder, in the desktop's file manager. The
// path always travels as data: as one URI in a D-Bus call to the
// org.freedesktop.FileManager1 service, or as one URL to the desktop's default handler
// when no file manager answers. No command line is ever built, so a folder named
// "a; rm -rf ~" or "$(touch x)" is only ever a name.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace veskor {

class FileManager {
public:
    virtual ~FileManager();
    // Opens the folder itself.
    virtual void showFolder(const QString& folderPath) = 0;
    // Opens the folder that holds the file with the file selected.
    virtual void showFile(const QString& filePath) = 0;
};

// A file: URI whose path is the path's native bytes, percent-encoded where a URI cannot
// hold them, so a name that is not UTF-8 still names the very file. Plain ASCII.
QString fileUri(const QString& path);

// The desktop's file manager. ShowFolders for a folder, ShowItems for a file; when the
// call fails (no session bus, no service, an error reply) the folder is opened with the
// desktop's default handler instead.
class DesktopFileManager : public QObject, public FileManager {
    Q_OBJECT
public:
    // Sends one FileManager1 call asynchronously and reports its outcome through `done`
    // (true when the file manager accepted it). Tests replace it to see the call.
    using BusCall = std::function<void(const QString& method, const QStringList& uris,
                                       std::function<void(bool ok)> done)>;
    // Opens a URL with the desktop's default handler.
    using UrlOpener = std::function<bool(const QUrl& url)>;

    explicit DesktopFileManager(QObject* parent = nullptr);
    DesktopFileManager(BusCall bus, UrlOpener opener, QObject* parent = nullptr);

    void setUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }

    void showFolder(const QString& folderPath) override;
    void showFile(const QString& filePath) override;

private:
    void show(const QString& method, const QString& path, const QString& folderPath);
    void sessionBusCall(const QString& method, const QStringList& uris, std::function<void(bool)> done);

    BusCall m_bus;
    UrlOpener m_opener;
};

// Records the requests instead of showing anything.
class RecordingFileManager : public FileManager {
public:
    struct Request {
        bool file = false;  // showFile rather than showFolder
        QString path;
    };
    QList<Request> requests;

    void showFolder(const QString& folderPath) override { requests.append({false, folderPath}); }
    void showFile(const QString& filePath) override { requests.append({true, filePath}); }
};

} // namespace veskor
