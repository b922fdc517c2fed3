#pragma once

// Small images made in the tests of the image code.
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QByteArray>

#include <functional>

namespace testimages {

// A packed image whose pixel (x, y) (y = 0 the first row in memory) gets its bytes from `pixel`.
inline CGImageRef make(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                       const CGColorSpaceRef &space, CGBitmapInfo info,
                       const std::function<void(size_t x, size_t y, uint8_t *bytes)> &pixel)
{
    const size_t bytesPerPixel = bitsPerPixel / 8, rowBytes = width * bytesPerPixel;
    QByteArray data(qsizetype(rowBytes * height), 0);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            pixel(x, y, reinterpret_cast<uint8_t *>(data.data()) + y * rowBytes + x * bytesPerPixel);
    return CGImage::create(width, height, bitsPerComponent, bitsPerPixel, rowBytes, space, info, data);
}

// One colour all over, 8-bit RGBA (alpha last, not premultiplied).
inline CGImageRef solidRGBA(size_t width, size_t height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return make(width, height, 8, 32, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast,
                [=](size_t, size_t, uint8_t *p) { p[0] = r; p[1] = g; p[2] = b; p[3] = a; });
}

inline CGImageRef gray8(size_t width, size_t height, uint8_t value)
{
    return make(width, height, 8, 8, CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2),
                kCGImageAlphaNone, [=](size_t, size_t, uint8_t *p) { p[0] = value; });
}

} // namespace testimages
