#include "platform/accelerate/MCGrayscaleKernels.h"

#include "platform/accelerate/MCPixelKernel.h"

#include <algorithm>
#include <cmath>

using namespace platform::pixel;

namespace {

constexpr float kOneThird = 0.33333334f;

// Runs gray(r, g, b) on every pixel of the three source planes and stores the result in the
// three destination planes. 8-bit rules answer either a byte (exact integer rules) or a float
// on the 0..255 scale that is rounded and saturated here.
template<typename T, typename Gray>
vImage_Error grayscale(const vImage_Buffer source[3], const vImage_Buffer destination[3], Gray gray)
{
    constexpr SampleType type = sizeof(T) == 1 ? SampleType::UInt8 : SampleType::Float32;
    if (!planesAreUsable(source, 3, type) || !planesAreUsable(destination, 3, type) ||
        destination[0].height != source[0].height || destination[0].rowBytes != source[0].rowBytes)
        return kvImageInvalidParameter;
    const T *r = static_cast<const T *>(source[0].data), *g = static_cast<const T *>(source[1].data),
            *b = static_cast<const T *>(source[2].data);
    T *out[3] = {static_cast<T *>(destination[0].data), static_cast<T *>(destination[1].data),
                 static_cast<T *>(destination[2].data)};
    forEachSampleRange(samplesOfPlane(source[0], type), [&](size_t begin, size_t end) {
        using Result = decltype(gray(r[0], g[0], b[0]));
        constexpr size_t kTile = 64;
        Result values[kTile];
        for (size_t base = begin; base < end; base += kTile) {
            const size_t n = std::min(kTile, end - base);
            for (size_t i = 0; i < n; ++i)
                values[i] = gray(r[base + i], g[base + i], b[base + i]);
            for (T *plane : out) {
                if constexpr (sizeof(T) == 1 && sizeof(Result) == sizeof(float))
                    roundSaturate8(values, plane + base, n);
                else
                    std::copy(values, values + n, plane + base);
            }
        }
    });
    return kvImageNoError;
}

template<typename T>
T minimum(T r, T g, T b)
{
    return std::min(std::min(r, g), b);
}

template<typename T>
T maximum(T r, T g, T b)
{
    return std::max(std::max(r, g), b);
}

} // namespace

vImage_Error MCGrayscaleAveragePlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<uint8_t>(source, destination,
                              [](uint8_t r, uint8_t g, uint8_t b) { return float(int(r) + g + b) * kOneThird; });
}

vImage_Error MCGrayscaleAveragePlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<float>(source, destination, [](float r, float g, float b) { return (r + g + b) * kOneThird; });
}

vImage_Error MCGrayscaleMinimumPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<uint8_t>(source, destination, minimum<uint8_t>);
}

vImage_Error MCGrayscaleMinimumPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<float>(source, destination, minimum<float>);
}

vImage_Error MCGrayscaleMaximumPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<uint8_t>(source, destination, maximum<uint8_t>);
}

vImage_Error MCGrayscaleMaximumPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<float>(source, destination, maximum<float>);
}

vImage_Error MCGrayscaleLightnessPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<uint8_t>(source, destination, [](uint8_t r, uint8_t g, uint8_t b) {
        return uint8_t((unsigned(minimum(r, g, b)) + maximum(r, g, b) + 1) / 2);
    });
}

vImage_Error MCGrayscaleLightnessPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3])
{
    return grayscale<float>(source, destination,
                            [](float r, float g, float b) { return (minimum(r, g, b) + maximum(r, g, b)) * 0.5f; });
}

vImage_Error MCGrayscaleWeightedPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                        const float weights[3])
{
    const float wr = weights[0], wg = weights[1], wb = weights[2];
    return grayscale<uint8_t>(source, destination, [=](uint8_t r, uint8_t g, uint8_t b) {
        return (float(r) * wr + float(g) * wg) + float(b) * wb;
    });
}

vImage_Error MCGrayscaleWeightedPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                        const float weights[3])
{
    const float wr = weights[0], wg = weights[1], wb = weights[2];
    return grayscale<float>(source, destination,
                            [=](float r, float g, float b) { return (r * wr + g * wg) + b * wb; });
}

vImage_Error MCGrayscaleQuadraticPlanar8(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                         const float weights[3])
{
    const float wr = weights[0], wg = weights[1], wb = weights[2];
    return grayscale<uint8_t>(source, destination, [=](uint8_t r, uint8_t g, uint8_t b) {
        const float fr = r, fg = g, fb = b;
        return std::sqrt(wr * fr * fr + wg * fg * fg + wb * fb * fb);
    });
}

vImage_Error MCGrayscaleQuadraticPlanarF(const vImage_Buffer source[3], const vImage_Buffer destination[3],
                                         const float weights[3])
{
    const float wr = weights[0], wg = weights[1], wb = weights[2];
    return grayscale<float>(source, destination,
                            [=](float r, float g, float b) { return std::sqrt(wr * r * r + wg * g * g + wb * b * b); });
}
