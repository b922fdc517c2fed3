#include "app/library/MCFileOperation.h"

#include "app/library/MCFile.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCFileOperationImpl.h"
#include "app/library/MCLogQuillon.h"
#include "app/library/MCSetAsideJournal.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCDispatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The log's line for a file that failed: the file, where it was to go, every sentence of the
// error chain once, and the domain and code of each error (which the alert never shows).
QString logLineFor(const MCError &error, const MCFile &file, const QString &destination)
{
    QStringList sentences, codes;
    for (const MCError *e = &error; e && !e->isNull(); e = e->underlyingError()) {
        codes << QStringLiteral("%1 %2").arg(e->domain()).arg(e->code());
        for (const QString &text : {e->localizedDescription(), e->localizedFailureReason()})
            if (!text.isEmpty() && !sentences.contains(text))
                sentences << text;
    }
    const QString where = destination.isEmpty() ? QString() : QStringLiteral(" → ") + destination;
    return QStringLiteral("%1%2: %3 [%4]").arg(file.filePath(), where, sentences.join(QLatin1Char(' ')),
                                              codes.join(QStringLiteral(" < ")));
}

QString tr(const char *text) { return QCoreApplication::translate("MCFileOperation", text); }

// A path in one spelling, so two spellings of one place compare equal: absolute, cleaned,
// with the folder's symbolic links resolved where the folder exists.
QString pathKey(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? folder : canonical) + QLatin1Char('/') + info.fileName());
}

bool nameExists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 || errno != ENOENT;
}

// "name.ext" -> {"name", ".ext"}; a leading dot starts no extension.
std::pair<QString, QString> splitName(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, {}};
    return {name.left(dot), name.mid(dot)};
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

constexpr int kMaximumNumberedNames = 10000;

} // namespace

QString MCResolveActionKeyForError(const MCError &error)
{
    return QStringLiteral("%1:%2").arg(error.domain()).arg(error.code());
}

MCFileOperation::MCFileOperation(MCFileOperationCompletion completion)
    : m_completion(std::move(completion)), m_calls(&MCFileSystemCalls::systemCalls())
{
}

MCFileOperation::~MCFileOperation()
{
    // Sources still set aside here were never put back (the work was abandoned): the
    // journal keeps them for the next recovery.
    if (!m_journalledPaths.isEmpty())
        MCSetAsideJournal::sharedJournal().release(m_journalledPaths);
}

void MCFileOperation::setAllItems(const MCFileList &files, const std::optional<QStringList> &destinationURLs,
                                  std::any representedObject, bool createIntermediateFolders)
{
    auto context = std::make_shared<MCFileOperationContext>();
    context->sourceFiles = files;
    context->destinationURLs = destinationURLs;
    context->representedObject = std::move(representedObject);
    context->createIntermediateFolders = createIntermediateFolders;
    m_contexts = {context};
    m_maxProgress = quint64(files.size());
}

QHash<QString, MCResolveAction> MCFileOperation::resolveErrorActions() const
{
    QHash<QString, MCResolveAction> actions;
    for (auto it = m_resolveErrorActions.constBegin(); it != m_resolveErrorActions.constEnd(); ++it)
        actions.insert(it.key(), *it.value());
    return actions;
}

std::shared_ptr<MCItemOperationImpl> MCFileOperation::operationImplForContext(const MCFileOperationContext &)
{
    return std::make_shared<MCFileOperationImpl>(this);
}

// ---------------------------------------------------------------- forwarders

bool MCFileOperation::copyFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error)
{
    return m_currentContext->operationImpl->copyFile(file, destination, error);
}

bool MCFileOperation::moveFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error)
{
    return m_currentContext->operationImpl->moveFile(file, destination, error);
}

bool MCFileOperation::convertFile(const std::shared_ptr<MCFile> &file, QString &destination, MCConverterRole &converter,
                                  bool createIntermediateFolders, MCError *error)
{
    return m_currentContext->operationImpl->convertFile(file, destination, converter, createIntermediateFolders, error);
}

bool MCFileOperation::editMetadataInFile(const std::shared_ptr<MCFile> &file, MCMetadataEditor &converter,
                                         MCError *error)
{
    return m_currentContext->operationImpl->editMetadataInFile(file, converter, error);
}

bool MCFileOperation::setFileCreationDateFromCaptureDateInFile(const std::shared_ptr<MCFile> &file,
                                                               bool changeModification, MCError *error)
{
    return m_currentContext->operationImpl->setFileCreationDateFromCaptureDateInFile(file, changeModification, error);
}

// ---------------------------------------------------------------- alert texts

QString MCFileOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &) const
{
    return tr("\"%1\" couldn't be processed.").arg(QFileInfo(file.filePath()).fileName());
}

QString MCFileOperation::messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &) const
{
    return tr("\"%1\" couldn't be processed.").arg(QFileInfo(file.filePath()).fileName());
}

QString MCFileOperation::informativeTextForAlreadyExistsError(const MCError &error, const MCFile &,
                                                              const QString &) const
{
    const QString reason = error.localizedFailureReason();
    if (reason.isEmpty())
        return {};
    const QString suggestion = error.localizedRecoverySuggestion();
    return suggestion.isEmpty() ? reason : reason + QLatin1Char(' ') + suggestion;
}

QString MCFileOperation::informativeTextForUnhandledError(const MCError &error, const MCFile &,
                                                          const QString &) const
{
    const QString reason = error.localizedFailureReason();
    const QString suggestion = error.localizedRecoverySuggestion();
    if (reason.isEmpty())
        return suggestion;
    return suggestion.isEmpty() ? reason : reason + QLatin1Char(' ') + suggestion;
}

// ---------------------------------------------------------------- resolution

MCResolveAction MCFileOperation::resolveError(const MCError &error, const std::shared_ptr<MCFile> &file,
                                              const QString &destination)
{
    bool asked = false;
    return resolveError(error, file, destination, ResolveOptions{isProtectedDestination(destination), false}, &asked);
}

MCResolveAction MCFileOperation::resolveError(const MCError &error, const std::shared_ptr<MCFile> &file,
                                              const QString &destination, const ResolveOptions &options, bool *asked)
{
    if (asked)
        *asked = false;
    std::shared_ptr<MCResolveAction> &stored = m_resolveErrorActions[MCResolveActionKeyForError(error)];
    if (!stored)
        stored = std::make_shared<MCResolveAction>();
    const std::shared_ptr<MCResolveAction> action = stored;

    const bool exists = error.is(MCPOSIXErrorDomain, EEXIST) || error.is(MCCocoaErrorDomain, MCFileWriteFileExistsError);
    bool remembered = action->applyToAll && action->actionType != MCResolveActionNone &&
                      action->actionType != MCResolveActionTryAgain && !options.forceAsk;
    if (remembered && options.protectedDestination && action->actionType == MCResolveActionReplace)
        remembered = false; // never replace a file of this operation, remembered or not
    if (!remembered) {
        if (isCancelled())
            return MCResolveAction{};
        AlertKind kind = AlertKind::Unhandled;
        if (error.domain() == MCErrorDomain)
            kind = AlertKind::Conversion;
        else if (exists)
            kind = options.protectedDestination ? AlertKind::AlreadyExistsWithoutReplace : AlertKind::AlreadyExists;
        runAlert(kind, error, file, destination, *action);
        if (asked)
            *asked = true;
    }
    if (action->actionType == MCResolveActionStop)
        cancel();
    return *action;
}

void MCFileOperation::runAlert(AlertKind kind, const MCError &error, const std::shared_ptr<MCFile> &file,
                               const QString &destination, MCResolveAction &action)
{
    const bool existsAlert = kind == AlertKind::AlreadyExists || kind == AlertKind::AlreadyExistsWithoutReplace;
    MCAlertRequest request;
    request.messageText = existsAlert ? messageTextForAlreadyExistsError(error, *file, destination)
                                      : messageTextForUnhandledError(error, *file, destination);
    request.informativeText = existsAlert ? informativeTextForAlreadyExistsError(error, *file, destination)
                                          : informativeTextForUnhandledError(error, *file, destination);
    QList<quint64> types; // action type by button
    switch (kind) {
    case AlertKind::AlreadyExists:
        request.buttonTitles = {tr("Skip"), tr("Keep Both Files"), tr("Replace"), tr("Stop")};
        types = {MCResolveActionSkip, MCResolveActionKeepBoth, MCResolveActionReplace, MCResolveActionStop};
        break;
    case AlertKind::AlreadyExistsWithoutReplace:
        // The existing file is one this operation reads or wrote: it is never replaced.
        request.buttonTitles = {tr("Skip"), tr("Keep Both Files"), tr("Stop")};
        types = {MCResolveActionSkip, MCResolveActionKeepBoth, MCResolveActionStop};
        break;
    case AlertKind::Conversion:
        request.buttonTitles = {tr("Skip"), tr("Stop")};
        types = {MCResolveActionSkip, MCResolveActionStop};
        break;
    case AlertKind::Unhandled:
        request.buttonTitles = {tr("Skip"), tr("Stop"), tr("Try Again")};
        types = {MCResolveActionSkip, MCResolveActionStop, MCResolveActionTryAgain};
        break;
    }
    request.showsSuppressionButton = true;
    request.suppressionButtonTitle = tr("Apply to All");
    request.suppressionButtonChecked = action.applyToAll;
    request.alertStyle = MCAlertStyleCritical;

    // The progress sheet names the failing file before the question.
    reportWillProcessFile(file);
    MCAlertAnswer answer;
    bool answered = false;
    const bool ran = platform::dispatchMainSync([&] {
        answer = MCPromptLayer::runAlert(request);
        answered = true;
    });
    if (!ran || !answered) {
        // Nobody can be asked (the application is going away): stop rather than guess.
        action.actionType = MCResolveActionStop;
        action.applyToAll = false;
        return;
    }
    const qsizetype index = answer.response - MCAlertFirstButtonReturn;
    if (index >= 0 && index < types.size())
        action.actionType = types[index];
    else
        action.actionType = existsAlert ? MCResolveActionStop : MCResolveActionNone;
    action.applyToAll = answer.suppressionChecked;
}

bool MCFileOperation::isProtectedDestination(const QString &path) const
{
    return !path.isEmpty() && m_protectedPaths.contains(pathKey(path));
}

QString MCFileOperation::sourcePathForFile(const MCFile &file) const
{
    return m_setAsidePaths.value(&file, file.filePath());
}

// ---------------------------------------------------------------- the loop

std::shared_ptr<MCFileOperation> MCFileOperation::sharedSelf()
{
    return std::static_pointer_cast<MCFileOperation>(shared_from_this());
}

void MCFileOperation::reportWillProcessFile(const std::shared_ptr<MCFile> &file)
{
    const std::shared_ptr<MCFileOperation> self = sharedSelf();
    platform::dispatchMain([self, file] {
        if (MCFileOperationDelegate *delegate = self->m_delegate)
            delegate->fileOperationWillProcessFile(*self, file);
    });
}

qsizetype MCFileOperation::itemCount(const MCFileOperationContext &context) const
{
    if (!hasDestinations())
        return context.sourceFiles.size();
    if (!context.destinationURLs)
        return 0;
    return std::min(context.sourceFiles.size(), context.destinationURLs->size());
}

QStringList MCFileOperation::preparedDestinations(const MCFileOperationContext &context) const
{
    QStringList destinations;
    if (!hasDestinations())
        return destinations;
    const qsizetype count = itemCount(context);
    // Where an item will end: below its relative folder when sub-folders are made.
    auto finalFolderOf = [&context](qsizetype i) {
        const std::shared_ptr<MCFile> &file = context.sourceFiles[i];
        const QString relative = context.createIntermediateFolders && file ? file->folderRelativePath() : QString();
        const QString folder = QFileInfo(context.destinationURLs->at(i)).absolutePath();
        return relative.isEmpty() ? folder : joined(folder, relative);
    };
    // An item onto its own path keeps it; the others number around it.
    QSet<QString> taken;
    QSet<qsizetype> ontoItself;
    for (qsizetype i = 0; i < count; ++i) {
        const QString key = pathKey(joined(finalFolderOf(i), QFileInfo(context.destinationURLs->at(i)).fileName()));
        if (context.sourceFiles[i] && key == pathKey(context.sourceFiles[i]->filePath()) && !taken.contains(key)) {
            taken.insert(key);
            ontoItself.insert(i);
        }
    }
    for (qsizetype i = 0; i < count; ++i) {
        QString destination = context.destinationURLs->at(i);
        if (ontoItself.contains(i)) {
            destinations.append(destination);
            continue;
        }
        const QFileInfo info(destination);
        const QString finalFolder = finalFolderOf(i);
        QString key = pathKey(joined(finalFolder, info.fileName()));
        if (taken.contains(key)) {
            // A name another item of this batch takes: the first free number.
            const auto [stem, extension] = splitName(info.fileName());
            for (int number = 2; number < kMaximumNumberedNames + 2; ++number) {
                const QString name = stem + QLatin1Char(' ') + QString::number(number) + extension;
                const QString candidate = pathKey(joined(finalFolder, name));
                if (!taken.contains(candidate) && !nameExists(candidate)) {
                    destination = joined(info.absolutePath(), name);
                    key = candidate;
                    break;
                }
            }
        }
        taken.insert(key);
        destinations.append(destination);
    }
    return destinations;
}

namespace {

// The first "<stem> (moving)<ext>", "<stem> (moving 2)<ext>", ... beside `source` that
// nothing has and that is not in `planned`; empty when none is free.
QString freeWaitingName(const QString &source, const QSet<QString> &planned)
{
    const QFileInfo info(source);
    const auto [stem, extension] = splitName(info.fileName());
    for (int number = 1; number < kMaximumNumberedNames; ++number) {
        const QString name = number == 1 ? tr("%1 (moving)%2").arg(stem, extension)
                                         : tr("%1 (moving %2)%3").arg(stem).arg(number).arg(extension);
        const QString waiting = joined(info.absolutePath(), name);
        if (!planned.contains(waiting) && !nameExists(waiting))
            return waiting;
    }
    return {};
}

} // namespace

void MCFileOperation::setAsideSources(const MCFileOperationContext &context, const QStringList &destinations)
{
    // A source whose name an earlier item takes (a chain a -> b, b -> c, or a swap) waits
    // under a unique name in its own folder, so the earlier item never meets it. The names
    // are chosen first and journalled before any rename, so a crash part-way leaves nothing
    // the next start cannot put back.
    struct Waiting
    {
        std::shared_ptr<MCFile> file;
        QString source;
        QString waiting;
    };
    QList<Waiting> planned;
    QSet<QString> plannedNames;
    QSet<QString> earlierDestinations;
    for (qsizetype j = 0; j < destinations.size(); ++j) {
        const std::shared_ptr<MCFile> &file = context.sourceFiles[j];
        const QString source = file->filePath();
        const QString sourceKey = pathKey(source);
        if (earlierDestinations.contains(sourceKey) && pathKey(destinations[j]) != sourceKey) {
            const QString waiting = freeWaitingName(source, plannedNames);
            if (!waiting.isEmpty()) {
                planned.append({file, source, waiting});
                plannedNames.insert(waiting);
            }
            // With no free name it stays; its name is protected, so the earlier item cannot
            // replace it.
        }
        earlierDestinations.insert(pathKey(destinations[j]));
    }
    if (planned.isEmpty())
        return;

    MCSetAsideJournal &journal = MCSetAsideJournal::sharedJournal();
    QList<MCSetAsideJournal::Entry> entries;
    for (const Waiting &item : std::as_const(planned))
        entries.append(MCSetAsideJournal::entryForSetAside(item.source, item.waiting));
    journal.record(entries);
    QStringList unused;
    for (const Waiting &item : std::as_const(planned)) {
        QString waiting = item.waiting;
        while (!waiting.isEmpty()) {
            if (fileSystemCalls().renameFile(QFile::encodeName(item.source), QFile::encodeName(waiting), false) == 0) {
                m_setAsidePaths.insert(item.file.get(), waiting);
                m_originalPaths.insert(item.file.get(), item.source);
                m_protectedPaths.insert(pathKey(waiting));
                m_journalledPaths.append(waiting);
                break;
            }
            const bool taken = errno == EEXIST;
            unused.append(waiting);
            if (!taken)
                break; // it stays; its name is protected, so the earlier item cannot replace it
            // Something took the name since it was chosen: the next free one, journalled first.
            plannedNames.insert(waiting);
            waiting = freeWaitingName(item.source, plannedNames);
            if (!waiting.isEmpty()) {
                plannedNames.insert(waiting);
                journal.record({MCSetAsideJournal::entryForSetAside(item.source, waiting)});
            }
        }
    }
    journal.forget(unused);
}

void MCFileOperation::restoreSetAsideSources()
{
    // Sources set aside whose own item did not happen go back to their names, or, when
    // another item took the name, to the first free name beside it.
    QSet<QString> stranded;
    for (auto it = m_setAsidePaths.constBegin(); it != m_setAsidePaths.constEnd(); ++it) {
        const QString waiting = it.value();
        const QString original = m_originalPaths.value(it.key());
        QString target = original;
        bool restored = false;
        for (int attempt = 0; attempt < kMaximumNumberedNames && !target.isEmpty(); ++attempt) {
            if (fileSystemCalls().renameFile(QFile::encodeName(waiting), QFile::encodeName(target), false) == 0) {
                restored = true;
                break;
            }
            if (errno != EEXIST)
                break;
            target = MCFileManager::defaultManager().uniqueFileURLForURL(original);
        }
        if (!restored) {
            MCLogQuillon::fileManager().error(QStringLiteral("The photo %1 stays at %2").arg(original, waiting));
            stranded.insert(waiting);
        } else if (target != original) {
            MCLogQuillon::fileManager().error(QStringLiteral("The photo %1 was put back as %2").arg(original, target));
        }
    }
    // The rest are back or went on to their destinations; one that could not be moved stays
    // journalled for the next start.
    QStringList settled;
    for (const QString &waiting : std::as_const(m_journalledPaths))
        if (!stranded.contains(waiting))
            settled.append(waiting);
    if (!m_journalledPaths.isEmpty()) {
        MCSetAsideJournal &journal = MCSetAsideJournal::sharedJournal();
        journal.forget(settled);
        journal.release(stranded.values());
    }
    m_journalledPaths.clear();
    m_setAsidePaths.clear();
    m_originalPaths.clear();
}

void MCFileOperation::willProcessContext(MCFileOperationContext &) {}

void MCFileOperation::didProcessContext(MCFileOperationContext &) {}

void MCFileOperation::main()
{
    const std::shared_ptr<MCFileOperation> self = sharedSelf();
    platform::dispatchMain([self] {
        if (MCFileOperationDelegate *delegate = self->m_delegate)
            delegate->fileOperationDidStart(*self);
    });

    MCFileList processed;
    QStringList results;
    const auto interval = std::chrono::duration<double>(m_progressTimeInterval);
    m_lastCallback = std::chrono::steady_clock::now() - std::chrono::duration_cast<std::chrono::steady_clock::duration>(interval);

    for (const std::shared_ptr<MCFileOperationContext> &context : std::as_const(m_contexts)) {
        if (isCancelled())
            break;
        context->operationImpl = operationImplForContext(*context);
        m_currentContext = context;
        const qsizetype count = itemCount(*context);
        m_currentDestinations = preparedDestinations(*context);
        m_protectedPaths.clear();
        for (qsizetype i = 0; i < count; ++i)
            m_protectedPaths.insert(pathKey(context->sourceFiles[i]->filePath()));
        if (movesSources())
            setAsideSources(*context, m_currentDestinations);
        willProcessContext(*context);

        for (qsizetype i = 0; i < count; ++i) {
            if (isCancelled())
                break;
            const std::shared_ptr<MCFile> &file = context->sourceFiles[i];
            QString destination = hasDestinations() ? m_currentDestinations[i] : QString();
            const auto now = std::chrono::steady_clock::now();
            if (std::chrono::duration<double>(now - m_lastCallback) > interval) {
                reportWillProcessFile(file);
                m_lastCallback = now;
            }
            m_currentProgress.fetch_add(1, std::memory_order_relaxed);

            MCError error;
            if (processItem(*context, i, destination, &error)) {
                processed.append(file);
                if (hasDestinations()) {
                    results.append(destination);
                    m_protectedPaths.insert(pathKey(destination));
                }
                m_setAsidePaths.remove(file.get());
            } else {
                MCLogQuillon::fileManager().error(logLineFor(error, *file, destination));
            }
        }

        didProcessContext(*context);
        restoreSetAsideSources();
        context->operationImpl->cleanup();
    }

    finish(processed, hasDestinations() ? std::optional<QStringList>(results) : std::nullopt);
}

void MCFileOperation::cancelledBeforeStart()
{
    // Whoever waits for the completion gets it, with nothing done.
    const std::shared_ptr<MCFileOperation> self = sharedSelf();
    platform::dispatchMain([self] {
        if (MCFileOperationDelegate *delegate = self->m_delegate)
            delegate->fileOperationDidStart(*self);
    });
    finish({}, hasDestinations() ? std::optional<QStringList>(QStringList()) : std::nullopt);
}

void MCFileOperation::finish(const MCFileList &processed, const std::optional<QStringList> &results)
{
    const std::shared_ptr<MCFileOperation> self = sharedSelf();
    platform::dispatchMain([self, processed, results] {
        // The handler is released once it has run: it may hold the operation.
        const MCFileOperationCompletion completion = std::exchange(self->m_completion, nullptr);
        if (completion)
            completion(*self, self->isCancelled(), processed, results);
        if (MCFileOperationDelegate *delegate = self->m_delegate)
            delegate->fileOperationDidFinish(*self);
    });
}
