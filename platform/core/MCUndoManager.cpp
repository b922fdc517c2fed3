#include "platform/core/MCUndoManager.h"

#include "platform/core/MCException.h"

#include <QObject>

#include <algorithm>
#include <stdexcept>

MCUndoManager::MCUndoManager()
    : m_eventContext(std::make_unique<QObject>())
{
}

MCUndoManager::~MCUndoManager() = default;

void MCUndoManager::registerUndo(const void *target, std::function<void()> handler)
{
    if (!target)
        platform::throwNilArgument("registerUndo");
    if (!handler)
        platform::throwNilArgument("registerUndo");
    if (!isUndoRegistrationEnabled())
        return;
    if (m_groupingLevel == 0) {
        if (!m_groupsByEvent)
            platform::throwLogicError(
                QStringLiteral("*** registerUndo: no undo group is open (groupsByEvent is off; call beginUndoGrouping)"));
        openEventGroup();
    }
    // A new change makes the undone steps unreachable.
    if (m_mode == Mode::Normal)
        m_redoStack.clear();
    m_openGroup.actions.push_back(Action{target, std::move(handler)});
}

void MCUndoManager::setGroupsByEvent(bool groupsByEvent)
{
    m_groupsByEvent = groupsByEvent;
}

void MCUndoManager::openEventGroup()
{
    beginUndoGrouping();
    m_eventGroupOpen = true;
    closeEventGroupWhenIdle();
}

void MCUndoManager::closeEventGroupWhenIdle()
{
    QMetaObject::invokeMethod(
        m_eventContext.get(),
        [this] {
            if (!m_eventGroupOpen)
                return; // undo, redo or removal closed it already
            if (m_groupingLevel > 1) {
                closeEventGroupWhenIdle(); // an explicit group inside is still open
                return;
            }
            endUndoGrouping();
        },
        Qt::QueuedConnection);
}

void MCUndoManager::beginUndoGrouping()
{
    if (m_groupingLevel == 0)
        m_openGroup = Group{};
    ++m_groupingLevel;
}

void MCUndoManager::endUndoGrouping()
{
    if (m_groupingLevel == 0)
        platform::throwLogicError(QStringLiteral("*** endUndoGrouping: called without a matching beginUndoGrouping"));
    if (--m_groupingLevel > 0)
        return;
    m_eventGroupOpen = false;
    Group group = std::move(m_openGroup);
    m_openGroup = Group{};
    // Undo and redo collect their inverse group themselves.
    if (m_mode == Mode::Normal && !group.actions.empty())
        push(m_undoStack, std::move(group));
}

void MCUndoManager::disableUndoRegistration()
{
    ++m_disableCount;
}

void MCUndoManager::enableUndoRegistration()
{
    if (m_disableCount == 0)
        platform::throwLogicError(
            QStringLiteral("*** enableUndoRegistration: called without a matching disableUndoRegistration"));
    --m_disableCount;
}

bool MCUndoManager::canUndo() const
{
    return !m_undoStack.empty() || (m_mode == Mode::Normal && m_groupingLevel > 0 && !m_openGroup.actions.empty());
}

bool MCUndoManager::canRedo() const
{
    return !m_redoStack.empty();
}

void MCUndoManager::undo()
{
    reverse(m_undoStack, m_redoStack, Mode::Undoing);
}

void MCUndoManager::redo()
{
    reverse(m_redoStack, m_undoStack, Mode::Redoing);
}

void MCUndoManager::reverse(std::vector<Group> &from, std::vector<Group> &to, Mode mode)
{
    const char *method = mode == Mode::Undoing ? "undo" : "redo";
    if (m_mode != Mode::Normal)
        platform::throwLogicError(QStringLiteral("*** %1: called while undoing or redoing").arg(QLatin1String(method)));
    if (m_groupingLevel > 1)
        platform::throwLogicError(
            QStringLiteral("*** %1: called with too many nested undo groups").arg(QLatin1String(method)));
    if (m_groupingLevel == 1)
        endUndoGrouping();
    if (from.empty())
        return;

    Group group = std::move(from.back());
    from.pop_back();

    // The closures' own registrations form the inverse group, which keeps the step's name.
    m_mode = mode;
    m_groupingLevel = 1;
    m_openGroup = Group{{}, group.actionName};
    struct Restore
    {
        MCUndoManager &manager;
        ~Restore()
        {
            manager.m_mode = Mode::Normal;
            manager.m_groupingLevel = 0;
            manager.m_eventGroupOpen = false;
            manager.m_openGroup = Group{};
        }
    } restore{*this};
    for (auto action = group.actions.rbegin(); action != group.actions.rend(); ++action)
        action->handler();
    Group inverse = std::move(m_openGroup);
    if (!inverse.actions.empty())
        push(to, std::move(inverse));
}

void MCUndoManager::setActionName(const QString &name)
{
    if (m_groupingLevel > 0)
        m_openGroup.actionName = name;
    else if (!m_undoStack.empty())
        m_undoStack.back().actionName = name;
}

QString MCUndoManager::undoActionName() const
{
    if (m_mode == Mode::Normal && m_groupingLevel > 0 && !m_openGroup.actions.empty())
        return m_openGroup.actionName;
    return m_undoStack.empty() ? QString() : m_undoStack.back().actionName;
}

QString MCUndoManager::redoActionName() const
{
    return m_redoStack.empty() ? QString() : m_redoStack.back().actionName;
}

void MCUndoManager::setLevelsOfUndo(qint64 levels)
{
    if (levels < 0)
        throw std::invalid_argument(
            QStringLiteral("*** setLevelsOfUndo: levels (%1) cannot be negative").arg(levels).toStdString());
    m_levelsOfUndo = levels;
    trim(m_undoStack);
    trim(m_redoStack);
}

void MCUndoManager::push(std::vector<Group> &stack, Group group)
{
    stack.push_back(std::move(group));
    trim(stack);
}

void MCUndoManager::trim(std::vector<Group> &stack)
{
    if (m_levelsOfUndo > 0 && stack.size() > size_t(m_levelsOfUndo))
        stack.erase(stack.begin(), stack.end() - m_levelsOfUndo);
}

void MCUndoManager::removeAllActions()
{
    m_undoStack.clear();
    m_redoStack.clear();
    m_openGroup.actions.clear();
}

void MCUndoManager::removeAllActionsWithTarget(const void *target)
{
    auto dropTarget = [target](Group &group) {
        std::erase_if(group.actions, [target](const Action &action) { return action.target == target; });
    };
    for (std::vector<Group> *stack : {&m_undoStack, &m_redoStack}) {
        std::for_each(stack->begin(), stack->end(), dropTarget);
        std::erase_if(*stack, [](const Group &group) { return group.actions.empty(); });
    }
    dropTarget(m_openGroup);
}
