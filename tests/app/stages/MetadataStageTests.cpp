// The stages that edit the property dictionary: keywords, private tags, capture dates,
// copyright and owner, rating, GPS and IPTC texts, on dictionaries (what reaches a written
// file is checked in MetadataStageFileTests).
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "halvard/system/MCDateExtensions.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cmath>
#include <limits>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace {

template <typename Stage> std::shared_ptr<Stage> make()
{
    auto stage = std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
    if (!stage)
        ADD_FAILURE() << "the factory makes no stage " << Stage::StageID;
    return stage;
}

template <typename Stage> std::shared_ptr<Stage> read(const QVariantMap &dictionary)
{
    QVariantMap withID = dictionary;
    withID.insert("stageID", Stage::StageID);
    return std::dynamic_pointer_cast<Stage>(MCConvertStage::stageWithDictionary(withID));
}

QVariantMap run(MCConvertStage &stage, QVariantMap metadata, const MCFile *file = nullptr)
{
    MCError error;
    EXPECT_TRUE(stage.convertBitmap(nullptr, metadata, file, &error)) << error.toString().toStdString();
    return metadata;
}

QVariantMap sub(const QVariantMap &metadata, const QString &key) { return metadata.value(key).toMap(); }

QVariantMap withKeywords(const QVariant &keywords)
{
    return {{kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCKeywords, keywords}}}};
}

QVariant keywordsOf(const QVariantMap &metadata)
{
    return sub(metadata, kCGImagePropertyIPTCDictionary).value(kCGImagePropertyIPTCKeywords);
}

QVariantList list(const QStringList &items)
{
    QVariantList result;
    for (const QString &item : items)
        result << item;
    return result;
}

QDateTime local(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
}

// A library file for a fresh file on disk: its creation date is the file system's birth time
// where the file system keeps one.
std::shared_ptr<MCFile> fileOnDisk()
{
    const QString path = QDir(testsupport::makeTemporaryFolder("created")).filePath("photo.jpg");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    auto made = MCFile::fileWithID(3);
    made->setFilePath(path);
    made->reloadFileInfo();
    return made;
}

} // namespace

// ---------------------------------------------------------------- keywords

TEST(KeywordStages, AddSplitsTheTextAndSkipsKeywordsAlreadyThere)
{
    struct Case
    {
        const char *label;
        QVariant existing; // invalid: no IPTC sub-dictionary at all
        QString text;
        bool removesExisting;
        QVariant expected; // invalid: no keyword list
    };
    const Case cases[] = {
        {"leading space goes, the space before a comma stays", list({"cat"}), "  cat ,dog", false, list({"cat", "cat ", "dog"})},
        {"runs of commas, a trailing comma and trailing blanks add nothing", QVariant(), "a,,,b,  \n", false, list({"a", "b"})},
        {"two spellings are compared with the list, not with each other", QVariant(), "Sun,sun", false, list({"Sun", "sun"})},
        {"an existing keyword in another case is not added", list({"Beach"}), "beach,SEA", false, list({"Beach", "SEA"})},
        {"line breaks before a piece are skipped", list({"x"}), "\n\ty", false, list({"x", "y"})},
        {"replacing existing keywords with nothing removes the list", list({"a"}), "", true, QVariant()},
        {"replacing existing keywords", list({"a", "b"}), "b, c", true, list({"b", "c"})},
        // A lone text is one keyword, even one holding a comma, and comes back as a list.
        {"a lone text is one keyword", QVariant("Smith, John"), "x", false, list({"Smith, John", "x"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto stage = make<MCConvertAddKeyword>();
        stage->setKeywords(c.text);
        stage->setRemovesExistingKeywords(c.removesExisting);
        const QVariantMap out = run(*stage, c.existing.isValid() ? withKeywords(c.existing) : QVariantMap());
        ASSERT_TRUE(out.value(kCGImagePropertyIPTCDictionary).typeId() == QMetaType::QVariantMap);
        EXPECT_EQ(keywordsOf(out), c.expected);
    }
}

TEST(KeywordStages, FindAndReplaceAppendsReplacementsAndDeletesMatches)
{
    struct Case
    {
        const char *label;
        QStringList existing;
        QString find, replace;
        bool appendsAnyway;
        QVariant expected;
    };
    const Case cases[] = {
        {"two replacements go to the end, the second keeps its space", {"a", "cat", "b"}, "CAT", "lion, tiger", false,
         list({"a", "b", "lion", " tiger"})},
        {"a case-only change moves the keyword to the end", {"cat", "dog"}, "cat", "Cat", false, list({"dog", "Cat"})},
        {"a find piece after a comma and a space begins with a space", {"b", " b", "c"}, "x, b", "", false,
         list({"b", "c"})},
        {"no match and no appending changes nothing", {"a"}, "z", "y", false, list({"a"})},
        {"no match but appending adds the replacements", {"a"}, "z", "y,A", true, list({"a", "y"})},
        {"only the later spelling goes", {"Sky", "x", "sky"}, "SKY", "", false, list({"Sky", "x"})},
        {"an empty replace deletes", {"a", "b"}, "a", "", false, list({"b"})},
        {"deleting the last keyword removes the list", {"a"}, "A", "", false, QVariant()},
        {"empty replacement pieces add no empty keyword", {"a"}, "a", "b,,c,", false, list({"b", "c"})},
        {"a replacement already present is not added twice", {"a", "b"}, "a", "B", false, list({"b"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto stage = make<MCConvertReplaceKeyword>();
        stage->setFind(c.find);
        stage->setReplace(c.replace);
        stage->setAppendsAnyway(c.appendsAnyway);
        EXPECT_EQ(keywordsOf(run(*stage, withKeywords(list(c.existing)))), c.expected);
    }
    // A photo without IPTC data gains an empty IPTC sub-dictionary and nothing else.
    auto stage = make<MCConvertReplaceKeyword>();
    stage->setFind("a");
    EXPECT_EQ(run(*stage, {}), (QVariantMap{{kCGImagePropertyIPTCDictionary, QVariantMap()}}));
}

TEST(KeywordStages, InactiveStagesLeaveTheDictionaryAlone)
{
    const QVariantMap photo = withKeywords(list({"a"}));
    std::vector<std::shared_ptr<MCConvertStage>> stages;
    for (qint64 id : {3, 26, 28, 29, 30, 31, 32, 40, 401, 402})
        stages.push_back(MCConvertStage::convertStageWithID(id));
    for (const auto &stage : stages) {
        ASSERT_TRUE(stage);
        stage->setActive(false);
        EXPECT_EQ(run(*stage, photo), photo) << stage->stageID();
    }
}

TEST(RemovePrivateTags, EachSwitchRemovesItsKeysAndKeepsTheRest)
{
    const QVariantMap photo = {
        {kCGImagePropertyGPSDictionary,
         QVariantMap{{kCGImagePropertyGPSLatitude, 1.5}, {kCGImagePropertyGPSDateStamp, "2020:01:01"},
                     {kCGImagePropertyGPSTimeStamp, "10:00:00"}}},
        {kCGImagePropertyIPTCDictionary,
         QVariantMap{{kCGImagePropertyIPTCKeywords, list({"k"})}, {kCGImagePropertyIPTCDateCreated, "20200101"},
                     {kCGImagePropertyIPTCCopyrightNotice, "(c)"}}},
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2020:01:01 10:00:00"},
                     {kCGImagePropertyExifOffsetTime, "+01:00"},
                     {kCGImagePropertyExifCameraOwnerName, "Ann"},
                     {kCGImagePropertyExifBodySerialNumber, "123"},
                     {kCGImagePropertyExifFNumber, 2.8}}},
        {kCGImagePropertyExifAuxDictionary,
         QVariantMap{{kCGImagePropertyExifAuxOwnerName, "Ann"}, {kCGImagePropertyExifAuxLensModel, "L"}}},
        {kCGImagePropertyTIFFDictionary,
         QVariantMap{{kCGImagePropertyTIFFDateTime, "2020:01:01 10:00:00"}, {kCGImagePropertyTIFFArtist, "Ann"},
                     {kCGImagePropertyTIFFMake, "Maker"}, {kCGImagePropertyTIFFOrientation, 1}}},
        {kCGImagePropertyPNGDictionary,
         QVariantMap{{kCGImagePropertyPNGCreationTime, "t"}, {kCGImagePropertyPNGAuthor, "Ann"}}},
        {kCGImagePropertyCIFFDictionary, QVariantMap{{kCGImagePropertyCIFFOwnerName, "Ann"}}},
        {kCGImagePropertyMakerNikonDictionary, QVariantMap{{"ShutterCount", 10}}},
        {kCGImagePropertyPixelWidth, 6},
    };

    auto stage = make<MCConvertRemovePrivateTags>();
    // Everything on: whole groups go, emptied sub-dictionaries stay, other keys stay.
    const QVariantMap all = run(*stage, photo);
    EXPECT_FALSE(all.contains(kCGImagePropertyGPSDictionary));
    EXPECT_FALSE(all.contains(kCGImagePropertyIPTCDictionary));
    EXPECT_FALSE(all.contains(kCGImagePropertyMakerNikonDictionary));
    EXPECT_EQ(sub(all, kCGImagePropertyExifDictionary), (QVariantMap{{kCGImagePropertyExifFNumber, 2.8}}));
    EXPECT_EQ(sub(all, kCGImagePropertyExifAuxDictionary), QVariantMap());
    EXPECT_TRUE(all.contains(kCGImagePropertyExifAuxDictionary));
    EXPECT_EQ(sub(all, kCGImagePropertyTIFFDictionary), (QVariantMap{{kCGImagePropertyTIFFOrientation, 1}}));
    EXPECT_EQ(sub(all, kCGImagePropertyPNGDictionary), QVariantMap());
    EXPECT_EQ(sub(all, kCGImagePropertyCIFFDictionary), QVariantMap());
    EXPECT_EQ(all.value(kCGImagePropertyPixelWidth), 6);

    // Only the capture date: the GPS position stays without its date and time stamps.
    stage->setRemovesGPS(false);
    stage->setRemovesIPTC(false);
    stage->setRemovesCameraInfo(false);
    stage->setRemovesOwnerCopyrightInfo(false);
    const QVariantMap dates = run(*stage, photo);
    EXPECT_EQ(sub(dates, kCGImagePropertyGPSDictionary), (QVariantMap{{kCGImagePropertyGPSLatitude, 1.5}}));
    EXPECT_EQ(sub(dates, kCGImagePropertyIPTCDictionary),
              (QVariantMap{{kCGImagePropertyIPTCKeywords, list({"k"})}, {kCGImagePropertyIPTCCopyrightNotice, "(c)"}}));
    EXPECT_FALSE(sub(dates, kCGImagePropertyExifDictionary).contains(kCGImagePropertyExifOffsetTime));
    EXPECT_TRUE(sub(dates, kCGImagePropertyExifDictionary).contains(kCGImagePropertyExifCameraOwnerName));
    EXPECT_TRUE(sub(dates, kCGImagePropertyPNGDictionary).contains(kCGImagePropertyPNGAuthor));
    EXPECT_TRUE(dates.contains(kCGImagePropertyMakerNikonDictionary));

    // Only camera information: makers and serial numbers go, owners stay.
    stage->setRemovesCaptureDate(false);
    stage->setRemovesCameraInfo(true);
    const QVariantMap camera = run(*stage, photo);
    EXPECT_FALSE(camera.contains(kCGImagePropertyMakerNikonDictionary));
    EXPECT_EQ(sub(camera, kCGImagePropertyExifAuxDictionary), (QVariantMap{{kCGImagePropertyExifAuxOwnerName, "Ann"}}));
    EXPECT_FALSE(sub(camera, kCGImagePropertyTIFFDictionary).contains(kCGImagePropertyTIFFMake));
    EXPECT_TRUE(sub(camera, kCGImagePropertyTIFFDictionary).contains(kCGImagePropertyTIFFDateTime));
}

// ---------------------------------------------------------------- capture dates

TEST(CaptureDateStages, WritingSetsBothExifDatesTheTIFFDateAndDropsTheOffsets)
{
    auto stage = make<MCConvertSetCaptureDate>();
    stage->setDate(local(2021, 7, 4, 9, 5, 3));
    // Without Exif data: an Exif sub-dictionary with only the two dates; no TIFF one is made.
    EXPECT_EQ(run(*stage, {}), (QVariantMap{{kCGImagePropertyExifDictionary,
                                             QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2021:07:04 09:05:03"},
                                                         {kCGImagePropertyExifDateTimeDigitized, "2021:07:04 09:05:03"}}}}));
    const QVariantMap photo = {
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifOffsetTime, "+02:00"}, {kCGImagePropertyExifOffsetTimeOriginal, "+02:00"},
                     {kCGImagePropertyExifOffsetTimeDigitized, "+02:00"}, {kCGImagePropertyExifSubsecTimeOriginal, "12"}}},
        {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, "M"}}},
    };
    const QVariantMap out = run(*stage, photo);
    EXPECT_EQ(sub(out, kCGImagePropertyExifDictionary),
              (QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2021:07:04 09:05:03"},
                           {kCGImagePropertyExifDateTimeDigitized, "2021:07:04 09:05:03"},
                           {kCGImagePropertyExifSubsecTimeOriginal, "12"}}));
    EXPECT_EQ(sub(out, kCGImagePropertyTIFFDictionary),
              (QVariantMap{{kCGImagePropertyTIFFMake, "M"}, {kCGImagePropertyTIFFDateTime, "2021:07:04 09:05:03"}}));
    // A broken Exif entry (not a dictionary) is replaced by a proper one.
    const QVariantMap mended = run(*stage, {{kCGImagePropertyExifDictionary, "garbage"}});
    EXPECT_EQ(sub(mended, kCGImagePropertyExifDictionary).value(kCGImagePropertyExifDateTimeOriginal), "2021:07:04 09:05:03");
}

TEST(CaptureDateStages, ExistingDateSkipsWhatDoesNotReadAsADate)
{
    struct Case
    {
        const char *label;
        QVariant original, digitized, tiff;
        std::optional<QDateTime> expected;
    };
    const QDateTime d1 = local(2019, 5, 6, 7, 8, 9), d2 = local(2018, 1, 2, 3, 4, 5);
    const Case cases[] = {
        {"original first", "2019:05:06 07:08:09", "2018:01:02 03:04:05", "2000:01:01 00:00:00", d1},
        {"the cameras' unknown date is missing", "0000:00:00 00:00:00", "2018:01:02 03:04:05", QVariant(), d2},
        {"garbage and blanks are missing", "yesterday", "    ", "2018:01:02 03:04:05", d2},
        {"a month out of range is missing", "2019:13:06 07:08:09", QVariant(), QVariant(), std::nullopt},
        {"a number is no date text", 20190506, QVariant(), QVariant(), std::nullopt},
        {"nothing", QVariant(), QVariant(), QVariant(), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        QVariantMap exif, tiff;
        if (c.original.isValid())
            exif.insert(kCGImagePropertyExifDateTimeOriginal, c.original);
        if (c.digitized.isValid())
            exif.insert(kCGImagePropertyExifDateTimeDigitized, c.digitized);
        if (c.tiff.isValid())
            tiff.insert(kCGImagePropertyTIFFDateTime, c.tiff);
        const QVariantMap photo{{kCGImagePropertyExifDictionary, exif}, {kCGImagePropertyTIFFDictionary, tiff}};
        EXPECT_EQ(MCCaptureDate::existing(photo), c.expected);
    }
}

TEST(CaptureDateStages, ShiftAddsEachUnitInTurnAndClampsToTheMonthsEnd)
{
    struct Case
    {
        const char *from;
        qint64 years, months, days, hours, minutes, seconds;
        const char *to;
    };
    const Case cases[] = {
        {"2020:02:29 12:00:00", 1, 0, 0, 0, 0, 0, "2021:02:28 12:00:00"},
        {"2020:03:01 00:30:00", 0, 0, -1, 0, 0, 0, "2020:02:29 00:30:00"},
        {"2021:01:31 08:00:00", 0, 1, 0, 0, 0, 0, "2021:02:28 08:00:00"},
        // The month first, then the day: 31 Jan + 1 month is 28 Feb, + 1 day is 1 Mar.
        {"2021:01:31 08:00:00", 0, 1, 1, 0, 0, 0, "2021:03:01 08:00:00"},
        {"2020:12:31 23:59:59", 0, 0, 0, 0, 0, 1, "2021:01:01 00:00:00"},
        {"2020:06:15 10:20:30", -1, -2, -3, -4, -5, -6, "2019:04:12 06:15:24"},
        {"2020:06:15 10:00:00", 0, 0, 0, 30, 90, 0, "2020:06:16 17:30:00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.from);
        auto stage = make<MCConvertShiftCaptureDate>();
        stage->setYears(c.years);
        stage->setMonths(c.months);
        stage->setDays(c.days);
        stage->setHours(c.hours);
        stage->setMinutes(c.minutes);
        stage->setSeconds(c.seconds);
        const QVariantMap out =
            run(*stage, {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, c.from}}},
                         {kCGImagePropertyTIFFDictionary, QVariantMap()}});
        EXPECT_EQ(sub(out, kCGImagePropertyExifDictionary).value(kCGImagePropertyExifDateTimeDigitized).toString(), c.to);
        EXPECT_EQ(sub(out, kCGImagePropertyTIFFDictionary).value(kCGImagePropertyTIFFDateTime).toString(), c.to);
        const std::optional<QDateTime> predicted =
            stage->captureDateForDate(MCDateExtensions::dateFromExifString(c.from), std::nullopt);
        ASSERT_TRUE(predicted);
        EXPECT_EQ(MCDateExtensions::exifString(*predicted), c.to);
    }
    // Amounts no date can take (a hand-edited preset) leave the photo's date as it is.
    auto wild = make<MCConvertShiftCaptureDate>();
    wild->setYears(std::numeric_limits<qint64>::max());
    const QVariantMap photo{{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2020:01:01 00:00:00"}}}};
    EXPECT_EQ(run(*wild, photo), photo);
    wild->setYears(9000);
    EXPECT_EQ(run(*wild, photo), photo);
    EXPECT_EQ(wild->captureDateForDate(local(2020, 1, 1, 0, 0, 0), std::nullopt), local(2020, 1, 1, 0, 0, 0));
}

TEST(CaptureDateStages, CreationDateFillsMissingDatesAndPredictionsAgree)
{
    const auto file = fileOnDisk();
    const std::optional<QDateTime> created = file->fileCreationDate();
    if (!created)
        GTEST_SKIP() << "this file system keeps no creation date";
    const QString createdText = MCDateExtensions::exifString(*created);
    const QString own = "2001:02:03 04:05:06";
    const QVariantMap dated{{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifOffsetTime, "+01:00"}}},
                            {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFDateTime, own}}}};
    auto original = [](const QVariantMap &m) {
        return sub(m, kCGImagePropertyExifDictionary).value(kCGImagePropertyExifDateTimeOriginal).toString();
    };

    auto fromCreated = make<MCConvertSetCaptureDateFromCreated>();
    // Only the TIFF date parses, and that is enough to leave the photo alone (but for the
    // Exif sub-dictionary the search makes).
    EXPECT_EQ(run(*fromCreated, dated, file.get()), dated);
    EXPECT_EQ(original(run(*fromCreated, {}, file.get())), createdText);
    fromCreated->setSetsOnlyIfMissing(false);
    const QVariantMap overwritten = run(*fromCreated, dated, file.get());
    EXPECT_EQ(original(overwritten), createdText);
    EXPECT_EQ(sub(overwritten, kCGImagePropertyTIFFDictionary).value(kCGImagePropertyTIFFDateTime).toString(), createdText);
    EXPECT_FALSE(sub(overwritten, kCGImagePropertyExifDictionary).contains(kCGImagePropertyExifOffsetTime));
    // Without a file (so without a creation date) nothing is written, and the prediction keeps
    // the photo's own date too.
    EXPECT_EQ(original(run(*fromCreated, dated, nullptr)), QString());
    const QDateTime ownDate = local(2001, 2, 3, 4, 5, 6);
    EXPECT_EQ(fromCreated->captureDateForDate(ownDate, std::nullopt), ownDate);
    EXPECT_EQ(fromCreated->captureDateForDate(ownDate, created), created);
    fromCreated->setSetsOnlyIfMissing(true);
    EXPECT_EQ(fromCreated->captureDateForDate(ownDate, created), ownDate);
    EXPECT_EQ(fromCreated->captureDateForDate(std::nullopt, created), created);

    // Shift without a date writes the creation date unshifted, or nothing.
    auto shift = make<MCConvertShiftCaptureDate>();
    shift->setDays(10);
    EXPECT_EQ(original(run(*shift, {}, file.get())), createdText);
    EXPECT_EQ(shift->captureDateForDate(std::nullopt, created), created);
    shift->setUsesCreatedDateIfMissing(false);
    EXPECT_EQ(original(run(*shift, {}, file.get())), QString());
    EXPECT_EQ(shift->captureDateForDate(std::nullopt, created), std::nullopt);

    // Set answers its date whatever comes in.
    auto set = make<MCConvertSetCaptureDate>();
    set->setDate(ownDate);
    EXPECT_EQ(set->captureDateForDate(std::nullopt, created), ownDate);
}

TEST(CaptureDateStages, TheConverterFoldsThePredictionsInListOrder)
{
    auto defaults = std::make_unique<MCUserDefaults>(
        QDir(testsupport::makeTemporaryFolder("defaults")).filePath(QStringLiteral("Preferences.plist")));
    defaults->registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    MCBitmapConverter converter(defaults.get());
    auto set = make<MCConvertSetCaptureDate>();
    set->setDate(local(2020, 1, 31, 12, 0, 0));
    auto shift = make<MCConvertShiftCaptureDate>();
    shift->setMonths(1);
    auto inactive = make<MCConvertShiftCaptureDate>();
    inactive->setYears(5);
    inactive->setActive(false);
    converter.setStagesFromArray({set, shift, inactive});
    EXPECT_EQ(converter.captureDateForOriginalDate(std::nullopt, std::nullopt), local(2020, 2, 29, 12, 0, 0));
}

TEST(CaptureDateStages, StoredFormsReadMissingKeysAsZero)
{
    auto set = read<MCConvertSetCaptureDate>({{"stageIsActive", true}});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->date(), QDateTime::fromSecsSinceEpoch(0));
    EXPECT_EQ(run(*set, {}).value(kCGImagePropertyExifDictionary).toMap().value(kCGImagePropertyExifDateTimeOriginal),
              MCDateExtensions::exifString(QDateTime::fromSecsSinceEpoch(0)));
    EXPECT_EQ(read<MCConvertSetCaptureDate>({{"date", 86400.5}})->date(), QDateTime::fromMSecsSinceEpoch(86400500));
    // A new stage holds the moment it was made; a reset takes the moment of the reset.
    const QDateTime before = QDateTime::currentDateTime();
    auto fresh = make<MCConvertSetCaptureDate>();
    EXPECT_GE(fresh->date(), before);
    fresh->setDate(QDateTime::fromSecsSinceEpoch(5));
    fresh->resetToDefaults();
    EXPECT_GE(fresh->date(), before);

    auto shift = read<MCConvertShiftCaptureDate>({{"days", 3}});
    ASSERT_TRUE(shift);
    EXPECT_EQ(shift->days(), 3);
    EXPECT_FALSE(shift->usesCreatedDateIfMissing());
    EXPECT_EQ(shift->minYears(), -1000.0);
    EXPECT_EQ(shift->maxYears(), 1000.0);
    EXPECT_FALSE(read<MCConvertSetCaptureDateFromCreated>({})->setsOnlyIfMissing());
    EXPECT_TRUE(make<MCConvertSetCaptureDateFromCreated>()->setsOnlyIfMissing());
}

TEST(CaptureDateStages, AnEmptiedAmountBecomesZeroLater)
{
    auto shift = make<MCConvertShiftCaptureDate>();
    shift->setHours(7);
    shift->setValueForKey("hours", QVariant());
    EXPECT_EQ(shift->hours(), 7);
    testsupport::processEventsUntil([&] { return shift->hours() == 0; }, 1000);
    EXPECT_EQ(shift->hours(), 0);
}

// ---------------------------------------------------------------- copyright, rating, GPS

TEST(OwnerStages, CopyrightAndOwnerGoIntoEveryDictionaryThatHoldsThem)
{
    auto stage = make<MCConvertSetCopyrightAndOwner>();
    EXPECT_EQ(stage->copyright(), "All rights reserved");
    // The owner defaults to the account's full name (its first comma-separated field).
    const passwd *account = getpwuid(getuid());
    ASSERT_TRUE(account);
    QString name = QString::fromLocal8Bit(account->pw_gecos).section(',', 0, 0).trimmed();
    if (name.isEmpty())
        name = QString::fromLocal8Bit(account->pw_name);
    EXPECT_EQ(stage->owner(), name);

    stage->setCopyright("© Ann");
    stage->setOwner(QString()); // nil writes ""
    const QVariantMap out = run(*stage, {{kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, "M"}}}});
    EXPECT_EQ(sub(out, kCGImagePropertyIPTCDictionary), (QVariantMap{{kCGImagePropertyIPTCCopyrightNotice, "© Ann"}}));
    EXPECT_EQ(sub(out, kCGImagePropertyPNGDictionary),
              (QVariantMap{{kCGImagePropertyPNGCopyright, "© Ann"}, {kCGImagePropertyPNGAuthor, ""}}));
    EXPECT_EQ(sub(out, kCGImagePropertyTIFFDictionary),
              (QVariantMap{{kCGImagePropertyTIFFMake, "M"}, {kCGImagePropertyTIFFCopyright, "© Ann"},
                           {kCGImagePropertyTIFFArtist, ""}}));
    EXPECT_EQ(sub(out, kCGImagePropertyExifAuxDictionary), (QVariantMap{{kCGImagePropertyExifAuxOwnerName, ""}}));
    EXPECT_TRUE(sub(out, kCGImagePropertyPNGDictionary).value(kCGImagePropertyPNGAuthor).typeId() == QMetaType::QString);
    // Stored without the owner, it reads back as nil and stays nil.
    EXPECT_FALSE(stage->dictionaryRepresentation().contains("owner"));
    auto back = read<MCConvertSetCopyrightAndOwner>(stage->dictionaryRepresentation());
    EXPECT_TRUE(back->owner().isNull());
    EXPECT_TRUE(back->isEqual(*stage));
}

TEST(OwnerStages, RatingZeroIsWrittenAndAnEmptiedRatingBecomesZeroLater)
{
    auto stage = make<MCConvertSetRating>();
    EXPECT_EQ(stage->rating(), 5);
    EXPECT_EQ(stage->minRating(), 0u);
    EXPECT_EQ(stage->maxRating(), 5u);
    stage->setRating(0);
    const QVariant written = sub(run(*stage, {}), kCGImagePropertyIPTCDictionary).value(kCGImagePropertyIPTCStarRating);
    EXPECT_EQ(written, QVariant(qint64(0)));
    stage->setRating(3);
    stage->setValueForKey("rating", QVariant());
    EXPECT_EQ(stage->rating(), 3);
    testsupport::processEventsUntil([&] { return stage->rating() == 0; }, 1000);
    EXPECT_EQ(stage->rating(), 0);
}

TEST(OwnerStages, GPSWritesAbsoluteValuesWithTheirReferences)
{
    struct Case
    {
        double latitude, longitude;
        double absLatitude, absLongitude;
        const char *latitudeRef;
        const char *longitudeRef;
    };
    const Case cases[] = {
        {-33.5, 151.25, 33.5, 151.25, "S", "E"},
        {0.0, 0.0, 0.0, 0.0, "N", "E"},
        {37.78708, -122.44015, 37.78708, 122.44015, "N", "W"},
        {90.0, -180.0, 90.0, 180.0, "N", "W"},
    };
    for (const Case &c : cases) {
        auto stage = make<MCConvertSetGPS>();
        stage->setLatitude(c.latitude);
        stage->setLongitude(c.longitude);
        const QVariantMap gps = sub(run(*stage, {}), kCGImagePropertyGPSDictionary);
        EXPECT_EQ(gps, (QVariantMap{{kCGImagePropertyGPSLatitude, c.absLatitude},
                                    {kCGImagePropertyGPSLatitudeRef, c.latitudeRef},
                                    {kCGImagePropertyGPSLongitude, c.absLongitude},
                                    {kCGImagePropertyGPSLongitudeRef, c.longitudeRef}}))
            << c.latitude << " " << c.longitude;
        EXPECT_EQ(gps.value(kCGImagePropertyGPSLatitude).typeId(), QMetaType::Double);
    }
}

TEST(OwnerStages, GPSOverwritesOnlyWhereAllowedAndRefusesPositionsOffTheGlobe)
{
    const QVariantMap positioned{{kCGImagePropertyGPSDictionary,
                                  QVariantMap{{kCGImagePropertyGPSLatitude, 1.0}, {kCGImagePropertyGPSLatitudeRef, "N"},
                                              {kCGImagePropertyGPSLongitude, 2.0}, {kCGImagePropertyGPSLongitudeRef, "E"},
                                              {kCGImagePropertyGPSAltitude, 100.0}}}};
    const QVariantMap halfPositioned{{kCGImagePropertyGPSDictionary,
                                      QVariantMap{{kCGImagePropertyGPSLatitude, 1.0}, {kCGImagePropertyGPSAltitude, 100.0}}}};
    auto stage = make<MCConvertSetGPS>();
    stage->setLatitude(-10);
    stage->setLongitude(-20);
    EXPECT_EQ(run(*stage, positioned), positioned);
    // A latitude without a longitude is no position: written over, other entries stay.
    const QVariantMap half = sub(run(*stage, halfPositioned), kCGImagePropertyGPSDictionary);
    EXPECT_EQ(half.value(kCGImagePropertyGPSLatitude), 10.0);
    EXPECT_EQ(half.value(kCGImagePropertyGPSAltitude), 100.0);
    // Overwriting drops everything the old position had.
    stage->setSetsOnlyIfMissing(false);
    const QVariantMap replaced = sub(run(*stage, positioned), kCGImagePropertyGPSDictionary);
    EXPECT_FALSE(replaced.contains(kCGImagePropertyGPSAltitude));
    EXPECT_EQ(replaced.value(kCGImagePropertyGPSLongitudeRef), "W");
    // A stored stage without the flag overwrites.
    EXPECT_FALSE(read<MCConvertSetGPS>({{"latitude", 1.0}, {"longitude", 2.0}})->setsOnlyIfMissing());

    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> bad[] = {{90.5, 0}, {-91, 0}, {0, 180.01}, {0, -400}, {nan, 0}, {0, inf}};
    for (const auto &[latitude, longitude] : bad) {
        auto off = make<MCConvertSetGPS>();
        off->setLatitude(latitude);
        off->setLongitude(longitude);
        QVariantMap metadata = positioned;
        MCError error;
        EXPECT_FALSE(off->convertBitmap(nullptr, metadata, nullptr, &error)) << latitude << " " << longitude;
        EXPECT_TRUE(error.is(MCErrorDomain, 2));
        EXPECT_FALSE(error.localizedFailureReason().isEmpty());
        EXPECT_EQ(metadata, positioned);
    }
}

// ---------------------------------------------------------------- IPTC texts

TEST(IPTCInfoStage, SwitchedFieldsAreWrittenAndEmptiedOthersKept)
{
    auto stage = make<MCConvertSetIPTCInfo>();
    ASSERT_EQ(MCConvertSetIPTCInfo::fields().size(), 9u);
    stage->setValueForKey("creator", "Ann");
    stage->setValueForKey("city", "Oslo");
    stage->setValueForKey("shouldEditCaption", false);
    const QVariantMap photo{{kCGImagePropertyIPTCDictionary,
                             QVariantMap{{kCGImagePropertyIPTCCaptionAbstract, "old caption"},
                                         {kCGImagePropertyIPTCHeadline, "old headline"},
                                         {kCGImagePropertyIPTCKeywords, list({"k"})}}}};
    const QVariantMap iptc = sub(run(*stage, photo), kCGImagePropertyIPTCDictionary);
    EXPECT_EQ(iptc, (QVariantMap{{kCGImagePropertyIPTCByline, "Ann"},
                                 {kCGImagePropertyIPTCCaptionAbstract, "old caption"},
                                 {kCGImagePropertyIPTCCopyrightNotice, ""},
                                 {kCGImagePropertyIPTCHeadline, ""},
                                 {kCGImagePropertyIPTCObjectName, ""},
                                 {kCGImagePropertyIPTCCity, "Oslo"},
                                 {kCGImagePropertyIPTCCountryPrimaryLocationName, ""},
                                 {kCGImagePropertyIPTCProvinceState, ""},
                                 {kCGImagePropertyIPTCSubLocation, ""},
                                 {kCGImagePropertyIPTCKeywords, list({"k"})}}));

    // Read from a dictionary without switches, every switch is off: only an empty IPTC
    // sub-dictionary appears.
    auto bare = read<MCConvertSetIPTCInfo>({{"stageIsActive", true}, {"creator", "Ann"}});
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->shouldEdit("creator"));
    EXPECT_TRUE(bare->text("caption").isNull());
    EXPECT_EQ(run(*bare, {}), (QVariantMap{{kCGImagePropertyIPTCDictionary, QVariantMap()}}));
}

TEST(IPTCInfoStage, EqualityComparesTextsOfSwitchedOnFieldsOnly)
{
    auto a = make<MCConvertSetIPTCInfo>(), b = make<MCConvertSetIPTCInfo>();
    a->setValueForKey("shouldEditTitle", false);
    b->setValueForKey("shouldEditTitle", false);
    a->setValueForKey("title", "one");
    b->setValueForKey("title", "two");
    EXPECT_TRUE(a->isEqual(*b));
    a->setValueForKey("shouldEditTitle", true);
    b->setValueForKey("shouldEditTitle", true);
    EXPECT_FALSE(a->isEqual(*b));
    b->setValueForKey("title", "one");
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->keyPathsForObserver().size(), 19); // "active" and the eighteen options
}

// Calendar units keep the wall-clock time across a daylight-saving change; a time the change
// skips moves forward by the gap instead of being lost, and hours are elapsed time.
TEST(CaptureDateStages, ShiftAcrossADaylightSavingChange)
{
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    struct Case
    {
        const char *from;
        qint64 days, hours;
        const char *to;
    };
    const Case cases[] = {
        {"2021:03:27 12:00:00", 1, 0, "2021:03:28 12:00:00"}, // a 23-hour day
        {"2021:03:27 02:30:00", 1, 0, "2021:03:28 03:30:00"}, // 02:30 does not exist that night
        {"2021:03:28 00:30:00", 0, 2, "2021:03:28 03:30:00"}, // two elapsed hours
    };
    for (const Case &c : cases) {
        auto stage = make<MCConvertShiftCaptureDate>();
        stage->setDays(c.days);
        stage->setHours(c.hours);
        const QVariantMap out =
            run(*stage, {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, c.from}}}});
        EXPECT_EQ(sub(out, kCGImagePropertyExifDictionary).value(kCGImagePropertyExifDateTimeOriginal).toString(), c.to)
            << c.from;
    }
    if (previous.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", previous);
    tzset();
}
