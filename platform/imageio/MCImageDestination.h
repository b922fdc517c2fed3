#pragma once

#include "platform/core/MCError.h"
#include "platform/graphics/CGTypes.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

// Writing an image file: a destination for one type identifier receives one image with its
// property dictionary and writes the file when finalized. The file is written whole or not
// at all: the bytes are encoded in memory and saved through a temporary file beside the
// destination, so a failure never leaves a partial file at the path.
//
// The property dictionary is the one the image source reads (MCImageProperties.h). Beside
// the metadata it carries the writer's options as top-level keys:
extern const QString kCGImageDestinationLossyCompressionQuality; // double 0..1 (JPEG, JPEG 2000, HEIC)
extern const QString kCGImageDestinationEmbedThumbnail;          // bool (JPEG, HEIC)
extern const QString kCGImageDestinationOrientation;             // int 1..8, as the Orientation property
// The path of the file the image was read from, whose metadata blocks (Exif with its maker
// note, GPS, IPTC, XMP, the JPEG comment and Photoshop resources) are carried into the file
// as far as its format holds them, with the dictionary applied over them: a key whose value
// differs from the source's is written, a key the source had and the dictionary lacks is
// removed (with its XMP twins), and orientation, pixel size and thumbnail follow the image.
extern const QString kMCImageDestinationMetadataSource; // QString
// and in "{TIFF}": Compression 1 (none), 5 (LZW) or 32773 (PackBits) for TIFF output.
//
// What each format stores (anything else is refused with MCImageDestinationErrorDomain
// code kMCImageDestinationUnsupportedPixelFormat, naming what the format cannot hold):
//
// | format     | models              | depths           | alpha | profile | metadata                      |
// |------------|---------------------|------------------|-------|---------|-------------------------------|
// | JPEG       | Gray, RGB, CMYK     | 8                | no    | APP2    | Exif, IPTC, XMP; thumbnail    |
// | JPEG 2000  | Gray, RGB, CMYK¹    | 8, 16            | yes   | colr    | Exif, XMP (IPTC as XMP)       |
// | PNG        | Gray, RGB           | 8, 16            | yes   | iCCP    | Exif, IPTC, XMP, texts, pHYs  |
// | TIFF       | Gray, RGB, CMYK, Lab| 8, 16, 32 float  | yes   | tag     | Exif, GPS, IPTC, XMP          |
// | BMP        | Gray, RGB           | 8                | yes   | V5      | resolution only               |
// | GIF        | Gray, RGB           | 8                | 1-bit | none    | none                          |
// | PDF        | Gray, RGB, CMYK, Lab| 8, 16            | yes   | ICCBased| page size from resolution     |
// | HEIC       | Gray, RGB           | 8                | yes   | prof    | Exif, XMP (IPTC as XMP); thumb|
//
// ¹ JPEG 2000 is written as plain JP2, whose readers know only gray, sRGB and profiles made of
//   curves and a matrix: CMYK images and images with table-based profiles are written as
//   sRGB (colour-converted through their profile, depth kept).
//
// Decisions where a format's conventions apply:
// - CMYK JPEG is written as Adobe writes it (APP14 marker, inverted ink values), which is
//   what every reader of CMYK JPEG expects.
// - GIF keeps alpha as one transparent palette entry (alpha below one half is transparent)
//   and reduces RGB to 256 colours by median cut with Floyd–Steinberg dithering.
// - BMP writes gray as an 8-bit palette of grays and alpha as a 32-bit pixel with an alpha mask.
// - Lab TIFF is written as ICC Lab (8/16 bits, a and b offset by 128) and as CIE Lab with
//   float samples (L 0..100, a and b signed) for 32-bit float.
// - Premultiplied alpha is written un-premultiplied, since every format here stores straight alpha.
extern const QString MCImageDestinationErrorDomain; // "MCImageDestinationErrorDomain"
enum MCImageDestinationErrorCode : qint64 {
    kMCImageDestinationUnsupportedType = 1,        // no writer for the type identifier
    kMCImageDestinationUnsupportedPixelFormat = 2, // the format cannot store this image
    kMCImageDestinationInvalidImage = 3,           // no image added, or an unreadable pixel layout
    kMCImageDestinationEncodingFailed = 4,         // the codec library refused
    kMCImageDestinationWriteFailed = 5,            // the file could not be written (underlying error)
    kMCImageDestinationMetadataFailed = 6,         // the metadata could not be written
};

class MCImageDestination
{
public:
    // The type identifiers that can be written, in the order of the output format numbers:
    // GIF, JPEG, JPEG 2000, PDF, PNG, TIFF, BMP, HEIC.
    static QStringList copyTypeIdentifiers();

    // A destination writing `count` images of `type` to `path`. Only one image per file is
    // written; nullptr with an error for an unknown type or a count other than 1.
    static std::unique_ptr<MCImageDestination> createWithURL(const QString &path, const QString &type,
                                                             size_t count, MCError *error = nullptr);

    // Whether `type` can store `image` as it is; false with the reason otherwise.
    static bool canWriteImage(const QString &type, const CGImageRef &image, MCError *error = nullptr);

    // The image and its properties; a second call replaces the first.
    void addImage(const CGImageRef &image, const QVariantMap &properties);

    // Encodes and writes the file. False with an error when nothing was written.
    bool finalize(MCError *error = nullptr);

    // Encodes to memory only (what finalize writes).
    bool encode(QByteArray *bytes, MCError *error = nullptr) const;

    QString path() const { return m_path; }
    QString type() const { return m_type; }

private:
    MCImageDestination() = default;

    QString m_path;
    QString m_type;
    CGImageRef m_image;
    QVariantMap m_properties;
};
