// The offline map's geometry: the projection, view points on a world that repeats sideways,
// zooming about a point, panning, the copies of the world a view shows and the pin's hit test;
// and the coordinate checks the map's callers rely on.
#include "platform/location/CLLocation.h"
#include "platform/map/MCMapGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

MCMapViewport viewport(double latitude, double longitude, double zoom, double width, double height)
{
    return MCMapViewport{CLLocationCoordinate2DMake(latitude, longitude), zoom, QSizeF(width, height)};
}

} // namespace

TEST(CLLocation, ValidityAndNormalising)
{
    EXPECT_FALSE(CLLocationCoordinate2DIsValid(kCLLocationCoordinate2DInvalid));
    const struct {
        double latitude, longitude;
        bool valid;
        std::optional<CLLocationCoordinate2D> normalized;
    } cases[] = {
        {0, 0, true, CLLocationCoordinate2D{0, 0}},
        {90, 180, true, CLLocationCoordinate2D{90, 180}},     // the edges stay as they are
        {-90, -180, true, CLLocationCoordinate2D{-90, -180}},
        {48.85, 190, false, CLLocationCoordinate2D{48.85, -170}}, // a map's next copy of the world
        {10, -190, false, CLLocationCoordinate2D{10, 170}},
        {10, 540, false, CLLocationCoordinate2D{10, -180}},
        {10, -900, false, CLLocationCoordinate2D{10, -180}},
        {95, 10, false, CLLocationCoordinate2D{90, 10}},
        {-123, 10, false, CLLocationCoordinate2D{-90, 10}},
        {kNaN, 10, false, std::nullopt},
        {10, kNaN, false, std::nullopt},
        {kInfinity, 10, false, std::nullopt},
        {10, -kInfinity, false, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
        const CLLocationCoordinate2D coordinate = CLLocationCoordinate2DMake(c.latitude, c.longitude);
        EXPECT_EQ(CLLocationCoordinate2DIsValid(coordinate), c.valid);
        const std::optional<CLLocationCoordinate2D> normalized = MCNormalizedCoordinate(coordinate);
        ASSERT_EQ(normalized.has_value(), c.normalized.has_value());
        if (normalized) {
            EXPECT_DOUBLE_EQ(normalized->latitude, c.normalized->latitude);
            EXPECT_NEAR(normalized->longitude, c.normalized->longitude, 1e-9);
            EXPECT_TRUE(CLLocationCoordinate2DIsValid(*normalized));
        }
    }
}

TEST(MCMapGeometry, ProjectsCoordinatesAndBack)
{
    const struct {
        double latitude, longitude, x, y;
    } cases[] = {
        {0, 0, 0.5, 0.5},
        {0, -180, 0.0, 0.5},
        {0, 90, 0.75, 0.5},
        {45, 0, 0.5, 0.359725},                  // Mercator stretches the north
        {-45, -90, 0.25, 0.640275},
        {kMCMapMaximumLatitude, 0, 0.5, 0.0},   // the square world's edges
        {-kMCMapMaximumLatitude, 0, 0.5, 1.0},
        {89.9, 0, 0.5, 0.0},                    // beyond them: on the edge
        {-90, 0, 0.5, 1.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
        const QPointF point = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(c.latitude, c.longitude));
        EXPECT_NEAR(point.x(), c.x, 1e-6);
        EXPECT_NEAR(point.y(), c.y, 1e-6);
        const CLLocationCoordinate2D back = MCMapCoordinateForWorldPoint(point);
        EXPECT_NEAR(back.latitude, std::clamp(c.latitude, -kMCMapMaximumLatitude, kMCMapMaximumLatitude), 1e-9);
        EXPECT_NEAR(back.longitude, c.longitude, 1e-9);
    }
    // World points off the world wrap sideways and stop at the edges.
    const struct {
        double x, y, latitude, longitude;
    } outside[] = {{1.25, 0.5, 0, -90}, {-0.25, 0.5, 0, 90}, {1.0, 0.5, 0, -180}, {0.5, -3, kMCMapMaximumLatitude, 0},
                   {0.5, 7, -kMCMapMaximumLatitude, 0}};
    for (const auto &c : outside) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        const CLLocationCoordinate2D coordinate = MCMapCoordinateForWorldPoint(QPointF(c.x, c.y));
        EXPECT_NEAR(coordinate.latitude, c.latitude, 1e-9);
        EXPECT_NEAR(coordinate.longitude, c.longitude, 1e-9);
    }
}

TEST(MCMapGeometry, ZoomsAreHeldToWhatTheDataServes)
{
    const struct {
        double zoom, clamped, worldSize;
    } cases[] = {{0, 0, 256}, {1, 1, 512}, {2.5, 2.5, 256 * std::exp2(2.5)}, {8, 8, 65536}, {14, 8, 65536},
                 {-3, 0, 256}, {kNaN, 0, 256}, {kInfinity, 0, 256}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.zoom);
        EXPECT_DOUBLE_EQ(MCMapClampedZoom(c.zoom), c.clamped);
        EXPECT_DOUBLE_EQ(MCMapWorldSize(c.zoom), c.worldSize);
    }
}

TEST(MCMapGeometry, ViewPointsLieOnTheCopyNearestTheCentre)
{
    const struct {
        MCMapViewport viewport;
        double latitude, longitude, x, y;
    } cases[] = {
        {viewport(0, 0, 0, 256, 256), 0, 0, 128, 128},
        {viewport(0, 0, 0, 256, 256), 0, 90, 192, 128},
        {viewport(0, 0, 0, 256, 256), 0, -180, 0, 128},
        {viewport(0, 0, 1, 300, 200), 0, 45, 150 + 64, 100},
        // Across the date line: 179° W lies two degrees east of 179° E, not a world away.
        {viewport(0, 179, 2, 200, 200), 0, -179, 100 + 1024.0 * 2 / 360, 100},
        {viewport(0, -179, 2, 200, 200), 0, 179, 100 - 1024.0 * 2 / 360, 100},
        {viewport(0, 0, 2, 200, 200), 45, 0, 100, 100 - (0.5 - 0.359725) * 1024},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude << " at zoom " << c.viewport.zoom);
        const CLLocationCoordinate2D coordinate = CLLocationCoordinate2DMake(c.latitude, c.longitude);
        const QPointF point = MCMapViewPointForCoordinate(c.viewport, coordinate);
        EXPECT_NEAR(point.x(), c.x, 1e-3);
        EXPECT_NEAR(point.y(), c.y, 1e-3);
        // And back, always within ±180°.
        const CLLocationCoordinate2D back = MCMapCoordinateForViewPoint(c.viewport, point);
        EXPECT_NEAR(back.latitude, c.latitude, 1e-6);
        EXPECT_NEAR(std::remainder(back.longitude - c.longitude, 360.0), 0.0, 1e-6);
        EXPECT_TRUE(CLLocationCoordinate2DIsValid(back));
    }
}

TEST(MCMapGeometry, ZoomingKeepsThePointUnderTheAnchor)
{
    const struct {
        MCMapViewport viewport;
        double zoom;
        QPointF anchor;
        double expectedZoom;
    } cases[] = {
        {viewport(48.85, 2.35, 4, 300, 200), 5, QPointF(150, 100), 5},     // about the centre
        {viewport(48.85, 2.35, 4, 300, 200), 6.5, QPointF(20, 180), 6.5},  // about a corner
        {viewport(0, 179, 3, 300, 200), 4, QPointF(290, 100), 4},          // the anchor past the date line
        {viewport(-33.86, 151.2, 7, 300, 200), 14, QPointF(200, 50), 8},   // held to the closest zoom
        {viewport(10, 10, 0, 300, 200), -2, QPointF(100, 100), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "zoom " << c.viewport.zoom << " to " << c.zoom);
        const MCMapViewport zoomed = MCMapViewportZoomedAt(c.viewport, c.zoom, c.anchor);
        EXPECT_DOUBLE_EQ(zoomed.zoom, c.expectedZoom);
        EXPECT_EQ(zoomed.size, c.viewport.size);
        const CLLocationCoordinate2D before = MCMapCoordinateForViewPoint(c.viewport, c.anchor);
        const QPointF after = MCMapViewPointForCoordinate(zoomed, before);
        if (c.expectedZoom != c.viewport.zoom && c.expectedZoom != 0) {
            EXPECT_NEAR(after.x(), c.anchor.x(), 1e-6);
            EXPECT_NEAR(after.y(), c.anchor.y(), 1e-6);
        }
        EXPECT_TRUE(CLLocationCoordinate2DIsValid(zoomed.center));
    }
}

TEST(MCMapGeometry, PanningMovesTheCentreAgainstTheDrag)
{
    const struct {
        MCMapViewport viewport;
        QPointF delta;
        double latitude, longitude;
    } cases[] = {
        {viewport(0, 0, 0, 256, 256), QPointF(64, 0), 0, -90},    // dragged right: further west
        {viewport(0, 0, 0, 256, 256), QPointF(-64, 0), 0, 90},
        {viewport(0, 170, 0, 256, 256), QPointF(-64, 0), 0, -100}, // over the date line, wrapped
        {viewport(0, 0, 0, 256, 256), QPointF(0, 500), kMCMapMaximumLatitude, 0}, // held at the edge
        {viewport(0, 0, 0, 256, 256), QPointF(0, -500), -kMCMapMaximumLatitude, 0},
        {viewport(0, 0, 2, 256, 256), QPointF(0, 0), 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.delta.x() << ", " << c.delta.y());
        const MCMapViewport panned = MCMapViewportPanned(c.viewport, c.delta);
        EXPECT_NEAR(panned.center.latitude, c.latitude, 1e-9);
        EXPECT_NEAR(panned.center.longitude, c.longitude, 1e-9);
        EXPECT_EQ(panned.zoom, c.viewport.zoom);
    }
    const MCMapViewport centred = MCMapViewportCenteredAt(viewport(0, 0, 14, 100, 100), CLLocationCoordinate2DMake(89, 200));
    EXPECT_NEAR(centred.center.latitude, kMCMapMaximumLatitude, 1e-9);
    EXPECT_NEAR(centred.center.longitude, -160, 1e-9);
    EXPECT_EQ(centred.zoom, kMCMapMaximumZoom);
}

TEST(MCMapGeometry, AViewShowsEveryCopyOfTheWorldItOverlaps)
{
    const struct {
        MCMapViewport viewport;
        std::vector<double> origins;
    } cases[] = {
        {viewport(0, 0, 0, 600, 200), {-84, 172, 428}},      // a wide view at zoom 0: three copies
        {viewport(0, 0, 0, 256, 256), {0}},                   // exactly one world
        {viewport(0, 0, 2, 200, 200), {-412}},                // inside one copy
        {viewport(0, 179, 2, 200, 200), {100 - 1024.0 * 359 / 360, 100 + 1024.0 / 360}}, // the date line
        {viewport(0, -179, 2, 200, 200), {100 - 1024.0 / 360 - 1024, 100 - 1024.0 / 360}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.viewport.center.longitude << " at zoom " << c.viewport.zoom);
        const std::vector<double> origins = MCMapWorldCopyOrigins(c.viewport);
        ASSERT_EQ(origins.size(), c.origins.size());
        for (size_t i = 0; i < origins.size(); ++i)
            EXPECT_NEAR(origins[i], c.origins[i], 1e-6);
    }
    // What one copy shows, in world units.
    const MCMapViewport view = viewport(0, 0, 1, 256, 128);
    const QRectF visible = MCMapVisibleWorldRect(view, MCMapWorldOrigin(view));
    EXPECT_NEAR(visible.left(), 0.25, 1e-12);
    EXPECT_NEAR(visible.top(), 0.375, 1e-12);
    EXPECT_NEAR(visible.width(), 0.5, 1e-12);
    EXPECT_NEAR(visible.height(), 0.25, 1e-12);
}

TEST(MCMapGeometry, PinHitTest)
{
    const QPointF tip(100, 100); // the head's centre is at (100, 77), radius 7 and 2 to spare
    EXPECT_EQ(MCMapPinHeadCenter(tip), QPointF(100, 77));
    const struct {
        QPointF point;
        bool hit;
    } cases[] = {
        {{100, 77}, true},  {{109, 77}, true},  {{110, 77}, false}, {{100, 68}, true}, {{100, 67}, false},
        {{106, 83}, true},  {{108, 85}, false}, // beside the head, off its round
        {{100, 95}, true},  {{102, 99}, true},  {{103, 95}, false}, // the needle
        {{100, 100}, true}, {{100, 101}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x() << ", " << c.point.y());
        EXPECT_EQ(MCMapPinContainsPoint(tip, c.point), c.hit);
    }
}
