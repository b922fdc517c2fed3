#include "platform/accelerate/vImageAlpha.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageConverter.h"
#include "platform/accelerate/vImageConvolution.h"
#include "platform/accelerate/vImageGeometry.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

vImage_Buffer wrap(void *data, size_t width, size_t height, size_t rowBytes)
{
    vImage_Buffer buffer;
    buffer.data = data;
    buffer.width = width;
    buffer.height = height;
    buffer.rowBytes = rowBytes;
    return buffer;
}

} // namespace

TEST(vImageBuffer, InitAndRoundTripThroughAnImage)
{
    vImage_Buffer buffer;
    EXPECT_EQ(vImageBuffer_Init(&buffer, 0, 10, 32, kvImageNoFlags), kvImageInvalidParameter);
    EXPECT_EQ(vImageBuffer_Init(nullptr, 1, 1, 32, kvImageNoFlags), kvImageNullPointerArgument);
    ASSERT_EQ(vImageBuffer_Init(&buffer, 3, 5, 24, kvImageNoFlags), kvImageNoError);
    EXPECT_GE(buffer.rowBytes, 15u);
    EXPECT_EQ(buffer.rowBytes % 16, 0u);
    auto *bytes = static_cast<uint8_t *>(buffer.data);
    for (size_t i = 0; i < buffer.rowBytes * 3; ++i)
        bytes[i] = uint8_t(i);

    vImage_CGImageFormat format;
    format.bitsPerComponent = 8;
    format.bitsPerPixel = 24;
    format.colorSpace = CGColorSpace::createDeviceRGB();
    vImage_Error error = -1;
    CGImageRef image = vImageCreateCGImageFromBuffer(&buffer, &format, kvImageNoFlags, &error);
    ASSERT_TRUE(image);
    EXPECT_EQ(error, kvImageNoError);
    EXPECT_EQ(image->width(), 5u);
    EXPECT_EQ(std::memcmp(image->row(2), bytes + 2 * buffer.rowBytes, 15), 0);

    // Back again with an empty format record, which is filled from the image.
    vImage_Buffer copy;
    vImage_CGImageFormat empty;
    ASSERT_EQ(vImageBuffer_InitWithCGImage(&copy, &empty, nullptr, image, kvImageNoFlags), kvImageNoError);
    EXPECT_EQ(empty.bitsPerPixel, 24u);
    EXPECT_EQ(empty.colorSpace, format.colorSpace);
    EXPECT_EQ(std::memcmp(static_cast<uint8_t *>(copy.data) + copy.rowBytes, bytes + buffer.rowBytes, 15), 0);
    vImage_CGImageFormat other = format;
    other.bitsPerPixel = 32;
    vImage_Buffer refused;
    EXPECT_EQ(vImageBuffer_InitWithCGImage(&refused, &other, nullptr, image, kvImageNoFlags), kvImageInvalidImageFormat);
    std::free(copy.data);
    std::free(buffer.data);
}

TEST(vImageAlpha, UnpremultiplyAtEveryDepth)
{
    uint8_t rgba8[] = {64, 32, 0, 128, 10, 10, 10, 0, 200, 100, 50, 255, 255, 255, 255, 200};
    vImage_Buffer b8 = wrap(rgba8, 4, 1, sizeof rgba8);
    ASSERT_EQ(vImageUnpremultiplyData_RGBA8888(&b8, &b8, kvImageNoFlags), kvImageNoError);
    const uint8_t expected8[] = {128, 64, 0, 128, 0, 0, 0, 0, 200, 100, 50, 255, 255, 255, 255, 200};
    EXPECT_EQ(std::memcmp(rgba8, expected8, sizeof rgba8), 0);

    uint8_t argb8[] = {128, 64, 32, 0};
    vImage_Buffer a8 = wrap(argb8, 1, 1, 4);
    ASSERT_EQ(vImageUnpremultiplyData_ARGB8888(&a8, &a8, kvImageNoFlags), kvImageNoError);
    EXPECT_EQ(argb8[1], 128);
    EXPECT_EQ(argb8[0], 128);

    uint16_t rgba16[] = {16384, 0, 32768, 32768};
    vImage_Buffer b16 = wrap(rgba16, 1, 1, sizeof rgba16);
    ASSERT_EQ(vImageUnpremultiplyData_RGBA16U(&b16, &b16, kvImageNoFlags), kvImageNoError);
    EXPECT_NEAR(rgba16[0], 32767, 1);
    EXPECT_EQ(rgba16[2], 65535);

    float rgbaF[] = {0.25f, 0.5f, 0.0f, 0.5f};
    vImage_Buffer bF = wrap(rgbaF, 1, 1, sizeof rgbaF);
    ASSERT_EQ(vImageUnpremultiplyData_RGBAFFFF(&bF, &bF, kvImageNoFlags), kvImageNoError);
    EXPECT_FLOAT_EQ(rgbaF[0], 0.5f);
    EXPECT_FLOAT_EQ(rgbaF[1], 1.0f);

    vImage_Buffer noData = wrap(nullptr, 1, 1, 4);
    EXPECT_EQ(vImageUnpremultiplyData_RGBA8888(&noData, &b8, kvImageNoFlags), kvImageNullPointerArgument);
    vImage_Buffer shortRows = wrap(rgba8, 4, 1, 15);
    EXPECT_EQ(vImageUnpremultiplyData_RGBA8888(&shortRows, &shortRows, kvImageNoFlags), kvImageInvalidRowBytes);
    vImage_Buffer larger = wrap(rgba8, 5, 1, 20);
    EXPECT_EQ(vImageUnpremultiplyData_RGBA8888(&b8, &larger, kvImageNoFlags), kvImageRoiLargerThanInputBuffer);
}

TEST(vImageGeometry, ScaleKeepsFlatAreasAndAveragesWhenShrinking)
{
    // A flat colour stays exactly flat at any size, edges included.
    std::vector<uint8_t> flat(7 * 5 * 4);
    for (size_t i = 0; i < flat.size(); i += 4)
        std::memcpy(&flat[i], "\xff\x10\x80\xf0", 4);
    for (auto [w, h] : {std::pair{3, 2}, std::pair{16, 11}, std::pair{1, 1}}) {
        std::vector<uint8_t> out(size_t(w * h * 4));
        vImage_Buffer src = wrap(flat.data(), 7, 5, 28), dst = wrap(out.data(), size_t(w), size_t(h), size_t(w * 4));
        ASSERT_EQ(vImageScale_ARGB8888(&src, &dst, nullptr, kvImageNoFlags), kvImageNoError);
        for (size_t i = 0; i < out.size(); i += 4)
            ASSERT_EQ(std::memcmp(&out[i], "\xff\x10\x80\xf0", 4), 0) << w << "x" << h << " at " << i;
    }

    // Halving a fine 0/255 checkerboard gives mid gray (exactly inside; at the edges the
    // repeated edge pixel tilts it a little).
    std::vector<uint8_t> checker(64 * 64);
    for (size_t y = 0; y < 64; ++y)
        for (size_t x = 0; x < 64; ++x)
            checker[y * 64 + x] = (x + y) % 2 ? 255 : 0;
    std::vector<uint8_t> half(32 * 32);
    vImage_Buffer src = wrap(checker.data(), 64, 64, 64), dst = wrap(half.data(), 32, 32, 32);
    ASSERT_EQ(vImageScale_Planar8(&src, &dst, nullptr, kvImageNoFlags), kvImageNoError);
    for (size_t y = 0; y < 32; ++y) {
        for (size_t x = 0; x < 32; ++x) {
            const bool inside = x >= 2 && y >= 2 && x < 30 && y < 30;
            ASSERT_NEAR(half[y * 32 + x], 128, inside ? 1 : 10) << x << "," << y;
        }
    }

    // Enlarging a ramp keeps it a ramp: never decreasing from left to right.
    std::vector<uint8_t> ramp{0, 60, 120, 180, 240}, wide(23);
    vImage_Buffer rs = wrap(ramp.data(), 5, 1, 5), rd = wrap(wide.data(), 23, 1, 23);
    ASSERT_EQ(vImageScale_Planar8(&rs, &rd, nullptr, kvImageNoFlags), kvImageNoError);
    for (size_t i = 1; i < wide.size(); ++i)
        EXPECT_GE(wide[i] + 2, wide[i - 1]);
    EXPECT_LT(wide.front(), 20);
    EXPECT_GT(wide.back(), 220);

    // A large reduction (boxes first, then the filter) keeps where things are: the left
    // third dark, the right third bright, also with a partial box at the right edge.
    std::vector<uint8_t> split(61 * 40);
    for (size_t y = 0; y < 40; ++y)
        for (size_t x = 0; x < 61; ++x)
            split[y * 61 + x] = x < 30 ? 0 : 200;
    std::vector<uint8_t> reduced(6 * 2);
    vImage_Buffer ss = wrap(split.data(), 61, 40, 61), sd = wrap(reduced.data(), 6, 2, 6);
    ASSERT_EQ(vImageScale_Planar8(&ss, &sd, nullptr, kvImageNoFlags), kvImageNoError);
    for (size_t y = 0; y < 2; ++y) {
        EXPECT_NEAR(reduced[y * 6 + 0], 0, 2);
        EXPECT_NEAR(reduced[y * 6 + 1], 0, 4);
        EXPECT_NEAR(reduced[y * 6 + 4], 200, 4);
        EXPECT_NEAR(reduced[y * 6 + 5], 200, 2);
        EXPECT_LT(reduced[y * 6 + 2], reduced[y * 6 + 3]);
    }

    vImage_Buffer empty = wrap(half.data(), 0, 32, 32);
    EXPECT_EQ(vImageScale_Planar8(&src, &empty, nullptr, kvImageNoFlags), kvImageInvalidParameter);
}

TEST(vImageConvolution, TentArgumentsAreChecked)
{
    std::vector<uint8_t> a(16, 7), b(16);
    vImage_Buffer src = wrap(a.data(), 4, 4, 4), dst = wrap(b.data(), 4, 4, 4);
    EXPECT_EQ(vImageTentConvolve_Planar8(&src, &dst, nullptr, 0, 0, 3, 2, 0, kvImageTruncateKernel), kvImageInvalidKernelSize);
    EXPECT_EQ(vImageTentConvolve_Planar8(&src, &dst, nullptr, 0, 0, 3, 3, 0, kvImageNoFlags), kvImageInvalidEdgeStyle);
    EXPECT_EQ(vImageTentConvolve_Planar8(&src, &src, nullptr, 0, 0, 3, 3, 0, kvImageEdgeExtend), kvImageOutOfPlaceOperationRequired);
    EXPECT_EQ(vImageTentConvolve_Planar8(&src, &dst, nullptr, 1, 0, 3, 3, 0, kvImageEdgeExtend), kvImageRoiLargerThanInputBuffer);
    // With a background of 0 the flat image darkens at its edges only.
    ASSERT_EQ(vImageTentConvolve_Planar8(&src, &dst, nullptr, 0, 0, 3, 3, 0, kvImageBackgroundColorFill), kvImageNoError);
    EXPECT_LT(b[0], 7);
    ASSERT_EQ(vImageTentConvolve_Planar8(&src, &dst, nullptr, 0, 0, 3, 3, 0, kvImageEdgeExtend), kvImageNoError);
    EXPECT_EQ(b, a);
}

TEST(vImageConverter, OpaqueBytesAreCopiedAndTranslucentOnesComposited)
{
    // Two rows of straight RGBA: the first opaque, the second with one translucent pixel.
    const uint8_t pixels[2][16] = {{10, 20, 30, 255, 0, 128, 255, 255, 1, 2, 3, 255, 254, 253, 252, 255},
                                   {10, 20, 30, 255, 200, 100, 50, 128, 1, 2, 3, 255, 0, 0, 0, 255}};
    vImage_CGImageFormat rgba;
    rgba.bitsPerComponent = 8;
    rgba.bitsPerPixel = 32;
    rgba.colorSpace = CGColorSpace::createDeviceRGB();
    rgba.bitmapInfo = kCGImageAlphaLast;
    const double background[3] = {0.5, 0.25, 1.0};
    // The composited pixel as the float path computes it.
    const auto composited = [&](uint8_t c, double b) {
        const float alpha = 128 / 255.0f, v = c / 255.0f;
        return uint8_t(std::nearbyint(std::min(v * alpha + float(b) * (1.0f - alpha), 1.0f) * 255.0f));
    };
    const struct
    {
        CGBitmapInfo info;
        uint32_t bitsPerPixel;
        bool inPlace;
    } cases[] = {{kCGImageAlphaNone, 24, false}, {kCGImageAlphaNone, 24, true}, {kCGImageAlphaNoneSkipLast, 32, true}};
    for (const auto &c : cases) {
        std::vector<uint8_t> source(pixels[0], pixels[0] + 32), target(32, 0);
        const vImage_Buffer in = wrap(source.data(), 4, 2, 16);
        const vImage_Buffer out = wrap(c.inPlace ? source.data() : target.data(), 4, 2, 16);
        vImage_CGImageFormat destination = rgba;
        destination.bitmapInfo = c.info;
        destination.bitsPerPixel = c.bitsPerPixel;
        const vImageConverterRef converter =
            vImageConverter_CreateWithCGImageFormat(&rgba, &destination, background, kvImageNoFlags, nullptr);
        ASSERT_TRUE(converter);
        ASSERT_EQ(vImageConvert_AnyToAny(converter, &in, &out, nullptr, kvImageNoFlags), kvImageNoError);
        const size_t bytes = c.bitsPerPixel / 8;
        const auto *result = static_cast<const uint8_t *>(out.data);
        for (size_t y = 0; y < 2; ++y)
            for (size_t x = 0; x < 4; ++x) {
                const uint8_t *p = result + y * 16 + x * bytes, *s = pixels[y] + x * 4;
                for (size_t k = 0; k < 3; ++k) {
                    const uint8_t expected = s[3] == 255 ? s[k] : composited(s[k], background[k]);
                    EXPECT_EQ(p[k], expected) << c.bitsPerPixel << (c.inPlace ? " in place" : "") << " at " << x << "," << y;
                }
                if (bytes == 4) {
                    EXPECT_EQ(p[3], 255);
                }
            }
    }
}
