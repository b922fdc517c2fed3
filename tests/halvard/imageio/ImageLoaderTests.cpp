#include "tests/platform/imageio/ImageFixtures.h"

#include "halvard/imageio/MCImageLoader.h"
#include "halvard/imageio/MCImageLoaderExtensionManager.h"
#include "platform/core/MCBundle.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

CGImageRef onePixel()
{
    return CGImage::create(1, 1, 8, 8, 1, CGColorSpace::createDeviceGray(), kCGImageAlphaNone, QByteArray(1, '\x7f'));
}

// A plug-in whose sources answer as told and which counts how often it is asked.
class FakeExtension final : public MCImageLoaderExtension
{
public:
    FakeExtension(qint64 priority, bool succeeds, QString name) : m_priority(priority), m_succeeds(succeeds), m_name(std::move(name)) {}

    qint64 priority() const override { return m_priority; }
    QStringList supportedImageTypes() const override { return {QStringLiteral("public.jpeg")}; }
    std::unique_ptr<MCImageSource> imageSourceWithURL(const QString &, const QString &type) override
    {
        asked.append(type);
        return std::make_unique<Source>(this);
    }

    QStringList asked;
    QStringList *order = nullptr;

private:
    class Source final : public MCImageSource
    {
    public:
        explicit Source(FakeExtension *owner) : m_owner(owner) {}
        CGImageRef newImage() override { return answer(); }
        CGImageRef newThumbnailWithOptions(const MCThumbnailReadingOptions &options) override
        {
            m_owner->lastMaxSize = options.thumbnailMaxPixelSize;
            return answer();
        }
        std::optional<QVariantMap> metadata() override
        {
            if (!m_owner->m_succeeds)
                return std::nullopt;
            return QVariantMap{{QStringLiteral("from"), m_owner->m_name}};
        }

    private:
        CGImageRef answer()
        {
            if (m_owner->order)
                m_owner->order->append(m_owner->m_name);
            return m_owner->m_succeeds ? onePixel() : nullptr;
        }
        FakeExtension *m_owner;
    };

public:
    quint64 lastMaxSize = 0;

private:
    qint64 m_priority;
    bool m_succeeds;
    QString m_name;
};

// Swaps the shared manager's plug-ins for fakes and puts the real ones back afterwards.
class ImageLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto &manager = MCImageLoaderExtensionManager::sharedInstance();
        m_saved = manager.extensionsMap();
        manager.unregisterPlugIns();
        m_folder = testsupport::makeTemporaryFolder(QStringLiteral("loader"));
    }
    void TearDown() override { MCImageLoaderExtensionManager::sharedInstance().setExtensionsMap(m_saved); }

    std::shared_ptr<FakeExtension> add(qint64 priority, bool succeeds, const QString &name)
    {
        auto extension = std::make_shared<FakeExtension>(priority, succeeds, name);
        extension->order = &m_order;
        MCImageLoaderExtensionManager::sharedInstance().registerExtension(extension, QStringLiteral("public.jpeg"));
        return extension;
    }

    QString file(const QString &name, const QByteArray &content = QByteArray("not really an image"))
    {
        const QString path = m_folder + QLatin1Char('/') + name;
        fixtures::write(path, content);
        return path;
    }

    QStringList m_order;
    QString m_folder;

private:
    QMap<QString, MCImageLoaderExtensionManager::ExtensionList> m_saved;
};

TEST_F(ImageLoaderTest, HigherPriorityIsAskedFirstAndFailureFallsBack)
{
    const auto low = add(10, true, QStringLiteral("low"));
    const auto high = add(20, false, QStringLiteral("high"));
    const QString path = file(QStringLiteral("photo.jpg"));

    QVariantMap metadata{{QStringLiteral("stale"), true}};
    EXPECT_TRUE(MCImageLoader::newImageWithURL(path, &metadata));
    EXPECT_EQ(m_order, (QStringList{QStringLiteral("high"), QStringLiteral("low")}));
    // The metadata is the successful source's own.
    EXPECT_EQ(metadata, (QVariantMap{{QStringLiteral("from"), QStringLiteral("low")}}));
    EXPECT_EQ(MCImageLoader::metadataFromImageAtURL(path)->value(QStringLiteral("from")), QStringLiteral("low"));

    m_order.clear();
    MCThumbnailReadingOptions options;
    options.thumbnailMaxPixelSize = 160;
    EXPECT_TRUE(MCImageLoader::newThumbnailWithURL(path, &options));
    EXPECT_EQ(m_order, (QStringList{QStringLiteral("high"), QStringLiteral("low")}));
    EXPECT_EQ(low->lastMaxSize, 160u);
    EXPECT_EQ(high->asked, (QStringList{"public.jpeg", "public.jpeg", "public.jpeg"}));
}

TEST_F(ImageLoaderTest, FirstSuccessEndsTheSearch)
{
    add(10, true, QStringLiteral("low"));
    add(20, true, QStringLiteral("high"));
    QVariantMap metadata;
    EXPECT_TRUE(MCImageLoader::newImageWithURL(file(QStringLiteral("photo.jpeg")), &metadata));
    EXPECT_EQ(m_order, QStringList{QStringLiteral("high")});
    EXPECT_EQ(metadata.value(QStringLiteral("from")), QStringLiteral("high"));
}

TEST_F(ImageLoaderTest, FailureLeavesTheMetadataUntouched)
{
    add(10, false, QStringLiteral("only"));
    QVariantMap metadata{{QStringLiteral("kept"), 1}};
    EXPECT_FALSE(MCImageLoader::newImageWithURL(file(QStringLiteral("photo.jpg")), &metadata));
    EXPECT_EQ(metadata, (QVariantMap{{QStringLiteral("kept"), 1}}));
    EXPECT_FALSE(MCImageLoader::metadataFromImageAtURL(file(QStringLiteral("other.jpg"))).has_value());
}

TEST_F(ImageLoaderTest, CotInAnyCaseIsReadAsJpeg)
{
    const auto jpeg = add(10, true, QStringLiteral("jpeg"));
    EXPECT_TRUE(MCImageLoader::newImageWithURL(file(QStringLiteral("scan.COT"))));
    EXPECT_TRUE(MCImageLoader::newImageWithURL(file(QStringLiteral("scan.cot"))));
    EXPECT_EQ(jpeg->asked.size(), 2);
}

TEST_F(ImageLoaderTest, UnknownTypeMissingFileOrNoOptionsAskNoPlugIn)
{
    const auto jpeg = add(10, true, QStringLiteral("jpeg"));
    MCThumbnailReadingOptions options;
    EXPECT_FALSE(MCImageLoader::newImageWithURL(file(QStringLiteral("notes.qqxz"))));
    EXPECT_FALSE(MCImageLoader::newImageWithURL(m_folder + QStringLiteral("/missing.jpg")));
    EXPECT_FALSE(MCImageLoader::newImageWithURL(QString()));
    EXPECT_FALSE(MCImageLoader::newThumbnailWithURL(m_folder + QStringLiteral("/missing.jpg"), &options));
    EXPECT_FALSE(MCImageLoader::newThumbnailWithURL(file(QStringLiteral("photo.jpg")), nullptr));
    EXPECT_FALSE(MCImageLoader::metadataFromImageAtURL(file(QStringLiteral("notes.qqxz"))).has_value());
    EXPECT_TRUE(jpeg->asked.isEmpty());
    EXPECT_TRUE(MCImageLoader::readImageWithURL(file(QStringLiteral("notes.qqxz"))).isNull());
}

TEST_F(ImageLoaderTest, UnregisteringKeepsTheDeclaredTypes)
{
    auto &manager = MCImageLoaderExtensionManager::sharedInstance();
    manager.setExtensionsMap(QMap<QString, MCImageLoaderExtensionManager::ExtensionList>());
    const QSet<QString> types = manager.supportedImageTypes();
    // The shared manager loaded the real plug-ins before the fixture emptied it.
    EXPECT_TRUE(types.contains(QStringLiteral("public.jpeg")));
    EXPECT_TRUE(types.contains(QStringLiteral("com.canon.cr3-raw-image")));
    manager.unregisterPlugIns();
    EXPECT_TRUE(manager.extensionsForUTI(QStringLiteral("public.jpeg")).isEmpty());
    EXPECT_EQ(manager.supportedImageTypes(), types);
}

TEST(ImageLoaderPlugIns, FolderScanSkipsHiddenAndForeignObjects)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("plugins"));
    const QString real = platform::pluginPath() + QStringLiteral("/quillon-imageio.so");
    ASSERT_TRUE(QFile::exists(real)) << real.toStdString();
    ASSERT_TRUE(QFile::copy(real, folder + QStringLiteral("/general.so")));
    ASSERT_TRUE(QFile::copy(real, folder + QStringLiteral("/.hidden.so")));
    ASSERT_TRUE(fixtures::write(folder + QStringLiteral("/broken.so"), "not an ELF object"));
    // A loadable object without the factory function: a system library, not one of ours, since
    // a second copy of our own library would define its globals twice in the process.
    for (const char *candidate : {"/usr/lib/x86_64-linux-gnu/libz.so.1", "/lib/x86_64-linux-gnu/libz.so.1",
                                  "/usr/lib/aarch64-linux-gnu/libz.so.1", "/usr/lib/libz.so.1"}) {
        if (QFile::exists(QString::fromLatin1(candidate))) {
            ASSERT_TRUE(QFile::copy(QString::fromLatin1(candidate), folder + QStringLiteral("/foreign.so")));
            break;
        }
    }
    QDir(folder).mkdir(QStringLiteral("nested.so"));

    MCImageLoaderExtensionManager manager;
    manager.registerPlugInsAtURL(folder);
    const auto png = manager.extensionsForUTI(QStringLiteral("PUBLIC.PNG"));
    ASSERT_EQ(png.size(), 1);
    EXPECT_EQ(png.first()->priority(), 10);
    // One instance serves every type it declares.
    EXPECT_EQ(manager.extensionsForUTI(QStringLiteral("public.jpeg")).first(), png.first());
    EXPECT_TRUE(manager.supportedVideoTypes().isEmpty());
}

// The real plug-ins over real files.
class RealPlugInsTest : public ::testing::Test
{
protected:
    void SetUp() override { m_folder = testsupport::makeTemporaryFolder(QStringLiteral("real")); }
    QString m_folder;
};

TEST_F(RealPlugInsTest, ReadsImageThumbnailAndProperties)
{
    REQUIRE_IMAGE_TOOLS();
    const QString path = fixtures::make(m_folder, QStringLiteral("photo.jpg"),
                                        {"-size", "300x200", "xc:rgb(200,100,50)", "-depth", "8"});
    ASSERT_TRUE(fixtures::tag(path, {"-Orientation=6", "-Make=Quillon"}));
    QVariantMap metadata;
    const CGImageRef image = MCImageLoader::newImageWithURL(path, &metadata);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 300u);
    EXPECT_EQ(metadata.value(kCGImagePropertyOrientation).toInt(), 6);
    EXPECT_EQ(metadata.value(kCGImagePropertyTIFFDictionary).toMap().value(kCGImagePropertyTIFFMake).toString(),
              QStringLiteral("Quillon"));

    MCThumbnailReadingOptions options;
    options.createThumbnailFromImageIfAbsent = true;
    options.createThumbnailWithTransform = true;
    options.thumbnailMaxPixelSize = 60;
    const CGImageRef thumbnail = MCImageLoader::newThumbnailWithURL(path, &options);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->width(), 40u); // turned upright: 200 × 300 scaled to fit 60
    EXPECT_EQ(thumbnail->height(), 60u);

    const QImage shown = MCImageLoader::readImageWithURL(path);
    ASSERT_FALSE(shown.isNull());
    const QColor colour = shown.pixelColor(10, 10);
    EXPECT_NEAR(colour.red(), 200, 6);
    EXPECT_NEAR(colour.green(), 100, 6);
}

TEST_F(RealPlugInsTest, CmykImagesShowConvertedToRGB)
{
    REQUIRE_IMAGE_TOOLS();
    const QString path = fixtures::make(m_folder, QStringLiteral("cmyk.jpg"),
                                        {"-size", "20x20", "xc:rgb(200,100,50)", "-colorspace", "CMYK"});
    const QImage shown = MCImageLoader::readImageWithURL(path);
    ASSERT_FALSE(shown.isNull());
    // Reddish orange whatever the CMYK profile does with it: red far above blue.
    const QColor colour = shown.pixelColor(5, 5);
    EXPECT_GT(colour.red(), colour.blue() + 80);
}

TEST_F(RealPlugInsTest, UntaggedCmykShowsThePressTones)
{
    REQUIRE_IMAGE_TOOLS();
    // Paper, half black and solid black side by side in 8-pixel blocks, without a profile:
    // they are read as the generic CMYK space, which is a measured coated offset press.
    const QString path =
        fixtures::make(m_folder, QStringLiteral("untagged.jpg"),
                       {"-size", "8x8", "xc:cmyk(0,0,0,0)", "xc:cmyk(0,0,0,50%)", "xc:cmyk(0,0,0,100%)", "+append",
                        "-depth", "8", "-quality", "100"});
    const QImage shown = MCImageLoader::readImageWithURL(path);
    ASSERT_FALSE(shown.isNull());
    struct Case { int x; int gray; int tolerance; const char *what; };
    const Case cases[] = {
        {4, 255, 2, "paper shows white"},
        // Measured press profiles show 50 % black at about 151 in sRGB; this data set, read
        // relative to its own paper white, at about 157. A dark ink model gave about 100.
        {12, 151, 8, "half black is a middle gray"},
        {20, 30, 15, "solid black is deep but not screen black"},
    };
    for (const Case &c : cases) {
        const QColor colour = shown.pixelColor(c.x, 4);
        EXPECT_NEAR(colour.green(), c.gray, c.tolerance) << c.what;
        EXPECT_NEAR(colour.red(), colour.blue(), 4) << c.what << ": neutral, not tinted";
    }
}

TEST_F(RealPlugInsTest, MisnamedFileReadsByContent)
{
    REQUIRE_IMAGE_TOOLS();
    const QString png = fixtures::make(m_folder, QStringLiteral("real.png"), {"-size", "8x8", "xc:blue"});
    const QString misnamed = m_folder + QStringLiteral("/looks-like.jpg");
    ASSERT_TRUE(QFile::rename(png, misnamed));
    const CGImageRef image = MCImageLoader::newImageWithURL(misnamed);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 8u);
}

TEST_F(RealPlugInsTest, RawPlugInDevelopsAndFallsBackToTiffReading)
{
    REQUIRE_IMAGE_TOOLS();
    // A linear (already demosaiced) DNG that libraw develops, and a DNG with plain RGB data that
    // libraw refuses: the RAW plug-in declines it and the general plug-in reads it as TIFF.
    const QStringList pixels = {"-size", "64x48", "xc:rgb(200,100,50)", "-depth", "16", "-compress", "none"};
    const QString linear = fixtures::make(m_folder, QStringLiteral("linear.tif"), pixels);
    const QString plain = fixtures::make(m_folder, QStringLiteral("plain.tif"), pixels);
    const QString linearDng = m_folder + QStringLiteral("/linear.dng");
    const QString plainDng = m_folder + QStringLiteral("/plain.dng");
    ASSERT_TRUE(QFile::rename(linear, linearDng));
    ASSERT_TRUE(QFile::rename(plain, plainDng));
    const QStringList dng = {"-DNGVersion=1 4 0 0", "-UniqueCameraModel=Quillon Test", "-Make=Quillon",
                             "-ColorMatrix1=1 0 0 0 1 0 0 0 1", "-CalibrationIlluminant1=21", "-AsShotNeutral=1 1 1",
                             "-Orientation=8"};
    ASSERT_TRUE(fixtures::tag(linearDng, dng + QStringList{"-PhotometricInterpretation=34892"}));
    ASSERT_TRUE(fixtures::tag(plainDng, dng));

    QVariantMap metadata;
    const CGImageRef developed = MCImageLoader::newImageWithURL(linearDng, &metadata);
    ASSERT_TRUE(developed);
    EXPECT_EQ(developed->bitsPerComponent(), 16u);
    EXPECT_EQ(developed->width(), 64u); // not turned: the orientation is in the dictionary
    EXPECT_EQ(metadata.value(kCGImagePropertyOrientation).toInt(), 8);

    const CGImageRef fallback = MCImageLoader::newImageWithURL(plainDng, &metadata);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->width(), 64u);
    const uint16_t *first = reinterpret_cast<const uint16_t *>(fallback->row(0));
    EXPECT_NEAR(first[0], 200 * 257, 257);
    EXPECT_EQ(metadata.value(kCGImagePropertyOrientation).toInt(), 8);
}

} // namespace
