#include "platform/core/MCUserDefaults.h"

#include "platform/core/MCPropertyList.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPointF>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

QString freshPath() { return testsupport::makeTemporaryFolder(QStringLiteral("defaults")) + QStringLiteral("/Preferences.plist"); }

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Captures the warnings of the settings store while it lives.
class WarningCapture
{
public:
    WarningCapture()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&handler);
    }
    ~WarningCapture() { qInstallMessageHandler(m_previous); }
    QStringList messages() const { return s_messages; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("quillonx.platform.userdefaults"))
            s_messages.append(message);
    }
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

TEST(UserDefaults, RegisteredDefaultsAnswerUntilTheUserSetsAValueAndAreNeverWritten)
{
    const QString path = freshPath();
    MCUserDefaults defaults(path);
    defaults.registerDefaults({{QStringLiteral("AperanceKind"), qint64(1)}, {QStringLiteral("PathBarIsHidden"), false}});
    defaults.registerDefaults({{QStringLiteral("AperanceKind"), qint64(2)}}); // later registrations win
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("AperanceKind")), 2);

    defaults.setInteger(5, QStringLiteral("AperanceKind"));
    defaults.registerDefaults({{QStringLiteral("AperanceKind"), qint64(3)}});
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("AperanceKind")), 5);
    EXPECT_EQ(defaults.dictionaryRepresentation(),
              (QVariantMap{{QStringLiteral("AperanceKind"), qint64(5)}, {QStringLiteral("PathBarIsHidden"), false}}));

    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(*platform::readPropertyListDictionary(path), (QVariantMap{{QStringLiteral("AperanceKind"), qint64(5)}}));

    defaults.removeObjectForKey(QStringLiteral("AperanceKind"));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("AperanceKind")), 3);
    defaults.setObject(QVariant(), QStringLiteral("PathBarIsHidden")); // null removes; nothing to remove here
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(*platform::readPropertyListDictionary(path), QVariantMap());
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("Missing")).isValid());
}

TEST(UserDefaults, TypedReadsConvertLikeThePlatform)
{
    MCUserDefaults defaults(freshPath());
    struct Case {
        const char *name;
        QVariant stored;
        bool boolean;
        qint64 integer;
        double real;
        QString string;
    };
    const Case cases[] = {
        {"absent", QVariant(), false, 0, 0.0, QString()},
        {"true", true, true, 1, 1.0, QStringLiteral("1")},
        {"false", false, false, 0, 0.0, QStringLiteral("0")},
        {"integer", qint64(-7), true, -7, -7.0, QStringLiteral("-7")},
        {"real truncates", 2.75, true, 2, 2.75, QStringLiteral("2.75")},
        {"negative real", -2.75, true, -2, -2.75, QStringLiteral("-2.75")},
        {"small real is true", 0.25, true, 0, 0.25, QStringLiteral("0.25")},
        {"huge real clamps", 1e300, true, std::numeric_limits<qint64>::max(), 1e300, QStringLiteral("1e+300")},
        {"YES", QStringLiteral("YES"), true, 0, 0.0, QStringLiteral("YES")},
        {"no", QStringLiteral("no"), false, 0, 0.0, QStringLiteral("no")},
        {"numeric text", QStringLiteral("  12abc"), true, 12, 12.0, QStringLiteral("  12abc")},
        {"real text", QStringLiteral("-3.5e1x"), true, -3, -35.0, QStringLiteral("-3.5e1x")},
        {"zeros", QStringLiteral("000"), false, 0, 0.0, QStringLiteral("000")},
        {"array", QVariantList{qint64(1)}, false, 0, 0.0, QString()},
        {"data", QByteArray("1"), false, 0, 0.0, QString()},
    };
    for (const Case &c : cases) {
        defaults.setObject(c.stored, QStringLiteral("k"));
        EXPECT_EQ(defaults.boolForKey(QStringLiteral("k")), c.boolean) << c.name;
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("k")), c.integer) << c.name;
        EXPECT_DOUBLE_EQ(defaults.doubleForKey(QStringLiteral("k")), c.real) << c.name;
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("k")), c.string) << c.name;
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("k")).isNull(), c.string.isNull()) << c.name;
    }

    const QVariantMap map{{QStringLiteral("x"), qint64(1)}};
    defaults.setObject(QVariantList{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("strings"));
    defaults.setObject(QVariantList{QStringLiteral("a"), qint64(1)}, QStringLiteral("mixed"));
    defaults.setObject(map, QStringLiteral("map"));
    defaults.setObject(QByteArray("\x00\x01", 2), QStringLiteral("data"));
    EXPECT_EQ(defaults.stringArrayForKey(QStringLiteral("strings")), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(defaults.stringArrayForKey(QStringLiteral("mixed")).isEmpty());
    EXPECT_EQ(defaults.arrayForKey(QStringLiteral("mixed")).size(), 2);
    EXPECT_EQ(defaults.dictionaryForKey(QStringLiteral("map")), map);
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("data")), QByteArray("\x00\x01", 2));
    // The wrong kind of value reads as empty.
    EXPECT_TRUE(defaults.arrayForKey(QStringLiteral("map")).isEmpty());
    EXPECT_TRUE(defaults.dictionaryForKey(QStringLiteral("strings")).isEmpty());
    EXPECT_TRUE(defaults.dataForKey(QStringLiteral("map")).isNull());
    EXPECT_THROW(defaults.setObject(QPointF(1, 2), QStringLiteral("point")), std::invalid_argument);
    EXPECT_THROW(defaults.setObject(QVariantList{QVariant()}, QStringLiteral("list")), std::invalid_argument);
}

TEST(UserDefaults, EachChangeOfAnAnsweredValueNotifiesItsKey)
{
    MCUserDefaults defaults(freshPath());
    std::vector<MCKeyValueChange> changes;
    MCObservation token = defaults.observe(QStringLiteral("ShouldAutorotate"),
                                           [&](MCObservable &, const QString &, const MCKeyValueChange &change) {
                                               changes.push_back(change);
                                           });
    defaults.registerDefaults({{QStringLiteral("ShouldAutorotate"), true}});  // a default seen through the key
    defaults.setBool(true, QStringLiteral("ShouldAutorotate"));               // same answer: no notice
    defaults.setValueForKey(QStringLiteral("ShouldAutorotate"), false);       // by key
    defaults.registerDefaults({{QStringLiteral("ShouldAutorotate"), false}}); // hidden by the user's value
    defaults.setInteger(1, QStringLiteral("ShouldAutorotate"));               // another type counts as a change
    defaults.removeObjectForKey(QStringLiteral("ShouldAutorotate"));          // back to the default
    defaults.setBool(true, QStringLiteral("Other"));

    const std::vector<std::pair<QVariant, QVariant>> expected = {
        {QVariant(), true}, {true, false}, {false, qint64(1)}, {qint64(1), false}};
    ASSERT_EQ(changes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(changes[i].kind, MCKeyValueChangeKind::Setting) << i;
        EXPECT_EQ(changes[i].oldValue, expected[i].first) << i;
        EXPECT_EQ(changes[i].newValue, expected[i].second) << i;
        EXPECT_EQ(changes[i].newValue.metaType(), expected[i].second.metaType()) << i;
    }
    EXPECT_EQ(defaults.valueForKey(QStringLiteral("ShouldAutorotate")), QVariant(false));
}

TEST(UserDefaults, ValuesSurviveAReopenAndChangesAreWrittenSoon)
{
    const QString path = freshPath();
    const QVariantMap stored{
        {QStringLiteral("int"), qint64(42)},
        {QStringLiteral("bool"), true},
        {QStringLiteral("real"), 0.8},
        {QStringLiteral("text"), QStringLiteral("ü & <x>")},
        {QStringLiteral("date"), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), QTimeZone::utc())},
        {QStringLiteral("data"), QByteArray("\xff\x00", 2)},
        {QStringLiteral("GroupRulePresets"),
         QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("Date")}, {QStringLiteral("rules"), QVariantList{qint64(3)}}}}},
    };
    {
        MCUserDefaults defaults(path);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            defaults.setObject(it.value(), it.key());
        // Written on the event loop shortly after the change, without synchronize().
        EXPECT_TRUE(testsupport::processEventsUntil([&] { return QFile::exists(path); }));
        defaults.setInteger(43, QStringLiteral("int")); // written when the store goes away
    }
    MCUserDefaults reopened(path);
    QVariantMap expected = stored;
    expected.insert(QStringLiteral("int"), qint64(43));
    EXPECT_EQ(reopened.dictionaryRepresentation(), expected);
    EXPECT_EQ(reopened.objectForKey(QStringLiteral("int")).metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Preferences.plist")});

    // The shared store lives in the (test's private) config folder.
    EXPECT_EQ(&MCUserDefaults::standardUserDefaults(), &MCUserDefaults::standardUserDefaults());
    EXPECT_EQ(MCUserDefaults::standardUserDefaults().path(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quillonx/Preferences.plist"));
}

TEST(UserDefaults, ADamagedFileIsMovedAsideAndReported)
{
    struct Case {
        const char *name;
        QByteArray content;
    };
    const Case cases[] = {
        {"truncated", "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>a</key>\n\t<integ"},
        {"not a dictionary", "<plist version=\"1.0\"><array><true/></array></plist>"},
        {"empty", ""},
    };
    for (const Case &c : cases) {
        const QString path = freshPath();
        writeFile(path, c.content);
        WarningCapture warnings;
        {
            MCUserDefaults defaults(path);
            EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty()) << c.name;
            defaults.setBool(true, QStringLiteral("fresh"));
            EXPECT_TRUE(defaults.synchronize()) << c.name;
        }
        const QDir folder = QFileInfo(path).absoluteDir();
        const QStringList aside = folder.entryList({QStringLiteral("Preferences.plist.damaged-*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1) << c.name;
        EXPECT_EQ(readFile(folder.filePath(aside.first())), c.content) << c.name;
        EXPECT_EQ(*platform::readPropertyListDictionary(path), (QVariantMap{{QStringLiteral("fresh"), true}})) << c.name;
        ASSERT_EQ(warnings.messages().size(), 1) << c.name;
        EXPECT_TRUE(warnings.messages().first().contains(aside.first())) << c.name;
    }
}

TEST(UserDefaults, FailedWritesKeepTheValuesAndNeverReplaceAnUnreadableFile)
{
    // A folder where the file cannot be created: the values stay and are written later.
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("blocked"));
    const QString blocker = folder + QStringLiteral("/quillonx");
    writeFile(blocker, "a file where the folder should be");
    {
        WarningCapture warnings;
        MCUserDefaults defaults(blocker + QStringLiteral("/Preferences.plist"));
        defaults.setInteger(7, QStringLiteral("n"));
        MCError error;
        EXPECT_FALSE(defaults.synchronize(&error));
        EXPECT_FALSE(error.isNull());
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("n")), 7);
        ASSERT_TRUE(QFile::remove(blocker));
        EXPECT_TRUE(defaults.synchronize(&error)) << error.toString().toStdString();
    }
    EXPECT_EQ(MCUserDefaults(blocker + QStringLiteral("/Preferences.plist")).integerForKey(QStringLiteral("n")), 7);

    // A read-only folder (when permissions apply to this user).
    const QString readOnly = freshPath();
    {
        MCUserDefaults defaults(readOnly);
        defaults.setInteger(1, QStringLiteral("n"));
        ASSERT_TRUE(defaults.synchronize());
        const QString dir = QFileInfo(readOnly).absolutePath();
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(dir + QStringLiteral("/probe"));
        if (!probe.open(QIODevice::WriteOnly)) {
            defaults.setInteger(2, QStringLiteral("n"));
            MCError error;
            EXPECT_FALSE(defaults.synchronize(&error));
            EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileWriteNoPermissionError)) << error.toString().toStdString();
            EXPECT_EQ(defaults.integerForKey(QStringLiteral("n")), 2);
            EXPECT_EQ(*platform::readPropertyListDictionary(readOnly), (QVariantMap{{QStringLiteral("n"), qint64(1)}}));
        }
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A value whose text a property list cannot carry: the save fails and the file stays.
    const QString unwritable = freshPath();
    {
        MCUserDefaults defaults(unwritable);
        defaults.setInteger(1, QStringLiteral("n"));
        ASSERT_TRUE(defaults.synchronize());
        const QByteArray before = readFile(unwritable);
        defaults.setObject(QString(QChar(0xD800)), QStringLiteral("half a pair"));
        MCError error;
        EXPECT_FALSE(defaults.synchronize(&error));
        EXPECT_EQ(error.code(), MCPropertyListWriteInvalidError);
        EXPECT_EQ(readFile(unwritable), before);
        defaults.removeObjectForKey(QStringLiteral("half a pair"));
    }

    // A settings path that cannot be read (here a folder) is left alone.
    const QString unreadable = freshPath();
    ASSERT_TRUE(QDir().mkpath(unreadable + QStringLiteral("/keep")));
    {
        WarningCapture warnings;
        MCUserDefaults defaults(unreadable);
        EXPECT_EQ(warnings.messages().size(), 1);
        defaults.setBool(true, QStringLiteral("x"));
        EXPECT_TRUE(defaults.boolForKey(QStringLiteral("x")));
        MCError error;
        EXPECT_FALSE(defaults.synchronize(&error));
        ASSERT_NE(error.underlyingError(), nullptr);
    }
    EXPECT_TRUE(QFileInfo(unreadable + QStringLiteral("/keep")).isDir());
}

TEST(UserDefaults, ConcurrentChangesAllArriveAndAreWritten)
{
    const QString path = freshPath();
    constexpr int kThreads = 4;
    constexpr int kKeys = 50;
    {
        MCUserDefaults defaults(path);
        std::mutex seenLock;
        int seen = 0;
        MCObservation token = defaults.observe(QStringLiteral("t0-k0"), [&](MCObservable &, const QString &,
                                                                           const MCKeyValueChange &) {
            std::lock_guard guard(seenLock);
            ++seen;
        });
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&defaults, t] {
                for (int k = 0; k < kKeys; ++k) {
                    defaults.setInteger(k, QStringLiteral("t%1-k%2").arg(t).arg(k));
                    if (k % 10 == 0)
                        defaults.synchronize();
                }
            });
        }
        for (auto &thread : threads)
            thread.join();
        EXPECT_EQ(seen, 1);
        ASSERT_TRUE(defaults.synchronize());
    }
    const auto stored = platform::readPropertyListDictionary(path);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->size(), kThreads * kKeys);
    EXPECT_EQ(stored->value(QStringLiteral("t3-k49")), QVariant(qint64(49)));
}
