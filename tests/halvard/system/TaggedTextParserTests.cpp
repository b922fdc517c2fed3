#include "halvard/system/MCTaggedTextParser.h"

#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

MCAttributedString parse(const char *xml) { return MCTaggedTextParser().attributedStringFromData(QByteArray(xml)); }

MCTextAttributes style(const char *tag) { return MCTaggedTextParser::defaultStyleMap().value(QString::fromLatin1(tag)); }

} // namespace

TEST(TaggedTextParser, BlocksGetTheirStyleAndEndWithANewline)
{
    const MCAttributedString text = parse("<page>\n  <h1>Title</h1>\n  <li>Item</li>\n</page>");
    EXPECT_EQ(text.string(), QStringLiteral("Title\nItem\n"));
    EXPECT_EQ(text.attributesAtIndex(0), style("h1"));
    EXPECT_EQ(text.attributesAtIndex(5), style("h1")); // the newline takes the ending element's style
    EXPECT_EQ(text.attributesAtIndex(6), style("li"));
    ASSERT_TRUE(style("h1").font && style("lli").paragraphStyle);
    EXPECT_EQ(style("h1").font->pointSizeF(), 17.0);
    EXPECT_EQ(style("lli").paragraphStyle->headIndent, 24.0);
    EXPECT_EQ(text.runs().size(), 2);
}

TEST(TaggedTextParser, NestedTagsInherit)
{
    const MCAttributedString text =
        parse("<p><li>a<em>b</em><i><b>c</b></i><x>d</x><br/>e</li><lli>f</lli><zz>dropped</zz></p>");
    EXPECT_EQ(text.string(), QStringLiteral("abcd\ne\nf\n"));

    const MCTextAttributes li = style("li");
    const MCTextAttributes em = text.attributesAtIndex(1);
    EXPECT_EQ(em.font, li.font);
    EXPECT_EQ(em.paragraphStyle, li.paragraphStyle);
    EXPECT_EQ(em.foregroundColor, style("em").foregroundColor);
    EXPECT_NE(em.foregroundColor, li.foregroundColor);

    const MCTextAttributes boldItalic = text.attributesAtIndex(2);
    ASSERT_TRUE(boldItalic.font);
    EXPECT_TRUE(boldItalic.font->bold());
    EXPECT_TRUE(boldItalic.font->italic());
    EXPECT_EQ(boldItalic.font->pointSizeF(), 13.0);

    EXPECT_EQ(text.attributesAtIndex(3), li); // unknown tags are transparent
    EXPECT_EQ(text.attributesAtIndex(4), li); // "br" ends with the enclosing style
    EXPECT_EQ(text.attributesAtIndex(7), style("lli"));
}

TEST(TaggedTextParser, ReadsFilesAndRejectsMalformedText)
{
    // Bold outside any font has nothing to embolden, and unstyled text stays out.
    EXPECT_TRUE(parse("<p><b>x</b></p>").isEmpty());
    EXPECT_TRUE(parse("<p><li>read</li><h1>broken</p>").isEmpty()); // part was read, still empty
    EXPECT_TRUE(parse("").isEmpty());
    EXPECT_TRUE(parse("<p><li>&undefined;</li></p>").isEmpty());

    // Tags compare case-sensitively: <LI> is unknown.
    EXPECT_TRUE(parse("<p><LI>x</LI></p>").isEmpty());

    MCTaggedTextParser::StyleMap custom;
    MCTextAttributes red;
    red.foregroundColor = QColor(Qt::red);
    custom.insert(QStringLiteral("warn"), red);
    const QString path = testsupport::makeTemporaryFolder() + QStringLiteral("/tip.xml");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><tip><warn>Back up &amp; verify ✓</warn></tip>");
    }
    MCTaggedTextParser parser(custom);
    const MCAttributedString text = parser.attributedStringFromURL(path);
    EXPECT_EQ(text.string(), QStringLiteral("Back up & verify ✓"));
    EXPECT_EQ(text.attributesAtIndex(0), red);
    EXPECT_TRUE(parser.attributedStringFromURL(path + QStringLiteral(".missing")).isEmpty());

    const auto document = MCTaggedTextParser().attributedStringFromData("<p><h1>T</h1><li>I</li></p>").newTextDocument();
    EXPECT_EQ(document->toPlainText(), QStringLiteral("T\nI\n"));
}
