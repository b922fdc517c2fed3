#pragma once

// A dictionary that remembers the order of its keys: lookups by key as in a hash map, and
// positions, ranges, enumeration and sorting as in an array. MCOrderedDictionary is a value
// that its own interface does not change; MCMutableOrderedDictionary adds insertion, removal,
// sorting and grouping. Keys are strings, objects variants (labelled values shown to the user,
// tag changes).
#include "halvard/collections/MCCollectionExtensions.h"
#include "platform/core/MCIndexSet.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class MCMutableOrderedDictionary;

class MCOrderedDictionary
{
public:
    using KeyBlock = std::function<void(const QString &key, qint64 index, bool *stop)>;
    using KeyObjectBlock = std::function<void(const QString &key, const QVariant &object, qint64 index, bool *stop)>;

    MCOrderedDictionary() = default;
    virtual ~MCOrderedDictionary() = default;
    MCOrderedDictionary(const MCOrderedDictionary &) = default;
    MCOrderedDictionary &operator=(const MCOrderedDictionary &) = default;
    MCOrderedDictionary(MCOrderedDictionary &&) noexcept = default;
    MCOrderedDictionary &operator=(MCOrderedDictionary &&) noexcept = default;

    // The shared empty dictionary.
    static const MCOrderedDictionary &orderedDictionary();
    // The first n objects and keys, n being the smaller count; a key given twice keeps its
    // first place and the later object.
    MCOrderedDictionary(const QVariantList &objects, const QStringList &keys);
    // Alternating object, key pairs, read up to the first invalid object or null key.
    static MCOrderedDictionary orderedDictionaryWithObjectsAndKeys(const QVariantList &objectsAndKeys);

    qint64 count() const { return m_keys.size(); }
    bool isEmpty() const { return m_keys.isEmpty(); }
    QStringList allKeys() const { return m_keys; }
    QVariantList allObjects() const;
    // The object, or an invalid variant.
    QVariant objectForKey(const QString &key) const { return m_map.value(key); }
    QString firstKey() const { return m_keys.isEmpty() ? QString() : m_keys.first(); }
    QString lastKey() const { return m_keys.isEmpty() ? QString() : m_keys.last(); }
    QVariant firstObject() const { return objectForKey(firstKey()); }
    QVariant lastObject() const { return objectForKey(lastKey()); }
    // A null key or an invalid object when the index is out of range.
    QString keyAtIndex(qint64 index) const;
    QVariant objectAtIndex(qint64 index) const;
    qint64 indexOfKey(const QString &key) const;
    // The position of a key holding an equal object, or MCNotFound.
    qint64 indexOfObject(const QVariant &object) const;
    QStringList keysAtIndexes(const MCIndexSet &indexes) const;
    QVariantList objectsAtIndexes(const MCIndexSet &indexes) const;
    // The objects of those keys in the given order, absent keys left out.
    QVariantList objectsForKeys(const QStringList &keys) const;
    MCOrderedDictionary orderedDictionaryWithRange(const MCRange &range) const;
    bool containsKey(const QString &key) const { return m_map.contains(key); }
    bool containsObject(const QVariant &object) const { return indexOfObject(object) != MCNotFound; }
    MCIndexSet indexesOfKeys(const QStringList &keys) const;
    MCIndexSet indexesOfObjects(const QVariantList &objects) const;

    void enumerateKeysUsingBlock(const KeyBlock &block) const { enumerateKeysWithOptions(0, block); }
    void enumerateKeysWithOptions(quint64 options, const KeyBlock &block) const;
    void enumerateKeysAndObjectsUsingBlock(const KeyObjectBlock &block) const
    {
        enumerateKeysAndObjectsWithOptions(0, block);
    }
    void enumerateKeysAndObjectsWithOptions(quint64 options, const KeyObjectBlock &block) const;
    // The objects of the entries the block accepts (in key order here).
    QVariantList filteredObjectsUsingBlock(
        const std::function<bool(const QString &key, const QVariant &object, bool *stop)> &block) const;

    QString description() const;
    MCOrderedDictionary copy() const { return MCOrderedDictionary(*this); }
    MCMutableOrderedDictionary mutableCopy() const;

    // Iterates the keys in order.
    QStringList::const_iterator begin() const { return m_keys.cbegin(); }
    QStringList::const_iterator end() const { return m_keys.cend(); }

    friend bool operator==(const MCOrderedDictionary &a, const MCOrderedDictionary &b)
    {
        return a.m_keys == b.m_keys && a.m_map == b.m_map;
    }

protected:
    MCOrderedDictionary(QStringList keys, QHash<QString, QVariant> map) : m_keys(std::move(keys)), m_map(std::move(map)) {}

    // Invariant: each key once in m_keys, and m_map holds exactly those keys.
    QStringList m_keys;
    QHash<QString, QVariant> m_map;
};

class MCMutableOrderedDictionary : public MCOrderedDictionary
{
public:
    using KeyComparator = std::function<MCComparisonResult(const QString &, const QString &)>;
    using EntryComparator =
        std::function<MCComparisonResult(const QString &key1, const QVariant &object1, const QString &key2, const QVariant &object2)>;

    MCMutableOrderedDictionary() { reserve(16); }
    explicit MCMutableOrderedDictionary(qint64 capacity) { reserve(capacity); }
    MCMutableOrderedDictionary(const QVariantList &objects, const QStringList &keys)
        : MCOrderedDictionary(objects, keys)
    {
    }
    explicit MCMutableOrderedDictionary(const MCOrderedDictionary &other) : MCOrderedDictionary(other) {}
    static MCMutableOrderedDictionary orderedDictionaryWithObjectsAndKeys(const QVariantList &objectsAndKeys)
    {
        return MCMutableOrderedDictionary(MCOrderedDictionary::orderedDictionaryWithObjectsAndKeys(objectsAndKeys));
    }

    // Replaces the object of an existing key in place; a new key is appended.
    void setObject(const QVariant &object, const QString &key);
    // Sets the object and moves the key to the end.
    void addObject(const QVariant &object, const QString &key);
    // See the definition: new keys are inserted at the index, existing ones moved before the
    // entry that stood there. An index beyond count() does nothing.
    void insertObject(const QVariant &object, const QString &key, qint64 index);
    // Appends the other's entries in its order, skipping keys present here.
    void addEntriesFromOrderedDictionary(const MCOrderedDictionary &other);
    // A present key keeps its place and takes the object; a new one is inserted within `range`
    // (assumed sorted by the comparator, which sees the new entry first) by binary search.
    void addObject(const QVariant &object, const QString &key, const MCRange &range, const EntryComparator &comparator);

    void removeObjectForKey(const QString &key);
    void removeObjectsForKeys(const QStringList &keys);
    // Removes every entry whose object is equal to `object`.
    void removeObject(const QVariant &object);
    void removeObjectAtIndex(qint64 index);
    void removeObjectsAtIndexes(const MCIndexSet &indexes);
    void removeLastObject();
    void removeAllObjects();

    void sortKeysUsingComparator(const KeyComparator &comparator) { sortKeysWithOptions(0, comparator); }
    void sortKeysWithOptions(quint64 options, const KeyComparator &comparator);
    void sortKeysUsingDescriptors(const QList<MCSortDescriptor<QString>> &descriptors);
    void sortKeysAndObjectsUsingComparator(const EntryComparator &comparator)
    {
        sortKeysAndObjectsWithOptions(0, comparator);
    }
    void sortKeysAndObjectsWithOptions(quint64 options, const EntryComparator &comparator);

    // Moves entries so that entries with equal objects stand together at the place of the
    // first of them, keeping their relative order.
    void groupEqualObjects();
    void groupEqualObjectsUsingComparator(const std::function<bool(const QVariant &, const QVariant &)> &sameGroup);

private:
    void reserve(qint64 capacity);
    void reorder(const QList<qint64> &order);
};
