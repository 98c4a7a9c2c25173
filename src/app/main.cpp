// Start-up: the splash window is painted once, the main window loads hidden (the
// settings, the catalogue, the scan of the data folder, the player and the start-up
// movie), then the splash gives way to the main window.

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "platform/file_system.h"
#include "platform/keyboard_state.h"
#include "platform/settings_store.h"
#include "platform/swf_player_component.h"
#include "ui/app_fonts.h"
#include "ui/dialogs.h"
#include "ui/icon_library.h"
#include "web/launcher.h"

#include <QApplication>
#include <QPointer>

namespace veskor {

int Main(QApplication& app)
{
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
    frmMain main({fsys, settings, launcher, &createSwfPlayer, dialogs, executableFolder()});
    main.Form_Load();

    if (splash)
        splash->close();
    if (main.loadFailed())
        return 0;
    main.show();
    // A movie named on the command line (from a file manager or a shortcut) plays at once.
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-'))) {
            main.openMovieFile(arguments[i]);
            break;
        }
    }
    return app.exec();
}

} // namespace veskor

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veskor"));
    QApplication::setOrganizationName(QStringLiteral("Veskor"));
    return veskor::Main(app);
}
