#pragma once

// Small bitmaps of given pixels in each of the four working layouts, and reading them back,
// for the tests of the adjustment operations.
#include "app/engine/bitmap/MCBitmap.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QByteArray>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace bitmapops {

enum class Layout { Gray8, GrayF, RGBA8, RGBAF };

inline bool isFloat(Layout layout) { return layout == Layout::GrayF || layout == Layout::RGBAF; }
inline bool isGray(Layout layout) { return layout == Layout::Gray8 || layout == Layout::GrayF; }
inline size_t componentsOf(Layout layout) { return isGray(layout) ? 1 : 4; }
inline std::string nameOf(Layout layout)
{
    const char *names[] = {"gray 8-bit", "gray float", "RGBA 8-bit", "RGBA float"};
    return names[int(layout)];
}

// A pixel as stored: 0..255 for 8-bit samples, as is for floats; gray uses [0] only.
using Pixel = std::array<float, 4>;

// A width × height bitmap whose pixel (x, y) is pixels[y × width + x].
inline std::unique_ptr<MCBitmap> makeBitmap(Layout layout, size_t width, size_t height, const std::vector<Pixel> &pixels)
{
    const size_t components = componentsOf(layout);
    const size_t bytes = isFloat(layout) ? 4 : 1;
    QByteArray data(int(width * height * components * bytes), 0);
    for (size_t i = 0; i < width * height; ++i)
        for (size_t c = 0; c < components; ++c) {
            char *p = data.data() + (i * components + c) * bytes;
            if (isFloat(layout))
                std::memcpy(p, &pixels[i][c], 4);
            else
                *reinterpret_cast<uint8_t *>(p) = uint8_t(pixels[i][c]);
        }
    const CGColorSpaceRef space =
        CGColorSpace::createWithName(isGray(layout) ? kCGColorSpaceGenericGrayGamma2_2 : kCGColorSpaceSRGB);
    CGBitmapInfo info = isGray(layout) ? kCGImageAlphaNone : kCGImageAlphaLast;
    if (isFloat(layout))
        info |= kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;
    const CGImageRef image = CGImage::create(width, height, bytes * 8, components * bytes * 8, width * components * bytes,
                                             space, info, data);
    return MCBitmap::createWithCGImage(image);
}

// One row of pixels.
inline std::unique_ptr<MCBitmap> makeRow(Layout layout, const std::vector<Pixel> &pixels)
{
    return makeBitmap(layout, pixels.size(), 1, pixels);
}

// Every pixel, in the units of makeBitmap.
inline std::vector<Pixel> pixelsOf(MCBitmap &bitmap)
{
    std::vector<Pixel> pixels;
    if (!bitmap.useImageBuffer())
        return pixels;
    const vImage_Buffer &buffer = bitmap.imageBuffer();
    const size_t components = bitmap.bitsPerPixel() / bitmap.bitsPerComponent();
    const bool floats = bitmap.bitsPerComponent() == 32;
    for (size_t y = 0; y < buffer.height; ++y) {
        const uint8_t *row = static_cast<const uint8_t *>(buffer.data) + y * buffer.rowBytes;
        for (size_t x = 0; x < buffer.width; ++x) {
            Pixel p{};
            for (size_t c = 0; c < components; ++c) {
                if (floats)
                    std::memcpy(&p[c], row + (x * components + c) * 4, 4);
                else
                    p[c] = row[x * components + c];
            }
            pixels.push_back(p);
        }
    }
    return pixels;
}

// A gray pixel in either depth: `level` of 0..255 (floats get level / 255), alpha opaque.
inline Pixel grayPixel(Layout layout, float level)
{
    const float v = isFloat(layout) ? level / 255.0f : level;
    const float a = isFloat(layout) ? 1.0f : 255.0f;
    return {v, v, v, a};
}

} // namespace bitmapops
