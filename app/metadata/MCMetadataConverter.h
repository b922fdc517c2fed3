#pragma once

// MCMetadataConverter: the ordered list of edit-metadata stages of an Edit Metadata operation,
// and the edit of one photo with it.
//
// The list is edited on the main thread; every change is undoable through the converter's own
// undo manager (which its stages share for their options) and announced on the default
// notification centre with the converter as object. editMedataInFile() runs on the file
// operation's thread and only reads the list; it must not overlap an edit of the list.
#include "app/engine/pipeline/MCStageList.h"
#include "app/metadata/MCEditMetadataStage.h"
#include "app/metadata/MCMetadataManager.h"
#include "platform/core/MCError.h"
#include "platform/core/MCIndexSet.h"

#include <QDateTime>
#include <QList>

#include <memory>
#include <optional>

class MCFile;
class MCUndoManager;
class MCUserDefaults;

// Notifications (object: the converter). The "will" ones carry the stages concerned as a
// QVariantList of MCEditMetadataStageRef under kMCMetadataConverterStagesKey.
extern const QString kMCMetadataConverterWillAddStages;    // "kMCMetadataConverterWillAddStages"
extern const QString kMCMetadataConverterWillRemoveStages; // "kMCMetadataConverterWillRemoveStages"
extern const QString kMCMetadataConverterDidChangeStages;  // "kMCMetadataConverterDidChangeStages"
extern const QString kMCMetadataConverterStagesKey;        // "kMCMetadataConverterStagesKey"

// User-defaults keys.
extern const QString kMCEditMetadataStagesKey;          // "EditMetadataStages"
extern const QString kMCEditMetadataPresetsIsDefaultKey; // "EditMetadataPresetsIsDefault"

// The list's changes (MCStageList): a stage entering gets the undo manager, a stage leaving
// loses it; the notices are kMCMetadataConverterWillAddStages,
// kMCMetadataConverterWillRemoveStages and kMCMetadataConverterDidChangeStages.
class MCMetadataConverter : public MCStageList<MCMetadataConverter, MCEditMetadataStageRef>
{
    friend class MCStageList<MCMetadataConverter, MCEditMetadataStageRef>;

public:
    // An empty list and a new undo manager. `defaults` (not owned) is the store of the saved
    // list; null: the user's.
    explicit MCMetadataConverter(MCUserDefaults *defaults = nullptr);
    ~MCMetadataConverter();
    MCMetadataConverter(const MCMetadataConverter &) = delete;
    MCMetadataConverter &operator=(const MCMetadataConverter &) = delete;

    // A new converter with its own undo manager holding the same stage objects (whose undo
    // manager stays this converter's).
    std::unique_ptr<MCMetadataConverter> copy() const;

    // The shared converter of the Edit Metadata dialog: made and loaded from the user defaults
    // on first use.
    static MCMetadataConverter &defaultConverter();
    // {"EditMetadataPresetsIsDefault": YES}: the registered defaults of metadata editing.
    static QVariantMap userDefaultsDictionary();

    std::shared_ptr<MCUndoManager> undoManager() const { return m_undoManager; }
    MCUserDefaults &userDefaults() const { return *m_defaults; }

    // Replaces the list (without undo or notice) by the stages stored under
    // "EditMetadataStages"; entries of unknown stages are skipped.
    void loadFromUserDefaults();
    // Stores the list under "EditMetadataStages", or removes the key when the list is empty.
    void saveToUserDefaults() const;

    // ---- the stage list
    // False for nil, and for a unique class (Set GPS Location) already in the list. The list
    // changes do not ask: callers do.
    bool canInsertStage(const MCEditMetadataStage *stage) const;

    // ---- the run
    // Every stage's tag changes for `file`, in list order, in one dictionary (a later stage's
    // value replaces an earlier one's under the same key, which keeps its first position).
    // Null with an empty list, and when a stage fails (with its error).
    std::optional<MCEditMetadataChanges> metadataChangesForFile(const MCFile &file, MCError *error) const;

    // Edits `file` in place: the stages' changes are written into a copy of the photo by the
    // one `exiftool` process, and the copy replaces the photo only when every step succeeded.
    //
    // Answers true when the photo was edited, or when there was nothing to change (an empty
    // list; the photo is then not touched). Answers false with `error` filled when the edit
    // failed or was cancelled; the photo is then exactly as it was. The error is shown as it
    // is: its localized description names the file ("Metadata of "x.jpg" couldn't be
    // edited.", MCErrorDomain 3, the cause in the recovery suggestion), a stage that cannot
    // edit the file gives MCErrorDomain 2 ("Action “…” failed on image “…”."), and a cancel
    // gives the platform's user-cancelled error.
    //
    // `isCancelled` is polled while the tool works. `changed` (optional) receives whether the
    // photo's contents were replaced: false when the tool reported the file unchanged (the same
    // values again), so the photo keeps its contents, dates and identity.
    //
    // Runs on any thread (the metadata manager serialises the tool); must not overlap a change
    // of the list.
    bool editMedataInFile(const MCFile &file, MCError *error, const MCCancellationCheck &isCancelled = {},
                          bool *changed = nullptr) const;

    // The capture date the list would give `file`: its "DateTimeOriginal" change read as EXIF
    // text; none when the list sets none.
    std::optional<QDateTime> captureDateForFile(const MCFile &file) const;

private:
    void registerUndo(std::function<void(MCMetadataConverter &)> inverse);
    void postWill(const QString &name, const QList<MCEditMetadataStageRef> &stages);
    void postDidChange();
    void adopt(const MCEditMetadataStageRef &stage);
    static void release(const MCEditMetadataStageRef &stage);

    MCUserDefaults *m_defaults;
    std::shared_ptr<MCUndoManager> m_undoManager;
    // Expires with the converter; undo closures check it.
    std::shared_ptr<char> m_lifetime;
};
