// tessaly path and tessaly file: the path and file services at the shell, run as the built
// program against the test's prefix (TESSALY_PREFIX is inherited).
#include <utime.h>

#include <filesystem>
#include <string>

#include "support/cli.h"

namespace fs = std::filesystem;
using tessaly::testing::CliTest;
using tessaly::testing::DrivePrefixTest;
using tessaly::testing::RunResult;
using tessaly::testing::RunTessaly;
using tessaly::testing::WriteFile;

namespace {

using FileCli = CliTest<DrivePrefixTest>;

TEST_F(FileCli, PathsAndFiles) {
    WriteFile(c + "/data/a.txt", "abc");
    Expect({
        // Arguments are UTF-8 at the shell and the code page inside.
        {{"path", "windows", c + "/Caf\xc3\xa9"}, 0, "", "C:\\Caf\xc3\xa9\n"},
        {{"path", "posix", "C:\\日本"}, 1, "'日' (U+65E5)", ""},
        {{"path", "posix"}, 2, "tessaly: path: WINPATH is required", ""},
        // The folder is listed as given; refused folders stay as they are and the command says so.
        {{"file", "list", "c:\\DATA"}, 0, "", "c:\\DATA\\a.txt\n"},
        {{"file", "clear", "C:\\."}, 1, "entries left", ""},
    });
    EXPECT_TRUE(fs::exists(c + "/data/a.txt"));
    // Sizes past 2 GiB and the three times, in the local time of TZ.
    const std::string big = WriteFile(c + "/big.bin", "");
    fs::resize_file(big, 3ull << 30);                    // sparse: nothing is written
    const utimbuf times = {981173106 + 3600, 981173106}; // accessed 05:05:06, written 04:05:06
    ASSERT_EQ(utime(big.c_str(), &times), 0);
    RunResult attrib = RunTessaly({"file", "attrib", "C:\\BIG.BIN"}, {"TZ=UTC"});
    ASSERT_EQ(attrib.status, 0) << attrib.err;
    for (const char* line : {"attributes 0x00000020 ---A--\n", "size       3221225472\n",
                             "written    2001-02-03 04:05:06\n", "accessed   2001-02-03 05:05:06\n",
                             "created    ", "long name  C:\\big.bin\n"})
        EXPECT_NE(attrib.out.find(line), std::string::npos) << line << " in\n" << attrib.out;
}

} // namespace
