#pragma once

// Pure geometry of the thumbnail grid's item and header cells (widget coordinates, y down, as
// in the flipped grid). The cells call these; tests check them by tables.
//
// An item cell is the bounds inset by 3 (the background), split into an image part above and
// a text strip at the bottom; the picture sits 4 inside the image part, the text lines 3 inside
// the strip and 3 apart.
#include <QList>
#include <QRectF>
#include <QSizeF>

// The smallest rectangle with whole-number edges that holds `rect`; an empty rectangle gives
// the zero rectangle.
QRectF MCIntegralRect(const QRectF &rect);

// What an item cell shows and the heights of its two text lines.
struct MCItemCellText {
    bool showsTitle = true;
    bool showsSubtitle = true;
    double titleHeight = 0;
    double subtitleHeight = 0;
};

// The height the text takes in a cell: with a title 14 + title + 6 (+ subtitle + 3 with a
// subtitle); with the subtitle alone 14 + subtitle + 6; with neither 14.
double MCItemCellTextHeight(const MCItemCellText &text);
// The size of an item cell for the available bounds at the zoom scale: a square picture of
// 512 × scale, shrunk to fit the bounds (less 14 across and the text height down), plus the
// frame and the text, truncated to whole points. Bounds too small for any picture give a
// picture of size 0.
QSizeF MCItemCellSizeForBounds(const QRectF &bounds, double scale, const MCItemCellText &text);

QRectF MCItemCellBackgroundRect(const QRectF &bounds); // inset 3, integral
QRectF MCItemCellSelectionRect(const QRectF &bounds);  // inset 1, integral
// The text strip: the width of the background rect, at its bottom; the zero rect without text.
QRectF MCItemCellTitlePartRect(const QRectF &background, const MCItemCellText &text);
// The background rect less the strip (not made integral).
QRectF MCItemCellImagePartRect(const QRectF &background, const MCItemCellText &text);
// The picture of `imageSize` in the part, inset by 4: a wide picture keeps the full width and
// sits at the top (centred vertically when `centreVertically`, i.e. no text is shown); a tall
// one keeps the full height and is centred across. An image without a usable size fills the
// inset part.
QRectF MCItemCellImageRect(const QRectF &part, const QSizeF &imageSize, bool centreVertically);
// The title line: the strip inset by 3, title height, at the top; the zero rect without title.
QRectF MCItemCellTitleRect(const QRectF &strip, const MCItemCellText &text);
// The subtitle line below the title (or at the top alone), narrowed on the right by
// `rightBadgeWidth` + 2 and on the left by `leftBadgeWidth` + 3 when those are not negative.
QRectF MCItemCellSubtitleRect(const QRectF &strip, const MCItemCellText &text, double rightBadgeWidth,
                              double leftBadgeWidth);

// Badge places from the badge's size (not made integral).
QRectF MCBadgeLabelColorRect(const QRectF &imageRect, const QSizeF &badge);   // top right, 2 in
QRectF MCBadgeMediaSourceRect(const QRectF &imagePart, const QSizeF &badge);  // top-left corner of the part
QRectF MCBadgeMissingRect(const QRectF &imageRect, const QSizeF &badge);      // bottom left, 2 in
QRectF MCBadgeMovieRect(const QRectF &imageRect, const QSizeF &badge);        // bottom-right corner
QRectF MCBadgeMarkedRect(const QRectF &strip, const QSizeF &badge);           // strip bottom right, 2 in
QRectF MCBadgeFlaggedRect(const QRectF &strip, const QSizeF &badge);          // strip bottom left, 3 in
// The 17-point strip along the bottom left of the picture: 2 wide, plus each set flag's badge
// width + 2, plus `rating` × (star width + 2) for a rating of 1 to 5 (other ratings add none).
QRectF MCBadgeFlagsRect(const QRectF &imageRect, const QList<double> &flagBadgeWidths, qint64 rating,
                        double starWidth);
inline constexpr double kMCBadgeFlagsHeight = 17.0;

// Header cell: one line of height `lineHeight`, vertically centred in the band G.
QRectF MCHeaderCellTitleRect(const QRectF &band, double lineHeight);       // from x + 10, band width
QRectF MCHeaderCellSubtitleRect(const QRectF &band, double lineHeight);    // from x, width − 10
QRectF MCHeaderCellMiddleTitleRect(const QRectF &band, double lineHeight); // from x + 10, width − 20
inline constexpr double kMCHeaderCellHeight = 28.0;
