#pragma once

// Helpers shared by the bitmap's geometry, alpha and grayscale operations (not part of the
// bitmap's interface).
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/accelerate/vImageTypes.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace mcbitmap {

// The two working layouts: four components, 8-bit or float.
enum class WorkingLayout { None, RGBA8, RGBAF };
WorkingLayout workingLayoutOf(const vImage_CGImageFormat &format);

// The frame of the operations that only mean something in a working layout: other layouts
// are left as they are (true); otherwise the planes are switched to (false when that fails)
// and work(planes, layout) answers.
template<typename Work>
bool onWorkingPlanes(MCBitmap &bitmap, Work work)
{
    const WorkingLayout layout = workingLayoutOf(bitmap.imageFormat());
    if (layout == WorkingLayout::None)
        return true;
    if (!bitmap.useImageChannels())
        return false;
    return work(bitmap.imageChannels().data(), layout);
}

// A colour component of 0..1 as an 8-bit sample: component × 255 truncated toward zero (a
// hair of tolerance absorbs the rounding of stored components, so 200/255 stays 200), clamped
// to 0..255; NaN is 0.
inline uint8_t byteOfComponent(double component)
{
    const double scaled = component * 255.0 + 1e-7;
    return scaled > 0.0 ? uint8_t(std::min(scaled, 255.0)) : 0;
}

// The colour's red, green, blue and alpha (0..1, as given; an invalid colour is all 0).
std::array<double, 4> rgbaOf(const QColor &color);

} // namespace mcbitmap
