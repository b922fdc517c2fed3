#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QTextDocument;

// Paragraph attributes of styled text, in points.
struct MCParagraphStyle
{
    double paragraphSpacing = 0;    // space after the paragraph
    double firstLineHeadIndent = 0; // indent of the paragraph's first line
    double headIndent = 0;          // indent of its other lines
    bool operator==(const MCParagraphStyle &) const = default;
};

// The attributes of a run of styled text. An unset attribute is absent, not a default, so
// that nested styles can inherit it.
struct MCTextAttributes
{
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<MCParagraphStyle> paragraphStyle;

    bool isEmpty() const { return !font && !foregroundColor && !paragraphStyle; }
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
