#pragma once

// The anchor picker of the watermark, crop and scale-to-size panels: a 3 × 3 grid of dots, one
// per corner, edge and centre of the photo, the chosen one marked with arrows towards its
// neighbours. A click on a dot chooses it; the arrow keys move the choice one cell.
//
// The anchor is a bit mask: 1 left column, 2 right column, 4 top row, 8 bottom row; neither bit
// of a pair means the centre, so 0 is the centre and 10 the bottom-right corner.
//
// The geometry below is in the control's own drawing space, y pointing up with row 0 at the
// bottom (the widget flips its mouse positions and its painter once, at the edge).
#include "app/uikit/MCControlSupport.h"

#include <QLineF>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QWidget>

// A cell of the grid: row 0 at the bottom, column 0 at the left; -1 and -1 for none.
struct MCPositionCell
{
    qint64 row = -1;
    qint64 column = -1;
    bool operator==(const MCPositionCell &) const = default;
};

// The mask of a cell (row and column 0..2).
quint64 MCPositionMaskForCell(MCPositionCell cell);
// The cell a mask shows: left wins over right, bottom over top.
MCPositionCell MCPositionCellForMask(quint64 mask);
// The centre of a cell's dot: the outer cells 9 points inside the edges, the middle one halfway
// between (truncated towards zero).
QPointF MCPositionControlCellCenter(const QRectF &bounds, MCPositionCell cell);
// The cell whose 30 × 30 hit square holds `point`; where squares overlap (a small control) the
// last in row-major order wins. None between the squares.
MCPositionCell MCPositionControlCellAtPoint(const QRectF &bounds, const QPointF &point);

// One arrow from the chosen dot towards a neighbour: a dashed shaft and a filled head.
struct MCPositionArrow
{
    QLineF shaft;
    QPolygonF head;
};
// The arrows of the chosen cell, to each neighbour that exists, in the order right, left, up,
// down.
QList<MCPositionArrow> MCPositionControlArrows(const QRectF &bounds, MCPositionCell cell);

// The colours of the control's look.
struct MCPositionControlColors
{
    QColor fill;
    QColor stroke;
    QColor dots; // the dots and the arrows
};
MCPositionControlColors MCPositionControlColorsFor(bool enabled, bool mouseOver);

class MCPositionControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint64 positionMask READ positionMask WRITE setPositionMask NOTIFY positionMaskChanged)
public:
    explicit MCPositionControl(QWidget *parent = nullptr);

    quint64 positionMask() const { return m_positionMask; }
    // A different mask is stored, drawn and announced through positionMaskChanged(), which is
    // the control's action: a mask set by code is reported like a click. The same mask does
    // nothing.
    void setPositionMask(quint64 mask);

    MCPositionCell currentCell() const { return MCPositionCellForMask(m_positionMask); }
    // The hit test in widget coordinates (y down).
    MCPositionCell cellAtPoint(const QPointF &widgetPoint) const;
    bool isMouseOver() const { return m_tracking->isMouseOver(); }

    QSize sizeHint() const override { return QSize(78, 78); }

signals:
    void positionMaskChanged(quint64 mask);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRectF drawingBounds() const { return QRectF(0, 0, width(), height()); }

    quint64 m_positionMask = 0;
    MCMouseOverTracking *m_tracking;
};
