#include "app/browser/MCBrowserCellGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBackgroundInset = 3.0;
constexpr double kImageInset = 4.0;
constexpr double kTextInset = 3.0;
constexpr double kDefaultImageSide = 512.0;

// The height of the strip under the picture (without the background inset).
double stripHeight(const MCItemCellText &text)
{
    if (text.showsTitle)
        return text.titleHeight + 2 * kTextInset + (text.showsSubtitle ? text.subtitleHeight + kTextInset : 0.0);
    if (text.showsSubtitle)
        return text.subtitleHeight + 2 * kTextInset;
    return 0.0;
}

} // namespace

QRectF MCIntegralRect(const QRectF &rect)
{
    if (!(rect.width() > 0) || !(rect.height() > 0))
        return QRectF();
    const double left = std::floor(rect.left()), top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

double MCItemCellTextHeight(const MCItemCellText &text)
{
    const double frame = 2 * kBackgroundInset + 2 * kImageInset; // 14
    if (text.showsTitle)
        return frame + text.titleHeight + 6.0 + (text.showsSubtitle ? text.subtitleHeight + 3.0 : 0.0);
    if (text.showsSubtitle)
        return frame + text.subtitleHeight + 6.0;
    return frame;
}

QSizeF MCItemCellSizeForBounds(const QRectF &bounds, double scale, const MCItemCellText &text)
{
    const double frame = 2 * kBackgroundInset + 2 * kImageInset;
    const double textHeight = MCItemCellTextHeight(text);
    // A square picture: the aspect of the wanted size is 1 whatever the scale.
    const double wanted = std::max(0.0, kDefaultImageSide * scale);
    const double available = std::max(0.0, std::min(wanted, bounds.width() - frame));
    const double availableHeight = std::max(0.0, std::min(wanted, bounds.height() - textHeight));
    double width, height;
    if (available < availableHeight) { // width-bound
        width = available;
        height = available;
    } else {
        height = availableHeight;
        width = availableHeight;
    }
    return QSizeF(std::trunc(width + frame), std::trunc(height + textHeight));
}

QRectF MCItemCellBackgroundRect(const QRectF &bounds)
{
    return MCIntegralRect(bounds.adjusted(kBackgroundInset, kBackgroundInset, -kBackgroundInset, -kBackgroundInset));
}

QRectF MCItemCellSelectionRect(const QRectF &bounds)
{
    return MCIntegralRect(bounds.adjusted(1, 1, -1, -1));
}

QRectF MCItemCellTitlePartRect(const QRectF &background, const MCItemCellText &text)
{
    if (!text.showsTitle && !text.showsSubtitle)
        return QRectF();
    const double height = stripHeight(text);
    return MCIntegralRect(QRectF(background.left(), background.bottom() - height, background.width(), height));
}

QRectF MCItemCellImagePartRect(const QRectF &background, const MCItemCellText &text)
{
    const QRectF strip = MCItemCellTitlePartRect(background, text);
    return QRectF(background.left(), background.top(), background.width(), background.height() - strip.height());
}

QRectF MCItemCellImageRect(const QRectF &part, const QSizeF &imageSize, bool centreVertically)
{
    QRectF r = part.adjusted(kImageInset, kImageInset, -kImageInset, -kImageInset);
    if (imageSize.width() > 0 && imageSize.height() > 0 && r.width() > 0 && r.height() > 0) {
        const double aspect = imageSize.width() / imageSize.height();
        if (r.height() * aspect > r.width()) { // wide: full width
            const double height = r.width() / aspect;
            if (centreVertically)
                r.moveTop(r.top() + (r.height() - height) / 2);
            r.setHeight(height);
        } else { // tall: full height, centred across
            const double width = r.height() * aspect;
            r.moveLeft(r.left() + (r.width() - width) / 2);
            r.setWidth(width);
        }
    }
    return MCIntegralRect(r);
}

QRectF MCItemCellTitleRect(const QRectF &strip, const MCItemCellText &text)
{
    if (!text.showsTitle)
        return QRectF();
    const QRectF r = strip.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
    return MCIntegralRect(QRectF(r.left(), r.top(), r.width(), text.titleHeight));
}

QRectF MCItemCellSubtitleRect(const QRectF &strip, const MCItemCellText &text, double rightBadgeWidth,
                              double leftBadgeWidth)
{
    if (!text.showsSubtitle)
        return QRectF();
    const QRectF inset = strip.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
    QRectF r(inset.left(), inset.top(), inset.width(), text.subtitleHeight);
    if (text.showsTitle)
        r.moveTop(r.top() + text.titleHeight + kTextInset);
    if (rightBadgeWidth >= 0)
        r.setWidth(r.width() - (rightBadgeWidth + 2.0));
    if (leftBadgeWidth >= 0)
        r.setLeft(r.left() + leftBadgeWidth + 3.0);
    return MCIntegralRect(r);
}

QRectF MCBadgeLabelColorRect(const QRectF &imageRect, const QSizeF &badge)
{
    return QRectF(QPointF(imageRect.right() - badge.width() - 2.0, imageRect.top() + 2.0), badge);
}

QRectF MCBadgeMediaSourceRect(const QRectF &imagePart, const QSizeF &badge)
{
    return QRectF(imagePart.topLeft(), badge);
}

QRectF MCBadgeMissingRect(const QRectF &imageRect, const QSizeF &badge)
{
    return QRectF(QPointF(imageRect.left() + 2.0, imageRect.bottom() - badge.height() - 2.0), badge);
}

QRectF MCBadgeMovieRect(const QRectF &imageRect, const QSizeF &badge)
{
    return QRectF(QPointF(imageRect.right() - badge.width(), imageRect.bottom() - badge.height()), badge);
}

QRectF MCBadgeMarkedRect(const QRectF &strip, const QSizeF &badge)
{
    return QRectF(QPointF(strip.right() - badge.width() - 2.0, strip.bottom() - badge.height() - 2.0), badge);
}

QRectF MCBadgeFlaggedRect(const QRectF &strip, const QSizeF &badge)
{
    return QRectF(QPointF(strip.left() + 3.0, strip.bottom() - badge.height() - 3.0), badge);
}

QRectF MCBadgeFlagsRect(const QRectF &imageRect, const QList<double> &flagBadgeWidths, qint64 rating,
                        double starWidth)
{
    double width = 2.0;
    for (double badge : flagBadgeWidths)
        width += badge + 2.0;
    if (rating >= 1 && rating <= 5)
        width += double(rating) * (starWidth + 2.0);
    return QRectF(std::trunc(imageRect.left()), std::trunc(imageRect.bottom() - kMCBadgeFlagsHeight), width,
                  kMCBadgeFlagsHeight);
}

namespace {
double centredLineTop(const QRectF &band, double lineHeight)
{
    return std::trunc(band.top() + band.height() / 2 - lineHeight / 2);
}
} // namespace

QRectF MCHeaderCellTitleRect(const QRectF &band, double lineHeight)
{
    return QRectF(std::trunc(band.left() + 10.0), centredLineTop(band, lineHeight), band.width(), std::ceil(lineHeight));
}

QRectF MCHeaderCellSubtitleRect(const QRectF &band, double lineHeight)
{
    return QRectF(band.left(), centredLineTop(band, lineHeight), band.width() - 10.0, std::ceil(lineHeight));
}

QRectF MCHeaderCellMiddleTitleRect(const QRectF &band, double lineHeight)
{
    return QRectF(std::trunc(band.left() + 10.0), centredLineTop(band, lineHeight), band.width() - 20.0,
                  std::ceil(lineHeight));
}
