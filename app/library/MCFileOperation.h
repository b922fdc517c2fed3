#pragma once

// The frame every batch file operation shares (copy, move, rename, convert, edit metadata,
// set file dates): its work as contexts, the per-item implementation, progress counters,
// delegate callbacks throttled to one per progressTimeInterval(), the completion on the GUI
// thread, cancellation, and the resolution of a failed item by asking the user on the GUI
// thread while the worker waits, remembered per kind of error when "Apply to All" is ticked.
//
// Above everything: no photo is ever lost or silently overwritten. A destination is never
// replaced unless the user answered "Replace" for it; a file of this operation (one of its
// sources, or a file it wrote) is never offered for replacing; names that collide within
// the batch are numbered before any file is touched; and a source whose name another item
// of a move or rename takes is first set aside under a unique name in its own folder and
// put back when its own item does not happen.
#include "app/library/MCFileContainer.h"
#include "app/library/MCFileSystemCalls.h"
#include "platform/core/MCError.h"
#include "platform/core/MCOperationQueue.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <any>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class MCFile;
class MCFileOperation;
class MCItemOperationImpl;
class MCConverterRole;
class MCMetadataEditor;

// The user's answer to a failed item.
enum MCResolveActionType : quint64 {
    MCResolveActionNone = 0,     // no decision; the item fails
    MCResolveActionStop = 1,     // the operation cancels itself; the item fails
    MCResolveActionSkip = 2,     // the item fails and the loop goes on
    MCResolveActionTryAgain = 3, // the item is attempted again (copy, move, placing a conversion)
    MCResolveActionReplace = 4,  // the existing destination is replaced
    MCResolveActionKeepBoth = 5, // the item goes to a free name beside the existing one
};

struct MCResolveAction
{
    quint64 actionType = MCResolveActionNone;
    bool applyToAll = false; // reuse for the same domain and code without asking again
};

// One batch of work.
class MCFileOperationContext
{
public:
    MCFileList sourceFiles;
    // The destination of each source, same order; none for the kinds that work in place.
    std::optional<QStringList> destinationURLs;
    // Convert only: recreate each file's folder below its imported folder.
    bool createIntermediateFolders = false;
    // Set by the main loop from operationImplForContext().
    std::shared_ptr<MCItemOperationImpl> operationImpl;
    // Kind-specific: a std::shared_ptr<MCConverterRole> (convert), a
    // std::shared_ptr<MCMetadataEditor> (edit metadata), a bool, the change-modification flag
    // (set file date); empty otherwise.
    std::any representedObject;
};

// Callbacks of an operation, all on the GUI thread.
class MCFileOperationDelegate
{
public:
    virtual ~MCFileOperationDelegate() = default;
    // Once, first.
    virtual void fileOperationDidStart(MCFileOperation &operation) = 0;
    // For an item when more than progressTimeInterval() passed since the last one (the first
    // item always), and just before an alert about the failing file.
    virtual void fileOperationWillProcessFile(MCFileOperation &operation, const std::shared_ptr<MCFile> &file) = 0;
    // Once, last, right after the completion handler.
    virtual void fileOperationDidFinish(MCFileOperation &operation) = 0;
};

// Called once on the GUI thread when the work ends: the operation, whether it was cancelled
// (read at that moment), the files whose item succeeded in processing order, and the final
// destination of each (after "Keep Both Files" the name actually used); no list for the kinds
// that work in place.
using MCFileOperationCompletion =
    std::function<void(MCFileOperation &operation, bool cancelled, const MCFileList &processedFiles,
                       const std::optional<QStringList> &resultURLs)>;

class MCFileOperation : public MCOperation
{
public:
    explicit MCFileOperation(MCFileOperationCompletion completion = {});
    ~MCFileOperation() override;

    // ---- the work (set before the operation is queued)
    void setAllItems(const MCFileList &files, const std::optional<QStringList> &destinationURLs = std::nullopt,
                     std::any representedObject = {}, bool createIntermediateFolders = false);
    const QList<std::shared_ptr<MCFileOperationContext>> &contexts() const { return m_contexts; }
    // The number of source files given (not of destinations).
    quint64 maxProgress() const { return m_maxProgress; }
    // Items started so far; may be read on any thread.
    quint64 currentProgress() const { return m_currentProgress.load(std::memory_order_relaxed); }
    std::shared_ptr<MCFileOperationContext> currentContext() const { return m_currentContext; }

    double progressTimeInterval() const { return m_progressTimeInterval; }
    void setProgressTimeInterval(double seconds) { m_progressTimeInterval = seconds; }

    const MCFileOperationCompletion &completionHandler() const { return m_completion; }
    void setCompletionHandler(MCFileOperationCompletion completion) { m_completion = std::move(completion); }

    // Not owned; read and written on the GUI thread only (the callbacks read it when they
    // run), so a delegate that goes away sets nullptr first.
    MCFileOperationDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCFileOperationDelegate *delegate) { m_delegate = delegate; }

    // The remembered decisions, by "domain:code". Worker thread only while running.
    QHash<QString, MCResolveAction> resolveErrorActions() const;

    // The calls through which files are changed; the system's unless a test sets others
    // (not owned; set before the operation starts).
    MCFileSystemCalls &fileSystemCalls() const { return *m_calls; }
    void setFileSystemCalls(MCFileSystemCalls *calls) { m_calls = calls ? calls : &MCFileSystemCalls::systemCalls(); }

    // A new MCFileOperationImpl bound to this operation.
    virtual std::shared_ptr<MCItemOperationImpl> operationImplForContext(const MCFileOperationContext &context);

    // ---- per-item forwarders to the current context's implementation
    bool copyFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error);
    bool moveFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error);
    bool convertFile(const std::shared_ptr<MCFile> &file, QString &destination, MCConverterRole &converter,
                     bool createIntermediateFolders, MCError *error);
    bool editMetadataInFile(const std::shared_ptr<MCFile> &file, MCMetadataEditor &converter, MCError *error);
    bool setFileCreationDateFromCaptureDateInFile(const std::shared_ptr<MCFile> &file, bool changeModification,
                                                  MCError *error);

    // ---- alert texts (the destination may be empty)
    virtual QString messageTextForAlreadyExistsError(const MCError &error, const MCFile &file,
                                                     const QString &destination) const;
    virtual QString messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                 const QString &destination) const;
    QString informativeTextForAlreadyExistsError(const MCError &error, const MCFile &file,
                                                 const QString &destination) const;
    QString informativeTextForUnhandledError(const MCError &error, const MCFile &file,
                                             const QString &destination) const;

    // ---- resolution (worker thread)
    struct ResolveOptions
    {
        // The destination is a file of this operation: "Replace" is not offered, and a
        // remembered "Replace" does not apply to it.
        bool protectedDestination = false;
        // Ask even when a decision is remembered.
        bool forceAsk = false;
    };
    // The decision about a failed item: the remembered one for the error's domain and code,
    // else the user's answer to an alert. "Stop" cancels the operation. `asked` tells
    // whether an alert was shown.
    MCResolveAction resolveError(const MCError &error, const std::shared_ptr<MCFile> &file, const QString &destination);
    MCResolveAction resolveError(const MCError &error, const std::shared_ptr<MCFile> &file, const QString &destination,
                                 const ResolveOptions &options, bool *asked);

    // Whether `path` is one of this operation's sources or a file it wrote: never replaced.
    bool isProtectedDestination(const QString &path) const;
    // Where the item's source is now: its own path, or the name it was set aside under.
    QString sourcePathForFile(const MCFile &file) const;

protected:
    void main() override;
    void cancelledBeforeStart() override;

    // Whether the kind works with destinations (copy, move, rename, convert).
    virtual bool hasDestinations() const { return true; }
    // Whether sources whose names other items take are set aside first (move, rename).
    virtual bool movesSources() const { return false; }
    // Once per context, before its items (the represented object is read here).
    virtual void willProcessContext(MCFileOperationContext &context);
    // The kind's work for one item; `destination` may be changed (keep both, sub-folders).
    virtual bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination,
                             MCError *error) = 0;
    // Once per context after its items, also after a cancellation, before the clean-up.
    virtual void didProcessContext(MCFileOperationContext &context);

    // The destinations of the context's items, numbered where two would collide.
    QStringList preparedDestinations(const MCFileOperationContext &context) const;
    // Those of the context being worked on (empty for the kinds without destinations).
    const QStringList &currentDestinations() const { return m_currentDestinations; }
    // The number of items of a context: min(sources, destinations), or every source.
    qsizetype itemCount(const MCFileOperationContext &context) const;

    // Sets aside the sources whose names earlier items of the context take (moves and
    // renames), journalling each first, and puts back those whose own item did not happen.
    // main() brackets a context's items with them.
    void setAsideSources(const MCFileOperationContext &context, const QStringList &destinations);
    void restoreSetAsideSources();

private:
    enum class AlertKind { AlreadyExists, AlreadyExistsWithoutReplace, Conversion, Unhandled };
    void runAlert(AlertKind kind, const MCError &error, const std::shared_ptr<MCFile> &file,
                  const QString &destination, MCResolveAction &action);
    void reportWillProcessFile(const std::shared_ptr<MCFile> &file);
    void finish(const MCFileList &processed, const std::optional<QStringList> &results);
    std::shared_ptr<MCFileOperation> sharedSelf();

    QList<std::shared_ptr<MCFileOperationContext>> m_contexts;
    quint64 m_maxProgress = 0;
    std::atomic<quint64> m_currentProgress{0};
    double m_progressTimeInterval = 0.125;
    std::shared_ptr<MCFileOperationContext> m_currentContext;
    MCFileOperationCompletion m_completion;
    MCFileOperationDelegate *m_delegate = nullptr;
    MCFileSystemCalls *m_calls;

    // Worker-thread state.
    QHash<QString, std::shared_ptr<MCResolveAction>> m_resolveErrorActions;
    QSet<QString> m_protectedPaths;                 // sources of the context and files written
    QHash<const MCFile *, QString> m_setAsidePaths; // file -> where its source waits
    QHash<const MCFile *, QString> m_originalPaths; // file -> where it was set aside from
    QStringList m_journalledPaths;                  // waiting names recorded in the journal
    QStringList m_currentDestinations;
    std::chrono::steady_clock::time_point m_lastCallback;
};

// The per-file work of the file operations. Every kind makes one per context.
class MCItemOperationImpl
{
public:
    explicit MCItemOperationImpl(MCFileOperation *operation) : m_fileOperation(operation) {}
    virtual ~MCItemOperationImpl() = default;

    // The operation that owns the context holding this implementation.
    MCFileOperation *fileOperation() const { return m_fileOperation; }

    virtual bool copyFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error) = 0;
    virtual bool moveFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error) = 0;
    virtual bool convertFile(const std::shared_ptr<MCFile> &file, QString &destination, MCConverterRole &converter,
                             bool createIntermediateFolders, MCError *error) = 0;
    virtual bool editMetadataInFile(const std::shared_ptr<MCFile> &file, MCMetadataEditor &converter,
                                    MCError *error) = 0;
    virtual bool setFileCreationDateFromCaptureDateInFile(const std::shared_ptr<MCFile> &file,
                                                          bool changeModification, MCError *error) = 0;
    // Removes the temporary folders of the context.
    virtual void cleanup() = 0;

private:
    MCFileOperation *m_fileOperation; // owns this implementation through its context
};

// The "domain:code" key under which a decision about an error is remembered.
QString MCResolveActionKeyForError(const MCError &error);
