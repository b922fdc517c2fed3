#pragma once

// Undo and redo by registered inverses. A change registers a closure that reverses it,
// against the object it changed (the target). Registrations are collected in groups; undo
// runs the newest group's closures newest first, and the registrations those closures make
// form the group that redo runs (and the other way round).
//
// Grouping: by default (groupsByEvent) the first registration opens a group that closes
// when control returns to the event loop, so everything one user action changes is one
// step. beginUndoGrouping/endUndoGrouping open explicit groups, which nest; a nested
// group is part of the group around it.
//
// An undo manager belongs to the thread that created it (the main thread) and is not safe
// to use from others.
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QObject;

class MCUndoManager
{
public:
    MCUndoManager();
    ~MCUndoManager();
    MCUndoManager(const MCUndoManager &) = delete;
    MCUndoManager &operator=(const MCUndoManager &) = delete;

    // Records `handler` as the inverse of a change of `target`: into the open group, or
    // while undoing into the redo group being built. Nothing happens while registration is
    // disabled. A registration outside undo and redo clears the redo stack. Without an open
    // group and with groupsByEvent off it is a programmer error (std::logic_error).
    void registerUndo(const void *target, std::function<void()> handler);

    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool groupsByEvent);
    // Open groups, the outermost included; 0 when none is open.
    qint64 groupingLevel() const { return m_groupingLevel; }
    void beginUndoGrouping();
    // Closes the innermost open group; an empty outermost group is dropped. Without an open
    // group it is a programmer error (std::logic_error).
    void endUndoGrouping();

    // Counted: registration is enabled again after as many enables as disables. An enable
    // without a disable is a programmer error (std::logic_error).
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_disableCount == 0; }

    bool canUndo() const;
    bool canRedo() const;
    // Closes a group that is still open at level 1 first (the event's own group), then
    // reverses the newest group. With nested groups open it is a programmer error
    // (std::logic_error). Does nothing when there is nothing to undo.
    void undo();
    // Reverses the newest undone group, closing an open level-1 group first as undo does.
    void redo();
    bool isUndoing() const { return m_mode == Mode::Undoing; }
    bool isRedoing() const { return m_mode == Mode::Redoing; }

    // Names the group being built (while undoing: the redo group), or the newest closed
    // group when none is open. Undoing or redoing a group keeps its name.
    void setActionName(const QString &name);
    QString undoActionName() const;
    QString redoActionName() const;

    // The most groups kept on each stack, the oldest being dropped; 0 (the default) keeps
    // all. Negative is a programmer error (std::invalid_argument).
    qint64 levelsOfUndo() const { return m_levelsOfUndo; }
    void setLevelsOfUndo(qint64 levels);

    // Forgets every undo and redo step and what the open group holds. Open groups and
    // disabled registration stay as they are, so the callers' begin/end and disable/enable
    // pairs remain balanced.
    void removeAllActions();
    // Forgets the steps that act on `target` (an object going away); groups left empty are
    // dropped.
    void removeAllActionsWithTarget(const void *target);

private:
    struct Action
    {
        const void *target = nullptr;
        std::function<void()> handler;
    };
    struct Group
    {
        std::vector<Action> actions;
        QString actionName;
    };
    enum class Mode { Normal, Undoing, Redoing };

    void openEventGroup();
    void closeEventGroupWhenIdle();
    void push(std::vector<Group> &stack, Group group);
    void trim(std::vector<Group> &stack);
    void reverse(std::vector<Group> &from, std::vector<Group> &to, Mode mode);

    std::vector<Group> m_undoStack; // newest last
    std::vector<Group> m_redoStack; // newest last
    Group m_openGroup;              // being built while m_groupingLevel > 0
    qint64 m_groupingLevel = 0;
    bool m_eventGroupOpen = false;  // the outermost group was opened by a registration
    bool m_groupsByEvent = true;
    qint64 m_disableCount = 0;
    qint64 m_levelsOfUndo = 0;
    Mode m_mode = Mode::Normal;
    // Receives the queued "event-loop pass is over" call; destroying it drops the call.
    std::unique_ptr<QObject> m_eventContext;
};
