#include "app/library/MCGroupRule.h"
#include "app/library/MCFileContainer.h"

#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

// One photo of a fixture: a file of that size on disk (sparse; no size when negative, no
// extension when the name has none) and its image properties.
struct Photo
{
    const char *name;
    qint64 size;
    QVariantMap properties;
};

QVariantMap rule(int groupBy, int timeRange = 0) { return {{"groupBy", groupBy}, {"timeRange", timeRange}}; }

QVariantMap taken(const char *date, QVariantMap properties = {})
{
    properties.insert(kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, date}});
    return properties;
}

QVariantMap pixels(int width, int height, QVariantMap properties = {})
{
    properties.insert(kCGImagePropertyPixelWidth, width);
    properties.insert(kCGImagePropertyPixelHeight, height);
    return properties;
}

QList<MCGroupItemPtr> makeFiles(const QList<Photo> &photos)
{
    const QString folder = testsupport::makeTemporaryFolder();
    QList<MCGroupItemPtr> files;
    for (const Photo &photo : photos) {
        const QString path = folder + "/" + QString::fromUtf8(photo.name);
        auto file = MCFileContainer::newFileWithURL(path);
        if (photo.size >= 0) {
            QFile data(path);
            EXPECT_TRUE(data.open(QIODevice::WriteOnly));
            EXPECT_TRUE(data.resize(photo.size));
            data.close();
            EXPECT_TRUE(file->reloadFileInfo());
        }
        file->fileInfo().reloadAllPropertiesFromImageInfo(photo.properties);
        file->reloadCaptureDate();
        files.append(file);
    }
    return files;
}

// "title:count" of each child, children of a child in braces, siblings separated by " | ".
QString describe(const MCTreeNode<MCGroupItemPtr> &node)
{
    QStringList parts;
    for (const auto &child : node.nodes()) {
        const auto *group = dynamic_cast<const MCGroup *>(child.get());
        QString part = (group ? group->title() : QStringLiteral("?")) + ":" + QString::number(child->countOfItems());
        if (!child->nodes().isEmpty())
            part += "{" + describe(*child) + "}";
        parts.append(part);
    }
    return parts.join(" | ");
}

class GroupRule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_locale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(m_locale); }

    QLocale m_locale;
};

} // namespace

TEST_F(GroupRule, TreesByRules)
{
    struct Case
    {
        const char *what;
        QList<QVariantMap> rules; // stored forms, one per level
        QList<Photo> photos;
        const char *tree;
    };
    const QVariantMap rgb{{kCGImagePropertyColorModel, "RGB"}, {kCGImagePropertyDepth, 8}};
    const QVariantMap rgb16{{kCGImagePropertyColorModel, "RGB"}, {kCGImagePropertyDepth, 16}, {kCGImagePropertyHasAlpha, true}};
    const QVariantMap gray{{kCGImagePropertyColorModel, "Gray"}, {kCGImagePropertyDepth, 8}};
    const Case cases[] = {
        {"file size buckets",
         {rule(2)},
         {{"a0.jpg", 0, {}},
          {"a500.jpg", 500, {}},
          {"b1260.jpg", 1260000, {}},
          {"a999.jpg", 999, {}},
          {"b1000.jpg", 1000000, {}},
          {"b1240.jpg", 1240000, {}},
          {"k1.jpg", 1000, {}},
          {"b1160.jpg", 1160000, {}},
          {"k999.jpg", 999999, {}},
          {"unknown.jpg", -1, {}}},
         "0.0 B:4 | 1.0 KB:1 | 1000.0 KB:1 | 1.0 MB:1 | 1.2 MB:2 | 1.3 MB:1"},
        {"unknown size only", {rule(2)}, {{"u.jpg", -1, {}}, {"z.jpg", 0, {}}}, "Unknown File Size:2"},
        {"orientation",
         {rule(200)},
         {{"a.jpg", 1, {{kCGImagePropertyOrientation, 6}}},
          {"b.jpg", 1, {{kCGImagePropertyOrientation, 9}}},
          {"c.jpg", 1, {}},
          {"d.jpg", 1, {{kCGImagePropertyOrientation, 0}}},
          {"e.jpg", 1, {{kCGImagePropertyOrientation, 6}}},
          {"f.jpg", 1, {{kCGImagePropertyOrientation, 3}}}},
         "Unknown Orientation:1 | Unknown Orientation:1 | 3 (Rotated 180°):1 | 6 (Rotated 90° CCW):2 | Unknown Orientation:1"},
        {"aspect ratio",
         {rule(202)},
         {{"a.jpg", 1, pixels(3000, 2000)}, {"b.jpg", 1, pixels(600, 400)}, {"c.jpg", 1, {}}, {"d.jpg", 1, pixels(4000, 3000)}},
         "Unknown Aspect Ratio:1 | 4 : 3:1 | 3 : 2:2"},
        {"megapixels",
         {rule(201)},
         {{"a.jpg", 1, pixels(4000, 3000)}, {"b.jpg", 1, pixels(640, 480)}, {"c.jpg", 1, pixels(3000, 4000)}},
         "0.4 megapixels:1 | 12.0 megapixels:2"},
        {"file type",
         {rule(1)},
         {{"a.png", 1, {}}, {"b.jpg", 1, {}}, {"c", -1, {}}, {"d.jpg", 1, {}}},
         "Unknown File Type:1 | JPEG image:2 | PNG image:1"},
        {"file type + format",
         {rule(1), rule(101), rule(102), rule(100)},
         {{"a.png", 1, rgb16}, {"b.png", 1, gray}, {"c.png", 1, rgb}, {"d.jpg", 1, rgb}, {"e.png", 1, {}}},
         "JPEG image:1{RGB:1{8 bits per channel:1{No alpha channel:1}}} | "
         "PNG image:4{Unknown Color Model:1{Unknown Depth:1{No alpha channel:1}} | Gray:1{8 bits per channel:1{No alpha channel:1}} | "
         "RGB:2{8 bits per channel:1{No alpha channel:1} | 16 bits per channel:1{Has alpha channel:1}}}"},
        {"capture date by year, month, day",
         {rule(3, 0), rule(3, 1), rule(3, 2)},
         {{"a.jpg", 1, taken("2019:12:07 14:35:00")},
          {"b.jpg", 1, taken("2018:12:07 09:00:00")},
          {"c.jpg", 1, {}},
          {"d.jpg", 1, taken("2019:01:02 10:00:00")},
          {"e.jpg", 1, taken("2019:12:07 23:59:59")}},
         "Unknown Capture Date:1{Unknown Capture Date:1{Unknown Capture Date:1}} | 2018:1{December:1{07:1}} | "
         "2019:3{January:1{02:1} | December:2{07:2}}"},
        {"capture month alone joins the years",
         {rule(3, 1)},
         {{"a.jpg", 1, taken("2019:12:07 14:35:00")}, {"b.jpg", 1, taken("2018:12:01 09:00:00")}, {"d.jpg", 1, taken("2019:01:02 10:00:00")}},
         "January:1 | December:2"},
        {"capture hour",
         {rule(3, 3)},
         {{"a.jpg", 1, taken("2019:12:07 14:35:00")}, {"b.jpg", 1, taken("2018:12:01 14:00:00")}, {"c.jpg", 1, taken("2019:01:02 09:59:59")}},
         "09:00 - 10:00:1 | 14:00 - 15:00:2"},
        {"an unknown range keeps everything together",
         {rule(3, 7)},
         {{"a.jpg", 1, taken("2019:12:07 14:35:00")}, {"b.jpg", 1, taken("2018:12:01 14:00:00")}},
         ":2"},
        {"unknown code", {rule(999)}, {{"a.png", 1, rgb16}, {"b.jpg", 5000, gray}}, ":2"},
        {"missing code", {QVariantMap{{"timeRange", 2}}}, {{"a.png", 1, rgb16}, {"b.jpg", 5000, gray}}, ":2"},
    };
    for (const Case &c : cases) {
        QList<MCGroupBuilder::RulePtr> rules;
        for (const QVariantMap &stored : c.rules)
            rules.append(std::make_shared<MCGroupRule>(stored));
        const MCGroupBuilder builder("Photos", rules);
        const QList<MCGroupItemPtr> files = makeFiles(c.photos);
        const auto root = std::dynamic_pointer_cast<MCGroup>(builder.nodeWithItems(files));
        ASSERT_TRUE(root) << c.what;
        EXPECT_EQ(root->title(), "Photos") << c.what;
        EXPECT_FALSE(root->orderTag().isValid()) << c.what;
        EXPECT_EQ(root->countOfItems(), files.size()) << c.what;
        EXPECT_EQ(describe(*root).toStdString(), std::string(c.tree)) << c.what;
    }
}

TEST_F(GroupRule, GroupsKeepTheirPlaceWhenTheTreeIsUpdated)
{
    // The controller finds a file's group by comparing a one-file group with the existing ones,
    // so the order of groups must follow their tags, not the files' current values.
    const QList<MCGroupItemPtr> files =
        makeFiles({{"a.jpg", 1, {{kCGImagePropertyOrientation, 6}}}, {"b.jpg", 1, {{kCGImagePropertyOrientation, 1}}}});
    auto builder = std::make_shared<MCGroupBuilder>("Photos", QList<MCGroupBuilder::RulePtr>{MCGroupRule::ruleGroupBy(200)});
    MCTreeController<MCGroupItemPtr> controller(builder, files);
    EXPECT_EQ(describe(*controller.root()), "1 (Normal):1 | 6 (Rotated 90° CCW):1");

    files.at(0)->fileInfo().reloadAllPropertiesFromImageInfo({{kCGImagePropertyOrientation, 8}});
    controller.updateItems({files.at(0)});
    EXPECT_EQ(describe(*controller.root()), "1 (Normal):1 | 8 (Rotated 90° CW):1");
    const QList<MCGroupItemPtr> more = makeFiles({{"c.jpg", 1, {{kCGImagePropertyOrientation, 1}}}});
    controller.insertItems(more);
    EXPECT_EQ(describe(*controller.root()), "1 (Normal):2 | 8 (Rotated 90° CW):1");
    controller.removeItems({files.at(1), more.at(0)});
    EXPECT_EQ(describe(*controller.root()), "8 (Rotated 90° CW):1");
}

TEST_F(GroupRule, StoredFormCopiesAndStrategies)
{
    const MCGroupRule read(rule(3, 1));
    EXPECT_EQ(read.groupBy(), 3u);
    EXPECT_EQ(read.timeRange(), 1u);
    EXPECT_EQ(read.dictionaryRepresentation(), (rule(3, 1)));
    EXPECT_EQ(MCGroupRule(QVariantMap{}).dictionaryRepresentation(), (rule(0, 0)));
    EXPECT_EQ(MCGroupRule::ruleGroupBy(201)->dictionaryRepresentation(), (rule(201, 0)));
    EXPECT_EQ(MCGroupRule::ruleGroupByTimeRange(2)->dictionaryRepresentation(), (rule(3, 2)));

    for (quint64 code : {1, 2, 3, 100, 101, 102, 200, 201, 202})
        EXPECT_TRUE(MCGroupRule::ruleGroupBy(code)->strategy()) << code;
    EXPECT_FALSE(MCGroupRule::ruleGroupBy(0)->strategy());
    EXPECT_FALSE(MCGroupRule::ruleGroupBy(999)->strategy());

    // A new code or time range drops the strategy; setting the same value keeps it.
    auto byDate = MCGroupRule::ruleGroupByTimeRange(0);
    const auto year = byDate->strategy();
    byDate->setTimeRange(0);
    EXPECT_EQ(byDate->strategy(), year);
    const QList<MCGroupItemPtr> files = makeFiles({{"a.jpg", 1, taken("2019:12:07 14:35:00")}, {"b.jpg", 1, taken("2018:12:01 14:00:00")}});
    EXPECT_NE(byDate->compare(files.at(0), files.at(1)), MCOrderedSame);
    byDate->setTimeRange(1);
    EXPECT_NE(byDate->strategy(), year);
    EXPECT_EQ(byDate->compare(files.at(0), files.at(1)), MCOrderedSame);
    byDate->setGroupBy(999);
    EXPECT_FALSE(byDate->strategy());

    const auto copy = MCGroupRule::ruleGroupByTimeRange(3)->copy();
    EXPECT_EQ(copy->dictionaryRepresentation(), (rule(3, 3)));
}

TEST(GroupRuleFileSize, Buckets)
{
    using S = std::optional<quint64>;
    struct Case
    {
        S a, b;
        MCComparisonResult expected;
    } cases[] = {
        {0, 999, MCOrderedSame},
        {std::nullopt, 500, MCOrderedSame},
        {999, 1000, MCOrderedAscending},
        {1149, 1150, MCOrderedAscending}, // 1.1 KB against 1.2 KB (a half rounds up)
        {1150, 1249, MCOrderedSame},
        {999999, 1000000, MCOrderedAscending},
        {1160000, 1240000, MCOrderedSame},
        {1260000, 1240000, MCOrderedDescending},
        {999999999999ull, 1000000000000ull, MCOrderedAscending},
        {18000000000000000000ull, 18446744073709551615ull, MCOrderedAscending}, // 180 against 184 steps
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MCCompareFileSize(c.a, c.b), c.expected) << c.a.value_or(0) << " " << c.b.value_or(0);
        EXPECT_EQ(MCCompareFileSize(c.b, c.a), MCComparisonResult(-c.expected)) << c.a.value_or(0) << " " << c.b.value_or(0);
    }
}

TEST(Group, BrowserValues)
{
    const QList<MCGroupItemPtr> files = makeFiles({{"a.jpg", 1, {}}, {"b.jpg", 2000, {}}, {"c.png", 1, {}}});
    const MCGroupBuilder builder("Photos", {MCGroupRule::ruleGroupBy(1)});
    const auto root = std::dynamic_pointer_cast<MCGroup>(builder.nodeWithItems(files));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->browserGroupTitle(), "Photos");
    EXPECT_EQ(root->browserGroupSubtitle(), "3 items");
    EXPECT_EQ(root->numberOfBrowserGroups(), 2);
    EXPECT_EQ(root->numberOfBrowserItems(), 3);
    EXPECT_EQ(root->browserItemAtIndex(2), files.at(2));
    ASSERT_EQ(root->allBrowserGroups().size(), 2);
    EXPECT_EQ(root->browserGroupAtIndex(0)->browserGroupSubtitle(), "2 items");
    EXPECT_EQ(root->allBrowserGroups().at(1)->allBrowserItems(), QList<MCGroupItemPtr>{files.at(2)});
}
