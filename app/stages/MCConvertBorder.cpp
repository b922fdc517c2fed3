#include "app/stages/MCConvertBorder.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGImage.h"

#include <algorithm>
#include <cmath>

const QString MCConvertAddBorder::kAddsInPercentKey = QStringLiteral("addsInPercent");
const QString MCConvertAddBorder::kBorderPositionKey = QStringLiteral("borderPosition");
const QString MCConvertAddBorder::kBorderColorKey = QStringLiteral("borderColor");
const QString MCConvertAddBorder::kBorderLeftInPixelsKey = QStringLiteral("borderLeftInPixels");
const QString MCConvertAddBorder::kBorderRightInPixelsKey = QStringLiteral("borderRightInPixels");
const QString MCConvertAddBorder::kBorderTopInPixelsKey = QStringLiteral("borderTopInPixels");
const QString MCConvertAddBorder::kBorderBottomInPixelsKey = QStringLiteral("borderBottomInPixels");
const QString MCConvertAddBorder::kBorderLeftInPercentKey = QStringLiteral("borderLeftInPercent");
const QString MCConvertAddBorder::kBorderRightInPercentKey = QStringLiteral("borderRightInPercent");
const QString MCConvertAddBorder::kBorderTopInPercentKey = QStringLiteral("borderTopInPercent");
const QString MCConvertAddBorder::kBorderBottomInPercentKey = QStringLiteral("borderBottomInPercent");

const MCStageParameters &MCConvertAddBorder::parameters() const
{
    using T = MCStageParameterType;
    // In the order reset restores them: unit, position, pixel sides, percent sides, colour.
    static const MCStageParameters table = {
        {.name = kAddsInPercentKey, .type = T::Bool, .defaultValue = false},
        {.name = kBorderPositionKey, .type = T::Unsigned, .defaultValue = 0},
        {.name = kBorderLeftInPixelsKey, .type = T::Unsigned, .defaultValue = 20, .minimum = 0.0, .maximum = 10000.0},
        {.name = kBorderRightInPixelsKey, .type = T::Unsigned, .defaultValue = 20, .minimum = 0.0, .maximum = 10000.0},
        {.name = kBorderTopInPixelsKey, .type = T::Unsigned, .defaultValue = 20, .minimum = 0.0, .maximum = 10000.0},
        {.name = kBorderBottomInPixelsKey, .type = T::Unsigned, .defaultValue = 20, .minimum = 0.0, .maximum = 10000.0},
        {.name = kBorderLeftInPercentKey, .type = T::Double, .defaultValue = 2.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kBorderRightInPercentKey, .type = T::Double, .defaultValue = 2.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kBorderTopInPercentKey, .type = T::Double, .defaultValue = 2.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kBorderBottomInPercentKey, .type = T::Double, .defaultValue = 2.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kBorderColorKey, .type = T::Color, .defaultValue = QColor(Qt::white)},
    };
    return table;
}

QStringList MCConvertAddBorder::chosenSideKeys() const
{
    if (addsInPercent())
        return {kBorderLeftInPercentKey, kBorderRightInPercentKey, kBorderTopInPercentKey, kBorderBottomInPercentKey};
    return {kBorderLeftInPixelsKey, kBorderRightInPixelsKey, kBorderTopInPixelsKey, kBorderBottomInPixelsKey};
}

bool MCConvertAddBorder::parametersEqual(const MCConvertStage &other) const
{
    QStringList keys = chosenSideKeys();
    keys << kAddsInPercentKey << kBorderPositionKey << kBorderColorKey;
    return std::all_of(keys.begin(), keys.end(), [&](const QString &key) { return parameterEquals(other, key); });
}

quint64 MCConvertAddBorder::hashMix() const
{
    quint64 mix = (5 * quint64(addsInPercent())) ^ (7 * borderPosition());
    if (!addsInPercent())
        mix ^= (11 * borderLeftInPixels()) ^ (17 * borderRightInPixels()) ^ (19 * borderTopInPixels()) ^
               (23 * borderBottomInPixels());
    return mix;
}

QVariant MCConvertAddBorder::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name == kBorderPositionKey)
        return QVariant(value.toULongLong() != 0);
    return MCConvertStage::encodeParameter(parameter, value);
}

MCEdgeInsets MCConvertAddBorder::borderInsetsForOrientation(quint64 orientation, const QSizeF &size) const
{
    if (addsInPercent())
        return MCStageGeometry::placedSideInsets(borderLeftInPercent(), borderRightInPercent(), borderTopInPercent(),
                                                 borderBottomInPercent(), orientation, true, size);
    return MCStageGeometry::placedSideInsets(double(borderLeftInPixels()), double(borderRightInPixels()),
                                             double(borderTopInPixels()), double(borderBottomInPixels()),
                                             orientation, false, size);
}

QSizeF MCConvertAddBorder::imageSizeForSize(const QSizeF &size, quint64 &orientation) const
{
    if (!isActive() || borderPosition() != Outer)
        return size;
    const MCEdgeInsets insets = borderInsetsForOrientation(orientation, size);
    return QSizeF(size.width() + insets.left + insets.right, size.height() + insets.top + insets.bottom);
}

bool MCConvertAddBorder::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const auto scaled = MCStageGeometry::bitmapInsets(
        *bitmap, metadata, [this](quint64 orientation, const QSizeF &size) { return borderInsetsForOrientation(orientation, size); });
    if (!scaled)
        return true;
    const MCEdgeInsets &insets = *scaled;
    // A side wider than any picture may be (a hand-edited preset's 10^12 pixels) is refused,
    // not drawn as a border that covers the whole photo.
    for (double side : {insets.left, insets.right, insets.top, insets.bottom}) {
        if (!(std::fabs(side) <= double(CGImage::kMaximumSide)))
            return false; // the run reports the stage's error
    }
    const bool outer = borderPosition() == Outer;
    if (!MCStageGeometry::addBorderToBitmap(*bitmap, outer, insets, borderColor(), error))
        return false;
    if (outer)
        MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}
