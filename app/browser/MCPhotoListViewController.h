#pragma once

// The photo list screen: the working screen of the application. A tool bar above, then three
// panes side by side: the group tree (left, 200 to 300 points), the thumbnail grid of the
// selected groups, and the image-info panel (right, 264 to 345 points). The side panes can be
// collapsed; their state lives in "TreePanelIsVisible" and "InfoPanelIsVisible".
//
// Photos reach the list by one road: importItemsAtURLs queues an import on the screen's loading
// queue (one operation at a time); the import's files are read by an update operation, whose
// batches pass the minimum size filters ("MinImageSize", "MinFileSize") and go to the shared
// library, which tells the tree panel and through it the grid. Loading ends once, when the last
// queued operation has finished; a list that is still empty then (and not because the user
// stopped) tells the user "No photos were added." and returns to the start screen.
//
// Clearing the list, or stopping, cancels the loading; every operation carries the generation
// of the list it was queued for, so nothing a cancelled operation still reports (queued
// progress, an import's files) can bring photos back into a list cleared since.
//
// Main thread only.
#include "app/browser/MCBrowserViewController.h"
#include "app/browser/MCPhotoListFileOperations.h"
#include "app/browser/MCTreePanelViewController.h"
#include "app/shell/MCOverlayDroppableView.h"
#include "app/shell/MCPhotoListScreen.h"
#include "app/uikit/MCSlider.h"

#include <QAbstractButton>
#include <QPointer>
#include <QSet>
#include <QSplitter>

#include <map>
#include <memory>

class MCInfoPanelViewController;
class MCOperation;
class MCOperationQueue;
class MCUserDefaults;
class QFileSystemWatcher;
class QTimer;

// The minimum photo size filter: m is the preferences slider's value; the photo needs
// ceil(m² × 10000 / 16) × 16 pixels on both sides (m ≤ 0: every photo fits).
double MCMinimumImageSideForSetting(double m);
bool MCIsImageSizeFit(double minImageSize, double width, double height);
// The minimum file size filter: `size` in the unit 0 bytes, 1 KB, 2 MB, 3 GB or 4 TB (decimal);
// a size ≤ 0 or another unit lets every file through.
bool MCIsFileSizeFit(double minFileSize, qint64 unit, quint64 fileSize);

// The split view's limits for a divider at `proposed` in a split view `width` wide: the tree
// pane 200 to 300 points, the info pane's divider 345 to 264 points from the right edge.
double MCPhotoListConstrainMinCoordinate(double proposed, double width, int divider);
double MCPhotoListConstrainMaxCoordinate(double proposed, double width, int divider);

class MCPhotoListViewController : public MCPhotoListScreen,
                                  public MCTreePanelViewControllerDelegate,
                                  public MCBrowserViewParentController,
                                  public MCOverlayDroppableViewDelegate
{
    Q_OBJECT
public:
    // Over the user's settings, or `defaults` (not owned; tests).
    explicit MCPhotoListViewController(MCMainWindowController *mainController, MCUserDefaults *defaults = nullptr,
                                       QObject *parent = nullptr);
    ~MCPhotoListViewController() override;

    // Makes this the photo list screen the main window creates (the program does at start).
    static void installAsPhotoListScreen();

    MCMainWindowController *mainController() const;

    // ---- adding photos
    bool importItemsAtURLs(const QStringList &paths) override;
    void updatePhotos(const MCFileList &files) override;
    void addPhotosToList() override;
    bool isLoading() const override { return m_loadingOperationCount > 0; }
    bool isUpdatingOperation() const { return m_isUpdatingOperation; }
    bool isImageSizeFit(const MCFile &file) const;
    bool isFileSizeFit(const MCFile &file) const;

    // ---- panes
    bool isInfoPanelVisible() const;
    void setInfoPanelVisible(bool visible);
    bool isTreePanelVisible() const;
    void setTreePanelVisible(bool visible);
    void toggleImageInfo();
    void toggleGroupsPanel();
    void restoreSplitViewState();
    // The split view reports a resize: a pane dragged shut (or open) by hand updates its setting.
    void splitViewDidResizeSubviews();
    void reloadInfoPanel();
    void updateInfoPanel();

    // ---- selection and contents
    bool hasSelectedItems() const;
    MCFileList selectedItems() const;
    // The grid holds at least one photo (the filter may hide the rest of the list).
    bool hasItems() const;
    // The photos the grid shows, group by group, in display order.
    MCFileList allItems() const;
    bool isGroupSelected(const MCGroupPtr &group) const;

    double zoomValue() const;
    void setZoomValue(double value);
    static constexpr double zoomMin() { return 0.25; }
    static constexpr double zoomMax() { return 1.0; }

    // ---- commands on the list
    void removePhotosFromList();
    void clearPhotosListDidClick();
    void clearPhotosList() override;
    void cancelImportPreparing();
    void toggleFilterPanel();
    void convertSelectedItems();
    void convertItems();
    // The modifier keys held: Alt alone turns the convert button into "Selected Only".
    void flagsChanged(Qt::KeyboardModifiers modifiers);
    bool isOptionKeyPressed() const { return m_isOptionKeyPressed; }
    void windowDidResignKey();
    void updateToolbarButtons();
    bool skipsActions() const { return m_skipsActions; }

    bool validateMenuItem(MCPhotoListCommand command, QAction *item) override;
    void performCommand(MCPhotoListCommand command) override;
    void buildOpenWithMenu(QMenu *menu) override;

    // ---- parts
    MCBrowserViewController *browserViewController() const { return m_browserViewController.get(); }
    MCTreePanelViewController *treePanelViewController() const { return m_treePanelViewController.get(); }
    MCInfoPanelViewController *infoPanelViewController() const { return m_infoPanelViewController.get(); }
    MCPhotoListFileOperations *fileOperations() const { return m_fileOperations.get(); }
    QSplitter *splitView() const { return m_splitView; }
    QWidget *treeContainerView() const { return m_treeContainerView; }
    QWidget *browserContainerView() const { return m_browserContainerView; }
    QWidget *infoContainerView() const { return m_infoContainerView; }
    QWidget *toolbarContainerView() const { return m_toolbarContainerView; }
    QAbstractButton *infoButton() const { return m_infoButton; }
    QAbstractButton *groupsButton() const { return m_groupsButton; }
    QAbstractButton *addButton() const { return m_addButton; }
    QAbstractButton *convertButton() const { return m_convertButton; }
    QAbstractButton *filterButton() const { return m_filterButton; }
    QAbstractButton *clearListButton() const { return m_clearListButton; }
    QAbstractButton *editEXIFButton() const { return m_editEXIFButton; }
    QAbstractButton *renameButton() const { return m_renameButton; }
    MCSlider *zoomSlider() const { return m_zoomSlider; }
    MCOverlayDroppableView *overlayView() const { return m_overlayView; }

    // ---- screen life
    void viewControllerWillAppear(bool animated) override;
    void viewControllerDidAppear(bool animated) override;
    void viewControllerWillDisappear(bool animated) override;
    void viewControllerDidDisappear(bool animated) override;

    // ---- tree panel delegate
    void treeViewControllerDidUpdateContentInGroup(MCTreePanelViewController *panel, const MCGroupPtr &group) override;
    void treeViewControllerDidChangeSelection(MCTreePanelViewController *panel) override;
    void treeViewControllerDidInsertItems(MCTreePanelViewController *panel, const MCGroupPtr &group,
                                          const QList<MCGroupItemPtr> &items) override;
    void treeViewControllerDidRemoveItems(MCTreePanelViewController *panel, const MCGroupPtr &group,
                                          const QList<MCGroupItemPtr> &items) override;

    // ---- grid owner
    double defaultZoomValue() override;
    void zoomDidChangeTo(double scale) override;
    bool asyncAddFilesWithFolderURLs(const QStringList &paths, MCBrowserViewController *controller) override;
    bool cancelAdditingForController(MCBrowserViewController *controller) override;
    void updateControlsForController(MCBrowserViewController *controller) override;

    // ---- drops on the screen outside the grid
    QStringList draggedTypesForOverlayView(MCOverlayDroppableView *view) override;
    Qt::DropAction overlayViewDraggingEntered(MCOverlayDroppableView *view, const QMimeData *data) override;
    Qt::DropAction overlayViewDraggingUpdated(MCOverlayDroppableView *view, const QMimeData *data) override;
    bool overlayViewPerformDragOperation(MCOverlayDroppableView *view, const QMimeData *data) override;

    // Takes photos whose files are gone from disk off the list (all photos, or those in
    // `folders`); the files are looked at in the background.
    void removeMissingPhotos(const QStringList &folders = {});

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class FileOperationsHost;
    struct LoadingOperation {
        std::shared_ptr<MCOperation> operation;
        quint64 generation = 0;
    };

    QWidget *buildToolbar();
    void expandInfoPanel();
    void collapseInfoPanel();
    void expandTreePanel();
    void collapseTreePanel();
    void setPaneCollapsed(int index, bool collapsed);
    void applyPaneWidths();
    bool isPaneCollapsed(int index) const;
    void setInfoButtonState(bool on);

    void importOperationDidStart(const void *operation);
    void importOperationDidFinish(const void *operation, const QVariantMap &userInfo);
    void updateOperationDidStart(const void *operation);
    void updateOperationDidProgress(const void *operation, const QVariantMap &userInfo);
    void updateOperationDidFinish(const void *operation, const QVariantMap &userInfo);
    // Lowers the loading count; answers whether loading ended.
    bool loadingOperationFinished(const void *operation);
    bool isCurrent(const void *operation) const;
    void cancelLoadingOperations();
    void showNothingAddedAlert();

    void fileContainerDidAddFiles(const MCFileList &files);
    void fileContainerDidRemoveFiles(const MCFileList &files);
    void watchFolders(const MCFileList &files);
    void applyTheme();
    Qt::DropAction dragOperationForInfo(const QMimeData *data) const;
    void convertButtonClicked();
    bool canEditMetadata() const;

    QPointer<MCMainWindowController> m_mainController;
    MCUserDefaults &m_defaults;
    std::shared_ptr<MCBrowserViewController> m_browserViewController;
    std::shared_ptr<MCTreePanelViewController> m_treePanelViewController;
    std::shared_ptr<MCInfoPanelViewController> m_infoPanelViewController;
    std::unique_ptr<FileOperationsHost> m_fileOperationsHost;
    std::unique_ptr<MCPhotoListFileOperations> m_fileOperations;
    std::unique_ptr<MCOperationQueue> m_loadingOperationQueue;
    std::unique_ptr<MCOperationQueue> m_missingCheckQueue;
    std::map<const void *, LoadingOperation> m_loadingOperations; // queued and not yet finished
    qint64 m_loadingOperationCount = 0;
    quint64 m_generation = 1; // raised by every clear
    bool m_isUpdatingOperation = false;
    bool m_isOptionKeyPressed = false;
    bool m_skipsActions = true;
    bool m_convertsSelectedOnly = false;
    // Wide enough at first for the groups' titles and the info panel's values; a pane then keeps
    // the width the user gives it.
    double m_treePaneWidth = 250, m_infoPaneWidth = 320;
    bool m_paneWidthsApplied = false;
    std::unique_ptr<QObject> m_observer; // lifetime of the notification registrations
    QPointer<QFileSystemWatcher> m_folderWatcher;
    QPointer<QTimer> m_missingCheckTimer;
    QSet<QString> m_changedFolders;

    QPointer<MCOverlayDroppableView> m_overlayView;
    QPointer<QSplitter> m_splitView;
    QPointer<QWidget> m_treeContainerView, m_browserContainerView, m_infoContainerView, m_toolbarContainerView;
    QPointer<QAbstractButton> m_addButton, m_groupsButton, m_filterButton, m_clearListButton, m_editEXIFButton,
        m_renameButton, m_infoButton, m_convertButton;
    QPointer<MCSlider> m_zoomSlider;
    QPointer<QWidget> m_observedWindow;
};
