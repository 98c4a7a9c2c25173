#include "ui/main_menus.h"

#include <QMenuBar>

namespace veskor {

namespace {

QAction* item(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The shortcuts work wherever the focus is in the main window, also while the
        // menu bar is hidden in full screen.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

QMenu* submenu(QMenu* parent, const QString& name, const QString& caption)
{
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QMenu* topMenu(QMenuBar* bar, const QString& name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QKeySequence ctrl(char letter) { return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (letter - 'A'))); }

} // namespace

MainMenus buildMainMenus(QMenuBar* bar, QWidget* popupParent)
{
    MainMenus m;
    m.mnuFile = topMenu(bar, "mnuFile", "文件(&F)");
    m.mnuFileOpen = item(m.mnuFile, "mnuFileOpen", "打开(&O)", ctrl('O'));
    m.mnuFilesave = item(m.mnuFile, "mnuFilesave", "另存为(&s)", ctrl('S'));
    m.mnuswfkejian = item(m.mnuFile, "mnuswfkejian", "Flash课件(&k)", ctrl('F'));
    m.mnupptkejian = item(m.mnuFile, "mnupptkejian", "PowerPoint课件(&g)", ctrl('G'));
    m.mnudocwendang = item(m.mnuFile, "mnudocwendang", "Word文档资料(&m)", ctrl('W'));
    m.mnubbs = item(m.mnuFile, "mnubbs", "搜索(&b)", ctrl('B'));
    m.mnuFileClose = item(m.mnuFile, "mnuFileClose", "退出(&e)", ctrl('E'));

    m.mnucontrol = topMenu(bar, "mnucontrol", "控制(&E)");
    m.mnuxk = submenu(m.mnucontrol, "mnuxk", "显示控制");
    m.mnuxkyuanshi = item(m.mnuxk, "mnuxkyuanshi", "显示列表", ctrl('X'));
    m.mnuxkyincang = item(m.mnuxk, "mnuxkyincang", "隐藏列表", ctrl('Y'));
    m.mnuxkquanping = item(m.mnuxk, "mnuxkquanping", "全屏幕", ctrl('Q'));
    m.mnubk = submenu(m.mnucontrol, "mnubk", "播放控制");
    m.mnudisplay2 = item(m.mnubk, "mnudisplay2", "缩放至窗口大小", ctrl('C'));
    m.mnudisplay0 = item(m.mnubk, "mnudisplay0", "正常画面", ctrl('N'));
    for (QAction* mode : {m.mnudisplay2, m.mnudisplay0}) {
        mode->setCheckable(true);
        mode->setChecked(true);
    }

    m.mnuHelp = topMenu(bar, "mnuHelp", "帮助(&H)");
    m.mnujszc = item(m.mnuHelp, "mnujszc", "检查新版");
    m.mnukjwy = item(m.mnuHelp, "mnukjwy", "更多Flash课件");
    m.mnuyywy = item(m.mnuHelp, "mnuyywy", "更多PPT课件");
    m.mnuxxwy = item(m.mnuHelp, "mnuxxwy", "更多Word文档");
    m.mnushming = item(m.mnuHelp, "mnushming", "使用说明");
    m.menusoftset = item(m.mnuHelp, "menusoftset", "软件设置");
    m.menuhelpabout = item(m.mnuHelp, "menuhelpabout", "关于");

    m.mnutchu = new QMenu("弹出", popupParent);
    m.mnutchu->setObjectName("mnutchu");
    m.menusearch = item(m.mnutchu, "menusearch", "查找更多");
    m.menupptkj = item(m.mnutchu, "menupptkj", "更多PPT课件");
    m.menuwordwd = item(m.mnutchu, "menuwordwd", "更多WORD文档");
    m.menuflashkj = item(m.mnutchu, "menuflashkj", "更多FLASH课件");
    m.mnubfang = item(m.mnutchu, "mnubfang", "打开播放");
    m.mnucopy = item(m.mnutchu, "mnucopy", "另存为");
    m.mnushch = item(m.mnutchu, "mnushch", "删除");
    m.mnuzyglq = item(m.mnutchu, "mnuzyglq", "资源管理器");
    return m;
}

QList<QPair<QString, QAction*>> MainMenus::namedItems() const
{
    QList<QPair<QString, QAction*>> items;
    for (QAction* a : {mnuFileOpen, mnuFilesave, mnuswfkejian, mnupptkejian, mnudocwendang, mnuFileClose,
                       mnuxkyuanshi, mnuxkyincang, mnuxkquanping, mnudisplay2, mnudisplay0, mnujszc, mnukjwy,
                       mnuyywy, mnuxxwy, mnushming, menusoftset, menuhelpabout, menusearch, menupptkj, menuwordwd,
                       menuflashkj, mnubfang, mnucopy, mnushch, mnuzyglq})
        if (a)
            items.append({a->objectName(), a});
    return items;
}

} // namespace veskor
