// Template and control ids of the backup dialogs and the zip window (backup.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// The backup settings and their extension with ancestor backups.
#define IDD_BACKUP_SETTINGS 2301
#define IDD_AUTO_BACKUP_SETTINGS 2302
#define IDC_BACKUP_MINUTES 2310
#define IDC_BACKUP_FOLDER 2311
#define IDC_BACKUP_BROWSE 2312
#define IDC_BACKUP_CLEAR 2313
#define IDC_AUTO_BACKUP_OFF 2314
#define IDC_AUTO_BACKUP_ON 2315
#define IDC_ANCESTORS_OFF 2316
#define IDC_ANCESTORS_ON 2317
#define IDC_ANCESTORS_CLEAR 2318
#define IDC_SEARCH_ENGINE 2319
#define IDC_FIND_HELP 2320

// The folder chooser.
#define IDD_SELECT_FOLDER 2303
#define IDC_FOLDER_TREE 2321
#define IDC_FOLDER_TEXT 2322

// The explanations.
#define IDD_AUTO_BACKUP_HELP 2304
#define IDD_FIND_HELP 2305

// The zip window with the engine's three controls.
#define IDD_ZIP_PROGRESS 2306
#define IDC_ZIP_ENGINE 2330
#define IDC_UNZIP_ENGINE 2331
#define IDC_ZIP_STATUS 2332
