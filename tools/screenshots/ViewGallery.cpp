// The small drawing views: histogram, fitted image and nine-part image.
#include "halvard/ui/MCHistogramView.h"
#include "halvard/ui/MCImageExtensions.h"
#include "halvard/ui/MCImageView.h"
#include "halvard/ui/MCStretchableImage.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QPainter>

namespace {

QWidget *histogram(const QImage &photo)
{
    auto *view = new MCHistogramView;
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor(40, 40, 40));
    view->setPalette(palette);
    if (!photo.isNull())
        view->setImage(MCCGImageFromQImage(photo));
    return view;
}

QWidget *imageView(const QImage &photo, MCImageScaling scaling, bool border, bool shadow, bool frame)
{
    auto *view = new MCImageView;
    view->setBackgroundColor(QColor(60, 60, 60));
    view->setImageScaling(scaling);
    view->setShouldDrawBorder(border);
    view->setShouldDrawShadow(shadow);
    view->setShouldFrameImage(frame);
    view->setImage(photo);
    return view;
}

// A 30 × 30 rounded frame cut at 10 and drawn in three sizes.
class StretchableGallery : public QWidget
{
public:
    StretchableGallery()
    {
        QImage source(30, 30, QImage::Format_ARGB32_Premultiplied);
        source.fill(Qt::transparent);
        QPainter painter(&source);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(230, 230, 230), 2));
        painter.setBrush(QColor(70, 110, 170));
        painter.drawRoundedRect(QRectF(1, 1, 28, 28), 8, 8);
        m_image = MCStretchableImage(source, QMarginsF(10, 10, 10, 10));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(40, 40, 40));
        m_image.drawAtPoint(&painter, QPointF(10, 10));
        m_image.draw(&painter, QRectF(50, 10, 120, 40));
        m_image.draw(&painter, QRectF(10, 60, 160, 80));
        m_image.draw(&painter, QRectF(180, 10, 60, 130), 0.5);
    }

private:
    MCStretchableImage m_image;
};

const QSize kHistogramSize(256, 128);
const QSize kImageViewSize(240, 160);

const ScreenshotRegistration registration({
    {"histogram", "empty", [] { return histogram({}); }, kHistogramSize},
    {"histogram", "landscape", [] { return histogram(screenshots::landscapePhoto(300, 200)); }, kHistogramSize},
    {"histogram", "night", [] { return histogram(screenshots::nightPhoto(300, 200)); }, kHistogramSize},
    {"histogram", "narrow", [] { return histogram(screenshots::landscapePhoto(300, 200)); }, QSize(40, 60)},
    {"imageview", "empty", [] { return imageView({}, MCImageScaling::ProportionallyUpOrDown, true, false, false); },
     kImageViewSize},
    {"imageview", "fitted",
     [] { return imageView(screenshots::landscapePhoto(600, 300), MCImageScaling::ProportionallyUpOrDown, false, false, false); },
     kImageViewSize},
    {"imageview", "decorated",
     [] { return imageView(screenshots::landscapePhoto(300, 400), MCImageScaling::ProportionallyUpOrDown, true, true, true); },
     kImageViewSize},
    {"imageview", "small-own-size",
     [] { return imageView(screenshots::nightPhoto(80, 60), MCImageScaling::ProportionallyDown, true, false, true); },
     kImageViewSize},
    {"imageview", "stretched",
     [] { return imageView(screenshots::landscapePhoto(100, 100), MCImageScaling::AxesIndependently, false, false, false); },
     kImageViewSize},
    {"stretchable", "sizes", [] { return new StretchableGallery; }, QSize(250, 150)},
});

} // namespace
