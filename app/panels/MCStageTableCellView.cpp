#include "app/panels/MCStageTableCellView.h"

#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

using namespace MCColorQuillon;

// ---------------------------------------------------------------- header button

MCStageHeaderButton::MCStageHeaderButton(Glyph glyph, QWidget *parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
{
    setFocusPolicy(Qt::TabFocus);
    setCheckable(glyph == Glyph::Active);
    setFixedSize(sizeHint());
    setCursor(Qt::ArrowCursor);
}

void MCStageHeaderButton::enterEvent(QEnterEvent *event)
{
    m_over = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MCStageHeaderButton::leaveEvent(QEvent *event)
{
    m_over = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void MCStageHeaderButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool lit = isEnabled() && (m_over || isDown());
    const QColor ink = !isEnabled() ? colorWithWhite(1.0, 0.35) : isDown() ? colorWithWhite(0.7) : colorWithWhite(lit ? 1.0 : 0.85);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorWithBrightness(lit ? 0.4 : 0.3));
    painter.drawEllipse(body);
    const QPointF c = body.center();
    QPen pen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (m_glyph) {
    case Glyph::Active:
        // A dot that lights up while the stage is active, a ring while it is not.
        if (isChecked()) {
            painter.setBrush(QColor::fromHsvF(0.33, 0.6, lit ? 0.95 : 0.85));
            painter.drawEllipse(c, 4.0, 4.0);
        } else {
            painter.setPen(QPen(ink, 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c, 3.5, 3.5);
        }
        break;
    case Glyph::Reset: {
        // An open circle with an arrow head: back to the start.
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF arc(c.x() - 4, c.y() - 4, 8, 8);
        painter.drawArc(arc, 90 * 16, 270 * 16);
        painter.setBrush(ink);
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(QPolygonF({QPointF(c.x() + 0.5, c.y() - 6.5), QPointF(c.x() + 3.5, c.y() - 4),
                                       QPointF(c.x() + 0.5, c.y() - 1.5)}));
        break;
    }
    case Glyph::Close:
        painter.setPen(pen);
        painter.drawLine(QPointF(c.x() - 3, c.y() - 3), QPointF(c.x() + 3, c.y() + 3));
        painter.drawLine(QPointF(c.x() + 3, c.y() - 3), QPointF(c.x() - 3, c.y() + 3));
        break;
    }
    if (hasFocus()) {
        QPainterPath ring;
        ring.addEllipse(body);
        MCDrawFocusRing(painter, ring);
    }
}

// ---------------------------------------------------------------- shared cell

MCStageTableCellView::MCStageTableCellView(QWidget *parent)
    : QWidget(parent)
    , m_headerView(new QWidget(this))
    , m_contentView(new QWidget(this))
    , m_headerLayout(new QHBoxLayout(m_headerView))
    , m_titleTextField(new QLabel(m_headerView))
    , m_closeButton(new MCStageHeaderButton(MCStageHeaderButton::Glyph::Close, m_headerView))
{
    m_headerView->setObjectName(QStringLiteral("headerView"));
    m_contentView->setObjectName(QStringLiteral("contentView"));
    m_headerLayout->setContentsMargins(6, 0, 5, 0);
    m_headerLayout->setSpacing(4);
    m_titleTextField->setObjectName(QStringLiteral("titleTextField"));
    QFont font = MCControlFont(MCControlSize::Small);
    font.setBold(true);
    m_titleTextField->setFont(font);
    QPalette palette = m_titleTextField->palette();
    palette.setColor(QPalette::WindowText, colorWithWhite(0.9));
    m_titleTextField->setPalette(palette);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setAccessibleName(tr("Remove"));
    m_closeButton->setToolTip(tr("Remove"));
}

MCStageTableCellView::Drawing MCStageTableCellView::drawingForBounds(const QRectF &bounds, bool drawsBoundary,
                                                                     bool lastRow)
{
    Drawing drawing;
    drawing.header = QRectF(bounds.x(), bounds.y(), bounds.width(), qMin(kHeaderHeight, bounds.height()));
    drawing.content = QRectF(bounds.x(), drawing.header.bottom(), bounds.width(),
                             qMax(0.0, bounds.height() - drawing.header.height()));
    const double left = drawing.header.left(), right = drawing.header.right();
    // The lines lie half a point inside the edges they mark.
    drawing.lines.append(QLineF(left, drawing.header.top() + 0.5, right, drawing.header.top() + 0.5));
    if (drawsBoundary)
        drawing.lines.append(QLineF(left, drawing.header.bottom() - 0.5, right, drawing.header.bottom() - 0.5));
    if (lastRow)
        drawing.lines.append(QLineF(drawing.content.left(), drawing.content.bottom() - 0.5, drawing.content.right(),
                                    drawing.content.bottom() - 0.5));
    return drawing;
}

void MCStageTableCellView::paintEvent(QPaintEvent *)
{
    const Drawing drawing = drawingForBounds(rect(), drawsBoundary(), m_lastRow);
    QPainter painter(this);
    painter.fillRect(drawing.content, colorWithBrightness(0.25));
    painter.fillRect(drawing.header, colorWithBrightness(0.2));
    // Lines half a point inside an edge cover exactly the row of pixels along it.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colorWithBrightness(0.1), 1.0));
    painter.drawLines(drawing.lines);
}

void MCStageTableCellView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int header = int(kHeaderHeight);
    m_headerView->setGeometry(0, 0, width(), header);
    m_contentView->setGeometry(0, header, width(), qMax(0, height() - header));
    layoutPanel();
}

void MCStageTableCellView::layoutPanel()
{
    if (!m_panel || !m_panel->isViewLoaded())
        return;
    QWidget *view = m_panel->view();
    if (view->parentWidget() == m_contentView)
        view->setGeometry(0, 0, m_contentView->width(), int(m_panel->preferredHeight()));
}

void MCStageTableCellView::showPanel(MCStagePanelController *panel)
{
    if (panel != m_panel) {
        // The current panel's view leaves this cell (another cell may hold it by now).
        if (m_panel && m_panel->isViewLoaded() && m_panel->view()->parentWidget() == m_contentView) {
            m_panel->view()->hide();
            m_panel->view()->setParent(nullptr);
        }
        m_panel = panel;
    }
    if (!panel)
        return;
    QWidget *view = panel->view();
    if (!view || view->parentWidget() == m_contentView)
        return;
    // Taken from whatever holds it (a reused cell may still have it).
    view->setParent(m_contentView);
    layoutPanel();
    view->show();
}

// ---------------------------------------------------------------- conversion cell

MCConvertStageTableCellView::MCConvertStageTableCellView(QWidget *parent)
    : MCStageTableCellView(parent)
    , m_collapseButton(new MCDarkDisclosureButtonCell(headerView()))
    , m_activityButton(new MCStageHeaderButton(MCStageHeaderButton::Glyph::Active, headerView()))
    , m_resetButton(new MCStageHeaderButton(MCStageHeaderButton::Glyph::Reset, headerView()))
{
    setObjectName(QStringLiteral("CellView"));
    m_collapseButton->setObjectName(QStringLiteral("collapseButton"));
    m_collapseButton->setAccessibleName(tr("Show Settings"));
    m_collapseButton->setFocusPolicy(Qt::TabFocus);
    m_activityButton->setObjectName(QStringLiteral("activityButton"));
    m_activityButton->setAccessibleName(tr("Active"));
    m_activityButton->setToolTip(tr("Turns the action on or off"));
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    m_resetButton->setAccessibleName(tr("Reset"));
    m_resetButton->setToolTip(tr("Reset to the default settings"));
    m_resetButton->hide();
    QHBoxLayout *header = headerLayout();
    header->addWidget(m_collapseButton);
    header->addWidget(m_activityButton);
    header->addWidget(titleTextField(), 1);
    header->addWidget(m_resetButton);
    header->addWidget(closeButton());
    setTabOrder(m_collapseButton, m_activityButton);
    setTabOrder(m_activityButton, m_resetButton);
    setTabOrder(m_resetButton, closeButton());

    // The header controls follow the row's stage.
    headerBinder().bind(m_activityButton, "checked", kMCConvertStageActiveKey);
    headerBinder().bind(m_collapseButton, "checked", kMCConvertStageExpandedKey);
    connect(m_resetButton, &QAbstractButton::clicked, this, &MCConvertStageTableCellView::actionReset);
    connect(closeButton(), &QAbstractButton::clicked, this, &MCConvertStageTableCellView::actionClose);
}

double MCConvertStageTableCellView::preferredHeightForStageViewController(MCConvertStageViewController *panel)
{
    if (!panel || !panel->stage() || !panel->stage()->isExpanded())
        return kHeaderHeight;
    return panel->preferredHeight() + kHeaderHeight;
}

void MCConvertStageTableCellView::setObjectValue(std::shared_ptr<MCConvertStage> stage)
{
    m_stage = std::move(stage);
    headerBinder().setStage(m_stage);
    titleTextField()->setText(m_stage ? m_stage->stageName() : QString());
    // The reset button is shown only for a stage that can be reset.
    m_resetButton->setVisible(m_stage && m_stage->isResettable());
    update();
}

MCConvertStageViewController *MCConvertStageTableCellView::stageViewController() const
{
    return static_cast<MCConvertStageViewController *>(panel());
}

void MCConvertStageTableCellView::setStageViewController(MCConvertStageViewController *panel)
{
    showPanel(panel);
}

bool MCConvertStageTableCellView::drawsBoundary() const { return contentView()->height() > 0; }

void MCConvertStageTableCellView::actionReset()
{
    if (m_delegate)
        m_delegate->convertStageCellView(this, ActionReset);
}

void MCConvertStageTableCellView::actionClose()
{
    if (m_delegate)
        m_delegate->convertStageCellView(this, ActionClose);
}

// ---------------------------------------------------------------- edit-metadata cell

MCEditMetadataStageTableCellView::MCEditMetadataStageTableCellView(QWidget *parent)
    : MCStageTableCellView(parent)
{
    setObjectName(QStringLiteral("CellView"));
    headerLayout()->addWidget(titleTextField(), 1);
    headerLayout()->addWidget(closeButton());
    connect(closeButton(), &QAbstractButton::clicked, this, &MCEditMetadataStageTableCellView::actionClose);
}

double MCEditMetadataStageTableCellView::preferredHeightForStageViewController(MCEditMetadataStageViewController *panel)
{
    return (panel ? panel->preferredHeight() : 0.0) + kHeaderHeight;
}

void MCEditMetadataStageTableCellView::setObjectValue(std::shared_ptr<MCEditMetadataStage> stage)
{
    m_stage = std::move(stage);
    titleTextField()->setText(m_stage ? m_stage->stageName() : QString());
    update();
}

MCEditMetadataStageViewController *MCEditMetadataStageTableCellView::stageViewController() const
{
    return static_cast<MCEditMetadataStageViewController *>(panel());
}

void MCEditMetadataStageTableCellView::setStageViewController(MCEditMetadataStageViewController *panel)
{
    showPanel(panel);
}

void MCEditMetadataStageTableCellView::actionClose()
{
    if (m_delegate)
        m_delegate->editMetadataStageCellView(this, ActionClose);
}
