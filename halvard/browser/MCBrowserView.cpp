#include "halvard/browser/MCBrowserView.h"

#include "halvard/browser/MCBrowserViewPreviewPanel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

// ---- protocols: the optional methods do nothing ---------------------------------------------

MCBrowserViewDataSource::~MCBrowserViewDataSource() = default;
QString MCBrowserViewDataSource::messageStringForEmptyBrowserView(MCBrowserView *, QImage *) { return {}; }

MCBrowserViewDelegate::~MCBrowserViewDelegate() = default;
void MCBrowserViewDelegate::browserViewScaleDidChange(MCBrowserView *) {}
void MCBrowserViewDelegate::browserViewSelectionDidChange(MCBrowserView *) {}
void MCBrowserViewDelegate::browserViewBackgroundWasRightClicked(MCBrowserView *, const QPoint &) {}
void MCBrowserViewDelegate::browserViewCellWasDoubleClicked(MCBrowserView *, const std::optional<MCIndexPath> &) {}
void MCBrowserViewDelegate::browserViewCellWasRightClicked(MCBrowserView *, const MCIndexPath &, const QPoint &) {}
bool MCBrowserViewDelegate::browserViewReadItemsFromPasteboard(MCBrowserView *, const QMimeData *) { return false; }
bool MCBrowserViewDelegate::browserViewWriteItemsToPasteboard(MCBrowserView *, const QList<MCIndexPath> &, QMimeData *)
{
    return false;
}
QUrl MCBrowserViewDelegate::browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *, const MCIndexPath &)
{
    return {};
}
void MCBrowserViewDelegate::browserViewDraggingSessionWillBegin(MCBrowserView *, QDrag *, const QPointF &) {}
void MCBrowserViewDelegate::browserViewDraggingSessionEnded(MCBrowserView *, QDrag *, Qt::DropAction) {}
Qt::DropAction MCBrowserViewDelegate::browserViewValidateDrop(MCBrowserView *, const QMimeData *, Qt::DropActions)
{
    return Qt::IgnoreAction;
}
bool MCBrowserViewDelegate::browserViewAcceptDrop(MCBrowserView *, const QMimeData *, Qt::DropAction) { return false; }
std::optional<MCPreviewItem> MCBrowserViewDelegate::browserViewPreviewItemAtIndexPath(MCBrowserView *,
                                                                                     const MCIndexPath &)
{
    return std::nullopt;
}

MCBrowserViewPrefetching::~MCBrowserViewPrefetching() = default;

// ---- set-up ---------------------------------------------------------------------------------

namespace {

constexpr double kSelectionHue = 0.5888888888888889; // 212 degrees
constexpr int kSelectionDelayMs = 250;                // autoscroll and drag both wait this long
constexpr int kAutoscrollIntervalMs = 50;
// Ctrl+wheel: one notch of a mouse wheel zooms by this much.
constexpr double kWheelZoomPerNotch = 0.05;

} // namespace

MCBrowserView::MCBrowserView(QWidget *parent) : QAbstractScrollArea(parent)
{
    m_contentLayout.setAlignment(1);
    m_contentLayout.setMinHorizontalSpacing(12.0);
    m_contentLayout.setMinVerticalSpacing(12.0);
    m_contentLayout.setDelegate(this);
    m_selectionFillColor = QColor::fromHsvF(kSelectionHue, 0.5, 1.0, 0.1);
    m_selectionStrokeColor = QColor::fromHsvF(kSelectionHue, 0.5, 1.0, 1.0);
    m_alternateSelectionFillColor = QColor::fromHsvF(kSelectionHue, 0.0, 0.75, 0.1);
    m_alternateSelectionStrokeColor = QColor::fromHsvF(kSelectionHue, 0.0, 0.75, 1.0);

    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Thumbnails"));
    // The scrolling axis keeps its bar so that showing or hiding it never changes the number of
    // columns back and forth.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents, false);

    m_autoscrollTimer.setSingleShot(false);
    connect(&m_autoscrollTimer, &QTimer::timeout, this, [this] { autoscrollTick(); });
    m_dragTimer.setSingleShot(true);
    m_dragTimer.setInterval(kSelectionDelayMs);
    connect(&m_dragTimer, &QTimer::timeout, this, [this] {
        if (m_dragPending) {
            m_dragPending = false;
            beginDragging(m_dragPressPoint);
        }
    });
}

MCBrowserView::~MCBrowserView()
{
    if (MCBrowserViewPreviewPanel *panel = previewPanel())
        panel->endControl(this);
}

void MCBrowserView::setItemCell(std::shared_ptr<MCBrowserViewCell> cell)
{
    m_itemCell = std::move(cell);
    if (m_itemCell)
        m_itemCell->setControlView(this);
}

void MCBrowserView::setHeaderCell(std::shared_ptr<MCBrowserViewCell> cell)
{
    m_headerCell = std::move(cell);
    if (m_headerCell)
        m_headerCell->setControlView(this);
}

void MCBrowserView::setScale(double scale)
{
    if (scale == m_scale)
        return;
    m_scale = scale;
    if (m_delegate)
        m_delegate->browserViewScaleDidChange(this);
    sizeToFit(true);
}

void MCBrowserView::setHorizontal(bool horizontal)
{
    if (horizontal == m_contentLayout.isHorizontal())
        return;
    m_contentLayout.setHorizontal(horizontal);
    const double spacing = horizontal ? 4.0 : 12.0;
    m_contentLayout.setMinHorizontalSpacing(spacing);
    m_contentLayout.setMinVerticalSpacing(spacing);
    setVerticalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    sizeToFit(false);
}

void MCBrowserView::setAlignment(qint64 alignment)
{
    if (alignment == m_contentLayout.alignment())
        return;
    m_contentLayout.setAlignment(alignment);
    sizeToFit(false);
}

void MCBrowserView::setShowsGroupHeaders(bool shows)
{
    if (shows == m_contentLayout.showsGroupHeaders())
        return;
    m_contentLayout.setShowsGroupHeaders(shows);
    sizeToFit(false);
}

QSizeF MCBrowserView::layoutItemCellSizeForBounds(MCBrowserViewLayout *, const QRectF &bounds)
{
    return m_itemCell ? m_itemCell->cellSizeForBounds(bounds, m_scale) : QSizeF(0, 0);
}

QSizeF MCBrowserView::layoutHeaderCellSizeForBounds(MCBrowserViewLayout *, const QRectF &bounds)
{
    return m_headerCell ? m_headerCell->cellSizeForBounds(bounds, m_scale) : QSizeF(0, 0);
}

// ---- contents -------------------------------------------------------------------------------

void MCBrowserView::reloadData()
{
    invalidatePrefetching();
    m_alternateSelection.removeAllIndexes();
    m_selection.removeAllIndexes();
    m_contentLayout.removeAllGroups();
    appendGroups();
}

void MCBrowserView::noteItemsAppended() { appendGroups(); }

namespace {

// The set with every index at or after `from` moved up by `delta`.
MCIndexSet shiftedIndexes(const MCIndexSet &set, qint64 from, qint64 delta)
{
    if (set.isEmpty() || set.lastIndex() < from)
        return set;
    MCIndexSet result;
    for (const MCRange &r : set.ranges()) {
        if (r.max() <= from) {
            result.addIndexesInRange(r);
        } else if (r.location >= from) {
            result.addIndexesInRange({r.location + delta, r.length});
        } else {
            result.addIndexesInRange({r.location, from - r.location});
            result.addIndexesInRange({from + delta, r.max() - from});
        }
    }
    return result;
}

} // namespace

void MCBrowserView::appendGroups()
{
    const qint64 groups = m_dataSource ? std::max<qint64>(0, m_dataSource->numberOfGroupsInBrowserView(this)) : 0;
    if (groups < m_contentLayout.numberOfGroups())
        return; // the owner must reload
    // Prefetched items are kept by item index, which items appended to an earlier group shift:
    // drop them all (with their old paths) and let the fit below prefetch what is visible again.
    invalidatePrefetching();
    qint64 itemsBefore = 0;
    m_contentLayout.rebuild([&](qint64 group, qint64 oldCount) -> qint64 {
        if (group >= groups)
            return MCNotFound;
        const qint64 count = std::max<qint64>(0, m_dataSource->browserViewNumberOfItemsInGroup(this, group));
        if (count > oldCount) {
            // Items added at the end of a group: selected items after them keep pointing at the
            // same items.
            m_selection = shiftedIndexes(m_selection, itemsBefore + oldCount, count - oldCount);
            m_alternateSelection = shiftedIndexes(m_alternateSelection, itemsBefore + oldCount, count - oldCount);
            itemsBefore += count;
        } else {
            itemsBefore += oldCount;
        }
        return count;
    });
    // A group that shrank leaves no selected index past the last item.
    const qint64 items = m_contentLayout.numberOfItems();
    m_selection.removeIndexesInRange({items, MCNotFound - items});
    m_alternateSelection.removeIndexesInRange({items, MCNotFound - items});
    sizeToFit(false);
}

std::optional<MCIndexPath> MCBrowserView::pathOrNone(qint64 item) const
{
    if (item == MCNotFound || item < 0 || item >= numberOfItems())
        return std::nullopt;
    return m_contentLayout.indexPathFromItemIndex(item);
}

void MCBrowserView::reloadItemAtIndexPath(const MCIndexPath &path)
{
    if (path.length() < 2 || path.groupIndex() >= quint64(m_contentLayout.numberOfGroups()))
        return;
    const MCRange range = m_contentLayout.layoutMatrix().itemsRangeOfSectionAtIndex(qint64(path.groupIndex()));
    if (path.itemIndex() >= quint64(range.length))
        return;
    const QRectF frame = m_contentLayout.cellFrameAtItemIndex(range.location + qint64(path.itemIndex()));
    if (frame.intersects(visibleRect()))
        viewport()->update(frame.translated(-visibleRect().topLeft()).toAlignedRect());
}

MCBrowserViewCell *MCBrowserView::preparedItemCellAtIndexPath(const std::optional<MCIndexPath> &path)
{
    if (!path || !m_itemCell)
        return nullptr;
    const qint64 item = m_contentLayout.itemIndexFromIndexPath(*path);
    m_itemCell->setSelected(m_selection.containsIndex(item));
    m_itemCell->setSelectedAlternate(m_alternateSelection.containsIndex(item));
    if (m_dataSource)
        m_dataSource->browserViewUpdateItemCell(this, m_itemCell.get(), *path);
    return m_itemCell.get();
}

MCBrowserViewCell *MCBrowserView::preparedHeaderCellAtIndex(qint64 group)
{
    if (group == MCNotFound || !m_headerCell)
        return nullptr;
    if (m_dataSource)
        m_dataSource->browserViewUpdateHeaderCell(this, m_headerCell.get(), group);
    return m_headerCell.get();
}

// ---- geometry and scrolling -----------------------------------------------------------------

QRectF MCBrowserView::bounds() const { return QRectF(QPointF(0, 0), m_contentLayout.contentSize()); }

QRectF MCBrowserView::visibleRect() const
{
    return QRectF(QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), QSizeF(viewport()->size()));
}

QPointF MCBrowserView::contentPointFromViewportPoint(const QPointF &point) const
{
    return point + visibleRect().topLeft();
}

void MCBrowserView::updateScrollBars()
{
    const QSizeF content = m_contentLayout.contentSize();
    const QSize visible = viewport()->size();
    const QSizeF line = m_contentLayout.scrollLineSize();
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    vertical->setRange(0, std::max(0, int(std::ceil(content.height())) - visible.height()));
    vertical->setPageStep(visible.height());
    vertical->setSingleStep(std::max(1, int(line.height())));
    horizontal->setRange(0, std::max(0, int(std::ceil(content.width())) - visible.width()));
    horizontal->setPageStep(visible.width());
    horizontal->setSingleStep(std::max(1, int(line.width())));
}

void MCBrowserView::setVisibleOrigin(const QPointF &origin)
{
    horizontalScrollBar()->setValue(int(std::lround(origin.x())));
    verticalScrollBar()->setValue(int(std::lround(origin.y())));
}

void MCBrowserView::sizeToFit(bool keepPosition)
{
    const QRectF oldBounds = bounds(), oldVisible = visibleRect();
    m_contentLayout.layoutWithContentSize(QSizeF(viewport()->size()));
    updateScrollBars();
    if (keepPosition) {
        const QRectF newBounds = bounds();
        QPointF origin = visibleRect().topLeft();
        if (isHorizontal()) {
            if (oldBounds.width() > 0)
                origin.setX(std::trunc(oldVisible.x() / oldBounds.width() * newBounds.width()));
        } else if (oldBounds.height() > 0) {
            origin.setY(std::trunc(oldVisible.y() / oldBounds.height() * newBounds.height()));
        }
        scrollToVisibleRect(QRectF(origin, oldVisible.size()));
    }
    viewport()->update();
    prefetchVisibleItems();
}

void MCBrowserView::scrollToIndex(qint64 item) { scrollToVisibleRect(m_contentLayout.scrollRectForItemAtIndex(item)); }

void MCBrowserView::scrollToVisibleRect(const QRectF &rect)
{
    const QRectF visible = visibleRect(), all = bounds();
    if (rect.isNull() || visible.contains(rect))
        return;
    QPointF origin = visible.topLeft();
    if (rect.bottom() > visible.bottom())
        origin.setY(std::min(all.bottom() - visible.height(), rect.bottom() - visible.height()));
    else if (rect.top() < visible.top())
        origin.setY(std::max(rect.top(), all.top()));
    if (rect.right() > visible.right())
        origin.setX(std::min(all.right() - visible.width(), rect.right() - visible.width()));
    else if (rect.left() < visible.left())
        origin.setX(std::max(rect.left(), all.left()));
    setVisibleOrigin(origin);
}

void MCBrowserView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    sizeToFit(true);
}

void MCBrowserView::scrollContentsBy(int, int)
{
    viewport()->update();
    prefetchVisibleItems();
    if (m_tracking)
        trackSelectionTo(m_trackViewport);
}

void MCBrowserView::showEvent(QShowEvent *event)
{
    sizeToFit(true);
    QAbstractScrollArea::showEvent(event);
}

// ---- prefetching ----------------------------------------------------------------------------

QRectF MCBrowserView::prefetchItemsInRect(const QRectF &rect)
{
    QRectF widened;
    const MCIndexSet items = m_contentLayout.itemIndexesInRect(rect, &widened);
    MCIndexSet gone = m_visibleIndexes;
    gone.removeIndexes(items);
    MCIndexSet entered = items;
    entered.removeIndexes(m_visibleIndexes);
    if (!gone.isEmpty() && m_prefetchDataSource)
        m_prefetchDataSource->browserViewCancelPrefetchingForItemsAtIndexPaths(
            this, m_contentLayout.indexPathsFromItemIndexes(gone));
    m_visibleIndexes = items;
    if (!entered.isEmpty() && m_prefetchDataSource)
        m_prefetchDataSource->browserViewPrefetchItemsAtIndexPaths(this, m_contentLayout.indexPathsFromItemIndexes(entered));
    return widened;
}

void MCBrowserView::prefetchVisibleItems()
{
    // The prepared area reaches half a screen beyond each edge along the scrolling axis, so the
    // rows about to scroll in are already being loaded.
    QRectF area = visibleRect();
    if (isHorizontal())
        area.adjust(-area.width() / 2, 0, area.width() / 2, 0);
    else
        area.adjust(0, -area.height() / 2, 0, area.height() / 2);
    m_preparedContentRect = prefetchItemsInRect(area.intersected(bounds()));
}

void MCBrowserView::invalidatePrefetching()
{
    if (m_visibleIndexes.isEmpty())
        return;
    const QList<MCIndexPath> paths = m_contentLayout.indexPathsFromItemIndexes(m_visibleIndexes);
    m_visibleIndexes.removeAllIndexes();
    m_preparedContentRect = QRectF();
    if (m_prefetchDataSource)
        m_prefetchDataSource->browserViewCancelPrefetchingForItemsAtIndexPaths(this, paths);
}

// ---- drawing --------------------------------------------------------------------------------

void MCBrowserView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF origin = visibleRect().topLeft();
    painter.translate(-origin);
    const QRegion region = event->region().translated(origin.toPoint());
    const QRectF dirty = QRectF(event->rect()).translated(origin);
    const auto needsToDraw = [&](const QRectF &frame) { return region.intersects(frame.toAlignedRect()); };

    if (m_contentLayout.numberOfGroups() > 0 && m_contentLayout.numberOfItems() > 0) {
        if (showsGroupHeaders() && m_headerCell) {
            const qint64 first = m_contentLayout.groupIndexAtPoint(dirty.topLeft());
            const qint64 last = m_contentLayout.groupIndexAtPoint(dirty.bottomRight());
            if (first != MCNotFound && last != MCNotFound)
                for (qint64 group = first; group <= last; ++group) {
                    const QRectF frame = m_contentLayout.cellFrameAtGroupIndex(group);
                    if (needsToDraw(frame))
                        if (MCBrowserViewCell *cell = preparedHeaderCellAtIndex(group))
                            cell->drawWithFrame(&painter, frame, this);
                }
        }
        if (m_itemCell) {
            const MCIndexSet items = m_contentLayout.itemIndexesInRect(dirty);
            items.forEachIndex([&](qint64 item) {
                const QRectF frame = m_contentLayout.cellFrameAtItemIndex(item);
                if (!needsToDraw(frame))
                    return;
                if (MCBrowserViewCell *cell = preparedItemCellAtIndexPath(m_contentLayout.indexPathFromItemIndex(item)))
                    cell->drawWithFrame(&painter, frame, this);
            });
        }
    }
    drawSelection(&painter, dirty);
}

void MCBrowserView::drawSelection(QPainter *painter, const QRectF &dirty)
{
    // No band, nothing drawn.
    if (m_selectionRect.isEmpty())
        return;
    const QRectF band = QRectF(m_selectionRect.toAlignedRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool alternate = m_selectionMode & MCBrowserViewSelectionAlternate;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QRectF fill = band.intersected(dirty);
    if (!fill.isEmpty())
        painter->fillRect(fill, alternate ? m_alternateSelectionFillColor : m_selectionFillColor);
    painter->setPen(QPen(alternate ? m_alternateSelectionStrokeColor : m_selectionStrokeColor, 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(band);
    painter->restore();
}

void MCBrowserView::drawMessage(QPainter *painter)
{
    if (!m_dataSource)
        return;
    QImage image;
    const QString message = m_dataSource->messageStringForEmptyBrowserView(this, &image);
    if (message.isNull())
        return;
    const QRectF area(QPointF(0, 0), QSizeF(viewport()->size()));
    const double maxWidth = std::min(500.0, area.width() - 40);
    QTextDocument document;
    document.setDefaultFont(font());
    document.setPlainText(message);
    document.setTextWidth(std::max(1.0, maxWidth));
    document.setDocumentMargin(0);
    const QSizeF textSize(std::ceil(document.idealWidth()), std::ceil(document.size().height()));
    QRectF text(area.center().x() - textSize.width() / 2, area.center().y() - textSize.height() / 2,
                textSize.width(), textSize.height());
    text = QRectF(text.toAlignedRect());
    if (!image.isNull()) {
        const QSizeF imageSize = image.deviceIndependentSize();
        const QRectF imageRect(std::round(area.center().x() - imageSize.width() / 2),
                               std::round(area.center().y() - imageSize.height() / 2 - text.height()),
                               imageSize.width(), imageSize.height());
        painter->drawImage(imageRect, image);
        text.moveTop(imageRect.bottom());
    }
    painter->save();
    painter->translate(text.topLeft());
    document.drawContents(painter);
    painter->restore();
}

// ---- zoom -----------------------------------------------------------------------------------

void MCBrowserView::magnify(double m)
{
    if (m > 0 && m_scale < m_maxScale)
        setScale(m_scale + m < m_maxScale ? m_scale + m : m_maxScale);
    else if (m < 0 && m_scale > m_minScale)
        setScale(m_scale + m > m_minScale ? m_scale + m : m_minScale);
}

void MCBrowserView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const double notches = event->angleDelta().y() / 120.0;
        if (notches != 0)
            magnify(notches * kWheelZoomPerNotch);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

bool MCBrowserView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            magnify(gesture->value());
            return true;
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// ---- mouse ----------------------------------------------------------------------------------

void MCBrowserView::mousePressEvent(QMouseEvent *event)
{
    const QPointF point = contentPointFromViewportPoint(event->position());
    if (event->button() == Qt::RightButton) {
        rightClick(point, event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    if (canBeginDragging(point)) {
        // A drag or, when released within 0.25 s without moving, a click.
        m_dragPending = true;
        m_dragPressPoint = point;
        m_dragPressModifiers = event->modifiers();
        m_trackViewport = event->position();
        m_dragTimer.start();
        return;
    }
    startSelection(point, event->modifiers());
    if (!m_allowsMultipleSelection) {
        stopSelection();
        return;
    }
    m_tracking = true;
    m_trackStart = m_trackLast = point;
    m_trackViewport = event->position();
    m_autoscrollTimer.start(kSelectionDelayMs);
}

void MCBrowserView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragPending) {
        const QPointF moved = contentPointFromViewportPoint(event->position()) - m_dragPressPoint;
        if (moved.manhattanLength() >= 3) {
            m_dragPending = false;
            m_dragTimer.stop();
            beginDragging(m_dragPressPoint);
        }
        return;
    }
    if (m_tracking)
        trackSelectionTo(event->position());
}

void MCBrowserView::trackSelectionTo(const QPointF &viewportPoint)
{
    m_trackViewport = viewportPoint;
    const QPointF point = contentPointFromViewportPoint(viewportPoint);
    if (point == m_trackLast)
        return;
    m_trackLast = point;
    const QPointF topLeft(std::min(m_trackStart.x(), point.x()) - 0.5, std::min(m_trackStart.y(), point.y()) - 0.5);
    makeSelectionInRect(QRectF(topLeft, QSizeF(std::abs(point.x() - m_trackStart.x()) + 1,
                                               std::abs(point.y() - m_trackStart.y()) + 1)));
}

void MCBrowserView::autoscrollTick()
{
    if (!m_tracking) {
        m_autoscrollTimer.stop();
        return;
    }
    m_autoscrollTimer.setInterval(kAutoscrollIntervalMs);
    // Scroll by how far the pointer is beyond the edge, as far as the content goes.
    const QRectF area(QPointF(0, 0), QSizeF(viewport()->size()));
    QPointF delta(0, 0);
    if (m_trackViewport.y() < area.top())
        delta.setY(m_trackViewport.y() - area.top());
    else if (m_trackViewport.y() > area.bottom())
        delta.setY(m_trackViewport.y() - area.bottom());
    if (m_trackViewport.x() < area.left())
        delta.setX(m_trackViewport.x() - area.left());
    else if (m_trackViewport.x() > area.right())
        delta.setX(m_trackViewport.x() - area.right());
    if (delta.isNull())
        return;
    setVisibleOrigin(visibleRect().topLeft() + delta); // scrollContentsBy() extends the band
}

void MCBrowserView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragPending) {
        // A quick click on a selected item is a click.
        m_dragPending = false;
        m_dragTimer.stop();
        startSelection(m_dragPressPoint, m_dragPressModifiers);
        stopSelection();
        return;
    }
    if (m_tracking) {
        trackSelectionTo(event->position());
        m_tracking = false;
        m_autoscrollTimer.stop();
        stopSelection();
    }
}

void MCBrowserView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qint64 item = m_contentLayout.itemIndexAtPoint(contentPointFromViewportPoint(event->position()));
    if (m_delegate)
        m_delegate->browserViewCellWasDoubleClicked(this, pathOrNone(item));
}

void MCBrowserView::rightClick(const QPointF &point, const QPoint &globalPosition)
{
    const qint64 item = m_contentLayout.itemIndexAtPoint(point);
    if (item == MCNotFound) {
        if (m_delegate)
            m_delegate->browserViewBackgroundWasRightClicked(this, globalPosition);
        return;
    }
    if (!m_selection.containsIndex(item))
        selectIndex(item, false, false, true);
    if (m_delegate)
        m_delegate->browserViewCellWasRightClicked(this, *pathOrNone(item), globalPosition);
}

// ---- keys -----------------------------------------------------------------------------------

void MCBrowserView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        if (m_allowsMultipleSelection && canSelectAll()) {
            selectAll();
            return;
        }
    } else if (event->matches(QKeySequence::Copy)) {
        if (canCopy()) {
            copy();
            return;
        }
    } else if (event->matches(QKeySequence::Paste)) {
        if (canPaste()) {
            paste();
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (handleNavigationKey(event))
            return;
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (!isHorizontal() && handleNavigationKey(event))
            return;
        break;
    case Qt::Key_Escape:
        if (deselectAll())
            return;
        break;
    case Qt::Key_Space:
        togglePreviewPanel(event->modifiers() & Qt::AltModifier);
        return;
    default:
        break;
    }
    event->ignore();
}

bool MCBrowserView::handleNavigationKey(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool alt = event->modifiers() & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        if (alt)
            shift ? moveWordLeftAndModifySelection() : moveWordLeft();
        else
            shift ? moveLeftAndModifySelection() : moveLeft();
        return true;
    case Qt::Key_Right:
        if (alt)
            shift ? moveWordRightAndModifySelection() : moveWordRight();
        else
            shift ? moveRightAndModifySelection() : moveRight();
        return true;
    case Qt::Key_Up:
        shift ? moveUpAndModifySelection() : moveUp();
        return true;
    case Qt::Key_Down:
        shift ? moveDownAndModifySelection() : moveDown();
        return true;
    case Qt::Key_Home:
        shift ? moveToBeginningOfDocumentAndModifySelection() : moveToBeginningOfDocument();
        return true;
    case Qt::Key_End:
        shift ? moveToEndOfDocumentAndModifySelection() : moveToEndOfDocument();
        return true;
    case Qt::Key_PageUp:
        scrollPageUp();
        return true;
    case Qt::Key_PageDown:
        scrollPageDown();
        return true;
    default:
        return false;
    }
}
