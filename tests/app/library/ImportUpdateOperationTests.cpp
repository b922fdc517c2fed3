#include "app/library/MCImportOperation.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCUpdateOperation.h"
#include "platform/core/MCNotificationCenter.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace {

const QSet<QString> kPhotoTypes{QStringLiteral("public.jpeg"), QStringLiteral("public.png")};

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// What one import delivered on the GUI thread.
struct ImportResult
{
    bool started = false;
    bool finished = false;
    bool hadBothKeys = false;
    MCFileList files;
    QStringList folders;

    QStringList relativeNames(const QString &root) const
    {
        QStringList names;
        for (const auto &file : files)
            names << QDir(root).relativeFilePath(file->filePath()) + QStringLiteral(" @") + file->folderRelativePath();
        return names;
    }
};

ImportResult runImport(const QStringList &paths, bool cancelFirst = false)
{
    auto operation = std::make_shared<MCImportOperation>();
    operation->setImportURLs(paths);
    operation->setImportTypes(kPhotoTypes);
    ImportResult result;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const auto startToken = center.addObserverForName(kMCImportOperationDidStartNotification, operation.get(),
                                                      [&](const MCNotification &) { result.started = true; });
    const auto finishToken = center.addObserverForName(
        kMCImportOperationDidFinishNotification, operation.get(), [&](const MCNotification &note) {
            result.finished = true;
            result.hadBothKeys = note.userInfo.contains(kMCImportOperationCreatedFilesKey)
                                 && note.userInfo.contains(kMCImportOperationCreatedFolderURLsKey);
            result.files = MCImportOperation::createdFilesFromUserInfo(note.userInfo);
            result.folders = note.userInfo.value(kMCImportOperationCreatedFolderURLsKey).toStringList();
        });
    MCOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    if (cancelFirst)
        operation->cancel();
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return result.finished; }));
    center.removeObserver(startToken);
    center.removeObserver(finishToken);
    return result;
}

TEST(ImportOperation, ScansFoldersWithRelativePathsHiddenItemsAndTypes)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("import"));
    touch(root + "/Trip/a.jpg");
    touch(root + "/Trip/.hidden.jpg");
    touch(root + "/Trip/notes.txt");
    touch(root + "/Trip/.cache/c.jpg");
    touch(root + "/Trip/Day 1/b.jpg");
    touch(root + "/.dropped.png");

    const ImportResult folder = runImport({root + "/Trip"});
    EXPECT_TRUE(folder.started);
    EXPECT_TRUE(folder.hadBothKeys);
    EXPECT_EQ(folder.relativeNames(root), (QStringList{"Trip/a.jpg @Trip", "Trip/Day 1/b.jpg @Trip/Day 1"}));
    EXPECT_EQ(folder.folders, (QStringList{root + "/Trip", root + "/Trip/Day 1"}));

    // A hidden file dropped by itself is imported; no folder was scanned.
    const ImportResult single = runImport({root + "/.dropped.png"});
    EXPECT_EQ(single.relativeNames(root), QStringList{".dropped.png @"});
    EXPECT_TRUE(single.folders.isEmpty());
    EXPECT_TRUE(single.hadBothKeys);
}

TEST(ImportOperation, EveryPathBecomesOneFileOnce)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("once"));
    touch(root + "/a.jpg");
    touch(root + "/b.jpg");
    touch(root + "/c.jpg");
    MCFileContainer &library = MCFileContainer::sharedContainer();
    const auto held = MCFileContainer::newFileWithURL(root + "/c.jpg");
    library.addFiles({held});

    // a.jpg given by itself and inside its folder: one file; c.jpg is held already.
    ImportResult first = runImport({root + "/a.jpg", root});
    EXPECT_EQ(first.relativeNames(root).size(), 2);
    EXPECT_EQ(first.relativeNames(root), (QStringList{"a.jpg @", "b.jpg @" + QFileInfo(root).fileName()}));

    // While the first import's files wait for their update, a second import of the same
    // folder makes no second file for those paths.
    EXPECT_TRUE(runImport({root}).files.isEmpty());

    // Once the first import's files are added, they are held; once thrown away, free again.
    library.addFiles({first.files.first()});
    first.files.removeFirst();
    EXPECT_EQ(runImport({root}).relativeNames(root), QStringList{});
    first.files.clear();
    EXPECT_EQ(runImport({root}).relativeNames(root), (QStringList{"b.jpg @" + QFileInfo(root).fileName()}));

    library.removeFiles(library.allFiles());
}

TEST(ImportOperation, HostileTreesEndWithoutHangsOrMangledNames)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("hostile"));
    touch(root + "/Trip/ok.jpg");
    // A link loop and a second way into a folder: each folder is scanned once.
    ASSERT_EQ(::symlink("..", QFile::encodeName(root + "/Trip/loop").constData()), 0);
    touch(root + "/Other/o.jpg");
    ASSERT_EQ(::symlink("../Other", QFile::encodeName(root + "/Trip/other").constData()), 0);
    ASSERT_EQ(::symlink("missing.jpg", QFile::encodeName(root + "/Trip/dangling.jpg").constData()), 0);
    // A FIFO with a photo's name would block a reader for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/Trip/pipe.jpg").constData(), 0600), 0);
    // A name that is not valid UTF-8 cannot be kept byte for byte: skipped, never mangled.
    const QByteArray bad = QFile::encodeName(root + "/Trip/") + QByteArray("bad\xff.jpg");
    {
        FILE *f = std::fopen(bad.constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    // Twenty levels of folders.
    QString deep = root + "/Trip";
    for (int level = 0; level < 20; ++level)
        deep += QStringLiteral("/L%1").arg(level);
    touch(deep + "/deep.jpg");

    const ImportResult result = runImport({root + "/Trip"});
    QStringList names;
    for (const auto &file : result.files)
        names << file->fileName();
    names.sort();
    EXPECT_EQ(names, (QStringList{"deep.jpg", "o.jpg", "ok.jpg"}));
    for (const auto &file : result.files)
        EXPECT_FALSE(file->filePath().contains(QChar::ReplacementCharacter));
    // Trip, L0…L19, the root through the loop (once; Trip inside it is not scanned again) and
    // Other inside it; the second link to Other leads nowhere new.
    EXPECT_EQ(result.folders.size(), 1 + 1 + 1 + 20);
    QStringList folders = result.folders;
    EXPECT_EQ(folders.removeDuplicates(), 0);
    ::unlink(bad.constData()); // Qt could not remove it with the folder
}

TEST(ImportOperation, CancelledImportStillFinishes)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("cancel"));
    touch(root + "/a.jpg");
    const ImportResult result = runImport({root}, /*cancelFirst=*/true);
    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(result.hadBothKeys);
    EXPECT_TRUE(result.files.isEmpty());
}

TEST(FileContainer, NeverHoldsOrShowsTwoFilesForOnePath)
{
    MCFileContainer &library = MCFileContainer::sharedContainer();
    const auto older = MCFileContainer::newFileWithURL(QStringLiteral("/photos/x.jpg"));
    const auto newer = MCFileContainer::newFileWithURL(QStringLiteral("/photos/x.jpg"));
    MCFileList added, removed;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const auto a = center.addObserverForName(kMCFileContainerDidAddFiles, &library, [&](const MCNotification &n) {
        added += MCFileContainer::filesFromUserInfo(n.userInfo);
    });
    const auto r = center.addObserverForName(kMCFileContainerDidRemoveFiles, &library, [&](const MCNotification &n) {
        removed += MCFileContainer::filesFromUserInfo(n.userInfo);
    });
    library.addFiles({older, older});
    library.addFiles({older});
    library.addFiles({newer});
    center.removeObserver(a);
    center.removeObserver(r);
    EXPECT_EQ(added, (MCFileList{older, newer}));
    EXPECT_EQ(removed, MCFileList{older}) << "the replaced file must leave every observer's list";
    EXPECT_EQ(library.fileWithPath(QStringLiteral("/photos/x.jpg")), newer);
    library.removeFiles({newer});
}

// A claim given up frees its path at once, while the file is still held; another file's
// claim on the same path is left alone.
TEST(FileContainer, GivenUpClaimsFreeTheirPaths)
{
    MCFileContainer &library = MCFileContainer::sharedContainer();
    const auto claimed = MCFileContainer::newFileWithURL(QStringLiteral("/claims/a.jpg"));
    const auto other = MCFileContainer::newFileWithURL(QStringLiteral("/claims/b.jpg"));
    library.registerPendingFile(claimed);
    library.registerPendingFile(other);
    const auto stranger = MCFileContainer::newFileWithURL(QStringLiteral("/claims/b.jpg"));
    library.unregisterPendingFiles({claimed, stranger, nullptr});
    EXPECT_FALSE(library.isPathHeldOrPending(QStringLiteral("/claims/a.jpg")));
    EXPECT_TRUE(library.isPathHeldOrPending(QStringLiteral("/claims/b.jpg")));
    library.unregisterPendingFiles({other});
    EXPECT_FALSE(library.isPathHeldOrPending(QStringLiteral("/claims/b.jpg")));
}

// Stopped at any moment, an import leaves no path claimed but by files it handed over, so
// the same folder dropped right after the stop is imported in full.
TEST(ImportOperation, AStoppedImportLeavesNoClaims)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("stopped"));
    for (int i = 0; i < 400; ++i)
        touch(root + QStringLiteral("/f%1.jpg").arg(i));
    auto operation = std::make_shared<MCImportOperation>();
    operation->setImportURLs({root});
    operation->setImportTypes(kPhotoTypes);
    bool finished = false;
    MCFileList handed;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const auto start = center.addObserverForName(kMCImportOperationDidStartNotification, operation.get(),
                                                 [&](const MCNotification &) { operation->cancel(); });
    const auto finish = center.addObserverForName(kMCImportOperationDidFinishNotification, operation.get(),
                                                  [&](const MCNotification &n) {
                                                      finished = true;
                                                      handed = MCImportOperation::createdFilesFromUserInfo(n.userInfo);
                                                  });
    MCOperationQueue queue;
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return finished; }));
    center.removeObserver(start);
    center.removeObserver(finish);
    QSet<QString> handedPaths;
    for (const auto &file : handed)
        handedPaths.insert(file->filePath());
    for (int i = 0; i < 400; ++i) {
        const QString path = root + QStringLiteral("/f%1.jpg").arg(i);
        ASSERT_EQ(MCFileContainer::sharedContainer().isPathHeldOrPending(path), handedPaths.contains(path)) << i;
    }
    MCFileContainer::sharedContainer().unregisterPendingFiles(handed);
}

// An update whose reads take a set time on a clock of its own.
class TimedUpdate : public MCUpdateOperation
{
public:
    explicit TimedUpdate(double secondsPerFile, int cancelAfter = -1)
        : m_secondsPerFile(secondsPerFile)
        , m_cancelAfter(cancelAfter)
    {
        setClock([this] { return m_now.load(); });
    }
    std::atomic<int> reads{0};

protected:
    void reloadFile(const std::shared_ptr<MCFile> &) override
    {
        m_now = m_now + m_secondsPerFile;
        if (++reads == m_cancelAfter)
            cancel();
    }

private:
    const double m_secondsPerFile;
    const int m_cancelAfter;
    std::atomic<double> m_now{1000.0};
};

struct UpdateResult
{
    bool started = false, finished = false, cancelled = false;
    QList<double> progress;
    MCFileList reported;
};

UpdateResult runUpdate(const std::shared_ptr<TimedUpdate> &operation, const MCFileList &files)
{
    operation->setFiles(files);
    UpdateResult result;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    QList<MCNotificationToken> tokens{
        center.addObserverForName(kMCUpdateOperationNotificationDidStart, operation.get(),
                                  [&](const MCNotification &) { result.started = true; }),
        center.addObserverForName(kMCUpdateOperationNotificationDidProgress, operation.get(),
                                  [&](const MCNotification &n) {
                                      result.progress << n.userInfo.value(kMCUpdateOperationProgressKey).toDouble();
                                      result.reported += MCUpdateOperation::filesFromUserInfo(n.userInfo);
                                  }),
        center.addObserverForName(kMCUpdateOperationNotificationDidFinish, operation.get(),
                                  [&](const MCNotification &n) {
                                      result.finished = true;
                                      result.cancelled = n.userInfo.value(kMCUpdateOperationIsCancelledKey).toBool();
                                  })};
    MCOperationQueue queue;
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return result.finished; }));
    for (auto token : tokens)
        center.removeObserver(token);
    return result;
}

MCFileList makeFiles(int count)
{
    MCFileList files;
    for (int i = 0; i < count; ++i)
        files << MCFileContainer::newFileWithURL(QStringLiteral("/photos/%1.jpg").arg(i));
    return files;
}

TEST(UpdateOperation, ReportsEveryFileInThrottledBatches)
{
    struct Case
    {
        int count;
        double secondsPerFile;
        int minBatches, maxBatches;
    };
    // 1000 files in 2 s: about one batch per quarter second, the last file ending the last.
    for (const Case &c : {Case{0, 0.001, 0, 0}, Case{1, 0.001, 1, 1}, Case{1000, 0.002, 8, 9}, Case{50, 1.0, 50, 50}}) {
        SCOPED_TRACE(c.count);
        const MCFileList files = makeFiles(c.count);
        const UpdateResult result = runUpdate(std::make_shared<TimedUpdate>(c.secondsPerFile), files);
        EXPECT_TRUE(result.started);
        EXPECT_FALSE(result.cancelled);
        EXPECT_GE(result.progress.size(), c.minBatches);
        EXPECT_LE(result.progress.size(), c.maxBatches);
        EXPECT_EQ(result.reported, files) << "every file, once, in order";
        if (c.count > 0) {
            EXPECT_EQ(result.progress.last(), 1.0);
        }
        EXPECT_TRUE(std::is_sorted(result.progress.begin(), result.progress.end()));
    }
}

TEST(UpdateOperation, CancelStopsAndSaysSo)
{
    const MCFileList files = makeFiles(100);
    auto operation = std::make_shared<TimedUpdate>(0.1, /*cancelAfter=*/10);
    const UpdateResult result = runUpdate(operation, files);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(operation->reads.load(), 10);
    EXPECT_LE(result.reported.size(), 10);
    EXPECT_EQ(result.reported, files.mid(0, result.reported.size()));

    // Cancelled before it ran: the start and finish notifications still arrive.
    auto early = std::make_shared<TimedUpdate>(0.1);
    early->cancel();
    const UpdateResult skipped = runUpdate(early, files);
    EXPECT_TRUE(skipped.started);
    EXPECT_TRUE(skipped.cancelled);
    EXPECT_EQ(early->reads.load(), 0);
}

// The files of a stopped update are never added: their import's claims end with it, though
// the files are still held (here by the test, in the app by notifications on their way).
TEST(UpdateOperation, AStoppedUpdateGivesUpItsFilesClaims)
{
    MCFileContainer &library = MCFileContainer::sharedContainer();
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early ? "stopped before it ran" : "stopped after two files");
        const MCFileList files = makeFiles(5);
        for (const auto &file : files)
            library.registerPendingFile(file);
        auto operation = std::make_shared<TimedUpdate>(0.1, early ? -1 : 2);
        if (early)
            operation->cancel();
        EXPECT_TRUE(runUpdate(operation, files).cancelled);
        for (const auto &file : files)
            EXPECT_FALSE(library.isPathHeldOrPending(file->filePath())) << file->filePath().toStdString();
    }
    // An update that runs to its end keeps them: the files are about to be added.
    const MCFileList files = makeFiles(3);
    for (const auto &file : files)
        library.registerPendingFile(file);
    EXPECT_FALSE(runUpdate(std::make_shared<TimedUpdate>(0.1), files).cancelled);
    EXPECT_TRUE(library.isPathHeldOrPending(files[0]->filePath()));
    library.unregisterPendingFiles(files);
}

TEST(UpdateOperation, ReadsRealFilesAndSurvivesVanishedOnes)
{
    quillon::installLibraryServices();
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("update"));
    const QString present = root + "/present.png";
    QImage(4, 3, QImage::Format_RGB32).save(present);
    const MCFileList files{MCFileContainer::newFileWithURL(present), MCFileContainer::newFileWithURL(root + "/gone.jpg")};
    auto operation = std::make_shared<MCUpdateOperation>();
    operation->setFiles(files);
    bool finished = false;
    MCFileList reported;
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const auto p = center.addObserverForName(kMCUpdateOperationNotificationDidProgress, operation.get(),
                                             [&](const MCNotification &n) { reported += MCUpdateOperation::filesFromUserInfo(n.userInfo); });
    const auto f = center.addObserverForName(kMCUpdateOperationNotificationDidFinish, operation.get(),
                                             [&](const MCNotification &) { finished = true; });
    MCOperationQueue queue;
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return finished; }));
    center.removeObserver(p);
    center.removeObserver(f);
    EXPECT_EQ(reported, files);
    EXPECT_EQ(files[0]->fileType(), QStringLiteral("public.png"));
    EXPECT_TRUE(files[0]->fileSize().has_value());
    EXPECT_EQ(files[0]->browserItemImageWidth().toInt(), 4);
    EXPECT_FALSE(files[1]->fileSize().has_value());
}

} // namespace
