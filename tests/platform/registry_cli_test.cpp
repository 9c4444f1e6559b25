// tessaly reg: the registry at the shell, run as the built program against the test's
// prefix (TESSALY_PREFIX is inherited).
#include <unistd.h>

#include "registry_support.h"
#include "support/prefix.h"
#include "support/run.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;
using tessaly::testing::ReadFile;
using tessaly::testing::RunResult;
using tessaly::testing::RunTessaly;
using tessaly::testing::TessalyProgram;
using tessaly::testing::WriteFile;

namespace {

class RegistryCli : public PrefixTest {
  protected:
    void SetUp() override {
        if (access(TessalyProgram().c_str(), X_OK) != 0)
            GTEST_SKIP() << TessalyProgram() << " is not built";
    }
};

TEST_F(RegistryCli, SetAndQueryEachType) {
    struct Case {
        std::vector<std::string> set;
        DWORD type;
        std::string stored;
        std::string shown; // the query line
    } cases[] = {
        {{"Name", "Some text"},
         REG_SZ,
         std::string("Some text\0", 10),
         "    Name    REG_SZ    Some text\n"},
        {{"", "default", "--type", "sz"},
         REG_SZ,
         std::string("default\0", 8),
         "    (Default)    REG_SZ    default\n"},
        {{"Count", "0x1F", "--type", "dword"},
         REG_DWORD,
         Dword(31),
         "    Count    REG_DWORD    0x1f\n"},
        {{"Decimal", "4294967295", "--type", "dword"},
         REG_DWORD,
         Dword(0xFFFFFFFF),
         "    Decimal    REG_DWORD    0xffffffff\n"},
        {{"Bytes", "00,ff,10", "--type", "binary"},
         REG_BINARY,
         std::string("\0\xff\x10", 3),
         "    Bytes    REG_BINARY    00FF10\n"},
        {{"List", "one\\0two", "--type", "multi_sz"},
         REG_MULTI_SZ,
         std::string("one\0two\0\0", 9),
         "    List    REG_MULTI_SZ    one\\0two\n"},
        {{"Path", "%TEMP%\\x", "--type", "expand_sz"},
         REG_EXPAND_SZ,
         std::string("%TEMP%\\x\0", 9),
         "    Path    REG_EXPAND_SZ    %TEMP%\\x\n"},
    };
    const std::string key = "HKCU\\Software\\Cli";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set[0]);
        std::vector<std::string> args = {"reg", "set", key};
        args.insert(args.end(), c.set.begin(), c.set.end());
        RunResult set = RunTessaly(args);
        ASSERT_EQ(0, set.status) << set.err;
        DWORD type = 0;
        LONG rc = -1;
        EXPECT_EQ(c.stored, Get(HKEY_CURRENT_USER, "Software\\Cli", c.set[0].c_str(), &rc, &type));
        EXPECT_EQ(c.type, type);
        RunResult query = c.set[0].empty() ? RunTessaly({"reg", "query", key, "--ve"})
                                           : RunTessaly({"reg", "query", key, c.set[0]});
        EXPECT_EQ(0, query.status) << query.err;
        EXPECT_EQ(key + "\n" + c.shown, query.out);
    }
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Cli\\Sub", "x", REG_SZ, "1"));
    RunResult all = RunTessaly({"reg", "query", key});
    EXPECT_EQ(0, all.status);
    EXPECT_EQ(0u, all.out.find(key + "\n    Name    REG_SZ    Some text\n"));
    EXPECT_NE(std::string::npos, all.out.find("\n\n" + key + "\\Sub\n"));
}

TEST_F(RegistryCli, ExportDeleteImport) {
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, "Software\\Cli\\A", "v", REG_SZ, std::string("1\0", 2)));
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, "Software\\Cli", "raw", REG_BINARY, "\x01\x02"));
    std::string expected;
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Cli", expected));

    RunResult toStdout = RunTessaly({"reg", "export", "HKLM\\Software\\Cli"});
    EXPECT_EQ(0, toStdout.status);
    EXPECT_EQ(expected, toStdout.out);
    std::string file = prefix_.scratch() + "/cli.reg";
    EXPECT_EQ(0, RunTessaly({"reg", "export", "HKLM\\Software\\Cli", file}).status);
    EXPECT_EQ(expected, ReadFile(file));

    EXPECT_EQ(0, RunTessaly({"reg", "delete", "HKLM\\Software\\Cli", "raw"}).status);
    LONG rc;
    Get(HKEY_LOCAL_MACHINE, "Software\\Cli", "raw", &rc);
    EXPECT_EQ(2, rc);
    EXPECT_EQ(0, RunTessaly({"reg", "delete", "HKLM\\Software\\Cli"}).status);
    Get(HKEY_LOCAL_MACHINE, "Software\\Cli\\A", "v", &rc);
    EXPECT_EQ(2, rc);

    RunResult import = RunTessaly({"reg", "import", file});
    EXPECT_EQ(0, import.status) << import.err;
    std::string again;
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Cli", again));
    EXPECT_EQ(expected, again);
}

TEST_F(RegistryCli, ErrorsExitNonZeroWithAMessage) {
    std::string bad = WriteFile(prefix_.scratch() + "/bad.reg",
                                "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=hex:zz\n");
    struct Case {
        std::vector<std::string> args;
        std::string message; // part of the message
    } cases[] = {
        {{"reg", "query", "HKCU\\Software\\Missing"}, "HKCU\\Software\\Missing"},
        {{"reg", "query", "HKCU\\Software", "missing value"}, "missing value"},
        {{"reg", "query", "HKEY_NOWHERE\\Software"}, "unknown root key"},
        {{"reg", "set", "HKCU\\Software\\X", "n", "12x", "--type", "dword"}, "12x"},
        {{"reg", "set", "HKCU\\Software\\X", "n", "0x100000000", "--type", "dword"}, "32-bit"},
        {{"reg", "set", "HKCU\\Software\\X", "n", "abc", "--type", "binary"}, "hex"},
        {{"reg", "import", bad}, "line 3"},
        {{"reg", "import", prefix_.scratch() + "/none.reg"}, "none.reg"},
        {{"reg", "export", "HKCU\\Software\\Missing"}, "HKCU\\Software\\Missing"},
        {{"reg", "delete", "HKCU"}, "root"},
        {{"reg", "delete", "HKCU\\Software\\Missing"}, "HKCU\\Software\\Missing"},
        {{"reg", "delete", "HKCU\\Software", "missing value"}, "missing value"},
    };
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Keep", "v", REG_SZ, "1"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[2]);
        RunResult r = RunTessaly(c.args);
        EXPECT_NE(0, r.status);
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
        EXPECT_EQ("", r.out);
    }
    HKEY k;
    EXPECT_EQ(2, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, KEY_READ, &k));
    EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Software\\Keep", "v"));
}

} // namespace
