// tessaly reg: the registry at the shell, run as the built program against the test's
// prefix (TESSALY_PREFIX is inherited).
#include <filesystem>
#include <iterator>

#include "platform/codepage.h"
#include "support/cli.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
using tessaly::testing::CliCase;
using tessaly::testing::CliTest;
using tessaly::testing::PrefixTest;
using tessaly::testing::ReadFile;
using tessaly::testing::RunProgram;
using tessaly::testing::RunResult;
using tessaly::testing::RunTessaly;
using tessaly::testing::TessalyProgram;
using tessaly::testing::WriteFile;

namespace {

using RegistryCli = CliTest<PrefixTest>;

TEST_F(RegistryCli, SetAndQueryEachType) {
    struct Case {
        std::string name, data, type;
        DWORD regType;
        std::string stored, shown; // in the store (code page), in the query (UTF-8)
    } cases[] = {
        {"", "default", "sz", REG_SZ, std::string("default\0", 8), "REG_SZ    default"},
        {"Count", "0x1F", "dword", REG_DWORD, Dword(31), "REG_DWORD    0x1f"},
        // Names and text go into the code page: Ü and Ì stay two values (as raw UTF-8 bytes
        // they would differ only in the case of their second byte and meet in one).
        {"Über", "one", "sz", REG_SZ, std::string("one\0", 4), "REG_SZ    one"},
        {"Ìber", "Päck", "sz", REG_SZ, std::string("P\344ck\0", 5), "REG_SZ    Päck"},
    };
    const std::string key = "HKCU\\Software\\Cli";
    auto line = [&](const Case& c) {
        return "    " + (c.name.empty() ? "(Default)" : c.name) + "    " + c.shown + "\n";
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult set = RunTessaly({"reg", "set", key, c.name, c.data, "--type", c.type});
        ASSERT_EQ(0, set.status) << set.err;
        DWORD type = 0;
        const std::string name = tessaly::platform::Utf8ToAnsi(c.name);
        EXPECT_EQ(c.stored, Get(HKEY_CURRENT_USER, "Software\\Cli", name.c_str(), nullptr, &type));
        EXPECT_EQ(c.regType, type);
        RunResult query = RunTessaly({"reg", "query", key, c.name.empty() ? "--ve" : c.name});
        EXPECT_EQ(0, query.status) << query.err;
        EXPECT_EQ(key + "\n" + line(c), query.out);
    }
    EXPECT_EQ(key + "\n" + line(cases[2]), RunTessaly({"reg", "query", key, "Über"}).out);
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Cli\\S\374d", "x", REG_SZ, "1"));
    RunResult all = RunTessaly({"reg", "query", key});
    EXPECT_EQ(0, all.status);
    EXPECT_EQ(0u, all.out.find(key + "\n" + line(cases[0])));
    EXPECT_NE(std::string::npos, all.out.find("\n\n" + key + "\\Süd\n")) << all.out;
}

TEST_F(RegistryCli, ExportDeleteImport) {
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, "Software\\Cli\\A", "v", REG_SZ, std::string("1\0", 2)));
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, "Software\\Cli", "Gr\xfc\xdf", REG_SZ, "\xe4"));
    std::string expected; // in the code page
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Cli", expected));
    ASSERT_NE(std::string::npos, expected.find("\"Gr\xfc\xdf\""));

    RunResult toStdout = RunTessaly({"reg", "export", "HKLM\\Software\\Cli", "-"});
    EXPECT_EQ(0, toStdout.status);
    EXPECT_EQ(tessaly::platform::AnsiToUtf8(expected), toStdout.out); // UTF-8, the file not
    std::string file = prefix_.scratch() + "/cli.reg";
    EXPECT_EQ(0, RunTessaly({"reg", "export", "HKLM\\Software\\Cli", file}).status);
    EXPECT_EQ(expected, ReadFile(file));

    EXPECT_EQ(0, RunTessaly({"reg", "delete", "HKLM\\Software\\Cli", "Grüß"}).status);
    EXPECT_EQ("", Get(HKEY_LOCAL_MACHINE, "Software\\Cli", "Gr\xfc\xdf"));
    EXPECT_EQ(0, RunTessaly({"reg", "delete", "HKLM\\Software\\Cli"}).status);
    EXPECT_EQ("", Get(HKEY_LOCAL_MACHINE, "Software\\Cli\\A", "v"));

    RunResult import = RunTessaly({"reg", "import", file});
    EXPECT_EQ(0, import.status) << import.err;
    std::string again;
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Cli", again));
    EXPECT_EQ(expected, again);
}

// An export that cannot be written fails and leaves whatever was there before.
TEST_F(RegistryCli, AFailedExportLeavesNoCutOffFile) {
    ASSERT_EQ(0,
              Put(HKEY_CURRENT_USER, "Software\\Big", "data", REG_BINARY, std::string(8192, 'x')));
    const std::string folder = prefix_.scratch() + "/out";
    const std::string file = WriteFile(folder + "/big.reg", "before");
    // Files may grow to 1 KiB only; the signal that would end the program is ignored, so the
    // write itself fails. The shells start in "/": an earlier case's folder may be gone.
    RunResult limited = RunProgram(
        {"env", "-C", "/", "sh", "-c",
         "trap '' XFSZ; ulimit -f 1; exec \"$0\" reg export HKCU\\\\Software\\\\Big \"$1\"",
         TessalyProgram(), file});
    EXPECT_EQ(1, limited.status);
    EXPECT_EQ(0u, limited.err.find("tessaly: reg: cannot write " + file + ": File too large"))
        << limited.err;
    EXPECT_EQ("before", ReadFile(file));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder), {}));

    RunResult full = RunProgram({"env", "-C", "/", "sh", "-c",
                                 "exec \"$0\" reg export HKCU\\\\Software\\\\Big > /dev/full",
                                 TessalyProgram()});
    EXPECT_EQ(1, full.status);
    EXPECT_EQ("tessaly: reg: cannot write to standard output: No space left on device\n", full.err);
}

TEST_F(RegistryCli, ErrorsExitNonZeroWithAMessage) {
    std::string bad = WriteFile(prefix_.scratch() + "/bad.reg",
                                "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=hex:zz\n");
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Keep", "v", REG_SZ, "1"));
    const std::string x = "HKCU\\Software\\X", missing = "HKCU\\Software\\Missing";
    Expect({
        {{"reg", "query", missing}, 1, "cannot open " + missing, ""},
        // Text the code page cannot hold is refused, naming the character, not stored as '?'.
        {{"reg", "set", x, "n", "Groß 日本"}, 1, "'日' (U+65E5)", ""},
        {{"reg", "set", x, "n", "\xff"}, 1, "not UTF-8", ""},
        {{"reg", "import", bad}, 1, "line 3", ""},
        {{"reg", "export", "HKCU\\Software\\Keep", prefix_.scratch() + "/no/such/x.reg"},
         1,
         "No such file or directory",
         ""},
        {{"reg", "delete", "HKCU"}, 1, "root", ""},
        // Usage errors.
        {{"reg", "set", x, "n"}, 2, "tessaly: reg: DATA is required", ""},
        {{"reg", "frobnicate"}, 2, "unknown \"frobnicate\"", ""},
    });
    HKEY k;
    EXPECT_EQ(2, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, KEY_READ, &k));
    EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Software\\Keep", "v"));
}

// The rules every command keeps: it exits 0 only on success and 2 on a usage error, says what
// failed on one line, and ends without a person.
using TessalyCli = CliTest<PrefixTest>;

TEST_F(TessalyCli, CommandsSayWhatFailed) {
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    Expect(
        {
            {{}, 2, "tessaly: A subcommand is required", ""},
            {{"--version"}, 0, "", "tessaly 0.1.0\n"},
            {{"lang", "string", "999999"}, 1, "tessaly: lang: no string 999999", ""},
            // Windows for other programs need a display.
            {{"window", "show"}, 1, "tessaly: window: no display", ""},
            {{"window", "find", "--class", "X"}, 1, "tessaly: window: no display", ""},
        },
        noDisplay);
    Expect({{{"window", "find"}, 1, "tessaly: window: cannot open the display :77", ""},
            {{"dialog", "--escape", "password"}, 1, "cannot open the display :77", ""}},
           {"DISPLAY=:77", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
}

TEST_F(TessalyCli, DialogsEndWithoutAPerson) {
    Expect(
        {
            // A dialog nobody answers is cancelled after a while, by default too.
            {{"dialog", "password"}, 1, "tessaly: dialog: no answer within 5 seconds"},
            {{"dialog", "--set", "9999=x", "--escape", "password"}, 1, "no control 9999"},
            {{"dialog", "--set", "1104", "password"}, 2, "\"1104\" is not ID=VALUE", ""},
            {{"dialog", "--escape", "nosuch"}, 2, "no dialog named \"nosuch\"", ""},
        },
        {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
}

} // namespace
