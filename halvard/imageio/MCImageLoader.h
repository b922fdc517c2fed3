#pragma once

#include "halvard/imageio/MCImageLoaderExtension.h"

#include <QImage>

#include <functional>

// Reads images, thumbnails and property dictionaries through the image-loader plug-ins.
// The loader decodes nothing itself: it finds the file's type (a file named "*.cot" in any
// case is read as JPEG), asks the type's plug-ins in priority order and answers with the
// first success. An unknown type, a missing file or every plug-in declining gives a null
// result; nothing is logged. Safe to call from several threads.
class MCImageLoader
{
public:
    // The full image; when `metadata` is given and a plug-in succeeded it receives the same
    // source's property dictionary (empty when it has none); it is untouched on failure.
    // On failure `error` (when given) says why: the file's errno (MCPOSIXErrorDomain: ENOENT,
    // EACCES, EISDIR ...) or why its content cannot be read (MCImageSourceErrorDomain:
    // unknown format, damaged, too large, out of memory).
    static CGImageRef newImageWithURL(const QString &path, QVariantMap *metadata = nullptr, MCError *error = nullptr);
    // The same, but once the file's property dictionary is known `minimumSideFor` may answer
    // the larger side the caller needs (0: full size); a format that decodes smaller cheaply
    // then answers an image reduced to no less than that, by a factor that maps both sides
    // onto whole pixels (JPEG by n/8).
    static CGImageRef newImageWithURL(const QString &path,
                                      const std::function<quint64(const QVariantMap &)> &minimumSideFor,
                                      QVariantMap *metadata, MCError *error);
    // A thumbnail with the options as given; nullptr when `options` is null.
    static CGImageRef newThumbnailWithURL(const QString &path, const MCThumbnailReadingOptions *options,
                                          QVariantMap *metadata = nullptr);
    // The same as QImages for display: RGB images keep their colour space, other models are
    // converted to sRGB. A null QImage on failure.
    static QImage readImageWithURL(const QString &path, QVariantMap *metadata = nullptr);
    static QImage readThumbnailWithURL(const QString &path, const MCThumbnailReadingOptions *options,
                                       QVariantMap *metadata = nullptr);
    // The property dictionary of the first plug-in that gives one.
    static std::optional<QVariantMap> metadataFromImageAtURL(const QString &path);

    // The type identifier the loader uses for a file; empty when it cannot be determined.
    static QString typeIdentifierOfFile(const QString &path);
    // An 8-bit QImage of a CGImage (see readImageWithURL); null when it cannot be converted.
    static QImage imageFromCGImage(const CGImageRef &image);
};
