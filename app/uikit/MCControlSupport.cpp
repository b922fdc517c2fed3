#include "app/uikit/MCControlSupport.h"

#include "app/uikit/MCColorQuillon.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>

MCControlState MCControlStateFor(bool enabled, bool pressed, bool mouseOver)
{
    if (!enabled)
        return MCControlState::Disabled;
    if (pressed)
        return MCControlState::Pressed;
    if (mouseOver)
        return MCControlState::MouseOver;
    return MCControlState::Default;
}

const char *MCControlStateName(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return "disabled";
    case MCControlState::Pressed: return "pressed";
    case MCControlState::MouseOver: return "mouseover";
    case MCControlState::Default: break;
    }
    return "default";
}

QFont MCControlFont(MCControlSize size)
{
    QFont font = QApplication::font();
    font.setPixelSize(size == MCControlSize::Regular ? 13 : size == MCControlSize::Small ? 11 : 9);
    return font;
}

void MCFillAndStroke(QPainter &painter, const QPainterPath &path, const MCFillStroke &colors, qreal lineWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (colors.fill.isValid())
        painter.fillPath(path, colors.fill);
    if (colors.stroke.isValid())
        painter.strokePath(path, QPen(colors.stroke, lineWidth));
    painter.restore();
}

void MCDrawShadowedText(QPainter &painter, const QRectF &rect, int flags, const QString &text, const QColor &color,
                        const std::optional<MCTextShadow> &shadow)
{
    painter.save();
    if (shadow && shadow->color.isValid() && shadow->color.alpha() > 0) {
        painter.setPen(shadow->color);
        painter.drawText(rect.translated(shadow->offset), flags, text);
    }
    // No colour: the platform's default text colour, black.
    painter.setPen(color.isValid() ? color : QColor(Qt::black));
    painter.drawText(rect, flags, text);
    painter.restore();
}

void MCDrawFocusRing(QPainter &painter, const QPainterPath &shape)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(MCColorQuillon::colorWithSaturation(0.6, 1.0, 0.85), 2.0));
    painter.drawPath(shape);
    painter.restore();
}

MCMouseOverTracking::MCMouseOverTracking(QWidget *control)
    : QObject(control)
    , m_control(control)
{
    control->installEventFilter(this);
}

void MCMouseOverTracking::setShowsMouseOverState(bool shows)
{
    if (shows == m_shows)
        return;
    m_shows = shows;
    // A pointer already inside counts at once.
    m_over = shows && m_control->isVisible() && m_control->underMouse();
    m_control->update();
}

namespace {
bool assumesActiveWindow = false;
}

bool MCMouseOverTracking::assumesActiveWindow()
{
    return ::assumesActiveWindow;
}

void MCMouseOverTracking::setAssumesActiveWindow(bool assumes)
{
    ::assumesActiveWindow = assumes;
}

bool MCMouseOverTracking::isWindowActive(const QWidget *control)
{
    return ::assumesActiveWindow || (control && control->isActiveWindow());
}

bool MCMouseOverTracking::isMouseOver() const
{
    return m_shows && m_over && isWindowActive(m_control);
}

void MCMouseOverTracking::setMouseOver(bool over)
{
    if (!m_shows || over == m_over)
        return;
    m_over = over;
    m_control->update();
}

bool MCMouseOverTracking::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control) {
        switch (event->type()) {
        case QEvent::Enter: setMouseOver(true); break;
        case QEvent::Leave:
        case QEvent::Hide: setMouseOver(false); break;
        case QEvent::ActivationChange:
            if (m_over)
                m_control->update();
            break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}
