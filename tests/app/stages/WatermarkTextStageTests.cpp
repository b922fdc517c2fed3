// The Watermark Text stage: its parameters, and the text drawn onto photos (placement, fitted
// sizes, previews, the mended failures) compared with measurements and reference pictures.
#include "app/stages/MCConvertWatermarkText.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "WatermarkStageTestSupport.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>

using namespace watermarkstagetest;

namespace {

using Stage = MCConvertWatermarkText;

std::shared_ptr<Stage> textStage(const QString &literal)
{
    auto stage = make<Stage>();
    stage->setFontFamilyName(dejaVuSans());
    stage->setTokens({literal});
    return stage;
}

// The "BoundsToGlyphs" setting for one scope.
class BoundsToGlyphs
{
public:
    explicit BoundsToGlyphs(bool on) { MCUserDefaults::standardUserDefaults().setBool(on, Stage::kBoundsToGlyphsSettingKey); }
    ~BoundsToGlyphs() { MCUserDefaults::standardUserDefaults().removeObjectForKey(Stage::kBoundsToGlyphsSettingKey); }
};

void drainMainQueue()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

// ---------------------------------------------------------------- parameters

TEST(WatermarkTextStage, DeclaresItsThirtySevenParametersWithTheirDefaults)
{
    auto stage = make<Stage>();
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->parameters().size(), 37u);
    EXPECT_EQ(stage->stageName(), QStringLiteral("Watermark Text"));
    EXPECT_FALSE(stage->isResettable());
    const QVariantList tokens = stage->tokens();
    ASSERT_EQ(tokens.size(), 1);
    EXPECT_EQ(*MCWatermarkText::tokenInElement(tokens[0]),
              MCWatermarkTextToken::itemWithKind(1, {{"DateFormatID", 1}, {"TimeFormatID", 0}}));
    EXPECT_EQ(stage->textPositionMask(), 10u);
    EXPECT_TRUE(stage->textOffsetXCalculatesInPercent());
    EXPECT_EQ(stage->textOffsetXInPercent(), 2.0);
    EXPECT_EQ(stage->textOffsetYInPixels(), 20.0);
    EXPECT_EQ(stage->fontFamilyName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(stage->fontTypeface(), QString());
    EXPECT_EQ(stage->fontSizeMethod(), 4u);
    EXPECT_EQ(stage->fontSizeFixed(), 96.0);
    EXPECT_EQ(stage->fontSizeInPercent(), 7.0);
    EXPECT_EQ(stage->color(), QColor(Qt::white));
    EXPECT_EQ(stage->outlineColor(), QColor(Qt::black));
    EXPECT_FALSE(stage->hasOutline());
    EXPECT_TRUE(stage->hasShadow());
    EXPECT_NEAR(stage->shadowColor().alphaF(), 0.75, 1e-3);
    EXPECT_EQ(stage->shadowAngle(), 300.0);
    EXPECT_EQ(stage->opacity(), 0.75);
    EXPECT_FALSE(stage->collapsedPositionGroup());
    EXPECT_TRUE(stage->collapsedTileGroup());
    // Limits are the panel's; opacity is a fraction but its field counts to 100.
    EXPECT_EQ(stage->minOpacity(), 0.0);
    EXPECT_EQ(stage->maxOpacity(), 100.0);
    EXPECT_EQ(stage->minFontSizeFixed(), 8.0);
    EXPECT_EQ(stage->maxTextOffsetXInPixels(), 10000.0);
    EXPECT_EQ(stage->minTextOffsetXInPercent(), -100.0);
    // Observed: everything but the five folded groups, which resize the panel instead.
    EXPECT_EQ(stage->keyPathsForObserver().size(), 1 + 32);
    EXPECT_TRUE(stage->keyPathsForObserver().contains("tokens"));
    EXPECT_FALSE(stage->keyPathsForObserver().contains("collapsedTileGroup"));
    EXPECT_EQ(stage->resizeKeyPathsForObserver(),
              (QSet<QString>{"expanded", "collapsedPositionGroup", "collapsedOpacityGroup", "collapsedOutlineGroup",
                             "collapsedShadowGroup", "collapsedTileGroup"}));
}

TEST(WatermarkTextStage, StoredFormRoundTripsAndMissingNumbersReadZero)
{
    auto stage = make<Stage>();
    stage->setTokens({QStringLiteral("Photo: "), MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(14, {{"CaseKind", 1}}))});
    stage->setFontSizeInPercent(2.5);
    stage->setColor(QColor(10, 20, 30));
    stage->setCollapsedTileGroup(false);
    const QVariantMap stored = stage->dictionaryRepresentation();
    EXPECT_EQ(stored.size(), 3 + 37);
    EXPECT_EQ(stored.value("tokens").toList().at(1).toMap().value("kind").toLongLong(), 14);
    EXPECT_EQ(stored.value("color").typeId(), QMetaType::QByteArray);
    EXPECT_EQ(stored.value("fontSizeMethod").typeId(), QMetaType::ULongLong);

    auto back = read<Stage>(stored);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(*stage));
    EXPECT_EQ(back->fontSizeInPercent(), 2.5);
    EXPECT_FALSE(back->collapsedTileGroup());
    EXPECT_EQ(back->tokens(), stage->tokens());
    EXPECT_EQ(back->dictionaryRepresentation(), stored);

    // Only the base keys: numbers and flags read 0 and NO, colours and the font keep theirs.
    auto bare = read<Stage>({{"stageIsActive", true}});
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->opacity(), 0.0);
    EXPECT_EQ(bare->fontSizeMethod(), 0u);
    EXPECT_EQ(bare->textPositionMask(), 0u);
    EXPECT_FALSE(bare->hasShadow());
    EXPECT_EQ(bare->color(), QColor(Qt::white));
    EXPECT_EQ(bare->fontFamilyName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(bare->tokens().size(), 1);
}

TEST(WatermarkTextStage, CopiesAreEqualAndOwnTheirTokens)
{
    auto stage = make<Stage>();
    stage->setTokens({MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(10, {{"CaseKind", 1}}))});
    stage->setHasOutline(true);
    auto copy = std::dynamic_pointer_cast<Stage>(stage->copy());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isEqual(*stage));
    EXPECT_EQ(copy->hash(), stage->hash());
    QVariantList tokens = copy->tokens();
    MCWatermarkTextToken edited = *MCWatermarkText::tokenInElement(tokens[0]);
    edited.settings().insert("CaseKind", 2);
    tokens[0] = MCWatermarkText::element(edited);
    copy->setTokens(tokens);
    EXPECT_FALSE(copy->isEqual(*stage));
    EXPECT_EQ(MCWatermarkText::tokenInElement(stage->tokens()[0])->integerSetting("CaseKind"), 1);
}

TEST(WatermarkTextStage, EqualityComparesOnlyTheChosenUnitsAndEnabledParts)
{
    struct Case
    {
        const char *label;
        std::function<void(Stage &)> both;   // applied to the two stages
        std::function<void(Stage &)> change; // applied to one of them
        bool equal;
    };
    const auto none = [](Stage &) {};
    const auto inPixels = [](Stage &s) { s.setTextOffsetXCalculatesInPercent(false); };
    const auto tiled = [](Stage &s) { s.setTiles(true); };
    const auto outlined = [](Stage &s) { s.setHasOutline(true); };
    const Case cases[] = {
        {"pixel offset while in pixels", inPixels, [](Stage &s) { s.setTextOffsetXInPixels(99); }, false},
        {"percent offset while in pixels", inPixels, [](Stage &s) { s.setTextOffsetXInPercent(9); }, true},
        {"percent offset while in percent", none, [](Stage &s) { s.setTextOffsetYInPercent(9); }, false},
        {"a folded group", none, [](Stage &s) { s.setCollapsedShadowGroup(false); }, true},
        {"tile gap without tiles", none, [](Stage &s) { s.setTileOffsetXInPercent(50); }, true},
        {"tile gap with tiles", tiled, [](Stage &s) { s.setTileOffsetXInPercent(50); }, false},
        {"pixel gap while gaps in percent", tiled, [](Stage &s) { s.setTileOffsetYInPixels(5); }, true},
        {"fixed size while relative", none, [](Stage &s) { s.setFontSizeFixed(50); }, true},
        {"percent size while relative", none, [](Stage &s) { s.setFontSizeInPercent(5); }, false},
        {"outline colour without outline", none, [](Stage &s) { s.setOutlineColor(Qt::red); }, true},
        {"outline colour with outline", outlined, [](Stage &s) { s.setOutlineColor(Qt::red); }, false},
        {"shadow colour with shadow", none, [](Stage &s) { s.setShadowColor(Qt::red); }, false},
        {"shadow colour without shadow", [](Stage &s) { s.setHasShadow(false); },
         [](Stage &s) { s.setShadowColor(Qt::red); }, true},
        {"font face", none, [](Stage &s) { s.setFontTypeface("Bold"); }, false},
        {"tokens", none, [](Stage &s) { s.setTokens({QStringLiteral("x")}); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto a = make<Stage>(), b = make<Stage>();
        c.both(*a);
        c.both(*b);
        ASSERT_TRUE(a->isEqual(*b));
        c.change(*b);
        EXPECT_EQ(a->isEqual(*b), c.equal);
        EXPECT_EQ(b->isEqual(*a), c.equal);
    }
    // Hash: base XOR ((method × 17 XOR mask × 11 XOR alignment × 7) << 16).
    auto stage = make<Stage>();
    stage->setTextAlignment(2);
    EXPECT_EQ(stage->hash(), quint64((14 << 2) | 3) ^ (quint64((4 * 17) ^ (10 * 11) ^ (2 * 7)) << 16));
}

TEST(WatermarkTextStage, SettersUndoExceptThePanelsFoldedGroupsAndNilsGoToTheirFloor)
{
    auto undo = std::make_shared<MCUndoManager>();
    undo->setGroupsByEvent(false);
    auto stage = make<Stage>();
    stage->setUndoManager(undo);
    stage->setCollapsedOutlineGroup(false);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(stage->collapsedOutlineGroup());
    undo->beginUndoGrouping();
    stage->setOpacity(0.5);
    undo->endUndoGrouping();
    ASSERT_TRUE(undo->canUndo());
    undo->undo();
    EXPECT_EQ(stage->opacity(), 0.75);

    stage->setUndoManager(std::weak_ptr<MCUndoManager>());
    stage->setValueForKey("textOffsetXInPercent", QVariant());
    stage->setValueForKey("fontSizeFixed", QVariant());
    stage->setValueForKey("shadowAngle", QVariant());
    drainMainQueue();
    EXPECT_EQ(stage->textOffsetXInPercent(), 0.0); // not -100
    EXPECT_EQ(stage->fontSizeFixed(), 8.0);
    EXPECT_EQ(stage->shadowAngle(), 0.0);
}

// ---------------------------------------------------------------- drawing

TEST(WatermarkTextStage, DefaultStageOnASixByFourThousandPhoto)
{
    BoundsToGlyphs glyphs(true);
    auto stage = make<Stage>(); // the default family, whatever the system gives for it
    auto photo = plainBitmap(6000, 4000, Qt::black);
    ASSERT_TRUE(photo);
    const QVariantMap metadata = {
        {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2026:07:14 10:11:12"}}}};
    EXPECT_EQ(stage->compoundTextForBitmap(photo.get(), metadata, nullptr),
              MCWatermarkText::stringFromDate(QDateTime(QDate(2026, 7, 14), QTime(10, 11, 12)), "MMMM dd, yyyy"));
    ASSERT_TRUE(convert(*stage, *photo, metadata));
    // White letters at 75 % over black; the black shadow does not show on black.
    const QRect ink = brightBox(*photo);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.height(), 280 + 1);
    EXPECT_GE(ink.height(), 280 - 12); // fitted one point at a time from the estimate
    EXPECT_NEAR(6000 - (ink.right() + 1), 120, 2);
    EXPECT_NEAR(4000 - (ink.bottom() + 1), 80, 2);
    photo->useImageBuffer();
    const uint8_t *data = static_cast<const uint8_t *>(photo->imageBuffer().data);
    int brightest = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            brightest = std::max<int>(brightest, data[size_t(y) * photo->imageBuffer().rowBytes + 4 * size_t(x)]);
    EXPECT_NEAR(brightest, 191, 2); // white at 75 %
}

TEST(WatermarkTextStage, TypographicBoundsPlaceTheInkFurtherIn)
{
    auto stage = textStage(QStringLiteral("mass care"));
    QRect boxes[2];
    for (bool glyphs : {true, false}) {
        BoundsToGlyphs setting(glyphs);
        auto photo = plainBitmap(1200, 800, Qt::black);
        ASSERT_TRUE(convert(*stage, *photo));
        boxes[glyphs] = brightBox(*photo);
    }
    // With the typographic box the ascent and descent count: the ink is lower than 56 pixels
    // and lifted off the bottom margin by the descent.
    EXPECT_NEAR(800 - (boxes[1].bottom() + 1), 16, 1);
    EXPECT_GT(800 - (boxes[0].bottom() + 1), 16 + 5);
    EXPECT_LT(boxes[0].height(), boxes[1].height());
    EXPECT_LE(boxes[1].height(), 56 + 1);
}

TEST(WatermarkTextStage, PreviewDrawsTheSameProportionsAtItsScale)
{
    BoundsToGlyphs glyphs(true);
    auto stage = textStage(QStringLiteral("Quillon 2026"));
    auto full = plainBitmap(1200, 800, Qt::black);
    auto preview = plainBitmap(600, 400, Qt::black);
    preview->setScaleX(0.5);
    preview->setScaleY(0.5);
    ASSERT_TRUE(convert(*stage, *full));
    ASSERT_TRUE(convert(*stage, *preview));
    const QRect big = brightBox(*full), small = brightBox(*preview);
    ASSERT_FALSE(small.isEmpty());
    EXPECT_NEAR(small.left(), big.left() / 2.0, 2);
    EXPECT_NEAR(small.right(), big.right() / 2.0, 2);
    EXPECT_NEAR(small.top(), big.top() / 2.0, 2);
    EXPECT_NEAR(small.bottom(), big.bottom() / 2.0, 2);
    // The pixel-size tokens report the full-size photo on the preview too.
    stage->setTokens({MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(3))});
    EXPECT_EQ(stage->compoundTextForBitmap(preview.get(), {}, nullptr), QStringLiteral("1200"));
}

TEST(WatermarkTextStage, FixedSizeIgnoresThePhotoAndFittingStopsAtEightPoints)
{
    BoundsToGlyphs glyphs(true);
    auto stage = textStage(QStringLiteral("HHHH"));
    stage->setFontSizeMethod(Stage::FixedSize);
    stage->setFontSizeFixed(40);
    QRect boxes[2];
    const size_t widths[] = {400, 1600};
    for (int i = 0; i < 2; ++i) {
        auto photo = plainBitmap(widths[i], widths[i] / 2, Qt::black);
        ASSERT_TRUE(convert(*stage, *photo));
        boxes[i] = brightBox(*photo);
    }
    EXPECT_EQ(boxes[0].size(), boxes[1].size());
    EXPECT_NEAR(boxes[0].height(), 40 * 0.73, 2); // DejaVu's capital height

    // A first estimate below 8 points is taken as it is: 0.5 % of 600 pixels is 3 pixels of
    // capital height, about 4 points.
    stage->setFontSizeMethod(Stage::PercentOfShorterSide);
    stage->setFontSizeInPercent(0.5);
    auto photo = plainBitmap(1000, 600, Qt::black);
    EXPECT_EQ(stage->fontSizeForText("HHHH", *photo, true), 4.0);
}

TEST(WatermarkTextStage, PlacementByMaskOffsetAndRotation)
{
    BoundsToGlyphs glyphs(true);
    const auto inkFor = [](const std::function<void(Stage &)> &set) {
        auto stage = textStage(QStringLiteral("Quillon"));
        stage->setHasShadow(false);
        stage->setOpacity(1);
        stage->setTextOffsetXCalculatesInPercent(false);
        stage->setTextOffsetYCalculatesInPercent(false);
        set(*stage);
        auto photo = plainBitmap(400, 300, Qt::black);
        EXPECT_TRUE(convert(*stage, *photo));
        return brightBox(*photo);
    };
    // Both bits of an axis: left and bottom win.
    EXPECT_EQ(inkFor([](Stage &s) { s.setTextPositionMask(3 | 8); }), inkFor([](Stage &s) { s.setTextPositionMask(1 | 8); }));
    EXPECT_EQ(inkFor([](Stage &s) { s.setTextPositionMask(12 | 1); }), inkFor([](Stage &s) { s.setTextPositionMask(8 | 1); }));
    // Centred, then moved 10 right and 10 up.
    const QRect centred = inkFor([](Stage &s) { s.setTextPositionMask(0); s.setTextOffsetXInPixels(0); s.setTextOffsetYInPixels(0); });
    const QRect moved = inkFor([](Stage &s) { s.setTextPositionMask(0); s.setTextOffsetXInPixels(10); s.setTextOffsetYInPixels(10); });
    EXPECT_NEAR((centred.left() + centred.right()) / 2.0, 200, 1.5);
    EXPECT_EQ(moved.translated(-10, 10), centred);
    // A negative percent margin on a right-anchored text reaches past the right edge.
    const QRect outside = inkFor([](Stage &s) {
        s.setTextPositionMask(2 | 8);
        s.setTextOffsetXCalculatesInPercent(true);
        s.setTextOffsetXInPercent(-1);
    });
    EXPECT_EQ(outside.right(), 399);
    // Turned a quarter: still 20 pixels from the right and bottom edges.
    const QRect turned = inkFor([](Stage &s) { s.setTextPositionMask(2 | 8); s.setTextRotation(90); });
    EXPECT_GT(turned.height(), turned.width());
    EXPECT_NEAR(400 - (turned.right() + 1), 20, 1);
    EXPECT_NEAR(300 - (turned.bottom() + 1), 20, 1);
}

TEST(WatermarkTextStage, OpacityZeroAndEmptyTextsLeaveThePhoto)
{
    auto reference = rampPhoto(160, 120);
    for (const auto &set : std::vector<std::function<void(Stage &)>>{
             [](Stage &s) { s.setOpacity(0); },
             [](Stage &s) { s.setTokens({}); },
             [](Stage &s) { s.setTokens({MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(16))}); },
             [](Stage &s) { s.setActive(false); },
         }) {
        auto stage = textStage(QStringLiteral("Quillon"));
        set(*stage);
        auto photo = rampPhoto(160, 120);
        EXPECT_TRUE(convert(*stage, *photo));
        EXPECT_TRUE(samePixels(*photo, *reference));
    }
}

TEST(WatermarkTextStage, MatchesTheReferences)
{
    BoundsToGlyphs glyphs(false);
    struct Picture
    {
        const char *name;
        std::function<void(Stage &)> set;
    };
    const Picture pictures[] = {
        // Everything but the text as a new stage has it; a long line, so that the small
        // default size still covers enough of the photo to tell.
        {"stage_text_default", [](Stage &s) { s.setTokens({QStringLiteral("\u00a9 2026 Quillon X Photography")}); }},
        {"stage_text_outline_rotated",
         [](Stage &s) {
             s.setTokens({QStringLiteral("Quillon\nX")});
             s.setTextAlignment(2);
             s.setHasOutline(true);
             s.setOutlineWidth(6);
             s.setOutlineColor(QColor(20, 20, 140));
             s.setColor(QColor(255, 230, 80));
             s.setFontSizeInPercent(30);
             s.setTextPositionMask(1 | 4);
             s.setTextRotation(20);
             s.setOpacity(0.9);
         }},
        {"stage_text_tiled",
         [](Stage &s) {
             s.setTokens({QStringLiteral("\u00a9 Q")});
             s.setFontSizeMethod(Stage::FixedSize);
             s.setFontSizeFixed(14);
             s.setTiles(true);
             s.setTileOffsetXCalculatesInPercent(false);
             s.setTileOffsetXInPixels(12);
             s.setTextRotation(30);
             s.setShadowDistance(10);
             s.setShadowBlur(8);
             s.setOpacity(0.6);
         }},
    };
    for (const Picture &picture : pictures) {
        auto stage = textStage(QStringLiteral("Quillon"));
        picture.set(*stage);
        auto photo = rampPhoto(160, 120);
        auto untouched = rampPhoto(160, 120);
        ASSERT_TRUE(convert(*stage, *photo));
        expectMatchesReference(picture.name, *photo, *untouched);
    }
}

// ---------------------------------------------------------------- mended failures

TEST(WatermarkTextStage, WhitespaceOnlyTextDrawsNothingAndSucceeds)
{
    // Translucent pixels would change on a trip through premultiplied alpha: the stage must
    // not even open a drawing context for a text without ink.
    auto translucent = [] { return plainBitmap(64, 48, QColor(200, 100, 50, 3)); };
    for (const char *blank : {" ", "   \t ", "\n\n", " \n "}) {
        SCOPED_TRACE(blank);
        for (quint64 method : {0, 1, 4}) {
            auto stage = textStage(QString::fromUtf8(blank));
            stage->setFontSizeMethod(method);
            auto photo = translucent();
            auto reference = translucent();
            MCError error;
            EXPECT_TRUE(convert(*stage, *photo, {}, &error));
            EXPECT_TRUE(samePixels(*photo, *reference));
            EXPECT_EQ(stage->fontSizeForText(QString::fromUtf8(blank), *photo, false), 0.0);
        }
    }
}

TEST(WatermarkTextStage, MissingFontFallsBackToTheSystemFont)
{
    const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFont missing = Stage::fontWithFamily(QStringLiteral("No Such Family Anywhere"), QString(), 37);
    EXPECT_EQ(missing.family(), system.family());
    EXPECT_EQ(missing.pointSizeF(), 37.0);
    const QFont empty = Stage::fontWithFamily(QString(), QStringLiteral("Bold"), 20);
    EXPECT_EQ(empty.family(), system.family());
    // A known family keeps its name; a face it has is taken, one it lacks leaves the family's.
    const QFont dejaVu = Stage::fontWithFamily(dejaVuSans(), QString(), 50);
    EXPECT_EQ(dejaVu.family(), dejaVuSans());
    EXPECT_EQ(dejaVu.pointSizeF(), 50.0);
    const QFont noFace = Stage::fontWithFamily(dejaVuSans(), QStringLiteral("Ultra Wide Italic"), 50);
    EXPECT_EQ(QFontInfo(noFace).family(), QFontInfo(dejaVu).family());
    EXPECT_EQ(noFace.pointSizeF(), 50.0);

    // The stage draws with it, as it draws with the system font named.
    BoundsToGlyphs glyphs(true);
    auto withMissing = textStage(QStringLiteral("Fallback"));
    withMissing->setFontFamilyName(QStringLiteral("No Such Family Anywhere"));
    auto withSystem = textStage(QStringLiteral("Fallback"));
    withSystem->setFontFamilyName(system.family());
    auto a = plainBitmap(300, 200, Qt::black), b = plainBitmap(300, 200, Qt::black);
    ASSERT_TRUE(convert(*withMissing, *a));
    ASSERT_TRUE(convert(*withSystem, *b));
    EXPECT_FALSE(brightBox(*a).isEmpty());
    EXPECT_TRUE(samePixels(*a, *b));
}

TEST(WatermarkTextStage, SizeMethodsBeyondFourAreTheDefault)
{
    BoundsToGlyphs glyphs(true);
    auto photo = plainBitmap(900, 600, Qt::black);
    auto byDefault = textStage(QStringLiteral("Quillon"));
    const double expected = byDefault->fontSizeForText("Quillon", *photo, true);
    EXPECT_GT(expected, 8);
    for (quint64 method : {5, 17, 1000}) {
        auto stage = textStage(QStringLiteral("Quillon"));
        stage->setFontSizeMethod(method);
        EXPECT_EQ(stage->fontSizeForText("Quillon", *photo, true), expected) << method;
        auto drawn = plainBitmap(900, 600, Qt::black), reference = plainBitmap(900, 600, Qt::black);
        ASSERT_TRUE(convert(*stage, *drawn));
        ASSERT_TRUE(convert(*byDefault, *reference));
        EXPECT_TRUE(samePixels(*drawn, *reference));
    }
}

TEST(WatermarkTextStage, CanvasBeyondThePixelLimitFailsWithAnErrorAndLeavesThePhoto)
{
    struct Case
    {
        const char *label;
        std::function<void(Stage &)> set;
    };
    const Case cases[] = {
        {"tile gaps", [](Stage &s) {
             s.setTiles(true);
             s.setTileOffsetXCalculatesInPercent(false);
             s.setTileOffsetYCalculatesInPercent(false);
             s.setTileOffsetXInPixels(30000);
             s.setTileOffsetYInPixels(30000);
         }},
         {"font size", [](Stage &s) {
             s.setFontSizeMethod(Stage::FixedSize);
             s.setFontSizeFixed(1e9);
         }},
         {"shadow", [](Stage &s) {
             s.setFontSizeMethod(Stage::FixedSize);
             s.setFontSizeFixed(100);
             s.setShadowBlur(1e6);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto stage = textStage(QStringLiteral("Q"));
        c.set(*stage);
        auto photo = rampPhoto(80, 60), reference = rampPhoto(80, 60);
        MCError error;
        EXPECT_FALSE(convert(*stage, *photo, {}, &error));
        EXPECT_EQ(error.domain(), MCErrorDomain);
        EXPECT_EQ(error.code(), 2);
        EXPECT_TRUE(error.localizedFailureReason().contains("pixels")) << error.localizedFailureReason().toStdString();
        EXPECT_TRUE(samePixels(*photo, *reference));
    }
}
