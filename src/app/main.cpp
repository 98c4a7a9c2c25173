// Start-up: the splash window is painted once, the main window loads hidden (the
// settings, the catalogue, the scan of the data folder, the player and the start-up
// movie), then the splash gives way to the main window. Asked for its help or version
// on the command line, the program answers on the terminal and opens no window.

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "library/library.h"
#include "platform/file_system.h"
#include "platform/keyboard_state.h"
#include "platform/movie_loader.h"
#include "platform/settings_store.h"
#include "platform/swf_player_component.h"
#include "player/frame_stats.h"
#include "ui/app_fonts.h"
#include "ui/dialogs.h"
#include "ui/icon_library.h"
#include "ui/qt_translations.h"
#include "web/launcher.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>

#include <cstring>

namespace veskor {

namespace {

const QString kSupportFolder = QStringLiteral("软件支持");

const QCommandLineOption kFrameStatsOption(
    QStringLiteral("frame-stats"),
    QStringLiteral("每隔 <seconds> 秒及退出时在标准错误输出播放窗口显示的帧数 (诊断用)"),
    QStringLiteral("seconds"));

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Veskor 教学资源管理与 Flash 课件播放"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("要播放的 Flash 影片 (.swf)"),
                                 QStringLiteral("[FILE.swf]"));
    parser.addOption(kFrameStatsOption);
}

// With --frame-stats the program reports how many frames its player window shows.
void startFrameStats(QApplication& app, const QCommandLineParser& parser)
{
    if (!parser.isSet(kFrameStatsOption))
        return;
    bool ok = false;
    const double seconds = parser.value(kFrameStatsOption).toDouble(&ok);
    auto* stats = new FrameStats({}, &app);
    stats->watch(app);
    stats->reportEvery(ok ? seconds : 0);
}

// Help and version are answered on the terminal before any window, so they work
// without a display. Other options (Qt's own, such as -platform) reach QApplication.
bool answersOnTerminal(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The folder that holds the support folder: beside the executable when the program
// runs from its build or unpacked folder, else the installed data folder.
QString applicationFolder()
{
    const QString exe = executableFolder();
    if (QFileInfo(exe + QLatin1Char('/') + kSupportFolder).isDir())
        return exe;
    const QString installed = QDir::cleanPath(exe + QStringLiteral("/" VESKOR_DATA_FROM_BIN));
    if (QFileInfo(installed + QLatin1Char('/') + kSupportFolder).isDir())
        return installed;
    return exe;
}

} // namespace

int Main(QApplication& app)
{
    installQtTranslations(app, QLocale().uiLanguages());
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    startFrameStats(app, parser);

    installFontSubstitutions();
    app.setFont(songti(10.5));
    app.setWindowIcon(applicationIcon());
    KeyboardState::instance().install(&app);

    QPointer<frmSplash> splash = new frmSplash;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    QApplication::processEvents();

    LocalFileSystem fsys;
    IniSettingsStore settings;
    DesktopLauncher launcher;
    QtDialogs dialogs;
    frmMain main({fsys, settings, launcher, &createSwfPlayer, dialogs, applicationFolder()});
    main.Form_Load();

    if (splash)
        splash->close();
    if (main.loadFailed())
        return 0;
    main.show();
    // A movie named on the command line (from a file manager or a shortcut) plays at once.
    if (const QStringList files = parser.positionalArguments(); !files.isEmpty())
        main.openMovieFile(QFileInfo(files.first()).absoluteFilePath());
    const int code = app.exec();
    // A load the quit cut short finishes before the program's statics go.
    MovieLoader::waitForLoads();
    return code;
}

} // namespace veskor

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Veskor"));
    QCoreApplication::setOrganizationName(QStringLiteral("Veskor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESKOR_VERSION));
    if (veskor::answersOnTerminal(argc, argv)) {
        QCoreApplication app(argc, argv);
        veskor::installQtTranslations(app, QLocale().uiLanguages());
        QCommandLineParser parser;
        veskor::describeCommandLine(parser);
        parser.process(app);  // prints and exits for help, version and unknown options
    }
    QApplication app(argc, argv);
    return veskor::Main(app);
}
