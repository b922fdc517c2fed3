#pragma once

// Tone kernels on a bitmap's planar channels: contrast about a pivot, exposure (a gain),
// gamma, levels, automatic contrast and automatic white balance, plus the per-channel gain
// (channel scale) that colour kernels share. Each works in place on the first `count` planes
// (1 for gray, 3 for colour; alpha is never touched) and answers a vImage status: 0 on
// success, −21773 for a rejected argument or unusable planes, or the code of a failing
// lookup, histogram or gamma call.
#include "platform/accelerate/MCPixelKernel.h"

#include <array>

namespace platform::pixel {

using Table8 = std::array<uint8_t, 256>;
using TableF = std::array<float, 256>;

// Contrast c about the pivot s (0..1). One plane: a table. Three planes: the luminance kernel,
// which keeps each pixel's chromaticity and stretches only its luminance (a black pixel stays
// black).
vImage_Error adjustContrast(vImage_Buffer *planes, unsigned count, SampleType type, float contrast, float shift);
Table8 contrastTable8(float contrast, float shift);

// Multiplies channel i of `source` by gains[i] into channel i of `target` (may be the same
// planes). 8-bit: a table lround(min(v × gain, 255)) (never below 0); float: min(x × gain, 1).
vImage_Error scaleChannels(const vImage_Buffer *source, vImage_Buffer *target, unsigned count, SampleType type,
                           const float gains[3]);
Table8 gainTable8(float gain);

// Gain f on every worked channel.
vImage_Error adjustExposure(vImage_Buffer *planes, unsigned count, SampleType type, float gain);

// x′ = x^g for 0.1 ≤ g ≤ 10 (−21773 otherwise, nothing changed).
vImage_Error adjustGamma(vImage_Buffer *planes, unsigned count, SampleType type, float gamma);
Table8 gammaTable8(double gamma);

// Maps the input range a..b to the output range c..d through the exponent g: below a is c,
// from b up is d. Ranges are fractions of full scale; values outside 0..1 are clamped first
// so that no table is read or written past its end.
vImage_Error adjustLevels(vImage_Buffer *planes, unsigned count, SampleType type, float gamma, float minInput,
                          float maxInput, float minOutput, float maxOutput);
Table8 levelsTable8(float gamma, float minInput, float maxInput, float minOutput, float maxOutput);

// The dark and bright points of a 256-bin histogram of `pixels` samples: the level just
// outside the part of the histogram whose cumulative fraction comes closest to `dark` from the
// bottom (and `bright` from the top). lo is 0 and hi 255 when the search never stops.
struct LevelRange
{
    int lo = 0;
    int hi = 255;
};
LevelRange histogramRange(const vImagePixelCount histogram[256], float pixels, float dark, float bright);

// Stretches one common range (the largest dark point to the smallest bright point over the
// worked channels) to full scale on every channel; nothing happens when the range is empty or
// already full.
vImage_Error autoContrast(vImage_Buffer *planes, unsigned count, SampleType type, const float dark[3],
                          const float bright[3]);
// Stretches each channel by its own range; a channel whose range is empty or full is left.
vImage_Error autoWhiteBalance(vImage_Buffer *planes, unsigned count, SampleType type, const float dark[3],
                              const float bright[3]);

} // namespace platform::pixel
