// The system's message texts and the message formatter.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <tuple>

#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/module.h"

using namespace tessaly::platform;

namespace {

constexpr DWORD kAllocate = FORMAT_MESSAGE_ALLOCATE_BUFFER;

// FormatMessageA into a buffer it allocates; the text, or "<fail N>" with the last error.
std::string format(DWORD flags, const void* source, DWORD code, DWORD language, va_list* args) {
    char* buffer = nullptr;
    SetLastError(0);
    DWORD n = FormatMessageA(flags | kAllocate, source, code, language,
                             reinterpret_cast<char*>(&buffer), 0, args);
    if (n == 0) return "<fail " + std::to_string(GetLastError()) + ">";
    std::string text(buffer, n);
    EXPECT_EQ(LocalFree(buffer), nullptr);
    return text;
}

std::string lookUp(DWORD flags, const void* source, DWORD code, DWORD language = 0x400) {
    return format(flags, source, code, language, nullptr);
}

std::string formatString(DWORD flags, const char* text, ...) {
    va_list args;
    va_start(args, text);
    std::string out = format(flags | FORMAT_MESSAGE_FROM_STRING, text, 0, 0, &args);
    va_end(args);
    return out;
}

} // namespace

// The system's own texts with their line break, and where each code is found.
TEST(SystemMessages, WhereEachCodeIsFound) {
    const HMODULE net = NetworkMessageModule();
    const DWORD system = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD module = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS;
    // Flags, module, code; the text in the user's language.
    const std::tuple<DWORD, const void*, DWORD, std::string> cases[] = {
        {system, nullptr, 0x80070005, "Access is denied.\r\n"}, // Win32 code in a result
        {system, nullptr, 0x80004005, "Unspecified error\r\n"},
        {system, nullptr, 2221, "<fail 317>"}, // network texts are netmsg.dll's
        {module, net, 2221, "The user name could not be found.\r\n"},
        {module | system, net, 5, "Access is denied.\r\n"}, // falls back to the system
        // Both tables have 2250, in their own words; the module is asked first.
        {module | system, net, 2250, "The network connection could not be found.\r\n"},
        {system, nullptr, 2250, "This network connection does not exist.\r\n"},
        {FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 2, "<fail 87>"},
        {system, nullptr, 193, "%1 is not a valid Win32 application.\r\n"},
    };
    for (const auto& [flags, source, code, expected] : cases)
        EXPECT_EQ(lookUp(flags, source, code), expected) << code;
    EXPECT_EQ(lookUp(system, nullptr, 2, 0x407), "<fail 15100>"); // no German texts
    EXPECT_EQ(SystemErrorText(0), "The operation completed successfully.\r\n");
    EXPECT_EQ(SystemErrorText(31337), "");
    // Loaded as a program module, it is an ordinary (missing) module.
    EXPECT_EQ(LoadLibraryExA("NETMSG.DLL", nullptr, 0), nullptr);
    HMODULE netmsg = LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_EQ(netmsg, NetworkMessageModule());
    EXPECT_EQ(lookUp(module | system, netmsg, 2102),
              "The workstation driver is not installed.\r\n");
    EXPECT_TRUE(FreeLibrary(netmsg));
}

TEST(MessageInserts, EscapesAndInsertsExpand) {
    const WCHAR wide[] = {'w', 0xE9, 0};
    EXPECT_EQ(formatString(0, "%2!d! of %1", "x", 5), "5 of x");
    EXPECT_EQ(formatString(0, "%1!5d!|%2!-4s!|", 7, "ab"), "    7|ab  |");
    EXPECT_EQ(formatString(0, "[%1!S!]", wide), "[w\xE9]");
    EXPECT_EQ(formatString(0, "1%n2%r3%t4"), "1\r\n2\r3\t4");
    EXPECT_EQ(formatString(0, "100%% %. %! % end"), "100% . !  end");
    EXPECT_EQ(formatString(0, "%12|%1", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11",
                           "twelve"),
              "twelve|1");
    EXPECT_EQ(formatString(FORMAT_MESSAGE_IGNORE_INSERTS, "%1!d! left%n"), "%1!d! left\r\n");
    EXPECT_EQ(formatString(0, "%1", static_cast<const char*>(nullptr)), "(null)");
    // 0xFF: the text's own line breaks become blanks, %n stays a line break.
    EXPECT_EQ(formatString(FORMAT_MESSAGE_MAX_WIDTH_MASK, "a\r\nb\nc%nd"), "a b c\r\nd");
    // A width wraps at blanks.
    EXPECT_EQ(formatString(9, "one two three four"), "one two\r\nthree\r\nfour");
    // A text ended by %0 is wrapped all the same.
    EXPECT_EQ(formatString(9, "one two three four%0 five"), "one two\r\nthree\r\nfour");
    // Inserts without arguments are refused unless they are to be ignored.
    EXPECT_EQ(format(FORMAT_MESSAGE_FROM_STRING, "%1", 0, 0, nullptr), "<fail 87>");
    EXPECT_EQ(ExpandMessageInserts("keep %1 and %n", nullptr, false), "keep %1 and \r\n");
}
