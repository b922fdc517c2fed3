#include "halvard/ui/MCNavigationController.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Records its hooks into a log shared by all controllers of a test, as "name:hook".
class RecordingController : public MCViewController
{
    Q_OBJECT
public:
    RecordingController(QString name, QStringList *log) : m_name(std::move(name)), m_log(log) {}

    void viewControllerWillAppear(bool animated) override { record("willAppear", animated); }
    void viewControllerDidAppear(bool animated) override { record("didAppear", animated); }
    void viewControllerWillDisappear(bool animated) override { record("willDisappear", animated); }
    void viewControllerDidDisappear(bool animated) override { record("didDisappear", animated); }

protected:
    void viewControllerDidLoad() override { m_log->append(m_name + ":didLoad"); }

private:
    void record(const char *hook, bool animated)
    {
        m_log->append(m_name + ":" + hook + (animated ? "+" : ""));
        // The view a hook sees: shown or not at this moment.
        if (QString(hook) == "didAppear")
            visibleAtDidAppear = view()->parentWidget() != nullptr;
    }

public:
    bool visibleAtDidAppear = false;

private:
    QString m_name;
    QStringList *m_log;
};

using Controller = std::shared_ptr<RecordingController>;

struct Stack {
    QStringList log;
    MCNavigationController navigation;
    Controller make(const QString &name) { return std::make_shared<RecordingController>(name, &log); }
};

} // namespace

TEST(MCViewController, LoadsOnceAndIsNamedAfterItsClass)
{
    QStringList log;
    RecordingController controller("a", &log);
    EXPECT_EQ(controller.nibName(), "RecordingController");
    EXPECT_FALSE(controller.isLoaded());
    QWidget *view = controller.view();
    EXPECT_EQ(view->objectName(), "RecordingController");
    EXPECT_EQ(controller.view(), view);
    EXPECT_TRUE(controller.isLoaded());
    EXPECT_EQ(log, QStringList{"a:didLoad"});

    MCViewController plain;
    plain.setNibName("StartScreen");
    EXPECT_EQ(plain.nibName(), "StartScreen");
    EXPECT_EQ(plain.displayName(), "");
    EXPECT_TRUE(plain.stateRepresentation().isEmpty());
}

TEST(MCNavigationController, HookOrderWithoutAnimation)
{
    Stack s;
    const Controller a = s.make("a"), b = s.make("b");
    s.navigation.pushViewController(a, false);
    EXPECT_EQ(s.log, (QStringList{"a:didLoad", "a:willAppear", "a:didAppear"}));
    EXPECT_TRUE(a->visibleAtDidAppear);
    EXPECT_EQ(a->navigationController(), &s.navigation);

    s.log.clear();
    s.navigation.pushViewController(b, false);
    EXPECT_EQ(s.log, (QStringList{"b:didLoad", "a:willDisappear", "a:didDisappear", "b:willAppear", "b:didAppear"}));
    EXPECT_EQ(a->view()->parentWidget(), nullptr);
    EXPECT_EQ(b->view()->parentWidget(), s.navigation.view());
    EXPECT_EQ(s.navigation.backViewController(), a.get());

    s.log.clear();
    s.navigation.popViewControllerAnimated(false);
    EXPECT_EQ(s.log, (QStringList{"b:willDisappear", "b:didDisappear", "a:willAppear", "a:didAppear"}));
    EXPECT_EQ(b->navigationController(), nullptr);
    EXPECT_EQ(s.navigation.numberOfChildViewControllers(), 1);

    s.log.clear();
    s.navigation.popViewControllerAnimated(false); // a single controller stays
    s.navigation.popToRootViewControllerAnimated(false);
    s.navigation.pushViewController(nullptr, false);
    s.navigation.pushViewController(a, false); // already on the stack
    EXPECT_TRUE(s.log.isEmpty());
    EXPECT_EQ(s.navigation.topViewController(), a.get());
}

TEST(MCNavigationController, AnimatedSwapSendsDidHooksWhenTheFadeEnds)
{
    Stack s;
    const Controller a = s.make("a"), b = s.make("b");
    s.navigation.pushViewController(a, false);
    s.log.clear();
    s.navigation.pushViewController(b, true);
    EXPECT_EQ(s.log, (QStringList{"b:didLoad", "a:willDisappear+", "b:willAppear+"}));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !s.navigation.isTransitioning(); }));
    EXPECT_EQ(s.log, (QStringList{"b:didLoad", "a:willDisappear+", "b:willAppear+", "a:didDisappear+",
                                  "b:didAppear+"}));
    EXPECT_EQ(a->view()->parentWidget(), nullptr);

    // A pop during a running fade first completes it, so no hook is lost or doubled.
    s.log.clear();
    s.navigation.popViewControllerAnimated(true);
    s.navigation.pushViewController(b, false);
    EXPECT_EQ(s.log, (QStringList{"b:willDisappear+", "a:willAppear+", "b:didDisappear+", "a:didAppear+",
                                  "a:willDisappear", "a:didDisappear", "b:willAppear", "b:didAppear"}));
}

TEST(MCNavigationController, ShowingAControllerDownTheStackPopsThoseAboveIt)
{
    Stack s;
    const Controller a = s.make("a"), b = s.make("b"), c = s.make("c");
    MCNavigationController navigation(a);
    navigation.pushViewController(b, false);
    navigation.pushViewController(c, false);
    s.log.clear();
    navigation.showViewController(a, false);
    EXPECT_EQ(s.log, (QStringList{"c:willDisappear", "c:didDisappear", "a:willAppear", "a:didAppear"}));
    EXPECT_EQ(b->navigationController(), nullptr);
    EXPECT_EQ(c->navigationController(), nullptr);
    EXPECT_EQ(navigation.rootViewController(), a.get());
    EXPECT_EQ(navigation.backViewController(), nullptr);

    s.log.clear();
    navigation.showViewController(b, false); // not on the stack any more: pushed
    EXPECT_EQ(navigation.indexOfChildViewController(b.get()), 1);
    EXPECT_EQ(navigation.indexOfChildViewController(c.get()), -1);
    EXPECT_FALSE(navigation.isViewControllerInStack(c.get()));
    navigation.popToViewController(c.get(), false); // not on the stack: nothing
    EXPECT_EQ(navigation.topViewController(), b.get());
}

TEST(MCNavigationController, TopViewFillsTheContainer)
{
    Stack s;
    const Controller a = s.make("a");
    s.navigation.view()->resize(300, 200);
    s.navigation.pushViewController(a, false);
    s.navigation.view()->show();
    s.navigation.view()->resize(320, 240);
    QCoreApplication::processEvents();
    EXPECT_EQ(a->view()->geometry(), QRect(0, 0, 320, 240));
}

#include "NavigationControllerTests.moc"
