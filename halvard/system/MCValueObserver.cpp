#include "halvard/system/MCValueObserver.h"

MCValueObserver::MCValueObserver(const MCObservable *object, const QString &keyPath) : m_keyPath(keyPath)
{
    if (object)
        m_observation = object->observe(
            keyPath, [this](MCObservable &, const QString &, const MCKeyValueChange &change) { observeValueForKeyPath(change); },
            MCKeyValueObservingOptionNew | MCKeyValueObservingOptionOld);
}

void MCValueObserver::observeValueForKeyPath(const MCKeyValueChange &change) const
{
    if (change.isPrior)
        return;
    switch (change.kind) {
    case MCKeyValueChangeKind::Setting:
        if (m_onSet)
            m_onSet(change.oldValue, change.newValue);
        break;
    case MCKeyValueChangeKind::Insertion:
        if (m_onInsert)
            m_onInsert(change.newValue, change.indexes);
        break;
    case MCKeyValueChangeKind::Removal:
        if (m_onRemove)
            m_onRemove(change.oldValue, change.indexes);
        break;
    case MCKeyValueChangeKind::Replacement:
        if (m_onReplace)
            m_onReplace(change.oldValue, change.newValue, change.indexes);
        break;
    }
}
