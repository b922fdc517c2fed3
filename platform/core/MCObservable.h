#pragma once

// Observation of an object's keys: the one mechanism through which stages, converter
// settings, user defaults and panels tell others that a value changed.
//
// An object that can be observed derives from MCObservable, answers valueForKey() for its
// observable keys and brackets every change of such a key with willChange…/didChange…
// (changeValueForKey() does both for a plain member). Anyone may then call observe() on it:
//
//     MCObservation token = stage->observe(QStringLiteral("gamma"),
//         [this](MCObservable &, const QString &key, const MCKeyValueChange &change) { ... });
//
// The callback runs synchronously on the thread that made the change, before the change's
// caller continues. The returned token owns the registration: destroying it (or calling
// invalidate()) stops the callbacks, also from inside a callback. A token may outlive the
// object it observes; once the object is gone the token is inert.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

// The kinds of change, numbered as the platform numbers them.
enum class MCKeyValueChangeKind : int {
    Setting = 1,     // the whole value was set
    Insertion = 2,   // elements were inserted into a to-many key at `indexes`
    Removal = 3,     // elements were removed at `indexes`
    Replacement = 4, // elements at `indexes` were replaced
};

// What a change notice carries; combined with |.
enum MCKeyValueObservingOption : unsigned {
    MCKeyValueObservingOptionNew = 0x01,     // fill newValue
    MCKeyValueObservingOptionOld = 0x02,     // fill oldValue
    MCKeyValueObservingOptionInitial = 0x04, // one notice at once, from observe(), with the current value
    MCKeyValueObservingOptionPrior = 0x08,   // also a notice before each change (isPrior set)
};
using MCKeyValueObservingOptions = unsigned;

struct MCKeyValueChange
{
    MCKeyValueChangeKind kind = MCKeyValueChangeKind::Setting;
    // Setting: the whole values. Insertion: newValue holds the inserted elements (a
    // QVariantList, in index order). Removal: oldValue holds the removed elements.
    // Replacement: both, the elements before and after. Null when the option was not asked
    // for; newValue is also null in a prior notice.
    QVariant oldValue;
    QVariant newValue;
    QList<qint64> indexes; // ascending; empty for Setting
    bool isPrior = false;
};

class MCObservable;
using MCObserverCallback =
    std::function<void(MCObservable &object, const QString &key, const MCKeyValueChange &change)>;

namespace platform::detail {
struct ObservationEntry;
struct ObservationRegistry;
} // namespace platform::detail

// One registration of a callback for a key of an object. Move-only; destroying it removes the
// registration.
class MCObservation
{
public:
    MCObservation() = default;
    MCObservation(MCObservation &&other) noexcept;
    MCObservation &operator=(MCObservation &&other) noexcept;
    MCObservation(const MCObservation &) = delete;
    MCObservation &operator=(const MCObservation &) = delete;
    ~MCObservation();

    // Stops the callbacks. After it returns no new callback starts; one already running on
    // another thread finishes. Safe to call more than once and from inside the callback.
    void invalidate();
    // Registered and the observed object still exists.
    bool isActive() const;
    // The observed object, or nullptr once it is destroyed or the token is invalidated.
    MCObservable *object() const;
    QString key() const;

private:
    friend class MCObservable;
    MCObservation(std::shared_ptr<platform::detail::ObservationRegistry> registry,
                  std::shared_ptr<platform::detail::ObservationEntry> entry);

    std::shared_ptr<platform::detail::ObservationRegistry> m_registry;
    std::shared_ptr<platform::detail::ObservationEntry> m_entry;
};

class MCObservable
{
public:
    MCObservable();
    // Observers belong to an instance: a copy starts without any, and assignment keeps the
    // target's own observers.
    MCObservable(const MCObservable &other);
    MCObservable &operator=(const MCObservable &other);
    virtual ~MCObservable();

    [[nodiscard]] MCObservation observe(const QString &key, MCObserverCallback callback,
                                        MCKeyValueObservingOptions options = MCKeyValueObservingOptionNew |
                                                                             MCKeyValueObservingOptionOld) const;

    // One registration per key, all with the same callback (for example every key a stage's
    // panel shows); the callback tells the keys apart by its key argument.
    [[nodiscard]] std::vector<MCObservation> observeKeys(const QStringList &keys, const MCObserverCallback &callback,
                                                         MCKeyValueObservingOptions options =
                                                             MCKeyValueObservingOptionNew |
                                                             MCKeyValueObservingOptionOld) const;

    // Key-value coding. Subclasses answer their keys and hand every other key to the base,
    // which calls the undefined-key methods. A subclass's setValueForKey() hands a null value
    // for a key that takes a number (or another value that cannot be null) to
    // setNilValueForKey().
    virtual QVariant valueForKey(const QString &key) const;
    virtual void setValueForKey(const QString &key, const QVariant &value);
    // The defaults throw std::invalid_argument with the platform's messages.
    virtual QVariant valueForUndefinedKey(const QString &key) const;
    virtual void setValueForUndefinedKey(const QString &key, const QVariant &value);
    virtual void setNilValueForKey(const QString &key);

    // Announcing changes. Each will… must be followed, on the same thread, by the matching
    // did…; pairs may nest. Values are read through valueForKey(), and only when someone
    // observes the key. For to-many keys the value is a QVariantList and `indexes` are the
    // positions affected (positions in the list before the change for removals, after it for
    // insertions).
    void willChangeValueForKey(const QString &key);
    void didChangeValueForKey(const QString &key);
    void willChange(MCKeyValueChangeKind kind, const QList<qint64> &indexes, const QString &key);
    void didChange(MCKeyValueChangeKind kind, const QList<qint64> &indexes, const QString &key);

    // Declares that `key` derives from `affectingKeys`: a change of any of them is also
    // announced as a setting of `key`. Dependencies chain (a key may depend on a derived key).
    void addDependentKey(const QString &key, const QStringList &affectingKeys);

    // Whether any callback is registered for `key` (to skip costly work nobody sees).
    bool hasObservers(const QString &key) const;

protected:
    // Stores `value` into `storage` between will/did notices when it differs; answers whether
    // it changed. valueForKey(key) must read `storage`.
    template <typename T> bool changeValueForKey(const QString &key, T &storage, const T &value)
    {
        if (storage == value)
            return false;
        willChangeValueForKey(key);
        storage = value;
        didChangeValueForKey(key);
        return true;
    }

private:
    std::shared_ptr<platform::detail::ObservationRegistry> m_registry;
};

namespace platform {
// The readable name of an object's class, for the messages of programmer errors.
QString className(const std::type_info &type);
} // namespace platform
