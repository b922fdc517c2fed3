#pragma once

// The stages that write who made the photo, how good it is, where it was taken and its IPTC
// texts: Set Copyright and Owner, Set Rating, Set GPS Location and Set IPTC Info. They edit
// only the property dictionary; a sub-dictionary they write to is created when missing.
#include "app/stages/MCMetadataStage.h"

// Writes `copyright` into the IPTC copyright notice, the PNG copyright and the TIFF copyright,
// and `owner` into the PNG author, the TIFF artist and the EXIF owner name; nil writes "".
class MCConvertSetCopyrightAndOwner : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 31;
    static const QString kCopyrightKey; // "copyright"
    static const QString kOwnerKey;     // "owner"

    qint64 stageID() const override { return StageID; }
    // `copyright` "All rights reserved", `owner` the full name of the user running the program.
    const MCStageParameters &parameters() const override;

    QString copyright() const { return stringValue(kCopyrightKey); }
    void setCopyright(const QString &copyright) { setParameterValue(kCopyrightKey, copyright); }
    QString owner() const { return stringValue(kOwnerKey); }
    void setOwner(const QString &owner) { setParameterValue(kOwnerKey, owner); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Writes `rating` (0 to 5 stars; 0 is a rating, not its removal) as the IPTC star rating.
class MCConvertSetRating : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 32;
    static const QString kRatingKey; // "rating"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    qint64 rating() const { return integerValue(kRatingKey); }
    void setRating(qint64 rating) { setParameterValue(kRatingKey, rating); }
    quint64 minRating() const { return quint64(minimumForKey(kRatingKey)); }
    quint64 maxRating() const { return quint64(maximumForKey(kRatingKey)); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Writes a position (degrees, north and east positive) as absolute values with their N/S and
// E/W references; with `setsOnlyIfMissing` only into photos that have no position (a latitude
// and a longitude). A position beyond ±90° / ±180° or not a number fails the stage.
class MCConvertSetGPS : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 401;
    static const QString kLatitudeKey;          // "latitude"
    static const QString kLongitudeKey;         // "longitude"
    static const QString kSetsOnlyIfMissingKey; // "setsOnlyIfMissing"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double latitude() const { return doubleValue(kLatitudeKey); }
    void setLatitude(double latitude) { setParameterValue(kLatitudeKey, latitude); }
    double longitude() const { return doubleValue(kLongitudeKey); }
    void setLongitude(double longitude) { setParameterValue(kLongitudeKey, longitude); }
    bool setsOnlyIfMissing() const { return boolValue(kSetsOnlyIfMissingKey); }
    void setSetsOnlyIfMissing(bool only) { setParameterValue(kSetsOnlyIfMissingKey, only); }
    double minLatitude() const { return minimumForKey(kLatitudeKey); }
    double maxLatitude() const { return maximumForKey(kLatitudeKey); }
    double minLongitude() const { return minimumForKey(kLongitudeKey); }
    double maxLongitude() const { return maximumForKey(kLongitudeKey); }

    // Whether a position lies on the globe (finite, within ±90° / ±180°); what the stage
    // fails with otherwise. Shared with the edit-metadata twin.
    static bool isValidPosition(double latitude, double longitude);
    static QString invalidPositionReason();

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Writes up to nine IPTC texts, each under its own switch; a switched-on field with an empty
// (or nil) text is emptied, not removed.
class MCConvertSetIPTCInfo : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 402;

    // One field: its switch, its text and the IPTC key it writes.
    struct Field
    {
        QString switchKey; // "shouldEditCreator"
        QString textKey;   // "creator"
        const QString &iptcKey;
    };
    // creator, caption, copyright, headline, title, city, country, province, location.
    static const std::vector<Field> &fields();

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool shouldEdit(const QString &textKey) const;
    QString text(const QString &textKey) const { return stringValue(textKey); }

    // The equality of two stages holding these fields (this stage and its edit-metadata twin).
    static bool fieldsEqual(const MCConvertStage &a, const MCConvertStage &b);

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The switches, then the texts of the switched-on fields only.
    bool parametersEqual(const MCConvertStage &other) const override;
};
