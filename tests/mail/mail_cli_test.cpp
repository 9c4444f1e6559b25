// tessaly mail at the shell, each command in a process of its own as a person would run it.
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli.h"

namespace tessaly::testing {
namespace {

using Strings = std::vector<std::string>;

class MailCommandTest : public CliTest<PrefixTest> {
  protected:
    RunResult Mail(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "mail");
        return RunTessalyLimited(arguments);
    }
    std::string db() const { return prefix_.scratch() + "/maildb"; }
};

TEST_F(MailCommandTest, StoresContactsAndListsAndVerifiesAField) {
    ASSERT_EQ(Mail({"init", db()}).status, 0);
    const RunResult ann =
        Mail({"add-contact", "--db", db(), "--name", "Zoë O'Brien", "--address", "zoe@x.org"});
    ASSERT_EQ(ann.status, 0) << ann.err;

    const RunResult list = Mail({"add-list", "--db", db(), "--name", "Team", "--folder", "L",
                                 "--member", "zoe@x.org", "--member", "Cy Guest <cy@guest.org>"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(Mail({"lists", "--db", db(), "L"}).out, "Team\t" + list.out);

    const RunResult verified =
        Mail({"verify", "--db", db(),
              "<u>Dee [dee@dot.org]</u>; <b>Team</b>; zoë o'brien; new@person.net"});
    EXPECT_EQ(verified.status, 0) << verified.err;
    const std::string zoe = "Zoë O'Brien\tZOE@X.ORG\n", cy = "Cy Guest\tcy@guest.org\n",
                      tail = "zoë o'brien\tZOE@X.ORG\nnew@person.net\tnew@person.net\n";
    EXPECT_TRUE(verified.out == "Dee\tdee@dot.org\n" + zoe + cy + tail ||
                verified.out == "Dee\tdee@dot.org\n" + cy + zoe + tail)
        << verified.out;
}

TEST_F(MailCommandTest, RefusalsSayWhatIsWrongAndConcurrentCommandsWait) {
    const std::string d = db(), none = prefix_.scratch() + "/none";
    auto contact = [&](const std::string& name, const std::string& address) {
        return Strings{"mail", "add-contact", "--db", d, "--name", name, "--address", address};
    };
    ASSERT_EQ(Mail({"init", d}).status, 0);
    ASSERT_EQ(RunTessalyLimited(contact("Zoë", "zoe@x.org")).status, 0);
    std::filesystem::create_directories(none + "/empty");
    Expect({
        {contact("ZOË", "ZOE@X.ORG"), 1, "tessaly: mail: a contact with that name and address"},
        // Only a folder tessaly mail init made holds a database; nothing is made elsewhere.
        {{"mail", "lists", "--db", none + "/empty", "L"}, 1, "holds no mail database"},
        {contact("Bad", "x y"), 1, "\"x y\" is not an e-mail address"},
        {contact("Groß 日本", "g@x.org"), 1, "'日' (U+65E5)"},
        {{"mail", "add-contact", "--db", d}, 2, "tessaly: mail: --name is required"},
    });
    EXPECT_TRUE(std::filesystem::is_empty(none + "/empty"));
    // Commands on one database at once wait for each other, with no server log lines.
    std::vector<std::future<RunResult>> runs;
    for (const char* name : {"A", "B", "C"})
        runs.push_back(std::async(std::launch::async, [this, name] {
            return Mail({"add-contact", "--db", db(), "--name", name, "--address",
                         std::string(name) + "@x.org"});
        }));
    for (auto& run : runs) {
        const RunResult r = run.get();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
}

// The demo says nothing on stderr, runs in English first, and its values start in one column.
TEST_F(MailCommandTest, TheDemoIsCleanAndAligned) {
    const RunResult demo = RunTessalyLimited({"demo"}, {}, 300);
    ASSERT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(demo.err, "");
    EXPECT_LT(demo.out.find("German (Standard)"), demo.out.find("Deutsch (Standard)")) << demo.out;
    std::istringstream lines(demo.out);
    int rows = 0;
    for (std::string line; std::getline(lines, line);) {
        // A row: two spaces, a label, spaces up to column 56 (counted in letters), the value.
        if (line.rfind("  ", 0) != 0 || line[2] == ' ' || line.find("   ") == std::string::npos)
            continue;
        const size_t value = line.find_first_not_of(' ', line.find("   "));
        size_t columns = 0; // UTF-8 characters before the value (no wide ones in the labels)
        for (size_t i = 0; i < value; ++i)
            columns += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        EXPECT_TRUE(columns == 56 || (columns > 56 && line.find("GetWindowsVersion") == 2)) << line;
        ++rows;
    }
    EXPECT_GT(rows, 40);
}

} // namespace
} // namespace tessaly::testing
