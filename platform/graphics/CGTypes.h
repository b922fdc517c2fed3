#pragma once

// Pixel-format vocabulary shared by the decoders, the bitmap, the colour layer and the
// writers. The numeric values are the platform's, because stored settings and the image
// functions' rules speak in them (alpha info 1 = premultiplied last, 0x100 = float ...).
#include <cstdint>
#include <memory>

enum CGColorSpaceModel : int32_t {
    kCGColorSpaceModelUnknown = -1,
    kCGColorSpaceModelMonochrome = 0,
    kCGColorSpaceModelRGB = 1,
    kCGColorSpaceModelCMYK = 2,
    kCGColorSpaceModelLab = 3,
    kCGColorSpaceModelDeviceN = 4,
    kCGColorSpaceModelIndexed = 5,
    kCGColorSpaceModelPattern = 6,
    kCGColorSpaceModelXYZ = 7,
};

using CGBitmapInfo = uint32_t;

enum CGImageAlphaInfo : uint32_t {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,
    kCGImageAlphaPremultipliedFirst = 2,
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,
    kCGImageAlphaNoneSkipFirst = 6,
    kCGImageAlphaOnly = 7,
};

constexpr CGBitmapInfo kCGBitmapAlphaInfoMask = 0x1F;
constexpr CGBitmapInfo kCGBitmapFloatInfoMask = 0xF00;
constexpr CGBitmapInfo kCGBitmapFloatComponents = 1u << 8;
constexpr CGBitmapInfo kCGBitmapByteOrderMask = 0x7000;
constexpr CGBitmapInfo kCGBitmapByteOrderDefault = 0;
constexpr CGBitmapInfo kCGBitmapByteOrder16Little = 1u << 12;
constexpr CGBitmapInfo kCGBitmapByteOrder32Little = 2u << 12;
constexpr CGBitmapInfo kCGBitmapByteOrder16Big = 3u << 12;
constexpr CGBitmapInfo kCGBitmapByteOrder32Big = 4u << 12;

inline CGImageAlphaInfo CGBitmapAlphaInfo(CGBitmapInfo info)
{
    return static_cast<CGImageAlphaInfo>(info & kCGBitmapAlphaInfoMask);
}

// True when the alpha info names a real alpha channel (not none, not skip).
inline bool CGImageAlphaInfoHasAlpha(CGImageAlphaInfo info)
{
    return info == kCGImageAlphaPremultipliedLast || info == kCGImageAlphaPremultipliedFirst ||
           info == kCGImageAlphaLast || info == kCGImageAlphaFirst || info == kCGImageAlphaOnly;
}

enum CGColorRenderingIntent : int32_t {
    kCGRenderingIntentDefault = 0,
    kCGRenderingIntentAbsoluteColorimetric = 1,
    kCGRenderingIntentRelativeColorimetric = 2,
    kCGRenderingIntentPerceptual = 3,
    kCGRenderingIntentSaturation = 4,
};

class CGColorSpace;
class CGImage;
using CGColorSpaceRef = std::shared_ptr<const CGColorSpace>;
using CGImageRef = std::shared_ptr<const CGImage>;
