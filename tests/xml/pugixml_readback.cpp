// What an independent reader (pugixml) makes of the text we write: the same
// elements, attributes, texts and CDATA sections as our own tree holds.

#include "xml/Xml.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

namespace gx = glint::xml;

namespace {

// Our element against pugixml's, recursively; comments and DOCTYPE are not
// read by pugixml's default settings, so they are left out of the match.
std::string trimmed(const std::string &s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// With trimming on, pugixml takes white space off the ends of a text, even
// where we wrote it as references; texts are then compared trimmed.
void expectSame(const gx::Node &ours, const pugi::xml_node &theirs, const std::string &where, bool trim)
{
    ASSERT_STREQ(ours.name(), theirs.name()) << where;
    std::vector<std::pair<std::string, std::string>> a, b;
    for (int i = 0; i < ours.attributeCount(); ++i)
        a.emplace_back(ours.attribute(i).name, ours.attribute(i).value ? ours.attribute(i).value : "");
    for (pugi::xml_attribute attr : theirs.attributes())
        b.emplace_back(attr.name(), attr.value());
    EXPECT_EQ(a, b) << where;

    std::vector<std::string> texts, cdata;
    for (int i = 0; i < ours.textCount(); ++i)
        texts.push_back(trim ? trimmed(ours.text(i)) : ours.text(i));
    for (int i = 0; i < ours.clearCount(); ++i) {
        if (std::string(ours.clear(i).open) == "<![CDATA[")
            cdata.push_back(ours.clear(i).content);
    }
    std::vector<std::string> theirTexts, theirCdata;
    std::vector<pugi::xml_node> elements;
    for (pugi::xml_node c : theirs.children()) {
        if (c.type() == pugi::node_pcdata)
            theirTexts.push_back(trim ? trimmed(c.value()) : c.value());
        else if (c.type() == pugi::node_cdata)
            theirCdata.push_back(c.value());
        else if (c.type() == pugi::node_element)
            elements.push_back(c);
    }
    EXPECT_EQ(texts, theirTexts) << where;
    EXPECT_EQ(cdata, theirCdata) << where;
    ASSERT_EQ(static_cast<std::size_t>(ours.childCount()), elements.size()) << where;
    int i = 0;
    for (gx::Node c = ours.firstChild(); !c.isEmpty(); c = c.nextSibling(), ++i)
        expectSame(c, elements[static_cast<std::size_t>(i)], where + "/" + c.name(), trim);
}

const char *const kDocuments[] = {
    "<config><group a=\"1\" b=\"two words\" c=\"\"/><group a=\"2\"/></config>",
    "<r q='say \"hi\"' s=\"it's\" amp=\"a &amp; b &lt; c &gt; d\" ws=\"tab&#9;nl&#10;cr&#13;end\"/>",
    "<r><t>plain text</t><t>x &lt; y &amp;&amp; y &gt; z</t><t>&#32;padded&#32;</t><t>cr&#13;lf&#10;</t></r>",
    "<r><![CDATA[<not> &markup;]]><e/><![CDATA[]]></r>",
    "<r>before<mid/>after<!-- skipped -->more</r>",
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE r><r><u v=\"\xC3\xA9\xE6\x97\xA5\">\xF0\x9F\x98\x80</u></r>",
    "<a><b><c><d><e f=\"deep\">bottom</e></d></c></b></a>",
};

// The documents above as we parse them, and one we build, not parse:
// setAttribute and addChild must leave nothing for another reader to
// stumble on.
std::vector<gx::Node> documents()
{
    std::vector<gx::Node> docs;
    for (const char *source : kDocuments) {
        gx::Result r;
        docs.push_back(gx::parseString(source, nullptr, &r));
        EXPECT_EQ(r.code, gx::NoError) << source;
    }
    gx::Node top = gx::createTopElement("Halvern_Demo_Options");
    gx::Node g = top.addChild("CAPTURE_OPTION");
    g.setAttribute("1", nullptr, "captureMode");
    g.setAttribute("C:\\data\\\"quoted\" & <angled>", nullptr, "irisDataBase");
    top.addChild("MATCHING_OPTION").setAttribute("0.30", nullptr, "genuineThreshold");
    docs.push_back(top);
    return docs;
}

class PugixmlReadback : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { gx::resetOptions(); }
};

TEST_P(PugixmlReadback, ReadsWhatWeWrote)
{
    const bool formatted = GetParam();
    for (const gx::Node &doc : documents()) {
        const std::string text = doc.createFileText(nullptr, formatted);
        pugi::xml_document theirs;
        // Formatted text puts texts on lines of their own; the indentation
        // around them is not part of them.
        const unsigned flags = pugi::parse_default | (formatted ? pugi::parse_trim_pcdata : 0);
        pugi::xml_parse_result pr = theirs.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8);
        ASSERT_TRUE(pr) << pr.description() << " at " << pr.offset << " in\n" << text;

        gx::Node root = doc.name() ? doc : doc.firstChild();
        while (!root.isEmpty() && root.isDeclaration())
            root = root.nextSibling();
        ASSERT_FALSE(root.isEmpty());
        expectSame(root, theirs.document_element(), root.name(), formatted);
    }
}

INSTANTIATE_TEST_SUITE_P(Xml, PugixmlReadback, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &i) { return i.param ? "formatted" : "unformatted"; });

} // namespace
