// Metadata edits through the one exiftool process: the latency of one file's edit (copy,
// read test, write, atomic replace), a batch of 1,000 small files, and the same batch edited
// by the metadata converter with three stages (keywords, rating, copyright and owner).
#include "app/library/MCFile.h"
#include "app/library/MCPathManager.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "app/metadata/MCMetadataManager.h"
#include "platform/core/MCUserDefaults.h"
#include "bench/BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Edits per second (items per second) of an Edit Metadata operation with three stages over
// 1,000 small JPEGs, each photo edited once through the converter's entry point.
void BM_EditMetadata1000FilesThreeStages(benchmark::State &state)
{
    QTemporaryDir dir;
    const QStringList paths = makeFiles(dir.path(), 1000);
    std::vector<std::shared_ptr<MCFile>> files;
    quint64 id = 1;
    for (const QString &path : paths) {
        auto file = MCFile::fileWithID(id++);
        file->setFilePath(path);
        file->setFileName(QFileInfo(path).fileName());
        file->reloadFileInfo();
        files.push_back(file);
    }
    MCUserDefaults defaults(dir.path() + QStringLiteral("/Preferences.plist"));
    MCMetadataConverter converter(&defaults);
    auto keywords = std::static_pointer_cast<MCEditMetadataAddKeyword>(MCEditMetadataStage::editMetadataStageWithID(0));
    keywords->setKeywords(QStringLiteral("sea, sky, Smith"));
    auto rating = std::static_pointer_cast<MCEditMetadataSetRating>(MCEditMetadataStage::editMetadataStageWithID(6));
    rating->setRating(4);
    converter.addStagesFromArray({keywords, rating, MCEditMetadataStage::editMetadataStageWithID(5)});
    for (auto _ : state) {
        for (const auto &file : files) {
            MCError error;
            if (!converter.editMedataInFile(*file, &error)) {
                state.SkipWithError(error.toString().toStdString().c_str());
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(files.size()));
    MCPathManager::defaultManager().cleanupTemporaryURLs();
}
BENCHMARK(BM_EditMetadata1000FilesThreeStages)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
