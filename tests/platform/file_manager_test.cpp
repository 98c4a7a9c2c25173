// Showing folders in the desktop's file manager: the path travels as one URI built from
// its bytes, the right FileManager1 method is asked, and the folder is opened the other
// way only when that call fails.

#include "platform/file_manager.h"
#include "platform/native_path.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

using namespace veskor;

namespace {

struct Call {
    QString method;
    QStringList uris;
};

struct Recorder {
    QList<Call> calls;
    QList<QUrl> opened;
    bool busAnswers = true;

    DesktopFileManager make()
    {
        return DesktopFileManager(
            [this](const QString& method, const QStringList& uris, std::function<void(bool)> done) {
                calls.append({method, uris});
                done(busAnswers);
            },
            [this](const QUrl& url) {
                opened.append(url);
                return true;
            });
    }
};

} // namespace

TEST(FileManagerTest, UrisCarryTheNativeBytesOfEveryName)
{
    struct Case {
        QString path;
        const char* uri;
    } cases[] = {
        {"/home/t/课件", "file:///home/t/%E8%AF%BE%E4%BB%B6"},
        {"/d/a; rm -rf ~", "file:///d/a%3B%20rm%20-rf%20~"},
        {"/d/$(touch pwned)", "file:///d/%24%28touch%20pwned%29"},
        {"/d/it's \"q\"/`x`", "file:///d/it%27s%20%22q%22/%60x%60"},
        {"/d/100%#?&", "file:///d/100%25%23%3F%26"},
        {pathFromNative("/d/\xff\xfe"), "file:///d/%FF%FE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileUri(c.path), QString::fromLatin1(c.uri)) << c.uri;
        // The URI leads back to the same bytes.
        const QUrl url = QUrl::fromEncoded(fileUri(c.path).toLatin1(), QUrl::StrictMode);
        EXPECT_EQ(QByteArray::fromPercentEncoding(url.toEncoded(QUrl::RemoveScheme).mid(2)),
                  QByteArray::fromStdString(nativeFromPath(c.path)))
            << c.uri;
    }
}

TEST(FileManagerTest, FolderAndFileAskTheirOwnMethodWithOneUri)
{
    Recorder r;
    DesktopFileManager fm = r.make();
    fm.showFolder("/d/a; rm -rf ~");
    fm.showFile("/d/$(touch pwned)/x.swf");
    ASSERT_EQ(r.calls.size(), 2);
    EXPECT_EQ(r.calls[0].method, "ShowFolders");
    EXPECT_EQ(r.calls[0].uris, QStringList{"file:///d/a%3B%20rm%20-rf%20~"});
    EXPECT_EQ(r.calls[1].method, "ShowItems");
    EXPECT_EQ(r.calls[1].uris, QStringList{"file:///d/%24%28touch%20pwned%29/x.swf"});
    EXPECT_TRUE(r.opened.isEmpty());
}

TEST(FileManagerTest, WithoutAFileManagerTheFolderOpensWithTheDefaultHandler)
{
    Recorder r;
    r.busAnswers = false;
    DesktopFileManager fm = r.make();
    fm.showFolder("/d/a b");
    fm.showFile("/d/$(x)/x.swf");
    ASSERT_EQ(r.opened.size(), 2);
    EXPECT_EQ(r.opened[0].toEncoded(), "file:///d/a%20b");
    // For a file, the folder that holds it.
    EXPECT_EQ(r.opened[1].toEncoded(), "file:///d/%24%28x%29");
    EXPECT_EQ(r.opened[1].toLocalFile(), "/d/$(x)");
}

TEST(FileManagerTest, AFolderNamedWithShellCharactersRunsNothing)
{
    // The real file manager object on a session bus that is not there: the call fails
    // and the folder goes to the default handler, recorded here instead of started.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/veskor-test-bus");
    QTemporaryDir dir;
    const QString folder = dir.path() + "/a; touch pwned; $(touch pwned) `touch pwned` 'q' \"q\"";
    std::filesystem::create_directories(fsFromPath(folder));
    QList<QUrl> opened;
    DesktopFileManager fm;
    fm.setUrlOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    fm.showFolder(folder);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), folder);
    EXPECT_FALSE(std::filesystem::exists(fsFromPath(dir.path() + "/pwned")));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}
