#pragma once

// The world the offline map draws, read from the compact file the program ships
// ("Map/World.qxmap" among the resources; the format is described by the tool that writes it,
// tools/mapdata/convert.py) and already projected: every outline is a polygon of world points
// (see MCMapGeometry.h) with its bounds, so drawing only maps and culls.
//
// Two details: the coarse one for wide views and the medium one for close views. Each has land
// areas and inland seas (closed rings), coastlines and the borders between countries (open
// lines).
//
//     std::shared_ptr<const MCWorldMap> world = MCWorldMap::sharedWorld();
//     MCWorldMapDraw(painter, world.get(), viewport, MCMapStyleForMapType(0));
#include "platform/map/MCMapGeometry.h"

#include <QByteArray>
#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

struct MCWorldMapPath
{
    QPolygonF points; // world points
    QRectF bounds;
};

// The land is painted in three steps: the land areas that enclose inland seas, the seas over
// them, then every other land area (islands in those seas among them).
struct MCWorldMapDetail
{
    std::vector<MCWorldMapPath> landAroundLakes;
    std::vector<MCWorldMapPath> lakes;
    std::vector<MCWorldMapPath> land;
    std::vector<MCWorldMapPath> coast;
    std::vector<MCWorldMapPath> borders;
};

class MCWorldMap
{
public:
    static constexpr int kDetailCount = 2;
    // The closest zoom that still draws the coarse detail.
    static constexpr double kCoarseDetailMaximumZoom = 3.5;

    // Reads the file's bytes; a damaged or truncated file answers none with the reason in
    // `error` (when given).
    static std::optional<MCWorldMap> mapWithData(const QByteArray &data, QString *error = nullptr);
    // The shipped world, read on first use and kept; null (with a warning in the log) when the
    // file is missing or damaged, and the map then shows sea and the graticule only.
    static std::shared_ptr<const MCWorldMap> sharedWorld();

    const MCWorldMapDetail &detail(int index) const { return m_details[std::clamp(index, 0, kDetailCount - 1)]; }
    // The detail a zoom draws.
    static int detailForZoom(double zoom) { return zoom <= kCoarseDetailMaximumZoom ? 0 : 1; }

private:
    std::array<MCWorldMapDetail, kDetailCount> m_details;
};

// How one map type looks: the two types draw the same data in two styles.
struct MCMapStyle
{
    QColor sea;
    QColor land;
    QColor coast;
    QColor border;
    QColor graticule;
};
// Type 0 is the map (pale sea and land, dark outlines); every other type the darker picture in
// the colours of a view from space.
MCMapStyle MCMapStyleForMapType(qint64 mapType);

// Paints the view of `viewport` into the painter's (0, 0, width, height): sea, land, the
// graticule, borders and coastlines, on every copy of the world the view shows. `world` may be
// null.
void MCWorldMapDraw(QPainter &painter, const MCWorldMap *world, const MCMapViewport &viewport, const MCMapStyle &style);
