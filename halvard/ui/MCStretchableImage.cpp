#include "halvard/ui/MCStretchableImage.h"

#include "halvard/ui/MCImageExtensions.h"
#include "halvard/ui/MCViewGeometry.h"

#include <QPainter>

MCStretchableImage::MCStretchableImage(const QImage &image, const QMarginsF &insets)
    : m_size(image.deviceIndependentSize()), m_insets(insets)
{
    if (image.isNull())
        return;
    for (const QRectF &source : MCNinePartSourceRects(m_size, insets))
        m_parts.append(source.isEmpty() ? QImage() : MCImageFromRect(image, source));
}

void MCStretchableImage::draw(QPainter *painter, const QRectF &rect, qreal opacity) const
{
    if (isNull() || !painter)
        return;
    const QList<QRectF> targets = MCNinePartTargetRects(rect, m_insets);
    painter->save();
    painter->setOpacity(painter->opacity() * opacity);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int i = 0; i < 9; ++i)
        if (!m_parts[i].isNull() && !targets[i].isEmpty())
            painter->drawImage(targets[i], m_parts[i]);
    painter->restore();
}
