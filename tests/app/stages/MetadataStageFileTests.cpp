// What the metadata stages write reaches the converted file: each stage runs in a real
// conversion of a small JPEG into JPEG, TIFF and PNG, and exiftool reads the result.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/app/engine/pipeline/PipelineTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

#include <clocale>
#include <functional>

namespace {

bool haveExifTool() { return !QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty(); }

// exiftool's numeric view (-n) of the files, tags named with their group ("IPTC:Keywords").
QList<QJsonObject> exifTool(const QStringList &paths)
{
    QProcess process;
    process.start(QStringLiteral("exiftool"), QStringList{"-j", "-n", "-G1"} + paths);
    process.waitForFinished(60000);
    QList<QJsonObject> objects;
    for (const QJsonValue &value : QJsonDocument::fromJson(process.readAllStandardOutput()).array())
        objects << value.toObject();
    return objects;
}

// An 8 × 6 gray photo written as a JPEG with `properties`.
QString writeSource(const QString &path, const QVariantMap &properties)
{
    QByteArray data(8 * 6 * 4, char(100));
    auto bitmap = MCBitmap::createWithCGImage(
        CGImage::create(8, 6, 8, 32, 32, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
    EXPECT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_TRUE(bitmap->saveAtURL(path, "public.jpeg", properties));
    return path;
}

QVariantMap sourceProperties()
{
    return {
        {kCGImagePropertyIPTCDictionary,
         QVariantMap{{kCGImagePropertyIPTCKeywords, QVariantList{"old", "Smith, John"}},
                     {kCGImagePropertyIPTCCaptionAbstract, "source caption"}}},
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2020:02:29 12:00:00"},
                     {kCGImagePropertyExifDateTimeDigitized, "2020:02:29 12:00:00"},
                     {kCGImagePropertyExifOffsetTimeOriginal, "+02:00"}}},
        {kCGImagePropertyTIFFDictionary,
         QVariantMap{{kCGImagePropertyTIFFMake, "Quillon Test Camera"}, {kCGImagePropertyTIFFDateTime, "2020:02:29 12:00:00"}}},
        {kCGImagePropertyGPSDictionary,
         QVariantMap{{kCGImagePropertyGPSLatitude, 1.5}, {kCGImagePropertyGPSLatitudeRef, "N"},
                     {kCGImagePropertyGPSLongitude, 2.5}, {kCGImagePropertyGPSLongitudeRef, "E"},
                     {kCGImagePropertyGPSAltitude, 100.0}}},
    };
}

template <typename Stage> std::shared_ptr<Stage> make()
{
    return std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
}

struct Row
{
    const char *name;
    std::function<QList<MCConvertStageRef>()> stages;
    QJsonObject expected;  // group:tag → value (numbers compared to a millionth)
    QStringList absent;    // group:tag that must not be in the file
    QJsonObject pngOnly;   // what a PNG holds besides (its own text chunks)
};

const QString kDateTime = QStringLiteral("2021:02:28 12:00:00");

std::vector<Row> rows()
{
    return {
        {"add",
         [] {
             auto stage = make<MCConvertAddKeyword>();
             stage->setKeywords(" new,OLD,  ");
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"IPTC:Keywords", QJsonArray{"old", "Smith, John", "new"}}}, {}, {}},
        {"replace",
         [] {
             auto stage = make<MCConvertReplaceKeyword>();
             stage->setFind("old");
             stage->setReplace("OLD");
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"IPTC:Keywords", QJsonArray{"Smith, John", "OLD"}}}, {}, {}},
        {"set-date",
         [] {
             auto stage = make<MCConvertSetCaptureDate>();
             stage->setDate(QDateTime(QDate(2021, 2, 28), QTime(12, 0), Qt::LocalTime));
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"ExifIFD:DateTimeOriginal", kDateTime}, {"ExifIFD:CreateDate", kDateTime}, {"IFD0:ModifyDate", kDateTime}},
         {"ExifIFD:OffsetTimeOriginal"}, {}},
        {"shift-date",
         [] {
             auto stage = make<MCConvertShiftCaptureDate>();
             stage->setYears(1);
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"ExifIFD:DateTimeOriginal", kDateTime}, {"ExifIFD:CreateDate", kDateTime}, {"IFD0:ModifyDate", kDateTime}},
         {"ExifIFD:OffsetTimeOriginal"}, {}},
        {"gps",
         [] {
             auto stage = make<MCConvertSetGPS>();
             stage->setLatitude(-33.5);
             stage->setLongitude(-122.44015);
             stage->setSetsOnlyIfMissing(false);
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"GPS:GPSLatitude", 33.5}, {"GPS:GPSLatitudeRef", "S"}, {"GPS:GPSLongitude", 122.44015},
                     {"GPS:GPSLongitudeRef", "W"}},
         {"GPS:GPSAltitude"}, {}},
        {"gps-kept",
         [] { return QList<MCConvertStageRef>{make<MCConvertSetGPS>()}; },
         QJsonObject{{"GPS:GPSLatitude", 1.5}, {"GPS:GPSLatitudeRef", "N"}, {"GPS:GPSAltitude", 100}}, {}, {}},
        {"copyright",
         [] {
             auto stage = make<MCConvertSetCopyrightAndOwner>();
             stage->setCopyright("(c) Ann Example");
             stage->setOwner("Ann Example");
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"IPTC:CopyrightNotice", "(c) Ann Example"}, {"IFD0:Copyright", "(c) Ann Example"},
                     {"IFD0:Artist", "Ann Example"}, {"XMP-aux:OwnerName", "Ann Example"}},
         {}, QJsonObject{{"PNG:Copyright", "(c) Ann Example"}, {"PNG:Author", "Ann Example"}}},
        {"rating",
         [] {
             auto stage = make<MCConvertSetRating>();
             stage->setRating(0);
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"XMP-xmp:Rating", 0}}, {}, {}},
        {"iptc",
         [] {
             auto stage = make<MCConvertSetIPTCInfo>();
             for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
                 stage->setValueForKey(field.switchKey, false);
             stage->setValueForKey("shouldEditCreator", true);
             stage->setValueForKey("creator", "Ann Example");
             stage->setValueForKey("shouldEditCity", true);
             stage->setValueForKey("city", "Oslo");
             stage->setValueForKey("shouldEditCaption", true); // emptied, not removed
             return QList<MCConvertStageRef>{stage};
         },
         QJsonObject{{"IPTC:By-line", "Ann Example"}, {"IPTC:City", "Oslo"}, {"IPTC:Caption-Abstract", ""},
                     {"IPTC:Keywords", QJsonArray{"old", "Smith, John"}}},
         {"IPTC:Headline"}, {}},
        {"remove-private",
         [] { return QList<MCConvertStageRef>{make<MCConvertRemovePrivateTags>()}; },
         QJsonObject{},
         {"IPTC:Keywords", "GPS:GPSLatitude", "ExifIFD:DateTimeOriginal", "IFD0:ModifyDate", "IFD0:Make"}, {}},
    };
}

struct Format
{
    quint64 format;
    const char *extension;
};
const Format kFormats[] = {{MCImageFormatJPEG, "jpg"}, {MCImageFormatTIFF, "tiff"}, {MCImageFormatPNG, "png"}};
// Formats without an IPTC record: they carry its fields as their XMP equivalents.
const Format kXmpFormats[] = {{MCImageFormatHEIC, "heic"}, {MCImageFormatJPEG2000, "jp2"}};

QString xmpName(const QString &iptcName)
{
    static const QHash<QString, QString> names = {
        {"IPTC:Keywords", "XMP-dc:Subject"},       {"IPTC:CopyrightNotice", "XMP-dc:Rights"},
        {"IPTC:By-line", "XMP-dc:Creator"},        {"IPTC:City", "XMP-photoshop:City"},
        {"IPTC:Caption-Abstract", "XMP-dc:Description"}, {"IPTC:Headline", "XMP-photoshop:Headline"},
    };
    return names.value(iptcName, iptcName);
}

// An emptied IPTC field has no XMP form: it is left out (and the old text with it).
QJsonObject inXmp(const QJsonObject &fields)
{
    QJsonObject renamed;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        if (it.value() != QJsonValue(""))
            renamed.insert(xmpName(it.key()), it.value());
    return renamed;
}

QStringList emptied(const QJsonObject &fields)
{
    QStringList names;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        if (it.value() == QJsonValue(""))
            names << xmpName(it.key());
    return names;
}

QStringList inXmp(const QStringList &names)
{
    QStringList renamed;
    for (const QString &name : names)
        renamed << xmpName(name);
    return renamed;
}

void expectFields(const QJsonObject &tags, const QJsonObject &expected, const QStringList &absent)
{
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        ASSERT_TRUE(tags.contains(it.key())) << QJsonDocument(tags).toJson().toStdString();
        const QJsonValue got = tags.value(it.key());
        if (it.value().isDouble() && got.isDouble())
            EXPECT_NEAR(got.toDouble(), it.value().toDouble(), 1e-6);
        else
            EXPECT_EQ(got, it.value()) << QJsonDocument(QJsonArray{got}).toJson().toStdString();
    }
    for (const QString &key : absent)
        EXPECT_FALSE(tags.contains(key)) << key.toStdString();
}

class MetadataStageFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!haveExifTool())
            GTEST_SKIP() << "exiftool is not installed";
    }

    // Converts `source` with `stages` into every format; answers the written paths by format.
    QStringList convert(const QString &source, const QString &name, const QList<MCConvertStageRef> &stages,
                        const Format *formats, size_t count)
    {
        auto file = MCFile::fileWithID(1);
        file->setFilePath(source);
        file->setFileName(QFileInfo(source).fileName());
        QStringList paths;
        for (size_t i = 0; i < count; ++i) {
            MCBitmapConverter converter(defaults.get());
            converter.setImageFormat(formats[i].format);
            QList<MCConvertStageRef> copies;
            for (const MCConvertStageRef &stage : stages)
                copies << stage->copy();
            converter.setStagesFromArray(copies);
            const QString path = QDir(folder).filePath(QStringLiteral("%1.%2").arg(name, formats[i].extension));
            MCError error;
            EXPECT_TRUE(converter.convertFile(*file, path, &error)) << error.toString().toStdString();
            paths << path;
        }
        return paths;
    }

    // The source converted once per row into `format`, and what exiftool reads of each result.
    QList<QJsonObject> convertEachRow(const QString &source, const std::vector<Row> &table, const Format &format)
    {
        QStringList paths;
        for (const Row &row : table)
            paths << convert(source, QStringLiteral("%1-%2").arg(row.name, format.extension), row.stages(), &format, 1);
        return exifTool(paths);
    }

    std::unique_ptr<MCUserDefaults> defaults = pipelinetest::makeDefaults();
    QString folder = testsupport::makeTemporaryFolder("metadata-files");
};

} // namespace

TEST_F(MetadataStageFiles, EachStageIsSeenByExifToolInJpegTiffAndPng)
{
    const QString source = writeSource(QDir(folder).filePath("source.jpg"), sourceProperties());
    const std::vector<Row> table = rows();
    for (const Format &format : kFormats) {
        SCOPED_TRACE(format.extension);
        const QList<QJsonObject> tags = convertEachRow(source, table, format);
        ASSERT_EQ(tags.size(), qsizetype(table.size()));
        for (size_t i = 0; i < table.size(); ++i) {
            SCOPED_TRACE(table[i].name);
            expectFields(tags[qsizetype(i)], table[i].expected, table[i].absent);
            if (format.format == MCImageFormatPNG)
                expectFields(tags[qsizetype(i)], table[i].pngOnly, {});
        }
    }
}

TEST_F(MetadataStageFiles, HeicAndJpeg2000HoldTheIPTCFieldsAsXmp)
{
    const QString source = writeSource(QDir(folder).filePath("source.jpg"), sourceProperties());
    const std::vector<Row> table = rows();
    for (const Format &format : kXmpFormats) {
        SCOPED_TRACE(format.extension);
        const QList<QJsonObject> tags = convertEachRow(source, table, format);
        ASSERT_EQ(tags.size(), qsizetype(table.size()));
        for (size_t i = 0; i < table.size(); ++i) {
            SCOPED_TRACE(table[i].name);
            expectFields(tags[qsizetype(i)], inXmp(table[i].expected),
                         inXmp(table[i].absent) + emptied(table[i].expected));
        }
    }
}

// Keywords that only the XMP packet holds are the photo's keywords too: adding one keeps them.
TEST_F(MetadataStageFiles, KeywordsOnlyInXmpAreKept)
{
    const QString source = writeSource(QDir(folder).filePath("xmp.jpg"), {});
    QProcess tool;
    tool.start("exiftool", {"-overwrite_original", "-XMP-dc:Subject=sky", "-XMP-dc:Subject=Smith, John", source});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    auto add = make<MCConvertAddKeyword>();
    add->setKeywords("sea");
    const QStringList paths = convert(source, "xmp-out", {add}, kFormats, std::size(kFormats));
    for (const QJsonObject &tags : exifTool(paths))
        expectFields(tags, QJsonObject{{"IPTC:Keywords", QJsonArray{"sky", "Smith, John", "sea"}}}, {});
}

// Values the source holds only in its XMP stay there through a conversion, with no stage and
// with a stage that edits one IPTC field: the IPTC may mirror them, the XMP keeps them.
TEST_F(MetadataStageFiles, XmpOnlyValuesStayInXmp)
{
    const QString source = writeSource(QDir(folder).filePath("xmp-only.jpg"), {});
    QProcess tool;
    tool.start("exiftool", {"-overwrite_original", "-XMP-photoshop:City=Tromsø", "-XMP-photoshop:Credit=Ana Lind",
                            "-XMP-photoshop:Headline=Northern lights", "-XMP-photoshop:Source=Own archive",
                            "-XMP-photoshop:DateCreated=2021:06:07 08:09:10+02:00", "-XMP-photoshop:Category=NAT",
                            source});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QJsonObject kept{{"XMP-photoshop:Credit", "Ana Lind"}, {"XMP-photoshop:Headline", "Northern lights"},
                           {"XMP-photoshop:Source", "Own archive"}, {"XMP-photoshop:DateCreated", "2021:06:07 08:09:10+02:00"},
                           {"XMP-photoshop:Category", "NAT"}};
    for (const QJsonObject &tags : exifTool(convert(source, "xmp-plain", {}, kFormats, std::size(kFormats)))) {
        SCOPED_TRACE(tags.value("SourceFile").toString().toStdString());
        expectFields(tags, kept, {});
        expectFields(tags, QJsonObject{{"XMP-photoshop:City", "Tromsø"}}, {});
    }
    auto iptc = make<MCConvertSetIPTCInfo>();
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        iptc->setValueForKey(field.switchKey, false);
    iptc->setValueForKey("shouldEditCity", true);
    iptc->setValueForKey("city", "Oslo");
    for (const QJsonObject &tags : exifTool(convert(source, "xmp-city", {iptc}, kFormats, std::size(kFormats)))) {
        SCOPED_TRACE(tags.value("SourceFile").toString().toStdString());
        expectFields(tags, kept, {});
        expectFields(tags, QJsonObject{{"XMP-photoshop:City", "Oslo"}, {"IPTC:City", "Oslo"}}, {});
    }
}

// Numbers reach the file the same whatever the user's locale writes a decimal point as.
TEST_F(MetadataStageFiles, CommaLocaleWritesTheSameNumbers)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char *german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german) {
        // Build the locale where the system has its source but not the compiled form.
        const QString root = QDir(testsupport::temporaryRoot()).filePath("locale");
        QDir().mkpath(root);
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", QDir(root).filePath("de_DE.UTF-8")});
        qputenv("LOCPATH", root.toLocal8Bit());
        german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    if (!german)
        GTEST_SKIP() << "no German locale";
    const QLocale previousLocale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5"); // the locale is in force

    const QString source = writeSource(QDir(folder).filePath("de.jpg"), {});
    auto gps = make<MCConvertSetGPS>();
    gps->setLatitude(37.786996);
    gps->setLongitude(-122.440154);
    auto shift = make<MCConvertShiftCaptureDate>();
    shift->setUsesCreatedDateIfMissing(false);
    const QStringList paths = convert(source, "de", {gps, shift}, kFormats, std::size(kFormats));
    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(previousLocale);
    for (const QJsonObject &tags : exifTool(paths))
        expectFields(tags, QJsonObject{{"GPS:GPSLatitude", 37.786996}, {"GPS:GPSLongitude", 122.440154}}, {});
    for (const QString &path : paths) {
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_FALSE(written.readAll().contains("37,78")) << path.toStdString();
    }
}
