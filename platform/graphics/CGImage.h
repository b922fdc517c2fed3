#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QRectF>

#include <cstddef>

// An immutable image: pixels in one described format, a colour space and a rendering
// intent. The pixel memory is shared: a cropped image (createWithImageInRect) refers to
// its parent's memory, and copies of a CGImageRef are cheap.
//
// Formats: bitsPerComponent 1, 2, 4, 8, 16 or 32 (32 only with kCGBitmapFloatComponents);
// bitsPerPixel a whole multiple of bitsPerComponent covering the colour components of the
// space plus an alpha or padding component when the alpha info names one. Components are in
// host order for 16- and 32-bit data unless the bitmap info names a byte order.
class CGImage
{
public:
    // The largest image any part of the system makes or decodes: beyond this a decoder
    // refuses the file as absurd rather than trying to allocate it.
    static constexpr qint64 kMaximumPixelCount = qint64(1) << 29; // 536 megapixels
    static constexpr qint64 kMaximumSide = 1 << 18;

    // nullptr when the description is inconsistent: a zero side, too large, an unsupported
    // component size, a row length below what a row needs, or data smaller than the rows.
    static CGImageRef create(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                             size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo,
                             std::shared_ptr<const uint8_t> data, size_t dataSize,
                             CGColorRenderingIntent intent = kCGRenderingIntentDefault,
                             bool shouldInterpolate = true);
    // The same, keeping `data` alive for the image's lifetime.
    static CGImageRef create(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                             size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo,
                             const QByteArray &data, CGColorRenderingIntent intent = kCGRenderingIntentDefault);
    // The part of `image` inside `rect` (made integral, clipped to the image): shares the
    // pixels; nullptr when the clipped rectangle is empty or the format is not byte aligned.
    static CGImageRef createWithImageInRect(const CGImageRef &image, const QRectF &rect);
    // The same pixels with another colour space of the same number of components.
    static CGImageRef createCopyWithColorSpace(const CGImageRef &image, CGColorSpaceRef colorSpace);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    size_t bitsPerComponent() const { return m_bitsPerComponent; }
    size_t bitsPerPixel() const { return m_bitsPerPixel; }
    size_t bytesPerRow() const { return m_bytesPerRow; }
    CGBitmapInfo bitmapInfo() const { return m_bitmapInfo; }
    CGImageAlphaInfo alphaInfo() const { return CGBitmapAlphaInfo(m_bitmapInfo); }
    bool isFloat() const { return (m_bitmapInfo & kCGBitmapFloatComponents) != 0; }
    const CGColorSpaceRef &colorSpace() const { return m_colorSpace; }
    CGColorRenderingIntent renderingIntent() const { return m_intent; }
    bool shouldInterpolate() const { return m_shouldInterpolate; }

    // The first byte of the first row; rows follow every bytesPerRow() bytes.
    const uint8_t *bytes() const { return m_bytes; }
    const uint8_t *row(size_t y) const { return m_bytes + y * m_bytesPerRow; }
    // Bytes from bytes() to the end of the last row's pixels.
    size_t byteCount() const;
    // Keeps the pixel memory alive independently of the image.
    std::shared_ptr<const uint8_t> dataOwner() const { return m_owner; }

private:
    CGImage() = default;

    size_t m_width = 0;
    size_t m_height = 0;
    size_t m_bitsPerComponent = 0;
    size_t m_bitsPerPixel = 0;
    size_t m_bytesPerRow = 0;
    CGBitmapInfo m_bitmapInfo = 0;
    CGColorSpaceRef m_colorSpace;
    CGColorRenderingIntent m_intent = kCGRenderingIntentDefault;
    bool m_shouldInterpolate = true;
    std::shared_ptr<const uint8_t> m_owner;
    const uint8_t *m_bytes = nullptr;
};
