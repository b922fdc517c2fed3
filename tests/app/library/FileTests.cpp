#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCSandboxHelperQuillon.h"

#include "halvard/system/MCSandboxHelper.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class FixedLabel : public MCFileLabelSource
{
public:
    std::optional<qint64> label;
    std::optional<qint64> labelNumberAtPath(const QString &) const override { return label; }
};

QString writeFile(const QString &folder, const QString &name, int bytes)
{
    const QString path = folder + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
    return path;
}

QVariantMap withExifDates(const char *original, const char *digitized)
{
    QVariantMap exif;
    if (original)
        exif.insert(kCGImagePropertyExifDateTimeOriginal, original);
    if (digitized)
        exif.insert(kCGImagePropertyExifDateTimeDigitized, digitized);
    return {{kCGImagePropertyExifDictionary, exif}};
}

} // namespace

TEST(File, LabelMapAndFacts)
{
    const qint64 expected[] = {0, 7, 4, 6, 5, 3, 1, 2};
    for (qint64 number = 0; number < 8; ++number)
        EXPECT_EQ(MCFile::fileLabelFromLabelNumber(number), expected[number]);
    EXPECT_EQ(MCFile::fileLabelFromLabelNumber(9), 9);

    const QString folder = testsupport::makeTemporaryFolder();
    auto file = MCFileContainer::newFileWithURL(writeFile(folder, "a.jpg", 2500));
    EXPECT_TRUE(file->reloadFileInfo());
    EXPECT_EQ(file->fileType(), "public.jpeg");
    EXPECT_TRUE(file->filteredIsJPEGFile());
    EXPECT_FALSE(file->filteredIsPNGFile());
    EXPECT_EQ(file->fileSize(), 2500u);
    EXPECT_FALSE(file->fileLabel().has_value()); // Linux keeps no labels
    EXPECT_TRUE(file->fileModificationDate().has_value());
    EXPECT_EQ(file->fileLabelString(), "Not defined");
    EXPECT_EQ(file->fileSizeString(), "2.50 KB");
    EXPECT_FALSE(file->fileTypeString().isEmpty());
    EXPECT_NE(file->fileTypeString(), "Unknown");
    auto odd = MCFileContainer::newFileWithURL(writeFile(folder, "notes.qxz", 1));
    ASSERT_TRUE(odd->reloadFileInfo());
    EXPECT_EQ(odd->fileTypeString(), "Unknown"); // an extension nobody declared

    FixedLabel source;
    MCFile::setLabelSource(&source);
    struct Case
    {
        std::optional<qint64> number;
        std::optional<qint64> stored;
        const char *text;
    } cases[] = {{6, 1, "Red"}, {0, 0, "Not defined"}, {1, 7, "Gray"}, {9, 9, "Not defined"}, {std::nullopt, std::nullopt, "Not defined"}};
    for (const Case &c : cases) {
        source.label = c.number;
        ASSERT_TRUE(file->reloadFileInfo());
        EXPECT_EQ(file->fileLabel(), c.stored);
        EXPECT_EQ(file->fileLabelString(), c.text);
    }
    MCFile::setLabelSource(nullptr);

    // A vanished file keeps its earlier facts.
    ASSERT_TRUE(QFile::remove(file->filePath()));
    EXPECT_FALSE(file->reloadFileInfo());
    EXPECT_EQ(file->fileSize(), 2500u);
}

TEST(File, CaptureDateAndParts)
{
    auto file = MCFile::fileWithID(1);
    EXPECT_FALSE(file->captureDate().has_value());

    file->fileInfo().reloadAllPropertiesFromImageInfo(withExifDates(nullptr, "2019:12:31 23:30:00"));
    file->reloadCaptureDate();
    ASSERT_TRUE(file->captureDate().has_value());
    EXPECT_EQ(file->captureDate()->date(), QDate(2019, 12, 31));
    EXPECT_EQ(file->captureYear(), 2019);
    EXPECT_EQ(file->captureMonth(), 12);
    EXPECT_EQ(file->captureDay(), 31);
    EXPECT_EQ(file->captureHour(), 23);

    // The original date wins over the digitised one.
    file->fileInfo().reloadAllPropertiesFromImageInfo(withExifDates("2020:06:01 08:00:00", "2019:12:31 23:30:00"));
    file->reloadCaptureDate();
    EXPECT_EQ(file->captureYear(), 2020);
    EXPECT_EQ(file->captureHour(), 8);

    // A capture date that disappears takes its parts with it.
    file->fileInfo().reloadAllPropertiesFromImageInfo({});
    file->reloadCaptureDate();
    EXPECT_FALSE(file->captureDate().has_value());
    EXPECT_FALSE(file->captureYear().has_value());
    EXPECT_FALSE(file->captureHour().has_value());
    EXPECT_EQ(file->filteredCaptureDate(), MCFile::distantPast());
}

// A reload racing one that follows newer properties: once both are done the capture date is
// always the one of the properties in place, never the older one the first reload read.
TEST(File, OverlappingCaptureDateReloadsNeverKeepAStaleDate)
{
    auto file = MCFile::fileWithID(7);
    const QVariantMap dates[2] = {withExifDates("2001:01:01 10:00:00", nullptr), withExifDates("2002:02:02 10:00:00", nullptr)};
    int stale = 0;
    for (int round = 0; round < 400; ++round) {
        file->fileInfo().reloadAllPropertiesFromImageInfo(dates[round % 2]);
        std::atomic<bool> go{false};
        std::thread racing([&] {
            while (!go.load())
                std::this_thread::yield();
            file->reloadCaptureDate();
        });
        go = true;
        file->fileInfo().reloadAllPropertiesFromImageInfo(dates[(round + 1) % 2]);
        file->reloadCaptureDate();
        racing.join();
        if (file->captureYear() != ((round + 1) % 2 == 0 ? 2001 : 2002))
            ++stale;
    }
    EXPECT_EQ(stale, 0);
}

// The same overlap made deterministic: a reload that read the properties, stalled, and
// finishes after a reload of newer properties leaves the newer date in place.
TEST(File, ACaptureDateFromOlderPropertiesNeverReplacesANewerOne)
{
    auto file = MCFile::fileWithID(8);
    file->fileInfo().reloadAllPropertiesFromImageInfo(withExifDates("2001:01:01 10:00:00", nullptr));
    const std::shared_ptr<const MCFileInfo::Values> older = file->fileInfo().values();
    file->fileInfo().reloadAllPropertiesFromImageInfo(withExifDates("2002:02:02 10:00:00", nullptr));
    file->reloadCaptureDate();
    file->reloadCaptureDate(older);
    EXPECT_EQ(file->captureYear(), 2002);

    // Newer properties still replace it, also when they hold no date.
    file->fileInfo().reloadAllPropertiesFromImageInfo({});
    file->reloadCaptureDate();
    EXPECT_FALSE(file->captureYear().has_value());
}

TEST(File, BrowserFilterAndGroupValues)
{
    auto file = MCFileContainer::newFileWithURL("/Photos/Trip/a.jpg");
    EXPECT_EQ(file->browserItemSubtitleWithMask(42), "0.0 B");

    file->fileInfo().reloadAllPropertiesFromImageInfo({
        {kCGImagePropertyPixelWidth, 4000},
        {kCGImagePropertyPixelHeight, 3000},
        {kCGImagePropertyOrientation, 6},
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2019:12:31 23:30:00"}, {kCGImagePropertyExifFNumber, 2.79999},
                     {kCGImagePropertyExifFocalLength, 35.05}, {kCGImagePropertyExifFlash, 0x19}}},
        {kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCStarRating, 5}}},
    });
    const QString date = MCFileInfo::mediumDateString(QDate(2019, 12, 31));
    EXPECT_EQ(file->browserItemSubtitleWithMask(42), date + "  3000x4000  0.0 B");
    EXPECT_EQ(file->browserItemSubtitleWithMask(16 | 2), QString::fromUtf8("3000x4000  5★"));
    EXPECT_EQ(file->filteredImageWidth(), 3000u);
    EXPECT_EQ(file->filteredImageHeight(), 4000u);
    EXPECT_EQ(file->filteredCanvasFormat(), 1);
    EXPECT_EQ(file->fileInfo().width().toInt(), 4000);
    EXPECT_DOUBLE_EQ(file->filteredImageFNumber(), 2.8);
    EXPECT_DOUBLE_EQ(file->filteredImageFocalLength(), 35.1);
    EXPECT_EQ(file->filteredImageIsFlashFired(), 1);
    EXPECT_DOUBLE_EQ(file->filteredImageDPI(), 72.0);
    EXPECT_EQ(file->filteredImageColorMode(), "RGB");
    EXPECT_EQ(file->filteredImageColorDepth(), 8);
    EXPECT_FALSE(file->filteredImageIsGPSLocationSet());
    EXPECT_EQ(file->filteredParentFolderName(), "Trip");
    EXPECT_EQ(file->browserItemThumbnailPaths(), QStringList{"/Photos/Trip/a.jpg"});

    const MCMutableOrderedDictionary metadata = file->browserItemMetadata();
    EXPECT_EQ(metadata.count(), 6 + 39);
    EXPECT_EQ(metadata.keyAtIndex(0), "File name");
    EXPECT_EQ(metadata.objectAtIndex(0).toString(), "a.jpg");
    EXPECT_EQ(metadata.objectForKey("File size").toString(), "Unknown");
    EXPECT_EQ(metadata.keyAtIndex(6), "Image size");

    struct Megapixels
    {
        int width, height;
        double value;
    } sizes[] = {{4000, 3000, 12.0}, {4001, 3000, 12.1}, {640, 480, 0.4}, {0, 3000, 0.0}};
    for (const Megapixels &m : sizes) {
        file->fileInfo().reloadMainPropertiesFromImageInfo({{kCGImagePropertyPixelWidth, m.width}, {kCGImagePropertyPixelHeight, m.height}});
        EXPECT_DOUBLE_EQ(file->groupItemMegapixels(), m.value) << m.width;
    }
    auto none = MCFile::fileWithID(2);
    EXPECT_DOUBLE_EQ(none->groupItemMegapixels(), 0.0);
    EXPECT_EQ(none->filteredCanvasFormat(), 2);
    EXPECT_EQ(none->browserItemSubtitleWithMask(0), "");
}

TEST(FileContainer, AddRemoveNotificationsAndIdentifiers)
{
    MCFileContainer &container = MCFileContainer::sharedContainer();
    EXPECT_EQ(&container, &MCFileContainer::sharedContainer());
    QList<std::pair<QString, qint64>> posted;
    auto &center = MCNotificationCenter::defaultCenter();
    auto observe = [&](const QString &name) {
        return center.addObserverForName(name, &container, [&posted, name](const MCNotification &n) {
            posted.append({name, MCFileContainer::filesFromUserInfo(n.userInfo).size()});
        });
    };
    auto added = observe(kMCFileContainerDidAddFiles);
    auto removed = observe(kMCFileContainerDidRemoveFiles);

    container.addFiles({});
    container.removeFiles({});
    EXPECT_TRUE(posted.isEmpty());

    auto a = MCFileContainer::newFileWithURL("/Photos/Trip/a.jpg");
    auto b = MCFileContainer::newFileWithURL("/Photos/Trip/a.jpg");
    EXPECT_EQ(a->fileName(), "a.jpg");
    EXPECT_EQ(a->folderPath(), "/Photos/Trip");
    EXPECT_LT(a->fileID(), b->fileID());
    EXPECT_NE(a, b); // same path, two objects: identity decides
    EXPECT_FALSE(container.containsFileWithPath(a->filePath())); // made, not added

    container.addFiles({a});
    container.addFiles({b}); // replaces the file stored under the path: a leaves, b comes
    EXPECT_EQ(container.numberOfFiles(), 1);
    EXPECT_EQ(container.fileWithPath("/Photos/Trip/a.jpg"), b);
    container.removeFiles({a}); // removes whatever is stored under its path
    EXPECT_EQ(container.numberOfFiles(), 0);
    EXPECT_EQ(container.fileWithPath("/Photos/Trip/a.jpg"), nullptr);
    const QList<std::pair<QString, qint64>> expected = {
        {kMCFileContainerDidAddFiles, 1},
        {kMCFileContainerDidRemoveFiles, 1},
        {kMCFileContainerDidAddFiles, 1},
        {kMCFileContainerDidRemoveFiles, 1}};
    EXPECT_EQ(posted, expected);
    center.removeObserver(added);
    center.removeObserver(removed);

    // Identifiers stay strictly increasing across threads.
    constexpr int kPerThread = 2000;
    std::vector<quint64> ids[4];
    std::vector<std::thread> threads;
    for (auto &list : ids)
        threads.emplace_back([&list] {
            for (int i = 0; i < kPerThread; ++i)
                list.push_back(MCFileContainer::newFileWithURL("/x")->fileID());
        });
    for (auto &thread : threads)
        thread.join();
    QSet<quint64> all;
    for (const auto &list : ids) {
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()) && std::adjacent_find(list.begin(), list.end()) == list.end());
        for (quint64 id : list)
            all.insert(id);
    }
    EXPECT_EQ(all.size(), 4 * kPerThread);

    // An import's worker looks files up while the GUI thread adds files (the map grows and
    // rehashes) and removes them.
    std::atomic<bool> done{false};
    std::atomic<qint64> found{0};
    std::thread reader([&] {
        while (!done) {
            for (int i = 0; i < 64; ++i)
                if (container.fileWithPath(QStringLiteral("/race/%1.jpg").arg(i)))
                    ++found;
            found += container.allFiles().size();
        }
    });
    MCFileList raced;
    for (int round = 0; round < 100; ++round) {
        MCFileList batch;
        for (int i = 0; i < 64; ++i)
            batch.append(MCFileContainer::newFileWithURL(QStringLiteral("/race/%1.jpg").arg(round * 64 + i)));
        container.addFiles(batch);
        raced += batch;
    }
    EXPECT_EQ(container.numberOfFiles(), 6400);
    container.removeFiles(raced);
    done = true;
    reader.join();
    EXPECT_EQ(container.numberOfFiles(), 0);
}

TEST(File, DescriptorPasteboardAndKeyedValues)
{
    auto file = MCFileContainer::newFileWithURL("/Photos/Trip 1/a b.jpg");
    EXPECT_EQ(file->resourceID(), QVariant::fromValue(file->fileID()));
    std::shared_ptr<MCResourceDescriptor> descriptor = file->resourceDescriptor();
    auto image = std::dynamic_pointer_cast<MCImageDescriptor>(descriptor);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->fileURL(), "/Photos/Trip 1/a b.jpg");
    EXPECT_EQ(image->estimatedPixelSize(), 0u); // size not known yet

    // The larger side as shown; the stored width stays as it is.
    file->fileInfo().reloadAllPropertiesFromImageInfo(
        {{kCGImagePropertyPixelWidth, 3000}, {kCGImagePropertyPixelHeight, 4500}, {kCGImagePropertyOrientation, 6}});
    EXPECT_EQ(file->imageDescriptor()->estimatedPixelSize(), 4500u);
    EXPECT_EQ(file->browserItemImageWidth().toInt(), 3000);

    EXPECT_EQ(file->writableTypesForPasteboard(), QStringList{"public.file-url"});
    EXPECT_EQ(file->writingOptionsForType("public.file-url"), 512u);
    EXPECT_EQ(file->pasteboardPropertyListForType("public.file-url").toString(), "file:///Photos/Trip%201/a%20b.jpg");
    EXPECT_FALSE(file->pasteboardPropertyListForType("public.utf8-plain-text").isValid());
    EXPECT_EQ(file->previewItemURL().toLocalFile(), file->filePath());
    EXPECT_EQ(file->previewItemTitle(), "a b.jpg");

    auto other = MCFileContainer::newFileWithURL("/Photos/b.jpg");
    const std::unique_ptr<QMimeData> data = MCFile::newMimeDataForFiles({file, nullptr, other});
    ASSERT_TRUE(data->hasUrls());
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile("/Photos/Trip 1/a b.jpg"), QUrl::fromLocalFile("/Photos/b.jpg")}));

    // What a predicate or a grouping rule reads by key from a photo without properties.
    auto bare = MCFile::fileWithID(7);
    struct Keyed
    {
        const char *key;
        QVariant value;
    } fallbacks[] = {
        {"filteredFileName", QString("")},
        {"filteredCaptureDate", MCFile::distantPast()},
        {"filteredIsFlagged", false},
        {"filteredRating", qint64(0)},
        {"filteredKeywords", QStringList()},
        {"filteredIsRAWFile", false},
        {"filteredFileSize", quint64(0)},
        {"filteredImageWidth", quint64(0)},
        {"filteredCanvasFormat", qint64(2)},
        {"filteredImageDPI", 72.0},
        {"filteredImageIsFlashFired", qint64(0)},
        {"filteredCameraMaker", QString("")},
        {"filteredIPTCLocation", QString("")},
        {"groupItemMegapixels", 0.0},
        {"groupItemFileType", QVariant()},
        {"groupItemCaptureYear", QVariant()},
        {"groupItemImageAspectRatio", QVariant()},
        {"noSuchKey", QVariant()},
    };
    for (const Keyed &k : fallbacks)
        EXPECT_EQ(bare->valueForKey(k.key), k.value) << k.key;

    bare->fileInfo().reloadAllPropertiesFromImageInfo({
        {kCGImagePropertyPixelWidth, 4000},
        {kCGImagePropertyPixelHeight, 3000},
        {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2019:12:31 23:30:00"}}},
        {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, "Maker"}}},
    });
    bare->reloadCaptureDate();
    EXPECT_EQ(bare->valueForKey("groupItemCaptureYear"), QVariant::fromValue(qint64(2019)));
    EXPECT_EQ(bare->valueForKey("groupItemImageAspectRatio"), QVariant::fromValue(*MCFraction::fractionWithNumerator(4, 3)));
    EXPECT_EQ(bare->valueForKey("filteredCameraMaker").toString(), "Maker");
    EXPECT_DOUBLE_EQ(bare->valueForKey("groupItemMegapixels").toDouble(), 12.0);
}

TEST(SandboxHelperQuillon, FilesFoldersAreGrantedTogether)
{
    const QString root = testsupport::makeTemporaryFolder();
    ASSERT_TRUE(QDir().mkpath(root + "/Trip/Day 1") && QDir().mkpath(root + "/Trip/Day 2"));
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);
    QStringList asked; // the grant dialog, answered with the folder it suggests
    MCScopedOpenPanelResponder grant([&](const MCOpenPanelRequest &request) {
        asked << request.directory;
        return MCOpenPanelAnswer{true, {request.directory}};
    });
    MCSandboxHelperQuillon::prepareForAccessingFiles(
        helper, {MCFileContainer::newFileWithURL(root + "/Trip/Day 1/a.jpg"), nullptr,
                 MCFileContainer::newFileWithURL(root + "/Trip/Day 2/b.jpg")});
    ASSERT_EQ(helper.sandboxURLs().size(), 1);
    EXPECT_EQ(helper.sandboxURLs().first()->securityScopedURL(), root + "/Trip");
    EXPECT_EQ(asked, QStringList{root + "/Trip"});
}
