#pragma once

// Working-format bitmaps for the geometry, alpha and grayscale tests: built from a function of
// the pixel position (colours on the 0..1 scale) and read back sample by sample from the planar
// store.
#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include <cmath>
#include <functional>

namespace testbitmap {

enum class Depth { Bits8, Float };

// A colour on the 0..1 scale (8-bit bitmaps store it × 255, rounded).
using RGBA = std::array<float, 4>;

inline std::unique_ptr<MCBitmap> make(size_t width, size_t height, Depth depth,
                                      const std::function<RGBA(size_t x, size_t y)> &pixel)
{
    const bool floats = depth == Depth::Float;
    std::vector<bitmapops::Pixel> pixels;
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            RGBA v = pixel(x, y);
            if (!floats) {
                for (float &c : v)
                    c = std::round(c * 255.0f);
            }
            pixels.push_back(v);
        }
    }
    return bitmapops::makeBitmap(floats ? bitmapops::Layout::RGBAF : bitmapops::Layout::RGBA8, width, height, pixels);
}

// A gray 8-bit bitmap of one level.
inline std::unique_ptr<MCBitmap> grayBitmap(size_t width, size_t height, int level)
{
    return bitmapops::makeBitmap(bitmapops::Layout::Gray8, width, height,
                                 std::vector<bitmapops::Pixel>(width * height, bitmapops::Pixel{float(level), 0, 0, 0}));
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
