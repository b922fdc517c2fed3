#include "app/browser/MCBrowserItemCell.h"

#include "app/browser/MCBrowserImages.h"
#include "app/library/MCFile.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "halvard/imageio/MCResourceLoader.h"
#include "halvard/ui/MCViewGeometry.h"

#include <QFontMetricsF>
#include <QPainterPath>

#include <cmath>

namespace {

// The subtitle's pieces: capture date, pixel size and file size.
constexpr quint64 kSubtitleMask = 42;

QImage badgeNamed(const char *name)
{
    return MCBrowserImages::imageNamed(QString::fromLatin1(name));
}

QSizeF pointSize(const QImage &image)
{
    return MCBrowserImages::pointSize(image);
}

MCCellTextAttributes attributes(const QColor &color, MCControlSize size, Qt::Alignment alignment,
                            Qt::TextElideMode elide)
{
    return MCCellTextAttributes{color, MCControlFont(size), alignment, elide};
}

QColor hsb(double hue, double saturation, double brightness)
{
    return QColor::fromHsvF(float(hue), float(saturation), float(brightness), 1.0f);
}

} // namespace

void MCDrawTextInRect(QPainter *painter, const QString &text, const QRectF &rect, const MCCellTextAttributes &attributes)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    painter->save();
    painter->setFont(attributes.font);
    painter->setPen(attributes.color);
    const QFontMetricsF metrics(attributes.font);
    const QString shown = metrics.elidedText(text, attributes.elideMode, rect.width());
    painter->drawText(rect, int(attributes.alignment | Qt::AlignTop) | Qt::TextSingleLine, shown);
    painter->restore();
}

double MCTextLineHeight(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return std::ceil(metrics.ascent() + metrics.descent() + metrics.leading() + 1.0);
}

// ---- item cell ------------------------------------------------------------------------------

MCBrowserItemCell::MCBrowserItemCell(QWidget *controlView) : MCBrowserViewCell(controlView)
{
    setupDefaultBackgroundImage();
    setupAlternateBackgroundImage();
    setupDefaultTitleAttributes();
    setupAlternateTitleAttributes();
    setupDefaultSubtitleAttributes();
    setupAlternateSubtitleAttributes();
}

MCBrowserItemCell::~MCBrowserItemCell() = default;

std::unique_ptr<MCBrowserItemCell> MCBrowserItemCell::copy() const
{
    auto cell = std::make_unique<MCBrowserItemCell>(*this);
    cell->m_alternateImage = QImage();
    return cell;
}

void MCBrowserItemCell::setupDefaultBackgroundImage()
{
    // Corners and edges only: the artwork's centre is transparent.
    m_defaultBackgroundImage = MCStretchableImage(badgeNamed("CellBackground"), QMarginsF(6, 6, 6, 6));
}

void MCBrowserItemCell::setupAlternateBackgroundImage()
{
    m_alternateBackgroundImage = MCStretchableImage(badgeNamed("CellBackground"), QMarginsF(6, 6, 6, 6));
}

void MCBrowserItemCell::setupDefaultTitleAttributes()
{
    m_defaultTitleAttributes = attributes(Qt::white, MCControlSize::Regular, Qt::AlignHCenter, Qt::ElideMiddle);
}

void MCBrowserItemCell::setupAlternateTitleAttributes()
{
    m_alternateTitleAttributes = attributes(Qt::white, MCControlSize::Regular, Qt::AlignHCenter, Qt::ElideMiddle);
}

void MCBrowserItemCell::setupDefaultSubtitleAttributes()
{
    m_defaultSubtitleAttributes = attributes(Qt::white, MCControlSize::Small, Qt::AlignHCenter, Qt::ElideRight);
}

void MCBrowserItemCell::setupAlternateSubtitleAttributes()
{
    m_alternateSubtitleAttributes = attributes(Qt::white, MCControlSize::Small, Qt::AlignHCenter, Qt::ElideRight);
}

const MCStretchableImage &MCBrowserItemCell::actualBackgroundImage() const
{
    return m_marked ? m_alternateBackgroundImage : m_defaultBackgroundImage;
}

const MCCellTextAttributes &MCBrowserItemCell::actualTitleAttributes() const
{
    return m_marked ? m_alternateTitleAttributes : m_defaultTitleAttributes;
}

const MCCellTextAttributes &MCBrowserItemCell::actualSubtitleAttributes() const
{
    return m_marked ? m_alternateSubtitleAttributes : m_defaultSubtitleAttributes;
}

QImage MCBrowserItemCell::labelColorBadgeImage() const
{
    static const char *const names[] = {"CircleRed",  "CircleOrange", "CircleYellow", "CircleGreen",
                                        "CircleBlue", "CircleViolet", "CircleGray"};
    if (m_labelColor < 1 || m_labelColor > 7)
        return QImage();
    return badgeNamed(names[m_labelColor - 1]);
}

QImage MCBrowserItemCell::markedBadgeImage() const { return badgeNamed(m_locked ? "LockedBadge" : "MarkedBadge"); }
QImage MCBrowserItemCell::flaggedBadgeImage() const { return badgeNamed("Flagged"); }

QImage MCBrowserItemCell::mediaSourceBadgeImage() const
{
    // The libraries a photo can be picked from, each with a badge of our own.
    static const char *const names[] = {"SourceBadgeAlbum", "SourceBadgeDarkroom", "SourceBadgeCatalog",
                                        "SourceBadgeGallery", "SourceBadgeStudio"};
    if (m_mediaSource < 1 || m_mediaSource > 5)
        return QImage();
    return badgeNamed(names[m_mediaSource - 1]);
}

QImage MCBrowserItemCell::movieBadgeImage() const { return badgeNamed("VideoBadge"); }
QImage MCBrowserItemCell::missingBadgeImage() const { return badgeNamed("BadgeMissing"); }
QImage MCBrowserItemCell::favoriteBadgeImage() const { return badgeNamed("Favorite"); }
QImage MCBrowserItemCell::cloudBadgeImage() const { return badgeNamed("Cloud"); }
QImage MCBrowserItemCell::referencedBadgeImage() const { return badgeNamed("Referenced"); }
QImage MCBrowserItemCell::hiddenBadgeImage() const { return badgeNamed("Hidden"); }
QImage MCBrowserItemCell::rejectedBadgeImage() const { return badgeNamed("Rejected"); }
QImage MCBrowserItemCell::ratingStarImage() const { return badgeNamed("RatingStar"); }

QImage MCBrowserItemCell::displayedImage() const
{
    return image().isNull() ? badgeNamed("EmptyPhoto") : image();
}

double MCBrowserItemCell::defaultTitleHeight() const
{
    return MCTextLineHeight(MCControlFont(MCControlSize::Regular));
}

double MCBrowserItemCell::defaultSubtitleHeight() const
{
    return MCTextLineHeight(MCControlFont(MCControlSize::Small));
}

MCItemCellText MCBrowserItemCell::textLayout() const
{
    return MCItemCellText{m_shouldShowTitle, m_shouldShowSubtitle, defaultTitleHeight(), defaultSubtitleHeight()};
}

void MCBrowserItemCell::prepareToShowBrowserItem(const MCFile &item, const MCThumbnail *thumbnail)
{
    setImage(thumbnail ? thumbnail->image() : QImage());
    if (image().isNull())
        m_alternateImage = badgeNamed(thumbnail ? "MissingFileLandscape" : "EmptyPhoto");
    if (m_shouldShowTitle)
        m_title = item.browserItemTitle();
    if (m_shouldShowSubtitle)
        m_subtitle = item.browserItemSubtitleWithMask(kSubtitleMask);
    if (m_shouldShowBadgeFlagged)
        m_flagged = item.isBrowserItemFlagged();
    if (m_shouldShowBadgeLabel)
        m_labelColor = quint64(std::max<qint64>(0, item.browserItemLabel().value_or(0)));
    if (m_shouldShowBadgeFlags)
        m_starRating = quint64(std::max<qint64>(0, item.browserItemRating().toLongLong()));
    m_marked = item.isBrowserItemMarked();
    m_rejected = item.isBrowserItemRejected();
    m_hidden = item.isBrowserItemHidden();
    m_locked = item.isBrowserItemLocked();
}

// ---- geometry

QSizeF MCBrowserItemCell::cellSizeForBounds(const QRectF &bounds, double scale)
{
    return MCItemCellSizeForBounds(bounds, scale, textLayout());
}

QRectF MCBrowserItemCell::backgroundRectForBounds(const QRectF &bounds) const { return MCItemCellBackgroundRect(bounds); }
QRectF MCBrowserItemCell::selectionRectForBounds(const QRectF &bounds) const { return MCItemCellSelectionRect(bounds); }

QRectF MCBrowserItemCell::titlePartRectForBounds(const QRectF &bounds) const
{
    return MCItemCellTitlePartRect(backgroundRectForBounds(bounds), textLayout());
}

QRectF MCBrowserItemCell::imagePartRectForBounds(const QRectF &bounds) const
{
    return MCItemCellImagePartRect(backgroundRectForBounds(bounds), textLayout());
}

QRectF MCBrowserItemCell::imageRectForImagePartRect(const QRectF &part) const
{
    return MCItemCellImageRect(part, pointSize(displayedImage()), !m_shouldShowTitle && !m_shouldShowSubtitle);
}

QRectF MCBrowserItemCell::titleRectForTitlePartRect(const QRectF &strip) const
{
    return MCItemCellTitleRect(strip, textLayout());
}

QRectF MCBrowserItemCell::subtitleRectForTitlePartRect(const QRectF &strip) const
{
    double right = -1, left = -1;
    // A badge whose picture is missing is not drawn and takes no room.
    if ((m_marked || m_locked) && !markedBadgeImage().isNull())
        right = pointSize(markedBadgeImage()).width();
    if (m_shouldShowBadgeFlagged && m_flagged && !flaggedBadgeImage().isNull())
        left = pointSize(flaggedBadgeImage()).width();
    return MCItemCellSubtitleRect(strip, textLayout(), right, left);
}

QRectF MCBrowserItemCell::badgeLabelColorRectForImageRect(const QRectF &image) const
{
    return MCBadgeLabelColorRect(image, pointSize(labelColorBadgeImage()));
}

QRectF MCBrowserItemCell::badgeMediaSourceRectForImagePartRect(const QRectF &part) const
{
    return MCBadgeMediaSourceRect(part, pointSize(mediaSourceBadgeImage()));
}

QRectF MCBrowserItemCell::badgeMissingRectForImageRect(const QRectF &image) const
{
    return MCBadgeMissingRect(image, pointSize(missingBadgeImage()));
}

QRectF MCBrowserItemCell::badgeMovieRectForImageRect(const QRectF &image) const
{
    return MCBadgeMovieRect(image, pointSize(movieBadgeImage()));
}

QList<QImage> MCBrowserItemCell::flagBadgeImages() const
{
    QList<QImage> badges;
    const std::pair<bool, QImage> flags[] = {
        {m_favorite, m_favorite ? favoriteBadgeImage() : QImage()},
        {m_storedOnCloud, m_storedOnCloud ? cloudBadgeImage() : QImage()},
        {m_referenced, m_referenced ? referencedBadgeImage() : QImage()},
        {m_hidden, m_hidden ? hiddenBadgeImage() : QImage()},
        {m_rejected, m_rejected ? rejectedBadgeImage() : QImage()},
    };
    for (const auto &[set, badge] : flags)
        if (set)
            badges.append(badge); // a null picture keeps its place in the order but takes no room
    return badges;
}

QRectF MCBrowserItemCell::badgeFlagsRectForImageRect(const QRectF &image) const
{
    QList<double> widths;
    for (const QImage &badge : flagBadgeImages())
        if (!badge.isNull())
            widths.append(pointSize(badge).width());
    const QImage star = ratingStarImage();
    const qint64 rating = star.isNull() ? 0 : qint64(std::min<quint64>(m_starRating, 6));
    return MCBadgeFlagsRect(image, widths, rating, pointSize(star).width());
}

QRectF MCBrowserItemCell::badgeMarkedRectForTitlePartRect(const QRectF &strip) const
{
    return MCBadgeMarkedRect(strip, pointSize(markedBadgeImage()));
}

QRectF MCBrowserItemCell::badgeFlaggedRectForTitlePartRect(const QRectF &strip) const
{
    return MCBadgeFlaggedRect(strip, pointSize(flaggedBadgeImage()));
}

bool MCBrowserItemCell::showsBadgeFlags() const
{
    if (m_missing || !m_shouldShowBadgeFlags)
        return false;
    return m_favorite || m_storedOnCloud || m_referenced || m_hidden || m_rejected
        || (m_starRating >= 1 && m_starRating <= 5);
}

quint64 MCBrowserItemCell::hitTestAtPoint(const QPointF &point, const QRectF &frame) const
{
    auto *self = const_cast<MCBrowserItemCell *>(this);
    if (self->imageRectForBounds(frame).contains(point))
        return 1;
    if (titleRectForBounds(frame).contains(point))
        return 2;
    if (subtitleRectForBounds(frame).contains(point))
        return 3;
    return 0;
}

QColor MCBrowserItemCell::titlePartBackgroundColor() const
{
    if (m_locked)
        return MCColorQuillon::colorWithWhite(0.37);
    if (m_marked)
        return hsb(0.0, 0.5, 0.45);
    return hsb(1.0 / 3.0, 0.5, 0.45);
}

// ---- drawing

bool MCBrowserItemCell::needsToDrawRect(QPainter *painter, QWidget *view, const QRectF &rect)
{
    if (!view || !painter->hasClipping())
        return true;
    return painter->clipBoundingRect().intersects(rect);
}

void MCBrowserItemCell::drawBadge(QPainter *painter, const QImage &badge, const QPointF &origin)
{
    if (badge.isNull())
        return;
    painter->drawImage(QRectF(origin, pointSize(badge)), badge);
}

void MCBrowserItemCell::drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *view)
{
    const QRectF background = backgroundRectForBounds(frame);
    if (!needsToDrawRect(painter, view, background.adjusted(-3, -3, 3, 3)))
        return;
    painter->save();
    drawBackgroundInRect(painter, background);
    if (isSelected() || isSelectedAlternate()) {
        const QRectF selection = selectionRectForBounds(frame);
        if (needsToDrawRect(painter, view, selection.adjusted(-1, -1, 1, 1)))
            drawSelectionInBounds(painter, selection);
    }
    const QRectF part = imagePartRectForBounds(frame);
    if (needsToDrawRect(painter, view, part))
        drawImagePartInRect(painter, part);
    if (m_shouldShowTitle || m_shouldShowSubtitle) {
        const QRectF strip = titlePartRectForBounds(frame);
        if (needsToDrawRect(painter, view, strip))
            drawTitlePartInRect(painter, strip);
    }
    painter->restore();
}

void MCBrowserItemCell::drawBackgroundInRect(QPainter *painter, const QRectF &rect)
{
    const MCStretchableImage &background = actualBackgroundImage();
    if (background.isNull())
        return;
    // The frame reaches 3 beyond the sides and 5 below: room for its shadow.
    background.draw(painter, QRectF(rect.left() - 3.0, rect.top() - 1.0, rect.width() + 6.0, rect.height() + 6.0));
}

void MCBrowserItemCell::drawSelectionInBounds(QPainter *painter, const QRectF &rect)
{
    const QColor stroke = isSelected() ? MCColorQuillon::browserCellSelectionStrokeColor()
                                       : MCColorQuillon::browserAlternateCellSelectionStrokeColor();
    painter->save();
    painter->setPen(QPen(stroke, 2.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect);
    painter->restore();
}

void MCBrowserItemCell::drawImagePartInRect(QPainter *painter, const QRectF &part)
{
    drawImagePartBackgroundInRect(painter, part);
    const QRectF imageRect = imageRectForImagePartRect(part);
    drawImageInRect(painter, imageRect);
    if (m_shouldFrameImage && !image().isNull())
        drawImageFrameInRect(painter, imageRect);
    if (m_shouldShowBadgeLabel && m_labelColor != 0)
        drawBadgeLabelColorInRect(painter, badgeLabelColorRectForImageRect(imageRect));
    if (m_shouldShowBadgeSource && m_mediaSource != 0)
        drawBadgeMediaSourceInRect(painter, badgeMediaSourceRectForImagePartRect(part));
    if (m_movie)
        drawBadgeMovieInRect(painter, badgeMovieRectForImageRect(imageRect));
    if (m_missing)
        drawBadgeMissingInRect(painter, badgeMissingRectForImageRect(imageRect));
    else if (showsBadgeFlags())
        drawBadgeFlagsInRect(painter, badgeFlagsRectForImageRect(imageRect));
}

void MCBrowserItemCell::drawImagePartBackgroundInRect(QPainter *painter, const QRectF &part)
{
    painter->fillRect(part, MCColorQuillon::colorWithWhite(0.87));
}

void MCBrowserItemCell::drawImageInRect(QPainter *painter, const QRectF &rect)
{
    const QImage shown = displayedImage();
    if (shown.isNull() || rect.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(rect, shown);
    painter->restore();
}

void MCBrowserItemCell::drawImageFrameInRect(QPainter *painter, const QRectF &rect)
{
    painter->save();
    painter->setPen(QPen(MCColorQuillon::colorWithWhite(0.0, 0.65), 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->restore();
}

void MCBrowserItemCell::drawBadgeLabelColorInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, labelColorBadgeImage(), rect.topLeft());
}

void MCBrowserItemCell::drawBadgeMediaSourceInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, mediaSourceBadgeImage(), rect.topLeft());
}

void MCBrowserItemCell::drawBadgeMovieInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, movieBadgeImage(), rect.topLeft());
}

void MCBrowserItemCell::drawBadgeMissingInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, missingBadgeImage(), rect.topLeft());
}

void MCBrowserItemCell::drawBadgeFlagsInRect(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, MCColorQuillon::colorWithWhite(0.0, 0.67));
    double pen = rect.left();
    const std::pair<bool, QImage> flags[] = {
        {m_favorite, favoriteBadgeImage()}, {m_storedOnCloud, cloudBadgeImage()},
        {m_referenced, referencedBadgeImage()}, {m_hidden, hiddenBadgeImage()},
        {m_rejected, rejectedBadgeImage()},
    };
    for (std::size_t i = 0; i < std::size(flags); ++i) {
        const auto &[set, badge] = flags[i];
        if (!set || badge.isNull())
            continue;
        const bool referenced = i == 2; // sits one point lower
        const QPointF origin(pen + 2.0, rect.top() + (referenced ? 2.0 : 1.0));
        drawBadge(painter, badge, origin);
        pen = origin.x() + pointSize(badge).width();
    }
    const QImage star = ratingStarImage();
    if (star.isNull() || m_starRating < 1 || m_starRating > 5)
        return;
    QPointF origin(pen + 2.0, rect.top() + 2.0);
    for (quint64 i = 0; i < m_starRating; ++i) {
        drawBadge(painter, star, origin);
        origin.rx() += pointSize(star).width() + 2.0;
    }
}

void MCBrowserItemCell::drawTitlePartInRect(QPainter *painter, const QRectF &strip)
{
    drawTitlePartBackgroundInRect(painter, strip);
    if (m_shouldShowTitle)
        drawTitleInRect(painter, titleRectForTitlePartRect(strip));
    if (m_shouldShowSubtitle)
        drawSubtitleInRect(painter, subtitleRectForTitlePartRect(strip));
    if (m_marked || m_locked)
        drawBadgeMarkedInRect(painter, badgeMarkedRectForTitlePartRect(strip));
    if (m_shouldShowBadgeFlagged && m_flagged)
        drawBadgeFlaggedInRect(painter, badgeFlaggedRectForTitlePartRect(strip));
}

void MCBrowserItemCell::drawTitlePartBackgroundInRect(QPainter *painter, const QRectF &strip)
{
    painter->fillRect(strip, titlePartBackgroundColor());
}

void MCBrowserItemCell::drawTitleInRect(QPainter *painter, const QRectF &rect)
{
    MCDrawTextInRect(painter, m_title, rect, actualTitleAttributes());
}

void MCBrowserItemCell::drawSubtitleInRect(QPainter *painter, const QRectF &rect)
{
    MCDrawTextInRect(painter, m_subtitle, rect, actualSubtitleAttributes());
}

void MCBrowserItemCell::drawBadgeMarkedInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, markedBadgeImage(), rect.topLeft());
}

void MCBrowserItemCell::drawBadgeFlaggedInRect(QPainter *painter, const QRectF &rect)
{
    drawBadge(painter, flaggedBadgeImage(), rect.topLeft());
}

// ---- media cell -----------------------------------------------------------------------------

MCMediaBrowserItemCell::MCMediaBrowserItemCell(QWidget *controlView) : MCBrowserItemCell(controlView)
{
    setShouldShowSubtitle(false);
    setupDefaultTitleAttributes();
    setupAlternateTitleAttributes();
}

std::unique_ptr<MCBrowserItemCell> MCMediaBrowserItemCell::copy() const
{
    auto cell = std::make_unique<MCMediaBrowserItemCell>(*this);
    cell->setAlternateImage(QImage());
    return cell;
}

void MCMediaBrowserItemCell::setupDefaultTitleAttributes()
{
    // The system's label text colour (the window text of the palette).
    setDefaultTitleAttributes(attributes(QPalette().color(QPalette::WindowText), MCControlSize::Regular,
                                         Qt::AlignHCenter, Qt::ElideMiddle));
}

void MCMediaBrowserItemCell::setupAlternateTitleAttributes()
{
    setAlternateTitleAttributes(attributes(QPalette().color(QPalette::WindowText), MCControlSize::Regular,
                                           Qt::AlignHCenter, Qt::ElideMiddle));
}

const MCCellTextAttributes &MCMediaBrowserItemCell::actualTitleAttributes() const
{
    return isSelected() ? alternateTitleAttributes() : defaultTitleAttributes();
}

const MCCellTextAttributes &MCMediaBrowserItemCell::actualSubtitleAttributes() const
{
    return isSelected() ? alternateSubtitleAttributes() : defaultSubtitleAttributes();
}

QRectF MCMediaBrowserItemCell::backgroundRectForBounds(const QRectF &bounds) const
{
    return MCIntegralRect(bounds.adjusted(5, 5, -5, -5));
}

QRectF MCMediaBrowserItemCell::selectionRectForBounds(const QRectF &bounds) const
{
    return titlePartRectForBounds(bounds).united(imagePartRectForBounds(bounds)).adjusted(-5, -5, 5, 5);
}

QRectF MCMediaBrowserItemCell::imagePartRectForBounds(const QRectF &bounds) const
{
    // The part hugs the picture, which sits at the bottom, next to the title.
    const QRectF p = MCBrowserItemCell::imagePartRectForBounds(bounds);
    QRectF inner(p.left() + 5, p.top() + 5, p.width() - 10, p.height() - 12);
    const QSizeF size = pointSize(displayedImage());
    if (size.width() > 0 && size.height() > 0 && inner.width() > 0 && inner.height() > 0) {
        const double aspect = size.width() / size.height();
        if (inner.height() * aspect > inner.width()) {
            const double height = inner.width() / aspect;
            inner.setTop(inner.bottom() - height);
        } else {
            const double width = inner.height() * aspect;
            inner.moveLeft(inner.left() + (inner.width() - width) / 2);
            inner.setWidth(width);
        }
    }
    return MCIntegralRect(inner.adjusted(-5, -5, 5, 7));
}

QRectF MCMediaBrowserItemCell::imageRectForImagePartRect(const QRectF &part) const
{
    return QRectF(part.left() + 5, part.top() + 5, part.width() - 10, part.height() - 12);
}

QRectF MCMediaBrowserItemCell::badgeFlaggedRectForImageRect(const QRectF &image) const
{
    return QRectF(QPointF(image.left() + 3.0, image.top() + 2.0), pointSize(flaggedBadgeImage()));
}

bool MCMediaBrowserItemCell::showsBadgeFlags() const
{
    // Stored on the cloud alone opens no strip here.
    if (isMissing() || !shouldShowBadgeFlags())
        return false;
    return isFavorite() || isReferenced() || isHidden() || isRejected() || (starRating() >= 1 && starRating() <= 5);
}

void MCMediaBrowserItemCell::drawBackgroundInRect(QPainter *, const QRectF &) {}

void MCMediaBrowserItemCell::drawSelectionInBounds(QPainter *painter, const QRectF &rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, 3.0, 3.0);
    painter->fillPath(path, MCColorQuillon::colorWithWhite(0.0, 0.21));
}

void MCMediaBrowserItemCell::drawImagePartInRect(QPainter *painter, const QRectF &part)
{
    const QRectF imageRect = imageRectForImagePartRect(part);
    drawImageInRect(painter, imageRect);
    if (shouldFrameImage() && !image().isNull())
        drawImageFrameInRect(painter, part);
    if (shouldShowBadgeLabel() && labelColor() != 0)
        drawBadgeLabelColorInRect(painter, badgeLabelColorRectForImageRect(imageRect));
    if (isMovie())
        drawBadgeMovieInRect(painter, badgeMovieRectForImageRect(imageRect));
    if (isFlagged())
        drawBadge(painter, flaggedBadgeImage(), badgeFlaggedRectForImageRect(imageRect).topLeft());
    if (isMissing())
        drawBadgeMissingInRect(painter, badgeMissingRectForImageRect(imageRect));
    else if (showsBadgeFlags())
        drawBadgeFlagsInRect(painter, badgeFlagsRectForImageRect(imageRect));
}

void MCMediaBrowserItemCell::drawImageFrameInRect(QPainter *painter, const QRectF &rect)
{
    if (!shouldFrameImage())
        return;
    static const char *const pieces[9] = {"MB_B_Left_Top",    "MB_B_Middle_Top",    "MB_B_Right_Top",
                                          "MB_B_Middle_Left", nullptr,              "MB_B_Middle_Right",
                                          "MB_B_Left_Bottom", "MB_B_Middle_Bottom", "MB_B_Right_Bottom"};
    const QList<QRectF> targets = MCNinePartTargetRects(rect, QMarginsF(5, 5, 5, 7));
    for (int i = 0; i < 9 && i < targets.size(); ++i) {
        if (!pieces[i])
            continue; // no centre
        const QImage piece = badgeNamed(pieces[i]);
        if (!piece.isNull() && !targets[i].isEmpty())
            painter->drawImage(targets[i], piece);
    }
}

void MCMediaBrowserItemCell::drawTitlePartInRect(QPainter *painter, const QRectF &strip)
{
    if (shouldShowTitle())
        drawTitleInRect(painter, titleRectForTitlePartRect(strip));
}

QImage MCMediaBrowserItemCell::dragImageWithSize(const QSizeF &size, QPointF *offset)
{
    const QString title = this->title(), subtitle = this->subtitle();
    setTitle(QString());
    setSubtitle(QString());
    QImage image = MCBrowserItemCell::dragImageWithSize(size, offset);
    setTitle(title);
    setSubtitle(subtitle);
    return image;
}

// ---- header cell ----------------------------------------------------------------------------

MCBrowserHeaderCell::MCBrowserHeaderCell(QWidget *controlView) : MCBrowserViewCell(controlView)
{
    const QColor grey = MCColorQuillon::colorWithWhite(0.5);
    defaultTitleAttributes = attributes(grey, MCControlSize::Small, Qt::AlignLeft, Qt::ElideRight);
    alternateTitleAttributes = defaultTitleAttributes;
    defaultSubtitleAttributes = attributes(grey, MCControlSize::Small, Qt::AlignRight, Qt::ElideRight);
    alternateSubtitleAttributes = defaultSubtitleAttributes;
    defaultMiddleTitleAttributes = attributes(grey, MCControlSize::Small, Qt::AlignHCenter, Qt::ElideRight);
    alternateMiddleTitleAttributes = attributes(grey, MCControlSize::Small, Qt::AlignRight, Qt::ElideRight);
    m_backgroundFillColor = MCColorQuillon::browserHeaderCellFillColor();
    m_backgroundStrokeColor = MCColorQuillon::browserHeaderCellStrokeColor();
}

double MCBrowserHeaderCell::defaultTitleHeight() const
{
    return MCTextLineHeight(MCControlFont(MCControlSize::Small));
}

QSizeF MCBrowserHeaderCell::cellSizeForBounds(const QRectF &bounds, double)
{
    return QSizeF(bounds.width(), kMCHeaderCellHeight);
}

QRectF MCBrowserHeaderCell::titleRectForBounds(const QRectF &bounds) const
{
    return m_shouldShowTitle ? MCHeaderCellTitleRect(backgroundRectForBounds(bounds), defaultTitleHeight()) : QRectF();
}

QRectF MCBrowserHeaderCell::subtitleRectForBounds(const QRectF &bounds) const
{
    return m_shouldShowSubtitle ? MCHeaderCellSubtitleRect(backgroundRectForBounds(bounds), defaultSubtitleHeight())
                                : QRectF();
}

QRectF MCBrowserHeaderCell::middleTitleRectForBounds(const QRectF &bounds) const
{
    return m_shouldShowMiddleTitle
               ? MCHeaderCellMiddleTitleRect(backgroundRectForBounds(bounds), defaultMiddleTitleHeight())
               : QRectF();
}

void MCBrowserHeaderCell::drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *)
{
    painter->save();
    drawBackgroundInRect(painter, backgroundRectForBounds(frame));
    if (m_shouldShowTitle)
        drawTitleInRect(painter, titleRectForBounds(frame));
    if (m_shouldShowSubtitle)
        drawSubtitleInRect(painter, subtitleRectForBounds(frame));
    if (m_shouldShowMiddleTitle)
        drawMiddleTitleInRect(painter, middleTitleRectForBounds(frame));
    painter->restore();
}

void MCBrowserHeaderCell::drawBackgroundInRect(QPainter *painter, const QRectF &r)
{
    painter->save();
    painter->fillRect(r, m_backgroundFillColor);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(m_backgroundStrokeColor, 1.0));
    // One line along the top and one along the bottom, on pixel centres.
    painter->drawLine(QPointF(r.left() - 0.5, r.top() + 0.5), QPointF(r.right() + 0.5, r.top() + 0.5));
    painter->drawLine(QPointF(r.left() - 0.5, r.bottom() - 0.5), QPointF(r.right() + 0.5, r.bottom() - 0.5));
    painter->restore();
}

void MCBrowserHeaderCell::drawTitleInRect(QPainter *painter, const QRectF &rect)
{
    MCDrawTextInRect(painter, m_title, rect, actualTitleAttributes());
}

void MCBrowserHeaderCell::drawSubtitleInRect(QPainter *painter, const QRectF &rect)
{
    MCDrawTextInRect(painter, m_subtitle, rect, actualSubtitleAttributes());
}

void MCBrowserHeaderCell::drawMiddleTitleInRect(QPainter *painter, const QRectF &rect)
{
    MCDrawTextInRect(painter, m_middleTitle, rect, actualMiddleTitleAttributes());
}
