#include "app/engine/bitmap/MCBitmap.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageGeometry.h"
#include "tests/app/engine/bitmap/PlanarBitmap.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>

using namespace testbitmap;

namespace {

const Depth kDepths[] = {Depth::Bits8, Depth::Float};

// A picture whose pixel tells where it came from: red = x / 255, green = y / 255.
std::unique_ptr<MCBitmap> positions(size_t width, size_t height, Depth depth)
{
    return make(width, height, depth, [](size_t x, size_t y) { return levels(int(x % 256), int(y % 256), 7); });
}

// The source position a pixel holds (exact for both depths).
std::pair<int, int> origin(MCBitmap &bitmap, size_t x, size_t y)
{
    return {int(std::lround(sample(bitmap, x, y, 0) * 255)), int(std::lround(sample(bitmap, x, y, 1) * 255))};
}

std::string name(Depth depth)
{
    return depth == Depth::Float ? "float" : "8-bit";
}

} // namespace

TEST(MCBitmapGeometry, QuarterTurnsAndFlipsMovePixels)
{
    using Pos = std::pair<int, int>;
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        // The top-left and top-right pixels of a 300 × 200 picture after each code.
        const struct
        {
            uint64_t code;
            QSizeF size;
            Pos topLeft, topRight;
        } turns[] = {
            {0, {300, 200}, {0, 0}, {299 % 256, 0}},
            {1, {200, 300}, {299 % 256, 0}, {299 % 256, 199}}, // counter-clockwise
            {2, {300, 200}, {299 % 256, 199}, {0, 199}},
            {3, {200, 300}, {0, 199}, {0, 0}}, // clockwise
        };
        for (const auto &turn : turns) {
            auto bitmap = positions(300, 200, depth);
            ASSERT_TRUE(bitmap->rotate(turn.code)) << turn.code;
            EXPECT_EQ(bitmap->size(), turn.size) << turn.code;
            const size_t w = size_t(turn.size.width());
            EXPECT_EQ(origin(*bitmap, 0, 0), turn.topLeft) << turn.code;
            EXPECT_EQ(origin(*bitmap, w - 1, 0), turn.topRight) << turn.code;
            EXPECT_FLOAT_EQ(sample(*bitmap, w / 2, 5, 2), 7.0f / 255.0f); // blue and alpha travel too
            EXPECT_FLOAT_EQ(sample(*bitmap, 3, w / 3, 3), 1.0f);
        }

        // A code outside 0..3 is refused and changes nothing.
        auto bitmap = positions(30, 20, depth);
        EXPECT_FALSE(bitmap->rotate(4));
        EXPECT_FALSE(bitmap->rotate(257));
        EXPECT_EQ(bitmap->size(), QSizeF(30, 20));
        EXPECT_EQ(origin(*bitmap, 29, 0), Pos(29, 0));

        // Flipping both ways equals a half turn; each flip alone mirrors one axis.
        auto flipped = positions(31, 17, depth), turned = positions(31, 17, depth);
        ASSERT_TRUE(flipped->flipHorizontally(true, true));
        ASSERT_TRUE(turned->rotate(2));
        for (size_t y = 0; y < 17; ++y)
            for (size_t x = 0; x < 31; ++x)
                ASSERT_EQ(origin(*flipped, x, y), origin(*turned, x, y));
        auto horizontal = positions(31, 17, depth), vertical = positions(31, 17, depth);
        ASSERT_TRUE(horizontal->flipHorizontally(true, false));
        ASSERT_TRUE(vertical->flipHorizontally(false, true));
        EXPECT_EQ(origin(*horizontal, 0, 3), Pos(30, 3));
        EXPECT_EQ(origin(*vertical, 4, 0), Pos(4, 16));
    }
}

TEST(MCBitmapGeometry, ScaleToSizeRoundsAndRefusesEmptySizes)
{
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        auto bitmap = filled(40, 30, depth, levels(10, 200, 90, 128));
        ASSERT_TRUE(bitmap->scaleToSize(QSizeF(20.5, 7.4))); // halves away from zero
        EXPECT_EQ(bitmap->size(), QSizeF(21, 7));
        for (int c = 0; c < 4; ++c) // a flat picture stays flat, alpha included
            EXPECT_NEAR(sample(*bitmap, 20, 6, c), levels(10, 200, 90, 128)[size_t(c)], 1e-5) << c;
        ASSERT_TRUE(bitmap->scaleToSize(QSizeF(0.5, 0.5)));
        EXPECT_EQ(bitmap->size(), QSizeF(1, 1));

        for (QSizeF bad : {QSizeF(0.49, 10), QSizeF(10, 0), QSizeF(-5, 5), QSizeF(NAN, 3), QSizeF(1e7, 1e7)}) {
            EXPECT_FALSE(bitmap->scaleToSize(bad)) << bad.width() << "x" << bad.height();
            EXPECT_EQ(bitmap->size(), QSizeF(1, 1));
        }
    }
}

TEST(MCBitmapGeometry, ScaleToSizeOfAnOpaquePictureResamplesEachColourPlaneAlike)
{
    // The colour planes of an opaque picture come out as each plane resampled on its own;
    // alpha stays full (8-bit alpha is filled, not filtered).
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        auto bitmap = make(97, 61, depth, [](size_t x, size_t y) {
            return levels(int((x * 37 + y * 11) % 256), int((x * y) % 256), int((x + 3 * y) % 256));
        });
        ASSERT_TRUE(bitmap->useImageChannels());
        const bool floats = depth == Depth::Float;
        std::array<vImage_Buffer, 3> alone{};
        for (size_t k = 0; k < 3; ++k) {
            ASSERT_EQ(vImageBuffer_Init(&alone[k], 23, 40, floats ? 32 : 8, kvImageNoFlags), kvImageNoError);
            const vImage_Buffer &plane = bitmap->imageChannels()[k];
            ASSERT_EQ(floats ? vImageScale_PlanarF(&plane, &alone[k], nullptr, kvImageNoFlags)
                             : vImageScale_Planar8(&plane, &alone[k], nullptr, kvImageNoFlags),
                      kvImageNoError);
        }
        ASSERT_TRUE(bitmap->scaleToSize(QSizeF(40, 23)));
        for (size_t y = 0; y < 23; ++y)
            for (size_t x = 0; x < 40; ++x) {
                for (size_t k = 0; k < 3; ++k) {
                    const auto *row = static_cast<const uint8_t *>(alone[k].data) + y * alone[k].rowBytes;
                    const float expected = floats ? reinterpret_cast<const float *>(row)[x] : row[x] / 255.0f;
                    ASSERT_EQ(sample(*bitmap, x, y, int(k)), expected) << x << "," << y << " channel " << k;
                }
                ASSERT_NEAR(sample(*bitmap, x, y, 3), 1.0f, floats ? 1e-6 : 0.0) << x << "," << y;
            }
        for (vImage_Buffer &plane : alone)
            std::free(plane.data);
    }
}

TEST(MCBitmapGeometry, ScaleToSizeLetsNoColourBleedFromTransparentPixels)
{
    // Opaque shapes of one colour on transparent black: resampled, every pixel that shows at
    // all keeps the shape's colour (straight alpha resampled as it is would darken the rim:
    // a gray ring round a white disc, (85, 0, 0, 85) at a red edge), and alpha still falls
    // off smoothly across the edge.
    const struct
    {
        const char *what;
        RGBA colour;
        std::function<bool(size_t x, size_t y)> inside;
    } shapes[] = {
        {"white disc", levels(255, 255, 255),
         [](size_t x, size_t y) { return std::hypot(double(x) - 49.5, double(y) - 49.5) < 40.0; }},
        {"red edge", levels(255, 0, 0), [](size_t x, size_t) { return x < 50; }},
    };
    for (Depth depth : kDepths)
        for (const auto &shape : shapes) {
            SCOPED_TRACE(name(depth) + " " + shape.what);
            auto bitmap = make(100, 100, depth, [&](size_t x, size_t y) {
                return shape.inside(x, y) ? shape.colour : RGBA{0, 0, 0, 0};
            });
            ASSERT_TRUE(bitmap->scaleToSize(QSizeF(25, 25)));
            size_t translucent = 0;
            for (size_t y = 0; y < 25; ++y)
                for (size_t x = 0; x < 25; ++x) {
                    const float alpha = sample(*bitmap, x, y, 3);
                    if (!(alpha > 0.5f / 255.0f))
                        continue;
                    translucent += alpha < 0.99f;
                    for (int c = 0; c < 3; ++c)
                        ASSERT_NEAR(sample(*bitmap, x, y, c), shape.colour[size_t(c)], 1e-4)
                            << x << "," << y << " channel " << c << " alpha " << alpha;
                }
            EXPECT_GT(translucent, 3u);
            EXPECT_NEAR(sample(*bitmap, 5, 12, 3), 1.0f, 1e-4); // inside both shapes
            EXPECT_NEAR(sample(*bitmap, 24, 0, 3), 0.0f, 1e-4);  // outside both
        }
}

TEST(MCBitmapGeometry, TrimCropsInsetsOrRefusesToLeaveNothing)
{
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        // Insets below one pixel crop nothing and do not even switch stores.
        auto bitmap = positions(20, 10, depth);
        EXPECT_TRUE(bitmap->trim(QMarginsF(0.4, 0.9, 0.4, 0.4)));
        EXPECT_FALSE(bitmap->isUsingChannels());

        ASSERT_TRUE(bitmap->trim(QMarginsF(3.9, 2, 1, -4))); // left 3, top 2, right 1, bottom 0
        EXPECT_EQ(bitmap->size(), QSizeF(16, 8));
        EXPECT_EQ(origin(*bitmap, 0, 0), std::make_pair(3, 2));
        EXPECT_EQ(origin(*bitmap, 15, 7), std::make_pair(18, 9));
        ASSERT_TRUE(bitmap->useImageBuffer()); // merges at the new size
        EXPECT_EQ(bitmap->imageBuffer().width, 16u);

        // Nothing left in either direction: NO, nothing changed.
        for (QMarginsF insets : {QMarginsF(8, 0, 8, 0), QMarginsF(0, 4, 0, 4), QMarginsF(1e30, 0, 0, 0)}) {
            EXPECT_FALSE(bitmap->trim(insets));
            EXPECT_EQ(bitmap->size(), QSizeF(16, 8));
            EXPECT_EQ(origin(*bitmap, 0, 0), std::make_pair(3, 2));
        }
    }
}

TEST(MCBitmapGeometry, TrimTransparentPixelsFindsTheOpaqueBox)
{
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        // Alpha 254 except a box of alpha 255 at columns 5..9, rows 2..3, and one pixel of
        // alpha 0 inside the 254 area.
        const auto picture = [&] {
            return make(16, 8, depth, [](size_t x, size_t y) {
                const bool box = x >= 5 && x <= 9 && y >= 2 && y <= 3;
                return levels(1, 2, 3, box ? 255 : (x == 0 && y == 0 ? 0 : 254));
            });
        };
        auto bitmap = picture();
        ASSERT_TRUE(bitmap->trimTransparentPixels(1, true, true, true, true)); // 254 is background
        EXPECT_EQ(bitmap->size(), QSizeF(5, 2));
        EXPECT_FLOAT_EQ(sample(*bitmap, 0, 0, 3), 1.0f);

        bitmap = picture();
        ASSERT_TRUE(bitmap->trimTransparentPixels(0, true, true, true, true)); // only alpha 0 is
        EXPECT_EQ(bitmap->size(), QSizeF(16, 8)); // the single 0 pixel leaves no clear row or column

        bitmap = picture();
        ASSERT_TRUE(bitmap->trimTransparentPixels(1, false, true, false, false)); // right side only
        EXPECT_EQ(bitmap->size(), QSizeF(10, 8));

        // Background everywhere: both sides of an axis would leave nothing; one side keeps one.
        bitmap = filled(6, 4, depth, levels(0, 0, 0, 0));
        EXPECT_FALSE(bitmap->trimTransparentPixels(0.5f, true, true, false, false));
        EXPECT_EQ(bitmap->size(), QSizeF(6, 4));
        ASSERT_TRUE(bitmap->trimTransparentPixels(0.5f, true, false, true, false));
        EXPECT_EQ(bitmap->size(), QSizeF(1, 1));
    }
}

TEST(MCBitmapGeometry, TrimColorIgnoresAlphaAndHonoursTolerance)
{
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        // White frame (half of it transparent) two pixels wide, near-white ring at distance
        // 2..3, a dark centre.
        const auto picture = [&] {
            return make(12, 10, depth, [](size_t x, size_t y) {
                const size_t edge = std::min(std::min(x, 11 - x), std::min(y, 9 - y));
                if (edge < 2)
                    return levels(255, 255, 255, x < 6 ? 0 : 255);
                return edge < 3 ? levels(250, 255, 245) : levels(20, 30, 40);
            });
        };
        auto bitmap = picture();
        const MCBitmapColor white{CGColorSpace::createWithName(kCGColorSpaceSRGB), {1, 1, 1, 1}};
        ASSERT_TRUE(bitmap->trimColor(white, 0, true, true, true, true));
        EXPECT_EQ(bitmap->size(), QSizeF(8, 6));
        bitmap = picture();
        ASSERT_TRUE(bitmap->trimColor(white, 0.04f, true, true, true, true)); // 10 levels is within
        EXPECT_EQ(bitmap->size(), QSizeF(6, 4));
        EXPECT_NEAR(sample(*bitmap, 0, 0, 0), 20.0f / 255.0f, 1e-6);

        bitmap = picture();
        EXPECT_TRUE(bitmap->trimColor(MCBitmapColor{nullptr, {}}, 0, true, true, true, true)); // no colour
        EXPECT_EQ(bitmap->size(), QSizeF(12, 10));
    }
}

TEST(MCBitmapGeometry, Borders)
{
    const QColor translucentRed = QColor::fromRgbF(1, 0, 0, 0.5f);
    for (Depth depth : kDepths) {
        SCOPED_TRACE(name(depth));
        const RGBA inside = levels(0, 0, 255);
        // Inner: 0.5 on the left only rounds to one column; the rest stays.
        auto bitmap = filled(8, 6, depth, inside);
        ASSERT_TRUE(bitmap->addInnerBorder(QMarginsF(0.5, 0, 0, 0), translucentRed));
        EXPECT_EQ(bitmap->size(), QSizeF(8, 6));
        EXPECT_FLOAT_EQ(sample(*bitmap, 0, 5, 0), 1.0f);
        EXPECT_NEAR(sample(*bitmap, 0, 5, 3), depth == Depth::Float ? 0.5f : 127.0f / 255.0f, 1e-4); // colours store 16 bits a component
        EXPECT_FLOAT_EQ(sample(*bitmap, 1, 5, 2), 1.0f);
        EXPECT_FLOAT_EQ(sample(*bitmap, 1, 5, 0), 0.0f);

        // A border as wide as the picture paints all of it.
        bitmap = filled(8, 6, depth, inside);
        ASSERT_TRUE(bitmap->addInnerBorder(QMarginsF(4, 1, 4, 1), Qt::green));
        for (size_t y = 0; y < 6; ++y)
            EXPECT_FLOAT_EQ(sample(*bitmap, 4, y, 1), 1.0f) << y;

        // Outer: the sums are rounded (1.4 + 1.4 → 3), the picture sits at (1, 2).
        bitmap = filled(8, 6, depth, inside);
        ASSERT_TRUE(bitmap->addOuterBorder(QMarginsF(1.4, 2, 1.4, 0), Qt::white));
        EXPECT_EQ(bitmap->size(), QSizeF(11, 8));
        EXPECT_FLOAT_EQ(sample(*bitmap, 0, 0, 0), 1.0f);
        EXPECT_FLOAT_EQ(sample(*bitmap, 1, 2, 0), 0.0f);
        EXPECT_FLOAT_EQ(sample(*bitmap, 8, 7, 2), 1.0f);
        EXPECT_FLOAT_EQ(sample(*bitmap, 9, 7, 0), 1.0f);
        EXPECT_FLOAT_EQ(sample(*bitmap, 1, 1, 3), 1.0f);

        EXPECT_TRUE(bitmap->addOuterBorder(QMarginsF(0.2, 0.2, 0.2, 0.2), Qt::white)); // rounds to nothing
        EXPECT_EQ(bitmap->size(), QSizeF(11, 8));
        // A border too large to allocate is refused, nothing changed.
        EXPECT_FALSE(bitmap->addOuterBorder(QMarginsF(3e5, 0, 3e5, 0), Qt::white));
        EXPECT_EQ(bitmap->size(), QSizeF(11, 8));
    }
}
