#include "halvard/browser/MCLayoutMatrix.h"

#include "platform/core/MCException.h"

#include <algorithm>
#include <stdexcept>

void MCLayoutMatrixSection::decreaseBy(qint64 count)
{
    // A negative item count would make the next layout pass allocate without bound.
    if (count > m_itemsRange.length)
        throw std::out_of_range(QStringLiteral("*** -[MCLayoutMatrixSection decreaseBy:]: %1 is more than the %2 items")
                                    .arg(count)
                                    .arg(m_itemsRange.length)
                                    .toStdString());
    m_itemsRange.length -= count;
}

MCLayoutMatrix::MCLayoutMatrix(qint64 lineLength) : m_lineLength(std::max<qint64>(1, lineLength))
{
    m_layoutSections.reserve(16);
}

void MCLayoutMatrix::setLineLength(qint64 lineLength)
{
    lineLength = std::max<qint64>(1, lineLength);
    if (lineLength == m_lineLength)
        return;
    m_lineLength = lineLength;
    layoutSections();
}

void MCLayoutMatrix::endEditing()
{
    if (m_editingCount == 0)
        return;
    if (--m_editingCount == 0)
        layoutSections();
}

void MCLayoutMatrix::checkSectionIndex(const char *method, qint64 index, bool insertion) const
{
    const qint64 count = numberOfSections();
    if (index < 0 || index > count || (!insertion && index == count))
        platform::throwIndexOutOfRange(method, index, insertion ? count : count - 1);
}

const MCLayoutMatrixSection &MCLayoutMatrix::sectionAtIndex(qint64 index) const
{
    checkSectionIndex("-[MCLayoutMatrix sectionAtIndex:]", index);
    return m_layoutSections[std::size_t(index)];
}

void MCLayoutMatrix::addSectionWithSize(qint64 size)
{
    beginEditing();
    m_layoutSections.emplace_back(std::max<qint64>(0, size));
    endEditing();
}

void MCLayoutMatrix::insertSectionAtIndex(qint64 index, qint64 size)
{
    checkSectionIndex("-[MCLayoutMatrix insertSectionAtIndex:size:]", index, true);
    beginEditing();
    m_layoutSections.insert(m_layoutSections.begin() + index, MCLayoutMatrixSection(std::max<qint64>(0, size)));
    endEditing();
}

void MCLayoutMatrix::removeSectionAtIndex(qint64 index)
{
    checkSectionIndex("-[MCLayoutMatrix removeSectionAtIndex:]", index);
    beginEditing();
    m_layoutSections.erase(m_layoutSections.begin() + index);
    endEditing();
}

void MCLayoutMatrix::increaseSection(qint64 index, qint64 by)
{
    checkSectionIndex("-[MCLayoutMatrix increaseSection:by:]", index);
    beginEditing();
    m_layoutSections[std::size_t(index)].increaseBy(by);
    endEditing();
}

void MCLayoutMatrix::decreaseSection(qint64 index, qint64 by)
{
    checkSectionIndex("-[MCLayoutMatrix decreaseSection:by:]", index);
    beginEditing();
    m_layoutSections[std::size_t(index)].decreaseBy(by);
    endEditing();
}

void MCLayoutMatrix::rebuild(const RebuildBlock &block)
{
    std::vector<MCLayoutMatrixSection> sections;
    sections.reserve(std::max<std::size_t>(16, m_layoutSections.size()));
    if (block) {
        for (qint64 i = 0;; ++i) {
            const qint64 current = i < numberOfSections() ? m_layoutSections[std::size_t(i)].itemsRange().length : 0;
            const qint64 count = block(i, current);
            if (count == MCNotFound)
                break;
            sections.emplace_back(std::max<qint64>(0, count));
        }
    }
    beginEditing();
    m_layoutSections = std::move(sections);
    endEditing();
}

void MCLayoutMatrix::removeAllSections()
{
    m_numberOfItems = m_numberOfLines = m_numberOfCells = 0;
    m_lineIndexToSectionIndexMap.removeAllIndexes();
    m_itemIndexToCellIndexMap.removeAllIndexes();
    m_cellIndexToItemIndexMap.removeAllIndexes();
    m_layoutSections.clear();
}

void MCLayoutMatrix::layoutSections()
{
    m_numberOfItems = m_numberOfLines = m_numberOfCells = 0;
    m_lineIndexToSectionIndexMap.removeAllIndexes();
    m_itemIndexToCellIndexMap.removeAllIndexes();
    m_cellIndexToItemIndexMap.removeAllIndexes();
    for (std::size_t s = 0; s < m_layoutSections.size(); ++s) {
        MCLayoutMatrixSection &section = m_layoutSections[s];
        const qint64 n = section.m_itemsRange.length;
        if (n == 0)
            continue;
        const qint64 lines = n / m_lineLength + (n % m_lineLength ? 1 : 0);
        const qint64 cells = lines * m_lineLength;
        section.m_itemsRange = {m_numberOfItems, n};
        section.m_linesRange = {m_numberOfLines, lines};
        section.m_cellsRange = {m_numberOfCells, cells};
        m_lineIndexToSectionIndexMap.addIndex(quint64(s), quint64(lines));
        for (qint64 i = 0; i < n; ++i) {
            m_itemIndexToCellIndexMap.addIndex(quint64(m_numberOfCells + i));
            m_cellIndexToItemIndexMap.addIndex(quint64(m_numberOfItems + i));
        }
        m_cellIndexToItemIndexMap.addIndex(quint64(MCNotFound), quint64(cells - n));
        m_numberOfCells += cells;
        m_numberOfItems += n;
        m_numberOfLines += lines;
    }
}

MCIndexSet MCLayoutMatrix::itemIndexesForSectionIndexes(const MCIndexSet &sections) const
{
    MCIndexSet items;
    sections.forEachIndex([&](qint64 s) { items.addIndexesInRange(itemsRangeOfSectionAtIndex(s)); });
    return items;
}

MCIndexSet MCLayoutMatrix::sectionIndexesForItemIndexes(const MCIndexSet &items) const
{
    MCIndexSet sections;
    for (const MCRange &range : items.ranges()) {
        if (range.length == 1) {
            sections.addIndex(sectionIndexFromItemIndex(range.location));
        } else {
            const qint64 first = sectionIndexFromItemIndex(range.location);
            const qint64 last = sectionIndexFromItemIndex(range.max() - 1);
            sections.addIndexesInRange({first, last - first + 1});
        }
    }
    return sections;
}
