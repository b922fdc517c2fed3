// The photo list's rename command with the real rename dialog, renaming real files.
#include "app/browser/MCPhotoListFileOperations.h"
#include "app/dialogs/MCRenameOptionsViewController.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Screen : public MCPhotoListFileOperationsHost
{
public:
    QWidget *hostWindow() override { return &window; }
    MCFileList selectedItems() override { return selected; }
    void removeFiles(const MCFileList &files) override { removed += files; }
    void importItemsAtURLs(const QStringList &paths) override { imported += paths; }
    void noteItemsWereUpdated(const MCFileList &) override {}
    void reloadInfoPanel() override {}
    bool skipsActions() const override { return false; }

    QWidget window;
    MCFileList selected, removed;
    QStringList imported;
};

QDialog *shownRenameDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible() &&
                                                             dialog->objectName() == "MCRenameDialog")
            return dialog;
    return nullptr;
}

} // namespace

TEST(RenameCommand, OpensTheRenameDialogAndRenamesTheFilesItNames)
{
    quillon::installLibraryServices();
    MCUserDefaults defaults(QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
    MCRegisteredDefaults::registerDefaults(defaults);
    MCRenameOptionsDialog::install();
    struct Uninstall {
        ~Uninstall() { MCRenameDialog::setFactory(nullptr); }
    } uninstall;

    const QString folder = testsupport::makeTemporaryFolder("photos");
    Screen screen;
    for (const QString name : {"w.jpg", "x.jpg", "y.jpg"}) {
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(folder + "/" + name, "JPEG"));
        auto file = MCFileContainer::newFileWithURL(folder + "/" + name);
        file->reloadFileInfo();
        screen.selected.append(file);
    }
    MCBatchRenamer::defaultBatchRenamer().saveRenameSettingsForCopying(MCBatchRenameSettings(
        {QVariant("trip_"), MCBatchRenameToken(MCBatchRenameTokenKindIndex,
                                               {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 2}})}));

    // The user sees the dialog with the stored pattern, leaves the first photo out, types
    // "_x" after the index and starts.
    QStringList shownNames;
    QString buttonTitle;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(testsupport::processEventsUntil([] { return shownRenameDialog() != nullptr; }));
        QDialog *dialog = shownRenameDialog();
        auto *list = dialog->findChild<QTreeWidget *>();
        auto *field = dialog->findChild<MCTokenField *>();
        ASSERT_TRUE(list && field);
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            shownNames << list->topLevelItem(row)->text(1);
        delete list->topLevelItem(0);
        field->setFocus();
        field->selectText();
        QTest::keyClicks(field, "_x");
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->text() == "Start" && button->isVisible()) {
                buttonTitle = button->text();
                button->click();
            }
    });
    // Renaming first asks for access to the photos' folder: granted.
    MCScopedOpenPanelResponder access([](const MCOpenPanelRequest &request) {
        return MCOpenPanelAnswer{true, {request.directory}, request.directory};
    });
    QList<MCAlertRequest> alerts;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        alerts << request;
        return MCAlertAnswer{};
    });
    MCPhotoListFileOperations operations(screen, &defaults);
    operations.renameSelectedItems();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !alerts.isEmpty(); }, 20000));

    EXPECT_EQ(buttonTitle, "Start");
    EXPECT_EQ(shownNames, QStringList({"trip_01.jpg", "trip_02.jpg", "trip_03.jpg"}));
    EXPECT_EQ(alerts[0].messageText, "2 photos were renamed.");
    EXPECT_TRUE(QFile::exists(folder + "/w.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/trip_01_x.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/trip_02_x.jpg"));
    EXPECT_FALSE(QFile::exists(folder + "/x.jpg"));
    // The edited pattern is offered the next time.
    const auto stored = MCBatchRenamer::defaultBatchRenamer().renameSettingsForCopying().tokens();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored.last(), MCBatchRenameElement(QVariant("_x")));
}
