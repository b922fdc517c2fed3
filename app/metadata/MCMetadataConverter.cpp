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

MCIndexSet rangeSet(qint64 location, qint64 length)
{
    return length > 0 ? MCIndexSet(MCRange{location, length}) : MCIndexSet();
}

void checkIndex(const char *method, qint64 index, qint64 count)
{
    if (index < 0 || index >= count)
        platform::throwIndexOutOfRange(method, index, count - 1);
}

} // namespace

MCMetadataConverter::MCMetadataConverter(MCUserDefaults *defaults)
    : m_defaults(defaults ? defaults : &MCUserDefaults::standardUserDefaults())
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

MCEditMetadataStageRef MCMetadataConverter::stageAtIndex(qint64 index) const
{
    checkIndex("stageAtIndex:", index, m_stages.size());
    return m_stages[index];
}

QList<MCEditMetadataStageRef> MCMetadataConverter::stagesAtIndexes(const MCIndexSet &indexes) const
{
    QList<MCEditMetadataStageRef> stages;
    indexes.forEachIndex([&](qint64 index) { stages.append(stageAtIndex(index)); });
    return stages;
}

qint64 MCMetadataConverter::indexOfStage(const MCEditMetadataStage &stage) const
{
    for (qint64 i = 0; i < m_stages.size(); ++i) {
        if (m_stages[i]->isEqual(stage))
            return i;
    }
    return MCNotFound;
}

qint64 MCMetadataConverter::indexOfStagePointer(const MCEditMetadataStage *stage) const
{
    for (qint64 i = 0; i < m_stages.size(); ++i) {
        if (m_stages[i].get() == stage)
            return i;
    }
    return MCNotFound;
}

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

void MCMetadataConverter::addStage(const MCEditMetadataStageRef &stage) { insertStage(stage, m_stages.size()); }

void MCMetadataConverter::insertStage(const MCEditMetadataStageRef &stage, qint64 index)
{
    if (!stage)
        platform::throwNilArgument("insertStage:atIndex:");
    if (index < 0 || index > m_stages.size())
        platform::throwIndexOutOfRange("insertStage:atIndex:", index, m_stages.size());
    registerUndo([index](MCMetadataConverter &converter) { converter.removeStageAtIndex(index); });
    postWill(kMCMetadataConverterWillAddStages, {stage});
    m_stages.insert(index, stage);
    adopt(stage);
    postDidChange();
}

void MCMetadataConverter::removeStageAtIndex(qint64 index)
{
    checkIndex("removeStageAtIndex:", index, m_stages.size());
    const MCEditMetadataStageRef stage = m_stages[index];
    registerUndo([stage, index](MCMetadataConverter &converter) { converter.insertStage(stage, index); });
    postWill(kMCMetadataConverterWillRemoveStages, {stage});
    release(stage);
    m_stages.removeAt(index);
    postDidChange();
}

void MCMetadataConverter::addStagesFromArray(const QList<MCEditMetadataStageRef> &stages)
{
    insertStages(stages, rangeSet(m_stages.size(), stages.size()));
}

void MCMetadataConverter::insertStages(const QList<MCEditMetadataStageRef> &stages, const MCIndexSet &indexes)
{
    if (indexes.count() != stages.size())
        platform::throwLogicError(QStringLiteral("*** insertStages:atIndexes: %1 stages for %2 indexes")
                                      .arg(stages.size())
                                      .arg(indexes.count()));
    for (const MCEditMetadataStageRef &stage : stages) {
        if (!stage)
            platform::throwNilArgument("insertStages:atIndexes:");
    }
    // Each index is the position in the list after the insertion, as in the platform's arrays.
    if (!indexes.isEmpty() && indexes.lastIndex() >= m_stages.size() + stages.size())
        platform::throwIndexOutOfRange("insertStages:atIndexes:", indexes.lastIndex(),
                                       m_stages.size() + stages.size() - 1);
    registerUndo([indexes](MCMetadataConverter &converter) { converter.removeStagesAtIndexes(indexes); });
    postWill(kMCMetadataConverterWillAddStages, stages);
    qint64 i = 0;
    indexes.forEachIndex([&](qint64 index) { m_stages.insert(index, stages[i++]); });
    for (const MCEditMetadataStageRef &stage : stages)
        adopt(stage);
    postDidChange();
}

void MCMetadataConverter::removeStagesAtIndexes(const MCIndexSet &indexes)
{
    if (!indexes.isEmpty())
        checkIndex("removeStagesAtIndexes:", indexes.lastIndex(), m_stages.size());
    const QList<MCEditMetadataStageRef> removed = stagesAtIndexes(indexes);
    registerUndo([removed, indexes](MCMetadataConverter &converter) { converter.insertStages(removed, indexes); });
    postWill(kMCMetadataConverterWillRemoveStages, removed);
    for (const MCEditMetadataStageRef &stage : removed)
        release(stage);
    const QList<qint64> list = indexes.toList();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        m_stages.removeAt(*it);
    postDidChange();
}

void MCMetadataConverter::setStagesFromArray(const QList<MCEditMetadataStageRef> &stages)
{
    for (const MCEditMetadataStageRef &stage : stages) {
        if (!stage)
            platform::throwNilArgument("setStagesFromArray:");
    }
    const QList<MCEditMetadataStageRef> old = m_stages;
    registerUndo([old](MCMetadataConverter &converter) { converter.setStagesFromArray(old); });
    postWill(kMCMetadataConverterWillRemoveStages, old);
    postWill(kMCMetadataConverterWillAddStages, stages);
    for (const MCEditMetadataStageRef &stage : old)
        release(stage);
    m_stages = stages;
    for (const MCEditMetadataStageRef &stage : stages)
        adopt(stage);
    postDidChange();
}

void MCMetadataConverter::moveStagesAtIndexes(const MCIndexSet &from, const MCIndexSet &to)
{
    if (from.count() != to.count())
        platform::throwLogicError(QStringLiteral("*** moveStagesAtIndexes:toIndexes: %1 indexes for %2")
                                      .arg(from.count())
                                      .arg(to.count()));
    if (!from.isEmpty())
        checkIndex("moveStagesAtIndexes:toIndexes:", from.lastIndex(), m_stages.size());
    if (!to.isEmpty())
        checkIndex("moveStagesAtIndexes:toIndexes:", to.lastIndex(), m_stages.size());
    registerUndo([from, to](MCMetadataConverter &converter) { converter.moveStagesAtIndexes(to, from); });
    const QList<MCEditMetadataStageRef> moving = stagesAtIndexes(from);
    const QList<qint64> fromList = from.toList();
    for (auto it = fromList.rbegin(); it != fromList.rend(); ++it)
        m_stages.removeAt(*it);
    qint64 i = 0;
    to.forEachIndex([&](qint64 index) { m_stages.insert(index, moving[i++]); });
    postDidChange();
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
