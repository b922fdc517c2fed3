#include "app/dialogs/MCRenameTokenPopovers.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(MCRenameTokenPopovers, IndexPopoverStoresNumbersWithinTheirLimits)
{
    MCRenameTokenIndexPopover popover;
    popover.view();
    // A token without settings shows 0 for both values.
    popover.setToken(MCBatchRenameToken(MCBatchRenameTokenKindIndex));
    EXPECT_EQ(popover.startIndexField()->doubleValue(), 0);
    EXPECT_EQ(popover.numberOfDigitsField()->doubleValue(), 0);

    QSignalSpy changed(&popover, &MCTokenPopoverController::tokenSettingsChanged);
    popover.startIndexField()->setObjectValue(10.0);
    const QVariant start = popover.token()->settings().value("RenameStartIndex");
    EXPECT_EQ(start.typeId(), QMetaType::LongLong);
    EXPECT_EQ(start.toLongLong(), 10);
    EXPECT_EQ(changed.count(), 1);

    const struct {
        qint64 digits, stored;
    } digits[] = {{3, 3}, {0, 0}, {10, 10}, {11, 10}, {-2, 0}};
    for (const auto &d : digits) {
        popover.setNumberOfDigits(d.digits);
        EXPECT_EQ(popover.numberOfDigits(), d.stored) << d.digits;
        EXPECT_EQ(popover.numberOfDigitsField()->doubleValue(), double(d.stored));
    }
    popover.setStartIndex(-5);
    EXPECT_EQ(popover.startIndex(), 0);
    EXPECT_EQ(popover.token()->displayTokenName(), "<Index:0>");
}

TEST(MCRenameTokenPopovers, FindAndReplaceStoresTheTypedStrings)
{
    MCRenameTokenFindAndReplacePopover popover;
    popover.view();
    popover.setToken(MCBatchRenameToken(MCBatchRenameTokenKindFindAndReplace));
    QTest::keyClicks(popover.findField(), "IMG");
    QTest::keyClicks(popover.replaceField(), "Trip");
    EXPECT_EQ(popover.token()->stringSetting("RenameFindString"), "IMG");
    EXPECT_EQ(popover.token()->stringSetting("RenameReplaceString"), "Trip");
    // An emptied field stores the empty string, not nothing.
    popover.replaceField()->selectAll();
    QTest::keyClick(popover.replaceField(), Qt::Key_Backspace);
    const QVariant replace = popover.token()->settings().value("RenameReplaceString");
    EXPECT_EQ(replace.typeId(), QMetaType::QString);
    EXPECT_TRUE(replace.toString().isEmpty());
}

TEST(MCRenameTokenPopovers, TwinsStoreTheRenameKeys)
{
    MCRenameTokenDateFormatPopover date;
    date.view();
    date.setToken(MCBatchRenameToken(MCBatchRenameTokenKindCaptureDate, {{"RenameDateFormatID", 2}}));
    const int row = date.dateFormatsPopup()->findData(5);
    date.dateFormatsPopup()->setCurrentIndex(row);
    emit date.dateFormatsPopup()->activated(row);
    EXPECT_EQ(date.token()->integerSetting("RenameDateFormatID"), 5);
    EXPECT_FALSE(date.token()->settings().contains("DateFormatID"));

    MCRenameTokenFilenamePopover name;
    name.view();
    name.setToken(MCBatchRenameToken(MCBatchRenameTokenKindOriginalName, {{"RenameCaseKind", 0}}));
    name.setTrimsIndex(true);
    EXPECT_TRUE(name.token()->boolSetting("RenameFilenameTrimsIndex"));
    EXPECT_FALSE(name.token()->settings().contains("FilenameTrimsIndex"));
}
