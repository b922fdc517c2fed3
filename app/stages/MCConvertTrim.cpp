#include "app/stages/MCConvertTrim.h"

#include "app/engine/bitmap/MCBitmap.h"

#include <algorithm>
#include <cmath>

const QString MCConvertTrim::kTrimsInPercentKey = QStringLiteral("trimsInPercent");
const QString MCConvertTrim::kTrimLeftInPixelsKey = QStringLiteral("trimLeftInPixels");
const QString MCConvertTrim::kTrimRightInPixelsKey = QStringLiteral("trimRightInPixels");
const QString MCConvertTrim::kTrimTopInPixelsKey = QStringLiteral("trimTopInPixels");
const QString MCConvertTrim::kTrimBottomInPixelsKey = QStringLiteral("trimBottomInPixels");
const QString MCConvertTrim::kTrimLeftInPercentKey = QStringLiteral("trimLeftInPercent");
const QString MCConvertTrim::kTrimRightInPercentKey = QStringLiteral("trimRightInPercent");
const QString MCConvertTrim::kTrimTopInPercentKey = QStringLiteral("trimTopInPercent");
const QString MCConvertTrim::kTrimBottomInPercentKey = QStringLiteral("trimBottomInPercent");

const QString MCConvertTrimColor::kTrimModeKey = QStringLiteral("trimMode");
const QString MCConvertTrimColor::kShouldTrimLeftKey = QStringLiteral("shouldTrimLeft");
const QString MCConvertTrimColor::kShouldTrimRightKey = QStringLiteral("shouldTrimRight");
const QString MCConvertTrimColor::kShouldTrimTopKey = QStringLiteral("shouldTrimTop");
const QString MCConvertTrimColor::kShouldTrimBottomKey = QStringLiteral("shouldTrimBottom");
const QString MCConvertTrimColor::kToleranceKey = QStringLiteral("tolerance");

// ---------------------------------------------------------------- Trim

const MCStageParameters &MCConvertTrim::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kTrimsInPercentKey, .type = T::Bool, .defaultValue = false, .hashFactor = 7},
        {.name = kTrimLeftInPixelsKey, .type = T::Unsigned, .defaultValue = 0, .minimum = 0.0, .maximum = 10000.0,
         .hashFactor = 11},
        {.name = kTrimRightInPixelsKey, .type = T::Unsigned, .defaultValue = 0, .minimum = 0.0, .maximum = 10000.0,
         .hashFactor = 17},
        {.name = kTrimTopInPixelsKey, .type = T::Unsigned, .defaultValue = 0, .minimum = 0.0, .maximum = 10000.0,
         .hashFactor = 19},
        {.name = kTrimBottomInPixelsKey, .type = T::Unsigned, .defaultValue = 0, .minimum = 0.0, .maximum = 10000.0},
        {.name = kTrimLeftInPercentKey, .type = T::Double, .defaultValue = 0.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kTrimRightInPercentKey, .type = T::Double, .defaultValue = 0.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kTrimTopInPercentKey, .type = T::Double, .defaultValue = 0.0, .minimum = 0.0, .maximum = 100.0},
        {.name = kTrimBottomInPercentKey, .type = T::Double, .defaultValue = 0.0, .minimum = 0.0, .maximum = 100.0},
    };
    return table;
}

bool MCConvertTrim::parametersEqual(const MCConvertStage &other) const
{
    if (!parameterEquals(other, kTrimsInPercentKey))
        return false;
    const QStringList keys = trimsInPercent()
                                 ? QStringList{kTrimLeftInPercentKey, kTrimRightInPercentKey, kTrimTopInPercentKey,
                                               kTrimBottomInPercentKey}
                                 : QStringList{kTrimLeftInPixelsKey, kTrimRightInPixelsKey, kTrimTopInPixelsKey,
                                               kTrimBottomInPixelsKey};
    return std::all_of(keys.begin(), keys.end(), [&](const QString &key) { return parameterEquals(other, key); });
}

MCEdgeInsets MCConvertTrim::trimInsetsForOrientation(quint64 orientation, const QSizeF &size) const
{
    if (trimsInPercent())
        return MCStageGeometry::placedSideInsets(trimLeftInPercent(), trimRightInPercent(), trimTopInPercent(),
                                                 trimBottomInPercent(), orientation, true, size);
    return MCStageGeometry::placedSideInsets(double(trimLeftInPixels()), double(trimRightInPixels()),
                                             double(trimTopInPixels()), double(trimBottomInPixels()), orientation,
                                             false, size);
}

QSizeF MCConvertTrim::imageSizeForSize(const QSizeF &size, quint64 &orientation) const
{
    if (!isActive())
        return size;
    const MCEdgeInsets insets = trimInsetsForOrientation(orientation, size);
    return QSizeF(size.width() - (insets.left + insets.right), size.height() - (insets.top + insets.bottom));
}

bool MCConvertTrim::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const auto scaled = MCStageGeometry::bitmapInsets(
        *bitmap, metadata, [this](quint64 orientation, const QSizeF &size) { return trimInsetsForOrientation(orientation, size); });
    if (!scaled)
        return true;
    const MCEdgeInsets &insets = *scaled;
    if (!MCStageGeometry::trimBitmap(*bitmap, insets, error))
        return false;
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}

// ---------------------------------------------------------------- Trim Color

const MCStageParameters &MCConvertTrimColor::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kTrimModeKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 5},
        {.name = kShouldTrimLeftKey, .type = T::Bool, .defaultValue = true, .hashFactor = 7},
        {.name = kShouldTrimRightKey, .type = T::Bool, .defaultValue = true, .hashFactor = 11},
        {.name = kShouldTrimTopKey, .type = T::Bool, .defaultValue = true, .hashFactor = 17},
        {.name = kShouldTrimBottomKey, .type = T::Bool, .defaultValue = true, .hashFactor = 19},
        {.name = kToleranceKey, .type = T::Double, .defaultValue = 0.0, .minimum = 0.0, .maximum = 1.0},
    };
    return table;
}

bool MCConvertTrimColor::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    // The operations take a fraction of the range; anything else (NaN from a damaged preset)
    // is held to it.
    const double fraction = std::isnan(tolerance()) ? 0.0 : std::clamp(tolerance(), 0.0, 1.0);
    const float tolerance = float(fraction);
    const bool left = shouldTrimLeft(), right = shouldTrimRight(), top = shouldTrimTop(), bottom = shouldTrimBottom();
    const quint64 mode = trimMode();
    const bool done = mode == 0 ? MCStageGeometry::trimTransparentPixelsOfBitmap(*bitmap, tolerance, left, right, top,
                                                                                 bottom, error)
                                : MCStageGeometry::trimColorOfBitmap(*bitmap, mode == 1 ? 0 : 1, tolerance, left,
                                                                     right, top, bottom, error);
    if (!done)
        return false;
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}
