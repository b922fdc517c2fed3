#pragma once

// Operations added to the system's collections: index sets (MCIndexSet), sets (QSet), arrays
// (QList), and property-list dictionaries (QVariantMap). Arrays are taken by value type; the
// functions that answer a new array answer a new list, also when nothing changed.
//
// Comparators answer MCOrderedAscending (-1), MCOrderedSame (0) or MCOrderedDescending (1);
// any other value is a caller error.
#include "platform/core/MCException.h"
#include "platform/core/MCIndexSet.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QVariant>
#include <QVariantMap>

#include <algorithm>
#include <concepts>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

enum MCComparisonResult : qint64 {
    MCOrderedAscending = -1,
    MCOrderedSame = 0,
    MCOrderedDescending = 1,
};

// Options of enumerations: concurrent enumeration may run in order on the calling thread.
enum MCEnumerationOptions : quint64 {
    MCEnumerationConcurrent = 1u << 0,
    MCEnumerationReverse = 1u << 1,
};

// Options of sorts: sorts are always stable here, which satisfies both.
enum MCSortOptions : quint64 {
    MCSortConcurrent = 1u << 0,
    MCSortStable = 1u << 4,
};

template <typename A, typename B = A>
using MCComparator = std::function<MCComparisonResult(const A &, const B &)>;

// Orders objects by one aspect, ascending or descending (the descending order is the
// ascending one reversed).
template <typename T>
struct MCSortDescriptor
{
    MCComparator<T> comparator;
    bool ascending = true;
    // Optional: a number per object that orders objects exactly as the comparator does (the
    // lower number ascending, equal numbers the same). A sort of many objects reads it once per
    // object instead of asking the comparator, whose values may be dear to read, again and
    // again.
    std::function<double(const T &)> sortKey;

    MCSortDescriptor() = default;
    MCSortDescriptor(MCComparator<T> comparator, bool ascending = true, std::function<double(const T &)> sortKey = {})
        : comparator(std::move(comparator)), ascending(ascending), sortKey(std::move(sortKey))
    {
    }

    MCComparisonResult compareObject(const T &a, const T &b) const
    {
        const MCComparisonResult r = comparator(a, b);
        return ascending ? r : MCComparisonResult(-qint64(r));
    }
};

// One comparator from a list of descriptors: the first descriptor that does not answer same
// decides; all same gives same.
template <typename T>
MCComparator<T> MCComparatorFromSortDescriptors(const QList<MCSortDescriptor<T>> &descriptors)
{
    return [descriptors](const T &a, const T &b) {
        for (const MCSortDescriptor<T> &d : descriptors) {
            const MCComparisonResult r = d.compareObject(a, b);
            if (r != MCOrderedSame)
                return r;
        }
        return MCOrderedSame;
    };
}

namespace halvard {

// ---- Helpers for element types -------------------------------------------------------------

template <typename T>
concept StdHashable = requires(const T &t) {
    { std::hash<T>{}(t) } -> std::convertible_to<std::size_t>;
};

// Element types that have an identity (an address): raw and shared pointers.
template <typename T> struct ObjectAddress
{
    static constexpr bool available = false;
};
template <typename T> struct ObjectAddress<T *>
{
    static constexpr bool available = true;
    static const void *of(T *p) { return p; }
};
template <typename T> struct ObjectAddress<std::shared_ptr<T>>
{
    static constexpr bool available = true;
    static const void *of(const std::shared_ptr<T> &p) { return p.get(); }
};

// Whether a value stands for "no object": a null pointer or an invalid QVariant.
template <typename T> bool isNil(const T &)
{
    return false;
}
template <typename T> bool isNil(T *p)
{
    return p == nullptr;
}
template <typename T> bool isNil(const std::shared_ptr<T> &p)
{
    return p == nullptr;
}
inline bool isNil(const QVariant &v)
{
    return !v.isValid();
}

// Membership by equality: hashed when the type can be hashed, linear otherwise.
template <typename T> class EqualitySet
{
public:
    explicit EqualitySet(const QList<T> &objects)
    {
        if constexpr (StdHashable<T>)
            m_set.insert(objects.begin(), objects.end());
        else
            m_list = objects;
    }
    bool contains(const T &object) const
    {
        if constexpr (StdHashable<T>)
            return m_set.count(object) != 0;
        else
            return m_list.contains(object);
    }

private:
    std::conditional_t<StdHashable<T>, std::unordered_set<T>, int> m_set{};
    QList<T> m_list;
};

// ---- Index sets ---------------------------------------------------------------------------

inline MCIndexSet indexSetByRemovingIndexSet(const MCIndexSet &set, const MCIndexSet &other)
{
    MCIndexSet result = set;
    result.removeIndexes(other);
    return result;
}

// The n-th smallest index of the set.
qint64 indexAtIndex(const MCIndexSet &set, qint64 position);
// The smallest index >= `index` inside `range` that the set lacks, or MCNotFound.
qint64 missedIndexGreaterThanOrEqualToIndex(const MCIndexSet &set, qint64 index, const MCRange &range);
// The largest index <= `index` inside `range` that the set lacks, or MCNotFound.
qint64 missedIndexLessThanOrEqualToIndex(const MCIndexSet &set, qint64 index, const MCRange &range);

// ---- Sets ---------------------------------------------------------------------------------

template <typename T, typename Pred> QSet<T> filteredSetUsingBlock(const QSet<T> &set, Pred &&pred)
{
    QSet<T> result;
    for (const T &object : set)
        if (pred(object))
            result.insert(object);
    return result;
}

// ---- Arrays -------------------------------------------------------------------------------

// Both null, or both the same list, or equal lists; one null is not equal.
template <typename T> bool isEqualArray(const QList<T> *a, const QList<T> *b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return *a == *b;
}

template <typename T, typename Pred> QList<T> filteredArrayUsingBlock(const QList<T> &array, Pred &&pred)
{
    QList<T> result;
    for (const T &object : array)
        if (pred(object))
            result.append(object);
    return result;
}

// The objects at the indexes, in index order. Indexes beyond the array are a caller error.
template <typename T> QList<T> objectsAtIndexes(const QList<T> &array, const MCIndexSet &indexes)
{
    if (!indexes.isEmpty() && indexes.lastIndex() >= array.size())
        platform::throwIndexOutOfRange("-[NSArray objectsAtIndexes:]", indexes.lastIndex(), array.size() - 1);
    QList<T> result;
    result.reserve(indexes.count());
    indexes.forEachIndex([&](qint64 i) { result.append(array.at(i)); });
    return result;
}

// Inserts objects so that the k-th object ends at the k-th index of the set (as inserting them
// one by one in ascending index order does). One pass over the array.
template <typename T> void insertObjects(QList<T> &array, const QList<T> &objects, const MCIndexSet &indexes)
{
    if (objects.size() != indexes.count())
        throw std::invalid_argument("*** -[NSMutableArray insertObjects:atIndexes:]: count of array and index set differ");
    if (objects.isEmpty())
        return;
    const qint64 total = array.size() + objects.size();
    if (indexes.lastIndex() >= total)
        platform::throwIndexOutOfRange("-[NSMutableArray insertObjects:atIndexes:]", indexes.lastIndex(), array.size());
    QList<T> result;
    result.reserve(total);
    qint64 from = 0, k = 0;
    for (const MCRange &r : indexes.ranges()) {
        while (result.size() < r.location)
            result.append(std::move(array[from++]));
        for (qint64 i = 0; i < r.length; ++i)
            result.append(objects.at(k++));
    }
    while (from < array.size())
        result.append(std::move(array[from++]));
    array = std::move(result);
}

// Removes the objects at the indexes in one pass.
template <typename T> void removeObjectsAtIndexes(QList<T> &array, const MCIndexSet &indexes)
{
    if (indexes.isEmpty())
        return;
    if (indexes.lastIndex() >= array.size())
        platform::throwIndexOutOfRange("-[NSMutableArray removeObjectsAtIndexes:]", indexes.lastIndex(), array.size() - 1);
    qint64 write = indexes.firstIndex();
    qint64 read = write;
    const auto &ranges = indexes.ranges();
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        read = ranges[k].max();
        const qint64 stop = k + 1 < ranges.size() ? ranges[k + 1].location : array.size();
        while (read < stop)
            array[write++] = std::move(array[read++]);
    }
    array.resize(write);
}

template <typename T>
QList<T> arrayByInsertingObjects(const QList<T> &array, const QList<T> &objects, const MCIndexSet &indexes)
{
    QList<T> result = array;
    if (!objects.isEmpty())
        insertObjects(result, objects, indexes);
    return result;
}

template <typename T> QList<T> arrayByRemovingFirstObject(const QList<T> &array)
{
    return array.isEmpty() ? array : array.mid(1);
}

template <typename T> QList<T> arrayByRemovingLastObject(const QList<T> &array)
{
    return array.isEmpty() ? array : array.first(array.size() - 1);
}

template <typename T> QList<T> arrayByRemovingObject(const QList<T> &array, const T &object)
{
    return filteredArrayUsingBlock(array, [&](const T &o) { return !(o == object); });
}

template <typename T> QList<T> arrayByRemovingObjectsInArray(const QList<T> &array, const QList<T> &objects)
{
    if (array.isEmpty() || objects.isEmpty())
        return array;
    const EqualitySet<T> remove(objects);
    return filteredArrayUsingBlock(array, [&](const T &o) { return !remove.contains(o); });
}

template <typename T> QList<T> arrayByRemovingObjectsAtIndexes(const QList<T> &array, const MCIndexSet &indexes)
{
    QList<T> result = array;
    removeObjectsAtIndexes(result, indexes);
    return result;
}

// Binary search of positions [lo, hi): `order(mid)` answers the sought value's order relative to
// the element at mid (negative: look before it, positive: after it, 0: found). Answers the
// position found and true, or the insertion position and false.
template <typename Order> std::pair<qint64, bool> binarySearch(qint64 lo, qint64 hi, Order &&order)
{
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        const qint64 r = qint64(order(mid));
        if (r < 0)
            hi = mid;
        else if (r > 0)
            lo = mid + 1;
        else
            return {mid, true};
    }
    return {lo, false};
}

// Binary search in [lo, hi) with a block on the elements; MCNotFound when nothing gives 0.
template <typename T, typename Block>
qint64 MCBinarySearchInArray(const QList<T> &array, qint64 lo, qint64 hi, Block &&block)
{
    const auto [index, found] = binarySearch(lo, hi, [&](qint64 mid) { return block(array.at(mid)); });
    return found ? index : MCNotFound;
}

template <typename T>
qint64 binarySearchWithBlock(const QList<T> &array, const std::function<MCComparisonResult(const T &)> &block)
{
    if (!block)
        throw std::invalid_argument("*** -[NSArray(MCNSArrayExtensions) binarySearchWithBlock:]: block must not be nil");
    return MCBinarySearchInArray(array, 0, array.size(), block);
}

// Positions holding the given objects, each given object matched as often as it occurs among
// them (the first occurrences in the array are taken).
template <typename T> MCIndexSet indexesOfObjects(const QList<T> &array, const QList<T> &objects)
{
    MCIndexSet result;
    if constexpr (StdHashable<T>) {
        std::unordered_map<T, qint64> wanted;
        for (const T &o : objects)
            ++wanted[o];
        for (qint64 i = 0; i < array.size() && !wanted.empty(); ++i) {
            auto it = wanted.find(array.at(i));
            if (it == wanted.end())
                continue;
            result.addIndex(i);
            if (--it->second == 0)
                wanted.erase(it);
        }
    } else {
        QList<T> wanted = objects;
        for (qint64 i = 0; i < array.size() && !wanted.isEmpty(); ++i)
            if (wanted.removeOne(array.at(i)))
                result.addIndex(i);
    }
    return result;
}

// Every position whose object is among the given ones.
template <typename T> MCIndexSet indexesOfObjectsInArray(const QList<T> &array, const QList<T> &objects)
{
    MCIndexSet result;
    const EqualitySet<T> wanted(objects);
    for (qint64 i = 0; i < array.size(); ++i)
        if (wanted.contains(array.at(i)))
            result.addIndex(i);
    return result;
}

// Where the object goes in the sorted array (any position among equal elements).
template <typename T, typename Cmp> qint64 insertionIndexForObject(const QList<T> &array, const T &object, Cmp &&cmp)
{
    return binarySearch(0, array.size(), [&](qint64 mid) { return cmp(object, array.at(mid)); }).first;
}

// The positions the sorted objects take when merged into the sorted array (ties after the
// equal elements), ready for insertObjects().
template <typename T, typename Cmp>
MCIndexSet insertionIndexesForObjects(const QList<T> &array, const QList<T> &objects, Cmp &&cmp)
{
    MCIndexSet result;
    qint64 a = 0, b = 0, p = 0;
    while (b < objects.size()) {
        if (a >= array.size() || qint64(cmp(array.at(a), objects.at(b))) > 0) {
            result.addIndex(p);
            ++b;
        } else {
            ++a;
        }
        ++p;
    }
    return result;
}

template <typename T>
MCIndexSet insertionIndexesForObjects(const QList<T> &array, const QList<T> &objects,
                                      const QList<MCSortDescriptor<T>> &descriptors)
{
    return insertionIndexesForObjects(array, objects, MCComparatorFromSortDescriptors(descriptors));
}

// The positions in the sorted array of the very objects given (sorted the same way; within a
// run of equal elements both ordered by address).
template <typename T, typename Cmp>
    requires ObjectAddress<T>::available
MCIndexSet indexesOfSortedObjects(const QList<T> &array, const QList<T> &objects, Cmp &&cmp)
{
    MCIndexSet result;
    qint64 p = 0, b = 0;
    while (p < array.size() && b < objects.size()) {
        const T &x = array.at(p);
        const T &y = objects.at(b);
        const qint64 r = qint64(cmp(x, y));
        if (r < 0) {
            ++p;
        } else if (r > 0) {
            ++b;
        } else {
            const auto ax = ObjectAddress<T>::of(x), ay = ObjectAddress<T>::of(y);
            if (ax == ay) {
                result.addIndex(p);
                ++p;
                ++b;
            } else if (std::less<const void *>{}(ax, ay)) {
                ++p;
            } else {
                ++b;
            }
        }
    }
    return result;
}

template <typename T>
    requires ObjectAddress<T>::available
MCIndexSet indexesOfSortedObjects(const QList<T> &array, const QList<T> &objects,
                                  const QList<MCSortDescriptor<T>> &descriptors)
{
    return indexesOfSortedObjects(array, objects, MCComparatorFromSortDescriptors(descriptors));
}

// Sorts with `sortingCmp` (stable) and cuts into maximal runs in which each element compares
// same to the one before it under `cmp`.
template <typename T, typename Cmp, typename SortCmp>
QList<QList<T>> splitArraysUsingComparator(const QList<T> &array, Cmp &&cmp, SortCmp &&sortingCmp)
{
    QList<QList<T>> runs;
    if (array.isEmpty())
        return runs;
    QList<T> sorted = array;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const T &a, const T &b) { return qint64(sortingCmp(a, b)) < 0; });
    QList<T> run{sorted.first()};
    for (qint64 i = 1; i < sorted.size(); ++i) {
        if (qint64(cmp(sorted.at(i - 1), sorted.at(i))) != 0) {
            runs.append(std::move(run));
            run = QList<T>();
        }
        run.append(sorted.at(i));
    }
    runs.append(std::move(run));
    return runs;
}

template <typename T, typename Cmp> QList<QList<T>> splitArraysUsingComparator(const QList<T> &array, Cmp &&cmp)
{
    return splitArraysUsingComparator(array, cmp, cmp);
}

template <typename T, typename Pred> void filterUsingBlock(QList<T> &array, Pred &&pred)
{
    array.removeIf([&](const T &o) { return !pred(o); });
}

// The positions of a grouping: objects matching the first object of a group are moved to
// stand right after it, in their relative order; groups keep the place of their first member.
// `order[k]` is the old position of the object that ends at position k. `same(i, j)` answers
// whether the objects at old positions i and j belong together.
template <typename Same> QList<qint64> groupingOrder(qint64 count, Same &&same)
{
    QList<qint64> order(count);
    for (qint64 k = 0; k < count; ++k)
        order[k] = k;
    for (qint64 i = 0; i + 1 < count;) {
        const qint64 o = order[i];
        qint64 g = i;
        for (qint64 j = i + 1; j < count; ++j) {
            if (!same(o, order[j]))
                continue;
            ++g;
            if (g < j) {
                const qint64 moved = order[j];
                std::move_backward(order.begin() + g, order.begin() + j, order.begin() + j + 1);
                order[g] = moved;
            }
        }
        i = g + 1;
    }
    return order;
}

template <typename T, typename Same> void groupEqualObjectsUsingComparator(QList<T> &array, Same &&same)
{
    if (array.size() < 2)
        return;
    const QList<qint64> order =
        groupingOrder(array.size(), [&](qint64 i, qint64 j) { return same(array.at(i), array.at(j)); });
    QList<T> result;
    result.reserve(array.size());
    for (qint64 k : order)
        result.append(array.at(k));
    array = std::move(result);
}

template <typename T> void groupEqualObjects(QList<T> &array)
{
    groupEqualObjectsUsingComparator(array, [](const T &a, const T &b) { return a == b; });
}

// ---- Property-list dictionaries -----------------------------------------------------------

inline QVariantList arrayForKey(const QVariantMap &map, const QString &key) { return map.value(key).toList(); }
inline QVariant numberForKey(const QVariantMap &map, const QString &key) { return map.value(key); }
inline QString stringForKey(const QVariantMap &map, const QString &key) { return map.value(key).toString(); }
// A number of seconds since 1 January 2001 UTC, as a date; invalid when absent.
QDateTime dateForKey(const QVariantMap &map, const QString &key);
// The stored path; a null string when absent.
QString fileURLForKey(const QVariantMap &map, const QString &key);
// The objects of the keys in the keys' order, absent keys left out (a QVariantMap or a QHash).
template <typename Map> QVariantList objectsForKeys(const Map &map, const QStringList &keys)
{
    QVariantList result;
    for (const QString &key : keys) {
        const auto it = map.constFind(key);
        if (it != map.constEnd())
            result.append(*it);
    }
    return result;
}

// The setters store nothing for "no object" (an invalid variant, a null string, an invalid
// date): the key keeps its old value.
void setArray(QVariantMap &map, const QVariant &array, const QString &key);
void setNumber(QVariantMap &map, const QVariant &number, const QString &key);
void setString(QVariantMap &map, const QString &string, const QString &key);
void setDate(QVariantMap &map, const QDateTime &date, const QString &key);
void setFileURL(QVariantMap &map, const QString &path, const QString &key);

} // namespace halvard
