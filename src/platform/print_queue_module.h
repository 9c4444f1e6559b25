#pragma once
// The print-queue module (libTessalyPrintQueues.so, beside the platform library): the CUPS
// queue operations of cups_queues.h on libcups, loaded on first use.
#include <string>
#include <vector>

#include "platform/cups_queues.h"

namespace tessaly::platform {

struct PrintQueueEntries {
    std::vector<CupsQueue> (*queues)();
    bool (*queueNamed)(const std::string& name, CupsQueue& queue);
    std::string (*defaultQueue)();
    bool (*setDefaultQueue)(const std::string& name);
    bool (*setQueueOptions)(const std::string& name, const DEVMODEA& devMode);
    short (*paperCodeOfMedia)(const std::string& media);
    std::string (*mediaOfPaperCode)(short paper);
};

constexpr char kPrintQueueModule[] = "libTessalyPrintQueues.so";
constexpr char kPrintQueueEntry[] = "TessalyPrintQueueEntries";

} // namespace tessaly::platform
