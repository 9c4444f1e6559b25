#pragma once
// The machine's CUPS queues through libcups, on a connection opened with a bound so that a
// missing or stuck scheduler never hangs a caller (CUPS_SERVER and HOME are respected).
#include <string>
#include <vector>

#include <tessaly/printer_types.h>

namespace tessaly::platform {

struct CupsQueue {
    std::string name;
    std::string makeAndModel;
    std::string deviceUri;
    std::string info;
    std::string location;
    std::string media;   // PWG or PPD size name, empty when unknown
    int orientation = 0; // 3 portrait, 4 landscape, 0 unknown
    int xResolution = 0; // dots per inch, 0 unknown
    int yResolution = 0;
};

// Every queue of the scheduler with the user's own options laid over its defaults; empty
// without a scheduler.
std::vector<CupsQueue> CupsQueues();
// The user's CUPS default queue (lpoptions, then the scheduler's), empty when none.
std::string CupsDefaultQueue();
// Makes the queue the user's default in the user's options file; false when it is unknown.
bool CupsSetDefaultQueue(const std::string& name);
// Stores paper, orientation and resolution as the user's options for the queue.
bool CupsSetQueueOptions(const std::string& name, const DEVMODEA& devMode);

// Paper codes: a media name (PWG, PPD or legacy) to DMPAPER_ (0 unknown) and back.
short PaperCodeOfMedia(const std::string& media);
std::string MediaOfPaperCode(short paper);

} // namespace tessaly::platform
