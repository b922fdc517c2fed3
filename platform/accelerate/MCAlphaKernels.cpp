#include "platform/accelerate/MCAlphaKernels.h"

#include "platform/accelerate/MCPixelKernel.h"
#include "platform/graphics/CGRowLoop.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace platform::pixel;

namespace {

template<typename T>
T *samplesOf(const vImage_Buffer &plane)
{
    return static_cast<T *>(plane.data);
}

} // namespace

vImage_Error MCAlphaToColorPlanar8(const vImage_Buffer planes[4], const Pixel_8888 color)
{
    if (!planesAreUsable(planes, 4, SampleType::UInt8) || !color)
        return kvImageInvalidParameter;
    uint8_t *r = samplesOf<uint8_t>(planes[0]), *g = samplesOf<uint8_t>(planes[1]), *b = samplesOf<uint8_t>(planes[2]),
            *a = samplesOf<uint8_t>(planes[3]);
    // Products of two bytes plus 127 fit 16 bits; dividing by the constant 255 vectorises.
    const uint32_t cr = color[0], cg = color[1], cb = color[2], ca = color[3];
    forEachSampleRange(samplesOfPlane(planes[0], SampleType::UInt8), [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const uint32_t alpha = a[i], rest = 255 - alpha;
            r[i] = uint8_t((r[i] * alpha + cr * rest + 127) / 255);
            g[i] = uint8_t((g[i] * alpha + cg * rest + 127) / 255);
            b[i] = uint8_t((b[i] * alpha + cb * rest + 127) / 255);
            a[i] = uint8_t((alpha * 255 + ca * rest + 127) / 255);
        }
    });
    return kvImageNoError;
}

vImage_Error MCAlphaToColorPlanarF(const vImage_Buffer planes[4], const Pixel_FFFF color)
{
    if (!planesAreUsable(planes, 4, SampleType::Float32) || !color)
        return kvImageInvalidParameter;
    float *r = samplesOf<float>(planes[0]), *g = samplesOf<float>(planes[1]), *b = samplesOf<float>(planes[2]),
          *a = samplesOf<float>(planes[3]);
    const float cr = color[0], cg = color[1], cb = color[2], ca = color[3];
    forEachSampleRange(samplesOfPlane(planes[0], SampleType::Float32), [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const float alpha = a[i], rest = 1.0f - alpha;
            r[i] = cr * rest + r[i] * alpha;
            g[i] = cg * rest + g[i] * alpha;
            b[i] = cb * rest + b[i] * alpha;
            a[i] = rest * ca + alpha;
        }
    });
    return kvImageNoError;
}

void MCColorToAlphaPixels(float *red, float *green, float *blue, float *alpha, const float key[3], size_t count)
{
    const float kr = key[0], kg = key[1], kb = key[2];
    auto ratio = [](float x, float k) {
        const float d = x > k ? k - 1.0f : k;
        return d != 0.0f ? (k - x) / d : 0.0f;
    };
    for (size_t i = 0; i < count; ++i) {
        const float m = std::max(std::max(ratio(red[i], kr), ratio(green[i], kg)), ratio(blue[i], kb));
        if (m > 0.0f) {
            red[i] = (red[i] - kr) / m + kr;
            green[i] = (green[i] - kg) / m + kg;
            blue[i] = (blue[i] - kb) / m + kb;
        } else {
            red[i] = kr;
            green[i] = kg;
            blue[i] = kb;
        }
        alpha[i] *= m;
    }
}

vImage_Error MCColorToAlphaPlanar8(const vImage_Buffer planes[4], const float key[3])
{
    if (!planesAreUsable(planes, 4, SampleType::UInt8) || !key)
        return kvImageInvalidParameter;
    uint8_t *samples[4];
    for (int c = 0; c < 4; ++c)
        samples[c] = samplesOf<uint8_t>(planes[c]);
    forEachSampleRange(samplesOfPlane(planes[0], SampleType::UInt8), [&](size_t begin, size_t end) {
        constexpr size_t kTile = 64;
        float values[4][kTile];
        for (size_t base = begin; base < end; base += kTile) {
            const size_t n = std::min(kTile, end - base);
            for (int c = 0; c < 4; ++c)
                for (size_t i = 0; i < n; ++i)
                    values[c][i] = float(samples[c][base + i]) * kInverse255;
            MCColorToAlphaPixels(values[0], values[1], values[2], values[3], key, n);
            for (int c = 0; c < 4; ++c) {
                for (size_t i = 0; i < n; ++i)
                    values[c][i] *= 255.0f;
                roundSaturate8(values[c], samples[c] + base, n);
            }
        }
    });
    return kvImageNoError;
}

vImage_Error MCColorToAlphaPlanarF(const vImage_Buffer planes[4], const float key[3])
{
    if (!planesAreUsable(planes, 4, SampleType::Float32) || !key)
        return kvImageInvalidParameter;
    float *samples[4];
    for (int c = 0; c < 4; ++c)
        samples[c] = samplesOf<float>(planes[c]);
    forEachSampleRange(samplesOfPlane(planes[0], SampleType::Float32), [&](size_t begin, size_t end) {
        MCColorToAlphaPixels(samples[0] + begin, samples[1] + begin, samples[2] + begin, samples[3] + begin, key,
                             end - begin);
    });
    return kvImageNoError;
}

namespace {

template<typename T>
bool isOpaque(const vImage_Buffer &alpha, T full)
{
    if (!alpha.data)
        return false;
    std::atomic<bool> opaque{true};
    platform::forEachRowRange(alpha.height, alpha.width * sizeof(T), [&](size_t first, size_t end) {
        for (size_t y = first; y < end && opaque.load(std::memory_order_relaxed); ++y) {
            const T *row = reinterpret_cast<const T *>(static_cast<const uint8_t *>(alpha.data) + y * alpha.rowBytes);
            // Whole rows without an early exit vectorise; the flag is checked per row.
            bool all = true;
            size_t x = 0;
            if constexpr (sizeof(T) == 1) {
                // Eight samples a step: all are 255 exactly when their bits all are set.
                uint64_t bits = ~uint64_t(0);
                for (; x + 8 <= alpha.width; x += 8) {
                    uint64_t word;
                    std::memcpy(&word, row + x, sizeof word);
                    bits &= word;
                }
                all = bits == ~uint64_t(0);
            }
            for (; x < alpha.width; ++x)
                all &= row[x] >= full;
            if (!all)
                opaque.store(false, std::memory_order_relaxed);
        }
    });
    return opaque.load();
}

} // namespace

bool MCIsOpaquePlanar8(const vImage_Buffer &alpha)
{
    return isOpaque<uint8_t>(alpha, 255);
}

bool MCIsOpaquePlanarF(const vImage_Buffer &alpha)
{
    return isOpaque<float>(alpha, 1.0f);
}
