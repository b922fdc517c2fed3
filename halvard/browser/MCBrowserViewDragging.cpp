// The thumbnail grid as a drag source and destination, with copy and paste through the clipboard
// and the preview window.
#include "halvard/browser/MCBrowserView.h"

#include "halvard/browser/MCBrowserViewPreviewPanel.h"

#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

quint64 MCBrowserViewSourceOperationMask(qint64 context)
{
    switch (context) {
    case MCDraggingContextOutsideApplication:
        return MCDragOperationCopy | MCDragOperationDelete;
    case MCDraggingContextWithinApplication:
        return MCDragOperationCopy;
    default:
        return MCDragOperationNone;
    }
}

// ---- dragging source ------------------------------------------------------------------------

bool MCBrowserView::canBeginDragging(const QPointF &point)
{
    if (!m_delegate)
        return false;
    const qint64 item = m_contentLayout.itemIndexAtPoint(point);
    if (item == MCNotFound || !m_selection.containsIndex(item))
        return false;
    return !m_delegate->browserViewPasteboardWriterForItemAtIndexPath(this, *pathOrNone(item)).isEmpty();
}

QList<MCBrowserViewDraggingItem> MCBrowserView::draggingItems()
{
    QList<MCBrowserViewDraggingItem> items;
    if (!m_delegate)
        return items;
    m_selection.forEachIndex([&](qint64 item) {
        const std::optional<MCIndexPath> path = pathOrNone(item);
        if (!path)
            return;
        const QUrl url = m_delegate->browserViewPasteboardWriterForItemAtIndexPath(this, *path);
        if (!url.isEmpty())
            items.append({*path, url, m_contentLayout.cellFrameAtItemIndex(item)});
    });
    return items;
}

QMimeData *MCBrowserView::newDraggingData(const QList<MCBrowserViewDraggingItem> &items)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    urls.reserve(items.size());
    for (const MCBrowserViewDraggingItem &item : items)
        urls.append(item.url);
    data->setUrls(urls); // text/uri-list, which file managers and other programs accept
    return data;
}

QImage MCBrowserView::dragImageAtIndexPath(const MCIndexPath &path, const QSizeF &size, QPointF *offset)
{
    MCBrowserViewCell *cell = preparedItemCellAtIndexPath(path);
    return cell ? cell->dragImageWithSize(size, offset) : QImage();
}

void MCBrowserView::beginDragging(const QPointF &point)
{
    const QList<MCBrowserViewDraggingItem> items = draggingItems();
    if (items.isEmpty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(newDraggingData(items));
    // One picture stands for the drag: the cell under the pointer, held where it was grabbed.
    const qint64 pressed = m_contentLayout.itemIndexAtPoint(point);
    const MCBrowserViewDraggingItem *shown = &items.first();
    for (const MCBrowserViewDraggingItem &item : items)
        if (m_contentLayout.itemIndexFromIndexPath(item.indexPath) == pressed)
            shown = &item;
    const QImage image = dragImageAtIndexPath(shown->indexPath, shown->draggingFrame.size());
    if (!image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(image));
        drag->setHotSpot((point - shown->draggingFrame.topLeft()).toPoint());
    }
    if (m_delegate)
        m_delegate->browserViewDraggingSessionWillBegin(this, drag, point);
    // Copy only: a move would let another program take the files away from under the library.
    m_activeDrag = drag;
    const Qt::DropAction action = drag->exec(Qt::CopyAction, Qt::CopyAction);
    m_activeDrag = nullptr;
    if (m_delegate)
        m_delegate->browserViewDraggingSessionEnded(this, drag, action);
    drag->deleteLater();
}

bool MCBrowserView::isDraggingSource(const QMimeData *data) const
{
    return data && m_activeDrag && m_activeDrag->mimeData() == data;
}

// ---- dragging destination -------------------------------------------------------------------

void MCBrowserView::registerForDraggedTypes(const QStringList &types)
{
    m_registeredDraggedTypes = types;
    viewport()->setAcceptDrops(!types.isEmpty());
    setAcceptDrops(!types.isEmpty());
}

namespace {

bool carriesRegisteredType(const QMimeData *data, const QStringList &types)
{
    if (!data)
        return false;
    for (const QString &type : types)
        if (data->hasFormat(type))
            return true;
    return false;
}

} // namespace

void MCBrowserView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_delegate || !carriesRegisteredType(event->mimeData(), m_registeredDraggedTypes)) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = m_delegate->browserViewValidateDrop(this, event->mimeData(), event->possibleActions());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void MCBrowserView::dragMoveEvent(QDragMoveEvent *event) { event->accept(); }

void MCBrowserView::dropEvent(QDropEvent *event)
{
    if (m_delegate && m_delegate->browserViewAcceptDrop(this, event->mimeData(), event->dropAction()))
        event->acceptProposedAction();
    else
        event->ignore();
}

// ---- pasteboard -----------------------------------------------------------------------------

bool MCBrowserView::canReadItemsFromPasteboard(const QMimeData *pasteboard) const
{
    return m_delegate && carriesRegisteredType(pasteboard, m_registeredDraggedTypes);
}

bool MCBrowserView::readItemsFromPasteboard(const QMimeData *pasteboard)
{
    return canReadItemsFromPasteboard(pasteboard) && m_delegate->browserViewReadItemsFromPasteboard(this, pasteboard);
}

bool MCBrowserView::canWriteSelectedItemsToPasteboard() const { return m_delegate && hasSelection(); }

bool MCBrowserView::writeSelectedItemsToPasteboard(QMimeData *pasteboard)
{
    return canWriteSelectedItemsToPasteboard() &&
           m_delegate->browserViewWriteItemsToPasteboard(this, selectionIndexPaths(), pasteboard);
}

void MCBrowserView::copy()
{
    auto data = std::make_unique<QMimeData>();
    if (writeSelectedItemsToPasteboard(data.get()))
        QGuiApplication::clipboard()->setMimeData(data.release());
}

bool MCBrowserView::canPaste() const { return canReadItemsFromPasteboard(QGuiApplication::clipboard()->mimeData()); }

void MCBrowserView::paste() { readItemsFromPasteboard(QGuiApplication::clipboard()->mimeData()); }

// ---- preview window -------------------------------------------------------------------------

std::optional<MCBrowserViewPreviewItem> MCBrowserView::previewItemAtIndex(qint64 index)
{
    if (!m_delegate || index < 0 || index >= selectionCount())
        return std::nullopt;
    const qint64 item = halvard::indexAtIndex(m_selection, index);
    const std::optional<MCIndexPath> path = pathOrNone(item);
    if (!path)
        return std::nullopt;
    std::optional<MCPreviewItem> preview = m_delegate->browserViewPreviewItemAtIndexPath(this, *path);
    if (!preview)
        return std::nullopt;
    return MCBrowserViewPreviewItem(std::move(*preview), *path);
}

MCBrowserViewPreviewPanel *MCBrowserView::previewPanel() const
{
    if (!MCBrowserViewPreviewPanel::sharedPreviewPanelExists())
        return nullptr;
    MCBrowserViewPreviewPanel *panel = MCBrowserViewPreviewPanel::sharedPreviewPanel();
    return panel->controller() == this ? panel : nullptr;
}

void MCBrowserView::togglePreviewPanel(bool fullScreen)
{
    if (!m_allowsPreviewPanel)
        return;
    MCBrowserViewPreviewPanel *panel = MCBrowserViewPreviewPanel::sharedPreviewPanel();
    if (panel->isVisible() && panel->controller() == this) {
        panel->hide();
        activateWindow();
        return;
    }
    panel->beginControl(this);
    if (fullScreen) {
        panel->showFullScreen();
    } else {
        panel->showNormal();
        panel->raise();
        panel->activateWindow();
    }
}

bool MCBrowserView::handlePreviewPanelKeyEvent(QKeyEvent *event)
{
    keyPressEvent(event);
    return true;
}
