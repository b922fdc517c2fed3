#include "halvard/collections/MCOrderedDictionary.h"

#include <gtest/gtest.h>

namespace {

MCMutableOrderedDictionary abc()
{
    return MCMutableOrderedDictionary({1, 2, 3}, {"A", "B", "C"});
}

TEST(MCOrderedDictionary, ReadsByKeyAndPosition)
{
    const MCOrderedDictionary d({"x", "y", "x", "extra"}, {"k1", "k2", "k3"});
    EXPECT_EQ(d.count(), 3);
    EXPECT_EQ(d.allKeys(), (QStringList{"k1", "k2", "k3"}));
    EXPECT_EQ(d.allObjects(), (QVariantList{"x", "y", "x"}));
    EXPECT_EQ(d.keyAtIndex(2), "k3");
    EXPECT_TRUE(d.keyAtIndex(3).isNull());
    EXPECT_FALSE(d.objectAtIndex(3).isValid());
    EXPECT_FALSE(d.objectAtIndex(-1).isValid());
    EXPECT_EQ(d.indexOfKey("k2"), 1);
    EXPECT_EQ(d.indexOfKey("zz"), MCNotFound);
    EXPECT_EQ(d.indexOfObject("y"), 1);
    EXPECT_EQ(d.indexOfObject("q"), MCNotFound);
    EXPECT_EQ(d.indexesOfObjects({"x"}), (MCIndexSet{0, 2}));
    EXPECT_EQ(d.indexesOfKeys({"k3", "nope"}), MCIndexSet{2});
    EXPECT_EQ(d.objectsForKeys({"k3", "nope", "k2"}), (QVariantList{"x", "y"}));
    EXPECT_EQ(d.keysAtIndexes(MCIndexSet{0, 2}), (QStringList{"k1", "k3"}));
    EXPECT_EQ(d.orderedDictionaryWithRange({1, 2}).allKeys(), (QStringList{"k2", "k3"}));
    EXPECT_THROW(d.orderedDictionaryWithRange({2, 2}), std::out_of_range);
    EXPECT_EQ(d.firstObject(), "x");
    EXPECT_EQ(d.lastKey(), "k3");
    EXPECT_TRUE(MCOrderedDictionary().firstKey().isNull());

    QStringList seen;
    d.enumerateKeysAndObjectsWithOptions(MCEnumerationReverse, [&](const QString &k, const QVariant &o, qint64 i, bool *stop) {
        seen << QStringLiteral("%1=%2@%3").arg(k, o.toString()).arg(i);
        *stop = i == 1;
    });
    EXPECT_EQ(seen, (QStringList{"k3=x@2", "k2=y@1"}));
    QStringList keys;
    for (const QString &k : d)
        keys << k;
    EXPECT_EQ(keys, d.allKeys());
    EXPECT_TRUE(d.description().endsWith("\nKeys: (k1, k2, k3)\nObjects:(x, y, x)"));
}

TEST(MCOrderedDictionary, CreationFromPairsAndTheSharedEmptyOne)
{
    const auto d = MCOrderedDictionary::orderedDictionaryWithObjectsAndKeys({1, "a", 2, "b", QVariant(), "c", 4, "d"});
    EXPECT_EQ(d.allKeys(), (QStringList{"a", "b"}));
    // A key given twice keeps one place, so keys and lookups stay in step.
    const MCOrderedDictionary twice({1, 2}, {"a", "a"});
    EXPECT_EQ(twice.allKeys(), QStringList{"a"});
    EXPECT_EQ(twice.objectForKey("a"), 2);
    EXPECT_EQ(&MCOrderedDictionary::orderedDictionary(), &MCOrderedDictionary::orderedDictionary());
    EXPECT_TRUE(MCOrderedDictionary::orderedDictionary().isEmpty());
    MCMutableOrderedDictionary m = d.mutableCopy();
    m.removeAllObjects();
    EXPECT_EQ(d.count(), 2);
}

TEST(MCMutableOrderedDictionary, InsertAtIndexMovesKeys)
{
    struct Case
    {
        QString key;
        qint64 index;
        QStringList expected;
    } cases[] = {
        {"A", 2, {"B", "A", "C"}}, {"A", 3, {"B", "C", "A"}}, {"A", 4, {"A", "B", "C"}},
        {"C", 0, {"C", "A", "B"}}, {"B", 1, {"A", "B", "C"}}, {"N", 1, {"A", "N", "B", "C"}},
        {"N", 3, {"A", "B", "C", "N"}},
    };
    for (const Case &c : cases) {
        MCMutableOrderedDictionary d = abc();
        d.insertObject(9, c.key, c.index);
        EXPECT_EQ(d.allKeys(), c.expected) << c.key.toStdString() << " at " << c.index;
        EXPECT_EQ(d.objectForKey(c.key), c.index <= 3 ? 9 : 1);
    }
}

TEST(MCMutableOrderedDictionary, SetAddAndMerge)
{
    MCMutableOrderedDictionary d = abc();
    d.setObject(7, "A");
    EXPECT_EQ(d.allKeys(), (QStringList{"A", "B", "C"}));
    d.addObject(8, "A");
    EXPECT_EQ(d.allKeys(), (QStringList{"B", "C", "A"}));
    EXPECT_EQ(d.objectForKey("A"), 8);
    d.addEntriesFromOrderedDictionary(MCOrderedDictionary({100, 5}, {"B", "D"}));
    EXPECT_EQ(d.allKeys(), (QStringList{"B", "C", "A", "D"}));
    EXPECT_EQ(d.objectForKey("B"), 2);
    try {
        d.setObject(QVariant(), "E");
        FAIL();
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "*** -[MCMutableOrderedDictionary setObject:forKey:]: object must not be nil");
    }
}

TEST(MCMutableOrderedDictionary, Removals)
{
    MCMutableOrderedDictionary d({1, 2, 1, 3, 4}, {"a", "b", "c", "d", "e"});
    d.removeObject(1);
    EXPECT_EQ(d.allKeys(), (QStringList{"b", "d", "e"}));
    d.removeObjectAtIndex(5); // out of range: nothing
    d.removeObjectsForKeys({"e", "zz"});
    d.removeObjectForKey("nope");
    EXPECT_EQ(d.allKeys(), (QStringList{"b", "d"}));
    d.removeLastObject();
    d.removeObjectsAtIndexes(MCIndexSet{0});
    EXPECT_TRUE(d.isEmpty());
    EXPECT_FALSE(d.containsKey("b"));
    d.removeLastObject(); // empty: nothing
}

TEST(MCMutableOrderedDictionary, SortingAndSortedInsertion)
{
    MCMutableOrderedDictionary d({3, 1, 2}, {"c", "a", "b"});
    const auto byObject = [](const QString &, const QVariant &x, const QString &, const QVariant &y) {
        return x.toInt() < y.toInt() ? MCOrderedAscending : x.toInt() > y.toInt() ? MCOrderedDescending : MCOrderedSame;
    };
    d.sortKeysUsingDescriptors({{[](const QString &a, const QString &b) {
                                     return MCComparisonResult(qBound(-1, a.compare(b), 1));
                                 },
                                 false}});
    EXPECT_EQ(d.allKeys(), (QStringList{"c", "b", "a"}));
    d.sortKeysAndObjectsUsingComparator(byObject);
    EXPECT_EQ(d.allKeys(), (QStringList{"a", "b", "c"}));
    d.addObject(5, "e", MCRange{0, 3}, byObject);
    d.addObject(0, "z", MCRange{0, 4}, byObject);
    d.addObject(99, "b", MCRange{0, 5}, byObject); // present: keeps its place
    EXPECT_EQ(d.allKeys(), (QStringList{"z", "a", "b", "c", "e"}));
    EXPECT_EQ(d.objectForKey("b"), 99);
}

TEST(MCMutableOrderedDictionary, GroupingMovesKeysWithTheirObjects)
{
    MCMutableOrderedDictionary d({"x", "y", "x", "z", "y"}, {"1", "2", "3", "4", "5"});
    d.groupEqualObjects();
    EXPECT_EQ(d.allObjects(), (QVariantList{"x", "x", "y", "y", "z"}));
    EXPECT_EQ(d.allKeys(), (QStringList{"1", "3", "2", "5", "4"}));
    MCMutableOrderedDictionary one({"x"}, {"1"});
    one.groupEqualObjects();
    EXPECT_EQ(one.allKeys(), QStringList{"1"});
}

} // namespace
