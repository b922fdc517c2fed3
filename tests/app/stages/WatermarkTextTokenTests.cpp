// The watermark text tokens: names, stored form, and the text each kind gives for a photo.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCWatermarkTextToken.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/app/engine/watermark/WatermarkTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace MCWatermarkText;

MCWatermarkTextToken token(quint64 kind, const QVariantMap &settings = {})
{
    return MCWatermarkTextToken::itemWithKind(kind, settings);
}

QString textOf(const QVariantList &elements, const QVariantMap &metadata = {}, const MCFile *file = nullptr,
               const MCBitmap *bitmap = nullptr)
{
    return compoundText(elements, bitmap, metadata, file);
}

QString textOf(const MCWatermarkTextToken &t, const QVariantMap &metadata = {}, const MCFile *file = nullptr)
{
    return textOf(QVariantList{element(t)}, metadata, file);
}

std::shared_ptr<MCFile> fileAt(const QString &path)
{
    auto file = MCFile::fileWithID(7);
    file->setFilePath(path);
    return file;
}

QVariantMap sub(const QString &dictionary, const QString &key, const QVariant &value)
{
    return {{dictionary, QVariantMap{{key, value}}}};
}

QDateTime local(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
}

} // namespace

TEST(WatermarkTextToken, DisplayNamesByKindAndDatePattern)
{
    const char *names[] = {"<Capture Date>",  "<Current Date>",  "<Image Width>",  "<Image Height>", "<Image DPI>",
                           "<Color Profile>", "<Camera Maker>",  "<Camera Model>", "<Lens Model>",   "<Keywords>",
                           "<Copyright>",     "<Owner>",         "<File Name>",    "<Original Name>",
                           "<Original Folder>", "<IPTC Title>",  "<IPTC Caption>", "<IPTC City>",    "<IPTC Country>",
                           "<IPTC Province>", "<IPTC Location>"};
    for (quint64 kind = 1; kind <= 21; ++kind)
        EXPECT_EQ(token(kind).displayTokenName(), QString::fromLatin1(names[kind - 1])) << kind;
    EXPECT_EQ(token(0).displayTokenName(), QString());
    EXPECT_EQ(token(22).displayTokenName(), QString());
    EXPECT_EQ(token(22, {{"CaseKind", 1}}).displayTokenName(), QString());

    // Kinds 1 and 2 with settings show their pattern; other kinds keep their fixed name.
    EXPECT_EQ(token(1, {{"DateFormatID", 5}, {"TimeFormatID", 0}}).displayTokenName(),
              QStringLiteral("<Capture Date:yyyy-MM-dd>"));
    EXPECT_EQ(token(2, {{"DateFormatID", 1}, {"TimeFormatID", 3}}).displayTokenName(),
              QStringLiteral("<Current Date:MMMM dd, yyyy HH:mm>"));
    EXPECT_EQ(token(1, {{"TimeFormatID", 10}}).displayTokenName(), QStringLiteral("<Capture Date:hh-mm-ss a>"));
    EXPECT_EQ(token(14, {{"CaseKind", 1}}).displayTokenName(), QStringLiteral("<Original Name>"));
    EXPECT_FALSE(token(3).hasSettings());
    EXPECT_TRUE(token(3, {{"CaseKind", 0}}).hasSettings());
}

TEST(WatermarkTextToken, CopiesOwnTheirSettingsAndCompareByKindAndSettings)
{
    const MCWatermarkTextToken first = token(14, {{"CaseKind", 1}});
    EXPECT_EQ(first, token(14, {{"CaseKind", 1}}));
    EXPECT_FALSE(first == token(13, {{"CaseKind", 1}}));
    EXPECT_FALSE(first == token(14, {{"CaseKind", 2}}));
    MCWatermarkTextToken copy = first;
    EXPECT_EQ(copy, first);
    copy.settings().insert("CaseKind", 2);
    EXPECT_EQ(first.integerSetting("CaseKind"), 1);
    EXPECT_FALSE(copy == first);

    // Inside QVariant lists the comparison is the tokens' own.
    EXPECT_EQ(QVariantList({element(first)}), QVariantList({element(token(14, {{"CaseKind", 1}}))}));
    EXPECT_NE(QVariantList({element(first)}), QVariantList({element(copy)}));
}

TEST(WatermarkTextToken, StoredListReadsBackAsStringsAndTokens)
{
    const QVariantList stored = {QStringLiteral("Photo: "),
                                 QVariantMap{{"kind", 14}, {"settings", QVariantMap{{"CaseKind", 1}}}}};
    const QVariantList elements = elementsFromStored(stored);
    ASSERT_EQ(elements.size(), 2);
    EXPECT_EQ(elements[0].toString(), QStringLiteral("Photo: "));
    const MCWatermarkTextToken *t = tokenInElement(elements[1]);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind(), 14u);
    const auto file = fileAt("/p/img_7.jpg");
    EXPECT_EQ(textOf(elements, {}, file.get()), QStringLiteral("Photo: IMG_7"));

    // Writing gives the dictionaries again; a token without settings reads as empty settings.
    const QVariantList again = storedElements(elements);
    EXPECT_EQ(again[0], stored[0]);
    EXPECT_EQ(MCWatermarkTextToken::itemWithDictionary(again[1].toMap()), *t);
    EXPECT_EQ(again[1].toMap().value("kind").toLongLong(), 14);
    const MCWatermarkTextToken bare = MCWatermarkTextToken::itemWithDictionary({{"kind", 3}});
    EXPECT_EQ(bare.kind(), 3u);
    EXPECT_FALSE(bare.hasSettings());
    EXPECT_EQ(MCWatermarkTextToken::itemWithDictionary({{"kind", "junk"}}).kind(), 0u);
}

TEST(WatermarkTextToken, EachKindReadsItsEntry)
{
    const QVariantMap metadata = {
        {kCGImagePropertyProfileName, "Display P3"},
        {kCGImagePropertyTIFFDictionary,
         QVariantMap{{kCGImagePropertyTIFFMake, "Quillon Optics"}, {kCGImagePropertyTIFFModel, "Q-1"},
                     {kCGImagePropertyTIFFXResolution, 299.9}, {kCGImagePropertyTIFFArtist, "Tiff Artist"},
                     {kCGImagePropertyTIFFCopyright, "Tiff Copyright"}}},
        {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifLensModel, "50mm f/1.8"}}},
        {kCGImagePropertyExifAuxDictionary, QVariantMap{{kCGImagePropertyExifAuxOwnerName, "Aux Owner"}}},
        {kCGImagePropertyIPTCDictionary,
         QVariantMap{{kCGImagePropertyIPTCObjectName, "Title"},
                     {kCGImagePropertyIPTCCaptionAbstract, "Caption"},
                     {kCGImagePropertyIPTCCity, "new york"},
                     {kCGImagePropertyIPTCCountryPrimaryLocationName, "Country"},
                     {kCGImagePropertyIPTCProvinceState, "Province"},
                     {kCGImagePropertyIPTCSubLocation, "Location"},
                     {kCGImagePropertyIPTCCopyrightNotice, "IPTC Copyright"},
                     {kCGImagePropertyIPTCKeywords, QVariantList{"sea", "sand"}}}},
        {kMCQuillonDictionaryKey, QVariantMap{{kMCQuillonFilenameKey, "Out_0012.tiff"}}},
    };
    const auto file = fileAt("/photos/Holiday 2026/IMG_0042.jpg");
    struct Case
    {
        quint64 kind;
        const char *text;
    };
    const Case cases[] = {
        {5, "299"},           {6, "Display P3"}, {7, "Quillon Optics"}, {8, "Q-1"},          {9, "50mm f/1.8"},
        {10, "sea, sand"},    {11, "IPTC Copyright"}, {12, "Aux Owner"}, {13, "Out_0012"},   {14, "IMG_0042"},
        {15, "Holiday 2026"}, {16, "Title"},      {17, "Caption"},       {18, "new york"},   {19, "Country"},
        {20, "Province"},     {21, "Location"},   {0, ""},               {22, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(textOf(token(c.kind), metadata, file.get()), QString::fromUtf8(c.text)) << c.kind;

    // The copyright and owner fall back in order; a missing sub-dictionary is a missing entry.
    QVariantMap fewer = metadata;
    fewer.remove(kCGImagePropertyIPTCDictionary);
    fewer.remove(kCGImagePropertyExifAuxDictionary);
    EXPECT_EQ(textOf(token(11), fewer), QStringLiteral("Tiff Copyright"));
    EXPECT_EQ(textOf(token(12), fewer), QStringLiteral("Tiff Artist"));
    const QVariantMap png = {{kCGImagePropertyPNGDictionary, QVariantMap{{kCGImagePropertyPNGCopyright, "PNG (c)"},
                                                                         {kCGImagePropertyPNGAuthor, "PNG Author"}}}};
    EXPECT_EQ(textOf(token(11), png), QStringLiteral("PNG (c)"));
    EXPECT_EQ(textOf(token(12), png), QStringLiteral("PNG Author"));
    for (quint64 kind : {6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21})
        EXPECT_EQ(textOf(token(kind), {}), QString()) << kind;

    // Without a profile name in the dictionary the file's own is used.
    file->fileInfo().reloadAllPropertiesFromImageInfo({{kCGImagePropertyProfileName, "Adobe RGB (1998)"}});
    EXPECT_EQ(textOf(token(6), {}, file.get()), QStringLiteral("Adobe RGB (1998)"));
}

TEST(WatermarkTextToken, ResolutionPrintsItsWholePart)
{
    const auto dpi = [](const QVariant &value) {
        return textOf(token(5, {{"CaseKind", 1}}), sub(kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFXResolution, value));
    };
    EXPECT_EQ(textOf(token(5), {}), QStringLiteral("72"));
    EXPECT_EQ(textOf(token(5), {{kCGImagePropertyTIFFDictionary, QVariantMap()}}), QStringLiteral("72"));
    EXPECT_EQ(dpi(299.9), QStringLiteral("299"));
    EXPECT_EQ(dpi(300), QStringLiteral("300"));
    EXPECT_EQ(dpi(0), QString()); // precision 0 prints nothing for 0
    EXPECT_EQ(dpi(0.5), QString());
    EXPECT_EQ(dpi(-5), QString());
}

TEST(WatermarkTextToken, PixelSizeIsTheFullSizePhotosAndNeverCaseConverted)
{
    auto preview = watermarktest::plainBitmap(1000, 600);
    ASSERT_TRUE(preview);
    preview->setScaleX(0.5);
    preview->setScaleY(0.5);
    const QVariantList elements = {element(token(3, {{"CaseKind", 1}})), QStringLiteral(" x "),
                                   element(token(4, {{"CaseKind", 2}}))};
    EXPECT_EQ(textOf(elements, {}, nullptr, preview.get()), QStringLiteral("2000 x 1200"));
    // A scale that does not divide evenly rounds to the nearest pixel.
    preview->setScaleX(0.3);
    EXPECT_EQ(textOf({element(token(3))}, {}, nullptr, preview.get()), QStringLiteral("3333"));
    // No bitmap (a prediction without pixels): nothing.
    EXPECT_EQ(textOf({element(token(3))}), QString());
}

TEST(WatermarkTextToken, KeywordsJoinWithoutEmptyEntries)
{
    const auto keywords = [](const QVariant &value, const QVariantMap &settings = {}) {
        return textOf(token(10, settings), sub(kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCKeywords, value));
    };
    EXPECT_EQ(keywords(QVariantList{"sea", "sand"}), QStringLiteral("sea, sand"));
    EXPECT_EQ(keywords(QVariantList{"", "sea"}), QStringLiteral("sea"));
    EXPECT_EQ(keywords(QVariantList{"sea", "", "sand"}), QStringLiteral("sea, sand"));
    EXPECT_EQ(keywords(QVariantList{}), QString());
    EXPECT_EQ(keywords(QStringLiteral("one keyword")), QStringLiteral("one keyword"));
    EXPECT_EQ(keywords(QVariantList{"sea", "sand"}, {{"CaseKind", 1}}), QStringLiteral("SEA, SAND"));
}

TEST(WatermarkTextToken, FileNamesLoseTheirExtensionAndOptionallyTheirIndex)
{
    struct Case
    {
        const char *name;
        bool trims;
        const char *text;
    };
    const Case cases[] = {
        {"IMG_0042.jpg", true, "IMG_"},       {"IMG_0042_edit.jpg", true, "IMG_"}, {"Beach.jpg", true, "Beach"},
        {"IMG_0042.jpg", false, "IMG_0042"},  {"archive.tar.gz", false, "archive.tar"},
        {".hidden", false, ".hidden"},        {"0042.jpg", true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantMap settings = {{"FilenameTrimsIndex", c.trims}};
        const auto file = fileAt(QStringLiteral("/photos/") + QString::fromUtf8(c.name));
        EXPECT_EQ(textOf(token(14, settings), {}, file.get()), QString::fromUtf8(c.text));
        const QVariantMap written = {{kMCQuillonDictionaryKey, QVariantMap{{kMCQuillonFilenameKey, c.name}}}};
        EXPECT_EQ(textOf(token(13, settings), written), QString::fromUtf8(c.text));
    }
    // The preview's empty name adds nothing.
    EXPECT_EQ(textOf(token(13), {{kMCQuillonDictionaryKey, QVariantMap{{kMCQuillonFilenameKey, ""}}}}), QString());
}

TEST(WatermarkTextToken, CaseKindsApplyToTokensNotToLiterals)
{
    const QVariantMap city = sub(kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCity, "new york");
    EXPECT_EQ(textOf(token(18, {{"CaseKind", 1}}), city), QStringLiteral("NEW YORK"));
    EXPECT_EQ(textOf(token(18, {{"CaseKind", 2}}), city), QStringLiteral("new york"));
    EXPECT_EQ(textOf(token(18, {{"CaseKind", 3}}), city), QStringLiteral("New York"));
    EXPECT_EQ(textOf(token(18, {{"CaseKind", 4}}), city), QStringLiteral("new york"));
    EXPECT_EQ(textOf(token(18), city), QStringLiteral("new york"));
    const QVariantList mixed = {QStringLiteral("in "), element(token(18, {{"CaseKind", 1}})), QStringLiteral(" city")};
    EXPECT_EQ(textOf(mixed, city), QStringLiteral("in NEW YORK city"));
    EXPECT_EQ(textOf(QVariantList{}), QString());
    EXPECT_EQ(textOf(QVariantList{element(token(16)), element(token(17))}), QString());
}

TEST(WatermarkTextToken, CaptureDateFallsBackInOrder)
{
    const QVariantMap settings = {{"DateFormatID", 5}, {"TimeFormatID", 1}};
    const auto dated = [&](const char *original, const char *digitized, const char *tiff) {
        QVariantMap exif, tiffs;
        if (original)
            exif.insert(kCGImagePropertyExifDateTimeOriginal, original);
        if (digitized)
            exif.insert(kCGImagePropertyExifDateTimeDigitized, digitized);
        if (tiff)
            tiffs.insert(kCGImagePropertyTIFFDateTime, tiff);
        return QVariantMap{{kCGImagePropertyExifDictionary, exif}, {kCGImagePropertyTIFFDictionary, tiffs}};
    };
    const auto file = fileAt("/nowhere/photo.jpg"); // no creation date
    EXPECT_EQ(textOf(token(1, settings), dated("2020:01:02 03:04:05", "2021:01:01 00:00:00", nullptr), file.get()),
              QStringLiteral("2020-01-02 03:04:05"));
    EXPECT_EQ(textOf(token(1, settings), dated(nullptr, "2021:06:07 08:09:10", "2022:01:01 00:00:00"), file.get()),
              QStringLiteral("2021-06-07 08:09:10"));
    // A present entry that does not read as a date counts as missing.
    EXPECT_EQ(textOf(token(1, settings), dated("garbage", "0000:00:00 00:00:00", "2022:12:31 23:59:58"), file.get()),
              QStringLiteral("2022-12-31 23:59:58"));
    EXPECT_EQ(textOf(token(1, settings), {}, file.get()), QString());
    // Both pattern IDs 0: an empty pattern adds nothing.
    EXPECT_EQ(textOf(token(1), dated("2020:01:02 03:04:05", nullptr, nullptr)), QString());
    EXPECT_EQ(captureDate(dated(nullptr, nullptr, "2022:12:31 23:59:58"), nullptr), local(2022, 12, 31, 23, 59, 58));

    // Without any entry, the file's creation date where the file system keeps one.
    const QString path = QDir(testsupport::makeTemporaryFolder("created")).filePath("photo.jpg");
    QFile disk(path);
    ASSERT_TRUE(disk.open(QIODevice::WriteOnly));
    disk.write("x");
    disk.close();
    const auto onDisk = fileAt(path);
    onDisk->reloadFileInfo();
    if (!onDisk->fileCreationDate())
        GTEST_SKIP() << "this file system keeps no creation dates";
    EXPECT_EQ(textOf(token(1, {{"DateFormatID", 8}}), {}, onDisk.get()),
              onDisk->fileCreationDate()->toLocalTime().toString("yyyy"));
}

TEST(WatermarkTextToken, DatesAreDisplayTextInTheUsersLocale)
{
    const QDateTime date = local(2026, 12, 5, 15, 7, 9);
    const QVariantList elements = {element(token(2, {{"DateFormatID", 1}, {"TimeFormatID", 2}}))};
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString english = compoundText(elements, nullptr, {}, nullptr, date);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = compoundText(elements, nullptr, {}, nullptr, date);
    const QString weekday = stringFromDate(date, QStringLiteral("EEEE"));
    QLocale::setDefault(saved);
    EXPECT_EQ(english, QStringLiteral("December 05, 2026 03:07:09 PM"));
    EXPECT_TRUE(german.startsWith(QStringLiteral("Dezember 05, 2026 03:07:09"))) << german.toStdString();
    EXPECT_EQ(weekday, QStringLiteral("Samstag"));
    EXPECT_EQ(stringFromDate(date, QString()), QString());
    EXPECT_EQ(stringFromDate(QDateTime(), QStringLiteral("yyyy")), QString());
}

TEST(WatermarkTextToken, DatesFormatConsistentlyOnManyThreads)
{
    const QDateTime date = local(2024, 2, 29, 23, 1, 2);
    const QVariantList patterns[] = {
        {element(token(2, {{"DateFormatID", 5}, {"TimeFormatID", 1}}))},
        {element(token(2, {{"DateFormatID", 14}}))},
        {element(token(2, {{"DateFormatID", 9}, {"TimeFormatID", 4}}))},
    };
    QString expected[3];
    for (int i = 0; i < 3; ++i)
        expected[i] = compoundText(patterns[i], nullptr, {}, nullptr, date);
    EXPECT_EQ(expected[0], QStringLiteral("2024-02-29 23:01:02"));
    EXPECT_EQ(expected[2], QStringLiteral("24 11:01 PM"));
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 400; ++round) {
                const int i = (t + round) % 3;
                if (compoundText(patterns[i], nullptr, {}, nullptr, date) != expected[i])
                    ++mismatches;
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
