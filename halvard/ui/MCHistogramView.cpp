#include "halvard/ui/MCHistogramView.h"

#include "halvard/imageio/MCBitmapFunctions.h"
#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/ui/MCViewGeometry.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

QList<QPainterPath> MCHistogramPathsFromHistograms(const QList<QList<float>> &histograms)
{
    if (histograms.size() < 4)
        return {};
    for (int channel = 1; channel <= 3; ++channel)
        if (histograms[channel].size() < 256)
            return {};
    float maximum = 0;
    for (int channel = 1; channel <= 3; ++channel)
        for (int i = 1; i <= 254; ++i)
            maximum = std::max(maximum, histograms[channel][i]);
    if (!(maximum > 0))
        return {};
    QList<QPainterPath> paths;
    for (int channel = 1; channel <= 3; ++channel) {
        QPainterPath path(QPointF(0, 0));
        for (int i = 1; i <= 254; ++i) {
            const qreal value = histograms[channel][i] / maximum;
            path.lineTo((i - 1) / 254.0, value);
            path.lineTo(i / 254.0, value);
        }
        path.lineTo(1, 0);
        path.closeSubpath();
        paths.append(path);
    }
    return paths;
}

MCHistogramView::MCHistogramView(QWidget *parent) : QWidget(parent) {}

void MCHistogramView::setImage(const CGImageRef &image)
{
    if (image == m_image)
        return;
    {
        QMutexLocker locker(&m_pathsLock);
        m_image = image;
        m_histogramsComputed = false;
        m_histograms.clear();
        m_pathsBuilt = false;
        m_histogramPaths.clear();
    }
    update();
}

QList<QList<float>> MCHistogramView::histograms()
{
    QMutexLocker locker(&m_pathsLock);
    if (m_histogramsComputed || !m_image)
        return m_histograms;
    const CGImageRef argb = MCCreateARGBImageFromImage(m_image);
    if (!argb)
        return {};
    const size_t width = argb->width(), height = argb->height();
    QByteArray bytes = MCCopyDataFromImage(argb);
    // The histogram reads tightly packed rows; an image whose rows carry padding is repacked
    // first, or its padding bytes would be counted as pixels.
    const size_t packedRow = width * 4;
    if (argb->bytesPerRow() != packedRow) {
        if (size_t(bytes.size()) < argb->bytesPerRow() * (height - 1) + packedRow)
            return {};
        QByteArray packed(qsizetype(packedRow * height), Qt::Uninitialized);
        for (size_t y = 0; y < height; ++y)
            std::memcpy(packed.data() + y * packedRow, bytes.constData() + y * argb->bytesPerRow(), packedRow);
        bytes = packed;
    }
    QList<QList<float>> result;
    if (!MCBitmapCalculateHistograms(reinterpret_cast<const uint8_t *>(bytes.constData()), &result,
                                     QSizeF(width, height)))
        return {};
    m_histograms = result;
    m_histogramsComputed = true;
    return m_histograms;
}

void MCHistogramView::reloadHistogramPaths()
{
    const QList<QPainterPath> paths = MCHistogramPathsFromHistograms(histograms());
    QMutexLocker locker(&m_pathsLock);
    m_histogramPaths = paths;
    m_pathsBuilt = true;
}

QList<QPainterPath> MCHistogramView::histogramPaths()
{
    {
        QMutexLocker locker(&m_pathsLock);
        if (m_pathsBuilt)
            return m_histogramPaths;
    }
    // Building twice from two threads gives the same paths; the histogram itself is computed
    // once under the lock.
    reloadHistogramPaths();
    QMutexLocker locker(&m_pathsLock);
    return m_histogramPaths;
}

void MCHistogramView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Lines sit on half pixels, so antialiased one-pixel strokes cover exactly one pixel.
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const QList<QPainterPath> paths = histogramPaths();
    if (!paths.isEmpty()) {
        painter.save();
        // The unit square, y up, filling the bounds less a one-pixel margin.
        painter.translate(1, bounds.height() - 1);
        painter.scale(bounds.width() - 2, -(bounds.height() - 2));
        painter.setPen(Qt::NoPen);
        const QColor colors[3] = {QColor(255, 0, 0, 128), QColor(0, 255, 0, 128), QColor(0, 0, 255, 128)};
        for (int i = 0; i < paths.size() && i < 3; ++i)
            painter.fillPath(paths[i], colors[i]);
        painter.restore();
    }

    const QColor lineColor = QColor::fromRgbF(1, 1, 1, 0.17);
    QPen dashed(lineColor, 1);
    dashed.setDashPattern({kMCHistogramsLineDashPattern[0], kMCHistogramsLineDashPattern[1]});
    dashed.setDashOffset(0);
    dashed.setCapStyle(Qt::FlatCap);
    painter.setPen(dashed);
    const MCHistogramGrid grid = MCHistogramGridForSize(bounds.size());
    // Vertical lines run up from the baseline, so their dashes start at the bottom as the
    // chart's axis does.
    for (qreal x : grid.verticalLines)
        painter.drawLine(QPointF(x, bounds.bottom() - 1), QPointF(x, bounds.top() + 1));
    for (qreal y : grid.horizontalLines)
        painter.drawLine(QPointF(bounds.left() + 1, y), QPointF(bounds.right() - 1, y));

    QPen solid(lineColor, 1);
    painter.setPen(solid);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
}
