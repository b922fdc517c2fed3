#include "app/uikit/MCBackgroundView.h"

#include "app/uikit/MCColorQuillon.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

QLineF MCBorderLineInRect(const QRectF &bounds, const MCBorderLine &border)
{
    if (bounds.isEmpty())
        return {};
    const double y = border.edge == MCBorderLine::Top ? bounds.top() + border.distance : bounds.bottom() - border.distance;
    return {bounds.left(), y, bounds.right(), y};
}

MCBackgroundView::MCBackgroundView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    MCAppearanceObserver::sharedObserver();
}

QColor MCBackgroundView::backgroundColor() const
{
    return Qt::black;
}

QList<MCBorderLine> MCBackgroundView::borders() const
{
    return {};
}

void MCBackgroundView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    drawBackground(painter, event->region());
    drawBorders(painter);
}

void MCBackgroundView::drawBackground(QPainter &painter, const QRegion &region)
{
    // Only the rectangles being drawn; nothing when there are none.
    const QColor color = backgroundColor();
    for (const QRect &rect : region)
        painter.fillRect(rect, color);
}

void MCBackgroundView::drawBorders(QPainter &painter)
{
    const QRectF bounds = rect();
    for (const MCBorderLine &border : borders()) {
        const QLineF line = MCBorderLineInRect(bounds, border);
        if (line.isNull())
            return;
        painter.setPen(QPen(border.color, 1.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line);
    }
}

QColor MCSidebarBackgroundView::backgroundColor() const { return sidebarBackgroundColor(); }
QList<MCBorderLine> MCSidebarBackgroundView::borders() const { return {}; }

QColor MCPathbarBackgroundView::backgroundColor() const { return pathbarBackgroundColor(); }
QList<MCBorderLine> MCPathbarBackgroundView::borders() const
{
    return {{MCBorderLine::Top, 0.5, darkSeparatorColor()}};
}

QColor MCToolbarBackgroundView::backgroundColor() const { return toolbarBackgroundColor(); }
QList<MCBorderLine> MCToolbarBackgroundView::borders() const
{
    return {{MCBorderLine::Top, 1.5, colorWithBrightness(0.33)}, {MCBorderLine::Top, 0.5, colorWithBrightness(0.07)}};
}

QColor MCStatusbarBackgroundView::backgroundColor() const { return statusbarBackgroundColor(); }
QList<MCBorderLine> MCStatusbarBackgroundView::borders() const
{
    return {{MCBorderLine::Bottom, 0.5, darkSeparatorColor()}};
}

QColor MCLightBackgroundView::backgroundColor() const { return backgroundLightColor(); }
QList<MCBorderLine> MCLightBackgroundView::borders() const { return {}; }

QColor MCNavigationBackgroundView::backgroundColor() const { return navbarBackgroundColor(); }
QList<MCBorderLine> MCNavigationBackgroundView::borders() const
{
    return {{MCBorderLine::Bottom, 0.5, darkSeparatorColor()}};
}

QColor MCDarkBackgroundView::backgroundColor() const { return backgroundDarkColor(); }
QList<MCBorderLine> MCDarkBackgroundView::borders() const { return {}; }

QColor MCActionsHeaderView::backgroundColor() const { return colorWithBrightness(0.27); }
QList<MCBorderLine> MCActionsHeaderView::borders() const
{
    return {{MCBorderLine::Top, 0.5, darkSeparatorColor()}, {MCBorderLine::Bottom, 0.5, darkSeparatorColor()}};
}

QList<MCBorderLine> MCTitleBarBackgroundView::borders() const
{
    return {{MCBorderLine::Bottom, 0.5, colorWithWhite(0.0, 1.0)}};
}

void MCTitleBarBackgroundView::drawBackground(QPainter &, const QRegion &)
{
    // Transparent: the window's title area shows through.
}

QLineF MCGradientLine(const QRectF &rect, double angle)
{
    const double radians = angle * M_PI / 180.0;
    // On screen y points down, so a counter-clockwise angle has a negative y component.
    const QPointF direction(std::cos(radians), -std::sin(radians));
    const double reach = std::abs(rect.width() * 0.5 * direction.x()) + std::abs(rect.height() * 0.5 * direction.y());
    const QPointF centre = rect.center();
    return {centre - direction * reach, centre + direction * reach};
}

MCGradientView::MCGradientView(QWidget *parent)
    : QWidget(parent)
{
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCGradientView::rebuildGradient);
}

double MCGradientView::angle() const
{
    return 90.0;
}

QList<QColor> MCGradientView::colors() const
{
    return {QColor::fromRgbF(0.5f, 0.5f, 0.5f), QColor::fromRgbF(2.0f / 3, 2.0f / 3, 2.0f / 3)};
}

void MCGradientView::rebuildGradient()
{
    // colors() is virtual, so the gradient is first built when the finished object shows.
    const QList<QColor> list = colors();
    m_stops.clear();
    for (qsizetype i = 0; i < list.size(); ++i)
        m_stops.append({list.size() == 1 ? 0.0 : double(i) / double(list.size() - 1), list[i]});
    m_built = true;
}

void MCGradientView::showEvent(QShowEvent *event)
{
    if (!m_built)
        rebuildGradient();
    QWidget::showEvent(event);
}

void MCGradientView::paintEvent(QPaintEvent *)
{
    if (!m_built)
        rebuildGradient();
    QPainter painter(this);
    drawBackground(painter);
    drawBorders(painter);
}

void MCGradientView::drawBackground(QPainter &painter)
{
    if (m_stops.isEmpty())
        return;
    const QLineF line = MCGradientLine(rect(), angle());
    QLinearGradient gradient(line.p1(), line.p2());
    gradient.setStops(m_stops);
    painter.fillRect(rect(), gradient);
}

void MCGradientView::drawBorders(QPainter &)
{
}

namespace {

class DarkSplitHandle : public QSplitterHandle
{
public:
    DarkSplitHandle(Qt::Orientation orientation, MCDarkSplitView *parent)
        : QSplitterHandle(orientation, parent)
        , m_view(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Qt widens a thin handle's grab area with contents margins; the line is the middle.
        QPainter painter(this);
        painter.fillRect(contentsRect(), m_view->dividerColor());
    }

private:
    MCDarkSplitView *m_view;
};

} // namespace

MCDarkSplitView::MCDarkSplitView(Qt::Orientation orientation, QWidget *parent)
    : QSplitter(orientation, parent)
{
    setHandleWidth(1);
    setChildrenCollapsible(false);
    MCAppearanceObserver::sharedObserver();
}

QColor MCDarkSplitView::dividerColor() const
{
    return darkSeparatorColor();
}

QSplitterHandle *MCDarkSplitView::createHandle()
{
    return new DarkSplitHandle(orientation(), this);
}

MCDarkSeparatorLine::MCDarkSeparatorLine(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

QLineF MCDarkSeparatorLine::lineForBounds(const QRectF &bounds)
{
    if (bounds.width() > bounds.height()) {
        const double y = std::floor(bounds.top() + bounds.height() * 0.5) + 0.5;
        return {bounds.left(), y, bounds.right(), y};
    }
    const double x = std::floor(bounds.left() + bounds.width() * 0.5) + 0.5;
    return {x, bounds.top(), x, bounds.bottom()};
}

void MCDarkSeparatorLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(darkSeparatorColor(), 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(lineForBounds(rect()));
}
