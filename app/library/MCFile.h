#pragma once

#include "app/metadata/MCFileInfo.h"
#include "halvard/collections/MCOrderedDictionary.h"
#include "halvard/collections/MCSortedContainers.h"
#include "halvard/imageio/MCResourceDescriptor.h"

#include <QDateTime>
#include <QSizeF>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>
#include <mutex>
#include <optional>

class QMimeData;

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
//
// The browser, the info panel and the pasteboard read it as a browser item (browserItem...,
// the preview and pasteboard values, and the image descriptor of its thumbnails); the filter
// predicates read its filtered... values and the grouping rules its groupItem... values, all
// also by key through valueForKey().
class MCFile : public MCImageDescriptorProvider
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
        quint64 generation = 0; // of the image properties it was taken from
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
    // The same from one snapshot of fileInfo()'s values. A snapshot older than the one the
    // current capture date came from changes nothing, so of two overlapping reloads the one
    // that read the newer properties always wins.
    void reloadCaptureDate(const std::shared_ptr<const MCFileInfo::Values> &values);

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
    QString browserItemSubtitle() const { return {}; } // the browser asks for the masked form
    QVariant browserItemIcon() const { return {}; }    // files show their thumbnail, no icon
    std::optional<qint64> browserItemLabel() const { return fileLabel(); }
    QVariant browserItemRating() const { return m_fileInfo->rating(); }
    QString browserItemRatingString() const { return m_fileInfo->ratingString(); }
    std::optional<quint64> browserItemFileSize() const { return fileSize(); }
    QString browserItemFileType() const { return fileType(); }
    std::optional<QDateTime> browserItemFileCreatedDate() const { return fileCreationDate(); }
    // As stored, not rotated.
    QVariant browserItemImageWidth() const { return m_fileInfo->width(); }
    QVariant browserItemImageHeight() const { return m_fileInfo->height(); }
    QVariant browserItemImageResolution() const { return m_fileInfo->resolutionX(); }
    QVariant browserItemImageOrientation() const { return m_fileInfo->orientation(); }
    QVariant browserItemImageColorProfileName() const { return m_fileInfo->profileName(); }
    QVariant browserItemImageColorModel() const { return m_fileInfo->colorModel(); }
    QVariant browserItemGPSLatitude() const { return m_fileInfo->GPSLatitude(); }
    QVariant browserItemGPSLatitudeRef() const { return m_fileInfo->GPSLatitudeRef(); }
    QVariant browserItemGPSLongitude() const { return m_fileInfo->GPSLongitude(); }
    QVariant browserItemGPSLongitudeRef() const { return m_fileInfo->GPSLongitudeRef(); }
    QString browserItemGPSLatitudeString() const { return m_fileInfo->GPSLatitudeString(); }
    QString browserItemGPSLongitudeString() const { return m_fileInfo->GPSLongitudeString(); }
    QString browserItemKeywordsString() const { return m_fileInfo->keywordsString(); }
    bool isBrowserItemLocked() const { return fileIsLocked(); }
    bool isBrowserItemMarked() const { return fileIsMarked(); }
    bool isBrowserItemFlagged() const { return fileIsFlagged(); }
    bool isBrowserItemRejected() const { return fileIsRejected(); }
    bool isBrowserItemHidden() const { return fileIsHidden(); }

    // The key of the file's thumbnails and cached images: its fileID.
    QVariant resourceID() const override { return QVariant::fromValue(m_fileID); }
    // The file, with the larger side of the image as shown (after rotation) as its size.
    std::shared_ptr<MCImageDescriptor> imageDescriptor() const override;

    // Quick preview.
    QUrl previewItemURL() const { return QUrl::fromLocalFile(m_filePath); }
    QString previewItemTitle() const { return m_fileName; }

    // Pasteboard writing: the file is offered as its file URL, produced when a reader asks.
    static const QString kFileURLType;                 // "public.file-url"
    static constexpr quint64 kWritingPromised = 512;   // the promised-data writing option
    QStringList writableTypesForPasteboard() const { return {kFileURLType}; }
    quint64 writingOptionsForType(const QString &) const { return kWritingPromised; }
    // The file URL's text for the file-URL type; null for any other type.
    QVariant pasteboardPropertyListForType(const QString &type) const;
    // Clipboard and drag data of files: their file URLs, in order (files without a path are
    // left out).
    static std::unique_ptr<QMimeData> newMimeDataForFiles(const QList<std::shared_ptr<MCFile>> &files);

    // Values for the filter, with the fall-backs of a missing property.
    QString filteredFileName() const { return m_fileName; }
    bool filteredIsFlagged() const { return fileIsFlagged(); }
    bool filteredIsRejected() const { return fileIsRejected(); }
    bool filteredIsMarked() const { return fileIsMarked(); }
    bool filteredIsLocked() const { return fileIsLocked(); }
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
    // Texts of the image properties; "" when missing.
    QString filteredEditingSoftware() const;
    QString filteredCameraMaker() const;
    QString filteredCameraModel() const;
    QString filteredCameraLensModel() const;
    QString filteredProfileName() const;
    QString filteredCopyright() const;
    QString filteredOwner() const;
    QString filteredIPTCTitle() const;
    QString filteredIPTCCaption() const;
    QString filteredIPTCCity() const;
    QString filteredIPTCCountry() const;
    QString filteredIPTCProvince() const;
    QString filteredIPTCLocation() const;
    bool filteredIsJPEGFile() const;
    bool filteredIsRAWFile() const;
    bool filteredIsBMPFile() const;
    bool filteredIsGIFFile() const;
    bool filteredIsJPEG2000File() const;
    bool filteredIsPDFFile() const;
    bool filteredIsPNGFile() const;
    bool filteredIsTIFFFile() const;
    bool filteredIsHEICFile() const;

    // Values for grouping; missing values stay absent except the megapixels.
    QString groupItemFileType() const { return fileType(); }
    std::optional<quint64> groupItemFileSize() const { return fileSize(); }
    QVariant groupItemAlpha() const { return m_fileInfo->hasAlpha(); }
    QVariant groupItemColorModel() const { return m_fileInfo->colorModel(); }
    QVariant groupItemDepth() const { return m_fileInfo->depth(); }
    QVariant groupItemOrientation() const { return m_fileInfo->orientation(); }
    // The pixel count in megapixels rounded up to the next tenth; 0.0 without a size.
    double groupItemMegapixels() const;
    std::optional<MCFraction> groupItemImageAspectRatio() const { return m_fileInfo->aspectRatioRotated(); }
    std::optional<QDateTime> groupItemCaptureDate() const { return captureDate(); }
    std::optional<qint64> groupItemCaptureYear() const { return captureYear(); }
    std::optional<qint64> groupItemCaptureMonth() const { return captureMonth(); }
    std::optional<qint64> groupItemCaptureDay() const { return captureDay(); }
    std::optional<qint64> groupItemCaptureHour() const { return captureHour(); }

    // The filter and grouping values by key ("filteredRating", "groupItemCaptureYear", ...),
    // as predicates and rules read them: a null QVariant for an absent value or an unknown
    // key. Aspect ratios come as an MCFraction, lists of keywords as a QStringList.
    QVariant valueForKey(const QString &key) const;

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
