#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>

class MCUTType;

// The registry of image file types the library works with: which type identifiers the
// program can read, which of them are camera RAW formats, and which well-known format a
// type identifier names. The sets are built once, on first use, and then only read, so every
// query is safe on any thread.
class MCResourceManager
{
public:
    // The shared instance; safe to ask for from any thread.
    static MCResourceManager &defaultManager();

    // Every type the image sources read or the image-loader plug-ins declare, plus
    // "public.webp".
    static QSet<QString> imageTypes();
    // The members of imageTypes() that are camera RAW formats.
    static QSet<QString> rawImageTypes();
    // The registry entries of the image types the registry knows (others are skipped), sorted
    // by description. Built on the first call and kept: the same objects every time, so the
    // availability set on them at launch sticks.
    static QList<std::shared_ptr<MCUTType>> availableFileTypes();

    static bool isImageType(const QString &identifier);
    static bool isRAWImageType(const QString &identifier);
    // Whether the file at `path` is of a RAW type; false when its type cannot be read.
    static bool isRAWImageAtURL(const QString &path);

    // Exact comparisons with the format's identifier; an empty identifier answers false.
    static bool isJPEGImageType(const QString &identifier);
    static bool isBMPImageType(const QString &identifier);
    static bool isGIFImageType(const QString &identifier);
    static bool isJPEG2000ImageType(const QString &identifier);
    static bool isPNGImageType(const QString &identifier);
    static bool isTIFFImageType(const QString &identifier);
    static bool isPDFImageType(const QString &identifier);
    static bool isHEICImageType(const QString &identifier); // "public.heic" or "public.heif"

    // The user's setting "UseFastBitmapGenerator".
    bool usesFastThumbnailGenerator() const;
    // A copy of the image's pixel bytes (every row, with its padding except after the last);
    // empty for no image.
    QByteArray newImageDataFromImage(const CGImageRef &image) const;

private:
    MCResourceManager() = default;
};

// The user-defaults key read by usesFastThumbnailGenerator().
extern const QString kMCUseFastBitmapGeneratorKey; // "UseFastBitmapGenerator"
