#include "platform/accelerate/MCToneKernels.h"

#include "platform/accelerate/vImageHistogram.h"
#include "platform/accelerate/vImageTable.h"

#include <algorithm>
#include <cmath>

namespace platform::pixel {

namespace {

// lround of a value clamped to 0..255 (NaN becomes 0), so that no table entry ever wraps.
uint8_t roundToByte(double value)
{
    return value > 0.0 ? uint8_t(std::lround(std::min(value, 255.0))) : 0;
}

// trunc of a value clamped to 0..255 (NaN becomes 0).
uint8_t truncateToByte(double value)
{
    return value > 0.0 ? uint8_t(std::min(value, 255.0)) : 0;
}

bool usable(const vImage_Buffer *planes, unsigned count, SampleType type)
{
    return count >= 1 && count <= 3 && planesAreUsable(planes, count, type);
}

vImage_Error lookUp8(vImage_Buffer *planes, unsigned count, const Table8 &table)
{
    for (unsigned c = 0; c < count; ++c) {
        if (vImage_Error status = vImageTableLookUp_Planar8(&planes[c], &planes[c], table.data(), kvImageNoFlags))
            return status;
    }
    return kvImageNoError;
}

// A table of `entries` floats over [low, high] on every worked channel.
vImage_Error lookUpF(vImage_Buffer *planes, unsigned count, const float *table, vImagePixelCount entries, float low,
                     float high)
{
    for (unsigned c = 0; c < count; ++c) {
        if (vImage_Error status = vImageInterpolatedLookupTable_PlanarF(&planes[c], &planes[c], table, entries, high,
                                                                        low, kvImageNoFlags))
            return status;
    }
    return kvImageNoError;
}

// The luminance contrast of one pixel: chromaticity kept, luminance Y stretched about the pivot.
inline void stretchLuminance(float &r, float &g, float &b, float contrast, float pivot)
{
    const float X = 0.4124564f * r + 0.3575761f * g + 0.1804375f * b;
    const float Y = 0.2126729f * r + 0.7151522f * g + 0.072175f * b;
    const float Z = 0.0193339f * r + 0.119192f * g + 0.9503041f * b;
    const float S = X + Y + Z;
    const float x = X / S, y = Y / S, z = Z / S;
    const float Y2 = (Y - pivot) * contrast + pivot;
    const float X2 = x * Y2 / y;
    const float Z2 = z * Y2 / y;
    r = 3.2404542f * X2 - 1.5371385f * Y2 - 0.4985314f * Z2;
    g = -0.969266f * X2 + 1.8760108f * Y2 + 0.041556f * Z2;
    b = 0.0556434f * X2 - 0.2040259f * Y2 + 1.0572252f * Z2;
}

// Clamped to 0..1, NaN becoming 0.
inline float clampUnit(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

// The dark and bright points of each worked channel, on the 0..255 level scale.
vImage_Error channelRanges(const vImage_Buffer *planes, unsigned count, SampleType type, const float dark[3],
                           const float bright[3], LevelRange ranges[3])
{
    if (!dark || !bright || !usable(planes, count, type))
        return kvImageInvalidParameter;
    for (unsigned c = 0; c < count; ++c) {
        vImagePixelCount histogram[256];
        const vImage_Error status =
            type == SampleType::UInt8
                ? vImageHistogramCalculation_Planar8(&planes[c], histogram, kvImageNoFlags)
                : vImageHistogramCalculation_PlanarF(&planes[c], histogram, 256, 0.0f, 1.0f, kvImageNoFlags);
        if (status)
            return status;
        ranges[c] = histogramRange(histogram, float(planes[c].width * planes[c].height), dark[c], bright[c]);
    }
    return kvImageNoError;
}

// Maps lo..hi (levels) to full scale on the given channels.
vImage_Error stretch(vImage_Buffer *planes, unsigned count, SampleType type, int lo, int hi)
{
    if (type == SampleType::UInt8) {
        Table8 table;
        for (int v = 0; v < 256; ++v)
            table[v] = v < lo ? 0 : v >= hi ? 255 : uint8_t(double(v - lo) * 255.0 / double(hi - lo));
        return lookUp8(planes, count, table);
    }
    const float ends[2] = {0.0f, 1.0f};
    return lookUpF(planes, count, ends, 2, float(lo) / 255.0f, float(hi) / 255.0f);
}

// A range worth stretching: not empty and not already the full scale.
bool worthStretching(int lo, int hi)
{
    return hi > lo && !(lo <= 0 && hi >= 255);
}

} // namespace

Table8 contrastTable8(float contrast, float shift)
{
    const float pivot = shift * 255.0f;
    Table8 table;
    for (int v = 0; v < 256; ++v)
        table[v] = roundToByte(std::max(std::min(double((float(v) - pivot) * contrast + pivot), 255.0), 0.0));
    return table;
}

vImage_Error adjustContrast(vImage_Buffer *planes, unsigned count, SampleType type, float contrast, float shift)
{
    if (!usable(planes, count, type))
        return kvImageInvalidParameter;
    if (count < 3) {
        if (type == SampleType::UInt8)
            return lookUp8(planes, count, contrastTable8(contrast, shift));
        TableF table;
        for (int i = 0; i < 256; ++i)
            table[i] = float(std::clamp((double(i) / 255.0 - shift) * contrast + shift, 0.0, 1.0));
        return lookUpF(planes, count, table.data(), 256, 0.0f, 1.0f);
    }
    if (type == SampleType::UInt8) {
        const float pivot = shift * 255.0f;
        mapPixels(planes, type, false, [=](float &r, float &g, float &b) { stretchLuminance(r, g, b, contrast, pivot); });
    } else {
        mapPixels(planes, type, false, [=](float &r, float &g, float &b) {
            stretchLuminance(r, g, b, contrast, shift);
            r = clampUnit(r);
            g = clampUnit(g);
            b = clampUnit(b);
        });
    }
    return kvImageNoError;
}

Table8 gainTable8(float gain)
{
    Table8 table;
    for (int v = 0; v < 256; ++v)
        table[v] = roundToByte(std::min(float(v) * gain, 255.0f));
    return table;
}

vImage_Error scaleChannels(const vImage_Buffer *source, vImage_Buffer *target, unsigned count, SampleType type,
                           const float gains[3])
{
    if (!gains || !usable(source, count, type) || !usable(target, count, type))
        return kvImageInvalidParameter;
    for (unsigned c = 0; c < count; ++c) {
        if (source[c].height != target[c].height || source[c].rowBytes != target[c].rowBytes)
            return kvImageInvalidParameter;
    }
    if (type == SampleType::UInt8) {
        for (unsigned c = 0; c < count; ++c) {
            const Table8 table = gainTable8(gains[c]);
            if (vImage_Error status = vImageTableLookUp_Planar8(&source[c], &target[c], table.data(), kvImageNoFlags))
                return status;
        }
        return kvImageNoError;
    }
    for (unsigned c = 0; c < count; ++c) {
        const float *in = static_cast<const float *>(source[c].data);
        float *out = static_cast<float *>(target[c].data);
        const float gain = gains[c];
        forEachSampleRange(samplesOfPlane(source[c], type), [=](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i)
                out[i] = std::min(in[i] * gain, 1.0f);
        });
    }
    return kvImageNoError;
}

vImage_Error adjustExposure(vImage_Buffer *planes, unsigned count, SampleType type, float gain)
{
    const float gains[3] = {gain, gain, gain};
    return scaleChannels(planes, planes, count, type, gains);
}

Table8 gammaTable8(double gamma)
{
    Table8 table;
    for (int v = 0; v < 256; ++v)
        table[v] = roundToByte(std::min(std::pow(double(v) / 255.0, gamma) * 255.0, 255.0));
    return table;
}

vImage_Error adjustGamma(vImage_Buffer *planes, unsigned count, SampleType type, float gamma)
{
    if (!(10.0f >= gamma && double(gamma) >= 0.1) || !usable(planes, count, type))
        return kvImageInvalidParameter;
    if (type == SampleType::UInt8)
        return lookUp8(planes, count, gammaTable8(gamma));
    GammaFunction function = vImageCreateGammaFunction(gamma, kvImageGamma_UseGammaValue, kvImageNoFlags);
    if (!function)
        return kvImageMemoryAllocationError;
    vImage_Error status = kvImageNoError;
    for (unsigned c = 0; c < count && status == kvImageNoError; ++c)
        status = vImageGamma_PlanarF(&planes[c], &planes[c], function, kvImageNoFlags);
    vImageDestroyGammaFunction(function);
    return status;
}

Table8 levelsTable8(float gamma, float minInput, float maxInput, float minOutput, float maxOutput)
{
    const auto level = [](float fraction) { return int(std::clamp(double(fraction), 0.0, 1.0) * 255.0); };
    const int A = level(minInput), B = level(maxInput), C = level(minOutput), D = level(maxOutput);
    Table8 table;
    for (int v = 0; v <= A; ++v)
        table[v] = uint8_t(C);
    for (int k = 1; A + k < B; ++k)
        table[A + k] = truncateToByte(float(C) + float(D - C) * std::pow(float(k) / float(B - A), gamma));
    for (int v = B; v < 256; ++v)
        table[v] = uint8_t(D);
    return table;
}

vImage_Error adjustLevels(vImage_Buffer *planes, unsigned count, SampleType type, float gamma, float minInput,
                          float maxInput, float minOutput, float maxOutput)
{
    if (!usable(planes, count, type))
        return kvImageInvalidParameter;
    if (type == SampleType::UInt8)
        return lookUp8(planes, count, levelsTable8(gamma, minInput, maxInput, minOutput, maxOutput));
    const float a = std::clamp(minInput, 0.0f, 1.0f), b = std::clamp(maxInput, 0.0f, 1.0f);
    const float c = std::clamp(minOutput, 0.0f, 1.0f), d = std::clamp(maxOutput, 0.0f, 1.0f);
    const unsigned A = unsigned(a * 255.0f), B = unsigned(b * 255.0f);
    TableF table;
    for (unsigned k = 0; k < 256; ++k) {
        if (k >= B)
            table[k] = d;
        else if (k <= A)
            table[k] = c;
        else
            table[k] = std::pow((float(k) / 255.0f - a) / (b - a), gamma) * (d - c) + c;
    }
    return lookUpF(planes, count, table.data(), 256, 0.0f, 1.0f);
}

LevelRange histogramRange(const vImagePixelCount histogram[256], float pixels, float dark, float bright)
{
    LevelRange range;
    float previous = float(histogram[0]) / pixels;
    for (int k = 1; k <= 254; ++k) {
        const float current = previous + float(histogram[k]) / pixels;
        if (std::fabs(current - dark) > std::fabs(previous - dark)) {
            range.lo = k - 1;
            break;
        }
        previous = current;
    }
    previous = float(histogram[255]) / pixels;
    for (int k = 254; k >= 1; --k) {
        const float current = previous + float(histogram[k]) / pixels;
        if (std::fabs(current - bright) > std::fabs(previous - bright)) {
            range.hi = k + 1;
            break;
        }
        previous = current;
    }
    return range;
}

vImage_Error autoContrast(vImage_Buffer *planes, unsigned count, SampleType type, const float dark[3],
                          const float bright[3])
{
    LevelRange ranges[3];
    if (vImage_Error status = channelRanges(planes, count, type, dark, bright, ranges))
        return status;
    int lo = 0, hi = 255;
    for (unsigned c = 0; c < count; ++c) {
        lo = std::max(lo, ranges[c].lo);
        hi = std::min(hi, ranges[c].hi);
    }
    if (!worthStretching(lo, hi))
        return kvImageNoError;
    return stretch(planes, count, type, lo, hi);
}

vImage_Error autoWhiteBalance(vImage_Buffer *planes, unsigned count, SampleType type, const float dark[3],
                              const float bright[3])
{
    LevelRange ranges[3];
    if (vImage_Error status = channelRanges(planes, count, type, dark, bright, ranges))
        return status;
    for (unsigned c = 0; c < count; ++c) {
        if (!worthStretching(ranges[c].lo, ranges[c].hi))
            continue;
        if (vImage_Error status = stretch(&planes[c], 1, type, ranges[c].lo, ranges[c].hi))
            return status;
    }
    return kvImageNoError;
}

} // namespace platform::pixel
