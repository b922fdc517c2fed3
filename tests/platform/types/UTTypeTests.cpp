#include "platform/types/UTType.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace platform;

TEST(UTType, ExtensionsMapToPreferredDataTypes)
{
    struct Case { const char *extension; const char *identifier; };
    const Case cases[] = {
        {"jpg", "public.jpeg"}, {"JPEG", "public.jpeg"}, {".jpe", "public.jpeg"}, {"png", "public.png"},
        {"tif", "public.tiff"}, {"TIFF", "public.tiff"}, {"heic", "public.heic"}, {"heif", "public.heif"},
        {"avif", "public.avif"}, {"jp2", "public.jpeg-2000"}, {"pdf", "com.adobe.pdf"}, {"gif", "com.compuserve.gif"},
        {"bmp", "com.microsoft.bmp"}, {"webp", "org.webmproject.webp"}, {"dng", "com.adobe.raw-image"},
        {"CR2", "com.canon.cr2-raw-image"}, {"cr3", "com.canon.cr3-raw-image"}, {"nef", "com.nikon.raw-image"},
        {"arw", "com.sony.arw-raw-image"}, {"orf", "com.olympus.raw-image"}, {"raf", "com.fuji.raw-image"},
        {"rw2", "com.panasonic.rw2-raw-image"}, {"mp4", "public.mpeg-4"}, {"mov", "com.apple.quicktime-movie"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QString::fromLatin1(c.extension),
                                                        kUTTypeData),
                  QString::fromLatin1(c.identifier))
            << c.extension;
    }
    EXPECT_EQ(UTTypeCreatePreferredIdentifierForTag(kUTTagClassMIMEType, QStringLiteral("image/jpeg")), kUTTypeJPEG);
    EXPECT_EQ(UTTypeCopyPreferredTagWithClass(kUTTypePNG, kUTTagClassMIMEType), QStringLiteral("image/png"));
    EXPECT_TRUE(UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QString()).isNull());
    EXPECT_TRUE(UTTypeCreatePreferredIdentifierForTag(QStringLiteral("no.such.class"), QStringLiteral("jpg")).isNull());
}

TEST(UTType, ConformanceFollowsTheParentChain)
{
    struct Case { QString type; QString base; bool conforms; };
    const Case cases[] = {
        {kUTTypeJPEG, kUTTypeImage, true},
        {kUTTypeJPEG, kUTTypeData, true},
        {kUTTypeJPEG, kUTTypeItem, true},
        {kUTTypeJPEG, kUTTypeContent, true},
        {QStringLiteral("PUBLIC.JPEG"), kUTTypeImage, true},
        {kUTTypeHEIC, kUTTypeHEIF, true},
        {kUTTypeHEIF, kUTTypeHEIC, false},
        {QStringLiteral("com.canon.cr3-raw-image"), kUTTypeRawImage, true},
        {kUTTypeDNG, kUTTypeImage, true},
        {kUTTypeJPEG, kUTTypeRawImage, false},
        {kUTTypeImage, kUTTypeJPEG, false},
        {kUTTypeMPEG4, kUTTypeMovie, true},
        {kUTTypeQuickTimeMovie, kUTTypeImage, false},
        {kUTTypePDF, kUTTypeData, true},
        {kUTTypeFolder, kUTTypeData, false},
        {QStringLiteral("org.example.unknown"), QStringLiteral("org.example.unknown"), true},
        {QStringLiteral("org.example.unknown"), kUTTypeData, false},
        {QString(), QString(), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UTTypeConformsTo(c.type, c.base), c.conforms) << c.type.toStdString() << " → " << c.base.toStdString();
    EXPECT_TRUE(UTTypeEqual(QStringLiteral("Public.Jpeg"), kUTTypeJPEG));
    EXPECT_FALSE(UTTypeEqual(kUTTypeJPEG, kUTTypePNG));
}

TEST(UTType, DescriptionsAndTags)
{
    EXPECT_EQ(UTTypeCopyDescription(kUTTypeJPEG), QStringLiteral("JPEG image"));
    EXPECT_EQ(UTTypeCopyAllTagsWithClass(kUTTypeJPEG, kUTTagClassFilenameExtension),
              (QStringList{QStringLiteral("jpeg"), QStringLiteral("jpg"), QStringLiteral("jpe")}));
    EXPECT_TRUE(UTTypeCopyAllTagsWithClass(kUTTypeImage, kUTTagClassFilenameExtension).isEmpty());
    EXPECT_TRUE(UTTypeCopyDescription(QStringLiteral("org.example.unknown")).isNull());
    EXPECT_TRUE(UTTypeCopyAllTagsWithClass(QStringLiteral("org.example.unknown"), kUTTagClassFilenameExtension).isEmpty());
    EXPECT_TRUE(UTTypeCopyPreferredTagWithClass(kUTTypeJPEG, QStringLiteral("no.such.class")).isNull());
}

TEST(UTType, UnknownTagsGetStableDynamicIdentifiers)
{
    const QString xyz = UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("xyz"), kUTTypeData);
    ASSERT_TRUE(xyz.startsWith(QStringLiteral("dyn.")));
    EXPECT_TRUE(UTTypeIsDynamic(xyz));
    EXPECT_EQ(UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("XYZ"), kUTTypeData), xyz);
    EXPECT_NE(UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("xyw"), kUTTypeData), xyz);
    EXPECT_TRUE(UTTypeConformsTo(xyz, kUTTypeData));
    EXPECT_TRUE(UTTypeConformsTo(xyz, kUTTypeItem));
    EXPECT_FALSE(UTTypeConformsTo(xyz, kUTTypeImage));
    EXPECT_EQ(UTTypeCopyAllTagsWithClass(xyz, kUTTagClassFilenameExtension), QStringList{QStringLiteral("xyz")});
    EXPECT_TRUE(UTTypeCopyAllTagsWithClass(xyz, kUTTagClassMIMEType).isEmpty());
    EXPECT_TRUE(UTTypeCopyDescription(xyz).isNull());

    // A known extension outside the requested base type, and an unknown one asked as an image.
    const QString jpgMovie = UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("jpg"), kUTTypeMovie);
    EXPECT_TRUE(UTTypeIsDynamic(jpgMovie));
    EXPECT_TRUE(UTTypeConformsTo(jpgMovie, kUTTypeMovie));
    const QString xyzImage = UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("xyz"), kUTTypeImage);
    EXPECT_NE(xyzImage, xyz);
    EXPECT_TRUE(UTTypeConformsTo(xyzImage, kUTTypeImage));
    EXPECT_FALSE(UTTypeIsDynamic(QStringLiteral("dyn.q1")));
    EXPECT_FALSE(UTTypeIsDynamic(kUTTypeJPEG));
}

TEST(UTType, FileNamesAndFilesOnDisk)
{
    struct Case { const char *name; QString identifier; };
    const Case cases[] = {
        {"/photos/IMG_0001.JPG", kUTTypeJPEG}, {"shot.final.cr2", QStringLiteral("com.canon.cr2-raw-image")},
        {"README", kUTTypeData}, {".hidden", kUTTypeData}, {"trailing.", kUTTypeData}, {"/photos/", kUTTypeFolder},
        {"/a.b/noextension", kUTTypeData},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UTTypeForFileName(QString::fromLatin1(c.name)), c.identifier) << c.name;

    const QString folder = testsupport::makeTemporaryFolder();
    QFile png(folder + QStringLiteral("/a.png"));
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    png.close();
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("album.jpg")));
    EXPECT_EQ(UTTypeOfFileAtPath(png.fileName()), kUTTypePNG);
    EXPECT_EQ(UTTypeOfFileAtPath(folder + QStringLiteral("/album.jpg")), kUTTypeFolder);
    EXPECT_TRUE(UTTypeOfFileAtPath(folder + QStringLiteral("/missing.png")).isNull());
    EXPECT_TRUE(UTTypeOfFileAtPath(QString()).isNull());
}

TEST(UTType, DeclaredTypesJoinTheRegistry)
{
    const QString id = QStringLiteral("org.example.quillon-test-image");
    EXPECT_FALSE(UTTypeIsDeclared(id));
    ASSERT_TRUE(UTTypeDeclare(id, QStringLiteral("Test image"), {kUTTypeImage}, {QStringLiteral(".QTI")},
                              {QStringLiteral("image/x-qti")}));
    EXPECT_TRUE(UTTypeIsDeclared(id));
    EXPECT_EQ(UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, QStringLiteral("qti"), kUTTypeImage), id);
    EXPECT_EQ(UTTypeForFileName(QStringLiteral("x.qti")), id);
    EXPECT_TRUE(UTTypeConformsTo(id, kUTTypeData));
    EXPECT_EQ(UTTypeCopyDescription(id), QStringLiteral("Test image"));

    // A second declaration for a taken extension does not displace the first owner.
    ASSERT_TRUE(UTTypeDeclare(QStringLiteral("org.example.other"), QString(), {}, {QStringLiteral("qti")}));
    EXPECT_EQ(UTTypeForFileName(QStringLiteral("x.qti")), id);
    EXPECT_EQ(UTTypeCreateAllIdentifiersForTag(kUTTagClassFilenameExtension, QStringLiteral("qti")),
              (QStringList{id, QStringLiteral("org.example.other")}));
    EXPECT_TRUE(UTTypeConformsTo(QStringLiteral("org.example.other"), kUTTypeData)); // no parents: data
    EXPECT_FALSE(UTTypeDeclare(QStringLiteral("  "), QString(), {}, {}));

    // A cycle among declared parents must not hang a conformance question.
    UTTypeDeclare(QStringLiteral("org.example.loop-a"), QString(), {QStringLiteral("org.example.loop-b")}, {});
    UTTypeDeclare(QStringLiteral("org.example.loop-b"), QString(), {QStringLiteral("org.example.loop-a")}, {});
    EXPECT_FALSE(UTTypeConformsTo(QStringLiteral("org.example.loop-a"), kUTTypeImage));
}
