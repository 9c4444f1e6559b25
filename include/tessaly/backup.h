#pragma once
// Backup and data protection: the generation chain and dated ancestor copies of a document,
// the repeating-key scrambling of data files, and zip archives through the zip engine's
// controls. Nothing is kept between calls; everything runs on the caller's thread.
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/export.h>
#include <tessaly/types.h>

// ---- Generations and ancestor copies ----
// BackupFiles: when enabled, copies grandfather to greatGrandfather, backup to grandfather
// and current to backup, in that order, each replacing its target; a copy whose source is
// missing leaves its target as it was and the next one still runs. Always 1.
TESSALY_C int BackupFiles(CString current, CString backup, CString grandfather,
                          CString greatGrandfather, int enabled);
// The ancestor copy's file name (no folder): the document's title, a blank, the local time
// as "%B %d,%Y %H %M' %S'' %p" in the C library's time locale with every "." removed, and
// the document's extension ("Letter January 05,2004 13 45' 12'' PM.rtf"). Double quotes
// around or inside the path are ignored.
TESSALY_C CString GetAncestorFileName(CString document);
// When enabled, creates the folder with its parents and copies the document into it under
// its ancestor name (a copy made in the same second replaces the earlier one). Nothing is
// copied when the folder cannot be created; copy failures are silent. Always 1.
TESSALY_C int BackupAncestorFiles(CString document, CString folder, int enabled);

// ---- Backup settings dialogs ----
// "Settings of automatic backups...": the interval in minutes and the backup folder, a
// folder chooser, and "Clear Backups Folder" (removes folder\Backup, folder\Grandfather_Backup
// and folder\Greate_Grandfather_Backup after "Are you sure?"). On OK the minutes are the
// leading whole number of the text and the folder text is copied into folder, at most 259
// characters and a terminating zero: the caller's buffer holds 260 bytes (MAX_PATH). On
// Cancel both keep their values. Result: 1 (OK) or 2 (Cancel).
TESSALY_API int ShowBackupSettingsDlg(int& minutes, char* folder);
// The extended dialog with automatic and ancestor backups on or off (0/1). OK refuses an
// empty folder or one that cannot be created (message 61516, the dialog stays open), so the
// folder exists when it ends with OK. "Clear Ancestors Backups Folder" empties
// "c:\Ancestors Backups", deletes the files of firstErase (and empties that list) and those
// of secondErase (which keeps its entries). Either list may be null. Nothing is written back
// on Cancel.
TESSALY_C int ShowAutoBackupSettingsDlg(int* automatic, int* ancestors, int* minutes,
                                        CString& folder, CStringArray* firstErase,
                                        CStringArray* secondErase);
// "How does automatic backup work...": the explanation, OK and Cancel.
TESSALY_C int ShowhowAutoBackupWorkDlg();

// ---- Scrambling ----
// The transform is byte i of the data exclusive-or key[i mod length]; it is its own inverse.
// A null key uses the library's fixed 10-byte key whatever the length; a key with a length
// of 0 or less is refused (result 0).
// File to file: 1 when the target was written whole, else 0. The target is written beside
// itself in fixed-size chunks and renamed into place, so it appears whole or not at all and
// source and target may be the same file; a failure leaves any earlier target untouched.
TESSALY_API int EnDecryptDataFile(const char* source, char* target, unsigned char* key,
                                  int keyLength);
// fromFile nonzero: reads path, transforms it and hands over a new global memory block of
// size bytes through data (the caller frees it with GlobalFree); 1, or 0 with data and size
// untouched. fromFile 0: writes the transform of the size bytes at *data to path (the
// caller's bytes are not changed); nonzero when written.
TESSALY_API int EnDecryptData(const char* path, unsigned char** data, unsigned int& size,
                              int fromFile, unsigned char* key, int keyLength);

// ---- Zip archives ----
// The zip engine's three controls, in dialog templates by these class ids. They come with
// the zip engine module ("ZipEngine.dll"), which ZipFile loads; its header
// (components/zipengine/zip_engine.h) documents their properties and error codes.
#define CLSID_TESSALY_ZIP "{0E9D0E4F-7AB8-11D1-9400-00A0248F2EF0}"
#define CLSID_TESSALY_UNZIP "{0FB90DCF-97D1-11D1-87C0-444553540000}"
#define CLSID_TESSALY_ZIPSTATUS "{6C5FD78F-9ED8-11D1-87C0-444553540000}"

// zip nonzero: packs items (the engine's item list: paths separated by "|", folders with
// their contents, wild cards in the last part) into the archive, with traditional zip
// encryption when a password is given. zip 0: unpacks every entry of the archive into the
// destination folder, refusing unsafe entry names. Shows the "Zip/Unzip" window with the
// item and percentage while the work runs. Result: 1 success; 2 after an error ("Error while
// zipping" / "Error while unzipping" shown) or when the user cancelled (no message); 4 when
// unpacking needs a correct password ("Wrong password!" shown first when one was given).
TESSALY_API int ZipFile(int zip, CString archive, CString items, CString password);
