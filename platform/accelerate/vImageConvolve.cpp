#include "platform/accelerate/vImageConvolve.h"

#include "platform/accelerate/MCPixelKernel.h"
#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

using namespace platform::vimage;

namespace {

enum class Edge { Truncate, Extend, Background, CopyInPlace };

// One axis-aligned block of equal weight, in tap offsets from the kernel's centre: columns
// [x0, x1) and rows [y0, y1).
struct Block
{
    long x0, x1, y0, y1;
    double weight;
};

struct Job
{
    const vImage_Buffer *source;
    const vImage_Buffer *destination;
    bool bytes; // 8-bit samples (else floats)
    long offsetX, offsetY;
    long kw, kh, rx, ry;
    std::vector<double> kernel; // row by row
    double divisor;
    double total; // sum of all weights
    double background;
    Edge edge;
    std::vector<double> rowPrefix; // per kernel row: kw + 1 running sums of its weights

    long sw() const { return long(source->width); }
    long sh() const { return long(source->height); }
    size_t dw() const { return destination->width; }
    double weight(long i, long j) const { return kernel[size_t(j * kw + i)]; }

    double sample(long x, long y) const
    {
        const uint8_t *row = rowOf(source, size_t(y));
        return bytes ? double(row[x]) : double(reinterpret_cast<const float *>(row)[x]);
    }

    // Destination columns [lo, hi) whose source column plus `dx` lies inside the source.
    void insideColumns(long dx, long &lo, long &hi) const
    {
        lo = std::clamp(-(offsetX + dx), 0L, long(dw()));
        hi = std::clamp(sw() - offsetX - dx, lo, long(dw()));
    }

    void prepareEdges()
    {
        rowPrefix.assign(size_t((kw + 1) * kh), 0.0);
        for (long j = 0; j < kh; ++j)
            for (long i = 0; i < kw; ++i)
                rowPrefix[size_t(j * (kw + 1) + i + 1)] = rowPrefix[size_t(j * (kw + 1) + i)] + weight(i, j);
    }

    // The weights of the taps inside the source for destination pixel (x, y).
    double insideWeight(long x, long y) const
    {
        const long cx = offsetX + x, cy = offsetY + y;
        const long first = std::clamp(rx - cx, 0L, kw), end = std::clamp(sw() - cx + rx, first, kw);
        double sum = 0.0;
        for (long j = std::max(0L, ry - cy); j < std::min(kh, sh() - cy + ry); ++j)
            sum += rowPrefix[size_t(j * (kw + 1) + end)] - rowPrefix[size_t(j * (kw + 1) + first)];
        return sum;
    }

    template<typename Sample>
    static void store(uint8_t *row, size_t x, double value)
    {
        if constexpr (sizeof(Sample) == 1)
            row[x] = platform::pixel::roundSaturate8(float(value));
        else
            reinterpret_cast<float *>(row)[x] = float(value);
    }

    template<typename Sample>
    void finishRow(size_t y, const double *sums) const
    {
        uint8_t *out = rowOf(destination, y);
        const double inverse = 1.0 / divisor;
        const long width = long(dw());
        for (long x = 0; x < width; ++x)
            store<Sample>(out, size_t(x), sums[x] * inverse);
        if (edge == Edge::Extend)
            return; // every tap counted, the edge pixels standing in for those outside
        // Pixels whose kernel leaves the source: those of the edge rows, else the columns at
        // each side.
        const long cy = offsetY + long(y);
        const bool edgeRow = cy - ry < 0 || cy + ry >= sh();
        const long leftEnd = edgeRow ? width : std::clamp(rx - offsetX, 0L, width);
        const long rightStart = edgeRow ? width : std::clamp(sw() - rx - offsetX, leftEnd, width);
        const auto fix = [&](long x) {
            const long sx = offsetX + x;
            if (edge == Edge::CopyInPlace) {
                const uint8_t *in = rowOf(source, size_t(cy));
                store<Sample>(out, size_t(x), double(reinterpret_cast<const Sample *>(in)[sx]));
                return;
            }
            const double inside = insideWeight(x, long(y));
            double sum = sums[x];
            if (edge == Edge::Truncate && inside != 0.0)
                sum = sum * total / inside;
            else if (edge == Edge::Background)
                sum += background * (total - inside);
            store<Sample>(out, size_t(x), sum * inverse);
        };
        for (long x = 0; x < leftEnd; ++x)
            fix(x);
        for (long x = rightStart; x < width; ++x)
            fix(x);
    }

    void finishRow(size_t y, const double *sums) const
    {
        if (bytes)
            finishRow<uint8_t>(y, sums);
        else
            finishRow<float>(y, sums);
    }
};

// ---------------------------------------------------------------- tap by tap

void convolveDirect(const Job &job)
{
    const size_t dw = job.dw();
    platform::forEachRowRange(job.destination->height, dw * size_t(job.kw * job.kh), [&](size_t first, size_t end) {
        std::vector<double> sums(dw);
        for (size_t y = first; y < end; ++y) {
            std::fill(sums.begin(), sums.end(), 0.0);
            const long cy = job.offsetY + long(y);
            for (long j = 0; j < job.kh; ++j) {
                long sy = cy + j - job.ry;
                if (sy < 0 || sy >= job.sh()) {
                    if (job.edge != Edge::Extend)
                        continue;
                    sy = std::clamp(sy, 0L, job.sh() - 1);
                }
                for (long i = 0; i < job.kw; ++i) {
                    const double w = job.weight(i, j);
                    if (w == 0.0)
                        continue;
                    const long dx = i - job.rx;
                    long lo, hi;
                    job.insideColumns(dx, lo, hi);
                    const long base = job.offsetX + dx;
                    if (job.bytes) {
                        const uint8_t *row = rowOf(job.source, size_t(sy));
                        for (long x = lo; x < hi; ++x)
                            sums[size_t(x)] += w * double(row[base + x]);
                    } else {
                        const float *row = reinterpret_cast<const float *>(rowOf(job.source, size_t(sy)));
                        for (long x = lo; x < hi; ++x)
                            sums[size_t(x)] += w * double(row[base + x]);
                    }
                    if (job.edge == Edge::Extend) { // the edge pixels stand in for the columns outside
                        const double left = job.sample(0, sy), right = job.sample(job.sw() - 1, sy);
                        for (long x = 0; x < lo; ++x)
                            sums[size_t(x)] += w * left;
                        for (long x = hi; x < long(dw); ++x)
                            sums[size_t(x)] += w * right;
                    }
                }
            }
            job.finishRow(y, sums.data());
        }
    });
}

// ---------------------------------------------------------------- a column times a row

// kernel[j][i] = column[j] × row[i], when it is (to float precision for float kernels, exactly
// for integer ones).
bool factorize(const Job &job, bool exact, std::vector<double> &column, std::vector<double> &row)
{
    long p = 0, q = 0;
    double largest = 0.0;
    for (long j = 0; j < job.kh; ++j)
        for (long i = 0; i < job.kw; ++i)
            if (std::fabs(job.weight(i, j)) > largest) {
                largest = std::fabs(job.weight(i, j));
                p = j;
                q = i;
            }
    if (largest == 0.0)
        return false;
    const double pivot = job.weight(q, p);
    column.resize(size_t(job.kh));
    row.resize(size_t(job.kw));
    for (long j = 0; j < job.kh; ++j)
        column[size_t(j)] = job.weight(q, j);
    for (long i = 0; i < job.kw; ++i)
        row[size_t(i)] = job.weight(i, p) / pivot;
    const double tolerance = exact ? 0.0 : largest * 1e-6;
    for (long j = 0; j < job.kh; ++j)
        for (long i = 0; i < job.kw; ++i) {
            const double k = job.weight(i, j);
            if (exact ? k * pivot != job.weight(q, j) * job.weight(i, p) : std::fabs(k - column[size_t(j)] * row[size_t(i)]) > tolerance)
                return false;
        }
    return true;
}

vImage_Error convolveSeparable(const Job &job, const std::vector<double> &column, const std::vector<double> &rowWeights)
{
    const size_t dw = job.dw();
    const long firstRow = std::max(0L, job.offsetY - job.ry);
    const long endRow = std::min(job.sh(), job.offsetY + long(job.destination->height) + job.ry);
    const size_t rows = size_t(std::max(0L, endRow - firstRow));
    std::unique_ptr<float[]> horizontal(new (std::nothrow) float[std::max<size_t>(1, rows * dw)]);
    if (!horizontal)
        return kvImageMemoryAllocationError;
    const std::vector<float> weights(rowWeights.begin(), rowWeights.end());

    // Pass 1: every source row the destination needs, filtered along the row.
    platform::forEachRowRange(rows, dw * size_t(job.kw), [&](size_t first, size_t end) {
        std::vector<float> padded(dw + size_t(job.kw) - 1);
        for (size_t r = first; r < end; ++r) {
            const long sy = firstRow + long(r);
            // padded[x + i] is the source sample under tap i of destination column x (0 outside).
            for (size_t k = 0; k < padded.size(); ++k) {
                const long sx = job.offsetX + long(k) - job.rx;
                padded[k] = sx >= 0 && sx < job.sw() ? float(job.sample(sx, sy)) : 0.0f;
            }
            float *out = horizontal.get() + r * dw;
            std::fill(out, out + dw, 0.0f);
            for (long i = 0; i < job.kw; ++i) {
                const float w = weights[size_t(i)];
                const float *in = padded.data() + i;
                for (size_t x = 0; x < dw; ++x)
                    out[x] += w * in[x];
            }
        }
    });

    // Pass 2: the filtered rows combined down each column.
    platform::forEachRowRange(job.destination->height, dw * size_t(job.kh), [&](size_t first, size_t end) {
        std::vector<float> acc(dw);
        std::vector<double> sums(dw);
        for (size_t y = first; y < end; ++y) {
            std::fill(acc.begin(), acc.end(), 0.0f);
            for (long j = 0; j < job.kh; ++j) {
                const long sy = job.offsetY + long(y) + j - job.ry;
                if (sy < 0 || sy >= job.sh())
                    continue;
                const float w = float(column[size_t(j)]);
                const float *in = horizontal.get() + size_t(sy - firstRow) * dw;
                for (size_t x = 0; x < dw; ++x)
                    acc[x] += w * in[x];
            }
            for (size_t x = 0; x < dw; ++x)
                sums[x] = acc[x];
            job.finishRow(y, sums.data());
        }
    });
    return kvImageNoError;
}

// ---------------------------------------------------------------- constant blocks

// The kernel as a sum of weighted blocks: the whole kernel at its smallest weight, then for
// each larger weight the set of taps that reach it, at the step between the two weights. Each
// set must cover one run of columns per row; rows with the same run make one block. Empty
// when that fails or more than `limit` blocks would be needed.
std::vector<Block> blocksOf(const Job &job, size_t limit)
{
    std::vector<double> levels(job.kernel);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    std::vector<Block> blocks;
    if (levels.front() != 0.0)
        blocks.push_back({-job.rx, job.kw - job.rx, -job.ry, job.kh - job.ry, levels.front()});
    for (size_t t = 1; t < levels.size(); ++t) {
        const double step = levels[t] - levels[t - 1];
        long openStart = 0, openEnd = 0, openRow = -1; // the block being grown
        for (long j = 0; j <= job.kh; ++j) {
            long start = 0, end = 0; // this row's run of taps at or above the level
            if (j < job.kh) {
                long i = 0;
                while (i < job.kw && job.weight(i, j) < levels[t])
                    ++i;
                start = end = i;
                while (end < job.kw && job.weight(end, j) >= levels[t])
                    ++end;
                for (long k = end; k < job.kw; ++k)
                    if (job.weight(k, j) >= levels[t])
                        return {}; // two runs in one row
            }
            if (openRow >= 0 && (start != openStart || end != openEnd)) {
                blocks.push_back({openStart - job.rx, openEnd - job.rx, openRow - job.ry, j - job.ry, step});
                openRow = -1;
            }
            if (openRow < 0 && end > start) {
                openRow = j;
                openStart = start;
                openEnd = end;
            }
            if (blocks.size() > limit)
                return {};
        }
    }
    return blocks;
}

// Running sums: table[y][x] is the sum of source samples in rows [0, y), columns [0, x).
// 8-bit samples sum in unsigned 32-bit arithmetic: differences of the table wrap back to the
// exact sum of any block under 2^32 (a 127 × 127 block of 255 is 4.1 million), at half the
// memory of doubles and with integer adds that vectorise.
template<typename Sum, typename Sample>
vImage_Error convolveBlocks(const Job &job, const std::vector<Block> &blocks)
{
    const size_t sw = job.source->width, sh = job.source->height, stride = sw + 1;
    std::unique_ptr<Sum[]> table(new (std::nothrow) Sum[stride * (sh + 1)]);
    if (!table)
        return kvImageMemoryAllocationError;
    std::fill(table.get(), table.get() + stride, Sum(0));
    platform::forEachRowRange(sh, sw, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const Sample *in = reinterpret_cast<const Sample *>(rowOf(job.source, y));
            Sum *out = table.get() + (y + 1) * stride;
            Sum sum = 0;
            out[0] = 0;
            for (size_t x = 0; x < sw; ++x) {
                sum += Sum(in[x]);
                out[x + 1] = sum;
            }
        }
    });
    // Down the columns, in column strips so the pieces stay independent.
    platform::forEachRowRange(stride, sh, [&](size_t first, size_t end) {
        for (size_t y = 1; y <= sh; ++y) {
            Sum *out = table.get() + y * stride;
            const Sum *above = out - stride;
            for (size_t x = first; x < end; ++x)
                out[x] += above[x];
        }
    });

    const size_t dw = job.dw();
    platform::forEachRowRange(job.destination->height, dw * blocks.size() * 4, [&](size_t first, size_t end) {
        std::vector<double> sums(dw);
        std::vector<Sum> blockSum(dw);
        for (size_t y = first; y < end; ++y) {
            std::fill(sums.begin(), sums.end(), 0.0);
            const long cy = job.offsetY + long(y);
            for (const Block &b : blocks) {
                const long top = std::clamp(cy + b.y0, 0L, long(sh)), bottom = std::clamp(cy + b.y1, 0L, long(sh));
                if (top >= bottom)
                    continue;
                const Sum *upper = table.get() + size_t(top) * stride, *lower = table.get() + size_t(bottom) * stride;
                // Columns whose block lies wholly inside the source: no clipping.
                long lo, hi, lo1, hi1;
                job.insideColumns(b.x0, lo, hi);
                job.insideColumns(b.x1 - 1, lo1, hi1);
                const long from = std::max(lo, lo1), to = std::max(from, std::min(hi, hi1));
                const Sum *ul = upper + job.offsetX + b.x0, *ur = upper + job.offsetX + b.x1;
                const Sum *ll = lower + job.offsetX + b.x0, *lr = lower + job.offsetX + b.x1;
                for (long x = from; x < to; ++x)
                    blockSum[size_t(x)] = Sum(lr[x] - ur[x] - ll[x] + ul[x]);
                for (long x = from; x < to; ++x)
                    sums[size_t(x)] += b.weight * double(blockSum[size_t(x)]);
                const long left = job.offsetX + b.x0, right = job.offsetX + b.x1;
                const auto clipped = [&](long x) {
                    const long a = std::clamp(left + x, 0L, long(sw)), c = std::clamp(right + x, 0L, long(sw));
                    if (a >= c)
                        return;
                    sums[size_t(x)] += b.weight * double(Sum(lower[c] - upper[c] - lower[a] + upper[a]));
                };
                for (long x = 0; x < from; ++x)
                    clipped(x);
                for (long x = std::max(from, to); x < long(dw); ++x)
                    clipped(x);
            }
            job.finishRow(y, sums.data());
        }
    });
    return kvImageNoError;
}

// ---------------------------------------------------------------- the common entry

vImage_Error convolve(Job &job, void *, uint32_t kernelHeight, uint32_t kernelWidth, vImage_Flags flags)
{
    const size_t sampleBytes = job.bytes ? 1 : sizeof(float);
    if (vImage_Error status = checkBuffer(job.source, sampleBytes))
        return status;
    if (vImage_Error status = checkBuffer(job.destination, sampleBytes))
        return status;
    if (job.source->data == job.destination->data)
        return kvImageOutOfPlaceOperationRequired;
    if (size_t(job.offsetX) + job.destination->width > job.source->width ||
        size_t(job.offsetY) + job.destination->height > job.source->height)
        return kvImageRoiLargerThanInputBuffer;
    if (kernelWidth % 2 == 0 || kernelHeight % 2 == 0)
        return kvImageInvalidKernelSize;
    if (job.divisor == 0.0)
        return kvImageInvalidParameter;
    switch (flags & (kvImageTruncateKernel | kvImageEdgeExtend | kvImageBackgroundColorFill | kvImageCopyInPlace)) {
    case kvImageTruncateKernel: job.edge = Edge::Truncate; break;
    case kvImageEdgeExtend: job.edge = Edge::Extend; break;
    case kvImageBackgroundColorFill: job.edge = Edge::Background; break;
    case kvImageCopyInPlace: job.edge = Edge::CopyInPlace; break;
    default: return kvImageInvalidEdgeStyle;
    }
    job.kw = long(kernelWidth);
    job.kh = long(kernelHeight);
    job.rx = job.kw / 2;
    job.ry = job.kh / 2;
    job.prepareEdges();
    job.total = 0.0;
    size_t taps = 0;
    for (double w : job.kernel) {
        job.total += w;
        taps += w != 0.0;
    }

    // The cheapest way for this kernel's shape. Extending the edges needs the tap-by-tap way.
    if (job.edge == Edge::Extend || taps <= 16)
        return convolveDirect(job), kvImageNoError;
    const size_t directCost = taps;
    std::vector<double> column, row;
    const size_t separableCost = factorize(job, job.bytes, column, row) ? size_t(job.kw + job.kh) : SIZE_MAX;
    const std::vector<Block> blocks = blocksOf(job, std::min(directCost, separableCost) / 4);
    const size_t blockCost = blocks.empty() ? SIZE_MAX : 4 * blocks.size() + 4;
    if (blockCost < separableCost && blockCost < directCost)
        return job.bytes ? convolveBlocks<uint32_t, uint8_t>(job, blocks) : convolveBlocks<double, float>(job, blocks);
    if (separableCost < directCost)
        return convolveSeparable(job, column, row);
    convolveDirect(job);
    return kvImageNoError;
}

} // namespace

vImage_Error vImageConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                    vImagePixelCount offsetX, vImagePixelCount offsetY, const int16_t *kernel,
                                    uint32_t kernelHeight, uint32_t kernelWidth, int32_t divisor,
                                    Pixel_8 backgroundColor, vImage_Flags flags)
{
    if (!kernel)
        return kvImageNullPointerArgument;
    Job job{source, destination, true, long(offsetX), long(offsetY), 0, 0, 0, 0,
            std::vector<double>(kernel, kernel + size_t(kernelHeight) * kernelWidth), double(divisor), 0.0,
            double(backgroundColor), Edge::Truncate, {}};
    return convolve(job, tempBuffer, kernelHeight, kernelWidth, flags);
}

vImage_Error vImageConvolve_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                    vImagePixelCount offsetX, vImagePixelCount offsetY, const float *kernel,
                                    uint32_t kernelHeight, uint32_t kernelWidth, Pixel_F backgroundColor,
                                    vImage_Flags flags)
{
    if (!kernel)
        return kvImageNullPointerArgument;
    Job job{source, destination, false, long(offsetX), long(offsetY), 0, 0, 0, 0,
            std::vector<double>(kernel, kernel + size_t(kernelHeight) * kernelWidth), 1.0, 0.0,
            double(backgroundColor), Edge::Truncate, {}};
    return convolve(job, tempBuffer, kernelHeight, kernelWidth, flags);
}

vImage_Error vImageBoxConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *tempBuffer,
                                       vImagePixelCount offsetX, vImagePixelCount offsetY, uint32_t kernelHeight,
                                       uint32_t kernelWidth, Pixel_8 backgroundColor, vImage_Flags flags)
{
    const size_t taps = size_t(kernelHeight) * kernelWidth;
    Job job{source, destination, true, long(offsetX), long(offsetY), 0, 0, 0, 0, std::vector<double>(taps, 1.0),
            double(taps), 0.0, double(backgroundColor), Edge::Truncate, {}};
    return convolve(job, tempBuffer, kernelHeight, kernelWidth, flags);
}
