#pragma once

// Colour kernels on a bitmap's planar channels (hue/saturation/lightness, hue/saturation/
// value, colorize, a YIQ hue matrix, sepia, black-body temperature) and their colour-model
// helpers. The kernels work in place on the first `count` planes (3 for colour; 1 for gray,
// where each falls back to a plain gain or leaves the plane alone, as noted) and answer a
// vImage status like the tone kernels.
#include "platform/accelerate/MCPixelKernel.h"

#include <cmath>

// Colour-model conversions on the 0..1 scale; hue is a fraction of a full turn.
inline void MCRGBToHSL(float r, float g, float b, float &h, float &s, float &l);
inline void MCHSLToRGB(float h, float s, float l, float &r, float &g, float &b);
inline void MCRGBToHSV(float r, float g, float b, float &h, float &s, float &v);
inline void MCHSVToRGB(float h, float s, float v, float &r, float &g, float &b);

// The colour of a black body at `kelvin` in linear RGB of the SMPTE primaries (D65 white),
// normalised so that its largest component is 1. No transfer curve is applied.
struct MCRGBTriple
{
    double r = 0, g = 0, b = 0;
};
MCRGBTriple MCColorTemperatureToRGB(unsigned kelvin);

namespace platform::pixel {

// Hue shift h (turns), saturation factor s, lightness factor l. Gray: gain l.
vImage_Error adjustHSL(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                       float lightness);
// Hue shift h, saturation factor s, value factor v. Gray: gain v.
vImage_Error adjustHSV(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                       float value);
// Replaces hue and saturation, scales lightness. 8-bit results are truncated. Gray: gain l.
vImage_Error colorize(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                      float lightness);
// Per-channel gains. Gray: the mean of the three.
vImage_Error adjustRGB(vImage_Buffer *planes, unsigned count, SampleType type, float red, float green, float blue);

// A 3 × 3 colour matrix, source-major: m[i][j] weighs source channel i in target channel j.
using ColorMatrix = float[3][3];
// Hue turn y, saturation i, value q through YIQ. Gray: gain q.
void yiqMatrix(float y, float i, float q, ColorMatrix m);
vImage_Error adjustYIQ(vImage_Buffer *planes, unsigned count, SampleType type, float y, float i, float q);
// Blend of the sepia matrix and the identity by `strength`. Gray: unchanged.
void sepiaMatrix(float strength, ColorMatrix m);
vImage_Error adjustSepia(vImage_Buffer *planes, unsigned count, SampleType type, float strength);
// 8-bit: entries × 10000, truncated and saturated to 16 bits, divided back by the matrix step;
// float: as they are.
vImage_Error applyColorMatrix(vImage_Buffer *planes, SampleType type, const ColorMatrix m);
// Channel gains that turn a neutral lit by a black body at `kelvin` into the colour of that
// light, normalised about the middle of the largest and smallest gain. Gray: unchanged. A
// temperature below 1 K (or NaN) changes nothing.
void temperatureGains(float kelvin, float gains[3]);
vImage_Error adjustTemperature(vImage_Buffer *planes, unsigned count, SampleType type, float kelvin);

} // namespace platform::pixel

// ---------------------------------------------------------------- inline helpers

namespace platform::pixel::detail {

// The hue of the forward conversions; delta > 0.
inline float hueOf(float r, float g, float b, float max, float delta)
{
    float h;
    if (max == r)
        h = 1.0f + (g - b) / (6.0f * delta);
    else if (max == g)
        h = 0.33333334f + (b - r) / (6.0f * delta);
    else
        h = 1.6666666f + (r - g) / (6.0f * delta);
    return h >= 1.0f ? h - 1.0f : h;
}

inline float clampSector(float v)
{
    return v < -1.0f ? -1.0f : (v > 0.0f ? 0.0f : v);
}

// The backward conversions share all but chroma and base.
inline void chromaToRGB(float h, float chroma, float base, float &r, float &g, float &b)
{
    r = base + chroma * clampSector(6.0f * std::fabs(h - 0.5f) - 2.0f);
    g = base + chroma * clampSector(1.0f - 6.0f * std::fabs(h - 0.33333334f));
    b = base + chroma * clampSector(1.0f - 6.0f * std::fabs(h - 0.6666667f));
}

} // namespace platform::pixel::detail

inline void MCRGBToHSL(float r, float g, float b, float &h, float &s, float &l)
{
    const float max = std::fmax(r, std::fmax(g, b)), min = std::fmin(r, std::fmin(g, b));
    const float delta = max - min;
    l = (max + min) * 0.5f;
    if (delta == 0.0f) {
        h = s = 0.0f;
        return;
    }
    h = platform::pixel::detail::hueOf(r, g, b, max, delta);
    s = delta / (1.0f - std::fabs(1.0f - (max + min)));
}

inline void MCHSLToRGB(float h, float s, float l, float &r, float &g, float &b)
{
    const float chroma = (1.0f - std::fabs(1.0f - 2.0f * l)) * s;
    platform::pixel::detail::chromaToRGB(h, chroma, l + chroma * 0.5f, r, g, b);
}

inline void MCRGBToHSV(float r, float g, float b, float &h, float &s, float &v)
{
    const float max = std::fmax(r, std::fmax(g, b)), min = std::fmin(r, std::fmin(g, b));
    const float delta = max - min;
    v = max;
    if (delta == 0.0f) {
        h = s = 0.0f;
        return;
    }
    h = platform::pixel::detail::hueOf(r, g, b, max, delta);
    s = delta / max;
}

inline void MCHSVToRGB(float h, float s, float v, float &r, float &g, float &b)
{
    platform::pixel::detail::chromaToRGB(h, v * s, v, r, g, b);
}
