#include "platform/core/MCPropertyList.h"

#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPointF>
#include <QProcess>
#include <QStandardPaths>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <limits>

using namespace platform;

namespace {

// Same value and same type all the way down: QVariant's own == calls 1 and true equal.
::testing::AssertionResult same(const QVariant &a, const QVariant &b, const QString &where = QStringLiteral("root"))
{
    if (a.metaType() != b.metaType())
        return ::testing::AssertionFailure() << where.toStdString() << ": type " << a.metaType().name() << " vs "
                                             << b.metaType().name();
    if (a.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap(), y = b.toMap();
        if (x.keys() != y.keys())
            return ::testing::AssertionFailure() << where.toStdString() << ": keys differ";
        for (auto it = x.cbegin(); it != x.cend(); ++it) {
            auto r = same(it.value(), y.value(it.key()), where + QLatin1Char('.') + it.key());
            if (!r)
                return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (a.metaType().id() == QMetaType::QVariantList) {
        const QVariantList x = a.toList(), y = b.toList();
        if (x.size() != y.size())
            return ::testing::AssertionFailure() << where.toStdString() << ": sizes differ";
        for (qsizetype i = 0; i < x.size(); ++i) {
            auto r = same(x[i], y[i], where + QStringLiteral("[%1]").arg(i));
            if (!r)
                return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (a.metaType().id() == QMetaType::Double && std::isnan(a.toDouble()) && std::isnan(b.toDouble()))
        return ::testing::AssertionSuccess();
    if (a != b)
        return ::testing::AssertionFailure() << where.toStdString() << ": " << a.toString().toStdString() << " vs "
                                             << b.toString().toStdString();
    return ::testing::AssertionSuccess();
}

QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n" +
           body + "\n</plist>\n";
}

// Every kind of value, the awkward ones included.
QVariantMap sampleDictionary()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return {
        {QStringLiteral("string"), QStringLiteral("a & b < c > d \"e\" 'f' — ü 𝄞")},
        {QStringLiteral("lines"), QStringLiteral("one\r\ntwo\rthree\n\tfour  ")},
        {QStringLiteral("empty string"), QString(QLatin1String(""))},
        {QStringLiteral(""), QStringLiteral("empty key")},
        {QStringLiteral("int"), qint64(-42)},
        {QStringLiteral("int min"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("int max"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("uint max"), std::numeric_limits<quint64>::max()},
        {QStringLiteral("real"), 0.1},
        {QStringLiteral("real whole"), 3.0},
        {QStringLiteral("real tiny"), 4.9e-324},
        {QStringLiteral("real neg inf"), -std::numeric_limits<double>::infinity()},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("date"), QDateTime(QDate(2021, 2, 28), QTime(23, 59, 58), QTimeZone::utc())},
        {QStringLiteral("data"), bytes},
        {QStringLiteral("empty data"), QByteArray()},
        {QStringLiteral("empty array"), QVariantList()},
        {QStringLiteral("empty dict"), QVariantMap()},
        {QStringLiteral("nested"),
         QVariantList{QVariantMap{{QStringLiteral("stageID"), qint64(9)},
                                  {QStringLiteral("list"), QVariantList{QVariantList{qint64(1)}, QStringLiteral("x")}}},
                      QVariantList()}},
    };
}

bool plistutilAvailable() { return !QStandardPaths::findExecutable(QStringLiteral("plistutil")).isEmpty(); }

bool runPlistutil(const QString &in, const QString &out, const QString &format)
{
    QProcess process;
    process.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), in, QStringLiteral("-o"), out,
                                                QStringLiteral("-f"), format});
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A folder whose contents this process cannot change (chmod has no effect for root, so the
// caller checks the answer).
bool makeReadOnly(const QString &folder)
{
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}

} // namespace

TEST(PropertyList, RoundTripsEveryKindOfValue)
{
    const QVariantMap original = sampleDictionary();
    MCError error;
    const QByteArray data = dataFromPropertyList(original, &error);
    ASSERT_FALSE(data.isEmpty()) << error.toString().toStdString();
    const QVariant back = propertyListFromData(data, &error);
    ASSERT_TRUE(back.isValid()) << error.toString().toStdString();
    EXPECT_TRUE(same(back, original));

    // NaN and positive infinity do not compare in maps; check them on their own.
    const QVariant specials = propertyListFromData(
        dataFromPropertyList(QVariantList{std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity()}));
    ASSERT_EQ(specials.toList().size(), 2);
    EXPECT_TRUE(std::isnan(specials.toList()[0].toDouble()));
    EXPECT_EQ(specials.toList()[1].toDouble(), std::numeric_limits<double>::infinity());

    // Other Qt types a caller may hand in come back as the canonical ones.
    const QVariant converted = propertyListFromData(dataFromPropertyList(QVariantHash{
        {QStringLiteral("i"), int(7)}, {QStringLiteral("u"), uint(8)}, {QStringLiteral("f"), 0.5f},
        {QStringLiteral("sl"), QStringList{QStringLiteral("a"), QStringLiteral("b")}}}));
    EXPECT_TRUE(same(converted, QVariantMap{{QStringLiteral("i"), qint64(7)},
                                            {QStringLiteral("u"), qint64(8)},
                                            {QStringLiteral("f"), 0.5},
                                            {QStringLiteral("sl"), QVariantList{QStringLiteral("a"), QStringLiteral("b")}}}));
}

TEST(PropertyList, WritesThePlatformLayoutWithSortedKeys)
{
    const QVariantMap map{{QStringLiteral("b"), QVariantList{true, qint64(1)}},
                          {QStringLiteral("a"), QStringLiteral("x&y")},
                          {QStringLiteral("c"), QVariantMap()},
                          {QStringLiteral("B"), 1.5},
                          {QStringLiteral("d"), QByteArray("\x00\x01", 2)},
                          {QStringLiteral("e"), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), QTimeZone(3600))}};
    EXPECT_EQ(dataFromPropertyList(map), document("<dict>\n"
                                                  "\t<key>B</key>\n\t<real>1.5</real>\n"
                                                  "\t<key>a</key>\n\t<string>x&amp;y</string>\n"
                                                  "\t<key>b</key>\n\t<array>\n\t\t<true/>\n\t\t<integer>1</integer>\n\t</array>\n"
                                                  "\t<key>c</key>\n\t<dict/>\n"
                                                  "\t<key>d</key>\n\t<data>\n\tAAE=\n\t</data>\n"
                                                  "\t<key>e</key>\n\t<date>2020-01-02T02:04:05Z</date>\n"
                                                  "</dict>"));
}

TEST(PropertyList, ReadsTheFormsOtherWritersUse)
{
    struct Case {
        const char *name;
        QByteArray body;
        QVariant expected;
    };
    const QDateTime date(QDate(2020, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    const Case cases[] = {
        {"empty elements", "<array><dict/><array/><string/><data/></array>", QVariant()},
        {"entities and character references", "<string>&lt;&amp;&gt;&quot;&apos;&#233;&#x1D11E;</string>",
         QStringLiteral("<&>\"'é𝄞")},
        {"CDATA, comments and split text", "<string>a<!-- note --><![CDATA[<b>]]>c</string>", QStringLiteral("a<b>c")},
        {"white space kept inside strings", "<string>  two  spaces\n</string>", QStringLiteral("  two  spaces\n")},
        {"padded integer", "<integer>\n  -17 </integer>", qint64(-17)},
        {"plus sign", "<integer>+5</integer>", qint64(5)},
        {"above the signed range", "<integer>18446744073709551615</integer>", std::numeric_limits<quint64>::max()},
        {"exponent", "<real>1e3</real>", 1000.0},
        {"integer text in a real", "<real>2</real>", 2.0},
        {"date", "<date>2020-01-02T03:04:05Z</date>", date},
        {"date with an offset", "<date>2020-01-02T04:04:05+01:00</date>", date},
        {"wrapped base64", "<data>\n\tAAEC\n\t/w==\n\t</data>", QByteArray("\x00\x01\x02\xff", 4)},
        {"repeated key keeps the last value", "<dict><key>k</key><true/><key>k</key><false/></dict>",
         QVariantMap{{QStringLiteral("k"), false}}},
        {"key and value on one line", "<dict><key>a</key><integer>1</integer></dict>",
         QVariantMap{{QStringLiteral("a"), qint64(1)}}},
    };
    for (const Case &c : cases) {
        MCError error;
        const QVariant value = propertyListFromData(document(c.body), &error);
        ASSERT_TRUE(value.isValid()) << c.name << ": " << error.toString().toStdString();
        if (c.expected.isValid()) {
            EXPECT_TRUE(same(value, c.expected)) << c.name;
        }
    }
    const QVariantList empties = propertyListFromData(document(cases[0].body)).toList();
    ASSERT_EQ(empties.size(), 4);
    EXPECT_TRUE(same(empties[0], QVariantMap()));
    EXPECT_TRUE(same(empties[1], QVariantList()));
    EXPECT_TRUE(same(empties[2], QString(QLatin1String(""))));
    EXPECT_TRUE(same(empties[3], QByteArray()));

    // An entity declared in the document, without a declaration or DOCTYPE, and in UTF-16.
    EXPECT_TRUE(same(propertyListFromData("<!DOCTYPE plist [<!ENTITY who \"Ann &amp; Bo\">]><plist><string>&who;</string></plist>"),
                     QStringLiteral("Ann & Bo")));
    EXPECT_TRUE(same(propertyListFromData("<plist><true/></plist>"), true));
    const QString utf16 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><string>ß</string></plist>");
    QByteArray utf16Data("\xff\xfe", 2);
    utf16Data.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    EXPECT_TRUE(same(propertyListFromData(utf16Data), QStringLiteral("ß")));
}

TEST(PropertyList, RejectsMalformedInput)
{
    struct Case {
        const char *name;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not XML", "hello"},
        {"non-plist root", "<?xml version=\"1.0\"?><dict><key>a</key><true/></dict>"},
        {"html root", "<html><body/></html>"},
        {"empty plist", document("")},
        {"two values", document("<true/><false/>")},
        {"unknown element", document("<dict><key>a</key><color>red</color></dict>")},
        {"key without value at the end", document("<dict><key>a</key></dict>")},
        {"key followed by a key", document("<dict><key>a</key><key>b</key><true/></dict>")},
        {"value without key", document("<dict><string>a</string></dict>")},
        {"text inside a dict", document("<dict>loose<key>a</key><true/></dict>")},
        {"text inside an array", document("<array>1</array>")},
        {"element inside a string", document("<string>a<b/>c</string>")},
        {"element inside a key", document("<dict><key>a<b/></key><true/></dict>")},
        {"text inside true", document("<true>yes</true>")},
        {"integer overflow", document("<integer>18446744073709551616</integer>")},
        {"negative overflow", document("<integer>-9223372036854775809</integer>")},
        {"integer with letters", document("<integer>12abc</integer>")},
        {"empty integer", document("<integer/>")},
        {"fractional integer", document("<integer>1.5</integer>")},
        {"real that is text", document("<real>abc</real>")},
        {"empty real", document("<real></real>")},
        {"date without zone", document("<date>2020-01-02T03:04:05</date>")},
        {"date that is text", document("<date>yesterday</date>")},
        {"bad base64", document("<data>!!!!</data>")},
        {"undefined entity", document("<string>&nbsp;</string>")},
        {"mismatched tags", document("<array><string>a</array></string>")},
        {"second root", document("<true/>") + "<plist><true/></plist>"},
        {"text after the root", document("<true/>") + "junk"},
        {"entity expansion bomb",
         "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
         "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><plist><string>&d;&d;&d;&d;</string></plist>"},
        {"too deeply nested", document(QByteArray("<array>").repeated(600) + QByteArray("</array>").repeated(600))},
        // Text the writer could not write back: a key in UTF-7 that decodes to a lone
        // surrogate (found by fuzzing), and control characters given as references.
        {"UTF-7 key with a lone surrogate",
         QByteArray::fromBase64("PD94bWwgdmVyc2lvbj0iMS4wIiBlbmNvZGluZz0iVVRGLTciPz4KPCFET0NUWVBFIHA+CjxwbGlzdCB2cnNpb249Ij"
                                "EuMCI+CjxkaWN0PgoJPGtleT55PmtlcT5USSttcHJlbGtleT5Nb3V1dGY5eTwva2V5PjxyZWFsPjAuODU8L3JlYW"
                                "w+CjwvZGljdD4KPC9wbGlzdD4K")},
        {"control character reference", document("<string>bell&#7;</string>")},
        {"surrogate reference in a key", document("<dict><key>&#xD800;</key><true/></dict>")},
    };
    for (const Case &c : cases) {
        MCError error;
        const QVariant value = propertyListFromData(c.data, &error);
        EXPECT_FALSE(value.isValid()) << c.name;
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCPropertyListReadCorruptError)) << c.name;
        EXPECT_TRUE(error.localizedFailureReason().contains(QStringLiteral("line"))) << c.name;
    }
}

TEST(PropertyList, EveryTruncationOfAFileFails)
{
    const QByteArray data = dataFromPropertyList(sampleDictionary());
    const qsizetype complete = data.lastIndexOf("</plist>") + qsizetype(strlen("</plist>"));
    for (qsizetype length = 0; length < complete; ++length) {
        MCError error;
        ASSERT_FALSE(propertyListFromData(data.left(length), &error).isValid()) << "prefix of " << length << " bytes";
        ASSERT_EQ(error.code(), MCPropertyListReadCorruptError);
    }
    EXPECT_TRUE(propertyListFromData(data.left(complete)).isValid());
}

TEST(PropertyList, DamagedBytesNeverCrashOrGiveAPartialValue)
{
    // Flips, drops and duplicates bytes of a valid file at pseudo-random places; whatever the
    // reader makes of it is either an error or a complete value that can be written again.
    const QByteArray original = dataFromPropertyList(sampleDictionary());
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = original;
        for (int edits = 1 + next() % 3; edits > 0; --edits) {
            const qsizetype at = qsizetype(next() % quint32(data.size()));
            switch (next() % 3) {
            case 0:
                data[at] = char(next() >> 24);
                break;
            case 1:
                data.remove(at, 1 + next() % 8);
                break;
            default:
                data.insert(at, data.mid(at, 1 + next() % 16));
                break;
            }
        }
        MCError error;
        const QVariant value = propertyListFromData(data, &error);
        if (value.isValid()) {
            ++accepted;
            EXPECT_TRUE(error.isNull());
            const QVariant again = propertyListFromData(dataFromPropertyList(value));
            EXPECT_TRUE(same(again, value)) << "round " << round;
        } else {
            EXPECT_EQ(error.code(), MCPropertyListReadCorruptError);
        }
    }
    EXPECT_LT(accepted, 3000);
}

TEST(PropertyList, RefusesValuesItCannotStore)
{
    struct Case {
        const char *name;
        QVariant value;
        bool plistTypes; // made of property-list types, but holding text XML cannot carry
    };
    const Case cases[] = {
        {"null root", QVariant(), false},
        {"null inside a dict", QVariantMap{{QStringLiteral("a"), QVariant()}}, false},
        {"foreign type in an array", QVariantList{QPointF(1, 2)}, false},
        {"invalid date", QDateTime(), false},
        {"control character", QStringLiteral("bell\x07"), true},
        {"control character in a key", QVariantMap{{QStringLiteral("a\x01"), true}}, true},
        {"lone surrogate", QString(QChar(0xD800)), true},
    };
    for (const Case &c : cases) {
        MCError error;
        EXPECT_TRUE(dataFromPropertyList(c.value, &error).isEmpty()) << c.name;
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCPropertyListWriteInvalidError)) << c.name;
        EXPECT_EQ(isPropertyList(c.value), c.plistTypes) << c.name;
    }
    EXPECT_TRUE(isPropertyList(sampleDictionary()));
}

TEST(PropertyList, FilesAreWrittenAtomicallyAndFailuresAreReported)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString path = folder + QStringLiteral("/Settings.plist");
    MCError error;

    EXPECT_FALSE(readPropertyList(path, &error).isValid());
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileReadNoSuchFileError));

    ASSERT_TRUE(writePropertyList(sampleDictionary(), path, &error)) << error.toString().toStdString();
    ASSERT_TRUE(writePropertyList(QVariantMap{{QStringLiteral("v"), qint64(2)}}, path, &error));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Settings.plist")});
    const auto dictionary = readPropertyListDictionary(path, &error);
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_TRUE(same(*dictionary, QVariantMap{{QStringLiteral("v"), qint64(2)}}));

    // A value that cannot be stored leaves the earlier file as it was.
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_FALSE(writePropertyList(QVariantList{QVariant()}, path, &error));
    EXPECT_EQ(error.code(), MCPropertyListWriteInvalidError);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);

    // A damaged file and a root that is not a dictionary.
    const QString damaged = folder + QStringLiteral("/Damaged.plist");
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before.left(before.size() / 2));
    file.close();
    EXPECT_FALSE(readPropertyList(damaged, &error).isValid());
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileReadCorruptFileError));
    ASSERT_NE(error.underlyingError(), nullptr);
    EXPECT_EQ(error.underlyingError()->code(), MCPropertyListReadCorruptError);
    EXPECT_EQ(error.userInfo().value(MCFilePathErrorKey).toString(), damaged);

    ASSERT_TRUE(writePropertyList(QVariantList{true}, damaged, &error));
    EXPECT_FALSE(readPropertyListDictionary(damaged, &error).has_value());
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileReadCorruptFileError));

    // Folders that are missing or cannot be written.
    EXPECT_FALSE(writePropertyList(QVariantMap(), folder + QStringLiteral("/missing/x.plist"), &error));
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileNoSuchFileError));
    EXPECT_FALSE(writePropertyList(QVariantMap(), path + QStringLiteral("/x.plist"), &error));
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileNoSuchFileError));

    if (makeReadOnly(folder)) {
        EXPECT_FALSE(writePropertyList(sampleDictionary(), path, &error));
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileWriteNoPermissionError)) << error.toString().toStdString();
        EXPECT_TRUE(same(*readPropertyListDictionary(path), QVariantMap{{QStringLiteral("v"), qint64(2)}}));
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A FIFO or a link to a device in place of a settings file is refused at once with an error
// that says why, instead of blocking the reader or reading without end.
TEST(PropertyList, FilesThatAreNotRegularAreRefused)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString fifo = folder + QStringLiteral("/Pipe.plist");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = folder + QStringLiteral("/Zero.plist");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString &path : {fifo, zero}) {
        MCError error;
        EXPECT_FALSE(readPropertyList(path, &error).isValid());
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileReadUnknownError)) << error.toString().toStdString();
        EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("isn’t a regular file")))
            << error.toString().toStdString();
    }
}

TEST(PropertyList, InteroperatesWithPlistutil)
{
    if (!plistutilAvailable())
        GTEST_SKIP() << "plistutil is not installed";
    const QString folder = testsupport::makeTemporaryFolder();
    const QString ours = folder + QStringLiteral("/ours.plist");
    const QString binary = folder + QStringLiteral("/binary.plist");
    const QString theirs = folder + QStringLiteral("/theirs.plist");

    // Ours -> plistutil reads it (into its binary form) -> plistutil writes XML -> we read it.
    // plistutil writes a carriage return as it is, which XML readers take for a line feed; we
    // write it as a character reference, so only strings without one survive this trip.
    QVariantMap original = sampleDictionary();
    original.insert(QStringLiteral("lines"), QStringLiteral("one\ntwo\n\tthree  "));
    ASSERT_TRUE(writePropertyList(original, ours));
    ASSERT_TRUE(runPlistutil(ours, binary, QStringLiteral("bin")));
    ASSERT_TRUE(runPlistutil(binary, theirs, QStringLiteral("xml")));
    MCError error;
    const QVariant back = readPropertyList(theirs, &error);
    ASSERT_TRUE(back.isValid()) << error.toString().toStdString();
    EXPECT_TRUE(same(back, original));
}
