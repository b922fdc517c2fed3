// The grid's controller: the status line, the thumbnail size, the sort orders (tables), then
// the controller over groups of library files: counts, selection, sorting by the defaults,
// the filter hook, the scale and drops of local files only.
#include "app/browser/MCBrowserItemCell.h"
#include "app/browser/MCBrowserViewController.h"
#include "app/browser/MCPathControl.h"
#include "app/library/MCFile.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCWorkspace.h"

#include <QClipboard>
#include <QLineEdit>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include "platform/imageio/MCImageProperties.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

namespace {

using Item = MCSmartGroup::Item;

TEST(BrowserControllerTexts, statusLineAndThumbnailSize)
{
    struct Case {
        qint64 n, s;
        const char *text;
    };
    const Case cases[] = {
        {0, 0, "No photos"}, {0, 3, "No photos"},       {1, 0, "1 photo"},
        {1, 1, "1 of 1 selected"}, {7, 2, "2 of 7 selected"}, {7, 0, "7 photos"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCNumberOfPhotosText(c.n, c.s), QString::fromLatin1(c.text)) << c.n << "/" << c.s;

    EXPECT_EQ(MCThumbnailPixelSize(0.5, 2.0), 512u);
    EXPECT_EQ(MCThumbnailPixelSize(1.0, 2.0), 1024u);
    EXPECT_EQ(MCThumbnailPixelSize(0.33, 1.0), 168u); // 168.96 truncated
    EXPECT_EQ(MCThumbnailPixelSize(-1.0, 1.0), 0u);
}

Item photo(quint64 id, const QString &name, int width, int height, quint64 bytes = 0)
{
    Item file = MCFile::fileWithID(id);
    file->setFileName(name);
    file->setFilePath("/photos/" + name);
    file->fileInfo().reloadAllPropertiesFromImageInfo(
        {{kCGImagePropertyPixelWidth, width}, {kCGImagePropertyPixelHeight, height}});
    Q_UNUSED(bytes);
    return file;
}

QList<quint64> sortedIDs(QList<Item> items, qint64 kind, qint64 direction)
{
    const MCSmartGroup::SortDescriptors descriptors = MCBrowserSortDescriptors(kind, direction);
    std::stable_sort(items.begin(), items.end(), [&](const Item &a, const Item &b) {
        for (const auto &descriptor : descriptors) {
            const MCComparisonResult r = descriptor.compareObject(a, b);
            if (r != MCOrderedSame)
                return r == MCOrderedAscending;
        }
        return false;
    });
    QList<quint64> ids;
    for (const Item &item : items)
        ids.append(item->fileID());
    return ids;
}

TEST(BrowserControllerSort, kindsDirectionsAndTheIDTieBreak)
{
    const QList<Item> items = {
        photo(5, "b.jpg", 4000, 3500), photo(2, "a.jpg", 4000, 3000), photo(9, "c.jpg", 3000, 5000),
        photo(1, "d.jpg", 4000, 3000), photo(7, "B.jpg", 6000, 4000),
    };
    struct Case {
        qint64 kind, direction;
        QList<quint64> ids;
    };
    const Case cases[] = {
        {0, 100, {1, 2, 5, 7, 9}},  // the ID alone
        {0, 101, {9, 7, 5, 2, 1}},
        {4, 100, {9, 1, 2, 5, 7}},  // narrower first, then shorter; equal sizes by ID
        {4, 101, {7, 5, 2, 1, 9}},  // both the size and the tie-break reversed
        {4, 55, {7, 5, 2, 1, 9}},   // any direction but 100 is descending
        {7, 100, {1, 2, 5, 7, 9}},  // unknown kind: the ID alone (and a log line)
        {-1, 100, {1, 2, 5, 7, 9}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sortedIDs(items, c.kind, c.direction), c.ids) << "kind " << c.kind << " direction " << c.direction;
    EXPECT_EQ(MCBrowserSortDescriptors(0, 100).size(), 1);
    EXPECT_EQ(MCBrowserSortDescriptors(3, 100).size(), 2);
    EXPECT_EQ(MCBrowserSortDescriptors(9, 100).size(), 1);
    // By name, as the string comparison orders names ("B" before "a"), ties by ID.
    EXPECT_EQ(sortedIDs(items, 1, 100), QList<quint64>({7, 2, 5, 9, 1}));
}

// The date, size and pixel-size orders are sorted by numbers read once per photo; the order
// must be the one of the exact comparison, also for local times on the days the clocks change.
TEST(BrowserControllerSort, datesSortByTheirMomentAlsoOnDaysTheClocksChange)
{
    const QByteArray savedZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const char *const dates[] = {
        "2023:10:29 02:30:00", // the hour that comes twice
        "2023:03:26 03:30:00", // just after the clocks went forward
        "2023:10:29 01:30:00",
        nullptr,               // no date at all: first
        "2023:03:26 01:30:00",
        "2023:10:29 03:30:00",
        "2023:06:01 12:00:00",
        "2023:10:28 23:59:59",
    };
    QList<Item> items;
    quint64 id = 1;
    for (const char *date : dates) {
        Item file = MCFile::fileWithID(id++);
        if (date)
            file->fileInfo().reloadAllPropertiesFromImageInfo(
                {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, date}}}});
        file->reloadCaptureDate();
        items.append(file);
    }
    // The exact order: milliseconds since the epoch, no date first, then by ID.
    QList<Item> exact = items;
    const auto moment = [](const Item &item) {
        const std::optional<QDateTime> date = item->browserItemDate();
        return date ? date->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    };
    std::stable_sort(exact.begin(), exact.end(), [&](const Item &a, const Item &b) { return moment(a) < moment(b); });
    QList<quint64> expected;
    for (const Item &item : exact)
        expected.append(item->fileID());
    ASSERT_EQ(expected.first(), 4u);

    auto group = std::make_shared<MCGroup>();
    group->setItems(items);
    for (const qint64 direction : {100, 101}) {
        MCSmartGroup smart(group, nullptr,
                           std::make_shared<const MCSmartGroup::SortDescriptors>(MCBrowserSortDescriptors(3, direction)));
        QList<quint64> ids;
        for (const Item &item : smart.items())
            ids.append(item->fileID());
        EXPECT_EQ(ids, expected) << "direction " << direction;
        // The comparator that places single files agrees.
        EXPECT_EQ(sortedIDs(items, 3, direction), expected);
        std::reverse(expected.begin(), expected.end());
    }
    savedZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedZone);
    tzset();
}

TEST(BrowserControllerDrops, onlyLocalFilesAreTaken)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/photos/a.jpg"), QUrl("https://example.invalid/b.jpg"),
                  QUrl::fromLocalFile("/photos/folder")});
    EXPECT_EQ(MCLocalFilePathsFromMimeData(&data), QStringList({"/photos/a.jpg", "/photos/folder"}));
    QMimeData web;
    web.setUrls({QUrl("https://example.invalid/b.jpg")});
    EXPECT_TRUE(MCLocalFilePathsFromMimeData(&web).isEmpty());
    EXPECT_TRUE(MCLocalFilePathsFromMimeData(nullptr).isEmpty());
}

class Parent : public MCBrowserViewParentController
{
public:
    double defaultZoomValue() override { return 0.5; }
    void zoomDidChangeTo(double scale) override { zooms.append(scale); }
    bool cancelAdditingForController(MCBrowserViewController *) override
    {
        ++cancels;
        return true;
    }
    bool asyncAddFilesWithFolderURLs(const QStringList &paths, MCBrowserViewController *) override
    {
        added.append(paths);
        return true;
    }
    void updateControlsForController(MCBrowserViewController *) override { ++updates; }
    QList<double> zooms;
    QList<QStringList> added;
    int updates = 0;
    int cancels = 0;
};

class BrowserController : public testing::Test
{
protected:
    void SetUp() override
    {
        MCUserDefaults::standardUserDefaults().setInteger(4, kMCSortKindKey);
        MCUserDefaults::standardUserDefaults().setInteger(100, kMCSortDirectionKey);
        controller.setParentController(&parent);
        controller.setDevicePixelRatio(2.0);
        controller.view()->resize(800, 600);
    }
    void TearDown() override
    {
        MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCSortKindKey);
        MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCSortDirectionKey);
        MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCPathBarIsHiddenKey);
    }
    static std::shared_ptr<MCGroup> group(const QString &title, const QList<Item> &items)
    {
        auto group = std::make_shared<MCGroup>();
        group->setTitle(title);
        group->setItems(items);
        return group;
    }
    QList<quint64> idsInGroup(qint64 index) const
    {
        QList<quint64> ids;
        for (const Item &item : controller.filteredGroups().at(index)->items())
            ids.append(item->fileID());
        return ids;
    }

    Parent parent;
    MCBrowserViewController controller;
};

TEST_F(BrowserController, showsTheGroupsSortedAndCountsTheSelection)
{
    EXPECT_EQ(controller.numberOfPhotosLabel()->text(), "No photos");
    EXPECT_EQ(controller.imageBrowserCache()->thumbnailSize(), 512u); // 512 × 0.5 × 2

    controller.setGroups({group("Wide", {photo(3, "c.jpg", 6000, 4000), photo(1, "a.jpg", 4000, 3000)}),
                          group("Tall", {photo(4, "d.jpg", 3000, 4000), photo(2, "b.jpg", 3000, 4000),
                                         photo(5, "e.jpg", 2000, 3000)})});
    EXPECT_EQ(controller.numberOfItems(), 5);
    EXPECT_EQ(controller.numberOfPhotosLabel()->text(), "5 photos");
    EXPECT_EQ(idsInGroup(0), QList<quint64>({1, 3}));
    EXPECT_EQ(idsInGroup(1), QList<quint64>({5, 2, 4})); // equal sizes by ID
    EXPECT_EQ(controller.groups().at(1)->title(), "Tall");

    // The cells are filled from the files, the headers from the groups.
    MCBrowserView *grid = controller.browserView();
    auto *cell = static_cast<MCBrowserItemCell *>(grid->preparedItemCellAtIndexPath(MCIndexPath({1, 2})));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->title(), "d.jpg");
    EXPECT_TRUE(cell->image().isNull()); // nothing loaded yet: never a load from here
    auto *header = static_cast<MCBrowserHeaderCell *>(grid->preparedHeaderCellAtIndex(1));
    EXPECT_EQ(header->title(), "Tall");

    // Two selected in different folders... here one folder: the path bar shows it.
    grid->setSelectionIndexes(MCIndexSet{0, 3}, false);
    EXPECT_EQ(controller.numberOfPhotosLabel()->text(), "2 of 5 selected");
    EXPECT_EQ(controller.selectedPaths(), QStringList({"/photos/a.jpg", "/photos/b.jpg"}));
    EXPECT_EQ(controller.pathControl()->URL(), "/photos");
    EXPECT_GT(parent.updates, 0);

    // Descending by the direction item: the kind stays, both orders turn round.
    controller.sortDidChange(101);
    EXPECT_EQ(MCUserDefaults::standardUserDefaults().integerForKey(kMCSortKindKey), 4);
    EXPECT_EQ(idsInGroup(1), QList<quint64>({4, 2, 5}));
    controller.sortDidChange(0);
    EXPECT_EQ(idsInGroup(1), QList<quint64>({5, 4, 2}));
}

TEST_F(BrowserController, filterHookScaleAndDrops)
{
    controller.setGroups({group("All", {photo(1, "a.jpg", 4000, 3000), photo(2, "b.jpg", 300, 200)})});
    EXPECT_FALSE(controller.noPhotosBrowserLabel()->isVisibleTo(controller.view()));

    // The filter panel's predicate: applied at once; nothing matching shows the label.
    controller.setFilterPredicate(std::make_shared<MCSmartGroup::Predicate>(
        [](const Item &item) { return item->browserItemImageSize().width() > 1000; }));
    EXPECT_EQ(controller.numberOfItems(), 1);
    EXPECT_EQ(controller.numberOfPhotosLabel()->text(), "1 photo");
    controller.setFilterPredicate(std::make_shared<MCSmartGroup::Predicate>([](const Item &) { return false; }));
    EXPECT_EQ(controller.numberOfItems(), 0);
    EXPECT_TRUE(controller.noPhotosBrowserLabel()->isVisibleTo(controller.view()));
    controller.setFilterPredicate(nullptr);
    EXPECT_EQ(controller.numberOfItems(), 2);
    EXPECT_FALSE(controller.noPhotosBrowserLabel()->isVisibleTo(controller.view()));

    // A scale change reaches the owner and the cache's size (0.5 → 1.0 at 2×: 512 → 1024).
    controller.setZoomValue(1.0);
    EXPECT_EQ(parent.zooms.last(), 1.0);
    EXPECT_EQ(controller.imageBrowserCache()->thumbnailSize(), 1024u);

    // Drops: local files go to the owner; web links are refused.
    MCBrowserView *grid = controller.browserView();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/new/x.jpg"), QUrl("https://example.invalid/y.jpg")});
    EXPECT_EQ(controller.browserViewValidateDrop(grid, &files, Qt::CopyAction), Qt::CopyAction);
    EXPECT_TRUE(controller.browserViewAcceptDrop(grid, &files, Qt::CopyAction));
    ASSERT_EQ(parent.added.size(), 1);
    EXPECT_EQ(parent.added[0], QStringList({"/new/x.jpg"}));
    QMimeData web;
    web.setUrls({QUrl("https://example.invalid/y.jpg")});
    EXPECT_EQ(controller.browserViewValidateDrop(grid, &web, Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_FALSE(controller.browserViewAcceptDrop(grid, &web, Qt::CopyAction));
    EXPECT_EQ(parent.added.size(), 1);

    // Copy writes the files' URLs (the narrower photo sorts first).
    QMimeData copied;
    EXPECT_TRUE(controller.browserViewWriteItemsToPasteboard(grid, QList<MCIndexPath>{MCIndexPath({0, 0})}, &copied));
    EXPECT_EQ(copied.urls(), QList<QUrl>({QUrl::fromLocalFile("/photos/b.jpg")}));

    // The path bar follows "PathBarIsHidden" as soon as it changes.
    MCUserDefaults::standardUserDefaults().setBool(true, kMCPathBarIsHiddenKey);
    EXPECT_TRUE(controller.pathBarView()->isHidden());
    MCUserDefaults::standardUserDefaults().setBool(false, kMCPathBarIsHiddenKey);
    EXPECT_FALSE(controller.pathBarView()->isHidden());
}

Item located(quint64 id, const QString &name, QVariant latitude, const char *latitudeRef, QVariant longitude,
             const char *longitudeRef)
{
    Item file = photo(id, name, 4000, 3000);
    QVariantMap gps;
    if (latitude.isValid())
        gps.insert(kCGImagePropertyGPSLatitude, latitude);
    gps.insert(kCGImagePropertyGPSLatitudeRef, latitudeRef);
    if (longitude.isValid())
        gps.insert(kCGImagePropertyGPSLongitude, longitude);
    gps.insert(kCGImagePropertyGPSLongitudeRef, longitudeRef);
    file->fileInfo().reloadAllPropertiesFromImageInfo({{kCGImagePropertyGPSDictionary, gps}});
    return file;
}

TEST(BrowserControllerGPS, copiedTextAndPositionAreSignedByTheirReferences)
{
    QVariantMap position;
    const Item paris = located(1, "south.jpg", 48.85, "s", 2.35, "E");
    const QStringList lines = MCGPSLocationText(*paris, &position).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "=== south.jpg ====");
    EXPECT_TRUE(lines[1].startsWith("GPS Latitude: ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("(-48.8500000000)")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("(2.3500000000)")) << lines[2].toStdString();
    EXPECT_DOUBLE_EQ(position.value("Latitude").toDouble(), -48.85);
    EXPECT_DOUBLE_EQ(position.value("Longitude").toDouble(), 2.35);

    position.clear();
    const Item half = located(2, "half.jpg", 10.5, "N", QVariant(), "W");
    EXPECT_EQ(MCGPSLocationText(*half, &position).count('\n'), 2);
    EXPECT_EQ(position.keys(), QStringList({"Latitude"}));
    EXPECT_DOUBLE_EQ(MCSignedGPSLongitude(*located(3, "w.jpg", 1.0, "N", 7.25, "w")), -7.25);
}

class RecordingWorkspace : public MCWorkspace
{
public:
    using MCWorkspace::MCWorkspace;
    QList<QUrl> opened;

protected:
    bool openURL(const QUrl &url) override
    {
        opened << url;
        return true;
    }
};

TEST_F(BrowserController, commandsActOnTheSelection)
{
    RecordingWorkspace workspace;
    MCWorkspace::setSharedWorkspace(&workspace);
    controller.setGroups({group("All", {located(1, "a.jpg", 48.85, "N", 2.35, "E"),
                                        located(2, "b.jpg", 40.0, "N", 3.0, "W"), photo(3, "c.jpg", 4000, 3000)})});
    MCBrowserView *grid = controller.browserView();

    // Nothing selected: no command does anything, a right-click shows no menu.
    controller.open();
    controller.browserViewCellWasRightClicked(grid, MCIndexPath({0, 0}), QPoint(10, 10));
    EXPECT_FALSE(controller.browserViewContextMenu()->isVisible());
    EXPECT_FALSE(controller.canUseGPSLocation());

    grid->setSelectionIndexes(MCIndexSet{0}, false);
    EXPECT_TRUE(controller.canUseGPSLocation());
    controller.browserViewCellWasDoubleClicked(grid, MCIndexPath({0, 0}));
    ASSERT_EQ(workspace.opened.size(), 1);
    EXPECT_EQ(workspace.opened[0], QUrl::fromLocalFile("/photos/a.jpg"));

    controller.copyGPSLocation();
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->text().startsWith("=== a.jpg ===="));
    const QVariantMap position =
        platform::propertyListFromData(copied->data(kMCGPSPasteboardType)).toMap();
    EXPECT_DOUBLE_EQ(position.value("Latitude").toDouble(), 48.85);

    // Two selected, both with positions: the GPS commands are off.
    grid->setSelectionIndexes(MCIndexSet{0, 1}, false);
    EXPECT_FALSE(controller.canUseGPSLocation());
    controller.updateContextMenu();
    EXPECT_FALSE(controller.browserViewContextMenu()->actions().last()->isEnabled());
    EXPECT_TRUE(controller.browserViewContextMenu()->actions().first()->isEnabled());
    MCWorkspace::setSharedWorkspace(nullptr);
}

} // namespace

namespace {

TEST_F(BrowserController, sortPopupShowsTheKindAndProgressTakesItsPlace)
{
    MCDarkPopupCell *popup = controller.sortPopup();
    EXPECT_EQ(popup->title(), "Pixel Size"); // kind 4
    EXPECT_EQ(popup->accessibleName(), "Sort by");
    EXPECT_NE(popup->focusPolicy() & Qt::TabFocus, 0);
    auto checked = [&] {
        QList<qint64> tags;
        for (int i = 0; i < popup->count(); ++i)
            if (popup->itemData(i, kMCSortItemCheckedRole).toBool())
                tags.append(popup->itemData(i).toLongLong());
        return tags;
    };
    EXPECT_EQ(checked(), QList<qint64>({4, 100}));
    // Choosing a direction keeps the kind on the button and moves the direction's mark.
    const int descending = popup->findData(qint64(101));
    ASSERT_GE(descending, 0);
    popup->setCurrentIndex(descending); // as the list does before it reports the choice
    emit popup->activated(descending);
    EXPECT_EQ(popup->title(), "Pixel Size");
    EXPECT_EQ(checked(), QList<qint64>({4, 101}));
    EXPECT_EQ(MCUserDefaults::standardUserDefaults().integerForKey(kMCSortDirectionKey), 101);
    controller.sortDidChange(1);
    EXPECT_EQ(popup->title(), "Name");
    EXPECT_EQ(checked(), QList<qint64>({1, 101}));

    controller.view()->show();
    controller.showLoadingProgress(false);
    EXPECT_TRUE(controller.loadingProgress()->isVisible());
    EXPECT_FALSE(popup->isVisible());
    controller.updateProgressWithValue(0.25);
    EXPECT_EQ(controller.loadingProgress()->value(), 250);
    controller.loadingCancelButton()->click();
    EXPECT_EQ(parent.cancels, 1);
    controller.hideLoadingProgress();
    EXPECT_FALSE(controller.loadingProgress()->isVisible());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(controller.sortLabel()->isVisible());
}

} // namespace

namespace {

// "Image Width is greater than `width`".
void chooseWiderThan(MCPredicateEditorRow *row, int width)
{
    auto *left = row->leftPopUp();
    left->setCurrentIndex(left->findText(QStringLiteral("Image Width")));
    auto *op = row->operatorPopUp();
    op->setCurrentIndex(op->findData(unsigned(MCGreaterThanPredicateOperatorType)));
    auto *value = qobject_cast<QLineEdit *>(row->valueView());
    ASSERT_NE(value, nullptr);
    value->setText(QString::number(width));
}

} // namespace

TEST_F(BrowserController, filterPanelFiltersWhileShownAndClosesWithItsLastRow)
{
    const QList<Item> items = {photo(1, "a.jpg", 4000, 3000), photo(2, "b.jpg", 300, 200)};
    controller.setGroups({group("All", items)});
    EXPECT_EQ(controller.searchPanelController(), nullptr);

    // First shown with one row; an empty row lets everything through.
    controller.toggleFilterPanel();
    MCSearchPanelController *panel = controller.searchPanelController();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->predicateEditor()->numberOfRows(), 1);
    EXPECT_TRUE(panel->view()->isVisibleTo(controller.view()));
    EXPECT_EQ(controller.numberOfItems(), 2);

    // Wider than 1000 pixels: one photo left.
    chooseWiderThan(panel->predicateEditor()->rowAtIndex(0), 1000);
    EXPECT_TRUE(controller.isFilterActive());
    EXPECT_EQ(controller.numberOfItems(), 1);
    EXPECT_EQ(controller.numberOfPhotosLabel()->text(), "1 photo");

    // Hidden, it filters nothing but keeps its rows for the next showing.
    controller.toggleFilterPanel();
    EXPECT_FALSE(controller.isFilterActive());
    EXPECT_EQ(controller.numberOfItems(), 2);
    controller.toggleFilterPanel();
    EXPECT_EQ(controller.searchPanelController(), panel);
    EXPECT_EQ(controller.numberOfItems(), 1);

    // Removing the last row closes it: no panel, no filter; the next showing starts afresh.
    panel->predicateEditor()->removeRow(panel->predicateEditor()->rowAtIndex(0));
    panel->predicateEditorChanged();
    EXPECT_EQ(controller.searchPanelController(), nullptr);
    EXPECT_FALSE(controller.isFilterActive());
    EXPECT_EQ(controller.numberOfItems(), 2);
    QCoreApplication::processEvents();
    controller.toggleFilterPanel();
    ASSERT_NE(controller.searchPanelController(), nullptr);
    EXPECT_EQ(controller.searchPanelController()->predicateEditor()->numberOfRows(), 1);
}
