#pragma once
// Outside programs: opening documents with the program that owns their type, taking over and
// restoring the office file associations, installing and starting the companion programs and
// the mail proxies.
//
// Programs are started through the shell's "open" (results above 32 are success, below 33
// the shell's error codes) or directly with CmdExec/ExecProc; never through a shell
// interpreter. A document type the prefix's registry does not know opens with the desktop's
// own choice (xdg-mime); the prefix's association wins when both exist.
#include <tessaly/com.h>
#include <tessaly/cstring.h>
#include <tessaly/types.h>

// The suite's common-services object: class {A4BD8641-0676-11D6-A1FA-00207800E375},
// interface {A4BD8642-0676-11D6-A1FA-00207800E375}. Slots 3 to 5 belong to services this
// library does not call.
inline constexpr CLSID CLSID_OfficeCommon = {
    0xA4BD8641, 0x0676, 0x11D6, {0xA1, 0xFA, 0x00, 0x20, 0x78, 0x00, 0xE3, 0x75}};
inline constexpr IID IID_IOfficeCommon = {
    0xA4BD8642, 0x0676, 0x11D6, {0xA1, 0xFA, 0x00, 0x20, 0x78, 0x00, 0xE3, 0x75}};

struct IOfficeCommon : IUnknown {
    virtual HRESULT Reserved3() = 0;
    virtual HRESULT Reserved4() = 0;
    virtual HRESULT Reserved5() = 0;
    // Slot 6: fills the "Viewer Show" option (nonzero: the viewer notice is not shown again).
    virtual HRESULT QueryViewerShow(int* viewerShow) = 0;
    // Slot 7: told that the document viewer's setup is not in the installation folder.
    virtual HRESULT ReportViewerMissing() = 0;

  protected:
    ~IOfficeCommon() = default;
};

// ---- File associations and document opening ----
// Opens the document with the program of HKEY_CLASSES_ROOT commandKey (reduced to the text
// up to ".exe" and one more character, lower case), or runs the viewer's setup from the
// installation folder when nothing is registered. viewerKind 0 plain, 1 snapshot viewer,
// 2 document viewer with a one-time notice, 3 with a confirmation, other: run and wait.
// 1 done; 2 the dialog library "Selwin.dll" cannot be loaded; 0 the common-services object
// cannot be created when needed; kind 3: the confirmation's result when it is not 1.
TESSALY_API int ExecAssociation(CString commandKey, CString viewerSetup, CString document,
                                int viewerKind);
// The PDF case: mode 0 interactive, 1 plain opening, other values open and wait.
// 1 opened or Reader missing; 2 the Reader's setup was run, or the user declined it.
TESSALY_API int ExecAssociationAcrobat(CString commandKey, CString readerSetup, CString document,
                                       int mode);
// kind 0 writer, 1 calc, 2 impress, 3 web, 4 draw. 1 started; 0 the office suite not found.
TESSALY_API int OpenWithOpenOffice(int kind, CString path, int unused, CString& unusedText);
// The shell's result (above 32 success). viaOpener: through the opener "Ostrel" of the
// installation folder.
TESSALY_API int OpenFile(const char* path, int viaOpener);
// -1 the introduction was cancelled; else the association dialog's result (1 OK, 2 Cancel).
TESSALY_API int RestoreFileAssociation();
// 1 both interfaces obtained; 0 creation failed (both out-parameters null).
TESSALY_API int GetOfficeCommonInterface(IUnknown** object, IOfficeCommon** common);
// Releases common, then object, and sets both to null.
TESSALY_API void ReleaseOfficeCommonInterface(IUnknown** object, IOfficeCommon** common);

// ---- Companion programs and mail proxies ----
// 1 the setup ran and ended; 2 the setup file was not found (message 385 shown).
TESSALY_API int InstallOpenSourceProgram(CString key);
// 2 started; 1 not installed and the companion installer was started; 0 declined.
TESSALY_API int StartOpenSourceProgram(const char* key, const char* parameters);
// 1 running, started, or (checkOnly) ready; 0 failure.
TESSALY_API int StartPostMan(int checkOnly, int showErrors);
TESSALY_API int StartFreePops(int checkOnly, int showErrors);
