#include "app/stages/MCConvertCurves.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "halvard/system/MCDataExtensions.h"
#include "platform/accelerate/MCCurveKernels.h"

#include <cmath>

const QString MCConvertCurves::kPointsAKey = QStringLiteral("pointsA");
const QString MCConvertCurves::kPointsRKey = QStringLiteral("pointsR");
const QString MCConvertCurves::kPointsGKey = QStringLiteral("pointsG");
const QString MCConvertCurves::kPointsBKey = QStringLiteral("pointsB");
const QString MCConvertCurves::kCurrentChannelKey = QStringLiteral("currentChannel");

namespace {

MCStageParameter curveParameter(const QString &name)
{
    return {.name = name, .type = MCStageParameterType::Custom,
            .defaultValue = QVariant::fromValue(MCConvertCurves::defaultPoints())};
}

// The points of a stored list: every element a point (or a pair of numbers); nothing when
// an element is not.
std::optional<QList<QPointF>> pointsFromList(const QVariantList &list)
{
    QList<QPointF> points;
    points.reserve(list.size());
    for (const QVariant &element : list) {
        if (element.typeId() == QMetaType::QPointF || element.typeId() == QMetaType::QPoint)
            points.append(element.toPointF());
        else
            return std::nullopt;
    }
    return points;
}

} // namespace

QList<QPointF> MCConvertCurves::defaultPoints() { return {QPointF(0, 0), QPointF(255, 255)}; }

QList<QPointF> MCConvertCurves::splinePointsInRect(const QRectF &rect, const QList<QPointF> &points)
{
    return platform::pixel::splinePoints(rect, points);
}

std::optional<double> MCConvertCurves::curveValueAtX(const QList<QPointF> &points, double x)
{
    return platform::pixel::splineValueAtX(points, x);
}

QList<QPointF> MCConvertCurves::mendedPoints(const QList<QPointF> &points)
{
    const QList<QPointF> mended = platform::pixel::sanitizedControlPoints(points);
    return mended.size() >= 2 ? mended : defaultPoints();
}

const MCStageParameters &MCConvertCurves::parameters() const
{
    static const MCStageParameters table = {
        curveParameter(kPointsAKey),
        curveParameter(kPointsRKey),
        curveParameter(kPointsGKey),
        curveParameter(kPointsBKey),
        // Remembered, copied and compared, but not observed: switching the curve on show
        // changes no preview.
        {.name = kCurrentChannelKey, .type = MCStageParameterType::Unsigned, .defaultValue = quint64(0),
         .observed = false},
    };
    return table;
}

QList<QPointF> MCConvertCurves::points(const QString &key) const
{
    return parameterValue(key).value<QList<QPointF>>();
}

void MCConvertCurves::setPoints(const QString &key, const QList<QPointF> &points)
{
    setParameterValue(key, QVariant::fromValue(points));
}

QVariant MCConvertCurves::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.type != MCStageParameterType::Custom)
        return MCConvertStage::encodeParameter(parameter, value);
    QVariantList list;
    for (const QPointF &point : value.value<QList<QPointF>>())
        list.append(point);
    return MCKeyedArchiver::archivedRootObject(list);
}

std::optional<QVariant> MCConvertCurves::decodeParameter(const MCStageParameter &parameter,
                                                         const QVariant &stored) const
{
    if (parameter.type != MCStageParameterType::Custom)
        return MCConvertStage::decodeParameter(parameter, stored);
    std::optional<QList<QPointF>> points;
    if (stored.typeId() == QMetaType::QByteArray) {
        const QVariant list = MCKeyedUnarchiver::unarchivedRootObject(stored.toByteArray());
        if (list.typeId() == QMetaType::QVariantList)
            points = pointsFromList(list.toList());
    }
    return QVariant::fromValue(points.value_or(defaultPoints()));
}

bool MCConvertCurves::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const QList<QList<QPointF>> curves = {pointsA(), pointsR(), pointsG(), pointsB()};
    for (const QList<QPointF> &curve : curves) {
        for (const QPointF &point : curve) {
            if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
                return false;
        }
    }
    return bitmap->histogram(curves, error);
}
