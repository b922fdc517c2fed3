// The stage panels of the registries in their stage table cells: every slider panel and every
// interface-only panel, each collapsed and expanded, in both appearance kinds; and the cells'
// own states (last row, a stage that cannot be reset, an inactive stage, an edit-metadata row).
#include "app/metadata/MCEditMetadataStage.h"
#include "app/panels/MCStagePanels.h"
#include "app/panels/MCStageTableCellView.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "platform/core/MCUserDefaults.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kCellWidth = 340;

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.7));
    label->setPalette(palette);
    label->setFont(MCControlFont(MCControlSize::Small));
    return label;
}

// A conversion row: a fresh stage of `stageID`, its panel from the registry, in a cell sized as
// the screen sizes it.
QWidget *convertRow(QWidget *page, qint64 stageID, bool expanded, bool lastRow = false, bool active = true)
{
    MCConvertStageRef stage = MCConvertStage::convertStageWithID(stageID);
    if (!stage)
        return nullptr;
    stage->setExpanded(expanded);
    stage->setActive(active);
    auto *cell = new MCConvertStageTableCellView(page);
    std::unique_ptr<MCConvertStageViewController> panel = MCConvertStageViewController::viewControllerForStage(stage);
    cell->setObjectValue(stage);
    cell->setStageViewController(panel.get());
    cell->setLastRow(lastRow);
    cell->setFixedSize(kCellWidth,
                       int(MCConvertStageTableCellView::preferredHeightForStageViewController(panel.get())));
    if (panel)
        panel.release()->setParent(page); // lives as long as the page
    return cell;
}

QWidget *editMetadataRow(QWidget *page, qint64 stageID, bool lastRow = false)
{
    MCEditMetadataStageRef stage = MCEditMetadataStage::editMetadataStageWithID(stageID);
    if (!stage)
        return nullptr;
    auto *cell = new MCEditMetadataStageTableCellView(page);
    std::unique_ptr<MCEditMetadataStageViewController> panel =
        MCEditMetadataStageViewController::viewControllerForStage(stage);
    cell->setObjectValue(stage);
    cell->setStageViewController(panel.get());
    cell->setLastRow(lastRow);
    cell->setFixedSize(kCellWidth,
                       int(MCEditMetadataStageTableCellView::preferredHeightForStageViewController(panel.get())));
    if (panel)
        panel.release()->setParent(page);
    return cell;
}

// A page of rows in `columns` columns on the window background; each entry makes one block
// (a caption and its rows).
QWidget *page(int columns, const std::vector<std::function<void(QWidget *, QVBoxLayout *)>> &blocks)
{
    MCRegisterStagePanels();
    auto *page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, MCColorQuillon::colorWithBrightness(0.15));
    page->setPalette(palette);
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    int index = 0;
    for (const auto &block : blocks) {
        auto *column = new QVBoxLayout;
        column->setSpacing(0);
        block(page, column);
        grid->addLayout(column, index / columns, index % columns, Qt::AlignTop);
        ++index;
    }
    return page;
}

// A panel collapsed, then expanded (the last row of its little table).
std::function<void(QWidget *, QVBoxLayout *)> convertBlock(qint64 stageID)
{
    return [stageID](QWidget *page, QVBoxLayout *column) {
        const MCConvertStageClass *stageClass = MCConvertStage::stageClass(stageID);
        column->addWidget(caption(QStringLiteral("%1 (%2)").arg(QLatin1String(stageClass->englishName)).arg(stageID), page));
        column->addWidget(convertRow(page, stageID, false));
        column->addWidget(convertRow(page, stageID, true, true));
    };
}

std::function<void(QWidget *, QVBoxLayout *)> editBlock(qint64 stageID)
{
    return [stageID](QWidget *page, QVBoxLayout *column) {
        column->addWidget(
            caption(QStringLiteral("%1 (edit %2)").arg(MCEditMetadataStage::stageNameForID(stageID)).arg(stageID), page));
        column->addWidget(editMetadataRow(page, stageID, true));
    };
}

void registerPage(const QString &screen, const std::function<QWidget *()> &build)
{
    for (int kind : {0, 1}) {
        screenshotStates().push_back({screen, QStringLiteral("kind%1").arg(kind), [kind, build]() -> QWidget * {
                                          MCMouseOverTracking::setAssumesActiveWindow(true);
                                          MCUserDefaults::standardUserDefaults().setInteger(kind, kMCAperanceKindKey);
                                          return build();
                                      }});
    }
}

const bool registered = [] {
    registerPage(QStringLiteral("stage-panels-sliders"), [] {
        std::vector<std::function<void(QWidget *, QVBoxLayout *)>> blocks;
        for (qint64 id : {0, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 27, 38, 39, 201})
            blocks.push_back(convertBlock(id));
        return page(4, blocks);
    });
    registerPage(QStringLiteral("stage-panels-interface"), [] {
        std::vector<std::function<void(QWidget *, QVBoxLayout *)>> blocks;
        for (qint64 id : {3, 22, 29, 30, 31, 33, 40, 402})
            blocks.push_back(convertBlock(id));
        for (qint64 id : {0, 1, 4, 5, 8, 9, 1000})
            blocks.push_back(editBlock(id));
        return page(4, blocks);
    });
    registerPage(QStringLiteral("stage-cells"), [] {
        return page(2, {[](QWidget *page, QVBoxLayout *column) {
                            // A little conversion table: collapsed, inactive, not resettable, last.
                            column->addWidget(caption(QStringLiteral("Convert table"), page));
                            column->addWidget(convertRow(page, 12, false));
                            column->addWidget(convertRow(page, 18, false, false, false));
                            column->addWidget(convertRow(page, 30, true));
                            column->addWidget(convertRow(page, 9, true, true));
                        },
                        [](QWidget *page, QVBoxLayout *column) {
                            column->addWidget(caption(QStringLiteral("Edit Metadata table"), page));
                            column->addWidget(editMetadataRow(page, 5));
                            column->addWidget(editMetadataRow(page, 1000, true));
                        }});
    });
    return true;
}();

} // namespace
