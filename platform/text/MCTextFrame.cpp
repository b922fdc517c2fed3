#include "platform/text/MCTextFrame.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

// Fonts are resolved against a 72-dpi device, so that a point is one pixel.
const QPaintDevice *pointIsPixelDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(2835); // 72.0 dpi after rounding
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return &device;
}

// Unhinted outlines and metrics, so that measuring and drawing are the same on every machine
// and at every size.
QFont layoutFont(const std::optional<QFont> &given)
{
    QFont font;
    if (given) {
        font = *given;
    } else {
        font.setPointSizeF(12);
    }
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

struct Segment
{
    qsizetype start;
    qsizetype end;
};

// The text's lines without their breaks; "\r\n" counts as one break.
std::vector<Segment> hardLines(const QString &text)
{
    std::vector<Segment> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text.at(i)))
            continue;
        lines.push_back({start, i});
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    lines.push_back({start, text.size()});
    return lines;
}

QRectF unitedIgnoringEmpty(const QRectF &a, const QRectF &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a.united(b);
}

} // namespace

QPainterPath MCTextRun::glyphPath(qsizetype i, const QPointF &origin) const
{
    // Outlines come y-down from the baseline; the drawing space is y-up.
    const QPointF at = origin + positions.at(i);
    return QTransform(1, 0, 0, -1, at.x(), at.y()).map(font.pathForGlyph(glyphs.at(i)));
}

bool MCTextLine::hasGlyphs() const
{
    return std::any_of(runs.begin(), runs.end(), [](const MCTextRun &run) { return !run.isEmpty(); });
}

MCTextFrame::MCTextFrame(const MCAttributedString &text)
{
    const QString &string = text.string();
    struct Laid
    {
        MCTextLine line;
        double width;
        double ascent;
        double height;
        uint64_t alignment;
        bool rightToLeft;
    };
    std::vector<Laid> laid;
    for (const Segment &segment : hardLines(string)) {
        const QString lineText = string.mid(segment.start, segment.end - segment.start);
        const MCTextAttributes first = text.attributesAtIndex(segment.start);
        QTextLayout layout(lineText, layoutFont(first.font), const_cast<QPaintDevice *>(pointIsPixelDevice()));
        QList<QTextLayout::FormatRange> formats;
        struct Span
        {
            qsizetype from, length;
            const MCTextAttributes *attributes;
        };
        std::vector<Span> spans;
        for (const MCAttributedString::Run &run : text.runs()) {
            const qsizetype from = std::max(run.location, segment.start);
            const qsizetype to = std::min(run.location + run.length, segment.end);
            if (from >= to)
                continue;
            QTextLayout::FormatRange range;
            range.start = int(from - segment.start);
            range.length = int(to - from);
            range.format.setFont(layoutFont(run.attributes.font), QTextCharFormat::FontPropertiesAll);
            formats.append(range);
            spans.push_back({from - segment.start, to - from, &run.attributes});
        }
        layout.setFormats(formats);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setUseDesignMetrics(true);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLeadingIncluded(true);
        line.setLineWidth(1e7);
        line.setPosition(QPointF(0, 0));
        layout.endLayout();

        Laid entry;
        const double baseline = line.ascent();
        for (const Span &span : spans) {
            for (const QGlyphRun &glyphRun : line.glyphRuns(int(span.from), int(span.length))) {
                MCTextRun run;
                run.font = glyphRun.rawFont();
                run.glyphs = glyphRun.glyphIndexes();
                run.attributes = *span.attributes;
                for (const QPointF &p : glyphRun.positions())
                    run.positions.append(QPointF(p.x(), baseline - p.y()));
                for (qsizetype i = 0; i < run.glyphs.size(); ++i)
                    entry.line.glyphPathBounds =
                        unitedIgnoringEmpty(entry.line.glyphPathBounds, run.glyphPath(i, QPointF()).boundingRect());
                entry.line.runs.push_back(std::move(run));
            }
        }
        entry.width = line.naturalTextWidth();
        entry.ascent = line.ascent();
        entry.height = line.height();
        entry.line.opticalBounds = QRectF(0, -line.descent(), entry.width, line.ascent() + line.descent());
        entry.alignment = first.paragraphStyle ? first.paragraphStyle->alignment : 0;
        entry.rightToLeft = lineText.isRightToLeft();
        laid.push_back(std::move(entry));
    }

    double width = 0, height = 0;
    for (const Laid &entry : laid) {
        width = std::max(width, entry.width);
        height += entry.height;
    }
    m_size = QSizeF(width, height);
    double top = 0; // distance of the line's top below the frame's top
    for (Laid &entry : laid) {
        double x = 0;
        const uint64_t alignment = entry.alignment == 4 ? (entry.rightToLeft ? 1 : 0) : entry.alignment;
        if (alignment == 1)
            x = width - entry.width;
        else if (alignment == 2)
            x = (width - entry.width) / 2;
        m_origins.push_back(QPointF(x, height - top - entry.ascent));
        top += entry.height;
        m_lines.push_back(std::move(entry.line));
    }
}

void MCTextContext::setUpPainter(QPainter &painter, int height)
{
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, double(height)));
}

void MCTextContext::drawGlyph(const MCTextRun &run, qsizetype i) const
{
    const QPainterPath path = run.glyphPath(i, textPosition);
    painter->fillPath(path, fillColor);
    if (fillThenStroke && lineWidth > 0) {
        // The platform's defaults: mitred joins, butt ends.
        QPen pen(strokeColor, lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter->strokePath(path, pen);
    }
}
