#pragma once

// Tent blur: a separable kernel whose weights fall linearly from the centre (r + 1 − |i|
// along each axis for a size of 2r + 1). Kernel sizes must be odd (−21767 otherwise).
// Exactly one edge style is needed (−21768 otherwise): kvImageTruncateKernel (only the taps
// inside the source count, renormalised), kvImageEdgeExtend (the edge pixel repeats),
// kvImageBackgroundColorFill (outside is `backgroundColor`) or kvImageCopyInPlace (pixels whose
// kernel leaves the source are copied unchanged). The destination's size is the region of
// interest, starting at the given offsets in the source. With kvImageLeaveAlphaUnchanged the
// ARGB alpha byte (the first) is copied from the source. Source and destination must differ.
#include "platform/accelerate/vImageTypes.h"

vImage_Error vImageTentConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                        void *tempBuffer, vImagePixelCount sourceOffsetToROI_X,
                                        vImagePixelCount sourceOffsetToROI_Y, uint32_t kernelHeight,
                                        uint32_t kernelWidth, Pixel_8 backgroundColor, vImage_Flags flags);
vImage_Error vImageTentConvolve_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                         void *tempBuffer, vImagePixelCount sourceOffsetToROI_X,
                                         vImagePixelCount sourceOffsetToROI_Y, uint32_t kernelHeight,
                                         uint32_t kernelWidth, const uint8_t *backgroundColor, vImage_Flags flags);
