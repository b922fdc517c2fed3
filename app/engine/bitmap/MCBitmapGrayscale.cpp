#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/bitmap/MCBitmapOperations.h"

#include "platform/accelerate/MCGeometryKernels.h"
#include "platform/accelerate/MCGrayscaleKernels.h"
#include "platform/accelerate/MCToneKernels.h"

namespace {

using Kernel8 = vImage_Error (*)(const vImage_Buffer *, const vImage_Buffer *);

// Runs the 8-bit or float member of a gray kernel on the red, green and blue planes in place.
// Formats other than the working ones are left as they are.
template<typename Run>
bool runGray(MCBitmap &bitmap, Run run)
{
    const mcbitmap::WorkingLayout layout = mcbitmap::workingLayoutOf(bitmap.imageFormat());
    if (layout == mcbitmap::WorkingLayout::None)
        return true;
    if (!bitmap.useImageChannels())
        return false;
    vImage_Buffer *planes = bitmap.imageChannels().data();
    return run(planes, layout == mcbitmap::WorkingLayout::RGBAF) == kvImageNoError;
}

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
    return runGray(*this, [&](vImage_Buffer *planes, bool floats) {
        using namespace platform::pixel;
        const SampleType type = floats ? SampleType::Float32 : SampleType::UInt8;
        // Weighted on linear values when a gamma is given, then encoded again.
        const bool linearise = gamma != 1.0f;
        if (linearise) {
            if (vImage_Error status = adjustGamma(planes, 3, type, gamma))
                return status;
        }
        if (vImage_Error status = floats ? MCGrayscaleWeightedPlanarF(planes, planes, weights.data())
                                         : MCGrayscaleWeightedPlanar8(planes, planes, weights.data()))
            return status;
        return linearise ? adjustGamma(planes, 3, type, 1.0f / gamma) : vImage_Error(kvImageNoError);
    });
}
