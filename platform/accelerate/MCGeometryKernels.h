#pragma once

// Plane kernels of the bitmap's geometry operations that the platform's image library does not
// offer: a region copy, a fill outside a rectangle, a padding copy and an edge scan. Each has
// an 8-bit and a float member with the same contract (the float member counts row lengths in
// floats) and answers a vImage status. Coordinates count columns from the start of a row and
// rows from the first row in memory.
#include "platform/accelerate/vImageTypes.h"

// Copies the destination-sized region of `source` that starts at column x, row y to the
// destination. Checks, in order: source without memory −21772; x beyond the source width
// −21769; y beyond its height −21770; the region not inside the source −21766. A destination
// without memory or rows is a success with nothing copied. Each row copies as much of the row
// length as both rows hold, so samples beyond the region may land in the destination's
// padding.
vImage_Error MCCopyRegionPlanar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                                 vImagePixelCount y);
vImage_Error MCCopyRegionPlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                                 vImagePixelCount y);

// Sets every sample outside the rectangle (x, y, w, h) to `value`, row padding included.
// Checks: no memory −21772; x beyond the width −21769; y beyond the height −21770; the
// rectangle not inside the plane −21766.
vImage_Error MCFillOutsideRectPlanar8(const vImage_Buffer *plane, vImagePixelCount x, vImagePixelCount y,
                                      vImagePixelCount w, vImagePixelCount h, Pixel_8 value);
vImage_Error MCFillOutsideRectPlanarF(const vImage_Buffer *plane, vImagePixelCount x, vImagePixelCount y,
                                      vImagePixelCount w, vImagePixelCount h, Pixel_F value);

// Writes `source` into the larger destination with its first sample at column x, row y, and
// `value` everywhere else (padding included). Checks: either plane without memory −21772; x
// beyond the destination width −21769; y beyond its height −21770; the source not fitting
// there −21766.
vImage_Error MCPadPlanar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                          vImagePixelCount y, Pixel_8 value);
vImage_Error MCPadPlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                          vImagePixelCount y, Pixel_F value);

// Measures the uniform margin on each side of a plane of width W and height H: the number of
// rows (columns) at that edge in which no sample differs from `key` by more than `tolerance`
// (a NaN sample never differs). top is the first row holding a differing sample, bottom
// H − 1 − the last such row, left the smallest differing column (at most W − 1), right W − 1 −
// the largest; with no differing sample every side is W − 1 or H − 1. Each result is written
// only when its pointer is given. A plane without memory or samples is −21772 / −21773.
vImage_Error MCFindEdgesPlanar8(const vImage_Buffer *plane, Pixel_8 key, Pixel_8 tolerance, vImagePixelCount *top,
                                vImagePixelCount *left, vImagePixelCount *bottom, vImagePixelCount *right);
vImage_Error MCFindEdgesPlanarF(const vImage_Buffer *plane, Pixel_F key, Pixel_F tolerance, vImagePixelCount *top,
                                vImagePixelCount *left, vImagePixelCount *bottom, vImagePixelCount *right);
