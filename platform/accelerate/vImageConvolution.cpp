#include "platform/accelerate/vImageConvolution.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

using namespace platform::vimage;

namespace {

enum class Edge { Truncate, Extend, Background, CopyInPlace };

template<int Channels>
vImage_Error tentConvolveUnchecked(const vImage_Buffer *source, const vImage_Buffer *destination, size_t offsetX,
                                   size_t offsetY, uint32_t kernelHeight, uint32_t kernelWidth,
                                   const uint8_t *background, vImage_Flags flags)
{
    if (vImage_Error status = checkBuffer(source, Channels))
        return status;
    if (vImage_Error status = checkBuffer(destination, Channels))
        return status;
    if (source->data == destination->data)
        return kvImageOutOfPlaceOperationRequired;
    if (offsetX + destination->width > source->width || offsetY + destination->height > source->height)
        return kvImageRoiLargerThanInputBuffer;
    if (kernelWidth % 2 == 0 || kernelHeight % 2 == 0)
        return kvImageInvalidKernelSize;
    const vImage_Flags edgeFlags =
        flags & (kvImageTruncateKernel | kvImageEdgeExtend | kvImageBackgroundColorFill | kvImageCopyInPlace);
    Edge edge;
    switch (edgeFlags) {
    case kvImageTruncateKernel: edge = Edge::Truncate; break;
    case kvImageEdgeExtend: edge = Edge::Extend; break;
    case kvImageBackgroundColorFill: edge = Edge::Background; break;
    case kvImageCopyInPlace: edge = Edge::CopyInPlace; break;
    default: return kvImageInvalidEdgeStyle;
    }
    uint8_t fill[Channels] = {};
    if (edge == Edge::Background) {
        if (!background)
            return kvImageNullPointerArgument;
        std::copy(background, background + Channels, fill);
    }
    const bool keepAlpha = Channels == 4 && (flags & kvImageLeaveAlphaUnchanged);
    const long rx = long(kernelWidth / 2), ry = long(kernelHeight / 2);
    const long sw = long(source->width), sh = long(source->height);
    const size_t dw = destination->width;

    // Weight of tap i along an axis of radius r.
    auto weight = [](long i, long r) { return float(r + 1 - std::abs(i)); };

    // Weight sums of the taps that count: per column (the horizontal pass) and per row (the
    // vertical pass). Only truncation leaves taps out; the other edge styles count them all.
    std::vector<float> columnNorm(dw);
    for (size_t x = 0; x < dw; ++x) {
        const long cx = long(offsetX + x);
        for (long i = -rx; i <= rx; ++i)
            columnNorm[x] += edge == Edge::Truncate && (cx + i < 0 || cx + i >= sw) ? 0.0f : weight(i, rx);
    }

    // Each piece of destination rows filters the source rows it needs horizontally once, into
    // float rows, then combines them vertically: the cost per pixel grows with the kernel's
    // width plus its height, not their product.
    platform::forEachRowRange(destination->height, dw * Channels * (kernelWidth + kernelHeight), [&](size_t first, size_t end) {
        const long top = long(offsetY + first) - ry, bottom = long(offsetY + end - 1) + ry; // virtual rows
        const size_t rowLength = dw * Channels;
        std::vector<float> rows(size_t(bottom - top + 1) * rowLength);
        std::vector<char> counts(size_t(bottom - top + 1));
        for (long vy = top; vy <= bottom; ++vy) {
            long sy = vy;
            const bool outside = sy < 0 || sy >= sh;
            if (outside && (edge == Edge::Truncate || edge == Edge::CopyInPlace))
                continue; // left out (copy-in-place pixels there are copied below)
            if (outside && edge == Edge::Extend)
                sy = std::clamp<long>(sy, 0, sh - 1);
            counts[size_t(vy - top)] = 1;
            const uint8_t *in = sy >= 0 && sy < sh ? rowOf(source, size_t(sy)) : nullptr;
            float *out = rows.data() + size_t(vy - top) * rowLength;
            for (size_t x = 0; x < dw; ++x) {
                const long cx = long(offsetX + x);
                float sum[Channels] = {};
                for (long i = -rx; i <= rx; ++i) {
                    long sx = cx + i;
                    const uint8_t *p;
                    if (!in) {
                        p = fill;
                    } else if (sx < 0 || sx >= sw) {
                        if (edge == Edge::Truncate)
                            continue;
                        p = edge == Edge::Extend ? in + std::clamp<long>(sx, 0, sw - 1) * Channels : fill;
                    } else {
                        p = in + sx * Channels;
                    }
                    const float wx = weight(i, rx);
                    for (int c = 0; c < Channels; ++c)
                        sum[c] += wx * float(p[c]);
                }
                for (int c = 0; c < Channels; ++c)
                    out[x * Channels + c] = sum[c];
            }
        }
        std::vector<float> acc(rowLength);
        for (size_t y = first; y < end; ++y) {
            const long cy = long(offsetY + y);
            std::fill(acc.begin(), acc.end(), 0.0f);
            float rowNorm = 0.0f;
            for (long j = -ry; j <= ry; ++j) {
                if (!counts[size_t(cy + j - top)])
                    continue;
                const float wy = weight(j, ry);
                const float *row = rows.data() + size_t(cy + j - top) * rowLength;
                for (size_t i = 0; i < rowLength; ++i)
                    acc[i] += wy * row[i];
                rowNorm += wy;
            }
            uint8_t *out = rowOf(destination, y);
            const uint8_t *src = rowOf(source, size_t(cy)) + offsetX * Channels;
            for (size_t x = 0; x < dw; ++x) {
                const long cx = long(offsetX + x);
                const bool edgePixel = cx - rx < 0 || cx + rx >= sw || cy - ry < 0 || cy + ry >= sh;
                const float norm = rowNorm * columnNorm[x];
                for (int c = 0; c < Channels; ++c) {
                    const size_t i = x * Channels + c;
                    if ((edge == Edge::CopyInPlace && edgePixel) || (keepAlpha && c == 0))
                        out[i] = src[i];
                    else
                        out[i] = uint8_t(std::min(255.0f, acc[i] / norm + 0.5f));
                }
            }
        }
    });
    return kvImageNoError;
}

// The working rows grow with the kernel's height: a kernel too large for memory is an error
// of the call, not an exception out of it.
template<int Channels>
vImage_Error tentConvolve(const vImage_Buffer *source, const vImage_Buffer *destination, size_t offsetX,
                          size_t offsetY, uint32_t kernelHeight, uint32_t kernelWidth, const uint8_t *background,
                          vImage_Flags flags)
{
    try {
        return tentConvolveUnchecked<Channels>(source, destination, offsetX, offsetY, kernelHeight, kernelWidth,
                                               background, flags);
    } catch (const std::bad_alloc &) {
        return kvImageMemoryAllocationError;
    } catch (const std::length_error &) {
        return kvImageMemoryAllocationError;
    }
}

} // namespace

vImage_Error vImageTentConvolve_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination, void *,
                                        vImagePixelCount offsetX, vImagePixelCount offsetY, uint32_t kernelHeight,
                                        uint32_t kernelWidth, Pixel_8 backgroundColor, vImage_Flags flags)
{
    return tentConvolve<1>(source, destination, offsetX, offsetY, kernelHeight, kernelWidth, &backgroundColor, flags);
}

vImage_Error vImageTentConvolve_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, void *,
                                         vImagePixelCount offsetX, vImagePixelCount offsetY, uint32_t kernelHeight,
                                         uint32_t kernelWidth, const uint8_t *backgroundColor, vImage_Flags flags)
{
    return tentConvolve<4>(source, destination, offsetX, offsetY, kernelHeight, kernelWidth, backgroundColor, flags);
}
