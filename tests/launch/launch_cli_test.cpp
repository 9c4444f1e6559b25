// The outside-program commands of tessaly: open, assoc, companion.
#include <gtest/gtest.h>

#include "support/cli.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

class LaunchCommands : public CliTest<OutsideProgramTest> {
  protected:
    bool Shows(const std::string& text) {
        return RunTessaly({"assoc", "show", "doc"}).out.find(text) != std::string::npos;
    }
};

TEST_F(LaunchCommands, OpenShowTakeOverRestoreAndStart) {
    Associate(".doc", "Word.Document", "word");
    PutRegText(HKEY_LOCAL_MACHINE, "software\\varnholt\\Tessaly\\association\\.doc", "", "Old");
    const std::string doc = WriteFile(prefix_.scratch() + "/a b.doc", "x");
    const std::string none = prefix_.scratch() + "/none.doc";
    Expect({{{"open", doc}, 0, ""},
            {{"open", none}, 1, "cannot open " + none + " (shell code 2)"},
            {{"companion", "start", "gimp", "x"}, 1, "gimp: not installed; not started"}});
    EXPECT_EQ(RunsAfter(2), (Strings{"run word", "arg " + doc}));
    EXPECT_TRUE(Shows("class                  Word.Document\n"));
    EXPECT_TRUE(Shows("before the suite       Old\n"));
    Expect({{{"assoc", "take-over", "--yes"}, 0, "", "1\n"}});
    EXPECT_TRUE(Shows("class                  soffice.StarWriterDocument.6\n"));
    Expect({{{"assoc", "restore", "--yes"}, 0, "", "1\n"}});
    EXPECT_TRUE(Shows("class                  Old\n"));
}

} // namespace
