// The comma-separated text rewrite of the word-list data files: the input is the file's text.
// The rewrite keeps the length and every byte but separating commas; splitting the result at
// its new tabs and joining the pieces with commas gives the input back; a text without quotes
// has every comma turned; the quotes' text between an odd and the next even quote is untouched.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/csv_rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string out = tessaly::text::CommasToTabs(in);
    if (out.size() != in.size()) std::abort();
    size_t quotes = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '"') ++quotes;
        const bool inside = quotes % 2 == 1;
        if (in[i] == ',' && !inside) {
            if (out[i] != '\t') std::abort();
        } else if (out[i] != in[i]) {
            std::abort();
        }
    }
    // Only the separating commas moved: putting commas back where tabs appeared anew restores it.
    std::string back = out;
    for (size_t i = 0; i < back.size(); ++i)
        if (back[i] == '\t' && in[i] == ',') back[i] = ',';
    if (back != in) std::abort();
    return 0;
}
