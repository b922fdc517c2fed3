#include "app/engine/bitmap/MCBitmap.h"

#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr CGBitmapInfo kRGBA8 = kCGImageAlphaLast;
constexpr CGBitmapInfo kRGBAF = kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;

CGColorSpaceRef sRGB()
{
    return CGColorSpace::createWithName(kCGColorSpaceSRGB);
}

// An 8-bit RGBA image whose pixel (x, y) is (x, y, x + y, 255), so positions can be read back.
CGImageRef gradientImage(size_t width, size_t height, uint8_t alpha = 255)
{
    QByteArray data(int(width * height * 4), 0);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            uint8_t *p = reinterpret_cast<uint8_t *>(data.data()) + (y * width + x) * 4;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t(x + y);
            p[3] = alpha;
        }
    return CGImage::create(width, height, 8, 32, width * 4, sRGB(), kRGBA8, data);
}

std::unique_ptr<MCBitmap> bitmapOf(const CGImageRef &image)
{
    return MCBitmap::createWithCGImage(image);
}

const uint8_t *pixel8(const MCBitmap &bitmap, size_t x, size_t y)
{
    const vImage_Buffer &b = bitmap.imageBuffer();
    return static_cast<const uint8_t *>(b.data) + y * b.rowBytes + 4 * x;
}

} // namespace

TEST(MCBitmapOrientation, TableOfAllOrientations)
{
    struct Row
    {
        uint64_t orientation;
        bool flipH, flipV;
        double degrees;
        uint64_t turns;
        bool swaps;
    };
    const Row rows[] = {
        {1, false, false, 0, 0, false},  {2, true, false, 0, 0, false},  {3, false, false, 180, 2, false},
        {4, false, true, 0, 0, false},   {5, false, true, 270, 3, true}, {6, false, false, 270, 3, true},
        {7, false, true, 90, 1, true},   {8, false, false, 90, 1, true}, {0, false, false, 0, 0, false},
        {9, false, false, 0, 0, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.orientation);
        EXPECT_EQ(MCBitmap::flipsHorizontallyFromOrientation(r.orientation), r.flipH);
        EXPECT_EQ(MCBitmap::flipsVerticallyFromOrientation(r.orientation), r.flipV);
        EXPECT_EQ(MCBitmap::rotationAngleInDegreesFromOrientation(r.orientation), r.degrees);
        EXPECT_DOUBLE_EQ(MCBitmap::rotationAngleInRadiansFromOrientation(r.orientation), r.degrees * std::numbers::pi / 180);
        EXPECT_EQ(MCBitmap::bitmapRotationFromOrientation(r.orientation), r.turns);
        EXPECT_EQ(MCBitmap::rotatedSize(QSizeF(40, 30), r.orientation), r.swaps ? QSizeF(30, 40) : QSizeF(40, 30));
    }
}

TEST(MCBitmapReading, UprightAndFittedSizes)
{
    // A 4000 × 3000 photo and a tenth of it; only their geometry matters, so they are flat.
    auto flat = [](size_t width, size_t height) {
        QByteArray data(int(width * height * 4), char(200));
        return MCImage::create(CGImage::create(width, height, 8, 32, width * 4, sRGB(), kRGBA8, data));
    };
    const std::shared_ptr<const MCImage> large = flat(4000, 3000), small = flat(400, 300);
    ASSERT_TRUE(large && small);
    struct Case
    {
        std::shared_ptr<const MCImage> image;
        QSizeF fit;
        uint64_t orientation;
        QSizeF size;
        double scaleX, scaleY;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {large, QSizeF(0, 0), 6, QSizeF(3000, 4000), 1.0, 1.0},
        {large, QSizeF(1000, 1000), 6, QSizeF(750, 1000), 0.25, 0.25},
        {small, QSizeF(100, 100), 1, QSizeF(100, 75), 0.25, 0.25},
        {small, QSizeF(900, 900), 8, QSizeF(300, 400), 1.0, 1.0}, // never enlarged
        {small, QSizeF(nan, 200), 1, QSizeF(267, 200), 267.0 / 400, 200.0 / 300},
        {small, QSizeF(99, nan), 3, QSizeF(99, 74), 99.0 / 400, 74.0 / 300}, // 74.25 rounds down
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.orientation);
        auto bitmap = MCBitmap::create(c.image, sRGB(), kRGBA8, 8, 32, c.fit,
                                       MCBitmap::rotationAngleInRadiansFromOrientation(c.orientation),
                                       MCBitmap::flipsHorizontallyFromOrientation(c.orientation),
                                       MCBitmap::flipsVerticallyFromOrientation(c.orientation));
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->size(), c.size);
        EXPECT_DOUBLE_EQ(bitmap->scaleX(), c.scaleX);
        EXPECT_DOUBLE_EQ(bitmap->scaleY(), c.scaleY);
        EXPECT_EQ(bitmap->originalColorSpace(), sRGB());
    }
    const auto &image = small;
    EXPECT_EQ(MCBitmap::create(image, sRGB(), kRGBA8, 8, 32, QSizeF(0.2, 0.2)), nullptr);
    EXPECT_EQ(MCBitmap::create(nullptr, sRGB(), kRGBA8, 8, 32), nullptr);
}

TEST(MCBitmapReading, OrientationMovesPixelsUpright)
{
    // Orientation 6: the stored picture is turned; its first column becomes the top row,
    // read right to left... checked on corners of a 3 × 2 image.
    const auto image = MCImage::create(gradientImage(3, 2));
    auto bitmap = MCBitmap::create(image, sRGB(), kRGBA8, 8, 32, QSizeF(0, 0),
                                   MCBitmap::rotationAngleInRadiansFromOrientation(6), false, false);
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->size(), QSizeF(2, 3));
    // Rotating the stored picture 90° clockwise: the stored bottom-left corner (0, 1) lands at
    // the top left, the stored top-left (0, 0) at the top right.
    EXPECT_EQ(pixel8(*bitmap, 0, 0)[0], 0);
    EXPECT_EQ(pixel8(*bitmap, 0, 0)[1], 1);
    EXPECT_EQ(pixel8(*bitmap, 1, 0)[0], 0);
    EXPECT_EQ(pixel8(*bitmap, 1, 0)[1], 0);
    EXPECT_EQ(pixel8(*bitmap, 1, 2)[0], 2);
    EXPECT_EQ(pixel8(*bitmap, 1, 2)[1], 0);
}

TEST(MCBitmapStores, SwitchingKeepsEveryPixel)
{
    for (const bool isFloat : {false, true}) {
        SCOPED_TRACE(isFloat);
        auto bitmap = bitmapOf(gradientImage(37, 5, 77));
        ASSERT_TRUE(bitmap);
        if (isFloat) {
            ASSERT_TRUE(bitmap->convertToBitmapInfo(kRGBAF, 32, {1, 1, 1}));
        }
        const vImage_Buffer before = bitmap->imageBuffer();
        QByteArray original(static_cast<const char *>(before.data), int(before.rowBytes * before.height));
        ASSERT_TRUE(bitmap->useImageChannels());
        EXPECT_TRUE(bitmap->isUsingChannels());
        EXPECT_TRUE(bitmap->useImageChannels()); // already there
        EXPECT_EQ(bitmap->size(), QSizeF(37, 5));
        // One store at a time: the photo is never held twice.
        EXPECT_EQ(bitmap->imageBuffer().data, nullptr);
        ASSERT_TRUE(bitmap->useImageBuffer());
        for (const vImage_Buffer &channel : bitmap->imageChannels())
            EXPECT_EQ(channel.data, nullptr);
        const vImage_Buffer after = bitmap->imageBuffer();
        for (size_t y = 0; y < after.height; ++y)
            EXPECT_EQ(std::memcmp(static_cast<const char *>(after.data) + y * after.rowBytes,
                                  original.constData() + y * before.rowBytes, after.width * (isFloat ? 16 : 4)),
                      0);
    }
}

TEST(MCBitmapStores, GrayExchangesWithoutCopyingAndPlanarCopyAllocatesOnMerge)
{
    QByteArray gray(8 * 2, char(9));
    auto bitmap = bitmapOf(CGImage::create(8, 2, 8, 8, 8, CGColorSpace::createDeviceGray(), 0, gray));
    ASSERT_TRUE(bitmap);
    const void *memory = bitmap->imageBuffer().data;
    ASSERT_TRUE(bitmap->useImageChannels());
    EXPECT_EQ(bitmap->imageChannels()[0].data, memory);
    EXPECT_EQ(bitmap->imageBuffer().data, nullptr);

    auto rgba = bitmapOf(gradientImage(4, 3));
    ASSERT_TRUE(rgba->useImageChannels());
    auto copy = rgba->copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->imageBuffer().data, nullptr);
    EXPECT_NE(copy->imageChannels()[2].data, rgba->imageChannels()[2].data);
    ASSERT_TRUE(copy->useImageBuffer());
    EXPECT_EQ(pixel8(*copy, 3, 2)[2], 5);
}

TEST(MCBitmapStores, FailedSplitKeepsTheBuffer)
{
    // 16-bit samples have no planar form: the switch fails and the buffer stays current, so
    // an operation answers NO instead of pretending it worked.
    QByteArray data(4 * 2 * 8, char(1));
    auto bitmap = bitmapOf(CGImage::create(4, 2, 16, 64, 32, sRGB(), kRGBA8, data));
    ASSERT_TRUE(bitmap);
    EXPECT_FALSE(bitmap->useImageChannels());
    EXPECT_FALSE(bitmap->isUsingChannels());
    bool ran = false;
    MCBitmap::Kernels kernels;
    kernels.planar8 = kernels.planarF = [&](vImage_Buffer *, size_t) {
        ran = true;
        return kvImageNoError;
    };
    EXPECT_FALSE(bitmap->runKernels(kernels));
    EXPECT_FALSE(ran);
    EXPECT_EQ(bitmap->imageBuffer().data != nullptr, true);
}

TEST(MCBitmapStores, FrameChoosesKernelByLayout)
{
    auto bitmap = bitmapOf(gradientImage(4, 4));
    size_t count = 0;
    MCBitmap::Kernels kernels;
    kernels.planar8 = [&](vImage_Buffer *channels, size_t n) {
        count = n;
        static_cast<uint8_t *>(channels[1].data)[0] = 99;
        return kvImageNoError;
    };
    EXPECT_TRUE(bitmap->runKernels(kernels));
    EXPECT_EQ(count, 3u);
    ASSERT_TRUE(bitmap->useImageBuffer());
    EXPECT_EQ(pixel8(*bitmap, 0, 0)[1], 99);
    kernels.planar8 = [](vImage_Buffer *, size_t) { return kvImageInvalidParameter; };
    EXPECT_FALSE(bitmap->runKernels(kernels));
}

TEST(MCBitmapDrawing, ContextPremultipliesUntilEnd)
{
    auto bitmap = bitmapOf(gradientImage(4, 4, 128));
    ASSERT_TRUE(bitmap->convertToBitmapInfo(kRGBAF, 32, {1, 1, 1}));
    CGContextRef context = bitmap->beginContext(1);
    ASSERT_TRUE(context);
    EXPECT_EQ(CGBitmapAlphaInfo(bitmap->bitmapInfo()), kCGImageAlphaPremultipliedLast);
    EXPECT_TRUE(bitmap->isAlphaPremultiplied());
    // Fill the whole picture opaque green: an upright context covers every pixel.
    ASSERT_TRUE(context->setFillColor({0, 1, 0, 1}));
    context->fillRect(QRectF(0, 0, 2, 4)); // left half
    EXPECT_TRUE(bitmap->endContext(context));
    EXPECT_EQ(CGBitmapAlphaInfo(bitmap->bitmapInfo()), kCGImageAlphaLast);
    const auto left = bitmap->colorAtPoint(QPointF(0, 0)), right = bitmap->colorAtPoint(QPointF(3, 3));
    ASSERT_TRUE(left && right);
    EXPECT_NEAR(left->components[1], 1.0, 1e-3);
    EXPECT_NEAR(left->components[3], 1.0, 1e-6);
    EXPECT_NEAR(right->components[0], 3 / 255.0, 2e-3); // unpremultiplied back
    EXPECT_NEAR(right->components[3], 128 / 255.0, 1e-6);
}

TEST(MCBitmapDrawing, OrientedContextDrawsUpright)
{
    // Orientation 8 turns the context a quarter: user space's lower-left corner is
    // somewhere else in memory than for orientation 1.
    auto plain = bitmapOf(gradientImage(4, 4));
    auto turned = bitmapOf(gradientImage(4, 4));
    for (auto *b : {plain.get(), turned.get()}) {
        CGContextRef context = b->beginContext(b == plain.get() ? 1 : 8);
        ASSERT_TRUE(context);
        context->setFillColor({1, 1, 1, 1});
        context->fillRect(QRectF(0, 0, 1, 1));
        b->endContext(context);
    }
    // Orientation 1: the lower-left user pixel is memory row 3, column 0.
    EXPECT_EQ(pixel8(*plain, 0, 3)[1], 255);
    EXPECT_NE(pixel8(*turned, 0, 3)[1], 255);
}

TEST(MCBitmapDrawing, ColorAtPoint)
{
    QByteArray data(8, 0);
    data[0] = char(255);
    data[3] = char(128);
    auto bitmap = bitmapOf(CGImage::create(2, 1, 8, 32, 8, sRGB(), kRGBA8, data));
    for (const bool planar : {false, true}) {
        if (planar) {
            ASSERT_TRUE(bitmap->useImageChannels());
        }
        const auto color = bitmap->colorAtPoint(QPointF(0.7, 0.2));
        ASSERT_TRUE(color);
        EXPECT_EQ(color->space, sRGB());
        EXPECT_EQ(color->components, (std::vector<double>{1.0, 0.0, 0.0, 128 / 255.0}));
        EXPECT_FALSE(bitmap->colorAtPoint(QPointF(2, 0))); // outside
        EXPECT_FALSE(bitmap->colorAtPoint(QPointF(-0.5, 0)));
    }
    QByteArray wide(16, 0);
    EXPECT_FALSE(bitmapOf(CGImage::create(2, 1, 16, 64, 16, sRGB(), kRGBA8, wide))->colorAtPoint(QPointF(0, 0)));
}

TEST(MCBitmapConversion, DroppingAlphaCompositesOntoBackground)
{
    auto bitmap = bitmapOf(gradientImage(2, 1, 0)); // fully transparent
    ASSERT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_EQ(bitmap->bitsPerPixel(), 24u);
    EXPECT_FALSE(bitmap->isAlphaUsed());
    const auto *p = static_cast<const uint8_t *>(bitmap->imageBuffer().data);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[5], 255);

    auto half = bitmapOf(gradientImage(1, 1, 128));
    ASSERT_TRUE(half->convertToBitmapInfo(kCGImageAlphaNone, 8, {0, 0, 0}));
    EXPECT_EQ(static_cast<const uint8_t *>(half->imageBuffer().data)[0], 0);

    // Widening to 16 bits needs a new buffer and keeps the values.
    auto wide = bitmapOf(gradientImage(3, 1));
    ASSERT_TRUE(wide->convertToBitmapInfo(kCGImageAlphaLast, 16, {1, 1, 1}));
    EXPECT_EQ(wide->bitsPerPixel(), 64u);
    EXPECT_EQ(reinterpret_cast<const uint16_t *>(wide->imageBuffer().data)[4], 257u);
    EXPECT_FALSE(wide->convertToBitmapInfo(kCGImageAlphaLast, 8, {})); // background missing
}

TEST(MCBitmapConversion, FormatChangeFromPlanesEqualsTheBufferPath)
{
    // The final format change reads the planes a few rows at a time; it must give exactly
    // what merging the planes first and converting the buffer gives. Rows of 4100 pixels
    // make several bands over the nine rows.
    struct Case
    {
        const char *name;
        bool isFloat;
        uint8_t alpha;
        CGBitmapInfo info;
        uint64_t bitsPerComponent;
        std::vector<double> background;
    };
    const Case cases[] = {
        {"opaque 8-bit to RGB", false, 255, kCGImageAlphaNone, 8, {1, 1, 1}},
        {"translucent 8-bit onto a colour", false, 100, kCGImageAlphaNone, 8, {0.2, 0.4, 0.6}},
        {"8-bit to 16-bit RGBA", false, 200, kCGImageAlphaLast | kCGBitmapByteOrder16Little, 16, {1, 1, 1}},
        {"float to 16-bit RGB", true, 77, kCGImageAlphaNone | kCGBitmapByteOrder16Little, 16, {0, 0, 0}},
        {"float to 8-bit RGBA", true, 255, kCGImageAlphaLast, 8, {1, 1, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<MCBitmap> bitmaps[2];
        for (auto &bitmap : bitmaps) {
            bitmap = bitmapOf(gradientImage(4100, 9, c.alpha));
            ASSERT_TRUE(bitmap);
            if (c.isFloat) {
                ASSERT_TRUE(bitmap->convertToBitmapInfo(kRGBAF, 32, {1, 1, 1}));
            }
        }
        ASSERT_TRUE(bitmaps[0]->useImageChannels());
        ASSERT_TRUE(bitmaps[0]->convertToBitmapInfo(c.info, c.bitsPerComponent, c.background));
        ASSERT_TRUE(bitmaps[1]->convertToBitmapInfo(c.info, c.bitsPerComponent, c.background));
        EXPECT_FALSE(bitmaps[0]->isUsingChannels());
        for (const vImage_Buffer &channel : bitmaps[0]->imageChannels())
            EXPECT_EQ(channel.data, nullptr);
        ASSERT_EQ(bitmaps[0]->bitsPerPixel(), bitmaps[1]->bitsPerPixel());
        const vImage_Buffer &planar = bitmaps[0]->imageBuffer(), &interleaved = bitmaps[1]->imageBuffer();
        ASSERT_EQ(planar.height, interleaved.height);
        const size_t bytes = planar.width * bitmaps[0]->bitsPerPixel() / 8;
        for (size_t y = 0; y < planar.height; ++y)
            ASSERT_EQ(std::memcmp(static_cast<const char *>(planar.data) + y * planar.rowBytes,
                                  static_cast<const char *>(interleaved.data) + y * interleaved.rowBytes, bytes),
                      0)
                << "row " << y;
    }
}

TEST(MCBitmapSaving, FailureNamesTheFile)
{
    auto bitmap = bitmapOf(gradientImage(4, 4));
    const QString folder = testsupport::makeTemporaryFolder();
    MCError error;
    EXPECT_FALSE(bitmap->saveAtURL(folder + "/missing/out.jpg", "public.jpeg", {}, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    EXPECT_EQ(error.localizedDescription(), QString::fromUtf8("“out.jpg” could not be converted."));
    EXPECT_EQ(error.localizedRecoverySuggestion(), "Make sure that the convert settings are proper.");

    ASSERT_TRUE(bitmap->useImageChannels()); // saving merges first
    EXPECT_TRUE(bitmap->saveAtURL(folder + "/out.png", "public.png", {}, &error)) << error.toString().toStdString();
    EXPECT_GT(QFileInfo(folder + "/out.png").size(), 0);

    // The writer's own reason travels as the underlying error; nothing is left behind.
    EXPECT_FALSE(bitmap->saveAtURL(folder + "/out.xyz", "public.no-such-format", {}, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    ASSERT_NE(error.underlyingError(), nullptr);
    EXPECT_EQ(error.localizedRecoverySuggestion(), "Make sure that the convert settings are proper.");
    EXPECT_FALSE(QFileInfo::exists(folder + "/out.xyz"));
}
