#include "platform/accelerate/MCBlurKernels.h"

#include "platform/accelerate/vImageConvolution.h"
#include "platform/accelerate/vImageConvolve.h"
#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace platform::pixel {

namespace {

constexpr size_t kCacheSize = kMaximumBlurRadius + 1;

// The kernel caches: filled under one lock on first use of a kind and radius, never freed.
std::mutex cacheLock; // guards the tables below
std::array<float *, kCacheSize> floatBoxes{}, floatTents{}, floatGaussians{};
std::array<int16_t *, kCacheSize> gaussians8{};
std::array<uint16_t, kCacheSize> gaussianSums8{};

// Fills `kernel` with weight(di, dj) over di, dj in −r..r (row by row), divided by the double
// sum of the stored floats when `normalize`.
template<typename Weight>
float *makeFloatKernel(unsigned radius, Weight weight, bool normalize)
{
    const size_t n = 2 * size_t(radius) + 1;
    auto *kernel = static_cast<float *>(std::calloc(n * n, sizeof(float)));
    if (!kernel)
        return nullptr;
    double sum = 0.0;
    for (size_t j = 0; j < n; ++j)
        for (size_t i = 0; i < n; ++i) {
            kernel[j * n + i] = float(weight(double(i) - radius, double(j) - radius));
            sum += kernel[j * n + i];
        }
    if (normalize)
        for (size_t k = 0; k < n * n; ++k)
            kernel[k] = float(kernel[k] / sum);
    return kernel;
}

double gaussian(double di, double dj, unsigned radius)
{
    const double r = radius;
    return std::exp(-(di * di + dj * dj) / (2.0 * r * r));
}

float clampUnit(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

} // namespace

const float *floatBlurKernel(BlurType type, unsigned radius)
{
    if (radius > kMaximumBlurRadius)
        return nullptr;
    std::lock_guard guard(cacheLock);
    const double n = 2.0 * radius + 1.0;
    switch (type) {
    case BlurType::Box:
        if (!floatBoxes[radius])
            floatBoxes[radius] = makeFloatKernel(radius, [&](double, double) { return 1.0 / (n * n); }, false);
        return floatBoxes[radius];
    case BlurType::Tent:
        if (!floatTents[radius])
            floatTents[radius] = makeFloatKernel(
                radius, [&](double di, double dj) { return radius - std::max(std::fabs(di), std::fabs(dj)); }, true);
        return floatTents[radius];
    case BlurType::Gaussian:
        if (!floatGaussians[radius])
            floatGaussians[radius] =
                makeFloatKernel(radius, [&](double di, double dj) { return gaussian(di, dj, radius); }, true);
        return floatGaussians[radius];
    }
    return nullptr;
}

const int16_t *gaussianKernel8(unsigned radius, uint16_t *sum)
{
    if (radius > kMaximumBlurRadius)
        return nullptr;
    std::lock_guard guard(cacheLock);
    if (!gaussians8[radius]) {
        const size_t n = 2 * size_t(radius) + 1;
        auto *kernel = static_cast<int16_t *>(std::calloc(n * n, sizeof(int16_t)));
        if (!kernel)
            return nullptr;
        unsigned total = 0;
        for (size_t j = 0; j < n; ++j)
            for (size_t i = 0; i < n; ++i) {
                const double w = radius == 0 ? 1.0 : gaussian(double(i) - radius, double(j) - radius, radius);
                kernel[j * n + i] = int16_t(std::lround(w / std::exp(-1.0)));
                total += unsigned(kernel[j * n + i]);
            }
        gaussians8[radius] = kernel;
        gaussianSums8[radius] = uint16_t(total);
    }
    if (sum)
        *sum = gaussianSums8[radius];
    return gaussians8[radius];
}

vImage_Error sharpenPlane(const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type, float sharpness)
{
    if (type == SampleType::UInt8) {
        // The neighbours' weight is kept where the centre's weight still fits 16 bits.
        const float neighbour = std::clamp(std::trunc(-100.0f * sharpness), -4083.0f, 4108.0f);
        const int16_t n = int16_t(neighbour);
        int16_t kernel[9];
        std::fill(kernel, kernel + 9, n);
        kernel[4] = int16_t(100 - 8 * n);
        return vImageConvolve_Planar8(&source, &destination, nullptr, 0, 0, kernel, 3, 3, 100, 255, kvImageCopyInPlace);
    }
    float kernel[9];
    std::fill(kernel, kernel + 9, -sharpness);
    kernel[4] = 1.0f + 8.0f * sharpness;
    return vImageConvolve_PlanarF(&source, &destination, nullptr, 0, 0, kernel, 3, 3, 1.0f, kvImageCopyInPlace);
}

vImage_Error blurPlane(const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type, BlurType blur,
                       unsigned radius)
{
    radius = std::min(radius, kMaximumBlurRadius);
    const uint32_t n = 2 * radius + 1;
    if (type == SampleType::Float32) {
        const float *kernel = floatBlurKernel(blur, radius);
        if (!kernel)
            return blur > BlurType::Gaussian ? kvImageInvalidParameter : kvImageInternalError;
        return vImageConvolve_PlanarF(&source, &destination, nullptr, 0, 0, kernel, n, n, 1.0f, kvImageTruncateKernel);
    }
    switch (blur) {
    case BlurType::Box:
        return vImageBoxConvolve_Planar8(&source, &destination, nullptr, 0, 0, n, n, 255, kvImageTruncateKernel);
    case BlurType::Tent:
        return vImageTentConvolve_Planar8(&source, &destination, nullptr, 0, 0, n + 2, n + 2, 255, kvImageTruncateKernel);
    case BlurType::Gaussian: {
        uint16_t sum = 0;
        const int16_t *kernel = gaussianKernel8(radius, &sum);
        if (!kernel)
            return kvImageInternalError;
        return vImageConvolve_Planar8(&source, &destination, nullptr, 0, 0, kernel, n, n, sum, 255, kvImageTruncateKernel);
    }
    }
    return kvImageInvalidParameter;
}

float vignetteMask(size_t x, size_t y, size_t width, size_t height)
{
    const float u = (float(x) + 0.5f) / float(width) - 0.5f, v = (float(y) + 0.5f) / float(height) - 0.5f;
    const float t = 2.0f * std::sqrt(u * u + v * v); // 1 at the middles of the edges
    return std::clamp(2.0f * t - 1.0f, 0.0f, 1.0f);
}

vImage_Error vignettePlane(vImage_Buffer &plane, const vImage_Buffer *alpha, SampleType type, float gain)
{
    const size_t sampleBytes = bytesPerSample(type);
    if (vImage_Error status = vimage::checkBuffer(&plane, sampleBytes))
        return status;
    if (alpha && (alpha->width != plane.width || alpha->height != plane.height || !alpha->data))
        return kvImageInvalidParameter;
    const size_t width = plane.width, height = plane.height;
    platform::forEachRowRange(height, width * 8, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            uint8_t *row = vimage::rowOf(&plane, y);
            const uint8_t *alphaRow = alpha ? vimage::rowOf(alpha, y) : nullptr;
            for (size_t x = 0; x < width; ++x) {
                const float m = type == SampleType::UInt8 ? float(roundSaturate8(vignetteMask(x, y, width, height) * 255.0f)) * kInverse255
                                                          : vignetteMask(x, y, width, height);
                float c, a, gained;
                if (type == SampleType::UInt8) {
                    c = float(row[x]) * kInverse255;
                    a = alphaRow ? float(alphaRow[x]) * kInverse255 : 1.0f;
                    gained = float(std::lround(std::min(float(row[x]) * gain, 255.0f))) * kInverse255;
                } else {
                    c = reinterpret_cast<const float *>(row)[x];
                    a = alphaRow ? clampUnit(reinterpret_cast<const float *>(alphaRow)[x]) : 1.0f;
                    gained = std::min(c * gain, 1.0f);
                }
                const float weight = m + (1.0f - m) * a;
                if (!(weight > 0.0f))
                    continue; // nothing to blend: keep the sample
                const float result = (gained * m + c * a * (1.0f - m)) / weight;
                if (type == SampleType::UInt8)
                    row[x] = roundSaturate8(result * 255.0f);
                else
                    reinterpret_cast<float *>(row)[x] = result;
            }
        }
    });
    return kvImageNoError;
}

} // namespace platform::pixel
