#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCStageGeometry.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

using namespace MCStageGeometry;

TEST(StageGeometry, DisplayedInsetsBecomeStoredInsetsByOrientation)
{
    const MCEdgeInsets d{1, 2, 3, 4}; // T, L, B, R
    const struct
    {
        quint64 orientation;
        MCEdgeInsets stored;
    } cases[] = {
        {0, {1, 2, 3, 4}}, {1, {1, 2, 3, 4}}, {2, {1, 4, 3, 2}}, {3, {3, 4, 1, 2}}, {4, {3, 2, 1, 4}},
        {5, {2, 1, 4, 3}}, {6, {4, 1, 2, 3}}, {7, {4, 3, 2, 1}}, {8, {2, 3, 4, 1}}, {9, {1, 2, 3, 4}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(storedInsets(d, c.orientation), c.stored) << c.orientation;
    // Orientation 6 shows the stored top row as the right edge; 8 shows it as the left edge.
    EXPECT_EQ(storedInsets({0, 0, 0, 10}, 6).top, 10);
    EXPECT_EQ(storedInsets({0, 10, 0, 0}, 8).top, 10);
}

TEST(StageGeometry, ExcessSplitsWithTheOddPixelSecondAndAnchorsMoveIt)
{
    EXPECT_EQ(splitExcess(5), std::make_pair(2.0, 3.0));
    EXPECT_EQ(splitExcess(4), std::make_pair(2.0, 2.0));
    EXPECT_EQ(splitExcess(4.2), std::make_pair(2.0, 3.0));
    EXPECT_EQ(splitExcess(0), std::make_pair(0.0, 0.0));

    const MCEdgeInsets centred{2, 6, 3, 4};
    const struct
    {
        quint64 anchor;
        MCEdgeInsets result;
    } cases[] = {
        {0, {2, 6, 3, 4}},  {4, {0, 6, 5, 4}},   {8, {5, 6, 0, 4}},  {12, {0, 6, 5, 4}},
        {1, {2, 0, 3, 10}}, {2, {2, 10, 3, 0}},  {3, {2, 0, 3, 10}}, {9, {5, 0, 0, 10}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(anchoredInsets(centred, c.anchor), c.result) << c.anchor;

    EXPECT_EQ(displaySize(QSizeF(40, 30), 6), QSizeF(30, 40));
    EXPECT_EQ(displaySize(QSizeF(40, 30), 4), QSizeF(40, 30));
    EXPECT_EQ(displaySize(QSizeF(40, 30), 9), QSizeF(40, 30));
}

TEST(StageGeometry, PixelSizeIsWrittenToTheTopLevelAndAnExistingExifDictionary)
{
    QByteArray data(3 * 2 * 4, char(255));
    auto bitmap = MCBitmap::createWithCGImage(
        CGImage::create(3, 2, 8, 32, 12, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
    ASSERT_TRUE(bitmap);
    QVariantMap bare;
    writePixelSize(bare, *bitmap);
    EXPECT_EQ(bare, (QVariantMap{{kCGImagePropertyPixelWidth, quint64(3)}, {kCGImagePropertyPixelHeight, quint64(2)}}));

    QVariantMap withExif{{kCGImagePropertyExifDictionary, QVariantMap{{"FNumber", 2.8}}}};
    writePixelSize(withExif, *bitmap);
    const QVariantMap exif = withExif.value(kCGImagePropertyExifDictionary).toMap();
    EXPECT_EQ(exif.value("FNumber").toDouble(), 2.8);
    EXPECT_EQ(exif.value(kCGImagePropertyExifPixelXDimension).toULongLong(), 3u);
    EXPECT_EQ(exif.value(kCGImagePropertyExifPixelYDimension).toULongLong(), 2u);
}
