// The zip engine's item lists and entry names: what to pack, and where an entry may go.
#include <string>
#include <vector>

#include "zip_engine.h"

namespace zipengine {

namespace {

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// Checks one item; empty when it is a usable path, else why not.
std::string itemProblem(const std::string& item) {
    for (unsigned char ch : item)
        if (ch < 0x20 || ch == '<' || ch == '>') return "not a file name: " + item;
    const size_t lastSeparator = item.find_last_of("\\/");
    const size_t wild = item.find_first_of("*?");
    if (wild != std::string::npos && lastSeparator != std::string::npos && wild < lastSeparator)
        return "wild cards only in the last part: " + item;
    return {};
}

} // namespace

bool ParseItemList(const std::string& text, std::vector<std::string>& items, std::string& error) {
    items.clear();
    error.clear();
    std::string current;
    auto finish = [&]() -> bool {
        std::string item = trimmed(current);
        current.clear();
        if (item.empty()) return true;
        error = itemProblem(item);
        if (!error.empty()) {
            items.clear(); // a refused list gives no items
            return false;
        }
        items.push_back(item);
        return true;
    };
    for (char ch : text) {
        if (ch == '"') continue;
        if (ch == '|' || ch == '\r' || ch == '\n') {
            if (!finish()) return false;
        } else {
            current += ch;
        }
    }
    if (!finish()) return false;
    if (items.empty()) {
        error = "no items to pack";
        return false;
    }
    return true;
}

bool SafeEntryParts(const std::string& name, std::vector<std::string>& parts) {
    parts.clear();
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false; // a drive letter
    std::string part;
    auto finish = [&]() -> bool {
        if (part == "..") return false;
        if (!part.empty() && part != ".") parts.push_back(part);
        part.clear();
        return true;
    };
    for (char ch : name) {
        if (ch == '\0') return false;
        if (ch == '/' || ch == '\\') {
            if (!finish()) return false;
        } else {
            part += ch;
        }
    }
    return finish() && !parts.empty();
}

} // namespace zipengine
