#include "app/metadata/MCEditMetadataStages.h"

#include "app/library/MCFile.h"
#include "app/library/MCResourceManager.h"
#include "app/metadata/MCMetadataManager.h"

#include <QHash>

#include <cmath>

using namespace MCMetadataStageSupport;

const QString MCEditMetadataRemovePrivateTags::kRemovesBurstKey = QStringLiteral("removesBurst");
const QString MCEditMetadataRemovePrivateTags::kRemoveDatesScript =
    QStringLiteral("%s\n-alldates=\n-gpsdatestamp=\n-gpstimestamp=\n-overwrite_original\n");
const QString MCEditMetadataRebuildMetadata::kRebuildScript =
    QStringLiteral("%s\n-all=\n-tagsfromfile\n@\n-all:all\n-overwrite_original\n");

namespace {

// The option table of the conversion twin: the same names, types, defaults, limits and keys.
template <typename Twin> const MCStageParameters &twinParameters()
{
    static const Twin twin;
    return twin.parameters();
}

// A text option as a tag value: nil deletes the tag.
QVariant tagValue(const QString &text) { return text.isNull() ? MCNullTagValue() : QVariant(text); }

const QString kKeywordsTag = QStringLiteral("Keywords");
const QString kSubjectTag = QStringLiteral("XMP-dc:subject");

// The keywords due for the file in this run: what an earlier keyword stage set (a list under
// "Keywords", else under "XMP-dc:subject"), else the keywords loaded with the file.
QStringList currentKeywords(const MCFile &file, const MCEditMetadataChanges &changes)
{
    for (const QString &tag : {kKeywordsTag, kSubjectTag}) {
        if (!changes.containsKey(tag))
            continue;
        const QVariant value = changes.objectForKey(tag);
        if (value.isNull())
            return {}; // deleted by an earlier stage
        if (value.typeId() == QMetaType::QString)
            return QStringList{value.toString()}; // one keyword, never split at its commas
        return value.toStringList();
    }
    const QVariant loaded = file.fileInfo().keywords();
    if (loaded.typeId() == QMetaType::QString)
        return loaded.toString().isEmpty() ? QStringList() : QStringList{loaded.toString()};
    return loaded.toStringList();
}

// The list under both keyword tags; an empty list deletes them.
void setKeywordList(MCEditMetadataChanges &changes, QStringList keywords)
{
    keywords.removeAll(QString()); // an empty keyword is no keyword
    changes.setObject(keywords, kKeywordsTag);
    changes.setObject(keywords, kSubjectTag);
}

} // namespace

// ---------------------------------------------------------------- keywords

const MCStageParameters &MCEditMetadataAddKeyword::parameters() const { return twinParameters<MCConvertAddKeyword>(); }

bool MCEditMetadataAddKeyword::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *) const
{
    const QStringList existing = removesExistingKeywords() ? QStringList() : currentKeywords(file, changes);
    setKeywordList(changes, MCConvertAddKeyword::addedKeywords(existing, keywords()));
    return true;
}

const MCStageParameters &MCEditMetadataReplaceKeyword::parameters() const
{
    return twinParameters<MCConvertReplaceKeyword>();
}

bool MCEditMetadataReplaceKeyword::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes,
                                                      MCError *) const
{
    setKeywordList(changes, MCConvertReplaceKeyword::replacedKeywords(currentKeywords(file, changes), find(), replace(),
                                                                   appendsAnyway()));
    return true;
}

const MCStageParameters &MCEditMetadataRemovePrivateTags::parameters() const
{
    static const MCStageParameters table = [] {
        MCStageParameters parameters = twinParameters<MCConvertRemovePrivateTags>();
        parameters.push_back(boolParameter(kRemovesBurstKey, true));
        return parameters;
    }();
    return table;
}

bool MCEditMetadataRemovePrivateTags::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes,
                                                         MCError *) const
{
    auto remove = [&changes](std::initializer_list<const char *> tags) {
        for (const char *tag : tags)
            changes.setObject(MCNullTagValue(), QString::fromLatin1(tag));
    };
    if (removesGPS())
        remove({"gps:all"});
    if (removesBurst())
        remove({"BurstUUID"});
    if (removesIPTC()) {
        // The IPTC record itself as well as the XMP that mirrors it: removing only one would
        // leave the texts in the file.
        remove({"XMP:all", "IPTC:all"});
    }
    const QString type = file.fileType();
    if (MCResourceManager::isJPEGImageType(type) || MCResourceManager::isJPEG2000ImageType(type)) {
        if (removesOwnerCopyrightInfo())
            remove({"Artist", "OwnerName", "Software", "Copyright", "UserComment", "DocumentName", "ImageDescription",
                    "HostComputer"});
        if (removesCameraInfo())
            remove({"Make", "Model", "OwnerName", "SerialNumber", "LensMake", "LensModel", "LensInfo",
                    "LensSerialNumber", "Software", "ImageDescription"});
    }
    if (removesCaptureDate())
        appendScript(changes, kMCMetadataPostScriptsKey, kRemoveDatesScript);
    return true;
}

bool MCEditMetadataRebuildMetadata::editMetadataInFile(const MCFile &, MCEditMetadataChanges &changes, MCError *) const
{
    appendScript(changes, kMCMetadataPreScriptsKey, kRebuildScript);
    return true;
}

// ---------------------------------------------------------------- capture dates

void MCEditCaptureDate::write(MCEditMetadataChanges &changes, const QDateTime &date)
{
    const QString text = MCCaptureDate::exifText(date);
    if (text.isNull())
        return;
    for (const char *tag : {"DateTimeOriginal", "CreateDate", "ModifyDate"})
        changes.setObject(text, QString::fromLatin1(tag));
    // The offsets told the zone of the old date; the new one is local time.
    for (const char *tag : {"OffsetTime", "OffsetTimeOriginal", "OffsetTimeDigitized"})
        changes.setObject(MCNullTagValue(), QString::fromLatin1(tag));
}

namespace {

std::optional<QDateTime> valid(const std::optional<QDateTime> &date)
{
    return date && date->isValid() ? date : std::nullopt;
}

} // namespace

MCEditMetadataSetCaptureDate::MCEditMetadataSetCaptureDate()
{
    assignParameterValue(MCConvertSetCaptureDate::kDateKey, QDateTime::currentDateTime());
}

const MCStageParameters &MCEditMetadataSetCaptureDate::parameters() const
{
    return twinParameters<MCConvertSetCaptureDate>();
}

void MCEditMetadataSetCaptureDate::resetToDefaults() { setDate(QDateTime::currentDateTime()); }

quint64 MCEditMetadataSetCaptureDate::hashMix() const
{
    const QDateTime value = date();
    return value.isValid() ? quint64(hashInteger(double(value.toMSecsSinceEpoch()) / 1000.0, 1.0)) : 0;
}

std::optional<QVariant> MCEditMetadataSetCaptureDate::decodeParameter(const MCStageParameter &parameter,
                                                                      const QVariant &stored) const
{
    if (parameter.name == MCConvertSetCaptureDate::kDateKey && !stored.isValid())
        return QVariant(QDateTime::fromSecsSinceEpoch(0));
    return MCEditMetadataStage::decodeParameter(parameter, stored);
}

bool MCEditMetadataSetCaptureDate::editMetadataInFile(const MCFile &, MCEditMetadataChanges &changes, MCError *) const
{
    MCEditCaptureDate::write(changes, date());
    return true;
}

const MCStageParameters &MCEditMetadataSetCaptureDateFromCreated::parameters() const
{
    return twinParameters<MCConvertSetCaptureDateFromCreated>();
}

bool MCEditMetadataSetCaptureDateFromCreated::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes,
                                                                 MCError *) const
{
    if (valid(file.captureDate()) && setsOnlyIfMissing())
        return true;
    if (const std::optional<QDateTime> created = valid(file.fileCreationDate()))
        MCEditCaptureDate::write(changes, *created);
    return true;
}

const MCStageParameters &MCEditMetadataShiftCaptureDate::parameters() const
{
    return twinParameters<MCConvertShiftCaptureDate>();
}

quint64 MCEditMetadataShiftCaptureDate::hashMix() const
{
    return MCConvertShiftCaptureDate::hashMix(amounts(), usesCreatedDateIfMissing());
}

bool MCEditMetadataShiftCaptureDate::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes,
                                                        MCError *) const
{
    if (const std::optional<QDateTime> captured = valid(file.captureDate())) {
        // A shift no date can take writes nothing: the photo keeps its date.
        MCEditCaptureDate::write(changes, MCConvertShiftCaptureDate::shiftedDate(*captured, amounts()));
        return true;
    }
    if (usesCreatedDateIfMissing()) {
        if (const std::optional<QDateTime> created = valid(file.fileCreationDate()))
            MCEditCaptureDate::write(changes, *created);
    }
    return true;
}

// ---------------------------------------------------------------- owner, rating, GPS, IPTC

const MCStageParameters &MCEditMetadataSetCopyrightAndOwner::parameters() const
{
    return twinParameters<MCConvertSetCopyrightAndOwner>();
}

bool MCEditMetadataSetCopyrightAndOwner::editMetadataInFile(const MCFile &, MCEditMetadataChanges &changes,
                                                            MCError *) const
{
    changes.setObject(tagValue(copyright()), QStringLiteral("Copyright"));
    changes.setObject(tagValue(owner()), QStringLiteral("Artist"));
    changes.setObject(tagValue(owner()), QStringLiteral("OwnerName"));
    return true;
}

const MCStageParameters &MCEditMetadataSetRating::parameters() const { return twinParameters<MCConvertSetRating>(); }

bool MCEditMetadataSetRating::editMetadataInFile(const MCFile &, MCEditMetadataChanges &changes, MCError *) const
{
    changes.setObject(QString::number(rating()), QStringLiteral("XMP:Rating"));
    return true;
}

const MCStageParameters &MCEditMetadataSetGPS::parameters() const
{
    static const MCStageParameters table = [] {
        MCStageParameters parameters = twinParameters<MCConvertSetGPS>();
        for (MCStageParameter &parameter : parameters) {
            if (parameter.name == MCConvertSetGPS::kLatitudeKey)
                parameter.defaultValue = 37.786996;
            else if (parameter.name == MCConvertSetGPS::kLongitudeKey)
                parameter.defaultValue = -122.4401;
        }
        return parameters;
    }();
    return table;
}

bool MCEditMetadataSetGPS::editMetadataInFile(const MCFile &file, MCEditMetadataChanges &changes, MCError *error) const
{
    const double lat = latitude(), lon = longitude();
    // The setters do not clamp, so a hand-edited preset may hold any number: a position off
    // the globe would be written as a wrong one.
    if (!MCConvertSetGPS::isValidPosition(lat, lon))
        return MCSetError(error, editFailureError(file, MCConvertSetGPS::invalidPositionReason()));
    const MCFileInfo &info = file.fileInfo();
    const bool hasPosition = info.GPSLatitude().isValid() && !info.GPSLatitude().isNull() &&
                             info.GPSLongitude().isValid() && !info.GPSLongitude().isNull();
    if (hasPosition && setsOnlyIfMissing())
        return true;
    if (hasPosition)
        changes.setObject(MCNullTagValue(), QStringLiteral("gps:all")); // the old altitude, time and the like go too
    // Six decimals, always with a point: QString::asprintf ignores the user's locale.
    auto text = [](double value) { return QString::asprintf("%f", value); };
    changes.setObject(text(std::fabs(lat)), QStringLiteral("GPSLatitude"));
    changes.setObject(lat >= 0.0 ? QStringLiteral("N") : QStringLiteral("S"), QStringLiteral("GPSLatitudeRef"));
    changes.setObject(text(std::fabs(lon)), QStringLiteral("GPSLongitude"));
    changes.setObject(lon >= 0.0 ? QStringLiteral("E") : QStringLiteral("W"), QStringLiteral("GPSLongitudeRef"));
    changes.setObject(text(lat), QStringLiteral("XMP:GPSLatitude"));
    changes.setObject(text(lon), QStringLiteral("XMP:GPSLongitude"));
    return true;
}

const MCStageParameters &MCEditMetadataSetIPTCInfo::parameters() const
{
    return twinParameters<MCConvertSetIPTCInfo>();
}

QStringList MCEditMetadataSetIPTCInfo::tagsForField(const QString &textKey)
{
    static const QHash<QString, QStringList> table = {
        {QStringLiteral("creator"), {QStringLiteral("Artist"), QStringLiteral("XMP-dc:Creator")}},
        {QStringLiteral("caption"),
         {QStringLiteral("ImageDescription"), QStringLiteral("Caption-Abstract"), QStringLiteral("XMP-dc:Description")}},
        {QStringLiteral("copyright"), {QStringLiteral("CopyrightNotice"), QStringLiteral("XMP-dc:Rights")}},
        {QStringLiteral("headline"), {QStringLiteral("Headline"), QStringLiteral("XMP-photoshop:Headline")}},
        {QStringLiteral("title"), {QStringLiteral("ObjectName"), QStringLiteral("XMP-dc:Title")}},
        {QStringLiteral("city"), {QStringLiteral("City"), QStringLiteral("XMP-photoshop:City")}},
        {QStringLiteral("country"),
         {QStringLiteral("Country-PrimaryLocationName"), QStringLiteral("XMP-photoshop:Country")}},
        {QStringLiteral("province"), {QStringLiteral("Province-State"), QStringLiteral("XMP-photoshop:State")}},
        {QStringLiteral("location"), {QStringLiteral("Sub-location"), QStringLiteral("XMP-iptcCore:Location")}},
    };
    return table.value(textKey);
}

bool MCEditMetadataSetIPTCInfo::shouldEdit(const QString &textKey) const
{
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        if (field.textKey == textKey)
            return boolValue(field.switchKey);
    return false;
}

void MCEditMetadataSetIPTCInfo::setShouldEdit(const QString &textKey, bool edit)
{
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        if (field.textKey == textKey)
            setParameterValue(field.switchKey, edit);
}

bool MCEditMetadataSetIPTCInfo::parametersEqual(const MCConvertStage &other) const
{
    return MCConvertSetIPTCInfo::fieldsEqual(*this, other);
}

bool MCEditMetadataSetIPTCInfo::editMetadataInFile(const MCFile &, MCEditMetadataChanges &changes, MCError *) const
{
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields()) {
        if (!boolValue(field.switchKey))
            continue;
        const QVariant value = tagValue(stringValue(field.textKey));
        for (const QString &tag : tagsForField(field.textKey))
            changes.setObject(value, tag);
    }
    return true;
}
