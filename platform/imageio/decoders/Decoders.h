#pragma once

#include "platform/imageio/ImageDecoder.h"

// Factories of the format decoders (one source file each).
namespace platform {

std::unique_ptr<ImageDecoder> createJpegDecoder();
std::unique_ptr<ImageDecoder> createPngDecoder();
std::unique_ptr<ImageDecoder> createTiffDecoder();
std::unique_ptr<ImageDecoder> createGifDecoder();
std::unique_ptr<ImageDecoder> createBmpDecoder();
std::unique_ptr<ImageDecoder> createPnmDecoder();
std::unique_ptr<ImageDecoder> createIcoDecoder();
std::unique_ptr<ImageDecoder> createTgaDecoder();
std::unique_ptr<ImageDecoder> createSgiDecoder();
std::unique_ptr<ImageDecoder> createWebPDecoder();
std::unique_ptr<ImageDecoder> createHeifDecoder();
std::unique_ptr<ImageDecoder> createJpeg2000Decoder();
std::unique_ptr<ImageDecoder> createRawDecoder();

} // namespace platform
