// The thumbnail grid with tens of thousands of photos.
//
// BM_Layout: laying out N items in 100 groups for a new width (the matrix is rebuilt, as on
// every window resize or zoom step).
// BM_PaintFrame: one frame of a grid of 50,000 items at a random scroll position, each cell
// drawing a 256-pixel thumbnail scaled into its frame, at the three zoom scales.
// BM_ScriptedScroll: a scroll through 50,000 items at scale 0.25, three quarters of a row per
// frame, without thumbnails (the floor) and with thumbnails loaded from generated JPEG files through the thumbnail cache and the
// resource loader as the grid prefetches them (200 files, so every file is shown by 250 items).
// Each frame is the scroll step, the main-queue work that arrived meanwhile (thumbnail
// deliveries) and the repaint; the longest frame and the share of frames over 16 ms are
// reported in wall time and in the main thread's CPU time (which other processes on a busy
// machine do not inflate). Run it under xvfb-run with QT_QPA_PLATFORM=xcb to include putting the frames on a
// display; offscreen, the frames are painted into the backing store only.
#include "BenchMain.h"
#include "halvard/browser/MCBrowserView.h"
#include "halvard/imageio/MCThumbnailCache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

namespace {

// The main thread's own CPU time, which a loaded machine does not inflate.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

constexpr qint64 kItems = 50000;

class ThumbnailCell : public MCBrowserViewCell
{
public:
    QSizeF cellSizeForBounds(const QRectF &, double scale) override { return QSizeF(256 * scale, 256 * scale + 16); }
    QRectF imageRectForBounds(const QRectF &bounds) override
    {
        const QRectF area = bounds.adjusted(2, 2, -2, -18);
        if (image().isNull())
            return area;
        QSizeF size = image().size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        return QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size);
    }
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *) override
    {
        if (isSelected())
            painter->fillRect(frame, QColor(70, 110, 170));
        drawImageInRect(painter, imageRectForBounds(frame));
        painter->setPen(QColor(200, 200, 200));
        painter->drawText(QRectF(frame.left(), frame.bottom() - 16, frame.width(), 16), Qt::AlignCenter, title);
    }
    void drawImageInRect(QPainter *painter, const QRectF &rect) override
    {
        if (image().isNull())
            painter->fillRect(rect, QColor(60, 60, 60)); // not loaded yet
        else
            painter->drawImage(rect, image());
    }
    QString title;
};

QImage generatedPhoto(int index, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((index * 37) % 360, 160, 200));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor::fromHsv((index * 53) % 360, 220, 240));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.6, height * 0.4), height * 0.2, height * 0.2);
    return image;
}

// Items in groups of 500; item i shows photo i mod the number of photos.
class GridData : public MCBrowserViewDataSource
{
public:
    std::vector<QImage> photos;
    qint64 items = kItems;
    qint64 groupSize = 500;

    qint64 numberOfGroupsInBrowserView(MCBrowserView *) override { return (items + groupSize - 1) / groupSize; }
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group) override
    {
        return std::min(groupSize, items - group * groupSize);
    }
    qint64 photoOf(const MCIndexPath &path) const
    {
        return qint64((path.groupIndex() * quint64(groupSize) + path.itemIndex()) % photos.size());
    }
    void browserViewUpdateItemCell(MCBrowserView *, MCBrowserViewCell *cell, const MCIndexPath &path) override
    {
        cell->setImage(photos.at(std::size_t(photoOf(path))));
        static_cast<ThumbnailCell *>(cell)->title = QStringLiteral("IMG_%1.jpg").arg(path.itemIndex());
    }
    void browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *, qint64) override {}
};

struct LayoutCells : MCBrowserViewLayoutDelegate {
    QSizeF layoutItemCellSizeForBounds(MCBrowserViewLayout *, const QRectF &) override { return QSizeF(64, 80); }
    QSizeF layoutHeaderCellSizeForBounds(MCBrowserViewLayout *, const QRectF &bounds) override
    {
        return QSizeF(bounds.width(), 24);
    }
};

void BM_Layout(benchmark::State &state)
{
    const qint64 items = state.range(0);
    LayoutCells cells;
    MCBrowserViewLayout layout;
    layout.setDelegate(&cells);
    layout.setAlignment(1);
    layout.setMinHorizontalSpacing(12);
    layout.setMinVerticalSpacing(12);
    layout.setShowsGroupHeaders(true);
    layout.rebuild([&](qint64 group, qint64) { return group < 100 ? items / 100 : MCNotFound; });
    double width = 800;
    for (auto _ : state) {
        width = width == 800 ? 1200 : 800; // another number of columns each time
        layout.layoutWithContentSize(QSizeF(width, 600));
        benchmark::DoNotOptimize(layout.contentSize());
    }
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_Layout)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PaintFrame(benchmark::State &state)
{
    const double scale = state.range(0) / 100.0;
    GridData data;
    for (int i = 0; i < 200; ++i)
        data.photos.push_back(generatedPhoto(i, 256, 192));
    MCBrowserView view;
    view.setItemCell(std::make_shared<ThumbnailCell>());
    view.setDataSource(&data);
    view.resize(1200, 800);
    view.setScale(scale);
    view.reloadData();
    view.sizeToFit(false);
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(1);
    QScrollBar *bar = view.verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(int(random.bounded(bar->maximum() + 1)));
        view.viewport()->render(&frame);
    }
    state.SetLabel(QStringLiteral("scale %1, %2 columns").arg(scale).arg(view.contentLayout().numberOfColumns()).toStdString());
}
BENCHMARK(BM_PaintFrame)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// The photos of the scripted scroll, through the thumbnail cache.
class CachedData : public GridData, public MCBrowserViewPrefetching, public MCThumbnailCacheDelegate
{
public:
    class Provider : public MCImageDescriptorProvider
    {
    public:
        explicit Provider(QString path) : m_path(std::move(path)) {}
        std::shared_ptr<MCImageDescriptor> imageDescriptor() const override
        {
            return std::make_shared<MCImageDescriptor>(m_path, 1200);
        }
        QVariant resourceID() const override { return m_path; }

    private:
        QString m_path;
    };

    MCBrowserView *view = nullptr;
    std::unique_ptr<MCThumbnailCache> cache = MCThumbnailCache::cacheWithThumbnailSize(128);
    std::vector<std::shared_ptr<Provider>> providers;
    qint64 delivered = 0;

    void browserViewUpdateItemCell(MCBrowserView *, MCBrowserViewCell *cell, const MCIndexPath &path) override
    {
        const auto thumbnail = cache->thumbnailForDescriptorProvider(*providers.at(std::size_t(photoOf(path))));
        cell->setImage(thumbnail ? thumbnail->image() : QImage());
        static_cast<ThumbnailCell *>(cell)->title = QStringLiteral("IMG_%1.jpg").arg(path.itemIndex());
    }
    void browserViewPrefetchItemsAtIndexPaths(MCBrowserView *, const QList<MCIndexPath> &paths) override
    {
        cache->fetchThumbnailsAtIndexPaths(paths);
    }
    void browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *, const QList<MCIndexPath> &paths) override
    {
        cache->cancelFetchingForThumbnailsAtIndexPaths(paths);
    }
    std::shared_ptr<MCImageDescriptorProvider> thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *,
                                                                                          const MCIndexPath &path) override
    {
        return providers.at(std::size_t(photoOf(path)));
    }
    void thumbnailCacheDidFetchThumbnail(MCThumbnailCache *, const std::shared_ptr<const MCThumbnail> &,
                                         const MCIndexPath &path) override
    {
        ++delivered;
        view->reloadItemAtIndexPath(path);
    }
};

void BM_ScriptedScroll(benchmark::State &state)
{
    QTemporaryDir folder;
    CachedData data;
    for (int i = 0; i < 200; ++i) {
        const QString path = QDir(folder.path()).filePath(QStringLiteral("photo-%1.jpg").arg(i));
        if (!generatedPhoto(i, 1200, 800).save(path, "JPEG", 85)) {
            state.SkipWithError("cannot write the photos");
            return;
        }
        data.providers.push_back(std::make_shared<CachedData::Provider>(path));
        data.photos.push_back(QImage()); // only the count is used
    }
    MCBrowserView view;
    data.view = &view;
    data.cache->setDelegate(&data);
    view.setItemCell(std::make_shared<ThumbnailCell>());
    view.setDataSource(&data);
    if (state.range(0))
        view.setPrefetchDataSource(&data);
    view.resize(1200, 800);
    view.setScale(0.25);
    view.show();
    view.reloadData();
    QApplication::processEvents();

    std::vector<double> frames, cpuFrames;
    for (auto _ : state) {
        frames.clear();
        cpuFrames.clear();
        QScrollBar *bar = view.verticalScrollBar();
        bar->setValue(0);
        QApplication::processEvents();
        view.viewport()->repaint(); // fonts and the first thumbnails: start-up, not scrolling
        const int step = std::max(1, int(view.contentLayout().scrollLineSize().height() * 0.75));
        QElapsedTimer timer;
        for (int position = 0; position <= bar->maximum(); position += step) {
            timer.start();
            const double cpuStart = threadCpuMilliseconds();
            bar->setValue(position);
            QApplication::processEvents();
            view.viewport()->repaint();
            frames.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpuFrames.push_back(threadCpuMilliseconds() - cpuStart);
        }
    }
    const auto report = [&](const std::vector<double> &times, const char *longestName, const char *overName) {
        double longest = 0;
        qint64 over = 0;
        for (double ms : times) {
            longest = std::max(longest, ms);
            over += ms > 16.0;
        }
        state.counters[longestName] = longest;
        state.counters[overName] = times.empty() ? 0.0 : 100.0 * double(over) / double(times.size());
    };
    state.counters["frames"] = double(frames.size());
    report(frames, "longest_ms", "over_16ms_percent");
    report(cpuFrames, "longest_cpu_ms", "over_16ms_cpu_percent");
    state.counters["thumbnails_delivered"] = double(data.delivered);
    state.SetLabel(QStringLiteral("%1 columns").arg(view.contentLayout().numberOfColumns()).toStdString());
}
// 0: no thumbnails asked for (every cell draws its placeholder), the floor; 1: through the cache.
BENCHMARK(BM_ScriptedScroll)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

// The grid is a widget: a widget application rather than the common core one.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    return bench::runRegistered(argc, argv);
}
