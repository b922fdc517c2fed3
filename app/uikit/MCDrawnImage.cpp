#include "app/uikit/MCDrawnImage.h"

#include <QPainter>

#include <cmath>

QImage MCDrawnImage(const QSizeF &size, const std::function<void(QPainter &)> &draw)
{
    constexpr qreal kRatio = 2.0;
    QImage image(int(std::ceil(size.width() * kRatio)), int(std::ceil(size.height() * kRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return image;
}
