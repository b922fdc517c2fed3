#pragma once

// Internal helpers of the pixel kernels: buffer checks and the row loop that spreads a
// kernel's rows over the processors.
#include "platform/accelerate/vImageTypes.h"

#include <functional>

namespace platform::vimage {

// −21772 for a missing buffer or memory, −21773 for a zero side, −21777 for a row length
// shorter than width × bytesPerPixel.
vImage_Error checkBuffer(const vImage_Buffer *buffer, size_t bytesPerPixel);
// checkBuffer() of both, and −21766 when the destination (the region of interest) is larger
// than the source.
vImage_Error checkPair(const vImage_Buffer *source, const vImage_Buffer *destination, size_t bytesPerPixel);

// Runs body(first, end) over [0, rows) in pieces that never overlap and waits for all of
// them; `rowCost` is roughly the bytes a row touches, so small jobs stay on the caller.
void forEachRows(size_t rows, size_t rowCost, const std::function<void(size_t, size_t)> &body);

inline uint8_t *rowOf(const vImage_Buffer *buffer, size_t y)
{
    return static_cast<uint8_t *>(buffer->data) + y * buffer->rowBytes;
}

} // namespace platform::vimage
