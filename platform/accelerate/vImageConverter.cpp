#include "platform/accelerate/vImageConverter.h"

#include "platform/accelerate/vImageRows.h"
#include "platform/graphics/CGColorSpace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace platform::vimage;
using platform::CGPixelLayout;

namespace {

float readComponent(const uint8_t *pixel, size_t index, const CGPixelLayout &layout)
{
    switch (layout.bitsPerComponent) {
    case 8:
        return pixel[index] / 255.0f;
    case 16: {
        uint16_t v;
        std::memcpy(&v, pixel + 2 * index, 2);
        if (layout.swapBytes)
            v = uint16_t((v >> 8) | (v << 8));
        return v / 65535.0f;
    }
    default: {
        uint32_t bits;
        std::memcpy(&bits, pixel + 4 * index, 4);
        if (layout.swapBytes)
            bits = __builtin_bswap32(bits);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    }
}

void writeComponent(uint8_t *pixel, size_t index, float value, const CGPixelLayout &layout)
{
    switch (layout.bitsPerComponent) {
    case 8:
        // NaN compares false and becomes 0.
        pixel[index] = uint8_t(std::nearbyint(value > 0 ? std::min(value, 1.0f) * 255.0f : 0.0f));
        break;
    case 16: {
        uint16_t v = uint16_t(std::nearbyint(value > 0 ? std::min(value, 1.0f) * 65535.0f : 0.0f));
        if (layout.swapBytes)
            v = uint16_t((v >> 8) | (v << 8));
        std::memcpy(pixel + 2 * index, &v, 2);
        break;
    }
    default: {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        if (layout.swapBytes)
            bits = __builtin_bswap32(bits);
        std::memcpy(pixel + 4 * index, &bits, 4);
        break;
    }
    }
}

} // namespace

vImageConverterRef vImageConverter_CreateWithCGImageFormat(const vImage_CGImageFormat *source,
                                                           const vImage_CGImageFormat *destination,
                                                           const double *backgroundColor, vImage_Flags,
                                                           vImage_Error *error)
{
    auto fail = [error](vImage_Error code) {
        if (error)
            *error = code;
        return nullptr;
    };
    if (!source || !destination || !source->colorSpace || !destination->colorSpace)
        return fail(kvImageNullPointerArgument);
    if (!CGColorSpaceEqualToColorSpace(source->colorSpace, destination->colorSpace))
        return fail(kvImageInvalidImageFormat);
    auto converter = std::make_shared<vImageConverter>();
    const size_t colours = source->colorSpace->numberOfComponents();
    if (!platform::describePixelLayout(colours, source->bitsPerComponent, source->bitsPerPixel, source->bitmapInfo,
                                       &converter->source) ||
        !platform::describePixelLayout(colours, destination->bitsPerComponent, destination->bitsPerPixel,
                                       destination->bitmapInfo, &converter->destination))
        return fail(kvImageInvalidImageFormat);
    for (size_t i = 0; backgroundColor && i < colours && i < 4; ++i)
        converter->background[i] = float(backgroundColor[i]);
    if (error)
        *error = kvImageNoError;
    return converter;
}

vImage_Error vImageConverter_MustOperateOutOfPlace(const vImageConverterRef &converter, const vImage_Buffer *,
                                                   const vImage_Buffer *, vImage_Flags)
{
    if (!converter)
        return kvImageNullPointerArgument;
    return converter->destination.bytesPerPixel() > converter->source.bytesPerPixel()
               ? kvImageOutOfPlaceOperationRequired
               : kvImageNoError;
}

vImage_Error vImageConvert_AnyToAny(const vImageConverterRef &converter, const vImage_Buffer *source,
                                    const vImage_Buffer *destination, void *, vImage_Flags)
{
    if (!converter)
        return kvImageNullPointerArgument;
    const CGPixelLayout &in = converter->source;
    const CGPixelLayout &out = converter->destination;
    if (vImage_Error status = checkBuffer(source, in.bytesPerPixel()))
        return status;
    if (vImage_Error status = checkBuffer(destination, out.bytesPerPixel()))
        return status;
    if (destination->width > source->width || destination->height > source->height)
        return kvImageRoiLargerThanInputBuffer;
    if (source->data == destination->data &&
        (out.bytesPerPixel() > in.bytesPerPixel() || source->rowBytes != destination->rowBytes))
        return kvImageOutOfPlaceOperationRequired;

    const size_t width = destination->width;
    const size_t colours = in.colours;
    const bool composite = in.alpha >= 0 && out.alpha < 0;
    // 8-bit to 8-bit rows without transparency copy their bytes: at alpha full scale the
    // float path gives back every component as it was (nothing to divide, composite or
    // multiply), and alpha and padding as full scale.
    const bool bytes = in.bitsPerComponent == 8 && out.bitsPerComponent == 8;
    const size_t inBytes = in.bytesPerPixel(), outBytes = out.bytesPerPixel();
    const auto opaqueRow = [&](const uint8_t *src) {
        if (in.alpha < 0)
            return true;
        for (size_t x = 0; x < width; ++x)
            if (src[x * inBytes + size_t(in.alpha)] != 255)
                return false;
        return true;
    };
    platform::forEachRowRange(destination->height, width * (in.bytesPerPixel() + out.bytesPerPixel()),
                              [&](size_t first, size_t end) {
        // One row of unpremultiplied components and alpha, so a row converts in place.
        std::vector<float> row(width * 5);
        for (size_t y = first; y < end; ++y) {
            const uint8_t *src = rowOf(source, y);
            if (bytes && opaqueRow(src)) {
                // In place the output pixel never lies beyond its source pixel (it is no
                // larger): each pixel is read whole before it is written.
                uint8_t *dst = rowOf(destination, y);
                for (size_t x = 0; x < width; ++x) {
                    const uint8_t *pixel = src + x * inBytes;
                    uint8_t value[4];
                    for (size_t c = 0; c < colours; ++c)
                        value[c] = pixel[in.colour[c]];
                    uint8_t *target = dst + x * outBytes;
                    for (size_t c = 0; c < colours; ++c)
                        target[out.colour[c]] = value[c];
                    if (out.alpha >= 0)
                        target[out.alpha] = 255;
                    if (out.padding >= 0)
                        target[out.padding] = 255;
                }
                continue;
            }
            for (size_t x = 0; x < width; ++x) {
                const uint8_t *pixel = src + x * in.bytesPerPixel();
                float *value = &row[x * 5];
                const float alpha = in.alpha >= 0 ? readComponent(pixel, size_t(in.alpha), in) : 1.0f;
                for (size_t c = 0; c < colours; ++c) {
                    float v = readComponent(pixel, size_t(in.colour[c]), in);
                    if (in.premultiplied)
                        v = alpha > 0 ? v / alpha : 0.0f;
                    value[c] = composite ? v * alpha + converter->background[c] * (1.0f - alpha) : v;
                }
                value[4] = alpha;
            }
            uint8_t *dst = rowOf(destination, y);
            for (size_t x = 0; x < width; ++x) {
                uint8_t *pixel = dst + x * out.bytesPerPixel();
                const float *value = &row[x * 5];
                const float alpha = value[4];
                for (size_t c = 0; c < colours; ++c)
                    writeComponent(pixel, size_t(out.colour[c]), out.premultiplied ? value[c] * alpha : value[c],
                                   out);
                if (out.alpha >= 0)
                    writeComponent(pixel, size_t(out.alpha), alpha, out);
                if (out.padding >= 0)
                    writeComponent(pixel, size_t(out.padding), 1.0f, out);
            }
        }
    });
    return kvImageNoError;
}
