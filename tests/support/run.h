#pragma once
// Running other programs from tests: the built tessaly command, shell scripts, and the tools
// that make test inputs.
#include <sys/types.h>

#include <string>
#include <vector>

namespace tessaly::testing {

struct RunResult {
    int status = -1; // the exit status; -1 when the program did not run or did not exit
    std::string out;
    std::string err;
};

// Runs arguments[0] (looked up on PATH when it has no slash) with the others as its
// arguments, no shell between, standard input empty; waits for it and collects its output.
// environment changes the inherited environment: "NAME=value" sets, a bare "NAME" removes.
RunResult RunProgram(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment = {});

// Starts arguments[0] (a path) with the others without waiting for it; the program ends with
// the test process, even a killed one. Its process id, or -1 when it could not be forked.
pid_t StartProgramTiedToTest(std::vector<std::string> arguments);

// The tessaly command of this build, and running it.
const std::string& TessalyProgram();
RunResult RunTessaly(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment = {});

// Writes an executable shell script; returns its path.
std::string WriteScript(const std::string& path, const std::string& body);

// Compiles a resource script into a resource-only Windows DLL folder/name.dll with the
// binutils for Windows; returns its path, empty when the tools are missing or fail.
std::string BuildResourceDll(const std::string& folder, const std::string& name,
                             const std::string& script);

} // namespace tessaly::testing
