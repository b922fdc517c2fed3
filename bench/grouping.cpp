// Building the group tree of a library of 50,000 photos with each factory grouping preset:
// the rules sort and split the files level by level. The files are empty files on disk of
// four types, with colour models, depths, alpha, sizes and capture dates spread over them.
// Then the group tree panel with 20,000 of them: regrouping when the current preset changes
// (the tree rebuilt, the outline reset with its root opened and selected, and painted), and
// taking them in batches as an import delivers them.
#include "app/browser/MCTreePanelViewController.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "bench/BenchMain.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

constexpr int kFiles = 50000;

const QList<MCGroupItemPtr> &library()
{
    static QTemporaryDir folder;
    static const QList<MCGroupItemPtr> files = [] {
        const char *const extensions[] = {"jpg", "png", "tiff", "heic"};
        const char *const models[] = {"RGB", "Gray", "CMYK"};
        QList<MCGroupItemPtr> list;
        quint32 state = 2024;
        const auto next = [&state](quint32 n) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % n;
        };
        for (int i = 0; i < kFiles; ++i) {
            const QString path = QDir(folder.path()).filePath(QStringLiteral("IMG_%1.%2").arg(i).arg(extensions[next(4)]));
            QFile(path).open(QIODevice::WriteOnly);
            auto file = MCFileContainer::newFileWithURL(path);
            file->reloadFileInfo();
            const QString date = QStringLiteral("%1:%2:%3 %4:00:00")
                                     .arg(2010 + next(12))
                                     .arg(1 + next(12), 2, 10, QLatin1Char('0'))
                                     .arg(1 + next(28), 2, 10, QLatin1Char('0'))
                                     .arg(next(24), 2, 10, QLatin1Char('0'));
            file->fileInfo().reloadAllPropertiesFromImageInfo({
                {kCGImagePropertyPixelWidth, 1000 + int(next(5000))},
                {kCGImagePropertyPixelHeight, 1000 + int(next(4000))},
                {kCGImagePropertyColorModel, models[next(3)]},
                {kCGImagePropertyDepth, next(2) ? 8 : 16},
                {kCGImagePropertyHasAlpha, next(4) == 0},
                {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, date}}},
            });
            file->reloadCaptureDate();
            list.append(file);
        }
        return list;
    }();
    return files;
}

// range(0): the factory preset, in order ("File Type + Format", "Capture Date",
// "File Type + Image Size").
void BM_BuildGroupTree(benchmark::State &state)
{
    const QList<MCGroupItemPtr> &files = library();
    const MCGroupRulePreset preset(MCGroupRulePresetsManager::defaultPresets().at(state.range(0)).toMap());
    state.SetLabel(preset.name().toStdString());
    for (auto _ : state) {
        const MCGroupBuilder builder(QStringLiteral("Photos"), preset.builderRules());
        benchmark::DoNotOptimize(builder.nodeWithItems(files));
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_BuildGroupTree)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// range(0): the factory preset the panel regroups by, switching from another one. The panel
// is shown (260 × 700) over the shared presets manager; the time runs from setting the current
// preset until the outline has been painted.
void BM_RegroupTreePanel(benchmark::State &state)
{
    constexpr int kPanelFiles = 20000;
    MCUserDefaults::standardUserDefaults().registerDefaults(
        {{MCGroupRulePresetsManager::kPresetsKey, MCGroupRulePresetsManager::defaultPresets()}});
    MCGroupRulePresetsManager &presets = MCGroupRulePresetsManager::defaultManager();
    const quint64 preset = quint64(state.range(0));
    presets.setCurrentPresetIndex((preset + 1) % 3);
    MCTreePanelViewController panel;
    QWidget *view = panel.view();
    view->resize(260, 700);
    view->show();
    panel.noteItemsWereAdded(library().mid(0, kPanelFiles));
    QApplication::processEvents();
    state.SetLabel(presets.allPresets().value(qsizetype(preset))->name().toStdString());
    for (auto _ : state) {
        state.PauseTiming();
        presets.setCurrentPresetIndex((preset + 1) % 3);
        presets.currentPreset();
        QApplication::processEvents();
        state.ResumeTiming();
        presets.setCurrentPresetIndex(preset);
        QApplication::processEvents();
        panel.outlineView()->viewport()->repaint();
    }
    if (!panel.rootGroup() || panel.rootGroup()->items().size() != kPanelFiles)
        state.SkipWithError("the panel lost photos");
    state.counters["groups"] = double(panel.outlineModel()->rowCount(panel.outlineModel()->index(0, 0)));
    state.SetItemsProcessed(state.iterations() * kPanelFiles);
}
BENCHMARK(BM_RegroupTreePanel)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): the factory preset. The same 20,000 files reaching a shown panel as an import
// delivers them, 20 batches of 1,000 through noteItemsWereAdded (each inserted into the tree,
// the outline updated), then the outline painted.
void BM_TreePanelAddInBatches(benchmark::State &state)
{
    constexpr int kPanelFiles = 20000, kBatch = 1000;
    MCUserDefaults::standardUserDefaults().registerDefaults(
        {{MCGroupRulePresetsManager::kPresetsKey, MCGroupRulePresetsManager::defaultPresets()}});
    MCGroupRulePresetsManager &presets = MCGroupRulePresetsManager::defaultManager();
    presets.setCurrentPresetIndex(quint64(state.range(0)));
    state.SetLabel(presets.currentPreset()->name().toStdString());
    const QList<MCGroupItemPtr> files = library().mid(0, kPanelFiles);
    for (auto _ : state) {
        state.PauseTiming();
        auto panel = std::make_unique<MCTreePanelViewController>();
        panel->view()->resize(260, 700);
        panel->view()->show();
        QApplication::processEvents();
        state.ResumeTiming();
        for (int first = 0; first < kPanelFiles; first += kBatch) {
            panel->noteItemsWereAdded(files.mid(first, kBatch));
            QApplication::processEvents();
        }
        panel->outlineView()->viewport()->repaint();
        state.PauseTiming();
        if (!panel->rootGroup() || panel->rootGroup()->items().size() != kPanelFiles)
            state.SkipWithError("the panel lost photos");
        panel.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPanelFiles);
}
BENCHMARK(BM_TreePanelAddInBatches)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()
