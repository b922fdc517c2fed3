#pragma once

// The scrolling thumbnail grid: items in groups, optionally with a header before each group, at a
// zoom scale. The view holds no items. A data source tells it how many groups and items there
// are and fills one reusable item cell and one reusable header cell just before each is drawn, so
// the cost of a frame depends on what is visible, never on the number of items; geometry comes
// from MCBrowserViewLayout. A delegate hears about scale and selection changes, clicks,
// pasteboard and drag and drop; a prefetching data source hears which items came into or left
// the prepared area (the visible area and half a screen either side) so thumbnails load ahead.
//
// Items are addressed by item index (position over all groups) or by [group, item] paths.
// Selection: a main and an alternate selection of item indexes. A mouse selection tells the
// delegate once, at mouse-up. Modifiers: Ctrl toggles, Shift extends, Alt works on the
// alternate selection (when allowed). Keys: arrows move the selection (Shift extends, Alt moves
// the alternate selection sideways), Home and End go to the first and last row, Page Up and
// Page Down scroll, Escape deselects, Space opens and closes the preview window, and the
// standard Select All, Copy and Paste shortcuts. Up, Down, Page Up and Page Down are left to the
// parent in horizontal mode. Ctrl+wheel and pinch zoom within the scale limits.
//
// Main thread only.
#include "halvard/browser/MCBrowserViewCell.h"
#include "halvard/browser/MCBrowserViewLayout.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class MCBrowserView;
class MCBrowserViewPreviewPanel;
class QDrag;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;

// Bits of a mouse selection's mode.
enum MCBrowserViewSelectionMode : quint64 {
    MCBrowserViewSelectionSingle = 1,    // multiple selection not allowed
    MCBrowserViewSelectionExtend = 2,    // add the range up to the clicked item (Shift)
    MCBrowserViewSelectionToggle = 4,    // items under the band flip their state (Ctrl)
    MCBrowserViewSelectionAlternate = 8, // the band works on the alternate selection (Alt)
};

// Drag operations as a source offers them, by their platform values.
enum MCDragOperation : quint64 {
    MCDragOperationNone = 0,
    MCDragOperationCopy = 1,
    MCDragOperationLink = 2,
    MCDragOperationGeneric = 4,
    MCDragOperationPrivate = 8,
    MCDragOperationMove = 16,
    MCDragOperationDelete = 32,
};
enum MCDraggingContext : qint64 {
    MCDraggingContextOutsideApplication = 0,
    MCDraggingContextWithinApplication = 1,
};
// What the grid offers as a drag source: copy and delete (33) outside the application, copy (1)
// within it, nothing for any other context.
quint64 MCBrowserViewSourceOperationMask(qint64 context);

// What the preview window shows for an item: a file and its title.
struct MCPreviewItem {
    QString previewItemURL; // absolute path of the file
    QString previewItemTitle;
};

// One item of the preview window: the delegate's item and where it sits in the grid.
class MCBrowserViewPreviewItem
{
public:
    MCBrowserViewPreviewItem(MCPreviewItem item, MCIndexPath indexPath)
        : m_previewItem(std::move(item)), m_previewItemIndexPath(std::move(indexPath))
    {
    }
    const MCPreviewItem &previewItem() const { return m_previewItem; }
    const MCIndexPath &previewItemIndexPath() const { return m_previewItemIndexPath; }
    QString previewItemURL() const { return m_previewItem.previewItemURL; }
    QString previewItemTitle() const { return m_previewItem.previewItemTitle; }
    const MCIndexPath &previewItemDisplayState() const { return m_previewItemIndexPath; }

private:
    MCPreviewItem m_previewItem;
    MCIndexPath m_previewItemIndexPath;
};

// One item of a drag: its path, what it carries and its cell's frame in content coordinates.
struct MCBrowserViewDraggingItem {
    MCIndexPath indexPath;
    QUrl url;
    QRectF draggingFrame;
};

class MCBrowserViewDataSource
{
public:
    virtual ~MCBrowserViewDataSource();
    virtual qint64 numberOfGroupsInBrowserView(MCBrowserView *view) = 0;
    virtual qint64 browserViewNumberOfItemsInGroup(MCBrowserView *view, qint64 group) = 0;
    // Fill the cell for the item; its selection flags are already set.
    virtual void browserViewUpdateItemCell(MCBrowserView *view, MCBrowserViewCell *cell, const MCIndexPath &path) = 0;
    virtual void browserViewUpdateHeaderCell(MCBrowserView *view, MCBrowserViewCell *cell, qint64 group) = 0;
    // The message drawMessage() shows over an empty grid, and optionally an image above it.
    virtual QString messageStringForEmptyBrowserView(MCBrowserView *view, QImage *image);
};

// All optional.
class MCBrowserViewDelegate
{
public:
    virtual ~MCBrowserViewDelegate();
    // Before the view lays itself out at the new scale.
    virtual void browserViewScaleDidChange(MCBrowserView *view);
    virtual void browserViewSelectionDidChange(MCBrowserView *view);
    virtual void browserViewBackgroundWasRightClicked(MCBrowserView *view, const QPoint &globalPosition);
    // The item under the pointer; none over the background.
    virtual void browserViewCellWasDoubleClicked(MCBrowserView *view, const std::optional<MCIndexPath> &path);
    // After the item was made the selection when it was not selected.
    virtual void browserViewCellWasRightClicked(MCBrowserView *view, const MCIndexPath &path,
                                                const QPoint &globalPosition);
    // Paste: read items from the pasteboard; answers whether any were taken.
    virtual bool browserViewReadItemsFromPasteboard(MCBrowserView *view, const QMimeData *pasteboard);
    // Copy: write the items to the pasteboard; answers whether anything was written.
    virtual bool browserViewWriteItemsToPasteboard(MCBrowserView *view, const QList<MCIndexPath> &paths,
                                                   QMimeData *pasteboard);
    // What a dragged item carries (a file URL, sent as text/uri-list); an empty URL when the item
    // cannot be dragged. A drag starts only from a selected item that has one.
    virtual QUrl browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path);
    virtual void browserViewDraggingSessionWillBegin(MCBrowserView *view, QDrag *drag, const QPointF &point);
    virtual void browserViewDraggingSessionEnded(MCBrowserView *view, QDrag *drag, Qt::DropAction operation);
    // A drag of a registered type entered the view: the action it would take, IgnoreAction to refuse.
    virtual Qt::DropAction browserViewValidateDrop(MCBrowserView *view, const QMimeData *data, Qt::DropActions offered);
    virtual bool browserViewAcceptDrop(MCBrowserView *view, const QMimeData *data, Qt::DropAction action);
    // The file the preview window shows for an item; none shows nothing.
    virtual std::optional<MCPreviewItem> browserViewPreviewItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path);
};

class MCBrowserViewPrefetching
{
public:
    virtual ~MCBrowserViewPrefetching();
    // Items that entered the prepared area, ascending.
    virtual void browserViewPrefetchItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) = 0;
    // Items that left it.
    virtual void browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) = 0;
};

class MCBrowserView : public QAbstractScrollArea, public MCBrowserViewLayoutDelegate
{
    Q_OBJECT
public:
    explicit MCBrowserView(QWidget *parent = nullptr);
    ~MCBrowserView() override;

    // ---- configuration
    double scale() const { return m_scale; }
    // Any value is taken; the limits bind zooming only. An equal value does nothing.
    void setScale(double scale);
    double minScale() const { return m_minScale; }
    void setMinScale(double scale) { m_minScale = scale; }
    double maxScale() const { return m_maxScale; }
    void setMaxScale(double scale) { m_maxScale = scale; }
    bool allowsAlternateSelection() const { return m_allowsAlternateSelection; }
    void setAllowsAlternateSelection(bool allows) { m_allowsAlternateSelection = allows; }
    bool allowsEmptySelection() const { return m_allowsEmptySelection; }
    void setAllowsEmptySelection(bool allows) { m_allowsEmptySelection = allows; }
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows) { m_allowsMultipleSelection = allows; }
    // Kept for the owner; the view itself does not read it.
    bool allowsDrop() const { return m_allowsDrop; }
    void setAllowsDrop(bool allows) { m_allowsDrop = allows; }
    bool allowsPreviewPanel() const { return m_allowsPreviewPanel; }
    void setAllowsPreviewPanel(bool allows) { m_allowsPreviewPanel = allows; }

    MCBrowserViewCell *itemCell() const { return m_itemCell.get(); }
    void setItemCell(std::shared_ptr<MCBrowserViewCell> cell);
    MCBrowserViewCell *headerCell() const { return m_headerCell.get(); }
    void setHeaderCell(std::shared_ptr<MCBrowserViewCell> cell);

    MCBrowserViewLayout &contentLayout() { return m_contentLayout; }
    const MCBrowserViewLayout &contentLayout() const { return m_contentLayout; }
    bool isHorizontal() const { return m_contentLayout.isHorizontal(); }
    // Horizontal mode uses minimum spacings of 4, vertical mode 12.
    void setHorizontal(bool horizontal);
    qint64 alignment() const { return m_contentLayout.alignment(); }
    void setAlignment(qint64 alignment);
    bool showsGroupHeaders() const { return m_contentLayout.showsGroupHeaders(); }
    void setShowsGroupHeaders(bool shows);
    qint64 numberOfItems() const { return m_contentLayout.numberOfItems(); }

    MCBrowserViewDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(MCBrowserViewDataSource *dataSource) { m_dataSource = dataSource; }
    MCBrowserViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCBrowserViewDelegate *delegate) { m_delegate = delegate; }
    MCBrowserViewPrefetching *prefetchDataSource() const { return m_prefetchDataSource; }
    void setPrefetchDataSource(MCBrowserViewPrefetching *prefetching) { m_prefetchDataSource = prefetching; }

    QColor selectionFillColor() const { return m_selectionFillColor; }
    void setSelectionFillColor(const QColor &color) { m_selectionFillColor = color; }
    QColor selectionStrokeColor() const { return m_selectionStrokeColor; }
    void setSelectionStrokeColor(const QColor &color) { m_selectionStrokeColor = color; }
    QColor alternateSelectionFillColor() const { return m_alternateSelectionFillColor; }
    void setAlternateSelectionFillColor(const QColor &color) { m_alternateSelectionFillColor = color; }
    QColor alternateSelectionStrokeColor() const { return m_alternateSelectionStrokeColor; }
    void setAlternateSelectionStrokeColor(const QColor &color) { m_alternateSelectionStrokeColor = color; }

    // ---- contents
    // Drops the prefetched items and both selections (silently) and asks the data source again.
    void reloadData();
    // For a data source whose groups only grew; one that reports fewer groups is ignored.
    void noteItemsAppended();
    // Redraws one item (a thumbnail arrived). Paths outside the groups are ignored: a late
    // arrival may name an item that a reload removed.
    void reloadItemAtIndexPath(const MCIndexPath &path);
    // The item cell filled for the item (selection flags set first), or null for no path.
    MCBrowserViewCell *preparedItemCellAtIndexPath(const std::optional<MCIndexPath> &path);
    MCBrowserViewCell *preparedHeaderCellAtIndex(qint64 group);

    // ---- geometry (content coordinates, y down)
    QRectF bounds() const;
    QRectF visibleRect() const;
    QPointF contentPointFromViewportPoint(const QPointF &point) const;
    // Lays out for the visible size; with `keep` the scroll position stays at the same share of
    // the content. Then prefetches the visible items.
    void sizeToFit(bool keepPosition);
    void scrollToIndex(qint64 item);
    void scrollToVisibleRect(const QRectF &rect);

    // ---- prefetching
    const MCIndexSet &visibleIndexes() const { return m_visibleIndexes; }
    QRectF preparedContentRect() const { return m_preparedContentRect; }
    void prefetchVisibleItems();
    // Sends the items that left the prepared set, then those that entered it; answers the
    // rectangle widened to whole cells.
    QRectF prefetchItemsInRect(const QRectF &rect);
    void invalidatePrefetching();

    // ---- zoom
    // A pinch by m: grows or shrinks the scale, stopping exactly at the limits.
    void magnify(double magnification);

    // ---- selection (the alternate twins work the same way on the alternate selection)
    quint64 selectionMode() const { return m_selectionMode; }
    QRectF selectionRect() const { return m_selectionRect; }
    bool isSelectionSwapped() const { return m_selectionSwapped; }

    bool hasSelection() const { return !m_selection.isEmpty(); }
    qint64 selectionCount() const { return m_selection.count(); }
    qint64 firstSelectionIndex() const { return m_selection.firstIndex(); }
    qint64 lastSelectionIndex() const { return m_selection.lastIndex(); }
    std::optional<MCIndexPath> firstSelectedIndexPath() const { return pathOrNone(m_selection.firstIndex()); }
    std::optional<MCIndexPath> lastSelectedIndexPath() const { return pathOrNone(m_selection.lastIndex()); }
    MCIndexSet selectedGroupsIndexes() const { return m_contentLayout.groupIndexesForItemIndexes(m_selection); }
    MCIndexSet selectionIndexes() const { return m_selection; }
    QList<MCIndexPath> selectionIndexPaths() const { return m_contentLayout.indexPathsFromItemIndexes(m_selection); }
    bool hasAlternateSelection() const { return !m_alternateSelection.isEmpty(); }
    qint64 alternateSelectionCount() const { return m_alternateSelection.count(); }
    qint64 alternateFirstSelectionIndex() const { return m_alternateSelection.firstIndex(); }
    qint64 alternateLastSelectionIndex() const { return m_alternateSelection.lastIndex(); }
    std::optional<MCIndexPath> alternateFirstSelectedIndexPath() const { return pathOrNone(m_alternateSelection.firstIndex()); }
    std::optional<MCIndexPath> alternateLastSelectedIndexPath() const { return pathOrNone(m_alternateSelection.lastIndex()); }
    MCIndexSet alternateSelectedGroupsIndexes() const
    {
        return m_contentLayout.groupIndexesForItemIndexes(m_alternateSelection);
    }
    MCIndexSet alternateSelectionIndexes() const { return m_alternateSelection; }
    QList<MCIndexPath> alternateSelectionIndexPaths() const
    {
        return m_contentLayout.indexPathsFromItemIndexes(m_alternateSelection);
    }

    // Answers whether the selection changed. Extending adds; otherwise replaces. An empty set
    // changes nothing when extending or when empty selection is not allowed.
    bool setSelectionIndexes(const MCIndexSet &indexes, bool extend, bool notify = true);
    void setSelectionIndexPaths(const QList<MCIndexPath> &paths);
    bool selectIndex(qint64 index, bool extend, bool autoscroll, bool notify = true);
    bool selectRange(const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify = true);
    bool selectItemAtIndexPath(const MCIndexPath &path, bool extend, bool autoscroll, bool notify = true);
    // When it changed something, scrolls to the group's last item.
    bool selectGroupAtIndex(qint64 group, bool extend, bool notify = true);
    bool setAlternateSelectionIndexes(const MCIndexSet &indexes, bool extend, bool notify = true);
    void setAlternateSelectionIndexPaths(const QList<MCIndexPath> &paths);
    bool alternateSelectIndex(qint64 index, bool extend, bool autoscroll, bool notify = true);
    bool alternateSelectRange(const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify = true);
    bool alternateSelectItemAtIndexPath(const MCIndexPath &path, bool extend, bool autoscroll, bool notify = true);
    bool alternateSelectGroupAtIndex(qint64 group, bool extend, bool notify = true);
    void swapAlternateSelection();
    // Empties both selections and notifies once; nothing when both are empty or empty
    // selection is not allowed.
    bool deselectAll();
    void notifySelectionDidChange();

    // ---- keyboard actions
    void moveUp() { moveSelectionUp(1, false); }
    void moveDown() { moveSelectionDown(1, false); }
    void moveLeft() { moveSelectionLeft(false); }
    void moveRight() { moveSelectionRight(false); }
    void moveUpAndModifySelection() { moveSelectionUp(1, m_allowsMultipleSelection); }
    void moveDownAndModifySelection() { moveSelectionDown(1, m_allowsMultipleSelection); }
    void moveLeftAndModifySelection() { moveSelectionLeft(m_allowsMultipleSelection); }
    void moveRightAndModifySelection() { moveSelectionRight(m_allowsMultipleSelection); }
    void moveWordLeft();
    void moveWordRight();
    void moveWordLeftAndModifySelection();
    void moveWordRightAndModifySelection();
    void moveToBeginningOfDocument() { moveSelectionUp(m_contentLayout.numberOfRows(), false); }
    void moveToEndOfDocument() { moveSelectionDown(m_contentLayout.numberOfRows(), false); }
    void moveToBeginningOfDocumentAndModifySelection()
    {
        moveSelectionUp(m_contentLayout.numberOfRows(), m_allowsMultipleSelection);
    }
    void moveToEndOfDocumentAndModifySelection()
    {
        moveSelectionDown(m_contentLayout.numberOfRows(), m_allowsMultipleSelection);
    }
    void moveSelectionUp(qint64 rows, bool extend);
    void moveSelectionDown(qint64 rows, bool extend);
    void moveSelectionLeft(bool extend);
    void moveSelectionRight(bool extend);
    void alternateMoveSelectionLeft(bool extend);
    void alternateMoveSelectionRight(bool extend);
    // The first index from i + d onwards (d > 0) or backwards (d < 0) that `skipping` lacks;
    // MCNotFound when there is none, 0 for d = 0.
    qint64 offsetIndex(qint64 index, qint64 offset, const MCIndexSet &skipping) const;
    void selectAll();
    void scrollLineUp();
    void scrollLineDown();
    void scrollPageUp();
    void scrollPageDown();
    void scrollToBeginningOfDocument();
    void scrollToEndOfDocument();

    // ---- pasteboard, drag and drop
    // The MIME types a drop or paste may carry; set by the owner, enabling drops.
    QStringList registeredDraggedTypes() const { return m_registeredDraggedTypes; }
    void registerForDraggedTypes(const QStringList &types);
    // Whether `data` is what a drag of this view's own items carries (while that drag runs).
    bool isDraggingSource(const QMimeData *data) const;
    bool canReadItemsFromPasteboard(const QMimeData *pasteboard) const;
    bool readItemsFromPasteboard(const QMimeData *pasteboard);
    bool canWriteSelectedItemsToPasteboard() const;
    bool writeSelectedItemsToPasteboard(QMimeData *pasteboard);
    // Copy and paste with the clipboard; enabled as the can… answers (select all: any item).
    void copy();
    void paste();
    bool canCopy() const { return canWriteSelectedItemsToPasteboard(); }
    bool canPaste() const;
    bool canSelectAll() const { return numberOfItems() > 0; }
    // A drag may start at the point (content coordinates): a selected item with something to carry.
    bool canBeginDragging(const QPointF &point);
    // The selected items that can be dragged, ascending, each framed at its cell.
    QList<MCBrowserViewDraggingItem> draggingItems();
    // What a drag of those items carries: their URLs as text/uri-list.
    static QMimeData *newDraggingData(const QList<MCBrowserViewDraggingItem> &items);
    QImage dragImageAtIndexPath(const MCIndexPath &path, const QSizeF &size, QPointF *offset = nullptr);

    // ---- preview window
    // The number of selected items and the i-th of them (ascending).
    qint64 numberOfPreviewItems() const { return selectionCount(); }
    std::optional<MCBrowserViewPreviewItem> previewItemAtIndex(qint64 index);
    // Space: shows or hides the shared preview window for this view (Alt: full screen).
    void togglePreviewPanel(bool fullScreen = false);
    // The shared preview window when it exists and this view controls it.
    MCBrowserViewPreviewPanel *previewPanel() const;
    // Keys typed in the preview window come here (arrows move the selection, Space closes).
    bool handlePreviewPanelKeyEvent(QKeyEvent *event);

    // The data source's empty-grid message, centred (the owner decides when to draw it).
    void drawMessage(QPainter *painter);

    // ---- layout delegate
    QSizeF layoutItemCellSizeForBounds(MCBrowserViewLayout *layout, const QRectF &bounds) override;
    QSizeF layoutHeaderCellSizeForBounds(MCBrowserViewLayout *layout, const QRectF &bounds) override;

    // Mouse selection, also driven by tests: a press at a content point with modifiers, drags
    // to other points, and the release.
    void startSelection(const QPointF &point, Qt::KeyboardModifiers modifiers);
    void makeSelectionInRect(const QRectF &rect);
    void stopSelection();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class Set { Main, Alternate };
    MCIndexSet &indexes(Set set) { return set == Set::Main ? m_selection : m_alternateSelection; }
    std::optional<MCIndexPath> pathOrNone(qint64 item) const;
    bool changeSelection(Set set, const MCIndexSet &indexes, bool extend, bool notify);
    bool selectIndexIn(Set set, qint64 index, bool extend, bool autoscroll, bool notify);
    bool selectRangeIn(Set set, const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify);
    bool selectGroupIn(Set set, qint64 group, bool extend, bool notify);
    void moveSideways(Set set, int direction, bool extend);
    void setSelectionRect(const QRectF &rect);
    void appendGroups();
    void updateScrollBars();
    void setVisibleOrigin(const QPointF &origin);
    void drawSelection(QPainter *painter, const QRectF &dirty);
    void rightClick(const QPointF &point, const QPoint &globalPosition);
    bool handleNavigationKey(QKeyEvent *event);
    void beginDragging(const QPointF &point);
    void trackSelectionTo(const QPointF &viewportPoint);
    void autoscrollTick();

    double m_scale = 0.5;
    double m_minScale = 0.25;
    double m_maxScale = 1.0;
    bool m_allowsAlternateSelection = false;
    bool m_allowsEmptySelection = true;
    bool m_allowsMultipleSelection = true;
    bool m_allowsDrop = true;
    bool m_allowsPreviewPanel = true;
    std::shared_ptr<MCBrowserViewCell> m_headerCell;
    std::shared_ptr<MCBrowserViewCell> m_itemCell;
    MCBrowserViewLayout m_contentLayout;
    quint64 m_selectionMode = 0;
    QRectF m_selectionRect;
    bool m_selectionSwapped = false;
    MCIndexSet m_selection;
    std::optional<MCIndexSet> m_selectionOld; // the working set when a mouse selection started
    MCIndexSet m_alternateSelection;
    QColor m_selectionFillColor;
    QColor m_selectionStrokeColor;
    QColor m_alternateSelectionFillColor;
    QColor m_alternateSelectionStrokeColor;
    MCBrowserViewDelegate *m_delegate = nullptr;
    MCBrowserViewDataSource *m_dataSource = nullptr;
    MCBrowserViewPrefetching *m_prefetchDataSource = nullptr;
    MCIndexSet m_visibleIndexes;
    QRectF m_preparedContentRect;
    QStringList m_registeredDraggedTypes;

    // Mouse tracking between press and release.
    bool m_tracking = false;
    QPointF m_trackStart;       // content point of the press
    QPointF m_trackLast;        // last content point handled
    QPointF m_trackViewport;    // last pointer position in the viewport
    QTimer m_autoscrollTimer;   // 0.25 s, then every 0.05 s while the button is down
    QPointer<QDrag> m_activeDrag; // while a drag of our items runs
    bool m_dragPending = false; // pressed on a selected item: a drag or, on a quick release, a click
    QPointF m_dragPressPoint;
    Qt::KeyboardModifiers m_dragPressModifiers;
    QTimer m_dragTimer;         // holding still for 0.25 s starts the drag too
};
