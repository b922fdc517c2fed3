#include "halvard/system/MCSandboxHelper.h"

#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString makeFolder(const QString &path)
{
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

QStringList storedPaths(const MCUserDefaults &defaults)
{
    QStringList paths;
    for (const QVariant &entry : defaults.arrayForKey(kMCSecurityScopedURLsKey))
        paths << entry.toMap().value("path").toString();
    return paths;
}

QStringList listedPaths(const MCSandboxHelper &helper)
{
    QStringList paths;
    for (const auto &entry : helper.sandboxURLs())
        paths << entry->securityScopedURL();
    return paths;
}

} // namespace

TEST(SandboxURLExtensions, CommonFoldersBookmarksAndContainment)
{
    struct Case
    {
        QStringList paths;
        QString common;
    } cases[] = {
        {{}, QString()},
        {{"/a/b"}, "/a/b"},
        {{"/a/b/c", "/a/b/d/e", "/a/b/c/f"}, "/a/b"},
        {{"/a/Photos/x", "/a/photos/y"}, "/a"}, // names differ by case: different folders here
        {{"/x/1", "/y/2"}, "/"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCURLExtensions::commonURLForURLs(c.paths), c.common) << c.paths.join(',').toStdString();

    EXPECT_TRUE(MCURLExtensions::isDescendantOfURL("/a/b/./c", "/a/b/"));
    EXPECT_TRUE(MCURLExtensions::isDescendantOfURL("/a/b", "/a/b"));
    EXPECT_FALSE(MCURLExtensions::isDescendantOfURL("/a/bc", "/a/b"));
    EXPECT_FALSE(MCURLExtensions::isDescendantOfURL("/a", "/a/b"));

    const QString root = testsupport::makeTemporaryFolder();
    const QString folder = makeFolder(root + "/Pictures");
    ASSERT_TRUE(QFile::link(folder, root + "/Link"));
    EXPECT_TRUE(MCURLExtensions::isEqualFileURL(folder, root + "/Link"));
    EXPECT_FALSE(MCURLExtensions::isEqualFileURL(folder, root));
    EXPECT_FALSE(MCURLExtensions::isEqualFileURL(QString(), QString()));

    const QByteArray bookmark = MCURLExtensions::securityScopedBookmark(folder);
    EXPECT_EQ(MCURLExtensions::URLWithSecurityScopedBookmark(bookmark), folder);
    MCError error;
    EXPECT_TRUE(MCURLExtensions::securityScopedBookmark("relative/path", &error).isEmpty());
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(MCURLExtensions::URLWithSecurityScopedBookmark(QByteArray()).isNull());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(MCURLExtensions::URLWithSecurityScopedBookmark(bookmark).isNull()); // no longer resolves
    EXPECT_EQ(MCURLExtensions::URLPathFromSecurityScopedBookmark(bookmark), folder);

    // One common folder per file system; a path with nothing there is left out.
    const QSet<QString> volumes = MCURLExtensions::commonForVolumeURLs(
        {makeFolder(root + "/a/x"), makeFolder(root + "/b/y"), root + "/missing", "/proc/sys"});
    EXPECT_EQ(volumes, (QSet<QString>{root, "/proc/sys"}));
}

TEST(SandboxHelper, GrantsAreMergedAndStored)
{
    const QString root = testsupport::makeTemporaryFolder();
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);
    EXPECT_TRUE(helper.sandboxURLs().isEmpty());

    const QString x = makeFolder(root + "/Photos/Pictures/x"), y = makeFolder(root + "/Photos/Desktop/y");
    helper.addSecurityScopedURLs({x, y, x});
    EXPECT_EQ(listedPaths(helper), (QStringList{x, y}));
    EXPECT_EQ(storedPaths(defaults), (QStringList{x, y}));
    const auto oldX = helper.sandboxURLs().first();
    EXPECT_EQ(oldX->securityScopedResourceRetainCount(), 1);

    // Paths inside granted folders need nothing and write nothing.
    defaults.setObject(QVariantList{"untouched"}, kMCSecurityScopedURLsKey);
    helper.addSecurityScopedURLs({x + "/deeper", y});
    helper.prepareForAccessingFileURLs({x + "/1.jpg", y + "/sub/2.jpg"});
    EXPECT_EQ(defaults.arrayForKey(kMCSecurityScopedURLsKey), QVariantList{"untouched"});

    // A grant of the folder holding earlier grants replaces them and releases them once.
    const QString photos = root + "/Photos";
    helper.addSecurityScopedURLs({photos});
    EXPECT_EQ(listedPaths(helper), QStringList{photos});
    EXPECT_EQ(oldX->securityScopedResourceRetainCount(), 0);
    EXPECT_EQ(storedPaths(defaults), QStringList{photos});

    // A new entry for a folder already listed replaces the old entry.
    const auto oldPhotos = helper.sandboxURLs().first();
    helper.addSandboxURLs({MCSandboxURL::fromURL(photos)});
    ASSERT_EQ(helper.sandboxURLs().size(), 1);
    EXPECT_NE(helper.sandboxURLs().first(), oldPhotos);
    EXPECT_EQ(oldPhotos->securityScopedResourceRetainCount(), 0);
    EXPECT_EQ(helper.sandboxURLs().first()->securityScopedResourceRetainCount(), 1);

    // Retains and releases balance; extra releases do nothing.
    MCSandboxURL entry(photos);
    EXPECT_TRUE(entry.retainSecurityScopedResource());
    EXPECT_TRUE(entry.retainSecurityScopedResource());
    entry.releaseSecurityScopedResource();
    entry.releaseSecurityScopedResource();
    entry.releaseSecurityScopedResource();
    EXPECT_EQ(entry.securityScopedResourceRetainCount(), 0);
    EXPECT_FALSE(MCSandboxURL(root + "/gone").retainSecurityScopedResource());
    EXPECT_EQ(MCSandboxURL::fromURL(QString()), nullptr);
}

TEST(SandboxHelper, PreparingAsksForOneCommonFolderPerVolumeAndRestores)
{
    const QString root = testsupport::makeTemporaryFolder();
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);

    const QString home = makeFolder(root + "/home/a");
    const QString pictures = makeFolder(home + "/Pictures/x"), desktop = makeFolder(home + "/Desktop/y");
    helper.prepareForAccessingFileURLs({pictures + "/1.jpg", desktop + "/2.jpg", pictures + "/3.jpg"});
    EXPECT_EQ(listedPaths(helper), QStringList{home});
    EXPECT_EQ(storedPaths(defaults), QStringList{home});

    // A folder that cannot be reached is not granted; nothing else changes.
    EXPECT_EQ(helper.grantAccessToFolderAtURL(root + "/missing"), nullptr);
    helper.prepareForAccessingFileURLs({root + "/missing/1.jpg"});
    EXPECT_EQ(listedPaths(helper), QStringList{home});

    // A later run reads the stored grants back; entries that no longer resolve are skipped.
    const QString other = makeFolder(root + "/other");
    helper.addSecurityScopedURLs({other});
    ASSERT_TRUE(QDir(other).removeRecursively());
    MCSandboxHelper next(defaults);
    next.restore();
    EXPECT_EQ(listedPaths(next), QStringList{home});
    EXPECT_EQ(next.sandboxURLs().first()->securityScopedResourceRetainCount(), 1);

    QStringList missing{"not called"};
    const QStringList offered{home + "/inside", root + "/elsewhere", root + "/elsewhere"};
    qsizetype index = 0;
    next.enumerateURLs([&]() { return index < offered.size() ? offered[index++] : QString(); },
                       [&](const QStringList &result) { missing = result; });
    EXPECT_EQ(missing, QStringList{root + "/elsewhere"});
}
