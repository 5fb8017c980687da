#include "utilities/com_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string S(const CCOMString& s) { return s.GetString(); }

}  // namespace

TEST(ComString, SlicingKeepsInsideTheText) {
    const CCOMString abcdef("abcdef");
    const CCOMString abc("abc");
    struct Case {
        const char* what;
        CCOMString got;
        const char* want;
    };
    const std::vector<Case> cases = {
        {"Mid(-3, 2)", abcdef.Mid(-3, 2), "ab"},
        {"Mid(4, 10)", abcdef.Mid(4, 10), "ef"},
        {"Mid(9, 1)", abcdef.Mid(9, 1), ""},
        {"Mid(2)", abcdef.Mid(2), "cdef"},
        {"Mid(2, -1)", abcdef.Mid(2, -1), ""},
        {"Mid(6)", abcdef.Mid(6), ""},
        {"Left(0)", abcdef.Left(0), ""},
        {"Left(-1)", abcdef.Left(-1), ""},
        {"Left(4)", abcdef.Left(4), "abcd"},
        {"Left(99)", abcdef.Left(99), "abcdef"},
        {"Right(10)", abc.Right(10), "abc"},
        {"Right(2)", abc.Right(2), "bc"},
        {"Right(-5)", abc.Right(-5), ""},
        {"SpanIncluding", CCOMString("aabbcab").SpanIncluding("ab"), "aabb"},
        {"SpanIncluding none", abc.SpanIncluding("xyz"), ""},
        {"SpanExcluding", CCOMString("key=value").SpanExcluding("=;"), "key"},
        {"SpanExcluding none", abc.SpanExcluding("xyz"), "abc"},
        {"SpanExcluding null", abc.SpanExcluding(nullptr), "abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(S(c.got), c.want) << c.what;
}

TEST(ComString, FindRespectsTheStartAndTheEnd) {
    const CCOMString abc("abc");
    const CCOMString text("one two one");
    struct Case {
        const char* what;
        int got;
        int want;
    };
    const std::vector<Case> cases = {
        {"Find('c', 3)", abc.Find('c', 3), -1},
        {"Find('c', 2)", abc.Find('c', 2), 2},
        {"Find('a', -5)", abc.Find('a', -5), 0},
        {"Find('z')", abc.Find('z'), -1},
        {"Find(\"\", 3)", abc.Find("", 3), 3},
        {"Find(\"\", 4)", abc.Find("", 4), -1},
        {"Find(\"one\", 1)", text.Find("one", 1), 8},
        {"Find(\"one\")", text.Find("one"), 0},
        {"Find(\"one\", -2)", text.Find("one", -2), 0},
        {"Find(null)", text.Find(static_cast<const char*>(nullptr)), -1},
        {"FindOneOf", text.FindOneOf("wt"), 4},
        {"FindOneOf none", text.FindOneOf("xyz"), -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(ComString, ReplaceCountsNonOverlappingMatches) {
    struct Case {
        const char* text;
        const char* from;
        const char* to;
        int count;
        const char* want;
    };
    const std::vector<Case> cases = {
        {"aaaa", "aa", "b", 2, "bb"},
        {"aaa", "aa", "b", 1, "ba"},
        {"a.b.c", ".", "--", 2, "a--b--c"},
        {"abc", "", "x", 0, "abc"},
        {"abc", "x", "y", 0, "abc"},
        {"abcabc", "abc", "", 2, ""},
        {"path/to/file", "/", "\\\\", 2, "path\\\\to\\\\file"},
    };
    for (const auto& c : cases) {
        CCOMString s(c.text);
        EXPECT_EQ(s.Replace(c.from, c.to), c.count) << c.text << " " << c.from;
        EXPECT_EQ(S(s), c.want) << c.text << " " << c.from;
    }

    CCOMString s("a-b-c");
    EXPECT_EQ(s.Replace('-', '-'), 0);
    EXPECT_EQ(s.Replace('-', '+'), 2);
    EXPECT_EQ(S(s), "a+b+c");
    EXPECT_EQ(s.Replace('+', '\0'), 2);
    EXPECT_EQ(S(s), "a") << "a zero ends the text";
    EXPECT_EQ(s.GetLength(), 1);

    CCOMString self("xyx");
    EXPECT_EQ(self.Replace(self.Mid(1).GetString(), self.GetString()), 1) << "arguments taken from the string";
    EXPECT_EQ(S(self), "xxyx");
}

TEST(ComString, ComparisonsGiveTheirSign) {
    const CCOMString abc("abc");
    EXPECT_TRUE("abc" == abc);
    EXPECT_TRUE(abc == "abc");
    EXPECT_TRUE(abc == CCOMString("abc"));
    EXPECT_TRUE(abc != "abd");
    EXPECT_TRUE("ab" != abc);
    EXPECT_EQ(CCOMString("a").Compare("b"), -1);
    EXPECT_EQ(CCOMString("b").Compare("a"), 1);
    EXPECT_EQ(CCOMString("\xC3\xA9").Compare("z"), 1) << "bytes compare as unsigned";
    EXPECT_EQ(CCOMString("ab").Compare("abc"), -1);
    EXPECT_EQ(abc.Compare(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(abc.CompareNoCase("ABC"), 0);
    EXPECT_EQ(abc.CompareNoCase(CCOMString("ABD")), -1);
    EXPECT_EQ(CCOMString("Zebra").CompareNoCase("apple"), 1);
    EXPECT_EQ(abc.Collate("abd"), -1);
    EXPECT_EQ(abc.Collate(CCOMString("abc")), 0);
}

TEST(ComString, ChangesInPlace) {
    CCOMString s("  \t Mixed Case \xC3\xA9 \r\n");
    s.TrimLeft();
    EXPECT_EQ(S(s), "Mixed Case \xC3\xA9 \r\n");
    s.TrimRight();
    EXPECT_EQ(S(s), "Mixed Case \xC3\xA9");
    s.MakeUpper();
    EXPECT_EQ(S(s), "MIXED CASE \xC3\xA9") << "only ASCII letters change";
    s.MakeLower();
    EXPECT_EQ(S(s), "mixed case \xC3\xA9");

    CCOMString r("ab\xC3\xA9" "c\xF0\x9F\x8E\xB5");
    r.MakeReverse();
    EXPECT_EQ(S(r), "\xF0\x9F\x8E\xB5" "c\xC3\xA9" "ba") << "characters stay whole";

    CCOMString blank(" \t ");
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());
}

TEST(ComString, AccessOutsideTheTextIsHarmless) {
    CCOMString s("abc");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s[2], 'c');
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    EXPECT_EQ(s[1000], '\0');
    s.SetAt(3, 'x');
    s.SetAt(-1, 'x');
    s.SetAt(1000, 'x');
    EXPECT_EQ(S(s), "abc");
    s.SetAt(0, 'A');
    EXPECT_EQ(S(s), "Abc");
    s.SetAt(1, '\0');
    EXPECT_EQ(S(s), "A");
    EXPECT_EQ(s.GetLength(), 1) << "the length is that of the terminated text";
    s += "z";
    EXPECT_EQ(S(s), "Az");

    const CCOMString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_NE(fromNull.GetString(), nullptr);
    EXPECT_EQ(CCOMString('x', 3), "xxx");
    EXPECT_TRUE(CCOMString('x', 0).IsEmpty());
    EXPECT_TRUE(CCOMString('x', -2).IsEmpty());
}

TEST(ComString, ConcatenationIncludingItself) {
    CCOMString s("ab");
    s += s;
    EXPECT_EQ(S(s), "abab");
    s += s.GetString();
    EXPECT_EQ(S(s), "abababab");
    s += s.GetString() + 6;
    EXPECT_EQ(S(s), "ababababab");
    s = s.GetString() + 8;
    EXPECT_EQ(S(s), "ab");
    s += 'c';
    s += '\0';
    EXPECT_EQ(S(s), "abc");
    s = s;
    EXPECT_EQ(S(s), "abc");

    const CCOMString x("x");
    EXPECT_EQ(S(x + x), "xx");
    EXPECT_EQ(S(x + "y"), "xy");
    EXPECT_EQ(S("w" + x), "wx");
    EXPECT_EQ(S(x + static_cast<const char*>(nullptr)), "x");
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(ComString, FormatInOnePassAndFromItself) {
    CCOMString s;
    s.Format("%d-%s-%.2f", 42, "x", 1.5);
    EXPECT_EQ(S(s), "42-x-1.50");

    const std::string longText(250, 'q');
    s.Format("%s", longText.c_str());
    EXPECT_EQ(S(s), longText);
    EXPECT_EQ(s.GetLength(), 250);

    s = "abc";
    s.Format("[%s|%s|%d]", s.GetString(), s.GetString(), s.GetLength());
    EXPECT_EQ(S(s), "[abc|abc|3]");

    s = std::string(5000, 'z').c_str();
    s.Format("%s%s", s.GetString(), s.GetString());
    EXPECT_EQ(s.GetLength(), 10000);

    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    s.Format("a%cb", 0);
    EXPECT_EQ(S(s), "a") << "the text ends at the first zero";
}

TEST(ComString, WideTextIsConvertedAtTheEdges) {
    // "A", e acute, G clef (a surrogate pair), then an unpaired high and low
    // surrogate, each of which becomes U+FFFD.
    const unsigned short wide[] = {'A', 0x00E9, 0xD834, 0xDD1E, 0xD800, 'B', 0xDC00, 0};
    const CCOMString s(wide);
    EXPECT_EQ(S(s), "A\xC3\xA9\xF0\x9D\x84\x9E\xEF\xBF\xBD" "B\xEF\xBF\xBD");

    CCOMString t;
    t = wide;
    EXPECT_EQ(t, s);
    t = static_cast<const unsigned short*>(nullptr);
    EXPECT_TRUE(t.IsEmpty());
    const unsigned short hi[] = {'h', 'i', 0};
    t = "say ";
    t += hi;
    EXPECT_EQ(S(t), "say hi");
    EXPECT_EQ(S(hi + CCOMString("!")), "hi!");
    EXPECT_EQ(S(CCOMString(">") + hi), ">hi");
}
