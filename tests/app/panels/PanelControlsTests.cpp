// The custom controls of the stage panels: the anchor picker, the rotation knob and the curves
// editor, with their geometry as tables and scripted mouse gestures.
#include "app/panels/MCCurvesView.h"
#include "app/panels/MCPositionControl.h"
#include "app/panels/MCRotationControl.h"
#include "app/uikit/MCColorQuillon.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Sends a mouse event at a widget point with buttons and modifiers (QTest's moves carry
// neither).
void sendMouse(QWidget &widget, QEvent::Type type, QPointF point, Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget.mapToGlobal(point), button, buttons, modifiers);
    QApplication::sendEvent(&widget, &event);
}

void sendKey(QWidget &widget, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

// ---- anchor picker

TEST(MCPositionControl, MasksAndCellsReadEachOtherBack)
{
    const struct {
        qint64 row, column;
        quint64 mask;
    } cells[] = {{2, 0, 5}, {2, 1, 4}, {2, 2, 6}, {1, 0, 1}, {1, 1, 0}, {1, 2, 2}, {0, 0, 9}, {0, 1, 8}, {0, 2, 10}};
    for (const auto &c : cells) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(MCPositionMaskForCell({c.row, c.column}), c.mask);
        EXPECT_EQ(MCPositionCellForMask(c.mask), (MCPositionCell{c.row, c.column}));
    }
    // Both bits of a pair: left wins over right, bottom over top.
    EXPECT_EQ(MCPositionCellForMask(3), (MCPositionCell{1, 0}));
    EXPECT_EQ(MCPositionCellForMask(12), (MCPositionCell{0, 1}));
    EXPECT_EQ(MCPositionCellForMask(15), (MCPositionCell{0, 0}));
}

TEST(MCPositionControl, CellCentresAndHitSquares)
{
    const QRectF bounds(0, 0, 77, 120);
    const struct {
        qint64 row, column;
        QPointF centre;
    } centres[] = {{0, 0, {9, 9}}, {1, 1, {38, 60}}, {2, 2, {68, 111}}, {2, 0, {9, 111}}}; // trunc(59 × 0.5) = 29
    for (const auto &c : centres)
        EXPECT_EQ(MCPositionControlCellCenter(bounds, {c.row, c.column}), c.centre) << c.row << "," << c.column;

    const QRectF big(0, 0, 120, 120); // centres at 9, 60, 111: gaps between the 30 × 30 squares
    const struct {
        QPointF point;
        MCPositionCell cell;
    } hits[] = {
        {{9, 111}, {2, 0}},   {{-5.5, 96}, {2, 0}},  // the square's minimum edges are inside
        {{24.5, 111}, {}},    {{9, 126}, {}},        // its maximum edges are not
        {{35, 35}, {}},       {{60, 60}, {1, 1}},    // between squares: none
        {{111, 9}, {0, 2}},
    };
    for (const auto &h : hits)
        EXPECT_EQ(MCPositionControlCellAtPoint(big, h.point), h.cell) << h.point.x() << "," << h.point.y();
    // A small control: squares overlap and the last one in row-major order wins.
    EXPECT_EQ(MCPositionControlCellAtPoint(QRectF(0, 0, 40, 40), QPointF(20, 20)), (MCPositionCell{2, 2}));
}

TEST(MCPositionControl, ArrowsPointToTheNeighboursThatExist)
{
    const QRectF bounds(0, 0, 78, 78);
    // The bottom-right corner: left and up only; the centre: all four.
    const QList<MCPositionArrow> corner = MCPositionControlArrows(bounds, MCPositionCellForMask(10));
    ASSERT_EQ(corner.size(), 2);
    EXPECT_LT(corner[0].head.first().x(), corner[0].shaft.p2().x() + 1); // the tip on the left
    EXPECT_GT(corner[1].head.first().y(), corner[1].shaft.p1().y());     // the tip above
    EXPECT_EQ(MCPositionControlArrows(bounds, MCPositionCellForMask(0)).size(), 4);
    EXPECT_EQ(MCPositionControlArrows(bounds, MCPositionCellForMask(5)).size(), 2);

    // Right of the centre dot (centre (39, 39), dot from (37.5, 37.5)): the shaft from
    // round(43.5) − 1 = 43 for 12 points on the half point above m = round(36.5) = 37; a head 4
    // long, 7 wide.
    const MCPositionArrow right = MCPositionControlArrows(bounds, {1, 1}).first();
    EXPECT_EQ(right.shaft, QLineF(43, 39.5, 55, 39.5));
    EXPECT_EQ(right.head, QPolygonF({QPointF(55, 39.5), QPointF(51, 36.5), QPointF(51, 43.5)}));
}

TEST(MCPositionControl, ClicksChooseADotAndAnnounceOnlyChanges)
{
    MCPositionControl control;
    control.resize(120, 120);
    QSignalSpy actions(&control, &MCPositionControl::positionMaskChanged);
    // The top-left dot: (9, 111) in the control's y-up space is (9, 9) in the widget.
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(9, 9));
    EXPECT_EQ(control.positionMask(), 5u);
    EXPECT_EQ(actions.count(), 1);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(12, 7));
    EXPECT_EQ(actions.count(), 1); // the same dot again: nothing
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(111, 111));
    EXPECT_EQ(control.positionMask(), 10u);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(35, 35)); // between the squares
    EXPECT_EQ(control.positionMask(), 10u);
    EXPECT_EQ(actions.count(), 2);

    // Code announces a change like a click, and the same value not at all.
    control.setPositionMask(10);
    EXPECT_EQ(actions.count(), 2);
    control.setPositionMask(0);
    EXPECT_EQ(actions.count(), 3);
    EXPECT_EQ(actions.last().first().toULongLong(), 0u);

    // The keyboard moves one cell at a time and stops at the edge.
    sendKey(control, QEvent::KeyPress, Qt::Key_Up);
    sendKey(control, QEvent::KeyPress, Qt::Key_Left);
    sendKey(control, QEvent::KeyPress, Qt::Key_Left);
    EXPECT_EQ(control.positionMask(), 5u);

    control.setEnabled(false);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(111, 111));
    EXPECT_EQ(control.positionMask(), 5u);
}

TEST(MCPositionControl, LookFollowsEnabledAndPointer)
{
    const MCPositionControlColors rest = MCPositionControlColorsFor(true, false);
    const MCPositionControlColors over = MCPositionControlColorsFor(true, true);
    const MCPositionControlColors off = MCPositionControlColorsFor(false, false);
    EXPECT_EQ(rest.fill, MCColorQuillon::colorWithBrightness(0.43));
    EXPECT_EQ(rest.stroke, MCColorQuillon::colorWithBrightness(0.49));
    EXPECT_EQ(over.fill, MCColorQuillon::colorWithBrightness(0.53));
    EXPECT_EQ(off.fill, over.fill); // disabled draws in the lighter colours
    EXPECT_EQ(off.stroke, MCColorQuillon::colorWithBrightness(0.59));
    EXPECT_EQ(rest.dots, MCColorQuillon::colorWithWhite(0.9));
    EXPECT_EQ(off.dots, MCColorQuillon::colorWithWhite(0.7));

    MCPositionControl control;
    control.resize(78, 78);
    const QImage image = control.grab().toImage();
    const QColor fill = image.pixelColor(25, 25);
    EXPECT_NEAR(fill.red(), rest.fill.red(), 2);
    EXPECT_NEAR(fill.blue(), rest.fill.blue(), 2);
    control.setEnabled(false);
    EXPECT_NEAR(control.grab().toImage().pixelColor(25, 25).blue(), off.fill.blue(), 2);
}

// ---- rotation knob

TEST(MCRotationControl, AngleForLocation)
{
    const QRectF bounds(0, 0, 40, 40); // centre (20, 20)
    const auto at = [&](double degrees) {
        const double r = degrees * std::numbers::pi / 180.0;
        return QPointF(20 + 15 * std::cos(r), 20 + 15 * std::sin(r));
    };
    const struct {
        QPointF point;
        double angle;
    } cases[] = {
        {{30, 20}, 0},         {{20, 30}, 90},      {{10, 20}, 180},       {{20, 10}, 270},
        {at(-0.5), 0},         {at(-1.0), 359},     {at(45.004), 45},      {at(123.456), 123.46},
        {{20, 20}, 0},         // the centre itself
    };
    for (const auto &c : cases)
        EXPECT_NEAR(MCRotationControlAngleForLocation(bounds, c.point), c.angle, 1e-9) << c.angle;
}

TEST(MCRotationControl, KnobSitsOnTheRing)
{
    const QRectF bounds(0, 0, 40, 40);
    EXPECT_EQ(MCRotationControlKnobRect(bounds, 0), QRectF(33.5, 17, 6, 6));
    const QRectF up = MCRotationControlKnobRect(bounds, 90);
    EXPECT_NEAR(up.x(), 17, 1e-9);
    EXPECT_NEAR(up.y(), 33.5, 1e-9);
    // Drawn on the ring inset by 4.5, about the centre shifted half a point.
    const QPointF drawn = MCRotationControlKnobCenter(bounds, 180);
    EXPECT_NEAR(drawn.x(), 3.5, 1e-9);
    EXPECT_NEAR(drawn.y(), 19.5, 1e-9);

    MCRotationControl control;
    control.resize(40, 40);
    control.setAngle(90);
    EXPECT_NEAR(control.knobRect().y(), 0.5, 1e-9); // widget space, y down
}

namespace {

struct RecordingRotationDelegate : MCRotationControlDelegate
{
    std::vector<std::string> calls;
    MCRotationControl *control = nullptr;
    void rotationControlWillStartTracking(MCRotationControl *) override { calls.push_back("start"); }
    void rotationControlDidFinishTracking(MCRotationControl *c) override
    {
        calls.push_back("finish " + std::to_string(int(c->angle())));
    }
};

} // namespace

TEST(MCRotationControl, PressAndDragTurnTheNeedleOneStartAndOneFinish)
{
    MCRotationControl control;
    control.resize(40, 40);
    RecordingRotationDelegate delegate;
    control.setDelegate(&delegate);
    QSignalSpy actions(&control, &MCRotationControl::angleChanged);

    sendMouse(control, QEvent::MouseButtonPress, {20, 5}); // straight above the centre
    EXPECT_EQ(control.angle(), 90);
    EXPECT_TRUE(control.isTracking());
    sendMouse(control, QEvent::MouseMove, {5, 20});
    EXPECT_EQ(control.angle(), 180);
    sendMouse(control, QEvent::MouseMove, {20, 35});
    EXPECT_EQ(control.angle(), 270);
    sendMouse(control, QEvent::MouseButtonRelease, {35, 20}); // where the release happens does not count
    EXPECT_EQ(control.angle(), 270);
    EXPECT_EQ(actions.count(), 3);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"start", "finish 270"}));

    // The same angle from code: nothing; a new one: announced.
    control.setAngle(270);
    EXPECT_EQ(actions.count(), 3);
    control.setAngle(12.5);
    EXPECT_EQ(actions.count(), 4);

    // Keys turn by a degree as one gesture each, wrapping at 0.
    control.setAngle(0);
    delegate.calls.clear();
    sendKey(control, QEvent::KeyPress, Qt::Key_Left);
    EXPECT_EQ(control.angle(), 359);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"start", "finish 359"}));

    // Disabled: presses do nothing, not even the delegate's bracket.
    control.setEnabled(false);
    delegate.calls.clear();
    sendMouse(control, QEvent::MouseButtonPress, {20, 35});
    sendMouse(control, QEvent::MouseButtonRelease, {20, 35});
    EXPECT_EQ(control.angle(), 359);
    EXPECT_TRUE(delegate.calls.empty());

    // No delegate: the action alone still reports every change; a press cut short by hiding ends.
    control.setEnabled(true);
    control.setDelegate(nullptr);
    control.show();
    sendMouse(control, QEvent::MouseButtonPress, {30, 20});
    EXPECT_EQ(control.angle(), 0);
    control.setDelegate(&delegate);
    control.hide();
    EXPECT_FALSE(control.isTracking());
    EXPECT_TRUE(delegate.calls.empty()); // the press began without a delegate: none is told
}

TEST(MCRotationControl, DisabledLookIsDimmed)
{
    const MCRotationControlColors off = MCRotationControlColorsFor(false, true);
    EXPECT_EQ(off.ringFill, MCColorQuillon::colorWithBrightness(0.43, 0.7));
    EXPECT_EQ(off.ringStroke, MCColorQuillon::colorWithBrightness(0.49, 0.7));
    EXPECT_EQ(off.needle, MCColorQuillon::colorWithWhite(0.7));
    const MCRotationControlColors over = MCRotationControlColorsFor(true, true);
    EXPECT_EQ(over.ringFill, MCColorQuillon::colorWithBrightness(0.53));
    EXPECT_EQ(over.needle, MCColorQuillon::colorWithWhite(0.85));
    EXPECT_EQ(MCRotationControlColorsFor(true, false).ringStroke, MCColorQuillon::colorWithBrightness(0.49));
}

// ---- curves editor

namespace {

// The natural spline written out from its definition: second derivatives from the tridiagonal
// system (zero at both ends), then each segment's cubic.
struct ReferenceSpline
{
    std::vector<double> x, y, M;

    explicit ReferenceSpline(const QList<QPointF> &points)
    {
        const size_t n = size_t(points.size());
        for (const QPointF &p : points) {
            x.push_back(p.x());
            y.push_back(p.y());
        }
        M.assign(n, 0.0);
        if (n <= 2)
            return;
        std::vector<double> a(n), b(n), c(n), r(n);
        for (size_t i = 1; i + 1 < n; ++i) {
            const double h = x[i] - x[i - 1], h1 = x[i + 1] - x[i];
            a[i] = h / 6;
            b[i] = (h + h1) / 3;
            c[i] = h1 / 6;
            r[i] = (y[i + 1] - y[i]) / h1 - (y[i] - y[i - 1]) / h;
        }
        for (size_t i = 2; i + 1 < n; ++i) {
            const double f = a[i] / b[i - 1];
            b[i] -= f * c[i - 1];
            r[i] -= f * r[i - 1];
        }
        M[n - 2] = r[n - 2] / b[n - 2];
        for (size_t i = n - 2; i-- > 1;)
            M[i] = (r[i] - c[i] * M[i + 1]) / b[i];
    }

    double at(double t) const
    {
        if (t <= x.front())
            return y.front();
        if (t >= x.back())
            return y.back();
        size_t i = 1;
        while (t > x[i])
            ++i;
        const double h = x[i] - x[i - 1], j = t - x[i - 1], k = h - j;
        const double v = ((y[i - 1] - (h + k) * (M[i - 1] * j) / 6) * k + (y[i] - (h + j) * (k * M[i]) / 6) * j) / h;
        return std::clamp(v, 0.0, 255.0);
    }
};

const QList<QPointF> kDiagonal = {{0, 0}, {255, 255}};

QPointF widgetPointForGrid(const MCCurvesView &view, QPointF grid)
{
    return QPointF(grid.x() + 16, view.height() - (grid.y() + 16));
}

struct RecordingCurvesDelegate : MCCurvesViewDeleate
{
    std::vector<std::string> calls;
    void curvesViewDidUpdate(MCCurvesView *) override { calls.push_back("update"); }
    void curvesViewWillStartTracking(MCCurvesView *) override { calls.push_back("start"); }
    void curvesViewDidFinishTracking(MCCurvesView *) override { calls.push_back("finish"); }
};

// A whole drag of the view from one grid point to another.
void drag(MCCurvesView &view, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {})
{
    sendMouse(view, QEvent::MouseButtonPress, widgetPointForGrid(view, from), modifiers);
    sendMouse(view, QEvent::MouseMove, widgetPointForGrid(view, (from + to) / 2), modifiers);
    sendMouse(view, QEvent::MouseButtonRelease, widgetPointForGrid(view, to), modifiers);
}

} // namespace

TEST(MCCurvesView, SplineSamplesFollowTheFormula)
{
    const QList<QList<QPointF>> curves = {
        kDiagonal,
        {{0, 0}, {128, 200}, {255, 255}},
        {{0, 30}, {40, 10}, {90, 200}, {170, 60}, {255, 240}},
        {{12, 40}, {13, 41}, {100, 100}, {230, 250}},          // a one-unit segment, flat ends
        {{0, 255}, {64, 0}, {65, 255}, {200, 10}, {255, 128}}, // overshoots clamped to the grid
    };
    for (const QList<QPointF> &points : curves) {
        SCOPED_TRACE(points.size());
        const ReferenceSpline reference(points);
        const QList<QPointF> samples = MCCurvesView::splinePointsInRect(QRectF(0, 0, 255, 255), points);
        ASSERT_EQ(samples.size(), 256); // every level once (a knot ends one segment and starts the next)
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(samples[i].x(), i);
            ASSERT_NEAR(samples[i].y(), reference.at(i), 1e-9) << "level " << i;
        }
        // Between the levels, the exact value with the real segment widths.
        MCCurvesView view;
        view.setControlPoints(points);
        for (double x : {0.25, 12.5, 12.75, 63.3, 64.5, 99.99, 201.7, 254.9}) {
            const QPointF p = view.locationAtX(x);
            ASSERT_EQ(p.x(), x);
            ASSERT_NEAR(p.y(), reference.at(x), 1e-9) << "x " << x;
        }
    }
    // Mapped into a rectangle: x' = x × width / 255 + x0.
    const QList<QPointF> mapped = MCCurvesView::splinePointsInRect(QRectF(10, 20, 510, 127.5), kDiagonal);
    EXPECT_EQ(mapped.first(), QPointF(10, 20));
    EXPECT_EQ(mapped.last(), QPointF(520, 147.5));
}

TEST(MCCurvesView, DefaultCurveAndLocations)
{
    MCCurvesView view;
    EXPECT_EQ(view.controlPoints(), kDiagonal);
    EXPECT_EQ(view.locationAtX(100), QPointF(100, 100));
    EXPECT_EQ(view.locationAtX(-1), QPointF(-1, MCCurvesView::kNoPoint));
    EXPECT_EQ(view.locationAtX(255.5), QPointF(255.5, MCCurvesView::kNoPoint));

    // Flat before the first point and after the last.
    view.setControlPoints({{10, 40}, {200, 220}});
    const QList<QPointF> samples = MCCurvesView::splinePointsInRect(QRectF(0, 0, 255, 255), view.controlPoints());
    ASSERT_EQ(samples.size(), 256);
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(samples[i], QPointF(i, 40));
    for (int i = 200; i < 256; ++i)
        EXPECT_EQ(samples[i], QPointF(i, 220));
    EXPECT_EQ(view.locationAtX(3), QPointF(3, 40));
    EXPECT_EQ(view.locationAtX(250), QPointF(250, 220));

    EXPECT_EQ(MCCurvesView::convertViewPointToGridPoint({116.5, 15.4}), QPointF(101, -1));
    EXPECT_EQ(MCCurvesView::convertGridPointToViewPoint({101, -1}), QPointF(117, 15));
}

TEST(MCCurvesView, DamagedPointListsAreMended)
{
    const struct {
        const char *what;
        QList<QPointF> points;
        QList<QPointF> shown;
    } cases[] = {
        {"unsorted", {{255, 255}, {128, 160}, {0, 0}}, {{0, 0}, {128, 160}, {255, 255}}},
        {"outside the grid", {{-40, -10}, {128, 400}, {300, 255}}, {{0, 0}, {128, 255}, {255, 255}}},
        {"closer than one unit", {{0, 0}, {100, 50}, {100.5, 60}, {101, 70}, {255, 255}},
         {{0, 0}, {100, 50}, {101, 70}, {255, 255}}},
        {"not a number", {{0, 0}, {NAN, 5}, {255, NAN}, {255, 255}}, {{0, 0}, {255, 255}}},
        {"one point", {{30, 40}}, kDiagonal},
        {"none", {}, kDiagonal},
        {"well formed", {{0, 10}, {60.5, 70.25}, {255, 200}}, {{0, 10}, {60.5, 70.25}, {255, 200}}},
    };
    for (const auto &c : cases) {
        MCCurvesView view;
        view.setControlPoints(c.points);
        EXPECT_EQ(view.controlPoints(), c.shown) << c.what;
        EXPECT_EQ(view.selectedPointIndex(), 0) << c.what;
    }
}

TEST(MCCurvesView, LayoutKeepsNeighboursApartAndPointsInTheGrid)
{
    MCCurvesView view;
    view.setControlPoints({{0, 0}, {100, 100}, {200, 200}, {255, 255}});
    const struct {
        QPointF proposed;
        qint64 index;
        QPointF laidOut;
    } cases[] = {
        {{150.4, 120.5}, 1, {150, 121}}, // whole numbers, halves away from zero
        {{250, 100}, 1, {199, 100}},     // one short of the right neighbour
        {{-20, 100}, 1, {1, 100}},       // one short of the left neighbour
        {{-20, -5}, 0, {0, 0}},          // the first point stays in the grid
        {{300, 300}, 3, {255, 255}},     // and the last
        {{150, 260}, 2, {150, 255}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(view.layoutPoint(c.proposed, c.index), c.laidOut) << c.index;
}

TEST(MCCurvesView, ClicksSelectKnobsOrAddPointsOnTheCurve)
{
    MCCurvesView view;
    view.resize(280, 280);
    RecordingCurvesDelegate delegate;
    view.setDelegate(&delegate);

    // 8 above the curve adds nothing; 7 above adds the curve's own point and drags it.
    drag(view, {100, 108}, {100, 108});
    EXPECT_EQ(view.controlPoints(), kDiagonal);
    EXPECT_TRUE(delegate.calls.empty());
    drag(view, {100, 107}, {100, 107});
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{0, 0}, {100, 100}, {255, 255}}));
    EXPECT_EQ(view.selectedPointIndex(), 1);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"start", "update", "update", "update", "finish"}));
    // 8 below still counts.
    view.setControlPoints(kDiagonal);
    drag(view, {60, 52}, {60, 52});
    EXPECT_EQ(view.controlPoints().size(), 3);

    // Within 8 of a knob selects it instead of adding (the lowest index where squares overlap).
    view.setControlPoints({{0, 0}, {10, 10}, {255, 255}});
    drag(view, {6, 5}, {6, 5});
    EXPECT_EQ(view.selectedPointIndex(), 0);
    EXPECT_EQ(view.controlPoints().size(), 3);
    drag(view, {9, 12}, {9, 12});
    EXPECT_EQ(view.selectedPointIndex(), 1);

    // Outside the active rectangle nothing happens.
    delegate.calls.clear();
    sendMouse(view, QEvent::MouseButtonPress, QPointF(4, 140));
    sendMouse(view, QEvent::MouseButtonRelease, QPointF(4, 140));
    EXPECT_TRUE(delegate.calls.empty());
}

TEST(MCCurvesView, DragsStopAtNeighboursAndTheGrid)
{
    MCCurvesView view;
    view.resize(280, 280);
    view.setControlPoints({{0, 0}, {100, 100}, {200, 200}, {255, 255}});
    drag(view, {100, 100}, {240, 90}); // past the right neighbour
    EXPECT_EQ(view.controlPoints()[1], QPointF(199, 90));
    drag(view, {255, 255}, {275, 275}); // the last point cannot leave the grid
    EXPECT_EQ(view.controlPoints()[3], QPointF(255, 255));
    drag(view, {0, 0}, {-7, -7});
    EXPECT_EQ(view.controlPoints()[0], QPointF(0, 0));

    // Shift: mostly sideways moves only x, mostly upwards only y, near the diagonal only y.
    const struct {
        QPointF to;
        QPointF result;
    } shifts[] = {{{120, 103}, {120, 100}}, {{103, 130}, {100, 130}}, {{110, 110}, {100, 110}}, {{110, 111}, {100, 111}}};
    for (const auto &s : shifts) {
        view.setControlPoints({{0, 0}, {100, 100}, {255, 255}});
        drag(view, {100, 100}, s.to, Qt::ShiftModifier);
        EXPECT_EQ(view.controlPoints()[1], s.result) << s.to.x() << "," << s.to.y();
    }

    // Alt: every point moves together and piles up one unit apart at the edge.
    view.setControlPoints({{0, 0}, {100, 100}, {250, 250}});
    drag(view, {100, 100}, {130, 105}, Qt::AltModifier);
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{30, 5}, {130, 105}, {255, 255}}));
    view.setControlPoints({{0, 0}, {100, 100}, {250, 250}});
    drag(view, {100, 100}, {400, 100}, Qt::AltModifier);
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{253, 0}, {254, 100}, {255, 250}}));
}

TEST(MCCurvesView, ShiftPressedDuringADragDecidesTheAxisAfresh)
{
    MCCurvesView view;
    view.resize(280, 280);
    view.setControlPoints({{0, 0}, {100, 100}, {255, 255}});
    sendMouse(view, QEvent::MouseButtonPress, widgetPointForGrid(view, {100, 100}));
    sendMouse(view, QEvent::MouseMove, widgetPointForGrid(view, {130, 104}));
    EXPECT_EQ(view.controlPoints()[1], QPointF(130, 104));
    sendKey(view, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier); // the last offset again, sideways
    EXPECT_EQ(view.controlPoints()[1], QPointF(130, 100));
    sendMouse(view, QEvent::MouseMove, widgetPointForGrid(view, {132, 150}), Qt::ShiftModifier);
    EXPECT_EQ(view.controlPoints()[1], QPointF(132, 100)); // the lock holds
    sendKey(view, QEvent::KeyRelease, Qt::Key_Shift);
    EXPECT_EQ(view.controlPoints()[1], QPointF(132, 150));
    sendMouse(view, QEvent::MouseButtonRelease, widgetPointForGrid(view, {132, 150}));
    EXPECT_FALSE(view.isTracking());
}

TEST(MCCurvesView, ReleasingNextToANeighbourMergesButKeepsTwoPoints)
{
    MCCurvesView view;
    view.resize(280, 280);
    view.setControlPoints({{0, 0}, {100, 100}, {150, 150}, {255, 255}});
    drag(view, {150, 150}, {100, 101}); // stops at x 101, 1 from its neighbour in x and y
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{0, 0}, {101, 101}, {255, 255}}));
    EXPECT_EQ(view.selectedPointIndex(), 1);
    // 2 apart in y is no merge.
    drag(view, {101, 101}, {1, 2});
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{0, 0}, {1, 2}, {255, 255}}));
    // Three points: one goes, two remain; the selection of a removed first point is none.
    drag(view, {0, 0}, {0, 1});
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{1, 2}, {255, 255}}));
    EXPECT_EQ(view.selectedPointIndex(), -1);
    drag(view, {255, 255}, {2, 2}); // only two left: nothing merges
    EXPECT_EQ(view.controlPoints(), (QList<QPointF>{{1, 2}, {2, 2}}));
}

TEST(MCCurvesView, KeysMoveAndSelectPoints)
{
    MCCurvesView view;
    view.resize(280, 280);
    RecordingCurvesDelegate delegate;
    view.setDelegate(&delegate);
    view.setControlPoints({{0, 0}, {100, 100}, {255, 255}});
    sendKey(view, QEvent::KeyPress, Qt::Key_PageDown);
    EXPECT_EQ(view.selectedPointIndex(), 1);
    sendKey(view, QEvent::KeyPress, Qt::Key_Up);
    sendKey(view, QEvent::KeyPress, Qt::Key_Right);
    EXPECT_EQ(view.controlPoints()[1], QPointF(101, 101));
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"start", "update", "update", "finish", "start", "update",
                                                         "update", "finish"}));
    sendKey(view, QEvent::KeyPress, Qt::Key_PageUp);
    sendKey(view, QEvent::KeyPress, Qt::Key_PageUp);
    EXPECT_EQ(view.selectedPointIndex(), 0);
}
