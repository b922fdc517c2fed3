#include "app/dialogs/MCPreviewTableViewController.h"

#include "app/dialogs/MCPreviewTableImages.h"
#include "app/library/MCFile.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCTableView.h"
#include "halvard/system/MCDataExtensions.h"
#include "halvard/ui/MCMenuExtensions.h"
#include "halvard/ui/MCWorkspaceExtensions.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/desktop/MCWorkspace.h"

#include <QAbstractTableModel>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

const QString kMCPhotoTableIndexDragType = QStringLiteral("MCPhotoTableIndexDragType");

namespace {

// Marks drag data with the table it came from: only rows of the same table are dropped.
const char *const kDragOwnerProperty = "MCPreviewTableOwner";
constexpr double kThumbnailPoints = 24.0;
constexpr int kRowHeight = 26;

QImage emptyPhoto() { return MCPreviewTableImages::imageNamed(QStringLiteral("EmptyPhotoLandscapeSmall")); }

} // namespace

// ---------------------------------------------------------------- rules

namespace MCPreviewTableRules {

MCIndexSet clickedIndexes(qint64 clickedRow, const MCIndexSet &selection)
{
    if (clickedRow < 0)
        return MCIndexSet();
    if (selection.containsIndex(clickedRow))
        return selection;
    return MCIndexSet(clickedRow);
}

MCIndexSet dropDestination(const MCIndexSet &source, qint64 dropRow)
{
    qint64 above = 0;
    source.forEachIndex([&](qint64 index) { above += index < dropRow ? 1 : 0; });
    if (source.isEmpty())
        return MCIndexSet();
    return MCIndexSet(MCRange{dropRow - above, source.count()});
}

qint64 rowToSelectAfterRemoving(const MCIndexSet &removed, qint64 remainingCount)
{
    const qint64 first = removed.firstIndex();
    if (!removed.isEmpty() && first < remainingCount)
        return first;
    return remainingCount > 0 ? remainingCount - 1 : -1;
}

} // namespace MCPreviewTableRules

// ---------------------------------------------------------------- item model

// The table's view of the preview model: one row per item, one column per layout column;
// the text, picture and tooltip of a cell come from the controller.
class MCPreviewTableViewController::ItemModel : public QAbstractTableModel
{
public:
    ItemModel(MCPreviewTableViewController *controller, QObject *parent)
        : QAbstractTableModel(parent), m_controller(controller)
    {
    }

    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    void cellChanged(int row, int column) { emit dataChanged(index(row, column), index(row, column), {Qt::DecorationRole}); }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_controller->m_viewModel->items().size());
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_controller->m_columns.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return QVariant();
        const QString &identifier = m_controller->m_columns[index.column()].identifier;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return m_controller->textForCell(index.row(), identifier);
        case Qt::DecorationRole: {
            const QImage image = m_controller->imageForCell(index.row(), identifier);
            return image.isNull() ? QVariant() : QVariant(image);
        }
        case Qt::ToolTipRole: {
            const QString tooltip = m_controller->tooltipForCell(index.row(), identifier);
            return tooltip.isEmpty() ? QVariant() : QVariant(tooltip);
        }
        default:
            return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_controller->m_columns.size())
            return m_controller->m_columns[section].title;
        return QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return m_controller->m_reordering ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (m_controller->m_reordering)
            flags |= Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
        return flags;
    }
    QStringList mimeTypes() const override { return {kMCPhotoTableIndexDragType}; }
    QMimeData *mimeData(const QModelIndexList &indexes) const override
    {
        MCIndexSet rows;
        for (const QModelIndex &index : indexes)
            rows.addIndex(index.row());
        return m_controller->writeRowsWithIndexes(rows).release();
    }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) const override
    {
        return m_controller->canAcceptDrop(data);
    }
    bool dropMimeData(const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent) override
    {
        // A drop onto a row goes above it; a drop past the last row appends.
        if (row < 0)
            row = parent.isValid() ? parent.row() : rowCount(QModelIndex());
        return m_controller->acceptDrop(data, row);
    }

private:
    MCPreviewTableViewController *m_controller;
};

// ---------------------------------------------------------------- thumbnails

// Hands thumbnails to the controller while it exists (the loader keeps its receiver alive
// until it has answered).
class MCPreviewTableViewController::ThumbnailReceiver : public MCResourceThumbnailReceiver
{
public:
    explicit ThumbnailReceiver(MCPreviewTableViewController *controller) : m_controller(controller) {}
    void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid) override
    {
        if (m_controller)
            m_controller->receiveThumbnail(thumbnail, uuid);
    }

private:
    QPointer<MCPreviewTableViewController> m_controller;
};

// The table with the controller's context menu.
namespace {
class MCPreviewTableView : public MCTableView
{
public:
    MCPreviewTableView(std::function<void(const QPoint &)> showMenu, QWidget *parent)
        : MCTableView(parent), m_showMenu(std::move(showMenu))
    {
    }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override { m_showMenu(event->pos()); }

private:
    std::function<void(const QPoint &)> m_showMenu;
};
} // namespace

// ---------------------------------------------------------------- controller

QList<MCPreviewTableViewController::Column> MCPreviewTableViewController::columnsForNibName(const QString &nibName)
{
    // Column 0 holds the badge and column 1 the thumbnail in the predicting tables.
    if (nibName == QLatin1String("MCConvertOptionsPreviewTableVC"))
        return {{QStringLiteral("Icon"), QString(), 24},
                {QStringLiteral("FileName"), tr("Name"), 300},
                {QStringLiteral("Format"), tr("Format"), 90},
                {QStringLiteral("ImageSize"), tr("Size"), 200},
                {QStringLiteral("Resolution"), tr("Resolution"), 90},
                {QStringLiteral("ColorProfile"), tr("Color Profile"), 260}};
    if (nibName == QLatin1String("MCRenameOptionsTablePreviewVC"))
        return {{QStringLiteral("Icon"), QString(), 24},
                {QStringLiteral("Old"), tr("Original Name"), 260},
                {QStringLiteral("New"), tr("New Name"), 260}};
    if (nibName == QLatin1String("MCEditMetadataPreviewTableVC"))
        return {{QStringLiteral("FileName"), tr("Name"), 220},
                {QStringLiteral("CaptureDate"), tr("Capture Date"), 170},
                {QStringLiteral("Rating"), tr("Rating"), 80},
                {QStringLiteral("Keywords"), tr("Keywords"), 160},
                {QStringLiteral("Copyright"), tr("Copyright"), 140},
                {QStringLiteral("Owner"), tr("Owner"), 110},
                {QStringLiteral("CameraMaker"), tr("Camera Maker"), 110},
                {QStringLiteral("CameraModel"), tr("Camera Model"), 120},
                {QStringLiteral("GPSLatitude"), tr("Latitude"), 130},
                {QStringLiteral("GPSLongutude"), tr("Longitude"), 130}};
    return {};
}

MCPreviewTableViewController::MCPreviewTableViewController(const QString &nibName,
                                                           std::shared_ptr<MCPreviewTableViewModel> viewModel,
                                                           MCPreviewTableDelegate *delegate, QObject *parent)
    : MCViewController(parent), m_viewModel(std::move(viewModel)), m_delegate(delegate),
      m_columns(columnsForNibName(nibName)), m_receiver(std::make_shared<ThumbnailReceiver>(this))
{
    if (!m_viewModel)
        platform::throwNilArgument("initWithNibName:viewModel:delegate:");
    setNibName(nibName);
    MCNotificationCenter::defaultCenter().addObserver(this, kMCPreviewTableViewModelDidRecalculateNotification,
                                                      m_viewModel.get(),
                                                      [this](const MCNotification &) { viewModelDidRecalculate(); });
    m_viewModel->recalculateInfo();
}

MCPreviewTableViewController::~MCPreviewTableViewController()
{
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it)
        MCResourceLoader::sharedInstance().cancelRequestWithID(it.key());
    if (m_menu)
        delete m_menu;
}

MCTableView *MCPreviewTableViewController::previewTableView()
{
    view();
    return m_table;
}

QWidget *MCPreviewTableViewController::loadView()
{
    auto *container = new QWidget;
    container->setObjectName(nibName());
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    m_table = new MCPreviewTableView([this](const QPoint &position) { showContextMenu(position); }, container);
    m_table->setAccessibleName(tr("Photos"));
    m_itemModel = new ItemModel(this, m_table);
    m_table->setModel(m_itemModel);
    m_table->setItemDelegate(new MCGraySelectionTableRowView(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setIconSize(QSize(int(kThumbnailPoints), int(kThumbnailPoints)));
    for (int i = 0; i < m_columns.size(); ++i)
        m_table->setColumnWidth(i, m_columns[i].width);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionDidChange(); });
    layout->addWidget(m_table);
    return container;
}

void MCPreviewTableViewController::viewControllerDidLoad()
{
    updateAppearance();
    // After the table's own answer to a theme change, which resets its background.
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCPreviewTableViewController::updateAppearance);
    setReordering(m_reordering);
}

void MCPreviewTableViewController::setReordering(bool reordering)
{
    m_reordering = reordering;
    if (!m_table)
        return;
    m_table->setDragEnabled(reordering);
    m_table->setAcceptDrops(reordering);
    m_table->viewport()->setAcceptDrops(reordering);
    m_table->setDragDropMode(reordering ? QAbstractItemView::DragDrop : QAbstractItemView::NoDragDrop);
    m_table->setDefaultDropAction(Qt::MoveAction);
    m_table->setDragDropOverwriteMode(false);
    m_table->setDropIndicatorShown(reordering);
}

void MCPreviewTableViewController::updateAppearance()
{
    if (!m_table)
        return;
    QPalette palette = m_table->palette();
    palette.setColor(QPalette::Base, MCColorQuillon::colorWithBrightness(0.3, 1.0));
    palette.setColor(QPalette::Window, MCColorQuillon::colorWithBrightness(0.3, 1.0));
    m_table->setPalette(palette);
    m_table->viewport()->setAutoFillBackground(true);
}

void MCPreviewTableViewController::prepareToClose() { m_viewModel->cancelRecalculation(); }

// ---- rows and selection

MCFileList MCPreviewTableViewController::itemsAtIndexes(const MCIndexSet &indexes) const
{
    const MCFileList &items = m_viewModel->items();
    MCFileList result;
    indexes.forEachIndex([&](qint64 index) {
        if (index >= 0 && index < items.size())
            result.append(items[index]);
    });
    return result;
}

MCIndexSet MCPreviewTableViewController::selectedRowIndexes() const
{
    MCIndexSet rows;
    if (m_table) {
        for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
            rows.addIndex(index.row());
    }
    return rows;
}

MCFileList MCPreviewTableViewController::selectedItems() const { return itemsAtIndexes(selectedRowIndexes()); }

MCIndexSet MCPreviewTableViewController::clickedItemIndexes() const
{
    return MCPreviewTableRules::clickedIndexes(m_clickedRow, selectedRowIndexes());
}

QStringList MCPreviewTableViewController::filePathsAtIndexes(const MCIndexSet &indexes) const
{
    QStringList paths;
    for (const std::shared_ptr<MCFile> &file : itemsAtIndexes(indexes))
        paths.append(file->filePath());
    return paths;
}

QList<QUrl> MCPreviewTableViewController::fileURLsAtIndexes(const MCIndexSet &indexes) const
{
    QList<QUrl> urls;
    for (const QString &path : filePathsAtIndexes(indexes))
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

void MCPreviewTableViewController::selectRows(const MCIndexSet &rows)
{
    if (!m_table)
        return;
    QItemSelection selection;
    const int columns = m_itemModel->columnCount(QModelIndex());
    const int count = m_itemModel->rowCount(QModelIndex());
    rows.forEachIndex([&](qint64 row) {
        if (row < count && columns > 0)
            selection.select(m_itemModel->index(int(row), 0), m_itemModel->index(int(row), columns - 1));
    });
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void MCPreviewTableViewController::selectionDidChange()
{
    if (!m_skipsSelectionUpdate && m_delegate)
        m_delegate->selectionDidChangeInController(this);
}

void MCPreviewTableViewController::reloadData()
{
    if (!m_table)
        return;
    m_skipsSelectionUpdate = true;
    const MCIndexSet selected = selectedRowIndexes();
    m_itemModel->reset();
    if (!selected.isEmpty())
        selectRows(selected);
    m_skipsSelectionUpdate = false;
}

void MCPreviewTableViewController::viewModelDidRecalculate()
{
    reloadData();
    if (m_delegate)
        m_delegate->infoDidChangeInController(this);
}

// ---- cells

QString MCPreviewTableViewController::textForCell(qint64 row, const QString &identifier) const
{
    const MCFileList &items = m_viewModel->items();
    if (row < 0 || row >= items.size())
        return QString();
    return m_viewModel->stringValueForFile(*items[row], identifier);
}

QImage MCPreviewTableViewController::imageForCell(qint64 row, const QString &identifier)
{
    const MCFileList &items = m_viewModel->items();
    if (row < 0 || row >= items.size())
        return QImage();
    const std::shared_ptr<MCFile> &file = items[row];
    if (identifier == m_viewModel->filePreviewColumnIdentifier()) {
        if (hasImageForItem(file.get()))
            return imageForItem(file.get());
        // Asked only for the rows the table draws.
        requestThumbnail(file);
        return emptyPhoto();
    }
    return m_viewModel->imageValueForFile(*file, nullptr, identifier);
}

QString MCPreviewTableViewController::tooltipForCell(qint64 row, const QString &identifier) const
{
    const MCFileList &items = m_viewModel->items();
    if (row < 0 || row >= items.size())
        return QString();
    QString tooltip;
    m_viewModel->imageValueForFile(*items[row], &tooltip, identifier);
    return tooltip;
}

double MCPreviewTableViewController::backingScaleFactor() const
{
    return m_table ? std::max(1.0, m_table->devicePixelRatioF()) : 1.0;
}

void MCPreviewTableViewController::requestThumbnail(const std::shared_ptr<MCFile> &file)
{
    // One request per file at a time, however often its row is drawn meanwhile.
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it) {
        if (it.value() == file)
            return;
    }
    const quint64 pixels = quint64(kThumbnailPoints * backingScaleFactor());
    const QUuid uuid = MCResourceLoader::sharedInstance().requestThumbnail(file->imageDescriptor(), pixels, m_receiver);
    if (!uuid.isNull())
        m_requests.insert(uuid, file);
}

bool MCPreviewTableViewController::hasImageForItem(const MCFile *file) const
{
    return file && m_cache.containsKey(file->fileID());
}

QImage MCPreviewTableViewController::imageForItem(const MCFile *file)
{
    return file ? m_cache.objectForKey(file->fileID()) : QImage();
}

void MCPreviewTableViewController::setImageForItem(const QImage &image, const MCFile *file)
{
    if (!file || image.isNull())
        return;
    // Shown at most 24 points large whatever its pixels.
    QImage scaled = image;
    scaled.setDevicePixelRatio(std::max(1.0, std::max(image.width(), image.height()) / kThumbnailPoints));
    m_cache.setObject(scaled, file->fileID());
}

void MCPreviewTableViewController::receiveThumbnail(const QImage &thumbnail, const QUuid &uuid)
{
    const std::shared_ptr<MCFile> file = m_requests.take(uuid);
    if (!file)
        return;
    setImageForItem(thumbnail.isNull() ? emptyPhoto() : thumbnail, file.get());
    if (!m_table)
        return;
    // Only the rows on screen that still show this very file get the picture.
    const int column = int(std::find_if(m_columns.cbegin(), m_columns.cend(),
                                        [&](const Column &c) {
                                            return c.identifier == m_viewModel->filePreviewColumnIdentifier();
                                        }) -
                           m_columns.cbegin());
    if (column >= m_columns.size())
        return;
    const MCFileList &items = m_viewModel->items();
    const int first = std::max(0, m_table->rowAt(0));
    int last = m_table->rowAt(m_table->viewport()->height() - 1);
    if (last < 0)
        last = int(items.size()) - 1;
    for (int row = first; row <= last && row < items.size(); ++row) {
        if (items[row] == file)
            m_itemModel->cellChanged(row, column);
    }
}

// ---- menu

QMenu *MCPreviewTableViewController::menu()
{
    if (!m_menu) {
        m_menu = new QMenu();
        m_menu->setAccessibleName(tr("Photo"));
        auto tagged = [&](QAction *action, int tag) {
            MCMenuExtensions::setTag(action, tag);
            return action;
        };
        tagged(m_menu->addAction(tr("Open"), this, [this] { openClicked(); }), MenuTagOpen);
        auto *openWith = new QMenu(tr("Open With"), m_menu);
        tagged(m_menu->addMenu(openWith), MenuTagOpenWith);
        tagged(m_menu->addAction(tr("Show in File Manager"), this, [this] { revealClickedInFinder(); }), MenuTagReveal);
        tagged(m_menu->addSeparator(), MenuTagRemoveSeparator);
        tagged(m_menu->addAction(tr("Remove from List"), this, [this] { removeClickedFromList(); }), MenuTagRemove);
    }
    menuNeedsUpdate();
    return m_menu;
}

void MCPreviewTableViewController::menuNeedsUpdate()
{
    if (!m_menu)
        return;
    const bool clicked = m_clickedRow >= 0;
    for (QAction *item : m_menu->actions()) {
        const int tag = MCMenuExtensions::tag(item);
        bool visible = clicked;
        if (tag == MenuTagRemove || tag == MenuTagRemoveSeparator)
            visible = visible && m_canRemove;
        item->setVisible(visible);
        if (tag == MenuTagOpenWith && item->menu()) {
            const QPointer<MCPreviewTableViewController> self(this);
            MCMenuExtensions::buildOpenWithMenuForPaths(item->menu(), filePathsAtIndexes(clickedItemIndexes()),
                                                        [self](const QString &desktopID) {
                                                            if (self)
                                                                self->openClickedWith(desktopID);
                                                        });
        }
    }
}

void MCPreviewTableViewController::showContextMenu(const QPoint &position)
{
    m_clickedRow = m_table ? m_table->rowAt(position.y()) : -1;
    QMenu *contextMenu = menu();
    if (m_clickedRow >= 0)
        contextMenu->exec(m_table->viewport()->mapToGlobal(position));
    m_clickedRow = -1;
}

void MCPreviewTableViewController::openClicked()
{
    const QStringList paths = filePathsAtIndexes(clickedItemIndexes());
    if (!paths.isEmpty())
        MCWorkspace::sharedWorkspace().openFiles(paths);
}

void MCPreviewTableViewController::openClickedWith(const QString &desktopID)
{
    MCWorkspaceExtensions::openFilesWithApplication(filePathsAtIndexes(clickedItemIndexes()), desktopID,
                                                    m_table ? m_table->window() : nullptr);
}

void MCPreviewTableViewController::revealClickedInFinder()
{
    const QStringList paths = filePathsAtIndexes(clickedItemIndexes());
    if (!paths.isEmpty())
        MCWorkspace::sharedWorkspace().activateFileViewerSelectingURLs(paths);
}

void MCPreviewTableViewController::removeClickedFromList()
{
    const MCIndexSet removed = clickedItemIndexes();
    if (removed.isEmpty())
        return;
    m_viewModel->removeItemsAtIndexes(removed);
    if (m_table) {
        m_itemModel->reset();
        const qint64 next = MCPreviewTableRules::rowToSelectAfterRemoving(removed, m_viewModel->items().size());
        if (next >= 0)
            selectRows(MCIndexSet(next));
        else
            m_table->selectionModel()->clearSelection();
    }
    if (m_delegate)
        m_delegate->itemsDidChangeInController(this);
}

// ---- dragging

std::unique_ptr<QMimeData> MCPreviewTableViewController::writeRowsWithIndexes(const MCIndexSet &rows) const
{
    auto data = std::make_unique<QMimeData>();
    QVariantList list;
    for (qint64 row : rows.toList())
        list.append(row);
    data->setData(kMCPhotoTableIndexDragType, MCKeyedArchiver::archivedRootObject(list));
    data->setProperty(kDragOwnerProperty, QVariant::fromValue(quintptr(this)));
    return data;
}

bool MCPreviewTableViewController::canAcceptDrop(const QMimeData *data) const
{
    return m_reordering && data && data->hasFormat(kMCPhotoTableIndexDragType) &&
           data->property(kDragOwnerProperty).value<quintptr>() == quintptr(this);
}

bool MCPreviewTableViewController::acceptDrop(const QMimeData *data, qint64 row)
{
    if (!canAcceptDrop(data))
        return false;
    // Drag data is read strictly: only a list of rows of this table.
    const QVariant archived = MCKeyedUnarchiver::unarchivedRootObject(data->data(kMCPhotoTableIndexDragType));
    const qint64 count = m_viewModel->items().size();
    MCIndexSet source;
    for (const QVariant &value : archived.toList()) {
        bool ok = false;
        const qint64 index = value.toLongLong(&ok);
        if (!ok || index < 0 || index >= count)
            return false;
        source.addIndex(index);
    }
    if (source.isEmpty() || row < 0 || row > count)
        return false;
    const MCIndexSet destination = MCPreviewTableRules::dropDestination(source, row);
    m_viewModel->moveItemsAtIndexes(source, destination);
    if (m_table) {
        m_itemModel->reset();
        selectRows(destination);
    }
    if (m_delegate)
        m_delegate->itemsDidChangeInController(this);
    return true;
}
