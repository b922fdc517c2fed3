#include "platform/accelerate/MCColorKernels.h"

#include "platform/accelerate/MCToneKernels.h"
#include "platform/accelerate/vImageMatrix.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// CIE 1931 2° standard observer, x̄ ȳ z̄ from 380 to 780 nm in 5 nm steps.
constexpr double kColorMatching[81][3] = {
    {0.0014, 0.0000, 0.0065}, {0.0022, 0.0001, 0.0105}, {0.0042, 0.0001, 0.0201}, {0.0076, 0.0002, 0.0362},
    {0.0143, 0.0004, 0.0679}, {0.0232, 0.0006, 0.1102}, {0.0435, 0.0012, 0.2074}, {0.0776, 0.0022, 0.3713},
    {0.1344, 0.0040, 0.6456}, {0.2148, 0.0073, 1.0391}, {0.2839, 0.0116, 1.3856}, {0.3285, 0.0168, 1.6230},
    {0.3483, 0.0230, 1.7471}, {0.3481, 0.0298, 1.7826}, {0.3362, 0.0380, 1.7721}, {0.3187, 0.0480, 1.7441},
    {0.2908, 0.0600, 1.6692}, {0.2511, 0.0739, 1.5281}, {0.1954, 0.0910, 1.2876}, {0.1421, 0.1126, 1.0419},
    {0.0956, 0.1390, 0.8130}, {0.0580, 0.1693, 0.6162}, {0.0320, 0.2080, 0.4652}, {0.0147, 0.2586, 0.3533},
    {0.0049, 0.3230, 0.2720}, {0.0024, 0.4073, 0.2123}, {0.0093, 0.5030, 0.1582}, {0.0291, 0.6082, 0.1117},
    {0.0633, 0.7100, 0.0782}, {0.1096, 0.7932, 0.0573}, {0.1655, 0.8620, 0.0422}, {0.2257, 0.9149, 0.0298},
    {0.2904, 0.9540, 0.0203}, {0.3597, 0.9803, 0.0134}, {0.4334, 0.9950, 0.0087}, {0.5121, 1.0000, 0.0057},
    {0.5945, 0.9950, 0.0039}, {0.6784, 0.9786, 0.0027}, {0.7621, 0.9520, 0.0021}, {0.8425, 0.9154, 0.0018},
    {0.9163, 0.8700, 0.0017}, {0.9786, 0.8163, 0.0014}, {1.0263, 0.7570, 0.0011}, {1.0567, 0.6949, 0.0010},
    {1.0622, 0.6310, 0.0008}, {1.0456, 0.5668, 0.0006}, {1.0026, 0.5030, 0.0003}, {0.9384, 0.4412, 0.0002},
    {0.8544, 0.3810, 0.0002}, {0.7514, 0.3210, 0.0001}, {0.6424, 0.2650, 0.0000}, {0.5419, 0.2170, 0.0000},
    {0.4479, 0.1750, 0.0000}, {0.3608, 0.1382, 0.0000}, {0.2835, 0.1070, 0.0000}, {0.2187, 0.0816, 0.0000},
    {0.1649, 0.0610, 0.0000}, {0.1212, 0.0446, 0.0000}, {0.0874, 0.0320, 0.0000}, {0.0636, 0.0232, 0.0000},
    {0.0468, 0.0170, 0.0000}, {0.0329, 0.0119, 0.0000}, {0.0227, 0.0082, 0.0000}, {0.0158, 0.0057, 0.0000},
    {0.0114, 0.0041, 0.0000}, {0.0081, 0.0029, 0.0000}, {0.0058, 0.0021, 0.0000}, {0.0041, 0.0015, 0.0000},
    {0.0029, 0.0010, 0.0000}, {0.0020, 0.0007, 0.0000}, {0.0014, 0.0005, 0.0000}, {0.0010, 0.0004, 0.0000},
    {0.0007, 0.0002, 0.0000}, {0.0005, 0.0002, 0.0000}, {0.0003, 0.0001, 0.0000}, {0.0002, 0.0001, 0.0000},
    {0.0002, 0.0001, 0.0000}, {0.0001, 0.0000, 0.0000}, {0.0001, 0.0000, 0.0000}, {0.0001, 0.0000, 0.0000},
    {0.0000, 0.0000, 0.0000}};

// A colour system: primaries and white point as chromaticities, and its gamma (0: Rec. 709 curve).
struct ColorSystem
{
    const char *name;
    double xRed, yRed, xGreen, yGreen, xBlue, yBlue, xWhite, yWhite, gamma;
};
constexpr ColorSystem kSMPTE = {"SMPTE", 0.630, 0.340, 0.310, 0.595, 0.155, 0.070, 0.3127, 0.3291, 0};

// Chromaticity (x, y, z) to linear RGB of the system, white balanced to its white point.
MCRGBTriple xyzToRGB(const ColorSystem &cs, double x, double y, double z)
{
    const double xr = cs.xRed, yr = cs.yRed, zr = 1 - (xr + yr);
    const double xg = cs.xGreen, yg = cs.yGreen, zg = 1 - (xg + yg);
    const double xb = cs.xBlue, yb = cs.yBlue, zb = 1 - (xb + yb);
    const double xw = cs.xWhite, yw = cs.yWhite, zw = 1 - (xw + yw);
    double rx = yg * zb - yb * zg, ry = xb * zg - xg * zb, rz = xg * yb - xb * yg;
    double gx = yb * zr - yr * zb, gy = xr * zb - xb * zr, gz = xb * yr - xr * yb;
    double bx = yr * zg - yg * zr, by = xg * zr - xr * zg, bz = xr * yg - xg * yr;
    const double rw = (rx * xw + ry * yw + rz * zw) / yw;
    const double gw = (gx * xw + gy * yw + gz * zw) / yw;
    const double bw = (bx * xw + by * yw + bz * zw) / yw;
    rx /= rw, ry /= rw, rz /= rw;
    gx /= gw, gy /= gw, gz /= gw;
    bx /= bw, by /= bw, bz /= bw;
    return {rx * x + ry * y + rz * z, gx * x + gy * y + gz * z, bx * x + by * y + bz * z};
}

} // namespace

MCRGBTriple MCColorTemperatureToRGB(unsigned kelvin)
{
    double X = 0, Y = 0, Z = 0;
    double lambda = 380.0;
    for (const auto &match : kColorMatching) {
        const double l = lambda * 1e-9;
        const double intensity = 3.74183e-16 * std::pow(l, -5.0) / (std::exp(0.014388 / (l * kelvin)) - 1.0);
        X += intensity * match[0];
        Y += intensity * match[1];
        Z += intensity * match[2];
        lambda += 5.0;
    }
    const double sum = X + Y + Z;
    MCRGBTriple rgb = xyzToRGB(kSMPTE, X / sum, Y / sum, Z / sum);
    // Out of gamut: add white until no component is negative.
    const double w = std::min({0.0, rgb.r, rgb.g, rgb.b});
    if (w < 0) {
        rgb.r -= w;
        rgb.g -= w;
        rgb.b -= w;
    }
    const double m = std::max({rgb.r, rgb.g, rgb.b});
    if (m > 0) {
        rgb.r /= m;
        rgb.g /= m;
        rgb.b /= m;
    }
    return rgb;
}

namespace platform::pixel {

namespace {

bool usableColour(const vImage_Buffer *planes, unsigned count, SampleType type)
{
    return (count == 1 || count == 3) && planesAreUsable(planes, count, type);
}

vImage_Error gain(vImage_Buffer *planes, SampleType type, float factor)
{
    const float gains[3] = {factor, factor, factor};
    return scaleChannels(planes, planes, 1, type, gains);
}

inline float shiftHue(float h, float shift)
{
    h += shift;
    if (h < 0.0f)
        h += 1.0f;
    if (h >= 1.0f)
        h -= 1.0f;
    return h;
}

// One colorized pixel on the 0..1 scale.
inline void colorizePixel(float &r, float &g, float &b, float hue, float saturation, float lightness)
{
    const float L = std::min((std::fmax(r, std::fmax(g, b)) + std::fmin(r, std::fmin(g, b))) * 0.5f * lightness, 1.0f);
    if (saturation <= 0.0f) {
        r = g = b = L;
        return;
    }
    const float C = (L > 0.5f ? 2.0f - 2.0f * L : 2.0f * L) * saturation;
    const float m = L - C / 2.0f;
    const float H6 = 6.0f * hue;
    const float X = C - std::fabs(H6 - 2.0f * std::floor(H6 / 2.0f) - 1.0f) * C;
    // The sector is taken as an unsigned byte: a negative hue lands in the last case.
    const uint8_t sector = std::fabs(H6) < 1e6f ? uint8_t(int(H6)) : 5;
    switch (sector) {
    case 0: r = C + m, g = X + m, b = m; break;
    case 1: r = X + m, g = C + m, b = m; break;
    case 2: r = m, g = C + m, b = X + m; break;
    case 3: r = m, g = X + m, b = C + m; break;
    case 4: r = X + m, g = m, b = C + m; break;
    default: r = C + m, g = m, b = X + m; break;
    }
}

// trunc(x × 255) into a byte; out-of-range and NaN results are held to 0..255.
inline uint8_t truncate8(float value)
{
    const float v = value * 255.0f;
    return v > 0.0f ? uint8_t(v < 255.0f ? v : 255.0f) : 0;
}

} // namespace

// The HSL and HSV kernels: into the model, hue shifted, saturation scaled (held at 1), the
// third component changed by `third`, and back. A gray set gets the gain `grayGain`.
template<typename Forward, typename Backward, typename Third>
vImage_Error adjustHueModel(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                            float grayGain, Forward forward, Backward backward, Third third)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return gain(planes, type, grayGain);
    mapPixels(planes, type, true, [=](float &r, float &g, float &b) {
        float h, s, t;
        forward(r, g, b, h, s, t);
        if (hue != 0.0f)
            h = shiftHue(h, hue);
        if (saturation != 1.0f)
            s = std::min(s * saturation, 1.0f);
        backward(h, s, third(t), r, g, b);
    });
    return kvImageNoError;
}

vImage_Error adjustHSL(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                       float lightness)
{
    const float k = lightness - 1.0f;
    return adjustHueModel(planes, count, type, hue, saturation, lightness, MCRGBToHSL, MCHSLToRGB, [=](float l) {
        if (lightness > 1.0f)
            return std::min((k * l + 1.0f) * l, 1.0f);
        if (lightness < 1.0f)
            return l + (1.0f - l) * k * l;
        return l;
    });
}

vImage_Error adjustHSV(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                       float value)
{
    return adjustHueModel(planes, count, type, hue, saturation, value, MCRGBToHSV, MCHSVToRGB,
                          [=](float v) { return value != 1.0f ? std::min(v * value, 1.0f) : v; });
}

vImage_Error colorize(vImage_Buffer *planes, unsigned count, SampleType type, float hue, float saturation,
                      float lightness)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return gain(planes, type, lightness);
    const size_t samples = samplesOfPlane(planes[0], type);
    if (type == SampleType::Float32) {
        float *r = static_cast<float *>(planes[0].data), *g = static_cast<float *>(planes[1].data),
              *b = static_cast<float *>(planes[2].data);
        forEachSampleRange(samples, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i)
                colorizePixel(r[i], g[i], b[i], hue, saturation, lightness);
        });
        return kvImageNoError;
    }
    uint8_t *r8 = static_cast<uint8_t *>(planes[0].data), *g8 = static_cast<uint8_t *>(planes[1].data),
            *b8 = static_cast<uint8_t *>(planes[2].data);
    forEachSampleRange(samples, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            float r = float(r8[i]) / 255.0f, g = float(g8[i]) / 255.0f, b = float(b8[i]) / 255.0f;
            colorizePixel(r, g, b, hue, saturation, lightness);
            r8[i] = truncate8(r);
            g8[i] = truncate8(g);
            b8[i] = truncate8(b);
        }
    });
    return kvImageNoError;
}

vImage_Error adjustRGB(vImage_Buffer *planes, unsigned count, SampleType type, float red, float green, float blue)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return gain(planes, type, (red + green + blue) / 3.0f);
    const float gains[3] = {red, green, blue};
    return scaleChannels(planes, planes, 3, type, gains);
}

void yiqMatrix(float y, float i, float q, ColorMatrix m)
{
    const float turn = 2.0f * float(M_PI) * y;
    const float U = q * i * std::cos(turn), W = q * i * std::sin(turn);
    const float rows[3][3] = {{0.299f * q + 0.701f * U + 0.168f * W, 0.299f * q - 0.299f * U - 0.328f * W,
                               0.299f * q - 0.300f * U + 1.250f * W},
                              {0.587f * q - 0.587f * U + 0.330f * W, 0.587f * q + 0.413f * U + 0.035f * W,
                               0.587f * q - 0.588f * U - 1.050f * W},
                              {0.114f * q - 0.114f * U - 0.497f * W, 0.114f * q - 0.114f * U + 0.292f * W,
                               0.114f * q + 0.886f * U - 0.203f * W}};
    std::copy(&rows[0][0], &rows[0][0] + 9, &m[0][0]);
}

vImage_Error adjustYIQ(vImage_Buffer *planes, unsigned count, SampleType type, float y, float i, float q)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return gain(planes, type, q);
    ColorMatrix m;
    yiqMatrix(y, i, q, m);
    return applyColorMatrix(planes, type, m);
}

void sepiaMatrix(float strength, ColorMatrix m)
{
    // Source-major: row i is how source channel i feeds target R, G, B.
    const float sepia[3][3] = {{0.393f, 0.349f, 0.272f}, {0.769f, 0.686f, 0.534f}, {0.189f, 0.168f, 0.131f}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = strength * sepia[i][j] + (i == j ? 1.0f - strength : 0.0f);
    }
}

vImage_Error adjustSepia(vImage_Buffer *planes, unsigned count, SampleType type, float strength)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return kvImageNoError;
    ColorMatrix m;
    sepiaMatrix(strength, m);
    return applyColorMatrix(planes, type, m);
}

vImage_Error applyColorMatrix(vImage_Buffer *planes, SampleType type, const ColorMatrix m)
{
    const vImage_Buffer *set[3] = {&planes[0], &planes[1], &planes[2]};
    if (type == SampleType::Float32)
        return vImageMatrixMultiply_PlanarF(set, set, 3, 3, &m[0][0], nullptr, nullptr, kvImageNoFlags);
    int16_t fixed[9];
    for (int k = 0; k < 9; ++k) {
        const float scaled = (&m[0][0])[k] * 10000.0f;
        if (!(scaled == scaled))
            fixed[k] = 0; // NaN
        else
            fixed[k] = scaled >= 32767.0f ? 32767 : scaled <= -32768.0f ? -32768 : int16_t(scaled);
    }
    return vImageMatrixMultiply_Planar8(set, set, 3, 3, fixed, 10000, nullptr, nullptr, kvImageNoFlags);
}

void temperatureGains(float kelvin, float gains[3])
{
    gains[0] = gains[1] = gains[2] = 1.0f;
    if (!(kelvin >= 1.0f))
        return;
    const unsigned K = kelvin < 4.0e9f ? unsigned(kelvin) : 4000000000u;
    const MCRGBTriple rgb = MCColorTemperatureToRGB(K);
    const double mid = (std::max({rgb.r, rgb.g, rgb.b}) + std::min({rgb.r, rgb.g, rgb.b})) * 0.5;
    const double result[3] = {rgb.r / mid, rgb.g / mid, rgb.b / mid};
    // Temperatures so low that the spectrum underflows have no colour: leave the gains at 1.
    if (!std::isfinite(result[0]) || !std::isfinite(result[1]) || !std::isfinite(result[2]))
        return;
    for (int c = 0; c < 3; ++c)
        gains[c] = float(result[c]);
}

vImage_Error adjustTemperature(vImage_Buffer *planes, unsigned count, SampleType type, float kelvin)
{
    if (!usableColour(planes, count, type))
        return kvImageInvalidParameter;
    if (count == 1)
        return kvImageNoError;
    float gains[3];
    temperatureGains(kelvin, gains);
    return scaleChannels(planes, planes, 3, type, gains);
}

} // namespace platform::pixel
