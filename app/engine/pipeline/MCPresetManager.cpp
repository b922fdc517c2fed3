#include "app/engine/pipeline/MCPreset.h"

#include "app/library/MCFileManager.h"
#include "app/library/MCLogQuillon.h"
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

QStringList MCPresetManager::presetFilesInFolder(const MCPresetClass &presetClass, const QString &folder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    // Plain files of the kind: no hidden files, no sub-folders, the extension exactly.
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix() == presetClass.presetFileExtension)
            files.append(entry.absoluteFilePath());
    }
    return files;
}

QList<MCPresetRef> MCPresetManager::presetsInFolder(const MCPresetClass &presetClass, const QString &folder,
                                                    QStringList *unreadFiles)
{
    QList<MCPresetRef> presets;
    MCFinishInterruptedPresetSaves(folder, presetClass.presetFileExtension);
    for (const QString &path : presetFilesInFolder(presetClass, folder)) {
        MCError error;
        const std::optional<QVariantMap> dictionary = platform::readPropertyListDictionary(path, &error);
        MCPresetRef preset = dictionary ? presetClass.presetFromDictionary(*dictionary) : nullptr;
        if (!preset) {
            // A damaged or foreign file costs only itself.
            MCLogQuillon::application().error(QStringLiteral("Skipped the preset file that could not be read: %1\nError: %2")
                                                  .arg(path, error.localizedDescription()));
            if (unreadFiles)
                unreadFiles->append(path);
            continue;
        }
        presets.append(preset);
    }
    return presets;
}

QList<MCPresetRef> MCPresetManager::defaultPresetsOfClass(const MCPresetClass &presetClass)
{
    return presetsInFolder(presetClass,
                           presetClass.defaultPresetsFolderInBundle ? presetClass.defaultPresetsFolderInBundle() : QString());
}

void MCPresetManager::setAsideUnreadFiles()
{
    for (const QString &path : std::as_const(m_unreadFiles)) {
        if (!QFileInfo(path).isFile())
            continue;
        const QString aside = MCFileManager::defaultManager().uniqueFileURLForURL(path + QStringLiteral(".damaged"));
        if (aside.isEmpty() || !QFile::rename(path, aside))
            continue; // the save below will replace it; nothing more can be done for it
        MCLogQuillon::application().error(QStringLiteral("Set the unreadable preset file aside: %1").arg(aside));
    }
    m_unreadFiles.clear();
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
    m_unreadFiles.clear();
    QList<MCPresetRef> presets = presetsInFolder(m_class, m_class.presetsFolder(), &m_unreadFiles);
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
    // Replacing the kind's files would take an unreadable one with them.
    setAsideUnreadFiles();
    QList<MCPresetFile> files;
    qint64 position = 1;
    for (const MCPresetRef &preset : std::as_const(m_userPresets))
        files.append({fileNameForPreset(*preset, position++), preset->dictionaryRepresentation()});
    if (!MCReplacePresetFiles(m_class.presetsFolder(), m_class.presetFileExtension, files, error))
        return false; // the kind's earlier files are all still in place
    m_defaults->setBool(false, m_class.keyIsDefaultPresets);
    return true;
}
