#include "app/uikit/MCCheckboxCell.h"

#include "app/uikit/MCColorQuillon.h"

#include <QPainter>

using namespace MCColorQuillon;

namespace {

double imageSide(MCControlSize size)
{
    return size == MCControlSize::Regular ? 16 : size == MCControlSize::Small ? 14 : 12;
}

// The title: two pixels right of where the platform puts it (four past the image).
QRectF titleRect(const QRectF &bounds, MCControlSize size)
{
    const double left = imageSide(size) + 4;
    return QRectF(bounds.left() + left, bounds.top(), qMax(0.0, bounds.width() - left), bounds.height());
}

void drawTitle(QPainter &painter, const QWidget &widget, MCControlSize size, const QString &text, const QColor &color)
{
    if (text.isEmpty())
        return;
    const QRectF rect = titleRect(widget.rect(), size);
    const QString shown = widget.fontMetrics().elidedText(text, Qt::ElideRight, int(rect.width()));
    painter.setFont(widget.font());
    // No colour: the platform's text colour.
    painter.setPen(color.isValid() ? color : widget.palette().color(QPalette::WindowText));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace

QSize MCChoiceButtonSizeHint(const QWidget &widget, MCControlSize size, const QString &text)
{
    const int side = int(imageSide(size));
    const int width = text.isEmpty() ? side : side + 4 + widget.fontMetrics().horizontalAdvance(text) + 2;
    return {width, qMax(side, widget.fontMetrics().height())};
}


MCFillStroke MCDarkCheckboxColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithWhite(0.53), colorWithWhite(0.59)};
    case MCControlState::Pressed: return {colorWithBrightness(0.3), colorWithBrightness(0.45)};
    case MCControlState::MouseOver: return {colorWithBrightness(0.35), colorWithBrightness(0.5)};
    case MCControlState::Default: break;
    }
    return {colorWithBrightness(0.2), colorWithBrightness(0.4)};
}

QRectF MCCheckboxImageFrame(const QRectF &bounds, MCControlSize size)
{
    const double side = imageSide(size);
    return QRectF(bounds.left(), bounds.top() + std::floor((bounds.height() - side) / 2), side, side);
}

QRectF MCCheckboxShapeRect(const QRectF &imageFrame, MCControlSize size)
{
    const double inset = size == MCControlSize::Regular ? 1.5 : 2.5;
    return imageFrame.adjusted(inset, inset, -inset, -inset);
}

// Check box -----------------------------------------------------------------------------------

QPainterPath MCDarkCheckboxCell::checkMark(const QRectF &frame, MCControlSize size)
{
    // A tick on a 16-pixel grid, scaled to the frame.
    const double s = frame.width() / 16.0;
    QPainterPath path;
    if (size == MCControlSize::Regular) {
        path.moveTo(frame.left() + 4.5 * s, frame.top() + 8.5 * s);
        path.lineTo(frame.left() + 7.0 * s, frame.top() + 11.0 * s);
        path.lineTo(frame.left() + 11.5 * s, frame.top() + 5.0 * s);
    } else {
        path.moveTo(frame.left() + 5.0 * s, frame.top() + 8.5 * s);
        path.lineTo(frame.left() + 7.3 * s, frame.top() + 10.8 * s);
        path.lineTo(frame.left() + 11.0 * s, frame.top() + 5.5 * s);
    }
    return path;
}

void MCDarkCheckboxCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = MCCheckboxImageFrame(rect(), m_controlSize);
    QPainterPath box;
    box.addRoundedRect(MCCheckboxShapeRect(frame, m_controlSize), 3.0, 3.0);
    MCFillAndStroke(painter, box, MCDarkCheckboxColors(controlState()));
    // The mixed state shows no mark.
    if (checkState() == Qt::Checked) {
        const double width = m_controlSize == MCControlSize::Regular ? 2.0 : 1.5;
        painter.setPen(QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(checkMark(frame, m_controlSize));
    }
    drawTitle(painter, *this, m_controlSize, text(), m_textColor);
    if (hasFocus())
        MCDrawFocusRing(painter, box);
}

// Radio button --------------------------------------------------------------------------------

void MCDarkRadioButtonCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = MCCheckboxImageFrame(rect(), m_controlSize);
    const QRectF outer = MCCheckboxShapeRect(frame, m_controlSize);
    QPainterPath circle;
    circle.addEllipse(outer);
    MCFillAndStroke(painter, circle, MCDarkCheckboxColors(controlState()));
    if (isChecked()) {
        painter.setPen(QPen(colorWithWhite(0.85, isEnabled() ? 1.0 : 0.8), 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ringRect(outer));
    }
    drawTitle(painter, *this, m_controlSize, text(), m_textColor);
    if (hasFocus())
        MCDrawFocusRing(painter, circle);
}
