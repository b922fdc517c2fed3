#pragma once

// What the themed controls share: the choice of their look from their state, their control
// sizes and fonts, the mouse-over tracking that lights a control up while the pointer is over
// it, and the keyboard focus ring.
//
// Geometry in these controls is in widget coordinates (y down). The controls' own drawing is
// expressed in the same coordinates as their AppKit counterparts' flipped control views, so
// "top" and "bottom" read the same; the background views, which are unflipped in AppKit, are
// converted where they draw.
#include <QColor>
#include <QFont>
#include <QObject>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <optional>

class QPainter;
class QWidget;

// The look of a control, chosen in this order: not enabled, pressed, pointer over it, default.
enum class MCControlState : int { Disabled = 0, Pressed = 1, MouseOver = 2, Default = 3 };
MCControlState MCControlStateFor(bool enabled, bool pressed, bool mouseOver);
const char *MCControlStateName(MCControlState state); // "disabled", "pressed", "mouseover", "default"

// The platform's control sizes.
enum class MCControlSize : int { Regular = 0, Small = 1, Mini = 2 };
// The system font of a control size (13, 11 and 9 pixels).
QFont MCControlFont(MCControlSize size);

// A fill and a stroke colour; an invalid colour means "none".
struct MCFillStroke {
    QColor fill;
    QColor stroke;
};

// A hard text shadow (no blur) offset in widget coordinates.
struct MCTextShadow {
    QColor color;
    QPointF offset;
};

// Fills and then strokes (1 pixel) a path, leaving out an invalid colour.
void MCFillAndStroke(QPainter &painter, const QPainterPath &path, const MCFillStroke &colors, qreal lineWidth = 1.0);
// Draws `text` in `rect` with `flags`, first its shadow when there is one, then the text.
void MCDrawShadowedText(QPainter &painter, const QRectF &rect, int flags, const QString &text, const QColor &color,
                        const std::optional<MCTextShadow> &shadow);
// The keyboard focus ring around `shape`: two pixels of the theme's selection blue.
void MCDrawFocusRing(QPainter &painter, const QPainterPath &shape);

// Mouse-over tracking of one control: while switched on, the control is "mouse over" when the
// pointer is inside its tracking rectangle (the whole widget) and repaints when that changes.
// The pointer already inside when tracking starts counts at once. isMouseOver() answers true
// only while the control's window is the active window, so an inactive window never shows the
// hover look.
class MCMouseOverTracking : public QObject
{
public:
    explicit MCMouseOverTracking(QWidget *control);

    bool showsMouseOverState() const { return m_shows; }
    void setShowsMouseOverState(bool shows);
    bool isMouseOver() const;

    // Galleries and tests that show the hover look without a window manager: every control
    // then counts its window as active.
    static void setAssumesActiveWindow(bool assumes);
    static bool assumesActiveWindow();
    // Whether `control`'s window counts as the active (key) window: it is, or galleries and
    // tests assume it.
    static bool isWindowActive(const QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setMouseOver(bool over);

    QWidget *m_control;
    bool m_shows = false;
    bool m_over = false;
};
