#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace bitmapops;

namespace {

// Every adjustment operation once, with arguments that change a typical picture.
const std::vector<std::pair<const char *, std::function<bool(MCBitmap &)>>> &allOperations()
{
    static const QList<QPointF> identity = {{0, 0}, {255, 255}};
    static const std::vector<std::pair<const char *, std::function<bool(MCBitmap &)>>> operations = {
        {"contrast", [](MCBitmap &b) { return b.adjustContrast(1.5f, 0.5f); }},
        {"exposure", [](MCBitmap &b) { return b.adjustExposure(1.5f); }},
        {"gamma", [](MCBitmap &b) { return b.adjustGamma(2.0f); }},
        {"levels", [](MCBitmap &b) { return b.adjustGamma(1.0f, 0.1f, 0.9f, 0.0f, 1.0f); }},
        {"auto contrast", [](MCBitmap &b) { return b.autoContrast(0.01f); }},
        {"auto white balance", [](MCBitmap &b) { return b.autoWhiteBalance(0.01f); }},
        {"gains", [](MCBitmap &b) { return b.adjustR(1.2f, 1.0f, 0.8f); }},
        {"HSL", [](MCBitmap &b) { return b.adjustH(0.2f, 1.0f, 1.0f); }},
        {"HSV", [](MCBitmap &b) { return b.adjustHSV(0.2f, 1.0f, 1.0f); }},
        {"colorize", [](MCBitmap &b) { return b.colorizeH(0.2f, 1.0f, 1.0f); }},
        {"YIQ", [](MCBitmap &b) { return b.adjustY(0.2f, 1.0f, 1.0f); }},
        {"sepia", [](MCBitmap &b) { return b.adjustSepia(1.0f); }},
        {"temperature", [](MCBitmap &b) { return b.adjustTemperature(3000.0f); }},
        {"curves", [](MCBitmap &b) { return b.histogram({{{0, 40}, {255, 255}}, identity, identity, identity}); }},
        {"sharpness", [](MCBitmap &b) { return b.adjustSharpness(1.0f); }},
        {"blur", [](MCBitmap &b) { return b.blurWithRadius(2, 2); }},
        {"vignette", [](MCBitmap &b) { return b.vignetteWithExposure(0.0f); }},
    };
    return operations;
}

// A 6 × 6 RGB picture without alpha in the given component size, pixel (x, y) = (40x, 40y, 7x²).
std::unique_ptr<MCBitmap> rgbBitmap(size_t bitsPerComponent)
{
    const size_t width = 6, height = 6, bytes = bitsPerComponent / 8;
    QByteArray data(int(width * height * 3 * bytes), 0);
    for (size_t i = 0; i < width * height; ++i) {
        const size_t x = i % width, y = i / width;
        const uint16_t values[3] = {uint16_t(40 * x), uint16_t(40 * y), uint16_t(7 * x * x)};
        for (size_t c = 0; c < 3; ++c) {
            if (bytes == 1)
                data[int(i * 3 + c)] = char(values[c]);
            else
                reinterpret_cast<uint16_t *>(data.data())[i * 3 + c] = uint16_t(values[c] * 257);
        }
    }
    const CGImageRef image = CGImage::create(width, height, bitsPerComponent, 3 * bitsPerComponent, width * 3 * bytes,
                                             CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaNone, data);
    return MCBitmap::createWithCGImage(image);
}

} // namespace

TEST(MCBitmapAdjustmentFrame, LayoutsOutsideTheWorkingOnesAndFailedSplits)
{
    for (const auto &[name, operation] : allOperations()) {
        // Three 8-bit components without alpha: the per-pixel operations leave it alone, the
        // neighbourhood ones (sharpness, blur, vignette) work its three planes.
        auto rgb = rgbBitmap(8);
        ASSERT_TRUE(rgb) << name;
        const std::vector<Pixel> before = pixelsOf(*rgb);
        EXPECT_TRUE(operation(*rgb)) << name;
        const bool neighbourhood = name == std::string("sharpness") || name == std::string("blur") ||
                                   name == std::string("vignette");
        EXPECT_EQ(pixelsOf(*rgb) != before, neighbourhood) << name;

        // 16-bit planes cannot be had: the operation did not happen and says so.
        auto deep = rgbBitmap(16);
        ASSERT_TRUE(deep) << name;
        EXPECT_FALSE(operation(*deep)) << name;
    }
}
