#pragma once

// Test photos shared by the benchmarks: a 24-megapixel bitmap of reproducible noise (the worst
// case for codecs and no shortcut for kernels), 8-bit or float working layout.
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <cstdint>
#include <memory>

namespace bench {

constexpr size_t kWidth = 6000, kHeight = 4000;

inline std::unique_ptr<MCBitmap> noisePhoto(bool isFloat)
{
    QByteArray data(int(kWidth * kHeight * 4), Qt::Uninitialized);
    uint32_t state = 12345;
    for (char &b : data) {
        state = state * 1664525u + 1013904223u;
        b = char(state >> 24);
    }
    auto bitmap = MCBitmap::createWithCGImage(CGImage::create(kWidth, kHeight, 8, 32, kWidth * 4,
                                                              CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                              kCGImageAlphaLast, data));
    if (bitmap && isFloat)
        bitmap->convertToBitmapInfo(kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little, 32,
                                    {1, 1, 1});
    return bitmap;
}

} // namespace bench
