#include "library/resource_tree.h"

#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace veskor {

ResourceTreeObserver::~ResourceTreeObserver() = default;

// ---- Node ----

const std::vector<Node*>& Node::children() const
{
    if (m_orderPending)
        putInOrder();
    return m_children;
}

int Node::row() const
{
    if (m_parent && m_parent->m_orderPending)
        m_parent->putInOrder();
    return m_row;
}

void Node::putInOrder() const
{
    m_orderPending = false;
    if (m_sorted && m_tree)
        m_tree->sortChildren(this);
}

void Node::setText(const QString& text)
{
    m_text = text;
    if (auto* observer = m_tree ? m_tree->notifying() : nullptr)
        observer->changed(this);
}

void Node::setTag(const QString& tag)
{
    m_tag = tag;
    if (auto* observer = m_tree ? m_tree->notifying() : nullptr)
        observer->changed(this);
}

void Node::setImage(int image)
{
    m_image = image;
    if (auto* observer = m_tree ? m_tree->notifying() : nullptr)
        observer->changed(this);
}

void Node::setExpandedImage(int image)
{
    m_expandedImage = image;
    if (auto* observer = m_tree ? m_tree->notifying() : nullptr)
        observer->changed(this);
}

void Node::setUnreadable(bool unreadable)
{
    m_unreadable = unreadable;
    if (auto* observer = m_tree ? m_tree->notifying() : nullptr)
        observer->changed(this);
}

void Node::setSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (!sorted || m_children.size() < 2 || !m_tree)
        return;
    if (m_tree->inBatch()) {
        m_orderPending = true;
        return;
    }
    auto* observer = m_tree->notifying();
    if (observer)
        observer->beginReorder(this);
    m_orderPending = false;
    m_tree->sortChildren(this);
    if (observer)
        observer->endReorder();
}

void Node::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    if (m_tree)
        m_tree->expandedFlagChanged(this);
}

// ---- ResourceTree ----

namespace {

// Without a configured locale (the "C" locale) Qt collates by code point, ignoring case
// and numeric settings; the program's users are Chinese teachers, so their order is
// the one to fall back on.
QLocale collationLocale()
{
    const QLocale system;
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Chinese, QLocale::China);
    return system;
}

} // namespace

ResourceTree::ResourceTree()
    : m_collator(collationLocale())
{
    m_root.m_tree = this;
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
}

ResourceTree::~ResourceTree()
{
    for (Node* node : std::as_const(m_byKey))
        delete node;
}

Result<Node*> ResourceTree::add(const QString& key, const QString& text, int image)
{
    return insert(&m_root, key, text, image);
}

Result<Node*> ResourceTree::addChild(const QString& parentKey, const QString& key, const QString& text, int image)
{
    Node* parent = find(parentKey);
    if (!parent)
        return makeError("no node with the key " + parentKey.toStdString());
    return insert(parent, key, text, image);
}

Result<Node*> ResourceTree::addChild(Node* parent, const QString& key, const QString& text, int image)
{
    if (!parent || parent->m_tree != this)
        return makeError("no parent node for the key " + key.toStdString());
    return insert(parent, key, text, image);
}

Result<Node*> ResourceTree::insert(Node* parent, const QString& key, const QString& text, int image)
{
    // One hash lookup both checks the key and reserves its slot.
    Node*& slot = m_byKey[key];
    if (slot)
        return makeError("a node with the key " + key.toStdString() + " exists already");

    auto& siblings = parent->m_children;
    size_t position = siblings.size();
    if (parent->m_sorted && parent != &m_root) {
        if (inBatch()) {
            parent->m_orderPending = true;
        } else {
            if (parent->m_orderPending)
                parent->putInOrder();
            // After the last sibling that sorts equal or before: equal texts keep the order
            // in which they were added.
            const auto after = std::upper_bound(siblings.begin(), siblings.end(), text,
                [this](const QString& value, const Node* node) { return compareTexts(value, node->m_text) < 0; });
            position = static_cast<size_t>(after - siblings.begin());
        }
    }

    auto* node = new Node;
    node->m_key = key;
    node->m_text = text;
    node->m_image = image;
    node->m_tree = this;
    node->m_parent = parent;
    node->m_row = static_cast<int>(position);
    slot = node;

    ResourceTreeObserver* observer = notifying();
    Node* const shownParent = parent == &m_root ? nullptr : parent;
    if (observer)
        observer->beginInsert(shownParent, static_cast<int>(position));
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), node);
    for (size_t i = position + 1; i < siblings.size(); ++i)
        siblings[i]->m_row = static_cast<int>(i);
    if (observer)
        observer->endInsert();
    return node;
}

bool ResourceTree::remove(const QString& key)
{
    Node* node = find(key);
    if (!node)
        return false;
    Node* parent = node->m_parent;
    const int row = node->row();
    ResourceTreeObserver* observer = notifying();
    if (observer)
        observer->beginRemove(node->parent(), row);
    auto& siblings = parent->m_children;
    siblings.erase(siblings.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < siblings.size(); ++i)
        siblings[i]->m_row = static_cast<int>(i);
    deleteSubtree(node);
    if (observer)
        observer->endRemove();
    return true;
}

void ResourceTree::deleteSubtree(Node* node)
{
    // A work list rather than recursion: a tree may be deep.
    std::vector<Node*> doomed{node};
    while (!doomed.empty()) {
        Node* next = doomed.back();
        doomed.pop_back();
        doomed.insert(doomed.end(), next->m_children.begin(), next->m_children.end());
        m_byKey.remove(next->m_key);
        m_expanded.remove(next);
        delete next;
    }
}

QStringList ResourceTree::expandedKeys() const
{
    QStringList keys;
    keys.reserve(m_expanded.size());
    for (const Node* node : m_expanded)
        keys.append(node->m_key);
    return keys;
}

void ResourceTree::clear()
{
    ResourceTreeObserver* observer = notifying();
    if (observer)
        observer->beginReset();
    for (Node* node : std::as_const(m_byKey))
        delete node;
    // A rebuild usually brings back as many nodes: keep room for them.
    const qsizetype count = m_byKey.size();
    m_byKey.clear();
    m_byKey.reserve(count);
    m_expanded.clear();
    m_root.m_children.clear();
    if (observer)
        observer->endReset();
}

void ResourceTree::reserveChildren(Node* parent, size_t count)
{
    Node* node = parent ? parent : &m_root;
    node->m_children.reserve(node->m_children.size() + count);
}

Node* ResourceTree::first() const { return m_root.m_children.empty() ? nullptr : m_root.m_children.front(); }

Node* ResourceTree::find(const QString& key) const { return m_byKey.value(key, nullptr); }

void ResourceTree::beginBatch()
{
    if (m_batchDepth++ == 0 && m_observer)
        m_observer->beginReset();
}

void ResourceTree::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0 || !m_observer)
        return;
    m_observer->endReset();
    // A reset forgets which rows a view had open; tell it again.
    const QList<Node*> expanded = m_expanded.values();
    for (Node* node : expanded)
        m_observer->expansionChanged(node);
}

void ResourceTree::expandedFlagChanged(Node* node)
{
    if (node->m_expanded)
        m_expanded.insert(node);
    else
        m_expanded.remove(node);
    if (auto* observer = notifying())
        observer->expansionChanged(node);
}

// Collation keys are made once per child, so a large folder costs one key per name
// rather than one collation per comparison.
void ResourceTree::sortChildren(const Node* parent) const
{
    auto& children = parent->m_children;
    if (children.size() >= 2) {
        if (children.size() <= 8) {
            std::stable_sort(children.begin(), children.end(),
                [this](const Node* a, const Node* b) { return compareTexts(a->m_text, b->m_text) < 0; });
        } else {
            std::vector<QCollatorSortKey> keys;
            keys.reserve(children.size());
            for (const Node* child : children)
                keys.push_back(m_collator.sortKey(child->m_text));
            std::vector<size_t> order(children.size());
            std::iota(order.begin(), order.end(), size_t(0));
            std::stable_sort(order.begin(), order.end(),
                [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
            std::vector<Node*> sorted;
            sorted.reserve(children.size());
            for (size_t index : order)
                sorted.push_back(children[index]);
            children.swap(sorted);
        }
    }
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->m_row = static_cast<int>(i);
}

} // namespace veskor
