#include "platform/core/MCObservable.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <cxxabi.h>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace platform::detail {

struct ObservationEntry
{
    ObservationEntry(QString k, MCKeyValueObservingOptions o, MCObserverCallback c)
        : key(std::move(k)), options(o), callback(std::move(c))
    {
    }
    const QString key;
    const MCKeyValueObservingOptions options;
    const MCObserverCallback callback;
    std::atomic<bool> active{true};
};

// A will… notice waiting for its did…: the value before the change, read only when an
// observer asked for it.
struct PendingChange
{
    QString key;
    std::thread::id thread;
    QVariant oldValue;
};

struct ObservationRegistry
{
    std::mutex lock; // guards every member below
    MCObservable *owner = nullptr;
    std::vector<std::shared_ptr<ObservationEntry>> entries;
    QHash<QString, QStringList> dependents; // affecting key -> keys derived from it
    std::vector<PendingChange> pending;

    // `key` followed by every key derived from it, directly or through other derived keys.
    QStringList affectedKeys(const QString &key) const
    {
        QStringList keys{key};
        if (dependents.isEmpty())
            return keys;
        QSet<QString> seen{key};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            for (const QString &dependent : dependents.value(keys.at(i))) {
                if (!seen.contains(dependent)) {
                    seen.insert(dependent);
                    keys.append(dependent);
                }
            }
        }
        return keys;
    }

    std::vector<std::shared_ptr<ObservationEntry>> observersOf(const QString &key) const
    {
        std::vector<std::shared_ptr<ObservationEntry>> found;
        for (const auto &entry : entries) {
            if (entry->key == key)
                found.push_back(entry);
        }
        return found;
    }
};

} // namespace platform::detail

using platform::detail::ObservationEntry;
using platform::detail::ObservationRegistry;
using platform::detail::PendingChange;

namespace {

using Observers = std::vector<std::shared_ptr<ObservationEntry>>;

bool anyWants(const Observers &observers, MCKeyValueObservingOptions option)
{
    return std::any_of(observers.cbegin(), observers.cend(),
                       [option](const auto &entry) { return (entry->options & option) != 0; });
}

QVariant elementsAt(const QVariant &value, const QList<qint64> &indexes)
{
    const QVariantList list = value.toList();
    QVariantList elements;
    elements.reserve(indexes.size());
    for (const qint64 index : indexes) {
        if (index >= 0 && index < list.size())
            elements.append(list.at(index));
    }
    return elements;
}

// Calls each observer that is still registered, with only the values it asked for.
void deliver(MCObservable &object, const QString &key, const Observers &observers, const MCKeyValueChange &change)
{
    for (const auto &entry : observers) {
        if (!entry->active.load())
            continue;
        if (change.isPrior && !(entry->options & MCKeyValueObservingOptionPrior))
            continue;
        MCKeyValueChange filtered = change;
        if (!(entry->options & MCKeyValueObservingOptionOld))
            filtered.oldValue = QVariant();
        if (!(entry->options & MCKeyValueObservingOptionNew))
            filtered.newValue = QVariant();
        entry->callback(object, key, filtered);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MCObservation

MCObservation::MCObservation(std::shared_ptr<ObservationRegistry> registry, std::shared_ptr<ObservationEntry> entry)
    : m_registry(std::move(registry)), m_entry(std::move(entry))
{
}

MCObservation::MCObservation(MCObservation &&other) noexcept
    : m_registry(std::move(other.m_registry)), m_entry(std::move(other.m_entry))
{
}

MCObservation &MCObservation::operator=(MCObservation &&other) noexcept
{
    if (this != &other) {
        invalidate();
        m_registry = std::move(other.m_registry);
        m_entry = std::move(other.m_entry);
    }
    return *this;
}

MCObservation::~MCObservation() { invalidate(); }

void MCObservation::invalidate()
{
    if (!m_entry)
        return;
    m_entry->active.store(false);
    {
        std::lock_guard guard(m_registry->lock);
        auto &entries = m_registry->entries;
        entries.erase(std::remove(entries.begin(), entries.end(), m_entry), entries.end());
    }
    m_entry.reset();
    m_registry.reset();
}

bool MCObservation::isActive() const { return object() != nullptr; }

MCObservable *MCObservation::object() const
{
    if (!m_entry || !m_entry->active.load())
        return nullptr;
    std::lock_guard guard(m_registry->lock);
    return m_registry->owner;
}

QString MCObservation::key() const { return m_entry ? m_entry->key : QString(); }

// ---------------------------------------------------------------------------------------------
// MCObservable

MCObservable::MCObservable() : m_registry(std::make_shared<ObservationRegistry>()) { m_registry->owner = this; }

MCObservable::MCObservable(const MCObservable &) : MCObservable() {}

MCObservable &MCObservable::operator=(const MCObservable &) { return *this; }

MCObservable::~MCObservable()
{
    std::lock_guard guard(m_registry->lock);
    m_registry->owner = nullptr;
    for (const auto &entry : m_registry->entries)
        entry->active.store(false);
    m_registry->entries.clear();
    m_registry->pending.clear();
}

MCObservation MCObservable::observe(const QString &key, MCObserverCallback callback,
                                    MCKeyValueObservingOptions options) const
{
    if (!callback)
        throw std::invalid_argument("*** observe: callback must not be nil");
    auto entry = std::make_shared<ObservationEntry>(key, options, std::move(callback));
    {
        std::lock_guard guard(m_registry->lock);
        m_registry->entries.push_back(entry);
    }
    if (options & MCKeyValueObservingOptionInitial) {
        auto *self = const_cast<MCObservable *>(this);
        MCKeyValueChange change;
        change.newValue = valueForKey(key);
        deliver(*self, key, {entry}, change);
    }
    return MCObservation(m_registry, entry);
}

std::vector<MCObservation> MCObservable::observeKeys(const QStringList &keys, const MCObserverCallback &callback,
                                                    MCKeyValueObservingOptions options) const
{
    std::vector<MCObservation> tokens;
    tokens.reserve(size_t(keys.size()));
    for (const QString &key : keys)
        tokens.push_back(observe(key, callback, options));
    return tokens;
}

bool MCObservable::hasObservers(const QString &key) const
{
    std::lock_guard guard(m_registry->lock);
    if (m_registry->entries.empty())
        return false;
    const QStringList keys = m_registry->affectedKeys(key);
    return std::any_of(m_registry->entries.cbegin(), m_registry->entries.cend(),
                       [&keys](const auto &entry) { return keys.contains(entry->key); });
}

void MCObservable::addDependentKey(const QString &key, const QStringList &affectingKeys)
{
    std::lock_guard guard(m_registry->lock);
    for (const QString &affecting : affectingKeys) {
        QStringList &list = m_registry->dependents[affecting];
        if (affecting != key && !list.contains(key))
            list.append(key);
    }
}

void MCObservable::willChangeValueForKey(const QString &key) { willChange(MCKeyValueChangeKind::Setting, {}, key); }

void MCObservable::didChangeValueForKey(const QString &key) { didChange(MCKeyValueChangeKind::Setting, {}, key); }

void MCObservable::willChange(MCKeyValueChangeKind kind, const QList<qint64> &indexes, const QString &key)
{
    QStringList keys;
    {
        std::lock_guard guard(m_registry->lock);
        if (m_registry->entries.empty())
            return; // nobody listens: no values are read, and the did… finds nothing pending
        keys = m_registry->affectedKeys(key);
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString &each = keys.at(i);
        Observers observers;
        {
            std::lock_guard guard(m_registry->lock);
            observers = m_registry->observersOf(each);
        }
        MCKeyValueChange change;
        change.isPrior = true;
        if (i == 0) {
            change.kind = kind;
            change.indexes = indexes;
        }
        if (!observers.empty() && anyWants(observers, MCKeyValueObservingOptionOld) &&
            change.kind != MCKeyValueChangeKind::Insertion) {
            const QVariant whole = valueForKey(each);
            change.oldValue = change.kind == MCKeyValueChangeKind::Setting ? whole : elementsAt(whole, change.indexes);
        }
        {
            std::lock_guard guard(m_registry->lock);
            m_registry->pending.push_back({each, std::this_thread::get_id(), change.oldValue});
        }
        if (anyWants(observers, MCKeyValueObservingOptionPrior))
            deliver(*this, each, observers, change);
    }
}

void MCObservable::didChange(MCKeyValueChangeKind kind, const QList<qint64> &indexes, const QString &key)
{
    QStringList keys;
    {
        std::lock_guard guard(m_registry->lock);
        if (m_registry->entries.empty() && m_registry->pending.empty())
            return;
        keys = m_registry->affectedKeys(key);
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString &each = keys.at(i);
        MCKeyValueChange change;
        if (i == 0) {
            change.kind = kind;
            change.indexes = indexes;
        }
        Observers observers;
        {
            std::lock_guard guard(m_registry->lock);
            auto &pending = m_registry->pending;
            const auto thread = std::this_thread::get_id();
            for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
                if (it->key == each && it->thread == thread) {
                    change.oldValue = it->oldValue;
                    pending.erase(std::next(it).base());
                    break;
                }
            }
            observers = m_registry->observersOf(each);
        }
        if (observers.empty())
            continue;
        if (anyWants(observers, MCKeyValueObservingOptionNew) && change.kind != MCKeyValueChangeKind::Removal) {
            const QVariant whole = valueForKey(each);
            change.newValue = change.kind == MCKeyValueChangeKind::Setting ? whole : elementsAt(whole, change.indexes);
        }
        deliver(*this, each, observers, change);
    }
}

QVariant MCObservable::valueForKey(const QString &key) const { return valueForUndefinedKey(key); }

void MCObservable::setValueForKey(const QString &key, const QVariant &value) { setValueForUndefinedKey(key, value); }

QVariant MCObservable::valueForUndefinedKey(const QString &key) const
{
    throw std::invalid_argument(
        QStringLiteral("[<%1> valueForUndefinedKey:]: this class is not key value coding-compliant for the key %2.")
            .arg(platform::className(typeid(*this)), key)
            .toStdString());
}

void MCObservable::setValueForUndefinedKey(const QString &key, const QVariant &)
{
    throw std::invalid_argument(
        QStringLiteral("[<%1> setValue:forUndefinedKey:]: this class is not key value coding-compliant for the key %2.")
            .arg(platform::className(typeid(*this)), key)
            .toStdString());
}

void MCObservable::setNilValueForKey(const QString &key)
{
    throw std::invalid_argument(QStringLiteral("[<%1> setNilValueForKey]: could not set nil as the value for the key %2.")
                                    .arg(platform::className(typeid(*this)), key)
                                    .toStdString());
}

namespace platform {

QString className(const std::type_info &type)
{
    int status = 0;
    char *demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : type.name());
    std::free(demangled);
    return name;
}

} // namespace platform
