// Template and control ids of the spelling dialogs (spelling.rc). The options template is
// named "OPTIONSDLG"; the spelling engine reads its controls by these fixed ids.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// Check Spelling.
#define IDD_CHECK_SPELLING 8700
#define IDC_SPELL_ERROR_WORD 8701
#define IDC_SPELL_CHANGE_TO 8702
#define IDC_SPELL_SUGGESTIONS 8703
#define IDC_SPELL_CHANGE 8704
#define IDC_SPELL_IGNORE 8705
#define IDC_SPELL_ADD 8706
#define IDC_SPELL_CHANGE_ALL 8707
#define IDC_SPELL_OPTIONS 8708

// Options (OPTIONSDLG), in the order of the dialog's listing.
#define IDC_OPT_IGNORE_CAPPED 1021
#define IDC_OPT_IGNORE_ALL_CAPS 1028
#define IDC_OPT_IGNORE_NUMBERS 1025
#define IDC_OPT_IGNORE_MIXED_CASE 1044
#define IDC_OPT_IGNORE_DOMAINS 1046
#define IDC_OPT_REPORT_DOUBLED 1022
#define IDC_OPT_CASE_SENSITIVE 1041
#define IDC_OPT_PHONETIC 1042
#define IDC_OPT_TYPOGRAPHICAL 1045
#define IDC_OPT_SPLIT_WORDS 1043
#define IDC_OPT_AUTO_CORRECT 1050
#define IDC_OPT_FAST 1051
#define IDC_OPT_MODERATE 1052
#define IDC_OPT_SLOW 1053
#define IDC_OPT_LANGUAGE 1059
