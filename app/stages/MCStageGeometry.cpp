#include "app/stages/MCStageGeometry.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/imageio/MCImageProperties.h"

#include <cmath>

namespace MCStageGeometry {

QSizeF displaySize(const QSizeF &storedSize, quint64 orientation)
{
    return orientation >= 5 && orientation <= 8 ? storedSize.transposed() : storedSize;
}

std::pair<double, double> splitExcess(double excess)
{
    const double total = std::ceil(excess);
    const double first = std::trunc(total / 2.0);
    return {first, total - first};
}

MCEdgeInsets anchoredInsets(const MCEdgeInsets &insets, quint64 anchor)
{
    MCEdgeInsets result = insets;
    const double horizontal = insets.left + insets.right;
    const double vertical = insets.top + insets.bottom;
    if (anchor & MCStageAnchorLeft) {
        result.left = 0;
        result.right = horizontal;
    } else if (anchor & MCStageAnchorRight) {
        result.left = horizontal;
        result.right = 0;
    }
    if (anchor & MCStageAnchorTop) {
        result.top = 0;
        result.bottom = vertical;
    } else if (anchor & MCStageAnchorBottom) {
        result.top = vertical;
        result.bottom = 0;
    }
    return result;
}

MCEdgeInsets storedInsets(const MCEdgeInsets &d, quint64 orientation)
{
    switch (orientation) {
    case 2: return {d.top, d.right, d.bottom, d.left};
    case 3: return {d.bottom, d.right, d.top, d.left};
    case 4: return {d.bottom, d.left, d.top, d.right};
    case 5: return {d.left, d.top, d.right, d.bottom};
    case 6: return {d.right, d.top, d.left, d.bottom};
    case 7: return {d.right, d.bottom, d.left, d.top};
    case 8: return {d.left, d.bottom, d.right, d.top};
    default: return d;
    }
}

void writePixelSize(QVariantMap &metadata, const MCBitmap &bitmap)
{
    const QSizeF size = bitmap.size();
    const quint64 width = size.width() > 0 ? quint64(size.width()) : 0;
    const quint64 height = size.height() > 0 ? quint64(size.height()) : 0;
    auto exif = metadata.find(kCGImagePropertyExifDictionary);
    if (exif != metadata.end() && exif->typeId() == QMetaType::QVariantMap) {
        QVariantMap dictionary = exif->toMap();
        dictionary.insert(kCGImagePropertyExifPixelXDimension, width);
        dictionary.insert(kCGImagePropertyExifPixelYDimension, height);
        *exif = dictionary;
    }
    metadata.insert(kCGImagePropertyPixelWidth, width);
    metadata.insert(kCGImagePropertyPixelHeight, height);
}

} // namespace MCStageGeometry
