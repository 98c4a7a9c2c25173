#pragma once

// The resource tree's nodes in plain C++: the `Nodes` collection of the tree control,
// which every builder and command works on and which a Qt model (resource_tree_model.h)
// shows without copying.
//
// A node whose `Sorted` flag is set keeps its children in alphabetical order of their
// texts: locale-aware, case-insensitive, numbers compared as numbers (第2课 before
// 第10课). During a batch (the scan), children are appended and a folder's order is
// worked out when somebody first looks at it, so building a large tree pays for
// collation only where the tree is shown.

#include "common/result.h"

#include <QCollator>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace veskor {

class ResourceTree;

class Node {
public:
    const QString& Key() const { return m_key; }
    const QString& Text() const { return m_text; }
    const QString& Tag() const { return m_tag; }
    int Image() const { return m_image; }
    int ExpandedImage() const { return m_expandedImage; }
    bool Sorted() const { return m_sorted; }
    bool Expanded() const { return m_expanded; }
    // A folder whose content could not be read: it is empty in the tree, not on disk.
    bool Unreadable() const { return m_unreadable; }

    // nullptr for a top-level node.
    Node* parent() const { return m_parent && m_parent->m_parent ? m_parent : nullptr; }
    const std::vector<Node*>& children() const;
    // The position among its siblings (top-level nodes: among the top level).
    int row() const;

    void setText(const QString& text);
    void setTag(const QString& tag);
    void setImage(int image);
    void setExpandedImage(int image);
    // Turning it on puts the existing children in order at once.
    void setSorted(bool sorted);
    void setExpanded(bool expanded);
    void setUnreadable(bool unreadable);

private:
    friend class ResourceTree;
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    void putInOrder() const;

    QString m_key;
    QString m_text;
    QString m_tag;
    ResourceTree* m_tree = nullptr;
    Node* m_parent = nullptr;
    mutable std::vector<Node*> m_children;
    mutable int m_row = 0;
    int m_image = 0;
    int m_expandedImage = 0;
    bool m_sorted = false;
    bool m_expanded = false;
    bool m_unreadable = false;
    // Children were appended unsorted during a batch; ordered on first look.
    mutable bool m_orderPending = false;
};

// What a view adapter needs to follow the tree. `parent` is nullptr for the top level.
class ResourceTreeObserver {
public:
    virtual ~ResourceTreeObserver();
    virtual void beginInsert(Node* parent, int row) = 0;
    virtual void endInsert() = 0;
    virtual void beginRemove(Node* parent, int row) = 0;
    virtual void endRemove() = 0;
    virtual void beginReorder(Node* parent) = 0;
    virtual void endReorder() = 0;
    virtual void beginReset() = 0;
    // After a reset the tree reports every expanded node through expandedChanged.
    virtual void endReset() = 0;
    virtual void changed(Node* node) = 0;
    virtual void expansionChanged(Node* node) = 0;
};

class ResourceTree {
public:
    ResourceTree();
    ~ResourceTree();
    ResourceTree(const ResourceTree&) = delete;
    ResourceTree& operator=(const ResourceTree&) = delete;

    // A top-level node after the existing ones.
    Result<Node*> add(const QString& key, const QString& text, int image);
    // The last child of the node with `parentKey`, or its alphabetical place when that
    // node is Sorted. Fails on a duplicate key or a missing parent.
    Result<Node*> addChild(const QString& parentKey, const QString& key, const QString& text, int image);
    // The same under a parent already at hand (the scan knows the node of the folder it lists).
    Result<Node*> addChild(Node* parent, const QString& key, const QString& text, int image);
    // Removes the node with everything below it. False when no node has the key.
    bool remove(const QString& key);
    void clear();
    // Room for `count` more children, when a builder knows how many are coming.
    void reserveChildren(Node* parent, size_t count);

    Node* first() const;
    Node* find(const QString& key) const;
    bool contains(const QString& key) const { return m_byKey.contains(key); }
    const std::vector<Node*>& topLevel() const { return m_root.m_children; }
    size_t size() const { return static_cast<size_t>(m_byKey.size()); }
    // The keys of the nodes that are expanded now, in no particular order.
    QStringList expandedKeys() const;

    void setObserver(ResourceTreeObserver* observer) { m_observer = observer; }
    ResourceTreeObserver* observer() const { return m_observer; }

    // Many changes at once: the observer sees one reset instead of each change.
    void beginBatch();
    void endBatch();
    bool inBatch() const { return m_batchDepth > 0; }

    class Batch {
    public:
        explicit Batch(ResourceTree& tree) : m_tree(tree) { m_tree.beginBatch(); }
        ~Batch() { m_tree.endBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ResourceTree& m_tree;
    };

    // The order used for Sorted children: < 0, 0, > 0 like strcmp.
    int compareTexts(const QString& a, const QString& b) const { return m_collator.compare(a, b); }

private:
    friend class Node;

    Result<Node*> insert(Node* parent, const QString& key, const QString& text, int image);
    void sortChildren(const Node* parent) const;
    void deleteSubtree(Node* node);
    ResourceTreeObserver* notifying() const { return m_batchDepth > 0 ? nullptr : m_observer; }
    void expandedFlagChanged(Node* node);

    Node m_root;
    QHash<QString, Node*> m_byKey;
    QSet<Node*> m_expanded;
    QCollator m_collator;
    ResourceTreeObserver* m_observer = nullptr;
    int m_batchDepth = 0;
};

} // namespace veskor
