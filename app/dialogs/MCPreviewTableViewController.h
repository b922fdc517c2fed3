#pragma once

// The preview table of an operation dialog: one row per photo with a small thumbnail and the
// texts and badges its model (MCPreviewTableViewModel) predicts. It keeps the selection across
// reloads, lets the user reorder rows by dragging and remove them through the context menu,
// and tells its owner what changed.
//
// Using it (the Convert screen, the Edit Metadata screen, the rename settings editor):
//
//     auto model = std::make_shared<MCConvertOptionsPreviewTableViewModel>(converter);
//     model->setItems(files);
//     m_table = new MCPreviewTableViewController(QStringLiteral("MCConvertOptionsPreviewTableVC"),
//                                                model, this /* MCPreviewTableDelegate */, this);
//     m_table->setReordering(true);     // before the view is asked for
//     m_table->setCanRemove(true);
//     containerLayout->addWidget(m_table->view());
//     ...
//     model->recalculateInfo();         // when a setting changes; the table reloads itself
//     m_table->allItems();              // the photos in their current order
//     m_table->prepareToClose();        // when the dialog closes
//
// The layout name chooses the columns (columnsForNibName): "MCConvertOptionsPreviewTableVC",
// "MCEditMetadataPreviewTableVC" and "MCRenameOptionsTablePreviewVC".
//
// GUI thread only. Thumbnails are asked of the shared resource loader for the rows the table
// draws, 24 points at the window's scale, and kept for 200 files.
#include "app/dialogs/MCPreviewTableViewModel.h"
#include "halvard/imageio/MCCache.h"
#include "halvard/imageio/MCResourceLoader.h"
#include "halvard/ui/MCViewController.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <memory>

class MCPreviewTableViewController;
class MCTableView;
class QMenu;
class QMimeData;

// "MCPhotoTableIndexDragType": the drag data of preview rows, the archived list of their
// indexes.
extern const QString kMCPhotoTableIndexDragType;

// What changed in a preview table; every call is optional.
class MCPreviewTableDelegate
{
public:
    virtual ~MCPreviewTableDelegate() = default;
    // Rows were removed or reordered by the user.
    virtual void itemsDidChangeInController(MCPreviewTableViewController *) {}
    // The user changed the selection (reloads do not report).
    virtual void selectionDidChangeInController(MCPreviewTableViewController *) {}
    // The model finished a recalculation and the table was reloaded.
    virtual void infoDidChangeInController(MCPreviewTableViewController *) {}
};

// Pure rules of the table, tested as tables.
namespace MCPreviewTableRules {
// The rows a context-menu command acts on: none below the last row (clickedRow < 0), the whole
// selection when it holds the clicked row, else the clicked row alone.
MCIndexSet clickedIndexes(qint64 clickedRow, const MCIndexSet &selection);
// Where rows dragged from `source` land when dropped above `dropRow`: as many contiguous rows
// as were dragged, starting at dropRow minus the dragged rows above it.
MCIndexSet dropDestination(const MCIndexSet &source, qint64 dropRow);
// The row selected after `removed` were taken out, leaving `remainingCount` rows: the first
// removed index when it still exists, else the new last row, else none (-1).
qint64 rowToSelectAfterRemoving(const MCIndexSet &removed, qint64 remainingCount);
} // namespace MCPreviewTableRules

class MCPreviewTableViewController : public MCViewController
{
    Q_OBJECT
public:
    // Menu item tags: 200 "Open", 202 "Open With" (its submenu), 201 "Show in File Manager",
    // 101 the separator above and 100 "Remove from List" (both hidden unless canRemove()).
    enum MenuTag { MenuTagRemove = 100, MenuTagRemoveSeparator = 101, MenuTagOpen = 200, MenuTagReveal = 201,
                   MenuTagOpenWith = 202 };

    struct Column
    {
        QString identifier;
        QString title;
        int width = 100;
    };
    // The columns of a table layout, left to right; none for an unknown name.
    static QList<Column> columnsForNibName(const QString &nibName);

    // Keeps the model; `delegate` is not owned and may be null (clear it with setDelegate when
    // it goes first). Sends the model recalculateInfo() at once and reloads whenever the model
    // announces new results.
    MCPreviewTableViewController(const QString &nibName, std::shared_ptr<MCPreviewTableViewModel> viewModel,
                                 MCPreviewTableDelegate *delegate, QObject *parent = nullptr);
    // Cancels every pending thumbnail request.
    ~MCPreviewTableViewController() override;

    const std::shared_ptr<MCPreviewTableViewModel> &viewModel() const { return m_viewModel; }
    MCPreviewTableDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCPreviewTableDelegate *delegate) { m_delegate = delegate; }
    // The table (made with the view).
    MCTableView *previewTableView();

    // Rows can be dragged to reorder them.
    bool reordering() const { return m_reordering; }
    void setReordering(bool reordering);
    // The context menu offers removal.
    bool canRemove() const { return m_canRemove; }
    void setCanRemove(bool canRemove) { m_canRemove = canRemove; }

    // The table's background: theme brightness 0.3.
    void updateAppearance();
    void prepareToShow() {}
    // Cancels the model's calculation; the owner calls it when its dialog closes.
    void prepareToClose();
    // Reloads every row, keeping the selected rows selected without reporting it.
    void reloadData();

    MCFileList allItems() const { return m_viewModel->items(); }
    MCFileList selectedItems() const;
    MCFileList clickedItems() const { return itemsAtIndexes(clickedItemIndexes()); }
    MCIndexSet selectedRowIndexes() const;
    // The row the context menu was opened on (-1: none, or below the last row).
    qint64 clickedRow() const { return m_clickedRow; }
    void setClickedRow(qint64 row) { m_clickedRow = row; }
    MCIndexSet clickedItemIndexes() const;
    QList<QUrl> fileURLsAtIndexes(const MCIndexSet &indexes) const;
    QStringList filePathsAtIndexes(const MCIndexSet &indexes) const;

    // The context menu, brought up to date for the clicked row (what a right click shows).
    QMenu *menu();
    void menuNeedsUpdate();
    void openClicked();
    void openClickedWith(const QString &desktopID);
    void revealClickedInFinder();
    void removeClickedFromList();

    // Dragging rows: the drag data of some rows, whether a drop is taken, and the drop itself
    // (above `row`; a drop onto a row is a drop above it). A drop without this table's drag
    // data is refused.
    std::unique_ptr<QMimeData> writeRowsWithIndexes(const MCIndexSet &rows) const;
    bool canAcceptDrop(const QMimeData *data) const;
    bool acceptDrop(const QMimeData *data, qint64 row);

    // Thumbnails, by the file's identity (fileID); an image is kept to be shown 24 points large.
    bool hasImageForItem(const MCFile *file) const;
    QImage imageForItem(const MCFile *file);
    void setImageForItem(const QImage &image, const MCFile *file);
    // A requested thumbnail (a null image when it could not be loaded, which is kept as the
    // empty-photo picture). An unknown request is ignored.
    void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid);
    // Thumbnail requests not answered yet.
    qsizetype pendingThumbnailRequestCount() const { return m_requests.size(); }

    // For the table's item model: the cell contents of a row and column.
    QString textForCell(qint64 row, const QString &identifier) const;
    // The thumbnail column shows the cached thumbnail, else the empty-photo picture while the
    // thumbnail is asked for.
    QImage imageForCell(qint64 row, const QString &identifier);
    QString tooltipForCell(qint64 row, const QString &identifier) const;

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;

private:
    class ItemModel;
    class ThumbnailReceiver;

    MCFileList itemsAtIndexes(const MCIndexSet &indexes) const;
    void viewModelDidRecalculate();
    void selectRows(const MCIndexSet &rows);
    void selectionDidChange();
    void requestThumbnail(const std::shared_ptr<MCFile> &file);
    double backingScaleFactor() const;
    void showContextMenu(const QPoint &position);

    std::shared_ptr<MCPreviewTableViewModel> m_viewModel;
    MCPreviewTableDelegate *m_delegate = nullptr;
    QList<Column> m_columns;
    bool m_reordering = false;
    bool m_canRemove = false;
    bool m_skipsSelectionUpdate = false;
    qint64 m_clickedRow = -1;
    MCCache<quint64, QImage> m_cache{200};
    QHash<QUuid, std::shared_ptr<MCFile>> m_requests;
    std::shared_ptr<ThumbnailReceiver> m_receiver;
    QPointer<MCTableView> m_table;
    ItemModel *m_itemModel = nullptr; // owned by the table
    QPointer<QMenu> m_menu;
};
