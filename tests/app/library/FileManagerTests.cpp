#include "app/library/MCFileManager.h"

#include "platform/core/MCError.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

TEST(FileManager, UniqueNames)
{
    const QString folder = testsupport::makeTemporaryFolder();
    MCFileManager &manager = MCFileManager::defaultManager();
    EXPECT_EQ(&manager, &MCFileManager::defaultManager());

    struct Case
    {
        QStringList existing;
        QString asked;
        QString answer;
    } cases[] = {
        {{}, "free.jpg", "free.jpg"},
        {{"photo.jpg", "photo 2.jpg"}, "photo.jpg", "photo 3.jpg"},
        {{"README"}, "README", "README 2"},
        {{"trailing."}, "trailing.", "trailing 2"},
        {{".hidden"}, ".hidden", ".hidden 2"},
        {{"archive.tar.gz"}, "archive.tar.gz", "archive.tar 2.gz"},
        {{"name.dir"}, "name.dir", "name 2.dir"},
    };
    for (const Case &c : cases) {
        const QString caseFolder = testsupport::makeTemporaryFolder();
        for (const QString &name : c.existing)
            touch(caseFolder + "/" + name);
        EXPECT_EQ(manager.uniqueFileURLForURL(caseFolder + "/" + c.asked), caseFolder + "/" + c.answer)
            << c.asked.toStdString();
    }

    // A dangling link holds its name: writing through it would land somewhere else.
    ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(folder + "/link.jpg").constData()), 0);
    EXPECT_EQ(manager.uniqueFileURLForURL(folder + "/link.jpg"), folder + "/link 2.jpg");
    EXPECT_TRUE(manager.uniqueFileURLForURL(QString()).isEmpty());

    // A dot in a folder's name starts no extension of the file below it.
    ASSERT_TRUE(QDir(folder).mkdir("a.b"));
    touch(folder + "/a.b/c");
    EXPECT_EQ(manager.uniqueFileURLForURL(folder + "/a.b/c"), folder + "/a.b/c 2");
}

TEST(FileManager, SearchIsBounded)
{
    const QString folder = testsupport::makeTemporaryFolder();
    touch(folder + "/full.jpg");
    for (int n = 2; n < MCFileManager::kMaximumUniqueNameAttempts + 2; ++n)
        touch(folder + QString("/full %1.jpg").arg(n));
    EXPECT_TRUE(MCFileManager::defaultManager().uniqueFileURLForURL(folder + "/full.jpg").isEmpty());
    MCError error;
    EXPECT_TRUE(MCFileManager::defaultManager().reserveUniqueFileURLForURL(folder + "/full.jpg", &error).isEmpty());
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileWriteFileExistsError)) << error.toString().toStdString();
}

TEST(FileManager, ReservationsNeverShareANameAndReportMissingFolders)
{
    const QString folder = testsupport::makeTemporaryFolder();
    {
        QFile original(folder + "/shot.jpg");
        ASSERT_TRUE(original.open(QIODevice::WriteOnly));
        original.write("keep");
    }
    constexpr int kThreads = 8;
    QString names[kThreads];
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] { names[i] = MCFileManager::defaultManager().reserveUniqueFileURLForURL(folder + "/shot.jpg"); });
    for (std::thread &thread : threads)
        thread.join();
    QSet<QString> distinct;
    for (const QString &name : names) {
        EXPECT_FALSE(name.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(name));
        distinct.insert(name);
    }
    EXPECT_EQ(distinct.size(), kThreads);
    EXPECT_FALSE(distinct.contains(folder + "/shot.jpg"));
    QFile original(folder + "/shot.jpg");
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), "keep");

    MCError error;
    EXPECT_TRUE(MCFileManager::defaultManager().reserveUniqueFileURLForURL(folder + "/missing/x.jpg", &error).isEmpty());
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileWriteUnknownError));
    ASSERT_NE(error.underlyingError(), nullptr);
    EXPECT_TRUE(error.underlyingError()->is(MCPOSIXErrorDomain, ENOENT));
}
