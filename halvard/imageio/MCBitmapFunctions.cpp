#include "halvard/imageio/MCBitmapFunctions.h"

#include "platform/accelerate/vImageConversion.h"
#include "platform/accelerate/vImageConvolution.h"
#include "platform/accelerate/vImageHistogram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Dimensions
{
    size_t width = 0;
    size_t height = 0;
    bool isEmpty() const { return width == 0 || height == 0; }
};

Dimensions dimensionsOf(QSizeF size)
{
    // Negative, NaN and absurd sizes are no pixels at all rather than a wrapped count.
    auto side = [](double v) { return v >= 1.0 && v < 1e9 ? size_t(v) : size_t(0); };
    return {side(size.width()), side(size.height())};
}

vImage_Buffer bufferOf(const void *pixels, Dimensions d, size_t bytesPerPixel)
{
    vImage_Buffer buffer;
    buffer.data = const_cast<void *>(pixels);
    buffer.width = d.width;
    buffer.height = d.height;
    buffer.rowBytes = d.width * bytesPerPixel;
    return buffer;
}

// The per-channel histograms of a packed buffer: one for grayscale, four for ARGB.
bool histogramsOf(const uint8_t *pixels, bool grayscale, Dimensions d, std::array<std::array<vImagePixelCount, 256>, 4> &h)
{
    if (!pixels || d.isEmpty())
        return false;
    if (grayscale) {
        const vImage_Buffer buffer = bufferOf(pixels, d, 1);
        return vImageHistogramCalculation_Planar8(&buffer, h[0].data(), kvImageDoNotTile) == kvImageNoError;
    }
    const vImage_Buffer buffer = bufferOf(pixels, d, 4);
    vImagePixelCount *channels[4] = {h[0].data(), h[1].data(), h[2].data(), h[3].data()};
    return vImageHistogramCalculation_ARGB8888(&buffer, channels, kvImageDoNotTile) == kvImageNoError;
}

} // namespace

bool MCBitmapConvertToAHSB(uint8_t *pixels, QSizeF size)
{
    const Dimensions d = dimensionsOf(size);
    if (!pixels)
        return true;
    const size_t count = d.width * d.height;
    for (size_t i = 0; i < count; ++i) {
        uint8_t *p = pixels + i * 4;
        const float r = p[1] / 255.0f, g = p[2] / 255.0f, b = p[3] / 255.0f;
        const float v = std::max({r, g, b}), m = std::min({r, g, b});
        float h = 0.0f, s = 0.0f;
        if (v > m) {
            const float delta = v - m;
            if (r == v)
                h = (g - b) / delta / 6.0f + (g < b ? 1.0f : 0.0f);
            else if (g == v)
                h = ((b - r) / delta + 2.0f) / 6.0f;
            else
                h = ((r - g) / delta + 4.0f) / 6.0f;
            s = delta / v;
        }
        p[1] = uint8_t(h * 255.0f);
        p[2] = uint8_t(s * 255.0f);
        p[3] = uint8_t(v * 255.0f);
    }
    return true;
}

bool MCBitmapBlur(const uint8_t *source, uint8_t *destination, bool grayscale, uint32_t kernelSize, QSizeF size)
{
    const Dimensions d = dimensionsOf(size);
    // A kernel reaching past the image on every side is refused: its weights would be held
    // for rows that are not there (a -1 passed as the size asks for 4 × 10^9 taps).
    if (!d.isEmpty() && kernelSize / 2 > std::max(d.width, d.height))
        return false;
    const size_t bpp = grayscale ? 1 : 4;
    const vImage_Buffer in = bufferOf(source, d, bpp), out = bufferOf(destination, d, bpp);
    const vImage_Flags flags = kvImageTruncateKernel | kvImageDoNotTile;
    if (grayscale)
        return vImageTentConvolve_Planar8(&in, &out, nullptr, 0, 0, kernelSize, kernelSize, 0, flags) == kvImageNoError;
    return vImageTentConvolve_ARGB8888(&in, &out, nullptr, 0, 0, kernelSize, kernelSize, nullptr,
                                       flags | kvImageLeaveAlphaUnchanged) == kvImageNoError;
}

namespace {

using ToneOperation = vImage_Error (*)(const vImage_Buffer *, const vImage_Buffer *, vImage_Flags);

// A histogram-driven tone operation on a packed grayscale or ARGB buffer (alpha unchanged).
bool runToneOperation(const uint8_t *source, uint8_t *destination, bool grayscale, QSizeF size,
                      ToneOperation planar8, ToneOperation argb8888)
{
    const Dimensions d = dimensionsOf(size);
    const size_t bytesPerPixel = grayscale ? 1 : 4;
    const vImage_Buffer in = bufferOf(source, d, bytesPerPixel), out = bufferOf(destination, d, bytesPerPixel);
    if (grayscale)
        return planar8(&in, &out, kvImageDoNotTile) == kvImageNoError;
    return argb8888(&in, &out, kvImageDoNotTile | kvImageLeaveAlphaUnchanged) == kvImageNoError;
}

} // namespace

bool MCBitmapContrast(const uint8_t *source, uint8_t *destination, bool grayscale, QSizeF size)
{
    return runToneOperation(source, destination, grayscale, size, vImageContrastStretch_Planar8,
                            vImageContrastStretch_ARGB8888);
}

bool MCBitmapEqualize(const uint8_t *source, uint8_t *destination, bool grayscale, QSizeF size)
{
    return runToneOperation(source, destination, grayscale, size, vImageEqualization_Planar8,
                            vImageEqualization_ARGB8888);
}

bool MCBitmapConvertARGBToRGB(const uint8_t *source, uint8_t *destination, QSizeF size)
{
    const Dimensions d = dimensionsOf(size);
    const vImage_Buffer in = bufferOf(source, d, 4), out = bufferOf(destination, d, 3);
    return vImageConvert_ARGB8888toRGB888(&in, &out, kvImageDoNotTile) == kvImageNoError;
}

bool MCBitmapCalculateHistograms(const uint8_t *pixels, QList<QList<float>> *histograms, QSizeF size)
{
    const Dimensions d = dimensionsOf(size);
    std::array<std::array<vImagePixelCount, 256>, 4> h{};
    if (!histogramsOf(pixels, false, d, h))
        return false;
    if (histograms) {
        const double total = double(d.width) * double(d.height);
        QList<QList<float>> result;
        for (const auto &channel : h) {
            QList<float> bins(256);
            for (int v = 0; v < 256; ++v)
                bins[v] = float(double(channel[v]) / total);
            result << bins;
        }
        *histograms = result;
    }
    return true;
}

bool MCBitmapCalculateMergedHistogram(const uint8_t *pixels, bool grayscale, uint32_t shift,
                                      std::shared_ptr<MCFastData> *histogram, QSizeF size)
{
    if (shift > 8)
        return false;
    const Dimensions d = dimensionsOf(size);
    std::array<std::array<vImagePixelCount, 256>, 4> h{};
    if (!histogramsOf(pixels, grayscale, d, h))
        return false;
    const size_t bins = size_t(256) >> shift, perBin = size_t(1) << shift;
    const double total = double(d.width) * double(d.height);
    const int firstChannel = grayscale ? 0 : 1, lastChannel = grayscale ? 0 : 3; // alpha is left out
    auto data = std::make_shared<MCFastData>(sizeof(float) * bins * size_t(lastChannel - firstChannel + 1));
    if (!data->bytes())
        return false;
    float *out = reinterpret_cast<float *>(data->bytes());
    for (int c = firstChannel; c <= lastChannel; ++c) {
        for (size_t bin = 0; bin < bins; ++bin) {
            vImagePixelCount sum = 0;
            for (size_t k = 0; k < perBin; ++k)
                sum += h[size_t(c)][bin * perBin + k];
            *out++ = float(double(sum) / total);
        }
    }
    if (histogram)
        *histogram = std::move(data);
    return true;
}

bool MCBitmapCalculateIntensity(const uint8_t *pixels, size_t length, bool grayscale, float intensity[4])
{
    if (!pixels || length == 0 || !intensity)
        return false;
    const size_t count = length / 4;
    if (count == 0)
        return false;
    uint64_t sums[4] = {};
    for (size_t i = 0; i < count; ++i) {
        for (int k = 0; k < 4; ++k)
            sums[k] += pixels[i * 4 + size_t(k)];
    }
    float means[4];
    for (int k = 0; k < 4; ++k)
        means[k] = float(double(sums[k]) / (255.0 * double(count)));
    if (grayscale) {
        const float average = (means[0] + means[1] + means[2] + means[3]) / 4.0f;
        std::fill(intensity, intensity + 4, average);
    } else {
        std::copy(means, means + 4, intensity);
    }
    return true;
}

double MCBitmapCompareAHSBWithMask(const uint8_t *a, const uint8_t *b, size_t length)
{
    const size_t count = length / 4;
    if (!a || !b || count == 0)
        return 0.0;
    uint64_t hue = 0, saturation = 0, brightness = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *p = a + i * 4, *q = b + i * 4;
        const int dh = std::abs(int(p[1]) - int(q[1]));
        hue += uint64_t(dh < 128 ? dh : 255 - dh);
        saturation += uint64_t(std::abs(int(p[2]) - int(q[2])));
        brightness += uint64_t(std::abs(int(p[3]) - int(q[3])));
    }
    return (double(brightness) / 255.0 + double(saturation) / 255.0 + double(hue) / 128.0) / 3.0 / double(count);
}

double MCBitmapCompare(const uint8_t *a, const uint8_t *b, size_t length, bool includeAlpha, uint8_t mask)
{
    if (!a || !b || length == 0 || mask == 0)
        return 0.0;
    const uint8_t alphaMask = includeAlpha ? mask : 0;
    uint64_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t difference = uint8_t(std::abs(int(a[i]) - int(b[i])));
        sum += difference & (i % 4 == 0 ? alphaMask : mask);
    }
    return double(sum) / double(mask) / double(length);
}

double MCBitmapCompareDelta(const uint8_t *a, const uint8_t *b, size_t length, bool, uint8_t threshold)
{
    if (!a || !b)
        return 0.0;
    for (size_t i = 0; i < length; ++i) {
        if (std::abs(int(a[i]) - int(b[i])) > int(threshold))
            return 1.0;
    }
    return 0.0;
}

double MCBitmapCompareFast(const uint8_t *a, const uint8_t *b, size_t length)
{
    if (!a || !b || length == 0)
        return 0.0;
    uint64_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += uint64_t(std::abs(int(a[i]) - int(b[i])));
    return double(sum) / 255.0 / double(length);
}

double MCBitmapCompareHistogram(const void *a, const void *b, size_t length)
{
    if (!a || !b)
        return 0.0;
    const size_t count = length / sizeof(float);
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) {
        float x, y; // the buffers need not be aligned for floats
        std::memcpy(&x, static_cast<const uint8_t *>(a) + i * sizeof(float), sizeof(float));
        std::memcpy(&y, static_cast<const uint8_t *>(b) + i * sizeof(float), sizeof(float));
        const double d = double(x) - double(y);
        sum += d * d;
    }
    return sum;
}
