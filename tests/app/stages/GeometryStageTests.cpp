#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/stages/MCConvertBorder.h"
#include "app/stages/MCConvertCrop.h"
#include "app/stages/MCConvertResolution.h"
#include "app/stages/MCConvertRotate.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertTrim.h"
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <limits>

namespace {

template <typename Stage> std::shared_ptr<Stage> make()
{
    return std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
}

// An opaque 8-bit RGBA bitmap filled with one grey level.
std::unique_ptr<MCBitmap> grayBitmap(size_t width, size_t height, char level = char(128))
{
    QByteArray data(int(width * height * 4), level);
    for (qsizetype i = 3; i < data.size(); i += 4)
        data[i] = char(255);
    return MCBitmap::createWithCGImage(CGImage::create(width, height, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

} // namespace

// Found by argument-dependent lookup, so it lives beside MCEdgeInsets.
static std::ostream &operator<<(std::ostream &out, const MCEdgeInsets &i)
{
    return out << "{top " << i.top << ", left " << i.left << ", bottom " << i.bottom << ", right " << i.right << "}";
}

// ---------------------------------------------------------------- Scale

TEST(ScaleStage, SixModesGiveTheirSizes)
{
    struct Case
    {
        const char *label;
        quint64 mode;
        double percent, edge, edge2, megapixels;
        QSizeF size;
        double scale;
        QSizeF expected;
    };
    const Case cases[] = {
        {"percent 50", 0, 50, 0, 0, 0, {4000, 3000}, 1, {2000, 1500}},
        {"percent 33 rounds", 0, 33, 0, 0, 0, {1001, 1001}, 1, {330, 330}},
        {"1 % still a pixel", 0, 1, 0, 0, 0, {50, 50}, 1, {1, 1}},
        {"1 % under a pixel", 0, 1, 0, 0, 0, {40, 40}, 1, {0, 0}},
        {"longer landscape", 1, 0, 2048, 0, 0, {4000, 3000}, 1, {2048, 1536}},
        {"longer portrait", 1, 0, 2048, 0, 0, {3000, 4000}, 1, {1536, 2048}},
        {"longer enlarges", 1, 0, 2048, 0, 0, {1000, 500}, 1, {2048, 1024}},
        {"longer square", 1, 0, 2048, 0, 0, {1000, 1000}, 1, {2048, 2048}},
        {"longer preview", 1, 0, 2048, 0, 0, {2000, 1500}, 0.5, {1024, 768}},
        {"shorter", 2, 0, 1000, 0, 0, {4000, 3000}, 1, {1333, 1000}},
        {"megapixels", 3, 0, 0, 0, 5, {4000, 3000}, 1, {2582, 1936}},
        {"box turns landscape", 4, 0, 2048, 1024, 0, {4000, 3000}, 1, {1365, 1024}},
        {"box turns portrait", 4, 0, 2048, 1024, 0, {3000, 4000}, 1, {1024, 1365}},
        {"box fixed portrait", 5, 0, 2048, 1024, 0, {3000, 4000}, 1, {768, 1024}},
        {"box fixed landscape", 5, 0, 2048, 1024, 0, {4000, 2000}, 1, {2048, 1024}},
        {"unknown mode", 6, 50, 2048, 2048, 5, {4000, 3000}, 1, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto scale = make<MCConvertScale>();
        scale->setScaleMode(c.mode);
        scale->setScaleInPercentage(c.percent);
        scale->setScaleToEdge(c.edge);
        scale->setScaleToEdge2(c.edge2);
        scale->setScaleToMegapixels(c.megapixels);
        EXPECT_EQ(scale->scaledImageSizeForBitmapSize(c.size, c.scale, c.scale), c.expected);
        if (c.scale == 1) {
            quint64 orientation = 6;
            EXPECT_EQ(scale->imageSizeForSize(c.size, orientation), c.expected);
            EXPECT_EQ(orientation, 6u);
        }
    }
}

// Equality looks only at what the mode uses; a mode outside the table is never equal.
TEST(ScaleStage, EqualityFollowsTheMode)
{
    auto a = make<MCConvertScale>(), b = make<MCConvertScale>();
    b->setScaleToEdge(100); // unused by mode 0
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());
    a->setScaleMode(1);
    b->setScaleMode(1);
    EXPECT_FALSE(a->isEqual(*b));
    b->setScaleToEdge(2048);
    b->setScaleInPercentage(10);
    EXPECT_TRUE(a->isEqual(*b));
    a->setScaleMode(7);
    b->setScaleMode(7);
    EXPECT_FALSE(a->isEqual(*b));
    EXPECT_FALSE(a->isEqual(*a->copy()));
    EXPECT_EQ(a->resizeKeyPathsForObserver(), (QSet<QString>{"expanded", "scaleMode"}));
    // The mix is the mode alone.
    EXPECT_EQ(a->hash(), quint64((5 << 2) | 3) ^ (quint64(7) << 16));
}

TEST(ScaleToSizeStage, FitsWithABorderOrFillsAndTrims)
{
    struct Case
    {
        const char *label;
        quint64 method, behavior, anchor;
        QSizeF size;
        quint64 orientation;
        QSizeF scaled;
        MCEdgeInsets insets;
    };
    const Case cases[] = {
        {"fit landscape", 0, 0, 0, {3000, 2000}, 1, {2048, 1365}, {85, 0, 86, 0}},
        {"fit anchored top", 0, 0, 4, {3000, 2000}, 1, {2048, 1365}, {0, 0, 171, 0}},
        {"fit portrait turns the box", 0, 0, 0, {2000, 3000}, 1, {1365, 2048}, {0, 85, 0, 86}},
        {"fit fixed box", 1, 0, 0, {2000, 3000}, 1, {1024, 1536}, {0, 512, 0, 512}},
        {"fill", 0, 1, 0, {3000, 2000}, 1, {2304, 1536}, {0, 128, 0, 128}},
        {"fill anchored left", 0, 1, 1, {3000, 2000}, 1, {2304, 1536}, {0, 0, 0, 256}},
        // Shown turned (a portrait box): the photo kept at the displayed left, so the whole
        // border goes to the displayed right, which is the stored top.
        {"fit shown turned", 0, 0, 1, {3000, 2000}, 6, {2048, 1365}, {171, 0, 0, 0}},
        {"unknown behaviour", 0, 2, 0, {3000, 2000}, 1, {0, 0}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto stage = make<MCConvertScaleToSize>();
        stage->setScaleToSizeMethod(c.method);
        stage->setScaleToSizeBehavior(c.behavior);
        stage->setAnchor(c.anchor);
        const QSizeF scaled = stage->scaledImageSizeForBitmapSize(c.size, 1, 1);
        EXPECT_EQ(scaled, c.scaled);
        if (c.behavior > 1)
            continue;
        const MCEdgeInsets insets = c.behavior == 0 ? stage->outerBorderInsetsForSize(scaled, c.orientation, 1, 1)
                                                    : stage->trimBorderInsetsForSize(scaled, c.orientation, 1, 1);
        EXPECT_EQ(insets, c.insets) << insets;
    }
    // A preview at half size gets half the border.
    auto stage = make<MCConvertScaleToSize>();
    const QSizeF half = stage->scaledImageSizeForBitmapSize(QSizeF(1500, 1000), 0.5, 0.5);
    EXPECT_EQ(half, QSizeF(1024, 683));
    EXPECT_EQ(stage->outerBorderInsetsForSize(half, 1, 0.5, 0.5), (MCEdgeInsets{42, 0, 43, 0}));

    // The prediction is the box, turned for a portrait photo with method 0.
    quint64 orientation = 1;
    EXPECT_EQ(stage->imageSizeForSize(QSizeF(3000, 2000), orientation), QSizeF(2048, 1536));
    EXPECT_EQ(stage->imageSizeForSize(QSizeF(200, 3000), orientation), QSizeF(1536, 2048));
    stage->setScaleToSizeMethod(1);
    EXPECT_EQ(stage->imageSizeForSize(QSizeF(200, 3000), orientation), QSizeF(2048, 1536));
    stage->setActive(false);
    EXPECT_EQ(stage->imageSizeForSize(QSizeF(200, 3000), orientation), QSizeF(200, 3000));
}

TEST(ScaleToSizeStage, EmptiedSideBecomesItsMinimum)
{
    auto stage = make<MCConvertScaleToSize>();
    stage->setValueForKey("side1", QVariant());
    EXPECT_EQ(stage->side1(), 2048u);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return stage->side1() == 1; }));
    EXPECT_THROW(stage->setValueForKey("anchor", QVariant()), std::invalid_argument);
}

// ---------------------------------------------------------------- Crop and Trim

TEST(CropStage, InsetsByRatioMethodAnchorAndOrientation)
{
    struct Case
    {
        const char *label;
        quint64 method, side1, side2, anchor;
        QSizeF size;
        quint64 orientation;
        MCEdgeInsets insets;
    };
    const Case cases[] = {
        {"3:2 wide photo", 0, 3, 2, 0, {4000, 2000}, 1, {0, 500, 0, 500}},
        {"3:2 anchored right", 0, 3, 2, 2, {4000, 2000}, 1, {0, 1000, 0, 0}},
        {"3:2 turns for portrait", 0, 3, 2, 0, {2000, 4000}, 1, {500, 0, 500, 0}},
        {"3:2 fixed on portrait", 1, 3, 2, 0, {2000, 4000}, 1, {1333, 0, 1334, 0}},
        {"1:1 shown turned", 0, 1, 1, 0, {4000, 3000}, 6, {0, 500, 0, 500}},
        {"top-left kept", 0, 1, 1, 5, {4000, 3000}, 1, {0, 0, 0, 1000}},
        {"already the ratio", 0, 3, 2, 0, {300, 200}, 1, {0, 0, 0, 0}},
        {"orientation above 8", 0, 1, 1, 0, {400, 300}, 9, {0, 50, 0, 50}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto crop = make<MCConvertCrop>();
        crop->setCropMethod(c.method);
        crop->setCropSide1(c.side1);
        crop->setCropSide2(c.side2);
        crop->setAnchor(c.anchor);
        const MCEdgeInsets insets = crop->cropInsetsForOriginalSize(c.size, c.orientation);
        EXPECT_EQ(insets, c.insets) << insets;
        quint64 orientation = c.orientation;
        EXPECT_EQ(crop->imageSizeForSize(c.size, orientation),
                  QSizeF(c.size.width() - c.insets.left - c.insets.right,
                         c.size.height() - c.insets.top - c.insets.bottom));
        EXPECT_EQ(orientation, c.orientation);
    }
}

// The user's sides land on the stored sides by the orientation; above 8 nothing is cut or
// added. Trim and Add Borders share the table; percentages are of the stored sides.
TEST(TrimAndBorderStages, SidesFollowTheOrientationTable)
{
    // Displayed left 1, right 2, top 3, bottom 4 as stored {top, left, bottom, right}.
    const MCEdgeInsets expected[] = {
        {3, 1, 4, 2}, {3, 1, 4, 2}, {3, 2, 4, 1}, {4, 2, 3, 1}, {4, 1, 3, 2},
        {1, 3, 2, 4}, {2, 3, 1, 4}, {2, 4, 1, 3}, {1, 4, 2, 3}, {0, 0, 0, 0},
    };
    auto trim = make<MCConvertTrim>();
    trim->setTrimLeftInPixels(1);
    trim->setTrimRightInPixels(2);
    trim->setTrimTopInPixels(3);
    trim->setTrimBottomInPixels(4);
    auto border = make<MCConvertAddBorder>();
    border->setBorderLeftInPixels(1);
    border->setBorderRightInPixels(2);
    border->setBorderTopInPixels(3);
    border->setBorderBottomInPixels(4);
    for (quint64 orientation = 0; orientation <= 9; ++orientation) {
        SCOPED_TRACE(orientation);
        EXPECT_EQ(trim->trimInsetsForOrientation(orientation, QSizeF(100, 80)), expected[orientation]);
        EXPECT_EQ(border->borderInsetsForOrientation(orientation, QSizeF(100, 80)), expected[orientation]);
    }

    // Percent: 10 % at the left of a 4000 × 3000 photo; shown with orientation 8 the displayed
    // left is the stored top, 10 % of the stored height.
    trim->setTrimsInPercent(true);
    trim->setTrimLeftInPercent(10);
    EXPECT_EQ(trim->trimInsetsForOrientation(1, QSizeF(4000, 3000)), (MCEdgeInsets{0, 400, 0, 0}));
    EXPECT_EQ(trim->trimInsetsForOrientation(8, QSizeF(4000, 3000)), (MCEdgeInsets{300, 0, 0, 0}));
    quint64 orientation = 8;
    EXPECT_EQ(trim->imageSizeForSize(QSizeF(4000, 3000), orientation), QSizeF(4000, 2700));

    border->setAddsInPercent(true);
    border->setBorderLeftInPercent(10);
    border->setBorderTopInPercent(5);
    border->setBorderRightInPercent(0);
    border->setBorderBottomInPercent(0);
    EXPECT_EQ(border->borderInsetsForOrientation(1, QSizeF(1000, 800)), (MCEdgeInsets{40, 100, 0, 0}));
    EXPECT_EQ(border->borderInsetsForOrientation(6, QSizeF(1000, 800)), (MCEdgeInsets{0, 50, 80, 0}));
}

TEST(TrimStage, EqualityHashAndEmptiedFields)
{
    auto a = make<MCConvertTrim>(), b = make<MCConvertTrim>();
    b->setTrimLeftInPercent(30); // unused while pixels apply
    EXPECT_TRUE(a->isEqual(*b));
    a->setTrimsInPercent(true);
    b->setTrimsInPercent(true);
    EXPECT_FALSE(a->isEqual(*b));
    b->setTrimLeftInPercent(0);
    b->setTrimBottomInPixels(9);
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());

    a->setTrimTopInPixels(10);
    a->setValueForKey("trimTopInPixels", QVariant());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return a->trimTopInPixels() == 0; }));
}

// ---------------------------------------------------------------- Rotate, Add Borders, Resolution

TEST(RotateAndBorderStages, PredictTheirSizes)
{
    struct Case
    {
        quint64 rotate, flip;
        QSizeF expected;
    };
    const Case cases[] = {{0, 0, {300, 200}}, {1, 2, {200, 300}}, {2, 1, {300, 200}}, {3, 0, {200, 300}},
                          {4, 0, {300, 200}}};
    for (const Case &c : cases) {
        auto rotate = make<MCConvertRotate>();
        rotate->setRotate(c.rotate);
        rotate->setFlip(c.flip);
        quint64 orientation = 6;
        EXPECT_EQ(rotate->imageSizeForSize(QSizeF(300, 200), orientation), c.expected) << c.rotate;
        EXPECT_EQ(orientation, 6u);
    }

    auto border = make<MCConvertAddBorder>();
    quint64 orientation = 1;
    EXPECT_EQ(border->imageSizeForSize(QSizeF(1000, 800), orientation), QSizeF(1000, 800)); // inner
    border->setBorderPosition(MCConvertAddBorder::Outer);
    EXPECT_EQ(border->imageSizeForSize(QSizeF(1000, 800), orientation), QSizeF(1040, 840));
    border->setBorderLeftInPixels(0);
    orientation = 6; // the user's left is the stored bottom
    EXPECT_EQ(border->imageSizeForSize(QSizeF(1000, 800), orientation), QSizeF(1040, 820));
    border->setActive(false);
    EXPECT_EQ(border->imageSizeForSize(QSizeF(1000, 800), orientation), QSizeF(1000, 800));
}

TEST(AddBorderStage, StoredFormEqualityAndHash)
{
    auto border = make<MCConvertAddBorder>();
    border->setBorderPosition(MCConvertAddBorder::Outer);
    const QVariantMap stored = border->dictionaryRepresentation();
    EXPECT_EQ(stored.value("borderPosition").typeId(), QMetaType::Bool);
    EXPECT_EQ(stored.value("borderPosition").toBool(), true);
    auto read = std::dynamic_pointer_cast<MCConvertAddBorder>(MCConvertStage::stageWithDictionary(stored));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->borderPosition(), 1u);
    EXPECT_EQ(read->borderColor(), QColor(Qt::white));

    // A dictionary without the colour keeps white; without the sides they read 0.
    auto bare = std::dynamic_pointer_cast<MCConvertAddBorder>(MCConvertStage::stageWithDictionary({{"stageID", 36}}));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->borderColor(), QColor(Qt::white));
    EXPECT_EQ(bare->borderLeftInPixels(), 0u);
    EXPECT_EQ(bare->borderTopInPercent(), 0.0);

    // Percent stages that differ only in pixel sides are equal; the position always counts.
    auto a = make<MCConvertAddBorder>(), b = make<MCConvertAddBorder>();
    a->setAddsInPercent(true);
    b->setAddsInPercent(true);
    b->setBorderLeftInPixels(99);
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());
    b->setBorderPosition(1);
    EXPECT_FALSE(a->isEqual(*b));
    b->setBorderPosition(0);
    b->setBorderColor(QColor(Qt::black));
    EXPECT_FALSE(a->isEqual(*b));
    // Pixel sides take part in the mix while they apply.
    auto c = make<MCConvertAddBorder>();
    const quint64 mix = (11 * 20) ^ (17 * 20) ^ (19 * 20) ^ (23 * 20);
    EXPECT_EQ(c->hash(), quint64((36 << 2) | 3) ^ (mix << 16));
}

TEST(ResolutionStage, WritesDPIAndTIFFResolutionInInches)
{
    auto stage = make<MCConvertResolution>();
    stage->setResolutionDPI(300);
    QVariantMap metadata{{kCGImagePropertyTIFFDictionary, QVariantMap{{"Make", "Acme"}}}};
    ASSERT_TRUE(stage->convertBitmap(nullptr, metadata, nullptr, nullptr));
    EXPECT_EQ(metadata.value(kCGImagePropertyDPIWidth), QVariant(300.0));
    EXPECT_EQ(metadata.value(kCGImagePropertyDPIHeight), QVariant(300.0));
    const QVariantMap tiff = metadata.value(kCGImagePropertyTIFFDictionary).toMap();
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFXResolution), QVariant(300.0));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFYResolution), QVariant(300.0));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFResolutionUnit).toInt(), 2);
    EXPECT_EQ(tiff.value("Make"), QVariant("Acme"));
    EXPECT_EQ(stage->resolutionForResolution(72), 300u);

    // Without a TIFF dictionary one is made.
    QVariantMap bare;
    ASSERT_TRUE(stage->convertBitmap(nullptr, bare, nullptr, nullptr));
    EXPECT_EQ(bare.value(kCGImagePropertyTIFFDictionary).toMap().value(kCGImagePropertyTIFFXResolution),
              QVariant(300.0));

    // A resolution no file can hold fails instead of being written; inactive does nothing.
    for (quint64 dpi : {quint64(0), quint64(1) << 40, std::numeric_limits<quint64>::max()}) {
        stage->setResolutionDPI(dpi);
        QVariantMap untouched{{"Orientation", 1}};
        EXPECT_FALSE(stage->convertBitmap(nullptr, untouched, nullptr, nullptr)) << dpi;
        EXPECT_EQ(untouched, (QVariantMap{{"Orientation", 1}}));
        EXPECT_EQ(stage->resolutionForResolution(240), 240u);
    }
    stage->setActive(false);
    stage->setResolutionDPI(300);
    QVariantMap untouched;
    EXPECT_TRUE(stage->convertBitmap(nullptr, untouched, nullptr, nullptr));
    EXPECT_TRUE(untouched.isEmpty());
    EXPECT_EQ(stage->resolutionForResolution(240), 240u);

    // An emptied field becomes 72.
    stage->setValueForKey("resolutionDPI", QVariant());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return stage->resolutionDPI() == 72; }));
}

// ---------------------------------------------------------------- the converter's folds

TEST(GeometryStagePredictions, SizeAndResolutionHooksFoldOverAllStages)
{
    MCUserDefaults defaults(QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
    QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
    registered.insert(kMCShouldAutorotateKey, true);
    defaults.registerDefaults(registered);
    MCBitmapConverter converter(&defaults);

    auto scale = make<MCConvertScale>();
    scale->setScaleMode(MCConvertScale::LongerSide); // 4000 × 3000 shown turned: 3000 × 4000 → 1536 × 2048
    auto crop = make<MCConvertCrop>();
    crop->setCropSide1(1);
    crop->setCropSide2(1); // → 1536 × 1536
    auto trim = make<MCConvertTrim>();
    trim->setTrimLeftInPixels(36); // → 1500 × 1536
    auto rotate = make<MCConvertRotate>();
    rotate->setRotate(1); // → 1536 × 1500
    auto border = make<MCConvertAddBorder>();
    border->setBorderPosition(MCConvertAddBorder::Outer); // → 1576 × 1540
    auto off = make<MCConvertScaleToSize>();
    off->setActive(false);
    auto dpi = make<MCConvertResolution>();
    dpi->setResolutionDPI(300);
    auto dpiOff = make<MCConvertResolution>();
    dpiOff->setResolutionDPI(600);
    dpiOff->setActive(false);
    converter.setStagesFromArray({scale, crop, trim, rotate, off, border, dpi, dpiOff});

    EXPECT_EQ(converter.sizeForOriginalSize(QSizeF(4000, 3000), 6), QSizeF(1576, 1540));
    EXPECT_EQ(converter.resolutionForOriginalResolution(72), 300u);
    off->setActive(true); // Scale to Size answers its box whatever came before
    EXPECT_EQ(converter.sizeForOriginalSize(QSizeF(4000, 3000), 6), QSizeF(2088, 1576));
}

// ---------------------------------------------------------------- bad input

// Damaged presets: every numeric key of every geometry stage with a value of the wrong type,
// NaN, infinity, a negative or a huge number. The stage either fails (the converter then
// reports it) or leaves a bitmap of at least one pixel; the predictions answer something.
TEST(GeometryStageBadInput, DamagedValuesFailOrDoSomethingDefined)
{
    const QVariant garbage[] = {QVariant("abc"),          QVariant(std::nan("")), QVariant(HUGE_VAL),
                                QVariant(-HUGE_VAL),      QVariant(-1),           QVariant(1e300),
                                QVariant(QVariantList{}), QVariant(qint64(std::numeric_limits<qint64>::max()))};
    for (qint64 id : {MCConvertScale::StageID, MCConvertScaleToSize::StageID, MCConvertCrop::StageID,
                      MCConvertTrim::StageID, MCConvertTrimColor::StageID, MCConvertRotate::StageID,
                      MCConvertAddBorder::StageID, MCConvertResolution::StageID}) {
        const MCConvertStageRef defaults = MCConvertStage::convertStageWithID(id);
        ASSERT_TRUE(defaults) << id;
        for (const MCStageParameter &parameter : defaults->parameters()) {
            if (parameter.type == MCStageParameterType::Color)
                continue;
            for (const QVariant &value : garbage) {
                SCOPED_TRACE(QStringLiteral("%1 %2 = %3").arg(id).arg(parameter.name, value.toString()).toStdString());
                QVariantMap stored = defaults->dictionaryRepresentation();
                stored.insert(kMCConvertStageIsActiveKey, true);
                stored.insert(parameter.name, value);
                const MCConvertStageRef stage = MCConvertStage::stageWithDictionary(stored);
                ASSERT_TRUE(stage);
                quint64 orientation = 1;
                (void)stage->imageSizeForSize(QSizeF(40, 30), orientation);
                (void)stage->resolutionForResolution(72);
                auto bitmap = grayBitmap(40, 30);
                ASSERT_TRUE(bitmap);
                QVariantMap metadata{{kCGImagePropertyOrientation, 6}};
                if (stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) {
                    EXPECT_GE(bitmap->size().width(), 1);
                    EXPECT_GE(bitmap->size().height(), 1);
                }
            }
        }
    }
}

// A result under one pixel, a trim of everything and a scale beyond any allocation fail the
// stage; the converter turns that into the stage error naming the action.
TEST(GeometryStageBadInput, ImpossibleResultsFailWithTheStageError)
{
    auto tiny = make<MCConvertScale>();
    tiny->setScaleInPercentage(1);
    auto huge = make<MCConvertScale>();
    huge->setScaleInPercentage(1e6);
    auto everything = make<MCConvertTrim>();
    everything->setTrimsInPercent(true);
    everything->setTrimLeftInPercent(50);
    everything->setTrimRightInPercent(50);
    auto toZero = make<MCConvertScaleToSize>();
    toZero->setScaleToSizeBehavior(5);

    MCUserDefaults defaults(QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
    defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    for (const MCConvertStageRef &stage : std::initializer_list<MCConvertStageRef>{tiny, huge, everything, toZero}) {
        SCOPED_TRACE(stage->stageName().toStdString());
        auto bitmap = grayBitmap(40, 40);
        ASSERT_TRUE(bitmap);
        QVariantMap metadata;
        EXPECT_FALSE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_EQ(bitmap->size(), QSizeF(40, 40));
        EXPECT_FALSE(metadata.contains(kCGImagePropertyPixelWidth));

        MCBitmapConverter converter(&defaults);
        converter.addStage(stage);
        MCError error;
        QVariantMap properties;
        EXPECT_FALSE(converter.convertBitmap(bitmap.get(), &properties, nullptr, &error));
        EXPECT_TRUE(error.is(MCErrorDomain, 2)) << error.toString().toStdString();
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("Action “%1” failed on image “”.").arg(stage->stageName()));
    }
}
