#include "halvard/imageio/MCCache.h"

MCResourceCache::MCResourceCache(quint64 capacity)
    : m_cache(capacity), m_self(std::make_shared<MCResourceCache *>(this))
{
}

MCResourceCache::~MCResourceCache()
{
    m_self.reset();
    m_loader.cancelAllRequests();
}

std::shared_ptr<MCResource> MCResourceCache::resourceForKey(const QString &key)
{
    return m_cache.objectForKey(key);
}

void MCResourceCache::fetchResourceForKey(const QString &key, std::shared_ptr<MCResourceDescriptor> descriptor,
                                          std::shared_ptr<const MCResourceLoadOptions> options, Completion completion)
{
    if (std::shared_ptr<MCResource> cached = m_cache.objectForKey(key)) {
        if (completion)
            completion(cached);
        return;
    }
    std::weak_ptr<MCResourceCache *> self = m_self;
    m_loader.requestResourceForIdentifier(
        key, std::move(descriptor), std::move(options),
        [self, key, completion = std::move(completion)](const std::shared_ptr<MCResource> &resource) {
            const std::shared_ptr<MCResourceCache *> cache = self.lock();
            if (!cache)
                return;
            (*cache)->m_cache.setObject(resource, key);
            if (completion)
                completion(resource);
        });
}

void MCResourceCache::invalidate()
{
    m_cache.removeAllObjects();
    m_loader.cancelAllRequests();
}

void MCResourceCache::invalidateResourceForKey(const QString &key)
{
    m_cache.removeObjectForKey(key);
    m_loader.cancelRequestWithID(key);
}

void MCResourceCache::cancelFetchingResourceForKey(const QString &key)
{
    m_loader.cancelRequestWithID(key);
}

void MCResourceCache::cancelFetchingResourcesForKeys(const QStringList &keys)
{
    m_loader.cancelRequestsWithIDs(keys);
}
