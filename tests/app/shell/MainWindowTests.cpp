#include "app/shell/MCMainWindowController.h"

#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "halvard/ui/MCNavigationController.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/app/shell/ShellTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

struct MainWindowFixture : ::testing::Test {
    QString folder = testsupport::makeTemporaryFolder(QStringLiteral("defaults"));
    MCUserDefaults defaults{folder + QStringLiteral("/Preferences.plist")};
    shelltest::ScopedRecordingPhotoList photoLists;

    void SetUp() override
    {
        defaults.registerDefaults(MCRegisteredDefaults::registeredDefaults());
        shelltest::emptyLibrary();
    }
    void TearDown() override { shelltest::emptyLibrary(); }

    static void addOnePhotoToLibrary()
    {
        const QString photos = shelltest::folderWithPhotos(1);
        MCFileContainer::sharedContainer().addFiles({MCFileContainer::newFileWithURL(photos + "/IMG_1000.jpg")});
    }
};

} // namespace

TEST_F(MainWindowFixture, FirstLaunchFillsTheScreenAndLaterOnesDoNot)
{
    {
        MCMainWindowController first(defaults);
        EXPECT_TRUE(first.window()->windowState() & Qt::WindowMaximized);
        EXPECT_TRUE(defaults.boolForKey(kMCMainWindowLaunchMoreThanOnceKey));
        // The user made it smaller; that frame is kept.
        first.window()->setWindowState(Qt::WindowNoState);
        first.prepareToTerminate();
    }
    MCMainWindowController second(defaults);
    EXPECT_FALSE(second.window()->windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindowFixture, StartsWithTheStartScreenAndItsTitle)
{
    MCMainWindowController controller(defaults);
    controller.showWindow();
    ASSERT_EQ(controller.topViewController(), controller.startViewController());
    EXPECT_EQ(controller.navigationController()->numberOfChildViewControllers(), 1);
    EXPECT_EQ(controller.window()->windowTitle(), "Welcome to Quillon");
    EXPECT_EQ(controller.startViewController()->overlayWelcomeLabel()->text(),
              "drag and drop photos or folders with photos here");
    EXPECT_EQ(controller.photoListViewController(), nullptr);
}

// Where an import goes depends on the screen shown.
TEST_F(MainWindowFixture, RoutesImportsToTheScreenShown)
{
    MCMainWindowController controller(defaults);
    controller.showWindow();

    // The start screen imports while it is on top (an empty list is passed on and ignored).
    controller.importItemsAtURLs({});
    EXPECT_FALSE(controller.startViewController()->isImporting());
    EXPECT_EQ(controller.photoListViewController(), nullptr);

    controller.showPhotoListUpdatingFiles({});
    shelltest::RecordingPhotoList *list = photoLists.last();
    ASSERT_NE(list, nullptr);
    controller.navigationController()->finishTransition();
    EXPECT_EQ(controller.topViewController(), list);
    EXPECT_EQ(list->updates.size(), 1);

    controller.importItemsAtURLs({"/a.jpg"});
    ASSERT_EQ(list->imports.size(), 1);
    EXPECT_EQ(list->imports.last(), QStringList{"/a.jpg"});

    // A screen above the photo list (the Convert screen) gives way to it.
    auto convert = std::make_shared<MCViewController>();
    controller.pushScreen(convert, false);
    controller.importItemsAtURLs({"/b.jpg"});
    controller.navigationController()->finishTransition();
    EXPECT_EQ(controller.topViewController(), list);
    EXPECT_EQ(list->imports.last(), QStringList{"/b.jpg"});

    // The photo list is made once for the run.
    controller.showPhotoListUpdatingFiles({});
    EXPECT_EQ(photoLists.made.size(), 1);
    EXPECT_EQ(list->updates.size(), 2);
}

TEST_F(MainWindowFixture, ClearPhotoListAsksAndClearsOnlyOnClear)
{
    MCMainWindowController controller(defaults);
    EXPECT_FALSE(controller.canClearPhotosList());
    controller.validateMenuItems();
    EXPECT_FALSE(controller.clearPhotosListAction()->isEnabled());

    controller.showPhotoListUpdatingFiles({});
    controller.navigationController()->finishTransition();
    shelltest::RecordingPhotoList *list = photoLists.last();
    addOnePhotoToLibrary();
    controller.validateMenuItems();
    EXPECT_TRUE(controller.clearPhotosListAction()->isEnabled());

    QList<MCAlertRequest> asked;
    int answer = MCAlertSecondButtonReturn;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        asked.append(request);
        return MCAlertAnswer{answer, false};
    });
    controller.clearPhotosList();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].messageText, "Are you sure you want to clear the photo list?");
    EXPECT_EQ(asked[0].informativeText,
              "Click Clear button if you want to clear the photo list and start from scratch.");
    EXPECT_EQ(asked[0].buttonTitles, (QStringList{"Clear", "Cancel"}));
    EXPECT_EQ(asked[0].alertStyle, MCAlertStyleCritical);
    EXPECT_EQ(list->clears, 0);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 1);

    // On the Convert screen, Clear returns to the photo list at once and empties it.
    controller.pushScreen(std::make_shared<MCViewController>(), false);
    answer = MCAlertFirstButtonReturn;
    controller.clearPhotosList();
    EXPECT_EQ(list->clears, 1);
    EXPECT_FALSE(controller.navigationController()->isTransitioning());
    EXPECT_EQ(controller.topViewController(), list);
    EXPECT_EQ(MCFileContainer::sharedContainer().numberOfFiles(), 0);
}

TEST_F(MainWindowFixture, PathBarItemNamesWhatItWillDo)
{
    MCMainWindowController controller(defaults);
    EXPECT_EQ(controller.pathBarAction()->text(), "Hide Path Bar");
    controller.showHidePathBar();
    EXPECT_TRUE(defaults.boolForKey(kMCPathBarIsHiddenKey));
    EXPECT_EQ(controller.pathBarAction()->text(), "Show Path Bar");
    controller.showHidePathBar();
    EXPECT_FALSE(defaults.boolForKey(kMCPathBarIsHiddenKey));
    EXPECT_EQ(controller.pathBarAction()->text(), "Hide Path Bar");
}

TEST_F(MainWindowFixture, AWindowModalDialogCountsAsASheet)
{
    MCMainWindowController controller(defaults);
    controller.showWindow();
    EXPECT_FALSE(controller.hasAttachedSheet());
    auto *sheet = new QDialog(controller.window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    EXPECT_TRUE(controller.hasAttachedSheet());
    sheet->hide();
    EXPECT_FALSE(controller.hasAttachedSheet());
    delete sheet;
}

TEST_F(MainWindowFixture, QuittingTellsTheTopScreenItWillDisappear)
{
    struct Screen : MCViewController {
        int willDisappear = 0;
        void viewControllerWillDisappear(bool animated) override
        {
            EXPECT_FALSE(animated);
            ++willDisappear;
        }
    };
    MCMainWindowController controller(defaults);
    auto screen = std::make_shared<Screen>();
    controller.pushScreen(screen, false);
    controller.showWindow();
    // The close button asks the application and the window stays open...
    int asked = 0;
    QObject::connect(&controller, &MCMainWindowController::windowShouldClose, [&] { ++asked; });
    EXPECT_FALSE(controller.window()->close());
    EXPECT_EQ(asked, 1);
    controller.prepareToTerminate();
    EXPECT_EQ(screen->willDisappear, 1);
    // The frame is kept for the next run.
    EXPECT_FALSE(defaults.stringForKey(kMCMainWindowFrameKey).isEmpty());
    // ...until the application has agreed to end: then it closes without asking again.
    EXPECT_TRUE(controller.window()->close());
    EXPECT_EQ(asked, 1);
    controller.prepareToTerminate();
    EXPECT_EQ(screen->willDisappear, 1) << "told once";
}

TEST(MCMainWindow, TitleBarStripIsTheLastLineOfTheTitleBar)
{
    EXPECT_EQ(MCMainWindow::separatorFrameForBounds(QRectF(0, 0, 800, 600)), QRectF(0, 21, 800, 1));
    EXPECT_EQ(MCMainWindow::separatorFrameForBounds(QRectF(10, 5, 300, 40)), QRectF(10, 26, 300, 1));
}
