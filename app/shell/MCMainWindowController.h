#pragma once

// The one main window and its controller. The controller owns a navigation stack of whole-window
// screens: the start screen at the bottom, the photo list above it once photos were found, and
// whatever screen a command pushes on top (the Convert screen). It is the one road by which
// opened and dropped files reach the screen that imports them, and it answers the window's
// commands: show or hide the path bar, clear the photo list, quit.
#include "app/library/MCFileContainer.h"
#include "app/shell/MCPhotoListScreen.h"
#include "platform/core/MCObservable.h"

#include <QMap>
#include <QKeySequence>

#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class MCNavigationController;
class MCPhotoListScreen;
class MCStartViewController;
class MCUserDefaults;
class MCViewController;
class QAction;
class QMenu;

extern const QString kMCMainWindowLaunchMoreThanOnceKey; // "MainWindowLaunchMoreThanOnce"
extern const QString kMCMainWindowFrameKey;              // "MainWindowFrame"

class MCMainWindowController;

// The window: its close button asks the controller, as quitting does.
class MCMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MCMainWindow(MCMainWindowController *controller);

    // The title-bar strip's rectangle in a frame of `bounds`: its top 22 pixels' bottom line,
    // one pixel high (y down).
    static QRectF separatorFrameForBounds(const QRectF &bounds);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<MCMainWindowController> m_controller;
};

class MCMainWindowController : public QObject
{
    Q_OBJECT
public:
    // The window is made at once: set-up as the first window of a run (maximised the very
    // first time, then the stored frame), with the start screen on the stack.
    explicit MCMainWindowController(QObject *parent = nullptr);
    // The same over other settings (tests).
    explicit MCMainWindowController(MCUserDefaults &defaults, QObject *parent = nullptr);
    ~MCMainWindowController() override;

    MCMainWindow *window() const { return m_window; }
    MCNavigationController *navigationController() const { return m_navigationController.get(); }
    MCStartViewController *startViewController() const { return m_startViewController.get(); }
    // Null until the first photos were found.
    MCPhotoListScreen *photoListViewController() const { return m_photoListViewController.get(); }
    MCViewController *topViewController() const;

    void showWindow();

    // Whether a sheet (a window-modal dialog) is open on the window, or any modal window runs.
    bool hasAttachedSheet() const;

    // Before quitting: the top screen is told it will disappear; the theme is no longer
    // watched. The window's frame is kept for the next run. From then on the window closes
    // when asked.
    void prepareToTerminate();
    bool isTerminating() const { return m_terminating; }

    // Flips "PathBarIsHidden" (the photo browser shows or hides its path bar).
    void showHidePathBar();
    // "Show Path Bar" while the bar is hidden, else "Hide Path Bar".
    QString pathBarMenuTitle() const;
    // Clear Photo List is offered only with a photo list holding a photo in the library.
    bool canClearPhotosList() const;
    // Asks, then clears.
    void clearPhotosList();
    // Clears without asking: back to the photo list at once, which empties the library.
    void performClearPhotoList();

    // The Convert screen for the files, pushed over the photo list; nothing while the program
    // has no Convert screen.
    bool canShowConvertOptions() const;
    void showConvertOptionsForItems(const MCFileList &items);

    // Pushes a screen on top of the stack (the Convert screen), animated.
    void pushScreen(const std::shared_ptr<MCViewController> &screen, bool animated = true);

    // Shows the photo list (made on first use) and has it read the files. False, doing nothing,
    // while no photo list screen is installed (MCPhotoListScreen::setFactory): the window then
    // stays on the start screen and the files found are not added to the library.
    bool showPhotoListUpdatingFiles(const MCFileList &files);
    // Routes an import: a screen above the photo list is popped and the photo list imports;
    // the photo list imports when it is shown; otherwise the start screen does.
    void importItemsAtURLs(const QStringList &paths);
    // The add command of the screen shown.
    void addPhotosToList();

    // The window's menus, kept up to date as they open.
    QAction *clearPhotosListAction() const { return m_clearAction; }
    QAction *pathBarAction() const { return m_pathBarAction; }
    QAction *addPhotosAction() const { return m_addAction; }
    // The menu item of a photo list command.
    QAction *commandAction(MCPhotoListCommand command) const;
    // The photo list takes commands while it is on the stack (also under the Convert screen,
    // where it ignores the ones that must not run then).
    bool photoListReceivesCommands() const;
    void validateMenuItems();

signals:
    // The window was asked to close (its close button): the application decides.
    void windowShouldClose();
    // Menu commands that belong to the application rather than the window.
    void preferencesRequested();
    // The preferences at their file filter tab, or at the grouping presets.
    void preferencesWithFilteringRequested();
    void preferencesWithGroupingPresetsRequested();
    void tipsRequested();
    void presetsFolderRequested();
    void quitRequested();

private:
    void windowDidLoad();
    void prepareContentController();
    void buildMenus();
    QAction *addCommand(QMenu *menu, const QString &title, MCPhotoListCommand command,
                        const QKeySequence &shortcut = QKeySequence());
    void appearanceDidChange();

    MCUserDefaults &m_defaults;
    QPointer<MCMainWindow> m_window;
    bool m_terminating = false;
    std::shared_ptr<MCNavigationController> m_navigationController;
    std::shared_ptr<MCStartViewController> m_startViewController;
    std::shared_ptr<MCPhotoListScreen> m_photoListViewController;
    MCObservation m_appearanceObservation;
    QAction *m_addAction = nullptr;
    QAction *m_clearAction = nullptr;
    QAction *m_pathBarAction = nullptr;
    QMenu *m_openWithMenu = nullptr;
    QMap<MCPhotoListCommand, QAction *> m_commandActions;
};
