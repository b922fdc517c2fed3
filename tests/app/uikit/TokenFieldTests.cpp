#include "app/uikit/MCTokenField.h"
#include "platform/core/MCPropertyList.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QClipboard>
#include <QMimeData>
#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCDarkTokenAttachmentCell, SizesAndRectangles)
{
    using Cell = MCDarkTokenAttachmentCell;
    const struct {
        QSizeF title;
        bool settings;
        QSizeF cell;
    } sizes[] = {
        {{50, 16}, false, {74, 18}},
        {{50, 16}, true, {74 + Cell::arrowImageWidth() + 4, 18}},
        {{50, 15.5}, false, {73, 17.5}}, // trunc(h + 8)
        {{0, 12}, false, {20, 14}},
    };
    for (const auto &s : sizes)
        EXPECT_EQ(Cell::cellSizeForTitleSize(s.title, s.settings), s.cell);

    const struct {
        QRectF bounds;
        QRectF title;
    } titles[] = {
        {{0, 0, 80, 18}, {13, 0, 54, 18}},
        {{0, 0, 10, 18}, {13, 0, 0, 18}},      // widened to 26 first
        {{5, 2, 40.7, 16}, {17, 2, 16, 16}}, // width truncated to 40, inset 12
    };
    for (const auto &t : titles)
        EXPECT_EQ(Cell::titleRectForBounds(t.bounds), t.title);

    // A frame narrower than its inset height plus 6 is widened before the capsule is drawn.
    EXPECT_EQ(Cell::tokenBounds(QRectF(0, 0, 10, 18)), QRectF(0, 1, 22, 16));
    EXPECT_EQ(Cell::tokenBounds(QRectF(0, 0, 60, 18)), QRectF(0, 1, 60, 16));
    const QRectF capsule = Cell::capsulePath(QRectF(0, 0, 60, 18)).boundingRect();
    EXPECT_NEAR(capsule.left(), 3, 1e-6);
    EXPECT_NEAR(capsule.right(), 57, 1e-6);
    EXPECT_EQ(Cell::settingsTriangle(QRectF(0, 0, 60, 18), MCControlSize::Regular),
              QPolygonF({QPointF(43, 6.5), QPointF(47, 12.5), QPointF(51, 6.5)}));
    EXPECT_EQ(Cell::settingsTriangle(QRectF(0, 0, 60, 18), MCControlSize::Small),
              QPolygonF({QPointF(45.5, 7), QPointF(48.5, 12), QPointF(51.5, 7)}));
}

TEST(MCDarkTokenAttachmentCell, DrawingModeAndColours)
{
    using Cell = MCDarkTokenAttachmentCell;
    const struct {
        bool highlighted, hasWindow, key, selected;
        unsigned mode;
    } modes[] = {
        {false, true, true, false, 0}, {true, true, true, false, 1},  {true, true, false, false, 0},
        {true, false, false, false, 1}, {false, true, true, true, 2}, {true, true, true, true, 2},
        {false, true, false, true, 0},
    };
    for (const auto &m : modes)
        EXPECT_EQ(Cell::drawingMode(m.highlighted, m.hasWindow, m.key, m.selected), m.mode);
    AppearanceKind kind(0);
    EXPECT_EQ(Cell::tokenFillColorForDrawingMode(0), colorWithBrightness(0.43));
    EXPECT_EQ(Cell::tokenFillColorForDrawingMode(1), colorWithBrightness(0.53));
    EXPECT_EQ(Cell::tokenFillColorForDrawingMode(2), colorWithSaturation(0.5, 0.53));
    EXPECT_FALSE(Cell::tokenFillColorForDrawingMode(3).isValid());
}

namespace {

// Tokens as the screens store them: {"kind", "settings"}; the title is "<kind>".
QVariant token(int kind, bool settings = false)
{
    return QVariantMap{{QStringLiteral("kind"), kind},
                       {QStringLiteral("settings"), settings ? QVariantMap{{QStringLiteral("x"), 1}} : QVariantMap()}};
}

struct TokenDelegate : MCDarkTokenFieldDelegate {
    QList<QPair<QVariant, QRectF>> settingsAsked;
    bool handles = true;

    QString tokenFieldDisplayStringForRepresentedObject(MCTokenField *, const QVariant &object) override
    {
        return QStringLiteral("<Token %1>").arg(object.toMap().value(QStringLiteral("kind")).toInt());
    }
    bool tokenFieldRepresentedObjectHasSettings(MCTokenField *, const QVariant &object) override
    {
        return !object.toMap().value(QStringLiteral("settings")).toMap().isEmpty();
    }
    bool tokenFieldShowSettingsForRepresentedObject(MCTokenField *, const QVariant &object, const QRectF &frame) override
    {
        settingsAsked.append({object, frame});
        return handles;
    }
    bool tokenFieldWriteRepresentedObjectsToPasteboard(MCTokenField *, const QVariantList &objects,
                                                       QMimeData *pasteboard) override
    {
        MCTokenField::writeTokenPropertyList(pasteboard, objects);
        return true;
    }
    QVariantList tokenFieldReadFromPasteboard(MCTokenField *field, const QMimeData *pasteboard) override
    {
        const QVariantList tokens = MCTokenField::readTokenPropertyList(pasteboard);
        return tokens.isEmpty() ? MCDarkTokenFieldDelegate::tokenFieldReadFromPasteboard(field, pasteboard) : tokens;
    }
};

class MCTokenFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        field.setDelegate(&delegate);
        field.resize(400, 22);
    }

    void showAndPaint()
    {
        field.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
        field.viewport()->repaint();
    }

    TokenDelegate delegate;
    MCTokenField field;
};

} // namespace

TEST_F(MCTokenFieldTest, TypedTextBetweenTokensIsPlainWhiteText)
{
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&field, &focus);
    QTest::keyClicks(&field, QStringLiteral("IMG_"));
    field.insertObjects({token(3)});
    QTest::keyClicks(&field, QStringLiteral("_x"));
    EXPECT_EQ(field.objectValue(), (QVariantList{QStringLiteral("IMG_"), token(3), QStringLiteral("_x")}));

    // Text typed right after the token takes none of its format.
    QTextCursor cursor(field.document());
    cursor.setPosition(6);
    EXPECT_EQ(cursor.charFormat().objectType(), int(QTextFormat::NoObject));
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::white));

    // Typing over a selected token replaces it.
    cursor.setPosition(4);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    field.setTextCursor(cursor);
    QTest::keyClicks(&field, QStringLiteral("A"));
    EXPECT_EQ(field.objectValue(), (QVariantList{QStringLiteral("IMG_A_x")}));
}

TEST_F(MCTokenFieldTest, FocusByKeyboardPutsTheCaretAfterTheLastToken)
{
    field.setObjectValue({token(1), QStringLiteral("-"), token(2)});
    QTextCursor cursor = field.textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    field.setTextCursor(cursor);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&field, &focus);
    EXPECT_FALSE(field.textCursor().hasSelection());
    EXPECT_EQ(field.textCursor().position(), 3);
}

TEST_F(MCTokenFieldTest, TokensAreCopiedAndPastedAsTokens)
{
    field.setObjectValue({QStringLiteral("a"), token(5, true), QStringLiteral("b")});
    field.selectAll();
    field.copy();
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied->hasFormat(kMCTokenPasteboardType));
    EXPECT_EQ(platform::propertyListFromData(copied->data(kMCTokenPasteboardType)).toList(),
              (QVariantList{QStringLiteral("a"), token(5, true), QStringLiteral("b")}));

    MCTokenField other;
    other.setDelegate(&delegate);
    other.setObjectValue({token(1)});
    other.paste();
    EXPECT_EQ(other.objectValue(), (QVariantList{token(1), QStringLiteral("a"), token(5, true), QStringLiteral("b")}));

    // Plain text pastes as literal text; without a delegate, tokens copy as their titles.
    QApplication::clipboard()->setText(QStringLiteral("xy"));
    other.paste();
    EXPECT_EQ(other.objectValue().last(), QVariant(QStringLiteral("bxy")));
    MCTokenField plain;
    plain.setObjectValue({QStringLiteral("a"), QStringLiteral("b")});
    plain.selectAll();
    plain.copy();
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat(kMCTokenPasteboardType));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ab"));
}

TEST_F(MCTokenFieldTest, ShortClickAsksTheDelegateLongPressSelects)
{
    field.setObjectValue({QStringLiteral("IMG_"), token(7, true), token(8)});
    showAndPaint();
    const auto rects = field.tokenRects();
    ASSERT_EQ(rects.size(), 2);
    EXPECT_EQ(field.tokenAtPoint(rects[0].second.center()), 4);
    EXPECT_EQ(field.tokenAtPoint(rects[1].second.center()), 5);
    EXPECT_FALSE(field.tokenAtPoint(QPointF(2, 2)).has_value());
    // The token with settings is wider by the arrow.
    EXPECT_NEAR(rects[0].second.width() - rects[1].second.width(), MCDarkTokenAttachmentCell::arrowImageWidth() + 4,
                1.0);

    const QPoint first = rects[0].second.center().toPoint();
    QTest::mousePress(field.viewport(), Qt::LeftButton, {}, first);
    QTest::mouseRelease(field.viewport(), Qt::LeftButton, {}, first);
    ASSERT_EQ(delegate.settingsAsked.size(), 1);
    EXPECT_EQ(delegate.settingsAsked[0].first, token(7, true));
    EXPECT_EQ(delegate.settingsAsked[0].second, rects[0].second);
    EXPECT_FALSE(field.textCursor().hasSelection()); // handled: nothing else happens

    // A delegate that declines: the token is selected.
    delegate.handles = false;
    const QPoint second = rects[1].second.center().toPoint();
    QTest::mousePress(field.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseRelease(field.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(delegate.settingsAsked.size(), 2);
    EXPECT_EQ(field.textCursor().selectionStart(), 5);
    EXPECT_EQ(field.textCursor().selectionEnd(), 6);

    // Held past half a second: never reaches the delegate, selects the token.
    delegate.handles = true;
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(field.viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(field.pressedToken(), 4);
    QTRY_VERIFY_WITH_TIMEOUT(field.isPressHeld(), 5000);
    EXPECT_GE(clock.elapsed(), MCTokenField::kClickInterval - 50);
    QTest::mouseRelease(field.viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(delegate.settingsAsked.size(), 2);
    EXPECT_EQ(field.textCursor().selectionStart(), 4);
    EXPECT_EQ(field.textCursor().selectionEnd(), 5);
}

TEST_F(MCTokenFieldTest, TokensDrawCapsulesWithTheSettingsTriangle)
{
    AppearanceKind kind(0);
    AssumeActiveWindow active;
    field.setObjectValue({token(7, true), token(8)});
    showAndPaint();
    const auto rects = field.tokenRects();
    ASSERT_EQ(rects.size(), 2);
    const QImage image = rendering(field);
    for (const auto &[position, frame] : rects) {
        const QRectF b = MCDarkTokenAttachmentCell::tokenBounds(frame);
        // The round left end, clear of the title.
        const QPointF end(b.left() + 3 + b.height() / 2, b.center().y());
        EXPECT_TRUE(near(image.pixelColor(end.toPoint()), colorWithBrightness(0.43), 3)) << position;
    }
    const QPolygonF triangle = MCDarkTokenAttachmentCell::settingsTriangle(rects[0].second, MCControlSize::Regular);
    const QPointF inside = (triangle[0] + triangle[1] + triangle[2]) / 3;
    EXPECT_TRUE(near(image.pixelColor(inside.toPoint()), Qt::white, 40));
}
