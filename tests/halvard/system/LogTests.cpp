#include "halvard/system/MCLog.h"

#include "platform/core/MCBundle.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString &path, const QByteArray &contents = {})
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

const QRegularExpression kLine(QStringLiteral(R"(^\d{4}:\d\d:\d\d \d\d:\d\d:\d\d\.\d{3} \[([^,]*), ([^\]]*)\] : (.*)$)"));

} // namespace

TEST(LogWriter, PreparingKeepsTheThreeNewestLogFiles)
{
    const QDir dir(testsupport::makeTemporaryFolder());
    // Digit runs compare by value: 2024_3_... is older than 2024_10_...
    const QStringList old{QStringLiteral("2024_3_01_00_00_00.log"),  QStringLiteral("2024_10_01_00_00_00.log"),
                          QStringLiteral("2024_09_01_00_00_00.log"), QStringLiteral("2024_11_01_00_00_00.log"),
                          QStringLiteral("2024_12_01_00_00_00.log")};
    for (const QString &name : old)
        writeFile(dir.filePath(name), "old\n");
    // Not counted and not removed: other extensions, capitals, hidden files, subfolders.
    const QStringList others{QStringLiteral("2001_01_01_00_00_00.txt"), QStringLiteral("2001_01_01_00_00_00.LOG"),
                             QStringLiteral(".2001_01_01_00_00_00.log")};
    for (const QString &name : others)
        writeFile(dir.filePath(name));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("sub.log")));
    writeFile(dir.filePath(QStringLiteral("sub.log/2000_01_01_00_00_00.log")));

    const QString path = MCLogWriter::preparedLogsURLAtDirectoryURL(dir.path());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(QStringLiteral(R"(^\d{4}(_\d\d){5}\.log$)"))));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);

    QStringList kept;
    for (const QString &name : dir.entryList(QDir::Files))
        if (name.endsWith(QStringLiteral(".log")) && name != QFileInfo(path).fileName())
            kept.append(name);
    kept.sort();
    EXPECT_EQ(kept, (QStringList{QStringLiteral("2024_10_01_00_00_00.log"), QStringLiteral("2024_11_01_00_00_00.log"),
                                 QStringLiteral("2024_12_01_00_00_00.log")}));
    for (const QString &name : others)
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("sub.log/2000_01_01_00_00_00.log"))));
}

TEST(LogWriter, MissingFolderIsCreatedAndUnwritableFolderIsSilent)
{
    const QString root = testsupport::makeTemporaryFolder();
    const QString path = MCLogWriter::preparedLogsURLAtDirectoryURL(root + QStringLiteral("/a/b/Logs"));
    EXPECT_TRUE(QFileInfo::exists(path));

    // A folder that can't be made (its parent is a file), even for the superuser.
    const QString blocker = root + QStringLiteral("/file");
    writeFile(blocker);
    EXPECT_TRUE(MCLogWriter::preparedLogsURLAtDirectoryURL(blocker + QStringLiteral("/Logs")).isEmpty());
    MCLogWriter writer(blocker + QStringLiteral("/Logs/x.log"));
    EXPECT_FALSE(writer.isOpen());
    writer.log(QStringLiteral("s"), QStringLiteral("c"), QStringLiteral("dropped"));
    writer.flush();
    EXPECT_EQ(QFileInfo(blocker).size(), 0);
}

TEST(LogWriter, AppendsLinesInOrderWithoutOverwriting)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/run.log");
    writeFile(path, "earlier run in the same second\n");
    {
        MCLogWriter writer(path);
        ASSERT_TRUE(writer.isOpen());
        writer.log(QStringLiteral("app.quillon.X"), QStringLiteral("Convert"), QStringLiteral("first"));
        writer.log(QStringLiteral("app.quillon.X"), QStringLiteral("Convert"), QStringLiteral("two\nlines"));
        writer.log(QStringLiteral("s"), QStringLiteral("c"), QStringLiteral("%1 ünïcode %2"));
    } // the destructor writes what is queued

    const QStringList lines = readAll(path).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6) << readAll(path).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("earlier run in the same second"));
    const QRegularExpressionMatch first = kLine.match(lines[1]);
    ASSERT_TRUE(first.hasMatch()) << lines[1].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("app.quillon.X"));
    EXPECT_EQ(first.captured(2), QStringLiteral("Convert"));
    EXPECT_EQ(first.captured(3), QStringLiteral("first"));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("] : two")));
    EXPECT_EQ(lines[3], QStringLiteral("lines"));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("[s, c] : %1 ünïcode %2")));
    EXPECT_EQ(lines[5], QString());
}

TEST(LogWriter, LinesFromSeveralThreadsStayWhole)
{
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/threads.log");
    MCLogWriter writer(path);
    const QString payload(200, QLatin1Char('x'));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i)
                writer.log(QStringLiteral("s"), QString::number(t), payload);
        });
    for (auto &thread : threads)
        thread.join();
    writer.flush();
    QStringList lines = readAll(path).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.takeLast(), QString());
    ASSERT_EQ(lines.size(), 400);
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = kLine.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        EXPECT_EQ(match.captured(3), payload);
    }
}

TEST(Log, ChannelsCopyLinesIntoTheRunsLogFile)
{
    MCLog channel(QStringLiteral("app.quillon.X"), QStringLiteral("Library"));
    EXPECT_EQ(QString::fromUtf8(channel.os_log().categoryName()), QStringLiteral("app.quillon.X.Library"));
    channel.setCategory(QStringLiteral("Renamed"));
    channel.logToFile(QStringLiteral("%1 of %2 files in %3"), 3, 7, QStringLiteral("%1"));

    MCLogWriter *writer = MCLogWriter::fileWriter();
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer, MCLogWriter::fileWriter());
    writer->flush();
    EXPECT_EQ(QFileInfo(writer->fileURL()).absolutePath(), platform::applicationSupportPath() + QStringLiteral("/Logs"));
    const QString contents = readAll(writer->fileURL());
    EXPECT_TRUE(contents.endsWith(QStringLiteral(" [app.quillon.X, Renamed] : 3 of 7 files in %1\n"))) << contents.toStdString();
    // The logging category keeps the names it was made with.
    EXPECT_EQ(QString::fromUtf8(channel.os_log().categoryName()), QStringLiteral("app.quillon.X.Library"));

    EXPECT_EQ(MCLog::sdkFileSystem().category(), QStringLiteral("File System"));
    EXPECT_EQ(MCLog::sdkGraphics().category(), QStringLiteral("Graphics"));
    EXPECT_EQ(MCLog::sdkImageCache().category(), QStringLiteral("Image Cache"));
    EXPECT_EQ(MCLog::sdkImageCache().subsystem(), kMCHalvardBundleIdentifier);
    EXPECT_EQ(&MCLog::sdkFileSystem(), &MCLog::sdkFileSystem());
}
