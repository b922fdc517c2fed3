// The tips palette: page discovery, paging, closing (which marks the tips as seen), the shipped
// pages and the panels' hairlines.
#include "app/shell/MCTipsPaletteController.h"
#include "app/shell/MCTipsViews.h"
#include "halvard/ui/MCImageView.h"
#include "platform/core/MCBundle.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/app/uikit/UIKitTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTextEdit>

#include <gtest/gtest.h>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// Writes page files into a new folder: for each entry, which of the picture and the text exist.
struct PageFixture {
    int page;
    bool picture;
    bool text;
};

QString tipsFolder(const QList<PageFixture> &pages)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("tips"));
    for (const PageFixture &fixture : pages) {
        const QString base = folder + QStringLiteral("/TipPage%1").arg(fixture.page);
        if (fixture.picture) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(fixture.page * 40, 200, 200));
            image.save(base + ".png");
        }
        if (fixture.text) {
            QFile file(base + ".txt");
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("<tip><h1>Tip %1</h1><li>Text of page %1 with <em>emphasis</em>.</li></tip>")
                           .arg(fixture.page)
                           .toUtf8());
        }
    }
    return folder;
}

QList<PageFixture> fullPages(int count)
{
    QList<PageFixture> pages;
    for (int i = 1; i <= count; ++i)
        pages.append({i, true, true});
    return pages;
}

// Clears "LastShownTipsVersion" before and after a test.
struct FreshTipsVersion {
    FreshTipsVersion() { MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCLastShownTipsVersionKey); }
    ~FreshTipsVersion() { MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCLastShownTipsVersionKey); }
};

qint64 storedVersion() { return MCUserDefaults::standardUserDefaults().integerForKey(kMCLastShownTipsVersionKey); }

} // namespace

TEST(TipsPalette, PagesEndAtTheFirstGap)
{
    struct Case {
        const char *name;
        QList<PageFixture> files;
        int pages;
    };
    const Case cases[] = {
        {"three pages", fullPages(3), 3},
        {"page 3 missing", {{1, true, true}, {2, true, true}, {4, true, true}}, 2},
        {"picture without text", {{1, true, true}, {2, true, false}, {3, true, true}}, 1},
        {"text without picture", {{1, false, true}, {2, true, true}}, 0},
        {"no files", {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = tipsFolder(c.files);
        const auto pages = MCTipsPaletteController::pagesInFolder(folder);
        ASSERT_EQ(pages.imagePaths.size(), c.pages);
        ASSERT_EQ(pages.taggedTextPaths.size(), c.pages);
        for (int i = 0; i < c.pages; ++i) {
            EXPECT_EQ(pages.imagePaths[i], folder + QStringLiteral("/TipPage%1.png").arg(i + 1));
            EXPECT_EQ(pages.taggedTextPaths[i], folder + QStringLiteral("/TipPage%1.txt").arg(i + 1));
        }
    }
    EXPECT_TRUE(MCTipsPaletteController::pagesInFolder("/nonexistent/Tips").imagePaths.isEmpty());
}

TEST(TipsPalette, PagingThroughThreePagesAndGotItCloses)
{
    FreshTipsVersion fresh;
    MCTipsPaletteController tips(tipsFolder(fullPages(3)));
    int completions = 0;
    tips.showTipsWithCompletion([&] { ++completions; });
    ASSERT_TRUE(tips.window()->isVisible());
    ASSERT_EQ(tips.pageCount(), 3);

    struct Step {
        int page;
        const char *counter;
        bool previous;
        const char *next;
    };
    const Step steps[] = {
        {0, "1 of 3 pages", false, "Next"},
        {1, "2 of 3 pages", true, "Next"},
        {2, "3 of 3 pages", true, "Got it"},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.page);
        if (step.page > 0)
            tips.nextPageButton()->click();
        EXPECT_EQ(tips.currentPage(), step.page);
        EXPECT_EQ(tips.pageLabel()->text(), step.counter);
        EXPECT_EQ(tips.prevPageButton()->isEnabled(), step.previous);
        EXPECT_EQ(tips.nextPageButton()->text(), step.next);
        EXPECT_TRUE(tips.pageTextView()->toPlainText().contains(QStringLiteral("Tip %1").arg(step.page + 1)));
        EXPECT_EQ(tips.pageView()->image().pixel(0, 0), QColor::fromHsv((step.page + 1) * 40, 200, 200).rgb());
    }
    tips.prevPageButton()->click();
    EXPECT_EQ(tips.currentPage(), 1);
    tips.nextPageButton()->click();
    EXPECT_EQ(storedVersion(), 0) << "not seen until closed";

    tips.nextPageButton()->click(); // Got it
    EXPECT_FALSE(tips.window()->isVisible());
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(storedVersion(), 1);
    EXPECT_FALSE(MCTipsPaletteController::shouldShowTipsAfterLaunch());
}

TEST(TipsPalette, ShownAfterLaunchUntilTheCurrentVersionWasSeen)
{
    FreshTipsVersion fresh;
    struct Case {
        std::optional<qint64> stored;
        bool shows;
    };
    const Case cases[] = {{std::nullopt, true}, {0, true}, {1, false}, {2, true}, {-1, true}};
    for (const Case &c : cases) {
        if (c.stored)
            MCUserDefaults::standardUserDefaults().setInteger(*c.stored, kMCLastShownTipsVersionKey);
        else
            MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCLastShownTipsVersionKey);
        EXPECT_EQ(MCTipsPaletteController::shouldShowTipsAfterLaunch(), c.shows) << c.stored.value_or(-99);
    }
}

TEST(TipsPalette, EveryRoadOfClosingMarksTheTipsSeenAndCallsTheFirstHandlerOnce)
{
    const QString folder = tipsFolder(fullPages(2));
    enum Road { CloseButton, HideTips };
    for (Road road : {CloseButton, HideTips}) {
        SCOPED_TRACE(road);
        FreshTipsVersion fresh;
        MCTipsPaletteController tips(folder);
        QStringList calls;
        tips.showTipsWithCompletion([&] { calls << "first"; });
        tips.showTipsWithCompletion([&] { calls << "second"; }); // the first stays
        if (road == CloseButton)
            tips.window()->close();
        else
            tips.hideTips();
        EXPECT_FALSE(tips.window()->isVisible());
        EXPECT_EQ(calls, QStringList({"first"}));
        EXPECT_EQ(storedVersion(), 1);
        tips.hideTips(); // again: no second call
        EXPECT_EQ(calls, QStringList({"first"}));
    }
}

TEST(TipsPalette, WithoutPagesBothButtonsAreOffAndClosingStillCounts)
{
    FreshTipsVersion fresh;
    MCTipsPaletteController tips(tipsFolder({}));
    tips.showTipsWithCompletion({});
    EXPECT_EQ(tips.pageCount(), 0);
    EXPECT_TRUE(tips.pageLabel()->text().isEmpty());
    EXPECT_FALSE(tips.prevPageButton()->isEnabled());
    EXPECT_FALSE(tips.nextPageButton()->isEnabled());
    EXPECT_TRUE(tips.pageTextView()->toPlainText().isEmpty());
    tips.moveToPage(0); // nothing to show: nothing happens
    tips.prevPage();
    tips.window()->close();
    EXPECT_EQ(storedVersion(), 1);
}

TEST(TipsPalette, ATextThatDoesNotParseShowsNothing)
{
    const QString folder = tipsFolder(fullPages(2));
    QFile broken(folder + "/TipPage2.txt");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<tip><h1>Unclosed");
    broken.close();
    MCTipsPaletteController tips(folder);
    tips.window();
    EXPECT_FALSE(tips.pageTextView()->toPlainText().isEmpty());
    tips.nextPage();
    EXPECT_EQ(tips.currentPage(), 1);
    EXPECT_TRUE(tips.pageTextView()->toPlainText().isEmpty());
}

TEST(TipsPalette, ShowTipsLetsThePaletteGoOnceClosed)
{
    FreshTipsVersion fresh;
    QObject owner;
    bool done = false;
    QPointer<MCTipsPaletteController> tips = MCTipsPaletteController::showTips(&owner, [&] { done = true; });
    ASSERT_TRUE(tips);
    EXPECT_TRUE(tips->window()->isVisible());
    EXPECT_GT(tips->pageCount(), 0) << "the shipped pages";
    tips->hideTips();
    EXPECT_TRUE(done);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return tips.isNull(); }));
    EXPECT_EQ(storedVersion(), 1);
}

TEST(TipsPalette, EveryShippedPageHasAPictureAndAText)
{
    const QString folder = platform::pathForResource(QStringLiteral("Tips"));
    const auto pages = MCTipsPaletteController::pagesInFolder(folder);
    EXPECT_GE(pages.imagePaths.size(), 4);
    MCTaggedTextParser parser(MCTipsPaletteController::taggedTextStyleMap());
    for (qsizetype i = 0; i < pages.imagePaths.size(); ++i) {
        SCOPED_TRACE(pages.taggedTextPaths[i].toStdString());
        const QImage picture(pages.imagePaths[i]);
        EXPECT_FALSE(picture.isNull());
        EXPECT_LE(picture.width(), 320);
        EXPECT_LE(picture.height(), 280);
        const MCAttributedString text = parser.attributedStringFromURL(pages.taggedTextPaths[i]);
        EXPECT_GT(text.length(), 40) << "a text that parses";
        // Every page opens with a heading in the palette's blue.
        ASSERT_FALSE(text.runs().isEmpty());
        EXPECT_EQ(text.runs().first().attributes.foregroundColor,
                  MCTipsPaletteController::taggedTextStyleMap().value("h1").foregroundColor);
    }
    // Nothing after the pages that discovery would miss.
    const QString next = folder + QStringLiteral("/TipPage%1").arg(pages.imagePaths.size() + 1);
    EXPECT_FALSE(QFile::exists(next + ".png") || QFile::exists(next + ".txt"));
}

TEST(TipsPalette, PanelHairlines)
{
    // Top panel: a dark line over a faint light one at its bottom edge; bottom panel: a dark line
    // on its top edge over a faint light one.
    MCTipsTopView top;
    MCTipsBottomView bottom;
    top.resize(40, 20);
    bottom.resize(40, 20);
    const QImage topImage = top.grab().toImage();
    const QImage bottomImage = bottom.grab().toImage();
    auto lightness = [](const QImage &image, int y) { return image.pixelColor(20, y).lightness(); };
    const int topFill = lightness(topImage, 10);
    EXPECT_GT(lightness(topImage, 19), topFill) << "light line on the outermost row";
    EXPECT_LT(lightness(topImage, 18), topFill) << "dark line above it";
    const int bottomFill = lightness(bottomImage, 10);
    EXPECT_LT(lightness(bottomImage, 0), bottomFill);
    EXPECT_GT(lightness(bottomImage, 1), bottomFill);
}

TEST(TipsPalette, ButtonBezelFollowsItsLook)
{
    using namespace MCColorQuillon;
    uikittest::AssumeActiveWindow active;
    struct Case {
        MCControlState state;
        QColor fill;
    };
    const Case cases[] = {
        {MCControlState::Default, colorWithBrightness(0.43)},
        {MCControlState::Disabled, colorWithBrightness(0.53)},
        {MCControlState::MouseOver, colorWithBrightness(0.53)},
        {MCControlState::Pressed, colorWithBrightness(1.0, 0.1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(MCControlStateName(c.state));
        MCTipsButtonCell button; // no title over the sampled pixel
        button.resize(90, 24);
        uikittest::applyState(button, c.state, [&] { button.setDown(true); });
        EXPECT_EQ(button.controlState(), c.state);
        EXPECT_TRUE(uikittest::near(uikittest::pixel(button, {45, 12}), c.fill));
    }
}
