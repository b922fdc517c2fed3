#pragma once

#include "platform/text/MCAttributedString.h"

#include <QHash>
#include <QList>
#include <QString>

// Turns a small tagged text file (well-formed XML) into styled text. The style map gives,
// for each tag, the attributes its content gets; tags nest and inherit what they don't set.
// "b" and "i" make the inherited font bold or italic; "h1", "h2", "li", "lli" and the empty
// tag "br" end with a line break. Only styled text appears: text directly inside the root or
// inside elements that nothing styles (whitespace between blocks, say) is dropped. Unknown
// tags are transparent. Tag names compare case-sensitively.
class MCTaggedTextParser
{
public:
    using StyleMap = QHash<QString, MCTextAttributes>;

    MCTaggedTextParser();
    explicit MCTaggedTextParser(StyleMap styleMap);

    // "h1" 17 pt, "h2" 14 pt, "li" and "lli" (indented) 13 pt system font in the label colour;
    // "em" a light blue.
    static StyleMap defaultStyleMap();

    const StyleMap &styleMap() const { return m_styleMap; }
    void setStyleMap(const StyleMap &styleMap) { m_styleMap = styleMap; }

    // The styled text of the file; empty when it can't be read or isn't well-formed, even if
    // part of it was read.
    MCAttributedString attributedStringFromURL(const QString &path);
    // The same for text already in memory.
    MCAttributedString attributedStringFromData(const QByteArray &data);

private:
    void didStartElement(const QString &name);
    void didEndElement(const QString &name);
    void foundCharacters(const QString &text);

    StyleMap m_styleMap;
    MCAttributedString m_attributedString;
    QList<MCTextAttributes> m_attributesStack;
};
