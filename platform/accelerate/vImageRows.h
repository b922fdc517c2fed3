#pragma once

// Internal helpers of the pixel kernels: buffer checks and row access. Kernels spread their
// rows over the processors with platform::forEachRowRange.
#include "platform/accelerate/vImageTypes.h"
#include "platform/graphics/CGRowLoop.h"

namespace platform::vimage {

// −21772 for a missing buffer or memory, −21773 for a zero side, −21777 for a row length
// shorter than width × bytesPerPixel.
vImage_Error checkBuffer(const vImage_Buffer *buffer, size_t bytesPerPixel);
// checkBuffer() of both, and −21766 when the destination (the region of interest) is larger
// than the source.
vImage_Error checkPair(const vImage_Buffer *source, const vImage_Buffer *destination, size_t bytesPerPixel);

inline uint8_t *rowOf(const vImage_Buffer *buffer, size_t y)
{
    return static_cast<uint8_t *>(buffer->data) + y * buffer->rowBytes;
}

} // namespace platform::vimage
