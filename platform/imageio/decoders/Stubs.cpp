#include "platform/imageio/decoders/Decoders.h"
namespace platform {
std::unique_ptr<ImageDecoder> createGifDecoder() { return nullptr; }
std::unique_ptr<ImageDecoder> createBmpDecoder() { return nullptr; }
std::unique_ptr<ImageDecoder> createWebPDecoder() { return nullptr; }
std::unique_ptr<ImageDecoder> createHeifDecoder() { return nullptr; }
std::unique_ptr<ImageDecoder> createJpeg2000Decoder() { return nullptr; }
std::unique_ptr<ImageDecoder> createRawDecoder() { return nullptr; }
}
