#pragma once

// Histograms and the tone operations built on them. ARGB8888 routines treat the four bytes
// of a pixel as four channels in memory order; with kvImageLeaveAlphaUnchanged the first
// (alpha) byte is copied from the source instead of being changed. The destination's size is
// the region worked on; source and destination may be the same buffer.
#include "platform/accelerate/vImageTypes.h"

// 256 counts of the values of the buffer.
vImage_Error vImageHistogramCalculation_Planar8(const vImage_Buffer *source, vImagePixelCount *histogram,
                                                vImage_Flags flags);
// histogramEntries counts of float samples over [minVal, maxVal]: the range is cut into equal
// bins, values below or above it (and NaN) count in the first or last bin. At least one bin
// and maxVal > minVal are needed (−21773 otherwise).
vImage_Error vImageHistogramCalculation_PlanarF(const vImage_Buffer *source, vImagePixelCount *histogram,
                                                unsigned int histogramEntries, Pixel_F minVal, Pixel_F maxVal,
                                                vImage_Flags flags);
// Four histograms of 256 counts, one per byte position.
vImage_Error vImageHistogramCalculation_ARGB8888(const vImage_Buffer *source, vImagePixelCount *histogram[4],
                                                 vImage_Flags flags);

// Maps each channel's lowest value present to 0 and its highest to 255, linearly between; a
// channel holding one value only is left as it is.
vImage_Error vImageContrastStretch_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                           vImage_Flags flags);
vImage_Error vImageContrastStretch_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                            vImage_Flags flags);

// Spreads each channel's values so that their cumulative histogram becomes a straight line
// from the lowest value present (mapped to 0) to 255; a channel holding one value only is
// left as it is.
vImage_Error vImageEqualization_Planar8(const vImage_Buffer *source, const vImage_Buffer *destination,
                                        vImage_Flags flags);
vImage_Error vImageEqualization_ARGB8888(const vImage_Buffer *source, const vImage_Buffer *destination,
                                         vImage_Flags flags);
