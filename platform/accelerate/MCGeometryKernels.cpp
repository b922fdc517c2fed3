#include "platform/accelerate/MCGeometryKernels.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cstring>

using platform::vimage::rowOf;

namespace {

template<typename T>
T *rowAt(const vImage_Buffer *buffer, size_t y)
{
    return reinterpret_cast<T *>(rowOf(buffer, y));
}

template<typename T>
size_t rowLength(const vImage_Buffer *buffer)
{
    return buffer->rowBytes / sizeof(T);
}

template<typename T>
vImage_Error copyRegion(const vImage_Buffer *source, const vImage_Buffer *destination, size_t x, size_t y)
{
    if (!source || !source->data)
        return kvImageNullPointerArgument;
    if (source->width < x)
        return kvImageInvalidOffset_X;
    if (source->height < y)
        return kvImageInvalidOffset_Y;
    if (!destination || destination->width + x > source->width || destination->height + y > source->height)
        return kvImageRoiLargerThanInputBuffer;
    if (!destination->data || destination->height == 0)
        return kvImageNoError;
    const size_t count = std::min(rowLength<T>(destination), rowLength<T>(source) - x);
    platform::forEachRowRange(destination->height, count * sizeof(T), [&](size_t first, size_t end) {
        for (size_t i = first; i < end; ++i)
            std::memcpy(rowAt<T>(destination, i), rowAt<T>(source, y + i) + x, count * sizeof(T));
    });
    return kvImageNoError;
}

template<typename T>
vImage_Error fillOutsideRect(const vImage_Buffer *plane, size_t x, size_t y, size_t w, size_t h, T value)
{
    if (!plane || !plane->data)
        return kvImageNullPointerArgument;
    if (plane->width < x)
        return kvImageInvalidOffset_X;
    if (plane->height < y)
        return kvImageInvalidOffset_Y;
    if (w > plane->width - x || h > plane->height - y)
        return kvImageRoiLargerThanInputBuffer;
    const size_t length = rowLength<T>(plane);
    platform::forEachRowRange(plane->height, length * sizeof(T), [&](size_t first, size_t end) {
        for (size_t row = first; row < end; ++row) {
            T *samples = rowAt<T>(plane, row);
            if (row < y || row >= y + h) {
                std::fill(samples, samples + length, value);
            } else {
                std::fill(samples, samples + x, value);
                std::fill(samples + x + w, samples + length, value);
            }
        }
    });
    return kvImageNoError;
}

template<typename T>
vImage_Error pad(const vImage_Buffer *source, const vImage_Buffer *destination, size_t x, size_t y, T value)
{
    if (!source || !source->data || !destination || !destination->data)
        return kvImageNullPointerArgument;
    if (destination->width < x)
        return kvImageInvalidOffset_X;
    if (destination->height < y)
        return kvImageInvalidOffset_Y;
    if (source->width > destination->width - x || source->height > destination->height - y)
        return kvImageRoiLargerThanInputBuffer;
    const size_t length = rowLength<T>(destination), width = source->width;
    platform::forEachRowRange(destination->height, length * sizeof(T), [&](size_t first, size_t end) {
        for (size_t row = first; row < end; ++row) {
            T *out = rowAt<T>(destination, row);
            if (row < y || row >= y + source->height) {
                std::fill(out, out + length, value);
            } else {
                std::fill(out, out + x, value);
                std::memcpy(out + x, rowAt<T>(source, row - y), width * sizeof(T));
                std::fill(out + x + width, out + length, value);
            }
        }
    });
    return kvImageNoError;
}

// Whether a sample differs from the key by more than the tolerance (a NaN sample never does).
template<typename T>
inline bool differs(T sample, T key, T tolerance)
{
    return (sample > key ? sample - key : key - sample) > tolerance; // NaN compares false
}

// The first differing column of samples[from, to), or `to` when none differs. Blocks of 16
// samples are tested whole (without an early exit inside, so the test vectorises) before the
// block that holds a difference is searched.
template<typename T>
size_t firstDiffering(const T *samples, size_t from, size_t to, T key, T tolerance)
{
    constexpr size_t kBlock = 16;
    size_t i = from;
    for (; i + kBlock <= to; i += kBlock) {
        bool any = false;
        for (size_t k = 0; k < kBlock; ++k)
            any |= differs(samples[i + k], key, tolerance);
        if (any)
            break;
    }
    for (; i < to; ++i) {
        if (differs(samples[i], key, tolerance))
            return i;
    }
    return to;
}

// The last differing column of samples[from, to), or `from` − 1 as "none" (from ≥ 1 then, or
// the caller reads SIZE_MAX).
template<typename T>
size_t lastDiffering(const T *samples, size_t from, size_t to, T key, T tolerance)
{
    constexpr size_t kBlock = 16;
    size_t i = to;
    for (; i >= from + kBlock; i -= kBlock) {
        bool any = false;
        for (size_t k = 1; k <= kBlock; ++k)
            any |= differs(samples[i - k], key, tolerance);
        if (any)
            break;
    }
    for (; i > from; --i) {
        if (differs(samples[i - 1], key, tolerance))
            return i - 1;
    }
    return from - 1;
}

template<typename T>
vImage_Error findEdges(const vImage_Buffer *plane, T key, T tolerance, vImagePixelCount *top, vImagePixelCount *left,
                       vImagePixelCount *bottom, vImagePixelCount *right)
{
    if (!plane || !plane->data)
        return kvImageNullPointerArgument;
    const size_t width = plane->width, height = plane->height;
    if (width == 0 || height == 0)
        return kvImageInvalidParameter;

    // Forward pass: rows from the top, each searched only left of the best bound so far.
    size_t firstRow = height, leftBound = width;
    for (size_t y = 0; y < height && leftBound > 0; ++y) {
        const size_t column = firstDiffering(rowAt<T>(plane, y), 0, leftBound, key, tolerance);
        if (column < leftBound) {
            leftBound = column;
            if (firstRow == height)
                firstRow = y;
        }
    }
    // Backward pass: rows from the bottom, each searched only right of the best bound so far.
    size_t lastRow = height, rightMost = 0;
    bool found = false;
    for (size_t y = height; y-- > 0 && !(found && rightMost == width - 1);) {
        const size_t from = found ? rightMost + 1 : 0;
        const size_t column = lastDiffering(rowAt<T>(plane, y), from, width, key, tolerance);
        if (column != from - 1) {
            rightMost = column;
            if (!found)
                lastRow = y;
            found = true;
        }
    }
    if (top)
        *top = firstRow == height ? height - 1 : firstRow;
    if (left)
        *left = std::min(leftBound, width - 1);
    if (bottom)
        *bottom = found ? height - 1 - lastRow : height - 1;
    if (right)
        *right = found ? width - 1 - rightMost : width - 1;
    return kvImageNoError;
}

} // namespace

vImage_Error MCCopyRegionPlanar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                                 vImagePixelCount y)
{
    return copyRegion<uint8_t>(source, destination, x, y);
}

vImage_Error MCCopyRegionPlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                                 vImagePixelCount y)
{
    return copyRegion<float>(source, destination, x, y);
}

vImage_Error MCFillOutsideRectPlanar8(const vImage_Buffer *plane, vImagePixelCount x, vImagePixelCount y,
                                      vImagePixelCount w, vImagePixelCount h, Pixel_8 value)
{
    return fillOutsideRect<uint8_t>(plane, x, y, w, h, value);
}

vImage_Error MCFillOutsideRectPlanarF(const vImage_Buffer *plane, vImagePixelCount x, vImagePixelCount y,
                                      vImagePixelCount w, vImagePixelCount h, Pixel_F value)
{
    return fillOutsideRect<float>(plane, x, y, w, h, value);
}

vImage_Error MCPadPlanar8(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                          vImagePixelCount y, Pixel_8 value)
{
    return pad<uint8_t>(source, destination, x, y, value);
}

vImage_Error MCPadPlanarF(const vImage_Buffer *source, const vImage_Buffer *destination, vImagePixelCount x,
                          vImagePixelCount y, Pixel_F value)
{
    return pad<float>(source, destination, x, y, value);
}

vImage_Error MCFindEdgesPlanar8(const vImage_Buffer *plane, Pixel_8 key, Pixel_8 tolerance, vImagePixelCount *top,
                                vImagePixelCount *left, vImagePixelCount *bottom, vImagePixelCount *right)
{
    return findEdges<uint8_t>(plane, key, tolerance, top, left, bottom, right);
}

vImage_Error MCFindEdgesPlanarF(const vImage_Buffer *plane, Pixel_F key, Pixel_F tolerance, vImagePixelCount *top,
                                vImagePixelCount *left, vImagePixelCount *bottom, vImagePixelCount *right)
{
    return findEdges<float>(plane, key, tolerance, top, left, bottom, right);
}
