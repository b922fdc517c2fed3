#include "platform/desktop/MCTrash.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(MCTrash, InfoRecordsTheEscapedPathAndLocalDate)
{
    const QDateTime date(QDate(2004, 8, 31), QTime(22, 32, 8));
    EXPECT_EQ(MCTrash::trashInfo("/home/a/Photo 1#.jpg", date),
              QByteArray("[Trash Info]\nPath=/home/a/Photo%201%23.jpg\nDeletionDate=2004-08-31T22:32:08\n"));
}

TEST(MCTrash, MovesItemsIntoTheHomeTrashKeepingSameNamesApart)
{
    const QString folder = testsupport::makeTemporaryFolder("trash");
    const QString trash = MCTrash::homeTrashPath();
    ASSERT_TRUE(trash.startsWith(testsupport::temporaryRoot())); // never the real trash
    const QDateTime date(QDate(2026, 1, 2), QTime(3, 4, 5));

    QStringList results;
    for (const QByteArray &content : {QByteArray("first"), QByteArray("second")}) {
        writeFile(folder + "/IMG.jpg", content);
        QString result;
        MCError error;
        ASSERT_TRUE(MCTrash::trashItem(folder + "/IMG.jpg", &result, &error, date)) << error.localizedDescription().toStdString();
        EXPECT_FALSE(QFile::exists(folder + "/IMG.jpg"));
        results.append(result);
    }
    EXPECT_EQ(results, (QStringList{trash + "/files/IMG.jpg", trash + "/files/IMG 2.jpg"}));
    EXPECT_EQ(readFile(results[1]), "second");
    EXPECT_EQ(readFile(trash + "/info/IMG 2.jpg.trashinfo"), MCTrash::trashInfo(folder + "/IMG.jpg", date));

    // Folders go whole.
    QDir().mkpath(folder + "/Shoot/raw");
    QString result;
    ASSERT_TRUE(MCTrash::trashItem(folder + "/Shoot", &result));
    EXPECT_TRUE(QFileInfo(result + "/raw").isDir());
}

TEST(MCTrash, MissingItemFailsAndLeavesNoInfoBehind)
{
    const QString folder = testsupport::makeTemporaryFolder("trash");
    MCError error;
    QString result = "unchanged";
    EXPECT_FALSE(MCTrash::trashItem(folder + "/gone.jpg", &result, &error));
    EXPECT_EQ(result, "unchanged");
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    EXPECT_FALSE(QFile::exists(MCTrash::homeTrashPath() + "/info/gone.jpg.trashinfo"));
}
