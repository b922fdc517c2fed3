#include "app/uikit/MCPredicateCells.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCPredicateCircleButtonCell, SymbolFromTitleOrImage)
{
    using Cell = MCPredicateCircleButtonCell;
    using Symbol = Cell::Symbol;
    const struct {
        const char *title;
        const char *image;
        Symbol symbol;
    } cases[] = {
        {"+", "", Symbol::Plus},          {"", "NSAddMini", Symbol::Plus},       {"-", "", Symbol::Minus},
        {"", "NSRemoveMini", Symbol::Minus}, {"\u22EF", "", Symbol::Ellipsis}, {"", "NSEllipsesMini", Symbol::Ellipsis},
        {"A", "", Symbol::Title},         {"", "", Symbol::Title},               {"+", "NSRemoveMini", Symbol::Plus},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(Cell::symbolFor(QString::fromUtf8(c.title), QString::fromUtf8(c.image)), c.symbol);
    }
    const QRectF frame(0, 0, 17, 17);
    EXPECT_EQ(Cell::symbolLines(Symbol::Plus, frame),
              (QList<QLineF>{QLineF(8.5, 5, 8.5, 12), QLineF(5, 8.5, 12, 8.5)}));
    EXPECT_EQ(Cell::symbolLines(Symbol::Minus, frame), (QList<QLineF>{QLineF(6, 8.5, 11, 8.5)}));
    EXPECT_EQ(Cell::symbolLines(Symbol::Ellipsis, frame), (QList<QLineF>{QLineF(4, 8.5, 13, 8.5)}));
    EXPECT_TRUE(Cell::symbolLines(Symbol::Title, frame).isEmpty());
    // Another title: centred, whole pixels, one pixel up.
    EXPECT_EQ(Cell::titleOrigin(frame, QSizeF(8.6, 14)), QPointF(4, 0));
    EXPECT_EQ(Cell::bezelRect(frame), QRectF(1.5, 1.5, 14, 14));
}

TEST(MCPredicateCircleButtonCell, TitleAndImageDrawTheSamePlus)
{
    AppearanceKind kind(0);
    MCPredicateCircleButtonCell byTitle(QStringLiteral("+"));
    MCPredicateCircleButtonCell byImage;
    byImage.setImageName(QStringLiteral("NSAddMini"));
    for (auto *button : {&byTitle, &byImage})
        button->resize(17, 17);
    EXPECT_EQ(rendering(byTitle), rendering(byImage));
    EXPECT_EQ(byTitle.accessibleName(), QStringLiteral("Add"));
    EXPECT_EQ(byTitle.defaultTextColor(), colorWithWhite(0.9));
    EXPECT_FALSE(byTitle.defaultTextShadow().has_value());
}

TEST(MCPredicateCircleButtonCell, BezelOfEachLook)
{
    AssumeActiveWindow active;
    AppearanceKind kind(0);
    const struct {
        MCControlState state;
        QColor fill;
    } looks[] = {{MCControlState::Disabled, colorWithWhite(0.53)},
                 {MCControlState::Pressed, colorWithBrightness(0.35)},
                 {MCControlState::MouseOver, colorWithBrightness(0.35)},
                 {MCControlState::Default, colorWithBrightness(0.25)}};
    for (const auto &look : looks) {
        SCOPED_TRACE(MCControlStateName(look.state));
        MCPredicateCircleButtonCell button(QStringLiteral("-"));
        button.resize(17, 17);
        applyState(button, look.state, [&] { button.setDown(true); });
        EXPECT_EQ(button.controlState(), look.state);
        EXPECT_TRUE(near(pixel(button, {5, 5}), look.fill));
    }
}

TEST(MCPredicatePopupCell, CapsuleTriangleAndColoursOfEachLook)
{
    const QRectF frame(0, 0, 120, 17);
    EXPECT_EQ(MCPredicatePopupCell::bezelRect(frame), QRectF(0.5, 0.5, 119, 15));
    EXPECT_EQ(MCPredicatePopupCell::bezelRadius(frame), 7.0);
    EXPECT_EQ(MCPredicatePopupCell::triangle(frame),
              QPolygonF({QPointF(106.5, 6.5), QPointF(109.5, 10.5), QPointF(112.5, 6.5)}));

    AppearanceKind kind(0);
    const struct {
        MCControlState state;
        QColor body;
        QColor triangle;
    } looks[] = {{MCControlState::Disabled, colorWithWhite(0.53), colorWithWhite(0.75)},
                 {MCControlState::Pressed, colorWithBrightness(0.35), Qt::white},
                 {MCControlState::MouseOver, colorWithBrightness(0.35), Qt::white},
                 {MCControlState::Default, colorWithBrightness(0.25), Qt::white}};
    for (bool activeWindow : {true, false}) {
        std::optional<AssumeActiveWindow> active;
        if (activeWindow)
            active.emplace();
        for (const auto &look : looks) {
            SCOPED_TRACE(::testing::Message() << MCControlStateName(look.state) << " active " << activeWindow);
            MCPredicatePopupCell popup;
            popup.setControlSize(MCControlSize::Small);
            popup.addItems({QStringLiteral("Capture Date")});
            popup.resize(120, 17);
            applyState(popup, look.state, [&] { popup.setHighlighted(true); });
            // The pointer over a pop-up of an inactive window does not light it up.
            const bool dark = !activeWindow && look.state == MCControlState::MouseOver;
            const QImage image = rendering(popup);
            EXPECT_TRUE(near(image.pixelColor(4, 8), dark ? colorWithBrightness(0.25) : look.body));
            EXPECT_TRUE(near(image.pixelColor(109, 7), look.triangle, 3));
        }
    }
    // A disabled pop-up ignores the pointer.
    AssumeActiveWindow active;
    MCPredicatePopupCell popup;
    popup.setEnabled(false);
    applyState(popup, MCControlState::MouseOver, [] {});
    EXPECT_EQ(popup.controlState(), MCControlState::Disabled);
}

TEST(MCPredicateTextFieldCell, SquareBezelWithTheDarkFieldColours)
{
    AppearanceKind kind(0);
    MCPredicateTextFieldCell field;
    field.resize(96, 22);
    field.setEnabled(false);
    const QImage image = rendering(field);
    // The corner pixel inside the outline is filled (a rounded bezel would leave it empty).
    EXPECT_TRUE(near(image.pixelColor(1, 2), colorWithBrightness(1.0, 0.2), 6));
    EXPECT_TRUE(near(image.pixelColor(2, 11), colorWithBrightness(1.0, 0.2)));
}
