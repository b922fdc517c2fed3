#pragma once

// Resampling to another size. The source fills the whole destination; every channel is
// filtered alike (for colour with alpha, scale premultiplied data). The filter is Lanczos
// with three lobes, widened when shrinking so that every source pixel contributes; results
// are rounded and clamped to 0–255. `tempBuffer` is not used (pass nullptr).
#include "platform/accelerate/vImageTypes.h"

vImage_Error vImageScale_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                  vImage_Flags flags);
vImage_Error vImageScale_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                 vImage_Flags flags);
