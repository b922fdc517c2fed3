#include "app/library/MCBatchRenameSettings.h"
#include "app/panels/MCTokenPopovers.h"
#include "app/uikit/MCPopover.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

MCWatermarkTextToken captureDate(QVariantMap settings = {})
{
    return MCWatermarkTextToken(MCWatermarkTextTokenKindCaptureDate, settings);
}

// Chooses the entry tagged `tag` as the user would.
void choose(QComboBox *popup, qint64 tag)
{
    const int index = popup->findData(tag);
    ASSERT_GE(index, 0) << tag;
    popup->setCurrentIndex(index);
    emit popup->activated(index);
}

} // namespace

TEST(MCWatermarkTokenPopovers, DatePopoverStoresPatternRowsAndCase)
{
    MCWatermarkTextTokenDateFormatPopover popover;
    popover.view();
    ASSERT_EQ(popover.dateFormatsPopup()->count(), 16);
    ASSERT_EQ(popover.timeFormatsPopup()->count(), 13);
    popover.setToken(captureDate({{"DateFormatID", 2}, {"TimeFormatID", 1}}));
    QSignalSpy changed(&popover, &MCTokenPopoverController::tokenSettingsChanged);

    choose(popover.dateFormatsPopup(), 7); // "dd-MM-yyyy"
    choose(popover.timeFormatsPopup(), 0); // no time
    choose(popover.casePopup(), 1);
    EXPECT_EQ(changed.count(), 3);
    const MCWatermarkTextToken token = *popover.token();
    EXPECT_EQ(token.integerSetting("DateFormatID"), 7);
    EXPECT_EQ(token.integerSetting("TimeFormatID"), 0);
    EXPECT_TRUE(token.settings().contains("TimeFormatID"));
    EXPECT_EQ(token.integerSetting("CaseKind"), 1);
    EXPECT_EQ(token.datePattern(), "dd-MM-yyyy");
    // The label of the token in its field follows at once.
    EXPECT_EQ(token.displayTokenName(), "<Capture Date:dd-MM-yyyy>");
}

TEST(MCWatermarkTokenPopovers, DateEntriesShowSamplesExceptForTheEmptyPattern)
{
    const QDateTime now(QDate(2026, 3, 7), QTime(14, 5, 9));
    EXPECT_EQ(MCTokenDateFormatPopover::titleWithSample("No Date", "", now), "No Date");
    EXPECT_EQ(MCTokenDateFormatPopover::titleWithSample("yyyy-MM-dd", "yyyy-MM-dd", now), "yyyy-MM-dd (2026-03-07)");
    EXPECT_EQ(MCTokenDateFormatPopover::titleWithSample("HH-mm-ss", "HH-mm-ss", now), "HH-mm-ss (14-05-09)");

    MCWatermarkTextTokenDateFormatPopover popover;
    popover.view();
    EXPECT_EQ(popover.dateFormatsPopup()->itemText(0), "No Date");
    EXPECT_EQ(popover.timeFormatsPopup()->itemText(0), "No Time");
    EXPECT_TRUE(popover.dateFormatsPopup()->itemText(5).startsWith("yyyy-MM-dd ("));
}

TEST(MCWatermarkTokenPopovers, ANewTokenUpdatesEveryControlAndTheSameTokenNothing)
{
    MCWatermarkTextTokenFilenamePopover popover;
    popover.view();
    QSignalSpy announced(&popover, &MCTokenPopoverController::propertyDidChange);

    // A token without a case shows case 0.
    popover.setToken(MCWatermarkTextToken(MCWatermarkTextTokenKindFileName, {{"FilenameTrimsIndex", true}}));
    EXPECT_EQ(popover.casePopup()->currentData().toInt(), 0);
    EXPECT_TRUE(popover.trimsIndexCheckbox()->isChecked());
    ASSERT_EQ(announced.count(), 2);
    EXPECT_EQ(announced[0][0].toString(), "caseKind");
    EXPECT_EQ(announced[1][0].toString(), "trimsIndex");

    popover.setToken(MCWatermarkTextToken(MCWatermarkTextTokenKindFileName, {{"FilenameTrimsIndex", true}}));
    EXPECT_EQ(announced.count(), 2);

    popover.setToken(MCWatermarkTextToken(MCWatermarkTextTokenKindOriginalName, {{"CaseKind", 3}}));
    EXPECT_EQ(popover.casePopup()->currentData().toInt(), 3);
    EXPECT_FALSE(popover.trimsIndexCheckbox()->isChecked());
    EXPECT_EQ(announced.count(), 4);

    popover.trimsIndexCheckbox()->click();
    EXPECT_TRUE(popover.token()->boolSetting("FilenameTrimsIndex"));
    EXPECT_EQ(popover.token()->settings().value("FilenameTrimsIndex").typeId(), QMetaType::Bool);
}

TEST(MCWatermarkTokenPopovers, EditsACopyOfTheToken)
{
    // The field's token stays as it was, so an undo of the field can put it back.
    const MCWatermarkTextToken original(MCWatermarkTextTokenKindCameraModel, {{"CaseKind", 0}});
    MCWatermarkTextTokenChangeCasePopover popover;
    popover.view();
    popover.setToken(original);
    choose(popover.casePopup(), 2);
    EXPECT_EQ(original.integerSetting("CaseKind"), 0);
    EXPECT_EQ(popover.token()->integerSetting("CaseKind"), 2);

    // Without a token nothing is stored and nothing announced.
    popover.setToken(std::nullopt);
    QSignalSpy changed(&popover, &MCTokenPopoverController::tokenSettingsChanged);
    popover.setCaseKind(3);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(popover.token());
    EXPECT_NE(popover.popover(), nullptr);
    EXPECT_EQ(popover.popover()->contentViewController(), &popover);
}
