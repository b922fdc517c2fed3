#include "halvard/ui/MCNavigationController.h"

#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QVBoxLayout>

namespace {
constexpr int kTransitionMilliseconds = 200;
}

MCNavigationController::MCNavigationController(QObject *parent) : MCViewController(parent) {}

MCNavigationController::MCNavigationController(const Controller &root, QObject *parent)
    : MCViewController(parent)
{
    pushViewController(root, false);
}

MCNavigationController::~MCNavigationController()
{
    if (m_transition) {
        m_transition->stop();
        delete m_transition;
    }
    // The children's views live in this view; take them out before the children go, so each
    // child deletes its own view and this view does not delete them a second time.
    for (const Controller &child : m_children) {
        child->m_navigationController = nullptr;
        if (child->isViewLoaded())
            child->view()->setParent(nullptr);
    }
}

QWidget *MCNavigationController::loadView()
{
    // A plain view of no size: the owner places and sizes it.
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return view;
}

MCViewController *MCNavigationController::topViewController() const
{
    return m_children.isEmpty() ? nullptr : m_children.last().get();
}

MCViewController *MCNavigationController::rootViewController() const
{
    return m_children.isEmpty() ? nullptr : m_children.first().get();
}

MCViewController *MCNavigationController::backViewController() const
{
    return m_children.size() < 2 ? nullptr : m_children[m_children.size() - 2].get();
}

int MCNavigationController::indexOfChildViewController(const MCViewController *controller) const
{
    for (int i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == controller)
            return i;
    return -1;
}

bool MCNavigationController::containsChildViewController(const MCViewController *controller) const
{
    return controller && indexOfChildViewController(controller) >= 0;
}

void MCNavigationController::showViewController(const Controller &controller, bool animated)
{
    if (containsChildViewController(controller.get()))
        popToViewController(controller.get(), animated);
    else
        pushViewController(controller, animated);
}

void MCNavigationController::pushViewController(const Controller &controller, bool animated)
{
    if (!controller || controller.get() == this || containsChildViewController(controller.get()))
        return;
    finishTransition();
    const Controller oldTop = m_children.isEmpty() ? nullptr : m_children.last();
    m_children.append(controller);
    controller->m_navigationController = this;
    prepareView(controller.get());
    swapViews(oldTop, controller, animated);
}

void MCNavigationController::popViewControllerAnimated(bool animated)
{
    if (m_children.size() >= 2)
        popToViewControllerAtIndex(int(m_children.size()) - 2, animated);
}

void MCNavigationController::popToViewControllerAtIndex(int index, bool animated)
{
    const int count = int(m_children.size());
    if (index < 0 || index + 1 >= count)
        return;
    finishTransition();
    const Controller oldTop = m_children.last();
    for (int i = count - 1; i > index; --i) {
        m_children[i]->m_navigationController = nullptr;
        m_children.removeAt(i);
    }
    const Controller newTop = m_children[index];
    prepareView(newTop.get());
    swapViews(oldTop, newTop, animated);
}

void MCNavigationController::popToViewController(const MCViewController *controller, bool animated)
{
    const int index = indexOfChildViewController(controller);
    if (index >= 0)
        popToViewControllerAtIndex(index, animated);
}

void MCNavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_children.size() >= 2)
        popToViewControllerAtIndex(0, animated);
}

void MCNavigationController::prepareView(MCViewController *controller)
{
    QWidget *child = controller->view();
    child->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    child->setGeometry(view()->rect());
}

void MCNavigationController::swapViews(const Controller &oldTop, const Controller &newTop, bool animated)
{
    QWidget *container = view();
    auto *layout = static_cast<QVBoxLayout *>(container->layout());
    auto addNewView = [container, layout, newTop] {
        QWidget *child = newTop->view();
        child->setParent(container);
        layout->addWidget(child);
        child->setGeometry(container->rect());
        child->show();
    };
    auto removeOldView = [layout, oldTop] {
        if (!oldTop)
            return;
        QWidget *child = oldTop->view();
        layout->removeWidget(child);
        child->hide();
        child->setParent(nullptr);
    };

    if (!animated) {
        if (oldTop)
            oldTop->viewControllerWillDisappear(false);
        removeOldView();
        if (oldTop)
            oldTop->viewControllerDidDisappear(false);
        newTop->viewControllerWillAppear(false);
        addNewView();
        newTop->viewControllerDidAppear(false);
        return;
    }

    if (oldTop)
        oldTop->viewControllerWillDisappear(true);
    newTop->viewControllerWillAppear(true);
    // The new view fades in over the old one, which leaves when the fade ends.
    addNewView();
    QWidget *incoming = newTop->view();
    auto *effect = new QGraphicsOpacityEffect(incoming);
    effect->setOpacity(0.0);
    incoming->setGraphicsEffect(effect);
    incoming->raise();

    m_transition = new QVariantAnimation(this);
    m_transition->setStartValue(0.0);
    m_transition->setEndValue(1.0);
    m_transition->setDuration(kTransitionMilliseconds);
    connect(m_transition, &QVariantAnimation::valueChanged, effect,
            [effect](const QVariant &value) { effect->setOpacity(value.toDouble()); });
    m_transitionCompletion = [incoming = QPointer<QWidget>(incoming), removeOldView, oldTop, newTop] {
        if (incoming)
            incoming->setGraphicsEffect(nullptr);
        removeOldView();
        if (oldTop)
            oldTop->viewControllerDidDisappear(true);
        newTop->viewControllerDidAppear(true);
    };
    connect(m_transition, &QVariantAnimation::finished, this, &MCNavigationController::finishTransition);
    m_transition->start();
}

void MCNavigationController::finishTransition()
{
    if (!m_transition)
        return;
    QVariantAnimation *transition = m_transition;
    m_transition = nullptr;
    transition->disconnect(this);
    transition->stop();
    transition->deleteLater();
    const std::function<void()> completion = std::move(m_transitionCompletion);
    m_transitionCompletion = nullptr;
    if (completion)
        completion();
}
