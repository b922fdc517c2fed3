#include "app/engine/bitmap/MCBitmap.h"
#include "tests/app/engine/bitmap/PlanarBitmap.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testbitmap;

namespace {

using Method = bool (MCBitmap::*)(MCError *);

} // namespace

TEST(MCBitmapGrayscale, EightBitRulesAndRounding)
{
    const struct
    {
        const char *rule;
        Method method;
        std::array<int, 3> pixel;
        int gray;
    } cases[] = {
        {"average", &MCBitmap::grayscaleAverage, {1, 1, 2}, 1}, // 4 × 0.33333334 = 1.33
        {"average", &MCBitmap::grayscaleAverage, {1, 2, 2}, 2}, // 5 × 0.33333334 = 1.67
        {"average", &MCBitmap::grayscaleAverage, {255, 255, 255}, 255},
        {"minimum", &MCBitmap::grayscaleMinimum, {30, 7, 200}, 7},
        {"maximum", &MCBitmap::grayscaleMaximum, {30, 7, 200}, 200},
        {"lightness", &MCBitmap::grayscaleLightness, {10, 20, 15}, 15},
        {"lightness", &MCBitmap::grayscaleLightness, {10, 21, 15}, 16}, // rounded up
        {"red", &MCBitmap::grayscaleChannelR, {30, 7, 200}, 30},
        {"green", &MCBitmap::grayscaleChannelG, {30, 7, 200}, 7},
        {"blue", &MCBitmap::grayscaleChannelB, {30, 7, 200}, 200},
    };
    for (const auto &c : cases) {
        auto bitmap = filled(19, 3, Depth::Bits8, levels(c.pixel[0], c.pixel[1], c.pixel[2], 60));
        ASSERT_TRUE((bitmap.get()->*c.method)(nullptr)) << c.rule;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(level(*bitmap, 18, 2, k), c.gray) << c.rule << " " << k;
        EXPECT_EQ(level(*bitmap, 18, 2, 3), 60) << c.rule; // alpha untouched
    }

    // Weighted white stays white (the products' sum may exceed 255 by rounding: clamped).
    for (std::array<float, 3> weights : {std::array{0.299f, 0.587f, 0.114f}, std::array{0.2126f, 0.7152f, 0.0722f}}) {
        auto bitmap = filled(4, 4, Depth::Bits8, levels(255, 255, 255, 0));
        ASSERT_TRUE(bitmap->grayscaleWeighted(weights, 1.0f));
        EXPECT_EQ(level(*bitmap, 3, 3, 1), 255);
        EXPECT_EQ(level(*bitmap, 3, 3, 3), 0);
    }
}

TEST(MCBitmapGrayscale, FloatRulesAndGamma)
{
    const RGBA pixel{0.2f, 0.6f, 0.4f, 0.3f};
    const struct
    {
        const char *rule;
        Method method;
        float gray;
    } cases[] = {
        {"average", &MCBitmap::grayscaleAverage, (0.2f + 0.6f + 0.4f) * 0.33333334f},
        {"minimum", &MCBitmap::grayscaleMinimum, 0.2f},
        {"maximum", &MCBitmap::grayscaleMaximum, 0.6f},
        {"lightness", &MCBitmap::grayscaleLightness, 0.4f},
        {"green", &MCBitmap::grayscaleChannelG, 0.6f},
    };
    for (const auto &c : cases) {
        auto bitmap = filled(5, 2, Depth::Float, pixel);
        ASSERT_TRUE((bitmap.get()->*c.method)(nullptr)) << c.rule;
        for (int k = 0; k < 3; ++k)
            EXPECT_FLOAT_EQ(sample(*bitmap, 4, 1, k), c.gray) << c.rule << " " << k;
        EXPECT_FLOAT_EQ(sample(*bitmap, 4, 1, 3), 0.3f) << c.rule;
    }

    // With a gamma the weighting is done on linear values, then encoded again.
    const std::array<float, 3> weights{0.299f, 0.587f, 0.114f};
    auto bitmap = filled(4, 2, Depth::Float, pixel);
    ASSERT_TRUE(bitmap->grayscaleWeighted(weights, 2.2f));
    const float linear = 0.299f * std::pow(0.2f, 2.2f) + 0.587f * std::pow(0.6f, 2.2f) + 0.114f * std::pow(0.4f, 2.2f);
    EXPECT_NEAR(sample(*bitmap, 3, 1, 2), std::pow(linear, 1 / 2.2f), 1e-5);
    bitmap = filled(4, 2, Depth::Float, pixel);
    ASSERT_TRUE(bitmap->grayscaleWeighted(weights, 1.0f));
    EXPECT_FLOAT_EQ(sample(*bitmap, 3, 1, 0), (0.2f * 0.299f + 0.6f * 0.587f) + 0.4f * 0.114f);

    // A gamma outside 0.1..10 is refused before anything changes.
    for (Depth depth : {Depth::Bits8, Depth::Float}) {
        bitmap = filled(4, 2, depth, levels(10, 100, 200));
        EXPECT_FALSE(bitmap->grayscaleWeighted(weights, 0.05f));
        EXPECT_NEAR(sample(*bitmap, 1, 1, 0), 10.0f / 255.0f, 1e-6);
        EXPECT_NEAR(sample(*bitmap, 1, 1, 2), 200.0f / 255.0f, 1e-6);
    }

    // A gray bitmap is gray already: left as it is.
    auto grayBitmap = testbitmap::grayBitmap(4, 3, 90);
    EXPECT_TRUE(grayBitmap->grayscaleAverage());
    EXPECT_TRUE(grayBitmap->grayscaleChannelB());
    EXPECT_EQ(level(*grayBitmap, 3, 2, 0), 90);
}
