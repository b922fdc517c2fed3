#include "app/stages/MCConvertRotate.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCStageGeometry.h"

const QString MCConvertRotate::kRotateKey = QStringLiteral("rotate");
const QString MCConvertRotate::kFlipKey = QStringLiteral("flip");

const MCStageParameters &MCConvertRotate::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kRotateKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 7},
        {.name = kFlipKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 11},
    };
    return table;
}

QSizeF MCConvertRotate::imageSizeForSize(const QSizeF &size, quint64 &) const
{
    return isActive() && (rotate() == 1 || rotate() == 3) ? size.transposed() : size;
}

bool MCConvertRotate::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const quint64 flipping = flip();
    if ((flipping == 1 || flipping == 2) && !MCStageGeometry::flipBitmap(*bitmap, flipping == 1, flipping == 2, error))
        return false;
    if (rotate() != 0 && !MCStageGeometry::rotateBitmap(*bitmap, rotate(), error))
        return false;
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}
