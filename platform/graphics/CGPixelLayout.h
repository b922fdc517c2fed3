#pragma once

#include "platform/graphics/CGTypes.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// Where each component of a pixel sits in memory, for whole-component formats of 8-bit,
// 16-bit or 32-bit float components. Colour components are numbered as the colour space
// numbers them (R, G, B; C, M, Y, K; gray); `colour[i]` is the memory index of component i.
struct CGPixelLayout
{
    size_t colours = 0;       // colour components
    size_t channels = 0;      // components per pixel in memory (colours plus alpha or padding)
    size_t bitsPerComponent = 0;
    bool isFloat = false;
    int colour[4] = {0, 1, 2, 3};
    int alpha = -1;           // memory index of alpha, −1 when there is none
    int padding = -1;         // memory index of an unused component (skip first / last)
    bool premultiplied = false;
    bool swapBytes = false;   // 16- or 32-bit components in the other byte order than the host's

    size_t bytesPerPixel() const { return channels * bitsPerComponent / 8; }
};

// Describes `bitmapInfo` for a space of `colours` components. False for what the layout does
// not describe: alpha only, other component sizes, half floats, a bitsPerPixel that is not
// channels × bitsPerComponent, or a byte order that does not fit the component size (a 32-bit
// order on 8-bit components reverses the components of a four-component pixel).
bool describePixelLayout(size_t colours, size_t bitsPerComponent, size_t bitsPerPixel, CGBitmapInfo bitmapInfo,
                         CGPixelLayout *layout);

} // namespace platform
