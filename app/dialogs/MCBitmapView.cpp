#include "app/dialogs/MCBitmapView.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QWheelEvent>

#include <cmath>

QBrush MCPreviewChessboardBrush()
{
    // Drawn at twice its size so the squares stay sharp on dense screens.
    QImage tile(32, 32, QImage::Format_RGB32);
    tile.setDevicePixelRatio(2.0);
    tile.fill(QColor(153, 153, 153));
    QPainter painter(&tile);
    painter.fillRect(QRectF(0, 0, 8, 8), QColor(102, 102, 102));
    painter.fillRect(QRectF(8, 8, 8, 8), QColor(102, 102, 102));
    painter.end();
    return QBrush(tile);
}

// ---------------------------------------------------------------- MCBitmapView

MCBitmapView::MCBitmapView(QWidget *parent) : QWidget(parent) {}

MCBitmapView::~MCBitmapView() = default;

std::shared_ptr<MCBitmap> MCBitmapView::bitmap() const
{
    QMutexLocker locker(&m_lock);
    return m_bitmap;
}

void MCBitmapView::setBitmap(std::shared_ptr<MCBitmap> bitmap)
{
    {
        QMutexLocker locker(&m_lock);
        if (m_bitmap == bitmap)
            return;
        m_bitmap = std::move(bitmap);
    }
    scheduleRedraw();
}

QBrush MCBitmapView::backgroundColor() const
{
    QMutexLocker locker(&m_lock);
    return m_background;
}

void MCBitmapView::setBackgroundColor(const QBrush &brush)
{
    {
        QMutexLocker locker(&m_lock);
        if (m_background == brush)
            return;
        m_background = brush;
    }
    scheduleRedraw();
}

void MCBitmapView::scheduleRedraw()
{
    if (QThread::currentThread() == thread())
        update();
    else
        QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

double MCBitmapView::deviceRatio() const { return m_deviceRatio > 0 ? m_deviceRatio : devicePixelRatioF(); }

void MCBitmapView::setDeviceRatio(double ratio)
{
    m_deviceRatio = ratio > 0 && std::isfinite(ratio) ? ratio : 0.0;
    update();
}

QSizeF MCBitmapView::bitmapPixelSize() const
{
    const std::shared_ptr<MCBitmap> shown = bitmap();
    return shown ? shown->size() : QSizeF();
}

QRectF MCBitmapView::drawingImageRect() const
{
    return MCBitmapViewFittedRect(boundsSize(), bitmapPixelSize(), deviceRatio());
}

QRectF MCBitmapView::imageRect() const { return MCBitmapViewWidgetRect(drawingImageRect(), height()); }

const QImage &MCBitmapView::displayImage(const std::shared_ptr<MCBitmap> &bitmap)
{
    if (m_displayOf.lock() == bitmap && !m_display.isNull())
        return m_display;
    m_display = QImage();
    m_displayOf = bitmap;
    const QSizeF size = bitmap->size();
    QImage image(int(size.width()), int(size.height()), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return m_display;
    // The bitmap's pixels colour-managed into sRGB, one to one (the copy blend needs no clearing).
    const CGContextRef context = CGContext::createBitmap(
        image.bits(), size_t(image.width()), size_t(image.height()), 8, size_t(image.bytesPerLine()),
        CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    if (!context)
        return m_display;
    context->setBlendMode(kCGBlendModeCopy);
    bitmap->drawInRect(QRectF(QPointF(0, 0), size), QRectF(), *context);
    m_display = image;
    return m_display;
}

void MCBitmapView::paintEvent(QPaintEvent *event)
{
    std::shared_ptr<MCBitmap> shown;
    QBrush background;
    {
        QMutexLocker locker(&m_lock);
        shown = m_bitmap;
        background = m_background;
    }
    const QRectF target = imageRect();
    const QRectF area = target.intersected(QRectF(event->rect()));
    if (area.isEmpty() || !shown)
        return;
    QPainter painter(this);
    painter.setClipRect(area);
    if (shown->isAlphaUsed() && background.style() != Qt::NoBrush)
        painter.fillRect(area, background);
    const QImage &image = displayImage(shown);
    if (image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
}

// ---------------------------------------------------------------- MCPreviewBitmapView

MCPreviewBitmapView::MCPreviewBitmapView(QWidget *parent) : MCBitmapView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Preview"));
}

void MCPreviewBitmapView::setZoom(double zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    update();
}

void MCPreviewBitmapView::setLocation(const QPointF &location)
{
    const QPointF clamped = MCPreviewBitmapViewClampedLocation(location);
    if (clamped == m_location)
        return;
    m_location = clamped;
    update();
}

QRectF MCPreviewBitmapView::drawingImageRect() const
{
    return MCPreviewBitmapViewZoomedRect(boundsSize(), MCBitmapView::drawingImageRect(), m_zoom, m_location);
}

void MCPreviewBitmapView::zoomStep(int direction, const QPointF &widgetPoint)
{
    const double zoom = MCPreviewBitmapViewSteppedZoom(m_zoom, direction);
    if (zoom == m_zoom)
        return;
    if (const std::optional<QPointF> location = MCPreviewBitmapViewLocationForPoint(
            drawingImageRect(), MCBitmapViewDrawingPoint(widgetPoint, height())))
        setLocation(*location);
    setZoom(zoom);
}

void MCPreviewBitmapView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !(m_zoom > 1.0)) {
        MCBitmapView::mousePressEvent(event);
        return;
    }
    m_panning = true;
    m_lastPoint = MCBitmapViewDrawingPoint(event->position(), height());
    m_panExcess = MCPreviewBitmapViewExcess(boundsSize(), drawingImageRect());
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void MCPreviewBitmapView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_panning || !(event->buttons() & Qt::LeftButton)) {
        MCBitmapView::mouseMoveEvent(event);
        return;
    }
    const QPointF point = MCBitmapViewDrawingPoint(event->position(), height());
    setLocation(MCPreviewBitmapViewPannedLocation(m_location, point - m_lastPoint, m_panExcess));
    m_lastPoint = point;
    event->accept();
}

void MCPreviewBitmapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_panning || event->button() != Qt::LeftButton) {
        MCBitmapView::mouseReleaseEvent(event);
        return;
    }
    const QPointF point = MCBitmapViewDrawingPoint(event->position(), height());
    setLocation(MCPreviewBitmapViewPannedLocation(m_location, point - m_lastPoint, m_panExcess));
    m_panning = false;
    unsetCursor();
    event->accept();
}

void MCPreviewBitmapView::wheelEvent(QWheelEvent *event)
{
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / 120;
    event->accept();
    if (steps == 0)
        return;
    m_wheelRemainder -= steps * 120;
    zoomStep(steps > 0 ? 1 : -1, event->position());
}

bool MCPreviewBitmapView::event(QEvent *event)
{
    if (event->type() != QEvent::NativeGesture)
        return MCBitmapView::event(event);
    auto *gesture = static_cast<QNativeGestureEvent *>(event);
    switch (gesture->gestureType()) {
    case Qt::BeginNativeGesture:
    case Qt::EndNativeGesture:
        m_pinchSum = 0.0;
        break;
    case Qt::ZoomNativeGesture:
        m_pinchSum += gesture->value();
        if (std::abs(m_pinchSum) > 0.5) {
            const int direction = m_pinchSum > 0 ? 1 : -1;
            m_pinchSum = 0.0;
            zoomStep(direction, gesture->position());
        }
        break;
    default:
        return MCBitmapView::event(event);
    }
    event->accept();
    return true;
}

void MCPreviewBitmapView::keyPressEvent(QKeyEvent *event)
{
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double step = 0.1;
    if (event->matches(QKeySequence::ZoomIn) || event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal)
        zoomStep(1, centre);
    else if (event->matches(QKeySequence::ZoomOut) || event->key() == Qt::Key_Minus)
        zoomStep(-1, centre);
    else if (event->key() == Qt::Key_0) {
        setZoom(minZoom);
        setLocation(QPointF());
    } else if (event->key() == Qt::Key_Left)
        setLocation(m_location - QPointF(step, 0));
    else if (event->key() == Qt::Key_Right)
        setLocation(m_location + QPointF(step, 0));
    else if (event->key() == Qt::Key_Up)
        setLocation(m_location + QPointF(0, step));
    else if (event->key() == Qt::Key_Down)
        setLocation(m_location - QPointF(0, step));
    else {
        MCBitmapView::keyPressEvent(event);
        return;
    }
    event->accept();
}
