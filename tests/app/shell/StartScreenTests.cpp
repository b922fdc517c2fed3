#include "app/shell/MCStartViewController.h"

#include "app/library/MCResourceManager.h"
#include "app/shell/MCImportSupport.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCOverlayDroppableView.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/ui/MCNavigationController.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/app/shell/ShellTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

void makeEveryTypeAvailable()
{
    for (const auto &type : MCResourceManager::availableFileTypes())
        type->setIsAvailable(true);
}

struct StartScreenFixture : ::testing::Test {
    QString folder = testsupport::makeTemporaryFolder(QStringLiteral("defaults"));
    MCUserDefaults defaults{folder + QStringLiteral("/Preferences.plist")};
    void SetUp() override
    {
        defaults.registerDefaults(MCRegisteredDefaults::registeredDefaults());
        makeEveryTypeAvailable();
        shelltest::emptyLibrary();
    }
    void TearDown() override { shelltest::emptyLibrary(); }
};

} // namespace

TEST(MCOverlayDroppableView, FillsByState)
{
    EXPECT_EQ(MCOverlayDroppableViewFillColor(true, true), MCColorQuillon::colorWithBrightness(0.3, 1.0));
    EXPECT_EQ(MCOverlayDroppableViewFillColor(true, false), MCColorQuillon::colorWithBrightness(0.2, 1.0));
    EXPECT_EQ(MCOverlayDroppableViewFillColor(false, true), MCColorQuillon::colorWithWhite(0.0, 0.67));
    EXPECT_FALSE(MCOverlayDroppableViewFillColor(false, false).isValid());
}

// The highlight shows only while the delegate accepts the drag, and goes when it leaves or drops.
TEST(MCOverlayDroppableView, HighlightsOnlyForAnAcceptedDrag)
{
    struct Delegate : MCOverlayDroppableViewDelegate {
        Qt::DropAction answer = Qt::IgnoreAction;
        int drops = 0;
        QStringList draggedTypesForOverlayView(MCOverlayDroppableView *) override { return {"text/uri-list"}; }
        Qt::DropAction overlayViewDraggingEntered(MCOverlayDroppableView *, const QMimeData *) override { return answer; }
        bool overlayViewPerformDragOperation(MCOverlayDroppableView *, const QMimeData *) override { return ++drops, true; }
    } delegate;
    MCOverlayDroppableView view;
    EXPECT_FALSE(view.acceptDrops());
    view.setDelegate(&delegate);
    EXPECT_TRUE(view.acceptDrops());
    EXPECT_EQ(view.registeredDraggedTypes(), QStringList{"text/uri-list"});

    QMimeData data;
    EXPECT_EQ(view.draggingEntered(&data), Qt::IgnoreAction);
    EXPECT_FALSE(view.isHighlighted());
    delegate.answer = Qt::CopyAction;
    EXPECT_EQ(view.draggingEntered(&data), Qt::CopyAction);
    EXPECT_TRUE(view.isHighlighted());
    view.draggingExited();
    EXPECT_FALSE(view.isHighlighted());
    view.draggingEntered(&data);
    EXPECT_TRUE(view.performDragOperation(&data));
    EXPECT_FALSE(view.isHighlighted());
    EXPECT_EQ(delegate.drops, 1);

    view.setDelegate(nullptr);
    EXPECT_FALSE(view.acceptDrops());
    EXPECT_FALSE(view.performDragOperation(&data));
}

TEST(MCImportSupport, DroppedLinksAreResolvedAndForeignItemsSkipped)
{
    const QString photos = shelltest::folderWithPhotos(1);
    const QString links = testsupport::makeTemporaryFolder(QStringLiteral("links"));
    const QString link = links + QStringLiteral("/to-photos");
    ASSERT_TRUE(QFile::link(photos, link));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(link), QUrl(QStringLiteral("https://example.org/a.jpg")),
                  QUrl::fromLocalFile(links + QStringLiteral("/missing.jpg"))});
    EXPECT_EQ(MCImportSupport::pathsFromDrop(&data), QStringList{QFileInfo(photos).canonicalFilePath()});
    QMimeData text;
    text.setText(QStringLiteral("/tmp"));
    EXPECT_TRUE(MCImportSupport::pathsFromDrop(&text).isEmpty());
}

TEST(MCImportSupport, OpenPanelStartsInTheLastFolderWhileItExists)
{
    MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    const QString last = testsupport::makeTemporaryFolder(QStringLiteral("last"));
    defaults.setObject(last, kMCLastFolderImportedKey);
    EXPECT_EQ(MCImportSupport::startFolderForOpenPanel(), last);
    // Gone: the Pictures folder, or the home folder while there is none.
    QDir(last).removeRecursively();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const bool hadPictures = QFileInfo(pictures).isDir();
    ASSERT_TRUE(QDir().mkpath(pictures));
    EXPECT_EQ(MCImportSupport::startFolderForOpenPanel(), pictures);
    EXPECT_EQ(MCImportSupport::addPhotosPanelRequest().directory, pictures);
    if (!hadPictures) {
        QDir(pictures).removeRecursively();
        EXPECT_EQ(MCImportSupport::startFolderForOpenPanel(), QDir::homePath());
    }
    defaults.removeObjectForKey(kMCLastFolderImportedKey);
}

TEST_F(StartScreenFixture, DropOfAFolderShowsThePhotoListWithItsPhotos)
{
    shelltest::ScopedRecordingPhotoList photoLists;
    MCMainWindowController controller(defaults);
    controller.showWindow();
    MCStartViewController *start = controller.startViewController();
    const QString photos = shelltest::folderWithPhotos(3);
    std::unique_ptr<QMimeData> data(shelltest::dropOf({photos}));
    EXPECT_EQ(start->overlayDroppableView()->draggingEntered(data.get()), Qt::CopyAction);
    EXPECT_TRUE(start->overlayDroppableView()->performDragOperation(data.get()));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return photoLists.last() != nullptr; }));
    controller.navigationController()->finishTransition();
    EXPECT_EQ(controller.topViewController(), photoLists.last());
    ASSERT_EQ(photoLists.last()->updates.size(), 1);
    EXPECT_EQ(photoLists.last()->updates[0].size(), 3);
    EXPECT_TRUE(start->overlayProgress()->isHidden());
    EXPECT_TRUE(start->overlayCancelButton()->isHidden());
}

TEST_F(StartScreenFixture, AnImportWithoutPhotosSaysSoAndStays)
{
    shelltest::ScopedRecordingPhotoList photoLists;
    MCMainWindowController controller(defaults);
    controller.showWindow();
    MCStartViewController *start = controller.startViewController();
    const QString empty = testsupport::makeTemporaryFolder(QStringLiteral("empty"));
    QFile text(empty + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no photo");
    text.close();
    EXPECT_FALSE(start->importItemsAtURLs({}));
    EXPECT_TRUE(start->importItemsAtURLs({empty}));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !start->isImporting(); }));
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(start->overlayWelcomeLabel()->text(), "no photos were found, try to add other photos or folders");
    EXPECT_EQ(controller.topViewController(), start);
    EXPECT_EQ(photoLists.last(), nullptr);
}

// The add command runs the open panel through the prompt layer; OK imports and remembers the
// folder, Cancel does nothing.
TEST_F(StartScreenFixture, OpenPanelImportsWhatWasChosen)
{
    shelltest::ScopedRecordingPhotoList photoLists;
    MCMainWindowController controller(defaults);
    controller.showWindow();
    const QString photos = shelltest::folderWithPhotos(2);
    QList<MCOpenPanelRequest> asked;
    MCOpenPanelAnswer answer{false, {}, {}};
    MCScopedOpenPanelResponder responder([&](const MCOpenPanelRequest &request) {
        asked.append(request);
        return answer;
    });
    controller.addPhotosToList();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].canChooseFiles);
    EXPECT_TRUE(asked[0].canChooseDirectories);
    EXPECT_TRUE(asked[0].allowsMultipleSelection);
    EXPECT_TRUE(asked[0].allowedFileTypes.contains(QStringLiteral("public.jpeg")));
    EXPECT_EQ(QSet<QString>(asked[0].allowedFileTypes.cbegin(), asked[0].allowedFileTypes.cend()),
              MCUTType::allowedTypeIdentifiers());
    EXPECT_FALSE(controller.startViewController()->isImporting());

    answer = MCOpenPanelAnswer{true, {photos + "/IMG_1000.jpg", photos + "/IMG_1001.jpg"}, {}};
    controller.startViewController()->addButton()->click();
    ASSERT_EQ(asked.size(), 2);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return photoLists.last() != nullptr; }));
    EXPECT_EQ(photoLists.last()->updates.at(0).size(), 2);
    EXPECT_EQ(MCUserDefaults::standardUserDefaults().stringForKey(kMCLastFolderImportedKey), photos);
    MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCLastFolderImportedKey);
}

// A folder and a file chosen together are both imported, and the folder the panel showed is
// the one remembered.
TEST_F(StartScreenFixture, OpenPanelTakesFoldersAndFilesTogether)
{
    shelltest::ScopedRecordingPhotoList photoLists;
    MCMainWindowController controller(defaults);
    controller.showWindow();
    const QString trip = shelltest::folderWithPhotos(2, QStringLiteral("trip"));
    const QString single = shelltest::folderWithPhotos(1, QStringLiteral("single"));
    const QString shown = QFileInfo(trip).absolutePath();
    MCScopedOpenPanelResponder responder([&](const MCOpenPanelRequest &) {
        return MCOpenPanelAnswer{true, {trip, single + "/IMG_1000.jpg"}, shown};
    });
    controller.startViewController()->addButton()->click();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return photoLists.last() != nullptr; }, 10000));
    EXPECT_EQ(photoLists.last()->updates.at(0).size(), 3);
    EXPECT_EQ(MCUserDefaults::standardUserDefaults().stringForKey(kMCLastFolderImportedKey), shown);
    MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCLastFolderImportedKey);
}

// The photos an import finds reach the photo list screen, which the window then shows; later
// imports and Clear go to that screen.
TEST_F(StartScreenFixture, ThePhotoListScreenTakesTheFoundPhotosAndLaterImports)
{
    shelltest::ScopedRecordingPhotoList photoLists;
    MCMainWindowController controller(defaults);
    controller.showWindow();
    const QString photos = shelltest::folderWithPhotos(4);
    controller.importItemsAtURLs({photos});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return photoLists.last() != nullptr; }, 10000));
    shelltest::RecordingPhotoList *list = photoLists.last();
    controller.navigationController()->finishTransition();
    EXPECT_EQ(controller.photoListViewController(), list);
    EXPECT_EQ(controller.topViewController(), list);
    ASSERT_EQ(list->updates.size(), 1);
    QStringList names;
    for (const auto &file : list->updates[0])
        names << file->fileName();
    names.sort();
    EXPECT_EQ(names, (QStringList{"IMG_1000.jpg", "IMG_1001.jpg", "IMG_1002.jpg", "IMG_1003.jpg"}));

    // With the list shown, the next import is the list's; the start screen does not run it.
    const QString more = shelltest::folderWithPhotos(1, QStringLiteral("more"));
    controller.importItemsAtURLs({more});
    EXPECT_FALSE(controller.startViewController()->isImporting());
    ASSERT_EQ(list->imports.size(), 1);
    EXPECT_EQ(list->imports[0], QStringList{more});

    // Once the list has read the photos in, Clear is offered and empties it.
    MCFileContainer::sharedContainer().addFiles(list->updates[0]);
    controller.validateMenuItems();
    EXPECT_TRUE(controller.clearPhotosListAction()->isEnabled());
    controller.performClearPhotoList();
    EXPECT_EQ(list->clears, 1);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);
    EXPECT_EQ(photoLists.made.size(), 1);
}

// With no photo list screen installed, an import finds its photos but nothing shows them: the
// window stays on the start screen, greeting again, and every command that needs the list
// stays off.
TEST_F(StartScreenFixture, WithoutAPhotoListScreenTheWindowStaysOnTheStartScreen)
{
    MCPhotoListScreen::setFactory({});
    MCMainWindowController controller(defaults);
    controller.showWindow();
    MCStartViewController *start = controller.startViewController();
    controller.importItemsAtURLs({shelltest::folderWithPhotos(2)});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !start->isImporting(); }, 10000));
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(controller.photoListViewController(), nullptr);
    EXPECT_EQ(controller.topViewController(), start);
    EXPECT_EQ(controller.navigationController()->numberOfChildViewControllers(), 1);
    EXPECT_EQ(start->overlayWelcomeLabel()->text(), "drag and drop photos or folders with photos here");
    EXPECT_TRUE(start->overlayProgress()->isHidden());
    EXPECT_FALSE(start->addButton()->isHidden());
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);

    // Photos in the library (put there by someone else) cannot be cleared without a list.
    MCFileContainer::sharedContainer().addFiles(
        {MCFileContainer::newFileWithURL(shelltest::folderWithPhotos(1, QStringLiteral("other")) + "/IMG_1000.jpg")});
    controller.validateMenuItems();
    EXPECT_FALSE(controller.canClearPhotosList());
    EXPECT_FALSE(controller.clearPhotosListAction()->isEnabled());
    EXPECT_FALSE(controller.commandAction(MCPhotoListCommand::ShowConvertSettingsForAllItems)->isEnabled());
    controller.performClearPhotoList();
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 1);

    // The add command is still the start screen's, and a second import runs there again.
    int asked = 0;
    MCScopedOpenPanelResponder responder([&](const MCOpenPanelRequest &) {
        ++asked;
        return MCOpenPanelAnswer{};
    });
    controller.addPhotosToList();
    EXPECT_EQ(asked, 1);
    controller.importItemsAtURLs({shelltest::folderWithPhotos(1, QStringLiteral("again"))});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !start->isImporting(); }, 10000));
    testsupport::processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(controller.topViewController(), start);
}
