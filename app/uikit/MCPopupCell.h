#pragma once

// Themed pop-up and pull-down buttons: a rounded bezel in theme colours that follow the pointer,
// their own arrows and a white title. Small controls get a compact pill with filled arrows;
// regular and mini ones a rounded rectangle with a divider before stroked chevrons. A pull-down
// button always shows its first item as its title and offers the others in a menu.
// MCDarkPopupCell only softens the text; MCDarkAddPopupCell is a square plus-sign button that
// opens a menu and shows no title.
//
// They are combo boxes: Tab reaches them, Space or the arrow keys open the list, and the
// current title names them (the add button is named "Add" unless the screen names it).
#include "app/uikit/MCControlSupport.h"

#include <QComboBox>

class QMenu;

// The bezel of the pop-up, its arrows and its title, for a frame in widget coordinates.
struct MCPopupGeometry {
    QRectF bezel;   // the rounded rectangle
    double radius;  // its corner radius
    QLineF divider; // regular and mini only (null for small)
    QList<QPolygonF> arrows;
};
MCPopupGeometry MCPopupGeometryForFrame(const QRectF &frame, MCControlSize size, bool pullsDown);
// The title's rectangle: the platform's text inset, ending 22 pixels (30 for regular controls)
// before the right edge when the button shows an arrow.
QRectF MCPopupTitleRect(const QRectF &bounds, MCControlSize size, bool showsArrow);

class MCBasePopupCell : public QComboBox
{
    Q_OBJECT
public:
    explicit MCBasePopupCell(QWidget *parent = nullptr);

    QColor defaultTextColor() const { return m_defaultTextColor; }
    void setDefaultTextColor(const QColor &color);
    QColor disabledTextColor() const { return m_disabledTextColor; }
    void setDisabledTextColor(const QColor &color);

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);

    // A pull-down button: the first item is the fixed title, the others are commands; choosing
    // one emits activated() with its index and leaves the title as it is.
    bool pullsDown() const { return m_pullsDown; }
    void setPullsDown(bool pullsDown);

    // Pressed while the mouse button is down on it or its list is open.
    bool isHighlighted() const { return m_pressed || m_popupOpen; }
    // Shows the pressed look (as while the mouse button is held on it).
    void setHighlighted(bool highlighted);
    MCControlState controlState() const;
    static MCFillStroke bezelColors(MCControlState state);

    // The title shown: the current item, or the first item of a pull-down button.
    QString title() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    virtual void drawBezel(QPainter &painter, const QRectF &frame);
    virtual void drawTitle(QPainter &painter, const QRectF &frame);
    virtual QPainterPath focusShape(const QRectF &frame) const;
    void setupPopupControl(const QColor &textColor, const QColor &disabledTextColor);

private:
    void styleList();

    QColor m_defaultTextColor;
    QColor m_disabledTextColor;
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
    bool m_pullsDown = false;
    bool m_pressed = false;
    bool m_popupOpen = false;
    QMenu *m_menu = nullptr;
};

class MCDarkPopupCell : public MCBasePopupCell
{
    Q_OBJECT
public:
    explicit MCDarkPopupCell(QWidget *parent = nullptr);
};

class MCDarkAddPopupCell : public MCDarkPopupCell
{
    Q_OBJECT
public:
    explicit MCDarkAddPopupCell(QWidget *parent = nullptr);
    // Fill and stroke of the square (either may be invalid: none).
    static MCFillStroke addBezelColors(MCControlState state);
    QSize sizeHint() const override { return {22, 22}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    void drawTitle(QPainter &painter, const QRectF &frame) override;
    QPainterPath focusShape(const QRectF &frame) const override;
};
