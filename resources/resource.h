// Identifiers of the library's string table and dialog templates.
// The numbers are part of the interface: the suite's programs load these strings by number.
#pragma once

// Library frame: buttons of the library's message dialog.
#define IDS_BUTTON_OK 61490
#define IDS_BUTTON_CANCEL 61491
#define IDS_BUTTON_YES 61492
#define IDS_BUTTON_NO 61493
#define IDS_BUTTON_RETRY 61494
#define IDS_BUTTON_ABORT 61495
#define IDS_BUTTON_IGNORE 61496

// Library frame: display names of the suite's languages.
#define IDS_LANG_ENGLISH 61576
#define IDS_LANG_CHINESE_SIMPLIFIED 61577
#define IDS_LANG_UNKNOWN 61664
#define IDS_LANG_CHINESE_TRADITIONAL 61665
#define IDS_LANG_INDONESIAN 61666
#define IDS_LANG_JAPANESE 61667
#define IDS_LANG_KOREAN 61668
#define IDS_LANG_RUSSIAN 61669
#define IDS_LANG_THAI 61670
#define IDS_LANG_TURKISH 61671
#define IDS_LANG_BASQUE 61672
#define IDS_LANG_CATALAN 61673
#define IDS_LANG_CROATIAN 61674
#define IDS_LANG_CZECH 61675
#define IDS_LANG_DANISH 61676
#define IDS_LANG_DUTCH 61677
#define IDS_LANG_FINNISH 61679
#define IDS_LANG_FRENCH 61680
#define IDS_LANG_FRENCH_CANADIAN 61681
#define IDS_LANG_GERMAN 61682
#define IDS_LANG_GREEK 61683
#define IDS_LANG_HUNGARIAN 61684
#define IDS_LANG_ITALIAN 61685
#define IDS_LANG_NORWEGIAN 61686
#define IDS_LANG_POLISH 61687
#define IDS_LANG_PORTUGUESE_BRAZILIAN 61688
#define IDS_LANG_PORTUGUESE 61689
#define IDS_LANG_SLOVAK 61690
#define IDS_LANG_SLOVENE 61691
#define IDS_LANG_SPANISH 61692
#define IDS_LANG_SWEDISH 61693

// Paths and files: refusals of a typed file path.
#define IDS_FILE_NAME_EMPTY 61502
#define IDS_FILE_NOT_EXIST 61503
#define IDS_FILE_CANNOT_CREATE 61504
#define IDS_FILE_OVERWRITE 186

// System information: Windows names and the version labels (the version label is also read
// from the installation's version text).
#define IDS_OS_UNKNOWN_VERSION 61707
#define IDS_VERSION 61708
#define IDS_OS_NT 61709
#define IDS_OS_2000 61710
#define IDS_OS_XP 61711
#define IDS_OS_95 61712
#define IDS_OS_98 61713
#define IDS_OS_ME 61714
#define IDS_OS_WIN32S 61715
#define IDS_PRODUCT_NAME 61718

// Mail: addresses, contacts and the mail client's database.
#define IDS_MAIL_ADDRESS_INVALID 46
#define IDS_DATABASE_ERROR 66
#define IDS_CONTACT_INFO_EMPTY 37

// Mail: built-in folders.
#define IDS_FOLDER_FOLDER_LIST 228
#define IDS_FOLDER_INBOX 366
#define IDS_FOLDER_SENT_ITEMS 367
#define IDS_FOLDER_OUTBOX 368
#define IDS_FOLDER_JUNK 369
#define IDS_FOLDER_SEND_LATER 370
#define IDS_FOLDER_CONTACTS_LIST 371
#define IDS_FOLDER_CALENDAR_LIST 372
#define IDS_FOLDER_NOTES_LIST 373
#define IDS_FOLDER_REPEATED 374
#define IDS_FOLDER_DRAFTS 481
#define IDS_FOLDER_ALL_MAIL 627
#define IDS_FOLDER_CALENDAR 145
#define IDS_FOLDER_NOTES 222
#define IDS_FOLDER_DELETED_ITEMS 43705
#define IDS_FOLDER_DEFAULT_CONTACT 51465

// Mail: header labels, decoding errors, attachment names and the mail folder.
#define IDS_HEADER_FROM 200
#define IDS_HEADER_SUBJECT 201
#define IDS_HEADER_CC 226
#define IDS_HEADER_SENT 229
#define IDS_HEADER_ATTACHMENT 230
#define IDS_HEADER_TO 467
#define IDS_PARSE_BINHEX 539
#define IDS_PARSE_FILE_IO 540
#define IDS_PARSE_BOUNDARY 541
#define IDS_PARSE_ENCODING 542
#define IDS_PARSE_BINHEX_CRC 543
#define IDS_PARSE_PATH_NOT_FOUND 544
#define IDS_PARSE_FILE_OPERATION 545
#define IDS_PARSE_ERROR 43642
#define IDS_ATTACHMENT_NAME 546
#define IDS_APPDATA_FOLDER_FAILED 52
// Decoding errors the message decoder reports with system codes: 206 (a file name too long)
// and 14 (out of memory).
#define IDS_PARSE_NAME_TOO_LONG 705
#define IDS_PARSE_OUT_OF_MEMORY 706

// Mail: the "E-Mail Infomation" dialog.
#define IDD_EMAIL_INFO 191
#define IDC_EMAIL_DISPLAY_NAME 1216
#define IDC_EMAIL_ADDRESS 1277

// Mail: sending and backing up the mail data.
#define IDS_CREATE_FOLDER_FAILED 43
#define IDS_COPY_FILE_FAILED 65

// Virus scanning and companion programs.
#define IDS_FILE_NOT_FOUND 385
#define IDS_NOT_INSTALLED_ASK 386
#define IDS_SCANNER_NOT_DETECTED 387
#define IDS_WEBMAIL_AGENT_MISSING 388
#define IDS_START_FAILED 61449
#define IDS_START_TIMEOUT 61450

// Internet connectivity.
#define IDS_INTERNET_DETECTED 517
#define IDS_INTERNET_NOT_FOUND 518

// Dates, spelling and word-list data files.
#define IDS_DATE_BEFORE_NOT_AFTER 342
#define IDS_SPELL_COMPLETE 51469
#define IDS_COINITIALIZE_FAILED 61562
#define IDS_BOOKVIEW_FAILED 61563
#define IDS_OPEN_FAILED 61552
#define IDS_FILE_STRUCTURE_WRONG 61555

// Backups and zip archives.
#define IDS_ARE_YOU_SURE 61558
#define IDS_FOLDER_NAME_INCORRECT 61516
#define IDS_ZIP_ERROR 172
#define IDS_UNZIP_ERROR 173
#define IDS_WRONG_PASSWORD 174

// Printing, fax and hidden comments.
#define IDS_FAX_DRIVER_INSTALL 61717
#define IDS_NO_DEFAULT_PRINTER 61561
#define IDS_LABEL_PRINTING 61574
#define IDS_ALL_REVIEWERS 61716

// Dialogs and controls.
#define IDS_PASSWORD_NOT_IDENTICAL 175
#define IDS_PASSWORDS_DO_NOT_MATCH 514
#define IDS_INPUT 42010
#define IDS_INPUT_EMPTY 42011
#define IDS_LINE_TOO_LONG 189
#define IDS_CLIPBOARD_OPEN_FAILED 61720
#define IDS_CLIPBOARD_EMPTY_FAILED 61721

// Pictures.
#define IDS_PICTURE_READ_FAILED 61564
#define IDS_PICTURE_EMPTY 61565
#define IDS_PICTURE_ALLOC_FAILED 61566
#define IDS_PICTURE_LOCK_FAILED 61567
#define IDS_PICTURE_STREAM_FAILED 61568
#define IDS_PICTURE_LOAD_FAILED 61569
#define IDS_PICTURE_NO_PICTURE 61570

// The library's message dialog.
#define IDD_MESSAGE_BOX 1789
#define IDC_MESSAGE_BUTTON1 1785
#define IDC_MESSAGE_BUTTON2 1786
#define IDC_MESSAGE_BUTTON3 1787
#define IDC_MESSAGE_ICON 1071
#define IDC_MESSAGE_TEXT 1501
