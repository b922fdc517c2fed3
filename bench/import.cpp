// Adding photos to the library: the import scan of a tree of 100,000 empty files in 10,000
// folders beside `find` on the same tree (the floor for walking it), and the update that reads
// facts and properties of small real JPEGs, with the GUI thread's time per delivered batch.
#include "BenchPhotos.h"
#include "app/library/MCImportOperation.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCUpdateOperation.h"
#include "bench/BenchMain.h"
#include "platform/core/MCNotificationCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// 100 folders of 100 folders, each holding 10 photos' names (and one text file to skip).
struct ScanTree
{
    QTemporaryDir folder;
    QString root;
    ScanTree()
    {
        root = folder.path() + QStringLiteral("/Photos");
        for (int a = 0; a < 100; ++a)
            for (int b = 0; b < 100; ++b) {
                const QString dir = QStringLiteral("%1/%2/%3").arg(root).arg(a).arg(b);
                QDir().mkpath(dir);
                for (int i = 0; i < 10; ++i)
                    QFile(QStringLiteral("%1/IMG_%2.jpg").arg(dir).arg(i)).open(QIODevice::WriteOnly);
                QFile(dir + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly);
            }
    }
    static ScanTree &shared()
    {
        static ScanTree tree;
        return tree;
    }
};

template<typename Operation>
MCFileList runAndCollect(const std::shared_ptr<Operation> &operation, const QString &finishName, qint64 *mainNs = nullptr,
                         int *batches = nullptr)
{
    bool finished = false;
    MCFileList files;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const auto finish = center.addObserverForName(finishName, operation.get(), [&](const MCNotification &n) {
        files += MCImportOperation::createdFilesFromUserInfo(n.userInfo);
        finished = true;
    });
    const auto progress = center.addObserverForName(
        kMCUpdateOperationNotificationDidProgress, operation.get(), [&](const MCNotification &n) {
            QElapsedTimer timer;
            timer.start();
            files += MCUpdateOperation::filesFromUserInfo(n.userInfo);
            if (mainNs)
                *mainNs += timer.nsecsElapsed();
            if (batches)
                ++*batches;
        });
    MCOperationQueue queue;
    queue.addOperation(operation);
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    center.removeObserver(finish);
    center.removeObserver(progress);
    return files;
}

void BM_ImportScan(benchmark::State &state)
{
    const QString root = ScanTree::shared().root;
    qint64 files = 0;
    for (auto _ : state) {
        auto operation = std::make_shared<MCImportOperation>();
        operation->setImportURLs({root});
        operation->setImportTypes({QStringLiteral("public.jpeg")});
        files = runAndCollect(operation, kMCImportOperationDidFinishNotification).size();
    }
    if (files != 100000)
        state.SkipWithError("the scan missed files");
    state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_ImportScan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindScan(benchmark::State &state)
{
    const QString root = ScanTree::shared().root;
    for (auto _ : state)
        bench::run(QStringLiteral("sh"), {"-c", "find \"$0\" -name '*.jpg' > /dev/null", root});
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_FindScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// 2,000 small JPEGs (64 × 48) with their properties read by the update.
void BM_Update(benchmark::State &state)
{
    quillon::installLibraryServices();
    static QTemporaryDir folder;
    static MCFileList files = [] {
        MCFileList list;
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        for (int i = 0; i < 2000; ++i) {
            const QString path = QStringLiteral("%1/p%2.jpg").arg(folder.path()).arg(i);
            image.save(path, "JPEG");
            list << MCFileContainer::newFileWithURL(path);
        }
        return list;
    }();
    qint64 mainNs = 0;
    int batches = 0;
    for (auto _ : state) {
        auto operation = std::make_shared<MCUpdateOperation>();
        operation->setFiles(files);
        if (runAndCollect(operation, kMCUpdateOperationNotificationDidFinish, &mainNs, &batches).size() != files.size())
            state.SkipWithError("the update missed files");
    }
    state.SetItemsProcessed(state.iterations() * files.size());
    state.counters["batches"] = double(batches) / double(state.iterations());
    state.counters["main_us_per_batch"] = batches ? double(mainNs) / batches / 1000.0 : 0.0;
}
BENCHMARK(BM_Update)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
