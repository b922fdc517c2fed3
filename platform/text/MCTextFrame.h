#pragma once

#include "platform/text/MCAttributedString.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

// Styled text laid out in lines, with the glyphs of each run and the lines' origins: what the
// watermark drawing measures and draws glyph by glyph. Coordinates are the drawing
// convention's: one unit is one pixel, the origin is the lower-left corner, y grows upward. A
// font size in points is the same number of pixels.

// One run of glyphs that share a font and attributes.
struct MCTextRun
{
    QRawFont font;                // the font the glyphs belong to (the font asked for, or a fallback)
    QList<quint32> glyphs;        // glyph indexes in `font`
    QList<QPointF> positions;     // each glyph's origin relative to the line's origin, y up
    MCTextAttributes attributes;  // the run's own attributes

    bool isEmpty() const { return glyphs.isEmpty(); }
    // The outline of glyph `i` placed at `origin` + its position, upright in a y-up space.
    QPainterPath glyphPath(qsizetype i, const QPointF &origin) const;
};

// One line: its runs in order and its two kinds of bounds, relative to its origin (the
// baseline's left end).
struct MCTextLine
{
    std::vector<MCTextRun> runs;
    // The box of the glyphs' ink (outlines); an empty rectangle when no glyph has ink.
    QRectF glyphPathBounds;
    // The typographic box: from the origin to the line's advance width, from the descent
    // below the baseline to the ascent above it.
    QRectF opticalBounds;

    bool hasGlyphs() const;
};

// The whole text laid out without a width limit: lines break only at the text's own line
// breaks (line feed, carriage return, both together, line and paragraph separators), and the
// frame is as wide as its widest line. Each line is aligned inside that width by the paragraph
// style of its first character; the first line is the top one. Fonts absent from a run use the
// default family at 12 points; a family the system lacks falls back to the default family.
class MCTextFrame
{
public:
    explicit MCTextFrame(const MCAttributedString &text);

    const std::vector<MCTextLine> &lines() const { return m_lines; }
    // The baseline origin of each line in the frame.
    const std::vector<QPointF> &lineOrigins() const { return m_origins; }
    // The frame's size: the widest line by the sum of the line heights.
    QSizeF size() const { return m_size; }

private:
    std::vector<MCTextLine> m_lines;
    std::vector<QPointF> m_origins;
    QSizeF m_size;
};

// The text state of a drawing: the painter works in a y-up space (as CGContext::paint() or
// setUpPainter() set it up); glyphs are placed relative to the text
// position; fill and stroke colours, the line width and whether glyphs are stroked are set by
// the runs as they are drawn.
struct MCTextContext
{
    QPainter *painter = nullptr;
    QPointF textPosition;
    QColor fillColor = Qt::black;
    QColor strokeColor = Qt::black;
    double lineWidth = 1.0;
    bool fillThenStroke = false; // otherwise fill only

    // Sets up a painter over an image `height` pixels high for drawing in a y-up space, with
    // antialiasing.
    static void setUpPainter(QPainter &painter, int height);
    // Draws glyph `i` of `run` at the text position plus its own position.
    void drawGlyph(const MCTextRun &run, qsizetype i) const;
};
