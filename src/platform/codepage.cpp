// PLACEHOLDER until the code-page module lands.
#include "platform/codepage.h"

#include <cctype>

namespace tessaly::platform {
void AnsiLower(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
void AnsiUpper(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
} // namespace tessaly::platform
