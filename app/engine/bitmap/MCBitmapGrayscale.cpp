#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/bitmap/MCBitmapOperations.h"

#include "platform/accelerate/MCGeometryKernels.h"
#include "platform/accelerate/MCGrayscaleKernels.h"

namespace {

using Kernel8 = vImage_Error (*)(const vImage_Buffer *, const vImage_Buffer *);

// Runs run(planes, floats) on the working planes; true when it answers no error.
template<typename Run>
bool runGray(MCBitmap &bitmap, Run run)
{
    return mcbitmap::onWorkingPlanes(bitmap, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        return run(planes, layout == mcbitmap::WorkingLayout::RGBAF) == kvImageNoError;
    });
}

// The 8-bit or float member of a gray kernel on the red, green and blue planes in place.
bool runGray(MCBitmap &bitmap, Kernel8 planar8, Kernel8 planarF)
{
    return runGray(bitmap, [&](vImage_Buffer *planes, bool floats) {
        return (floats ? planarF : planar8)(planes, planes);
    });
}

// Copies plane `from` whole into the two other colour planes, the lower-numbered first.
bool copyChannel(MCBitmap &bitmap, size_t from)
{
    return runGray(bitmap, [&](vImage_Buffer *planes, bool floats) {
        for (size_t to = 0; to < 3; ++to) {
            if (to == from)
                continue;
            const vImage_Error status = floats ? MCCopyRegionPlanarF(&planes[from], &planes[to], 0, 0)
                                               : MCCopyRegionPlanar8(&planes[from], &planes[to], 0, 0);
            if (status != kvImageNoError)
                return status;
        }
        return vImage_Error(kvImageNoError);
    });
}

} // namespace

bool MCBitmap::grayscaleAverage(MCError *)
{
    return runGray(*this, MCGrayscaleAveragePlanar8, MCGrayscaleAveragePlanarF);
}

bool MCBitmap::grayscaleMinimum(MCError *)
{
    return runGray(*this, MCGrayscaleMinimumPlanar8, MCGrayscaleMinimumPlanarF);
}

bool MCBitmap::grayscaleMaximum(MCError *)
{
    return runGray(*this, MCGrayscaleMaximumPlanar8, MCGrayscaleMaximumPlanarF);
}

bool MCBitmap::grayscaleChannelR(MCError *)
{
    return copyChannel(*this, 0);
}

bool MCBitmap::grayscaleChannelG(MCError *)
{
    return copyChannel(*this, 1);
}

bool MCBitmap::grayscaleChannelB(MCError *)
{
    return copyChannel(*this, 2);
}

bool MCBitmap::grayscaleLightness(MCError *)
{
    return runGray(*this, MCGrayscaleLightnessPlanar8, MCGrayscaleLightnessPlanarF);
}

bool MCBitmap::grayscaleWeighted(const std::array<float, 3> &weights, float gamma, MCError *)
{
    // Weighted on linear values when a gamma is given, then encoded again.
    const bool linearise = gamma != 1.0f;
    return mcbitmap::onWorkingPlanes(*this, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        if (linearise && !adjustGamma(gamma))
            return false;
        const vImage_Error status = layout == mcbitmap::WorkingLayout::RGBAF
                                        ? MCGrayscaleWeightedPlanarF(planes, planes, weights.data())
                                        : MCGrayscaleWeightedPlanar8(planes, planes, weights.data());
        return status == kvImageNoError && (!linearise || adjustGamma(1.0f / gamma));
    });
}
