// Turns an image's property dictionary into Exif, GPS, IPTC and XMP (exiv2) and adds them to
// an encoded file. The structural facts (pixel size, orientation, resolution) come from the
// image and the writer's options, not from what the source file said, so the written file
// describes itself truthfully.
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCImageWriters.h"

#include <exiv2/exiv2.hpp>

#include <QStringList>

#include <cmath>
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

struct IptcName
{
    const QString &property;
    const char *dataset;
};

void fillIptc(Exiv2::IptcData &iptc, Exiv2::XmpData &xmp, const QVariantMap &properties)
{
    const IptcName names[] = {
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
        {kCGImagePropertyIPTCLanguageIdentifier, "Language"},
    };
    const QVariantMap dictionary = properties.value(kCGImagePropertyIPTCDictionary).toMap();
    for (const IptcName &name : names) {
        const QVariant value = dictionary.value(name.property);
        if (!value.isValid())
            continue;
        // A lone empty text is a field that was emptied: it is written empty, not dropped, so
        // it replaces what the field held; empty entries of a list are no entries.
        const bool list = value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
        try {
            const Exiv2::IptcKey key(std::string("Iptc.Application2.") + name.dataset);
            for (const QVariant &item : asList(value)) {
                QString text = item.toString();
                if (text.isEmpty() && list)
                    continue;
                Exiv2::Value::AutoPtr v = Exiv2::Value::create(Exiv2::IptcDataSets::dataSetType(key.tag(), key.record()));
                if (v->typeId() == Exiv2::date && text.size() == 8 && !text.contains(QLatin1Char('-')))
                    text = text.left(4) + QLatin1Char('-') + text.mid(4, 2) + QLatin1Char('-') + text.mid(6);
                if (v->typeId() == Exiv2::time && text.size() == 6 && !text.contains(QLatin1Char(':')))
                    text = text.left(2) + QLatin1Char(':') + text.mid(2, 2) + QLatin1Char(':') + text.mid(4);
                if (v->read(text.toStdString()) == 0)
                    iptc.add(key, v.get());
            }
        } catch (const Exiv2::AnyError &) {
        }
    }
    if (!iptc.empty())
        iptc["Iptc.Envelope.CharacterSet"] = "\033%G"; // UTF-8
    bool ok = false;
    const int rating = dictionary.value(kCGImagePropertyIPTCStarRating).toInt(&ok);
    if (ok)
        xmp["Xmp.xmp.Rating"] = std::to_string(std::clamp(rating, -1, 5));
}

void fillAux(Exiv2::XmpData &xmp, const QVariantMap &properties)
{
    static const QHash<QString, const char *> names = {
        {kCGImagePropertyExifAuxLensInfo, "Xmp.aux.LensInfo"},
        {kCGImagePropertyExifAuxLensModel, "Xmp.aux.Lens"},
        {kCGImagePropertyExifAuxSerialNumber, "Xmp.aux.SerialNumber"},
        {kCGImagePropertyExifAuxLensID, "Xmp.aux.LensID"},
        {kCGImagePropertyExifAuxLensSerialNumber, "Xmp.aux.LensSerialNumber"},
        {kCGImagePropertyExifAuxImageNumber, "Xmp.aux.ImageNumber"},
        {kCGImagePropertyExifAuxFlashCompensation, "Xmp.aux.FlashCompensation"},
        {kCGImagePropertyExifAuxOwnerName, "Xmp.aux.OwnerName"},
        {kCGImagePropertyExifAuxFirmware, "Xmp.aux.Firmware"},
    };
    const QVariantMap aux = properties.value(kCGImagePropertyExifAuxDictionary).toMap();
    for (auto it = aux.cbegin(); it != aux.cend(); ++it) {
        const char *name = names.value(it.key());
        if (!name)
            continue;
        QStringList parts;
        for (const QVariant &v : asList(it.value()))
            parts << v.toString();
        const QString text = parts.join(QLatin1Char(' '));
        if (!text.isEmpty())
            try {
                xmp[name] = text.toStdString();
            } catch (const Exiv2::AnyError &) {
            }
    }
}

void fillExif(Exiv2::ExifData &exif, const WriterPixels &pixels, const WriterOptions &options,
              const QVariantMap &properties)
{
    const QVariantMap tiff = properties.value(kCGImagePropertyTIFFDictionary).toMap();
    for (auto it = tiff.cbegin(); it != tiff.cend(); ++it)
        if (!isStructural(it.key()))
            setExif(exif, exifName(QStringLiteral("Exif.Image."), it.key()), it.value());
    const QVariantMap photo = properties.value(kCGImagePropertyExifDictionary).toMap();
    for (auto it = photo.cbegin(); it != photo.cend(); ++it)
        if (!isStructural(it.key()))
            setExif(exif, exifName(QStringLiteral("Exif.Photo."), it.key()), it.value());

    const QVariantMap gps = properties.value(kCGImagePropertyGPSDictionary).toMap();
    for (auto it = gps.cbegin(); it != gps.cend(); ++it) {
        const QString &key = it.key();
        if (key == kCGImagePropertyGPSVersion) {
            setExif(exif, "Exif.GPSInfo.GPSVersionID", it.value());
        } else if (key == kCGImagePropertyGPSDifferental) {
            setExif(exif, "Exif.GPSInfo.GPSDifferential", it.value());
        } else if (key == kCGImagePropertyGPSLatitude || key == kCGImagePropertyGPSLongitude ||
                   key == kCGImagePropertyGPSDestLatitude || key == kCGImagePropertyGPSDestLongitude ||
                   key == kCGImagePropertyGPSTimeStamp) {
            try {
                exif[exifName(QStringLiteral("Exif.GPSInfo.GPS"), key)] = sexagesimal(it.value()).toStdString();
            } catch (const Exiv2::AnyError &) {
            }
        } else {
            setExif(exif, exifName(QStringLiteral("Exif.GPSInfo.GPS"), key), it.value());
        }
    }
    if (!gps.isEmpty() && exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSVersionID")) == exif.end())
        exif["Exif.GPSInfo.GPSVersionID"] = std::string("2 2 0 0");

    exif["Exif.Image.Orientation"] = uint16_t(options.orientation);
    exif["Exif.Image.XResolution"] = rationalText(options.dpiX).toStdString();
    exif["Exif.Image.YResolution"] = rationalText(options.dpiY).toStdString();
    exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    if (!photo.isEmpty()) {
        exif["Exif.Photo.PixelXDimension"] = uint32_t(pixels.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(pixels.height());
    }
}

MCError metadataError(const Exiv2::AnyError &e)
{
    return writerError(kMCImageDestinationMetadataFailed,
                       QStringLiteral("The metadata could not be written: %1").arg(QString::fromStdString(e.what())));
}

} // namespace

bool writeImageMetadata(QByteArray *bytes, const WriterPixels &pixels, const WriterOptions &options,
                        const QVariantMap &properties, const QByteArray &thumbnail, MCError *error)
{
    initialiseExiv2();
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes->constData()), long(bytes->size()));
        image->readMetadata(); // keeps what the encoder put there (the ICC profile)
        Exiv2::ExifData exif;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        fillExif(exif, pixels, options, properties);
        fillIptc(iptc, xmp, properties);
        fillAux(xmp, properties);
        if (!thumbnail.isEmpty()) {
            const auto [xn, xd] = toFraction(72.0);
            Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()),
                                                    long(thumbnail.size()), Exiv2::URational(uint32_t(xn), uint32_t(xd)),
                                                    Exiv2::URational(uint32_t(xn), uint32_t(xd)), 2);
        }
        if (image->imageType() == Exiv2::ImageType::tiff) {
            // The TIFF encoder wrote the image structure; keep its tags and add the rest.
            for (const Exiv2::Exifdatum &datum : exif)
                image->exifData()[datum.key()] = datum.value();
        } else {
            image->setExifData(exif);
        }
        image->setIptcData(iptc);
        image->setXmpData(xmp);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf data = io.read(io.size());
        *bytes = QByteArray(reinterpret_cast<const char *>(data.pData_), qsizetype(data.size_));
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
        Exiv2::ExifData exif;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        fillExif(exif, pixels, options, properties);
        fillIptc(iptc, xmp, properties);
        fillAux(xmp, properties);
        Exiv2::copyIptcToXmp(iptc, xmp);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::bigEndian, exif);
        *exifBlock = QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
        std::string packet;
        xmpBlock->clear();
        if (!xmp.empty() && Exiv2::XmpParser::encode(packet, xmp) == 0)
            *xmpBlock = QByteArray::fromStdString(packet);
        return true;
    } catch (const Exiv2::AnyError &e) {
        return MCSetError(error, metadataError(e));
    }
}

} // namespace platform
