#include "halvard/system/MCTaggedTextParser.h"

#include "halvard/system/MCStringExtensions.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QXmlStreamReader>

namespace {

bool isTag(const QString &name, const char *tag)
{
    return MCStringExtensions::isEqualString(name, QLatin1String(tag));
}

QFont systemFont(double points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(points);
    return font;
}

MCTextAttributes blockStyle(double points, MCParagraphStyle paragraph, const QColor &label)
{
    MCTextAttributes attributes;
    attributes.font = systemFont(points);
    attributes.foregroundColor = label;
    attributes.paragraphStyle = paragraph;
    return attributes;
}

} // namespace

MCTaggedTextParser::MCTaggedTextParser() : MCTaggedTextParser(defaultStyleMap()) {}

MCTaggedTextParser::MCTaggedTextParser(StyleMap styleMap) : m_styleMap(std::move(styleMap)) {}

MCTaggedTextParser::StyleMap MCTaggedTextParser::defaultStyleMap()
{
    const QColor label = QGuiApplication::palette().color(QPalette::WindowText);
    StyleMap map;
    map.insert(QStringLiteral("h1"), blockStyle(17, {16, 0, 0}, label));
    map.insert(QStringLiteral("h2"), blockStyle(14, {16, 0, 0}, label));
    map.insert(QStringLiteral("li"), blockStyle(13, {8, 0, 0}, label));
    map.insert(QStringLiteral("lli"), blockStyle(13, {8, 24, 24}, label));
    MCTextAttributes emphasis;
    emphasis.foregroundColor = QColor::fromHsvF(212.0 / 360.0, 0.5, 1.0, 1.0);
    map.insert(QStringLiteral("em"), emphasis);
    return map;
}

MCAttributedString MCTaggedTextParser::attributedStringFromURL(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return attributedStringFromData(file.readAll());
}

MCAttributedString MCTaggedTextParser::attributedStringFromData(const QByteArray &data)
{
    m_attributedString = {};
    m_attributesStack.clear();
    QXmlStreamReader reader(data);
    bool sawRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            sawRoot = true;
            didStartElement(reader.name().toString());
            break;
        case QXmlStreamReader::EndElement:
            didEndElement(reader.name().toString());
            break;
        case QXmlStreamReader::Characters:
            foundCharacters(reader.text().toString());
            break;
        default:
            break;
        }
    }
    MCAttributedString result;
    if (!reader.hasError() && sawRoot)
        result = m_attributedString;
    m_attributedString = {};
    m_attributesStack.clear();
    return result;
}

void MCTaggedTextParser::didStartElement(const QString &name)
{
    MCTextAttributes attributes = m_attributesStack.isEmpty() ? MCTextAttributes() : m_attributesStack.last();
    const auto style = m_styleMap.constFind(name);
    if (style != m_styleMap.constEnd() && !style->isEmpty())
        attributes.addEntriesFrom(*style);
    // Without an inherited font there is nothing to make bold or italic; the element then
    // leaves the attributes as they are.
    if (attributes.font) {
        if (isTag(name, "b"))
            attributes.font->setBold(true);
        else if (isTag(name, "i"))
            attributes.font->setItalic(true);
    }
    m_attributesStack.append(attributes);
}

void MCTaggedTextParser::didEndElement(const QString &name)
{
    if (m_attributesStack.isEmpty())
        return;
    if (isTag(name, "h1") || isTag(name, "h2") || isTag(name, "li") || isTag(name, "lli") || isTag(name, "br"))
        m_attributedString.append(QStringLiteral("\n"), m_attributesStack.last());
    m_attributesStack.removeLast();
}

void MCTaggedTextParser::foundCharacters(const QString &text)
{
    if (!m_attributesStack.isEmpty() && !m_attributesStack.last().isEmpty())
        m_attributedString.append(text, m_attributesStack.last());
}
