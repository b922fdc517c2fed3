#include "app/library/MCFileContainer.h"
#include "app/library/MCFilterPredicate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace MCFilterRowPredicates;

namespace {

bool matches(const MCFilterPredicatePtr &predicate, const QVariantMap &item)
{
    return predicate->evaluateWithValues([&item](const QString &key) { return item.value(key); });
}

bool isAlwaysTrue(const MCFilterPredicatePtr &predicate)
{
    return predicate->kind() == MCFilterPredicate::Kind::True;
}

QDateTime at(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

} // namespace

TEST(MCFilterRowPredicates, NumberText)
{
    const struct {
        const char *text;
        double value;
    } cases[] = {{"1/250", 0.004}, {"2.8", 2.8},  {"1/0", 1.0},   {"abc", 0.0},  {"", 0.0},      {" 3 / 4", 0.75},
                 {"1//4", 0.25},   {"1/x", 1.0},  {"-2", -2.0},   {"1e3", 1000}, {"8 mm", 8.0},  {"/4", 0.0}};
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(numberFromString(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_EQ(integerFromString(QStringLiteral(" 12 days")), 12);
    EXPECT_EQ(integerFromString(QStringLiteral("x12")), 0);
    EXPECT_EQ(integerFromString(QStringLiteral("-3")), -3);
    EXPECT_EQ(integerFromString(QStringLiteral("99999999999999999999999")), std::numeric_limits<qint64>::max());
}

TEST(MCFilterRowPredicates, EmptyValuesMatchEverything)
{
    const QString empty;
    const QList<MCFilterPredicatePtr> rows = {
        stringPredicate(QStringLiteral("filteredCameraModel"), MCEqualToPredicateOperatorType, empty, 0),
        parentFolderPredicate(MCEqualToPredicateOperatorType, empty, 0),
        numberPredicate(QStringLiteral("filteredImageFNumber"), MCLessThanPredicateOperatorType, empty, 0),
        constantNumberPredicate(QStringLiteral("filteredImageFNumber"), MCEqualToPredicateOperatorType, empty, 0),
        keywordsPredicate(MCContainsPredicateOperatorType, empty, 0),
        fileSizePredicate(QStringLiteral("filteredFileSize"), MCGreaterThanPredicateOperatorType, empty, 2, 0),
        datePredicate(QStringLiteral("filteredCaptureDate"), MCDateRowWithinLast, empty, 0, {}, at(2026, 3, 11, 15)),
    };
    for (const MCFilterPredicatePtr &row : rows) {
        EXPECT_TRUE(isAlwaysTrue(row)) << row->description().toStdString();
        EXPECT_TRUE(matches(row, {}));
    }
}

TEST(MCFilterRowPredicates, ValuesBecomeTheRightConstants)
{
    const QString size = QStringLiteral("filteredFileSize");
    const struct {
        const char *text;
        int unit;
        double bytes;
    } sizes[] = {{"1.5", 2, 1.5e6}, {"2", 1, 2000}, {"3", 3, 3e9}, {"700", 0, 700}, {"x", 2, 0}};
    for (const auto &s : sizes) {
        const auto row = fileSizePredicate(size, MCGreaterThanPredicateOperatorType, QString::fromUtf8(s.text), s.unit, 0);
        EXPECT_EQ(row->key(), size);
        EXPECT_DOUBLE_EQ(row->constant().toDouble(), s.bytes) << s.text;
    }
    EXPECT_DOUBLE_EQ(numberPredicate(QStringLiteral("filteredImageExposureTime"), MCLessThanPredicateOperatorType,
                                     QStringLiteral("1/250"), 0)
                         ->constant()
                         .toDouble(),
                     0.004);
    EXPECT_EQ(parentFolderPredicate(MCEqualToPredicateOperatorType, QStringLiteral("Trip"), 0)->key(),
              QStringLiteral("filteredParentFolderName"));
    const struct {
        int tag;
        QVariant constant;
    } modes[] = {{0, QStringLiteral("RGB")}, {1, QStringLiteral("Gray")}, {2, QStringLiteral("CMYK")}};
    for (const auto &m : modes) {
        const auto row = colorModePredicate(QStringLiteral("x"), MCEqualToPredicateOperatorType, m.tag, 0);
        EXPECT_EQ(row->key(), QStringLiteral("filteredImageColorMode"));
        EXPECT_EQ(row->constant(), m.constant);
    }
    EXPECT_EQ(menuTagPredicate(QStringLiteral("filteredRating"), MCGreaterThanOrEqualToPredicateOperatorType, 3, 0)
                  ->constant(),
              QVariant(qint64(3)));
    // A 1.5 MB row over real sizes.
    const auto bigger = fileSizePredicate(size, MCGreaterThanPredicateOperatorType, QStringLiteral("1.5"), 2, 0);
    EXPECT_TRUE(matches(bigger, {{size, quint64(1500001)}}));
    EXPECT_FALSE(matches(bigger, {{size, quint64(1500000)}}));
}

TEST(MCFilterRowPredicates, FileTypeRows)
{
    const QVariantMap jpeg = {{QStringLiteral("filteredIsJPEGFile"), true}, {QStringLiteral("filteredIsRAWFile"), false}};
    const QVariantMap raw = {{QStringLiteral("filteredIsJPEGFile"), false}, {QStringLiteral("filteredIsRAWFile"), true}};
    const QVariantMap png = {{QStringLiteral("filteredIsJPEGFile"), false},
                             {QStringLiteral("filteredIsRAWFile"), false},
                             {QStringLiteral("filteredIsPNGFile"), true}};
    const struct {
        int tag;
        unsigned op;
        bool jpeg, raw, png;
    } cases[] = {
        {2, MCEqualToPredicateOperatorType, true, true, false},
        {2, MCNotEqualToPredicateOperatorType, false, false, true},
        {0, MCEqualToPredicateOperatorType, true, false, false},
        {1, MCNotEqualToPredicateOperatorType, true, false, true},
        {7, MCEqualToPredicateOperatorType, false, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "tag " << c.tag << " op " << c.op);
        const auto row = fileTypePredicate(QStringLiteral("x"), c.op, c.tag, 0);
        EXPECT_EQ(matches(row, jpeg), c.jpeg);
        EXPECT_EQ(matches(row, raw), c.raw);
        EXPECT_EQ(matches(row, png), c.png);
    }
    for (int tag : {0, 1, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_FALSE(fileTypeKeyPath(tag).isEmpty()) << tag;
    EXPECT_TRUE(fileTypeKeyPath(2).isEmpty());
}

TEST(MCFilterRowPredicates, KeywordRows)
{
    const QString key = QStringLiteral("filteredKeywords");
    const auto beach = keywordsPredicate(MCContainsPredicateOperatorType, QStringLiteral("beach"),
                                         MCCaseInsensitivePredicateOption);
    EXPECT_TRUE(matches(beach, {{key, QStringList{QStringLiteral("city"), QStringLiteral("Beach house")}}}));
    EXPECT_FALSE(matches(beach, {{key, QStringList{QStringLiteral("city")}}}));
    EXPECT_FALSE(matches(beach, {{key, QStringList()}}));
    // Never an item without keywords, even for "not equal".
    const auto notCity = keywordsPredicate(MCNotEqualToPredicateOperatorType, QStringLiteral("city"), 0);
    EXPECT_FALSE(matches(notCity, {{key, QStringList()}}));
    EXPECT_TRUE(matches(notCity, {{key, QStringList{QStringLiteral("city"), QStringLiteral("sea")}}}));
}

TEST(MCFilterRowPredicates, DateRanges)
{
    const QDateTime now = at(2026, 3, 11, 15, 30); // a Wednesday
    const QDate chosen(2026, 2, 20);
    const struct {
        const char *name;
        int type;
        const char *interval;
        int unit;
        QDateTime start, end;
    } ranges[] = {
        {"last 0 days", 0, "0", 0, at(2026, 3, 11), at(2026, 3, 12)},
        {"last 3 days", 0, "3", 0, at(2026, 3, 8), at(2026, 3, 12)},
        {"last 2 weeks", 0, "2", 1, at(2026, 2, 25), at(2026, 3, 18)},
        {"last 1 month", 0, "1", 2, at(2026, 2, 11), at(2026, 4, 11)},
        {"last 1 year", 0, "1", 3, at(2025, 3, 11), at(2027, 3, 11)},
        {"not a number counts as 0", 0, "abc", 0, at(2026, 3, 11), at(2026, 3, 12)},
        {"on the chosen day", 1, "", 0, at(2026, 2, 20), at(2026, 2, 21)},
        {"today", 4, "", 0, at(2026, 3, 11), at(2026, 3, 12)},
        {"yesterday", 5, "", 0, at(2026, 3, 10), at(2026, 3, 11)},
        {"this month", 7, "", 0, at(2026, 3, 1), at(2026, 4, 1)},
        {"this year", 8, "", 0, at(2026, 1, 1), at(2027, 1, 1)},
    };
    for (const auto &r : ranges) {
        SCOPED_TRACE(r.name);
        const auto range = dateRange(r.type, QString::fromUtf8(r.interval), r.unit, chosen, now);
        EXPECT_EQ(range.first, r.start);
        EXPECT_EQ(range.second, r.end);
    }
    const auto week = dateRange(MCDateRowThisWeek, {}, 0, chosen, now);
    EXPECT_EQ(week.first.date().dayOfWeek(), int(QLocale::system().firstDayOfWeek()));
    EXPECT_EQ(week.first.daysTo(week.second), 7);
    EXPECT_LE(week.first, now);
    EXPECT_GT(week.second, now);

    // Both ends included; before and on-or-after split at the chosen day's start.
    const QString key = QStringLiteral("filteredCaptureDate");
    auto stamped = [&key](const QDateTime &date) { return QVariantMap{{key, date}}; };
    const auto on = datePredicate(key, MCDateRowOnDay, {}, 0, chosen, now);
    const auto before = datePredicate(key, MCDateRowBeforeDay, {}, 0, chosen, now);
    const auto onOrAfter = datePredicate(key, MCDateRowOnOrAfterDay, {}, 0, chosen, now);
    const struct {
        QDateTime date;
        bool on, before, onOrAfter;
    } stamps[] = {
        {at(2026, 2, 19, 23, 59), false, true, false},
        {at(2026, 2, 20), true, false, true},
        {at(2026, 2, 20, 18), true, false, true},
        {at(2026, 2, 21), true, false, true}, // the midnight that ends the day
        {at(2026, 2, 21, 0, 1), false, false, true},
    };
    for (const auto &s : stamps) {
        SCOPED_TRACE(s.date.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(matches(on, stamped(s.date)), s.on);
        EXPECT_EQ(matches(before, stamped(s.date)), s.before);
        EXPECT_EQ(matches(onOrAfter, stamped(s.date)), s.onOrAfter);
    }
    // Types outside 0-8 compare the key with the type; an item without the date never matches a range.
    EXPECT_EQ(datePredicate(key, 9, {}, 0, chosen, now)->kind(), MCFilterPredicate::Kind::Comparison);
    EXPECT_FALSE(matches(on, {}));
}

TEST(MCFilterPredicate, Comparisons)
{
    const struct {
        const char *name;
        QVariant value;
        unsigned op;
        QVariant constant;
        unsigned options;
        bool result;
    } cases[] = {
        {"missing value only unequal", QVariant(), MCEqualToPredicateOperatorType, 3, 0, false},
        {"missing value unequal", QVariant(), MCNotEqualToPredicateOperatorType, 3, 0, true},
        {"missing value not less", QVariant(), MCLessThanPredicateOperatorType, 3, 0, false},
        {"integer with double", quint64(1500), MCGreaterThanPredicateOperatorType, 1499.5, 0, true},
        {"bool with true", true, MCEqualToPredicateOperatorType, true, 0, true},
        {"string equal", QStringLiteral("Canon"), MCEqualToPredicateOperatorType, QStringLiteral("canon"), 0, false},
        {"string equal ignoring case", QStringLiteral("Canon"), MCEqualToPredicateOperatorType, QStringLiteral("canon"),
         MCCaseInsensitivePredicateOption, true},
        {"diacritics", QStringLiteral("Zürich"), MCEqualToPredicateOperatorType, QStringLiteral("Zurich"),
         MCDiacriticInsensitivePredicateOption, true},
        {"contains", QStringLiteral("EOS 5D"), MCContainsPredicateOperatorType, QStringLiteral("5D"), 0, true},
        {"begins with", QStringLiteral("IMG_1"), MCBeginsWithPredicateOperatorType, QStringLiteral("img"),
         MCCaseInsensitivePredicateOption, true},
        {"ends with", QStringLiteral("IMG_1.jpg"), MCEndsWithPredicateOperatorType, QStringLiteral(".png"), 0, false},
        {"like", QStringLiteral("IMG_0042.jpg"), MCLikePredicateOperatorType, QStringLiteral("IMG_*.jpg"), 0, true},
        {"matches", QStringLiteral("IMG_0042"), MCMatchesPredicateOperatorType, QStringLiteral("IMG_\\d+"), 0, true},
        {"bad expression", QStringLiteral("a"), MCMatchesPredicateOperatorType, QStringLiteral("("), 0, false},
        {"dates", at(2026, 1, 1), MCLessThanPredicateOperatorType, at(2026, 1, 2), 0, true},
        {"date with number", at(2026, 1, 1), MCEqualToPredicateOperatorType, 3, 0, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCFilterPredicate::compareValues(c.value, c.op, c.constant, c.options), c.result) << c.name;
}

TEST(MCFilterPredicate, EvaluatesLibraryFilesAndFeedsSmartGroups)
{
    EXPECT_EQ(MCSmartGroupPredicate(nullptr), nullptr);
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("IMG_7.jpg"));
    QFile(path).open(QIODevice::WriteOnly);
    auto file = MCFileContainer::newFileWithURL(path);
    const auto named = MCFilterPredicate::andPredicate(
        {MCFilterPredicate::comparison(QStringLiteral("filteredFileName"), MCBeginsWithPredicateOperatorType,
                                       QStringLiteral("IMG_")),
         MCFilterPredicate::truePredicate()});
    EXPECT_TRUE(named->evaluate(*file));
    const MCSmartGroup::PredicatePtr forGroups = MCSmartGroupPredicate(named);
    ASSERT_NE(forGroups, nullptr);
    EXPECT_TRUE((*forGroups)(file));
    EXPECT_FALSE((*forGroups)(nullptr));
    const auto other = MCFilterPredicate::orPredicate(
        {MCFilterPredicate::comparison(QStringLiteral("filteredFileName"), MCEqualToPredicateOperatorType,
                                       QStringLiteral("a.jpg"))});
    EXPECT_FALSE(other->evaluate(*file));
    EXPECT_TRUE(*named == *named);
    EXPECT_FALSE(*named == *other);
}
