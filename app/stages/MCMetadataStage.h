#pragma once

// What the stages that edit the photo's property dictionary share (keywords, capture dates,
// copyright, rating, GPS, IPTC): their text parameters may be nil, and they edit
// sub-dictionaries of the run's property dictionary in place.
#include "app/engine/pipeline/MCConvertStage.h"

#include <QStringList>

// A stage whose text parameters distinguish nil (a null QString) from "": a text the stored
// form lacks reads as nil, and nil is left out of the stored form.
class MCMetadataStage : public MCConvertStage
{
public:
    PixelNeed pixelNeed() const override { return PixelNeed::LeavesPixels; }

protected:
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;
};

namespace MCMetadataStageSupport {

// A text parameter with a default; the hash factor mixes its qHash into the stage's hash.
MCStageParameter stringParameter(const QString &name, const QString &defaultValue, qint64 hashFactor = 0);
MCStageParameter boolParameter(const QString &name, bool defaultValue);

// The sub-dictionary under `key`, or an empty one when there is none (or what is stored there
// is not a dictionary).
QVariantMap subDictionary(const QVariantMap &metadata, const QString &key);
// Runs `edit` on the sub-dictionary under `key` and stores the result there: a missing
// sub-dictionary (or a value that is not one) is created.
template <typename Edit> void editSubDictionary(QVariantMap &metadata, const QString &key, Edit edit)
{
    QVariantMap dictionary = subDictionary(metadata, key);
    edit(dictionary);
    metadata.insert(key, dictionary);
}
// The same, but only when the sub-dictionary is present; answers whether it was.
template <typename Edit> bool editExistingSubDictionary(QVariantMap &metadata, const QString &key, Edit edit)
{
    const auto found = metadata.find(key);
    if (found == metadata.end() || found->typeId() != QMetaType::QVariantMap)
        return false;
    QVariantMap dictionary = found->toMap();
    edit(dictionary);
    *found = dictionary;
    return true;
}

// The photo's keywords, in stored order: a list stays a list item by item, and a lone text is
// one keyword (it is never split at commas).
QStringList keywordsOfIPTC(const QVariantMap &iptc);
// Stores `keywords` as the IPTC keyword list, or removes the list when there are none.
void setKeywordsOfIPTC(QVariantMap &iptc, const QStringList &keywords);

// The full name of the account running the program (its account database entry's full-name
// field), else its login name; never empty on a system with accounts.
QString fullUserName();

} // namespace MCMetadataStageSupport
