#include "app/uikit/MCSegmentedControl.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;
namespace cell = MCDarkSegmentedControlCell;

TEST(MCDarkSegmentedControlCell, EqualSegmentsOnePixelApartAtTheControlHeight)
{
    const QRectF bounds(0, 0, 100, 30);
    const struct {
        qint64 index;
        QRectF frame;
    } frames[] = {{0, {0, 0, 32, 22}}, {1, {33, 0, 32, 22}}, {2, {66, 0, 32, 22}}, {3, {}}, {-1, {}}};
    for (const auto &f : frames) {
        SCOPED_TRACE(f.index);
        EXPECT_EQ(cell::frameForSegment(f.index, 3, bounds, 22), f.frame);
    }
    EXPECT_EQ(cell::frameForSegment(0, 0, bounds, 22), QRectF());
    EXPECT_EQ(cell::frameForSegment(1, 2, QRectF(10, 5, 61, 18), 18), QRectF(41, 5, 30, 18));
    EXPECT_EQ(cell::controlHeight(MCControlSize::Regular), 22.0);
    EXPECT_EQ(cell::controlHeight(MCControlSize::Small), 18.0);
    EXPECT_EQ(cell::controlHeight(MCControlSize::Mini), 18.0);
}

TEST(MCDarkSegmentedControlCell, HitTestingLeavesTheGapsAndTheAreaBelowOut)
{
    const QRectF bounds(0, 0, 100, 30);
    const struct {
        QPointF point;
        qint64 segment;
    } cases[] = {{{0, 0}, 0},    {{31.9, 10}, 0}, {{32, 10}, -1}, {{32.5, 10}, -1}, {{33, 10}, 1},
                 {{64.9, 21}, 1}, {{65, 5}, -1}, {{65.5, 5}, -1}, {{66, 5}, 2},   {{97.9, 5}, 2},   {{98, 5}, -1},
                 {{50, 22}, -1}, {{50, -1}, -1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(c.point.x()).arg(c.point.y()).toStdString());
        EXPECT_EQ(cell::segmentAtPoint(c.point, 3, bounds, 22), c.segment);
    }
}

TEST(MCDarkSegmentedControlCell, OutlinesRoundTheOuterEndsOnly)
{
    const QRectF frame(0, 0, 32, 22);
    const QPainterPath first = cell::strokePathForSegment(0, 3, frame);
    EXPECT_EQ(first.elementAt(0), QPointF(32, 0.5)); // starts at the open right side
    EXPECT_EQ(first.currentPosition(), QPointF(32, 21.5));
    EXPECT_EQ(first.boundingRect(), QRectF(0.5, 0.5, 31.5, 21));
    const QPainterPath last = cell::strokePathForSegment(2, 3, QRectF(66, 0, 32, 22));
    EXPECT_EQ(last.elementAt(0), QPointF(66, 0.5));
    EXPECT_EQ(last.boundingRect(), QRectF(66, 0.5, 31.5, 21));
    EXPECT_EQ(cell::strokePathForSegment(1, 3, QRectF(33, 0, 32, 22)).boundingRect(), QRectF(32.5, 0.5, 33, 21));
    // One segment: the first one's shape, with no right edge.
    EXPECT_EQ(cell::strokePathForSegment(0, 1, frame).currentPosition(), QPointF(32, 21.5));
    EXPECT_TRUE(cell::fillPathForSegment(0, 3, frame).contains(QPointF(16, 11)));
}

TEST(MCDarkSegmentedControlCell, ColoursAndImageOpacityOfEachLook)
{
    AppearanceKind kind(0);
    EXPECT_EQ(cell::segmentColors(false, true, true).fill, colorWithBrightness(0.43));
    EXPECT_EQ(cell::segmentColors(true, true, true).fill, colorWithBrightness(1.0, 0.1));
    EXPECT_EQ(cell::segmentColors(true, false, true).fill, colorWithBrightness(0.53));
    EXPECT_EQ(cell::segmentColors(true, false, false).fill, colorWithBrightness(0.43));
    EXPECT_EQ(cell::segmentColors(true, false, false).stroke, colorWithBrightness(0.49));
    EXPECT_EQ(cell::imageOpacity(false, true), 0.2);
    EXPECT_EQ(cell::imageOpacity(true, true), 1.0);
    EXPECT_EQ(cell::imageOpacity(true, false), 0.5);
    EXPECT_EQ(cell::imageRect(QSizeF(15, 15), QRectF(33, 0, 32, 22)), QRectF(41, 3, 15, 15));
}

namespace {

struct ThreeSegments {
    MCDarkSegmentedControl control;
    ThreeSegments()
    {
        control.setSegmentCount(3);
        const char *tips[] = {"Grid", "List", "Columns"};
        for (int i = 0; i < 3; ++i)
            control.setToolTip(QString::fromLatin1(tips[i]), i);
        control.resize(100, 22);
    }
};

void moveTo(QWidget &widget, QPointF point)
{
    QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

} // namespace

TEST(MCDarkSegmentedControl, HoverFollowsThePointerFromSegmentToSegment)
{
    AssumeActiveWindow active;
    AppearanceKind kind(1);
    ThreeSegments three;
    MCDarkSegmentedControl &control = three.control;
    // The pointer already resting on segment 1 when it enters: lit at once.
    QEnterEvent enter(QPointF(40, 5), QPointF(40, 5), QPointF(40, 5));
    QApplication::sendEvent(&control, &enter);
    EXPECT_EQ(control.highlightedSegment(), 1);
    EXPECT_TRUE(control.isMouseOverOnSegment(1));
    EXPECT_FALSE(control.isMouseOverOnSegment(0));
    EXPECT_TRUE(near(pixel(control, {48, 11}), colorWithBrightness(0.53)));
    EXPECT_TRUE(near(pixel(control, {16, 11}), colorWithBrightness(0.43)));
    moveTo(control, {32.5, 5}); // the gap
    EXPECT_EQ(control.highlightedSegment(), -1);
    moveTo(control, {70, 5});
    EXPECT_EQ(control.highlightedSegment(), 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&control, &leave);
    EXPECT_EQ(control.highlightedSegment(), -1);
    control.setShowsMouseOverState(false);
    QApplication::sendEvent(&control, &enter);
    EXPECT_EQ(control.highlightedSegment(), -1);
}

TEST(MCDarkSegmentedControl, HoverNeedsTheActiveWindow)
{
    ThreeSegments three;
    QEnterEvent enter(QPointF(40, 5), QPointF(40, 5), QPointF(40, 5));
    QApplication::sendEvent(&three.control, &enter);
    EXPECT_EQ(three.control.highlightedSegment(), 1);
    EXPECT_FALSE(three.control.isMouseOverOnSegment(1)); // a window that is not active
}

TEST(MCDarkSegmentedControl, ToolTipsPerSegmentAndNoneInTheGaps)
{
    ThreeSegments three;
    EXPECT_EQ(three.control.toolTipAtPoint({10, 10}), QStringLiteral("Grid"));
    EXPECT_EQ(three.control.toolTipAtPoint({40, 10}), QStringLiteral("List"));
    EXPECT_EQ(three.control.toolTipAtPoint({97, 10}), QStringLiteral("Columns"));
    const QString gap = three.control.toolTipAtPoint({32.5, 10});
    EXPECT_TRUE(gap.isEmpty());
    EXPECT_FALSE(gap.isNull());
    EXPECT_TRUE(three.control.toolTipAtPoint({50, 25}).isEmpty());
}

TEST(MCDarkSegmentedControl, ClickSelectsThePressedSegmentWithThePressedLookMeanwhile)
{
    AppearanceKind kind(1);
    ThreeSegments three;
    MCDarkSegmentedControl &control = three.control;
    QSignalSpy activated(&control, &MCSegmentedControl::activated);
    control.setEnabled(false, 2);
    QTest::mousePress(&control, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_TRUE(control.isHighlighted());
    EXPECT_EQ(control.pressedSegment(), 1);
    // Theme white at 0.1 over the black test background.
    EXPECT_TRUE(near(pixel(control, {48, 11}), colorWithBrightness(1.0, 0.1)));
    QTest::mouseRelease(&control, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_FALSE(control.isHighlighted());
    EXPECT_EQ(control.pressedSegment(), 1); // kept after the press
    EXPECT_EQ(control.selectedSegment(), 1);
    EXPECT_EQ(activated.count(), 1);
    // A disabled segment cannot be chosen; released elsewhere chooses nothing.
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(70, 10));
    QTest::mousePress(&control, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&control, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(control.selectedSegment(), 1);
    EXPECT_EQ(activated.count(), 1);
    // The keyboard moves over the segments.
    QTest::keyClick(&control, Qt::Key_Left);
    EXPECT_EQ(control.selectedSegment(), 0);
}

TEST(MCBlackSegmentCell, SegmentsSizeToTheirLabels)
{
    const QSizeF first = MCBlackSegmentCell::segmentSizeForLabelSize({30, 14});
    const QSizeF second = MCBlackSegmentCell::segmentSizeForLabelSize({40, 14});
    EXPECT_EQ(first, QSizeF(46, 21));
    EXPECT_EQ(second, QSizeF(56, 21));
    EXPECT_EQ(MCBlackSegmentCell::segmentSizeForLabelSize({29.2, 13.1}), QSizeF(46, 21));
    EXPECT_EQ(MCBlackSegmentCell::cellSizeForSegmentSizes({first, second}), QSizeF(103, 21));
    EXPECT_EQ(MCBlackSegmentCell::cellSizeForSegmentSizes({}), QSizeF(0, 0));
    const QList<QRectF> frames = MCBlackSegmentCell::segmentFrames({first, second}, QRectF(5, 2, 200, 24));
    EXPECT_EQ(frames, (QList<QRectF>{{5, 2, 46, 24}, {52, 2, 56, 24}}));
    EXPECT_EQ(MCBlackSegmentCell::labelRectForFrame(frames[0]), QRectF(13, 5, 30, 17));
}

TEST(MCBlackSegmentCell, ColoursOfSelectedPressedAndInactiveSegments)
{
    AppearanceKind kind(0);
    EXPECT_EQ(MCBlackSegmentCell::backgroundColor(true, false, true), colorWithSaturation(0.5, 0.6));
    EXPECT_EQ(MCBlackSegmentCell::backgroundColor(true, true, false), colorWithBrightness(0.4));
    EXPECT_EQ(MCBlackSegmentCell::backgroundColor(false, true, true), colorWithBrightness(0.2));
    EXPECT_FALSE(MCBlackSegmentCell::backgroundColor(false, false, true).isValid());
    const struct {
        bool selected, enabled, pressed, key;
        double white;
    } texts[] = {{true, true, false, true, 1.0},  {true, true, false, false, 0.1}, {false, true, true, true, 0.8},
                 {false, true, false, true, 0.6}, {false, false, true, true, 0.5}, {true, false, false, true, 1.0}};
    for (const auto &t : texts)
        EXPECT_EQ(MCBlackSegmentCell::textWhite(t.selected, t.enabled, t.pressed, t.key), t.white);
}

TEST(MCBlackSegmentCell, PressLightsItsSegmentUntilRelease)
{
    AppearanceKind kind(1);
    MCBlackSegmentCell cell;
    cell.setSegmentCount(2);
    cell.setLabel(QStringLiteral("All"), 0);
    cell.setLabel(QStringLiteral("Flagged"), 1);
    cell.resize(cell.sizeHint());
    EXPECT_EQ(QSizeF(cell.sizeHint()), cell.cellSize());
    const QRectF second = cell.frameForSegment(1);
    EXPECT_EQ(second.x(), cell.segmentSizeForSegment(0).width() + 1);
    EXPECT_EQ(cell.segmentAtPoint({second.x() - 0.5, 5}), -1);
    QTest::mousePress(&cell, Qt::LeftButton, {}, second.center().toPoint());
    EXPECT_EQ(cell.highlightedSegment(), 1);
    EXPECT_TRUE(near(pixel(cell, {second.x() + 2, second.center().y()}), colorWithBrightness(0.2)));
    QTest::mouseRelease(&cell, Qt::LeftButton, {}, second.center().toPoint());
    EXPECT_EQ(cell.highlightedSegment(), -1);
    EXPECT_EQ(cell.selectedSegment(), 1);
}
