// The string services: padding, quoting, searching, splitting, hexadecimal text, code-page
// conversions and byte arrays carried in automation variants.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/memory.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace {

class Strings : public tessaly::testing::PrefixTest {
  protected:
    static void SetAnsiCodePage(const char* acp) { tessaly::testing::UseAnsiCodePage(acp); }
};

std::vector<std::string> items(const CStringArray& array) {
    std::vector<std::string> out;
    for (int i = 0; i < array.GetSize(); ++i)
        out.push_back(array[i].str());
    return out;
}

using Words = std::vector<std::string>;

std::u16string wide(const WCHAR* text) {
    std::u16string out;
    while (*text)
        out.push_back(static_cast<char16_t>(*text++));
    return out;
}

} // namespace

TEST_F(Strings, PaddingCountsMissingCharactersNotFills) {
    struct Case {
        const char *text, *fill;
        int length;
        const char *appended, *filled;
    } cases[] = {
        {"ab", "xy", 4, "abxyxy", "xyxyab"},
        {"abcdef", "x", 2, "abcdef", "abcdef"},
        {"", "0", 3, "000", "000"},
        {"ab", "", 5, "ab", "ab"},
        {"ab", "x", -1, "ab", "ab"},
        {"ab", "x", INT_MIN, "ab", "ab"}, // the shortfall must not wrap round to a huge count
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(AppendString(c.text, c.fill, c.length), c.appended) << c.text << c.fill;
        EXPECT_STREQ(FillString(c.text, c.fill, c.length), c.filled) << c.text << c.fill;
    }
    struct Fillup {
        const char* text;
        int length;
        char fill;
        const char* expected;
    } fillups[] = {{"7", 3, '0', "007"}, {"1234", 2, ' ', "1234"}, {"7", INT_MIN, '0', "7"}};
    for (const auto& c : fillups) {
        CString text(c.text);
        FillupString(text, c.length, c.fill, 99);
        EXPECT_STREQ(text, c.expected) << c.text;
    }
}

TEST_F(Strings, QuotingOnlyTrimmedTextsWithBlanks) {
    struct Case {
        const char *text, *quoted;
    } cases[] = {
        {"  my file.txt  ", "\"my file.txt\""},
        {"  file.txt  ", "  file.txt  "}, // unchanged, blanks included
        {"\"a b\"", "\"a b\""},
        {"  \"a b  ", "  \"a b  "}, // begins with a quote once trimmed
        {"   ", "   "},
        {"", ""},
        {"\ta\tb\t", "\ta\tb\t"}, // tabs are not blanks
        {"\ta b\n", "\"a b\""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(AddQuotation(c.text), c.quoted) << "[" << c.text << "]";
        char buffer[64];
        std::strcpy(buffer, c.text);
        AddQuotationEx(buffer);
        // In place, a trimmed text without blanks is stored trimmed.
        CString trimmed(c.text);
        trimmed.Trim();
        const bool leftAlone = trimmed.IsEmpty() || trimmed[0] == '"';
        EXPECT_STREQ(buffer, leftAlone                ? c.text
                             : trimmed.Find(' ') >= 0 ? c.quoted
                                                      : trimmed.GetString())
            << "[" << c.text << "]";
    }
    AddQuotationEx(nullptr);
}

TEST_F(Strings, ReplaceString) {
    struct Case {
        const char* text;
        int start, count;
        const char *replacement, *expected;
    } cases[] = {
        {"hello world", 6, 5, "there", "hello there"},
        {"abc", 0, 0, ">", ">abc"},
        {"abc", 10, 2, "!", "abc!"}, // start beyond the end appends
        {"abcdef", 2, 99, "", "ab"}, // count beyond the end drops the rest
        {"abc", 1, 1, nullptr, "ac"},
        // Start plus count past INT_MAX still means beyond the end.
        {"abc", INT_MAX, INT_MAX, "!", "abc!"},
        {"abcdef", 3, INT_MAX - 2, "X", "abcX"},
    };
    for (const auto& c : cases) {
        CString text(c.text);
        ReplaceString(text, c.start, c.count, c.replacement);
        EXPECT_STREQ(text, c.expected) << c.text;
    }
}

TEST_F(Strings, SearchingWithTheIgnoreCaseFlag) {
    struct Case {
        const char *text, *pattern;
        int ignoreCase, start;
        int found, textFound, repeats;
    } cases[] = {
        {"Hello", "LL", 1, 0, 2, 2, 1},       {"Hello", "LL", 0, 0, -1, -1, 0},
        {"abcabc", "abc", 0, 1, 0, 3, 2},     {"abcabc", "abc", 0, 7, 0, -1, 2},
        {"abcabc", "abc", 0, -5, 0, 0, 2},    {"aaaa", "aa", 0, 0, 0, 0, 2},
        {"aaaaa", "aa", 0, 3, 0, 3, 2},       {"xyz", "q", 1, 0, -1, -1, 0},
        {"\xC9t\xC9", "\xE9", 1, 1, 0, 2, 2}, // accented letters fold in Windows-1252
        {nullptr, "a", 0, 0, -1, -1, 0},      {"abc", nullptr, 0, 0, 0, 0, 0},
        {"abc", "", 1, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string label =
            std::string(c.text ? c.text : "(null)") + "/" + (c.pattern ? c.pattern : "(null)");
        EXPECT_EQ(FindStringEx(c.text, c.pattern, c.ignoreCase), c.found) << label;
        EXPECT_EQ(FindTextString(c.text, c.pattern, c.ignoreCase, c.start), c.textFound) << label;
        EXPECT_EQ(FindRepeatNumber(c.text, c.pattern, c.ignoreCase), c.repeats) << label;
    }
    struct Equal {
        const char *a, *b;
        int ignoreCase, equal;
    } equals[] = {{"abc", "abc", 0, 1},  {"abc", "ABC", 0, 0}, {"abc", "ABC", 1, 1},
                  {"abc", "abcd", 1, 0}, {nullptr, "", 0, 1},  {"\xE0", "\xC0", 1, 1}};
    for (const auto& c : equals)
        EXPECT_EQ(IsStringEqual(c.a, c.b, c.ignoreCase), c.equal);
}

TEST_F(Strings, IsInStringArrayReadsItsFlagTheOtherWayRound) {
    CStringArray empty;
    EXPECT_EQ(IsInStringArray(empty, "a", 0), -1);
    CStringArray array;
    array.Add("A");
    EXPECT_EQ(IsInStringArray(array, "a", 0), 0);  // 0 ignores case
    EXPECT_EQ(IsInStringArray(array, "a", 1), -1); // nonzero compares exactly
    array.Add("b");
    array.Add("B");
    EXPECT_EQ(IsInStringArray(array, "B", 0), 1);
    EXPECT_EQ(IsInStringArray(array, "B", 1), 2);
}

TEST_F(Strings, SplittingIntoFieldsAndWords) {
    struct Case {
        const char *text, *delimiters;
        Words fields;
    } fields[] = {
        {"a,,b,", ",", {"a", "", "b"}},   {",a", ",", {"", "a"}}, {"", ",", {}},
        {"a;b,c", ",;", {"a", "b", "c"}}, {"abc", "", {"abc"}},   {",", ",", {""}},
    };
    for (const auto& c : fields) {
        CStringArray array;
        array.Add("old");
        ConvertStringToArray(c.text, array, c.delimiters);
        EXPECT_EQ(items(array), c.fields) << c.text;
    }
    const std::pair<const char*, Words> splits[] = {
        {" a  b ", {"", "a", "b"}},
        {"one", {"one"}},
        {"", {}},
        {"tab\there line\nbreak", {"tab\there", "line\nbreak"}},
        {"a \t b", {"a", "b"}}, // white space after a blank is trimmed
    };
    for (const auto& [text, words] : splits) {
        CStringArray array;
        array.Add("old");
        SplitWords(text, array);
        EXPECT_EQ(items(array), words) << text;
    }
}

TEST_F(Strings, GetWordsFromStringDropsPunctuationInsideWords) {
    const std::pair<const char*, Words> cases[] = {
        {"Hi, there!", {"Hi", "there"}},
        {"don't e-mail", {"dont", "email"}},
        {"a.b;c:d|e\\f\"g~h`i", {"abcdefghi"}},
        {"@#$%^&*(){}+_= x", {"x"}},
        {"keep/these?[ok]", {"keep/these?[ok]"}},
        {"  spaced   out  ", {"spaced", "out"}},
        {"", {}},
    };
    for (const auto& [text, words] : cases) {
        CStringArray array;
        EXPECT_EQ(GetWordsFromString(text, array), static_cast<int>(words.size()));
        EXPECT_EQ(items(array), words) << text;
    }
    CStringArray array;
    array.Add("first");
    EXPECT_EQ(GetWordsFromString("second third", array), 3); // appends
}

TEST_F(Strings, DoubleByteCharactersStayWholeInWords) {
    SetAnsiCodePage("936");
    CStringArray array;
    // The trail byte of this character is a backslash, which must not be dropped.
    GetWordsFromString("\x81\x5C-a b", array);
    EXPECT_EQ(items(array), (Words{"\x81\x5C"
                                   "a",
                                   "b"}));
    EXPECT_EQ(FindStringEx("\x81\x5C\\", "\\", 0), 2);
}

TEST_F(Strings, HexToDword) {
    struct Case {
        const char* text;
        int base;
        DWORD value;
        int consumed;
    } cases[] = {
        {"1F", 16, 31, 2},       {"0x10", 10, 16, 4},
        {"0X10", 16, 0, 1},      {"129", 8, 10, 2},
        {"", 16, 0, 0},          {"-5", 10, 0, 0},
        {" 5", 10, 0, 0},        {"FFFFFFFF", 16, 0xFFFFFFFFu, 8},
        {"100000000", 16, 0, 9}, // wraps
        {"0x", 10, 0, 2},        {"12ab", 10, 12, 2},
    };
    for (const auto& c : cases) {
        std::string text(c.text);
        char* end = nullptr;
        EXPECT_EQ(HexToDword(text.data(), &end, c.base), c.value) << c.text;
        EXPECT_EQ(end - text.data(), c.consumed) << c.text;
        EXPECT_EQ(HexToDword(text.data(), nullptr, c.base), c.value) << c.text;
    }
}

TEST_F(Strings, CharactersAndHexText) {
    struct Char {
        char low, high;
        WCHAR expected;
    } chars[] = {{'\xB0', '\xA1', 0xA0B0}, {'\x80', 0, 0xFF80}, {'\xFF', '\xFF', 0xFEFF}};
    for (const auto& c : chars)
        EXPECT_EQ(GetWChar(c.low, c.high), c.expected);

    const WCHAR separators[] = {' ', ',', '.', ';', '\'', '"', '\r', '\n'};
    for (WCHAR ch : separators)
        EXPECT_EQ(IsUnicodeWordChar(ch), 0) << ch;
    for (WCHAR ch : {WCHAR('\t'), WCHAR(0x4E2D), WCHAR(0)})
        EXPECT_EQ(IsUnicodeWordChar(ch), 1) << ch;

    EXPECT_STREQ(StringToHex("\xE9\n"), "0xe9a"); // no padding
    EXPECT_STREQ(StringToHex(""), "");

    const std::pair<std::vector<BYTE>, std::string> arrays[] = {
        {{'a', 0, 'c'}, std::string("a\0", 2)},
        {{}, std::string("\0", 1)},
    };
    for (const auto& [values, expected] : arrays) {
        CByteArray bytes;
        for (BYTE b : values)
            bytes.Add(b);
        CString text = GetByteArrayString(bytes);
        EXPECT_EQ(text.GetLength(), static_cast<int>(expected.size()));
        EXPECT_EQ(text.str(), expected);
    }
}

TEST_F(Strings, AnsiAndWideConversions) {
    WCHAR buffer[8];
    EXPECT_EQ(Ansi2WChar("abc", buffer, 3), -1); // 4 units are needed
    EXPECT_EQ(Ansi2WChar("abc", buffer, 0), 0);
    EXPECT_EQ(Ansi2WChar("\x80\xE9", buffer, 8), 3);
    EXPECT_EQ(wide(buffer), u"\u20AC\u00E9");
    EXPECT_EQ(Ansi2WChar(nullptr, buffer, 8), 1);

    // Measured in the ANSI code page, written in Simplified Chinese.
    const WCHAR chinese[] = {0x4E2D, 'x', 0};
    char bytes[8];
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 2), -1);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 0), 0);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 8), 4);
    EXPECT_STREQ(bytes, "\xD6\xD0x");
    // Windows-1252 measures 3 bytes; the Chinese text needs 4, so nothing fits.
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), 0);

    SetAnsiCodePage("936");
    EXPECT_EQ(Ansi2WChar("\xD6\xD0", buffer, 8), 2);
    EXPECT_EQ(buffer[0], 0x4E2D);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), -1);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 4), 4);
}

TEST_F(Strings, Utf8BothWays) {
    const WCHAR text[] = {'a', 0xE9, 0x4E2D, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(WcharToUtf8(text).str(), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_STREQ(WcharToUtf8(nullptr), "");

    WCHAR* back = Utf8ToWchar("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(wide(back), u"a\u00E9\u4E2D\U0001F600");
    // Fixed, zero-filled global memory of (length + 1) units, freed by the caller.
    EXPECT_EQ(tessaly::platform::GlobalSize(back), 11 * sizeof(WCHAR));
    EXPECT_EQ(back[6], 0);
    EXPECT_EQ(tessaly::platform::GlobalFree(back), nullptr);

    WCHAR* empty = Utf8ToWchar("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
    tessaly::platform::GlobalFree(empty);
}

TEST_F(Strings, BytesThroughVariants) {
    CByteArray bytes;
    for (BYTE b : {BYTE('h'), BYTE('i'), BYTE(0), BYTE('!')})
        bytes.Add(b);
    CComVariant variant(3); // any old value is cleared
    _getBinaryValue(variant, bytes);
    ASSERT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    LONG lower = -1, upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(variant.parray, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(variant.parray, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 3);

    CByteArray back;
    back.Add(99);
    V2ByteArray(variant, back);
    ASSERT_EQ(back.GetSize(), 4);
    EXPECT_EQ(back[3], '!');
    EXPECT_STREQ(V2String(variant), "hi");    // cut at the zero byte
    EXPECT_EQ(variant.vt, VT_ARRAY | VT_UI1); // the caller's variant was passed by value
    EXPECT_EQ(variant.parray->cLocks, 0u);

    CByteArray none;
    _getBinaryValue(variant, none);
    EXPECT_EQ(variant.vt, VT_EMPTY);
    V2ByteArray(variant, back);
    EXPECT_EQ(back.GetSize(), 0);
    EXPECT_STREQ(V2String(variant), "");
    EXPECT_STREQ(V2String(CComVariant(7)), ""); // not an array: nothing to read
}

// A variant that refers to the caller's array (as automation passes out-parameters) is read
// through the reference.
TEST_F(Strings, BytesThroughVariantsByReference) {
    SAFEARRAYBOUND bound{3, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    ASSERT_NE(array, nullptr);
    static_cast<BYTE*>(array->pvData)[0] = 'o';
    static_cast<BYTE*>(array->pvData)[1] = 'k';
    SAFEARRAY* none = nullptr;
    struct Case {
        SAFEARRAY** target;
        const char* text;
        int size;
    } cases[] = {{&array, "ok", 3}, {&none, "", 0}, {nullptr, "", 0}};
    for (const auto& c : cases) {
        CComVariant reference;
        reference.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
        reference.byref = c.target;
        CByteArray bytes;
        bytes.Add(1);
        V2ByteArray(reference, bytes);
        ASSERT_EQ(bytes.GetSize(), c.size);
        if (c.size) {
            EXPECT_EQ(bytes[1], 'k');
        }
        EXPECT_STREQ(V2String(reference), c.text);
    }
    EXPECT_EQ(array->cLocks, 0u);
    SafeArrayDestroy(array);
}
