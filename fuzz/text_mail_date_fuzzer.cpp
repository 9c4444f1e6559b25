// The mail date reader and the database date reader, on the input as text (cut at a zero
// byte). A text without a comma is no date; any other result is -1, 0 (refused by the
// calendar) or a date of the years 100 to 9999; what stands before the comma is not read.
#include <cstdint>
#include <string>

#include <tessaly/text.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text = tessaly::fuzz::splitInput(data, size, '\0').front();
    const double date = GetDateTime(text.c_str());
    const size_t comma = text.find(',');
    if (comma == std::string::npos) FUZZ_CHECK(date == -1.0);
    if (date != -1.0 && date != 0.0) {
        FUZZ_CHECK(COleDateTime(date).GetStatus() == COleDateTime::valid);
        FUZZ_CHECK(COleDateTime(date).GetYear() >= 100);
    }
    if (comma != std::string::npos) {
        const std::string other = "Wed" + text.substr(comma);
        const double again = GetDateTime(other.c_str());
        FUZZ_CHECK(again == date);
    }
    const double stored = GetDateFromString(CString(text));
    if (text.size() < 16) FUZZ_CHECK(stored == 0.0);
    return 0;
}
