#include "halvard/ui/MCImageView.h"

#include <QPainter>

MCImageView::MCImageView(QWidget *parent) : QWidget(parent) {}

void MCImageView::setImage(const QImage &image)
{
    if (image.cacheKey() == m_image.cacheKey() && image.isNull() == m_image.isNull())
        return;
    m_image = image;
    update();
}

void MCImageView::setImageScaling(MCImageScaling scaling)
{
    if (scaling == m_imageScaling)
        return;
    m_imageScaling = scaling;
    update();
}

void MCImageView::setBackgroundColor(const QColor &color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    update();
}

// The border is painted at once rather than waiting for the next layout pass, so turning it on
// or off shows without another change.
void MCImageView::setShouldDrawBorder(bool draw)
{
    if (draw == m_shouldDrawBorder)
        return;
    m_shouldDrawBorder = draw;
    update();
}

void MCImageView::setShouldDrawShadow(bool draw)
{
    if (draw == m_shouldDrawShadow)
        return;
    m_shouldDrawShadow = draw;
    update();
}

void MCImageView::setShouldFrameImage(bool frame)
{
    if (frame == m_shouldFrameImage)
        return;
    m_shouldFrameImage = frame;
    update();
}

QRectF MCImageView::imageFitRect() const
{
    return MCImageViewFitRect(QRectF(rect()), m_shouldDrawShadow);
}

QRectF MCImageView::imageRect() const
{
    // The image's size in points: a high-density image counts by its device pixel ratio.
    const QSizeF size = m_image.isNull() ? QSizeF() : m_image.deviceIndependentSize();
    return MCImageViewImageRect(imageFitRect(), size, m_imageScaling, devicePixelRatioF());
}

void MCImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_backgroundColor.isValid())
        painter.fillRect(rect(), m_backgroundColor);
    const QRectF target = imageRect();
    if (m_shouldDrawShadow && !m_image.isNull()) {
        // A soft shadow 3 below the image: rings of falling opacity, 0.5 at the core.
        painter.setPen(Qt::NoPen);
        for (int ring = 3; ring >= 0; --ring) {
            painter.setBrush(QColor(0, 0, 0, 128 / (ring + 2)));
            painter.drawRect(target.translated(0, 3).adjusted(-ring, -ring, ring, ring));
        }
    }
    if (!m_image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    }
    if (m_shouldFrameImage && !m_image.isNull()) {
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.17), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (m_shouldDrawBorder) {
        painter.setPen(QPen(QColor::fromRgbF(0.15, 0.15, 0.15, 1.0), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
