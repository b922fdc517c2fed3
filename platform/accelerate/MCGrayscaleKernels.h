#pragma once

// Gray-making kernels: each reads the red, green and blue planes of `source` (planes 0 to 2),
// computes one gray value g per pixel and writes it into all three planes of `destination`
// (which may be the same planes). Alpha is never read or written. The whole run of each plane
// (height × row length) is worked, row padding included, spread over the shared pool. The
// 8-bit members compute in single-precision float where a product is involved, then round to
// nearest (ties to even) and saturate to 0..255; the float members neither round nor clamp.
// Each answers 0, or −21773 for planes that are missing or do not share one geometry.
#include "platform/accelerate/vImageTypes.h"

// g = (R + G + B) × 0.33333334 (the float nearest 1/3; 8-bit: the integer sum times it).
vImage_Error MCGrayscaleAveragePlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
vImage_Error MCGrayscaleAveragePlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
// g = min(R, G, B).
vImage_Error MCGrayscaleMinimumPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
vImage_Error MCGrayscaleMinimumPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
// g = max(R, G, B).
vImage_Error MCGrayscaleMaximumPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
vImage_Error MCGrayscaleMaximumPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
// The mean of the extremes: 8-bit (min + max + 1) / 2 truncated (rounded up), float
// (min + max) × 0.5.
vImage_Error MCGrayscaleLightnessPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
vImage_Error MCGrayscaleLightnessPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3]);
// g = (R × wR + G × wG) + B × wB.
vImage_Error MCGrayscaleWeightedPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                        const float weights[3]);
vImage_Error MCGrayscaleWeightedPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                        const float weights[3]);
// g = √(wR × R² + wG × G² + wB × B²).
vImage_Error MCGrayscaleQuadraticPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                         const float weights[3]);
vImage_Error MCGrayscaleQuadraticPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                         const float weights[3]);
