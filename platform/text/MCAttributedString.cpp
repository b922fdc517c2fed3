#include "platform/text/MCAttributedString.h"

#include <QTextCursor>
#include <QTextDocument>

void MCTextAttributes::addEntriesFrom(const MCTextAttributes &other)
{
    if (other.font)
        font = other.font;
    if (other.foregroundColor)
        foregroundColor = other.foregroundColor;
    if (other.paragraphStyle)
        paragraphStyle = other.paragraphStyle;
    if (other.strokeColor)
        strokeColor = other.strokeColor;
    if (other.strokeWidth)
        strokeWidth = other.strokeWidth;
}

void MCAttributedString::append(const QString &text, const MCTextAttributes &attributes)
{
    if (text.isEmpty())
        return;
    if (!m_runs.isEmpty() && m_runs.last().attributes == attributes)
        m_runs.last().length += text.size();
    else
        m_runs.append({m_string.size(), text.size(), attributes});
    m_string.append(text);
}

MCTextAttributes MCAttributedString::attributesAtIndex(qsizetype index) const
{
    for (const Run &run : m_runs) {
        if (index >= run.location && index < run.location + run.length)
            return run.attributes;
    }
    return {};
}

std::unique_ptr<QTextDocument> MCAttributedString::newTextDocument() const
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    bool atParagraphStart = true;
    for (const Run &run : m_runs) {
        QTextCharFormat format;
        if (run.attributes.font)
            format.setFont(*run.attributes.font);
        if (run.attributes.foregroundColor)
            format.setForeground(*run.attributes.foregroundColor);
        const QString text = m_string.mid(run.location, run.length);
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                cursor.insertBlock();
                atParagraphStart = true;
            }
            if (lines.at(i).isEmpty())
                continue;
            if (atParagraphStart) {
                QTextBlockFormat block;
                if (run.attributes.paragraphStyle) {
                    const MCParagraphStyle &style = *run.attributes.paragraphStyle;
                    block.setBottomMargin(style.paragraphSpacing);
                    block.setLeftMargin(style.headIndent);
                    block.setTextIndent(style.firstLineHeadIndent - style.headIndent);
                }
                cursor.setBlockFormat(block);
                atParagraphStart = false;
            }
            cursor.insertText(lines.at(i), format);
        }
    }
    return document;
}
