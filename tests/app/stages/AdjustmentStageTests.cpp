// The tone, colour, sharpness, blur and vignette stages: their stored forms, nil handling,
// hashes, reset, and how they meet unusable values.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertCurves.h"
#include "app/stages/MCConvertSharpness.h"
#include "app/stages/MCConvertTone.h"
#include "halvard/system/MCDataExtensions.h"
#include "platform/core/MCUndoManager.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <limits>

namespace {

using StageRef = std::shared_ptr<MCConvertStage>;

const qint64 kAdjustmentStageIDs[] = {0, 2, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 38, 39, 201};

template <typename Stage> std::shared_ptr<Stage> make()
{
    auto stage = std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
    if (!stage)
        ADD_FAILURE() << "no stage for ID " << Stage::StageID;
    return stage;
}

void drainMainQueue()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A small sRGB picture with every channel varying inside a narrow range, so that each
// operation, the automatic stretches too, changes something.
std::unique_ptr<MCBitmap> patternBitmap()
{
    const int width = 24, height = 16;
    QByteArray data(width * height * 4, 0);
    for (int i = 0; i < width * height; ++i) {
        data[4 * i] = char(40 + (i * 37) % 170);
        data[4 * i + 1] = char(60 + (i * 11) % 150);
        data[4 * i + 2] = char(200 - (i * 5) % 160);
        data[4 * i + 3] = char(255);
    }
    return MCBitmap::createWithCGImage(CGImage::create(width, height, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

// The pixels as they stand, from whichever store holds them.
QByteArray pixels(MCBitmap &bitmap)
{
    if (!bitmap.useImageBuffer())
        return {};
    const vImage_Buffer &buffer = bitmap.imageBuffer();
    QByteArray bytes;
    const size_t rowLength = buffer.width * bitmap.bitsPerPixel() / 8;
    for (size_t row = 0; row < buffer.height; ++row)
        bytes.append(static_cast<const char *>(buffer.data) + row * buffer.rowBytes, qsizetype(rowLength));
    return bytes;
}

} // namespace

// ---------------------------------------------------------------- editing

// An emptied field becomes the parameter's minimum later on the main queue, except where a
// stage keeps the value (Levels) or has no replacement (the platform's exception).
TEST(AdjustmentStages, NilValuesFollowEachStagesRule)
{
    struct Case
    {
        qint64 stageID;
        const char *key;
        QVariant before;
        std::optional<double> after; // nothing: the exception
    };
    const Case cases[] = {
        {10, "exposure", 1.5, 0.5},     {18, "temperature", 6500, 2000}, {21, "saturation", 0.7, 0.0},
        {12, "hue", 45.0, 0.0},         {13, "sharpness", 0.6, 0.0},     {38, "radius", 8, 1.0},
        {201, "exposure", 0.3, 0.0},    {0, "strength", 0.8, 0.0},       {39, "maxInput", 0.8, 0.8},
        {39, "gamma", 1.7, 1.7},        {2, "currentChannel", 2, {}},    {22, "method", 3, {}},
        {38, "type", 1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.stageID << " " << c.key);
        auto undo = std::make_shared<MCUndoManager>();
        StageRef stage = MCConvertStage::convertStageWithID(c.stageID);
        ASSERT_TRUE(stage);
        stage->setValueForKey(c.key, c.before);
        stage->setUndoManager(undo);
        if (!c.after) {
            EXPECT_THROW(stage->setValueForKey(c.key, QVariant()), std::invalid_argument);
            continue;
        }
        stage->setValueForKey(c.key, QVariant());
        EXPECT_EQ(stage->valueForKey(c.key).toDouble(), c.before.toDouble()); // not yet
        drainMainQueue();
        EXPECT_EQ(stage->valueForKey(c.key).toDouble(), *c.after);
        EXPECT_EQ(undo->canUndo(), *c.after != c.before.toDouble());
    }
}

TEST(AdjustmentStages, HashesMixTheirParametersAsStored)
{
    auto contrast = make<MCConvertContrast>();
    contrast->setContrast(1.4);
    contrast->setShift(0.3);
    auto levels = make<MCConvertLevels>();
    levels->setGamma(2.0);
    levels->setMaxInput(0.5);
    auto temperature = make<MCConvertTemperature>();
    temperature->setTemperature(3200);
    auto grayscale = make<MCConvertGrayscale>();
    auto blur = make<MCConvertBlur>();
    blur->setType(1);
    blur->setRadius(20); // added, not XORed: 20 + 16 = 36, where XOR would give 4
    auto curves = make<MCConvertCurves>();
    curves->setPointsR({{0, 20}, {255, 200}});
    auto hsl = make<MCConvertHSL>();
    hsl->setHue(90);

    const std::pair<StageRef, quint64> cases[] = {
        {contrast, quint64(std::lround(1.4 * 7) ^ std::lround(0.3 * 11))},
        {levels, quint64(std::lround(2.0 * 51) ^ std::lround(0.0 * 71) ^ std::lround(0.5 * 111) ^
                         std::lround(0.0 * 171) ^ std::lround(1.0 * 191))},
        {temperature, 3200},
        {grayscale, 7000},
        {blur, 36},
        {curves, 0},
        {hsl, quint64(std::lround(90.0 * 7) ^ std::lround(1.0 * 11) ^ std::lround(1.0 * 17))},
        {make<MCConvertVignette>(), 500},
    };
    for (const auto &[stage, mix] : cases) {
        SCOPED_TRACE(stage->stageID());
        const quint64 base = (quint64(stage->stageID()) << 2) | 3;
        EXPECT_EQ(stage->hash(), base ^ (mix << 16));
    }

    // Equal blurs of another type are not equal.
    auto box = make<MCConvertBlur>();
    box->setRadius(20);
    EXPECT_FALSE(box->isEqual(*blur));
    box->setType(1);
    EXPECT_TRUE(box->isEqual(*blur));
}

TEST(AdjustmentStages, GrayscaleResetsToTheAverageAndUndoRestoresTheWeightedMethod)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto grayscale = make<MCConvertGrayscale>();
    grayscale->setUndoManager(undo);
    EXPECT_EQ(grayscale->method(), 7u);
    grayscale->resetToDefaults();
    EXPECT_EQ(grayscale->method(), 0u);
    drainMainQueue();
    undo->undo();
    EXPECT_EQ(grayscale->method(), 7u);

    // The other stages reset to their defaults, Colorize's saturation to 0.5.
    auto colorize = make<MCConvertColorize>();
    colorize->setSaturation(0.9);
    colorize->setHue(100);
    colorize->resetToDefaults();
    EXPECT_TRUE(colorize->isEqual(*make<MCConvertColorize>()));
    EXPECT_EQ(colorize->saturation(), 0.5);
}

// ---------------------------------------------------------------- stored forms

TEST(AdjustmentStages, GrayscaleMethodIsStoredAsARealAndReadTruncated)
{
    auto grayscale = make<MCConvertGrayscale>();
    grayscale->setMethod(8);
    const QVariant stored = grayscale->dictionaryRepresentation().value("method");
    EXPECT_EQ(stored.typeId(), QMetaType::Double);
    EXPECT_EQ(stored.toDouble(), 8.0);

    const quint64 unknown = std::numeric_limits<quint64>::max();
    const std::pair<QVariant, quint64> cases[] = {
        {7.9, 7},     {8.0, 8},         {qint64(3), 3},          {QVariant(), 0},       {"abc", 0},
        {"5.5", 5},   {-0.5, 0},        {-1.0, unknown},         {std::nan(""), unknown},
        {1e30, unknown}, {HUGE_VAL, unknown}, {QVariantList{1}, 0},
    };
    for (const auto &[value, method] : cases) {
        QVariantMap dictionary{{"stageID", 22}, {"stageIsActive", true}};
        if (value.isValid())
            dictionary.insert("method", value);
        auto read = std::dynamic_pointer_cast<MCConvertGrayscale>(MCConvertStage::stageWithDictionary(dictionary));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->method(), method) << value.toString().toStdString();
    }
}

TEST(AdjustmentStages, CurvesReadStoredPointsAndFallBackToTheStraightCurve)
{
    const QList<QPointF> bent = {{0, 12}, {100.5, 140}, {255, 230}};
    auto curves = make<MCConvertCurves>();
    curves->setPointsA(bent);
    curves->setPointsR(bent);
    curves->setPointsB(bent);
    curves->setCurrentChannel(3);
    QVariantMap dictionary = curves->dictionaryRepresentation();
    EXPECT_EQ(dictionary.value("pointsA").typeId(), QMetaType::QByteArray);
    EXPECT_EQ(dictionary.value("currentChannel").toULongLong(), 3u);

    // A missing curve and garbage of every kind give the straight curve; the others read as
    // stored.
    QVariantList strings{"a", "b"};
    const QVariant garbage[] = {
        QVariant(),
        QByteArray("\x00\x01garbage", 9),
        QByteArray(),
        MCKeyedArchiver::archivedRootObject(QString("points")),
        MCKeyedArchiver::archivedRootObject(strings),
        MCKeyedArchiver::archivedRootObject(QVariantList{QPointF(1, 2), 3}),
        MCKeyedArchiver::archivedRootObject(QVariantList{QPointF(1, 2)}).left(12),
        QString("{{0, 0}, {255, 255}}"),
        QVariantList{QPointF(0, 0), QPointF(255, 255)},
        42,
    };
    for (const QVariant &value : garbage) {
        QVariantMap damaged = dictionary;
        damaged.remove("pointsG");
        if (value.isValid())
            damaged.insert("pointsG", value);
        auto read = std::dynamic_pointer_cast<MCConvertCurves>(MCConvertStage::stageWithDictionary(damaged));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->pointsG(), MCConvertCurves::defaultPoints());
        EXPECT_EQ(read->pointsA(), bent);
        EXPECT_EQ(read->pointsB(), bent);
        EXPECT_EQ(read->currentChannel(), 3u);
    }

    // The channel on show is stored and compared, but not observed.
    auto shown = std::dynamic_pointer_cast<MCConvertCurves>(curves->copy());
    shown->setCurrentChannel(0);
    EXPECT_FALSE(shown->isEqual(*curves));
    EXPECT_FALSE(curves->keyPathsForObserver().contains("currentChannel"));
    EXPECT_TRUE(curves->keyPathsForObserver().contains("pointsR"));
}

// ---------------------------------------------------------------- work

TEST(AdjustmentStages, BlurRadiusFollowsTheMeanScaleAndNeverVanishes)
{
    struct Case
    {
        quint64 radius;
        double scaleX, scaleY;
        quint64 expected;
    };
    const Case cases[] = {
        {8, 0.25, 0.25, 2},  {8, 1, 1, 8},    {1, 0.1, 0.1, 1},  {8, 0.5, 1.0, 6},
        {0, 0.5, 0.5, 0},    {32, 0.3, 0.3, 10}, {8, std::nan(""), 1, 0}, {8, -1, -1, 0},
        {std::numeric_limits<quint64>::max(), 1, 1, 4294967296u},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCConvertBlur::scaledRadius(c.radius, c.scaleX, c.scaleY), c.expected)
            << c.radius << " at " << c.scaleX << ", " << c.scaleY;
}

// Switched off, a stage touches nothing whatever its values; Grayscale of an unknown method
// does nothing either.
TEST(AdjustmentStages, InactiveStagesAndUnknownGrayMethodsLeaveTheBitmap)
{
    auto bitmap = patternBitmap();
    ASSERT_TRUE(bitmap);
    const QByteArray before = pixels(*bitmap);
    QVariantMap metadata;
    for (qint64 id : kAdjustmentStageIDs) {
        StageRef stage = MCConvertStage::convertStageWithID(id);
        ASSERT_TRUE(stage);
        for (const MCStageParameter &parameter : stage->parameters()) {
            if (parameter.type == MCStageParameterType::Double)
                stage->setValueForKey(parameter.name, std::nan(""));
        }
        stage->setActive(false);
        EXPECT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << id;
    }
    auto grayscale = make<MCConvertGrayscale>();
    for (quint64 method : {quint64(9), quint64(1000), std::numeric_limits<quint64>::max()}) {
        grayscale->setMethod(method);
        EXPECT_TRUE(grayscale->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << method;
    }
    EXPECT_EQ(pixels(*bitmap), before);
    EXPECT_TRUE(metadata.isEmpty());
}

// A value no operation can use fails the stage (the converter then reports "Action … failed
// on image …") and leaves the pixels as they were.
TEST(AdjustmentStages, UnusableNumbersFailTheStageWithoutTouchingPixels)
{
    auto bitmap = patternBitmap();
    ASSERT_TRUE(bitmap);
    const QByteArray before = pixels(*bitmap);
    QVariantMap metadata;
    for (qint64 id : kAdjustmentStageIDs) {
        StageRef prototype = MCConvertStage::convertStageWithID(id);
        for (const MCStageParameter &parameter : prototype->parameters()) {
            if (parameter.type != MCStageParameterType::Double)
                continue;
            for (double value : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300}) {
                StageRef stage = prototype->copy();
                stage->setValueForKey(parameter.name, value);
                EXPECT_FALSE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr))
                    << id << " " << parameter.name.toStdString() << " " << value;
            }
        }
    }
    auto levels = make<MCConvertLevels>();
    for (double gamma : {0.0, -1.0}) {
        levels->setGamma(gamma);
        EXPECT_FALSE(levels->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) << gamma;
    }
    auto curves = make<MCConvertCurves>();
    curves->setPointsR({{0, 0}, {std::nan(""), 30}, {255, 255}});
    EXPECT_FALSE(curves->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_FALSE(make<MCConvertExposure>()->convertBitmap(nullptr, metadata, nullptr, nullptr));
    EXPECT_EQ(pixels(*bitmap), before);
}

// Stages read from dictionaries of wrong-typed values run to a defined answer on every
// sample layout.
TEST(AdjustmentStages, WrongTypedDictionariesRunWithoutHarm)
{
    const QVariant values[] = {QVariant("abc"), QVariant(QVariantList{1, 2}), QVariant(QVariantMap{{"a", 1}}),
                               QVariant(QByteArray("\xff\xfe", 2)), QVariant(-5), QVariant(1e12)};
    for (qint64 id : kAdjustmentStageIDs) {
        StageRef prototype = MCConvertStage::convertStageWithID(id);
        for (const QVariant &value : values) {
            QVariantMap dictionary{{"stageID", id}, {"stageIsActive", true}};
            for (const MCStageParameter &parameter : prototype->parameters())
                dictionary.insert(parameter.name, value);
            StageRef stage = MCConvertStage::stageWithDictionary(dictionary);
            ASSERT_TRUE(stage) << id;
            EXPECT_TRUE(stage->isEqual(*MCConvertStage::stageWithDictionary(stage->dictionaryRepresentation())));
            auto bitmap = patternBitmap();
            QVariantMap metadata;
            (void)stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr);
            EXPECT_EQ(bitmap->size(), QSizeF(24, 16));
            EXPECT_TRUE(metadata.isEmpty());
        }
    }
}

// Each stage hands its operation the values in the operation's units: percentages as
// fractions, degrees as turns, the Levels gamma as its exponent, and the amounts of Sharpness
// and Blur scaled to a bitmap read at reduced size. The stage's result must be the
// operation's own result for those values.
TEST(AdjustmentStages, ParametersReachTheirOperationInItsUnits)
{
    struct Case
    {
        const char *label;
        qint64 stageID;
        std::function<void(MCConvertStage &)> configure;
        double scaleX, scaleY;
        std::function<bool(MCBitmap &)> expected;
    };
    auto set = [](std::initializer_list<std::pair<const char *, QVariant>> list) {
        return [values = std::vector<std::pair<const char *, QVariant>>(list)](MCConvertStage &stage) {
            for (const auto &[key, value] : values)
                stage.setValueForKey(key, value);
        };
    };
    const QList<QPointF> lifted = {{0, 0}, {96, 140}, {255, 255}};
    const QList<QPointF> lowered = {{0, 30}, {255, 200}};
    const Case cases[] = {
        {"auto contrast 1 clips 1 %", 0, set({{"strength", 1.0}}), 1, 1,
         [](MCBitmap &b) { return b.autoContrast(0.01f); }},
        {"auto contrast default", 0, set({}), 1, 1, [](MCBitmap &b) { return b.autoContrast(0.005f); }},
        {"contrast", 20, set({{"contrast", 1.4}, {"shift", 0.3}}), 1, 1,
         [](MCBitmap &b) { return b.adjustContrast(1.4f, 0.3f); }},
        {"levels gamma 2 is exponent 0.5", 39, set({{"gamma", 2.0}, {"minInput", 0.1}, {"maxOutput", 0.9}}), 1, 1,
         [](MCBitmap &b) { return b.adjustGamma(0.5f, 0.1f, 1.0f, 0.0f, 0.9f); }},
        {"levels gamma 0.5 is exponent 2", 39, set({{"gamma", 0.5}}), 1, 1,
         [](MCBitmap &b) { return b.adjustGamma(2.0f, 0.0f, 1.0f, 0.0f, 1.0f); }},
        {"exposure", 10, set({{"exposure", 1.6}}), 1, 1, [](MCBitmap &b) { return b.adjustExposure(1.6f); }},
        {"curves, channel on show ignored", 2,
         [&](MCConvertStage &s) {
             auto &curves = static_cast<MCConvertCurves &>(s);
             curves.setPointsA(lifted);
             curves.setPointsB(lowered);
             curves.setCurrentChannel(2);
         },
         1, 1,
         [&](MCBitmap &b) {
             return b.histogram({lifted, MCConvertCurves::defaultPoints(), MCConvertCurves::defaultPoints(), lowered});
         }},
        {"auto white balance", 17, set({{"strength", 0.8}}), 1, 1,
         [](MCBitmap &b) { return b.autoWhiteBalance(0.008f); }},
        {"temperature", 18, set({{"temperature", 3200}}), 1, 1,
         [](MCBitmap &b) { return b.adjustTemperature(3200.0f); }},
        {"hsl hue 90 is a quarter turn", 12, set({{"hue", 90.0}, {"saturation", 1.3}, {"lightness", 0.8}}), 1, 1,
         [](MCBitmap &b) { return b.adjustH(0.25f, 1.3f, 0.8f); }},
        {"hsv", 11, set({{"hue", 180.0}, {"saturation", 0.5}, {"value", 1.2}}), 1, 1,
         [](MCBitmap &b) { return b.adjustHSV(0.5f, 0.5f, 1.2f); }},
        {"rgb", 19, set({{"red", 1.2}, {"green", 0.9}, {"blue", 0.6}}), 1, 1,
         [](MCBitmap &b) { return b.adjustR(1.2f, 0.9f, 0.6f); }},
        {"colorize", 21, set({{"hue", 36.0}, {"saturation", 0.7}, {"lightness", 1.1}}), 1, 1,
         [](MCBitmap &b) { return b.colorizeH(0.1f, 0.7f, 1.1f); }},
        {"sepia", 16, set({{"sepia", 0.6}}), 1, 1, [](MCBitmap &b) { return b.adjustSepia(0.6f); }},
        {"sharpness at half size", 13, set({{"sharpness", 0.25}}), 0.5, 0.5,
         [](MCBitmap &b) { return b.adjustSharpness(0.125f); }},
        {"blur 8 at a quarter is 2", 38, set({{"radius", 8}}), 0.25, 0.25,
         [](MCBitmap &b) { return b.blurWithRadius(2, 0); }},
        {"gaussian blur at full size", 38, set({{"radius", 3}, {"type", 2}}), 1, 1,
         [](MCBitmap &b) { return b.blurWithRadius(3, 2); }},
        {"blur over uneven scales", 38, set({{"radius", 8}, {"type", 1}}), 0.5, 1.0,
         [](MCBitmap &b) { return b.blurWithRadius(6, 1); }},
        {"vignette", 201, set({{"exposure", 0.3}}), 1, 1, [](MCBitmap &b) { return b.vignetteWithExposure(0.3f); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        StageRef stage = MCConvertStage::convertStageWithID(c.stageID);
        ASSERT_TRUE(stage);
        c.configure(*stage);
        auto converted = patternBitmap();
        auto reference = patternBitmap();
        ASSERT_TRUE(converted && reference);
        for (MCBitmap *bitmap : {converted.get(), reference.get()}) {
            bitmap->setScaleX(c.scaleX);
            bitmap->setScaleY(c.scaleY);
        }
        const QByteArray before = pixels(*reference);
        QVariantMap metadata;
        ASSERT_TRUE(stage->convertBitmap(converted.get(), metadata, nullptr, nullptr));
        ASSERT_TRUE(c.expected(*reference));
        const QByteArray after = pixels(*reference);
        EXPECT_NE(after, before); // the case is one that shows a difference
        EXPECT_EQ(pixels(*converted), after);
        EXPECT_TRUE(metadata.isEmpty());
    }
}
