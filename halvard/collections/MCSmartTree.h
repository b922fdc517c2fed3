#pragma once

// A self-building grouping tree, a lighter sibling of MCTreeController: a root is given rules
// (comparators) and items; it splits the items by the first rule into child nodes, each child
// by the second rule, and so on. Items can be added to and removed from the root, trees of the
// same rules united or subtracted, and filtered or sorted copies made. It reports no changes.
#include "halvard/collections/MCCollectionExtensions.h"

#include <QList>
#include <QString>

#include <memory>
#include <stdexcept>

template <typename Item> class MCSmartTreeRule
{
public:
    explicit MCSmartTreeRule(MCComparator<Item> comparator) : m_comparator(std::move(comparator)) {}
    virtual ~MCSmartTreeRule() = default;
    // Items comparing same fall into one node.
    const MCComparator<Item> &comparator() const { return m_comparator; }

private:
    MCComparator<Item> m_comparator;
};

template <typename Item> class MCSmartTreeNode
{
public:
    using NodePtr = std::shared_ptr<MCSmartTreeNode>;
    using RulePtr = std::shared_ptr<const MCSmartTreeRule<Item>>;
    using Predicate = std::function<bool(const Item &)>;

    MCSmartTreeNode() = default;
    virtual ~MCSmartTreeNode() = default;
    MCSmartTreeNode(const MCSmartTreeNode &) = delete;
    MCSmartTreeNode &operator=(const MCSmartTreeNode &) = delete;

    // An empty root with those rules, or a root of those items grouped by them; N is the
    // node class (a subclass answers its own kind from newNode()).
    template <typename N = MCSmartTreeNode>
    static std::shared_ptr<N> nodeWithRules(const QList<RulePtr> &rules, const QList<Item> &items = {})
    {
        auto root = std::make_shared<N>();
        root->m_prototype = root->prototypeWithRules(rules);
        root->m_items = items;
        root->buildTree();
        return root;
    }

    // A new, empty node of the receiver's kind; subclasses answer their own.
    virtual NodePtr newNode() const { return std::make_shared<MCSmartTreeNode>(); }

    // The rule that made this node; none for a root.
    const RulePtr &rule() const { return m_rule; }
    const QList<Item> &items() const { return m_items; }
    // The children, in the order of the next rule.
    const QList<NodePtr> &nodes() const { return m_nodes; }
    // The template of the children: a chain of nodes holding the rules of the following
    // levels; none at the last level.
    const NodePtr &prototype() const { return m_prototype; }
    QList<RulePtr> rules() const
    {
        QList<RulePtr> rules;
        for (const MCSmartTreeNode *link = m_prototype.get(); link; link = link->m_prototype.get())
            rules.append(link->m_rule);
        return rules;
    }

    // Replaces the rules and regroups the items (roots only).
    void setRules(const QList<RulePtr> &rules)
    {
        checkRoot("-[MCSmartTreeNode setRules:]");
        m_prototype = prototypeWithRules(rules);
        if (!m_prototype)
            m_nodes.clear(); // no rules, no groups
        buildTree();
    }
    // Replaces the items and regroups them, unless the very same list is given again (roots only).
    void setItems(const QList<Item> &items)
    {
        checkRoot("-[MCSmartTreeNode setItems:]");
        if (m_items.isSharedWith(items))
            return;
        m_items = items;
        buildTree();
    }
    // Adds the items (also ones already present: they are then stored twice) to the root and
    // to the groups they belong to, creating groups as needed (roots only).
    void addItems(const QList<Item> &items)
    {
        checkRoot("-[MCSmartTreeNode addItems:]");
        unionNode(copyWithItems(items));
    }
    // Removes the items from the root and every group; groups left without items go (roots only).
    void removeItems(const QList<Item> &items)
    {
        checkRoot("-[MCSmartTreeNode removeItems:]");
        minusNode(copyWithItems(items));
    }

    // The chain of templates for those rules; none for no rules.
    NodePtr prototypeWithRules(const QList<RulePtr> &rules) const
    {
        NodePtr link;
        for (qint64 k = rules.size() - 1; k >= 0; --k) {
            NodePtr node = newNode();
            node->m_rule = rules.at(k);
            node->m_prototype = std::move(link);
            link = std::move(node);
        }
        return link;
    }
    // A new node with the receiver's rule and template and those items, grouped.
    NodePtr copyWithItems(const QList<Item> &items) const
    {
        NodePtr node = newNode();
        node->m_rule = m_rule;
        node->m_prototype = m_prototype;
        node->m_items = items;
        node->buildTree();
        return node;
    }
    // Groups the items by the template's rule, one child per run of items comparing same.
    void buildTree()
    {
        if (!m_prototype)
            return;
        QList<NodePtr> nodes;
        for (const QList<Item> &run : halvard::splitArraysUsingComparator(m_items, m_prototype->m_rule->comparator()))
            nodes.append(m_prototype->copyWithItems(run));
        m_nodes = std::move(nodes);
    }

    // Unites a tree of the same shape into the receiver: its items are appended, its children
    // united with the receiver's child of the same group or inserted in rule order.
    void unionNode(const NodePtr &node)
    {
        checkShape("-[MCSmartTreeNode(Union) unionNode:]", node);
        unionItems(node->m_items);
        if (!node->m_nodes.isEmpty())
            unionNodes(node->m_nodes);
    }
    void unionItems(const QList<Item> &items) { m_items.append(items); }
    void unionNodes(const QList<NodePtr> &nodes)
    {
        for (const NodePtr &node : nodes) {
            const auto [index, found] = findChild(*node);
            if (found)
                m_nodes.at(index)->unionNode(node);
            else
                m_nodes.insert(index, node);
        }
    }

    // Subtracts a tree of the same shape: its items go from the receiver and the matching
    // children; children left without items are dropped.
    void minusNode(const NodePtr &node)
    {
        checkShape("-[MCSmartTreeNode(Minus) minusNode:]", node);
        minusItems(node->m_items);
        if (!node->m_nodes.isEmpty())
            minusNodes(node->m_nodes);
    }
    void minusItems(const QList<Item> &items)
    {
        const halvard::EqualitySet<Item> remove(items);
        m_items.removeIf([&](const Item &item) { return remove.contains(item); });
    }
    void minusNodes(const QList<NodePtr> &nodes)
    {
        for (const NodePtr &node : nodes) {
            const auto [index, found] = findChild(*node);
            if (!found)
                continue;
            const NodePtr &child = m_nodes.at(index);
            child->minusNode(node);
            if (child->m_items.isEmpty())
                m_nodes.removeAt(index);
        }
    }

    // Keeps the items the predicate accepts, here and in every child; drops emptied children.
    void filterItemsWithPredicate(const Predicate &predicate)
    {
        m_items.removeIf([&](const Item &item) { return !predicate(item); });
        for (const NodePtr &child : m_nodes)
            child->filterItemsWithPredicate(predicate);
        m_nodes.removeIf([](const NodePtr &child) { return child->m_items.isEmpty(); });
    }
    // A filtered copy; with `recursively` it has (copies of) the children and the template,
    // without it neither. The receiver is left as it is.
    NodePtr filteredNodeWithPredicate(const Predicate &predicate, bool recursively) const
    {
        NodePtr node = shallowCopy(recursively);
        node->filterItemsWithPredicate(predicate);
        return node;
    }
    // Sorts the items here and in every child; the order of the children stays.
    void sortItemsWithDescriptors(const QList<MCSortDescriptor<Item>> &descriptors)
    {
        const MCComparator<Item> cmp = MCComparatorFromSortDescriptors(descriptors);
        sortItems(cmp);
    }
    NodePtr sortedNodeWithDescriptors(const QList<MCSortDescriptor<Item>> &descriptors, bool recursively) const
    {
        NodePtr node = shallowCopy(recursively);
        node->sortItemsWithDescriptors(descriptors);
        return node;
    }

private:
    [[noreturn]] static void throwInvalid(const char *method, const char *what)
    {
        throw std::invalid_argument(std::string("*** ") + method + ": " + what);
    }
    void checkRoot(const char *method) const
    {
        if (m_rule)
            throw std::logic_error(std::string("*** ") + method + ": must be called on the root node");
    }
    void checkShape(const char *method, const NodePtr &node) const
    {
        if (!node)
            throwInvalid(method, "node must not be nil");
        if (node->m_rule != m_rule)
            throwInvalid(method, "node's _rule must be equal to the receiver's");
        if (node->m_prototype != m_prototype)
            throwInvalid(method, "node's _prototype must be equal to the receiver's");
    }
    // Binary search of the children by first item with the template's rule: the index of the
    // child of the same group and true, or the insertion index and false.
    std::pair<qint64, bool> findChild(const MCSmartTreeNode &node) const
    {
        if (!m_prototype || node.m_items.isEmpty())
            return {m_nodes.size(), false};
        const MCComparator<Item> &cmp = m_prototype->m_rule->comparator();
        const Item &first = node.m_items.first();
        return halvard::binarySearch(0, m_nodes.size(), [&](qint64 mid) {
            const QList<Item> &items = m_nodes.at(mid)->m_items;
            return items.isEmpty() ? MCOrderedAscending : cmp(first, items.first());
        });
    }
    // A copy of the node with its items, and with `deep` copies of its subtree and its template.
    NodePtr shallowCopy(bool deep) const
    {
        NodePtr node = newNode();
        node->m_rule = m_rule;
        node->m_items = m_items;
        if (deep) {
            node->m_prototype = m_prototype;
            for (const NodePtr &child : m_nodes)
                node->m_nodes.append(child->shallowCopy(true));
        }
        return node;
    }
    void sortItems(const MCComparator<Item> &cmp)
    {
        std::stable_sort(m_items.begin(), m_items.end(), [&](const Item &a, const Item &b) { return cmp(a, b) < 0; });
        for (const NodePtr &child : m_nodes)
            child->sortItems(cmp);
    }

    RulePtr m_rule;
    QList<Item> m_items;
    QList<NodePtr> m_nodes;
    NodePtr m_prototype;
};
