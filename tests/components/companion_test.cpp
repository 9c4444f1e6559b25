// The companion module (Brennick.dll), loaded and called the way the library calls it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tessaly/companion.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/module.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace p = tessaly::platform;
using tessaly::testing::PutRegText;
using tessaly::testing::WindowsPath;

namespace {

class Companion : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override { ASSERT_NE(module_ = p::LoadLibraryA("Brennick.dll"), nullptr); }
    void TearDown() override {
        if (module_) p::FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

// The module's entry of that name, typed as the header declares it; a missing one fails.
#define ENTRY(name)                                                                                \
    const auto name = reinterpret_cast<decltype(&::name)>(p::GetProcAddress(module_, #name));      \
    ASSERT_NE(name, nullptr)

} // namespace

TEST_F(Companion, SetDirectorySlashTail) {
    ENTRY(SetDirectorySlashTail);
    // 0x95 0x5C is one character in code page 936, but ends in a backslash in 1252.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"1252", "C:\\Docs", "C:\\Docs\\"},
        {"1252", "", ""},
        {"936", "C:\\\x95\x5C", "C:\\\x95\x5C\\"},
        {"1252", "C:\\\x95\x5C", "C:\\\x95\\"},
    };
    for (const auto& [codePage, path, expected] : cases) {
        tessaly::testing::UseAnsiCodePage(codePage);
        EXPECT_EQ(SetDirectorySlashTail(CString(path)).str(), expected) << codePage << path;
    }
}

// Hive 0 reads the user's hive, any other the machine's; the text changes only on success.
TEST_F(Companion, GetRegString) {
    ENTRY(GetRegString);
    const char* key = "Software\\Varnholt\\Tessaly2001\\Language";
    PutRegText(HKEY_CURRENT_USER, key, "Current", "1031", REG_SZ);
    PutRegText(HKEY_LOCAL_MACHINE, key, "Current", "1036", REG_SZ);
    PutRegText(HKEY_LOCAL_MACHINE, key, "Binary", "abc", REG_BINARY);
    PutRegText(HKEY_LOCAL_MACHINE, key, "", "default value", REG_SZ);
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {key, "Current", 0, "1031"},
        {key, "Current", 1, "1036"},
        {key, nullptr, 1, "default value"},
        {key, "Binary", 1, nullptr}, // null: not read
        {"Software\\Varnholt\\Missing", "Current", 1, nullptr},
    };
    for (const auto& [key, value, hive, expected] : cases) {
        CString text("unchanged");
        EXPECT_EQ(GetRegString(key, value, text, hive) != 0, expected != nullptr) << hive << key;
        EXPECT_EQ(text.str(), expected ? expected : "unchanged") << hive << key;
    }
}

// Quoting for the embedded database. Under the Simplified Chinese code page a double-byte
// character passes whole: its trail byte may be a backslash, read as part of the character.
TEST_F(Companion, EscapeQuotation) {
    ENTRY(EscapeQuotation);
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"1252", "O'B\"r\\", "O\\'B\\\"r\\\\"},
        {"1252", std::string("a\0b\r\n\x1A", 6), "a\\0b\\r\\n\\Z"},
        {"1252", "\x95\x5C'", "\x95\\\\\\'"},
        {"936", "\x95\x5C'", "\x95\x5C\\'"},
        // A lone lead byte is escaped too, or the next escape's backslash would be its trail.
        {"936", "\x95'", "\\\x95\\'"},
    };
    for (const auto& [codePage, text, expected] : cases) {
        tessaly::testing::UseAnsiCodePage(codePage);
        EXPECT_EQ(EscapeQuotation(CString(text)).str(), expected) << codePage << " " << text;
    }
}

TEST_F(Companion, FileTextAndBytes) {
    ENTRY(GetFileText);
    ENTRY(PathExists);
    ENTRY(ReadBinFileEx);
    ENTRY(GetFileTitleFromString);
    const std::string binary("MZ\0\x01\xFF\r\n\x1A tail", 13);
    const std::string file =
        WindowsPath(tessaly::testing::WriteFile(prefix_.scratch() + "/data.bin", binary));
    const std::string missing = WindowsPath(prefix_.scratch() + "/missing.txt");
    EXPECT_EQ(GetFileText(CString(file)).str(), binary);
    EXPECT_EQ(GetFileText(CString(missing)).str(), "");
    EXPECT_EQ(
        std::tuple(PathExists(missing.c_str()), PathExists(nullptr), PathExists(file.c_str()) != 0),
        std::tuple(0, 0, true));
    CByteArray bytes;
    bytes.Add('*'); // kept on failure, replaced on success
    EXPECT_EQ(ReadBinFileEx(CString(missing), bytes), 0);
    EXPECT_EQ(bytes.GetSize(), 1);
    EXPECT_NE(ReadBinFileEx(CString(file), bytes), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize()), binary);
    for (auto [path, title] :
         {std::pair{"C:\\Docs\\", "Docs"},
          {"Re: meeting? <today> | \"plans\" *", "Re_ meeting_ _today_ _ _plans_ _"}})
        EXPECT_EQ(GetFileTitleFromString(CString(path)).str(), title) << path;
}

TEST_F(Companion, GetDefaultLongDate) {
    ENTRY(GetDefaultLongDate);
    const auto valid = COleDateTime::valid;
    const std::tuple<const char*, double, COleDateTime::DateTimeStatus, const char*> cases[] = {
        {"en_US.UTF-8", 36526.0, valid, "Saturday, January 01, 2000"},
        {"en_US.UTF-8", -1.25, valid, "Friday, December 29, 1899"},
        {"de_DE.UTF-8", 36526.0, valid, "Samstag, 1. Januar 2000"},
        {"en_US.UTF-8", 36526.0, COleDateTime::invalid, ""},
        {"en_US.UTF-8", 3e6, valid, ""},
    };
    for (const auto& [locale, days, status, text] : cases) {
        setenv("LC_ALL", locale, 1);
        COleDateTime date;
        date.m_dt = days;
        date.m_status = status;
        EXPECT_EQ(GetDefaultLongDate(date).str(), text) << days << locale;
    }
    unsetenv("LC_ALL");
}

TEST_F(Companion, GetProcessID) {
    ENTRY(GetProcessID);
    // A program of a name no other process has: a copy of sleep.
    const std::string name = "pz" + std::to_string(getpid());
    const std::string program = prefix_.scratch() + "/" + name;
    std::filesystem::copy_file("/bin/sleep", program);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    // The process list is read from /proc; give the child a moment to exec.
    for (int i = 0; i < 50 && GetProcessID(CString(name)) == 0; ++i)
        usleep(20000);
    EXPECT_EQ(GetProcessID(CString(name + ".EXE")), static_cast<DWORD>(pid));
    EXPECT_EQ(GetProcessID(CString(name.substr(0, name.size() - 1))), 0u);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}
