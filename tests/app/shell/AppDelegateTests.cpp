#include "app/shell/MCAppDelegate.h"

#include "app/library/MCResourceManager.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "app/shell/MCStatisticsManager.h"
#include "app/shell/MCTipsPaletteController.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/app/shell/ShellTestSupport.h"

#include <QApplication>
#include <QDialog>

#include <gtest/gtest.h>

namespace {

MCUserDefaults &standardDefaults()
{
    return MCUserDefaults::standardUserDefaults();
}

struct AppDelegateFixture : ::testing::Test {
    shelltest::ScopedRecordingPhotoList photoLists;
    void SetUp() override
    {
        shelltest::emptyLibrary();
        standardDefaults().removeObjectForKey(kMCUndesirableFileTypesKey);
    }
    void TearDown() override
    {
        shelltest::emptyLibrary();
        standardDefaults().removeObjectForKey(kMCUndesirableFileTypesKey);
    }
};

} // namespace

TEST_F(AppDelegateFixture, StartsUpInOrder)
{
    MCAppDelegate delegate;
    QStringList steps;
    QObject::connect(&delegate, &MCAppDelegate::launchStepDidRun, [&](const QString &step) { steps << step; });
    delegate.setQuitHandler([] {});
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(steps, (QStringList{"applyDarkAppearance", "startStatisticsSession", "registerDefaults",
                                  "applyFileTypeFilter", "showWindowsAfterLaunch"}));
    // What each step left behind.
    EXPECT_EQ(QApplication::palette().color(QPalette::Window).rgb(), MCColorQuillon::colorWithBrightness(0.2).rgb());
    EXPECT_TRUE(MCStatisticsManager::sharedInstance().currentSession().sessionStartDate.has_value());
    EXPECT_EQ(standardDefaults().integerForKey(QStringLiteral("SortKind")), 3);
    EXPECT_FALSE(MCUTType::allowedTypeIdentifiers().isEmpty());
    ASSERT_NE(delegate.mainWindowController(), nullptr);
    EXPECT_TRUE(delegate.mainWindowController()->window()->isVisible());
}

// The stored list of unwanted types is applied exactly: every type is touched.
TEST_F(AppDelegateFixture, FileTypeFilterMakesExactlyTheStoredTypesUnavailable)
{
    const auto types = MCResourceManager::availableFileTypes();
    ASSERT_GE(types.size(), 3);
    const QString jpeg = QStringLiteral("public.jpeg");
    const QString png = QStringLiteral("public.png");
    MCAppDelegate delegate;

    struct Case {
        QVariant stored;
        QSet<QString> unavailable;
    };
    const Case cases[] = {
        {QVariant(), {}},
        {QVariantList{}, {}},
        {QVariantList{jpeg}, {jpeg}},
        {QVariantList{jpeg, png, QStringLiteral("no.such.type")}, {jpeg, png}},
        {QVariantList{png}, {png}}, // the jpeg of the case before comes back
    };
    for (const Case &c : cases) {
        if (c.stored.isValid())
            standardDefaults().setObject(c.stored, kMCUndesirableFileTypesKey);
        else
            standardDefaults().removeObjectForKey(kMCUndesirableFileTypesKey);
        delegate.applyFileTypeFilter();
        for (const auto &type : types)
            EXPECT_EQ(type->isAvailable(), !c.unavailable.contains(type->typeIdentifier()))
                << type->typeIdentifier().toStdString() << " with " << c.stored.toStringList().join(',').toStdString();
    }
}

TEST_F(AppDelegateFixture, FilesOpenedBeforeTheWindowAreImportedOnceItIsShown)
{
    const QString first = shelltest::folderWithPhotos(1);
    const QString second = shelltest::folderWithPhotos(2);
    MCAppDelegate delegate;
    delegate.setQuitHandler([] {});
    delegate.openFiles({first});
    delegate.openFiles({second}); // replaces the first list
    EXPECT_EQ(delegate.urlsToAdd(), QStringList{second});

    delegate.applyFileTypeFilter();
    delegate.showWindowsAfterLaunch();
    EXPECT_TRUE(delegate.urlsToAdd().isEmpty());
    // The start screen imported the second folder and handed its two photos to the photo list.
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return photoLists.last() != nullptr; }));
    shelltest::RecordingPhotoList *list = photoLists.last();
    ASSERT_EQ(list->updates.size(), 1);
    EXPECT_EQ(list->updates[0].size(), 2);
    for (const auto &file : list->updates[0])
        EXPECT_TRUE(file->filePath().startsWith(second));
}

TEST_F(AppDelegateFixture, OpenEventsWhileASheetIsOpenBeepAndAreDropped)
{
    MCAppDelegate delegate;
    int beeps = 0;
    delegate.setBeepHandler([&] { ++beeps; });
    delegate.setQuitHandler([] {});
    delegate.showWindowsAfterLaunch();
    auto *sheet = new QDialog(delegate.mainWindowController()->window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    delegate.openFiles({shelltest::folderWithPhotos(1)});
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(delegate.mainWindowController()->startViewController()->isImporting());
    delete sheet;
}

TEST_F(AppDelegateFixture, QuitIsRefusedWhileASheetIsOpenAndEndsTheSessionOtherwise)
{
    MCAppDelegate delegate;
    int beeps = 0;
    int quits = 0;
    delegate.setBeepHandler([&] { ++beeps; });
    delegate.setQuitHandler([&] { ++quits; });
    delegate.startStatisticsSession();
    delegate.showWindowsAfterLaunch();

    auto *sheet = new QDialog(delegate.mainWindowController()->window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    EXPECT_EQ(delegate.applicationShouldTerminate(), MCTerminateCancel);
    EXPECT_EQ(beeps, 1);
    delete sheet;

    EXPECT_EQ(delegate.applicationShouldTerminate(), MCTerminateLater);
    // The answer comes after the current event.
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(MCStatisticsManager::sharedInstance().currentSession().sessionEndDate.has_value());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return quits == 1; }));
    EXPECT_TRUE(MCStatisticsManager::sharedInstance().currentSession().sessionEndDate.has_value());
    EXPECT_EQ(beeps, 1);
}

// The palette opens at launch until it was closed once for this tips version; the command
// toggles it.
TEST_F(AppDelegateFixture, TipsOpenAtLaunchWhenDueAndTheCommandTogglesThem)
{
    standardDefaults().removeObjectForKey(kMCLastShownTipsVersionKey);
    {
        MCAppDelegate delegate;
        delegate.setQuitHandler([] {});
        delegate.showWindowsAfterLaunch();
        ASSERT_NE(delegate.tipsController(), nullptr);
        delegate.showHideTipsPalette();
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return delegate.tipsController() == nullptr; }));
        EXPECT_EQ(standardDefaults().integerForKey(kMCLastShownTipsVersionKey), 1);
        delegate.showHideTipsPalette();
        EXPECT_NE(delegate.tipsController(), nullptr);
        delegate.showHideTipsPalette();
    }
    MCAppDelegate later;
    later.setQuitHandler([] {});
    later.showWindowsAfterLaunch();
    EXPECT_EQ(later.tipsController(), nullptr);
}
