#include "app/library/MCPathManager.h"
#include "app/metadata/MCMetadataManager.h"

#include "FakeExifTool.h"
#include "halvard/collections/MCOrderedDictionary.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// What edits left beside `photo`: temporary folders (with the copies in them) or copies.
QStringList leftoverCopies(const QString &photo)
{
    return QDir(QFileInfo(photo).absolutePath())
        .entryList({QStringLiteral(".quillonx-tmp-*"), QStringLiteral("quillonx-edit-*")},
                   QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A small photo of the given format in `folder`; empty when it cannot be made here.
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

class MetadataManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (MCExifTool::toolPath().isEmpty())
            GTEST_SKIP() << "exiftool is not installed";
        m_folder = testsupport::makeTemporaryFolder(QStringLiteral("meta"));
    }
    MCMetadataManager &manager() { return MCMetadataManager::defaultManager(); }
    QString m_folder;
};

} // namespace

TEST_F(MetadataManagerTest, EditsAndReadsBackEveryFormat)
{
    for (const char *name : {"photo.jpg", "photo.png", "photo.tif", "photo.heic"}) {
        SCOPED_TRACE(name);
        const QString photo = makePhoto(m_folder, QString::fromLatin1(name));
        if (photo.isEmpty() && QFileInfo(QString::fromLatin1(name)).suffix() == QLatin1String("heic"))
            GTEST_SKIP() << "no HEIC encoder here (ImageMagick's convert with HEIC support): HEIC not tested";
        ASSERT_FALSE(photo.isEmpty()) << "could not make " << name;
        MCError error;
        const MCMetadataValues values = {
            {QStringLiteral("XMP-dc:Creator"), QStringLiteral("Ånne & Bo")},
            {QStringLiteral("XMP:Rating"), 4},
            {QStringLiteral("XMP-dc:Subject"), QStringLiteral("sea, sky")},
        };
        ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, values, &error)) << error.toString().toStdString();
        const std::optional<QVariantMap> tags = manager().readMetadataAtURL(photo, &error);
        ASSERT_TRUE(tags);
        EXPECT_EQ(tags->value("Creator").toString(), QStringLiteral("Ånne & Bo"));
        EXPECT_EQ(tags->value("Rating").toString(), "4");
        EXPECT_EQ(tags->value("Subject").toString(), "sea, sky");
        EXPECT_EQ(tags->value("ImageWidth").toString(), "16");

        // A null value deletes the tag.
        ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, MCMetadataValues{{QStringLiteral("XMP-dc:Creator"), QVariant()}}, &error))
            << error.toString().toStdString();
        EXPECT_FALSE(manager().readMetadataAtURL(photo, nullptr)->contains("Creator"));
        EXPECT_TRUE(leftoverCopies(photo).isEmpty());
    }
}

TEST_F(MetadataManagerTest, AwkwardNamesAndValuesArriveExactly)
{
    QLocale::setDefault(QLocale(QLocale::German)); // numbers must not follow it
    const QString photo = makePhoto(m_folder, QStringLiteral("-line\nfeed #1.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    const QByteArray comment = "  a&b&amp;\nc\r\td  ";
    MCError error;
    const MCMetadataValues values = {
        {QStringLiteral("Comment"), QString::fromUtf8(comment)},
        {QStringLiteral("XMP-dc:Description"), 37.786996},
    };
    EXPECT_TRUE(manager().updateMetadataForImageAtURL(photo, values, &error)) << error.toString().toStdString();
    QLocale::setDefault(QLocale::c());
    const std::optional<QVariantMap> tags = manager().readMetadataAtURL(photo, &error);
    ASSERT_TRUE(tags) << error.toString().toStdString();
    EXPECT_EQ(tags->value("Comment").toString().toUtf8(), comment);
    EXPECT_EQ(tags->value("Description").toString(), "37.786996");
    EXPECT_EQ(tags->value("FileName").toString(), QFileInfo(photo).fileName());
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files).size(), 1); // nothing else appeared beside it
}

// Paths the tool's C-string arguments cannot carry ("$" or "@" beside a line break): the
// photo is read and edited all the same, and nothing is left beside it.
TEST_F(MetadataManagerTest, PathsWithLineBreaksAndDollarOrAtSigns)
{
    const std::pair<const char *, const char *> places[] = {
        {"folder\n$HOME", "photo.jpg"},
        {"folder\n@list", "p$1@\n.png"},
        {"plain", "line\nbreak $x @y.jpg"},
    };
    for (const auto &[folderName, photoName] : places) {
        SCOPED_TRACE(std::string(folderName) + "/" + photoName);
        const QString folder = m_folder + QLatin1Char('/') + QString::fromUtf8(folderName);
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString photo = makePhoto(folder, QString::fromUtf8(photoName));
        ASSERT_FALSE(photo.isEmpty());
        MCError error;
        const std::optional<QVariantMap> read = manager().readMetadataAtURL(photo, &error);
        ASSERT_TRUE(read) << error.toString().toStdString();
        EXPECT_EQ(read->value("ImageWidth").toString(), "16");
        EXPECT_EQ(read->value("FileName").toString(), QFileInfo(photo).fileName());
        EXPECT_EQ(read->value("Directory").toString(), folder);

        ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, MCMetadataValues{{QStringLiteral("XMP-dc:Creator"), QStringLiteral("Odd")}}, &error))
            << error.toString().toStdString();
        EXPECT_EQ(manager().readMetadataAtURL(photo, nullptr)->value("Creator").toString(), "Odd");
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QFileInfo(photo).fileName()});
    }
}

TEST_F(MetadataManagerTest, ScriptsRunAroundTheValues)
{
    const QString photo = makePhoto(m_folder, QStringLiteral("scripted.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    MCError error;
    // Only a pre-script: it runs and the file is replaced.
    const MCMetadataValues preOnly = {
        {kMCMetadataPreScriptsKey, QStringList{QStringLiteral("%s\n-Artist=Pre 100%\n-overwrite_original\n")}}};
    ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, preOnly, &error)) << error.toString().toStdString();
    EXPECT_EQ(manager().readMetadataAtURL(photo, nullptr)->value("Artist").toString(), "Pre 100%");

    // Pre-script, value and post-script in order: the post-script sees the value.
    const MCMetadataValues all = {
        {kMCMetadataPreScriptsKey, QStringList{QStringLiteral("%s\n-all=\n-tagsfromfile\n@\n-all:all\n-overwrite_original\n")}},
        {QStringLiteral("Artist"), QStringLiteral("Value")},
        {kMCMetadataPostScriptsKey, QStringList{QStringLiteral("%s\n-Copyright<Artist\n-overwrite_original\n")}},
    };
    ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, all, &error)) << error.toString().toStdString();
    const QVariantMap tags = *manager().readMetadataAtURL(photo, nullptr);
    EXPECT_EQ(tags.value("Artist").toString(), "Value");
    EXPECT_EQ(tags.value("Copyright").toString(), "Value");
}

TEST_F(MetadataManagerTest, OrderedChangesAreWrittenInTheirOrder)
{
    const QString photo = makePhoto(m_folder, QStringLiteral("ordered.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    // Sorted, "Artist" would come first and "EXIF:Artist" would win.
    const MCOrderedDictionary values({QStringLiteral("First"), QStringLiteral("Second")},
                                     {QStringLiteral("EXIF:Artist"), QStringLiteral("Artist")});
    MCError error;
    ASSERT_TRUE(manager().updateMetadataForImageAtURL(photo, values, &error)) << error.toString().toStdString();
    EXPECT_EQ(manager().readMetadataAtURL(photo, nullptr)->value("Artist").toString(), "Second");
}

TEST_F(MetadataManagerTest, FailedEditsLeaveThePhotoUntouched)
{
    const QString photo = makePhoto(m_folder, QStringLiteral("keep.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    const QByteArray before = contents(photo);
    const QString garbage = m_folder + QStringLiteral("/garbage.jpg");
    ASSERT_TRUE(writeFile(garbage, "this is no JPEG at all"));
    // Not photos, whatever their names say: copying them would block or never end.
    const QString fifo = m_folder + QStringLiteral("/fifo.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = m_folder + QStringLiteral("/zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    struct Case
    {
        const char *what;
        QString path;
        MCMetadataValues values;
        const char *recoveryContains;
    };
    const Case cases[] = {
        {"pre-script error stops the edit", photo,
         {{kMCMetadataPreScriptsKey, QStringList{QStringLiteral("%s\n-tagsfromfile\n/nonexistent/x.jpg\n-all:all\n-overwrite_original\n")}},
          {QStringLiteral("Artist"), QStringLiteral("never")},
          {kMCMetadataPostScriptsKey, QStringList{QStringLiteral("%s\n-Copyright=never\n-overwrite_original\n")}}},
         "does not exist"},
        {"nothing to change", photo, {}, ""},
        {"option as tag name", photo, {{QStringLiteral("-o"), QStringLiteral("/tmp/x")}}, "New values cound't be set."},
        {"copying option as tag name", photo, {{QStringLiteral("TagsFromFile"), garbage}}, "New values cound't be set."},
        {"option in other case", photo, {{QStringLiteral("aLLtAGSfROMfILE"), garbage}}, "New values cound't be set."},
        {"moving pseudo tag", photo, {{QStringLiteral("System:Directory"), QStringLiteral("/tmp")}}, "New values cound't be set."},
        {"corrupt file", garbage, {{QStringLiteral("Artist"), QStringLiteral("x")}}, "Error"},
        {"missing file", m_folder + QStringLiteral("/missing.jpg"), {{QStringLiteral("Artist"), QStringLiteral("x")}}, ""},
        {"folder", m_folder, {{QStringLiteral("Artist"), QStringLiteral("x")}}, ""},
        {"FIFO", fifo, {{QStringLiteral("Artist"), QStringLiteral("x")}}, ""},
        {"link to a device", zero, {{QStringLiteral("Artist"), QStringLiteral("x")}}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MCError error;
        EXPECT_FALSE(manager().updateMetadataForImageAtURL(c.path, c.values, &error));
        EXPECT_TRUE(error.is(MCErrorDomain, 3)) << error.toString().toStdString();
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("Metadata of \"%1\" couldn't be edited.").arg(QFileInfo(c.path).fileName()));
        EXPECT_TRUE(error.localizedRecoverySuggestion().contains(QLatin1String(c.recoveryContains)))
            << error.localizedRecoverySuggestion().toStdString();
    }
    EXPECT_EQ(contents(photo), before);
    EXPECT_EQ(contents(garbage), "this is no JPEG at all");
    EXPECT_TRUE(leftoverCopies(photo).isEmpty());
}

TEST_F(MetadataManagerTest, ReadOnlyPhotoSymlinkModeAndAttributes)
{
    const QString photo = makePhoto(m_folder, QStringLiteral("kept.jpg"));
    ASSERT_FALSE(photo.isEmpty());
    const QByteArray name = QFile::encodeName(photo);
    const MCMetadataValues values = {{QStringLiteral("Artist"), QStringLiteral("Linked")}};

    // Read-only: refused, untouched.
    ASSERT_EQ(::chmod(name.constData(), 0444), 0);
    const QByteArray before = contents(photo);
    MCError error;
    EXPECT_FALSE(manager().updateMetadataForImageAtURL(photo, values, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 3));
    EXPECT_EQ(contents(photo), before);

    // Through a symbolic link: the target is edited, the link stays a link, the mode and
    // extended attributes stay.
    ASSERT_EQ(::chmod(name.constData(), 0640), 0);
    const bool hasAttributes = ::setxattr(name.constData(), "user.quillonx.test", "kept", 4, 0) == 0;
    const QString link = m_folder + QStringLiteral("/link.jpg");
    ASSERT_TRUE(QFile::link(photo, link));
    ASSERT_TRUE(manager().updateMetadataForImageAtURL(link, values, &error)) << error.toString().toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(manager().readMetadataAtURL(photo, nullptr)->value("Artist").toString(), "Linked");
    struct stat st {};
    ASSERT_EQ(::stat(name.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (hasAttributes) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(name.constData(), "user.quillonx.test", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
}

TEST_F(MetadataManagerTest, ReadingThroughTheReplyAndItsErrors)
{
    const QString photo = makePhoto(m_folder, QStringLiteral("read.png"));
    ASSERT_FALSE(photo.isEmpty());
    bool called = false;
    manager().readMetadataAtURL(photo, [&](const std::optional<QVariantMap> &tags, const MCError &error) {
        called = true;
        ASSERT_TRUE(tags);
        EXPECT_EQ(tags->value("FileType").toString(), "PNG");
        EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
    });
    EXPECT_TRUE(called);

    MCError error;
    EXPECT_FALSE(manager().readMetadataAtURL(m_folder + QStringLiteral("/missing.png"), &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Metadata of \"missing.png\" couldn't be read."));
}

TEST(MetadataManagerMissingTool, ReportsExiftoolIsNotFound)
{
    MCExifTool tool(QStringLiteral("/nonexistent/exiftool"));
    EXPECT_EQ(tool.exifTool(), nullptr);
    MCError error;
    EXPECT_FALSE(tool.readMetadataAtURL(QStringLiteral("/p/x.jpg"), &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    EXPECT_EQ(error.localizedRecoverySuggestion(), "exiftool is not found.");
    EXPECT_FALSE(tool.updateMetadataForImageAtURL(QStringLiteral("/p/x.jpg"), {{QStringLiteral("Artist"), QStringLiteral("x")}}, {}, {}, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 3));
    EXPECT_EQ(error.localizedRecoverySuggestion(), "exiftool is not found.");
}

// The tool's own verdict decides, with the fake in its place.
TEST(MetadataManagerVerdict, OnlyAnUpdateWithoutErrorReplacesThePhoto)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("verdict"));
    const QString script = fakeexiftool::install(folder);
    MCExifTool tool(script);
    const QString photo = folder + QStringLiteral("/photo.jpg");
    struct Case
    {
        const char *mode;
        bool succeeds;
        const char *recoveryContains;
    };
    const Case cases[] = {
        {"updated", true, ""},
        {"warning", true, ""},
        {"error", false, "Error: Fake failure"},
        {"silent", false, "did not update"},
        {"die", false, "quit unexpectedly"},
        {"slow", false, "in time"},
        {"updated", true, ""}, // the tool is back after the failures
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_TRUE(writeFile(photo, "photo"));
        // The fake answers reads of the copy normally in the verdict modes; "die" and "slow"
        // already fail the read of the copy.
        fakeexiftool::setMode(script, QString::fromLatin1(c.mode));
        const double patience = std::strcmp(c.mode, "slow") == 0 ? 0.5 : 20.0; // generous on a busy machine
        tool.setTimeouts(patience, patience, 0.0);
        MCError error;
        const bool ok = tool.updateMetadataForImageAtURL(photo, {{QStringLiteral("Artist"), QStringLiteral("x")}}, {}, {}, &error);
        EXPECT_EQ(ok, c.succeeds) << error.toString().toStdString();
        EXPECT_EQ(contents(photo), c.succeeds ? QByteArray("photoX") : QByteArray("photo"));
        if (!c.succeeds) {
            EXPECT_TRUE(error.is(MCErrorDomain, 3));
            EXPECT_TRUE(error.localizedRecoverySuggestion().contains(QLatin1String(c.recoveryContains)))
                << error.localizedRecoverySuggestion().toStdString();
        }
        EXPECT_TRUE(leftoverCopies(photo).isEmpty());
    }
}

TEST(MetadataManagerVerdict, TagsOfOneNameReadAsTheLastListed)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("dupes"));
    MCExifTool tool(fakeexiftool::install(folder));
    const QString photo = folder + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(writeFile(photo, "photo"));
    MCError error;
    const std::optional<QVariantMap> tags = tool.readMetadataAtURL(photo, &error);
    ASSERT_TRUE(tags) << error.toString().toStdString();
    EXPECT_TRUE(error.isNull());
    EXPECT_EQ(tags->value("Artist").toString(), "Fake XMP");
    EXPECT_EQ(tags->value("FileName").toString(), "fake");
    EXPECT_EQ(tags->value("SourceFile").toString(), photo);
}

TEST(MetadataManagerVerdict, CancelLeavesThePhotoAndNoCopy)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("cancel"));
    const QString script = fakeexiftool::install(folder);
    MCExifTool tool(script);
    const QString photo = folder + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(writeFile(photo, "photo"));
    fakeexiftool::setMode(script, QStringLiteral("slow"));
    const auto start = std::chrono::steady_clock::now();
    MCError error;
    EXPECT_FALSE(tool.updateMetadataForImageAtURL(photo, {{QStringLiteral("Artist"), QStringLiteral("x")}}, {}, {}, &error, [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200);
    }));
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCUserCancelledError)) << error.toString().toStdString();
    EXPECT_EQ(contents(photo), "photo");
    EXPECT_TRUE(leftoverCopies(photo).isEmpty());
}
