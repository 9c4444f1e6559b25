#pragma once
// Finding what a web page needs to be shown offline: the addresses its markup and its style
// sheets refer to, as written (not yet resolved against the page's address).
#include <string>
#include <string_view>
#include <vector>

namespace webarchive {

enum class ResourceKind { Image, Sound, Frame, Object, StyleSheet, Script };

struct FoundResource {
    std::string reference; // trimmed, never empty
    ResourceKind kind;
    bool operator==(const FoundResource&) const = default;
};

struct PageResources {
    std::string base; // the first <base href>, empty when none
    std::string title;
    std::vector<FoundResource> resources; // in document order, repeats kept
};

// Images (src, srcset, backgrounds, posters, icons), style sheets, scripts, frames, embedded
// objects and sounds, and url() inside <style> elements and style attributes. Markup of any
// brokenness is read the way browsers read it.
PageResources FindHtmlResources(std::string_view html);

// The url() references and @import targets of a style sheet, comments skipped.
std::vector<std::string> FindCssReferences(std::string_view css);

// The addresses of a srcset attribute's candidates.
std::vector<std::string> SrcsetAddresses(std::string_view srcset);

} // namespace webarchive
