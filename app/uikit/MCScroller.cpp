#include "app/uikit/MCScroller.h"

#include "app/uikit/MCColorQuillon.h"

#include <QAbstractScrollArea>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace MCColorQuillon;

namespace {
constexpr double kMinimumKnobLength = 18.0;
constexpr double kKnobInset = 2.0;
constexpr int kThickness = 11;

QAbstractScrollArea *enclosingScrollArea(const QWidget *widget)
{
    for (QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(parent))
            return area;
    }
    return nullptr;
}

double slotLength(const QRectF &slot, bool vertical) { return vertical ? slot.height() : slot.width(); }
} // namespace

QRectF MCScrollerKnobRect(const QRectF &slot, bool vertical, int minimum, int maximum, int pageStep, int value)
{
    const double length = slotLength(slot, vertical) - 2 * kKnobInset;
    const double range = double(maximum) - double(minimum);
    if (length <= 0 || range <= 0)
        return {};
    const double page = std::max(1, pageStep);
    const double knob = std::clamp(length * page / (range + page), std::min(kMinimumKnobLength, length), length);
    const double offset = (length - knob) * (double(std::clamp(value, minimum, maximum)) - minimum) / range;
    if (vertical)
        return QRectF(slot.left() + kKnobInset, slot.top() + kKnobInset + offset, slot.width() - 2 * kKnobInset, knob);
    return QRectF(slot.left() + kKnobInset + offset, slot.top() + kKnobInset, knob, slot.height() - 2 * kKnobInset);
}

int MCScrollerValueForKnobPosition(const QRectF &slot, bool vertical, int minimum, int maximum, int pageStep,
                                   double position)
{
    const QRectF knob = MCScrollerKnobRect(slot, vertical, minimum, maximum, pageStep, minimum);
    if (knob.isEmpty())
        return minimum;
    const double travel = slotLength(slot, vertical) - 2 * kKnobInset - (vertical ? knob.height() : knob.width());
    if (travel <= 0)
        return minimum;
    const double start = (vertical ? slot.top() : slot.left()) + kKnobInset;
    const double fraction = std::clamp((position - start) / travel, 0.0, 1.0);
    return minimum + int(std::lround(fraction * (double(maximum) - double(minimum))));
}

MCBaseScroller::MCBaseScroller(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
    MCAppearanceObserver::sharedObserver();
}

bool MCBaseScroller::isVertical() const
{
    if (QAbstractScrollArea *area = enclosingScrollArea(this)) {
        if (area->horizontalScrollBar() == this)
            return false;
        if (area->verticalScrollBar() == this)
            return true;
    }
    return isVerticalForSize(size());
}

QSize MCBaseScroller::sizeHint() const
{
    return orientation() == Qt::Vertical ? QSize(kThickness, 60) : QSize(60, kThickness);
}

QRectF MCBaseScroller::knobRect() const
{
    return MCScrollerKnobRect(rect(), isVertical(), minimum(), maximum(), pageStep(), value());
}

void MCBaseScroller::drawKnobSlot(QPainter &painter, const QRectF &slot)
{
    QAbstractScrollArea *area = enclosingScrollArea(this);
    if (!area)
        return;
    painter.fillRect(slot, area->viewport()->palette().color(area->viewport()->backgroundRole()));
}

void MCBaseScroller::drawKnob(QPainter &painter, const QRectF &knob)
{
    if (knob.isEmpty())
        return;
    // The overlay knob: a light pill, brighter while dragged.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorWithWhite(1.0, m_dragging ? 0.6 : 0.4));
    const double radius = std::min(knob.width(), knob.height()) / 2.0;
    painter.drawRoundedRect(knob, radius, radius);
    painter.restore();
}

void MCBaseScroller::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawKnobSlot(painter, rect());
    if (isEnabled())
        drawKnob(painter, knobRect());
}

void MCBaseScroller::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QScrollBar::mousePressEvent(event);
        return;
    }
    const bool vertical = isVertical();
    const QRectF knob = knobRect();
    const double along = vertical ? event->position().y() : event->position().x();
    if (knob.contains(event->position())) {
        m_dragging = true;
        m_grabOffset = along - (vertical ? knob.top() : knob.left());
        setSliderDown(true);
        update();
    } else {
        // A click in the slot pages towards the pointer.
        const double knobStart = vertical ? knob.top() : knob.left();
        triggerAction(along < knobStart ? SliderPageStepSub : SliderPageStepAdd);
    }
    event->accept();
}

void MCBaseScroller::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QScrollBar::mouseMoveEvent(event);
        return;
    }
    const bool vertical = isVertical();
    const double along = vertical ? event->position().y() : event->position().x();
    setSliderPosition(
        MCScrollerValueForKnobPosition(rect(), vertical, minimum(), maximum(), pageStep(), along - m_grabOffset));
    event->accept();
}

void MCBaseScroller::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        setSliderDown(false);
        update();
        event->accept();
        return;
    }
    QScrollBar::mouseReleaseEvent(event);
}

// Gray scroller -------------------------------------------------------------------------------

MCGrayScroller::MCGrayScroller(Qt::Orientation orientation, QWidget *parent)
    : MCBaseScroller(orientation, parent)
{
    rebuildColors();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCGrayScroller::rebuildColors);
}

QGradientStops MCGrayScroller::defaultGradient()
{
    return {{0.0, colorWithBrightness(0.2)}, {0.8, colorWithBrightness(0.24)}, {1.0, colorWithBrightness(0.23)}};
}

QColor MCGrayScroller::defaultSeparatorColor()
{
    return colorWithBrightness(0.12);
}

void MCGrayScroller::rebuildColors()
{
    m_gradient = defaultGradient();
    m_separatorColor = defaultSeparatorColor();
    update();
}

void MCGrayScroller::setGradient(const QGradientStops &gradient)
{
    m_gradient = gradient;
    update();
}

void MCGrayScroller::setSeparatorColor(const QColor &color)
{
    m_separatorColor = color;
    update();
}

void MCGrayScroller::drawKnobSlot(QPainter &painter, const QRectF &slot)
{
    drawBackground(painter, slot);
    drawBorders(painter, slot);
}

void MCGrayScroller::drawBackground(QPainter &painter, const QRectF &slot)
{
    if (m_gradient.isEmpty())
        return;
    // From the separator edge outwards: left to right, or top to bottom.
    QLinearGradient gradient = isVertical() ? QLinearGradient(slot.topLeft(), slot.topRight())
                                            : QLinearGradient(slot.topLeft(), slot.bottomLeft());
    gradient.setStops(m_gradient);
    painter.fillRect(slot, gradient);
}

void MCGrayScroller::drawBorders(QPainter &painter, const QRectF &slot)
{
    if (!m_separatorColor.isValid())
        return;
    painter.setPen(QPen(m_separatorColor, 1.0, Qt::SolidLine, Qt::FlatCap));
    if (isVertical())
        painter.drawLine(QPointF(slot.left() + 0.5, slot.top()), QPointF(slot.left() + 0.5, slot.bottom()));
    else
        painter.drawLine(QPointF(slot.left(), slot.top() + 0.5), QPointF(slot.right(), slot.top() + 0.5));
}

// Gray scroll view ---------------------------------------------------------------------------

MCGrayScrollView::MCGrayScrollView(QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBar(new MCGrayScroller(Qt::Vertical));
    setHorizontalScrollBar(new MCGrayScroller(Qt::Horizontal));
}

bool MCGrayScrollView::event(QEvent *event)
{
    const bool handled = QScrollArea::event(event);
    if (event->type() != QEvent::Paint)
        return handled;
    // The corner between the scrollers, only while both show.
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    if (!vertical->isVisibleTo(this) || !horizontal->isVisibleTo(this))
        return handled;
    const QRectF square = cornerRect(contentsRect(), vertical->rect(), horizontal->rect());
    QPainter painter(this);
    painter.fillRect(square, colorWithBrightness(0.22));
    painter.setPen(QPen(colorWithBrightness(0.12), 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(square.left() + 0.5, square.top()), QPointF(square.left() + 0.5, square.bottom()));
    painter.drawLine(QPointF(square.left(), square.top() + 0.5), QPointF(square.right(), square.top() + 0.5));
    return handled;
}

QRectF MCGrayScrollView::cornerRect(const QRectF &bounds, const QRectF &verticalScroller, const QRectF &horizontalScroller)
{
    return QRectF(bounds.right() - verticalScroller.width(), bounds.bottom() - horizontalScroller.height(),
                  verticalScroller.width(), horizontalScroller.height());
}
