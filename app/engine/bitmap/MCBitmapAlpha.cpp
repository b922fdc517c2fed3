#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/bitmap/MCBitmapOperations.h"

#include "platform/accelerate/MCAlphaKernels.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <numbers>

bool MCBitmap::alphaToColor(const QColor &color, MCError *)
{
    const std::array<double, 4> rgba = mcbitmap::rgbaOf(color);
    return mcbitmap::onWorkingPlanes(*this, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        if (layout == mcbitmap::WorkingLayout::RGBA8) {
            const Pixel_8888 backdrop = {mcbitmap::byteOfComponent(rgba[0]), mcbitmap::byteOfComponent(rgba[1]),
                                         mcbitmap::byteOfComponent(rgba[2]), mcbitmap::byteOfComponent(rgba[3])};
            return MCAlphaToColorPlanar8(planes, backdrop) == kvImageNoError;
        }
        const Pixel_FFFF backdrop = {float(rgba[0]), float(rgba[1]), float(rgba[2]), float(rgba[3])};
        return MCAlphaToColorPlanarF(planes, backdrop) == kvImageNoError;
    });
}

bool MCBitmap::colorToAlpha(const QColor &color, MCError *)
{
    const std::array<double, 4> rgba = mcbitmap::rgbaOf(color);
    return mcbitmap::onWorkingPlanes(*this, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        const bool bytes = layout == mcbitmap::WorkingLayout::RGBA8;
        float key[3];
        for (int k = 0; k < 3; ++k) // 8-bit pictures key on the level their samples can hold
            key[k] = bytes ? float(mcbitmap::byteOfComponent(rgba[k])) / 255.0f : float(rgba[k]);
        return (bytes ? MCColorToAlphaPlanar8(planes, key) : MCColorToAlphaPlanarF(planes, key)) == kvImageNoError;
    });
}

bool MCBitmap::applyAlphaMask(const CGImageRef &mask, MCError *)
{
    if (!mask)
        return false;
    // Only a picture with an alpha plane can take a mask; a gray one has a single plane.
    if (mcbitmap::workingLayoutOf(m_imageFormat) == mcbitmap::WorkingLayout::None)
        return false;
    if (!useImageChannels())
        return false;
    const CGBitmapInfo info =
        m_imageFormat.bitsPerComponent == 8 ? kCGImageAlphaNone : kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;
    const CGColorSpaceRef gray = CGColorSpace::createDeviceGray();
    if (!gray)
        return false;
    const vImage_Buffer &alpha = m_imageChannels[3];
    const CGContextRef context = CGContext::createBitmap(alpha.data, alpha.width, alpha.height,
                                                         m_imageFormat.bitsPerComponent, alpha.rowBytes, gray, info);
    if (!context)
        return false;
    const double maskWidth = double(mask->width()), maskHeight = double(mask->height());
    const double width = double(context->width()), height = double(context->height());
    if (maskWidth < maskHeight && width > height) { // a portrait mask on a landscape picture
        context->translateCTM(width / 2, height / 2);
        context->rotateCTM(std::numbers::pi / 2);
        context->translateCTM(-height / 2, -width / 2);
        return context->drawImage(QRectF(0, 0, height, width), mask);
    }
    return context->drawImage(QRectF(0, 0, width, height), mask);
}
