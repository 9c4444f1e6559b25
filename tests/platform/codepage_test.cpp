// The ANSI code page of the prefix and the Windows conversion rules.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::platform;

namespace {

class CodePage : public tessaly::testing::PrefixTest {
  protected:
    static void SetAcp(const char* acp) { tessaly::testing::UseAnsiCodePage(acp); }
};

std::u16string toWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
    int n =
        MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0)
        MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()),
                            reinterpret_cast<WCHAR*>(out.data()), n);
    return out;
}

std::string toBytes(UINT cp, const std::u16string& wide) {
    auto w = reinterpret_cast<const WCHAR*>(wide.data());
    int len = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(cp, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) WideCharToMultiByte(cp, 0, w, len, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

TEST_F(CodePage, AnsiCodePageComesFromTheMachineHive) {
    EXPECT_EQ(GetACP(), 1252u);
    // A value iconv does not know falls back to Windows-1252.
    SetAcp("4711");
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(toWide(CP_ACP, "\xD6\xD0"), u"\u00D6\u00D0");
    SetAcp("936");
    EXPECT_EQ((std::vector<BOOL>{IsDBCSLeadByte(0x80), IsDBCSLeadByte(0x81), IsDBCSLeadByte(0xFE),
                                 IsDBCSLeadByte(0xFF)}),
              (std::vector<BOOL>{FALSE, TRUE, TRUE, FALSE}));
    EXPECT_EQ(toBytes(CP_ACP, u"\u6587"), "\xCE\xC4");
    EXPECT_EQ(Utf8ToAnsi("\xE6\x96\x87!"), "\xCE\xC4!");
    EXPECT_EQ(AnsiToUtf16("\xD6\xD0x"), u"\u4E2Dx");
    EXPECT_EQ(Utf16ToAnsi(u"\u4E2D\u0E01"), "\xD6\xD0?");
}

// A value written by this process counts at once; one written by another process from the
// next call on, and within a CodePageScope from the scope's end.
TEST_F(CodePage, ChangesAreSeenByTheNextCall) {
    // Written by another process, read within a scope; GetACP right after the write.
    const std::tuple<bool, bool, UINT> cases[] = {
        {false, false, 936}, {false, true, 936}, {true, false, 936}, {true, true, 1252}};
    for (auto [otherProcess, scoped, inScope] : cases) {
        SCOPED_TRACE(std::to_string(otherProcess) + std::to_string(scoped));
        SetAcp("1252");
        ASSERT_EQ(GetACP(), 1252u);
        {
            std::optional<CodePageScope> scope;
            if (scoped) scope.emplace();
            EXPECT_EQ(AnsiToUtf8("\xD6\xD0"), "\xC3\x96\xC3\x90");
            if (otherProcess) {
                pid_t child = fork();
                if (child == 0) {
                    SetAcp("936");
                    _exit(::testing::Test::HasFailure() ? 1 : 0);
                }
                int status = -1;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                ASSERT_EQ(status, 0);
            } else {
                SetAcp("936");
            }
            EXPECT_EQ(GetACP(), inScope);
        }
        EXPECT_EQ(GetACP(), 936u);
        EXPECT_EQ(AnsiToUtf8("\xD6\xD0"), "\xE4\xB8\xAD");
    }
}

TEST_F(CodePage, DecodingFollowsTheCodePage) {
    const std::tuple<UINT, std::string, std::u16string> cases[] = {
        {1252, "\x80\xE9\xFF", u"\u20AC\u00E9\u00FF"},
        {1252, "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"}, // unassigned pass
        {65001, "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {65001, "a\377b", u"a\uFFFDb"},       // invalid byte
        {65001, "\xE4\xB8", u"\uFFFD\uFFFD"}, // cut short
    };
    for (const auto& [cp, bytes, wide] : cases)
        EXPECT_EQ(toWide(cp, bytes), wide) << cp << " " << bytes;
}

TEST_F(CodePage, EncodingReplacesWhatHasNoPlace) {
    const std::tuple<UINT, std::u16string, std::string> cases[] = {
        {1252, u"\u20AC\u00E9\u4E2D", "\x80\xE9?"},
        {1252, u"\u0100", "?"}, // no best fit: A with macron is not A
        {1252, u"\xD83D\xDE00", "??"},
        {936, u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
        {65001, u"\u4E2D\xD800", "\xE4\xB8\xAD\xEF\xBF\xBD"}, // a lone surrogate
    };
    for (const auto& [cp, wide, bytes] : cases)
        EXPECT_EQ(toBytes(cp, wide), bytes) << cp;
}

// Length -1 counts and writes the terminator; an explicit length writes none.
TEST_F(CodePage, BufferRulesAndBadArguments) {
    WCHAR wide[8] = {'#', '#', '#', '#', '#'};
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", 3, wide, 8), 3);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, wide + 4, 4), 4);
    EXPECT_EQ((std::u16string(reinterpret_cast<char16_t*>(wide), 8)),
              std::u16string(u"abc#abc\0", 8));
    const std::pair<std::function<int()>, DWORD> cases[] = {
        {[&] { return MultiByteToWideChar(1252, 0, "abc", -1, wide, 3); }, 122}, // too small
        {[&] { return MultiByteToWideChar(4711, 0, "a", -1, wide, 4); }, 87},
        {[&] { return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3", 1, wide, 4); },
         1113},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SetLastError(0);
        EXPECT_EQ(cases[i].first(), 0) << "case " << i;
        EXPECT_EQ(GetLastError(), cases[i].second) << "case " << i;
    }
}

// In GBK a lead byte takes the next byte with it, whatever it looks like alone.
TEST_F(CodePage, CaseFoldingFollowsTheCodePage) {
    // Code page, text; its lower and upper case.
    const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
        {"1252", "Hi \300\351\336\327\367", "hi \340\351\376\327\367",
         "HI \300\311\336\327\367"}, // signs stay
        {"1252", "\212\232\377\237", "\232\232\377\377",
         "\212\212\237\237"},                                        // S caron, y diaeresis
        {"1252", "\337\265\201A", "\337\265\201a", "\337\265\201A"}, // sharp s, micro, unassigned
        {"936", "\201AB", "\201Ab", "\201AB"},       // trail byte A belongs to the pair
        {"936", "\300\311", "\300\311", "\300\311"}, // a pair, not two Latin-1 letters
        {"936", "x\326", "x\326", "X\326"},          // a lone lead byte at the end
    };
    for (const auto& [acp, text, lower, upper] : cases) {
        SetAcp(acp);
        std::string folded[2] = {text, text};
        AnsiLower(folded[0]);
        AnsiUpper(folded[1]);
        EXPECT_EQ(folded[0], lower) << acp << " " << text;
        EXPECT_EQ(folded[1], upper) << acp << " " << text;
    }
}
