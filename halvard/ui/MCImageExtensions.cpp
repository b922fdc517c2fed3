#include "halvard/ui/MCImageExtensions.h"

#include <QPainter>

#include <cmath>

QImage MCImageFromRect(const QImage &image, const QRectF &rect)
{
    if (image.isNull())
        return {};
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels = QRect(int(std::round(rect.x() * ratio)), int(std::round(rect.y() * ratio)),
                               int(std::round(rect.width() * ratio)), int(std::round(rect.height() * ratio)))
                             .intersected(image.rect());
    if (pixels.isEmpty())
        return {};
    QImage part = image.copy(pixels);
    part.setDevicePixelRatio(ratio);
    return part;
}

QImage MCImageTintedWithColor(const QImage &image, const QColor &color)
{
    QImage copy = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!color.isValid() || copy.isNull())
        return copy;
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(copy.rect(), color);
    return copy;
}

#include "platform/graphics/CGColorSpace.h"

CGImageRef MCCGImageFromQImage(const QImage &image)
{
    if (image.isNull())
        return nullptr;
    const QImage rgbx = image.convertToFormat(QImage::Format_RGBX8888);
    const QByteArray bytes(reinterpret_cast<const char *>(rgbx.constBits()), rgbx.sizeInBytes());
    return CGImage::create(size_t(rgbx.width()), size_t(rgbx.height()), 8, 32, size_t(rgbx.bytesPerLine()),
                           CGColorSpace::createDeviceRGB(), kCGImageAlphaNoneSkipLast, bytes);
}
