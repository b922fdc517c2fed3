// The prediction models of the preview tables and the one function that names a conversion's
// output files.
#include "app/dialogs/MCConvertOptionsPreviewTableViewModel.h"
#include "app/dialogs/MCEditMetadataPreviewTableViewModel.h"
#include "app/dialogs/MCPreviewTableImages.h"
#include "app/dialogs/MCRenameOptionsPreviewTableViewModel.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCConvertOutputNames.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

namespace {

// A gate the fake stage waits at while predicting, so a test can hold a calculation on the
// model's queue while it changes things on the GUI thread.
struct Gate
{
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    int waiting = 0;

    void setOpen(bool value)
    {
        std::lock_guard lock(mutex);
        open = value;
        changed.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(mutex);
        ++waiting;
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
        --waiting;
    }
    bool waitForCaller()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return waiting > 0; });
    }
};

// A fake conversion step: the output size of a photo is looked up by its width (a photo of
// width w turns into sizes[w]); other widths are scaled by `factor`. The table and the factor
// belong to the stage and go with its copies, as real parameters do.
class FakeSizeStage : public MCConvertStage
{
public:
    explicit FakeSizeStage(std::shared_ptr<Gate> gate = std::make_shared<Gate>()) : m_gate(std::move(gate)) {}

    QHash<double, QSizeF> sizes;
    double factor = 1.0;

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &) const override
    {
        m_gate->pass();
        const auto found = sizes.constFind(size.width());
        return found != sizes.cend() ? found.value() : size * factor;
    }
    std::shared_ptr<MCConvertStage> copy() const override
    {
        auto stage = std::make_shared<FakeSizeStage>(m_gate);
        stage->sizes = sizes;
        stage->factor = factor;
        return stage;
    }

private:
    std::shared_ptr<Gate> m_gate;
};

std::shared_ptr<MCFile> photo(const QString &path, const QVariantMap &properties = {})
{
    auto file = MCFileContainer::newFileWithURL(path);
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    file->reloadCaptureDate();
    return file;
}

std::shared_ptr<MCFile> photo(const QString &path, double width, double height, const QVariantMap &more = {})
{
    QVariantMap properties = more;
    properties.insert(kCGImagePropertyPixelWidth, width);
    properties.insert(kCGImagePropertyPixelHeight, height);
    return photo(path, properties);
}

// Counts the recalculation notices of one model.
class NoticeCounter
{
public:
    explicit NoticeCounter(const MCPreviewTableViewModel &model)
        : m_token(MCNotificationCenter::defaultCenter().addObserverForName(
              kMCPreviewTableViewModelDidRecalculateNotification, &model, [this](const MCNotification &) { ++count; }))
    {
    }
    ~NoticeCounter() { MCNotificationCenter::defaultCenter().removeObserver(m_token); }
    // Waits for the next notice.
    bool waitForNext()
    {
        const int target = count + 1;
        return testsupport::processEventsUntil([&] { return count >= target; }, 20000);
    }
    int count = 0;

private:
    MCNotificationToken m_token;
};

// Lets every block already posted to the GUI thread run.
void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class PreviewModels : public ::testing::Test
{
protected:
    PreviewModels()
        : defaults(folder.filePath("Preferences.plist")), renamer(&defaults), converter(&defaults)
    {
        defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
        defaults.setBool(true, kMCShouldAutorotateKey);
        converter.setImageFormat(MCImageFormatJPEG);
    }

    FakeSizeStage &addFakeStage(std::shared_ptr<Gate> gate = std::make_shared<Gate>())
    {
        auto stage = std::make_shared<FakeSizeStage>(std::move(gate));
        converter.addStage(stage);
        return *stage;
    }

    QTemporaryDir folder;
    MCUserDefaults defaults;
    MCBatchRenamer renamer;
    MCBitmapConverter converter;
};

QString tooltipOf(const MCPreviewTableViewModel &model, const MCFile &file, bool *badged = nullptr)
{
    QString tooltip = QStringLiteral("untouched");
    const QImage image = model.imageValueForFile(file, &tooltip, QStringLiteral("Icon"));
    if (badged)
        *badged = !image.isNull();
    return tooltip;
}

} // namespace

TEST(ConvertOutputSize, LimitsAreInclusiveAndNotANumberIsTooSmall)
{
    using P = MCConvertOptionsPreviewTableViewModel::SizeProblem;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        QSizeF size;
        P problem;
    } cases[] = {
        {{30000, 30000}, P::None},    {{65500, 16384}, P::None},     {{1, 1}, P::None},
        {{32768, 32768}, P::None},    {{40000, 30000}, P::TooLarge}, {{65501, 1}, P::TooLarge},
        {{32768, 32769}, P::TooLarge}, {{1, 65501}, P::TooLarge}, {{65500, 16394}, P::TooLarge}, {{inf, 10}, P::TooLarge},
        {{0, 100}, P::TooSmall},      {{100, 0.5}, P::TooSmall},     {{nan, 10}, P::TooSmall},
        {{10, nan}, P::TooSmall},     {{-5, 100}, P::TooSmall},      {{0, 70000}, P::TooSmall},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(MCConvertOptionsPreviewTableViewModel::sizeProblem(c.size), c.problem)
            << c.size.width() << "x" << c.size.height();
        EXPECT_EQ(MCConvertOutputSizeIsAcceptable(c.size), c.problem == P::None);
    }
}

TEST_F(PreviewModels, OutputNamesWithoutRenamingKeepAllButTheLastExtension)
{
    const struct
    {
        const char *title, *expected;
    } cases[] = {
        {"IMG_1.CR2", "IMG_1.jpg"}, {"a.b.png", "a.b.jpg"}, {"x.1.png", "x.1.jpg"},
        {".profile", ".profile.jpg"}, {"noextension", "noextension.jpg"}, {"trailing.", "trailing.jpg"},
    };
    MCFileList files;
    QStringList expected;
    for (const auto &c : cases) {
        files << photo(QStringLiteral("/in/") + c.title);
        expected << c.expected;
        EXPECT_EQ(MCConvertOutputNameForTitle(c.title, "jpg"), c.expected);
    }
    EXPECT_EQ(MCConvertOutputNames(files, converter, renamer), expected);
    EXPECT_EQ(MCConvertOutputNameForTitle("photo.tif", ""), "photo");
}

TEST_F(PreviewModels, OutputNamesWithRenamingCountFromTheListPositionAndStopWhenCancelled)
{
    converter.setRenameSettings(MCBatchRenameSettings({QVariant(QStringLiteral("trip-")),
                                                       MCBatchRenameToken(MCBatchRenameTokenKindIndex,
                                                                          {{kMCRenameStartIndexKey, 1},
                                                                           {kMCRenameNumberOfDigitsKey, 3}})}));
    const MCFileList files = {photo("/in/a.png"), photo("/in/b.tif"), photo("/in/c.jpg")};
    EXPECT_EQ(MCConvertOutputNames(files, converter, renamer),
              QStringList({"trip-001.jpg", "trip-002.jpg", "trip-003.jpg"}));
    int asked = 0;
    EXPECT_FALSE(MCConvertOutputNames(files, converter, renamer, [&] { return ++asked > 1; }));

    const struct
    {
        const char *name;
        bool usable;
    } names[] = {{"a.jpg", true}, {"", false}, {".", false}, {"..", false}, {"a/b", false}, {"...", true}, {"a:b", true}};
    for (const auto &n : names)
        EXPECT_EQ(MCIsUsableOutputFileName(QString::fromUtf8(n.name)), n.usable) << n.name;
    EXPECT_FALSE(MCIsUsableOutputFileName(QStringLiteral("a") + QChar(0)));
}

TEST_F(PreviewModels, ConvertModelBadgesSizesOutsideTheLimitsAndUndecodableFiles)
{
    FakeSizeStage &stage = addFakeStage();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    stage.sizes = {{1, QSizeF(30000, 30000)}, {2, QSizeF(40000, 30000)}, {3, QSizeF(65501, 1)}, {4, QSizeF(0, 100)},
                   {5, QSizeF(nan, nan)}};
    const MCFileList files = {photo("/in/fine.png", 1, 10), photo("/in/large.png", 2, 10),
                              photo("/in/wide.png", 3, 10), photo("/in/small.png", 4, 10),
                              photo("/in/broken.png") /* no properties: not decodable */,
                              photo("/in/odd.png", 5, 10) /* a stage that divided by nothing */};
    MCConvertOptionsPreviewTableViewModel model(converter, &renamer);
    model.setItems(files);
    NoticeCounter notices(model);

    // Before the first calculation: only the current side, no badge, tooltip untouched.
    EXPECT_EQ(model.stringValueForFile(*files[0], "FileName"), "fine.png");
    EXPECT_EQ(model.stringValueForFile(*files[0], "ImageSize"), "1x10");
    EXPECT_EQ(tooltipOf(model, *files[0]), "untouched");
    EXPECT_EQ(model.fileNameForItem(*files[0]), "");

    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    const struct
    {
        const char *tooltip;
        bool badged;
        const char *size;
    } expected[] = {
        {"", false, "1x10 \u2192 30000x30000"},
        {"Image size is too large", true, "2x10 \u2192 40000x30000"},
        {"Image size is too large", true, "3x10 \u2192 65501x1"},
        {"Image size is too small", true, "4x10 \u2192 0x100"},
        {"Image size is too small", true, "0x0 \u2192 0x0"},
        {"Image size is too small", true, "5x10 \u2192 0x0"},
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(files[i]->fileName().toStdString());
        bool badged = false;
        EXPECT_EQ(tooltipOf(model, *files[i], &badged), QString::fromUtf8(expected[i].tooltip));
        EXPECT_EQ(badged, expected[i].badged);
        EXPECT_EQ(model.stringValueForFile(*files[i], "ImageSize"), QString::fromUtf8(expected[i].size));
    }
    EXPECT_TRUE(model.containsBadSizes());
    EXPECT_FALSE(model.containsBadNames());
    EXPECT_EQ(model.stringValueForFile(*files[0], "FileName"), "fine.png \u2192 fine.jpg");
    EXPECT_EQ(model.fileNameForItem(*files[4]), "broken.jpg");
    // Without a tooltip slot the badge rule is the same; other columns have no image.
    EXPECT_FALSE(model.imageValueForFile(*files[1], nullptr, "Icon").isNull());
    EXPECT_TRUE(model.imageValueForFile(*files[1], nullptr, "FileName").isNull());
    EXPECT_EQ(model.imageValueForFile(*files[1], nullptr, "Icon"),
              MCPreviewTableImages::imageNamed(QStringLiteral("BadgeMissing")));

    // Sizes brought back within the limits clear the flag at the next calculation.
    stage.sizes.clear();
    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_TRUE(model.containsBadSizes()); // the undecodable file stays too small
    model.removeItemsAtIndexes(MCIndexSet{4, 5});
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_FALSE(model.containsBadSizes());
}

TEST_F(PreviewModels, ConvertModelBadgesNamesThatTwoPhotosShare)
{
    const MCFileList files = {photo("/in/a.jpg", 100, 80), photo("/other/a.png", 100, 80), photo("/in/b.png", 100, 80)};
    MCConvertOptionsPreviewTableViewModel model(converter, &renamer);
    model.setItems(files);
    NoticeCounter notices(model);
    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_TRUE(model.containsBadNames());
    EXPECT_FALSE(model.containsBadSizes());
    bool badged = false;
    EXPECT_EQ(tooltipOf(model, *files[0], &badged), "Not unique name");
    EXPECT_TRUE(badged);
    EXPECT_EQ(tooltipOf(model, *files[1], &badged), "Not unique name");
    EXPECT_TRUE(badged);
    EXPECT_EQ(tooltipOf(model, *files[2], &badged), "");
    EXPECT_FALSE(badged);
    EXPECT_EQ(model.stringValueForFile(*files[1], "FileName"), "a.png \u2192 a.jpg");
    EXPECT_EQ(model.stringValueForFile(*files[1], "Format"), "png \u2192 jpg");

    // The run's names are the preview's: one function for both.
    converter.setRenameSettings(MCBatchRenameSettings({MCBatchRenameToken(MCBatchRenameTokenKindOriginalName),
                                                       MCBatchRenameToken(MCBatchRenameTokenKindIndex,
                                                                          {{kMCRenameStartIndexKey, 1},
                                                                           {kMCRenameNumberOfDigitsKey, 1}})}));
    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    const QStringList run = *MCConvertOutputNames(model.items(), converter, renamer);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(model.fileNameForItem(*files[i]), run[i]);
    EXPECT_FALSE(model.containsBadNames());
}

TEST_F(PreviewModels, ConvertModelShowsUnknownResolutionAs72AndAMissingProfileAsNone)
{
    const MCFileList files = {
        photo("/in/Plain.TIF", 10, 10),
        photo("/in/p3.jpg", 10, 10,
              {{kCGImagePropertyDPIWidth, 300.0}, {kCGImagePropertyProfileName, QStringLiteral("Display P3")}}),
    };
    MCConvertOptionsPreviewTableViewModel model(converter, &renamer);
    model.setItems(files);
    // Computed at once, not by the recalculation.
    EXPECT_EQ(model.stringValueForFile(*files[0], "Resolution"), "72 \u2192 72");
    EXPECT_EQ(model.stringValueForFile(*files[1], "Resolution"), "300 \u2192 300");
    // The converter's prediction follows the arrow; a photo without a profile shows "None".
    EXPECT_EQ(model.stringValueForFile(*files[0], "ColorProfile"),
              "None \u2192 " + converter.colorProfileNameForOriginalName(QString(), QString()));
    EXPECT_EQ(model.stringValueForFile(*files[1], "ColorProfile"),
              "Display P3 \u2192 " + converter.colorProfileNameForOriginalName("Display P3", QString()));
    EXPECT_EQ(model.stringValueForFile(*files[0], "Format"), "tif \u2192 jpg");
    EXPECT_EQ(model.stringValueForFile(*files[0], "Unknown"), QString());
    EXPECT_EQ(model.filePreviewColumnIdentifier(), "FileName");
}

TEST_F(PreviewModels, TwoQuickChangesPublishOnlyTheSecondAndACancelPublishesNothing)
{
    auto gate = std::make_shared<Gate>();
    FakeSizeStage &stage = addFakeStage(gate);
    const MCFileList files = {photo("/in/a.png", 100, 50), photo("/in/b.png", 200, 100)};
    auto model = std::make_unique<MCConvertOptionsPreviewTableViewModel>(converter, &renamer);
    model->setItems(files);
    NoticeCounter notices(*model);

    // The first calculation is held inside its first file; meanwhile the setting changes twice.
    gate->setOpen(false);
    stage.factor = 2.0;
    model->recalculateInfo();
    ASSERT_TRUE(gate->waitForCaller());
    stage.factor = 3.0; // an edit the held calculation must not see
    model->recalculateInfo();
    gate->setOpen(true);
    ASSERT_TRUE(notices.waitForNext());
    model->waitUntilCalculated();
    drainEvents();
    EXPECT_EQ(notices.count, 1);
    EXPECT_EQ(model->imageSizeForItem(*files[1]), QSizeF(600, 300));

    // A cancelled calculation leaves the results in place.
    gate->setOpen(false);
    stage.factor = 5.0;
    model->recalculateInfo();
    ASSERT_TRUE(gate->waitForCaller());
    model->cancelRecalculation();
    gate->setOpen(true);
    model->waitUntilCalculated();
    drainEvents();
    EXPECT_EQ(notices.count, 1);
    EXPECT_EQ(model->imageSizeForItem(*files[1]), QSizeF(600, 300));

    // A model that goes away before its results arrive publishes nothing and leaves no work.
    model->recalculateInfo();
    model->waitUntilCalculated();
    model.reset();
    drainEvents();
    EXPECT_EQ(notices.count, 1);
}

TEST_F(PreviewModels, RenameModelBadgesSharedNamesUntilTheSettingsTellThemApart)
{
    const MCFileList files = {photo("/in/IMG_1.jpg"), photo("/in/IMG_2.jpg"), photo("/in/IMG_3.png")};
    MCRenameOptionsPreviewTableViewModel model(&renamer);
    model.setItems(files);
    model.setRenameSettings(MCBatchRenameSettings({QVariant(QStringLiteral("holiday"))}));
    NoticeCounter notices(model);
    EXPECT_EQ(model.stringValueForFile(*files[0], "Old"), "IMG_1.jpg");
    EXPECT_EQ(model.stringValueForFile(*files[0], "New"), QString());
    EXPECT_EQ(model.filePreviewColumnIdentifier(), "Old");

    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_TRUE(model.containsBadNames());
    QString tooltip = QStringLiteral("untouched");
    EXPECT_FALSE(model.imageValueForFile(*files[0], &tooltip, "Icon").isNull());
    EXPECT_FALSE(model.imageValueForFile(*files[1], &tooltip, "Icon").isNull());
    EXPECT_TRUE(model.imageValueForFile(*files[2], &tooltip, "Icon").isNull()); // holiday.png
    EXPECT_EQ(tooltip, "untouched");
    EXPECT_EQ(model.stringValueForFile(*files[0], "New"), "holiday.jpg");

    model.setRenameSettings(MCBatchRenameSettings(
        {QVariant(QStringLiteral("holiday-")),
         MCBatchRenameToken(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 2}})}));
    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_FALSE(model.containsBadNames());
    for (const auto &file : files)
        EXPECT_TRUE(model.imageValueForFile(*file, nullptr, "Icon").isNull());
    EXPECT_EQ(model.stringValueForFile(*files[1], "New"), "holiday-02.jpg");

    // With a converter, the converter's extension.
    model.setConverter(&converter);
    converter.setImageFormat(MCImageFormatPNG);
    model.recalculateInfo();
    ASSERT_TRUE(notices.waitForNext());
    EXPECT_EQ(model.stringValueForFile(*files[0], "New"), "holiday-01.png");
}

TEST(PreviewModel, MovingAndRemovingItemsRecalculates)
{
    class Recorder : public MCEditMetadataPreviewTableViewModel
    {
    public:
        void recalculateInfo() override { ++recalculations; }
        int recalculations = 0;
    };
    MCFileList files;
    for (const char *name : {"A", "B", "C", "D", "E", "F"})
        files << photo(QStringLiteral("/in/%1.jpg").arg(QLatin1String(name)));
    auto names = [](const MCFileList &list) {
        QString text;
        for (const auto &file : list)
            text += file->fileName().left(1);
        return text;
    };
    const struct
    {
        MCIndexSet from, to;
        const char *expected;
    } moves[] = {
        {{0, 1}, {2, 3}, "CDABEF"}, // rows 0 and 1 dropped at row 4
        {{4, 5}, {0, 1}, "EFABCD"},
        {{1, 3}, {4, 5}, "ACEFBD"},
        {{}, {}, "ABCDEF"},
    };
    for (const auto &move : moves) {
        Recorder model;
        model.setItems(files);
        model.moveItemsAtIndexes(move.from, move.to);
        EXPECT_EQ(names(model.items()), move.expected);
        EXPECT_EQ(model.recalculations, 1);
    }
    Recorder model;
    model.setItems(files);
    model.removeItemsAtIndexes(MCIndexSet{0, 2, 5});
    EXPECT_EQ(names(model.items()), "BDE");
    EXPECT_EQ(model.recalculations, 1);
    EXPECT_THROW(model.removeItemsAtIndexes(MCIndexSet(3)), std::out_of_range);
    EXPECT_THROW(model.moveItemsAtIndexes(MCIndexSet(0), MCIndexSet{0, 1}), std::invalid_argument);
    EXPECT_THROW(model.moveItemsAtIndexes(MCIndexSet(0), MCIndexSet(5)), std::out_of_range);
    EXPECT_EQ(names(model.items()), "BDE");
}

TEST(EditMetadataPreviewModel, ShowsDashesForMissingOrEmptyValues)
{
    const auto rich = photo(
        "/in/rich.jpg",
        {{kCGImagePropertyPixelWidth, 10},
         {kCGImagePropertyPixelHeight, 10},
         {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, QStringLiteral("2019:07:14 21:05:03")}}},
         {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, QStringLiteral("Canon")},
                                                      {kCGImagePropertyTIFFModel, QStringLiteral("EOS R")}}},
         {kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList{"beach", "sun"}},
                                                      {kCGImagePropertyIPTCCopyrightNotice, QStringLiteral("© Ann")},
                                                      {kCGImagePropertyIPTCStarRating, 3}}},
         {kCGImagePropertyExifAuxDictionary, QVariantMap{{kCGImagePropertyExifAuxOwnerName, QStringLiteral("Ann")}}},
         {kCGImagePropertyGPSDictionary, QVariantMap{{kCGImagePropertyGPSLatitude, 48.5},
                                                     {kCGImagePropertyGPSLatitudeRef, QStringLiteral("N")},
                                                     {kCGImagePropertyGPSLongitude, 2.25},
                                                     {kCGImagePropertyGPSLongitudeRef, QStringLiteral("E")}}}});
    const auto bare = photo("/in/bare.png",
                            {{kCGImagePropertyIPTCDictionary,
                              QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList()},
                                          {kCGImagePropertyIPTCCopyrightNotice, QString()}}}});
    MCEditMetadataPreviewTableViewModel model;
    const QString notDefined = bare->fileInfo().ratingString(); // the information's own wording
    const struct
    {
        const char *column;
        QString rich, bare;
    } rows[] = {
        {"FileName", "rich.jpg", "bare.png"},
        {"CaptureDate", MCFileInfo::stringFromDate(rich->captureDate()), "---"},
        {"Rating", QString(3, QChar(0x2605)), notDefined},
        {"Keywords", "beach, sun", "---"},
        {"Copyright", "© Ann", "---"},
        {"Owner", "Ann", "---"},
        {"CameraMaker", "Canon", "---"},
        {"CameraModel", "EOS R", "---"},
        {"GPSLatitude", rich->fileInfo().GPSLatitudeString(), notDefined},
        {"GPSLongutude", rich->fileInfo().GPSLongitudeString(), notDefined},
        {"Other", QString(), QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.column);
        EXPECT_EQ(model.stringValueForFile(*rich, row.column), row.rich);
        EXPECT_EQ(model.stringValueForFile(*bare, row.column), row.bare);
    }
    EXPECT_FALSE(MCFileInfo::stringFromDate(rich->captureDate()).isEmpty());
    EXPECT_TRUE(rich->fileInfo().GPSLatitudeString().contains("N"));
    EXPECT_EQ(MCEditMetadataPreviewTableViewModel::stringFromDate(std::nullopt), QString());
    EXPECT_TRUE(model.imageValueForFile(*rich, nullptr, "Rating").isNull());
    EXPECT_EQ(model.filePreviewColumnIdentifier(), "FileName");
}
