// The stored comment text split by reviewer. Input: the user name, a zero byte, the stored
// text. Without either tag the result is empty and `other` untouched; a result holds no "[",
// follows its tag in the text, and neither result nor `other` is longer than the text.
#include <cstdint>
#include <string>

#include "comments/comments_internal.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string user = zero == std::string::npos ? "ann" : input.substr(0, zero);
    const std::string text = zero == std::string::npos ? input : input.substr(zero + 1);
    // CString texts end at a zero byte for Find: keep the part the parser reads.
    const std::string stored = text.substr(0, text.find('\0'));
    CString other = "\x01untouched";
    const std::string result(
        tessaly::comments::ReviewerSegment(stored.c_str(), user.c_str(), other).GetString());
    const std::string rest(other.GetString(), other.GetLength());
    const std::string all = "[ALL]", own = "[" + user + "]";
    if (stored.find(all) == std::string::npos && stored.find(own) == std::string::npos) {
        FUZZ_CHECK(result.empty());
        FUZZ_CHECK(rest == "\x01untouched");
        return 0;
    }
    FUZZ_CHECK(result.find('[') == std::string::npos);
    FUZZ_CHECK(result.size() <= stored.size() && rest.size() <= stored.size());
    if (!result.empty()) {
        const std::string& tag = stored.find(all) != std::string::npos ? all : own;
        FUZZ_CHECK(stored.find(tag + result) != std::string::npos);
    }
    return 0;
}
