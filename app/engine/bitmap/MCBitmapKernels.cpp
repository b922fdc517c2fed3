#include "app/engine/bitmap/MCBitmapKernels.h"

#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageConverter.h"
#include "platform/accelerate/vImageTable.h"
#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGColorSpace.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace mcbitmap {

void splitPlane(size_t blocks, const std::function<void(size_t, size_t)> &body)
{
    const size_t pieces = std::max<size_t>(1, platform::processorCount());
    const size_t chunk = blocks / pieces;
    platform::parallelFor(pieces, [&](size_t first, size_t end) {
        for (size_t i = first; i < end; ++i) {
            const size_t from = chunk * i;
            const size_t to = i == pieces - 1 ? blocks : chunk * (i + 1);
            if (from < to)
                body(from, to);
        }
    });
}

namespace {

template<typename T>
void forEachPixel(vImage_Buffer *planes, size_t count, const std::function<void(float *rgb)> &pixel)
{
    constexpr size_t lanes = kBlockBytes / sizeof(T);
    splitPlane(blocksOfPlane(planes[0]), [&](size_t first, size_t end) {
        float values[3];
        for (size_t block = first; block < end; ++block) {
            T *samples[3];
            for (size_t k = 0; k < count; ++k)
                samples[k] = static_cast<T *>(planes[k].data) + block * lanes;
            for (size_t lane = 0; lane < lanes; ++lane) {
                for (size_t k = 0; k < count; ++k) {
                    if constexpr (sizeof(T) == 1)
                        values[k] = float(samples[k][lane]) * kByteToUnit;
                    else
                        values[k] = samples[k][lane];
                }
                pixel(values);
                for (size_t k = 0; k < count; ++k) {
                    if constexpr (sizeof(T) == 1)
                        samples[k][lane] = roundToByte(values[k] * 255.0f);
                    else
                        samples[k][lane] = values[k];
                }
            }
        }
    });
}

} // namespace

void forEachPixel8(vImage_Buffer *planes, size_t count, const std::function<void(float *rgb)> &pixel)
{
    forEachPixel<uint8_t>(planes, std::min<size_t>(count, 3), pixel);
}

void forEachPixelF(vImage_Buffer *planes, size_t count, const std::function<void(float *rgb)> &pixel)
{
    forEachPixel<float>(planes, std::min<size_t>(count, 3), pixel);
}

vImage_Error applyTable8(vImage_Buffer *planes, size_t count, const uint8_t table[256])
{
    if (!planes || !table)
        return kvImageNullPointerArgument;
    for (size_t k = 0; k < count; ++k) {
        if (vImage_Error status = vImageTableLookUp_Planar8(&planes[k], &planes[k], table, kvImageNoFlags))
            return status;
    }
    return kvImageNoError;
}

vImage_Error applyTableF(vImage_Buffer *planes, size_t count, const float *table, size_t entries, float maxFloat,
                         float minFloat)
{
    if (!planes || !table)
        return kvImageNullPointerArgument;
    // The bitmap's tables always span an ascending range with two entries at least.
    if (entries < 2 || !(maxFloat > minFloat))
        return kvImageInvalidParameter;
    for (size_t k = 0; k < count; ++k) {
        if (vImage_Error status = vImageInterpolatedLookupTable_PlanarF(&planes[k], &planes[k], table, entries,
                                                                        maxFloat, minFloat, kvImageNoFlags))
            return status;
    }
    return kvImageNoError;
}

vImage_Error filterOutOfPlace(vImage_Buffer *planes, size_t count, uint32_t bitsPerComponent,
                              const std::function<vImage_Error(const vImage_Buffer &, const vImage_Buffer &)> &filter)
{
    // One spare plane at a time: each filtered plane takes the spare's place and its old
    // memory becomes the spare of the next, so a full-size photo never holds more than one
    // plane beside its own.
    vImage_Buffer spare;
    vImage_Error status = kvImageNoError;
    for (size_t k = 0; k < count && status == kvImageNoError; ++k) {
        const vImage_Buffer &plane = planes[k];
        if (!spare.data || spare.width != plane.width || spare.height != plane.height ||
            spare.rowBytes != plane.rowBytes) {
            std::free(spare.data);
            spare = vImage_Buffer();
            status = vImageBuffer_Init(&spare, plane.height, plane.width, bitsPerComponent, kvImageNoFlags);
        }
        if (status == kvImageNoError)
            status = filter(plane, spare);
        if (status == kvImageNoError)
            std::swap(planes[k], spare);
    }
    std::free(spare.data);
    return status;
}

} // namespace mcbitmap

namespace {

vImage_Error normalize(const vImage_Buffer *source, const vImage_CGImageFormat *sourceFormat,
                       const vImage_Buffer *destination, const vImage_CGImageFormat *destinationFormat,
                       uint32_t bitsPerComponent)
{
    if (!source || !sourceFormat || !destination || !destinationFormat)
        return kvImageInvalidParameter;
    const CGColorSpaceRef &space = sourceFormat->colorSpace;
    if (!space || !destinationFormat->colorSpace || !CGColorSpaceEqualToColorSpace(space, destinationFormat->colorSpace) ||
        space->model() != kCGColorSpaceModelRGB || destinationFormat->colorSpace->model() != kCGColorSpaceModelRGB)
        return kvImageInvalidParameter;
    if (CGBitmapAlphaInfo(sourceFormat->bitmapInfo) > kCGImageAlphaNoneSkipFirst ||
        CGBitmapAlphaInfo(destinationFormat->bitmapInfo) != kCGImageAlphaLast)
        return kvImageInvalidParameter;
    const uint32_t bpc = sourceFormat->bitsPerComponent;
    if (bpc != 8 && bpc != 16 && !(bpc == 32 && (sourceFormat->bitmapInfo & kCGBitmapFloatComponents)))
        return kvImageInvalidParameter;
    if (destinationFormat->bitsPerComponent != bitsPerComponent || destinationFormat->bitsPerPixel != 4 * bitsPerComponent)
        return kvImageInvalidParameter;
    const vImageConverterRef converter =
        vImageConverter_CreateWithCGImageFormat(sourceFormat, destinationFormat, nullptr, kvImageNoFlags, nullptr);
    if (!converter)
        return kvImageInvalidParameter;
    return vImageConvert_AnyToAny(converter, source, destination, nullptr, kvImageNoFlags);
}

} // namespace

vImage_Error MCNormalizeToRGBA8888(const vImage_Buffer *source, const vImage_CGImageFormat *sourceFormat,
                                   const vImage_Buffer *destination, const vImage_CGImageFormat *destinationFormat,
                                   vImage_Flags)
{
    return normalize(source, sourceFormat, destination, destinationFormat, 8);
}

vImage_Error MCNormalizeToRGBAFFFF(const vImage_Buffer *source, const vImage_CGImageFormat *sourceFormat,
                                   const vImage_Buffer *destination, const vImage_CGImageFormat *destinationFormat,
                                   vImage_Flags)
{
    return normalize(source, sourceFormat, destination, destinationFormat, 32);
}
