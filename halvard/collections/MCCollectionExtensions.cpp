#include "halvard/collections/MCCollectionExtensions.h"

#include <QTimeZone>

namespace halvard {

namespace {

// 1 January 2001, 00:00:00 UTC, the reference date of stored dates.
QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
}

[[noreturn]] void throwIndexOutOfRangeOfRange(const char *method, qint64 index, const MCRange &range)
{
    throw std::out_of_range(QStringLiteral("*** %1: index %2 is out of range %3")
                                .arg(QLatin1String(method))
                                .arg(index)
                                .arg(MCStringFromRange(range))
                                .toStdString());
}

// The range of the set that holds `index`; the set must contain it.
const MCRange &rangeContaining(const MCIndexSet &set, qint64 index)
{
    const auto &ranges = set.ranges();
    auto it = std::upper_bound(ranges.begin(), ranges.end(), index,
                               [](qint64 i, const MCRange &r) { return i < r.max(); });
    return *it;
}

} // namespace

qint64 indexAtIndex(const MCIndexSet &set, qint64 position)
{
    const qint64 count = set.count();
    if (position < 0 || position >= count)
        platform::throwIndexOutOfRange("-[NSIndexSet(MCNSIndexSetExtensions) indexAtIndex:]", position, count);
    qint64 n = position;
    for (const MCRange &r : set.ranges()) {
        if (n < r.length)
            return r.location + n;
        n -= r.length;
    }
    return MCNotFound; // not reached
}

qint64 missedIndexGreaterThanOrEqualToIndex(const MCIndexSet &set, qint64 index, const MCRange &range)
{
    if (!range.contains(index))
        throwIndexOutOfRangeOfRange("-[NSIndexSet(MCNSIndexSetExtensions) missedIndexGreaterThanOrEqualToIndex:inRange:]",
                                    index, range);
    if (!set.containsIndex(index))
        return index;
    const qint64 end = rangeContaining(set, index).max();
    return end < range.max() ? end : MCNotFound;
}

qint64 missedIndexLessThanOrEqualToIndex(const MCIndexSet &set, qint64 index, const MCRange &range)
{
    if (!range.contains(index))
        throwIndexOutOfRangeOfRange("-[NSIndexSet(MCNSIndexSetExtensions) missedIndexLessThanOrEqualToIndex:inRange:]",
                                    index, range);
    if (!set.containsIndex(index))
        return index;
    const qint64 start = rangeContaining(set, index).location;
    return start > range.location ? start - 1 : MCNotFound;
}

QDateTime dateForKey(const QVariantMap &map, const QString &key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || !it->isValid())
        return {};
    return referenceDate().addMSecs(qRound64(it->toDouble() * 1000.0));
}

QString fileURLForKey(const QVariantMap &map, const QString &key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || !it->isValid())
        return {};
    return it->toString();
}

void setArray(QVariantMap &map, const QVariant &array, const QString &key)
{
    if (array.isValid())
        map.insert(key, array);
}

void setNumber(QVariantMap &map, const QVariant &number, const QString &key)
{
    if (number.isValid())
        map.insert(key, number);
}

void setString(QVariantMap &map, const QString &string, const QString &key)
{
    if (!string.isNull())
        map.insert(key, string);
}

void setDate(QVariantMap &map, const QDateTime &date, const QString &key)
{
    if (date.isValid())
        map.insert(key, double(referenceDate().msecsTo(date)) / 1000.0);
}

void setFileURL(QVariantMap &map, const QString &path, const QString &key)
{
    if (!path.isNull())
        map.insert(key, path);
}

} // namespace halvard
