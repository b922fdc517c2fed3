#pragma once

// A stack of view controllers of which only the top one's view is shown, filling the container's
// view. Pushes and pops may be animated (a short cross-fade); the appearance hooks of the covered
// and uncovered controllers run in a fixed order either way:
//   not animated: old will-disappear, old view removed, old did-disappear, new will-appear,
//                 new view added, new did-appear;
//   animated:     old will-disappear, new will-appear, the fade, then old did-disappear and new
//                 did-appear when it ends.
// A controller covered by a push stays on the stack; popped controllers are released (a caller
// keeping its own reference keeps them alive).
#include "halvard/ui/MCViewController.h"

#include <QList>

#include <functional>
#include <memory>

class QVariantAnimation;

class MCNavigationController : public MCViewController
{
    Q_OBJECT
public:
    using Controller = std::shared_ptr<MCViewController>;

    explicit MCNavigationController(QObject *parent = nullptr);
    // Pushes the root without animation.
    explicit MCNavigationController(const Controller &root, QObject *parent = nullptr);
    ~MCNavigationController() override;

    MCViewController *topViewController() const;
    MCViewController *rootViewController() const;
    // The one below the top; nullptr with fewer than two.
    MCViewController *backViewController() const;
    int numberOfChildViewControllers() const { return int(m_children.size()); }
    // -1 when not on the stack.
    int indexOfChildViewController(const MCViewController *controller) const;
    bool containsChildViewController(const MCViewController *controller) const;
    bool isViewControllerInStack(const MCViewController *controller) const
    {
        return containsChildViewController(controller);
    }

    // Pops back to the controller when it is on the stack, else pushes it.
    void showViewController(const Controller &controller, bool animated);
    // Nothing for nullptr or a controller already on the stack (it cannot be there twice).
    void pushViewController(const Controller &controller, bool animated);
    void popViewControllerAnimated(bool animated);
    void popToViewControllerAtIndex(int index, bool animated);
    void popToViewController(const MCViewController *controller, bool animated);
    void popToRootViewControllerAnimated(bool animated);

    // True while an animated swap has not finished.
    bool isTransitioning() const { return m_transition != nullptr; }
    // Ends a running animated swap at once, sending its did-hooks.
    void finishTransition();

protected:
    QWidget *loadView() override;

private:
    void prepareView(MCViewController *controller);
    void swapViews(const Controller &oldTop, const Controller &newTop, bool animated);

    QList<Controller> m_children; // bottom (root) first, top last
    QVariantAnimation *m_transition = nullptr;
    std::function<void()> m_transitionCompletion;
};
