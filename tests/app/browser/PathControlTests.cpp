// The path bar: component geometry as tables, the common folder of the selection, arrows after
// all but the last component, double-clicks opening through the workspace and the menus.
#include "app/browser/MCPathControl.h"
#include "platform/desktop/MCWorkspace.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(PathBarGeometry, componentFramesGiveWayFromTheRoot)
{
    struct Case {
        QList<double> widths;
        double available;
        QList<double> expected; // widths after fitting
    };
    const Case cases[] = {
        {{40, 50, 60}, 200, {40, 50, 60}},     // fits: natural widths from x = 4
        {{80, 80, 60}, 200, {56, 80, 60}},     // 24 too wide: the first gives way
        {{80, 80, 60}, 150, {28, 58, 60}},     // then the second
        {{80, 80, 80}, 90, {28, 28, 30}},      // then the last
        {{80, 80, 80}, 40, {28, 28, 28}},      // never below the minimum
        {{}, 200, {}},
    };
    for (const Case &c : cases) {
        const QList<QRectF> frames = MCPathComponentFrames(c.widths, QRectF(0, 0, c.available, 22), 28);
        ASSERT_EQ(frames.size(), c.expected.size());
        double x = 4;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i], QRectF(x, 0, c.expected[i], 22)) << "available " << c.available << " #" << i;
            x += c.expected[i];
        }
    }

    // The arrow straddles the right edge, 2 left of centred, centred vertically.
    EXPECT_EQ(MCPathArrowRect(QRectF(10, 0, 50, 22), QSizeF(7, 11)), QRectF(55, 6, 7, 11));
    EXPECT_EQ(MCPathArrowRect(QRectF(10.5, 3, 50, 23), QSizeF(8, 12)), QRectF(55, 9, 8, 12));

    EXPECT_EQ(MCPathComponentPaths("/home/ann/Photos/a.jpg"),
              QStringList({"/", "/home", "/home/ann", "/home/ann/Photos", "/home/ann/Photos/a.jpg"}));
    EXPECT_EQ(MCPathComponentPaths("/"), QStringList({"/"}));
    EXPECT_EQ(MCPathComponentPaths("/a//b/"), QStringList({"/", "/a", "/a/b"}));
    EXPECT_TRUE(MCPathComponentPaths("relative/x").isEmpty());
    EXPECT_TRUE(MCPathComponentPaths(QString()).isEmpty());
}

// Records what would be opened instead of opening it.
class RecordingWorkspace : public MCWorkspace
{
public:
    using MCWorkspace::MCWorkspace;
    QList<QUrl> opened;

protected:
    bool openURL(const QUrl &url) override
    {
        opened << url;
        return true;
    }
};

class PathBar : public testing::Test
{
protected:
    void SetUp() override { MCWorkspace::setSharedWorkspace(&workspace); }
    void TearDown() override { MCWorkspace::setSharedWorkspace(nullptr); }

    QStringList titles() const
    {
        QStringList result;
        for (const auto &cell : control.pathCell()->pathComponentCells())
            result << cell->title();
        return result;
    }

    RecordingWorkspace workspace;
    MCPathControl control;
};

TEST_F(PathBar, showsTheCommonFolderOfTheSelection)
{
    control.setURLs({});
    EXPECT_TRUE(control.URL().isEmpty());
    EXPECT_TRUE(control.pathCell()->pathComponentCells().isEmpty());

    control.setURLs({"/photos/trip/day1/a.jpg"});
    EXPECT_EQ(titles(), QStringList({"/", "photos", "trip", "day1", "a.jpg"}));

    control.setURLs({"/photos/trip/day1/a.jpg", "/photos/trip/day2/b.jpg"});
    EXPECT_EQ(control.URL(), "/photos/trip");
    EXPECT_EQ(titles(), QStringList({"/", "photos", "trip"}));

    // The last component never draws an arrow; every other does, in light text.
    const auto &cells = control.pathCell()->pathComponentCells();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        auto *cell = static_cast<MCWhitePathComponentCell *>(cells[i].get());
        EXPECT_EQ(cell->drawsArrow(), i + 1 < cells.size()) << i;
        EXPECT_NEAR(cell->textColor().valueF(), 0.92, 0.01);
        EXPECT_TRUE(cell->font().bold());
    }
}

TEST_F(PathBar, doubleClickOpensTheComponentAndMenusOnlyOverComponents)
{
    control.resize(600, 22);
    control.setURLs({"/photos/trip/day1/a.jpg", "/photos/trip/day2/b.jpg"});
    const QList<QRectF> frames = control.componentFrames();
    ASSERT_EQ(frames.size(), 3);

    QTest::mouseDClick(&control, Qt::LeftButton, {}, frames[1].center().toPoint());
    ASSERT_EQ(workspace.opened.size(), 1);
    EXPECT_EQ(workspace.opened[0], QUrl::fromLocalFile("/photos"));

    // Beside the components: nothing opens, and the menu is the one empty menu.
    const QPoint beside(int(frames.last().right()) + 40, 11);
    QTest::mouseDClick(&control, Qt::LeftButton, {}, beside);
    EXPECT_EQ(workspace.opened.size(), 1);
    QMenu *empty = control.menuAtPoint(beside);
    EXPECT_EQ(empty, MCPathCell::emptyMenu());
    EXPECT_TRUE(empty->isEmpty());
    MCPathControl other;
    EXPECT_EQ(other.menuAtPoint(QPointF(5, 5)), MCPathCell::emptyMenu()); // nothing shown at all

    // Over a component: the bar's menu, whose Open acts on that component.
    QMenu *menu = control.menuAtPoint(frames[2].center());
    ASSERT_EQ(menu, control.pathMenu());
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_TRUE(menu->actions().first()->isVisible());
    menu->actions().first()->trigger();
    ASSERT_EQ(workspace.opened.size(), 2);
    EXPECT_EQ(workspace.opened[1], QUrl::fromLocalFile("/photos/trip"));

    // From the keyboard: Tab reaches the bar, which focuses the last component; Left moves
    // to the one before and Return opens it.
    EXPECT_EQ(control.focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_FALSE(control.accessibleName().isEmpty());
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&control, &focusIn);
    QTest::keyClick(&control, Qt::Key_Left);
    QTest::keyClick(&control, Qt::Key_Return);
    ASSERT_EQ(workspace.opened.size(), 3);
    EXPECT_EQ(workspace.opened[2], QUrl::fromLocalFile("/photos"));
}

} // namespace
