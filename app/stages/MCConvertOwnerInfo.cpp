#include "app/stages/MCConvertOwnerInfo.h"

#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>

#include <cmath>

using namespace MCMetadataStageSupport;

const QString MCConvertSetCopyrightAndOwner::kCopyrightKey = QStringLiteral("copyright");
const QString MCConvertSetCopyrightAndOwner::kOwnerKey = QStringLiteral("owner");
const QString MCConvertSetRating::kRatingKey = QStringLiteral("rating");
const QString MCConvertSetGPS::kLatitudeKey = QStringLiteral("latitude");
const QString MCConvertSetGPS::kLongitudeKey = QStringLiteral("longitude");
const QString MCConvertSetGPS::kSetsOnlyIfMissingKey = QStringLiteral("setsOnlyIfMissing");

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCConvertStage", text); }

// A nil text is written as "".
QString written(const QString &text) { return text.isNull() ? QString(QLatin1String("")) : text; }

} // namespace

// ---------------------------------------------------------------- Set Copyright and Owner

const MCStageParameters &MCConvertSetCopyrightAndOwner::parameters() const
{
    static const MCStageParameters table = {
        stringParameter(kCopyrightKey, tr("All rights reserved")),
        stringParameter(kOwnerKey, fullUserName()),
    };
    return table;
}

bool MCConvertSetCopyrightAndOwner::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    const QString copyrightText = written(copyright()), ownerText = written(owner());
    editSubDictionary(metadata, kCGImagePropertyIPTCDictionary,
                      [&](QVariantMap &iptc) { iptc.insert(kCGImagePropertyIPTCCopyrightNotice, copyrightText); });
    editSubDictionary(metadata, kCGImagePropertyPNGDictionary, [&](QVariantMap &png) {
        png.insert(kCGImagePropertyPNGCopyright, copyrightText);
        png.insert(kCGImagePropertyPNGAuthor, ownerText);
    });
    editSubDictionary(metadata, kCGImagePropertyTIFFDictionary, [&](QVariantMap &tiff) {
        tiff.insert(kCGImagePropertyTIFFCopyright, copyrightText);
        tiff.insert(kCGImagePropertyTIFFArtist, ownerText);
    });
    editSubDictionary(metadata, kCGImagePropertyExifAuxDictionary,
                      [&](QVariantMap &aux) { aux.insert(kCGImagePropertyExifAuxOwnerName, ownerText); });
    return true;
}

// ---------------------------------------------------------------- Set Rating

const MCStageParameters &MCConvertSetRating::parameters() const
{
    static const MCStageParameters table = {
        {.name = kRatingKey, .type = MCStageParameterType::Integer, .defaultValue = qint64(5), .minimum = 0.0,
         .maximum = 5.0},
    };
    return table;
}

bool MCConvertSetRating::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    editSubDictionary(metadata, kCGImagePropertyIPTCDictionary,
                      [this](QVariantMap &iptc) { iptc.insert(kCGImagePropertyIPTCStarRating, rating()); });
    return true;
}

// ---------------------------------------------------------------- Set GPS Location

const MCStageParameters &MCConvertSetGPS::parameters() const
{
    static const MCStageParameters table = {
        {.name = kLatitudeKey, .type = MCStageParameterType::Double, .defaultValue = 37.78708, .minimum = -90.0,
         .maximum = 90.0, .nilValue = 0.0},
        {.name = kLongitudeKey, .type = MCStageParameterType::Double, .defaultValue = -122.44015, .minimum = -180.0,
         .maximum = 180.0, .nilValue = 0.0},
        boolParameter(kSetsOnlyIfMissingKey, true),
    };
    return table;
}

bool MCConvertSetGPS::isValidPosition(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

QString MCConvertSetGPS::invalidPositionReason()
{
    return tr("The latitude must lie between -90 and 90 degrees and the longitude between -180 and 180 degrees.");
}

bool MCConvertSetGPS::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *file, MCError *error)
{
    if (!isActive())
        return true;
    const double lat = latitude(), lon = longitude();
    // The setters do not clamp, so a hand-edited preset may hold any number: a position off
    // the globe would be written as a wrong one.
    if (!isValidPosition(lat, lon)) {
        MCError failure = stageFailureError(file);
        failure.setLocalizedFailureReason(invalidPositionReason());
        return MCSetError(error, failure);
    }
    editSubDictionary(metadata, kCGImagePropertyGPSDictionary, [&](QVariantMap &gps) {
        const bool hasPosition = gps.contains(kCGImagePropertyGPSLatitude) && gps.contains(kCGImagePropertyGPSLongitude);
        if (hasPosition && setsOnlyIfMissing())
            return;
        // A new position makes the old altitude, time stamp and the like meaningless.
        if (hasPosition)
            gps.clear();
        gps.insert(kCGImagePropertyGPSLatitude, std::fabs(lat));
        gps.insert(kCGImagePropertyGPSLatitudeRef, lat >= 0.0 ? QStringLiteral("N") : QStringLiteral("S"));
        gps.insert(kCGImagePropertyGPSLongitude, std::fabs(lon));
        gps.insert(kCGImagePropertyGPSLongitudeRef, lon >= 0.0 ? QStringLiteral("E") : QStringLiteral("W"));
    });
    return true;
}

// ---------------------------------------------------------------- Set IPTC Info

const std::vector<MCConvertSetIPTCInfo::Field> &MCConvertSetIPTCInfo::fields()
{
    static const std::vector<Field> table = {
        {QStringLiteral("shouldEditCreator"), QStringLiteral("creator"), kCGImagePropertyIPTCByline},
        {QStringLiteral("shouldEditCaption"), QStringLiteral("caption"), kCGImagePropertyIPTCCaptionAbstract},
        {QStringLiteral("shouldEditCopyright"), QStringLiteral("copyright"), kCGImagePropertyIPTCCopyrightNotice},
        {QStringLiteral("shouldEditHeadline"), QStringLiteral("headline"), kCGImagePropertyIPTCHeadline},
        {QStringLiteral("shouldEditTitle"), QStringLiteral("title"), kCGImagePropertyIPTCObjectName},
        {QStringLiteral("shouldEditCity"), QStringLiteral("city"), kCGImagePropertyIPTCCity},
        {QStringLiteral("shouldEditCountry"), QStringLiteral("country"), kCGImagePropertyIPTCCountryPrimaryLocationName},
        {QStringLiteral("shouldEditProvince"), QStringLiteral("province"), kCGImagePropertyIPTCProvinceState},
        {QStringLiteral("shouldEditLocation"), QStringLiteral("location"), kCGImagePropertyIPTCSubLocation},
    };
    return table;
}

const MCStageParameters &MCConvertSetIPTCInfo::parameters() const
{
    static const MCStageParameters table = [] {
        MCStageParameters parameters;
        for (const Field &field : fields()) {
            parameters.push_back(boolParameter(field.switchKey, true));
            parameters.push_back(stringParameter(field.textKey, QString(QLatin1String(""))));
        }
        return parameters;
    }();
    return table;
}

bool MCConvertSetIPTCInfo::shouldEdit(const QString &textKey) const
{
    for (const Field &field : fields())
        if (field.textKey == textKey)
            return boolValue(field.switchKey);
    return false;
}

bool MCConvertSetIPTCInfo::parametersEqual(const MCConvertStage &other) const { return fieldsEqual(*this, other); }

bool MCConvertSetIPTCInfo::fieldsEqual(const MCConvertStage &a, const MCConvertStage &b)
{
    for (const Field &field : fields())
        if (a.boolValue(field.switchKey) != b.boolValue(field.switchKey))
            return false;
    // A text whose switch is off is not written, so it does not tell two stages apart; nil
    // and "" do (both stored values must agree on being present).
    for (const Field &field : fields()) {
        if (!a.boolValue(field.switchKey))
            continue;
        const QString mine = a.stringValue(field.textKey), theirs = b.stringValue(field.textKey);
        if (mine.isNull() != theirs.isNull() || mine != theirs)
            return false;
    }
    return true;
}

bool MCConvertSetIPTCInfo::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    editSubDictionary(metadata, kCGImagePropertyIPTCDictionary, [this](QVariantMap &iptc) {
        for (const Field &field : fields())
            if (boolValue(field.switchKey))
                iptc.insert(field.iptcKey, written(stringValue(field.textKey)));
    });
    return true;
}
