#include "halvard/browser/MCBrowserViewLayout.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Cells of a fixed size; remembers the bounds it was last asked with.
class FixedCells : public MCBrowserViewLayoutDelegate
{
public:
    FixedCells(QSizeF item, QSizeF header) : item(item), header(header) {}
    QSizeF layoutItemCellSizeForBounds(MCBrowserViewLayout *, const QRectF &bounds) override
    {
        lastBounds = bounds;
        return item;
    }
    QSizeF layoutHeaderCellSizeForBounds(MCBrowserViewLayout *, const QRectF &) override { return header; }
    QSizeF item, header;
    QRectF lastBounds;
};

struct Grid {
    FixedCells cells{QSizeF(100, 120), QSizeF(500, 30)};
    MCBrowserViewLayout layout;

    Grid(const std::vector<qint64> &groups, QSizeF visible = QSizeF(500, 300), bool headers = false,
         bool horizontal = false, double spacing = 12, qint64 alignment = 1)
    {
        layout.setDelegate(&cells);
        layout.setAlignment(alignment);
        layout.setMinHorizontalSpacing(spacing);
        layout.setMinVerticalSpacing(spacing);
        layout.setShowsGroupHeaders(headers);
        layout.setHorizontal(horizontal);
        layout.rebuild([&](qint64 i, qint64) { return i < qint64(groups.size()) ? groups[i] : MCNotFound; });
        layout.layoutWithContentSize(visible);
    }
};

} // namespace

TEST(MCBrowserViewLayout, SpreadsTheSpareWidthBetweenColumns)
{
    Grid grid({12});
    EXPECT_EQ(grid.layout.numberOfColumns(), 4);
    EXPECT_EQ(grid.layout.numberOfRows(), 3);
    EXPECT_EQ(grid.layout.horizontalSpacing(), 20);
    EXPECT_EQ(grid.layout.verticalSpacing(), 12);
    for (qint64 column = 0; column < 4; ++column)
        EXPECT_EQ(grid.layout.cellFrameAtRow(0, column), QRectF(20 + 120 * column, 12, 100, 120));
    EXPECT_EQ(grid.layout.contentSize(), QSizeF(500, 408));
    EXPECT_EQ(Grid({12}, QSizeF(500, 600)).layout.contentSize(), QSizeF(500, 600));

    // Alignment off keeps the minimum spacing.
    Grid packed({12}, QSizeF(500, 300), false, false, 12, 0);
    EXPECT_EQ(packed.layout.cellFrameAtRow(0, 3), QRectF(348, 12, 100, 120));
}

TEST(MCBrowserViewLayout, AlwaysAtLeastOneColumn)
{
    struct Case {
        double width;
        qint64 columns;
    };
    for (const Case &c : std::vector<Case>{{0, 1}, {50, 1}, {123, 1}, {236, 2}, {1e12, 65536}}) {
        Grid grid({3}, QSizeF(c.width, 300));
        EXPECT_EQ(grid.layout.numberOfColumns(), c.columns) << c.width;
    }
    // The item cell is measured for the width less both margins, with an unbounded height.
    Grid grid({3});
    grid.layout.numberOfColumnsForContentWidth(500);
    EXPECT_EQ(grid.cells.lastBounds.width(), 476);
    // A narrow view: one column and a spacing below the minimum.
    Grid narrow({3}, QSizeF(50, 300));
    EXPECT_LT(narrow.layout.horizontalSpacing(), 12);
    // Degenerate cells never ask for more columns than a screen could hold.
    Grid zero({3}, QSizeF(500, 300), false, false, 0);
    zero.cells.item = QSizeF(0, 0);
    zero.layout.layoutWithContentSize(QSizeF(500, 300));
    EXPECT_EQ(zero.layout.numberOfColumns(), 1);
}

TEST(MCBrowserViewLayout, ItemUnderAPoint)
{
    Grid grid({5, 2});
    struct Case {
        QPointF point;
        qint64 item;
    };
    const std::vector<Case> cases = {
        {{25, 15}, 0},            // inside the first cell
        {{10, 50}, MCNotFound},   // left margin
        {{130, 50}, MCNotFound},  // between two cells
        {{145, 150}, MCNotFound}, // row 1, column 1: the padding of group 0
        {{25, 150}, 4},           // row 1, column 0
        {{145, 300}, 6},          // row 2, column 1 (group 1)
        {{265, 300}, MCNotFound}, // empty cell after the last item of group 1
        {{490, 1000}, MCNotFound},
        {{-50, -50}, MCNotFound},
    };
    for (const Case &c : cases)
        EXPECT_EQ(grid.layout.itemIndexAtPoint(c.point), c.item) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(grid.layout.rowForPoint({0, 132}), 0);
    EXPECT_EQ(grid.layout.rowForPoint({0, 133}), 1);
    EXPECT_EQ(grid.layout.rowForPoint({0, 5000}), 2);
    EXPECT_EQ(grid.layout.columnForPoint({5000, 0}), 3);
    EXPECT_EQ(grid.layout.groupIndexAtPoint({0, 300}), 1);
}

TEST(MCBrowserViewLayout, HeadersTakeABandBeforeEachGroup)
{
    Grid grid({5, 2}, QSizeF(500, 300), true);
    EXPECT_EQ(grid.layout.cellFrameAtGroupIndex(0), QRectF(0, 6, 500, 30));
    EXPECT_EQ(grid.layout.cellFrameAtGroupIndex(1), QRectF(0, 300, 500, 30));
    EXPECT_EQ(grid.layout.cellFrameAtRow(0, 0), QRectF(20, 42, 100, 120));
    EXPECT_EQ(grid.layout.cellFrameAtItemIndex(5), QRectF(20, 336, 100, 120));
    EXPECT_EQ(grid.layout.contentSize().height(), 468);
    // A point on a header belongs to the group below it.
    struct Case {
        double y;
        qint64 row;
    };
    for (const Case &c : std::vector<Case>{{0, 0}, {100, 0}, {200, 1}, {310, 2}, {1000, 2}})
        EXPECT_EQ(grid.layout.rowForPoint({30, c.y}), c.row) << c.y;
    EXPECT_EQ(grid.layout.groupIndexAtPoint({30, 310}), 1);
    // Scrolling to an item shows its group's header too.
    EXPECT_EQ(grid.layout.scrollRectForItemAtIndex(5), QRectF(20, 294, 100, 174));

    // A group without items has no header of its own but its band still counts.
    Grid gap({2, 0, 1}, QSizeF(500, 300), true);
    EXPECT_TRUE(gap.layout.cellFrameAtGroupIndex(1).isNull());
    EXPECT_EQ(gap.layout.cellFrameAtItemIndex(2).top(), 132 + 12 + 90);
    EXPECT_EQ(gap.layout.contentSize().height(), 132 * 2 + 12 + 90);
}

TEST(MCBrowserViewLayout, KeyboardOffsetsStayInTheGridAndTheGroup)
{
    Grid grid({5, 2});
    struct Case {
        qint64 item, rows, columns, result;
    };
    const std::vector<Case> cases = {
        {3, 1, 0, 4},   // into the shorter last row of the group: its last item
        {4, 1, 0, 5},   // into the next group
        {1, -1, 0, 1},  // clamped at the top
        {6, -1, 0, 4},  // up into the padding of group 0
        {0, 0, 5, 3},   // clamped at the last column
        {0, 10, 0, 5},  // clamped at the last row
        {7, 1, 0, MCNotFound},
    };
    for (const Case &c : cases)
        EXPECT_EQ(grid.layout.offsetItemIndex(c.item, c.rows, c.columns), c.result)
            << c.item << " by " << c.rows << "," << c.columns;
}

TEST(MCBrowserViewLayout, IndexPathsAndTheirBounds)
{
    Grid grid({5, 2});
    EXPECT_EQ(grid.layout.itemIndexFromIndexPath(MCIndexPath::indexPathForItem(1, 1)), 6);
    EXPECT_EQ(grid.layout.indexPathFromItemIndex(5), MCIndexPath::indexPathForItem(0, 1));
    EXPECT_FALSE(grid.layout.indexPathFromItemIndex(MCNotFound));
    EXPECT_EQ(grid.layout.indexPathsFromItemIndexes(MCIndexSet{4, 6}),
              (QList<MCIndexPath>{MCIndexPath::indexPathForItem(4, 0), MCIndexPath::indexPathForItem(1, 1)}));
    const auto message = [&](const MCIndexPath &path) {
        try {
            grid.layout.itemIndexFromIndexPath(path);
        } catch (const std::invalid_argument &e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message(MCIndexPath::indexPathForItem(0, 2)),
              "*** -[MCBrowserViewLayout itemIndexFromIndexPath:]: indexPath.section (2) is out of bounds: 0..2");
    EXPECT_EQ(message(MCIndexPath::indexPathForItem(2, 1)),
              "*** -[MCBrowserViewLayout itemIndexFromIndexPath:]: indexPath.item (2) is out of bounds: 0..2");
    EXPECT_EQ(grid.layout.groupIndexesForItemIndexes(MCIndexSet{1, 6}), (MCIndexSet{0, 1}));
}

TEST(MCBrowserViewLayout, RectangleQueriesCoverWholeCells)
{
    Grid grid({5, 2});
    QRectF bounding;
    EXPECT_EQ(grid.layout.cellIndexesInRect(QRectF(0, 0, 200, 150), &bounding), (MCIndexSet{0, 1, 4, 5}));
    EXPECT_EQ(bounding, QRectF(0, 0, 240, 264));
    EXPECT_EQ(grid.layout.itemIndexesInRect(QRectF(0, 0, 200, 150)), (MCIndexSet{0, 1, 4}));
    EXPECT_EQ(grid.layout.itemIndexesInRect(QRectF(0, 0, 500, 1000)), MCIndexSet(MCRange{0, 7}));

    // No groups: nothing under any point, empty queries, zero frames.
    Grid empty({});
    EXPECT_EQ(empty.layout.rowForPoint({10, 10}), MCNotFound);
    EXPECT_EQ(empty.layout.columnForPoint({10, 10}), MCNotFound);
    EXPECT_TRUE(empty.layout.itemIndexesInRect(QRectF(0, 0, 500, 500)).isEmpty());
    EXPECT_TRUE(empty.layout.cellFrameAtItemIndex(0).isNull());
    EXPECT_TRUE(empty.layout.cellFrameAtGroupIndex(0).isNull());
    EXPECT_EQ(empty.layout.groupIndexAtPoint({10, 10}), MCNotFound);
}

TEST(MCBrowserViewLayout, HorizontalModeFillsColumnsTopToBottom)
{
    Grid grid({5}, QSizeF(200, 300), false, true, 4, 0);
    EXPECT_EQ(grid.layout.numberOfRows(), 2);
    EXPECT_EQ(grid.layout.numberOfColumns(), 3);
    EXPECT_EQ(grid.layout.cellFrameAtItemIndex(3), QRectF(108, 128, 100, 120));
    EXPECT_EQ(grid.layout.contentSize(), QSizeF(316, 300));
    EXPECT_EQ(grid.layout.itemIndexAtPoint({110, 130}), 3);
    EXPECT_EQ(grid.layout.itemIndexAtPoint({220, 130}), MCNotFound); // the padding of column 2
    EXPECT_EQ(grid.layout.offsetItemIndex(2, 1, 0), 3);
    EXPECT_EQ(grid.layout.offsetItemIndex(1, 0, 2), 4);
    EXPECT_EQ(grid.layout.itemIndexesInRect(QRectF(0, 0, 150, 100)), (MCIndexSet{0, 2}));
    EXPECT_EQ(grid.cells.lastBounds.height(), 292);

    // Headers sit to the left of their group's first column.
    Grid headed({2, 1}, QSizeF(200, 300), true, true, 4, 0);
    headed.cells.header = QSizeF(20, 300);
    headed.layout.layoutWithContentSize(QSizeF(200, 300));
    EXPECT_EQ(headed.layout.cellFrameAtGroupIndex(1), QRectF(2 + 104 + 20, 0, 20, 300));
    EXPECT_EQ(headed.layout.cellFrameAtItemIndex(2), QRectF(104 + 4 + 40, 4, 100, 120));
    EXPECT_EQ(headed.layout.groupIndexAtPoint({130, 10}), 1);
}
