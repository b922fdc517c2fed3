#include "app/stages/MCConvertCrop.h"

#include "app/engine/bitmap/MCBitmap.h"

const QString MCConvertCrop::kCropMethodKey = QStringLiteral("cropMethod");
const QString MCConvertCrop::kCropSide1Key = QStringLiteral("cropSide1");
const QString MCConvertCrop::kCropSide2Key = QStringLiteral("cropSide2");
const QString MCConvertCrop::kAnchorKey = QStringLiteral("anchor");

const MCStageParameters &MCConvertCrop::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kCropMethodKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 7},
        {.name = kCropSide1Key, .type = T::Unsigned, .defaultValue = 3, .minimum = 1.0, .maximum = 30000.0,
         .hashFactor = 11},
        {.name = kCropSide2Key, .type = T::Unsigned, .defaultValue = 2, .minimum = 1.0, .maximum = 30000.0,
         .hashFactor = 17},
        {.name = kAnchorKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 19},
    };
    return table;
}

MCEdgeInsets MCConvertCrop::cropInsetsForOriginalSize(const QSizeF &size, quint64 orientation) const
{
    const QSizeF displayed = MCStageGeometry::displaySize(size, orientation);
    const double dw = displayed.width(), dh = displayed.height();
    double r = double(cropSide1()) / double(cropSide2());
    if (dh > dw && cropMethod() == 0)
        r = double(cropSide2()) / double(cropSide1());
    MCEdgeInsets insets;
    if (dh * r > dw)
        std::tie(insets.top, insets.bottom) = MCStageGeometry::splitExcess(dh - dw / r);
    else
        std::tie(insets.left, insets.right) = MCStageGeometry::splitExcess(dw - dh * r);
    return MCStageGeometry::storedInsets(MCStageGeometry::anchoredInsets(insets, anchor()), orientation);
}

QSizeF MCConvertCrop::imageSizeForSize(const QSizeF &size, quint64 &orientation) const
{
    if (!isActive())
        return size;
    const MCEdgeInsets insets = cropInsetsForOriginalSize(size, orientation);
    return QSizeF(size.width() - (insets.left + insets.right), size.height() - (insets.top + insets.bottom));
}

bool MCConvertCrop::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const MCEdgeInsets insets =
        cropInsetsForOriginalSize(bitmap->size(), MCStageGeometry::orientationOfMetadata(metadata));
    if (MCStageGeometry::hasWholePixelInset(insets) && !MCStageGeometry::trimBitmap(*bitmap, insets, error))
        return false;
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}
