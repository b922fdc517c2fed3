#pragma once

// MCEditMetadataStage: one step of an Edit Metadata operation. Where a conversion stage edits
// a property dictionary, an edit-metadata stage adds `exiftool` tag changes (and tool scripts)
// to the one ordered dictionary of a run, which the metadata converter hands to the metadata
// manager to write into the photo in place.
//
// The stages keep their options with the conversion stage's parameter machinery (one table
// per class; the stored form, copying, equality, the undoable setters, key-value coding and
// the observer key paths follow from it), but they are not conversion stages: they have no
// active or expanded flag (every stage in the list runs), their stage IDs, names and factory
// are the ones below, and they never run in a bitmap conversion. Most share their table and
// their logic with their conversion twins (keywords, capture dates, copyright, rating, GPS,
// IPTC).
//
// Writing a new edit stage: derive from MCEditMetadataStage, answer stageID() and
// parameters(), implement editMetadataInFile(), and add a row to the catalogue in
// MCEditMetadataStage.cpp.
#include "app/stages/MCMetadataStage.h"

#include "halvard/collections/MCOrderedDictionary.h"

#include <QMetaType>

#include <memory>
#include <vector>

class MCEditMetadataStage;
class MCFile;
using MCEditMetadataStageRef = std::shared_ptr<MCEditMetadataStage>;

// What the catalogue knows of a stage class.
struct MCEditMetadataStageClass
{
    qint64 stageID = -1;
    const char *englishName = "<Unknown Stage>"; // also the key of the string table
    const char *className = "MCEditMetadataStage";
    bool isUnique = false;
    bool isResettable = false;
    MCEditMetadataStageRef (*create)() = nullptr;
};

// The out dictionary of one run: `exiftool` tag name -> a QString (the new value), a
// QStringList (the items of a list tag, such as the keywords: one assignment per item, so an
// item may hold a comma; an empty list deletes the tag) or MCNullTagValue() (delete the tag); and the two script keys of the
// metadata manager (kMCMetadataPreScriptsKey, kMCMetadataPostScriptsKey) holding QStringLists.
// setObject() keeps a key's first position and takes the last value.
using MCEditMetadataChanges = MCMutableOrderedDictionary;

// The value that deletes a tag: a null QVariant the ordered dictionary accepts (it refuses
// invalid ones).
inline QVariant MCNullTagValue() { return QVariant::fromValue(nullptr); }

class MCEditMetadataStage : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = -1;

    // ---- the factory
    // A new stage of the class of `stageID` with its defaults; nullptr for any other ID.
    static MCEditMetadataStageRef editMetadataStageWithID(qint64 stageID);
    // The same, read from `dictionary` when one is given (the ID selects the class).
    static MCEditMetadataStageRef editMetadataStageWithID(qint64 stageID, const QVariantMap *dictionary);
    // The class named by the dictionary's "stageID" (absent reads 0: Add Keywords).
    static MCEditMetadataStageRef stageWithDictionary(const QVariantMap &dictionary);
    static const MCEditMetadataStageClass *stageClass(qint64 stageID);
    // -1 first, then the IDs in ascending order.
    static const std::vector<MCEditMetadataStageClass> &stageCatalogue();

    // ---- class-level attributes (these, not the conversion catalogue's, name an edit stage)
    qint64 stageID() const override { return StageID; }
    QString stageName() const;
    bool isUnique() const;
    bool isResettable() const;
    static QString stageNameForID(qint64 stageID);

    // Sets the options back to their defaults through the undoable setters, when resettable.
    void resetToDefaults() override;

    // ---- stored form, copy, equality
    // {"stageID": ID} plus one entry per option (no active or expanded flag).
    QVariantMap dictionaryRepresentation() const override;
    // Options the dictionary lacks read as zero, NO or nil, not as the defaults.
    void initWithDictionary(const QVariantMap &dictionary) override;
    // A new stage of the same class with the same options, a new identity and no undo manager.
    MCEditMetadataStageRef editCopy() const;
    std::shared_ptr<MCConvertStage> copy() const override { return editCopy(); }
    // The stage ID, mixed with the options of stages that hash them.
    quint64 hash() const override;
    // isEqual() (inherited): the same class exactly and equal options; the identity takes no part.

    // The options only.
    QSet<QString> keyPathsForObserver() const override;
    QSet<QString> resizeKeyPathsForObserver() const override;

    // ---- work
    // Adds this stage's tag changes for `file` to `changes`; never touches the file. Answers
    // false, with `error` set, when the stage cannot give the file its changes, which ends
    // the run. The base adds nothing.
    virtual bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const;

    // Appends `script` to the array under `key` (kMCMetadataPreScriptsKey or
    // kMCMetadataPostScriptsKey), so the scripts of several stages run in list order.
    static void appendScript(MCEditMetadataChanges &changes, const QString &key, const QString &script);

    // The error of a stage that cannot edit `file`: "MCErrorDomain" 2 naming the stage and the
    // file ("Action “%@” failed on image “%@”."), with `reason` as failure reason.
    MCError editFailureError(const MCFile &file, const QString &reason) const;
};

Q_DECLARE_METATYPE(MCEditMetadataStageRef)
