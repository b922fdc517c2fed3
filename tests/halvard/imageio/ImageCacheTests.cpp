#include "halvard/imageio/MCImageCache.h"

#include "platform/core/MCBundle.h"
#include "tests/support/TestSupport.h"
#include "TestImages.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(MCImageCache, FileLayoutFromTheIdentifier)
{
    const MCImageCache cache(QStringLiteral("/cache"));
    struct Case { qint64 identifier; const char *path; };
    const Case cases[] = {
        {0, "/cache/00/00/00.JPG"},
        {5, "/cache/00/00/05.JPG"},
        {0x123456, "/cache/12/1234/123456.JPG"},
        {0xABCDEF01, "/cache/abcd/abcdef/abcdef01.JPG"},
        {-1, "/cache/ffffffffffffffff/ffffffffffffffff/ffffffffffffffff.JPG"},
        {-0x10000, "/cache/ffffffffffffffff/ffffffffffffff00/ffffffffffff0000.JPG"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cache.cachedImageURLForIdentifier(c.identifier), QString::fromLatin1(c.path)) << c.identifier;
    EXPECT_EQ(MCImageCache::thumbnailsCache().directoryURL(), platform::cachesPath() + QStringLiteral("/Thumbnails"));
}

TEST(MCImageCache, StoresReadsRemovesAndCleans)
{
    MCImageCache cache(testsupport::makeTemporaryFolder() + QStringLiteral("/Thumbnails"));
    EXPECT_FALSE(cache.cacheExists());
    EXPECT_FALSE(cache.newCachedImageForIdentifier(42));

    cache.cacheImage(testimages::solidRGBA(16, 8, 30, 60, 90), 42);
    EXPECT_TRUE(cache.cacheExists());
    EXPECT_TRUE(cache.cachedImageExistsForIdentifier(42));
    const CGImageRef image = cache.newCachedImageForIdentifier(42);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 16u);

    cache.cacheImage(testimages::solidRGBA(4, 4, 0, 0, 0), -7);
    EXPECT_TRUE(cache.cachedImageExistsForIdentifier(-7));
    cache.removeCachedImageForIdentifier(42);
    EXPECT_FALSE(cache.cachedImageExistsForIdentifier(42));
    cache.removeCachedImageForIdentifier(42); // again: nothing to remove, no complaint

    // A file that is not a JPEG reads as no image.
    QFile broken(cache.cachedImageURLForIdentifier(-7));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("garbage");
    broken.close();
    EXPECT_FALSE(cache.newCachedImageForIdentifier(-7));

    cache.clean();
    EXPECT_FALSE(cache.cacheExists());
    EXPECT_FALSE(cache.newCachedImageForIdentifier(-7));
}

TEST(MCImageCache, AFailedWriteIsNotFatal)
{
    const QString root = testsupport::makeTemporaryFolder();
    QFile blocker(root + QStringLiteral("/Thumbnails"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    MCImageCache cache(blocker.fileName());
    cache.cacheImage(testimages::solidRGBA(2, 2, 1, 1, 1), 1);
    EXPECT_FALSE(cache.cachedImageExistsForIdentifier(1));
    cache.cacheImage(nullptr, 2);
    EXPECT_FALSE(cache.cachedImageExistsForIdentifier(2));
}
