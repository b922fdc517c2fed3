#include "platform/accelerate/vImageGeometry.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace platform::vimage;

namespace {

constexpr double kLobes = 3.0;

double sinc(double x)
{
    if (std::abs(x) < 1e-9)
        return 1.0;
    const double px = M_PI * x;
    return std::sin(px) / px;
}

double lanczos(double x)
{
    return std::abs(x) < kLobes ? sinc(x) * sinc(x / kLobes) : 0.0;
}

// The source taps of one output sample: `count` consecutive weights starting at `first`,
// normalised to sum 1. Taps beyond the edges fall on the edge pixel.
struct Taps
{
    std::vector<size_t> first;
    std::vector<size_t> count;
    std::vector<float> weights; // `maxCount` per output sample
    size_t maxCount = 0;
};

Taps makeTaps(size_t sourceSize, size_t destinationSize)
{
    const double scale = double(destinationSize) / double(sourceSize);
    const double stretch = scale < 1.0 ? 1.0 / scale : 1.0; // widen the filter when shrinking
    const double support = kLobes * stretch;
    Taps taps;
    taps.maxCount = size_t(std::ceil(support * 2.0)) + 2;
    taps.first.resize(destinationSize);
    taps.count.resize(destinationSize);
    taps.weights.assign(destinationSize * taps.maxCount, 0.0f);
    std::vector<double> raw(taps.maxCount);
    for (size_t i = 0; i < destinationSize; ++i) {
        const double centre = (double(i) + 0.5) / scale - 0.5;
        const long lo = long(std::floor(centre - support)) + 1;
        const long hi = long(std::floor(centre + support));
        const long firstIndex = std::clamp<long>(lo, 0, long(sourceSize) - 1);
        const long lastIndex = std::clamp<long>(hi, 0, long(sourceSize) - 1);
        const size_t n = size_t(lastIndex - firstIndex + 1);
        std::fill(raw.begin(), raw.begin() + long(n), 0.0);
        double sum = 0.0;
        for (long s = lo; s <= hi; ++s) {
            const double w = lanczos((double(s) - centre) / stretch);
            const long at = std::clamp<long>(s, 0, long(sourceSize) - 1);
            raw[size_t(at - firstIndex)] += w;
            sum += w;
        }
        if (sum == 0.0) { // cannot happen for a sane filter; fall back to the nearest pixel
            raw[size_t(std::clamp<long>(long(std::lround(centre)), firstIndex, lastIndex) - firstIndex)] = sum = 1.0;
        }
        taps.first[i] = size_t(firstIndex);
        taps.count[i] = n;
        for (size_t k = 0; k < n; ++k)
            taps.weights[i * taps.maxCount + k] = float(raw[k] / sum);
    }
    return taps;
}

// Averages boxes of kx × ky source pixels (the last ones in a row or column may be smaller),
// the cheap first step of a large reduction.
template<int Channels>
void boxShrink(const vImage_Buffer *source, size_t kx, size_t ky, std::vector<uint8_t> &pixels, vImage_Buffer *out)
{
    const size_t sw = source->width, sh = source->height;
    out->width = (sw + kx - 1) / kx;
    out->height = (sh + ky - 1) / ky;
    out->rowBytes = out->width * Channels;
    pixels.resize(out->rowBytes * out->height);
    out->data = pixels.data();
    platform::forEachRowRange(out->height, sw * ky * Channels, [&](size_t first, size_t end) {
        std::vector<uint32_t> sums(out->width * Channels);
        for (size_t oy = first; oy < end; ++oy) {
            std::fill(sums.begin(), sums.end(), 0u);
            const size_t y0 = oy * ky, y1 = std::min(sh, y0 + ky);
            for (size_t y = y0; y < y1; ++y) {
                const uint8_t *in = rowOf(source, y);
                for (size_t ox = 0; ox < out->width; ++ox) {
                    uint32_t *sum = sums.data() + ox * Channels;
                    const uint8_t *p = in + ox * kx * Channels, *boxEnd = in + std::min(sw, (ox + 1) * kx) * Channels;
                    for (; p < boxEnd; p += Channels) {
                        for (int c = 0; c < Channels; ++c)
                            sum[c] += p[c];
                    }
                }
            }
            uint8_t *row = rowOf(out, oy);
            for (size_t ox = 0; ox < out->width; ++ox) {
                const uint32_t count = uint32_t((std::min(sw, (ox + 1) * kx) - ox * kx) * (y1 - y0));
                for (int c = 0; c < Channels; ++c)
                    row[ox * Channels + c] = uint8_t((sums[ox * Channels + c] + count / 2) / count);
            }
        }
    });
}

template<int Channels>
vImage_Error scale(const vImage_Buffer *original, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkBuffer(original, Channels))
        return status;
    if (vImage_Error status = checkBuffer(destination, Channels))
        return status;
    // Large reductions first average whole boxes down to about twice the destination size;
    // the filter then has few taps left to weigh, at no visible cost.
    const size_t kx = std::max<size_t>(1, original->width / (2 * destination->width));
    const size_t ky = std::max<size_t>(1, original->height / (2 * destination->height));
    std::vector<uint8_t> shrunkPixels;
    vImage_Buffer shrunk;
    const vImage_Buffer *source = original;
    if (kx > 1 || ky > 1) {
        boxShrink<Channels>(original, kx, ky, shrunkPixels, &shrunk);
        source = &shrunk;
    }
    const size_t dw = destination->width, dh = destination->height;
    const Taps horizontal = makeTaps(source->width, dw);
    const Taps vertical = makeTaps(source->height, dh);

    // Output rows are made in bands; each band filters the source rows it needs
    // horizontally into its own float rows, then filters those vertically.
    constexpr size_t kBand = 32;
    const size_t bands = (dh + kBand - 1) / kBand;
    platform::forEachRowRange(bands, dw * Channels * kBand * 8, [&](size_t firstBand, size_t endBand) {
        std::vector<float> rows;
        for (size_t band = firstBand; band < endBand; ++band) {
            const size_t y0 = band * kBand, y1 = std::min(dh, y0 + kBand);
            const size_t s0 = vertical.first[y0];
            size_t s1 = s0;
            for (size_t y = y0; y < y1; ++y)
                s1 = std::max(s1, vertical.first[y] + vertical.count[y]);
            const size_t rowLength = dw * Channels;
            rows.resize((s1 - s0) * rowLength);
            for (size_t sy = s0; sy < s1; ++sy) {
                const uint8_t *in = rowOf(source, sy);
                float *out = rows.data() + (sy - s0) * rowLength;
                for (size_t x = 0; x < dw; ++x) {
                    const float *w = horizontal.weights.data() + x * horizontal.maxCount;
                    const uint8_t *p = in + horizontal.first[x] * Channels;
                    float acc[Channels] = {};
                    for (size_t k = 0; k < horizontal.count[x]; ++k, p += Channels) {
                        for (int c = 0; c < Channels; ++c)
                            acc[c] += w[k] * float(p[c]);
                    }
                    for (int c = 0; c < Channels; ++c)
                        out[x * Channels + c] = acc[c];
                }
            }
            std::vector<float> acc(rowLength);
            for (size_t y = y0; y < y1; ++y) {
                std::fill(acc.begin(), acc.end(), 0.0f);
                const float *w = vertical.weights.data() + y * vertical.maxCount;
                for (size_t k = 0; k < vertical.count[y]; ++k) {
                    const float *row = rows.data() + (vertical.first[y] + k - s0) * rowLength;
                    const float wk = w[k];
                    for (size_t i = 0; i < rowLength; ++i)
                        acc[i] += wk * row[i];
                }
                uint8_t *out = rowOf(destination, y);
                for (size_t i = 0; i < rowLength; ++i)
                    out[i] = uint8_t(std::clamp(acc[i] + 0.5f, 0.0f, 255.0f));
            }
        }
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageScale_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, void *, vImage_Flags)
{
    return scale<4>(source, destination);
}

vImage_Error vImageScale_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *, vImage_Flags)
{
    return scale<1>(source, destination);
}
