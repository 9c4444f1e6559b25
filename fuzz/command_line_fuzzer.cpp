// The command-line splitter and joiner: joining arguments and splitting the line gives the
// arguments back, and a split line joined again splits the same way.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/process.h"

namespace p = tessaly::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // The input as a command line (up to a zero byte, as the splitter reads a C string).
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> split = p::SplitCommandLine(line);
    for (size_t i = 0; i < split.size(); ++i) {
        FUZZ_CHECK(split[i].find('\0') == std::string::npos);
        FUZZ_CHECK(split[i].size() <= line.size());
    }
    FUZZ_CHECK(p::SplitCommandLine(p::JoinCommandLine(split)) == split);

    // The input as arguments separated by zero bytes. The program name knows no escapes,
    // so it cannot hold a quote.
    const std::vector<std::string> arguments = tessaly::fuzz::splitInput(data, size, '\0');
    if (arguments[0].find('"') == std::string::npos) {
        const std::string joined = p::JoinCommandLine(arguments);
        FUZZ_CHECK(p::SplitCommandLine(joined) == arguments);
    }
    return 0;
}
