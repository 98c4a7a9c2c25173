// The main window's layout: the bars along the edges, the tree, grip, player and slider
// placed by the twips rules, and the splitter drag.

#include "app/frm_main.h"

#include "ui/keyed_tool_bar.h"
#include "ui/panel_status_bar.h"
#include "ui/resource_tree_view.h"
#include "ui/screen_scale.h"

#include <QSlider>

namespace veskor {

LayoutMeasures frmMain::measures() const
{
    const TwipsScale scale = screenScale(this);
    LayoutMeasures m;
    m.Width = scale.twips(frameGeometry().width());
    m.ScaleWidth = scale.twips(m_client->width());
    m.ScaleHeight = scale.twips(m_client->height());
    m.toolbarHeight = scale.twips(tbToolBar->height());
    m.statusBarHeight = scale.twips(StatusBarswf->height());
    m.panel1Width = scale.twips(StatusBarswf->panelWidth(1));
    m.panel2Width = scale.twips(StatusBarswf->panelWidth(2));
    return m;
}

LayoutPlacements frmMain::placements() const
{
    const TwipsScale scale = screenScale(this);
    LayoutPlacements p;
    p.tree = scale.twipsRect(TreeView1->geometry());
    p.grip = scale.twipsRect(imgSplitter->geometry());
    p.grip.left = m_gripLeft;
    p.player = m_playerRect;
    if (PlayerComponent* pl = player(); pl && pl->widget())
        p.player = scale.twipsRect(pl->widget()->geometry());
    p.slider = scale.twipsRect(Sliderswf->geometry());
    return p;
}

TwipsRect frmMain::picSplitterRect() const { return screenScale(this).twipsRect(picSplitter->geometry()); }

void frmMain::placeBars()
{
    const int width = m_client->width();
    tbToolBar->setGeometry(0, 0, width, tbToolBar->height());
    StatusBarswf->setGeometry(0, m_client->height() - StatusBarswf->height(), width, StatusBarswf->height());
}

void frmMain::placePlayer(const TwipsRect& r)
{
    m_playerRect = r;
    if (PlayerComponent* p = player(); p && p->widget())
        p->widget()->setGeometry(screenScale(this).rect(r));
}

void frmMain::applyPlacements(const LayoutPlacements& p)
{
    const TwipsScale scale = screenScale(this);
    TreeView1->setGeometry(scale.rect(p.tree));
    m_gripLeft = p.grip.left;
    imgSplitter->setGeometry(scale.rect(p.grip));
    placePlayer(p.player);
    Sliderswf->setGeometry(scale.rect(p.slider));
}

void frmMain::adoptPlayer(PlayerComponent* p)
{
    QWidget* w = p ? p->widget() : nullptr;
    if (!w)
        return;
    p->setCommandHandler([this](const QString& command, const QString& arguments) { movieCommand(command, arguments); });
    if (w->parentWidget() != m_client)
        w->setParent(m_client);
    w->setGeometry(screenScale(this).rect(m_playerRect));
    w->show();
    // The slider and the drag bar stay in front of the player.
    Sliderswf->raise();
    picSplitter->raise();
}

void frmMain::SizeControls(Twips& x)
{
    const TwipsScale scale = screenScale(this);
    LayoutPlacements p = placements();
    veskor::SizeControls(x, measures(), p, [scale](Twips t) { return scale.snapped(t); });
    applyPlacements(p);
}

void frmMain::Form_Resize()
{
    switch (resizeAction(fullscreen, listhidden, isMinimized())) {
    case ResizeAction::Nothing:
        return;
    case ResizeAction::PlayerFillsWidth: {
        const TwipsScale scale = screenScale(this);
        LayoutPlacements p = placements();
        fillWidthWithPlayer(measures(), p, [scale](Twips t) { return scale.snapped(t); });
        placePlayer(p.player);
        return;
    }
    case ResizeAction::SizeControls: {
        Twips x = m_gripLeft;
        SizeControls(x);
        tbToolBar->setValue(QStringLiteral("隐藏"), 0);
        return;
    }
    }
}

void frmMain::imgSplitter_MouseDown()
{
    const TwipsScale scale = screenScale(this);
    const QRect grip = imgSplitter->geometry();
    picSplitter->setGeometry(scale.pixels(m_gripLeft), grip.y(), grip.width() / 2, grip.height());
    picSplitter->show();
    picSplitter->raise();
    splitmoving = true;
}

void frmMain::imgSplitter_MouseMove(int, int, Twips x)
{
    if (!splitmoving)
        return;
    const TwipsScale scale = screenScale(this);
    const Twips left = splitterBarLeft(m_gripLeft, x, measures().Width);
    picSplitter->move(scale.pixels(left), picSplitter->y());
}

void frmMain::imgSplitter_MouseUp()
{
    Twips x = screenScale(this).twips(picSplitter->x());
    SizeControls(x);
    picSplitter->hide();
    splitmoving = false;
}

} // namespace veskor
