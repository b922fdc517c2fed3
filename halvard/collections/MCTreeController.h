#pragma once

// Rule-built trees: a flat list of items (photos) is grouped by an ordered list of rules; the
// first rule splits the items into nodes of items that compare same, each node is split by the
// second rule, and so on. MCTreeController keeps such a tree current while items are inserted,
// removed or changed, and tells its delegate every change as insertions and removals at index
// sets in a parent node, in an order an outline view can replay between begin and end updates.
//
// The classes are templates over the item type, which must be copyable, comparable with ==
// and hashable with std::hash (shared pointers to model objects compare by identity). The
// application derives its node, rule and builder classes from them.
#include "halvard/collections/MCCollectionExtensions.h"
#include "platform/core/MCException.h"
#include "platform/core/MCIndexSet.h"

#include <QList>

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

template <typename Item> class MCTreeController;

// ---- Merge of two sorted sequences --------------------------------------------------------

// Walks an old and a new sorted sequence together and reports every element with its place in
// the merged sequence, in which an equal pair counts once: a new element's position is its
// index after all new elements are inserted into the old sequence, an old element's is its
// index in that same enlarged sequence.
template <typename Old, typename New = Old> class MCMergeController
{
public:
    std::function<void(const Old &, quint64)> oldBlock;
    std::function<void(const Old &, const New &, quint64)> equalBlock;
    std::function<void(const New &, quint64)> newBlock;

    // `comparator(old, new)`: ascending when the old element comes first.
    template <typename Cmp> void merge(const QList<Old> &olds, const QList<New> &news, Cmp &&comparator) const
    {
        qint64 i = 0, j = 0;
        quint64 p = 0;
        for (; i < news.size() && j < olds.size(); ++p) {
            const qint64 c = qint64(comparator(olds.at(j), news.at(i)));
            if (c > 0) {
                if (newBlock)
                    newBlock(news.at(i), p);
                ++i;
            } else if (c == 0) {
                if (equalBlock)
                    equalBlock(olds.at(j), news.at(i), p);
                ++i;
                ++j;
            } else {
                if (oldBlock)
                    oldBlock(olds.at(j), p);
                ++j;
            }
        }
        for (; j < olds.size(); ++j, ++p)
            if (oldBlock)
                oldBlock(olds.at(j), p);
        for (; i < news.size(); ++i, ++p)
            if (newBlock)
                newBlock(news.at(i), p);
    }
};

// ---- Nodes --------------------------------------------------------------------------------

template <typename Item> class MCTreeNode
{
    static_assert(halvard::StdHashable<Item>, "tree items must be hashable with std::hash");

public:
    using NodePtr = std::shared_ptr<MCTreeNode>;

    MCTreeNode() = default;
    virtual ~MCTreeNode() = default;
    MCTreeNode(const MCTreeNode &) = delete;
    MCTreeNode &operator=(const MCTreeNode &) = delete;

    // All items of the node's subtree, in order; the children partition them.
    const QList<Item> &items() const { return m_items; }
    void setItems(QList<Item> items)
    {
        m_items = std::move(items);
        invalidatePositions();
    }
    // The child nodes, in the order of the rule that made them.
    const QList<NodePtr> &nodes() const { return m_nodes; }
    void setNodes(QList<NodePtr> nodes) { m_nodes = std::move(nodes); }

    qint64 countOfItems() const { return m_items.size(); }
    const Item &objectInItemsAtIndex(qint64 index) const
    {
        checkIndex("-[MCTreeNode objectInItemsAtIndex:]", index, m_items.size());
        return m_items.at(index);
    }
    void insertObjectInItemsAtIndex(const Item &item, qint64 index)
    {
        checkIndex("-[MCTreeNode insertObject:inItemsAtIndex:]", index, m_items.size() + 1);
        if (index == m_items.size())
            return appendItems({item});
        m_items.insert(index, item);
        invalidatePositions();
    }
    void insertItems(const QList<Item> &items, const MCIndexSet &indexes)
    {
        halvard::insertObjects(m_items, items, indexes);
        invalidatePositions();
    }
    void removeItemsAtIndexes(const MCIndexSet &indexes)
    {
        if (indexes.isEmpty())
            return;
        if (!m_positionsValid || m_repeated) {
            halvard::removeObjectsAtIndexes(m_items, indexes);
            return invalidatePositions();
        }
        // Keep the position table: forget the removed items, renumber the ones after them.
        if (indexes.lastIndex() < m_items.size())
            indexes.forEachIndex([&](qint64 k) { m_positions.erase(m_items.at(k)); });
        halvard::removeObjectsAtIndexes(m_items, indexes);
        for (qint64 k = indexes.firstIndex(); k < m_items.size(); ++k)
            m_positions.find(m_items.at(k))->second = k;
    }
    void replaceItemsAtIndexes(const MCIndexSet &indexes, const QList<Item> &items)
    {
        replaceAt("-[MCTreeNode replaceItemsAtIndexes:withItems:]", m_items, indexes, items);
        invalidatePositions();
    }

    qint64 countOfNodes() const { return m_nodes.size(); }
    const NodePtr &objectInNodesAtIndex(qint64 index) const
    {
        checkIndex("-[MCTreeNode objectInNodesAtIndex:]", index, m_nodes.size());
        return m_nodes.at(index);
    }
    void insertObjectInNodesAtIndex(const NodePtr &node, qint64 index)
    {
        checkIndex("-[MCTreeNode insertObject:inNodesAtIndex:]", index, m_nodes.size() + 1);
        m_nodes.insert(index, node);
    }
    void insertNodes(const QList<NodePtr> &nodes, const MCIndexSet &indexes) { halvard::insertObjects(m_nodes, nodes, indexes); }
    void removeNodesAtIndexes(const MCIndexSet &indexes) { halvard::removeObjectsAtIndexes(m_nodes, indexes); }
    void replaceNodesAtIndexes(const MCIndexSet &indexes, const QList<NodePtr> &nodes)
    {
        replaceAt("-[MCTreeNode replaceNodesAtIndexes:withNodes:]", m_nodes, indexes, nodes);
    }

    // The receiver is `node` or lies in the subtree of one of its children.
    bool isDescendantOf(const MCTreeNode *node) const
    {
        if (!node)
            return false;
        if (node == this)
            return true;
        for (const NodePtr &child : node->m_nodes)
            if (isDescendantOf(child.get()))
                return true;
        return false;
    }

    // Membership and position of an item in constant time on average (a position table is
    // built on first use after a change other than appending).
    bool containsItem(const Item &item) const { return indexOfItem(item) != MCNotFound; }
    qint64 indexOfItem(const Item &item) const
    {
        ensurePositions();
        const auto it = m_positions.find(item);
        return it == m_positions.end() ? MCNotFound : it->second;
    }
    // Whether some item stands more than once in `items` (then positions are found by scanning).
    bool hasRepeatedItems() const
    {
        ensurePositions();
        return m_repeated;
    }

    // Appends items, keeping the position table current.
    void appendItems(const QList<Item> &items)
    {
        const qint64 base = m_items.size();
        m_items.append(items);
        if (!m_positionsValid)
            return;
        for (qint64 k = 0; k < items.size(); ++k)
            if (!m_positions.emplace(items.at(k), base + k).second)
                m_repeated = true;
    }

private:
    static void checkIndex(const char *method, qint64 index, qint64 count)
    {
        if (index < 0 || index >= count)
            platform::throwIndexOutOfRange(method, index, count - 1);
    }
    template <typename T>
    static void replaceAt(const char *method, QList<T> &array, const MCIndexSet &indexes, const QList<T> &objects)
    {
        if (objects.size() != indexes.count())
            throw std::invalid_argument(std::string("*** ") + method + ": count of array and index set differ");
        if (!indexes.isEmpty() && indexes.lastIndex() >= array.size())
            platform::throwIndexOutOfRange(method, indexes.lastIndex(), array.size() - 1);
        qint64 k = 0;
        indexes.forEachIndex([&](qint64 i) { array[i] = objects.at(k++); });
    }
    void invalidatePositions()
    {
        m_positionsValid = false;
        m_positions.clear();
    }
    void ensurePositions() const
    {
        if (m_positionsValid)
            return;
        m_repeated = false;
        m_positions.reserve(m_items.size());
        for (qint64 k = 0; k < m_items.size(); ++k)
            if (!m_positions.emplace(m_items.at(k), k).second)
                m_repeated = true;
        m_positionsValid = true;
    }

    QList<Item> m_items;
    QList<NodePtr> m_nodes;
    // Item -> its first position in m_items; valid while m_positionsValid.
    mutable std::unordered_map<Item, qint64> m_positions;
    mutable bool m_positionsValid = false;
    mutable bool m_repeated = false;
};

// ---- Rules and builder --------------------------------------------------------------------

template <typename Item> class MCTreeBuilderRule
{
public:
    using Node = MCTreeNode<Item>;
    using NodePtr = std::shared_ptr<Node>;

    virtual ~MCTreeBuilderRule() = default;

    // A new, empty node of the kind this rule makes.
    virtual NodePtr newNode() const { return std::make_shared<Node>(); }
    // A new node with those items and no children.
    virtual NodePtr nodeWithItems(const QList<Item> &items) const
    {
        NodePtr node = newNode();
        node->setItems(items);
        return node;
    }
    // The items sorted by the rule and split into runs of items comparing same: one node per
    // run, in run order.
    virtual QList<NodePtr> nodesWithItems(const QList<Item> &items) const
    {
        const auto cmp = [this](const Item &a, const Item &b) { return compare(a, b); };
        QList<NodePtr> nodes;
        for (const QList<Item> &run : halvard::splitArraysUsingComparator(items, cmp))
            nodes.append(nodeWithItems(run));
        return nodes;
    }
    // The rule's order of items; items comparing same fall into one node.
    virtual MCComparisonResult compare(const Item &a, const Item &b) const = 0;
    // The same order on nodes; it must agree with compare() on the nodes' items. Compare what
    // the node was made for (a key kept in the node) rather than the current values of its
    // items: when updateItems() runs, the values of some items have already changed.
    virtual MCComparisonResult compareNode(const Node &a, const Node &b) const = 0;
};

template <typename Item> class MCTreeBuilder
{
public:
    using Node = MCTreeNode<Item>;
    using NodePtr = std::shared_ptr<Node>;
    using Rule = MCTreeBuilderRule<Item>;
    using RulePtr = std::shared_ptr<Rule>;

    explicit MCTreeBuilder(QList<RulePtr> rules = {}) : m_rules(std::move(rules)) {}
    virtual ~MCTreeBuilder() = default;

    const QList<RulePtr> &rules() const { return m_rules; }
    void setRules(QList<RulePtr> rules) { m_rules = std::move(rules); }

    // A new, empty root node.
    virtual NodePtr newNode() const { return std::make_shared<Node>(); }
    // A new root with those items and the children the rules give.
    virtual NodePtr nodeWithItems(const QList<Item> &items) const
    {
        NodePtr root = newNode();
        root->setItems(items);
        root->setNodes(nodesWithItems(items));
        return root;
    }
    QList<NodePtr> nodesWithItems(const QList<Item> &items) const { return nodesWithItems(items, m_rules); }
    // The first rule's nodes, each split further by the remaining rules; no rules, no nodes.
    static QList<NodePtr> nodesWithItems(const QList<Item> &items, const QList<RulePtr> &rules)
    {
        return build(items, rules, 0);
    }

private:
    static QList<NodePtr> build(const QList<Item> &items, const QList<RulePtr> &rules, qint64 level)
    {
        if (level >= rules.size())
            return {};
        QList<NodePtr> nodes = rules.at(level)->nodesWithItems(items);
        for (const NodePtr &node : nodes)
            node->setNodes(build(node->items(), rules, level + 1));
        return nodes;
    }

    QList<RulePtr> m_rules;
};

// ---- Delegate -----------------------------------------------------------------------------

template <typename Item> class MCTreeControllerDelegate
{
public:
    using NodePtr = std::shared_ptr<MCTreeNode<Item>>;
    using Controller = MCTreeController<Item>;

    virtual ~MCTreeControllerDelegate() = default;
    // A batch of changes begins.
    virtual void controllerWillChangeContent(Controller *controller) = 0;
    // Nodes were inserted into the parent's nodes at the indexes (indexes after the insertion).
    virtual void controllerDidInsertNodes(Controller *controller, const QList<NodePtr> &nodes,
                                          const MCIndexSet &indexes, const NodePtr &parent) = 0;
    // Nodes (in index order) were removed from the parent's nodes at the indexes (before the removal).
    virtual void controllerDidRemoveNodes(Controller *controller, const QList<NodePtr> &nodes,
                                          const MCIndexSet &indexes, const NodePtr &parent) = 0;
    // Items were appended to the parent's items at the indexes.
    virtual void controllerDidInsertItems(Controller *controller, const QList<Item> &items,
                                          const MCIndexSet &indexes, const NodePtr &parent) = 0;
    // Items were removed from the parent's items at the indexes (before the removal).
    virtual void controllerDidRemoveItems(Controller *controller, const QList<Item> &items,
                                          const MCIndexSet &indexes, const NodePtr &parent) = 0;
    // The batch ends.
    virtual void controllerDidChangeContent(Controller *controller) = 0;
};

// ---- Controller ---------------------------------------------------------------------------

// Cost of one batch of k items: the batch is sorted and split once per level (k log k). Each
// removed or updated item is located among the c children of a node it is in by binary search
// with a one-item node (log c); items whose rule values changed are then looked for in every
// child or by one pass over that node's items, whichever is cheaper (min(k c, node size)). Each
// node the batch reaches is merged with its new nodes (linear in c) and, when it loses items,
// compacted once with its position table renumbered (linear in its size). Subtrees the batch
// does not reach are not visited, and no step costs O(n) per item.
template <typename Item> class MCTreeController
{
public:
    using Node = MCTreeNode<Item>;
    using NodePtr = std::shared_ptr<Node>;
    using Builder = MCTreeBuilder<Item>;
    using Rule = MCTreeBuilderRule<Item>;
    using RulePtr = std::shared_ptr<Rule>;
    using Delegate = MCTreeControllerDelegate<Item>;

    // Builds the tree of the items; tells no delegate.
    MCTreeController(std::shared_ptr<Builder> builder, const QList<Item> &items)
        : m_builder(std::move(builder))
    {
        if (!m_builder)
            platform::throwNilArgument("-[MCTreeController initWithBuilder:items:]");
        m_root = m_builder->nodeWithItems(items);
    }
    virtual ~MCTreeController() = default;

    const NodePtr &root() const { return m_root; }
    void setRoot(NodePtr root) { m_root = std::move(root); }
    const std::shared_ptr<Builder> &builder() const { return m_builder; }
    void setBuilder(std::shared_ptr<Builder> builder) { m_builder = std::move(builder); }
    // Not owned (a weak reference): clear it before the delegate goes away.
    Delegate *delegate() const { return m_delegate; }
    void setDelegate(Delegate *delegate) { m_delegate = delegate; }

    void insertItems(const QList<Item> &items)
    {
        if (items.isEmpty())
            return;
        const QList<Item> once = distinct(items);
        change(ItemSet(), &once);
    }
    void removeItems(const QList<Item> &items)
    {
        if (items.isEmpty())
            return;
        change(ItemSet(items.begin(), items.end()), nullptr);
    }
    // Items whose rule-relevant values changed: each leaves the groups the rules no longer put
    // it in and joins (or creates) the ones they do.
    void updateItems(const QList<Item> &items)
    {
        if (items.isEmpty())
            return;
        const QList<Item> once = distinct(items);
        change(ItemSet(once.begin(), once.end()), &once);
    }

private:
    using ItemSet = std::unordered_set<Item>;

    // The items in order, each once: an item given twice in a batch joins its groups once.
    static QList<Item> distinct(const QList<Item> &items)
    {
        ItemSet seen;
        QList<Item> once;
        once.reserve(items.size());
        for (const Item &item : items)
            if (seen.insert(item).second)
                once.append(item);
        return once;
    }

    void change(const ItemSet &removing, const QList<Item> *inserting)
    {
        // Copies, so that a delegate replacing them mid-batch cannot pull them from under us.
        const NodePtr root = m_root;
        const QList<RulePtr> rules = m_builder->rules();
        if (m_delegate)
            m_delegate->controllerWillChangeContent(this);
        // Only items the root holds can be taken out of anything below it.
        std::vector<Item> present;
        for (const Item &item : removing)
            if (root->containsItem(item))
                present.push_back(item);
        update(root, present, inserting, rules, 0);
        if (m_delegate)
            m_delegate->controllerDidChangeContent(this);
    }

    // Which child of `node` holds each of `items` (items of the node; the children partition
    // them). Children are in rule order, so an item whose rule values did not change is found by
    // binary search with a one-item node. The others are looked for in every child, or, when
    // that would cost more, by one pass over the children's items.
    std::unordered_map<const Node *, std::vector<Item>> locate(const Node &node, const std::vector<Item> &items,
                                                              const Rule &rule) const
    {
        std::unordered_map<const Node *, std::vector<Item>> found;
        const QList<NodePtr> &children = node.nodes();
        if (children.isEmpty())
            return found;
        std::vector<Item> moved;
        for (const Item &item : items) {
            const NodePtr probe = rule.nodeWithItems({item});
            const auto [index, same] = halvard::binarySearch(
                0, children.size(), [&](qint64 mid) { return rule.compareNode(*probe, *children.at(mid)); });
            if (same && children.at(index)->containsItem(item))
                found[children.at(index).get()].push_back(item);
            else
                moved.push_back(item);
        }
        if (moved.empty())
            return found;
        if (qint64(moved.size()) * children.size() <= node.countOfItems()) {
            for (const Item &item : moved)
                for (const NodePtr &child : children)
                    if (child->containsItem(item)) {
                        found[child.get()].push_back(item);
                        break;
                    }
        } else {
            const ItemSet wanted(moved.begin(), moved.end());
            for (const NodePtr &child : children)
                for (const Item &item : child->items())
                    if (wanted.count(item))
                        found[child.get()].push_back(item);
        }
        return found;
    }

    // Brings `node` in line: `removing` are items of the node to take out (unless they are also
    // in `inserting`), `inserting` the items that belong in it (null: none).
    void update(const NodePtr &node, const std::vector<Item> &removing, const QList<Item> *inserting,
                const QList<RulePtr> &rules, qint64 level)
    {
        if (level < rules.size()) {
            const Rule &rule = *rules.at(level);
            const QList<NodePtr> fresh = inserting ? rule.nodesWithItems(*inserting) : QList<NodePtr>();
            auto removingByChild = locate(*node, removing, rule);
            static const std::vector<Item> none;
            const auto removingIn = [&](const Node &child) -> const std::vector<Item> & {
                const auto it = removingByChild.find(&child);
                return it == removingByChild.end() ? none : it->second;
            };

            QList<NodePtr> inserted, removed;
            std::vector<qint64> insertAt, removeAt;
            MCMergeController<NodePtr> merge;
            merge.oldBlock = [&](const NodePtr &old, quint64 p) {
                const std::vector<Item> &r = removingIn(*old);
                // An untouched node with items keeps them all: nothing below it changes.
                if (r.empty() && !old->items().isEmpty())
                    return;
                update(old, r, nullptr, rules, level + 1);
                if (old->items().isEmpty()) {
                    removed.append(old);
                    removeAt.push_back(qint64(p));
                }
            };
            merge.equalBlock = [&](const NodePtr &old, const NodePtr &added, quint64 p) {
                update(old, removingIn(*old), &added->items(), rules, level + 1);
                if (old->items().isEmpty()) {
                    removed.append(old);
                    removeAt.push_back(qint64(p));
                }
            };
            merge.newBlock = [&](const NodePtr &added, quint64 p) {
                update(added, none, &added->items(), rules, level + 1);
                inserted.append(added);
                insertAt.push_back(qint64(p));
            };
            merge.merge(node->nodes(), fresh,
                        [&](const NodePtr &a, const NodePtr &b) { return rule.compareNode(*a, *b); });

            if (!inserted.isEmpty()) {
                const MCIndexSet indexes = ascendingIndexSet(insertAt);
                node->insertNodes(inserted, indexes);
                if (m_delegate)
                    m_delegate->controllerDidInsertNodes(this, inserted, indexes, node);
            }
            if (!removed.isEmpty()) {
                const MCIndexSet indexes = ascendingIndexSet(removeAt);
                node->removeNodesAtIndexes(indexes);
                if (m_delegate)
                    m_delegate->controllerDidRemoveNodes(this, removed, indexes, node);
            }
        }

        // Items that belong here and are new to the node are appended, in the given order (a
        // node just made from those very items has them all).
        if (inserting && !inserting->isEmpty() && inserting != &node->items()) {
            QList<Item> added;
            for (const Item &item : *inserting)
                if (!node->containsItem(item))
                    added.append(item);
            if (!added.isEmpty()) {
                const qint64 base = node->countOfItems();
                node->appendItems(added);
                if (m_delegate)
                    m_delegate->controllerDidInsertItems(this, added, MCIndexSet(MCRange{base, added.size()}), node);
            }
        }

        // Items taken out that do not belong here any more.
        if (!removing.empty()) {
            ItemSet keep;
            if (inserting)
                keep.insert(inserting->begin(), inserting->end());
            std::vector<qint64> positions;
            if (node->hasRepeatedItems()) {
                ItemSet out;
                for (const Item &item : removing)
                    if (!keep.count(item))
                        out.insert(item);
                const QList<Item> &items = node->items();
                for (qint64 k = 0; k < items.size(); ++k)
                    if (out.count(items.at(k)))
                        positions.push_back(k);
            } else {
                for (const Item &item : removing) {
                    if (keep.count(item))
                        continue;
                    const qint64 k = node->indexOfItem(item);
                    if (k != MCNotFound)
                        positions.push_back(k);
                }
                std::sort(positions.begin(), positions.end());
                positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
            }
            if (!positions.empty()) {
                const MCIndexSet indexes = ascendingIndexSet(positions);
                const QList<Item> gone = halvard::objectsAtIndexes(node->items(), indexes);
                node->removeItemsAtIndexes(indexes);
                if (m_delegate)
                    m_delegate->controllerDidRemoveItems(this, gone, indexes, node);
            }
        }
    }

    // Positions in ascending order as an index set (appending at the end stays cheap).
    static MCIndexSet ascendingIndexSet(const std::vector<qint64> &positions)
    {
        MCIndexSet set;
        for (qint64 p : positions)
            set.addIndex(p);
        return set;
    }

    std::shared_ptr<Builder> m_builder;
    NodePtr m_root;
    Delegate *m_delegate = nullptr;
};
