#pragma once

// Themed check boxes and radio buttons: the box or circle in theme colours that follow the
// pointer, a white check mark or ring, and a white title two pixels further right than the
// platform puts it. Radio buttons that share a parent form a group (arrow keys move within it);
// each button lights up on its own, so in a grid of radio buttons only the one under the
// pointer shows the hover look, and only while its window is active.
#include "app/uikit/MCColorQuillon.h"
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

// The size a check box or radio button asks for: the image, and the title four pixels past it.
QSize MCChoiceButtonSizeHint(const QWidget &button, MCControlSize size, const QString &title);

// What the themed check box and radio button share: the title colours, the hover look that
// follows the pointer, the control size with its font, and a hit area of the whole control.
template <typename Button>
class MCDarkChoiceButton : public Button
{
public:
    explicit MCDarkChoiceButton(const QString &title, QWidget *parent)
        : Button(title, parent)
        , m_tracking(new MCMouseOverTracking(this))
    {
        m_tracking->setShowsMouseOverState(true);
        this->setFocusPolicy(Qt::TabFocus);
        this->setFont(MCControlFont(m_controlSize));
        MCAppearanceObserver::sharedObserver();
    }

    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color)
    {
        m_textColor = color;
        this->update();
    }
    QColor alternateTextColor() const { return m_alternateTextColor; }
    void setAlternateTextColor(const QColor &color)
    {
        m_alternateTextColor = color;
        this->update();
    }

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size)
    {
        m_controlSize = size;
        this->setFont(MCControlFont(size));
        this->updateGeometry();
        this->update();
    }
    MCControlState controlState() const { return MCControlStateFor(this->isEnabled(), this->isDown(), isMouseOver()); }

    QSize sizeHint() const override { return MCChoiceButtonSizeHint(*this, m_controlSize, this->text()); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool hitButton(const QPoint &pos) const override { return this->rect().contains(pos); }

    QColor m_textColor = Qt::white;
    QColor m_alternateTextColor = Qt::white;
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
};

class MCDarkCheckboxCell : public MCDarkChoiceButton<QCheckBox>
{
    Q_OBJECT
public:
    explicit MCDarkCheckboxCell(const QString &title = QString(), QWidget *parent = nullptr)
        : MCDarkChoiceButton(title, parent)
    {
    }

    // The check mark for the image frame: a white tick, thinner in the small sizes.
    static QPainterPath checkMark(const QRectF &imageFrame, MCControlSize size);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class MCDarkRadioButtonCell : public MCDarkChoiceButton<QRadioButton>
{
    Q_OBJECT
public:
    explicit MCDarkRadioButtonCell(const QString &title = QString(), QWidget *parent = nullptr)
        : MCDarkChoiceButton(title, parent)
    {
    }

    // The ring of a selected button: the outer circle inset by 4 more on each side.
    static QRectF ringRect(const QRectF &shapeRect) { return shapeRect.adjusted(4, 4, -4, -4); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
