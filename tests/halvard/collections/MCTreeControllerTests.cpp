#include "halvard/collections/MCTreeController.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <map>
#include <random>
#include <set>

namespace {

using Node = MCTreeNode<int>;
using NodePtr = std::shared_ptr<Node>;
using Rule = MCTreeBuilderRule<int>;
using Builder = MCTreeBuilder<int>;
using Controller = MCTreeController<int>;

// A node that knows the key and the name of the group it stands for.
class NamedNode : public Node
{
public:
    QString name;
    int key = 0;
};

QString nameOf(const NodePtr &node)
{
    auto named = std::dynamic_pointer_cast<NamedNode>(node);
    return named ? named->name : QStringLiteral("?");
}

// Groups items by a key that the test can change (an item's "rule-relevant value").
class KeyRule : public Rule
{
public:
    KeyRule(std::function<int(int)> key, std::function<QString(int)> name = {})
        : m_key(std::move(key)), m_name(std::move(name))
    {
    }
    NodePtr newNode() const override { return std::make_shared<NamedNode>(); }
    NodePtr nodeWithItems(const QList<int> &items) const override
    {
        NodePtr node = Rule::nodeWithItems(items);
        auto &named = static_cast<NamedNode &>(*node);
        named.key = m_key(items.first());
        if (m_name)
            named.name = m_name(items.first());
        return node;
    }
    MCComparisonResult compare(const int &a, const int &b) const override
    {
        const int x = m_key(a), y = m_key(b);
        return x < y ? MCOrderedAscending : x > y ? MCOrderedDescending : MCOrderedSame;
    }
    // By the key the group was made for: its items' values may have changed since.
    MCComparisonResult compareNode(const Node &a, const Node &b) const override
    {
        const int x = static_cast<const NamedNode &>(a).key, y = static_cast<const NamedNode &>(b).key;
        return x < y ? MCOrderedAscending : x > y ? MCOrderedDescending : MCOrderedSame;
    }

private:
    std::function<int(int)> m_key;
    std::function<QString(int)> m_name;
};

class RootBuilder : public Builder
{
public:
    using Builder::Builder;
    NodePtr newNode() const override
    {
        auto root = std::make_shared<NamedNode>();
        root->name = QStringLiteral("root");
        return root;
    }
};

QString listText(const QList<int> &items)
{
    QStringList parts;
    for (int i : items)
        parts << QString::number(i);
    return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
}

QString listText(const QList<NodePtr> &nodes)
{
    QStringList parts;
    for (const NodePtr &n : nodes)
        parts << nameOf(n);
    return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
}

// Writes every call down as one line.
class RecordingDelegate : public MCTreeControllerDelegate<int>
{
public:
    QStringList calls;

    void record(const char *what, const NodePtr &parent, const QString &payload, const MCIndexSet &indexes)
    {
        calls << QStringLiteral("%1 %2 %3 %4").arg(QLatin1String(what), nameOf(parent), payload, MCStringFromIndexSet(indexes));
    }

    void controllerWillChangeContent(Controller *) override { calls << QStringLiteral("will"); }
    void controllerDidInsertNodes(Controller *, const QList<NodePtr> &nodes, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        record("+nodes", parent, listText(nodes), indexes);
    }
    void controllerDidRemoveNodes(Controller *, const QList<NodePtr> &nodes, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        record("-nodes", parent, listText(nodes), indexes);
    }
    void controllerDidInsertItems(Controller *, const QList<int> &items, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        record("+items", parent, listText(items), indexes);
    }
    void controllerDidRemoveItems(Controller *, const QList<int> &items, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        record("-items", parent, listText(items), indexes);
    }
    void controllerDidChangeContent(Controller *) override { calls << QStringLiteral("did"); }
};

// Items 1, 2 and 11 in groups by a changeable value, then split by parity:
// root [1, 2, 11] -> g0 [1, 2] (g0.p0 [2], g0.p1 [1]), g1 [11] (g1.p1 [11]).
class GroupedTree : public ::testing::Test
{
protected:
    std::map<int, int> group{{1, 0}, {2, 0}, {11, 1}, {3, 0}, {20, 2}};
    std::shared_ptr<RootBuilder> builder = std::make_shared<RootBuilder>(QList<std::shared_ptr<Rule>>{
        std::make_shared<KeyRule>([this](int i) { return group.at(i); },
                                  [this](int i) { return QStringLiteral("g%1").arg(group.at(i)); }),
        std::make_shared<KeyRule>([](int i) { return i % 2; },
                                  [this](int i) { return QStringLiteral("g%1.p%2").arg(group.at(i)).arg(i % 2); }),
    });
    Controller controller{builder, {1, 2, 11}};
    RecordingDelegate delegate;

    void SetUp() override { controller.setDelegate(&delegate); }
};

TEST_F(GroupedTree, BuildsGroupsInRuleOrderWithoutTellingTheDelegate)
{
    const NodePtr &root = controller.root();
    EXPECT_EQ(nameOf(root), QStringLiteral("root"));
    EXPECT_EQ(root->items(), (QList<int>{1, 2, 11}));
    EXPECT_EQ(listText(root->nodes()), QStringLiteral("[g0, g1]"));
    EXPECT_EQ(listText(root->nodes().at(0)->nodes()), QStringLiteral("[g0.p0, g0.p1]"));
    EXPECT_EQ(root->nodes().at(0)->items(), (QList<int>{1, 2}));
    EXPECT_TRUE(root->nodes().at(0)->nodes().at(1)->isDescendantOf(root.get()));
    EXPECT_FALSE(root->isDescendantOf(root->nodes().at(0).get()));
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(GroupedTree, EmptyBatchesSendNothing)
{
    controller.insertItems({});
    controller.removeItems({});
    controller.updateItems({});
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(GroupedTree, InsertAnnouncesChildrenFirstAndAppendsItems)
{
    controller.insertItems({3, 20});
    EXPECT_EQ(delegate.calls, (QStringList{
                                  "will",
                                  "+items g0.p1 [3] (1)",
                                  "+items g0 [3] (2)",
                                  "+nodes g2 [g2.p0] (0)",
                                  "+nodes root [g2] (2)",
                                  "+items root [3, 20] (3-4)",
                                  "did",
                              }));
}

TEST_F(GroupedTree, AnItemGivenTwiceInABatchJoinsOnce)
{
    controller.insertItems({20, 20, 1});
    EXPECT_EQ(delegate.calls, (QStringList{
                                  "will",
                                  "+nodes g2 [g2.p0] (0)",
                                  "+nodes root [g2] (2)",
                                  "+items root [20] (3)",
                                  "did",
                              }));
    EXPECT_EQ(controller.root()->nodes().at(2)->items(), QList<int>{20});
}

TEST_F(GroupedTree, RemovingTheLastItemRemovesEmptyGroupsUpTheTree)
{
    controller.removeItems({11, 99}); // 99 is in no group: ignored
    EXPECT_EQ(delegate.calls, (QStringList{
                                  "will",
                                  "-items g1.p1 [11] (0)",
                                  "-nodes g1 [g1.p1] (0)",
                                  "-items g1 [11] (0)",
                                  "-nodes root [g1] (1)",
                                  "-items root [11] (2)",
                                  "did",
                              }));
    EXPECT_EQ(listText(controller.root()->nodes()), QStringLiteral("[g0]"));
}

TEST_F(GroupedTree, UpdatedItemMovesToANewGroupAndTheRootKeepsItsItems)
{
    group[2] = 5;
    controller.updateItems({2});
    EXPECT_EQ(delegate.calls, (QStringList{
                                  "will",
                                  "-items g0.p0 [2] (0)",
                                  "-nodes g0 [g0.p0] (0)",
                                  "-items g0 [2] (1)",
                                  "+nodes g5 [g5.p0] (0)",
                                  "+nodes root [g5] (2)",
                                  "did",
                              }));
    EXPECT_EQ(controller.root()->items(), (QList<int>{1, 2, 11}));

    // Moving the last item of a group into an existing one removes the emptied group.
    delegate.calls.clear();
    group[11] = 0;
    controller.updateItems({11});
    EXPECT_EQ(delegate.calls, (QStringList{
                                  "will",
                                  "+items g0.p1 [11] (1)",
                                  "+items g0 [11] (1)",
                                  "-items g1.p1 [11] (0)",
                                  "-nodes g1 [g1.p1] (0)",
                                  "-items g1 [11] (0)",
                                  "-nodes root [g1] (1)",
                                  "did",
                              }));
}

TEST(MCTreeController, WithoutRulesOnlyTheRootsItemsChange)
{
    auto builder = std::make_shared<RootBuilder>();
    Controller controller(builder, {5});
    RecordingDelegate delegate;
    controller.setDelegate(&delegate);
    controller.insertItems({6, 5});
    controller.removeItems({5});
    EXPECT_EQ(delegate.calls, (QStringList{"will", "+items root [6] (1)", "did", //
                                           "will", "-items root [5] (0)", "did"}));
    EXPECT_TRUE(controller.root()->nodes().isEmpty());
    // The root stays even when it has no items left.
    controller.removeItems({6});
    EXPECT_TRUE(controller.root()->items().isEmpty());
}

TEST(MCMergeController, ReportsPositionsInTheMergedSequence)
{
    QStringList calls;
    MCMergeController<QString> merge;
    merge.oldBlock = [&](const QString &o, quint64 p) { calls << QStringLiteral("old %1 %2").arg(o).arg(p); };
    merge.equalBlock = [&](const QString &o, const QString &n, quint64 p) {
        calls << QStringLiteral("equal %1=%2 %3").arg(o, n).arg(p);
    };
    merge.newBlock = [&](const QString &n, quint64 p) { calls << QStringLiteral("new %1 %2").arg(n).arg(p); };
    const auto alphabetical = [](const QString &a, const QString &b) {
        const int c = a.compare(b);
        return c < 0 ? MCOrderedAscending : c > 0 ? MCOrderedDescending : MCOrderedSame;
    };
    merge.merge({"a", "c"}, {"b", "c", "d"}, alphabetical);
    EXPECT_EQ(calls, (QStringList{"old a 0", "new b 1", "equal c=c 2", "new d 3"}));
    calls.clear();
    merge.merge({"a", "b", "e", "f"}, {"c"}, alphabetical);
    EXPECT_EQ(calls, (QStringList{"old a 0", "old b 1", "new c 2", "old e 3", "old f 4"}));
}

TEST(MCTreeNode, KeyValueAccessorsEditTheNodesOwnArrays)
{
    Node node;
    node.setItems({1, 2, 3});
    node.insertItems({7, 8}, MCIndexSet{0, 4});
    EXPECT_EQ(node.items(), (QList<int>{7, 1, 2, 3, 8}));
    node.replaceItemsAtIndexes(MCIndexSet{1}, {9});
    node.removeItemsAtIndexes(MCIndexSet(MCRange{2, 2}));
    node.insertObjectInItemsAtIndex(4, 3);
    EXPECT_EQ(node.items(), (QList<int>{7, 9, 8, 4}));
    EXPECT_EQ(node.indexOfItem(8), 2);
    EXPECT_FALSE(node.containsItem(1));
    EXPECT_EQ(node.countOfItems(), 4);
    EXPECT_THROW(node.objectInItemsAtIndex(4), std::out_of_range);
    try {
        node.objectInNodesAtIndex(0);
        FAIL();
    } catch (const std::out_of_range &e) {
        EXPECT_STREQ(e.what(), "*** -[MCTreeNode objectInNodesAtIndex:]: index 0 is out of range [0..-1]");
    }
}

// ---- Randomised: incremental changes against a tree rebuilt from scratch --------------------

// Replays the delegate's calls on a copy of the tree and checks every index on the way.
class ReplayingDelegate : public MCTreeControllerDelegate<int>
{
public:
    struct Copy
    {
        QList<int> items;
        QList<const Node *> nodes;
    };
    std::unordered_map<const Node *, Copy> copies;
    std::vector<NodePtr> keepAlive; // no address is reused while copies refer to it
    int batches = 0;

    void snapshot(const NodePtr &node)
    {
        keepAlive.push_back(node);
        Copy &c = copies[node.get()];
        c.items = node->items();
        c.nodes.clear();
        for (const NodePtr &child : node->nodes()) {
            c.nodes.append(child.get());
            snapshot(child);
        }
    }
    Copy &copyOf(const NodePtr &node)
    {
        auto it = copies.find(node.get());
        if (it == copies.end()) { // a new node, announced with its items
            keepAlive.push_back(node);
            it = copies.emplace(node.get(), Copy{node->items(), {}}).first;
        }
        return it->second;
    }
    void controllerWillChangeContent(Controller *) override { ++batches; }
    void controllerDidInsertNodes(Controller *, const QList<NodePtr> &nodes, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        QList<const Node *> raw;
        for (const NodePtr &n : nodes) {
            copyOf(n);
            raw.append(n.get());
        }
        halvard::insertObjects(copyOf(parent).nodes, raw, indexes);
    }
    void controllerDidRemoveNodes(Controller *, const QList<NodePtr> &nodes, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        Copy &c = copyOf(parent);
        QList<const Node *> raw;
        for (const NodePtr &n : nodes)
            raw.append(n.get());
        ASSERT_EQ(halvard::objectsAtIndexes(c.nodes, indexes), raw);
        halvard::removeObjectsAtIndexes(c.nodes, indexes);
    }
    void controllerDidInsertItems(Controller *, const QList<int> &items, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        Copy &c = copyOf(parent);
        ASSERT_EQ(indexes, MCIndexSet(MCRange{c.items.size(), items.size()}));
        c.items.append(items);
    }
    void controllerDidRemoveItems(Controller *, const QList<int> &items, const MCIndexSet &indexes,
                                  const NodePtr &parent) override
    {
        Copy &c = copyOf(parent);
        ASSERT_EQ(halvard::objectsAtIndexes(c.items, indexes), items);
        halvard::removeObjectsAtIndexes(c.items, indexes);
    }
    void controllerDidChangeContent(Controller *) override {}

    void expectMatches(const NodePtr &node, const QString &path)
    {
        const Copy &c = copies.at(node.get());
        ASSERT_EQ(c.items, node->items()) << path.toStdString();
        ASSERT_EQ(c.nodes.size(), node->nodes().size()) << path.toStdString();
        for (qint64 k = 0; k < c.nodes.size(); ++k) {
            ASSERT_EQ(c.nodes.at(k), node->nodes().at(k).get()) << path.toStdString();
            expectMatches(node->nodes().at(k), path + QLatin1Char('/') + QString::number(k));
        }
    }
};

// The tree as sorted item lists per node, children in order: equal for equal groupings.
QString canonical(const NodePtr &node)
{
    QList<int> items = node->items();
    std::sort(items.begin(), items.end());
    QString text = listText(items);
    if (!node->nodes().isEmpty()) {
        QStringList children;
        for (const NodePtr &child : node->nodes())
            children << canonical(child);
        text += QLatin1Char('{') + children.join(QLatin1Char(' ')) + QLatin1Char('}');
    }
    return text;
}

TEST(MCTreeController, RandomChangesMatchATreeBuiltFromScratch)
{
    std::mt19937 random(20261210);
    std::map<int, std::pair<int, int>> values; // item -> (first key, second key)
    const auto draw = [&](int item) {
        values[item] = {int(random() % 7), int(random() % 4)};
    };
    const QList<std::shared_ptr<Rule>> rules{
        std::make_shared<KeyRule>([&](int i) { return values.at(i).first; }),
        std::make_shared<KeyRule>([&](int i) { return values.at(i).second; }),
        std::make_shared<KeyRule>([](int i) { return i % 3; }),
    };
    auto builder = std::make_shared<Builder>(rules);

    std::set<int> present;
    QList<int> initial;
    for (int i = 0; i < 200; ++i) {
        draw(i);
        present.insert(i);
        initial.append(i);
    }
    Controller controller(builder, initial);
    ReplayingDelegate replay;
    replay.snapshot(controller.root());
    controller.setDelegate(&replay);

    int nextItem = 200;
    for (int round = 0; round < 150; ++round) {
        const int kind = int(random() % 3);
        const int size = 1 + int(random() % 25);
        QList<int> batch;
        if (kind == 0) {
            for (int k = 0; k < size; ++k) {
                draw(nextItem);
                batch.append(nextItem);
                present.insert(nextItem++);
            }
            controller.insertItems(batch);
        } else {
            std::vector<int> pool(present.begin(), present.end());
            for (int k = 0; k < size && !pool.empty(); ++k) {
                const int item = pool[random() % pool.size()];
                if (!batch.contains(item))
                    batch.append(item);
            }
            if (kind == 1) {
                for (int item : batch)
                    present.erase(item);
                batch.append(100000 + round); // never inserted
                values[100000 + round] = {0, 0};
                controller.removeItems(batch);
            } else {
                for (int item : batch)
                    if (random() % 4 != 0) // some keep their values
                        draw(item);
                controller.updateItems(batch);
            }
        }
        replay.expectMatches(controller.root(), QStringLiteral("root"));
        QList<int> all(present.begin(), present.end());
        ASSERT_EQ(canonical(controller.root()).toStdString(), canonical(builder->nodeWithItems(all)).toStdString())
            << "round " << round << " kind " << kind;
    }
    EXPECT_EQ(replay.batches, 150);
}

} // namespace
