#include "app/uikit/MCPredicateCells.h"

#include "app/uikit/MCColorQuillon.h"

#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

// Circle button --------------------------------------------------------------------------

MCPredicateCircleButtonCell::MCPredicateCircleButtonCell(const QString &title, QWidget *parent)
    : MCBaseButtonCell(title, parent)
{
    setupControl();
    if (accessibleName().isEmpty()) {
        const Symbol symbol = symbolFor(title, QString());
        setAccessibleName(symbol == Symbol::Plus    ? tr("Add")
                          : symbol == Symbol::Minus ? tr("Remove")
                          : symbol == Symbol::Ellipsis ? tr("More")
                                                       : title);
    }
}

void MCPredicateCircleButtonCell::setupControl()
{
    // Replaces the base look wholly: no text shadows.
    clearTextAttributes();
    setShowsMouseOverState(true);
    for (MCControlState state : {MCControlState::Default, MCControlState::MouseOver, MCControlState::Pressed})
        setTextColor(state, colorWithWhite(0.9, 1.0));
    setTextColor(MCControlState::Disabled, colorWithWhite(0.0, 0.6));
}

void MCPredicateCircleButtonCell::setImageName(const QString &name)
{
    m_imageName = name;
    update();
}

MCFillStroke MCPredicateCircleButtonCell::bezelColors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {colorWithWhite(0.53), colorWithWhite(0.59)};
    case MCControlState::Pressed:
    case MCControlState::MouseOver: return {colorWithBrightness(0.35), colorWithBrightness(0.5)};
    case MCControlState::Default: break;
    }
    return {colorWithBrightness(0.25), colorWithBrightness(0.4)};
}

QRectF MCPredicateCircleButtonCell::bezelRect(const QRectF &frame)
{
    return frame.adjusted(1.5, 1.5, -1.5, -1.5);
}

MCPredicateCircleButtonCell::Symbol MCPredicateCircleButtonCell::symbolFor(const QString &title,
                                                                         const QString &imageName)
{
    if (title == QLatin1String("+") || imageName == QLatin1String("NSAddMini"))
        return Symbol::Plus;
    if (title == QLatin1String("-") || imageName == QLatin1String("NSRemoveMini"))
        return Symbol::Minus;
    if (title == QString(QChar(0x22EF)) || imageName == QLatin1String("NSEllipsesMini"))
        return Symbol::Ellipsis;
    return Symbol::Title;
}

QList<QLineF> MCPredicateCircleButtonCell::symbolLines(Symbol symbol, const QRectF &f)
{
    const double midX = f.x() + f.width() / 2, midY = f.y() + f.height() / 2;
    switch (symbol) {
    case Symbol::Plus:
        return {QLineF(midX, f.y() + 5, midX, f.y() + f.height() - 5),
                QLineF(f.x() + 5, midY, f.x() + f.width() - 5, midY)};
    case Symbol::Minus: return {QLineF(f.x() + 6, midY, f.x() + f.width() - 6, midY)};
    case Symbol::Ellipsis: return {QLineF(f.x() + 4, midY, f.x() + f.width() - 4, midY)};
    case Symbol::Title: break;
    }
    return {};
}

QPointF MCPredicateCircleButtonCell::titleOrigin(const QRectF &f, const QSizeF &titleSize)
{
    return {f.x() + std::trunc((f.width() - titleSize.width()) / 2),
            f.y() + std::trunc((f.height() - titleSize.height()) / 2) - 1.0};
}

QPainterPath MCPredicateCircleButtonCell::bezelShape(const QRectF &frame) const
{
    QPainterPath path;
    path.addEllipse(bezelRect(frame));
    return path;
}

void MCPredicateCircleButtonCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    MCFillAndStroke(painter, bezelShape(frame), bezelColors(controlState()));
    painter.restore();
}

void MCPredicateCircleButtonCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    const Symbol symbol = symbolFor(text(), m_imageName);
    const QColor color = defaultTextColor();
    painter.save();
    if (symbol != Symbol::Title) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(color.isValid() ? color : QColor(Qt::black), 2.0, Qt::SolidLine, Qt::FlatCap);
        if (symbol == Symbol::Ellipsis)
            pen.setDashPattern({1.0, 1.0}); // in pen widths: 2 on, 2 off
        painter.setPen(pen);
        for (const QLineF &line : symbolLines(symbol, frame))
            painter.drawLine(line);
    } else if (!text().isEmpty()) {
        painter.setFont(font());
        const QFontMetricsF metrics(font());
        const QSizeF size(metrics.horizontalAdvance(text()), metrics.height());
        const QPointF origin = titleOrigin(frame, size);
        painter.setPen(color.isValid() ? color : QColor(Qt::black));
        painter.drawText(QRectF(origin, size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
    }
    painter.restore();
}

// Pop-up -------------------------------------------------------------------------------------

MCPredicatePopupCell::MCPredicatePopupCell(QWidget *parent)
    : MCBasePopupCell(parent)
{
    setShowsMouseOverState(true);
    setupPopupControl(Qt::white, Qt::white);
}

QRectF MCPredicatePopupCell::bezelRect(const QRectF &frame)
{
    return frame.adjusted(0.5, 1.0, -0.5, -1.0).translated(0, -0.5);
}

double MCPredicatePopupCell::bezelRadius(const QRectF &frame)
{
    return std::trunc(bezelRect(frame).height() / 2);
}

QPolygonF MCPredicatePopupCell::triangle(const QRectF &frame)
{
    const QRectF r = bezelRect(frame);
    return QPolygonF({QPointF(r.right() - 13, r.top() + 6), QPointF(r.right() - 10, r.top() + 10),
                      QPointF(r.right() - 7, r.top() + 6)});
}

MCPredicatePopupCell::Colors MCPredicatePopupCell::colors(MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: return {{colorWithWhite(0.53), colorWithWhite(0.59)}, colorWithWhite(0.75)};
    case MCControlState::Pressed:
    case MCControlState::MouseOver:
        return {{colorWithBrightness(0.35), colorWithBrightness(0.5)}, colorWithWhite(1.0)};
    case MCControlState::Default: break;
    }
    return {{colorWithBrightness(0.25), colorWithBrightness(0.4)}, colorWithWhite(1.0)};
}

QSize MCPredicatePopupCell::sizeHint() const
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = qMax(widest, fontMetrics().horizontalAdvance(itemText(i)));
    const int height = controlSize() == MCControlSize::Regular ? 20 : 17;
    return {widest + 9 + 22 + 8, height}; // room for the title, the triangle and a margin
}

void MCPredicatePopupCell::drawBezel(QPainter &painter, const QRectF &frame)
{
    const Colors colours = colors(controlState());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    const double radius = bezelRadius(frame);
    body.addRoundedRect(bezelRect(frame), radius, radius);
    MCFillAndStroke(painter, body, colours.body);
    QPainterPath arrow;
    arrow.addPolygon(triangle(frame));
    arrow.closeSubpath();
    MCFillAndStroke(painter, arrow, {colours.triangle, colours.triangle});
    painter.restore();
}

void MCPredicatePopupCell::drawTitle(QPainter &painter, const QRectF &frame)
{
    const QString text = title();
    if (text.isEmpty())
        return;
    const QRectF rect = MCPopupTitleRect(frame, MCControlSize::Small, true).translated(0, 0.5);
    painter.setFont(font());
    painter.setPen(Qt::white);
    const QString shown = fontMetrics().elidedText(text, Qt::ElideRight, int(rect.width()));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

QPainterPath MCPredicatePopupCell::focusShape(const QRectF &frame) const
{
    QPainterPath path;
    const double radius = bezelRadius(frame) + 1;
    path.addRoundedRect(bezelRect(frame).adjusted(-1, -1, 1, 1), radius, radius);
    return path;
}

// Text field ----------------------------------------------------------------------------------

MCPredicateTextFieldCell::MCPredicateTextFieldCell(QWidget *parent)
    : MCDarkTextFieldCell(parent)
{
    // Row values read a little softer than the white of other fields.
    QPalette palette = this->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, colorWithWhite(0.85, 1.0));
    setPalette(palette);
}
