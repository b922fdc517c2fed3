// The photo list screen end to end in the main window, offscreen, with photos on disk: the size
// filters and pane limits (tables), adding photos by drops, the "nothing added" road back to
// the start screen, clearing during an import, the panes and their settings, the commands'
// validation and the toolbar, removing with "Don't show again", photos deleted on disk.
#include "app/browser/MCPhotoListViewController.h"

#include "app/browser/MCInfoPanelViewController.h"
#include "app/dialogs/MCOperationDialogs.h"
#include "app/library/MCResourceManager.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/ui/MCNavigationController.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/app/shell/ShellTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSplitter>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

TEST(PhotoListFilters, minimumImageAndFileSizes)
{
    EXPECT_EQ(MCMinimumImageSideForSetting(0.5), 2512.0); // ceil(156.25) × 16
    EXPECT_EQ(MCMinimumImageSideForSetting(0.0), 0.0);
    struct ImageCase {
        double setting, width, height;
        bool fits;
    };
    const ImageCase images[] = {
        {0.0, 10, 10, true},    {-1.0, 10, 10, true},     {0.5, 4000, 2000, false},
        {0.5, 3000, 2600, true}, {0.5, 2512, 2512, true}, {0.5, 2511, 4000, false},
    };
    for (const ImageCase &c : images)
        EXPECT_EQ(MCIsImageSizeFit(c.setting, c.width, c.height), c.fits) << c.setting << " " << c.width << "x" << c.height;

    struct FileCase {
        double size;
        qint64 unit;
        quint64 bytes;
        bool fits;
    };
    const FileCase files[] = {
        {0.0, 2, 1, true},                 // no minimum
        {1.5, 2, 1499999, false},          {1.5, 2, 1500000, true}, // 1.5 MB = 1,500,000 bytes
        {1.5, 1, 1499, false},             {1.5, 1, 1500, true},    // 1.5 KB
        {1.5, 0, 1, false},                {1.5, 0, 2, true},       // bytes, rounded half away from zero
        {1.5, 5, 0, true},                 {1.5, -1, 0, true},      // an unknown unit lets everything through
        {2.0, 3, 1999999999, false},       {2.0, 4, 2000000000000, true},
        {1e30, 4, ~quint64(0), false}, // a minimum beyond any file
    };
    for (const FileCase &c : files)
        EXPECT_EQ(MCIsFileSizeFit(c.size, c.unit, c.bytes), c.fits) << c.size << " unit " << c.unit << " " << c.bytes;
}

TEST(PhotoListPanes, dividerLimits)
{
    struct Case {
        double proposed, width;
        int divider;
        double min, max;
    };
    const Case cases[] = {
        {150, 1000, 0, 200, 150}, {250, 1000, 0, 250, 250}, {400, 1000, 0, 400, 300},
        {600, 1000, 1, 655, 600}, {700, 1000, 1, 700, 700}, {800, 1000, 1, 800, 736},
        {50, 1000, 2, 50, 50},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MCPhotoListConstrainMinCoordinate(c.proposed, c.width, c.divider), c.min) << c.proposed;
        EXPECT_EQ(MCPhotoListConstrainMaxCoordinate(c.proposed, c.width, c.divider), c.max) << c.proposed;
    }
}

// A Convert screen that only records what it was made with.
class RecordingConvertScreen : public MCConvertOptionsViewController
{
public:
    MCUndoManager *undoManager() override { return &m_undo; }
    MCFileList items;

private:
    MCUndoManager m_undo;
};

class PhotoListScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defaults.registerDefaults(MCRegisteredDefaults::registeredDefaults());
        for (const auto &type : MCResourceManager::availableFileTypes())
            type->setIsAvailable(true);
        shelltest::emptyLibrary();
        MCPhotoListScreen::setFactory([this](MCMainWindowController *owner) {
            auto screen = std::make_shared<MCPhotoListViewController>(owner, &defaults);
            made = screen.get();
            return screen;
        });
        controller = std::make_unique<MCMainWindowController>(defaults);
        controller->window()->resize(1200, 760);
        controller->showWindow();
    }
    void TearDown() override
    {
        controller.reset();
        MCPhotoListScreen::setFactory({});
        MCConvertOptionsViewController::setFactory({});
        shelltest::emptyLibrary();
    }

    // Drops `paths` where the user would (the start screen first, then the list) and waits
    // until the list has read them in.
    MCPhotoListViewController *addPhotos(const QStringList &paths)
    {
        controller->importItemsAtURLs(paths);
        if (!testsupport::processEventsUntil([&] { return made && !made->isLoading() && controller->topViewController() == made; },
                                             10000))
            return nullptr;
        controller->navigationController()->finishTransition();
        testsupport::processEventsUntil([&] { return !made->isLoading(); }, 10000);
        return made;
    }

    QString folder = testsupport::makeTemporaryFolder(QStringLiteral("listdefaults"));
    MCUserDefaults defaults{folder + QStringLiteral("/Preferences.plist")};
    std::unique_ptr<MCMainWindowController> controller;
    MCPhotoListViewController *made = nullptr;
};

TEST_F(PhotoListScreen, dropsAreReadInGroupedAndShown)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(3, QStringLiteral("first"))});
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 3);
    EXPECT_EQ(list->allItems().size(), 3);
    EXPECT_EQ(controller->window()->windowTitle(), "Quillon - Photo Browser");
    ASSERT_FALSE(list->treePanelViewController()->selectedGroups().isEmpty());

    // Two drops in a row: loading stays on until the second has been read, then all are shown.
    std::unique_ptr<QMimeData> second(shelltest::dropOf({shelltest::folderWithPhotos(2, QStringLiteral("second"))}));
    std::unique_ptr<QMimeData> third(shelltest::dropOf({shelltest::folderWithPhotos(4, QStringLiteral("third"))}));
    EXPECT_EQ(list->overlayViewDraggingEntered(list->overlayView(), second.get()), Qt::CopyAction);
    EXPECT_TRUE(list->overlayViewPerformDragOperation(list->overlayView(), second.get()));
    EXPECT_TRUE(list->overlayViewPerformDragOperation(list->overlayView(), third.get()));
    EXPECT_TRUE(list->isLoading());
    bool endedEarly = false;
    ASSERT_TRUE(testsupport::processEventsUntil(
        [&] {
            if (!list->isLoading() && MCFileContainer::sharedContainer().numberOfFiles() < 9)
                endedEarly = true;
            return !list->isLoading();
        },
        10000));
    EXPECT_FALSE(endedEarly);
    EXPECT_EQ(list->allItems().size(), 9);
    EXPECT_EQ(list->browserViewController()->numberOfPhotosLabel()->text(), "9 photos");

    // An empty drop adds nothing.
    std::unique_ptr<QMimeData> nothing(shelltest::dropOf({}));
    EXPECT_FALSE(list->overlayViewPerformDragOperation(list->overlayView(), nothing.get()));
    EXPECT_FALSE(list->importItemsAtURLs({}));
}

TEST_F(PhotoListScreen, tooSmallPhotosAreLeftOutAndNothingAddedLeadsBackToTheStart)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(2, QStringLiteral("kept"))});
    ASSERT_NE(list, nullptr);
    QStringList asked;
    MCScopedAlertResponder answers([&](const MCAlertRequest &request) {
        asked.append(request.messageText);
        return MCAlertAnswer{request.messageText == "No photos were added." ? MCAlertSecondButtonReturn
                                                                             : MCAlertFirstButtonReturn};
    });
    controller->performClearPhotoList();
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);

    // The generated photos are 64 × 48: any minimum photo size leaves them out.
    defaults.setDouble(0.1, kMCMinImageSizeKey); // 160 pixels a side
    QSignalSpy preferences(controller.get(), &MCMainWindowController::preferencesWithFilteringRequested);
    list->importItemsAtURLs({shelltest::folderWithPhotos(3, QStringLiteral("small"))});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return asked.contains("No photos were added."); }, 10000));
    controller->navigationController()->finishTransition();
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);
    EXPECT_EQ(preferences.count(), 1); // "Show Preferences"
    EXPECT_EQ(controller->topViewController(), controller->startViewController());
}

TEST_F(PhotoListScreen, clearingDuringAnImportBringsNothingBack)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(1, QStringLiteral("one"))});
    ASSERT_NE(list, nullptr);
    int alerts = 0;
    MCScopedAlertResponder answers([&](const MCAlertRequest &) {
        ++alerts;
        return MCAlertAnswer{};
    });
    // Clear at once, and again after the first progress arrived: whatever the cancelled
    // operations still report must not refill the list.
    const QString many = shelltest::folderWithPhotos(40, QStringLiteral("many"));
    list->importItemsAtURLs({many});
    list->clearPhotosList();
    list->importItemsAtURLs({many});
    testsupport::processEventsUntil([] { return MCFileContainer::sharedContainer().numberOfFiles() > 0; }, 10000);
    list->clearPhotosList();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !list->isLoading(); }, 10000));
    testsupport::processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);
    EXPECT_FALSE(list->isUpdatingOperation());
    EXPECT_EQ(alerts, 0); // a cleared list is not "nothing added"

    // The list takes photos again afterwards.
    list->importItemsAtURLs({shelltest::folderWithPhotos(2, QStringLiteral("after"))});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !list->isLoading(); }, 10000));
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 2);
}

TEST_F(PhotoListScreen, theSameFolderDroppedRightAfterClearingIsAddedInFull)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(1, QStringLiteral("first"))});
    ASSERT_NE(list, nullptr);
    int alerts = 0;
    MCScopedAlertResponder answers([&](const MCAlertRequest &) {
        ++alerts;
        return MCAlertAnswer{};
    });
    // An import of this folder that finished on its queue but whose files were not handed over
    // yet when the list was cleared: its files still claim their paths.
    const QString again = shelltest::folderWithPhotos(3, QStringLiteral("again"));
    MCFileList stale;
    for (const QString &name : QDir(again).entryList(QDir::Files)) {
        stale.append(MCFileContainer::newFileWithURL(again + QLatin1Char('/') + name));
        MCFileContainer::sharedContainer().registerPendingFile(stale.last());
    }
    ASSERT_EQ(stale.size(), 3);
    list->clearPhotosList();
    list->importItemsAtURLs({again});
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !list->isLoading(); }, 10000));
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 3);
    EXPECT_EQ(alerts, 0);
}

TEST_F(PhotoListScreen, panesFollowTheirSettingsAndTheHand)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(1, QStringLiteral("pane"))});
    ASSERT_NE(list, nullptr);
    QSplitter *split = list->splitView();
    // The side panes get their widths once the window has its size.
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return split->sizes()[0] == 250; }));
    EXPECT_GT(split->sizes()[0], 0);
    EXPECT_GT(split->sizes()[2], 0);
    EXPECT_TRUE(list->infoButton()->isChecked());
    const int infoWidth = split->sizes()[2];
    EXPECT_GE(infoWidth, 264);
    EXPECT_LE(infoWidth, 345);

    list->toggleImageInfo();
    EXPECT_FALSE(defaults.boolForKey(kMCInfoPanelIsVisibleKey));
    EXPECT_EQ(split->sizes()[2], 0);
    EXPECT_FALSE(list->infoButton()->isChecked());
    list->toggleImageInfo(); // opens as wide as it was
    EXPECT_EQ(split->sizes()[2], infoWidth);

    list->toggleGroupsPanel();
    EXPECT_FALSE(defaults.boolForKey(kMCTreePanelIsVisibleKey));
    EXPECT_EQ(split->sizes()[0], 0);
    QAction *groups = controller->commandAction(MCPhotoListCommand::ToggleGroupsPanel);
    controller->validateMenuItems();
    EXPECT_EQ(groups->text(), "Show Groups");
    list->toggleGroupsPanel();
    controller->validateMenuItems();
    EXPECT_EQ(groups->text(), "Hide Groups");

    // Dragged shut by hand: the setting and the button follow; the grid cannot be shut.
    QList<int> sizes = split->sizes();
    sizes[1] += sizes[2];
    sizes[2] = 0;
    split->setSizes(sizes);
    list->splitViewDidResizeSubviews();
    EXPECT_FALSE(defaults.boolForKey(kMCInfoPanelIsVisibleKey));
    EXPECT_FALSE(list->infoButton()->isChecked());
    EXPECT_FALSE(split->isCollapsible(1));

    // The next start applies the stored state.
    list->restoreSplitViewState();
    EXPECT_EQ(split->sizes()[2], 0);
}

TEST_F(PhotoListScreen, commandsFollowSelectionLoadingAndTheAltKey)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(3, QStringLiteral("cmd"))});
    ASSERT_NE(list, nullptr);
    auto enabled = [&](MCPhotoListCommand command) {
        controller->validateMenuItems();
        return controller->commandAction(command)->isEnabled();
    };
    // Nothing selected: selection commands off, list commands on. No Convert screen: convert off.
    EXPECT_FALSE(list->hasSelectedItems());
    EXPECT_FALSE(enabled(MCPhotoListCommand::RemovePhotosFromList));
    EXPECT_FALSE(enabled(MCPhotoListCommand::CopySelectedItemsToFolder));
    EXPECT_FALSE(enabled(MCPhotoListCommand::PasteGPSLocation));
    EXPECT_TRUE(enabled(MCPhotoListCommand::ToggleFilterPanel));
    EXPECT_FALSE(enabled(MCPhotoListCommand::ShowConvertSettingsForAllItems));
    EXPECT_FALSE(list->convertButton()->isEnabled());
    EXPECT_FALSE(enabled(MCPhotoListCommand::EditMetadataForSelectedItems)); // no dialog yet
    EXPECT_TRUE(controller->commandAction(MCPhotoListCommand::ShowPhotoList)->isChecked());

    // With a Convert screen the convert commands come on; Alt alone asks for the selection.
    MCConvertOptionsViewController::setFactory([](MCMainWindowController *, const MCFileList &items) {
        auto screen = std::make_shared<RecordingConvertScreen>();
        screen->items = items;
        return screen;
    });
    list->updateToolbarButtons();
    EXPECT_TRUE(enabled(MCPhotoListCommand::ShowConvertSettingsForAllItems));
    EXPECT_TRUE(list->convertButton()->isEnabled());
    EXPECT_EQ(list->convertButton()->text(), "Convert");
    list->flagsChanged(Qt::AltModifier);
    EXPECT_EQ(list->convertButton()->text(), "Selected Only");
    EXPECT_FALSE(list->convertButton()->isEnabled()); // nothing selected
    list->flagsChanged(Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(list->convertButton()->text(), "Convert");
    list->flagsChanged(Qt::AltModifier);
    list->windowDidResignKey();
    EXPECT_EQ(list->convertButton()->text(), "Convert");

    // A selection turns the selection commands on.
    list->browserViewController()->browserView()->setSelectionIndexes(MCIndexSet{0, 1}, false);
    EXPECT_TRUE(list->hasSelectedItems());
    EXPECT_TRUE(enabled(MCPhotoListCommand::RemovePhotosFromList));
    EXPECT_TRUE(enabled(MCPhotoListCommand::MoveSelectedItemsToFolderAndRename));
    EXPECT_TRUE(list->renameButton()->isEnabled());
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(enabled(MCPhotoListCommand::PasteGPSLocation)); // no location on the clipboard
    MCCopyGPSLocationToPasteboard(48.85, 2.35);
    EXPECT_TRUE(enabled(MCPhotoListCommand::PasteGPSLocation));
    // The window's Open With submenu is filled for the selection as it opens (at least "<NONE>").
    QMenu *openWith = controller->commandAction(MCPhotoListCommand::OpenWith)->menu();
    ASSERT_NE(openWith, nullptr);
    EXPECT_TRUE(enabled(MCPhotoListCommand::OpenWith));
    emit openWith->aboutToShow();
    EXPECT_FALSE(openWith->actions().isEmpty());

    // Convert all: the Convert screen gets the shown photos in display order.
    controller->commandAction(MCPhotoListCommand::ShowConvertSettingsForAllItems)->trigger();
    controller->navigationController()->finishTransition();
    auto *convert = dynamic_cast<RecordingConvertScreen *>(controller->topViewController());
    ASSERT_NE(convert, nullptr);
    EXPECT_EQ(convert->items, list->allItems());
    // Under the Convert screen the list still takes the menu's commands, but does not convert.
    EXPECT_TRUE(list->skipsActions());
    list->convertItems();
    EXPECT_EQ(controller->topViewController(), convert);
}

TEST_F(PhotoListScreen, aFilterThatHidesEverythingTurnsConvertOffButNotTheListCommands)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(2, QStringLiteral("filter"))});
    ASSERT_NE(list, nullptr);
    MCConvertOptionsViewController::setFactory(
        [](MCMainWindowController *, const MCFileList &) { return std::make_shared<RecordingConvertScreen>(); });
    list->browserViewController()->setFilterPredicate(
        std::make_shared<MCSmartGroup::Predicate>([](const MCSmartGroup::Item &) { return false; }));
    EXPECT_FALSE(list->hasItems());
    EXPECT_FALSE(list->convertButton()->isEnabled());
    EXPECT_TRUE(list->filterButton()->isEnabled());
    EXPECT_TRUE(list->clearListButton()->isEnabled());
}

TEST_F(PhotoListScreen, removingAsksUnlessToldNotTo)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(3, QStringLiteral("remove"))});
    ASSERT_NE(list, nullptr);
    MCBrowserView *grid = list->browserViewController()->browserView();

    // Cancelled with the box checked: nothing removed, but no more questions.
    grid->setSelectionIndexes(MCIndexSet{0}, false);
    QList<MCAlertRequest> asked;
    int response = MCAlertSecondButtonReturn;
    MCScopedAlertResponder answers([&](const MCAlertRequest &request) {
        asked.append(request);
        return MCAlertAnswer{response, true};
    });
    list->removePhotosFromList();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].messageText, "Would you like to remove the selected photos from the Photo List?");
    EXPECT_EQ(asked[0].buttonTitles, QStringList({"Remove", "Cancel"}));
    EXPECT_TRUE(asked[0].showsSuppressionButton);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 3);
    EXPECT_FALSE(defaults.boolForKey(kMCShowMessageBeforeRemovingPhotosFromListKey));

    // Now removed at once; the files stay on disk.
    const QString path = list->selectedItems().first()->filePath();
    list->removePhotosFromList();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 2);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(list->allItems().size(), 2);
}

TEST_F(PhotoListScreen, photosDeletedOnDiskLeaveTheList)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(3, QStringLiteral("gone"))});
    ASSERT_NE(list, nullptr);
    const QString path = MCFileContainer::sharedContainer().allFiles().first()->filePath();
    ASSERT_TRUE(QFile::remove(path));
    // The folder watch notices (or, at the latest, the window's next activation).
    ASSERT_TRUE(testsupport::processEventsUntil(
        [] { return MCFileContainer::sharedContainer().numberOfFiles() == 2; }, 5000));
    EXPECT_FALSE(MCFileContainer::sharedContainer().containsFileWithPath(path));
    EXPECT_EQ(list->allItems().size(), 2);
}

} // namespace

namespace {

// The widgets Tab reaches from `start`, in order, once round the window.
QList<QWidget *> tabChain(QWidget *start)
{
    QList<QWidget *> chain;
    QWidget *widget = start;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisible())
            chain.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget && widget != start);
    return chain;
}

TEST_F(PhotoListScreen, everyEnabledControlIsReachedByTabAndNamed)
{
    MCPhotoListViewController *list = addPhotos({shelltest::folderWithPhotos(2, QStringLiteral("tab"))});
    ASSERT_NE(list, nullptr);
    list->browserViewController()->browserView()->setSelectionIndexes(MCIndexSet{0}, false);
    const QList<QWidget *> chain = tabChain(controller->window());
    const QList<QWidget *> controls = {list->addButton(),      list->groupsButton(),  list->filterButton(),
                                       list->clearListButton(), list->zoomSlider(),   list->renameButton(),
                                       list->infoButton(),
                                       list->browserViewController()->browserView(),
                                       list->browserViewController()->sortPopup()};
    for (QWidget *control : controls) {
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(chain.contains(control)) << control->metaObject()->className();
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }
    EXPECT_TRUE(chain.contains(static_cast<QWidget *>(list->treePanelViewController()->outlineView())));
}

} // namespace
