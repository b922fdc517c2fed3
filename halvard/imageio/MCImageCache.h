#pragma once

#include "platform/graphics/CGTypes.h"

#include <QString>

// Images kept as JPEG files in a folder, addressed by a signed 64-bit identifier, so that
// renditions survive between runs. The file of identifier id is
//   "<id >> 16>/<id >> 8>/<id>.JPG"
// each name in lower-case hexadecimal of at least two digits, the shifts arithmetic and the
// values unmasked: 0x123456 → "12/1234/123456.JPG", 5 → "00/00/05.JPG".
class MCImageCache
{
public:
    explicit MCImageCache(const QString &directoryURL);

    // The shared cache: the folder "Thumbnails" in the application's caches folder.
    static MCImageCache &thumbnailsCache();

    QString directoryURL() const { return m_directoryURL; }

    bool cacheExists() const;
    // Deletes the whole folder; errors are ignored.
    void clean();

    QString cachedImageURLForIdentifier(qint64 identifier) const;
    bool cachedImageExistsForIdentifier(qint64 identifier) const;
    // The cached image, or nullptr when there is none or it cannot be read.
    CGImageRef newCachedImageForIdentifier(qint64 identifier) const;
    // Writes the image (creating the folders); a failure is logged, not reported.
    void cacheImage(const CGImageRef &image, qint64 identifier);
    // Deletes the file; errors are ignored.
    void removeCachedImageForIdentifier(qint64 identifier);

private:
    const QString m_directoryURL;
};
