#pragma once

// The photo list screen's file commands on the selected photos: copy or move to a folder (with
// or without new names), rename in place, edit metadata, set the file dates from the capture
// date and paste a GPS location. Every command takes one road: ask the user (a folder panel,
// the rename dialog or a confirmation, through the prompt layer), hand the photos to the file
// manager's serial queue, show the operation in the screen's progress sheet, and when the
// operation ends bring the list up to date and report the result (a message the user may turn
// off with "Don't show again", and for metadata a desktop notification).
//
// The screen lends what the commands need of it through MCPhotoListFileOperationsHost. Main
// thread only; the file manager calls the completions on the main thread.
#include "app/library/MCBatchRenameSettings.h"
#include "app/library/MCFileOperation.h"

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QVariantMap>

#include <memory>
#include <optional>

class MCDialogController;
class MCFileOperationProgressWindowController;
class MCMetadataConverter;
class MCUserDefaults;
class QWidget;

extern const QString kMCLastFolderExportedKey;          // "LastFolderExported"
extern const QString kMCShowMessageAfterGPSEditingKey;  // "ShowMessageAfterGPSEditing"
// The private clipboard type of a copied location: a property list {"Latitude", "Longitude"}.
extern const QString kMCGPSPasteboardType;              // "MCGPSPasteboardType"

// The location on the clipboard, when both coordinates are there, finite and on the globe
// (latitude within ±90°, longitude within ±180°); x is the longitude, y the latitude.
std::optional<QPointF> MCPastedGPSLocation();
// Puts a location ({"Latitude", "Longitude"}, either may be missing) on the clipboard in that
// form, with `text` as its plain-text form when given.
void MCCopyGPSLocationToPasteboard(const QVariantMap &location, const QString &text = QString());
void MCCopyGPSLocationToPasteboard(double latitude, double longitude);

class MCPhotoListFileOperationsHost
{
public:
    virtual ~MCPhotoListFileOperationsHost() = default;
    // The window sheets hang on.
    virtual QWidget *hostWindow() = 0;
    // The browser's selected photos, read when the user confirms.
    virtual MCFileList selectedItems() = 0;
    // Takes photos off the list (moved or renamed away).
    virtual void removeFiles(const MCFileList &files) = 0;
    // Adds files through the screen's import road (the size filters apply).
    virtual void importItemsAtURLs(const QStringList &paths) = 0;
    // Photos whose grouping values may have changed (the tree panel regroups them).
    virtual void noteItemsWereUpdated(const MCFileList &files) = 0;
    virtual void reloadInfoPanel() = 0;
    virtual void redisplayBrowser() {}
    // Set while another screen is on top: edit metadata and the date commands do nothing.
    virtual bool skipsActions() const { return false; }
};

class MCPhotoListFileOperations : public QObject
{
    Q_OBJECT
public:
    // Uses `defaults` (not owned; null: the user's) for the message switches and the last folder.
    explicit MCPhotoListFileOperations(MCPhotoListFileOperationsHost &host, MCUserDefaults *defaults = nullptr,
                                       QObject *parent = nullptr);
    ~MCPhotoListFileOperations() override;

    // ---- commands (menu items and toolbar)
    void copySelectedItemsToFolder();
    void moveSelectedItemsToFolder();
    void copySelectedItemsToFolderAndRename();
    void moveSelectedItemsToFolderAndRename();
    void renameSelectedItems();
    // Edits with the shared metadata converter's stages, after the edit-metadata dialog.
    void editMetadataForSelectedItems();
    void setCreationDateFromCaptureDateForSelectedItems();
    void setCreationAndModificationDateFromCaptureDateForSelectedItems();
    // Nothing without a valid location on the clipboard (see MCPastedGPSLocation).
    void pasteGPSLocation();

    // ---- requests: each queues the operation and shows it in the progress sheet
    std::shared_ptr<MCFileOperation> copyItems(const MCFileList &files, const QString &folder,
                                               MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> copyItems(const MCFileList &files, const QString &folder, const QStringList &names,
                                               MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> moveItems(const MCFileList &files, const QString &folder,
                                               MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> moveItems(const MCFileList &files, const QString &folder, const QStringList &names,
                                               MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> renameItems(const MCFileList &files, const QStringList &names,
                                                 MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> editMetadataForItems(const MCFileList &files,
                                                          std::shared_ptr<MCMetadataConverter> converter,
                                                          MCFileOperationCompletion completion);
    std::shared_ptr<MCFileOperation> setCreationDateFromCaptureDateForItems(const MCFileList &files,
                                                                            bool changeModification,
                                                                            MCFileOperationCompletion completion);

    // The one progress sheet of the screen, made on first use.
    MCFileOperationProgressWindowController *fileOperationProgressController();

    // The rename step of the rename commands: the files in the order to name them, their new
    // names and the settings the user confirmed (stored back as the settings for copying), or
    // none when the user cancelled. The default confirms the renamer's settings for copying
    // through the prompt layer; the rename dialog replaces it.
    struct RenameAnswer {
        MCFileList items;
        QStringList names;
        MCBatchRenameSettings settings;
    };
    using RenameDialogRunner = std::function<std::optional<RenameAnswer>(
        const MCBatchRenameSettings &settings, const MCFileList &items, QWidget *window)>;
    void setRenameDialogRunner(RenameDialogRunner runner) { m_renameDialog = std::move(runner); }
    // Shows a dialog as a sheet over `window` and waits for its answer.
    static int runSheetAndWait(MCDialogController &dialog, QWidget *window);
    // The edit-metadata step: the files and the converter to edit them with, or none when the
    // user cancelled. Without one, editMetadataForSelectedItems does nothing (the command is
    // offered only once the dialog exists).
    using EditMetadataDialogRunner = std::function<std::optional<std::pair<MCFileList, std::shared_ptr<MCMetadataConverter>>>(
        const MCFileList &items, QWidget *window)>;
    void setEditMetadataDialogRunner(EditMetadataDialogRunner runner) { m_editMetadataDialog = std::move(runner); }
    bool canEditMetadata() const { return bool(m_editMetadataDialog); }

private:
    enum class Transfer { Copy, Move };
    std::optional<QString> chooseDestinationFolder(Transfer transfer);
    std::optional<RenameAnswer> runRenameDialog();
    void transferSelectedItems(Transfer transfer, bool rename);
    MCFileOperationCompletion transferCompletion(Transfer transfer, const QString &folder);
    MCFileOperationCompletion renameCompletion();
    MCFileOperationCompletion metadataCompletion(bool gps);
    MCFileOperationCompletion dateCompletion();
    bool confirm(const QString &message, const QString &informative);
    // A result message with "Don't show again"; the key is set to the opposite of the box.
    int showResult(const QString &key, const QString &message, const QString &informative,
                   const QStringList &buttons);
    std::shared_ptr<MCFileOperation> show(const std::shared_ptr<MCFileOperation> &operation, const QString &label,
                                          const QString &stopToolTip);
    // The operation has ended: its progress sheet goes before a message is shown, while it
    // still shows this operation (Stop on the next queued one would cancel that one).
    void endProgressSheet(MCFileOperation &operation);

    MCPhotoListFileOperationsHost &m_host;
    MCUserDefaults &m_defaults;
    std::unique_ptr<MCFileOperationProgressWindowController> m_progressController;
    RenameDialogRunner m_renameDialog;
    EditMetadataDialogRunner m_editMetadataDialog;
};
