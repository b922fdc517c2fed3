#include "platform/core/MCIndexSet.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

TEST(MCIndexSet, AddingAndRemovingKeepsDisjointRanges)
{
    MCIndexSet set{5, 1, 2, 3, 9};
    EXPECT_EQ(set.ranges(), (std::vector<MCRange>{{1, 3}, {5, 1}, {9, 1}}));
    set.addIndex(4); // joins its neighbours on both sides
    EXPECT_EQ(set.ranges(), (std::vector<MCRange>{{1, 5}, {9, 1}}));
    set.addIndexesInRange({7, 5});
    EXPECT_EQ(set.ranges(), (std::vector<MCRange>{{1, 5}, {7, 5}}));
    set.removeIndexesInRange({3, 6}); // cuts both ranges
    EXPECT_EQ(set.ranges(), (std::vector<MCRange>{{1, 2}, {9, 3}}));
    EXPECT_EQ(set.count(), 5);
    EXPECT_EQ(set.firstIndex(), 1);
    EXPECT_EQ(set.lastIndex(), 11);
    EXPECT_EQ(set.toList(), (QList<qint64>{1, 2, 9, 10, 11}));
    EXPECT_EQ(MCStringFromIndexSet(set), QStringLiteral("(1-2 9-11)"));
    EXPECT_EQ(MCStringFromRange({2, 10}), QStringLiteral("{2, 10}"));
}

TEST(MCIndexSet, Queries)
{
    const MCIndexSet set{2, 3, 7};
    struct Case
    {
        qint64 index, contains, greaterOrEqual, lessOrEqual;
    } cases[] = {
        {0, false, 2, MCNotFound}, {2, true, 2, 2}, {4, false, 7, 3}, {7, true, 7, 7}, {8, false, MCNotFound, 7},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(set.containsIndex(c.index), bool(c.contains)) << c.index;
        EXPECT_EQ(set.indexGreaterThanOrEqualToIndex(c.index), c.greaterOrEqual) << c.index;
        EXPECT_EQ(set.indexLessThanOrEqualToIndex(c.index), c.lessOrEqual) << c.index;
    }
    EXPECT_TRUE(set.containsIndexes(MCIndexSet{2, 7}));
    EXPECT_FALSE(set.containsIndexes(MCIndexSet(MCRange{2, 3})));
    EXPECT_EQ(MCIndexSet().firstIndex(), MCNotFound);
}

TEST(MCIndexSet, RandomEditsAgreeWithAPlainSet)
{
    std::mt19937 random(5);
    MCIndexSet set;
    std::set<qint64> model;
    for (int round = 0; round < 2000; ++round) {
        const MCRange range{qint64(random() % 200), qint64(random() % 12)};
        if (random() % 3) {
            set.addIndexesInRange(range);
            for (qint64 i = range.location; i < range.max(); ++i)
                model.insert(i);
        } else {
            set.removeIndexesInRange(range);
            for (qint64 i = range.location; i < range.max(); ++i)
                model.erase(i);
        }
        ASSERT_EQ(set.toList(), QList<qint64>(model.begin(), model.end())) << round;
        for (std::size_t k = 1; k < set.ranges().size(); ++k) // disjoint and never touching
            ASSERT_GT(set.ranges()[k].location, set.ranges()[k - 1].max());
    }
}
