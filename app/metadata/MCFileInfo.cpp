#include "app/metadata/MCFileInfo.h"

#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>
#include <cstdio>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCFileInfo", text); }
QString notDefined() { return tr("Not defined"); }
QString unknown() { return tr("Unknown"); }

std::mutex &readerLock()
{
    static std::mutex lock;
    return lock;
}
MCFileInfo::ImageInfoReader &installedReader() // guarded by readerLock()
{
    static MCFileInfo::ImageInfoReader reader;
    return reader;
}

QVariantMap readImageInfo(const QString &path)
{
    MCFileInfo::ImageInfoReader reader;
    {
        std::lock_guard guard(readerLock());
        reader = installedReader();
    }
    return reader ? reader(path) : QVariantMap();
}

QVariant firstPresent(std::initializer_list<QVariant> candidates)
{
    for (const QVariant &value : candidates)
        if (value.isValid() && !value.isNull())
            return value;
    return {};
}

bool present(const QVariant &value) { return value.isValid() && !value.isNull(); }

// A date-time of the Exif dictionary with its sub-seconds, else the TIFF date-time.
QVariant captureDate(const QVariantMap &exif, const QVariantMap &tiff, const QString &dateKey, const QString &subsecKey)
{
    if (std::optional<QDateTime> date = MCFileInfo::dateFromExifString(exif.value(dateKey).toString())) {
        const QVariant subsec = exif.value(subsecKey);
        if (present(subsec)) // the digits are milliseconds whatever their count
            *date = date->addMSecs(subsec.toString().trimmed().toLongLong());
        return *date;
    }
    if (std::optional<QDateTime> date = MCFileInfo::dateFromExifString(tiff.value(kCGImagePropertyTIFFDateTime).toString()))
        return *date;
    return {};
}

QString textOrNotDefined(const QVariant &value) { return present(value) ? value.toString() : notDefined(); }

QString lookUp(const QVariant &value, std::initializer_list<std::pair<qint64, const char *>> table, const QString &other)
{
    if (!present(value))
        return notDefined();
    const qint64 number = value.toLongLong();
    for (const auto &[key, text] : table)
        if (key == number)
            return tr(text);
    return other;
}

QString degreesMinutesSeconds(const QVariant &value, const QVariant &ref)
{
    if (!present(value) || !present(ref))
        return notDefined();
    const double v = value.toDouble();
    const double d = std::floor(v);
    const double m = std::floor((v - d) * 60.0);
    const double s = 60.0 * ((v - d) * 60.0 - m);
    return QString::asprintf("%.f%s %.f' %.2f'' ", d, "\u00B0", m, s) + ref.toString();
}

QSizeF rotated(const QVariant &a, const QVariant &b, const QVariant &orientation)
{
    const qint64 o = orientation.toLongLong();
    const double x = a.toDouble(), y = b.toDouble();
    return o >= 5 && o <= 8 ? QSizeF(y, x) : QSizeF(x, y);
}

} // namespace

MCFileInfo::MCFileInfo(quint64 fileID) : m_fileID(fileID), m_values(std::make_shared<const Values>()) {}

std::unique_ptr<MCFileInfo> MCFileInfo::infoWithID(const QVariant &fileID)
{
    if (!present(fileID))
        return nullptr;
    return std::make_unique<MCFileInfo>(fileID.toULongLong());
}

std::shared_ptr<const MCFileInfo::Values> MCFileInfo::values() const
{
    std::lock_guard guard(m_valuesLock);
    return m_values;
}

void MCFileInfo::swapValues(const std::function<void(Values &)> &change)
{
    // Writers take turns, so two reloads of different groups never lose each other's values.
    std::lock_guard writing(m_reloadLock);
    auto next = std::make_shared<Values>(*values());
    change(*next);
    ++next->generation;
    std::lock_guard guard(m_valuesLock);
    m_values = std::move(next);
}

void MCFileInfo::setImageInfoReader(ImageInfoReader reader)
{
    std::lock_guard guard(readerLock());
    installedReader() = std::move(reader);
}

std::optional<QDateTime> MCFileInfo::dateFromExifString(const QString &text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.isEmpty()
        || std::sscanf(text.toLatin1().constData(), "%d:%d:%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6)
        return std::nullopt;
    const QDate calendarDate(year, month, day);
    const QTime clockTime(hour, minute, second);
    if (!calendarDate.isValid() || !clockTime.isValid())
        return std::nullopt;
    const QDateTime date(calendarDate, clockTime, Qt::LocalTime);
    if (date.isValid())
        return date;
    // A wall-clock time the local zone skips (the hour lost when daylight saving time
    // begins) is read with the offset in force before the change, as clocks that were not
    // yet set forward show it: 02:30 becomes 03:30 summer time.
    const QDateTime asUTC(calendarDate, clockTime, Qt::UTC);
    const int offsetBefore = asUTC.addDays(-1).toLocalTime().offsetFromUtc();
    const QDateTime shifted = asUTC.addSecs(-offsetBefore).toLocalTime();
    if (!shifted.isValid())
        return std::nullopt;
    return shifted;
}

void MCFileInfo::reloadMainPropertiesFromImageInfo(const QVariantMap &info)
{
    const QVariantMap exif = info.value(kCGImagePropertyExifDictionary).toMap();
    const QVariantMap tiff = info.value(kCGImagePropertyTIFFDictionary).toMap();
    const QVariantMap iptc = info.value(kCGImagePropertyIPTCDictionary).toMap();
    auto flag = [&info](const QString &key) { return present(info.value(key)) ? info.value(key) : QVariant(false); };
    swapValues([&](Values &v) {
        v.width = info.value(kCGImagePropertyPixelWidth);
        v.height = info.value(kCGImagePropertyPixelHeight);
        v.resolutionX = info.value(kCGImagePropertyDPIWidth);
        v.resolutionY = info.value(kCGImagePropertyDPIHeight);
        v.colorModel = info.value(kCGImagePropertyColorModel);
        v.colorSpace = exif.value(kCGImagePropertyExifColorSpace);
        v.depth = info.value(kCGImagePropertyDepth);
        v.hasAlpha = flag(kCGImagePropertyHasAlpha);
        v.isFloat = flag(kCGImagePropertyIsFloat);
        v.isIndexed = flag(kCGImagePropertyIsIndexed);
        v.orientation = info.value(kCGImagePropertyOrientation);
        v.profileName = info.value(kCGImagePropertyProfileName);
        v.dateTimeOriginal = captureDate(exif, tiff, kCGImagePropertyExifDateTimeOriginal, kCGImagePropertyExifSubsecTimeOriginal);
        v.dateTimeDigitized = captureDate(exif, tiff, kCGImagePropertyExifDateTimeDigitized, kCGImagePropertyExifSubsecTimeDigitized);
        v.rating = iptc.value(kCGImagePropertyIPTCStarRating);
        v.keywords = iptc.value(kCGImagePropertyIPTCKeywords);
        const quint64 w = v.width.toULongLong(), h = v.height.toULongLong();
        if (w != 0 && h != 0) // otherwise the earlier ratio stays
            v.aspectRatioRotated = v.orientation.toLongLong() > 4 ? MCFraction::fractionWithNumerator(h, w)
                                                                   : MCFraction::fractionWithNumerator(w, h);
    });
}

void MCFileInfo::reloadExtraPropertiesFromImageInfo(const QVariantMap &info)
{
    const QVariantMap exif = info.value(kCGImagePropertyExifDictionary).toMap();
    const QVariantMap aux = info.value(kCGImagePropertyExifAuxDictionary).toMap();
    const QVariantMap tiff = info.value(kCGImagePropertyTIFFDictionary).toMap();
    const QVariantMap iptc = info.value(kCGImagePropertyIPTCDictionary).toMap();
    const QVariantMap gps = info.value(kCGImagePropertyGPSDictionary).toMap();
    const QVariantMap png = info.value(kCGImagePropertyPNGDictionary).toMap();
    swapValues([&](Values &v) {
        v.cameraFirmware = aux.value(kCGImagePropertyExifAuxFirmware);
        v.cameraLensModel = aux.value(kCGImagePropertyExifAuxLensModel);
        v.cameraMaker = tiff.value(kCGImagePropertyTIFFMake);
        v.cameraModel = tiff.value(kCGImagePropertyTIFFModel);
        v.copyright = firstPresent({iptc.value(kCGImagePropertyIPTCCopyrightNotice), tiff.value(kCGImagePropertyTIFFCopyright),
                                    png.value(kCGImagePropertyPNGCopyright)});
        v.owner = firstPresent({aux.value(kCGImagePropertyExifAuxOwnerName), tiff.value(kCGImagePropertyTIFFArtist),
                                png.value(kCGImagePropertyPNGAuthor)});
        v.IPTCTitle = iptc.value(kCGImagePropertyIPTCObjectName);
        v.IPTCCaption = iptc.value(kCGImagePropertyIPTCCaptionAbstract);
        v.IPTCCity = iptc.value(kCGImagePropertyIPTCCity);
        v.IPTCCountry = iptc.value(kCGImagePropertyIPTCCountryPrimaryLocationName);
        v.IPTCProvince = iptc.value(kCGImagePropertyIPTCProvinceState);
        v.IPTCLocation = iptc.value(kCGImagePropertyIPTCSubLocation);
        v.digitalZoomRatio = exif.value(kCGImagePropertyExifDigitalZoomRatio);
        v.editingSoftware = tiff.value(kCGImagePropertyTIFFSoftware);
        v.exposureBias = exif.value(kCGImagePropertyExifExposureBiasValue);
        v.exposureIndex = exif.value(kCGImagePropertyExifExposureIndex);
        v.exposureMode = exif.value(kCGImagePropertyExifExposureMode);
        v.exposureProgram = exif.value(kCGImagePropertyExifExposureProgram);
        v.exposureTime = exif.value(kCGImagePropertyExifExposureTime);
        v.flash = exif.value(kCGImagePropertyExifFlash);
        v.FNumber = exif.value(kCGImagePropertyExifFNumber);
        if (!present(v.FNumber)) {
            const QVariant aperture = exif.value(kCGImagePropertyExifApertureValue);
            const double a = aperture.toDouble();
            if (present(aperture) && a > 0 && a < 10000)
                v.FNumber = std::pow(2.0, a / 2.0);
        }
        v.focalLength = exif.value(kCGImagePropertyExifFocalLength);
        const QVariantList iso = exif.value(kCGImagePropertyExifISOSpeedRatings).toList();
        v.ISOSpeedRating = iso.isEmpty() ? QVariant() : iso.last();
        v.lightSource = exif.value(kCGImagePropertyExifLightSource);
        v.meteringMode = exif.value(kCGImagePropertyExifMeteringMode);
        v.sceneCaptureType = exif.value(kCGImagePropertyExifSceneCaptureType);
        v.sensingMethod = exif.value(kCGImagePropertyExifSensingMethod);
        v.GPSAltitude = gps.value(kCGImagePropertyGPSAltitude);
        v.GPSAltitudeRef = gps.value(kCGImagePropertyGPSAltitudeRef);
        v.GPSLatitude = gps.value(kCGImagePropertyGPSLatitude);
        v.GPSLatitudeRef = gps.value(kCGImagePropertyGPSLatitudeRef);
        v.GPSLongitude = gps.value(kCGImagePropertyGPSLongitude);
        v.GPSLongitudeRef = gps.value(kCGImagePropertyGPSLongitudeRef);
    });
}

void MCFileInfo::reloadAllPropertiesFromImageInfo(const QVariantMap &imageInfo)
{
    reloadMainPropertiesFromImageInfo(imageInfo);
    reloadExtraPropertiesFromImageInfo(imageInfo);
}

void MCFileInfo::reloadMainPropertiesFromURL(const QString &path) { reloadMainPropertiesFromImageInfo(readImageInfo(path)); }
void MCFileInfo::reloadExtraPropertiesFromURL(const QString &path) { reloadExtraPropertiesFromImageInfo(readImageInfo(path)); }
void MCFileInfo::reloadAllPropertiesFromURL(const QString &path) { reloadAllPropertiesFromImageInfo(readImageInfo(path)); }

std::optional<QDateTime> MCFileInfo::dateTimeOriginal() const
{
    const QVariant date = values()->dateTimeOriginal;
    return present(date) ? std::optional<QDateTime>(date.toDateTime()) : std::nullopt;
}

std::optional<QDateTime> MCFileInfo::dateTimeDigitized() const
{
    const QVariant date = values()->dateTimeDigitized;
    return present(date) ? std::optional<QDateTime>(date.toDateTime()) : std::nullopt;
}

QSizeF MCFileInfo::imageSizeRotated() const
{
    const auto v = values();
    return rotated(v->width, v->height, v->orientation);
}

QSizeF MCFileInfo::imageDPIRotated() const
{
    const auto v = values();
    return rotated(v->resolutionX, v->resolutionY, v->orientation);
}

QString MCFileInfo::stringFromDate(const std::optional<QDateTime> &date)
{
    if (!date || !date->isValid())
        return {};
    // QLocale formatting is reentrant, so no shared formatter needs guarding.
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1String("ss")))
        timeFormat.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return mediumDateString(date->date()) + QLatin1Char(' ') + locale.toString(date->time(), timeFormat);
}

QString MCFileInfo::mediumDateString(const QDate &date)
{
    static const QRegularExpression weekday(QStringLiteral("dddd[,.]?\\s*|,?\\s*dddd"));
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(weekday);
    format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    return locale.toString(date, format.trimmed());
}

QString MCFileInfo::captureDateString() const
{
    std::optional<QDateTime> date = dateTimeOriginal();
    if (!date)
        date = dateTimeDigitized();
    return date ? stringFromDate(date) : notDefined();
}

QString MCFileInfo::imageSizeString() const
{
    const QSizeF size = imageSizeRotated();
    if (size.width() == 0 && size.height() == 0)
        return notDefined();
    return QString::asprintf("%.0fx%.0f", size.width(), size.height());
}

QString MCFileInfo::imageDPIString() const
{
    const QSizeF dpi = imageDPIRotated();
    return QString::asprintf("%.1fx%.1f", dpi.width() == 0 ? 72.0 : dpi.width(), dpi.height() == 0 ? 72.0 : dpi.height());
}

QString MCFileInfo::aspectRatioString() const
{
    const std::optional<MCFraction> ratio = aspectRatioRotated();
    if (!ratio)
        return notDefined();
    return QStringLiteral("%1:%2").arg(ratio->numerator()).arg(ratio->denominator());
}

QString MCFileInfo::colorModelString() const
{
    const auto v = values();
    if (!present(v->colorModel))
        return notDefined();
    QString text = v->colorModel.toString();
    if (v->hasAlpha.toBool())
        text += QStringLiteral(" + ") + tr("Alpha");
    return text;
}

QString MCFileInfo::colorSpaceString() const
{
    return lookUp(values()->colorSpace, {{1, "sRGB"}, {65535, "Uncalibrated"}}, unknown());
}

QString MCFileInfo::depthString() const
{
    const auto v = values();
    if (!present(v->depth))
        return notDefined();
    const quint64 depth = v->depth.toULongLong();
    if (v->isFloat.toBool())
        return tr("%1 bpc (Floating point)").arg(depth);
    if (v->isIndexed.toBool())
        return tr("%1 bpc (Indexed)").arg(depth);
    return tr("%1 bits per channel").arg(depth);
}

QString MCFileInfo::orientationString() const
{
    return lookUp(values()->orientation,
                  {{1, "1 (Normal)"}, {2, "2 (Normal, Flipped)"}, {3, "3 (Rotated 180°)"}, {4, "4 (Rotated 180°, Flipped)"},
                   {5, "5 (Rotated 90° CCW, Flipped)"}, {6, "6 (Rotated 90° CCW)"}, {7, "7 (Rotated 90° CW, Flipped)"},
                   {8, "8 (Rotated 90° CW)"}},
                  unknown());
}

QString MCFileInfo::ratingString() const
{
    const QVariant rating = values()->rating;
    const qint64 stars = rating.toLongLong();
    if (!present(rating) || stars < 1 || stars > 5)
        return notDefined();
    return QString(stars, QChar(0x2605));
}

QString MCFileInfo::keywordsString() const
{
    const QVariant keywords = values()->keywords;
    return present(keywords) ? keywords.toStringList().join(QStringLiteral(", ")) : notDefined();
}

QString MCFileInfo::digitalZoomRatioString() const
{
    const QVariant ratio = values()->digitalZoomRatio;
    return present(ratio) && ratio.toDouble() > 0 ? QString::asprintf("%.1f", ratio.toDouble()) : notDefined();
}

QString MCFileInfo::exposureString() const
{
    const auto v = values();
    QString part;
    if (present(v->exposureTime)) {
        const double t = v->exposureTime.toDouble();
        if (t > 0.25)
            part = tr("%1 sec").arg(QString::asprintf("%.2f", t));
        else if (t > 0)
            part = tr("1/%1 sec").arg(QString::asprintf("%.0f", 1.0 / t));
        else
            part = unknown();
    }
    if (present(v->FNumber)) {
        const QString f = QString::asprintf("f/%.1f", v->FNumber.toDouble());
        return part.isEmpty() ? f : tr("%1 at %2").arg(part, f);
    }
    return part.isEmpty() ? notDefined() : part;
}

QString MCFileInfo::exposureTimeString() const
{
    const QVariant time = values()->exposureTime;
    if (!present(time))
        return notDefined();
    const double t = time.toDouble();
    if (t > 0.25)
        return tr("%1 sec").arg(QString::asprintf("%.2f", t));
    if (t > 0)
        return tr("1 / %1 sec").arg(QString::asprintf("%.0f", 1.0 / t));
    return tr("Infinity");
}

QString MCFileInfo::focalLengthString() const
{
    const QVariant length = values()->focalLength;
    if (!present(length))
        return notDefined();
    return length.toDouble() > 0 ? tr("%1 mm").arg(QString::asprintf("%.1f", length.toDouble())) : unknown();
}

QString MCFileInfo::exposureBiasString() const
{
    const QVariant bias = values()->exposureBias;
    return present(bias) ? QString::asprintf("%.1f EV", bias.toDouble()) : notDefined();
}

QString MCFileInfo::exposureIndexString() const
{
    const QVariant index = values()->exposureIndex;
    return present(index) ? QString::asprintf("%.1f", index.toDouble()) : notDefined();
}

QString MCFileInfo::ISOSpeedRatingString() const
{
    const QVariant iso = values()->ISOSpeedRating;
    return present(iso) ? QStringLiteral("ISO ") + iso.toString() : notDefined();
}

QString MCFileInfo::exposureModeString() const
{
    return lookUp(values()->exposureMode, {{0, "Auto exposure"}, {1, "Manual exposure"}, {2, "Auto bracket"}}, unknown());
}

QString MCFileInfo::exposureProgramString() const
{
    return lookUp(values()->exposureProgram,
                  {{0, "Not defined"}, {1, "Manual"}, {2, "Normal program"}, {3, "Aperture priority"}, {4, "Shutter priority"},
                   {5, "Creative program"}, {6, "Action program"}, {7, "Portrait mode"}, {8, "Landscape mode"}},
                  unknown());
}

QString MCFileInfo::meteringModeString() const
{
    return lookUp(values()->meteringMode,
                  {{1, "Average"}, {2, "CenterWeightedAverage"}, {3, "Spot"}, {4, "MultiSpot"}, {5, "Pattern"}, {6, "Partial"},
                   {255, "Other"}},
                  unknown());
}

QString MCFileInfo::lightSourceString() const
{
    return lookUp(values()->lightSource,
                  {{1, "Daylight"}, {2, "Flourescent"}, {3, "Tungsten (incandescent light)"}, {4, "Flash"},
                   {9, "Fine weather"}, {10, "Cloudy weather"}, {11, "Shade"},
                   {12, "Daylight fluorescent (D 5700 – 7100K)"}, {13, "Day white fluorescent (N 4600 – 5400K)"},
                   {14, "Cool white fluorescent (W 3900 – 4500K)"}, {15, "White fluorescent (WW 3200 – 3700K)"},
                   {17, "Standard Light A"}, {18, "Standard Light B"}, {19, "Standard Light C"}, {20, "D55"}, {21, "D65"},
                   {22, "D75"}, {23, "D50"}, {24, "ISO studio tungsten"}, {255, "Other"}},
                  unknown());
}

QString MCFileInfo::sensingMethodString() const
{
    return lookUp(values()->sensingMethod,
                  {{1, "Not defined"}, {2, "One-chip color area sensor"}, {3, "Two-chip color area sensor"},
                   {4, "Three-chip color area sensor"}, {5, "Color sequential area sensor"}, {7, "Trilinear sensor"},
                   {8, "Color sequential linear sensor"}},
                  unknown());
}

QString MCFileInfo::sceneCaptureTypeString() const
{
    return lookUp(values()->sceneCaptureType, {{0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night scene"}},
                  unknown());
}

QString MCFileInfo::flashString() const
{
    return lookUp(values()->flash,
                  {{0, "Flash did not fire"}, {1, "Flash fired"}, {5, "Strobe return light not detected"},
                   {7, "Strobe return light detected"}, {9, "Flash fired, compulsory flash mode"},
                   {13, "Flash fired, compulsory flash mode, return light not detected"},
                   {15, "Flash fired, compulsory flash mode, return light detected"},
                   {16, "Flash did not fire, compulsory flash mode"}, {24, "Flash did not fire, auto mode"},
                   {25, "Flash fired, auto mode"}, {29, "Flash fired, auto mode, return light not detected"},
                   {31, "Flash fired, auto mode, return light detected"}, {32, "No flash function"},
                   {65, "Flash fired, red-eye reduction mode"},
                   {69, "Flash fired, red-eye reduction mode, return light not detected"},
                   {71, "Flash fired, red-eye reduction mode, return light detected"},
                   {73, "Flash fired, compulsory flash mode, red-eye reduction mode"},
                   {77, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected"},
                   {79, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected"},
                   {89, "Flash fired, auto mode, red-eye reduction mode"},
                   {93, "Flash fired, auto mode, return light not detected, red-eye reduction mode"},
                   {95, "Flash fired, auto mode, return light detected, red-eye reduction mode"}},
                  unknown());
}

namespace {
QString flashBits(const QVariant &flash, int shift, qint64 mask, std::initializer_list<std::pair<qint64, const char *>> table)
{
    if (!present(flash))
        return notDefined();
    return lookUp((flash.toLongLong() >> shift) & mask, table, unknown());
}
} // namespace

QString MCFileInfo::flashFiredString() const { return flashBits(values()->flash, 0, 1, {{1, "Yes"}, {0, "No"}}); }

QString MCFileInfo::flashReturnString() const
{
    return flashBits(values()->flash, 1, 3,
                     {{0, "No strobe return detection function"}, {1, "Unknown"}, {2, "Strobe return light not detected"},
                      {3, "Strobe return light detected"}});
}

QString MCFileInfo::flashModeString() const
{
    return flashBits(values()->flash, 3, 3,
                     {{0, "Unknown"}, {1, "Compulsory flash firing"}, {2, "Compulsory flash suppression"}, {3, "Auto mode"}});
}

QString MCFileInfo::flashFunctionString() const
{
    return flashBits(values()->flash, 5, 1, {{1, "No flash function"}, {0, "Flash function present"}});
}

QString MCFileInfo::flashRedEyeModeString() const
{
    return flashBits(values()->flash, 6, 1, {{1, "Red-eye reduction supported"}, {0, "No red-eye reduction mode or unknown"}});
}

QString MCFileInfo::GPSAltitudeString() const
{
    const auto v = values();
    if (!present(v->GPSAltitude) || !present(v->GPSAltitudeRef))
        return notDefined();
    const QString value = QString::asprintf("%.2f", v->GPSAltitude.toDouble());
    return v->GPSAltitudeRef.toLongLong() != 0 ? tr("%1 m below sea level").arg(value) : tr("%1 m above sea level").arg(value);
}

QString MCFileInfo::GPSLatitudeString() const
{
    const auto v = values();
    return degreesMinutesSeconds(v->GPSLatitude, v->GPSLatitudeRef);
}

QString MCFileInfo::GPSLongitudeString() const
{
    const auto v = values();
    return degreesMinutesSeconds(v->GPSLongitude, v->GPSLongitudeRef);
}

QString MCFileInfo::profileNameString() const { return textOrNotDefined(values()->profileName); }
QString MCFileInfo::cameraMakerString() const { return textOrNotDefined(values()->cameraMaker); }
QString MCFileInfo::cameraModelString() const { return textOrNotDefined(values()->cameraModel); }
QString MCFileInfo::cameraLensModelString() const { return textOrNotDefined(values()->cameraLensModel); }
QString MCFileInfo::cameraFirmwareString() const { return textOrNotDefined(values()->cameraFirmware); }
QString MCFileInfo::editingSoftwareString() const { return textOrNotDefined(values()->editingSoftware); }
QString MCFileInfo::copyrightString() const { return textOrNotDefined(values()->copyright); }
QString MCFileInfo::ownerString() const { return textOrNotDefined(values()->owner); }
QString MCFileInfo::IPTCTitleString() const { return textOrNotDefined(values()->IPTCTitle); }
QString MCFileInfo::IPTCCaptionString() const { return textOrNotDefined(values()->IPTCCaption); }
QString MCFileInfo::IPTCCityString() const { return textOrNotDefined(values()->IPTCCity); }
QString MCFileInfo::IPTCCountryString() const { return textOrNotDefined(values()->IPTCCountry); }
QString MCFileInfo::IPTCProvinceString() const { return textOrNotDefined(values()->IPTCProvince); }
QString MCFileInfo::IPTCLocationString() const { return textOrNotDefined(values()->IPTCLocation); }

MCMutableOrderedDictionary MCFileInfo::properties() const
{
    // Each display method takes the current snapshot; a reload between two rows may mix
    // groups, which is harmless for a display and keeps the methods simple.
    const std::pair<const char *, QString (MCFileInfo::*)() const> rows[] = {
        {"Image size", &MCFileInfo::imageSizeString},
        {"Image DPI", &MCFileInfo::imageDPIString},
        {"Aspect Ratio", &MCFileInfo::aspectRatioString},
        {"Color model", &MCFileInfo::colorModelString},
        {"Color space", &MCFileInfo::colorSpaceString},
        {"Depth", &MCFileInfo::depthString},
        {"Profile name", &MCFileInfo::profileNameString},
        {"Orientation", &MCFileInfo::orientationString},
        {"Rating", &MCFileInfo::ratingString},
        {"Keywords", &MCFileInfo::keywordsString},
        {"Capture date", &MCFileInfo::captureDateString},
        {"Digital zoom ratio", &MCFileInfo::digitalZoomRatioString},
        {"Exposure", &MCFileInfo::exposureString},
        {"Focal length", &MCFileInfo::focalLengthString},
        {"Exposure bias", &MCFileInfo::exposureBiasString},
        {"ISO speed rating", &MCFileInfo::ISOSpeedRatingString},
        {"Flash fired", &MCFileInfo::flashFiredString},
        {"Exposure mode", &MCFileInfo::exposureModeString},
        {"Exposure program", &MCFileInfo::exposureProgramString},
        {"Metering mode", &MCFileInfo::meteringModeString},
        {"Light source", &MCFileInfo::lightSourceString},
        {"Sensing method", &MCFileInfo::sensingMethodString},
        {"Scene capture type", &MCFileInfo::sceneCaptureTypeString},
        {"Camera maker", &MCFileInfo::cameraMakerString},
        {"Camera model", &MCFileInfo::cameraModelString},
        {"Camera lens model", &MCFileInfo::cameraLensModelString},
        {"Camera firmware", &MCFileInfo::cameraFirmwareString},
        {"Editing software", &MCFileInfo::editingSoftwareString},
        {"Copyright", &MCFileInfo::copyrightString},
        {"Owner", &MCFileInfo::ownerString},
        {"IPTC Title", &MCFileInfo::IPTCTitleString},
        {"IPTC Caption", &MCFileInfo::IPTCCaptionString},
        {"IPTC City", &MCFileInfo::IPTCCityString},
        {"IPTC Country", &MCFileInfo::IPTCCountryString},
        {"IPTC Province/State", &MCFileInfo::IPTCProvinceString},
        {"IPTC Location", &MCFileInfo::IPTCLocationString},
        {"GPS Altitude", &MCFileInfo::GPSAltitudeString},
        {"GPS Latitude", &MCFileInfo::GPSLatitudeString},
        {"GPS Longitude", &MCFileInfo::GPSLongitudeString},
    };
    MCMutableOrderedDictionary dictionary;
    for (const auto &[label, method] : rows)
        dictionary.addObject((this->*method)(), tr(label));
    return dictionary;
}
