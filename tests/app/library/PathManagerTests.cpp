#include "app/library/MCPathManager.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>

namespace {

QString folderOf(const QString &path) { return QFileInfo(path).absolutePath(); }

dev_t deviceOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(-1);
}

} // namespace

TEST(PathManager, FoldersAndSharedInstance)
{
    MCPathManager *first = nullptr;
    MCPathManager *second = nullptr;
    std::thread a([&] { first = &MCPathManager::defaultManager(); });
    std::thread b([&] { second = &MCPathManager::defaultManager(); });
    a.join();
    b.join();
    EXPECT_EQ(first, second);

    MCPathManager &manager = MCPathManager::defaultManager();
    EXPECT_TRUE(manager.applicationSupportURL().startsWith(testsupport::temporaryRoot()));
    EXPECT_EQ(manager.presetsFolderURL(), manager.applicationSupportURL() + "/Presets");
    EXPECT_EQ(manager.renamePresetsFolderURL(), manager.presetsFolderURL() + "/Rename");
    EXPECT_EQ(manager.convertPresetsFolderURL(), manager.presetsFolderURL() + "/Convert");
    EXPECT_EQ(manager.metadataPresetsFolderURL(), manager.presetsFolderURL() + "/Metadata");
    EXPECT_TRUE(manager.metadataPresetsInBundleFolderURL().endsWith("/Presets/Metadata"));
    EXPECT_TRUE(manager.renamePresetsInBundleFolderURL().endsWith("/Presets/Rename"));
    EXPECT_TRUE(manager.convertPresetsInBundleFolderURL().endsWith("/Presets/Convert"));
    EXPECT_FALSE(manager.cachesURL().isEmpty());
}

TEST(PathManager, OneFreshFolderPerVolumeUntilCleanup)
{
    MCPathManager manager;
    const QString one = testsupport::makeTemporaryFolder();
    const QString two = testsupport::makeTemporaryFolder();
    const QString a = manager.temporaryFileURLAppropriateForURL(one + "/a.jpg");
    const QString b = manager.temporaryFileURLAppropriateForURL(two + "/b.tif");

    EXPECT_EQ(QFileInfo(a).fileName(), "a.jpg");
    EXPECT_EQ(folderOf(a), folderOf(b)); // one folder per file system
    EXPECT_TRUE(QFileInfo(folderOf(a)).isDir());
    EXPECT_FALSE(QFileInfo::exists(a)); // no file is created
    EXPECT_EQ(deviceOf(folderOf(a)), deviceOf(one));
    EXPECT_NE(folderOf(a), one); // a fresh folder, never the destination's own folder
    EXPECT_EQ(manager.temporaryFileURLAppropriateForURL(one + "/a.jpg"), a);

    const QString oldFolder = folderOf(a);
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    manager.cleanupTemporaryURLs();
    EXPECT_FALSE(QFileInfo::exists(oldFolder));
    const QString again = manager.temporaryFileURLAppropriateForURL(one + "/a.jpg");
    EXPECT_NE(folderOf(again), oldFolder);
    EXPECT_TRUE(QFileInfo(folderOf(again)).isDir());
    manager.cleanupTemporaryURLs();
}

TEST(PathManager, SecondVolumeGetsItsOwnFolder)
{
    const QString shm = QStringLiteral("/dev/shm");
    if (!QFileInfo(shm).isWritable() || deviceOf(shm) == deviceOf(testsupport::temporaryRoot()))
        GTEST_SKIP() << "no second writable file system (/dev/shm) here";
    MCPathManager manager;
    QDir(shm).mkpath("quillonx-pm-test");
    const QString other = shm + "/quillonx-pm-test";
    const QString a = manager.temporaryFileURLAppropriateForURL(testsupport::makeTemporaryFolder() + "/x.jpg");
    const QString b = manager.temporaryFileURLAppropriateForURL(other + "/x.jpg");
    EXPECT_NE(folderOf(a), folderOf(b));
    EXPECT_EQ(deviceOf(folderOf(b)), deviceOf(shm));
    manager.cleanupTemporaryURLs();
    QDir(other).removeRecursively();
}

TEST(PathManager, UnreadableVolumeAndUnwritableFolderFallBack)
{
    MCPathManager manager;
    // A folder that does not exist: the process's own temporary folder, kept by the clean-up.
    const QString missing = manager.temporaryFileURLAppropriateForURL("/nonexistent-quillonx/folder/p.jpg");
    EXPECT_EQ(QFileInfo(missing).fileName(), "p.jpg");
    EXPECT_TRUE(QFileInfo(folderOf(missing)).isDir());
    manager.cleanupTemporaryURLs();
    EXPECT_TRUE(QFileInfo(folderOf(missing)).isDir());

    // A read-only folder gets a folder elsewhere on the same file system.
    const QString readOnly = testsupport::makeTemporaryFolder();
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString t = manager.temporaryFileURLAppropriateForURL(readOnly + "/p.jpg");
    EXPECT_FALSE(folderOf(t).startsWith(readOnly + "/"));
    EXPECT_EQ(deviceOf(folderOf(t)), deviceOf(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    manager.cleanupTemporaryURLs();
}

TEST(PathManager, TemporaryPathNeverEqualsTheDestination)
{
    MCPathManager manager;
    const QString first = manager.temporaryFileURLAppropriateForURL(testsupport::makeTemporaryFolder() + "/p.jpg");
    // A destination that itself lies in the temporary folder.
    const QString inside = manager.temporaryFileURLAppropriateForURL(first);
    EXPECT_NE(inside, first);
    EXPECT_EQ(folderOf(inside), folderOf(first));
    manager.cleanupTemporaryURLs();
}

namespace {

QStringList temporaryFoldersIn(const QString &folder)
{
    return QDir(folder).entryList({".quillonx-tmp-*"}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// A temporary folder of one operation lies beside the photo, names this process and goes,
// with what it holds, when the operation lets go of it. The shared ones go with the manager.
TEST(PathManager, TemporaryFoldersGoWhenTheirOperationOrManagerEnds)
{
    const QString photos = testsupport::makeTemporaryFolder();
    MCPathManager manager;
    {
        const auto folder = manager.makeTemporaryFolderAppropriateForURL(photos + "/p.jpg");
        ASSERT_TRUE(folder);
        EXPECT_EQ(folderOf(folder->path()), photos);
        EXPECT_TRUE(QFileInfo(folder->path()).fileName().startsWith(QStringLiteral(".quillonx-tmp-%1-").arg(::getpid())));
        QFile leftover(folder->path() + "/p.jpg");
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(temporaryFoldersIn(photos).isEmpty());
    {
        MCPathManager quitting;
        quitting.temporaryFileURLAppropriateForURL(photos + "/q.jpg");
        EXPECT_EQ(temporaryFoldersIn(photos).size(), 1);
    }
    EXPECT_TRUE(temporaryFoldersIn(photos).isEmpty());
}

// A run killed while it held temporary folders leaves them; the next start-up removes those
// whose process has ended, wherever they were made, and leaves a running process's alone.
TEST(PathManager, StartUpRemovesTheFoldersOfEndedRuns)
{
    const QString photos = testsupport::makeTemporaryFolder();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        MCPathManager killed;
        killed.temporaryFileURLAppropriateForURL(photos + "/p.jpg");
        ::_exit(0); // no clean-up, as when killed
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(temporaryFoldersIn(photos).size(), 1);
    EXPECT_TRUE(temporaryFoldersIn(photos).first().startsWith(QStringLiteral(".quillonx-tmp-%1-").arg(child)));

    MCPathManager running;
    const QString mine = folderOf(running.temporaryFileURLAppropriateForURL(photos + "/q.jpg"));
    QDir(photos).mkdir(".quillonx-tmp-unnamed"); // not named after a process: left alone

    MCPathManager startingUp;
    EXPECT_GE(startingUp.removeStaleTemporaryFolders(), 1);
    EXPECT_EQ(temporaryFoldersIn(photos), (QStringList{QFileInfo(mine).fileName(), ".quillonx-tmp-unnamed"}));
    running.cleanupTemporaryURLs();
}
