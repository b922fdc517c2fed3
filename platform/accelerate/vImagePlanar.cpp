#include "platform/accelerate/vImagePlanar.h"

#include "platform/accelerate/vImageRows.h"

using namespace platform::vimage;

namespace {

// Checks the interleaved buffer and every plane against the region (`region` is the
// destination: the planes when splitting, the interleaved buffer when merging).
template<typename T, size_t N>
vImage_Error checkAll(const vImage_Buffer *interleaved, const vImage_Buffer *const (&planes)[N],
                      const vImage_Buffer *region)
{
    if (vImage_Error status = checkBuffer(interleaved, N * sizeof(T)))
        return status;
    for (const vImage_Buffer *plane : planes) {
        if (vImage_Error status = checkBuffer(plane, sizeof(T)))
            return status;
        if (plane->width < region->width || plane->height < region->height)
            return kvImageRoiLargerThanInputBuffer;
    }
    if (interleaved->width < region->width || interleaved->height < region->height)
        return kvImageRoiLargerThanInputBuffer;
    return kvImageNoError;
}

template<typename T, size_t N>
vImage_Error split(const vImage_Buffer *source, const vImage_Buffer *const (&planes)[N])
{
    if (vImage_Error status = checkAll<T, N>(source, planes, planes[0]))
        return status;
    const size_t width = planes[0]->width;
    platform::forEachRowRange(planes[0]->height, width * N * sizeof(T), [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            const T *in = reinterpret_cast<const T *>(rowOf(source, y));
            T *out[N];
            for (size_t k = 0; k < N; ++k)
                out[k] = reinterpret_cast<T *>(rowOf(planes[k], y));
            for (size_t x = 0; x < width; ++x)
                for (size_t k = 0; k < N; ++k)
                    out[k][x] = in[x * N + k];
        }
    });
    return kvImageNoError;
}

template<typename T, size_t N>
vImage_Error merge(const vImage_Buffer *const (&planes)[N], const vImage_Buffer *destination)
{
    if (vImage_Error status = checkAll<T, N>(destination, planes, destination))
        return status;
    const size_t width = destination->width;
    platform::forEachRowRange(destination->height, width * N * sizeof(T), [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            T *out = reinterpret_cast<T *>(rowOf(destination, y));
            const T *in[N];
            for (size_t k = 0; k < N; ++k)
                in[k] = reinterpret_cast<const T *>(rowOf(planes[k], y));
            for (size_t x = 0; x < width; ++x)
                for (size_t k = 0; k < N; ++k)
                    out[x * N + k] = in[k][x];
        }
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageConvert_ARGB8888toPlanar8(const vImage_Buffer *source, const vImage_Buffer *p0,
                                             const vImage_Buffer *p1, const vImage_Buffer *p2,
                                             const vImage_Buffer *p3, vImage_Flags)
{
    return split<uint8_t, 4>(source, {p0, p1, p2, p3});
}

vImage_Error vImageConvert_RGB888toPlanar8(const vImage_Buffer *source, const vImage_Buffer *p0,
                                           const vImage_Buffer *p1, const vImage_Buffer *p2, vImage_Flags)
{
    return split<uint8_t, 3>(source, {p0, p1, p2});
}

vImage_Error vImageConvert_ARGBFFFFtoPlanarF(const vImage_Buffer *source, const vImage_Buffer *p0,
                                             const vImage_Buffer *p1, const vImage_Buffer *p2,
                                             const vImage_Buffer *p3, vImage_Flags)
{
    return split<float, 4>(source, {p0, p1, p2, p3});
}

vImage_Error vImageConvert_RGBFFFtoPlanarF(const vImage_Buffer *source, const vImage_Buffer *p0,
                                           const vImage_Buffer *p1, const vImage_Buffer *p2, vImage_Flags)
{
    return split<float, 3>(source, {p0, p1, p2});
}

vImage_Error vImageConvert_Planar8toARGB8888(const vImage_Buffer *p0, const vImage_Buffer *p1,
                                             const vImage_Buffer *p2, const vImage_Buffer *p3,
                                             const vImage_Buffer *destination, vImage_Flags)
{
    return merge<uint8_t, 4>({p0, p1, p2, p3}, destination);
}

vImage_Error vImageConvert_Planar8toRGB888(const vImage_Buffer *p0, const vImage_Buffer *p1,
                                           const vImage_Buffer *p2, const vImage_Buffer *destination, vImage_Flags)
{
    return merge<uint8_t, 3>({p0, p1, p2}, destination);
}

vImage_Error vImageConvert_PlanarFtoARGBFFFF(const vImage_Buffer *p0, const vImage_Buffer *p1,
                                             const vImage_Buffer *p2, const vImage_Buffer *p3,
                                             const vImage_Buffer *destination, vImage_Flags)
{
    return merge<float, 4>({p0, p1, p2, p3}, destination);
}

vImage_Error vImageConvert_PlanarFtoRGBFFF(const vImage_Buffer *p0, const vImage_Buffer *p1,
                                           const vImage_Buffer *p2, const vImage_Buffer *destination, vImage_Flags)
{
    return merge<float, 3>({p0, p1, p2}, destination);
}
