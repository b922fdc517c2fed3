#include "halvard/browser/MCBrowserView.h"
#include "halvard/browser/MCBrowserViewPreviewPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

const QColor kPlain(128, 128, 128), kSelected(0, 0, 255), kAlternate(0, 200, 0);

// 200 × 240 at scale 1: 100 × 120 at the view's default scale of 0.5.
class TestCell : public MCBrowserViewCell
{
public:
    QSizeF cellSizeForBounds(const QRectF &, double scale) override { return QSizeF(200 * scale, 240 * scale); }
    QRectF imageRectForBounds(const QRectF &bounds) override { return bounds.adjusted(5, 5, -5, -5); }
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *) override
    {
        ++draws;
        painter->fillRect(frame, isSelected() ? kSelected : isSelectedAlternate() ? kAlternate : kPlain);
    }
    void drawImageInRect(QPainter *, const QRectF &) override {}
    int draws = 0;
};

// Data source, delegate and prefetching in one, recording what the view tells it.
class Model : public MCBrowserViewDataSource, public MCBrowserViewDelegate, public MCBrowserViewPrefetching
{
public:
    std::vector<qint64> groups;
    int updates = 0, selectionChanges = 0, scaleChanges = 0;
    QList<std::optional<MCIndexPath>> doubleClicks;
    QList<MCIndexPath> rightClicks, prefetched, cancelled;
    bool draggable = true;
    QList<QUrl> pasted;
    QString previewFile; // the file every item previews, when set
    QString emptyMessage;
    QList<qint64> headersUpdated;

    static QUrl urlOf(const MCIndexPath &path)
    {
        return QUrl::fromLocalFile(QStringLiteral("/photos/%1-%2.jpg").arg(path.groupIndex()).arg(path.itemIndex()));
    }

    qint64 numberOfGroupsInBrowserView(MCBrowserView *) override { return qint64(groups.size()); }
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group) override { return groups.at(group); }
    void browserViewUpdateItemCell(MCBrowserView *, MCBrowserViewCell *, const MCIndexPath &) override { ++updates; }
    void browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *, qint64 group) override
    {
        headersUpdated.append(group);
    }
    QString messageStringForEmptyBrowserView(MCBrowserView *, QImage *) override { return emptyMessage; }

    void browserViewScaleDidChange(MCBrowserView *) override { ++scaleChanges; }
    void browserViewSelectionDidChange(MCBrowserView *) override { ++selectionChanges; }
    void browserViewCellWasDoubleClicked(MCBrowserView *, const std::optional<MCIndexPath> &path) override
    {
        doubleClicks.append(path);
    }
    void browserViewCellWasRightClicked(MCBrowserView *, const MCIndexPath &path, const QPoint &) override
    {
        rightClicks.append(path);
    }
    QUrl browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *, const MCIndexPath &path) override
    {
        return draggable ? urlOf(path) : QUrl();
    }
    bool browserViewWriteItemsToPasteboard(MCBrowserView *, const QList<MCIndexPath> &paths, QMimeData *pasteboard) override
    {
        QList<QUrl> urls;
        for (const MCIndexPath &path : paths)
            urls.append(urlOf(path));
        pasteboard->setUrls(urls);
        return true;
    }
    bool browserViewReadItemsFromPasteboard(MCBrowserView *, const QMimeData *pasteboard) override
    {
        pasted = pasteboard->urls();
        return true;
    }
    std::optional<MCPreviewItem> browserViewPreviewItemAtIndexPath(MCBrowserView *, const MCIndexPath &path) override
    {
        return MCPreviewItem{previewFile.isEmpty() ? urlOf(path).toLocalFile() : previewFile,
                             QStringLiteral("Item %1").arg(path.itemIndex())};
    }

    void browserViewPrefetchItemsAtIndexPaths(MCBrowserView *, const QList<MCIndexPath> &paths) override
    {
        prefetched += paths;
    }
    void browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *, const QList<MCIndexPath> &paths) override
    {
        cancelled += paths;
    }
};

// A full-width band of 30 points.
class TestHeader : public TestCell
{
public:
    QSizeF cellSizeForBounds(const QRectF &bounds, double) override { return QSizeF(bounds.width(), 30); }
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *) override
    {
        painter->fillRect(frame, Qt::red);
    }
};

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// A grid whose viewport is exactly 500 × 400: four columns of 100 × 120 cells at x 20, 140, 260
// and 380, rows every 132 points from y 12.
class BrowserViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.setFrameShape(QFrame::NoFrame);
        cell = std::make_shared<TestCell>();
        view.setItemCell(cell);
        view.setDataSource(&model);
        view.setDelegate(&model);
        view.setPrefetchDataSource(&model);
        view.resize(600, 400);
        view.show();
        QApplication::processEvents();
        view.resize(500 + view.width() - view.viewport()->width(), 400 + view.height() - view.viewport()->height());
        QApplication::processEvents();
        ASSERT_EQ(view.viewport()->size(), QSize(500, 400));
    }
    void load(std::vector<qint64> groups)
    {
        model.groups = std::move(groups);
        view.reloadData();
    }
    // The centre of an item's cell in viewport coordinates.
    QPoint at(qint64 item) const
    {
        return (view.contentLayout().cellFrameAtItemIndex(item).center() - view.visibleRect().topLeft()).toPoint();
    }
    QColor pixelAt(const QPoint &point) { return view.viewport()->grab().toImage().pixelColor(point); }
    bool sendKey(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }

    Model model;
    std::shared_ptr<TestCell> cell;
    MCBrowserView view;
};

} // namespace

TEST_F(BrowserViewTest, ReloadClearsTheSelectionSilentlyAndAppendingKeepsItsItems)
{
    load({5, 2});
    EXPECT_EQ(view.numberOfItems(), 7);
    view.setSelectionIndexes(MCIndexSet{1, 6}, false);
    EXPECT_EQ(model.selectionChanges, 1);
    view.reloadData();
    EXPECT_FALSE(view.hasSelection());
    EXPECT_EQ(model.selectionChanges, 1);

    // Items appended to group 0: the selected item of group 1 keeps its place.
    view.setSelectionIndexes(MCIndexSet{1, 6}, false);
    model.groups = {7, 2};
    view.noteItemsAppended();
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{1, 8}));
    EXPECT_EQ(view.selectionIndexPaths().last(), MCIndexPath::indexPathForItem(1, 1));

    // A data source that shrank without a reload is ignored until the owner reloads.
    model.groups = {7};
    view.noteItemsAppended();
    EXPECT_EQ(view.numberOfItems(), 9);
    view.reloadData();
    EXPECT_EQ(view.numberOfItems(), 7);

    // No groups at all, and no data source: an empty grid.
    load({});
    EXPECT_EQ(view.numberOfItems(), 0);
    view.grab();
    view.setDataSource(nullptr);
    view.reloadData();
    EXPECT_EQ(view.numberOfItems(), 0);
}

TEST_F(BrowserViewTest, ScaleChangesOnceAndZoomStopsAtTheLimits)
{
    load({20});
    view.setScale(0.5);
    EXPECT_EQ(model.scaleChanges, 0);
    view.setScale(0.75);
    view.setScale(0.75);
    EXPECT_EQ(model.scaleChanges, 1);
    EXPECT_EQ(view.contentLayout().itemSize(), QSizeF(150, 180));

    view.magnify(1.0);
    EXPECT_EQ(view.scale(), 1.0);
    view.magnify(0.1);
    EXPECT_EQ(view.scale(), 1.0);
    view.magnify(-5);
    EXPECT_EQ(view.scale(), 0.25);
    view.magnify(-0.1);
    EXPECT_EQ(view.scale(), 0.25);

    // Ctrl+wheel zooms; a plain wheel scrolls.
    QWheelEvent wheel(QPointF(100, 100), view.viewport()->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_DOUBLE_EQ(view.scale(), 0.3);

    view.setScale(3.0); // not clamped
    EXPECT_EQ(view.scale(), 3.0);
}

TEST_F(BrowserViewTest, DrawsOnlyTheVisibleCellsOfAMillionItems)
{
    load({1000000});
    EXPECT_EQ(view.contentLayout().numberOfColumns(), 4);
    cell->draws = 0;
    model.updates = 0;
    const QImage image = view.viewport()->grab().toImage();
    // Four columns by at most four visible rows.
    EXPECT_GT(cell->draws, 0);
    EXPECT_LE(cell->draws, 16);
    EXPECT_EQ(model.updates, cell->draws);
    EXPECT_TRUE(near(image.pixelColor(at(0)), kPlain));
    EXPECT_TRUE(near(image.pixelColor(QPoint(10, 50)), view.viewport()->palette().color(QPalette::Base)));

    view.selectIndex(1, false, false);
    EXPECT_TRUE(near(pixelAt(at(1)), kSelected));
    EXPECT_TRUE(near(pixelAt(at(0)), kPlain));

    view.scrollToIndex(999999);
    EXPECT_TRUE(view.visibleRect().contains(view.contentLayout().cellFrameAtItemIndex(999999)));
    cell->draws = 0;
    EXPECT_TRUE(near(pixelAt(at(999999)), kPlain));
    EXPECT_LE(cell->draws, 16);
}

TEST_F(BrowserViewTest, PrefetchesTheRowsAboutToAppearAndCancelsThoseThatLeft)
{
    load({400});
    // Visible rows 0-3 and half a screen below: rows 0-4.
    EXPECT_EQ(view.visibleIndexes(), MCIndexSet(MCRange{0, 20}));
    EXPECT_EQ(model.prefetched.size(), 20);
    EXPECT_EQ(model.prefetched.first(), MCIndexPath::indexPathForItem(0, 0));
    EXPECT_TRUE(model.cancelled.isEmpty());

    model.prefetched.clear();
    view.verticalScrollBar()->setValue(1320); // ten rows down
    EXPECT_TRUE(model.cancelled.contains(MCIndexPath::indexPathForItem(0, 0)));
    EXPECT_FALSE(model.cancelled.contains(MCIndexPath::indexPathForItem(40, 0)));
    EXPECT_TRUE(model.prefetched.contains(MCIndexPath::indexPathForItem(40, 0)));
    EXPECT_EQ(model.prefetched.size() - model.cancelled.size(), view.visibleIndexes().count() - 20);
    // Only the difference is sent: scrolling one pixel within a row sends nothing.
    const qsizetype sent = model.prefetched.size();
    view.verticalScrollBar()->setValue(1321);
    EXPECT_EQ(model.prefetched.size(), sent);

    model.cancelled.clear();
    view.reloadData();
    EXPECT_FALSE(model.cancelled.isEmpty());
}

TEST_F(BrowserViewTest, ClicksSelectExtendAndToggle)
{
    load({12});
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(3));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{3});
    EXPECT_EQ(model.selectionChanges, 1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(7));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet(MCRange{3, 5}));
    EXPECT_EQ(model.selectionChanges, 2);
    // A quick click on a selected (draggable) item is a click, here a toggle.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, at(5));
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{3, 4, 6, 7}));
    // Shift-click backwards fills from the clicked item to the first selected one.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(0));
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{0, 1, 2, 3, 4, 6, 7}));
    // A plain click on a selected item makes it the only one.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(6));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{6});

    // The background empties the selection, unless empty selection is not allowed.
    view.setAllowsEmptySelection(false);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{6});
    view.setAllowsEmptySelection(true);
    const int before = model.selectionChanges;
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(view.hasSelection());
    EXPECT_EQ(model.selectionChanges, before + 1);

    // Shift-click with nothing selected selects just the item.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(9));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{9});

    // Single selection: no band, no extension.
    view.setAllowsMultipleSelection(false);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{2});
}

TEST_F(BrowserViewTest, ABandSelectsWhatItCoversAndTellsOnceAtMouseUp)
{
    load({12});
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(view.viewport(), QPoint(270, 150)); // items 0-2 and 4-6
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{0, 1, 2, 4, 5, 6}));
    EXPECT_FALSE(view.selectionRect().isEmpty());
    QTest::mouseMove(view.viewport(), QPoint(270, 50)); // back to items 0-2
    EXPECT_EQ(model.selectionChanges, 0);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(270, 50));
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{0, 1, 2}));
    EXPECT_EQ(model.selectionChanges, 1);
    EXPECT_TRUE(view.selectionRect().isEmpty());

    // Ctrl-band flips the items under it against the selection at mouse-down.
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(130, 5));
    QTest::mouseMove(view.viewport(), QPoint(390, 50)); // items 1-3
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(390, 50));
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{0, 3}));
    EXPECT_EQ(model.selectionChanges, 2);
}

TEST_F(BrowserViewTest, TheBandAutoscrollsWhenDraggedPastTheEdge)
{
    load({200});
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(view.viewport(), QPoint(490, 450)); // 50 below the viewport
    const qint64 selectedBefore = view.selectionCount();
    QTest::qWait(500);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    EXPECT_GT(view.selectionCount(), selectedBefore);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(490, 450));
    EXPECT_EQ(model.selectionChanges, 1);
    const int position = view.verticalScrollBar()->value();
    QTest::qWait(150);
    EXPECT_EQ(view.verticalScrollBar()->value(), position);
}

TEST_F(BrowserViewTest, AlternateSelectionWithAlt)
{
    load({12});
    view.setAllowsAlternateSelection(true);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::AltModifier, at(4));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{1});
    EXPECT_EQ(view.alternateSelectionIndexes(), MCIndexSet{4});
    EXPECT_TRUE(near(pixelAt(at(4)), kAlternate));
    // Alt on an item of the main selection swaps the two.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::AltModifier, at(1));
    EXPECT_TRUE(view.isSelectionSwapped());
    EXPECT_EQ(view.alternateSelectionIndexes(), MCIndexSet{1});
    // A band over an item of the other set leaves it there.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(view.viewport(), QPoint(390, 50));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(390, 50));
    EXPECT_EQ(view.selectionIndexes(), (MCIndexSet{0, 2, 3}));
    EXPECT_EQ(view.alternateSelectionIndexes(), MCIndexSet{1});
    // Alt+arrows move the alternate selection, skipping the main one.
    EXPECT_TRUE(sendKey(&view, Qt::Key_Right, Qt::AltModifier));
    EXPECT_EQ(view.alternateSelectionIndexes(), MCIndexSet{4});
}

TEST_F(BrowserViewTest, KeyboardNavigation)
{
    load({5, 2});
    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        MCIndexSet before;
        MCIndexSet after;
    };
    const std::vector<Step> steps = {
        {Qt::Key_Right, {}, {}, {0}},          // nothing selected: the first item
        {Qt::Key_Left, {}, {0}, {0}},          // at the first item: nothing
        {Qt::Key_Up, {}, {}, {6}},             // nothing selected: the last item
        {Qt::Key_Left, {}, {}, {6}},
        {Qt::Key_Down, {}, {3}, {4}},          // into the shorter last row of the group
        {Qt::Key_Down, {}, {4}, {5}},          // into the next group
        {Qt::Key_Up, {}, {6}, {4}},            // up into the padding: the group's last item
        {Qt::Key_Right, Qt::ShiftModifier, {1}, {1, 2}},
        {Qt::Key_Down, Qt::ShiftModifier, {1}, {1, 2, 3, 4}},
        {Qt::Key_Up, Qt::ShiftModifier, {5}, {4, 5}},
        {Qt::Key_End, {}, {1}, {6}},           // last row, same column, clamped to the last item
        {Qt::Key_Home, {}, {6}, {1}},
        {Qt::Key_Home, Qt::ShiftModifier, {6}, {1, 2, 3, 4, 5, 6}},
    };
    for (const Step &step : steps) {
        view.setSelectionIndexes(step.before, false, false);
        if (step.before.isEmpty())
            view.deselectAll();
        EXPECT_TRUE(sendKey(&view, step.key, step.modifiers));
        EXPECT_EQ(view.selectionIndexes(), step.after)
            << "key " << step.key << " from " << MCStringFromIndexSet(step.before).toStdString();
    }

    // Escape deselects (once); Select All selects everything (once).
    model.selectionChanges = 0;
    EXPECT_TRUE(sendKey(&view, Qt::Key_Escape));
    EXPECT_FALSE(view.hasSelection());
    EXPECT_FALSE(sendKey(&view, Qt::Key_Escape));
    EXPECT_TRUE(sendKey(&view, Qt::Key_A, Qt::ControlModifier));
    EXPECT_TRUE(sendKey(&view, Qt::Key_A, Qt::ControlModifier));
    EXPECT_EQ(view.selectionCount(), 7);
    EXPECT_EQ(model.selectionChanges, 2);

    // Horizontal mode leaves the vertical keys to the parent.
    view.setHorizontal(true);
    view.setSelectionIndexes(MCIndexSet{1}, false, false);
    EXPECT_FALSE(sendKey(&view, Qt::Key_Up));
    EXPECT_FALSE(sendKey(&view, Qt::Key_PageDown));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{1});
    EXPECT_TRUE(sendKey(&view, Qt::Key_Right));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{2});
}

TEST_F(BrowserViewTest, MovingLeftSkipsTheAlternateSelection)
{
    load({5, 2});
    view.setAllowsAlternateSelection(true);
    view.setAlternateSelectionIndexes(MCIndexSet{6, 0}, false);
    view.moveLeft();
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{5});
    view.deselectAll();
    view.setAlternateSelectionIndexes(MCIndexSet{0}, false);
    view.moveRight();
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{1});
    EXPECT_EQ(view.offsetIndex(3, 0, {}), 0);
    EXPECT_EQ(view.offsetIndex(MCNotFound, -1, MCIndexSet(MCRange{0, 7})), MCNotFound);
}

TEST_F(BrowserViewTest, MouseRightAndDoubleClicks)
{
    load({12});
    view.setSelectionIndexes(MCIndexSet{2}, false);
    model.selectionChanges = 0;
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, at(5));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{5});
    EXPECT_EQ(model.selectionChanges, 1);
    ASSERT_EQ(model.rightClicks.size(), 1);
    EXPECT_EQ(model.rightClicks.first(), MCIndexPath::indexPathForItem(5, 0));

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at(4));
    ASSERT_EQ(model.doubleClicks.size(), 2);
    EXPECT_FALSE(model.doubleClicks[0]);
    EXPECT_EQ(model.doubleClicks[1], MCIndexPath::indexPathForItem(4, 0));
}

TEST_F(BrowserViewTest, DragsCarryTheSelectedFilesAsUriList)
{
    EXPECT_EQ(MCBrowserViewSourceOperationMask(MCDraggingContextOutsideApplication), 33u);
    EXPECT_EQ(MCBrowserViewSourceOperationMask(MCDraggingContextWithinApplication), 1u);
    EXPECT_EQ(MCBrowserViewSourceOperationMask(7), 0u);

    load({5, 6});
    view.setSelectionIndexes(MCIndexSet{9, 2, 5}, false);
    const QList<MCBrowserViewDraggingItem> items = view.draggingItems();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].indexPath, MCIndexPath::indexPathForItem(2, 0));
    EXPECT_EQ(items[1].indexPath, MCIndexPath::indexPathForItem(0, 1));
    EXPECT_EQ(items[2].indexPath, MCIndexPath::indexPathForItem(4, 1));
    for (const MCBrowserViewDraggingItem &item : items)
        EXPECT_EQ(item.draggingFrame,
                  view.contentLayout().cellFrameAtItemIndex(view.contentLayout().itemIndexFromIndexPath(item.indexPath)));
    std::unique_ptr<QMimeData> data(MCBrowserView::newDraggingData(items));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile("/photos/0-2.jpg"), QUrl::fromLocalFile("/photos/1-0.jpg"),
                                         QUrl::fromLocalFile("/photos/1-4.jpg")}));

    // Only a selected item with something to carry starts a drag.
    const auto content = [&](qint64 item) { return view.contentLayout().cellFrameAtItemIndex(item).center(); };
    EXPECT_TRUE(view.canBeginDragging(content(5)));
    EXPECT_FALSE(view.canBeginDragging(content(4)));
    EXPECT_FALSE(view.canBeginDragging(QPointF(5, 5)));
    model.draggable = false;
    EXPECT_FALSE(view.canBeginDragging(content(5)));
    model.draggable = true;
    // A press on an unselected item selects it.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(4));
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{4});
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(4));
}

TEST_F(BrowserViewTest, DragImagesRoundUpAndShowTheCellUnselected)
{
    TestCell dragged;
    dragged.setSelected(true);
    QPointF offset(7, 7);
    const QImage image = dragged.dragImageWithSize(QSizeF(99.2, 80.5), &offset);
    EXPECT_EQ(image.size(), QSize(100, 81));
    EXPECT_EQ(offset, QPointF(0, 0));
    EXPECT_TRUE(near(image.pixelColor(50, 40), kPlain));
    EXPECT_LT(image.pixelColor(99, 80).alpha(), 255); // the frame ends inside the last pixels
    EXPECT_TRUE(dragged.isSelected());
    EXPECT_TRUE(dragged.dragImageWithSize(QSizeF(0, 10)).isNull());

    load({3});
    view.setSelectionIndexes(MCIndexSet{1}, false);
    EXPECT_EQ(view.dragImageAtIndexPath(MCIndexPath::indexPathForItem(1, 0), QSizeF(100, 120)).size(), QSize(100, 120));
}

TEST_F(BrowserViewTest, CopyAndPasteFileUrlsThroughTheDelegate)
{
    load({6});
    EXPECT_FALSE(view.canCopy());
    view.setSelectionIndexes(MCIndexSet{1, 3}, false);
    ASSERT_TRUE(view.canCopy());
    EXPECT_TRUE(sendKey(&view, Qt::Key_C, Qt::ControlModifier));
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(clipboard);
    EXPECT_EQ(clipboard->urls(), (QList<QUrl>{QUrl::fromLocalFile("/photos/0-1.jpg"), QUrl::fromLocalFile("/photos/0-3.jpg")}));

    // Paste needs a registered type on the clipboard.
    EXPECT_FALSE(view.canPaste());
    view.registerForDraggedTypes({QStringLiteral("text/uri-list")});
    ASSERT_TRUE(view.canPaste());
    EXPECT_TRUE(sendKey(&view, Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(model.pasted.size(), 2);
}

TEST_F(BrowserViewTest, SpaceOpensAPreviewThatFollowsTheSelection)
{
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath("photo.png");
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::red);
    ASSERT_TRUE(photo.save(file));
    model.previewFile = file;
    load({6});
    EXPECT_EQ(view.numberOfPreviewItems(), 0);
    view.setSelectionIndexes(MCIndexSet{1}, false);
    EXPECT_TRUE(sendKey(&view, Qt::Key_Space));
    MCBrowserViewPreviewPanel *panel = view.previewPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(panel->currentPreviewItem());
    EXPECT_EQ(panel->currentPreviewItem()->previewItemIndexPath(), MCIndexPath::indexPathForItem(1, 0));
    EXPECT_EQ(panel->currentPreviewItem()->previewItemTitle(), "Item 1");
    EXPECT_EQ(panel->image().size(), QSize(64, 48));

    // Keys typed in the preview reach the grid: the arrow moves the selection and the preview.
    sendKey(panel, Qt::Key_Right);
    EXPECT_EQ(view.selectionIndexes(), MCIndexSet{2});
    EXPECT_EQ(panel->currentPreviewItem()->previewItemIndexPath(), MCIndexPath::indexPathForItem(2, 0));
    sendKey(panel, Qt::Key_Space);
    EXPECT_FALSE(panel->isVisible());

    view.setAllowsPreviewPanel(false);
    sendKey(&view, Qt::Key_Space);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(BrowserViewTest, LateThumbnailsForRemovedItemsAreIgnored)
{
    load({4, 4});
    model.groups = {2};
    view.reloadData();
    view.reloadItemAtIndexPath(MCIndexPath::indexPathForItem(3, 1)); // group gone
    view.reloadItemAtIndexPath(MCIndexPath::indexPathForItem(3, 0)); // item gone
    view.reloadItemAtIndexPath(MCIndexPath::indexPathForItem(1, 0));
    EXPECT_THROW(view.selectItemAtIndexPath(MCIndexPath::indexPathForItem(0, 1), false, false), std::invalid_argument);
}

TEST_F(BrowserViewTest, HeadersAboveTheirGroupsAndTheEmptyMessage)
{
    view.setHeaderCell(std::make_shared<TestHeader>());
    view.setShowsGroupHeaders(true);
    load({5, 2});
    // Group 0's header at y 6-36, its first row from 42; group 1's header at y 300-330.
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_TRUE(near(image.pixelColor(250, 20), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(250, 315), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(at(0)), kPlain));
    EXPECT_EQ(at(0).y(), 42 + 60);
    EXPECT_TRUE(model.headersUpdated.contains(0) && model.headersUpdated.contains(1));

    // The message is the owner's to draw; the grid draws nothing of it itself.
    load({});
    model.emptyMessage = QStringLiteral("Drop photos here");
    QImage canvas(500, 400, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setPen(Qt::black);
        view.drawMessage(&painter);
    }
    int dark = 0;
    for (int y = 150; y < 250; ++y)
        for (int x = 100; x < 400; ++x)
            dark += canvas.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 20);
    EXPECT_EQ(canvas.pixelColor(10, 10), QColor(Qt::white));
}
