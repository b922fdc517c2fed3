#pragma once

// The geometry of the offline map, as pure functions: the projection, the visible part of the
// world, zooming about a point, panning and the pin's shape.
//
// The world is drawn in the spherical Mercator projection. A "world point" is a position in
// the projected world scaled to the unit square: x from 0 at 180° west to 1 at 180° east, y
// from 0 at the northern edge (about 85.05° north) to 1 at the southern one. At zoom z the world
// is 256 · 2^z pixels wide; it repeats sideways without end, so a view near the 180th meridian
// shows both of its sides. View points are the widget's pixels, y pointing down.
#include "platform/location/CLLocation.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <vector>

// The latitude of the projected world's edges: the square world of the spherical Mercator.
inline constexpr double kMCMapMaximumLatitude = 85.05112877980659;
// The zoom levels the offline data serves: 0 shows the whole world in 256 pixels; at 8 the
// outlines of the medium scale are as fine as the pixels.
inline constexpr double kMCMapMinimumZoom = 0.0;
inline constexpr double kMCMapMaximumZoom = 8.0;
inline constexpr double kMCMapTileSize = 256.0;

// The world point of a coordinate; latitudes beyond the edges land on the edge.
QPointF MCMapWorldPointForCoordinate(const CLLocationCoordinate2D &coordinate);
// The coordinate of a world point: x wrapped into the one world (longitude in [-180°, 180°)),
// y clamped to its edges.
CLLocationCoordinate2D MCMapCoordinateForWorldPoint(const QPointF &point);

double MCMapClampedZoom(double zoom);
// The width (and height) of the world in pixels at `zoom`.
double MCMapWorldSize(double zoom);

// What a map shows: the coordinate at the middle of the view, the zoom and the view's size.
struct MCMapViewport
{
    CLLocationCoordinate2D center;
    double zoom = kMCMapMinimumZoom;
    QSizeF size;

    friend bool operator==(const MCMapViewport &, const MCMapViewport &) = default;
};

// Where a coordinate shows in the view, on the copy of the world nearest the centre.
QPointF MCMapViewPointForCoordinate(const MCMapViewport &viewport, const CLLocationCoordinate2D &coordinate);
// The coordinate under a view point (wrapped into ±180°, clamped to the world's edges).
CLLocationCoordinate2D MCMapCoordinateForViewPoint(const MCMapViewport &viewport, const QPointF &point);

// The viewport centred on `center` (latitude held within the world's edges, longitude wrapped).
MCMapViewport MCMapViewportCenteredAt(const MCMapViewport &viewport, const CLLocationCoordinate2D &center);
// The viewport at another zoom (clamped) that keeps the coordinate under `anchor` in place.
MCMapViewport MCMapViewportZoomedAt(const MCMapViewport &viewport, double zoom, const QPointF &anchor);
// The viewport after the picture moved by `delta` pixels (a drag to the right shows what lies
// further west).
MCMapViewport MCMapViewportPanned(const MCMapViewport &viewport, const QPointF &delta);

// The view position of the top-left corner of the world, for the copy the centre lies on.
QPointF MCMapWorldOrigin(const MCMapViewport &viewport);
// The horizontal view positions of the left edges of every copy of the world that the view
// shows, from left to right.
std::vector<double> MCMapWorldCopyOrigins(const MCMapViewport &viewport);
// The part of the unit world that a copy whose top-left corner stands at `origin` shows.
QRectF MCMapVisibleWorldRect(const MCMapViewport &viewport, const QPointF &origin);

// The pin stands on its tip: a round head above a short needle.
inline constexpr double kMCMapPinHeadRadius = 7.0;
inline constexpr double kMCMapPinHeight = 30.0; // from the tip to the top of the head
QPointF MCMapPinHeadCenter(const QPointF &tip);
// Everything the pin paints, its shadow included.
QRectF MCMapPinBounds(const QPointF &tip);
// Whether a press at `point` takes the pin: on the head (with two pixels to spare) or on the
// needle.
bool MCMapPinContainsPoint(const QPointF &tip, const QPointF &point);
