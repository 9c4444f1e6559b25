// Parallel downloads on curl's multi interface, redirects followed within a bound, answers
// other than 2xx and downloads over the time or size bound counted as failed.
#include "page_fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

namespace webarchive {

namespace {

constexpr long kMaxRedirects = 10;

struct Transfer {
    Fetch* fetch;
    size_t* used;
    size_t limit;
    bool overLimit = false;
};

size_t onData(char* data, size_t size, size_t count, void* context) {
    auto* t = static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    // Each download may fill what the finished ones left; a part that floods ends alone.
    if (t->fetch->body.size() + bytes > t->limit - std::min(t->limit, *t->used)) {
        t->overLimit = true;
        return 0; // aborts this download only
    }
    t->fetch->body.append(data, bytes);
    return bytes;
}

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "text/HTML; charset=UTF-8" -> "text/html" and "UTF-8".
void splitContentType(const char* header, Fetch& fetch) {
    if (!header) return;
    std::string text(header);
    const size_t semicolon = text.find(';');
    std::string type = text.substr(0, semicolon);
    type.erase(
        std::remove_if(type.begin(), type.end(), [](unsigned char c) { return std::isspace(c); }),
        type.end());
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    fetch.contentType = type;
    if (semicolon == std::string::npos) return;
    std::string lower = text.substr(semicolon);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find("charset=");
    if (at == std::string::npos) return;
    std::string charset = text.substr(semicolon + at + 8);
    charset = charset.substr(0, charset.find(';'));
    charset.erase(std::remove_if(charset.begin(), charset.end(),
                                 [](char c) { return c == '"' || c == '\'' || c == ' '; }),
                  charset.end());
    fetch.charset = charset;
}

} // namespace

PageFetcher::PageFetcher(FetchLimits limits) : limits_(std::move(limits)) {
    globalInit();
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, std::max(1L, limits_.parallel));
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, std::max(1L, limits_.parallel));
}

PageFetcher::~PageFetcher() {
    curl_multi_cleanup(multi_);
}

void PageFetcher::Run(std::vector<Fetch>& fetches) {
    std::vector<std::unique_ptr<Transfer>> transfers;
    for (Fetch& fetch : fetches) {
        CURL* easy = curl_easy_init();
        if (!easy) continue;
        transfers.push_back(
            std::make_unique<Transfer>(Transfer{&fetch, &used_, limits_.sizeLimit}));
        curl_easy_setopt(easy, CURLOPT_URL, fetch.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PRIVATE, transfers.back().get());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onData);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfers.back().get());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, limits_.timeoutMs);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits_.timeoutMs);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(easy, CURLOPT_USERAGENT, "Tessaly/1.0");
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits_.sizeLimit));
        if (!limits_.user.empty()) {
            // CURLAUTH_ANY: credentials go out only after the server's challenge.
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
            curl_easy_setopt(easy, CURLOPT_USERNAME, limits_.user.c_str());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, limits_.password.c_str());
        }
        curl_multi_add_handle(multi_, easy);
    }
    int running = 0;
    do {
        curl_multi_perform(multi_, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            CURL* easy = message->easy_handle;
            Transfer* t = nullptr;
            curl_easy_getinfo(easy, CURLINFO_PRIVATE, &t);
            long status = 0;
            curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
            const char* type = nullptr;
            curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
            splitContentType(type, *t->fetch);
            t->fetch->ok =
                message->data.result == CURLE_OK && status >= 200 && status < 300 &&
                !t->overLimit &&
                t->fetch->body.size() <= limits_.sizeLimit - std::min(limits_.sizeLimit, used_);
            if (t->fetch->ok)
                used_ += t->fetch->body.size();
            else
                t->fetch->body.clear(); // a failed part takes no room
            curl_multi_remove_handle(multi_, easy);
            curl_easy_cleanup(easy);
        }
        if (running) curl_multi_poll(multi_, nullptr, 0, 200, nullptr);
    } while (running);
}

std::string ResolveAddress(const std::string& base, const std::string& reference) {
    CURLU* url = curl_url();
    std::string result;
    if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        (reference.empty() ||
         curl_url_set(url, CURLUPART_URL, reference.c_str(), CURLU_URLENCODE) == CURLUE_OK)) {
        char* scheme = nullptr;
        if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            (strcmp(scheme, "http") == 0 || strcmp(scheme, "https") == 0)) {
            curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0);
            char* text = nullptr;
            if (curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) result = text;
            curl_free(text);
        }
        curl_free(scheme);
    }
    curl_url_cleanup(url);
    return result;
}

} // namespace webarchive
