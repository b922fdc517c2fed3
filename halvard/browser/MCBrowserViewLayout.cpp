#include "halvard/browser/MCBrowserViewLayout.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr double kUnbounded = std::numeric_limits<double>::max();
// More cells on a line than any screen shows; keeps a degenerate cell size (zero width and
// spacing) from asking the matrix for millions of empty cells per line.
constexpr double kMaxLineLength = 65536;

qint64 lineCapacity(double available, double cellExtent, double minSpacing)
{
    if (!(cellExtent + minSpacing > 0)) // cells without extent: one per line
        return 1;
    const double capacity = (available - minSpacing) / (cellExtent + minSpacing);
    if (!(capacity >= 1)) // also NaN
        return 1;
    return qint64(std::min(capacity, kMaxLineLength));
}

// The line under a coordinate when lines are evenly spaced: the first when the coordinate lies
// within the first line's extent, else the truncated quotient, clamped to the last line.
qint64 evenLineForCoordinate(double coordinate, double extent, qint64 lines)
{
    if (!(coordinate > extent))
        return 0;
    const double line = std::trunc(coordinate / extent);
    return line < double(lines - 1) ? qint64(line) : lines - 1;
}

} // namespace

MCBrowserViewLayoutDelegate::~MCBrowserViewLayoutDelegate() = default;

MCBrowserViewLayout::MCBrowserViewLayout() = default;

qint64 MCBrowserViewLayout::numberOfColumnsForContentWidth(double width)
{
    const QSizeF item = m_delegate ? m_delegate->layoutItemCellSizeForBounds(
                                         this, QRectF(0, 0, width - 2 * m_minHorizontalSpacing, kUnbounded))
                                   : QSizeF(0, 0);
    return lineCapacity(width, item.width(), m_minHorizontalSpacing);
}

qint64 MCBrowserViewLayout::numberOfRowsForContentHeight(double height)
{
    const QSizeF item = m_delegate ? m_delegate->layoutItemCellSizeForBounds(
                                         this, QRectF(0, 0, kUnbounded, height - 2 * m_minVerticalSpacing))
                                   : QSizeF(0, 0);
    return lineCapacity(height, item.height(), m_minVerticalSpacing);
}

void MCBrowserViewLayout::layoutWithContentSize(const QSizeF &size)
{
    const double W = size.width(), H = size.height();
    const QRectF bounds = m_horizontal ? QRectF(0, 0, kUnbounded, H) : QRectF(0, 0, W, kUnbounded);
    m_itemSize = m_delegate ? m_delegate->layoutItemCellSizeForBounds(this, bounds) : QSizeF(0, 0);
    m_headerSize = m_delegate ? m_delegate->layoutHeaderCellSizeForBounds(this, bounds) : QSizeF(0, 0);
    const double itemW = m_itemSize.width(), itemH = m_itemSize.height();
    const double groups = double(numberOfGroups());

    if (!m_horizontal) {
        m_layoutMatrix.setLineLength(numberOfColumnsForContentWidth(W));
        m_numberOfRows = m_layoutMatrix.numberOfLines();
        m_numberOfColumns = m_layoutMatrix.lineLength();
        double needed = (itemH + m_minVerticalSpacing) * double(m_numberOfRows) + m_minVerticalSpacing;
        if (m_showsGroupHeaders)
            needed += groups * m_headerSize.height();
        m_contentSize = QSizeF(W, std::isnan(H) ? needed : std::max(H, needed));
        m_verticalSpacing = m_minVerticalSpacing;
        m_horizontalSpacing = m_minHorizontalSpacing;
        if (m_alignment != 0) {
            const double columns = double(m_numberOfColumns);
            const double spare = W - ((itemW + m_minHorizontalSpacing) * columns + m_minHorizontalSpacing);
            m_horizontalSpacing = std::trunc(spare / (columns + 1)) + m_minHorizontalSpacing;
        }
    } else {
        m_layoutMatrix.setLineLength(numberOfRowsForContentHeight(H));
        m_numberOfRows = m_layoutMatrix.lineLength();
        m_numberOfColumns = m_layoutMatrix.numberOfLines();
        double needed = (itemW + m_minHorizontalSpacing) * double(m_numberOfColumns) + m_minHorizontalSpacing;
        if (m_showsGroupHeaders)
            needed += groups * m_headerSize.width();
        m_contentSize = QSizeF(std::isnan(W) ? needed : std::max(W, needed), H);
        m_horizontalSpacing = m_minHorizontalSpacing;
        m_verticalSpacing = m_minVerticalSpacing;
        if (m_alignment != 0) {
            const double rows = double(m_numberOfRows);
            const double spare = H - ((itemH + m_minVerticalSpacing) * rows + m_minVerticalSpacing);
            m_verticalSpacing = std::trunc(spare / (rows + 1)) + m_minVerticalSpacing;
        }
    }
}

// ---- index conversions ----------------------------------------------------------------------

qint64 MCBrowserViewLayout::itemIndexFromCellIndex(qint64 cell) const
{
    if (cell < 0 || cell >= m_layoutMatrix.numberOfCells())
        return MCNotFound;
    return m_layoutMatrix.itemIndexFromCellIndex(cell);
}

std::optional<MCIndexPath> MCBrowserViewLayout::indexPathFromItemIndex(qint64 item) const
{
    if (item == MCNotFound)
        return std::nullopt;
    const qint64 group = m_layoutMatrix.sectionIndexFromItemIndex(item);
    const qint64 first = m_layoutMatrix.itemsRangeOfSectionAtIndex(group).location;
    return MCIndexPath::indexPathForItem(quint64(item - first), quint64(group));
}

QList<MCIndexPath> MCBrowserViewLayout::indexPathsFromItemIndexes(const MCIndexSet &items) const
{
    QList<MCIndexPath> paths;
    paths.reserve(items.count());
    items.forEachIndex([&](qint64 item) { paths.append(*indexPathFromItemIndex(item)); });
    return paths;
}

qint64 MCBrowserViewLayout::itemIndexFromIndexPath(const MCIndexPath &path) const
{
    static const char *method = "-[MCBrowserViewLayout itemIndexFromIndexPath:]";
    const quint64 group = path.groupIndex(), item = path.itemIndex();
    const quint64 groups = quint64(numberOfGroups());
    if (group >= groups)
        throw std::invalid_argument(QStringLiteral("*** %1: indexPath.section (%2) is out of bounds: 0..%3")
                                        .arg(QLatin1String(method))
                                        .arg(group)
                                        .arg(groups)
                                        .toStdString());
    const MCRange range = m_layoutMatrix.itemsRangeOfSectionAtIndex(qint64(group));
    if (item >= quint64(range.length))
        throw std::invalid_argument(QStringLiteral("*** %1: indexPath.item (%2) is out of bounds: 0..%3")
                                        .arg(QLatin1String(method))
                                        .arg(item)
                                        .arg(range.length)
                                        .toStdString());
    return range.location + qint64(item);
}

MCIndexSet MCBrowserViewLayout::itemIndexesFromIndexPaths(const QList<MCIndexPath> &paths) const
{
    MCIndexSet items;
    for (const MCIndexPath &path : paths)
        items.addIndex(itemIndexFromIndexPath(path));
    return items;
}

qint64 MCBrowserViewLayout::groupIndexOfRow(qint64 row) const
{
    if (row < 0 || row >= m_numberOfRows)
        return MCNotFound;
    return m_horizontal ? MCNotFound : m_layoutMatrix.sectionIndexFromLineIndex(row);
}

qint64 MCBrowserViewLayout::groupIndexOfColumn(qint64 column) const
{
    if (column < 0 || column >= m_numberOfColumns)
        return MCNotFound;
    return m_horizontal ? m_layoutMatrix.sectionIndexFromLineIndex(column) : MCNotFound;
}

qint64 MCBrowserViewLayout::cellIndexAtRow(qint64 row, qint64 column) const
{
    if (row < 0 || row >= m_numberOfRows || column < 0 || column >= m_numberOfColumns)
        return MCNotFound;
    return m_horizontal ? column * m_numberOfRows + row : row * m_numberOfColumns + column;
}

// ---- geometry -------------------------------------------------------------------------------

double MCBrowserViewLayout::headerOffsetOfGroup(qint64 group) const
{
    if (!m_showsGroupHeaders)
        return 0;
    return double(group + 1) * (m_horizontal ? m_headerSize.width() : m_headerSize.height());
}

QRectF MCBrowserViewLayout::cellFrameAtRow(qint64 row, qint64 column) const
{
    if (row < 0 || row >= m_numberOfRows || column < 0 || column >= m_numberOfColumns)
        return {};
    double x = (m_itemSize.width() + m_horizontalSpacing) * double(column) + m_horizontalSpacing;
    double y = (m_itemSize.height() + m_verticalSpacing) * double(row) + m_verticalSpacing;
    if (m_showsGroupHeaders) {
        if (m_horizontal)
            x += headerOffsetOfGroup(groupIndexOfColumn(column));
        else
            y += headerOffsetOfGroup(groupIndexOfRow(row));
    }
    return QRectF(QPointF(x, y), m_itemSize);
}

QRectF MCBrowserViewLayout::cellFrameAtIndex(qint64 cell) const
{
    if (cell < 0 || cell >= m_layoutMatrix.numberOfCells() || m_numberOfRows == 0 || m_numberOfColumns == 0)
        return {};
    if (m_horizontal)
        return cellFrameAtRow(cell % m_numberOfRows, cell / m_numberOfRows);
    return cellFrameAtRow(cell / m_numberOfColumns, cell % m_numberOfColumns);
}

QRectF MCBrowserViewLayout::cellFrameAtItemIndex(qint64 item) const
{
    if (item < 0 || item >= numberOfItems())
        return {};
    return cellFrameAtIndex(m_layoutMatrix.cellIndexFromItemIndex(item));
}

QRectF MCBrowserViewLayout::cellFrameAtGroupIndex(qint64 group) const
{
    if (group < 0 || group >= numberOfGroups())
        return {};
    const MCLayoutMatrixSection &section = m_layoutMatrix.sectionAtIndex(group);
    // A group without items has no line, hence no place of its own for a header.
    if (section.linesRange().length == 0)
        return {};
    const double line = double(section.linesRange().location);
    if (m_horizontal)
        return QRectF(QPointF(m_horizontalSpacing * 0.5 + (m_itemSize.width() + m_horizontalSpacing) * line +
                                  double(group) * m_headerSize.width(),
                              0),
                      m_headerSize);
    return QRectF(QPointF(0, m_verticalSpacing * 0.5 + (m_itemSize.height() + m_verticalSpacing) * line +
                                 double(group) * m_headerSize.height()),
                  m_headerSize);
}

QRectF MCBrowserViewLayout::rectForRow(qint64 row) const
{
    if (row < 0 || row >= m_numberOfRows)
        return {};
    const double extent = m_itemSize.height() + m_verticalSpacing;
    double y = double(row) * extent;
    if (!m_horizontal)
        y += headerOffsetOfGroup(groupIndexOfRow(row));
    return QRectF(0, y, m_contentSize.width(), extent);
}

QRectF MCBrowserViewLayout::rectForColumn(qint64 column) const
{
    if (column < 0 || column >= m_numberOfColumns)
        return {};
    const double extent = m_itemSize.width() + m_horizontalSpacing;
    double x = double(column) * extent;
    if (m_horizontal)
        x += headerOffsetOfGroup(groupIndexOfColumn(column));
    return QRectF(x, 0, extent, m_contentSize.height());
}

QSizeF MCBrowserViewLayout::scrollLineSize() const
{
    return QSizeF(m_itemSize.width() + m_horizontalSpacing, m_itemSize.height() + m_verticalSpacing);
}

QRectF MCBrowserViewLayout::scrollRectForItemAtIndex(qint64 item) const
{
    QRectF frame = cellFrameAtItemIndex(item);
    if (frame.isNull())
        return frame;
    if (m_horizontal) {
        frame.adjust(-m_horizontalSpacing, 0, m_horizontalSpacing, 0);
        if (m_showsGroupHeaders)
            frame.setLeft(frame.left() - m_headerSize.width());
    } else {
        frame.adjust(0, -m_verticalSpacing, 0, m_verticalSpacing);
        if (m_showsGroupHeaders)
            frame.setTop(frame.top() - m_headerSize.height());
    }
    return frame;
}

// ---- hit testing ----------------------------------------------------------------------------

qint64 MCBrowserViewLayout::lineForCoordinate(double coordinate, qint64 lines, double lineExtent) const
{
    // Lines have uneven offsets (a header band before each group): the first line whose far edge
    // lies beyond the coordinate, so a point on a header answers the first line of its group.
    qint64 lo = 0, hi = lines - 1;
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        const double end = double(mid + 1) * lineExtent + headerOffsetOfGroup(m_layoutMatrix.sectionIndexFromLineIndex(mid));
        if (end > coordinate)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

qint64 MCBrowserViewLayout::rowForPoint(const QPointF &point) const
{
    if (m_numberOfRows == 0 || m_numberOfColumns == 0)
        return MCNotFound;
    const double extent = m_itemSize.height() + m_verticalSpacing;
    if (m_showsGroupHeaders && !m_horizontal)
        return lineForCoordinate(point.y(), m_numberOfRows, extent);
    return evenLineForCoordinate(point.y(), extent, m_numberOfRows);
}

qint64 MCBrowserViewLayout::columnForPoint(const QPointF &point) const
{
    if (m_numberOfRows == 0 || m_numberOfColumns == 0)
        return MCNotFound;
    const double extent = m_itemSize.width() + m_horizontalSpacing;
    if (m_showsGroupHeaders && m_horizontal)
        return lineForCoordinate(point.x(), m_numberOfColumns, extent);
    return evenLineForCoordinate(point.x(), extent, m_numberOfColumns);
}

bool MCBrowserViewLayout::hitTestItemAtRow(qint64 row, qint64 column, const QRectF &rect) const
{
    return cellFrameAtRow(row, column).intersects(rect);
}

qint64 MCBrowserViewLayout::itemIndexAtPoint(const QPointF &point) const
{
    const qint64 row = rowForPoint(point), column = columnForPoint(point);
    if (row == MCNotFound || column == MCNotFound)
        return MCNotFound;
    if (!hitTestItemAtRow(row, column, QRectF(point, QSizeF(1, 1))))
        return MCNotFound;
    return itemIndexFromCellIndex(cellIndexAtRow(row, column));
}

qint64 MCBrowserViewLayout::groupIndexAtPoint(const QPointF &point) const
{
    const qint64 row = rowForPoint(point);
    if (row == MCNotFound)
        return MCNotFound;
    return m_horizontal ? groupIndexOfColumn(columnForPoint(point)) : groupIndexOfRow(row);
}

MCIndexSet MCBrowserViewLayout::cellIndexesInRect(const QRectF &rect, QRectF *boundingRect) const
{
    MCIndexSet cells;
    if (boundingRect)
        *boundingRect = rect;
    if (m_numberOfRows == 0 || m_numberOfColumns == 0)
        return cells;
    const qint64 r0 = rowForPoint(rect.topLeft()), r1 = rowForPoint(rect.bottomRight());
    const qint64 c0 = columnForPoint(rect.topLeft()), c1 = columnForPoint(rect.bottomRight());
    if (r1 < r0 || c1 < c0) // a rectangle of negative size
        return cells;
    if (m_horizontal) {
        for (qint64 c = c0; c <= c1; ++c)
            cells.addIndexesInRange({c * m_numberOfRows + r0, r1 - r0 + 1});
    } else {
        for (qint64 r = r0; r <= r1; ++r)
            cells.addIndexesInRange({r * m_numberOfColumns + c0, c1 - c0 + 1});
    }
    if (boundingRect) {
        const QRectF rows = rectForRow(r0).united(rectForRow(r1));
        const QRectF columns = rectForColumn(c0).united(rectForColumn(c1));
        *boundingRect = rect.united(rows.intersected(columns));
    }
    return cells;
}

MCIndexSet MCBrowserViewLayout::itemIndexesInRect(const QRectF &rect, QRectF *boundingRect) const
{
    MCIndexSet items;
    const MCIndexSet cells = cellIndexesInRect(rect, boundingRect);
    for (const MCRange &range : cells.ranges()) {
        // Items of consecutive cells are consecutive; collect runs and skip empty cells.
        qint64 runStart = MCNotFound, runLength = 0;
        for (qint64 cell = range.location; cell < range.max(); ++cell) {
            const qint64 item = m_layoutMatrix.itemIndexFromCellIndex(cell);
            if (item != MCNotFound && runStart != MCNotFound && item == runStart + runLength) {
                ++runLength;
                continue;
            }
            if (runLength > 0)
                items.addIndexesInRange({runStart, runLength});
            runStart = item;
            runLength = item == MCNotFound ? 0 : 1;
        }
        if (runLength > 0)
            items.addIndexesInRange({runStart, runLength});
    }
    return items;
}

qint64 MCBrowserViewLayout::offsetItemIndex(qint64 item, qint64 rows, qint64 columns) const
{
    if (item < 0 || item >= numberOfItems() || m_numberOfRows == 0 || m_numberOfColumns == 0)
        return MCNotFound;
    const qint64 cell = m_layoutMatrix.cellIndexFromItemIndex(item);
    const qint64 row = m_horizontal ? cell % m_numberOfRows : cell / m_numberOfColumns;
    const qint64 column = m_horizontal ? cell / m_numberOfRows : cell % m_numberOfColumns;
    const qint64 targetRow = std::clamp(row + rows, qint64(0), m_numberOfRows - 1);
    const qint64 targetColumn = std::clamp(column + columns, qint64(0), m_numberOfColumns - 1);
    const qint64 group = m_horizontal ? groupIndexOfColumn(targetColumn) : groupIndexOfRow(targetRow);
    const qint64 lastOfGroup = m_layoutMatrix.itemsRangeOfSectionAtIndex(group).max() - 1;
    return std::min(m_layoutMatrix.itemIndexFromCellIndex(cellIndexAtRow(targetRow, targetColumn)), lastOfGroup);
}
