#pragma once

// What the photo list and the main window use of the Convert screen and of the rename and
// edit-metadata dialogs. The screens themselves are made through factories they install when
// they are part of the program; until then the commands that open them are offered disabled
// (rename falls back to confirming the renamer's current settings).
#include "app/library/MCFileContainer.h"
#include "app/library/MCBatchRenameSettings.h"
#include "app/shell/MCDialogController.h"
#include "app/shell/MCWizardDialog.h"
#include "halvard/ui/MCViewController.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class MCMainWindowController;
class MCMetadataConverter;
class MCUndoManager;

// The Convert screen for some files; the main window pushes it over the photo list.
class MCConvertOptionsViewController : public MCViewController
{
    Q_OBJECT
public:
    using MCViewController::MCViewController;
    // The converter's undo manager, the window's while the screen is shown.
    virtual MCUndoManager *undoManager() = 0;

    using Factory = std::function<std::shared_ptr<MCConvertOptionsViewController>(MCMainWindowController *main,
                                                                                  const MCFileList &items)>;
    static void setFactory(Factory factory);
    static bool isAvailable();
    // Null while no Convert screen is installed.
    static std::shared_ptr<MCConvertOptionsViewController> controllerWithMainController(MCMainWindowController *main,
                                                                                        const MCFileList &items);
};

// The rename dialog: edits a rename pattern over a list of files and shows their new names.
// Its sheet answers 1000 for the confirming button.
class MCRenameDialog : public MCWizardDialog
{
    Q_OBJECT
public:
    using MCWizardDialog::MCWizardDialog;
    virtual MCBatchRenameSettings renameSettings() const = 0;
    virtual MCFileList items() const = 0;
    // One new file name per item, at the item's index.
    virtual QStringList convertedNames() const = 0;

    using Factory = std::function<std::unique_ptr<MCRenameDialog>(const MCBatchRenameSettings &settings,
                                                                   const MCFileList &items, const QString &label,
                                                                   const QString &buttonLabel, bool reordering)>;
    static void setFactory(Factory factory);
    static bool isAvailable();
    static std::unique_ptr<MCRenameDialog> dialogWithRenameSettings(const MCBatchRenameSettings &settings,
                                                                    const MCFileList &items, const QString &label,
                                                                    const QString &buttonLabel, bool reordering);
};

// The edit-metadata dialog: the metadata stages to write into some files. Its sheet answers
// 1000 on OK.
class MCEditMetadataDialog : public MCDialogController
{
    Q_OBJECT
public:
    using MCDialogController::MCDialogController;
    virtual MCFileList items() const = 0;
    virtual std::shared_ptr<MCMetadataConverter> converter() const = 0;

    using Factory = std::function<std::unique_ptr<MCEditMetadataDialog>(
        const MCFileList &items, const std::shared_ptr<MCMetadataConverter> &converter)>;
    static void setFactory(Factory factory);
    static bool isAvailable();
    static std::unique_ptr<MCEditMetadataDialog> dialogWithItems(const MCFileList &items,
                                                                 const std::shared_ptr<MCMetadataConverter> &converter);
};
