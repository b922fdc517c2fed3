#pragma once

// The arithmetic behind the grouped thumbnail grid: sections (groups) of items laid into lines
// of a fixed length. A line is a row of the grid when it scrolls vertically and a column when it
// scrolls horizontally. Every section starts on a new line and its last line is padded with
// empty cells. Three numberings are used:
//   item index: an item's position over all sections in order;
//   cell index: line index × line length + position in the line, empty cells included;
//   line index: counted from the first line of section 0.
// Every conversion is one array lookup; any change lays the whole matrix out again (linear in the
// number of cells), so batches of edits go inside beginEditing() … endEditing().
#include "halvard/collections/MCSortedContainers.h"
#include "platform/core/MCIndexSet.h"

#include <functional>
#include <vector>

class MCLayoutMatrixSection
{
public:
    explicit MCLayoutMatrixSection(qint64 size = 0) : m_itemsRange{0, size} {}

    // First item index and item count; line and cell ranges are meaningful after a layout pass.
    const MCRange &itemsRange() const { return m_itemsRange; }
    const MCRange &linesRange() const { return m_linesRange; }
    const MCRange &cellsRange() const { return m_cellsRange; }

    void increaseBy(qint64 count) { m_itemsRange.length += count; }
    // Throws out_of_range when the section holds fewer items.
    void decreaseBy(qint64 count);

private:
    friend class MCLayoutMatrix;
    MCRange m_itemsRange;
    MCRange m_linesRange;
    MCRange m_cellsRange;
};

class MCLayoutMatrix
{
public:
    // Asked for section i with its current item count (0 past the current sections); answers the
    // new item count, or MCNotFound to stop.
    using RebuildBlock = std::function<qint64(qint64 sectionIndex, qint64 currentCount)>;

    explicit MCLayoutMatrix(qint64 lineLength = 1);

    qint64 lineLength() const { return m_lineLength; }
    // Lays out again on a change; lengths below 1 are taken as 1 (a line holds at least a cell).
    void setLineLength(qint64 lineLength);

    // Nesting bracket: the edits inside lay out once, when the outermost bracket closes.
    // endEditing() without a matching beginEditing() does nothing.
    void beginEditing() { ++m_editingCount; }
    void endEditing();

    void addSectionWithSize(qint64 size);
    void insertSectionAtIndex(qint64 index, qint64 size);
    void removeSectionAtIndex(qint64 index);
    void increaseSection(qint64 index, qint64 by);
    void decreaseSection(qint64 index, qint64 by);
    // Replaces all sections by the block's answers in one layout pass. Negative counts are 0.
    void rebuild(const RebuildBlock &block);
    // Empties everything without a layout pass.
    void removeAllSections();

    qint64 numberOfItems() const { return m_numberOfItems; }
    qint64 numberOfLines() const { return m_numberOfLines; }
    qint64 numberOfCells() const { return m_numberOfCells; }
    qint64 numberOfSections() const { return qint64(m_layoutSections.size()); }
    const MCLayoutMatrixSection &sectionAtIndex(qint64 index) const;

    // Section index past the end throws out_of_range.
    MCRange cellsRangeOfSectionAtIndex(qint64 index) const { return sectionAtIndex(index).cellsRange(); }
    MCRange linesRangeOfSectionAtIndex(qint64 index) const { return sectionAtIndex(index).linesRange(); }
    MCRange itemsRangeOfSectionAtIndex(qint64 index) const { return sectionAtIndex(index).itemsRange(); }

    // Lookups past the maps' entries throw out_of_range. An empty cell holds MCNotFound.
    qint64 lineIndexFromCellIndex(qint64 cell) const { return cell / m_lineLength; }
    qint64 cellIndexFromItemIndex(qint64 item) const { return qint64(m_itemIndexToCellIndexMap.indexAtIndex(item)); }
    qint64 itemIndexFromCellIndex(qint64 cell) const { return qint64(m_cellIndexToItemIndexMap.indexAtIndex(cell)); }
    qint64 sectionIndexFromLineIndex(qint64 line) const
    {
        return qint64(m_lineIndexToSectionIndexMap.indexAtIndex(line));
    }
    qint64 sectionIndexFromCellIndex(qint64 cell) const { return sectionIndexFromLineIndex(lineIndexFromCellIndex(cell)); }
    qint64 lineIndexFromItemIndex(qint64 item) const { return lineIndexFromCellIndex(cellIndexFromItemIndex(item)); }
    qint64 sectionIndexFromItemIndex(qint64 item) const { return sectionIndexFromLineIndex(lineIndexFromItemIndex(item)); }

    // The union of the item ranges of the sections.
    MCIndexSet itemIndexesForSectionIndexes(const MCIndexSet &sections) const;
    // The sections holding the items; a run of items covers every section from its first item's
    // to its last item's.
    MCIndexSet sectionIndexesForItemIndexes(const MCIndexSet &items) const;

private:
    void layoutSections();
    void checkSectionIndex(const char *method, qint64 index, bool insertion = false) const;

    qint64 m_editingCount = 0;
    MCIndexMap m_lineIndexToSectionIndexMap;
    MCIndexMap m_itemIndexToCellIndexMap;
    MCIndexMap m_cellIndexToItemIndexMap;
    std::vector<MCLayoutMatrixSection> m_layoutSections;
    qint64 m_lineLength = 1;
    qint64 m_numberOfItems = 0;
    qint64 m_numberOfLines = 0;
    qint64 m_numberOfCells = 0;
};
