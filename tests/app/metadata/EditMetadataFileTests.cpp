// Edit Metadata against the real `exiftool` on generated photos: what each stage writes, an
// unchanged second edit, and photos that must come out of every failure byte-identical.
#include "app/library/MCFile.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCUserDefaults.h"

#include "FakeExifTool.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small photo of the format of `name`'s extension; empty when it cannot be made here.
QString makePhoto(const QString &folder, const QString &name)
{
    const QString path = folder + QLatin1Char('/') + name;
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("png")) {
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image.save(path, suffix == QLatin1String("jpg") ? "JPEG" : "PNG") ? path : QString();
    }
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        return {};
    QProcess process;
    process.start(convert, {QStringLiteral("-size"), QStringLiteral("16x12"), QStringLiteral("xc:teal"), path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0 || !QFileInfo::exists(path))
        return {};
    return path;
}

// What `exiftool -j -n` says of the photo (one value per tag name, lists as arrays).
QJsonObject toolView(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("exiftool"), {QStringLiteral("-j"), QStringLiteral("-n"), path});
    if (!process.waitForFinished(30000))
        return {};
    const QJsonArray files = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    return files.isEmpty() ? QJsonObject() : files.first().toObject();
}

std::shared_ptr<MCFile> libraryFile(const QString &path, const QVariantMap &properties = {})
{
    static quint64 nextID = 100;
    auto file = MCFile::fileWithID(nextID++);
    file->setFilePath(path);
    file->setFileName(QFileInfo(path).fileName());
    file->reloadFileInfo();
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    file->reloadCaptureDate();
    return file;
}

template <typename Stage> std::shared_ptr<Stage> make()
{
    return std::static_pointer_cast<Stage>(MCEditMetadataStage::editMetadataStageWithID(Stage::StageID));
}

// The exiftool processes that are children of this process.
QList<pid_t> toolChildren()
{
    QList<pid_t> pids;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return pids;
    while (dirent *entry = ::readdir(proc)) {
        const pid_t pid = pid_t(QByteArray(entry->d_name).toInt());
        if (pid <= 0)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        const QList<QByteArray> afterName = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
        if (afterName.size() > 1 && afterName[1].toInt() == ::getpid() && cmdline.readAll().contains("exiftool"))
            pids << pid;
    }
    ::closedir(proc);
    return pids;
}

class EditMetadataFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (MCExifTool::toolPath().isEmpty())
            GTEST_SKIP() << "exiftool is not installed";
        MCMetadataManager::defaultManager().setExifToolPath({});
        m_folder = testsupport::makeTemporaryFolder(QStringLiteral("edit"));
        m_defaults = std::make_unique<MCUserDefaults>(m_folder + QStringLiteral("/Preferences.plist"));
    }
    void TearDown() override { MCMetadataManager::defaultManager().setExifToolPath({}); }

    // Edits `photo` with `stages`; answers the result, with the error and the changed flag.
    bool edit(const MCFile &file, const QList<MCEditMetadataStageRef> &stages, MCError *error, bool *changed = nullptr,
              const MCCancellationCheck &hook = {})
    {
        MCMetadataConverter converter(m_defaults.get());
        converter.addStagesFromArray(stages);
        return converter.editMedataInFile(file, error, hook, changed);
    }

    QString m_folder;
    std::unique_ptr<MCUserDefaults> m_defaults;
};

} // namespace

TEST_F(EditMetadataFileTest, EveryStageInEveryFormatAndAnUnchangedSecondEdit)
{
    auto keywords = make<MCEditMetadataAddKeyword>();
    keywords->setKeywords(QStringLiteral("sea, Sky"));
    auto owner = make<MCEditMetadataSetCopyrightAndOwner>();
    owner->setCopyright(QStringLiteral("(c) Ånne"));
    owner->setOwner(QStringLiteral("Ånne"));
    auto rating = make<MCEditMetadataSetRating>();
    rating->setRating(3);
    auto gps = make<MCEditMetadataSetGPS>();
    gps->setLatitude(-33.5);
    gps->setLongitude(151.25);
    auto date = make<MCEditMetadataSetCaptureDate>();
    date->setDate(QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10)));
    auto iptc = make<MCEditMetadataSetIPTCInfo>();
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        iptc->setShouldEdit(field.textKey, field.textKey == "creator" || field.textKey == "title");
    iptc->setText("creator", QStringLiteral("Smith, John"));
    iptc->setText("title", QStringLiteral("Bay"));

    struct Step
    {
        const char *what;
        MCEditMetadataStageRef stage;
        std::function<void(const QJsonObject &)> check;
    };
    const std::vector<Step> steps = {
        {"keywords", keywords,
         [](const QJsonObject &tags) {
             // The photo's own "Smith, John" stays one keyword.
             EXPECT_EQ(tags.value("Subject").toArray(), (QJsonArray{"Smith, John", "sea", "Sky"}));
         }},
        {"copyright and owner", owner,
         [](const QJsonObject &tags) {
             EXPECT_EQ(tags.value("Copyright").toString(), QStringLiteral("(c) Ånne"));
             EXPECT_EQ(tags.value("Artist").toString(), QStringLiteral("Ånne"));
             EXPECT_EQ(tags.value("OwnerName").toString(), QStringLiteral("Ånne"));
         }},
        {"rating", rating, [](const QJsonObject &tags) { EXPECT_EQ(tags.value("Rating").toInt(), 3); }},
        {"GPS", gps,
         [](const QJsonObject &tags) {
             EXPECT_DOUBLE_EQ(tags.value("GPSLatitude").toDouble(), -33.5);
             EXPECT_DOUBLE_EQ(tags.value("GPSLongitude").toDouble(), 151.25);
         }},
        {"capture date", date,
         [](const QJsonObject &tags) {
             EXPECT_EQ(tags.value("DateTimeOriginal").toString(), "2021:06:07 08:09:10");
             EXPECT_EQ(tags.value("CreateDate").toString(), "2021:06:07 08:09:10");
             EXPECT_FALSE(tags.contains("OffsetTimeOriginal"));
         }},
        {"IPTC info", iptc,
         [](const QJsonObject &tags) {
             EXPECT_EQ(tags.value("Creator").toString(), "Smith, John"); // one creator, not two
             EXPECT_EQ(tags.value("Title").toString(), "Bay");
         }},
    };
    for (const char *name : {"photo.jpg", "photo.tif", "photo.png", "photo.heic"}) {
        SCOPED_TRACE(name);
        const QString path = makePhoto(m_folder, QString::fromLatin1(name));
        if (path.isEmpty() && QByteArray(name).endsWith("heic")) {
            ADD_FAILURE() << "no HEIC encoder here (ImageMagick's convert with HEIC support): HEIC not tested";
            continue;
        }
        ASSERT_FALSE(path.isEmpty());
        const auto file = libraryFile(path, {{"{IPTC}", QVariantMap{{"Keywords", QStringList{"Smith, John"}}}}});
        for (const Step &step : steps) {
            SCOPED_TRACE(step.what);
            MCError error;
            bool changed = false;
            ASSERT_TRUE(edit(*file, {step.stage}, &error, &changed)) << error.toString().toStdString();
            EXPECT_TRUE(changed);
            step.check(toolView(path));
            // The same edit again finds nothing to change and leaves the photo as it is.
            const QByteArray after = contents(path);
            struct stat before {};
            ::stat(QFile::encodeName(path).constData(), &before);
            ASSERT_TRUE(edit(*file, {step.stage}, &error, &changed)) << error.toString().toStdString();
            EXPECT_FALSE(changed);
            EXPECT_EQ(contents(path), after);
            struct stat again {};
            ::stat(QFile::encodeName(path).constData(), &again);
            EXPECT_EQ(again.st_ino, before.st_ino); // not even replaced by a copy of itself
        }
        // Removing private tags takes the GPS position, the XMP and the IPTC record.
        MCError error;
        ASSERT_TRUE(edit(*file, {make<MCEditMetadataRemovePrivateTags>()}, &error)) << error.toString().toStdString();
        const QJsonObject stripped = toolView(path);
        EXPECT_FALSE(stripped.contains("GPSLatitude"));
        EXPECT_FALSE(stripped.contains("Subject"));
        EXPECT_FALSE(stripped.contains("Keywords"));
        EXPECT_FALSE(stripped.contains("DateTimeOriginal"));
        EXPECT_FALSE(stripped.contains("Title"));
        // Rebuilding keeps what is left and the photo readable.
        ASSERT_TRUE(edit(*file, {make<MCEditMetadataRebuildMetadata>()}, &error)) << error.toString().toStdString();
        EXPECT_EQ(toolView(path).value("ImageWidth").toInt(), 16);
        EXPECT_TRUE(QDir(m_folder).entryList({".quillonx-tmp-*", "quillonx-edit-*"},
                                             QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
    }
}

TEST_F(EditMetadataFileTest, AwkwardValuesArriveExactly)
{
    const QString path = makePhoto(m_folder, QStringLiteral("values.jpg"));
    ASSERT_FALSE(path.isEmpty());
    const auto file = libraryFile(path);
    auto iptc = make<MCEditMetadataSetIPTCInfo>();
    const std::pair<const char *, QString> values[] = {
        {"caption", QStringLiteral("line one\nline two")},
        {"headline", QStringLiteral("#not a comment")},
        {"title", QStringLiteral("-o /elsewhere.jpg")},
        {"city", QStringLiteral("=equals")},
        {"country", QStringLiteral("a, b; c")},
        {"province", QStringLiteral("$dollar @at")},
        {"location", QStringLiteral("-all=")},
    };
    for (const auto &[key, text] : values)
        iptc->setText(QString::fromLatin1(key), text);
    iptc->setShouldEdit(QStringLiteral("creator"), false);
    iptc->setShouldEdit(QStringLiteral("copyright"), false);
    auto keywords = make<MCEditMetadataAddKeyword>();
    keywords->setKeywords(QStringLiteral("-x=y,#z"));
    MCError error;
    ASSERT_TRUE(edit(*file, {iptc, keywords}, &error)) << error.toString().toStdString();
    const QJsonObject tags = toolView(path);
    EXPECT_EQ(tags.value("Caption-Abstract").toString(), values[0].second);
    EXPECT_EQ(tags.value("ImageDescription").toString(), values[0].second);
    EXPECT_EQ(tags.value("Headline").toString(), values[1].second);
    EXPECT_EQ(tags.value("ObjectName").toString(), values[2].second);
    EXPECT_EQ(tags.value("City").toString(), values[3].second);
    EXPECT_EQ(tags.value("Country-PrimaryLocationName").toString(), values[4].second);
    EXPECT_EQ(tags.value("Province-State").toString(), values[5].second);
    EXPECT_EQ(tags.value("Sub-location").toString(), values[6].second);
    EXPECT_EQ(tags.value("Keywords").toArray(), (QJsonArray{"-x=y", "#z"}));
    EXPECT_EQ(tags.value("ImageWidth").toInt(), 16); // "-all=" deleted nothing
}

TEST_F(EditMetadataFileTest, FailuresLeaveThePhotoByteIdentical)
{
    auto owner = make<MCEditMetadataSetCopyrightAndOwner>();
    owner->setOwner(QStringLiteral("Never"));
    auto expectFailure = [&](const MCFile &file, const MCCancellationCheck &hook, const char *what) {
        SCOPED_TRACE(what);
        MCError error;
        bool changed = true;
        EXPECT_FALSE(edit(file, {owner}, &error, &changed, hook));
        EXPECT_FALSE(changed);
        EXPECT_FALSE(error.isNull());
        EXPECT_FALSE(error.localizedDescription().isEmpty());
        EXPECT_TRUE(QDir(m_folder).entryList({".quillonx-tmp-*", "quillonx-edit-*"},
                                             QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
        return error;
    };

    // A read-only photo.
    const QString locked = makePhoto(m_folder, QStringLiteral("locked.jpg"));
    ASSERT_FALSE(locked.isEmpty());
    const QByteArray lockedBytes = contents(locked);
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    const MCError readOnly = expectFailure(*libraryFile(locked), {}, "read-only");
    EXPECT_TRUE(readOnly.is(MCErrorDomain, 3));
    EXPECT_EQ(readOnly.localizedDescription(), QStringLiteral("Metadata of \"locked.jpg\" couldn't be edited."));
    EXPECT_EQ(contents(locked), lockedBytes);
    ::chmod(QFile::encodeName(locked).constData(), 0644); // so the test folder can be removed

    // The tool killed while it edits: the photo stays, and the next edit starts a new tool.
    const QString photo = makePhoto(m_folder, QStringLiteral("photo.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    const QByteArray before = contents(photo);
    const auto file = libraryFile(photo);
    int kills = 0;
    expectFailure(*file,
                  [&] {
                      for (pid_t pid : toolChildren())
                          kills += ::kill(pid, SIGKILL) == 0;
                      return false;
                  },
                  "tool killed");
    EXPECT_GT(kills, 0);
    EXPECT_EQ(contents(photo), before);
    MCError error;
    EXPECT_TRUE(edit(*file, {owner}, &error)) << error.toString().toStdString();
    EXPECT_EQ(toolView(photo).value("Artist").toString(), "Never");

    // The photo deleted while it is being edited is not brought back.
    const QString doomed = makePhoto(m_folder, QStringLiteral("doomed.jpg"));
    ASSERT_FALSE(doomed.isEmpty());
    expectFailure(*libraryFile(doomed), [&] { QFile::remove(doomed); return false; }, "deleted");
    EXPECT_FALSE(QFileInfo::exists(doomed));

    // A tool that dies without answering and one that fails.
    QDir(m_folder).mkpath(QStringLiteral("fake"));
    const QString fake = fakeexiftool::install(m_folder + QStringLiteral("/fake"));
    ASSERT_FALSE(fake.isEmpty());
    MCMetadataManager::defaultManager().setExifToolPath(fake);
    for (const char *mode : {"die", "error"}) {
        fakeexiftool::setMode(fake, QString::fromLatin1(mode));
        const QByteArray current = contents(photo);
        expectFailure(*file, {}, mode);
        EXPECT_EQ(contents(photo), current);
    }
    MCMetadataManager::defaultManager().setExifToolPath({});
}

TEST_F(EditMetadataFileTest, FileNamesThatAreNotUTF8)
{
    // A name holding a byte that is no UTF-8: the photo is edited, or the edit fails with a
    // clear error and the photo (and any file of a similar name) stays as it is.
    const QByteArray folder = QFile::encodeName(m_folder);
    const QByteArray rawName = folder + "/caf\xe9.jpg";
    const QString source = makePhoto(m_folder, QStringLiteral("source.jpg"));
    ASSERT_FALSE(source.isEmpty());
    ASSERT_EQ(::rename(QFile::encodeName(source).constData(), rawName.constData()), 0);
    // The path as the program can spell it (the byte cannot be decoded).
    const QString listed = QFile::decodeName(rawName);
    const auto bytesAtRawName = [&] {
        const int fd = ::open(rawName.constData(), O_RDONLY);
        QByteArray data;
        if (fd >= 0) {
            char buffer[65536];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                data.append(buffer, n);
            ::close(fd);
        }
        return data;
    };
    const QByteArray before = bytesAtRawName();
    auto owner = make<MCEditMetadataSetCopyrightAndOwner>();
    owner->setOwner(QStringLiteral("Me"));
    MCError error;
    bool changed = false;
    const bool edited = edit(*libraryFile(listed), {owner}, &error, &changed);
    if (edited) {
        EXPECT_TRUE(changed);
        EXPECT_NE(bytesAtRawName(), before);
    } else {
        EXPECT_FALSE(error.isNull());
        EXPECT_EQ(bytesAtRawName(), before);
    }
    // Nothing else appeared beside it (listed by bytes: Qt cannot list such a name).
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != ".." && name != "Preferences.plist")
                names << name;
        }
        ::closedir(dir);
    }
    EXPECT_EQ(names, QList<QByteArray>{"caf\xe9.jpg"});
    ::unlink(rawName.constData()); // the test folder's cleanup cannot name it
}

TEST_F(EditMetadataFileTest, DatesAndKeywordReplacementInAJPEG)
{
    const QString path = makePhoto(m_folder, QStringLiteral("dates.jpg"));
    ASSERT_FALSE(path.isEmpty());
    const auto undated = libraryFile(path, {{"{IPTC}", QVariantMap{{"Keywords", QStringList{"boat", "Smith, John"}}}}});
    ASSERT_TRUE(undated->fileCreationDate() || undated->fileModificationDate());

    // The file's creation date becomes the capture date when there is none.
    auto fromCreated = make<MCEditMetadataSetCaptureDateFromCreated>();
    auto replace = make<MCEditMetadataReplaceKeyword>();
    replace->setFind(QStringLiteral("BOAT"));
    replace->setReplace(QStringLiteral("ship, sail"));
    MCError error;
    ASSERT_TRUE(edit(*undated, {fromCreated, replace}, &error)) << error.toString().toStdString();
    QJsonObject tags = toolView(path);
    if (const std::optional<QDateTime> created = undated->fileCreationDate()) {
        EXPECT_EQ(tags.value("DateTimeOriginal").toString(), MCCaptureDate::exifText(*created));
    }
    EXPECT_EQ(tags.value("Keywords").toArray(), (QJsonArray{"Smith, John", "ship", " sail"}));

    // Shifting moves the date the library file was loaded with.
    const auto dated = libraryFile(path, {{"{Exif}", QVariantMap{{"DateTimeOriginal", "2020:02:28 23:30:00"}}}});
    auto shift = make<MCEditMetadataShiftCaptureDate>();
    shift->setDays(1);
    shift->setHours(1);
    ASSERT_TRUE(edit(*dated, {shift}, &error)) << error.toString().toStdString();
    tags = toolView(path);
    EXPECT_EQ(tags.value("DateTimeOriginal").toString(), "2020:03:01 00:30:00");
    EXPECT_EQ(tags.value("ModifyDate").toString(), "2020:03:01 00:30:00");
}
