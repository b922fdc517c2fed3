// Sharpness, blur and vignette of the bitmap. They choose their kernel by the component size
// alone (8-bit or float) and work on channel 0 of a gray bitmap, else on red, green and blue;
// alpha is never changed. Sharpness and blur filter into temporary planes that replace the
// channels only when every channel succeeded.
#include "app/engine/bitmap/MCBitmap.h"

#include "app/engine/bitmap/MCBitmapAdjustments.h"
#include "app/engine/bitmap/MCBitmapKernels.h"
#include "platform/accelerate/MCBlurKernels.h"

#include <algorithm>
#include <cmath>

using platform::pixel::SampleType;

namespace {

// The planes worked and their sample type; false for a component size other than 8 and 32.
bool workedChannels(const MCBitmap &bitmap, size_t &count, SampleType &type)
{
    const uint64_t bpc = bitmap.bitsPerComponent();
    if (bpc != 8 && bpc != 32)
        return false;
    type = bpc == 8 ? SampleType::UInt8 : SampleType::Float32;
    count = bitmap.bitsPerPixel() == bpc ? 1 : 3;
    return true;
}

// The out-of-place frame of sharpness and blur: `filter` from each worked channel into a
// temporary plane, which replace the channels only when all succeeded.
template<typename Filter>
bool filterChannels(MCBitmap &bitmap, Filter filter)
{
    if (!bitmap.useImageChannels())
        return false;
    size_t count;
    SampleType type;
    if (!workedChannels(bitmap, count, type))
        return true; // nothing this family can work on
    return mcbitmap::filterOutOfPlace(bitmap.imageChannels().data(), count, uint32_t(bitmap.bitsPerComponent()),
                                      [&](const vImage_Buffer &source, const vImage_Buffer &destination) {
                                          return filter(source, destination, type);
                                      }) == kvImageNoError;
}

} // namespace

bool MCBitmap::adjustSharpness(float sharpness, MCError *)
{
    if (!mcbitmap::allNumbers(sharpness))
        return false;
    return filterChannels(*this, [=](const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type) {
        return platform::pixel::sharpenPlane(source, destination, type, sharpness);
    });
}

bool MCBitmap::blurWithRadius(uint64_t radius, uint64_t type, MCError *)
{
    if (radius == 0)
        return true;
    if (type > uint64_t(platform::pixel::BlurType::Gaussian))
        return true; // an unknown kind of blur leaves the picture as it is
    const auto blur = platform::pixel::BlurType(type);
    const unsigned r = unsigned(std::min<uint64_t>(radius, platform::pixel::kMaximumBlurRadius));
    return filterChannels(*this, [=](const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type) {
        return platform::pixel::blurPlane(source, destination, type, blur, r);
    });
}

bool MCBitmap::vignetteWithExposure(float gain, MCError *)
{
    if (gain == 1.0f)
        return true;
    if (!mcbitmap::allNumbers(gain))
        return false;
    if (!useImageChannels())
        return false;
    size_t count;
    SampleType type;
    if (!workedChannels(*this, count, type))
        return true;
    // A gray bitmap has no alpha: it is opaque. So is a colour bitmap without an alpha plane.
    const vImage_Buffer *alpha = count == 3 && m_imageFormat.bitsPerPixel == 4 * m_imageFormat.bitsPerComponent
                                     ? &m_imageChannels[3]
                                     : nullptr;
    for (size_t c = 0; c < count; ++c)
        if (platform::pixel::vignettePlane(m_imageChannels[c], alpha, type, gain) != kvImageNoError)
            return false;
    return true;
}
