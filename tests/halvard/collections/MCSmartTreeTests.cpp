#include "halvard/collections/MCSmartTree.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using Node = MCSmartTreeNode<QString>;
using Rule = MCSmartTreeRule<QString>;

const auto byFirstLetter = std::make_shared<Rule>([](const QString &a, const QString &b) {
    return MCComparisonResult(qBound(-1, a.left(1).compare(b.left(1)), 1));
});
const auto byLength = std::make_shared<Rule>([](const QString &a, const QString &b) {
    return a.size() < b.size() ? MCOrderedAscending : a.size() > b.size() ? MCOrderedDescending : MCOrderedSame;
});

// "items{child child}" of a subtree.
QString text(const Node &node)
{
    QString t = node.items().join(QLatin1Char(','));
    if (!node.nodes().isEmpty()) {
        QStringList children;
        for (const auto &child : node.nodes())
            children << text(*child);
        t += QLatin1Char('{') + children.join(QLatin1Char(' ')) + QLatin1Char('}');
    }
    return t;
}

TEST(MCSmartTree, GroupsAddsAndRemoves)
{
    auto root = Node::nodeWithRules({byFirstLetter}, {"apple", "avocado", "banana"});
    EXPECT_EQ(text(*root), "apple,avocado,banana{apple,avocado banana}");
    EXPECT_EQ(root->rules(), (QList<Node::RulePtr>{byFirstLetter}));
    EXPECT_EQ(root->nodes().at(0)->rule(), byFirstLetter);

    root->addItems({"blueberry"});
    EXPECT_EQ(text(*root), "apple,avocado,banana,blueberry{apple,avocado banana,blueberry}");
    root->addItems({"cherry"});
    EXPECT_EQ(text(*root), "apple,avocado,banana,blueberry,cherry{apple,avocado banana,blueberry cherry}");
    root->addItems({"apple"}); // stored twice
    EXPECT_EQ(root->nodes().at(0)->items(), (QStringList{"apple", "avocado", "apple"}));

    root->removeItems({"banana", "blueberry"});
    EXPECT_EQ(text(*root), "apple,avocado,cherry,apple{apple,avocado,apple cherry}");
}

TEST(MCSmartTree, NestedRulesAndRuleChanges)
{
    auto root = Node::nodeWithRules({byFirstLetter, byLength}, {"ab", "abc", "b", "ax"});
    EXPECT_EQ(text(*root), "ab,abc,b,ax{ab,abc,ax{ab,ax abc} b{b}}");
    root->addItems({"bcd", "az"});
    EXPECT_EQ(text(*root), "ab,abc,b,ax,bcd,az{ab,abc,ax,az{ab,ax,az abc} b,bcd{b bcd}}");
    root->setRules({byLength});
    EXPECT_EQ(text(*root), "ab,abc,b,ax,bcd,az{b ab,ax,az abc,bcd}");
    root->setRules({});
    EXPECT_TRUE(root->nodes().isEmpty());
    root->setItems({"q"});
    EXPECT_EQ(text(*root), "q");
}

TEST(MCSmartTree, MisuseRaises)
{
    auto root = Node::nodeWithRules({byFirstLetter}, {"apple"});
    const auto child = root->nodes().at(0);
    try {
        child->setItems({"x"});
        FAIL();
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "*** -[MCSmartTreeNode setItems:]: must be called on the root node");
    }
    EXPECT_THROW(child->addItems({"x"}), std::logic_error);
    try {
        root->unionNode(nullptr);
        FAIL();
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "*** -[MCSmartTreeNode(Union) unionNode:]: node must not be nil");
    }
    try {
        root->minusNode(child);
        FAIL();
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "*** -[MCSmartTreeNode(Minus) minusNode:]: node's _rule must be equal to the receiver's");
    }
    auto other = Node::nodeWithRules({byFirstLetter}, {"x"}); // equal rules, another template
    EXPECT_THROW(root->unionNode(other), std::invalid_argument);
}

TEST(MCSmartTree, FilteredAndSortedCopiesLeaveTheReceiverAlone)
{
    auto root = Node::nodeWithRules({byFirstLetter}, {"banana", "apple", "blueberry", "avocado"});
    const QString before = text(*root);

    auto filtered = root->filteredNodeWithPredicate([](const QString &s) { return s.size() > 5; }, true);
    EXPECT_EQ(text(*filtered), "banana,blueberry,avocado{avocado banana,blueberry}");
    EXPECT_EQ(filtered->prototype(), root->prototype());
    auto flat = root->filteredNodeWithPredicate([](const QString &s) { return s.startsWith('b'); }, false);
    EXPECT_EQ(text(*flat), "banana,blueberry");
    EXPECT_FALSE(flat->prototype());

    const QList<MCSortDescriptor<QString>> descending{
        {[](const QString &a, const QString &b) { return MCComparisonResult(qBound(-1, a.compare(b), 1)); }, false}};
    auto sorted = root->sortedNodeWithDescriptors(descending, true);
    EXPECT_EQ(text(*sorted), "blueberry,banana,avocado,apple{avocado,apple blueberry,banana}");
    EXPECT_EQ(text(*root), before);

    root->filterItemsWithPredicate([](const QString &s) { return s.startsWith('a'); });
    EXPECT_EQ(text(*root), "apple,avocado{apple,avocado}");
}

} // namespace
