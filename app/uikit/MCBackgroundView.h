#pragma once

// Flat themed backgrounds for the strips and panes of the main window (title bar, tool bar,
// path bar, navigation bar, status bar, side bar, headers), gradient backgrounds, and the
// themed dividers between panes. They hold no content and draw only a fill and hairlines, and
// ask the theme for their colours on every paint.
#include <QColor>
#include <QFrame>
#include <QGradientStops>
#include <QLineF>
#include <QList>
#include <QSplitter>
#include <QWidget>

// A horizontal hairline of a background view: `fromTop` pixels below the top edge (or above the
// bottom edge) to the line's centre, across the whole width.
struct MCBorderLine {
    enum Edge { Top, Bottom };
    Edge edge;
    double distance; // 0.5 puts a one-pixel line on the outermost pixel row
    QColor color;
};

// The line of `border` in a view of `bounds` (y down), from the left edge to the right edge;
// a null line for empty bounds.
QLineF MCBorderLineInRect(const QRectF &bounds, const MCBorderLine &border);

class MCBackgroundView : public QWidget
{
    Q_OBJECT
public:
    explicit MCBackgroundView(QWidget *parent = nullptr);

    // The fill: black in the base.
    virtual QColor backgroundColor() const;
    // The hairlines: none in the base.
    virtual QList<MCBorderLine> borders() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    virtual void drawBackground(QPainter &painter, const QRegion &region);
    virtual void drawBorders(QPainter &painter);
};

#define MC_BACKGROUND_VIEW(Name)                                                                                     \
    class Name : public MCBackgroundView                                                                            \
    {                                                                                                              \
    public:                                                                                                        \
        using MCBackgroundView::MCBackgroundView;                                                                  \
        QColor backgroundColor() const override;                                                                   \
        QList<MCBorderLine> borders() const override;                                                              \
    };

// Side bar: sidebarBackgroundColor, no lines.
MC_BACKGROUND_VIEW(MCSidebarBackgroundView)
// Path bar: pathbarBackgroundColor, a dark separator on top.
MC_BACKGROUND_VIEW(MCPathbarBackgroundView)
// Tool bar: toolbarBackgroundColor, a light line (0.33) one pixel below the top and a dark one
// (0.07) on the top edge.
MC_BACKGROUND_VIEW(MCToolbarBackgroundView)
// Status bar: statusbarBackgroundColor, a dark separator at the bottom.
MC_BACKGROUND_VIEW(MCStatusbarBackgroundView)
// backgroundLightColor, no lines.
MC_BACKGROUND_VIEW(MCLightBackgroundView)
// Navigation bar: navbarBackgroundColor, a dark separator at the bottom.
MC_BACKGROUND_VIEW(MCNavigationBackgroundView)
// backgroundDarkColor, no lines.
MC_BACKGROUND_VIEW(MCDarkBackgroundView)
// Header of the actions list: theme colour 0.27, dark separators on top and bottom.
MC_BACKGROUND_VIEW(MCActionsHeaderView)
#undef MC_BACKGROUND_VIEW

// The title-bar strip: transparent (what lies behind shows), with a black line at the bottom.
class MCTitleBarBackgroundView : public MCBackgroundView
{
    Q_OBJECT
public:
    using MCBackgroundView::MCBackgroundView;
    QList<MCBorderLine> borders() const override;

protected:
    void drawBackground(QPainter &painter, const QRegion &region) override;
};

// The start and end points of a gradient drawn into `rect` at `angle` degrees (counter-
// clockwise from the positive x axis, as on screen: 90 runs from the bottom edge up), so that
// the first colour touches the rectangle's first corner along that direction and the last the
// opposite corner.
QLineF MCGradientLine(const QRectF &rect, double angle);

// A two-colour (or more) gradient background. Subclasses give the angle and the colours, which
// are rebuilt from the theme whenever "AperanceKind" changes.
class MCGradientView : public QWidget
{
    Q_OBJECT
public:
    explicit MCGradientView(QWidget *parent = nullptr);

    // 90: vertical, the first colour at the bottom.
    virtual double angle() const;
    // Grey to light grey in the base.
    virtual QList<QColor> colors() const;
    // The gradient as built from colors(): evenly spaced stops.
    QGradientStops gradientStops() const { return m_stops; }

    // Builds the gradient from colors() again; called when the theme changes. Subclasses that
    // compute colors() from other state call it when that state changes.
    void rebuildGradient();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    virtual void drawBackground(QPainter &painter);
    virtual void drawBorders(QPainter &painter);

private:
    QGradientStops m_stops;
    bool m_built = false;
};

// A split view whose divider is one pixel of darkSeparatorColor (the pointer still grabs it a
// few pixels either side).
class MCDarkSplitView : public QSplitter
{
    Q_OBJECT
public:
    explicit MCDarkSplitView(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);
    // The divider's colour.
    virtual QColor dividerColor() const;

protected:
    QSplitterHandle *createHandle() override;
};

// The same look through the platform's thin divider: a one-pixel divider of darkSeparatorColor.
class MCBlackSplitView : public MCDarkSplitView
{
    Q_OBJECT
public:
    using MCDarkSplitView::MCDarkSplitView;
};

// A one-pixel separator line in darkSeparatorColor: horizontal through the middle when the view
// is wider than high, otherwise vertical (a square view draws the vertical line).
class MCDarkSeparatorLine : public QFrame
{
    Q_OBJECT
public:
    explicit MCDarkSeparatorLine(QWidget *parent = nullptr);
    // The line for `bounds`, on the pixel row or column nearest the middle so it stays crisp.
    static QLineF lineForBounds(const QRectF &bounds);

protected:
    void paintEvent(QPaintEvent *event) override;
};
