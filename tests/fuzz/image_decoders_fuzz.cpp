// Feeds arbitrary bytes to every image decoder, the image source and the property reader.
// Build the whole tree with -DQUILLON_SANITIZE=ON as well so the codec glue is instrumented.
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/ImageDecoder.h"
#include "platform/imageio/MCMetadataReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A private copy, so reads past the end hit the sanitizer's red zone.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (auto &decoder : platform::createAllDecoders()) {
        if (!decoder->open(bytes))
            continue;
        const size_t count = std::min<size_t>(decoder->count(), 4);
        for (size_t i = 0; i < count; ++i) {
            decoder->info(i);
            decoder->decode(i, 0);
            decoder->decode(i, 32);
            decoder->embeddedThumbnail(i);
            decoder->formatProperties(i);
        }
        decoder->exifBlock();
        decoder->xmpPacket();
    }
    platform::readImageMetadata(bytes);
    platform::readImageMetadataFromBlocks(bytes, bytes);
    platform::embeddedPreview(bytes, 0);
    const CGImageSourceRef source = CGImageSource::createWithData(bytes);
    source->copyPropertiesAtIndex(0);
    source->createThumbnailAtIndex(0, {{kCGImageSourceCreateThumbnailFromImageIfAbsent, true},
                                       {kCGImageSourceThumbnailMaxPixelSize, 64},
                                       {kCGImageSourceCreateThumbnailWithTransform, true}});
    return 0;
}
