#include "platform/accelerate/vImageRows.h"

namespace platform::vimage {

vImage_Error checkBuffer(const vImage_Buffer *buffer, size_t bytesPerPixel)
{
    if (!buffer || !buffer->data)
        return kvImageNullPointerArgument;
    if (buffer->width == 0 || buffer->height == 0)
        return kvImageInvalidParameter;
    if (buffer->rowBytes < buffer->width * bytesPerPixel)
        return kvImageInvalidRowBytes;
    return kvImageNoError;
}

vImage_Error checkPair(const vImage_Buffer *source, const vImage_Buffer *destination, size_t bytesPerPixel)
{
    if (vImage_Error status = checkBuffer(source, bytesPerPixel))
        return status;
    if (vImage_Error status = checkBuffer(destination, bytesPerPixel))
        return status;
    if (destination->width > source->width || destination->height > source->height)
        return kvImageRoiLargerThanInputBuffer;
    return kvImageNoError;
}

} // namespace platform::vimage
