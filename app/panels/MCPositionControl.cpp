#include "app/panels/MCPositionControl.h"

#include "app/uikit/MCColorQuillon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// Masks by [row][column], row 0 at the bottom.
constexpr quint64 kMasks[3][3] = {{9, 8, 10}, {1, 0, 2}, {5, 4, 6}};

bool isCell(MCPositionCell cell)
{
    return cell.row >= 0 && cell.row <= 2 && cell.column >= 0 && cell.column <= 2;
}

// The platform's point-in-rectangle test: minimum edges inside, maximum edges outside.
bool pointInRect(const QPointF &p, const QRectF &r)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

// The dot of a cell: a 4 × 4 oval from 1.5 below and left of the cell centre.
QRectF dotRect(const QRectF &bounds, MCPositionCell cell)
{
    const QPointF c = MCPositionControlCellCenter(bounds, cell);
    return QRectF(c.x() - 1.5, c.y() - 1.5, 4, 4);
}

} // namespace

quint64 MCPositionMaskForCell(MCPositionCell cell)
{
    return isCell(cell) ? kMasks[cell.row][cell.column] : 0;
}

MCPositionCell MCPositionCellForMask(quint64 mask)
{
    MCPositionCell cell;
    cell.column = (mask & 1) ? 0 : (mask & 2) ? 2 : 1;
    cell.row = (mask & 8) ? 0 : (mask & 4) ? 2 : 1;
    return cell;
}

QPointF MCPositionControlCellCenter(const QRectF &bounds, MCPositionCell cell)
{
    return QPointF(bounds.x() + 9 + std::trunc((bounds.width() - 18) * double(cell.column) * 0.5),
                   bounds.y() + 9 + std::trunc((bounds.height() - 18) * double(cell.row) * 0.5));
}

MCPositionCell MCPositionControlCellAtPoint(const QRectF &bounds, const QPointF &point)
{
    MCPositionCell hit;
    for (qint64 row = 0; row < 3; ++row) {
        for (qint64 column = 0; column < 3; ++column) {
            const QPointF c = MCPositionControlCellCenter(bounds, {row, column});
            if (pointInRect(point, QRectF(c.x() - 14.5, c.y() - 15, 30, 30)))
                hit = {row, column};
        }
    }
    return hit;
}

QList<MCPositionArrow> MCPositionControlArrows(const QRectF &bounds, MCPositionCell cell)
{
    QList<MCPositionArrow> arrows;
    if (!isCell(cell))
        return arrows;
    const QRectF dot = dotRect(bounds, cell);
    const double dx = dot.x(), dy = dot.y();
    const double m = std::round(dy + 2 - 3); // the horizontal arrows' lower edge
    const double n = std::round(dx + 2 - 3); // the vertical arrows' left edge
    if (cell.column < 2) {
        const double start = std::round(dx + 4 + 2) - 1, end = start + 12;
        arrows.append({QLineF(start, m + 2.5, end, m + 2.5),
                       QPolygonF({QPointF(end, m + 2.5), QPointF(end - 4, m - 0.5), QPointF(end - 4, m + 6.5)})});
    }
    if (cell.column > 0) {
        const double s = std::round(dx - 2 - 12);
        arrows.append({QLineF(s + 12, m + 2.5, s + 1, m + 2.5),
                       QPolygonF({QPointF(s, m + 2.5), QPointF(s + 4, m - 0.5), QPointF(s + 4, m + 6.5)})});
    }
    if (cell.row < 2) {
        const double u = std::round(dy + 4 + 2) - 1;
        arrows.append({QLineF(n + 2.5, u + 11, n + 2.5, u),
                       QPolygonF({QPointF(n + 2.5, u + 12), QPointF(n - 0.5, u + 8), QPointF(n + 6.5, u + 8)})});
    }
    if (cell.row > 0) {
        const double s = std::round(dy - 2 - 12);
        arrows.append({QLineF(n + 2.5, s + 1, n + 2.5, s + 12),
                       QPolygonF({QPointF(n + 2.5, s), QPointF(n - 0.5, s + 4), QPointF(n + 6.5, s + 4)})});
    }
    return arrows;
}

MCPositionControlColors MCPositionControlColorsFor(bool enabled, bool mouseOver)
{
    const bool lit = !enabled || mouseOver;
    return {MCColorQuillon::colorWithBrightness(lit ? 0.53 : 0.43, 1.0),
            MCColorQuillon::colorWithBrightness(lit ? 0.59 : 0.49, 1.0),
            MCColorQuillon::colorWithWhite(enabled ? 0.9 : 0.7, 1.0)};
}

MCPositionControl::MCPositionControl(QWidget *parent)
    : QWidget(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    m_tracking->setShowsMouseOverState(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Anchor position"));
}

void MCPositionControl::setPositionMask(quint64 mask)
{
    if (mask == m_positionMask)
        return;
    m_positionMask = mask;
    update();
    emit positionMaskChanged(mask);
}

MCPositionCell MCPositionControl::cellAtPoint(const QPointF &widgetPoint) const
{
    return MCPositionControlCellAtPoint(drawingBounds(), QPointF(widgetPoint.x(), height() - widgetPoint.y()));
}

void MCPositionControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn in the control's own space, y up.
    painter.translate(0, height());
    painter.scale(1, -1);
    const QRectF bounds = drawingBounds();
    const MCPositionControlColors colors = MCPositionControlColorsFor(isEnabled(), isMouseOver());

    painter.fillRect(bounds, colors.fill);
    painter.setPen(QPen(colors.stroke, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));

    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.dots);
    for (qint64 row = 0; row < 3; ++row) {
        for (qint64 column = 0; column < 3; ++column)
            painter.drawEllipse(dotRect(bounds, {row, column}));
    }

    QPen dashed(colors.dots, 1.0, Qt::CustomDashLine, Qt::FlatCap);
    dashed.setDashPattern({1.0, 1.0});
    dashed.setDashOffset(0);
    for (const MCPositionArrow &arrow : MCPositionControlArrows(bounds, currentCell())) {
        painter.setPen(dashed);
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(arrow.shaft);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.dots);
        painter.drawPolygon(arrow.head);
    }

    if (hasFocus()) {
        QPainterPath ring;
        ring.addRect(bounds.adjusted(1, 1, -1, -1));
        MCDrawFocusRing(painter, ring);
    }
}

void MCPositionControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const MCPositionCell cell = cellAtPoint(event->position());
    if (isCell(cell))
        setPositionMask(MCPositionMaskForCell(cell));
}

void MCPositionControl::keyPressEvent(QKeyEvent *event)
{
    MCPositionCell cell = currentCell();
    switch (event->key()) {
    case Qt::Key_Left: cell.column = qMax<qint64>(0, cell.column - 1); break;
    case Qt::Key_Right: cell.column = qMin<qint64>(2, cell.column + 1); break;
    case Qt::Key_Up: cell.row = qMin<qint64>(2, cell.row + 1); break;
    case Qt::Key_Down: cell.row = qMax<qint64>(0, cell.row - 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    setPositionMask(MCPositionMaskForCell(cell));
}
