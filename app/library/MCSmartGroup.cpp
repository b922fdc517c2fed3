#include "app/library/MCSmartGroup.h"

#include <algorithm>
#include <numeric>
#include <vector>
#include <unordered_set>

MCSmartGroup::MCSmartGroup(std::shared_ptr<MCGroup> group, PredicatePtr filterPredicate, SortDescriptorsPtr sortDescriptors)
    : m_group(std::move(group)), m_filterPredicate(std::move(filterPredicate)), m_sortDescriptors(std::move(sortDescriptors))
{
    if (m_group)
        m_items = processedItems(m_group->items());
}

MCComparator<MCSmartGroup::Item> MCSmartGroup::comparator() const
{
    if (!m_sortDescriptors || m_sortDescriptors->isEmpty())
        return {};
    return MCComparatorFromSortDescriptors(*m_sortDescriptors);
}

void MCSmartGroup::setFilterPredicate(PredicatePtr predicate)
{
    if (predicate == m_filterPredicate)
        return;
    m_filterPredicate = std::move(predicate);
    onSetItems(m_group ? m_group->items() : QList<Item>());
}

void MCSmartGroup::setSortDescriptors(SortDescriptorsPtr descriptors)
{
    if (descriptors == m_sortDescriptors)
        return;
    m_sortDescriptors = std::move(descriptors);
    onSetItems(m_group ? m_group->items() : QList<Item>());
}

QList<MCSmartGroup::Item> MCSmartGroup::processedItems(const QList<Item> &items) const
{
    QList<Item> result;
    if (m_filterPredicate && *m_filterPredicate) {
        for (const Item &item : items)
            if ((*m_filterPredicate)(item))
                result.append(item);
    } else {
        result = items;
    }
    if (!m_sortDescriptors || m_sortDescriptors->isEmpty() || result.size() < 2)
        return result;
    // The descriptors that offer a sort key have it read once per file; the others compare the
    // files themselves. The order is the comparator's either way.
    const SortDescriptors &descriptors = *m_sortDescriptors;
    const std::size_t count = std::size_t(result.size());
    std::vector<std::vector<double>> keys(std::size_t(descriptors.size()));
    for (qsizetype d = 0; d < descriptors.size(); ++d) {
        if (!descriptors[d].sortKey)
            continue;
        std::vector<double> &column = keys[std::size_t(d)];
        column.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            column[i] = descriptors[d].sortKey(result[qsizetype(i)]);
    }
    std::vector<qsizetype> order(count);
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype d = 0; d < descriptors.size(); ++d) {
            const MCSortDescriptor<Item> &descriptor = descriptors[d];
            const std::vector<double> &column = keys[std::size_t(d)];
            qint64 r;
            if (!column.empty()) {
                const double x = column[std::size_t(a)], y = column[std::size_t(b)];
                r = x < y ? -1 : (x > y ? 1 : 0);
                if (!descriptor.ascending)
                    r = -r;
            } else {
                r = descriptor.compareObject(result[a], result[b]);
            }
            if (r != 0)
                return r < 0;
        }
        return false;
    });
    QList<Item> sorted;
    sorted.reserve(result.size());
    for (const qsizetype i : order)
        sorted.append(result[i]);
    return sorted;
}

void MCSmartGroup::onSetItems(const QList<Item> &items) { m_items = processedItems(items); }

void MCSmartGroup::onInsertItems(const QList<Item> &items)
{
    QList<Item> processed = processedItems(items);
    if (processed.isEmpty())
        return;
    // A file shown already stays where it is, so a repeated insertion leaves no duplicate.
    const std::unordered_set<Item> shown(m_items.begin(), m_items.end());
    processed.removeIf([&](const Item &item) { return shown.count(item) != 0; });
    if (processed.isEmpty())
        return;
    const MCComparator<Item> cmp = comparator();
    if (!cmp) {
        // Unsorted: the new files follow the ones already shown, in the order given.
        m_items.append(processed);
        return;
    }
    const MCIndexSet indexes = halvard::insertionIndexesForObjects(m_items, processed, cmp);
    if (!indexes.isEmpty())
        halvard::insertObjects(m_items, processed, indexes);
}

void MCSmartGroup::onRemoveItems(const QList<Item> &items)
{
    // By identity in one pass: neither the predicate nor the sort order is asked again, as the
    // files' values may have changed since they were placed (a file that now fails the filter
    // may still be shown).
    if (items.isEmpty() || m_items.isEmpty())
        return;
    const std::unordered_set<Item> gone(items.begin(), items.end());
    m_items.removeIf([&](const Item &item) { return gone.count(item) != 0; });
}

void MCSmartGroup::onReplaceItems(const QList<Item> &oldItems, const QList<Item> &newItems)
{
    onRemoveItems(oldItems);
    onInsertItems(newItems);
}
