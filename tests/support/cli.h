#pragma once
// Tests of the tessaly command: the built program run in the test's prefix (TESSALY_PREFIX is
// inherited), each command line checked for its exit status, its output and its one-line
// message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace tessaly::testing {

// A command line and what must come of it.
struct CliCase {
    std::vector<std::string> args;
    int status = 0;
    // Part of the message; a failure says it on one line "tessaly: COMMAND: ...", a success
    // says nothing on stderr (for an empty expectation).
    std::string message;
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

// Checks one case's result; trace names it in failures.
inline void ExpectCase(const CliCase& c, const RunResult& r) {
    std::string trace;
    for (const std::string& a : c.args)
        trace += a + " ";
    SCOPED_TRACE(trace);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out) {
        EXPECT_EQ(r.out, *c.out);
    }
    if (c.status == 0 && c.message.empty()) {
        EXPECT_EQ(r.err, "");
        return;
    }
    EXPECT_EQ(r.err.rfind("tessaly: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
}

// Fixture over a prefix fixture (PrefixTest, DrivePrefixTest): skipped when the program is
// not built.
template <class Prefix> class CliTest : public Prefix {
  protected:
    void SetUp() override {
        if (access(TessalyProgram().c_str(), X_OK) != 0)
            GTEST_SKIP() << TessalyProgram() << " is not built";
        Prefix::SetUp();
    }
    void Expect(const std::vector<CliCase>& cases, const std::vector<std::string>& env = {}) {
        for (const CliCase& c : cases)
            ExpectCase(c, RunTessalyLimited(c.args, env));
    }
};

} // namespace tessaly::testing
