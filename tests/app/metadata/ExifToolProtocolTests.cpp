#include "app/metadata/ExifTool.h"

#include "FakeExifTool.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ExifToolProtocol : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = new QString(testsupport::makeTemporaryFolder(QStringLiteral("fake")));
        s_script = new QString(fakeexiftool::install(*s_folder));
    }
    void SetUp() override { fakeexiftool::setMode(*s_script, QString()); }

    static QString file(const QString &mode) { return *s_folder + QLatin1Char('/') + mode + QStringLiteral(".jpg"); }

    static inline QString *s_folder = nullptr;
    static inline QString *s_script = nullptr;
};

bool processGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

} // namespace

TEST_F(ExifToolProtocol, AnswersOfEveryShapeAreCutAtTheirOwnMarker)
{
    struct Case
    {
        const char *mode;
        QByteArray output;
        QByteArray error;
    };
    const Case cases[] = {
        {"plain", "    1 image files updated\n", ""},
        {"split", "part\n", ""},                 // marker split over two reads
        {"late", "fresh\n", ""},                 // an earlier command's late answer is dropped
        {"nolf", "abc", ""},                     // output without a final line feed
        {"crlf", "line\r\n", ""},                // CR LF line ends
        {"error", "    0 image files updated", "Error: Fake failure\n"},
    };
    ExifTool tool(*s_script);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        const int number = tool.sendCommand(ExifTool::fileArgumentLine(file(c.mode)));
        ASSERT_GT(number, 0);
        EXPECT_EQ(tool.waitForCompletion(5.0), number);
        EXPECT_TRUE(tool.standardOutput().startsWith(c.output)) << tool.standardOutput().constData();
        EXPECT_EQ(tool.standardError(), c.error);
    }
}

TEST_F(ExifToolProtocol, NumbersWrapFrom99999To1)
{
    ExifTool tool(*s_script);
    tool.setLastCommandNumber(99998);
    EXPECT_EQ(tool.sendCommand(ExifTool::fileArgumentLine(file("plain"))), 99999);
    EXPECT_EQ(tool.waitForCompletion(5.0), 99999);
    EXPECT_EQ(tool.sendCommand(ExifTool::fileArgumentLine(file("plain"))), 1);
    EXPECT_EQ(tool.waitForCompletion(5.0), 1);
}

TEST_F(ExifToolProtocol, FailuresKillTheChildAndTheNextCommandRestartsIt)
{
    struct Case
    {
        const char *mode;
        double timeout;
        int expected;
    };
    const Case cases[] = {
        {"slow", 0.3, ExifTool::NoAnswer}, // the first command of a new child: no extra allowance below
        {"die", 5.0, ExifTool::NotRunning},
        {"nostderr", 5.0, ExifTool::NoErrorMarker},
    };
    ExifTool tool(*s_script);
    tool.setStartupAllowance(0.0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_GT(tool.sendCommand(ExifTool::fileArgumentLine(file(c.mode))), 0);
        const pid_t child = tool.childPid();
        const pid_t watchdog = tool.watchdogPid();
        EXPECT_GT(watchdog, 0);
        EXPECT_EQ(tool.waitForCompletion(c.timeout), c.expected);
        EXPECT_EQ(tool.lastResult(), c.expected);
        EXPECT_EQ(tool.childPid(), -1);
        EXPECT_TRUE(processGone(child));    // killed and reaped, no zombie
        EXPECT_TRUE(processGone(watchdog));

        const int number = tool.sendCommand(ExifTool::fileArgumentLine(file("plain")));
        ASSERT_GT(number, 0);
        EXPECT_NE(tool.childPid(), child);
        EXPECT_EQ(tool.waitForCompletion(5.0), number);
    }
}

TEST_F(ExifToolProtocol, CancelStopsAWaitPromptly)
{
    ExifTool tool(*s_script);
    const auto start = std::chrono::steady_clock::now();
    tool.setCancellationHandler([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(100); });
    ASSERT_GT(tool.sendCommand(ExifTool::fileArgumentLine(file("slow"))), 0);
    EXPECT_EQ(tool.waitForCompletion(60.0), ExifTool::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(ExifToolProtocol, QuittingNeverHangsAndReapsBothChildren)
{
    pid_t child = -1;
    pid_t watchdog = -1;
    const auto start = std::chrono::steady_clock::now();
    {
        ExifTool tool(*s_script, "ignore-quit");
        const int number = tool.sendCommand(ExifTool::fileArgumentLine(file("plain")));
        ASSERT_EQ(tool.waitForCompletion(5.0), number);
        child = tool.childPid();
        watchdog = tool.watchdogPid();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(processGone(child));
    EXPECT_TRUE(processGone(watchdog));
}

TEST_F(ExifToolProtocol, NoDescriptorOfOursLeaksIntoTheChildren)
{
    int leaky[2];
    ASSERT_EQ(::pipe(leaky), 0); // without close-on-exec, as careless code elsewhere might
    ExifTool tool(*s_script);
    const int number = tool.sendCommand(ExifTool::fileArgumentLine(file("plain")));
    ASSERT_EQ(tool.waitForCompletion(5.0), number);
    struct stat leakyStat {};
    ASSERT_EQ(::fstat(leaky[0], &leakyStat), 0);
    for (pid_t pid : {tool.childPid(), tool.watchdogPid()}) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QString &entry : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
            struct stat st {};
            if (::stat(QFile::encodeName(fds.filePath(entry)).constData(), &st) != 0)
                continue;
            EXPECT_FALSE(st.st_ino == leakyStat.st_ino && st.st_dev == leakyStat.st_dev) << "fd " << entry.toStdString();
            if (pid == tool.watchdogPid()) {
                EXPECT_LE(entry.toInt(), 2) << "watchdog holds fd " << entry.toStdString();
            }
        }
    }
    ::close(leaky[0]);
    ::close(leaky[1]);
}

TEST_F(ExifToolProtocol, ArgumentsArriveAsSingleLines)
{
    fakeexiftool::setMode(*s_script, QStringLiteral("echo"));
    ExifTool tool(*s_script);
    const QString awkward = *s_folder + QStringLiteral("/a\nb\r#c.jpg");
    const int number = tool.sendCommand(ExifTool::fileArgumentLine(awkward) + ExifTool::fileArgumentLine(QStringLiteral("-rel.jpg")));
    ASSERT_EQ(tool.waitForCompletion(5.0), number);
    const QList<QByteArray> lines = tool.standardOutput().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.at(0), "#[CSTR]" + QFile::encodeName(*s_folder) + "/a\\nb\\r#c.jpg");
    EXPECT_EQ(lines.at(1), QFile::encodeName(QDir::currentPath()) + "/-rel.jpg"); // never an option
}

TEST(ExifToolArguments, ArgumentLineForms)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"-Artist=Me", "-Artist=Me\n"},
        {"# not a comment", "#[CSTR]# not a comment\n"},
        {" lead", "#[CSTR] lead\n"},
        {"trail ", "#[CSTR]trail \n"},
        {"a\\b\nc\td\re", "#[CSTR]a\\\\b\\nc\\td\\re\n"},
        {"", "#[CSTR]\n"},
        {QByteArray("nul\0byte", 8), ""},
        {"plain $x @y", "plain $x @y\n"},
        // The tool reads "$" and "@" back with a backslash in the C-string form.
        {"line\n$HOME", ""},
        {"line\n@file", ""},
    };
    for (const auto &[argument, line] : cases)
        EXPECT_EQ(ExifTool::argumentLine(argument), line) << argument.constData();
}

// Every option of the tool is refused as a tag name in any case, also with the numbers,
// write modes and titles some options take, since "-NAME=VALUE" could run it.
TEST(ExifToolArguments, OptionNamesAreNeverTagNames)
{
    for (const char *option : {"TagsFromFile", "tagsfromfile", "AddTagsFromFile", "ALLTAGSFROMFILE", "config", "Execute",
                               "execute3", "stay_open", "common_args", "o", "OUT", "srcfile", "w", "W+", "if", "if2", "p",
                               "printFormat", "g1:2", "csv", "csv+", "json", "j+", "progress", "progress:Title", "echo3",
                               "overwrite_original_in_place", "delete_original", "geotag", "api", "userParam", "r.",
                               "ext+", "list_dir", "fileOrder2", "F+8", "htmlDump0", "use", "password", "X"}) {
        EXPECT_TRUE(ExifTool::isOptionName(option)) << option;
        EXPECT_FALSE(ExifTool::isValidTagName(option)) << option;
    }
    for (const char *tag : {"Artist", "XMP-dc:Creator", "IFD0:Make", "EXIF:DateTimeOriginal", "Rating", "Orientation",
                            "Output", "Comment", "Copyright", "GPSLatitude", "ProgressiveScan", "Exposure"}) {
        EXPECT_FALSE(ExifTool::isOptionName(tag)) << tag;
        EXPECT_TRUE(ExifTool::isValidTagName(tag)) << tag;
    }
}

TEST(ExifToolArguments, WriteCommandEscapesValuesAndSkipsBadNames)
{
    auto tag = [](QByteArray name, QByteArray value = {}) {
        TagInfo t;
        t.name = std::move(name);
        t.value = std::move(value);
        return t;
    };
    TagInfo numeric = tag("Orientation");
    numeric.num = "6";
    TagInfo grouped = tag("Rating", "5");
    grouped.group[1] = "XMP-xmp";
    const QList<TagInfo> tags = {
        tag("Comment", QByteArray("a&b\n\0z ", 7)),
        tag("Artist"),                         // deletes
        numeric,
        grouped,
        tag("SourceFile", "x"),
        tag(QByteArray(101, 'A'), "x"),
        tag("-o", "/elsewhere"),
        tag("Bad\nName", "x"),
        tag("TagsFromFile", "/elsewhere.jpg"),
    };
    const QByteArray command = ExifTool::writeCommand(QStringLiteral("/p/photo.jpg"), "-overwrite_original", tags);
    EXPECT_EQ(command, "/p/photo.jpg\n"
                       "-Comment=a&amp;b&#10;&#00;z&#32;\n"
                       "-Artist=\n"
                       "-Orientation#=6\n"
                       "-1XMP-xmp:Rating=5\n"
                       "-ex\n"
                       "-overwrite_original\n"); // no list separator: values are never split
    EXPECT_FALSE(ExifTool::writeCommand(QStringLiteral("/p/plain.jpg"), {}, {tag("Artist", "Me")}).contains("-ex\n"));
}

TEST(ExifToolParsing, TagListFromThePHPAnswer)
{
    const QByteArray answer = "Array(Array(\n"
                              "  \"SourceFile\" => \"/p/a\\\"b.jpg\",\n"
                              "  \"EXIF:IFD0:Author::Artist\" => Array(\n"
                              "    \"desc\" => \"Artist\",\n"
                              "    \"id\" => 315,\n"
                              "    \"val\" => \"Me \\x41 \\q \\$ \\\\ \\n\"\n"
                              "  ),\r\n"
                              "  \"XMP:XMP-tiff:Author:Copy2:Artist\" => Array(\n"
                              "    \"desc\" => \"Artist\",\n"
                              "    \"num\" => 42,\n"
                              "    \"val\" => \"Other\"\r\n"
                              "  ),\n"
                              "  \"File:System:Other::Empty\" => Array(\n"
                              "    \"desc\" => \"Empty\"\n"
                              "  )\n"
                              "));\n";
    const std::optional<QList<TagInfo>> tags = ExifTool::parsePHPTagList(answer);
    ASSERT_TRUE(tags);
    ASSERT_EQ(tags->size(), 4);
    EXPECT_EQ(tags->at(0).name, "SourceFile");
    EXPECT_EQ(tags->at(0).value, "/p/a\\\"b.jpg"); // as printed, not unescaped
    const TagInfo &exif = tags->at(1);
    EXPECT_EQ(exif.group[0], "EXIF");
    EXPECT_EQ(exif.group[1], "IFD0");
    EXPECT_EQ(exif.group[2], "Author");
    EXPECT_EQ(exif.id, "315");
    EXPECT_EQ(exif.value, "Me A q $ \\ \n");
    EXPECT_EQ(exif.num, exif.value);
    EXPECT_EQ(exif.copyNum, 0);
    EXPECT_EQ(tags->at(2).copyNum, 2);
    EXPECT_EQ(tags->at(2).num, "42");
    EXPECT_EQ(tags->at(2).value, "Other");
    EXPECT_EQ(tags->at(3).value, "");
    EXPECT_FALSE(tags->at(3).value.isNull());

    EXPECT_FALSE(ExifTool::parsePHPTagList(""));
    EXPECT_FALSE(ExifTool::parsePHPTagList("no line feed"));
}

TEST(ExifToolArguments, SummaryCountAndMissingTool)
{
    ExifTool missing(QStringLiteral("/nonexistent/exiftool"));
    EXPECT_EQ(missing.sendCommand("x"), ExifTool::NotRunning);
    EXPECT_EQ(missing.waitForCompletion(0.1), ExifTool::NotRunning);
    EXPECT_EQ(missing.extractInfo(QString()), ExifTool::NoFile);
    EXPECT_EQ(missing.writeTagList(QString()), ExifTool::NoFile);
    EXPECT_FALSE(missing.imageInfo(QStringLiteral("/p/x.jpg"), {}, 0.1));
    EXPECT_EQ(missing.queueNewValue("Artist", "Me"), 1);
    EXPECT_EQ(missing.queueNewValue("Copyright"), 2);
    EXPECT_EQ(missing.queueNewValue({}), 0);
    EXPECT_TRUE(missing.pendingTags().isEmpty());
}

TEST(ExifToolPipeMarkers, OnlyWholeMarkerLinesOfTheCommandEndAnAnswer)
{
    struct Case
    {
        const char *what;
        QList<QByteArray> pieces; // written one after another, each followed by a read
        bool found;
        QByteArray response;
    };
    const Case cases[] = {
        {"plain", {"out\n{ready00007}\n"}, true, "out\n"},
        {"split in two", {"out\n{rea", "dy00007}\n"}, true, "out\n"},
        {"split before the line end", {"out\n{ready00007}", "\n"}, true, "out\n"},
        {"CR LF", {"out\r\n{ready00007}\r\n"}, true, "out\r\n"},
        {"zero number", {"out\n{ready00000}\n"}, false, ""},
        {"letter in number", {"out\n{ready0a007}\n"}, false, ""},
        {"late answer dropped", {"old\n{ready00006}\nnew\n{ready00007}\n"}, true, "new\n"},
        {"inside a value", {"\"val\" => \"{ready00007}\"\n{ready00007}\n"}, true, "\"val\" => \"{ready00007}\"\n"},
        {"no line end yet", {"out\n{ready00007}"}, false, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ExifToolPipe pipe;
        pipe.open(fds[0]);
        bool found = false;
        for (const QByteArray &piece : c.pieces) {
            ASSERT_EQ(::write(fds[1], piece.constData(), size_t(piece.size())), piece.size());
            EXPECT_GT(pipe.readAvailable(), 0);
            found = pipe.takeResponse(7);
        }
        EXPECT_EQ(found, c.found);
        if (c.found) {
            EXPECT_EQ(pipe.response(), c.response);
        }
        ::close(fds[1]);
        EXPECT_EQ(pipe.readAvailable(), -1); // end of file
        pipe.close();
    }
}
