// Sources a rename or move set aside under "(moving)" names survive a run that ends before
// putting them back: the journal records them first, and the next start's recovery puts
// each back, beside its name when that was taken.
#include "FileOperationSupport.h"

#include "app/library/MCFileManager.h"
#include "app/library/MCSetAsideJournal.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace fileops;

namespace {

using Contents = QMap<QString, QByteArray>;

// A rename that stops once its sources are set aside, as a run that crashed there would.
class InterruptedRename : public MCRenameOperation
{
public:
    void setAsideAndStop()
    {
        const std::shared_ptr<MCFileOperationContext> context = contexts().first();
        setAsideSources(*context, preparedDestinations(*context));
    }
};

QStringList waitingNames(const QList<MCSetAsideJournal::Entry> &entries)
{
    QStringList names;
    for (const MCSetAsideJournal::Entry &entry : entries)
        names << QFileInfo(entry.waitingPath).fileName();
    names.sort();
    return names;
}

// The id of a process that has ended.
qint64 endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST(SetAsideRecovery, InterruptedRenameIsPutBackAtTheNextStart)
{
    MCFileManager &manager = MCFileManager::defaultManager(); // its own first recovery is done
    MCSetAsideJournal &journal = MCSetAsideJournal::sharedJournal();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("interrupted"));
    MCFileList files;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        writeFile(folder + "/" + name, QByteArray(name).left(1));
        files << libraryFile(folder + "/" + name);
    }
    {
        // A swap a <-> b and a chain c -> d -> e: b and d wait for their turn.
        auto operation = std::make_shared<InterruptedRename>();
        operation->setAllItems(files, QStringList{folder + "/b.jpg", folder + "/a.jpg", folder + "/d.jpg",
                                                  folder + "/e.jpg"});
        operation->setAsideAndStop();
        EXPECT_EQ(snapshot(folder), Contents({{"a.jpg", sum("a")}, {"b (moving).jpg", sum("b")},
                                              {"c.jpg", sum("c")}, {"d (moving).jpg", sum("d")}}));
        EXPECT_EQ(waitingNames(journal.entries()), QStringList({"b (moving).jpg", "d (moving).jpg"}));
        // While the operation is at work its files are its own.
        EXPECT_EQ(manager.recoverSetAsideFiles(), 0);
        EXPECT_TRUE(QFileInfo::exists(folder + "/b (moving).jpg"));
        // The first item had happened when the run ended: a took b's name.
        ASSERT_TRUE(QFile::rename(folder + "/a.jpg", folder + "/b.jpg"));
    } // dropped without putting anything back

    EXPECT_EQ(manager.recoverSetAsideFiles(), 2);
    EXPECT_EQ(snapshot(folder), Contents({{"b.jpg", sum("a")}, {"b 2.jpg", sum("b")}, {"c.jpg", sum("c")},
                                          {"d.jpg", sum("d")}}));
    EXPECT_TRUE(journal.entries().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(journal.path()));
    EXPECT_EQ(manager.recoverSetAsideFiles(), 0);
}

// What recovery does with each kind of entry.
TEST(SetAsideRecovery, EntriesAreRestoredKeptOrDropped)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("entries"));
    MCSetAsideJournal journal(folder + "/journal/SetAsideFiles.plist");
    const auto entry = [&](const QString &name, const QByteArray &contents, qint64 process) {
        writeFile(folder + "/" + name + ".jpg", contents);
        MCSetAsideJournal::Entry made =
            MCSetAsideJournal::entryForSetAside(folder + "/" + name + ".jpg", folder + "/" + name + " (moving).jpg");
        made.processIdentifier = process;
        EXPECT_TRUE(QFile::rename(made.originalPath, made.waitingPath));
        return made;
    };
    const qint64 ended = endedProcess();
    QList<MCSetAsideJournal::Entry> entries{
        entry("back", "back", ended),           // put back
        entry("running", "running", ::getppid()), // its run still works on it: left alone
        entry("stuck", "stuck", ended),         // cannot be moved: stays journalled
        entry("gone", "gone", ended),           // went on before the run ended: dropped
        entry("stranger", "old", ended),        // another file has the name now: dropped
    };
    ASSERT_TRUE(QFile::remove(folder + "/gone (moving).jpg"));
    // Made before the old one goes, so it cannot get the old one's inode.
    writeFile(folder + "/stranger.new", "new");
    ASSERT_TRUE(QFile::remove(folder + "/stranger (moving).jpg"));
    ASSERT_TRUE(QFile::rename(folder + "/stranger.new", folder + "/stranger (moving).jpg"));
    ASSERT_TRUE(journal.record(entries));

    FaultyCalls calls;
    calls.onRename = [](const QByteArray &from, const QByteArray &, bool) {
        return from.contains("stuck") ? EACCES : 0;
    };
    EXPECT_EQ(journal.recover(calls, [](const QString &path) { return path + ".unused"; }), 1);
    EXPECT_TRUE(QFileInfo::exists(journal.path()));
    Contents after = snapshot(folder);
    after.remove("journal/SetAsideFiles.plist");
    EXPECT_EQ(after, Contents({{"back.jpg", sum("back")},
                               {"running (moving).jpg", sum("running")},
                               {"stuck (moving).jpg", sum("stuck")},
                               {"stranger (moving).jpg", sum("new")}}));
    EXPECT_EQ(waitingNames(journal.entries()), QStringList({"running (moving).jpg", "stuck (moving).jpg"}));
}

// A finished rename leaves nothing in the journal, also when a source set aside had to be
// put back beside the name another item took.
TEST(SetAsideRecovery, FinishedRenamesLeaveTheJournalEmpty)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("finished"));
    ScriptedAlerts alerts;
    Recorder recorder;
    runFailedSwap(folder, recorder, alerts);
    EXPECT_EQ(snapshot(folder), Contents({{"b.jpg", sum("a")}, {"b 2.jpg", sum("b")}}));
    EXPECT_TRUE(MCSetAsideJournal::sharedJournal().entries().isEmpty());
}
