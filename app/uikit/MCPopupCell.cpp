#include "app/uikit/MCPopupCell.h"

#include "app/uikit/MCColorQuillon.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

MCPopupGeometry MCPopupGeometryForFrame(const QRectF &frame, MCControlSize size, bool pullsDown)
{
    MCPopupGeometry geometry;
    const QRectF r = frame.adjusted(2.5, 2.5, -2.5, -2.5).translated(0, -1);
    geometry.bezel = r;
    const double maxX = r.right();
    const double midY = r.top() + r.height() * 0.5;
    auto at = [maxX, midY](double dx, double dy) { return QPointF(maxX - dx, midY + dy); };
    if (size == MCControlSize::Small) {
        geometry.radius = std::trunc(r.height() * 0.5);
        if (pullsDown) {
            geometry.arrows = {QPolygonF({at(15, -2.5), at(11, 3.5), at(7, -2.5)})};
        } else {
            geometry.arrows = {QPolygonF({at(12.5, 1), at(10, 5), at(7.5, 1)}),
                               QPolygonF({at(12.5, -1), at(10, -5), at(7.5, -1)})};
        }
        return geometry;
    }
    geometry.radius = 3.0;
    geometry.divider = QLineF(maxX - 22, r.top() + 3.5, maxX - 22, r.bottom() - 3.5);
    if (pullsDown) {
        geometry.arrows = {QPolygonF({at(15, -2.5), at(11, 2.5), at(7, -2.5)})};
    } else {
        geometry.arrows = {QPolygonF({at(14, 1.5), at(11, 4.5), at(8, 1.5)}),
                           QPolygonF({at(14, -1.5), at(11, -4.5), at(8, -1.5)})};
    }
    return geometry;
}

QRectF MCPopupTitleRect(const QRectF &bounds, MCControlSize size, bool showsArrow)
{
    // The platform's title rectangle: the bezel's text inset, level with the bezel.
    const double inset = size == MCControlSize::Regular ? 10 : size == MCControlSize::Small ? 9 : 7;
    QRectF title(bounds.left() + inset, bounds.top() + 2.5, bounds.width() - 2 * inset, bounds.height() - 5);
    title.translate(0, -1);
    if (showsArrow)
        title.setWidth(qMax(0.0, bounds.right() - title.left() - (size == MCControlSize::Regular ? 30 : 22)));
    return title;
}

MCBasePopupCell::MCBasePopupCell(QWidget *parent)
    : QComboBox(parent)
    , m_tracking(new MCMouseOverTracking(this))
{
    setFocusPolicy(Qt::TabFocus);
    setFont(MCControlFont(m_controlSize));
    setupPopupControl(colorWithWhite(1.0, 1.0), colorWithWhite(1.0, 0.7));
    styleList();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCBasePopupCell::styleList);
}

void MCBasePopupCell::setupPopupControl(const QColor &textColor, const QColor &disabledTextColor)
{
    m_tracking->setShowsMouseOverState(true);
    m_defaultTextColor = textColor;
    m_disabledTextColor = disabledTextColor;
    update();
}

void MCBasePopupCell::styleList()
{
    // The list that opens: dark like the rest of the window.
    QPalette palette = view()->palette();
    palette.setColor(QPalette::Base, colorWithBrightness(0.2));
    palette.setColor(QPalette::Window, colorWithBrightness(0.2));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Highlight, colorWithSaturation(0.7, 0.67));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    view()->setPalette(palette);
}

void MCBasePopupCell::setDefaultTextColor(const QColor &color)
{
    m_defaultTextColor = color;
    update();
}

void MCBasePopupCell::setDisabledTextColor(const QColor &color)
{
    m_disabledTextColor = color;
    update();
}

void MCBasePopupCell::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    setFont(MCControlFont(size));
    updateGeometry();
    update();
}

void MCBasePopupCell::setPullsDown(bool pullsDown)
{
    m_pullsDown = pullsDown;
    update();
}

void MCBasePopupCell::setHighlighted(bool highlighted)
{
    m_pressed = highlighted;
    update();
}

MCControlState MCBasePopupCell::controlState() const
{
    return MCControlStateFor(isEnabled(), isHighlighted(), isMouseOver());
}

MCFillStroke MCBasePopupCell::bezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithBrightness(0.53), colorWithBrightness(0.59)};
    case MCControlState::Pressed: return {colorWithBrightness(0.35), colorWithBrightness(0.41)};
    case MCControlState::MouseOver: return {colorWithBrightness(0.51), colorWithBrightness(0.57)};
    case MCControlState::Default: break;
    }
    return {colorWithBrightness(0.43), colorWithBrightness(0.49)};
}

QString MCBasePopupCell::title() const
{
    if (m_pullsDown)
        return count() > 0 ? itemText(0) : QString();
    return currentText();
}

QSize MCBasePopupCell::sizeHint() const
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = qMax(widest, fontMetrics().horizontalAdvance(itemText(i)));
    const int height = m_controlSize == MCControlSize::Regular ? 26 : m_controlSize == MCControlSize::Small ? 22 : 18;
    const int arrow = m_controlSize == MCControlSize::Regular ? 30 : 22;
    const int inset = m_controlSize == MCControlSize::Regular ? 10 : m_controlSize == MCControlSize::Small ? 9 : 7;
    return {qMax(widest + inset + arrow + 4, 60), height};
}

QSize MCBasePopupCell::minimumSizeHint() const
{
    return {40, sizeHint().height()};
}

void MCBasePopupCell::showPopup()
{
    if (!m_pullsDown) {
        m_popupOpen = true;
        update();
        QComboBox::showPopup();
        return;
    }
    // A pull-down: the commands below the title, in a menu under the button.
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setPalette(view()->palette());
    for (int i = 1; i < count(); ++i) {
        QAction *action = m_menu->addAction(itemIcon(i), itemText(i));
        connect(action, &QAction::triggered, this, [this, i] {
            emit activated(i);
            emit textActivated(itemText(i));
        });
    }
    m_popupOpen = true;
    update();
    m_menu->exec(mapToGlobal(QPoint(0, height())));
    m_popupOpen = false;
    m_pressed = false;
    update();
}

void MCBasePopupCell::hidePopup()
{
    QComboBox::hidePopup();
    m_popupOpen = false;
    m_pressed = false;
    update();
}

void MCBasePopupCell::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
    }
    QComboBox::mousePressEvent(event);
}

void MCBasePopupCell::mouseReleaseEvent(QMouseEvent *event)
{
    QComboBox::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && !m_popupOpen) {
        m_pressed = false;
        update();
    }
}

void MCBasePopupCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    const MCPopupGeometry geometry = MCPopupGeometryForFrame(frame, m_controlSize, m_pullsDown);
    QPainterPath bezel;
    bezel.addRoundedRect(geometry.bezel, geometry.radius, geometry.radius);
    MCFillAndStroke(painter, bezel, bezelColors(controlState()));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_controlSize == MCControlSize::Small) {
        // Filled arrows, dimmed when disabled.
        const QColor color = colorWithWhite(isEnabled() ? 1.0 : 0.75);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        for (const QPolygonF &arrow : geometry.arrows)
            painter.drawPolygon(arrow);
    } else {
        painter.setPen(QPen(colorWithWhite(1.0, 0.5), 1.0));
        painter.drawLine(geometry.divider);
        // Chevrons stay white in every look.
        painter.setPen(QPen(Qt::white, 1.0));
        painter.setBrush(Qt::NoBrush);
        for (const QPolygonF &arrow : geometry.arrows)
            painter.drawPolyline(arrow);
    }
    painter.restore();
}

void MCBasePopupCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    const QString text = title();
    if (text.isEmpty())
        return;
    const QRectF rect = MCPopupTitleRect(frame, m_controlSize, true);
    painter.setFont(font());
    painter.setPen(isEnabled() ? m_defaultTextColor : m_disabledTextColor);
    const QString shown = fontMetrics().elidedText(text, Qt::ElideRight, int(rect.width()));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

QPainterPath MCBasePopupCell::focusShape(const QRectF &frame) const
{
    const MCPopupGeometry geometry = MCPopupGeometryForFrame(frame, m_controlSize, m_pullsDown);
    QPainterPath path;
    path.addRoundedRect(geometry.bezel.adjusted(-1, -1, 1, 1), geometry.radius + 1, geometry.radius + 1);
    return path;
}

void MCBasePopupCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = rect();
    drawBezel(painter, frame);
    drawTitle(painter, frame);
    if (hasFocus())
        MCDrawFocusRing(painter, focusShape(frame));
}

MCDarkPopupCell::MCDarkPopupCell(QWidget *parent)
    : MCBasePopupCell(parent)
{
    setupPopupControl(colorWithWhite(0.94, 1.0), colorWithWhite(0.94, 0.7));
}

MCDarkAddPopupCell::MCDarkAddPopupCell(QWidget *parent)
    : MCDarkPopupCell(parent)
{
    setupPopupControl(QColor(), QColor());
    setPullsDown(true);
    setAccessibleName(tr("Add"));
}

MCFillStroke MCDarkAddPopupCell::addBezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithBrightness(0.53), colorWithBrightness(0.59)};
    case MCControlState::Pressed: return {colorWithBrightness(1.0, 0.1), colorWithBrightness(1.0, 0.12)};
    case MCControlState::MouseOver: return {colorWithBrightness(0.43), colorWithBrightness(0.49)};
    case MCControlState::Default: break;
    }
    return {};
}

void MCDarkAddPopupCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    QPainterPath square;
    square.addRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    MCFillAndStroke(painter, square, addBezelColors(controlState()));
    painter.save();
    painter.setPen(QPen(colorWithWhite(0.94, 1.0), 2.0, Qt::SolidLine, Qt::FlatCap));
    const double midX = std::round(frame.left() + frame.width() * 0.5);
    const double midY = std::round(frame.top() + frame.height() * 0.5);
    painter.drawLine(QPointF(midX, frame.top() + 4), QPointF(midX, frame.bottom() - 4));
    painter.drawLine(QPointF(frame.left() + 4, midY), QPointF(frame.right() - 4, midY));
    painter.restore();
}

void MCDarkAddPopupCell::drawTitle(QPainter &, const QRectF &)
{
}

QPainterPath MCDarkAddPopupCell::focusShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addRect(frame.adjusted(1, 1, -1, -1));
    return path;
}
