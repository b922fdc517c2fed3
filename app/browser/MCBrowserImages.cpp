#include "app/browser/MCBrowserImages.h"

#include "app/uikit/MCDrawnImage.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace {

QImage circle(const QColor &colour)
{
    return MCDrawnImage({12, 12}, [&](QPainter &p) {
        p.setPen(QPen(colour.darker(150), 1.0));
        p.setBrush(colour);
        p.drawEllipse(QRectF(1, 1, 10, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(QRectF(3, 2.5, 5, 3));
    });
}

QPainterPath starPath(const QPointF &centre, qreal outer, qreal inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const qreal radius = i % 2 ? inner : outer;
        const QPointF point(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

// A rounded square with a glyph: the badge of a library the photo was picked from.
QImage sourceBadge(const QColor &colour, const std::function<void(QPainter &)> &glyph)
{
    return MCDrawnImage({16, 16}, [&](QPainter &p) {
        p.setPen(QPen(QColor(0, 0, 0, 120), 1.0));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.5, 3.5);
        p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    });
}

// A light glyph on a small dark disc: the badges of the flags strip.
QImage flagBadge(const std::function<void(QPainter &)> &glyph)
{
    return MCDrawnImage({13, 13}, [&](QPainter &p) {
        p.setPen(QPen(QColor(235, 235, 235), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    });
}

QImage placeholderPhoto(bool missing)
{
    return MCDrawnImage({64, 48}, [&](QPainter &p) {
        p.setPen(QPen(QColor(150, 150, 150), 1.0));
        p.setBrush(QColor(205, 205, 205));
        p.drawRoundedRect(QRectF(0.5, 0.5, 63, 47), 3, 3);
        // Hills and a sun, in light grey: a photo that is not there (yet).
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(178, 178, 178));
        QPainterPath hills;
        hills.moveTo(4, 42);
        hills.lineTo(22, 22);
        hills.lineTo(33, 33);
        hills.lineTo(43, 24);
        hills.lineTo(60, 42);
        hills.closeSubpath();
        p.drawPath(hills);
        p.drawEllipse(QRectF(44, 8, 9, 9));
        if (missing) {
            p.setPen(QPen(QColor(170, 40, 40), 3.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(24, 14), QPointF(40, 30));
            p.drawLine(QPointF(40, 14), QPointF(24, 30));
        }
    });
}

// The frame around a picture of the media cell: a light line with a soft dark edge outside
// it, in eight pieces of 5 × 5 (bottom pieces 5 × 7, leaving room for a shadow).
QImage framePiece(int column, int row)
{
    const QSizeF size(5, row == 2 ? 7 : 5);
    return MCDrawnImage(size, [&](QPainter &p) {
        const QColor light(255, 255, 255, 200), dark(0, 0, 0, 110);
        p.setRenderHint(QPainter::Antialiasing, false);
        // The inner edge of each piece is where the picture starts.
        const qreal w = size.width(), h = size.height();
        // In a corner piece the lines run only from the picture's corner outwards, so the two
        // edges meet in a corner instead of crossing.
        auto edge = [&](const QColor &c, qreal inset) {
            p.setPen(QPen(c, 1.0));
            const qreal x0 = column == 0 ? w - 1 - inset : 0, x1 = column == 2 ? 1 + inset : w;
            const qreal y0 = row == 0 ? h - 1 - inset : 0, y1 = row == 2 ? 1 + inset : h;
            if (row == 0)
                p.drawLine(QPointF(x0, h - 0.5 - inset), QPointF(x1, h - 0.5 - inset));
            if (row == 2)
                p.drawLine(QPointF(x0, 0.5 + inset), QPointF(x1, 0.5 + inset));
            if (column == 0)
                p.drawLine(QPointF(w - 0.5 - inset, y0), QPointF(w - 0.5 - inset, y1));
            if (column == 2)
                p.drawLine(QPointF(0.5 + inset, y0), QPointF(0.5 + inset, y1));
        };
        edge(light, 0);
        edge(dark, 1);
    });
}

QImage drawImage(const QString &name)
{
    static const QHash<QString, QColor> circles = {
        {QStringLiteral("CircleRed"), QColor(230, 60, 55)},     {QStringLiteral("CircleOrange"), QColor(245, 150, 40)},
        {QStringLiteral("CircleYellow"), QColor(240, 210, 50)}, {QStringLiteral("CircleGreen"), QColor(90, 190, 70)},
        {QStringLiteral("CircleBlue"), QColor(60, 130, 230)},   {QStringLiteral("CircleViolet"), QColor(170, 95, 210)},
        {QStringLiteral("CircleGray"), QColor(150, 150, 150)},
    };
    if (circles.contains(name))
        return circle(circles.value(name));

    if (name == QLatin1String("CellBackground")) {
        // Corners and edges only: a dark rounded outline with a soft shadow below it; the
        // centre stays transparent so the cell's own parts show through.
        return MCDrawnImage({24, 24}, [](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 60));
            p.drawRoundedRect(QRectF(1, 2, 22, 22), 5, 5);
            p.setBrush(QColor(72, 72, 72));
            p.drawRoundedRect(QRectF(1, 0, 22, 22), 5, 5);
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.setBrush(Qt::black);
            p.drawRect(QRectF(4, 2, 16, 16));
        });
    }
    if (name == QLatin1String("EmptyPhoto"))
        return placeholderPhoto(false);
    if (name == QLatin1String("MissingFileLandscape"))
        return placeholderPhoto(true);
    if (name == QLatin1String("MarkedBadge") || name == QLatin1String("LockedBadge")) {
        const bool locked = name == QLatin1String("LockedBadge");
        return MCDrawnImage({12, 12}, [locked](QPainter &p) {
            p.setPen(QPen(QColor(245, 245, 245), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            if (locked) {
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(3.5, 1, 5, 6), 0, 180 * 16);
                p.drawLine(QPointF(3.5, 4), QPointF(3.5, 6));
                p.drawLine(QPointF(8.5, 4), QPointF(8.5, 6));
                p.setBrush(QColor(245, 245, 245));
                p.drawRoundedRect(QRectF(2, 6, 8, 5), 1, 1);
            } else {
                p.setBrush(QColor(245, 245, 245));
                p.drawEllipse(QRectF(2, 2, 8, 8));
                p.setPen(QPen(QColor(150, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawLine(QPointF(4, 6), QPointF(5.5, 7.5));
                p.drawLine(QPointF(5.5, 7.5), QPointF(8, 4.5));
            }
        });
    }
    if (name == QLatin1String("Flagged")) {
        return MCDrawnImage({10, 12}, [](QPainter &p) {
            p.setPen(QPen(QColor(240, 240, 240), 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(2, 1), QPointF(2, 11));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(245, 140, 40));
            QPainterPath flag;
            flag.moveTo(2.6, 1.5);
            flag.lineTo(9, 3.5);
            flag.lineTo(2.6, 6.5);
            flag.closeSubpath();
            p.drawPath(flag);
        });
    }
    if (name == QLatin1String("SourceBadgeAlbum"))
        return sourceBadge(QColor(80, 150, 220), [](QPainter &p) {
            p.drawRect(QRectF(4, 5, 8, 7));
            p.drawLine(QPointF(5, 3.5), QPointF(11, 3.5));
        });
    if (name == QLatin1String("SourceBadgeDarkroom"))
        return sourceBadge(QColor(60, 60, 70), [](QPainter &p) { p.drawEllipse(QRectF(4, 4, 8, 8)); });
    if (name == QLatin1String("SourceBadgeCatalog"))
        return sourceBadge(QColor(70, 120, 160), [](QPainter &p) {
            p.drawLine(QPointF(4, 5), QPointF(12, 5));
            p.drawLine(QPointF(4, 8), QPointF(12, 8));
            p.drawLine(QPointF(4, 11), QPointF(12, 11));
        });
    if (name == QLatin1String("SourceBadgeGallery"))
        return sourceBadge(QColor(230, 150, 60), [](QPainter &p) {
            p.drawRect(QRectF(4, 4, 3, 3));
            p.drawRect(QRectF(9, 4, 3, 3));
            p.drawRect(QRectF(4, 9, 3, 3));
            p.drawRect(QRectF(9, 9, 3, 3));
        });
    if (name == QLatin1String("SourceBadgeStudio"))
        return sourceBadge(QColor(120, 120, 125), [](QPainter &p) {
            p.drawLine(QPointF(4, 12), QPointF(12, 4));
            p.drawEllipse(QRectF(4, 4, 4, 4));
        });
    if (name == QLatin1String("VideoBadge")) {
        return MCDrawnImage({20, 14}, [](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 170));
            p.drawRoundedRect(QRectF(0, 0, 20, 14), 3, 3);
            p.setBrush(QColor(240, 240, 240));
            p.drawRoundedRect(QRectF(3, 4, 9, 6), 1, 1);
            QPainterPath lens;
            lens.moveTo(12.5, 7);
            lens.lineTo(17, 4.5);
            lens.lineTo(17, 9.5);
            lens.closeSubpath();
            p.drawPath(lens);
        });
    }
    if (name == QLatin1String("BadgeMissing")) {
        return MCDrawnImage({16, 16}, [](QPainter &p) {
            p.setPen(QPen(Qt::white, 1.2));
            p.setBrush(QColor(210, 50, 45));
            p.drawEllipse(QRectF(1, 1, 14, 14));
            QFont font;
            font.setPixelSize(11);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("!"));
        });
    }
    if (name == QLatin1String("Favorite"))
        return flagBadge([](QPainter &p) {
            QPainterPath heart;
            heart.moveTo(6.5, 11);
            heart.cubicTo(0, 6.5, 2, 1.5, 6.5, 4.5);
            heart.cubicTo(11, 1.5, 13, 6.5, 6.5, 11);
            p.setBrush(QColor(235, 235, 235));
            p.drawPath(heart);
        });
    if (name == QLatin1String("Cloud"))
        return flagBadge([](QPainter &p) {
            QPainterPath cloud;
            cloud.addEllipse(QRectF(2, 5.5, 5, 5));
            cloud.addEllipse(QRectF(4.5, 3, 6, 6));
            cloud.addRect(QRectF(4.5, 7.5, 4.5, 3));
            cloud.addEllipse(QRectF(7.5, 6, 4.5, 4.5));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(235, 235, 235));
            p.drawPath(cloud.simplified());
        });
    if (name == QLatin1String("Referenced"))
        return flagBadge([](QPainter &p) {
            // A curved arrow: the file lives elsewhere.
            p.drawArc(QRectF(2.5, 4, 8, 9), 90 * 16, 90 * 16);
            p.drawLine(QPointF(6.5, 4), QPointF(10.5, 4));
            p.drawLine(QPointF(10.5, 4), QPointF(8.5, 2));
            p.drawLine(QPointF(10.5, 4), QPointF(8.5, 6));
        });
    if (name == QLatin1String("Hidden"))
        return flagBadge([](QPainter &p) {
            QPainterPath eye;
            eye.moveTo(1.5, 6.5);
            eye.quadTo(6.5, 1, 11.5, 6.5);
            eye.quadTo(6.5, 12, 1.5, 6.5);
            p.drawPath(eye);
            p.drawLine(QPointF(2, 11), QPointF(11, 2));
        });
    if (name == QLatin1String("Rejected"))
        return flagBadge([](QPainter &p) {
            p.drawLine(QPointF(3, 3), QPointF(10, 10));
            p.drawLine(QPointF(10, 3), QPointF(3, 10));
        });
    if (name == QLatin1String("RatingStar")) {
        return MCDrawnImage({11, 11}, [](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 205, 60));
            p.drawPath(starPath(QPointF(5.5, 5.8), 5.3, 2.2));
        });
    }
    if (name == QLatin1String("PathWhiteArrow")) {
        return MCDrawnImage({7, 11}, [](QPainter &p) {
            p.setPen(QPen(QColor(235, 235, 235), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(1.5, 1.5), QPointF(5.5, 5.5));
            p.drawLine(QPointF(5.5, 5.5), QPointF(1.5, 9.5));
        });
    }
    static const QHash<QString, std::pair<int, int>> frame = {
        {QStringLiteral("MB_B_Left_Top"), {0, 0}},     {QStringLiteral("MB_B_Middle_Top"), {1, 0}},
        {QStringLiteral("MB_B_Right_Top"), {2, 0}},    {QStringLiteral("MB_B_Middle_Left"), {0, 1}},
        {QStringLiteral("MB_B_Middle_Right"), {2, 1}}, {QStringLiteral("MB_B_Left_Bottom"), {0, 2}},
        {QStringLiteral("MB_B_Middle_Bottom"), {1, 2}}, {QStringLiteral("MB_B_Right_Bottom"), {2, 2}},
    };
    if (frame.contains(name))
        return framePiece(frame.value(name).first, frame.value(name).second);
    return QImage();
}

QHash<QString, QImage> &drawnImages()
{
    static QHash<QString, QImage> images;
    return images;
}

QHash<QString, QImage> &replacedImages()
{
    static QHash<QString, QImage> images;
    return images;
}

} // namespace

namespace MCBrowserImages {

QImage imageNamed(const QString &name)
{
    if (const auto replaced = replacedImages().constFind(name); replaced != replacedImages().constEnd())
        return *replaced;
    auto &images = drawnImages();
    auto found = images.constFind(name);
    if (found == images.constEnd())
        found = images.insert(name, drawImage(name));
    return *found;
}

QSizeF pointSize(const QImage &image)
{
    if (image.isNull())
        return QSizeF();
    return image.deviceIndependentSize();
}

void setImageForName(const QString &name, const std::optional<QImage> &image)
{
    if (image)
        replacedImages().insert(name, *image);
    else
        replacedImages().remove(name);
}

} // namespace MCBrowserImages
