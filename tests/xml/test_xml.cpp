// The XML library through its public header, as Config.xml uses it (lookups
// are core/tst_appconfig's): result codes, tree shapes, updates, the written
// bytes, the encoding guess and tables, file input (UTF-16 included).

#include "xml/Xml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

using namespace glint::xml;

namespace {

class Xml : public ::testing::Test {
protected:
    void SetUp() override { resetOptions(); }
    void TearDown() override { resetOptions(); }

    std::string path(const std::string &name) const { return ::testing::TempDir() + "glint_xml_" + name; }
};

const std::string kBom = "\xEF\xBB\xBF";

std::string utf16le(const std::string &ascii, bool bom, bool bigEndian = false)
{
    std::string out = bom ? std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2) : std::string();
    for (char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::string declared(const std::string &name, const std::string &body = "<r/>")
{
    return "<?xml version=\"1.0\" encoding=\"" + name + "\"?>" + body;
}

// A tree on one line: the name ("#" for the document record, "?" before a
// declaration), attributes, 'texts', clear sections as open|content|close,
// then the children in braces, reached by index.
std::string dump(const Node &n)
{
    if (n.isEmpty())
        return "(none)";
    std::string s = !n.name() ? "#" : (n.isDeclaration() ? "?" : "") + std::string(n.name());
    for (int i = 0; i < n.attributeCount(); ++i)
        s += std::string(" ") + n.attribute(i).name + (n.attribute(i).value ? "=" + std::string(n.attribute(i).value) : "");
    for (int i = 0; i < n.textCount(); ++i)
        s += " '" + std::string(n.text(i)) + "'";
    for (int i = 0; i < n.clearCount(); ++i)
        s += " " + std::string(n.clear(i).open) + "|" + n.clear(i).content + "|" + n.clear(i).close;
    for (int i = 0; i < n.childCount(); ++i)
        s += (i ? "; " : " {") + dump(n.child(i)) + (n.child(i).parent() == n ? "" : " (orphan)");
    return n.childCount() ? s + "}" : s;
}

TEST_F(Xml, ParseGivesTheCodeAndWhere)
{
    const struct {
        const char *input;
        int code, line, column;
    } cases[] = {
        {"<?xml version=\"1.0\"?>\n<root a=\"1\"/>", NoError, 0, 0},
        {"<a><b></a>", WarningUnmatchedEndTag, 1, 7},
        {"hello", WarningNoTag, 0, 0},
        {"", ErrorNoData, 0, 0},
        {"<a></>", ErrorMissingEndTagName, 1, 4},
        {"< a/>", ErrorMissingStartTagName, 1, 1},
        {"<a>\n  <b/>\n</c>", ErrorUnmatchedEndTag, 3, 1},
        {"<a><![CDATA[x</a>", ErrorUnmatchedClearTagEnd, 1, 4},
        {"<a", ErrorUnexpectedToken, 1, 3},
        {"<a b=1/>", ErrorUnexpectedToken, 1, 6},
        {"<?xml version=\"1.0\"?>", ErrorNoElements, 0, 0},
        {"<a>&amp</a>", ErrorUnknownEntity, 1, 4},
        {"<a>&#0;</a>", ErrorUnknownEntity, 1, 4},
        {"<a b=\"&bogus;\"/>", ErrorUnknownEntity, 1, 7},
        {"<a>&#256;</a>", ErrorCharCodeAbove255, 1, 4},
        // Past 255 the value stops growing, so it cannot wrap round to 1.
        {"<a>&#4294967297;</a>", ErrorCharCodeAbove255, 1, 4},
    };
    for (const auto &c : cases) {
        Result r;
        Node n = parseString(c.input, nullptr, &r);
        EXPECT_EQ(r.code, c.code) << c.input;
        EXPECT_EQ(r.line, c.line) << c.input;
        EXPECT_EQ(r.column, c.column) << c.input;
        EXPECT_EQ(n.isEmpty(), !keepsTree(c.code)) << c.input;
    }
    // The ends of the text table and what lies outside it.
    EXPECT_STREQ(errorText(0), "No error");
    EXPECT_STREQ(errorText(20), "Error: Base64 decode output buffer is too small");
    EXPECT_STREQ(errorText(21), "Unknown");
}

TEST_F(Xml, TreeShapes)
{
    const struct {
        const char *input;
        std::string tree;
        Encoding encoding = Encoding::Utf8;
    } cases[] = {
        // A declaration gives the document record; a root alone is the result.
        {"<?xml version=\"1.0\"?>\n<root a=\"1\"><c/></root>", "# {?xml version=1.0; root a=1 {c}}"},
        {"<root/><!-- after -->", "# <!--| after |--> {root}"},
        {"<a v=\"&AMP;&Lt;&gt;&quot;&apos;&#65;&#x42;&#X63;\">x &amp; y&#33;</a>", "a v=&<>\"'ABc 'x & y!'"},
        {"<a><![CDATA[ <x> & ]]><!DOCTYPE d [ <!ENTITY e \"v\"> ]><pre>a<b</PRE></a>",
         "a <![CDATA[| <x> & |]]> <!DOCTYPE| d [ <!ENTITY e \"v\"> ]|> <PRE>|a<b|</PRE>"},
        {"<a>\n  <b/>\n</a>", "a {b}"},
        {"<a>  two  words \n</a>", "a 'two  words'"},
        {"<a>x<!-- gone -->y</a>", "a 'xy'"},
        {"<a><!-- kept -->y</a>", "a 'y' <!--| kept |-->"},
        {"<a>&#32;edge&#10;</a>", "a ' edge\n'"},
        // In the double-byte encodings ']' may be the second byte of a
        // character, and then it does not close a CDATA section.
        {"<a><![CDATA[\x81]]>x]]></a>", "a <![CDATA[|\x81]]>x|]]>", Encoding::ShiftJis},
        {"<a><![CDATA[\x81]]>x]]></a>", "a 'x]]>' <![CDATA[|\x81|]]>"},
    };
    for (const auto &c : cases) {
        options().encoding = c.encoding;
        Result r;
        Node n = parseString(c.input, nullptr, &r);
        EXPECT_EQ(r.code, NoError) << c.input;
        EXPECT_EQ(dump(n), c.tree) << c.input;
    }
}

// Updating in place (the stored name kept) and appending are
// core/tst_appconfig's, through Config.xml.
TEST_F(Xml, SetAttributeGrowsTheValue)
{
    Node a = parseString("<a x=\"1\" b=\"v\"/>");
    a.setAttribute("a longer value than before", nullptr, "x");
    EXPECT_EQ(a.createString(), "<a x=\"a longer value than before\" b=\"v\"/>\n");
    EXPECT_FALSE(Node().setAttribute("1", nullptr, "k"));
}

TEST_F(Xml, FileHeaderFollowsTheEncoding)
{
    // UTF-8 with the mark, on its own declaration or one made, is
    // core/tst_appconfig's. A file read in another encoding is written back in it.
    options().encoding = Encoding::ShiftJis;
    EXPECT_EQ(createTopElement("r").createFileText(), "<?xml version=\"1.0\" encoding=\"SHIFT-JIS\"?>\n<r/>\n");
    options().encoding = Encoding::Big5;
    EXPECT_EQ(parseString("<?xml version=\"1.0\"?><r/>").createFileText(), "<?xml version=\"1.0\"?>\n<r/>\n");
}

// Config.xml is written formatted; the unformatted form is only checked to
// read back the same (below and in the fuzz target).
TEST_F(Xml, FormattedText)
{
    // A carriage return is written as a reference even in a text: other
    // readers would fold it into a line feed.
    const char *in = "<r a='x&amp;y&lt;\"' b=\"it's\tok\n\r\"><c>text &lt; &gt;&#13;\xC3\xA9</c><![CDATA[ raw ]]><e/>tail"
                     "</r>";
    Node r = parseString(in);
    EXPECT_EQ(r.createString(true),
              "<r a=\"x&amp;y&lt;&quot;\" b=\"it&apos;s&#9;ok&#10;&#13;\">\n"
              "\t<c>\n"
              "\t\ttext &lt; &gt;&#13;\xC3\xA9\n"
              "\t</c>\n"
              "\t<![CDATA[ raw ]]>\n"
              "\t<e/>\n"
              "\ttail\n"
              "</r>\n");
}

// Written, read and written again, a document gives the same bytes; what
// the first write lost (comments inside text, white space) stays lost.
TEST_F(Xml, WriteParseWriteGivesTheSameBytes)
{
    const char *docs[] = {
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE r>\n<r a=\"1\"><b c='&lt;&amp;&gt;'/>t&amp;t</r>",
        "<r>  lead and trail  <x/>&#32;spaces&#9;</r>",
        "<r>a<!--c-->b<![CDATA[]]>]]&gt;<PRE >p</PRE><pre/></r>",
    };
    for (bool formatted : {true, false}) {
        for (const char *d : docs) {
            Result r1;
            const std::string w1 = parseString(d, nullptr, &r1).createString(formatted);
            ASSERT_EQ(r1.code, NoError) << d;
            Result r2;
            Node second = parseString(w1.c_str(), nullptr, &r2);
            ASSERT_EQ(r2.code, NoError) << w1;
            EXPECT_EQ(second.createString(formatted), w1) << d;
        }
    }
    // An element named PRE keeps a space in its tag: "<PRE>" would read back
    // as a clear section, and the same bytes would hide the change of shape.
    EXPECT_EQ(parseString("<r><PRE >p</PRE></r>").createString(false), "<r><PRE >p</PRE></r>");
}

TEST_F(Xml, EncodingGuess)
{
    const std::string pad(30, ' ');
    // Only 200 bytes are looked at: a name cut there is compared as it stands
    // ("shift-j"). A character cut at the end of what is looked at is no fault.
    const std::string cutName = std::string(176, ' ') + "<?xml encoding=\"shift-jis\"?>";
    const struct {
        const char *what;
        std::string bytes;
        Encoding expected;
        std::size_t size = std::string::npos; // the scans see only these, with more behind them
    } cases[] = {
        {"utf-16 text", utf16le("<?xml version=\"1.0\"?><root/>", true), Encoding::None},
        {"byte-order mark", kBom + "<r>" + pad + "</r>", Encoding::Utf8},
        {"declared utf-8, valid", declared("UTF-8", "<r>\xC3\xA9</r>"), Encoding::Utf8},
        {"declared utf-8, not valid", declared("utf-8", "<r>\xE9t\xE9</r>"), Encoding::None},
        {"Shift-JIS", declared("Shift-JIS"), Encoding::ShiftJis},
        {"gbk", declared("GBK"), Encoding::Gbk},
        {"iso-8859-1", declared("ISO-8859-1"), Encoding::SingleByte},
        {"blanks around", "<?xml version='1.0' encoding \t=\r\n' gbk '?><r/>", Encoding::Gbk},
        {"no declaration, valid", "<r>\xE6\x97\xA5\xE6\x9C\xAC" + pad + "</r>", Encoding::Utf8},
        {"no declaration, not valid", "<r>caf\xE9 au lait, cr\xE8me br\xFBl\xE9" "e</r>", Encoding::SingleByte},
        {"a zero byte ends the scan", "<r>" + pad + std::string(1, '\0') + "\xE9\xE9</r>", Encoding::Utf8},
        {"name cut at byte 200", cutName, Encoding::SingleByte},
        {"24 bytes given", declared("gbk"), Encoding::None, 24},
        {"cut inside the last character", pad + "\xE6\x97\xA5", Encoding::Utf8, 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(guessEncoding(c.bytes.data(), std::min(c.size, c.bytes.size())), c.expected) << c.what;
}

TEST_F(Xml, LeadByteTables)
{
    const struct {
        Encoding encoding;
        unsigned char lead;
        int length;
    } leads[] = {
        {Encoding::Utf8, 'a', 1}, {Encoding::Utf8, 0xC3, 2}, {Encoding::Utf8, 0xF0, 4}, {Encoding::Utf8, 0x85, 1},
        {Encoding::SingleByte, 0xE6, 1}, {Encoding::ShiftJis, 0x81, 2}, {Encoding::ShiftJis, 0xB1, 1}, // katakana
        {Encoding::Gb2312, 0xB0, 2}, {Encoding::Gb2312, 0x81, 1}, {Encoding::Gbk, 0x81, 2},
    };
    for (const auto &l : leads)
        EXPECT_EQ(leadByteLength(l.encoding, l.lead), l.length) << int(l.lead);

    const auto bytes = [](const std::string &b) { return reinterpret_cast<const unsigned char *>(b.data()); };
    const struct {
        Encoding encoding;
        std::string bytes;
        int length;
    } lengths[] = {
        {Encoding::Utf8, "\xE6\x97\xA5", 3},
        {Encoding::Utf8, "\xE6\x97", 2}, // cut to what remains
        {Encoding::Utf8, "\xE6<b", 1},   // markup is never swallowed
        {Encoding::ShiftJis, "\x81]", 2}, // a trail byte may look like ']'
        {Encoding::Gb2312, "\xB0]", 1},
        {Encoding::Big5, "\xA4\x40", 2},
    };
    for (const auto &c : lengths)
        EXPECT_EQ(characterLength(c.encoding, bytes(c.bytes), c.bytes.size()), c.length) << c.bytes;

    const struct {
        Encoding encoding;
        std::string bytes;
        bool cut;
    } ends[] = {
        {Encoding::Utf8, "ab\xE6\x97", true},      {Encoding::Utf8, "ab\xE6\x97\xA5", false},
        {Encoding::ShiftJis, "ab\x81", true},      {Encoding::ShiftJis, "ab\x81\x81", false},
        {Encoding::ShiftJis, "ab\x81\x81\x81", true}, {Encoding::SingleByte, "ab\xE6", false},
    };
    for (const auto &c : ends)
        EXPECT_EQ(endsInsideCharacter(c.encoding, bytes(c.bytes), c.bytes.size()), c.cut) << c.bytes;
}

TEST_F(Xml, ParseFile)
{
    // A UTF-16LE document whose root's value v holds the given code units.
    const auto wide = [](const std::string &units) {
        return utf16le("<?xml version=\"1.0\"?><root v=\"", true) + units + utf16le("\"/>", false);
    };
    const std::string doc = "<?xml version=\"1.0\"?><root v=\"caf\xC3\xA9\"/>";
    const std::string wideAccent = wide(utf16le("caf", false) + std::string("\xE9\0", 2));
    const std::string wideEuro = wide(std::string("\xAC\x20", 2));
    const std::string wideX = "<?xml version=\"1.0\"?><root v=\"x\"/>";
    const struct {
        const char *what;
        std::string bytes;
        Encoding before;
        int code;
        const char *rootValue; // attribute v of the root when parsed
        Encoding after;
    } cases[] = {
        {"utf-8 with mark", kBom + doc, Encoding::SingleByte, NoError, "caf\xC3\xA9", Encoding::Utf8},
        {"iso-8859-1", declared("ISO-8859-1", "<root v=\"caf\xE9\"/>"), Encoding::Utf8, NoError, "caf\xE9",
         Encoding::SingleByte},
        {"empty", "", Encoding::Utf8, ErrorNoData, nullptr, Encoding::Utf8},
        {"utf-16le", wideAccent, Encoding::Utf8, NoError, "caf\xC3\xA9", Encoding::Utf8},
        {"utf-16le to latin-1", wideAccent, Encoding::SingleByte, NoError, "caf\xE9", Encoding::SingleByte},
        {"utf-16be", utf16le(wideX, true, true), Encoding::Utf8, NoError, "x", Encoding::Utf8},
        {"utf-16le without mark", utf16le(wideX, false), Encoding::Utf8, NoError, "x", Encoding::Utf8},
        {"utf-16 to double-byte mode", wideEuro, Encoding::Gbk, NoError, "\xE2\x82\xAC", Encoding::Utf8},
        {"surrogate pair", wide(std::string("\x3D\xD8\x00\xDE", 4)), Encoding::Utf8, NoError, "\xF0\x9F\x98\x80",
         Encoding::Utf8},
        {"above 255 in latin-1", wideEuro, Encoding::SingleByte, ErrorWideCharConversion, nullptr,
         Encoding::SingleByte},
        {"odd length", wideAccent + "x", Encoding::Utf8, ErrorWideCharConversion, nullptr, Encoding::Utf8},
        {"lone high half", wide(std::string("\x3D\xD8", 2)), Encoding::Utf8, ErrorWideCharConversion, nullptr,
         Encoding::Utf8},
        {"truncated character at the end", doc + "\n\xE6\x97", Encoding::Utf8, ErrorUnexpectedToken, nullptr,
         Encoding::Utf8},
    };
    const std::string p = path("case.xml");
    for (const auto &c : cases) {
        options().encoding = c.before;
        std::ofstream(p, std::ios::binary | std::ios::trunc) << c.bytes;
        Result r;
        Node root = parseFile(p.c_str(), nullptr, &r).childByName("root");
        EXPECT_EQ(r.code, c.code) << c.what;
        EXPECT_EQ(options().encoding, c.after) << c.what;
        if (c.rootValue) {
            ASSERT_FALSE(root.isEmpty()) << c.what;
            EXPECT_STREQ(root.attributeByName("v"), c.rootValue) << c.what;
        }
    }
    Result r;
    EXPECT_TRUE(parseFile(path("missing.xml").c_str(), nullptr, &r).isEmpty());
    EXPECT_EQ(r.code, ErrorFileNotFound);

    // A buffer with a NUL among its bytes is refused.
    const std::string bytes("<a>x\0y</a>", 10);
    EXPECT_TRUE(parseBuffer(bytes.data(), bytes.size(), nullptr, &r).isEmpty());
    EXPECT_EQ(r.code, ErrorUnexpectedToken);
    EXPECT_EQ(r.column, 5);
    EXPECT_TRUE(parseString(nullptr, nullptr, &r).isEmpty());
    EXPECT_EQ(r.code, ErrorNoData);
}

// Pieces larger than the writer's buffer go through whole.
TEST_F(Xml, HugePiecesAreWritten)
{
    const std::string name(100000, 'n');
    std::string value;
    for (int i = 0; i < 40000; ++i)
        value += "a&<\"'";
    const std::string text(150000, 't');
    Node top = createTopElement(name.c_str());
    top.setAttribute(value.c_str(), nullptr, "v");
    top.addChild(name.c_str()).setAttribute(name.c_str(), nullptr, name.c_str()); // plain, past 64 KiB
    Node back = parseString((top.createString() + text).c_str());
    ASSERT_FALSE(back.isEmpty());
    EXPECT_EQ(back.createString(), top.createString() + text + "\n");
}

TEST_F(Xml, NestingIsLimited)
{
    const auto nested = [](int depth, bool closed) {
        std::string s;
        for (int i = 0; i < depth; ++i)
            s += "<e>";
        for (int i = 0; closed && i < depth; ++i)
            s += "</e>";
        return s;
    };
    Result r;
    EXPECT_FALSE(parseString(nested(kMaxDepth, true).c_str(), nullptr, &r).isEmpty());
    EXPECT_EQ(r.code, NoError);
    EXPECT_TRUE(parseString(nested(100000, true).c_str(), nullptr, &r).isEmpty());
    EXPECT_EQ(r.code, ErrorUnexpectedToken);
    EXPECT_EQ(r.column, 3 * kMaxDepth + 1);

    // A tree built deeper than any parse allows is written and freed
    // without recursion.
    Node top = createTopElement("t");
    Node leaf = top;
    for (int i = 0; i < 100000; ++i)
        leaf = leaf.addChild("e");
    EXPECT_EQ(top.createString(false).size(), 3u + 99999u * 7 + 4 + 4); // <t>, <e>...</e> pairs, <e/>, </t>
    top = Node(); // dies while the leaf is still held
    EXPECT_TRUE(leaf.parent().isEmpty());
    EXPECT_STREQ(leaf.name(), "e");
}

TEST_F(Xml, ChildOutlivesItsDocument)
{
    Node child;
    Node grandchild;
    {
        Node doc = parseString("<?xml version=\"1.0\"?><r><c k=\"v\"><g/></c><d/></r>");
        child = doc.childByName("r").childByName("c");
        grandchild = child.firstChild();
        EXPECT_EQ(child.parent().parent(), doc);
    }
    EXPECT_TRUE(child.parent().isEmpty());
    EXPECT_TRUE(child.nextSibling().isEmpty());
    EXPECT_STREQ(child.attributeByName("k"), "v");
    EXPECT_EQ(grandchild.parent(), child);
    EXPECT_EQ(child.createString(), "<c k=\"v\">\n\t<g/>\n</c>\n");

    // Parent and child holding each other through handles leak nothing
    // (the sanitizer build of this test checks).
    Node a = createTopElement("a");
    Node b = a.addChild("b");
    Node copy = b.parent();
    Node moved = std::move(copy);
    EXPECT_EQ(moved, a);
    EXPECT_TRUE(copy.isEmpty());
}

} // namespace
