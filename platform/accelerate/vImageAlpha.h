#pragma once

// Undoing premultiplied alpha: each colour component is divided by its pixel's alpha
// (components of fully transparent pixels become 0). Source and destination may be the same
// buffer; the destination's size is the region worked on.
#include "platform/accelerate/vImageTypes.h"

// Premultiplying: each colour component is multiplied by its pixel's alpha (8-bit results
// rounded to nearest). Source and destination may be the same buffer.
vImage_Error vImagePremultiplyData_RGBA8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                            vImage_Flags flags);
vImage_Error vImagePremultiplyData_RGBAFFFF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                            vImage_Flags flags);

vImage_Error vImageUnpremultiplyData_RGBA8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                              vImage_Flags flags);
vImage_Error vImageUnpremultiplyData_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                              vImage_Flags flags);
vImage_Error vImageUnpremultiplyData_RGBA16U(const vImage_Buffer *source, const vImage_Buffer *destination,
                                             vImage_Flags flags);
vImage_Error vImageUnpremultiplyData_RGBAFFFF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                              vImage_Flags flags);
