// The Watermark Rectangle stage: its parameters, the sizes it works out on the displayed
// photo, and the rectangle drawn (placement, outline, preview scale, a reference picture).
#include "app/stages/MCConvertWatermarkRect.h"
#include "platform/core/MCUndoManager.h"
#include "platform/imageio/MCImageProperties.h"
#include "WatermarkStageTestSupport.h"

#include <QCoreApplication>

using namespace watermarkstagetest;

namespace {

using Stage = MCConvertWatermarkRect;

// The box of the pixels that differ from the untouched photo by more than `threshold` in any
// colour channel (rows from the top).
QRect changedBox(MCBitmap &drawn, MCBitmap &untouched, int threshold = 8)
{
    const QImage a = toQImage(drawn), b = toQImage(untouched);
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > threshold || std::abs(qGreen(p) - qGreen(q)) > threshold ||
                std::abs(qBlue(p) - qBlue(q)) > threshold)
                box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

} // namespace

TEST(WatermarkRectStage, DeclaresItsParametersWithTheirDefaults)
{
    auto stage = make<Stage>();
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->parameters().size(), 27u);
    EXPECT_EQ(stage->stageName(), QStringLiteral("Watermark Rectangle"));
    EXPECT_EQ(stage->rectPositionMask(), 8u);
    EXPECT_EQ(stage->rectLengthValue(), 1u);
    EXPECT_EQ(stage->rectLengthInPercent(), 100.0);
    EXPECT_EQ(stage->rectThicknessValue(), 4u);
    EXPECT_EQ(stage->rectThicknessInPercent(), 10.0);
    EXPECT_EQ(stage->rectRadiusValue(), 0u);
    EXPECT_EQ(stage->rectRadiusFixed(), 50.0);
    EXPECT_EQ(stage->strokeThickness(), 10.0);
    EXPECT_EQ(stage->strokeColor(), QColor(Qt::white));
    EXPECT_NEAR(stage->fillColor().alphaF(), 0.5, 1e-3);
    EXPECT_EQ(stage->fillColor().red(), 0);
    EXPECT_EQ(stage->opacity(), 1.0);
    EXPECT_EQ(stage->maxOpacity(), 100.0);
    EXPECT_EQ(stage->minRectLengthInPercent(), 0.1);
    EXPECT_EQ(stage->maxRectLengthFixed(), 30000.0);
    EXPECT_TRUE(stage->collapsedPositionGroup());
    EXPECT_FALSE(stage->collapsedOpacityGroup());
    EXPECT_EQ(stage->keyPathsForObserver().size(), 1 + 23);
    EXPECT_EQ(stage->resizeKeyPathsForObserver().size(), 1 + 4);

    const QVariantMap stored = stage->dictionaryRepresentation();
    EXPECT_EQ(stored.size(), 3 + 27);
    stage->setRectRotation(33.5);
    auto back = read<Stage>(stage->dictionaryRepresentation());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rectRotation(), 33.5);
    EXPECT_TRUE(back->isEqual(*stage));
    auto bare = read<Stage>({{"stageIsActive", true}});
    EXPECT_EQ(bare->rectRotation(), 0.0);
    EXPECT_EQ(bare->opacity(), 0.0);
    EXPECT_EQ(bare->rectLengthValue(), 0u);
    EXPECT_NEAR(bare->fillColor().alphaF(), 0.5, 1e-3); // colours keep their defaults

    // Folded groups are not undone; parameters are; emptied fields go to their floor.
    auto undo = std::make_shared<MCUndoManager>();
    undo->setGroupsByEvent(false);
    stage->setUndoManager(undo);
    stage->setCollapsedStrokeGroup(false);
    EXPECT_FALSE(undo->canUndo());
    stage->setUndoManager(std::weak_ptr<MCUndoManager>());
    stage->setValueForKey("rectLengthFixed", QVariant());
    stage->setValueForKey("rectOffsetXInPercent", QVariant());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(stage->rectLengthFixed(), 1.0);
    EXPECT_EQ(stage->rectOffsetXInPercent(), 0.0);
}

TEST(WatermarkRectStage, EqualityComparesOnlyTheChosenKindsAndEnabledParts)
{
    struct Case
    {
        const char *label;
        std::function<void(Stage &)> both;
        std::function<void(Stage &)> change;
        bool equal;
    };
    const auto none = [](Stage &) {};
    const Case cases[] = {
        {"pixel offset", none, [](Stage &s) { s.setRectOffsetXInPixels(3); }, false},
        {"percent offset in pixels", none, [](Stage &s) { s.setRectOffsetXInPercent(3); }, true},
        {"stroke colour without stroke", none, [](Stage &s) { s.setStrokeColor(Qt::red); }, true},
        {"stroke colour with stroke", [](Stage &s) { s.setHasStroke(true); }, [](Stage &s) { s.setStrokeColor(Qt::red); },
         false},
        {"radius when square", none, [](Stage &s) { s.setRectRadiusFixed(3); }, true},
        {"radius when rounded", [](Stage &s) { s.setIsRounded(true); }, [](Stage &s) { s.setRectRadiusFixed(3); },
         false},
        {"fixed length while relative", none, [](Stage &s) { s.setRectLengthFixed(3); }, true},
        {"fill colour", none, [](Stage &s) { s.setFillColor(Qt::red); }, false},
        {"folded groups", none, [](Stage &s) { s.setCollapsedOpacityGroup(true); s.setCollapsedRoundedGroup(false); },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto a = make<Stage>(), b = make<Stage>();
        c.both(*a);
        c.both(*b);
        c.change(*b);
        EXPECT_EQ(a->isEqual(*b), c.equal);
    }
    auto stage = make<Stage>();
    stage->setOpacity(0.567);
    EXPECT_EQ(stage->hash(), quint64((37 << 2) | 3) ^ (quint64((1 * 17) ^ (8 * 7) ^ (56 * 11)) << 16));
}

TEST(WatermarkRectStage, SizesFollowTheDisplayedPhoto)
{
    auto stage = make<Stage>();
    auto photo = plainBitmap(40, 30);
    photo->setScaleX(0.01);
    photo->setScaleY(0.01); // stands for a 4000 × 3000 photo
    EXPECT_EQ(Stage::displayedSize(*photo, 1), QSizeF(4000, 3000));
    EXPECT_EQ(stage->rectSizeForPhoto(Stage::displayedSize(*photo, 1)), QSizeF(4000, 300));
    // Turned a quarter for display: the band runs along the displayed width.
    EXPECT_EQ(Stage::displayedSize(*photo, 6), QSizeF(3000, 4000));
    EXPECT_EQ(stage->rectSizeForPhoto(Stage::displayedSize(*photo, 6)), QSizeF(3000, 300));
    EXPECT_EQ(Stage::displayedSize(*photo, 3), QSizeF(4000, 3000));

    // Rounded halves away from zero: 1001 / 2 = 500.5 gives 501.
    auto odd = plainBitmap(1001, 1001);
    odd->setScaleX(2);
    odd->setScaleY(2);
    EXPECT_EQ(Stage::displayedSize(*odd, 1), QSizeF(501, 501));
    stage->setRectLengthInPercent(10);
    EXPECT_DOUBLE_EQ(stage->rectSizeForPhoto(QSizeF(501, 501)).width(), 50.1);

    stage->setRectLengthValue(5);
    EXPECT_EQ(stage->rectSizeForPhoto(QSizeF(400, 300)).width(), 0.0);
    stage->setRectLengthValue(0);
    EXPECT_EQ(stage->rectSizeForPhoto(QSizeF(400, 300)).width(), 250.0);
    stage->setRectRadiusValue(5);
    EXPECT_EQ(stage->radiusForPhoto(QSizeF(400, 300)), 0.0); // not rounded
    stage->setIsRounded(true);
    EXPECT_EQ(stage->radiusForPhoto(QSizeF(400, 300)), 50.0);
    stage->setRectRadiusValue(3);
    EXPECT_EQ(stage->radiusForPhoto(QSizeF(400, 300)), 8.0);
}

TEST(WatermarkRectStage, DrawsTheDefaultBandAlongTheDisplayedBottom)
{
    auto stage = make<Stage>();
    struct Case
    {
        quint64 orientation;
        QRect band; // stored pixels, rows from the top
    };
    // A 400 × 300 bitmap: upright, the band is 400 × 30 at the bottom. Orientation 6 shows the
    // pixels turned a quarter clockwise, so the displayed bottom is the stored right side; 8
    // turns them the other way; 3 shows them upside down.
    const Case cases[] = {
        {1, QRect(0, 270, 400, 30)},
        {6, QRect(370, 0, 30, 300)},
        {8, QRect(0, 0, 30, 300)},
        {3, QRect(0, 0, 400, 30)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.orientation);
        auto photo = rampPhoto(400, 300), untouched = rampPhoto(400, 300);
        MCError error;
        ASSERT_TRUE(convert(*stage, *photo, {{kCGImagePropertyOrientation, c.orientation}}, &error));
        EXPECT_EQ(changedBox(*photo, *untouched), c.band);
    }
    // Half alpha black: every value about halved inside the band.
    auto photo = rampPhoto(400, 300), untouched = rampPhoto(400, 300);
    ASSERT_TRUE(convert(*stage, *photo));
    const QImage a = toQImage(*photo), b = toQImage(*untouched);
    EXPECT_NEAR(qRed(a.pixel(300, 290)), qRed(b.pixel(300, 290)) / 2.0, 1.5);
    EXPECT_EQ(a.pixel(300, 260), b.pixel(300, 260));
}

TEST(WatermarkRectStage, StrokeKeepsTheOuterEdgeAndPreviewsScale)
{
    const auto boxFor = [](const std::function<void(Stage &)> &set, double scale) {
        auto stage = make<Stage>();
        stage->setRectLengthValue(0);
        stage->setRectLengthFixed(120);
        stage->setRectThicknessValue(0);
        stage->setRectThicknessFixed(60);
        stage->setRectPositionMask(1 | 4);
        stage->setRectOffsetXInPixels(40);
        stage->setRectOffsetYInPixels(20);
        stage->setFillColor(QColor(255, 255, 255));
        set(*stage);
        const size_t w = size_t(400 * scale), h = size_t(300 * scale);
        auto photo = plainBitmap(w, h, Qt::black), untouched = plainBitmap(w, h, Qt::black);
        photo->setScaleX(scale);
        photo->setScaleY(scale);
        EXPECT_TRUE(convert(*stage, *photo));
        return changedBox(*photo, *untouched, 60);
    };
    const QRect plain = boxFor([](Stage &) {}, 1);
    EXPECT_EQ(plain, QRect(40, 20, 120, 60));
    const QRect stroked = boxFor(
        [](Stage &s) {
            s.setHasStroke(true);
            s.setStrokeThickness(12);
            s.setStrokeColor(QColor(250, 40, 40));
        },
        1);
    EXPECT_EQ(stroked, plain);
    // A half-size preview: the same rectangle at half the size.
    EXPECT_EQ(boxFor([](Stage &) {}, 0.5), QRect(20, 10, 60, 30));
}

TEST(WatermarkRectStage, MatchesTheReference)
{
    auto stage = make<Stage>();
    stage->setRectLengthInPercent(70);
    stage->setRectThicknessInPercent(30);
    stage->setRectPositionMask(0);
    stage->setRectOffsetYInPixels(8);
    stage->setRectRotation(15);
    stage->setFillColor(QColor(20, 60, 200, 170));
    stage->setHasStroke(true);
    stage->setStrokeThickness(4);
    stage->setStrokeColor(QColor(255, 240, 200));
    stage->setIsRounded(true);
    stage->setRectRadiusValue(4);
    stage->setRectRadiusInPercent(12);
    stage->setOpacity(0.85);
    auto photo = rampPhoto(160, 120), untouched = rampPhoto(160, 120);
    ASSERT_TRUE(convert(*stage, *photo));
    expectMatchesReference("stage_rect_rounded_stroked", *photo, *untouched);
}
