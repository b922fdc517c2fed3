#pragma once

// Colour matrices over planes: target plane j = Σ source plane i × matrix[i × destPlanes + j],
// with optional biases added before (per source plane) and after (per target plane) the
// product. Every plane must have the destination's size or more; source and destination
// planes may be the same (each pixel is read completely before it is written).
#include "platform/accelerate/vImageTypes.h"

// 8-bit: integer weights; the sum (pre-biases included, plus the post-bias) is divided by
// `divisor`, rounded to nearest (halves away from zero) and saturated to 0..255. A divisor of 0
// is −21773.
vImage_Error vImageMatrixMultiply_Planar8(const vImage_Buffer *srcs[], const vImage_Buffer *dests[],
                                          uint32_t srcPlanes, uint32_t destPlanes, const int16_t matrix[],
                                          int32_t divisor, const int16_t *preBias, const int32_t *postBias,
                                          vImage_Flags flags);
// Float: no rounding or clamping.
vImage_Error vImageMatrixMultiply_PlanarF(const vImage_Buffer *srcs[], const vImage_Buffer *dests[],
                                          uint32_t srcPlanes, uint32_t destPlanes, const float matrix[],
                                          const float *preBias, const float *postBias, vImage_Flags flags);
