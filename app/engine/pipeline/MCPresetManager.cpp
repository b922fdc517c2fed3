#include "app/engine/pipeline/MCPreset.h"

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
    QString name;
    for (const QChar c : preset.name())
        name.append(c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f ? QChar(u'_') : c);
    if (name.startsWith(u'.'))
        name[0] = u'_';
    const QString prefix = QStringLiteral("%1_").arg(position, 3, 10, QLatin1Char('0'));
    const QString suffix = QStringLiteral(".") + m_class.presetFileExtension;
    const qsizetype room = 255 - prefix.toUtf8().size() - suffix.toUtf8().size();
    // Shorten by whole characters (never splitting a surrogate pair) until the bytes fit.
    while (!name.isEmpty() && name.toUtf8().size() > room) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return prefix + name + suffix;
}

bool MCPresetManager::savePresets(MCError *error)
{
    const QString folder = m_class.presetsFolder();
    QDir().mkpath(folder);
    const QStringList existing = presetFilesInFolder(folder);

    QSet<QString> written;
    qint64 position = 1;
    for (const MCPresetRef &preset : std::as_const(m_userPresets)) {
        const QString path = QDir(folder).absoluteFilePath(fileNameForPreset(*preset, position++));
        if (!platform::writePropertyList(preset->dictionaryRepresentation(), path, error))
            return false; // nothing removed: every earlier file stays
        written.insert(QFileInfo(path).absoluteFilePath());
    }
    for (const QString &path : existing) {
        if (!written.contains(path))
            QFile::remove(path);
    }
    m_defaults->setBool(false, m_class.keyIsDefaultPresets);
    return true;
}
