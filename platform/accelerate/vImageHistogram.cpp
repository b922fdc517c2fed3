#include "platform/accelerate/vImageHistogram.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

using namespace platform::vimage;

namespace {

using Histogram = std::array<vImagePixelCount, 256>;
using Table = std::array<uint8_t, 256>;

template<int Channels>
void histograms(const vImage_Buffer *source, size_t width, size_t height, Histogram *out)
{
    for (int c = 0; c < Channels; ++c)
        out[c].fill(0);
    std::mutex lock; // guards `out` while the pieces add their counts
    platform::forEachRowRange(height, width * Channels, [&](size_t first, size_t end) {
        Histogram local[Channels] = {};
        for (size_t y = first; y < end; ++y) {
            const uint8_t *p = rowOf(source, y);
            for (size_t x = 0; x < width; ++x, p += Channels) {
                for (int c = 0; c < Channels; ++c)
                    ++local[c][p[c]];
            }
        }
        std::lock_guard<std::mutex> guard(lock);
        for (int c = 0; c < Channels; ++c) {
            for (int v = 0; v < 256; ++v)
                out[c][v] += local[c][v];
        }
    });
}

Table identity()
{
    Table table;
    for (int v = 0; v < 256; ++v)
        table[v] = uint8_t(v);
    return table;
}

Table stretchTable(const Histogram &h)
{
    int lo = 0, hi = 255;
    while (lo < 256 && h[lo] == 0)
        ++lo;
    while (hi >= 0 && h[hi] == 0)
        --hi;
    if (lo >= hi)
        return identity();
    Table table;
    for (int v = 0; v < 256; ++v) {
        const int clamped = std::clamp(v, lo, hi);
        table[v] = uint8_t(std::lround(double(clamped - lo) * 255.0 / double(hi - lo)));
    }
    return table;
}

Table equalizeTable(const Histogram &h)
{
    vImagePixelCount total = 0;
    for (vImagePixelCount n : h)
        total += n;
    int lo = 0;
    while (lo < 256 && h[lo] == 0)
        ++lo;
    if (lo >= 256 || h[lo] == total)
        return identity();
    const double first = double(h[lo]);
    Table table;
    vImagePixelCount cumulative = 0;
    for (int v = 0; v < 256; ++v) {
        cumulative += h[v];
        const double fraction = v < lo ? 0.0 : (double(cumulative) - first) / (double(total) - first);
        table[v] = uint8_t(std::lround(fraction * 255.0));
    }
    return table;
}

template<int Channels>
vImage_Error applyTables(const vImage_Buffer *source, const vImage_Buffer *destination, Table (*makeTable)(const Histogram &),
                         vImage_Flags flags)
{
    if (vImage_Error status = checkPair(source, destination, Channels))
        return status;
    const size_t width = destination->width, height = destination->height;
    Histogram h[Channels];
    histograms<Channels>(source, width, height, h);
    Table tables[Channels];
    for (int c = 0; c < Channels; ++c)
        tables[c] = makeTable(h[c]);
    if (Channels == 4 && (flags & kvImageLeaveAlphaUnchanged))
        tables[0] = identity();
    platform::forEachRowRange(height, width * Channels, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const uint8_t *in = rowOf(source, y);
            uint8_t *out = rowOf(destination, y);
            for (size_t x = 0; x < width * Channels; x += Channels) {
                for (int c = 0; c < Channels; ++c)
                    out[x + c] = tables[c][in[x + c]];
            }
        }
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageHistogramCalculation_Planar8(const vImage_Buffer *source, vImagePixelCount *histogram, vImage_Flags)
{
    if (!histogram)
        return kvImageNullPointerArgument;
    if (vImage_Error status = checkBuffer(source, 1))
        return status;
    Histogram h[1];
    histograms<1>(source, source->width, source->height, h);
    std::copy(h[0].begin(), h[0].end(), histogram);
    return kvImageNoError;
}

vImage_Error vImageHistogramCalculation_PlanarF(const vImage_Buffer *source, vImagePixelCount *histogram,
                                                unsigned int histogramEntries, Pixel_F minVal, Pixel_F maxVal,
                                                vImage_Flags)
{
    if (!histogram)
        return kvImageNullPointerArgument;
    if (vImage_Error status = checkBuffer(source, sizeof(float)))
        return status;
    if (histogramEntries == 0 || !(maxVal > minVal) || !std::isfinite(maxVal - minVal))
        return kvImageInvalidParameter;
    const size_t width = source->width;
    const float scale = float(histogramEntries) / (maxVal - minVal);
    const float lastBin = float(histogramEntries - 1);
    std::fill(histogram, histogram + histogramEntries, 0);
    std::mutex lock; // guards `histogram` while the pieces add their counts
    platform::forEachRowRange(source->height, width * sizeof(float), [&](size_t first, size_t end) {
        std::vector<vImagePixelCount> local(histogramEntries, 0);
        for (size_t y = first; y < end; ++y) {
            const float *p = reinterpret_cast<const float *>(rowOf(source, y));
            for (size_t x = 0; x < width; ++x) {
                const float position = (p[x] - minVal) * scale;
                // NaN and values below the range land in the first bin, the top of it in the last.
                ++local[position > 0.0f ? size_t(std::min(position, lastBin)) : 0];
            }
        }
        std::lock_guard<std::mutex> guard(lock);
        for (unsigned int i = 0; i < histogramEntries; ++i)
            histogram[i] += local[i];
    });
    return kvImageNoError;
}

vImage_Error vImageHistogramCalculation_ARGB8888(const vImage_Buffer *source, vImagePixelCount *histogram[4], vImage_Flags)
{
    if (!histogram || !histogram[0] || !histogram[1] || !histogram[2] || !histogram[3])
        return kvImageNullPointerArgument;
    if (vImage_Error status = checkBuffer(source, 4))
        return status;
    Histogram h[4];
    histograms<4>(source, source->width, source->height, h);
    for (int c = 0; c < 4; ++c)
        std::copy(h[c].begin(), h[c].end(), histogram[c]);
    return kvImageNoError;
}

vImage_Error vImageContrastStretch_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags flags)
{
    return applyTables<1>(source, destination, stretchTable, flags);
}

vImage_Error vImageContrastStretch_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags flags)
{
    return applyTables<4>(source, destination, stretchTable, flags);
}

vImage_Error vImageEqualization_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags flags)
{
    return applyTables<1>(source, destination, equalizeTable, flags);
}

vImage_Error vImageEqualization_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags flags)
{
    return applyTables<4>(source, destination, equalizeTable, flags);
}
