#pragma once
// Tests of the tessaly command: the built program run in the test's prefix (TESSALY_PREFIX is
// inherited), each command line checked for its status, output and one-line message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace tessaly::testing {

// A command line and what must come of it.
struct CliCase {
    CliCase(std::vector<std::string> a, int s, std::string m, std::optional<std::string> o = {})
        : args(std::move(a)), status(s), message(std::move(m)), out(std::move(o)) {}
    std::vector<std::string> args;
    int status;
    std::string message;            // part of the one line "tessaly: ..."; none: stderr empty
    std::optional<std::string> out; // the whole output, when given
};

// Runs tessaly with a time limit: a command that hangs ends with status 124.
inline RunResult RunTessalyLimited(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment = {},
                                   int seconds = 60) {
    std::vector<std::string> line = {"timeout", "-k", "5", std::to_string(seconds),
                                     TessalyProgram()};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return RunProgram(line, environment);
}

// Over PrefixTest or DrivePrefixTest; skipped when the program is not built.
template <class Prefix> class CliTest : public Prefix {
  protected:
    void SetUp() override {
        if (access(TessalyProgram().c_str(), X_OK) != 0)
            GTEST_SKIP() << TessalyProgram() << " is not built";
        Prefix::SetUp();
    }
    void Expect(const std::vector<CliCase>& cases, const std::vector<std::string>& env = {}) {
        for (const CliCase& c : cases) {
            SCOPED_TRACE(::testing::PrintToString(c.args));
            const RunResult r = RunTessalyLimited(c.args, env);
            EXPECT_EQ(r.status, c.status) << r.err;
            if (c.out) {
                EXPECT_EQ(r.out, *c.out);
            }
            if (c.status == 0 && c.message.empty()) {
                EXPECT_EQ(r.err, "");
                continue;
            }
            EXPECT_EQ(r.err.rfind("tessaly: ", 0), 0u) << r.err;
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        }
    }
};

} // namespace tessaly::testing
