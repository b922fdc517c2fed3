// A photo's own metadata written into every output format that can hold it, with the
// property dictionary applied over it. The source is a tiny JPEG with a synthetic Canon maker
// note and rationals written with 2^32 - 1 denominators (tests/data/metadata), to which the
// test adds XMP, IPTC, a comment and Photoshop resources with exiftool.
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <cstring>

namespace {

QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return process.readAllStandardOutput();
}

// exiftool's view of a file with group names ("XMP-dc:Creator") and numbers as numbers.
QJsonObject tagsOf(const QString &path)
{
    const QJsonDocument doc = QJsonDocument::fromJson(runTool("exiftool", {"-j", "-n", "-a", "-G1", path}));
    return doc.array().isEmpty() ? QJsonObject() : doc.array().first().toObject();
}

QString text(const QJsonObject &tags, const QString &name)
{
    const QJsonValue value = tags.value(name);
    if (value.isArray()) {
        QStringList items;
        for (const QJsonValue &item : value.toArray())
            items << item.toVariant().toString();
        return items.join(", ");
    }
    return value.toVariant().toString();
}

class MetadataCarryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("exiftool").isEmpty())
            GTEST_SKIP() << "exiftool is not installed";
        m_folder = testsupport::makeTemporaryFolder(QStringLiteral("carry"));
        m_source = QDir(m_folder).filePath("source.jpg");
        ASSERT_TRUE(QFile::copy(testsupport::dataPath("metadata/synthetic-makernote.jpg"), m_source));
        QFile::setPermissions(m_source, QFile::ReadOwner | QFile::WriteOwner);
        const QStringList edits = {
            "-overwrite_original",
            "-XMP-dc:Creator=Ana Lind",
            "-XMP-dc:Rights=© 2021 Ana Lind",
            "-XMP-dc:Description=Harbour at dawn",
            "-XMP-xmp:Rating=4",
            "-XMP-xmpMM:DocumentID=xmp.did:carry-test",
            "-XMP-xmpMM:HistoryAction=saved",
            "-XMP-xmpMM:HistorySoftwareAgent=Darkroom 2",
            "-IPTC:Keywords=harbour",
            "-IPTC:City=Bergen",
            "-IPTC:DateCreated=2021:06:07",
            "-IPTC:TimeCreated=08:09:10+02:00",
            "-IPTC:DigitalCreationDate=2021:06:07",
            "-IPTC:DigitalCreationTime=08:09:11+02:00",
            "-Comment=Shot from the pier",
            "-Photoshop:CopyrightFlag=1",
            "-Photoshop:URL=https://example.org/ana",
            "-GPSLatitude=60.39",
            "-GPSLatitudeRef=N",
            "-GPSLongitude=5.32",
            "-GPSLongitudeRef=E",
            m_source,
        };
        runTool("exiftool", edits);
        ASSERT_EQ(text(tagsOf(m_source), "Canon:OwnerName"), "Synthetic Owner") << "fixture";
    }

    // Writes the source's image as `type` with the source's dictionary changed by `edit`.
    QString convert(const QString &type, const QString &extension,
                    const std::function<void(QVariantMap &)> &edit = {})
    {
        const CGImageSourceRef source = CGImageSource::createWithURL(m_source);
        EXPECT_TRUE(source);
        if (!source)
            return {};
        QVariantMap properties = source->copyPropertiesAtIndex(0);
        if (edit)
            edit(properties);
        properties.insert(kMCImageDestinationMetadataSource, m_source);
        const QString path = QDir(m_folder).filePath("out." + extension);
        MCError error;
        auto destination = MCImageDestination::createWithURL(path, type, 1, &error);
        EXPECT_TRUE(destination);
        if (!destination)
            return {};
        destination->addImage(source->createImageAtIndex(0), properties);
        EXPECT_TRUE(destination->finalize(&error)) << error.toString().toStdString();
        return path;
    }

    QString m_folder;
    QString m_source;
};

// What survives a conversion to each format with the dictionary left as read. Formats without
// IPTC carry it in their XMP (the date and time of creation as photoshop:DateCreated); the
// comment is a JPEG's comment segment, a PNG's "Comment" text and a TIFF's image description;
// only JPEG and TIFF hold Photoshop resources, and TIFF its IPTC also in the IPTC-NAA tag.
TEST_F(MetadataCarryTest, SourceMetadataReachesEveryFormat)
{
    struct Case
    {
        const QString &type;
        const char *extension;
        bool iptc;
        const char *comment; // where the comment is, if anywhere
        bool photoshop;
    } cases[] = {
        {kUTTypeJPEG, "jpg", true, "File:Comment", true},
        {kUTTypeTIFF, "tif", true, "IFD0:ImageDescription", true},
        {kUTTypePNG, "png", true, "PNG:Comment", false},
        {kUTTypeHEIC, "heic", false, nullptr, false},
        {kUTTypeJPEG2000, "jp2", false, nullptr, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.extension);
        const QJsonObject tags = tagsOf(convert(c.type, c.extension));
        // XMP: creator, rights, description, rating and history.
        EXPECT_EQ(text(tags, "XMP-dc:Creator"), "Ana Lind");
        EXPECT_EQ(text(tags, "XMP-dc:Rights"), "© 2021 Ana Lind");
        EXPECT_EQ(text(tags, "XMP-dc:Description"), "Harbour at dawn");
        EXPECT_EQ(tags.value("XMP-xmp:Rating").toInt(), 4);
        EXPECT_EQ(text(tags, "XMP-xmpMM:HistoryAction"), "saved");
        EXPECT_EQ(text(tags, "XMP-xmpMM:DocumentID"), "xmp.did:carry-test");
        // The maker note, re-encoded by its maker's rules.
        EXPECT_EQ(text(tags, "Canon:OwnerName"), "Synthetic Owner");
        EXPECT_EQ(text(tags, "Canon:CanonFirmwareVersion"), "Firmware 9.8.7");
        EXPECT_EQ(tags.value("Canon:SerialNumber").toInt(), 4242);
        // Exif and GPS, with the unsigned rationals read as unsigned.
        EXPECT_EQ(text(tags, "ExifIFD:DateTimeOriginal"), "2021:06:07 08:09:10");
        EXPECT_NEAR(tags.value("GPS:GPSLatitude").toDouble(), 60.39, 1e-6);
        const QStringList white = text(tags, "IFD0:WhitePoint").split(' ');
        ASSERT_EQ(white.size(), 2);
        EXPECT_NEAR(white[0].toDouble(), 0.3127, 1e-6);
        EXPECT_NEAR(white[1].toDouble(), 0.329, 1e-6);
        EXPECT_EQ(text(tags, "IFD0:PrimaryChromaticities").split(' ').size(), 6);
        EXPECT_NEAR(text(tags, "IFD0:PrimaryChromaticities").split(' ').value(0).toDouble(), 0.64, 1e-6);
        // The written file's own facts.
        EXPECT_EQ(tags.value("ExifIFD:ExifImageWidth").toInt(), 24);
        EXPECT_FALSE(tags.contains("IFD1:ThumbnailLength"));
        if (c.iptc) {
            EXPECT_EQ(text(tags, "IPTC:TimeCreated"), "08:09:10+02:00");
            EXPECT_EQ(text(tags, "IPTC:DigitalCreationTime"), "08:09:11+02:00");
            EXPECT_EQ(text(tags, "IPTC:Keywords"), "harbour");
            if (c.type == kUTTypeTIFF) // the second copy
                EXPECT_EQ(text(tags, "IPTC2:Keywords"), "harbour");
        } else {
            EXPECT_EQ(text(tags, "XMP-photoshop:DateCreated"), "2021:06:07 08:09:10+02:00");
            EXPECT_EQ(text(tags, "XMP-dc:Subject"), "harbour");
        }
        if (c.comment)
            EXPECT_EQ(text(tags, c.comment), "Shot from the pier");
        for (const char *elsewhere : {"File:Comment", "PNG:Comment", "IFD0:ImageDescription"})
            if (!c.comment || std::strcmp(elsewhere, c.comment) != 0)
                EXPECT_FALSE(tags.contains(QLatin1String(elsewhere))) << elsewhere;
        EXPECT_EQ(text(tags, "Photoshop:URL") == "https://example.org/ana", c.photoshop);
    }

    // The comment comes back from a TIFF and a PNG as a comment.
    for (const char *extension : {"tif", "png"}) {
        SCOPED_TRACE(extension);
        m_source = QDir(m_folder).filePath(QStringLiteral("out.") + extension);
        const QString again = QDir(m_folder).filePath(QStringLiteral("again-") + extension + ".jpg");
        ASSERT_TRUE(QFile::rename(convert(kUTTypeJPEG, "jpg"), again));
        EXPECT_EQ(text(tagsOf(again), "File:Comment"), "Shot from the pier");
    }
}

// What a stage set or removed wins over the source, in the Exif, the IPTC and the XMP alike.
TEST_F(MetadataCarryTest, DictionaryChangesWinOverTheSource)
{
    const auto edit = [](QVariantMap &properties) {
        properties.remove(kCGImagePropertyGPSDictionary);
        QVariantMap exif = properties.value(kCGImagePropertyExifDictionary).toMap();
        exif.remove(kCGImagePropertyExifMakerNote);
        exif.insert(kCGImagePropertyExifDateTimeOriginal, "2022:01:02 03:04:05");
        properties.insert(kCGImagePropertyExifDictionary, exif);
        QVariantMap iptc = properties.value(kCGImagePropertyIPTCDictionary).toMap();
        iptc.insert(kCGImagePropertyIPTCKeywords, QVariantList{"harbour", "boats"});
        iptc.insert(kCGImagePropertyIPTCStarRating, 2);
        iptc.remove(kCGImagePropertyIPTCCaptionAbstract); // read from the XMP description
        iptc.remove(kCGImagePropertyIPTCCopyrightNotice);  // read from the XMP rights
        properties.insert(kCGImagePropertyIPTCDictionary, iptc);
    };
    for (const auto &[type, extension] : {std::pair{kUTTypeJPEG, "jpg"}, std::pair{kUTTypeHEIC, "heic"}}) {
        SCOPED_TRACE(extension);
        const QJsonObject tags = tagsOf(convert(type, extension, edit));
        for (const char *gone : {"GPS:GPSLatitude", "Canon:OwnerName", "XMP-dc:Description", "XMP-dc:Rights",
                                    "Photoshop:URL", "Photoshop:CopyrightFlag"})
            EXPECT_FALSE(tags.contains(QLatin1String(gone))) << gone;
        EXPECT_EQ(tags.value("XMP-xmp:Rating").toInt(), 2);
        EXPECT_EQ(text(tags, "ExifIFD:DateTimeOriginal"), "2022:01:02 03:04:05");
        // JPEG writes keywords to its IPTC (its XMP had none); HEIC carries the IPTC as XMP.
        EXPECT_EQ(text(tags, type == kUTTypeJPEG ? "IPTC:Keywords" : "XMP-dc:Subject"), "harbour, boats");
        EXPECT_EQ(text(tags, "XMP-dc:Creator"), "Ana Lind");
        EXPECT_EQ(text(tags, "XMP-xmpMM:HistoryAction"), "saved");
    }
}

// Values the source holds only in its XMP stay in the XMP, whatever the IPTC gets.
TEST_F(MetadataCarryTest, XmpOnlyValuesStayInXmp)
{
    runTool("exiftool", {"-overwrite_original", "-IPTC:all=", "-XMP-photoshop:City=Tromsø", "-XMP-photoshop:Credit=Ana Lind",
                         "-XMP-photoshop:Headline=Northern lights", "-XMP-photoshop:Source=Own archive",
                         "-XMP-photoshop:DateCreated=2021:06:07 08:09:10+02:00", "-XMP-photoshop:Category=NAT",
                         m_source});
    for (const auto &[type, extension] : {std::pair{kUTTypeJPEG, "jpg"}, std::pair{kUTTypeTIFF, "tif"},
                                          std::pair{kUTTypePNG, "png"}}) {
        SCOPED_TRACE(extension);
        const QJsonObject tags = tagsOf(convert(type, extension));
        EXPECT_EQ(text(tags, "XMP-photoshop:City"), "Tromsø");
        EXPECT_EQ(text(tags, "XMP-photoshop:Credit"), "Ana Lind");
        EXPECT_EQ(text(tags, "XMP-photoshop:Headline"), "Northern lights");
        EXPECT_EQ(text(tags, "XMP-photoshop:Source"), "Own archive");
        EXPECT_EQ(text(tags, "XMP-photoshop:DateCreated"), "2021:06:07 08:09:10+02:00");
        EXPECT_EQ(text(tags, "XMP-photoshop:Category"), "NAT");
    }
}

// An XMP packet as some cameras write it: one property named twice (an attribute and an
// element; a field of a history event), with `extra` added to the second description.
QByteArray cameraXmpPacket(const char *extra = "")
{
    return QByteArray(R"(<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
 <rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/"
   xmp:Rating="3" xmp:Label="Red">
  <dc:creator><rdf:Seq><rdf:li>Ana Lind</rdf:li></rdf:Seq></dc:creator>
  <xmp:Rating>5</xmp:Rating>
 </rdf:Description>
 <rdf:Description rdf:about="" xmlns:xmpMM="http://ns.adobe.com/xap/1.0/mm/"
   xmlns:stEvt="http://ns.adobe.com/xap/1.0/sType/ResourceEvent#" xmlns:dc="http://purl.org/dc/elements/1.1/">
  <xmpMM:History><rdf:Seq><rdf:li rdf:parseType="Resource">
   <stEvt:action>saved</stEvt:action><stEvt:action>converted</stEvt:action>
  </rdf:li></rdf:Seq></xmpMM:History>)") +
           extra + R"(
 </rdf:Description>
</rdf:RDF></x:xmpmeta>
<?xpacket end="w"?>)";
}

// Replaces the XMP of a JPEG with `packet`, byte for byte.
void setJpegXmp(const QString &path, const QByteArray &packet)
{
    runTool("exiftool", {"-overwrite_original", "-XMP:all=", path});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const QByteArray payload = QByteArray("http://ns.adobe.com/xap/1.0/", 29) + packet;
    QByteArray segment("\xff\xe1\0\0", 4);
    segment[2] = char((payload.size() + 2) >> 8);
    segment[3] = char((payload.size() + 2) & 0xff);
    bytes.insert(2, segment + payload);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A packet the XMP toolkit refuses for a repeated property is mended, the first of each
// standing, and read and carried into every format; one that does not decode even mended
// goes as it stands, unless the run removed something it may hold.
TEST_F(MetadataCarryTest, XmpWithRepeatedPropertyIsKept)
{
    setJpegXmp(m_source, cameraXmpPacket());
    ASSERT_EQ(text(tagsOf(m_source), "XMP-xmp:Label"), "Red") << "fixture";
    const CGImageSourceRef read = CGImageSource::createWithURL(m_source);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->copyPropertiesAtIndex(0).value(kCGImagePropertyIPTCDictionary).toMap()
                  .value(kCGImagePropertyIPTCStarRating).toInt(), 3);
    for (const auto &[type, extension] : {std::pair{kUTTypeJPEG, "jpg"}, std::pair{kUTTypeTIFF, "tif"},
                                          std::pair{kUTTypePNG, "png"}, std::pair{kUTTypeHEIC, "heic"},
                                          std::pair{kUTTypeJPEG2000, "jp2"}}) {
        SCOPED_TRACE(extension);
        const QJsonObject tags = tagsOf(convert(type, extension));
        EXPECT_EQ(tags.value("XMP-xmp:Rating").toInt(), 3);
        EXPECT_EQ(text(tags, "XMP-xmp:Label"), "Red");
        EXPECT_EQ(text(tags, "XMP-dc:Creator"), "Ana Lind");
        EXPECT_EQ(text(tags, "XMP-xmpMM:HistoryAction"), "saved");
    }

    // Literal XML inside a property: the toolkit refuses the packet however it is mended.
    setJpegXmp(m_source, cameraXmpPacket(R"(<dc:format rdf:parseType="Literal"><b>raw</b></dc:format>)"));
    for (const auto &[type, extension] : {std::pair{kUTTypeJPEG, "jpg"}, std::pair{kUTTypePNG, "png"},
                                          std::pair{kUTTypeHEIC, "heic"}}) {
        SCOPED_TRACE(extension);
        const QJsonObject tags = tagsOf(convert(type, extension));
        EXPECT_EQ(text(tags, "XMP-xmp:Label"), "Red");
        EXPECT_EQ(text(tags, "XMP-dc:Creator"), "Ana Lind");
    }
    const QJsonObject withoutGps =
        tagsOf(convert(kUTTypeJPEG, "jpg", [](QVariantMap &p) { p.remove(kCGImagePropertyGPSDictionary); }));
    EXPECT_FALSE(withoutGps.contains("XMP-xmp:Label"));
    EXPECT_FALSE(withoutGps.contains("GPS:GPSLatitude"));
}

// A CMYK image: the JPEG thumbnail asked for is made (in sRGB, as thumbnails are read), and
// JPEG 2000 holds sRGB pixels with a profile plain JP2 readers accept, colours kept.
TEST_F(MetadataCarryTest, CmykThumbnailAndPlainJp2)
{
    const size_t w = 200, h = 120;
    QByteArray ink(qsizetype(w * h * 4), Qt::Uninitialized);
    for (size_t i = 0; i < w * h; ++i) {
        ink[qsizetype(4 * i)] = char(i % w * 255 / w); // cyan ramp
        ink[qsizetype(4 * i + 1)] = char(40);
        ink[qsizetype(4 * i + 2)] = char(i / w * 255 / h);
        ink[qsizetype(4 * i + 3)] = char(10);
    }
    const CGColorSpaceRef cmyk = CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    const CGImageRef image = CGImage::create(w, h, 8, 32, w * 4, cmyk, kCGImageAlphaNone, ink);
    ASSERT_TRUE(image);

    const QString jpeg = QDir(m_folder).filePath("cmyk.jpg");
    auto destination = MCImageDestination::createWithURL(jpeg, kUTTypeJPEG, 1);
    destination->addImage(image, {{kCGImageDestinationEmbedThumbnail, true}});
    MCError error;
    ASSERT_TRUE(destination->finalize(&error)) << error.toString().toStdString();
    const QByteArray thumbnail = runTool("exiftool", {"-b", "-ThumbnailImage", jpeg});
    ASSERT_FALSE(thumbnail.isEmpty());
    const CGImageSourceRef thumbSource = CGImageSource::createWithData(thumbnail);
    ASSERT_TRUE(thumbSource);
    const CGImageRef small = thumbSource->createImageAtIndex(0);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->colorSpace()->model(), kCGColorSpaceModelRGB);
    EXPECT_EQ(small->width(), 160u);

    const QString jp2 = QDir(m_folder).filePath("cmyk.jp2");
    destination = MCImageDestination::createWithURL(jp2, kUTTypeJPEG2000, 1);
    destination->addImage(image, {});
    ASSERT_TRUE(destination->finalize(&error)) << error.toString().toStdString();
    QFile file(jp2);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype colr = bytes.indexOf("colr");
    ASSERT_GE(colr, 0);
    EXPECT_EQ(bytes[colr + 4], 2) << "a restricted ICC profile";
    EXPECT_EQ(bytes.mid(colr + 7 + 16, 4), "RGB ") << "the profile's colour space";

    // The pixels are the CMYK colours as sRGB.
    const CGImageSourceRef source = CGImageSource::createWithURL(jp2);
    ASSERT_TRUE(source);
    const CGImageRef read = source->createImageAtIndex(0);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->colorSpace()->model(), kCGColorSpaceModelRGB);
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    CGContextRef expected = CGContext::createBitmap(nullptr, w, h, 8, 0, sRGB, kCGImageAlphaNoneSkipLast);
    ASSERT_TRUE(expected);
    expected->setBlendMode(kCGBlendModeCopy);
    ASSERT_TRUE(expected->drawImage(QRectF(0, 0, double(w), double(h)), image));
    const CGImageRef reference = expected->createImage();
    const size_t channels = read->bitsPerPixel() / 8;
    for (size_t y : {size_t(5), h / 2, h - 3})
        for (size_t x : {size_t(2), w / 3, w - 1})
            for (size_t c = 0; c < 3; ++c)
                EXPECT_NEAR(read->row(y)[x * channels + c], reference->row(y)[x * 4 + c], 3) << x << "," << y;
}

// libheif names its brands once per coded image; a HEIC with a thumbnail names each once and
// still reads (item locations moved with the shorter file type box).
TEST_F(MetadataCarryTest, HeicWithThumbnailListsBrandsOnce)
{
    const CGImageSourceRef photo = CGImageSource::createWithURL(m_source);
    ASSERT_TRUE(photo);
    const CGImageRef small = photo->createImageAtIndex(0);
    CGContextRef context = CGContext::createBitmap(nullptr, 640, 400, 8, 0, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                   kCGImageAlphaNoneSkipLast);
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->drawImage(QRectF(0, 0, 640, 400), small));
    const QString path = QDir(m_folder).filePath("thumb.heic");
    auto destination = MCImageDestination::createWithURL(path, kUTTypeHEIC, 1);
    QVariantMap properties = photo->copyPropertiesAtIndex(0);
    properties.insert(kCGImageDestinationEmbedThumbnail, true);
    properties.insert(kMCImageDestinationMetadataSource, m_source);
    destination->addImage(context->createImage(), properties);
    MCError error;
    ASSERT_TRUE(destination->finalize(&error)) << error.toString().toStdString();
    const QJsonObject tags = tagsOf(path);
    const QStringList brands = text(tags, "QuickTime:CompatibleBrands").split(", ");
    EXPECT_EQ(brands.size(), QSet<QString>(brands.begin(), brands.end()).size()) << brands.join(' ').toStdString();
    EXPECT_TRUE(brands.contains("heic"));
    EXPECT_EQ(text(tags, "Canon:OwnerName"), "Synthetic Owner");
    const CGImageSourceRef back = CGImageSource::createWithURL(path);
    ASSERT_TRUE(back);
    const CGImageRef image = back->createImageAtIndex(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 640u);
    EXPECT_TRUE(back->createThumbnailAtIndex(0, {}));
}

} // namespace
