#include "platform/accelerate/MCAlphaKernels.h"
#include "platform/accelerate/MCColorKernels.h"
#include "platform/accelerate/MCPixelKernel.h"
#include "platform/accelerate/MCToneKernels.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageHistogram.h"
#include "platform/accelerate/vImageMatrix.h"
#include "platform/accelerate/vImageTable.h"

#include "tests/platform/accelerate/PlaneFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

using namespace platform::pixel;

namespace {

// Up to four planes of one geometry, allocated like a bitmap's channels.
struct Planes
{
    Planes(size_t width, size_t height, SampleType type, unsigned count = 3) : type(type), count(count)
    {
        for (unsigned c = 0; c < count; ++c)
            EXPECT_EQ(vImageBuffer_Init(&plane[c], height, width, type == SampleType::UInt8 ? 8 : 32, kvImageNoFlags),
                      kvImageNoError);
    }
    ~Planes()
    {
        for (auto &p : plane)
            std::free(p.data);
    }
    Planes(const Planes &) = delete;
    Planes &operator=(const Planes &) = delete;

    uint8_t &u8(unsigned c, size_t x, size_t y = 0)
    {
        return static_cast<uint8_t *>(plane[c].data)[y * plane[c].rowBytes + x];
    }
    float &f(unsigned c, size_t x, size_t y = 0)
    {
        return reinterpret_cast<float *>(static_cast<uint8_t *>(plane[c].data) + y * plane[c].rowBytes)[x];
    }
    // Sets pixel x of row 0 on every plane (8-bit or float on the 0..1 scale).
    void set(size_t x, std::initializer_list<double> values)
    {
        unsigned c = 0;
        for (double v : values) {
            if (type == SampleType::UInt8)
                u8(c++, x) = uint8_t(v);
            else
                f(c++, x) = float(v);
        }
    }

    vImage_Buffer plane[4];
    SampleType type;
    unsigned count;
};

const float kFullRange[3] = {0.0f, 0.0f, 0.0f};

} // namespace

TEST(PixelKernel, VectorStepRoundsTiesToEvenAndSaturates)
{
    const struct
    {
        float in;
        uint8_t out;
    } cases[] = {{-3.2f, 0},   {255.6f, 255}, {254.5f, 254}, {253.5f, 254}, {0.5f, 0},   {1.5f, 2},
                 {127.49f, 127}, {1e9f, 255},  {-1e9f, 0},    {std::numeric_limits<float>::quiet_NaN(), 0},
                 {std::numeric_limits<float>::infinity(), 255}};
    std::vector<float> values;
    for (const auto &c : cases) {
        EXPECT_EQ(roundSaturate8(c.in), c.out) << c.in;
        values.push_back(c.in);
    }
    std::vector<uint8_t> out(values.size());
    roundSaturate8(values.data(), out.data(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(out[i], cases[i].out) << values[i];
}

TEST(PixelKernel, PlaneSplitCoversEveryByteOfLargeAndTinyPlanes)
{
    // Odd widths leave row padding, which is transformed like pixels; the large plane is split
    // into many pieces, the tiny one runs in one.
    for (size_t width : {3u, 1001u}) {
        Planes planes(width, 301, SampleType::Float32, 1);
        const size_t samples = samplesOfPlane(planes.plane[0], SampleType::Float32);
        float *data = static_cast<float *>(planes.plane[0].data);
        for (size_t i = 0; i < samples; ++i)
            data[i] = 0.25f;
        ASSERT_EQ(adjustExposure(planes.plane, 1, SampleType::Float32, 2.0f), kvImageNoError);
        size_t wrong = 0;
        for (size_t i = 0; i < samples; ++i)
            wrong += data[i] != 0.5f;
        EXPECT_EQ(wrong, 0u) << width;
    }
}

// A plane is opaque only when every sample is full scale: one sample short anywhere (in the
// eight-sample steps, in the tail of a row, in the last row) makes it translucent; the row
// padding beyond the width never counts.
TEST(AlphaKernels, OpaquePlanesAreFullScaleEverywhere)
{
    const struct
    {
        size_t width, height, x, y;
    } cases[] = {{37, 5, 3, 0}, {37, 5, 35, 2}, {37, 5, 36, 4}, {8, 1, 7, 0}, {3, 3, 2, 2}, {1000, 300, 640, 299}};
    for (const auto &c : cases) {
        TestPlane<uint8_t> alpha(c.width, c.height, uint8_t(255));
        TestPlane<float> alphaF(c.width, c.height, 1.0f);
        EXPECT_TRUE(MCIsOpaquePlanar8(alpha.buffer)) << c.width << "x" << c.height;
        EXPECT_TRUE(MCIsOpaquePlanarF(alphaF.buffer)) << c.width << "x" << c.height;
        alpha.row(c.y)[c.x] = 254;
        alphaF.row(c.y)[c.x] = 0.999f;
        EXPECT_FALSE(MCIsOpaquePlanar8(alpha.buffer)) << c.x << "," << c.y;
        EXPECT_FALSE(MCIsOpaquePlanarF(alphaF.buffer)) << c.x << "," << c.y;
    }
    TestPlane<uint8_t> padded(37, 2, uint8_t(255));
    padded.row(0)[40] = 0; // beyond the width, in the row's padding
    EXPECT_TRUE(MCIsOpaquePlanar8(padded.buffer));
    EXPECT_FALSE(MCIsOpaquePlanar8(vImage_Buffer{}));
}

TEST(vImageTable, Planar8LookUpAndInterpolatedFloatTable)
{
    uint8_t bytes[2][16] = {{0, 1, 2, 255, 77}, {}};
    vImage_Buffer buffer{bytes, 2, 5, 16};
    Pixel_8 table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = uint8_t(255 - v);
    ASSERT_EQ(vImageTableLookUp_Planar8(&buffer, &buffer, table, kvImageNoFlags), kvImageNoError);
    EXPECT_EQ(bytes[0][0], 255);
    EXPECT_EQ(bytes[0][3], 0);
    EXPECT_EQ(bytes[0][4], 178);
    EXPECT_EQ(bytes[0][5], 0) << "samples past the width are not pixels of the buffer";
    EXPECT_EQ(vImageTableLookUp_Planar8(&buffer, &buffer, nullptr, kvImageNoFlags), kvImageNullPointerArgument);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    float samples[8] = {-1.0f, 0.0f, 0.25f, 0.5f, 0.9f, 1.0f, 7.0f, nan};
    vImage_Buffer floats{samples, 1, 8, sizeof samples};
    const float entries[3] = {10.0f, 20.0f, 40.0f};
    ASSERT_EQ(vImageInterpolatedLookupTable_PlanarF(&floats, &floats, entries, 3, 1.0f, 0.0f, kvImageNoFlags),
              kvImageNoError);
    const float expected[8] = {10.0f, 10.0f, 15.0f, 20.0f, 36.0f, 40.0f, 40.0f, 10.0f};
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(samples[i], expected[i], 1e-4f) << i;
    EXPECT_EQ(vImageInterpolatedLookupTable_PlanarF(&floats, &floats, entries, 0, 1.0f, 0.0f, kvImageNoFlags),
              kvImageInvalidParameter);
    EXPECT_EQ(vImageInterpolatedLookupTable_PlanarF(&floats, &floats, entries, 3, 1.0f, 1.0f, kvImageNoFlags),
              kvImageInvalidParameter);
}

TEST(vImageTable, GammaFunction)
{
    EXPECT_EQ(vImageCreateGammaFunction(2.0f, 7, kvImageNoFlags), nullptr);
    EXPECT_EQ(vImageCreateGammaFunction(0.0f, kvImageGamma_UseGammaValue, kvImageNoFlags), nullptr);
    GammaFunction gamma = vImageCreateGammaFunction(2.0f, kvImageGamma_UseGammaValue, kvImageNoFlags);
    ASSERT_NE(gamma, nullptr);
    float samples[3] = {0.5f, -0.5f, 2.0f};
    vImage_Buffer buffer{samples, 1, 3, sizeof samples};
    EXPECT_EQ(vImageGamma_PlanarF(&buffer, &buffer, gamma, kvImageNoFlags), kvImageNoError);
    vImageDestroyGammaFunction(gamma);
    EXPECT_FLOAT_EQ(samples[0], 0.25f);
    EXPECT_FLOAT_EQ(samples[1], -0.25f);
    EXPECT_FLOAT_EQ(samples[2], 4.0f);
}

TEST(vImageHistogram, PlanarFBinsClampOutsideValues)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float samples[8] = {-1.0f, 0.0f, 0.24f, 0.25f, 0.5f, 1.0f, 2.0f, nan};
    vImage_Buffer buffer{samples, 1, 8, sizeof samples};
    vImagePixelCount histogram[4];
    ASSERT_EQ(vImageHistogramCalculation_PlanarF(&buffer, histogram, 4, 0.0f, 1.0f, kvImageNoFlags), kvImageNoError);
    EXPECT_EQ(histogram[0], 4u); // -1, 0, 0.24, NaN
    EXPECT_EQ(histogram[1], 1u);
    EXPECT_EQ(histogram[2], 1u);
    EXPECT_EQ(histogram[3], 2u); // 1 and 2
    EXPECT_EQ(vImageHistogramCalculation_PlanarF(&buffer, histogram, 4, 1.0f, 1.0f, kvImageNoFlags),
              kvImageInvalidParameter);
}

TEST(vImageMatrix, MultipliesPlanesInPlaceWithRoundingAndSaturation)
{
    Planes planes(2, 1, SampleType::UInt8);
    planes.set(0, {10, 20, 30});
    planes.set(1, {200, 100, 1});
    const vImage_Buffer *srcs[3] = {&planes.plane[0], &planes.plane[1], &planes.plane[2]};
    // target R = source B, G = R + G (saturates), B = R / 4 (2.5 rounds away from zero to 3).
    const int16_t matrix[9] = {0, 4, 1, //
                               0, 4, 0, //
                               4, 0, 0};
    ASSERT_EQ(vImageMatrixMultiply_Planar8(srcs, srcs, 3, 3, matrix, 4, nullptr, nullptr, kvImageNoFlags),
              kvImageNoError);
    EXPECT_EQ(planes.u8(0, 0), 30);
    EXPECT_EQ(planes.u8(1, 0), 30);
    EXPECT_EQ(planes.u8(2, 0), 3);
    EXPECT_EQ(planes.u8(0, 1), 1);
    EXPECT_EQ(planes.u8(1, 1), 255);
    EXPECT_EQ(planes.u8(2, 1), 50);
    EXPECT_EQ(vImageMatrixMultiply_Planar8(srcs, srcs, 3, 3, matrix, 0, nullptr, nullptr, kvImageNoFlags),
              kvImageInvalidParameter);

    Planes floats(1, 1, SampleType::Float32);
    floats.set(0, {0.5, 0.25, 1.0});
    const vImage_Buffer *fsrcs[3] = {&floats.plane[0], &floats.plane[1], &floats.plane[2]};
    const float fmatrix[9] = {0, 1, 2, 1, 0, 0, 0, 0, 1};
    const float post[3] = {0.0f, 0.0f, 0.5f};
    ASSERT_EQ(vImageMatrixMultiply_PlanarF(fsrcs, fsrcs, 3, 3, fmatrix, nullptr, post, kvImageNoFlags), kvImageNoError);
    EXPECT_FLOAT_EQ(floats.f(0, 0), 0.25f);
    EXPECT_FLOAT_EQ(floats.f(1, 0), 0.5f);
    EXPECT_FLOAT_EQ(floats.f(2, 0), 2.5f);
}

TEST(ToneKernels, ExposureGainsAndSaturates)
{
    Planes bytes(3, 1, SampleType::UInt8);
    for (size_t x = 0; x < 3; ++x)
        bytes.set(x, {double(100 * x), double(100 * x), double(100 * x)});
    ASSERT_EQ(adjustExposure(bytes.plane, 3, SampleType::UInt8, 2.0f), kvImageNoError);
    for (unsigned c = 0; c < 3; ++c) {
        EXPECT_EQ(bytes.u8(c, 0), 0);
        EXPECT_EQ(bytes.u8(c, 1), 200);
        EXPECT_EQ(bytes.u8(c, 2), 255);
    }
    EXPECT_EQ(gainTable8(-1.0f)[100], 0) << "a negative gain never wraps around";

    Planes floats(1, 1, SampleType::Float32, 1);
    floats.f(0, 0) = 0.7f;
    ASSERT_EQ(adjustExposure(floats.plane, 1, SampleType::Float32, 2.0f), kvImageNoError);
    EXPECT_EQ(floats.f(0, 0), 1.0f);
}

TEST(ToneKernels, ContrastOnGrayAndColour)
{
    const Table8 identity = contrastTable8(1.0f, 0.3f);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(identity[v], v);
    for (float shift : {0.0f, 0.25f, 0.5f, 1.0f}) {
        const Table8 flat = contrastTable8(0.0f, shift);
        EXPECT_EQ(flat[0], std::lround(255 * shift));
        EXPECT_EQ(flat[255], std::lround(255 * shift));
    }

    // Colour: black stays black; a gray keeps its chromaticity, so stays gray and moves by c about the pivot.
    Planes bytes(2, 1, SampleType::UInt8);
    bytes.set(0, {0, 0, 0});
    bytes.set(1, {160, 160, 160});
    ASSERT_EQ(adjustContrast(bytes.plane, 3, SampleType::UInt8, 2.0f, 0.5f), kvImageNoError);
    for (unsigned c = 0; c < 3; ++c) {
        EXPECT_EQ(bytes.u8(c, 0), 0);
        EXPECT_NEAR(bytes.u8(c, 1), 192.5, 1.0);
    }

    Planes floats(2, 1, SampleType::Float32);
    floats.set(0, {0.0, 0.0, 0.0});
    floats.set(1, {0.6, 0.6, 0.6});
    ASSERT_EQ(adjustContrast(floats.plane, 3, SampleType::Float32, 2.0f, 0.5f), kvImageNoError);
    for (unsigned c = 0; c < 3; ++c) {
        EXPECT_EQ(floats.f(c, 0), 0.0f);
        EXPECT_NEAR(floats.f(c, 1), 0.7f, 1e-3f);
    }

    Planes gray(1, 1, SampleType::Float32, 1);
    gray.f(0, 0) = 0.6f;
    ASSERT_EQ(adjustContrast(gray.plane, 1, SampleType::Float32, 3.0f, 0.5f), kvImageNoError);
    EXPECT_NEAR(gray.f(0, 0), 0.8f, 1e-5f);
}

TEST(ToneKernels, GammaRangeAndTables)
{
    Planes bytes(1, 1, SampleType::UInt8, 1);
    bytes.u8(0, 0) = 128;
    for (float gamma : {0.05f, 12.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(adjustGamma(bytes.plane, 1, SampleType::UInt8, gamma), kvImageInvalidParameter) << gamma;
    EXPECT_EQ(bytes.u8(0, 0), 128);
    EXPECT_EQ(adjustGamma(bytes.plane, 0, SampleType::UInt8, 1.0f), kvImageInvalidParameter);
    const Table8 identity = gammaTable8(1.0);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(identity[v], v);
    ASSERT_EQ(adjustGamma(bytes.plane, 1, SampleType::UInt8, 2.0f), kvImageNoError);
    EXPECT_EQ(bytes.u8(0, 0), 64); // (128/255)^2 × 255 = 64.25

    Planes floats(1, 1, SampleType::Float32, 1);
    floats.f(0, 0) = 0.5f;
    ASSERT_EQ(adjustGamma(floats.plane, 1, SampleType::Float32, 2.0f), kvImageNoError);
    EXPECT_FLOAT_EQ(floats.f(0, 0), 0.25f);
}

TEST(ToneKernels, Levels)
{
    const Table8 identity = levelsTable8(1.0f, 0.0f, 1.0f, 0.0f, 1.0f);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(identity[v], v);
    // Inputs outside 0..1 are clamped, so the tables are never indexed past their end.
    const Table8 clamped = levelsTable8(1.0f, -0.5f, 7.0f, -1.0f, 2.0f);
    EXPECT_EQ(clamped, identity);
    // An inverted input range gives c below a and d from b on, d winning where they meet.
    const Table8 inverted = levelsTable8(1.0f, 0.8f, 0.2f, 0.0f, 1.0f);
    EXPECT_EQ(inverted[0], 0);
    EXPECT_EQ(inverted[51], 255);

    Planes floats(3, 1, SampleType::Float32);
    floats.set(0, {0.1, 0.5, 0.9});
    ASSERT_EQ(adjustLevels(floats.plane, 3, SampleType::Float32, 1.0f, 0.2f, 0.8f, 0.0f, 1.0f), kvImageNoError);
    EXPECT_FLOAT_EQ(floats.f(0, 0), 0.0f);
    EXPECT_NEAR(floats.f(1, 0), 0.5f, 1e-3f);
    EXPECT_FLOAT_EQ(floats.f(2, 0), 1.0f);
    ASSERT_EQ(adjustLevels(floats.plane, 3, SampleType::Float32, 1.0f, -3.0f, 9.0f, 0.0f, 1.0f), kvImageNoError);
}

TEST(ToneKernels, HistogramRangeFindsTheLevelsJustOutsideTheOccupiedOnes)
{
    vImagePixelCount histogram[256] = {};
    for (int v = 20; v <= 200; ++v)
        histogram[v] = 3;
    LevelRange range = histogramRange(histogram, 181 * 3, 0.0f, 0.0f);
    EXPECT_EQ(range.lo, 19);
    EXPECT_EQ(range.hi, 201);

    vImagePixelCount ends[256] = {};
    ends[0] = ends[255] = 5;
    range = histogramRange(ends, 10, 0.0f, 0.0f);
    EXPECT_EQ(range.lo, 0);
    EXPECT_EQ(range.hi, 255);
}

TEST(ToneKernels, AutoContrastAndWhiteBalanceStretch)
{
    for (SampleType type : {SampleType::UInt8, SampleType::Float32}) {
        const double scale = type == SampleType::UInt8 ? 1.0 : 1.0 / 255.0;
        // Red occupies 20..200, green and blue 0..255.
        Planes planes(256, 1, type);
        for (size_t x = 0; x < 256; ++x)
            planes.set(x, {(20 + double(x) * 180 / 255) * scale, double(x) * scale, double(x) * scale});
        const auto value = [&](unsigned c, size_t x) {
            return type == SampleType::UInt8 ? double(planes.u8(c, x)) : planes.f(c, x) * 255.0;
        };
        // White balance stretches red by its own range, 19..201:
        // 20 → trunc(255 / 182) = 1, 200 → trunc(181 × 255 / 182) = 253; float interpolates.
        ASSERT_EQ(autoWhiteBalance(planes.plane, 3, type, kFullRange, kFullRange), kvImageNoError);
        EXPECT_NEAR(value(0, 0), type == SampleType::UInt8 ? 1 : 255.0 / 182, 1e-3);
        EXPECT_NEAR(value(0, 255), type == SampleType::UInt8 ? 253 : 181 * 255.0 / 182, 1e-3);
        EXPECT_NEAR(value(1, 110), 110, 1e-3) << "a channel using the whole scale is left alone";
        // Auto contrast maps every channel by the common range, red's 19..201.
        for (size_t x = 0; x < 256; ++x)
            planes.set(x, {(20 + double(x) * 180 / 255) * scale, double(x) * scale, double(x) * scale});
        ASSERT_EQ(autoContrast(planes.plane, 3, type, kFullRange, kFullRange), kvImageNoError);
        EXPECT_NEAR(value(0, 0), type == SampleType::UInt8 ? 1 : 255.0 / 182, 1e-3);
        EXPECT_NEAR(value(1, 110), type == SampleType::UInt8 ? 127 : 91 * 255.0 / 182, 1e-3);
        EXPECT_NEAR(value(2, 10), 0, 1e-3);
        EXPECT_NEAR(value(2, 210), 255, 1e-3);

        Planes gray(4, 1, type, 1);
        for (size_t x = 0; x < 4; ++x)
            gray.set(x, {double(20 + 60 * x) * scale}); // 20, 80, 140, 200
        ASSERT_EQ(autoContrast(gray.plane, 1, type, kFullRange, kFullRange), kvImageNoError);
        const double expected8[4] = {1, 85, 169, 253};
        for (size_t x = 0; x < 4; ++x) {
            const double v = type == SampleType::UInt8 ? gray.u8(0, x) : gray.f(0, x) * 255.0;
            EXPECT_NEAR(v, type == SampleType::UInt8 ? expected8[x] : (60.0 * x + 1) * 255 / 182, 1e-3);
        }
    }
}

TEST(ToneKernels, RejectUnusablePlanes)
{
    vImage_Buffer empty[3];
    EXPECT_EQ(adjustExposure(empty, 3, SampleType::UInt8, 2.0f), kvImageInvalidParameter);
    Planes planes(4, 2, SampleType::UInt8);
    planes.plane[2].height = 1;
    EXPECT_EQ(adjustContrast(planes.plane, 3, SampleType::UInt8, 2.0f, 0.5f), kvImageInvalidParameter);
    planes.plane[2].height = 2;
    EXPECT_EQ(adjustContrast(planes.plane, 4, SampleType::UInt8, 2.0f, 0.5f), kvImageInvalidParameter);
}

TEST(ColorKernels, HelpersRoundTrip)
{
    const float colours[][3] = {{1, 0, 0}, {0, 1, 1}, {0.2f, 0.4f, 0.6f}, {0.9f, 0.1f, 0.5f}, {0.3f, 0.3f, 0.3f}};
    for (const auto &c : colours) {
        float h, s, l, r, g, b;
        MCRGBToHSL(c[0], c[1], c[2], h, s, l);
        MCHSLToRGB(h, s, l, r, g, b);
        EXPECT_NEAR(r, c[0], 1e-5f);
        EXPECT_NEAR(g, c[1], 1e-5f);
        EXPECT_NEAR(b, c[2], 1e-5f);
        MCRGBToHSV(c[0], c[1], c[2], h, s, l);
        MCHSVToRGB(h, s, l, r, g, b);
        EXPECT_NEAR(r, c[0], 1e-5f);
        EXPECT_NEAR(g, c[1], 1e-5f);
        EXPECT_NEAR(b, c[2], 1e-5f);
    }
    float h, s, l;
    MCRGBToHSL(0, 1, 1, h, s, l);
    EXPECT_NEAR(h, 0.5f, 1e-6f);
    MCRGBToHSL(0.5f, 0.5f, 0.5f, h, s, l);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 0.0f);
}

TEST(ColorKernels, HueSaturationLightnessAndValue)
{
    // With no change every 8-bit value comes back through the float round trip.
    Planes planes(256, 1, SampleType::UInt8);
    for (size_t x = 0; x < 256; ++x)
        planes.set(x, {double(x), double(255 - x), double((x * 7) % 256)});
    ASSERT_EQ(adjustHSL(planes.plane, 3, SampleType::UInt8, 0.0f, 1.0f, 1.0f), kvImageNoError);
    ASSERT_EQ(adjustHSV(planes.plane, 3, SampleType::UInt8, 0.0f, 1.0f, 1.0f), kvImageNoError);
    size_t changed = 0;
    for (size_t x = 0; x < 256; ++x)
        changed += planes.u8(0, x) != x || planes.u8(1, x) != 255 - x || planes.u8(2, x) != (x * 7) % 256;
    EXPECT_EQ(changed, 0u);

    // Hue 0.5 turns red into cyan in both models.
    for (auto adjust : {adjustHSL, adjustHSV}) {
        Planes red(1, 1, SampleType::UInt8);
        red.set(0, {255, 0, 0});
        ASSERT_EQ(adjust(red.plane, 3, SampleType::UInt8, 0.5f, 1.0f, 1.0f), kvImageNoError);
        EXPECT_EQ(red.u8(0, 0), 0);
        EXPECT_EQ(red.u8(1, 0), 255);
        EXPECT_EQ(red.u8(2, 0), 255);
    }

    // Lightness factor 2 maps L = 0.5 to 0.75, factor 0 maps it to L² = 0.25.
    const struct
    {
        float factor, expected;
    } lightness[] = {{2.0f, 0.75f}, {0.0f, 0.25f}};
    for (const auto &c : lightness) {
        Planes gray(1, 1, SampleType::Float32);
        gray.set(0, {0.5, 0.5, 0.5});
        ASSERT_EQ(adjustHSL(gray.plane, 3, SampleType::Float32, 0.0f, 1.0f, c.factor), kvImageNoError);
        for (unsigned ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(gray.f(ch, 0), c.expected, 1e-6f) << c.factor;
    }

    // A gray bitmap gets the plain gain.
    Planes one(1, 1, SampleType::UInt8, 1);
    one.u8(0, 0) = 100;
    ASSERT_EQ(adjustHSV(one.plane, 1, SampleType::UInt8, 0.3f, 0.0f, 2.0f), kvImageNoError);
    EXPECT_EQ(one.u8(0, 0), 200);
}

TEST(ColorKernels, Colorize)
{
    Planes planes(2, 1, SampleType::UInt8);
    planes.set(0, {128, 128, 128});
    planes.set(1, {10, 200, 60});
    ASSERT_EQ(colorize(planes.plane, 3, SampleType::UInt8, 0.0f, 1.0f, 1.0f), kvImageNoError);
    EXPECT_EQ(planes.u8(0, 0), 255);
    EXPECT_EQ(planes.u8(1, 0), 1);
    EXPECT_EQ(planes.u8(2, 0), 1);

    Planes floats(1, 1, SampleType::Float32);
    floats.set(0, {0.2, 0.6, 0.4});
    ASSERT_EQ(colorize(floats.plane, 3, SampleType::Float32, 0.3f, 0.0f, 1.0f), kvImageNoError);
    for (unsigned c = 0; c < 3; ++c)
        EXPECT_NEAR(floats.f(c, 0), 0.4f, 1e-6f);
    // A negative hue falls in the last sector instead of reading past the cases.
    floats.set(0, {0.2, 0.6, 0.4});
    ASSERT_EQ(colorize(floats.plane, 3, SampleType::Float32, -0.5f, 1.0f, 1.0f), kvImageNoError);
    EXPECT_GE(floats.f(0, 0), floats.f(2, 0));
    EXPECT_GE(floats.f(2, 0), floats.f(1, 0));
}

TEST(ColorKernels, MatricesAndGains)
{
    ColorMatrix m;
    sepiaMatrix(0.0f, m);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m[i][j], i == j ? 1.0f : 0.0f);
    yiqMatrix(0.0f, 1.0f, 1.0f, m);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(m[i][j], i == j ? 1.0f : 0.0f, 2e-3f);

    Planes planes(2, 1, SampleType::UInt8);
    planes.set(0, {10, 128, 250});
    planes.set(1, {255, 255, 255});
    ASSERT_EQ(adjustSepia(planes.plane, 3, SampleType::UInt8, 0.0f), kvImageNoError);
    EXPECT_EQ(planes.u8(0, 0), 10);
    EXPECT_EQ(planes.u8(1, 0), 128);
    EXPECT_EQ(planes.u8(2, 0), 250);
    ASSERT_EQ(adjustSepia(planes.plane, 3, SampleType::UInt8, 1.0f), kvImageNoError);
    EXPECT_EQ(planes.u8(0, 1), 255) << "white saturates in red and green";
    EXPECT_NEAR(planes.u8(2, 1), 239, 1); // (0.272 + 0.534 + 0.131) × 255

    Planes gray(1, 1, SampleType::UInt8, 1);
    gray.u8(0, 0) = 77;
    ASSERT_EQ(adjustRGB(gray.plane, 1, SampleType::UInt8, 2.0f, 1.0f, 0.0f), kvImageNoError);
    ASSERT_EQ(adjustSepia(gray.plane, 1, SampleType::UInt8, 1.0f), kvImageNoError);
    ASSERT_EQ(adjustTemperature(gray.plane, 1, SampleType::UInt8, 2000.0f), kvImageNoError);
    EXPECT_EQ(gray.u8(0, 0), 77);
}

TEST(ColorKernels, BlackBodyGains)
{
    const struct
    {
        float kelvin;
        float gains[3];
    } cases[] = {{6500, {1.033f, 0.967f, 1.020f}}, {2000, {1.980f, 0.463f, 0.020f}}, {10000, {0.752f, 0.865f, 1.248f}},
                 {0, {1, 1, 1}}, {std::numeric_limits<float>::quiet_NaN(), {1, 1, 1}}, {3, {1, 1, 1}}};
    for (const auto &c : cases) {
        float gains[3];
        temperatureGains(c.kelvin, gains);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(gains[i], c.gains[i], 2e-3f) << c.kelvin << " channel " << i;
    }
}
