#include "platform/accelerate/MCLayoutKernels.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cstdint>

using namespace platform::vimage;

namespace {

// One sample converted as the drawing converts it (same operations in the same order, so the
// results are bit for bit those of drawing the image into the bitmap).
template<typename In, typename Out>
inline Out convertSample(In v)
{
    if constexpr (sizeof(In) == sizeof(Out)) {
        return Out(v);
    } else if constexpr (std::is_same_v<Out, float>) {
        constexpr float full = sizeof(In) == 1 ? 255.0f : 65535.0f;
        return float(v) * (1.0f / full);
    } else {
        const float unit = float(v) * (1.0f / 65535.0f);
        return Out(std::clamp(unit * 255.0f, 0.0f, 255.0f) + 0.5f);
    }
}

template<typename Out>
constexpr Out fullSample()
{
    if constexpr (std::is_same_v<Out, float>)
        return 1.0f;
    else
        return Out(255);
}

struct Job
{
    const vImage_Buffer *source;
    const vImage_Buffer *destinations;
    size_t offsets[3];
    ptrdiff_t stepX, stepY; // bytes between the source pixels of neighbouring destination pixels
    const uint8_t *origin;  // the source pixel of destination (0, 0)
    bool alongRows;         // a destination row reads one source row
};

// Destination columns [x0, x1) of row y.
template<typename In, typename Out, bool Planar>
inline void placeRun(const Job &job, size_t y, size_t x0, size_t x1)
{
    const uint8_t *p = job.origin + ptrdiff_t(y) * job.stepY + ptrdiff_t(x0) * job.stepX;
    const size_t o0 = job.offsets[0], o1 = job.offsets[1], o2 = job.offsets[2];
    const ptrdiff_t step = job.stepX;
    constexpr Out full = fullSample<Out>();
    if constexpr (Planar) {
        Out *r = reinterpret_cast<Out *>(rowOf(&job.destinations[0], y));
        Out *g = reinterpret_cast<Out *>(rowOf(&job.destinations[1], y));
        Out *b = reinterpret_cast<Out *>(rowOf(&job.destinations[2], y));
        Out *a = reinterpret_cast<Out *>(rowOf(&job.destinations[3], y));
        for (size_t x = x0; x < x1; ++x, p += step) {
            const In *s = reinterpret_cast<const In *>(p);
            r[x] = convertSample<In, Out>(s[o0]);
            g[x] = convertSample<In, Out>(s[o1]);
            b[x] = convertSample<In, Out>(s[o2]);
        }
        std::fill(a + x0, a + x1, full);
    } else {
        Out *out = reinterpret_cast<Out *>(rowOf(&job.destinations[0], y)) + 4 * x0;
        for (size_t x = x0; x < x1; ++x, p += step, out += 4) {
            const In *s = reinterpret_cast<const In *>(p);
            out[0] = convertSample<In, Out>(s[o0]);
            out[1] = convertSample<In, Out>(s[o1]);
            out[2] = convertSample<In, Out>(s[o2]);
            out[3] = full;
        }
    }
}

template<typename In, typename Out, bool Planar>
void place(const Job &job)
{
    const vImage_Buffer &first = job.destinations[0];
    const size_t width = first.width, height = first.height;
    // Along a source row the reads are sequential; a turned placement walks source columns,
    // so it goes in tiles whose source rows stay in the cache.
    const bool sequential = job.alongRows;
    constexpr size_t kTile = 64;
    const size_t bands = sequential ? height : (height + kTile - 1) / kTile;
    const size_t bandRows = sequential ? 1 : kTile;
    platform::forEachRowRange(bands, width * bandRows * 4 * sizeof(Out), [&](size_t firstBand, size_t endBand) {
        for (size_t band = firstBand; band < endBand; ++band) {
            const size_t y0 = band * bandRows, y1 = std::min(height, y0 + bandRows);
            if (sequential) {
                placeRun<In, Out, Planar>(job, y0, 0, width);
                continue;
            }
            for (size_t x0 = 0; x0 < width; x0 += kTile)
                for (size_t y = y0; y < y1; ++y)
                    placeRun<In, Out, Planar>(job, y, x0, std::min(width, x0 + kTile));
        }
    });
}

bool inside(long value, size_t size)
{
    return value >= 0 && value < long(size);
}

} // namespace

vImage_Error MCPlaceOpaquePixels(const vImage_Buffer &source, size_t sourceBitsPerComponent, size_t stride,
                                 const int colourOffsets[3], const MCPixelPlacement &placement,
                                 const vImage_Buffer *destinations, bool planar, bool floatDestination)
{
    if (!source.data || !destinations || !colourOffsets)
        return kvImageNullPointerArgument;
    const size_t outBytes = floatDestination ? sizeof(float) : 1;
    for (size_t k = 0; k < (planar ? 4u : 1u); ++k) {
        const vImage_Buffer &d = destinations[k];
        if (!d.data || d.width == 0 || d.height == 0 || d.rowBytes < d.width * outBytes * (planar ? 1 : 4) ||
            d.width != destinations[0].width || d.height != destinations[0].height)
            return kvImageInvalidParameter;
    }
    if ((sourceBitsPerComponent != 8 && sourceBitsPerComponent != 16) || stride == 0)
        return kvImageInvalidParameter;
    for (int c = 0; c < 3; ++c)
        if (colourOffsets[c] < 0 || size_t(colourOffsets[c]) >= stride)
            return kvImageInvalidParameter;
    const size_t inBytes = sourceBitsPerComponent / 8;
    if (source.rowBytes < source.width * stride * inBytes)
        return kvImageInvalidRowBytes;
    // Every destination pixel reads inside the source: the four corners do, and the steps are
    // straight lines between them.
    const long w = long(destinations[0].width) - 1, h = long(destinations[0].height) - 1;
    for (long cy : {0L, h})
        for (long cx : {0L, w})
            if (!inside(placement.u0 + cx * placement.dux + cy * placement.duy, source.width) ||
                !inside(placement.v0 + cx * placement.dvx + cy * placement.dvy, source.height))
                return kvImageRoiLargerThanInputBuffer;

    Job job;
    job.source = &source;
    job.destinations = destinations;
    for (int c = 0; c < 3; ++c)
        job.offsets[c] = size_t(colourOffsets[c]);
    const ptrdiff_t pixelBytes = ptrdiff_t(stride * inBytes), rowBytes = ptrdiff_t(source.rowBytes);
    job.stepX = placement.dux * pixelBytes + placement.dvx * rowBytes;
    job.stepY = placement.duy * pixelBytes + placement.dvy * rowBytes;
    job.alongRows = placement.dvx == 0;
    job.origin = static_cast<const uint8_t *>(source.data) + placement.v0 * rowBytes + placement.u0 * pixelBytes;

    const int kind = (inBytes == 2 ? 4 : 0) + (floatDestination ? 2 : 0) + (planar ? 1 : 0);
    switch (kind) {
    case 0: place<uint8_t, uint8_t, false>(job); break;
    case 1: place<uint8_t, uint8_t, true>(job); break;
    case 2: place<uint8_t, float, false>(job); break;
    case 3: place<uint8_t, float, true>(job); break;
    case 4: place<uint16_t, uint8_t, false>(job); break;
    case 5: place<uint16_t, uint8_t, true>(job); break;
    case 6: place<uint16_t, float, false>(job); break;
    default: place<uint16_t, float, true>(job); break;
    }
    return kvImageNoError;
}
