#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <cstdint>

#include <memory>
#include <optional>

class QTextDocument;

// Paragraph attributes of styled text, in points.
struct MCParagraphStyle
{
    double paragraphSpacing = 0;    // space after the paragraph
    double firstLineHeadIndent = 0; // indent of the paragraph's first line
    double headIndent = 0;          // indent of its other lines
    // Alignment of the lines, in the platform's numbers: 0 left, 1 right, 2 centre,
    // 3 justified, 4 natural (the writing direction's start).
    uint64_t alignment = 0;
    bool operator==(const MCParagraphStyle &) const = default;
};

// The attributes of a run of styled text. An unset attribute is absent, not a default, so
// that nested styles can inherit it.
struct MCTextAttributes
{
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<MCParagraphStyle> paragraphStyle;
    std::optional<QColor> strokeColor; // outline colour
    // Outline width in pixels of the drawing (not a share of the point size); its presence
    // alone turns outlining on.
    std::optional<double> strokeWidth;

    bool isEmpty() const { return !font && !foregroundColor && !paragraphStyle && !strokeColor && !strokeWidth; }
    // Sets every attribute that `other` sets, replacing the receiver's.
    void addEntriesFrom(const MCTextAttributes &other);
    bool operator==(const MCTextAttributes &) const = default;
};

// Text whose runs carry attributes. Appending text with the attributes of the last run
// extends that run.
class MCAttributedString
{
public:
    struct Run
    {
        qsizetype location = 0;
        qsizetype length = 0;
        MCTextAttributes attributes;
        bool operator==(const Run &) const = default;
    };

    const QString &string() const { return m_string; }
    const QList<Run> &runs() const { return m_runs; }
    qsizetype length() const { return m_string.size(); }
    bool isEmpty() const { return m_string.isEmpty(); }

    void append(const QString &text, const MCTextAttributes &attributes);
    // The attributes of the character at `index`; empty outside the text.
    MCTextAttributes attributesAtIndex(qsizetype index) const;

    // A rich-text document of the text for display in a text view; paragraphs take the
    // paragraph style of their first character.
    std::unique_ptr<QTextDocument> newTextDocument() const;

private:
    QString m_string;
    QList<Run> m_runs;
};
