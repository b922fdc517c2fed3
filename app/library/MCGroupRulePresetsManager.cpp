#include "app/library/MCGroupRulePresetsManager.h"

#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>

const QString MCGroupRulePresetsManager::kPresetsKey = QStringLiteral("GroupRulePresets");
const QString MCGroupRulePresetsManager::kCurrentPresetIndexKey = QStringLiteral("GroupRuleCurrentPresetIndex");
const QString MCGroupRulePresetsManager::kDidChangeRulesNotification = QStringLiteral("kMCGroupRulePresetsDidChangeRules");
const QString MCGroupRulePresetsManager::kDidChangeCurrentRuleNotification =
    QStringLiteral("kMCGroupRulePresetsDidChangeCurrentRule");

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCGroupRulePresetsManager", text); }

QList<std::shared_ptr<MCGroupRulePreset>> factoryPresets()
{
    using R = MCGroupRule;
    return {
        std::make_shared<MCGroupRulePreset>(tr("File Type + Format"),
                                            QList<std::shared_ptr<R>>{R::ruleGroupBy(R::FileType), R::ruleGroupBy(R::ColorModel),
                                                                      R::ruleGroupBy(R::Depth), R::ruleGroupBy(R::Alpha)}),
        std::make_shared<MCGroupRulePreset>(tr("Capture Date"),
                                            QList<std::shared_ptr<R>>{R::ruleGroupByTimeRange(R::Year), R::ruleGroupByTimeRange(R::Month),
                                                                      R::ruleGroupByTimeRange(R::Day)}),
        std::make_shared<MCGroupRulePreset>(tr("File Type + Image Size"),
                                            QList<std::shared_ptr<R>>{R::ruleGroupBy(R::FileType), R::ruleGroupBy(R::Megapixels)}),
    };
}

} // namespace

MCGroupRulePresetsManager &MCGroupRulePresetsManager::defaultManager()
{
    static MCGroupRulePresetsManager manager(MCUserDefaults::standardUserDefaults());
    return manager;
}

QVariantList MCGroupRulePresetsManager::defaultPresets()
{
    QVariantList presets;
    for (const PresetPtr &preset : factoryPresets())
        presets.append(preset->dictionaryRepresentation());
    return presets;
}

MCGroupRulePresetsManager::MCGroupRulePresetsManager(MCUserDefaults &defaults) : m_defaults(defaults) {}

const QList<MCGroupRulePresetsManager::PresetPtr> &MCGroupRulePresetsManager::allPresets()
{
    if (m_loaded)
        return m_presets;
    m_loaded = true;
    const QVariant stored = m_defaults.objectForKey(kPresetsKey);
    if (stored.typeId() == QMetaType::QVariantList)
        for (const QVariant &element : stored.toList())
            if (element.typeId() == QMetaType::QVariantMap)
                m_presets.append(std::make_shared<MCGroupRulePreset>(element.toMap()));
    // Settings edited or damaged outside the program must not leave the tree without rules.
    if (m_presets.isEmpty())
        m_presets = factoryPresets();
    const qint64 index = m_defaults.integerForKey(kCurrentPresetIndexKey);
    setCurrentPresetIndex(index >= 0 && index < m_presets.size() ? quint64(index) : 0);
    if (index < 0 || index >= m_presets.size())
        m_defaults.setInteger(0, kCurrentPresetIndexKey);
    return m_presets;
}

void MCGroupRulePresetsManager::setCurrentPresetIndex(quint64 index)
{
    if (index == m_currentIndex)
        return;
    storeCurrentIndex(index);
    setCurrentPreset(nullptr);
}

MCGroupRulePresetsManager::PresetPtr MCGroupRulePresetsManager::currentPreset()
{
    if (!m_currentPreset) {
        const QList<PresetPtr> &presets = allPresets();
        if (m_currentIndex < quint64(presets.size()))
            m_currentPreset = presets.at(qint64(m_currentIndex));
        else if (!presets.isEmpty())
            m_currentPreset = presets.first();
    }
    return m_currentPreset;
}

void MCGroupRulePresetsManager::setCurrentPreset(const PresetPtr &preset)
{
    if (preset == m_currentPreset)
        return;
    m_currentPreset = preset;
    MCNotificationCenter::defaultCenter().postNotificationName(kDidChangeCurrentRuleNotification, this);
}

void MCGroupRulePresetsManager::savePresetsToPrefsAndNotify()
{
    QVariantList stored;
    for (const PresetPtr &preset : allPresets())
        stored.append(preset->dictionaryRepresentation());
    m_defaults.setObject(stored, kPresetsKey);
    MCNotificationCenter::defaultCenter().postNotificationName(kDidChangeRulesNotification, this);
}

void MCGroupRulePresetsManager::storeCurrentIndex(quint64 index)
{
    m_currentIndex = index;
    m_defaults.setInteger(qint64(index), kCurrentPresetIndexKey);
}

void MCGroupRulePresetsManager::followCurrentPreset(const PresetPtr &current)
{
    const qint64 index = m_presets.indexOf(current);
    storeCurrentIndex(index < 0 ? 0 : quint64(index));
}

void MCGroupRulePresetsManager::insertPreset(const PresetPtr &preset, quint64 index)
{
    if (!preset)
        return;
    const PresetPtr current = currentPreset();
    m_presets.insert(qint64(std::min<quint64>(index, m_presets.size())), preset);
    followCurrentPreset(current);
    savePresetsToPrefsAndNotify();
}

void MCGroupRulePresetsManager::removePresetAtIndex(quint64 index)
{
    const PresetPtr current = currentPreset();
    if (index >= quint64(m_presets.size()))
        return;
    m_presets.removeAt(qint64(index));
    if (index != m_currentIndex) {
        followCurrentPreset(current);
        savePresetsToPrefsAndNotify();
        return;
    }
    savePresetsToPrefsAndNotify();
    storeCurrentIndex(0);
    setCurrentPreset(nullptr);
}

void MCGroupRulePresetsManager::replacePresetAtIndex(quint64 index, const PresetPtr &preset)
{
    allPresets();
    if (!preset || index >= quint64(m_presets.size()))
        return;
    m_presets[qint64(index)] = preset;
    savePresetsToPrefsAndNotify();
    if (index == m_currentIndex)
        setCurrentPreset(nullptr);
}

MCIndexSet MCGroupRulePresetsManager::movePresetsAtIndexes(const MCIndexSet &indexes, quint64 destination)
{
    const PresetPtr current = currentPreset();
    const qint64 count = m_presets.size();
    const qint64 to = qint64(std::min<quint64>(destination, quint64(count)));
    QList<PresetPtr> moved;
    qint64 below = 0;
    indexes.forEachIndex([&](qint64 i) {
        if (i < 0 || i >= count)
            return;
        moved.append(m_presets.at(i));
        if (i < to)
            ++below;
    });
    if (moved.isEmpty())
        return {};
    for (qint64 i = count - 1; i >= 0; --i)
        if (indexes.containsIndex(i))
            m_presets.removeAt(i);
    const qint64 start = to - below;
    for (qint64 k = 0; k < moved.size(); ++k)
        m_presets.insert(start + k, moved.at(k));
    followCurrentPreset(current);
    savePresetsToPrefsAndNotify();
    return MCIndexSet(MCRange{start, moved.size()});
}
