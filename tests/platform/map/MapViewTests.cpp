// The map widget with a recording delegate: loading on the next pass of the event loop, pins
// and their views, clicks, pin drags with their drag states, panning, zooming by wheel and
// keys, and closing.
#include "platform/map/MCMapView.h"

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Recorder : MCMapViewDelegate
{
    bool draggable = true;
    int loads = 0;
    std::vector<CLLocationCoordinate2D> rightClicks, doubleClicks;
    // Each drag-state change: the state before, the new one and the pin's coordinate then.
    struct Change
    {
        qint64 from, to;
        CLLocationCoordinate2D coordinate;
    };
    std::vector<Change> changes;

    std::unique_ptr<MCMapPinAnnotationView> mapViewViewForAnnotation(
        MCMapView *, const std::shared_ptr<MCMapPinAnnotation> &annotation) override
    {
        auto view = std::make_unique<MCMapPinAnnotationView>(annotation);
        view->setDraggable(draggable);
        return view;
    }
    void mapViewUserDidRightClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &c) override
    {
        rightClicks.push_back(c);
    }
    void mapViewUserDidDoubleClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &c) override
    {
        doubleClicks.push_back(c);
    }
    void mapViewAnnotationViewWillChangeDragState(MCMapView *, MCMapPinAnnotationView *view, qint64 state) override
    {
        changes.push_back({view->dragState(), state, view->annotation()->coordinate()});
    }
    void mapViewDidFinishLoadingMap(MCMapView *) override { ++loads; }
};

void sendMouse(QWidget &widget, QEvent::Type type, QPointF point, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButton eventButton = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, point, widget.mapToGlobal(point), eventButton, buttons, {});
    QApplication::sendEvent(&widget, &event);
}

bool sendWheel(QWidget &widget, QPointF point, int notches, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent event(point, widget.mapToGlobal(point), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

void sendKey(QWidget &widget, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, {});
    QApplication::sendEvent(&widget, &event);
}

class MapViewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        map = std::make_unique<MCMapView>(QRect(0, 0, 300, 200));
        map->setDelegate(&recorder);
        map->show();
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return map->isLoaded(); }));
        map->initMapType(0, CLLocationCoordinate2DMake(48.85, 2.35), 5, true);
    }
    // A pin at the centre of the view: its tip at (150, 100).
    std::shared_ptr<MCMapPinAnnotation> addPin()
    {
        auto pin = std::make_shared<MCMapPinAnnotation>(CLLocationCoordinate2DMake(48.85, 2.35));
        map->addAnnotation(pin);
        return pin;
    }

    Recorder recorder;
    std::unique_ptr<MCMapView> map;
};

} // namespace

TEST(MCMapView, LoadsOnTheNextPassAndTellsItsDelegateOnce)
{
    Recorder recorder;
    MCMapView map(QRect(0, 0, 200, 100));
    map.setDelegate(&recorder);
    // Before loading: pins and the centre may be set, nothing is told.
    auto pin = std::make_shared<MCMapPinAnnotation>(CLLocationCoordinate2DMake(10, 20));
    map.addAnnotation(pin);
    EXPECT_FALSE(map.isLoaded());
    EXPECT_EQ(recorder.loads, 0);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return map.isLoaded(); }));
    QApplication::processEvents();
    EXPECT_EQ(recorder.loads, 1);
    EXPECT_EQ(map.annotations().size(), 1u);

    // The closest zoom the data serves stands in for a closer one.
    map.initMapType(1, CLLocationCoordinate2DMake(-33.86, 151.2), 14, false);
    EXPECT_EQ(map.zoom(), kMCMapMaximumZoom);
    EXPECT_EQ(map.mapType(), 1);
    EXPECT_FALSE(map.scrollToZoom());
    EXPECT_NEAR(map.centerCoordinate().latitude, -33.86, 1e-9);
    EXPECT_NEAR(map.centerCoordinate().longitude, 151.2, 1e-9);
    map.setMapType(0);
    EXPECT_EQ(map.mapType(), 0);
    map.showAddress(QStringLiteral("Paris")); // offline: nothing moves
    EXPECT_NEAR(map.centerCoordinate().longitude, 151.2, 1e-9);
}

TEST(MCMapView, ClosingEndsEveryCallback)
{
    Recorder recorder;
    MCMapView map(QRect(0, 0, 200, 100));
    map.setDelegate(&recorder);
    map.addAnnotation(std::make_shared<MCMapPinAnnotation>());
    map.close();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(map.isClosed());
    EXPECT_FALSE(map.isLoaded());
    EXPECT_EQ(recorder.loads, 0);
    EXPECT_TRUE(map.annotations().empty());
    sendMouse(map, QEvent::MouseButtonPress, QPointF(50, 50), Qt::RightButton);
    EXPECT_TRUE(recorder.rightClicks.empty());
    map.addAnnotation(std::make_shared<MCMapPinAnnotation>());
    EXPECT_TRUE(map.annotations().empty());
}

TEST_F(MapViewTest, PinsGetTheirViewsFromTheDelegate)
{
    auto pin = addPin();
    ASSERT_NE(map->viewForAnnotation(pin), nullptr);
    EXPECT_TRUE(map->viewForAnnotation(pin)->isDraggable());
    EXPECT_EQ(map->viewForAnnotation(pin)->annotation(), pin);
    map->addAnnotation(pin); // once only
    EXPECT_EQ(map->annotations().size(), 1u);
    EXPECT_NEAR(map->pointForAnnotation(pin).x(), 150, 1e-6);
    EXPECT_NEAR(map->pointForAnnotation(pin).y(), 100, 1e-6);
    map->removeAnnotation(pin);
    EXPECT_TRUE(map->annotations().empty());
    EXPECT_EQ(map->viewForAnnotation(pin), nullptr);
    // Without a delegate's view the pin stays put.
    map->setDelegate(nullptr);
    map->addAnnotation(pin);
    EXPECT_FALSE(map->viewForAnnotation(pin)->isDraggable());
}

TEST_F(MapViewTest, ClicksReportTheirCoordinates)
{
    const QPointF point(40, 170);
    const CLLocationCoordinate2D expected = MCMapCoordinateForViewPoint(map->viewport(), point);
    sendMouse(*map, QEvent::MouseButtonPress, point, Qt::RightButton);
    sendMouse(*map, QEvent::MouseButtonRelease, point, Qt::RightButton);
    sendMouse(*map, QEvent::MouseButtonDblClick, point);
    sendMouse(*map, QEvent::MouseButtonRelease, point);
    ASSERT_EQ(recorder.rightClicks.size(), 1u);
    ASSERT_EQ(recorder.doubleClicks.size(), 1u);
    for (const CLLocationCoordinate2D &c : {recorder.rightClicks[0], recorder.doubleClicks[0]}) {
        EXPECT_NEAR(c.latitude, expected.latitude, 1e-9);
        EXPECT_NEAR(c.longitude, expected.longitude, 1e-9);
    }
    EXPECT_NEAR(map->centerCoordinate().latitude, 48.85, 1e-9); // nothing moved
}

TEST_F(MapViewTest, DraggingAPinGoesThroughItsStatesAndDropsItThere)
{
    auto pin = addPin();
    sendMouse(*map, QEvent::MouseButtonPress, QPointF(150, 80)); // on the head
    sendMouse(*map, QEvent::MouseMove, QPointF(170, 90));
    sendMouse(*map, QEvent::MouseMove, QPointF(200, 120));
    sendMouse(*map, QEvent::MouseButtonRelease, QPointF(200, 120));
    const CLLocationCoordinate2D dropped = MCMapCoordinateForViewPoint(map->viewport(), QPointF(200, 140));
    ASSERT_EQ(recorder.changes.size(), 4u);
    const qint64 expected[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recorder.changes[i].from, expected[i][0]);
        EXPECT_EQ(recorder.changes[i].to, expected[i][1]);
    }
    // The pin had its new place when the drag ended, and the map stayed.
    EXPECT_NEAR(recorder.changes[2].coordinate.latitude, dropped.latitude, 1e-9);
    EXPECT_NEAR(recorder.changes[2].coordinate.longitude, dropped.longitude, 1e-9);
    EXPECT_NEAR(recorder.changes[0].coordinate.latitude, 48.85, 1e-9);
    EXPECT_NEAR(pin->coordinate().longitude, dropped.longitude, 1e-9);
    EXPECT_EQ(map->viewForAnnotation(pin)->dragState(), MCMapPinDragStateNone);
    EXPECT_NEAR(map->centerCoordinate().latitude, 48.85, 1e-9);
}

TEST_F(MapViewTest, APressThatMovesNothingOrEscapeCancelsTheDrag)
{
    auto pin = addPin();
    sendMouse(*map, QEvent::MouseButtonPress, QPointF(150, 80));
    sendMouse(*map, QEvent::MouseButtonRelease, QPointF(150, 80));
    sendMouse(*map, QEvent::MouseButtonPress, QPointF(150, 80));
    sendMouse(*map, QEvent::MouseMove, QPointF(190, 60));
    sendKey(*map, Qt::Key_Escape);
    sendMouse(*map, QEvent::MouseButtonRelease, QPointF(190, 60));
    const qint64 expected[][2] = {{0, 1}, {1, 4}, {4, 0}, {0, 1}, {1, 2}, {2, 4}, {4, 0}};
    ASSERT_EQ(recorder.changes.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recorder.changes[i].from, expected[i][0]);
        EXPECT_EQ(recorder.changes[i].to, expected[i][1]);
    }
    EXPECT_NEAR(pin->coordinate().latitude, 48.85, 1e-9);
    EXPECT_NEAR(pin->coordinate().longitude, 2.35, 1e-9);
}

TEST_F(MapViewTest, AFixedPinIsNotDraggedTheMapIs)
{
    recorder.draggable = false;
    auto pin = addPin();
    sendMouse(*map, QEvent::MouseButtonPress, QPointF(150, 80));
    sendMouse(*map, QEvent::MouseMove, QPointF(250, 80));
    sendMouse(*map, QEvent::MouseButtonRelease, QPointF(250, 80));
    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_NEAR(pin->coordinate().longitude, 2.35, 1e-9);
    // The map moved 100 pixels right, so the centre lies further west; the pin moved along.
    EXPECT_NEAR(map->centerCoordinate().longitude, 2.35 - 100.0 / MCMapWorldSize(5) * 360.0, 1e-9);
    EXPECT_NEAR(map->pointForAnnotation(pin).x(), 250, 1e-6);
}

TEST_F(MapViewTest, WheelAndKeysZoom)
{
    // With scroll-to-zoom the wheel zooms about the pointer.
    const QPointF anchor(60, 50);
    const CLLocationCoordinate2D under = MCMapCoordinateForViewPoint(map->viewport(), anchor);
    EXPECT_TRUE(sendWheel(*map, anchor, 2));
    EXPECT_DOUBLE_EQ(map->zoom(), 6.0);
    const QPointF after = MCMapViewPointForCoordinate(map->viewport(), under);
    EXPECT_NEAR(after.x(), anchor.x(), 1e-6);
    EXPECT_NEAR(after.y(), anchor.y(), 1e-6);
    sendKey(*map, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(map->zoom(), 5.0);
    sendKey(*map, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(map->zoom(), 6.0);
    const double longitude = map->centerCoordinate().longitude;
    sendKey(*map, Qt::Key_Right);
    EXPECT_GT(map->centerCoordinate().longitude, longitude);

    // Without it the wheel passes to the list around the map, unless Control is held.
    map->initMapType(0, CLLocationCoordinate2DMake(0, 0), 3, false);
    EXPECT_FALSE(sendWheel(*map, anchor, 1));
    EXPECT_DOUBLE_EQ(map->zoom(), 3.0);
    EXPECT_TRUE(sendWheel(*map, anchor, -2, Qt::ControlModifier));
    EXPECT_DOUBLE_EQ(map->zoom(), 2.0);
}

TEST_F(MapViewTest, AnAnimatedCentreIsTheNewCentreAtOnce)
{
    map->setCenterCoordinate(CLLocationCoordinate2DMake(-33.86, 151.2), true);
    EXPECT_NEAR(map->centerCoordinate().latitude, -33.86, 1e-9);
    EXPECT_NEAR(map->centerCoordinate().longitude, 151.2, 1e-9);
    map->setCenterCoordinate(CLLocationCoordinate2DMake(10, 200), false); // wrapped
    EXPECT_NEAR(map->centerCoordinate().longitude, -160, 1e-9);
}
