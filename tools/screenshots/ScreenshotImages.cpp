#include "tools/screenshots/ScreenshotImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace screenshots {

QImage landscapePhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.6, QColor(250, 190, 120));
    painter.fillRect(image.rect(), sky);
    QRadialGradient sun(width * 0.7, height * 0.45, height * 0.2);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    painter.fillRect(image.rect(), sun);
    QPainterPath hills;
    hills.moveTo(0, height * 0.7);
    hills.cubicTo(width * 0.3, height * 0.5, width * 0.6, height * 0.85, width, height * 0.6);
    hills.lineTo(width, height);
    hills.lineTo(0, height);
    painter.fillPath(hills, QColor(50, 110, 60));
    painter.fillRect(QRectF(0, height * 0.88, width, height * 0.12), QColor(25, 45, 30));
    return image;
}

QImage nightPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(8, 10, 24));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient lamp(width * 0.3, height * 0.4, height * 0.35);
    lamp.setColorAt(0, QColor(255, 255, 255));
    lamp.setColorAt(0.15, QColor(255, 230, 160));
    lamp.setColorAt(1, QColor(40, 30, 60, 0));
    painter.fillRect(image.rect(), lamp);
    return image;
}

} // namespace screenshots
