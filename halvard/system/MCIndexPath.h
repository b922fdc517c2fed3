#pragma once

#include <QList>
#include <QtGlobal>

#include <compare>

// A path of indexes into nested lists. The thumbnail grid addresses its items by two-index
// paths [group, item].
class MCIndexPath
{
public:
    MCIndexPath() = default;
    explicit MCIndexPath(QList<quint64> indexes) : m_indexes(std::move(indexes)) {}

    // The two-index path [group, item].
    static MCIndexPath indexPathForItem(quint64 item, quint64 group) { return MCIndexPath({group, item}); }

    qsizetype length() const { return m_indexes.size(); }
    // Throws out_of_range for a position beyond the path's length.
    quint64 indexAtPosition(qsizetype position) const;
    const QList<quint64> &indexes() const { return m_indexes; }

    quint64 groupIndex() const { return indexAtPosition(0); }
    quint64 itemIndex() const { return indexAtPosition(1); }

    // Lexicographic order; a path orders after its own prefixes.
    std::strong_ordering operator<=>(const MCIndexPath &other) const;
    bool operator==(const MCIndexPath &other) const = default;

private:
    QList<quint64> m_indexes;
};

size_t qHash(const MCIndexPath &path, size_t seed = 0);
