// The version text's rewriting. Input: the text. Lines are never added or removed (the CR
// and LF counts stay), a text without either label comes back unchanged, and the result
// grows by at most the two inserted parts.
#include <algorithm>
#include <cstdint>
#include <string>

#include "dialogs/viewers_internal.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    const std::string date = "May 02, 2005";
    const std::string result(
        tessaly::dialogs::ParseVersionText(text.c_str(), "product name:", "version:", date.c_str())
            .GetString());
    for (char ch : {'\r', '\n'})
        FUZZ_CHECK(std::count(result.begin(), result.end(), ch) ==
                   std::count(text.begin(), text.end(), ch));
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (lower.find("product name:") == std::string::npos &&
        lower.find("version:") == std::string::npos)
        FUZZ_CHECK(result == text);
    FUZZ_CHECK(result.size() <= text.size() + 4 + 4 + date.size() + 3);
    return 0;
}
