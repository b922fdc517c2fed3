// Copy, move and rename on real files: results, callbacks, conflicts answered by script, and
// the failures a disk and a file system produce, injected through the file-call layer. After
// every case the checksums of the sources and of every file in the destination are what the
// user expects: nothing lost, nothing overwritten unasked, no temporary file left.
#include "FileOperationSupport.h"

#include "app/library/MCFileManager.h"
#include "app/library/MCFileOperationImpl.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using namespace fileops;

namespace {

using Contents = QMap<QString, QByteArray>;

struct Folders
{
    QString root = testsupport::makeTemporaryFolder(QStringLiteral("ops"));
    QString source = root + QStringLiteral("/source");
    QString destination = root + QStringLiteral("/destination");
    Folders()
    {
        QDir().mkpath(source);
        QDir().mkpath(destination);
    }
    std::shared_ptr<MCFile> photo(const QString &name, const QByteArray &bytes)
    {
        writeFile(source + QLatin1Char('/') + name, bytes);
        return libraryFile(source + QLatin1Char('/') + name, source);
    }
};

QStringList pathsIn(const QString &folder, const MCFileList &files)
{
    QStringList urls;
    for (const auto &file : files)
        urls << folder + QLatin1Char('/') + file->fileName();
    return urls;
}

template <typename Operation>
std::shared_ptr<Operation> operationFor(const MCFileList &files, const std::optional<QStringList> &destinations,
                                        MCFileSystemCalls *calls = nullptr)
{
    auto operation = std::make_shared<Operation>();
    operation->setAllItems(files, destinations);
    operation->setFileSystemCalls(calls);
    return operation;
}

} // namespace

TEST(FileOperation, CopyWritesEveryFileAndReportsInOrder)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "AAAA"), f.photo("b.jpg", "BBBB"), f.photo("c.jpg", "CCCC")};
    const auto before = snapshot(f.source);
    auto operation = operationFor<MCCopyOperation>(files, pathsIn(f.destination, files));
    operation->setProgressTimeInterval(3600); // only the first item is reported
    Recorder recorder;
    run(operation, recorder);

    EXPECT_EQ(recorder.events, QStringList({"start", "will a.jpg", "completion", "finish"}));
    EXPECT_FALSE(recorder.cancelled);
    EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(recorder.resultNames(), QStringList({"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(operation->maxProgress(), 3u);
    EXPECT_EQ(operation->currentProgress(), 3u);
    EXPECT_EQ(snapshot(f.source), before);
    EXPECT_EQ(snapshot(f.destination), before); // same names, same contents, nothing else
    // The copy keeps the source's modification time.
    EXPECT_EQ(QFileInfo(f.destination + "/b.jpg").lastModified(), QFileInfo(f.source + "/b.jpg").lastModified());
}

TEST(FileOperation, ItemCountsAndEmptyWork)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "A"), f.photo("b.jpg", "B"), f.photo("c.jpg", "C")};
    {
        // Fewer destinations than sources: only as many items; the progress counts all files.
        auto operation = operationFor<MCCopyOperation>(files, QStringList{f.destination + "/a.jpg", f.destination + "/b.jpg"});
        operation->setProgressTimeInterval(0);
        Recorder recorder;
        run(operation, recorder);
        EXPECT_EQ(operation->maxProgress(), 3u);
        EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg", "b.jpg"}));
        EXPECT_EQ(recorder.events, QStringList({"start", "will a.jpg", "will b.jpg", "completion", "finish"}));
    }
    {
        // No destinations for a kind that needs them: no item, empty lists, both callbacks.
        auto operation = operationFor<MCMoveOperation>(files, std::nullopt);
        Recorder recorder;
        run(operation, recorder);
        EXPECT_EQ(recorder.events, QStringList({"start", "completion", "finish"}));
        ASSERT_TRUE(recorder.results.has_value());
        EXPECT_TRUE(recorder.results->isEmpty());
        EXPECT_TRUE(QFileInfo::exists(f.source + "/a.jpg"));
    }
    {
        // Cancelled before it started: the completion still comes, cancelled.
        auto operation = operationFor<MCCopyOperation>(files, pathsIn(f.root + "/never", files));
        operation->cancel();
        Recorder recorder;
        run(operation, recorder);
        EXPECT_TRUE(recorder.cancelled);
        EXPECT_EQ(recorder.events, QStringList({"start", "completion", "finish"}));
    }
}

TEST(FileOperation, OntoItsOwnPathNothingHappens)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "AAAA")};
    for (bool move : {false, true}) {
        std::shared_ptr<MCFileOperation> operation =
            move ? std::shared_ptr<MCFileOperation>(operationFor<MCMoveOperation>(files, pathsIn(f.source, files)))
                 : operationFor<MCCopyOperation>(files, pathsIn(f.source, files));
        Recorder recorder;
        run(operation, recorder);
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.jpg"}));
        EXPECT_EQ(snapshot(f.source), Contents({{"a.jpg", sum("AAAA")}}));
    }
}

TEST(FileOperation, ConflictAnswers)
{
    struct Case
    {
        const char *name;
        bool move;
        QList<ScriptedAlerts::Answer> answers;
        QStringList existing;             // names already in the destination
        QStringList processed;            // files reported done
        QStringList results;              // their destinations' names
        Contents after;  // the destination folder afterwards
        bool sourceStays;
    } cases[] = {
        {"skip", false, {{"Skip"}}, {"a.jpg"}, {}, {}, {{"a.jpg", sum("old")}}, true},
        {"keep both", false, {{"Keep Both Files"}}, {"a.jpg"}, {"a.jpg"}, {"a 2.jpg"},
         {{"a.jpg", sum("old")}, {"a 2.jpg", sum("new")}}, true},
        {"keep both after a 2", true, {{"Keep Both Files"}}, {"a.jpg", "a 2.jpg"}, {"a.jpg"}, {"a 3.jpg"},
         {{"a.jpg", sum("old")}, {"a 2.jpg", sum("old")}, {"a 3.jpg", sum("new")}}, false},
        {"replace", false, {{"Replace"}}, {"a.jpg"}, {"a.jpg"}, {"a.jpg"}, {{"a.jpg", sum("new")}}, true},
        {"replace by moving", true, {{"Replace"}}, {"a.jpg"}, {"a.jpg"}, {"a.jpg"}, {{"a.jpg", sum("new")}}, false},
        {"stop", true, {{"Stop"}}, {"a.jpg"}, {}, {}, {{"a.jpg", sum("old")}}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        const MCFileList files{f.photo("a.jpg", "new"), f.photo("b.jpg", "second")};
        for (const QString &name : c.existing)
            writeFile(f.destination + "/" + name, "old");
        ScriptedAlerts alerts;
        alerts.answers = c.answers;
        std::shared_ptr<MCFileOperation> operation =
            c.move ? std::shared_ptr<MCFileOperation>(operationFor<MCMoveOperation>(files, pathsIn(f.destination, files)))
                   : operationFor<MCCopyOperation>(files, pathsIn(f.destination, files));
        Recorder recorder;
        run(operation, recorder);

        ASSERT_EQ(alerts.seen.size(), 1);
        EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Keep Both Files", "Replace", "Stop"}));
        EXPECT_EQ(alerts.seen[0].suppressionButtonTitle, "Apply to All");
        EXPECT_EQ(alerts.seen[0].messageText, c.move ? "\"a.jpg\" couldn't be moved to \"destination\"."
                                                     : "\"a.jpg\" couldn't be copied to \"destination\".");
        const bool stopped = c.answers[0].button == "Stop";
        EXPECT_EQ(recorder.cancelled, stopped);
        QStringList processed = c.processed;
        QStringList results = c.results;
        Contents after = c.after;
        if (!stopped) { // b.jpg follows
            processed << "b.jpg";
            results << "b.jpg";
            after.insert("b.jpg", sum("second"));
        }
        EXPECT_EQ(recorder.processedNames(), processed);
        EXPECT_EQ(recorder.resultNames(), results);
        EXPECT_EQ(snapshot(f.destination), after);
        EXPECT_EQ(QFileInfo::exists(f.source + "/a.jpg"), c.sourceStays);
        // The failing file was named just before its alert.
        EXPECT_TRUE(recorder.events.count("will a.jpg") >= 1);
    }
}

TEST(FileOperation, RememberedAnswersAndTryAgain)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "A1"), f.photo("b.jpg", "B1"), f.photo("c.jpg", "C1")};
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        writeFile(f.destination + "/" + name, "old");
    {
        // "Replace" with "Apply to All": one alert for all three conflicts.
        ScriptedAlerts alerts;
        alerts.answers = {{"Replace", true}};
        Recorder recorder;
        auto operation = operationFor<MCCopyOperation>(files, pathsIn(f.destination, files));
        run(operation, recorder);
        EXPECT_EQ(alerts.seen.size(), 1);
        EXPECT_EQ(recorder.processed.size(), 3);
        EXPECT_EQ(snapshot(f.destination), snapshot(f.source));
        EXPECT_EQ(operation->resolveErrorActions().value("NSCocoaErrorDomain:516").actionType, MCResolveActionReplace);
    }
    {
        // "Try Again" is never remembered: the next failure of its kind asks again, with the
        // box ticked.
        FaultyCalls calls;
        int failures = 0;
        calls.onOpen = [&](const QByteArray &path, int flags) {
            return (flags & O_CREAT) && path.contains(".quillonx-tmp") && failures++ < 2 ? EIO : 0;
        };
        ScriptedAlerts alerts;
        alerts.answers = {{"Try Again", true}, {"Try Again", false}};
        const QString target = f.root + "/fresh";
        QDir().mkpath(target);
        Recorder recorder;
        run(operationFor<MCCopyOperation>(files, pathsIn(target, files), &calls), recorder);
        ASSERT_EQ(alerts.seen.size(), 2);
        EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop", "Try Again"}));
        EXPECT_FALSE(alerts.seen[0].suppressionButtonChecked);
        EXPECT_TRUE(alerts.seen[1].suppressionButtonChecked);
        EXPECT_EQ(snapshot(target), snapshot(f.source));
    }
}

TEST(FileOperation, RememberedReplaceThatFailsAgainIsRetriedOnceThenAsked)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "new"), f.photo("b.jpg", "new b")};
    writeFile(f.destination + "/a.jpg", "old");
    writeFile(f.destination + "/b.jpg", "old b");
    // Replacing fails as if the name were taken again each time.
    FaultyCalls calls;
    int replaces = 0;
    calls.onRename = [&](const QByteArray &, const QByteArray &to, bool replace) {
        if (replace && to.endsWith("a.jpg")) {
            ++replaces;
            return EEXIST;
        }
        return 0;
    };
    ScriptedAlerts alerts;
    alerts.answers = {{"Replace", true}, {"Skip"}, {"Replace"}};
    Recorder recorder;
    run(operationFor<MCCopyOperation>(files, pathsIn(f.destination, files), &calls), recorder);
    // The answer, one retry with the remembered answer, then the question again (answered
    // "Skip", which is what b.jpg's conflict then asks about anew).
    EXPECT_EQ(replaces, 2);
    EXPECT_EQ(alerts.seen.size(), 3);
    EXPECT_EQ(recorder.processedNames(), QStringList({"b.jpg"}));
    EXPECT_EQ(readFile(f.destination + "/a.jpg"), "old");
    EXPECT_EQ(readFile(f.destination + "/b.jpg"), "new b");
}

TEST(FileOperation, KeepBothNeverTakesANameThatWasTakenMeanwhile)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "mine")};
    writeFile(f.destination + "/a.jpg", "old");
    // Another program writes "a 2.jpg" between the free-name check and the rename.
    FaultyCalls calls;
    calls.onRename = [&](const QByteArray &, const QByteArray &to, bool) {
        if (to.endsWith("/a 2.jpg") && !QFileInfo::exists(f.destination + "/a 2.jpg"))
            writeFile(f.destination + "/a 2.jpg", "theirs");
        return 0;
    };
    ScriptedAlerts alerts;
    alerts.answers = {{"Keep Both Files", true}};
    Recorder recorder;
    run(operationFor<MCCopyOperation>(files, pathsIn(f.destination, files), &calls), recorder);
    EXPECT_EQ(alerts.seen.size(), 1);
    EXPECT_EQ(recorder.resultNames(), QStringList({"a 3.jpg"}));
    EXPECT_EQ(snapshot(f.destination),
              Contents({{"a.jpg", sum("old")}, {"a 2.jpg", sum("theirs")}, {"a 3.jpg", sum("mine")}}));
}

TEST(FileOperation, BatchCollisionsAreNumberedAndOwnFilesNeverReplaced)
{
    Folders f;
    // Two photos named alike from two folders into one: numbered, never a question.
    writeFile(f.source + "/x/a.jpg", "first");
    writeFile(f.source + "/y/a.jpg", "second");
    const MCFileList alike{libraryFile(f.source + "/x/a.jpg"), libraryFile(f.source + "/y/a.jpg")};
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        const QString target = f.root + (move ? "/moved" : "/copied");
        QDir().mkpath(target);
        writeFile(target + "/a 2.jpg", "already there");
        std::shared_ptr<MCFileOperation> operation =
            move ? std::shared_ptr<MCFileOperation>(operationFor<MCMoveOperation>(alike, pathsIn(target, alike)))
                 : operationFor<MCCopyOperation>(alike, pathsIn(target, alike));
        Recorder recorder;
        run(operation, recorder);
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.jpg", "a 3.jpg"}));
        EXPECT_EQ(snapshot(target), Contents({{"a.jpg", sum("first")},
                                                               {"a 2.jpg", sum("already there")},
                                                               {"a 3.jpg", sum("second")}}));
    }

    // A photo copied onto another source of the same batch, one not copied yet: "Replace" is
    // not offered, and a remembered "Replace" does not reach it.
    writeFile(f.root + "/p/b.jpg", "p");
    writeFile(f.root + "/q/b.jpg", "q");
    writeFile(f.root + "/q/c.jpg", "q c");
    writeFile(f.root + "/r/c.jpg", "r c");
    QDir().mkpath(f.root + "/z");
    const MCFileList crossing{libraryFile(f.root + "/r/c.jpg"), libraryFile(f.root + "/p/b.jpg"),
                              libraryFile(f.root + "/q/b.jpg")};
    ScriptedAlerts alerts;
    alerts.answers = {{"Replace", true}, {"Skip"}};
    Recorder recorder;
    run(operationFor<MCCopyOperation>(crossing, QStringList{f.root + "/q/c.jpg", f.root + "/q/b.jpg", f.root + "/z/b.jpg"}),
        recorder);
    ASSERT_EQ(alerts.seen.size(), 2);
    EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Keep Both Files", "Replace", "Stop"}));
    EXPECT_EQ(alerts.seen[1].buttonTitles, QStringList({"Skip", "Keep Both Files", "Stop"}));
    EXPECT_EQ(recorder.resultNames(), QStringList({"c.jpg", "b.jpg"}));
    EXPECT_EQ(readFile(f.root + "/q/b.jpg"), "q");
    EXPECT_EQ(readFile(f.root + "/z/b.jpg"), "q");
    EXPECT_EQ(readFile(f.root + "/q/c.jpg"), "r c");
}

TEST(FileOperation, RenameChainsAndSwapsLoseNothing)
{
    Folders f;
    struct Case
    {
        const char *name;
        QStringList from, to;
        Contents after;
    } cases[] = {
        {"swap", {"a.jpg", "b.jpg"}, {"b.jpg", "a.jpg"}, {{"a.jpg", sum("b")}, {"b.jpg", sum("a")}}},
        {"chain", {"a.jpg", "b.jpg"}, {"b.jpg", "c.jpg"}, {{"b.jpg", sum("a")}, {"c.jpg", sum("b")}}},
        {"cycle", {"a.jpg", "b.jpg", "c.jpg"}, {"b.jpg", "c.jpg", "a.jpg"},
         {{"a.jpg", sum("c")}, {"b.jpg", sum("a")}, {"c.jpg", sum("b")}}},
        {"same new names", {"a.jpg", "b.jpg"}, {"x.jpg", "x.jpg"}, {{"x.jpg", sum("a")}, {"x 2.jpg", sum("b")}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("rename"));
        MCFileList files;
        for (const QString &name : c.from) {
            writeFile(folder + "/" + name, QFileInfo(name).completeBaseName().toUtf8());
            files << libraryFile(folder + "/" + name);
        }
        ScriptedAlerts alerts; // no question expected
        Recorder recorder;
        auto operation = MCFileManager::defaultManager().asyncRenameFiles(files, c.to, recorder.completion());
        operation->setDelegate(&recorder);
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }));
        EXPECT_EQ(recorder.processed.size(), c.from.size());
        EXPECT_EQ(snapshot(folder), c.after);
    }

    // A swap whose second half fails: the photo set aside comes back beside the one that
    // took its name.
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("rename"));
    ScriptedAlerts alerts;
    Recorder recorder;
    runFailedSwap(folder, recorder, alerts);
    EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg"}));
    EXPECT_EQ(alerts.seen.size(), 1);
    EXPECT_EQ(alerts.seen[0].messageText, "\"b.jpg\" couldn't be renamed to \"a.jpg\".");
    EXPECT_EQ(snapshot(folder), Contents({{"b.jpg", sum("a")}, {"b 2.jpg", sum("b")}}));
}

TEST(FileOperation, FailuresLeaveSourcesAndDestinationsWhole)
{
    struct Case
    {
        const char *name;
        bool move;
        std::function<void(FaultyCalls &, const QString &source, const QString &destination)> fault;
        QStringList buttons; // of the alert
    };
    const QStringList unhandled{"Skip", "Stop", "Try Again"};
    const Case cases[] = {
        {"disk full mid-copy", false,
         [](FaultyCalls &calls, const QString &, const QString &) {
             calls.onWrite = [](int, size_t written) { return written >= (1 << 20) ? ENOSPC : 0; };
         },
         unhandled},
        {"disk full mid-move across file systems", true,
         [](FaultyCalls &calls, const QString &, const QString &) {
             calls.onRename = [](const QByteArray &from, const QByteArray &, bool) {
                 return from.contains(".quillonx-tmp") ? 0 : EXDEV;
             };
             calls.onWrite = [](int, size_t written) { return written >= (1 << 20) ? ENOSPC : 0; };
         },
         unhandled},
        {"unwritable destination", false,
         [](FaultyCalls &calls, const QString &, const QString &) {
             calls.onOpen = [](const QByteArray &path, int flags) {
                 return (flags & O_CREAT) && path.endsWith("/big.jpg") ? EACCES : 0;
             };
         },
         unhandled},
        {"unwritable destination, moving", true,
         [](FaultyCalls &calls, const QString &, const QString &) {
             calls.onRename = [](const QByteArray &from, const QByteArray &, bool) {
                 return from.endsWith("/big.jpg") ? EACCES : 0;
             };
         },
         unhandled},
        {"source vanished before its turn", false,
         [](FaultyCalls &calls, const QString &source, const QString &) {
             calls.onOpen = [source](const QByteArray &path, int) {
                 if (path == QFile::encodeName(source + "/big.jpg"))
                     QFile::remove(source + "/big.jpg");
                 return 0;
             };
         },
         unhandled},
        {"source vanished before its move", true,
         [](FaultyCalls &calls, const QString &source, const QString &) {
             calls.onRename = [source](const QByteArray &from, const QByteArray &, bool) {
                 if (from.endsWith("/big.jpg"))
                     QFile::remove(source + "/big.jpg");
                 return 0;
             };
         },
         unhandled},
        {"original cannot be removed after a move across file systems", true,
         [](FaultyCalls &calls, const QString &, const QString &) {
             calls.onRename = [](const QByteArray &from, const QByteArray &, bool) {
                 return from.contains(".quillonx-tmp") ? 0 : EXDEV;
             };
             calls.onRemove = [](const QByteArray &path) { return path.endsWith("/source/big.jpg") ? EACCES : 0; };
         },
         unhandled},
    };
    QByteArray big(3 << 20, 'x');
    for (int i = 0; i < big.size(); i += 4096)
        big[i] = char(i / 4096);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        const MCFileList files{f.photo("big.jpg", big), f.photo("small.jpg", "small")};
        const auto sources = snapshot(f.source);
        FaultyCalls calls;
        c.fault(calls, f.source, f.destination);
        ScriptedAlerts alerts;
        alerts.answers = {{"Skip"}};
        std::shared_ptr<MCFileOperation> operation =
            c.move ? std::shared_ptr<MCFileOperation>(operationFor<MCMoveOperation>(files, pathsIn(f.destination, files), &calls))
                   : operationFor<MCCopyOperation>(files, pathsIn(f.destination, files), &calls);
        Recorder recorder;
        run(operation, recorder);
        ASSERT_EQ(alerts.seen.size(), 1);
        EXPECT_EQ(alerts.seen[0].buttonTitles, c.buttons);
        EXPECT_FALSE(alerts.seen[0].informativeText.isEmpty());
        EXPECT_FALSE(recorder.processedNames().contains("big.jpg"));

        // Every photo is somewhere, whole; the destination holds no partial file.
        auto afterSources = snapshot(f.source);
        auto afterDestination = snapshot(f.destination);
        const bool vanished = QString(c.name).startsWith("source vanished");
        if (!vanished) {
            EXPECT_EQ(afterSources.value("big.jpg"), sources.value("big.jpg"));
            EXPECT_FALSE(afterDestination.contains("big.jpg"));
        }
        EXPECT_EQ(afterDestination.value("small.jpg"), sum("small"));
        EXPECT_EQ(afterDestination.size(), 1) << QStringList(afterDestination.keys()).join(", ").toStdString();
        if (!c.move) {
            EXPECT_EQ(afterSources.value("small.jpg"), sum("small"));
        }
    }
}

TEST(FileOperation, DestinationFolderProblemsAreReportedBeforeCopying)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "A")};
    writeFile(f.root + "/not a folder", "file");
    struct Case
    {
        QString folder;
        int code;
    } cases[] = {{f.root + "/not a folder", ENOTDIR}, {f.root + "/removed", ENOENT}};
    for (const Case &c : cases) {
        ScriptedAlerts alerts;
        alerts.answers = {{"Skip"}};
        Recorder recorder;
        auto operation = operationFor<MCCopyOperation>(files, pathsIn(c.folder, files));
        run(operation, recorder);
        EXPECT_TRUE(recorder.processed.isEmpty());
        ASSERT_EQ(alerts.seen.size(), 1);
        EXPECT_TRUE(operation->resolveErrorActions().contains(QStringLiteral("NSPOSIXErrorDomain:%1").arg(c.code)))
            << QStringList(operation->resolveErrorActions().keys()).join(", ").toStdString();
        EXPECT_EQ(readFile(f.source + "/a.jpg"), "A");
    }
}

TEST(FileOperation, MoveAcrossFileSystemsCopiesThenRemoves)
{
    // A real second file system when the machine has one (a memory file system), else one
    // made up by the file-call layer.
    const QString shm = QStringLiteral("/dev/shm");
    struct stat here {}, there {};
    const bool realOther = ::stat(QFile::encodeName(testsupport::temporaryRoot()).constData(), &here) == 0 &&
                           ::stat(QFile::encodeName(shm).constData(), &there) == 0 && here.st_dev != there.st_dev &&
                           ::access(QFile::encodeName(shm).constData(), W_OK) == 0;
    for (bool real : {false, true}) {
        if (real && !realOther)
            continue;
        SCOPED_TRACE(real ? "real file systems" : "injected EXDEV");
        Folders f;
        QTemporaryDir other(real ? shm + "/quillonx-test-XXXXXX" : f.root + "/other-XXXXXX");
        ASSERT_TRUE(other.isValid());
        writeFile(other.path() + "/b.jpg", "old b");
        const MCFileList files{f.photo("a.jpg", QByteArray(2 << 20, 'a')), f.photo("b.jpg", "new b")};
        FaultyCalls calls;
        if (!real)
            calls.onRename = [](const QByteArray &from, const QByteArray &, bool) {
                return from.contains(".quillonx-tmp") ? 0 : EXDEV;
            };
        ScriptedAlerts alerts;
        alerts.answers = {{"Replace"}};
        Recorder recorder;
        run(operationFor<MCMoveOperation>(files, pathsIn(other.path(), files), &calls), recorder);
        EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg", "b.jpg"}));
        EXPECT_TRUE(snapshot(f.source).isEmpty());
        EXPECT_EQ(snapshot(other.path()),
                  Contents({{"a.jpg", sum(QByteArray(2 << 20, 'a'))}, {"b.jpg", sum("new b")}}));
    }
}

TEST(FileOperation, CancelMidBatchKeepsWhatWasDoneAndLeavesNoTemporaryFile)
{
    Folders f;
    const MCFileList files{f.photo("a.jpg", "first"), f.photo("b.jpg", QByteArray(4 << 20, 'b')),
                           f.photo("c.jpg", "third")};
    const auto sources = snapshot(f.source);
    FaultyCalls calls;
    std::weak_ptr<MCFileOperation> weak;
    calls.onWrite = [&](int, size_t written) {
        // The user presses Stop while the second photo is half copied.
        if (written >= (2 << 20))
            if (auto operation = weak.lock())
                operation->cancel();
        return 0;
    };
    auto operation = operationFor<MCCopyOperation>(files, pathsIn(f.destination, files), &calls);
    weak = operation;
    Recorder recorder;
    run(operation, recorder);
    EXPECT_TRUE(recorder.cancelled);
    EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg"}));
    EXPECT_EQ(snapshot(f.destination), Contents({{"a.jpg", sum("first")}}));
    EXPECT_EQ(snapshot(f.source), sources);
}

TEST(FileOperation, ProgressIsThrottled)
{
    Folders f;
    MCFileList files;
    for (int i = 0; i < 5; ++i)
        files << f.photo(QStringLiteral("p%1.jpg").arg(i), "x");
    auto operation = operationFor<MCCopyOperation>(files, pathsIn(f.destination, files));
    operation->setProgressTimeInterval(0);
    Recorder recorder;
    run(operation, recorder);
    EXPECT_EQ(recorder.events.count(), 5 + 3); // every item when no time must pass
    EXPECT_EQ(recorder.events.first(), "start");
    EXPECT_EQ(recorder.events.last(), "finish");
    EXPECT_EQ(recorder.events.at(recorder.events.size() - 2), "completion");
}
