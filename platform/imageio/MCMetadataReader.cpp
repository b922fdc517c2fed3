#include "platform/imageio/MCMetadataReader.h"

#include "platform/imageio/ImageDecoder.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCMetadataBlocks.h"
#include "platform/imageio/MCXmpPacket.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtEndian>

#include <cmath>
#include <mutex>

#include <exiv2/exiv2.hpp>

namespace platform {

namespace {

enum class Kind { Int, Real, String, IntArray, RealArray, Bytes, Version, Comment, Degrees, GPSTime };

struct TagRule
{
    uint16_t tag;
    const QString *key;
    Kind kind;
};

const TagRule kPhotoTags[] = {
    {0x829a, &kCGImagePropertyExifExposureTime, Kind::Real},
    {0x829d, &kCGImagePropertyExifFNumber, Kind::Real},
    {0x8822, &kCGImagePropertyExifExposureProgram, Kind::Int},
    {0x8824, &kCGImagePropertyExifSpectralSensitivity, Kind::String},
    {0x8827, &kCGImagePropertyExifISOSpeedRatings, Kind::IntArray},
    {0x8830, &kCGImagePropertyExifSensitivityType, Kind::Int},
    {0x8831, &kCGImagePropertyExifStandardOutputSensitivity, Kind::Int},
    {0x8832, &kCGImagePropertyExifRecommendedExposureIndex, Kind::Int},
    {0x8833, &kCGImagePropertyExifISOSpeed, Kind::Int},
    {0x8834, &kCGImagePropertyExifISOSpeedLatitudeyyy, Kind::Int},
    {0x8835, &kCGImagePropertyExifISOSpeedLatitudezzz, Kind::Int},
    {0x9000, &kCGImagePropertyExifVersion, Kind::Version},
    {0x9003, &kCGImagePropertyExifDateTimeOriginal, Kind::String},
    {0x9004, &kCGImagePropertyExifDateTimeDigitized, Kind::String},
    {0x9010, &kCGImagePropertyExifOffsetTime, Kind::String},
    {0x9011, &kCGImagePropertyExifOffsetTimeOriginal, Kind::String},
    {0x9012, &kCGImagePropertyExifOffsetTimeDigitized, Kind::String},
    {0x9101, &kCGImagePropertyExifComponentsConfiguration, Kind::IntArray},
    {0x9102, &kCGImagePropertyExifCompressedBitsPerPixel, Kind::Real},
    {0x9201, &kCGImagePropertyExifShutterSpeedValue, Kind::Real},
    {0x9202, &kCGImagePropertyExifApertureValue, Kind::Real},
    {0x9203, &kCGImagePropertyExifBrightnessValue, Kind::Real},
    {0x9204, &kCGImagePropertyExifExposureBiasValue, Kind::Real},
    {0x9205, &kCGImagePropertyExifMaxApertureValue, Kind::Real},
    {0x9206, &kCGImagePropertyExifSubjectDistance, Kind::Real},
    {0x9207, &kCGImagePropertyExifMeteringMode, Kind::Int},
    {0x9208, &kCGImagePropertyExifLightSource, Kind::Int},
    {0x9209, &kCGImagePropertyExifFlash, Kind::Int},
    {0x920a, &kCGImagePropertyExifFocalLength, Kind::Real},
    {0x9214, &kCGImagePropertyExifSubjectArea, Kind::IntArray},
    {0x927c, &kCGImagePropertyExifMakerNote, Kind::Bytes},
    {0x9286, &kCGImagePropertyExifUserComment, Kind::Comment},
    {0x9290, &kCGImagePropertyExifSubsecTime, Kind::String},
    {0x9291, &kCGImagePropertyExifSubsecTimeOriginal, Kind::String},
    {0x9292, &kCGImagePropertyExifSubsecTimeDigitized, Kind::String},
    {0xa000, &kCGImagePropertyExifFlashPixVersion, Kind::Version},
    {0xa001, &kCGImagePropertyExifColorSpace, Kind::Int},
    {0xa002, &kCGImagePropertyExifPixelXDimension, Kind::Int},
    {0xa003, &kCGImagePropertyExifPixelYDimension, Kind::Int},
    {0xa004, &kCGImagePropertyExifRelatedSoundFile, Kind::String},
    {0xa20b, &kCGImagePropertyExifFlashEnergy, Kind::Real},
    {0xa20e, &kCGImagePropertyExifFocalPlaneXResolution, Kind::Real},
    {0xa20f, &kCGImagePropertyExifFocalPlaneYResolution, Kind::Real},
    {0xa210, &kCGImagePropertyExifFocalPlaneResolutionUnit, Kind::Int},
    {0xa214, &kCGImagePropertyExifSubjectLocation, Kind::IntArray},
    {0xa215, &kCGImagePropertyExifExposureIndex, Kind::Real},
    {0xa217, &kCGImagePropertyExifSensingMethod, Kind::Int},
    {0xa300, &kCGImagePropertyExifFileSource, Kind::Int},
    {0xa301, &kCGImagePropertyExifSceneType, Kind::Int},
    {0xa401, &kCGImagePropertyExifCustomRendered, Kind::Int},
    {0xa402, &kCGImagePropertyExifExposureMode, Kind::Int},
    {0xa403, &kCGImagePropertyExifWhiteBalance, Kind::Int},
    {0xa404, &kCGImagePropertyExifDigitalZoomRatio, Kind::Real},
    {0xa405, &kCGImagePropertyExifFocalLenIn35mmFilm, Kind::Int},
    {0xa406, &kCGImagePropertyExifSceneCaptureType, Kind::Int},
    {0xa407, &kCGImagePropertyExifGainControl, Kind::Int},
    {0xa408, &kCGImagePropertyExifContrast, Kind::Int},
    {0xa409, &kCGImagePropertyExifSaturation, Kind::Int},
    {0xa40a, &kCGImagePropertyExifSharpness, Kind::Int},
    {0xa40c, &kCGImagePropertyExifSubjectDistRange, Kind::Int},
    {0xa420, &kCGImagePropertyExifImageUniqueID, Kind::String},
    {0xa430, &kCGImagePropertyExifCameraOwnerName, Kind::String},
    {0xa431, &kCGImagePropertyExifBodySerialNumber, Kind::String},
    {0xa432, &kCGImagePropertyExifLensSpecification, Kind::RealArray},
    {0xa433, &kCGImagePropertyExifLensMake, Kind::String},
    {0xa434, &kCGImagePropertyExifLensModel, Kind::String},
    {0xa435, &kCGImagePropertyExifLensSerialNumber, Kind::String},
    {0xa500, &kCGImagePropertyExifGamma, Kind::Real},
};

const TagRule kImageTags[] = {
    {0x0103, &kCGImagePropertyTIFFCompression, Kind::Int},
    {0x0106, &kCGImagePropertyTIFFPhotometricInterpretation, Kind::Int},
    {0x010d, &kCGImagePropertyTIFFDocumentName, Kind::String},
    {0x010e, &kCGImagePropertyTIFFImageDescription, Kind::String},
    {0x010f, &kCGImagePropertyTIFFMake, Kind::String},
    {0x0110, &kCGImagePropertyTIFFModel, Kind::String},
    {0x0112, &kCGImagePropertyTIFFOrientation, Kind::Int},
    {0x011a, &kCGImagePropertyTIFFXResolution, Kind::Real},
    {0x011b, &kCGImagePropertyTIFFYResolution, Kind::Real},
    {0x0128, &kCGImagePropertyTIFFResolutionUnit, Kind::Int},
    {0x0131, &kCGImagePropertyTIFFSoftware, Kind::String},
    {0x0132, &kCGImagePropertyTIFFDateTime, Kind::String},
    {0x013b, &kCGImagePropertyTIFFArtist, Kind::String},
    {0x013c, &kCGImagePropertyTIFFHostComputer, Kind::String},
    {0x013e, &kCGImagePropertyTIFFWhitePoint, Kind::RealArray},
    {0x013f, &kCGImagePropertyTIFFPrimaryChromaticities, Kind::RealArray},
    {0x0142, &kCGImagePropertyTIFFTileWidth, Kind::Int},
    {0x0143, &kCGImagePropertyTIFFTileLength, Kind::Int},
    {0x8298, &kCGImagePropertyTIFFCopyright, Kind::String},
};

const TagRule kGPSTags[] = {
    {0x0000, &kCGImagePropertyGPSVersion, Kind::IntArray},
    {0x0001, &kCGImagePropertyGPSLatitudeRef, Kind::String},
    {0x0002, &kCGImagePropertyGPSLatitude, Kind::Degrees},
    {0x0003, &kCGImagePropertyGPSLongitudeRef, Kind::String},
    {0x0004, &kCGImagePropertyGPSLongitude, Kind::Degrees},
    {0x0005, &kCGImagePropertyGPSAltitudeRef, Kind::Int},
    {0x0006, &kCGImagePropertyGPSAltitude, Kind::Real},
    {0x0007, &kCGImagePropertyGPSTimeStamp, Kind::GPSTime},
    {0x0008, &kCGImagePropertyGPSSatellites, Kind::String},
    {0x0009, &kCGImagePropertyGPSStatus, Kind::String},
    {0x000a, &kCGImagePropertyGPSMeasureMode, Kind::String},
    {0x000b, &kCGImagePropertyGPSDOP, Kind::Real},
    {0x000c, &kCGImagePropertyGPSSpeedRef, Kind::String},
    {0x000d, &kCGImagePropertyGPSSpeed, Kind::Real},
    {0x000e, &kCGImagePropertyGPSTrackRef, Kind::String},
    {0x000f, &kCGImagePropertyGPSTrack, Kind::Real},
    {0x0010, &kCGImagePropertyGPSImgDirectionRef, Kind::String},
    {0x0011, &kCGImagePropertyGPSImgDirection, Kind::Real},
    {0x0012, &kCGImagePropertyGPSMapDatum, Kind::String},
    {0x0013, &kCGImagePropertyGPSDestLatitudeRef, Kind::String},
    {0x0014, &kCGImagePropertyGPSDestLatitude, Kind::Degrees},
    {0x0015, &kCGImagePropertyGPSDestLongitudeRef, Kind::String},
    {0x0016, &kCGImagePropertyGPSDestLongitude, Kind::Degrees},
    {0x0017, &kCGImagePropertyGPSDestBearingRef, Kind::String},
    {0x0018, &kCGImagePropertyGPSDestBearing, Kind::Real},
    {0x0019, &kCGImagePropertyGPSDestDistanceRef, Kind::String},
    {0x001a, &kCGImagePropertyGPSDestDistance, Kind::Real},
    {0x001b, &kCGImagePropertyGPSProcessingMethod, Kind::Comment},
    {0x001c, &kCGImagePropertyGPSAreaInformation, Kind::Comment},
    {0x001d, &kCGImagePropertyGPSDateStamp, Kind::String},
    {0x001e, &kCGImagePropertyGPSDifferental, Kind::Int},
    {0x001f, &kCGImagePropertyGPSHPositioningError, Kind::Real},
};

struct IptcRule
{
    const char *dataset; // Iptc.Application2.<dataset>
    const QString *key;
    enum { Text, List, Date, Time, Number } kind;
};

const IptcRule kIptcRules[] = {
    {"ObjectName", &kCGImagePropertyIPTCObjectName, IptcRule::Text},
    {"EditStatus", &kCGImagePropertyIPTCEditStatus, IptcRule::Text},
    {"Urgency", &kCGImagePropertyIPTCUrgency, IptcRule::Number},
    {"Subject", &kCGImagePropertyIPTCSubjectReference, IptcRule::List},
    {"Category", &kCGImagePropertyIPTCCategory, IptcRule::Text},
    {"SuppCategory", &kCGImagePropertyIPTCSupplementalCategory, IptcRule::List},
    {"FixtureId", &kCGImagePropertyIPTCFixtureIdentifier, IptcRule::Text},
    {"Keywords", &kCGImagePropertyIPTCKeywords, IptcRule::List},
    {"LocationCode", &kCGImagePropertyIPTCContentLocationCode, IptcRule::List},
    {"LocationName", &kCGImagePropertyIPTCContentLocationName, IptcRule::List},
    {"ReleaseDate", &kCGImagePropertyIPTCReleaseDate, IptcRule::Date},
    {"ReleaseTime", &kCGImagePropertyIPTCReleaseTime, IptcRule::Time},
    {"ExpirationDate", &kCGImagePropertyIPTCExpirationDate, IptcRule::Date},
    {"ExpirationTime", &kCGImagePropertyIPTCExpirationTime, IptcRule::Time},
    {"SpecialInstructions", &kCGImagePropertyIPTCSpecialInstructions, IptcRule::Text},
    {"ActionAdvised", &kCGImagePropertyIPTCActionAdvised, IptcRule::Text},
    {"ReferenceService", &kCGImagePropertyIPTCReferenceService, IptcRule::Text},
    {"ReferenceDate", &kCGImagePropertyIPTCReferenceDate, IptcRule::Date},
    {"ReferenceNumber", &kCGImagePropertyIPTCReferenceNumber, IptcRule::Text},
    {"DateCreated", &kCGImagePropertyIPTCDateCreated, IptcRule::Date},
    {"TimeCreated", &kCGImagePropertyIPTCTimeCreated, IptcRule::Time},
    {"DigitizationDate", &kCGImagePropertyIPTCDigitalCreationDate, IptcRule::Date},
    {"DigitizationTime", &kCGImagePropertyIPTCDigitalCreationTime, IptcRule::Time},
    {"Program", &kCGImagePropertyIPTCOriginatingProgram, IptcRule::Text},
    {"ProgramVersion", &kCGImagePropertyIPTCProgramVersion, IptcRule::Text},
    {"ObjectCycle", &kCGImagePropertyIPTCObjectCycle, IptcRule::Text},
    {"Byline", &kCGImagePropertyIPTCByline, IptcRule::List},
    {"BylineTitle", &kCGImagePropertyIPTCBylineTitle, IptcRule::List},
    {"City", &kCGImagePropertyIPTCCity, IptcRule::Text},
    {"SubLocation", &kCGImagePropertyIPTCSubLocation, IptcRule::Text},
    {"ProvinceState", &kCGImagePropertyIPTCProvinceState, IptcRule::Text},
    {"CountryCode", &kCGImagePropertyIPTCCountryPrimaryLocationCode, IptcRule::Text},
    {"CountryName", &kCGImagePropertyIPTCCountryPrimaryLocationName, IptcRule::Text},
    {"TransmissionReference", &kCGImagePropertyIPTCOriginalTransmissionReference, IptcRule::Text},
    {"Headline", &kCGImagePropertyIPTCHeadline, IptcRule::Text},
    {"Credit", &kCGImagePropertyIPTCCredit, IptcRule::Text},
    {"Source", &kCGImagePropertyIPTCSource, IptcRule::Text},
    {"Copyright", &kCGImagePropertyIPTCCopyrightNotice, IptcRule::Text},
    {"Contact", &kCGImagePropertyIPTCContact, IptcRule::List},
    {"Caption", &kCGImagePropertyIPTCCaptionAbstract, IptcRule::Text},
    {"Writer", &kCGImagePropertyIPTCWriterEditor, IptcRule::List},
    {"ImageType", &kCGImagePropertyIPTCImageType, IptcRule::Text},
    {"ImageOrientation", &kCGImagePropertyIPTCImageOrientation, IptcRule::Text},
    {"Language", &kCGImagePropertyIPTCLanguageIdentifier, IptcRule::Text},
};

// XMP properties that stand in for IPTC ones when the IPTC record lacks them.
const struct { const char *xmpKey; const QString *key; bool list; } kXmpIptcFallbacks[] = {
    {"Xmp.dc.subject", &kCGImagePropertyIPTCKeywords, true},
    {"Xmp.dc.title", &kCGImagePropertyIPTCObjectName, false},
    {"Xmp.dc.description", &kCGImagePropertyIPTCCaptionAbstract, false},
    {"Xmp.dc.rights", &kCGImagePropertyIPTCCopyrightNotice, false},
    {"Xmp.dc.creator", &kCGImagePropertyIPTCByline, true},
    {"Xmp.photoshop.Headline", &kCGImagePropertyIPTCHeadline, false},
    {"Xmp.photoshop.City", &kCGImagePropertyIPTCCity, false},
    {"Xmp.photoshop.State", &kCGImagePropertyIPTCProvinceState, false},
    {"Xmp.photoshop.Country", &kCGImagePropertyIPTCCountryPrimaryLocationName, false},
    {"Xmp.photoshop.Credit", &kCGImagePropertyIPTCCredit, false},
    {"Xmp.photoshop.Source", &kCGImagePropertyIPTCSource, false},
    {"Xmp.Iptc4xmpCore.Location", &kCGImagePropertyIPTCSubLocation, false},
};

// ExifAux entries: the XMP "aux" namespace first, then the EXIF tags that carry the same.
const struct { const char *xmpKey; const char *exifKey; const QString *key; Kind kind; } kAuxRules[] = {
    {"Xmp.aux.LensInfo", "Exif.Photo.LensSpecification", &kCGImagePropertyExifAuxLensInfo, Kind::RealArray},
    {"Xmp.aux.Lens", "Exif.Photo.LensModel", &kCGImagePropertyExifAuxLensModel, Kind::String},
    {"Xmp.aux.SerialNumber", "Exif.Photo.BodySerialNumber", &kCGImagePropertyExifAuxSerialNumber, Kind::String},
    {"Xmp.aux.LensID", nullptr, &kCGImagePropertyExifAuxLensID, Kind::Int},
    {"Xmp.aux.LensSerialNumber", "Exif.Photo.LensSerialNumber", &kCGImagePropertyExifAuxLensSerialNumber, Kind::String},
    {"Xmp.aux.ImageNumber", nullptr, &kCGImagePropertyExifAuxImageNumber, Kind::Int},
    {"Xmp.aux.FlashCompensation", nullptr, &kCGImagePropertyExifAuxFlashCompensation, Kind::Real},
    {"Xmp.aux.OwnerName", "Exif.Photo.CameraOwnerName", &kCGImagePropertyExifAuxOwnerName, Kind::String},
    {"Xmp.aux.Firmware", "Exif.Canon.FirmwareVersion", &kCGImagePropertyExifAuxFirmware, Kind::String},
};

double rationalToDouble(const Exiv2::Rational &r)
{
    return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
}

bool isRational(const Exiv2::Value &v)
{
    return v.typeId() == Exiv2::unsignedRational || v.typeId() == Exiv2::signedRational;
}

double numberAt(const Exiv2::Value &v, long i)
{
    // An unsigned rational read as exiv2's signed pair turns a denominator of 2^31 or more
    // (as libtiff writes 0.3127) negative; read it as the unsigned pair it is.
    if (const auto *u = dynamic_cast<const Exiv2::URationalValue *>(&v)) {
        if (i < 0 || size_t(i) >= u->value_.size())
            return 0.0;
        const Exiv2::URational &r = u->value_[size_t(i)];
        return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
    }
    if (isRational(v))
        return rationalToDouble(v.toRational(i));
    return double(v.toFloat(i));
}

QString trimmedString(const std::string &s)
{
    // EXIF ASCII values are often padded with NULs or spaces.
    QString text = QString::fromUtf8(s.c_str());
    return text.trimmed();
}

// The text of a comment value (UserComment, GPS processing method) without its 8-byte
// character-code prefix.
QString commentText(const Exiv2::Value &v)
{
    if (const auto *comment = dynamic_cast<const Exiv2::CommentValue *>(&v))
        return trimmedString(comment->comment());
    Exiv2::DataBuf buf(v.size());
    v.copy(buf.pData_, Exiv2::littleEndian);
    QByteArray bytes(reinterpret_cast<const char *>(buf.pData_), int(buf.size_));
    if (bytes.size() >= 8 && (bytes.startsWith("ASCII") || bytes.startsWith(QByteArray(8, '\0')) ||
                              bytes.startsWith("UNICODE") || bytes.startsWith("JIS")))
        bytes = bytes.mid(8);
    return QString::fromUtf8(bytes).remove(QChar(0)).trimmed();
}

QVariant convert(const Exiv2::Value &v, Kind kind)
{
    const long n = v.count();
    if (n <= 0 && kind != Kind::String && kind != Kind::Comment)
        return {};
    switch (kind) {
    case Kind::Int:
        return isRational(v) ? QVariant(qRound64(numberAt(v, 0))) : QVariant(qint64(v.toLong(0)));
    case Kind::Real:
        return numberAt(v, 0);
    case Kind::String: {
        const QString s = trimmedString(v.toString());
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case Kind::IntArray: {
        QVariantList list;
        for (long i = 0; i < n && i < 64; ++i)
            list.append(qint64(v.toLong(i)));
        return list;
    }
    case Kind::RealArray: {
        QVariantList list;
        for (long i = 0; i < n && i < 64; ++i)
            list.append(numberAt(v, i));
        return list;
    }
    case Kind::Bytes: {
        Exiv2::DataBuf buf(v.size());
        v.copy(buf.pData_, Exiv2::littleEndian);
        return QByteArray(reinterpret_cast<const char *>(buf.pData_), int(buf.size_));
    }
    case Kind::Version: {
        // "0231" → (2, 3, 1): the digits, leading zero dropped, as the platform lists them.
        QVariantList list;
        QByteArray digits;
        for (long i = 0; i < n && i < 8; ++i)
            digits.append(char(v.toLong(i)));
        if (digits.startsWith('0'))
            digits.remove(0, 1);
        for (char c : digits)
            if (c >= '0' && c <= '9')
                list.append(int(c - '0'));
        return list;
    }
    case Kind::Comment: {
        const QString s = commentText(v);
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case Kind::Degrees: {
        double degrees = 0;
        for (long i = 0; i < n && i < 3; ++i)
            degrees += numberAt(v, i) / std::pow(60.0, double(i));
        return std::isfinite(degrees) ? QVariant(std::fabs(degrees)) : QVariant();
    }
    case Kind::GPSTime: {
        if (n < 3)
            return {};
        const double h = numberAt(v, 0), m = numberAt(v, 1), s = numberAt(v, 2);
        return QString::asprintf("%02d:%02d:%05.2f", int(h), int(m), s);
    }
    }
    return {};
}

void applyTagRules(const Exiv2::ExifData &exif, const char *group, const TagRule *begin, const TagRule *end,
                   QVariantMap &dict)
{
    for (const Exiv2::Exifdatum &datum : exif) {
        if (datum.groupName() != group)
            continue;
        const uint16_t tag = datum.tag();
        for (const TagRule *rule = begin; rule != end; ++rule) {
            if (rule->tag != tag)
                continue;
            const QVariant value = convert(datum.value(), rule->kind);
            if (value.isValid() && !dict.contains(*rule->key))
                dict.insert(*rule->key, value);
            break;
        }
    }
}

QString iptcDate(const std::string &s)
{
    QString text = QString::fromStdString(s);
    return text.remove(QLatin1Char('-'));
}

QString iptcTime(const std::string &s)
{
    QString text = QString::fromStdString(s);
    return text.remove(QLatin1Char(':'));
}

QVariant xmpValue(const Exiv2::XmpData &xmp, const char *key, bool list)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    const Exiv2::Value &v = it->value();
    if (list) {
        QVariantList items;
        for (long i = 0; i < v.count(); ++i) {
            const QString s = trimmedString(v.toString(i));
            if (!s.isEmpty())
                items.append(s);
        }
        return items.isEmpty() ? QVariant() : QVariant(items);
    }
    if (const auto *langAlt = dynamic_cast<const Exiv2::LangAltValue *>(&v)) {
        const auto def = langAlt->value_.find("x-default");
        const std::string text = def != langAlt->value_.end() ? def->second
                                 : langAlt->value_.empty()   ? std::string()
                                                             : langAlt->value_.begin()->second;
        const QString s = trimmedString(text);
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    const QString s = trimmedString(v.toString());
    return s.isEmpty() ? QVariant() : QVariant(s);
}

QVariantMap readIptc(const Exiv2::IptcData &iptc, const Exiv2::XmpData &xmp)
{
    QVariantMap dict;
    for (const IptcRule &rule : kIptcRules) {
        const std::string key = std::string("Iptc.Application2.") + rule.dataset;
        QVariantList items;
        for (const Exiv2::Iptcdatum &datum : iptc) {
            if (datum.key() != key)
                continue;
            const std::string text = datum.toString();
            switch (rule.kind) {
            case IptcRule::Date:
                items.append(iptcDate(text));
                break;
            case IptcRule::Time:
                items.append(iptcTime(text));
                break;
            case IptcRule::Number:
                items.append(QString::fromStdString(text).trimmed().toLongLong());
                break;
            default:
                items.append(trimmedString(text));
                break;
            }
        }
        if (items.isEmpty())
            continue;
        dict.insert(*rule.key, rule.kind == IptcRule::List ? QVariant(items) : items.first());
    }
    for (const auto &fallback : kXmpIptcFallbacks) {
        if (dict.contains(*fallback.key))
            continue;
        const QVariant value = xmpValue(xmp, fallback.xmpKey, fallback.list);
        if (value.isValid())
            dict.insert(*fallback.key, value);
    }
    const auto rating = xmp.findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
    if (rating != xmp.end()) {
        bool ok = false;
        const int stars = QString::fromStdString(rating->toString()).trimmed().toInt(&ok);
        if (ok)
            dict.insert(kCGImagePropertyIPTCStarRating, stars);
    }
    return dict;
}

QVariantMap readAux(const Exiv2::ExifData &exif, const Exiv2::XmpData &xmp)
{
    QVariantMap dict;
    for (const auto &rule : kAuxRules) {
        QVariant value;
        try {
            const auto x = xmp.findKey(Exiv2::XmpKey(rule.xmpKey));
            if (x != xmp.end())
                value = rule.kind == Kind::RealArray ? QVariant() : convert(x->value(), rule.kind);
            if (x != xmp.end() && rule.kind == Kind::String && !value.isValid())
                value = trimmedString(x->toString());
            if (!value.isValid() && rule.exifKey) {
                const auto e = exif.findKey(Exiv2::ExifKey(rule.exifKey));
                if (e != exif.end())
                    value = convert(e->value(), rule.kind);
            }
        } catch (const Exiv2::AnyError &) {
            continue;
        }
        if (value.isValid())
            dict.insert(*rule.key, value);
    }
    return dict;
}

void quietExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

Exiv2::Image::AutoPtr openImage(const QByteArray &data)
{
    quietExiv2();
    if (data.isEmpty())
        return Exiv2::Image::AutoPtr();
    const auto *bytes = reinterpret_cast<const Exiv2::byte *>(data.constData());
    // Photos only: exiv2's video parsers (QuickTime, RIFF, Matroska, ASF) can spin for a very
    // long time on crafted input, and a still image never needs them.
    // The video type numbers are exiv2's own (their headers do not build on their own).
    enum : int { riff = 20, mkv = 21, qtime = 22, asf = 24 };
    switch (Exiv2::ImageFactory::getType(bytes, long(data.size()))) {
    case Exiv2::ImageType::none:
    case riff:
    case mkv:
    case qtime:
    case asf:
        return Exiv2::Image::AutoPtr();
    default:
        break;
    }
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(bytes, long(data.size()));
    if (image.get())
        image->readMetadata();
    return image;
}

// The packet exiv2 found in the file, whether or not it decoded: a TIFF's is also the
// XMLPacket tag.
std::string rawXmpPacket(Exiv2::Image &image)
{
    if (!image.xmpPacket().empty())
        return image.xmpPacket();
    const auto tag = image.exifData().findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
    if (tag == image.exifData().end() || tag->size() == 0)
        return {};
    Exiv2::DataBuf buf(tag->size());
    tag->copy(buf.pData_, Exiv2::bigEndian);
    return std::string(reinterpret_cast<const char *>(buf.pData_), size_t(buf.size_));
}

// The XMP of an opened file, mended where the toolkit refused the packet. When even the
// mended packet does not decode, the answer is empty and `unreadPacket` (when given) gets the
// packet as it stands, so a converted file can still carry it.
Exiv2::XmpData xmpOf(Exiv2::Image &image, std::string *unreadPacket)
{
    if (!image.xmpData().empty())
        return image.xmpData();
    Exiv2::XmpData xmp;
    const std::string packet = rawXmpPacket(image);
    if (!decodeXmpPacket(packet, &xmp) && unreadPacket)
        *unreadPacket = packet;
    return xmp;
}

} // namespace

bool decodeXmpPacket(const std::string &packet, Exiv2::XmpData *xmp)
{
    quietExiv2();
    xmp->clear();
    if (packet.empty())
        return true;
    const auto decode = [xmp](const std::string &text) {
        try {
            if (Exiv2::XmpParser::decode(*xmp, text) == 0)
                return true;
        } catch (...) {
        }
        xmp->clear();
        return false;
    };
    if (decode(packet))
        return true;
    const QByteArray mended = xmpPacketWithoutRepeatedProperties(QByteArray::fromStdString(packet));
    return !mended.isEmpty() && decode(mended.toStdString());
}

namespace {

QVariantMap dictionaryFrom(const Exiv2::ExifData &exif, const Exiv2::IptcData &iptcData, const Exiv2::XmpData &xmp)
{
    QVariantMap result;
    QVariantMap exifDict, tiff, gps;
    applyTagRules(exif, "Photo", std::begin(kPhotoTags), std::end(kPhotoTags), exifDict);
    applyTagRules(exif, "Image", std::begin(kImageTags), std::end(kImageTags), tiff);
    applyTagRules(exif, "GPSInfo", std::begin(kGPSTags), std::end(kGPSTags), gps);
    const QVariantMap iptc = readIptc(iptcData, xmp);
    const QVariantMap aux = readAux(exif, xmp);

    if (!exifDict.isEmpty())
        result.insert(kCGImagePropertyExifDictionary, exifDict);
    if (!tiff.isEmpty())
        result.insert(kCGImagePropertyTIFFDictionary, tiff);
    if (!gps.isEmpty())
        result.insert(kCGImagePropertyGPSDictionary, gps);
    if (!iptc.isEmpty())
        result.insert(kCGImagePropertyIPTCDictionary, iptc);
    if (!aux.isEmpty())
        result.insert(kCGImagePropertyExifAuxDictionary, aux);

    int orientation = tiff.value(kCGImagePropertyTIFFOrientation).toInt();
    if (orientation < 1 || orientation > 8)
        orientation = xmpValue(xmp, "Xmp.tiff.Orientation", false).toInt();
    if (orientation >= 1 && orientation <= 8)
        result.insert(kCGImagePropertyOrientation, orientation);
    return result;
}

} // namespace

QVariantMap readImageMetadata(const QByteArray &fileData)
{
    try {
        Exiv2::Image::AutoPtr image = openImage(fileData);
        if (image.get())
            return dictionaryFrom(image->exifData(), image->iptcData(), xmpOf(*image, nullptr));
    } catch (...) {
        // exiv2 throws for malformed files; metadata is then simply absent.
    }
    return {};
}

QVariantMap readImageMetadataFromBlocks(const QByteArray &exifBlock, const QByteArray &xmpPacket)
{
    quietExiv2();
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    try {
        if (!exifBlock.isEmpty())
            Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(exifBlock.constData()),
                                      uint32_t(exifBlock.size()));
    } catch (...) {
        exif.clear();
    }
    decodeXmpPacket(xmpPacket.toStdString(), &xmp);
    try {
        return dictionaryFrom(exif, iptc, xmp);
    } catch (...) {
        return {};
    }
}

namespace {

// A file's comment where each format keeps it: a JPEG's comment segment, a PNG's "Comment"
// text chunk, a TIFF's image description (where TIFF readers look for a comment).
std::string commentOf(Exiv2::Image &image, const ImageDecoder *decoder)
{
    switch (image.imageType()) {
    case Exiv2::ImageType::png: {
        const QVariantMap png = decoder ? decoder->formatProperties(0).value(kCGImagePropertyPNGDictionary).toMap()
                                        : QVariantMap();
        return png.value(kCGImagePropertyPNGComment).toString().toStdString();
    }
    case Exiv2::ImageType::tiff: {
        const auto description = image.exifData().findKey(Exiv2::ExifKey("Exif.Image.ImageDescription"));
        return description == image.exifData().end() ? std::string()
                                                     : trimmedString(description->toString()).toStdString();
    }
    default:
        return image.comment();
    }
}

// The Photoshop image resources of a JPEG file: the payloads of its "Photoshop 3.0" APP13
// segments, joined (a long resource block runs over several segments).
QByteArray jpegPhotoshopResources(const QByteArray &data)
{
    static const QByteArray signature("Photoshop 3.0\0", 14);
    QByteArray resources;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    if (size < 4 || bytes[0] != 0xff || bytes[1] != 0xd8)
        return {};
    qsizetype at = 2;
    while (at + 4 <= size) {
        if (bytes[at] != 0xff)
            break;
        const uchar marker = bytes[at + 1];
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xda || marker == 0xd9) // the scan begins: no more metadata segments
            break;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            at += 2;
            continue;
        }
        const qsizetype length = qFromBigEndian<quint16>(bytes + at + 2);
        if (length < 2 || at + 2 + length > size)
            break;
        const QByteArray payload = data.mid(at + 4, length - 2);
        if (marker == 0xed && payload.startsWith(signature))
            resources += payload.mid(signature.size());
        at += 2 + length;
    }
    return resources;
}

} // namespace

bool readMetadataBlocks(const QByteArray &fileData, MetadataBlocks *blocks)
{
    quietExiv2();
    *blocks = MetadataBlocks();
    try {
        const std::unique_ptr<ImageDecoder> decoder = createDecoder(fileData);
        const QByteArray exifBlock = decoder ? decoder->exifBlock() : QByteArray();
        const QByteArray xmpPacket = decoder ? decoder->xmpPacket() : QByteArray();
        if (!exifBlock.isEmpty() || !xmpPacket.isEmpty()) {
            if (!exifBlock.isEmpty())
                Exiv2::ExifParser::decode(blocks->exif, reinterpret_cast<const Exiv2::byte *>(exifBlock.constData()),
                                          uint32_t(exifBlock.size()));
            if (!decodeXmpPacket(xmpPacket.toStdString(), &blocks->xmp))
                blocks->xmpPacket = xmpPacket.toStdString();
        } else {
            Exiv2::Image::AutoPtr image = openImage(fileData);
            if (!image.get())
                return false;
            blocks->exif = image->exifData();
            blocks->iptc = image->iptcData();
            blocks->xmp = xmpOf(*image, &blocks->xmpPacket);
            blocks->comment = commentOf(*image, decoder.get());
            if (image->imageType() == Exiv2::ImageType::jpeg) {
                blocks->photoshop = jpegPhotoshopResources(fileData);
            } else {
                const auto resources = blocks->exif.findKey(Exiv2::ExifKey("Exif.Image.ImageResources"));
                if (resources != blocks->exif.end() && resources->size() > 0) {
                    Exiv2::DataBuf buf(resources->size());
                    resources->copy(buf.pData_, Exiv2::bigEndian);
                    blocks->photoshop = QByteArray(reinterpret_cast<const char *>(buf.pData_), int(buf.size_));
                }
            }
        }
        blocks->properties = dictionaryFrom(blocks->exif, blocks->iptc, blocks->xmp);
    } catch (...) {
        // Malformed metadata: the file's own blocks are then simply not carried.
        *blocks = MetadataBlocks();
        return false;
    }
    return !blocks->exif.empty() || !blocks->iptc.empty() || !blocks->xmp.empty() || !blocks->xmpPacket.empty() ||
           !blocks->comment.empty() || !blocks->photoshop.isEmpty();
}

QByteArray embeddedPreview(const QByteArray &fileData, size_t minimumSide)
{
    try {
        Exiv2::Image::AutoPtr image = openImage(fileData);
        if (!image.get())
            return {};
        Exiv2::PreviewManager manager(*image);
        const Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();
        // The list runs from smallest to largest.
        for (const Exiv2::PreviewProperties &p : list) {
            if (std::max(p.width_, p.height_) < minimumSide)
                continue;
            const Exiv2::PreviewImage preview = manager.getPreviewImage(p);
            return QByteArray(reinterpret_cast<const char *>(preview.pData()), int(preview.size()));
        }
    } catch (...) {
    }
    return {};
}

} // namespace platform
