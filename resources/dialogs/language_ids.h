// Template and control ids of the language override (language.rc).
#pragma once

#define IDD_LANGUAGE_OVERRIDE 613
#define IDC_LANGUAGE_CURRENT 1018
#define IDC_LANGUAGE_ORIGINAL 1019
#define IDC_LANGUAGE_LIST 1060
#define IDC_LANGUAGE_RESTORE 611
