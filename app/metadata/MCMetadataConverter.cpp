#include "app/metadata/MCMetadataConverter.h"

#include "app/library/MCFile.h"
#include "halvard/system/MCDateExtensions.h"
#include "platform/core/MCException.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"


#include <algorithm>

const QString kMCMetadataConverterWillAddStages = QStringLiteral("kMCMetadataConverterWillAddStages");
const QString kMCMetadataConverterWillRemoveStages = QStringLiteral("kMCMetadataConverterWillRemoveStages");
const QString kMCMetadataConverterDidChangeStages = QStringLiteral("kMCMetadataConverterDidChangeStages");
const QString kMCMetadataConverterStagesKey = QStringLiteral("kMCMetadataConverterStagesKey");
const QString kMCEditMetadataStagesKey = QStringLiteral("EditMetadataStages");
const QString kMCEditMetadataPresetsIsDefaultKey = QStringLiteral("EditMetadataPresetsIsDefault");

namespace {

QVariantList variantList(const QList<MCEditMetadataStageRef> &stages)
{
    QVariantList list;
    list.reserve(stages.size());
    for (const MCEditMetadataStageRef &stage : stages)
        list.append(QVariant::fromValue(stage));
    return list;
}

} // namespace

MCMetadataConverter::MCMetadataConverter(MCUserDefaults *defaults)
    : MCStageList(kMCMetadataConverterWillAddStages, kMCMetadataConverterWillRemoveStages)
    , m_defaults(defaults ? defaults : &MCUserDefaults::standardUserDefaults())
    , m_undoManager(std::make_shared<MCUndoManager>())
    , m_lifetime(std::make_shared<char>())
{
}

MCMetadataConverter::~MCMetadataConverter()
{
    m_undoManager->removeAllActionsWithTarget(this);
}

std::unique_ptr<MCMetadataConverter> MCMetadataConverter::copy() const
{
    auto converter = std::make_unique<MCMetadataConverter>(m_defaults);
    converter->m_stages = m_stages; // the same stage objects, still answering to this converter's undo
    return converter;
}

MCMetadataConverter &MCMetadataConverter::defaultConverter()
{
    static MCMetadataConverter *shared = [] {
        auto *converter = new MCMetadataConverter(); // lives as long as the process
        converter->loadFromUserDefaults();
        return converter;
    }();
    return *shared;
}

QVariantMap MCMetadataConverter::userDefaultsDictionary() { return {{kMCEditMetadataPresetsIsDefaultKey, true}}; }

// ---------------------------------------------------------------- persistence

void MCMetadataConverter::loadFromUserDefaults()
{
    QList<MCEditMetadataStageRef> stages;
    for (const QVariant &entry : m_defaults->arrayForKey(kMCEditMetadataStagesKey)) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        if (MCEditMetadataStageRef stage = MCEditMetadataStage::stageWithDictionary(entry.toMap()))
            stages.append(stage);
    }
    for (const MCEditMetadataStageRef &stage : std::as_const(m_stages))
        release(stage);
    m_stages = stages;
    for (const MCEditMetadataStageRef &stage : std::as_const(m_stages))
        adopt(stage);
}

void MCMetadataConverter::saveToUserDefaults() const
{
    if (m_stages.isEmpty()) {
        m_defaults->removeObjectForKey(kMCEditMetadataStagesKey);
        return;
    }
    QVariantList stages;
    for (const MCEditMetadataStageRef &stage : m_stages)
        stages.append(stage->dictionaryRepresentation());
    m_defaults->setObject(stages, kMCEditMetadataStagesKey);
}

// ---------------------------------------------------------------- the stage list

bool MCMetadataConverter::canInsertStage(const MCEditMetadataStage *stage) const
{
    if (!stage)
        return false;
    if (!stage->isUnique())
        return true;
    return std::none_of(m_stages.begin(), m_stages.end(),
                        [&](const MCEditMetadataStageRef &s) { return s->stageID() == stage->stageID(); });
}

void MCMetadataConverter::registerUndo(std::function<void(MCMetadataConverter &)> inverse)
{
    std::weak_ptr<char> alive = m_lifetime;
    m_undoManager->registerUndo(this, [alive, this, inverse = std::move(inverse)] {
        if (alive.lock())
            inverse(*this);
    });
}

void MCMetadataConverter::adopt(const MCEditMetadataStageRef &stage) { stage->setUndoManager(m_undoManager); }

void MCMetadataConverter::release(const MCEditMetadataStageRef &stage) { stage->setUndoManager({}); }

void MCMetadataConverter::postWill(const QString &name, const QList<MCEditMetadataStageRef> &stages)
{
    MCNotificationCenter::defaultCenter().postNotificationName(name, this,
                                                               {{kMCMetadataConverterStagesKey, variantList(stages)}});
}

void MCMetadataConverter::postDidChange()
{
    MCNotificationCenter::defaultCenter().postNotificationName(kMCMetadataConverterDidChangeStages, this);
}

// ---------------------------------------------------------------- the run

std::optional<MCEditMetadataChanges> MCMetadataConverter::metadataChangesForFile(const MCFile &file,
                                                                                  MCError *error) const
{
    if (m_stages.isEmpty())
        return std::nullopt;
    MCEditMetadataChanges changes;
    for (const MCEditMetadataStageRef &stage : m_stages) {
        MCError failure;
        if (!stage->editMetadataInFile(file, changes, &failure)) {
            // A stage that gives no reason still fails the edit, never passes for "nothing to do".
            MCSetError(error, failure.isNull() ? stage->editFailureError(file, QString()) : failure);
            return std::nullopt;
        }
    }
    return changes;
}

bool MCMetadataConverter::editMedataInFile(const MCFile &file, MCError *error, const MCCancellationCheck &isCancelled,
                                           bool *changed) const
{
    if (changed)
        *changed = false;
    MCError failure;
    const std::optional<MCEditMetadataChanges> changes = metadataChangesForFile(file, &failure);
    if (!changes) {
        if (failure.isNull())
            return true; // an empty list: nothing to change, the photo is not touched
        return MCSetError(error, failure);
    }
    if (changes->isEmpty())
        return true; // no stage had anything to change in this photo
    return MCMetadataManager::defaultManager().updateMetadataForImageAtURL(file.filePath(), *changes, error,
                                                                          isCancelled, changed);
}

std::optional<QDateTime> MCMetadataConverter::captureDateForFile(const MCFile &file) const
{
    const std::optional<MCEditMetadataChanges> changes = metadataChangesForFile(file, nullptr);
    if (!changes)
        return std::nullopt;
    const QVariant value = changes->objectForKey(QStringLiteral("DateTimeOriginal"));
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
        return std::nullopt;
    const QDateTime date = MCDateExtensions::dateFromExifString(value.toString());
    return date.isValid() ? std::optional<QDateTime>(date) : std::nullopt;
}
