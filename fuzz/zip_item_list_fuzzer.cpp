// The zip engine's item lists and entry names. Input: the text. An accepted list has items
// without quotes, separators or outer blanks, with wild cards in the last part only, and
// joining the items with "|" reads back the same; an entry name accepted as safe has parts
// that are neither empty, "." nor "..", nor hold a separator.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "zip_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> items;
    std::string error;
    const bool ok = zipengine::ParseItemList(text, items, error);
    FUZZ_CHECK(ok == error.empty());
    FUZZ_CHECK(ok == !items.empty());
    if (ok) {
        std::string joined;
        for (const std::string& item : items) {
            FUZZ_CHECK(item.find_first_of("\"|\r\n") == std::string::npos);
            FUZZ_CHECK(item.front() != ' ' && item.back() != ' ');
            const size_t wild = item.find_first_of("*?");
            const size_t separator = item.find_last_of("\\/");
            FUZZ_CHECK(wild == std::string::npos || separator == std::string::npos ||
                       wild > separator);
            joined += (joined.empty() ? "" : "|") + item;
        }
        std::vector<std::string> again;
        FUZZ_CHECK(zipengine::ParseItemList(joined, again, error) && again == items);
    }

    std::vector<std::string> parts;
    if (zipengine::SafeEntryParts(text, parts)) {
        FUZZ_CHECK(!parts.empty());
        for (const std::string& part : parts) {
            FUZZ_CHECK(!part.empty() && part != "." && part != "..");
            FUZZ_CHECK(part.find_first_of("/\\") == std::string::npos);
            FUZZ_CHECK(part.find('\0') == std::string::npos);
        }
        FUZZ_CHECK(text[0] != '/' && text[0] != '\\');
    }
    return 0;
}
