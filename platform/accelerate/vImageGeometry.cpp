#include "platform/accelerate/vImageGeometry.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

template<typename T>
T clampedSample(float value)
{
    if constexpr (sizeof(T) == 1)
        return T(std::clamp(value + 0.5f, 0.0f, 255.0f));
    else
        return value;
}

// The resampler reads its source through a row reader, which hands out one source row as
// `Channels` floats a pixel, and writes through a row writer, which takes one finished row of
// floats. Two kinds of each: one interleaved buffer as it is, and four planes with straight
// alpha, read premultiplied and written back divided by the new alpha.

// An interleaved buffer of samples S: float rows are used in place, others converted.
template<typename S, int Channels>
struct InterleavedReader
{
    static constexpr int channels = Channels;
    const vImage_Buffer *buffer;
    size_t width() const { return buffer->width; }
    size_t height() const { return buffer->height; }
    const float *row(size_t y, float *line) const
    {
        const S *raw = sourceRow<S>(buffer, y);
        if constexpr (sizeof(S) == sizeof(float)) {
            return raw;
        } else {
            for (size_t i = 0; i < buffer->width * Channels; ++i)
                line[i] = float(raw[i]);
            return line;
        }
    }
};

template<typename T, int Channels>
struct InterleavedWriter
{
    const vImage_Buffer *buffer;
    void write(size_t y, const float *values) const
    {
        T *out = reinterpret_cast<T *>(rowOf(buffer, y));
        if constexpr (sizeof(T) == 1) {
            for (size_t i = 0; i < buffer->width * Channels; ++i)
                out[i] = clampedSample<T>(values[i]);
        } else {
            std::memcpy(out, values, buffer->width * Channels * sizeof(float));
        }
    }
};

// Red, green, blue and alpha planes of samples S (straight alpha) as rows of premultiplied
// pixels: colour × alpha / full scale, then alpha, so that transparent pixels lend no colour
// to their neighbours.
template<typename S>
struct PremultipliedReader
{
    static constexpr int channels = 4;
    const vImage_Buffer *planes; // four
    size_t width() const { return planes[0].width; }
    size_t height() const { return planes[0].height; }
    const float *row(size_t y, float *line) const
    {
        const S *r = sourceRow<S>(&planes[0], y), *g = sourceRow<S>(&planes[1], y), *b = sourceRow<S>(&planes[2], y),
                *a = sourceRow<S>(&planes[3], y);
        constexpr float unit = sizeof(S) == 1 ? 1.0f / 255.0f : 1.0f;
        for (size_t x = 0, w = width(); x < w; ++x) {
            const float alpha = float(a[x]), k = alpha * unit;
            line[4 * x] = float(r[x]) * k;
            line[4 * x + 1] = float(g[x]) * k;
            line[4 * x + 2] = float(b[x]) * k;
            line[4 * x + 3] = alpha;
        }
        return line;
    }
};

// Below this alpha (float scale) a resampled pixel counts as transparent: its colour would
// be the quotient of two rounding residues.
constexpr float kTransparentF = 1.0f / 65536.0f;

// Premultiplied rows back into four planes of samples T with straight alpha: the colour
// divided by the resampled alpha. Transparent results take colour 0.
template<typename T>
struct UnpremultipliedWriter
{
    const vImage_Buffer *planes; // four
    void write(size_t y, const float *values) const
    {
        T *r = reinterpret_cast<T *>(rowOf(&planes[0], y)), *g = reinterpret_cast<T *>(rowOf(&planes[1], y)),
          *b = reinterpret_cast<T *>(rowOf(&planes[2], y)), *a = reinterpret_cast<T *>(rowOf(&planes[3], y));
        for (size_t x = 0, w = planes[0].width; x < w; ++x) {
            const float *v = values + 4 * x;
            const T alpha = clampedSample<T>(v[3]);
            a[x] = alpha;
            const bool clear = sizeof(T) == 1 ? alpha == 0 : !(v[3] > kTransparentF);
            const float k = clear ? 0.0f : (sizeof(T) == 1 ? 255.0f : 1.0f) / v[3];
            r[x] = clampedSample<T>(v[0] * k);
            g[x] = clampedSample<T>(v[1] * k);
            b[x] = clampedSample<T>(v[2] * k);
        }
    }
};

// Averages boxes of kx × ky source pixels into float samples (the last boxes of a row or
// column may be smaller), the cheap first step of a large reduction.
template<typename Reader>
void boxShrink(const Reader &source, size_t kx, size_t ky, std::vector<float> &pixels, vImage_Buffer *out)
{
    constexpr int Channels = Reader::channels;
    const size_t sw = source.width(), sh = source.height();
    out->width = (sw + kx - 1) / kx;
    out->height = (sh + ky - 1) / ky;
    out->rowBytes = out->width * Channels * sizeof(float);
    pixels.resize(out->width * Channels * out->height);
    out->data = pixels.data();
    platform::forEachRowRange(out->height, sw * ky * Channels, [&](size_t first, size_t end) {
        std::vector<float> sums(out->width * Channels), line(sw * Channels);
        for (size_t oy = first; oy < end; ++oy) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            const size_t y0 = oy * ky, y1 = std::min(sh, y0 + ky);
            for (size_t y = y0; y < y1; ++y) {
                const float *in = source.row(y, line.data());
                for (size_t ox = 0; ox < out->width; ++ox) {
                    float *sum = sums.data() + ox * Channels;
                    float row[Channels] = {};
                    const float *p = in + ox * kx * Channels, *boxEnd = in + std::min(sw, (ox + 1) * kx) * Channels;
                    for (; p < boxEnd; p += Channels) {
                        for (int c = 0; c < Channels; ++c)
                            row[c] += p[c];
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

// One source row filtered along the row into dw samples of `Channels` each.
template<int Channels>
void filterRow(const float *in, float *out, const Taps &horizontal, size_t dw)
{
    const float *weights = horizontal.weights.data();
    const size_t stride = horizontal.maxCount;
    size_t x = 0;
    if constexpr (Channels == 1) {
        // Four output samples at a time: four independent sums instead of one chain of
        // dependent additions. Each sum still adds its taps in order, so the results are
        // those of one sample at a time, bit for bit.
        for (; x + 4 <= dw; x += 4) {
            const float *w0 = weights + x * stride, *w1 = w0 + stride, *w2 = w1 + stride, *w3 = w2 + stride;
            const float *p0 = in + horizontal.first[x], *p1 = in + horizontal.first[x + 1],
                        *p2 = in + horizontal.first[x + 2], *p3 = in + horizontal.first[x + 3];
            const size_t n0 = horizontal.count[x], n1 = horizontal.count[x + 1], n2 = horizontal.count[x + 2],
                         n3 = horizontal.count[x + 3];
            const size_t common = std::min(std::min(n0, n1), std::min(n2, n3));
            float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
            size_t k = 0;
            for (; k < common; ++k) {
                s0 += w0[k] * p0[k];
                s1 += w1[k] * p1[k];
                s2 += w2[k] * p2[k];
                s3 += w3[k] * p3[k];
            }
            for (size_t j = k; j < n0; ++j)
                s0 += w0[j] * p0[j];
            for (size_t j = k; j < n1; ++j)
                s1 += w1[j] * p1[j];
            for (size_t j = k; j < n2; ++j)
                s2 += w2[j] * p2[j];
            for (size_t j = k; j < n3; ++j)
                s3 += w3[j] * p3[j];
            out[x] = s0;
            out[x + 1] = s1;
            out[x + 2] = s2;
            out[x + 3] = s3;
        }
    }
    for (; x < dw; ++x) {
        const float *w = weights + x * stride;
        const float *p = in + horizontal.first[x] * Channels;
        const size_t n = horizontal.count[x];
        float sum[Channels] = {};
        for (size_t k = 0; k < n; ++k, p += Channels) {
            for (int c = 0; c < Channels; ++c)
                sum[c] += w[k] * p[c];
        }
        for (int c = 0; c < Channels; ++c)
            out[x * Channels + c] = sum[c];
    }
}

#if defined(__SSE2__)
// Four source rows of one sample each filtered along the row at once: the rows are laid side by
// side (sample x of the four rows next to each other), so each tap is one load and one product
// for all four. Every row's sum adds its taps in order with a product and a sum each, as
// filterRow does, so the results are the same bit for bit. `quad` holds 4 × the row length.
template<typename Reader>
void filterFourRows(const Reader &source, size_t firstRow, float *quad, float *line, float *const out[4],
                    const Taps &horizontal, size_t dw)
{
    const size_t sw = source.width();
    for (size_t i = 0; i < 4; ++i) {
        const float *row = source.row(firstRow + i, line);
        for (size_t x = 0; x < sw; ++x)
            quad[4 * x + i] = row[x];
    }
    const float *weights = horizontal.weights.data();
    const size_t stride = horizontal.maxCount;
    auto tap = [](__m128 sums, float weight, const float *samples) {
        return _mm_add_ps(sums, _mm_mul_ps(_mm_set1_ps(weight), _mm_loadu_ps(samples)));
    };
    auto store = [&](size_t x, __m128 sums) {
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, sums);
        for (size_t i = 0; i < 4; ++i)
            out[i][x] = lanes[i];
    };
    size_t x = 0;
    // Four output samples side by side as well: four independent chains of sums keep the
    // processor's adders busy, each chain still adding its own taps in order.
    for (; x + 4 <= dw; x += 4) {
        const float *w[4], *q[4];
        size_t n[4];
        for (size_t j = 0; j < 4; ++j) {
            w[j] = weights + (x + j) * stride;
            q[j] = quad + 4 * horizontal.first[x + j];
            n[j] = horizontal.count[x + j];
        }
        const size_t common = std::min(std::min(n[0], n[1]), std::min(n[2], n[3]));
        __m128 s0 = _mm_setzero_ps(), s1 = _mm_setzero_ps(), s2 = _mm_setzero_ps(), s3 = _mm_setzero_ps();
        for (size_t k = 0; k < common; ++k) {
            s0 = tap(s0, w[0][k], q[0] + 4 * k);
            s1 = tap(s1, w[1][k], q[1] + 4 * k);
            s2 = tap(s2, w[2][k], q[2] + 4 * k);
            s3 = tap(s3, w[3][k], q[3] + 4 * k);
        }
        __m128 *sums[4] = {&s0, &s1, &s2, &s3};
        for (size_t j = 0; j < 4; ++j) {
            for (size_t k = common; k < n[j]; ++k)
                *sums[j] = tap(*sums[j], w[j][k], q[j] + 4 * k);
            store(x + j, *sums[j]);
        }
    }
    for (; x < dw; ++x) {
        const float *w = weights + x * stride;
        const float *q = quad + 4 * horizontal.first[x];
        __m128 sums = _mm_setzero_ps();
        for (size_t k = 0, n = horizontal.count[x]; k < n; ++k)
            sums = tap(sums, w[k], q + 4 * k);
        store(x, sums);
    }
}
#endif

// The separable filter from each of `planes` sources into its dw × dh destination (all of one
// size), with `inverseX`/`inverseY` source samples per output sample: one parallel pass over
// bands of output rows, every plane's band in turn, so the taps are made once and each
// processor works on its own rows of all planes.
template<typename Reader, typename Writer>
void filter(const Reader *sources, const Writer *destinations, size_t planes, size_t dw, size_t dh, double inverseX,
            double inverseY)
{
    constexpr int Channels = Reader::channels;
    const size_t sw = sources[0].width();
    const Taps horizontal = makeTaps(sw, dw, inverseX);
    const Taps vertical = makeTaps(sources[0].height(), dh, inverseY);

    // Output rows are made in bands; each band filters the source rows it needs horizontally
    // into float rows, then filters those vertically. Consecutive bands of one piece share
    // source rows at their seam: those filtered for the band before are kept, not redone.
    constexpr size_t kBand = 32;
    const size_t bands = (dh + kBand - 1) / kBand;
    const size_t rowLength = dw * Channels;
    const size_t bandCost =
        planes * ((size_t(double(kBand) * inverseY) + 6) * (sw + rowLength * horizontal.maxCount) +
                  kBand * rowLength * vertical.maxCount);
    platform::forEachRowRange(bands, bandCost, [&](size_t firstBand, size_t endBand) {
        struct Filtered
        {
            std::vector<float> rows; // source rows [first, end) filtered along the row
            size_t first = 0, end = 0;
        };
        std::vector<Filtered> filtered(planes);
        std::vector<float> line(sw * Channels), acc(rowLength);
#if defined(__SSE2__)
        std::vector<float> quad(Channels == 1 ? 4 * sw : 0);
#endif
        for (size_t band = firstBand; band < endBand; ++band) {
            const size_t y0 = band * kBand, y1 = std::min(dh, y0 + kBand);
            const size_t s0 = vertical.first[y0];
            size_t s1 = s0;
            for (size_t y = y0; y < y1; ++y)
                s1 = std::max(s1, vertical.first[y] + vertical.count[y]);
            for (size_t p = 0; p < planes; ++p) {
                Filtered &f = filtered[p];
                // The rows kept from the band before move to the front.
                const size_t kept = f.first <= s0 && s0 < f.end ? std::min(f.end, s1) - s0 : 0;
                if (kept && s0 > f.first)
                    std::memmove(f.rows.data(), f.rows.data() + (s0 - f.first) * rowLength,
                                 kept * rowLength * sizeof(float));
                f.rows.resize((s1 - s0) * rowLength);
                f.first = s0;
                f.end = s1;
                size_t sy = s0 + kept;
#if defined(__SSE2__)
                if constexpr (Channels == 1) {
                    for (; sy + 4 <= s1; sy += 4) {
                        float *const out[4] = {f.rows.data() + (sy - s0) * rowLength,
                                               f.rows.data() + (sy + 1 - s0) * rowLength,
                                               f.rows.data() + (sy + 2 - s0) * rowLength,
                                               f.rows.data() + (sy + 3 - s0) * rowLength};
                        filterFourRows(sources[p], sy, quad.data(), line.data(), out, horizontal, dw);
                    }
                }
#endif
                for (; sy < s1; ++sy)
                    filterRow<Channels>(sources[p].row(sy, line.data()), f.rows.data() + (sy - s0) * rowLength,
                                        horizontal, dw);
                for (size_t y = y0; y < y1; ++y) {
                    std::fill(acc.begin(), acc.end(), 0.0f);
                    const float *w = vertical.weights.data() + y * vertical.maxCount;
                    for (size_t k = 0; k < vertical.count[y]; ++k) {
                        const float *row = f.rows.data() + (vertical.first[y] + k - s0) * rowLength;
                        const float wk = w[k];
                        for (size_t i = 0; i < rowLength; ++i)
                            acc[i] += wk * row[i];
                    }
                    destinations[p].write(y, acc.data());
                }
            }
        }
    });
}

template<typename Reader, typename Writer>
void scale(const Reader *sources, const Writer *destinations, size_t planes, size_t dw, size_t dh)
{
    const double inverseX = double(sources[0].width()) / double(dw);
    const double inverseY = double(sources[0].height()) / double(dh);
    // Large reductions first average whole boxes down to two to four times the destination
    // size; the filter then has few taps left to weigh, at no visible cost. The filter's
    // positions are measured in boxes, so the boxes shift nothing.
    const size_t kx = std::max<size_t>(1, sources[0].width() / (2 * dw));
    const size_t ky = std::max<size_t>(1, sources[0].height() / (2 * dh));
    if (kx == 1 && ky == 1) {
        filter(sources, destinations, planes, dw, dh, inverseX, inverseY);
        return;
    }
    using Shrunk = InterleavedReader<float, Reader::channels>;
    std::vector<std::vector<float>> shrunkPixels(planes);
    std::vector<vImage_Buffer> shrunk(planes);
    std::vector<Shrunk> readers;
    for (size_t p = 0; p < planes; ++p) {
        boxShrink(sources[p], kx, ky, shrunkPixels[p], &shrunk[p]);
        readers.push_back(Shrunk{&shrunk[p]});
    }
    filter(readers.data(), destinations, planes, dw, dh, inverseX / double(kx), inverseY / double(ky));
}

template<typename T, int Channels>
vImage_Error scale(const vImage_Buffer *original, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkBuffer(original, Channels * sizeof(T)))
        return status;
    if (vImage_Error status = checkBuffer(destination, Channels * sizeof(T)))
        return status;
    const InterleavedReader<T, Channels> reader{original};
    const InterleavedWriter<T, Channels> writer{destination};
    scale(&reader, &writer, 1, destination->width, destination->height);
    return kvImageNoError;
}

// Planes of one size resampled together into planes of another size, each alike.
// Each of `count` sources and destinations is a valid plane of `sampleBytes` samples, the
// sources all of one size and the destinations all of one size.
vImage_Error checkPlaneSets(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count,
                            size_t sampleBytes)
{
    for (size_t k = 0; k < count; ++k) {
        if (vImage_Error status = checkBuffer(&sources[k], sampleBytes))
            return status;
        if (vImage_Error status = checkBuffer(&destinations[k], sampleBytes))
            return status;
        if (sources[k].width != sources[0].width || sources[k].height != sources[0].height ||
            destinations[k].width != destinations[0].width || destinations[k].height != destinations[0].height)
            return kvImageBufferSizeMismatch;
    }
    return kvImageNoError;
}

template<typename T>
vImage_Error scalePlanes(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count)
{
    if (!sources || !destinations)
        return kvImageNullPointerArgument;
    if (count == 0 || count > 4)
        return kvImageInvalidParameter;
    if (vImage_Error status = checkPlaneSets(sources, destinations, count, sizeof(T)))
        return status;
    std::vector<InterleavedReader<T, 1>> readers;
    std::vector<InterleavedWriter<T, 1>> writers;
    for (size_t k = 0; k < count; ++k) {
        readers.push_back({&sources[k]});
        writers.push_back({&destinations[k]});
    }
    scale(readers.data(), writers.data(), count, destinations[0].width, destinations[0].height);
    return kvImageNoError;
}

template<typename T>
vImage_Error scaleStraightAlpha(const vImage_Buffer sources[4], const vImage_Buffer destinations[4])
{
    if (!sources || !destinations)
        return kvImageNullPointerArgument;
    if (vImage_Error status = checkPlaneSets(sources, destinations, 4, sizeof(T)))
        return status;
    const PremultipliedReader<T> reader{sources};
    const UnpremultipliedWriter<T> writer{destinations};
    scale(&reader, &writer, 1, destinations[0].width, destinations[0].height);
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

vImage_Error MCScalePlanes_Planar8(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count)
{
    return scalePlanes<uint8_t>(sources, destinations, count);
}

vImage_Error MCScalePlanes_PlanarF(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count)
{
    return scalePlanes<float>(sources, destinations, count);
}

vImage_Error MCScaleStraightAlpha_Planar8(const vImage_Buffer sources[4], const vImage_Buffer destinations[4])
{
    return scaleStraightAlpha<uint8_t>(sources, destinations);
}

vImage_Error MCScaleStraightAlpha_PlanarF(const vImage_Buffer sources[4], const vImage_Buffer destinations[4])
{
    return scaleStraightAlpha<float>(sources, destinations);
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
