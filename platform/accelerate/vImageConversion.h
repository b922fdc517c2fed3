#pragma once

// Repacking of 8-bit pixels.
#include "platform/accelerate/vImageTypes.h"

// Drops the first byte of each four-byte pixel: A R G B → R G B. The destination's size is
// the region converted; its row length must hold 3 bytes per pixel.
vImage_Error vImageConvert_ARGB8888toRGB888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                            vImage_Flags flags);
