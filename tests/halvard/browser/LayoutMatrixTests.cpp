#include "halvard/browser/MCLayoutMatrix.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Every cell of the matrix as its item (-1 for an empty cell), line by line.
std::vector<qint64> cells(const MCLayoutMatrix &matrix)
{
    std::vector<qint64> result;
    for (qint64 cell = 0; cell < matrix.numberOfCells(); ++cell) {
        const qint64 item = matrix.itemIndexFromCellIndex(cell);
        result.push_back(item == MCNotFound ? -1 : item);
    }
    return result;
}

std::vector<qint64> lineSections(const MCLayoutMatrix &matrix)
{
    std::vector<qint64> result;
    for (qint64 line = 0; line < matrix.numberOfLines(); ++line)
        result.push_back(matrix.sectionIndexFromLineIndex(line));
    return result;
}

MCLayoutMatrix matrixWith(qint64 lineLength, const std::vector<qint64> &sizes)
{
    MCLayoutMatrix matrix(lineLength);
    matrix.beginEditing();
    for (qint64 size : sizes)
        matrix.addSectionWithSize(size);
    matrix.endEditing();
    return matrix;
}

} // namespace

TEST(MCLayoutMatrix, LaysSectionsIntoPaddedLines)
{
    struct Case {
        qint64 lineLength;
        std::vector<qint64> sizes;
        std::vector<qint64> cells;
        std::vector<qint64> lineSections;
    };
    const std::vector<Case> cases = {
        // Sections 5 and 2 on lines of 4: 3 lines, 12 cells.
        {4, {5, 2}, {0, 1, 2, 3, 4, -1, -1, -1, 5, 6, -1, -1}, {0, 0, 1}},
        // A line length of 1: one line per item, no empty cell.
        {1, {2, 1}, {0, 1, 2}, {0, 0, 1}},
        // Exactly two lines' worth: no padding.
        {3, {6}, {0, 1, 2, 3, 4, 5}, {0, 0}},
        // Empty sections take no line; the next section starts on the next line.
        {3, {0, 2, 0, 1}, {0, 1, -1, 2, -1, -1}, {1, 3}},
        {5, {}, {}, {}},
    };
    for (const Case &c : cases) {
        const MCLayoutMatrix matrix = matrixWith(c.lineLength, c.sizes);
        EXPECT_EQ(cells(matrix), c.cells) << "line length " << c.lineLength;
        EXPECT_EQ(lineSections(matrix), c.lineSections) << "line length " << c.lineLength;
        EXPECT_EQ(matrix.numberOfCells(), matrix.numberOfLines() * c.lineLength);
        for (qint64 item = 0; item < matrix.numberOfItems(); ++item)
            EXPECT_EQ(matrix.itemIndexFromCellIndex(matrix.cellIndexFromItemIndex(item)), item);
    }
}

TEST(MCLayoutMatrix, RangesAndConversionsOfTheExample)
{
    const MCLayoutMatrix matrix = matrixWith(4, {5, 2});
    EXPECT_EQ(matrix.numberOfItems(), 7);
    EXPECT_EQ(matrix.numberOfLines(), 3);
    EXPECT_EQ(matrix.numberOfCells(), 12);
    EXPECT_EQ(matrix.itemsRangeOfSectionAtIndex(1), (MCRange{5, 2}));
    EXPECT_EQ(matrix.linesRangeOfSectionAtIndex(0), (MCRange{0, 2}));
    EXPECT_EQ(matrix.linesRangeOfSectionAtIndex(1), (MCRange{2, 1}));
    EXPECT_EQ(matrix.cellsRangeOfSectionAtIndex(1), (MCRange{8, 4}));
    EXPECT_EQ(matrix.lineIndexFromCellIndex(9), 2);
    EXPECT_EQ(matrix.sectionIndexFromCellIndex(7), 0);
    EXPECT_EQ(matrix.lineIndexFromItemIndex(4), 1);
    EXPECT_EQ(matrix.sectionIndexFromItemIndex(5), 1);
    EXPECT_EQ(matrix.itemIndexesForSectionIndexes(MCIndexSet{1}), MCIndexSet(MCRange{5, 2}));
    EXPECT_EQ(matrix.sectionIndexesForItemIndexes(MCIndexSet{2}), MCIndexSet{0});
    // A run of items covers every section between its ends.
    EXPECT_EQ(matrix.sectionIndexesForItemIndexes(MCIndexSet(MCRange{3, 3})), MCIndexSet(MCRange{0, 2}));
}

TEST(MCLayoutMatrix, LookupsPastTheEndThrow)
{
    const MCLayoutMatrix matrix = matrixWith(4, {5, 2});
    EXPECT_THROW(matrix.itemIndexFromCellIndex(12), std::out_of_range);
    EXPECT_THROW(matrix.cellIndexFromItemIndex(7), std::out_of_range);
    EXPECT_THROW(matrix.sectionIndexFromLineIndex(3), std::out_of_range);
    EXPECT_THROW(matrix.itemsRangeOfSectionAtIndex(2), std::out_of_range);
    MCLayoutMatrix editable = matrixWith(4, {2});
    EXPECT_THROW(editable.decreaseSection(0, 3), std::out_of_range);
    EXPECT_EQ(editable.numberOfItems(), 2);
}

TEST(MCLayoutMatrix, EditsLayOutOnceWhenTheOutermostBracketCloses)
{
    MCLayoutMatrix matrix(2);
    matrix.endEditing(); // unmatched: nothing
    matrix.beginEditing();
    matrix.addSectionWithSize(3);
    matrix.beginEditing();
    matrix.insertSectionAtIndex(0, 1);
    matrix.endEditing();
    EXPECT_EQ(matrix.numberOfItems(), 0); // still inside the outer bracket
    matrix.endEditing();
    EXPECT_EQ(matrix.numberOfItems(), 4);
    EXPECT_EQ(cells(matrix), (std::vector<qint64>{0, -1, 1, 2, 3, -1}));

    matrix.increaseSection(0, 1);
    EXPECT_EQ(cells(matrix), (std::vector<qint64>{0, 1, 2, 3, 4, -1}));
    matrix.decreaseSection(1, 3);
    matrix.removeSectionAtIndex(0);
    EXPECT_EQ(matrix.numberOfSections(), 1);
    EXPECT_EQ(matrix.numberOfLines(), 0);

    matrix.setLineLength(0); // a line holds at least one cell
    EXPECT_EQ(matrix.lineLength(), 1);
}

TEST(MCLayoutMatrix, RebuildAsksSectionBySectionUntilStopped)
{
    MCLayoutMatrix matrix = matrixWith(3, {2, 4});
    std::vector<std::pair<qint64, qint64>> asked;
    matrix.rebuild([&](qint64 section, qint64 current) -> qint64 {
        asked.emplace_back(section, current);
        return section < 3 ? section + 1 : MCNotFound;
    });
    EXPECT_EQ(asked, (std::vector<std::pair<qint64, qint64>>{{0, 2}, {1, 4}, {2, 0}, {3, 0}}));
    EXPECT_EQ(matrix.numberOfSections(), 3);
    EXPECT_EQ(matrix.numberOfItems(), 6);

    matrix.rebuild([](qint64, qint64) { return MCNotFound; });
    EXPECT_EQ(matrix.numberOfSections(), 0);
    EXPECT_EQ(matrix.numberOfItems(), 0);
    EXPECT_EQ(matrix.numberOfCells(), 0);
}

TEST(MCLayoutMatrix, AMillionItemsInOneSection)
{
    MCLayoutMatrix matrix = matrixWith(7, {1000000});
    EXPECT_EQ(matrix.numberOfLines(), 142858);
    EXPECT_EQ(matrix.cellIndexFromItemIndex(999999), 999999);
    EXPECT_EQ(matrix.itemIndexFromCellIndex(1000005), MCNotFound);
    matrix.setLineLength(1000);
    EXPECT_EQ(matrix.numberOfCells(), 1000000);
}
