#include "platform/accelerate/MCPixelKernel.h"

namespace platform::pixel {

void roundSaturate8(const float *values, uint8_t *out, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = roundSaturate8(values[i]);
}

bool planesAreUsable(const vImage_Buffer *planes, unsigned count, SampleType type)
{
    if (!planes || count == 0)
        return false;
    for (unsigned c = 0; c < count; ++c) {
        const vImage_Buffer &p = planes[c];
        if (!p.data || p.width == 0 || p.height == 0 || p.rowBytes < p.width * bytesPerSample(type))
            return false;
        if (p.height != planes[0].height || p.width != planes[0].width || p.rowBytes != planes[0].rowBytes)
            return false;
    }
    return true;
}

} // namespace platform::pixel
