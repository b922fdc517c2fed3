#pragma once

// A view that shows an image fitted into its bounds, with an optional border round the view,
// a shadow under the image and a thin light frame round the image.
#include "halvard/ui/MCViewGeometry.h"

#include <QColor>
#include <QImage>
#include <QWidget>

class MCImageView : public QWidget
{
    Q_OBJECT
public:
    explicit MCImageView(QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }
    // Repaints only when the image is another one (compared by identity, not by pixels).
    void setImage(const QImage &image);
    MCImageScaling imageScaling() const { return m_imageScaling; }
    void setImageScaling(MCImageScaling scaling);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    bool shouldDrawBorder() const { return m_shouldDrawBorder; }
    void setShouldDrawBorder(bool draw);
    bool shouldDrawShadow() const { return m_shouldDrawShadow; }
    void setShouldDrawShadow(bool draw);
    bool shouldFrameImage() const { return m_shouldFrameImage; }
    void setShouldFrameImage(bool frame);

    // The rectangle the image is fitted into and the image's own rectangle in it.
    QRectF imageFitRect() const;
    QSizeF imageFitSize() const { return imageFitRect().size(); }
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_shouldDrawBorder = false;
    bool m_shouldDrawShadow = false;
    bool m_shouldFrameImage = false;
    QImage m_image;
    MCImageScaling m_imageScaling = MCImageScaling::ProportionallyUpOrDown;
    QColor m_backgroundColor; // invalid: nothing painted behind the image
};
