#include "app/dialogs/MCRenameOptionsViewController.h"
#include "app/dialogs/MCRenameTokenPopovers.h"
#include "app/library/MCBatchRenamePreset.h"
#include "app/library/MCFile.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

MCFileList files(const QStringList &names)
{
    MCFileList list;
    quint64 id = 1;
    for (const QString &name : names) {
        auto file = MCFile::fileWithID(id++);
        file->setFileName(name);
        file->setFilePath("/photos/" + name);
        list.append(file);
    }
    return list;
}

MCBatchRenameToken indexToken(qint64 start = 1, qint64 digits = 0)
{
    return MCBatchRenameToken(MCBatchRenameTokenKindIndex,
                              {{kMCRenameStartIndexKey, start}, {kMCRenameNumberOfDigitsKey, digits}});
}

// Rename presets kept in a temporary folder, nothing shipped.
std::shared_ptr<MCPresetManager> temporaryPresets(MCUserDefaults &defaults)
{
    MCPresetClass presetClass = MCBatchRenamePreset::presetClass();
    const QString folder = testsupport::makeTemporaryFolder("renamepresets");
    presetClass.presetsFolder = [folder] { return folder; };
    presetClass.defaultPresetsFolderInBundle = [folder] { return folder + "/none"; };
    return std::make_shared<MCPresetManager>(presetClass, &defaults);
}

class RenameDialog : public ::testing::Test
{
protected:
    std::unique_ptr<MCRenameOptionsDialog> makeDialog(const MCBatchRenameSettings &settings, const QStringList &names,
                                                      bool reordering = true)
    {
        auto dialog = std::make_unique<MCRenameOptionsDialog>(settings, files(names), "Rename Settings", "Start",
                                                              reordering, temporaryPresets(defaults));
        dialog->window();
        return dialog;
    }
    MCUserDefaults defaults{QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist")};
};

QStringList previewNames(QTreeWidget *list, int column)
{
    QStringList names;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        names << list->topLevelItem(row)->text(column);
    return names;
}

} // namespace

TEST_F(RenameDialog, TypedTextAndAnInsertedIndexMakeThreeElements)
{
    auto dialog = makeDialog(MCBatchRenameSettings(), {"a.jpg", "b.jpg"});
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    MCTokenField *field = editor->tokenField();
    EXPECT_EQ(dialog->okButton()->text(), "Start");
    EXPECT_TRUE(dialog->backButton()->isHidden());

    QTest::keyClicks(field, "IMG_");
    editor->addToken(MCBatchRenameTokenKindIndex);
    // The index opens its popover as it is inserted; typing on in the field closes it.
    EXPECT_NE(dynamic_cast<MCRenameTokenIndexPopover *>(editor->openPopoverController()), nullptr);
    QTest::keyClicks(field, "_x");
    EXPECT_EQ(editor->openPopoverController(), nullptr);

    const QList<MCBatchRenameElement> expected{QVariant("IMG_"), indexToken(1, 0), QVariant("_x")};
    EXPECT_EQ(editor->renameSettings().tokens(), expected);
    EXPECT_EQ(dialog->renameSettings().tokens(), expected);
    EXPECT_EQ(previewNames(editor->previewList(), 1), QStringList({"IMG_1_x.jpg", "IMG_2_x.jpg"}));
    EXPECT_EQ(dialog->convertedNames(), QStringList({"IMG_1_x.jpg", "IMG_2_x.jpg"}));
}

TEST_F(RenameDialog, InsertionSettingsAndPopoversPerKind)
{
    const struct {
        quint64 kind;
        QVariantMap settings;
        bool opens;
    } kinds[] = {
        {MCBatchRenameTokenKindIndex, {{"RenameNumberOfDigits", 0}, {"RenameStartIndex", 1}}, true},
        {MCBatchRenameTokenKindCaptureDate, {{"RenameDateFormatID", 2}, {"RenameTimeFormatID", 0}}, true},
        {MCBatchRenameTokenKindCurrentDate, {{"RenameDateFormatID", 2}, {"RenameTimeFormatID", 0}}, true},
        {MCBatchRenameTokenKindOriginalName, {{"RenameCaseKind", 0}}, false},
        {MCBatchRenameTokenKindOriginalIndex, {}, false},
        {MCBatchRenameTokenKindOriginalFolder, {{"RenameCaseKind", 0}}, false},
        {MCBatchRenameTokenKindFindAndReplace, {{"RenameFindString", ""}, {"RenameReplaceString", ""}}, true},
        {MCBatchRenameTokenKindImageDPI, {}, false},
        {MCBatchRenameTokenKindIPTCLocation, {{"RenameCaseKind", 0}}, false},
    };
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.kind);
        auto dialog = makeDialog(MCBatchRenameSettings(), {"a.jpg"});
        MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
        editor->addToken(k.kind);
        ASSERT_EQ(editor->renameSettings().tokens().size(), 1);
        const auto &token = std::get<MCBatchRenameToken>(editor->renameSettings().tokens()[0]);
        EXPECT_EQ(token.kind(), k.kind);
        EXPECT_EQ(token.settings().keys(), k.settings.keys());
        for (auto it = k.settings.cbegin(); it != k.settings.cend(); ++it)
            EXPECT_EQ(token.settings().value(it.key()).toString(), it.value().toString()) << it.key().toStdString();
        EXPECT_EQ(editor->openPopoverController() != nullptr, k.opens);
    }
}

TEST_F(RenameDialog, ClickingATokenWhileAPopoverIsOpenOnlyClosesIt)
{
    auto dialog = makeDialog(MCBatchRenameSettings({indexToken(), QVariant("-"),
                                                    MCBatchRenameToken(MCBatchRenameTokenKindCameraModel,
                                                                       {{kMCRenameCaseKindKey, 0}})}),
                             {"a.jpg"});
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    MCTokenField *field = editor->tokenField();
    dialog->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog->window()));
    field->viewport()->repaint();
    const auto rects = field->tokenRects();
    ASSERT_EQ(rects.size(), 2);
    auto click = [&](int token) {
        const QPoint point = rects[token].second.center().toPoint();
        QTest::mousePress(field->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(field->viewport(), Qt::LeftButton, {}, point);
    };
    click(1);
    auto *casePopover = dynamic_cast<MCRenameTokenChangeCasePopover *>(editor->openPopoverController());
    ASSERT_NE(casePopover, nullptr);
    click(0);
    EXPECT_EQ(editor->openPopoverController(), nullptr);
    click(0);
    EXPECT_NE(dynamic_cast<MCRenameTokenIndexPopover *>(editor->openPopoverController()), nullptr);
    dialog->window()->hide();
}

TEST_F(RenameDialog, APopoverEditsTheTokenInPlaceAndUndoRestoresIt)
{
    auto dialog = makeDialog(MCBatchRenameSettings({QVariant("IMG_"), indexToken()}), {"a.jpg", "b.jpg"});
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    editor->showSettingsForTokenIfNeed(4, QRectF(0, 0, 10, 10));
    auto *popover = dynamic_cast<MCRenameTokenIndexPopover *>(editor->openPopoverController());
    ASSERT_NE(popover, nullptr);
    EXPECT_EQ(popover->startIndexField()->doubleValue(), 1);
    popover->startIndexField()->setObjectValue(10.0);
    popover->numberOfDigitsField()->setObjectValue(3.0);
    const QList<MCBatchRenameElement> edited{QVariant("IMG_"), indexToken(10, 3)};
    EXPECT_EQ(editor->renameSettings().tokens(), edited);
    EXPECT_EQ(previewNames(editor->previewList(), 1), QStringList({"IMG_010.jpg", "IMG_011.jpg"}));
    EXPECT_EQ(editor->tokenField()->objectValue().last().value<MCBatchRenameToken>().displayTokenName(),
              "<Index:010>");

    editor->tokenField()->undo();
    EXPECT_EQ(editor->renameSettings().tokens(), (QList<MCBatchRenameElement>{QVariant("IMG_"), indexToken(10, 0)}));
    editor->tokenField()->undo();
    EXPECT_EQ(editor->renameSettings().tokens(), (QList<MCBatchRenameElement>{QVariant("IMG_"), indexToken(1, 0)}));
}

TEST_F(RenameDialog, CopyAndPasteKeepTokensOfTheRenameFamilyOnly)
{
    const MCBatchRenameToken date(MCBatchRenameTokenKindCaptureDate,
                                  {{kMCRenameDateFormatIDKey, 5}, {kMCRenameTimeFormatIDKey, 9}});
    auto dialog = makeDialog(MCBatchRenameSettings({QVariant("Trip "), date, indexToken(3, 2)}), {"a.jpg"});
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    MCTokenField *field = editor->tokenField();
    field->selectAll();
    field->copy();
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(QString::fromUtf8(copied->data(kMCTokenPasteboardFamilyType)), "Rename");
    EXPECT_EQ(copied->text(), "Trip " + date.displayTokenName() + indexToken(3, 2).displayTokenName());

    auto other = makeDialog(MCBatchRenameSettings(), {"a.jpg"});
    MCRenameOptionsViewController *target = other->batchRenameViewController();
    target->tokenField()->paste();
    EXPECT_EQ(target->renameSettings().tokens(), editor->renameSettings().tokens());

    // Plain text, another family's tokens and damaged tokens paste as literal text.
    auto pasteInto = [&](QMimeData *data) {
        QApplication::clipboard()->setMimeData(data);
        auto fresh = makeDialog(MCBatchRenameSettings(), {"a.jpg"});
        fresh->batchRenameViewController()->tokenField()->paste();
        return fresh->renameSettings().tokens();
    };
    auto *plain = new QMimeData;
    plain->setText("Holiday 2026");
    EXPECT_EQ(pasteInto(plain), (QList<MCBatchRenameElement>{QVariant("Holiday 2026")}));

    const QVariantList list{QVariantMap{{"kind", 1}, {"settings", QVariantMap{{"DateFormatID", 7}}}}};
    auto *watermark = new QMimeData;
    MCTokenField::writeTokenPropertyList(watermark, list, "Watermark");
    watermark->setText("<Capture Date>");
    EXPECT_EQ(pasteInto(watermark), (QList<MCBatchRenameElement>{QVariant("<Capture Date>")}));

    const struct {
        QVariantMap dictionary;
        bool sound;
    } dictionaries[] = {
        {{{"kind", 0}, {"settings", QVariantMap{{"RenameStartIndex", 10}}}}, true},
        {{{"kind", 6}, {"settings", QVariantMap{{"RenameFindString", "a"}, {"RenameReplaceString", ""}}}}, true},
        {{{"kind", 7}}, true},
        {{{"kind", 23}}, false},
        {{{"kind", -1}}, false},
        {{{"kind", "0"}}, false},
        {{{"kind", 0}, {"settings", QVariantMap{{"RenameNumberOfDigits", 11}}}}, false},
        {{{"kind", 0}, {"settings", QVariantMap{{"RenameStartIndex", -1}}}}, false},
        {{{"kind", 1}, {"settings", QVariantMap{{"RenameDateFormatID", 16}}}}, false},
        {{{"kind", 1}, {"settings", QVariantMap{{"DateFormatID", 2}}}}, false},
        {{{"kind", 6}, {"settings", QVariantMap{{"RenameFindString", 3}}}}, false},
        {{{"kind", 3}, {"settings", 5}}, false},
    };
    for (const auto &d : dictionaries) {
        const auto objects = MCRenameTokens::objectsFromPasteboardList({QVariant("x"), d.dictionary});
        EXPECT_EQ(objects.has_value(), d.sound) << platform::dataFromPropertyList(d.dictionary).toStdString();
    }
    auto *damaged = new QMimeData;
    MCTokenField::writeTokenPropertyList(damaged, {QVariantMap{{"kind", 99}}}, "Rename");
    damaged->setText("<Whatever>");
    EXPECT_EQ(pasteInto(damaged), (QList<MCBatchRenameElement>{QVariant("<Whatever>")}));
}

TEST_F(RenameDialog, OKNeedsRowsAndTheWarningFollowsDuplicates)
{
    auto dialog = makeDialog(MCBatchRenameSettings({QVariant("same")}), {"a.jpg", "b.jpg", "c.png"});
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    QTreeWidget *list = editor->previewList();
    EXPECT_TRUE(dialog->isWarningVisible());
    EXPECT_FALSE(dialog->warningView()->isHidden());
    EXPECT_TRUE(dialog->okButton()->isEnabled());

    // Removing a row renames the rest in their new order; duplicates gone, the warning goes.
    delete list->topLevelItem(0);
    EXPECT_FALSE(dialog->isWarningVisible());
    EXPECT_EQ(previewNames(list, 0), QStringList({"b.jpg", "c.png"}));
    EXPECT_EQ(dialog->items().size(), 2);
    EXPECT_EQ(dialog->items()[0]->fileName(), "b.jpg");

    // A typed index makes every name unique; duplicates would come back without it.
    editor->setRenameSettings(MCBatchRenameSettings({QVariant("same"), indexToken()}));
    EXPECT_FALSE(dialog->isWarningVisible());
    EXPECT_EQ(dialog->convertedNames(), QStringList({"same1.jpg", "same2.png"}));

    while (list->topLevelItemCount() > 0)
        delete list->topLevelItem(0);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->convertedNames().isEmpty());
}

TEST_F(RenameDialog, SlashesAreDeliveredAsColons)
{
    auto dialog = makeDialog(MCBatchRenameSettings({MCBatchRenameToken(MCBatchRenameTokenKindFindAndReplace,
                                                                       {{kMCRenameFindStringKey, "-"},
                                                                        {kMCRenameReplaceStringKey, "a/b"}})}),
                             {"x-y.jpg"});
    const QStringList names = dialog->convertedNames();
    ASSERT_EQ(names.size(), 1);
    EXPECT_FALSE(names[0].contains('/'));
    EXPECT_EQ(MCRenameTokens::elements({QVariant("a"), QVariant("b")}),
              (QList<MCBatchRenameElement>{QVariant("ab")}));
}

TEST_F(RenameDialog, PresetsAreStoredInTheirFolder)
{
    auto presets = temporaryPresets(defaults);
    presets->setUserPresets({MCBatchRenamePreset::presetWithName("Dated", MCBatchRenameSettings({QVariant("d")}))});
    ASSERT_TRUE(presets->savePresets());
    const QString folder = presets->presetClass().presetsFolder();
    MCRenameOptionsDialog dialog(MCBatchRenameSettings({QVariant("x")}), files({"a.jpg"}), "Rename Settings", "OK",
                                 false, presets);
    dialog.window();
    MCRenameOptionsViewController *editor = dialog.batchRenameViewController();
    QComboBox *popup = editor->presetsPopup();
    EXPECT_EQ(popup->currentText(), "Custom");

    popup->activated(popup->findText("Dated"));
    EXPECT_EQ(editor->renameSettings().tokens(), (QList<MCBatchRenameElement>{QVariant("d")}));
    EXPECT_EQ(editor->tokenField()->objectValue(), QVariantList({"d"}));
    EXPECT_EQ(previewNames(editor->previewList(), 1), QStringList({"d.jpg"}));

    QTest::keyClicks(editor->tokenField(), "2");
    EXPECT_EQ(popup->currentText(), "Dated (Edited)");
    popup->activated(popup->findText("Save Current Preset"));
    MCPresetManager reread(presets->presetClass(), &defaults);
    ASSERT_EQ(reread.userPresets().size(), 1);
    const auto *stored = dynamic_cast<const MCBatchRenamePreset *>(reread.userPresets()[0].get());
    EXPECT_EQ(stored->renameSettings().tokens(), (QList<MCBatchRenameElement>{QVariant("d2")}));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1);

    MCScopedAlertResponder yes([](const MCAlertRequest &) { return MCAlertAnswer{MCAlertFirstButtonReturn, false}; });
    popup->activated(popup->findText("Delete Current Preset…"));
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}
