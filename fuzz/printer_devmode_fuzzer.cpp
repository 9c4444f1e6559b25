// A prefix printer's stored device mode ("Default DevMode", any bytes) read through the
// printer table: the device mode handed out always describes exactly its own bytes (the
// stored one when it is whole, else the default one), the level-2 buffer the size query asks
// for suffices and one byte less is refused, and the device mode lies within it; written
// back through DocumentPropertiesA, public part and private bytes, it reads the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/printers.h"
#include "platform/registry.h"

namespace p = tessaly::platform;

void tessaly::fuzz::setUp() {
    setenv("CUPS_SERVER", "/nonexistent/fuzz-cups.sock", 1); // the prefix printers alone
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const bool added = p::AddPrefixPrinter("Fuzz", "Fuzz Driver", "FUZZ:", {});
    FUZZ_CHECK(added);
    HKEY key = nullptr;
    const std::string path = std::string(p::kPrintersKey) + "\\Fuzz";
    FUZZ_CHECK(p::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, p::KEY_WRITE, &key) == 0);
    p::RegSetValueExA(key, "Default DevMode", 0, REG_BINARY, data, DWORD(size));
    p::RegCloseKey(key);

    p::PrinterEntry entry;
    FUZZ_CHECK(p::LookupPrinter("Fuzz", entry));
    DEVMODEA head;
    FUZZ_CHECK(entry.devMode.size() >= sizeof head);
    std::memcpy(&head, entry.devMode.data(), sizeof head);
    FUZZ_CHECK(head.dmSize == sizeof head && entry.devMode.size() == 156u + head.dmDriverExtra);
    const bool whole = size >= 156 && entry.devMode == std::vector<BYTE>(data, data + size);
    FUZZ_CHECK(whole || entry.devMode == p::DefaultDevMode("Fuzz"));
    FUZZ_CHECK(p::DocumentPropertiesA(nullptr, nullptr, "Fuzz", nullptr, nullptr, 0) ==
               LONG(entry.devMode.size()));

    // Written back (the private bytes have the driver's size), the settings read the same.
    std::vector<BYTE> back(entry.devMode.size());
    auto* stored = reinterpret_cast<DEVMODEA*>(entry.devMode.data());
    FUZZ_CHECK(p::DocumentPropertiesA(nullptr, nullptr, "Fuzz", nullptr, stored,
                                      DM_IN_BUFFER | DM_UPDATE) == 1);
    FUZZ_CHECK(p::DocumentPropertiesA(nullptr, nullptr, "Fuzz",
                                      reinterpret_cast<DEVMODEA*>(back.data()), nullptr,
                                      DM_OUT_BUFFER) == 1);
    FUZZ_CHECK(back == entry.devMode);

    HANDLE printer = nullptr;
    FUZZ_CHECK(p::OpenPrinterA("Fuzz", &printer, nullptr));
    DWORD needed = 0;
    p::GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    FUZZ_CHECK(!p::GetPrinterA(printer, 2, buffer.data(), needed - 1, &needed));
    FUZZ_CHECK(p::GetPrinterA(printer, 2, buffer.data(), needed, &needed));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    const BYTE* mode = reinterpret_cast<const BYTE*>(info->pDevMode);
    FUZZ_CHECK(mode >= buffer.data() && mode + entry.devMode.size() <= buffer.data() + needed);
    FUZZ_CHECK(std::memcmp(mode, entry.devMode.data(), entry.devMode.size()) == 0);
    p::ClosePrinter(printer);
    return 0;
}
