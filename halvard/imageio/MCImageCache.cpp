#include "halvard/imageio/MCImageCache.h"

#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/system/MCLog.h"
#include "platform/core/MCBundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString hexName(qint64 value)
{
    // "%02lx" of a signed value: its two's-complement bits, at least two digits.
    return QStringLiteral("%1").arg(quint64(value), 2, 16, QLatin1Char('0'));
}

} // namespace

MCImageCache::MCImageCache(const QString &directoryURL)
    : m_directoryURL(directoryURL)
{
}

MCImageCache &MCImageCache::thumbnailsCache()
{
    // platform::cachesPath() is already the application's own folder inside the user's
    // caches folder (named after the application), created when missing.
    static MCImageCache cache(platform::cachesPath() + QStringLiteral("/Thumbnails"));
    return cache;
}

bool MCImageCache::cacheExists() const
{
    return QFileInfo(m_directoryURL).isDir();
}

void MCImageCache::clean()
{
    QDir(m_directoryURL).removeRecursively();
}

QString MCImageCache::cachedImageURLForIdentifier(qint64 identifier) const
{
    return QStringLiteral("%1/%2/%3/%4.JPG")
        .arg(m_directoryURL, hexName(identifier >> 16), hexName(identifier >> 8), hexName(identifier));
}

bool MCImageCache::cachedImageExistsForIdentifier(qint64 identifier) const
{
    return QFileInfo(cachedImageURLForIdentifier(identifier)).isFile();
}

CGImageRef MCImageCache::newCachedImageForIdentifier(qint64 identifier) const
{
    const QString path = cachedImageURLForIdentifier(identifier);
    if (!QFileInfo(path).isFile())
        return nullptr;
    return MCCreateImageWithURL(path);
}

void MCImageCache::cacheImage(const CGImageRef &image, qint64 identifier)
{
    const QString path = cachedImageURLForIdentifier(identifier);
    if (!MCSaveImageToURL(image, path, nullptr))
        MCLog::sdkImageCache().error(QStringLiteral("Couldn't cache image at URL: %1").arg(path));
}

void MCImageCache::removeCachedImageForIdentifier(qint64 identifier)
{
    QFile::remove(cachedImageURLForIdentifier(identifier));
}
