// What the user does with the resource tree by mouse: click, double click, expand,
// press and release with the pop-up menu, and "打开播放".

#include "app/frm_main.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"
#include "ui/dialogs.h"
#include "ui/resource_tree_view.h"

#include <QItemSelectionModel>
#include <QLineEdit>

namespace veskor {

namespace {
bool isMovieTag(const QString& tag) { return tag == QStringLiteral("swf") || tag == QStringLiteral("SWF"); }
}

Node* frmMain::selectedNode() const
{
    const QItemSelectionModel* selection = TreeView1->selectionModel();
    if (!selection)
        return nullptr;
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? nullptr : treeModel->nodeAt(selected.first());
}

void frmMain::setSelectedNode(Node* node)
{
    const QModelIndex index = node ? treeModel->indexOf(node) : QModelIndex();
    if (!index.isValid()) {
        TreeView1->selectionModel()->clearSelection();
        return;
    }
    TreeView1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void frmMain::selectKeyOrNearest(const QString& key)
{
    QString path = key;
    Node* node = m_lib.Nodes.find(path);
    while (!node && !path.isEmpty()) {
        const QString parent = fs_paths::parentOf(path);
        if (parent == path)
            break;
        path = parent;
        node = m_lib.Nodes.find(path);
    }
    setSelectedNode(node);
    if (node)
        TreeView1->scrollTo(treeModel->indexOf(node));
}

void frmMain::rescan()
{
    const Node* selected = selectedNode();
    const QString key = selected ? selected->Key() : QString();
    m_lib.rescan();
    if (!key.isEmpty())
        selectKeyOrNearest(key);
}

void frmMain::TreeView1_Click()
{
    if (const Node* node = selectedNode())
        Text1->setText(displayText(node->Text()));
}

void frmMain::TreeView1_DblClick()
{
    m_lib.dragFlag = false;
    const Node* node = selectedNode();
    if (!node || node->Tag() == QStringLiteral("folder"))
        return;
    // Copies: loading a movie may rebuild nothing, but the node must not be read after.
    const QString key = node->Key();
    if (isMovieTag(node->Tag()))
        loadswf(key);
    else
        m_services.launcher.openurl(key);
}

void frmMain::TreeView1_Expand(Node* node)
{
    if (node)
        node->setExpandedImage(15);
}

void frmMain::TreeView1_MouseDown(int, int, const QPoint& pos)
{
    if (Node* node = treeModel->nodeAt(TreeView1->HitTest(pos))) {
        setSelectedNode(node);
        m_lib.pressedKey = node->Key();
        m_lib.dragFlag = true;
    }
    TreeView1->setDropHighlight(QModelIndex());
}

void frmMain::TreeView1_MouseUp(int button, int, const QPoint& pos)
{
    m_lib.dragFlag = false;
    const QModelIndex hit = TreeView1->HitTest(pos);
    TreeView1->setDropHighlight(hit);
    const Node* node = treeModel->nodeAt(hit);
    if (button != 2 || !node)
        return;
    const bool notFolder = node->Tag() != QStringLiteral("folder");
    menus.mnubfang->setVisible(notFolder);
    menus.mnucopy->setVisible(notFolder);
    m_services.dialogs.popup(menus.mnutchu, TreeView1->viewport()->mapToGlobal(pos));
}

void frmMain::mnubfang_Click()
{
    TreeView1_DblClick();
    if (PlayerComponent* p = player())
        (void)p->Play();
}

} // namespace veskor
