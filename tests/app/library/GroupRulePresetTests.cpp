#include "app/library/MCGroupRulePresetsManager.h"

#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QVariantMap ruleForm(int groupBy, int timeRange = 0) { return {{"groupBy", groupBy}, {"timeRange", timeRange}}; }

QStringList namesOf(const QList<MCGroupRulePresetsManager::PresetPtr> &presets)
{
    QStringList names;
    for (const auto &preset : presets)
        names.append(preset->name());
    return names;
}

// Settings of their own with the factory presets registered, as the application does at
// launch, and a record of the manager's notifications in order.
class GroupRulePresets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defaults->registerDefaults({{MCGroupRulePresetsManager::kPresetsKey, MCGroupRulePresetsManager::defaultPresets()}});
        for (const QString &name : {MCGroupRulePresetsManager::kDidChangeRulesNotification,
                                    MCGroupRulePresetsManager::kDidChangeCurrentRuleNotification})
            tokens.append(MCNotificationCenter::defaultCenter().addObserverForName(
                name, nullptr, [this](const MCNotification &n) {
                    if (n.object == manager.get())
                        posted.append(n.name == MCGroupRulePresetsManager::kDidChangeRulesNotification ? "rules" : "current");
                }));
    }
    void TearDown() override
    {
        for (MCNotificationToken token : tokens)
            MCNotificationCenter::defaultCenter().removeObserver(token);
    }
    std::unique_ptr<MCGroupRulePresetsManager> newManager()
    {
        return std::make_unique<MCGroupRulePresetsManager>(*defaults);
    }

    std::unique_ptr<MCUserDefaults> defaults = std::make_unique<MCUserDefaults>(
        QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
    std::unique_ptr<MCGroupRulePresetsManager> manager = newManager();
    QList<MCNotificationToken> tokens;
    QStringList posted;
};

} // namespace

TEST_F(GroupRulePresets, FactoryPresetsOnFirstLaunch)
{
    EXPECT_EQ(MCGroupRulePresetsManager::defaultPresets(),
              (QVariantList{QVariantMap{{"name", "File Type + Format"},
                                        {"rules", QVariantList{ruleForm(1), ruleForm(101), ruleForm(102), ruleForm(100)}}},
                            QVariantMap{{"name", "Capture Date"}, {"rules", QVariantList{ruleForm(3, 0), ruleForm(3, 1), ruleForm(3, 2)}}},
                            QVariantMap{{"name", "File Type + Image Size"}, {"rules", QVariantList{ruleForm(1), ruleForm(201)}}}}));
    EXPECT_EQ(namesOf(manager->allPresets()), (QStringList{"File Type + Format", "Capture Date", "File Type + Image Size"}));
    EXPECT_EQ(manager->currentPresetIndex(), 0u);
    ASSERT_TRUE(manager->currentPreset());
    EXPECT_EQ(manager->currentPreset()->name(), "File Type + Format");
    EXPECT_EQ(manager->currentPreset()->builderRules().size(), 4);
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(GroupRulePresets, DamagedSettingsFallBack)
{
    // Whatever was edited outside the program, there is a list of presets and a current one.
    struct Case
    {
        const char *what;
        QVariant presets;
        qint64 index;
        QStringList names;
        quint64 current;
    };
    const QVariantMap mine{{"name", "Mine"}, {"rules", QVariantList{ruleForm(2), "junk", ruleForm(999)}}};
    const QStringList factory{"File Type + Format", "Capture Date", "File Type + Image Size"};
    const Case cases[] = {
        {"index beyond the list", QVariant(), 7, factory, 0},
        {"negative index", QVariant(), -1, factory, 0},
        {"empty list", QVariantList{}, 0, factory, 0},
        {"no list", QVariant("presets"), 0, factory, 0},
        {"only junk", QVariantList{"a", 3}, 3, factory, 0},
        {"junk around a preset", QVariantList{"a", mine, 3}, 0, {"Mine"}, 0},
        {"index beyond a short list", QVariantList{mine}, 1, {"Mine"}, 0},
        {"valid", QVariantList{mine, mine}, 1, {"Mine", "Mine"}, 1},
    };
    for (const Case &c : cases) {
        if (c.presets.isValid())
            defaults->setObject(c.presets, MCGroupRulePresetsManager::kPresetsKey);
        else
            defaults->removeObjectForKey(MCGroupRulePresetsManager::kPresetsKey);
        defaults->setInteger(c.index, MCGroupRulePresetsManager::kCurrentPresetIndexKey);
        manager = newManager();
        EXPECT_EQ(namesOf(manager->allPresets()), c.names) << c.what;
        EXPECT_EQ(manager->currentPresetIndex(), c.current) << c.what;
        ASSERT_TRUE(manager->currentPreset()) << c.what;
        EXPECT_EQ(manager->currentPreset(), manager->allPresets().at(qint64(c.current))) << c.what;
        EXPECT_EQ(defaults->integerForKey(MCGroupRulePresetsManager::kCurrentPresetIndexKey), qint64(c.current)) << c.what;
    }
    // Unreadable rules are dropped, readable ones kept (an unknown code is still a rule).
    EXPECT_EQ(manager->currentPreset()->dictionaryRepresentation(),
              (QVariantMap{{"name", "Mine"}, {"rules", QVariantList{ruleForm(2), ruleForm(999)}}}));
}

TEST_F(GroupRulePresets, EditsKeepOrMoveTheCurrentPreset)
{
    const auto presets = manager->allPresets();
    const auto a = presets.at(0), b = presets.at(1), c = presets.at(2);

    // Removing another preset keeps the current one, at its new index.
    manager->setCurrentPresetIndex(2);
    EXPECT_EQ(manager->currentPreset(), c);
    posted.clear();
    manager->removePresetAtIndex(1);
    EXPECT_EQ(manager->allPresets(), (QList<MCGroupRulePresetsManager::PresetPtr>{a, c}));
    EXPECT_EQ(manager->currentPresetIndex(), 1u);
    EXPECT_EQ(manager->currentPreset(), c);
    EXPECT_EQ(posted, QStringList{"rules"});
    EXPECT_EQ(defaults->integerForKey(MCGroupRulePresetsManager::kCurrentPresetIndexKey), 1);

    // Inserting before it does the same.
    posted.clear();
    manager->insertPreset(b, 0);
    EXPECT_EQ(manager->allPresets(), (QList<MCGroupRulePresetsManager::PresetPtr>{b, a, c}));
    EXPECT_EQ(manager->currentPresetIndex(), 2u);
    EXPECT_EQ(manager->currentPreset(), c);
    EXPECT_EQ(posted, QStringList{"rules"});

    // Removing the current one makes the first current: rules first, then current.
    posted.clear();
    manager->removePresetAtIndex(2);
    EXPECT_EQ(manager->currentPresetIndex(), 0u);
    EXPECT_EQ(manager->currentPreset(), b);
    EXPECT_EQ(posted, (QStringList{"rules", "current"}));

    // Replacing the current one makes the replacement current.
    posted.clear();
    const auto replacement = c->copy();
    manager->replacePresetAtIndex(0, replacement);
    EXPECT_EQ(posted, (QStringList{"rules", "current"}));
    EXPECT_EQ(manager->currentPreset(), replacement);

    // What was saved is what a new manager reads.
    const auto reread = newManager();
    EXPECT_EQ(namesOf(reread->allPresets()), namesOf(manager->allPresets()));
    EXPECT_EQ(reread->currentPresetIndex(), manager->currentPresetIndex());
}

TEST_F(GroupRulePresets, MovesAnswerWhereThePresetsWent)
{
    struct Case
    {
        QList<qint64> moved;
        quint64 destination;
        QStringList order;
        QList<qint64> result;
    } cases[] = {
        {{0}, 3, {"B", "C", "A", "D"}, {2}},
        {{0}, 4, {"B", "C", "D", "A"}, {3}},
        {{3}, 0, {"D", "A", "B", "C"}, {0}},
        {{0, 2}, 2, {"B", "A", "C", "D"}, {1, 2}},
        {{1, 3}, 0, {"B", "D", "A", "C"}, {0, 1}},
        {{1}, 1, {"A", "B", "C", "D"}, {1}},
        {{1}, 99, {"A", "C", "D", "B"}, {3}},
    };
    for (const Case &c : cases) {
        QVariantList stored;
        for (const char *name : {"A", "B", "C", "D"})
            stored.append(QVariantMap{{"name", name}, {"rules", QVariantList{ruleForm(1)}}});
        defaults->setObject(stored, MCGroupRulePresetsManager::kPresetsKey);
        defaults->setInteger(0, MCGroupRulePresetsManager::kCurrentPresetIndexKey);
        manager = newManager();
        const auto current = manager->currentPreset();
        posted.clear();
        const MCIndexSet result = manager->movePresetsAtIndexes(MCIndexSet::fromList(c.moved), c.destination);
        EXPECT_EQ(namesOf(manager->allPresets()), c.order) << c.order.join(",").toStdString();
        EXPECT_EQ(result.toList(), c.result) << c.order.join(",").toStdString();
        EXPECT_EQ(manager->currentPreset(), current);
        EXPECT_EQ(manager->allPresets().at(qint64(manager->currentPresetIndex())), current);
        EXPECT_EQ(posted, QStringList{"rules"});
    }
}

TEST(GroupRulePreset, CopiesOwnTheirRules)
{
    const MCGroupRulePreset original(QVariantMap{{"name", "Dates"}, {"rules", QVariantList{ruleForm(3, 1), ruleForm(2)}}});
    const auto copy = original.copy();
    copy->rules().at(0)->setTimeRange(3);
    copy->setName("Hours");
    EXPECT_EQ(original.dictionaryRepresentation(),
              (QVariantMap{{"name", "Dates"}, {"rules", QVariantList{ruleForm(3, 1), ruleForm(2)}}}));
    EXPECT_EQ(copy->dictionaryRepresentation(), (QVariantMap{{"name", "Hours"}, {"rules", QVariantList{ruleForm(3, 3), ruleForm(2)}}}));
    EXPECT_TRUE(MCGroupRulePreset(QVariantMap{{"name", "x"}, {"rules", "no list"}}).rules().isEmpty());
}
