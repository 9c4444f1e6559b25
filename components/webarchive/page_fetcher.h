#pragma once
// Downloading a page's parts with libcurl, many at once, each bounded in time and all of them
// together in size, so that a dead or endless server cannot hold the caller.
#include <string>
#include <vector>

namespace webarchive {

struct FetchLimits {
    long timeoutMs = 30000;       // one download, connection included
    size_t sizeLimit = 64u << 20; // all downloads of one page together
    long parallel = 8;            // downloads at once
    std::string user, password;   // offered only when a server asks
};

struct Fetch {
    std::string url;         // absolute http(s) address
    std::string body;        // what arrived
    std::string contentType; // the server's, without parameters, lower case
    std::string charset;     // the content type's charset parameter, if any
    bool ok = false;         // a complete 2xx answer within the limits
};

class PageFetcher {
  public:
    explicit PageFetcher(FetchLimits limits);
    ~PageFetcher();
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    // Runs all fetches to their end. A part is kept only when it fits in what the parts kept
    // so far left of the size budget.
    void Run(std::vector<Fetch>& fetches);

  private:
    FetchLimits limits_;
    size_t used_ = 0;
    void* multi_;
};

// The reference resolved against base as an absolute http or https address without its
// fragment; empty for another scheme (data:, javascript:, mailto:...) or a malformed one.
std::string ResolveAddress(const std::string& base, const std::string& reference);

} // namespace webarchive
