// The Convert screen's preview table with 10,000 photos: one recalculation (from the request on
// the GUI thread to the published results, with and without rename tokens), how long the GUI
// thread is busy starting it, and scrolling the table a page at a time with every thumbnail
// cached (what a repaint costs once the thumbnails are in).
#include <QAbstractButton> // whole, for MCTableView.h
#include "app/dialogs/MCConvertOptionsPreviewTableViewModel.h"
#include "app/dialogs/MCPreviewTableViewController.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/uikit/MCTableView.h"
#include "bench/BenchMain.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

constexpr int kFileCount = 10'000;

struct Fixture
{
    Fixture()
    {
        defaults = std::make_unique<MCUserDefaults>(folder.filePath(QStringLiteral("Preferences.plist")));
        QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
        registered.insert(kMCShouldAutorotateKey, true);
        defaults->registerDefaults(registered);
        renamer = std::make_unique<MCBatchRenamer>(defaults.get());
        converter = std::make_unique<MCBitmapConverter>(defaults.get());
        converter->setImageFormat(MCImageFormatJPEG);
        for (int i = 0; i < kFileCount; ++i) {
            auto file = MCFileContainer::newFileWithURL(
                QStringLiteral("/Photos/Day %1/IMG_%2.JPG").arg(i / 500).arg(i, 4, 10, QLatin1Char('0')));
            file->fileInfo().reloadAllPropertiesFromImageInfo({
                {kCGImagePropertyPixelWidth, 6000},
                {kCGImagePropertyPixelHeight, 4000},
                {kCGImagePropertyOrientation, i % 3 ? 1 : 6},
                {kCGImagePropertyDPIWidth, 300.0},
                {kCGImagePropertyProfileName, QStringLiteral("Adobe RGB (1998)")},
                {kCGImagePropertyExifDictionary,
                 QVariantMap{{kCGImagePropertyExifDateTimeOriginal,
                              QStringLiteral("2021:05:%1 10:%2:00").arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                  .arg(i % 60, 2, 10, QLatin1Char('0'))}}},
                {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFModel, QStringLiteral("EOS R5")}}},
            });
            file->reloadCaptureDate();
            files.append(file);
        }
        const auto token = [](quint64 kind, const QVariantMap &settings = {}) {
            return MCBatchRenameElement(MCBatchRenameToken(kind, settings));
        };
        tokens = MCBatchRenameSettings({
            token(MCBatchRenameTokenKindCaptureDate, {{kMCRenameDateFormatIDKey, 5}, {kMCRenameTimeFormatIDKey, 9}}),
            MCBatchRenameElement(QVariant(QStringLiteral("_"))),
            token(MCBatchRenameTokenKindCameraModel),
            MCBatchRenameElement(QVariant(QStringLiteral("_"))),
            token(MCBatchRenameTokenKindImageWidth),
            MCBatchRenameElement(QVariant(QStringLiteral("_"))),
            token(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 5}}),
        });
    }

    QTemporaryDir folder;
    std::unique_ptr<MCUserDefaults> defaults;
    std::unique_ptr<MCBatchRenamer> renamer;
    std::unique_ptr<MCBitmapConverter> converter;
    MCFileList files;
    MCBatchRenameSettings tokens;
};

Fixture &fixture()
{
    static Fixture shared;
    return shared;
}

// From recalculateInfo() to the notification, through the GUI thread's event loop; the
// counter "start_ms" is the part the GUI thread spends inside recalculateInfo() itself.
void recalculate(benchmark::State &state, bool withTokens)
{
    Fixture &f = fixture();
    f.converter->setRenameSettings(withTokens ? std::optional<MCBatchRenameSettings>(f.tokens) : std::nullopt);
    MCConvertOptionsPreviewTableViewModel model(*f.converter, f.renamer.get());
    model.setItems(f.files);
    int published = 0;
    const MCNotificationToken token = MCNotificationCenter::defaultCenter().addObserverForName(
        kMCPreviewTableViewModelDidRecalculateNotification, &model, [&](const MCNotification &) { ++published; });
    double startNanoseconds = 0;
    for (auto _ : state) {
        const int target = published + 1;
        QElapsedTimer start;
        start.start();
        model.recalculateInfo();
        startNanoseconds += double(start.nsecsElapsed());
        while (published < target)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    MCNotificationCenter::defaultCenter().removeObserver(token);
    state.counters["start_ms"] = benchmark::Counter(startNanoseconds / 1e6 / double(state.iterations()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kFileCount);
}

void BM_ConvertPreviewRecalculate(benchmark::State &state) { recalculate(state, false); }
BENCHMARK(BM_ConvertPreviewRecalculate)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ConvertPreviewRecalculateWithRenameTokens(benchmark::State &state) { recalculate(state, true); }
BENCHMARK(BM_ConvertPreviewRecalculateWithRenameTokens)->UseRealTime()->Unit(benchmark::kMillisecond);

// One page down and its repaint, over the whole table and back to the top, every thumbnail
// cached; the time is per page.
void BM_PreviewTableScrollPage(benchmark::State &state)
{
    Fixture &f = fixture();
    f.converter->setRenameSettings(std::nullopt);
    auto model = std::make_shared<MCConvertOptionsPreviewTableViewModel>(*f.converter, f.renamer.get());
    model->setItems(f.files);
    MCPreviewTableViewController controller(QStringLiteral("MCConvertOptionsPreviewTableVC"), model, nullptr);
    QImage thumbnail(48, 32, QImage::Format_RGB32);
    thumbnail.fill(QColor(90, 120, 160));
    thumbnail.setDevicePixelRatio(2);
    for (const auto &file : f.files.mid(0, 200))
        controller.setImageForItem(thumbnail, file.get());
    model->waitUntilCalculated();
    QCoreApplication::processEvents();
    QWidget *view = controller.view();
    view->resize(1000, 700);
    view->show();
    QCoreApplication::processEvents();
    QScrollBar *bar = controller.previewTableView()->verticalScrollBar();
    int pages = 0;
    for (auto _ : state) {
        // The first 200 rows (the cache holds 200 files) scrolled page by page, then back.
        int next = bar->value() + bar->pageStep();
        if (next > 200 * 26 - bar->pageStep())
            next = 0;
        bar->setValue(next);
        controller.previewTableView()->viewport()->repaint();
        ++pages;
    }
    state.SetItemsProcessed(pages);
}
BENCHMARK(BM_PreviewTableScrollPage)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()
