#include "halvard/system/MCDataExtensions.h"
#include "halvard/system/MCDateExtensions.h"
#include "halvard/system/MCFileManagerExtensions.h"
#include "halvard/system/MCIndexPath.h"
#include "halvard/system/MCNumberExtensions.h"
#include "halvard/system/MCStringExtensions.h"

#include "tests/support/TestSupport.h"

#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

using namespace MCStringExtensions;

namespace {

QDateTime local(int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime); }

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

// MARK: - Dates

TEST(DateExtensions, ParsesExifAndISO8601AsLocalWallClock)
{
    const QDateTime expected = local(2019, 7, 14, 9, 30, 5);
    struct Case { QString text; bool exif; bool valid; };
    const Case cases[] = {
        {QStringLiteral("2019:07:14 09:30:05"), true, true},
        {QStringLiteral("2019:07:14   09:30:05.123"), true, true}, // any white-space run, fraction ignored
        {QStringLiteral("2019:07:14\t\n09:30:05"), true, true},
        {QStringLiteral("2019: 7: 14 9:30:5"), true, true},         // numbers may be preceded by blanks
        {QStringLiteral("2019-07-14T09:30:05Z"), false, true},     // the zone letter is ignored
        {QStringLiteral("2019-07-14T09:30:05+02:00"), false, true},
        {QStringLiteral("2019:07:14"), true, false},               // too few numbers
        {QStringLiteral(""), true, false},
        {QString(), false, false},
        {QStringLiteral("2019-07-14 09:30:05"), false, false},     // ISO needs the T
        {QStringLiteral("2019/07/14 09:30:05"), true, false},
    };
    for (const Case &c : cases) {
        const QDateTime parsed = c.exif ? MCDateExtensions::dateFromExifString(c.text)
                                        : MCDateExtensions::dateFromISO8601String(c.text);
        EXPECT_EQ(parsed.isValid(), c.valid) << c.text.toStdString();
        if (c.valid) {
            EXPECT_EQ(parsed, expected) << c.text.toStdString();
        }
    }
}

TEST(DateExtensions, UnknownAndOutOfRangeFieldsReadAsNoDate)
{
    // Cameras write zeros for "no date"; impossible fields must not roll over into another day.
    for (const char *text : {"0000:00:00 00:00:00", "2019:00:14 09:30:05", "2019:07:00 09:30:05",
                             "2019:13:01 09:30:05", "2019:02:30 09:30:05", "2019:07:14 24:00:00",
                             "2019:07:14 09:60:00", "2019:07:14 09:30:61", "-2019:07:14 09:30:05"}) {
        EXPECT_FALSE(MCDateExtensions::dateFromExifString(QString::fromLatin1(text)).isValid()) << text;
    }
    EXPECT_TRUE(MCDateExtensions::dateFromExifString(QStringLiteral("2020:02:29 23:59:59")).isValid());
}

TEST(DateExtensions, ExifStringIsLocalPosixAndRoundTrips)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); // non-ASCII digits
    const QDateTime date = local(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(MCDateExtensions::exifString(date), QStringLiteral("2024:03:05 14:07:09"));
    EXPECT_EQ(MCDateExtensions::exifString(date.toUTC()), QStringLiteral("2024:03:05 14:07:09"));
    QLocale::setDefault(saved);
    EXPECT_TRUE(MCDateExtensions::exifString(QDateTime()).isNull());
    EXPECT_EQ(MCDateExtensions::dateFromExifString(MCDateExtensions::exifString(date)), date);

    // Formatting from several threads at once gives the same text everywhere.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                if (MCDateExtensions::exifString(date) != QLatin1String("2024:03:05 14:07:09"))
                    ++wrong;
        });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(DateExtensions, NilSafeComparisonsAndTolerances)
{
    const QDateTime a = local(2020, 1, 1, 12, 0, 0), b = a.addSecs(2), none;
    EXPECT_EQ(MCDateExtensions::compareDate(none, none), 0);
    EXPECT_EQ(MCDateExtensions::compareDate(none, a), -1);
    EXPECT_EQ(MCDateExtensions::compareDate(a, none), 1);
    EXPECT_EQ(MCDateExtensions::compareDate(a, b), -1);
    EXPECT_EQ(MCDateExtensions::compareDate(b, a), 1);
    EXPECT_EQ(MCDateExtensions::compareDate(a, b, 2.0), 0);
    EXPECT_EQ(MCDateExtensions::compareDate(a, b, 1.5), -1);
    EXPECT_EQ(MCDateExtensions::compareDate(b, a, 1.5), 1);
    EXPECT_TRUE(MCDateExtensions::isEqualDate(none, none));
    EXPECT_FALSE(MCDateExtensions::isEqualDate(a, none));
    EXPECT_TRUE(MCDateExtensions::isEqualDate(a, a.toUTC()));
    EXPECT_TRUE(MCDateExtensions::isDate(a, b, 2.0));
    EXPECT_FALSE(MCDateExtensions::isDate(a, b, 1.9));
    EXPECT_FALSE(MCDateExtensions::isDate(a, none, 1e9));
}

TEST(CalendarExtensions, ConvertsWallClockBetweenZones)
{
    const QTimeZone berlin("Europe/Berlin"), tokyo("Asia/Tokyo");
    ASSERT_TRUE(berlin.isValid() && tokyo.isValid());
    const QDateTime noonInBerlin(QDate(2024, 7, 1), QTime(12, 0), berlin);
    const QDateTime converted = MCCalendarExtensions::convertDate(noonInBerlin, berlin, tokyo);
    EXPECT_EQ(converted.toTimeZone(tokyo).time(), QTime(12, 0));
    EXPECT_EQ(converted.toTimeZone(tokyo).date(), QDate(2024, 7, 1));
    EXPECT_EQ(noonInBerlin.secsTo(converted), -7 * 3600);
    EXPECT_EQ(MCCalendarExtensions::convertDate(noonInBerlin, tokyo, tokyo), noonInBerlin);
    EXPECT_FALSE(MCCalendarExtensions::convertDate(QDateTime(), berlin, tokyo).isValid());
    EXPECT_FALSE(MCCalendarExtensions::convertDate(noonInBerlin, QTimeZone(), tokyo).isValid());

    const QDateTime there = MCCalendarExtensions::convertDateToTimeZone(local(2024, 7, 1, 8, 15, 0), tokyo);
    EXPECT_EQ(there.toTimeZone(tokyo).time(), QTime(8, 15));
    EXPECT_EQ(MCCalendarExtensions::convertDateFromTimeZone(there, tokyo).toLocalTime().time(), QTime(8, 15));
}

// MARK: - Numbers

TEST(NumberExtensions, NilSafeOrderToleranceAndMinMax)
{
    const QVariant none;
    EXPECT_EQ(MCNumberExtensions::compareNumber(none, none), 0);
    EXPECT_EQ(MCNumberExtensions::compareNumber(none, 1), -1);
    EXPECT_EQ(MCNumberExtensions::compareNumber(1, none), 1);
    EXPECT_EQ(MCNumberExtensions::compareNumber(2, 2.5), -1);
    EXPECT_EQ(MCNumberExtensions::compareNumber(QVariant::fromValue<quint64>(~0ull), QVariant::fromValue<qint64>(-1)), 1);
    // Integers beyond double precision still compare exactly.
    EXPECT_EQ(MCNumberExtensions::compareNumber(QVariant::fromValue<qint64>((1ll << 53) + 1),
                                                QVariant::fromValue<qint64>(1ll << 53)),
              1);
    EXPECT_EQ(MCNumberExtensions::compareNumber(1.0, 1.05, 0.1), 0);
    EXPECT_EQ(MCNumberExtensions::compareNumber(1.0, 1.05, 0.01), -1);
    EXPECT_EQ(MCNumberExtensions::compareNumber(1.05, 1.0, 0.01), 1);
    EXPECT_TRUE(MCNumberExtensions::isEqualNumber(3, 3.0));
    EXPECT_FALSE(MCNumberExtensions::isEqualNumber(3, none));

    // Ties keep the receiver (an int), not the argument (a double).
    EXPECT_EQ(MCNumberExtensions::minNumber(2, 2.0).typeId(), QMetaType::Int);
    EXPECT_EQ(MCNumberExtensions::maxNumber(2, 2.0).typeId(), QMetaType::Int);
    EXPECT_EQ(MCNumberExtensions::minNumber(5, 3).toInt(), 3);
    EXPECT_EQ(MCNumberExtensions::maxNumber(5, 7).toInt(), 7);
    EXPECT_THROW(MCNumberExtensions::minNumber(5, none), std::invalid_argument);

    const quint64 t0 = MCNumberExtensions::numberWithMachAbsoluteTime();
    QThread::msleep(2);
    EXPECT_GE(MCNumberExtensions::numberWithMachAbsoluteTime() - t0, 1000000u);
}

TEST(NumberExtensions, BestFractionForDecimal)
{
    struct Case { double value; qint64 largest; qint64 num; qint64 den; };
    const Case cases[] = {
        {0.333, 100, 1, 3},      {3.14159, 10, 22, 7},   {3.14159, 1000, 355, 113},
        {-0.5, 10, -1, 2},       {2.0, 10, 2, 1},        {0.0, 10, 0, 1},
        {0.75, 100, 3, 4},       {1.0 / 3.0, 2, 1, 2},   {2.7, 1, 2, 1},
        {-2.7, 0, -2, 1},        {0.6666, 10, 2, 3},     {1.0 / 125.0, 1000, 1, 125}, // an exposure time
        {0.9, 10, 9, 10},        {0.4, 100, 2, 5},       {-1e-9, 100, 0, 1},
    };
    for (const Case &c : cases) {
        qint64 num = 99, den = 99;
        MCNumberExtensions::getFractionForDenominator(c.value, c.largest, &num, &den);
        EXPECT_EQ(num, c.num) << c.value << " / " << c.largest;
        EXPECT_EQ(den, c.den) << c.value << " / " << c.largest;
    }
    qint64 num = 5, den = 5;
    MCNumberExtensions::getFractionForDenominator(std::nan(""), 100, &num, &den);
    EXPECT_EQ(den, 1);
    MCNumberExtensions::getFractionForDenominator(1e300, 100, &num, &den); // no overflow, no hang
    EXPECT_GT(den, 0);
}

// MARK: - Strings and paths

TEST(StringExtensions, NilSafeComparisonWithOptions)
{
    const QString none;
    EXPECT_EQ(compareString(none, none), 0);
    EXPECT_EQ(compareString(none, QStringLiteral("")), -1);
    EXPECT_EQ(compareString(QStringLiteral("a"), none), 1);
    EXPECT_EQ(compareString(QStringLiteral("a"), QStringLiteral("b")), -1);
    EXPECT_EQ(compareString(QStringLiteral("B"), QStringLiteral("a")), -1);
    EXPECT_EQ(compareString(QStringLiteral("B"), QStringLiteral("a"), CaseInsensitiveSearch), 1);
    EXPECT_EQ(compareString(QStringLiteral("file 9"), QStringLiteral("file 10")), 1);
    EXPECT_EQ(compareString(QStringLiteral("file 9"), QStringLiteral("file 10"), NumericSearch), -1);
    EXPECT_EQ(compareString(QStringLiteral("File 10"), QStringLiteral("file 9"), NumericSearch | CaseInsensitiveSearch), 1);
    EXPECT_EQ(compareString(QStringLiteral("x007"), QStringLiteral("x7"), NumericSearch), 1);
    EXPECT_EQ(compareString(QStringLiteral("café"), QStringLiteral("cafe"), DiacriticInsensitiveSearch), 0);

    EXPECT_TRUE(isEqualString(none, none));
    EXPECT_FALSE(isEqualString(none, QStringLiteral("")));
    EXPECT_TRUE(isEqualString(QStringLiteral("Abc"), QStringLiteral("aBC"), CaseInsensitiveSearch));
    EXPECT_FALSE(isEqualString(QStringLiteral("Abc"), QStringLiteral("aBC")));
}

TEST(StringExtensions, DescendantOfPath)
{
    struct Case { const char *path; const char *ancestor; bool below; };
    const Case cases[] = {
        {"/a/b", "/a/b", true},   {"/a/b", "/a/b/", true}, {"/a/b", "/a", true},   {"/a/b", "/a/", true},
        {"/a/b/c", "/a/b", true}, {"/a/b", "/", true},     {"/a/bc", "/a/b", false}, {"/a", "/a/b", false},
        {"/A/b", "/a", false},    {"", "/a", false},       {"/a", "", false},      {"/a/b", "/a/b//", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isDescendantOfPath(QString::fromLatin1(c.path), QString::fromLatin1(c.ancestor)), c.below)
            << c.path << " under " << c.ancestor;
}

TEST(StringExtensions, CommonPathFoldsOverEveryPath)
{
    struct Case { QStringList paths; QString common; };
    const Case cases[] = {
        {{}, QString()},
        {{QStringLiteral("/Users/a/x.jpg")}, QStringLiteral("/Users/a/x.jpg")},
        {{QStringLiteral("/p/a/1.jpg"), QStringLiteral("/p/a/2.jpg")}, QStringLiteral("/p/a")},
        // The smallest and greatest paths share /p/a/x, but the middle one leaves it.
        {{QStringLiteral("/p/a/x/1"), QStringLiteral("/p/a/y/2"), QStringLiteral("/p/a/x/3")}, QStringLiteral("/p/a")},
        // Components, not characters: /p/ab and /p/ac share /p.
        {{QStringLiteral("/p/ab"), QStringLiteral("/p/ac")}, QStringLiteral("/p")},
        // Case matters on this file system.
        {{QStringLiteral("/Users/a/x"), QStringLiteral("/users/A/y")}, QStringLiteral("/")},
        {{QStringLiteral("/p//a/1"), QStringLiteral("/p/a/2/")}, QStringLiteral("/p/a")},
        {{QStringLiteral("rel/a"), QStringLiteral("/rel/a")}, QString()},
        {{QStringLiteral("rel/a/1"), QStringLiteral("rel/a/2")}, QStringLiteral("rel/a")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(commonPathForPaths(c.paths), c.common) << c.paths.join(QLatin1Char(',')).toStdString();
}

TEST(StringExtensions, PathFromDate)
{
    EXPECT_EQ(pathFromDate(local(2024, 3, 5, 23, 30, 0), QStringLiteral("n.jpg")), QStringLiteral("2024/3/5/n.jpg"));
    EXPECT_EQ(pathFromDate(local(1999, 12, 31, 0, 0, 0), QStringLiteral("%1")), QStringLiteral("1999/12/31/%1"));
}

TEST(FileManagerExtensions, UniqueFilePath)
{
    const QDir dir(testsupport::makeTemporaryFolder());
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    EXPECT_EQ(MCFileManagerExtensions::uniqueFilePathForPath(photo), photo);
    touch(photo);
    EXPECT_EQ(MCFileManagerExtensions::uniqueFilePathForPath(photo), dir.filePath(QStringLiteral("photo 2.jpg")));
    touch(dir.filePath(QStringLiteral("photo 2.jpg")));
    // A dangling link occupies its name as much as a file does.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("photo 3.jpg"))));
    EXPECT_EQ(MCFileManagerExtensions::uniqueFilePathForPath(photo), dir.filePath(QStringLiteral("photo 4.jpg")));

    struct Case { const char *existing; const char *expected; };
    for (const Case &c : {Case{"README", "README 2"}, Case{".profile", ".profile 2"},
                          Case{"a.tar.gz", "a.tar 2.gz"}, Case{"%2 odd.jpg", "%2 odd 2.jpg"}}) {
        const QString path = dir.filePath(QString::fromLatin1(c.existing));
        touch(path);
        EXPECT_EQ(MCFileManagerExtensions::uniqueFilePathForPath(path), dir.filePath(QString::fromLatin1(c.expected)));
    }
    const QString folder = dir.filePath(QStringLiteral("album.d"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(MCFileManagerExtensions::uniqueFilePathForPath(folder + QLatin1Char('/')), dir.filePath(QStringLiteral("album 2.d")));
}

TEST(FileManagerExtensions, MountedVolume)
{
    EXPECT_TRUE(MCFileManagerExtensions::isMountedVolumeOfItemAtPath(testsupport::temporaryRoot()));
    EXPECT_FALSE(MCFileManagerExtensions::isMountedVolumeOfItemAtPath(QString()));
    EXPECT_FALSE(MCFileManagerExtensions::isMountedVolumeOfItemAtPath(testsupport::temporaryRoot() + QStringLiteral("/missing/x")));
}

// MARK: - Data, archives, index paths

TEST(DataExtensions, OrderAndEquality)
{
    const QByteArray none, a("\x01\x02", 2), b("\x01\x03", 2), a0("\x01\x02\x00", 3), high("\xff", 1), low("\x7f", 1);
    EXPECT_EQ(MCDataExtensions::compareToData(a, b), -1);
    EXPECT_EQ(MCDataExtensions::compareToData(a, a0), -1);
    EXPECT_EQ(MCDataExtensions::compareToData(a0, a), 1);
    EXPECT_EQ(MCDataExtensions::compareToData(high, low), 1); // bytes are unsigned
    EXPECT_EQ(MCDataExtensions::compareToData(a, QByteArray("\x01\x02", 2)), 0);
    EXPECT_EQ(MCDataExtensions::compareToData(a, none), 1);
    EXPECT_EQ(MCDataExtensions::compareToData(QByteArray(""), a), -1);
    EXPECT_EQ(MCDataExtensions::compareData(none, none), 0);
    EXPECT_EQ(MCDataExtensions::compareData(none, a), -1);
    EXPECT_TRUE(MCDataExtensions::isEqualData(none, none));
    EXPECT_FALSE(MCDataExtensions::isEqualData(none, QByteArray("")));
    EXPECT_TRUE(MCDataExtensions::isEqualData(a, QByteArray("\x01\x02", 2)));
}

TEST(KeyedArchive, RoundTripsAndRejectsMalformedData)
{
    const QColor colour = QColor::fromRgbF(0.25f, 0.5f, 0.75f, 0.5f);
    const QVariantList values{QVariant(colour), QVariant(42), QVariant(QStringLiteral("text")),
                              QVariant(QVariantMap{{QStringLiteral("k"), QVariantList{1, 2.5}}})};
    for (const QVariant &value : values) {
        const QByteArray data = MCKeyedArchiver::archivedRootObject(value);
        EXPECT_EQ(MCKeyedUnarchiver::unarchivedRootObject(data), value) << value.typeName();
    }
    const QByteArray good = MCKeyedArchiver::archivedRootObject(QVariant(colour));
    QByteArray foreignType = good;
    foreignType[7] = char(0x7f); // an unknown type id in the stream
    QByteArray wrongVersion = good;
    wrongVersion[4] = 2;
    for (const QByteArray &bad : {QByteArray(), QByteArray("MCAR"), good.left(good.size() - 1), good + '\0',
                                  QByteArray("bplist00junk"), wrongVersion, foreignType}) {
        EXPECT_FALSE(MCKeyedUnarchiver::unarchivedRootObject(bad).isValid()) << bad.toHex().toStdString();
    }
}

namespace {

// An archive header followed by `body`, written in the archiver's stream form.
template<typename Write>
QByteArray handMadeArchive(Write body)
{
    QByteArray data("MCAR\x01", 5);
    QDataStream stream(&data, QIODevice::Append);
    stream.setVersion(QDataStream::Qt_6_0);
    body(stream);
    return data;
}

// `depth` lists, each holding the next, around one integer.
QByteArray nestedLists(int depth)
{
    return handMadeArchive([depth](QDataStream &stream) {
        for (int i = 0; i < depth; ++i)
            stream << quint32(QMetaType::QVariantList) << qint8(0) << quint32(1);
        stream << QVariant(7);
    });
}

} // namespace

TEST(KeyedArchive, RoundTripsEveryStoredType)
{
    const QVariantList values{
        QVariant(true), QVariant(-5), QVariant(5u), QVariant(qlonglong(-1) << 40), QVariant(qulonglong(1) << 63),
        QVariant(0.1), QVariant(1.5f), QVariant(QString::fromUtf8("grün ✓")), QVariant(QString()),
        QVariant(QByteArray("\x00\xff", 2)), QVariant(QColor(Qt::red)), QVariant(QColor::fromHsvF(0.5f, 0.25f, 0.75f)),
        QVariant(QPointF(1.5, -2)), QVariant(QSizeF(3, 4)), QVariant(QRectF(1, 2, 3, 4)), QVariant(QVariantList()),
        QVariant(QVariantList{QPointF(0, 0), QPointF(255, 255)}),
        QVariant(QVariantMap{{QStringLiteral("a"), QVariantMap{{QStringLiteral("b"), QVariantList{1, QColor(Qt::blue)}}}}}),
    };
    for (const QVariant &value : values) {
        const QVariant read = MCKeyedUnarchiver::unarchivedRootObject(MCKeyedArchiver::archivedRootObject(value));
        EXPECT_EQ(read.typeId(), value.typeId()) << value.typeName();
        EXPECT_EQ(read, value) << value.typeName();
    }
}

TEST(KeyedArchive, RefusesHostileArchives)
{
    EXPECT_TRUE(MCKeyedUnarchiver::unarchivedRootObject(nestedLists(16)).isValid());
    const QByteArray hugeCount = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QVariantList) << qint8(0) << quint32(0xfffffff0u) << QVariant(1);
    });
    const QByteArray hugeMap = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QVariantMap) << qint8(0) << quint32(0x10000000u);
    });
    const QByteArray hugeText = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QString) << qint8(0) << quint32(0x7ffffffeu) << quint16('a');
    });
    const QByteArray hugeData = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QByteArray) << qint8(0) << quint32(0xfffffffeu) << quint8('a');
    });
    const QByteArray oddText = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QString) << qint8(0) << quint32(1) << quint8('a');
    });
    const QByteArray userType = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::User) << qint8(0) << QByteArray("QList<QPointF>") << quint32(0);
    });
    const QByteArray nanColour = handMadeArchive([](QDataStream &stream) {
        stream << quint32(QMetaType::QColor) << qint8(0) << qint8(QColor::ExtendedRgb) << quint16(0x3c00)
               << quint16(0x7e00) << quint16(0) << quint16(0) << quint16(0); // red is a half-float NaN
    });
    const struct
    {
        const char *what;
        QByteArray data;
    } cases[] = {
        {"a colour with a NaN component", nanColour},
        {"40,000 nested lists", nestedLists(40000)},
        {"one level too deep", nestedLists(17)},
        {"list count beyond the data", hugeCount},
        {"map count beyond the data", hugeMap},
        {"text length beyond the data", hugeText},
        {"byte length beyond the data", hugeData},
        {"odd text length", oddText},
        {"a named type", userType},
        {"a URL", MCKeyedArchiver::archivedRootObject(QUrl(QStringLiteral("file:///etc/passwd")))},
        {"a URL in a list", MCKeyedArchiver::archivedRootObject(QVariantList{1, QUrl(QStringLiteral("a"))})},
        {"a string list", MCKeyedArchiver::archivedRootObject(QStringList{QStringLiteral("a")})},
        {"a date", MCKeyedArchiver::archivedRootObject(QDateTime::currentDateTimeUtc())},
    };
    for (const auto &[what, data] : cases)
        EXPECT_FALSE(MCKeyedUnarchiver::unarchivedRootObject(data).isValid()) << what;
}

TEST(IndexPath, GroupItemPathsAndOrder)
{
    const MCIndexPath path = MCIndexPath::indexPathForItem(7, 2);
    EXPECT_EQ(path.length(), 2);
    EXPECT_EQ(path.groupIndex(), 2u);
    EXPECT_EQ(path.itemIndex(), 7u);
    EXPECT_LT(MCIndexPath::indexPathForItem(9, 1), path);
    EXPECT_LT(path, MCIndexPath::indexPathForItem(8, 2));
    EXPECT_LT(MCIndexPath({2}), path);
    EXPECT_EQ(path, MCIndexPath({2, 7}));
    EXPECT_EQ(qHash(path), qHash(MCIndexPath({2, 7})));
    EXPECT_THROW(MCIndexPath({2}).itemIndex(), std::out_of_range);
}
