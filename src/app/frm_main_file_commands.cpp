// The file commands of the tree and the File menu ("删除", "另存为", "资源管理器") and
// drag-and-drop moving of nodes. The rules and the disk changes are in
// library/tree_actions; here are the questions, the messages, the drag and its highlight.

#include "app/frm_main.h"

#include "library/tree_actions.h"
#include "platform/file_manager.h"
#include "platform/fs_paths.h"
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

QString deleteDataFolderQuestion(const QString& path)
{
    return QStringLiteral("将彻底删除数据文件夹“%1”和其中的全部文件,你真的要删除吗?").arg(displayText(path));
}

QString programFolderNotDeletedMessage(const QString& path)
{
    return QStringLiteral("“%1”是本程序所在的文件夹，不能删除。").arg(displayText(path));
}

QString replaceQuestion(const QString& path)
{
    return QStringLiteral("“%1”已经存在。要替换它吗?").arg(displayText(path));
}

QString notMovedMessage(const QString& path, tree_actions::MoveFailure why)
{
    const QString name = displayText(path);
    switch (why) {
    case tree_actions::MoveFailure::NameTaken:
        return QStringLiteral("不能移动“%1”：目标文件夹里已有同名的文件或文件夹。").arg(name);
    case tree_actions::MoveFailure::IntoItself:
        return QStringLiteral("不能移动“%1”：文件夹不能移到它自己的子文件夹里。").arg(name);
    case tree_actions::MoveFailure::NotPermitted:
        return QStringLiteral("不能移动“%1”：没有修改这个文件夹的权限。").arg(name);
    case tree_actions::MoveFailure::None:
    case tree_actions::MoveFailure::Other:
        break;
    }
    return QStringLiteral("不能移动“%1”，它仍在原处。").arg(name);
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
    const Node* node = m_lib.Nodes.find(m_lib.pressedKey);
    // The data folder's root holds everything the teacher keeps: its question names it
    // and defaults to Cancel, and the program's own folder is never deleted from here.
    const bool dataRoot = node && !node->parent() && !tree_actions::isCatalogueNode(m_lib, *node);
    if (dataRoot && fs_paths::isSameOrBelow(m_lib.applicationFolder(), node->Key())) {
        m_services.dialogs.message(this, programFolderNotDeletedMessage(node->Key()), kApplicationTitle);
        return;
    }
    const bool confirmed = dataRoot
        ? m_services.dialogs.confirmCautiously(this, deleteDataFolderQuestion(node->Key()), kDeleteCaption)
        : m_services.dialogs.confirm(this, kDeleteQuestion, kDeleteCaption);
    if (!confirmed)
        return;
    const Node* parent = node ? node->parent() : nullptr;
    const QString parentKey = parent ? parent->Key() : QString();
    const tree_actions::DeleteOutcome outcome = tree_actions::deleteNode(m_lib, m_lib.pressedKey);
    if (!outcome.failedPath.isEmpty())
        m_services.dialogs.message(this, notDeletedMessage(outcome.failedPath), kApplicationTitle);
    // The selection goes to the folder the node was in, never to a neighbour that the
    // next command would then act on unasked.
    if (outcome.removedNode)
        selectKeyOrNearest(parentKey);
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
    const bool replaces = fs_paths::withoutTrailingSeparator(chosen) != fs_paths::withoutTrailingSeparator(source)
        && m_lib.fsys.FileExists(chosen);
    if (replaces && !m_services.dialogs.confirmCautiously(this, replaceQuestion(chosen), kSaveAsTitle))
        return;
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
    tree_actions::DropDetails details;
    const tree_actions::DropOutcome outcome =
        tree_actions::dropOnto(m_lib, target ? target->Key() : QString(), &details);
    if (tree_actions::clearsHighlight(outcome))
        TreeView1->setDropHighlight(QModelIndex());
    switch (outcome) {
    case tree_actions::DropOutcome::FileMoved:
    case tree_actions::DropOutcome::FolderMoved:
        // The moved item stays the selection in its new place, so the next command acts on it.
        selectKeyOrNearest(details.movedKey);
        break;
    case tree_actions::DropOutcome::FileNotMoved:
    case tree_actions::DropOutcome::FolderNotMoved:
    {
        selectKeyOrNearest(details.sourcePath);
        // Said once the drag is over: a modal box inside the platform's drag loop
        // would wait for a pointer that the drag still holds.
        const QString text = notMovedMessage(details.sourcePath, details.failure);
        QMetaObject::invokeMethod(
            this, [this, text] { m_services.dialogs.message(this, text, kApplicationTitle); },
            Qt::QueuedConnection);
        break;
    }
    default:
        break;
    }
}

} // namespace veskor
