#include "app/stages/MCWatermarkStage.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>

#include <cmath>
#include <numbers>

namespace MCWatermarkStage {

MCStageParameter number(const QString &name, MCStageParameterType type, const QVariant &value, double minimum,
                        double maximum, std::optional<double> nilValue)
{
    return {.name = name, .type = type, .defaultValue = value, .minimum = minimum, .maximum = maximum,
            .nilValue = nilValue};
}

MCStageParameter flag(const QString &name, bool value)
{
    return {.name = name, .type = MCStageParameterType::Bool, .defaultValue = value};
}

MCStageParameter foldedGroup(const QString &name, bool value)
{
    return {.name = name, .type = MCStageParameterType::Bool, .defaultValue = value, .compared = false,
            .observed = false, .resizes = true, .undoable = false};
}

QSizeF truncatedFullSize(const MCBitmap &bitmap)
{
    const double sx = bitmap.scaleX() > 0 ? bitmap.scaleX() : 1.0;
    const double sy = bitmap.scaleY() > 0 ? bitmap.scaleY() : 1.0;
    return QSizeF(std::trunc(bitmap.size().width() / sx), std::trunc(bitmap.size().height() / sy));
}

MCShadow shadow(const QColor &color, double blurPercent, double distancePercent, double angle, double base)
{
    const double a = angle * std::numbers::pi / 180.0;
    const double distance = distancePercent * base / 100.0;
    MCShadow result;
    result.shadowColor = color;
    result.shadowBlurRadius = blurPercent * base / 100.0;
    result.shadowOffset = QSizeF(std::cos(a) * distance, std::sin(a) * distance);
    return result;
}

quint64 orientation(const QVariantMap &metadata)
{
    bool ok = false;
    const qint64 value = metadata.value(kCGImagePropertyOrientation).toLongLong(&ok);
    return ok && value > 0 ? quint64(value) : 0;
}

QSizeF canvasSize(const QSizeF &element, const std::optional<MCShadow> &shadow, const QPointF &gap)
{
    QSizeF size = element + QSizeF(gap.x(), gap.y());
    if (shadow) {
        const double blur = 2 * shadow->shadowBlurRadius;
        size += QSizeF(std::fabs(shadow->shadowOffset.width()) + blur, std::fabs(shadow->shadowOffset.height()) + blur);
    }
    return size;
}

bool canvasFits(const QSizeF &size)
{
    // One pixel more on each side for the rounding outward.
    const double width = std::ceil(size.width()) + 1, height = std::ceil(size.height()) + 1;
    if (!std::isfinite(width) || !std::isfinite(height))
        return false;
    const double side = double(CGImage::kMaximumSide);
    return width <= side && height <= side && width * height <= double(CGImage::kMaximumPixelCount);
}

bool failWithOversizedCanvas(const MCConvertStage &stage, const MCFile *file, const QSizeF &size, MCError *error)
{
    MCError failure = stage.stageFailureError(file);
    failure.setLocalizedFailureReason(
        QCoreApplication::translate("MCConvertStage", "The watermark needs %1 × %2 pixels, more than a picture may have.")
            .arg(std::isfinite(size.width()) ? QString::number(std::ceil(size.width()), 'f', 0) : QStringLiteral("∞"),
                 std::isfinite(size.height()) ? QString::number(std::ceil(size.height()), 'f', 0) : QStringLiteral("∞")));
    failure.setLocalizedRecoverySuggestion(QCoreApplication::translate(
        "MCConvertStage", "Make the watermark, its shadow or the space between its tiles smaller, and then try again."));
    return MCSetError(error, failure);
}

} // namespace MCWatermarkStage
