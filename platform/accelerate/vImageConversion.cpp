#include "platform/accelerate/vImageConversion.h"

#include "platform/accelerate/vImageRows.h"

using namespace platform::vimage;

vImage_Error vImageConvert_ARGB8888toRGB888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    if (vImage_Error status = checkBuffer(source, 4))
        return status;
    if (vImage_Error status = checkBuffer(destination, 3))
        return status;
    if (destination->width > source->width || destination->height > source->height)
        return kvImageRoiLargerThanInputBuffer;
    const size_t width = destination->width;
    platform::forEachRowRange(destination->height, width * 7, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const uint8_t *in = rowOf(source, y);
            uint8_t *out = rowOf(destination, y);
            for (size_t x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[1];
                out[1] = in[2];
                out[2] = in[3];
            }
        }
    });
    return kvImageNoError;
}
