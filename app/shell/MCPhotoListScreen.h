#pragma once

// What the main window needs of the photo list screen: the screen that shows the library
// once the first photos were found. The main window makes it once through a factory and keeps
// it for the run. The shell ships no photo list of its own: the photo browser installs its
// factory (MCPhotoListViewController::installAsPhotoListScreen, called by the program at
// start), and shell tests install a fake. Without a factory the main window has no photo list
// and stays on the start screen (see MCMainWindowController::showPhotoListUpdatingFiles).
#include "app/library/MCFileContainer.h"
#include "halvard/ui/MCViewController.h"

#include <QMenu>
#include <QStringList>

#include <functional>
#include <memory>

class MCMainWindowController;
class QAction;

// The photo list's commands that the window's menus carry. The main window asks the photo list
// to validate and perform them while the photo list is on its stack; otherwise they are off.
enum class MCPhotoListCommand {
    RemovePhotosFromList,
    ToggleFilterPanel,
    ToggleImageInfo,
    ToggleGroupsPanel,
    ShowPhotoList,
    ShowConvertSettings,
    ShowConvertSettingsForAllItems,
    ShowConvertSettingsForSelectedItems,
    CopySelectedItemsToFolder,
    CopySelectedItemsToFolderAndRename,
    MoveSelectedItemsToFolder,
    MoveSelectedItemsToFolderAndRename,
    RenameSelectedItems,
    EditMetadataForSelectedItems,
    SetCreationDateFromCaptureDateForSelectedItems,
    SetCreationAndModificationDateFromCaptureDateForSelectedItems,
    PasteGPSLocation,
    QuickLook,
    OpenWith,
};

class MCPhotoListScreen : public MCViewController
{
    Q_OBJECT
public:
    using MCViewController::MCViewController;

    // Imports dropped, opened or chosen files and folders; false (doing nothing) for none.
    virtual bool importItemsAtURLs(const QStringList &paths) = 0;
    // Reads the properties of files an import made and adds them to the library.
    virtual void updatePhotos(const MCFileList &files) = 0;
    // Stops loading and empties the library.
    virtual void clearPhotosList() = 0;
    // The add command: asks for files and folders and imports them.
    virtual void addPhotosToList() = 0;
    // Whether files are being imported or read in.
    virtual bool isLoading() const = 0;

    // Whether the menu item of a command is enabled; may retitle or check it.
    virtual bool validateMenuItem(MCPhotoListCommand command, QAction *item)
    {
        Q_UNUSED(command);
        Q_UNUSED(item);
        return false;
    }
    virtual void performCommand(MCPhotoListCommand command) { Q_UNUSED(command); }
    // Fills the Open With submenu for the selected photos.
    virtual void buildOpenWithMenu(QMenu *menu) { Q_UNUSED(menu); }

signals:
    // The state the commands depend on changed (selection, contents, loading, panes).
    void commandsChanged();

public:

    using Factory = std::function<std::shared_ptr<MCPhotoListScreen>(MCMainWindowController *owner)>;
    // The factory the main window makes its photo list with; an empty one removes it.
    static void setFactory(Factory factory);
    // A new screen from the installed factory; nullptr while none is installed.
    static std::shared_ptr<MCPhotoListScreen> makeScreen(MCMainWindowController *owner);
};
