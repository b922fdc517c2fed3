// Selection of the thumbnail grid: the main and the alternate selection, mouse selection with a
// rubber band, and keyboard navigation.
#include "halvard/browser/MCBrowserView.h"

#include "halvard/browser/MCBrowserViewPreviewPanel.h"
#include "halvard/collections/MCCollectionExtensions.h"

#include <QScrollBar>

#include <algorithm>

// ---- changes --------------------------------------------------------------------------------

bool MCBrowserView::changeSelection(Set set, const MCIndexSet &newIndexes, bool extend, bool notify)
{
    MCIndexSet &current = indexes(set);
    if ((extend || !m_allowsEmptySelection) && newIndexes.isEmpty())
        return false;
    if (extend) {
        if (current.containsIndexes(newIndexes))
            return false;
        current.addIndexes(newIndexes);
    } else {
        if (current == newIndexes)
            return false;
        current = newIndexes;
    }
    if (notify)
        notifySelectionDidChange();
    viewport()->update();
    return true;
}

bool MCBrowserView::setSelectionIndexes(const MCIndexSet &set, bool extend, bool notify)
{
    return changeSelection(Set::Main, set, extend, notify);
}

bool MCBrowserView::setAlternateSelectionIndexes(const MCIndexSet &set, bool extend, bool notify)
{
    return changeSelection(Set::Alternate, set, extend, notify);
}

void MCBrowserView::setSelectionIndexPaths(const QList<MCIndexPath> &paths)
{
    changeSelection(Set::Main, m_contentLayout.itemIndexesFromIndexPaths(paths), false, true);
}

void MCBrowserView::setAlternateSelectionIndexPaths(const QList<MCIndexPath> &paths)
{
    changeSelection(Set::Alternate, m_contentLayout.itemIndexesFromIndexPaths(paths), false, true);
}

bool MCBrowserView::selectIndexIn(Set set, qint64 index, bool extend, bool autoscroll, bool notify)
{
    if (index == MCNotFound || index < 0)
        return false;
    const bool changed = changeSelection(set, MCIndexSet(index), extend, notify);
    if (changed && autoscroll)
        scrollToIndex(index);
    return changed;
}

bool MCBrowserView::selectRangeIn(Set set, const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify)
{
    const bool changed = changeSelection(set, MCIndexSet(range), extend, notify);
    if (changed && autoscrollToIndex != MCNotFound)
        scrollToIndex(autoscrollToIndex);
    return changed;
}

bool MCBrowserView::selectGroupIn(Set set, qint64 group, bool extend, bool notify)
{
    const MCRange range = m_contentLayout.layoutMatrix().itemsRangeOfSectionAtIndex(group);
    const bool changed = changeSelection(set, MCIndexSet(range), extend, notify);
    if (changed)
        scrollToIndex(range.max() - 1);
    return changed;
}

bool MCBrowserView::selectIndex(qint64 index, bool extend, bool autoscroll, bool notify)
{
    return selectIndexIn(Set::Main, index, extend, autoscroll, notify);
}

bool MCBrowserView::alternateSelectIndex(qint64 index, bool extend, bool autoscroll, bool notify)
{
    return selectIndexIn(Set::Alternate, index, extend, autoscroll, notify);
}

bool MCBrowserView::selectRange(const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify)
{
    return selectRangeIn(Set::Main, range, extend, autoscrollToIndex, notify);
}

bool MCBrowserView::alternateSelectRange(const MCRange &range, bool extend, qint64 autoscrollToIndex, bool notify)
{
    return selectRangeIn(Set::Alternate, range, extend, autoscrollToIndex, notify);
}

bool MCBrowserView::selectItemAtIndexPath(const MCIndexPath &path, bool extend, bool autoscroll, bool notify)
{
    return selectIndexIn(Set::Main, m_contentLayout.itemIndexFromIndexPath(path), extend, autoscroll, notify);
}

bool MCBrowserView::alternateSelectItemAtIndexPath(const MCIndexPath &path, bool extend, bool autoscroll, bool notify)
{
    return selectIndexIn(Set::Alternate, m_contentLayout.itemIndexFromIndexPath(path), extend, autoscroll, notify);
}

bool MCBrowserView::selectGroupAtIndex(qint64 group, bool extend, bool notify)
{
    return selectGroupIn(Set::Main, group, extend, notify);
}

bool MCBrowserView::alternateSelectGroupAtIndex(qint64 group, bool extend, bool notify)
{
    return selectGroupIn(Set::Alternate, group, extend, notify);
}

void MCBrowserView::swapAlternateSelection()
{
    std::swap(m_selection, m_alternateSelection);
    m_selectionSwapped = !m_selectionSwapped;
    notifySelectionDidChange();
    viewport()->update();
}

bool MCBrowserView::deselectAll()
{
    if ((m_selection.isEmpty() && m_alternateSelection.isEmpty()) || !m_allowsEmptySelection)
        return false;
    const bool changed = !m_selection.isEmpty() || !m_alternateSelection.isEmpty();
    m_selection.removeAllIndexes();
    m_alternateSelection.removeAllIndexes();
    if (changed) {
        notifySelectionDidChange();
        viewport()->update();
    }
    return changed;
}

void MCBrowserView::notifySelectionDidChange()
{
    if (m_delegate)
        m_delegate->browserViewSelectionDidChange(this);
    if (MCBrowserViewPreviewPanel *panel = previewPanel(); panel && panel->isVisible())
        panel->reloadData();
}

// ---- mouse selection ------------------------------------------------------------------------

void MCBrowserView::startSelection(const QPointF &point, Qt::KeyboardModifiers modifiers)
{
    m_selectionMode = 0;
    const qint64 item = m_contentLayout.itemIndexAtPoint(point);
    if (m_allowsAlternateSelection && item != MCNotFound) {
        if (modifiers & Qt::AltModifier) {
            if (m_selection.containsIndex(item))
                swapAlternateSelection();
            else
                m_selectionMode = MCBrowserViewSelectionAlternate;
        } else if (m_alternateSelection.containsIndex(item)) {
            swapAlternateSelection();
        }
    }
    if (!m_allowsMultipleSelection)
        m_selectionMode |= MCBrowserViewSelectionSingle;
    else if (modifiers & Qt::ControlModifier)
        m_selectionMode |= MCBrowserViewSelectionToggle;
    else if (modifiers & Qt::ShiftModifier)
        m_selectionMode |= MCBrowserViewSelectionExtend;

    const bool alternate = m_selectionMode & MCBrowserViewSelectionAlternate;
    MCIndexSet &working = indexes(alternate ? Set::Alternate : Set::Main);
    const MCIndexSet &other = indexes(alternate ? Set::Main : Set::Alternate);
    // Shift-click fills the gap between the selection and the clicked item. (Nothing to fill
    // when nothing is selected yet.)
    if ((m_selectionMode & MCBrowserViewSelectionExtend) && item != MCNotFound && !working.isEmpty()) {
        const qint64 first = working.firstIndex();
        if (item + 1 < first) {
            working.addIndexesInRange({item + 1, first - item - 1});
            if (m_allowsAlternateSelection)
                working.removeIndexes(other);
        }
        const qint64 last = working.lastIndex();
        if (last + 1 < item) {
            working.addIndexesInRange({last + 1, item - last - 1});
            if (m_allowsAlternateSelection)
                working.removeIndexes(other);
        }
    }
    m_selectionOld = working;
    makeSelectionInRect(QRectF(point.x() - 0.5, point.y() - 0.5, 1, 1));
}

void MCBrowserView::makeSelectionInRect(const QRectF &rect)
{
    const bool alternate = m_selectionMode & MCBrowserViewSelectionAlternate;
    const bool toggle = m_selectionMode & MCBrowserViewSelectionToggle;
    const bool useOld = m_selectionMode & (MCBrowserViewSelectionExtend | MCBrowserViewSelectionToggle);
    const MCIndexSet old = m_selectionOld.value_or(MCIndexSet());
    const MCIndexSet &other = indexes(alternate ? Set::Main : Set::Alternate);
    const bool skipOther = alternate || m_allowsAlternateSelection;

    // Outside the band every item keeps its state from mouse-down (extending or toggling) or is
    // dropped; inside it is selected, or flipped when toggling. Only the band's cells are visited.
    MCIndexSet selected = useOld ? old : MCIndexSet();
    const qint64 rows = m_contentLayout.numberOfRows(), columns = m_contentLayout.numberOfColumns();
    if (rows > 0 && columns > 0 && numberOfItems() > 0) {
        const qint64 r0 = std::min(m_contentLayout.rowForPoint(rect.topLeft()), rows - 1);
        const qint64 r1 = std::min(m_contentLayout.rowForPoint(rect.bottomRight()), rows - 1);
        const qint64 c0 = std::min(m_contentLayout.columnForPoint(rect.topLeft()), columns - 1);
        const qint64 c1 = std::min(m_contentLayout.columnForPoint(rect.bottomRight()), columns - 1);
        for (qint64 row = r0; row <= r1; ++row)
            for (qint64 column = c0; column <= c1; ++column) {
                const qint64 item = m_contentLayout.itemIndexFromCellIndex(m_contentLayout.cellIndexAtRow(row, column));
                if (item == MCNotFound)
                    continue;
                if (!m_contentLayout.hitTestItemAtRow(row, column, rect))
                    continue;
                const bool wasSelected = useOld && old.containsIndex(item);
                if (toggle && wasSelected)
                    selected.removeIndex(item);
                else
                    selected.addIndex(item);
            }
    }
    if (skipOther)
        selected.removeIndexes(other);
    changeSelection(alternate ? Set::Alternate : Set::Main, selected, false, false);
    setSelectionRect(rect);
}

void MCBrowserView::stopSelection()
{
    const bool alternate = m_selectionMode & MCBrowserViewSelectionAlternate;
    MCIndexSet &working = indexes(alternate ? Set::Alternate : Set::Main);
    const MCIndexSet old = m_selectionOld.value_or(MCIndexSet());
    bool changed = false;
    if (m_allowsEmptySelection || !working.isEmpty()) {
        changed = working != old;
    } else {
        working = old;
        viewport()->update();
    }
    m_selectionOld.reset();
    setSelectionRect(QRectF());
    if (changed)
        notifySelectionDidChange();
}

void MCBrowserView::setSelectionRect(const QRectF &rect)
{
    if (rect == m_selectionRect)
        return;
    // Repaint only the strips where the band changed (and its one-pixel outline).
    const QPointF origin = visibleRect().topLeft();
    const auto grown = [&](const QRectF &r) { return r.translated(-origin).adjusted(-1.5, -1.5, 1.5, 1.5).toAlignedRect(); };
    QRegion dirty;
    if (!m_selectionRect.isEmpty())
        dirty += grown(m_selectionRect);
    if (!rect.isEmpty())
        dirty += grown(rect);
    if (!m_selectionRect.isEmpty() && !rect.isEmpty()) {
        const QRectF inner = m_selectionRect.intersected(rect);
        if (inner.width() > 4 && inner.height() > 4)
            dirty -= inner.translated(-origin).adjusted(2, 2, -2, -2).toAlignedRect();
    }
    m_selectionRect = rect;
    viewport()->update(dirty);
}

// ---- keyboard navigation --------------------------------------------------------------------

qint64 MCBrowserView::offsetIndex(qint64 index, qint64 offset, const MCIndexSet &skipping) const
{
    const qint64 n = numberOfItems();
    if (offset == 0)
        return 0;
    if (n == 0)
        return MCNotFound;
    if (offset > 0) {
        const qint64 start = index == MCNotFound ? 0 : std::min(index + offset, n - 1);
        return halvard::missedIndexGreaterThanOrEqualToIndex(skipping, start, {0, n});
    }
    const qint64 start = index == MCNotFound ? n - 1 : std::max(index + offset, qint64(0));
    return halvard::missedIndexLessThanOrEqualToIndex(skipping, start, {0, n});
}

void MCBrowserView::moveSelectionUp(qint64 rows, bool extend)
{
    const qint64 n = numberOfItems();
    if (m_selection.isEmpty()) {
        if (n > 0)
            selectIndex(n - 1, false, true);
        return;
    }
    const qint64 first = m_selection.firstIndex();
    const qint64 target = m_contentLayout.offsetItemIndex(first, -rows, 0);
    if (target == MCNotFound)
        return;
    if (extend) {
        if (target < first)
            selectRange({target, first - target}, true, target);
    } else {
        selectIndex(target, false, true);
    }
}

void MCBrowserView::moveSelectionDown(qint64 rows, bool extend)
{
    const qint64 n = numberOfItems();
    if (m_selection.isEmpty()) {
        if (n > 0)
            selectIndex(0, false, true);
        return;
    }
    const qint64 last = m_selection.lastIndex();
    const qint64 target = m_contentLayout.offsetItemIndex(last, rows, 0);
    if (target == MCNotFound)
        return;
    if (extend) {
        if (target > last)
            selectRange({last + 1, target - last}, true, target);
    } else {
        selectIndex(target, false, true);
    }
}

void MCBrowserView::moveSideways(Set set, int direction, bool extend)
{
    const qint64 n = numberOfItems();
    const MCIndexSet &working = indexes(set);
    const MCIndexSet &other = indexes(set == Set::Main ? Set::Alternate : Set::Main);
    if (n == 0)
        return;
    if (direction < 0) {
        const qint64 first = working.firstIndex();
        if (first == 0)
            return;
        const qint64 target = offsetIndex(first, -1, other);
        if (target == MCNotFound) {
            if (first != MCNotFound)
                scrollToIndex(first - 1);
            return;
        }
        selectIndexIn(set, target, extend, true, true);
    } else {
        const qint64 last = working.lastIndex();
        if (last == n - 1)
            return;
        const qint64 target = offsetIndex(last, 1, other);
        if (target != MCNotFound)
            selectIndexIn(set, target, extend, true, true);
        else if (last != MCNotFound && last + 1 < n)
            scrollToIndex(last + 1);
    }
}

void MCBrowserView::moveSelectionLeft(bool extend) { moveSideways(Set::Main, -1, extend); }
void MCBrowserView::moveSelectionRight(bool extend) { moveSideways(Set::Main, 1, extend); }
void MCBrowserView::alternateMoveSelectionLeft(bool extend) { moveSideways(Set::Alternate, -1, extend); }
void MCBrowserView::alternateMoveSelectionRight(bool extend) { moveSideways(Set::Alternate, 1, extend); }

void MCBrowserView::moveWordLeft()
{
    if (m_allowsAlternateSelection)
        alternateMoveSelectionLeft(false);
}

void MCBrowserView::moveWordRight()
{
    if (m_allowsAlternateSelection)
        alternateMoveSelectionRight(false);
}

void MCBrowserView::moveWordLeftAndModifySelection()
{
    if (m_allowsAlternateSelection)
        alternateMoveSelectionLeft(true);
}

void MCBrowserView::moveWordRightAndModifySelection()
{
    if (m_allowsAlternateSelection)
        alternateMoveSelectionRight(true);
}

void MCBrowserView::selectAll()
{
    if (!m_allowsMultipleSelection)
        return;
    const qint64 n = numberOfItems();
    if (n > 0)
        setSelectionIndexes(MCIndexSet(MCRange{0, n}), true, true);
}

// ---- scrolling by keys ----------------------------------------------------------------------

void MCBrowserView::scrollLineUp()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.translate(-m_contentLayout.itemSize().width(), 0);
    else
        visible.translate(0, -m_contentLayout.itemSize().height());
    scrollToVisibleRect(visible);
}

void MCBrowserView::scrollLineDown()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.translate(m_contentLayout.itemSize().width(), 0);
    else
        visible.translate(0, m_contentLayout.itemSize().height());
    scrollToVisibleRect(visible);
}

void MCBrowserView::scrollPageUp()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.translate(-visible.width(), 0);
    else
        visible.translate(0, -visible.height());
    scrollToVisibleRect(visible);
}

void MCBrowserView::scrollPageDown()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.translate(visible.width(), 0);
    else
        visible.translate(0, visible.height());
    scrollToVisibleRect(visible);
}

void MCBrowserView::scrollToBeginningOfDocument()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.moveLeft(bounds().left());
    else
        visible.moveTop(bounds().top());
    scrollToVisibleRect(visible);
}

void MCBrowserView::scrollToEndOfDocument()
{
    QRectF visible = visibleRect();
    if (isHorizontal())
        visible.moveLeft(bounds().right() - visible.width());
    else
        visible.moveTop(bounds().bottom() - visible.height());
    scrollToVisibleRect(visible);
}
