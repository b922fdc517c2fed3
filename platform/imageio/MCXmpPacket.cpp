#include "platform/imageio/MCXmpPacket.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QList>
#include <QSet>

namespace platform {
namespace {

const QString kRdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString kXmlNamespace = QStringLiteral("http://www.w3.org/XML/1998/namespace");

bool isRdf(const QDomNode &node, const char *localName)
{
    return node.namespaceURI() == kRdf && node.localName() == QLatin1String(localName);
}

// An attribute that is a property (or a field of a structure) rather than RDF syntax, a
// language tag or a namespace declaration.
bool isPropertyAttribute(const QDomAttr &attribute)
{
    const QString ns = attribute.namespaceURI();
    return !ns.isEmpty() && ns != kRdf && ns != kXmlNamespace && !attribute.name().startsWith(QLatin1String("xmlns"));
}

// Walks the RDF tree node by node, noting every property a node names a second time.
class Mender
{
public:
    QList<QDomAttr> repeatedAttributes;
    QList<QDomElement> repeatedElements;

    // The properties of one node: its property attributes, then its property elements.
    void node(const QDomElement &element, QSet<QString> &seen)
    {
        const QDomNamedNodeMap attributes = element.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            if (!isPropertyAttribute(attribute))
                continue;
            const QString name = attribute.namespaceURI() + attribute.localName();
            if (seen.contains(name))
                repeatedAttributes << attribute;
            else
                seen.insert(name);
        }
        for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
            if (child.namespaceURI() == kRdf)
                continue;
            const QString name = child.namespaceURI() + child.localName();
            if (seen.contains(name)) {
                repeatedElements << child;
            } else {
                seen.insert(name);
                value(child);
            }
        }
    }

    // The value of one property element: a structure (its fields form a node of their own),
    // an array whose items are values, or plain text.
    void value(const QDomElement &property)
    {
        QSet<QString> fields;
        if (property.attributeNS(kRdf, QStringLiteral("parseType")) == QLatin1String("Resource")) {
            node(property, fields);
            return;
        }
        // Fields written as attributes of the property element itself.
        const QDomNamedNodeMap attributes = property.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            if (isPropertyAttribute(attribute))
                fields.insert(attribute.namespaceURI() + attribute.localName());
        }
        for (QDomElement child = property.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
            if (isRdf(child, "Description")) {
                node(child, fields);
            } else if (isRdf(child, "Bag") || isRdf(child, "Seq") || isRdf(child, "Alt")) {
                for (QDomElement item = child.firstChildElement(); !item.isNull(); item = item.nextSiblingElement())
                    if (isRdf(item, "li"))
                        value(item);
            }
        }
    }
};

QDomElement findRdf(const QDomElement &element)
{
    if (isRdf(element, "RDF"))
        return element;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QDomElement found = findRdf(child);
        if (!found.isNull())
            return found;
    }
    return {};
}

} // namespace

QByteArray xmpPacketWithoutRepeatedProperties(const QByteArray &packet)
{
    QDomDocument document;
    if (!document.setContent(packet, true))
        return {};
    const QDomElement rdf = findRdf(document.documentElement());
    if (rdf.isNull())
        return {};
    // Every top-level description describes the same resource: their properties are one set.
    Mender mender;
    QSet<QString> seen;
    for (QDomElement description = rdf.firstChildElement(); !description.isNull();
         description = description.nextSiblingElement())
        if (isRdf(description, "Description"))
            mender.node(description, seen);
    if (mender.repeatedAttributes.isEmpty() && mender.repeatedElements.isEmpty())
        return {};
    for (QDomAttr &attribute : mender.repeatedAttributes)
        attribute.ownerElement().removeAttributeNode(attribute);
    for (QDomElement &element : mender.repeatedElements)
        element.parentNode().removeChild(element);
    return document.toByteArray(-1);
}

} // namespace platform
