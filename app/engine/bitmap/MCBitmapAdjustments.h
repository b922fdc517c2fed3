#pragma once

// Shared by the bitmap's adjustment operations (tone, colour, sharpness, curves): the frame's
// kernel pair made from one kernel that takes the sample type as an argument.
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/accelerate/MCPixelKernel.h"

#include <cmath>

namespace mcbitmap {

// kernel(channels, count, type) for both depths of the frame.
template<typename Kernel>
MCBitmap::Kernels bothDepths(Kernel kernel)
{
    using platform::pixel::SampleType;
    return {[kernel](vImage_Buffer *channels, size_t count) { return kernel(channels, unsigned(count), SampleType::UInt8); },
            [kernel](vImage_Buffer *channels, size_t count) { return kernel(channels, unsigned(count), SampleType::Float32); }};
}

// True when every argument is a number (not NaN); operations refuse NaN parameters rather than
// turning them into tables of undefined values.
template<typename... T>
bool allNumbers(T... values)
{
    return (!std::isnan(double(values)) && ...);
}

} // namespace mcbitmap
