// The world the map draws: the shipped file reads and holds the continents where they belong;
// damaged files are refused without reading past their end; the two map styles draw the same
// land and sea in their own colours.
#include "platform/map/MCWorldMap.h"

#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

void appendVarint(QByteArray &out, quint64 value)
{
    do {
        const quint8 byte = value & 0x7F;
        value >>= 7;
        out.append(char(value ? byte | 0x80 : byte));
    } while (value);
}

template <typename T> void appendLittle(QByteArray &out, T value)
{
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

void appendDouble(QByteArray &out, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittle(out, bits);
}

// One layer in the file's form: grid points on a one-degree grid from 180° W, 90° S.
QByteArray layer(quint8 kind, quint8 detail, const std::vector<std::vector<std::pair<qint64, qint64>>> &paths)
{
    QByteArray out;
    appendLittle<quint8>(out, kind);
    appendLittle<quint8>(out, detail);
    appendLittle<quint16>(out, 0);
    for (const double value : {1.0, 1.0, -180.0, -90.0})
        appendDouble(out, value);
    appendLittle<quint32>(out, quint32(paths.size()));
    for (const auto &path : paths) {
        appendVarint(out, path.size());
        qint64 px = 0, py = 0;
        for (const auto &[x, y] : path) {
            const qint64 dx = x - px, dy = y - py;
            appendVarint(out, dx >= 0 ? quint64(dx) << 1 : (quint64(-dx) << 1) - 1);
            appendVarint(out, dy >= 0 ? quint64(dy) << 1 : (quint64(-dy) << 1) - 1);
            px = x;
            py = y;
        }
    }
    return out;
}

QByteArray file(const std::vector<QByteArray> &layers)
{
    QByteArray out("QXWMAP01");
    appendLittle<quint32>(out, quint32(layers.size()));
    for (const QByteArray &l : layers)
        out += l;
    return out;
}

// A square island from 10° W to 10° E and 10° S to 10° N, with its coast, a lake, and one
// border in the other detail.
QByteArray smallWorld()
{
    const std::vector<std::pair<qint64, qint64>> square = {{170, 80}, {190, 80}, {190, 100}, {170, 100}, {170, 80}};
    const std::vector<std::pair<qint64, qint64>> lake = {{175, 85}, {185, 85}, {185, 95}, {175, 85}};
    return file({layer(4, 0, {square}), layer(3, 0, {lake}), layer(1, 0, {square}),
                 layer(2, 1, {{{180, 80}, {180, 100}}})});
}

// Whether a coordinate lies on land as the map paints it.
bool isLand(const MCWorldMapDetail &detail, double latitude, double longitude)
{
    const QPointF point = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(latitude, longitude));
    // An outline across the 180th meridian lies on one side of it, reaching past the world's
    // edge: the point is looked for there too.
    const auto inAny = [&](const std::vector<MCWorldMapPath> &rings) {
        return std::any_of(rings.begin(), rings.end(), [&](const MCWorldMapPath &ring) {
            for (const double shift : {0.0, 1.0, -1.0}) {
                const QPointF p = point + QPointF(shift, 0);
                if (ring.bounds.contains(p) && ring.points.containsPoint(p, Qt::OddEvenFill))
                    return true;
            }
            return false;
        });
    };
    return (inAny(detail.landAroundLakes) && !inAny(detail.lakes)) || inAny(detail.land);
}

} // namespace

TEST(MCWorldMap, ReadsAFileIntoProjectedPaths)
{
    QString error;
    const std::optional<MCWorldMap> map = MCWorldMap::mapWithData(smallWorld(), &error);
    ASSERT_TRUE(map) << error.toStdString();
    ASSERT_EQ(map->detail(0).landAroundLakes.size(), 1u);
    ASSERT_EQ(map->detail(0).lakes.size(), 1u);
    ASSERT_EQ(map->detail(0).coast.size(), 1u);
    EXPECT_TRUE(map->detail(0).land.empty());
    EXPECT_TRUE(map->detail(0).borders.empty());
    ASSERT_EQ(map->detail(1).borders.size(), 1u);
    const MCWorldMapPath &island = map->detail(0).landAroundLakes[0];
    EXPECT_EQ(island.points.size(), 5);
    const QPointF southWest = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(-10, -10));
    const QPointF northEast = MCMapWorldPointForCoordinate(CLLocationCoordinate2DMake(10, 10));
    EXPECT_NEAR(island.bounds.left(), southWest.x(), 1e-12);
    EXPECT_NEAR(island.bounds.right(), northEast.x(), 1e-12);
    EXPECT_NEAR(island.bounds.top(), northEast.y(), 1e-12);
    EXPECT_NEAR(island.bounds.bottom(), southWest.y(), 1e-12);
    // Out-of-range details read as the nearest one.
    EXPECT_EQ(&map->detail(-1), &map->detail(0));
    EXPECT_EQ(&map->detail(7), &map->detail(1));
}

TEST(MCWorldMap, RefusesDamagedFiles)
{
    const QByteArray good = smallWorld();
    // Every cut of a good file is refused: no read runs past the end.
    for (qsizetype length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        QString error;
        EXPECT_FALSE(MCWorldMap::mapWithData(good.left(length), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QByteArray badMagic = good;
    badMagic[3] = 'X';
    QByteArray trailing = good + QByteArray(1, '\0');
    QByteArray manyLayers = good;
    qToLittleEndian<quint32>(1000, manyLayers.data() + 8);
    QByteArray unknownKind = good;
    unknownKind[12] = char(5);
    QByteArray unknownDetail = good;
    unknownDetail[13] = char(2);
    QByteArray hugePath = file({layer(0, 0, {})});
    qToLittleEndian<quint32>(0xFFFFFFFF, hugePath.data() + hugePath.size() - 4);
    QByteArray notANumber = good;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(notANumber.data() + 16, &nan, sizeof nan);
    // A varint that never ends.
    QByteArray endlessPoint = file({layer(0, 0, {})});
    qToLittleEndian<quint32>(1, endlessPoint.data() + endlessPoint.size() - 4);
    endlessPoint += QByteArray(1, char(2)) + QByteArray(12, char(0xFF));
    for (const auto &[name, data] : {std::pair{"magic", badMagic}, {"trailing bytes", trailing},
                                     {"layer count", manyLayers}, {"kind", unknownKind}, {"detail", unknownDetail},
                                     {"path count", hugePath}, {"transform", notANumber}, {"endless number", endlessPoint}}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(MCWorldMap::mapWithData(data));
    }
}

TEST(MCWorldMap, TheShippedWorldHasItsContinents)
{
    const std::shared_ptr<const MCWorldMap> world = MCWorldMap::sharedWorld();
    ASSERT_TRUE(world);
    EXPECT_EQ(MCWorldMap::sharedWorld(), world); // read once
    const struct {
        const char *place;
        double latitude, longitude;
        bool land;
    } places[] = {
        {"Paris", 48.85, 2.35, true},           {"Sahara", 23, 12, true},
        {"Brasília", -15.8, -47.9, true},        {"Sydney's hinterland", -33.7, 150.5, true},
        {"Mid-Atlantic", 30, -40, false},        {"Pacific", 0, -150, false},
        {"Caspian Sea (a hole in Asia)", 42, 50.5, false}, {"Fiji's Vanua Levu, by the date line", -16.5, 179.2, true},
        {"Chukotka, across the date line", 66, -178, true}, {"Bering Sea", 60, -178, false},
    };
    for (int detail = 0; detail < MCWorldMap::kDetailCount; ++detail) {
        const MCWorldMapDetail &d = world->detail(detail);
        EXPECT_GT(d.land.size(), 100u);
        EXPECT_EQ(d.lakes.size(), 1u); // the Caspian Sea
        EXPECT_GT(d.coast.size(), 100u);
        EXPECT_GT(d.borders.size(), 100u);
        for (const auto &p : places) {
            if (detail == 0 && std::string(p.place).starts_with("Fiji"))
                continue; // too small for the coarse scale
            SCOPED_TRACE(testing::Message() << p.place << " in detail " << detail);
            EXPECT_EQ(isLand(d, p.latitude, p.longitude), p.land);
        }
        // Outlines that cross the 180th meridian reach only a little past the world's sides.
        for (const MCWorldMapPath &path : d.coast) {
            EXPECT_GE(path.bounds.left(), -0.05);
            EXPECT_LE(path.bounds.right(), 1.05);
        }
    }
    EXPECT_EQ(MCWorldMap::detailForZoom(0), 0);
    EXPECT_EQ(MCWorldMap::detailForZoom(MCWorldMap::kCoarseDetailMaximumZoom), 0);
    EXPECT_EQ(MCWorldMap::detailForZoom(8), 1);
}

TEST(MCWorldMap, BothStylesDrawLandAndSea)
{
    const std::shared_ptr<const MCWorldMap> world = MCWorldMap::sharedWorld();
    ASSERT_TRUE(world);
    const MCMapViewport viewport{CLLocationCoordinate2DMake(0, 0), 2, QSizeF(400, 300)};
    for (const qint64 mapType : {0, 1}) {
        SCOPED_TRACE(mapType);
        const MCMapStyle style = MCMapStyleForMapType(mapType);
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            MCWorldMapDraw(painter, world.get(), viewport, style);
        }
        const auto colourAt = [&](double latitude, double longitude) {
            const QPoint p = MCMapViewPointForCoordinate(viewport, CLLocationCoordinate2DMake(latitude, longitude)).toPoint();
            return image.pixelColor(p);
        };
        const auto near = [](const QColor &a, const QColor &b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 24;
        };
        EXPECT_TRUE(near(colourAt(8, 20), style.land));       // central Africa
        EXPECT_TRUE(near(colourAt(-25, -20), style.sea));     // the South Atlantic
    }
    EXPECT_NE(MCMapStyleForMapType(0).land, MCMapStyleForMapType(1).land);
    EXPECT_EQ(MCMapStyleForMapType(1).sea, MCMapStyleForMapType(5).sea);
    // Without data the view is sea.
    QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        MCWorldMapDraw(painter, nullptr, MCMapViewport{{}, 0, QSizeF(50, 50)}, MCMapStyleForMapType(0));
    }
    EXPECT_EQ(image.pixelColor(10, 10), MCMapStyleForMapType(0).sea);
}
