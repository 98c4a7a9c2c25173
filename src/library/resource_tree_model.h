#pragma once

// A QAbstractItemModel over a ResourceTree, so a QTreeView shows the tree's own nodes:
// no copy, each index points at its Node. One column. The text shown is the node's text
// with undecodable file-name bytes made visible (displayText); icons come from a
// provider the window sets, by the node's image index (its expanded image while it is
// expanded, when it has one).

#include "library/resource_tree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>

namespace veskor {

class ResourceTreeModel : public QAbstractItemModel, private ResourceTreeObserver {
    Q_OBJECT
public:
    enum Role {
        ImageRole = Qt::UserRole + 1,
        KeyRole,
        TagRole,
        ExpandedRole,
    };

    explicit ResourceTreeModel(ResourceTree& tree, QObject* parent = nullptr);
    ~ResourceTreeModel() override;

    Node* nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    void setIconProvider(std::function<QIcon(int image)> provider);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    // A node's Expanded flag changed (or, after a rebuild, is set): the view follows.
    void expandedChanged(const QModelIndex& index, bool expanded);

private:
    void beginInsert(Node* parent, int row) override;
    void endInsert() override;
    void beginRemove(Node* parent, int row) override;
    void endRemove() override;
    void beginReorder(Node* parent) override;
    void endReorder() override;
    void beginReset() override;
    void endReset() override;
    void changed(Node* node) override;
    void expansionChanged(Node* node) override;

    const std::vector<Node*>& childrenOf(const QModelIndex& parent) const;

    ResourceTree& m_tree;
    std::function<QIcon(int)> m_iconProvider;
    QModelIndexList m_reorderedIndexes;
    std::vector<const Node*> m_reorderedNodes;
    QList<QPersistentModelIndex> m_reorderedParents;
};

} // namespace veskor
