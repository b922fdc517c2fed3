// The resampler against references: a smooth picture is known everywhere, so any size of it
// can be compared with the function itself at the output pixels' centres.
#include "platform/accelerate/vImageGeometry.h"
#include "tests/platform/accelerate/PlaneFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// A smooth wave on the unit square whose slope is zero at every edge (so repeating the edge
// pixel beyond it is exact to second order): 0.5 + 0.4 · cos(mπu) · cos(nπv).
double wave(double u, double v, int m, int n)
{
    return 0.5 + 0.4 * std::cos(m * std::numbers::pi * u) * std::cos(n * std::numbers::pi * v);
}

// The value of pixel (x, y) of a width × height picture of the wave: its centre's value.
double waveAt(size_t x, size_t y, size_t width, size_t height, int m, int n)
{
    return wave((double(x) + 0.5) / double(width), (double(y) + 0.5) / double(height), m, n);
}

struct Worst
{
    double error = 0;
    size_t x = 0, y = 0;
};

// Resamples the wave from one size to another (float samples) and measures the largest
// difference to the wave drawn directly at the new size.
Worst resampleWave(size_t sw, size_t sh, size_t dw, size_t dh, int m, int n)
{
    TestPlane<float> source(sw, sh, [&](size_t x, size_t y) { return float(waveAt(x, y, sw, sh, m, n)); });
    TestPlane<float> out(dw, dh);
    EXPECT_EQ(vImageScale_PlanarF(&source, &out, nullptr, kvImageNoFlags), kvImageNoError);
    Worst worst;
    for (size_t y = 0; y < dh; ++y)
        for (size_t x = 0; x < dw; ++x) {
            const double error = std::abs(out.at(x, y) - waveAt(x, y, dw, dh, m, n));
            if (error > worst.error)
                worst = {error, x, y};
        }
    return worst;
}

} // namespace

TEST(Resampler, MatchesTheSmoothPictureAtAnySize)
{
    // Reductions small and large (boxes first, uneven last boxes included), enlargements and
    // mixed directions. A shift of half a source pixel would already be an error of 0.4 · π ·
    // m / (2 · width), 0.005 and 0.0025 in the first two cases, at the steepest point. Tiny
    // results and enlargements lean most on the repeated edge pixels.
    const struct
    {
        size_t sw, sh, dw, dh;
        int m, n;
        double tolerance;
    } cases[] = {
        {400, 300, 237, 190, 3, 2, 2e-4},   // 1.7×, filter only
        {1003, 797, 101, 83, 4, 3, 1e-3},   // 10×, boxes of 4 and the filter, partial boxes
        {999, 600, 7, 5, 1, 1, 5e-3},       // to a few pixels
        {40, 30, 173, 131, 2, 2, 2e-3},     // enlarging 4.3×
        {500, 60, 80, 250, 3, 1, 1e-3},     // shrink one way, enlarge the other
    };
    for (const auto &c : cases) {
        const Worst worst = resampleWave(c.sw, c.sh, c.dw, c.dh, c.m, c.n);
        EXPECT_LT(worst.error, c.tolerance) << c.sw << "x" << c.sh << " → " << c.dw << "x" << c.dh << ": worst at "
                                            << worst.x << "," << worst.y;
    }
}

TEST(Resampler, KeepsSymmetryIdentityAndSinglePixels)
{
    // A picture symmetric left-right stays symmetric at any size: nothing shifts sideways.
    for (auto [sw, dw] : {std::pair<size_t, size_t>{1001, 100}, {64, 27}, {13, 50}}) {
        TestPlane<uint8_t> source(sw, 4, [&](size_t x, size_t) { return uint8_t(std::min(x, sw - 1 - x) * 255 / sw); });
        TestPlane<uint8_t> out(dw, 3);
        ASSERT_EQ(vImageScale_Planar8(&source, &out, nullptr, kvImageNoFlags), kvImageNoError);
        for (size_t x = 0; x < dw / 2; ++x)
            ASSERT_NEAR(out.at(x, 1), out.at(dw - 1 - x, 1), 1) << sw << " → " << dw << " at " << x;
    }

    // The same size gives the same samples, 8-bit and float.
    TestPlane<uint8_t> noise(37, 23, [](size_t x, size_t y) { return uint8_t((x * 7919 + y * 104729) % 256); });
    TestPlane<uint8_t> same(37, 23);
    ASSERT_EQ(vImageScale_Planar8(&noise, &same, nullptr, kvImageNoFlags), kvImageNoError);
    for (size_t y = 0; y < 23; ++y)
        for (size_t x = 0; x < 37; ++x)
            ASSERT_EQ(same.at(x, y), noise.at(x, y)) << x << "," << y;
    TestPlane<float> ramp(9, 4, [](size_t x, size_t y) { return float(x) * 0.1f - float(y); }), sameRamp(9, 4);
    ASSERT_EQ(vImageScale_PlanarF(&ramp, &sameRamp, nullptr, kvImageNoFlags), kvImageNoError);
    EXPECT_NEAR(sameRamp.at(8, 3), 0.8f - 3.0f, 1e-6);

    // One pixel out of a ramp is its middle value; out of a flat plane, the plane's value.
    TestPlane<float> line(10, 7, [](size_t x, size_t) { return float(x); }), one(1, 1);
    ASSERT_EQ(vImageScale_PlanarF(&line, &one, nullptr, kvImageNoFlags), kvImageNoError);
    EXPECT_NEAR(one.at(0, 0), 4.5f, 1e-4);
    TestPlane<uint8_t> flat(3000, 2, uint8_t(201)), dot(1, 1);
    ASSERT_EQ(vImageScale_Planar8(&flat, &dot, nullptr, kvImageNoFlags), kvImageNoError);
    EXPECT_EQ(dot.at(0, 0), 201);
    // Float samples are not clamped: a hard edge rings beyond 0..1 by the filter's overshoot (about 12%), no further.
    TestPlane<float> step(8, 1, [](size_t x, size_t) { return x < 4 ? 0.0f : 1.0f; }), wide(29, 1);
    ASSERT_EQ(vImageScale_PlanarF(&step, &wide, nullptr, kvImageNoFlags), kvImageNoError);
    for (size_t x = 0; x < 29; ++x) {
        EXPECT_GT(wide.at(x, 0), -0.13f);
        EXPECT_LT(wide.at(x, 0), 1.13f);
    }
    EXPECT_EQ(wide.at(0, 0), 0.0f);
    EXPECT_NEAR(wide.at(28, 0), 1.0f, 1e-6);
}

TEST(Resampler, PlanesTogetherGiveThePlaneByPlaneSamples)
{
    // Filter only, boxes first, enlarging, widths that are not a multiple of four, and more
    // output rows than one band (so bands share source rows at their seams).
    const struct
    {
        size_t sw, sh, dw, dh;
    } cases[] = {{1620, 1080, 801, 533}, {1003, 797, 101, 83}, {40, 30, 173, 131}, {9, 300, 5, 299}};
    for (const auto &c : cases) {
        std::vector<std::unique_ptr<TestPlane<uint8_t>>> sources8, together8, alone8;
        std::vector<std::unique_ptr<TestPlane<float>>> sourcesF, togetherF, aloneF;
        for (size_t k = 0; k < 3; ++k) {
            sources8.push_back(std::make_unique<TestPlane<uint8_t>>(c.sw, c.sh, [&](size_t x, size_t y) {
                return uint8_t((x * (7919 + k) + y * 104729 + (x * y) % 13) % 256);
            }));
            sourcesF.push_back(std::make_unique<TestPlane<float>>(
                c.sw, c.sh, [&](size_t x, size_t y) { return float(waveAt(x, y, c.sw, c.sh, int(k) + 1, 2)); }));
            together8.push_back(std::make_unique<TestPlane<uint8_t>>(c.dw, c.dh));
            alone8.push_back(std::make_unique<TestPlane<uint8_t>>(c.dw, c.dh));
            togetherF.push_back(std::make_unique<TestPlane<float>>(c.dw, c.dh));
            aloneF.push_back(std::make_unique<TestPlane<float>>(c.dw, c.dh));
        }
        const auto buffers = [](const auto &planes) {
            std::vector<vImage_Buffer> out;
            for (const auto &plane : planes)
                out.push_back(plane->buffer);
            return out;
        };
        ASSERT_EQ(MCScalePlanes_Planar8(buffers(sources8).data(), buffers(together8).data(), 3), kvImageNoError);
        ASSERT_EQ(MCScalePlanes_PlanarF(buffers(sourcesF).data(), buffers(togetherF).data(), 3), kvImageNoError);
        for (size_t k = 0; k < 3; ++k) {
            ASSERT_EQ(vImageScale_Planar8(&*sources8[k], &*alone8[k], nullptr, kvImageNoFlags), kvImageNoError);
            ASSERT_EQ(vImageScale_PlanarF(&*sourcesF[k], &*aloneF[k], nullptr, kvImageNoFlags), kvImageNoError);
            for (size_t y = 0; y < c.dh; ++y)
                for (size_t x = 0; x < c.dw; ++x) {
                    ASSERT_EQ(together8[k]->at(x, y), alone8[k]->at(x, y)) << c.sw << " → " << c.dw << " plane " << k;
                    ASSERT_EQ(togetherF[k]->at(x, y), aloneF[k]->at(x, y)) << c.sw << " → " << c.dw << " plane " << k;
                }
        }
    }

    // Planes of different sizes and counts outside 1 to 4 are refused.
    TestPlane<uint8_t> a(10, 10), b(10, 11), out1(5, 5), out2(5, 5);
    const vImage_Buffer mixed[2] = {a.buffer, b.buffer}, outs[2] = {out1.buffer, out2.buffer};
    EXPECT_EQ(MCScalePlanes_Planar8(mixed, outs, 2), kvImageBufferSizeMismatch);
    EXPECT_EQ(MCScalePlanes_Planar8(mixed, outs, 0), kvImageInvalidParameter);
    EXPECT_EQ(MCScalePlanes_Planar8(mixed, outs, 5), kvImageInvalidParameter);
}
