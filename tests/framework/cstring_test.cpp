// CString: byte positions, comparisons up to a zero byte, and the code page's character rules.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/cstring.h>

#include "support/prefix.h"
#include "support/registry.h"

namespace {

class CStringTest : public tessaly::testing::PrefixTest {};

// An edit's result, then the text it leaves.
std::string counted(int result, const CString& s) {
    return std::to_string(result) + ":" + s.str();
}

std::string tokens(const CString& s, const char* set) {
    std::string joined;
    int pos = 0;
    for (CString t = s.Tokenize(set, pos); pos != -1; t = s.Tokenize(set, pos))
        joined += t.str() + "|";
    return joined;
}

struct Case {
    const char* what;
    const char* text;
    std::function<std::string(CString&)> run;
    std::string expected;
    std::string in936 = {}; // under the double-byte code page 936, when it differs
};

void expectAll(const std::vector<Case>& cases, bool doubleByte = false) {
    for (const Case& c : cases) {
        CString s(c.text);
        EXPECT_EQ(c.run(s), doubleByte && !c.in936.empty() ? c.in936 : c.expected) << c.what;
    }
}

// Under 936 "\201\134" is one character with a backslash trail byte, "\201\141" an a.
const std::vector<Case> kCodePageCases = {
    {"Find char", "\201\134a\\b", [](CString& s) { return std::to_string(s.Find('\\')); }, "1",
     "3"},
    {"ReverseFind", "a\\\201\134", [](CString& s) { return std::to_string(s.ReverseFind('\\')); },
     "3", "1"},
    {"FindOneOf", "\201\134\\", [](CString& s) { return std::to_string(s.FindOneOf("/\\")); }, "1",
     "2"},
    {"Replace char", "\201\134\\", [](CString& s) { return counted(s.Replace('\\', '/'), s); },
     "2:\201//", "1:\201\134/"},
    {"Replace text", "\201\134\\\\", [](CString& s) { return counted(s.Replace("\\", "<>"), s); },
     "3:\201<><><>", "2:\201\134<><>"},
    {"Remove", "\\\201\134\\", [](CString& s) { return counted(s.Remove('\\'), s); }, "3:\201",
     "2:\201\134"},
    {"TrimRight char", "ab\201\134", [](CString& s) { return s.TrimRight('\\').str(); }, "ab\201",
     "ab\201\134"},
    {"MakeReverse keeps pairs", "a\326\320b", [](CString& s) { return s.MakeReverse().str(); },
     "b\320\326a", "b\326\320a"},
    {"MakeUpper leaves pairs", "\201\141x\351", [](CString& s) { return s.MakeUpper().str(); },
     "\201AX\311", "\201\141X\351"},
    {"Tokenize", "\201\134\\x", [](CString& s) { return tokens(s, "\\"); }, "\201|x|",
     "\201\134|x|"}};

} // namespace

TEST_F(CStringTest, SearchAndEditInWindows1252) {
    expectAll(kCodePageCases);
}

TEST_F(CStringTest, SearchAndEditNeverSplitADoubleByteCharacter) {
    tessaly::testing::UseAnsiCodePage("936");
    expectAll(kCodePageCases, true);
}

TEST_F(CStringTest, ZeroBytesCountInTheLengthButEndTheText) {
    CString s("abc", 4); // abc and a zero byte
    EXPECT_EQ(std::make_tuple(s.GetLength(), s == CString("abc"), s.Compare("abd"), s.GetAt(4)),
              std::make_tuple(4, true, -1, '\0')); // GetAt(4): the terminator itself
    EXPECT_THROW(s.GetAt(5), std::out_of_range);
    EXPECT_THROW(s.SetAt(4, 'x'), std::out_of_range);
    EXPECT_EQ((s + "d").str(), std::string("abc\0d", 5));
}

TEST_F(CStringTest, ComparisonsOrderUnsignedBytes) {
    const std::tuple<const char*, const char*, int, int> cases[] = {
        {"b", "abc", 1, 1}, {"\xE9", "z", 1, 1}, {"Zeta", "alpha", -1, 1}, {"\xC0", "\xE0", -1, 0}};
    for (const auto& [a, b, compare, noCase] : cases)
        EXPECT_EQ(std::make_pair(CString(a).Compare(b), CString(a).CompareNoCase(b)),
                  std::make_pair(compare, noCase))
            << a << " " << b;
    EXPECT_EQ(CString().Compare(nullptr), 0);
}

TEST_F(CStringTest, PositionsClampLikeTheFramework) {
    const CString s("abcdef");
    const std::pair<CString, const char*> parts[] = {{s.Mid(2, 10), "cdef"},
                                                     {s.Mid(-3, 2), "ab"},
                                                     {s.Left(-1), ""},
                                                     {s.SpanIncluding("cba"), "abc"}};
    for (const auto& [got, expected] : parts)
        EXPECT_STREQ(got, expected);
    const std::pair<int, int> finds[] = {
        {s.Find("", 6), 6}, {s.Find("", 7), -1}, {s.Find(static_cast<const char*>(nullptr)), -1}};
    for (const auto& [got, expected] : finds)
        EXPECT_EQ(got, expected);
}

TEST_F(CStringTest, Edits) {
    const std::vector<Case> cases = {
        {"Trim", " \t a b \r\n", [](CString& s) { return s.Trim().str(); }, "a b"},
        {"Insert past end", "ab", [](CString& s) { return counted(s.Insert(9, "cd"), s); },
         "4:abcd"},
        {"Delete past end", "abc", [](CString& s) { return counted(s.Delete(2, 10), s); }, "2:ab"},
        {"Replace grows", "aXbX", [](CString& s) { return counted(s.Replace("X", "XX"), s); },
         "2:aXXbXX"},
        {"Replace removes", "a--b", [](CString& s) { return counted(s.Replace("-", nullptr), s); },
         "2:ab"},
        {"Wide", "",
         [](CString&) {
             const WCHAR w[] = {'c', 0xE9, 0x4E2D, 0};
             return CString(w).str();
         },
         "c\xE9?"},
        {"Tokenize", "a,b,,c", [](CString& s) { return tokens(s, " ,"); }, "a|b|c|"},
        {"Tokenize none", ",,,", [](CString& s) { return tokens(s, " ,"); }, ""}};
    expectAll(cases);
    int pos = -3;
    EXPECT_STREQ(CString("abc").Tokenize(",", pos), "");
    EXPECT_EQ(pos, -1);
}

TEST_F(CStringTest, BufferAccessAndFormatting) {
    CString s("ab");
    std::strcpy(s.GetBuffer(10), "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    s.GetBufferSetLength(3)[2] = '\0';
    s.ReleaseBuffer(3); // an explicit length keeps the zero byte
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(s, "he");

    s.Format("%d-%s-%05.1f", 42, "x", 3.14159);
    s.AppendFormat("[%c]", 'q');
    EXPECT_STREQ(s, "42-x-003.1[q]");
    s.Format("<%s>", std::string(5000, 'w').c_str()); // past any first guess of the size
    EXPECT_EQ(s.GetLength(), 5002);
    s.FormatMessage("Error: %1 (%2!d!).", "table locked", 1205);
    EXPECT_STREQ(s, "Error: table locked (1205).");
    s.FormatMessage("%2 before %1%n", "b", "a");
    EXPECT_STREQ(s, "a before b\r\n");
}
