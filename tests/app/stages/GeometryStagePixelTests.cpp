#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertBorder.h"
#include "app/stages/MCConvertCrop.h"
#include "app/stages/MCConvertRotate.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertTrim.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

#include <QMarginsF>

#include <array>
#include <functional>

namespace {

using Pixel = std::array<uint8_t, 4>;

// An 8-bit RGBA bitmap whose pixels a function of (column, row) gives.
std::unique_ptr<MCBitmap> makeBitmap(size_t width, size_t height, const std::function<Pixel(size_t, size_t)> &pixel)
{
    QByteArray data(int(width * height * 4), 0);
    auto *bytes = reinterpret_cast<uint8_t *>(data.data());
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const Pixel p = pixel(x, y);
            std::copy(p.begin(), p.end(), bytes + (y * width + x) * 4);
        }
    return MCBitmap::createWithCGImage(CGImage::create(width, height, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

// Red holds the column and green the row, so every pixel tells where it came from.
std::unique_ptr<MCBitmap> coordinateBitmap(size_t width, size_t height)
{
    return makeBitmap(width, height, [](size_t x, size_t y) { return Pixel{uint8_t(x), uint8_t(y), 0, 255}; });
}

Pixel pixelAt(MCBitmap &bitmap, size_t x, size_t y)
{
    if (!bitmap.useImageBuffer())
        return {};
    const vImage_Buffer &buffer = bitmap.imageBuffer();
    const auto *p = static_cast<const uint8_t *>(buffer.data) + y * buffer.rowBytes + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

QSizeF pixelSizeOf(const QVariantMap &metadata)
{
    return QSizeF(metadata.value(kCGImagePropertyPixelWidth).toDouble(),
                  metadata.value(kCGImagePropertyPixelHeight).toDouble());
}

template <typename Stage> std::shared_ptr<Stage> make()
{
    return std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
}

} // namespace

TEST(GeometryStagePixels, ScaleResizesAndTellsTheNewSize)
{
    auto bitmap = coordinateBitmap(40, 30);
    ASSERT_TRUE(bitmap);
    auto scale = make<MCConvertScale>();
    QVariantMap metadata{{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifPixelXDimension, 40}}}};
    ASSERT_TRUE(scale->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(20, 15));
    EXPECT_EQ(pixelSizeOf(metadata), QSizeF(20, 15));
    EXPECT_EQ(metadata.value(kCGImagePropertyExifDictionary).toMap().value(kCGImagePropertyExifPixelXDimension).toInt(),
              20);

    // A preview read at a twentieth of a 4000 × 3000 photo, longer side to 2048 (2048 × 1536
    // at full size): 102 × 77 preview pixels.
    auto preview = coordinateBitmap(200, 150);
    preview->setScaleX(0.05);
    preview->setScaleY(0.05);
    scale->setScaleMode(MCConvertScale::LongerSide);
    ASSERT_TRUE(scale->convertBitmap(preview.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(preview->size(), QSizeF(102, 77));
}

TEST(GeometryStagePixels, ScaleToSizeFitsAndFrames)
{
    auto bitmap = makeBitmap(30, 20, [](size_t, size_t) { return Pixel{0, 0, 0, 255}; });
    ASSERT_TRUE(bitmap);
    auto stage = make<MCConvertScaleToSize>();
    stage->setSide1(20);
    stage->setSide2(16);
    stage->setFillColor(QColor(Qt::red));
    QVariantMap metadata;
    ASSERT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    // 30 × 20 fits as 20 × 13; the 3 rows left go 1 above and 2 below.
    EXPECT_EQ(bitmap->size(), QSizeF(20, 16));
    EXPECT_EQ(pixelSizeOf(metadata), QSizeF(20, 16));
    EXPECT_EQ(pixelAt(*bitmap, 5, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*bitmap, 5, 1), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*bitmap, 5, 14), (Pixel{255, 0, 0, 255}));
}

TEST(GeometryStagePixels, CropFollowsTheOrientation)
{
    // Stored 40 × 30 shown turned (orientation 6) as 30 × 40: a square comes off the displayed
    // top and bottom, which are the stored right and left.
    auto bitmap = coordinateBitmap(40, 30);
    auto crop = make<MCConvertCrop>();
    crop->setCropSide1(1);
    crop->setCropSide2(1);
    QVariantMap metadata{{kCGImagePropertyOrientation, 6}};
    ASSERT_TRUE(crop->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(30, 30));
    EXPECT_EQ(pixelAt(*bitmap, 0, 0), (Pixel{5, 0, 0, 255}));
    EXPECT_EQ(pixelSizeOf(metadata), QSizeF(30, 30));

    // A photo that has the ratio already is not cut but still tells its size.
    QVariantMap again{{kCGImagePropertyOrientation, 6}};
    ASSERT_TRUE(crop->convertBitmap(bitmap.get(), again, nullptr, nullptr));
    EXPECT_EQ(pixelSizeOf(again), QSizeF(30, 30));
}

TEST(GeometryStagePixels, TrimCutsInProportionOnPreviewsAndNothingAtZero)
{
    auto trim = make<MCConvertTrim>();
    QVariantMap untouched{{kCGImagePropertyOrientation, 1}};
    auto bitmap = coordinateBitmap(20, 16);
    ASSERT_TRUE(trim->convertBitmap(bitmap.get(), untouched, nullptr, nullptr));
    EXPECT_EQ(untouched, (QVariantMap{{kCGImagePropertyOrientation, 1}}));

    // 10 full-size pixels at the left of a preview read at half size: 5 preview pixels.
    trim->setTrimLeftInPixels(10);
    bitmap->setScaleX(0.5);
    bitmap->setScaleY(0.5);
    QVariantMap metadata;
    ASSERT_TRUE(trim->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(15, 16));
    EXPECT_EQ(pixelAt(*bitmap, 0, 0), (Pixel{5, 0, 0, 255}));

    // Everything cut: the stage fails and the photo stays.
    trim->setTrimsInPercent(true);
    trim->setTrimLeftInPercent(60);
    trim->setTrimRightInPercent(40);
    EXPECT_FALSE(trim->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(15, 16));
}

TEST(GeometryStagePixels, TrimColorCutsAFrameOfTheCornerColour)
{
    // A 10 × 8 photo with a white frame two pixels wide around grey.
    auto framed = [] {
        return makeBitmap(10, 8, [](size_t x, size_t y) {
            const bool frame = x < 2 || y < 2 || x >= 8 || y >= 6;
            return frame ? Pixel{255, 255, 255, 255} : Pixel{100, 100, 100, 255};
        });
    };
    auto trim = make<MCConvertTrimColor>();
    auto bitmap = framed();
    QVariantMap metadata;
    ASSERT_TRUE(trim->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)); // nothing transparent
    EXPECT_EQ(bitmap->size(), QSizeF(10, 8));
    EXPECT_EQ(pixelSizeOf(metadata), QSizeF(10, 8));

    for (quint64 mode : {1, 2}) {
        trim->setTrimMode(mode);
        bitmap = framed();
        ASSERT_TRUE(trim->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << mode;
        EXPECT_EQ(bitmap->size(), QSizeF(6, 4)) << mode;
    }
    trim->setShouldTrimLeft(false);
    bitmap = framed();
    ASSERT_TRUE(trim->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(8, 4));
}

TEST(GeometryStagePixels, RotateAndFlipMoveThePixels)
{
    struct Case
    {
        quint64 rotate, flip;
        QSizeF size;
        Pixel topLeft; // which stored pixel ends up at the top left
    };
    // The 3 × 2 source's corners: (0,0) top left, (2,0) top right, (0,1) bottom left.
    const Case cases[] = {
        {0, 0, {3, 2}, {0, 0, 0, 255}}, {0, 1, {3, 2}, {2, 0, 0, 255}}, {0, 2, {3, 2}, {0, 1, 0, 255}},
        {1, 0, {2, 3}, {2, 0, 0, 255}}, {2, 0, {3, 2}, {2, 1, 0, 255}}, {3, 0, {2, 3}, {0, 1, 0, 255}},
        {1, 1, {2, 3}, {0, 0, 0, 255}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "rotate " << c.rotate << " flip " << c.flip);
        auto bitmap = coordinateBitmap(3, 2);
        auto stage = make<MCConvertRotate>();
        stage->setRotate(c.rotate);
        stage->setFlip(c.flip);
        QVariantMap metadata{{kCGImagePropertyOrientation, 6}};
        ASSERT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_EQ(bitmap->size(), c.size);
        EXPECT_EQ(pixelAt(*bitmap, 0, 0), c.topLeft);
        EXPECT_EQ(pixelSizeOf(metadata), c.size);
        EXPECT_EQ(metadata.value(kCGImagePropertyOrientation).toInt(), 6);
    }
    auto stage = make<MCConvertRotate>();
    stage->setRotate(4);
    auto bitmap = coordinateBitmap(3, 2);
    QVariantMap metadata;
    EXPECT_FALSE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_TRUE(metadata.isEmpty());
}

TEST(GeometryStagePixels, BordersGoInsideOrAround)
{
    const Pixel grey{100, 100, 100, 255}, red{255, 0, 0, 255};
    auto border = make<MCConvertAddBorder>();
    border->setBorderColor(QColor(Qt::red));
    border->setBorderRightInPixels(2);
    border->setBorderBottomInPixels(2);
    border->setBorderLeftInPixels(2);
    border->setBorderTopInPixels(2);

    auto bitmap = makeBitmap(10, 8, [&](size_t, size_t) { return grey; });
    QVariantMap metadata;
    ASSERT_TRUE(border->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)); // inner
    EXPECT_EQ(bitmap->size(), QSizeF(10, 8));
    EXPECT_EQ(pixelAt(*bitmap, 1, 1), red);
    EXPECT_EQ(pixelAt(*bitmap, 2, 2), grey);
    EXPECT_TRUE(metadata.isEmpty());

    border->setBorderPosition(MCConvertAddBorder::Outer);
    bitmap = makeBitmap(10, 8, [&](size_t, size_t) { return grey; });
    ASSERT_TRUE(border->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(14, 12));
    EXPECT_EQ(pixelSizeOf(metadata), QSizeF(14, 12));
    EXPECT_EQ(pixelAt(*bitmap, 0, 0), red);
    EXPECT_EQ(pixelAt(*bitmap, 2, 2), grey);

    // A preview at a quarter of the size draws 20-pixel sides 5 pixels wide.
    border->setBorderLeftInPixels(20);
    border->setBorderRightInPixels(20);
    border->setBorderTopInPixels(20);
    border->setBorderBottomInPixels(20);
    bitmap = makeBitmap(10, 8, [&](size_t, size_t) { return grey; });
    bitmap->setScaleX(0.25);
    bitmap->setScaleY(0.25);
    ASSERT_TRUE(border->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(bitmap->size(), QSizeF(20, 18));
}
