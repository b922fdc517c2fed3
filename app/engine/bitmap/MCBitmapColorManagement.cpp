// Colour management of MCBitmap: assigning, converting and proofing with ColorSync
// transforms (lcms2 underneath; transforms are cached by the colour layer).
#include "app/engine/bitmap/MCBitmap.h"

#include "platform/accelerate/vImageBuffer.h"
#include "platform/graphics/CGColorSpace.h"

#include <cstdlib>

namespace {

// The space itself when its profile is usable, else the generic space of its model.
CGColorSpaceRef profileSpace(const CGColorSpaceRef &space)
{
    if (!space)
        return nullptr;
    if (!space->iccData().isEmpty() && CGColorSpace::createWithICCData(space->iccData()))
        return space;
    switch (space->model()) {
    case kCGColorSpaceModelMonochrome: return CGColorSpace::createWithName(kCGColorSpaceSRGBGray);
    case kCGColorSpaceModelRGB: return CGColorSpace::createWithName(kCGColorSpaceSRGB);
    case kCGColorSpaceModelCMYK: return CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    case kCGColorSpaceModelLab: return CGColorSpace::createWithName(kCGColorSpaceGenericLab);
    default: return nullptr;
    }
}

bool isKnownIntent(CGColorRenderingIntent intent)
{
    return intent >= kCGRenderingIntentDefault && intent <= kCGRenderingIntentSaturation;
}

} // namespace

QString MCBitmap::colorSyncRenderingIntentFromCGRenderingIntent(CGColorRenderingIntent intent)
{
    switch (intent) {
    case kCGRenderingIntentDefault: return QStringLiteral("kColorSyncRenderingIntentUseProfileHeader");
    case kCGRenderingIntentAbsoluteColorimetric: return QStringLiteral("kColorSyncRenderingIntentAbsolute");
    case kCGRenderingIntentRelativeColorimetric: return QStringLiteral("kColorSyncRenderingIntentRelative");
    case kCGRenderingIntentPerceptual: return QStringLiteral("kColorSyncRenderingIntentPerceptual");
    case kCGRenderingIntentSaturation: return QStringLiteral("kColorSyncRenderingIntentSaturation");
    default: return QString();
    }
}

bool MCBitmap::assignColorSpace(const CGColorSpaceRef &space, MCError *)
{
    if (space == colorSpace())
        return true;
    if (!space || !colorSpace() || space->model() != colorSpace()->model())
        return false;
    m_imageFormat.colorSpace = space;
    return true;
}

vImage_Error MCBitmap::convertToColorSpace(const CGColorSpaceRef &space, const ColorSyncTransformRef &transform)
{
    if (!space || !transform)
        return kvImageNullPointerArgument;
    const CGBitmapInfo info = m_imageFormat.bitmapInfo;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(info);
    const size_t components = space->numberOfComponents() +
                              (alpha >= kCGImageAlphaPremultipliedLast && alpha <= kCGImageAlphaNoneSkipFirst ? 1 : 0);
    const uint32_t bitsPerPixel = uint32_t(components * m_imageFormat.bitsPerComponent);
    vImage_Buffer target = m_imageBuffer;
    if (bitsPerPixel != m_imageFormat.bitsPerPixel) {
        if (vImage_Error status = vImageBuffer_Init(&target, m_imageBuffer.height, m_imageBuffer.width, bitsPerPixel, 0))
            return status;
    }
    const ColorSyncDataDepth depth = platform::colorSyncDepth(m_imageFormat.bitsPerComponent, info);
    const ColorSyncDataLayout layout = info & kColorSyncDataLayoutMask;
    if (!transform->convert(std::min(target.width, m_imageBuffer.width), std::min(target.height, m_imageBuffer.height),
                            target.data, depth, layout, target.rowBytes, m_imageBuffer.data, depth, layout,
                            m_imageBuffer.rowBytes)) {
        if (target.data != m_imageBuffer.data)
            std::free(target.data);
        return kvImageInternalError;
    }
    replaceBuffer(target);
    m_imageFormat.colorSpace = space;
    m_imageFormat.bitsPerPixel = bitsPerPixel;
    return kvImageNoError;
}

bool MCBitmap::convertToColorSpace(const CGColorSpaceRef &space, CGColorRenderingIntent intent, bool bpc, MCError *)
{
    if (!useImageBuffer() || !isKnownIntent(intent))
        return false;
    const CGColorSpaceRef source = profileSpace(colorSpace());
    const CGColorSpaceRef target = profileSpace(space);
    if (!source || !target)
        return false;
    const ColorSyncTransformRef transform = ColorSyncTransform::create({
        {source, intent, kColorSyncTransformDeviceToPCS, bpc},
        {target, intent, kColorSyncTransformPCSToDevice, bpc},
    });
    // The bitmap takes the space it was asked for; its pixels follow the profile used for it.
    return transform && convertToColorSpace(space, transform) == kvImageNoError;
}

vImage_Error MCBitmap::proofWithColorSpace(const CGColorSpaceRef &, const ColorSyncTransformRef &transform)
{
    if (!transform)
        return kvImageNullPointerArgument;
    const CGBitmapInfo info = m_imageFormat.bitmapInfo;
    // The depth follows the samples as they are: reading 16-bit samples as floats would
    // write garbage over the photo.
    const ColorSyncDataDepth depth = platform::colorSyncDepth(m_imageFormat.bitsPerComponent, info);
    const ColorSyncDataLayout layout = info & kColorSyncDataLayoutMask;
    return transform->convert(m_imageBuffer.width, m_imageBuffer.height, m_imageBuffer.data, depth, layout,
                              m_imageBuffer.rowBytes, m_imageBuffer.data, depth, layout, m_imageBuffer.rowBytes)
               ? kvImageNoError
               : kvImageInternalError;
}

bool MCBitmap::proofWithColorSpace(const CGColorSpaceRef &space, CGColorRenderingIntent intent, bool bpc, MCError *)
{
    if (!useImageBuffer() || !isKnownIntent(intent) || !space || !colorSpace())
        return false;
    if (space->iccData().isEmpty() || colorSpace()->iccData().isEmpty())
        return false;
    const ColorSyncTransformRef transform = ColorSyncTransform::createProof(colorSpace(), space, intent, bpc);
    return transform && proofWithColorSpace(space, transform) == kvImageNoError;
}
