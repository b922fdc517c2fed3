#include "platform/core/MCIndexSet.h"

#include <QStringList>

#include <algorithm>

QString MCStringFromRange(const MCRange &range)
{
    return QStringLiteral("{%1, %2}").arg(range.location).arg(range.length);
}

MCIndexSet::MCIndexSet(qint64 index) { addIndex(index); }

MCIndexSet::MCIndexSet(const MCRange &range) { addIndexesInRange(range); }

MCIndexSet::MCIndexSet(std::initializer_list<qint64> indexes)
{
    for (qint64 i : indexes)
        addIndex(i);
}

MCIndexSet MCIndexSet::fromList(const QList<qint64> &indexes)
{
    MCIndexSet set;
    for (qint64 i : indexes)
        set.addIndex(i);
    return set;
}

qint64 MCIndexSet::count() const
{
    qint64 n = 0;
    for (const MCRange &r : m_ranges)
        n += r.length;
    return n;
}

bool MCIndexSet::containsIndex(qint64 index) const
{
    // First range whose end lies beyond the index.
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), index,
                               [](qint64 i, const MCRange &r) { return i < r.max(); });
    return it != m_ranges.end() && it->contains(index);
}

bool MCIndexSet::containsIndexes(const MCIndexSet &other) const
{
    for (const MCRange &r : other.m_ranges) {
        auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), r.location,
                                   [](qint64 i, const MCRange &x) { return i < x.max(); });
        if (it == m_ranges.end() || it->location > r.location || it->max() < r.max())
            return false;
    }
    return true;
}

qint64 MCIndexSet::indexGreaterThanOrEqualToIndex(qint64 index) const
{
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), index,
                               [](qint64 i, const MCRange &r) { return i < r.max(); });
    if (it == m_ranges.end())
        return MCNotFound;
    return std::max(index, it->location);
}

qint64 MCIndexSet::indexLessThanOrEqualToIndex(qint64 index) const
{
    // Last range starting at or before the index.
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), index,
                               [](qint64 i, const MCRange &r) { return i < r.location; });
    if (it == m_ranges.begin())
        return MCNotFound;
    --it;
    return std::min(index, it->max() - 1);
}

void MCIndexSet::addIndexesInRange(const MCRange &range)
{
    if (range.length <= 0)
        return;
    qint64 lo = range.location, hi = range.max();
    // Ranges touching or overlapping [lo, hi) merge with it.
    auto first = std::lower_bound(m_ranges.begin(), m_ranges.end(), lo,
                                  [](const MCRange &r, qint64 i) { return r.max() < i; });
    auto last = first;
    while (last != m_ranges.end() && last->location <= hi) {
        lo = std::min(lo, last->location);
        hi = std::max(hi, last->max());
        ++last;
    }
    first = m_ranges.erase(first, last);
    m_ranges.insert(first, MCRange{lo, hi - lo});
}

void MCIndexSet::addIndexes(const MCIndexSet &other)
{
    for (const MCRange &r : other.m_ranges)
        addIndexesInRange(r);
}

void MCIndexSet::removeIndexesInRange(const MCRange &range)
{
    if (range.length <= 0)
        return;
    const qint64 lo = range.location, hi = range.max();
    std::vector<MCRange> out;
    out.reserve(m_ranges.size() + 1);
    for (const MCRange &r : m_ranges) {
        if (r.max() <= lo || r.location >= hi) {
            out.push_back(r);
            continue;
        }
        if (r.location < lo)
            out.push_back({r.location, lo - r.location});
        if (r.max() > hi)
            out.push_back({hi, r.max() - hi});
    }
    m_ranges = std::move(out);
}

void MCIndexSet::removeIndexes(const MCIndexSet &other)
{
    for (const MCRange &r : other.m_ranges)
        removeIndexesInRange(r);
}

QList<qint64> MCIndexSet::toList() const
{
    QList<qint64> list;
    list.reserve(count());
    forEachIndex([&](qint64 i) { list.append(i); });
    return list;
}

QString MCStringFromIndexSet(const MCIndexSet &set)
{
    QStringList parts;
    for (const MCRange &r : set.ranges())
        parts << (r.length == 1 ? QString::number(r.location)
                                : QStringLiteral("%1-%2").arg(r.location).arg(r.max() - 1));
    return QStringLiteral("(%1)").arg(parts.join(QStringLiteral(" ")));
}
