// tessaly mail at the shell: a database made, contacts and a list stored, lists shown and a
// recipient field verified, each in a process of its own as a person would run them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

class MailCommandTest : public PrefixTest {
  protected:
    RunResult Mail(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "mail");
        return RunTessaly(arguments);
    }
    std::string db() const { return prefix_.scratch() + "/maildb"; }
};

TEST_F(MailCommandTest, StoresContactsAndListsAndVerifiesAField) {
    ASSERT_EQ(Mail({"init", db()}).status, 0);
    const RunResult ann =
        Mail({"add-contact", "--db", db(), "--name", "Zoë O'Brien", "--address", "zoe@x.org"});
    ASSERT_EQ(ann.status, 0) << ann.err;
    EXPECT_EQ(ann.out.size(), 39u) << ann.out; // a new record id and a line end
    const RunResult again =
        Mail({"add-contact", "--db", db(), "--name", "ZOË o'brien", "--address", "ZOE@X.ORG"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("exists"), std::string::npos) << again.err;

    const RunResult list = Mail({"add-list", "--db", db(), "--name", "Team", "--folder", "L",
                                 "--member", "zoe@x.org", "--member", "Cy Guest <cy@guest.org>"});
    ASSERT_EQ(list.status, 0) << list.err;
    const RunResult lists = Mail({"lists", "--db", db(), "L"});
    EXPECT_EQ(lists.status, 0);
    EXPECT_EQ(lists.out, "Team\t" + list.out);
    EXPECT_EQ(Mail({"lists", "--db", db(), "empty"}).out, "");

    const RunResult verified =
        Mail({"verify", "--db", db(),
              "<u>Dee [dee@dot.org]</u>; <b>Team</b>; zoë o'brien; new@person.net"});
    EXPECT_EQ(verified.status, 0) << verified.err;
    // The list's members come in the server's order.
    const std::string members1 = "Zoë O'Brien\tZOE@X.ORG\nCy Guest\tcy@guest.org\n";
    const std::string members2 = "Cy Guest\tcy@guest.org\nZoë O'Brien\tZOE@X.ORG\n";
    const std::string head = "Dee\tdee@dot.org\n", tail = "zoë o'brien\tZOE@X.ORG\n"
                                                          "new@person.net\tnew@person.net\n";
    EXPECT_TRUE(verified.out == head + members1 + tail || verified.out == head + members2 + tail)
        << verified.out;

    const RunResult refused = Mail({"verify", "--db", db(), "zoe@x.org; Nobody Known"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "Zoë O'Brien\tzoe@x.org\n");
    EXPECT_NE(refused.err.find("E-mail address 'Nobody Known' is invalid."), std::string::npos)
        << refused.err;
}

TEST_F(MailCommandTest, AFolderThatCannotHoldADatabaseFails) {
    const RunResult result = Mail({"init", "/proc/no-database-here"});
    EXPECT_NE(result.status, 0);
    EXPECT_FALSE(result.err.empty());
}

} // namespace
} // namespace tessaly::testing
