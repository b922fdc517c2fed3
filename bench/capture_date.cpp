// The capture-date prediction the rename preview asks for every file of a folder: the
// converter folds each file's capture date (missing for every fifth file) and creation date
// over its stage list. One iteration predicts 10,000 files.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "bench/BenchMain.h"
#include "platform/core/MCUserDefaults.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace {

constexpr int kFiles = 10000;

struct Folder
{
    std::vector<std::optional<QDateTime>> captured;
    std::vector<std::optional<QDateTime>> created;
};

const Folder &folder()
{
    static const Folder files = [] {
        Folder f;
        const QDateTime start(QDate(2019, 1, 31), QTime(8, 0), Qt::LocalTime);
        for (int i = 0; i < kFiles; ++i) {
            const QDateTime shot = start.addSecs(qint64(i) * 3607);
            f.captured.push_back(i % 5 == 4 ? std::nullopt : std::optional<QDateTime>(shot));
            f.created.push_back(shot.addDays(2));
        }
        return f;
    }();
    return files;
}

// range(0): 0 the three capture-date stages, 1 the same behind eight stages that do not
// touch the date (their hooks answer the date unchanged), 2 no stage at all.
void BM_PredictCaptureDates(benchmark::State &state)
{
    QTemporaryDir settings;
    MCUserDefaults defaults(QDir(settings.path()).filePath(QStringLiteral("Preferences.plist")));
    defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    MCBitmapConverter converter(&defaults);

    QList<MCConvertStageRef> stages;
    if (state.range(0) == 1) {
        for (qint64 id : {1, 5, 9, 10, 13, 20, 33, 39})
            stages << MCConvertStage::convertStageWithID(id);
    }
    if (state.range(0) != 2) {
        auto fromCreated = std::dynamic_pointer_cast<MCConvertSetCaptureDateFromCreated>(
            MCConvertStage::convertStageWithID(MCConvertSetCaptureDateFromCreated::StageID));
        auto shift = std::dynamic_pointer_cast<MCConvertShiftCaptureDate>(
            MCConvertStage::convertStageWithID(MCConvertShiftCaptureDate::StageID));
        shift->setMonths(1);
        shift->setDays(-3);
        shift->setHours(5);
        auto set = MCConvertStage::convertStageWithID(MCConvertSetCaptureDate::StageID);
        set->setActive(false);
        stages << fromCreated << shift << set;
    }
    converter.setStagesFromArray(stages);

    const Folder &files = folder();
    for (auto _ : state) {
        qint64 sum = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::optional<QDateTime> date = converter.captureDateForOriginalDate(files.captured[size_t(i)],
                                                                                       files.created[size_t(i)]);
            sum += date ? date->toSecsSinceEpoch() : 0;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFiles);
}
BENCHMARK(BM_PredictCaptureDates)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
