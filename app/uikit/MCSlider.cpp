#include "app/uikit/MCSlider.h"

#include "app/uikit/MCColorQuillon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

QRectF MCSliderCell::barRect(const QRectF &b, double t)
{
    return QRectF(std::trunc(b.center().x() - (b.width() - 2 * t) / 2), std::trunc(b.center().y() - t / 2),
                  b.width() - 2 * t, t);
}

QRectF MCSliderCell::knobRect(const QRectF &b, double k, double value, double minValue, double maxValue)
{
    const double range = maxValue - minValue;
    // Equal (or crossed) limits leave no travel: the knob rests at the left end.
    const double fraction = range > 0 ? (value - minValue) / range : 0.0;
    return QRectF(std::trunc((b.width() - k) * fraction + b.x()), std::trunc(b.center().y() - k / 2), k, k);
}

double MCSliderCell::valueForKnobCentre(double x, const QRectF &b, double k, double minValue, double maxValue)
{
    const double travel = b.width() - k;
    if (!(travel > 0) || !(maxValue > minValue))
        return minValue;
    const double fraction = qBound(0.0, (x - k / 2 - b.x()) / travel, 1.0);
    return minValue + fraction * (maxValue - minValue);
}

QColor MCDarkSliderCell::barColor(bool enabled, bool mouseOver) const
{
    return colorWithBrightness(enabled && mouseOver ? 0.55 : 0.5);
}

QColor MCZoomSliderCell::barColor(bool, bool) const
{
    return colorWithBrightness(0.5);
}

// Slider -------------------------------------------------------------------------------------

namespace {
constexpr int kPositions = 1000; // the integer positions the platform slider reports (accessibility)
}

MCSlider::MCSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
    , m_cell(std::make_unique<MCDarkSliderCell>())
    , m_tracking(new MCMouseOverTracking(this))
{
    m_tracking->setShowsMouseOverState(m_cell->showsMouseOverState());
    setFocusPolicy(Qt::StrongFocus);
    setRange(0, kPositions);
    setAttribute(Qt::WA_Hover, false);
    MCAppearanceObserver::sharedObserver();
}

void MCSlider::setCell(std::unique_ptr<MCSliderCell> cell)
{
    if (!cell)
        return;
    m_cell = std::move(cell);
    m_tracking->setShowsMouseOverState(m_cell->showsMouseOverState());
    updateGeometry();
    update();
}

void MCSlider::syncPosition()
{
    const double range = m_maxValue - m_minValue;
    const double fraction = range > 0 ? qBound(0.0, (m_value - m_minValue) / range, 1.0) : 0.0;
    const QSignalBlocker blocker(this);
    setValue(int(std::lround(fraction * kPositions)));
}

void MCSlider::setDoubleValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    syncPosition();
    update();
    emit doubleValueChanged(value);
}

void MCSlider::setMinValue(double value)
{
    m_minValue = value;
    syncPosition();
    update();
}

void MCSlider::setMaxValue(double value)
{
    m_maxValue = value;
    syncPosition();
    update();
}

void MCSlider::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    updateGeometry();
    update();
}

QRectF MCSlider::knobRect() const
{
    return MCSliderCell::knobRect(rect(), m_cell->knobThickness(m_controlSize), m_value, m_minValue, m_maxValue);
}

QSize MCSlider::sizeHint() const
{
    const int knob = int(m_cell->knobThickness(m_controlSize));
    return {120, knob + 6};
}

void MCSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(barRect(), m_cell->barColor(isEnabled(), isMouseOver()));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorWithWhite(1.0));
    const QRectF knob = knobRect();
    painter.drawEllipse(knob);
    if (hasFocus()) {
        QPainterPath ring;
        ring.addEllipse(knob.adjusted(-1, -1, 1, 1));
        MCDrawFocusRing(painter, ring);
    }
}

void MCSlider::startTracking()
{
    // The delegate told of the start is the one told of the end.
    m_trackingDelegate = m_delegate;
    if (m_trackingDelegate)
        m_trackingDelegate->sliderWillStartTracking(this);
}

void MCSlider::finishTracking()
{
    MCSliderDelegate *delegate = m_trackingDelegate;
    m_trackingDelegate = nullptr;
    if (delegate)
        delegate->sliderDidFinishTracking(this);
}

void MCSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_dragging)
        finishTracking();
    m_dragging = true;
    setSliderDown(true);
    startTracking();
    const QRectF knob = knobRect();
    const double x = event->position().x();
    const double k = m_cell->knobThickness(m_controlSize);
    if (knob.contains(event->position())) {
        // Taken by the knob: the value stays as it is until the pointer moves, and the knob
        // follows the pointer from where it was taken. The offset is to the knob's exact
        // centre (the drawn one is rounded to whole pixels), so a press without a move, or a
        // drag back to where it began, leaves the value exactly as it was.
        const double travel = width() - k;
        const double range = m_maxValue - m_minValue;
        const double fraction = travel > 0 && range > 0 ? qBound(0.0, (m_value - m_minValue) / range, 1.0) : 0.0;
        m_grabOffset = x - (k / 2 + travel * fraction);
        return;
    }
    // Elsewhere it jumps under the pointer.
    m_grabOffset = 0.0;
    setDoubleValue(MCSliderCell::valueForKnobCentre(x, rect(), k, m_minValue, m_maxValue));
}

void MCSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const double k = m_cell->knobThickness(m_controlSize);
    setDoubleValue(
        MCSliderCell::valueForKnobCentre(event->position().x() - m_grabOffset, rect(), k, m_minValue, m_maxValue));
}

void MCSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    setSliderDown(false);
    finishTracking();
}

void MCSlider::hideEvent(QHideEvent *event)
{
    // Hidden in the middle of a drag: no release will come.
    if (m_dragging) {
        m_dragging = false;
        setSliderDown(false);
        finishTracking();
    }
    QSlider::hideEvent(event);
}

void MCSlider::keyPressEvent(QKeyEvent *event)
{
    const double step = (m_maxValue - m_minValue) / 20.0;
    double target = m_value;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: target = qMax(m_minValue, m_value - step); break;
    case Qt::Key_Right:
    case Qt::Key_Up: target = qMin(m_maxValue, m_value + step); break;
    case Qt::Key_Home: target = m_minValue; break;
    case Qt::Key_End: target = m_maxValue; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (!(m_maxValue > m_minValue))
        return;
    startTracking();
    setDoubleValue(target);
    finishTracking();
}

void MCSlider::wheelEvent(QWheelEvent *event)
{
    // The wheel scrolls the panel around the slider, not the value.
    event->ignore();
}
