#include "platform/map/MCMapView.h"

#include "platform/map/MCWorldMap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The height a dropped pin falls from, in pixels.
constexpr double kDropHeight = 48.0;
// One wheel notch (120 units of angle) zooms by half a level; the keys by a whole one.
constexpr double kZoomPerNotch = 0.5;
constexpr double kArrowPanDistance = 48.0;

// 0 → 1 over the animation, easing out.
double easedProgress(const QElapsedTimer &clock)
{
    if (!clock.isValid())
        return 1.0;
    const double t = std::min(1.0, double(clock.elapsed()) / MCMapView::kAnimationDuration);
    return 1.0 - (1.0 - t) * (1.0 - t);
}

} // namespace

std::unique_ptr<MCMapPinAnnotationView> MCMapViewDelegate::mapViewViewForAnnotation(
    MCMapView *, const std::shared_ptr<MCMapPinAnnotation> &)
{
    return nullptr;
}
void MCMapViewDelegate::mapViewUserDidRightClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &) {}
void MCMapViewDelegate::mapViewUserDidDoubleClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &) {}
void MCMapViewDelegate::mapViewAnnotationViewWillChangeDragState(MCMapView *, MCMapPinAnnotationView *, qint64) {}
void MCMapViewDelegate::mapViewDidFinishLoadingMap(MCMapView *) {}

MCMapPinAnnotationView::MCMapPinAnnotationView(std::shared_ptr<MCMapPinAnnotation> annotation)
    : m_annotation(std::move(annotation))
{
}

MCMapView::MCMapView(const QRect &frame, QWidget *parent) : QWidget(parent)
{
    setGeometry(frame);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Map"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_viewport.size = frame.size();
    m_animationTimer.setInterval(16);
    connect(&m_animationTimer, &QTimer::timeout, this, &MCMapView::stepAnimations);
    // Loading finishes on the next pass of the event loop, as a map that reads its data in the
    // background would: whoever made the map has set its delegate by then.
    QMetaObject::invokeMethod(this, &MCMapView::loadMap, Qt::QueuedConnection);
}

MCMapView::~MCMapView() = default;

void MCMapView::loadMap()
{
    if (m_closed)
        return;
    m_world = MCWorldMap::sharedWorld();
    m_loaded = true;
    update();
    if (m_delegate)
        m_delegate->mapViewDidFinishLoadingMap(this);
}

void MCMapView::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_delegate = nullptr;
    m_tracking = Tracking::None;
    m_draggedView = nullptr;
    m_pins.clear();
    m_animationTimer.stop();
    m_centerClock.invalidate();
    QWidget::close();
}

namespace {

bool isFinite(const CLLocationCoordinate2D &coordinate)
{
    return std::isfinite(coordinate.latitude) && std::isfinite(coordinate.longitude);
}

} // namespace

void MCMapView::initMapType(qint64 mapType, const CLLocationCoordinate2D &center, qint64 zoom, bool scrollToZoom)
{
    m_mapType = mapType;
    m_scrollToZoom = scrollToZoom;
    MCMapViewport viewport = m_viewport;
    viewport.zoom = MCMapClampedZoom(double(zoom));
    m_centerClock.invalidate();
    // A centre that is not a number leaves the map where it was.
    setViewport(isFinite(center) ? MCMapViewportCenteredAt(viewport, center) : viewport);
}

void MCMapView::setCenterCoordinate(const CLLocationCoordinate2D &center, bool animated)
{
    if (!isFinite(center))
        return;
    const CLLocationCoordinate2D shown = displayedViewport().center;
    if (animated && isVisible() && !m_closed) {
        m_animationStart = shown;
        m_centerClock.start();
        m_animationTimer.start();
    } else {
        m_centerClock.invalidate();
    }
    setViewport(MCMapViewportCenteredAt(m_viewport, center));
}

void MCMapView::setZoom(double zoom)
{
    setViewport(MCMapViewportZoomedAt(m_viewport, zoom, QPointF(width() / 2.0, height() / 2.0)));
}

void MCMapView::setMapType(qint64 mapType)
{
    if (m_mapType == mapType)
        return;
    m_mapType = mapType;
    update();
}

MCMapViewport MCMapView::viewport() const
{
    // The widget's own size: a hidden widget is resized without a resize event.
    MCMapViewport viewport = m_viewport;
    viewport.size = size();
    return viewport;
}

void MCMapView::setViewport(const MCMapViewport &viewport)
{
    m_viewport = viewport;
    m_viewport.size = size();
    update();
}

MCMapViewport MCMapView::displayedViewport() const
{
    MCMapViewport shown = m_viewport;
    shown.size = size();
    if (!m_centerClock.isValid())
        return shown;
    // Glide in the projected world along the shorter way round.
    const double t = easedProgress(m_centerClock);
    const QPointF from = MCMapWorldPointForCoordinate(m_animationStart);
    const QPointF to = MCMapWorldPointForCoordinate(m_viewport.center);
    double dx = to.x() - from.x();
    dx -= std::round(dx);
    shown.center = MCMapCoordinateForWorldPoint(QPointF(from.x() + dx * t, from.y() + (to.y() - from.y()) * t));
    return shown;
}

bool MCMapView::isAnimating() const
{
    if (m_centerClock.isValid() && m_centerClock.elapsed() < kAnimationDuration)
        return true;
    return std::any_of(m_pins.begin(), m_pins.end(), [](const Pin &pin) {
        return pin.dropClock.isValid() && pin.dropClock.elapsed() < kAnimationDuration;
    });
}

void MCMapView::stepAnimations()
{
    if (!isAnimating()) {
        m_animationTimer.stop();
        m_centerClock.invalidate();
        for (Pin &pin : m_pins)
            pin.dropClock.invalidate();
    }
    update();
}

void MCMapView::addAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation)
{
    if (!annotation || m_closed)
        return;
    if (std::any_of(m_pins.begin(), m_pins.end(), [&](const Pin &pin) { return pin.annotation == annotation; }))
        return;
    std::unique_ptr<MCMapPinAnnotationView> view;
    if (m_delegate)
        view = m_delegate->mapViewViewForAnnotation(this, annotation);
    if (!view)
        view = std::make_unique<MCMapPinAnnotationView>(annotation);
    // The delegate may have added or removed pins meanwhile; add this one only once.
    if (std::any_of(m_pins.begin(), m_pins.end(), [&](const Pin &pin) { return pin.annotation == annotation; }))
        return;
    Pin pin{annotation, std::move(view), {}};
    if (pin.view->animatesDrop() && isVisible()) {
        pin.dropClock.start();
        m_animationTimer.start();
    }
    m_pins.push_back(std::move(pin));
    update();
}

void MCMapView::removeAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation)
{
    const auto it = std::find_if(m_pins.begin(), m_pins.end(),
                                 [&](const Pin &pin) { return pin.annotation == annotation; });
    if (it == m_pins.end())
        return;
    if (it->view.get() == m_draggedView) {
        m_draggedView = nullptr;
        m_tracking = Tracking::None;
    }
    m_pins.erase(it);
    update();
}

std::vector<std::shared_ptr<MCMapPinAnnotation>> MCMapView::annotations() const
{
    std::vector<std::shared_ptr<MCMapPinAnnotation>> result;
    for (const Pin &pin : m_pins)
        result.push_back(pin.annotation);
    return result;
}

MCMapPinAnnotationView *MCMapView::viewForAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation) const
{
    for (const Pin &pin : m_pins) {
        if (pin.annotation == annotation)
            return pin.view.get();
    }
    return nullptr;
}

QPointF MCMapView::pointForAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation) const
{
    const MCMapPinAnnotationView *view = viewForAnnotation(annotation);
    if (view && view == m_draggedView)
        return m_dragTip;
    return MCMapViewPointForCoordinate(displayedViewport(), annotation->coordinate());
}

void MCMapView::showAddress(const QString &) {}

MCMapView::Pin *MCMapView::pinAt(const QPointF &point)
{
    // The pin drawn last lies on top.
    for (auto it = m_pins.rbegin(); it != m_pins.rend(); ++it) {
        if (isFinite(it->annotation->coordinate()) && MCMapPinContainsPoint(pointForAnnotation(it->annotation), point))
            return &*it;
    }
    return nullptr;
}

MCMapView::Pin *MCMapView::pinFor(const MCMapPinAnnotationView *view)
{
    for (Pin &pin : m_pins) {
        if (pin.view.get() == view)
            return &pin;
    }
    return nullptr;
}

void MCMapView::changeDragState(MCMapPinAnnotationView *view, qint64 state)
{
    if (m_delegate)
        m_delegate->mapViewAnnotationViewWillChangeDragState(this, view, state);
    // The delegate may have removed the pin (and with it its view).
    if (pinFor(view))
        view->setDragState(state);
}

void MCMapView::endPinDrag(bool cancelled)
{
    MCMapPinAnnotationView *view = m_draggedView;
    m_tracking = Tracking::None;
    if (!view || !pinFor(view)) {
        m_draggedView = nullptr;
        return;
    }
    if (cancelled || !m_dragMoved) {
        m_draggedView = nullptr;
        changeDragState(view, MCMapPinDragStateCanceling);
        if (pinFor(view))
            changeDragState(view, MCMapPinDragStateNone);
    } else {
        const CLLocationCoordinate2D dropped = MCMapCoordinateForViewPoint(displayedViewport(), m_dragTip);
        m_draggedView = nullptr;
        view->annotation()->setCoordinate(dropped);
        changeDragState(view, MCMapPinDragStateEnding);
        if (pinFor(view))
            changeDragState(view, MCMapPinDragStateNone);
    }
    update();
}

void MCMapView::mousePressEvent(QMouseEvent *event)
{
    const QPointF point = event->position();
    if (event->button() == Qt::RightButton) {
        if (m_delegate)
            m_delegate->mapViewUserDidRightClickAtCoordinate(this, MCMapCoordinateForViewPoint(displayedViewport(), point));
        return;
    }
    if (event->button() != Qt::LeftButton || m_tracking != Tracking::None)
        return;
    m_lastMousePoint = point;
    Pin *pin = pinAt(point);
    if (pin && pin->view->isDraggable()) {
        m_dragTip = pointForAnnotation(pin->annotation); // before the pin counts as dragged
        m_tracking = Tracking::DraggingPin;
        m_draggedView = pin->view.get();
        m_dragGrab = point - m_dragTip;
        m_dragMoved = false;
        pin->dropClock.invalidate();
        changeDragState(m_draggedView, MCMapPinDragStateStarting);
        return;
    }
    m_tracking = Tracking::Panning;
}

void MCMapView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF point = event->position();
    if (m_tracking == Tracking::Panning) {
        m_centerClock.invalidate();
        setViewport(MCMapViewportPanned(m_viewport, point - m_lastMousePoint));
        m_lastMousePoint = point;
    } else if (m_tracking == Tracking::DraggingPin && m_draggedView) {
        if (!m_dragMoved) {
            m_dragMoved = true;
            changeDragState(m_draggedView, MCMapPinDragStateDragging);
            if (!m_draggedView || !pinFor(m_draggedView))
                return;
        }
        m_dragTip = point - m_dragGrab;
        update();
    }
}

void MCMapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_tracking == Tracking::DraggingPin)
        endPinDrag(false);
    m_tracking = Tracking::None;
}

void MCMapView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_delegate)
        m_delegate->mapViewUserDidDoubleClickAtCoordinate(this,
                                                          MCMapCoordinateForViewPoint(displayedViewport(), event->position()));
}

void MCMapView::wheelEvent(QWheelEvent *event)
{
    if (!m_scrollToZoom && !(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) {
        event->ignore();
        return;
    }
    m_centerClock.invalidate();
    setViewport(MCMapViewportZoomedAt(m_viewport, m_viewport.zoom + notches * kZoomPerNotch, event->position()));
    event->accept();
}

void MCMapView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_tracking == Tracking::DraggingPin) {
            endPinDrag(true);
            return;
        }
        break;
    case Qt::Key_Left:
        setViewport(MCMapViewportPanned(m_viewport, QPointF(kArrowPanDistance, 0)));
        return;
    case Qt::Key_Right:
        setViewport(MCMapViewportPanned(m_viewport, QPointF(-kArrowPanDistance, 0)));
        return;
    case Qt::Key_Up:
        setViewport(MCMapViewportPanned(m_viewport, QPointF(0, kArrowPanDistance)));
        return;
    case Qt::Key_Down:
        setViewport(MCMapViewportPanned(m_viewport, QPointF(0, -kArrowPanDistance)));
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        setZoom(m_viewport.zoom + 1.0);
        return;
    case Qt::Key_Minus:
        setZoom(m_viewport.zoom - 1.0);
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void MCMapView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void MCMapView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void MCMapView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_viewport.size = size();
}

void MCMapView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    MCWorldMapDraw(painter, m_world.get(), displayedViewport(), MCMapStyleForMapType(m_mapType));
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Pin &pin : m_pins)
        paintPin(painter, pin);
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::Highlight), 2.0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void MCMapView::paintPin(QPainter &painter, const Pin &pin) const
{
    // A pin whose coordinate is not a number has no place on the map.
    if (!isFinite(pin.annotation->coordinate()))
        return;
    QPointF tip = pointForAnnotation(pin.annotation);
    const bool lifted = pin.view.get() == m_draggedView && m_dragMoved;
    // The shadow stays on the ground while the pin falls or is carried.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(tip + QPointF(3.0, 0.0), 6.0, 2.5);
    if (pin.dropClock.isValid())
        tip.ry() -= (1.0 - easedProgress(pin.dropClock)) * kDropHeight;
    if (lifted)
        tip.ry() -= 4.0;
    const QPointF head = MCMapPinHeadCenter(tip);
    painter.setPen(QPen(QColor(70, 70, 70), 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(head, tip);
    QRadialGradient gradient(head - QPointF(2.5, 2.5), kMCMapPinHeadRadius * 1.6);
    gradient.setColorAt(0.0, QColor(255, 140, 130));
    gradient.setColorAt(0.45, QColor(222, 36, 30));
    gradient.setColorAt(1.0, QColor(140, 10, 10));
    painter.setPen(QPen(QColor(110, 0, 0), 1.0));
    painter.setBrush(gradient);
    painter.drawEllipse(head, kMCMapPinHeadRadius, kMCMapPinHeadRadius);
}
