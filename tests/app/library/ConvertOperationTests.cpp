// Convert (with decode-ahead), edit metadata and set file dates through the file operation
// frame, and the file manager's start methods and queue.
#include "FileOperationSupport.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCFileOperationImpl.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"

#include <QImage>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace fileops;

namespace {

using Contents = QMap<QString, QByteArray>;

// A converter that writes "converted <name>" and records what happened when.
struct FakeConverter : MCConverterRole
{
    struct Photo : Decoded
    {
        FakeConverter *owner;
        explicit Photo(FakeConverter *converter) : owner(converter) { ++owner->inFlight; }
        ~Photo() override { --owner->inFlight; }
    };

    std::mutex lock;
    std::condition_variable changed;
    QStringList events;
    bool decodesAhead = true;
    bool waitForNextDecode = false; // finishing a photo waits until the next one is decoding
    std::chrono::milliseconds decodeTime{0}, finishTime{0};
    int photos = 0;                 // of the batch, for the wait above
    QSet<QString> failing;
    std::function<void(const MCFile &)> onConvert;
    std::atomic<int> inFlight{0};
    int maxInFlight = 0;
    QSet<std::thread::id> decodeThreads;

    void note(const QString &event)
    {
        std::lock_guard locked(lock);
        events << event;
        maxInFlight = std::max(maxInFlight, inFlight.load());
        changed.notify_all();
    }
    bool write(const MCFile &file, const QString &destination, MCError *error)
    {
        if (onConvert)
            onConvert(file);
        if (failing.contains(file.fileName()))
            return MCSetError(error, MCError(MCErrorDomain, 2, QStringLiteral("Action failed on image.")));
        QFile out(destination);
        if (!out.open(QIODevice::WriteOnly))
            return MCSetError(error, MCError::errorWithPOSIXCode(errno, destination));
        out.write("converted " + file.fileName().toUtf8());
        return true;
    }

    QString imageFileExtension() const override { return QStringLiteral("out"); }
    bool convertFile(const MCFile &file, const QString &destination, MCError *error) override
    {
        note("convert " + file.fileName());
        return write(file, destination, error);
    }
    bool canDecodeAhead() const override { return decodesAhead; }
    std::unique_ptr<Decoded> decodeFile(const MCFile &file, const QString &outputName, MCError *) override
    {
        {
            std::lock_guard locked(lock);
            decodeThreads.insert(std::this_thread::get_id());
        }
        auto photo = std::make_unique<Photo>(this);
        std::this_thread::sleep_for(decodeTime);
        note("decode " + file.fileName() + " as " + outputName);
        return photo;
    }
    bool convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded> decoded, const QString &destination,
                            MCError *error) override
    {
        note("begin " + file.fileName());
        if (waitForNextDecode) {
            std::unique_lock locked(lock);
            auto count = [&](const char *prefix) { return int(std::count_if(events.begin(), events.end(), [&](const QString &e) { return e.startsWith(prefix); })); };
            const int begun = count("begin ");
            if (begun < photos)
                changed.wait_for(locked, std::chrono::seconds(5), [&] { return count("decode ") > begun; });
        }
        std::this_thread::sleep_for(finishTime);
        const bool done = write(file, destination, error);
        decoded.reset();
        note("end " + file.fileName());
        return done;
    }
};

struct ConvertSetup
{
    QString root = testsupport::makeTemporaryFolder(QStringLiteral("convert"));
    QString imported = root + QStringLiteral("/imported");
    QString output = root + QStringLiteral("/output");
    ConvertSetup() { QDir().mkpath(output); }
    std::shared_ptr<MCFile> photo(const QString &relativePath)
    {
        writeFile(imported + "/" + relativePath, "photo " + relativePath.toUtf8());
        return libraryFile(imported + "/" + relativePath, imported);
    }
};

std::shared_ptr<MCConvertOperation> convertOperation(const MCFileList &files, const QString &folder,
                                                     const std::shared_ptr<MCConverterRole> &converter,
                                                     bool subfolders = false, MCFileSystemCalls *calls = nullptr)
{
    QStringList destinations;
    for (const auto &file : files)
        destinations << folder + "/" + QFileInfo(file->fileName()).completeBaseName() + "." + converter->imageFileExtension();
    auto operation = std::make_shared<MCConvertOperation>();
    operation->setAllItems(files, destinations, converter, subfolders);
    operation->setFileSystemCalls(calls);
    return operation;
}

} // namespace

TEST(ConvertOperation, DecodesTheNextPhotoWhileThisOneFinishes)
{
    ConvertSetup s;
    const MCFileList files{s.photo("a.tif"), s.photo("b.tif"), s.photo("c.tif")};
    for (bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "decoding ahead" : "one photo at a time");
        QDir(s.output).removeRecursively();
        QDir().mkpath(s.output);
        auto converter = std::make_shared<FakeConverter>();
        converter->waitForNextDecode = ahead;
        converter->photos = int(files.size());
        auto operation = convertOperation(files, s.output, converter);
        operation->setDecodesAhead(ahead);
        operation->setProgressTimeInterval(0);
        Recorder recorder;
        run(operation, recorder);

        EXPECT_EQ(recorder.events, QStringList({"start", "will a.tif", "will b.tif", "will c.tif", "completion", "finish"}));
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.out", "b.out", "c.out"}));
        EXPECT_EQ(snapshot(s.output), Contents({{"a.out", sum("converted a.tif")},
                                                {"b.out", sum("converted b.tif")},
                                                {"c.out", sum("converted c.tif")}}));
        if (ahead) {
            // b is decoded (for its own output name) before a is finished, c before b; never
            // more than two photos in memory, and the decoding runs off the operation's thread.
            const QStringList &e = converter->events;
            EXPECT_LT(e.indexOf("decode b.tif as b.out"), e.indexOf("end a.tif")) << e.join(" | ").toStdString();
            EXPECT_LT(e.indexOf("decode c.tif as c.out"), e.indexOf("end b.tif")) << e.join(" | ").toStdString();
            EXPECT_LT(e.indexOf("end a.tif"), e.indexOf("begin b.tif"));
            EXPECT_LE(converter->maxInFlight, 2);
            EXPECT_EQ(converter->inFlight.load(), 0);
            EXPECT_EQ(converter->decodeThreads.size(), 2); // the first photo on the operation's thread
        } else {
            EXPECT_EQ(converter->events, QStringList({"convert a.tif", "convert b.tif", "convert c.tif"}));
        }
    }
}

TEST(ConvertOperation, ASecondDecoderJoinsOnlyWhenDecodingSetsThePace)
{
    // Decoding five times as long as finishing: the operation waits for each photo, so with
    // processors to spare a second decoder joins (two photos ahead, three in memory at most).
    // Finishing longer than decoding: one decoder keeps pace and one photo waits ahead.
    struct Case
    {
        const char *name;
        int decodeMs, finishMs;
        bool secondDecoder;
    };
    const bool spare = platform::processorCount() >= 4;
    const Case cases[] = {{"decoding sets the pace", 160, 30, spare}, {"finishing sets the pace", 0, 150, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ConvertSetup s;
        MCFileList files;
        QStringList expected;
        for (const char *name : {"a", "b", "c", "d", "e", "f"}) {
            files.push_back(s.photo(QString::fromLatin1(name) + ".tif"));
            expected << QString::fromLatin1(name) + ".out";
        }
        auto converter = std::make_shared<FakeConverter>();
        converter->decodeTime = std::chrono::milliseconds(c.decodeMs);
        converter->finishTime = std::chrono::milliseconds(c.finishMs);
        auto operation = convertOperation(files, s.output, converter);
        Recorder recorder;
        run(operation, recorder);

        EXPECT_EQ(recorder.resultNames(), expected);
        // The first photo is decoded on the operation's thread, the others by the decoders.
        EXPECT_EQ(converter->decodeThreads.size(), c.secondDecoder ? 3 : 2);
        EXPECT_LE(converter->maxInFlight, c.secondDecoder ? 3 : 2);
        EXPECT_EQ(converter->inFlight.load(), 0);
    }
}

TEST(ConvertOperation, FailuresConflictsAndCancelInSourceOrder)
{
    for (bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "decoding ahead" : "one photo at a time");
        ConvertSetup s;
        const MCFileList files{s.photo("a.tif"), s.photo("b.tif"), s.photo("c.tif"), s.photo("d.tif")};
        writeFile(s.output + "/c.out", "existing");
        auto converter = std::make_shared<FakeConverter>();
        converter->failing = {"b.tif"};
        std::weak_ptr<MCFileOperation> weak;
        converter->onConvert = [&](const MCFile &file) {
            if (file.fileName() == "d.tif")
                weak.lock()->cancel(); // the user stops while d converts
        };
        ScriptedAlerts alerts;
        alerts.answers = {{"Skip"}, {"Keep Both Files"}};
        auto operation = convertOperation(files, s.output, converter);
        operation->setDecodesAhead(ahead);
        weak = operation;
        Recorder recorder;
        run(operation, recorder);

        ASSERT_EQ(alerts.seen.size(), 2);
        EXPECT_EQ(alerts.seen[0].messageText, "\"b.tif\" couldn't be converted into the folder \"output\".");
        EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop"}));
        EXPECT_EQ(alerts.seen[1].buttonTitles, QStringList({"Skip", "Keep Both Files", "Replace", "Stop"}));
        EXPECT_TRUE(recorder.cancelled);
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.out", "c 2.out"}));
        // d finished converting after the stop: nothing of it is left anywhere.
        EXPECT_EQ(snapshot(s.output), Contents({{"a.out", sum("converted a.tif")},
                                                {"c.out", sum("existing")},
                                                {"c 2.out", sum("converted c.tif")}}));
    }
}

TEST(ConvertOperation, AnUnreadablePhotoCanBeTriedAgain)
{
    for (bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "decoding ahead" : "one photo at a time");
        ConvertSetup s;
        const MCFileList files{s.photo("a.tif"), s.photo("b.tif")};
        // The first attempt at a.tif cannot read it; the second can.
        struct Flaky : FakeConverter
        {
            int failures = 1;
            bool convertFile(const MCFile &file, const QString &destination, MCError *error) override
            {
                if (file.fileName() == "a.tif" && failures-- > 0)
                    return MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadUnknownError, "Could not load"));
                return FakeConverter::convertFile(file, destination, error);
            }
            bool convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded> decoded, const QString &destination,
                                    MCError *error) override
            {
                if (file.fileName() == "a.tif" && failures-- > 0)
                    return MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadUnknownError, "Could not load"));
                return FakeConverter::convertDecodedFile(file, std::move(decoded), destination, error);
            }
        };
        auto flaky = std::make_shared<Flaky>();
        ScriptedAlerts alerts;
        alerts.answers = {{"Try Again"}};
        auto operation = convertOperation(files, s.output, flaky);
        operation->setDecodesAhead(ahead);
        Recorder recorder;
        run(operation, recorder);
        ASSERT_EQ(alerts.seen.size(), 1);
        EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop", "Try Again"}));
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.out", "b.out"}));
        EXPECT_EQ(snapshot(s.output), Contents({{"a.out", sum("converted a.tif")}, {"b.out", sum("converted b.tif")}}));
    }
}

// The File Manager's lines in the log while it lives.
class FileManagerLog
{
public:
    FileManagerLog() { m_previous = qInstallMessageHandler(&handler); }
    ~FileManagerLog() { qInstallMessageHandler(m_previous); }
    QStringList lines() const
    {
        std::lock_guard<std::mutex> guard(s_lock);
        return s_lines;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (context.category && QByteArray(context.category).endsWith("File Manager")) {
            std::lock_guard<std::mutex> guard(s_lock);
            s_lines.append(message);
        }
    }
    static inline std::mutex s_lock;
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

// A failure's alert says what happened to which photo, where it was to go and what to do; its
// domains and codes go to the log, once, with each sentence once.
TEST(ConvertOperation, FailureAlertIsReadableAndTheLogHoldsTheCodes)
{
    ConvertSetup s;
    const MCFileList files{s.photo("a.tif")};
    struct Unreadable : FakeConverter
    {
        static MCError failure()
        {
            const QString reason = QStringLiteral("The data is not in an image format that can be read.");
            MCError error(MCCocoaErrorDomain, MCFileReadCorruptFileError, QStringLiteral("Could not load an image from “a.tif”."),
                          QStringLiteral("Its format is not supported."), QStringLiteral("Save a copy as JPEG."));
            error.setUnderlyingError(MCError(QStringLiteral("MCImageSourceErrorDomain"), 1, reason, reason));
            return error;
        }
        bool convertFile(const MCFile &, const QString &, MCError *error) override
        {
            return MCSetError(error, failure());
        }
        bool convertDecodedFile(const MCFile &, std::unique_ptr<Decoded>, const QString &, MCError *error) override
        {
            return MCSetError(error, failure());
        }
    };
    FileManagerLog log;
    ScriptedAlerts alerts;
    alerts.answers = {{"Skip"}};
    Recorder recorder;
    run(convertOperation(files, s.output, std::make_shared<Unreadable>()), recorder);
    ASSERT_EQ(alerts.seen.size(), 1);
    EXPECT_EQ(alerts.seen[0].messageText, "\"a.tif\" couldn't be converted into the folder \"output\".");
    EXPECT_EQ(alerts.seen[0].informativeText, "Its format is not supported. Save a copy as JPEG.");
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].contains(s.root)) << "the photo's path";
    EXPECT_TRUE(lines[0].contains(QStringLiteral("[NSCocoaErrorDomain %1 < MCImageSourceErrorDomain 1]")
                                      .arg(MCFileReadCorruptFileError)))
        << lines[0].toStdString();
    EXPECT_EQ(lines[0].count(QStringLiteral("The data is not in an image format")), 1);
}

TEST(ConvertOperation, IntermediateFoldersAndNames)
{
    ConvertSetup s;
    const MCFileList files{s.photo("Trip/Day 1/a.tif"), s.photo("Trip/Day 2/a.tif"), s.photo("top.tif"),
                           s.photo("Other/a.png")};
    {
        Recorder recorder;
        run(convertOperation(files, s.output, std::make_shared<FakeConverter>(), true), recorder);
        EXPECT_EQ(snapshot(s.output), Contents({{"Trip/Day 1/a.out", sum("converted a.tif")},
                                                {"Trip/Day 2/a.out", sum("converted a.tif")},
                                                {"top.out", sum("converted top.tif")},
                                                {"Other/a.out", sum("converted a.png")}}));
    }
    {
        // Without sub-folders the three "a" photos take numbered names, never a question.
        const QString flat = s.root + "/flat";
        QDir().mkpath(flat);
        Recorder recorder;
        run(convertOperation(files, flat, std::make_shared<FakeConverter>(), false), recorder);
        EXPECT_EQ(recorder.resultNames(), QStringList({"a.out", "a 2.out", "top.out", "a 3.out"}));
    }
    {
        // A folder that cannot be made: the photo goes into the chosen folder itself.
        const QString blocked = s.root + "/blocked";
        QDir().mkpath(blocked);
        FaultyCalls calls;
        calls.onMakeFolder = [](const QByteArray &path) { return path.endsWith("/Trip") ? EACCES : 0; };
        Recorder recorder;
        run(convertOperation({files[0], files[2]}, blocked, std::make_shared<FakeConverter>(), true, &calls), recorder);
        EXPECT_EQ(snapshot(blocked), Contents({{"a.out", sum("converted a.tif")}, {"top.out", sum("converted top.tif")}}));
    }
}

TEST(ConvertOperation, RealConversionThroughTheFileManager)
{
    ConvertSetup s;
    MCFileList files;
    for (int i = 0; i < 3; ++i) {
        QImage image(64 + i, 48, QImage::Format_RGB32);
        image.fill(QColor(40 * i, 120, 200));
        const QString path = s.imported + QStringLiteral("/photo%1.png").arg(i);
        QDir().mkpath(s.imported);
        ASSERT_TRUE(image.save(path));
        files << libraryFile(path, s.imported);
    }
    QTemporaryDir settings;
    MCUserDefaults defaults(settings.filePath("Preferences.plist"));
    defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    auto converter = std::make_shared<MCBitmapConverter>(&defaults);
    converter->setImageFormat(MCImageFormatJPEG);
    for (bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "decoding ahead" : "one photo at a time");
        const QString output = s.root + (ahead ? "/ahead" : "/plain");
        QDir().mkpath(output);
        Recorder recorder;
        if (ahead) {
            // The file manager's own road, which decodes ahead.
            auto operation =
                MCFileManager::defaultManager().asyncConvertFiles(files, output, converter, recorder.completion());
            operation->setDelegate(&recorder);
            ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }, 30000));
        } else {
            // Set before the operation starts: the file manager's queue may start it at once.
            auto operation = convertOperation(files, output, std::make_shared<MCBitmapConverterRole>(converter));
            operation->setDecodesAhead(false);
            run(operation, recorder);
        }
        EXPECT_EQ(recorder.resultNames(), QStringList({"photo0.jpg", "photo1.jpg", "photo2.jpg"}));
        for (int i = 0; i < 3; ++i) {
            const QImage written(output + QStringLiteral("/photo%1.jpg").arg(i));
            EXPECT_EQ(written.size(), QSize(64 + i, 48));
        }
        EXPECT_EQ(snapshot(output).size(), 3);
    }
}

TEST(EditMetadataOperation, EditsInPlaceAndAsksOnlyWhetherToGoOn)
{
    struct Editor : MCMetadataEditor
    {
        QStringList edited;
        bool editMedataInFile(const MCFile &file, MCError *error, const std::function<bool()> &) override
        {
            if (file.fileName() == "b.jpg")
                return MCSetError(error, MCError(MCErrorDomain, 3, "exiftool failed"));
            edited << file.fileName();
            return true;
        }
    };
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("meta"));
    MCFileList files;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
        writeFile(folder + "/" + name, name);
        files << libraryFile(folder + "/" + name);
    }
    auto editor = std::make_shared<Editor>();
    ScriptedAlerts alerts;
    alerts.answers = {{"Skip"}};
    Recorder recorder;
    auto operation = MCFileManager::defaultManager().asyncEditMetadataInFiles(files, editor, recorder.completion());
    operation->setDelegate(&recorder);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }));
    EXPECT_EQ(editor->edited, QStringList({"a.jpg", "c.jpg"}));
    EXPECT_EQ(recorder.processedNames(), QStringList({"a.jpg", "c.jpg"}));
    EXPECT_FALSE(recorder.results.has_value());
    ASSERT_EQ(alerts.seen.size(), 1);
    EXPECT_EQ(alerts.seen[0].messageText, "Metadata of \"b.jpg\" couldn't be edited.");
    EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop"}));
}

TEST(EditMetadataOperation, WritesThroughTheMetadataConverter)
{
    if (MCExifTool::toolPath().isEmpty())
        GTEST_SKIP() << "exiftool is not installed";
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("meta"));
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(folder + "/good.jpg"));
    writeFile(folder + "/bad.jpg", "not a photo");
    const MCFileList files{libraryFile(folder + "/bad.jpg"), libraryFile(folder + "/good.jpg")};

    QTemporaryDir settings;
    MCUserDefaults defaults(settings.filePath("Preferences.plist"));
    auto converter = std::make_shared<MCMetadataConverter>(&defaults);
    auto owner = std::static_pointer_cast<MCEditMetadataSetCopyrightAndOwner>(
        MCEditMetadataStage::editMetadataStageWithID(MCEditMetadataSetCopyrightAndOwner::StageID));
    ASSERT_TRUE(owner);
    owner->setCopyright(QStringLiteral("Quillon Test"));
    converter->addStage(owner);

    ScriptedAlerts alerts;
    alerts.answers = {{"Skip"}};
    Recorder recorder;
    auto operation = MCFileManager::defaultManager().asyncEditMetadataInFiles(files, converter, recorder.completion());
    operation->setDelegate(&recorder);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }, 60000));
    EXPECT_EQ(recorder.processedNames(), QStringList({"good.jpg"}));
    ASSERT_EQ(alerts.seen.size(), 1);
    EXPECT_EQ(alerts.seen[0].messageText, "Metadata of \"bad.jpg\" couldn't be edited.");
    EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop"}));
    EXPECT_EQ(readFile(folder + "/bad.jpg"), "not a photo");
    MCError error;
    const std::optional<QVariantMap> tags = MCMetadataManager::defaultManager().readMetadataAtURL(folder + "/good.jpg", &error);
    ASSERT_TRUE(tags.has_value()) << error.toString().toStdString();
    EXPECT_EQ(tags->value("Copyright").toString(), "Quillon Test");
}

TEST(SetFileDateOperation, CreationDatesAreNeverReportedSetAndModificationOnlyWhenAsked)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("dates"));
    writeFile(folder + "/dated.jpg", "d");
    writeFile(folder + "/undated.jpg", "u");
    auto dated = libraryFile(folder + "/dated.jpg");
    dated->fileInfo().reloadAllPropertiesFromImageInfo(
        {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2019:06:01 12:30:00"}}}});
    dated->reloadCaptureDate();
    ASSERT_TRUE(dated->captureDate().has_value());
    auto undated = libraryFile(folder + "/undated.jpg");
    const QDateTime untouched = QFileInfo(folder + "/dated.jpg").lastModified();

    for (bool changeModification : {false, true}) {
        SCOPED_TRACE(changeModification ? "with modification" : "creation only");
        ScriptedAlerts alerts;
        alerts.answers = {{"Skip"}, {"Skip"}};
        Recorder recorder;
        auto operation = MCFileManager::defaultManager().asyncSetCreationDateFromCaptureDateForFiles(
            {undated, dated}, changeModification, recorder.completion());
        operation->setDelegate(&recorder);
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return recorder.finished; }));
        EXPECT_TRUE(recorder.processed.isEmpty());
        EXPECT_FALSE(recorder.results.has_value());
        ASSERT_EQ(alerts.seen.size(), 2);
        EXPECT_EQ(alerts.seen[0].messageText, "File Creation Date of \"undated.jpg\" couldn't be set.");
        EXPECT_EQ(alerts.seen[0].buttonTitles, QStringList({"Skip", "Stop"}));
        EXPECT_TRUE(alerts.seen[0].informativeText.contains("Date Time Original"));
        EXPECT_TRUE(operation->resolveErrorActions().contains("MCErrorDomain:4"));
        EXPECT_TRUE(operation->resolveErrorActions().contains("MCErrorDomain:5"));
        EXPECT_EQ(alerts.seen[1].informativeText.contains("modification date was set"), changeModification);
        EXPECT_EQ(QFileInfo(folder + "/dated.jpg").lastModified(),
                  changeModification ? *dated->captureDate() : untouched);
        EXPECT_EQ(readFile(folder + "/undated.jpg"), "u");
    }
}

TEST(FileManager, OperationsRunOneAtATimeInOrderWithTheirDestinations)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("manager"));
    writeFile(root + "/in/a.tiff", "a");
    writeFile(root + "/in/b.jpg", "b");
    QDir().mkpath(root + "/out");
    const MCFileList files{libraryFile(root + "/in/a.tiff"), libraryFile(root + "/in/b.jpg")};
    MCFileManager &manager = MCFileManager::defaultManager();

    QStringList order;
    std::atomic<int> running{0};
    std::atomic<int> overlapped{0};
    auto converter = std::make_shared<FakeConverter>();
    converter->onConvert = [&](const MCFile &) {
        if (++running > 1)
            ++overlapped;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --running;
    };
    bool done = false;
    auto note = [&](const QString &name, bool last = false) {
        return [&, name, last](MCFileOperation &, bool, const MCFileList &, const std::optional<QStringList> &urls) {
            order << name + ": " + [&] {
                QStringList names;
                for (const QString &url : urls.value_or(QStringList()))
                    names << QDir(root).relativeFilePath(url);
                return names.join(", ");
            }();
            done = last;
        };
    };
    manager.asyncConvertFiles(files, root + "/out", std::shared_ptr<MCConverterRole>(converter), note("convert"));
    manager.asyncConvertFiles(files, root + "/out", {"one.out", "two.out"}, converter, note("named"));
    manager.asyncCopyFiles(files, root + "/out", note("copy"));
    manager.asyncCopyFiles(files, root + "/out", {"x/bad", ".."}, note("bad names"));
    manager.asyncRenameFiles(files, {"c.tiff", "d.jpg"}, note("rename", true));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return done; }, 20000));
    EXPECT_EQ(order, QStringList({"convert: out/a.out, out/b.out", "named: out/one.out, out/two.out",
                                  "copy: out/a.tiff, out/b.jpg", "bad names: ", "rename: in/c.tiff, in/d.jpg"}));
    EXPECT_EQ(overlapped.load(), 0);
}
