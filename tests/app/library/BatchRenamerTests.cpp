#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/library/MCBatchRenamePreset.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>

#include <atomic>
#include <thread>

namespace {

using Pattern = QList<MCBatchRenameElement>;

MCBatchRenameElement text(const char *literal) { return QVariant(QString::fromUtf8(literal)); }
MCBatchRenameElement token(quint64 kind, const QVariantMap &settings = {}) { return MCBatchRenameToken(kind, settings); }
MCBatchRenameElement counter(qint64 start, qint64 digits)
{
    return token(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, start}, {kMCRenameNumberOfDigitsKey, digits}});
}
MCBatchRenameElement captureDate(qint64 dateID, qint64 timeID)
{
    return token(MCBatchRenameTokenKindCaptureDate, {{kMCRenameDateFormatIDKey, dateID}, {kMCRenameTimeFormatIDKey, timeID}});
}
MCBatchRenameElement withCase(quint64 kind, qint64 caseKind) { return token(kind, {{kMCRenameCaseKindKey, caseKind}}); }
MCBatchRenameElement findReplace(const char *find, const char *replace)
{
    return token(MCBatchRenameTokenKindFindAndReplace,
                 {{kMCRenameFindStringKey, QString::fromUtf8(find)}, {kMCRenameReplaceStringKey, QString::fromUtf8(replace)}});
}
MCBatchRenameElement originalName(bool trims)
{
    return token(MCBatchRenameTokenKindOriginalName, {{kMCRenameFilenameTrimsIndexKey, trims}});
}

// A library file at `path` with the given property dictionary (no file on disk).
std::shared_ptr<MCFile> photo(const QString &path, const QVariantMap &properties)
{
    auto file = MCFileContainer::newFileWithURL(path);
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    file->reloadCaptureDate();
    return file;
}

// A camera photo with every field the tokens read, some of them hostile to file names.
std::shared_ptr<MCFile> cameraPhoto()
{
    return photo(QStringLiteral("/Photos/Trip 2019/IMG_0042.JPG"),
                 {
                     {kCGImagePropertyPixelWidth, 4000},
                     {kCGImagePropertyPixelHeight, 3000},
                     {kCGImagePropertyOrientation, 6},
                     {kCGImagePropertyDPIWidth, 300.0},
                     {kCGImagePropertyColorModel, kCGImagePropertyColorModelRGB},
                     {kCGImagePropertyProfileName, QStringLiteral("Display P3")},
                     {kCGImagePropertyExifDictionary,
                      QVariantMap{{kCGImagePropertyExifDateTimeOriginal, QStringLiteral("2019:07:14 21:05:03")}}},
                     {kCGImagePropertyTIFFDictionary,
                      QVariantMap{{kCGImagePropertyTIFFMake, QStringLiteral("Canon")},
                                  {kCGImagePropertyTIFFModel, QStringLiteral("EOS 5D mark iv")}}},
                     {kCGImagePropertyExifAuxDictionary,
                      QVariantMap{{kCGImagePropertyExifAuxLensModel, QStringLiteral("EF 24-70mm f/2.8L")},
                                  {kCGImagePropertyExifAuxOwnerName, QStringLiteral("Ann")}}},
                     {kCGImagePropertyIPTCDictionary,
                      QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList{"beach", "sun set"}},
                                  {kCGImagePropertyIPTCCopyrightNotice, QStringLiteral("© Ann")},
                                  {kCGImagePropertyIPTCObjectName, QStringLiteral("Tide/Pool")},
                                  {kCGImagePropertyIPTCCaptionAbstract, QStringLiteral("Line1\nLine2")},
                                  {kCGImagePropertyIPTCCity, QString("Ni") + QChar(0) + QString("ce")},
                                  {kCGImagePropertyIPTCCountryPrimaryLocationName, QStringLiteral("France")},
                                  {kCGImagePropertyIPTCProvinceState, QStringLiteral("PACA")},
                                  {kCGImagePropertyIPTCSubLocation, QStringLiteral("..")}}},
                 });
}

// A scan with no metadata at all and no digits in its name.
std::shared_ptr<MCFile> bareScan() { return photo(QStringLiteral("/Scans/scan.tiff"), {}); }

// A name whose digits are followed by more text, and no extension.
std::shared_ptr<MCFile> copiedPhoto() { return photo(QStringLiteral("/x/DSC1234 copy"), {}); }

std::unique_ptr<MCUserDefaults> makeDefaults(bool shouldAutorotate)
{
    auto defaults = std::make_unique<MCUserDefaults>(
        QDir(testsupport::makeTemporaryFolder(QStringLiteral("defaults"))).filePath(QStringLiteral("Preferences.plist")));
    QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
    registered.insert(kMCShouldAutorotateKey, shouldAutorotate);
    defaults->registerDefaults(registered);
    return defaults;
}

// A stage whose predictions halve the size, double the resolution and drop the capture date.
class PredictingStage : public MCConvertStage
{
public:
    QSizeF imageSizeForSize(const QSizeF &size, quint64 &) const override { return size / 2; }
    quint64 resolutionForResolution(quint64 resolution) const override { return resolution * 2; }
    std::optional<QDateTime> captureDateForDate(const std::optional<QDateTime> &,
                                                const std::optional<QDateTime> &) const override
    {
        return std::nullopt;
    }
};

class BatchRenamer : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    std::unique_ptr<MCUserDefaults> defaults = makeDefaults(true);
    MCBatchRenamer renamer{defaults.get()};
};

struct NameCase
{
    const char *what;
    std::function<std::shared_ptr<MCFile>()> file;
    Pattern pattern;
    quint64 position;
    QString expected;
};

} // namespace

TEST_F(BatchRenamer, NamesFromTokensAndSettings)
{
    const QString longTitle(300, QChar(u'é')); // 600 bytes of UTF-8
    const auto longPhoto = [longTitle] {
        return photo(QStringLiteral("/a/long.jpg"),
                     {{kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCObjectName, longTitle}}}});
    };
    const std::vector<NameCase> cases = {
        {"literal text only", cameraPhoto, {text("Holiday")}, 0, "Holiday.JPG"},
        {"empty pattern", cameraPhoto, {}, 0, "<Unknown>.JPG"},
        {"only empty pieces", bareScan, {token(MCBatchRenameTokenKindCameraModel), text("")}, 0, "<Unknown>.tiff"},
        {"counter first", cameraPhoto, {counter(1, 3)}, 0, "001.JPG"},
        {"counter second", cameraPhoto, {counter(1, 3)}, 1, "002.JPG"},
        {"counter tenth", cameraPhoto, {counter(1, 3)}, 9, "010.JPG"},
        {"counter without padding", cameraPhoto, {counter(7, 0)}, 5, "12.JPG"},
        {"huge digit count is clamped", cameraPhoto, {counter(1, 1'000'000'000'000)}, 0,
         QString(31, QChar(u'0')) + "1.JPG"},
        {"capture date and time", cameraPhoto, {captureDate(5, 1)}, 0, "2019-07-14 21:05:03.JPG"},
        {"capture date, time out of range", cameraPhoto, {captureDate(5, 13)}, 0, "2019-07-14.JPG"},
        {"capture date, both out of range", cameraPhoto, {text("a"), captureDate(16, -1), text("b")}, 0, "ab.JPG"},
        {"capture date, no patterns", cameraPhoto, {text("a"), captureDate(0, 0), text("b")}, 0, "ab.JPG"},
        {"month names and 12-hour clock", cameraPhoto, {captureDate(1, 2)}, 0, "July 14, 2019 09:05:03 PM.JPG"},
        {"weekday and short year", cameraPhoto, {captureDate(14, 0), text(" "), captureDate(9, 6)}, 0,
         "Sunday 19 09 PM.JPG"},
        {"no capture date nor creation date", bareScan, {text("a"), captureDate(5, 0)}, 0, "a.tiff"},
        {"original name trimmed", cameraPhoto, {originalName(true)}, 0, "IMG_.JPG"},
        {"original name whole", cameraPhoto, {originalName(false)}, 0, "IMG_0042.JPG"},
        {"original index", cameraPhoto, {token(MCBatchRenameTokenKindOriginalIndex)}, 0, "0042.JPG"},
        {"trimmed name stops at the digits", copiedPhoto, {originalName(true), text("|"),
                                                            token(MCBatchRenameTokenKindOriginalIndex)},
         0, "DSC|1234"},
        {"original folder", cameraPhoto, {token(MCBatchRenameTokenKindOriginalFolder)}, 0, "Trip 2019.JPG"},
        {"find and replace ignores case", cameraPhoto, {findReplace("img", "Photo")}, 0, "Photo_0042.JPG"},
        {"find and replace is literal", [] { return photo(QStringLiteral("/a/x.y.z.png"), {}); },
         {findReplace(".", "-")}, 0, "x-y-z.png"},
        {"replacement made safe", cameraPhoto, {findReplace("0", "/")}, 0, "IMG_--42.JPG"},
        {"size and resolution as stored", cameraPhoto,
         {token(MCBatchRenameTokenKindImageWidth), text("x"), token(MCBatchRenameTokenKindImageHeight), text("_"),
          token(MCBatchRenameTokenKindImageDPI)},
         0, "4000x3000_300.JPG"},
        {"no size, resolution 72", bareScan,
         {token(MCBatchRenameTokenKindImageWidth), text("x"), token(MCBatchRenameTokenKindImageHeight), text("_"),
          token(MCBatchRenameTokenKindImageDPI)},
         0, "0x0_72.tiff"},
        {"colour profile", cameraPhoto, {token(MCBatchRenameTokenKindColorProfile)}, 0, "Display P3.JPG"},
        {"no colour profile", bareScan, {token(MCBatchRenameTokenKindColorProfile)}, 0, "<Unknown>.tiff"},
        {"camera, slash in the lens", cameraPhoto,
         {token(MCBatchRenameTokenKindCameraMaker), text(" "), token(MCBatchRenameTokenKindCameraModel), text(" "),
          token(MCBatchRenameTokenKindLensModel)},
         0, "Canon EOS 5D mark iv EF 24-70mm f-2.8L.JPG"},
        {"case kinds", cameraPhoto,
         {withCase(MCBatchRenameTokenKindCameraMaker, 1), text(" "), withCase(MCBatchRenameTokenKindCameraModel, 3),
          text(" "), withCase(MCBatchRenameTokenKindLensModel, 2), text(" "), withCase(MCBatchRenameTokenKindOwner, 9)},
         0, "CANON Eos 5d Mark Iv ef 24-70mm f-2.8l Ann.JPG"},
        {"keywords", cameraPhoto, {token(MCBatchRenameTokenKindKeywords)}, 0, "beach, sun set.JPG"},
        {"copyright and owner", cameraPhoto,
         {token(MCBatchRenameTokenKindCopyright), text(" "), token(MCBatchRenameTokenKindOwner)}, 0, "© Ann Ann.JPG"},
        {"title with a slash", cameraPhoto, {token(MCBatchRenameTokenKindIPTCTitle)}, 0, "Tide-Pool.JPG"},
        {"caption with a line break", cameraPhoto, {token(MCBatchRenameTokenKindIPTCCaption)}, 0, "Line1-Line2.JPG"},
        {"city with a NUL", cameraPhoto, {token(MCBatchRenameTokenKindIPTCCity)}, 0, "Ni-ce.JPG"},
        {"country and province", cameraPhoto,
         {token(MCBatchRenameTokenKindIPTCCountry), text(" "), token(MCBatchRenameTokenKindIPTCProvince)}, 0,
         "France PACA.JPG"},
        {"a name of \"..\" is refused", cameraPhoto, {token(MCBatchRenameTokenKindIPTCLocation)}, 0, "<Unknown>.JPG"},
        {"\"..\" without an extension", copiedPhoto, {text("..")}, 0, "<Unknown>"},
        {"a literal cannot make a path", cameraPhoto, {text("../"), originalName(false)}, 0, "..-IMG_0042.JPG"},
        {"unknown kind and stored numbers add nothing", cameraPhoto, {text("a"), token(99), QVariant(5)}, 0, "a.JPG"},
        {"cut to 255 bytes keeping the extension", longPhoto, {token(MCBatchRenameTokenKindIPTCTitle)}, 0,
         QString(125, QChar(u'é')) + ".jpg"},
    };
    for (const NameCase &c : cases) {
        const auto file = c.file();
        const QString name = renamer.provideNameForItem(*file, c.position, MCBatchRenameSettings(c.pattern));
        EXPECT_EQ(name, c.expected) << c.what;
        EXPECT_LE(name.toUtf8().size(), 255) << c.what;
        EXPECT_FALSE(name.contains(QLatin1Char('/'))) << c.what;
    }
}

TEST_F(BatchRenamer, ConversionPredictsExtensionSizeResolutionAndDates)
{
    const Pattern measures{token(MCBatchRenameTokenKindImageWidth), text("x"), token(MCBatchRenameTokenKindImageHeight),
                           text("_"), token(MCBatchRenameTokenKindImageDPI)};
    for (const bool autorotate : {true, false}) {
        auto store = makeDefaults(autorotate);
        MCBatchRenamer local(store.get());
        MCBitmapConverter converter(store.get());
        converter.setImageFormat(MCImageFormatPNG);
        converter.addStage(std::make_shared<PredictingStage>());
        // Orientation 6 exchanges the sides only when photos are turned upright.
        EXPECT_EQ(local.provideNameForItem(*cameraPhoto(), 0, MCBatchRenameSettings(measures), &converter),
                  autorotate ? "1500x2000_600.png" : "2000x1500_600.png");
        EXPECT_EQ(local.provideNameForItem(*bareScan(), 0, MCBatchRenameSettings(measures), &converter), "0x0_144.png");
        EXPECT_EQ(local.imageSizeForItem(*cameraPhoto()), QSizeF(4000, 3000));

        // The stage drops the capture date, so the (missing) creation date is used: nothing.
        EXPECT_EQ(local.provideNameForItem(*cameraPhoto(), 0, MCBatchRenameSettings({text("a"), captureDate(5, 0)}),
                                           &converter),
                  "a.png");
        EXPECT_EQ(local.colorProfileForItem(*cameraPhoto(), &converter), "Display P3");
        EXPECT_EQ(local.colorProfileForItem(*bareScan(), &converter),
                  converter.colorProfileNameForOriginalName(QString(), QString()));
    }
}

TEST_F(BatchRenamer, CaptureDateFallsBackToTheCreationDate)
{
    const QString path = QDir(testsupport::makeTemporaryFolder("created")).filePath("IMG_1.jpg");
    {
        QFile data(path);
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    }
    auto file = MCFileContainer::newFileWithURL(path);
    ASSERT_TRUE(file->reloadFileInfo());
    if (!file->fileCreationDate())
        GTEST_SKIP() << "this file system keeps no creation time";
    const QString expected = MCBatchRenamer::stringFromDate(file->fileCreationDate(), 5, 1);
    ASSERT_FALSE(expected.isEmpty());
    const MCBatchRenameSettings pattern({captureDate(5, 1)});
    EXPECT_EQ(renamer.provideNameForItem(*file, 0, pattern), expected + ".jpg");
    MCBitmapConverter converter(defaults.get());
    converter.addStage(std::make_shared<PredictingStage>());
    EXPECT_EQ(renamer.provideNameForItem(*file, 0, pattern, &converter), expected + ".jpg");
    EXPECT_TRUE(MCBatchRenamer::stringFromDate(std::nullopt, 5, 1).isNull());
}

TEST_F(BatchRenamer, SelectionNamesMatchOneByOneAndStopWhenCancelled)
{
    QList<std::shared_ptr<MCFile>> files;
    for (int i = 0; i < 40; ++i)
        files << (i % 2 ? cameraPhoto() : bareScan());
    const MCBatchRenameSettings pattern({captureDate(5, 9), text("_"), token(MCBatchRenameTokenKindCameraModel),
                                         text("_"), counter(1, 3)});
    const std::optional<QStringList> names = renamer.provideNamesForItems(files, pattern);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(names->at(i), renamer.provideNameForItem(*files[i], quint64(i), pattern));
    EXPECT_EQ(names->at(1), "2019-07-14 21-05-03_EOS 5D mark iv_002.JPG");

    int asked = 0;
    EXPECT_FALSE(renamer.provideNamesForItems(files, pattern, nullptr, [&] { return ++asked > 3; }));
    EXPECT_EQ(asked, 4);

    // Several threads naming at once get what one thread gets.
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round)
                if (renamer.provideNamesForItems(files, pattern) != names)
                    ++mismatches;
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(BatchRenamer, CurrentDateIsToday)
{
    const int before = QDate::currentDate().year();
    const QString name = renamer.provideNameForItem(
        *bareScan(), 0, MCBatchRenameSettings({token(MCBatchRenameTokenKindCurrentDate, {{kMCRenameDateFormatIDKey, 8}})}));
    const int after = QDate::currentDate().year();
    EXPECT_TRUE(name == QString::number(before) + ".tiff" || name == QString::number(after) + ".tiff") << name.toStdString();
}

TEST_F(BatchRenamer, PredefinedTokensAndStoredSettings)
{
    const QList<MCBatchRenameToken> &tokens = renamer.predefinedTokens();
    ASSERT_EQ(tokens.size(), 23);
    for (quint64 kind = 0; kind < 23; ++kind) {
        EXPECT_EQ(tokens[qsizetype(kind)].kind(), kind);
        EXPECT_FALSE(tokens[qsizetype(kind)].hasSettings());
    }
    EXPECT_EQ(&renamer.predefinedTokens(), &MCBatchRenamer::defaultBatchRenamer().predefinedTokens());

    EXPECT_TRUE(renamer.renameSettingsForCopying().tokens().isEmpty());
    const MCBatchRenameSettings pattern({text("x"), counter(3, 2), captureDate(5, 1)});
    renamer.saveRenameSettingsForCopying(pattern);
    EXPECT_EQ(MCBatchRenamer(defaults.get()).renameSettingsForCopying(), pattern);
}

TEST_F(BatchRenamer, RegisteredDefaultsComeFromTheFirstShippedPreset)
{
    const QList<MCPresetRef> shipped = MCPresetManager::defaultPresetsOfClass(MCBatchRenamePreset::presetClass());
    ASSERT_FALSE(shipped.isEmpty());
    const auto first = std::dynamic_pointer_cast<MCBatchRenamePreset>(shipped.first());
    ASSERT_TRUE(first);
    const QVariantMap registered = MCBatchRenamer::userDefaultsDictionary();
    EXPECT_EQ(registered.value(kMCRenamePresetsIsDefaultKey), QVariant(true));
    EXPECT_EQ(registered.value(kMCRenameDefaultSettingsForCopyingKey).toMap(),
              first->renameSettings().dictionaryRepresentation());
    EXPECT_FALSE(first->renameSettings().tokens().isEmpty());

    // The registered pattern is what copying starts with.
    defaults->registerDefaults(registered);
    EXPECT_EQ(renamer.renameSettingsForCopying(), first->renameSettings());
}
