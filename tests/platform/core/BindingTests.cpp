#include "platform/core/MCBinding.h"

#include "tests/support/TestSupport.h"

#include <QAction>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

class Settings : public MCObservable
{
public:
    QVariant valueForKey(const QString &key) const override
    {
        if (key == QLatin1String("title"))
            return title;
        if (key == QLatin1String("hidden"))
            return hidden;
        return MCObservable::valueForKey(key);
    }
    void setValueForKey(const QString &key, const QVariant &value) override
    {
        ++writes;
        if (key == QLatin1String("title"))
            return setTitle(value.toString());
        if (key == QLatin1String("hidden"))
            return setHidden(value.toBool());
        MCObservable::setValueForKey(key, value);
    }
    void setTitle(const QString &value) { changeValueForKey(QStringLiteral("title"), title, value); }
    void setHidden(bool value) { changeValueForKey(QStringLiteral("hidden"), hidden, value); }

    QString title = QStringLiteral("first");
    bool hidden = true;
    int writes = 0;
};

} // namespace

TEST(Binding, ControlAndKeyStayInStepBothWays)
{
    Settings settings;
    QAction action;
    action.setCheckable(true);
    MCBinding title(&action, "objectName", settings, QStringLiteral("title"));
    MCBinding shown(&action, "checked", settings, QStringLiteral("hidden"),
                    {MCValueTransformer::valueTransformerForName(kMCNegateBooleanTransformerName)});
    EXPECT_EQ(action.objectName(), QStringLiteral("first")); // shown at once
    EXPECT_FALSE(action.isChecked());
    EXPECT_EQ(settings.writes, 0); // showing a value does not write it back

    settings.setTitle(QStringLiteral("second"));
    settings.setHidden(false);
    EXPECT_EQ(action.objectName(), QStringLiteral("second"));
    EXPECT_TRUE(action.isChecked());

    action.setObjectName(QStringLiteral("edited")); // the user's edit goes back through the transformer
    action.setChecked(false);
    EXPECT_EQ(settings.title, QStringLiteral("edited"));
    EXPECT_TRUE(settings.hidden);

    title.unbind();
    EXPECT_FALSE(title.isBound());
    settings.setTitle(QStringLiteral("after"));
    action.setObjectName(QStringLiteral("free"));
    EXPECT_EQ(action.objectName(), QStringLiteral("free"));
    EXPECT_EQ(settings.title, QStringLiteral("after"));
}

TEST(Binding, OneWayBindingsAndEndsOfEitherSide)
{
    Settings settings;
    auto action = std::make_unique<QAction>();
    {
        // A read-only binding and one through an irreversible transformer never write back.
        MCBinding readOnly(action.get(), "objectName", settings, QStringLiteral("title"), {nullptr, true});
        MCBinding isNil(action.get(), "checkable", settings, QStringLiteral("title"),
                        {MCValueTransformer::valueTransformerForName(kMCIsNotNilTransformerName)});
        EXPECT_TRUE(action->isCheckable());
        action->setObjectName(QStringLiteral("typed"));
        action->setCheckable(false);
        EXPECT_EQ(settings.writes, 0);
    }
    MCBinding binding(action.get(), "objectName", settings, QStringLiteral("title"));
    action.reset(); // the control goes away first
    EXPECT_FALSE(binding.isBound());
    settings.setTitle(QStringLiteral("nobody shows this"));

    QAction other;
    auto owner = std::make_unique<Settings>();
    MCBinding orphan(&other, "objectName", *owner, QStringLiteral("title"));
    owner.reset(); // the model goes away first
    EXPECT_FALSE(orphan.isBound());
    other.setObjectName(QStringLiteral("no crash"));

    EXPECT_THROW(MCBinding(&other, "noSuchProperty", settings, QStringLiteral("title")), std::invalid_argument);
}

TEST(Binding, ChangesOnAWorkerThreadReachTheControlThroughItsEventLoop)
{
    Settings settings;
    QAction action;
    MCBinding binding(&action, "objectName", settings, QStringLiteral("title"));
    std::thread worker([&] { settings.setTitle(QStringLiteral("from a worker")); });
    worker.join();
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return action.objectName() == QLatin1String("from a worker"); }));
}
