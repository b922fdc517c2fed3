#include "app/metadata/MCEditMetadataStage.h"

#include "app/library/MCFile.h"
#include "app/metadata/MCEditMetadataStages.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

template <typename Stage> MCEditMetadataStageRef make()
{
    MCEditMetadataStageRef stage = std::make_shared<Stage>();
    stage->parameterValues(); // the defaults are in place before the stage is shared
    return stage;
}

// The base flags of the conversion machinery, which edit stages always keep set.
const QString kIsActive = QStringLiteral("stageIsActive");
const QString kIsExpanded = QStringLiteral("stageIsExpanded");

} // namespace

const std::vector<MCEditMetadataStageClass> &MCEditMetadataStage::stageCatalogue()
{
    // ID, English name (its own string-table key), class, isUnique, isResettable, creator.
    static const std::vector<MCEditMetadataStageClass> table = {
        {-1, "<Unknown Stage>", "MCEditMetadataStage", false, false, &make<MCEditMetadataStage>},
        {0, "Add Keywords", "MCEditMetadataAddKeyword", false, false, &make<MCEditMetadataAddKeyword>},
        {1, "Remove Private Tags", "MCEditMetadataRemovePrivateTags", false, false,
         &make<MCEditMetadataRemovePrivateTags>},
        {2, "Set Capture Date", "MCEditMetadataSetCaptureDate", false, true, &make<MCEditMetadataSetCaptureDate>},
        {3, "Shift Capture Date", "MCEditMetadataShiftCaptureDate", false, true, &make<MCEditMetadataShiftCaptureDate>},
        {4, "File Creation to Capture Date", "MCEditMetadataSetCaptureDateFromCreated", false, true,
         &make<MCEditMetadataSetCaptureDateFromCreated>},
        {5, "Set Copyright and Owner", "MCEditMetadataSetCopyrightAndOwner", false, false,
         &make<MCEditMetadataSetCopyrightAndOwner>},
        {6, "Set Rating", "MCEditMetadataSetRating", false, false, &make<MCEditMetadataSetRating>},
        {7, "Set GPS Location", "MCEditMetadataSetGPS", true, false, &make<MCEditMetadataSetGPS>},
        {8, "Set IPTC Info", "MCEditMetadataSetIPTCInfo", false, false, &make<MCEditMetadataSetIPTCInfo>},
        {9, "Find and Replace Keywords", "MCEditMetadataReplaceKeyword", false, false,
         &make<MCEditMetadataReplaceKeyword>},
        {1000, "Rebuild Metadata", "MCEditMetadataRebuildMetadata", false, false, &make<MCEditMetadataRebuildMetadata>},
    };
    return table;
}

const MCEditMetadataStageClass *MCEditMetadataStage::stageClass(qint64 stageID)
{
    const std::vector<MCEditMetadataStageClass> &table = stageCatalogue();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [stageID](const MCEditMetadataStageClass &entry) { return entry.stageID == stageID; });
    return found == table.end() ? nullptr : &*found;
}

MCEditMetadataStageRef MCEditMetadataStage::editMetadataStageWithID(qint64 stageID)
{
    return editMetadataStageWithID(stageID, nullptr);
}

MCEditMetadataStageRef MCEditMetadataStage::editMetadataStageWithID(qint64 stageID, const QVariantMap *dictionary)
{
    const MCEditMetadataStageClass *entry = stageClass(stageID);
    if (!entry || !entry->create)
        return nullptr;
    MCEditMetadataStageRef stage = entry->create();
    if (dictionary)
        stage->initWithDictionary(*dictionary);
    return stage;
}

MCEditMetadataStageRef MCEditMetadataStage::stageWithDictionary(const QVariantMap &dictionary)
{
    const QVariant stored = dictionary.value(kMCConvertStageIDKey);
    bool ok = false;
    const qint64 stageID = stored.isValid() ? stored.toLongLong(&ok) : 0;
    if (stored.isValid() && !ok)
        return nullptr; // not a number: no stage rather than an Add Keywords stage
    return editMetadataStageWithID(stageID, &dictionary);
}

QString MCEditMetadataStage::stageNameForID(qint64 stageID)
{
    const MCEditMetadataStageClass *entry = stageClass(stageID);
    return QCoreApplication::translate("MCEditMetadataStage", entry ? entry->englishName : "<Unknown Stage>");
}

QString MCEditMetadataStage::stageName() const { return stageNameForID(stageID()); }

bool MCEditMetadataStage::isUnique() const
{
    const MCEditMetadataStageClass *entry = stageClass(stageID());
    return entry && entry->isUnique;
}

bool MCEditMetadataStage::isResettable() const
{
    const MCEditMetadataStageClass *entry = stageClass(stageID());
    return entry && entry->isResettable;
}

void MCEditMetadataStage::resetToDefaults()
{
    if (!isResettable())
        return;
    for (const MCStageParameter &parameter : parameters())
        setParameterValue(parameter.name, parameter.defaultValue);
}

QVariantMap MCEditMetadataStage::dictionaryRepresentation() const
{
    QVariantMap dictionary = MCMetadataStage::dictionaryRepresentation();
    dictionary.remove(kIsActive);
    dictionary.remove(kIsExpanded);
    return dictionary;
}

void MCEditMetadataStage::initWithDictionary(const QVariantMap &dictionary)
{
    // The machinery reads the flags too; an edit stage always runs.
    QVariantMap withFlags = dictionary;
    withFlags.insert(kIsActive, true);
    withFlags.insert(kIsExpanded, true);
    MCMetadataStage::initWithDictionary(withFlags);
}

MCEditMetadataStageRef MCEditMetadataStage::editCopy() const
{
    const MCEditMetadataStageClass *entry = stageClass(stageID());
    MCEditMetadataStageRef stage = entry && entry->create ? entry->create() : nullptr;
    if (!stage || typeid(*stage) != typeid(*this))
        throw std::logic_error(QStringLiteral("*** copy: %1 is not in the edit-metadata stage catalogue")
                                   .arg(QString::fromLatin1(typeid(*this).name()))
                                   .toStdString());
    const MCStageParameters &table = parameters();
    const std::vector<QVariant> &values = parameterValues();
    for (size_t i = 0; i < table.size(); ++i)
        stage->assignParameterValue(table[i].name, values[i]);
    return stage;
}

quint64 MCEditMetadataStage::hash() const { return quint64(stageID()) ^ (hashMix() << 16); }

QSet<QString> MCEditMetadataStage::keyPathsForObserver() const
{
    QSet<QString> paths = MCMetadataStage::keyPathsForObserver();
    paths.remove(kMCConvertStageActiveKey);
    return paths;
}

QSet<QString> MCEditMetadataStage::resizeKeyPathsForObserver() const
{
    QSet<QString> paths = MCMetadataStage::resizeKeyPathsForObserver();
    paths.remove(kMCConvertStageExpandedKey);
    return paths;
}

bool MCEditMetadataStage::editMetadataInFile(const MCFile &, MCEditMetadataChanges &, MCError *) const { return true; }

void MCEditMetadataStage::appendScript(MCEditMetadataChanges &changes, const QString &key, const QString &script)
{
    QStringList scripts = changes.objectForKey(key).toStringList();
    scripts.append(script);
    changes.setObject(scripts, key);
}

MCError MCEditMetadataStage::editFailureError(const MCFile &file, const QString &reason) const
{
    const QString title = file.browserItemTitle().isEmpty() ? file.fileName() : file.browserItemTitle();
    const QString name = stageName();
    return MCError(MCErrorDomain, 2,
                   QCoreApplication::translate("MCEditMetadataStage", "Action “%1” failed on image “%2”.").arg(name, title),
                   reason,
                   QCoreApplication::translate("MCEditMetadataStage", "Action “%1” failed on image “%2”. Please correct "
                                                                      "settings in the action, and then try again.")
                       .arg(name, title));
}
