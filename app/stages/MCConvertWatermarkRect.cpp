#include "app/stages/MCConvertWatermarkRect.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCWatermarkStage.h"

#include <algorithm>
#include <cmath>

const QString MCConvertWatermarkRect::kRectPositionMaskKey = QStringLiteral("rectPositionMask");
const QString MCConvertWatermarkRect::kRectOffsetXCalculatesInPercentKey = QStringLiteral("rectOffsetXCalculatesInPercent");
const QString MCConvertWatermarkRect::kRectOffsetXInPercentKey = QStringLiteral("rectOffsetXInPercent");
const QString MCConvertWatermarkRect::kRectOffsetXInPixelsKey = QStringLiteral("rectOffsetXInPixels");
const QString MCConvertWatermarkRect::kRectOffsetYCalculatesInPercentKey = QStringLiteral("rectOffsetYCalculatesInPercent");
const QString MCConvertWatermarkRect::kRectOffsetYInPercentKey = QStringLiteral("rectOffsetYInPercent");
const QString MCConvertWatermarkRect::kRectOffsetYInPixelsKey = QStringLiteral("rectOffsetYInPixels");
const QString MCConvertWatermarkRect::kRectRotationKey = QStringLiteral("rectRotation");
const QString MCConvertWatermarkRect::kRectLengthValueKey = QStringLiteral("rectLengthValue");
const QString MCConvertWatermarkRect::kRectLengthFixedKey = QStringLiteral("rectLengthFixed");
const QString MCConvertWatermarkRect::kRectLengthInPercentKey = QStringLiteral("rectLengthInPercent");
const QString MCConvertWatermarkRect::kRectThicknessValueKey = QStringLiteral("rectThicknessValue");
const QString MCConvertWatermarkRect::kRectThicknessFixedKey = QStringLiteral("rectThicknessFixed");
const QString MCConvertWatermarkRect::kRectThicknessInPercentKey = QStringLiteral("rectThicknessInPercent");
const QString MCConvertWatermarkRect::kFillColorKey = QStringLiteral("fillColor");
const QString MCConvertWatermarkRect::kHasStrokeKey = QStringLiteral("hasStroke");
const QString MCConvertWatermarkRect::kStrokeThicknessKey = QStringLiteral("strokeThickness");
const QString MCConvertWatermarkRect::kStrokeColorKey = QStringLiteral("strokeColor");
const QString MCConvertWatermarkRect::kIsRoundedKey = QStringLiteral("isRounded");
const QString MCConvertWatermarkRect::kRectRadiusValueKey = QStringLiteral("rectRadiusValue");
const QString MCConvertWatermarkRect::kRectRadiusFixedKey = QStringLiteral("rectRadiusFixed");
const QString MCConvertWatermarkRect::kRectRadiusInPercentKey = QStringLiteral("rectRadiusInPercent");
const QString MCConvertWatermarkRect::kOpacityKey = QStringLiteral("opacity");
const QString MCConvertWatermarkRect::kCollapsedPositionGroupKey = QStringLiteral("collapsedPositionGroup");
const QString MCConvertWatermarkRect::kCollapsedStrokeGroupKey = QStringLiteral("collapsedStrokeGroup");
const QString MCConvertWatermarkRect::kCollapsedRoundedGroupKey = QStringLiteral("collapsedRoundedGroup");
const QString MCConvertWatermarkRect::kCollapsedOpacityGroupKey = QStringLiteral("collapsedOpacityGroup");

namespace {

using T = MCStageParameterType;
using MCWatermarkStage::flag;
using MCWatermarkStage::foldedGroup;
using MCWatermarkStage::number;

// A size of the kind's rule; `other` for a kind outside 0 to 4.
double sizeOfKind(quint64 kind, double fixed, double percent, const QSizeF &displayed, double other)
{
    const double d = displayed.width(), e = displayed.height();
    switch (kind) {
    case MCConvertWatermarkRect::FixedPixels:
        return fixed;
    case MCConvertWatermarkRect::PercentOfWidth:
        return percent * d / 100.0;
    case MCConvertWatermarkRect::PercentOfHeight:
        return percent * e / 100.0;
    case MCConvertWatermarkRect::PercentOfLongerSide:
        return percent * std::max(d, e) / 100.0;
    case MCConvertWatermarkRect::PercentOfShorterSide:
        return percent * std::min(d, e) / 100.0;
    default:
        return other;
    }
}

} // namespace

const MCStageParameters &MCConvertWatermarkRect::parameters() const
{
    static const MCStageParameters table = {
        {.name = kRectPositionMaskKey, .type = T::Unsigned, .defaultValue = quint64(8)},
        flag(kRectOffsetXCalculatesInPercentKey, false),
        number(kRectOffsetXInPercentKey, T::Double, 0.0, -100, 100, 0.0),
        number(kRectOffsetXInPixelsKey, T::Double, 0.0, -10000, 10000, 0.0),
        flag(kRectOffsetYCalculatesInPercentKey, false),
        number(kRectOffsetYInPercentKey, T::Double, 0.0, -100, 100, 0.0),
        number(kRectOffsetYInPixelsKey, T::Double, 0.0, -10000, 10000, 0.0),
        number(kRectRotationKey, T::Double, 0.0, 0, 359),
        {.name = kRectLengthValueKey, .type = T::Unsigned, .defaultValue = quint64(PercentOfWidth)},
        number(kRectLengthFixedKey, T::Double, 250.0, 1, 30000),
        number(kRectLengthInPercentKey, T::Double, 100.0, 0.1, 100),
        {.name = kRectThicknessValueKey, .type = T::Unsigned, .defaultValue = quint64(PercentOfShorterSide)},
        number(kRectThicknessFixedKey, T::Double, 250.0, 1, 30000),
        number(kRectThicknessInPercentKey, T::Double, 10.0, 0.1, 100),
        {.name = kFillColorKey, .type = T::Color, .defaultValue = QColor::fromRgbF(0, 0, 0, 0.5f)},
        flag(kHasStrokeKey, false),
        number(kStrokeThicknessKey, T::Double, 10.0, 1, 1000),
        {.name = kStrokeColorKey, .type = T::Color, .defaultValue = QColor(Qt::white)},
        flag(kIsRoundedKey, false),
        {.name = kRectRadiusValueKey, .type = T::Unsigned, .defaultValue = quint64(FixedPixels)},
        number(kRectRadiusFixedKey, T::Double, 50.0, 0, 30000),
        number(kRectRadiusInPercentKey, T::Double, 2.0, 0, 100),
        // A fraction 0..1; the limits are those of the panel's percent field.
        number(kOpacityKey, T::Double, 1.0, 0, 100),
        foldedGroup(kCollapsedPositionGroupKey, true),
        foldedGroup(kCollapsedStrokeGroupKey, true),
        foldedGroup(kCollapsedRoundedGroupKey, true),
        foldedGroup(kCollapsedOpacityGroupKey, false),
    };
    return table;
}

bool MCConvertWatermarkRect::parametersEqual(const MCConvertStage &other) const
{
    QStringList keys = {kRectPositionMaskKey, kRectOffsetXCalculatesInPercentKey, kRectOffsetYCalculatesInPercentKey,
                        kRectRotationKey,     kRectLengthValueKey,                kRectThicknessValueKey,
                        kOpacityKey,          kHasStrokeKey,                      kIsRoundedKey,
                        kFillColorKey};
    keys << (rectLengthValue() != FixedPixels ? kRectLengthInPercentKey : kRectLengthFixedKey);
    keys << (rectThicknessValue() != FixedPixels ? kRectThicknessInPercentKey : kRectThicknessFixedKey);
    if (rectOffsetXCalculatesInPercent())
        keys << kRectOffsetXInPercentKey << kRectOffsetYInPercentKey;
    else
        keys << kRectOffsetXInPixelsKey << kRectOffsetYInPixelsKey;
    if (hasStroke())
        keys << kStrokeColorKey << kStrokeThicknessKey;
    if (isRounded())
        keys << kRectRadiusValueKey << (rectRadiusValue() != FixedPixels ? kRectRadiusInPercentKey : kRectRadiusFixedKey);
    return std::all_of(keys.begin(), keys.end(), [&](const QString &key) { return parameterEquals(other, key); });
}

quint64 MCConvertWatermarkRect::hashMix() const
{
    const double percent = std::trunc(opacity() * 100.0);
    const quint64 opacityPart = percent > 0 && percent < 1e18 ? quint64(percent) : 0;
    return (rectLengthValue() * 17) ^ (rectPositionMask() * 7) ^ (opacityPart * 11);
}

QSizeF MCConvertWatermarkRect::displayedSize(const MCBitmap &bitmap, quint64 orientation)
{
    const double sx = bitmap.scaleX() > 0 ? bitmap.scaleX() : 1.0;
    const double sy = bitmap.scaleY() > 0 ? bitmap.scaleY() : 1.0;
    const double width = std::round(bitmap.size().width() / sx), height = std::round(bitmap.size().height() / sy);
    const quint64 turns = MCBitmap::bitmapRotationFromOrientation(orientation);
    return turns == 1 || turns == 3 ? QSizeF(height, width) : QSizeF(width, height);
}

QSizeF MCConvertWatermarkRect::rectSizeForPhoto(const QSizeF &displayed) const
{
    return QSizeF(sizeOfKind(rectLengthValue(), rectLengthFixed(), rectLengthInPercent(), displayed, 0.0),
                  sizeOfKind(rectThicknessValue(), rectThicknessFixed(), rectThicknessInPercent(), displayed, 0.0));
}

double MCConvertWatermarkRect::radiusForPhoto(const QSizeF &displayed) const
{
    if (!isRounded())
        return 0.0;
    return sizeOfKind(rectRadiusValue(), rectRadiusFixed(), rectRadiusInPercent(), displayed, rectRadiusFixed());
}

bool MCConvertWatermarkRect::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const quint64 orientation = MCWatermarkStage::orientation(metadata);
    const QSizeF displayed = displayedSize(*bitmap, orientation);
    using MCWatermarkStage::length;
    const QPointF offset(
        length(rectOffsetXCalculatesInPercent(), rectOffsetXInPercent(), rectOffsetXInPixels(), displayed.width()),
        length(rectOffsetYCalculatesInPercent(), rectOffsetYInPercent(), rectOffsetYInPixels(), displayed.height()));
    std::optional<QColor> stroke;
    if (hasStroke())
        stroke = strokeColor();
    return bitmap->drawRectWithSize(rectSizeForPhoto(displayed), fillColor(), opacity(), rectPositionMask(), offset,
                                    rectRotation(), radiusForPhoto(displayed), stroke, strokeThickness(), orientation);
}
