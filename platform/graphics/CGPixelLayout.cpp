#include "platform/graphics/CGPixelLayout.h"

#include <QtGlobal>

#include <algorithm>

namespace platform {

bool describePixelLayout(size_t colours, size_t bitsPerComponent, size_t bitsPerPixel, CGBitmapInfo bitmapInfo,
                         CGPixelLayout *layout)
{
    constexpr bool hostIsLittle = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo);
    const bool isFloat = (bitmapInfo & kCGBitmapFloatComponents) != 0;
    const CGBitmapInfo order = bitmapInfo & kCGBitmapByteOrderMask;
    if (colours == 0 || colours > 4 || alpha > kCGImageAlphaNoneSkipFirst)
        return false;
    if (!((bitsPerComponent == 8 && !isFloat) || (bitsPerComponent == 16 && !isFloat) ||
          (bitsPerComponent == 32 && isFloat)))
        return false;
    CGPixelLayout l;
    l.colours = colours;
    l.channels = colours + (alpha == kCGImageAlphaNone ? 0 : 1);
    l.bitsPerComponent = bitsPerComponent;
    l.isFloat = isFloat;
    if (bitsPerPixel != l.channels * bitsPerComponent)
        return false;
    bool reversed = false;
    switch (bitsPerComponent) {
    case 8:
        if (order == kCGBitmapByteOrder32Little && l.channels == 4)
            reversed = true;
        else if (order != kCGBitmapByteOrderDefault && !(order == kCGBitmapByteOrder32Big && l.channels == 4))
            return false;
        break;
    case 16:
        if (order == kCGBitmapByteOrder16Little)
            l.swapBytes = !hostIsLittle;
        else if (order == kCGBitmapByteOrder16Big)
            l.swapBytes = hostIsLittle;
        else if (order != kCGBitmapByteOrderDefault)
            return false;
        break;
    default:
        if (order == kCGBitmapByteOrder32Little)
            l.swapBytes = !hostIsLittle;
        else if (order == kCGBitmapByteOrder32Big)
            l.swapBytes = hostIsLittle;
        else if (order != kCGBitmapByteOrderDefault)
            return false;
        break;
    }
    const bool extraFirst = alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaFirst ||
                            alpha == kCGImageAlphaNoneSkipFirst;
    // Logical order: the extra component (if any) first or last, colours in their own order.
    int logical[5];
    size_t n = 0;
    const int extra = 100;
    if (alpha != kCGImageAlphaNone && extraFirst)
        logical[n++] = extra;
    for (size_t c = 0; c < colours; ++c)
        logical[n++] = int(c);
    if (alpha != kCGImageAlphaNone && !extraFirst)
        logical[n++] = extra;
    if (reversed)
        std::reverse(logical, logical + n);
    for (size_t i = 0; i < n; ++i) {
        if (logical[i] == extra) {
            if (CGImageAlphaInfoHasAlpha(alpha))
                l.alpha = int(i);
            else
                l.padding = int(i);
        } else {
            l.colour[logical[i]] = int(i);
        }
    }
    l.premultiplied = alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaPremultipliedLast;
    *layout = l;
    return true;
}

} // namespace platform
