// HTML to text on the input written to a file: the text is made of pieces of the file
// before its first zero byte, never holds a "<", is no longer than the file, and is empty
// when the file holds no "<".
#include <cstdint>
#include <fstream>
#include <string>

#include <tessaly/text.h>

#include "fuzz_support.h"
#include "platform/prefix.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const std::string posix = tessaly::fuzz::usePrivatePrefix() + "/page.html";
    static const std::string windows = tessaly::platform::ToWindowsPath(posix);
    std::ofstream(posix, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const std::string text = Html2Text(windows.c_str()).str();
    const std::string before = tessaly::fuzz::splitInput(data, size, '\0').front();
    FUZZ_CHECK(text.size() <= before.size());
    FUZZ_CHECK(text.find('<') == std::string::npos);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    if (before.find('<') == std::string::npos) FUZZ_CHECK(text.empty());
    return 0;
}
