// Sharpness, blur and vignette of the bitmap. They choose their kernel by the component size
// alone (8-bit or float) and work on channel 0 of a gray bitmap, else on red, green and blue;
// alpha is never changed. Sharpness and blur filter into temporary planes that replace the
// channels only when every channel succeeded. On a picture with transparency they weigh each
// neighbour's colour by its alpha (as premultiplied pixels would), so that the colour of
// transparent pixels does not bleed into the visible ones; an opaque picture skips that.
#include "app/engine/bitmap/MCBitmap.h"

#include "app/engine/bitmap/MCBitmapAdjustments.h"
#include "app/engine/bitmap/MCBitmapKernels.h"
#include "platform/accelerate/MCAlphaKernels.h"
#include "platform/accelerate/MCBlurKernels.h"
#include "platform/accelerate/vImageBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// The alpha plane of a colour bitmap with alpha that is not opaque everywhere; nullptr for a
// gray bitmap, a colour bitmap without alpha, or one whose alpha is all opaque.
const vImage_Buffer *translucentAlpha(MCBitmap &bitmap, size_t count, SampleType type)
{
    if (count != 3 || bitmap.bitsPerPixel() != 4 * bitmap.bitsPerComponent())
        return nullptr;
    const vImage_Buffer &alpha = bitmap.imageChannels()[3];
    const bool opaque = type == SampleType::UInt8 ? MCIsOpaquePlanar8(alpha) : MCIsOpaquePlanarF(alpha);
    return opaque ? nullptr : &alpha;
}

// The out-of-place frame of sharpness and blur: `filter` from each worked channel into a
// temporary plane (with the alpha plane when the picture has transparency), which replace the
// channels only when all succeeded.
template<typename Filter>
bool filterChannels(MCBitmap &bitmap, Filter filter)
{
    if (!bitmap.useImageChannels())
        return false;
    size_t count;
    SampleType type;
    if (!workedChannels(bitmap, count, type))
        return true; // nothing this family can work on
    const vImage_Buffer *alpha = translucentAlpha(bitmap, count, type);
    return mcbitmap::filterOutOfPlace(bitmap.imageChannels().data(), count, uint32_t(bitmap.bitsPerComponent()),
                                      [&](const vImage_Buffer &source, const vImage_Buffer &destination) {
                                          return filter(source, destination, type, alpha);
                                      }) == kvImageNoError;
}

// The alpha-weighted blur of the three colour channels, which share the blurred alpha: into
// temporaries that replace the channels when the blur succeeded.
bool blurWeighted(MCBitmap &bitmap, const vImage_Buffer &alpha, SampleType type, platform::pixel::BlurType blur,
                  unsigned radius)
{
    std::array<vImage_Buffer, 3> results{};
    std::array<vImage_Buffer, 4> &planes = bitmap.imageChannels();
    vImage_Error status = kvImageNoError;
    for (size_t k = 0; k < 3 && status == kvImageNoError; ++k)
        status = vImageBuffer_Init(&results[k], planes[k].height, planes[k].width, uint32_t(bitmap.bitsPerComponent()),
                                   kvImageNoFlags);
    if (status == kvImageNoError)
        status = platform::pixel::blurPlanesWeighted(planes.data(), results.data(), 3, alpha, type, blur, radius);
    if (status == kvImageNoError)
        for (size_t k = 0; k < 3; ++k)
            std::swap(planes[k], results[k]);
    for (vImage_Buffer &result : results)
        std::free(result.data); // after an exchange: the channels' old memory
    return status == kvImageNoError;
}

} // namespace

bool MCBitmap::adjustSharpness(float sharpness, MCError *)
{
    if (!mcbitmap::allNumbers(sharpness))
        return false;
    return filterChannels(*this, [=](const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type,
                                     const vImage_Buffer *alpha) {
        return alpha ? platform::pixel::sharpenPlaneWeighted(source, destination, *alpha, type, sharpness)
                     : platform::pixel::sharpenPlane(source, destination, type, sharpness);
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
    if (!useImageChannels())
        return false;
    size_t count;
    SampleType samples;
    if (!workedChannels(*this, count, samples))
        return true; // nothing this family can work on
    if (const vImage_Buffer *alpha = translucentAlpha(*this, count, samples))
        return blurWeighted(*this, *alpha, samples, blur, r);
    return mcbitmap::filterOutOfPlace(m_imageChannels.data(), count, m_imageFormat.bitsPerComponent,
                                      [&](const vImage_Buffer &source, const vImage_Buffer &destination) {
                                          return platform::pixel::blurPlane(source, destination, samples, blur, r);
                                      }) == kvImageNoError;
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
