#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertBorder.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertCrop.h"
#include "app/stages/MCConvertCurves.h"
#include "app/stages/MCConvertGamma.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "app/stages/MCConvertResolution.h"
#include "app/stages/MCConvertRotate.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertSharpness.h"
#include "app/stages/MCConvertTone.h"
#include "app/stages/MCConvertTrim.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUndoManager.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace {

using StageRef = std::shared_ptr<MCConvertStage>;

StageRef stage(qint64 id)
{
    StageRef made = MCConvertStage::convertStageWithID(id);
    if (!made)
        ADD_FAILURE() << "no stage for ID " << id;
    return made;
}

std::shared_ptr<MCConvertGamma> gammaStage()
{
    return std::dynamic_pointer_cast<MCConvertGamma>(stage(MCConvertGamma::StageID));
}

// Lets the main queue run the blocks posted so far.
void drainMainQueue()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

// ---------------------------------------------------------------- catalogue and factory

TEST(ConvertStageCatalogue, ListsEveryStageWithItsClassAttributes)
{
    const auto &catalogue = MCConvertStage::stageCatalogue();
    QSet<qint64> ids, ordered, unique, fixed;
    for (const MCConvertStageClass &entry : catalogue) {
        if (entry.stageID == -1)
            continue;
        ids.insert(entry.stageID);
        if (entry.stageOrder == 1)
            ordered.insert(entry.stageID);
        if (entry.isUnique)
            unique.insert(entry.stageID);
        if (!entry.isResettable)
            fixed.insert(entry.stageID);
    }
    EXPECT_EQ(ids.size(), 44);
    EXPECT_FALSE(ids.contains(4));
    EXPECT_EQ(ordered, (QSet<qint64>{8, 34}));
    EXPECT_EQ(unique, (QSet<qint64>{7, 8, 34, 401}));
    EXPECT_EQ(fixed, (QSet<qint64>{3, 8, 14, 15, 23, 30, 31, 32, 34, 35, 37, 40, 401, 402}));

    const QList<std::pair<qint64, QString>> names = {
        {-1, "<Unknown Stage>"}, {0, "Auto Contrast"},   {9, "Gamma"},          {29, "File Creation to Capture Date"},
        {33, "Rotate & Flip"},   {101, "Scale to Size"}, {201, "Vignette"},     {401, "Set GPS Location"},
        {402, "Set IPTC Info"},  {40, "Find and Replace Keywords"},
    };
    for (const auto &[id, name] : names) {
        ASSERT_NE(MCConvertStage::stageClass(id), nullptr) << id;
        EXPECT_EQ(QString::fromUtf8(MCConvertStage::stageClass(id)->englishName), name);
    }
}

// Every class the factory builds reports the ID, name and attributes of its own row.
TEST(ConvertStageCatalogue, BuiltClassesMatchTheirRows)
{
    for (const MCConvertStageClass &entry : MCConvertStage::stageCatalogue()) {
        if (!entry.create)
            continue;
        StageRef made = MCConvertStage::convertStageWithID(entry.stageID);
        ASSERT_TRUE(made) << entry.stageID;
        EXPECT_EQ(made->stageID(), entry.stageID);
        EXPECT_EQ(made->stageName(), QString::fromUtf8(entry.englishName));
        EXPECT_EQ(platform::className(typeid(*made)), QString::fromUtf8(entry.className));
        EXPECT_EQ(made->stageOrder(), entry.stageOrder);
        EXPECT_EQ(made->isUnique(), entry.isUnique);
        EXPECT_EQ(made->isResettable(), entry.isResettable);
        EXPECT_TRUE(made->isActive());
        EXPECT_TRUE(made->isExpanded());
        EXPECT_EQ(made->targetColorModel(), 1);
        EXPECT_EQ(made->targetColorDepth(), 0);
        EXPECT_FALSE(made->undoManager());
    }
}

TEST(ConvertStageFactory, UnknownIDsGiveNothingAndTheBaseDoesNothing)
{
    for (qint64 id : {qint64(4), qint64(1000), qint64(-2), std::numeric_limits<qint64>::max()}) {
        EXPECT_EQ(MCConvertStage::convertStageWithID(id), nullptr) << id;
        EXPECT_EQ(MCConvertStage::stageWithDictionary({{"stageID", id}}), nullptr) << id;
    }
    StageRef base = stage(-1);
    ASSERT_TRUE(base);
    EXPECT_EQ(typeid(*base), typeid(MCConvertStage));
    QVariantMap metadata{{"Orientation", 6}};
    EXPECT_TRUE(base->convertBitmap(nullptr, metadata, nullptr, nullptr));
    EXPECT_EQ(metadata, (QVariantMap{{"Orientation", 6}}));
    quint64 orientation = 6;
    EXPECT_EQ(base->imageSizeForSize(QSizeF(40, 30), orientation), QSizeF(40, 30));
    EXPECT_EQ(orientation, 6u);
    EXPECT_EQ(base->resolutionForResolution(300), 300u);
    EXPECT_EQ(base->colorProfileNameForName("sRGB"), "sRGB");
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1000000);
    EXPECT_EQ(base->captureDateForDate(date, QDateTime()), date);
    EXPECT_EQ(base->captureDateForDate(std::nullopt, date), std::nullopt);
}

TEST(ConvertStageFactory, TheIDArgumentSelectsTheClassAndMissingKeysReadZero)
{
    // Only the ID: inactive, collapsed, and the number reads 0 rather than its default.
    const QVariantMap bare{{"stageID", 9}};
    auto read = std::dynamic_pointer_cast<MCConvertGamma>(MCConvertStage::stageWithDictionary(bare));
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->isActive());
    EXPECT_FALSE(read->isExpanded());
    EXPECT_EQ(read->gamma(), 0.0);
    // The ID argument wins over the dictionary's own.
    const QVariantMap other{{"stageID", 1000}, {"stageIsActive", true}, {"gamma", 3.0}};
    auto chosen = std::dynamic_pointer_cast<MCConvertGamma>(MCConvertStage::convertStageWithID(9, &other));
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(chosen->isActive());
    EXPECT_EQ(chosen->gamma(), 3.0);
    // Without a dictionary the defaults.
    EXPECT_EQ(gammaStage()->gamma(), 2.2);
}

// Values of the wrong type read as a defined value, never as a crash.
TEST(ConvertStageFactory, WrongTypedValuesReadAsDefinedValues)
{
    struct Case
    {
        QVariant stored;
        double gamma;
    };
    const Case cases[] = {
        {QVariant("abc"), 0.0},
        {QVariant("3.5"), 3.5},
        {QVariant(QVariantList{1, 2}), 0.0},
        {QVariant(QVariantMap{{"a", 1}}), 0.0},
        {QVariant(true), 1.0},
        {QVariant(qint64(3)), 3.0},
        {QVariant(QByteArray("\x01\x02")), 0.0},
    };
    for (const Case &c : cases) {
        StageRef read = MCConvertStage::stageWithDictionary(
            {{"stageID", 9}, {"stageIsActive", "garbage"}, {"stageIsExpanded", QVariantList{}}, {"gamma", c.stored}});
        auto gamma = std::dynamic_pointer_cast<MCConvertGamma>(read);
        ASSERT_TRUE(gamma) << c.stored.toString().toStdString();
        EXPECT_EQ(gamma->gamma(), c.gamma) << c.stored.toString().toStdString();
        EXPECT_FALSE(gamma->isActive());
    }
    EXPECT_TRUE(MCConvertStage::stageWithDictionary({{"stageID", "9"}}));
    EXPECT_TRUE(MCConvertStage::stageWithDictionary({{"stageID", 9.0}}));
}

// ---------------------------------------------------------------- stored form

// One row per configured stage: its dictionary (also through an XML property list, as presets
// store it) reads back as an equal stage with the same hash. Stages add rows here.
TEST(ConvertStageStoredForm, RoundTripGivesAnEqualStage)
{
    struct Row
    {
        const char *label;
        qint64 stageID;
        std::function<void(MCConvertStage &)> configure;
    };
    const std::vector<Row> rows = {
        {"base", -1, [](MCConvertStage &s) { s.setExpanded(false); }},
        {"gamma defaults", 9, [](MCConvertStage &) {}},
        {"gamma set", 9,
         [](MCConvertStage &s) {
             static_cast<MCConvertGamma &>(s).setGamma(3.1415);
             s.setActive(false);
         }},
        {"gamma below its limits", 9, [](MCConvertStage &s) { static_cast<MCConvertGamma &>(s).setGamma(0.25); }},
        // Geometry stages.
        {"scale defaults", 5, [](MCConvertStage &) {}},
        {"scale box", 5,
         [](MCConvertStage &s) {
             auto &scale = static_cast<MCConvertScale &>(s);
             scale.setScaleMode(4);
             scale.setScaleToEdge(1600.5);
             scale.setScaleToEdge2(900);
         }},
        {"scale to size", 101,
         [](MCConvertStage &s) {
             auto &stage = static_cast<MCConvertScaleToSize &>(s);
             stage.setScaleToSizeMethod(1);
             stage.setSide1(1200);
             stage.setSide2(800);
             stage.setAnchor(9);
             stage.setScaleToSizeBehavior(1);
             stage.setFillColor(QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f));
         }},
        {"crop", 1,
         [](MCConvertStage &s) {
             auto &crop = static_cast<MCConvertCrop &>(s);
             crop.setCropMethod(1);
             crop.setCropSide1(16);
             crop.setCropSide2(9);
             crop.setAnchor(6);
         }},
        {"trim in percent", 6,
         [](MCConvertStage &s) {
             auto &trim = static_cast<MCConvertTrim &>(s);
             trim.setTrimsInPercent(true);
             trim.setTrimLeftInPercent(12.5);
             trim.setTrimBottomInPercent(3);
             trim.setTrimTopInPixels(40);
         }},
        {"trim color", 27,
         [](MCConvertStage &s) {
             auto &trim = static_cast<MCConvertTrimColor &>(s);
             trim.setTrimMode(2);
             trim.setShouldTrimTop(false);
             trim.setTolerance(0.125);
         }},
        {"rotate and flip", 33,
         [](MCConvertStage &s) {
             static_cast<MCConvertRotate &>(s).setRotate(3);
             static_cast<MCConvertRotate &>(s).setFlip(2);
         }},
        {"outer border in percent", 36,
         [](MCConvertStage &s) {
             auto &border = static_cast<MCConvertAddBorder &>(s);
             border.setAddsInPercent(true);
             border.setBorderPosition(1);
             border.setBorderTopInPercent(7.5);
             border.setBorderColor(QColor(10, 20, 30));
         }},
        {"inner border in pixels", 36, [](MCConvertStage &s) { static_cast<MCConvertAddBorder &>(s).setBorderLeftInPixels(3); }},
        {"resolution", 7, [](MCConvertStage &s) { static_cast<MCConvertResolution &>(s).setResolutionDPI(300); }},
        // Tone, colour, sharpness, blur and vignette stages.
        {"auto contrast", 0, [](MCConvertStage &s) { static_cast<MCConvertAutoContrast &>(s).setStrength(0.8); }},
        {"contrast", 20,
         [](MCConvertStage &s) {
             static_cast<MCConvertContrast &>(s).setContrast(1.4);
             static_cast<MCConvertContrast &>(s).setShift(0.3);
         }},
        {"curves defaults", 2, [](MCConvertStage &) {}},
        {"curves set", 2,
         [](MCConvertStage &s) {
             auto &curves = static_cast<MCConvertCurves &>(s);
             curves.setPointsA({{0, 10}, {128.5, 140.25}, {255, 245}});
             curves.setPointsG({{0, 0}, {64, 32}, {192, 224}, {255, 255}});
             curves.setPointsB({});
             curves.setCurrentChannel(2);
         }},
        {"levels", 39,
         [](MCConvertStage &s) {
             auto &levels = static_cast<MCConvertLevels &>(s);
             levels.setGamma(1.37);
             levels.setMinInput(0.05);
             levels.setMaxInput(0.93);
             levels.setMinOutput(0.1);
             levels.setMaxOutput(0.9);
         }},
        {"exposure", 10, [](MCConvertStage &s) { static_cast<MCConvertExposure &>(s).setExposure(1.75); }},
        {"auto white balance", 17, [](MCConvertStage &s) { static_cast<MCConvertAWB &>(s).setStrength(0.2); }},
        {"temperature", 18, [](MCConvertStage &s) { static_cast<MCConvertTemperature &>(s).setTemperature(3200); }},
        {"hsl", 12,
         [](MCConvertStage &s) {
             static_cast<MCConvertHSL &>(s).setHue(90);
             static_cast<MCConvertHSL &>(s).setSaturation(1.2);
             static_cast<MCConvertHSL &>(s).setLightness(0.8);
         }},
        {"hsv", 11,
         [](MCConvertStage &s) {
             static_cast<MCConvertHSV &>(s).setHue(270.5);
             static_cast<MCConvertHSV &>(s).setValue(1.5);
         }},
        {"rgb", 19,
         [](MCConvertStage &s) {
             static_cast<MCConvertRGB &>(s).setRed(1.1);
             static_cast<MCConvertRGB &>(s).setBlue(0.7);
         }},
        {"colorize", 21, [](MCConvertStage &s) { static_cast<MCConvertColorize &>(s).setHue(30); }},
        {"sepia", 16, [](MCConvertStage &s) { static_cast<MCConvertSepia &>(s).setSepia(0.6); }},
        {"grayscale defaults", 22, [](MCConvertStage &) {}},
        {"grayscale 709", 22, [](MCConvertStage &s) { static_cast<MCConvertGrayscale &>(s).setMethod(8); }},
        {"sharpness", 13, [](MCConvertStage &s) { static_cast<MCConvertSharpness &>(s).setSharpness(0.6); }},
        {"blur", 38,
         [](MCConvertStage &s) {
             static_cast<MCConvertBlur &>(s).setType(2);
             static_cast<MCConvertBlur &>(s).setRadius(12);
         }},
        {"vignette", 201,
         [](MCConvertStage &s) {
             static_cast<MCConvertVignette &>(s).setExposure(0.3);
             s.setExpanded(false);
         }},
        // Metadata stages.
        {"add keywords", 30,
         [](MCConvertStage &s) {
             static_cast<MCConvertAddKeyword &>(s).setKeywords("sun, Sea ,");
             static_cast<MCConvertAddKeyword &>(s).setRemovesExistingKeywords(true);
         }},
        {"add keywords nil", 30, [](MCConvertStage &s) { static_cast<MCConvertAddKeyword &>(s).setKeywords(QString()); }},
        {"replace keywords", 40,
         [](MCConvertStage &s) {
             static_cast<MCConvertReplaceKeyword &>(s).setFind("a, b");
             static_cast<MCConvertReplaceKeyword &>(s).setReplace("C");
             static_cast<MCConvertReplaceKeyword &>(s).setAppendsAnyway(true);
         }},
        {"remove private tags", 3,
         [](MCConvertStage &s) {
             static_cast<MCConvertRemovePrivateTags &>(s).setRemovesGPS(false);
             static_cast<MCConvertRemovePrivateTags &>(s).setRemovesIPTC(false);
         }},
        {"set capture date", 26,
         [](MCConvertStage &s) { static_cast<MCConvertSetCaptureDate &>(s).setDate(QDateTime::fromMSecsSinceEpoch(1600000000250)); }},
        {"capture date from created", 29,
         [](MCConvertStage &s) { static_cast<MCConvertSetCaptureDateFromCreated &>(s).setSetsOnlyIfMissing(false); }},
        {"shift capture date", 28,
         [](MCConvertStage &s) {
             auto &shift = static_cast<MCConvertShiftCaptureDate &>(s);
             shift.setYears(-2);
             shift.setMonths(14);
             shift.setSeconds(-3600);
             shift.setUsesCreatedDateIfMissing(false);
         }},
        {"copyright and owner", 31,
         [](MCConvertStage &s) {
             static_cast<MCConvertSetCopyrightAndOwner &>(s).setCopyright("© Ann");
             static_cast<MCConvertSetCopyrightAndOwner &>(s).setOwner(QString());
         }},
        {"rating", 32, [](MCConvertStage &s) { static_cast<MCConvertSetRating &>(s).setRating(0); }},
        {"gps", 401,
         [](MCConvertStage &s) {
             static_cast<MCConvertSetGPS &>(s).setLatitude(-33.8568);
             static_cast<MCConvertSetGPS &>(s).setLongitude(151.2153);
             static_cast<MCConvertSetGPS &>(s).setSetsOnlyIfMissing(false);
         }},
        {"iptc info", 402,
         [](MCConvertStage &s) {
             s.setValueForKey("shouldEditHeadline", false);
             s.setValueForKey("headline", "kept out");
             s.setValueForKey("creator", "Ann");
             s.setValueForKey("location", QString());
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        StageRef original = stage(row.stageID);
        ASSERT_TRUE(original);
        row.configure(*original);
        const QVariantMap dictionary = original->dictionaryRepresentation();
        EXPECT_EQ(dictionary.value("stageID").toLongLong(), row.stageID);

        StageRef read = MCConvertStage::stageWithDictionary(dictionary);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->isEqual(*original));
        EXPECT_EQ(read->hash(), original->hash());
        EXPECT_NE(read->uuid(), original->uuid());

        MCError error;
        const QByteArray xml = platform::dataFromPropertyList(dictionary, &error);
        ASSERT_FALSE(xml.isEmpty()) << error.toString().toStdString();
        StageRef reread = MCConvertStage::stageWithDictionary(platform::propertyListFromData(xml).toMap());
        ASSERT_TRUE(reread);
        EXPECT_TRUE(reread->isEqual(*original));
    }
}

TEST(ConvertStageStoredForm, DictionaryHoldsTheBaseKeysAndOneKeyPerParameter)
{
    auto gamma = gammaStage();
    gamma->setExpanded(false);
    EXPECT_EQ(gamma->dictionaryRepresentation(),
              (QVariantMap{{"stageID", 9}, {"stageIsActive", true}, {"stageIsExpanded", false}, {"gamma", 2.2}}));
}

// ---------------------------------------------------------------- copy, equality, hash

TEST(ConvertStageIdentity, CopyIsEqualWithANewIdentityAndNoUndoManager)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto gamma = gammaStage();
    gamma->setUndoManager(undo);
    gamma->setGamma(1.8);
    gamma->setTargetFormat(5);
    gamma->setTargetColorModel(2);
    gamma->setTargetColorDepth(1);
    gamma->setTargetHasAlpha(true);

    auto copy = std::dynamic_pointer_cast<MCConvertGamma>(gamma->copy());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isEqual(*gamma));
    EXPECT_EQ(copy->hash(), gamma->hash());
    EXPECT_NE(copy->uuid(), gamma->uuid());
    EXPECT_FALSE(copy->undoManager());
    EXPECT_EQ(copy->gamma(), 1.8);
    EXPECT_EQ(copy->targetFormat(), 5u);
    EXPECT_EQ(copy->targetColorModel(), 2);
    EXPECT_EQ(copy->targetColorDepth(), 1);
    EXPECT_TRUE(copy->targetHasAlpha());
}

TEST(ConvertStageIdentity, EqualityComparesClassFlagsAndParameters)
{
    auto gamma = gammaStage();
    auto other = gammaStage();
    EXPECT_TRUE(gamma->isEqual(*other));
    EXPECT_EQ(gamma->hash(), other->hash());
    // The hash of the default: (9 << 2 | 2 | 1) ^ (2200 << 16).
    EXPECT_EQ(gamma->hash(), quint64((9 << 2) | 3) ^ (quint64(2200) << 16));

    other->setExpanded(false);
    EXPECT_FALSE(gamma->isEqual(*other));
    other->setExpanded(true);
    other->setGamma(2.2000001); // exact comparison, no tolerance
    EXPECT_FALSE(gamma->isEqual(*other));
    other->setGamma(2.2);
    other->setTargetColorModel(3); // targets and identity take no part
    EXPECT_TRUE(gamma->isEqual(*other));
    EXPECT_FALSE(gamma->isEqual(*stage(-1)));
    EXPECT_FALSE(stage(-1)->isEqual(*gamma));

    // Values a hash cannot round do not break it.
    for (double odd : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300}) {
        other->setGamma(odd);
        (void)other->hash();
        EXPECT_TRUE(other->copy()->isEqual(*other));
    }
}

// ---------------------------------------------------------------- undo, nil, reset, observation

TEST(ConvertStageEditing, SettersRecordUndoOnlyWhenTheValueChanges)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto gamma = gammaStage();
    gamma->setUndoManager(undo);

    gamma->setGamma(2.2);
    gamma->setActive(true);
    gamma->setExpanded(false); // view state: never undoable
    EXPECT_FALSE(undo->canUndo());

    gamma->setGamma(3.0);
    drainMainQueue();
    gamma->setActive(false);
    drainMainQueue();
    undo->undo();
    EXPECT_TRUE(gamma->isActive());
    undo->undo();
    EXPECT_EQ(gamma->gamma(), 2.2);
    undo->redo();
    EXPECT_EQ(gamma->gamma(), 3.0);

    // A stage without an undo manager simply records nothing.
    auto loose = gammaStage();
    loose->setGamma(4.0);
    EXPECT_EQ(loose->gamma(), 4.0);
}

TEST(ConvertStageEditing, NilForANumberBecomesItsMinimumLaterAsOneUndoStep)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto gamma = gammaStage();
    gamma->setUndoManager(undo);
    gamma->setValueForKey("gamma", QVariant());
    EXPECT_EQ(gamma->gamma(), 2.2); // not before the main queue runs
    EXPECT_FALSE(undo->canUndo());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return gamma->gamma() == 1.0; }));
    EXPECT_EQ(gamma->gamma(), gamma->minGamma());
    drainMainQueue();
    undo->undo();
    EXPECT_EQ(gamma->gamma(), 2.2);
    EXPECT_FALSE(undo->canUndo());

    EXPECT_THROW(gamma->setValueForKey("active", QVariant()), std::invalid_argument);
    EXPECT_THROW(gamma->setValueForKey("noSuchKey", 1), std::invalid_argument);
    EXPECT_THROW((void)gamma->valueForKey("noSuchKey"), std::invalid_argument);

    // A stage gone before the main queue runs is left alone.
    gamma->setValueForKey("gamma", QVariant());
    gamma.reset();
    drainMainQueue();
}

TEST(ConvertStageEditing, KeyValueCodingLimitsAndReset)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto gamma = gammaStage();
    gamma->setUndoManager(undo);
    EXPECT_EQ(gamma->minGamma(), 1.0);
    EXPECT_EQ(gamma->maxGamma(), 4.4);
    EXPECT_EQ(gamma->valueForKey("gamma").toDouble(), 2.2);
    gamma->setValueForKey("gamma", 3); // numbers convert to the parameter's type
    EXPECT_EQ(gamma->gamma(), 3.0);
    gamma->setValueForKey("active", false);
    EXPECT_FALSE(gamma->isActive());
    drainMainQueue();

    gamma->resetToDefaults();
    EXPECT_EQ(gamma->gamma(), 2.2);
    EXPECT_FALSE(gamma->isActive()); // reset restores the parameters only
    drainMainQueue();
    undo->undo();
    EXPECT_EQ(gamma->gamma(), 3.0);
}

TEST(ConvertStageEditing, ObserversSeeChangesOfTheirKeyPaths)
{
    auto gamma = gammaStage();
    EXPECT_EQ(gamma->keyPathsForObserver(), (QSet<QString>{"active", "gamma"}));
    EXPECT_EQ(gamma->resizeKeyPathsForObserver(), (QSet<QString>{"expanded"}));
    EXPECT_EQ(stage(-1)->keyPathsForObserver(), (QSet<QString>{"active"}));

    QStringList seen;
    auto tokens = gamma->registerNotificationsForObserver(
        [&](MCObservable &, const QString &key, const MCKeyValueChange &) { seen << key; });
    auto resize = gamma->registerResizeNotificationsForObserver(
        [&](MCObservable &, const QString &key, const MCKeyValueChange &) { seen << key; });
    gamma->setGamma(2.2); // unchanged: no notice
    gamma->setGamma(1.5);
    gamma->setActive(false);
    gamma->setExpanded(false);
    EXPECT_EQ(seen, (QStringList{"gamma", "active", "expanded"}));
    tokens.clear();
    resize.clear();
    gamma->setGamma(1.6);
    EXPECT_EQ(seen.size(), 3);
}

TEST(ConvertStageEditing, StageFailureErrorNamesStageAndFile)
{
    auto file = MCFile::fileWithID(1);
    file->setFileName("IMG_0001.JPG");
    const MCError error = gammaStage()->stageFailureError(file.get());
    EXPECT_TRUE(error.is(MCErrorDomain, 2));
    EXPECT_EQ(error.localizedDescription(), "Action “Gamma” failed on image “IMG_0001.JPG”.");
    EXPECT_EQ(error.localizedRecoverySuggestion(),
              "Action “Gamma” failed on image “IMG_0001.JPG”. Please correct settings in the action, and then try "
              "again.");
}

// ---------------------------------------------------------------- Gamma's work

namespace {

std::unique_ptr<MCBitmap> grayRamp()
{
    QByteArray data(16 * 4, 0);
    for (int i = 0; i < 16; ++i) {
        data[4 * i] = data[4 * i + 1] = data[4 * i + 2] = char(i * 16);
        data[4 * i + 3] = char(255);
    }
    return MCBitmap::createWithCGImage(
        CGImage::create(16, 1, 8, 32, 64, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
}

// The first 64 bytes of the interleaved pixels (a stage may have left the bitmap on its planes).
QByteArray pixels(MCBitmap &bitmap)
{
    if (!bitmap.useImageBuffer())
        return QByteArray();
    return QByteArray(static_cast<const char *>(bitmap.imageBuffer().data), 64);
}

} // namespace

TEST(ConvertGamma, LeavesTheBitmapAloneWhenInactiveOrWithinAThousandth)
{
    auto bitmap = grayRamp();
    ASSERT_TRUE(bitmap);
    const QByteArray before = pixels(*bitmap);
    const double profileGamma = bitmap->profileGamma();
    QVariantMap metadata;

    auto gamma = gammaStage();
    for (double target : {profileGamma, profileGamma * 1.0005, profileGamma / 1.0009}) {
        gamma->setGamma(target);
        EXPECT_TRUE(gamma->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << target;
    }
    gamma->setActive(false);
    for (double target : {0.0, std::nan(""), 3.0}) {
        gamma->setGamma(target);
        EXPECT_TRUE(gamma->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << target;
    }
    EXPECT_FALSE(bitmap->isUsingChannels());
    EXPECT_EQ(pixels(*bitmap), before);
    EXPECT_TRUE(metadata.isEmpty());
}

TEST(ConvertGamma, UnusableTargetsFailWithoutTouchingPixels)
{
    auto bitmap = grayRamp();
    ASSERT_TRUE(bitmap);
    const QByteArray before = pixels(*bitmap);
    QVariantMap metadata;
    auto gamma = gammaStage();
    for (double target : {0.0, -0.0, std::nan(""), HUGE_VAL}) {
        gamma->setGamma(target);
        EXPECT_FALSE(gamma->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << target;
    }
    EXPECT_EQ(pixels(*bitmap), before);
}

TEST(ConvertGamma, ReencodesColourToTheTargetGammaAndRefusesExtremeRatios)
{
    auto bitmap = grayRamp();
    ASSERT_TRUE(bitmap);
    QVariantMap metadata;
    auto gamma = gammaStage();
    gamma->setGamma(bitmap->profileGamma() / 2.0); // ratio 2: c becomes c²
    ASSERT_TRUE(gamma->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    ASSERT_TRUE(bitmap->useImageBuffer());
    const QByteArray after = pixels(*bitmap);
    const auto at = [&](int i, int c) { return uint8_t(after[4 * i + c]); };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_NEAR(at(8, 0), 128 * 128 / 255.0, 1.5); // 0.5² of full scale
    EXPECT_EQ(at(8, 0), at(8, 1));
    EXPECT_EQ(at(8, 3), 255); // alpha untouched

    auto extreme = grayRamp();
    const QByteArray before = pixels(*extreme);
    gamma->setGamma(extreme->profileGamma() / 11.0); // ratio 11, outside 0.1 to 10
    EXPECT_FALSE(gamma->convertBitmap(extreme.get(), metadata, nullptr, nullptr));
    extreme->useImageBuffer();
    EXPECT_EQ(pixels(*extreme), before);
}
