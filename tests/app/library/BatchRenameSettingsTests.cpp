#include "app/library/MCBatchRenameSettings.h"

#include <gtest/gtest.h>

namespace {

QVariantMap dateSettings(qint64 dateID, qint64 timeID)
{
    return {{kMCRenameDateFormatIDKey, dateID}, {kMCRenameTimeFormatIDKey, timeID}};
}

} // namespace

TEST(BatchRenameToken, DisplayNamesAndDescriptionsOfEveryKind)
{
    const char *expected[][2] = {
        {"<Index>", "Number sequence"},          {"<Capture Date>", "Shooting date"},
        {"<Current Date>", "Today's date"},      {"<Original Name>", "Original file name"},
        {"<Original Index>", "Index in original file"}, {"<Original Folder>", "Original folder name"},
        {"<Find & Replace>", "Uses original file name"}, {"<Image Width>", "Image width in pixels"},
        {"<Image Height>", "Image height in pixels"}, {"<Image DPI>", "Image resolution"},
        {"<Color Profile>", "Color Profile name"}, {"<Camera Maker>", "EXIF: Camera Maker"},
        {"<Camera Model>", "EXIF: Camera Model"}, {"<Lens Model>", "EXIF: Lens Model"},
        {"<Keywords>", "IPTC: Keywords"},        {"<Copyright>", "IPTC: Copyright"},
        {"<Owner>", "IPTC: Owner"},              {"<IPTC Title>", "IPTC: Title"},
        {"<IPTC Caption>", "IPTC: Caption"},     {"<IPTC City>", "IPTC: City"},
        {"<IPTC Country>", "IPTC: Country"},     {"<IPTC Province>", "IPTC: Province/State"},
        {"<IPTC Location>", "IPTC: Location"},
    };
    static_assert(std::size(expected) == MCBatchRenameTokenKindCount);
    for (quint64 kind = 0; kind < MCBatchRenameTokenKindCount; ++kind) {
        const MCBatchRenameToken token(kind);
        EXPECT_FALSE(token.hasSettings());
        EXPECT_EQ(token.displayTokenName(), QString::fromUtf8(expected[kind][0])) << kind;
        EXPECT_EQ(token.displayTokenDescription(), QString::fromUtf8(expected[kind][1])) << kind;
        // Settings a kind does not print leave its name plain.
        EXPECT_EQ(MCBatchRenameToken(kind, {{kMCRenameCaseKindKey, 1}}).displayTokenName().isEmpty(), false);
    }
    for (quint64 unknown : {quint64(23), quint64(1000), ~quint64(0)}) {
        EXPECT_TRUE(MCBatchRenameToken(unknown).displayTokenName().isEmpty());
        EXPECT_TRUE(MCBatchRenameToken(unknown, {{kMCRenameStartIndexKey, 3}}).displayTokenDescription().isEmpty());
    }
    EXPECT_EQ(MCBatchRenameToken(MCBatchRenameTokenKindOwner, {{kMCRenameCaseKindKey, 2}}).displayTokenName(), "<Owner>");
}

TEST(BatchRenameToken, DisplayNamesWithSettings)
{
    struct Case
    {
        quint64 kind;
        QVariantMap settings;
        QString name;
    } cases[] = {
        {MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 3}}, "<Index:001>"},
        {MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1234}, {kMCRenameNumberOfDigitsKey, 2}}, "<Index:1234>"},
        {MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, -5}, {kMCRenameNumberOfDigitsKey, 3}}, "<Index:-005>"},
        {MCBatchRenameTokenKindIndex, {{kMCRenameNumberOfDigitsKey, -4}}, "<Index:0>"},
        // A damaged digit count is capped instead of printing a name no file system takes.
        {MCBatchRenameTokenKindIndex, {{kMCRenameNumberOfDigitsKey, 1000000000}}, "<Index:" + QString(32, '0') + ">"},
        {MCBatchRenameTokenKindCaptureDate, dateSettings(5, 1), "<Capture Date:yyyy-MM-dd HH:mm:ss>"},
        {MCBatchRenameTokenKindCurrentDate, dateSettings(0, 3), "<Current Date:HH:mm>"},
        {MCBatchRenameTokenKindCurrentDate, dateSettings(99, -1), "<Current Date:>"},
        {MCBatchRenameTokenKindFindAndReplace,
         {{kMCRenameFindStringKey, "IMG_"}, {kMCRenameReplaceStringKey, "Trip "}},
         QString::fromUtf8("<Find & Replace:[IMG_]→[Trip ]>")},
        {MCBatchRenameTokenKindOriginalName, {{kMCRenameFilenameTrimsIndexKey, true}}, "<Original Name>"},
    };
    for (const Case &c : cases) {
        const MCBatchRenameToken token(c.kind, c.settings);
        EXPECT_TRUE(token.hasSettings());
        EXPECT_EQ(token.displayTokenName(), c.name);
    }
}

TEST(BatchRenameToken, DictionaryFormCopiesAndEquality)
{
    // No "settings" entry: empty settings, plain name, an empty map written back.
    const MCBatchRenameToken bare = MCBatchRenameToken::itemWithDictionary({{"kind", 1}});
    EXPECT_EQ(bare.kind(), 1u);
    EXPECT_FALSE(bare.hasSettings());
    EXPECT_EQ(bare.displayTokenName(), "<Capture Date>");
    const QVariantMap stored = bare.dictionaryRepresentation();
    EXPECT_EQ(stored.value("kind").toLongLong(), 1);
    EXPECT_EQ(stored.value("settings").typeId(), QMetaType::QVariantMap);
    EXPECT_TRUE(stored.value("settings").toMap().isEmpty());
    EXPECT_EQ(MCBatchRenameToken::itemWithDictionary({}).kind(), 0u);

    MCBatchRenameToken original(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 7}});
    MCBatchRenameToken copy = original;
    EXPECT_EQ(copy, original);
    copy.settings().insert(kMCRenameNumberOfDigitsKey, 4); // edited in place, as the editors do
    EXPECT_NE(copy, original);
    EXPECT_EQ(original.settings().size(), 1);
    EXPECT_NE(MCBatchRenameToken(2), MCBatchRenameToken(1));
    EXPECT_EQ(MCBatchRenameToken::itemWithDictionary(original.dictionaryRepresentation()), original);
}

TEST(BatchRenameSettings, StoredFormRoundTripKeepsForeignElements)
{
    const QVariantMap stored = {
        {"Tokens",
         QVariantList{
             QVariantMap{{"kind", 3}, {"settings", QVariantMap{{kMCRenameCaseKindKey, 1}}}},
             QString("_"),
             QVariantMap{{"kind", 0}, {"settings", QVariantMap{{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 3}}}},
             42, // not text, not a token: kept as it is
             QVariantMap{{"kind", 2}},
         }},
    };
    const MCBatchRenameSettings settings = MCBatchRenameSettings::settingsWithDictionary(stored);
    ASSERT_EQ(settings.tokens().size(), 5);
    EXPECT_EQ(std::get<MCBatchRenameToken>(settings.tokens()[0]).kind(), MCBatchRenameTokenKindOriginalName);
    EXPECT_EQ(std::get<QVariant>(settings.tokens()[1]).toString(), "_");
    EXPECT_EQ(std::get<MCBatchRenameToken>(settings.tokens()[2]).displayTokenName(), "<Index:001>");
    EXPECT_EQ(std::get<QVariant>(settings.tokens()[3]).toInt(), 42);

    const QVariantMap written = settings.dictionaryRepresentation();
    EXPECT_EQ(written.keys(), QStringList{"Tokens"});
    const QVariantList elements = written.value("Tokens").toList();
    ASSERT_EQ(elements.size(), 5);
    EXPECT_EQ(elements[3].toInt(), 42);
    EXPECT_EQ(elements[4].toMap().value("settings").toMap(), QVariantMap());
    EXPECT_EQ(MCBatchRenameSettings::settingsWithDictionary(written), settings);

    // Copies are deep: editing a copy's token leaves the original alone.
    MCBatchRenameSettings copy = settings;
    std::get<MCBatchRenameToken>(copy.tokens()[0]).settings().clear();
    EXPECT_NE(copy, settings);
    EXPECT_TRUE(std::get<MCBatchRenameToken>(settings.tokens()[0]).hasSettings());

    // Literals compare by text; a token never equals text.
    EXPECT_NE(MCBatchRenameSettings({QVariant("a")}), MCBatchRenameSettings({QVariant("b")}));
    EXPECT_NE(MCBatchRenameSettings({QVariant("<Index>")}), MCBatchRenameSettings({MCBatchRenameToken(0)}));

    for (const QVariantMap &empty : {QVariantMap(), QVariantMap{{"Tokens", "not a list"}}})
        EXPECT_TRUE(MCBatchRenameSettings::settingsWithDictionary(empty).tokens().isEmpty());
    EXPECT_EQ(MCBatchRenameSettings().dictionaryRepresentation().value("Tokens").toList().size(), 0);
}

TEST(DateQuillon, PatternTables)
{
    EXPECT_EQ(MCDateQuillon::dateFormats().size(), 16);
    EXPECT_EQ(MCDateQuillon::timeFormats().size(), 13);
    EXPECT_EQ(MCDateQuillon::dateFormats()[1], "MMMM dd, yyyy");
    EXPECT_EQ(MCDateQuillon::dateFormats()[15], "EEE");
    EXPECT_EQ(MCDateQuillon::timeFormats()[12], "hh-mm a");
    EXPECT_TRUE(MCDateQuillon::dateFormats()[0].isEmpty());
    EXPECT_TRUE(MCDateQuillon::timeFormats()[0].isEmpty());
    EXPECT_EQ(&MCDateQuillon::dateFormats(), &MCDateQuillon::dateFormats());

    struct Case
    {
        quint64 date, time;
        const char *pattern;
    } cases[] = {
        {5, 1, "yyyy-MM-dd HH:mm:ss"}, {0, 3, "HH:mm"}, {8, 0, "yyyy"}, {0, 0, ""},
        {14, 10, "EEEE hh-mm-ss a"},   {16, 13, ""},   {16, 2, "hh:mm:ss a"}, {~quint64(0), 0, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCDateQuillon::stringFromDateFormat(c.date, c.time), QString(c.pattern)) << c.date << " " << c.time;
}
