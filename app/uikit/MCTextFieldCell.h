#pragma once

// Themed text-like controls of the dark interface: a text field with a rounded translucent
// bezel, the same with a drop-down arrow that opens the field's menu, a label that centres its
// line vertically, a white tool-bar label with a dark edge, a date field with the same bezel
// and a colour well. Fields take keyboard focus (Tab) and show a focus ring; the labels are
// named by their text.
#include "app/uikit/MCControlSupport.h"

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

class QColorDialog;
#include <QMenu>

// The rounded bezel of a dark text field in `frame`: inset by 0.5 left and right and 1 at the
// top, level with the bottom edge.
QRectF MCDarkTextFieldBezelRect(const QRectF &frame);
// The bezel colours: a dark fill (theme 0.0 / 0.2) while editing or enabled, a light one
// (theme 1.0 / 0.2) when disabled and not editing; the outline theme 1.0 / 0.3.
MCFillStroke MCDarkTextFieldBezelColors(bool enabled, bool editing);

class MCDarkTextFieldCell : public QLineEdit
{
    Q_OBJECT
public:
    explicit MCDarkTextFieldCell(QWidget *parent = nullptr);
    explicit MCDarkTextFieldCell(const QString &text, QWidget *parent = nullptr);

    // Whether the field is being edited (it has the keyboard focus).
    bool isEditing() const { return hasFocus(); }
    bool isBezeled() const { return m_bezeled; }
    void setBezeled(bool bezeled);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    virtual void drawBezel(QPainter &painter, const QRectF &frame);
    virtual double bezelRadius() const { return 3.0; }
    // The rectangle the focus ring follows: one pixel shorter at the top.
    QRectF focusRingRect(const QRectF &frame) const { return frame.adjusted(0, 1, 0, 0); }

private:
    void applyTheme();

    bool m_bezeled = true;
};

// A dark text field with an arrow strip 14 pixels wide at the right that opens the field's
// menu (also Alt+Down). Text is laid out, edited and given the I-beam only left of the strip.
class MCDarkTextFieldWithMenuCell : public MCDarkTextFieldCell
{
    Q_OBJECT
public:
    explicit MCDarkTextFieldWithMenuCell(QWidget *parent = nullptr);

    static QRectF textFieldRectFromRect(const QRectF &rect) { return rect.adjusted(0, 0, -14, 0); }
    static QRectF arrowRectFromRect(const QRectF &rect)
    {
        return QRectF(rect.x() + rect.width() - 14.0, rect.y(), 14.0, rect.height());
    }
    // The arrow: a small triangle pointing down at the strip's left.
    static QPolygonF arrow(const QRectF &arrowRect);

    QMenu *menu() const { return m_menu; }
    void setMenu(QMenu *menu) { m_menu = menu; } // not owned
    // Clears the selection and shows the menu under the field.
    void showMenu();

protected:
    double bezelRadius() const override { return 7.0; }
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QMenu> m_menu;
};

// A label whose single line is centred vertically, truncated towards zero.
class MCVerticalCenteredTextFieldCell : public QLabel
{
    Q_OBJECT
public:
    explicit MCVerticalCenteredTextFieldCell(const QString &text = QString(), QWidget *parent = nullptr);
    static QRectF drawingRectForBounds(const QRectF &bounds, double cellHeight);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A tool-bar label: white text over a copy in black at 0.5 one pixel higher. A label without
// text (a null string) draws nothing.
class MCToolbarTextLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MCToolbarTextLabel(const QString &text = QString(), QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A date field with the dark bezel (radius 3); the arrow keys step the part under the cursor.
class MCDarkDatePickerCell : public QDateTimeEdit
{
    Q_OBJECT
public:
    explicit MCDarkDatePickerCell(QWidget *parent = nullptr);
    static MCFillStroke bezelColors(bool enabled);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyTheme();
};

// A colour well: the colour framed by a band and an edge in theme colours. A click opens the
// colour panel, and the well is active while it is open.
class MCDarkColorWell : public QAbstractButton
{
    Q_OBJECT
    // Bindable: a colour set here (by the panel or by a binding) is announced like a pick.
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
public:
    explicit MCDarkColorWell(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool isActive() const { return m_active; }
    void setActive(bool active);
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    // Band and edge brightness: disabled 0.53 / 0.59, active 0.37 / 0.43, pointer inside
    // 0.53 / 0.59, otherwise 0.43 / 0.49.
    static MCFillStroke wellColors(bool enabled, bool active, bool mouseOver);
    QSize sizeHint() const override { return {44, 24}; }

signals:
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openPanel();

    QColor m_color = Qt::white;
    bool m_active = false;
    MCMouseOverTracking *m_tracking;
    QPointer<QColorDialog> m_panel;
};
