#include "halvard/ui/MCHistogramView.h"
#include "halvard/ui/MCImageExtensions.h"
#include "halvard/ui/MCImageView.h"
#include "halvard/ui/MCStretchableImage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Pixel of a widget's rendering, composed over black. Only what the widget paints itself is
// rendered: QWidget::render's default flags would first fill the palette's window colour, which
// a view without a background of its own (the histogram) never paints on screen.
QColor pixelOf(QWidget &widget, int x, int y)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.pixelColor(x, y);
}

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QImage solid(int width, int height, const QColor &color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace

TEST(MCImageView, ScalingDownKeepsSmallImagesAtTheirSizeAndShrinksLargeOnes)
{
    MCImageView view;
    view.resize(100, 100);
    view.setBackgroundColor(Qt::white);
    view.setImageScaling(MCImageScaling::ProportionallyDown);
    view.setImage(solid(20, 10, Qt::red));
    EXPECT_EQ(view.imageRect(), QRectF(40, 45, 20, 10));
    EXPECT_TRUE(near(pixelOf(view, 50, 50), Qt::red));
    EXPECT_TRUE(near(pixelOf(view, 50, 40), Qt::white));

    view.setImage(solid(400, 200, Qt::blue));
    EXPECT_EQ(view.imageRect(), QRectF(0, 25, 100, 50));
    EXPECT_TRUE(near(pixelOf(view, 2, 50), Qt::blue));
    EXPECT_TRUE(near(pixelOf(view, 50, 20), Qt::white));
}

TEST(MCImageView, BorderFrameAndShadowDecorations)
{
    MCImageView view;
    view.resize(60, 60);
    view.setBackgroundColor(Qt::black);
    view.setImage(solid(10, 10, Qt::black));
    view.setShouldFrameImage(true);
    // Frame: white at 0.17 on the outermost pixels of the image (which fills 60 × 60 here).
    EXPECT_TRUE(near(pixelOf(view, 30, 0), QColor::fromRgbF(0.17, 0.17, 0.17)));
    EXPECT_TRUE(near(pixelOf(view, 30, 1), Qt::black));
    // Border: opaque white 0.15 on the view's outermost pixels, over the frame.
    view.setShouldDrawBorder(true);
    EXPECT_TRUE(near(pixelOf(view, 30, 0), QColor::fromRgbF(0.15, 0.15, 0.15)));
    EXPECT_TRUE(near(pixelOf(view, 59, 30), QColor::fromRgbF(0.15, 0.15, 0.15)));

    view.setShouldDrawShadow(true);
    EXPECT_EQ(view.imageFitRect(), QRectF(3, 1, 54, 54));
}

TEST(MCHistogramView, PathsScaleToTheLargestInnerBinOfTheColourChannels)
{
    QList<QList<float>> histograms(4, QList<float>(256, 0.0f));
    histograms[0][100] = 50;   // alpha is not drawn and does not scale
    histograms[1][0] = 90;     // clipped ends are left out of the scale
    histograms[1][255] = 90;
    histograms[1][10] = 2;
    histograms[3][200] = 4;
    const QList<QPainterPath> paths = MCHistogramPathsFromHistograms(histograms);
    ASSERT_EQ(paths.size(), 3);
    EXPECT_TRUE(paths[0].contains(QPointF(9.5 / 254, 0.4)));   // red bin 10 at half height
    EXPECT_FALSE(paths[0].contains(QPointF(9.5 / 254, 0.6)));
    EXPECT_TRUE(paths[2].contains(QPointF(199.5 / 254, 0.99))); // blue bin 200 is the top
    EXPECT_TRUE(paths[1].boundingRect().height() == 0);        // green is flat

    QList<QList<float>> empty(4, QList<float>(256, 0.0f));
    empty[1][0] = 1;
    empty[2][255] = 1;
    EXPECT_TRUE(MCHistogramPathsFromHistograms(empty).isEmpty());
    EXPECT_TRUE(MCHistogramPathsFromHistograms({}).isEmpty());
}

TEST(MCHistogramView, DrawsChannelsOverTheGridFromAnImage)
{
    // Left half pure red (255, 0, 0), right half mid gray: red piles up in bin 128 of green and
    // blue and bin 128 of red; red's 255 is left out.
    QImage image = solid(64, 64, QColor(128, 128, 128));
    QPainter(&image).fillRect(0, 0, 32, 64, QColor(255, 0, 0));
    MCHistogramView view;
    view.resize(256, 100);
    view.setImage(MCCGImageFromQImage(image));
    const QList<QList<float>> histograms = view.histograms();
    ASSERT_EQ(histograms.size(), 4);
    EXPECT_NEAR(histograms[1][255], 0.5f, 1e-6);
    EXPECT_NEAR(histograms[2][128], 0.5f, 1e-6);
    ASSERT_EQ(view.histogramPaths().size(), 3);

    // Bin 128 spans x 1 + 127/254 … 128/254 of 254: about 128.5; all three channels overlap there.
    const QColor peak = pixelOf(view, 128, 50);
    EXPECT_GT(peak.red(), 20);
    EXPECT_GT(peak.green(), 40);
    EXPECT_GT(peak.blue(), 80);
    // Away from the peak only the grid and background show: the frame is white at 0.17.
    EXPECT_TRUE(near(pixelOf(view, 0, 30), QColor::fromRgbF(0.17, 0.17, 0.17)));
    EXPECT_TRUE(near(pixelOf(view, 20, 30), Qt::black));
}

TEST(MCHistogramView, ImageWithOnlyClippedValuesDrawsOnlyTheGridAndFrame)
{
    QImage image = solid(8, 8, Qt::black);
    QPainter(&image).fillRect(0, 0, 4, 8, Qt::white);
    MCHistogramView view;
    view.resize(100, 64);
    view.setImage(MCCGImageFromQImage(image));
    EXPECT_TRUE(view.histogramPaths().isEmpty());
    // Grid line at x 33.5 covers column 33 with dashes of 2: rows 1–2 on, 3–4 off.
    const QColor line = QColor::fromRgbF(0.17, 0.17, 0.17);
    EXPECT_TRUE(near(pixelOf(view, 33, 1), line) || near(pixelOf(view, 33, 2), line));
    EXPECT_TRUE(near(pixelOf(view, 50, 20), Qt::black));
    EXPECT_TRUE(near(pixelOf(view, 99, 20), line));
}

TEST(MCStretchableImage, CornersStayCrispAtAnySize)
{
    // A 30 × 30 image whose nine 10 × 10 parts are nine different colours.
    QImage source(30, 30, QImage::Format_ARGB32_Premultiplied);
    const QColor colours[9] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta,
                               Qt::yellow, Qt::white, Qt::gray, Qt::darkRed};
    for (int i = 0; i < 9; ++i)
        QPainter(&source).fillRect((i % 3) * 10, (i / 3) * 10, 10, 10, colours[i]);
    const MCStretchableImage image(source, QMarginsF(10, 10, 10, 10));
    ASSERT_EQ(image.parts().size(), 9);
    for (const QImage &part : image.parts())
        EXPECT_EQ(part.size(), QSize(10, 10));

    for (const QSize size : {QSize(20, 20), QSize(30, 30), QSize(97, 41)}) {
        QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            image.draw(&painter, QRectF(0, 0, size.width(), size.height()));
        }
        const int w = size.width(), h = size.height();
        EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red)) << w;
        EXPECT_EQ(canvas.pixelColor(9, 9), QColor(Qt::red)) << w;
        EXPECT_EQ(canvas.pixelColor(w - 10, 9), QColor(Qt::blue)) << w;
        EXPECT_EQ(canvas.pixelColor(w - 1, h - 1), QColor(Qt::darkRed)) << w;
        EXPECT_EQ(canvas.pixelColor(0, h - 10), QColor(Qt::white)) << w;
        if (w > 20 && h > 20) {
            EXPECT_EQ(canvas.pixelColor(w / 2, h / 2), QColor(Qt::magenta)) << w;
        }
    }
}

TEST(MCImageExtensions, CropAndTint)
{
    QImage source = solid(40, 20, Qt::transparent);
    QPainter(&source).fillRect(10, 0, 10, 20, QColor(0, 0, 255));
    source.setDevicePixelRatio(2.0);
    // 10 × 10 device-independent pixels from (5, 0): pixels 10–29, the blue column and beyond.
    const QImage part = MCImageFromRect(source, QRectF(5, 0, 10, 10));
    EXPECT_EQ(part.size(), QSize(20, 20));
    EXPECT_EQ(part.devicePixelRatio(), 2.0);
    EXPECT_EQ(part.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(part.pixelColor(15, 0).alpha(), 0);
    EXPECT_TRUE(MCImageFromRect(source, QRectF(100, 100, 5, 5)).isNull());

    const QImage tinted = MCImageTintedWithColor(source, Qt::red);
    EXPECT_EQ(tinted.pixelColor(12, 5), QColor(Qt::red));
    EXPECT_EQ(tinted.pixelColor(2, 5).alpha(), 0); // transparent stays transparent
    EXPECT_EQ(MCImageTintedWithColor(source, QColor()).pixelColor(12, 5), QColor(0, 0, 255));
}
