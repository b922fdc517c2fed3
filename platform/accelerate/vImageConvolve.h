#pragma once

// General convolution of planar buffers with a kernel of any odd size, stored row by row:
// destination pixel (x, y) is Σ kernel[j][i] × source(x + X + i − kw/2, y + Y + j − kh/2)
// (X, Y the offsets of the region of interest), divided by `divisor` for 8-bit samples and
// then rounded to nearest (ties to even) and saturated to 0..255.
//
// Exactly one edge style is needed (−21768 otherwise):
// - kvImageTruncateKernel: only the taps inside the source count, and the sum is scaled by
//   (all weights) / (weights inside), so a blur stays a weighted mean up to the edges;
// - kvImageEdgeExtend: the edge pixels repeat;
// - kvImageBackgroundColorFill: outside is `backgroundColor`;
// - kvImageCopyInPlace: pixels whose kernel leaves the source are copied unchanged.
// Kernel sides must be odd (−21767), the destination no larger than the source from the
// offsets (−21766), source and destination different buffers (−21780), the divisor not 0.
//
// The work per pixel follows the kernel's shape, so large blurs stay affordable: a kernel
// that is the product of a column and a row is applied in two one-dimensional passes; a
// kernel made of a few constant rectangles (boxes, pyramids, the stepped weights of a rounded
// Gaussian) is summed from a table of running sums in constant time per rectangle; anything
// else tap by tap. Rows are spread over the shared pool; memory is taken once per call.
#include "platform/accelerate/vImageTypes.h"

vImage_Error vImageConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                    vImagePixelCount sourceOffsetToROI_X, vImagePixelCount sourceOffsetToROI_Y,
                                    const int16_t *kernel, uint32_t kernelHeight, uint32_t kernelWidth,
                                    int32_t divisor, Pixel_8 backgroundColor, vImage_Flags flags);
vImage_Error vImageConvolve_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                    vImagePixelCount sourceOffsetToROI_X, vImagePixelCount sourceOffsetToROI_Y,
                                    const float *kernel, uint32_t kernelHeight, uint32_t kernelWidth,
                                    Pixel_F backgroundColor, vImage_Flags flags);
// The mean of a kernelWidth × kernelHeight box (a kernel of ones divided by their count).
vImage_Error vImageBoxConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                       vImagePixelCount sourceOffsetToROI_X, vImagePixelCount sourceOffsetToROI_Y,
                                       uint32_t kernelHeight, uint32_t kernelWidth, Pixel_8 backgroundColor,
                                       vImage_Flags flags);
