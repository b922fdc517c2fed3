// The stage table of the Convert screen: building and laying out 50 rows (a stage, its panel
// from the registry and its cell at the row height), the cost of opening a preset of many
// actions. The rows cycle through the slider and interface-only panels.
#include "BenchMain.h"
#include "app/panels/MCStagePanels.h"
#include "app/panels/MCStageTableCellView.h"

#include <QApplication>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

const qint64 kStageIDs[] = {0, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 27, 38, 39, 201, 3, 22, 29, 30, 31, 33, 40, 402};

void BM_BuildAndLayOutFiftyRows(benchmark::State &state)
{
    MCRegisterStagePanels();
    for (auto _ : state) {
        QWidget table;
        auto *column = new QVBoxLayout(&table);
        column->setSpacing(0);
        std::vector<std::unique_ptr<MCConvertStageViewController>> panels;
        for (int row = 0; row < 50; ++row) {
            MCConvertStageRef stage = MCConvertStage::convertStageWithID(kStageIDs[row % std::size(kStageIDs)]);
            panels.push_back(MCConvertStageViewController::viewControllerForStage(stage));
            auto *cell = new MCConvertStageTableCellView(&table);
            cell->setObjectValue(stage);
            cell->setStageViewController(panels.back().get());
            cell->setLastRow(row == 49);
            cell->setFixedHeight(int(MCConvertStageTableCellView::preferredHeightForStageViewController(panels.back().get())));
            column->addWidget(cell);
        }
        table.resize(360, table.sizeHint().height());
        table.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(table.grab());
        table.hide();
    }
}
BENCHMARK(BM_BuildAndLayOutFiftyRows)->Unit(benchmark::kMillisecond);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()
