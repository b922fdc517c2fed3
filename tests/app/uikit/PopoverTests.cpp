#include "app/uikit/MCPopover.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

using namespace MCPopoverGeometry;

namespace {

const QRectF kScreen(0, 0, 1000, 800);

} // namespace

TEST(MCPopoverGeometry, FramePerDirectionAndScreenClamp)
{
    const struct {
        const char *name;
        QRectF anchor;
        QSizeF content;
        unsigned direction;
        bool strict;
        QRectF visible;
        QRectF frame;
    } cases[] = {
        {"right of the anchor", {100, 100, 20, 20}, {100, 50}, 1, true, kScreen, {120, 73, 124, 74}},
        {"odd height leaves the extra pixel above", {100, 100, 20, 20}, {100, 51}, 1, true, kScreen, {120, 72, 124, 75}},
        {"left, pulled in at the left edge", {100, 100, 20, 20}, {100, 50}, 2, true, kScreen, {0, 73, 124, 74}},
        {"left, not strict", {100, 100, 20, 20}, {100, 50}, 2, false, kScreen, {-24, 73, 124, 74}},
        {"below", {100, 100, 20, 20}, {100, 50}, 3, true, kScreen, {48, 120, 124, 74}},
        {"above", {100, 100, 20, 20}, {100, 50}, 4, true, kScreen, {48, 26, 124, 74}},
        {"below at the bottom right corner", {990, 790, 10, 10}, {100, 50}, 3, true, kScreen, {876, 726, 124, 74}},
        {"larger than the screen: top right", {10, 10, 5, 5}, {200, 100}, 1, true, {0, 0, 100, 50}, {-124, 0, 224, 124}},
        {"fractional anchor rounds outward", {100.5, 100, 20, 20}, {100, 50}, 1, true, kScreen, {120, 73, 125, 74}},
        {"direction 0", {100, 100, 20, 20}, {100, 50}, 0, true, kScreen, {}},
        {"direction 5", {100, 100, 20, 20}, {100, 50}, 5, true, kScreen, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(popoverFrame(c.anchor, c.content, c.direction, c.strict, c.visible), c.frame);
    }
}

TEST(MCPopoverGeometry, ArrowDirectionChoice)
{
    const struct {
        const char *name;
        QRectF anchor;
        QSizeF content;
        unsigned preferred;
        QRectF visible;
        unsigned direction;
        bool arrow;
    } cases[] = {
        {"preferred fits", {100, 100, 20, 20}, {100, 50}, 1, kScreen, 1, true},
        {"no room right: opposite", {950, 400, 20, 20}, {100, 50}, 1, kScreen, 2, true},
        {"no room left: opposite", {30, 400, 20, 20}, {100, 50}, 2, kScreen, 1, true},
        {"no room above: below", {500, 10, 20, 20}, {100, 50}, 4, kScreen, 3, true},
        {"neither side, more room below", {500, 100, 20, 20}, {600, 50}, 1, kScreen, 3, true},
        {"neither side, more room above", {500, 700, 20, 20}, {600, 50}, 2, kScreen, 4, true},
        {"neither side, tie gives 4", {500, 390, 20, 20}, {600, 50}, 1, kScreen, 4, true},
        {"neither vertical, more room right", {100, 380, 20, 20}, {100, 500}, 3, kScreen, 1, true},
        {"neither vertical, tie gives 2", {490, 380, 20, 20}, {100, 500}, 4, kScreen, 2, true},
        {"nothing fits: preferred without arrow", {500, 400, 20, 20}, {2000, 2000}, 1, kScreen, 1, false},
        {"no screen: preferred without arrow", {500, 400, 20, 20}, {100, 50}, 3, QRectF(), 3, false},
        {"outside 1-4", {500, 400, 20, 20}, {100, 50}, 7, kScreen, 7, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bool arrow = !c.arrow;
        EXPECT_EQ(arrowDirection(c.anchor, c.content, c.preferred, c.visible, &arrow), c.direction);
        EXPECT_EQ(arrow, c.arrow);
    }
    EXPECT_EQ(oppositeArrowDirection(1), 2u);
    EXPECT_EQ(oppositeArrowDirection(4), 3u);
    EXPECT_EQ(oppositeArrowDirection(0), 0u);
}

TEST(MCPopoverGeometry, BodyIsTwelveInsideAndArrowTouchesTheEdge)
{
    const QRectF bounds(0, 0, 124, 74);
    const struct {
        unsigned direction;
        bool arrow;
        QRectF extent;
    } cases[] = {
        {3, false, {12, 12, 100, 50}}, {3, true, {12, 0, 100, 62}}, {4, true, {12, 12, 100, 62}},
        {1, true, {0, 12, 112, 50}},   {2, true, {12, 12, 112, 50}}, {0, true, {12, 12, 100, 50}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.direction);
        const QRectF extent = popoverPath(bounds, c.direction, c.arrow).boundingRect();
        EXPECT_NEAR(extent.left(), c.extent.left(), 1e-6);
        EXPECT_NEAR(extent.top(), c.extent.top(), 1e-6);
        EXPECT_NEAR(extent.right(), c.extent.right(), 1e-6);
        EXPECT_NEAR(extent.bottom(), c.extent.bottom(), 1e-6);
    }
    // The top arrow: 23 wide at its base, 16 above the inner rectangle, centred.
    const QPolygonF top = arrowPolygon(bounds, 3);
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[1], QPointF(62, 0));
    EXPECT_EQ(top[2].x() - top[0].x(), 23.0);
    EXPECT_EQ(top[0].y(), 12.0);
    EXPECT_TRUE(arrowPolygon(bounds, 0).isEmpty());
}

TEST(MCPopoverGeometry, ZoomGrowsFromAQuarterPastFullSize)
{
    const QRectF anchor(100, 100, 20, 20);
    const QRectF target = popoverFrame(anchor, {100, 50}, 1, true, kScreen);
    const ZoomFrames frames = zoomFrames(anchor, target, 1, kScreen);
    // A quarter of 124 x 74 is 31 x 18 content, plus the 24 margin.
    EXPECT_EQ(frames.start, QRectF(120, 89, 55, 42));
    EXPECT_EQ(frames.overshoot, QRectF(120, 57, 160, 105));
    EXPECT_EQ(frames.target, target);
}

namespace {

class FixedViewController : public MCViewController
{
protected:
    QWidget *loadView() override
    {
        auto *view = new QWidget;
        view->resize(120, 60);
        return view;
    }
};

struct RecordingDelegate : MCPopoverDelegate {
    int willShow = 0, didShow = 0, willClose = 0, didClose = 0;
    void popoverWillShow(MCPopover *) override { ++willShow; }
    void popoverDidShow(MCPopover *) override { ++didShow; }
    void popoverWillClose(MCPopover *) override { ++willClose; }
    void popoverDidClose(MCPopover *) override { ++didClose; }
};

} // namespace

class MCPopoverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        anchorWindow.setGeometry(100, 100, 300, 200);
        anchorWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&anchorWindow));
        popover.setContentViewController(new FixedViewController);
        popover.awakeFromNib();
        popover.setDelegate(&delegate);
    }

    void showAndWait()
    {
        popover.showRelativeToRect(QRectF(10, 10, 20, 20), &anchorWindow, 1);
        QTRY_COMPARE_WITH_TIMEOUT(delegate.didShow, 1, 5000);
    }

    QWidget anchorWindow;
    MCPopover popover;
    RecordingDelegate delegate;
};

TEST_F(MCPopoverTest, ZoomsInThenShowsBesideTheAnchorOnce)
{
    EXPECT_EQ(popover.contentSize(), QSizeF(120, 60));
    QElapsedTimer clock;
    clock.start();
    popover.showRelativeToRect(QRectF(10, 10, 20, 20), &anchorWindow, 1);
    EXPECT_EQ(delegate.willShow, 1);
    EXPECT_TRUE(popover.isShown()); // the zoom window counts
    EXPECT_TRUE(popover.popoverWindow()->isZooming());
    popover.showRelativeToRect(QRectF(10, 10, 20, 20), &anchorWindow, 2); // ignored while zooming
    EXPECT_EQ(delegate.willShow, 1);

    QTRY_COMPARE_WITH_TIMEOUT(delegate.didShow, 1, 5000);
    // The zoom lasts a quarter of a second (with room for a slow machine).
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_FALSE(popover.popoverWindow()->isZooming());
    EXPECT_TRUE(popover.popoverWindow()->isVisible());

    const QRectF anchor(anchorWindow.mapToGlobal(QPoint(10, 10)), QSizeF(20, 20));
    EXPECT_EQ(popover.screenRect(), anchor);
    EXPECT_EQ(popover.arrowDirection(), 1u);
    EXPECT_TRUE(popover.hasArrow());
    EXPECT_EQ(QRectF(popover.popoverWindow()->geometry()),
              popoverFrame(anchor, {120, 60}, 1, true, popover.visibleScreenFrame()));
    // The caller's view sits 12 inside the window.
    EXPECT_EQ(popover.contentViewController()->view()->geometry(), QRect(12, 12, 120, 60));

    popover.showRelativeToRect(QRectF(10, 10, 20, 20), &anchorWindow, 2);
    EXPECT_EQ(delegate.willShow, 1);
}

TEST_F(MCPopoverTest, EscapeClosesWithAFadeAndEachMessageOnce)
{
    popover.performClose(); // hidden: nothing to say
    EXPECT_EQ(delegate.willClose, 0);
    showAndWait();
    QTest::keyClick(popover.popoverWindow(), Qt::Key_Escape);
    EXPECT_EQ(delegate.willClose, 1);
    popover.performClose(); // already closing
    EXPECT_EQ(delegate.willClose, 1);
    QTRY_COMPARE_WITH_TIMEOUT(delegate.didClose, 1, 5000);
    EXPECT_FALSE(popover.isShown());
    EXPECT_EQ(popover.positionView(), nullptr);
    EXPECT_EQ(delegate.willClose, 1);

    // It shows again after closing.
    delegate.didShow = 0;
    showAndWait();
    EXPECT_EQ(delegate.willShow, 2);
}

TEST_F(MCPopoverTest, ClosesOnceWhenItsWindowIsDeactivated)
{
    showAndWait();
    for (int i = 0; i < 2; ++i) {
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(popover.popoverWindow(), &deactivate);
    }
    EXPECT_EQ(delegate.willClose, 1);
    QTRY_COMPARE_WITH_TIMEOUT(delegate.didClose, 1, 5000);
    EXPECT_FALSE(popover.isShown());
}

TEST_F(MCPopoverTest, ClosingDuringTheZoomEndsItAtOnce)
{
    popover.showRelativeToRect(QRectF(10, 10, 20, 20), &anchorWindow, 1);
    popover.performClose();
    EXPECT_EQ(delegate.willClose, 1);
    QTRY_COMPARE_WITH_TIMEOUT(delegate.didClose, 1, 5000);
    EXPECT_FALSE(popover.isShown());
    EXPECT_EQ(delegate.didShow, 0);
}
