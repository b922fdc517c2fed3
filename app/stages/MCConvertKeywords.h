#pragma once

// The stages that edit the photo's IPTC keyword list and strip private information: Add
// Keywords, Find and Replace Keywords and Remove Private Tags. They never touch the pixels and
// never fail. Keywords compare case-insensitively: two are the same when their lower-case
// forms are equal.
#include "app/stages/MCMetadataStage.h"

// Appends the comma-separated `keywords` that the photo does not have yet, after its own ones
// (or instead of them with `removesExistingKeywords`).
class MCConvertAddKeyword : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 30;
    static const QString kKeywordsKey;                // "keywords"
    static const QString kRemovesExistingKeywordsKey; // "removesExistingKeywords"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QString keywords() const { return stringValue(kKeywordsKey); }
    void setKeywords(const QString &keywords) { setParameterValue(kKeywordsKey, keywords); }
    bool removesExistingKeywords() const { return boolValue(kRemovesExistingKeywordsKey); }
    void setRemovesExistingKeywords(bool removes) { setParameterValue(kRemovesExistingKeywordsKey, removes); }

    // The pieces of a typed keyword text: white space before a piece is skipped, a piece runs
    // to the next comma (white space inside it and before the comma stays), and runs of commas
    // give no empty piece.
    static QStringList keywordPieces(const QString &text);
    // `existing` followed by the pieces of `typed` whose case-insensitive form is not among
    // `existing` (pieces are not compared with each other). The edit-metadata twin shares it.
    static QStringList addedKeywords(const QStringList &existing, const QString &typed);

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Replaces every keyword named in `find` by the keywords of `replace` (appended at the end of
// the list); an empty `replace` deletes them. `appendsAnyway` adds the replacements even when
// nothing matched.
class MCConvertReplaceKeyword : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 40;
    static const QString kFindKey;          // "find"
    static const QString kReplaceKey;       // "replace"
    static const QString kAppendsAnywayKey; // "appendsAnyway"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QString find() const { return stringValue(kFindKey); }
    void setFind(const QString &find) { setParameterValue(kFindKey, find); }
    QString replace() const { return stringValue(kReplaceKey); }
    void setReplace(const QString &replace) { setParameterValue(kReplaceKey, replace); }
    bool appendsAnyway() const { return boolValue(kAppendsAnywayKey); }
    void setAppendsAnyway(bool appends) { setParameterValue(kAppendsAnywayKey, appends); }

    // `keywords` after the replacement: what the stage does to the photo's list.
    QStringList replacedKeywords(const QStringList &keywords) const;
    // The same with the options given (the edit-metadata twin shares it).
    static QStringList replacedKeywords(const QStringList &keywords, const QString &find, const QString &replace,
                                        bool appendsAnyway);

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Deletes groups of private information: capture dates, GPS, camera and lens identification,
// owner and copyright, and the whole IPTC record.
class MCConvertRemovePrivateTags : public MCMetadataStage
{
public:
    static constexpr qint64 StageID = 3;
    static const QString kRemovesCaptureDateKey;         // "removesCaptureDate"
    static const QString kRemovesGPSKey;                 // "removesGPS"
    static const QString kRemovesCameraInfoKey;          // "removesCameraInfo"
    static const QString kRemovesOwnerCopyrightInfoKey; // "removesOwnerCopyrightInfo"
    static const QString kRemovesIPTCKey;                // "removesIPTC"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool removesCaptureDate() const { return boolValue(kRemovesCaptureDateKey); }
    void setRemovesCaptureDate(bool removes) { setParameterValue(kRemovesCaptureDateKey, removes); }
    bool removesGPS() const { return boolValue(kRemovesGPSKey); }
    void setRemovesGPS(bool removes) { setParameterValue(kRemovesGPSKey, removes); }
    bool removesCameraInfo() const { return boolValue(kRemovesCameraInfoKey); }
    void setRemovesCameraInfo(bool removes) { setParameterValue(kRemovesCameraInfoKey, removes); }
    bool removesOwnerCopyrightInfo() const { return boolValue(kRemovesOwnerCopyrightInfoKey); }
    void setRemovesOwnerCopyrightInfo(bool removes) { setParameterValue(kRemovesOwnerCopyrightInfoKey, removes); }
    bool removesIPTC() const { return boolValue(kRemovesIPTCKey); }
    void setRemovesIPTC(bool removes) { setParameterValue(kRemovesIPTCKey, removes); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
