// Thumbnails through the resource loader at 256 px, as the grid asks for them: one loader
// (one load at a time, as a thumbnail cache runs), and one loader per processor to show what
// the machine can give. The main-thread cost of each delivery is reported as a counter. The
// inputs are the shared 24-megapixel noise photo in four formats (none embeds a thumbnail, so
// every read is a reduced decode of the photo).
#include "BenchPhotos.h"
#include "bench/BenchMain.h"
#include "halvard/imageio/MCResourceLoader.h"
#include "platform/core/MCDispatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kPerRound = 8;

void runRound(benchmark::State &state, std::vector<std::unique_ptr<MCResourceLoader>> &loaders, const QString &path,
              qint64 &mainThreadNanoseconds, int &delivered)
{
    int pending = 0;
    for (size_t l = 0; l < loaders.size(); ++l)
        for (int i = 0; i < kPerRound; ++i) {
            auto options = std::make_shared<MCThumbnailLoadOptions>();
            options->thumbnailMaxPixelSize = 256;
            ++pending;
            loaders[l]->requestResourceForIdentifier(
                QString::number(i), std::make_shared<MCImageDescriptor>(path, 6000), options,
                [&](const std::shared_ptr<MCResource> &resource) {
                    QElapsedTimer timer;
                    timer.start();
                    const auto thumbnail = std::dynamic_pointer_cast<MCThumbnailResource>(resource);
                    if (!thumbnail || thumbnail->thumbnail()->image().isNull())
                        state.SkipWithError("thumbnail failed");
                    --pending;
                    ++delivered;
                    mainThreadNanoseconds += timer.nsecsElapsed();
                });
        }
    while (pending > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void BM_LoaderThumbnail(benchmark::State &state)
{
    const QString path = bench::EncodedPhotos::shared().path(int(state.range(0)));
    state.SetLabel(bench::kFormatNames[state.range(0)]);
    const size_t loaderCount = state.range(1) ? platform::processorCount() : 1;
    std::vector<std::unique_ptr<MCResourceLoader>> loaders;
    for (size_t i = 0; i < loaderCount; ++i)
        loaders.push_back(std::make_unique<MCResourceLoader>());
    qint64 mainThread = 0;
    int delivered = 0;
    for (auto _ : state)
        runRound(state, loaders, path, mainThread, delivered);
    state.SetItemsProcessed(delivered);
    state.counters["main_us_per_delivery"] = delivered ? double(mainThread) / delivered / 1000.0 : 0.0;
}
// range(1): 0 = one loader, 1 = one loader per processor.
BENCHMARK(BM_LoaderThumbnail)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
