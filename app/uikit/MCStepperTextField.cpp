#include "app/uikit/MCStepperTextField.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlTransformers.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

// Stepper field ------------------------------------------------------------------------------

MCStepperTextFieldCell::MCStepperTextFieldCell(QWidget *parent)
    : MCDarkTextFieldCell(parent)
{
    QLineEdit::setAlignment(Qt::AlignCenter);
    // Text is laid out, edited and selected only between the arrow strips.
    setTextMargins(int(kArrowWidth), 1, int(kArrowWidth), 0);
    setMouseTracking(true);
    m_repeat.setSingleShot(false);
    m_repeat.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(&m_repeat, &QTimer::timeout, this, &MCStepperTextFieldCell::repeatStep);
    connect(this, &QLineEdit::editingFinished, this, &MCStepperTextFieldCell::commitEditedText);
}

QPolygonF MCStepperTextFieldCell::leftArrow(const QRectF &l)
{
    const double midY = l.y() + l.height() / 2;
    return QPolygonF({QPointF(l.x() + 6.0, midY + 0.5), QPointF(l.x() + 10.0, midY + 3.5),
                      QPointF(l.x() + 10.0, midY - 2.5)});
}

QPolygonF MCStepperTextFieldCell::rightArrow(const QRectF &r)
{
    const double midY = r.y() + r.height() / 2;
    const double maxX = r.x() + r.width();
    return QPolygonF({QPointF(maxX - 6.0, midY + 0.5), QPointF(maxX - 10.0, midY + 3.5),
                      QPointF(maxX - 10.0, midY - 2.5)});
}

double MCStepperTextFieldCell::steppedValue(double value, double increment, double minValue, double maxValue,
                                            bool wraps, bool up)
{
    // Wrapping jumps to the opposite limit; the remainder is not carried over.
    if (up) {
        const double v = value + increment;
        return v > maxValue ? (wraps ? minValue : maxValue) : v;
    }
    const double v = value - increment;
    return v < minValue ? (wraps ? maxValue : minValue) : v;
}

namespace {

QString shownText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

} // namespace

void MCStepperTextFieldCell::setObjectValue(const QVariant &value)
{
    m_value = value;
    setText(shownText(value));
    setModified(false);
    emit objectValueChanged();
}

double MCStepperTextFieldCell::doubleValue() const
{
    // Typed text counts once it differs from what the field was given.
    return isModified() ? MCDoubleValue(text()) : MCDoubleValue(m_value);
}

void MCStepperTextFieldCell::commitEditedText()
{
    if (!isModified())
        return;
    // A number when the text is one, else the text as typed.
    bool isNumber = false;
    const double number = text().trimmed().toDouble(&isNumber);
    m_value = isNumber ? QVariant(number) : QVariant(text());
    setModified(false);
    emit objectValueChanged();
}

void MCStepperTextFieldCell::increaseValue()
{
    changeDoubleValue(steppedValue(doubleValue(), m_increment, m_minValue, m_maxValue, m_valueWraps, true));
}

void MCStepperTextFieldCell::decreaseValue()
{
    changeDoubleValue(steppedValue(doubleValue(), m_increment, m_minValue, m_maxValue, m_valueWraps, false));
}

void MCStepperTextFieldCell::changeDoubleValue(double value)
{
    // A bound field hands the number to its binding, which writes the model through the
    // transformer in reverse and shows the model's value again.
    setObjectValue(value);
    deselect();
}

void MCStepperTextFieldCell::paintEvent(QPaintEvent *event)
{
    MCDarkTextFieldCell::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorWithWhite(isEnabled() ? 1.0 : 0.75));
    painter.drawPolygon(leftArrow(leftArrowRectFromRect(rect())));
    painter.drawPolygon(rightArrow(rightArrowRectFromRect(rect())));
}

void MCStepperTextFieldCell::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        MCDarkTextFieldCell::mousePressEvent(event);
        return;
    }
    if (m_pressing) // a press that was never released
        endArrowPress();
    m_pressing = true;
    pressWillStart();
    const QPointF point = event->position();
    const int arrow = leftArrowRectFromRect(rect()).contains(point)    ? -1
                      : rightArrowRectFromRect(rect()).contains(point) ? 1
                                                                        : 0;
    if (arrow == 0 || !isEnabled()) {
        MCDarkTextFieldCell::mousePressEvent(event);
        return;
    }
    event->accept();
    m_pressedArrow = arrow;
    m_pointer = point;
    if (arrow < 0)
        decreaseValue();
    else
        increaseValue();
    m_repeat.start(kRepeatDelay);
}

void MCStepperTextFieldCell::repeatStep()
{
    if (m_repeat.interval() != kRepeatInterval)
        m_repeat.setInterval(kRepeatInterval);
    // Only while the pointer is on the arrow first pressed: off it the press pauses.
    const QRectF strip = m_pressedArrow < 0 ? leftArrowRectFromRect(rect()) : rightArrowRectFromRect(rect());
    if (m_pressedArrow == 0 || !strip.contains(m_pointer))
        return;
    if (m_pressedArrow < 0)
        decreaseValue();
    else
        increaseValue();
}

void MCStepperTextFieldCell::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressedArrow != 0) {
        m_pointer = event->position();
        return;
    }
    // The I-beam only over the text; the arrow strips keep the arrow pointer.
    setCursor(textFieldRectFromRect(rect()).contains(event->position()) ? Qt::IBeamCursor : Qt::ArrowCursor);
    MCDarkTextFieldCell::mouseMoveEvent(event);
}

void MCStepperTextFieldCell::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressing) {
        MCDarkTextFieldCell::mouseReleaseEvent(event);
        return;
    }
    const bool onArrow = m_pressedArrow != 0;
    if (!onArrow)
        MCDarkTextFieldCell::mouseReleaseEvent(event);
    endArrowPress();
}

void MCStepperTextFieldCell::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second click of a double click on an arrow is one more step; on the text it selects
    // a word, and is a press of its own for the delegate as well.
    const QPointF point = event->position();
    if (event->button() == Qt::LeftButton &&
        (leftArrowRectFromRect(rect()).contains(point) || rightArrowRectFromRect(rect()).contains(point))) {
        mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (m_pressing)
            endArrowPress();
        m_pressing = true;
        pressWillStart();
    }
    MCDarkTextFieldCell::mouseDoubleClickEvent(event);
}

void MCStepperTextFieldCell::endArrowPress()
{
    m_repeat.stop();
    m_pressedArrow = 0;
    if (m_pressing) {
        m_pressing = false;
        pressDidFinish();
    }
}

void MCStepperTextFieldCell::hideEvent(QHideEvent *event)
{
    // A field hidden in the middle of a press gets no release: the press ends here.
    endArrowPress();
    MCDarkTextFieldCell::hideEvent(event);
}

MCStepperTextField::MCStepperTextField(QWidget *parent)
    : MCStepperTextFieldCell(parent)
{
}

void MCStepperTextField::pressWillStart()
{
    m_tracking = m_delegate;
    if (m_tracking)
        m_tracking->stepperTextFieldWillStartTracking(this);
}

void MCStepperTextField::pressDidFinish()
{
    // The delegate told of the start hears the end, even if it was replaced meanwhile.
    MCStepperTextFieldDelegate *delegate = m_tracking;
    m_tracking = nullptr;
    if (delegate)
        delegate->stepperTextFieldDidFinishTracking(this);
}

// Dark stepper ------------------------------------------------------------------------------

MCDarkStepperCell::MCDarkStepperCell(QWidget *parent)
    : QAbstractSlider(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    m_tracking->setShowsMouseOverState(true);
    setOrientation(Qt::Vertical);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Stepper"));
    MCAppearanceObserver::sharedObserver();
}

void MCDarkStepperCell::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    updateGeometry();
    update();
}

void MCDarkStepperCell::setHighlighted(bool highlighted, bool topArrow)
{
    m_highlighted = highlighted;
    m_topArrowPressed = topArrow;
    update();
}

QRectF MCDarkStepperCell::bodyRect(const QRectF &frame, MCControlSize size)
{
    const double inset = size == MCControlSize::Regular ? 3.5 : 2.5;
    return frame.adjusted(inset, inset, -inset, -inset);
}

QPainterPath MCDarkStepperCell::chevrons(const QRectF &r)
{
    const double midX = r.x() + r.width() / 2;
    const double maxY = r.y() + r.height();
    QPainterPath path;
    path.moveTo(midX - 2.5, r.y() + 7.0);
    path.lineTo(midX, r.y() + 4.0);
    path.lineTo(midX + 2.5, r.y() + 7.0);
    path.moveTo(midX - 2.5, maxY - 7.0);
    path.lineTo(midX, maxY - 4.0);
    path.lineTo(midX + 2.5, maxY - 7.0);
    return path;
}

double MCDarkStepperCell::splitY(const QRectF &r, bool topArrowPressed)
{
    return r.y() + r.height() / 2 + (topArrowPressed ? 0.5 : -0.5);
}

MCDarkStepperCell::Colors MCDarkStepperCell::colors(bool enabled, bool mouseOver)
{
    if (!enabled)
        return {colorWithBrightness(0.4), QColor(), colorWithBrightness(0.55), colorWithWhite(1.0, 0.8)};
    if (mouseOver)
        return {colorWithBrightness(0.35), colorWithBrightness(0.3), colorWithBrightness(0.5), colorWithWhite(1.0)};
    return {colorWithBrightness(0.25), colorWithBrightness(0.3), colorWithBrightness(0.4), colorWithWhite(1.0)};
}

QSize MCDarkStepperCell::sizeHint() const
{
    return m_controlSize == MCControlSize::Regular ? QSize(19, 27) : QSize(15, 22);
}

void MCDarkStepperCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bodyRect(rect(), m_controlSize);
    const Colors c = colors(isEnabled(), isMouseOver());
    QPainterPath body;
    body.addRoundedRect(r, 3.0, 3.0);
    if (!m_highlighted || !c.pressedHalf.isValid()) {
        painter.fillPath(body, c.body);
    } else {
        const double split = splitY(r, m_topArrowPressed);
        const QRectF top(r.x(), r.y(), r.width(), split - r.y());
        const QRectF bottom(r.x(), split, r.width(), r.bottom() - split);
        // Each half keeps the body's rounded corners on its outer side.
        QPainterPath topHalf = body.intersected([&] {
            QPainterPath p;
            p.addRect(top);
            return p;
        }());
        QPainterPath bottomHalf = body.intersected([&] {
            QPainterPath p;
            p.addRect(bottom);
            return p;
        }());
        painter.fillPath(m_topArrowPressed ? topHalf : bottomHalf, c.pressedHalf);
        painter.fillPath(m_topArrowPressed ? bottomHalf : topHalf, c.body);
    }
    painter.strokePath(body, QPen(c.outline, 1.0));
    painter.strokePath(chevrons(r), QPen(c.chevrons, 1.0));
    if (hasFocus())
        MCDrawFocusRing(painter, body);
}

void MCDarkStepperCell::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    // The upper half steps up.
    setHighlighted(true, event->position().y() < height() / 2.0);
    const SliderAction action = m_topArrowPressed ? SliderSingleStepAdd : SliderSingleStepSub;
    triggerAction(action);
    setRepeatAction(action, MCStepperTextFieldCell::kRepeatDelay, MCStepperTextFieldCell::kRepeatInterval);
}

void MCDarkStepperCell::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setRepeatAction(SliderNoAction);
    setHighlighted(false, m_topArrowPressed);
}
