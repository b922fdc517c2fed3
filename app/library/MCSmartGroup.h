#pragma once

#include "app/library/MCGroupRule.h"

#include <QList>

#include <functional>
#include <memory>

// A live view of one group for the thumbnail browser: the group's files that pass a filter,
// in the order of the browser's sort descriptors. The group's item changes (as the tree
// controller reports them for that group) are merged into the view in place, so a batch costs
// work in proportion to the batch and the list, without a full sort.
//
// Files are found again by identity, never by their current values: a file whose metadata or
// date changed since it was placed still leaves its old place, so no stale entry or duplicate
// remains.
class MCSmartGroup
{
public:
    using Item = MCGroupItemPtr;
    using Predicate = std::function<bool(const Item &)>;
    using PredicatePtr = std::shared_ptr<const Predicate>;
    using SortDescriptors = QList<MCSortDescriptor<Item>>;
    using SortDescriptorsPtr = std::shared_ptr<const SortDescriptors>;

    // No predicate: every file passes; no descriptors: the files keep the group's order.
    MCSmartGroup(std::shared_ptr<MCGroup> group, PredicatePtr filterPredicate, SortDescriptorsPtr sortDescriptors);

    const QList<Item> &items() const { return m_items; }
    const std::shared_ptr<MCGroup> &group() const { return m_group; }
    void setGroup(std::shared_ptr<MCGroup> group) { m_group = std::move(group); }
    const PredicatePtr &filterPredicate() const { return m_filterPredicate; }
    const SortDescriptorsPtr &sortDescriptors() const { return m_sortDescriptors; }
    // Another object (even an equal one) recomputes the view from all of the group's files;
    // the object already stored changes nothing.
    void setFilterPredicate(PredicatePtr predicate);
    void setSortDescriptors(SortDescriptorsPtr descriptors);

    // The files that pass the predicate, sorted (stable) by the descriptors.
    QList<Item> processedItems(const QList<Item> &items) const;

    // Changes of the group's files.
    void onSetItems(const QList<Item> &items);
    void onInsertItems(const QList<Item> &items);
    void onRemoveItems(const QList<Item> &items);
    // A replacement: the old files leave, the new ones (which may be the same files with new
    // values) are placed by their current values.
    void onReplaceItems(const QList<Item> &oldItems, const QList<Item> &newItems);

    // Values for the browser; a smart group has no sub-groups.
    QString browserGroupTitle() const { return m_group ? m_group->title() : QString(); }
    QString browserGroupSubtitle() const { return MCGroup::itemsSubtitle(m_items.size()); }
    qint64 numberOfBrowserGroups() const { return 0; }
    const QList<Item> &allBrowserItems() const { return m_items; }
    qint64 numberOfBrowserItems() const { return m_items.size(); }
    Item browserItemAtIndex(qint64 index) const { return m_items.at(index); }

private:
    MCComparator<Item> comparator() const;

    QList<Item> m_items;
    std::shared_ptr<MCGroup> m_group;
    PredicatePtr m_filterPredicate;
    SortDescriptorsPtr m_sortDescriptors;
};
