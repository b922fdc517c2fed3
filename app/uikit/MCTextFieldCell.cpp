#include "app/uikit/MCTextFieldCell.h"

#include "app/uikit/MCColorQuillon.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

QRectF MCDarkTextFieldBezelRect(const QRectF &frame)
{
    return frame.adjusted(0.5, 1.0, -0.5, -1.0).translated(0, 0.5);
}

MCFillStroke MCDarkTextFieldBezelColors(bool enabled, bool editing)
{
    const QColor fill = editing || enabled ? colorWithBrightness(0.0, 0.2) : colorWithBrightness(1.0, 0.2);
    return {fill, colorWithBrightness(1.0, 0.3)};
}

namespace {

// Text in white on a transparent base, selections in the theme's light colour.
void applyFieldPalette(QWidget *field)
{
    QPalette palette = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Text, Qt::white);
        palette.setColor(group, QPalette::Highlight, colorWithBrightness(0.8, 1.0));
        palette.setColor(group, QPalette::HighlightedText, colorWithBrightness(0.2, 1.0));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text, colorWithWhite(1.0, 0.5));
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Window, Qt::transparent);
    palette.setColor(QPalette::PlaceholderText, colorWithWhite(1.0, 0.35));
    field->setPalette(palette);
}

} // namespace

MCDarkTextFieldCell::MCDarkTextFieldCell(QWidget *parent)
    : MCDarkTextFieldCell(QString(), parent)
{
}

MCDarkTextFieldCell::MCDarkTextFieldCell(const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
{
    setFrame(false);
    setFont(MCControlFont(MCControlSize::Regular));
    setTextMargins(4, 1, 4, 0);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    applyTheme();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCDarkTextFieldCell::applyTheme);
}

void MCDarkTextFieldCell::applyTheme()
{
    applyFieldPalette(this);
}

void MCDarkTextFieldCell::setBezeled(bool bezeled)
{
    m_bezeled = bezeled;
    update();
}

QSize MCDarkTextFieldCell::sizeHint() const
{
    return {QLineEdit::sizeHint().width(), qMax(22, fontMetrics().height() + 8)};
}

void MCDarkTextFieldCell::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void MCDarkTextFieldCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    QPainterPath bezel;
    const double radius = bezelRadius();
    bezel.addRoundedRect(MCDarkTextFieldBezelRect(frame), radius, radius);
    MCFillAndStroke(painter, bezel, MCDarkTextFieldBezelColors(isEnabled(), isEditing()));
}

void MCDarkTextFieldCell::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        if (m_bezeled)
            drawBezel(painter, rect());
    }
    QLineEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        QPainterPath ring;
        const double radius = bezelRadius();
        ring.addRoundedRect(focusRingRect(rect()).adjusted(1, 0.5, -1, -1), radius, radius);
        MCDrawFocusRing(painter, ring);
    }
}

// Field with menu ------------------------------------------------------------------------

MCDarkTextFieldWithMenuCell::MCDarkTextFieldWithMenuCell(QWidget *parent)
    : MCDarkTextFieldCell(parent)
{
    setTextMargins(6, 1, 14 + 2, 0);
    setMouseTracking(true);
}

QPolygonF MCDarkTextFieldWithMenuCell::arrow(const QRectF &a)
{
    const double midY = a.y() + a.height() * 0.5;
    return QPolygonF({QPointF(a.x() + 1.0, midY - 1.5), QPointF(a.x() + 4.0, midY + 3.5), QPointF(a.x() + 7.0, midY - 1.5)});
}

void MCDarkTextFieldWithMenuCell::paintEvent(QPaintEvent *event)
{
    MCDarkTextFieldCell::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorWithWhite(isEnabled() ? 1.0 : 0.75));
    painter.drawPolygon(arrow(arrowRectFromRect(rect())));
}

void MCDarkTextFieldWithMenuCell::showMenu()
{
    deselect();
    if (m_menu)
        m_menu->popup(mapToGlobal(QPoint(0, height())));
}

void MCDarkTextFieldWithMenuCell::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && arrowRectFromRect(rect()).contains(event->position())) {
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        showMenu();
        event->accept();
        return;
    }
    MCDarkTextFieldCell::mousePressEvent(event);
}

void MCDarkTextFieldWithMenuCell::mouseMoveEvent(QMouseEvent *event)
{
    // The I-beam only over the text; the arrow strip keeps the arrow pointer.
    setCursor(arrowRectFromRect(rect()).contains(event->position()) ? Qt::ArrowCursor : Qt::IBeamCursor);
    MCDarkTextFieldCell::mouseMoveEvent(event);
}

void MCDarkTextFieldWithMenuCell::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        showMenu();
        return;
    }
    MCDarkTextFieldCell::keyPressEvent(event);
}

// Vertically centred label ------------------------------------------------------------------

MCVerticalCenteredTextFieldCell::MCVerticalCenteredTextFieldCell(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

QRectF MCVerticalCenteredTextFieldCell::drawingRectForBounds(const QRectF &bounds, double cellHeight)
{
    return QRectF(bounds.x(), std::trunc(bounds.y() + bounds.height() * 0.5 - cellHeight * 0.5), bounds.width(),
                  cellHeight);
}

void MCVerticalCenteredTextFieldCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF rect = drawingRectForBounds(contentsRect(), fontMetrics().height());
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const int horizontal = int(alignment() & Qt::AlignHorizontal_Mask);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, int(rect.width()));
    painter.drawText(rect, horizontal | Qt::AlignTop | Qt::TextSingleLine, shown);
}

// Tool-bar label ------------------------------------------------------------------------------

MCToolbarTextLabel::MCToolbarTextLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

void MCToolbarTextLabel::paintEvent(QPaintEvent *)
{
    if (text().isNull())
        return;
    QPainter painter(this);
    painter.setFont(font());
    const int horizontal = int(alignment() & Qt::AlignHorizontal_Mask);
    const int flags = horizontal | Qt::AlignTop | Qt::TextSingleLine;
    // The line centred, and its dark copy one pixel higher.
    const double top = std::floor((height() - fontMetrics().height()) / 2.0);
    const QRectF white(0, top, width(), height() - top);
    painter.setPen(colorWithWhite(0.0, 0.5));
    painter.drawText(white.translated(0, -1), flags, text());
    painter.setPen(Qt::white);
    painter.drawText(white, flags, text());
}

// Date field --------------------------------------------------------------------------------

MCDarkDatePickerCell::MCDarkDatePickerCell(QWidget *parent)
    : QDateTimeEdit(parent)
{
    setFrame(false);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setFont(MCControlFont(MCControlSize::Regular));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    // The text two pixels in from the platform's place, clear of the bezel's rounded ends.
    lineEdit()->setTextMargins(4, 1, 4, 0);
    applyTheme();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCDarkDatePickerCell::applyTheme);
}

void MCDarkDatePickerCell::applyTheme()
{
    applyFieldPalette(this);
    applyFieldPalette(lineEdit());
}

MCFillStroke MCDarkDatePickerCell::bezelColors(bool enabled)
{
    return {enabled ? colorWithBrightness(0.0, 0.2) : colorWithBrightness(1.0, 0.2), colorWithBrightness(1.0, 0.3)};
}

QSize MCDarkDatePickerCell::sizeHint() const
{
    const QSize size = QDateTimeEdit::sizeHint();
    return {size.width() + 4 + 8, qMax(22, size.height())};
}

void MCDarkDatePickerCell::changeEvent(QEvent *event)
{
    QDateTimeEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void MCDarkDatePickerCell::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        QPainterPath bezel;
        bezel.addRoundedRect(MCDarkTextFieldBezelRect(rect()), 3.0, 3.0);
        MCFillAndStroke(painter, bezel, bezelColors(isEnabled()));
    }
    QDateTimeEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1.5, -1, -1), 3.0, 3.0);
        MCDrawFocusRing(painter, ring);
    }
}

// Colour well -------------------------------------------------------------------------------

MCDarkColorWell::MCDarkColorWell(QWidget *parent)
    : QAbstractButton(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    m_tracking->setShowsMouseOverState(true);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, &MCDarkColorWell::openPanel);
    MCAppearanceObserver::sharedObserver();
}

void MCDarkColorWell::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    emit colorChanged(color);
}

void MCDarkColorWell::setActive(bool active)
{
    m_active = active;
    update();
}

MCFillStroke MCDarkColorWell::wellColors(bool enabled, bool active, bool mouseOver)
{
    if (!enabled)
        return {colorWithBrightness(0.53), colorWithBrightness(0.59)};
    if (active)
        return {colorWithBrightness(0.37), colorWithBrightness(0.43)};
    if (mouseOver)
        return {colorWithBrightness(0.53), colorWithBrightness(0.59)};
    return {colorWithBrightness(0.43), colorWithBrightness(0.49)};
}

void MCDarkColorWell::openPanel()
{
    if (!m_panel) {
        m_panel = new QColorDialog(m_color, this);
        m_panel->setAttribute(Qt::WA_DeleteOnClose);
        m_panel->setOption(QColorDialog::NoButtons);
        connect(m_panel, &QColorDialog::currentColorChanged, this, &MCDarkColorWell::setColor);
        connect(m_panel, &QObject::destroyed, this, [this] { setActive(false); });
    }
    setActive(true);
    m_panel->show();
    m_panel->raise();
}

void MCDarkColorWell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const MCFillStroke colors = wellColors(isEnabled(), m_active, isMouseOver());
    const QRectF a = QRectF(rect()).adjusted(0, 1, 0, -1);
    painter.fillRect(QRectF(rect()).adjusted(0, 4, 0, -4), m_color);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colors.fill, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(a.adjusted(2.5, 2.5, -2.5, -2.5));
    painter.setPen(QPen(colors.stroke, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(a.adjusted(0.5, 0.5, -0.5, -0.5));
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRect(a.adjusted(1, 1, -1, -1));
        MCDrawFocusRing(painter, ring);
    }
}
