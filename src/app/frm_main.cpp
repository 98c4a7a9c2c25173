#include "app/frm_main.h"

#include "platform/keyboard_state.h"
#include "ui/app_fonts.h"
#include "ui/dialogs.h"
#include "ui/guarded.h"
#include "ui/icon_library.h"
#include "ui/keyed_tool_bar.h"
#include "ui/panel_status_bar.h"
#include "ui/resource_tree_view.h"
#include "ui/screen_scale.h"
#include "web/search_urls.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>

namespace veskor {

namespace {

// Heights of the bars and widths of the status panels, from the window's design.
constexpr Twips kToolbarHeight = 420_tw;
constexpr Twips kStatusBarHeight = 345_tw;
constexpr Twips kPanelWidths[4] = {2250_tw, 1500_tw, 1700_tw, 2300_tw};

const QString kPanel1Credit = QStringLiteral("Veskor 教学资源管理");
const QString kPanel2Caption = QStringLiteral("播放进度");

} // namespace

frmMain::frmMain(const MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_lib(services.fsys, services.settings, services.launcher)
    , m_transport(services.playerFactory)
{
    setObjectName("frmMain");
    setWindowIcon(applicationIcon());
    setFont(songti(10.5));
    if (!services.applicationFolder.isEmpty())
        m_lib.setApplicationFolder(services.applicationFolder);
    else if (m_lib.applicationFolder().isEmpty())
        m_lib.setApplicationFolder(QCoreApplication::applicationDirPath());

    buildControls();
    connectCommands();
    installEventFilter(this);

    const TwipsScale scale = screenScale(this);
    QSize size(scale.pixels(10920_tw), scale.pixels(8745_tw) + menuBar()->sizeHint().height());
    // At a large logical resolution the design size may not fit the screen.
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

frmMain::~frmMain()
{
    // The player widget is a child of the client; the instance goes first.
    m_transport.onPlayerReplaced = nullptr;
}

void frmMain::buildControls()
{
    const TwipsScale scale = screenScale(this);
    m_client = new QWidget(this);
    m_client->setObjectName("client");
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    menus = buildMainMenus(menuBar(), this);

    tbToolBar = new KeyedToolBar(m_client);
    tbToolBar->setObjectName("tbToolBar");
    tbToolBar->resize(scale.pixels(10920_tw), scale.pixels(kToolbarHeight));
    tbToolBar->setButtonSize(scale.pixels(330_tw));

    Text1 = new QLineEdit(QStringLiteral("输入课件标题"), tbToolBar);
    Text1->setObjectName("Text1");
    Text1->setGeometry(scale.rect({4440_tw, 0_tw, 2415_tw, 330_tw}));
    Command1 = new QPushButton(QStringLiteral("教育搜索"), tbToolBar);
    Command1->setObjectName("Command1");
    Command1->setGeometry(scale.rect({6840_tw, 0_tw, 1335_tw, 330_tw}));
    Command2 = new QPushButton(QStringLiteral("教育导航"), tbToolBar);
    Command2->setObjectName("Command2");
    Command2->setGeometry(scale.rect({8160_tw, 0_tw, 1335_tw, 330_tw}));

    TreeView1 = new ResourceTreeView(m_client);
    TreeView1->setObjectName("TreeView1");
    treeModel = new ResourceTreeModel(m_lib.Nodes, this);
    treeModel->setIconProvider([](int image) { return treeImage(image); });
    TreeView1->setModel(treeModel);
    TreeView1->setIconSize(QSize(scale.pixels(240_tw), scale.pixels(240_tw)));

    imgSplitter = new QWidget(m_client);
    imgSplitter->setObjectName("imgSplitter");
    imgSplitter->setCursor(Qt::SizeHorCursor);
    imgSplitter->setGeometry(scale.pixels(m_gripLeft), 0, scale.pixels(135_tw), 10);
    imgSplitter->installEventFilter(this);

    picSplitter = new QWidget(m_client);
    picSplitter->setObjectName("picSplitter");
    picSplitter->setAutoFillBackground(true);
    QPalette grey = picSplitter->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    picSplitter->setPalette(grey);
    picSplitter->hide();

    StatusBarswf = new PanelStatusBar(m_client);
    StatusBarswf->setObjectName("StatusBarswf");
    for (int panel = 1; panel <= 4; ++panel)
        StatusBarswf->setPanelWidth(panel, scale.pixels(kPanelWidths[panel - 1]));
    StatusBarswf->setPanelText(1, kPanel1Credit);
    StatusBarswf->setPanelText(2, kPanel2Caption);
    StatusBarswf->resize(scale.pixels(10920_tw), scale.pixels(kStatusBarHeight));

    Sliderswf = new QSlider(Qt::Horizontal, m_client);
    Sliderswf->setObjectName("Sliderswf");
    // A click gives the slider the keys, so the arrows then move the movie, not the tree.
    Sliderswf->setFocusPolicy(Qt::ClickFocus);

    Timerswf = new QTimer(this);
    Timerswf->setObjectName("Timerswf");
    Timerswf->setInterval(500);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);

    m_playerRect = {2280_tw + 40_tw, kToolbarHeight, 8500_tw, 7000_tw};
    m_transport.onPlayerReplaced = [this](PlayerComponent* p) { adoptPlayer(p); };
    syncTransport();
    placeBars();
}

void frmMain::connectCommands()
{
    const auto on = [this](QAction* action, void (frmMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(menus.mnuFileOpen, &frmMain::mnuFileOpen_Click);
    on(menus.mnuFilesave, &frmMain::mnuFilesave_Click);
    on(menus.mnuswfkejian, &frmMain::mnuswfkejian_Click);
    on(menus.mnupptkejian, &frmMain::mnupptkejian_Click);
    on(menus.mnudocwendang, &frmMain::mnudocwendang_Click);
    on(menus.mnuFileClose, &frmMain::mnuFileClose_Click);
    on(menus.mnuxkyuanshi, &frmMain::mnuxkyuanshi_Click);
    on(menus.mnuxkyincang, &frmMain::mnuxkyincang_Click);
    on(menus.mnuxkquanping, &frmMain::mnuxkquanping_Click);
    on(menus.mnudisplay2, &frmMain::mnudisplay2_Click);
    on(menus.mnudisplay0, &frmMain::mnudisplay0_Click);
    on(menus.mnujszc, &frmMain::mnujszc_Click);
    on(menus.mnukjwy, &frmMain::mnukjwy_Click);
    on(menus.mnuyywy, &frmMain::mnuyywy_Click);
    on(menus.mnuxxwy, &frmMain::mnuxxwy_Click);
    on(menus.mnushming, &frmMain::mnushming_Click);
    on(menus.menusoftset, &frmMain::menusoftset_Click);
    on(menus.menuhelpabout, &frmMain::menuhelpabout_Click);
    on(menus.menusearch, &frmMain::menusearch_Click);
    on(menus.menupptkj, &frmMain::menupptkj_Click);
    on(menus.menuwordwd, &frmMain::menuwordwd_Click);
    on(menus.menuflashkj, &frmMain::menuflashkj_Click);
    on(menus.mnubfang, &frmMain::mnubfang_Click);
    on(menus.mnucopy, &frmMain::mnucopy_Click);
    on(menus.mnushch, &frmMain::mnushch_Click);
    on(menus.mnuzyglq, &frmMain::mnuzyglq_Click);
    // "搜索(&b)" has no command.

    // F5 shows what changed in the data folder since the scan; it is no menu item.
    auto* rescanAction = new QAction(this);
    rescanAction->setObjectName("rescan");
    rescanAction->setShortcut(QKeySequence(Qt::Key_F5));
    rescanAction->setShortcutContext(Qt::WindowShortcut);
    addAction(rescanAction);
    connect(rescanAction, &QAction::triggered, this, [this] { guarded([&] { rescan(); }); });
    // The menus' keys win over the editing keys of the search box and the tree (Ctrl+C
    // zooms, Ctrl+X shows the list, Ctrl+E quits), wherever the focus is.
    Text1->installEventFilter(this);
    TreeView1->installEventFilter(this);

    connect(Command1, &QPushButton::clicked, this, [this] { guarded([&] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guarded([&] { Command2_Click(); }); });
    connect(tbToolBar, &KeyedToolBar::ButtonClick, this,
            [this](const QString& key) { guarded([&] { tbToolBar_ButtonClick(key); }); });

    connect(Timerswf, &QTimer::timeout, this, [this] { guarded([&] { Timerswf_Timer(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([&] { Timer1_Timer(); }); });
    connect(Sliderswf, &QSlider::valueChanged, this, [this] {
        if (!m_syncingSlider)
            guarded([&] { Sliderswf_Scroll(); });
    });

    connect(TreeView1, &ResourceTreeView::Click, this, [this] { guarded([&] { TreeView1_Click(); }); });
    connect(TreeView1, &ResourceTreeView::DblClick, this, [this] { guarded([&] { TreeView1_DblClick(); }); });
    connect(TreeView1, &ResourceTreeView::MouseDown, this, [this](int b, int s, const QPoint& p) {
        guarded([&] { TreeView1_MouseDown(b, s, p); });
    });
    connect(TreeView1, &ResourceTreeView::MouseUp, this, [this](int b, int s, const QPoint& p) {
        guarded([&] { TreeView1_MouseUp(b, s, p); });
    });
    connect(TreeView1, &ResourceTreeView::MouseMove, this, [this](int b, int s, const QPoint& p) {
        guarded([&] { TreeView1_MouseMove(b, s, p); });
    });
    connectTreeDrag();
    connect(TreeView1, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        guarded([&] {
            // The expand-all key reports every node below, files included; only a
            // node with children opens.
            if (Node* node = treeModel->nodeAt(index); node && !node->children().empty()) {
                if (!node->Expanded())
                    node->setExpanded(true);
                TreeView1_Expand(node);
            }
        });
    });
    connect(TreeView1, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        guarded([&] {
            if (Node* node = treeModel->nodeAt(index); node && node->Expanded())
                node->setExpanded(false);
        });
    });
    // The tree's Expanded flags drive the view after every rebuild and change.
    connect(treeModel, &ResourceTreeModel::expandedChanged, this, [this](const QModelIndex& index, bool expanded) {
        if (TreeView1->isExpanded(index) != expanded)
            TreeView1->setExpanded(index, expanded);
    });

    m_lib.onBusyStart = [] { QApplication::setOverrideCursor(Qt::WaitCursor); };
    m_lib.onBusyEnd = [] { QApplication::restoreOverrideCursor(); };
    m_lib.onScanFailed = [this](const Error&) { reportScanFailure(); };
}

void frmMain::Form_Load()
{
    // Every step runs; one that fails is skipped and the load goes on.
    Text1->resize(Text1->width(), tbToolBar->height());
    Command1->resize(Command1->width(), Text1->height());
    Command2->resize(Command2->width(), Text1->height());
    m_lib.searchsite = siteName();
    m_lib.setApplicationFolder(m_lib.applicationFolder());

    bool isNumber = false;
    const float splitterleft =
        m_services.settings.read(QStringLiteral("splitterleft"), QStringLiteral("2280")).trimmed().toFloat(&isNumber);
    if (isNumber && std::isfinite(splitterleft))
        m_gripLeft = screenScale(this).snapped(Twips(splitterleft));

    const QString defaultData = m_lib.defaultDataFolder();
    m_lib.saomiao = m_services.settings.read(QStringLiteral("saomiao"), defaultData);
    if (!m_lib.fsys.FolderExists(m_lib.saomiao))
        m_lib.saomiao = defaultData;

    m_lib.addnetsearch();
    if (!m_lib.additem().ok()) {
        m_loadFailed = true;
        reportScanFailure();
        return;
    }

    (void)m_transport.createWorkingPlayer(m_client);
    setWindowTitle(kMainCaption);
    picSplitter->hide();
    menus.mnudisplay2->setChecked(false);
    if (PlayerComponent* p = player()) {
        (void)p->setMovie(m_lib.apppath + QStringLiteral("软件支持/ke02.swf"));
        (void)p->Play();
    }
    Timerswf->start();
    syncTransport();
}

void frmMain::reportScanFailure()
{
    m_services.dialogs.message(this, kScanFailedMessage, QStringLiteral("提示"));
    close();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timerswf->stop();
    Timer1->stop();
    if (isMinimized())
        return;
    m_services.settings.write(QStringLiteral("splitterleft"), QString::number(m_gripLeft.value()));
    m_services.settings.write(QStringLiteral("saomiao"), m_lib.saomiao);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    guarded([&] { Form_Unload(); });
    event->accept();
}

void frmMain::mnuFileClose_Click() { close(); }

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising and restoring change no size, yet the layout must follow the state.
    if (event->type() == QEvent::WindowStateChange)
        guarded([&] { Form_Resize(); });
}

bool frmMain::isMenuShortcut(const QKeyEvent& key) const
{
    const QKeySequence pressed(key.keyCombination());
    for (const auto& [name, action] : menus.namedItems()) {
        if (!action->shortcut().isEmpty() && action->shortcut().matches(pressed) == QKeySequence::ExactMatch)
            return true;
    }
    return false;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == Text1 || watched == TreeView1) && event->type() == QEvent::ShortcutOverride
        && isMenuShortcut(*static_cast<QKeyEvent*>(event))) {
        // Not accepted and not passed on: the window's shortcut takes the key.
        event->ignore();
        return true;
    }
    if (watched == m_client && event->type() == QEvent::Resize) {
        guarded([&] {
            placeBars();
            if (fullscreen)
                enterFullScreenPlacement();
            else
                Form_Resize();
        });
    } else if (watched == imgSplitter) {
        const TwipsScale scale = screenScale(this);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            guarded([&] { imgSplitter_MouseDown(); });
            return true;
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int x = static_cast<int>(mouse->position().x());
            guarded([&] {
                imgSplitter_MouseMove(ResourceTreeView::buttonCode(Qt::MouseButton(int(mouse->buttons()) & 0x7)), 0,
                                      scale.twips(x));
            });
            return true;
        }
        case QEvent::MouseButtonRelease:
            guarded([&] { imgSplitter_MouseUp(); });
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace veskor
