#include "halvard/collections/MCCollectionExtensions.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace halvard;

namespace {

const auto byValue = [](int a, int b) {
    return a < b ? MCOrderedAscending : a > b ? MCOrderedDescending : MCOrderedSame;
};

template <typename F> std::string messageOf(F &&f)
{
    try {
        f();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "no exception";
}

TEST(MCIndexSetExtensions, IndexAtIndexWalksTheRanges)
{
    const MCIndexSet set{2, 3, 7};
    EXPECT_EQ(indexAtIndex(set, 0), 2);
    EXPECT_EQ(indexAtIndex(set, 2), 7);
    EXPECT_EQ(messageOf([&] { indexAtIndex(set, 3); }),
              "*** -[NSIndexSet(MCNSIndexSetExtensions) indexAtIndex:]: index 3 is out of range [0..3]");
    EXPECT_EQ(indexSetByRemovingIndexSet(set, MCIndexSet{3, 4}), (MCIndexSet{2, 7}));
}

TEST(MCIndexSetExtensions, MissedIndexes)
{
    const MCIndexSet set{2, 3, 7};
    const MCRange ten{0, 10};
    EXPECT_EQ(missedIndexGreaterThanOrEqualToIndex(set, 2, ten), 4);
    EXPECT_EQ(missedIndexGreaterThanOrEqualToIndex(set, 4, ten), 4);
    EXPECT_EQ(missedIndexGreaterThanOrEqualToIndex(set, 7, ten), 8);
    EXPECT_EQ(missedIndexGreaterThanOrEqualToIndex(MCIndexSet{2, 3}, 2, {0, 4}), MCNotFound);
    EXPECT_EQ(missedIndexLessThanOrEqualToIndex(set, 3, ten), 1);
    EXPECT_EQ(missedIndexLessThanOrEqualToIndex(set, 5, ten), 5);
    EXPECT_EQ(missedIndexLessThanOrEqualToIndex(MCIndexSet{0, 1}, 1, {0, 5}), MCNotFound);
    // A run starting before the range still counts only from the range's start.
    EXPECT_EQ(missedIndexLessThanOrEqualToIndex(MCIndexSet(MCRange{0, 4}), 3, {2, 5}), MCNotFound);
    EXPECT_EQ(messageOf([&] { missedIndexGreaterThanOrEqualToIndex(set, 10, ten); }),
              "*** -[NSIndexSet(MCNSIndexSetExtensions) missedIndexGreaterThanOrEqualToIndex:inRange:]: index 10 is out "
              "of range {0, 10}");
}

TEST(MCArrayExtensions, CopiesWithInsertionsAndRemovals)
{
    const QList<int> a{1, 2, 3, 2};
    EXPECT_EQ(arrayByInsertingObjects(a, {8, 9}, MCIndexSet{0, 5}), (QList<int>{8, 1, 2, 3, 2, 9}));
    EXPECT_EQ(arrayByInsertingObjects(a, {}, MCIndexSet()), a);
    EXPECT_THROW(arrayByInsertingObjects(a, {8}, MCIndexSet{6}), std::out_of_range);
    EXPECT_EQ(arrayByRemovingFirstObject(a), (QList<int>{2, 3, 2}));
    EXPECT_EQ(arrayByRemovingLastObject(QList<int>{1}), QList<int>());
    EXPECT_EQ(arrayByRemovingFirstObject(QList<int>()), QList<int>());
    EXPECT_EQ(arrayByRemovingObject(a, 2), (QList<int>{1, 3}));
    EXPECT_EQ(arrayByRemovingObjectsInArray(a, {2, 3}), (QList<int>{1}));
    EXPECT_EQ(arrayByRemovingObjectsAtIndexes(a, MCIndexSet{0, 2, 3}), (QList<int>{2}));
    EXPECT_EQ(filteredArrayUsingBlock(a, [](int x) { return x > 1; }), (QList<int>{2, 3, 2}));
    EXPECT_TRUE(isEqualArray<int>(nullptr, nullptr));
    EXPECT_FALSE(isEqualArray<int>(&a, nullptr));
    EXPECT_EQ(filteredSetUsingBlock(QSet<int>{1, 2, 3}, [](int x) { return x != 2; }), (QSet<int>{1, 3}));
}

TEST(MCArrayExtensions, IndexesOfObjects)
{
    const QList<QString> a{"a", "b", "a", "c", "a"};
    // Counted: two a's take the first two occurrences.
    EXPECT_EQ(indexesOfObjects(a, {"a", "a", "c", "z"}), (MCIndexSet{0, 2, 3}));
    EXPECT_EQ(indexesOfObjectsInArray(a, {"a"}), (MCIndexSet{0, 2, 4}));
}

TEST(MCArrayExtensions, SortedSearchesAndInsertions)
{
    const QList<int> sorted{1, 3, 5};
    EXPECT_EQ(insertionIndexesForObjects(sorted, {2, 4}, byValue), (MCIndexSet{1, 3}));
    EXPECT_EQ(insertionIndexesForObjects(sorted, {0, 3, 9}, byValue), (MCIndexSet{0, 3, 5})); // ties after
    EXPECT_TRUE(insertionIndexesForObjects(sorted, {}, byValue).isEmpty());
    const QList<MCSortDescriptor<int>> descending{{byValue, false}};
    EXPECT_EQ(insertionIndexesForObjects(QList<int>{5, 3, 1}, {4}, descending), (MCIndexSet{1}));
    EXPECT_EQ(insertionIndexForObject(sorted, 4, byValue), 2);
    EXPECT_EQ(insertionIndexForObject(sorted, 9, byValue), 3);

    const std::function<MCComparisonResult(const int &)> seek5 = [](const int &x) { return byValue(5, x); };
    EXPECT_EQ(binarySearchWithBlock(sorted, seek5), 2);
    const std::function<MCComparisonResult(const int &)> seek4 = [](const int &x) { return byValue(4, x); };
    EXPECT_EQ(binarySearchWithBlock(sorted, seek4), MCNotFound);
    EXPECT_EQ(messageOf([&] { binarySearchWithBlock(sorted, std::function<MCComparisonResult(const int &)>()); }),
              "*** -[NSArray(MCNSArrayExtensions) binarySearchWithBlock:]: block must not be nil");
}

TEST(MCArrayExtensions, IndexesOfSortedObjectsMatchesIdentity)
{
    // Equal values told apart by address, ordered by address within a run of equals.
    std::vector<std::shared_ptr<int>> pool;
    for (int v : {1, 2, 2, 2, 3})
        pool.push_back(std::make_shared<int>(v));
    std::sort(pool.begin() + 1, pool.begin() + 4, [](auto &x, auto &y) { return x.get() < y.get(); });
    const QList<std::shared_ptr<int>> a(pool.begin(), pool.end());
    const auto cmp = [](const std::shared_ptr<int> &x, const std::shared_ptr<int> &y) { return byValue(*x, *y); };
    const auto other = std::make_shared<int>(2);
    EXPECT_EQ(indexesOfSortedObjects(a, {a[2], a[4]}, cmp), (MCIndexSet{2, 4}));
    EXPECT_EQ(indexesOfSortedObjects(a, {other}, cmp), MCIndexSet());
}

TEST(MCArrayExtensions, SplitAndGroup)
{
    EXPECT_EQ(splitArraysUsingComparator(QList<int>{3, 1, 3, 2}, byValue), (QList<QList<int>>{{1}, {2}, {3, 3}}));
    EXPECT_TRUE(splitArraysUsingComparator(QList<int>{}, byValue).isEmpty());
    // Cut by tens, sorted by value.
    const auto byTens = [](int a, int b) { return byValue(a / 10, b / 10); };
    EXPECT_EQ(splitArraysUsingComparator(QList<int>{21, 3, 12, 1}, byTens, byValue),
              (QList<QList<int>>{{1, 3}, {12}, {21}}));

    QList<QString> g{"a", "b", "a", "c", "b"};
    groupEqualObjects(g);
    EXPECT_EQ(g, (QList<QString>{"a", "a", "b", "b", "c"}));
    QList<int> n{11, 20, 12, 31, 23, 14};
    groupEqualObjectsUsingComparator(n, [](int a, int b) { return a / 10 == b / 10; });
    EXPECT_EQ(n, (QList<int>{11, 12, 14, 20, 23, 31}));
    QList<int> m{4, 5, 6, 7};
    filterUsingBlock(m, [](int x) { return x % 2 == 0; });
    EXPECT_EQ(m, (QList<int>{4, 6}));
}

TEST(MCDictionaryExtensions, TypedValuesAndNilSetters)
{
    QVariantMap map;
    const QDateTime when(QDate(2001, 1, 2), QTime(0, 0, 1), QTimeZone::utc());
    setDate(map, when, "d");
    EXPECT_DOUBLE_EQ(map.value("d").toDouble(), 86401.0);
    EXPECT_EQ(dateForKey(map, "d"), when);
    EXPECT_FALSE(dateForKey(map, "none").isValid());
    setString(map, "x", "s");
    setString(map, QString(), "s"); // nothing: the key keeps its value
    setDate(map, QDateTime(), "d");
    setFileURL(map, "/photos/a.jpg", "f");
    setArray(map, QVariant(), "a");
    setNumber(map, 3, "n");
    EXPECT_EQ(stringForKey(map, "s"), "x");
    EXPECT_EQ(fileURLForKey(map, "f"), "/photos/a.jpg");
    EXPECT_TRUE(fileURLForKey(map, "g").isNull());
    EXPECT_FALSE(map.contains("a"));
    EXPECT_EQ(numberForKey(map, "n").toInt(), 3);
    EXPECT_EQ(objectsForKeys(map, {"n", "zz", "s"}), (QVariantList{3, "x"}));
}

} // namespace
