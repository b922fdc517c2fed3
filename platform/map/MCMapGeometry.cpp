#include "platform/map/MCMapGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// x wrapped into [0, 1).
double wrappedUnit(double x)
{
    x -= std::floor(x);
    return x >= 1.0 ? 0.0 : x;
}

// The world point of the viewport's centre.
QPointF centerPoint(const MCMapViewport &viewport)
{
    return MCMapWorldPointForCoordinate(viewport.center);
}

} // namespace

QPointF MCMapWorldPointForCoordinate(const CLLocationCoordinate2D &coordinate)
{
    const double latitude = std::clamp(coordinate.latitude, -kMCMapMaximumLatitude, kMCMapMaximumLatitude);
    const double phi = latitude * std::numbers::pi / 180.0;
    const double x = (coordinate.longitude + 180.0) / 360.0;
    const double y = 0.5 - std::log(std::tan(std::numbers::pi / 4.0 + phi / 2.0)) / (2.0 * std::numbers::pi);
    return QPointF(x, std::clamp(y, 0.0, 1.0));
}

CLLocationCoordinate2D MCMapCoordinateForWorldPoint(const QPointF &point)
{
    const double longitude = wrappedUnit(point.x()) * 360.0 - 180.0;
    const double y = std::clamp(point.y(), 0.0, 1.0);
    const double latitude =
        std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * y))) * 180.0 / std::numbers::pi;
    return CLLocationCoordinate2DMake(latitude, longitude);
}

double MCMapClampedZoom(double zoom)
{
    if (!std::isfinite(zoom))
        return kMCMapMinimumZoom;
    return std::clamp(zoom, kMCMapMinimumZoom, kMCMapMaximumZoom);
}

double MCMapWorldSize(double zoom)
{
    return kMCMapTileSize * std::exp2(MCMapClampedZoom(zoom));
}

QPointF MCMapViewPointForCoordinate(const MCMapViewport &viewport, const CLLocationCoordinate2D &coordinate)
{
    const double size = MCMapWorldSize(viewport.zoom);
    const QPointF center = centerPoint(viewport), point = MCMapWorldPointForCoordinate(coordinate);
    // The copy nearest the centre: the sideways distance wrapped into half a world each way.
    const double dx = wrappedUnit(point.x() - center.x() + 0.5) - 0.5;
    return QPointF(viewport.size.width() / 2.0 + dx * size,
                   viewport.size.height() / 2.0 + (point.y() - center.y()) * size);
}

CLLocationCoordinate2D MCMapCoordinateForViewPoint(const MCMapViewport &viewport, const QPointF &point)
{
    const double size = MCMapWorldSize(viewport.zoom);
    const QPointF center = centerPoint(viewport);
    return MCMapCoordinateForWorldPoint(
        QPointF(center.x() + (point.x() - viewport.size.width() / 2.0) / size,
                center.y() + (point.y() - viewport.size.height() / 2.0) / size));
}

MCMapViewport MCMapViewportCenteredAt(const MCMapViewport &viewport, const CLLocationCoordinate2D &center)
{
    MCMapViewport result = viewport;
    // Through the projection and back: wraps the longitude and holds the latitude inside.
    result.center = MCMapCoordinateForWorldPoint(MCMapWorldPointForCoordinate(center));
    result.zoom = MCMapClampedZoom(viewport.zoom);
    return result;
}

MCMapViewport MCMapViewportZoomedAt(const MCMapViewport &viewport, double zoom, const QPointF &anchor)
{
    const double before = MCMapWorldSize(viewport.zoom), after = MCMapWorldSize(zoom);
    const QPointF offset = anchor - QPointF(viewport.size.width() / 2.0, viewport.size.height() / 2.0);
    const QPointF anchored = centerPoint(viewport) + offset / before;
    MCMapViewport result = viewport;
    result.zoom = MCMapClampedZoom(zoom);
    result.center = MCMapCoordinateForWorldPoint(anchored - offset / after);
    return result;
}

MCMapViewport MCMapViewportPanned(const MCMapViewport &viewport, const QPointF &delta)
{
    MCMapViewport result = viewport;
    result.center = MCMapCoordinateForWorldPoint(centerPoint(viewport) - delta / MCMapWorldSize(viewport.zoom));
    return result;
}

QPointF MCMapWorldOrigin(const MCMapViewport &viewport)
{
    const double size = MCMapWorldSize(viewport.zoom);
    const QPointF center = centerPoint(viewport);
    return QPointF(viewport.size.width() / 2.0 - center.x() * size, viewport.size.height() / 2.0 - center.y() * size);
}

std::vector<double> MCMapWorldCopyOrigins(const MCMapViewport &viewport)
{
    const double size = MCMapWorldSize(viewport.zoom), width = viewport.size.width();
    const double origin = MCMapWorldOrigin(viewport).x();
    std::vector<double> origins;
    // The first copy whose right edge lies right of the view's left edge, then every copy that
    // starts left of the view's right edge.
    for (double left = origin - std::ceil(origin / size) * size; left < width; left += size) {
        if (left + size > 0.0)
            origins.push_back(left);
    }
    return origins;
}

QRectF MCMapVisibleWorldRect(const MCMapViewport &viewport, const QPointF &origin)
{
    const double size = MCMapWorldSize(viewport.zoom);
    return QRectF(-origin.x() / size, -origin.y() / size, viewport.size.width() / size,
                  viewport.size.height() / size);
}

QPointF MCMapPinHeadCenter(const QPointF &tip)
{
    return tip - QPointF(0.0, kMCMapPinHeight - kMCMapPinHeadRadius);
}

QRectF MCMapPinBounds(const QPointF &tip)
{
    // The head, and the shadow that falls to the right of the tip.
    return QRectF(tip.x() - kMCMapPinHeadRadius - 1.0, tip.y() - kMCMapPinHeight - 1.0,
                  2.0 * kMCMapPinHeadRadius + 12.0, kMCMapPinHeight + 4.0);
}

bool MCMapPinContainsPoint(const QPointF &tip, const QPointF &point)
{
    const QPointF head = point - MCMapPinHeadCenter(tip);
    const double reach = kMCMapPinHeadRadius + 2.0;
    if (head.x() * head.x() + head.y() * head.y() <= reach * reach)
        return true;
    return std::abs(point.x() - tip.x()) <= 2.0 && point.y() <= tip.y() &&
           point.y() >= MCMapPinHeadCenter(tip).y();
}
