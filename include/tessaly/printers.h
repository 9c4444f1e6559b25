#pragma once
// Printers and fax: the default printer on every Windows family, finding a printer, the
// device-names and device-mode blocks a print dialog takes, the fax modems' initialisation
// strings, the fax dialogs and the set-up of the fax printer "Merrow Driver".
#include <tessaly/cstring.h>
#include <tessaly/export.h>
#include <tessaly/printer_types.h>
#include <tessaly/types.h>

// ---- Printers ----
// The default printer's name into buffer; *size in: the buffer's size in characters, out: the
// name's length + 1. 1 copied (or on a platform of none of the three families, nothing done);
// 0 failure or too small a buffer (*size then holds the size needed). The version record
// picks the way: 95/98/Me the default flag of the printer enumeration, NT 5 and later the
// spooler's own operation, NT 4 and older "windows"/"device" of the system profile.
TESSALY_API int DPGetDefaultPrinter(char* buffer, unsigned long* size);
// Makes the printer the default printer (on 95/98/Me through its default attribute, on NT 4
// through the system profile "name,driver,port") and tells every top-level window with
// WM_SETTINGCHANGE, waiting at most a second. 1 done; 0 null or unknown name, or a failure.
TESSALY_API int DPSetDefaultPrinter(char* printerName);
// 1 when a printer of that name can be opened, else 0.
TESSALY_API int FindPrinter(CString printerName);
// Two new movable zero-filled blocks the caller frees: the device names (driver, printer and
// port at offset 8) and the printer's device mode (156 bytes plus its driver's extra bytes).
// 0 (and no blocks) for an unknown printer or a null out-parameter.
TESSALY_API int GetPrinterDevice(char* printerName, HGLOBAL* devNames, HGLOBAL* devMode);

// ---- Fax ----
// The modem's initialisation string for types 0 to 6; 7 the user's own (HKCU
// Software\Varnholt\Tessaly2001\Options "Fax Custom Init String"); any other type "".
TESSALY_API CString GetFaxInitString(int modemType);
// The fax error dialog of the caller's template; its help button opens the installation
// folder's help file at its table of contents.
TESSALY_API int ShowFaxErrorDlg(int templateId, CString helpFile);
TESSALY_API int ShowFaxSuccessfulDlg();
TESSALY_API int ShowFaxInfoDlg();
// Asks to download the missing fax driver files (button 1 opens the download page).
TESSALY_API int ShowFaxNeedFiles();
TESSALY_API int ShowFaxModemDiagnosticsDlg(int modemType, CString helpFile);
// The modem choice: in the current type, out the chosen one when the dialog returns anything
// but 0; the custom string (type 7) is stored.
TESSALY_API int ShowFaxInitStringDlg(int& modemType);
// 1 when "Merrow Driver" exists and is now the default printer; 0 when the fax driver files
// are missing or its installer was started.
TESSALY_API int OnSetFaxDriver();
