// The file commands of the tree and the File menu ("删除", "另存为", "资源管理器") and
// drag-and-drop moving of nodes. The rules and the disk changes are in
// library/tree_actions; here are the questions, the messages, the drag and its highlight.

#include "app/frm_main.h"

#include "library/tree_actions.h"
#include "platform/file_manager.h"
#include "platform/native_path.h"
#include "ui/dialogs.h"
#include "ui/guarded.h"
#include "ui/resource_tree_view.h"
#include "ui/tree_drag.h"

namespace veskor {

namespace {

const QString kDeleteQuestion = QStringLiteral("将彻底删除文件或文件夹,你真的要删除吗?");
const QString kDeleteCaption = QStringLiteral("确认彻底删除");
const QString kSaveAsTitle = QStringLiteral("另存为");
// "所有文件" lists every file: on Linux the pattern "*.*" would hide names without a dot.
const QString kSaveAsFilter = QStringLiteral(
    "所有文件 (*);;Flash文件 (*.swf);;Powerpoint文件 (*.ppt);;Word文档 (*.doc);;文本文件 (*.txt)");
const QString kOnlyFilesMessage = QStringLiteral("只有文件才能另存为，文件夹和网络教学资源不能另存为。");

QString notSavedMessage(const QString& path)
{
    return QStringLiteral("不能保存“%1”，文件没有另存。").arg(displayText(path));
}

QString notDeletedMessage(const QString& path)
{
    return QStringLiteral("不能删除“%1”，它仍在原处。").arg(displayText(path));
}

} // namespace

void frmMain::connectTreeDrag()
{
    treeDrag = new TreeDrag(TreeView1);
    connect(treeDrag, &TreeDrag::DragOver, this, [this](const QPoint& pos, int state) {
        guarded([&] { TreeView1_DragOver(pos, state); });
    });
    connect(treeDrag, &TreeDrag::DragDrop, this, [this](const QPoint& pos) {
        guarded([&] { TreeView1_DragDrop(pos); });
    });
}

void frmMain::mnushch_Click()
{
    if (!m_services.dialogs.confirm(this, kDeleteQuestion, kDeleteCaption))
        return;
    const tree_actions::DeleteOutcome outcome = tree_actions::deleteNode(m_lib, m_lib.pressedKey);
    if (!outcome.failedPath.isEmpty())
        m_services.dialogs.message(this, notDeletedMessage(outcome.failedPath), kApplicationTitle);
}

void frmMain::mnuFilesave_Click()
{
    const Node* node = selectedNode();
    switch (tree_actions::saveAsSource(m_lib, node)) {
    case tree_actions::SaveAsSource::None:
        return;
    case tree_actions::SaveAsSource::NotAFile:
        m_services.dialogs.message(this, kOnlyFilesMessage, kApplicationTitle);
        return;
    case tree_actions::SaveAsSource::File:
        break;
    }
    const QString source = node->Key();
    const QString chosen = m_services.dialogs.saveFileName(this, kSaveAsTitle, kSaveAsFilter, dlgFileName);
    // A cancelled dialog chooses nothing, whatever name it still showed.
    if (chosen.isEmpty())
        return;
    dlgFileName = chosen;
    // A copy that could not be made is said, so nobody takes an unsaved file for saved.
    if (!tree_actions::saveAs(m_lib.fsys, source, chosen).ok())
        m_services.dialogs.message(this, notSavedMessage(chosen), kApplicationTitle);
}

void frmMain::mnucopy_Click() { mnuFilesave_Click(); }

void frmMain::mnuzyglq_Click()
{
    const tree_actions::ShowRequest request = tree_actions::showRequest(m_lib, m_lib.pressedKey);
    if (request.kind == tree_actions::ShowRequest::Kind::Nothing)
        return;
    if (!fileManager)
        fileManager = new DesktopFileManager(this);
    if (request.kind == tree_actions::ShowRequest::Kind::Folder)
        fileManager->showFolder(request.path);
    else
        fileManager->showFile(request.path);
}

void frmMain::TreeView1_MouseMove(int, int, const QPoint& pos)
{
    // Until the pointer has gone the drag distance, the press may still be a click.
    if (m_lib.dragFlag && treeDrag && !treeDrag->movedFarEnough(pos))
        return;
    if (!tree_actions::mouseMove(m_lib) || !treeDrag || treeDrag->dragging())
        return;
    treeDrag->exec(windowIcon());
}

void frmMain::TreeView1_DragOver(const QPoint& pos, int state)
{
    switch (tree_actions::dragOver(m_lib, state)) {
    case tree_actions::Hover::EndDrag:
        TreeView1->setDropHighlight(QModelIndex());
        if (treeDrag)
            treeDrag->end();
        break;
    case tree_actions::Hover::Highlight:
        TreeView1->setDropHighlight(TreeView1->HitTest(pos));
        break;
    case tree_actions::Hover::Ignore:
        break;
    }
}

void frmMain::TreeView1_DragDrop(const QPoint&)
{
    const Node* target = treeModel->nodeAt(TreeView1->DropHighlight());
    const tree_actions::DropOutcome outcome = tree_actions::dropOnto(m_lib, target ? target->Key() : QString());
    if (tree_actions::clearsHighlight(outcome))
        TreeView1->setDropHighlight(QModelIndex());
}

} // namespace veskor
