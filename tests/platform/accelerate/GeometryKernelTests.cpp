#include "platform/accelerate/MCGeometryKernels.h"
#include "platform/accelerate/vImageGeometry.h"
#include "tests/platform/accelerate/PlaneFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Edges
{
    vImagePixelCount top, left, bottom, right;
    bool operator==(const Edges &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Edges &e)
{
    return out << "top " << e.top << " left " << e.left << " bottom " << e.bottom << " right " << e.right;
}

template<typename T>
Edges edgesOf(const TestPlane<T> &plane, T key, T tolerance)
{
    Edges e{};
    vImage_Error status;
    if constexpr (sizeof(T) == 1)
        status = MCFindEdgesPlanar8(&plane, key, tolerance, &e.top, &e.left, &e.bottom, &e.right);
    else
        status = MCFindEdgesPlanarF(&plane, key, tolerance, &e.top, &e.left, &e.bottom, &e.right);
    EXPECT_EQ(status, kvImageNoError);
    return e;
}

} // namespace

TEST(MCGeometryKernels, EdgeScanMeasuresUniformMargins)
{
    // One differing sample at (column, row) in a plane of the given size.
    const struct
    {
        size_t width, height, column, row;
        Edges expected;
    } cases[] = {
        {16, 16, 15, 0, {0, 15, 15, 0}},
        {17, 10, 16, 5, {5, 16, 4, 0}}, // the last column sits alone in its block
        {40, 3, 0, 2, {2, 0, 0, 39}},
        {1, 1, 0, 0, {0, 0, 0, 0}},
        {33, 20, 20, 11, {11, 20, 8, 12}},
    };
    for (const auto &c : cases) {
        TestPlane<uint8_t> bytes(c.width, c.height, uint8_t(100));
        bytes.at(c.column, c.row) = 111;
        EXPECT_EQ(edgesOf<uint8_t>(bytes, 100, 10), c.expected) << c.width << "x" << c.height; // 11 > 10
        EXPECT_EQ(edgesOf<uint8_t>(bytes, 100, 11), (Edges{c.height - 1, c.width - 1, c.height - 1, c.width - 1}));
        TestPlane<float> floats(c.width, c.height, 0.5f);
        floats.at(c.column, c.row) = 0.25f;
        EXPECT_EQ(edgesOf<float>(floats, 0.5f, 0.2f), c.expected) << c.width << "x" << c.height;
    }

    // The bounds come from different rows: the box of every differing sample.
    TestPlane<uint8_t> plane(50, 30, uint8_t(0));
    plane.at(40, 3) = plane.at(7, 20) = plane.at(45, 25) = 255;
    EXPECT_EQ(edgesOf<uint8_t>(plane, 0, 0), (Edges{3, 7, 4, 4}));
    // Row padding never counts, and a NaN never differs.
    TestPlane<float> padded(5, 4, 1.0f);
    padded.row(1)[7] = 0.0f; // beyond the width, in the padding
    padded.at(2, 2) = NAN;
    EXPECT_EQ(edgesOf<float>(padded, 1.0f, 0.0f), (Edges{3, 4, 3, 4}));

    Edges onlyTop{9, 9, 9, 9};
    EXPECT_EQ(MCFindEdgesPlanar8(&plane, 0, 0, &onlyTop.top, nullptr, nullptr, nullptr), kvImageNoError);
    EXPECT_EQ(onlyTop, (Edges{3, 9, 9, 9}));
}

TEST(MCGeometryKernels, RegionCopyFillAndPadCheckTheirRectangles)
{
    TestPlane<uint8_t> source(6, 5, [](size_t x, size_t y) { return uint8_t(10 * y + x); });
    TestPlane<uint8_t> region(3, 2);
    ASSERT_EQ(MCCopyRegionPlanar8(&source, &region, 2, 3), kvImageNoError);
    EXPECT_EQ(region.at(0, 0), 32);
    EXPECT_EQ(region.at(2, 1), 44);

    const struct
    {
        size_t width, height, x, y;
        vImage_Error status;
    } copies[] = {
        {1, 1, 7, 0, kvImageInvalidOffset_X}, {1, 1, 0, 6, kvImageInvalidOffset_Y},
        {3, 2, 4, 0, kvImageRoiLargerThanInputBuffer}, {3, 2, 0, 4, kvImageRoiLargerThanInputBuffer},
        {6, 5, 0, 0, kvImageNoError},
    };
    for (const auto &c : copies) {
        TestPlane<uint8_t> out(c.width, c.height);
        EXPECT_EQ(MCCopyRegionPlanar8(&source, &out, c.x, c.y), c.status) << c.x << "," << c.y;
    }
    vImage_Buffer missing{};
    EXPECT_EQ(MCCopyRegionPlanar8(&missing, &region, 0, 0), kvImageNullPointerArgument);

    // Fill outside (1, 1, 3, 2): the border ring takes the value, padding included.
    TestPlane<float> plane(5, 4, 0.5f);
    ASSERT_EQ(MCFillOutsideRectPlanarF(&plane, 1, 1, 3, 2, 2.0f), kvImageNoError);
    for (size_t y = 0; y < 4; ++y)
        for (size_t x = 0; x < 5; ++x)
            EXPECT_EQ(plane.at(x, y), (x >= 1 && x < 4 && y >= 1 && y < 3) ? 0.5f : 2.0f) << x << "," << y;
    EXPECT_EQ(plane.row(1)[7], 2.0f);
    EXPECT_EQ(MCFillOutsideRectPlanarF(&plane, 3, 0, 3, 1, 0), kvImageRoiLargerThanInputBuffer);
    EXPECT_EQ(MCFillOutsideRectPlanarF(&plane, 6, 0, 0, 0, 0), kvImageInvalidOffset_X);

    // Pad: the source at (2, 1) of a larger plane, the value around it.
    TestPlane<uint8_t> small(2, 2, uint8_t(7)), large(5, 4, uint8_t(1));
    ASSERT_EQ(MCPadPlanar8(&small, &large, 2, 1, 99), kvImageNoError);
    for (size_t y = 0; y < 4; ++y)
        for (size_t x = 0; x < 5; ++x)
            EXPECT_EQ(large.at(x, y), (x >= 2 && x < 4 && y >= 1 && y < 3) ? 7 : 99) << x << "," << y;
    EXPECT_EQ(MCPadPlanar8(&small, &large, 4, 0, 0), kvImageRoiLargerThanInputBuffer);
    EXPECT_EQ(MCPadPlanar8(&small, &large, 0, 5, 0), kvImageInvalidOffset_Y);
}

TEST(vImageGeometry, QuarterTurnsAndMirrors)
{
    // 3 × 2:  a b c / d e f
    TestPlane<float> source(3, 2, [](size_t x, size_t y) { return float(10 * y + x); });
    const struct
    {
        uint8_t code;
        size_t width;
        std::vector<float> rows; // row by row
    } turns[] = {
        {0, 3, {0, 1, 2, 10, 11, 12}},
        {1, 2, {2, 12, 1, 11, 0, 10}},   // counter-clockwise: c f / b e / a d
        {2, 3, {12, 11, 10, 2, 1, 0}},
        {3, 2, {10, 0, 11, 1, 12, 2}},   // clockwise: d a / e b / f c
    };
    for (const auto &turn : turns) {
        const size_t height = 6 / turn.width;
        TestPlane<float> out(turn.width, height);
        ASSERT_EQ(vImageRotate90_PlanarF(&source, &out, turn.code, 0, kvImageNoFlags), kvImageNoError);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(out.at(i % turn.width, i / turn.width), turn.rows[i]) << int(turn.code) << " at " << i;
    }
    TestPlane<uint8_t> bytes(3, 2), wrong(3, 2);
    EXPECT_EQ(vImageRotate90_Planar8(&bytes, &wrong, 1, 0, kvImageNoFlags), kvImageBufferSizeMismatch);
    EXPECT_EQ(vImageRotate90_Planar8(&bytes, &wrong, 4, 0, kvImageNoFlags), kvImageInvalidParameter);

    // Mirrors, in place and into another plane, odd and even sizes.
    for (size_t width : {4u, 5u}) {
        TestPlane<uint8_t> plane(width, 3, [](size_t x, size_t y) { return uint8_t(10 * y + x); });
        TestPlane<uint8_t> copy(width, 3);
        ASSERT_EQ(vImageHorizontalReflect_Planar8(&plane, &copy, kvImageNoFlags), kvImageNoError);
        ASSERT_EQ(vImageHorizontalReflect_Planar8(&plane, &plane, kvImageNoFlags), kvImageNoError);
        ASSERT_EQ(vImageVerticalReflect_Planar8(&plane, &plane, kvImageNoFlags), kvImageNoError);
        for (size_t y = 0; y < 3; ++y)
            for (size_t x = 0; x < width; ++x) {
                EXPECT_EQ(copy.at(x, y), 10 * y + (width - 1 - x));
                EXPECT_EQ(plane.at(x, y), 10 * (2 - y) + (width - 1 - x));
            }
    }
}
