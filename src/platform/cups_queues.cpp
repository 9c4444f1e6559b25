// The machine's CUPS queues through the print-queue module, loaded on the first call; a
// machine without the module is a machine without queues.
#include "platform/cups_queues.h"

#include "platform/own_modules.h"
#include "platform/print_queue_module.h"

namespace tessaly::platform {

namespace {

const PrintQueueEntries* queueModule() {
    return PlatformModuleEntries<PrintQueueEntries>(kPrintQueueModule, kPrintQueueEntry);
}

} // namespace

std::vector<CupsQueue> CupsQueues() {
    const auto* module = queueModule();
    return module ? module->queues() : std::vector<CupsQueue>{};
}

bool CupsQueueNamed(const std::string& name, CupsQueue& queue) {
    const auto* module = queueModule();
    return module && module->queueNamed(name, queue);
}

std::string CupsDefaultQueue() {
    const auto* module = queueModule();
    return module ? module->defaultQueue() : std::string();
}

bool CupsSetDefaultQueue(const std::string& name) {
    const auto* module = queueModule();
    return module && module->setDefaultQueue(name);
}

bool CupsSetQueueOptions(const std::string& name, const DEVMODEA& devMode) {
    const auto* module = queueModule();
    return module && module->setQueueOptions(name, devMode);
}

short PaperCodeOfMedia(const std::string& media) {
    const auto* module = queueModule();
    return module ? module->paperCodeOfMedia(media) : 0;
}

std::string MediaOfPaperCode(short paper) {
    const auto* module = queueModule();
    return module ? module->mediaOfPaperCode(paper) : std::string();
}

} // namespace tessaly::platform
