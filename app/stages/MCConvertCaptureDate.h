#pragma once

// The stages that change the capture date the photo carries: Set Capture Date, File Creation
// to Capture Date and Shift Capture Date. Each writes the date as EXIF text in the local time
// zone into the Exif original and digitised dates and the TIFF date, drops the three EXIF
// time-zone offsets (which would no longer match), and predicts its effect for the rename
// engine through captureDateForDate(). None touches the pixels or fails.
#include "app/stages/MCMetadataStage.h"

#include <array>

namespace MCCaptureDate {

// `date` as EXIF text ("yyyy:MM:dd HH:mm:ss", local time); null for an invalid date and for
// one beyond what four year digits can say, which no reader would take for a date.
QString exifText(const QDateTime &date);

// Writes `date` as the capture date: Exif DateTimeOriginal and DateTimeDigitized (the Exif
// sub-dictionary is created when missing), TIFF DateTime when the TIFF sub-dictionary is
// present (it is not created), and removes OffsetTime, OffsetTimeOriginal and
// OffsetTimeDigitized. An invalid date writes nothing.
void write(QVariantMap &metadata, const QDateTime &date);
// The first of Exif DateTimeOriginal, Exif DateTimeDigitized and TIFF DateTime that reads as a
// date; unreadable texts and "0000:00:00 00:00:00" count as missing.
std::optional<QDateTime> existing(const QVariantMap &metadata);
// Makes sure the Exif sub-dictionary exists (File Creation and Shift create it before they
// look for a date, also when they end up writing nothing).
void ensureExif(QVariantMap &metadata);

} // namespace MCCaptureDate

// Writes one fixed `date`.
class MCConvertSetCaptureDate : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 26;
    static const QString kDateKey; // "date": seconds since 1970 as a double

    // `date` is the moment the stage is made.
    MCConvertSetCaptureDate();

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QDateTime date() const { return parameterValue(kDateKey).toDateTime(); }
    void setDate(const QDateTime &date) { setParameterValue(kDateKey, date); }

    // `date` becomes the moment of the reset.
    void resetToDefaults() override;

    std::optional<QDateTime> captureDateForDate(const std::optional<QDateTime> &date,
                                                const std::optional<QDateTime> &fileCreationDate) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    quint64 hashMix() const override; // the whole seconds since 1970
    // A stored form without a date reads as 1 January 1970 00:00:00 UTC.
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;
};

// Writes the file's creation date; with `setsOnlyIfMissing` only into photos without a
// capture date.
class MCConvertSetCaptureDateFromCreated : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 29;
    static const QString kSetsOnlyIfMissingKey; // "setsOnlyIfMissing"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool setsOnlyIfMissing() const { return boolValue(kSetsOnlyIfMissingKey); }
    void setSetsOnlyIfMissing(bool only) { setParameterValue(kSetsOnlyIfMissingKey, only); }

    std::optional<QDateTime> captureDateForDate(const std::optional<QDateTime> &date,
                                                const std::optional<QDateTime> &fileCreationDate) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Moves the capture date by signed years, months, days, hours, minutes and seconds, in that
// order, each a calendar addition on the result of the previous one (a day the target month
// lacks becomes its last day). A photo without a capture date gets the file's creation date,
// unshifted, with `usesCreatedDateIfMissing`.
class MCConvertShiftCaptureDate : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 28;
    static const QString kYearsKey;                    // "years"
    static const QString kMonthsKey;                   // "months"
    static const QString kDaysKey;                     // "days"
    static const QString kHoursKey;                    // "hours"
    static const QString kMinutesKey;                  // "minutes"
    static const QString kSecondsKey;                  // "seconds"
    static const QString kUsesCreatedDateIfMissingKey; // "usesCreatedDateIfMissing"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    qint64 years() const { return integerValue(kYearsKey); }
    void setYears(qint64 value) { setParameterValue(kYearsKey, value); }
    qint64 months() const { return integerValue(kMonthsKey); }
    void setMonths(qint64 value) { setParameterValue(kMonthsKey, value); }
    qint64 days() const { return integerValue(kDaysKey); }
    void setDays(qint64 value) { setParameterValue(kDaysKey, value); }
    qint64 hours() const { return integerValue(kHoursKey); }
    void setHours(qint64 value) { setParameterValue(kHoursKey, value); }
    qint64 minutes() const { return integerValue(kMinutesKey); }
    void setMinutes(qint64 value) { setParameterValue(kMinutesKey, value); }
    qint64 seconds() const { return integerValue(kSecondsKey); }
    void setSeconds(qint64 value) { setParameterValue(kSecondsKey, value); }
    bool usesCreatedDateIfMissing() const { return boolValue(kUsesCreatedDateIfMissingKey); }
    void setUsesCreatedDateIfMissing(bool uses) { setParameterValue(kUsesCreatedDateIfMissingKey, uses); }
    // The panel's limits, the same for all six amounts (the setters do not clamp).
    double minYears() const { return minimumForKey(kYearsKey); }
    double maxYears() const { return maximumForKey(kYearsKey); }

    // `date` moved by the six amounts; invalid when the result leaves the calendar's range.
    QDateTime shiftedDate(const QDateTime &date) const;
    // The same with the amounts given (years, months, days, hours, minutes, seconds); the
    // edit-metadata twin shares it.
    using Amounts = std::array<qint64, 6>;
    static QDateTime shiftedDate(const QDateTime &date, const Amounts &amounts);
    Amounts amounts() const { return {years(), months(), days(), hours(), minutes(), seconds()}; }
    // The hash mix of amounts and flag (see hashMix()).
    static quint64 hashMix(const Amounts &amounts, bool usesCreatedDateIfMissing);

    std::optional<QDateTime> captureDateForDate(const std::optional<QDateTime> &date,
                                                const std::optional<QDateTime> &fileCreationDate) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // ((flag × 11) XOR (total × 7)), the total counting a year as 360 days and a month as 30.
    quint64 hashMix() const override;
};
