// Costs of the helpers that run once per photo in long lists: reading and writing capture
// dates, sorting file names in numeric order, and handing a line to the log-file writer
// (what a caller pays; the writing itself happens on the writer's queue).
#include "halvard/system/MCDateExtensions.h"
#include "halvard/system/MCLog.h"
#include "halvard/system/MCStringExtensions.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

void BM_DateFromExifString(benchmark::State &state)
{
    const QString text = QStringLiteral("2019:07:14 09:30:05");
    for (auto _ : state)
        benchmark::DoNotOptimize(MCDateExtensions::dateFromExifString(text));
}
BENCHMARK(BM_DateFromExifString);

void BM_ExifString(benchmark::State &state)
{
    const QDateTime date(QDate(2019, 7, 14), QTime(9, 30, 5));
    for (auto _ : state)
        benchmark::DoNotOptimize(MCDateExtensions::exifString(date));
}
BENCHMARK(BM_ExifString);

// range(0): number of file names sorted.
void BM_SortNamesNumerically(benchmark::State &state)
{
    QStringList names;
    for (int i = 0; i < state.range(0); ++i)
        names.append(QStringLiteral("IMG_%1 (%2).jpg").arg((i * 7919) % 10007).arg(i % 13));
    for (auto _ : state) {
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
            return MCStringExtensions::compareString(a, b, MCStringExtensions::NumericSearch) < 0;
        });
        benchmark::DoNotOptimize(sorted.constData());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_SortNamesNumerically)->Arg(1000)->Arg(10000);

void BM_LogLineToFile(benchmark::State &state)
{
    QTemporaryDir dir;
    MCLogWriter writer(dir.filePath(QStringLiteral("bench.log")));
    const QString message = QStringLiteral("Converted /home/user/Pictures/2024/IMG_1234.CR3 to JPEG");
    for (auto _ : state)
        writer.log(QStringLiteral("app.quillon.X"), QStringLiteral("Convert"), message);
    writer.flush();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLineToFile);

} // namespace

BENCHMARK_MAIN();
