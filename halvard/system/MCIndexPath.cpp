#include "halvard/system/MCIndexPath.h"

#include "platform/core/MCException.h"

#include <QHashFunctions>

quint64 MCIndexPath::indexAtPosition(qsizetype position) const
{
    if (position < 0 || position >= m_indexes.size())
        platform::throwIndexOutOfRange("indexAtPosition:", position, m_indexes.size() - 1);
    return m_indexes.at(position);
}

std::strong_ordering MCIndexPath::operator<=>(const MCIndexPath &other) const
{
    const qsizetype common = std::min(m_indexes.size(), other.m_indexes.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (m_indexes.at(i) != other.m_indexes.at(i))
            return m_indexes.at(i) <=> other.m_indexes.at(i);
    }
    return m_indexes.size() <=> other.m_indexes.size();
}

size_t qHash(const MCIndexPath &path, size_t seed) { return qHashRange(path.indexes().begin(), path.indexes().end(), seed); }
