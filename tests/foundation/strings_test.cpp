// The string services: padding, quoting, searching, splitting, hexadecimal text, code-page
// conversions and byte arrays carried in automation variants.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/memory.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace {

class Strings : public tessaly::testing::PrefixTest {};

using Words = std::vector<std::string>;

// The array's items after the first (a marker that shows whether the call cleared it).
Words itemsAfter(const CStringArray& array, int first = 0) {
    Words out;
    for (int i = first; i < array.GetSize(); ++i)
        out.push_back(array[i].str());
    return out;
}

} // namespace

TEST_F(Strings, PaddingAndReplacingNeverWrap) {
    for (auto [fill, length, appended, filled] :
         {std::tuple{"xy", 4, "abxyxy", "xyxyab"},
          {"", 5, "ab", "ab"},
          {"x", INT_MIN, "ab", "ab"}}) { // the shortfall must not wrap round to a huge count
        EXPECT_STREQ(AppendString("ab", fill, length), appended) << length;
        EXPECT_STREQ(FillString("ab", fill, length), filled) << length;
    }
    for (auto [length, expected] : {std::pair{3, "007"}, {INT_MIN, "7"}}) {
        CString text("7");
        FillupString(text, length, '0', 99);
        EXPECT_STREQ(text, expected) << length;
    }
    // Start (plus count) beyond the end, even past INT_MAX, appends.
    for (auto [text, start, count, replacement, expected] :
         {std::tuple{"hello world", 6, 5, "there", "hello there"},
          {"abc", 1, 1, nullptr, "ac"},
          {"abc", INT_MAX, INT_MAX, "!", "abc!"},
          {"abcdef", 3, INT_MAX - 2, "X", "abcX"}}) {
        CString result(text);
        ReplaceString(result, start, count, replacement);
        EXPECT_STREQ(result, expected) << text << start;
    }
}

TEST_F(Strings, QuotingOnlyTrimmedTextsWithBlanks) {
    // Text, AddQuotation's answer, AddQuotationEx's answer (in place, stored trimmed).
    const char* cases[][3] = {
        {"  my file.txt  ", "\"my file.txt\"", "\"my file.txt\""},
        {"  \"a b  ", "  \"a b  ", "  \"a b  "}, // begins with a quote once trimmed
        {"\ta\tb\t", "\ta\tb\t", "a\tb"},        // tabs are not blanks
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

TEST_F(Strings, SearchingWithTheIgnoreCaseFlag) {
    // Text, pattern, ignore case, FindTextString's start; FindStringEx's, FindTextString's and
    // FindRepeatNumber's answers.
    const std::tuple<const char*, const char*, int, int, int, int, int> cases[] = {
        {"Hello", "LL", 1, 0, 2, 2, 1},  {"Hello", "LL", 0, 0, -1, -1, 0},
        {"aaaaa", "aa", 0, 3, 0, 3, 2},  {"\xC9t\xC9", "\xE9", 1, 1, 0, 2, 2},
        {nullptr, "a", 0, 0, -1, -1, 0},
    };
    for (const auto& [text, pattern, ignoreCase, start, found, textFound, repeats] : cases)
        EXPECT_EQ(std::tuple(FindStringEx(text, pattern, ignoreCase),
                             FindTextString(text, pattern, ignoreCase, start),
                             FindRepeatNumber(text, pattern, ignoreCase)),
                  std::tuple(found, textFound, repeats))
            << (text ? text : "(null)") << "/" << pattern;
    EXPECT_EQ(IsStringEqual("\xE0", "\xC0", 1), 1);
    CStringArray array;
    for (const char* item : {"A", "b", "B"})
        array.Add(item);
    EXPECT_EQ(IsInStringArray(array, "B", 0), 1); // 0 ignores case
    EXPECT_EQ(IsInStringArray(array, "B", 1), 2); // nonzero compares exactly
}

TEST_F(Strings, SplittingIntoFieldsAndWords) {
    CStringArray array;
    array.Add("old");
    ConvertStringToArray("a,,b;", array, ",;");
    EXPECT_EQ(itemsAfter(array), (Words{"a", "", "b"}));
    for (const auto& [text, words] :
         {std::pair<const char*, Words>{" a  b ", {"", "a", "b"}}, {"a \t b\nc", {"a", "b\nc"}}}) {
        SplitWords(text, array);
        EXPECT_EQ(itemsAfter(array), words) << text;
    }
    array.RemoveAll();
    array.Add("first");
    EXPECT_EQ(GetWordsFromString("don't a.b;c:d|e\\f\"g~h`i @#$%^&*(){}+_= x/y?[z]", array), 4);
    EXPECT_EQ(itemsAfter(array, 1), (Words{"dont", "abcdefghi", "x/y?[z]"}));
    tessaly::testing::UseAnsiCodePage("936");
    // The trail byte of this character is a backslash, which must not be dropped.
    array.RemoveAll();
    GetWordsFromString("\x81\x5C-a b", array);
    EXPECT_EQ(itemsAfter(array), (Words{"\x81\x5C"
                                        "a",
                                        "b"}));
    EXPECT_EQ(FindStringEx("\x81\x5C\\", "\\", 0), 2);
}

TEST_F(Strings, HexAndCharacters) {
    for (auto [text, base, value, consumed] : {std::tuple{"0x10", 10, 16u, 4},
                                               {"0X10", 16, 0u, 1},
                                               {"129", 8, 10u, 2},
                                               {"-5", 10, 0u, 0}}) {
        std::string input(text);
        char* end = nullptr;
        EXPECT_EQ(HexToDword(input.data(), &end, base), value) << text;
        EXPECT_EQ(end - input.data(), consumed) << text;
    }
    EXPECT_EQ(GetWChar('\xB0', '\xA1'), 0xA0B0);
    EXPECT_EQ(GetWChar('\x80', 0), 0xFF80);
    for (auto [ch, word] : {std::pair{WCHAR('\''), 0}, {WCHAR('\t'), 1}})
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
    EXPECT_EQ(Ansi2WChar("abc", buffer, 0), 0);
    EXPECT_EQ(Ansi2WChar("\x80\xE9", buffer, 8), 3);
    EXPECT_EQ(std::u16string(buffer, buffer + 2), u"\u20AC\u00E9");
    // Measured in the ANSI code page, written in Simplified Chinese.
    const WCHAR chinese[] = {0x4E2D, 'x', 0};
    char bytes[8];
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 8), 4);
    EXPECT_STREQ(bytes, "\xD6\xD0x");
    // Windows-1252 measures 3 bytes; the Chinese text needs 4, so nothing fits.
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), 0);
    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(WChar2Ansi(chinese, bytes, 3), -1);

    const WCHAR text[] = {'a', 0xE9, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(WcharToUtf8(text).str(), "a\xC3\xA9\xF0\x9F\x98\x80");
    WCHAR* back = Utf8ToWchar("a\xC3\xA9\xF0\x9F\x98\x80");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::u16string(back, back + 4), u"a\u00E9\U0001F600");
    EXPECT_EQ(tessaly::platform::GlobalSize(back), 8 * sizeof(WCHAR)); // a unit per byte, and one
    EXPECT_EQ(tessaly::platform::GlobalFree(back), nullptr);
}

TEST_F(Strings, BytesThroughVariants) {
    CByteArray bytes;
    for (BYTE b : {BYTE('h'), BYTE('i'), BYTE(0), BYTE('!')})
        bytes.Add(b);
    CComVariant variant(3); // any old value is cleared
    _getBinaryValue(variant, bytes);
    ASSERT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    // Automation's out-parameters refer to the caller's array: it is read through the reference.
    CComVariant reference;
    reference.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    reference.byref = &variant.parray;
    for (const CComVariant* source : {&variant, &reference}) {
        CByteArray back;
        back.Add(99);
        V2ByteArray(*source, back);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData()), back.GetSize()),
                  std::string("hi\0!", 4));
        EXPECT_STREQ(V2String(*source), "hi"); // cut at the zero byte
    }
    EXPECT_EQ(variant.parray->cLocks, 0u);
    CByteArray none;
    _getBinaryValue(variant, none);
    EXPECT_EQ(variant.vt, VT_EMPTY);
    EXPECT_STREQ(V2String(CComVariant(7)), ""); // not an array: nothing to read
}
