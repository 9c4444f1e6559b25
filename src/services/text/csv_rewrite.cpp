// The comma-separated text rewrite: separating commas become tabs.
#include "text/csv_rewrite.h"

namespace tessaly::text {

std::string CommasToTabs(const std::string& text) {
    std::string out = text;
    bool quoted = false;
    for (char& c : out) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            c = '\t';
    }
    return out;
}

} // namespace tessaly::text
