#include "app/uikit/MCScroller.h"
#include "app/uikit/MCTableView.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCBaseScroller, VerticalByPlaceInAScrollAreaElseByShape)
{
    EXPECT_TRUE(MCBaseScroller::isVerticalForSize(QSizeF(15, 200)));
    EXPECT_FALSE(MCBaseScroller::isVerticalForSize(QSizeF(200, 15)));
    EXPECT_FALSE(MCBaseScroller::isVerticalForSize(QSizeF(20, 20)));

    MCGrayScrollView view;
    auto *horizontal = qobject_cast<MCBaseScroller *>(view.horizontalScrollBar());
    auto *vertical = qobject_cast<MCBaseScroller *>(view.verticalScrollBar());
    ASSERT_TRUE(horizontal && vertical);
    horizontal->resize(10, 100); // shaped like a vertical one, but placed as the horizontal
    EXPECT_FALSE(horizontal->isVertical());
    EXPECT_TRUE(vertical->isVertical());

    MCBaseScroller loose(Qt::Horizontal);
    loose.resize(15, 200);
    EXPECT_TRUE(loose.isVertical());
}

TEST(MCBaseScroller, KnobFollowsTheValueAndTheDrag)
{
    const QRectF slot(0, 0, 11, 104);
    // A page of 50 of 150: a third of the 100-pixel track.
    EXPECT_EQ(MCScrollerKnobRect(slot, true, 0, 100, 50, 0), QRectF(2, 2, 7, 100.0 / 3));
    EXPECT_EQ(MCScrollerKnobRect(slot, true, 0, 100, 50, 100).bottom(), 102);
    EXPECT_EQ(MCScrollerKnobRect(slot, true, 0, 100, 10000, 50).height(), 100 * 10000.0 / 10100);
    EXPECT_EQ(MCScrollerKnobRect(slot, true, 0, 1000000, 1, 0).height(), 18) << "never shorter than 18";
    EXPECT_TRUE(MCScrollerKnobRect(slot, true, 0, 0, 10, 0).isEmpty()) << "nothing to scroll";
    EXPECT_EQ(MCScrollerValueForKnobPosition(slot, true, 0, 100, 50, 2), 0);
    EXPECT_EQ(MCScrollerValueForKnobPosition(slot, true, 0, 100, 50, 102 - 100.0 / 3), 100);
    EXPECT_EQ(MCScrollerValueForKnobPosition(slot, true, 0, 100, 50, 500), 100);

    MCBaseScroller scroller(Qt::Vertical);
    scroller.setRange(0, 100);
    scroller.setPageStep(50);
    scroller.resize(11, 104);
    scroller.show();
    const QRectF knob = scroller.knobRect();
    QTest::mousePress(&scroller, Qt::LeftButton, {}, knob.center().toPoint());
    QTest::mouseMove(&scroller, (knob.center() + QPointF(0, 200)).toPoint());
    QTest::mouseRelease(&scroller, Qt::LeftButton, {}, (knob.center() + QPointF(0, 200)).toPoint());
    EXPECT_EQ(scroller.value(), 100);
    QTest::mouseClick(&scroller, Qt::LeftButton, {}, QPoint(5, 5)); // the slot above the knob pages up
    EXPECT_EQ(scroller.value(), 50);
}

TEST(MCGrayScroller, SlotGradientAndSeparatorReTintWithTheKind)
{
    for (int kindValue : {0, 1}) {
        SCOPED_TRACE(kindValue);
        AppearanceKind kind(kindValue);
        MCGrayScroller vertical(Qt::Vertical);
        vertical.setRange(0, 0);
        vertical.resize(11, 100);
        const double saturation = kindValue == 0 ? 0.25 : 0.1;
        EXPECT_NEAR(vertical.gradient().first().second.hsvSaturationF(), saturation, 1e-3);
        const QImage image = rendering(vertical);
        EXPECT_TRUE(near(image.pixelColor(0, 50), colorWithBrightness(0.12))); // the separator on the left
        EXPECT_TRUE(near(image.pixelColor(1, 50), colorWithBrightness(0.2), 3));
        EXPECT_TRUE(near(image.pixelColor(10, 50), colorWithBrightness(0.23), 3));

        MCGrayScroller horizontal(Qt::Horizontal);
        horizontal.setRange(0, 0);
        horizontal.resize(100, 11);
        const QImage across = rendering(horizontal);
        EXPECT_TRUE(near(across.pixelColor(50, 0), colorWithBrightness(0.12))); // on the top edge
        EXPECT_TRUE(near(across.pixelColor(50, 10), colorWithBrightness(0.23), 3));
    }
    // A live scroller picks up a change of the kind at once.
    AppearanceKind kind(1);
    MCGrayScroller scroller(Qt::Vertical);
    MCUserDefaults::standardUserDefaults().setInteger(0, kMCAperanceKindKey);
    EXPECT_NEAR(scroller.separatorColor().hsvSaturationF(), 0.25, 1e-3);
}

TEST(MCGrayScrollView, CornerBetweenTheScrollers)
{
    EXPECT_EQ(MCGrayScrollView::cornerRect(QRectF(0, 0, 200, 100), QRectF(189, 0, 11, 89), QRectF(0, 89, 189, 11)),
              QRectF(189, 89, 11, 11));
    AppearanceKind kind(0);
    MCGrayScrollView view;
    auto *content = new QWidget;
    content->setFixedSize(400, 400);
    view.setWidget(content);
    view.resize(200, 100);
    view.show();
    QApplication::processEvents();
    const int side = view.verticalScrollBar()->width();
    const QImage image = rendering(view);
    EXPECT_TRUE(near(image.pixelColor(199, 99), colorWithBrightness(0.22)));
    EXPECT_TRUE(near(image.pixelColor(200 - side, 99), colorWithBrightness(0.12))); // its left edge
    EXPECT_TRUE(near(image.pixelColor(199, 100 - side), colorWithBrightness(0.12))); // its top edge

    // Only a vertical scroller: no corner.
    content->setFixedSize(150, 400);
    QApplication::processEvents();
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    const QImage alone = rendering(view);
    EXPECT_FALSE(near(alone.pixelColor(199, 99), colorWithBrightness(0.22))) << "the scroller runs to the bottom";
}

TEST(MCTableHeaderCell, TitleRectAndLines)
{
    EXPECT_EQ(MCTableHeaderCell::titleDrawingRect(QRectF(0.5, 0, 100.3, 22), 15), QRectF(4, 3, 93, 22));
    EXPECT_EQ(MCTableHeaderCell::titleDrawingRect(QRectF(0, 0, 50, 10), 15), QRectF(4, -2, 42, 10));

    AppearanceKind kind(1);
    QStandardItemModel model(2, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("A title far wider than its column")});
    MCTableView table;
    table.setModel(&model);
    table.setColumnWidth(0, 80);
    table.setColumnWidth(1, 60);
    table.resize(300, 120);
    table.show();
    QApplication::processEvents();
    QHeaderView *header = table.horizontalHeader();
    const QImage image = rendering(*header);
    const int bottom = header->height() - 1;
    EXPECT_TRUE(near(image.pixelColor(40, 2), colorWithBrightness(0.22)));
    EXPECT_TRUE(near(image.pixelColor(40, bottom), colorWithBrightness(0.12)));
    EXPECT_TRUE(near(image.pixelColor(79, 10), colorWithBrightness(0.15))); // the first column's separator
    EXPECT_TRUE(near(image.pixelColor(79, 1), colorWithBrightness(0.22)));  // which starts 2 below the top
    // Right of the last column: the fill and the bottom line, no separator.
    EXPECT_TRUE(near(image.pixelColor(200, 10), colorWithBrightness(0.22)));
    EXPECT_TRUE(near(image.pixelColor(header->width() - 1, 10), colorWithBrightness(0.22)));
    EXPECT_TRUE(near(image.pixelColor(200, bottom), colorWithBrightness(0.12)));
    // The title is drawn from 4 pixels in, in white 0.9; nothing before that.
    int firstLit = -1;
    for (int x = 0; x < 40 && firstLit < 0; ++x)
        for (int y = 2; y < bottom; ++y)
            if (image.pixelColor(x, y).lightness() > 150) {
                firstLit = x;
                break;
            }
    EXPECT_GE(firstLit, 4);
    EXPECT_LE(firstLit, 6);
}

TEST(MCTableView, SelectedRowsAndFocus)
{
    AppearanceKind kind(1);
    EXPECT_NEAR(MCTableRowView().selectionColor(true).valueF(), 0.35, 1e-3);
    EXPECT_NEAR(MCTableRowView().selectionColor(false).valueF(), 0.3, 1e-3);
    EXPECT_NEAR(MCGraySelectionTableRowView().selectionColor(true).valueF(), 0.5, 1e-3);
    EXPECT_NEAR(MCGraySelectionTableRowView().selectionColor(false).valueF(), 0.45, 1e-3);
    EXPECT_NEAR(MCTableView::dropHighlightColor().hsvHueF(), 210.0 / 360, 1e-3);

    QStandardItemModel model(3, 1);
    MCTableView table;
    table.setModel(&model);
    table.resize(200, 120);
    table.selectRow(1);
    table.show();
    QApplication::processEvents();
    table.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
    const QRect row = table.visualRect(model.index(1, 0));
    const QPoint inside = table.viewport()->mapTo(&table, row.center());
    table.setFocus();
    EXPECT_TRUE(near(pixel(table, inside), colorWithBrightness(0.35))); // the key view: emphasized
    table.clearFocus();
    EXPECT_TRUE(near(pixel(table, inside), colorWithBrightness(0.3)));

    MCNoResponderTableView quiet;
    quiet.setModel(&model);
    quiet.show();
    quiet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&quiet));
    QTest::mouseClick(quiet.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(quiet.hasFocus());
    EXPECT_EQ(quiet.focusPolicy(), Qt::NoFocus);
}

TEST(MCTableCellViews, OutletsHoldTheirControls)
{
    MCTwoTextFieldsTableCellView cell;
    ASSERT_NE(cell.secondTextField(), nullptr);
    cell.textField()->setText(QStringLiteral("JPEG"));
    cell.secondTextField()->setText(QStringLiteral("12"));
    EXPECT_EQ(cell.secondTextField()->alignment() & Qt::AlignRight, Qt::AlignRight);

    MCButtonTableCellView buttonCell;
    EXPECT_EQ(buttonCell.button(), nullptr);
    auto *button = new QPushButton(QStringLiteral("Edit"));
    buttonCell.setButton(button);
    EXPECT_EQ(buttonCell.button(), button);
    EXPECT_EQ(button->parentWidget(), &buttonCell);
}
