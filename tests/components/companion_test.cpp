// The companion module (Brennick.dll), loaded and called the way the library calls it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tessaly/companion.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/module.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace fs = std::filesystem;
namespace p = tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::PutRegText;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;

extern char** environ;

namespace {

// The module's entries, resolved by name.
#define BRENNICK_ENTRIES(X)                                                                        \
    X(SetDirectorySlashTail)                                                                       \
    X(PathExists)                                                                                  \
    X(GetRegString)                                                                                \
    X(EscapeQuotation)                                                                             \
    X(GetFileText)                                                                                 \
    X(ReadBinFileEx)                                                                               \
    X(CreateGUIDCString) X(GetDefaultLongDate) X(GetProcessID) X(GetFileTitleFromString)
struct Brennick {
    HMODULE module = nullptr;
#define DECLARE(name) decltype(&::name) name = nullptr;
    BRENNICK_ENTRIES(DECLARE)
#undef DECLARE
};

class Companion : public PrefixTest {
  protected:
    void SetUp() override {
        c.module = p::LoadLibraryA("Brennick.dll");
        ASSERT_NE(c.module, nullptr);
#define RESOLVE(name)                                                                              \
    c.name = reinterpret_cast<decltype(c.name)>(p::GetProcAddress(c.module, #name));               \
    ASSERT_NE(c.name, nullptr) << #name;
        BRENNICK_ENTRIES(RESOLVE)
#undef RESOLVE
    }
    void TearDown() override {
        if (c.module) p::FreeLibrary(c.module);
    }
    Brennick c;
};

} // namespace

TEST_F(Companion, SetDirectorySlashTail) {
    struct Case {
        const char* codePage;
        std::string path;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"1252", "C:\\Docs", "C:\\Docs\\"},
        {"1252", "", ""},
        // 0x95 0x5C: one double-byte character in code page 936, whose trail byte is not
        // a separator; in 1252 two characters, the second a backslash.
        {"936", "C:\\\x95\x5C", "C:\\\x95\x5C\\"},
        {"936", "C:\\\x95\x5C\\", "C:\\\x95\x5C\\"},
        {"1252", "C:\\\x95\x5C", "C:\\\x95\\"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.codePage + (" " + k.path));
        tessaly::testing::UseAnsiCodePage(k.codePage);
        EXPECT_EQ(c.SetDirectorySlashTail(CString(k.path)).str(), k.expected);
    }
}

// Hive 0 reads the user's hive, any other the machine's; the text changes only on success.
TEST_F(Companion, GetRegString) {
    const char* key = "Software\\Varnholt\\Tessaly2001\\Language";
    PutRegText(HKEY_CURRENT_USER, key, "Current", "1031", REG_SZ);
    PutRegText(HKEY_LOCAL_MACHINE, key, "Current", "1036", REG_SZ);
    PutRegText(HKEY_LOCAL_MACHINE, key, "Expand", "%TEMP%\\x", REG_EXPAND_SZ);
    PutRegText(HKEY_LOCAL_MACHINE, key, "Binary", "abc", REG_BINARY);
    PutRegText(HKEY_LOCAL_MACHINE, key, "", "default value", REG_SZ);

    struct Case {
        const char* key;
        const char* value;
        int hive;
        const char* expected; // null: not read
    };
    const Case cases[] = {
        {key, "Current", 0, "1031"},     {key, "Current", 1, "1036"},
        {key, "Expand", 1, "%TEMP%\\x"}, {key, nullptr, 1, "default value"},
        {key, "Binary", 1, nullptr},     {"Software\\Varnholt\\Missing", "Current", 1, nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.value ? k.value : "(null)") + " hive " + std::to_string(k.hive));
        CString text("unchanged");
        const int result = c.GetRegString(k.key, k.value, text, k.hive);
        EXPECT_EQ(result != 0, k.expected != nullptr);
        EXPECT_EQ(text.str(), k.expected ? k.expected : "unchanged");
    }
}

// Quoting for the embedded database. With the Simplified Chinese code page a double-byte
// character passes whole: its trail byte may be a backslash, which the database reads as part
// of the character.
TEST_F(Companion, EscapeQuotation) {
    using namespace std::string_literals;
    const struct {
        const char* codePage;
        std::string text;
        std::string expected;
    } cases[] = {
        {"1252", "O'B\"r\\", "O\\'B\\\"r\\\\"},
        {"1252", "a\0b\r\n\x1A"s, "a\\0b\\r\\n\\Z"},
        {"1252", "%_\t\b\xFF", "%_\t\b\xFF"},
        {"1252", "\x95\x5C'", "\x95\\\\\\'"},
        {"936", "\x95\x5C'", "\x95\x5C\\'"},
        // A lead byte without a trail byte is escaped too, or the backslash of the next
        // escape would become its trail byte and free the quote.
        {"936", "\x95'", "\\\x95\\'"},
        {"936", "\xFE\xFF'", "\\\xFE\xFF\\'"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.codePage + (" " + k.text));
        tessaly::testing::UseAnsiCodePage(k.codePage);
        EXPECT_EQ(c.EscapeQuotation(CString(k.text)).str(), k.expected);
    }
}

// ---- Files ----

TEST_F(Companion, FileTextAndBytes) {
    using namespace std::string_literals;
    const std::string binary = "MZ\0\x01\xFF\r\n\x1A tail"s;
    const std::string file = WriteFile(prefix_.scratch() + "/data.bin", binary);
    const std::string missing = WindowsPath(prefix_.scratch() + "/missing.txt");
    EXPECT_EQ(c.GetFileText(CString(WindowsPath(file))).str(), binary);
    EXPECT_EQ(c.GetFileText(CString(missing)).str(), "");
    EXPECT_EQ(c.PathExists(missing.c_str()), 0);
    EXPECT_NE(c.PathExists(WindowsPath(file).c_str()), 0);
    EXPECT_EQ(c.PathExists(nullptr), 0);
    CByteArray bytes;
    bytes.Add('*'); // kept on failure, replaced on success
    EXPECT_EQ(c.ReadBinFileEx(CString(missing), bytes), 0);
    EXPECT_EQ(bytes.GetSize(), 1);
    EXPECT_NE(c.ReadBinFileEx(CString(WindowsPath(file)), bytes), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize()), binary);
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Docs\\report.final.txt", "report.final.txt"},
        {"C:report.txt", "report.txt"},
        {"C:\\Docs\\", "Docs"},
        {"Re: meeting? <today> | \"plans\" *", "Re_ meeting_ _today_ _ _plans_ _"},
        {"tab\there", "tab_here"},
    };
    for (const auto& [path, title] : cases)
        EXPECT_EQ(c.GetFileTitleFromString(CString(path)).str(), title) << path;
}

// ---- Dates and processes ----

TEST_F(Companion, GetDefaultLongDate) {
    struct Case {
        const char* locale;
        double date;
        COleDateTime::DateTimeStatus status;
        const char* text;
    };
    const Case cases[] = {
        {"en_US.UTF-8", 36526.0, COleDateTime::valid, "Saturday, January 01, 2000"},
        {"en_US.UTF-8", -1.25, COleDateTime::valid, "Friday, December 29, 1899"},
        {"en_US.UTF-8", 2958465.5, COleDateTime::valid, "Friday, December 31, 9999"},
        {"de_DE.UTF-8", 36526.0, COleDateTime::valid, "Samstag, 1. Januar 2000"},
        {"en_US.UTF-8", 36526.0, COleDateTime::invalid, ""},
        {"en_US.UTF-8", 3e6, COleDateTime::valid, ""},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.date) + " " + k.locale);
        setenv("LC_ALL", k.locale, 1);
        COleDateTime date;
        date.m_dt = k.date;
        date.m_status = k.status;
        EXPECT_EQ(c.GetDefaultLongDate(date).str(), k.text);
    }
    unsetenv("LC_ALL");
}

TEST_F(Companion, GetProcessID) {
    // A program of a name no other process has: a copy of sleep.
    std::random_device seed;
    const std::string name = "pz" + std::to_string(seed() % 100000000);
    const std::string program = prefix_.scratch() + "/" + name;
    fs::copy_file("/bin/sleep", program);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    const std::pair<std::string, bool> cases[] = {
        {name + ".EXE", true},
        {name + "x.exe", false},
        {name.substr(0, name.size() - 1), false},
    };
    // The process list is read from /proc; give the child a moment to exec.
    for (int i = 0; i < 50 && c.GetProcessID(CString(name)) == 0; ++i)
        usleep(20000);
    for (const auto& [exeName, found] : cases)
        EXPECT_EQ(c.GetProcessID(CString(exeName)), found ? static_cast<DWORD>(pid) : 0u)
            << exeName;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(c.GetProcessID(CString(name)), 0u);
}
