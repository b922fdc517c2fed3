#include "platform/accelerate/MCBlurKernels.h"

#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageConvolution.h"
#include "platform/accelerate/vImageConvolve.h"
#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>
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

namespace {

// The 8-bit 3 × 3 sharpening with neighbour weight n and centre 100 − 8n in integer sums:
// what the general convolution computes in doubles (exact integers there too), divided by
// 100, so the samples are the same. The division is a float one, which vectorises: the sums
// are far below 2^24, so the quotient is correctly rounded, a half (a sum ending in 50) is
// exact, and any other quotient lies at least 0.01 from a half, far beyond the rounding
// error; rounding to the nearest integer therefore gives what the double product gives.
// Edge pixels are copied.
void sharpen8(const vImage_Buffer &source, const vImage_Buffer &destination, int n)
{
    const size_t width = source.width, height = source.height;
    const int centre = 100 - 8 * n;
    platform::forEachRowRange(height, width * 10, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const uint8_t *in = vimage::rowOf(&source, y);
            uint8_t *out = vimage::rowOf(&destination, y);
            if (y == 0 || y + 1 == height || width < 3) {
                std::memcpy(out, in, width);
                continue;
            }
            const uint8_t *above = vimage::rowOf(&source, y - 1), *below = vimage::rowOf(&source, y + 1);
            out[0] = in[0];
            out[width - 1] = in[width - 1];
            size_t x = 1;
#if defined(__SSE2__)
            // Four samples a step in floats. Both products are whole numbers below 2^24, and so
            // is their sum, so the float sum is the integer sum exactly; the quotient, clamp and
            // rounding are those of the scalar loop below.
            const __m128 centreWeight = _mm_set1_ps(float(centre)), neighbourWeight = _mm_set1_ps(float(n));
            const __m128 hundred = _mm_set1_ps(100.0f), zero = _mm_setzero_ps(), full = _mm_set1_ps(255.0f);
            const __m128 magic = _mm_set1_ps(8388608.0f);
            const __m128i none = _mm_setzero_si128();
            auto four = [&](const uint8_t *p) {
                int32_t bytes;
                std::memcpy(&bytes, p, sizeof bytes);
                const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), none);
                return _mm_unpacklo_epi16(words, none);
            };
            for (; x + 4 < width; x += 4) {
                __m128i around = _mm_add_epi32(_mm_add_epi32(four(above + x - 1), four(above + x)),
                                               _mm_add_epi32(four(above + x + 1), four(in + x - 1)));
                around = _mm_add_epi32(around, _mm_add_epi32(_mm_add_epi32(four(in + x + 1), four(below + x - 1)),
                                                             _mm_add_epi32(four(below + x), four(below + x + 1))));
                const __m128 sum = _mm_add_ps(_mm_mul_ps(centreWeight, _mm_cvtepi32_ps(four(in + x))),
                                              _mm_mul_ps(neighbourWeight, _mm_cvtepi32_ps(around)));
                const __m128 clamped = _mm_min_ps(_mm_max_ps(_mm_div_ps(sum, hundred), zero), full);
                const __m128i rounded = _mm_cvttps_epi32(_mm_sub_ps(_mm_add_ps(clamped, magic), magic));
                const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(rounded, none), none);
                const int32_t result = _mm_cvtsi128_si32(packed);
                std::memcpy(out + x, &result, sizeof result);
            }
#endif
            for (; x + 1 < width; ++x) {
                const int around = int(above[x - 1]) + int(above[x]) + int(above[x + 1]) + int(in[x - 1]) +
                                   int(in[x + 1]) + int(below[x - 1]) + int(below[x]) + int(below[x + 1]);
                const int sum = centre * int(in[x]) + n * around;
                out[x] = roundSaturate8(float(sum) / 100.0f);
            }
        }
    });
}

} // namespace

vImage_Error sharpenPlane(const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type, float sharpness)
{
    if (type == SampleType::UInt8) {
        // The neighbours' weight is kept where the centre's weight still fits 16 bits.
        const float neighbour = std::clamp(std::trunc(-100.0f * sharpness), -4083.0f, 4108.0f);
        const int16_t n = int16_t(neighbour);
        if (!vimage::checkBuffer(&source, 1) && !vimage::checkBuffer(&destination, 1) &&
            source.width == destination.width && source.height == destination.height &&
            source.data != destination.data) {
            sharpen8(source, destination, n);
            return kvImageNoError;
        }
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

namespace {

// Float samples on the 0..1 scale of one plane row: 8-bit samples divided by 255.
template<typename T>
float unitSample(const uint8_t *row, size_t x)
{
    if constexpr (sizeof(T) == 1)
        return float(row[x]) * kInverse255;
    else
        return reinterpret_cast<const float *>(row)[x];
}

template<typename T>
void storeUnit(uint8_t *row, size_t x, float value)
{
    if constexpr (sizeof(T) == 1)
        row[x] = roundSaturate8(value * 255.0f);
    else
        reinterpret_cast<float *>(row)[x] = value;
}

template<typename T>
vImage_Error sharpenWeighted(const vImage_Buffer &source, const vImage_Buffer &destination, const vImage_Buffer &alpha,
                             float s)
{
    const size_t width = source.width, height = source.height;
    platform::forEachRowRange(height, width * 27, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const uint8_t *in = vimage::rowOf(&source, y);
            uint8_t *out = vimage::rowOf(&destination, y);
            if (y == 0 || y + 1 == height) {
                std::memcpy(out, in, width * sizeof(T));
                continue;
            }
            const uint8_t *rows[3] = {vimage::rowOf(&source, y - 1), in, vimage::rowOf(&source, y + 1)};
            const uint8_t *alphas[3] = {vimage::rowOf(&alpha, y - 1), vimage::rowOf(&alpha, y),
                                        vimage::rowOf(&alpha, y + 1)};
            std::memcpy(out, in, sizeof(T));
            std::memcpy(out + (width - 1) * sizeof(T), in + (width - 1) * sizeof(T), sizeof(T));
            for (size_t x = 1; x + 1 < width; ++x) {
                const float c = unitSample<T>(in, x);
                float pull = 0.0f; // Σ alpha × (c − neighbour)
                for (int j = 0; j < 3; ++j)
                    for (size_t i = x - 1; i <= x + 1; ++i) {
                        if (j == 1 && i == x)
                            continue;
                        float a = unitSample<T>(alphas[j], i);
                        a = a > 0.0f ? (a < 1.0f ? a : 1.0f) : 0.0f;
                        pull += a * (c - unitSample<T>(rows[j], i));
                    }
                storeUnit<T>(out, x, c + s * pull);
            }
        }
    });
    return kvImageNoError;
}

// A float plane of the given size, freed with it.
struct FloatPlane
{
    vImage_Buffer buffer{};
    ~FloatPlane() { std::free(buffer.data); }
    bool allocate(size_t width, size_t height)
    {
        return vImageBuffer_Init(&buffer, height, width, 32, kvImageNoFlags) == kvImageNoError;
    }
    float *row(size_t y) const { return reinterpret_cast<float *>(vimage::rowOf(&buffer, y)); }
};

// The float kernel a blur of samples of `type` uses (n × n, row by row), with n its side:
// for floats the cached one; for 8-bit samples the 8-bit kernel's weights normalised.
std::vector<float> weightedBlurKernel(SampleType type, BlurType blur, unsigned radius, uint32_t *side)
{
    const uint32_t n = 2 * radius + 1;
    *side = n;
    if (type == SampleType::Float32 || blur == BlurType::Box) {
        const float *kernel = floatBlurKernel(blur, radius);
        return kernel ? std::vector<float>(kernel, kernel + size_t(n) * n) : std::vector<float>();
    }
    std::vector<double> weights;
    if (blur == BlurType::Gaussian) {
        const int16_t *kernel = gaussianKernel8(radius, nullptr);
        if (!kernel)
            return {};
        weights.assign(kernel, kernel + size_t(n) * n);
    } else { // the separable tent of side 2r + 3, weights r + 2 − |i| along each axis
        const long m = long(n) + 2, half = m / 2;
        *side = uint32_t(m);
        for (long j = 0; j < m; ++j)
            for (long i = 0; i < m; ++i)
                weights.push_back(double((half + 1 - std::abs(i - half)) * (half + 1 - std::abs(j - half))));
    }
    double sum = 0.0;
    for (double w : weights)
        sum += w;
    std::vector<float> kernel;
    for (double w : weights)
        kernel.push_back(float(w / sum));
    return kernel;
}

// Below this the blurred alpha (0..1) counts as 0: no colour to divide out, only the residue
// of the running sums.
constexpr float kNoWeight = 1e-9f;

template<typename T>
vImage_Error blurWeighted(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count,
                          const vImage_Buffer &alpha, const std::vector<float> &kernel, uint32_t side)
{
    const size_t width = alpha.width, height = alpha.height;
    FloatPlane weighted, blurredAlpha, blurred;
    if (!weighted.allocate(width, height) || !blurredAlpha.allocate(width, height) || !blurred.allocate(width, height))
        return kvImageMemoryAllocationError;
    const auto alphaAt = [&](const uint8_t *row, size_t x) {
        const float a = unitSample<T>(row, x);
        return a > 0.0f ? (a < 1.0f ? a : 1.0f) : 0.0f;
    };
    const auto blur = [&](const FloatPlane &from, const FloatPlane &to) {
        return vImageConvolve_PlanarF(&from.buffer, &to.buffer, nullptr, 0, 0, kernel.data(), side, side, 0.0f,
                                      kvImageTruncateKernel);
    };
    platform::forEachRowRange(height, width * 2, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const uint8_t *a = vimage::rowOf(&alpha, y);
            float *out = weighted.row(y);
            for (size_t x = 0; x < width; ++x)
                out[x] = alphaAt(a, x);
        }
    });
    if (vImage_Error status = blur(weighted, blurredAlpha))
        return status;
    for (size_t k = 0; k < count; ++k) {
        const vImage_Buffer &source = sources[k], &destination = destinations[k];
        platform::forEachRowRange(height, width * 3, [&](size_t first, size_t end) {
            for (size_t y = first; y < end; ++y) {
                const uint8_t *in = vimage::rowOf(&source, y), *a = vimage::rowOf(&alpha, y);
                float *out = weighted.row(y);
                for (size_t x = 0; x < width; ++x)
                    out[x] = unitSample<T>(in, x) * alphaAt(a, x);
            }
        });
        if (vImage_Error status = blur(weighted, blurred))
            return status;
        platform::forEachRowRange(height, width * 3, [&](size_t first, size_t end) {
            for (size_t y = first; y < end; ++y) {
                const uint8_t *in = vimage::rowOf(&source, y);
                uint8_t *out = vimage::rowOf(&destination, y);
                const float *sum = blurred.row(y), *weight = blurredAlpha.row(y);
                for (size_t x = 0; x < width; ++x)
                    storeUnit<T>(out, x, weight[x] > kNoWeight ? sum[x] / weight[x] : unitSample<T>(in, x));
            }
        });
    }
    return kvImageNoError;
}

// The planes' and alpha's geometry: one size, rows long enough for the sample type.
vImage_Error checkWeighted(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count,
                           const vImage_Buffer &alpha, SampleType type)
{
    const size_t bytes = bytesPerSample(type);
    if (vImage_Error status = vimage::checkBuffer(&alpha, bytes))
        return status;
    for (size_t k = 0; k < count; ++k) {
        if (vImage_Error status = vimage::checkBuffer(&sources[k], bytes))
            return status;
        if (vImage_Error status = vimage::checkBuffer(&destinations[k], bytes))
            return status;
        if (sources[k].width != alpha.width || sources[k].height != alpha.height ||
            destinations[k].width != alpha.width || destinations[k].height != alpha.height)
            return kvImageBufferSizeMismatch;
        if (sources[k].data == destinations[k].data)
            return kvImageOutOfPlaceOperationRequired;
    }
    return kvImageNoError;
}

} // namespace

vImage_Error sharpenPlaneWeighted(const vImage_Buffer &source, const vImage_Buffer &destination,
                                  const vImage_Buffer &alpha, SampleType type, float sharpness)
{
    if (vImage_Error status = checkWeighted(&source, &destination, 1, alpha, type))
        return status;
    if (type == SampleType::UInt8) {
        // The 8-bit kernel's own quantised weight: trunc(−100 s) / −100.
        const float neighbour = std::clamp(std::trunc(-100.0f * sharpness), -4083.0f, 4108.0f);
        return sharpenWeighted<uint8_t>(source, destination, alpha, -neighbour / 100.0f);
    }
    return sharpenWeighted<float>(source, destination, alpha, sharpness);
}

vImage_Error blurPlanesWeighted(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count,
                                const vImage_Buffer &alpha, SampleType type, BlurType blur, unsigned radius)
{
    if (!sources || !destinations)
        return kvImageNullPointerArgument;
    if (blur > BlurType::Gaussian)
        return kvImageInvalidParameter;
    if (vImage_Error status = checkWeighted(sources, destinations, count, alpha, type))
        return status;
    uint32_t side = 0;
    const std::vector<float> kernel = weightedBlurKernel(type, blur, std::min(radius, kMaximumBlurRadius), &side);
    if (kernel.empty())
        return kvImageInternalError;
    return type == SampleType::UInt8 ? blurWeighted<uint8_t>(sources, destinations, count, alpha, kernel, side)
                                     : blurWeighted<float>(sources, destinations, count, alpha, kernel, side);
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
