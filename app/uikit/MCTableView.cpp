#include "app/uikit/MCTableView.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "app/uikit/MCScroller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

using namespace MCColorQuillon;

// Header cell -------------------------------------------------------------------------------

QRectF MCTableHeaderCell::titleDrawingRect(const QRectF &t, double textHeight)
{
    return QRectF(std::trunc(t.x() + 4.0), std::trunc(t.y() + t.height() / 2 - textHeight / 2), std::ceil(t.width() - 8.0),
                  std::ceil(t.height()));
}

QColor MCTableHeaderCell::backgroundColor() { return colorWithBrightness(0.22); }
QColor MCTableHeaderCell::separatorColor() { return colorWithBrightness(0.15); }
QColor MCTableHeaderCell::bottomLineColor() { return colorWithBrightness(0.12); }

void MCTableHeaderCell::drawWithFrame(QPainter &painter, const QRectF &frame, const QString &title, const QFont &font,
                                      bool inColumn)
{
    painter.save();
    painter.fillRect(frame, backgroundColor());
    if (!title.isEmpty()) {
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const QRectF rect = titleDrawingRect(frame, metrics.height());
        painter.setPen(colorWithWhite(0.9, 1.0));
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         metrics.elidedText(title, Qt::ElideRight, rect.width()));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (inColumn) {
        painter.setPen(QPen(separatorColor(), 1.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(frame.right() - 0.5, frame.top() + 2.0), QPointF(frame.right() - 0.5, frame.bottom() - 3.0));
    }
    painter.setPen(QPen(bottomLineColor(), 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(frame.left(), frame.bottom() - 0.5), QPointF(frame.right(), frame.bottom() - 0.5));
    painter.restore();
}

namespace {

// The table's header: every column's header cell, and the empty area right of the last.
class HeaderView : public QHeaderView
{
public:
    explicit HeaderView(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
        setFont(MCControlFont(MCControlSize::Small));
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setHighlightSections(false);
        setFixedHeight(22);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QHeaderView::paintEvent(event);
        // The platform's empty area gives way to ours.
        QPainter painter(viewport());
        int right = 0;
        for (int i = count() - 1; i >= 0; --i) {
            const int logical = logicalIndex(i);
            if (!isSectionHidden(logical)) {
                right = sectionViewportPosition(logical) + sectionSize(logical);
                break;
            }
        }
        if (right < viewport()->width())
            MCTableHeaderCell::drawWithFrame(painter, QRectF(right, 0, viewport()->width() - right, viewport()->height()),
                                             QString(), font(), false);
    }

    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        const QString title = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                                      : QString();
        MCTableHeaderCell::drawWithFrame(*painter, rect, title, font(), true);
    }
};

} // namespace

// Corner view -------------------------------------------------------------------------------

MCTableCornerView::MCTableCornerView(QWidget *parent)
    : QWidget(parent)
{
}

void MCTableCornerView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRectF dirty = event->rect();
    painter.fillRect(dirty, MCTableHeaderCell::backgroundColor());
    const double y = height() - 0.5; // the bottom row, level with the header's line
    painter.setPen(QPen(MCTableHeaderCell::bottomLineColor(), 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(dirty.left(), y), QPointF(dirty.right() + 1, y));
}

// Row selection -----------------------------------------------------------------------------

MCTableRowView::MCTableRowView(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QColor MCTableRowView::selectionColor(bool emphasized) const
{
    return colorWithBrightness(emphasized ? 0.35 : 0.3);
}

QColor MCGraySelectionTableRowView::selectionColor(bool emphasized) const
{
    return colorWithBrightness(emphasized ? 0.5 : 0.45);
}

void MCTableRowView::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    if (item.state & QStyle::State_Selected) {
        const QWidget *view = option.widget;
        const bool emphasized = view && view->hasFocus() && view->isActiveWindow();
        painter->fillRect(option.rect, selectionColor(emphasized));
        item.state &= ~QStyle::State_Selected;
    }
    item.state &= ~QStyle::State_HasFocus;
    item.palette.setColor(QPalette::Text, Qt::white);
    item.backgroundBrush = Qt::NoBrush;
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, option.widget);
}

// Table view ------------------------------------------------------------------------------

MCTableView::MCTableView(QWidget *parent)
    : QTableView(parent)
    , m_cornerView(new MCTableCornerView)
{
    setHorizontalHeader(new HeaderView(this));
    verticalHeader()->hide();
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setItemDelegate(new MCTableRowView(this));
    setVerticalScrollBar(new MCBaseScroller(Qt::Vertical));
    setHorizontalScrollBar(new MCBaseScroller(Qt::Horizontal));
    // The corner view sits above the vertical scroller, right of the header.
    addScrollBarWidget(m_cornerView, Qt::AlignTop);
    applyTheme();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCTableView::applyTheme);
}

void MCTableView::applyTheme()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, backgroundLightColor());
    palette.setColor(QPalette::AlternateBase, colorWithBrightness(0.22));
    palette.setColor(QPalette::Text, Qt::white);
    setPalette(palette);
}

QColor MCTableView::dropHighlightColor()
{
    return QColor::fromHsvF(float(210.0 / 360.0), 0.1f, 0.7f, 1.0f);
}

void MCTableView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    m_cornerView->setFixedHeight(horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0);
}

MCNoResponderTableView::MCNoResponderTableView(QWidget *parent)
    : MCTableView(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

// Cell views --------------------------------------------------------------------------------

namespace {
QLabel *cellLabel()
{
    auto *label = new QLabel;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}
} // namespace

MCButtonTableCellView::MCButtonTableCellView(QWidget *parent)
    : QWidget(parent)
    , m_textField(cellLabel())
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_textField, 1);
}

void MCButtonTableCellView::setButton(QAbstractButton *button)
{
    if (m_button == button)
        return;
    delete m_button;
    m_button = button;
    if (button)
        layout()->addWidget(button);
}

MCTwoTextFieldsTableCellView::MCTwoTextFieldsTableCellView(QWidget *parent)
    : QWidget(parent)
    , m_textField(cellLabel())
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_textField, 1);
    setSecondTextField(cellLabel());
}

void MCTwoTextFieldsTableCellView::setSecondTextField(QLabel *field)
{
    if (m_secondTextField == field)
        return;
    delete m_secondTextField;
    m_secondTextField = field;
    if (field) {
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        layout()->addWidget(field);
    }
}
