// Template and control ids of the system services' dialogs (system.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// The warning about a small screen with large fonts.
#define IDD_RESOLUTION_WARNING 1004
#define IDC_RESOLUTION_TEXT 1005
#define IDC_RESOLUTION_DONT_SHOW 1006
