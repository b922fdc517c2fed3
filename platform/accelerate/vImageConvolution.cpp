#include "platform/accelerate/vImageConvolution.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <vector>

using namespace platform::vimage;

namespace {

enum class Edge { Truncate, Extend, Background, CopyInPlace };

template<int Channels>
vImage_Error tentConvolve(const vImage_Buffer *source, const vImage_Buffer *destination, size_t offsetX,
                          size_t offsetY, uint32_t kernelHeight, uint32_t kernelWidth, const uint8_t *background,
                          vImage_Flags flags)
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

    // One float row per source row, filtered horizontally (with the weight sum of the taps
    // that counted, for truncation), then a vertical pass per destination row.
    platform::forEachRowRange(destination->height, dw * Channels * kernelHeight, [&](size_t first, size_t end) {
        std::vector<float> acc(dw * Channels), norm(dw), hrow(dw * Channels), hnorm(dw);
        for (size_t y = first; y < end; ++y) {
            const long cy = long(offsetY + y);
            std::fill(acc.begin(), acc.end(), 0.0f);
            std::fill(norm.begin(), norm.end(), 0.0f);
            for (long j = -ry; j <= ry; ++j) {
                long sy = cy + j;
                const float wy = weight(j, ry);
                if ((sy < 0 || sy >= sh) && edge == Edge::Truncate)
                    continue;
                if (edge == Edge::Extend)
                    sy = std::clamp<long>(sy, 0, sh - 1);
                const bool outside = sy < 0 || sy >= sh;
                const uint8_t *in = outside ? nullptr : rowOf(source, size_t(sy));
                for (size_t x = 0; x < dw; ++x) {
                    const long cx = long(offsetX + x);
                    float sum[Channels] = {};
                    float wsum = 0.0f;
                    for (long i = -rx; i <= rx; ++i) {
                        long sx = cx + i;
                        const float wx = weight(i, rx);
                        const bool outsideX = sx < 0 || sx >= sw;
                        const uint8_t *p;
                        if (outside || outsideX) {
                            if (edge == Edge::Truncate)
                                continue;
                            if (edge == Edge::Extend) {
                                sx = std::clamp<long>(sx, 0, sw - 1);
                                p = in + sx * Channels;
                            } else {
                                p = fill; // background; copy-in-place rows are replaced below
                            }
                        } else {
                            p = in + sx * Channels;
                        }
                        for (int c = 0; c < Channels; ++c)
                            sum[c] += wx * float(p[c]);
                        wsum += wx;
                    }
                    for (int c = 0; c < Channels; ++c)
                        hrow[x * Channels + c] = sum[c];
                    hnorm[x] = wsum;
                }
                for (size_t i = 0; i < dw * Channels; ++i)
                    acc[i] += wy * hrow[i];
                for (size_t x = 0; x < dw; ++x)
                    norm[x] += wy * hnorm[x];
            }
            uint8_t *out = rowOf(destination, y);
            const uint8_t *src = rowOf(source, size_t(cy)) + offsetX * Channels;
            for (size_t x = 0; x < dw; ++x) {
                const long cx = long(offsetX + x);
                const bool edgePixel = cx - rx < 0 || cx + rx >= sw || cy - ry < 0 || cy + ry >= sh;
                for (int c = 0; c < Channels; ++c) {
                    const size_t i = x * Channels + c;
                    if ((edge == Edge::CopyInPlace && edgePixel) || (keepAlpha && c == 0))
                        out[i] = src[i];
                    else
                        out[i] = uint8_t(std::min(255.0f, acc[i] / norm[x] + 0.5f));
                }
            }
        }
    });
    return kvImageNoError;
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
