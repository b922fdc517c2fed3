#include "app/library/MCFileOperationKinds.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCDispatch.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <condition_variable>
#include <mutex>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCFileOperation", text); }

QString fileNameOf(const MCFile &file) { return QFileInfo(file.filePath()).fileName(); }

QString folderNameOf(const QString &destination)
{
    return QFileInfo(QFileInfo(destination).absolutePath()).fileName();
}

} // namespace

// ---------------------------------------------------------------- converter roles

std::unique_ptr<MCConverterRole::Decoded> MCConverterRole::decodeFile(const MCFile &, const QString &, MCError *)
{
    return nullptr;
}

bool MCConverterRole::convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded>, const QString &destination,
                                         MCError *error)
{
    return convertFile(file, destination, error);
}

namespace {

struct DecodedBitmap : MCConverterRole::Decoded
{
    MCBitmapConverter::DecodedFile file;
};

} // namespace

MCBitmapConverterRole::MCBitmapConverterRole(std::shared_ptr<MCBitmapConverter> converter)
    : m_converter(std::move(converter))
{
}

MCBitmapConverterRole::~MCBitmapConverterRole() = default;

QString MCBitmapConverterRole::imageFileExtension() const
{
    return m_converter->imageFileExtension();
}

bool MCBitmapConverterRole::convertFile(const MCFile &file, const QString &destination, MCError *error)
{
    return m_converter->convertFile(file, destination, error);
}

std::unique_ptr<MCConverterRole::Decoded> MCBitmapConverterRole::decodeFile(const MCFile &file,
                                                                            const QString &outputName, MCError *error)
{
    auto decoded = std::make_unique<DecodedBitmap>();
    if (!m_converter->decodeFile(file, outputName, &decoded->file, error))
        return nullptr;
    return decoded;
}

bool MCBitmapConverterRole::convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded> decoded,
                                               const QString &destination, MCError *error)
{
    auto *bitmap = dynamic_cast<DecodedBitmap *>(decoded.get());
    if (!bitmap)
        return m_converter->convertFile(file, destination, error);
    return m_converter->convertDecodedFile(file, std::move(bitmap->file), destination, error);
}

MCMetadataConverterEditor::MCMetadataConverterEditor(std::shared_ptr<MCMetadataConverter> converter)
    : m_converter(std::move(converter))
{
}

MCMetadataConverterEditor::~MCMetadataConverterEditor() = default;

bool MCMetadataConverterEditor::editMedataInFile(const MCFile &file, MCError *error,
                                                 const std::function<bool()> &isCancelled)
{
    return m_converter->editMedataInFile(file, error, isCancelled);
}

// ---------------------------------------------------------------- copy, move, rename

QString MCCopyOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                          const QString &destination) const
{
    return tr("\"%1\" couldn't be copied to \"%2\".").arg(fileNameOf(file), folderNameOf(destination));
}

QString MCCopyOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                      const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

bool MCCopyOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &destination,
                                  MCError *error)
{
    return copyFile(context.sourceFiles[index], destination, error);
}

QString MCMoveOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                          const QString &destination) const
{
    return tr("\"%1\" couldn't be moved to \"%2\".").arg(fileNameOf(file), folderNameOf(destination));
}

QString MCMoveOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                      const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

bool MCMoveOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &destination,
                                  MCError *error)
{
    return moveFile(context.sourceFiles[index], destination, error);
}

QString MCRenameOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                            const QString &destination) const
{
    return tr("\"%1\" couldn't be renamed to \"%2\".").arg(fileNameOf(file), QFileInfo(destination).fileName());
}

QString MCRenameOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                        const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

bool MCRenameOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &destination,
                                    MCError *error)
{
    return moveFile(context.sourceFiles[index], destination, error);
}

// ---------------------------------------------------------------- convert

// Decodes one photo ahead on a thread of its own. Only the decoding overlaps: the stages, the
// encoder, the placing and every question stay on the operation's thread in source order.
// At most one photo waits decoded beside the one being finished.
class MCConvertOperation::DecodeAhead
{
public:
    explicit DecodeAhead(MCConverterRole &converter) : m_converter(converter), m_queue(QStringLiteral("decode-ahead")) {}

    ~DecodeAhead()
    {
        // The queue's destructor runs the decode in flight; its result is dropped with us.
        waitForPending();
    }

    // Starts decoding item `index` unless one is in flight.
    void start(qsizetype index, const std::shared_ptr<MCFile> &file, const QString &outputName)
    {
        std::lock_guard lock(m_lock);
        if (m_pending)
            return;
        m_pending = true;
        m_index = index;
        m_ready = false;
        m_result.reset();
        m_error = MCError();
        m_queue.async([this, file, outputName] {
            MCError error;
            std::unique_ptr<MCConverterRole::Decoded> decoded = m_converter.decodeFile(*file, outputName, &error);
            std::lock_guard lock(m_lock);
            m_result = std::move(decoded);
            m_error = error;
            m_ready = true;
            m_changed.notify_all();
        });
    }

    // The decoded photo of item `index` when it was started ahead (waiting for it), else
    // false: the caller converts the photo in one step.
    bool take(qsizetype index, std::unique_ptr<MCConverterRole::Decoded> *decoded, MCError *error)
    {
        std::unique_lock lock(m_lock);
        if (!m_pending)
            return false;
        m_changed.wait(lock, [this] { return m_ready; });
        m_pending = false;
        if (m_index != index) {
            m_result.reset();
            return false;
        }
        *decoded = std::move(m_result);
        *error = m_error;
        return true;
    }

    void waitForPending()
    {
        std::unique_lock lock(m_lock);
        if (m_pending)
            m_changed.wait(lock, [this] { return m_ready; });
        m_pending = false;
        m_result.reset();
    }

private:
    MCConverterRole &m_converter;
    std::mutex m_lock; // guards the members below
    std::condition_variable m_changed;
    bool m_pending = false;
    bool m_ready = false;
    qsizetype m_index = -1;
    std::unique_ptr<MCConverterRole::Decoded> m_result;
    MCError m_error;
    MCSerialQueue m_queue; // last: its thread ends before the members it touches
};

namespace {

// The converter role for one item whose photo is already decoded (or failed to decode).
class PredecodedConverter : public MCConverterRole
{
public:
    PredecodedConverter(MCConverterRole &converter, std::unique_ptr<Decoded> decoded, MCError error)
        : m_converter(converter), m_decoded(std::move(decoded)), m_error(std::move(error))
    {
    }
    QString imageFileExtension() const override { return m_converter.imageFileExtension(); }
    bool convertFile(const MCFile &file, const QString &destination, MCError *error) override
    {
        // The photo decoded ahead serves the first attempt; another ("Try Again") starts over.
        if (std::exchange(m_used, true) || (!m_decoded && m_error.isNull()))
            return m_converter.convertFile(file, destination, error);
        if (!m_decoded)
            return MCSetError(error, m_error);
        return m_converter.convertDecodedFile(file, std::move(m_decoded), destination, error);
    }

private:
    bool m_used = false;
    MCConverterRole &m_converter;
    std::unique_ptr<Decoded> m_decoded;
    MCError m_error;
};

} // namespace

MCConvertOperation::MCConvertOperation(MCFileOperationCompletion completion)
    : MCFileOperation(std::move(completion))
{
}

MCConvertOperation::~MCConvertOperation() = default;

QString MCConvertOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                             const QString &destination) const
{
    return tr("\"%1\" couldn't be converted to \"%2\".").arg(fileNameOf(file), folderNameOf(destination));
}

QString MCConvertOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                         const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

void MCConvertOperation::willProcessContext(MCFileOperationContext &context)
{
    const auto *converter = std::any_cast<std::shared_ptr<MCConverterRole>>(&context.representedObject);
    m_converter = converter ? *converter : nullptr;
    if (m_converter && m_decodesAhead && m_converter->canDecodeAhead())
        m_decodeAhead = std::make_unique<DecodeAhead>(*m_converter);
}

bool MCConvertOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &destination,
                                     MCError *error)
{
    const std::shared_ptr<MCFile> &file = context.sourceFiles[index];
    if (!m_converter)
        return MCSetError(error, MCError(MCErrorDomain, 1, tr("“%1” could not be converted.").arg(file->fileName()),
                                         QString(), tr("Make sure that the convert settings are proper.")));
    if (!m_decodeAhead)
        return convertFile(file, destination, *m_converter, context.createIntermediateFolders, error);

    std::unique_ptr<MCConverterRole::Decoded> decoded;
    MCError decodeError;
    if (!m_decodeAhead->take(index, &decoded, &decodeError)) {
        // Nothing was decoded ahead for this photo (the first one): decode it now.
        decoded = m_converter->decodeFile(*file, QFileInfo(destination).fileName(), &decodeError);
    }
    // The next photo decodes while this one runs through the stages and the encoder.
    const QStringList &destinations = currentDestinations();
    const qsizetype next = index + 1;
    if (next < itemCount(context) && !isCancelled())
        m_decodeAhead->start(next, context.sourceFiles[next], QFileInfo(destinations[next]).fileName());

    PredecodedConverter converter(*m_converter, std::move(decoded), decodeError);
    return convertFile(file, destination, converter, context.createIntermediateFolders, error);
}

void MCConvertOperation::didProcessContext(MCFileOperationContext &)
{
    m_decodeAhead.reset();
    m_converter.reset();
}

// ---------------------------------------------------------------- edit metadata, set dates

QString MCEditMetadataOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                                  const QString &) const
{
    return tr("Metadata of \"%1\" couldn't be edited.").arg(fileNameOf(file));
}

QString MCEditMetadataOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                              const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

bool MCEditMetadataOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &,
                                          MCError *error)
{
    const auto *editor = std::any_cast<std::shared_ptr<MCMetadataEditor>>(&context.representedObject);
    const std::shared_ptr<MCFile> &file = context.sourceFiles[index];
    if (!editor || !*editor)
        return MCSetError(error, MCError(MCErrorDomain, 3, messageTextForUnhandledError({}, *file, {})));
    return editMetadataInFile(file, **editor, error);
}

QString MCSetFileDateOperation::messageTextForAlreadyExistsError(const MCError &, const MCFile &file,
                                                                 const QString &) const
{
    return tr("File Creation Date of \"%1\" couldn't be set.").arg(fileNameOf(file));
}

QString MCSetFileDateOperation::messageTextForUnhandledError(const MCError &error, const MCFile &file,
                                                             const QString &destination) const
{
    return messageTextForAlreadyExistsError(error, file, destination);
}

bool MCSetFileDateOperation::processItem(MCFileOperationContext &context, qsizetype index, QString &,
                                         MCError *error)
{
    const auto *flag = std::any_cast<bool>(&context.representedObject);
    return setFileCreationDateFromCaptureDateInFile(context.sourceFiles[index], flag && *flag, error);
}
