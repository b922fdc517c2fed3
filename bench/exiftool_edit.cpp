// Metadata edits through the one exiftool process: the latency of one file's edit (copy,
// read test, write, atomic replace) and a batch of 1,000 small files.
#include "app/library/MCPathManager.h"
#include "app/metadata/MCMetadataManager.h"
#include "bench/BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray smallJPEG()
{
    static const QByteArray bytes = [] {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/seed.jpg");
        image.save(path, "JPEG");
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

QStringList makeFiles(const QString &folder, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/photo-%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(smallJPEG());
        paths << path;
    }
    return paths;
}

bool edit(const QString &path, qint64 n, benchmark::State &state)
{
    MCError error;
    const MCMetadataValues values = {{QStringLiteral("Artist"), QStringLiteral("Run %1").arg(n)},
                                     {QStringLiteral("XMP:Rating"), int(n % 5)}};
    if (MCMetadataManager::defaultManager().updateMetadataForImageAtURL(path, values, &error))
        return true;
    state.SkipWithError(error.toString().toStdString().c_str());
    return false;
}

void BM_EditOneFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeFiles(dir.path(), 1).first();
    qint64 n = 0;
    edit(path, n++, state); // starts the tool outside the measurement
    for (auto _ : state)
        if (!edit(path, n++, state))
            break;
    MCPathManager::defaultManager().cleanupTemporaryURLs();
}
BENCHMARK(BM_EditOneFile)->Unit(benchmark::kMillisecond);

void BM_ReadOneFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeFiles(dir.path(), 1).first();
    for (auto _ : state) {
        MCError error;
        auto tags = MCMetadataManager::defaultManager().readMetadataAtURL(path, &error);
        if (!tags) {
            state.SkipWithError(error.toString().toStdString().c_str());
            break;
        }
        benchmark::DoNotOptimize(tags);
    }
}
BENCHMARK(BM_ReadOneFile)->Unit(benchmark::kMillisecond);

void BM_Edit1000Files(benchmark::State &state)
{
    QTemporaryDir dir;
    const QStringList paths = makeFiles(dir.path(), 1000);
    qint64 n = 0;
    for (auto _ : state) {
        for (const QString &path : paths)
            if (!edit(path, n++, state))
                return;
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
    MCPathManager::defaultManager().cleanupTemporaryURLs();
}
BENCHMARK(BM_Edit1000Files)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
