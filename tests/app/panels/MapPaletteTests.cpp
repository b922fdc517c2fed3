// The shared map palette on the offline map: the pin before and after the map loads, the pin
// that only a target may move, the action sent once per move, the window closing, the map type
// switch and the pin written out.
#include "app/panels/MCMapPaletteController.h"
#include "app/uikit/MCSegmentedControl.h"

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <source_location>

namespace {

void rightClick(QWidget &widget, QPointF point)
{
    QMouseEvent press(QEvent::MouseButtonPress, point, widget.mapToGlobal(point), Qt::RightButton, Qt::RightButton, {});
    QApplication::sendEvent(&widget, &press);
}

void dragPin(MCMapView &map, QPointF from, QPointF to)
{
    const auto send = [&](QEvent::Type type, QPointF point) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, map.mapToGlobal(point), button, buttons, {});
        QApplication::sendEvent(&map, &event);
    };
    send(QEvent::MouseButtonPress, from);
    send(QEvent::MouseMove, (from + to) / 2);
    send(QEvent::MouseMove, to);
    send(QEvent::MouseButtonRelease, to);
}

// Shows the palette and waits for its map's first load.
MCMapPaletteController &loadedPalette(QObject *target, MCMapPaletteController::Action action)
{
    MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
    palette.showPaletteWithTarget(target, std::move(action));
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return palette.isMapInitialized(); }));
    return palette;
}

void expectCoordinate(const CLLocationCoordinate2D &actual, double latitude, double longitude,
                      std::source_location caller = std::source_location::current())
{
    SCOPED_TRACE(testing::Message() << "from line " << caller.line());
    EXPECT_NEAR(actual.latitude, latitude, 1e-9);
    EXPECT_NEAR(actual.longitude, longitude, 1e-9);
}

} // namespace

TEST(MapPalette, CoordinateTexts)
{
    const struct {
        std::optional<CLLocationCoordinate2D> pin;
        const char *text;
    } cases[] = {
        {std::nullopt, "No location"},
        {CLLocationCoordinate2D{48.85, 2.35}, "48.850000° N, 2.350000° E"},
        {CLLocationCoordinate2D{-33.8568, -151.2153}, "33.856800° S, 151.215300° W"},
        {CLLocationCoordinate2D{0, 0}, "0.000000° N, 0.000000° E"},
        {CLLocationCoordinate2D{90, 180}, "90.000000° N, 180.000000° E"},
        {CLLocationCoordinate2D{90.5, 0}, "Invalid location"},
        {CLLocationCoordinate2D{0, -180.01}, "Invalid location"},
        {CLLocationCoordinate2D{std::nan(""), 0}, "Invalid location"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCMapPaletteCoordinateText(c.pin), QString::fromUtf8(c.text));
}

TEST(MapPalette, APinSetBeforeTheMapLoadsIsPlacedByTheFirstLoad)
{
    MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
    expectCoordinate(palette.pinPoint(), kCLLocationCoordinate2DInvalid.latitude, kCLLocationCoordinate2DInvalid.longitude);
    EXPECT_EQ(palette.coordinateLabel()->text(), "No location");
    palette.showPaletteWithTarget(nullptr, {});
    palette.setPinToPoint(CLLocationCoordinate2DMake(-16.5, 179.9)); // near the date line
    MCMapView *map = palette.mapView();
    ASSERT_TRUE(map);
    EXPECT_FALSE(palette.isMapInitialized());
    EXPECT_TRUE(map->annotations().empty()); // only the point is recorded
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return palette.isMapInitialized(); }));
    // The first load centres on the pin at the closest zoom the offline map has, and adds it.
    expectCoordinate(map->centerCoordinate(), -16.5, 179.9);
    EXPECT_EQ(map->zoom(), kMCMapMaximumZoom);
    EXPECT_EQ(map->mapType(), 0);
    EXPECT_TRUE(map->scrollToZoom());
    ASSERT_EQ(map->annotations().size(), 1u);
    MCMapPinAnnotationView *view = map->viewForAnnotation(palette.pinAnnotation());
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->animatesDrop());
    EXPECT_FALSE(view->isDraggable()); // shown from the browser: view only
    EXPECT_EQ(palette.coordinateLabel()->text(), QString::fromUtf8("16.500000° S, 179.900000° E"));

    // Later pins centre the map on them at once.
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    expectCoordinate(map->centerCoordinate(), 48.85, 2.35);
    palette.hidePalette();
}

TEST(MapPalette, WithoutATargetClicksAndDragsPlaceNothing)
{
    MCMapPaletteController &palette = loadedPalette(nullptr, {});
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    MCMapView &map = *palette.mapView();
    rightClick(map, QPointF(20, 20));
    palette.mapViewUserDidDoubleClickAtCoordinate(&map, CLLocationCoordinate2DMake(1, 1));
    const QPointF tip = map.pointForAnnotation(palette.pinAnnotation());
    dragPin(map, tip - QPointF(0, 20), tip + QPointF(60, 40));
    expectCoordinate(palette.pinPoint(), 48.85, 2.35);
    // An action without a target, or a target without an action, still cannot move the pin.
    QObject target;
    palette.showPaletteWithTarget(nullptr, [](MCMapPaletteController *) { FAIL(); });
    EXPECT_FALSE(palette.canDragAnnotation());
    palette.showPaletteWithTarget(&target, {});
    EXPECT_FALSE(palette.canDragAnnotation());
    rightClick(map, QPointF(20, 20));
    expectCoordinate(palette.pinPoint(), 48.85, 2.35);
    palette.hidePalette();
}

TEST(MapPalette, ATargetHearsEachMoveOnceAndTheMapStays)
{
    QObject target;
    int actions = 0;
    MCMapPaletteController *sender = nullptr;
    MCMapPaletteController &palette = loadedPalette(&target, [&](MCMapPaletteController *s) {
        ++actions;
        sender = s;
    });
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    MCMapView &map = *palette.mapView();
    ASSERT_TRUE(map.viewForAnnotation(palette.pinAnnotation())->isDraggable());
    const CLLocationCoordinate2D centre = map.centerCoordinate();

    // A right click moves the pin there and tells the target; the map does not move.
    const QPointF clicked(40, 60);
    const CLLocationCoordinate2D expected = MCMapCoordinateForViewPoint(map.viewport(), clicked);
    rightClick(map, clicked);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(sender, &palette);
    expectCoordinate(palette.pinPoint(), expected.latitude, expected.longitude);
    expectCoordinate(map.centerCoordinate(), centre.latitude, centre.longitude);
    EXPECT_EQ(palette.coordinateLabel()->text(), MCMapPaletteCoordinateText(expected));

    // A drop sends one action with the dropped point (the pin taken by its head moves with
    // the pointer).
    const QPointF tip = map.pointForAnnotation(palette.pinAnnotation());
    dragPin(map, tip - QPointF(0, 20), tip + QPointF(80, 30));
    EXPECT_EQ(actions, 2);
    const CLLocationCoordinate2D dropped = MCMapCoordinateForViewPoint(map.viewport(), tip + QPointF(80, 50));
    expectCoordinate(palette.pinPoint(), dropped.latitude, dropped.longitude);
    expectCoordinate(map.centerCoordinate(), centre.latitude, centre.longitude);

    // Setting the pin tells nobody.
    palette.setPinToPoint(CLLocationCoordinate2DMake(10, 10));
    EXPECT_EQ(actions, 2);
    palette.hidePalette();
}

TEST(MapPalette, ClosingDropsTheTargetAndReopeningDecidesTheDrag)
{
    auto target = std::make_unique<QObject>();
    int actions = 0;
    MCMapPaletteController &palette = loadedPalette(target.get(), [&](MCMapPaletteController *) { ++actions; });
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    MCMapView &map = *palette.mapView();
    palette.window()->close();
    EXPECT_FALSE(palette.isPaletteVisible());
    EXPECT_FALSE(palette.canDragAnnotation());
    rightClick(map, QPointF(30, 30));
    EXPECT_EQ(actions, 0);

    // Reopened from the browser: a view-only pin.
    palette.showPaletteWithTarget(nullptr, {});
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    EXPECT_FALSE(map.viewForAnnotation(palette.pinAnnotation())->isDraggable());
    // Reopened from a panel: draggable again once the pin is set again.
    palette.showPaletteWithTarget(target.get(), [&](MCMapPaletteController *) { ++actions; });
    EXPECT_FALSE(map.viewForAnnotation(palette.pinAnnotation())->isDraggable());
    palette.setPinToPoint(CLLocationCoordinate2DMake(48.85, 2.35));
    EXPECT_TRUE(map.viewForAnnotation(palette.pinAnnotation())->isDraggable());
    // A target that goes away takes its action along.
    target.reset();
    EXPECT_FALSE(palette.canDragAnnotation());
    rightClick(map, QPointF(30, 30));
    EXPECT_EQ(actions, 0);
    expectCoordinate(palette.pinPoint(), 48.85, 2.35);
    palette.hidePalette();
}

TEST(MapPalette, SegmentsChooseTheMapTypeAndShowPinCentres)
{
    MCMapPaletteController &palette = loadedPalette(nullptr, {});
    MCMapView &map = *palette.mapView();
    for (const auto &[segment, type] : {std::pair<qint64, qint64>{1, 1}, {0, 0}, {2, 1}, {0, 0}}) {
        palette.switchMapSatelite(segment);
        EXPECT_EQ(map.mapType(), type) << segment;
    }
    palette.mapTypeControl()->setSelectedSegment(1);
    EXPECT_EQ(map.mapType(), 1);

    palette.showPin(); // no pin: nothing
    palette.setPinToPoint(CLLocationCoordinate2DMake(-33.86, 151.2));
    map.setCenterCoordinate(CLLocationCoordinate2DMake(0, 0), false);
    palette.showPin();
    expectCoordinate(map.centerCoordinate(), -33.86, 151.2);
    // Searching needs the network: the map stays.
    palette.searchDidChange(QStringLiteral("Paris"));
    palette.searchDidChange(QString());
    expectCoordinate(map.centerCoordinate(), -33.86, 151.2);
    palette.hidePalette();
}
