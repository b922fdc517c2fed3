#pragma once

// The parts of the tips palette's dark look: its buttons and its three gradient panels.
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCButtonCell.h"

// The palette's Previous and Next buttons: white titles with a dark shadow (black at 0.6 with a
// light shadow above when disabled), a rounded themed bezel that lights up under the pointer.
class MCTipsButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCTipsButtonCell(const QString &title = QString(), QWidget *parent = nullptr);
    // The bezel's fill and stroke for a look.
    static MCFillStroke bezelColors(MCControlState state);

protected:
    QPainterPath bezelShape(const QRectF &frame) const override;
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    void drawTitle(QPainter &painter, const QRectF &frame) override;

private:
    void setupControl();
};

// The hairlines of the palette's panels, y down: the top panel ends in a dark line above a faint
// light one on its bottom edge; the bottom panel starts with a dark line over a faint light one.
#define MC_TIPS_VIEW(Name)                                                                                           \
    class Name : public MCGradientView                                                                              \
    {                                                                                                              \
    public:                                                                                                        \
        using MCGradientView::MCGradientView;                                                                      \
        double angle() const override;                                                                            \
        QList<QColor> colors() const override;                                                                     \
        static QList<MCBorderLine> borders();                                                                      \
                                                                                                                   \
    protected:                                                                                                     \
        void drawBorders(QPainter &painter) override;                                                             \
    };

// The picture's panel: theme colour 0.25.
MC_TIPS_VIEW(MCTipsTopView)
// The text's panel: theme colour 0.3, no lines.
MC_TIPS_VIEW(MCTipsRightView)
// The buttons' panel: theme colour 0.25.
MC_TIPS_VIEW(MCTipsBottomView)
#undef MC_TIPS_VIEW
