// The browser's Open With menu and command over a desktop of the test's own, and the map
// palette with the command that shows a photo's position on it.
#include "app/browser/MCBrowserViewController.h"
#include "app/library/MCFile.h"
#include "app/library/MCGroupRule.h"
#include "app/panels/MCMapPaletteController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "halvard/ui/MCMenuExtensions.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCWorkspace.h"
#include "platform/imageio/MCImageProperties.h"

#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Item = MCSmartGroup::Item;

void writeFile(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray application(const QByteArray &name, const QByteArray &exec, const QByteArray &types)
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\nMimeType=" + types + "\n";
}

// A desktop of the test's own: applications read from its XDG folders, file types by
// extension (the photos need not exist), and programs recorded instead of started.
class FakeDesktop : public MCWorkspace
{
public:
    FakeDesktop()
    {
        root = testsupport::makeTemporaryFolder("desktop");
        const QString apps = root + "/data/applications/";
        writeFile(apps + "viewer.desktop", application("Viewer", "viewer %F", "image/jpeg;image/png;"));
        writeFile(apps + "zoom.desktop", application("Zoom", "zoom %f", "image/jpeg;image/png;"));
        writeFile(apps + "batch.desktop", application("Batch", "batch %F", "image/jpeg;"));
        writeFile(root + "/config/mimeapps.list",
                  "[Default Applications]\nimage/jpeg=viewer.desktop\nimage/png=viewer.desktop\n");
    }
    MCApplicationRegistry applicationRegistry() const override
    {
        MCXDGDirectories directories;
        directories.dataHome = root + "/data";
        directories.dataDirs = {root + "/system"};
        directories.configHome = root + "/config";
        directories.configDirs = {root + "/system-config"};
        return MCApplicationRegistry(directories, QStringLiteral("C"));
    }
    QString typeOfFile(const QString &path) const override
    {
        if (path.endsWith(".jpg"))
            return QStringLiteral("image/jpeg");
        if (path.endsWith(".png"))
            return QStringLiteral("image/png");
        if (path.endsWith(".xyz"))
            return QStringLiteral("application/x-unknown-to-all");
        return {};
    }

    QString root;
    QList<QStringList> started;

protected:
    bool startDetached(const QStringList &command, const QString &) override
    {
        started << command;
        return true;
    }
    bool openURL(const QUrl &) override { return true; }
};

Item photo(quint64 id, const QString &name, const QVariantMap &gps = {})
{
    Item file = MCFile::fileWithID(id);
    file->setFileName(name);
    file->setFilePath("/photos/" + name);
    QVariantMap properties = {{kCGImagePropertyPixelWidth, 4000}, {kCGImagePropertyPixelHeight, 3000}};
    if (!gps.isEmpty())
        properties.insert(kCGImagePropertyGPSDictionary, gps);
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    return file;
}

QStringList titles(const QMenu &menu)
{
    QStringList result;
    for (const QAction *item : menu.actions())
        result << (item->isSeparator() ? QStringLiteral("---") : item->text());
    return result;
}

class BrowserCommands : public testing::Test
{
protected:
    void SetUp() override
    {
        MCWorkspace::setSharedWorkspace(&desktop);
        MCUserDefaults::standardUserDefaults().setInteger(0, kMCSortKindKey);
        MCUserDefaults::standardUserDefaults().setInteger(100, kMCSortDirectionKey);
        controller.view()->resize(800, 600);
        auto group = std::make_shared<MCGroup>();
        group->setTitle("All");
        // Unsorted: by ID, the order given here.
        group->setItems({photo(1, "a.jpg", {{kCGImagePropertyGPSLatitude, 48.85},
                                            {kCGImagePropertyGPSLatitudeRef, "s"},
                                            {kCGImagePropertyGPSLongitude, 2.35},
                                            {kCGImagePropertyGPSLongitudeRef, "W"}}),
                         photo(2, "b.png"), photo(3, "c.jpg"), photo(4, "d.xyz")});
        controller.setGroups({group});
    }
    void TearDown() override
    {
        MCWorkspace::setSharedWorkspace(nullptr);
        MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCSortKindKey);
        MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCSortDirectionKey);
    }
    void select(const MCIndexSet &items) { controller.browserView()->setSelectionIndexes(items, false); }

    FakeDesktop desktop;
    MCBrowserViewController controller;
};

TEST_F(BrowserCommands, openWithListsTheApplicationsOfTheSelectionAndStartsTheChosenOne)
{
    QMenu menu;
    // Nothing selected: nothing to open.
    controller.buildOpenWithMenu(&menu);
    ASSERT_EQ(titles(menu), QStringList{"<NONE>"});
    EXPECT_FALSE(menu.actions().first()->isEnabled());

    // Two JPEGs: the default, a separator, the others by name.
    select(MCIndexSet{0, 2});
    controller.buildOpenWithMenu(&menu);
    EXPECT_EQ(titles(menu), (QStringList{"Viewer", "---", "Batch", "Zoom"}));
    EXPECT_EQ(menu.actions().first()->data().toString(), "viewer.desktop");

    // A JPEG and a PNG: only what opens both (Batch reads no PNG).
    select(MCIndexSet{0, 1});
    controller.buildOpenWithMenu(&menu);
    EXPECT_EQ(titles(menu), (QStringList{"Viewer", "---", "Zoom"}));

    // Zoom takes one file per process: one start per selected photo, with its path.
    menu.actions().last()->trigger();
    EXPECT_EQ(desktop.started, (QList<QStringList>{{"zoom", "/photos/a.jpg"}, {"zoom", "/photos/b.png"}}));

    // A file no application opens empties the list.
    select(MCIndexSet{0, 3});
    controller.buildOpenWithMenu(&menu);
    EXPECT_EQ(titles(menu), QStringList{"<NONE>"});
}

TEST_F(BrowserCommands, anApplicationThatCannotBeStartedIsToldNotIgnored)
{
    QList<MCAlertRequest> alerts;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        alerts << request;
        return MCAlertAnswer{};
    });
    select(MCIndexSet{2});
    controller.openWith("viewer.desktop");
    EXPECT_EQ(desktop.started, (QList<QStringList>{{"viewer", "/photos/c.jpg"}}));
    EXPECT_TRUE(alerts.isEmpty());

    // Removed since the menu was built.
    controller.openWith("gone.desktop");
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].messageText.contains("gone.desktop")) << alerts[0].messageText.toStdString();
    EXPECT_EQ(desktop.started.size(), 1);

    // Nothing selected: nothing started, nothing said.
    select(MCIndexSet{});
    controller.openWith("viewer.desktop");
    EXPECT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(alerts.size(), 1);
}

TEST_F(BrowserCommands, theCellMenusOpenWithItemIsRebuiltWhenItOpens)
{
    QMenu *context = controller.browserViewContextMenu();
    QAction *openWith = nullptr;
    for (QAction *action : context->actions())
        if (MCMenuExtensions::tag(action) == 202)
            openWith = action;
    ASSERT_TRUE(openWith && openWith->menu());
    EXPECT_EQ(openWith->text(), "Open With");

    select(MCIndexSet{1});
    emit openWith->menu()->aboutToShow();
    EXPECT_EQ(titles(*openWith->menu()), (QStringList{"Viewer", "---", "Zoom"}));
    select(MCIndexSet{0});
    emit openWith->menu()->aboutToShow();
    EXPECT_EQ(titles(*openWith->menu()), (QStringList{"Viewer", "---", "Batch", "Zoom"}));
}

TEST_F(BrowserCommands, theMapPaletteShowsTheSelectedPhotosPinAndHidesWithTheScreen)
{
    // Leaving the screen before any palette was made makes none.
    controller.viewControllerWillDisappear(false);
    EXPECT_EQ(MCMapPaletteController::sharedInstanceIfExists(), nullptr);
    // No selection: nothing to show.
    controller.showGPSLocationPalette();
    EXPECT_EQ(MCMapPaletteController::sharedInstanceIfExists(), nullptr);

    // One photo with a position: the context menu offers the map, which shows its signed pin.
    select(MCIndexSet{0});
    controller.updateContextMenu();
    QAction *showOnMap = nullptr;
    for (QAction *action : controller.browserViewContextMenu()->actions())
        if (action->text() == "Show Location on Map")
            showOnMap = action;
    ASSERT_TRUE(showOnMap);
    ASSERT_TRUE(showOnMap->isEnabled());
    showOnMap->trigger();
    MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists();
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette, &MCMapPaletteController::sharedInstance());
    EXPECT_TRUE(palette->isPaletteVisible());
    EXPECT_FALSE(palette->canDragAnnotation()); // the pin is not reported back, nor moved
    ASSERT_TRUE(palette->pinAnnotation());
    EXPECT_DOUBLE_EQ(palette->pinPoint().latitude, -48.85);
    EXPECT_DOUBLE_EQ(palette->pinPoint().longitude, -2.35);
    EXPECT_EQ(palette->coordinateLabel()->text(), QString::fromUtf8("48.850000° S, 2.350000° W"));

    // A photo without a position: the command is off.
    select(MCIndexSet{1});
    controller.updateContextMenu();
    EXPECT_FALSE(showOnMap->isEnabled());

    // The screen goes: the palette with it, forgetting its target.
    QObject target;
    palette->showPaletteWithTarget(&target, [](MCMapPaletteController *) {});
    EXPECT_TRUE(palette->hasTarget());
    controller.viewControllerWillDisappear(false);
    EXPECT_FALSE(palette->isPaletteVisible());
    EXPECT_FALSE(palette->hasTarget());
    // Shown again, the pin is where it was; closing the window is hiding it.
    palette->showPaletteWithTarget(&target, [](MCMapPaletteController *) {});
    EXPECT_TRUE(palette->isPaletteVisible());
    palette->window()->close();
    EXPECT_FALSE(palette->isPaletteVisible());
    EXPECT_FALSE(palette->hasTarget());
    EXPECT_DOUBLE_EQ(palette->pinPoint().latitude, -48.85);
}

} // namespace
