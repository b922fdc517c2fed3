#include "platform/core/MCUndoManager.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A model value with an undoable setter, the pattern every stage setter follows.
struct Setting
{
    MCUndoManager &undo;
    int value = 0;
    QStringList *log = nullptr;

    void set(int newValue)
    {
        if (newValue == value)
            return;
        const int old = value;
        undo.registerUndo(this, [this, old] { set(old); });
        if (log)
            *log << QStringLiteral("%1->%2%3").arg(value).arg(newValue).arg(undo.isUndoing()   ? "u"
                                                                            : undo.isRedoing() ? "r"
                                                                                               : "");
        value = newValue;
    }
};

void endEventLoopPass()
{
    QCoreApplication::processEvents();
}

} // namespace

TEST(UndoManager, UndoAndRedoWalkTheHistory)
{
    MCUndoManager undo;
    QStringList log;
    Setting s{undo, 0, &log};
    for (int v : {1, 2, 3}) {
        s.set(v);
        endEventLoopPass();
    }
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_TRUE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());

    undo.undo();
    undo.undo();
    EXPECT_EQ(s.value, 1);
    EXPECT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_EQ(s.value, 2);
    EXPECT_EQ(log.mid(3), (QStringList{"3->2u", "2->1u", "1->2r"}));

    // A new change after undoing drops what could have been redone.
    s.set(7);
    endEventLoopPass();
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    undo.undo();
    undo.undo();
    EXPECT_EQ(s.value, 0);
    EXPECT_FALSE(undo.canUndo());
    undo.undo(); // nothing left: no effect
    EXPECT_EQ(s.value, 0);
    undo.redo();
    undo.redo();
    undo.redo();
    EXPECT_EQ(s.value, 7);
}

TEST(UndoManager, OneGroupPerEventLoopPass)
{
    MCUndoManager undo;
    Setting a{undo}, b{undo};
    a.set(1);
    b.set(1);
    a.set(2); // a slider drag reporting twice within one pass
    EXPECT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(undo.canUndo()); // the open group counts
    endEventLoopPass();
    EXPECT_EQ(undo.groupingLevel(), 0);
    b.set(5);
    endEventLoopPass();

    undo.undo();
    EXPECT_EQ(b.value, 1);
    EXPECT_EQ(a.value, 2);
    undo.undo(); // the whole first pass at once, newest first
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, UndoClosesTheOpenEventGroupFirst)
{
    MCUndoManager undo;
    Setting s{undo};
    s.set(1);
    endEventLoopPass();
    s.set(2);
    ASSERT_EQ(undo.groupingLevel(), 1);
    undo.undo(); // in the same pass as the change: undoes that change
    EXPECT_EQ(s.value, 1);
    EXPECT_EQ(undo.groupingLevel(), 0);
    endEventLoopPass(); // the queued close finds nothing to close
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.undo();
    EXPECT_EQ(s.value, 0);
}

TEST(UndoManager, ExplicitGroupsNest)
{
    MCUndoManager undo;
    undo.setGroupsByEvent(false);
    QStringList log;
    Setting a{undo, 0, &log}, b{undo, 0, &log};
    EXPECT_THROW(a.set(1), std::logic_error); // no group and no event grouping
    EXPECT_EQ(a.value, 0);

    undo.beginUndoGrouping();
    a.set(1);
    undo.beginUndoGrouping();
    b.set(1);
    EXPECT_EQ(undo.groupingLevel(), 2);
    EXPECT_THROW(undo.undo(), std::logic_error); // too many nested groups
    undo.endUndoGrouping();
    a.set(2);
    undo.endUndoGrouping();
    EXPECT_THROW(undo.endUndoGrouping(), std::logic_error);

    // An empty group is no step.
    undo.beginUndoGrouping();
    undo.endUndoGrouping();

    log.clear();
    undo.undo();
    EXPECT_EQ(log, (QStringList{"2->1u", "1->0u", "1->0u"}));
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(a.value, 2);
    EXPECT_EQ(b.value, 1);
}

TEST(UndoManager, DisablingIsCounted)
{
    MCUndoManager undo;
    Setting s{undo};
    EXPECT_THROW(undo.enableUndoRegistration(), std::logic_error);
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    s.set(1);
    undo.enableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    s.set(2);
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    endEventLoopPass();
    EXPECT_FALSE(undo.canUndo());

    // A drag: changes while disabled, then one inverse for the whole drag.
    const int start = s.value;
    undo.disableUndoRegistration();
    for (int v = 3; v < 10; ++v)
        s.set(v);
    undo.enableUndoRegistration();
    undo.registerUndo(&s, [&s, start] { s.set(start); });
    endEventLoopPass();
    undo.undo();
    EXPECT_EQ(s.value, 2);
    undo.redo();
    EXPECT_EQ(s.value, 9);
}

TEST(UndoManager, LevelsDropTheOldestSteps)
{
    MCUndoManager undo;
    Setting s{undo};
    EXPECT_EQ(undo.levelsOfUndo(), 0);
    undo.setLevelsOfUndo(2);
    for (int v = 1; v <= 4; ++v) {
        s.set(v);
        endEventLoopPass();
    }
    undo.undo();
    undo.undo();
    EXPECT_EQ(s.value, 2);
    EXPECT_FALSE(undo.canUndo());

    undo.redo();
    undo.setLevelsOfUndo(1); // trims both stacks
    undo.undo();
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(s.value, 3);
    EXPECT_THROW(undo.setLevelsOfUndo(-1), std::invalid_argument);
}

TEST(UndoManager, ActionNamesFollowTheirSteps)
{
    MCUndoManager undo;
    Setting s{undo};
    s.set(1);
    undo.setActionName(QStringLiteral("Resize"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Resize"));
    endEventLoopPass();
    s.set(2);
    endEventLoopPass();
    undo.setActionName(QStringLiteral("Crop")); // no open group: names the newest step
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Crop"));

    undo.undo();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Resize"));
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Crop"));
    undo.redo();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Crop"));
    EXPECT_EQ(undo.redoActionName(), QString());
}

TEST(UndoManager, RemovingActions)
{
    MCUndoManager undo;
    Setting a{undo}, b{undo};
    a.set(1);
    endEventLoopPass();
    a.set(2);
    b.set(2);
    endEventLoopPass();
    b.set(3);
    endEventLoopPass();
    undo.undo(); // b back to 2, on the redo stack

    // The stage `b` leaves: only a's steps are left, groups emptied by that are gone.
    undo.removeAllActionsWithTarget(&b);
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_FALSE(undo.canUndo());

    // removeAllActions keeps callers' begin/end and disable/enable pairs balanced.
    a.set(5);
    undo.beginUndoGrouping();
    undo.disableUndoRegistration();
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    undo.enableUndoRegistration();
    undo.endUndoGrouping();
    endEventLoopPass();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, AFailingHandlerLeavesAUsableManager)
{
    MCUndoManager undo;
    Setting s{undo};
    s.set(1);
    undo.registerUndo(&s, [] { throw std::runtime_error("handler failed"); });
    endEventLoopPass();
    EXPECT_THROW(undo.undo(), std::runtime_error);
    EXPECT_FALSE(undo.isUndoing());
    EXPECT_EQ(undo.groupingLevel(), 0);
    s.set(4);
    endEventLoopPass();
    undo.undo();
    EXPECT_EQ(s.value, 1);
    EXPECT_THROW(undo.registerUndo(nullptr, [] {}), std::invalid_argument);
}

TEST(UndoManager, DestroyedWithAnOpenEventGroup)
{
    int value = 0;
    {
        MCUndoManager undo;
        undo.registerUndo(&value, [&value] { value = 1; });
    }
    endEventLoopPass(); // the pending close must not touch the destroyed manager
    EXPECT_EQ(value, 0);
}
