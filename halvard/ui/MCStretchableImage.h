#pragma once

// An image cut into nine parts by edge insets and drawn stretched to any rectangle: corners at
// their own size, edges stretched along their edge, the centre in both directions. Used for
// backgrounds and frames that must keep crisp corners at any size.
#include <QImage>
#include <QList>
#include <QMarginsF>
#include <QRectF>

class QPainter;

class MCStretchableImage
{
public:
    MCStretchableImage() = default;
    // `insets` are left, top, right and bottom in device-independent pixels.
    MCStretchableImage(const QImage &image, const QMarginsF &insets);

    bool isNull() const { return m_parts.isEmpty(); }
    QSizeF size() const { return m_size; }
    QMarginsF insets() const { return m_insets; }
    // The nine parts row by row from the top-left corner (a part may be null when its inset or
    // the centre is empty).
    const QList<QImage> &parts() const { return m_parts; }

    void draw(QPainter *painter, const QRectF &rect, qreal opacity = 1.0) const;
    void drawAtPoint(QPainter *painter, const QPointF &point, qreal opacity = 1.0) const
    {
        draw(painter, QRectF(point, m_size), opacity);
    }

private:
    QSizeF m_size;
    QMarginsF m_insets;
    QList<QImage> m_parts;
};
