// tessaly path and tessaly file: the path and file services at the shell, run as the built
// program against the test's prefix (TESSALY_PREFIX is inherited).
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using tessaly::testing::DrivePrefixTest;
using tessaly::testing::ReadFile;
using tessaly::testing::RunResult;
using tessaly::testing::RunTessaly;
using tessaly::testing::TessalyProgram;
using tessaly::testing::WriteFile;

namespace {

class FileCli : public DrivePrefixTest {
  protected:
    void SetUp() override {
        if (access(TessalyProgram().c_str(), X_OK) != 0)
            GTEST_SKIP() << TessalyProgram() << " is not built";
        DrivePrefixTest::SetUp();
    }
};

TEST_F(FileCli, PathsTranslateAndSplit) {
    WriteFile(c + "/Docs/Report.TXT", "");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{"path", "posix", "c:\\docs\\report.txt"}, 0, c + "/Docs/Report.TXT\n"},
        {{"path", "windows", c + "/Docs/Report.TXT"}, 0, "C:\\Docs\\Report.TXT\n"},
        {{"path", "windows", "/usr/lib"}, 0, "Z:\\usr\\lib\n"},
        {{"path", "posix", "\\\\server\\share"}, 1, ""},
        {{"path", "posix", "Q:\\x"}, 1, ""},
        // Arguments are UTF-8 at the shell and Windows-1252 inside.
        {{"path", "windows", c + "/Caf\xc3\xa9"}, 0, "C:\\Caf\xc3\xa9\n"},
    };
    for (const Case& t : cases) {
        RunResult r = RunTessaly(t.args);
        EXPECT_EQ(r.status, t.status) << t.args[2];
        EXPECT_EQ(r.out, t.out) << t.args[2];
    }
    RunResult split = RunTessaly({"path", "split", "\"C:\\a b\\x.final.TXT\""});
    ASSERT_EQ(split.status, 0);
    EXPECT_NE(split.out.find("GetFileNameEx             x.final\n"), std::string::npos)
        << split.out;
    EXPECT_NE(split.out.find("GetFileNameExt            TXT\n"), std::string::npos) << split.out;
    EXPECT_NE(split.out.find("GetFileDirectory          \"C:\\a b\\\n"), std::string::npos)
        << split.out;
}

TEST_F(FileCli, FilesListCreateAndClear) {
    WriteFile(c + "/data/a.txt", "abc");
    WriteFile(c + "/data/b.doc", "");
    WriteFile(c + "/data/sub/c.TXT", "");
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"file", "list", "C:\\data"}, "C:\\data\\a.txt\nC:\\data\\b.doc\n"},
        {{"file", "list", "C:\\data", "--ext", "txt"}, "C:\\data\\a.txt\n"},
        {{"file", "list", "C:\\data", "--recurse"},
         "C:\\data\\a.txt\nC:\\data\\b.doc\nC:\\data\\sub\\c.TXT\n"},
        {{"file", "list", "c:\\DATA", "--ext", "doc", "--ext", "TXT", "--recurse"},
         "c:\\DATA\\a.txt\nc:\\DATA\\b.doc\nc:\\DATA\\sub\\c.TXT\n"}, // the folder as given
        {{"file", "temp", "--ext", "tmp", "--folder", "C:\\data\\tmp"}, "C:\\data\\tmp\\~0.tmp\n"},
    };
    for (const Case& t : cases) {
        RunResult r = RunTessaly(t.args);
        EXPECT_EQ(r.status, 0) << t.args.back();
        EXPECT_EQ(r.out, t.out) << t.args.back();
    }
    EXPECT_EQ(RunTessaly({"file", "list", "C:\\nothing"}).status, 1);

    RunResult attrib = RunTessaly({"file", "attrib", "C:\\DATA\\A.TXT"});
    ASSERT_EQ(attrib.status, 0);
    EXPECT_NE(attrib.out.find("attributes 0x00000020 ---A--"), std::string::npos) << attrib.out;
    EXPECT_NE(attrib.out.find("size       3"), std::string::npos) << attrib.out;
    EXPECT_NE(attrib.out.find("long name  C:\\data\\a.txt"), std::string::npos) << attrib.out;

    RunResult space = RunTessaly({"file", "space", "C:\\"});
    ASSERT_EQ(space.status, 0);
    EXPECT_NE(space.out.find("drive  C:\\ (fixed)"), std::string::npos) << space.out;

    EXPECT_EQ(RunTessaly({"file", "mkdir", "C:\\made\\by\\cli"}).status, 0);
    EXPECT_TRUE(fs::is_directory(c + "/made/by/cli"));
    EXPECT_EQ(RunTessaly({"file", "mkdir", "C:\\data\\a.txt\\sub"}).status, 1);

    EXPECT_EQ(RunTessaly({"file", "clear", "C:\\data"}).status, 0);
    EXPECT_TRUE(fs::is_empty(c + "/data"));
    // Refused folders stay as they are and the command says so.
    EXPECT_EQ(RunTessaly({"file", "clear", "Z:\\."}).status, 1);
    EXPECT_EQ(RunTessaly({"file", "clear", "C:\\."}).status, 1);
    EXPECT_TRUE(fs::is_directory(c + "/made/by/cli"));
}

} // namespace
