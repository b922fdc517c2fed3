#pragma once

// The user's settings: a dictionary of property-list values stored in one XML property list,
// with defaults registered at start-up that supply the value of every key the user has not set
// and are never written.
//
// The shared store, standardUserDefaults(), keeps its file at
//     QStandardPaths::GenericConfigLocation + "/quillonx/Preferences.plist"
// (~/.config/quillonx/Preferences.plist). Changes are written atomically, coalesced: shortly
// after a change (on the main thread's event loop), on synchronize(), when the application
// is about to quit and when the store is destroyed. A damaged file is moved aside as
// "Preferences.plist.damaged-<yyyyMMdd-HHmmss>" and reported in the log, and the store starts
// empty; a file that cannot be read at all is left alone and nothing is written over it.
//
// Every key is observable (MCObservable): a change of the value a key answers, whether the
// user's value or a newly registered default, notifies the key's observers on the changing
// thread. All methods are thread-safe.
#include "platform/core/MCError.h"
#include "platform/core/MCObservable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class MCUserDefaults : public MCObservable
{
public:
    static MCUserDefaults &standardUserDefaults();
    // Where standardUserDefaults() keeps its file.
    static QString standardPath();

    // A store kept in the file at `path` (tests and tools); the file is read at once.
    explicit MCUserDefaults(const QString &path);
    // Writes unsaved changes.
    ~MCUserDefaults() override;
    MCUserDefaults(const MCUserDefaults &) = delete;
    MCUserDefaults &operator=(const MCUserDefaults &) = delete;

    QString path() const;

    // Adds to the registered defaults (later registrations replace earlier values of the
    // same key). Registered values are never written to the file.
    void registerDefaults(const QVariantMap &defaults);

    // The user's value of `key`, else its registered default, else a null QVariant.
    QVariant objectForKey(const QString &key) const;
    // Typed reads follow the platform's conversions: numbers, booleans and numeric text
    // convert between each other; anything else reads as false, 0, 0.0 or empty.
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;      // text, or a number as text
    QVariantList arrayForKey(const QString &key) const;
    QStringList stringArrayForKey(const QString &key) const; // empty unless every element is text
    QVariantMap dictionaryForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;

    // Sets the user's value; a null value removes it. A value that is not a property list is
    // a programmer error (std::invalid_argument).
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key);
    void setInteger(qint64 value, const QString &key);
    void setDouble(double value, const QString &key);
    void removeObjectForKey(const QString &key);

    // Registered defaults overlaid with the user's values.
    QVariantMap dictionaryRepresentation() const;

    // Writes unsaved changes now; answers false (with the reason) when they could not be
    // written. The values stay in memory and are written with the next attempt.
    bool synchronize(MCError *error = nullptr);

    QVariant valueForKey(const QString &key) const override;
    void setValueForKey(const QString &key, const QVariant &value) override;

    struct Store;

private:
    // Applies `mutation` to the user's values and the registered defaults, announcing each of
    // `keys` whose answered value changes. The mutation answers whether the user's values
    // changed (so they need writing).
    using Mutation = std::function<bool(QVariantMap &values, QVariantMap &registered)>;
    void apply(const QStringList &keys, const Mutation &mutation);

    std::shared_ptr<Store> m_store;
};
