#include "app/stages/MCStageGeometry.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/imageio/MCImageProperties.h"

#include <QMarginsF>

#include <cmath>

namespace {

QMarginsF margins(const MCEdgeInsets &insets)
{
    return QMarginsF(insets.left, insets.top, insets.right, insets.bottom);
}

} // namespace

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

quint64 orientationOfMetadata(const QVariantMap &metadata)
{
    const QVariant value = metadata.value(kCGImagePropertyOrientation);
    bool ok = false;
    const qint64 integer = value.toLongLong(&ok);
    if (ok)
        return quint64(integer); // negative values wrap, as an unsigned read of them does
    const double real = value.toDouble(&ok);
    return ok && real >= 0 && real < 1e18 ? quint64(real) : 0;
}

MCEdgeInsets placedSideInsets(double left, double right, double top, double bottom, quint64 orientation,
                              bool inPercent, const QSizeF &storedSize)
{
    if (orientation > 8)
        return {};
    MCEdgeInsets insets = storedInsets({top, left, bottom, right}, orientation);
    if (inPercent) {
        insets.top *= storedSize.height() / 100.0;
        insets.bottom *= storedSize.height() / 100.0;
        insets.left *= storedSize.width() / 100.0;
        insets.right *= storedSize.width() / 100.0;
    }
    return insets;
}

QSizeF fullSizeOfBitmap(const MCBitmap &bitmap)
{
    const QSizeF size = bitmap.size();
    return QSizeF(std::round(size.width() / bitmap.scaleX()), std::round(size.height() / bitmap.scaleY()));
}

MCEdgeInsets insetsForBitmapScale(const MCEdgeInsets &insets, double scaleX, double scaleY)
{
    MCEdgeInsets result = insets;
    if (scaleX != 1.0) {
        result.left *= scaleX;
        result.right *= scaleX;
    }
    if (scaleY != 1.0) {
        result.top *= scaleY;
        result.bottom *= scaleY;
    }
    return result;
}

bool hasWholePixelInset(const MCEdgeInsets &insets)
{
    return insets.top >= 1 || insets.left >= 1 || insets.bottom >= 1 || insets.right >= 1;
}

std::optional<MCEdgeInsets> bitmapInsets(const MCBitmap &bitmap, const QVariantMap &metadata,
                                         const std::function<MCEdgeInsets(quint64, const QSizeF &)> &insetsFor)
{
    const MCEdgeInsets insets = insetsForBitmapScale(
        insetsFor(orientationOfMetadata(metadata), fullSizeOfBitmap(bitmap)), bitmap.scaleX(), bitmap.scaleY());
    if (!hasWholePixelInset(insets))
        return std::nullopt;
    return insets;
}

bool scaleBitmap(MCBitmap &bitmap, const QSizeF &size, MCError *error) { return bitmap.scaleToSize(size, error); }

bool trimBitmap(MCBitmap &bitmap, const MCEdgeInsets &insets, MCError *error)
{
    return bitmap.trim(margins(insets), error);
}

bool addBorderToBitmap(MCBitmap &bitmap, bool outer, const MCEdgeInsets &insets, const QColor &color, MCError *error)
{
    return outer ? bitmap.addOuterBorder(margins(insets), color, error)
                 : bitmap.addInnerBorder(margins(insets), color, error);
}

bool flipBitmap(MCBitmap &bitmap, bool horizontally, bool vertically, MCError *error)
{
    return bitmap.flipHorizontally(horizontally, vertically, error);
}

bool rotateBitmap(MCBitmap &bitmap, quint64 quarterTurns, MCError *error)
{
    return bitmap.rotate(quarterTurns, error);
}

bool trimTransparentPixelsOfBitmap(MCBitmap &bitmap, float tolerance, bool left, bool right, bool top, bool bottom,
                                   MCError *error)
{
    return bitmap.trimTransparentPixels(tolerance, left, right, top, bottom, error);
}

bool trimColorOfBitmap(MCBitmap &bitmap, int corner, float tolerance, bool left, bool right, bool top, bool bottom,
                       MCError *error)
{
    const QSizeF size = bitmap.size();
    const QPointF point = corner == 0 ? QPointF(0, 0) : QPointF(size.width() - 1, size.height() - 1);
    const std::optional<MCBitmapColor> color = bitmap.colorAtPoint(point);
    // A colour without components finds no margin.
    if (!color || color->components.empty())
        return true;
    return bitmap.trimColor(*color, tolerance, left, right, top, bottom, error);
}

} // namespace MCStageGeometry
