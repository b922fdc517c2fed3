#include "platform/imageio/ImageDecoder.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/decoders/Decoders.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform {

bool dimensionsAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= CGImage::kMaximumSide && height <= CGImage::kMaximumSide &&
           width * height <= CGImage::kMaximumPixelCount;
}

std::shared_ptr<uint8_t> allocatePixels(size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    auto *memory = static_cast<uint8_t *>(std::calloc(bytes, 1));
    if (!memory)
        return nullptr;
    return std::shared_ptr<uint8_t>(memory, [](uint8_t *p) { std::free(p); });
}

CGColorSpaceRef colorSpaceFor(CGColorSpaceModel model, const QByteArray &iccProfile)
{
    if (!iccProfile.isEmpty()) {
        CGColorSpaceRef space = CGColorSpace::createWithICCData(iccProfile);
        if (space && space->model() == model)
            return space;
    }
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return CGColorSpace::createDeviceGray();
    case kCGColorSpaceModelCMYK:
        return CGColorSpace::createDeviceCMYK();
    case kCGColorSpaceModelLab:
        return CGColorSpace::createWithName(kCGColorSpaceGenericLab);
    default:
        return CGColorSpace::createDeviceRGB();
    }
}

CGImageRef makeDecodedImage(size_t width, size_t height, size_t bitsPerComponent, bool isFloat, bool hasAlpha,
                            bool premultiplied, size_t bytesPerRow, const CGColorSpaceRef &space,
                            std::shared_ptr<uint8_t> pixels)
{
    if (!space || !pixels)
        return nullptr;
    const size_t components = space->numberOfComponents() + (hasAlpha ? 1 : 0);
    CGBitmapInfo info = hasAlpha ? (premultiplied ? kCGImageAlphaPremultipliedLast : kCGImageAlphaLast)
                                 : kCGImageAlphaNone;
    if (isFloat)
        info |= kCGBitmapFloatComponents;
    const size_t size = bytesPerRow * height;
    return CGImage::create(width, height, bitsPerComponent, components * bitsPerComponent, bytesPerRow, space, info,
                           std::shared_ptr<const uint8_t>(std::move(pixels)), size);
}

namespace {

using Factory = std::unique_ptr<ImageDecoder> (*)();

// Content sniffing order: cheap, unambiguous signatures first; RAW last because libraw
// accepts many TIFF-like files that the TIFF decoder reads better.
const Factory kFactories[] = {
    createJpegDecoder, createPngDecoder, createGifDecoder, createBmpDecoder, createWebPDecoder,
    createHeifDecoder, createJpeg2000Decoder, createTiffDecoder, createRawDecoder,
};

} // namespace

std::unique_ptr<ImageDecoder> createDecoder(const QByteArray &data, const QString &preferredType)
{
    if (data.size() < 8)
        return nullptr;
    if (!preferredType.isEmpty()) {
        for (Factory factory : kFactories) {
            std::unique_ptr<ImageDecoder> decoder = factory();
            if (decoder && decoder->handlesType(preferredType) && decoder->open(data))
                return decoder;
        }
    }
    for (Factory factory : kFactories) {
        std::unique_ptr<ImageDecoder> decoder = factory();
        if (decoder && decoder->open(data))
            return decoder;
    }
    return nullptr;
}

std::vector<std::unique_ptr<ImageDecoder>> createAllDecoders()
{
    std::vector<std::unique_ptr<ImageDecoder>> all;
    for (Factory factory : kFactories)
        all.push_back(factory());
    return all;
}

} // namespace platform
