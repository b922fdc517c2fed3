#pragma once

// Small general containers: an array and a balanced ordered set kept in the order of a
// comparator, an append-only list of indexes, a two-way dictionary, and an exact fraction.
#include "halvard/collections/MCCollectionExtensions.h"
#include "platform/core/MCException.h"
#include "platform/core/MCIndexSet.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>
#include <set>
#include <vector>

// ---- Sorted array -------------------------------------------------------------------------

// An array kept sorted ascending by its comparator; elements comparing same may repeat.
template <typename T> class MCSortedArray
{
public:
    // None for an empty comparator.
    static std::optional<MCSortedArray> withComparator(MCComparator<T> comparator)
    {
        if (!comparator)
            return std::nullopt;
        return MCSortedArray(std::move(comparator));
    }

    qint64 count() const { return m_array.size(); }
    const T &objectAtIndex(qint64 index) const
    {
        if (index < 0 || index >= m_array.size())
            platform::throwIndexOutOfRange("-[MCSortedArray objectAtIndex:]", index, m_array.size() - 1);
        return m_array.at(index);
    }
    const T &operator[](qint64 index) const { return objectAtIndex(index); }
    const QList<T> &array() const { return m_array; }
    const MCComparator<T> &comparator() const { return m_comparator; }
    typename QList<T>::const_iterator begin() const { return m_array.cbegin(); }
    typename QList<T>::const_iterator end() const { return m_array.cend(); }
    void enumerateObjectsUsingBlock(const std::function<void(const T &, qint64, bool *)> &block) const
    {
        bool stop = false;
        for (qint64 i = 0; i < m_array.size() && !stop; ++i)
            block(m_array.at(i), i, &stop);
    }

    // Inserts at a place found by binary search (any place among elements comparing same).
    void insertObject(const T &object)
    {
        checkNil("-[MCSortedArray insertObject:]", object);
        m_array.insert(halvard::insertionIndexForObject(m_array, object, m_comparator), object);
    }
    // The first index of an element comparing same, or MCNotFound.
    qint64 indexOfObject(const T &object) const
    {
        checkNil("-[MCSortedArray indexOfObject:]", object);
        const qint64 first = lowerBound(object);
        return first < m_array.size() && m_comparator(m_array.at(first), object) == MCOrderedSame ? first : MCNotFound;
    }
    // Removes every element comparing same to the object, which may include elements that are
    // not equal to it.
    void removeObject(const T &object)
    {
        checkNil("-[MCSortedArray removeObject:]", object);
        const qint64 first = lowerBound(object);
        qint64 lo = first, hi = m_array.size();
        while (lo < hi) { // first element ordered after the object
            const qint64 mid = lo + (hi - lo) / 2;
            if (m_comparator(m_array.at(mid), object) > 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        m_array.remove(first, lo - first);
    }
    // Removes every element equal (==) to the object.
    void removeObjectEqualTo(const T &object)
    {
        checkNil("-[MCSortedArray removeObjectEqualTo:]", object);
        m_array.removeAll(object);
    }
    // Removes every occurrence of that very object (by address for pointers, else by ==).
    void removeObjectIdenticalTo(const T &object)
    {
        checkNil("-[MCSortedArray removeObjectIdenticalTo:]", object);
        if constexpr (halvard::ObjectAddress<T>::available)
            m_array.removeIf([&](const T &o) {
                return halvard::ObjectAddress<T>::of(o) == halvard::ObjectAddress<T>::of(object);
            });
        else
            m_array.removeAll(object);
    }
    void removeAllObjects() { m_array.clear(); }

private:
    explicit MCSortedArray(MCComparator<T> comparator) : m_comparator(std::move(comparator)) {}
    static void checkNil(const char *method, const T &object)
    {
        if (halvard::isNil(object))
            platform::throwNilArgument(method);
    }
    // First element not ordered before the object.
    qint64 lowerBound(const T &object) const
    {
        qint64 lo = 0, hi = m_array.size();
        while (lo < hi) {
            const qint64 mid = lo + (hi - lo) / 2;
            if (m_comparator(m_array.at(mid), object) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    QList<T> m_array;
    MCComparator<T> m_comparator;
};

// ---- Balanced ordered set -----------------------------------------------------------------

// A balanced search tree of objects in comparator order; objects comparing same are stored
// once (the first one stays). Insertion, removal and lookup take O(log n).
template <typename T> class MCRedBlackTree
{
public:
    static std::optional<MCRedBlackTree> withComparator(MCComparator<T> comparator)
    {
        if (!comparator)
            return std::nullopt;
        return MCRedBlackTree(std::move(comparator));
    }

    qint64 count() const { return qint64(m_set.size()); }
    // Ignored when an object comparing same is present.
    void insertObject(const T &object)
    {
        if (halvard::isNil(object))
            platform::throwNilArgument("-[MCRedBlackTree insertObject:]");
        m_set.insert(object);
    }
    void removeObject(const T &object)
    {
        if (halvard::isNil(object))
            platform::throwNilArgument("-[MCRedBlackTree removeObject:]");
        m_set.erase(object);
    }
    std::optional<T> minObject() const { return m_set.empty() ? std::nullopt : std::optional<T>(*m_set.begin()); }
    std::optional<T> maxObject() const { return m_set.empty() ? std::nullopt : std::optional<T>(*m_set.rbegin()); }
    void removeMinObject()
    {
        if (!m_set.empty())
            m_set.erase(m_set.begin());
    }
    void removeMaxObject()
    {
        if (!m_set.empty())
            m_set.erase(std::prev(m_set.end()));
    }
    // All objects in ascending order.
    QList<T> array() const { return QList<T>(m_set.begin(), m_set.end()); }

private:
    struct Less
    {
        std::shared_ptr<const MCComparator<T>> comparator;
        bool operator()(const T &a, const T &b) const { return (*comparator)(a, b) < 0; }
    };
    explicit MCRedBlackTree(MCComparator<T> comparator)
        : m_set(Less{std::make_shared<const MCComparator<T>>(std::move(comparator))})
    {
    }

    std::set<T, Less> m_set;
};

// ---- Index map ----------------------------------------------------------------------------

// An append-only list of unsigned 64-bit values.
class MCIndexMap
{
public:
    qint64 count() const { return qint64(m_indexes.size()); }
    void addIndex(quint64 index) { m_indexes.push_back(index); }
    // Appends the value n times.
    void addIndex(quint64 index, quint64 count) { m_indexes.insert(m_indexes.end(), count, index); }
    quint64 indexAtIndex(qint64 position) const
    {
        if (position < 0 || position >= count())
            platform::throwIndexOutOfRange("-[MCIndexMap indexAtIndex:]", position, count());
        return m_indexes[std::size_t(position)];
    }
    void removeAllIndexes() { m_indexes.clear(); }

private:
    std::vector<quint64> m_indexes;
};

// ---- Two-way dictionary -------------------------------------------------------------------

// Keys to objects and objects to keys. Setting a pairing drops any earlier pairing of the key
// or of the object, so both directions always answer each other.
template <typename K, typename V> class MCBimap
{
public:
    void setObject(const V &object, const K &key)
    {
        if (const auto it = m_keyToValue.constFind(key); it != m_keyToValue.constEnd())
            m_valueToKey.remove(*it);
        if (const auto it = m_valueToKey.constFind(object); it != m_valueToKey.constEnd())
            m_keyToValue.remove(*it);
        m_keyToValue.insert(key, object);
        m_valueToKey.insert(object, key);
    }
    std::optional<V> objectForKey(const K &key) const { return lookup(m_keyToValue, key); }
    std::optional<K> keyForObject(const V &object) const { return lookup(m_valueToKey, object); }
    bool containsKey(const K &key) const { return m_keyToValue.contains(key); }
    bool containsObject(const V &object) const { return m_valueToKey.contains(object); }
    QList<V> objectsForKeys(const QList<K> &keys, const V &notFoundMarker) const
    {
        QList<V> result;
        for (const K &key : keys)
            result.append(m_keyToValue.value(key, notFoundMarker));
        return result;
    }
    QList<K> keysForObjects(const QList<V> &objects, const K &notFoundMarker) const
    {
        QList<K> result;
        for (const V &object : objects)
            result.append(m_valueToKey.value(object, notFoundMarker));
        return result;
    }
    qint64 count() const { return m_keyToValue.size(); }

    // The removed object, if the key was present.
    std::optional<V> removeObjectForKey(const K &key)
    {
        const std::optional<V> object = lookup(m_keyToValue, key);
        if (object) {
            m_keyToValue.remove(key);
            m_valueToKey.remove(*object);
        }
        return object;
    }
    std::optional<K> removeKeyForObject(const V &object)
    {
        const std::optional<K> key = lookup(m_valueToKey, object);
        if (key) {
            m_valueToKey.remove(object);
            m_keyToValue.remove(*key);
        }
        return key;
    }
    // The objects found for the keys (absent keys skipped), removed in both directions.
    QList<V> removeObjectsForKeys(const QList<K> &keys)
    {
        QList<V> removed;
        for (const K &key : keys)
            if (const std::optional<V> object = removeObjectForKey(key))
                removed.append(*object);
        return removed;
    }
    QList<K> removeKeysForObjects(const QList<V> &objects)
    {
        QList<K> removed;
        for (const V &object : objects)
            if (const std::optional<K> key = removeKeyForObject(object))
                removed.append(*key);
        return removed;
    }
    void removeAllObjects()
    {
        m_keyToValue.clear();
        m_valueToKey.clear();
    }

private:
    template <typename A, typename B> static std::optional<B> lookup(const QHash<A, B> &map, const A &a)
    {
        const auto it = map.constFind(a);
        return it == map.constEnd() ? std::nullopt : std::optional<B>(*it);
    }

    QHash<K, V> m_keyToValue;
    QHash<V, K> m_valueToKey;
};

// ---- Fraction -----------------------------------------------------------------------------

// An exact, reduced, non-negative fraction (exposure times and the like).
class MCFraction
{
public:
    // None when the denominator is 0; otherwise reduced, so 0/n is 0/1.
    static std::optional<MCFraction> fractionWithNumerator(quint64 numerator, quint64 denominator);

    quint64 numerator() const { return m_numerator; }
    quint64 denominator() const { return m_denominator; }
    float floatValue() const { return float(m_numerator) / float(m_denominator); }
    double doubleValue() const { return double(m_numerator) / double(m_denominator); }
    // By exact value: -1, 0 or 1.
    MCComparisonResult compare(const MCFraction &other) const;
    // Absent values first: both absent 0, only the first -1, only the second 1.
    static MCComparisonResult compareFraction(const std::optional<MCFraction> &a, const std::optional<MCFraction> &b);
    quint64 hash() const { return (m_numerator << 32) | m_denominator; }
    friend bool operator==(const MCFraction &, const MCFraction &) = default;

private:
    MCFraction(quint64 numerator, quint64 denominator) : m_numerator(numerator), m_denominator(denominator) {}

    quint64 m_numerator;
    quint64 m_denominator;
};

inline size_t qHash(const MCFraction &fraction, size_t seed = 0)
{
    return ::qHash(fraction.hash(), seed);
}

template <> struct std::hash<MCFraction>
{
    size_t operator()(const MCFraction &fraction) const noexcept { return size_t(fraction.hash()); }
};
