#include "halvard/collections/MCSortedContainers.h"

#include <gtest/gtest.h>

namespace {

struct Photo
{
    QString name;
    int rating;
};
using PhotoPtr = std::shared_ptr<Photo>;

const auto byRating = [](const PhotoPtr &a, const PhotoPtr &b) {
    return a->rating < b->rating ? MCOrderedAscending : a->rating > b->rating ? MCOrderedDescending : MCOrderedSame;
};
const auto byValue = [](const int &a, const int &b) {
    return a < b ? MCOrderedAscending : a > b ? MCOrderedDescending : MCOrderedSame;
};

QStringList names(const MCSortedArray<PhotoPtr> &array)
{
    QStringList result;
    for (const PhotoPtr &p : array)
        result << p->name;
    return result;
}

TEST(MCSortedArray, KeepsOrderAndRemovesRunsOfEqualElements)
{
    EXPECT_FALSE(MCSortedArray<int>::withComparator({}));
    auto array = *MCSortedArray<PhotoPtr>::withComparator(byRating);
    const auto a = std::make_shared<Photo>(Photo{"a", 3});
    const auto b = std::make_shared<Photo>(Photo{"b", 3});
    for (const PhotoPtr &p : {std::make_shared<Photo>(Photo{"one", 1}), a, std::make_shared<Photo>(Photo{"five", 5}), b})
        array.insertObject(p);
    EXPECT_EQ(array.count(), 4);
    EXPECT_EQ(array[0]->name, "one");
    EXPECT_EQ(array[3]->name, "five");
    EXPECT_EQ(array.indexOfObject(std::make_shared<Photo>(Photo{"probe", 3})), 1);
    EXPECT_EQ(array.indexOfObject(std::make_shared<Photo>(Photo{"probe", 4})), MCNotFound);

    array.removeObjectIdenticalTo(a);
    EXPECT_EQ(names(array), (QStringList{"one", "b", "five"}));
    array.insertObject(a);
    // A third object of the same rating takes both out.
    array.removeObject(std::make_shared<Photo>(Photo{"c", 3}));
    EXPECT_EQ(names(array), (QStringList{"one", "five"}));
    array.removeObject(std::make_shared<Photo>(Photo{"c", 3})); // none left: nothing
    EXPECT_EQ(array.count(), 2);
    try {
        array.insertObject(nullptr);
        FAIL();
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "*** -[MCSortedArray insertObject:]: object must not be nil");
    }
    EXPECT_THROW(array.objectAtIndex(2), std::out_of_range);
}

TEST(MCRedBlackTree, StoresObjectsOnceInOrder)
{
    auto tree = *MCRedBlackTree<int>::withComparator(byValue);
    EXPECT_FALSE(tree.minObject());
    tree.removeMinObject(); // empty: nothing
    for (int v : {3, 1, 2, 2})
        tree.insertObject(v);
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.array(), (QList<int>{1, 2, 3}));
    EXPECT_EQ(tree.minObject(), 1);
    EXPECT_EQ(tree.maxObject(), 3);
    tree.removeObject(2);
    tree.removeObject(7);
    tree.removeMaxObject();
    EXPECT_EQ(tree.array(), QList<int>{1});

    // The first of two objects comparing same stays.
    auto photos = *MCRedBlackTree<PhotoPtr>::withComparator(byRating);
    photos.insertObject(std::make_shared<Photo>(Photo{"first", 2}));
    photos.insertObject(std::make_shared<Photo>(Photo{"second", 2}));
    EXPECT_EQ(photos.count(), 1);
    EXPECT_EQ((*photos.minObject())->name, "first");
    EXPECT_THROW(photos.removeObject(nullptr), std::invalid_argument);
}

TEST(MCIndexMap, AppendsAndChecksPositions)
{
    MCIndexMap map;
    map.addIndex(7);
    map.addIndex(9, 2);
    map.addIndex(1, 0);
    EXPECT_EQ(map.count(), 3);
    EXPECT_EQ(map.indexAtIndex(2), 9u);
    try {
        map.indexAtIndex(3);
        FAIL();
    } catch (const std::out_of_range &e) {
        EXPECT_STREQ(e.what(), "*** -[MCIndexMap indexAtIndex:]: index 3 is out of range [0..3]");
    }
    map.removeAllIndexes();
    EXPECT_EQ(map.count(), 0);
}

TEST(MCBimap, BothDirectionsStayInStep)
{
    MCBimap<QString, int> map;
    map.setObject(1, "one");
    map.setObject(2, "two");
    EXPECT_EQ(map.keyForObject(2), "two");
    map.setObject(3, "one"); // "one" no longer pairs with 1
    EXPECT_FALSE(map.containsObject(1));
    map.setObject(2, "deux"); // 2 no longer pairs with "two"
    EXPECT_FALSE(map.containsKey("two"));
    EXPECT_EQ(map.count(), 2);
    EXPECT_EQ(map.objectsForKeys({"one", "x"}, -1), (QList<int>{3, -1}));
    EXPECT_EQ(map.keysForObjects({2}, QString()), QStringList{"deux"});
    EXPECT_EQ(map.removeObjectsForKeys({"one", "x"}), QList<int>{3});
    EXPECT_FALSE(map.keyForObject(3));
    EXPECT_EQ(map.removeKeyForObject(2), "deux");
    EXPECT_FALSE(map.removeObjectForKey("deux"));
    EXPECT_EQ(map.count(), 0);
}

TEST(MCFraction, ReducesComparesAndHashes)
{
    const auto half = MCFraction::fractionWithNumerator(1, 2);
    const auto twoQuarters = MCFraction::fractionWithNumerator(2, 4);
    ASSERT_TRUE(half && twoQuarters);
    EXPECT_EQ(*half, *twoQuarters);
    EXPECT_EQ(half->hash(), twoQuarters->hash());
    EXPECT_EQ(half->hash(), (1ull << 32) | 2u);
    EXPECT_EQ(qHash(*half), qHash(*twoQuarters));
    const auto zero = MCFraction::fractionWithNumerator(0, 5);
    EXPECT_EQ(zero->numerator(), 0u);
    EXPECT_EQ(zero->denominator(), 1u);
    EXPECT_FALSE(MCFraction::fractionWithNumerator(1, 0));
    EXPECT_DOUBLE_EQ(MCFraction::fractionWithNumerator(1, 250)->doubleValue(), 0.004);

    const auto third = MCFraction::fractionWithNumerator(1, 3);
    EXPECT_EQ(third->compare(*half), MCOrderedAscending);
    EXPECT_EQ(MCFraction::compareFraction(std::nullopt, std::nullopt), MCOrderedSame);
    EXPECT_EQ(MCFraction::compareFraction(std::nullopt, half), MCOrderedAscending);
    EXPECT_EQ(MCFraction::compareFraction(half, std::nullopt), MCOrderedDescending);
    EXPECT_EQ(MCFraction::compareFraction(half, twoQuarters), MCOrderedSame);
    // Too close for doubles, still ordered.
    const quint64 big = 1ull << 62;
    EXPECT_EQ(MCFraction::fractionWithNumerator(big - 1, big - 3)->compare(*MCFraction::fractionWithNumerator(big, big - 2)),
              MCOrderedDescending);
}

} // namespace
