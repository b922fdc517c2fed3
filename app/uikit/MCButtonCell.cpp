#include "app/uikit/MCButtonCell.h"

#include "app/uikit/MCColorQuillon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace MCColorQuillon;

namespace {

// Dark titles: white with a black shadow below; disabled black at 0.6 with a light shadow above.
MCTextShadow shadow(double white, double alpha, double dy)
{
    return {colorWithWhite(white, alpha), QPointF(0, dy)};
}

int buttonHeight(MCControlSize size)
{
    return size == MCControlSize::Regular ? 24 : size == MCControlSize::Small ? 20 : 16;
}

} // namespace

MCBaseButtonCell::MCBaseButtonCell(const QString &title, QWidget *parent)
    : QAbstractButton(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setFont(MCControlFont(m_controlSize));
    setupBaseControl();
    MCAppearanceObserver::sharedObserver();
}

void MCBaseButtonCell::setupBaseControl()
{
    const MCTextShadow dark = shadow(0.0, 0.75, 1);
    for (MCControlState state : {MCControlState::Default, MCControlState::Pressed, MCControlState::MouseOver}) {
        m_textColors[int(state)] = Qt::white;
        m_textShadows[int(state)] = dark;
    }
    m_textColors[int(MCControlState::Disabled)] = colorWithWhite(0.0, 0.6);
    m_textShadows[int(MCControlState::Disabled)] = shadow(1.0, 0.75, -1);
    m_tracking->setShowsMouseOverState(false);
}

void MCBaseButtonCell::clearTextAttributes()
{
    for (int i = 0; i < 4; ++i) {
        m_textColors[i] = QColor();
        m_textShadows[i].reset();
    }
}

void MCBaseButtonCell::setTextColor(MCControlState state, const QColor &color)
{
    m_textColors[int(state)] = color;
    update();
}

void MCBaseButtonCell::setTextShadow(MCControlState state, const std::optional<MCTextShadow> &shadow)
{
    m_textShadows[int(state)] = shadow;
    update();
}

void MCBaseButtonCell::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    setFont(MCControlFont(size));
    updateGeometry();
    update();
}

MCControlState MCBaseButtonCell::controlState() const
{
    return MCControlStateFor(isEnabled(), isDown(), isMouseOver());
}

QSize MCBaseButtonCell::sizeHint() const
{
    const int padding = m_controlSize == MCControlSize::Regular ? 28 : 20;
    int width = fontMetrics().horizontalAdvance(text()) + padding;
    if (!icon().isNull())
        width += iconSize().width() + (text().isEmpty() ? 0 : 4);
    return {qMax(width, buttonHeight(m_controlSize)), buttonHeight(m_controlSize)};
}

QImage MCBaseButtonCell::bezelImage(MCControlState) const
{
    return {};
}

QPainterPath MCBaseButtonCell::bezelShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addRoundedRect(frame.adjusted(1, 1, -1, -1), 3, 3);
    return path;
}

void MCBaseButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    const QImage image = bezelImage(controlState());
    if (!image.isNull())
        painter.drawImage(frame, image);
}

void MCBaseButtonCell::drawImage(QPainter &painter, const QRectF &frame)
{
    if (icon().isNull())
        return;
    const QSize size = iconSize();
    QRectF target(QPointF(), size);
    if (text().isEmpty()) {
        target.moveCenter(frame.center());
    } else {
        const double textWidth = fontMetrics().horizontalAdvance(text());
        const double left = frame.center().x() - (size.width() + 4 + textWidth) / 2;
        target.moveTopLeft(QPointF(left, frame.center().y() - size.height() / 2.0));
    }
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    icon().paint(&painter, target.toAlignedRect(), Qt::AlignCenter, mode, isOn() ? QIcon::On : QIcon::Off);
}

void MCBaseButtonCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    if (text().isEmpty())
        return;
    QRectF rect = frame;
    if (!icon().isNull()) {
        const double shift = (iconSize().width() + 4) / 2.0;
        rect.translate(shift, 0);
    }
    const MCControlState state = controlState();
    painter.setFont(font());
    MCDrawShadowedText(painter, rect, Qt::AlignCenter | Qt::TextSingleLine, text(), textColor(state), textShadow(state));
}

void MCBaseButtonCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = rect();
    drawBezel(painter, frame);
    drawImage(painter, frame);
    drawTitle(painter, frame);
    if (hasFocus())
        MCDrawFocusRing(painter, bezelShape(frame));
}

// Dark button ---------------------------------------------------------------------------------

MCDarkButtonCell::MCDarkButtonCell(const QString &title, QWidget *parent)
    : MCBaseButtonCell(title, parent)
{
    setupDarkControl();
}

void MCDarkButtonCell::setupDarkControl()
{
    const MCTextShadow dark = shadow(0.0, 0.5, 1);
    for (MCControlState state : {MCControlState::Default, MCControlState::Pressed, MCControlState::MouseOver}) {
        setTextColor(state, Qt::white);
        setTextShadow(state, dark);
    }
    setTextColor(MCControlState::Disabled, colorWithWhite(0.0, 0.6));
    setTextShadow(MCControlState::Disabled, shadow(1.0, 0.5, -1));
    setShowsMouseOverState(true);
}

MCFillStroke MCDarkButtonCell::bezelColors(MCControlState state, bool on)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithWhite(1.0, 0.2), colorWithWhite(1.0, 0.2)};
    case MCControlState::Pressed: return {colorWithBrightness(0.35), colorWithBrightness(0.41)};
    case MCControlState::MouseOver: return {colorWithBrightness(0.51), colorWithBrightness(0.57)};
    case MCControlState::Default: break;
    }
    return on ? MCFillStroke{colorWithBrightness(0.58), colorWithBrightness(0.63)}
              : MCFillStroke{colorWithBrightness(0.43), colorWithBrightness(0.49)};
}

QPainterPath MCDarkButtonCell::bezelShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 3.0, 3.0);
    return path;
}

void MCDarkButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    MCFillAndStroke(painter, bezelShape(frame), bezelColors(controlState(), isOn()));
}

void MCDarkButtonCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    // One pixel up: the platform's title sits low in the bezel.
    MCBaseButtonCell::drawTitle(painter, frame.translated(0, -1));
}

// Blue button ---------------------------------------------------------------------------------

MCBlueButtonCell::MCBlueButtonCell(const QString &title, QWidget *parent)
    : MCDarkButtonCell(title, parent)
{
}

MCFillStroke MCBlueButtonCell::bezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithWhite(0.53), colorWithWhite(0.59)};
    case MCControlState::Pressed: return {colorWithSaturation(0.7, 0.57), colorWithSaturation(0.7, 0.65)};
    case MCControlState::MouseOver: return {colorWithSaturation(0.7, 0.77), colorWithSaturation(0.7, 0.85)};
    case MCControlState::Default: break;
    }
    return {colorWithSaturation(0.7, 0.67), colorWithSaturation(0.7, 0.75)};
}

void MCBlueButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    MCFillAndStroke(painter, bezelShape(frame), bezelColors(controlState()));
}

// White text ----------------------------------------------------------------------------------

MCWhiteTextButtonCell::MCWhiteTextButtonCell(const QString &title, QWidget *parent)
    : MCBaseButtonCell(title, parent)
{
}

// Disclosure ----------------------------------------------------------------------------------

MCDarkDisclosureButtonCell::MCDarkDisclosureButtonCell(QWidget *parent)
    : MCBaseButtonCell(QString(), parent)
{
    clearTextAttributes();
    setShowsMouseOverState(true);
    setCheckable(true);
}

QColor MCDarkDisclosureButtonCell::triangleColor(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return colorWithWhite(0.9, 0.7);
    case MCControlState::Pressed: return colorWithWhite(0.7, 1.0);
    case MCControlState::MouseOver: return colorWithWhite(1.0, 1.0);
    case MCControlState::Default: break;
    }
    return colorWithWhite(0.8, 1.0);
}

QPolygonF MCDarkDisclosureButtonCell::triangle(const QRectF &frame, bool expanded)
{
    QRectF r = frame.adjusted(2.5, 2.5, -2.5, -2.5);
    if (expanded) {
        r.translate(0, 1);
        return QPolygonF({r.topLeft(), QPointF(r.left() + r.width() * 0.5, r.bottom() - 1), r.topRight()});
    }
    r.translate(1, 0);
    return QPolygonF({r.topLeft(), QPointF(r.right() - 1, r.top() + r.height() * 0.5), r.bottomLeft()});
}

void MCDarkDisclosureButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    QPainterPath path;
    path.addPolygon(triangle(frame, isChecked()));
    path.closeSubpath();
    MCFillAndStroke(painter, path, {triangleColor(controlState()), QColor()});
}

QPainterPath MCDarkDisclosureButtonCell::bezelShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addEllipse(frame.adjusted(1, 1, -1, -1));
    return path;
}

// Action circle -------------------------------------------------------------------------------

MCActionCircleButtonCell::MCActionCircleButtonCell(QWidget *parent)
    : MCBaseButtonCell(QString(), parent)
{
    clearTextAttributes();
    setShowsMouseOverState(true);
    setIconSize(QSize(12, 12));
}

MCFillStroke MCActionCircleButtonCell::bezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithWhite(0.53), colorWithWhite(0.59)};
    case MCControlState::Pressed: return {colorWithBrightness(0.31), colorWithBrightness(0.45)};
    case MCControlState::MouseOver: return {colorWithBrightness(0.39), colorWithBrightness(0.53)};
    case MCControlState::Default: break;
    }
    return {colorWithBrightness(0.31), colorWithBrightness(0.45)};
}

QPainterPath MCActionCircleButtonCell::bezelShape(const QRectF &frame) const
{
    QRectF square = frame;
    const double side = qMin(frame.width(), frame.height());
    square.setSize({side, side});
    square.moveCenter(frame.center());
    QPainterPath path;
    path.addEllipse(square.adjusted(0.5, 0.5, -0.5, -0.5));
    return path;
}

void MCActionCircleButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    MCFillAndStroke(painter, bezelShape(frame), bezelColors(controlState()));
}

MCActionCircleCheckboxCell::MCActionCircleCheckboxCell(QWidget *parent)
    : MCActionCircleButtonCell(parent)
{
    setCheckable(true);
}

void MCActionCircleCheckboxCell::drawImage(QPainter &painter, const QRectF &frame)
{
    if (isChecked())
        MCActionCircleButtonCell::drawImage(painter, frame);
}

// Tool-bar button -----------------------------------------------------------------------------

MCToolbarButtonCell::MCToolbarButtonCell(const QString &title, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setFont(MCControlFont(MCControlSize::Small));
    setIconSize(QSize(20, 20));
}

QSize MCToolbarButtonCell::sizeHint() const
{
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const int width = qMax(iconSize().width() + 16, textWidth + 8);
    const int height = iconSize().height() + 10 + (text().isEmpty() ? 0 : fontMetrics().height() + 2);
    return {width, height};
}

void MCToolbarButtonCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = rect();
    QPainterPath box;
    box.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 5.0, 5.0);
    if (isCheckable() && isChecked())
        MCFillAndStroke(painter, box, {colorWithWhite(0.5, 0.2), colorWithWhite(0.5, 1.0)});
    const int textHeight = text().isEmpty() ? 0 : fontMetrics().height() + 2;
    if (!icon().isNull()) {
        QRect target(QPoint(), iconSize());
        target.moveCenter(QPoint(int(frame.center().x()), int(frame.center().y() - textHeight / 2)));
        icon().paint(&painter, target, Qt::AlignCenter, isEnabled() ? (isDown() ? QIcon::Active : QIcon::Normal) : QIcon::Disabled);
    }
    if (textHeight > 0) {
        const QRectF textRect(frame.left(), frame.bottom() - textHeight - 2, frame.width(), textHeight);
        painter.setFont(font());
        painter.setPen(colorWithWhite(1.0, isEnabled() ? 1.0 : 0.6));
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus())
        MCDrawFocusRing(painter, box);
}

// Base button and track button ------------------------------------------------------------

MCBaseButton::MCBaseButton(const QString &title, QWidget *parent)
    : MCDarkButtonCell(title, parent)
{
    // White titles with a dark half-transparent shadow below, in every look.
    for (MCControlState state :
         {MCControlState::Default, MCControlState::Disabled, MCControlState::Pressed, MCControlState::MouseOver}) {
        setTextColor(state, Qt::white);
        setTextShadow(state, shadow(0.0, 0.5, 1));
    }
}

void MCBaseButton::setAlternateTitle(const QString &title)
{
    m_alternateTitle = title;
    update();
}

void MCBaseButton::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void MCBaseButton::drawTitle(QPainter &painter, const QRectF &frame)
{
    const QString title = isOn() && !m_alternateTitle.isEmpty() ? m_alternateTitle : text();
    if (title.isEmpty())
        return;
    const QRectF rect = frame.adjusted(8, -1, -8, -1);
    const QString shown = fontMetrics().elidedText(title, Qt::ElideRight, int(rect.width()));
    painter.setFont(font());
    const MCControlState state = controlState();
    MCDrawShadowedText(painter, rect, int(m_alignment | Qt::AlignVCenter) | Qt::TextSingleLine, shown, textColor(state),
                       textShadow(state));
}

MCTrackButton::MCTrackButton(const QString &title, QWidget *parent)
    : MCBaseButton(title, parent)
{
}

void MCTrackButton::startTracking()
{
    if (m_tracking)
        return;
    m_tracking = true;
    if (m_delegate)
        m_delegate->buttonWillStartTracking(this);
}

void MCTrackButton::finishTracking()
{
    if (!m_tracking)
        return;
    if (m_delegate)
        m_delegate->buttonDidFinishTracking(this);
    m_tracking = false;
}

void MCTrackButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint()))
        startTracking();
    MCBaseButton::mousePressEvent(event);
}

void MCTrackButton::mouseReleaseEvent(QMouseEvent *event)
{
    MCBaseButton::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        finishTracking();
}

void MCTrackButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        startTracking();
    MCBaseButton::keyPressEvent(event);
}

void MCTrackButton::keyReleaseEvent(QKeyEvent *event)
{
    MCBaseButton::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        finishTracking();
}

void MCTrackButton::focusOutEvent(QFocusEvent *event)
{
    // A press that loses the keyboard mid-way still ends.
    MCBaseButton::focusOutEvent(event);
    if (!isDown())
        finishTracking();
}
