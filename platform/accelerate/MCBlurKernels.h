#pragma once

// Kernels that look at neighbouring pixels or at a pixel's position: 3 × 3 sharpening, box,
// tent and Gaussian blurs, and the vignette. Sharpening and blurs filter one plane into
// another (the caller exchanges them); the vignette writes the worked planes into targets.
#include "platform/accelerate/MCPixelKernel.h"

#include <cstdint>

namespace platform::pixel {

enum class BlurType : unsigned { Box = 0, Tent = 1, Gaussian = 2 };

// Radii above this are blurred with it: the kernels are cached per radius 0..63, and the
// weight sums of the 8-bit Gaussian stay below 32768 only that far.
inline constexpr unsigned kMaximumBlurRadius = 63;

// The cached kernels, (2r + 1)² entries row by row, made on first use (safe from any thread)
// and kept for the life of the process; nullptr above the largest radius or when memory runs
// out. Float box: every entry 1 / n². Float tent: r − max(|i − r|, |j − r|), normalised to sum
// 1 (its outer ring is 0). Float Gaussian: exp(−((i − r)² + (j − r)²) / 2r²), normalised.
// 8-bit Gaussian: the same scaled so that the corner weight is 1 and rounded (weights 1, 2, 3),
// with the sum of its weights in `sum`.
const float *floatBlurKernel(BlurType type, unsigned radius);
const int16_t *gaussianKernel8(unsigned radius, uint16_t *sum);

// 3 × 3 sharpening by s ≥ 0: neighbours −s, centre 1 + 8s (8-bit: neighbours trunc(−100 s),
// centre 100 − 8 × that, divided by 100). Edge pixels are copied unchanged.
vImage_Error sharpenPlane(const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type, float sharpness);

// Blur of radius r ≥ 1 (above kMaximumBlurRadius counts as that), the kernel truncated at the
// image's edges. 8-bit box and Gaussian are n × n with n = 2r + 1; the 8-bit tent is the
// separable tent of size 2r + 3. Unknown types are −21773.
vImage_Error blurPlane(const vImage_Buffer &source, const vImage_Buffer &destination, SampleType type, BlurType blur,
                       unsigned radius);

// The same two filters for the colour planes of a picture with straight alpha, weighted by
// that alpha so that transparent pixels lend no colour to their neighbours; alpha itself is
// not changed. `alpha` has the planes' size and sample type.
//
// Sharpening: a pixel moves away from each neighbour by s × (its colour − the neighbour's)
// scaled by the neighbour's alpha (0..1), which is the kernel above where every neighbour is
// opaque; edge pixels are copied unchanged.
//
// Blur: each sample becomes blur(colour × alpha) / blur(alpha), what premultiplying,
// blurring and dividing again gives. Where nothing opaque is near (the blurred alpha is 0)
// the sample is kept. 8-bit planes are blurred through float planes with the weights of the
// 8-bit kernels, so that a faint neighbourhood keeps the precision of its colour; the work
// takes three float planes of the picture's size.
vImage_Error sharpenPlaneWeighted(const vImage_Buffer &source, const vImage_Buffer &destination,
                                  const vImage_Buffer &alpha, SampleType type, float sharpness);
vImage_Error blurPlanesWeighted(const vImage_Buffer *sources, const vImage_Buffer *destinations, size_t count,
                                const vImage_Buffer &alpha, SampleType type, BlurType blur, unsigned radius);

// The vignette mask at pixel (x, y) of a width × height picture, 0..1: 0 inside the ellipse of
// half the picture's width and height about its centre, rising linearly to 1 at the ellipse
// through the middles of the edges, 1 beyond (the corners).
float vignetteMask(size_t x, size_t y, size_t width, size_t height);

// The vignette on one plane, in place: the sample c is blended with its copy times `gain`
// (saturating at full scale) by the mask m and the picture's alpha α (`alpha` nullptr:
// opaque): c' = (gained × m + c × α × (1 − m)) / (m + (1 − m) α) on the 0..1 scale, so an
// opaque picture keeps its centre and takes the gained copy towards the corners. Where the
// weight m + (1 − m) α is 0 (a transparent pixel in the centre) the sample is kept.
vImage_Error vignettePlane(vImage_Buffer &plane, const vImage_Buffer *alpha, SampleType type, float gain);

} // namespace platform::pixel
