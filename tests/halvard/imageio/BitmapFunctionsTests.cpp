#include "halvard/imageio/MCBitmapFunctions.h"
#include "halvard/imageio/MCFastData.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using Bytes = std::vector<uint8_t>;

TEST(MCBitmapFunctions, AHSBOfPrimariesAndGrays)
{
    struct Case { uint8_t r, g, b; uint8_t h, s, v; };
    const Case cases[] = {
        {255, 0, 0, 0, 255, 255},   // red
        {0, 0, 255, 170, 255, 255}, // blue: 4/6 × 255 truncated
        {0, 255, 0, 85, 255, 255},  // green
        {255, 0, 255, 212, 255, 255}, // magenta: hue wraps past 1 and back
        {128, 128, 128, 0, 0, 128}, // gray: no hue, no saturation
        {0, 0, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        Bytes pixel{77, c.r, c.g, c.b};
        ASSERT_TRUE(MCBitmapConvertToAHSB(pixel.data(), QSizeF(1, 1)));
        EXPECT_EQ(pixel, (Bytes{77, c.h, c.s, c.v})) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
}

TEST(MCBitmapFunctions, ComparisonsOfEqualAndDifferentBuffers)
{
    Bytes a(64), b;
    std::iota(a.begin(), a.end(), 0);
    b = a;
    EXPECT_EQ(MCBitmapCompareFast(a.data(), b.data(), a.size()), 0.0);
    EXPECT_EQ(MCBitmapCompare(a.data(), b.data(), a.size(), true, 0xFF), 0.0);
    EXPECT_EQ(MCBitmapCompareDelta(a.data(), b.data(), a.size(), false, 0), 0.0);
    EXPECT_EQ(MCBitmapCompareAHSBWithMask(a.data(), b.data(), a.size()), 0.0);
    EXPECT_EQ(MCBitmapCompareHistogram(a.data(), b.data(), a.size()), 0.0);

    const Bytes black(32, 0), white(32, 255);
    EXPECT_DOUBLE_EQ(MCBitmapCompareFast(black.data(), white.data(), 32), 1.0);
    EXPECT_EQ(MCBitmapCompareDelta(black.data(), white.data(), 32, false, 255), 0.0);
    EXPECT_EQ(MCBitmapCompareDelta(black.data(), white.data(), 32, false, 254), 1.0);
    EXPECT_DOUBLE_EQ(MCBitmapCompare(black.data(), white.data(), 32, true, 0xFF), 1.0);
    EXPECT_DOUBLE_EQ(MCBitmapCompare(black.data(), white.data(), 32, false, 0xFF), 0.75);
    EXPECT_DOUBLE_EQ(MCBitmapCompare(black.data(), white.data(), 32, true, 0x0F), 1.0);

    // A difference in the bytes after the last whole 16-byte block still counts.
    Bytes c = Bytes(20, 9), d = c;
    d[18] = 200;
    EXPECT_EQ(MCBitmapCompareDelta(c.data(), d.data(), c.size(), false, 10), 1.0);
    EXPECT_GT(MCBitmapCompareFast(c.data(), d.data(), c.size()), 0.0);
    EXPECT_EQ(MCBitmapCompareFast(c.data(), d.data(), 0), 0.0);

    // Hue is circular (255 − |ΔH| past half a turn): 2 and 253 are 4 apart; alpha is not compared.
    const Bytes h1{0, 2, 0, 0}, h2{255, 253, 0, 0};
    EXPECT_DOUBLE_EQ(MCBitmapCompareAHSBWithMask(h1.data(), h2.data(), 4), 4.0 / 128.0 / 3.0);

    const float f1[4] = {0.5f, 0.25f, 0, 1}, f2[4] = {0.5f, 0.75f, 0, 0};
    EXPECT_DOUBLE_EQ(MCBitmapCompareHistogram(f1, f2, sizeof f1), 0.25 + 1.0);
}

TEST(MCBitmapFunctions, HistogramsAreFractionsOfThePixels)
{
    // 2 × 2 ARGB: alpha all 255, red 0/0/255/255, green 10 20 30 40, blue 7.
    const Bytes pixels{255, 0, 10, 7, 255, 0, 20, 7, 255, 255, 30, 7, 255, 255, 40, 7};
    QList<QList<float>> histograms;
    ASSERT_TRUE(MCBitmapCalculateHistograms(pixels.data(), &histograms, QSizeF(2, 2)));
    ASSERT_EQ(histograms.size(), 4);
    for (const QList<float> &h : histograms) {
        ASSERT_EQ(h.size(), 256);
        EXPECT_FLOAT_EQ(std::accumulate(h.begin(), h.end(), 0.0f), 1.0f);
    }
    EXPECT_FLOAT_EQ(histograms[0][255], 1.0f);
    EXPECT_FLOAT_EQ(histograms[1][0], 0.5f);
    EXPECT_FLOAT_EQ(histograms[2][30], 0.25f);
    EXPECT_FLOAT_EQ(histograms[3][7], 1.0f);
    EXPECT_FALSE(MCBitmapCalculateHistograms(nullptr, &histograms, QSizeF(2, 2)));
    EXPECT_FALSE(MCBitmapCalculateHistograms(pixels.data(), &histograms, QSizeF(0, 2)));
    EXPECT_TRUE(MCBitmapCalculateHistograms(pixels.data(), nullptr, QSizeF(2, 2)));

    std::shared_ptr<MCFastData> merged;
    ASSERT_TRUE(MCBitmapCalculateMergedHistogram(pixels.data(), false, 0, &merged, QSizeF(2, 2)));
    ASSERT_EQ(merged->length(), 3 * 256 * sizeof(float));
    const float *bins = reinterpret_cast<const float *>(merged->bytes());
    EXPECT_FLOAT_EQ(bins[255], 0.5f);        // red
    EXPECT_FLOAT_EQ(bins[256 + 40], 0.25f);  // green
    EXPECT_FLOAT_EQ(bins[512 + 7], 1.0f);    // blue
    ASSERT_TRUE(MCBitmapCalculateMergedHistogram(pixels.data(), false, 8, &merged, QSizeF(2, 2)));
    ASSERT_EQ(merged->length(), 3 * sizeof(float));
    for (int c = 0; c < 3; ++c)
        EXPECT_FLOAT_EQ(reinterpret_cast<const float *>(merged->bytes())[c], 1.0f);
    EXPECT_FALSE(MCBitmapCalculateMergedHistogram(pixels.data(), false, 9, &merged, QSizeF(2, 2)));

    // A grayscale buffer is one byte per pixel: exactly width × height bytes are read.
    const Bytes gray{0, 0, 0, 255, 255, 255};
    ASSERT_TRUE(MCBitmapCalculateMergedHistogram(gray.data(), true, 7, &merged, QSizeF(3, 2)));
    ASSERT_EQ(merged->length(), 2 * sizeof(float));
    EXPECT_FLOAT_EQ(reinterpret_cast<const float *>(merged->bytes())[0], 0.5f);
    EXPECT_FLOAT_EQ(reinterpret_cast<const float *>(merged->bytes())[1], 0.5f);
}

TEST(MCBitmapFunctions, IntensityMeansPerBytePosition)
{
    Bytes pixels;
    for (int i = 0; i < 5; ++i) { // 20 bytes: one block of 16 and a tail of one pixel
        for (const uint8_t byte : {255, 0, 51, 102})
            pixels.push_back(byte);
    }
    pixels.push_back(99); // a partial pixel is ignored
    float intensity[4];
    ASSERT_TRUE(MCBitmapCalculateIntensity(pixels.data(), pixels.size(), false, intensity));
    EXPECT_FLOAT_EQ(intensity[0], 1.0f);
    EXPECT_FLOAT_EQ(intensity[1], 0.0f);
    EXPECT_FLOAT_EQ(intensity[2], 0.2f);
    EXPECT_FLOAT_EQ(intensity[3], 0.4f);
    ASSERT_TRUE(MCBitmapCalculateIntensity(pixels.data(), pixels.size(), true, intensity));
    for (float v : intensity)
        EXPECT_FLOAT_EQ(v, 0.4f);
    EXPECT_FALSE(MCBitmapCalculateIntensity(pixels.data(), 0, false, intensity));
    EXPECT_FALSE(MCBitmapCalculateIntensity(nullptr, 4, false, intensity));
    EXPECT_FALSE(MCBitmapCalculateIntensity(pixels.data(), 4, false, nullptr));
}

TEST(MCBitmapFunctions, BlurContrastEqualizeAndRepack)
{
    // A single bright pixel in a 5 × 5 gray image spreads symmetrically; the sum of light is
    // kept away from the edges.
    Bytes gray(25, 0), out(25);
    gray[12] = 250;
    ASSERT_TRUE(MCBitmapBlur(gray.data(), out.data(), true, 3, QSizeF(5, 5)));
    EXPECT_GT(out[12], out[7]);
    EXPECT_EQ(out[7], out[17]);
    EXPECT_EQ(out[11], out[13]);
    EXPECT_EQ(out[0], 0);
    EXPECT_FALSE(MCBitmapBlur(gray.data(), out.data(), true, 4, QSizeF(5, 5)));
    // The radius may reach the far edge, not beyond; a -1 taken as the size is refused, not
    // an allocation of rows for four billion taps.
    EXPECT_TRUE(MCBitmapBlur(gray.data(), out.data(), true, 11, QSizeF(5, 5)));
    Bytes pixels(4 * 25, 7), blurred(4 * 25);
    for (uint32_t kernel : {13u, 0x7fffffffu, uint32_t(-1)}) {
        EXPECT_FALSE(MCBitmapBlur(pixels.data(), blurred.data(), true, kernel, QSizeF(5, 5))) << kernel;
        EXPECT_FALSE(MCBitmapBlur(pixels.data(), blurred.data(), false, kernel, QSizeF(5, 5))) << kernel;
    }

    // A flat ARGB image stays flat at the edges too (the kernel is truncated there) and
    // alpha is untouched.
    Bytes argb, argbOut(4 * 12);
    for (int i = 0; i < 12; ++i)
        argb.insert(argb.end(), {uint8_t(i * 20), 90, 120, 150});
    ASSERT_TRUE(MCBitmapBlur(argb.data(), argbOut.data(), false, 5, QSizeF(4, 3)));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Bytes(argbOut.begin() + i * 4, argbOut.begin() + i * 4 + 4), (Bytes{uint8_t(i * 20), 90, 120, 150}));

    const Bytes narrow{50, 100, 150, 100};
    Bytes stretched(4);
    ASSERT_TRUE(MCBitmapContrast(narrow.data(), stretched.data(), true, QSizeF(2, 2)));
    EXPECT_EQ(stretched, (Bytes{0, 128, 255, 128}));

    const Bytes skewed{10, 10, 10, 11, 12, 200};
    Bytes equalized(6);
    ASSERT_TRUE(MCBitmapEqualize(skewed.data(), equalized.data(), true, QSizeF(3, 2)));
    EXPECT_EQ(equalized[0], 0);
    EXPECT_EQ(equalized[5], 255);
    EXPECT_LT(equalized[3], equalized[4]);

    const Bytes quad{1, 2, 3, 4, 5, 6, 7, 8};
    Bytes rgb(6);
    ASSERT_TRUE(MCBitmapConvertARGBToRGB(quad.data(), rgb.data(), QSizeF(2, 1)));
    EXPECT_EQ(rgb, (Bytes{2, 3, 4, 6, 7, 8}));
    EXPECT_FALSE(MCBitmapConvertARGBToRGB(nullptr, rgb.data(), QSizeF(2, 1)));
}

TEST(MCFastData, OrderingAndEquality)
{
    struct Case { Bytes a, b; int order; };
    const Case cases[] = {
        {{1, 2}, {1, 2, 3}, -1},
        {{1, 2, 4}, {1, 2, 3}, 1},
        {{1, 2, 3}, {1, 2}, 1},
        {{}, {}, 0},
        {{}, {1}, -1},
        {{5}, {5}, 0},
    };
    for (const Case &c : cases) {
        MCFastData a(c.a.data(), c.a.size()), b(c.b.data(), c.b.size());
        EXPECT_EQ(a.compareToData(&b), c.order);
        EXPECT_EQ(MCFastData::compareData(&a, &b), c.order);
        EXPECT_EQ(a.isEqualToData(b), c.order == 0);
    }
    MCFastData x(3);
    EXPECT_EQ(x.compareToData(&x), 0);
    EXPECT_EQ(x.compareToData(nullptr), 1);
    EXPECT_EQ(MCFastData::compareData(nullptr, &x), -1);
    EXPECT_EQ(MCFastData::compareData(&x, nullptr), 1);
    EXPECT_EQ(MCFastData::compareData(nullptr, nullptr), 0);
    EXPECT_TRUE(MCFastData::isEqualData(nullptr, nullptr));
    EXPECT_FALSE(MCFastData::isEqualData(&x, nullptr));
}

TEST(MCFastData, SetBytesKeepsTheBlockForTheSameLength)
{
    const uint8_t first[4] = {1, 2, 3, 4}, second[4] = {9, 8, 7, 6};
    MCFastData data(first, 4);
    uint8_t *block = data.bytes();
    ASSERT_TRUE(data.setBytes(second, 4));
    EXPECT_EQ(data.bytes(), block);
    EXPECT_EQ(Bytes(data.bytes(), data.bytes() + 4), (Bytes{9, 8, 7, 6}));
    ASSERT_TRUE(data.setBytes(nullptr, 2)); // shrinking keeps the leading bytes
    EXPECT_EQ(data.length(), 2u);
    EXPECT_EQ(data.bytes()[0], 9);
}
