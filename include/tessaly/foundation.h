#pragma once
// Foundation services: the library frame, languages and messages, strings, paths and
// files, registry, system information and processes, Windows version codes.
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/oledatetime.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>

class CWnd;

// ---- Library frame, language resources and messages ----
TESSALY_API HINSTANCE getResourceInstance(CString suiteName);
TESSALY_API HINSTANCE getResourceInstance(const char* suiteName);
TESSALY_C HINSTANCE getResourceInstance1(CString suiteName);
TESSALY_API HINSTANCE GetLibraryInst(CString path);
TESSALY_C CString GetInstallDir();
TESSALY_API CString GetLanguageName(int languageId);
TESSALY_API int GetCurrentLanguage();
TESSALY_API int GetInstallLangID();
TESSALY_API int GetOriginalLanguageID();
TESSALY_API CString GetCurrentLanguageName();
// The language override dialog: writes the user's choice to the Language key's "Current".
TESSALY_API int ShowLangaugeSettingDlg();
TESSALY_API int GetSAPI4AgentLanguage(int languageId);
TESSALY_API DWORD GetKeyboardLayoutLanguage();
TESSALY_API CString GetCurrentCountryName();
TESSALY_C CString GetLastErrorString();
TESSALY_API int ReportLastError(DWORD code, DWORD flags, CString& text);
TESSALY_API void WriteLogFile(const char* path, const char* line, int enabled);
TESSALY_API int WriteToLog(const char* path, const char* line);
// The library's message dialog: type is a button set (0 OK ... 5 Retry/Cancel) and an icon
// (0x10 stop, 0x20 question, 0x40 information, else exclamation); returns the button's
// code (IDOK 1 ... IDNO 7), 2 for Escape and the close box, -1 when it cannot be shown.
TESSALY_API int DisplayMessageBox(UINT stringId, UINT type, CWnd* parent = nullptr);
TESSALY_API int DisplayMessageBox(const char* text, UINT type, CWnd* parent = nullptr);
// Shows the system's text for the code in the standard message box; nothing when unknown.
TESSALY_API void DisplayErrorText(DWORD code);

// ---- Strings and conversions ----
TESSALY_API int IsUnicodeWordChar(WCHAR ch);
TESSALY_API WCHAR GetWChar(char low, char high);
TESSALY_API CString AppendString(CString text, CString fill, int length);
TESSALY_API CString FillString(CString text, CString fill, int length);
TESSALY_API void FillupString(CString& text, int length, char fill, int unused);
TESSALY_API CString AddQuotation(CString text);
TESSALY_API void AddQuotationEx(char* buffer);
TESSALY_API void ReplaceString(CString& text, int start, int count, const char* replacement);
TESSALY_API int FindStringEx(const char* text, const char* pattern, int ignoreCase);
TESSALY_API int FindTextString(const char* text, const char* pattern, int ignoreCase, int start);
TESSALY_API int FindRepeatNumber(const char* text, const char* pattern, int ignoreCase);
TESSALY_API int IsStringEqual(const char* a, const char* b, int ignoreCase);
TESSALY_API int IsInStringArray(CStringArray& array, CString text, int caseSensitive);
TESSALY_API void ConvertStringToArray(CString text, CStringArray& array, CString delimiters);
TESSALY_API void SplitWords(CString text, CStringArray& array);
TESSALY_API int GetWordsFromString(CString text, CStringArray& array);
TESSALY_API DWORD HexToDword(char* text, char** end, int base);
TESSALY_API CString StringToHex(CString text);
TESSALY_API CString GetByteArrayString(CByteArray& bytes);
TESSALY_API int Ansi2WChar(const char* text, WCHAR* buffer, int size);
TESSALY_API int WChar2Ansi(const WCHAR* wide, char* buffer, int size);
TESSALY_API CString WcharToUtf8(const WCHAR* wide);
// The caller frees the result with GlobalFree.
TESSALY_API WCHAR* Utf8ToWchar(CString text);
TESSALY_API void V2ByteArray(CComVariant variant, CByteArray& bytes);
TESSALY_API CString V2String(CComVariant variant);
TESSALY_API void _getBinaryValue(CComVariant& variant, CByteArray& bytes);

// ---- Paths, files and directories ----
TESSALY_C CString GetFileNameEx(CString path);
TESSALY_API CString GetFileNameTitle(CString path);
TESSALY_API CString GetFileName(CString path);
TESSALY_C CString GetFileExtName(CString path);
TESSALY_API CString GetFileNameExt(CString path);
TESSALY_C CString GetFileDirectory(CString path);
TESSALY_API CString GetFileDirOnly(CString path);
TESSALY_API CString GetFolderName(CString path);
TESSALY_API CString RemoveDirectorySlashTail(CString path);
TESSALY_API CString GetSystemDir();
TESSALY_API CString GetWinDirectory();
TESSALY_API CString GetTempPathA();
TESSALY_API CString GetTempPathEx();
TESSALY_API int GetAppDataFolder(char* buffer);
TESSALY_API int GetTessalyAppFolder(char* buffer);
TESSALY_API CString GetMyDocumentsFolderEx();
TESSALY_API CString GetFirstLogicalHardDrive();
TESSALY_C CString GetLongFileName(CString path);
TESSALY_C DWORD CreateDir(CString path);
TESSALY_API DWORD CreateDirEx(const char* path);
TESSALY_API int MakeTempFilename(CString& name, CString extension);
TESSALY_API CString GetTempPathName(CString extension, CString folder);
TESSALY_API void GetTempPathNameEx(char* buffer, const char* extension, const char* folder);
TESSALY_API int IsFileExist(CString path);
TESSALY_API int IsReadOnly(CString path);
TESSALY_API void SetFileReadOnly(CString path, int readOnly);
TESSALY_API int RemoveFileAttr(CString path, DWORD attributes);
TESSALY_C int GetFileLength(CString path);
TESSALY_API LONGLONG GetFreeDiskSpace(CString path);
TESSALY_API LONGLONG GetTotalDiskSpace(CString path);
TESSALY_API void GetDirectoryFiles(const char* folder, CStringArray& list);
TESSALY_API void GetDirectoryFiles(const char* folder, CStringArray& list, int recurse,
                                   char** extensions, int extensionCount);
TESSALY_C void ClearSpace(const char* folder);
TESSALY_API void ClearAll(const char* folder, int unused);
TESSALY_API void ClearSpaceEx(const char* folder, CStringArray& keep);
TESSALY_API void XCopy(CString source, CString target);
TESSALY_API void ReadBinFile(CString path, CByteArray& bytes);
TESSALY_API CString ReadTextFile(CString path);
TESSALY_API int WriteBinFile(CString path, CByteArray& bytes);
TESSALY_API int WriteBinFileEx(CString path, CByteArray& bytes);
TESSALY_API int CheckFile(CString path, int askOverwrite, int mustExist);
TESSALY_API int ModifyFileTime(CString path, COleDateTime* lastWrite, COleDateTime* creation,
                               COleDateTime* lastAccess);

// ---- Registry ----
TESSALY_C int GetRegistryString(HKEY root, const char* key, const char* value);
TESSALY_C CString GetStringRegistry(HKEY root, const char* key, const char* value);
TESSALY_API int GetRegistryStringValue(HKEY root, const char* key, const char* value,
                                       CString& text);
TESSALY_API int GetRegistryStringValueEx(HKEY root, const char* key, const char* value,
                                         char* buffer, DWORD size);
TESSALY_API int GetRegistryStringEx(HKEY root, const char* key, const char* value, char* buffer,
                                    DWORD& size);
TESSALY_API int GetRegistryStringEx(HKEY root, const char* key, const char* value, char* buffer,
                                    DWORD* size);
TESSALY_C long GetStringRegistry1(HKEY root, const char* key, const char* value, CString& text);
TESSALY_API long GetStringRegistry2(HKEY root, const char* key, const char* value, CString& text,
                                    DWORD& type);
TESSALY_API long GetStringRegistry2(HKEY root, const char* key, const char* value, CString& text,
                                    DWORD* type);
TESSALY_API int CanOpenReg(HKEY root, CString key, CString value);
TESSALY_API int SetRegString(const char* key, const char* value, const char* text, int hive);
TESSALY_C long SetStringRegistry(HKEY root, const char* key, const char* value, DWORD type,
                                 CString text);
TESSALY_API int GetRegDWORD(const char* key, const char* value, DWORD& number, int hive);
TESSALY_API int GetRegDWORD(const char* key, const char* value, DWORD* number, int hive);
TESSALY_API int SetRegDWORD(HKEY root, const char* key, const char* value, DWORD number);
TESSALY_API int DeleteRegValue(const char* key, const char* value, int hive);
TESSALY_API int DeleteRegKey(HKEY root, const char* key);
TESSALY_C long CopyKey(HKEY sourceRoot, HKEY targetRoot, const char* sourceKey,
                       const char* targetKey);

// ---- System information and processes ----
TESSALY_API CString GetWindowsVersion();
TESSALY_C double GetIEVersion();
TESSALY_C CString GetVersionInfo(const char* file, const char* entry);
TESSALY_API CString GetUserNameA();
TESSALY_API int IsSAPI5Installed();
TESSALY_API int IsSAPI5SRInstalled();
TESSALY_API int IsSAPI5LangPackInstalled();
TESSALY_C int CmdExec(CString commandLine, int wait);
TESSALY_API int ExecProc(CString commandLine, int wait, int show, DWORD& exitCode);
TESSALY_API int ExecProc(CString commandLine, int wait, int show, DWORD* exitCode);
TESSALY_API int ExecProcess(const char* program, char* commandLine, HWND& window);
TESSALY_API int GetProcessCount(const char* name);
TESSALY_API void WaitForFlag(int flag);
TESSALY_API void Delay(UINT milliseconds);
TESSALY_API void WaitForWindow(CString title);
TESSALY_API void FilterHWNDMessages(HWND window, UINT first, UINT last);
TESSALY_C int CheckResolution(int* dontShowAgain);
TESSALY_API int FindArgument(int argc, char*** argv, CString name);
TESSALY_API DWORD GetMemFileVarible(const char* text, int index);

// ---- Windows version codes ----
TESSALY_C int GetOSVersionEx();
TESSALY_API int GetOSVersion(long& code);
TESSALY_API int GET_WIN_VERSION(int* platform, int* major, int* minor, int* servicePack);
