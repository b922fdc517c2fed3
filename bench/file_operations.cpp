// The file operations as users run them, through the file manager's queue with a delegate on
// the GUI thread: copying 10,000 small files and 100 files of 50 MB (each copy written to a
// temporary file, flushed and renamed into place), with the per-file callbacks counted
// (throttled to at most 8 a second); and a batch convert of 24-megapixel JPEGs with and
// without decoding the next photo while this one runs through the stages and the encoder.
//
// QUILLONX_BENCH_LARGE_FILES sets how many 50 MB files the large copy takes (100 unless set).
#include "BenchPhotos.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileManager.h"
#include "bench/BenchMain.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

MCFileList libraryFiles(const QStringList &paths)
{
    MCFileList files;
    quint64 id = 1;
    for (const QString &path : paths) {
        auto file = MCFile::fileWithID(id++);
        const QFileInfo info(path);
        file->setFilePath(info.absoluteFilePath());
        file->setFileName(info.fileName());
        file->setFolderPath(info.absolutePath());
        files << file;
    }
    return files;
}

// Counts the per-file callbacks; the GUI thread's share of the work.
struct CountingDelegate : MCFileOperationDelegate
{
    int callbacks = 0;
    bool finished = false;
    void fileOperationDidStart(MCFileOperation &) override {}
    void fileOperationWillProcessFile(MCFileOperation &, const std::shared_ptr<MCFile> &) override { ++callbacks; }
    void fileOperationDidFinish(MCFileOperation &) override { finished = true; }
};

// Waits on the GUI thread's event loop until the operation has finished.
qint64 waitFor(const std::shared_ptr<MCFileOperation> &operation, CountingDelegate &delegate)
{
    operation->setDelegate(&delegate);
    QEventLoop loop;
    while (!delegate.finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
    return qint64(operation->currentProgress());
}

// Every question answered without a human: keep both on a conflict, skip anything else.
MCScopedAlertResponder &answerEverything()
{
    static MCScopedAlertResponder responder([](const MCAlertRequest &request) {
        MCAlertAnswer answer;
        const qsizetype keep = request.buttonTitles.indexOf(QStringLiteral("Keep Both Files"));
        answer.response = MCAlertFirstButtonReturn + int(keep >= 0 ? keep : 0);
        answer.suppressionChecked = true;
        return answer;
    });
    return responder;
}

struct SourceFolder
{
    QTemporaryDir folder;
    QStringList paths;
    SourceFolder(int count, qint64 size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        uint32_t state = 99;
        for (char &b : bytes) {
            state = state * 1664525u + 1013904223u;
            b = char(state >> 24);
        }
        for (int i = 0; i < count; ++i) {
            const QString path = folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
            paths << path;
        }
    }
};

void copyBatch(benchmark::State &state, SourceFolder &sources, qint64 bytesPerFile)
{
    answerEverything();
    const MCFileList files = libraryFiles(sources.paths);
    double callbacksPerSecond = 0;
    for (auto _ : state) {
        QTemporaryDir destination(QDir::tempPath() + QStringLiteral("/quillonx-bench-XXXXXX"));
        CountingDelegate delegate;
        QElapsedTimer timer;
        timer.start();
        auto operation = MCFileManager::defaultManager().asyncCopyFiles(files, destination.path(), {});
        const qint64 done = waitFor(operation, delegate);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        callbacksPerSecond = seconds > 0 ? delegate.callbacks / seconds : 0;
        if (done != files.size())
            state.SkipWithError("not every file was copied");
    }
    state.counters["files"] = double(files.size());
    state.counters["callbacks_per_second"] = callbacksPerSecond;
    state.SetItemsProcessed(state.iterations() * files.size());
    state.SetBytesProcessed(state.iterations() * files.size() * bytesPerFile);
}

void BM_CopySmallFiles(benchmark::State &state)
{
    static SourceFolder sources(10000, 4096);
    copyBatch(state, sources, 4096);
}
BENCHMARK(BM_CopySmallFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CopyLargeFiles(benchmark::State &state)
{
    constexpr qint64 kSize = 50LL << 20;
    const int count = qEnvironmentVariableIsSet("QUILLONX_BENCH_LARGE_FILES")
                          ? qEnvironmentVariableIntValue("QUILLONX_BENCH_LARGE_FILES")
                          : 100;
    static SourceFolder sources(count, kSize);
    copyBatch(state, sources, kSize);
}
BENCHMARK(BM_CopyLargeFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A batch convert of eight 24-megapixel JPEGs to JPEG (quality 0.8, no stages), one photo at a
// time (argument 0) or decoding the next photo ahead (argument 1).
void BM_ConvertBatch(benchmark::State &state)
{
    answerEverything();
    const QString jpeg = bench::EncodedPhotos::shared().jpeg;
    static QTemporaryDir inputs;
    QStringList paths;
    for (int i = 0; i < 8; ++i) {
        const QString path = inputs.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!QFile::exists(path))
            QFile::copy(jpeg, path);
        paths << path;
    }
    const MCFileList files = libraryFiles(paths);
    static QTemporaryDir settings;
    static MCUserDefaults defaults(settings.filePath(QStringLiteral("Preferences.plist")));
    defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    auto converter = std::make_shared<MCBitmapConverter>(&defaults);
    for (auto _ : state) {
        QTemporaryDir output(QDir::tempPath() + QStringLiteral("/quillonx-bench-XXXXXX"));
        CountingDelegate delegate;
        QElapsedTimer timer;
        timer.start();
        auto operation = std::make_shared<MCConvertOperation>();
        QStringList destinations;
        for (const QString &path : paths)
            destinations << output.filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".jpg"));
        operation->setAllItems(files, destinations, std::shared_ptr<MCConverterRole>(std::make_shared<MCBitmapConverterRole>(converter)));
        operation->setDecodesAhead(state.range(0) != 0);
        MCFileManager::defaultManager().queue().addOperation(operation);
        const qint64 done = waitFor(operation, delegate);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (done != files.size() || QDir(output.path()).entryList(QDir::Files).size() != files.size())
            state.SkipWithError("not every photo was converted");
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_ConvertBatch)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION();
