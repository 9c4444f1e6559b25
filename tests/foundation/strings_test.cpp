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

class Strings : public tessaly::testing::PrefixTest {};

using Words = std::vector<std::string>;

Words items(const CStringArray& array) {
    Words out;
    for (int i = 0; i < array.GetSize(); ++i)
        out.push_back(array[i].str());
    return out;
}

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
        {"ab", "", 5, "ab", "ab"},
        {"ab", "x", INT_MIN, "ab", "ab"}, // the shortfall must not wrap round to a huge count
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(AppendString(c.text, c.fill, c.length), c.appended) << c.text << c.fill;
        EXPECT_STREQ(FillString(c.text, c.fill, c.length), c.filled) << c.text << c.fill;
    }
    for (auto [length, expected] : {std::pair{3, "007"}, {INT_MIN, "7"}}) {
        CString text("7");
        FillupString(text, length, '0', 99);
        EXPECT_STREQ(text, expected) << length;
    }
}

TEST_F(Strings, QuotingOnlyTrimmedTextsWithBlanks) {
    // Text, AddQuotation's answer, AddQuotationEx's answer (in place, stored trimmed).
    const char* cases[][3] = {
        {"  my file.txt  ", "\"my file.txt\"", "\"my file.txt\""},
        {"  file.txt  ", "  file.txt  ", "file.txt"},
        {"  \"a b  ", "  \"a b  ", "  \"a b  "}, // begins with a quote once trimmed
        {"   ", "   ", "   "},
        {"\ta\tb\t", "\ta\tb\t", "a\tb"}, // tabs are not blanks
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(AddQuotation(c[0]), c[1]) << "[" << c[0] << "]";
        char buffer[64];
        std::strcpy(buffer, c[0]);
        AddQuotationEx(buffer);
        EXPECT_STREQ(buffer, c[2]) << "[" << c[0] << "]";
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
        {"abc", 1, 1, nullptr, "ac"},
        // Start (plus count) beyond the end, even past INT_MAX, appends.
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
        {"abcabc", "abc", 0, 1, 0, 3, 2},     {"aaaaa", "aa", 0, 3, 0, 3, 2},
        {"\xC9t\xC9", "\xE9", 1, 1, 0, 2, 2}, {nullptr, "a", 0, 0, -1, -1, 0},
    };
    for (const auto& c : cases) {
        const std::string label = std::string(c.text ? c.text : "(null)") + "/" + c.pattern;
        EXPECT_EQ(FindStringEx(c.text, c.pattern, c.ignoreCase), c.found) << label;
        EXPECT_EQ(FindTextString(c.text, c.pattern, c.ignoreCase, c.start), c.textFound) << label;
        EXPECT_EQ(FindRepeatNumber(c.text, c.pattern, c.ignoreCase), c.repeats) << label;
    }
    EXPECT_EQ(IsStringEqual("abc", "ABC", 0), 0);
    EXPECT_EQ(IsStringEqual("\xE0", "\xC0", 1), 1);

    CStringArray array;
    EXPECT_EQ(IsInStringArray(array, "a", 0), -1);
    for (const char* item : {"A", "b", "B"})
        array.Add(item);
    EXPECT_EQ(IsInStringArray(array, "B", 0), 1); // 0 ignores case
    EXPECT_EQ(IsInStringArray(array, "B", 1), 2); // nonzero compares exactly
}

TEST_F(Strings, SplittingIntoFieldsAndWords) {
    struct Case {
        const char *text, *delimiters;
        Words fields;
    } fields[] = {
        {"a,,b,", ",", {"a", "", "b"}},
        {"a;b,c", ",;", {"a", "b", "c"}},
    };
    for (const auto& c : fields) {
        CStringArray array;
        array.Add("old");
        ConvertStringToArray(c.text, array, c.delimiters);
        EXPECT_EQ(items(array), c.fields) << c.text;
    }
    for (const auto& [text, words] :
         {std::pair<const char*, Words>{" a  b ", {"", "a", "b"}}, {"a \t b\nc", {"a", "b\nc"}}}) {
        CStringArray array;
        array.Add("old");
        SplitWords(text, array);
        EXPECT_EQ(items(array), words) << text;
    }
    for (const auto& [text, words] :
         {std::pair<const char*, Words>{"don't e-mail", {"dont", "email"}},
          {"a.b;c:d|e\\f\"g~h`i @#$%^&*(){}+_= x", {"abcdefghi", "x"}},
          {"keep/these?[ok]", {"keep/these?[ok]"}}}) {
        CStringArray array;
        array.Add("first");
        EXPECT_EQ(GetWordsFromString(text, array), static_cast<int>(words.size()) + 1);
        array.RemoveAt(0);
        EXPECT_EQ(items(array), words) << text;
    }
    tessaly::testing::UseAnsiCodePage("936");
    CStringArray array;
    // The trail byte of this character is a backslash, which must not be dropped.
    GetWordsFromString("\x81\x5C-a b", array);
    EXPECT_EQ(items(array), (Words{"\x81\x5C"
                                   "a",
                                   "b"}));
    EXPECT_EQ(FindStringEx("\x81\x5C\\", "\\", 0), 2);
}

TEST_F(Strings, HexAndCharacters) {
    struct Case {
        const char* text;
        int base;
        DWORD value;
        int consumed;
    } cases[] = {
        {"0x10", 10, 16, 4}, {"0X10", 16, 0, 1}, {"129", 8, 10, 2},
        {"-5", 10, 0, 0},    {"0x", 10, 0, 2},
    };
    for (const auto& c : cases) {
        std::string text(c.text);
        char* end = nullptr;
        EXPECT_EQ(HexToDword(text.data(), &end, c.base), c.value) << c.text;
        EXPECT_EQ(end - text.data(), c.consumed) << c.text;
    }
    EXPECT_EQ(GetWChar('\xB0', '\xA1'), 0xA0B0);
    EXPECT_EQ(GetWChar('\x80', 0), 0xFF80);
    for (auto [ch, word] : {std::pair{WCHAR('\''), 0}, {WCHAR('\n'), 0}, {WCHAR('\t'), 1}})
        EXPECT_EQ(IsUnicodeWordChar(ch), word) << ch;
    EXPECT_STREQ(StringToHex("\xE9\n"), "0xe9a"); // no padding

    CByteArray bytes;
    for (BYTE b : {BYTE('a'), BYTE(0), BYTE('c')})
        bytes.Add(b);
    EXPECT_EQ(GetByteArrayString(bytes).str(), std::string("a\0", 2));
}

TEST_F(Strings, AnsiAndWideConversions) {
    WCHAR buffer[8];
    EXPECT_EQ(Ansi2WChar("abc", buffer, 3), -1); // 4 units are needed
    EXPECT_EQ(Ansi2WChar("\x80\xE9", buffer, 8), 3);
    EXPECT_EQ(wide(buffer), u"\u20AC\u00E9");

    // Measured in the ANSI code page, written in Simplified Chinese.
    const WCHAR chinese[] = {0x4E2D, 'x', 0};
    char bytes[8];
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 2), -1);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 8), 4);
    EXPECT_STREQ(bytes, "\xD6\xD0x");
    // Windows-1252 measures 3 bytes; the Chinese text needs 4, so nothing fits.
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), 0);

    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(Ansi2WChar("\xD6\xD0", buffer, 8), 2);
    EXPECT_EQ(buffer[0], 0x4E2D);
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), -1);

    const WCHAR text[] = {'a', 0xE9, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(WcharToUtf8(text).str(), "a\xC3\xA9\xF0\x9F\x98\x80");
    WCHAR* back = Utf8ToWchar("a\xC3\xA9\xF0\x9F\x98\x80");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(wide(back), u"a\u00E9\U0001F600");
    // Fixed, zero-filled global memory of one unit per UTF-8 byte and one more, freed by the
    // caller.
    EXPECT_EQ(tessaly::platform::GlobalSize(back), 8 * sizeof(WCHAR));
    EXPECT_EQ(back[7], 0);
    EXPECT_EQ(tessaly::platform::GlobalFree(back), nullptr);
}

TEST_F(Strings, BytesThroughVariants) {
    CByteArray bytes;
    for (BYTE b : {BYTE('h'), BYTE('i'), BYTE(0), BYTE('!')})
        bytes.Add(b);
    CComVariant variant(3); // any old value is cleared
    _getBinaryValue(variant, bytes);
    ASSERT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(variant.parray, 1, &lower);
    SafeArrayGetUBound(variant.parray, 1, &upper);
    EXPECT_EQ(upper - lower, 3);

    CByteArray back;
    back.Add(99);
    V2ByteArray(variant, back);
    ASSERT_EQ(back.GetSize(), 4);
    EXPECT_EQ(back[3], '!');
    EXPECT_STREQ(V2String(variant), "hi"); // cut at the zero byte
    EXPECT_EQ(variant.parray->cLocks, 0u);

    CByteArray none;
    _getBinaryValue(variant, none);
    EXPECT_EQ(variant.vt, VT_EMPTY);
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
    for (auto [target, text] : {std::pair{&array, "ok"}, {&none, ""}}) {
        CComVariant reference;
        reference.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
        reference.byref = target;
        CByteArray bytes;
        bytes.Add(1);
        V2ByteArray(reference, bytes);
        EXPECT_EQ(bytes.GetSize(), *text ? 3 : 0);
        EXPECT_STREQ(V2String(reference), text);
    }
    EXPECT_EQ(array->cLocks, 0u);
    SafeArrayDestroy(array);
}
