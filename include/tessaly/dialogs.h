#pragma once
// The library's family of modal dialogs (one exported function each) and the helpers for
// the caller's own controls: clipboard, splash window, rich-edit, list and toolbar sizes.
#include <tessaly/collections.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/picture.h>
#include <tessaly/types.h>

// ---- Passwords and input ----
TESSALY_API int ShowPasswordDlg(CString& password, CString caption);
TESSALY_API int ShowSetPasswordDlg(CString& password);
TESSALY_API int ConfirmPassword(const char* expected);
TESSALY_API int InputDialog(CString& text, CString prompt, CString caption);
TESSALY_API int ShowInputDialog(char* buffer, int maxLength, const char* prompt,
                                const char* caption);

// ---- Messages and notices ----
TESSALY_API int ShowMsgBoxDlg(CString text);
TESSALY_API int ShowLongMessageDlg(CString text, CString caption);
TESSALY_API int ShowStartDateDlg();
TESSALY_API int ShowFollowRemindDlg();
TESSALY_API int ShowStyleInfoDlg();
TESSALY_API int ShowCopyChoiceDlg();
TESSALY_API int ShowDialingTipsDlg();
TESSALY_API int ShowDialingTestDlg();
TESSALY_API int ShowInsertSoundWizardDlg();
TESSALY_API int ShowOpenWithLintorDlg();
TESSALY_API int ShowEascapeDlg();
TESSALY_API int ShowPracticeEscapeDlg();
TESSALY_API int ShowNeedIEDialog(int* dontShowAgain);
TESSALY_API int IEFirstInstallDialog(int* dontShowAgain);
TESSALY_API int ShowXPSpeechMsgDlg();
TESSALY_API int ShowAlertMessageDlg(CStringArray& texts);
TESSALY_API int ShowCorvaneTechDlg(CString& report);

// ---- Document choices ----
TESSALY_API int ShowInsertLineDlg(double maxLength, double& length, int& width);
TESSALY_API int ShowInsertChartDlg();
TESSALY_API int ShowDateDlg(CString& text);
TESSALY_API int ShowDateDlgEx(char* buffer);
TESSALY_API int ShowZoomDlg(int& zoom, int fitPage, int fitWidth, int fitText);
TESSALY_API int ShowColumnDlg(UINT& columns);
TESSALY_API int ShowCusToolbarDlg(UINT& rowMask);
TESSALY_API int ShowGoToDlg(int& page, int& line, int& column);
TESSALY_API int ShowEndNoteDlg(int& separator, CString& number, CString& text);
TESSALY_API int SelectImportanceDlg(CStringArray& values);
TESSALY_API int ShowSearchTextDlg(CStringArray& words, CString text);
TESSALY_API int ShowInsertTableDlg(UINT& columns, UINT& rows);

// ---- Control helpers ----
TESSALY_C void SetClipData(CString text);
TESSALY_API void CopyToClipboard(CString text, CWnd* window);
TESSALY_API void EmptyClipData();
TESSALY_API void EmptyClipboard(CWnd* window);
TESSALY_API CString GetClipBoardString();
TESSALY_API CString GetClipBoardText(CWnd* window);
TESSALY_API CWnd* ShowSplashWnd(CString bitmapPath);
TESSALY_API void ReleaseSplashScreen(CWnd** splash);
TESSALY_API int GetEditHeight(CRichEditCtrl* edit, int maxLines);
TESSALY_API HGLOBAL GetRichEditTextW(CRichEditCtrl* edit);
TESSALY_API int SetRichEditTextW(CRichEditCtrl* edit, const WCHAR* text);
TESSALY_API long GetLineStartIndex(CRichEditCtrl* edit);
TESSALY_API int SetArrangedListCtrl(CListCtrl* list);
TESSALY_API int GetListAdjustCtrlHeight(CListCtrl& list, int maxRows);
TESSALY_API void GetToolBarSize(CToolBarCtrl& toolbar, CSize& size);

// ---- Text viewers, pictures and customisation files ----
// Loads a BMP, JPEG, GIF, PNG or ICO file (Windows path) into *picture, releasing the picture
// it held; 1 on success. Each failure shows one message of the string table and returns 0:
// 61564 the file cannot be opened or read, 61565 it is empty, 61566 it is too large for
// memory (over 256 MB), 61567 and 61568 the memory or its stream fail, 61569 the contents
// are no picture Qt's readers decode (truncated, another format, or an image over 256 MB
// decoded), 61570 no pointer to fill.
TESSALY_API int LoadPictureFile(const char* path, IPicture** picture);
// A zero-filled copy of a global memory block in `destination` (null first); 1 on success
// and for a null source, 0 for a block of size 0 or when memory fails.
TESSALY_API int CopyHandle(HGLOBAL source, HGLOBAL& destination);
// Every "!" becomes a NUL (the length stays): "Text!*.txt!!" is the dialog's filter list.
TESSALY_API void SetFileFilter(CString& filter);
// Runs the dialog template of that name from the dialog library "Selwin.dll"; its end code,
// or 2 when the library or the template is missing.
TESSALY_API int ShowDialogBox(CString templateName);
// "Menu", "Company" and "Technical" of section "Custom" of the INI file (255 characters at
// most, "" when absent); 1, or 0 with the texts untouched when no file matches the path.
TESSALY_API int GetCustomTexts(CString path, CString& menu, CString& company, CString& technical);
// The file's text; a path holding "version.txt" (any case) goes through GetParsedVersionText.
TESSALY_API CString GetShowText(CString path);
// The version text brought up to date: the product-name line (string 61718 and ":") keeps
// everything through the word "version" and ends in " 8.5"; the version line (string 61708
// and ":") becomes the label, " 8.5" and the date of the installation's "Quorrel.exe" in
// brackets ("Version: 8.5 (January 05, 2004)"), left alone without that program. Labels
// match without regard to case; absent labels change nothing.
TESSALY_API CString GetParsedVersionText(CString text);
// Shows the first 4,096 bytes of the installation folder's file in the viewer (template
// 293), a version text parsed in an English installation; nothing for a missing or empty file.
TESSALY_API void ScrollMessage(CString fileName);
TESSALY_API void ScrollMessageEx(const char* fileName);
