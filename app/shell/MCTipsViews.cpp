#include "app/shell/MCTipsViews.h"

#include "app/uikit/MCColorQuillon.h"

#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

MCTipsButtonCell::MCTipsButtonCell(const QString &title, QWidget *parent) : MCBaseButtonCell(title, parent)
{
    setupControl();
}

void MCTipsButtonCell::setupControl()
{
    const MCTextShadow dark{colorWithWhite(0.0, 0.5), QPointF(0, 1)};
    for (MCControlState state : {MCControlState::Default, MCControlState::Pressed, MCControlState::MouseOver}) {
        setTextColor(state, Qt::white);
        setTextShadow(state, dark);
    }
    setTextColor(MCControlState::Disabled, colorWithWhite(0.0, 0.6));
    setTextShadow(MCControlState::Disabled, MCTextShadow{colorWithWhite(1.0, 0.5), QPointF(0, -1)});
    setShowsMouseOverState(true);
}

MCFillStroke MCTipsButtonCell::bezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled:
    case MCControlState::MouseOver:
        return {colorWithBrightness(0.53, 1.0), colorWithBrightness(0.59, 1.0)};
    case MCControlState::Pressed:
        return {colorWithBrightness(1.0, 0.1), colorWithBrightness(1.0, 0.12)};
    case MCControlState::Default:
        break;
    }
    return {colorWithBrightness(0.43, 1.0), colorWithBrightness(0.49, 1.0)};
}

QPainterPath MCTipsButtonCell::bezelShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 3.0, 3.0);
    return path;
}

void MCTipsButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    MCFillAndStroke(painter, bezelShape(frame), bezelColors(controlState()));
}

void MCTipsButtonCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    MCBaseButtonCell::drawTitle(painter, frame.translated(0, -1));
}

// ------------------------------------------------------------------------------------------------

namespace {

void strokeBorders(QPainter &painter, const QRectF &bounds, const QList<MCBorderLine> &borders)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const MCBorderLine &border : borders) {
        painter.setPen(QPen(border.color, 1.0));
        const QLineF line = MCBorderLineInRect(bounds, border);
        // The pixel row the line's centre lies in, from the left edge to the right edge.
        const int y = int(std::floor(line.y1()));
        painter.drawLine(QPointF(bounds.left(), y), QPointF(bounds.right(), y));
    }
}

} // namespace

double MCTipsTopView::angle() const { return 270.0; }
QList<QColor> MCTipsTopView::colors() const { return {colorWithBrightness(0.25), colorWithBrightness(0.25)}; }
QList<MCBorderLine> MCTipsTopView::borders()
{
    return {{MCBorderLine::Bottom, 1.5, colorWithBrightness(0.0, 0.5)},
            {MCBorderLine::Bottom, 0.5, colorWithBrightness(1.0, 0.1)}};
}
void MCTipsTopView::drawBorders(QPainter &painter) { strokeBorders(painter, rect(), borders()); }

double MCTipsRightView::angle() const { return 270.0; }
QList<QColor> MCTipsRightView::colors() const { return {colorWithBrightness(0.3), colorWithBrightness(0.3)}; }
QList<MCBorderLine> MCTipsRightView::borders() { return {}; }
void MCTipsRightView::drawBorders(QPainter &) {}

double MCTipsBottomView::angle() const { return 270.0; }
QList<QColor> MCTipsBottomView::colors() const { return {colorWithBrightness(0.25), colorWithBrightness(0.25)}; }
QList<MCBorderLine> MCTipsBottomView::borders()
{
    return {{MCBorderLine::Top, 0.5, colorWithBrightness(0.0, 0.5)},
            {MCBorderLine::Top, 1.5, colorWithBrightness(1.0, 0.1)}};
}
void MCTipsBottomView::drawBorders(QPainter &painter) { strokeBorders(painter, rect(), borders()); }
