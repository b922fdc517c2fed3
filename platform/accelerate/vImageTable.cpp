#include "platform/accelerate/vImageTable.h"

#include "platform/accelerate/vImageRows.h"

#include <cmath>

using namespace platform::vimage;

namespace {

struct Gamma
{
    float exponent;
};

// Runs body(sourceRow, destinationRow) over the rows of the region, spread over the pool.
template<typename Sample, typename Body>
vImage_Error forEachRowPair(const vImage_Buffer *source, const vImage_Buffer *destination, Body body)
{
    if (vImage_Error status = checkPair(source, destination, sizeof(Sample)))
        return status;
    const size_t width = destination->width;
    platform::forEachRowRange(destination->height, width * sizeof(Sample), [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y)
            body(reinterpret_cast<const Sample *>(rowOf(source, y)), reinterpret_cast<Sample *>(rowOf(destination, y)),
                 width);
    });
    return kvImageNoError;
}

} // namespace

vImage_Error vImageTableLookUp_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                       const Pixel_8 table[256], vImage_Flags)
{
    if (!table)
        return kvImageNullPointerArgument;
    return forEachRowPair<uint8_t>(source, destination, [table](const uint8_t *in, uint8_t *out, size_t width) {
        for (size_t x = 0; x < width; ++x)
            out[x] = table[in[x]];
    });
}

vImage_Error vImageInterpolatedLookupTable_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                                   const Pixel_F *table, vImagePixelCount tableEntries,
                                                   Pixel_F maxFloat, Pixel_F minFloat, vImage_Flags)
{
    if (!table)
        return kvImageNullPointerArgument;
    if (tableEntries == 0 || !(maxFloat != minFloat) || !std::isfinite(maxFloat - minFloat))
        return kvImageInvalidParameter;
    const float last = float(tableEntries - 1);
    const float scale = last / (maxFloat - minFloat);
    return forEachRowPair<float>(source, destination, [=](const float *in, float *out, size_t width) {
        for (size_t x = 0; x < width; ++x) {
            const float position = (in[x] - minFloat) * scale;
            if (!(position > 0.0f)) { // below the table, or NaN
                out[x] = table[0];
            } else if (position >= last) {
                out[x] = table[tableEntries - 1];
            } else {
                const size_t i = size_t(position);
                const float f = position - float(i);
                out[x] = table[i] + (table[i + 1] - table[i]) * f;
            }
        }
    });
}

GammaFunction vImageCreateGammaFunction(float gamma, int gammaType, vImage_Flags)
{
    if (gammaType != kvImageGamma_UseGammaValue || !(gamma > 0.0f) || !std::isfinite(gamma))
        return nullptr;
    return new (std::nothrow) Gamma{gamma};
}

void vImageDestroyGammaFunction(GammaFunction function)
{
    delete static_cast<Gamma *>(function);
}

vImage_Error vImageGamma_PlanarF(const vImage_Buffer *source, const vImage_Buffer *destination,
                                 const GammaFunction function, vImage_Flags)
{
    if (!function)
        return kvImageNullPointerArgument;
    const float exponent = static_cast<const Gamma *>(function)->exponent;
    return forEachRowPair<float>(source, destination, [exponent](const float *in, float *out, size_t width) {
        for (size_t x = 0; x < width; ++x) {
            const float v = in[x];
            out[x] = v < 0.0f ? -std::pow(-v, exponent) : std::pow(v, exponent);
        }
    });
}
