// The web-page resource finder. Input: markup of any kind. Every reference found is non-empty
// and trimmed; srcset addresses hold no blank and do not end in a comma; a style sheet's
// references are found the same whether it is read alone or inside a <style> element.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "resource_finder.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool trimmedNonEmpty(const std::string& text) {
    return !text.empty() && !isBlank(text.front()) && !isBlank(text.back());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 65536) return 0; // the parser's time grows with nesting, not with what is tested
    const std::string text(reinterpret_cast<const char*>(data), size);
    const webarchive::PageResources page = webarchive::FindHtmlResources(text);
    for (const auto& resource : page.resources)
        FUZZ_CHECK(trimmedNonEmpty(resource.reference));
    for (const std::string& address : webarchive::SrcsetAddresses(text)) {
        FUZZ_CHECK(!address.empty() && address.back() != ',');
        for (char c : address)
            FUZZ_CHECK(!isBlank(c));
    }
    const auto css = webarchive::FindCssReferences(text);
    for (const std::string& reference : css)
        FUZZ_CHECK(trimmedNonEmpty(reference));
    // Inside <style> the same references come back, for text the parser keeps as it is: one
    // text node (no "<") of printable ASCII (no line-end or character-set repair).
    bool plain = true;
    for (char c : text)
        plain = plain && c != '<' && c != '\r' && (c == '\n' || c == '\t' || (c >= ' ' && c < 127));
    if (plain) {
        const auto styled = webarchive::FindHtmlResources("<style>" + text + "</style>");
        FUZZ_CHECK(styled.resources.size() == css.size());
        for (size_t i = 0; i < css.size(); ++i)
            FUZZ_CHECK(styled.resources[i].reference == css[i]);
    }
    return 0;
}
