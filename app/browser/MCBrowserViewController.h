#pragma once

// The controller of the photo grid: the data source and delegate of MCBrowserView over the
// groups the screen shows. Each group is seen through a smart group that applies the filter
// predicate and the chosen sort order; cells are filled from the library files and from the
// thumbnails already in the cache (loading is started and cancelled only by the grid's
// prefetching). Around the grid it keeps the status line and the path bar.
//
// Sorting follows the user defaults "SortKind" (0 none, 1 name, 2 file size, 3 date, 4 pixel
// size) and "SortDirection" (100 ascending, anything else descending); the file's ID breaks
// every tie, so the order is total and stable between reloads.
//
// Filtering: while the filter panel above the grid is shown its rows' predicate filters every
// group; hidden or closed, nothing is filtered. setFilterPredicate() sets a predicate directly.
//
// Open With: buildOpenWithMenu() fills a menu with the applications that open the selected
// files; choosing one calls openWith() with its desktop ID. The main menu's Open With submenu
// calls buildOpenWithMenu() when it is about to show; the cell menu's own Open With item
// (tagged 202 with MCMenuExtensions::setTag) rebuilds its submenu the same way.
//
// Main thread only.
#include "app/browser/MCPhotoListFileOperations.h"
#include "app/browser/MCSearchPanelController.h"
#include "app/library/MCSmartGroup.h"
#include "halvard/browser/MCBrowserView.h"
#include "halvard/imageio/MCThumbnailCache.h"
#include "halvard/ui/MCViewController.h"

#include "app/browser/MCPathControl.h"
#include "app/uikit/MCPopupCell.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>

#include <memory>

class MCBrowserViewController;
class MCFile;
class MCObservation;
class QMimeData;

// What the photo list answers for its grid.
class MCBrowserViewParentController
{
public:
    virtual ~MCBrowserViewParentController();
    // The scale to start with.
    virtual double defaultZoomValue() = 0;
    // Told after every scale change of the grid.
    virtual void zoomDidChangeTo(double scale) = 0;
    // Adds dropped or pasted files and folders; the answer is the drop's.
    virtual bool asyncAddFilesWithFolderURLs(const QStringList &paths, MCBrowserViewController *controller);
    // Stops adding files.
    virtual bool cancelAdditingForController(MCBrowserViewController *controller);
    // The owner refreshes its own controls after a reload or a selection change.
    virtual void updateControlsForController(MCBrowserViewController *controller);
};

// Item data role of the sort pop-up: true on the items that carry a check mark.
inline constexpr int kMCSortItemCheckedRole = Qt::UserRole + 1;

// The status line: "No photos", "%d of %d selected", "1 photo" or "%d photos", in that order
// of precedence, for n photos of which s are selected.
QString MCNumberOfPhotosText(qint64 n, qint64 s);
// The thumbnail pixel size for a scale: 512 points × scale × the screen's device pixel ratio,
// truncated (a negative or not-a-number product gives 0).
quint64 MCThumbnailPixelSize(double scale, double devicePixelRatio);
// The order for a sort kind and direction: the kind's comparison (none for kind 0) and then
// the file's ID, both ascending only for direction 100. Any kind outside 0–4 is logged
// ("Unexpected sort kind: %lu") and sorts by the ID alone.
MCSmartGroup::SortDescriptors MCBrowserSortDescriptors(qint64 kind, qint64 direction);
// The local files among dropped or pasted data, in order; other URLs are left out.
QStringList MCLocalFilePathsFromMimeData(const QMimeData *data);

// kMCGPSPasteboardType (MCPhotoListFileOperations.h) carries the copied position.
// What copying a photo's GPS position writes: a title line "=== name ====", then a line per
// coordinate the photo has ("GPS Latitude: 48° 51' 0.00'' S (-48.8500000000)"), signed by its
// reference (S and W negative, in either case); `position` receives the signed numbers under
// "Latitude" and "Longitude". A coordinate without a number is left out of both.
QString MCGPSLocationText(const MCFile &item, QVariantMap *position);
// The signed coordinates of a photo (0 for a missing number).
double MCSignedGPSLatitude(const MCFile &item);
double MCSignedGPSLongitude(const MCFile &item);

class MCBrowserViewController : public MCViewController,
                                public MCSearchPanelDelegate,
                                public MCBrowserViewDataSource,
                                public MCBrowserViewDelegate,
                                public MCBrowserViewPrefetching,
                                public MCThumbnailCacheDelegate
{
    Q_OBJECT
public:
    explicit MCBrowserViewController(QObject *parent = nullptr);
    ~MCBrowserViewController() override;

    MCBrowserViewParentController *parentController() const { return m_parentController; }
    void setParentController(MCBrowserViewParentController *parent) { m_parentController = parent; }
    double zoomMin() const { return m_zoomMin; }
    void setZoomMin(double scale) { m_zoomMin = scale; }
    double zoomMax() const { return m_zoomMax; }
    void setZoomMax(double scale) { m_zoomMax = scale; }
    double zoomValue() const;
    void setZoomValue(double scale);

    // Outlets, made with the view.
    MCBrowserView *browserView() const { return m_browserView; }
    MCPathControl *pathControl() const { return m_pathControl; }
    QWidget *pathBarView() const { return m_pathBarView; }
    QLabel *numberOfPhotosLabel() const { return m_numberOfPhotosLabel; }
    QLabel *noPhotosBrowserLabel() const { return m_noPhotosBrowserLabel; }
    MCThumbnailCache *imageBrowserCache() const { return m_imageBrowserCache.get(); }

    // ---- groups, filter and sort
    QList<std::shared_ptr<MCGroup>> groups() const;
    // One smart group per group, filtered and sorted as now; then reloads.
    void setGroups(const QList<std::shared_ptr<MCGroup>> &groups);
    const QList<std::shared_ptr<MCSmartGroup>> &filteredGroups() const { return m_filteredGroups; }
    // Photos entered or left a group: the views of that group follow in place (the grid is
    // reloaded by the caller).
    void groupDidInsertItems(const MCGroup *group, const QList<MCSmartGroup::Item> &items);
    void groupDidRemoveItems(const MCGroup *group, const QList<MCSmartGroup::Item> &items);
    // The filter panel's predicate (none: the panel is closed); applied at once.
    void setFilterPredicate(MCSmartGroup::PredicatePtr predicate);
    const MCSmartGroup::PredicatePtr &filterPredicate() const { return m_filterPredicate; }
    bool isFilterActive() const { return m_filterPredicate != nullptr; }
    // Kept for the owner; nothing here reads it.
    bool hasFilterPanel() const { return m_hasFilterPanel; }
    void setHasFilterPanel(bool has) { m_hasFilterPanel = has; }
    // Shows the filter panel (made with one row on first use) or hides it, keeping its rows.
    void toggleFilterPanel();
    // Null until the panel is first shown, and again after its last row was removed.
    MCSearchPanelController *searchPanelController() const { return m_searchController.get(); }
    void searchControllerDidChangePredicate(MCSearchPanelController *controller) override;
    void searchControllerShouldBeClosed(MCSearchPanelController *controller) override;
    // The order of the stored "SortKind" and "SortDirection", read afresh on every call.
    MCSmartGroup::SortDescriptorsPtr sortDescriptors() const;
    void filterItems();
    void sortItems();
    // A sort menu item: tags 100 and 101 set the direction, any other the kind.
    void sortDidChange(qint64 tag);

    // The sort pop-up: one item per kind (tags 0 to 4 as item data), then the directions (100,
    // 101); the button shows the kind, check marks sit on the stored kind and direction (the
    // items' kMCSortItemCheckedRole data says which).
    MCDarkPopupCell *sortPopup() const { return m_sortPopup; }
    QLabel *sortLabel() const { return m_sortLabel; }
    void updateSortPopup();

    // ---- loading progress (while files are added, in place of the sort pop-up)
    QProgressBar *loadingProgress() const { return m_loadingProgress; }
    QToolButton *loadingCancelButton() const { return m_loadingCancelButton; }
    void showLoadingProgress(bool indeterminate);
    // 0 to 1.
    void updateProgressWithValue(double value);
    void hideLoadingProgress();
    // The cancel button: the owner stops adding files.
    void cancelAdding();

    // ---- state
    // Hides the map palette, when one was ever shown.
    void viewControllerWillDisappear(bool animated) override;
    void reloadBrowserData();
    void updateControls();
    void updateNumberOfPhotosLabel();
    // Hides or shows the path bar by "PathBarIsHidden".
    void showHidePathBar();

    qint64 numberOfItems() const;
    bool hasSelectedItems() const;
    qint64 numberOfSelectedItems() const;
    MCSmartGroup::Item itemAtIndexPath(const MCIndexPath &path) const;
    MCSmartGroup::Item firstSelectedItem() const;
    QList<MCSmartGroup::Item> selectedItems() const;
    QStringList selectedPaths() const;

    // ---- data source
    qint64 numberOfGroupsInBrowserView(MCBrowserView *view) override;
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *view, qint64 group) override;
    void browserViewUpdateItemCell(MCBrowserView *view, MCBrowserViewCell *cell, const MCIndexPath &path) override;
    void browserViewUpdateHeaderCell(MCBrowserView *view, MCBrowserViewCell *cell, qint64 group) override;

    // ---- delegate
    void browserViewScaleDidChange(MCBrowserView *view) override;
    void browserViewSelectionDidChange(MCBrowserView *view) override;
    bool browserViewReadItemsFromPasteboard(MCBrowserView *view, const QMimeData *pasteboard) override;
    bool browserViewWriteItemsToPasteboard(MCBrowserView *view, const QList<MCIndexPath> &paths,
                                           QMimeData *pasteboard) override;
    QUrl browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path) override;
    Qt::DropAction browserViewValidateDrop(MCBrowserView *view, const QMimeData *data, Qt::DropActions offered) override;
    bool browserViewAcceptDrop(MCBrowserView *view, const QMimeData *data, Qt::DropAction action) override;
    std::optional<MCPreviewItem> browserViewPreviewItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path) override;

    // ---- prefetching, handed to the thumbnail cache
    void browserViewPrefetchItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) override;
    void browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) override;

    // ---- thumbnail cache delegate
    std::shared_ptr<MCImageDescriptorProvider>
    thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *cache, const MCIndexPath &indexPath) override;
    void thumbnailCacheDidFetchThumbnail(MCThumbnailCache *cache, const std::shared_ptr<const MCThumbnail> &thumbnail,
                                         const MCIndexPath &indexPath) override;

    // ---- commands on the selected photos (nothing without a selection)
    // Each file with its default application.
    void open();
    // Empties the menu and fills it with the applications that open every selected file: the
    // default first, a separator, the others by name, each calling openWith() with its desktop
    // ID; a disabled "<NONE>" item when there are none (or nothing is selected).
    void buildOpenWithMenu(QMenu *menu);
    // The selected files with the application of that desktop ID. A failure to start it is
    // told to the user (through the prompt layer).
    void openWith(const QString &desktopID);
    void revealInFinder();
    // Shows or hides the preview window of the selection.
    void quickLook();
    // Exactly one photo selected, with both GPS numbers.
    bool canUseGPSLocation() const;
    // The first selected photo's position to the clipboard as text and as kMCGPSPasteboardType.
    void copyGPSLocation();
    // Shows the shared map palette with its pin at the first selected photo's position (S and
    // W negative); pins set on the palette are not reported back.
    void showGPSLocationPalette();
    // The menu of a right-click on a cell (Open, Open With, Show in File Manager, Quick Look,
    // Show Location on Map, Copy GPS Location — always the last), its items enabled for the
    // current selection.
    QMenu *browserViewContextMenu() const { return m_browserViewContextMenu; }
    void updateContextMenu();

    void browserViewCellWasDoubleClicked(MCBrowserView *view, const std::optional<MCIndexPath> &path) override;
    void browserViewCellWasRightClicked(MCBrowserView *view, const MCIndexPath &path,
                                        const QPoint &globalPosition) override;

    // The device pixel ratio thumbnails are made for (the grid's screen; tests may set one).
    double devicePixelRatio() const;
    void setDevicePixelRatio(double ratio) { m_devicePixelRatio = ratio; }

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;

private:
    void updateFilterPredicateFromPanel();

    MCBrowserViewParentController *m_parentController = nullptr;
    double m_zoomMin = 0.25, m_zoomMax = 1.0;
    double m_devicePixelRatio = 0; // 0: ask the grid
    QList<std::shared_ptr<MCSmartGroup>> m_filteredGroups;
    MCSmartGroup::PredicatePtr m_filterPredicate;
    bool m_hasFilterPanel = false;
    std::shared_ptr<MCSearchPanelController> m_searchController;
    QPointer<QWidget> m_findBar; // the slot above the grid that holds the filter panel
    std::unique_ptr<MCThumbnailCache> m_imageBrowserCache;

    QPointer<MCBrowserView> m_browserView;
    QPointer<MCPathControl> m_pathControl;
    QPointer<QWidget> m_pathBarView;
    QPointer<QLabel> m_numberOfPhotosLabel;
    QPointer<QLabel> m_noPhotosBrowserLabel;
    QPointer<QMenu> m_browserViewContextMenu;
    QList<QPointer<QAction>> m_gpsActions; // enabled for one selected photo with a position
    QPointer<MCDarkPopupCell> m_sortPopup;
    QPointer<QLabel> m_sortLabel;
    QPointer<QProgressBar> m_loadingProgress;
    QPointer<QToolButton> m_loadingCancelButton;
    std::unique_ptr<MCObservation> m_pathBarObservation; // "PathBarIsHidden"
};
