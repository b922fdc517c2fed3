#pragma once

// The eleven edit-metadata stages. Each has the options of its conversion twin (same names,
// types, defaults, limits, dictionary keys and equality) and writes them through `exiftool`
// tag names instead of property-dictionary keys. Keyword lists travel as lists (QStringList
// values), so a keyword may hold a comma; capture dates as EXIF text in local time.
#include "app/metadata/MCEditMetadataStage.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"

// ---------------------------------------------------------------- keywords

// Appends the comma-separated `keywords` the photo lacks to its keywords (or replaces them with
// `removesExistingKeywords`), under "Keywords" and "XMP-dc:subject".
class MCEditMetadataAddKeyword : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 0;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QString keywords() const { return stringValue(MCConvertAddKeyword::kKeywordsKey); }
    void setKeywords(const QString &keywords) { setParameterValue(MCConvertAddKeyword::kKeywordsKey, keywords); }
    bool removesExistingKeywords() const { return boolValue(MCConvertAddKeyword::kRemovesExistingKeywordsKey); }
    void setRemovesExistingKeywords(bool removes)
    {
        setParameterValue(MCConvertAddKeyword::kRemovesExistingKeywordsKey, removes);
    }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Replaces the keywords named in `find` by those of `replace`, as the conversion twin does.
class MCEditMetadataReplaceKeyword : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 9;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QString find() const { return stringValue(MCConvertReplaceKeyword::kFindKey); }
    void setFind(const QString &find) { setParameterValue(MCConvertReplaceKeyword::kFindKey, find); }
    QString replace() const { return stringValue(MCConvertReplaceKeyword::kReplaceKey); }
    void setReplace(const QString &replace) { setParameterValue(MCConvertReplaceKeyword::kReplaceKey, replace); }
    bool appendsAnyway() const { return boolValue(MCConvertReplaceKeyword::kAppendsAnywayKey); }
    void setAppendsAnyway(bool appends) { setParameterValue(MCConvertReplaceKeyword::kAppendsAnywayKey, appends); }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Deletes groups of private information: GPS, the burst identifier, the XMP and IPTC records,
// owner and copyright and camera identification (JPEG and JPEG 2000 only), and the dates.
class MCEditMetadataRemovePrivateTags : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 1;
    static const QString kRemovesBurstKey; // "removesBurst"
    qint64 stageID() const override { return StageID; }
    // The twin's five switches and "removesBurst", all YES.
    const MCStageParameters &parameters() const override;

    bool removesCaptureDate() const { return boolValue(MCConvertRemovePrivateTags::kRemovesCaptureDateKey); }
    void setRemovesCaptureDate(bool v) { setParameterValue(MCConvertRemovePrivateTags::kRemovesCaptureDateKey, v); }
    bool removesGPS() const { return boolValue(MCConvertRemovePrivateTags::kRemovesGPSKey); }
    void setRemovesGPS(bool v) { setParameterValue(MCConvertRemovePrivateTags::kRemovesGPSKey, v); }
    bool removesCameraInfo() const { return boolValue(MCConvertRemovePrivateTags::kRemovesCameraInfoKey); }
    void setRemovesCameraInfo(bool v) { setParameterValue(MCConvertRemovePrivateTags::kRemovesCameraInfoKey, v); }
    bool removesOwnerCopyrightInfo() const
    {
        return boolValue(MCConvertRemovePrivateTags::kRemovesOwnerCopyrightInfoKey);
    }
    void setRemovesOwnerCopyrightInfo(bool v)
    {
        setParameterValue(MCConvertRemovePrivateTags::kRemovesOwnerCopyrightInfoKey, v);
    }
    bool removesIPTC() const { return boolValue(MCConvertRemovePrivateTags::kRemovesIPTCKey); }
    void setRemovesIPTC(bool v) { setParameterValue(MCConvertRemovePrivateTags::kRemovesIPTCKey, v); }
    bool removesBurst() const { return boolValue(kRemovesBurstKey); }
    void setRemovesBurst(bool v) { setParameterValue(kRemovesBurstKey, v); }

    // The post-script that deletes the date shortcut tags and the GPS date and time stamps.
    static const QString kRemoveDatesScript;

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Rewrites all metadata in a fresh layout: a pre-script deletes every tag and copies them all
// back from the same file into their own groups.
class MCEditMetadataRebuildMetadata : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 1000;
    static const QString kRebuildScript;
    qint64 stageID() const override { return StageID; }
    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// ---------------------------------------------------------------- capture dates

// Writes a capture date D: "DateTimeOriginal", "CreateDate" and "ModifyDate" take its EXIF
// text, and "OffsetTime", "OffsetTimeOriginal" and "OffsetTimeDigitized" are deleted. A date
// that has no EXIF text (out of the four-digit years) writes nothing rather than deleting the
// photo's dates.
namespace MCEditCaptureDate {
void write(MCEditMetadataChanges &changes, const QDateTime &date);
}

// Writes one fixed `date` into every file.
class MCEditMetadataSetCaptureDate : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 2;
    // `date` is the moment the stage is made.
    MCEditMetadataSetCaptureDate();
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QDateTime date() const { return parameterValue(MCConvertSetCaptureDate::kDateKey).toDateTime(); }
    void setDate(const QDateTime &date) { setParameterValue(MCConvertSetCaptureDate::kDateKey, date); }
    // `date` becomes the moment of the reset.
    void resetToDefaults() override;

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;

protected:
    quint64 hashMix() const override;
    // A stored form without a date reads as 1 January 1970 00:00:00 UTC.
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;
};

// Writes the file's creation date; with `setsOnlyIfMissing` only into photos without one.
class MCEditMetadataSetCaptureDateFromCreated : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 4;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool setsOnlyIfMissing() const { return boolValue(MCConvertSetCaptureDateFromCreated::kSetsOnlyIfMissingKey); }
    void setSetsOnlyIfMissing(bool only)
    {
        setParameterValue(MCConvertSetCaptureDateFromCreated::kSetsOnlyIfMissingKey, only);
    }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Moves the photo's capture date as the conversion twin does; a photo without one gets the
// file's creation date, unshifted, with `usesCreatedDateIfMissing`.
class MCEditMetadataShiftCaptureDate : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 3;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    using Amounts = MCConvertShiftCaptureDate::Amounts;
    qint64 years() const { return integerValue(MCConvertShiftCaptureDate::kYearsKey); }
    void setYears(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kYearsKey, value); }
    qint64 months() const { return integerValue(MCConvertShiftCaptureDate::kMonthsKey); }
    void setMonths(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kMonthsKey, value); }
    qint64 days() const { return integerValue(MCConvertShiftCaptureDate::kDaysKey); }
    void setDays(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kDaysKey, value); }
    qint64 hours() const { return integerValue(MCConvertShiftCaptureDate::kHoursKey); }
    void setHours(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kHoursKey, value); }
    qint64 minutes() const { return integerValue(MCConvertShiftCaptureDate::kMinutesKey); }
    void setMinutes(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kMinutesKey, value); }
    qint64 seconds() const { return integerValue(MCConvertShiftCaptureDate::kSecondsKey); }
    void setSeconds(qint64 value) { setParameterValue(MCConvertShiftCaptureDate::kSecondsKey, value); }
    bool usesCreatedDateIfMissing() const
    {
        return boolValue(MCConvertShiftCaptureDate::kUsesCreatedDateIfMissingKey);
    }
    void setUsesCreatedDateIfMissing(bool uses)
    {
        setParameterValue(MCConvertShiftCaptureDate::kUsesCreatedDateIfMissingKey, uses);
    }
    Amounts amounts() const { return {years(), months(), days(), hours(), minutes(), seconds()}; }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;

protected:
    quint64 hashMix() const override;
};

// ---------------------------------------------------------------- owner, rating, GPS, IPTC

// "Copyright" = `copyright`; "Artist" and "OwnerName" = `owner`; nil deletes them.
class MCEditMetadataSetCopyrightAndOwner : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 5;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QString copyright() const { return stringValue(MCConvertSetCopyrightAndOwner::kCopyrightKey); }
    void setCopyright(const QString &text) { setParameterValue(MCConvertSetCopyrightAndOwner::kCopyrightKey, text); }
    QString owner() const { return stringValue(MCConvertSetCopyrightAndOwner::kOwnerKey); }
    void setOwner(const QString &text) { setParameterValue(MCConvertSetCopyrightAndOwner::kOwnerKey, text); }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// "XMP:Rating" = `rating` (0 to 5; 0 is a rating, not its removal).
class MCEditMetadataSetRating : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 6;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    qint64 rating() const { return integerValue(MCConvertSetRating::kRatingKey); }
    void setRating(qint64 rating) { setParameterValue(MCConvertSetRating::kRatingKey, rating); }
    quint64 minRating() const { return quint64(minimumForKey(MCConvertSetRating::kRatingKey)); }
    quint64 maxRating() const { return quint64(maximumForKey(MCConvertSetRating::kRatingKey)); }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Writes a position into the EXIF GPS tags (absolute values with N/S and E/W references) and
// the XMP ones (signed); with `setsOnlyIfMissing` only into photos that have none. A position
// off the globe fails the edit instead of writing a wrong one.
class MCEditMetadataSetGPS : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 7;
    qint64 stageID() const override { return StageID; }
    // The twin's options, with the default position 37.786996, -122.4401.
    const MCStageParameters &parameters() const override;

    double latitude() const { return doubleValue(MCConvertSetGPS::kLatitudeKey); }
    void setLatitude(double latitude) { setParameterValue(MCConvertSetGPS::kLatitudeKey, latitude); }
    double longitude() const { return doubleValue(MCConvertSetGPS::kLongitudeKey); }
    void setLongitude(double longitude) { setParameterValue(MCConvertSetGPS::kLongitudeKey, longitude); }
    bool setsOnlyIfMissing() const { return boolValue(MCConvertSetGPS::kSetsOnlyIfMissingKey); }
    void setSetsOnlyIfMissing(bool only) { setParameterValue(MCConvertSetGPS::kSetsOnlyIfMissingKey, only); }
    double minLatitude() const { return minimumForKey(MCConvertSetGPS::kLatitudeKey); }
    double maxLatitude() const { return maximumForKey(MCConvertSetGPS::kLatitudeKey); }
    double minLongitude() const { return minimumForKey(MCConvertSetGPS::kLongitudeKey); }
    double maxLongitude() const { return maximumForKey(MCConvertSetGPS::kLongitudeKey); }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;
};

// Up to nine descriptive texts, each under its switch, into its IPTC tag and its XMP
// counterpart (the creator into the EXIF artist and XMP, the caption also into the EXIF image
// description). Nil deletes the field's tags.
class MCEditMetadataSetIPTCInfo : public MCEditMetadataStage
{
public:
    static constexpr qint64 StageID = 8;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // The tags of the field whose text key is `textKey`, in the order they are written.
    static QStringList tagsForField(const QString &textKey);
    bool shouldEdit(const QString &textKey) const;
    QString text(const QString &textKey) const { return stringValue(textKey); }
    void setShouldEdit(const QString &textKey, bool edit);
    void setText(const QString &textKey, const QString &text) { setParameterValue(textKey, text); }

    bool editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const override;

protected:
    bool parametersEqual(const MCConvertStage &other) const override;
};
