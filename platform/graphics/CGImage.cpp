#include "platform/graphics/CGImage.h"

#include "platform/graphics/CGColorSpace.h"

#include <cmath>

namespace {

bool validComponentSize(size_t bpc, CGBitmapInfo info)
{
    if (info & kCGBitmapFloatComponents)
        return bpc == 16 || bpc == 32;
    return bpc == 1 || bpc == 2 || bpc == 4 || bpc == 5 || bpc == 8 || bpc == 16;
}

size_t componentsPerPixel(const CGColorSpaceRef &space, CGImageAlphaInfo alpha)
{
    const size_t colour = space ? space->numberOfComponents() : 0;
    return colour + (alpha == kCGImageAlphaNone ? 0 : (alpha == kCGImageAlphaOnly ? 1 - colour : 1));
}

} // namespace

size_t CGImage::byteCount() const
{
    return (m_height - 1) * m_bytesPerRow + (m_width * m_bitsPerPixel + 7) / 8;
}

CGImageRef CGImage::create(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                           size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo,
                           std::shared_ptr<const uint8_t> data, size_t dataSize, CGColorRenderingIntent intent,
                           bool shouldInterpolate)
{
    if (width == 0 || height == 0 || !data)
        return nullptr;
    if (width > size_t(kMaximumSide) || height > size_t(kMaximumSide) ||
        qint64(width) * qint64(height) > kMaximumPixelCount)
        return nullptr;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo);
    if (alpha > kCGImageAlphaOnly || !validComponentSize(bitsPerComponent, bitmapInfo))
        return nullptr;
    if (alpha != kCGImageAlphaOnly && (!colorSpace || colorSpace->numberOfComponents() == 0))
        return nullptr;
    const size_t components = componentsPerPixel(colorSpace, alpha);
    // 5-bit components come packed three or four to 16 bits; everything else is whole.
    if (bitsPerComponent == 5) {
        if (bitsPerPixel != 16)
            return nullptr;
    } else if (bitsPerPixel < components * bitsPerComponent || bitsPerPixel % bitsPerComponent != 0) {
        return nullptr;
    }
    const size_t rowBits = width * bitsPerPixel;
    if (bytesPerRow < (rowBits + 7) / 8)
        return nullptr;
    const size_t needed = (height - 1) * bytesPerRow + (rowBits + 7) / 8;
    if (dataSize < needed)
        return nullptr;

    auto image = std::shared_ptr<CGImage>(new CGImage);
    image->m_width = width;
    image->m_height = height;
    image->m_bitsPerComponent = bitsPerComponent;
    image->m_bitsPerPixel = bitsPerPixel;
    image->m_bytesPerRow = bytesPerRow;
    image->m_bitmapInfo = bitmapInfo;
    image->m_colorSpace = std::move(colorSpace);
    image->m_intent = intent;
    image->m_shouldInterpolate = shouldInterpolate;
    image->m_bytes = data.get();
    image->m_owner = std::move(data);
    return image;
}

CGImageRef CGImage::create(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                           size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo,
                           const QByteArray &data, CGColorRenderingIntent intent)
{
    auto holder = std::make_shared<QByteArray>(data);
    std::shared_ptr<const uint8_t> bytes(holder, reinterpret_cast<const uint8_t *>(holder->constData()));
    return create(width, height, bitsPerComponent, bitsPerPixel, bytesPerRow, std::move(colorSpace), bitmapInfo,
                  std::move(bytes), size_t(data.size()), intent);
}

CGImageRef CGImage::createWithImageInRect(const CGImageRef &image, const QRectF &rect)
{
    if (!image || !rect.isValid() || image->m_bitsPerPixel % 8 != 0)
        return nullptr;
    // Integral: the smallest whole-pixel rectangle holding the given one.
    const double x0 = std::floor(rect.left()), y0 = std::floor(rect.top());
    const double x1 = std::ceil(rect.right()), y1 = std::ceil(rect.bottom());
    const qint64 left = qMax<qint64>(0, qint64(x0)), top = qMax<qint64>(0, qint64(y0));
    const qint64 right = qMin<qint64>(qint64(image->m_width), qint64(x1));
    const qint64 bottom = qMin<qint64>(qint64(image->m_height), qint64(y1));
    if (right <= left || bottom <= top)
        return nullptr;
    if (left == 0 && top == 0 && right == qint64(image->m_width) && bottom == qint64(image->m_height))
        return image;
    const size_t offset = size_t(top) * image->m_bytesPerRow + size_t(left) * image->m_bitsPerPixel / 8;
    std::shared_ptr<const uint8_t> bytes(image->m_owner, image->m_bytes + offset);
    const size_t height = size_t(bottom - top), width = size_t(right - left);
    const size_t size = (height - 1) * image->m_bytesPerRow + width * image->m_bitsPerPixel / 8;
    return create(width, height, image->m_bitsPerComponent, image->m_bitsPerPixel, image->m_bytesPerRow,
                  image->m_colorSpace, image->m_bitmapInfo, std::move(bytes), size, image->m_intent,
                  image->m_shouldInterpolate);
}

CGImageRef CGImage::createCopyWithColorSpace(const CGImageRef &image, CGColorSpaceRef colorSpace)
{
    if (!image || !colorSpace || !image->m_colorSpace ||
        colorSpace->numberOfComponents() != image->m_colorSpace->numberOfComponents())
        return nullptr;
    std::shared_ptr<const uint8_t> bytes(image->m_owner, image->m_bytes);
    return create(image->m_width, image->m_height, image->m_bitsPerComponent, image->m_bitsPerPixel,
                  image->m_bytesPerRow, std::move(colorSpace), image->m_bitmapInfo, std::move(bytes),
                  image->byteCount(), image->m_intent, image->m_shouldInterpolate);
}
