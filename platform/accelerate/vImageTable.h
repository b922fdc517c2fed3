#pragma once

// Per-sample mappings: 8-bit lookup tables, interpolated float tables and gamma functions.
// Source and destination may be the same buffer; the destination's size is the region worked
// on (−21766 when it is larger than the source).
#include "platform/accelerate/vImageTypes.h"

// Sample v becomes table[v].
vImage_Error vImageTableLookUp_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                       const Pixel_8 table[256], vImage_Flags flags);

// A sample v is placed at (v − minFloat) / (maxFloat − minFloat) × (tableEntries − 1) on the
// table and interpolated linearly between the two neighbouring entries; positions below 0 or
// above the last entry (and NaN) take the first or last entry. At least one entry is needed
// and maxFloat must differ from minFloat (−21773 otherwise).
vImage_Error vImageInterpolatedLookupTable_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                                   const Pixel_F *table, vImagePixelCount tableEntries,
                                                   Pixel_F maxFloat, Pixel_F minFloat, vImage_Flags flags);

// Gamma functions. Only the plain exponent type (x′ = x^gamma) is supported; negative samples
// keep their sign (x′ = −|x|^gamma) so that no NaN is made. Create answers nullptr for another
// type or a gamma that is not a positive finite number.
using GammaFunction = void *;
enum : int { kvImageGamma_UseGammaValue = 0 };
GammaFunction vImageCreateGammaFunction(float gamma, int gammaType, vImage_Flags flags);
void vImageDestroyGammaFunction(GammaFunction function);
vImage_Error vImageGamma_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                 const GammaFunction function, vImage_Flags flags);
