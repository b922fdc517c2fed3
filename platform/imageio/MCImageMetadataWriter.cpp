// Writes an image's metadata (exiv2): the Exif (with the maker note), GPS, IPTC, XMP, comment
// and Photoshop resources of the source file the dictionary names, with the property
// dictionary applied over them, into an encoded file or as raw blocks. The structural facts
// (pixel size, orientation, resolution) come from the image and the writer's options, not
// from what the source file said, so the written file describes itself truthfully.
#include "platform/core/MCFileReading.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCImageWriters.h"
#include "platform/imageio/MCMetadataBlocks.h"
#include "platform/graphics/CGColorSpace.h"

#include <exiv2/exiv2.hpp>
#include <zlib.h>

#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

void initialiseExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

// The nearest fraction with a denominator up to 1e6 (continued fractions), so 0.004 is 1/250.
std::pair<int64_t, int64_t> toFraction(double value)
{
    if (!std::isfinite(value))
        return {0, 1};
    const bool negative = value < 0;
    double x = std::fabs(value);
    if (x > 2e9)
        return {negative ? -2000000000 : 2000000000, 1};
    int64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0;
    double rest = x;
    for (int i = 0; i < 40; ++i) {
        const double a = std::floor(rest);
        const int64_t h = int64_t(a) * h1 + h0;
        const int64_t k = int64_t(a) * k1 + k0;
        if (k > 1000000)
            break;
        h0 = h1, h1 = h, k0 = k1, k1 = k;
        if (std::fabs(double(h1) / double(k1) - x) < 1e-9 * std::max(1.0, x) || rest - a < 1e-12)
            break;
        rest = 1.0 / (rest - a);
    }
    return {negative ? -h1 : h1, std::max<int64_t>(k1, 1)};
}

QString rationalText(double value)
{
    const auto [n, d] = toFraction(value);
    return QStringLiteral("%1/%2").arg(n).arg(d);
}

QVariantList asList(const QVariant &value)
{
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList ? value.toList()
                                                                                                   : QVariantList{value};
}

// Degrees as degrees, minutes and seconds; "HH:mm:ss.SS" times as three rationals.
QString sexagesimal(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString && value.toString().contains(QLatin1Char(':'))) {
        const QStringList parts = value.toString().split(QLatin1Char(':'));
        QStringList out;
        for (const QString &part : parts)
            out << rationalText(part.toDouble());
        return out.join(QLatin1Char(' '));
    }
    const double degrees = std::fabs(value.toDouble());
    const double whole = std::floor(degrees);
    const double minutes = std::floor((degrees - whole) * 60.0);
    const double seconds = ((degrees - whole) * 60.0 - minutes) * 60.0;
    return QStringLiteral("%1/1 %2/1 %3/10000")
        .arg(qint64(whole))
        .arg(qint64(minutes))
        .arg(qint64(std::llround(seconds * 10000.0)));
}

// The exiv2 text form of `value` for a tag of `type`; empty when it cannot be expressed.
QString exifText(Exiv2::TypeId type, const QVariant &value, const QString &key)
{
    QStringList parts;
    switch (type) {
    case Exiv2::asciiString:
        return value.toString();
    case Exiv2::unsignedRational:
    case Exiv2::signedRational:
        for (const QVariant &v : asList(value))
            parts << rationalText(type == Exiv2::unsignedRational ? std::fabs(v.toDouble()) : v.toDouble());
        return parts.join(QLatin1Char(' '));
    case Exiv2::undefined:
        if (value.typeId() == QMetaType::QByteArray) {
            for (char c : value.toByteArray())
                parts << QString::number(uint8_t(c));
            return parts.join(QLatin1Char(' '));
        }
        if (key.endsWith(QLatin1String("Version"))) { // [2, 3, 1] is "0231"
            QString digits;
            for (const QVariant &v : asList(value))
                digits += QString::number(v.toInt());
            digits = digits.rightJustified(4, QLatin1Char('0'));
            for (QChar c : digits)
                parts << QString::number(c.unicode());
            return parts.join(QLatin1Char(' '));
        }
        if (value.typeId() == QMetaType::QString) {
            for (char c : value.toString().toUtf8())
                parts << QString::number(uint8_t(c));
            return parts.join(QLatin1Char(' '));
        }
        [[fallthrough]];
    default:
        for (const QVariant &v : asList(value)) {
            bool ok = false;
            const double number = v.toDouble(&ok);
            if (!ok)
                return {};
            parts << QString::number(qint64(std::llround(number)));
        }
        return parts.join(QLatin1Char(' '));
    }
}

void setExif(Exiv2::ExifData &exif, const std::string &name, const QVariant &value)
{
    try {
        const Exiv2::ExifKey key(name);
        const Exiv2::TypeId type = key.defaultTypeId();
        if (type == Exiv2::comment) {
            const QString text = value.toString();
            bool ascii = true;
            for (QChar c : text)
                ascii = ascii && c.unicode() < 128;
            exif[name] = std::string(ascii ? "charset=Ascii " : "charset=Unicode ") + text.toStdString();
            return;
        }
        const QString text = exifText(type, value, QString::fromStdString(name));
        if (text.isEmpty())
            return;
        Exiv2::Value::AutoPtr v = Exiv2::Value::create(type);
        if (v->read(text.toStdString()) == 0)
            exif.add(key, v.get());
    } catch (const Exiv2::AnyError &) {
        // A key this platform names but exiv2 does not know: nothing to write.
    }
}

// Keys of the image's own structure that the writer sets itself.
bool isStructural(const QString &key)
{
    static const QStringList keys = {kCGImagePropertyTIFFCompression,    kCGImagePropertyTIFFPhotometricInterpretation,
                                     kCGImagePropertyTIFFOrientation,    kCGImagePropertyTIFFXResolution,
                                     kCGImagePropertyTIFFYResolution,    kCGImagePropertyTIFFResolutionUnit,
                                     kCGImagePropertyTIFFTileWidth,      kCGImagePropertyTIFFTileLength,
                                     kCGImagePropertyTIFFTransferFunction, kCGImagePropertyExifPixelXDimension,
                                     kCGImagePropertyExifPixelYDimension, kCGImagePropertyExifMakerNote};
    return keys.contains(key);
}

std::string exifName(const QString &group, const QString &key)
{
    static const QHash<QString, QString> renamed = {
        {kCGImagePropertyExifSubsecTime, QStringLiteral("SubSecTime")},
        {kCGImagePropertyExifSubsecTimeOriginal, QStringLiteral("SubSecTimeOriginal")},
        {kCGImagePropertyExifSubsecTimeDigitized, QStringLiteral("SubSecTimeDigitized")},
        {kCGImagePropertyExifFocalLenIn35mmFilm, QStringLiteral("FocalLengthIn35mmFilm")},
        {kCGImagePropertyExifSubjectDistRange, QStringLiteral("SubjectDistanceRange")},
    };
    return (group + renamed.value(key, key)).toStdString();
}

// ---------------------------------------------------------------- the dictionary's names

// The sub-dictionaries of maker notes; removing one removes the file's maker note.
const QString *const kMakerDictionaries[] = {
    &kCGImagePropertyMakerCanonDictionary,   &kCGImagePropertyMakerNikonDictionary,
    &kCGImagePropertyMakerMinoltaDictionary, &kCGImagePropertyMakerFujiDictionary,
    &kCGImagePropertyMakerOlympusDictionary, &kCGImagePropertyMakerPentaxDictionary,
};

struct IptcName
{
    const QString &property;
    const char *dataset; // Iptc.Application2.<dataset>
};

const IptcName kIptcNames[] = {
    {kCGImagePropertyIPTCObjectName, "ObjectName"},
    {kCGImagePropertyIPTCEditStatus, "EditStatus"},
    {kCGImagePropertyIPTCUrgency, "Urgency"},
    {kCGImagePropertyIPTCCategory, "Category"},
    {kCGImagePropertyIPTCSupplementalCategory, "SuppCategory"},
    {kCGImagePropertyIPTCFixtureIdentifier, "FixtureId"},
    {kCGImagePropertyIPTCKeywords, "Keywords"},
    {kCGImagePropertyIPTCContentLocationCode, "LocationCode"},
    {kCGImagePropertyIPTCContentLocationName, "LocationName"},
    {kCGImagePropertyIPTCReleaseDate, "ReleaseDate"},
    {kCGImagePropertyIPTCReleaseTime, "ReleaseTime"},
    {kCGImagePropertyIPTCExpirationDate, "ExpirationDate"},
    {kCGImagePropertyIPTCExpirationTime, "ExpirationTime"},
    {kCGImagePropertyIPTCSpecialInstructions, "SpecialInstructions"},
    {kCGImagePropertyIPTCActionAdvised, "ActionAdvised"},
    {kCGImagePropertyIPTCReferenceService, "ReferenceService"},
    {kCGImagePropertyIPTCReferenceDate, "ReferenceDate"},
    {kCGImagePropertyIPTCReferenceNumber, "ReferenceNumber"},
    {kCGImagePropertyIPTCDateCreated, "DateCreated"},
    {kCGImagePropertyIPTCTimeCreated, "TimeCreated"},
    {kCGImagePropertyIPTCDigitalCreationDate, "DigitizationDate"},
    {kCGImagePropertyIPTCDigitalCreationTime, "DigitizationTime"},
    {kCGImagePropertyIPTCOriginatingProgram, "Program"},
    {kCGImagePropertyIPTCProgramVersion, "ProgramVersion"},
    {kCGImagePropertyIPTCObjectCycle, "ObjectCycle"},
    {kCGImagePropertyIPTCByline, "Byline"},
    {kCGImagePropertyIPTCBylineTitle, "BylineTitle"},
    {kCGImagePropertyIPTCCity, "City"},
    {kCGImagePropertyIPTCSubLocation, "SubLocation"},
    {kCGImagePropertyIPTCProvinceState, "ProvinceState"},
    {kCGImagePropertyIPTCCountryPrimaryLocationCode, "CountryCode"},
    {kCGImagePropertyIPTCCountryPrimaryLocationName, "CountryName"},
    {kCGImagePropertyIPTCOriginalTransmissionReference, "TransmissionReference"},
    {kCGImagePropertyIPTCHeadline, "Headline"},
    {kCGImagePropertyIPTCCredit, "Credit"},
    {kCGImagePropertyIPTCSource, "Source"},
    {kCGImagePropertyIPTCCopyrightNotice, "Copyright"},
    {kCGImagePropertyIPTCContact, "Contact"},
    {kCGImagePropertyIPTCCaptionAbstract, "Caption"},
    {kCGImagePropertyIPTCWriterEditor, "Writer"},
    {kCGImagePropertyIPTCImageType, "ImageType"},
    {kCGImagePropertyIPTCImageOrientation, "ImageOrientation"},
    {kCGImagePropertyIPTCLanguageIdentifier, "Language"},
};

// The dictionary's IPTC dates ("20240506") and times ("070809" or "070809+0200") in the
// forms exiv2 reads ("2024-05-06", "07:08:09+02:00").
QString iptcText(Exiv2::TypeId type, QString text)
{
    if (type == Exiv2::date && text.size() == 8 && !text.contains(QLatin1Char('-')))
        return text.left(4) + QLatin1Char('-') + text.mid(4, 2) + QLatin1Char('-') + text.mid(6);
    if (type == Exiv2::time && !text.contains(QLatin1Char(':')) && (text.size() == 6 || text.size() == 11)) {
        QString out = text.left(2) + QLatin1Char(':') + text.mid(2, 2) + QLatin1Char(':') + text.mid(4, 2);
        if (text.size() == 11)
            out += text.mid(6, 3) + QLatin1Char(':') + text.mid(9, 2);
        return out;
    }
    return text;
}

// Writes one IPTC property of the dictionary, replacing the datasets it had.
void setIptc(Exiv2::IptcData &iptc, const char *dataset, const QVariant &value)
{
    try {
        const Exiv2::IptcKey key(std::string("Iptc.Application2.") + dataset);
        for (auto it = iptc.begin(); it != iptc.end();)
            it = it->key() == key.key() ? iptc.erase(it) : std::next(it);
        const Exiv2::TypeId type = Exiv2::IptcDataSets::dataSetType(key.tag(), key.record());
        // A lone empty text is a field that was emptied: it is written empty, not dropped, so
        // it replaces what the field held; empty entries of a list are no entries.
        const bool list = value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
        for (const QVariant &item : asList(value)) {
            const QString text = iptcText(type, item.toString());
            if (text.isEmpty() && (list || !value.isValid()))
                continue;
            if (key.tag() == Exiv2::IptcDataSets::ImageOrientation && text != QLatin1String("P") &&
                text != QLatin1String("L") && text != QLatin1String("S"))
                continue; // the orientation of the picture as letters only
            Exiv2::Value::AutoPtr v = Exiv2::Value::create(type);
            if (v->read(text.toStdString()) == 0)
                iptc.add(key, v.get());
        }
    } catch (const Exiv2::AnyError &) {
    }
}

// XMP properties that hold what a dictionary key holds, so a value set or removed in the
// dictionary is set or removed in the XMP too. Where the XMP is the key's home (rating, the
// "aux" properties) it is written even when the packet lacked it; the others are updated only
// where the packet has them, since the Exif or IPTC value stands on its own.
enum class XmpForm { Text, LangAlt, Seq, Bag, ExifDate, IptcDate, Integer };

struct XmpTwin
{
    const QString &group;
    const QString &key;
    const char *xmpKey;
    XmpForm form;
    bool always = false;
};

const XmpTwin kXmpTwins[] = {
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFImageDescription, "Xmp.dc.description", XmpForm::LangAlt},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFArtist, "Xmp.dc.creator", XmpForm::Seq},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFCopyright, "Xmp.dc.rights", XmpForm::LangAlt},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFMake, "Xmp.tiff.Make", XmpForm::Text},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFModel, "Xmp.tiff.Model", XmpForm::Text},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFSoftware, "Xmp.tiff.Software", XmpForm::Text},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFDateTime, "Xmp.xmp.ModifyDate", XmpForm::ExifDate},
    {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFDateTime, "Xmp.tiff.DateTime", XmpForm::ExifDate},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeOriginal, "Xmp.exif.DateTimeOriginal", XmpForm::ExifDate},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeOriginal, "Xmp.photoshop.DateCreated", XmpForm::ExifDate},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeDigitized, "Xmp.exif.DateTimeDigitized", XmpForm::ExifDate},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeDigitized, "Xmp.xmp.CreateDate", XmpForm::ExifDate},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifUserComment, "Xmp.exif.UserComment", XmpForm::LangAlt},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifCameraOwnerName, "Xmp.exifEX.CameraOwnerName", XmpForm::Text},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifBodySerialNumber, "Xmp.exifEX.BodySerialNumber", XmpForm::Text},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifLensMake, "Xmp.exifEX.LensMake", XmpForm::Text},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifLensModel, "Xmp.exifEX.LensModel", XmpForm::Text},
    {kCGImagePropertyExifDictionary, kCGImagePropertyExifLensSerialNumber, "Xmp.exifEX.LensSerialNumber", XmpForm::Text},
    // IPTC after Exif: where both name one XMP property, the IPTC value is the one written.
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCKeywords, "Xmp.dc.subject", XmpForm::Bag},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCObjectName, "Xmp.dc.title", XmpForm::LangAlt},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCaptionAbstract, "Xmp.dc.description", XmpForm::LangAlt},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCopyrightNotice, "Xmp.dc.rights", XmpForm::LangAlt},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCByline, "Xmp.dc.creator", XmpForm::Seq},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCBylineTitle, "Xmp.photoshop.AuthorsPosition", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCHeadline, "Xmp.photoshop.Headline", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCity, "Xmp.photoshop.City", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCProvinceState, "Xmp.photoshop.State", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCountryPrimaryLocationName, "Xmp.photoshop.Country", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCountryPrimaryLocationCode, "Xmp.Iptc4xmpCore.CountryCode", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCSubLocation, "Xmp.Iptc4xmpCore.Location", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCredit, "Xmp.photoshop.Credit", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCSource, "Xmp.photoshop.Source", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCSpecialInstructions, "Xmp.photoshop.Instructions", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCOriginalTransmissionReference, "Xmp.photoshop.TransmissionReference", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCategory, "Xmp.photoshop.Category", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCSupplementalCategory, "Xmp.photoshop.SupplementalCategories", XmpForm::Bag},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCWriterEditor, "Xmp.photoshop.CaptionWriter", XmpForm::Text},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCDateCreated, "Xmp.photoshop.DateCreated", XmpForm::IptcDate},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCTimeCreated, "Xmp.photoshop.DateCreated", XmpForm::IptcDate},
    {kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCStarRating, "Xmp.xmp.Rating", XmpForm::Integer, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxLensInfo, "Xmp.aux.LensInfo", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxLensModel, "Xmp.aux.Lens", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxSerialNumber, "Xmp.aux.SerialNumber", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxLensID, "Xmp.aux.LensID", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxLensSerialNumber, "Xmp.aux.LensSerialNumber", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxImageNumber, "Xmp.aux.ImageNumber", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxFlashCompensation, "Xmp.aux.FlashCompensation", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxOwnerName, "Xmp.aux.OwnerName", XmpForm::Text, true},
    {kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxFirmware, "Xmp.aux.Firmware", XmpForm::Text, true},
};

// The Exif tags an ExifAux entry is read from when the XMP lacks it (the metadata reader's
// fallbacks): removing the entry removes them too.
const struct
{
    const QString &key;
    const char *exifKey;
} kAuxExifSources[] = {
    {kCGImagePropertyExifAuxLensInfo, "Exif.Photo.LensSpecification"},
    {kCGImagePropertyExifAuxLensModel, "Exif.Photo.LensModel"},
    {kCGImagePropertyExifAuxSerialNumber, "Exif.Photo.BodySerialNumber"},
    {kCGImagePropertyExifAuxLensSerialNumber, "Exif.Photo.LensSerialNumber"},
    {kCGImagePropertyExifAuxOwnerName, "Exif.Photo.CameraOwnerName"},
};

// "2024:05:06 07:08:09" as XMP's "2024-05-06T07:08:09".
QString xmpDate(const QString &exifDate)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})"));
    const QRegularExpressionMatch m = form.match(exifDate);
    if (!m.hasMatch())
        return {};
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
        .arg(m.captured(1), m.captured(2), m.captured(3), m.captured(4), m.captured(5), m.captured(6));
}

// IPTC's date and time of creation as one XMP date ("2024-05-06T07:08:09+02:00").
QString xmpDateFromIptc(const QVariantMap &iptc)
{
    const QString date = iptc.value(kCGImagePropertyIPTCDateCreated).toString();
    if (date.size() != 8)
        return {};
    QString out = date.left(4) + QLatin1Char('-') + date.mid(4, 2) + QLatin1Char('-') + date.mid(6, 2);
    const QString time = iptc.value(kCGImagePropertyIPTCTimeCreated).toString();
    if (time.size() >= 6) {
        out += QLatin1Char('T') + time.left(2) + QLatin1Char(':') + time.mid(2, 2) + QLatin1Char(':') + time.mid(4, 2);
        if (time.size() == 11)
            out += time.mid(6, 3) + QLatin1Char(':') + time.mid(9, 2);
    }
    return out;
}

void eraseXmp(Exiv2::XmpData &xmp, const std::string &key)
{
    // Structured and array properties have their items under the same name.
    for (auto it = xmp.begin(); it != xmp.end();) {
        const std::string &k = it->key();
        const bool under = k == key || (k.size() > key.size() && k.compare(0, key.size(), key) == 0 &&
                                        (k[key.size()] == '[' || k[key.size()] == '/'));
        it = under ? xmp.erase(it) : std::next(it);
    }
}

bool hasXmp(const Exiv2::XmpData &xmp, const std::string &key)
{
    for (const Exiv2::Xmpdatum &datum : xmp) {
        const std::string &k = datum.key();
        if (k == key || (k.size() > key.size() && k.compare(0, key.size(), key) == 0 &&
                         (k[key.size()] == '[' || k[key.size()] == '/')))
            return true;
    }
    return false;
}

void eraseXmpPrefix(Exiv2::XmpData &xmp, const std::string &prefix)
{
    for (auto it = xmp.begin(); it != xmp.end();)
        it = it->key().compare(0, prefix.size(), prefix) == 0 ? xmp.erase(it) : std::next(it);
}

void setXmp(Exiv2::XmpData &xmp, const XmpTwin &twin, const QVariant &value, const QVariantMap &group)
{
    QStringList items;
    for (const QVariant &item : asList(value))
        if (!item.toString().isEmpty())
            items << item.toString();
    QString text;
    switch (twin.form) {
    case XmpForm::ExifDate:
        text = xmpDate(value.toString());
        break;
    case XmpForm::IptcDate:
        text = xmpDateFromIptc(group);
        break;
    case XmpForm::Integer:
        text = QString::number(std::clamp(value.toInt(), -1, 5));
        break;
    default:
        text = items.join(QLatin1Char(' '));
        break;
    }
    eraseXmp(xmp, twin.xmpKey);
    if (text.isEmpty())
        return;
    try {
        const Exiv2::XmpKey key(twin.xmpKey);
        switch (twin.form) {
        case XmpForm::LangAlt: {
            Exiv2::LangAltValue v;
            v.value_["x-default"] = text.toStdString();
            xmp.add(key, &v);
            break;
        }
        case XmpForm::Seq:
        case XmpForm::Bag: {
            Exiv2::XmpArrayValue v(twin.form == XmpForm::Seq ? Exiv2::xmpSeq : Exiv2::xmpBag);
            for (const QString &item : items)
                v.read(item.toStdString());
            xmp.add(key, &v);
            break;
        }
        default: {
            Exiv2::XmpTextValue v(text.toStdString());
            xmp.add(key, &v);
            break;
        }
        }
    } catch (const Exiv2::AnyError &) {
    }
}

// ---------------------------------------------------------------- composing

// Image-file-directory tags of a source that describe the photo rather than the file's
// structure: the ones carried over. Everything else there (strips, tiles, sample layout,
// sub-images, RAW and DNG data, the profile, pointers) belongs to the source file alone.
bool isCarriedImageTag(uint16_t tag)
{
    switch (tag) {
    case 0x010d: // DocumentName
    case 0x010e: // ImageDescription
    case 0x010f: // Make
    case 0x0110: // Model
    case 0x011d: // PageName
    case 0x0131: // Software
    case 0x0132: // DateTime
    case 0x013b: // Artist
    case 0x013c: // HostComputer
    case 0x013e: // WhitePoint
    case 0x013f: // PrimaryChromaticities
    case 0x4746: // Rating
    case 0x4749: // RatingPercent
    case 0x8298: // Copyright
    case 0x9c9b: // XPTitle
    case 0x9c9c: // XPComment
    case 0x9c9d: // XPAuthor
    case 0x9c9e: // XPKeywords
    case 0x9c9f: // XPSubject
    case 0xc4a5: // PrintImageMatching
        return true;
    default:
        return false;
    }
}

bool isMakerNoteDatum(const Exiv2::Exifdatum &datum)
{
    return Exiv2::ExifTags::isMakerGroup(datum.groupName()) ||
           (datum.groupName() == "Photo" && datum.tag() == 0x927c);
}

// Which of a source's Exif data travel: the photo's description, its Exif and GPS data, the
// interoperability entry and the maker note; never the structure, thumbnail or sub-images.
bool isCarried(const Exiv2::Exifdatum &datum)
{
    const std::string group = datum.groupName();
    if (group == "Image")
        return isCarriedImageTag(datum.tag());
    if (group == "Photo")
        return datum.tag() != 0xa002 && datum.tag() != 0xa003 && datum.tag() != 0xa005; // pixel size, pointer
    return group == "GPSInfo" || group == "Iop" || Exiv2::ExifTags::isMakerGroup(group);
}

// XMP properties that describe the source file's structure or its thumbnail, which the
// written file does not share.
const char *const kXmpStructure[] = {
    "Xmp.tiff.BitsPerSample", "Xmp.tiff.Compression",       "Xmp.tiff.PhotometricInterpretation",
    "Xmp.tiff.SamplesPerPixel", "Xmp.tiff.PlanarConfiguration", "Xmp.tiff.YCbCrSubSampling",
    "Xmp.tiff.YCbCrPositioning", "Xmp.tiff.YCbCrCoefficients", "Xmp.tiff.ReferenceBlackWhite",
    "Xmp.tiff.TransferFunction", "Xmp.tiff.StripOffsets",      "Xmp.tiff.RowsPerStrip",
    "Xmp.tiff.StripByteCounts",  "Xmp.tiff.JPEGInterchangeFormat", "Xmp.tiff.JPEGInterchangeFormatLength",
    "Xmp.xmp.Thumbnails",        "Xmp.photoshop.LegacyIPTCDigest",
};

// Photoshop resources (8BIM blocks) of a source, less the ones that describe what the written
// file has anew: IPTC (written from the IPTC data), its digest, thumbnails, resolution, grid,
// profile, Exif and XMP; and the copyright flag and URL when the copyright was removed.
QByteArray carriedPhotoshopResources(const QByteArray &resources, bool copyrightRemoved)
{
    QByteArray out;
    const auto *bytes = reinterpret_cast<const uchar *>(resources.constData());
    const qsizetype size = resources.size();
    qsizetype at = 0;
    while (at + 12 <= size && resources.mid(at, 4) == "8BIM") {
        const quint16 id = qFromBigEndian<quint16>(bytes + at + 4);
        const qsizetype nameLength = bytes[at + 6];
        qsizetype dataAt = at + 6 + ((nameLength + 2) & ~qsizetype(1)); // padded Pascal string
        if (dataAt + 4 > size)
            break;
        const qsizetype dataLength = qFromBigEndian<quint32>(bytes + dataAt);
        const qsizetype end = dataAt + 4 + ((dataLength + 1) & ~qsizetype(1));
        if (dataLength < 0 || end > size + 1)
            break;
        switch (id) {
        case 0x0404: case 0x0425: case 0x0409: case 0x040c: case 0x03ed: case 0x0408:
        case 0x040f: case 0x0422: case 0x0423: case 0x0424:
            break;
        case 0x040a: case 0x040b:
            if (copyrightRemoved)
                break;
            [[fallthrough]];
        default:
            out += resources.mid(at, std::min(end, size) - at);
            if (end > size) // an odd last block without its pad byte
                out += '\0';
            break;
        }
        at = end;
    }
    return out;
}

struct Composed
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::string xmpPacket; // the source's packet as it stands, when it did not decode
    std::string comment;
    QByteArray photoshop;
};

// The Exif tag a dictionary key of a group is written to.
std::string exifKeyFor(const QString &group, const QString &key)
{
    if (group == kCGImagePropertyTIFFDictionary)
        return exifName(QStringLiteral("Exif.Image."), key);
    if (group == kCGImagePropertyExifDictionary)
        return exifName(QStringLiteral("Exif.Photo."), key);
    if (key == kCGImagePropertyGPSVersion)
        return "Exif.GPSInfo.GPSVersionID";
    if (key == kCGImagePropertyGPSDifferental)
        return "Exif.GPSInfo.GPSDifferential";
    return exifName(QStringLiteral("Exif.GPSInfo.GPS"), key);
}

void eraseExif(Exiv2::ExifData &exif, const std::string &name)
{
    try {
        const Exiv2::ExifKey key(name);
        for (auto it = exif.findKey(key); it != exif.end(); it = exif.findKey(key))
            exif.erase(it);
    } catch (const Exiv2::AnyError &) {
    }
}

void writeExifValue(Exiv2::ExifData &exif, const QString &group, const QString &key, const QVariant &value)
{
    const std::string name = exifKeyFor(group, key);
    eraseExif(exif, name);
    if (group == kCGImagePropertyGPSDictionary &&
        (key == kCGImagePropertyGPSLatitude || key == kCGImagePropertyGPSLongitude ||
         key == kCGImagePropertyGPSDestLatitude || key == kCGImagePropertyGPSDestLongitude ||
         key == kCGImagePropertyGPSTimeStamp)) {
        try {
            exif[name] = sexagesimal(value).toStdString();
        } catch (const Exiv2::AnyError &) {
        }
        return;
    }
    setExif(exif, name, value);
}

enum class Change { None, Set, Removed };

// How the run changed `key` of `group` against the source: set (new or another value),
// removed, or not at all. Without a source every key present is set.
Change changeOf(const QVariantMap &run, const QVariantMap &source, const QString &group, const QString &key)
{
    const QVariantMap r = run.value(group).toMap(), s = source.value(group).toMap();
    const bool inRun = r.contains(key), inSource = s.contains(key);
    if (inRun)
        return !inSource || r.value(key) != s.value(key) ? Change::Set : Change::None;
    return inSource ? Change::Removed : Change::None;
}

QStringList unitedKeys(const QVariantMap &run, const QVariantMap &source, const QString &group)
{
    QStringList keys = run.value(group).toMap().keys();
    for (const QString &key : source.value(group).toMap().keys())
        if (!keys.contains(key))
            keys << key;
    return keys;
}

bool groupRemoved(const QVariantMap &run, const QVariantMap &source, const QString &group)
{
    return source.contains(group) && !run.contains(group);
}

void applyExifGroups(Composed &out, const QVariantMap &run, const QVariantMap &source)
{
    for (const QString *group : {&kCGImagePropertyTIFFDictionary, &kCGImagePropertyExifDictionary,
                                 &kCGImagePropertyGPSDictionary}) {
        const QVariantMap values = run.value(*group).toMap();
        for (const QString &key : unitedKeys(run, source, *group)) {
            if (isStructural(key))
                continue;
            switch (changeOf(run, source, *group, key)) {
            case Change::Set:
                writeExifValue(out.exif, *group, key, values.value(key));
                break;
            case Change::Removed:
                eraseExif(out.exif, exifKeyFor(*group, key));
                break;
            case Change::None:
                break;
            }
        }
    }
    auto eraseGroup = [&](const char *name) {
        for (auto it = out.exif.begin(); it != out.exif.end();)
            it = it->groupName() == name ? out.exif.erase(it) : std::next(it);
    };
    if (groupRemoved(run, source, kCGImagePropertyGPSDictionary)) {
        eraseGroup("GPSInfo");
        eraseXmpPrefix(out.xmp, "Xmp.exif.GPS");
    }
    if (groupRemoved(run, source, kCGImagePropertyExifDictionary)) {
        eraseGroup("Photo");
        eraseGroup("Iop");
    }
    const QVariantMap gps = run.value(kCGImagePropertyGPSDictionary).toMap();
    if (!gps.isEmpty() && out.exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSVersionID")) == out.exif.end())
        out.exif["Exif.GPSInfo.GPSVersionID"] = std::string("2 2 0 0");
}

void applyIptc(Composed &out, const QVariantMap &run, const QVariantMap &source)
{
    const QVariantMap values = run.value(kCGImagePropertyIPTCDictionary).toMap();
    for (const IptcName &name : kIptcNames) {
        switch (changeOf(run, source, kCGImagePropertyIPTCDictionary, name.property)) {
        case Change::Set:
            setIptc(out.iptc, name.dataset, values.value(name.property));
            break;
        case Change::Removed:
            setIptc(out.iptc, name.dataset, QVariant());
            break;
        case Change::None:
            break;
        }
    }
    if (groupRemoved(run, source, kCGImagePropertyIPTCDictionary)) {
        out.iptc.clear();
        eraseXmpPrefix(out.xmp, "Xmp.Iptc4xmpCore.");
        eraseXmpPrefix(out.xmp, "Xmp.Iptc4xmpExt.");
    }
    bool hasApplication = false;
    for (const Exiv2::Iptcdatum &datum : out.iptc)
        hasApplication = hasApplication || datum.record() == Exiv2::IptcDataSets::application2;
    if (!hasApplication) {
        out.iptc.clear(); // an envelope alone says nothing
    } else if (out.iptc.findKey(Exiv2::IptcKey("Iptc.Envelope.CharacterSet")) == out.iptc.end()) {
        out.iptc["Iptc.Envelope.CharacterSet"] = "\033%G"; // UTF-8
    }

    // The rating's Exif twins, where the file has them.
    const Change rating = changeOf(run, source, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCStarRating);
    if (rating == Change::Removed) {
        eraseExif(out.exif, "Exif.Image.Rating");
        eraseExif(out.exif, "Exif.Image.RatingPercent");
    } else if (rating == Change::Set) {
        const int stars = std::clamp(values.value(kCGImagePropertyIPTCStarRating).toInt(), -1, 5);
        static const int percent[] = {0, 1, 25, 50, 75, 99};
        if (out.exif.findKey(Exiv2::ExifKey("Exif.Image.Rating")) != out.exif.end())
            out.exif["Exif.Image.Rating"] = uint16_t(std::max(stars, 0));
        if (out.exif.findKey(Exiv2::ExifKey("Exif.Image.RatingPercent")) != out.exif.end())
            out.exif["Exif.Image.RatingPercent"] = uint16_t(percent[std::max(stars, 0)]);
    }
}

void applyXmpTwins(Composed &out, const QVariantMap &run, const QVariantMap &source)
{
    // Per XMP property: the last twin set wins; a removed twin erases the property unless
    // another twin still holds a value, which the property then takes.
    QStringList done;
    for (const XmpTwin &twin : kXmpTwins) {
        const QString xmpKey = QString::fromLatin1(twin.xmpKey);
        if (done.contains(xmpKey))
            continue;
        done << xmpKey;
        const XmpTwin *set = nullptr, *kept = nullptr;
        bool removed = false;
        for (const XmpTwin &other : kXmpTwins) {
            if (std::strcmp(other.xmpKey, twin.xmpKey) != 0)
                continue;
            const Change change = changeOf(run, source, other.group, other.key);
            if (change == Change::Set)
                set = &other;
            removed = removed || change == Change::Removed;
            if (change == Change::None && run.value(other.group).toMap().contains(other.key))
                kept = &other;
        }
        const XmpTwin *from = set ? set : removed ? kept : nullptr;
        if (from) {
            if (from->always || hasXmp(out.xmp, twin.xmpKey)) {
                const QVariantMap group = run.value(from->group).toMap();
                setXmp(out.xmp, *from, group.value(from->key), group);
            }
        } else if (removed) {
            eraseXmp(out.xmp, twin.xmpKey);
        }
    }
    // The Exif tags an ExifAux entry was read from go with it.
    for (const auto &source_ : kAuxExifSources)
        if (changeOf(run, source, kCGImagePropertyExifAuxDictionary, source_.key) == Change::Removed)
            eraseExif(out.exif, source_.exifKey);
    if (groupRemoved(run, source, kCGImagePropertyExifAuxDictionary))
        eraseXmpPrefix(out.xmp, "Xmp.aux.");
}

// GPS in the XMP follows the Exif GPS whenever the run touched it.
void alignXmpGps(Composed &out, const QVariantMap &run, const QVariantMap &source)
{
    if (run.value(kCGImagePropertyGPSDictionary) == source.value(kCGImagePropertyGPSDictionary))
        return;
    bool held = false;
    for (const Exiv2::Xmpdatum &datum : out.xmp)
        held = held || datum.key().compare(0, 12, "Xmp.exif.GPS") == 0;
    if (!held)
        return;
    eraseXmpPrefix(out.xmp, "Xmp.exif.GPS");
    Exiv2::ExifData gps;
    for (const Exiv2::Exifdatum &datum : out.exif)
        if (datum.groupName() == "GPSInfo")
            gps.add(datum);
    Exiv2::XmpData converted;
    Exiv2::copyExifToXmp(gps, converted);
    for (const Exiv2::Xmpdatum &datum : converted)
        if (datum.key().compare(0, 12, "Xmp.exif.GPS") == 0)
            out.xmp.add(datum);
}

// The facts of the written file itself: orientation, resolution and pixel size, in the Exif
// and wherever the XMP repeats them.
void applyStructure(Composed &out, const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &run)
{
    out.exif["Exif.Image.Orientation"] = uint16_t(options.orientation);
    out.exif["Exif.Image.XResolution"] = rationalText(options.dpiX).toStdString();
    out.exif["Exif.Image.YResolution"] = rationalText(options.dpiY).toStdString();
    out.exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    bool photo = !run.value(kCGImagePropertyExifDictionary).toMap().isEmpty();
    for (const Exiv2::Exifdatum &datum : out.exif)
        photo = photo || datum.groupName() == "Photo";
    if (photo) {
        out.exif["Exif.Photo.PixelXDimension"] = uint32_t(pixels.width());
        out.exif["Exif.Photo.PixelYDimension"] = uint32_t(pixels.height());
    }

    for (const char *key : kXmpStructure)
        eraseXmp(out.xmp, key);
    const auto update = [&](const char *key, const std::string &value) {
        if (hasXmp(out.xmp, key)) {
            eraseXmp(out.xmp, key);
            out.xmp[key] = value;
        }
    };
    update("Xmp.tiff.Orientation", std::to_string(options.orientation));
    update("Xmp.tiff.XResolution", rationalText(options.dpiX).toStdString());
    update("Xmp.tiff.YResolution", rationalText(options.dpiY).toStdString());
    update("Xmp.tiff.ResolutionUnit", "2");
    update("Xmp.tiff.ImageWidth", std::to_string(pixels.width()));
    update("Xmp.tiff.ImageLength", std::to_string(pixels.height()));
    update("Xmp.exif.PixelXDimension", std::to_string(pixels.width()));
    update("Xmp.exif.PixelYDimension", std::to_string(pixels.height()));
    const int colorMode = pixels.model() == kCGColorSpaceModelMonochrome ? 1
                          : pixels.model() == kCGColorSpaceModelCMYK      ? 4
                          : pixels.model() == kCGColorSpaceModelLab       ? 9
                                                                          : 3;
    update("Xmp.photoshop.ColorMode", std::to_string(colorMode));
    // The profile's name as the written file's own profile names itself.
    const QString profile = pixels.image().colorSpace() ? pixels.image().colorSpace()->profileDescription() : QString();
    if (profile.isEmpty())
        eraseXmp(out.xmp, "Xmp.photoshop.ICCProfile");
    else
        update("Xmp.photoshop.ICCProfile", profile.toStdString());
}

// Whether the run removed any value of the source's descriptive groups.
bool anythingRemoved(const QVariantMap &run, const QVariantMap &source)
{
    for (const QString *group : {&kCGImagePropertyTIFFDictionary, &kCGImagePropertyExifDictionary,
                                 &kCGImagePropertyGPSDictionary, &kCGImagePropertyIPTCDictionary,
                                 &kCGImagePropertyExifAuxDictionary})
        for (const QString &key : source.value(*group).toMap().keys())
            if (!isStructural(key) && changeOf(run, source, *group, key) == Change::Removed)
                return true;
    return false;
}

// The metadata to write: the source's blocks (when the dictionary names a source) with the
// dictionary applied over them. A key whose value the run changed is written from the
// dictionary; a key the run removed is erased, with its XMP twins; a key the run left alone
// keeps the source's own datum, so nothing is rounded on the way. The maker note travels
// whole unless the run removed it or the camera make it depends on.
bool composeMetadata(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                     Composed *composed, MCError *error)
{
    Composed &out = *composed;
    MetadataBlocks source;
    const QString sourcePath = properties.value(kMCImageDestinationMetadataSource).toString();
    if (!sourcePath.isEmpty()) {
        // Read like every photo of the user's, never mapped: a source another program cuts
        // short meanwhile must fail this photo, not end the process with SIGBUS.
        const platform::FileContents contents = platform::readRegularFile(sourcePath);
        if (!contents.isRead() || contents.truncated)
            return MCSetError(error, writerError(kMCImageDestinationMetadataFailed,
                                                 QStringLiteral("The metadata of the source photo could not be read; "
                                                                "it is missing, damaged or was changed while it was read.")));
        readMetadataBlocks(contents.data, &source);
    }
    const QVariantMap &was = source.properties;
    for (const Exiv2::Exifdatum &datum : source.exif)
        if (isCarried(datum))
            out.exif.add(datum);
    out.iptc = source.iptc;
    out.xmp = source.xmp;
    out.xmpPacket = source.xmpPacket;
    out.comment = source.comment;

    applyExifGroups(out, properties, was);
    applyIptc(out, properties, was);
    applyXmpTwins(out, properties, was);
    alignXmpGps(out, properties, was);

    // The maker note goes when the run removed it (or a maker's sub-dictionary), or removed
    // the camera make that says how it is laid out.
    const bool makerNoteRemoved =
        changeOf(properties, was, kCGImagePropertyExifDictionary, kCGImagePropertyExifMakerNote) == Change::Removed ||
        changeOf(properties, was, kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFMake) == Change::Removed ||
        std::any_of(std::begin(kMakerDictionaries), std::end(kMakerDictionaries),
                    [&](const QString *group) { return groupRemoved(properties, was, *group); });
    if (makerNoteRemoved)
        for (auto it = out.exif.begin(); it != out.exif.end();)
            it = isMakerNoteDatum(*it) ? out.exif.erase(it) : std::next(it);

    // A packet that did not decode cannot have a removal applied to it; rather than let it
    // keep what the run took out (a location, a name), it then stays behind.
    if (!out.xmpPacket.empty() && anythingRemoved(properties, was))
        out.xmpPacket.clear();

    const bool copyrightRemoved =
        changeOf(properties, was, kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFCopyright) == Change::Removed ||
        changeOf(properties, was, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCopyrightNotice) == Change::Removed;
    out.photoshop = carriedPhotoshopResources(source.photoshop, copyrightRemoved);

    applyStructure(out, pixels, options, properties);
    return true;
}

MCError metadataError(const Exiv2::AnyError &e)
{
    return writerError(kMCImageDestinationMetadataFailed,
                       QStringLiteral("The metadata could not be written: %1").arg(QString::fromStdString(e.what())));
}

// Puts the Photoshop resources into a JPEG as APP13 segments right after its first segments,
// where exiv2 then finds them and writes the IPTC among them.
void insertPhotoshopSegments(QByteArray *jpeg, const QByteArray &resources)
{
    if (resources.isEmpty() || jpeg->size() < 4)
        return;
    static const QByteArray signature("Photoshop 3.0\0", 14);
    QByteArray segments;
    const qsizetype room = 65533 - signature.size();
    for (qsizetype at = 0; at < resources.size(); at += room) {
        const QByteArray part = resources.mid(at, room);
        char header[4] = {char(0xff), char(0xed), 0, 0};
        qToBigEndian(quint16(part.size() + signature.size() + 2), header + 2);
        segments += QByteArray(header, 4) + signature + part;
    }
    // After SOI and an APP0 (JFIF) segment when there is one.
    qsizetype at = 2;
    const auto *bytes = reinterpret_cast<const uchar *>(jpeg->constData());
    if (jpeg->size() > 6 && bytes[2] == 0xff && bytes[3] == 0xe0)
        at = 4 + qFromBigEndian<quint16>(bytes + 4);
    jpeg->insert(at, segments);
}

// A TIFF holds its IPTC twice, as readers look for either: in the IPTC-NAA tag and among the
// Photoshop resources. (exiv2 writes one or the other; with the tag present it refreshes the
// tag from the IPTC data and leaves the resources as set here.)
void setTiffIptc(Composed &metadata)
{
    if (metadata.iptc.empty())
        return;
    static const Exiv2::byte none = 0;
    const auto *resources = metadata.photoshop.isEmpty()
                                ? &none
                                : reinterpret_cast<const Exiv2::byte *>(metadata.photoshop.constData());
    const Exiv2::DataBuf withIptc =
        Exiv2::Photoshop::setIptcIrb(resources, long(metadata.photoshop.size()), metadata.iptc);
    if (withIptc.size_ > 0)
        metadata.photoshop = QByteArray(reinterpret_cast<const char *>(withIptc.pData_), qsizetype(withIptc.size_));
    const Exiv2::DataBuf record = Exiv2::IptcParser::encode(metadata.iptc);
    if (record.size_ > 0)
        metadata.exif["Exif.Image.IPTCNAA"] =
            Exiv2::DataValue(record.pData_, record.size_, Exiv2::invalidByteOrder, Exiv2::undefined);
}

// Adds the comment to a PNG as a "Comment" text chunk after its header, unless the PNG has
// one (the dictionary's own): international text when it is UTF-8, Latin-1 text otherwise.
void insertPngComment(QByteArray *png, std::string comment)
{
    while (!comment.empty() && comment.back() == '\0')
        comment.pop_back();
    comment.erase(std::remove(comment.begin(), comment.end(), '\0'), comment.end());
    static const QByteArray keyword("Comment\0", 8);
    const auto *bytes = reinterpret_cast<const uchar *>(png->constData());
    if (comment.empty() || png->size() < 33 || png->mid(12, 4) != "IHDR")
        return;
    for (qsizetype at = 8; at + 12 <= png->size();) {
        const qsizetype length = qFromBigEndian<quint32>(bytes + at);
        const QByteArray kind = png->mid(at + 4, 4);
        if (kind == "IDAT" || length > png->size())
            break;
        if ((kind == "tEXt" || kind == "iTXt" || kind == "zTXt") && png->mid(at + 8, 8) == keyword)
            return;
        at += 12 + length;
    }
    const QByteArray text = QByteArray::fromStdString(comment);
    const bool utf8 = QString::fromUtf8(text).toUtf8() == text;
    const QByteArray kind = utf8 ? "iTXt" : "tEXt";
    // iTXt: keyword, no compression (flag and method), no language, no translated keyword.
    const QByteArray data = keyword + (utf8 ? QByteArray("\0\0\0\0", 4) : QByteArray()) + text;
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    chunk += kind + data;
    const QByteArray crcd = kind + data;
    const quint32 crc = quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(crcd.constData()), uInt(crcd.size())));
    QByteArray crcBytes(4, '\0');
    qToBigEndian(crc, crcBytes.data());
    png->insert(33, chunk + crcBytes); // signature (8) and header chunk (25)
}

} // namespace

bool writeImageMetadata(QByteArray *bytes, const WriterPixels &pixels, const WriterOptions &options,
                        const QVariantMap &properties, const QByteArray &thumbnail, MCError *error)
{
    initialiseExiv2();
    try {
        Composed metadata;
        if (!composeMetadata(pixels, options, properties, &metadata, error))
            return false;
        if (!thumbnail.isEmpty()) {
            const auto [xn, xd] = toFraction(72.0);
            Exiv2::ExifThumb(metadata.exif)
                .setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()), long(thumbnail.size()),
                                  Exiv2::URational(uint32_t(xn), uint32_t(xd)),
                                  Exiv2::URational(uint32_t(xn), uint32_t(xd)), 2);
        }
        Exiv2::Image::AutoPtr probe =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes->constData()), long(bytes->size()));
        const int type = probe->imageType();
        probe.reset();
        if (type == Exiv2::ImageType::jpeg)
            insertPhotoshopSegments(bytes, metadata.photoshop);
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes->constData()), long(bytes->size()));
        image->readMetadata(); // keeps what the encoder put there (the ICC profile)
        if (type == Exiv2::ImageType::tiff) {
            // The TIFF encoder wrote the image structure; keep its tags and add the rest.
            setTiffIptc(metadata);
            if (!metadata.photoshop.isEmpty()) {
                Exiv2::DataValue resources(reinterpret_cast<const Exiv2::byte *>(metadata.photoshop.constData()),
                                           long(metadata.photoshop.size()), Exiv2::invalidByteOrder, Exiv2::undefined);
                metadata.exif["Exif.Image.ImageResources"] = resources;
            }
            // A TIFF's comment is its image description, where TIFF readers look for one; a
            // description of its own stands.
            if (!metadata.comment.empty() &&
                metadata.exif.findKey(Exiv2::ExifKey("Exif.Image.ImageDescription")) == metadata.exif.end())
                metadata.exif["Exif.Image.ImageDescription"] = metadata.comment;
            for (const Exiv2::Exifdatum &datum : metadata.exif)
                image->exifData()[datum.key()] = datum.value();
        } else {
            image->setExifData(metadata.exif);
        }
        image->setIptcData(metadata.iptc);
        if (!metadata.xmpPacket.empty()) {
            // A source packet that did not decode goes as it stands. exiv2 keeps the packet it
            // is given, then throws because it cannot decode it; written from the packet, it
            // writes it unchanged.
            try {
                image->setXmpPacket(metadata.xmpPacket);
            } catch (const Exiv2::AnyError &) {
            }
            if (image->xmpPacket() != metadata.xmpPacket)
                image->clearXmpPacket();
            image->writeXmpFromPacket(true);
        } else
            image->setXmpData(metadata.xmp);
        if (!metadata.comment.empty() && type == Exiv2::ImageType::jpeg)
            image->setComment(metadata.comment);
        image->writeMetadata();
        // The written file is copied straight out of exiv2's memory: reading it through a
        // buffer first would hold a large TIFF once more.
        Exiv2::BasicIo &io = image->io();
        const long size = io.size();
        const Exiv2::byte *written = io.mmap(false);
        *bytes = QByteArray(reinterpret_cast<const char *>(written), qsizetype(size));
        io.munmap();
        if (type == Exiv2::ImageType::png)
            insertPngComment(bytes, metadata.comment);
        return true;
    } catch (const Exiv2::AnyError &e) {
        return MCSetError(error, metadataError(e));
    }
}

bool encodeMetadataBlocks(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                          QByteArray *exifBlock, QByteArray *xmpBlock, MCError *error)
{
    initialiseExiv2();
    try {
        Composed metadata;
        if (!composeMetadata(pixels, options, properties, &metadata, error))
            return false;
        Exiv2::copyIptcToXmp(metadata.iptc, metadata.xmp);
        // exiv2 leaves the date and time of creation out; XMP holds them as one date.
        const auto date = metadata.iptc.findKey(Exiv2::IptcKey("Iptc.Application2.DateCreated"));
        if (date != metadata.iptc.end() && !hasXmp(metadata.xmp, "Xmp.photoshop.DateCreated")) {
            std::string created = date->toString();
            const auto time = metadata.iptc.findKey(Exiv2::IptcKey("Iptc.Application2.TimeCreated"));
            if (time != metadata.iptc.end())
                created.append(1, 'T').append(time->toString());
            metadata.xmp["Xmp.photoshop.DateCreated"] = created;
        }
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::bigEndian, metadata.exif);
        *exifBlock = QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
        std::string packet;
        xmpBlock->clear();
        if (!metadata.xmpPacket.empty()) // a source packet that did not decode goes as it stands
            *xmpBlock = QByteArray::fromStdString(metadata.xmpPacket);
        else if (!metadata.xmp.empty() && Exiv2::XmpParser::encode(packet, metadata.xmp) == 0)
            *xmpBlock = QByteArray::fromStdString(packet);
        return true;
    } catch (const Exiv2::AnyError &e) {
        return MCSetError(error, metadataError(e));
    }
}

} // namespace platform
