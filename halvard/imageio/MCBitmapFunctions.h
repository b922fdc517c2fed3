#pragma once

// Functions over raw 8-bit pixel memory. Buffers are tightly packed: "ARGB" has four bytes
// per pixel (alpha, red, green, blue) and rows of 4 × width bytes, "grayscale" one byte per
// pixel and rows of width bytes. Sizes are truncated to whole pixels.
#include "halvard/imageio/MCFastData.h"

#include <QList>
#include <QSizeF>

#include <cstddef>
#include <cstdint>
#include <memory>

// Replaces red, green and blue by hue, saturation and brightness (each 0–255); alpha stays.
bool MCBitmapConvertToAHSB(uint8_t *pixels, QSizeF size);

// Tent blur with a square kernel (`kernelSize` must be odd, its radius no larger than the
// longer side); edges use the part of the kernel inside the image; ARGB alpha is left unchanged.
bool MCBitmapBlur(const uint8_t *source, uint8_t *destination, bool grayscale, uint32_t kernelSize, QSizeF size);
// Stretches each channel's range of values to 0–255 (ARGB alpha unchanged).
bool MCBitmapContrast(const uint8_t *source, uint8_t *destination, bool grayscale, QSizeF size);
// Equalises each channel's histogram (ARGB alpha unchanged).
bool MCBitmapEqualize(const uint8_t *source, uint8_t *destination, bool grayscale, QSizeF size);
// ARGB → RGB, three bytes per pixel, rows of 3 × width bytes.
bool MCBitmapConvertARGBToRGB(const uint8_t *source, uint8_t *destination, QSizeF size);

// Four histograms of an ARGB buffer, one per byte in memory order (alpha, red, green, blue),
// each 256 bins holding the fraction of pixels with that value. False for missing pixels or
// an empty size.
bool MCBitmapCalculateHistograms(const uint8_t *pixels, QList<QList<float>> *histograms, QSizeF size);
// Histogram bins merged 2^shift at a time (shift 0–8), as fractions of the pixel count: for
// grayscale 256 >> shift floats; for ARGB 3 × (256 >> shift): red, then green, then blue.
bool MCBitmapCalculateMergedHistogram(const uint8_t *pixels, bool grayscale, uint32_t shift,
                                      std::shared_ptr<MCFastData> *histogram, QSizeF size);
// The mean of each byte position of the four-byte pixels, in 0–1 (alpha, red, green, blue);
// with `grayscale`, their average in all four places. Partial pixels at the end are ignored.
bool MCBitmapCalculateIntensity(const uint8_t *pixels, size_t length, bool grayscale, float intensity[4]);

// Differences between two buffers of `length` bytes and equal layout; 0 means equal.
// Mean hue, saturation and brightness distance of two AHSB buffers (hue wraps around), 0–1.
double MCBitmapCompareAHSBWithMask(const uint8_t *a, const uint8_t *b, size_t length);
// Mean of the absolute byte differences ANDed with `mask` (alpha bytes only with
// `includeAlpha`), divided by the mask.
double MCBitmapCompare(const uint8_t *a, const uint8_t *b, size_t length, bool includeAlpha, uint8_t mask);
// 1.0 when any byte differs by more than `threshold`, else 0.0. `unused` is not read.
double MCBitmapCompareDelta(const uint8_t *a, const uint8_t *b, size_t length, bool unused, uint8_t threshold);
// Mean absolute byte difference, 0–1.
double MCBitmapCompareFast(const uint8_t *a, const uint8_t *b, size_t length);
// Sum of squared differences of two buffers of floats (`length` in bytes).
double MCBitmapCompareHistogram(const void *a, const void *b, size_t length);
