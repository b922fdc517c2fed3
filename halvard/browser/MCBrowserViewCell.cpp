#include "halvard/browser/MCBrowserViewCell.h"

#include <cmath>

MCBrowserViewCell::~MCBrowserViewCell() = default;

QImage MCBrowserViewCell::dragImageWithSize(const QSizeF &size, QPointF *offset)
{
    if (offset)
        *offset = QPointF(0, 0);
    const double width = std::ceil(size.width()), height = std::ceil(size.height());
    // A drag image is a cell's size; anything near the limits of QImage is a caller's mistake.
    if (!(width >= 1 && height >= 1 && width <= 16384 && height <= 16384))
        return QImage();
    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    const bool selected = m_selected, selectedAlternate = m_selectedAlternate;
    m_selected = m_selectedAlternate = false;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        drawWithFrame(&painter, QRectF(0, 0, size.width(), size.height()), nullptr);
    }
    m_selected = selected;
    m_selectedAlternate = selectedAlternate;
    return image;
}
