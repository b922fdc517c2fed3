#include "app/library/MCFileOperationKinds.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCDispatch.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

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

// Decodes photos ahead on threads of their own. Only the decoding overlaps: the stages, the
// encoder, the placing and every question stay on the operation's thread in source order.
// One photo is decoded ahead at first. When the operation waits for the photo it needs longer
// than it took to finish the one before, decoding takes over twice the time of the stages and
// the encoder (photos read at reduced size for a small result, say), and on machines with
// processors to spare a second decoder joins. So at most `depth()` photos wait decoded beside
// the one being finished, and a batch whose decoding keeps pace never holds more than one.
class MCConvertOperation::DecodeAhead
{
public:
    explicit DecodeAhead(MCConverterRole &converter) : m_converter(converter)
    {
        const size_t decoders = platform::processorCount() >= 4 ? 2 : 1;
        for (size_t k = 0; k < decoders; ++k)
            m_queues.push_back(std::make_unique<MCSerialQueue>(QStringLiteral("decode-ahead")));
    }

    ~DecodeAhead()
    {
        // The queues' destructors run the decodes in flight; their results are dropped with us.
        waitForPending();
    }

    // How many photos may be decoded ahead now.
    size_t depth() const
    {
        std::lock_guard lock(m_lock);
        return m_depth;
    }

    // Starts decoding item `index` on an idle decoder, unless it is started already or no
    // decoder is free.
    void start(qsizetype index, const std::shared_ptr<MCFile> &file, const QString &outputName)
    {
        std::lock_guard lock(m_lock);
        if (m_slots.size() >= m_depth)
            return;
        std::vector<bool> busy(m_queues.size(), false);
        for (const std::shared_ptr<Slot> &slot : m_slots) {
            if (slot->index == index)
                return;
            busy[slot->queue] = true;
        }
        auto slot = std::make_shared<Slot>();
        slot->index = index;
        slot->queue = size_t(std::find(busy.begin(), busy.end(), false) - busy.begin());
        m_slots.push_back(slot);
        m_queues[slot->queue]->async([this, slot, file, outputName] {
            MCError error;
            std::unique_ptr<MCConverterRole::Decoded> decoded = m_converter.decodeFile(*file, outputName, &error);
            std::lock_guard lock(m_lock);
            slot->result = std::move(decoded);
            slot->error = error;
            slot->ready = true;
            m_changed.notify_all();
        });
    }

    // The decoded photo of item `index` when it was started ahead (waiting for it), else
    // false: the caller converts the photo in one step. Photos started for earlier items that
    // were never taken are dropped.
    bool take(qsizetype index, std::unique_ptr<MCConverterRole::Decoded> *decoded, MCError *error)
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point asked = Clock::now();
        std::unique_lock lock(m_lock);
        std::shared_ptr<Slot> found;
        for (auto it = m_slots.begin(); it != m_slots.end();) {
            const std::shared_ptr<Slot> slot = *it;
            if (slot->index > index) {
                ++it;
                continue;
            }
            if (slot->index == index)
                found = slot;
            m_changed.wait(lock, [&] { return slot->ready; });
            it = m_slots.erase(std::find(m_slots.begin(), m_slots.end(), slot));
        }
        const Clock::time_point now = Clock::now();
        if (found && m_lastTaken && m_depth < m_queues.size() && now - asked > asked - *m_lastTaken)
            ++m_depth; // the decoding sets the pace: another decoder joins
        m_lastTaken = now;
        if (!found)
            return false;
        *decoded = std::move(found->result);
        *error = found->error;
        return true;
    }

    void waitForPending()
    {
        std::unique_lock lock(m_lock);
        for (const std::shared_ptr<Slot> &slot : m_slots)
            m_changed.wait(lock, [&] { return slot->ready; });
        m_slots.clear();
    }

private:
    struct Slot
    {
        qsizetype index = -1;
        size_t queue = 0;
        bool ready = false;
        std::unique_ptr<MCConverterRole::Decoded> result;
        MCError error;
    };

    MCConverterRole &m_converter;
    mutable std::mutex m_lock; // guards the members below
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Slot>> m_slots; // started and not taken, in source order
    size_t m_depth = 1;
    std::optional<std::chrono::steady_clock::time_point> m_lastTaken; // when the last photo was handed over
    std::vector<std::unique_ptr<MCSerialQueue>> m_queues; // last: their threads end before the members they touch
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
    // The folder is named as the folder the copy was to go to, not as a format or a name.
    return tr("\"%1\" couldn't be converted into the folder \"%2\".").arg(fileNameOf(file), folderNameOf(destination));
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

    // The photos after this one decode while it is decoded or taken, and run through the
    // stages and the encoder.
    const QStringList &destinations = currentDestinations();
    auto startAhead = [&] {
        for (qsizetype next = index + 1; next <= index + qsizetype(m_decodeAhead->depth()) &&
                                         next < itemCount(context) && !isCancelled();
             ++next)
            m_decodeAhead->start(next, context.sourceFiles[next], QFileInfo(destinations[next]).fileName());
    };
    std::unique_ptr<MCConverterRole::Decoded> decoded;
    MCError decodeError;
    if (!m_decodeAhead->take(index, &decoded, &decodeError)) {
        // Nothing was decoded ahead for this photo (the first one): decode it now.
        startAhead();
        decoded = m_converter->decodeFile(*file, QFileInfo(destination).fileName(), &decodeError);
    }
    startAhead();

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
