#pragma once

// The geometry of the grouped thumbnail grid: how many items fit on a line, the spacing that
// fills the width, the frame of every item cell and group header, the content size, and the
// reverse questions (row, column, item or group under a point; items meeting a rectangle).
// Everything is arithmetic over the layout matrix; no item has an object of its own. Coordinates
// are the content's, y growing downwards.
//
// Vertical mode (the default): items fill rows left to right, rows go down, the content grows in
// height; the matrix's lines are rows and its line length is the number of columns. Horizontal
// mode: items fill columns top to bottom, columns go right, the content grows in width; lines are
// columns and the line length is the number of rows. Group headers sit before the first line of
// their group along the scrolling axis (above it, or to its left in horizontal mode).
#include "halvard/browser/MCLayoutMatrix.h"
#include "halvard/system/MCIndexPath.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

class MCBrowserViewLayout;

// Answers the size of one item cell and one header cell for the available bounds (the visible
// width with an unbounded height in vertical mode, the reverse in horizontal mode).
class MCBrowserViewLayoutDelegate
{
public:
    virtual ~MCBrowserViewLayoutDelegate();
    virtual QSizeF layoutItemCellSizeForBounds(MCBrowserViewLayout *layout, const QRectF &bounds) = 0;
    virtual QSizeF layoutHeaderCellSizeForBounds(MCBrowserViewLayout *layout, const QRectF &bounds) = 0;
};

class MCBrowserViewLayout
{
public:
    MCBrowserViewLayout();

    bool isHorizontal() const { return m_horizontal; }
    void setHorizontal(bool horizontal) { m_horizontal = horizontal; }
    bool showsGroupHeaders() const { return m_showsGroupHeaders; }
    void setShowsGroupHeaders(bool shows) { m_showsGroupHeaders = shows; }
    // 0 keeps the minimum spacing across a line; any other value spreads the spare width
    // (vertical) or height (horizontal) evenly between and around the cells.
    qint64 alignment() const { return m_alignment; }
    void setAlignment(qint64 alignment) { m_alignment = alignment; }
    double minVerticalSpacing() const { return m_minVerticalSpacing; }
    void setMinVerticalSpacing(double spacing) { m_minVerticalSpacing = spacing; }
    double minHorizontalSpacing() const { return m_minHorizontalSpacing; }
    void setMinHorizontalSpacing(double spacing) { m_minHorizontalSpacing = spacing; }
    MCBrowserViewLayoutDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCBrowserViewLayoutDelegate *delegate) { m_delegate = delegate; }

    // Results of the last layoutWithContentSize().
    qint64 numberOfRows() const { return m_numberOfRows; }
    qint64 numberOfColumns() const { return m_numberOfColumns; }
    double verticalSpacing() const { return m_verticalSpacing; }
    double horizontalSpacing() const { return m_horizontalSpacing; }
    QSizeF itemSize() const { return m_itemSize; }
    QSizeF headerSize() const { return m_headerSize; }
    QSizeF contentSize() const { return m_contentSize; }

    MCLayoutMatrix &layoutMatrix() { return m_layoutMatrix; }
    const MCLayoutMatrix &layoutMatrix() const { return m_layoutMatrix; }
    qint64 numberOfItems() const { return m_layoutMatrix.numberOfItems(); }
    qint64 numberOfGroups() const { return m_layoutMatrix.numberOfSections(); }

    void rebuild(const MCLayoutMatrix::RebuildBlock &block) { m_layoutMatrix.rebuild(block); }
    void removeAllGroups() { m_layoutMatrix.removeAllSections(); }

    // The one computation of counts, spacing and sizes for the visible size.
    void layoutWithContentSize(const QSizeF &size);
    // How many cells fit across the width (height); never below 1.
    qint64 numberOfColumnsForContentWidth(double width);
    qint64 numberOfRowsForContentHeight(double height);

    // ---- index conversions
    qint64 itemIndexFromCellIndex(qint64 cell) const;
    // Null for MCNotFound; else [group, item within the group].
    std::optional<MCIndexPath> indexPathFromItemIndex(qint64 item) const;
    QList<MCIndexPath> indexPathsFromItemIndexes(const MCIndexSet &items) const;
    // Throws invalid_argument for a group or item past the end:
    // "*** %s: indexPath.section (%lu) is out of bounds: 0..%lu".
    qint64 itemIndexFromIndexPath(const MCIndexPath &path) const;
    MCIndexSet itemIndexesFromIndexPaths(const QList<MCIndexPath> &paths) const;
    MCIndexSet itemIndexesForGroupIndexes(const MCIndexSet &groups) const
    {
        return m_layoutMatrix.itemIndexesForSectionIndexes(groups);
    }
    MCIndexSet groupIndexesForItemIndexes(const MCIndexSet &items) const
    {
        return m_layoutMatrix.sectionIndexesForItemIndexes(items);
    }
    // The group of a row (a column in horizontal mode); MCNotFound out of range.
    qint64 groupIndexOfRow(qint64 row) const;
    qint64 groupIndexOfColumn(qint64 column) const;
    // The cell at a row and column (MCNotFound outside the grid).
    qint64 cellIndexAtRow(qint64 row, qint64 column) const;

    // ---- geometry; a zero rectangle for anything out of range
    QRectF cellFrameAtRow(qint64 row, qint64 column) const;
    QRectF cellFrameAtIndex(qint64 cell) const;
    QRectF cellFrameAtItemIndex(qint64 item) const;
    // The header frame of a group.
    QRectF cellFrameAtGroupIndex(qint64 group) const;
    QRectF rectForRow(qint64 row) const;
    QRectF rectForColumn(qint64 column) const;
    QSizeF scrollLineSize() const;
    // The item's frame grown by its spacing along the scrolling axis and, with headers, by its
    // group's header, so that scrolling to it shows them.
    QRectF scrollRectForItemAtIndex(qint64 item) const;

    // ---- hit testing
    // MCNotFound when there are no rows (columns); else clamped to the last one.
    qint64 rowForPoint(const QPointF &point) const;
    qint64 columnForPoint(const QPointF &point) const;
    bool hitTestItemAtRow(qint64 row, qint64 column, const QRectF &rect) const;
    // The item whose cell contains the point; the spacing between cells and empty cells hit none.
    qint64 itemIndexAtPoint(const QPointF &point) const;
    qint64 groupIndexAtPoint(const QPointF &point) const;
    // The cells of the rows and columns that the rectangle's corners fall in. With a bounding
    // rectangle, it receives the rectangle grown to cover those cells' rows and columns.
    MCIndexSet cellIndexesInRect(const QRectF &rect, QRectF *boundingRect = nullptr) const;
    MCIndexSet itemIndexesInRect(const QRectF &rect, QRectF *boundingRect = nullptr) const;

    // The item dr rows and dc columns away from the item, clamped to the grid and to the last
    // item of the target line's group; MCNotFound for an item without a cell.
    qint64 offsetItemIndex(qint64 item, qint64 rows, qint64 columns) const;

private:
    // Offset along the scrolling axis that the headers of groups 0 … group add before a line.
    double headerOffsetOfGroup(qint64 group) const;
    // The line of the scrolling axis under a coordinate, when headers make lines uneven.
    qint64 lineForCoordinate(double coordinate, qint64 lines, double lineExtent) const;

    bool m_horizontal = false;
    bool m_showsGroupHeaders = false;
    qint64 m_alignment = 0;
    double m_minVerticalSpacing = 0;
    double m_minHorizontalSpacing = 0;
    MCBrowserViewLayoutDelegate *m_delegate = nullptr;
    qint64 m_numberOfRows = 0;
    qint64 m_numberOfColumns = 0;
    MCLayoutMatrix m_layoutMatrix{1};
    double m_verticalSpacing = 0;
    double m_horizontalSpacing = 0;
    QSizeF m_itemSize{0, 0};
    QSizeF m_headerSize{0, 0};
    QSizeF m_contentSize{0, 0};
};
