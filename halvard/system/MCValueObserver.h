#pragma once

#include "platform/core/MCObservable.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// Follows one key of an observed object and turns each change into one of four callbacks,
// by the kind of change: a setting, an insertion, a removal or a replacement of elements of a
// to-many key. The observer is the only owner of the observation: making it starts
// observing, destroying it stops. It doesn't keep the object alive; once the object is gone
// the observer is inert. Callbacks run synchronously on the thread that made the change; a
// callback that isn't set is skipped.
class MCValueObserver
{
public:
    using SetBlock = std::function<void(const QVariant &oldValue, const QVariant &newValue)>;
    using InsertBlock = std::function<void(const QVariant &insertedObjects, const QList<qint64> &indexes)>;
    using RemoveBlock = std::function<void(const QVariant &removedObjects, const QList<qint64> &indexes)>;
    using ReplaceBlock =
        std::function<void(const QVariant &oldObjects, const QVariant &newObjects, const QList<qint64> &indexes)>;

    // Starts observing `keyPath` of `object` (a key of the object), asking for old and new
    // values. A null object gives an observer that never calls anything.
    MCValueObserver(const MCObservable *object, const QString &keyPath);
    MCValueObserver(const MCValueObserver &) = delete;
    MCValueObserver &operator=(const MCValueObserver &) = delete;

    // The observed object, or nullptr once it is gone.
    MCObservable *object() const { return m_observation.object(); }
    QString keyPath() const { return m_keyPath; }

    SetBlock onSet() const { return m_onSet; }
    void setOnSet(SetBlock block) { m_onSet = std::move(block); }
    InsertBlock onInsert() const { return m_onInsert; }
    void setOnInsert(InsertBlock block) { m_onInsert = std::move(block); }
    RemoveBlock onRemove() const { return m_onRemove; }
    void setOnRemove(RemoveBlock block) { m_onRemove = std::move(block); }
    ReplaceBlock onReplace() const { return m_onReplace; }
    void setOnReplace(ReplaceBlock block) { m_onReplace = std::move(block); }

private:
    void observeValueForKeyPath(const MCKeyValueChange &change) const;

    QString m_keyPath;
    SetBlock m_onSet;
    InsertBlock m_onInsert;
    RemoveBlock m_onRemove;
    ReplaceBlock m_onReplace;
    MCObservation m_observation; // last: released first, before the blocks it may call
};
