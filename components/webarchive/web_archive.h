#pragma once
// A whole web page gathered (the page, then what it and its style sheets and frames refer to)
// and written as one MIME HTML message.
#include <string>
#include <vector>

#include "page_fetcher.h"

namespace webarchive {

struct ArchivePart {
    std::string location; // the address the page refers to it by
    std::string contentType, charset, body;
};

// The page first; E_INVALIDARG-like false with reason "scheme" for a non-http address,
// false when the page itself cannot be fetched. suppress: MHTML_SUPPRESS_* flags.
bool GatherPage(const std::string& url, long suppress, const FetchLimits& limits,
                std::vector<ArchivePart>& parts, std::string& title, bool& badScheme);

// multipart/related with the page first, each part with its Content-Location, text parts
// quoted-printable and the others base64, lines ending in CR LF.
std::string WriteMhtml(const std::vector<ArchivePart>& parts, const std::string& title);

} // namespace webarchive
