// What a user is told when a photo cannot be loaded or its result cannot be written: each
// cause made real on disk, and the message telling it apart from the others.
#include "PipelineTestSupport.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/MCImageDestination.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <cerrno>

#include <sched.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace pipelinetest;

namespace {

constexpr uid_t kNobody = 65534;

// A `width` × `height` photo of noise (so it does not compress away) written as `type`.
QByteArray encodedPhoto(const QString &folder, const QString &type, size_t width = 64, size_t height = 48)
{
    QByteArray data(qsizetype(width * height * 4), Qt::Uninitialized);
    QRandomGenerator random(7);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = (i % 4 == 3) ? char(255) : char(random.bounded(256));
    auto bitmap = MCBitmap::createWithCGImage(CGImage::create(
        width, height, 8, 32, width * 4, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
    const QString path = QDir(folder).filePath(QStringLiteral("encoded"));
    EXPECT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_TRUE(bitmap->saveAtURL(path, type, {}));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

// A JPEG whose frame header claims `width` × `height` pixels.
QByteArray jpegClaiming(QByteArray jpeg, quint16 width, quint16 height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const uchar marker = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header in the JPEG";
    return jpeg;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::shared_ptr<MCFile> libraryFile(const QString &path)
{
    auto file = MCFile::fileWithID(11);
    file->setFilePath(path);
    file->setFileName(QFileInfo(path).fileName());
    return file;
}

// Root passes every permission check. For as long as it lives, this thread reads and writes
// as the user "nobody" instead (the file-system user id is the thread's own), so permission
// faults are real as root too. Nothing to do for other users.
class AsNobody
{
public:
    AsNobody()
    {
        if (geteuid() != 0)
            return;
        setfsgid(kNobody);
        setfsuid(kNobody);
        m_active = true;
    }
    ~AsNobody()
    {
        if (m_active) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    // Whether the thread really acts as someone other than root now.
    bool works() const { return !m_active || uid_t(setfsuid(uid_t(-1))) == kNobody; }

private:
    bool m_active = false;
};

// A small tmpfs of our own at `folder` (root only). The mount lives in a mount namespace of
// this thread alone, private from the start, so nothing of it is seen outside the test.
class ScratchFileSystem
{
public:
    ScratchFileSystem(const QString &folder, bool readOnly) : m_folder(QFile::encodeName(folder))
    {
        static thread_local bool isolated = false;
        if (!isolated) {
            if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                m_why = QStringLiteral("a mount namespace of its own, refused: %1")
                            .arg(QString::fromLocal8Bit(strerror(errno)));
                return;
            }
            isolated = true;
        }
        const unsigned long flags = MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
        if (mount("quillonx-test", m_folder.constData(), "tmpfs", flags, "size=64k,mode=0777") != 0)
            m_why = QStringLiteral("a tmpfs, refused: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        else
            m_mounted = true;
    }
    ~ScratchFileSystem()
    {
        if (m_mounted)
            umount2(m_folder.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString whyNot() const { return m_why; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_why;
};

// Fills the file system holding `folder` until the system refuses more.
void fill(const QString &folder)
{
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    for (int i = 0; i < 1024 && filler.write(block) == block.size(); ++i) {
    }
}

// The errno at the bottom of an error's chain, or 0.
qint64 systemCode(const MCError &error)
{
    for (const MCError *e = &error; e; e = e->underlyingError())
        if (e->domain() == MCPOSIXErrorDomain)
            return e->code();
    return 0;
}

class ConversionFailure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Under /tmp and open to all, so the thread acting as "nobody" can reach it.
        ASSERT_TRUE(m_root.isValid());
        QFile::setPermissions(m_root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                 QFileDevice::ReadOther | QFileDevice::ExeOther |
                                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup);
        folder = m_root.path();
        photo = QDir(folder).filePath(QStringLiteral("photo.jpg"));
        ASSERT_TRUE(writeFile(photo, encodedPhoto(folder, QStringLiteral("public.jpeg"))));
    }

    QString path(const QString &name) const { return QDir(folder).filePath(name); }

    std::unique_ptr<MCUserDefaults> defaults = makeDefaults();
    MCBitmapConverter converter{defaults.get()};
    QString folder;
    QString photo;

private:
    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/quillonx-faults-XXXXXX")};
};

} // namespace

TEST_F(ConversionFailure, EachLoadingFailureSaysWhatWentWrong)
{
    const QByteArray jpeg = encodedPhoto(folder, QStringLiteral("public.jpeg"));
    const QByteArray png = encodedPhoto(folder, QStringLiteral("public.png"));

    ASSERT_TRUE(writeFile(path("locked.jpg"), jpeg));
    ASSERT_TRUE(QFile::setPermissions(path("locked.jpg"), QFileDevice::WriteOwner));
    ASSERT_TRUE(QDir(folder).mkdir("album.jpg"));
    ASSERT_TRUE(writeFile(path("notes.txt"), "shopping list: film, lens cloth\n"));
    ASSERT_TRUE(writeFile(path("huge.jpg"), jpegClaiming(jpeg, 60000, 60000)));
    ASSERT_TRUE(writeFile(path("cut.png"), png.left(png.size() * 3 / 5)));
    ASSERT_TRUE(writeFile(path("broken.png"), png.left(16) + QByteArray(200, '\x5A')));
    ASSERT_TRUE(writeFile(path("empty.jpg"), QByteArray()));

    struct Case
    {
        const char *name;
        qint64 code;            // in the file-system domain
        QString causeDomain;    // the loader's reason, kept as the underlying error
        qint64 causeCode;
        const char *kind;       // cases of one kind share their message
    };
    const Case cases[] = {
        {"gone.jpg", MCFileReadNoSuchFileError, MCPOSIXErrorDomain, ENOENT, "missing"},
        {"locked.jpg", MCFileReadNoPermissionError, MCPOSIXErrorDomain, EACCES, "no permission"},
        {"album.jpg", MCFileReadUnknownError, MCPOSIXErrorDomain, EISDIR, "folder"},
        {"notes.txt", MCFileReadCorruptFileError, MCImageSourceErrorDomain, kMCImageSourceUnknownFormat, "format"},
        {"huge.jpg", MCFileReadTooLargeError, MCImageSourceErrorDomain, kMCImageSourceTooLarge, "too large"},
        {"cut.png", MCFileReadCorruptFileError, MCImageSourceErrorDomain, kMCImageSourceDamaged, "damaged"},
        {"broken.png", MCFileReadCorruptFileError, MCImageSourceErrorDomain, kMCImageSourceDamaged, "damaged"},
        {"empty.jpg", MCFileReadCorruptFileError, MCImageSourceErrorDomain, kMCImageSourceDamaged, "damaged"},
    };
    QMap<QString, QString> reasonOfKind;
    const AsNobody nobody;
    ASSERT_TRUE(nobody.works());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MCError error;
        EXPECT_FALSE(MCBitmapConverter::newImageAtURL(path(c.name), nullptr, &error));
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, c.code)) << error.toString().toStdString();
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("Could not load an image from “%1”.").arg(c.name));
        EXPECT_EQ(error.userInfo().value(MCFilePathErrorKey).toString(), path(c.name));
        ASSERT_TRUE(error.underlyingError());
        EXPECT_TRUE(error.underlyingError()->is(c.causeDomain, c.causeCode)) << error.toString().toStdString();
        EXPECT_FALSE(error.localizedFailureReason().isEmpty());
        // A Linux desktop has an image viewer, not the other platform's applications.
        EXPECT_FALSE(error.localizedRecoverySuggestion().isEmpty());
        EXPECT_FALSE(error.localizedRecoverySuggestion().contains("Preview"));
        const QString message = error.localizedFailureReason() + error.localizedRecoverySuggestion();
        EXPECT_EQ(reasonOfKind.value(c.kind, message), message) << "one kind, one message";
        reasonOfKind.insert(c.kind, message);
    }
    // Every kind reads differently.
    EXPECT_EQ(QSet<QString>(reasonOfKind.cbegin(), reasonOfKind.cend()).size(), reasonOfKind.size());
}

TEST_F(ConversionFailure, EachWritingFailureGivesTheSystemsReason)
{
    const QString destinationName = QStringLiteral("out.jpg");
    ASSERT_TRUE(writeFile(path("plain-file"), "not a folder"));
    ASSERT_TRUE(QDir(folder).mkdir("locked"));
    ASSERT_TRUE(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                          QFileDevice::ReadOther | QFileDevice::ExeOther));
    ASSERT_TRUE(QDir(folder).mkdir("full"));
    ASSERT_TRUE(QDir(folder).mkdir("read-only"));

    struct Case
    {
        const char *folder;
        int errnoValue;
        const char *reason; // the system's own words
        const char *suggestion;
    };
    // The last two need a file system of their own, which only root can mount.
    const Case cases[] = {
        {"gone", ENOENT, "No such file or directory", "The output folder doesn’t exist. Choose another output folder."},
        {"plain-file", ENOTDIR, "Not a directory", "The output folder doesn’t exist. Choose another output folder."},
        {"locked", EACCES, "Permission denied",
         "Choose an output folder you may write to, or change the folder’s permissions."},
        {"full", ENOSPC, "No space left on device",
         "Free some space on the disk, or choose an output folder on another disk."},
        {"read-only", EROFS, "Read-only file system",
         "The output folder is on a disk that can only be read. Choose another output folder."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder);
        const QString outputFolder = path(c.folder);
        std::optional<ScratchFileSystem> scratch;
        if (c.errnoValue == ENOSPC || c.errnoValue == EROFS) {
            scratch.emplace(outputFolder, c.errnoValue == EROFS);
            if (!scratch->mounted())
                GTEST_SKIP() << "the cases before ran; \"" << c.folder << "\" needs " << scratch->whyNot().toStdString();
            if (c.errnoValue == ENOSPC)
                fill(outputFolder);
        }
        const QStringList before = QDir(outputFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        MCError error;
        {
            const AsNobody nobody;
            ASSERT_TRUE(nobody.works());
            EXPECT_FALSE(converter.convertFile(*libraryFile(photo), QDir(outputFolder).filePath(destinationName), &error));
        }
        EXPECT_TRUE(error.is(MCErrorDomain, 1)) << error.toString().toStdString();
        EXPECT_EQ(error.localizedDescription(), "“out.jpg” could not be converted.");
        EXPECT_EQ(error.localizedFailureReason(), c.reason);
        EXPECT_EQ(error.localizedRecoverySuggestion(), QString::fromUtf8(c.suggestion));
        EXPECT_EQ(systemCode(error), c.errnoValue) << error.toString().toStdString();
        ASSERT_TRUE(error.underlyingError());
        EXPECT_TRUE(error.underlyingError()->is(MCImageDestinationErrorDomain, kMCImageDestinationWriteFailed));
        // Nothing half-written is left behind.
        if (c.errnoValue != ENOTDIR && c.errnoValue != ENOENT) {
            EXPECT_EQ(QDir(outputFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        }
    }
}
