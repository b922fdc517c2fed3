#include "app/stages/MCConvertScale.h"

#include "app/engine/bitmap/MCBitmap.h"

#include <cmath>

const QString MCConvertScale::kScaleModeKey = QStringLiteral("scaleMode");
const QString MCConvertScale::kScaleInPercentageKey = QStringLiteral("scaleInPercentage");
const QString MCConvertScale::kScaleToEdgeKey = QStringLiteral("scaleToEdge");
const QString MCConvertScale::kScaleToEdge2Key = QStringLiteral("scaleToEdge2");
const QString MCConvertScale::kScaleToMegapixelsKey = QStringLiteral("scaleToMegapixels");

const QString MCConvertScaleToSize::kScaleToSizeMethodKey = QStringLiteral("scaleToSizeMethod");
const QString MCConvertScaleToSize::kSide1Key = QStringLiteral("side1");
const QString MCConvertScaleToSize::kSide2Key = QStringLiteral("side2");
const QString MCConvertScaleToSize::kAnchorKey = QStringLiteral("anchor");
const QString MCConvertScaleToSize::kScaleToSizeBehaviorKey = QStringLiteral("scaleToSizeBehavior");
const QString MCConvertScaleToSize::kFillColorKey = QStringLiteral("fillColor");

namespace {

// A target size the bitmap can be scaled to: at least one pixel a side (NaN never is).
bool isUsableSize(const QSizeF &size)
{
    return size.width() >= 1 && size.height() >= 1 && std::isfinite(size.width()) && std::isfinite(size.height());
}

QSizeF scaledSize(const QSizeF &size, double factor)
{
    return QSizeF(std::round(size.width() * factor), std::round(size.height() * factor));
}

} // namespace

// ---------------------------------------------------------------- Scale

const MCStageParameters &MCConvertScale::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kScaleModeKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 1, .resizes = true},
        {.name = kScaleInPercentageKey, .type = T::Double, .defaultValue = 50.0, .minimum = 1.0, .maximum = 1000.0},
        {.name = kScaleToEdgeKey, .type = T::Double, .defaultValue = 2048.0, .minimum = 1.0, .maximum = 30000.0},
        {.name = kScaleToEdge2Key, .type = T::Double, .defaultValue = 2048.0, .minimum = 1.0, .maximum = 30000.0},
        {.name = kScaleToMegapixelsKey, .type = T::Double, .defaultValue = 5.0, .minimum = 0.1, .maximum = 1000.0},
    };
    return table;
}

bool MCConvertScale::parametersEqual(const MCConvertStage &other) const
{
    if (!parameterEquals(other, kScaleModeKey))
        return false;
    switch (scaleMode()) {
    case ByPercent:
        return parameterEquals(other, kScaleInPercentageKey);
    case LongerSide:
    case ShorterSide:
        return parameterEquals(other, kScaleToEdgeKey);
    case Megapixels:
        return parameterEquals(other, kScaleToMegapixelsKey);
    case FitTurningBox:
    case FitBox:
        return parameterEquals(other, kScaleToEdgeKey) && parameterEquals(other, kScaleToEdge2Key);
    default:
        return false;
    }
}

double MCConvertScale::scaleFactorForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const
{
    const double W = size.width(), H = size.height();
    const double w = W / scaleX, h = H / scaleY;
    const double a = w / h;
    const double edge = scaleToEdge(), edge2 = scaleToEdge2();
    switch (scaleMode()) {
    case ByPercent:
        return scaleInPercentage() / 100.0;
    case LongerSide:
        return H < W ? edge / w : edge / h;
    case ShorterSide:
        return W < H ? edge / w : edge / h;
    case Megapixels:
        return std::sqrt(scaleToMegapixels() * 1000000.0 / (w * h));
    case FitTurningBox: {
        const double bw = H > W ? edge2 : edge;
        const double bh = H > W ? edge : edge2;
        if (a * bh > bw)
            return (bh - (bh - bw / a)) / h;
        return (bw - (bw - a * bh)) / w;
    }
    case FitBox:
        return a * edge2 > edge ? edge / w : edge2 / h;
    default:
        return 0.0;
    }
}

QSizeF MCConvertScale::scaledImageSizeForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const
{
    return scaledSize(size, scaleFactorForBitmapSize(size, scaleX, scaleY));
}

QSizeF MCConvertScale::imageSizeForSize(const QSizeF &size, quint64 &) const
{
    return isActive() ? scaledImageSizeForBitmapSize(size, 1.0, 1.0) : size;
}

bool MCConvertScale::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    // A photo read at reduced size for speed becomes exactly what the full-size photo would.
    const bool reduced = bitmap->isReducedForRun();
    const QSizeF target = reduced ? scaledImageSizeForBitmapSize(MCStageGeometry::fullSizeOfBitmap(*bitmap), 1.0, 1.0)
                                  : scaledImageSizeForBitmapSize(bitmap->size(), bitmap->scaleX(), bitmap->scaleY());
    if (!isUsableSize(target))
        return false;
    if (!MCStageGeometry::scaleBitmap(*bitmap, target, error))
        return false;
    if (reduced)
        bitmap->restoreFullScale();
    // The properties tell the new size, as after every other stage that changes it.
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}

// ---------------------------------------------------------------- Scale to Size

const MCStageParameters &MCConvertScaleToSize::parameters() const
{
    using T = MCStageParameterType;
    static const MCStageParameters table = {
        {.name = kScaleToSizeMethodKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 7},
        {.name = kSide1Key, .type = T::Unsigned, .defaultValue = 2048, .minimum = 1.0, .maximum = 30000.0,
         .hashFactor = 11},
        {.name = kSide2Key, .type = T::Unsigned, .defaultValue = 1536, .minimum = 1.0, .maximum = 30000.0,
         .hashFactor = 17},
        {.name = kAnchorKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 19},
        {.name = kScaleToSizeBehaviorKey, .type = T::Unsigned, .defaultValue = 0, .hashFactor = 23, .resizes = true},
        {.name = kFillColorKey, .type = T::Color, .defaultValue = QColor(Qt::white)},
    };
    return table;
}

QSizeF MCConvertScaleToSize::scaledImageSizeForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const
{
    const double W = size.width(), H = size.height();
    const double w = W / scaleX, h = H / scaleY;
    const double a = w / h;
    double tw = double(side1()), th = double(side2());
    if (H > W && scaleToSizeMethod() == 0)
        std::swap(tw, th);
    double f = 0.0;
    switch (scaleToSizeBehavior()) {
    case 0: // fit
        f = a * th > tw ? (th - (th - tw / a)) / h : (tw - (tw - a * th)) / w;
        break;
    case 1: // fill
        f = tw > th * a ? tw / a / h : th * a / w;
        break;
    default:
        return QSizeF(0, 0);
    }
    return f > 0 ? scaledSize(size, f) : QSizeF(0, 0);
}

MCEdgeInsets MCConvertScaleToSize::boxInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX,
                                                    double scaleY, bool border) const
{
    const QSizeF displayed = MCStageGeometry::displaySize(size, orientation);
    const double dw = displayed.width(), dh = displayed.height();
    double bw = double(side1()), bh = double(side2());
    if (dh > dw && scaleToSizeMethod() == 0)
        std::swap(bw, bh);
    const double excessX = border ? bw * scaleX - dw : dw - bw * scaleX;
    const double excessY = border ? bh * scaleY - dh : dh - bh * scaleY;
    MCEdgeInsets insets;
    if (excessX > 0)
        std::tie(insets.left, insets.right) = MCStageGeometry::splitExcess(excessX);
    if (excessY > 0)
        std::tie(insets.top, insets.bottom) = MCStageGeometry::splitExcess(excessY);
    return insetsForInsets(MCStageGeometry::anchoredInsets(insets, anchor()), orientation);
}

MCEdgeInsets MCConvertScaleToSize::outerBorderInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX,
                                                            double scaleY) const
{
    return boxInsetsForSize(size, orientation, scaleX, scaleY, true);
}

MCEdgeInsets MCConvertScaleToSize::trimBorderInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX,
                                                           double scaleY) const
{
    return boxInsetsForSize(size, orientation, scaleX, scaleY, false);
}

MCEdgeInsets MCConvertScaleToSize::insetsForInsets(const MCEdgeInsets &insets, quint64 orientation)
{
    return MCStageGeometry::storedInsets(insets, orientation);
}

QSizeF MCConvertScaleToSize::imageSizeForSize(const QSizeF &size, quint64 &) const
{
    if (!isActive())
        return size;
    const QSizeF box{double(side1()), double(side2())};
    return size.height() > size.width() && scaleToSizeMethod() == 0 ? box.transposed() : box;
}

bool MCConvertScaleToSize::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const quint64 orientation = MCStageGeometry::orientationOfMetadata(metadata);
    // A photo read at reduced size for speed becomes exactly what the full-size photo would.
    const bool reduced = bitmap->isReducedForRun();
    const double scaleX = reduced ? 1.0 : bitmap->scaleX(), scaleY = reduced ? 1.0 : bitmap->scaleY();
    const QSizeF target = scaledImageSizeForBitmapSize(
        reduced ? MCStageGeometry::fullSizeOfBitmap(*bitmap) : bitmap->size(), scaleX, scaleY);
    if (!isUsableSize(target))
        return false;
    if (!MCStageGeometry::scaleBitmap(*bitmap, target, error))
        return false;
    if (reduced)
        bitmap->restoreFullScale();
    const bool fill = scaleToSizeBehavior() == 1;
    const MCEdgeInsets insets = fill ? trimBorderInsetsForSize(target, orientation, scaleX, scaleY)
                                     : outerBorderInsetsForSize(target, orientation, scaleX, scaleY);
    if (MCStageGeometry::hasWholePixelInset(insets)) {
        const bool done = fill ? MCStageGeometry::trimBitmap(*bitmap, insets, error)
                               : MCStageGeometry::addBorderToBitmap(*bitmap, true, insets, fillColor(), error);
        if (!done)
            return false;
    }
    MCStageGeometry::writePixelSize(metadata, *bitmap);
    return true;
}
