// Display modes: the movie's scale, the hidden list, and full screen with its Esc exit.

#include "app/frm_main.h"

#include "platform/keyboard_state.h"
#include "platform/window_style.h"
#include "ui/keyed_tool_bar.h"
#include "ui/panel_status_bar.h"
#include "ui/resource_tree_view.h"
#include "ui/screen_scale.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

namespace veskor {

void frmMain::mnudisplay0_Click()
{
    if (PlayerComponent* p = player())
        (void)p->setScaleMode(0);
    m_transport.displaymode = 0;
    menus.mnudisplay0->setChecked(true);
    menus.mnudisplay2->setChecked(false);
}

void frmMain::mnudisplay2_Click()
{
    if (PlayerComponent* p = player())
        (void)p->setScaleMode(2);
    m_transport.displaymode = 2;
    menus.mnudisplay0->setChecked(false);
    menus.mnudisplay2->setChecked(true);
}

void frmMain::mnuxkyincang_Click()
{
    // Every use hides the tree; the flag flips, so a second use lets the next resize
    // bring the tree back.
    listhidden = !listhidden;
    TreeView1->move(-TreeView1->width(), TreeView1->y());
    TwipsRect r = placements().player;
    r.left = 0_tw;
    r.width = screenScale(this).twips(m_client->width());
    placePlayer(r);
    // The toolbar's list button shows the list's state, whichever way it was hidden.
    tbToolBar->setValue(QStringLiteral("隐藏"), 1);
}

void frmMain::mnuxkyuanshi_Click()
{
    listhidden = false;
    Form_Resize();
}

void frmMain::setTopMenusVisible(bool visible)
{
    for (QMenu* menu : {menus.mnuFile, menus.mnucontrol, menus.mnuHelp})
        menu->menuAction()->setVisible(visible);
    menuBar()->setVisible(visible);
}

void frmMain::mnuxkquanping_Click()
{
    // An Esc pressed before full screen must not end it at the first tick.
    (void)KeyboardState::instance().takePressed(Qt::Key_Escape);
    Timer1->start();
    fullscreen = true;
    removeCaptionAndFrame(this);
    setWindowState(Qt::WindowNoState);
    setTopMenusVisible(false);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    if (PlayerComponent* p = player(); p && p->widget())
        p->widget()->raise();
    enterFullScreenPlacement();
    if (PlayerComponent* p = player())
        p->setMenu(true);
}

void frmMain::enterFullScreenPlacement()
{
    // The window system reports the new client size later than the move; every resize
    // of the client while in full screen places the player over it again.
    const LayoutMeasures m = measures();
    placePlayer({0_tw, 0_tw, m.ScaleWidth, m.ScaleHeight + m.statusBarHeight});
}

void frmMain::Timer1_Timer()
{
    KeyboardState& keys = KeyboardState::instance();
    const bool escape = keys.takePressed(Qt::Key_Escape) || keys.isDown(Qt::Key_Escape);
    if (escape)
        leaveFullScreen();
}

void frmMain::leaveFullScreen()
{
    fullscreen = false;
    listhidden = false;
    restoreCaptionAndFrame(this);
    setWindowState(Qt::WindowMaximized);
    setTopMenusVisible(true);
    Timer1->stop();
    // Lay out at once too: a window that is already maximised gets no new size.
    Form_Resize();
}

// The projector's commands: full screen, the zoom mode and the menu follow
// the movie; quit stops it and leaves full screen (the program stays open).
// Esc always leaves full screen, whatever trapallkeys says, and exec, which
// would start a program, is refused like every other command.
void frmMain::movieCommand(const QString& command, const QString& arguments)
{
    const QString name = command.trimmed().toLower();
    const QString value = arguments.trimmed().toLower();
    const bool on = value == QStringLiteral("true") || value == QStringLiteral("1") || value == QStringLiteral("yes");
    if (name == QStringLiteral("fullscreen")) {
        if (on && !fullscreen)
            mnuxkquanping_Click();
        else if (!on && fullscreen)
            leaveFullScreen();
    } else if (name == QStringLiteral("allowscale")) {
        // Scaling allowed: stretched to the player; else the movie's own proportions.
        if (on)
            mnudisplay2_Click();
        else
            mnudisplay0_Click();
    } else if (name == QStringLiteral("showmenu")) {
        if (PlayerComponent* p = player())
            p->setMenu(on);
    } else if (name == QStringLiteral("quit")) {
        stopswf();
        if (fullscreen)
            leaveFullScreen();
    }
}

} // namespace veskor
