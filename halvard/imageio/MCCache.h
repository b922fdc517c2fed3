#pragma once

// A bounded key-to-object cache that evicts the least recently used entry, and a resource
// cache that puts one in front of a loader of its own.
#include "halvard/imageio/MCResourceLoader.h"

#include <QHash>

#include <list>
#include <memory>
#include <utility>

// Entries in recency order, most recently used first. Reading or setting a key makes it the
// most recently used; adding a new key to a full cache first evicts the least recently used
// ones so that the cache then holds its capacity. A capacity of 0 holds nothing. An entry may
// hold a null object: it reads as absent but takes its place until evicted.
// Not thread-safe: used on the main thread.
template <typename Key, typename Object> class MCCache
{
public:
    explicit MCCache(quint64 size = 64) : m_cacheSize(size) {}

    quint64 cacheSize() const { return m_cacheSize; }
    qsizetype count() const { return m_cacheMap.size(); }
    bool containsKey(const Key &key) const { return m_cacheMap.contains(key); }

    // The object, or a null one; a hit makes the entry the most recently used.
    Object objectForKey(const Key &key)
    {
        auto found = m_cacheMap.find(key);
        if (found == m_cacheMap.end())
            return Object();
        m_ring.splice(m_ring.begin(), m_ring, found.value());
        return found.value()->second;
    }

    void setObject(Object object, const Key &key)
    {
        auto found = m_cacheMap.find(key);
        if (found != m_cacheMap.end()) {
            found.value()->second = std::move(object);
            m_ring.splice(m_ring.begin(), m_ring, found.value());
            return;
        }
        if (m_cacheSize == 0)
            return;
        while (quint64(m_cacheMap.size()) >= m_cacheSize) {
            m_cacheMap.remove(m_ring.back().first);
            m_ring.pop_back();
        }
        m_ring.emplace_front(key, std::move(object));
        m_cacheMap.insert(key, m_ring.begin());
    }

    void removeObjectForKey(const Key &key)
    {
        auto found = m_cacheMap.find(key);
        if (found == m_cacheMap.end())
            return;
        m_ring.erase(found.value());
        m_cacheMap.erase(found);
    }

    void removeAllObjects()
    {
        m_cacheMap.clear();
        m_ring.clear();
    }

    // Keys from the most to the least recently used (for tests and diagnostics).
    QList<Key> keysByRecency() const
    {
        QList<Key> keys;
        for (const auto &entry : m_ring)
            keys.append(entry.first);
        return keys;
    }

private:
    using Ring = std::list<std::pair<Key, Object>>;
    quint64 m_cacheSize;
    Ring m_ring; // front: the head (most recently used); back: the tail
    QHash<Key, typename Ring::iterator> m_cacheMap;
};

// Fetches resources by key through a loader of its own (one load at a time): a cached key is
// answered inside the call, any other is loaded, stored and then handed over on the main
// thread. Two fetches of one key before the first completes both load and both complete.
// Main thread only.
class MCResourceCache
{
public:
    using Completion = MCResourceLoadOperation::Completion;

    explicit MCResourceCache(quint64 capacity);
    ~MCResourceCache();
    MCResourceCache(const MCResourceCache &) = delete;
    MCResourceCache &operator=(const MCResourceCache &) = delete;

    std::shared_ptr<MCResource> resourceForKey(const QString &key);
    void fetchResourceForKey(const QString &key, std::shared_ptr<MCResourceDescriptor> descriptor,
                             std::shared_ptr<const MCResourceLoadOptions> options, Completion completion);

    // Empties the cache and cancels every request.
    void invalidate();
    void invalidateResourceForKey(const QString &key);
    // Cancel requests; what is cached stays.
    void cancelFetchingResourceForKey(const QString &key);
    void cancelFetchingResourcesForKeys(const QStringList &keys);

    MCCache<QString, std::shared_ptr<MCResource>> &cache() { return m_cache; }
    MCResourceLoader &loader() { return m_loader; }

private:
    MCCache<QString, std::shared_ptr<MCResource>> m_cache;
    MCResourceLoader m_loader;
    // Deliveries posted before the cache went away find this expired and are dropped.
    std::shared_ptr<MCResourceCache *> m_self;
};
