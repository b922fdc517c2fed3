#pragma once

// The stage list of a converter (the conversion's and Edit Metadata's), with its undoable
// changes. Each change registers its inverse, posts its "will" notice(s), changes the list (a
// stage entering is adopted by the converter, a stage leaving is released) and posts the
// converter's did-change notice. Indexes outside the list are programmer errors
// (std::out_of_range); nil stages too (std::invalid_argument).
//
// `Converter` derives from MCStageList<Converter, StageRef>, befriends it, and provides:
//   void registerUndo(std::function<void(Converter &)> inverse);
//   void postWill(const QString &name, const QList<StageRef> &stages);
//   void postDidChange();
//   void adopt(const StageRef &stage);  void release(const StageRef &stage);
// and gives the names of its will-add and will-remove notices to the constructor.
#include "platform/core/MCException.h"
#include "platform/core/MCIndexSet.h"

#include <QList>
#include <QString>

#include <functional>

template <typename Converter, typename StageRef> class MCStageList
{
public:
    using Stage = typename StageRef::element_type;

    QList<StageRef> allStages() const { return m_stages; }
    qint64 numberOfStages() const { return m_stages.size(); }
    StageRef stageAtIndex(qint64 index) const
    {
        checkIndex("stageAtIndex:", index, m_stages.size());
        return m_stages[index];
    }
    QList<StageRef> stagesAtIndexes(const MCIndexSet &indexes) const
    {
        QList<StageRef> stages;
        indexes.forEachIndex([&](qint64 index) { stages.append(stageAtIndex(index)); });
        return stages;
    }
    // By equality / by identity; MCNotFound when absent.
    qint64 indexOfStage(const Stage &stage) const
    {
        for (qint64 i = 0; i < m_stages.size(); ++i) {
            if (m_stages[i]->isEqual(stage))
                return i;
        }
        return MCNotFound;
    }
    qint64 indexOfStagePointer(const Stage *stage) const
    {
        for (qint64 i = 0; i < m_stages.size(); ++i) {
            if (m_stages[i].get() == stage)
                return i;
        }
        return MCNotFound;
    }

    void addStage(const StageRef &stage) { insertStage(stage, m_stages.size()); }
    void insertStage(const StageRef &stage, qint64 index)
    {
        if (!stage)
            platform::throwNilArgument("insertStage:atIndex:");
        if (index < 0 || index > m_stages.size())
            platform::throwIndexOutOfRange("insertStage:atIndex:", index, m_stages.size());
        self().registerUndo([index](Converter &converter) { converter.removeStageAtIndex(index); });
        self().postWill(m_willAddName, {stage});
        m_stages.insert(index, stage);
        self().adopt(stage);
        self().postDidChange();
    }
    void removeStageAtIndex(qint64 index)
    {
        checkIndex("removeStageAtIndex:", index, m_stages.size());
        const StageRef stage = m_stages[index];
        self().registerUndo([stage, index](Converter &converter) { converter.insertStage(stage, index); });
        self().postWill(m_willRemoveName, {stage});
        self().release(stage);
        m_stages.removeAt(index);
        self().postDidChange();
    }
    void addStagesFromArray(const QList<StageRef> &stages)
    {
        insertStages(stages, stages.isEmpty() ? MCIndexSet() : MCIndexSet(MCRange{m_stages.size(), stages.size()}));
    }
    void insertStages(const QList<StageRef> &stages, const MCIndexSet &indexes)
    {
        if (indexes.count() != stages.size())
            platform::throwLogicError(QStringLiteral("*** insertStages:atIndexes: %1 stages for %2 indexes")
                                          .arg(stages.size())
                                          .arg(indexes.count()));
        requireStages(stages, "insertStages:atIndexes:");
        // Each index is the position in the list after the insertion, as in the platform's arrays.
        if (!indexes.isEmpty() && indexes.lastIndex() >= m_stages.size() + stages.size())
            platform::throwIndexOutOfRange("insertStages:atIndexes:", indexes.lastIndex(),
                                           m_stages.size() + stages.size() - 1);
        self().registerUndo([indexes](Converter &converter) { converter.removeStagesAtIndexes(indexes); });
        self().postWill(m_willAddName, stages);
        qint64 i = 0;
        indexes.forEachIndex([&](qint64 index) { m_stages.insert(index, stages[i++]); });
        for (const StageRef &stage : stages)
            self().adopt(stage);
        self().postDidChange();
    }
    void removeStagesAtIndexes(const MCIndexSet &indexes)
    {
        if (!indexes.isEmpty())
            checkIndex("removeStagesAtIndexes:", indexes.lastIndex(), m_stages.size());
        const QList<StageRef> removed = stagesAtIndexes(indexes);
        self().registerUndo([removed, indexes](Converter &converter) { converter.insertStages(removed, indexes); });
        self().postWill(m_willRemoveName, removed);
        for (const StageRef &stage : removed)
            self().release(stage);
        removeAt(indexes);
        self().postDidChange();
    }
    void setStagesFromArray(const QList<StageRef> &stages)
    {
        requireStages(stages, "setStagesFromArray:");
        const QList<StageRef> old = m_stages;
        self().registerUndo([old](Converter &converter) { converter.setStagesFromArray(old); });
        self().postWill(m_willRemoveName, old);
        self().postWill(m_willAddName, stages);
        for (const StageRef &stage : old)
            self().release(stage);
        m_stages = stages;
        for (const StageRef &stage : stages)
            self().adopt(stage);
        self().postDidChange();
    }
    // Takes the stages at `from` out and inserts them at `to`; only the did-change notice.
    void moveStagesAtIndexes(const MCIndexSet &from, const MCIndexSet &to)
    {
        if (from.count() != to.count())
            platform::throwLogicError(QStringLiteral("*** moveStagesAtIndexes:toIndexes: %1 indexes for %2")
                                          .arg(from.count())
                                          .arg(to.count()));
        if (!from.isEmpty())
            checkIndex("moveStagesAtIndexes:toIndexes:", from.lastIndex(), m_stages.size());
        if (!to.isEmpty())
            checkIndex("moveStagesAtIndexes:toIndexes:", to.lastIndex(), m_stages.size());
        self().registerUndo([from, to](Converter &converter) { converter.moveStagesAtIndexes(to, from); });
        const QList<StageRef> moving = stagesAtIndexes(from);
        removeAt(from);
        qint64 i = 0;
        to.forEachIndex([&](qint64 index) { m_stages.insert(index, moving[i++]); });
        self().postDidChange();
    }

protected:
    MCStageList(QString willAddName, QString willRemoveName)
        : m_willAddName(std::move(willAddName)), m_willRemoveName(std::move(willRemoveName))
    {
    }

    static void checkIndex(const char *method, qint64 index, qint64 count)
    {
        if (index < 0 || index >= count)
            platform::throwIndexOutOfRange(method, index, count - 1);
    }

    QList<StageRef> m_stages;

private:
    Converter &self() { return static_cast<Converter &>(*this); }
    static void requireStages(const QList<StageRef> &stages, const char *method)
    {
        for (const StageRef &stage : stages) {
            if (!stage)
                platform::throwNilArgument(method);
        }
    }
    void removeAt(const MCIndexSet &indexes)
    {
        const QList<qint64> list = indexes.toList();
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            m_stages.removeAt(*it);
    }

    QString m_willAddName;
    QString m_willRemoveName;
};
