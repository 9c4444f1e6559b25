#pragma once
// Simple MAPI as "mapi32.dll" exports it: the message and recipient records, the flags and
// results the library uses, and the three entries' types.
#include <tessaly/types.h>

typedef ULONG_PTR LHANDLE;
typedef ULONG FLAGS;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass; // MAPI_TO, MAPI_CC, MAPI_BCC
    char* lpszName;
    char* lpszAddress;
    ULONG ulEIDSize;
    void* lpEntryID;
};

struct MapiFileDesc {
    ULONG ulReserved;
    FLAGS flFlags;
    ULONG nPosition;
    char* lpszPathName; // the file to attach (a Windows path)
    char* lpszFileName; // its name in the message; null: the path's own
    void* lpFileType;
};

struct MapiMessage {
    ULONG ulReserved;
    char* lpszSubject;
    char* lpszNoteText;
    char* lpszMessageType;
    char* lpszDateReceived;
    char* lpszConversationID;
    FLAGS flFlags;
    MapiRecipDesc* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDesc* lpRecips;
    ULONG nFileCount;
    MapiFileDesc* lpFiles;
};

enum : ULONG { MAPI_ORIG = 0, MAPI_TO = 1, MAPI_CC = 2, MAPI_BCC = 3 };
enum : FLAGS { MAPI_LOGON_UI = 0x1, MAPI_NEW_SESSION = 0x2, MAPI_DIALOG = 0x8 };
enum : ULONG {
    SUCCESS_SUCCESS = 0,
    MAPI_USER_ABORT = 1,
    MAPI_E_FAILURE = 2,
    MAPI_E_INSUFFICIENT_MEMORY = 5,
    MAPI_E_ATTACHMENT_NOT_FOUND = 11,
    MAPI_E_INVALID_SESSION = 19,
    MAPI_E_NOT_SUPPORTED = 26,
};

typedef ULONG (*LPMAPILOGON)(ULONG_PTR uiParam, char* profileName, char* password, FLAGS flags,
                             ULONG reserved, LHANDLE* session);
typedef ULONG (*LPMAPISENDMAIL)(LHANDLE session, ULONG_PTR uiParam, MapiMessage* message,
                                FLAGS flags, ULONG reserved);
typedef ULONG (*LPMAPILOGOFF)(LHANDLE session, ULONG_PTR uiParam, FLAGS flags, ULONG reserved);
