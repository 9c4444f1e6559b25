// The print-queue module: the machine's CUPS queues listed with their settings, the user's
// default queue and options, each call on its own bounded connection. The platform loads it
// on the first queue call (platform/cups_queues.cpp).
#include "platform/print_queue_module.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <cstring>
#include <memory>
#include <strings.h>

namespace tessaly::printqueues {

using platform::CupsQueue;

namespace {

// Connecting gives up after this long; requests time out after kRequestSeconds.
constexpr int kConnectMilliseconds = 1000;
constexpr double kRequestSeconds = 3.0;

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpCloser>;

Connection connectScheduler() {
    cupsSetServer(nullptr); // CUPS_SERVER is read again: the server may change while we run
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectMilliseconds, nullptr);
    if (http) httpSetTimeout(http, kRequestSeconds, nullptr, nullptr);
    return Connection(http);
}

// "600dpi" or "600x300dpi" (dots per centimetre converted).
void parseResolution(const char* text, int& x, int& y) {
    int a = 0, b = 0;
    char units[8] = "";
    if (std::sscanf(text, "%dx%d%7s", &a, &b, units) == 3) {
    } else if (std::sscanf(text, "%d%7s", &a, units) == 2) {
        b = a;
    } else {
        return;
    }
    if (!strcasecmp(units, "dpcm")) {
        a = int(a * 2.54 + 0.5);
        b = int(b * 2.54 + 0.5);
    } else if (strcasecmp(units, "dpi")) {
        return;
    }
    x = a;
    y = b;
}

// The user's options (lpoptions) for a queue laid over the scheduler's defaults.
void applyUserOptions(http_t* http, CupsQueue& queue) {
    cups_dest_t* dest = cupsGetNamedDest(http, queue.name.c_str(), nullptr);
    if (!dest) return;
    if (const char* media = cupsGetOption("media", dest->num_options, dest->options))
        queue.media = media;
    if (const char* o = cupsGetOption("orientation-requested", dest->num_options, dest->options))
        queue.orientation = std::atoi(o);
    else if (cupsGetOption("landscape", dest->num_options, dest->options))
        queue.orientation = 4;
    if (const char* r = cupsGetOption("printer-resolution", dest->num_options, dest->options))
        parseResolution(r, queue.xResolution, queue.yResolution);
    cupsFreeDests(1, dest);
}

// Runs `change` on the user's destinations and writes them back (as lpoptions does).
template <typename Change> bool changeUserDests(const std::string& name, Change change) {
    Connection http = connectScheduler();
    if (!http) return false;
    cups_dest_t* dests = nullptr;
    int count = cupsGetDests2(http.get(), &dests);
    cups_dest_t* dest = cupsGetDest(name.c_str(), nullptr, count, dests);
    bool done = false;
    if (dest) {
        change(dests, count, dest);
        done = cupsSetDests2(http.get(), count, dests) == 0;
    }
    cupsFreeDests(count, dests);
    return done;
}

struct PaperName {
    short code;
    const char* pwg;
};
constexpr PaperName kPapers[] = {
    {DMPAPER_LETTER, "na_letter_8.5x11in"},
    {DMPAPER_LEGAL, "na_legal_8.5x14in"},
    {DMPAPER_A3, "iso_a3_297x420mm"},
    {DMPAPER_A4, "iso_a4_210x297mm"},
};

} // namespace

namespace {

// Asks for the queues' attributes: every queue (CUPS-Get-Printers), or the one named.
std::vector<CupsQueue> queryQueues(http_t* http, const std::string& only) {
    std::vector<CupsQueue> queues;
    static const char* const wanted[] = {"printer-name",
                                         "printer-make-and-model",
                                         "device-uri",
                                         "printer-info",
                                         "printer-location",
                                         "media-default",
                                         "orientation-requested-default",
                                         "printer-resolution-default"};
    ipp_t* request =
        ippNewRequest(only.empty() ? IPP_OP_CUPS_GET_PRINTERS : IPP_OP_GET_PRINTER_ATTRIBUTES);
    if (!only.empty()) {
        char uri[1024];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", only.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    }
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(wanted)), nullptr, wanted);
    ipp_t* response = cupsDoRequest(http, request, "/");
    if (!response) return queues;
    if (ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return queues;
    }
    // The response lists each printer's attributes as one group.
    CupsQueue current;
    auto flush = [&] {
        if (!current.name.empty()) queues.push_back(current);
        current = CupsQueue();
    };
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr;
         attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name) {
            flush();
            continue;
        }
        if (ippGetGroupTag(attr) != IPP_TAG_PRINTER) continue;
        const char* text = ippGetString(attr, 0, nullptr);
        if (!strcmp(name, "printer-name") && text)
            current.name = text;
        else if (!strcmp(name, "printer-make-and-model") && text)
            current.makeAndModel = text;
        else if (!strcmp(name, "device-uri") && text)
            current.deviceUri = text;
        else if (!strcmp(name, "printer-info") && text)
            current.info = text;
        else if (!strcmp(name, "printer-location") && text)
            current.location = text;
        else if (!strcmp(name, "media-default") && text)
            current.media = text;
        else if (!strcmp(name, "orientation-requested-default") &&
                 ippGetValueTag(attr) == IPP_TAG_ENUM)
            current.orientation = ippGetInteger(attr, 0);
        else if (!strcmp(name, "printer-resolution-default") &&
                 ippGetValueTag(attr) == IPP_TAG_RESOLUTION) {
            ipp_res_t units;
            int y = 0;
            int x = ippGetResolution(attr, 0, &y, &units);
            if (units == IPP_RES_PER_CM) {
                x = int(x * 2.54 + 0.5);
                y = int(y * 2.54 + 0.5);
            }
            current.xResolution = x;
            current.yResolution = y;
        }
    }
    flush();
    ippDelete(response);
    for (CupsQueue& queue : queues)
        applyUserOptions(http, queue);
    return queues;
}

std::vector<CupsQueue> CupsQueues() {
    Connection http = connectScheduler();
    return http ? queryQueues(http.get(), "") : std::vector<CupsQueue>();
}

bool CupsQueueNamed(const std::string& name, CupsQueue& queue) {
    Connection http = connectScheduler();
    if (!http || name.empty()) return false;
    std::vector<CupsQueue> found = queryQueues(http.get(), name);
    if (found.empty()) return false;
    queue = found.front();
    return true;
}

std::string CupsDefaultQueue() {
    Connection http = connectScheduler();
    if (!http) return {};
    cups_dest_t* dest = cupsGetNamedDest(http.get(), nullptr, nullptr);
    std::string name = dest && dest->name ? dest->name : "";
    if (dest) cupsFreeDests(1, dest);
    return name;
}

bool CupsSetDefaultQueue(const std::string& name) {
    return changeUserDests(name, [](cups_dest_t* dests, int count, cups_dest_t* chosen) {
        for (int i = 0; i < count; ++i)
            dests[i].is_default = 0;
        chosen->is_default = 1;
    });
}

std::string MediaOfPaperCode(short paper) {
    for (const PaperName& name : kPapers)
        if (name.code == paper) return name.pwg;
    return {};
}

bool CupsSetQueueOptions(const std::string& name, const DEVMODEA& devMode) {
    return changeUserDests(name, [&](cups_dest_t*, int, cups_dest_t* dest) {
        if ((devMode.dmFields & DM_PAPERSIZE) && !MediaOfPaperCode(devMode.dmPaperSize).empty())
            dest->num_options =
                cupsAddOption("media", MediaOfPaperCode(devMode.dmPaperSize).c_str(),
                              dest->num_options, &dest->options);
        if (devMode.dmFields & DM_ORIENTATION)
            dest->num_options = cupsAddOption(
                "orientation-requested", devMode.dmOrientation == DMORIENT_LANDSCAPE ? "4" : "3",
                dest->num_options, &dest->options);
        if ((devMode.dmFields & DM_PRINTQUALITY) && devMode.dmPrintQuality > 0) {
            int y = (devMode.dmFields & DM_YRESOLUTION) && devMode.dmYResolution > 0
                        ? devMode.dmYResolution
                        : devMode.dmPrintQuality;
            std::string value =
                y == devMode.dmPrintQuality
                    ? std::to_string(y) + "dpi"
                    : std::to_string(devMode.dmPrintQuality) + "x" + std::to_string(y) + "dpi";
            dest->num_options = cupsAddOption("printer-resolution", value.c_str(),
                                              dest->num_options, &dest->options);
        }
    });
}

short PaperCodeOfMedia(const std::string& media) {
    if (media.empty()) return 0;
    pwg_media_t* size = pwgMediaForPWG(media.c_str());
    if (!size) size = pwgMediaForPPD(media.c_str());
    if (!size) size = pwgMediaForLegacy(media.c_str());
    if (!size || !size->pwg) return 0;
    for (const PaperName& paper : kPapers)
        if (!strcmp(size->pwg, paper.pwg)) return paper.code;
    return 0;
}

constexpr platform::PrintQueueEntries kEntries = {
    CupsQueues,          CupsQueueNamed,   CupsDefaultQueue, CupsSetDefaultQueue,
    CupsSetQueueOptions, PaperCodeOfMedia, MediaOfPaperCode};

} // namespace

} // namespace tessaly::printqueues

extern "C" __attribute__((visibility("default"))) const void* TessalyPrintQueueEntries() {
    return &tessaly::printqueues::kEntries;
}
