#include "app/panels/MCRotationControl.h"

#include "app/uikit/MCColorQuillon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>
#include <numbers>

namespace {

// `point` turned counter-clockwise by `angle` degrees about `centre`.
QPointF rotated(const QPointF &point, const QPointF &centre, double angle)
{
    QTransform turn;
    turn.translate(centre.x(), centre.y());
    turn.rotate(angle);
    turn.translate(-centre.x(), -centre.y());
    return turn.map(point);
}

} // namespace

double MCRotationControlAngleForLocation(const QRectF &bounds, const QPointF &point)
{
    const QPointF c = bounds.adjusted(3.5, 3.5, -3.5, -3.5).center();
    double a = std::atan2(point.y() - c.y(), point.x() - c.x()) * 180.0 / std::numbers::pi;
    a = std::round(a * 100.0) / 100.0;
    if (a < 0)
        a += 360.0;
    if (a > 359.0)
        a = 0.0;
    return a;
}

QPointF MCRotationControlKnobCenter(const QRectF &bounds, double angle)
{
    const QRectF r = bounds.adjusted(4.5, 4.5, -4.5, -4.5);
    const QPointF c(r.center().x() - 0.5, r.center().y() - 0.5);
    return rotated(QPointF(r.right(), c.y()), c, angle);
}

QRectF MCRotationControlKnobRect(const QRectF &bounds, double angle)
{
    const QRectF r = bounds.adjusted(3.5, 3.5, -3.5, -3.5);
    const QPointF k = rotated(QPointF(r.right(), r.center().y()), r.center(), angle);
    return QRectF(k.x() - 3, k.y() - 3, 6, 6);
}

MCRotationControlColors MCRotationControlColorsFor(bool enabled, bool mouseOver)
{
    const bool lit = enabled && mouseOver;
    const double alpha = enabled ? 1.0 : 0.7;
    return {MCColorQuillon::colorWithBrightness(lit ? 0.53 : 0.43, alpha),
            MCColorQuillon::colorWithBrightness(lit ? 0.59 : 0.49, alpha),
            MCColorQuillon::colorWithWhite(enabled ? 0.85 : 0.7, 1.0), MCColorQuillon::colorWithBrightness(0.43, 1.0)};
}

MCRotationControl::MCRotationControl(QWidget *parent)
    : QWidget(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    m_tracking->setShowsMouseOverState(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Angle"));
}

void MCRotationControl::setAngle(double angle)
{
    if (angle == m_angle)
        return;
    m_angle = angle;
    update();
    emit angleChanged(angle);
}

double MCRotationControl::angleForLocation(const QPointF &widgetPoint) const
{
    return MCRotationControlAngleForLocation(drawingBounds(), QPointF(widgetPoint.x(), height() - widgetPoint.y()));
}

QRectF MCRotationControl::knobRect() const
{
    const QRectF r = MCRotationControlKnobRect(drawingBounds(), m_angle);
    return QRectF(r.x(), height() - r.bottom(), r.width(), r.height());
}

void MCRotationControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn in the control's own space, y up.
    painter.translate(0, height());
    painter.scale(1, -1);
    const MCRotationControlColors colors = MCRotationControlColorsFor(isEnabled(), isMouseOver());
    const QRectF r = drawingBounds().adjusted(4.5, 4.5, -4.5, -4.5);

    painter.setPen(QPen(colors.ringStroke, 1.0));
    painter.setBrush(colors.ringFill);
    painter.drawEllipse(r);

    const QPointF c(r.center().x() - 0.5, r.center().y() - 0.5);
    const QPointF k = MCRotationControlKnobCenter(drawingBounds(), m_angle);
    painter.setPen(QPen(colors.needle, 1.0));
    painter.drawLine(c, k);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.needle);
    painter.drawEllipse(QRectF(c.x() - 1.5, c.y() - 1.5, 3, 3));
    painter.setPen(QPen(colors.needle, 1.0));
    painter.setBrush(colors.knobFill);
    painter.drawEllipse(QRectF(k.x() - 3, k.y() - 3, 6, 6));

    if (hasFocus()) {
        QPainterPath ring;
        ring.addEllipse(r.adjusted(-2, -2, 2, 2));
        MCDrawFocusRing(painter, ring);
    }
}

void MCRotationControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled() || m_pressing) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressing = true;
    m_tracked = m_delegate;
    if (m_tracked)
        m_tracked->rotationControlWillStartTracking(this);
    setAngle(angleForLocation(event->position()));
}

void MCRotationControl::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressing)
        setAngle(angleForLocation(event->position()));
}

void MCRotationControl::mouseReleaseEvent(QMouseEvent *event)
{
    // The release ends the press; where it happens does not count.
    if (event->button() == Qt::LeftButton)
        endPress();
}

void MCRotationControl::hideEvent(QHideEvent *event)
{
    // A press cut short (the panel went away under the pointer) still ends, so the owner's
    // undo bracket closes.
    endPress();
    QWidget::hideEvent(event);
}

void MCRotationControl::endPress()
{
    if (!m_pressing)
        return;
    m_pressing = false;
    MCRotationControlDelegate *delegate = m_tracked;
    m_tracked = nullptr;
    if (delegate)
        delegate->rotationControlDidFinishTracking(this);
}

void MCRotationControl::keyPressEvent(QKeyEvent *event)
{
    double step;
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up: step = 1.0; break;
    case Qt::Key_Left:
    case Qt::Key_Down: step = -1.0; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (!isEnabled() || m_pressing)
        return;
    double angle = m_angle + step;
    if (angle > 359.0)
        angle -= 360.0;
    else if (angle < 0.0)
        angle += 360.0;
    MCRotationControlDelegate *delegate = m_delegate;
    if (delegate)
        delegate->rotationControlWillStartTracking(this);
    setAngle(angle);
    if (delegate)
        delegate->rotationControlDidFinishTracking(this);
}
