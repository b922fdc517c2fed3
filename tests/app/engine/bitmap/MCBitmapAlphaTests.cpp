#include "app/engine/bitmap/MCBitmap.h"
#include "tests/app/engine/bitmap/PlanarBitmap.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testbitmap;

TEST(MCBitmapAlpha, AlphaToColorMixesOntoTheBackdrop)
{
    // 8-bit: red 200 at alpha 128 over opaque black → (25600 + 127) / 255 = 100, opaque.
    const struct
    {
        RGBA pixel;
        QColor backdrop;
        RGBA expected;
    } cases[] = {
        {levels(200, 0, 0, 128), Qt::black, levels(100, 0, 0, 255)},
        {levels(9, 99, 199, 0), QColor(10, 20, 30), levels(10, 20, 30, 255)},    // transparent: the backdrop
        {levels(9, 99, 199, 255), QColor(10, 20, 30), levels(9, 99, 199, 255)},  // opaque: unchanged
        {levels(255, 0, 0, 51), QColor(0, 0, 255, 0), levels(51, 0, 204, 51)},   // clear backdrop keeps alpha
    };
    for (const auto &c : cases) {
        auto bitmap = filled(5, 3, Depth::Bits8, c.pixel);
        ASSERT_TRUE(bitmap->alphaToColor(c.backdrop));
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(level(*bitmap, 4, 2, k), int(std::lround(c.expected[size_t(k)] * 255))) << k;
    }

    // Float: c·a + C·(1 − a), alpha a + A·(1 − a).
    auto bitmap = filled(3, 2, Depth::Float, {0.8f, 0.2f, 0.4f, 0.25f});
    ASSERT_TRUE(bitmap->alphaToColor(QColor::fromRgbF(0, 1, 0, 0.5f)));
    EXPECT_NEAR(sample(*bitmap, 2, 1, 0), 0.2f, 1e-4);
    EXPECT_NEAR(sample(*bitmap, 2, 1, 1), 0.05f + 0.75f, 1e-4);
    EXPECT_NEAR(sample(*bitmap, 2, 1, 2), 0.1f, 1e-4);
    EXPECT_NEAR(sample(*bitmap, 2, 1, 3), 0.25f + 0.375f, 1e-4);
}

TEST(MCBitmapAlpha, ColorToAlphaUnmixesTheKey)
{
    const struct
    {
        QColor key;
        RGBA pixel, expected;
    } cases[] = {
        {Qt::white, {1, 1, 1, 1}, {1, 1, 1, 0}},               // the key itself vanishes, keeps its colour
        {Qt::white, {0.5f, 0.5f, 0.5f, 1}, {0, 0, 0, 0.5f}},   // mid gray is half-transparent black
        {Qt::white, {0, 0, 0, 0.8f}, {0, 0, 0, 0.8f}},         // black keeps colour and alpha
        {Qt::black, {0.25f, 0.5f, 0.125f, 1}, {0.5f, 1, 0.25f, 0.5f}},
    };
    for (Depth depth : {Depth::Bits8, Depth::Float}) {
        for (const auto &c : cases) {
            auto bitmap = filled(4, 2, depth, c.pixel);
            ASSERT_TRUE(bitmap->colorToAlpha(c.key));
            // 8-bit samples carry the rounding of the levels they start and end on.
            const float tolerance = depth == Depth::Float ? 1e-6f : 1.5f / 255.0f;
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(sample(*bitmap, 3, 1, k), c.expected[size_t(k)], tolerance)
                    << (depth == Depth::Float ? "float " : "8-bit ") << c.key.name().toStdString() << " " << k;
        }
    }
}

TEST(MCBitmapAlpha, AlphaMaskIsStretchedAndTurnedToFit)
{
    // A gray mask, white in its top-right quarter, black elsewhere.
    const auto mask = [](size_t width, size_t height) {
        QByteArray gray(int(width * height), 0);
        for (size_t y = 0; y < height / 2; ++y)
            for (size_t x = width / 2; x < width; ++x)
                gray[int(y * width + x)] = char(255);
        return CGImage::create(width, height, 8, 8, width, CGColorSpace::createDeviceGray(), kCGImageAlphaNone, gray);
    };
    for (Depth depth : {Depth::Bits8, Depth::Float}) {
        // A landscape mask is only stretched: the top-right of the picture becomes opaque.
        auto bitmap = filled(300, 200, depth, levels(10, 20, 30, 77));
        ASSERT_TRUE(bitmap->applyAlphaMask(mask(150, 100)));
        EXPECT_EQ(bitmap->size(), QSizeF(300, 200));
        EXPECT_NEAR(sample(*bitmap, 290, 10, 3), 1.0f, 1e-3);
        EXPECT_NEAR(sample(*bitmap, 10, 10, 3), 0.0f, 1e-3);
        EXPECT_NEAR(sample(*bitmap, 290, 190, 3), 0.0f, 1e-3);
        EXPECT_NEAR(sample(*bitmap, 290, 10, 0), 10.0f / 255.0f, 1e-6); // colour untouched

        // A portrait mask is turned a quarter turn counter-clockwise: its top-right quarter
        // lands on the picture's top-left.
        bitmap = filled(300, 200, depth, levels(10, 20, 30, 77));
        ASSERT_TRUE(bitmap->applyAlphaMask(mask(100, 150)));
        EXPECT_NEAR(sample(*bitmap, 10, 10, 3), 1.0f, 1e-3);
        EXPECT_NEAR(sample(*bitmap, 290, 10, 3), 0.0f, 1e-3);
        EXPECT_NEAR(sample(*bitmap, 10, 190, 3), 0.0f, 1e-3);
    }

    // Nothing to write into: a gray bitmap has no alpha plane; a null mask is refused too.
    auto grayBitmap = testbitmap::grayBitmap(4, 3, 90);
    ASSERT_TRUE(grayBitmap);
    EXPECT_FALSE(grayBitmap->applyAlphaMask(mask(4, 3)));
    EXPECT_EQ(level(*grayBitmap, 3, 2, 0), 90);
    auto bitmap = filled(4, 3, Depth::Bits8, levels(1, 2, 3, 4));
    EXPECT_FALSE(bitmap->applyAlphaMask(nullptr));
    EXPECT_EQ(level(*bitmap, 0, 0, 3), 4);

    // Alpha to colour and colour to alpha leave a gray bitmap alone.
    EXPECT_TRUE(grayBitmap->alphaToColor(Qt::red));
    EXPECT_TRUE(grayBitmap->colorToAlpha(Qt::red));
    EXPECT_EQ(level(*grayBitmap, 3, 2, 0), 90);
}
