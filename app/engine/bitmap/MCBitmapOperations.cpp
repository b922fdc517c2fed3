#include "app/engine/bitmap/MCBitmapOperations.h"

namespace mcbitmap {

WorkingLayout workingLayoutOf(const vImage_CGImageFormat &format)
{
    if (format.bitsPerComponent == 8 && format.bitsPerPixel == 32)
        return WorkingLayout::RGBA8;
    if (format.bitsPerComponent == 32 && format.bitsPerPixel == 128)
        return WorkingLayout::RGBAF;
    return WorkingLayout::None;
}

std::array<double, 4> rgbaOf(const QColor &color)
{
    if (!color.isValid())
        return {0, 0, 0, 0};
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

} // namespace mcbitmap
