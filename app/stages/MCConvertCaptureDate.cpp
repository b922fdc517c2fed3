#include "app/stages/MCConvertCaptureDate.h"

#include "app/library/MCFile.h"
#include "halvard/system/MCDateExtensions.h"
#include "platform/imageio/MCImageProperties.h"

#include <cmath>
#include <limits>

using namespace MCMetadataStageSupport;

const QString MCConvertSetCaptureDate::kDateKey = QStringLiteral("date");
const QString MCConvertSetCaptureDateFromCreated::kSetsOnlyIfMissingKey = QStringLiteral("setsOnlyIfMissing");
const QString MCConvertShiftCaptureDate::kYearsKey = QStringLiteral("years");
const QString MCConvertShiftCaptureDate::kMonthsKey = QStringLiteral("months");
const QString MCConvertShiftCaptureDate::kDaysKey = QStringLiteral("days");
const QString MCConvertShiftCaptureDate::kHoursKey = QStringLiteral("hours");
const QString MCConvertShiftCaptureDate::kMinutesKey = QStringLiteral("minutes");
const QString MCConvertShiftCaptureDate::kSecondsKey = QStringLiteral("seconds");
const QString MCConvertShiftCaptureDate::kUsesCreatedDateIfMissingKey = QStringLiteral("usesCreatedDateIfMissing");

namespace {

std::optional<QDateTime> creationDateOf(const MCFile *file)
{
    if (!file)
        return std::nullopt;
    const std::optional<QDateTime> created = file->browserItemFileCreatedDate();
    return created && created->isValid() ? created : std::nullopt;
}

std::optional<QDateTime> present(const std::optional<QDateTime> &date)
{
    return date && date->isValid() ? date : std::nullopt;
}

// The local date-time of a wall-clock reading. A reading that a daylight-saving change skips
// (02:30 on the night the clocks go from 02:00 to 03:00) is no local time; it becomes the
// instant that far after midnight, so it moves forward by the gap instead of being lost.
QDateTime localDateTime(const QDate &day, const QTime &time)
{
    const QDateTime exact(day, time, Qt::LocalTime);
    if (exact.isValid())
        return exact;
    for (const QTime &base : {QTime(0, 0), QTime(12, 0)}) {
        const QDateTime start(day, base, Qt::LocalTime);
        if (start.isValid())
            return start.addSecs(base.secsTo(time));
    }
    return {};
}

} // namespace

// ---------------------------------------------------------------- writing and finding

namespace MCCaptureDate {

QString exifText(const QDateTime &date)
{
    const QString text = MCDateExtensions::exifString(date);
    if (text.isEmpty() || MCDateExtensions::exifString(MCDateExtensions::dateFromExifString(text)) != text)
        return {};
    return text;
}

void write(QVariantMap &metadata, const QDateTime &date)
{
    const QString text = exifText(date);
    if (text.isNull())
        return;
    editSubDictionary(metadata, kCGImagePropertyExifDictionary, [&text](QVariantMap &exif) {
        exif.insert(kCGImagePropertyExifDateTimeOriginal, text);
        exif.insert(kCGImagePropertyExifDateTimeDigitized, text);
        // The offsets told the zone of the old date; the new one is local time.
        exif.remove(kCGImagePropertyExifOffsetTime);
        exif.remove(kCGImagePropertyExifOffsetTimeDigitized);
        exif.remove(kCGImagePropertyExifOffsetTimeOriginal);
    });
    editExistingSubDictionary(metadata, kCGImagePropertyTIFFDictionary,
                              [&text](QVariantMap &tiff) { tiff.insert(kCGImagePropertyTIFFDateTime, text); });
}

void ensureExif(QVariantMap &metadata)
{
    editSubDictionary(metadata, kCGImagePropertyExifDictionary, [](QVariantMap &) {});
}

std::optional<QDateTime> existing(const QVariantMap &metadata)
{
    const QVariantMap exif = subDictionary(metadata, kCGImagePropertyExifDictionary);
    const QVariantMap tiff = subDictionary(metadata, kCGImagePropertyTIFFDictionary);
    for (const QVariant &value : {exif.value(kCGImagePropertyExifDateTimeOriginal),
                                  exif.value(kCGImagePropertyExifDateTimeDigitized),
                                  tiff.value(kCGImagePropertyTIFFDateTime)}) {
        if (value.typeId() != QMetaType::QString)
            continue;
        const QDateTime date = MCDateExtensions::dateFromExifString(value.toString());
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

} // namespace MCCaptureDate

// ---------------------------------------------------------------- Set Capture Date

MCConvertSetCaptureDate::MCConvertSetCaptureDate() { assignParameterValue(kDateKey, QDateTime::currentDateTime()); }

const MCStageParameters &MCConvertSetCaptureDate::parameters() const
{
    static const MCStageParameters table = {
        {.name = kDateKey, .type = MCStageParameterType::Date, .defaultValue = QDateTime::fromSecsSinceEpoch(0)},
    };
    return table;
}

void MCConvertSetCaptureDate::resetToDefaults() { setDate(QDateTime::currentDateTime()); }

quint64 MCConvertSetCaptureDate::hashMix() const
{
    const QDateTime value = date();
    return value.isValid() ? quint64(hashInteger(double(value.toMSecsSinceEpoch()) / 1000.0, 1.0)) : 0;
}

std::optional<QVariant> MCConvertSetCaptureDate::decodeParameter(const MCStageParameter &parameter,
                                                                 const QVariant &stored) const
{
    if (parameter.name == kDateKey && !stored.isValid())
        return QVariant(QDateTime::fromSecsSinceEpoch(0));
    return MCMetadataStage::decodeParameter(parameter, stored);
}

std::optional<QDateTime> MCConvertSetCaptureDate::captureDateForDate(const std::optional<QDateTime> &date,
                                                                     const std::optional<QDateTime> &) const
{
    if (!isActive())
        return date;
    return present(this->date());
}

bool MCConvertSetCaptureDate::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (isActive())
        MCCaptureDate::write(metadata, date());
    return true;
}

// ---------------------------------------------------------------- File Creation to Capture Date

const MCStageParameters &MCConvertSetCaptureDateFromCreated::parameters() const
{
    static const MCStageParameters table = {
        {.name = kSetsOnlyIfMissingKey, .type = MCStageParameterType::Bool, .defaultValue = true, .hashFactor = 1},
    };
    return table;
}

std::optional<QDateTime> MCConvertSetCaptureDateFromCreated::captureDateForDate(
    const std::optional<QDateTime> &date, const std::optional<QDateTime> &fileCreationDate) const
{
    if (!isActive())
        return date;
    const std::optional<QDateTime> incoming = present(date);
    if (incoming && setsOnlyIfMissing())
        return incoming;
    // Without a creation date the conversion writes nothing, so the photo keeps its own date.
    const std::optional<QDateTime> created = present(fileCreationDate);
    return created ? created : incoming;
}

bool MCConvertSetCaptureDateFromCreated::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *file, MCError *)
{
    if (!isActive())
        return true;
    MCCaptureDate::ensureExif(metadata);
    if (setsOnlyIfMissing() && MCCaptureDate::existing(metadata))
        return true;
    if (const std::optional<QDateTime> created = creationDateOf(file))
        MCCaptureDate::write(metadata, *created);
    return true;
}

// ---------------------------------------------------------------- Shift Capture Date

const MCStageParameters &MCConvertShiftCaptureDate::parameters() const
{
    auto amount = [](const QString &name) {
        // An emptied field means no shift, not the lowest one.
        return MCStageParameter{.name = name, .type = MCStageParameterType::Integer, .defaultValue = qint64(0),
                                .minimum = -1000.0, .maximum = 1000.0, .nilValue = 0.0};
    };
    static const MCStageParameters table = {
        amount(kYearsKey),   amount(kMonthsKey),  amount(kDaysKey), amount(kHoursKey),
        amount(kMinutesKey), amount(kSecondsKey), boolParameter(kUsesCreatedDateIfMissingKey, true),
    };
    return table;
}

quint64 MCConvertShiftCaptureDate::hashMix() const { return hashMix(amounts(), usesCreatedDateIfMissing()); }

quint64 MCConvertShiftCaptureDate::hashMix(const Amounts &amounts, bool usesCreatedDateIfMissing)
{
    const auto [years, months, days, hours, minutes, seconds] = amounts;
    const quint64 total = quint64(years) * 31104000u + quint64(months) * 2592000u + quint64(days) * 86400u +
                          quint64(hours) * 3600u + quint64(minutes) * 60u + quint64(seconds);
    return (quint64(usesCreatedDateIfMissing) * 11u) ^ (total * 7u);
}

QDateTime MCConvertShiftCaptureDate::shiftedDate(const QDateTime &date) const { return shiftedDate(date, amounts()); }

QDateTime MCConvertShiftCaptureDate::shiftedDate(const QDateTime &date, const Amounts &amounts)
{
    if (!date.isValid())
        return {};
    // Amounts from a hand-edited preset may be huge: anything that cannot land on a date with
    // four year digits gives no date rather than an overflowed one.
    constexpr qint64 limit = 1000000000;
    auto fits = [](qint64 value) { return value >= -limit && value <= limit; };
    for (qint64 value : amounts)
        if (!fits(value))
            return {};
    const auto [years, months, days, hours, minutes, seconds] = amounts;
    // Years, months and days move the local calendar date and keep the wall-clock time (the
    // calendar clamps a missing day to the month's last); hours, minutes and seconds are
    // elapsed time. The calendar part runs on the plain date, so the local zone is consulted
    // once rather than once per unit: the rename preview asks this for every file.
    const QDateTime wallClock = date.toLocalTime();
    const QDate day = wallClock.date().addYears(int(years)).addMonths(int(months)).addDays(days);
    if (!day.isValid())
        return {};
    const QDateTime shifted = localDateTime(day, wallClock.time()).addSecs(hours * 3600 + minutes * 60 + seconds);
    if (!shifted.isValid())
        return {};
    const int year = shifted.date().year();
    return year >= 1 && year <= 9999 ? shifted : QDateTime();
}

std::optional<QDateTime> MCConvertShiftCaptureDate::captureDateForDate(
    const std::optional<QDateTime> &date, const std::optional<QDateTime> &fileCreationDate) const
{
    if (!isActive())
        return date;
    if (const std::optional<QDateTime> incoming = present(date)) {
        // A shift no date can take writes nothing: the photo keeps its date.
        const QDateTime shifted = shiftedDate(*incoming);
        return shifted.isValid() ? shifted : incoming;
    }
    return usesCreatedDateIfMissing() ? present(fileCreationDate) : std::nullopt;
}

bool MCConvertShiftCaptureDate::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *file, MCError *)
{
    if (!isActive())
        return true;
    MCCaptureDate::ensureExif(metadata);
    if (const std::optional<QDateTime> found = MCCaptureDate::existing(metadata)) {
        MCCaptureDate::write(metadata, shiftedDate(*found));
        return true;
    }
    if (usesCreatedDateIfMissing()) {
        if (const std::optional<QDateTime> created = creationDateOf(file))
            MCCaptureDate::write(metadata, *created);
    }
    return true;
}
