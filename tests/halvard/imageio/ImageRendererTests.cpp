#include "halvard/imageio/MCImageRenderer.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"

#include <gtest/gtest.h>

TEST(MCImageRenderer, DrawsThroughTheBlockAtItsScale)
{
    auto renderer = MCImageRenderer::create(QSizeF(10, 5), 2.0);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->contextBounds(), QRectF(0, 0, 20, 10));
    EXPECT_EQ(renderer->format()->bitmapInfo(), 0x2006u);
    QRectF seen;
    const QImage image = renderer->drawWithBlock([&](CGContext &context, const QRectF &bounds) {
        seen = bounds;
        context.setRGBFillColor(1, 0, 0, 1);
        context.fillRect(QRectF(0, 0, 5, 5)); // in points: the left half
        return true;
    });
    EXPECT_EQ(seen, QRectF(0, 0, 20, 10));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(20, 10));
    EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(15, 2), QColor(0, 0, 0));

    EXPECT_TRUE(renderer->drawWithBlock([](CGContext &, const QRectF &) { return false; }).isNull());
    EXPECT_FALSE(MCImageRenderer::create(QSizeF(0, 5), 1.0));
}

TEST(MCImageRenderer, OtherFormatsComeBackAsImagesToo)
{
    auto format = std::make_shared<MCImageRendererFormat>();
    format->setBitmapInfo(kCGImageAlphaPremultipliedLast);
    format->setColorSpace(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    auto renderer = MCImageRenderer::create(QSizeF(4, 4), 1.0, format);
    ASSERT_TRUE(renderer);
    const QImage image = renderer->drawWithBlock([](CGContext &context, const QRectF &bounds) {
        context.setRGBFillColor(0, 0, 1, 1);
        context.fillRect(bounds);
        return true;
    });
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(3, 3), QColor(0, 0, 255));
}
