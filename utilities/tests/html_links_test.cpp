#include "utilities/html_links.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Html(const std::string& text, long size = 512) {
    char out[512];
    std::memset(out, 'x', sizeof(out));
    ParseForHTML(text.c_str(), static_cast<long>(text.size()), out, size);
    return out;
}

}  // namespace

TEST(HtmlLinksTest, AddressesBecomeLinks) {
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"Visit example.com today", "Visit <a href=\"http://example.com\">example.com</a> today"},
        {"UPPER.ORG", "<a href=\"http://UPPER.ORG\">UPPER.ORG</a>"},
        {"see http://site.net/a", "see <a href=\"http://site.net/a\">http://site.net/a</a>"},
        {"Mail me@home.edu!", "Mail <a href=\"mailto:me@home.edu!\">me@home.edu!</a>"},
        {"mailto:me@x.de", "<a href=\"mailto:me@x.de\">me@x.de</a>"},
        // Not addresses.
        {"a@b or a@b. or www.example.net", "a@b or a@b. or www.example.net"},
        // Line breaks and tabs pass through as they are.
        {"one\r\n\ttwo.edu", "one\r\n\t<a href=\"http://two.edu\">two.edu</a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Html(c.text), c.html) << c.text;
}

TEST(HtmlLinksTest, ExistingMarkupIsLeftAlone) {
    const char* cases[] = {
        "<a href=\"mailto:me@x.org\">write</a>",
        "<a href=\"http://x.com/\">home</a>",
        "<p>plain</p>",
    };
    for (const char* text : cases) EXPECT_EQ(Html(text), text);
}

TEST(HtmlLinksTest, WhatALinkCarriesIsEscaped) {
    EXPECT_EQ(Html("x.com/\"onclick=\"evil()"),
              "<a href=\"http://x.com/&quot;onclick=&quot;evil()\">"
              "x.com/&quot;onclick=&quot;evil()</a>");
    EXPECT_EQ(Html("http://x.net/?a=1&b=2"),
              "<a href=\"http://x.net/?a=1&amp;b=2\">http://x.net/?a=1&amp;b=2</a>");
}

TEST(HtmlLinksTest, LinksLeadOnlyToWebAndMailAddresses) {
    // A scheme written in front of "http://" or "mailto:" must not become the
    // link's target: a song tag could otherwise put a script behind a link.
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"javascript:alert(1)//http://x", "javascript:alert(1)//http://x"},
        {"javascript:alert(1)//http://x.com",
         "<a href=\"http://javascript:alert(1)//http://x.com\">javascript:alert(1)//http://x.com</a>"},
        {"javascript:f('mailto:a@b.org')",
         "<a href=\"mailto:javascript:f('mailto:a@b.org')\">javascript:f('mailto:a@b.org')</a>"},
        {"data:text/html,mailto:me@x.de",
         "<a href=\"mailto:data:text/html,mailto:me@x.de\">data:text/html,mailto:me@x.de</a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Html(c.text), c.html) << c.text;
}

TEST(HtmlLinksTest, StaysWithinTheLengthAndTheOutput) {
    char out[64];
    ParseForHTML("a.com b.com", 5, out, sizeof(out));
    EXPECT_STREQ(out, "<a href=\"http://a.com\">a.com</a>");

    EXPECT_EQ(Html("Visit example.com today", 10), "Visit ") << "a link is never cut";
    EXPECT_EQ(Html("plain words here", 8), "plain w");
    EXPECT_EQ(Html("\xC3\xA9\xC3\xA9", 4), "\xC3\xA9") << "cut on a character boundary";
    EXPECT_EQ(Html("anything", 1), "");
}

// Text from outside: links as ParseForHTML makes them, everything else
// escaped, so a title can never bring markup or script into a page.
TEST(HtmlLinksTest, OutsideTextIsEscapedAroundItsLinks) {
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"Rock & Roll", "Rock &amp; Roll"},
        {"<script>alert(\"x\")</script>", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
        {"see http://a.net/?x=1&y=2 now",
         "see <a href=\"http://a.net/?x=1&amp;y=2\">http://a.net/?x=1&amp;y=2</a> now"},
        {"<b>band.com</b>", "&lt;b&gt;<a href=\"http://band.com\">band.com</a>&lt;/b&gt;"},
        // Markup-like words are not trusted here: they are only text.
        {"<a href=\"http://x.com/\">home</a>",
         "&lt;a href=&quot;http://x.com/&quot;&gt;home&lt;/a&gt;"},
        {"write me@home.org\n", "write <a href=\"mailto:me@home.org\">me@home.org</a>\n"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(HtmlTextWithLinks(c.text), c.html) << c.text;
}
