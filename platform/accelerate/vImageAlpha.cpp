#include "platform/accelerate/vImageAlpha.h"

#include "platform/accelerate/vImageRows.h"

#include <algorithm>

using namespace platform::vimage;

namespace {

template<typename T>
inline T unpremultiplied(T component, T alpha);

template<>
inline uint8_t unpremultiplied(uint8_t c, uint8_t a)
{
    return a == 0 ? 0 : uint8_t(std::min<unsigned>(255u, (unsigned(c) * 255u + a / 2u) / a));
}

template<>
inline uint16_t unpremultiplied(uint16_t c, uint16_t a)
{
    return a == 0 ? 0 : uint16_t(std::min<uint64_t>(65535u, (uint64_t(c) * 65535u + a / 2u) / a));
}

template<>
inline float unpremultiplied(float c, float a)
{
    return a == 0.0f ? 0.0f : c / a;
}

inline uint8_t premultiplied(uint8_t c, uint8_t a)
{
    const unsigned t = unsigned(c) * a + 128u;
    return uint8_t((t + (t >> 8)) >> 8);
}

inline float premultiplied(float c, float a)
{
    return c * a;
}

template<typename T, int AlphaIndex, bool Premultiply>
vImage_Error changeAlpha(const vImage_Buffer *source, const vImage_Buffer *destination)
{
    if (vImage_Error status = checkPair(source, destination, 4 * sizeof(T)))
        return status;
    const size_t width = destination->width;
    platform::forEachRowRange(destination->height, width * 4 * sizeof(T), [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const T *in = reinterpret_cast<const T *>(rowOf(source, y));
            T *out = reinterpret_cast<T *>(rowOf(destination, y));
            for (size_t x = 0; x < width; ++x, in += 4, out += 4) {
                const T alpha = in[AlphaIndex];
                for (int c = 0; c < 4; ++c) {
                    if constexpr (Premultiply)
                        out[c] = c == AlphaIndex ? alpha : premultiplied(in[c], alpha);
                    else
                        out[c] = c == AlphaIndex ? alpha : unpremultiplied<T>(in[c], alpha);
                }
            }
        }
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageUnpremultiplyData_RGBA8888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<uint8_t, 3, false>(source, destination);
}

vImage_Error vImageUnpremultiplyData_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<uint8_t, 0, false>(source, destination);
}

vImage_Error vImageUnpremultiplyData_RGBA16U(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<uint16_t, 3, false>(source, destination);
}

vImage_Error vImageUnpremultiplyData_RGBAFFFF(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<float, 3, false>(source, destination);
}

vImage_Error vImagePremultiplyData_RGBA8888(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<uint8_t, 3, true>(source, destination);
}

vImage_Error vImagePremultiplyData_RGBAFFFF(const vImage_Buffer *source, const vImage_Buffer *destination, vImage_Flags)
{
    return changeAlpha<float, 3, true>(source, destination);
}
