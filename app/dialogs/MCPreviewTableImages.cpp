#include "app/dialogs/MCPreviewTableImages.h"

#include "app/uikit/MCDrawnImage.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage drawImage(const QString &name)
{
    if (name == QLatin1String("BadgeMissing")) {
        // A red disc with a white exclamation mark.
        return MCDrawnImage({16, 16}, [](QPainter &p) {
            p.setPen(QPen(Qt::white, 1.2));
            p.setBrush(QColor(210, 50, 45));
            p.drawEllipse(QRectF(1, 1, 14, 14));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(7, 3.5, 2, 6), 1, 1);
            p.drawEllipse(QRectF(7, 10.5, 2, 2));
        });
    }
    if (name == QLatin1String("EmptyPhotoLandscapeSmall")) {
        // A grey landscape card: hills and a sun.
        return MCDrawnImage({24, 18}, [](QPainter &p) {
            p.setPen(QPen(QColor(150, 150, 150), 0.8));
            p.setBrush(QColor(205, 205, 205));
            p.drawRoundedRect(QRectF(0.5, 0.5, 23, 17), 1.5, 1.5);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(170, 170, 170));
            QPainterPath hills;
            hills.moveTo(2, 16);
            hills.lineTo(8.5, 8.5);
            hills.lineTo(12.5, 12.5);
            hills.lineTo(16, 9.5);
            hills.lineTo(22, 16);
            hills.closeSubpath();
            p.drawPath(hills);
            p.drawEllipse(QRectF(16.5, 3, 3.5, 3.5));
        });
    }
    return QImage();
}

} // namespace

namespace MCPreviewTableImages {

QImage imageNamed(const QString &name)
{
    static QHash<QString, QImage> images;
    auto found = images.find(name);
    if (found == images.end())
        found = images.insert(name, drawImage(name));
    return found.value();
}

} // namespace MCPreviewTableImages
