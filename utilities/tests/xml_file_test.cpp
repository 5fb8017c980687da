#include "utilities/xml_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "utilities/errors.h"
#include "utilities/xml_entities.h"

namespace {

class XmlFile : public ::testing::Test {
protected:
    // Writes the text to a file and opens it.
    bool Load(CXMLFile& xml, const std::string& text) {
        const std::string path = dir_.File("list" + std::to_string(++files_) + ".asx");
        testsupport::WriteWholeFile(path, text);
        return xml.Open(path.c_str());
    }

    testsupport::TempDir dir_;
    int files_ = 0;
};

std::string Str(const char* s) { return s != nullptr ? s : "(null)"; }

}  // namespace

TEST_F(XmlFile, ReadsTheAsxExample) {
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, R"(<asx><entry><ref href="a.mp3"/><title>A</title></entry></asx>)"));
    ASSERT_EQ(xml.NumChildren(), 1u);
    CXMLNode* asx = xml.GetChild(0u);
    EXPECT_EQ(Str(asx->Name()), "asx");
    ASSERT_EQ(asx->NumChildren(), 1u);
    CXMLNode* entry = asx->GetChild(0u);
    EXPECT_EQ(Str(entry->Name()), "entry");
    ASSERT_EQ(entry->NumValues(), 1u);
    EXPECT_EQ(Str(entry->GetValue(0u)->FieldName()), "title");
    EXPECT_EQ(Str(entry->GetValue(0u)->Value()), "A");
    ASSERT_EQ(entry->NumChildren(), 1u);
    CXMLNode* ref = entry->GetChild(0u);
    EXPECT_EQ(Str(ref->Name()), "ref");
    EXPECT_EQ(Str(ref->GetValue("href")), "a.mp3");

    EXPECT_EQ(xml.FindNode("ENTRY"), entry);
    EXPECT_EQ(entry->GetChild("Title"), nullptr) << "a text-only element is a value";
    EXPECT_EQ(Str(entry->GetValue("TITLE")), "A");
    EXPECT_EQ(xml.GetChild("ASX"), asx);
    EXPECT_EQ(Str(asx->SearchForValue("HREF")), "a.mp3");
    EXPECT_EQ(asx->SearchForValue("missing"), nullptr);
    EXPECT_EQ(xml.FindNode(""), nullptr);
    EXPECT_EQ(entry->GetChild(1u), nullptr);
    EXPECT_EQ(entry->GetValue(1u), nullptr);
}

TEST_F(XmlFile, ReadsThePlaylistDialects) {
    CXMLFile wpl;
    ASSERT_TRUE(Load(wpl, "<?wpl version=\"1.0\"?>\r\n<smil>\r\n  <head><title>Mix</title></head>\r\n"
                          "  <body><seq>\r\n    <media src=\"C:\\Music\\a.mp3\"/>\r\n"
                          "    <media src=\"b b.wma\" tid=\"{1}\" />\r\n  </seq></body>\r\n</smil>\r\n"));
    CXMLNode* seq = wpl.FindNode("seq");
    ASSERT_NE(seq, nullptr);
    ASSERT_EQ(seq->NumChildren(), 2u);
    EXPECT_EQ(Str(seq->GetChild(0u)->GetValue("src")), "C:\\Music\\a.mp3");
    EXPECT_EQ(Str(seq->GetChild(1u)->GetValue("SRC")), "b b.wma");
    EXPECT_EQ(Str(seq->GetChild(1u)->GetValue("tid")), "{1}");
    EXPECT_EQ(Str(wpl.FindNode("head")->GetValue("title")), "Mix");

    CXMLFile asx;
    ASSERT_TRUE(Load(asx, "<ASX version=\"3.0\">\n<Entry>\n<Title lang=\"en\">  Song  </Title>\n"
                          "<Ref href = \"one.wma\" />\n</Entry>\n<Entry><Ref href=\"two.wma\"/></entry>\n</asx>"));
    CXMLNode* root = asx.GetChild("asx");
    ASSERT_NE(root, nullptr) << "end tags match without regard to case";
    EXPECT_EQ(Str(root->GetValue("version")), "3.0");
    ASSERT_EQ(root->NumChildren(), 2u);
    CXMLNode* first = root->GetChild(0u);
    EXPECT_EQ(Str(first->GetValue("title")), "Song");
    EXPECT_EQ(Str(first->GetChild("title")->GetValue("lang")), "en");
    EXPECT_EQ(Str(first->GetChild("ref")->GetValue("href")), "one.wma");
    EXPECT_EQ(Str(root->GetChild(1u)->GetChild("ref")->GetValue("href")), "two.wma");

    CXMLFile rmp;
    ASSERT_TRUE(Load(rmp, "<PLAYLIST><TRACKLIST><TRACK><FILENAME>x.mp3</FILENAME></TRACK>"
                          "<TRACK><FILENAME=\"y.mp3\"></TRACK></TRACKLIST></PLAYLIST>"));
    CXMLNode* list = rmp.FindNode("tracklist");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->NumChildren(), 2u);
    EXPECT_EQ(Str(list->GetChild(0u)->GetValue("filename")), "x.mp3");
    EXPECT_EQ(Str(list->GetChild(1u)->GetValue("filename")), "y.mp3") << "the name=\"value\" tag form";
}

TEST_F(XmlFile, QuotesAndCommentsHideMarkup) {
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, "<list><!-- <entry><ref href=\"hidden.mp3\"/></entry> -->"
                          "<entry><ref href=\"a>b.mp3\" alt=\"x/>y\"/></entry>"
                          "<entry><title>T<!-- note --></title></entry></list>"));
    CXMLNode* list = xml.GetChild("list");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->NumChildren(), 2u) << "the commented entry is ignored";
    CXMLNode* ref = list->GetChild(0u)->GetChild("ref");
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(Str(ref->GetValue("href")), "a>b.mp3");
    EXPECT_EQ(Str(ref->GetValue("alt")), "x/>y");
    EXPECT_EQ(Str(list->GetChild(1u)->GetValue("title")), "T");
}

TEST_F(XmlFile, DecodesCharacterReferences) {
    struct Case {
        const char* raw;
        const char* want;
    };
    const std::vector<Case> cases = {
        {"Tom &amp; Jerry.mp3", "Tom & Jerry.mp3"},
        {"&lt;b&gt; &quot;q&quot; &apos;s&apos;", "<b> \"q\" 's'"},
        {"caf&#233; &#xE9; &#X1F3B5;", "caf\xC3\xA9 \xC3\xA9 \xF0\x9F\x8E\xB5"},
        {"&amp;amp;", "&amp;"},
        {"AT&T & co", "AT&T & co"},
        {"&unknown; &#; &#x; &#0; &#xD800; &#1114112; &#12a;", "&unknown; &#; &#x; &#0; &#xD800; &#1114112; &#12a;"},
        {"&#99999999999999999999;", "&#99999999999999999999;"},
        {"trailing &amp", "trailing &amp"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeXmlEntities(c.raw), c.want) << c.raw;

    CXMLFile xml;
    ASSERT_TRUE(Load(xml, "<e><ref href=\"Tom &amp; Jerry.mp3\"/><title>R&amp;B &#8211; Mix</title>"
                          "<artist=\"A &lt;B&gt;\"></e>"));
    CXMLNode* e = xml.GetChild("e");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Str(e->GetChild("ref")->GetValue("href")), "Tom & Jerry.mp3");
    EXPECT_EQ(Str(e->GetValue("title")), "R&B \xE2\x80\x93 Mix");
    EXPECT_EQ(Str(e->GetValue("artist")), "A <B>");
}

TEST_F(XmlFile, OlderFilesThatAreNotUtf8AreReadAsWindows1252) {
    CXMLFile old;
    ASSERT_TRUE(Load(old, "<asx><entry><ref href=\"Caf\xE9 \x96 Mix.mp3\"/><title>Caf\xE9</title></entry></asx>"));
    CXMLNode* entry = old.FindNode("entry");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Str(entry->GetChild("ref")->GetValue("href")), "Caf\xC3\xA9 \xE2\x80\x93 Mix.mp3");
    EXPECT_EQ(Str(entry->GetValue("title")), "Caf\xC3\xA9");

    CXMLFile utf8;
    ASSERT_TRUE(Load(utf8, "<t>Caf\xC3\xA9</t>"));
    EXPECT_EQ(Str(utf8.GetValue("t")), "Caf\xC3\xA9") << "UTF-8 stays as it is";
}

TEST_F(XmlFile, MalformedMarkupKeepsWhatMatches) {
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, "</stray><list><open><entry><title>A</title></entry></list>"
                          "<a><b></a></b><c x=\"1\"><d>t</d></list>"));
    CXMLNode* list = xml.GetChild("list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetChild("open"), nullptr) << "a start without its end is dropped";
    ASSERT_NE(list->GetChild("entry"), nullptr) << "what follows it is read at the same level";
    EXPECT_EQ(Str(list->GetChild("entry")->GetValue("title")), "A");
    CXMLNode* a = xml.GetChild("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->NumChildren(), 0u) << "<b> has no end inside <a>";
    EXPECT_EQ(a->NumValues(), 0u);
    CXMLNode* c = xml.GetChild("c");
    ASSERT_NE(c, nullptr) << "an unclosed start with attributes keeps its node";
    EXPECT_EQ(Str(c->GetValue("x")), "1");
    EXPECT_EQ(Str(xml.GetValue("d")), "t") << "its content is read at the same level";

    CXMLFile unfinished;
    ASSERT_TRUE(Load(unfinished, "<x><y>1</y></x><z attr=\"never closed/>"));
    EXPECT_EQ(unfinished.NumChildren(), 1u);
    EXPECT_EQ(Str(unfinished.GetChild("x")->GetValue("y")), "1");
}

TEST_F(XmlFile, OverLongNamesAndValuesBecomeEmpty) {
    const std::string longName(600, 'n');
    const std::string longValue(512, 'v');
    const std::string okValue(511, 'v');
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, "<root><" + longName + " href=\"x.mp3\"/><" + longName + "><title>T</title></" + longName +
                              "><long>" + longValue + "</long><ok>" + okValue + "</ok><attr v=\"" + longValue +
                              "\"/></root>"));
    CXMLNode* root = xml.GetChild("root");
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->GetChild(0u), nullptr);
    EXPECT_EQ(Str(root->GetChild(0u)->Name()), "") << "the element loads with an empty name";
    EXPECT_EQ(Str(root->GetChild(0u)->GetValue("href")), "x.mp3");
    EXPECT_EQ(Str(root->GetValue("title")), "T") << "a bare start without a name is skipped";
    EXPECT_EQ(Str(root->GetValue("long")), "");
    EXPECT_EQ(Str(root->GetValue("ok")), okValue);
    EXPECT_EQ(Str(root->GetChild("attr")->GetValue("v")), "");
}

TEST_F(XmlFile, OpenFailuresLeaveTheTree) {
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, "<keep>1</keep>"));
    EXPECT_FALSE(xml.Open(nullptr));
    EXPECT_FALSE(xml.Open(""));
    EXPECT_FALSE(xml.Open(dir_.File("missing.asx").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(xml.Open(dir_.Path().c_str())) << "a folder reads as nothing";
    EXPECT_FALSE(Load(xml, ""));
    std::string tooLarge(CXMLFile::kMaxFileBytes + 1, ' ');
    EXPECT_FALSE(Load(xml, tooLarge));
    EXPECT_EQ(GetLastError(), UTILITIES_ERR_FILE_TOO_LARGE);
    EXPECT_EQ(Str(xml.GetValue("keep")), "1");

    ASSERT_TRUE(Load(xml, "<other/><fresh>2</fresh>"));
    EXPECT_EQ(xml.GetValue("keep"), nullptr) << "a successful open replaces the tree";
    EXPECT_EQ(Str(xml.GetValue("fresh")), "2");
}

TEST_F(XmlFile, DeepNestingIsCut) {
    constexpr int kLevels = 100000;
    std::string text;
    for (int i = 0; i < kLevels; ++i) text += "<a>";
    text += "<title>bottom</title>";
    for (int i = 0; i < kLevels; ++i) text += "</a>";
    text += "<after>yes</after>";
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, text));
    int depth = 0;
    for (CXMLNode* node = xml.GetChild(0u); node != nullptr; node = node->GetChild(0u)) ++depth;
    EXPECT_EQ(depth, CXMLFile::kMaxDepth);
    EXPECT_EQ(xml.FindNode("a")->SearchForValue("title"), nullptr) << "the content below the limit is dropped";
    EXPECT_EQ(Str(xml.GetValue("after")), "yes");

    CXMLNode copy(*xml.GetChild(0u));
    EXPECT_EQ(Str(copy.Name()), "a");
}

TEST_F(XmlFile, HugeMalformedFileLoadsInBoundedTime) {
    // Every start tag lacks its end: a reader that searched forward from each
    // one would take quadratic time.
    std::string text;
    text.reserve(CXMLFile::kMaxFileBytes);
    const std::string pieces[] = {"<a>", "<b x=\"1\">", "</c>", "<d>t", "\"", "<!-- -->"};
    for (std::size_t i = 0; text.size() + 16 < CXMLFile::kMaxFileBytes; ++i) text += pieces[i % 6 == 4 ? 0 : i % 6];
    text += "<e>z</e>";
    const auto start = std::chrono::steady_clock::now();
    CXMLFile xml;
    ASSERT_TRUE(Load(xml, text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(Str(xml.GetValue("e")), "z");
    EXPECT_GT(xml.NumChildren(), 100000u) << "every <b x=\"1\"> keeps its attributes";
}

TEST(XmlNode, CopiesAreDeep) {
    CXMLValue value;
    value.SetFieldName("name", 2);
    value.SetValue("value", 100);
    EXPECT_STREQ(value.FieldName(), "na");
    EXPECT_STREQ(value.Value(), "value") << "never reads past the terminator";
    value.SetValue(nullptr, 3);
    EXPECT_EQ(value.Value(), nullptr);
    CXMLValue copy = value;
    EXPECT_STREQ(copy.FieldName(), "na");

    CXMLNode empty;
    EXPECT_EQ(empty.Name(), nullptr);
    CXMLNode assigned;
    assigned = empty;
    EXPECT_EQ(assigned.NumChildren(), 0u);
}
