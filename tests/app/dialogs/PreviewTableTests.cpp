// The preview table: its rules, selection across reloads, the context menu, removal,
// reordering by drag and thumbnails.
#include <QAbstractButton> // whole, for MCTableView.h
#include "app/dialogs/MCPreviewTableImages.h"
#include "app/dialogs/MCPreviewTableViewController.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/uikit/MCTableView.h"
#include "halvard/ui/MCMenuExtensions.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>

namespace {

// A model of the rename layout that predicts nothing: "Old" is the name, "New" the name in
// capitals, and names beginning with "bad" carry the badge.
class ListModel : public MCPreviewTableViewModel
{
public:
    QString filePreviewColumnIdentifier() const override { return QStringLiteral("Old"); }
    void recalculateInfo() override { ++recalculations; }
    QString stringValueForFile(const MCFile &file, const QString &column) const override
    {
        if (column == QLatin1String("Old"))
            return file.fileName();
        if (column == QLatin1String("New"))
            return file.fileName().toUpper();
        return QString();
    }
    QImage imageValueForFile(const MCFile &file, QString *tooltip, const QString &column) const override
    {
        if (column != QLatin1String("Icon") || !file.fileName().startsWith(QLatin1String("bad")))
            return QImage();
        if (tooltip)
            *tooltip = QStringLiteral("Not unique name");
        return MCPreviewTableImages::imageNamed(QStringLiteral("BadgeMissing"));
    }
    int recalculations = 0;
};

class Recorder : public MCPreviewTableDelegate
{
public:
    void itemsDidChangeInController(MCPreviewTableViewController *) override { ++itemsChanged; }
    void selectionDidChangeInController(MCPreviewTableViewController *) override { ++selectionChanged; }
    void infoDidChangeInController(MCPreviewTableViewController *) override { ++infoChanged; }
    int itemsChanged = 0, selectionChanged = 0, infoChanged = 0;
};

QString names(const MCFileList &files)
{
    QString text;
    for (const auto &file : files)
        text += file->fileName().left(1);
    return text;
}

class PreviewTable : public ::testing::Test
{
protected:
    explicit PreviewTable(int count = 6)
    {
        for (int i = 0; i < count; ++i)
            files << MCFileContainer::newFileWithURL(folder.filePath(QString(QChar('A' + i)) + ".jpg"));
        model->setItems(files);
        controller = std::make_unique<MCPreviewTableViewController>(QStringLiteral("MCRenameOptionsTablePreviewVC"),
                                                                    model, &recorder);
        controller->setReordering(true);
        controller->setCanRemove(true);
        controller->view()->resize(600, 300);
    }

    void select(const MCIndexSet &rows)
    {
        QItemSelection selection;
        auto *itemModel = controller->previewTableView()->model();
        rows.forEachIndex([&](qint64 row) {
            selection.select(itemModel->index(int(row), 0), itemModel->index(int(row), itemModel->columnCount() - 1));
        });
        controller->previewTableView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }

    QTemporaryDir folder;
    MCFileList files;
    std::shared_ptr<ListModel> model = std::make_shared<ListModel>();
    Recorder recorder;
    std::unique_ptr<MCPreviewTableViewController> controller;
};

QList<qint64> list(const MCIndexSet &set) { return set.toList(); }

} // namespace

TEST(PreviewTableRules, ClickedRowsDropDestinationsAndTheRowAfterRemoval)
{
    using namespace MCPreviewTableRules;
    EXPECT_EQ(list(clickedIndexes(3, MCIndexSet{1, 2})), QList<qint64>({3}));
    EXPECT_EQ(list(clickedIndexes(2, MCIndexSet{1, 2})), QList<qint64>({1, 2}));
    EXPECT_EQ(list(clickedIndexes(-1, MCIndexSet{1, 2})), QList<qint64>());
    EXPECT_EQ(list(clickedIndexes(0, MCIndexSet())), QList<qint64>({0}));

    const struct
    {
        MCIndexSet source;
        qint64 drop;
        QList<qint64> destination;
    } drops[] = {
        {{0, 1}, 4, {2, 3}}, {{4, 5}, 0, {0, 1}}, {{1, 4}, 3, {2, 3}}, {{2}, 2, {2}}, {{0}, 6, {5}}, {{}, 3, {}},
    };
    for (const auto &d : drops)
        EXPECT_EQ(list(dropDestination(d.source, d.drop)), d.destination) << d.drop;

    const struct
    {
        MCIndexSet removed;
        qint64 remaining, next;
    } removals[] = {
        {{1}, 4, 1}, {{3, 4}, 3, 2}, {{4}, 4, 3}, {{0, 1, 2}, 0, -1}, {{0}, 4, 0},
    };
    for (const auto &r : removals)
        EXPECT_EQ(rowToSelectAfterRemoving(r.removed, r.remaining), r.next) << r.remaining;
}

TEST_F(PreviewTable, ShowsTheModelAndReloadsKeepingTheSelectionSilently)
{
    EXPECT_EQ(model->recalculations, 1); // asked once when the table was made
    auto *table = controller->previewTableView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->model()->rowCount(), 6);
    EXPECT_EQ(table->model()->columnCount(), 3);
    EXPECT_EQ(table->model()->index(2, 1).data().toString(), "C.jpg");
    EXPECT_EQ(table->model()->index(2, 2).data().toString(), "C.JPG");
    EXPECT_EQ(table->model()->headerData(2, Qt::Horizontal).toString(), "New Name");

    select(MCIndexSet{1, 3});
    EXPECT_EQ(recorder.selectionChanged, 1);
    EXPECT_EQ(names(controller->selectedItems()), "BD");

    model->postRecalculationDidFinish();
    EXPECT_EQ(recorder.infoChanged, 1);
    EXPECT_EQ(recorder.selectionChanged, 1);
    EXPECT_EQ(list(controller->selectedRowIndexes()), QList<qint64>({1, 3}));

    // Fewer rows after a reload: the rows that still exist stay selected.
    model->setItems(files.mid(0, 2));
    controller->reloadData();
    EXPECT_EQ(list(controller->selectedRowIndexes()), QList<qint64>({1}));
    EXPECT_EQ(recorder.selectionChanged, 1);
}

TEST_F(PreviewTable, RightClickActsOnTheClickedRowOrTheSelectionAndBelowTheRowsOnNothing)
{
    select(MCIndexSet{1, 2});
    auto visibleTags = [&] {
        QList<int> tags;
        for (QAction *item : controller->menu()->actions())
            if (item->isVisible())
                tags << MCMenuExtensions::tag(item);
        return tags;
    };
    controller->setClickedRow(3);
    EXPECT_EQ(names(controller->clickedItems()), "D");
    EXPECT_EQ(visibleTags(), QList<int>({200, 202, 201, 101, 100}));
    controller->setClickedRow(2);
    EXPECT_EQ(names(controller->clickedItems()), "BC");
    EXPECT_EQ(controller->filePathsAtIndexes(controller->clickedItemIndexes()),
              QStringList({files[1]->filePath(), files[2]->filePath()}));
    EXPECT_EQ(controller->fileURLsAtIndexes(MCIndexSet(0)), QList<QUrl>({QUrl::fromLocalFile(files[0]->filePath())}));
    controller->setClickedRow(-1);
    EXPECT_TRUE(controller->clickedItems().isEmpty());
    EXPECT_EQ(visibleTags(), QList<int>());
    controller->setCanRemove(false);
    controller->setClickedRow(0);
    EXPECT_EQ(visibleTags(), QList<int>({200, 202, 201}));
    // Nothing clicked: the commands do nothing.
    controller->setClickedRow(-1);
    controller->removeClickedFromList();
    EXPECT_EQ(model->items().size(), 6);
}

TEST_F(PreviewTable, RemovingSelectsTheNextRowTheLastRowOrNone)
{
    controller->setClickedRow(1);
    controller->removeClickedFromList();
    EXPECT_EQ(names(model->items()), "ACDEF");
    EXPECT_EQ(names(controller->selectedItems()), "C");
    EXPECT_EQ(model->recalculations, 2);
    EXPECT_EQ(recorder.itemsChanged, 1);

    select(MCIndexSet{3, 4});
    controller->setClickedRow(4);
    controller->removeClickedFromList();
    EXPECT_EQ(names(model->items()), "ACD");
    EXPECT_EQ(names(controller->selectedItems()), "D");
    EXPECT_EQ(controller->previewTableView()->model()->rowCount(), 3);

    select(MCIndexSet(MCRange{0, 3}));
    controller->setClickedRow(0);
    controller->removeClickedFromList();
    EXPECT_TRUE(model->items().isEmpty());
    EXPECT_TRUE(controller->selectedRowIndexes().isEmpty());
    EXPECT_EQ(controller->previewTableView()->model()->rowCount(), 0);
    EXPECT_EQ(recorder.itemsChanged, 3);
}

TEST_F(PreviewTable, DraggingRowsMovesThemAboveTheDropRowAndSelectsThem)
{
    const std::unique_ptr<QMimeData> data = controller->writeRowsWithIndexes(MCIndexSet{0, 1});
    ASSERT_TRUE(data->hasFormat(kMCPhotoTableIndexDragType));
    ASSERT_TRUE(controller->acceptDrop(data.get(), 4));
    EXPECT_EQ(names(model->items()), "CDABEF");
    EXPECT_EQ(names(controller->allItems()), "CDABEF");
    EXPECT_EQ(list(controller->selectedRowIndexes()), QList<qint64>({2, 3}));
    EXPECT_EQ(recorder.itemsChanged, 1);
    EXPECT_EQ(controller->previewTableView()->model()->index(0, 1).data().toString(), "C.jpg");

    // Through the table: a drop onto row 1 lands above it.
    auto *itemModel = controller->previewTableView()->model();
    const std::unique_ptr<QMimeData> last = controller->writeRowsWithIndexes(MCIndexSet(5));
    ASSERT_TRUE(itemModel->canDropMimeData(last.get(), Qt::MoveAction, -1, -1, itemModel->index(1, 0)));
    ASSERT_TRUE(itemModel->dropMimeData(last.get(), Qt::MoveAction, -1, -1, itemModel->index(1, 0)));
    EXPECT_EQ(names(model->items()), "CFDABE");

    // Refused: no drag data, another table's rows, rows that do not exist.
    QMimeData plain;
    plain.setText(QStringLiteral("1"));
    EXPECT_FALSE(controller->acceptDrop(&plain, 2));
    EXPECT_FALSE(itemModel->canDropMimeData(&plain, Qt::MoveAction, 2, 0, QModelIndex()));
    MCPreviewTableViewController other(QStringLiteral("MCRenameOptionsTablePreviewVC"), model, nullptr);
    other.setReordering(true);
    EXPECT_FALSE(controller->acceptDrop(other.writeRowsWithIndexes(MCIndexSet(0)).get(), 2));
    EXPECT_FALSE(controller->acceptDrop(controller->writeRowsWithIndexes(MCIndexSet(9)).get(), 2));
    EXPECT_EQ(names(model->items()), "CFDABE");
    EXPECT_EQ(recorder.itemsChanged, 2);

    // A table that does not reorder takes no drop.
    controller->setReordering(false);
    EXPECT_FALSE(controller->acceptDrop(controller->writeRowsWithIndexes(MCIndexSet(0)).get(), 2));
}

TEST_F(PreviewTable, AFailedThumbnailIsCachedAsTheEmptyPhotoAndALateOneStillCached)
{
    auto *table = controller->previewTableView();
    // Drawing a row asks for its thumbnail; the files do not exist, so each load fails.
    EXPECT_EQ(table->model()->index(0, 1).data(Qt::DecorationRole).value<QImage>(),
              MCPreviewTableImages::imageNamed(QStringLiteral("EmptyPhotoLandscapeSmall")));
    EXPECT_EQ(controller->pendingThumbnailRequestCount(), 1);
    table->model()->index(0, 1).data(Qt::DecorationRole); // drawn again: no second request
    EXPECT_EQ(controller->pendingThumbnailRequestCount(), 1);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return controller->hasImageForItem(files[0].get()); }));
    EXPECT_EQ(controller->imageForItem(files[0].get()),
              MCPreviewTableImages::imageNamed(QStringLiteral("EmptyPhotoLandscapeSmall")));

    // A row removed before its thumbnail arrives: the picture is kept for the file all the same.
    table->model()->index(5, 1).data(Qt::DecorationRole);
    controller->setClickedRow(5);
    controller->removeClickedFromList();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return controller->hasImageForItem(files[5].get()); }));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return controller->pendingThumbnailRequestCount() == 0; }));

    // An answer nobody asked for is ignored.
    controller->receiveThumbnail(QImage(4, 4, QImage::Format_RGB32), QUuid::createUuid());
    EXPECT_FALSE(controller->hasImageForItem(files[3].get()));
    EXPECT_EQ(table->model()->index(0, 1).data(Qt::DecorationRole).value<QImage>(),
              controller->imageForItem(files[0].get()));
}

TEST_F(PreviewTable, DrawsBadgesWithTheirTooltipsInTheIconColumn)
{
    model->setItems({MCFileContainer::newFileWithURL(folder.filePath("good.jpg")),
                     MCFileContainer::newFileWithURL(folder.filePath("bad.jpg"))});
    controller->reloadData();
    auto *table = controller->previewTableView();
    EXPECT_EQ(table->model()->index(1, 0).data(Qt::ToolTipRole).toString(), "Not unique name");
    EXPECT_FALSE(table->model()->index(0, 0).data(Qt::ToolTipRole).isValid());
    controller->view()->show();
    QApplication::processEvents();
    const QImage picture = table->viewport()->grab().toImage();
    // Look for the badge's red in the first column of each row.
    auto hasRed = [&](int row) {
        const QRect cell = table->visualRect(table->model()->index(row, 0));
        const double ratio = picture.devicePixelRatio();
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = picture.pixelColor(int(x * ratio), int(y * ratio));
                if (c.red() > 170 && c.green() < 90 && c.blue() < 90)
                    return true;
            }
        return false;
    };
    EXPECT_FALSE(hasRed(0));
    EXPECT_TRUE(hasRed(1));
}
