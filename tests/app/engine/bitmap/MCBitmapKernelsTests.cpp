#include "app/engine/bitmap/MCBitmapKernels.h"

#include "platform/accelerate/vImageBuffer.h"
#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGColorSpace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct Plane
{
    vImage_Buffer buffer;
    Plane(size_t width, size_t height, uint32_t bits) { vImageBuffer_Init(&buffer, height, width, bits, 0); }
    ~Plane() { std::free(buffer.data); }
    template<typename T>
    T *row(size_t y) { return reinterpret_cast<T *>(static_cast<uint8_t *>(buffer.data) + y * buffer.rowBytes); }
};

} // namespace

TEST(MCBitmapKernels, RoundingOfTheVectorStep)
{
    const std::pair<float, int> cases[] = {{-3.2f, 0}, {255.6f, 255}, {254.5f, 254}, {253.5f, 254},
                                           {NAN, 0},    {0.49f, 0},   {1000.0f, 255}};
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(mcbitmap::roundToByte(value), expected) << value;
}

TEST(MCBitmapKernels, PlaneSplitCoversEveryBlockOnce)
{
    const size_t p = platform::processorCount();
    for (const size_t blocks : {size_t(0), size_t(1), p - 1, p, 10 * p + 3}) {
        std::vector<int> seen(blocks, 0);
        std::mutex lock;
        std::vector<std::pair<size_t, size_t>> pieces;
        mcbitmap::splitPlane(blocks, [&](size_t first, size_t end) {
            for (size_t i = first; i < end; ++i)
                ++seen[i];
            std::lock_guard guard(lock);
            pieces.emplace_back(first, end);
        });
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), long(blocks));
        if (blocks > 0 && blocks < p) { // all done by the last piece
            ASSERT_EQ(pieces.size(), 1u);
            EXPECT_EQ(pieces[0], std::make_pair(size_t(0), blocks));
        }
    }
}

TEST(MCBitmapKernels, VectorStepWorksRowPaddingAndVisiblePixels)
{
    Plane r(5, 3, 8), g(5, 3, 8), b(5, 3, 8); // rows padded to 16 bytes
    ASSERT_EQ(r.buffer.rowBytes, 16u);
    for (Plane *p : {&r, &g, &b})
        std::memset(p->buffer.data, 100, p->buffer.rowBytes * p->buffer.height);
    vImage_Buffer planes[3] = {r.buffer, g.buffer, b.buffer};
    mcbitmap::forEachPixel8(planes, 3, [](float *rgb) {
        rgb[0] = rgb[0] * 2;
        rgb[2] = 1.5f; // saturates
    });
    EXPECT_EQ(r.row<uint8_t>(2)[4], 200);
    EXPECT_EQ(r.row<uint8_t>(2)[15], 200); // padding is worked too
    EXPECT_EQ(g.row<uint8_t>(1)[0], 100);
    EXPECT_EQ(b.row<uint8_t>(0)[0], 255);

    Plane f(3, 2, 32);
    f.row<float>(1)[2] = 0.25f;
    vImage_Buffer gray[1] = {f.buffer};
    mcbitmap::forEachPixelF(gray, 1, [](float *v) { v[0] = v[0] * 4 - 2; });
    EXPECT_FLOAT_EQ(f.row<float>(1)[2], -1.0f); // floats are not clamped
}

TEST(MCBitmapKernels, LookupTables)
{
    Plane p(20, 2, 8);
    for (size_t i = 0; i < 20; ++i)
        p.row<uint8_t>(1)[i] = uint8_t(i);
    uint8_t invert[256];
    for (int i = 0; i < 256; ++i)
        invert[i] = uint8_t(255 - i);
    vImage_Buffer planes[1] = {p.buffer};
    EXPECT_EQ(mcbitmap::applyTable8(planes, 1, invert), kvImageNoError);
    EXPECT_EQ(p.row<uint8_t>(1)[19], 236);

    Plane f(4, 1, 32);
    const float values[4] = {-1.0f, 0.25f, 0.5f, 7.0f};
    std::memcpy(f.buffer.data, values, sizeof values);
    const float table[3] = {10.0f, 20.0f, 40.0f}; // over [0, 1]
    vImage_Buffer fplanes[1] = {f.buffer};
    EXPECT_EQ(mcbitmap::applyTableF(fplanes, 1, table, 3, 1.0f, 0.0f), kvImageNoError);
    const float *out = f.row<float>(0);
    EXPECT_FLOAT_EQ(out[0], 10.0f); // below: first entry
    EXPECT_FLOAT_EQ(out[1], 15.0f); // halfway between entries 0 and 1
    EXPECT_FLOAT_EQ(out[2], 20.0f);
    EXPECT_FLOAT_EQ(out[3], 40.0f); // above: last entry
    EXPECT_EQ(mcbitmap::applyTableF(fplanes, 1, table, 1, 1.0f, 0.0f), kvImageInvalidParameter);
}

TEST(MCBitmapKernels, OutOfPlaceFiltersPlaneByPlane)
{
    Plane a(4, 4, 8), b(4, 4, 8), c(4, 4, 8);
    std::memset(a.buffer.data, 1, a.buffer.rowBytes * 4);
    std::memset(b.buffer.data, 2, b.buffer.rowBytes * 4);
    std::memset(c.buffer.data, 3, c.buffer.rowBytes * 4);
    auto doubling = [](const vImage_Buffer &from, const vImage_Buffer &to) {
        for (size_t i = 0; i < from.rowBytes * from.height; ++i)
            static_cast<uint8_t *>(to.data)[i] = uint8_t(static_cast<const uint8_t *>(from.data)[i] * 2);
        return kvImageNoError;
    };
    auto byte = [](const vImage_Buffer &plane) { return static_cast<const uint8_t *>(plane.data)[5]; };

    // Every plane filtered; each plane's old memory became the next one's result, so the
    // three planes now live in the first two planes' memory and one new block.
    vImage_Buffer planes[3] = {a.buffer, b.buffer, c.buffer};
    EXPECT_EQ(mcbitmap::filterOutOfPlace(planes, 3, 8, doubling), kvImageNoError);
    EXPECT_EQ(byte(planes[0]), 2);
    EXPECT_EQ(byte(planes[1]), 4);
    EXPECT_EQ(byte(planes[2]), 6);
    EXPECT_EQ(planes[1].data, a.buffer.data);
    EXPECT_EQ(planes[2].data, b.buffer.data);
    // The pattern freed the third plane's old memory; the fixtures now own the new planes.
    a.buffer = planes[0];
    b.buffer = planes[1];
    c.buffer = planes[2];

    // A failure stops at its plane: the one before is filtered, it and the rest are not.
    int calls = 0;
    auto failingSecond = [&](const vImage_Buffer &from, const vImage_Buffer &to) {
        return ++calls == 2 ? kvImageInvalidParameter : doubling(from, to);
    };
    EXPECT_EQ(mcbitmap::filterOutOfPlace(planes, 3, 8, failingSecond), kvImageInvalidParameter);
    EXPECT_EQ(byte(planes[0]), 4);
    EXPECT_EQ(planes[1].data, b.buffer.data);
    EXPECT_EQ(byte(planes[1]), 4);
    EXPECT_EQ(byte(planes[2]), 6);
    a.buffer = planes[0];
}

TEST(MCBitmapKernels, NormalizeToWorkingLayout)
{
    const CGColorSpaceRef rgb = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    struct Case
    {
        CGBitmapInfo info;
        uint32_t bpc, bpp;
        std::vector<uint8_t> pixel; // one source pixel's bytes
        uint8_t expected[4];
    };
    const Case cases[] = {
        {kCGImageAlphaNone, 8, 24, {10, 20, 30}, {10, 20, 30, 255}},
        {kCGImageAlphaPremultipliedLast, 8, 32, {50, 25, 0, 100}, {128, 64, 0, 100}},
        {kCGImageAlphaPremultipliedFirst, 8, 32, {100, 50, 25, 0}, {128, 64, 0, 100}},
        {kCGImageAlphaFirst, 8, 32, {7, 1, 2, 3}, {1, 2, 3, 7}},
        {kCGImageAlphaNoneSkipLast, 8, 32, {1, 2, 3, 9}, {1, 2, 3, 255}},
        {kCGImageAlphaNoneSkipFirst, 8, 32, {9, 1, 2, 3}, {1, 2, 3, 255}},
        {kCGImageAlphaLast, 16, 64, {0xFF, 0xFF, 0, 0, 0x80, 0x80, 0xFF, 0xFF}, {255, 0, 128, 255}},
    };
    vImage_CGImageFormat to{8, 32, rgb, kCGImageAlphaLast, 0, nullptr, kCGRenderingIntentDefault};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.info);
        std::vector<uint8_t> source = c.pixel;
        uint8_t out[4] = {};
        vImage_Buffer in{source.data(), 1, 1, source.size()}, dst{out, 1, 1, 4};
        vImage_CGImageFormat from{c.bpc, c.bpp, rgb, c.info, 0, nullptr, kCGRenderingIntentDefault};
        ASSERT_EQ(MCNormalizeToRGBA8888(&in, &from, &dst, &to, 0), kvImageNoError);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(out[k], c.expected[k]) << k;
    }

    // Towards float: 16-bit samples are scaled by 1/65535.
    uint16_t wide[4] = {65535, 0, 32768, 65535};
    float out[4];
    vImage_Buffer in{wide, 1, 1, 8}, dst{out, 1, 1, 16};
    vImage_CGImageFormat from{16, 64, rgb, kCGImageAlphaLast, 0, nullptr, kCGRenderingIntentDefault};
    vImage_CGImageFormat toF{32, 128, rgb, kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little,
                             0, nullptr, kCGRenderingIntentDefault};
    ASSERT_EQ(MCNormalizeToRGBAFFFF(&in, &from, &dst, &toF, 0), kvImageNoError);
    EXPECT_FLOAT_EQ(out[2], 32768.0f / 65535.0f);

    // Refusals: another model, alpha only, a destination that is not alpha last.
    vImage_CGImageFormat gray = from;
    gray.colorSpace = CGColorSpace::createDeviceGray();
    EXPECT_EQ(MCNormalizeToRGBAFFFF(&in, &gray, &dst, &toF, 0), kvImageInvalidParameter);
    vImage_CGImageFormat alphaOnly = from;
    alphaOnly.bitmapInfo = kCGImageAlphaOnly;
    EXPECT_EQ(MCNormalizeToRGBAFFFF(&in, &alphaOnly, &dst, &toF, 0), kvImageInvalidParameter);
    vImage_CGImageFormat premultipliedTarget = toF;
    premultipliedTarget.bitmapInfo = kCGImageAlphaPremultipliedLast | kCGBitmapFloatComponents;
    EXPECT_EQ(MCNormalizeToRGBAFFFF(&in, &from, &dst, &premultipliedTarget, 0), kvImageInvalidParameter);
}
