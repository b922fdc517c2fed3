#include "app/engine/bitmap/MCBitmap.h"

#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr CGBitmapInfo kRGBA8 = kCGImageAlphaLast;

CGColorSpaceRef sRGB()
{
    return CGColorSpace::createWithName(kCGColorSpaceSRGB);
}

std::unique_ptr<MCBitmap> read(const std::shared_ptr<const MCImage> &image, const QSizeF &fit, uint64_t orientation)
{
    return MCBitmap::create(image, sRGB(), kRGBA8, 8, 32, fit, MCBitmap::rotationAngleInRadiansFromOrientation(orientation),
                            MCBitmap::flipsHorizontallyFromOrientation(orientation),
                            MCBitmap::flipsVerticallyFromOrientation(orientation));
}

const uint8_t *pixel(const MCBitmap &bitmap, size_t x, size_t y)
{
    const vImage_Buffer &b = bitmap.imageBuffer();
    return static_cast<const uint8_t *>(b.data) + y * b.rowBytes + 4 * x;
}

// Thin white lines, one pixel wide every eight pixels, on black, in the given layout. Reduced
// four times, each bitmap pixel must carry its share of the lines (the mean stays 255 / 8);
// one source pixel per bitmap pixel, or a bilinear mix of two, makes them vanish or glare.
CGImageRef thinLines(size_t width, size_t height, size_t bitsPerComponent, size_t channels, CGBitmapInfo info)
{
    const size_t bytes = bitsPerComponent / 8;
    QByteArray data(int(width * height * channels * bytes), 0);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            for (size_t c = 0; c < channels; ++c) {
                const size_t i = ((y * width + x) * channels + c) * bytes;
                const bool white = x % 8 == 0 || c == 3; // alpha opaque
                std::memset(data.data() + i, white ? 0xff : 0, bytes);
            }
    return CGImage::create(width, height, bitsPerComponent, bitsPerComponent * channels, width * channels * bytes,
                           sRGB(), info, data);
}

// Four quadrants of red, green, blue and white, 400 × 300.
CGImageRef quadrants()
{
    constexpr size_t w = 400, h = 300;
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    QByteArray data(int(w * h * 3), 0);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            std::memcpy(data.data() + (y * w + x) * 3, colours[(y >= h / 2) * 2 + (x >= w / 2)], 3);
    return CGImage::create(w, h, 8, 24, w * 3, sRGB(), kCGImageAlphaNone, data);
}

} // namespace

// Reduced reading filters the picture, whatever the source's layout (8-bit RGBX, 8-bit RGB as
// JPEG decodes, 16-bit RGBA): thin lines keep their share of the brightness in every row.
TEST(MCBitmapFittedReading, ReductionFiltersInsteadOfPickingPixels)
{
    const CGImageRef images[] = {
        thinLines(400, 300, 8, 4, kCGImageAlphaNoneSkipLast),
        thinLines(400, 300, 8, 3, kCGImageAlphaNone),
        thinLines(400, 300, 16, 4, kCGImageAlphaLast | kCGBitmapByteOrder16Little),
    };
    for (const CGImageRef &source : images) {
        ASSERT_TRUE(source);
        SCOPED_TRACE(source->bitsPerPixel());
        auto bitmap = read(MCImage::create(source), QSizeF(100, 100), 1);
        ASSERT_TRUE(bitmap);
        ASSERT_EQ(bitmap->size(), QSizeF(100, 75));
        for (size_t y = 0; y < 75; y += 37) {
            double sum = 0;
            int highest = 0;
            for (size_t x = 0; x < 100; ++x) {
                sum += pixel(*bitmap, x, y)[1];
                highest = std::max<int>(highest, pixel(*bitmap, x, y)[1]);
            }
            EXPECT_NEAR(sum / 100, 255.0 / 8, 3) << "row " << y;
            EXPECT_LT(highest, 128) << "row " << y;
            EXPECT_EQ(pixel(*bitmap, 50, y)[3], 255);
        }
    }
}

// Every orientation puts the reduced picture where the full-size reading puts it: the centre
// of each quadrant has the same colour in both.
TEST(MCBitmapFittedReading, OrientationsMatchTheFullSizeReading)
{
    const auto image = MCImage::create(quadrants());
    ASSERT_TRUE(image);
    for (uint64_t orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        auto full = read(image, QSizeF(0, 0), orientation);
        auto reduced = read(image, QSizeF(100, 100), orientation);
        ASSERT_TRUE(full && reduced);
        const QSizeF size = reduced->size();
        EXPECT_EQ(size, MCBitmap::rotatedSize(QSizeF(100, 75), orientation));
        for (double fx : {0.25, 0.75})
            for (double fy : {0.25, 0.75}) {
                const uint8_t *a = pixel(*full, size_t(fx * full->size().width()), size_t(fy * full->size().height()));
                const uint8_t *b = pixel(*reduced, size_t(fx * size.width()), size_t(fy * size.height()));
                for (int c = 0; c < 4; ++c)
                    EXPECT_NEAR(a[c], b[c], 2) << fx << "," << fy << " component " << c;
            }
    }
}

// Straight alpha is resampled premultiplied: a transparent red field lends no red to the
// opaque blue beside it.
TEST(MCBitmapFittedReading, TransparentPixelsLendNoColour)
{
    constexpr size_t w = 400, h = 40;
    QByteArray data(int(w * h * 4), 0);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            uint8_t *p = reinterpret_cast<uint8_t *>(data.data()) + (y * w + x) * 4;
            if (x < w / 2)
                p[0] = 255; // red, alpha 0
            else
                p[2] = p[3] = 255; // opaque blue
        }
    const auto image = MCImage::create(CGImage::create(w, h, 8, 32, w * 4, sRGB(), kRGBA8, data));
    auto bitmap = read(image, QSizeF(100, 100), 1);
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->size(), QSizeF(100, 10));
    for (size_t x = 50; x < 100; ++x) {
        const uint8_t *p = pixel(*bitmap, x, 5);
        if (p[3] >= 128) { // opaque enough to show: its colour is the blue's
            EXPECT_LE(p[0], 2) << x;
        }
    }
}

// A turn by an angle that is no quarter turn resamples too: the rim of an opaque red square
// on transparent green shows red only, however little of a pixel it covers.
TEST(MCBitmapFittedReading, AnyAngleTurnLendsNoColour)
{
    constexpr size_t w = 40, h = 40;
    QByteArray data(int(w * h * 4), 0);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            uint8_t *p = reinterpret_cast<uint8_t *>(data.data()) + (y * w + x) * 4;
            const bool inside = x >= 10 && x < 30 && y >= 10 && y < 30;
            p[0] = inside ? 255 : 0;
            p[1] = inside ? 0 : 255;
            p[3] = inside ? 255 : 0;
        }
    const auto image = MCImage::create(CGImage::create(w, h, 8, 32, w * 4, sRGB(), kRGBA8, data));
    for (const double degrees : {30.0, 45.0, 100.0}) {
        auto bitmap = MCBitmap::create(image, sRGB(), kRGBA8, 8, 32, QSizeF(0, 0), degrees * M_PI / 180.0);
        ASSERT_TRUE(bitmap) << degrees;
        size_t rim = 0;
        for (size_t y = 0; y < size_t(bitmap->size().height()); ++y)
            for (size_t x = 0; x < size_t(bitmap->size().width()); ++x) {
                const uint8_t *p = pixel(*bitmap, x, y);
                if (p[3] == 0)
                    continue;
                rim += p[3] < 255;
                ASSERT_GE(p[0], 254) << degrees << "° at " << x << "," << y << " alpha " << int(p[3]);
                ASSERT_LE(p[1], 1) << degrees << "° at " << x << "," << y << " alpha " << int(p[3]);
            }
        EXPECT_GT(rim, 20u) << degrees;
    }
}
