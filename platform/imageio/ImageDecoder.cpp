#include "platform/imageio/ImageDecoder.h"

#include "platform/accelerate/vImageBuffer.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/decoders/Decoders.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform {

namespace {

// The refusals of this thread (bits of Refusal), read by DecodeRefusals.
enum Refusal : unsigned { kRefusedSize = 1, kRefusedMemory = 2 };
thread_local unsigned t_refusals = 0;

} // namespace

bool dimensionsAllowed(qint64 width, qint64 height)
{
    // Zero or negative sizes are broken headers, not large images.
    if (width <= 0 || height <= 0)
        return false;
    if (width <= CGImage::kMaximumSide && height <= CGImage::kMaximumSide &&
        width * height <= CGImage::kMaximumPixelCount)
        return true;
    t_refusals |= kRefusedSize;
    return false;
}

std::shared_ptr<uint8_t> allocatePixels(size_t bytes, bool uncleared)
{
    if (bytes == 0)
        return nullptr;
    auto *memory = static_cast<uint8_t *>(uncleared ? std::malloc(bytes) : std::calloc(bytes, 1));
    if (uncleared)
        MCAdviseLargePages(memory, bytes);
    if (!memory) {
        t_refusals |= kRefusedMemory;
        return nullptr;
    }
    return std::shared_ptr<uint8_t>(memory, [](uint8_t *p) { std::free(p); });
}

DecodeRefusals::DecodeRefusals() : m_savedFlags(t_refusals) { t_refusals = 0; }

DecodeRefusals::~DecodeRefusals() { t_refusals |= m_savedFlags; }

bool DecodeRefusals::tooLarge() const { return t_refusals & kRefusedSize; }

bool DecodeRefusals::outOfMemory() const { return t_refusals & kRefusedMemory; }

bool hasImageSignature(const QByteArray &data)
{
    auto at = [&](qsizetype offset, const char *bytes, qsizetype length) {
        return data.size() >= offset + length && std::memcmp(data.constData() + offset, bytes, size_t(length)) == 0;
    };
    return at(0, "\xFF\xD8\xFF", 3)                                  // JPEG
           || at(0, "\x89PNG\r\n\x1A\n", 8)                          // PNG
           || at(0, "GIF87a", 6) || at(0, "GIF89a", 6)                  // GIF
           || at(0, "BM", 2)                                            // BMP
           || (at(0, "RIFF", 4) && at(8, "WEBP", 4))                    // WebP
           || at(4, "ftyp", 4)                                          // HEIF, AVIF, CR3
           || at(0, "\0\0\0\x0CjP  \r\n\x87\n", 12)                    // JPEG 2000 (JP2)
           || at(0, "\xFF\x4F\xFF\x51", 4)                              // JPEG 2000 codestream
           || at(0, "II*\0", 4) || at(0, "MM\0*", 4)                    // TIFF, DNG, most RAW
           || at(0, "II+\0", 4) || at(0, "MM\0+", 4)                    // BigTIFF
           || at(0, "IIRO", 4) || at(0, "IIRS", 4) || at(0, "IIU\0", 4)  // ORF, RW2
           || at(0, "FUJIFILMCCD-RAW", 15)                              // RAF
           || (at(0, "P", 1) && data.size() > 2 && data[1] >= '1' && data[1] <= '6') // PNM
           || at(0, "\0\0\1\0", 4)                                     // ICO
           || at(0, "\x01\xDA", 2);                                      // SGI
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

// Content sniffing order: cheap, unambiguous signatures first; RAW after TIFF because libraw
// accepts many TIFF-like files that the TIFF decoder reads better; Targa, which has no
// signature, last.
const Factory kFactories[] = {
    createJpegDecoder, createPngDecoder,  createGifDecoder,       createBmpDecoder,  createWebPDecoder,
    createHeifDecoder, createJpeg2000Decoder, createPnmDecoder, createIcoDecoder, createSgiDecoder, createTiffDecoder,
    createRawDecoder,  createTgaDecoder,
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
