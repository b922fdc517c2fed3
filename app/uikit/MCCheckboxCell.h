#pragma once

// Themed check boxes and radio buttons: the box or circle in theme colours that follow the
// pointer, a white check mark or ring, and a white title two pixels further right than the
// platform puts it. Radio buttons that share a parent form a group (arrow keys move within it);
// each button lights up on its own, so in a grid of radio buttons only the one under the
// pointer shows the hover look, and only while its window is active.
#include "app/uikit/MCControlSupport.h"

#include <QCheckBox>
#include <QRadioButton>

// The box (or circle) colours of a look.
MCFillStroke MCDarkCheckboxColors(MCControlState state);
// Where the box or circle goes: a square of 16 (regular), 14 (small) or 12 (mini) pixels at the
// left edge, centred vertically.
QRectF MCCheckboxImageFrame(const QRectF &bounds, MCControlSize size);
// The box or outer circle inside the image frame: inset by 1.5 (regular) or 2.5 (other sizes).
QRectF MCCheckboxShapeRect(const QRectF &imageFrame, MCControlSize size);

class MCDarkCheckboxCell : public QCheckBox
{
    Q_OBJECT
public:
    explicit MCDarkCheckboxCell(const QString &title = QString(), QWidget *parent = nullptr);

    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);
    QColor alternateTextColor() const { return m_alternateTextColor; }
    void setAlternateTextColor(const QColor &color);

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);
    MCControlState controlState() const;

    // The check mark for the image frame: a white tick, thinner in the small sizes.
    static QPainterPath checkMark(const QRectF &imageFrame, MCControlSize size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QColor m_textColor;
    QColor m_alternateTextColor;
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
};

class MCDarkRadioButtonCell : public QRadioButton
{
    Q_OBJECT
public:
    explicit MCDarkRadioButtonCell(const QString &title = QString(), QWidget *parent = nullptr);

    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);
    QColor alternateTextColor() const { return m_alternateTextColor; }
    void setAlternateTextColor(const QColor &color);

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);
    MCControlState controlState() const;

    // The ring of a selected button: the outer circle inset by 4 more on each side.
    static QRectF ringRect(const QRectF &shapeRect) { return shapeRect.adjusted(4, 4, -4, -4); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QColor m_textColor;
    QColor m_alternateTextColor;
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
};
