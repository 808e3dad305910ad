#include "online/XmlReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kLoginReply = "<?xml version=\"1.0\"?>\n"
                                "<!-- reply -->\n"
                                "<!DOCTYPE reply [ <!ENTITY e \"x\"> ]>\n"
                                "<reply>\n"
                                "  <userLogin>\n"
                                "    <param name=\"LoginOK\" value=\"true\"/>\n"
                                "    <param name='Text' value='a&amp;b &#65; &unknown; &lt;&gt;&apos;&quot;'/>\n"
                                "    <param name=\"Bare\" value=bare/>\n"
                                "  </userLogin>\n"
                                "</reply>\n";

// Reads one attribute of the first param of userLogin whose name is `paramName`.
std::string ParamValue(CXmlReader& xml, const char* paramName, const char* attribute)
{
    if (!xml.FindElement("userLogin") || !xml.EnterElement())
        return "<no userLogin>";
    std::string value = "<no param>";
    while (xml.FindElement("param")) {
        xml.EnterElement();
        if (xml.GetAttribute("name") == paramName)
            value = xml.GetAttribute(attribute);
        xml.LeaveElement();
    }
    return value;
}

std::string Nested(int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<e>";
    for (int i = 0; i < levels; ++i)
        text += "</e>";
    return text;
}

TEST(XmlReader, ReadsParamsOfAReply)
{
    const struct {
        const char* param;
        const char* attribute;
        const char* expected;
    } cases[] = {
        {"LoginOK", "value", "true"},
        {"Text", "value", "a&b &#65; &unknown; <>'\""}, // numeric and unknown entities stay
        {"Bare", "value", ""},                          // an unquoted value counts as missing
        {"LoginOK", "Value", ""},                       // names are case-sensitive
        {"LoginOK", "nam", ""},                         // a prefix is not the name
    };
    for (const auto& c : cases) {
        CXmlReader xml;
        ASSERT_TRUE(xml.LoadText(kLoginReply)) << xml.GetError();
        EXPECT_EQ(ParamValue(xml, c.param, c.attribute), c.expected) << c.param << "." << c.attribute;
    }
}

TEST(XmlReader, SearchesOnlyBelowTheCurrentElement)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.LoadText("<userLogin><param value=\"1\"/></userLogin>"));
    EXPECT_FALSE(xml.FindElement("userLogin")); // the document element itself is not its own child
    EXPECT_TRUE(xml.FindElement("param"));
    EXPECT_FALSE(xml.FindElement("Param"));
    EXPECT_TRUE(xml.EnterElement());
    EXPECT_EQ(xml.GetAttribute("value"), "1");
    EXPECT_TRUE(xml.LeaveElement());
    EXPECT_FALSE(xml.LeaveElement());
}

TEST(XmlReader, BadDocumentsFailWithTheirReason)
{
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"<a></b>", "End tag does not correspond to a"},
        {"<a>", "End tag of a element not found"},
        {"<a><b></a>", "End tag does not correspond to b"},
        {"no tags", "Element tag not found"},
        {"<", "Abrupt end within tag"},
        {"<\"a\">", "Tag starts with quote"},
        {"<a", "End of tag not found"},
        {"<a></a", "End tag not completed for element a"},
        {"<a><!-- open", "Invalid node"},
        {"<a><![CDATA[ x", "Invalid node"},
        {"<?xml", "Invalid node"},
        {"<!DOCTYPE a [ <!ENTITY e \"x\">", "Invalid node"},
        {Nested(CXmlReader::kMaxDepth + 1), "Elements nested too deeply"},
    };
    for (const auto& c : cases) {
        CXmlReader xml;
        EXPECT_FALSE(xml.LoadText(c.text.c_str())) << c.text;
        EXPECT_EQ(xml.GetError(), c.error) << c.text;
        EXPECT_FALSE(xml.FindElement("a"));
        EXPECT_EQ(xml.GetAttribute("x"), "");
    }
}

TEST(XmlReader, DeepButBoundedNestingLoads)
{
    std::string deep = Nested(CXmlReader::kMaxDepth);
    CXmlReader xml;
    ASSERT_TRUE(xml.LoadText(deep.c_str())) << xml.GetError();
    int levels = 1;
    while (xml.FindElement("e") && xml.EnterElement())
        ++levels;
    EXPECT_EQ(levels, CXmlReader::kMaxDepth);
}

TEST(XmlReader, EmptyAndNullDocumentsHoldNothing)
{
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        CXmlReader xml;
        EXPECT_FALSE(xml.LoadText(text));
        EXPECT_FALSE(xml.FindElement("a"));
        EXPECT_FALSE(xml.EnterElement());
        EXPECT_EQ(xml.GetAttribute("a"), "");
    }
}

// Multi-byte characters at the very end, inside and at the end of a value: never read past the text.
TEST(XmlReader, TruncatedMultiByteCharactersStayInside)
{
    const char* cases[] = {"<a v=\"\xC3\xA9\"/>", "<a v=\"x\xE2\x82\"/>", "<a v=\"\xF0", "<a>\xE2", "\xC3"};
    for (const char* text : cases) {
        CXmlReader xml;
        std::string copy(text); // exact-length heap copy so a sanitizer sees any over-read
        xml.LoadText(copy.c_str());
        xml.FindElement("a");
        (void)xml.GetAttribute("v");
    }
    CXmlReader xml;
    ASSERT_TRUE(xml.LoadText("<r><a v=\"\xC3\xA9t\xC3\xA9\"/></r>"));
    ASSERT_TRUE(xml.FindElement("a"));
    ASSERT_TRUE(xml.EnterElement());
    EXPECT_EQ(xml.GetAttribute("v"), "\xC3\xA9t\xC3\xA9");
}

} // namespace
