#include "app/library/MCSmartGroup.h"

#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Item = MCSmartGroup::Item;

// Sets a file's capture date (none for a negative day) and rating.
void setValues(const Item &file, int day, int rating)
{
    QVariantMap properties{{kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCStarRating, rating}}}};
    if (day >= 0)
        properties.insert(kCGImagePropertyExifDictionary,
                          QVariantMap{{kCGImagePropertyExifDateTimeOriginal,
                                       QStringLiteral("2020:01:%1 12:00:00").arg(day % 28 + 1, 2, 10, QLatin1Char('0'))}});
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    file->reloadCaptureDate();
}

Item photo(quint64 id, int day, int rating)
{
    Item file = MCFile::fileWithID(id);
    setValues(file, day, rating);
    return file;
}

// Rated 2 or more, by capture date (none first), then by identity number: a total order.
MCSmartGroup::PredicatePtr ratedAtLeastTwo()
{
    return std::make_shared<MCSmartGroup::Predicate>([](const Item &file) { return file->filteredRating() >= 2; });
}

MCSmartGroup::SortDescriptorsPtr byDateThenID(bool ascending = true)
{
    const auto date = [](const Item &a, const Item &b) {
        const auto x = a->captureDate(), y = b->captureDate();
        if (!x || !y)
            return MCComparisonResult(qint64(bool(x)) - qint64(bool(y)));
        return *x < *y ? MCOrderedAscending : (*y < *x ? MCOrderedDescending : MCOrderedSame);
    };
    const auto id = [](const Item &a, const Item &b) {
        return a->fileID() < b->fileID() ? MCOrderedAscending : (a->fileID() > b->fileID() ? MCOrderedDescending : MCOrderedSame);
    };
    return std::make_shared<MCSmartGroup::SortDescriptors>(
        MCSmartGroup::SortDescriptors{{date, ascending}, {id, true}});
}

QList<quint64> idsOf(const QList<Item> &items)
{
    QList<quint64> ids;
    for (const Item &item : items)
        ids.append(item->fileID());
    return ids;
}

} // namespace

TEST(SmartGroup, FiltersSortsAndFollowsTheGroup)
{
    auto group = std::make_shared<MCGroup>();
    group->setTitle("Trip");
    QList<Item> files;
    for (quint64 id = 1; id <= 10; ++id)
        files.append(photo(id, int(11 - id), id % 3 == 0 || id == 10 ? 3 : 1)); // 3, 6, 9, 10 pass
    group->setItems(files);

    MCSmartGroup smart(group, ratedAtLeastTwo(), byDateThenID());
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{10, 9, 6, 3}));
    EXPECT_EQ(smart.browserGroupTitle(), "Trip");
    EXPECT_EQ(smart.browserGroupSubtitle(), "4 items");
    EXPECT_EQ(smart.numberOfBrowserGroups(), 0);
    EXPECT_EQ(smart.browserItemAtIndex(1)->fileID(), 9u);

    // Of three new files one passes and lands at its sorted place.
    const QList<Item> added{photo(11, 5, 1), photo(12, 4, 5), photo(13, 0, 0)};
    group->appendItems(added);
    smart.onInsertItems(added);
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{10, 9, 12, 6, 3}));
    smart.onInsertItems({added.at(1)}); // told twice, shown once
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{10, 9, 12, 6, 3}));

    // A replacement of a file by another removes the old one and places the new one.
    const Item replacement = photo(14, -1, 4);
    smart.onReplaceItems({files.at(5)}, {replacement});
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{14, 10, 9, 12, 3}));

    // The same predicate object changes nothing; a new, equal one recomputes from the group.
    const auto predicate = smart.filterPredicate();
    smart.onInsertItems({files.at(0)}); // failing files are ignored
    smart.setFilterPredicate(predicate);
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{14, 10, 9, 12, 3}));
    smart.setFilterPredicate(ratedAtLeastTwo());
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{10, 9, 12, 6, 3})); // 14 is not in the group
    smart.setSortDescriptors(byDateThenID(false));
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{3, 6, 12, 9, 10}));

    // Without predicate and descriptors the group's order stands.
    MCSmartGroup plain(group, nullptr, nullptr);
    EXPECT_EQ(plain.items(), group->items());
}

TEST(SmartGroup, RemovalFindsAFileWhoseValuesChanged)
{
    // Placed by its old date; removed after its date changed: it must leave, and its new
    // placement must be the only one.
    auto group = std::make_shared<MCGroup>();
    group->setItems({photo(1, 1, 3), photo(2, 5, 3), photo(3, 9, 3)});
    MCSmartGroup smart(group, ratedAtLeastTwo(), byDateThenID());
    const Item moved = group->items().at(0);
    setValues(moved, 20, 0); // later, and now failing the filter
    smart.onReplaceItems({moved}, {moved});
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{2, 3}));
    setValues(moved, 7, 3);
    smart.onReplaceItems({moved}, {moved});
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{2, 1, 3}));
    setValues(moved, 0, 3);
    smart.onRemoveItems({moved});
    EXPECT_EQ(idsOf(smart.items()), (QList<quint64>{2, 3}));
}

TEST(SmartGroup, IncrementalEqualsRebuiltAfterRandomChanges)
{
    for (unsigned seed : {1u, 7u, 2024u}) {
        std::mt19937 random(seed);
        const auto below = [&](int n) { return int(random() % unsigned(n)); };
        auto group = std::make_shared<MCGroup>();
        MCSmartGroup smart(group, ratedAtLeastTwo(), byDateThenID(seed % 2 == 0));
        quint64 nextID = 1;
        for (int step = 0; step < 400; ++step) {
            const int action = below(4);
            if (action == 0 || group->items().size() < 3) {
                QList<Item> added;
                for (int k = below(4) + 1; k > 0; --k)
                    added.append(photo(nextID++, below(12) - 1, below(4)));
                group->appendItems(added);
                smart.onInsertItems(added);
            } else if (action == 1) {
                MCIndexSet indexes;
                for (int k = below(3) + 1; k > 0; --k)
                    indexes.addIndex(below(int(group->items().size())));
                const QList<Item> removed = halvard::objectsAtIndexes(group->items(), indexes);
                group->removeItemsAtIndexes(indexes);
                smart.onRemoveItems(removed);
            } else {
                // Values change in place; the group reports the files as replaced by themselves.
                QList<Item> changed;
                for (int k = below(3) + 1; k > 0; --k) {
                    const Item file = group->items().at(below(int(group->items().size())));
                    setValues(file, below(12) - 1, below(4));
                    if (!changed.contains(file))
                        changed.append(file);
                }
                smart.onReplaceItems(changed, changed);
            }
            const MCSmartGroup rebuilt(group, smart.filterPredicate(), smart.sortDescriptors());
            ASSERT_EQ(idsOf(smart.items()), idsOf(rebuilt.items())) << "seed " << seed << " step " << step;
        }
    }
}

TEST(SmartGroup, SortKeysGiveTheComparatorsOrder)
{
    // Rating by key (descending), date by comparator, ID by key: the keys are read once per
    // file and must order exactly as the comparators do, direction included.
    std::mt19937 random(7);
    QList<Item> files;
    for (quint64 id = 1; id <= 60; ++id)
        files.append(photo(id, int(random() % 9) - 2, int(random() % 4)));
    auto group = std::make_shared<MCGroup>();
    group->setItems(files);
    const MCSmartGroup::SortDescriptors byDate = *byDateThenID();
    MCSortDescriptor<Item> rating;
    rating.comparator = [](const Item &a, const Item &b) {
        const double x = a->filteredRating(), y = b->filteredRating();
        return x < y ? MCOrderedAscending : (x > y ? MCOrderedDescending : MCOrderedSame);
    };
    rating.ascending = false;
    rating.sortKey = [](const Item &file) { return double(file->filteredRating()); };
    MCSortDescriptor<Item> id = byDate.at(1);
    id.sortKey = [](const Item &file) { return double(file->fileID()); };
    const MCSmartGroup::SortDescriptors descriptors{rating, byDate.at(0), id};

    QList<Item> expected = files;
    const MCComparator<Item> compare = MCComparatorFromSortDescriptors(descriptors);
    std::stable_sort(expected.begin(), expected.end(), [&](const Item &a, const Item &b) { return compare(a, b) < 0; });
    MCSmartGroup smart(group, nullptr, std::make_shared<const MCSmartGroup::SortDescriptors>(descriptors));
    EXPECT_EQ(idsOf(smart.items()), idsOf(expected));
    EXPECT_EQ(smart.items().first()->filteredRating(), 3);
}
