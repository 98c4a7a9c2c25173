#include "library/resource_tree_model.h"

#include "platform/fs_paths.h"
#include "platform/native_path.h"

#include <QColor>

namespace veskor {

ResourceTreeModel::ResourceTreeModel(ResourceTree& tree, QObject* parent)
    : QAbstractItemModel(parent)
    , m_tree(tree)
{
    m_tree.setObserver(this);
}

ResourceTreeModel::~ResourceTreeModel()
{
    if (m_tree.observer() == this)
        m_tree.setObserver(nullptr);
}

Node* ResourceTreeModel::nodeAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex ResourceTreeModel::indexOf(const Node* node) const
{
    if (!node)
        return QModelIndex();
    return createIndex(node->row(), 0, const_cast<Node*>(node));
}

void ResourceTreeModel::setIconProvider(std::function<QIcon(int image)> provider)
{
    m_iconProvider = std::move(provider);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

const std::vector<Node*>& ResourceTreeModel::childrenOf(const QModelIndex& parent) const
{
    if (Node* node = nodeAt(parent))
        return node->children();
    return m_tree.topLevel();
}

QModelIndex ResourceTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const auto& children = childrenOf(parent);
    if (static_cast<size_t>(row) >= children.size())
        return QModelIndex();
    return createIndex(row, 0, children[static_cast<size_t>(row)]);
}

QModelIndex ResourceTreeModel::parent(const QModelIndex& child) const
{
    const Node* node = nodeAt(child);
    return node ? indexOf(node->parent()) : QModelIndex();
}

int ResourceTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return static_cast<int>(childrenOf(parent).size());
}

int ResourceTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool ResourceTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (Node* node = nodeAt(parent))
        return parent.column() == 0 && !node->children().empty();
    return !parent.isValid() && !m_tree.topLevel().empty();
}

QVariant ResourceTreeModel::data(const QModelIndex& index, int role) const
{
    const Node* node = nodeAt(index);
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(node->Text());
    case Qt::ToolTipRole: {
        // The whole name (the tree shows files without their extension) and where it is.
        if (!node->Key().startsWith(QLatin1Char('/')))
            return displayText(node->Text()) + QLatin1Char('\n') + node->Key();
        QString tip = displayText(fs_paths::nameOf(node->Key())) + QLatin1Char('\n') + displayText(node->Key());
        if (node->Unreadable())
            tip += QStringLiteral("\n（不能读取这个文件夹，其中的文件没有列出）");
        return tip;
    }
    case Qt::ForegroundRole:
        // An unreadable folder is greyed, so it does not pass for an empty one.
        return node->Unreadable() ? QVariant(QColor(Qt::gray)) : QVariant();
    case Qt::DecorationRole: {
        if (!m_iconProvider)
            return QVariant();
        const int image = node->Expanded() && node->ExpandedImage() != 0 ? node->ExpandedImage() : node->Image();
        return image != 0 ? QVariant(m_iconProvider(image)) : QVariant();
    }
    case ImageRole:
        return node->Image();
    case KeyRole:
        return node->Key();
    case TagRole:
        return node->Tag();
    case ExpandedRole:
        return node->Expanded();
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> ResourceTreeModel::roleNames() const
{
    auto names = QAbstractItemModel::roleNames();
    names.insert(ImageRole, "image");
    names.insert(KeyRole, "key");
    names.insert(TagRole, "tag");
    names.insert(ExpandedRole, "expanded");
    return names;
}

void ResourceTreeModel::beginInsert(Node* parent, int row) { beginInsertRows(indexOf(parent), row, row); }
void ResourceTreeModel::endInsert() { endInsertRows(); }
void ResourceTreeModel::beginRemove(Node* parent, int row) { beginRemoveRows(indexOf(parent), row, row); }
void ResourceTreeModel::endRemove() { endRemoveRows(); }

// Persistent indexes (a view's selection and current item) follow their nodes when a
// folder's children are put in order.
void ResourceTreeModel::beginReorder(Node* parent)
{
    m_reorderedParents = {QPersistentModelIndex(indexOf(parent))};
    emit layoutAboutToBeChanged(m_reorderedParents, VerticalSortHint);
    m_reorderedIndexes = persistentIndexList();
    m_reorderedNodes.clear();
    for (const QModelIndex& index : std::as_const(m_reorderedIndexes))
        m_reorderedNodes.push_back(nodeAt(index));
}

void ResourceTreeModel::endReorder()
{
    QModelIndexList moved;
    moved.reserve(m_reorderedIndexes.size());
    for (const Node* node : m_reorderedNodes)
        moved.append(indexOf(node));
    changePersistentIndexList(m_reorderedIndexes, moved);
    m_reorderedIndexes.clear();
    m_reorderedNodes.clear();
    emit layoutChanged(m_reorderedParents, VerticalSortHint);
    m_reorderedParents.clear();
}

void ResourceTreeModel::beginReset() { beginResetModel(); }
void ResourceTreeModel::endReset() { endResetModel(); }

void ResourceTreeModel::changed(Node* node)
{
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index);
}

void ResourceTreeModel::expansionChanged(Node* node)
{
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index, {Qt::DecorationRole, ExpandedRole});
    emit expandedChanged(index, node->Expanded());
}

} // namespace veskor
