#pragma once

// What the main window needs of the photo list screen: the screen that shows the library
// once the first photos were found. The main window makes it once through a factory and keeps
// it for the run; the full photo browser installs its own factory, replacing the simple list
// the shell ships (MCSimplePhotoListViewController).
#include "app/library/MCFileContainer.h"
#include "halvard/ui/MCViewController.h"

#include <QStringList>

#include <functional>
#include <memory>

class MCMainWindowController;

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

    using Factory = std::function<std::shared_ptr<MCPhotoListScreen>(MCMainWindowController *owner)>;
    // The factory the main window makes its photo list with; an empty one restores the
    // shell's simple list.
    static void setFactory(Factory factory);
    static std::shared_ptr<MCPhotoListScreen> makeScreen(MCMainWindowController *owner);
};
