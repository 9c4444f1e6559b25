#pragma once
// Mail and contacts: e-mail address text, the distribution-list store of the mail client's
// database, recipient verification, header blocks, folders and the mail client's windows.
//
// The database connection is the caller's MySQL++ connection (include <mysql++/mysql++.h>
// to make one); every operation takes it by pointer or by reference.
#include <tessaly/collections.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/sync.h>
#include <tessaly/types.h>

namespace mysqlpp {
class Connection;
}

// ---- E-mail addresses ----
TESSALY_API void GetEmailParts(CString full, CString& name, CString& address);
TESSALY_API int IsValidEMailAddress(const char* address);
// Appends the recipient field's entries and their format codes (0 resolved, 1 list, 2 typed).
TESSALY_API void ParseAddressFromEdit(CRichEditCtrl* field, CStringArray& entries,
                                      CUIntArray& codes);
TESSALY_API CString GetCurrentFullAddress(CRichEditCtrl* field);
TESSALY_API CString GetFullAddress(CString name, CString address, CString open, CString close);
TESSALY_API CString GetEmailFullName(CString name, CString address);
TESSALY_API CString GetEmailDisplayName(CString name, CString address);

// ---- Distribution lists and contacts ----
TESSALY_API int FillDistributionList(mysqlpp::Connection* connection, CListCtrl* list,
                                     CCriticalSection* lock, CString folderId);
TESSALY_API int FillDistributionList(mysqlpp::Connection& connection, CListCtrl* list,
                                     CCriticalSection* lock, CString folderId);
TESSALY_API int GetDistListMember(CString listId, mysqlpp::Connection* connection,
                                  CStringArray& names, CStringArray& addresses,
                                  CStringArray& memberIds, CStringArray& contactIds,
                                  CUIntArray& contactFlags, CCriticalSection* lock);
TESSALY_API int GetDistListMember(CString listId, mysqlpp::Connection& connection,
                                  CStringArray& names, CStringArray& addresses,
                                  CStringArray& memberIds, CStringArray& contactIds,
                                  CUIntArray& contactFlags, CCriticalSection* lock);
TESSALY_API int OnEditDistListLabel(mysqlpp::Connection* connection, CListCtrl* list,
                                    const char* label, int item, CCriticalSection* lock,
                                    CString folderId);
TESSALY_API int OnEditDistListLabel(mysqlpp::Connection& connection, CListCtrl* list,
                                    const char* label, int item, CCriticalSection* lock,
                                    CString folderId);
TESSALY_API int AddNewContact(const char* name, const char* address,
                              mysqlpp::Connection* connection, CString recordId,
                              CCriticalSection* lock, CString folderId);
TESSALY_API int AddNewContact(const char* name, const char* address,
                              mysqlpp::Connection& connection, CString recordId,
                              CCriticalSection* lock, CString folderId);

// ---- Recipient verification ----
TESSALY_API int VerifyMailAddress(HWND field, mysqlpp::Connection* connection,
                                  CStringArray& names, CStringArray& addresses,
                                  CCriticalSection* lock);
TESSALY_API int VerifyMailAddress(HWND field, mysqlpp::Connection& connection,
                                  CStringArray& names, CStringArray& addresses,
                                  CCriticalSection* lock);
TESSALY_API int ShowAddressInfoDlg(const char* caption, const char* entry,
                                   mysqlpp::Connection* connection);
TESSALY_API int ShowAddressInfoDlg(const char* caption, const char* entry,
                                   mysqlpp::Connection& connection);
TESSALY_API int ShowAddressInfoDlgEx(const char* caption, CString& name, CString& address,
                                     int editable);

// ---- Headers, folders and the mail client's windows ----
TESSALY_API void GetFormatedEmailHeader(const char* title, const char* from, const char* to,
                                        const char* cc, const char* sent, const char* subject,
                                        const char* attachments, char* buffer, int html);
TESSALY_API int IsReservedFolderID(CString id);
TESSALY_API CString GetSysEmailFolder(CString id);
TESSALY_API int FolderID2EntryID(int number, CString& id);
TESSALY_API CString GetParseError(long code, int kind);
TESSALY_API CString GetAttachmentFileName(CString subject);
TESSALY_API CString GetFullFolderName(CTreeCtrl* tree, HTREEITEM item);
TESSALY_API HTREEITEM GetNextTreeItem(CTreeCtrl* tree, HTREEITEM item);
TESSALY_API HTREEITEM FindItem(CTreeCtrl* tree, HTREEITEM item, CString name);
TESSALY_API HTREEITEM FindIMAPFolder(CTreeCtrl* tree, HTREEITEM item, CString path);
TESSALY_API int GetEmailFolder(char* buffer);
TESSALY_API void GetDefaultEmailFolder(char* buffer);
TESSALY_API HWND GetCorvaneClient();
TESSALY_API HWND GetCorvaneChildFrame();
TESSALY_API HWND GetPradel();

// ---- Internet connectivity and web pages ----
// 1 when the machine's check host (HKLM Software\Varnholt\Tessaly2001\Internet "Check Host",
// default a well-known public host) resolves within "Check Timeout" ms; messages 517 / 518
// when asked for.
TESSALY_API int OnCheckInternetConnection(int showSuccess, int showFailure);
// The page and its resources as one MIME HTML file, replacing the file. Note the inverted
// result: 0 saved; 1 when the message component is not registered (no file made) or building
// or saving failed ("Save E-Mail File Exception" shown).
TESSALY_API int SaveWholePage(const char* url, const char* file);
// The maker's home page in the user's browser; failures are not reported.
TESSALY_API void GotoWeb();
// ---- Sending, mail-data backup and virus scanning ----
// Hands recipient, subject and body to the desktop's mail program through "mapi32.dll"
// (loaded for the call): 1 when the hand-over succeeded, 0 otherwise, without a message.
// The first text is not used.
TESSALY_API int SendMail(char* unused, char* recipient, char* subject, char* body);
// Builds a mail item through "Outlook.Application": elements 2k and 2k+1 of pairs are a
// file to attach and its display name (a trailing unpaired element is ignored); saves it and,
// when display is nonzero, shows it. 0 only when the automation object cannot be started.
TESSALY_API int SendMailMessage(int display, CStringArray& pairs);
// 1 when win.ini [MAIL] MAPI is nonzero and "MAPI32.DLL" is on the search path; else
// shows the instruction dialog and returns 0.
TESSALY_API int CheckMailAvailable();
// Called after each copied mail data file with its source and destination; 0 stops.
typedef int (*CORVANE_BACKUP_CALLBACK)(CString source, CString destination);
// Copies the mail data files directly inside source to destination (created). 1 when all
// were handled, 0 when stopped or when the destination cannot be created (message 43).
TESSALY_API int BackupCorvaneData(CString source, CString destination,
                                  CORVANE_BACKUP_CALLBACK callback);
// The data-recovery dialog (template 335); the flags are written only when it ends with OK.
TESSALY_API int ShowCorvaneDataRecoveryDlg(int& sendReceive, int& dataIntegrity);
// The scanner's folder from HKLM "SOFTWARE\ClamWin" "Path"; 0 when unregistered (message
// 387) or missing on disk (message 385), the messages only when show is nonzero.
TESSALY_API int GetAntiVirusPath(CString& folder, int show);
// The scanner ("clamscan.exe" in that folder, set even on failure) and its database folder.
TESSALY_API int CheckAntiVirusConfigure(CString& scanner, CString& database, int show);
// The update and scan log files of the scanner's configuration; 1 only when both are set.
TESSALY_API int CheckAntiVirusReport(CString& updateLog, CString& scanLog, int show);
// Runs the scanner on file and waits; exit code 1 (a virus) puts the log's text in report,
// other codes leave it unchanged. 0 when no temporary log name could be made.
TESSALY_API DWORD GetVirusDetail(CString scanner, CString database, CString file, CString& report);
