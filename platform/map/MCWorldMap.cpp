#include "platform/map/MCWorldMap.h"

#include "platform/core/MCBundle.h"

#include <QFile>
#include <QPainter>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

constexpr char kMagic[8] = {'Q', 'X', 'W', 'M', 'A', 'P', '0', '1'};
constexpr qsizetype kLayerHeaderSize = 1 + 1 + 2 + 4 * 8 + 4;
constexpr quint32 kMaximumLayerCount = 64;

enum LayerKind : quint8 { Land = 0, Coast = 1, Borders = 2, Lakes = 3, LandAroundLakes = 4 };

// Reads the file front to back; every read checks what is left, so a short or damaged file
// ends in an error and never in a read past its end.
class Reader
{
public:
    explicit Reader(const QByteArray &data) : m_data(data) {}

    qsizetype remaining() const { return m_data.size() - m_offset; }
    bool bytes(void *out, qsizetype count)
    {
        if (count > remaining())
            return false;
        std::memcpy(out, m_data.constData() + m_offset, size_t(count));
        m_offset += count;
        return true;
    }
    template <typename T> bool little(T *out)
    {
        T raw;
        if (!bytes(&raw, sizeof raw))
            return false;
        *out = qFromLittleEndian(raw);
        return true;
    }
    bool float64(double *out)
    {
        quint64 bits;
        if (!little(&bits))
            return false;
        std::memcpy(out, &bits, sizeof bits);
        return true;
    }
    // An unsigned number of at most 35 bits in 7-bit groups, low group first.
    bool varint(quint64 *out)
    {
        quint64 value = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (remaining() < 1)
                return false;
            const quint8 byte = quint8(m_data[m_offset++]);
            value |= quint64(byte & 0x7F) << shift;
            if (!(byte & 0x80)) {
                *out = value;
                return true;
            }
        }
        return false;
    }
    bool zigzag(qint64 *out)
    {
        quint64 value;
        if (!varint(&value))
            return false;
        *out = (value & 1) ? -qint64(value >> 1) - 1 : qint64(value >> 1);
        return true;
    }

private:
    const QByteArray &m_data;
    qsizetype m_offset = 0;
};

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool readLayer(Reader &reader, std::array<MCWorldMapDetail, MCWorldMap::kDetailCount> &details, QString *error)
{
    quint8 kind = 0, detail = 0;
    quint16 reserved = 0;
    double scaleX = 0, scaleY = 0, translateX = 0, translateY = 0;
    quint32 pathCount = 0;
    if (!reader.little(&kind) || !reader.little(&detail) || !reader.little(&reserved) || !reader.float64(&scaleX) ||
        !reader.float64(&scaleY) || !reader.float64(&translateX) || !reader.float64(&translateY) ||
        !reader.little(&pathCount))
        return fail(error, QStringLiteral("a layer header is cut short"));
    if (kind > LandAroundLakes || detail >= MCWorldMap::kDetailCount)
        return fail(error, QStringLiteral("a layer of unknown kind %1 or detail %2").arg(kind).arg(detail));
    if (!std::isfinite(scaleX) || !std::isfinite(scaleY) || !std::isfinite(translateX) || !std::isfinite(translateY))
        return fail(error, QStringLiteral("a layer's transform is not a number"));
    // Every path takes at least one byte.
    if (pathCount > quint64(reader.remaining()))
        return fail(error, QStringLiteral("a layer claims more paths than the file holds"));

    MCWorldMapDetail &target = details[detail];
    std::vector<MCWorldMapPath> *const layers[] = {&target.land, &target.coast, &target.borders, &target.lakes,
                                                   &target.landAroundLakes};
    std::vector<MCWorldMapPath> &paths = *layers[kind];
    paths.reserve(paths.size() + pathCount);
    for (quint32 p = 0; p < pathCount; ++p) {
        quint64 pointCount = 0;
        if (!reader.varint(&pointCount))
            return fail(error, QStringLiteral("a path is cut short"));
        // Every point takes at least two bytes.
        if (pointCount > quint64(reader.remaining()) / 2)
            return fail(error, QStringLiteral("a path claims more points than the file holds"));
        MCWorldMapPath path;
        path.points.reserve(qsizetype(pointCount));
        qint64 x = 0, y = 0;
        for (quint64 i = 0; i < pointCount; ++i) {
            qint64 dx = 0, dy = 0;
            if (!reader.zigzag(&dx) || !reader.zigzag(&dy))
                return fail(error, QStringLiteral("a point is cut short"));
            x += dx;
            y += dy;
            const double longitude = double(x) * scaleX + translateX, latitude = double(y) * scaleY + translateY;
            // Not wrapped: the east edge stays at x = 1, and outlines that cross the 180th
            // meridian reach a little beyond the world's sides, where the next copy continues.
            QPointF point = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(latitude, 0.0));
            point.setX((longitude + 180.0) / 360.0);
            path.points.append(point);
        }
        if (path.points.size() < 2)
            continue;
        path.bounds = path.points.boundingRect();
        paths.push_back(std::move(path));
    }
    return true;
}

// Whether two rectangles share any point; unlike QRectF::intersects, a line with no height
// (a stretch of a parallel) counts.
bool overlaps(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

// The spacing of the graticule in degrees: about one line per hundred pixels or more.
double graticuleStep(double zoom)
{
    if (zoom < 1.5)
        return 30.0;
    if (zoom < 3.0)
        return 15.0;
    if (zoom < 4.5)
        return 5.0;
    if (zoom < 6.5)
        return 1.0;
    return 0.5;
}

void drawGraticule(QPainter &painter, const MCMapViewport &viewport, const QRectF &visible, const QTransform &toView,
                   const QColor &color)
{
    const double step = graticuleStep(viewport.zoom);
    painter.setPen(QPen(color, 1.0));
    const double top = std::max(0.0, visible.top()), bottom = std::min(1.0, visible.bottom());
    const double firstLongitude = std::floor((visible.left() * 360.0 - 180.0) / step) * step;
    for (double longitude = std::max(-180.0, firstLongitude); longitude < 180.0; longitude += step) {
        const double x = (longitude + 180.0) / 360.0;
        if (x > visible.right())
            break;
        if (x >= visible.left())
            painter.drawLine(toView.map(QLineF(x, top, x, bottom)));
    }
    const CLLocationCoordinate2D north = MCMapCoordinateForWorldPoint(QPointF(0, top));
    const CLLocationCoordinate2D south = MCMapCoordinateForWorldPoint(QPointF(0, bottom));
    const double left = std::max(0.0, visible.left()), right = std::min(1.0, visible.right());
    for (double latitude = std::ceil(south.latitude / step) * step; latitude <= north.latitude; latitude += step) {
        const double y = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(latitude, 0)).y();
        painter.drawLine(toView.map(QLineF(left, y, right, y)));
    }
}

// Outlines are mapped to view pixels here rather than through the painter's transform: the
// rasteriser's fast paths for polygons and thin lines then apply.
void fillRings(QPainter &painter, const std::vector<MCWorldMapPath> &rings, const QRectF &visible,
               const QTransform &toView, const QColor &color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    for (const MCWorldMapPath &ring : rings) {
        if (overlaps(ring.bounds, visible))
            painter.drawPolygon(toView.map(ring.points));
    }
}

void drawLines(QPainter &painter, const std::vector<MCWorldMapPath> &lines, const QRectF &visible,
               const QTransform &toView, const QColor &color, double width)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    for (const MCWorldMapPath &line : lines) {
        if (overlaps(line.bounds, visible))
            painter.drawPolyline(toView.map(line.points));
    }
}

} // namespace

std::optional<MCWorldMap> MCWorldMap::mapWithData(const QByteArray &data, QString *error)
{
    Reader reader(data);
    char magic[sizeof kMagic];
    quint32 layerCount = 0;
    if (!reader.bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
        fail(error, QStringLiteral("not a world map file"));
        return std::nullopt;
    }
    if (!reader.little(&layerCount) || layerCount > kMaximumLayerCount ||
        qint64(layerCount) * kLayerHeaderSize > reader.remaining()) {
        fail(error, QStringLiteral("the layer count is damaged"));
        return std::nullopt;
    }
    MCWorldMap map;
    for (quint32 layer = 0; layer < layerCount; ++layer) {
        if (!readLayer(reader, map.m_details, error))
            return std::nullopt;
    }
    if (reader.remaining() != 0) {
        fail(error, QStringLiteral("%1 bytes follow the last layer").arg(reader.remaining()));
        return std::nullopt;
    }
    return map;
}

std::shared_ptr<const MCWorldMap> MCWorldMap::sharedWorld()
{
    static std::once_flag once;
    static std::shared_ptr<const MCWorldMap> world;
    std::call_once(once, [] {
        const QString path = platform::pathForResource(QStringLiteral("Map/World.qxmap"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("The world map %s cannot be read: %s", qPrintable(path), qPrintable(file.errorString()));
            return;
        }
        QString error;
        if (std::optional<MCWorldMap> map = mapWithData(file.readAll(), &error))
            world = std::make_shared<const MCWorldMap>(std::move(*map));
        else
            qWarning("The world map %s is damaged: %s", qPrintable(path), qPrintable(error));
    });
    return world;
}

MCMapStyle MCMapStyleForMapType(qint64 mapType)
{
    if (mapType == 0) {
        return MCMapStyle{.sea = QColor(167, 201, 222),
                          .land = QColor(239, 235, 224),
                          .coast = QColor(104, 128, 142),
                          .border = QColor(176, 140, 150),
                          .graticule = QColor(120, 160, 190, 90)};
    }
    return MCMapStyle{.sea = QColor(14, 32, 56),
                      .land = QColor(66, 86, 52),
                      .coast = QColor(156, 170, 128),
                      .border = QColor(232, 226, 196, 130),
                      .graticule = QColor(255, 255, 255, 28)};
}

void MCWorldMapDraw(QPainter &painter, const MCWorldMap *world, const MCMapViewport &viewport, const MCMapStyle &style)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), viewport.size), style.sea);
    const double size = MCMapWorldSize(viewport.zoom);
    const double originY = MCMapWorldOrigin(viewport).y();
    const MCWorldMapDetail *detail = world ? &world->detail(MCWorldMap::detailForZoom(viewport.zoom)) : nullptr;
    // One copy more on each side: outlines that cross the 180th meridian reach into the
    // neighbouring copy's place (culling drops everything else of those copies).
    std::vector<double> origins = MCMapWorldCopyOrigins(viewport);
    if (!origins.empty()) {
        origins.insert(origins.begin(), origins.front() - size);
        origins.push_back(origins.back() + size);
    }
    for (const double originX : origins) {
        const QPointF origin(originX, originY);
        const QRectF visible = MCMapVisibleWorldRect(viewport, origin);
        const QTransform toView(size, 0, 0, size, origin.x(), origin.y());
        if (detail) {
            fillRings(painter, detail->landAroundLakes, visible, toView, style.land);
            fillRings(painter, detail->lakes, visible, toView, style.sea);
            fillRings(painter, detail->land, visible, toView, style.land);
        }
        drawGraticule(painter, viewport, visible, toView, style.graticule);
        if (detail) {
            drawLines(painter, detail->borders, visible, toView, style.border, 0.8);
            drawLines(painter, detail->coast, visible, toView, style.coast, 1.0);
        }
    }
    painter.restore();
}
