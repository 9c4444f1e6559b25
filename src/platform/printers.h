#pragma once
// The printer table: the machine's CUPS queues plus the printers the prefix keeps in its
// machine hive (SYSTEM\CurrentControlSet\Control\Print\Printers\<name>), behind the spooler's
// operations. A prefix printer wins over a CUPS queue of the same name. The default printer
// is the user's "Device" value (HKCU Software\Microsoft\Windows NT\CurrentVersion\Windows,
// "name,winspool,port"); without one, the CUPS default. Without a scheduler the table holds
// the prefix printers only. Failures leave the Windows code as the last error
// (1801 unknown printer, 122 buffer too small, 124 level other than 2, 6 bad handle).
#include <string>
#include <vector>

#include <tessaly/printer_types.h>

#include "api.h"

namespace tessaly::platform {

inline constexpr const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr const char kWindowsKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// One printer of the table.
struct PrinterEntry {
    std::string name;
    std::string driver;
    std::string port;
    std::string comment;
    std::string location;
    DWORD attributes = 0;
    std::vector<BYTE> devMode; // DEVMODEA and its driver-extra bytes
    bool cups = false;
};

// The table, prefix printers first (by name), then the CUPS queues they do not shadow.
PLATFORM_API std::vector<PrinterEntry> ListPrinters();
// One printer by name (case ignored); false when there is none.
PLATFORM_API bool LookupPrinter(const std::string& name, PrinterEntry& entry);
// A device mode of 156 bytes for a printer without settings of its own: portrait, one copy.
PLATFORM_API std::vector<BYTE> DefaultDevMode(const std::string& printerName);

PLATFORM_API BOOL OpenPrinterA(const char* name, HANDLE* printer, void* defaults);
PLATFORM_API BOOL ClosePrinter(HANDLE printer);
// Level 2 only; needed receives the bytes the structure, its strings and device mode take.
PLATFORM_API BOOL GetPrinterA(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
// Level 2, command 0: driver, port and device mode are stored (a CUPS queue keeps its driver
// and port; its device mode becomes the user's options for it); the default attribute makes
// the printer the default printer.
PLATFORM_API BOOL SetPrinterA(HANDLE printer, DWORD level, BYTE* info, DWORD command);
// flags PRINTER_ENUM_DEFAULT: the default printer alone; otherwise the whole table.
PLATFORM_API BOOL EnumPrintersA(DWORD flags, const char* name, DWORD level, BYTE* buffer,
                                DWORD size, DWORD* needed, DWORD* returned);
PLATFORM_API BOOL GetDefaultPrinterA(char* buffer, DWORD* size);
// Also makes a CUPS queue the user's CUPS default (as lpoptions -d does).
PLATFORM_API BOOL SetDefaultPrinterA(const char* name);
// mode 0: the size of the printer's device mode with its extra bytes. DM_IN_BUFFER merges
// the fields of `in` that dmFields names (orientation, paper, copies, resolution) into the
// printer's settings; DM_OUT_BUFFER copies the result to `out`; DM_UPDATE stores it as the
// printer's default settings. Returns 1 (IDOK) or -1.
PLATFORM_API LONG DocumentPropertiesA(HWND window, HANDLE printer, const char* name, DEVMODEA* out,
                                      const DEVMODEA* in, DWORD mode);

// Adds (or replaces) a prefix printer; an empty device mode gives DefaultDevMode. A device
// mode must be 156 bytes plus its dmDriverExtra. Names: 1 to 220 characters, no ',' or '\'.
PLATFORM_API BOOL AddPrefixPrinter(const std::string& name, const std::string& driver,
                                   const std::string& port, const std::vector<BYTE>& devMode);
PLATFORM_API BOOL DeletePrefixPrinter(const std::string& name);

} // namespace tessaly::platform
