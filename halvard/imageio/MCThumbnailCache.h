#pragma once

// The thumbnails of a grid of photos. The grid asks synchronously for the thumbnail of a
// visible photo, tells the cache which index paths to prefetch and which to stop prefetching,
// and hears through the delegate when a thumbnail has arrived for an index path. Index paths
// are only a handle of the moment: the cache asks its delegate which photo an index path
// shows, remembers the latest request per index path, and drops results that arrive for an
// index path asked for again or cancelled meanwhile. Main thread only.
#include "halvard/imageio/MCCache.h"
#include "halvard/system/MCIndexPath.h"

#include <QHash>
#include <QVariant>

class MCThumbnailCache;

// A loaded thumbnail's key: the photo's identity and the size it was asked at.
class MCThumbnailCacheKey
{
public:
    MCThumbnailCacheKey(QVariant identifier, qint64 thumbnailSize)
        : m_identifier(std::move(identifier)), m_thumbnailSize(thumbnailSize)
    {
    }
    const QVariant &identifier() const { return m_identifier; }
    qint64 thumbnailSize() const { return m_thumbnailSize; }
    bool operator==(const MCThumbnailCacheKey &other) const
    {
        return m_thumbnailSize == other.m_thumbnailSize && m_identifier == other.m_identifier;
    }
    // The key as the resource cache and its loader know it.
    QString cacheKey() const;

private:
    QVariant m_identifier;
    qint64 m_thumbnailSize;
};

class MCThumbnailCacheDelegate
{
public:
    virtual ~MCThumbnailCacheDelegate();
    // The photo shown at the index path now.
    virtual std::shared_ptr<MCImageDescriptorProvider>
    thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *cache, const MCIndexPath &indexPath) = 0;
    // A requested thumbnail arrived and is still wanted (its image is null when the photo
    // could not be read); typically the grid redraws that item.
    virtual void thumbnailCacheDidFetchThumbnail(MCThumbnailCache *cache,
                                                 const std::shared_ptr<const MCThumbnail> &thumbnail,
                                                 const MCIndexPath &indexPath) = 0;
};

class MCThumbnailCache
{
public:
    static constexpr quint64 defaultCapacity = 2048;

    // Thumbnails of the given larger side, the file's embedded thumbnail taken when large enough.
    static std::unique_ptr<MCThumbnailCache> cacheWithThumbnailSize(quint64 size);
    MCThumbnailCache(const MCThumbnailLoadOptions &options, quint64 capacity);
    ~MCThumbnailCache();
    MCThumbnailCache(const MCThumbnailCache &) = delete;
    MCThumbnailCache &operator=(const MCThumbnailCache &) = delete;

    MCThumbnailCacheDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCThumbnailCacheDelegate *delegate) { m_delegate = delegate; }

    // Changing the size changes later requests only; neither cache is emptied.
    quint64 thumbnailSize() const { return m_options->thumbnailMaxPixelSize; }
    void setThumbnailSize(quint64 size);

    // The thumbnail last stored for the photo (at whatever size), or null; never loads.
    std::shared_ptr<const MCThumbnail> thumbnailForDescriptorProvider(const MCResourceDescriptorProvider &provider);

    void fetchThumbnailsAtIndexPaths(const QList<MCIndexPath> &indexPaths);
    void cancelFetchingForThumbnailsAtIndexPaths(const QList<MCIndexPath> &indexPaths);
    // Forgets every thumbnail and cancels every request.
    void invalidate();

    MCResourceCache &resourceCache() { return m_resourceCache; }

private:
    void processReceivedResource(const std::shared_ptr<MCResource> &resource, const MCThumbnailCacheKey &key,
                                 const MCIndexPath &indexPath);

    MCThumbnailCacheDelegate *m_delegate = nullptr;
    // Shared with the requests in flight, which read it on the loader's thread; replaced, never
    // changed in place, when the size changes.
    std::shared_ptr<MCThumbnailLoadOptions> m_options;
    MCResourceCache m_resourceCache;
    MCCache<QString, std::shared_ptr<const MCThumbnail>> m_thumbnailCache; // by the photo's identity alone
    QHash<MCIndexPath, MCThumbnailCacheKey> m_indexPathToKeyMap;
    std::shared_ptr<MCThumbnailCache *> m_self;
};
