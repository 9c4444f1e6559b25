#pragma once
// The comma-separated text rewrite of the word-list data files (kept apart, without
// dependencies, so the fuzz harness builds it alone).
#include <string>

namespace tessaly::text {

// Each comma outside double quotes becomes a tab; a double quote switches between inside and
// outside and is kept; every other byte is kept.
std::string CommasToTabs(const std::string& text);

} // namespace tessaly::text
