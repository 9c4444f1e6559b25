#pragma once
// Text services: mail and database dates, words and text measures, the spelling service,
// related words and word-list data files, keyboard symbols and shortcuts.
#include <tessaly/collections.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/oledatetime.h>
#include <tessaly/types.h>
#include <tessaly/word_components.h>

// ---- Dates and times ----

// ---- Words and text measures ----

// ---- Keyboard symbols and shortcuts ----

// ---- Spelling ----
// Through the spelling engine module (tessaly/spelling_engine.h). The Check Spelling dialog
// walks the text and sends the editor WM_USER + 200 (select this word) and WM_USER + 201
// (replace the selection with this text), wParam 0x01010000, lParam the NUL-terminated text;
// it ends with 2 (IDCANCEL) when the check is complete, cancelled, or the engine cannot open
// the text (no dictionary, no engine module).
TESSALY_API int ShowCheckSpellingDlg(CWnd* editor, const char* text);
// Appends the engine's suggestions, best first; the list's size afterwards.
TESSALY_API int GetSuggestionWordList(CString word, CStringArray& list);
// An engine block over the caller's buffer (text length, buffer size), working in place;
// negative on failure.
TESSALY_API short SSCEOpenBlock(char* block, int length, int size);
// The engine's options dialog from the library's "OPTIONSDLG" template (1 OK, 2 Cancel, -1
// when it cannot be shown).
TESSALY_API short SSCEOptionsDlgTmplt();
// Deletes the dialog the pointer refers to (when there is one) and sets it to null.
TESSALY_API void ReleaseSpellingDlg(CDialog** dialog);

// ---- Related words and word-list data files ----
// Appends the words related to word (from the related-word component over "Vere17.dav" in the
// installation folder); the list's size afterwards. 0 for an empty word or without the data
// file; a failure of the component leaves as _com_error (tessaly/word_components.h).
TESSALY_API int GetRelatedWordList(CString word, CStringArray& list);
// The first two columns of a table file (".ess", ".csv", or what the spreadsheet component
// reads: .xls workbooks, tab-separated text): the first list emptied and refilled, rows
// appended to the second. 1 when read; else 0 after a message (61562, 61563, 61552, 61555).
TESSALY_API int GetDataFromFile(CString path, CStringArray& first, CStringArray& second);
