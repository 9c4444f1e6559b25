// Template and control ids of the document-choice and notice dialogs (choices.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// Shared by several notices.
#define IDC_CHOICE_PRINT_TEXT 1046  // print button of the style explanation
#define IDC_CHOICE_DONT_SHOW 1108   // "Don't display this message again"
#define IDC_CHOICE_TEXT1 1501       // explanatory texts 1501 ... 1514
#define IDC_CHOICE_GENERIC_TEXT 1060 // a notice's one explanatory text

// Line.
#define IDD_INSERT_LINE 288
#define IDC_LINE_LENGTH 1094
#define IDC_LINE_WIDTH 1095

// Insert chart.
#define IDD_INSERT_CHART 389
#define IDC_CHART_GO_SPREADSHEET 1401

// Date and time.
#define IDD_DATE_TIME 151
#define IDC_DATE_FORMATS 1018

// Zoom.
#define IDD_ZOOM 238
#define IDC_ZOOM_PERCENT 1013
#define IDC_ZOOM_400 1200
#define IDC_ZOOM_200 1201
#define IDC_ZOOM_100 1202
#define IDC_ZOOM_75 1203
#define IDC_ZOOM_50 1204
#define IDC_ZOOM_25 1205
#define IDC_ZOOM_FIT_WIDTH 1206
#define IDC_ZOOM_FIT_TEXT 1207
#define IDC_ZOOM_FIT_PAGE 1208

// Contacts due (start date and follow-up reminder).
#define IDD_CONTACTS_DUE 356
#define IDC_CONTACTS_CANCEL 1046

// What is a style.
#define IDD_STYLE_INFO 381

// Columns.
#define IDD_COLUMNS 240
#define IDC_COLUMNS_COUNT 1120

// Toolbar rows: check boxes for the rows, bit 0 first.
#define IDD_TOOLBAR_ROWS 1009
#define IDC_TOOLBAR_ROW1 1301
#define TOOLBAR_ROW_COUNT 6

// Copy choice.
#define IDD_COPY_CHOICE 23033
#define IDC_COPY_ALL 1402

// Go to.
#define IDD_GO_TO 23001
#define IDC_GOTO_PAGE 1089
#define IDC_GOTO_LINE 1090
#define IDC_GOTO_COLUMN 1091
#define IDC_GOTO_FIRST 1092
#define IDC_GOTO_LAST 1093
#define IDC_GOTO_MIDDLE 1094

// Endnote.
#define IDD_ENDNOTE 289
#define IDC_ENDNOTE_NUMBER 1095
#define IDC_ENDNOTE_TEXT 1096
#define IDC_ENDNOTE_SEPARATOR 1097

// Dialing.
#define IDD_DIALING_TIPS 342
#define IDD_DIALING_TEST 354

// Insert sound wizard pages and the wizard's buttons.
#define IDD_SOUND_WIZARD1 309
#define IDD_SOUND_WIZARD2 310
#define ID_WIZBACK 12323
#define ID_WIZNEXT 12324
#define ID_WIZFINISH 12325

// Notices.
#define IDD_OPEN_WITH_LINTOR 377
#define IDD_ESCAPE_KEY 10
#define IDD_PRACTICE_ESCAPE 1036
#define IDD_NEED_IE 306
#define IDD_IE_FIRST_INSTALL 307
#define IDD_XP_SPEECH 380

// Alert message.
#define IDD_ALERT_MESSAGE 10030
#define IDC_ALERT_TEXT 1110

// Tech support report.
#define IDD_TECH_REPORT 325
#define IDC_TECH_PROBLEM 1111
#define IDC_TECH_PRINT 1139

// Importance.
#define IDD_IMPORTANCE 10032
#define IDC_IMPORTANCE_LOW 1311
#define IDC_IMPORTANCE_NORMAL 1312
#define IDC_IMPORTANCE_HIGH 1313

// Search text.
#define IDD_SEARCH_TEXT 10028
#define IDC_SEARCH_LIST 1321
#define IDC_SEARCH_WORD 1322
#define IDC_SEARCH_ADD 1323
#define IDC_SEARCH_REMOVE 1324

// Insert table.
#define IDD_INSERT_TABLE 23000
#define IDC_TABLE_COLUMNS 1331
#define IDC_TABLE_COLUMNS_SPIN 1332
#define IDC_TABLE_ROWS 1333
#define IDC_TABLE_ROWS_SPIN 1334
