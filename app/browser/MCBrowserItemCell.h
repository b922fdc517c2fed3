#pragma once

// The cells of the photo grid. MCBrowserItemCell draws one photo: a framed thumbnail on a light
// part, a coloured text strip with the file name and a one-line summary, and small badges for
// the photo's state (label colour, flag, marked or locked, a strip of flags and stars along
// the bottom of the picture, the library it came from, movie and missing marks).
// MCMediaBrowserItemCell is the plainer variant for picking a picture from a small collection:
// a framed picture with a title under it and a rounded selection.
//
// The grid owns one cell and refills it for every item it draws, so the cell keeps no state
// beyond the last fill. Geometry comes from MCBrowserCellGeometry; badge pictures from
// MCBrowserImages, and a badge whose picture is missing is simply not drawn.
#include "app/browser/MCBrowserCellGeometry.h"
#include "halvard/browser/MCBrowserViewCell.h"
#include "halvard/ui/MCStretchableImage.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <memory>

class MCFile;
class MCThumbnail;

// How one line of a cell's text is drawn: colour, font, alignment and where a line too long is
// cut. (Styled text runs use MCTextAttributes; this is the cells' plainer form.)
struct MCCellTextAttributes {
    QColor color;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    Qt::TextElideMode elideMode = Qt::ElideRight;

    bool operator==(const MCCellTextAttributes &other) const = default;
};
// Draws `text` on one line in `rect`, cut with an ellipsis to the rect's width.
void MCDrawTextInRect(QPainter *painter, const QString &text, const QRectF &rect, const MCCellTextAttributes &attributes);
// The platform's line height of a font, as the cells measure their text lines:
// ceil(ascent + descent + leading + 1).
double MCTextLineHeight(const QFont &font);

class MCBrowserItemCell : public MCBrowserViewCell
{
public:
    static constexpr double defaultImageWidth = 512.0;
    static constexpr double defaultImageHeight = 512.0;

    explicit MCBrowserItemCell(QWidget *controlView = nullptr);
    ~MCBrowserItemCell() override;
    // A copy with every property but the alternate image.
    virtual std::unique_ptr<MCBrowserItemCell> copy() const;

    // ---- properties
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QString subtitle() const { return m_subtitle; }
    void setSubtitle(const QString &subtitle) { m_subtitle = subtitle; }
    const MCStretchableImage &defaultBackgroundImage() const { return m_defaultBackgroundImage; }
    void setDefaultBackgroundImage(const MCStretchableImage &image) { m_defaultBackgroundImage = image; }
    const MCStretchableImage &alternateBackgroundImage() const { return m_alternateBackgroundImage; }
    void setAlternateBackgroundImage(const MCStretchableImage &image) { m_alternateBackgroundImage = image; }
    const MCCellTextAttributes &defaultTitleAttributes() const { return m_defaultTitleAttributes; }
    void setDefaultTitleAttributes(const MCCellTextAttributes &a) { m_defaultTitleAttributes = a; }
    const MCCellTextAttributes &alternateTitleAttributes() const { return m_alternateTitleAttributes; }
    void setAlternateTitleAttributes(const MCCellTextAttributes &a) { m_alternateTitleAttributes = a; }
    const MCCellTextAttributes &defaultSubtitleAttributes() const { return m_defaultSubtitleAttributes; }
    void setDefaultSubtitleAttributes(const MCCellTextAttributes &a) { m_defaultSubtitleAttributes = a; }
    const MCCellTextAttributes &alternateSubtitleAttributes() const { return m_alternateSubtitleAttributes; }
    void setAlternateSubtitleAttributes(const MCCellTextAttributes &a) { m_alternateSubtitleAttributes = a; }
    // Stored by the fill (the placeholder for a photo without picture); not drawn.
    const QImage &alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QImage &image) { m_alternateImage = image; }

    bool shouldShowTitle() const { return m_shouldShowTitle; }
    void setShouldShowTitle(bool show) { m_shouldShowTitle = show; }
    bool shouldShowSubtitle() const { return m_shouldShowSubtitle; }
    void setShouldShowSubtitle(bool show) { m_shouldShowSubtitle = show; }
    bool shouldShowBadgeFlagged() const { return m_shouldShowBadgeFlagged; }
    void setShouldShowBadgeFlagged(bool show) { m_shouldShowBadgeFlagged = show; }
    bool shouldShowBadgeLabel() const { return m_shouldShowBadgeLabel; }
    void setShouldShowBadgeLabel(bool show) { m_shouldShowBadgeLabel = show; }
    bool shouldShowBadgeFlags() const { return m_shouldShowBadgeFlags; }
    void setShouldShowBadgeFlags(bool show) { m_shouldShowBadgeFlags = show; }
    bool shouldShowBadgeSource() const { return m_shouldShowBadgeSource; }
    void setShouldShowBadgeSource(bool show) { m_shouldShowBadgeSource = show; }
    bool shouldFrameImage() const { return m_shouldFrameImage; }
    void setShouldFrameImage(bool frame) { m_shouldFrameImage = frame; }

    bool isMissing() const { return m_missing; }
    void setMissing(bool value) { m_missing = value; }
    bool isMovie() const { return m_movie; }
    void setMovie(bool value) { m_movie = value; }
    bool isMarked() const { return m_marked; }
    void setMarked(bool value) { m_marked = value; }
    bool isFlagged() const { return m_flagged; }
    void setFlagged(bool value) { m_flagged = value; }
    bool isFavorite() const { return m_favorite; }
    void setFavorite(bool value) { m_favorite = value; }
    bool isStoredOnCloud() const { return m_storedOnCloud; }
    void setStoredOnCloud(bool value) { m_storedOnCloud = value; }
    bool isRejected() const { return m_rejected; }
    void setRejected(bool value) { m_rejected = value; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool value) { m_hidden = value; }
    bool isReferenced() const { return m_referenced; }
    void setReferenced(bool value) { m_referenced = value; }
    bool isLocked() const { return m_locked; }
    void setLocked(bool value) { m_locked = value; }
    // 0 none, 1 to 5 the library the photo was picked from.
    qint64 mediaSource() const { return m_mediaSource; }
    void setMediaSource(qint64 source) { m_mediaSource = source; }
    // 0 none, 1 to 5 stars; other values draw no stars.
    quint64 starRating() const { return m_starRating; }
    void setStarRating(quint64 rating) { m_starRating = rating; }
    // 0 none, 1 red, 2 orange, 3 yellow, 4 green, 5 blue, 6 violet, 7 grey.
    quint64 labelColor() const { return m_labelColor; }
    void setLabelColor(quint64 color) { m_labelColor = color; }

    // The alternate background and attributes for marked items, else the default ones.
    const MCStretchableImage &actualBackgroundImage() const;
    virtual const MCCellTextAttributes &actualTitleAttributes() const;
    virtual const MCCellTextAttributes &actualSubtitleAttributes() const;

    // Badge pictures for the current state (null when none applies or the picture is missing).
    QImage labelColorBadgeImage() const;
    QImage markedBadgeImage() const;
    QImage flaggedBadgeImage() const;
    QImage mediaSourceBadgeImage() const;
    QImage movieBadgeImage() const;
    QImage missingBadgeImage() const;
    QImage favoriteBadgeImage() const;
    QImage cloudBadgeImage() const;
    QImage referencedBadgeImage() const;
    QImage hiddenBadgeImage() const;
    QImage rejectedBadgeImage() const;
    QImage ratingStarImage() const;
    // The picture the cell shows: the thumbnail, or the empty-photo placeholder.
    QImage displayedImage() const;

    // Heights of the text lines: the system font (13) and the small system font (11).
    double defaultTitleHeight() const;
    double defaultSubtitleHeight() const;
    MCItemCellText textLayout() const;

    // ---- filling
    // The thumbnail's picture (none without a thumbnail) and the photo's texts and states.
    // Parts not shown keep the values of the previous photo.
    void prepareToShowBrowserItem(const MCFile &item, const MCThumbnail *thumbnail);

    // ---- geometry
    using MCBrowserViewCell::cellSizeForBounds;
    QSizeF cellSizeForBounds(const QRectF &bounds, double scale) override;
    virtual QRectF backgroundRectForBounds(const QRectF &bounds) const;
    virtual QRectF selectionRectForBounds(const QRectF &bounds) const;
    virtual QRectF imagePartRectForBounds(const QRectF &bounds) const;
    virtual QRectF titlePartRectForBounds(const QRectF &bounds) const;
    virtual QRectF imageRectForImagePartRect(const QRectF &part) const;
    QRectF titleRectForTitlePartRect(const QRectF &strip) const;
    QRectF subtitleRectForTitlePartRect(const QRectF &strip) const;
    QRectF imageRectForBounds(const QRectF &bounds) override { return imageRectForImagePartRect(imagePartRectForBounds(bounds)); }
    QRectF titleRectForBounds(const QRectF &bounds) const { return titleRectForTitlePartRect(titlePartRectForBounds(bounds)); }
    QRectF subtitleRectForBounds(const QRectF &bounds) const
    {
        return subtitleRectForTitlePartRect(titlePartRectForBounds(bounds));
    }
    QRectF badgeLabelColorRectForImageRect(const QRectF &image) const;
    QRectF badgeMediaSourceRectForImagePartRect(const QRectF &part) const;
    QRectF badgeMissingRectForImageRect(const QRectF &image) const;
    QRectF badgeMovieRectForImageRect(const QRectF &image) const;
    QRectF badgeFlagsRectForImageRect(const QRectF &image) const;
    QRectF badgeMarkedRectForTitlePartRect(const QRectF &strip) const;
    QRectF badgeFlaggedRectForTitlePartRect(const QRectF &strip) const;
    // Whether the flags strip is drawn: a favourite, cloud, referenced, hidden or rejected flag,
    // or a rating of 1 to 5, with the strip switched on and the photo not missing.
    virtual bool showsBadgeFlags() const;

    // 1 in the picture, 2 in the title, 3 in the subtitle, 0 elsewhere.
    quint64 hitTestAtPoint(const QPointF &point, const QRectF &frame) const;

    // ---- drawing
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *view) override;
    virtual void drawBackgroundInRect(QPainter *painter, const QRectF &rect);
    virtual void drawSelectionInBounds(QPainter *painter, const QRectF &rect);
    virtual void drawImagePartInRect(QPainter *painter, const QRectF &part);
    virtual void drawImagePartBackgroundInRect(QPainter *painter, const QRectF &part);
    void drawImageInRect(QPainter *painter, const QRectF &rect) override;
    virtual void drawImageFrameInRect(QPainter *painter, const QRectF &rect);
    virtual void drawTitlePartInRect(QPainter *painter, const QRectF &strip);
    virtual void drawTitlePartBackgroundInRect(QPainter *painter, const QRectF &strip);
    virtual void drawTitleInRect(QPainter *painter, const QRectF &rect);
    virtual void drawSubtitleInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeLabelColorInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeMediaSourceInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeMovieInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeMissingInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeFlagsInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeMarkedInRect(QPainter *painter, const QRectF &rect);
    virtual void drawBadgeFlaggedInRect(QPainter *painter, const QRectF &rect);

    // The colour of the text strip: grey 0.37 when locked, dark red when marked, else dark green.
    QColor titlePartBackgroundColor() const;

protected:
    // The set-up steps of the constructor; a subclass calls its own again to change the look.
    virtual void setupDefaultBackgroundImage();
    virtual void setupAlternateBackgroundImage();
    virtual void setupDefaultTitleAttributes();
    virtual void setupAlternateTitleAttributes();
    virtual void setupDefaultSubtitleAttributes();
    virtual void setupAlternateSubtitleAttributes();

    // Whether the view needs the rect drawn: always without a view or a clip, else when the
    // rect meets the painter's clip.
    static bool needsToDrawRect(QPainter *painter, QWidget *view, const QRectF &rect);
    static void drawBadge(QPainter *painter, const QImage &badge, const QPointF &origin);
    // The widths of the set flags' badges, in strip order (missing pictures left out).
    QList<QImage> flagBadgeImages() const;

private:
    QString m_title, m_subtitle;
    MCStretchableImage m_defaultBackgroundImage, m_alternateBackgroundImage;
    MCCellTextAttributes m_defaultTitleAttributes, m_alternateTitleAttributes;
    MCCellTextAttributes m_defaultSubtitleAttributes, m_alternateSubtitleAttributes;
    QImage m_alternateImage;
    bool m_shouldShowTitle = true, m_shouldShowSubtitle = true, m_shouldShowBadgeFlagged = true;
    bool m_shouldShowBadgeLabel = true, m_shouldShowBadgeFlags = true, m_shouldShowBadgeSource = true;
    bool m_shouldFrameImage = true;
    bool m_missing = false, m_movie = false, m_marked = false, m_flagged = false, m_favorite = false;
    bool m_storedOnCloud = false, m_rejected = false, m_hidden = false, m_referenced = false, m_locked = false;
    qint64 m_mediaSource = 0;
    quint64 m_starRating = 0;
    quint64 m_labelColor = 0;
};

class MCMediaBrowserItemCell : public MCBrowserItemCell
{
public:
    explicit MCMediaBrowserItemCell(QWidget *controlView = nullptr);
    std::unique_ptr<MCBrowserItemCell> copy() const override;

    const MCCellTextAttributes &actualTitleAttributes() const override;
    const MCCellTextAttributes &actualSubtitleAttributes() const override;

    QRectF backgroundRectForBounds(const QRectF &bounds) const override;
    QRectF selectionRectForBounds(const QRectF &bounds) const override;
    QRectF imagePartRectForBounds(const QRectF &bounds) const override;
    QRectF imageRectForImagePartRect(const QRectF &part) const override;
    QRectF badgeFlaggedRectForImageRect(const QRectF &image) const;
    bool showsBadgeFlags() const override;

    void drawBackgroundInRect(QPainter *painter, const QRectF &rect) override;
    void drawSelectionInBounds(QPainter *painter, const QRectF &rect) override;
    void drawImagePartInRect(QPainter *painter, const QRectF &part) override;
    void drawImageFrameInRect(QPainter *painter, const QRectF &rect) override;
    void drawTitlePartInRect(QPainter *painter, const QRectF &strip) override;
    // A picture without text.
    QImage dragImageWithSize(const QSizeF &size, QPointF *offset = nullptr) override;

protected:
    void setupDefaultTitleAttributes() override;
    void setupAlternateTitleAttributes() override;
};

// The header line above each group: a band with a left title, a right subtitle and an optional
// centred middle title, 28 points high and as wide as the grid.
class MCBrowserHeaderCell : public MCBrowserViewCell
{
public:
    explicit MCBrowserHeaderCell(QWidget *controlView = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QString subtitle() const { return m_subtitle; }
    void setSubtitle(const QString &subtitle) { m_subtitle = subtitle; }
    QString middleTitle() const { return m_middleTitle; }
    void setMiddleTitle(const QString &title) { m_middleTitle = title; }
    QColor backgroundFillColor() const { return m_backgroundFillColor; }
    void setBackgroundFillColor(const QColor &color) { m_backgroundFillColor = color; }
    QColor backgroundStrokeColor() const { return m_backgroundStrokeColor; }
    void setBackgroundStrokeColor(const QColor &color) { m_backgroundStrokeColor = color; }
    bool shouldShowTitle() const { return m_shouldShowTitle; }
    void setShouldShowTitle(bool show) { m_shouldShowTitle = show; }
    bool shouldShowSubtitle() const { return m_shouldShowSubtitle; }
    void setShouldShowSubtitle(bool show) { m_shouldShowSubtitle = show; }
    bool shouldShowMiddleTitle() const { return m_shouldShowMiddleTitle; }
    void setShouldShowMiddleTitle(bool show) { m_shouldShowMiddleTitle = show; }

    MCCellTextAttributes defaultTitleAttributes, alternateTitleAttributes;
    MCCellTextAttributes defaultSubtitleAttributes, alternateSubtitleAttributes;
    MCCellTextAttributes defaultMiddleTitleAttributes, alternateMiddleTitleAttributes;
    // The default attributes are the ones drawn.
    const MCCellTextAttributes &actualTitleAttributes() const { return defaultTitleAttributes; }
    const MCCellTextAttributes &actualSubtitleAttributes() const { return defaultSubtitleAttributes; }
    const MCCellTextAttributes &actualMiddleTitleAttributes() const { return defaultMiddleTitleAttributes; }
    // The line height of the small system font, for all three texts.
    double defaultTitleHeight() const;
    double defaultSubtitleHeight() const { return defaultTitleHeight(); }
    double defaultMiddleTitleHeight() const { return defaultTitleHeight(); }

    using MCBrowserViewCell::cellSizeForBounds;
    // The bounds' width by 28, at any scale.
    QSizeF cellSizeForBounds(const QRectF &bounds, double scale) override;
    QRectF backgroundRectForBounds(const QRectF &bounds) const { return bounds; }
    QRectF titleRectForBounds(const QRectF &bounds) const;
    QRectF subtitleRectForBounds(const QRectF &bounds) const;
    QRectF middleTitleRectForBounds(const QRectF &bounds) const;
    QRectF imageRectForBounds(const QRectF &) override { return QRectF(); }

    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *view) override;
    void drawBackgroundInRect(QPainter *painter, const QRectF &rect);
    void drawTitleInRect(QPainter *painter, const QRectF &rect);
    void drawSubtitleInRect(QPainter *painter, const QRectF &rect);
    void drawMiddleTitleInRect(QPainter *painter, const QRectF &rect);
    void drawImageInRect(QPainter *, const QRectF &) override {}

private:
    QString m_title, m_subtitle, m_middleTitle;
    QColor m_backgroundFillColor, m_backgroundStrokeColor;
    bool m_shouldShowTitle = true, m_shouldShowSubtitle = true, m_shouldShowMiddleTitle = true;
};
