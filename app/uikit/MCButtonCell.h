#pragma once

// The themed push buttons of the dark interface.
//
// MCBaseButtonCell keeps a text colour and a text shadow for each of the four looks (default,
// disabled, pressed, mouse over), draws its title in those of the current look and a bezel per
// look, and can light up while the pointer is over it (only in the active window). Its
// subclasses are the actual looks: the dark rounded button, the blue rounded (default) button,
// the white-text button without bezel, the disclosure triangle and the round action button
// (also as a check box that shows its image only while on). MCToolbarButtonCell is the simpler
// tool-bar button; MCBaseButton a button with white shadowed titles; MCTrackButton tells a
// delegate when a press starts and ends.
//
// All are buttons (QAbstractButton): Tab reaches them, Space presses them, and their title (or,
// for the buttons without one, the accessible name set by the screen) names them.
#include "app/uikit/MCControlSupport.h"

#include <QAbstractButton>
#include <QImage>
#include <QPointer>

#include <optional>

class MCBaseButtonCell : public QAbstractButton
{
    Q_OBJECT
public:
    explicit MCBaseButtonCell(const QString &title = QString(), QWidget *parent = nullptr);

    // Invalid: no colour (the title is drawn in black). No shadow: none drawn.
    QColor defaultTextColor() const { return m_textColors[3]; }
    QColor disabledTextColor() const { return m_textColors[0]; }
    QColor mouseDownTextColor() const { return m_textColors[1]; }
    QColor mouseOverTextColor() const { return m_textColors[2]; }
    void setDefaultTextColor(const QColor &color) { setTextColor(MCControlState::Default, color); }
    void setDisabledTextColor(const QColor &color) { setTextColor(MCControlState::Disabled, color); }
    void setMouseDownTextColor(const QColor &color) { setTextColor(MCControlState::Pressed, color); }
    void setMouseOverTextColor(const QColor &color) { setTextColor(MCControlState::MouseOver, color); }
    std::optional<MCTextShadow> defaultTextShadow() const { return m_textShadows[3]; }
    std::optional<MCTextShadow> disabledTextShadow() const { return m_textShadows[0]; }
    std::optional<MCTextShadow> mouseDownTextShadow() const { return m_textShadows[1]; }
    std::optional<MCTextShadow> mouseOverTextShadow() const { return m_textShadows[2]; }
    void setDefaultTextShadow(const std::optional<MCTextShadow> &shadow) { setTextShadow(MCControlState::Default, shadow); }
    void setDisabledTextShadow(const std::optional<MCTextShadow> &shadow) { setTextShadow(MCControlState::Disabled, shadow); }
    void setMouseDownTextShadow(const std::optional<MCTextShadow> &shadow) { setTextShadow(MCControlState::Pressed, shadow); }
    void setMouseOverTextShadow(const std::optional<MCTextShadow> &shadow) { setTextShadow(MCControlState::MouseOver, shadow); }

    QColor textColor(MCControlState state) const { return m_textColors[int(state)]; }
    void setTextColor(MCControlState state, const QColor &color);
    std::optional<MCTextShadow> textShadow(MCControlState state) const { return m_textShadows[int(state)]; }
    void setTextShadow(MCControlState state, const std::optional<MCTextShadow> &shadow);

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }

    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);

    // The current look: disabled, pressed, mouse over, default, first that holds.
    MCControlState controlState() const;
    // Whether the button shows its on state (a checked toggle).
    bool isOn() const { return isCheckable() && isChecked(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // The look's bezel image, stretched into the frame; the base has none (a subclass that
    // draws from images supplies them).
    virtual QImage bezelImage(MCControlState state) const;
    // The bezel's outline, for the focus ring.
    virtual QPainterPath bezelShape(const QRectF &frame) const;
    virtual void drawBezel(QPainter &painter, const QRectF &frame);
    virtual void drawImage(QPainter &painter, const QRectF &frame);
    virtual void drawTitle(QPainter &painter, const QRectF &frame);
    void paintEvent(QPaintEvent *event) override;

    // The base look: white titles with a dark shadow, no mouse-over. Each subclass's set-up
    // replaces it wholly.
    void setupBaseControl();
    void clearTextAttributes();

private:
    QColor m_textColors[4];
    std::optional<MCTextShadow> m_textShadows[4];
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
};

// The dark rounded button (radius 3): a toggle in its on state rests lighter.
class MCDarkButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCDarkButtonCell(const QString &title = QString(), QWidget *parent = nullptr);
    static MCFillStroke bezelColors(MCControlState state, bool on);

protected:
    QPainterPath bezelShape(const QRectF &frame) const override;
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    void drawTitle(QPainter &painter, const QRectF &frame) override;
    void setupDarkControl();
};

// The blue rounded button of the default action.
class MCBlueButtonCell : public MCDarkButtonCell
{
    Q_OBJECT
public:
    explicit MCBlueButtonCell(const QString &title = QString(), QWidget *parent = nullptr);
    static MCFillStroke bezelColors(MCControlState state);

protected:
    void drawBezel(QPainter &painter, const QRectF &frame) override;
};

// A title in white with a dark shadow and no bezel.
class MCWhiteTextButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCWhiteTextButtonCell(const QString &title = QString(), QWidget *parent = nullptr);
};

// A disclosure triangle: pointing down while on (expanded), right otherwise. Checkable.
class MCDarkDisclosureButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCDarkDisclosureButtonCell(QWidget *parent = nullptr);
    static QColor triangleColor(MCControlState state);
    // The triangle's three corners in `frame`.
    static QPolygonF triangle(const QRectF &frame, bool expanded);
    QSize sizeHint() const override { return {13, 13}; }

protected:
    void drawBezel(QPainter &painter, const QRectF &frame) override;
    QPainterPath bezelShape(const QRectF &frame) const override;
};

// A round button with an image (the icon) in the middle.
class MCActionCircleButtonCell : public MCBaseButtonCell
{
    Q_OBJECT
public:
    explicit MCActionCircleButtonCell(QWidget *parent = nullptr);
    static MCFillStroke bezelColors(MCControlState state);
    QSize sizeHint() const override { return {24, 24}; }

protected:
    QPainterPath bezelShape(const QRectF &frame) const override;
    void drawBezel(QPainter &painter, const QRectF &frame) override;
};

// The round button as a check box: its image shows only while it is on.
class MCActionCircleCheckboxCell : public MCActionCircleButtonCell
{
    Q_OBJECT
public:
    explicit MCActionCircleCheckboxCell(QWidget *parent = nullptr);

protected:
    void drawImage(QPainter &painter, const QRectF &frame) override;
};

// A tool-bar button: its image and a title in white (0.6 alpha when disabled); a checked toggle
// sits in a faint rounded box.
class MCToolbarButtonCell : public QAbstractButton
{
    Q_OBJECT
public:
    explicit MCToolbarButtonCell(const QString &title = QString(), QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A button whose titles are always white with a dark shadow, in its font and alignment, on the
// dark rounded bezel.
class MCBaseButton : public MCDarkButtonCell
{
    Q_OBJECT
public:
    explicit MCBaseButton(const QString &title = QString(), QWidget *parent = nullptr);
    // The title shown while the button is on (a toggle); empty: the title.
    QString alternateTitle() const { return m_alternateTitle; }
    void setAlternateTitle(const QString &title);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

protected:
    void drawTitle(QPainter &painter, const QRectF &frame) override;

private:
    QString m_alternateTitle;
    Qt::Alignment m_alignment = Qt::AlignCenter;
};

class MCTrackButton;

// Hears when a press of a track button starts and ends. Both are optional.
class MCTrackButtonDelegate
{
public:
    virtual ~MCTrackButtonDelegate() = default;
    virtual void buttonWillStartTracking(MCTrackButton *) {}
    virtual void buttonDidFinishTracking(MCTrackButton *) {}
};

// A button that reports the whole press: the delegate hears the start when the mouse button
// (or Space) goes down and the end when it comes up or the press is cancelled.
class MCTrackButton : public MCBaseButton
{
    Q_OBJECT
public:
    explicit MCTrackButton(const QString &title = QString(), QWidget *parent = nullptr);

    MCTrackButtonDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCTrackButtonDelegate *delegate) { m_delegate = delegate; } // not owned
    bool isTracking() const { return m_tracking; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void startTracking();
    void finishTracking();

    MCTrackButtonDelegate *m_delegate = nullptr;
    bool m_tracking = false;
};
