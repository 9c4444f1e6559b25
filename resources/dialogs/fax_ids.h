// Template and control ids of the fax dialogs (fax.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_FAX_DRIVER_FILES 23014
#define IDD_FAX_SUCCESS 23016
#define IDD_FAX_INFO 23017
#define IDD_FAX_NO_MODEM 23018
#define IDD_FAX_DIAL_ERROR 23019
#define IDD_FAX_LINE_BUSY 23020
#define IDD_FAX_TRANSMISSION_ERROR 23021
#define IDD_FAX_IMAGE_ERROR 23022
#define IDD_FAX_UNSPECIFIED_ERROR 23025
#define IDD_FAX_INIT_STRING 23029
#define IDD_FAX_DIAGNOSTICS 23030

// Buttons of the error and diagnostics dialogs.
#define IDC_FAX_HELP 1008
#define IDC_FAX_CONTROL_PANEL 603
#define IDC_FAX_MODEM_FOLDER 1234
#define IDC_FAX_FLOW_CONTROL 609

// The modem choice: one radio button per modem type, in type order, and the custom string.
#define IDC_FAX_INIT_DEFAULT 1771
#define IDC_FAX_INIT_USR 1772
#define IDC_FAX_INIT_USR_ALT 1773
#define IDC_FAX_INIT_PRACTICAL 1167
#define IDC_FAX_INIT_MULTITECH 1775
#define IDC_FAX_INIT_MULTITECH_ALT 1776
#define IDC_FAX_INIT_HAYES 1777
#define IDC_FAX_INIT_CUSTOM 1778
#define IDC_FAX_INIT_TEXT 1770
