// Start-up time with a large data folder: from the splash until the main window is
// shown, with a data folder of 100,000 files in 1,000 folders generated in a temporary
// folder. Prints the time of each phase; there is no target yet.

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "platform/file_system.h"
#include "platform/settings_store.h"
#include "platform/swf_player_component.h"
#include "ui/app_fonts.h"
#include "ui/dialogs.h"
#include "web/launcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtWidgets/qtestsupport_widgets.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace veskor;

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

void generate(const std::filesystem::path& root)
{
    const char* extensions[] = {"swf", "ppt", "doc", "txt"};
    for (int f = 0; f < kFolders; ++f) {
        const std::filesystem::path folder = root / ("第" + std::to_string(f) + "单元") / ("课" + std::to_string(f % 7));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i)
            std::ofstream(folder / ("资料" + std::to_string(i) + "." + extensions[i % 4]));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const std::filesystem::path data = std::filesystem::path(temp.path().toStdString()) / "data";
    QElapsedTimer clock;
    clock.start();
    generate(data);
    std::printf("generated %d files in %lld ms\n", kFolders * kFilesPerFolder, static_cast<long long>(clock.elapsed()));

    IniSettingsStore settings(temp.path() + "/settings.ini");
    settings.write("saomiao", QString::fromStdString(data.string()));
    LocalFileSystem fsys;
    DesktopLauncher launcher;
    QtDialogs dialogs;

    clock.restart();
    installFontSubstitutions();
    auto* splash = new frmSplash;
    splash->show();
    QApplication::processEvents();
    const qint64 splashShown = clock.elapsed();

    frmMain main({fsys, settings, launcher, &createSwfPlayer, dialogs, QString()});
    main.Form_Load();
    const qint64 loaded = clock.elapsed();
    splash->close();
    delete splash;
    main.show();
    const bool exposed = QTest::qWaitForWindowExposed(&main);
    const qint64 shown = clock.elapsed();

    std::printf("splash painted      %6lld ms\n", static_cast<long long>(splashShown));
    std::printf("main window loaded  %6lld ms (tree nodes: %zu)\n", static_cast<long long>(loaded),
                main.library().Nodes.size());
    std::printf("main window shown   %6lld ms%s\n", static_cast<long long>(shown), exposed ? "" : " (not exposed)");
    return main.loadFailed() ? 1 : 0;
}
