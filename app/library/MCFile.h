#pragma once

#include "app/metadata/MCFileInfo.h"
#include "halvard/collections/MCOrderedDictionary.h"
#include "halvard/collections/MCSortedContainers.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <memory>
#include <mutex>
#include <optional>

// Where a file's colour label comes from. Linux file systems keep no such label, so the
// default source answers none; the mapping of the platform's numbering stays testable
// through a source that answers one.
class MCFileLabelSource
{
public:
    virtual ~MCFileLabelSource() = default;
    // The platform's label number 0-7 of the file, or none.
    virtual std::optional<qint64> labelNumberAtPath(const QString &path) const;
};

// One photo of the library: a file on disk with an identity for the run, the file-system
// facts shown and filtered on, its image properties (MCFileInfo) and its capture date split
// into calendar parts. Held by std::shared_ptr; equality is identity.
//
// The reloads may run on a worker thread while the GUI thread reads: the facts and the
// capture date live in immutable snapshots swapped under a lock, so a reader never sees a
// half-written value.
class MCFile
{
public:
    // The file-system facts read by reloadFileInfo().
    struct Facts
    {
        QString fileType;
        std::optional<quint64> fileSize;
        std::optional<qint64> fileLabel;
        std::optional<QDateTime> fileCreationDate;
        std::optional<QDateTime> fileModificationDate;
    };
    // The capture date and its calendar parts in the local time zone.
    struct Capture
    {
        std::optional<QDateTime> captureDate;
        std::optional<qint64> captureYear, captureMonth, captureDay, captureHour;
    };

    static std::shared_ptr<MCFile> fileWithID(quint64 fileID) { return std::make_shared<MCFile>(fileID); }
    explicit MCFile(quint64 fileID);
    MCFile(const MCFile &) = delete;
    MCFile &operator=(const MCFile &) = delete;

    quint64 fileID() const { return m_fileID; }
    MCFileInfo &fileInfo() const { return *m_fileInfo; }

    // Path fields: set when the file is made, before it is shared between threads.
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    QString folderPath() const { return m_folderPath; }
    void setFolderPath(const QString &path) { m_folderPath = path; }
    QString folderRelativePath() const { return m_folderRelativePath; }
    void setFolderRelativePath(const QString &path) { m_folderRelativePath = path; }

    Facts facts() const;
    QString fileType() const { return facts().fileType; }
    std::optional<quint64> fileSize() const { return facts().fileSize; }
    std::optional<qint64> fileLabel() const { return facts().fileLabel; }
    std::optional<QDateTime> fileCreationDate() const { return facts().fileCreationDate; }
    std::optional<QDateTime> fileModificationDate() const { return facts().fileModificationDate; }
    // Status flags; nothing sets them, so they read false.
    bool fileIsLocked() const { return false; }
    bool fileIsMarked() const { return false; }
    bool fileIsFlagged() const { return false; }
    bool fileIsRejected() const { return false; }
    bool fileIsHidden() const { return false; }

    Capture capture() const;
    std::optional<QDateTime> captureDate() const { return capture().captureDate; }
    std::optional<qint64> captureYear() const { return capture().captureYear; }
    std::optional<qint64> captureMonth() const { return capture().captureMonth; }
    std::optional<qint64> captureDay() const { return capture().captureDay; }
    std::optional<qint64> captureHour() const { return capture().captureHour; }

    // Re-reads type, size, label, birth time (where the file system keeps one) and
    // modification time. When the file cannot be read the failure is logged and the earlier
    // facts stay. Answers whether the facts were read.
    bool reloadFileInfo();
    // Re-reads the image properties into fileInfo(), then the capture date.
    void reloadMetadata();
    // The capture date is the original date-time, else the digitised one. When it changes the
    // parts follow; when it disappears the parts are cleared too.
    void reloadCaptureDate();

    // The platform's label number (0-7) translated to the stored numbering; others as they are.
    static qint64 fileLabelFromLabelNumber(qint64 labelNumber);
    // The label source used by reloadFileInfo(); the default answers none. Not owned.
    static void setLabelSource(const MCFileLabelSource *source);

    // Display strings of the info panel.
    QString fileNameString() const;
    QString fileTypeString() const;
    QString fileSizeString() const;
    QString fileLabelString() const;
    QString creationDateString() const;
    QString modificationDateString() const;
    static QString stringFromDate(const std::optional<QDateTime> &date) { return MCFileInfo::stringFromDate(date); }

    // Values for the browser.
    QString browserItemUUID() const { return QString::number(m_fileID); }
    quint64 browserItemID() const { return m_fileID; }
    QString browserItemTitle() const { return m_fileName; }
    QString browserItemPath() const { return m_filePath; }
    std::optional<QDateTime> browserItemDate() const;
    std::optional<QDateTime> browserItemCaptureDate() const;
    QStringList browserItemThumbnailPaths() const;
    QSizeF browserItemImageSize() const { return m_fileInfo->imageSizeRotated(); }
    // Mask bits: 8 date, 2 pixel size, 32 file size, 16 rating; pieces in that order.
    QString browserItemSubtitleWithMask(quint64 mask) const;
    // The file's own display strings, then the image properties.
    MCMutableOrderedDictionary browserItemMetadata() const;
    quint64 resourceID() const { return m_fileID; }

    // Values for the filter, with the fall-backs of a missing property.
    QString filteredFileName() const { return m_fileName; }
    QDateTime filteredCaptureDate() const;
    qint64 filteredRating() const;
    qint64 filteredLabel() const;
    QStringList filteredKeywords() const;
    quint64 filteredFileSize() const;
    QDateTime filteredFileCreationDate() const;
    QDateTime filteredFileModificationDate() const;
    QString filteredParentFolderName() const;
    quint64 filteredImageWidth() const;
    quint64 filteredImageHeight() const;
    qint64 filteredCanvasFormat() const; // 0 landscape, 1 portrait, 2 square
    double filteredImageDPI() const;
    QString filteredImageColorMode() const;
    qint64 filteredImageColorDepth() const;
    bool filteredImageHasAlpha() const;
    double filteredImageExposureTime() const;
    double filteredImageFNumber() const;
    double filteredImageFocalLength() const;
    double filteredImageISOSpeedRating() const;
    qint64 filteredImageIsFlashFired() const;
    bool filteredImageIsGPSLocationSet() const;
    bool filteredIsJPEGFile() const;
    bool filteredIsRAWFile() const { return false; } // until the readable RAW types are listed
    bool filteredIsBMPFile() const;
    bool filteredIsGIFFile() const;
    bool filteredIsJPEG2000File() const;
    bool filteredIsPDFFile() const;
    bool filteredIsPNGFile() const;
    bool filteredIsTIFFFile() const;
    bool filteredIsHEICFile() const;

    // Values for grouping.
    double groupItemMegapixels() const;
    std::optional<MCFraction> groupItemImageAspectRatio() const { return m_fileInfo->aspectRatioRotated(); }

    // The date every missing filter date reads as.
    static QDateTime distantPast();

private:
    const quint64 m_fileID;
    const std::unique_ptr<MCFileInfo> m_fileInfo;
    QString m_filePath, m_fileName, m_folderPath, m_folderRelativePath;

    mutable std::mutex m_stateLock; // guards the two snapshot pointers below
    std::shared_ptr<const Facts> m_facts;
    std::shared_ptr<const Capture> m_capture;
};
