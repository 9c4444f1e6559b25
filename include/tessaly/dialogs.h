#pragma once
// The library's family of modal dialogs (one exported function each) and the helpers for
// the caller's own controls: clipboard, splash window, rich-edit, list and toolbar sizes.
#include <tessaly/collections.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
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
