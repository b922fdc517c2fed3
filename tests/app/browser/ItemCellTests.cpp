// The photo grid's item, media and header cells: the geometry as tables of the pure functions,
// then the cells' state, badges and colours through rendering.
#include "app/browser/MCBrowserCellGeometry.h"
#include "app/browser/MCBrowserImages.h"
#include "app/browser/MCBrowserItemCell.h"
#include "app/library/MCFile.h"
#include "halvard/imageio/MCResourceLoader.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Title 17 and subtitle 14 high: T = 14 + 17 + 6 + 14 + 3 = 54 with both lines.
constexpr MCItemCellText kBoth{true, true, 17, 14};
constexpr MCItemCellText kSubtitleOnly{false, true, 17, 14};
constexpr MCItemCellText kNoText{false, false, 17, 14};

TEST(ItemCellGeometry, cellSizeFitsTheScaledSquareIntoTheBounds)
{
    struct Case {
        QSizeF bounds;
        double scale;
        MCItemCellText text;
        QSizeF expected;
    };
    const Case cases[] = {
        {{400, 400}, 0.5, kBoth, {270, 310}},         // 256 fits: 256 + 14 wide
        {{300, 300}, 0.5, kBoth, {260, 300}},         // height-bound: 300 − 54 = 246
        {{200, 1000}, 0.5, kBoth, {200, 240}},        // width-bound: 200 − 14 = 186
        {{400, 400}, 1.0, kSubtitleOnly, {380, 400}}, // T = 34: 366 square
        {{1000, 1000}, 1.0, kNoText, {526, 526}},     // T = 14
        {{800, 800}, 0.25, kBoth, {142, 182}},        // 128 square
        {{10, 10}, 0.5, kBoth, {14, 54}},             // no room: a picture of 0, never negative
        {{400, 400}, 0.0, kBoth, {14, 54}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bounds.width() << "x" << c.bounds.height() << " @" << c.scale);
        EXPECT_EQ(MCItemCellSizeForBounds(QRectF(QPointF(), c.bounds), c.scale, c.text), c.expected);
    }
    EXPECT_EQ(MCItemCellTextHeight(kBoth), 54);
    EXPECT_EQ(MCItemCellTextHeight(MCItemCellText{true, false, 17, 14}), 37);
    EXPECT_EQ(MCItemCellTextHeight(kSubtitleOnly), 34);
    EXPECT_EQ(MCItemCellTextHeight(kNoText), 14);
}

TEST(ItemCellGeometry, partsOfTheCell)
{
    const QRectF bounds(10, 20, 270, 310);
    EXPECT_EQ(MCItemCellBackgroundRect(bounds), QRectF(13, 23, 264, 304));
    EXPECT_EQ(MCItemCellSelectionRect(bounds), QRectF(11, 21, 268, 308));
    EXPECT_EQ(MCIntegralRect(QRectF(0.5, 0.25, 10, 10)), QRectF(0, 0, 11, 11));
    EXPECT_EQ(MCIntegralRect(QRectF(5, 5, 0, 10)), QRectF());

    const QRectF background = MCItemCellBackgroundRect(bounds);
    struct Case {
        MCItemCellText text;
        QRectF strip;
    };
    const Case cases[] = {
        {kBoth, QRectF(13, 287, 264, 40)},                          // 17 + 6 + 14 + 3
        {MCItemCellText{true, false, 17, 14}, QRectF(13, 304, 264, 23)}, // 17 + 6
        {kSubtitleOnly, QRectF(13, 307, 264, 20)},                  // 14 + 6
        {kNoText, QRectF()},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MCItemCellTitlePartRect(background, c.text), c.strip);
        EXPECT_EQ(MCItemCellImagePartRect(background, c.text),
                  QRectF(13, 23, 264, 304 - c.strip.height()));
    }
}

TEST(ItemCellGeometry, pictureInItsPart)
{
    const QRectF part(0, 0, 108, 108); // 100 × 100 inside the inset
    struct Case {
        QSizeF image;
        bool centred;
        QRectF expected;
    };
    const Case cases[] = {
        {{400, 300}, false, QRectF(4, 4, 100, 75)},  // wide: full width, at the top
        {{400, 300}, true, QRectF(4, 16, 100, 76)},  // no text: centred, made integral
        {{300, 400}, false, QRectF(16, 4, 76, 100)}, // tall: full height, centred across
        {{500, 500}, false, QRectF(4, 4, 100, 100)},
        {{0, 0}, false, QRectF(4, 4, 100, 100)},     // no usable size: the inset part
        {{640, 0}, true, QRectF(4, 4, 100, 100)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCItemCellImageRect(part, c.image, c.centred), c.expected)
            << c.image.width() << "x" << c.image.height();
    EXPECT_EQ(MCItemCellImageRect(QRectF(0, 0, 6, 6), QSizeF(4, 3), false), QRectF()); // no room
}

TEST(ItemCellGeometry, textLinesAndBadges)
{
    const QRectF strip(3, 200, 264, 43);
    EXPECT_EQ(MCItemCellTitleRect(strip, kBoth), QRectF(6, 203, 258, 17));
    EXPECT_EQ(MCItemCellTitleRect(strip, kSubtitleOnly), QRectF());
    struct Case {
        MCItemCellText text;
        double right, left;
        QRectF expected;
    };
    const Case cases[] = {
        {kBoth, -1, -1, QRectF(6, 223, 258, 14)},
        {kBoth, 12, -1, QRectF(6, 223, 244, 14)},  // marked badge 12 + 2
        {kBoth, -1, 10, QRectF(19, 223, 245, 14)}, // flagged badge 10 + 3
        {kBoth, 12, 10, QRectF(19, 223, 231, 14)},
        {kSubtitleOnly, -1, -1, QRectF(6, 203, 258, 14)},
        {MCItemCellText{true, false, 17, 14}, -1, -1, QRectF()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCItemCellSubtitleRect(strip, c.text, c.right, c.left), c.expected);

    const QRectF image(10, 10, 100, 80);
    const QSizeF badge(12, 12);
    EXPECT_EQ(MCBadgeLabelColorRect(image, badge), QRectF(96, 12, 12, 12));
    EXPECT_EQ(MCBadgeMediaSourceRect(QRectF(3, 3, 200, 200), badge), QRectF(3, 3, 12, 12));
    EXPECT_EQ(MCBadgeMissingRect(image, badge), QRectF(12, 76, 12, 12));
    EXPECT_EQ(MCBadgeMovieRect(image, QSizeF(20, 14)), QRectF(90, 76, 20, 14));
    EXPECT_EQ(MCBadgeMarkedRect(strip, badge), QRectF(253, 229, 12, 12));
    EXPECT_EQ(MCBadgeFlaggedRect(strip, QSizeF(10, 12)), QRectF(6, 228, 10, 12));

    // The flags strip: 2 + each flag + 2, + n × (star + 2) for ratings 1–5.
    struct Flags {
        QList<double> flags;
        qint64 rating;
        double width;
    };
    const Flags flags[] = {
        {{}, 3, 2 + 3 * 13}, {{13, 13}, 0, 32}, {{13}, 5, 2 + 15 + 5 * 13}, {{}, 6, 2}, {{}, -1, 2},
    };
    for (const Flags &f : flags)
        EXPECT_EQ(MCBadgeFlagsRect(QRectF(10.7, 10.2, 100, 80.5), f.flags, f.rating, 11),
                  QRectF(10, 73, f.width, 17));
}

TEST(HeaderCellGeometry, linesAreCentredOnTheBand)
{
    const QRectF band(0, 100, 500, 28);
    EXPECT_EQ(MCHeaderCellTitleRect(band, 14), QRectF(10, 107, 500, 14));
    EXPECT_EQ(MCHeaderCellSubtitleRect(band, 14), QRectF(0, 107, 490, 14));
    EXPECT_EQ(MCHeaderCellMiddleTitleRect(band, 13.5), QRectF(10, 107, 480, 14));

    MCBrowserHeaderCell cell;
    for (double scale : {0.25, 0.5, 1.0})
        for (double width : {0.0, 320.0, 1234.5})
            EXPECT_EQ(cell.cellSizeForBounds(QRectF(0, 0, width, 9999), scale), QSizeF(width, 28));
    cell.setShouldShowSubtitle(false);
    EXPECT_EQ(cell.subtitleRectForBounds(band), QRectF());
}

// ---- cells

QImage render(MCBrowserViewCell &cell, const QSizeF &size)
{
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    cell.drawWithFrame(&painter, QRectF(QPointF(), size), nullptr);
    painter.end();
    return image;
}

bool closeTo(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Counts pixels in `rect` close to the star's yellow.
int yellowPixels(const QImage &image, const QRect &rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() > 150 && c.blue() < 120;
        }
    return count;
}

// Puts the drawn image of a name back when the test ends.
struct ReplacedImage {
    QString name;
    ReplacedImage(const QString &n, const QImage &image) : name(n) { MCBrowserImages::setImageForName(n, image); }
    ~ReplacedImage() { MCBrowserImages::setImageForName(name, std::nullopt); }
};

QImage photo(int width, int height, QColor colour = QColor(40, 90, 160))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(BrowserItemCell, sizeAndPartsAtTheSystemFonts)
{
    MCBrowserItemCell cell;
    const double title = cell.defaultTitleHeight(), subtitle = cell.defaultSubtitleHeight();
    ASSERT_GT(title, subtitle);
    const double T = 14 + title + 6 + subtitle + 3;
    EXPECT_EQ(cell.cellSizeForBounds(QRectF(0, 0, 400, 400), 0.5), QSizeF(270, std::trunc(256 + T)));
    EXPECT_EQ(cell.cellSizeForBounds(QRectF(0, 0, 300, 300), 0.5), QSizeF(std::trunc(300 - T + 14), 300));

    // The frame and the text strip: the strip sits at the bottom of the background.
    const QRectF bounds(0, 0, 270, 256 + T);
    const QRectF strip = cell.titlePartRectForBounds(bounds);
    EXPECT_EQ(strip.bottom(), cell.backgroundRectForBounds(bounds).bottom());
    EXPECT_EQ(strip.height(), title + 6 + subtitle + 3);
    cell.setImage(photo(400, 300));
    const QRectF image = cell.imageRectForBounds(bounds);
    EXPECT_EQ(image, QRectF(7, 7, 256, 192)); // 4:3 at the top of the part
    EXPECT_EQ(cell.hitTestAtPoint(image.center(), bounds), 1u);
    EXPECT_EQ(cell.hitTestAtPoint(cell.titleRectForBounds(bounds).center(), bounds), 2u);
    EXPECT_EQ(cell.hitTestAtPoint(cell.subtitleRectForBounds(bounds).center(), bounds), 3u);
    EXPECT_EQ(cell.hitTestAtPoint(QPointF(1, 1), bounds), 0u);
}

TEST(BrowserItemCell, stripColourLockedThenMarkedThenGreen)
{
    MCBrowserItemCell cell;
    cell.setTitle(QStringLiteral("IMG_0001.jpg"));
    const QSizeF size(270, 320);
    const QRectF strip = cell.titlePartRectForBounds(QRectF(QPointF(), size));
    const QPoint sample(int(strip.left()) + 4, int(strip.bottom()) - 2); // clear of text and badges
    struct Case {
        bool locked, marked;
        QColor strip;
        const char *badge;
    };
    const Case cases[] = {
        {false, false, QColor::fromHsvF(1.0f / 3, 0.5f, 0.45f), nullptr},
        {false, true, QColor::fromHsvF(0.0f, 0.5f, 0.45f), "MarkedBadge"},
        {true, false, QColor::fromRgbF(0.37f, 0.37f, 0.37f), "LockedBadge"},
        {true, true, QColor::fromRgbF(0.37f, 0.37f, 0.37f), "LockedBadge"}, // locked wins
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "locked " << c.locked << " marked " << c.marked);
        cell.setLocked(c.locked);
        cell.setMarked(c.marked);
        EXPECT_TRUE(closeTo(cell.titlePartBackgroundColor(), c.strip));
        EXPECT_TRUE(closeTo(render(cell, size).pixelColor(sample), c.strip));
        if (c.badge) {
            EXPECT_EQ(cell.markedBadgeImage(), MCBrowserImages::imageNamed(QString::fromLatin1(c.badge)));
            // The subtitle gives way to the badge on the right.
            EXPECT_LT(cell.subtitleRectForBounds(QRectF(QPointF(), size)).right(),
                      cell.titleRectForBounds(QRectF(QPointF(), size)).right());
        }
    }
}

TEST(BrowserItemCell, badgesFollowTheStateAndAMissingPictureOnlyDropsItsBadge)
{
    MCBrowserItemCell cell;
    cell.setImage(photo(400, 300));
    for (quint64 label = 1; label <= 7; ++label) {
        cell.setLabelColor(label);
        EXPECT_FALSE(cell.labelColorBadgeImage().isNull()) << label;
    }
    cell.setLabelColor(8);
    EXPECT_TRUE(cell.labelColorBadgeImage().isNull());
    for (qint64 source = 1; source <= 5; ++source) {
        cell.setMediaSource(source);
        EXPECT_FALSE(cell.mediaSourceBadgeImage().isNull()) << source;
    }
    cell.setMediaSource(6);
    EXPECT_TRUE(cell.mediaSourceBadgeImage().isNull());

    const QSizeF size(270, 320);
    const QRectF bounds(QPointF(), size);
    const QRectF image = cell.imageRectForBounds(bounds);
    const QImage star = cell.ratingStarImage();
    const double starWidth = MCBrowserImages::pointSize(star).width();

    // Rating 3 alone: a strip 2 + 3 × (star + 2) wide with three stars in it.
    cell.setStarRating(3);
    const QRectF flags = cell.badgeFlagsRectForImageRect(image);
    EXPECT_EQ(flags.width(), 2 + 3 * (starWidth + 2));
    EXPECT_EQ(flags.height(), 17);
    EXPECT_EQ(flags.bottom(), std::trunc(image.bottom()));
    EXPECT_TRUE(cell.showsBadgeFlags());
    EXPECT_GT(yellowPixels(render(cell, size), flags.toAlignedRect()), 20);

    // Rating 6: no stars and no strip.
    cell.setStarRating(6);
    EXPECT_FALSE(cell.showsBadgeFlags());

    // A missing photo shows only its badge, however it is rated.
    cell.setStarRating(3);
    cell.setMissing(true);
    EXPECT_FALSE(cell.showsBadgeFlags());
    EXPECT_EQ(yellowPixels(render(cell, size), flags.toAlignedRect()), 0);
    cell.setMissing(false);

    // Without the star picture: the strip stays (nothing to draw in it) and nothing crashes.
    {
        ReplacedImage noStar(QStringLiteral("RatingStar"), QImage());
        EXPECT_EQ(cell.badgeFlagsRectForImageRect(image).width(), 2);
        EXPECT_EQ(yellowPixels(render(cell, size), flags.toAlignedRect()), 0);
    }
    // Every badge's picture gone at once: the cell still draws its strip and picture.
    {
        const char *const names[] = {"CircleRed", "MarkedBadge", "LockedBadge", "Flagged", "SourceBadgeAlbum",
                                     "VideoBadge", "BadgeMissing", "Favorite", "Cloud", "Referenced",
                                     "Hidden", "Rejected", "CellBackground", "EmptyPhoto"};
        std::vector<std::unique_ptr<ReplacedImage>> gone;
        for (const char *name : names)
            gone.push_back(std::make_unique<ReplacedImage>(QString::fromLatin1(name), QImage()));
        cell.setLabelColor(1);
        cell.setMediaSource(1);
        cell.setMovie(true);
        cell.setMarked(true);
        cell.setFlagged(true);
        cell.setFavorite(true);
        cell.setRejected(true);
        cell.setImage(QImage());
        const QImage drawn = render(cell, size);
        const QRectF strip = cell.titlePartRectForBounds(bounds);
        EXPECT_TRUE(closeTo(drawn.pixelColor(QPoint(int(strip.left()) + 4, int(strip.bottom()) - 2)),
                            QColor::fromHsvF(0.0f, 0.5f, 0.45f)));
        // Badges without pictures take no room from the subtitle.
        EXPECT_EQ(cell.subtitleRectForBounds(bounds), MCItemCellSubtitleRect(strip, cell.textLayout(), -1, -1));
        cell.setMissing(true);
        render(cell, size);
    }
}

TEST(BrowserItemCell, fillingFromAPhotoAndItsThumbnail)
{
    auto file = MCFile::fileWithID(7);
    file->setFileName(QStringLiteral("IMG_0042.jpg"));
    MCBrowserItemCell cell;
    cell.setMarked(true);

    const MCThumbnail thumbnail(photo(300, 200));
    cell.prepareToShowBrowserItem(*file, &thumbnail);
    EXPECT_EQ(cell.title(), QStringLiteral("IMG_0042.jpg"));
    EXPECT_EQ(cell.image().size(), QSize(300, 200));
    EXPECT_FALSE(cell.isMarked()); // the photo's states always replace the last ones
    EXPECT_EQ(cell.labelColor(), 0u);

    // A thumbnail without picture, then none: the placeholder is drawn, without a frame.
    const MCThumbnail empty{QImage()};
    cell.prepareToShowBrowserItem(*file, &empty);
    EXPECT_TRUE(cell.image().isNull());
    EXPECT_EQ(cell.alternateImage(), MCBrowserImages::imageNamed(QStringLiteral("MissingFileLandscape")));
    cell.prepareToShowBrowserItem(*file, nullptr);
    EXPECT_EQ(cell.alternateImage(), MCBrowserImages::imageNamed(QStringLiteral("EmptyPhoto")));
    EXPECT_EQ(cell.displayedImage(), MCBrowserImages::imageNamed(QStringLiteral("EmptyPhoto")));
    const QRectF bounds(0, 0, 270, 320);
    const QRectF image = cell.imageRectForBounds(bounds);
    const QImage drawn = render(cell, bounds.size());
    // No dark frame line along the placeholder's edge: its own light border shows.
    EXPECT_GT(qGray(drawn.pixel(int(image.center().x()), int(image.top()))), 100);

    // A part that is not shown keeps the previous photo's value.
    cell.setShouldShowTitle(false);
    file->setFileName(QStringLiteral("other.jpg"));
    cell.prepareToShowBrowserItem(*file, nullptr);
    EXPECT_EQ(cell.title(), QStringLiteral("IMG_0042.jpg"));

    const auto copy = cell.copy();
    EXPECT_EQ(copy->title(), cell.title());
    EXPECT_FALSE(copy->shouldShowTitle());
    EXPECT_TRUE(copy->alternateImage().isNull()); // not copied
}

TEST(BrowserItemCell, pictureIsCentredOnlyWithoutText)
{
    MCBrowserItemCell cell;
    cell.setImage(photo(400, 300));
    const QRectF bounds(0, 0, 270, 270);
    EXPECT_EQ(cell.imageRectForBounds(bounds).top(), 7);
    cell.setShouldShowTitle(false);
    cell.setShouldShowSubtitle(false);
    const QRectF centred = cell.imageRectForBounds(bounds);
    EXPECT_NEAR(centred.center().y(), cell.imagePartRectForBounds(bounds).center().y(), 1.0);
    EXPECT_EQ(cell.titlePartRectForBounds(bounds), QRectF());
}

TEST(MediaBrowserItemCell, pictureHugsItsFrameAboveTheTitle)
{
    MCMediaBrowserItemCell cell;
    EXPECT_FALSE(cell.shouldShowSubtitle());
    cell.setImage(photo(400, 200)); // wide: sits at the bottom of the part, next to the title
    const QRectF bounds(0, 0, 220, 240);
    const QRectF part = cell.imagePartRectForBounds(bounds);
    const QRectF image = cell.imageRectForImagePartRect(part);
    EXPECT_EQ(image, QRectF(part.left() + 5, part.top() + 5, part.width() - 10, part.height() - 12));
    EXPECT_NEAR(image.width() / image.height(), 2.0, 0.05);
    EXPECT_NEAR(part.bottom(), cell.titlePartRectForBounds(bounds).top(), 1.0);
    EXPECT_EQ(cell.backgroundRectForBounds(bounds), QRectF(5, 5, 210, 230));
    EXPECT_EQ(cell.selectionRectForBounds(bounds),
              cell.titlePartRectForBounds(bounds).united(part).adjusted(-5, -5, 5, 5));
    cell.setStoredOnCloud(true); // alone it opens no strip here
    EXPECT_FALSE(cell.showsBadgeFlags());
    cell.setSelected(true);
    cell.setFlagged(true);
    render(cell, bounds.size());
    const QImage drag = cell.dragImageWithSize(bounds.size());
    EXPECT_EQ(drag.size(), QSize(220, 240));
}

TEST(BrowserHeaderCell, bandWithLinesAndTexts)
{
    MCBrowserHeaderCell cell;
    cell.setTitle(QStringLiteral("Coast, May 2024"));
    cell.setSubtitle(QString()); // no subtitle: only the title and the band
    const QImage drawn = render(cell, QSizeF(300, 28));
    // Fill of black at 0.2 over black stays black; the lines (black 0.3) too: check the text.
    int light = 0;
    for (int x = 0; x < 150; ++x)
        for (int y = 5; y < 23; ++y)
            light += qGray(drawn.pixel(x, y)) > 60;
    EXPECT_GT(light, 10);
    int right = 0;
    for (int x = 200; x < 300; ++x)
        for (int y = 5; y < 23; ++y)
            right += qGray(drawn.pixel(x, y)) > 60;
    EXPECT_EQ(right, 0);
    EXPECT_EQ(cell.actualTitleAttributes(), cell.defaultTitleAttributes);
    EXPECT_EQ(cell.defaultTitleAttributes.alignment, Qt::AlignLeft);
    EXPECT_EQ(cell.defaultSubtitleAttributes.alignment, Qt::AlignRight);
}

} // namespace
