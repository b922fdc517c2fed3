#pragma once

// A sorted set of non-negative indexes kept as disjoint ranges, and the range type that goes
// with it: the index sets that containers, trees and views report positions with.
#include <QList>
#include <QString>

#include <initializer_list>
#include <limits>
#include <vector>

// The index meaning "not found": the largest signed 64-bit integer.
inline constexpr qint64 MCNotFound = std::numeric_limits<qint64>::max();

struct MCRange
{
    qint64 location = 0;
    qint64 length = 0;

    constexpr qint64 max() const { return location + length; }
    constexpr bool contains(qint64 index) const { return index >= location && index - location < length; }
    friend constexpr bool operator==(const MCRange &, const MCRange &) = default;
};

// "{location, length}", as ranges are written in messages.
QString MCStringFromRange(const MCRange &range);

class MCIndexSet
{
public:
    MCIndexSet() = default;
    explicit MCIndexSet(qint64 index);
    explicit MCIndexSet(const MCRange &range);
    MCIndexSet(std::initializer_list<qint64> indexes);
    static MCIndexSet fromList(const QList<qint64> &indexes);

    qint64 count() const;
    bool isEmpty() const { return m_ranges.empty(); }
    qint64 firstIndex() const { return m_ranges.empty() ? MCNotFound : m_ranges.front().location; }
    qint64 lastIndex() const { return m_ranges.empty() ? MCNotFound : m_ranges.back().max() - 1; }
    bool containsIndex(qint64 index) const;
    bool containsIndexes(const MCIndexSet &other) const;
    // The smallest index >= `index` in the set, or MCNotFound.
    qint64 indexGreaterThanOrEqualToIndex(qint64 index) const;
    // The largest index <= `index` in the set, or MCNotFound.
    qint64 indexLessThanOrEqualToIndex(qint64 index) const;

    void addIndex(qint64 index) { addIndexesInRange({index, 1}); }
    void addIndexesInRange(const MCRange &range);
    void addIndexes(const MCIndexSet &other);
    void removeIndex(qint64 index) { removeIndexesInRange({index, 1}); }
    void removeIndexesInRange(const MCRange &range);
    void removeIndexes(const MCIndexSet &other);
    void removeAllIndexes() { m_ranges.clear(); }

    // The disjoint, non-adjacent ranges in ascending order.
    const std::vector<MCRange> &ranges() const { return m_ranges; }
    QList<qint64> toList() const;
    template <typename F> void forEachIndex(F &&f) const
    {
        for (const MCRange &r : m_ranges)
            for (qint64 i = r.location; i < r.max(); ++i)
                f(i);
    }

    friend bool operator==(const MCIndexSet &, const MCIndexSet &) = default;

private:
    std::vector<MCRange> m_ranges;
};

QString MCStringFromIndexSet(const MCIndexSet &set);
