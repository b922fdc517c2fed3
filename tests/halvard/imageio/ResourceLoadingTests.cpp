#include "halvard/imageio/MCCache.h"
#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/imageio/MCThumbnailCache.h"
#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"
#include "TestImages.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// ---------------------------------------------------------------- helpers

// A load that records the order it ran in and can be held at its start.
struct Recorder
{
    std::mutex mutex;
    QStringList started;
    std::atomic<int> running{0}, maxRunning{0};
    std::atomic<bool> hold{false};
};

class RecordingDescriptor : public MCResourceDescriptor
{
public:
    explicit RecordingDescriptor(QString name) : name(std::move(name)) {}
    QString name;
};

class RecordingStrategy : public MCResourceLoadStrategy
{
public:
    explicit RecordingStrategy(Recorder &recorder) : m_recorder(recorder) {}
    std::shared_ptr<MCResource> loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                          const MCResourceLoadOptions &) const override
    {
        const int now = ++m_recorder.running;
        int seen = m_recorder.maxRunning.load();
        while (now > seen && !m_recorder.maxRunning.compare_exchange_weak(seen, now)) {
        }
        {
            std::lock_guard lock(m_recorder.mutex);
            m_recorder.started.append(static_cast<const RecordingDescriptor &>(descriptor).name);
        }
        while (m_recorder.hold.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        --m_recorder.running;
        return std::make_shared<MCThumbnailResource>(std::make_shared<const MCThumbnail>(QImage(4, 4, QImage::Format_RGB32)),
                                                     4, MCError());
    }

private:
    Recorder &m_recorder;
};

class RecordingOptions : public MCResourceLoadOptions
{
public:
    explicit RecordingOptions(Recorder &recorder) : m_strategy(recorder) {}
    const MCResourceLoadStrategy &strategy() const override { return m_strategy; }

private:
    RecordingStrategy m_strategy;
};

// A JPEG of the given size, a gradient so that scaled reads are not all one colour.
QString writeJPEG(const QString &folder, const QString &name, size_t width, size_t height)
{
    const QString path = folder + QLatin1Char('/') + name;
    const CGImageRef image = testimages::make(width, height, 8, 32, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                              kCGImageAlphaNoneSkipLast, [&](size_t x, size_t y, uint8_t *p) {
                                                  p[0] = uint8_t(x * 255 / width);
                                                  p[1] = uint8_t(y * 255 / height);
                                                  p[2] = 128;
                                                  p[3] = 255;
                                              });
    EXPECT_TRUE(MCSaveImageToURL(image, path));
    return path;
}

// Embeds `thumbnail` as the file's EXIF thumbnail.
bool embedThumbnail(const QString &path, const QString &thumbnail)
{
    if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
        return false;
    QProcess process;
    process.start(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                               QStringLiteral("-ThumbnailImage<=") + thumbnail, path});
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

QSize sizeOf(const CGImageRef &image)
{
    return image ? QSize(int(image->width()), int(image->height())) : QSize();
}

class Provider : public MCImageDescriptorProvider
{
public:
    Provider(qint64 id, QString path, quint64 estimated = 0) : id(id), path(std::move(path)), estimated(estimated) {}
    std::shared_ptr<MCImageDescriptor> imageDescriptor() const override
    {
        return std::make_shared<MCImageDescriptor>(path, estimated);
    }
    QVariant resourceID() const override { return QVariant::fromValue(id); }
    qint64 id;
    QString path;
    quint64 estimated;
};

class Delegate : public MCThumbnailCacheDelegate
{
public:
    std::shared_ptr<MCImageDescriptorProvider> thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *,
                                                                                           const MCIndexPath &path) override
    {
        return providers.value(path);
    }
    void thumbnailCacheDidFetchThumbnail(MCThumbnailCache *, const std::shared_ptr<const MCThumbnail> &thumbnail,
                                         const MCIndexPath &path) override
    {
        EXPECT_TRUE(platform::isMainThread());
        delivered.append({path, thumbnail});
    }
    QHash<MCIndexPath, std::shared_ptr<MCImageDescriptorProvider>> providers;
    QList<std::pair<MCIndexPath, std::shared_ptr<const MCThumbnail>>> delivered;
};

MCIndexPath at(quint64 item) { return MCIndexPath::indexPathForItem(item, 0); }

} // namespace

// ---------------------------------------------------------------- LRU cache

TEST(MCCache, EvictsTheLeastRecentlyUsed)
{
    MCCache<QString, int> cache(2);
    cache.setObject(1, QStringLiteral("A"));
    cache.setObject(2, QStringLiteral("B"));
    EXPECT_EQ(cache.objectForKey(QStringLiteral("A")), 1);
    cache.setObject(3, QStringLiteral("C"));
    EXPECT_EQ(cache.keysByRecency(), (QStringList{QStringLiteral("C"), QStringLiteral("A")}));
    EXPECT_FALSE(cache.containsKey(QStringLiteral("B")));

    // Setting a held key replaces and refreshes it without evicting.
    cache.setObject(4, QStringLiteral("A"));
    EXPECT_EQ(cache.keysByRecency(), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_EQ(cache.objectForKey(QStringLiteral("A")), 4);

    // Emptied to one entry, removed, then refilled: the older of the two is the tail.
    cache.removeObjectForKey(QStringLiteral("C"));
    cache.removeObjectForKey(QStringLiteral("A"));
    EXPECT_EQ(cache.count(), 0);
    cache.setObject(5, QStringLiteral("D"));
    cache.setObject(6, QStringLiteral("E"));
    EXPECT_EQ(cache.keysByRecency(), (QStringList{QStringLiteral("E"), QStringLiteral("D")}));

    MCCache<QString, int> none(0);
    none.setObject(1, QStringLiteral("A"));
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.objectForKey(QStringLiteral("A")), 0);
}

// ---------------------------------------------------------------- loader

TEST(MCResourceLoader, RunsOneAtATimeInOrderAndDeliversOnTheMainThread)
{
    Recorder recorder;
    recorder.hold = true;
    MCResourceLoader loader;
    auto options = std::make_shared<RecordingOptions>(recorder);
    QStringList delivered;
    for (const char *name : {"a", "b", "c", "d"})
        loader.requestResourceForIdentifier(QString::fromLatin1(name),
                                            std::make_shared<RecordingDescriptor>(QString::fromLatin1(name)), options,
                                            [&delivered, name](const std::shared_ptr<MCResource> &resource) {
                                                EXPECT_TRUE(platform::isMainThread());
                                                EXPECT_TRUE(resource);
                                                delivered.append(QString::fromLatin1(name));
                                            });
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.running.load() == 1; }));
    // "a" runs: cancelling it still delivers; "c" has not started: it never calls back;
    // an unknown identifier does nothing.
    loader.cancelRequestWithID(QStringLiteral("a"));
    loader.cancelRequestsWithIDs({QStringLiteral("c"), QStringLiteral("nothing")});
    recorder.hold = false;
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return delivered.size() == 3; }));
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(delivered, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")}));
    EXPECT_EQ(recorder.started, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")}));
    EXPECT_EQ(recorder.maxRunning.load(), 1);
}

TEST(MCResourceLoader, OnlyTheLaterOfEqualIdentifiersCanBeCancelled)
{
    Recorder recorder;
    recorder.hold = true;
    MCResourceLoader loader;
    auto options = std::make_shared<RecordingOptions>(recorder);
    QStringList delivered;
    auto request = [&](const char *identifier, const char *name) {
        loader.requestResourceForIdentifier(QString::fromLatin1(identifier),
                                            std::make_shared<RecordingDescriptor>(QString::fromLatin1(name)), options,
                                            [&delivered, name](const std::shared_ptr<MCResource> &) {
                                                delivered.append(QString::fromLatin1(name));
                                            });
    };
    request("blocker", "blocker");
    request("k", "first");
    request("k", "second");
    loader.cancelRequestWithID(QStringLiteral("k"));
    recorder.hold = false;
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return delivered.size() == 2; }));
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(delivered, (QStringList{QStringLiteral("blocker"), QStringLiteral("first")}));
}

TEST(MCResourceLoader, AFloodCancelledAtOnceDeliversNothingMore)
{
    Recorder recorder;
    recorder.hold = true;
    MCResourceLoader loader;
    auto options = std::make_shared<RecordingOptions>(recorder);
    int delivered = 0;
    QStringList identifiers;
    for (int i = 0; i < 10000; ++i) {
        identifiers.append(QString::number(i));
        loader.requestResourceForIdentifier(identifiers.last(), std::make_shared<RecordingDescriptor>(identifiers.last()),
                                            options, [&delivered](const std::shared_ptr<MCResource> &) { ++delivered; });
    }
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.running.load() == 1; }));
    loader.cancelRequestsWithIDs(identifiers);
    recorder.hold = false;
    loader.waitUntilAllRequestsAreFinished();
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(delivered, 1); // only the one already running
}

TEST(MCResourceLoader, UnreadableFilesGiveNullResultsWithTheirIdentifier)
{
    struct Receiver : MCResourceThumbnailReceiver, MCResourceImageReceiver
    {
        void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid) override
        {
            thumbnails.append({thumbnail.isNull(), uuid});
        }
        void receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata, const QUuid &uuid) override
        {
            images.append({!image && metadata.isEmpty(), uuid});
        }
        QList<std::pair<bool, QUuid>> thumbnails, images;
    };
    const QString folder = testsupport::makeTemporaryFolder();
    QFile damaged(folder + QStringLiteral("/damaged.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\xFF\xD8\xFF\xE0 not really a photo");
    damaged.close();

    auto receiver = std::make_shared<Receiver>();
    MCResourceLoader loader;
    const QUuid a = loader.requestThumbnail(std::make_shared<MCImageDescriptor>(damaged.fileName(), 0), 256, receiver);
    const QUuid b = loader.requestThumbnail(std::make_shared<MCImageDescriptor>(folder + QStringLiteral("/gone.jpg"), 0),
                                            256, receiver);
    const QUuid c = loader.requestImage(std::make_shared<MCImageDescriptor>(damaged.fileName(), 0), receiver);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return receiver->images.size() == 1; }));
    EXPECT_EQ(receiver->thumbnails, (QList<std::pair<bool, QUuid>>{{true, a}, {true, b}}));
    EXPECT_EQ(receiver->images, (QList<std::pair<bool, QUuid>>{{true, c}}));
}

TEST(MCResourceLoader, ImageRequestsDeliverTheDecodedPhotoAndItsProperties)
{
    struct Receiver : MCResourceImageReceiver
    {
        void receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata, const QUuid &) override
        {
            this->image = image;
            this->metadata = metadata;
            done = true;
        }
        std::shared_ptr<MCImage> image;
        QVariantMap metadata;
        bool done = false;
    };
    const QString path = writeJPEG(testsupport::makeTemporaryFolder(), QStringLiteral("a.jpg"), 64, 48);
    auto receiver = std::make_shared<Receiver>();
    MCResourceLoader::sharedInstance().requestImage(std::make_shared<MCImageDescriptor>(path, 64), receiver);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return receiver->done; }));
    ASSERT_TRUE(receiver->image);
    EXPECT_EQ(receiver->image->width(), 64u);
    EXPECT_EQ(receiver->image->height(), 48u);
    EXPECT_EQ(receiver->metadata.value(QStringLiteral("PixelWidth")).toLongLong(), 64);
}

// ---------------------------------------------------------------- thumbnail choice

TEST(MCThumbnailLoadStrategy, ChoosesTheThumbnailByTheTargetSize)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString photo = writeJPEG(folder, QStringLiteral("photo.jpg"), 1600, 1200);
    const QString small = writeJPEG(folder, QStringLiteral("small.jpg"), 160, 120);
    const QString medium = writeJPEG(folder, QStringLiteral("medium.jpg"), 400, 300);
    ASSERT_TRUE(embedThumbnail(photo, small)) << "exiftool is needed to embed a thumbnail";

    struct Case
    {
        const char *what;
        quint64 asked, estimated;
        QList<MCThumbnailDescriptor> files;
        QSize expected;
    };
    const Case cases[] = {
        // The embedded 160 px thumbnail is below both sizes: one is made from the image.
        {"embedded too small", 256, 1600, {}, QSize(256, 192)},
        // An estimated size of 0 is always reached: the embedded thumbnail is taken as it is.
        {"estimate unknown", 256, 0, {}, QSize(160, 120)},
        // The target is the smaller of asked and estimated size; the embedded one reaches it.
        {"estimate below asked", 256, 150, {}, QSize(150, 113)},
        // A thumbnail file that reaches the target wins over reading the photo.
        {"thumbnail file", 256, 1600, {{small, 160}, {medium, 400}}, QSize(256, 192)},
        {"thumbnail file, size unknown", 300, 1600, {{medium, 0}}, QSize(300, 225)},
        // Files too small are tried last; a larger read from the photo wins.
        {"files too small", 256, 1600, {{small, 160}}, QSize(256, 192)},
    };
    for (const Case &c : cases) {
        MCImageDescriptor descriptor(photo, c.estimated);
        descriptor.setThumbnailDescriptors(c.files);
        MCThumbnailLoadOptions options;
        options.thumbnailMaxPixelSize = c.asked;
        EXPECT_EQ(sizeOf(MCThumbnailLoadStrategy::newThumbnailForImageDescriptor(descriptor, options)), c.expected)
            << c.what;
    }

    // Asked for no size with no estimate: the first read that succeeds is taken.
    MCThumbnailLoadOptions unlimited;
    EXPECT_EQ(sizeOf(MCThumbnailLoadStrategy::newThumbnailForImageDescriptor(MCImageDescriptor(photo, 0), unlimited)),
              QSize(160, 120));
    // Made from the image always: the embedded one is never taken.
    unlimited.createThumbnailFromImageAlways = true;
    unlimited.thumbnailMaxPixelSize = 100;
    EXPECT_EQ(sizeOf(MCThumbnailLoadStrategy::newThumbnailForImageDescriptor(MCImageDescriptor(photo, 0), unlimited)),
              QSize(100, 75));
}

// ---------------------------------------------------------------- thumbnail cache

TEST(MCThumbnailCache, StoresOnlyTheLatestRequestPerIndexPath)
{
    const QString folder = testsupport::makeTemporaryFolder();
    Delegate delegate;
    delegate.providers.insert(at(0), std::make_shared<Provider>(1, writeJPEG(folder, QStringLiteral("1.jpg"), 300, 200)));
    delegate.providers.insert(at(1), std::make_shared<Provider>(2, writeJPEG(folder, QStringLiteral("2.jpg"), 200, 300)));
    auto cache = MCThumbnailCache::cacheWithThumbnailSize(64);
    cache->setDelegate(&delegate);

    // Fetching [0] twice: only the second request's result is stored and reported.
    cache->fetchThumbnailsAtIndexPaths({at(0)});
    cache->fetchThumbnailsAtIndexPaths({at(0), at(1)});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return delegate.delivered.size() == 2; }));
    testsupport::processEventsUntil([] { return false; }, 100);
    ASSERT_EQ(delegate.delivered.size(), 2);
    EXPECT_EQ(delegate.delivered[0].first, at(0));
    EXPECT_EQ(delegate.delivered[0].second->image().size(), QSize(64, 43));
    EXPECT_EQ(delegate.delivered[1].second->image().size(), QSize(43, 64));
    EXPECT_EQ(cache->thumbnailForDescriptorProvider(*delegate.providers.value(at(1))), delegate.delivered[1].second);

    // A cached fetch completes inside the call.
    delegate.delivered.clear();
    cache->fetchThumbnailsAtIndexPaths({at(1)});
    EXPECT_EQ(delegate.delivered.size(), 1);

    // A size change keeps what is cached until the photo is fetched again.
    cache->setThumbnailSize(32);
    EXPECT_EQ(cache->thumbnailForDescriptorProvider(*delegate.providers.value(at(0)))->image().size(), QSize(64, 43));

    cache->invalidate();
    EXPECT_FALSE(cache->thumbnailForDescriptorProvider(*delegate.providers.value(at(0))));
}

TEST(MCThumbnailCache, CancelledAndFailedFetches)
{
    const QString folder = testsupport::makeTemporaryFolder();
    Delegate delegate;
    delegate.providers.insert(at(0), std::make_shared<Provider>(1, writeJPEG(folder, QStringLiteral("1.jpg"), 300, 200)));
    delegate.providers.insert(at(1), std::make_shared<Provider>(2, folder + QStringLiteral("/missing.jpg")));
    delegate.providers.insert(at(2), std::make_shared<Provider>(3, writeJPEG(folder, QStringLiteral("3.jpg"), 300, 200)));
    auto cache = MCThumbnailCache::cacheWithThumbnailSize(64);
    cache->setDelegate(&delegate);

    // Never fetched: nothing happens. Cancelled: its result, if loaded, is dropped (a load
    // that had started still fills the resource cache, so photo 1 is not fetched again below).
    cache->cancelFetchingForThumbnailsAtIndexPaths({at(5)});
    cache->fetchThumbnailsAtIndexPaths({at(0)});
    cache->cancelFetchingForThumbnailsAtIndexPaths({at(0)});
    testsupport::processEventsUntil([] { return false; }, 300);
    EXPECT_TRUE(delegate.delivered.isEmpty());
    EXPECT_FALSE(cache->thumbnailForDescriptorProvider(*delegate.providers.value(at(0))));

    // A photo that cannot be read is reported with a null image and remembered: the next
    // fetch is answered from the cache without loading again.
    cache->fetchThumbnailsAtIndexPaths({at(1)});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return delegate.delivered.size() == 1; }));
    EXPECT_TRUE(delegate.delivered[0].second->image().isNull());
    cache->fetchThumbnailsAtIndexPaths({at(1)});
    EXPECT_EQ(delegate.delivered.size(), 2);

    // A cache destroyed while a load runs receives nothing (a photo never loaded before).
    cache->fetchThumbnailsAtIndexPaths({at(2)});
    cache.reset();
    testsupport::processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(delegate.delivered.size(), 2);
}
