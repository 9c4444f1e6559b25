// Template and control ids of the dialogs of outside programs and speech setups (launch.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// Acrobat Reader: the warning for old Windows, the installation offer, the missing Reader.
#define IDD_READER_WIN95 132
#define IDC_READER_WIN95_DONT_SHOW 1401
#define IDD_INSTALL_READER 323
#define IDD_READER_MISSING 324
#define IDC_READER_DOWNLOAD 610

// Taking over and restoring the file associations.
#define IDD_RESTORE_ASSOCIATION 157
#define IDD_CHANGE_ASSOCIATION 189
#define IDC_ASSOC_PREVIOUS_RTF 1007
#define IDC_ASSOC_PREVIOUS_DOC 1008
#define IDC_ASSOC_PREVIOUS_XLS 1009
#define IDC_ASSOC_PREVIOUS_ZIP 1011
#define IDC_ASSOC_PREVIOUS_TXT 1012
#define IDC_ASSOC_PREVIOUS_PPT 1054
#define IDC_ASSOC_RTF 1069
#define IDC_ASSOC_DOC 1070
#define IDC_ASSOC_XLS 1071
#define IDC_ASSOC_ZIP 1072
#define IDC_ASSOC_TXT 1075
#define IDC_ASSOC_PPT 1017
#define IDC_ASSOC_RESTORE 1073
#define IDC_ASSOC_SET_SUITE 1074

// The speech setups' explanation and the Java runtime notice with its link.
#define IDD_SPEECH_INSTALL 1030
#define IDD_JAVA_MISSING 1031
#define IDC_JAVA_LINK 1032
