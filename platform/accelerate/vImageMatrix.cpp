#include "platform/accelerate/vImageMatrix.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>
#include <cmath>

using namespace platform::vimage;

namespace {

constexpr uint32_t kMaximumPlanes = 4;

template<typename Sample>
vImage_Error checkPlanes(const vImage_Buffer *srcs[], const vImage_Buffer *dests[], uint32_t srcPlanes,
                         uint32_t destPlanes, const void *matrix)
{
    if (!srcs || !dests || !matrix)
        return kvImageNullPointerArgument;
    if (srcPlanes == 0 || destPlanes == 0 || srcPlanes > kMaximumPlanes || destPlanes > kMaximumPlanes)
        return kvImageInvalidParameter;
    if (vImage_Error status = checkBuffer(dests[0], sizeof(Sample)))
        return status;
    for (uint32_t j = 0; j < destPlanes; ++j) {
        if (vImage_Error status = checkBuffer(dests[j], sizeof(Sample)))
            return status;
        if (dests[j]->width != dests[0]->width || dests[j]->height != dests[0]->height)
            return kvImageBufferSizeMismatch;
    }
    for (uint32_t i = 0; i < srcPlanes; ++i) {
        if (vImage_Error status = checkPair(srcs[i], dests[0], sizeof(Sample)))
            return status;
    }
    return kvImageNoError;
}

// Calls body(sourceRows, destinationRows, width) for every row of the region, spread over the pool.
template<typename Sample, typename Body>
void forEachRow(const vImage_Buffer *srcs[], const vImage_Buffer *dests[], uint32_t srcPlanes, uint32_t destPlanes,
                Body body)
{
    const size_t width = dests[0]->width;
    platform::forEachRowRange(dests[0]->height, width * sizeof(Sample) * (srcPlanes + destPlanes),
                              [&](size_t first, size_t end) {
                                  const Sample *in[kMaximumPlanes];
                                  Sample *out[kMaximumPlanes];
                                  for (size_t y = first; y < end; ++y) {
                                      for (uint32_t i = 0; i < srcPlanes; ++i)
                                          in[i] = reinterpret_cast<const Sample *>(rowOf(srcs[i], y));
                                      for (uint32_t j = 0; j < destPlanes; ++j)
                                          out[j] = reinterpret_cast<Sample *>(rowOf(dests[j], y));
                                      body(in, out, width);
                                  }
                              });
}

} // namespace

vImage_Error vImageMatrixMultiply_Planar8(const vImage_Buffer *srcs[], const vImage_Buffer *dests[],
                                          uint32_t srcPlanes, uint32_t destPlanes, const int16_t matrix[],
                                          int32_t divisor, const int16_t *preBias, const int32_t *postBias,
                                          vImage_Flags)
{
    if (vImage_Error status = checkPlanes<uint8_t>(srcs, dests, srcPlanes, destPlanes, matrix))
        return status;
    if (divisor == 0)
        return kvImageInvalidParameter;
    const double inverse = 1.0 / double(divisor);
    forEachRow<uint8_t>(srcs, dests, srcPlanes, destPlanes, [&](const uint8_t **in, uint8_t **out, size_t width) {
        for (size_t x = 0; x < width; ++x) {
            int32_t source[kMaximumPlanes];
            for (uint32_t i = 0; i < srcPlanes; ++i)
                source[i] = int32_t(in[i][x]) + (preBias ? preBias[i] : 0);
            for (uint32_t j = 0; j < destPlanes; ++j) {
                int64_t sum = postBias ? postBias[j] : 0;
                for (uint32_t i = 0; i < srcPlanes; ++i)
                    sum += int64_t(source[i]) * matrix[i * destPlanes + j];
                const double value = std::round(double(sum) * inverse);
                out[j][x] = uint8_t(std::clamp(value, 0.0, 255.0));
            }
        }
    });
    return kvImageNoError;
}

vImage_Error vImageMatrixMultiply_PlanarF(const vImage_Buffer *srcs[], const vImage_Buffer *dests[],
                                          uint32_t srcPlanes, uint32_t destPlanes, const float matrix[],
                                          const float *preBias, const float *postBias, vImage_Flags)
{
    if (vImage_Error status = checkPlanes<float>(srcs, dests, srcPlanes, destPlanes, matrix))
        return status;
    forEachRow<float>(srcs, dests, srcPlanes, destPlanes, [&](const float **in, float **out, size_t width) {
        for (size_t x = 0; x < width; ++x) {
            float source[kMaximumPlanes];
            for (uint32_t i = 0; i < srcPlanes; ++i)
                source[i] = in[i][x] + (preBias ? preBias[i] : 0.0f);
            for (uint32_t j = 0; j < destPlanes; ++j) {
                float sum = postBias ? postBias[j] : 0.0f;
                for (uint32_t i = 0; i < srcPlanes; ++i)
                    sum += source[i] * matrix[i * destPlanes + j];
                out[j][x] = sum;
            }
        }
    });
    return kvImageNoError;
}
