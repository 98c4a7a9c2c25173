#pragma once

// The main window frmMain: the resource tree on the left, the working player on the
// right, the toolbar row with the search box, the status bar with the position slider,
// the menus, and the splitter between tree and player. It owns the library state, the
// transport and the display modes for the whole run. The handlers are virtual so a
// test can see which handler a menu item or button reaches.

#include "library/library.h"
#include "library/resource_tree_model.h"
#include "platform/player_component.h"
#include "player/transport.h"
#include "ui/layout_rules.h"
#include "ui/main_menus.h"

#include <QMainWindow>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace veskor {

class Dialogs;
class KeyedToolBar;
class PanelStatusBar;
class ResourceTreeView;
class FileManager;
class TreeDrag;

// What the main window works with; the program passes the real ones, tests fakes.
struct MainWindowServices {
    FileSystem& fsys;
    SettingsStore& settings;
    Launcher& launcher;
    PlayerFactory playerFactory;
    Dialogs& dialogs;
    QString applicationFolder;  // empty: the executable's folder
};

inline const QString kMainCaption = QStringLiteral("Veskor(免费版)");
inline const QString kApplicationTitle = QStringLiteral("Veskor");
inline const QString kScanFailedMessage = QStringLiteral("不能运行本程序！");

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(const MainWindowServices& services, QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- life cycle
    void Form_Load();
    // True when the scan failed during the load: the window closed and is never shown.
    bool loadFailed() const { return m_loadFailed; }
    void Form_Unload();

    Library& library() { return m_lib; }
    Transport& transport() { return m_transport; }
    SettingsStore& settings() { return m_services.settings; }
    Dialogs& dialogs() { return m_services.dialogs; }
    Launcher& launcher() { return m_services.launcher; }
    PlayerComponent* player() const { return m_transport.player(); }

    // ---- controls
    KeyedToolBar* tbToolBar = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    ResourceTreeView* TreeView1 = nullptr;
    ResourceTreeModel* treeModel = nullptr;
    QWidget* imgSplitter = nullptr;
    QWidget* picSplitter = nullptr;
    QSlider* Sliderswf = nullptr;
    PanelStatusBar* StatusBarswf = nullptr;
    QTimer* Timerswf = nullptr;
    QTimer* Timer1 = nullptr;
    MainMenus menus;

    // ---- layout (twips)
    void SizeControls(Twips& x);
    void Form_Resize();
    void imgSplitter_MouseDown();
    void imgSplitter_MouseMove(int button, int shift, Twips x);
    void imgSplitter_MouseUp();
    Twips gripLeft() const { return m_gripLeft; }
    LayoutMeasures measures() const;
    LayoutPlacements placements() const;  // read back from the controls
    TwipsRect picSplitterRect() const;

    bool listhidden = false;
    bool fullscreen = false;
    bool splitmoving = false;

    // ---- the tree
    Node* selectedNode() const;
    void setSelectedNode(Node* node);
    // Selects the node with `key`, or when it has none the nearest folder above it that
    // has one, and scrolls it into view.
    void selectKeyOrNearest(const QString& key);
    // Scans the data folder again (F5), keeping the open folders and the selection.
    void rescan();

    // ---- commands
    virtual void mnuFileOpen_Click();
    virtual void mnuFilesave_Click();
    virtual void mnuswfkejian_Click();
    virtual void mnupptkejian_Click();
    virtual void mnudocwendang_Click();
    virtual void showall();
    virtual void mnuFileClose_Click();
    virtual void mnuxkyuanshi_Click();
    virtual void mnuxkyincang_Click();
    virtual void mnuxkquanping_Click();
    virtual void mnudisplay2_Click();
    virtual void mnudisplay0_Click();
    virtual void mnujszc_Click();
    virtual void mnukjwy_Click();
    virtual void mnuyywy_Click();
    virtual void mnuxxwy_Click();
    virtual void mnushming_Click();
    virtual void menusoftset_Click();
    virtual void menuhelpabout_Click();
    virtual void menusearch_Click();
    virtual void menupptkj_Click();
    virtual void menuwordwd_Click();
    virtual void menuflashkj_Click();
    virtual void mnubfang_Click();
    virtual void mnucopy_Click();
    virtual void mnushch_Click();
    virtual void mnuzyglq_Click();
    virtual void Command1_Click();
    virtual void Command2_Click();

    void tbToolBar_ButtonClick(const QString& key);
    virtual void playswf();
    virtual void pauseswf();
    virtual void stopswf();
    virtual void fastforwardswf();
    virtual void fastbackswf();
    virtual void stepbackswf();

    void loadswf(const QString& path);
    // Plays a movie named on the command line, as File > Open would.
    void openMovieFile(const QString& path);
    // What a movie asks of the program with fscommand (frm_main_display.cpp).
    void movieCommand(const QString& command, const QString& arguments);
    void Sliderswf_Scroll();
    void Timerswf_Timer();
    void Timer1_Timer();

    virtual void TreeView1_Click();
    virtual void TreeView1_DblClick();
    void TreeView1_Expand(Node* node);
    void TreeView1_MouseDown(int button, int shift, const QPoint& pos);
    void TreeView1_MouseUp(int button, int shift, const QPoint& pos);
    // Drag-and-drop moving of nodes (frm_main_file_commands.cpp).
    void TreeView1_MouseMove(int button, int shift, const QPoint& pos);
    void TreeView1_DragOver(const QPoint& pos, int state);
    void TreeView1_DragDrop(const QPoint& pos);
    // The drag inside the tree; the file manager "资源管理器" asks (the desktop's unless a
    // test sets one); the common dialog's remembered file name (Save as, File > Open).
    TreeDrag* treeDrag = nullptr;
    FileManager* fileManager = nullptr;
    QString dlgFileName;
    void connectTreeDrag();

    // Copies the transport's state into the slider, the timer and the status panels.
    void syncTransport();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void connectCommands();
    void placeBars();
    void applyPlacements(const LayoutPlacements& p);
    void placePlayer(const TwipsRect& r);
    void adoptPlayer(PlayerComponent* player);
    void reportScanFailure();
    void enterFullScreenPlacement();
    void leaveFullScreen();
    void setTopMenusVisible(bool visible);
    QString textOfSearchBox() const;
    bool isMenuShortcut(const QKeyEvent& key) const;

    MainWindowServices m_services;
    Library m_lib;
    Transport m_transport;
    QWidget* m_client = nullptr;
    Twips m_gripLeft = Twips(2280);
    TwipsRect m_playerRect;  // where the player goes, also while there is no instance
    bool m_loadFailed = false;
    bool m_unloaded = false;
    bool m_syncingSlider = false;
    bool m_fullScreenPlacementPending = false;
};

} // namespace veskor
