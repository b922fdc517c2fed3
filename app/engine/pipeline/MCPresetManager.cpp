#include "app/engine/pipeline/MCPreset.h"

#include "app/library/MCPresetFiles.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

MCPresetManager::MCPresetManager(MCPresetClass presetClass, MCUserDefaults *defaults)
    : m_class(std::move(presetClass)), m_defaults(defaults ? defaults : &MCUserDefaults::standardUserDefaults())
{
    loadPresets();
}

QStringList MCPresetManager::presetFilesInFolder(const QString &folder) const
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    // Plain files of the kind: no hidden files, no sub-folders, the extension exactly.
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix() == m_class.presetFileExtension)
            files.append(entry.absoluteFilePath());
    }
    return files;
}

QList<MCPresetRef> MCPresetManager::presetsInFolder(const QString &folder) const
{
    QList<MCPresetRef> presets;
    MCFinishInterruptedPresetSaves(folder, m_class.presetFileExtension);
    for (const QString &path : presetFilesInFolder(folder)) {
        const std::optional<QVariantMap> dictionary = platform::readPropertyListDictionary(path);
        if (!dictionary)
            continue;
        if (MCPresetRef preset = m_class.presetFromDictionary(*dictionary))
            presets.append(preset);
    }
    return presets;
}

QList<MCPresetRef> MCPresetManager::defaultPresets() const
{
    return presetsInFolder(m_class.defaultPresetsFolderInBundle ? m_class.defaultPresetsFolderInBundle() : QString());
}

QList<MCPresetRef> MCPresetManager::sortedPresets(const QList<MCPresetRef> &presets)
{
    QList<MCPresetRef> sorted = presets;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const MCPresetRef &a, const MCPresetRef &b) { return a->name() < b->name(); });
    return sorted;
}

void MCPresetManager::loadPresets()
{
    QList<MCPresetRef> presets = presetsInFolder(m_class.presetsFolder());
    if (m_defaults->boolForKey(m_class.keyIsDefaultPresets)) {
        // Installing the shipped presets only adds: a user's preset is never replaced or lost,
        // also not when the settings were reset and the key reads YES again.
        QSet<QString> names;
        for (const MCPresetRef &preset : std::as_const(presets))
            names.insert(preset->name());
        for (const MCPresetRef &preset : defaultPresets()) {
            if (!names.contains(preset->name()))
                presets.append(preset);
        }
        m_userPresets = sortedPresets(presets);
        savePresets();
        return;
    }
    m_userPresets = sortedPresets(presets);
}

QString MCPresetManager::fileNameForPreset(const MCPreset &preset, qint64 position) const
{
    return MCPresetFileName(position, preset.name(), m_class.presetFileExtension);
}

bool MCPresetManager::savePresets(MCError *error)
{
    QList<MCPresetFile> files;
    qint64 position = 1;
    for (const MCPresetRef &preset : std::as_const(m_userPresets))
        files.append({fileNameForPreset(*preset, position++), preset->dictionaryRepresentation()});
    if (!MCReplacePresetFiles(m_class.presetsFolder(), m_class.presetFileExtension, files, error))
        return false; // the kind's earlier files are all still in place
    m_defaults->setBool(false, m_class.keyIsDefaultPresets);
    return true;
}
