#include "app/browser/MCPhotoListFileOperations.h"

#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"
#include "app/metadata/MCMetadataConverter.h"
#include "app/shell/MCFileOperationProgressWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCDesktopBus.h"
#include "platform/desktop/MCUserNotificationCenter.h"
#include "platform/desktop/MCWorkspace.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Answers every desktop call and keeps it.
class RecordingBus : public MCDesktopBus
{
public:
    bool isConnected() override { return true; }
    void call(const MCDesktopBusCall &call, ReplyHandler reply) override
    {
        calls << call;
        if (reply)
            reply(MCDesktopBusReply{true, {}, {}, {}});
    }
    QList<MCDesktopBusCall> calls;
};

// The photo list screen as the commands see it.
class Screen : public MCPhotoListFileOperationsHost
{
public:
    QWidget *hostWindow() override { return &window; }
    MCFileList selectedItems() override { return selected; }
    void removeFiles(const MCFileList &files) override { removed += files; }
    void importItemsAtURLs(const QStringList &paths) override { imported += paths; }
    void noteItemsWereUpdated(const MCFileList &files) override { updated += files; }
    void reloadInfoPanel() override { ++infoReloads; }
    bool skipsActions() const override { return skips; }

    QWidget window;
    MCFileList selected, removed, updated;
    QStringList imported;
    int infoReloads = 0;
    bool skips = false;
};

QVariantMap gpsOnClipboard(const QVariant &latitude, const QVariant &longitude)
{
    QVariantMap location;
    if (latitude.isValid())
        location.insert("Latitude", latitude);
    if (longitude.isValid())
        location.insert("Longitude", longitude);
    auto *data = new QMimeData;
    data->setData(kMCGPSPasteboardType, platform::dataFromPropertyList(location));
    QGuiApplication::clipboard()->setMimeData(data);
    return location;
}

class PhotoListFileOperations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        quillon::installLibraryServices(); // the photos' properties are read as in the application
        MCRegisteredDefaults::registerDefaults(defaults);
        MCWorkspace::setSharedWorkspace(&workspace);
        MCUserNotificationCenter::setDefaultUserNotificationCenter(&notifications);
    }
    void TearDown() override
    {
        MCWorkspace::setSharedWorkspace(nullptr);
        MCUserNotificationCenter::setDefaultUserNotificationCenter(nullptr);
    }

    // Photos on disk, as list entries; a missing one when its name starts with "missing".
    MCFileList photos(const QStringList &names, const QString &folder = testsupport::makeTemporaryFolder("src"))
    {
        MCFileList files;
        for (const QString &name : names) {
            const QString path = folder + "/" + name;
            if (!name.startsWith("missing")) {
                QImage image(32, 24, QImage::Format_RGB32);
                image.fill(Qt::darkCyan);
                EXPECT_TRUE(image.save(path, "JPEG"));
            }
            auto file = MCFileContainer::newFileWithURL(path);
            file->reloadFileInfo();
            files.append(file);
        }
        return files;
    }
    // Runs a command with the folder panel answering `folder` and every alert answered by
    // `answer` (or the first button), until `done` holds.
    void run(const std::function<void()> &command, const QString &folder, const std::function<bool()> &done,
             std::function<MCAlertAnswer(const MCAlertRequest &)> answer = {})
    {
        MCScopedOpenPanelResponder panel([&](const MCOpenPanelRequest &request) {
            // Moving and renaming first ask for access to the photos' folders: granted.
            if (request.accessoryView)
                return MCOpenPanelAnswer{true, {request.directory}};
            panels << request;
            return MCOpenPanelAnswer{!folder.isNull(), folder.isNull() ? QStringList() : QStringList{folder}};
        });
        MCScopedAlertResponder alerts([&](const MCAlertRequest &request) {
            this->alerts << request;
            return answer ? answer(request) : MCAlertAnswer{};
        });
        command();
        EXPECT_TRUE(testsupport::processEventsUntil(done, 20000));
    }
    QStringList messages() const
    {
        QStringList list;
        for (const MCAlertRequest &alert : alerts)
            list << alert.messageText;
        return list;
    }

    MCUserDefaults defaults{QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist")};
    RecordingBus bus;
    MCWorkspace workspace{&bus};
    MCUserNotificationCenter notifications{&bus};
    Screen screen;
    MCPhotoListFileOperations operations{screen, &defaults};
    QList<MCOpenPanelRequest> panels;
    QList<MCAlertRequest> alerts;
};

} // namespace

TEST(PastedGPSLocation, OnlyWholeFiniteLocationsOnTheGlobe)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        QVariant latitude, longitude;
        bool valid;
    } cases[] = {
        {48.8584, 2.2945, true},
        {-90.0, 180.0, true},
        {qint64(10), qint64(-20), true},
        {48.8584, QVariant(), false},
        {QVariant(), 2.2945, false},
        {90.5, 0.0, false},
        {0.0, -180.5, false},
        {nan, 0.0, false},
        {std::numeric_limits<double>::infinity(), 0.0, false},
        {QStringLiteral("48.8"), 2.0, false},
        {true, 2.0, false},
    };
    for (const auto &c : cases) {
        gpsOnClipboard(c.latitude, c.longitude);
        const auto location = MCPastedGPSLocation();
        EXPECT_EQ(location.has_value(), c.valid) << c.latitude.toString().toStdString() << ", "
                                                 << c.longitude.toString().toStdString();
        if (location && c.valid) {
            EXPECT_DOUBLE_EQ(location->y(), c.latitude.toDouble());
            EXPECT_DOUBLE_EQ(location->x(), c.longitude.toDouble());
        }
    }
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(MCPastedGPSLocation());
    MCCopyGPSLocationToPasteboard(-33.8568, 151.2153);
    ASSERT_TRUE(MCPastedGPSLocation());
    EXPECT_DOUBLE_EQ(MCPastedGPSLocation()->y(), -33.8568);
}

TEST_F(PhotoListFileOperations, CopyReportsTheFolderRevealsItAndRemembersDontShowAgain)
{
    const QString out = testsupport::makeTemporaryFolder("dest") + "/Out";
    ASSERT_TRUE(QDir().mkpath(out));
    screen.selected = photos({"a.jpg", "b.jpg", "c.jpg"});
    bool progressShownUnderMessage = true;
    run([&] { operations.copySelectedItemsToFolder(); }, out, [&] { return !alerts.isEmpty(); },
        [&](const MCAlertRequest &) {
            progressShownUnderMessage = operations.fileOperationProgressController()->isShown();
            return MCAlertAnswer{MCAlertSecondButtonReturn, false};
        });

    ASSERT_EQ(panels.size(), 1);
    EXPECT_EQ(panels[0].message, "Choose a folder where the photos will be copied to.");
    EXPECT_EQ(panels[0].prompt, "Choose");
    EXPECT_TRUE(panels[0].canChooseDirectories);
    EXPECT_FALSE(panels[0].canChooseFiles);
    EXPECT_EQ(messages(), QStringList{"3 photos were copied to the “Out” folder."});
    EXPECT_EQ(alerts[0].buttonTitles, (QStringList{"OK", "Show in File Manager"}));
    EXPECT_EQ(alerts[0].informativeText, "Press the “Show in File Manager” button to select this folder in the file manager.");
    EXPECT_EQ(alerts[0].alertStyle, MCAlertStyleInformational);
    EXPECT_FALSE(progressShownUnderMessage) << "the progress sheet closed before the message";
    EXPECT_TRUE(alerts[0].showsSuppressionButton);
    EXPECT_EQ(alerts[0].suppressionButtonTitle, "Don't show again");
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(screen.removed.isEmpty()); // copies are not listed; the sources stay
    // "Show in File Manager" shows the folder itself.
    ASSERT_FALSE(bus.calls.isEmpty());
    EXPECT_TRUE(bus.calls.last().arguments.value(0).toStringList().join("").contains("Out"));
    EXPECT_TRUE(defaults.boolForKey(kMCShowMessageAfterCopyOrMoveKey)); // box unchecked: YES
    // The next panel opens where this one chose.
    EXPECT_EQ(defaults.stringForKey(kMCLastFolderExportedKey), QFileInfo(out).absolutePath());

    // One photo, the box checked this time: no message the next time.
    alerts.clear();
    screen.selected = photos({"d.jpg"});
    run([&] { operations.copySelectedItemsToFolder(); }, out, [&] { return !alerts.isEmpty(); },
        [](const MCAlertRequest &) { return MCAlertAnswer{MCAlertFirstButtonReturn, true}; });
    EXPECT_EQ(messages(), QStringList{"1 photo was copied to the “Out” folder."});
    EXPECT_EQ(panels.last().directory, QFileInfo(out).absolutePath());
    EXPECT_FALSE(defaults.boolForKey(kMCShowMessageAfterCopyOrMoveKey));
}

TEST_F(PhotoListFileOperations, NothingCopiedAndAnInaccessibleFolder)
{
    const QString out = testsupport::makeTemporaryFolder("dest");
    // Both photos vanished after they were listed: the operation asks about each (Skip, the
    // first answer), then the result counts none.
    screen.selected = photos({"missing1.jpg", "missing2.jpg"});
    const auto result = [&] { return alerts.isEmpty() ? MCAlertRequest() : alerts.last(); };
    run([&] { operations.copySelectedItemsToFolder(); }, out, [&] { return result().messageText.startsWith("No photos"); });
    EXPECT_GE(alerts.size(), 2);
    EXPECT_EQ(result().messageText, "No photos were copied.");
    EXPECT_EQ(result().buttonTitles, QStringList{"OK"});
    EXPECT_TRUE(result().informativeText.isEmpty());

    alerts.clear();
    run([&] { operations.copySelectedItemsToFolder(); }, out + "/gone", [&] { return !alerts.isEmpty(); });
    EXPECT_EQ(messages(), QStringList{"The selected folder couldn't be accessed."});
    EXPECT_EQ(alerts[0].alertStyle, MCAlertStyleCritical);

    // Cancelling the panel does nothing at all.
    alerts.clear();
    run([&] { operations.moveSelectedItemsToFolder(); }, QString(), [] { return true; });
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(PhotoListFileOperations, MovedPhotosLeaveTheList)
{
    const QString out = testsupport::makeTemporaryFolder("dest") + "/Moved";
    ASSERT_TRUE(QDir().mkpath(out));
    const MCFileList all = photos({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"});
    screen.selected = {all[1], all[3]};
    run([&] { operations.moveSelectedItemsToFolder(); }, out, [&] { return !alerts.isEmpty(); });
    EXPECT_EQ(panels[0].message, "Choose a folder where the photos will be moved to.");
    EXPECT_EQ(messages(), QStringList{"2 photos were moved to the “Moved” folder."});
    EXPECT_EQ(screen.removed, (MCFileList{all[1], all[3]}));
    EXPECT_TRUE(QFile::exists(out + "/2.jpg"));
    EXPECT_FALSE(QFile::exists(all[1]->filePath()) && QFileInfo(all[1]->filePath()).dir() != QDir(out));
}

TEST_F(PhotoListFileOperations, RenamedPhotosComeBackThroughImport)
{
    MCBatchRenamer::defaultBatchRenamer().saveRenameSettingsForCopying(MCBatchRenameSettings(
        {QVariant(QStringLiteral("trip_")), MCBatchRenameToken(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1},
                                                                                            {kMCRenameNumberOfDigitsKey, 2}})}));
    const MCFileList four = photos({"w.jpg", "x.jpg", "y.jpg", "z.jpg"});
    screen.selected = four;
    run([&] { operations.renameSelectedItems(); }, QString(), [&] { return alerts.size() >= 2; });
    // The names are confirmed first, then the result is reported.
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[0].messageText, "Rename Settings");
    EXPECT_TRUE(alerts[0].informativeText.contains("w.jpg → trip_01.jpg"));
    EXPECT_EQ(alerts[1].messageText, "4 photos were renamed.");
    EXPECT_EQ(alerts[1].informativeText, "The renamed photos are in the photo list.");
    EXPECT_EQ(alerts[1].alertStyle, MCAlertStyleInformational);
    EXPECT_EQ(screen.removed, four);
    QStringList names;
    for (const QString &path : screen.imported)
        names << QFileInfo(path).fileName();
    EXPECT_EQ(names, (QStringList{"trip_01.jpg", "trip_02.jpg", "trip_03.jpg", "trip_04.jpg"}));

    // Cancelling the names renames nothing.
    alerts.clear();
    screen.removed.clear();
    run([&] { operations.renameSelectedItems(); }, QString(), [&] { return !alerts.isEmpty(); },
        [](const MCAlertRequest &) { return MCAlertAnswer{MCAlertSecondButtonReturn, false}; });
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(screen.removed.isEmpty());
}

TEST_F(PhotoListFileOperations, PastedLocationReplacesGPSAndNotifiesWithoutAMessage)
{
    screen.selected = photos({"gps1.jpg", "gps2.jpg"});
    // No location on the clipboard: nothing is asked.
    QGuiApplication::clipboard()->clear();
    run([&] { operations.pasteGPSLocation(); }, QString(), [] { return true; });
    EXPECT_TRUE(alerts.isEmpty());

    MCCopyGPSLocationToPasteboard(-33.8568, 151.2153);
    run([&] { operations.pasteGPSLocation(); }, QString(), [&] { return screen.infoReloads > 0; });
    ASSERT_EQ(alerts.size(), 1); // only the confirmation: "ShowMessageAfterGPSEditing" reads NO
    EXPECT_EQ(alerts[0].messageText, "Are you sure you want to change GPS location for the selected photos?");
    EXPECT_EQ(alerts[0].buttonTitles, (QStringList{"Change", "Cancel"}));
    EXPECT_EQ(screen.updated, screen.selected);
    for (const auto &file : screen.selected) {
        EXPECT_NEAR(file->fileInfo().GPSLatitude().toDouble(), 33.8568, 1e-4) << file->fileName().toStdString();
        EXPECT_EQ(file->fileInfo().GPSLatitudeRef().toString(), "S");
    }
    ASSERT_FALSE(bus.calls.isEmpty());
    EXPECT_EQ(bus.calls.last().method, "Notify");
    EXPECT_TRUE(bus.calls.last().arguments.contains("GPS Editing complete"));
    EXPECT_TRUE(bus.calls.last().arguments.contains("Successfully edited 2 images"));
}

TEST_F(PhotoListFileOperations, DateCommandsAskFirstAndStayQuietWhileAnotherScreenIsOnTop)
{
    screen.selected = photos({"d1.jpg"});
    run([&] { operations.setCreationDateFromCaptureDateForSelectedItems(); }, QString(), [&] { return !alerts.isEmpty(); },
        [](const MCAlertRequest &) { return MCAlertAnswer{MCAlertSecondButtonReturn, false}; });
    EXPECT_EQ(messages(),
              QStringList{"Are you sure you want to change file creation date for the selected photos?"});
    EXPECT_EQ(alerts[0].informativeText, "File creation date will be set to capture date.");

    alerts.clear();
    screen.skips = true;
    run([&] { operations.setCreationAndModificationDateFromCaptureDateForSelectedItems(); }, QString(), [] { return true; });
    run([&] { operations.editMetadataForSelectedItems(); }, QString(), [] { return true; });
    EXPECT_TRUE(alerts.isEmpty());
}
