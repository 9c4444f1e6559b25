// The default printer on every Windows family, finding a printer, a printer's device blocks
// for print dialogs, and the fax modems' initialisation strings.
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/printers.h>

#include "foundation/companion.h"
#include "foundation/version_record.h"
#include "framework/widgets/broadcast.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/printers.h"
#include "platform/shell.h"
#include "print/printer_family.h"

namespace platform = tessaly::platform;

namespace {

constexpr UINT kBroadcastTimeoutMs = 1000;
constexpr DWORD kProfileNameLimit = 250;
constexpr const char kOptionsKey[] = "Software\\Varnholt\\Tessaly2001\\Options";
constexpr const char kCustomInitValue[] = "Fax Custom Init String";

// Types 0 to 6; type 7 is the user's own string.
constexpr const char* kModemInitStrings[] = {
    "AT&FE0V1&C1&D2S0=0",    "AT&F1E0V1&C1&D2S0=0",   "AT&F1&H3&I2&R2E0V1&C1&D2S0=0",
    "AT&FE0V1&C1&D2&K4S0=0", "AT&FE0V1&C1&D2&E5S0=0", "AT&FE0V1&C1&D2&E4&E11S0=0",
    "AT&FE0V1&C1&D2/Q1S0=0",
};
constexpr int kCustomModemType = 7;

// The printer's level-2 information in a buffer of its own size; empty on failure.
std::vector<BYTE> printerInfo(HANDLE printer) {
    DWORD needed = 0;
    platform::GetPrinterA(printer, 2, nullptr, 0, &needed);
    if (!needed) return {};
    std::vector<BYTE> buffer(needed);
    if (!platform::GetPrinterA(printer, 2, buffer.data(), needed, &needed)) return {};
    return buffer;
}

void broadcastSettingChange(const char* section) {
    DWORD_PTR answer = 0;
    tessaly::framework::SendMessageTimeoutA(
        tessaly::framework::HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(section),
        tessaly::framework::SMTO_NORMAL, kBroadcastTimeoutMs, &answer);
}

// Paths 1 and 3: copy the name when it is shorter than the buffer.
int copyName(const std::string& name, char* buffer, unsigned long* size) {
    const unsigned long wanted = name.size() + 1;
    if (name.size() < *size && buffer) {
        std::memcpy(buffer, name.c_str(), wanted);
        *size = wanted;
        return 1;
    }
    *size = wanted;
    return 0;
}

int getDefault9x(char* buffer, unsigned long* size) {
    DWORD needed = 0, returned = 0;
    platform::EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, nullptr, 0, &needed, &returned);
    if (!needed) return 0;
    std::vector<BYTE> infos(needed, 0);
    if (!platform::EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, infos.data(), needed, &needed,
                                 &returned) ||
        !returned)
        return 0;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(infos.data());
    return copyName(info->pPrinterName ? info->pPrinterName : "", buffer, size);
}

int getDefaultNt5(char* buffer, unsigned long* size) {
    DWORD inOut = DWORD(*size);
    BOOL ok = platform::GetDefaultPrinterA(buffer, &inOut);
    *size = inOut;
    return ok ? 1 : 0;
}

int getDefaultNt4(char* buffer, unsigned long* size) {
    char device[kProfileNameLimit + 1] = "";
    if (!platform::GetProfileStringA("windows", "device", ",,,", device, kProfileNameLimit))
        return 0;
    std::string name(device);
    return copyName(name.substr(0, name.find(',')), buffer, size);
}

int setDefault9x(const char* name) {
    HANDLE printer = nullptr;
    if (!platform::OpenPrinterA(name, &printer, nullptr)) return 0;
    std::vector<BYTE> info = printerInfo(printer);
    BOOL ok = FALSE;
    if (!info.empty()) {
        reinterpret_cast<PRINTER_INFO_2A*>(info.data())->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
        ok = platform::SetPrinterA(printer, 2, info.data(), 0);
    }
    platform::ClosePrinter(printer);
    if (!ok) return 0;
    broadcastSettingChange("windows");
    return 1;
}

int setDefaultNt5(const char* name) {
    if (!platform::SetDefaultPrinterA(name)) return 0;
    broadcastSettingChange(nullptr);
    return 1;
}

int setDefaultNt4(const char* name) {
    HANDLE printer = nullptr;
    if (!platform::OpenPrinterA(name, &printer, nullptr)) return 0;
    std::vector<BYTE> info = printerInfo(printer);
    platform::ClosePrinter(printer);
    if (info.empty()) return 0;
    const auto* fields = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
    if (!fields->pDriverName || !*fields->pDriverName || !fields->pPortName || !*fields->pPortName)
        return 0;
    std::string device = std::string(name) + "," + fields->pDriverName + "," + fields->pPortName;
    if (!platform::WriteProfileStringA("windows", "device", device.c_str())) return 0;
    broadcastSettingChange(nullptr);
    return 1;
}

} // namespace

namespace tessaly::print {

PrinterFamily CurrentPrinterFamily() {
    platform::OSVERSIONINFOA info{};
    if (!tessaly::base::ReadVersion(info)) return PrinterFamily::Other;
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_WINDOWS) return PrinterFamily::Windows9x;
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT)
        return info.dwMajorVersion >= 5 ? PrinterFamily::Nt5 : PrinterFamily::Nt4;
    return PrinterFamily::Other;
}

} // namespace tessaly::print

int DPGetDefaultPrinter(char* buffer, unsigned long* size) {
    using tessaly::print::PrinterFamily;
    const PrinterFamily family = tessaly::print::CurrentPrinterFamily();
    if (family == PrinterFamily::Other) return 1;
    if (!size) return 0;
    switch (family) {
    case PrinterFamily::Windows9x:
        return getDefault9x(buffer, size);
    case PrinterFamily::Nt5:
        return getDefaultNt5(buffer, size);
    default:
        return getDefaultNt4(buffer, size);
    }
}

int DPSetDefaultPrinter(char* printerName) {
    using tessaly::print::PrinterFamily;
    if (!printerName) return 0;
    switch (tessaly::print::CurrentPrinterFamily()) {
    case PrinterFamily::Windows9x:
        return setDefault9x(printerName);
    case PrinterFamily::Nt5:
        return setDefaultNt5(printerName);
    case PrinterFamily::Nt4:
        return setDefaultNt4(printerName);
    default:
        return 1;
    }
}

int FindPrinter(CString printerName) {
    HANDLE printer = nullptr;
    if (!platform::OpenPrinterA(printerName.GetString(), &printer, nullptr)) return 0;
    platform::ClosePrinter(printer);
    return 1;
}

int GetPrinterDevice(char* printerName, HGLOBAL* devNames, HGLOBAL* devMode) {
    if (!devNames || !devMode) return 0;
    HANDLE printer = nullptr;
    if (!platform::OpenPrinterA(printerName, &printer, nullptr)) return 0;
    std::vector<BYTE> info = printerInfo(printer);
    platform::ClosePrinter(printer);
    if (info.empty()) return 0;
    const auto* fields = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
    const DEVMODEA* mode = fields->pDevMode;
    if (!mode) return 0;

    const size_t modeBytes = size_t(mode->dmSize) + mode->dmDriverExtra;
    HGLOBAL modeBlock = platform::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, modeBytes);
    if (!modeBlock) return 0;
    std::memcpy(platform::GlobalLock(modeBlock), mode, modeBytes);
    platform::GlobalUnlock(modeBlock);

    const std::string driver = fields->pDriverName ? fields->pDriverName : "";
    const std::string device = fields->pPrinterName ? fields->pPrinterName : "";
    const std::string port = fields->pPortName ? fields->pPortName : "";
    const size_t namesBytes = sizeof(DEVNAMES) + driver.size() + device.size() + port.size() + 3;
    HGLOBAL namesBlock = platform::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, namesBytes);
    if (!namesBlock) {
        platform::GlobalFree(modeBlock);
        return 0;
    }
    auto* names = static_cast<DEVNAMES*>(platform::GlobalLock(namesBlock));
    names->wDriverOffset = sizeof(DEVNAMES);
    names->wDeviceOffset = WORD(names->wDriverOffset + driver.size() + 1);
    names->wOutputOffset = WORD(names->wDeviceOffset + device.size() + 1);
    names->wDefault = 0;
    char* base = reinterpret_cast<char*>(names);
    std::memcpy(base + names->wDriverOffset, driver.c_str(), driver.size() + 1);
    std::memcpy(base + names->wDeviceOffset, device.c_str(), device.size() + 1);
    std::memcpy(base + names->wOutputOffset, port.c_str(), port.size() + 1);
    platform::GlobalUnlock(namesBlock);

    *devNames = namesBlock;
    *devMode = modeBlock;
    return 1;
}

CString GetFaxInitString(int modemType) {
    if (modemType >= 0 && modemType < int(std::size(kModemInitStrings)))
        return CString(kModemInitStrings[modemType]);
    CString custom;
    if (modemType == kCustomModemType)
        tessaly::companion::GetRegString(kOptionsKey, kCustomInitValue, custom, 0);
    return custom;
}
