#pragma once

// The shared pieces of the bitmap's pixel kernels: the plane split that spreads a plane over
// the processors, the 8-bit vector step, the two lookup-table primitives and the out-of-place
// pattern with temporary planes. Kernels answer vImage status codes (0 success, −21773 a
// rejected argument, −21776 a table that cannot be had, platform codes passed on).
#include "platform/accelerate/MCPixelKernel.h"
#include "platform/accelerate/vImageTypes.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace mcbitmap {

// Bytes of one vector block: 16 samples of 8 bits or 4 floats.
constexpr size_t kBlockBytes = 16;

// Calls body(firstBlock, endBlock) over [0, blocks) in P pieces, P the processor count: piece
// i gets blocks [chunk·i, chunk·(i+1)) with chunk = blocks / P, and the last piece runs to the
// end, so a plane of fewer than P blocks is done entirely by the last piece. Returns when all
// pieces are done; the pieces write disjoint ranges.
void splitPlane(size_t blocks, const std::function<void(size_t, size_t)> &body);
// Blocks of a plane: height × rowBytes / kBlockBytes. Row padding is worked like pixels, and
// planes have row lengths that are multiples of 16 bytes, so no pixel is left out.
inline size_t blocksOfPlane(const vImage_Buffer &plane)
{
    return plane.height * plane.rowBytes / kBlockBytes;
}

// The end of the 8-bit vector step: a result on the 0..255 scale rounded to nearest, ties to
// even, saturated to 0..255; NaN becomes 0.
// One rounding rule for every 8-bit kernel: the pixel kernels' own.
inline uint8_t roundToByte(float value) { return platform::pixel::roundSaturate8(value); }
// The float nearest 1/255, by which 8-bit samples are brought to the 0..1 scale.
constexpr float kByteToUnit = 0.003921569f;

// The 8-bit vector step over every block of the planes (R, G, B at the same offset): the
// samples are widened to floats on the 0..1 scale, `pixel` changes them in place, and the
// results are scaled back and rounded. `planes` holds `count` planes of one size.
void forEachPixel8(vImage_Buffer *planes, size_t count, const std::function<void(float *rgb)> &pixel);
// The same for float planes, without scaling.
void forEachPixelF(vImage_Buffer *planes, size_t count, const std::function<void(float *rgb)> &pixel);

// Lookup primitives over the platform's table kernels (vImageTableLookUp_Planar8 and
// vImageInterpolatedLookupTable_PlanarF). 8-bit: sample v becomes table[v], applied to `count`
// planes in place, stopping at the first failure. Float: a sample is placed at (v − minFloat) / (maxFloat −
// minFloat) × (n − 1) on the table of n entries and interpolated linearly between its two
// neighbours; positions outside the table take its first or last entry.
vImage_Error applyTable8(vImage_Buffer *planes, size_t count, const uint8_t table[256]);
vImage_Error applyTableF(vImage_Buffer *planes, size_t count, const float *table, size_t entries, float maxFloat,
                         float minFloat);

// The out-of-place pattern: each of `count` planes in turn is filtered into a temporary plane
// of its size (`bitsPerComponent` bits a sample), which then replaces it; the plane's old
// memory serves the next one. A failure stops there: the planes before it are filtered, the
// failed one and those after it are left as they were (the operation answers false and its
// stage fails, so such a picture is never written).
vImage_Error filterOutOfPlace(vImage_Buffer *planes, size_t count, uint32_t bitsPerComponent,
                              const std::function<vImage_Error(const vImage_Buffer &source,
                                                               const vImage_Buffer &destination)> &filter);

} // namespace mcbitmap

// Working-layout converters: an interleaved RGB buffer of 8, 16 or 32-bit float components in
// any alpha layout (not alpha only) into the working layout, red, green, blue, alpha last and
// not premultiplied, at 8 bits or as floats. Both formats must share an RGB colour space and
// the destination's alpha info must be 3; anything else is −21773.
vImage_Error MCNormalizeToRGBA8888(const vImage_Buffer *source, const vImage_CGImageFormat *sourceFormat,
                                   const vImage_Buffer *destination, const vImage_CGImageFormat *destinationFormat,
                                   vImage_Flags flags);
vImage_Error MCNormalizeToRGBAFFFF(const vImage_Buffer *source, const vImage_CGImageFormat *sourceFormat,
                                   const vImage_Buffer *destination, const vImage_CGImageFormat *destinationFormat,
                                   vImage_Flags flags);
