#pragma once

// The per-file work of the file operations, on the operation's worker thread.
//
// How a file reaches its destination, so that no photo is lost whatever fails:
// - A copy is written to a temporary file beside the destination (created exclusively),
//   checked against the source's size, and then renamed to the destination without
//   replacing anything there (RENAME_NOREPLACE): a name taken meanwhile is a conflict, never
//   an overwrite. A failed or cancelled copy leaves no file behind.
// - "Replace" flushes the finished temporary file to the disk and renames it over the
//   destination in one atomic step; the destination is never removed first.
// - A move within one file system is one rename (without replacing, or over the destination
//   when "Replace" was answered). Across file systems the photo is copied as above, the
//   destination's folder is flushed, and only then is the source removed; when it cannot be
//   removed the copy is taken back (unless it replaced a file) and the move fails.
// - A conversion is written to a temporary file and placed the same way.
#include "app/library/MCFileOperation.h"

class MCFileOperationImpl : public MCItemOperationImpl
{
public:
    explicit MCFileOperationImpl(MCFileOperation *operation);

    bool copyFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error) override;
    bool moveFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error) override;
    bool convertFile(const std::shared_ptr<MCFile> &file, QString &destination, MCConverterRole &converter,
                     bool createIntermediateFolders, MCError *error) override;
    bool editMetadataInFile(const std::shared_ptr<MCFile> &file, MCMetadataEditor &converter,
                            MCError *error) override;
    bool setFileCreationDateFromCaptureDateInFile(const std::shared_ptr<MCFile> &file, bool changeModification,
                                                  MCError *error) override;
    void cleanup() override;

    // How a file gets to its destination.
    enum class Transfer {
        Copy,  // the source stays
        Move,  // the source goes once the destination holds the photo
        Place, // a temporary file of ours goes to the destination (a finished conversion)
    };
    // One attempt, without asking anything: `replace` puts the photo over an existing file.
    bool transferFile(Transfer kind, const QString &source, const QString &destination, bool replace,
                      MCError *error);

private:
    // The attempt and the loop of questions after failures (copy, move, placing).
    bool transferWithResolution(Transfer kind, const std::shared_ptr<MCFile> &file, const QString &source,
                                QString &destination, MCError *error);
    bool copyThenPlace(const QString &source, const QString &destination, bool replace, bool removeSource,
                       MCError *error);
    bool isCancelled() const;
    MCFileSystemCalls &calls() const;

    std::unique_ptr<char[]> m_copyBuffer; // made on the first copy, kept for the context
};

// Errors the file operations make themselves.
namespace MCFileOperationErrors {
// Codes of MCErrorDomain: a photo without a capture date cannot have its file dates set from
// it; a file's creation date cannot be set on this system.
constexpr qint64 kNoCaptureDate = 4;
constexpr qint64 kCreationDateNotSettable = 5;
// An item already exists at `path` (MCCocoaErrorDomain 516).
MCError alreadyExistsError(const QString &path);
// The operation was cancelled (MCCocoaErrorDomain 3072).
MCError cancelledError(const QString &path);
} // namespace MCFileOperationErrors
