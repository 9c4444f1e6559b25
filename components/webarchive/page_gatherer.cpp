// Gathering a page and its resources round by round: the page, then what it refers to (all
// at once), then what those style sheets and frames refer to, up to a fixed depth.
#include <tessaly/web_components.h>

#include <set>

#include "resource_finder.h"
#include "web_archive.h"

namespace webarchive {

namespace {

constexpr int kMaxRounds = 4; // page, its resources, imports of imports, frames of frames

bool isHtml(const std::string& type) {
    return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

bool suppressed(ResourceKind kind, long flags) {
    switch (kind) {
    case ResourceKind::Image:
        return flags & MHTML_SUPPRESS_IMAGES;
    case ResourceKind::Sound:
        return flags & MHTML_SUPPRESS_SOUNDS;
    case ResourceKind::Frame:
        return flags & MHTML_SUPPRESS_FRAMES;
    case ResourceKind::Object:
        return flags & MHTML_SUPPRESS_OBJECTS;
    case ResourceKind::StyleSheet:
        return flags & MHTML_SUPPRESS_STYLE_SHEETS;
    case ResourceKind::Script:
        return false;
    }
    return false;
}

// The references a fetched part makes, resolved against where it came from.
std::vector<std::string> referencesOf(const Fetch& fetch, long flags, bool page,
                                      std::string* title) {
    std::vector<std::string> found;
    if (fetch.contentType == "text/css") {
        if (flags & MHTML_SUPPRESS_IMAGES) return found;
        for (const std::string& reference : FindCssReferences(fetch.body))
            found.push_back(ResolveAddress(fetch.url, reference));
    } else if (isHtml(fetch.contentType)) {
        PageResources resources = FindHtmlResources(fetch.body);
        if (page && title) *title = resources.title;
        const std::string base =
            resources.base.empty() ? fetch.url : ResolveAddress(fetch.url, resources.base);
        for (const FoundResource& r : resources.resources)
            if (!suppressed(r.kind, flags))
                found.push_back(ResolveAddress(base.empty() ? fetch.url : base, r.reference));
    }
    return found;
}

} // namespace

bool GatherPage(const std::string& url, long suppress, const FetchLimits& limits,
                std::vector<ArchivePart>& parts, std::string& title, bool& badScheme) {
    badScheme = false;
    const std::string page = ResolveAddress(url, "");
    if (page.empty()) {
        badScheme = true;
        return false;
    }
    PageFetcher fetcher(limits);
    std::vector<Fetch> round(1);
    round.front().url = page;
    std::set<std::string> seen{page};
    for (int depth = 0; depth < kMaxRounds && !round.empty(); ++depth) {
        fetcher.Run(round);
        if (depth == 0 && !round.front().ok) return false;
        std::vector<Fetch> next;
        for (const Fetch& fetch : round) {
            if (!fetch.ok) continue; // a missing or endless resource is left out
            parts.push_back({fetch.url, fetch.contentType, fetch.charset, fetch.body});
            if (depth + 1 == kMaxRounds) continue;
            for (std::string& address : referencesOf(fetch, suppress, depth == 0, &title))
                if (!address.empty() && seen.insert(address).second)
                    next.emplace_back().url = std::move(address);
        }
        round = std::move(next);
    }
    if (parts.front().contentType.empty()) parts.front().contentType = "text/html";
    return true;
}

} // namespace webarchive
