#pragma once

// The controls that give the filter panel's rows their dark look: round add, remove and
// ellipsis buttons drawn as white symbols, capsule-shaped pop-ups with a white down-pointing
// triangle that light up under the pointer, and square translucent value fields.
//
// Geometry is in widget coordinates (y down) and computed by the static functions, so tables
// can check it.
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCTextFieldCell.h"

// A round row button. Its symbol comes from its title ("+", "-", "⋯") or its image name
// ("NSAddMini", "NSRemoveMini", "NSEllipsesMini"); any other title is drawn centred, one pixel
// up, in the default text colour.
class MCPredicateCircleButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCPredicateCircleButtonCell(const QString &title = QString(), QWidget *parent = nullptr);

    // The platform image the button stands for, when it has no title of its own.
    QString imageName() const { return m_imageName; }
    void setImageName(const QString &name);

    // Disabled white 0.53 / 0.59; pressed and mouse over theme 0.35 / 0.5; default 0.25 / 0.4.
    static MCFillStroke bezelColors(MCControlState state);
    // The oval: the frame inset by 1.5.
    static QRectF bezelRect(const QRectF &frame);

    enum class Symbol { Plus, Minus, Ellipsis, Title };
    static Symbol symbolFor(const QString &title, const QString &imageName);
    // The symbol's strokes (2 pixels wide; the ellipsis dashed 2 on, 2 off) for `frame`.
    static QList<QLineF> symbolLines(Symbol symbol, const QRectF &frame);
    // Where a title of `titleSize` is drawn: centred, truncated to whole pixels, 1 pixel up.
    static QPointF titleOrigin(const QRectF &frame, const QSizeF &titleSize);

    QSize sizeHint() const override { return {17, 17}; }

protected:
    void setupControl();
    QPainterPath bezelShape(const QRectF &frame) const override;
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    void drawImage(QPainter &, const QRectF &) override {}
    void drawTitle(QPainter &painter, const QRectF &frame) override;

private:
    QString m_imageName;
};

// A row pop-up: a capsule with a white down-pointing triangle at its right end, lighting up
// under the pointer while its window is active; white title.
class MCPredicatePopupCell : public MCBasePopupCell
{
    Q_OBJECT
public:
    explicit MCPredicatePopupCell(QWidget *parent = nullptr);

    // The capsule's rectangle: the frame inset by 0.5 and 1, moved up by 0.5.
    static QRectF bezelRect(const QRectF &frame);
    static double bezelRadius(const QRectF &frame);
    static QPolygonF triangle(const QRectF &frame);
    struct Colors {
        MCFillStroke body;
        QColor triangle;
    };
    static Colors colors(MCControlState state);

    QSize sizeHint() const override;

protected:
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    void drawTitle(QPainter &painter, const QRectF &frame) override;
    QPainterPath focusShape(const QRectF &frame) const override;
};

// A row value field: the dark field's colours on a square-cornered rectangle.
class MCPredicateTextFieldCell : public MCDarkTextFieldCell
{
    Q_OBJECT
public:
    explicit MCPredicateTextFieldCell(QWidget *parent = nullptr);

protected:
    double bezelRadius() const override { return 0.0; }
};
