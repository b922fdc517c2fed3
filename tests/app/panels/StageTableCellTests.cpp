// The stage table cells: row heights, the header controls bound to the row's stage, reset and
// close through the delegate, the panel's view in the content area, and the drawing.
#include "app/metadata/MCEditMetadataStages.h"
#include "app/panels/MCStagePanels.h"
#include "app/panels/MCStageTableCellView.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertGamma.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/uikit/MCColorQuillon.h"
#include "platform/core/MCUndoManager.h"

#include <QApplication>
#include <QChildEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Row
{
    std::shared_ptr<MCUndoManager> undo = std::make_shared<MCUndoManager>();
    MCConvertStageRef stage;
    std::unique_ptr<MCConvertStageViewController> panel;
    MCConvertStageTableCellView cell;

    explicit Row(qint64 stageID)
    {
        MCRegisterStagePanels();
        stage = MCConvertStage::convertStageWithID(stageID);
        stage->setUndoManager(undo);
        panel = MCConvertStageViewController::viewControllerForStage(stage);
        cell.setObjectValue(stage);
        cell.setStageViewController(panel.get());
        cell.resize(340, int(MCConvertStageTableCellView::preferredHeightForStageViewController(panel.get())));
        cell.show();
        QApplication::processEvents();
    }
};

// Answers the cell's actions as the screens do.
struct Screen : MCConvertStageTableCellViewDelegate, MCEditMetadataStageTableCellViewDelegate
{
    std::vector<quint64> actions;
    void convertStageCellView(MCConvertStageTableCellView *cell, quint64 action) override
    {
        actions.push_back(action);
        if (action == MCConvertStageTableCellView::ActionReset)
            cell->stageViewController()->reset();
    }
    void editMetadataStageCellView(MCEditMetadataStageTableCellView *, quint64 action) override
    {
        actions.push_back(action);
    }
};

// Counts the views added to a content area.
struct ChildCounter : QObject
{
    int added = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded)
            ++added;
        return false;
    }
};

} // namespace

TEST(StageTableCells, RowHeightsAreTheHeaderAndThePanelWhileExpanded)
{
    Row row(MCConvertHSL::StageID);
    const double panelHeight = row.panel->preferredHeight();
    ASSERT_GT(panelHeight, 0.0);
    EXPECT_EQ(MCConvertStageTableCellView::preferredHeightForStageViewController(row.panel.get()), 23.0 + panelHeight);
    row.stage->setExpanded(false);
    EXPECT_EQ(MCConvertStageTableCellView::preferredHeightForStageViewController(row.panel.get()), 23.0);
    EXPECT_EQ(MCConvertStageTableCellView::preferredHeightForStageViewController(nullptr), 23.0);

    // The panel's view fills the content's width at its own height.
    row.cell.resize(400, int(23 + panelHeight));
    EXPECT_EQ(row.panel->view()->geometry(), QRect(0, 0, 400, int(panelHeight)));
    EXPECT_EQ(row.cell.contentView()->geometry().top(), 23);

    MCRegisterStagePanels();
    auto stage = MCEditMetadataStage::editMetadataStageWithID(MCEditMetadataAddKeyword::StageID);
    auto panel = MCEditMetadataStageViewController::viewControllerForStage(stage);
    EXPECT_EQ(MCEditMetadataStageTableCellView::preferredHeightForStageViewController(panel.get()),
              23.0 + panel->preferredHeight());
}

TEST(StageTableCells, DrawingFillsHeaderAndContentAndStrokesItsLines)
{
    const struct
    {
        double height;
        bool boundary, lastRow;
        QList<double> lineYs;
    } cases[] = {
        {23, false, false, {0.5}},              // collapsed: no boundary under the header
        {100, true, false, {0.5, 22.5}},        // expanded
        {100, true, true, {0.5, 22.5, 99.5}},   // expanded, last row
        {23, false, true, {0.5, 22.5}},         // collapsed last row: the closing line at the header's foot
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.height);
        const auto drawing = MCStageTableCellView::drawingForBounds(QRectF(0, 0, 300, c.height), c.boundary, c.lastRow);
        EXPECT_EQ(drawing.header, QRectF(0, 0, 300, 23));
        EXPECT_EQ(drawing.content, QRectF(0, 23, 300, c.height - 23));
        QList<double> ys;
        for (const QLineF &line : drawing.lines) {
            EXPECT_EQ(line.y1(), line.y2());
            EXPECT_EQ(line.x2() - line.x1(), 300);
            ys.append(line.y1());
        }
        EXPECT_EQ(ys, c.lineYs);
    }

    // The cell itself: header 0.2, content 0.25, and no boundary while collapsed.
    Row row(MCConvertGamma::StageID);
    const QImage expanded = row.cell.grab().toImage();
    const QColor header = MCColorQuillon::colorWithBrightness(0.2), line = MCColorQuillon::colorWithBrightness(0.1);
    EXPECT_EQ(expanded.pixelColor(150, 10).rgb(), header.rgb());
    EXPECT_EQ(expanded.pixelColor(2, 22).rgb(), line.rgb());
    EXPECT_EQ(expanded.pixelColor(2, 24).rgb(), MCColorQuillon::colorWithBrightness(0.25).rgb());
    row.stage->setExpanded(false);
    row.cell.resize(340, 23);
    EXPECT_EQ(row.cell.grab().toImage().pixelColor(2, 22).rgb(), header.rgb());
}

TEST(StageTableCells, HeaderControlsFollowTheStage)
{
    Row row(MCConvertHSL::StageID);
    EXPECT_EQ(row.cell.titleTextField()->text(), row.stage->stageName());
    EXPECT_FALSE(row.cell.resetButton()->isHidden());
    EXPECT_TRUE(row.cell.activityButton()->isChecked());
    EXPECT_TRUE(row.cell.collapseButton()->isChecked());

    // The active switch is one undo step; the collapse switch is none.
    QTest::mouseClick(row.cell.activityButton(), Qt::LeftButton);
    EXPECT_FALSE(row.stage->isActive());
    QTest::mouseClick(row.cell.collapseButton(), Qt::LeftButton);
    EXPECT_FALSE(row.stage->isExpanded());
    row.undo->undo();
    EXPECT_TRUE(row.stage->isActive());
    EXPECT_TRUE(row.cell.activityButton()->isChecked());
    EXPECT_FALSE(row.undo->canUndo());
    EXPECT_FALSE(row.stage->isExpanded());
    row.stage->setExpanded(true);
    EXPECT_TRUE(row.cell.collapseButton()->isChecked());

    // Reused for a stage that cannot be reset: the button hides and the header follows it.
    Row other(MCConvertAddKeyword::StageID);
    EXPECT_TRUE(other.cell.resetButton()->isHidden());
    row.cell.setObjectValue(other.stage);
    EXPECT_TRUE(row.cell.resetButton()->isHidden());
    EXPECT_EQ(row.cell.titleTextField()->text(), other.stage->stageName());
    QTest::mouseClick(row.cell.activityButton(), Qt::LeftButton);
    EXPECT_FALSE(other.stage->isActive());
    EXPECT_TRUE(row.stage->isActive()); // the earlier stage is no longer bound
}

TEST(StageTableCells, ResetAndCloseGoToTheDelegate)
{
    Screen screen;
    Row row(MCConvertHSL::StageID);
    row.cell.setDelegate(&screen);
    row.stage->setValueForKey(QStringLiteral("saturation"), 1.7);
    row.undo->removeAllActions();
    QTest::mouseClick(row.cell.resetButton(), Qt::LeftButton);
    QTest::mouseClick(row.cell.closeButton(), Qt::LeftButton);
    EXPECT_EQ(screen.actions, (std::vector<quint64>{0, 1}));
    EXPECT_DOUBLE_EQ(row.stage->doubleValue(QStringLiteral("saturation")), 1.0);
    row.undo->undo();
    EXPECT_DOUBLE_EQ(row.stage->doubleValue(QStringLiteral("saturation")), 1.7);

    MCEditMetadataStageTableCellView cell;
    cell.setDelegate(&screen);
    cell.show();
    QTest::mouseClick(cell.closeButton(), Qt::LeftButton);
    EXPECT_EQ(screen.actions.back(), 0u);
    EXPECT_EQ(screen.actions.size(), 3u);
}

TEST(StageTableCells, APanelsViewSitsInOneCellAtATime)
{
    Row row(MCConvertHSL::StageID);
    QWidget *view = row.panel->view();
    ChildCounter counter;
    row.cell.contentView()->installEventFilter(&counter);
    row.cell.setStageViewController(row.panel.get());
    EXPECT_EQ(counter.added, 0);
    EXPECT_EQ(view->parentWidget(), row.cell.contentView());

    // A reused cell takes the view over; the first cell giving up the panel leaves it there.
    MCConvertStageTableCellView second;
    second.setStageViewController(row.panel.get());
    EXPECT_EQ(view->parentWidget(), second.contentView());
    row.cell.setStageViewController(nullptr);
    EXPECT_EQ(view->parentWidget(), second.contentView());
    EXPECT_TRUE(row.cell.contentView()->children().isEmpty());

    // Giving the cell another panel removes the view it holds.
    Row other(MCConvertGamma::StageID);
    second.setStageViewController(other.panel.get());
    EXPECT_EQ(view->parentWidget(), nullptr);
    EXPECT_EQ(other.panel->view()->parentWidget(), second.contentView());
}
