// CString: byte positions, comparisons up to the first zero byte, and the code page's
// character rules for searching and editing.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include <tessaly/cstring.h>

#include "code_page.h"
#include "support/prefix.h"

namespace {

class CStringTest : public tessaly::testing::PrefixTest {};

std::string bytes(const CString& s) {
    return s.str();
}

// Each operation, with its result under Windows-1252 and under the double-byte code page
// 936. "\x81\x5C" is one double-byte character whose trail byte is a backslash, "\x81\x61"
// one whose trail byte is a lower-case a.
struct CodePageCase {
    const char* what;
    std::function<std::string()> run;
    std::string in1252;
    std::string in936;
};

std::string number(int n) {
    return std::to_string(n);
}

const CodePageCase kCodePageCases[] = {
    {"Find char skips trail bytes",
     [] {
         return number(CString("\x81\x5C"
                               "a\\b")
                           .Find('\\'));
     },
     "1", "3"},
    {"Find text skips trail bytes", [] { return number(CString("\x81\x5Cx").Find("\\x")); }, "1",
     "-1"},
    {"ReverseFind", [] { return number(CString("a\\\x81\x5C").ReverseFind('\\')); }, "3", "1"},
    {"FindOneOf", [] { return number(CString("\x81\x5C\\").FindOneOf("/\\")); }, "1", "2"},
    {"Replace char",
     [] {
         CString s("\x81\x5C\\");
         int n = s.Replace('\\', '/');
         return number(n) + bytes(s);
     },
     "2\x81//", "1\x81\x5C/"},
    {"Replace text",
     [] {
         CString s("\x81\x5C\\\\");
         int n = s.Replace("\\", "<>");
         return number(n) + bytes(s);
     },
     "3\x81<><><>", "2\x81\x5C<><>"},
    {"Remove",
     [] {
         CString s("\\\x81\x5C\\");
         int n = s.Remove('\\');
         return number(n) + bytes(s);
     },
     "3\x81", "2\x81\x5C"},
    {"TrimRight char", [] { return bytes(CString("ab\x81\x5C").TrimRight('\\')); }, "ab\x81",
     "ab\x81\x5C"},
    {"TrimRight set", [] { return bytes(CString("ab\x81\x5C\\").TrimRight("\\/")); }, "ab\x81",
     "ab\x81\x5C"},
    {"TrimLeft set",
     [] {
         return bytes(CString("\x81\x5C"
                              "b")
                          .TrimLeft("\x81"));
     },
     "\\b",
     "\x81\x5C"
     "b"},
    {"MakeReverse keeps pairs",
     [] {
         return bytes(CString("a\xD6\xD0"
                              "b")
                          .MakeReverse());
     },
     "b\xD0\xD6"
     "a",
     "b\xD6\xD0"
     "a"},
    {"MakeUpper leaves pairs", [] { return bytes(CString("\x81\x61x\xE9").MakeUpper()); },
     "\x81"
     "AX\xC9",
     "\x81\x61X\xE9"},
    {"MakeLower", [] { return bytes(CString("\xC9T\x81\x41").MakeLower()); },
     "\xE9t\x81"
     "a",
     "\xC9T\x81\x41"},
    {"CompareNoCase", [] { return number(CString("\xC9t\xE9").CompareNoCase("\xE9T\xC9")); }, "0",
     "-1"},
    {"SpanExcluding", [] { return bytes(CString("\x81\x5C\\z").SpanExcluding("\\")); }, "\x81",
     "\x81\x5C"},
    {"Tokenize",
     [] {
         CString s("\x81\x5C\\x"), out;
         int pos = 0;
         for (CString t = s.Tokenize("\\", pos); pos != -1; t = s.Tokenize("\\", pos))
             out += "[" + t + "]";
         return bytes(out);
     },
     "[\x81][x]", "[\x81\x5C][x]"},
};

} // namespace

TEST_F(CStringTest, SearchAndEditInWindows1252) {
    for (const auto& c : kCodePageCases)
        EXPECT_EQ(c.run(), c.in1252) << c.what;
}

TEST_F(CStringTest, SearchAndEditNeverSplitADoubleByteCharacter) {
    tessaly::testing::SetAnsiCodePage("936");
    for (const auto& c : kCodePageCases)
        EXPECT_EQ(c.run(), c.in936) << c.what;
}

TEST_F(CStringTest, ZeroBytesCountInTheLengthButEndTheText) {
    CString s("abc", 4); // abc and a zero byte
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_STREQ(s, "abc");
    EXPECT_TRUE(s == "abc");
    EXPECT_TRUE(s == CString("abc"));
    EXPECT_EQ(s.Compare("abd"), -1);
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s.GetAt(4), '\0'); // the terminator itself
    EXPECT_THROW(s.GetAt(5), std::out_of_range);
    EXPECT_THROW(s.GetAt(-1), std::out_of_range);
    EXPECT_THROW(s.SetAt(4, 'x'), std::out_of_range);
    CString t = s + "d";
    EXPECT_EQ(t.GetLength(), 5);
    EXPECT_EQ(t.str(), std::string("abc\0d", 5));
}

TEST_F(CStringTest, ComparisonsOrderUnsignedBytes) {
    struct Case {
        const char *a, *b;
        int compare, noCase;
    } cases[] = {
        {"abc", "abc", 0, 0},     {"abc", "abd", -1, -1},  {"b", "abc", 1, 1},
        {"ABC", "abc", -1, 0},    {"", "a", -1, -1},       {"\xE9", "z", 1, 1},
        {"Zeta", "alpha", -1, 1}, {"\xC0", "\xE0", -1, 0},
    };
    for (const auto& c : cases) {
        CString a(c.a);
        EXPECT_EQ(a.Compare(c.b), c.compare) << c.a << " " << c.b;
        EXPECT_EQ(a.CompareNoCase(c.b), c.noCase) << c.a << " " << c.b;
        EXPECT_EQ(a < c.b, c.compare < 0);
        EXPECT_EQ(c.b > a, c.compare < 0);
        EXPECT_EQ(a >= CString(c.b), c.compare >= 0);
        EXPECT_EQ(a != c.b, c.compare != 0);
    }
    EXPECT_EQ(CString().Compare(nullptr), 0);
}

TEST_F(CStringTest, PositionsClampLikeTheFramework) {
    const CString s("abcdef");
    struct Case {
        CString got;
        const char* expected;
    } cases[] = {
        {s.Mid(2), "cdef"},
        {s.Mid(2, 10), "cdef"},
        {s.Mid(-3, 2), "ab"},
        {s.Mid(9), ""},
        {s.Left(10), "abcdef"},
        {s.Left(-1), ""},
        {s.Right(2), "ef"},
        {s.Right(-1), ""},
        {s.SpanIncluding("cba"), "abc"},
        {s.SpanIncluding("x"), ""},
        {s.SpanExcluding("d"), "abc"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.got, c.expected);
    EXPECT_EQ(s.Find('a', 6), -1);
    EXPECT_EQ(s.Find("", 6), 6);
    EXPECT_EQ(s.Find("", 7), -1);
    EXPECT_EQ(s.Find("cd", -1), -1);
    EXPECT_EQ(s.Find(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(s.FindOneOf("xf"), 5);
    EXPECT_EQ(s.FindOneOf(""), -1);
}

TEST_F(CStringTest, Edits) {
    struct Case {
        const char* what;
        std::function<CString()> run;
        const char* expected;
    } cases[] = {
        {"Trim", [] { return CString(" \t a b \r\n").Trim(); }, "a b"},
        {"TrimLeft char", [] { return CString("xxaxx").TrimLeft('x'); }, "axx"},
        {"Trim set", [] { return CString("-+a+-").Trim("+-"); }, "a"},
        {"Trim all", [] { return CString("   ").Trim(); }, ""},
        {"Insert",
         [] {
             CString s("ac");
             s.Insert(1, 'b');
             return s;
         },
         "abc"},
        {"Insert past end",
         [] {
             CString s("ab");
             s.Insert(9, "cd");
             return s;
         },
         "abcd"},
        {"Insert before",
         [] {
             CString s("cd");
             s.Insert(-2, "ab");
             return s;
         },
         "abcd"},
        {"Delete",
         [] {
             CString s("abcdef");
             s.Delete(1, 2);
             return s;
         },
         "adef"},
        {"Delete past end",
         [] {
             CString s("abc");
             s.Delete(2, 10);
             return s;
         },
         "ab"},
        {"Delete outside",
         [] {
             CString s("abc");
             s.Delete(5, 1);
             return s;
         },
         "abc"},
        {"Replace grows",
         [] {
             CString s("aXbX");
             s.Replace("X", "XX");
             return s;
         },
         "aXXbXX"},
        {"Replace removes",
         [] {
             CString s("a--b");
             s.Replace("-", nullptr);
             return s;
         },
         "ab"},
        {"Truncate",
         [] {
             CString s("abcdef");
             s.Truncate(2);
             return s;
         },
         "ab"},
        {"SetString",
         [] {
             CString s;
             s.SetString("abcdef", 3);
             return s;
         },
         "abc"},
        {"Repeat", [] { return CString('z', 3); }, "zzz"},
        {"Wide",
         [] {
             const WCHAR w[] = {'c', 0xE9, 0x4E2D, 0};
             return CString(w);
         },
         "c\xE9?"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.run(), c.expected) << c.what;
}

TEST_F(CStringTest, TokenizeWalksAllTokens) {
    struct Case {
        const char *text, *delims, *joined;
    } cases[] = {
        {"a,b,,c", ",", "a|b|c|"},     {",,a", ",", "a|"}, {"", ",", ""}, {",,,", ",", ""},
        {"one two", " ,", "one|two|"},
    };
    for (const auto& c : cases) {
        CString text(c.text), joined;
        int pos = 0;
        for (CString t = text.Tokenize(c.delims, pos); pos != -1; t = text.Tokenize(c.delims, pos))
            joined += t + "|";
        EXPECT_STREQ(joined, c.joined) << c.text;
    }
    int pos = -3;
    EXPECT_STREQ(CString("abc").Tokenize(",", pos), "");
    EXPECT_EQ(pos, -1);
}

TEST_F(CStringTest, BufferAccess) {
    CString s("ab");
    char* buffer = s.GetBuffer(10);
    std::strcpy(buffer, "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_STREQ(s, "hello");
    buffer = s.GetBufferSetLength(3);
    buffer[2] = '\0';
    s.ReleaseBuffer(3); // an explicit length keeps the zero byte
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(s, "he");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 2);
}

TEST_F(CStringTest, Formatting) {
    CString s;
    s.Format("%d-%s-%05.1f", 42, "x", 3.14159);
    EXPECT_STREQ(s, "42-x-003.1");
    s.AppendFormat("[%c]", 'q');
    EXPECT_STREQ(s, "42-x-003.1[q]");
    std::string big(5000, 'w');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(s.GetLength(), 5002);

    s.FormatMessage("Error: %1 (%2!d!).", "table locked", 1205);
    EXPECT_STREQ(s, "Error: table locked (1205).");
    s.FormatMessage("%2 before %1%n", "b", "a");
    EXPECT_STREQ(s, "a before b\r\n");
}
