#pragma once

// Shared helpers of the file-operation tests: real files in temporary folders, a recording
// delegate, alerts answered by script and a file-call layer that injects failures.
#include "app/library/MCFile.h"
#include "app/library/MCFileOperationKinds.h"
#include "halvard/ui/MCPromptLayer.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <ostream>

// Readable test failures.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QByteArray &bytes, std::ostream *os) { *os << '"' << bytes.toStdString() << '"'; }

namespace fileops {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A library file for `path`, imported from `root` (its relative folder is the path between).
inline std::shared_ptr<MCFile> libraryFile(const QString &path, const QString &root = {})
{
    static quint64 nextID = 1;
    auto file = MCFile::fileWithID(nextID++);
    const QFileInfo info(path);
    file->setFilePath(info.absoluteFilePath());
    file->setFileName(info.fileName());
    file->setFolderPath(info.absolutePath());
    if (!root.isEmpty()) {
        const QString relative = QDir(root).relativeFilePath(info.absolutePath());
        file->setFolderRelativePath(relative == QLatin1String(".") ? QString() : relative);
    }
    return file;
}

// Every file below `folder` (hidden ones too) -> the checksum of its content.
inline QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex().left(12));
    }
    return files;
}

inline QByteArray sum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(12);
}

// What an operation told its delegate and completion, in order.
struct Recorder : MCFileOperationDelegate
{
    QStringList events;
    bool finished = false;
    bool cancelled = false;
    MCFileList processed;
    std::optional<QStringList> results;

    void fileOperationDidStart(MCFileOperation &) override { events << QStringLiteral("start"); }
    void fileOperationWillProcessFile(MCFileOperation &, const std::shared_ptr<MCFile> &file) override
    {
        events << QStringLiteral("will ") + file->fileName();
    }
    void fileOperationDidFinish(MCFileOperation &) override
    {
        events << QStringLiteral("finish");
        finished = true;
    }
    MCFileOperationCompletion completion()
    {
        return [this](MCFileOperation &, bool wasCancelled, const MCFileList &files,
                      const std::optional<QStringList> &urls) {
            events << QStringLiteral("completion");
            cancelled = wasCancelled;
            processed = files;
            results = urls;
        };
    }
    QStringList processedNames() const
    {
        QStringList names;
        for (const auto &file : processed)
            names << file->fileName();
        return names;
    }
    QStringList resultNames() const
    {
        QStringList names;
        for (const QString &url : results.value_or(QStringList()))
            names << QFileInfo(url).fileName();
        return names;
    }
};

// Answers alerts by button title from a script; records every alert it saw.
struct ScriptedAlerts
{
    struct Answer
    {
        QString button;
        bool applyToAll = false;
    };
    QList<Answer> answers;
    QList<MCAlertRequest> seen;
    MCScopedAlertResponder responder{[this](const MCAlertRequest &request) {
        seen.append(request);
        MCAlertAnswer answer;
        if (answers.isEmpty()) {
            ADD_FAILURE() << "unexpected alert: " << request.messageText.toStdString();
            answer.response = MCAlertFirstButtonReturn + int(request.buttonTitles.indexOf(QStringLiteral("Stop")));
            return answer;
        }
        const Answer next = answers.takeFirst();
        const qsizetype index = request.buttonTitles.indexOf(next.button);
        EXPECT_GE(index, 0) << next.button.toStdString() << " not among " << request.buttonTitles.join(", ").toStdString();
        answer.response = MCAlertFirstButtonReturn + int(std::max<qsizetype>(index, 0));
        answer.suppressionChecked = next.applyToAll;
        return answer;
    }};
};

// Runs the operation on a queue of its own and waits for its completion on the GUI thread.
inline void run(const std::shared_ptr<MCFileOperation> &operation, Recorder &recorder)
{
    operation->setDelegate(&recorder);
    if (!operation->completionHandler())
        operation->setCompletionHandler(recorder.completion());
    MCOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }, 20000));
    queue.waitUntilAllOperationsAreFinished();
}

// The real calls, with hooks that can fail or disturb any of them.
struct FaultyCalls : MCFileSystemCalls
{
    std::mutex lock;
    std::function<int(const QByteArray &path, int flags)> onOpen;
    std::function<int(int fd, size_t written)> onWrite; // answers an errno to fail with, or 0
    std::function<int(const QByteArray &from, const QByteArray &to, bool replace)> onRename;
    std::function<int(const QByteArray &path)> onRemove;
    std::function<int(const QByteArray &path)> onMakeFolder;
    QHash<int, size_t> writtenByFd;
    int renames = 0;

    int openFile(const QByteArray &path, int flags, mode_t mode) override
    {
        if (onOpen) {
            if (const int error = onOpen(path, flags)) {
                errno = error;
                return -1;
            }
        }
        const int fd = MCFileSystemCalls::openFile(path, flags, mode);
        if (fd >= 0)
            writtenByFd.insert(fd, 0);
        return fd;
    }
    ssize_t writeFile(int fd, const void *buffer, size_t size) override
    {
        if (onWrite) {
            if (const int error = onWrite(fd, writtenByFd.value(fd))) {
                errno = error;
                return -1;
            }
        }
        const ssize_t put = MCFileSystemCalls::writeFile(fd, buffer, size);
        if (put > 0)
            writtenByFd[fd] += size_t(put);
        return put;
    }
    int renameFile(const QByteArray &from, const QByteArray &to, bool replace) override
    {
        ++renames;
        if (onRename) {
            if (const int error = onRename(from, to, replace)) {
                errno = error;
                return -1;
            }
        }
        return MCFileSystemCalls::renameFile(from, to, replace);
    }
    int removeFile(const QByteArray &path) override
    {
        if (onRemove) {
            if (const int error = onRemove(path)) {
                errno = error;
                return -1;
            }
        }
        return MCFileSystemCalls::removeFile(path);
    }
    int makeFolder(const QByteArray &path, mode_t mode) override
    {
        if (onMakeFolder) {
            if (const int error = onMakeFolder(path)) {
                errno = error;
                return -1;
            }
        }
        return MCFileSystemCalls::makeFolder(path, mode);
    }
};

inline bool endsWith(const QByteArray &path, const char *suffix) { return path.endsWith(suffix); }

// A swap of a.jpg and b.jpg in `folder` whose second half fails: the photo set aside cannot
// take the name a.jpg, and the user skips it. The photos are b.jpg ("a") and b 2.jpg ("b")
// afterwards.
inline void runFailedSwap(const QString &folder, Recorder &recorder, ScriptedAlerts &alerts)
{
    writeFile(folder + "/a.jpg", "a");
    writeFile(folder + "/b.jpg", "b");
    const MCFileList files{libraryFile(folder + "/a.jpg"), libraryFile(folder + "/b.jpg")};
    FaultyCalls calls;
    calls.onRename = [](const QByteArray &from, const QByteArray &to, bool) {
        return from.contains("(moving)") && to.endsWith("/a.jpg") ? EACCES : 0;
    };
    alerts.answers = {{"Skip"}};
    auto operation = std::make_shared<MCRenameOperation>();
    operation->setAllItems(files, QStringList{folder + "/b.jpg", folder + "/a.jpg"});
    operation->setFileSystemCalls(&calls);
    run(operation, recorder);
}

} // namespace fileops
