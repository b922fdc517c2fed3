#include "platform/accelerate/vImageGeometry.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace platform::vimage;

namespace {

// ---------------------------------------------------------------- resampling

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

// Output sample i sits at source position (i + 0.5) × `inverse` − 0.5, `inverse` being the
// number of source samples per output sample (pixel centres at whole numbers).
Taps makeTaps(size_t sourceSize, size_t destinationSize, double inverse)
{
    const double stretch = std::max(1.0, inverse); // widen the filter when shrinking
    const double support = kLobes * stretch;
    Taps taps;
    taps.maxCount = std::min(size_t(std::ceil(support * 2.0)) + 2, sourceSize);
    taps.first.resize(destinationSize);
    taps.count.resize(destinationSize);
    taps.weights.assign(destinationSize * taps.maxCount, 0.0f);
    std::vector<double> raw(taps.maxCount);
    for (size_t i = 0; i < destinationSize; ++i) {
        const double centre = (double(i) + 0.5) * inverse - 0.5;
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

template<typename S>
const S *sourceRow(const vImage_Buffer *buffer, size_t y)
{
    return reinterpret_cast<const S *>(rowOf(buffer, y));
}

// Averages boxes of kx × ky source pixels into float samples (the last boxes of a row or
// column may be smaller), the cheap first step of a large reduction.
template<typename S, int Channels>
void boxShrink(const vImage_Buffer *source, size_t kx, size_t ky, std::vector<float> &pixels, vImage_Buffer *out)
{
    const size_t sw = source->width, sh = source->height;
    out->width = (sw + kx - 1) / kx;
    out->height = (sh + ky - 1) / ky;
    out->rowBytes = out->width * Channels * sizeof(float);
    pixels.resize(out->width * Channels * out->height);
    out->data = pixels.data();
    platform::forEachRowRange(out->height, sw * ky * Channels, [&](size_t first, size_t end) {
        std::vector<float> sums(out->width * Channels);
        for (size_t oy = first; oy < end; ++oy) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            const size_t y0 = oy * ky, y1 = std::min(sh, y0 + ky);
            for (size_t y = y0; y < y1; ++y) {
                const S *in = sourceRow<S>(source, y);
                for (size_t ox = 0; ox < out->width; ++ox) {
                    float *sum = sums.data() + ox * Channels;
                    float row[Channels] = {};
                    const S *p = in + ox * kx * Channels, *boxEnd = in + std::min(sw, (ox + 1) * kx) * Channels;
                    for (; p < boxEnd; p += Channels) {
                        for (int c = 0; c < Channels; ++c)
                            row[c] += float(p[c]);
                    }
                    for (int c = 0; c < Channels; ++c)
                        sum[c] += row[c];
                }
            }
            float *row = reinterpret_cast<float *>(rowOf(out, oy));
            for (size_t ox = 0; ox < out->width; ++ox) {
                const float count = float((std::min(sw, (ox + 1) * kx) - ox * kx) * (y1 - y0));
                for (int c = 0; c < Channels; ++c)
                    row[ox * Channels + c] = sums[ox * Channels + c] / count;
            }
        }
    });
}

template<typename T>
void storeRow(const float *values, T *out, size_t count)
{
    if constexpr (sizeof(T) == 1) {
        for (size_t i = 0; i < count; ++i)
            out[i] = T(std::clamp(values[i] + 0.5f, 0.0f, 255.0f));
    } else {
        std::memcpy(out, values, count * sizeof(float));
    }
}

// The separable filter from `source` (samples S) into `destination` (samples T), with
// `inverseX`/`inverseY` source samples per output sample.
template<typename S, typename T, int Channels>
void filter(const vImage_Buffer *source, const vImage_Buffer *destination, double inverseX, double inverseY)
{
    const size_t dw = destination->width, dh = destination->height, sw = source->width;
    const Taps horizontal = makeTaps(sw, dw, inverseX);
    const Taps vertical = makeTaps(source->height, dh, inverseY);

    // Output rows are made in bands; each band filters the source rows it needs
    // horizontally into its own float rows, then filters those vertically.
    constexpr size_t kBand = 32;
    const size_t bands = (dh + kBand - 1) / kBand;
    const size_t rowLength = dw * Channels;
    const size_t bandCost = (size_t(double(kBand) * inverseY) + 6) * (sw + rowLength * horizontal.maxCount) + kBand * rowLength * vertical.maxCount;
    platform::forEachRowRange(bands, bandCost, [&](size_t firstBand, size_t endBand) {
        std::vector<float> rows, line(sizeof(S) == sizeof(float) ? 0 : sw * Channels), acc(rowLength);
        for (size_t band = firstBand; band < endBand; ++band) {
            const size_t y0 = band * kBand, y1 = std::min(dh, y0 + kBand);
            const size_t s0 = vertical.first[y0];
            size_t s1 = s0;
            for (size_t y = y0; y < y1; ++y)
                s1 = std::max(s1, vertical.first[y] + vertical.count[y]);
            rows.resize((s1 - s0) * rowLength);
            for (size_t sy = s0; sy < s1; ++sy) {
                const float *in;
                if constexpr (sizeof(S) == sizeof(float)) {
                    in = sourceRow<float>(source, sy);
                } else {
                    const S *raw = sourceRow<S>(source, sy);
                    for (size_t i = 0; i < sw * Channels; ++i)
                        line[i] = float(raw[i]);
                    in = line.data();
                }
                float *out = rows.data() + (sy - s0) * rowLength;
                for (size_t x = 0; x < dw; ++x) {
                    const float *w = horizontal.weights.data() + x * horizontal.maxCount;
                    const float *p = in + horizontal.first[x] * Channels;
                    const size_t n = horizontal.count[x];
                    if constexpr (Channels == 1) {
                        float sum = 0.0f;
                        for (size_t k = 0; k < n; ++k)
                            sum += w[k] * p[k];
                        out[x] = sum;
                    } else {
                        float sum[Channels] = {};
                        for (size_t k = 0; k < n; ++k, p += Channels) {
                            for (int c = 0; c < Channels; ++c)
                                sum[c] += w[k] * p[c];
                        }
                        for (int c = 0; c < Channels; ++c)
                            out[x * Channels + c] = sum[c];
                    }
                }
            }
            for (size_t y = y0; y < y1; ++y) {
                std::fill(acc.begin(), acc.end(), 0.0f);
                const float *w = vertical.weights.data() + y * vertical.maxCount;
                for (size_t k = 0; k < vertical.count[y]; ++k) {
                    const float *row = rows.data() + (vertical.first[y] + k - s0) * rowLength;
                    const float wk = w[k];
                    for (size_t i = 0; i < rowLength; ++i)
                        acc[i] += wk * row[i];
                }
                storeRow(acc.data(), reinterpret_cast<T *>(rowOf(destination, y)), rowLength);
            }
        }
    });
}

template<typename T, int Channels>
vImage_Error scale(const vImage_Buffer *original, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkBuffer(original, Channels * sizeof(T)))
        return status;
    if (vImage_Error status = checkBuffer(destination, Channels * sizeof(T)))
        return status;
    const double inverseX = double(original->width) / double(destination->width);
    const double inverseY = double(original->height) / double(destination->height);
    // Large reductions first average whole boxes down to two to four times the destination
    // size; the filter then has few taps left to weigh, at no visible cost. The filter's
    // positions are measured in boxes, so the boxes shift nothing.
    const size_t kx = std::max<size_t>(1, original->width / (2 * destination->width));
    const size_t ky = std::max<size_t>(1, original->height / (2 * destination->height));
    if (kx == 1 && ky == 1) {
        filter<T, T, Channels>(original, destination, inverseX, inverseY);
        return kvImageNoError;
    }
    std::vector<float> shrunkPixels;
    vImage_Buffer shrunk;
    boxShrink<T, Channels>(original, kx, ky, shrunkPixels, &shrunk);
    filter<float, T, Channels>(&shrunk, destination, inverseX / double(kx), inverseY / double(ky));
    return kvImageNoError;
}

// ---------------------------------------------------------------- quarter turns

template<typename T>
T *rowAt(const vImage_Buffer *buffer, size_t y)
{
    return reinterpret_cast<T *>(rowOf(buffer, y));
}

template<typename T>
vImage_Error rotate90(const vImage_Buffer *source, const vImage_Buffer *destination, uint8_t code)
{
    if (vImage_Error status = checkBuffer(source, sizeof(T)))
        return status;
    if (vImage_Error status = checkBuffer(destination, sizeof(T)))
        return status;
    if (code > 3)
        return kvImageInvalidParameter;
    const size_t sw = source->width, sh = source->height;
    const bool quarter = code == kRotate90DegreesCounterClockwise || code == kRotate90DegreesClockwise;
    const size_t dw = quarter ? sh : sw, dh = quarter ? sw : sh;
    if (destination->width != dw || destination->height != dh)
        return kvImageBufferSizeMismatch;
    // Tiles of the destination keep the strided reads of a quarter turn inside the cache.
    constexpr size_t kTile = 64;
    const size_t tileRows = (dh + kTile - 1) / kTile;
    platform::forEachRowRange(tileRows, kTile * dw * sizeof(T) * 2, [&](size_t first, size_t end) {
        for (size_t ty = first; ty < end; ++ty) {
            const size_t y0 = ty * kTile, y1 = std::min(dh, y0 + kTile);
            for (size_t x0 = 0; x0 < dw; x0 += kTile) {
                const size_t x1 = std::min(dw, x0 + kTile);
                for (size_t y = y0; y < y1; ++y) {
                    T *out = rowAt<T>(destination, y);
                    switch (code) {
                    case kRotate0DegreesClockwise: {
                        const T *in = rowAt<T>(source, y);
                        std::copy(in + x0, in + x1, out + x0);
                        break;
                    }
                    case kRotate180DegreesClockwise: {
                        const T *in = rowAt<T>(source, sh - 1 - y);
                        for (size_t x = x0; x < x1; ++x)
                            out[x] = in[sw - 1 - x];
                        break;
                    }
                    case kRotate90DegreesCounterClockwise: // source (x, y) lands on (y, width − 1 − x)
                        for (size_t x = x0; x < x1; ++x)
                            out[x] = rowAt<T>(source, x)[sw - 1 - y];
                        break;
                    default: // clockwise: source (x, y) lands on (height − 1 − y, x)
                        for (size_t x = x0; x < x1; ++x)
                            out[x] = rowAt<T>(source, sh - 1 - x)[y];
                        break;
                    }
                }
            }
        }
    });
    return kvImageNoError;
}

// ---------------------------------------------------------------- mirroring

template<typename T>
vImage_Error checkSameSize(const vImage_Buffer *source, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkBuffer(source, sizeof(T)))
        return status;
    if (vImage_Error status = checkBuffer(destination, sizeof(T)))
        return status;
    if (source->width != destination->width || source->height != destination->height)
        return kvImageBufferSizeMismatch;
    return kvImageNoError;
}

template<typename T>
vImage_Error reflectHorizontally(const vImage_Buffer *source, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkSameSize<T>(source, destination))
        return status;
    const size_t width = source->width;
    platform::forEachRowRange(source->height, width * sizeof(T) * 2, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            T *in = rowAt<T>(source, y), *out = rowAt<T>(destination, y);
            if (in == out)
                std::reverse(out, out + width);
            else
                std::reverse_copy(in, in + width, out);
        }
    });
    return kvImageNoError;
}

template<typename T>
vImage_Error reflectVertically(const vImage_Buffer *source, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkSameSize<T>(source, destination))
        return status;
    const size_t height = source->height, bytes = source->width * sizeof(T);
    const bool inPlace = source->data == destination->data && source->rowBytes == destination->rowBytes;
    // In place, rows are exchanged in pairs; otherwise each row is copied once.
    const size_t rows = inPlace ? height / 2 : height;
    platform::forEachRowRange(rows, bytes * 2, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            uint8_t *in = rowOf(source, y), *out = rowOf(destination, height - 1 - y);
            if (inPlace)
                std::swap_ranges(in, in + bytes, out);
            else
                std::memcpy(out, in, bytes);
        }
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageScale_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, void *, vImage_Flags)
{
    return scale<uint8_t, 4>(source, destination);
}

vImage_Error vImageScale_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *, vImage_Flags)
{
    return scale<uint8_t, 1>(source, destination);
}

vImage_Error vImageScale_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, void *, vImage_Flags)
{
    return scale<float, 1>(source, destination);
}

vImage_Error vImageRotate90_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                    uint8_t rotationConstant, Pixel_8, vImage_Flags)
{
    return rotate90<uint8_t>(source, destination, rotationConstant);
}

vImage_Error vImageRotate90_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                    uint8_t rotationConstant, Pixel_F, vImage_Flags)
{
    return rotate90<float>(source, destination, rotationConstant);
}

vImage_Error vImageHorizontalReflect_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                             vImage_Flags)
{
    return reflectHorizontally<uint8_t>(source, destination);
}

vImage_Error vImageHorizontalReflect_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                             vImage_Flags)
{
    return reflectHorizontally<float>(source, destination);
}

vImage_Error vImageVerticalReflect_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                           vImage_Flags)
{
    return reflectVertically<uint8_t>(source, destination);
}

vImage_Error vImageVerticalReflect_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                           vImage_Flags)
{
    return reflectVertically<float>(source, destination);
}
