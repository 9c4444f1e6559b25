// tessaly zip, unzip, scramble and backup at the shell: results, and one line on failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

using BackupCli = PrefixTest;

TEST_F(BackupCli, CommandsWorkAndFailWithOneLine) {
    const std::string s = prefix_.scratch();
    WriteFile(s + "/src/a b.txt", "hello");
    WriteFile(s + "/src/sub/data.bin", std::string(3000, '\x7f'));
    // Arguments, status, the start of the one line on stderr (null: none).
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"zip", s + "/out.zip", s + "/src", "--password", "pw"}, 0, nullptr},
        {{"unzip", s + "/out.zip", s + "/dest", "--password", "nope"},
         1,
         "tessaly: unzip: wrong password"},
        {{"unzip", s + "/out.zip", s + "/dest", "--password", "pw"}, 0, nullptr},
        {{"zip", s + "/x.zip", s + "/missing"}, 1, "tessaly: zip: no such file or folder"},
        {{"scramble", s + "/src/a b.txt", s + "/scrambled", "--key", "0aff"}, 0, nullptr},
        {{"scramble", s + "/scrambled", s + "/back.txt", "--key", "0AFF"}, 0, nullptr},
        {{"scramble", s + "/missing", s + "/never"}, 1, "tessaly: scramble: cannot scramble"},
        {{"scramble", s + "/scrambled", s + "/never", "--key", "abc"},
         1,
         "tessaly: scramble: the key must be"},
        {{"backup", s + "/src/a b.txt", "--ancestors", s + "/anc"}, 0, nullptr},
        {{"backup", s + "/missing.txt"}, 1, "tessaly: backup: no such document"},
    };
    for (const auto& [arguments, status, error] : cases) {
        SCOPED_TRACE(arguments[0] + " " + arguments.back());
        const RunResult r = RunTessaly(arguments);
        EXPECT_EQ(r.status, status) << r.err;
        if (error) {
            EXPECT_EQ(r.err.rfind(error, 0), 0u) << r.err;
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        } else {
            EXPECT_EQ(r.err, ""); // quiet when not on a terminal
        }
    }
    EXPECT_EQ(ReadFile(s + "/dest/src/sub/data.bin"), std::string(3000, '\x7f'));
    EXPECT_EQ(ReadFile(s + "/back.txt") + ReadFile(s + "/src/Backup/a b.txt"), "hellohello");
    EXPECT_NE(ReadFile(s + "/scrambled"), "hello");
    EXPECT_FALSE(fs::exists(s + "/never"));
    EXPECT_EQ(std::distance(fs::directory_iterator(s + "/anc"), fs::directory_iterator()), 1);
}
