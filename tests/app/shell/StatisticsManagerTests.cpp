#include "app/library/MCFile.h"
#include "app/shell/MCStatisticsManager.h"
#include "platform/core/MCPropertyList.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QVariantMap readRoot(const QString &path)
{
    return platform::readPropertyListDictionary(path).value_or(QVariantMap{});
}

QVariantMap lastSession(const QString &path)
{
    const QVariantList sessions = readRoot(path).value(kMCStatisticsSessionsKey).toList();
    return sessions.isEmpty() ? QVariantMap{} : sessions.last().toMap();
}

std::shared_ptr<MCFile> fileOfSize(const QString &folder, const QString &name, qint64 size)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
    f.close();
    static quint64 nextID = 1;
    auto file = MCFile::fileWithID(nextID++);
    file->setFilePath(path);
    EXPECT_TRUE(file->reloadFileInfo());
    return file;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(MCStatisticsManager, FirstLaunchCreatesTheFolderAndOneOpenSessionThatQuittingCloses)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/Support/Quillon X/Statistics.plist");
    const QDateTime start(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    MCStatisticsManager manager(path);
    QDateTime clock = start;
    manager.setClock([&] { return clock; });
    manager.startSession();

    ASSERT_TRUE(QFileInfo::exists(path));
    QVariantMap session = lastSession(path);
    EXPECT_EQ(readRoot(path).value(kMCStatisticsSessionsKey).toList().size(), 1);
    EXPECT_DOUBLE_EQ(session.value(QStringLiteral("SessionStartDate")).toDouble(), statisticsIntervalFromDate(start));
    EXPECT_EQ(session.value(QStringLiteral("SessionStartDate")).typeId(), QMetaType::Double);
    EXPECT_FALSE(session.contains(QStringLiteral("SessionEndDate")));
    EXPECT_EQ(session.value(QStringLiteral("SessionAppVersion")).toString(), MCStatisticsManager::applicationVersionString());
    for (const char *key : {"ConvertedCount", "ConvertedSize", "MetadataEditedCount", "MetadataEditedSize", "RenamedCount",
                            "RenamedSize"})
        EXPECT_EQ(session.value(QString::fromLatin1(key)).toULongLong(), 0u) << key;
    EXPECT_FALSE(readRoot(path).value(kMCStatisticsAppRateClickedKey).toBool());

    clock = start.addSecs(90);
    manager.endSession();
    session = lastSession(path);
    EXPECT_DOUBLE_EQ(session.value(QStringLiteral("SessionEndDate")).toDouble(), statisticsIntervalFromDate(start) + 90);
}

TEST(MCStatisticsManager, DatesAreSecondsSinceTheStartOf2001InUTC)
{
    EXPECT_DOUBLE_EQ(statisticsIntervalFromDate(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC)), 0.0);
    EXPECT_DOUBLE_EQ(statisticsIntervalFromDate(QDateTime(QDate(2001, 1, 2), QTime(0, 0, 1), Qt::UTC)), 86401.0);
    EXPECT_EQ(statisticsDateFromInterval(-86400.5), QDateTime(QDate(2000, 12, 30), QTime(23, 59, 59, 500), Qt::UTC));
}

TEST(MCStatisticsManager, CountsRunsIntoTheCurrentSessionAndRemembersTheLastRun)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString path = folder + QStringLiteral("/Statistics.plist");
    MCStatisticsManager manager(path);
    manager.startSession();
    const std::vector<std::shared_ptr<MCFile>> three = {fileOfSize(folder, "a.jpg", 1000), fileOfSize(folder, "b.jpg", 2000),
                                                         fileOfSize(folder, "c.jpg", 3000)};
    manager.noteItemsWereConverted(three);
    EXPECT_EQ(manager.lastConvertedCount(), 3u);
    EXPECT_EQ(manager.lastConvertedSize(), 6000u);
    QVariantMap session = lastSession(path);
    EXPECT_EQ(session.value(QStringLiteral("ConvertedCount")).toULongLong(), 3u);
    EXPECT_EQ(session.value(QStringLiteral("ConvertedSize")).toULongLong(), 6000u);

    manager.noteItemsWereConverted({three[0]});
    EXPECT_EQ(manager.lastConvertedCount(), 1u);
    EXPECT_EQ(manager.lastConvertedSize(), 1000u);
    EXPECT_EQ(lastSession(path).value(QStringLiteral("ConvertedSize")).toULongLong(), 7000u);

    manager.noteItemsWereMetadataEdited({three[1], three[2]});
    manager.noteItemsWereRenamed({three[2]});
    session = lastSession(path);
    EXPECT_EQ(session.value(QStringLiteral("MetadataEditedCount")).toULongLong(), 2u);
    EXPECT_EQ(session.value(QStringLiteral("MetadataEditedSize")).toULongLong(), 5000u);
    EXPECT_EQ(session.value(QStringLiteral("RenamedCount")).toULongLong(), 1u);
    EXPECT_EQ(session.value(QStringLiteral("RenamedSize")).toULongLong(), 3000u);
    EXPECT_EQ(manager.lastMetadataEditedSize(), 5000u);
    EXPECT_EQ(manager.lastRenamedCount(), 1u);

    manager.noteURLsWereShared(4);
    EXPECT_EQ(manager.lastConvertedCount(), 4u);
    EXPECT_EQ(manager.lastConvertedSize(), 1000u);
    EXPECT_EQ(lastSession(path).value(QStringLiteral("ConvertedCount")).toULongLong(), 8u);

    // An empty run counts nothing and still rewrites the file.
    QFile::remove(path);
    manager.noteItemsWereConverted({});
    EXPECT_EQ(manager.lastConvertedCount(), 0u);
    EXPECT_EQ(manager.lastConvertedSize(), 0u);
    EXPECT_EQ(lastSession(path).value(QStringLiteral("ConvertedCount")).toULongLong(), 8u);
}

TEST(MCStatisticsManager, ALaterRunAppendsItsSessionAndKeepsForeignKeysAndUnendedSessions)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/Statistics.plist");
    QVariantMap root;
    root.insert(QStringLiteral("WrittenByAnotherVersion"), QVariantList{QStringLiteral("kept"), 7});
    root.insert(kMCStatisticsAppRateIgnoredKey, true);
    QVariantMap crashed;
    crashed.insert(QStringLiteral("ConvertedCount"), 5);
    crashed.insert(QStringLiteral("SessionStartDate"), 100.0);
    crashed.insert(QStringLiteral("SessionAppVersion"), QStringLiteral("Quillon X 0.9 (0.9)"));
    crashed.insert(QStringLiteral("FutureCounter"), 3); // a session key this version does not know
    root.insert(kMCStatisticsSessionsKey, QVariantList{crashed});
    ASSERT_TRUE(platform::writePropertyList(root, path));

    {
        MCStatisticsManager manager(path);
        EXPECT_TRUE(manager.appRateIgnored());
        EXPECT_FALSE(manager.appRateClicked());
        ASSERT_EQ(manager.previousSessions().size(), 1u);
        EXPECT_EQ(manager.previousSessions()[0].convertedCount, 5u);
        EXPECT_FALSE(manager.previousSessions()[0].sessionEndDate.has_value());
        manager.startSession();
        manager.setAppRateClicked(true);
        manager.endSession();
        EXPECT_FALSE(manager.shouldAskToRateApp());
    }

    const QVariantMap written = readRoot(path);
    EXPECT_EQ(written.value(QStringLiteral("WrittenByAnotherVersion")), root.value(QStringLiteral("WrittenByAnotherVersion")));
    EXPECT_TRUE(written.value(kMCStatisticsAppRateClickedKey).toBool());
    EXPECT_TRUE(written.value(kMCStatisticsAppRateIgnoredKey).toBool());
    const QVariantList sessions = written.value(kMCStatisticsSessionsKey).toList();
    ASSERT_EQ(sessions.size(), 2);
    const QVariantMap first = sessions[0].toMap();
    EXPECT_EQ(first.value(QStringLiteral("ConvertedCount")).toULongLong(), 5u);
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("SessionStartDate")).toDouble(), 100.0);
    EXPECT_EQ(first.value(QStringLiteral("SessionAppVersion")).toString(), QStringLiteral("Quillon X 0.9 (0.9)"));
    EXPECT_FALSE(first.contains(QStringLiteral("SessionEndDate")));
    EXPECT_TRUE(sessions[1].toMap().contains(QStringLiteral("SessionEndDate")));
}

TEST(MCStatisticsManager, FlagsAreWrittenOnlyWhenTheyChange)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/Statistics.plist");
    MCStatisticsManager manager(path);
    manager.setAppRateClicked(false); // unchanged: no file
    manager.setAppRateIgnored(false);
    EXPECT_FALSE(QFileInfo::exists(path));
    manager.setAppRateIgnored(true);
    EXPECT_TRUE(readRoot(path).value(kMCStatisticsAppRateIgnoredKey).toBool());
}

TEST(MCStatisticsManager, ADamagedFileIsMovedAsideAndNeverReplacedByAnEmptyRecord)
{
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"truncated", QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Sessions</key><array>")},
        {"not a property list", QByteArray("\x00\x01garbage", 9)},
        {"root is not a dictionary", QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>")},
    };
    for (const auto &[name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/Statistics.plist");
        writeBytes(path, bytes);
        MCStatisticsManager manager(path);
        ASSERT_FALSE(manager.damagedFilePath().isEmpty());
        QFile aside(manager.damagedFilePath());
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), bytes);
        EXPECT_TRUE(manager.previousSessions().empty());
        manager.startSession();
        EXPECT_EQ(readRoot(path).value(kMCStatisticsSessionsKey).toList().size(), 1);
    }
}

TEST(MCStatisticsManager, ASecondDamagedFileDoesNotReplaceTheFirstOneMovedAside)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/Statistics.plist");
    writeBytes(path, "first damage");
    const QString firstAside = MCStatisticsManager(path).damagedFilePath();
    writeBytes(path, "second damage");
    const QString secondAside = MCStatisticsManager(path).damagedFilePath();
    ASSERT_NE(firstAside, secondAside);
    QFile first(firstAside), second(secondAside);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), QByteArray("first damage"));
    EXPECT_EQ(second.readAll(), QByteArray("second damage"));
}

TEST(MCStatisticsManager, AFailedWriteKeepsTheCountsInMemoryAndTheEarlierFileIntact)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString path = folder + QStringLiteral("/Statistics.plist");
    MCStatisticsManager manager(path);
    manager.startSession();
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    ASSERT_FALSE(before.isEmpty());
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(folder).isWritable()) // running as root: permissions do not bind
        GTEST_SKIP() << "the folder stays writable";
    manager.noteItemsWereConverted({MCFile::fileWithID(99)});
    EXPECT_FALSE(manager.synchronize());
    EXPECT_EQ(manager.currentSession().convertedCount, 1u);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}
