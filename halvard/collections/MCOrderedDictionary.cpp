#include "halvard/collections/MCOrderedDictionary.h"

#include <QDebug>

#include <algorithm>

namespace {

void checkNil(const char *method, const QVariant &object, const QString &key)
{
    if (!object.isValid() || key.isNull())
        platform::throwNilArgument(method);
}

// Text of a value: strings and numbers as themselves, other values as the debug stream shows them.
QString variantText(const QVariant &value)
{
    if (value.canConvert<QString>())
        return value.toString();
    QString text;
    QDebug(&text).noquote().nospace() << value;
    return text;
}

} // namespace

const MCOrderedDictionary &MCOrderedDictionary::orderedDictionary()
{
    static const MCOrderedDictionary empty;
    return empty;
}

MCOrderedDictionary::MCOrderedDictionary(const QVariantList &objects, const QStringList &keys)
{
    const qint64 n = std::min(objects.size(), keys.size());
    m_keys.reserve(n);
    m_map.reserve(n);
    for (qint64 i = 0; i < n; ++i) {
        if (!m_map.contains(keys.at(i)))
            m_keys.append(keys.at(i));
        m_map.insert(keys.at(i), objects.at(i));
    }
}

MCOrderedDictionary MCOrderedDictionary::orderedDictionaryWithObjectsAndKeys(const QVariantList &objectsAndKeys)
{
    QVariantList objects;
    QStringList keys;
    for (qint64 i = 0; i + 1 < objectsAndKeys.size(); i += 2) {
        const QVariant &object = objectsAndKeys.at(i);
        const QVariant &key = objectsAndKeys.at(i + 1);
        if (!object.isValid() || !key.isValid() || key.toString().isNull())
            break;
        objects.append(object);
        keys.append(key.toString());
    }
    return MCOrderedDictionary(objects, keys);
}

QVariantList MCOrderedDictionary::allObjects() const
{
    QVariantList objects;
    objects.reserve(m_keys.size());
    for (const QString &key : m_keys)
        objects.append(m_map.value(key));
    return objects;
}

QString MCOrderedDictionary::keyAtIndex(qint64 index) const
{
    return index >= 0 && index < m_keys.size() ? m_keys.at(index) : QString();
}

QVariant MCOrderedDictionary::objectAtIndex(qint64 index) const
{
    return index >= 0 && index < m_keys.size() ? m_map.value(m_keys.at(index)) : QVariant();
}

qint64 MCOrderedDictionary::indexOfKey(const QString &key) const
{
    if (!m_map.contains(key))
        return MCNotFound;
    return m_keys.indexOf(key);
}

qint64 MCOrderedDictionary::indexOfObject(const QVariant &object) const
{
    for (qint64 i = 0; i < m_keys.size(); ++i)
        if (m_map.value(m_keys.at(i)) == object)
            return i;
    return MCNotFound;
}

QStringList MCOrderedDictionary::keysAtIndexes(const MCIndexSet &indexes) const
{
    return halvard::objectsAtIndexes(m_keys, indexes);
}

QVariantList MCOrderedDictionary::objectsAtIndexes(const MCIndexSet &indexes) const
{
    QVariantList objects;
    for (const QString &key : keysAtIndexes(indexes))
        objects.append(m_map.value(key));
    return objects;
}

QVariantList MCOrderedDictionary::objectsForKeys(const QStringList &keys) const
{
    return halvard::objectsForKeys(m_map, keys);
}

MCOrderedDictionary MCOrderedDictionary::orderedDictionaryWithRange(const MCRange &range) const
{
    if (range.location < 0 || range.length < 0 || range.max() > m_keys.size())
        platform::throwIndexOutOfRange("-[MCOrderedDictionary orderedDictionaryWithRange:]", range.max() - 1,
                                       m_keys.size() - 1);
    QStringList keys = m_keys.mid(range.location, range.length);
    QHash<QString, QVariant> map;
    map.reserve(keys.size());
    for (const QString &key : keys)
        map.insert(key, m_map.value(key));
    return MCOrderedDictionary(std::move(keys), std::move(map));
}

MCIndexSet MCOrderedDictionary::indexesOfKeys(const QStringList &keys) const
{
    return halvard::indexesOfObjectsInArray(m_keys, keys);
}

MCIndexSet MCOrderedDictionary::indexesOfObjects(const QVariantList &objects) const
{
    MCIndexSet result;
    for (qint64 i = 0; i < m_keys.size(); ++i)
        if (objects.contains(m_map.value(m_keys.at(i))))
            result.addIndex(i);
    return result;
}

void MCOrderedDictionary::enumerateKeysWithOptions(quint64 options, const KeyBlock &block) const
{
    enumerateKeysAndObjectsWithOptions(options, [&](const QString &key, const QVariant &, qint64 i, bool *stop) {
        block(key, i, stop);
    });
}

void MCOrderedDictionary::enumerateKeysAndObjectsWithOptions(quint64 options, const KeyObjectBlock &block) const
{
    // A copy of the keys, so that a block changing the dictionary cannot upset the walk.
    const QStringList keys = m_keys;
    const QHash<QString, QVariant> map = m_map;
    bool stop = false;
    const qint64 n = keys.size();
    for (qint64 k = 0; k < n && !stop; ++k) {
        const qint64 i = (options & MCEnumerationReverse) ? n - 1 - k : k;
        block(keys.at(i), map.value(keys.at(i)), i, &stop);
    }
}

QVariantList MCOrderedDictionary::filteredObjectsUsingBlock(
    const std::function<bool(const QString &, const QVariant &, bool *)> &block) const
{
    QVariantList objects;
    bool stop = false;
    for (const QString &key : m_keys) {
        const QVariant &object = m_map.find(key).value();
        if (block(key, object, &stop))
            objects.append(object);
        if (stop)
            break;
    }
    return objects;
}

QString MCOrderedDictionary::description() const
{
    QStringList objects;
    for (const QVariant &object : allObjects())
        objects << variantText(object);
    return QStringLiteral("<MCOrderedDictionary: %1>\nKeys: (%2)\nObjects:(%3)")
        .arg(QStringLiteral("0x%1").arg(quintptr(this), 0, 16), m_keys.join(QStringLiteral(", ")),
             objects.join(QStringLiteral(", ")));
}

MCMutableOrderedDictionary MCOrderedDictionary::mutableCopy() const
{
    return MCMutableOrderedDictionary(*this);
}

// ---- Mutable -----------------------------------------------------------------------------

void MCMutableOrderedDictionary::reserve(qint64 capacity)
{
    m_keys.reserve(capacity);
    m_map.reserve(capacity);
}

void MCMutableOrderedDictionary::setObject(const QVariant &object, const QString &key)
{
    checkNil("-[MCMutableOrderedDictionary setObject:forKey:]", object, key);
    if (!m_map.contains(key))
        m_keys.append(key);
    m_map.insert(key, object);
}

void MCMutableOrderedDictionary::addObject(const QVariant &object, const QString &key)
{
    checkNil("-[MCMutableOrderedDictionary addObject:forKey:]", object, key);
    if (m_map.contains(key))
        m_keys.removeAt(m_keys.indexOf(key));
    m_keys.append(key);
    m_map.insert(key, object);
}

void MCMutableOrderedDictionary::insertObject(const QVariant &object, const QString &key, qint64 index)
{
    checkNil("-[MCMutableOrderedDictionary insertObject:forKey:atIndex:]", object, key);
    if (index < 0 || index > m_keys.size())
        return;
    if (m_map.contains(key)) {
        const qint64 at = m_keys.indexOf(key);
        if (at != index) {
            m_keys.removeAt(at);
            m_keys.insert(at < index ? index - 1 : index, key);
        }
    } else {
        m_keys.insert(index, key);
    }
    m_map.insert(key, object);
}

void MCMutableOrderedDictionary::addEntriesFromOrderedDictionary(const MCOrderedDictionary &other)
{
    other.enumerateKeysAndObjectsUsingBlock([this](const QString &key, const QVariant &object, qint64, bool *) {
        if (!m_map.contains(key)) {
            m_keys.append(key);
            m_map.insert(key, object);
        }
    });
}

void MCMutableOrderedDictionary::addObject(const QVariant &object, const QString &key, const MCRange &range,
                                           const EntryComparator &comparator)
{
    checkNil("-[MCMutableOrderedDictionary addObject:forKey:inSortedRange:usingComparator:]", object, key);
    if (m_map.contains(key)) {
        m_map.insert(key, object);
        return;
    }
    if (range.location < 0 || range.length < 0 || range.max() > m_keys.size())
        platform::throwIndexOutOfRange("-[MCMutableOrderedDictionary addObject:forKey:inSortedRange:usingComparator:]",
                                       range.max(), m_keys.size());
    const qint64 at = halvard::binarySearch(range.location, range.max(), [&](qint64 mid) {
                          const QString &other = m_keys.at(mid);
                          return comparator(key, object, other, m_map.value(other));
                      }).first;
    m_keys.insert(at, key);
    m_map.insert(key, object);
}

void MCMutableOrderedDictionary::removeObjectForKey(const QString &key)
{
    if (m_map.remove(key))
        m_keys.removeAt(m_keys.indexOf(key));
}

void MCMutableOrderedDictionary::removeObjectsForKeys(const QStringList &keys)
{
    bool removed = false;
    for (const QString &key : keys)
        removed |= m_map.remove(key);
    if (removed)
        m_keys.removeIf([this](const QString &key) { return !m_map.contains(key); });
}

void MCMutableOrderedDictionary::removeObject(const QVariant &object)
{
    m_keys.removeIf([&](const QString &key) {
        const auto it = m_map.find(key);
        if (!(it.value() == object))
            return false;
        m_map.erase(it);
        return true;
    });
}

void MCMutableOrderedDictionary::removeObjectAtIndex(qint64 index)
{
    if (index < 0 || index >= m_keys.size())
        return;
    m_map.remove(m_keys.takeAt(index));
}

void MCMutableOrderedDictionary::removeObjectsAtIndexes(const MCIndexSet &indexes)
{
    for (const QString &key : keysAtIndexes(indexes))
        m_map.remove(key);
    halvard::removeObjectsAtIndexes(m_keys, indexes);
}

void MCMutableOrderedDictionary::removeLastObject()
{
    if (!m_keys.isEmpty())
        m_map.remove(m_keys.takeLast());
}

void MCMutableOrderedDictionary::removeAllObjects()
{
    m_keys.clear();
    m_map.clear();
}

void MCMutableOrderedDictionary::sortKeysWithOptions(quint64, const KeyComparator &comparator)
{
    std::stable_sort(m_keys.begin(), m_keys.end(),
                     [&](const QString &a, const QString &b) { return comparator(a, b) < 0; });
}

void MCMutableOrderedDictionary::sortKeysUsingDescriptors(const QList<MCSortDescriptor<QString>> &descriptors)
{
    sortKeysUsingComparator(MCComparatorFromSortDescriptors(descriptors));
}

void MCMutableOrderedDictionary::sortKeysAndObjectsWithOptions(quint64, const EntryComparator &comparator)
{
    std::stable_sort(m_keys.begin(), m_keys.end(), [&](const QString &a, const QString &b) {
        return comparator(a, m_map.constFind(a).value(), b, m_map.constFind(b).value()) < 0;
    });
}

void MCMutableOrderedDictionary::groupEqualObjects()
{
    groupEqualObjectsUsingComparator([](const QVariant &a, const QVariant &b) { return a == b; });
}

void MCMutableOrderedDictionary::groupEqualObjectsUsingComparator(
    const std::function<bool(const QVariant &, const QVariant &)> &sameGroup)
{
    if (m_keys.size() < 2)
        return;
    const QVariantList objects = allObjects();
    reorder(halvard::groupingOrder(objects.size(),
                                   [&](qint64 i, qint64 j) { return sameGroup(objects.at(i), objects.at(j)); }));
}

void MCMutableOrderedDictionary::reorder(const QList<qint64> &order)
{
    QStringList keys;
    keys.reserve(order.size());
    for (qint64 k : order)
        keys.append(m_keys.at(k));
    m_keys = std::move(keys);
}
