#pragma once

// Transparency kernels on the four planes of a working-format bitmap (0 red, 1 green, 2 blue,
// 3 alpha, alpha not premultiplied). They work every sample of the planes' run, row padding
// included, spread over the shared pool, and answer a vImage status: 0, or −21773 for planes
// that are missing or do not share one geometry.
#include "platform/accelerate/vImageTypes.h"

#include <cstddef>

// Flattens the picture onto the backdrop colour (R, G, B, A). 8-bit, in integers: each colour
// sample c becomes (c·a + C·(255 − a) + 127) / 255 and alpha (a·255 + A·(255 − a) + 127) / 255,
// the exact mix rounded to the nearest level. Float: c·a + C·(1 − a) and a + A·(1 − a), not
// clamped.
vImage_Error MCAlphaToColorPlanar8(const vImage_Buffer planes[4], const Pixel_8888 color);
vImage_Error MCAlphaToColorPlanarF(const vImage_Buffer planes[4], const Pixel_FFFF color);

// Turns the key colour (kr, kg, kb on the 0..1 scale) into transparency: each pixel is split
// into the key and the most transparent colour that, laid over the key, gives the pixel (see
// MCColorToAlphaPixels). The 8-bit member brings samples to 0..1 (times the float nearest
// 1/255), and the results back to 0..255 rounded to nearest, ties to even, saturated.
vImage_Error MCColorToAlphaPlanar8(const vImage_Buffer planes[4], const float key[3]);
vImage_Error MCColorToAlphaPlanarF(const vImage_Buffer planes[4], const float key[3]);

// The colour-to-alpha rule on `count` pixels on the 0..1 scale, in place. Per colour channel
// the ratio is (x − k) / (1 − k) above the key and (k − x) / k below it (0 where that divides
// by 0); m is the largest of the three. With m > 0 each colour sample becomes (x − k) / m + k,
// else the key; alpha becomes a·m.
void MCColorToAlphaPixels(float *red, float *green, float *blue, float *alpha, const float key[3], size_t count);

// Whether every pixel of an alpha plane is fully opaque (255, or 1.0 and above for floats):
// the picture then needs no premultiplying around the kernels that mix neighbours. Only the
// pixels of each row are read, not its padding; the scan stops at the first translucent row
// piece. False for a plane without memory.
bool MCIsOpaquePlanar8(const vImage_Buffer &alpha);
bool MCIsOpaquePlanarF(const vImage_Buffer &alpha);
