#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace bitmapops;

namespace {

constexpr Layout kAllLayouts[] = {Layout::Gray8, Layout::GrayF, Layout::RGBA8, Layout::RGBAF};

// In and expected out of one level of a gray pixel, for one operation and layout.
struct LevelCase
{
    const char *what;
    Layout layout;
    std::function<bool(MCBitmap &)> operation;
    float in, out; // 8-bit levels, or float samples
};

void expectLevels(const std::vector<LevelCase> &cases, float tolerance = 1e-6f)
{
    for (const LevelCase &c : cases) {
        auto bitmap = makeRow(c.layout, {{c.in, c.in, c.in, isFloat(c.layout) ? 0.5f : 128.0f}});
        ASSERT_TRUE(bitmap) << c.what;
        EXPECT_TRUE(c.operation(*bitmap)) << c.what;
        const Pixel p = pixelsOf(*bitmap)[0];
        const size_t colours = isGray(c.layout) ? 1 : 3;
        for (size_t k = 0; k < colours; ++k)
            EXPECT_NEAR(p[k], c.out, tolerance) << c.what << " on " << nameOf(c.layout) << ", input " << c.in;
        if (!isGray(c.layout)) {
            EXPECT_EQ(p[3], isFloat(c.layout) ? 0.5f : 128.0f) << c.what << ": alpha is never changed";
        }
    }
}

} // namespace

TEST(MCBitmapTone, WorkedLevelsInEveryLayout)
{
    const auto exposure = [](float f) { return [f](MCBitmap &b) { return b.adjustExposure(f); }; };
    const auto gamma = [](float g) { return [g](MCBitmap &b) { return b.adjustGamma(g); }; };
    const auto contrast = [](float c, float s) { return [c, s](MCBitmap &b) { return b.adjustContrast(c, s); }; };
    std::vector<LevelCase> cases = {
        {"exposure 2", Layout::RGBA8, exposure(2), 100, 200},
        {"exposure 2", Layout::RGBA8, exposure(2), 200, 255},
        {"exposure 2", Layout::Gray8, exposure(2), 100, 200},
        {"exposure 0.5", Layout::Gray8, exposure(0.5f), 101, 51}, // lround of 50.5
        {"exposure 2", Layout::RGBAF, exposure(2), 0.7f, 1.0f},
        {"exposure 2", Layout::GrayF, exposure(2), 0.25f, 0.5f},
        {"gamma 1", Layout::RGBA8, gamma(1), 77, 77},
        {"gamma 2", Layout::RGBA8, gamma(2), 128, 64}, // lround(64.25)
        {"gamma 0.5", Layout::Gray8, gamma(0.5f), 64, 128}, // lround(127.75)
        {"gamma 2", Layout::RGBAF, gamma(2), 0.5f, 0.25f},
        {"gamma 0.5", Layout::GrayF, gamma(0.5f), 0.25f, 0.5f},
        {"contrast 1", Layout::Gray8, contrast(1, 0.3f), 37, 37},
        {"contrast 0", Layout::Gray8, contrast(0, 0.3f), 200, 77}, // lround(76.5) rounds away from zero
        {"contrast 2 about the middle", Layout::Gray8, contrast(2, 0.5f), 100, 73}, // (100 − 127.5) × 2 + 127.5 = 72.5
        {"contrast 2 about the middle", Layout::GrayF, contrast(2, 0.5f), 0.4f, 0.3f},
        {"black under contrast", Layout::RGBA8, contrast(3, 0.2f), 0, 0},
        {"gray under contrast", Layout::RGBA8, contrast(2, 0.4f), 100, 98},
    };
    expectLevels(cases, 1e-5f);
}

TEST(MCBitmapTone, GammaOutsideItsRangeIsRefusedAndChangesNothing)
{
    for (const Layout layout : kAllLayouts)
        for (const float g : {0.05f, 12.0f, NAN}) {
            auto bitmap = makeRow(layout, {grayPixel(layout, 90)});
            const std::vector<Pixel> before = pixelsOf(*bitmap);
            EXPECT_FALSE(bitmap->adjustGamma(g)) << g << " on " << nameOf(layout);
            EXPECT_EQ(pixelsOf(*bitmap), before);
        }
}

TEST(MCBitmapTone, Levels)
{
    // 0..255 levels in a row of RGBA 8-bit pixels.
    std::vector<Pixel> ramp;
    for (int v = 0; v < 256; ++v)
        ramp.push_back({float(v), float(255 - v), float(v), 255});
    // The identity, and inputs outside 0..1 clamped to it (nothing read or written past a table).
    for (const auto &[a, b] : {std::pair{0.0f, 1.0f}, std::pair{-0.5f, 1.5f}}) {
        auto bitmap = makeRow(Layout::RGBA8, ramp);
        EXPECT_TRUE(bitmap->adjustGamma(1, a, b, 0, 1));
        EXPECT_EQ(pixelsOf(*bitmap), ramp) << a << ".." << b;
    }
    // Input 0.2..0.6 onto output 0.1..0.9, linear: below 0.2 is the output minimum, from 0.6 up the
    // maximum, and the middle in between.
    auto bitmap = makeRow(Layout::RGBA8, ramp);
    EXPECT_TRUE(bitmap->adjustGamma(1, 0.2f, 0.6f, 0.1f, 0.9f));
    std::vector<Pixel> out = pixelsOf(*bitmap);
    EXPECT_EQ(out[10][0], 25);  // trunc(0.1 × 255)
    EXPECT_EQ(out[51][0], 25);  // A = 51
    EXPECT_EQ(out[153][0], 229); // B = 153, D = trunc(0.9 × 255)
    EXPECT_EQ(out[102][0], 127); // trunc(25 + 204 × 51 / 102)
    EXPECT_EQ(out[255][3], 255);

    std::vector<Pixel> rampF;
    for (int v = 0; v < 256; ++v)
        rampF.push_back({v / 255.0f, 1 - v / 255.0f, v / 255.0f, 1});
    auto floats = makeRow(Layout::RGBAF, rampF);
    EXPECT_TRUE(floats->adjustGamma(2, 0.2f, 0.6f, 0.1f, 0.9f));
    out = pixelsOf(*floats);
    EXPECT_FLOAT_EQ(out[10][0], 0.1f);
    EXPECT_FLOAT_EQ(out[200][0], 0.9f);
    EXPECT_NEAR(out[102][0], 0.25f * 0.8f + 0.1f, 1e-5f); // half-way in, squared
    // Gray bitmaps are left as they are; NaN is refused.
    for (const Layout layout : {Layout::Gray8, Layout::GrayF}) {
        auto gray = makeRow(layout, {grayPixel(layout, 30)});
        const std::vector<Pixel> before = pixelsOf(*gray);
        EXPECT_TRUE(gray->adjustGamma(2, 0.5f, 0.6f, 0, 1));
        EXPECT_EQ(pixelsOf(*gray), before);
    }
    EXPECT_FALSE(floats->adjustGamma(1, NAN, 1, 0, 1));
}

TEST(MCBitmapTone, AutomaticContrastAndWhiteBalance)
{
    // Red occupies exactly the levels 20..200; green all of 0..255; blue 20..200 as well.
    std::vector<Pixel> pixels;
    for (int v = 0; v < 256; ++v)
        pixels.push_back({float(20 + v * 180 / 255), float(v), float(20 + v * 180 / 255), 255});
    const int last = 255;

    // Fraction 0: lo = 19, hi = 201, so 20 becomes trunc(255 / 182) = 1 and 200 becomes
    // trunc(181 × 255 / 182) = 253. Auto contrast uses the common range (green's full range
    // does not widen it) on every channel.
    auto contrast = makeRow(Layout::RGBA8, pixels);
    EXPECT_TRUE(contrast->autoContrast(0));
    std::vector<Pixel> out = pixelsOf(*contrast);
    EXPECT_EQ(out[0][0], 1);
    EXPECT_EQ(out[last][0], 253);
    EXPECT_EQ(out[0][1], 0);       // below lo
    EXPECT_EQ(out[100][1], 113);   // trunc(81 × 255 / 182)
    EXPECT_EQ(out[last][1], 255);  // above hi

    // White balance: red and blue by their own range, green (all of 0..255) left alone.
    auto balance = makeRow(Layout::RGBA8, pixels);
    EXPECT_TRUE(balance->autoWhiteBalance(0));
    out = pixelsOf(*balance);
    EXPECT_EQ(out[0][0], 1);
    EXPECT_EQ(out[last][2], 253);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(out[v][1], v);

    // Float: the same range on the 0..1 scale, interpolated.
    std::vector<Pixel> floats;
    for (const Pixel &p : pixels)
        floats.push_back({p[0] / 255, p[1] / 255, p[2] / 255, 1});
    auto f = makeRow(Layout::RGBAF, floats);
    EXPECT_TRUE(f->autoWhiteBalance(0));
    out = pixelsOf(*f);
    EXPECT_NEAR(out[last][0], 181.0f / 182.0f, 0.01f);
    EXPECT_FLOAT_EQ(out[100][1], floats[100][1]);

    // Only 0 and 255: neither search stops, nothing changes.
    for (const Layout layout : kAllLayouts) {
        auto bitmap = makeRow(layout, {grayPixel(layout, 0), grayPixel(layout, 255)});
        const std::vector<Pixel> before = pixelsOf(*bitmap);
        EXPECT_TRUE(bitmap->autoContrast(0)) << nameOf(layout);
        EXPECT_EQ(pixelsOf(*bitmap), before) << nameOf(layout);
    }
}
