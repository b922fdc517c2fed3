#include "halvard/imageio/MCThumbnailCache.h"

MCThumbnailCacheDelegate::~MCThumbnailCacheDelegate() = default;

namespace {

// The photo's identity as a string key: its type keeps 1 and "1" apart.
QString identityKey(const QVariant &identifier)
{
    return QString::fromLatin1(identifier.typeName()) + QLatin1Char(':') + identifier.toString();
}

} // namespace

QString MCThumbnailCacheKey::cacheKey() const
{
    return identityKey(m_identifier) + QLatin1Char('@') + QString::number(m_thumbnailSize);
}

std::unique_ptr<MCThumbnailCache> MCThumbnailCache::cacheWithThumbnailSize(quint64 size)
{
    MCThumbnailLoadOptions options;
    options.createThumbnailFromImageAlways = false;
    options.thumbnailMaxPixelSize = size;
    return std::make_unique<MCThumbnailCache>(options, defaultCapacity);
}

MCThumbnailCache::MCThumbnailCache(const MCThumbnailLoadOptions &options, quint64 capacity)
    : m_options(std::make_shared<MCThumbnailLoadOptions>()), m_resourceCache(capacity), m_thumbnailCache(capacity),
      m_self(std::make_shared<MCThumbnailCache *>(this))
{
    m_options->createThumbnailFromImageAlways = options.createThumbnailFromImageAlways;
    m_options->thumbnailMaxPixelSize = options.thumbnailMaxPixelSize;
    m_indexPathToKeyMap.reserve(128);
}

MCThumbnailCache::~MCThumbnailCache()
{
    m_self.reset();
}

void MCThumbnailCache::setThumbnailSize(quint64 size)
{
    if (size == m_options->thumbnailMaxPixelSize)
        return;
    auto options = std::make_shared<MCThumbnailLoadOptions>();
    options->createThumbnailFromImageAlways = m_options->createThumbnailFromImageAlways;
    options->thumbnailMaxPixelSize = size;
    m_options = std::move(options);
}

std::shared_ptr<const MCThumbnail>
MCThumbnailCache::thumbnailForDescriptorProvider(const MCResourceDescriptorProvider &provider)
{
    return m_thumbnailCache.objectForKey(identityKey(provider.resourceID()));
}

void MCThumbnailCache::fetchThumbnailsAtIndexPaths(const QList<MCIndexPath> &indexPaths)
{
    if (!m_delegate)
        return;
    for (const MCIndexPath &indexPath : indexPaths) {
        const std::shared_ptr<MCImageDescriptorProvider> provider =
            m_delegate->thumbnailCacheDescriptorProviderAtIndexPath(this, indexPath);
        if (!provider)
            continue;
        const MCThumbnailCacheKey key(provider->resourceID(), qint64(thumbnailSize()));
        // A later request for the index path makes any earlier one's result stale.
        m_indexPathToKeyMap.insert(indexPath, key);
        std::weak_ptr<MCThumbnailCache *> self = m_self;
        m_resourceCache.fetchResourceForKey(key.cacheKey(), provider->resourceDescriptor(), m_options,
                                            [self, key, indexPath](const std::shared_ptr<MCResource> &resource) {
                                                if (const auto cache = self.lock())
                                                    (*cache)->processReceivedResource(resource, key, indexPath);
                                            });
    }
}

void MCThumbnailCache::processReceivedResource(const std::shared_ptr<MCResource> &resource,
                                               const MCThumbnailCacheKey &key, const MCIndexPath &indexPath)
{
    auto recorded = m_indexPathToKeyMap.find(indexPath);
    if (recorded == m_indexPathToKeyMap.end() || !(recorded.value() == key))
        return; // asked again or cancelled meanwhile: the result stays in the resource cache only
    m_indexPathToKeyMap.erase(recorded);
    const auto thumbnailResource = std::dynamic_pointer_cast<MCThumbnailResource>(resource);
    const std::shared_ptr<const MCThumbnail> thumbnail =
        thumbnailResource && thumbnailResource->thumbnail() ? thumbnailResource->thumbnail()
                                                            : std::make_shared<const MCThumbnail>(QImage());
    m_thumbnailCache.setObject(thumbnail, identityKey(key.identifier()));
    if (m_delegate)
        m_delegate->thumbnailCacheDidFetchThumbnail(this, thumbnail, indexPath);
}

void MCThumbnailCache::cancelFetchingForThumbnailsAtIndexPaths(const QList<MCIndexPath> &indexPaths)
{
    QStringList keys;
    for (const MCIndexPath &indexPath : indexPaths) {
        auto recorded = m_indexPathToKeyMap.find(indexPath);
        if (recorded == m_indexPathToKeyMap.end())
            continue;
        keys.append(recorded.value().cacheKey());
        m_indexPathToKeyMap.erase(recorded);
    }
    // A load that has already started still completes; its result is then dropped as stale.
    if (!keys.isEmpty())
        m_resourceCache.cancelFetchingResourcesForKeys(keys);
}

void MCThumbnailCache::invalidate()
{
    m_indexPathToKeyMap.clear();
    m_thumbnailCache.removeAllObjects();
    m_resourceCache.invalidate();
}
