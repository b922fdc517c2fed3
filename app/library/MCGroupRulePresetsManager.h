#pragma once

#include "app/library/MCGroupRulePreset.h"
#include "platform/core/MCIndexSet.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <memory>

class MCUserDefaults;

// The one list of grouping presets, kept in the user settings ("GroupRulePresets", with the
// position of the current preset in "GroupRuleCurrentPresetIndex"). The list is read on first
// use; from then on the list in memory is the truth and every change writes it back whole.
// After each write "kMCGroupRulePresetsDidChangeRules" is posted; a change of the current
// preset posts "kMCGroupRulePresetsDidChangeCurrentRule", always after the rules notification
// of the same change. Main thread only.
class MCGroupRulePresetsManager
{
public:
    using PresetPtr = std::shared_ptr<MCGroupRulePreset>;

    static const QString kPresetsKey;             // "GroupRulePresets"
    static const QString kCurrentPresetIndexKey;  // "GroupRuleCurrentPresetIndex"
    static const QString kDidChangeRulesNotification;
    static const QString kDidChangeCurrentRuleNotification;

    // The shared manager, over the standard user settings.
    static MCGroupRulePresetsManager &defaultManager();
    // The stored forms of the factory presets, in order: the registered default of the list.
    static QVariantList defaultPresets();

    // A manager over those settings (not owned; they must outlive it).
    explicit MCGroupRulePresetsManager(MCUserDefaults &defaults);
    MCGroupRulePresetsManager(const MCGroupRulePresetsManager &) = delete;
    MCGroupRulePresetsManager &operator=(const MCGroupRulePresetsManager &) = delete;

    // The presets, read on the first call. A stored list that is missing, no list, or of which
    // no preset can be read gives the factory presets; a stored index beyond the list gives 0.
    const QList<PresetPtr> &allPresets();

    quint64 currentPresetIndex() const { return m_currentIndex; }
    // A different index is stored and written, and the cached current preset is cleared
    // (posting the current-rule notification when one was cached).
    void setCurrentPresetIndex(quint64 index);
    // The preset at the current index, cached on first request (filling the cache posts
    // nothing); null only when the list is empty.
    PresetPtr currentPreset();
    // Caches another object and posts the current-rule notification.
    void setCurrentPreset(const PresetPtr &preset);

    void savePresetsToPrefsAndNotify();

    // The current preset stays current (at its new position) through inserts, moves and the
    // removal of another preset; removing or replacing it makes another one current.
    void insertPreset(const PresetPtr &preset, quint64 index);
    void removePresetAtIndex(quint64 index);
    void replacePresetAtIndex(quint64 index, const PresetPtr &preset);
    // Moves the presets at the indexes (in index order) to the destination, an index of the list
    // before the move; answers where they now lie.
    MCIndexSet movePresetsAtIndexes(const MCIndexSet &indexes, quint64 destination);

private:
    // Stores and writes the index without touching the cached current preset.
    void storeCurrentIndex(quint64 index);
    // The new position of the preset that was current, by identity.
    void followCurrentPreset(const PresetPtr &current);

    MCUserDefaults &m_defaults;
    QList<PresetPtr> m_presets;
    bool m_loaded = false;
    PresetPtr m_currentPreset;
    quint64 m_currentIndex = 0;
};
