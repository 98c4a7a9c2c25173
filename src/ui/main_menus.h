#pragma once

// The main window's menu bar and the tree's pop-up menu, with their captions, access
// keys, shortcuts and check marks. The window connects each item to its handler.

#include <QAction>
#include <QMenu>

class QMenuBar;

namespace veskor {

struct MainMenus {
    QMenu* mnuFile = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFilesave = nullptr;
    QAction* mnuswfkejian = nullptr;
    QAction* mnupptkejian = nullptr;
    QAction* mnudocwendang = nullptr;
    QAction* mnubbs = nullptr;
    QAction* mnuFileClose = nullptr;

    QMenu* mnucontrol = nullptr;
    QMenu* mnuxk = nullptr;
    QAction* mnuxkyuanshi = nullptr;
    QAction* mnuxkyincang = nullptr;
    QAction* mnuxkquanping = nullptr;
    QMenu* mnubk = nullptr;
    QAction* mnudisplay2 = nullptr;
    QAction* mnudisplay0 = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnujszc = nullptr;
    QAction* mnukjwy = nullptr;
    QAction* mnuyywy = nullptr;
    QAction* mnuxxwy = nullptr;
    QAction* mnushming = nullptr;
    QAction* menusoftset = nullptr;
    QAction* menuhelpabout = nullptr;

    // The tree's pop-up "弹出", never in the menu bar.
    QMenu* mnutchu = nullptr;
    QAction* menusearch = nullptr;
    QAction* menupptkj = nullptr;
    QAction* menuwordwd = nullptr;
    QAction* menuflashkj = nullptr;
    QAction* mnubfang = nullptr;
    QAction* mnucopy = nullptr;
    QAction* mnushch = nullptr;
    QAction* mnuzyglq = nullptr;

    // Every item with a command, by its name ("mnuFileOpen", "menusearch", ...); "搜索(&b)"
    // has none.
    QList<QPair<QString, QAction*>> namedItems() const;
};

// Fills the menu bar and creates the pop-up menu, owned by popupParent. The two items
// of "播放控制" start checked, as the window's design has them.
MainMenus buildMainMenus(QMenuBar* bar, QWidget* popupParent);

} // namespace veskor
