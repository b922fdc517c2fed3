#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include "platform/accelerate/MCBlurKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace bitmapops;
using platform::pixel::BlurType;

namespace {

// A picture of random colour with a given alpha (a level), width × height, in the layout's
// units; gray pictures use the first component only.
std::vector<Pixel> noise(Layout layout, size_t width, size_t height, unsigned seed, float alpha = 255)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    const float scale = isFloat(layout) ? 1.0f / 255.0f : 1.0f;
    std::vector<Pixel> pixels(width * height);
    for (Pixel &p : pixels)
        p = isGray(layout) ? Pixel{level(random) * scale, 0, 0, 0}
                           : Pixel{level(random) * scale, level(random) * scale, level(random) * scale, alpha * scale};
    return pixels;
}

// Direct 2-D convolution of channel c with an n × n kernel (n odd), the kernel truncated at the
// edges: Σ inside w × p / Σ inside w.
std::vector<double> convolve(const std::vector<Pixel> &pixels, size_t width, size_t height, size_t c,
                             const std::vector<double> &kernel)
{
    const long n = long(std::lround(std::sqrt(double(kernel.size())))), r = n / 2;
    std::vector<double> out(width * height);
    for (long y = 0; y < long(height); ++y)
        for (long x = 0; x < long(width); ++x) {
            double sum = 0, weights = 0;
            for (long j = -r; j <= r; ++j)
                for (long i = -r; i <= r; ++i) {
                    if (x + i < 0 || x + i >= long(width) || y + j < 0 || y + j >= long(height))
                        continue;
                    const double w = kernel[size_t((j + r) * n + i + r)];
                    sum += w * pixels[size_t((y + j) * long(width) + x + i)][c];
                    weights += w;
                }
            out[size_t(y * long(width) + x)] = sum / weights;
        }
    return out;
}

// The kernel a blur of this kind, radius and depth stands for.
std::vector<double> referenceKernel(BlurType type, unsigned r, bool floats)
{
    const size_t n = 2 * r + 1;
    std::vector<double> kernel;
    if (floats) {
        const float *k = platform::pixel::floatBlurKernel(type, r);
        return std::vector<double>(k, k + n * n);
    }
    if (type == BlurType::Gaussian) {
        const int16_t *k = platform::pixel::gaussianKernel8(r, nullptr);
        return std::vector<double>(k, k + n * n);
    }
    if (type == BlurType::Box)
        return std::vector<double>(n * n, 1.0);
    // 8-bit tent: the separable tent of size 2r + 3, weights r + 2 − |i| along each axis.
    const long m = long(n) + 2, half = m / 2;
    for (long j = 0; j < m; ++j)
        for (long i = 0; i < m; ++i)
            kernel.push_back(double((half + 1 - std::abs(i - half)) * (half + 1 - std::abs(j - half))));
    return kernel;
}

} // namespace

TEST(MCBitmapBlur, CachedKernels)
{
    const std::pair<unsigned, unsigned> sums[] = {{1, 15}, {2, 39}, {8, 567}};
    for (const auto &[radius, expected] : sums) {
        uint16_t sum = 0;
        ASSERT_TRUE(platform::pixel::gaussianKernel8(radius, &sum));
        EXPECT_EQ(sum, expected) << radius;
    }
    const int16_t *k1 = platform::pixel::gaussianKernel8(1, nullptr);
    EXPECT_EQ(std::vector<int>(k1, k1 + 9), (std::vector<int>{1, 2, 1, 2, 3, 2, 1, 2, 1}));
    for (unsigned r = 1; r <= platform::pixel::kMaximumBlurRadius; ++r) {
        uint16_t sum = 0;
        const int16_t *k = platform::pixel::gaussianKernel8(r, &sum);
        ASSERT_LT(sum, 32768u) << r;
        const size_t n = 2 * r + 1;
        EXPECT_EQ(k[0], 1) << r;
        EXPECT_EQ(k[n * r + r], 3) << r;
        for (const BlurType type : {BlurType::Box, BlurType::Tent, BlurType::Gaussian}) {
            const float *f = platform::pixel::floatBlurKernel(type, r);
            ASSERT_TRUE(f);
            double total = 0;
            for (size_t i = 0; i < n * n; ++i)
                total += f[i];
            EXPECT_NEAR(total, 1.0, 1e-5) << r;
        }
    }
    EXPECT_FALSE(platform::pixel::floatBlurKernel(BlurType::Box, 64));
    EXPECT_FALSE(platform::pixel::gaussianKernel8(64, nullptr));
    // The float tent of radius 1 is the identity (its outer ring is 0).
    const float *tent = platform::pixel::floatBlurKernel(BlurType::Tent, 1);
    EXPECT_EQ(std::vector<float>(tent, tent + 9), (std::vector<float>{0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST(MCBitmapBlur, MatchesDirectConvolution)
{
    const size_t width = 37, height = 23;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF, Layout::Gray8})
        for (const BlurType type : {BlurType::Box, BlurType::Tent, BlurType::Gaussian})
            for (const unsigned radius : {1u, 2u, 5u, 14u}) {
                const std::vector<Pixel> in = noise(layout, width, height, radius * 7 + unsigned(type), 128);
                auto bitmap = makeBitmap(layout, width, height, in);
                ASSERT_TRUE(bitmap->blurWithRadius(radius, uint64_t(type)));
                const std::vector<Pixel> out = pixelsOf(*bitmap);
                const std::vector<double> kernel = referenceKernel(type, radius, isFloat(layout));
                for (size_t c = 0; c < (isGray(layout) ? 1u : 3u); ++c) {
                    const std::vector<double> expected = convolve(in, width, height, c, kernel);
                    for (size_t i = 0; i < out.size(); ++i)
                        ASSERT_NEAR(out[i][c], expected[i], isFloat(layout) ? 1e-5 : 0.5 + 1e-6)
                            << nameOf(layout) << " type " << int(type) << " radius " << radius << " pixel " << i;
                }
                for (size_t i = 0; i < out.size(); ++i)
                    ASSERT_EQ(out[i][3], in[i][3]) << "alpha is never changed";
            }
}

TEST(MCBitmapBlur, RadiusAndTypeLimits)
{
    const size_t width = 9, height = 7;
    const std::vector<Pixel> in = noise(Layout::RGBA8, width, height, 3);
    // Radius 0 and unknown kinds leave the picture; radii of 64 and more blur as 63 does.
    for (const auto &[radius, type] : {std::pair<uint64_t, uint64_t>{0, 0}, {3, 3}, {5, 99}}) {
        auto bitmap = makeBitmap(Layout::RGBA8, width, height, in);
        EXPECT_TRUE(bitmap->blurWithRadius(radius, type));
        EXPECT_EQ(pixelsOf(*bitmap), in) << radius << " " << type;
    }
    auto at63 = makeBitmap(Layout::RGBAF, width, height, noise(Layout::RGBAF, width, height, 4));
    auto at64 = makeBitmap(Layout::RGBAF, width, height, noise(Layout::RGBAF, width, height, 4));
    auto huge = makeBitmap(Layout::RGBAF, width, height, noise(Layout::RGBAF, width, height, 4));
    EXPECT_TRUE(at63->blurWithRadius(63, 2));
    EXPECT_TRUE(at64->blurWithRadius(64, 2));
    EXPECT_TRUE(huge->blurWithRadius(uint64_t(1) << 40, 2));
    EXPECT_EQ(pixelsOf(*at64), pixelsOf(*at63));
    EXPECT_EQ(pixelsOf(*huge), pixelsOf(*at63));
    // The float tent of radius 1 changes nothing; an 8-bit box of radius 1 is the 3 × 3 mean.
    const std::vector<Pixel> floats = noise(Layout::RGBAF, width, height, 5);
    auto tent = makeBitmap(Layout::RGBAF, width, height, floats);
    EXPECT_TRUE(tent->blurWithRadius(1, 1));
    EXPECT_EQ(pixelsOf(*tent), floats);
    std::vector<Pixel> spot(9, Pixel{0, 0, 0, 255});
    spot[4] = {90, 180, 255, 255};
    auto box = makeBitmap(Layout::RGBA8, 3, 3, spot);
    EXPECT_TRUE(box->blurWithRadius(1, 0));
    EXPECT_EQ(pixelsOf(*box)[4], (Pixel{10, 20, 28, 255})); // 255 / 9 = 28.3
}

// An opaque field of one colour (left of column `edge`) beside transparent pixels of another.
std::vector<Pixel> fieldBesideTransparency(Layout layout, size_t width, size_t height, size_t edge, Pixel field,
                                           Pixel hidden)
{
    const float scale = isFloat(layout) ? 1.0f / 255.0f : 1.0f;
    std::vector<Pixel> pixels(width * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Pixel &p = i % width < edge ? field : hidden;
        pixels[i] = {p[0] * scale, p[1] * scale, p[2] * scale, p[3] * scale};
    }
    return pixels;
}

TEST(MCBitmapBlur, TransparentPixelsLendNoColour)
{
    // Opaque red beside transparent white: every kind of blur keeps the red field red up to
    // its edge (unweighted, the red fell to 145 there and took on white), and alpha stays.
    const size_t width = 16, height = 5;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF})
        for (const BlurType type : {BlurType::Box, BlurType::Tent, BlurType::Gaussian}) {
            const std::vector<Pixel> in =
                fieldBesideTransparency(layout, width, height, 8, {255, 0, 0, 255}, {255, 255, 255, 0});
            auto bitmap = makeBitmap(layout, width, height, in);
            ASSERT_TRUE(bitmap->blurWithRadius(3, uint64_t(type)));
            const std::vector<Pixel> out = pixelsOf(*bitmap);
            for (size_t i = 0; i < out.size(); ++i) {
                ASSERT_EQ(out[i][3], in[i][3]) << "alpha is never changed";
                if (i % width < 8) {
                    ASSERT_EQ(out[i], in[i]) << nameOf(layout) << " type " << int(type) << " pixel " << i;
                }
            }
        }
}

TEST(MCBitmapBlur, TranslucentPixelsWeighByTheirAlpha)
{
    // Random colours and alphas against the weighted mean Σ w·a·c / Σ w·a, which is what
    // blurring premultiplied pixels and dividing by the blurred alpha gives.
    const size_t width = 13, height = 9;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF})
        for (const BlurType type : {BlurType::Box, BlurType::Tent, BlurType::Gaussian}) {
            std::vector<Pixel> in = noise(layout, width, height, 40 + unsigned(type));
            std::mt19937 random{unsigned(type)};
            for (Pixel &p : in)
                p[3] = float(std::uniform_int_distribution<int>(0, 255)(random)) * (isFloat(layout) ? 1.0f / 255 : 1.0f);
            auto bitmap = makeBitmap(layout, width, height, in);
            ASSERT_TRUE(bitmap->blurWithRadius(2, uint64_t(type)));
            const std::vector<Pixel> out = pixelsOf(*bitmap);
            std::vector<Pixel> weighted(in);
            for (Pixel &p : weighted)
                for (size_t c = 0; c < 3; ++c)
                    p[c] *= p[3];
            const std::vector<double> kernel = referenceKernel(type, 2, isFloat(layout));
            const std::vector<double> alphas = convolve(in, width, height, 3, kernel);
            for (size_t c = 0; c < 3; ++c) {
                const std::vector<double> sums = convolve(weighted, width, height, c, kernel);
                for (size_t i = 0; i < out.size(); ++i)
                    ASSERT_NEAR(out[i][c], sums[i] / alphas[i], isFloat(layout) ? 1e-5 : 0.5 + 1e-3)
                        << nameOf(layout) << " type " << int(type) << " pixel " << i;
            }
        }
}

TEST(MCBitmapSharpness, TransparentNeighboursDoNotCount)
{
    // An opaque field of one colour beside transparent white stays that colour up to its edge
    // (unweighted, the white neighbours darkened it); inside an opaque picture the kernel is
    // the plain one (KernelAndEdges).
    const size_t width = 8, height = 5;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF}) {
        const std::vector<Pixel> in =
            fieldBesideTransparency(layout, width, height, 4, {128, 64, 32, 255}, {255, 255, 255, 0});
        auto bitmap = makeBitmap(layout, width, height, in);
        ASSERT_TRUE(bitmap->adjustSharpness(0.5f));
        const std::vector<Pixel> out = pixelsOf(*bitmap);
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_EQ(out[i][3], in[i][3]);
            if (i % width < 4) {
                for (size_t c = 0; c < 3; ++c)
                    ASSERT_NEAR(out[i][c], in[i][c], 1e-6) << nameOf(layout) << " pixel " << i;
            }
        }
        // A half-transparent neighbour counts half: the pixel left of a column of alpha 128
        // moves away from that column's colour by half the plain amount.
        std::vector<Pixel> half = in;
        const float full = isFloat(layout) ? 1.0f : 255.0f;
        for (size_t y = 0; y < height; ++y)
            half[y * width + 4][3] = 128 * full / 255;
        auto partly = makeBitmap(layout, width, height, half);
        ASSERT_TRUE(partly->adjustSharpness(0.5f));
        const float a = 128.0f / 255.0f;
        for (size_t c = 0; c < 3; ++c) {
            const float expected = in[2 * width + 3][c] + 0.5f * 3 * a * (in[2 * width + 3][c] - in[2 * width + 4][c]);
            EXPECT_NEAR(pixelsOf(*partly)[2 * width + 3][c], isFloat(layout) ? expected : std::clamp(std::nearbyint(expected), 0.0f, 255.0f), 1e-5)
                << nameOf(layout) << " channel " << c;
        }
    }
}

TEST(MCBitmapSharpness, KernelAndEdges)
{
    const size_t width = 6, height = 5;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF, Layout::GrayF}) {
        const std::vector<Pixel> in = noise(layout, width, height, 11);
        // 0 is the identity.
        auto none = makeBitmap(layout, width, height, in);
        EXPECT_TRUE(none->adjustSharpness(0));
        EXPECT_EQ(pixelsOf(*none), in) << nameOf(layout);
        // 0.25: neighbours −0.25, centre 3 (8-bit −25 and 300 over 100); edge pixels copied.
        auto sharp = makeBitmap(layout, width, height, in);
        EXPECT_TRUE(sharp->adjustSharpness(0.25f));
        const std::vector<Pixel> out = pixelsOf(*sharp);
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < width; ++x) {
                const size_t i = y * width + x;
                const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
                for (size_t c = 0; c < (isGray(layout) ? 1u : 3u); ++c) {
                    double expected = in[i][c];
                    if (!edge) {
                        double neighbours = 0;
                        for (int j = -1; j <= 1; ++j)
                            for (int k = -1; k <= 1; ++k)
                                neighbours += (j || k) ? in[(y + j) * width + x + k][c] : 0;
                        expected = 3 * in[i][c] - 0.25 * neighbours;
                        if (!isFloat(layout))
                            expected = std::clamp(std::nearbyint(expected), 0.0, 255.0);
                    }
                    ASSERT_NEAR(out[i][c], expected, 1e-5) << nameOf(layout) << " " << x << "," << y;
                }
            }
    }
}

TEST(MCBitmapVignette, CentreKeptCornersGained)
{
    const size_t width = 40, height = 30;
    for (const Layout layout : {Layout::RGBA8, Layout::RGBAF, Layout::Gray8}) {
        const float full = isFloat(layout) ? 1.0f : 255.0f;
        const std::vector<Pixel> in(width * height, Pixel{0.6f * full, 0.4f * full, 0.2f * full, full});
        // Gain 1: at once, nothing to do.
        auto same = makeBitmap(layout, width, height, in);
        EXPECT_TRUE(same->vignetteWithExposure(1.0f));
        EXPECT_EQ(pixelsOf(*same), pixelsOf(*makeBitmap(layout, width, height, in)));
        // Gain 0 on an opaque picture: the centre ellipse untouched, the corners black.
        auto dark = makeBitmap(layout, width, height, in);
        const std::vector<Pixel> before = pixelsOf(*dark);
        EXPECT_TRUE(dark->vignetteWithExposure(0.0f)) << nameOf(layout);
        const std::vector<Pixel> out = pixelsOf(*dark);
        const size_t centre = (height / 2) * width + width / 2;
        EXPECT_EQ(out[centre], before[centre]) << nameOf(layout);
        EXPECT_EQ(out[0][0], 0) << nameOf(layout);
        EXPECT_EQ(out[width * height - 1][0], 0) << nameOf(layout);
        // On the way out, half way between the inner ellipse and the edge: about half the value.
        const size_t quarter = (height / 2) * width + width / 8; // 3/8 of the half-width out
        EXPECT_NEAR(out[quarter][0], before[quarter][0] * 0.5f, 0.1f * full) << nameOf(layout);
        if (!isGray(layout)) {
            EXPECT_EQ(out[0][3], full);
        }
    }
    // A transparent pixel in the centre keeps its colour; alpha weighs the blend elsewhere.
    std::vector<Pixel> clear(16 * 16, Pixel{100, 100, 100, 0});
    auto transparent = makeBitmap(Layout::RGBA8, 16, 16, clear);
    EXPECT_TRUE(transparent->vignetteWithExposure(2.0f));
    const std::vector<Pixel> out = pixelsOf(*transparent);
    EXPECT_EQ(out[8 * 16 + 8], clear[8 * 16 + 8]);
    EXPECT_EQ(out[0], (Pixel{200, 200, 200, 0})); // the corner takes the gained copy
    EXPECT_FALSE(transparent->vignetteWithExposure(NAN));
}
