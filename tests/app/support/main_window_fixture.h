#pragma once

// A main window on real temporary folders with a fake player, recorded dialogs and
// launches and settings in memory: an application folder holding the support folder
// and its catalogue, and a data folder with a movie, a document and a sub-folder.

#include "app/frm_main.h"
#include "app/support/memory_settings.h"
#include "platform/file_system.h"
#include "player/support/fake_player.h"
#include "ui/dialogs.h"
#include "web/recording_launcher.h"
#include "web/search_urls.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace veskor::testing {

// Window geometry is kept in whole pixels: a length in twips comes back within a pixel.
#define EXPECT_WITHIN_A_PIXEL(a, b) EXPECT_NEAR((a).value(), (b).value(), 15.01f)

inline void writeFile(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct MainWindowFixture : ::testing::Test {
    QTemporaryDir temp;
    QString appFolder, dataFolder;
    LocalFileSystem fsys;
    MemorySettings settings;
    RecordingLauncher launcher;
    RecordingDialogs dialogs;
    FakePlayerFactory players;

    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        appFolder = temp.path() + "/app";
        dataFolder = temp.path() + "/data";
        writeFile(appFolder + "/软件支持/目录.txt", "第一章\r\n第二章\r\n");
        writeFile(dataFolder + "/lesson.swf");
        writeFile(dataFolder + "/Big.SWF");
        writeFile(dataFolder + "/odd.Swf");
        writeFile(dataFolder + "/notes.doc");
        writeFile(dataFolder + "/unit/more.ppt");
        settings.values["saomiao"] = dataFolder;
    }

    // Subclasses of frmMain (the recording one) are made the same way.
    template <typename Window = frmMain>
    std::unique_ptr<Window> makeWindow()
    {
        auto window = std::make_unique<Window>(MainWindowServices{fsys, settings, launcher, players.factory(), dialogs, appFolder});
        return window;
    }

    std::unique_ptr<frmMain> loadedWindow()
    {
        auto window = makeWindow();
        window->Form_Load();
        return window;
    }

    FakePlayer* player() const { return *players.last; }
};

} // namespace veskor::testing
