// The printer table behind the spooler's operations: prefix printers from the machine hive,
// CUPS queues from the scheduler, the default printer in the user's hive.
#include "platform/printers.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <strings.h>

#include "platform/cups_queues.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace tessaly::platform {

namespace {

constexpr size_t kMaxPrinterName = 220;
constexpr size_t kMaxOpenName = 255;

class PrinterHandle : public HandleObject {
  public:
    explicit PrinterHandle(std::string name) : name(std::move(name)) {}
    std::string name;
};

bool sameName(const std::string& a, const std::string& b) {
    return !strcasecmp(a.c_str(), b.c_str());
}

std::string queryString(HKEY key, const char* value) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, nullptr, &size) || !size) return {};
    std::string data(size, '\0');
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size))
        return {};
    data.resize(strnlen(data.data(), size));
    return data;
}

std::vector<BYTE> queryBinary(HKEY key, const char* value) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, nullptr, &size) || !size) return {};
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(key, value, nullptr, &type, data.data(), &size)) return {};
    data.resize(size);
    return data;
}

// A stored device mode is usable when its size fields describe exactly its bytes.
bool validDevMode(const std::vector<BYTE>& bytes) {
    if (bytes.size() < sizeof(DEVMODEA)) return false;
    DEVMODEA dm;
    std::memcpy(&dm, bytes.data(), sizeof dm);
    return dm.dmSize == sizeof(DEVMODEA) && bytes.size() == size_t(dm.dmSize) + dm.dmDriverExtra;
}

bool readPrefixPrinter(const std::string& keyName, PrinterEntry& entry) {
    HKEY key = nullptr;
    std::string path = std::string(kPrintersKey) + "\\" + keyName;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key)) return false;
    entry = PrinterEntry();
    entry.name = queryString(key, "Name");
    if (entry.name.empty()) entry.name = keyName;
    entry.driver = queryString(key, "Printer Driver");
    entry.port = queryString(key, "Port");
    entry.comment = queryString(key, "Description");
    entry.location = queryString(key, "Location");
    DWORD attributes = 0, size = sizeof attributes, type = 0;
    if (!RegQueryValueExA(key, "Attributes", nullptr, &type, reinterpret_cast<BYTE*>(&attributes),
                          &size))
        entry.attributes = attributes;
    entry.devMode = queryBinary(key, "Default DevMode");
    RegCloseKey(key);
    if (!validDevMode(entry.devMode)) entry.devMode = DefaultDevMode(entry.name);
    return true;
}

std::vector<std::string> prefixPrinterKeys() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrintersKey, 0, KEY_READ, &key)) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    return names;
}

PrinterEntry entryOfQueue(const CupsQueue& queue) {
    PrinterEntry entry;
    entry.name = queue.name;
    entry.driver = queue.makeAndModel.empty() ? "CUPS" : queue.makeAndModel;
    entry.port = queue.deviceUri.empty() ? queue.name : queue.deviceUri;
    entry.comment = queue.info;
    entry.location = queue.location;
    entry.attributes = PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_LOCAL;
    entry.cups = true;
    entry.devMode = DefaultDevMode(queue.name);
    auto* dm = reinterpret_cast<DEVMODEA*>(entry.devMode.data());
    if (short paper = PaperCodeOfMedia(queue.media)) {
        dm->dmPaperSize = paper;
        dm->dmFields |= DM_PAPERSIZE;
    }
    if (queue.orientation == 4) dm->dmOrientation = DMORIENT_LANDSCAPE;
    if (queue.xResolution > 0) {
        dm->dmPrintQuality = short(queue.xResolution);
        dm->dmYResolution = short(queue.yResolution > 0 ? queue.yResolution : queue.xResolution);
        dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
    }
    return entry;
}

std::string storedDefaultName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, KEY_READ, &key)) return {};
    std::string device = queryString(key, "Device");
    RegCloseKey(key);
    return device.substr(0, device.find(','));
}

// The default printer's name when such a printer exists, else empty: the user's Device value,
// else the user's CUPS default.
std::string currentDefault() {
    PrinterEntry entry;
    if (LookupPrinter(storedDefaultName(), entry)) return entry.name;
    if (LookupPrinter(CupsDefaultQueue(), entry)) return entry.name;
    return {};
}

bool nameUsable(const char* name, size_t limit) {
    return name && *name && std::strlen(name) <= limit;
}

// Level-2 records for the entries: the structures first, then each device mode and the
// strings. Returns the bytes needed; fills the buffer only when it is large enough.
DWORD layOut(const std::vector<PrinterEntry>& entries, const std::string& defaultName, BYTE* buffer,
             DWORD size) {
    size_t needed = entries.size() * sizeof(PRINTER_INFO_2A);
    for (const PrinterEntry& e : entries) {
        needed = (needed + 7) & ~size_t(7);
        needed += e.devMode.size();
        needed += e.name.size() + e.driver.size() + e.port.size() + e.comment.size() +
                  e.location.size() + 5 + 9 + 4; // "WinPrint", "RAW"
    }
    if (!buffer || needed > size) return DWORD(needed);
    std::memset(buffer, 0, needed);
    size_t at = entries.size() * sizeof(PRINTER_INFO_2A);
    auto put = [&](const std::string& text) {
        char* where = reinterpret_cast<char*>(buffer + at);
        std::memcpy(where, text.c_str(), text.size() + 1);
        at += text.size() + 1;
        return where;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const PrinterEntry& e = entries[i];
        auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer) + i;
        at = (at + 7) & ~size_t(7);
        info->pDevMode = reinterpret_cast<DEVMODEA*>(buffer + at);
        std::memcpy(buffer + at, e.devMode.data(), e.devMode.size());
        at += e.devMode.size();
        info->pPrinterName = put(e.name);
        info->pDriverName = put(e.driver);
        info->pPortName = put(e.port);
        info->pComment = put(e.comment);
        info->pLocation = put(e.location);
        info->pPrintProcessor = put("WinPrint");
        info->pDatatype = put("RAW");
        info->Attributes = e.attributes & ~PRINTER_ATTRIBUTE_DEFAULT;
        if (!defaultName.empty() && sameName(e.name, defaultName))
            info->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
        info->Priority = info->DefaultPriority = 1;
    }
    return DWORD(needed);
}

bool printerOfHandle(HANDLE printer, PrinterEntry& entry) {
    auto handle = HandleAs<PrinterHandle>(printer);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!LookupPrinter(handle->name, entry)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return false;
    }
    return true;
}

bool writePrefixDevMode(const std::string& name, const std::vector<BYTE>& devMode) {
    HKEY key = nullptr;
    std::string path = std::string(kPrintersKey) + "\\" + name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_WRITE, &key)) return false;
    LONG rc = RegSetValueExA(key, "Default DevMode", 0, REG_BINARY, devMode.data(),
                             DWORD(devMode.size()));
    RegCloseKey(key);
    return rc == 0;
}

// Stores a device mode as the printer's default settings.
bool storeDevMode(const PrinterEntry& entry, const std::vector<BYTE>& devMode) {
    if (entry.cups) {
        DEVMODEA dm;
        std::memcpy(&dm, devMode.data(), sizeof dm);
        return CupsSetQueueOptions(entry.name, dm);
    }
    return writePrefixDevMode(entry.name, devMode);
}

} // namespace

std::vector<BYTE> DefaultDevMode(const std::string& printerName) {
    std::vector<BYTE> bytes(sizeof(DEVMODEA), 0);
    auto* dm = reinterpret_cast<DEVMODEA*>(bytes.data());
    std::memcpy(dm->dmDeviceName, printerName.c_str(),
                std::min(printerName.size(), sizeof dm->dmDeviceName - 1));
    dm->dmSpecVersion = DM_SPECVERSION;
    dm->dmSize = sizeof(DEVMODEA);
    dm->dmFields = DM_ORIENTATION | DM_COPIES;
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmCopies = 1;
    return bytes;
}

std::vector<PrinterEntry> ListPrinters() {
    std::vector<PrinterEntry> table;
    for (const std::string& key : prefixPrinterKeys()) {
        PrinterEntry entry;
        if (readPrefixPrinter(key, entry)) table.push_back(std::move(entry));
    }
    std::sort(table.begin(), table.end(),
              [](auto& a, auto& b) { return strcasecmp(a.name.c_str(), b.name.c_str()) < 0; });
    const size_t prefixCount = table.size();
    for (const CupsQueue& queue : CupsQueues()) {
        bool shadowed = std::any_of(table.begin(), table.begin() + prefixCount,
                                    [&](auto& e) { return sameName(e.name, queue.name); });
        if (!shadowed) table.push_back(entryOfQueue(queue));
    }
    return table;
}

bool LookupPrinter(const std::string& name, PrinterEntry& entry) {
    if (name.empty() || name.size() > kMaxOpenName) return false;
    if (name.find('\\') == std::string::npos && readPrefixPrinter(name, entry)) return true;
    CupsQueue queue;
    if (!CupsQueueNamed(name, queue)) return false;
    entry = entryOfQueue(queue);
    return true;
}

BOOL OpenPrinterA(const char* name, HANDLE* printer, void*) {
    if (!printer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *printer = nullptr;
    PrinterEntry entry;
    if (!nameUsable(name, kMaxOpenName) || !LookupPrinter(name, entry)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    *printer = NewHandle(std::make_shared<PrinterHandle>(entry.name));
    return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
    if (!HandleAs<PrinterHandle>(printer) || !ReleaseHandle(printer)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL GetPrinterA(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    if (!needed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = 0;
    PrinterEntry entry;
    if (!printerOfHandle(printer, entry)) return FALSE;
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<PrinterEntry> one{entry};
    const std::string defaultName = currentDefault();
    *needed = layOut(one, defaultName, buffer, size);
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

BOOL SetPrinterA(HANDLE printer, DWORD level, BYTE* data, DWORD command) {
    PrinterEntry entry;
    if (!printerOfHandle(printer, entry)) return FALSE;
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (!data || command != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(data);
    if (info->pDevMode) {
        const DEVMODEA* dm = info->pDevMode;
        if (dm->dmSize != sizeof(DEVMODEA)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const BYTE* bytes = reinterpret_cast<const BYTE*>(dm);
        if (!storeDevMode(entry,
                          std::vector<BYTE>(bytes, bytes + dm->dmSize + dm->dmDriverExtra))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    // A prefix printer takes a new driver or port; a CUPS queue keeps its own.
    if (!entry.cups && (info->pDriverName || info->pPortName)) {
        HKEY key = nullptr;
        std::string path = std::string(kPrintersKey) + "\\" + entry.name;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_WRITE, &key)) {
            SetLastError(ERROR_INVALID_PRINTER_NAME);
            return FALSE;
        }
        for (auto [value, text] :
             {std::pair{"Printer Driver", info->pDriverName}, std::pair{"Port", info->pPortName}})
            if (text)
                RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                               DWORD(std::strlen(text) + 1));
        RegCloseKey(key);
    }
    if (info->Attributes & PRINTER_ATTRIBUTE_DEFAULT) return SetDefaultPrinterA(entry.name.c_str());
    return TRUE;
}

BOOL EnumPrintersA(DWORD flags, const char* name, DWORD level, BYTE* buffer, DWORD size,
                   DWORD* needed, DWORD* returned) {
    if (!needed || !returned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = *returned = 0;
    if (name && *name) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<PrinterEntry> table = ListPrinters();
    std::string defaultName = currentDefault();
    if (flags & PRINTER_ENUM_DEFAULT)
        table.erase(std::remove_if(table.begin(), table.end(),
                                   [&](auto& e) {
                                       return defaultName.empty() || !sameName(e.name, defaultName);
                                   }),
                    table.end());
    *needed = layOut(table, defaultName, nullptr, 0);
    if (table.empty()) return TRUE;
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    layOut(table, defaultName, buffer, size);
    *returned = DWORD(table.size());
    return TRUE;
}

BOOL GetDefaultPrinterA(char* buffer, DWORD* size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name = currentDefault();
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    DWORD wanted = DWORD(name.size() + 1);
    if (!buffer || *size < wanted) {
        *size = wanted;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), wanted);
    *size = wanted;
    return TRUE;
}

BOOL SetDefaultPrinterA(const char* name) {
    PrinterEntry entry;
    if (!nameUsable(name, kMaxOpenName) || !LookupPrinter(name, entry)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (entry.cups && !CupsSetDefaultQueue(entry.name)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    std::string device = entry.name + ",winspool," + entry.port;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr))
        return FALSE;
    LONG rc =
        RegSetValueExA(key, "Device", 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                       DWORD(device.size() + 1));
    RegCloseKey(key);
    if (rc) {
        SetLastError(DWORD(rc));
        return FALSE;
    }
    WriteProfileStringA("windows", "device", device.c_str());
    return TRUE;
}

LONG DocumentPropertiesA(HWND, HANDLE printer, const char* name, DEVMODEA* out, const DEVMODEA* in,
                         DWORD mode) {
    PrinterEntry entry;
    if (printer) {
        if (!printerOfHandle(printer, entry)) return -1;
    } else if (!nameUsable(name, kMaxOpenName) || !LookupPrinter(name, entry)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return -1;
    }
    if (mode == 0) return LONG(entry.devMode.size());
    std::vector<BYTE> settings = entry.devMode;
    auto* dm = reinterpret_cast<DEVMODEA*>(settings.data());
    if (mode & DM_IN_BUFFER) {
        if (!in || in->dmSize != sizeof(DEVMODEA)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        if (in->dmFields & DM_ORIENTATION) dm->dmOrientation = in->dmOrientation;
        if (in->dmFields & DM_PAPERSIZE) dm->dmPaperSize = in->dmPaperSize;
        if (in->dmFields & DM_COPIES) dm->dmCopies = in->dmCopies;
        if (in->dmFields & DM_PRINTQUALITY) dm->dmPrintQuality = in->dmPrintQuality;
        if (in->dmFields & DM_YRESOLUTION) dm->dmYResolution = in->dmYResolution;
        dm->dmFields |= in->dmFields & (DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES |
                                        DM_PRINTQUALITY | DM_YRESOLUTION);
        // The driver-private bytes follow the public part; they are taken when they have
        // the size the printer's driver keeps (another size is another driver's).
        if (in->dmDriverExtra && in->dmDriverExtra == dm->dmDriverExtra)
            std::memcpy(settings.data() + dm->dmSize,
                        reinterpret_cast<const BYTE*>(in) + in->dmSize, in->dmDriverExtra);
    }
    if (mode & DM_UPDATE) {
        if (!storeDevMode(entry, settings)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return -1;
        }
    }
    if (mode & DM_OUT_BUFFER) {
        if (!out) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        std::memcpy(out, settings.data(), settings.size());
    }
    return 1;
}

BOOL AddPrefixPrinter(const std::string& name, const std::string& driver, const std::string& port,
                      const std::vector<BYTE>& devMode) {
    if (name.empty() || name.size() > kMaxPrinterName ||
        name.find_first_of(",\\") != std::string::npos) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (!devMode.empty() && !validDevMode(devMode)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> settings = devMode.empty() ? DefaultDevMode(name) : devMode;
    HKEY key = nullptr;
    std::string path = std::string(kPrintersKey) + "\\" + name;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr);
    if (rc) {
        SetLastError(DWORD(rc));
        return FALSE;
    }
    auto text = [&](const char* value, const std::string& data) {
        return RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              DWORD(data.size() + 1));
    };
    DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
    rc = text("Name", name);
    if (!rc) rc = text("Printer Driver", driver);
    if (!rc) rc = text("Port", port);
    if (!rc)
        rc = RegSetValueExA(key, "Attributes", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&attributes), sizeof attributes);
    if (!rc)
        rc = RegSetValueExA(key, "Default DevMode", 0, REG_BINARY, settings.data(),
                            DWORD(settings.size()));
    RegCloseKey(key);
    if (rc) {
        SetLastError(DWORD(rc));
        return FALSE;
    }
    return TRUE;
}

BOOL DeletePrefixPrinter(const std::string& name) {
    if (name.empty() || name.find('\\') != std::string::npos) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    std::string path = std::string(kPrintersKey) + "\\" + name;
    LONG rc = RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
    if (rc) {
        SetLastError(rc == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_PRINTER_NAME : DWORD(rc));
        return FALSE;
    }
    return TRUE;
}

} // namespace tessaly::platform
