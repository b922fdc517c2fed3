#include "app/stages/MCConvertKeywords.h"

#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

using namespace MCMetadataStageSupport;

const QString MCConvertAddKeyword::kKeywordsKey = QStringLiteral("keywords");
const QString MCConvertAddKeyword::kRemovesExistingKeywordsKey = QStringLiteral("removesExistingKeywords");
const QString MCConvertReplaceKeyword::kFindKey = QStringLiteral("find");
const QString MCConvertReplaceKeyword::kReplaceKey = QStringLiteral("replace");
const QString MCConvertReplaceKeyword::kAppendsAnywayKey = QStringLiteral("appendsAnyway");
const QString MCConvertRemovePrivateTags::kRemovesCaptureDateKey = QStringLiteral("removesCaptureDate");
const QString MCConvertRemovePrivateTags::kRemovesGPSKey = QStringLiteral("removesGPS");
const QString MCConvertRemovePrivateTags::kRemovesCameraInfoKey = QStringLiteral("removesCameraInfo");
const QString MCConvertRemovePrivateTags::kRemovesOwnerCopyrightInfoKey = QStringLiteral("removesOwnerCopyrightInfo");
const QString MCConvertRemovePrivateTags::kRemovesIPTCKey = QStringLiteral("removesIPTC");

namespace {

// The case-insensitive identity of a keyword (Unicode lower-casing, whatever the locale).
QString folded(const QString &keyword) { return keyword.toLower(); }

} // namespace

// ---------------------------------------------------------------- Add Keywords

const MCStageParameters &MCConvertAddKeyword::parameters() const
{
    static const MCStageParameters table = {
        stringParameter(kKeywordsKey, QCoreApplication::translate("MCConvertStage", "Quillon"), 1),
        boolParameter(kRemovesExistingKeywordsKey, false),
    };
    return table;
}

QStringList MCConvertAddKeyword::keywordPieces(const QString &text)
{
    QStringList pieces;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < n && text.at(i) != QLatin1Char(','))
            ++i;
        if (i > start)
            pieces << text.mid(start, i - start);
        while (i < n && text.at(i) == QLatin1Char(','))
            ++i;
    }
    return pieces;
}

QStringList MCConvertAddKeyword::addedKeywords(const QStringList &existing, const QString &typed)
{
    QStringList list = existing;
    // Pieces are compared with the keywords already there, not with each other: two typed
    // spellings of one word both go in.
    QSet<QString> present;
    for (const QString &keyword : list)
        present.insert(folded(keyword));
    for (const QString &piece : keywordPieces(typed)) {
        if (!present.contains(folded(piece)))
            list << piece;
    }
    return list;
}

bool MCConvertAddKeyword::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    editSubDictionary(metadata, kCGImagePropertyIPTCDictionary, [this](QVariantMap &iptc) {
        setKeywordsOfIPTC(iptc, addedKeywords(removesExistingKeywords() ? QStringList() : keywordsOfIPTC(iptc),
                                              keywords()));
    });
    return true;
}

// ---------------------------------------------------------------- Find and Replace Keywords

const MCStageParameters &MCConvertReplaceKeyword::parameters() const
{
    static const MCStageParameters table = {
        stringParameter(kFindKey, QString(QLatin1String("")), 1),
        stringParameter(kReplaceKey, QString(QLatin1String("")), 1),
        boolParameter(kAppendsAnywayKey, false),
    };
    return table;
}

QStringList MCConvertReplaceKeyword::replacedKeywords(const QStringList &keywords) const
{
    return replacedKeywords(keywords, find(), replace(), appendsAnyway());
}

QStringList MCConvertReplaceKeyword::replacedKeywords(const QStringList &keywords, const QString &findText,
                                                      const QString &replaceText, bool appendsAnyway)
{
    // Pieces are taken exactly as typed: " b" is a keyword beginning with a space.
    const QStringList findPieces = findText.isEmpty() ? QStringList() : findText.split(QLatin1Char(','));
    QStringList replacePieces = replaceText.isEmpty() ? QStringList() : replaceText.split(QLatin1Char(','));
    // An empty piece ("a,,b", a trailing comma) names no keyword: adding it would put an
    // empty keyword into the list, which no file can hold.
    replacePieces.removeAll(QString());

    QStringList list = keywords;
    QSet<QString> present;
    QHash<QString, QString> spelling; // the last keyword of each folded form, in list order
    for (const QString &keyword : list) {
        present.insert(folded(keyword));
        spelling.insert(folded(keyword), keyword);
    }
    auto appendNew = [&](bool remember) {
        for (const QString &piece : replacePieces) {
            const QString form = folded(piece);
            if (present.contains(form))
                continue;
            present.insert(form);
            list << piece;
            if (remember)
                spelling.insert(form, piece);
        }
    };
    for (const QString &piece : findPieces) {
        const QString form = folded(piece);
        if (!present.contains(form))
            continue;
        // The matched keyword goes first, so a replacement that differs only in case is not
        // taken for a duplicate: the new spelling moves to the end.
        list.removeAll(spelling.value(form));
        present.remove(form);
        spelling.remove(form);
        appendNew(true);
    }
    if (appendsAnyway)
        appendNew(false);
    return list;
}

bool MCConvertReplaceKeyword::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    editSubDictionary(metadata, kCGImagePropertyIPTCDictionary,
                      [this](QVariantMap &iptc) { setKeywordsOfIPTC(iptc, replacedKeywords(keywordsOfIPTC(iptc))); });
    return true;
}

// ---------------------------------------------------------------- Remove Private Tags

const MCStageParameters &MCConvertRemovePrivateTags::parameters() const
{
    static const MCStageParameters table = {
        boolParameter(kRemovesCaptureDateKey, true),
        boolParameter(kRemovesGPSKey, true),
        boolParameter(kRemovesCameraInfoKey, true),
        boolParameter(kRemovesOwnerCopyrightInfoKey, true),
        boolParameter(kRemovesIPTCKey, true),
    };
    return table;
}

namespace {

// The keys each switch removes inside one sub-dictionary.
struct PrivateKeys
{
    const QString &dictionary;
    std::vector<const QString *> captureDate;
    std::vector<const QString *> ownerCopyright;
    std::vector<const QString *> cameraInfo;
};

const std::vector<PrivateKeys> &privateKeys()
{
    static const std::vector<PrivateKeys> table = {
        {kCGImagePropertyIPTCDictionary,
         {&kCGImagePropertyIPTCDateCreated, &kCGImagePropertyIPTCDigitalCreationDate, &kCGImagePropertyIPTCReleaseDate,
          &kCGImagePropertyIPTCExpirationDate, &kCGImagePropertyIPTCReferenceDate},
         {&kCGImagePropertyIPTCCopyrightNotice},
         {}},
        {kCGImagePropertyCIFFDictionary,
         {},
         {&kCGImagePropertyCIFFDescription, &kCGImagePropertyCIFFFirmware, &kCGImagePropertyCIFFOwnerName},
         {&kCGImagePropertyCIFFRecordID, &kCGImagePropertyCIFFCameraSerialNumber,
          &kCGImagePropertyCIFFImageSerialNumber}},
        {kCGImagePropertyExifDictionary,
         {&kCGImagePropertyExifDateTimeOriginal, &kCGImagePropertyExifDateTimeDigitized, &kCGImagePropertyExifOffsetTime,
          &kCGImagePropertyExifOffsetTimeDigitized, &kCGImagePropertyExifOffsetTimeOriginal},
         {&kCGImagePropertyExifMakerNote, &kCGImagePropertyExifUserComment, &kCGImagePropertyExifCameraOwnerName},
         {&kCGImagePropertyExifBodySerialNumber, &kCGImagePropertyExifLensMake}},
        {kCGImagePropertyExifAuxDictionary,
         {},
         {&kCGImagePropertyExifAuxOwnerName},
         {&kCGImagePropertyExifAuxLensInfo, &kCGImagePropertyExifAuxLensModel, &kCGImagePropertyExifAuxSerialNumber,
          &kCGImagePropertyExifAuxLensID, &kCGImagePropertyExifAuxLensSerialNumber}},
        {kCGImagePropertyPNGDictionary,
         {&kCGImagePropertyPNGCreationTime},
         {&kCGImagePropertyPNGAuthor, &kCGImagePropertyPNGCopyright, &kCGImagePropertyPNGCreationTime,
          &kCGImagePropertyPNGDescription, &kCGImagePropertyPNGModificationTime, &kCGImagePropertyPNGSoftware,
          &kCGImagePropertyPNGTitle},
         {}},
        {kCGImagePropertyTIFFDictionary,
         {&kCGImagePropertyTIFFDateTime},
         {&kCGImagePropertyTIFFDocumentName, &kCGImagePropertyTIFFArtist, &kCGImagePropertyTIFFHostComputer,
          &kCGImagePropertyTIFFCopyright},
         {&kCGImagePropertyTIFFMake, &kCGImagePropertyTIFFModel, &kCGImagePropertyTIFFSoftware,
          &kCGImagePropertyTIFFImageDescription}},
        {kCGImagePropertyGPSDictionary, {&kCGImagePropertyGPSDateStamp, &kCGImagePropertyGPSTimeStamp}, {}, {}},
    };
    return table;
}

} // namespace

bool MCConvertRemovePrivateTags::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    if (removesGPS())
        metadata.remove(kCGImagePropertyGPSDictionary);
    if (removesIPTC())
        metadata.remove(kCGImagePropertyIPTCDictionary);
    if (removesCameraInfo()) {
        for (const QString *maker : {&kCGImagePropertyMakerCanonDictionary, &kCGImagePropertyMakerNikonDictionary,
                                     &kCGImagePropertyMakerMinoltaDictionary, &kCGImagePropertyMakerFujiDictionary,
                                     &kCGImagePropertyMakerOlympusDictionary, &kCGImagePropertyMakerPentaxDictionary})
            metadata.remove(*maker);
    }
    for (const PrivateKeys &group : privateKeys()) {
        // An emptied sub-dictionary stays in place.
        editExistingSubDictionary(metadata, group.dictionary, [&](QVariantMap &dictionary) {
            auto removeAll = [&dictionary](const std::vector<const QString *> &keys) {
                for (const QString *key : keys)
                    dictionary.remove(*key);
            };
            if (removesCaptureDate())
                removeAll(group.captureDate);
            if (removesOwnerCopyrightInfo())
                removeAll(group.ownerCopyright);
            if (removesCameraInfo())
                removeAll(group.cameraInfo);
        });
    }
    return true;
}
