#pragma once

// Splitting interleaved pixels into one plane per component and merging them back. The
// planes are taken in memory order (plane k holds the k-th component of each pixel), so the
// "ARGB" and "RGB" names say only how many components a pixel has. The destination's size is
// the region worked on; every plane and the source must be at least that large.
#include "platform/accelerate/vImageTypes.h"

vImage_Error vImageConvert_ARGB8888toPlanar8(const vImage_Buffer *source, const vImage_Buffer *plane0,
                                             const vImage_Buffer *plane1, const vImage_Buffer *plane2,
                                             const vImage_Buffer *plane3, vImage_Flags flags);
vImage_Error vImageConvert_RGB888toPlanar8(const vImage_Buffer *source, const vImage_Buffer *plane0,
                                           const vImage_Buffer *plane1, const vImage_Buffer *plane2,
                                           vImage_Flags flags);
vImage_Error vImageConvert_ARGBFFFFtoPlanarF(const vImage_Buffer *source, const vImage_Buffer *plane0,
                                             const vImage_Buffer *plane1, const vImage_Buffer *plane2,
                                             const vImage_Buffer *plane3, vImage_Flags flags);
vImage_Error vImageConvert_RGBFFFtoPlanarF(const vImage_Buffer *source, const vImage_Buffer *plane0,
                                           const vImage_Buffer *plane1, const vImage_Buffer *plane2,
                                           vImage_Flags flags);

vImage_Error vImageConvert_Planar8toARGB8888(const vImage_Buffer *plane0, const vImage_Buffer *plane1,
                                             const vImage_Buffer *plane2, const vImage_Buffer *plane3,
                                             const vImage_Buffer *destination, vImage_Flags flags);
vImage_Error vImageConvert_Planar8toRGB888(const vImage_Buffer *plane0, const vImage_Buffer *plane1,
                                           const vImage_Buffer *plane2, const vImage_Buffer *destination,
                                           vImage_Flags flags);
vImage_Error vImageConvert_PlanarFtoARGBFFFF(const vImage_Buffer *plane0, const vImage_Buffer *plane1,
                                             const vImage_Buffer *plane2, const vImage_Buffer *plane3,
                                             const vImage_Buffer *destination, vImage_Flags flags);
vImage_Error vImageConvert_PlanarFtoRGBFFF(const vImage_Buffer *plane0, const vImage_Buffer *plane1,
                                           const vImage_Buffer *plane2, const vImage_Buffer *destination,
                                           vImage_Flags flags);
