#include "app/dialogs/MCBitmapViewGeometry.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "platform/imageio/MCImageProperties.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double positiveRatio(double ratio) { return ratio > 0 && std::isfinite(ratio) ? ratio : 1.0; }

quint64 storedOrientation(const QVariantMap &metadata)
{
    bool ok = false;
    const qint64 value = metadata.value(kCGImagePropertyOrientation).toLongLong(&ok);
    return ok && value >= 1 && value <= 8 ? quint64(value) : 1;
}

double clampedCoordinate(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, -0.5, 0.5); }

} // namespace

QSizeF MCBitmapViewPointSize(const QSizeF &pixelSize, double deviceRatio)
{
    const double ratio = positiveRatio(deviceRatio);
    return QSizeF(pixelSize.width() / ratio, pixelSize.height() / ratio);
}

QRectF MCBitmapViewFittedRect(const QSizeF &bounds, const QSizeF &pixelSize, double deviceRatio)
{
    const double W = bounds.width(), H = bounds.height();
    if (!(pixelSize.width() > 0) || !(pixelSize.height() > 0))
        return QRectF(QPointF(0, 0), bounds);
    const QSizeF size = MCBitmapViewPointSize(pixelSize, deviceRatio);
    const double w = size.width(), h = size.height();
    if (w > W || h > H) {
        const double a = w / h;
        if (a * H <= W)
            return QRectF(std::trunc((W - a * H) / 2), 0, std::trunc(a * H), H);
        return QRectF(0, std::trunc((H - W / a) / 2), W, std::trunc(W / a));
    }
    return QRectF(std::trunc((W - w) / 2), std::trunc((H - h) / 2), w, h);
}

QRectF MCBitmapViewWidgetRect(const QRectF &rect, double boundsHeight)
{
    return QRectF(rect.x(), boundsHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

QPointF MCBitmapViewDrawingPoint(const QPointF &widgetPoint, double boundsHeight)
{
    return QPointF(widgetPoint.x(), boundsHeight - widgetPoint.y());
}

QPointF MCPreviewBitmapViewClampedLocation(const QPointF &location)
{
    return QPointF(clampedCoordinate(location.x()), clampedCoordinate(location.y()));
}

QRectF MCPreviewBitmapViewZoomedRect(const QSizeF &bounds, const QRectF &fitted, double zoom, const QPointF &location)
{
    const double width = std::trunc(zoom * fitted.width());
    const double height = std::trunc(zoom * fitted.height());
    double x = std::trunc(bounds.width() / 2 - width / 2);
    double y = std::trunc(bounds.height() / 2 - height / 2);
    const double ex = width - bounds.width(), ey = height - bounds.height();
    if (ex > 0)
        x = std::trunc(x - location.x() * ex);
    if (ey > 0)
        y = std::trunc(y - location.y() * ey);
    return QRectF(x, y, width, height);
}

QSizeF MCPreviewBitmapViewExcess(const QSizeF &bounds, const QRectF &rect)
{
    return QSizeF(rect.width() - bounds.width(), rect.height() - bounds.height());
}

double MCPreviewBitmapViewSteppedZoom(double zoom, int direction)
{
    if (direction == 0)
        return zoom;
    const double stepped = direction > 0 ? zoom * std::numbers::sqrt2 : zoom / std::numbers::sqrt2;
    return std::clamp(stepped, kMCPreviewBitmapViewMinZoom, kMCPreviewBitmapViewMaxZoom);
}

std::optional<QPointF> MCPreviewBitmapViewLocationForPoint(const QRectF &imageRect, const QPointF &point)
{
    if (!(imageRect.width() > 0) || !(imageRect.height() > 0) || point.x() < imageRect.left() ||
        point.y() < imageRect.top() || point.x() >= imageRect.right() || point.y() >= imageRect.bottom())
        return std::nullopt;
    return QPointF((point.x() - imageRect.x()) / imageRect.width() - 0.5,
                   (point.y() - imageRect.y()) / imageRect.height() - 0.5);
}

QPointF MCPreviewBitmapViewPannedLocation(const QPointF &location, const QPointF &delta, const QSizeF &excess)
{
    QPointF moved = location;
    if (excess.width() > 0)
        moved.rx() -= delta.x() / excess.width();
    if (excess.height() > 0)
        moved.ry() -= delta.y() / excess.height();
    return MCPreviewBitmapViewClampedLocation(moved);
}

MCPreviewOrientation MCPreviewOrientationForMetadata(const QVariantMap &metadata, bool turnsUpright)
{
    if (!turnsUpright)
        return {};
    const quint64 orientation = storedOrientation(metadata);
    return {orientation, MCBitmap::flipsHorizontallyFromOrientation(orientation),
            MCBitmap::flipsVerticallyFromOrientation(orientation),
            MCBitmap::rotationAngleInRadiansFromOrientation(orientation)};
}

bool MCPreviewAutorotateChangesScaledBitmap(const QVariantMap &metadata) { return storedOrientation(metadata) >= 2; }

std::optional<QSizeF> MCPreviewFitSize(const QSizeF &viewSize, double deviceRatio, const QSizeF &rotated,
                                       const QSizeF &predicted)
{
    const double ratio = positiveRatio(deviceRatio);
    QSizeF fit(viewSize.width() * ratio, viewSize.height() * ratio);
    if (!(fit.width() >= 1) || !(fit.height() >= 1))
        return std::nullopt;
    const double kx = predicted.width() / rotated.width();
    const double ky = predicted.height() / rotated.height();
    const double k = std::isnan(kx) ? ky : std::min(kx, ky);
    if (k > 1 && std::isfinite(k))
        fit /= k;
    return fit;
}

QVariantMap MCPreviewScaledMetadata(const QVariantMap &original, bool turnedUpright)
{
    QVariantMap scaled = original;
    if (turnedUpright)
        scaled.insert(kCGImagePropertyOrientation, 1);
    return scaled;
}

QVariantMap MCPreviewMetadataForConversion(const QVariantMap &scaled, const QString &filename)
{
    QVariantMap metadata = scaled;
    QVariantMap quillon = metadata.value(kMCQuillonDictionaryKey).toMap();
    quillon.insert(kMCQuillonFilenameKey, filename.isNull() ? QStringLiteral("") : filename);
    metadata.insert(kMCQuillonDictionaryKey, quillon);
    return metadata;
}
