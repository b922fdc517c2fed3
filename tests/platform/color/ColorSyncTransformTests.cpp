#include "platform/color/ColorSyncTransform.h"
#include "platform/graphics/CGColorSpace.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

CGColorSpaceRef srgb() { return CGColorSpace::createWithName(kCGColorSpaceSRGB); }
CGColorSpaceRef cmyk() { return CGColorSpace::createWithName(kCGColorSpaceGenericCMYK); }
CGColorSpaceRef lab() { return CGColorSpace::createWithName(kCGColorSpaceGenericLab); }
CGColorSpaceRef gray() { return CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2); }

template<typename Out, typename In>
std::vector<Out> convertPixels(const ColorSyncTransformRef &t, const std::vector<In> &in, size_t width,
                               ColorSyncDataDepth inDepth, ColorSyncDataLayout inLayout, size_t outComponents,
                               ColorSyncDataDepth outDepth, ColorSyncDataLayout outLayout)
{
    std::vector<Out> out(width * outComponents, Out(0));
    EXPECT_TRUE(t->convert(width, 1, out.data(), outDepth, outLayout, out.size() * sizeof(Out), in.data(), inDepth,
                           inLayout, in.size() * sizeof(In)));
    return out;
}

} // namespace

TEST(ColorSyncTransform, GenericCMYKShipsAndLoads)
{
    CGColorSpaceRef space = cmyk();
    ASSERT_TRUE(space) << "resources/ColorProfiles/GenericCMYK.icc must load";
    EXPECT_EQ(space->model(), kCGColorSpaceModelCMYK);
    EXPECT_EQ(space->profileDescription(), QStringLiteral("Generic CMYK Profile"));
}

TEST(ColorSyncTransform, GenericCMYKPrintsLikeTheMeasuredPress)
{
    // Patches of the coated offset characterisation the profile is made from, with the Lab
    // values measured on paper (D50, 2°). Absolute colorimetric gives back what was measured,
    // paper tint included. The profile's small tables stay within 1.5 ΔE*ab of every patch.
    struct Patch { double c, m, y, k; double L, a, b; };
    const Patch patches[] = {
        {0, 0, 0, 0, 95.00, 0.00, -2.00},       // paper
        {100, 0, 0, 0, 55.00, -37.00, -50.00},  // cyan
        {0, 100, 0, 0, 48.00, 74.00, -3.00},    // magenta
        {0, 0, 100, 0, 89.00, -5.00, 93.00},    // yellow
        {0, 0, 0, 50, 61.82, 0.00, -1.16},      // half black
        {100, 100, 0, 0, 24.00, 22.00, -46.00}, // blue overprint
        {10, 40, 40, 0, 71.22, 18.85, 17.25},   // skin
        {40, 40, 40, 0, 61.53, 5.42, 3.75},     // three-colour gray
        {100, 100, 100, 100, 8.71, -0.07, 2.06}, // all inks
    };
    constexpr double kMaximumDeltaE = 2.0;
    auto t = ColorSyncTransform::create(cmyk(), lab(), kCGRenderingIntentAbsoluteColorimetric, false);
    ASSERT_TRUE(t);
    for (const Patch &p : patches) {
        const std::vector<uint16_t> ink = {uint16_t(std::lround(p.c / 100 * 65535)),
                                           uint16_t(std::lround(p.m / 100 * 65535)),
                                           uint16_t(std::lround(p.y / 100 * 65535)),
                                           uint16_t(std::lround(p.k / 100 * 65535))};
        const auto out = convertPixels<float>(t, ink, 1, kColorSync16BitInteger, kCGImageAlphaNone, 3,
                                              kColorSync32BitFloat, kCGImageAlphaNone);
        const double dE = std::hypot(out[0] - p.L, out[1] - p.a, out[2] - p.b);
        EXPECT_LT(dE, kMaximumDeltaE) << "C" << p.c << " M" << p.m << " Y" << p.y << " K" << p.k << " gives L "
                                      << out[0] << " a " << out[1] << " b " << out[2];
    }
}

TEST(ColorSyncTransform, LabOfSRGBWhiteAndRed)
{
    auto t = ColorSyncTransform::create(srgb(), lab(), kCGRenderingIntentRelativeColorimetric, false);
    ASSERT_TRUE(t);
    const std::vector<uint8_t> rgb = {255, 255, 255, 255, 0, 0, 0, 0, 0};
    const auto out = convertPixels<float>(t, rgb, 3, kColorSync8BitInteger, kCGImageAlphaNone, 3,
                                          kColorSync32BitFloat, kCGImageAlphaNone);
    const float expected[3][3] = {{100.0f, 0.0f, 0.0f}, {54.29f, 80.81f, 69.89f}, {0.0f, 0.0f, 0.0f}};
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(out[p * 3 + c], expected[p][c], 0.6) << "pixel " << p << " component " << c;
}

TEST(ColorSyncTransform, SRGBThroughCMYKAndBack)
{
    auto there = ColorSyncTransform::create(srgb(), cmyk(), kCGRenderingIntentRelativeColorimetric, false);
    auto back = ColorSyncTransform::create(cmyk(), srgb(), kCGRenderingIntentRelativeColorimetric, false);
    ASSERT_TRUE(there && back);
    // Colours a press can print: skin, sky, foliage, grays.
    const std::vector<uint8_t> rgb = {200, 150, 120, 110, 150, 200, 90, 130, 70, 128, 128, 128, 235, 235, 235,
                                      40, 40, 40};
    const size_t n = rgb.size() / 3;
    const auto inks = convertPixels<uint16_t>(there, rgb, n, kColorSync8BitInteger, kCGImageAlphaNone, 4,
                                              kColorSync16BitInteger, kCGImageAlphaNone);
    const auto round = convertPixels<uint8_t>(back, inks, n, kColorSync16BitInteger, kCGImageAlphaNone, 3,
                                              kColorSync8BitInteger, kCGImageAlphaNone);
    for (size_t i = 0; i < rgb.size(); ++i)
        EXPECT_NEAR(round[i], rgb[i], 6) << "component " << i;
    // Neutral highlights carry no black; deep neutrals do.
    EXPECT_LT(inks[4 * 4 + 3], 2000);
    EXPECT_GT(inks[5 * 4 + 3], 20000);
}

TEST(ColorSyncTransform, GrayAndRGBBothWays)
{
    auto toRGB = ColorSyncTransform::create(gray(), srgb(), kCGRenderingIntentPerceptual, false);
    auto toGray = ColorSyncTransform::create(srgb(), gray(), kCGRenderingIntentPerceptual, false);
    ASSERT_TRUE(toRGB && toGray);
    // Gray with alpha last, 16-bit: colour spreads to three equal components, alpha is kept.
    const std::vector<uint16_t> ga = {32768, 1000, 65535, 65535, 0, 300};
    const auto rgba = convertPixels<uint16_t>(toRGB, ga, 3, kColorSync16BitInteger, kCGImageAlphaLast, 4,
                                              kColorSync16BitInteger, kCGImageAlphaLast);
    for (int p = 0; p < 3; ++p) {
        EXPECT_NEAR(rgba[p * 4], rgba[p * 4 + 1], 2);
        EXPECT_NEAR(rgba[p * 4], rgba[p * 4 + 2], 2);
        EXPECT_EQ(rgba[p * 4 + 3], ga[p * 2 + 1]);
    }
    EXPECT_NEAR(rgba[0], 32768, 1200); // gamma 2.2 and the sRGB curve nearly agree at mid gray
    EXPECT_GE(rgba[4], 65500);
    EXPECT_LE(rgba[8], 40);
    const std::vector<uint8_t> rgb = {100, 100, 100, 255, 0, 0};
    const auto g = convertPixels<uint8_t>(toGray, rgb, 2, kColorSync8BitInteger, kCGImageAlphaNone, 1,
                                          kColorSync8BitInteger, kCGImageAlphaNone);
    EXPECT_NEAR(g[0], 100, 3);
    EXPECT_NEAR(g[1], 127, 12); // pure red is about a fifth of white's luminance
}

TEST(ColorSyncTransform, BlackPointCompensationLiftsOrKeepsTheDeepestInk)
{
    const std::vector<float> fullInk = {1, 1, 1, 1};
    std::array<float, 2> blacks{};
    for (int bpc = 0; bpc < 2; ++bpc) {
        auto t = ColorSyncTransform::create(cmyk(), srgb(), kCGRenderingIntentRelativeColorimetric, bpc == 1);
        ASSERT_TRUE(t);
        blacks[bpc] = convertPixels<float>(t, fullInk, 1, kColorSync32BitFloat, kCGImageAlphaNone, 3,
                                           kColorSync32BitFloat, kCGImageAlphaNone)[0];
    }
    EXPECT_GT(blacks[0], 0.05f); // paper and ink cannot reach screen black...
    EXPECT_LT(blacks[1], 0.01f); // ...unless the black points are mapped onto each other
}

TEST(ColorSyncTransform, RefusesUnusableChains)
{
    EXPECT_FALSE(ColorSyncTransform::create(srgb(), cmyk(), CGColorRenderingIntent(7), false));
    EXPECT_FALSE(ColorSyncTransform::create(srgb(), cmyk(), CGColorRenderingIntent(-1), false));
    EXPECT_FALSE(ColorSyncTransform::create(srgb(), nullptr, kCGRenderingIntentPerceptual, false));
    EXPECT_FALSE(ColorSyncTransform::create({{srgb(), kCGRenderingIntentPerceptual, kColorSyncTransformDeviceToPCS}}));
    EXPECT_FALSE(ColorSyncTransform::create({{srgb(), kCGRenderingIntentPerceptual, kColorSyncTransformPCSToDevice},
                                             {cmyk(), kCGRenderingIntentPerceptual, kColorSyncTransformDeviceToPCS}}));
    for (int intent = 0; intent <= 4; ++intent)
        EXPECT_TRUE(ColorSyncTransform::create(srgb(), cmyk(), CGColorRenderingIntent(intent), true)) << intent;
}

TEST(ColorSyncTransform, RefusesFormatsItCannotServe)
{
    auto t = ColorSyncTransform::create(srgb(), srgb(), kCGRenderingIntentPerceptual, false);
    ASSERT_TRUE(t);
    std::vector<uint8_t> buffer(64, 0), other(64, 0);
    struct Case { ColorSyncDataDepth depth; ColorSyncDataLayout layout; size_t rowBytes; const char *why; };
    const Case cases[] = {
        {kColorSync8BitInteger, kCGImageAlphaLast | kCGBitmapByteOrder16Little, 16, "16-bit order on 8-bit data"},
        {kColorSync8BitInteger, kCGImageAlphaNone | kCGBitmapByteOrder32Little, 12, "reversing three components"},
        {kColorSync32BitFloat, kCGImageAlphaLast | kCGBitmapByteOrder32Big, 64, "foreign float byte order"},
        {kColorSync16BitInteger, kCGImageAlphaLast | kCGBitmapByteOrder32Little, 32, "32-bit order on 16-bit data"},
        {kColorSync8BitInteger, kCGImageAlphaOnly, 16, "alpha only"},
        {ColorSyncDataDepth(5), kCGImageAlphaLast, 64, "32-bit integers"},
        {kColorSync8BitInteger, kCGImageAlphaLast, 15, "row shorter than four pixels"},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(t->convert(4, 1, other.data(), kColorSync8BitInteger, kCGImageAlphaLast, 16, buffer.data(),
                                c.depth, c.layout, c.rowBytes))
            << c.why;
    EXPECT_FALSE(t->convert(4, 1, nullptr, kColorSync8BitInteger, kCGImageAlphaLast, 16, buffer.data(),
                            kColorSync8BitInteger, kCGImageAlphaLast, 16));
    EXPECT_FALSE(t->convert(0, 1, other.data(), kColorSync8BitInteger, kCGImageAlphaLast, 16, buffer.data(),
                            kColorSync8BitInteger, kCGImageAlphaLast, 16));
}

TEST(ColorSyncTransform, LayoutsAgreeAndAlphaIsCarried)
{
    auto t = ColorSyncTransform::create(srgb(), CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998),
                                        kCGRenderingIntentRelativeColorimetric, false);
    ASSERT_TRUE(t);
    const std::vector<uint8_t> rgba = {250, 20, 30, 255, 20, 200, 40, 128};
    const auto reference = convertPixels<uint8_t>(t, rgba, 2, kColorSync8BitInteger, kCGImageAlphaLast, 4,
                                                  kColorSync8BitInteger, kCGImageAlphaLast);
    EXPECT_EQ(reference[3], 255);
    EXPECT_EQ(reference[7], 128);
    // The same pixels as BGRA in memory (alpha first, 32-bit little endian).
    const std::vector<uint8_t> bgra = {30, 20, 250, 255, 40, 200, 20, 128};
    const ColorSyncDataLayout little = kCGImageAlphaFirst | kCGBitmapByteOrder32Little;
    const auto swapped = convertPixels<uint8_t>(t, bgra, 2, kColorSync8BitInteger, little, 4,
                                                kColorSync8BitInteger, little);
    for (int p = 0; p < 2; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(swapped[p * 4 + 2 - c], reference[p * 4 + c]);
    EXPECT_EQ(swapped[7], 128);
    // Premultiplied 16-bit output: the colour scales with alpha.
    const auto premultiplied = convertPixels<uint16_t>(t, rgba, 2, kColorSync8BitInteger, kCGImageAlphaLast, 4,
                                                       kColorSync16BitInteger, kCGImageAlphaPremultipliedLast);
    EXPECT_EQ(premultiplied[7], 128 * 257);
    EXPECT_NEAR(premultiplied[5], reference[5] * 257 * 128 / 255, 400);
    // An opaque destination from a source without alpha gets full alpha, a padding byte is kept apart.
    const std::vector<uint8_t> rgbx = {250, 20, 30, 7};
    const auto opaque = convertPixels<float>(t, rgbx, 1, kColorSync8BitInteger, kCGImageAlphaNoneSkipLast, 4,
                                             kColorSync32BitFloat, kCGImageAlphaLast);
    EXPECT_FLOAT_EQ(opaque[3], 1.0f);
}

TEST(ColorSyncTransform, FloatInkCountsFromZeroToOne)
{
    auto t = ColorSyncTransform::create(srgb(), cmyk(), kCGRenderingIntentRelativeColorimetric, false);
    ASSERT_TRUE(t);
    const std::vector<float> rgb = {1, 1, 1, 0, 0, 0};
    const auto inks = convertPixels<float>(t, rgb, 2, kColorSync32BitFloat, kCGImageAlphaNone, 4,
                                           kColorSync32BitFloat, kCGImageAlphaNone);
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(inks[c], 0.0f, 0.01f) << c;
    EXPECT_GT(inks[4 + 3], 0.8f);
    EXPECT_LE(inks[4 + 3], 1.0f);
}

TEST(ColorSyncTransform, SoftProofShowsThePressGamut)
{
    auto proof = ColorSyncTransform::createProof(srgb(), cmyk(), kCGRenderingIntentRelativeColorimetric, false);
    ASSERT_TRUE(proof);
    const std::vector<uint8_t> rgb = {0, 0, 255, 128, 128, 128};
    const auto out = convertPixels<uint8_t>(proof, rgb, 2, kColorSync8BitInteger, kCGImageAlphaNone, 3,
                                            kColorSync8BitInteger, kCGImageAlphaNone);
    EXPECT_GT(std::abs(int(out[0]) - 0) + std::abs(int(out[1]) - 0) + std::abs(int(out[2]) - 255), 40)
        << "screen blue is outside what ink prints";
    for (int c = 3; c < 6; ++c)
        EXPECT_NEAR(out[c], 128, 5);
}

TEST(ColorSyncTransform, CachedTransformsAreReused)
{
    ColorSyncTransform::clearCache();
    const size_t before = ColorSyncTransform::transformBuildCount();
    auto t = ColorSyncTransform::create(srgb(), cmyk(), kCGRenderingIntentPerceptual, true);
    ASSERT_TRUE(t);
    std::vector<uint8_t> in(3 * 8, 90), out(4 * 8);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(t->convert(8, 1, out.data(), kColorSync8BitInteger, kCGImageAlphaNone, 32, in.data(),
                               kColorSync8BitInteger, kCGImageAlphaNone, 24));
    const size_t built = ColorSyncTransform::transformBuildCount() - before;
    EXPECT_EQ(built, 2u); // the float link made on creation and the 8-bit one
    // An equal chain made anew finds both in the cache.
    auto again = ColorSyncTransform::create(srgb(), cmyk(), kCGRenderingIntentPerceptual, true);
    ASSERT_TRUE(again->convert(8, 1, out.data(), kColorSync8BitInteger, kCGImageAlphaNone, 32, in.data(),
                               kColorSync8BitInteger, kCGImageAlphaNone, 24));
    EXPECT_EQ(ColorSyncTransform::transformBuildCount() - before, built);
    EXPECT_EQ(ColorSyncTransform::cachedTransformCount(), 2u);
}

TEST(ColorSyncTransform, LargeBuffersConvertEveryRowAlikeAndInPlace)
{
    auto t = ColorSyncTransform::create(srgb(), CGColorSpace::createWithName(kCGColorSpaceDisplayP3),
                                        kCGRenderingIntentPerceptual, false);
    ASSERT_TRUE(t);
    const size_t w = 1500, h = 400, rowBytes = w * 4 + 16;
    std::vector<uint8_t> pixels(rowBytes * h);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w * 4; ++x)
            pixels[y * rowBytes + x] = uint8_t((x * 7) % 251);
    ASSERT_TRUE(t->convert(w, h, pixels.data(), kColorSync8BitInteger, kCGImageAlphaPremultipliedLast, rowBytes,
                           pixels.data(), kColorSync8BitInteger, kCGImageAlphaPremultipliedLast, rowBytes));
    std::vector<uint8_t> single(w * 4);
    for (size_t x = 0; x < w * 4; ++x)
        single[x] = uint8_t((x * 7) % 251);
    ASSERT_TRUE(t->convert(w, 1, single.data(), kColorSync8BitInteger, kCGImageAlphaPremultipliedLast, w * 4,
                           single.data(), kColorSync8BitInteger, kCGImageAlphaPremultipliedLast, w * 4));
    for (size_t y = 0; y < h; y += 37)
        ASSERT_EQ(0, std::memcmp(pixels.data() + y * rowBytes, single.data(), w * 4)) << "row " << y;
}
