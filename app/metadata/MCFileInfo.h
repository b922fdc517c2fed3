#pragma once

#include "halvard/collections/MCOrderedDictionary.h"
#include "halvard/collections/MCSortedContainers.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// The image properties of one library file, read from the file's property dictionary:
// size, resolution, colour, orientation, capture dates, camera and exposure data,
// copyright and owner, IPTC texts, keywords, rating and GPS position, with their display
// strings. Values are absent (a null QVariant / std::nullopt) when the file does not hold them.
//
// Reloads may run on a worker thread while the GUI thread reads: every reload builds a new
// immutable snapshot of the values and swaps it in under a lock, so a reader sees either the
// old or the new values of a group, never a mix, and never a value being written.
class MCFileInfo
{
public:
    struct Values
    {
        // Main group.
        QVariant width, height, resolutionX, resolutionY, colorModel, colorSpace, depth;
        QVariant hasAlpha, isFloat, isIndexed, orientation, profileName;
        QVariant dateTimeOriginal, dateTimeDigitized, rating, keywords;
        std::optional<MCFraction> aspectRatioRotated;
        // Extra group.
        QVariant cameraFirmware, cameraLensModel, cameraMaker, cameraModel, copyright, owner;
        QVariant IPTCTitle, IPTCCaption, IPTCCity, IPTCCountry, IPTCProvince, IPTCLocation;
        QVariant digitalZoomRatio, editingSoftware, exposureBias, exposureIndex, exposureMode, exposureProgram;
        QVariant exposureTime, flash, FNumber, focalLength, ISOSpeedRating, lightSource, meteringMode;
        QVariant sceneCaptureType, sensingMethod;
        QVariant GPSAltitude, GPSAltitudeRef, GPSLatitude, GPSLatitudeRef, GPSLongitude, GPSLongitudeRef;
        // Counts the reloads: a snapshot with a higher number holds newer values.
        quint64 generation = 0;
    };

    // A missing identifier (null) gives no record.
    static std::unique_ptr<MCFileInfo> infoWithID(const QVariant &fileID);
    explicit MCFileInfo(quint64 fileID);
    MCFileInfo(const MCFileInfo &) = delete;
    MCFileInfo &operator=(const MCFileInfo &) = delete;

    quint64 fileID() const { return m_fileID; }

    // The current values, consistent with one another; cheap to take, safe on any thread.
    std::shared_ptr<const Values> values() const;

    // Replace one group (or both) from a property dictionary; an empty dictionary clears the
    // group (the three flags become false).
    void reloadMainPropertiesFromImageInfo(const QVariantMap &imageInfo);
    void reloadExtraPropertiesFromImageInfo(const QVariantMap &imageInfo);
    void reloadAllPropertiesFromImageInfo(const QVariantMap &imageInfo);

    // The same, reading the dictionary of the image file at `path` through the installed
    // reader (see setImageInfoReader); an unreadable file gives an empty dictionary.
    void reloadMainPropertiesFromURL(const QString &path);
    void reloadExtraPropertiesFromURL(const QString &path);
    void reloadAllPropertiesFromURL(const QString &path);

    // How property dictionaries are read from files: the image loader's metadata reader,
    // installed once at start-up (tests install their own). Without one nothing is read.
    using ImageInfoReader = std::function<QVariantMap(const QString &path)>;
    static void setImageInfoReader(ImageInfoReader reader);

    // Typed reads of the current values.
    QVariant width() const { return values()->width; }
    QVariant height() const { return values()->height; }
    QVariant resolutionX() const { return values()->resolutionX; }
    QVariant resolutionY() const { return values()->resolutionY; }
    QVariant colorModel() const { return values()->colorModel; }
    QVariant depth() const { return values()->depth; }
    QVariant hasAlpha() const { return values()->hasAlpha; }
    QVariant orientation() const { return values()->orientation; }
    QVariant profileName() const { return values()->profileName; }
    QVariant rating() const { return values()->rating; }
    QVariant keywords() const { return values()->keywords; }
    QVariant exposureTime() const { return values()->exposureTime; }
    QVariant FNumber() const { return values()->FNumber; }
    QVariant focalLength() const { return values()->focalLength; }
    QVariant ISOSpeedRating() const { return values()->ISOSpeedRating; }
    QVariant flash() const { return values()->flash; }
    QVariant GPSLatitude() const { return values()->GPSLatitude; }
    QVariant GPSLatitudeRef() const { return values()->GPSLatitudeRef; }
    QVariant GPSLongitude() const { return values()->GPSLongitude; }
    QVariant GPSLongitudeRef() const { return values()->GPSLongitudeRef; }
    std::optional<QDateTime> dateTimeOriginal() const;
    std::optional<QDateTime> dateTimeDigitized() const;
    std::optional<MCFraction> aspectRatioRotated() const { return values()->aspectRatioRotated; }
    // Width and height (resolutions), swapped for orientations 5 to 8; absent values are 0.
    QSizeF imageSizeRotated() const;
    QSizeF imageDPIRotated() const;

    // Display strings: never empty for a missing value, which shows as "Not defined".
    // The date and time in the locale's medium styles ("Dec 31, 2019 11:30:00 PM" in English);
    // empty for no date.
    static QString stringFromDate(const std::optional<QDateTime> &date);
    // The locale's medium date style: its long form without the weekday, months abbreviated
    // ("Dec 31, 2019", "31. Dez. 2019").
    static QString mediumDateString(const QDate &date);
    QString captureDateString() const;
    QString imageSizeString() const;
    QString imageDPIString() const;
    QString aspectRatioString() const;
    QString colorModelString() const;
    QString colorSpaceString() const;
    QString depthString() const;
    QString orientationString() const;
    QString ratingString() const;
    QString keywordsString() const;
    QString digitalZoomRatioString() const;
    QString exposureString() const;
    QString exposureTimeString() const;
    QString focalLengthString() const;
    QString exposureBiasString() const;
    QString exposureIndexString() const;
    QString ISOSpeedRatingString() const;
    QString exposureModeString() const;
    QString exposureProgramString() const;
    QString meteringModeString() const;
    QString lightSourceString() const;
    QString sensingMethodString() const;
    QString sceneCaptureTypeString() const;
    QString flashString() const;
    QString flashFiredString() const;
    QString flashReturnString() const;
    QString flashModeString() const;
    QString flashFunctionString() const;
    QString flashRedEyeModeString() const;
    QString GPSAltitudeString() const;
    QString GPSLatitudeString() const;
    QString GPSLongitudeString() const;
    QString profileNameString() const;
    QString cameraMakerString() const;
    QString cameraModelString() const;
    QString cameraLensModelString() const;
    QString cameraFirmwareString() const;
    QString editingSoftwareString() const;
    QString copyrightString() const;
    QString ownerString() const;
    QString IPTCTitleString() const;
    QString IPTCCaptionString() const;
    QString IPTCCityString() const;
    QString IPTCCountryString() const;
    QString IPTCProvinceString() const;
    QString IPTCLocationString() const;

    // The 39 labelled display strings of the info panel, in their fixed order, all taken
    // from one snapshot.
    MCMutableOrderedDictionary properties() const;

    // Parses an EXIF date-time ("yyyy:MM:dd HH:mm:ss") in the local time zone. A time the
    // zone skips when its clocks go forward reads as the moment it names by the offset before
    // the change (02:30 on the morning summer time starts at 03:00 reads as 03:30).
    static std::optional<QDateTime> dateFromExifString(const QString &text);

private:
    void swapValues(const std::function<void(Values &)> &change);

    const quint64 m_fileID;
    std::mutex m_reloadLock;                  // one reload builds and swaps a snapshot at a time
    mutable std::mutex m_valuesLock;          // guards m_values (the pointer, not the snapshot)
    std::shared_ptr<const Values> m_values;
};
