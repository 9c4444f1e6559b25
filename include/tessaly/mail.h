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
