#pragma once

// Resampling, quarter turns and mirroring of pixel buffers.
#include "platform/accelerate/vImageTypes.h"

// Resampling to another size. The source fills the whole destination: output pixel i covers
// source pixels i × s … (i + 1) × s (s = source / destination size), so nothing shifts by a
// fraction of a pixel. The filter is Lanczos with three lobes, widened when shrinking so that
// every source pixel contributes; large reductions first average whole boxes of source pixels
// down to two to four times the destination size. Samples beyond the edges repeat the edge
// pixel. Every channel is filtered alike (for colour with alpha, scale premultiplied data).
// 8-bit results are rounded and clamped to 0–255; float results are neither rounded nor
// clamped (the filter's small overshoot at hard edges stays). `tempBuffer` is not used (pass
// nullptr); flags are ignored (the filter is always the high-quality one).
vImage_Error vImageScale_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                  vImage_Flags flags);
vImage_Error vImageScale_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                 vImage_Flags flags);
vImage_Error vImageScale_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                 vImage_Flags flags);
// The same filter over `count` (1 to 4) planes of one size into as many planes of another
// size, each resampled alike (the results are those of vImageScale_Planar8/F plane by plane)
// but in one parallel pass. Sizes that differ between the planes are −21774; a count outside
// 1 to 4 is −21773.
vImage_Error MCScalePlanes_Planar8(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count);
vImage_Error MCScalePlanes_PlanarF(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count);
// The same filter over four planes of one size, red, green, blue and alpha with straight
// (not premultiplied) alpha, into four planes of another size, in one pass: colours are
// weighed by their alpha on the way in and divided by the resampled alpha on the way out, so
// transparent pixels lend no colour to their neighbours (a white disc on transparency stays
// white to its rim). Where the result is transparent (8-bit alpha 0, float alpha below
// 1/65536) its colour is 0. 8-bit colours are clamped to 0–255; float ones are not.
vImage_Error MCScaleStraightAlpha_Planar8(const vImage_Buffer sources[4], const vImage_Buffer destinations[4]);
vImage_Error MCScaleStraightAlpha_PlanarF(const vImage_Buffer sources[4], const vImage_Buffer destinations[4]);

// Quarter turns, as seen with the first row at the top: 0 none, 1 a quarter turn counter-
// clockwise, 2 a half turn, 3 a quarter turn clockwise. The destination must have the turned
// size (width and height exchanged for 1 and 3), else −21774; another constant is −21773.
// Source and destination must not overlap. `backColor` is not needed (nothing is uncovered).
enum : uint8_t {
    kRotate0DegreesClockwise = 0,
    kRotate90DegreesCounterClockwise = 1,
    kRotate180DegreesClockwise = 2,
    kRotate90DegreesClockwise = 3,
};
vImage_Error vImageRotate90_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                    uint8_t rotationConstant, Pixel_8 backColor, vImage_Flags flags);
vImage_Error vImageRotate90_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                    uint8_t rotationConstant, Pixel_F backColor, vImage_Flags flags);

// Mirroring left-right (each row reversed) or top-bottom (the order of the rows reversed).
// Source and destination have one size (−21774 otherwise) and may be the same buffer.
vImage_Error vImageHorizontalReflect_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                             vImage_Flags flags);
vImage_Error vImageHorizontalReflect_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                             vImage_Flags flags);
vImage_Error vImageVerticalReflect_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                           vImage_Flags flags);
vImage_Error vImageVerticalReflect_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                           vImage_Flags flags);
