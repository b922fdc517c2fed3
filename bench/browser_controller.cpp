// The photo grid's controller over one group of 50,000 photos: what the user waits for after
// choosing a sort order or editing the filter, and the GUI thread's share of a full reload.
//
// The photos are empty sparse files on disk (so sizes, types and dates come from the file
// system as in the library) with plausible image properties: pixel sizes between 1000 and
// 6000, capture dates over seven years, keywords on half of them, camera names spread over
// them ("IMG_0001.JPG" style), sizes between 1 and 30 MB.
//
// BM_Resort/<kind>: sortDidChange() with the direction item, alternating ascending and
// descending, under the sort kind given (0 none, 1 name, 2 file size, 3 date, 4 pixel size):
// every photo is sorted again and the grid reloaded.
// BM_Refilter: setFilterPredicate() with a filter panel predicate (captured within the last 3
// years, keyword containing "beach"), alternating with no filter: each step filters and sorts
// (by date) every photo and reloads the grid.
// BM_Reload: reloadBrowserData() alone, the grid shown offscreen at 1200 × 800, with the GUI
// thread's own CPU time beside the wall time.
#include "app/browser/MCBrowserViewController.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCFilterPredicate.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "bench/BenchMain.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <ctime>

namespace {

constexpr int kFiles = 50000;

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

const QList<MCGroupItemPtr> &library()
{
    static QTemporaryDir folder;
    static const QList<MCGroupItemPtr> files = [] {
        const char *const keywords[] = {"beach", "family", "city", "Beach house"};
        const char *const prefixes[] = {"IMG_", "DSC", "_MG_", "P"};
        QList<MCGroupItemPtr> list;
        quint32 state = 2024;
        const auto next = [&state](quint32 n) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % n;
        };
        const int thisYear = QDate::currentDate().year();
        for (int i = 0; i < kFiles; ++i) {
            const QString path = QDir(folder.path()).filePath(
                QStringLiteral("%1%2.JPG").arg(prefixes[next(4)]).arg(next(10000), 4, 10, QLatin1Char('0')) +
                QStringLiteral("-%1").arg(i));
            {
                QFile file(path);
                file.open(QIODevice::WriteOnly);
                file.resize(qint64(1 + next(30)) * 1024 * 1024 + next(1024 * 1024)); // sparse
            }
            auto file = MCFileContainer::newFileWithURL(path);
            file->reloadFileInfo();
            const QString date = QStringLiteral("%1:%2:%3 %4:%5:00")
                                     .arg(thisYear - 6 + int(next(7)))
                                     .arg(1 + next(12), 2, 10, QLatin1Char('0'))
                                     .arg(1 + next(28), 2, 10, QLatin1Char('0'))
                                     .arg(next(24), 2, 10, QLatin1Char('0'))
                                     .arg(next(60), 2, 10, QLatin1Char('0'));
            QVariantMap properties = {
                {kCGImagePropertyPixelWidth, 1000 + int(next(5)) * 1000},
                {kCGImagePropertyPixelHeight, 1000 + int(next(4)) * 1000},
                {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, date}}},
            };
            if (next(2))
                properties.insert(kCGImagePropertyIPTCDictionary,
                                  QVariantMap{{kCGImagePropertyIPTCKeywords,
                                               QStringList{keywords[next(4)], keywords[next(4)]}}});
            file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
            file->reloadCaptureDate();
            list.append(file);
        }
        return list;
    }();
    return files;
}

class Parent : public MCBrowserViewParentController
{
public:
    double defaultZoomValue() override { return 0.5; }
    void zoomDidChangeTo(double) override {}
};

// A controller showing the library in one group, its view on screen (offscreen platform).
struct Browser {
    Parent parent;
    MCBrowserViewController controller;
    Browser(qint64 kind)
    {
        MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
        defaults.setInteger(kind, kMCSortKindKey);
        defaults.setInteger(100, kMCSortDirectionKey);
        controller.setParentController(&parent);
        controller.view()->resize(1200, 800);
        controller.view()->show();
        auto group = std::make_shared<MCGroup>();
        group->setTitle(QStringLiteral("All Photos"));
        group->setItems(library());
        controller.setGroups({group});
        QApplication::processEvents();
    }
};

MCSmartGroup::PredicatePtr beachPredicate()
{
    using namespace MCFilterRowPredicates;
    return MCSmartGroupPredicate(MCFilterPredicate::andPredicate({
        datePredicate(QStringLiteral("filteredCaptureDate"), MCDateRowWithinLast, QStringLiteral("3"), 3, {},
                      QDateTime::currentDateTime()),
        keywordsPredicate(MCContainsPredicateOperatorType, QStringLiteral("beach"), MCCaseInsensitivePredicateOption),
    }));
}

void BM_Resort(benchmark::State &state)
{
    library();
    Browser browser(state.range(0));
    qint64 direction = 100;
    for (auto _ : state) {
        direction = direction == 100 ? 101 : 100;
        browser.controller.sortDidChange(direction);
    }
    state.counters["items"] = double(browser.controller.numberOfItems());
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_Resort)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_Refilter(benchmark::State &state)
{
    library();
    Browser browser(3);
    const MCSmartGroup::PredicatePtr predicate = beachPredicate();
    qint64 shown = 0;
    bool filtered = false;
    for (auto _ : state) {
        filtered = !filtered;
        // A new predicate object each time, as each edit of the panel makes one.
        browser.controller.setFilterPredicate(filtered ? std::make_shared<const MCSmartGroup::Predicate>(*predicate)
                                                       : nullptr);
        if (filtered)
            shown = browser.controller.numberOfItems();
    }
    state.counters["shown"] = double(shown);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_Refilter)->Unit(benchmark::kMillisecond);

void BM_Reload(benchmark::State &state)
{
    library();
    Browser browser(3);
    double cpu = 0;
    for (auto _ : state) {
        const double start = threadCpuMilliseconds();
        browser.controller.reloadBrowserData();
        QApplication::processEvents(); // the layout and paint the reload asked for
        cpu += threadCpuMilliseconds() - start;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
    state.counters["items"] = double(browser.controller.numberOfItems());
}
BENCHMARK(BM_Reload)->Unit(benchmark::kMillisecond);

} // namespace

// The grid is a widget: a widget application rather than the common core one.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    return bench::runRegistered(argc, argv);
}
