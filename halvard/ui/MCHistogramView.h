#pragma once

// Draws the red, green and blue histograms of an image, translucent over one another, on a
// dashed grid inside a thin frame.
#include "platform/graphics/CGImage.h"

#include <QList>
#include <QMutex>
#include <QPainterPath>
#include <QWidget>

// The dash of the grid lines: 2 on, 2 off.
inline constexpr qreal kMCHistogramsLineDashPattern[2] = {2.0, 2.0};

// The three closed channel paths (red, green, blue) in the unit square, y pointing up, from
// four 256-bin histograms (alpha, red, green, blue). All are scaled by the largest value in bins
// 1–254 of the three colour channels; the first and last bin, where clipped pixels pile up, are
// left out so they don't flatten the rest. Empty when that largest value is not positive or a
// channel is missing or short.
QList<QPainterPath> MCHistogramPathsFromHistograms(const QList<QList<float>> &histograms);

class MCHistogramView : public QWidget
{
    Q_OBJECT
public:
    explicit MCHistogramView(QWidget *parent = nullptr);

    CGImageRef image() const { return m_image; }
    // Drops the cached histograms and paths and repaints; nothing for the same image.
    void setImage(const CGImageRef &image);

    // Four 256-bin histograms (alpha, red, green, blue) of the image, computed on first use;
    // empty without an image or when a step fails.
    QList<QList<float>> histograms();
    // The channel paths, built once even when asked from several threads.
    QList<QPainterPath> histogramPaths();
    void reloadHistogramPaths();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CGImageRef m_image;
    bool m_histogramsComputed = false;
    QList<QList<float>> m_histograms;
    QMutex m_pathsLock; // guards m_histogramPaths, m_pathsBuilt and the histogram cache
    bool m_pathsBuilt = false;
    QList<QPainterPath> m_histogramPaths;
};
