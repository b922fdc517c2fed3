// Colour adjustments of the bitmap: per-channel gains, hue/saturation/lightness and
// hue/saturation/value, colorize, the YIQ hue matrix, sepia and colour temperature, over the
// planar colour kernels. Alpha is never changed.
#include "app/engine/bitmap/MCBitmap.h"

#include "app/engine/bitmap/MCBitmapAdjustments.h"
#include "platform/accelerate/MCColorKernels.h"

using platform::pixel::SampleType;

bool MCBitmap::adjustR(float red, float green, float blue, MCError *)
{
    if (!mcbitmap::allNumbers(red, green, blue))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustRGB(channels, count, type, red, green, blue);
    }));
}

bool MCBitmap::adjustH(float hue, float saturation, float lightness, MCError *)
{
    if (!mcbitmap::allNumbers(hue, saturation, lightness))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustHSL(channels, count, type, hue, saturation, lightness);
    }));
}

bool MCBitmap::adjustHSV(float hue, float saturation, float value, MCError *)
{
    if (!mcbitmap::allNumbers(hue, saturation, value))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustHSV(channels, count, type, hue, saturation, value);
    }));
}

bool MCBitmap::colorizeH(float hue, float saturation, float lightness, MCError *)
{
    if (!mcbitmap::allNumbers(hue, saturation, lightness))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::colorize(channels, count, type, hue, saturation, lightness);
    }));
}

bool MCBitmap::adjustY(float hueTurn, float saturation, float value, MCError *)
{
    if (!mcbitmap::allNumbers(hueTurn, saturation, value))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustYIQ(channels, count, type, hueTurn, saturation, value);
    }));
}

bool MCBitmap::adjustSepia(float strength, MCError *)
{
    if (!mcbitmap::allNumbers(strength))
        return false;
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustSepia(channels, count, type, strength);
    }));
}

bool MCBitmap::adjustTemperature(float kelvin, MCError *)
{
    // Temperatures below 1 K have no colour: the kernel leaves the pixels as they are.
    return runKernels(mcbitmap::bothDepths([=](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::adjustTemperature(channels, count, type, kelvin);
    }));
}
