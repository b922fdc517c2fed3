#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace bitmapops;

namespace {

// One pixel through one operation: the colour channels in, the colour channels expected out.
struct PixelCase
{
    const char *what;
    Layout layout;
    std::function<bool(MCBitmap &)> operation;
    Pixel in, out;
    float tolerance;
};

void expectPixels(const std::vector<PixelCase> &cases)
{
    for (const PixelCase &c : cases) {
        Pixel in = c.in;
        in[3] = isFloat(c.layout) ? 0.25f : 64.0f;
        auto bitmap = makeRow(c.layout, {in});
        ASSERT_TRUE(bitmap) << c.what;
        EXPECT_TRUE(c.operation(*bitmap)) << c.what;
        const Pixel p = pixelsOf(*bitmap)[0];
        for (size_t k = 0; k < (isGray(c.layout) ? 1 : 3); ++k)
            EXPECT_NEAR(p[k], c.out[k], c.tolerance) << c.what << " on " << nameOf(c.layout) << ", channel " << k;
        if (!isGray(c.layout)) {
            EXPECT_EQ(p[3], in[3]) << c.what << ": alpha is never changed";
        }
    }
}

// Every 8-bit colour a row of 4096 pixels can hold in steps of 17, plus the extremes.
std::vector<Pixel> colourSweep8()
{
    std::vector<Pixel> pixels;
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17)
                pixels.push_back({float(r), float(g), float(b), 255});
    return pixels;
}

} // namespace

TEST(MCBitmapColorAdjustments, WorkedPixels)
{
    const auto hsl = [](float h, float s, float l) { return [=](MCBitmap &b) { return b.adjustH(h, s, l); }; };
    const auto hsv = [](float h, float s, float v) { return [=](MCBitmap &b) { return b.adjustHSV(h, s, v); }; };
    const auto colorize = [](float h, float s, float l) { return [=](MCBitmap &b) { return b.colorizeH(h, s, l); }; };
    const auto gains = [](float r, float g, float b) { return [=](MCBitmap &m) { return m.adjustR(r, g, b); }; };
    const auto yiq = [](float y, float i, float q) { return [=](MCBitmap &b) { return b.adjustY(y, i, q); }; };
    const auto sepia = [](float s) { return [=](MCBitmap &b) { return b.adjustSepia(s); }; };
    const std::vector<PixelCase> cases = {
        {"hue shift 0.5: red to cyan", Layout::RGBA8, hsl(0.5f, 1, 1), {255, 0, 0}, {0, 255, 255}, 0},
        {"hue shift 0.5: red to cyan", Layout::RGBAF, hsl(0.5f, 1, 1), {1, 0, 0}, {0, 1, 1}, 1e-6f},
        {"lightness 2: L 0.5 to 0.75", Layout::RGBAF, hsl(0, 1, 2), {0.5f, 0.5f, 0.5f}, {0.75f, 0.75f, 0.75f}, 1e-6f},
        {"lightness 0: L 0.5 to 0.25", Layout::RGBAF, hsl(0, 1, 0), {0.5f, 0.5f, 0.5f}, {0.25f, 0.25f, 0.25f}, 1e-6f},
        {"saturation 0 in HSL", Layout::RGBAF, hsl(0, 0, 1), {0.8f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}, 1e-6f},
        {"lightness on gray is a gain", Layout::Gray8, hsl(0.3f, 0.5f, 0.5f), {200}, {100}, 0},
        {"value 0.5 in HSV", Layout::RGBA8, hsv(0, 1, 0.5f), {200, 100, 50}, {100, 50, 25}, 0},
        {"hue shift 1/3 in HSV: red to green", Layout::RGBAF, hsv(1.0f / 3, 1, 1), {1, 0, 0}, {0, 1, 0}, 1e-5f},
        {"value on gray is a gain", Layout::GrayF, hsv(0.5f, 0, 2), {0.25f}, {0.5f}, 1e-6f},
        {"colorize mid-gray red", Layout::RGBA8, colorize(0, 1, 1), {128, 128, 128}, {255, 1, 1}, 0},
        {"colorize with saturation 0 is gray L", Layout::RGBA8, colorize(0.6f, 0, 1), {200, 100, 0}, {100, 100, 100}, 0},
        {"colorize with saturation 0 is gray L", Layout::RGBAF, colorize(0.6f, 0, 0.5f), {1, 0.5f, 0}, {0.25f, 0.25f, 0.25f}, 1e-6f},
        {"colorize green, full saturation", Layout::RGBAF, colorize(1.0f / 3, 1, 1), {0.5f, 0.5f, 0.5f}, {0, 1, 0}, 1e-5f},
        {"gains per channel", Layout::RGBA8, gains(2, 1, 0.5f), {100, 100, 101}, {200, 100, 51}, 0},
        {"gains per channel", Layout::RGBAF, gains(2, 1, 0.5f), {0.7f, 0.5f, 0.5f}, {1, 0.5f, 0.25f}, 1e-6f},
        {"gains (2, 1, 0) on gray multiply by 1", Layout::Gray8, gains(2, 1, 0), {77}, {77}, 0},
        {"YIQ without saturation is luma times value", Layout::RGBA8, yiq(0.2f, 0, 0.5f), {200, 200, 200}, {100, 100, 100}, 0},
        {"YIQ without saturation is luma times value", Layout::RGBAF, yiq(0, 0, 1), {1, 0, 0}, {0.299f, 0.299f, 0.299f}, 1e-6f},
        {"YIQ value on gray is a gain", Layout::Gray8, yiq(0.5f, 1, 0.5f), {90}, {45}, 0},
        {"sepia 0 is the identity", Layout::RGBA8, sepia(0), {12, 200, 99}, {12, 200, 99}, 0},
        {"full sepia of white", Layout::RGBAF, sepia(1), {1, 1, 1}, {1.351f, 1.203f, 0.937f}, 1e-5f},
        {"full sepia of white saturates", Layout::RGBA8, sepia(1), {255, 255, 255}, {255, 255, 239}, 1},
        {"sepia leaves gray", Layout::Gray8, sepia(1), {10}, {10}, 0},
    };
    expectPixels(cases);
}

TEST(MCBitmapColorAdjustments, NeutralHueSaturationLightnessKeepsEveryEightBitColour)
{
    const std::vector<Pixel> sweep = colourSweep8();
    for (const bool hsv : {false, true}) {
        auto bitmap = makeRow(Layout::RGBA8, sweep);
        EXPECT_TRUE(hsv ? bitmap->adjustHSV(0, 1, 1) : bitmap->adjustH(0, 1, 1));
        EXPECT_EQ(pixelsOf(*bitmap), sweep) << (hsv ? "HSV" : "HSL");
    }
}

TEST(MCBitmapColorAdjustments, BlackBodyTemperatureGains)
{
    struct Row
    {
        float kelvin;
        Pixel gains;
    };
    const Row rows[] = {{6500, {1.033f, 0.967f, 1.020f}}, {2000, {1.980f, 0.463f, 0.020f}}, {10000, {0.752f, 0.865f, 1.248f}}};
    for (const Row &row : rows) {
        auto bitmap = makeRow(Layout::RGBAF, {{0.5f, 0.5f, 0.5f, 1}});
        EXPECT_TRUE(bitmap->adjustTemperature(row.kelvin));
        const Pixel p = pixelsOf(*bitmap)[0];
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(p[k], 0.5f * row.gains[k], 0.001f) << row.kelvin << " K, channel " << k;
        // 8-bit: the same gains through the rounded gain table.
        auto bytes = makeRow(Layout::RGBA8, {{100, 100, 100, 255}});
        EXPECT_TRUE(bytes->adjustTemperature(row.kelvin));
        const Pixel q = pixelsOf(*bytes)[0];
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(q[k], std::round(100 * row.gains[k]), 1.0f) << row.kelvin << " K, channel " << k;
    }
    // Gray bitmaps and temperatures without colour are left as they are.
    auto gray = makeRow(Layout::Gray8, {{100}});
    EXPECT_TRUE(gray->adjustTemperature(2000));
    EXPECT_EQ(pixelsOf(*gray)[0][0], 100);
    auto cold = makeRow(Layout::RGBA8, {{100, 100, 100, 255}});
    EXPECT_TRUE(cold->adjustTemperature(0));
    EXPECT_EQ(pixelsOf(*cold)[0], (Pixel{100, 100, 100, 255}));
}

TEST(MCBitmapColorAdjustments, NaNArgumentsAreRefused)
{
    auto bitmap = makeRow(Layout::RGBA8, {{10, 20, 30, 255}});
    EXPECT_FALSE(bitmap->adjustH(NAN, 1, 1));
    EXPECT_FALSE(bitmap->adjustHSV(0, NAN, 1));
    EXPECT_FALSE(bitmap->colorizeH(0, 1, NAN));
    EXPECT_FALSE(bitmap->adjustR(1, NAN, 1));
    EXPECT_FALSE(bitmap->adjustSepia(NAN));
    EXPECT_EQ(pixelsOf(*bitmap)[0], (Pixel{10, 20, 30, 255}));
}
