#pragma once

// Small working-format bitmaps for the pixel-operation tests: built from a function of the
// pixel position and read back sample by sample from the planar store.
#include "app/engine/bitmap/MCBitmap.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QByteArray>

#include <array>
#include <cstring>
#include <functional>
#include <memory>

namespace testbitmap {

enum class Depth { Bits8, Float };

// A colour on the 0..1 scale (8-bit bitmaps store it × 255, rounded).
using RGBA = std::array<float, 4>;

inline std::unique_ptr<MCBitmap> make(size_t width, size_t height, Depth depth,
                                      const std::function<RGBA(size_t x, size_t y)> &pixel)
{
    const bool floats = depth == Depth::Float;
    const size_t sampleBytes = floats ? 4 : 1;
    QByteArray data(int(width * height * 4 * sampleBytes), 0);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            const RGBA v = pixel(x, y);
            char *p = data.data() + (y * width + x) * 4 * sampleBytes;
            for (int c = 0; c < 4; ++c) {
                if (floats)
                    std::memcpy(p + c * 4, &v[c], 4);
                else
                    p[c] = char(uint8_t(v[c] * 255.0f + 0.5f));
            }
        }
    }
    const CGBitmapInfo info =
        floats ? kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little : kCGImageAlphaLast;
    auto image = CGImage::create(width, height, floats ? 32 : 8, floats ? 128 : 32, width * 4 * sampleBytes,
                                 CGColorSpace::createWithName(kCGColorSpaceSRGB), info, data);
    return MCBitmap::createWithCGImage(image);
}

inline std::unique_ptr<MCBitmap> filled(size_t width, size_t height, Depth depth, RGBA colour)
{
    return make(width, height, depth, [&](size_t, size_t) { return colour; });
}

// Bytes of an 8-bit colour given in levels.
inline RGBA levels(int r, int g, int b, int a = 255)
{
    return {float(r) / 255.0f, float(g) / 255.0f, float(b) / 255.0f, float(a) / 255.0f};
}

// Sample of channel c at (x, y) on the 0..1 scale (8-bit samples / 255), from the planes.
inline float sample(MCBitmap &bitmap, size_t x, size_t y, int c)
{
    bitmap.useImageChannels();
    const vImage_Buffer &plane = bitmap.imageChannels()[size_t(c)];
    const uint8_t *row = static_cast<const uint8_t *>(plane.data) + y * plane.rowBytes;
    if (bitmap.bitsPerComponent() == 32)
        return reinterpret_cast<const float *>(row)[x];
    return float(row[x]) / 255.0f;
}

// The 8-bit level of channel c at (x, y).
inline int level(MCBitmap &bitmap, size_t x, size_t y, int c)
{
    bitmap.useImageChannels();
    const vImage_Buffer &plane = bitmap.imageChannels()[size_t(c)];
    return static_cast<const uint8_t *>(plane.data)[y * plane.rowBytes + x];
}

} // namespace testbitmap
