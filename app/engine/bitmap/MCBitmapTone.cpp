// Tone adjustments of the bitmap: contrast, exposure, gamma, levels, automatic contrast and
// automatic white balance, over the planar tone kernels. Alpha is never changed.
#include "app/engine/bitmap/MCBitmap.h"

#include "app/engine/bitmap/MCBitmapAdjustments.h"
#include "platform/accelerate/MCToneKernels.h"

using platform::pixel::SampleType;

bool MCBitmap::adjustContrast(float contrast, float shift, MCError *)
{
    if (!mcbitmap::allNumbers(contrast, shift))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustContrast(channels, count, type, contrast, shift);
    }));
}

bool MCBitmap::adjustExposure(float gain, MCError *)
{
    if (!mcbitmap::allNumbers(gain))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustExposure(channels, count, type, gain);
    }));
}

bool MCBitmap::adjustGamma(float ratio, MCError *)
{
    // The kernel refuses exponents outside 0.1..10 (and NaN) before touching anything.
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustGamma(channels, count, type, ratio);
    }));
}

bool MCBitmap::adjustGamma(float gamma, float minInput, float maxInput, float minOutput, float maxOutput, MCError *)
{
    // Ranges outside 0..1 are clamped by the kernel; NaN cannot be placed anywhere.
    if (!mcbitmap::allNumbers(gamma, minInput, maxInput, minOutput, maxOutput))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        if (count < 3)
            return vImage_Error(kvImageNoError); // levels leave gray bitmaps as they are
        return platform::pixel::adjustLevels(channels, count, type, gamma, minInput, maxInput, minOutput, maxOutput);
    }));
}

bool MCBitmap::autoContrast(float fraction, MCError *)
{
    if (!mcbitmap::allNumbers(fraction))
        return false;
    const float dark[3] = {fraction, fraction, fraction};
    return runKernels(mcbitmap::bothDepths([&](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::autoContrast(channels, count, type, dark, dark);
    }));
}

bool MCBitmap::autoWhiteBalance(float fraction, MCError *)
{
    if (!mcbitmap::allNumbers(fraction))
        return false;
    const float dark[3] = {fraction, fraction, fraction};
    return runKernels(mcbitmap::bothDepths([&](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::autoWhiteBalance(channels, count, type, dark, dark);
    }));
}
