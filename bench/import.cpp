// Adding photos to the library: the import scan of a tree of 100,000 empty files in 10,000
// folders beside `find` on the same tree (the floor for walking it), the update that reads
// facts and properties of small real JPEGs, with the GUI thread's time per delivered batch,
// and the whole road through the photo list screen: a folder of 20,000 small JPEGs handed to
// the screen's import until loading has ended and the grid shows them, then the regrouping of
// that library by each factory grouping preset.
//
// The screen is the one the main window makes (MCPhotoListScreen::makeScreen), with the photo
// browser's factory installed as the program's main installs it; shown in the main window on
// the offscreen platform.
#include "BenchPhotos.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "app/library/MCImportOperation.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCUpdateOperation.h"
#include "app/shell/MCAppDelegate.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCPhotoListScreen.h"
#include "bench/BenchMain.h"
#include "halvard/browser/MCBrowserView.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "app/browser/MCPhotoListViewController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

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

// ---------------------------------------------------------------- through the photo list screen

constexpr int kLibraryPhotos = 20000;

double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs the GUI thread's event loop while `busy` holds. The loop sleeps until something is
// posted (a timer wakes it now and then to look again), so the GUI thread's CPU time is its
// own work, not polling.
template<typename Busy>
void runEventLoopWhile(Busy busy)
{
    QTimer wake;
    wake.start(20);
    QEventLoop loop;
    while (busy())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

// What was posted meanwhile (queued notifications, deferred layout) is handled.
void drainEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The main window with the photo list screen it made, 1200 × 800, shown.
struct PhotoListWindow
{
    std::unique_ptr<MCMainWindowController> controller;
    MCPhotoListScreen *screen = nullptr;

    PhotoListWindow()
    {
        // The launch steps that matter here: theme, registered settings, the file types to import.
        static MCAppDelegate delegate;
        quillon::installLibraryServices();
        delegate.applyDarkAppearance();
        delegate.registerDefaults();
        delegate.applyFileTypeFilter();
        MCUserDefaults::standardUserDefaults().setBool(true, kMCMainWindowLaunchMoreThanOnceKey);
        // As the program does: the photo browser is the photo list screen.
        MCPhotoListViewController::installAsPhotoListScreen();
        controller = std::make_unique<MCMainWindowController>();
        controller->window()->resize(1200, 800);
        controller->showWindow();
        // The first photo reaches the start screen, which hands it to the photo list the main
        // window makes and shows, as when the user drops photos on the start screen.
        const bench::LibraryPhotos &photos = bench::LibraryPhotos::shared(kLibraryPhotos);
        controller->importItemsAtURLs({photos.paths.first()});
        QElapsedTimer waited;
        waited.start();
        runEventLoopWhile([&] {
            MCPhotoListScreen *list = controller->photoListViewController();
            return (!list || list->isLoading() || MCFileContainer::sharedContainer().numberOfFiles() == 0) &&
                   waited.elapsed() < 60000;
        });
        screen = controller->photoListViewController();
        // The push animation ends.
        runEventLoopWhile([&] { return waited.elapsed() < 1000; });
    }

    static PhotoListWindow &shared()
    {
        static PhotoListWindow window;
        return window;
    }

    // The grid showing the most items (the photo list's thumbnail grid).
    MCBrowserView *grid() const
    {
        if (!screen)
            return nullptr;
        MCBrowserView *found = qobject_cast<MCBrowserView *>(screen->view());
        for (MCBrowserView *view : screen->view()->findChildren<MCBrowserView *>())
            if (!found || view->numberOfItems() > found->numberOfItems())
                found = view;
        return found;
    }

    void clear()
    {
        screen->clearPhotosList();
        runEventLoopWhile([&] { return screen->isLoading(); });
        drainEvents();
    }

    // Imports the library folder; the time until loading has ended and the grid has been
    // reloaded and painted. Answers whether the grid holds every photo.
    qint64 importLibrary()
    {
        screen->importItemsAtURLs({bench::LibraryPhotos::shared(kLibraryPhotos).folder});
        runEventLoopWhile([&] { return screen->isLoading(); });
        drainEvents();
        MCBrowserView *view = grid();
        if (!view)
            return -1;
        view->viewport()->repaint();
        return view->numberOfItems();
    }
};

void BM_ImportIntoPhotoList(benchmark::State &state)
{
    PhotoListWindow &window = PhotoListWindow::shared();
    if (!window.screen) {
        state.SkipWithError("the main window made no photo list");
        return;
    }
    double guiSeconds = 0, processSeconds = 0, wallSeconds = 0;
    qint64 shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.clear();
        state.ResumeTiming();
        const double gui = cpuSeconds(CLOCK_THREAD_CPUTIME_ID), process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        QElapsedTimer wall;
        wall.start();
        shown = window.importLibrary();
        wallSeconds += double(wall.nsecsElapsed()) / 1e9;
        guiSeconds += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui;
        processSeconds += cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process;
    }
    if (shown != kLibraryPhotos) {
        const std::string message = QStringLiteral("the grid showed %1 photos of %2, the library holds %3")
                                        .arg(shown)
                                        .arg(kLibraryPhotos)
                                        .arg(MCFileContainer::sharedContainer().numberOfFiles())
                                        .toStdString();
        state.SkipWithError(message.c_str());
    }
    // What the update read gives the grouping work: capture days and picture sizes.
    QSet<QDate> days;
    QSet<double> sizes;
    for (const std::shared_ptr<MCFile> &file : MCFileContainer::sharedContainer().allFiles()) {
        days.insert(file->groupItemCaptureDate().value_or(QDateTime()).date());
        sizes.insert(file->groupItemMegapixels());
    }
    state.counters["capture_days"] = double(days.size());
    state.counters["megapixel_groups"] = double(sizes.size());
    state.SetItemsProcessed(state.iterations() * kLibraryPhotos);
    state.SetLabel(window.screen->metaObject()->className());
    state.counters["gui_cpu_s"] = guiSeconds / double(state.iterations());
    state.counters["gui_share"] = wallSeconds > 0 ? guiSeconds / wallSeconds : 0.0;
    state.counters["process_cpu_s"] = processSeconds / double(state.iterations());
}
BENCHMARK(BM_ImportIntoPhotoList)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): the factory preset the library is regrouped by, from another one ("File Type +
// Format", "Capture Date", "File Type + Image Size"): the current preset is set through the
// presets manager and the time runs until the screen has handled it and the grid has been
// painted. A screen without a group tree does nothing here (the floor).
void BM_RegroupPhotoList(benchmark::State &state)
{
    PhotoListWindow &window = PhotoListWindow::shared();
    if (!window.screen) {
        state.SkipWithError("the main window made no photo list");
        return;
    }
    if (MCFileContainer::sharedContainer().numberOfFiles() != kLibraryPhotos) {
        window.clear();
        window.importLibrary();
    }
    MCGroupRulePresetsManager &presets = MCGroupRulePresetsManager::defaultManager();
    const quint64 preset = quint64(state.range(0));
    state.SetLabel(presets.allPresets().value(qsizetype(preset))->name().toStdString());
    double guiSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        presets.setCurrentPresetIndex((preset + 1) % 3);
        presets.currentPreset();
        drainEvents();
        state.ResumeTiming();
        const double gui = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        presets.setCurrentPresetIndex(preset);
        drainEvents();
        if (MCBrowserView *view = window.grid())
            view->viewport()->repaint();
        guiSeconds += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui;
    }
    state.SetItemsProcessed(state.iterations() * kLibraryPhotos);
    state.counters["gui_cpu_ms"] = guiSeconds * 1e3 / double(state.iterations());
}
BENCHMARK(BM_RegroupPhotoList)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()
