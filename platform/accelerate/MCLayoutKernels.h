#pragma once

// Decoded pixels placed straight into a working layout: one pass from the decoder's
// interleaved rows into the bitmap's four interleaved components or its four planes, turned
// and mirrored on the way, with nothing filled or composited first.
#include "platform/accelerate/vImageTypes.h"

#include <cstddef>

// Where the source pixel of destination pixel (x, y) lies: column u0 + x·dux + y·duy, row
// v0 + x·dvx + y·dvy. The steps are −1, 0 or 1 (a quarter turn or mirror at scale 1).
struct MCPixelPlacement
{
    long u0 = 0, v0 = 0;
    int dux = 1, dvx = 0, duy = 0, dvy = 1;
};

// The opaque source: three colour components of 8 or 16 bits (host order) per pixel at
// `colourOffsets` (in components) within pixels of `stride` components; alpha, if any, is
// ignored. The destination is 8-bit or 32-bit float: either one interleaved buffer of four
// components (colours 0..2, then the fourth at full scale) or four planes (red, green, blue,
// and the fourth at full scale). Samples convert as the drawing does: 8 → 8 as they are,
// 16 → 8 as v / 65535 × 255 rounded, to float as v / full scale. Status −21773 for a missing
// buffer, −21766 when a destination pixel would read outside the source.
vImage_Error MCPlaceOpaquePixels(const vImage_Buffer &source, size_t sourceBitsPerComponent, size_t stride,
                                 const int colourOffsets[3], const MCPixelPlacement &placement,
                                 const vImage_Buffer *destinations, bool planar, bool floatDestination);
