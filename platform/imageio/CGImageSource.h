#pragma once

#include "platform/core/MCError.h"
#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>

// An image source: one image file (or its bytes) read through the decoders of this folder.
// It answers how many images the file holds, each image in the file's own colour model and
// depth, a thumbnail, and the property dictionary (MCImageProperties.h). The format is found
// from the content, never from the file name. A source is used from one thread at a time;
// different sources may be used from different threads.

// Options of creation and of the image / thumbnail calls (keys of a QVariantMap).
extern const QString kCGImageSourceTypeIdentifierHint;               // QString: the type the caller expects
extern const QString kCGImageSourceShouldCache;                      // bool (accepted, decoded images are never cached)
extern const QString kCGImageSourceShouldAllowFloat;                 // bool (accepted; float files decode as float)
extern const QString kCGImageSourceCreateThumbnailFromImageIfAbsent; // bool
extern const QString kCGImageSourceCreateThumbnailFromImageAlways;   // bool
extern const QString kCGImageSourceThumbnailMaxPixelSize;            // integer, the larger side
extern const QString kCGImageSourceCreateThumbnailWithTransform;     // bool: turn by the orientation
// Option of createImageAtIndex (our own): integer, the larger side the image needs. A format
// that decodes smaller cheaply (JPEG's DCT scaling) may then answer an image reduced by a
// factor of n/8 that maps both sides onto whole pixels, its larger side still at least this;
// others answer the full image.
extern const QString kMCImageSourceDecodeMinimumPixelSize;

enum CGImageSourceStatus : int32_t {
    kCGImageStatusUnexpectedEOF = -5,
    kCGImageStatusInvalidData = -4,
    kCGImageStatusUnknownType = -3,
    kCGImageStatusReadingHeader = -2,
    kCGImageStatusIncomplete = -1,
    kCGImageStatusComplete = 0,
};

// Why a source has no image (our own domain; the platform reports only a status).
extern const QString MCImageSourceErrorDomain; // "MCImageSourceErrorDomain"
enum MCImageSourceErrorCode : qint64 {
    kMCImageSourceUnknownFormat = 1, // no decoder recognises the content
    kMCImageSourceDamaged = 2,       // a known format, but the data is broken, cut short or empty
    kMCImageSourceTooLarge = 3,      // beyond CGImage::kMaximumSide or kMaximumPixelCount
    kMCImageSourceOutOfMemory = 4,   // the pixels could not be allocated
};

namespace platform {
class ImageDecoder;
}

class CGImageSource;
using CGImageSourceRef = std::shared_ptr<CGImageSource>;

class CGImageSource
{
public:
    // nullptr when the file cannot be read (missing, unreadable, a folder, a FIFO, socket or
    // device). The file is read into memory, not mapped. A readable file of no known format
    // still gives a source, with status kCGImageStatusUnknownType and count 0.
    static CGImageSourceRef createWithURL(const QString &path, const QVariantMap &options = {});
    static CGImageSourceRef createWithData(const QByteArray &data, const QVariantMap &options = {});
    ~CGImageSource();

    // The type identifier of the content ("public.png"); empty when unknown.
    QString type() const;
    size_t count() const;
    // kCGImageStatusComplete when a decoder reads the content, kCGImageStatusUnknownType when
    // none recognises it, kCGImageStatusInvalidData for a known format that cannot be read
    // (broken, empty, too large).
    CGImageSourceStatus status() const;
    // Why the source has no decoder, or why the last createImageAtIndex / createThumbnailAtIndex
    // that had to decode answered nullptr (MCImageSourceErrorDomain); null otherwise.
    MCError error() const { return m_error; }

    // The image at `index`, or nullptr (index out of range, broken data, too large); at
    // reduced size only with kMCImageSourceDecodeMinimumPixelSize.
    CGImageRef createImageAtIndex(size_t index, const QVariantMap &options = {}) const;
    // A thumbnail of the image at `index`, 8 bits per component, in the image's colour space.
    // The embedded thumbnail is used unless kCGImageSourceCreateThumbnailFromImageAlways; one
    // smaller than kCGImageSourceThumbnailMaxPixelSize (when given) only when the options do
    // not allow making one from the image. Without an embedded thumbnail one is made from the
    // image only with ...FromImageIfAbsent or ...FromImageAlways; else nullptr.
    CGImageRef createThumbnailAtIndex(size_t index, const QVariantMap &options) const;
    // File-level properties: "FileSize", "ImageCount" and the format's own sub-dictionary.
    QVariantMap copyProperties(const QVariantMap &options = {}) const;
    // The property dictionary of the image at `index`; empty when there is no such image.
    QVariantMap copyPropertiesAtIndex(size_t index, const QVariantMap &options = {}) const;

private:
    CGImageSource() = default;
    static CGImageSourceRef create(const QByteArray &data, const QVariantMap &options);

    QByteArray m_data;
    std::unique_ptr<platform::ImageDecoder> m_decoder;
    mutable QVariantMap m_metadata;
    mutable bool m_metadataRead = false;
    mutable MCError m_error;
};

namespace platform {

// The image turned upright for an EXIF orientation 2..8 (1 and invalid values give the image
// itself); nullptr when the pixel format is not byte aligned.
CGImageRef createImageWithOrientation(const CGImageRef &image, int orientation);
// The image scaled down by area averaging so its larger side is at most `maxPixelSize`,
// converted to 8 bits per component in the same colour space (alpha kept).
CGImageRef createScaledImage8(const CGImageRef &image, size_t maxPixelSize);

} // namespace platform
