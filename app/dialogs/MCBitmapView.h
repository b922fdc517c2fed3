#pragma once

// Views that draw an MCBitmap: MCBitmapView fitted and centred over an optional background
// (laid only under bitmaps that use alpha), and MCPreviewBitmapView, which adds zoom (wheel,
// pinch, keys) and panning (drag, arrow keys). The before-and-after preview uses three of the
// second kind; any screen may embed one:
//
//     auto *view = new MCPreviewBitmapView(parent);
//     view->setBackgroundColor(MCPreviewChessboardBrush());
//     view->setBitmap(bitmap);               // shared; the view only reads it
//
// A bitmap's pixels count as device pixels: on a screen of device ratio 2 a 800 × 600 bitmap is
// 400 × 300 points, so a bitmap made at the screen's density is shown fitted at full device
// resolution and a small one is never enlarged. The geometry is MCBitmapViewGeometry.h's.
//
// The bitmap and background accessors take the view's lock, so a bitmap may be handed over
// from another thread (the redraw is then posted to the view's thread). Drawing and events are
// on the GUI thread. While the view holds a bitmap, nobody may change its pixels.
#include "app/dialogs/MCBitmapViewGeometry.h"

#include <QBrush>
#include <QImage>
#include <QMutex>
#include <QWidget>

#include <memory>

class MCBitmap;

// The chessboard pattern the preview lays under transparent pixels (two grays, 8-point
// squares).
QBrush MCPreviewChessboardBrush();

class MCBitmapView : public QWidget
{
    Q_OBJECT
public:
    explicit MCBitmapView(QWidget *parent = nullptr);
    ~MCBitmapView() override;

    std::shared_ptr<MCBitmap> bitmap() const;
    // Another bitmap (compared by object) is drawn; the same one does nothing.
    void setBitmap(std::shared_ptr<MCBitmap> bitmap);
    // Drawn under bitmaps that use alpha; Qt::NoBrush (the default) for none.
    QBrush backgroundColor() const;
    void setBackgroundColor(const QBrush &brush);

    // Device pixels per point: the screen's, unless a ratio was set (tests set one to stand for
    // a dense screen; 0 goes back to the screen's).
    double deviceRatio() const;
    void setDeviceRatio(double ratio);

    // Where the bitmap is drawn, in widget coordinates (y down); the bounds without a bitmap.
    QRectF imageRect() const;
    // The same in the drawing space (y up), as MCBitmapViewGeometry.h computes it.
    virtual QRectF drawingImageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    QSizeF boundsSize() const { return QSizeF(width(), height()); }
    QSizeF bitmapPixelSize() const;

private:
    // The bitmap's pixels as sRGB for painting, made once per bitmap (GUI thread).
    const QImage &displayImage(const std::shared_ptr<MCBitmap> &bitmap);
    void scheduleRedraw();

    mutable QMutex m_lock; // guards m_bitmap and m_background
    std::shared_ptr<MCBitmap> m_bitmap;
    QBrush m_background;
    double m_deviceRatio = 0.0;
    // GUI thread only: the painted form of m_displayOf.
    std::weak_ptr<MCBitmap> m_displayOf;
    QImage m_display;
};

class MCPreviewBitmapView : public MCBitmapView
{
    Q_OBJECT
public:
    static constexpr double minZoom = kMCPreviewBitmapViewMinZoom;
    static constexpr double maxZoom = kMCPreviewBitmapViewMaxZoom;

    explicit MCPreviewBitmapView(QWidget *parent = nullptr);

    // The magnification over the fitted size, 1 at first. Stored as given (not clamped); a
    // different value redraws.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // The pan position, each coordinate clamped to −0.5 … 0.5 on every set: −0.5 shows the left
    // (bottom) edge of an enlarged picture, 0 its centre, 0.5 its right (top) edge.
    QPointF location() const { return m_location; }
    void setLocation(const QPointF &location);

    // One zoom step in (direction > 0) or out (< 0) about a widget point: when the clamped zoom
    // differs, the part under the point is brought toward view (when the point lies on the
    // picture) and the zoom set. Wheel, pinch and keys all come here.
    void zoomStep(int direction, const QPointF &widgetPoint);

    QRectF drawingImageRect() const override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // A wheel step is 120 eighths of a degree (one notch); finer deltas (touchpads) add up to
    // one. Each step zooms once.
    void wheelEvent(QWheelEvent *event) override;
    // Pinch: the magnification of a gesture adds up; past ±0.5 it zooms one step and starts
    // adding up again.
    bool event(QEvent *event) override;
    // Zoom in and out (the standard shortcuts, also + and −) and 0 back to the fitted size;
    // the arrow keys pan a tenth of the way.
    void keyPressEvent(QKeyEvent *event) override;

private:
    double m_zoom = 1.0;
    QPointF m_location;
    // The drag in progress: the last pointer position (drawing space) and the excess noted at
    // the press.
    bool m_panning = false;
    QPointF m_lastPoint;
    QSizeF m_panExcess;
    int m_wheelRemainder = 0;
    double m_pinchSum = 0.0;
};
