#pragma once

// Presets: named, stored sets of settings picked from a preset menu. Each kind (convert,
// rename, edit-metadata) is a class deriving from MCPreset and describes itself with an
// MCPresetClass: where its user and shipped presets live, its file extension, its first-run
// key and how a preset is made from a file's dictionary. MCPresetManager keeps the presets of
// one kind, one file per preset.
#include "platform/core/MCError.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class MCUserDefaults;

class MCPreset
{
public:
    virtual ~MCPreset() = default;
    virtual QString name() const = 0;
    virtual void setName(const QString &name) = 0;
    // The file's content.
    virtual QVariantMap dictionaryRepresentation() const = 0;
    // A copy that shares nothing mutable with this preset.
    virtual std::shared_ptr<MCPreset> copyPreset() const = 0;
};
using MCPresetRef = std::shared_ptr<MCPreset>;

struct MCPresetClass
{
    std::function<QString()> presetsFolder;                // the user's presets of the kind
    std::function<QString()> defaultPresetsFolderInBundle; // the shipped presets
    QString presetFileExtension;                           // without the dot
    QString keyIsDefaultPresets;                           // YES: shipped presets still to install
    // Never refuses a dictionary.
    std::function<MCPresetRef(const QVariantMap &)> presetFromDictionary;
};

class MCPresetManager
{
public:
    // Loads at once. `defaults` (not owned): the store of the first-run key; null: the user's.
    explicit MCPresetManager(MCPresetClass presetClass, MCUserDefaults *defaults = nullptr);

    const MCPresetClass &presetClass() const { return m_class; }
    QList<MCPresetRef> userPresets() const { return m_userPresets; }
    void setUserPresets(const QList<MCPresetRef> &presets) { m_userPresets = presets; }

    // Reads the user's presets; a file that cannot be read as a preset is skipped with a log
    // line. While the first-run key is YES the shipped presets are added to them (never
    // replacing or removing one of the user's) and everything is saved.
    void loadPresets();
    // Writes one file per preset ("%03ld_<name>.<extension>", numbered from 1 in list order)
    // through MCReplacePresetFiles(): the kind's files are replaced all at once, and only then
    // is the first-run key cleared. A failure leaves every earlier file in place and no new one.
    // A file the last load could not read is not lost with them: it is first renamed aside to
    // "<file name>.damaged" (which is no longer of the kind), with a log line.
    bool savePresets(MCError *error = nullptr);
    // The shipped presets in listing order.
    QList<MCPresetRef> defaultPresets() const { return defaultPresetsOfClass(m_class); }
    // The same without a manager (which would read and perhaps install the user's presets).
    static QList<MCPresetRef> defaultPresetsOfClass(const MCPresetClass &presetClass);
    // By name, ascending, plain (case-sensitive, unlocalized) comparison; stable.
    static QList<MCPresetRef> sortedPresets(const QList<MCPresetRef> &presets);
    // The file name of the preset at `position` (from 1): MCPresetFileName() of its name.
    QString fileNameForPreset(const MCPreset &preset, qint64 position) const;

private:
    // The presets of the files of the kind in `folder`, in listing order; `unreadFiles`
    // receives the paths of the files that could not be read as presets.
    static QList<MCPresetRef> presetsInFolder(const MCPresetClass &presetClass, const QString &folder,
                                              QStringList *unreadFiles = nullptr);
    static QStringList presetFilesInFolder(const MCPresetClass &presetClass, const QString &folder);
    // Renames the files of m_unreadFiles that are still there aside, out of the kind.
    void setAsideUnreadFiles();

    MCPresetClass m_class;
    MCUserDefaults *m_defaults;
    QList<MCPresetRef> m_userPresets;
    QStringList m_unreadFiles; // the user's preset files the last load could not read
};
