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
// Dates cross as the bare double of COleDateTime (days since 30 December 1899).

// A mail "Date:" header (Wed, 12 Jan 2004 13:45:12 +0100) as a UTC date: -1.0 when the comma,
// a blank between day, month, year and time, or a colon of the time is missing (seconds are
// required). The zone is read as a number (+0530 counts as 5 hours, letters as 0); a year of
// fewer than 4 characters gets 2000 added; a month is a name (any case) or a number. Texts
// that pass the separators reach the calendar conversion as they are: 0.0 when it refuses
// them.
TESSALY_API double GetDateTime(const char* text);
// "YYYY-MM-DD HH:MM" (anything from character 16 on ignored) as a date; 0.0 when shorter
// than 16 characters. Separators and digits are not checked.
TESSALY_API double GetDateFromString(CString text);
// The date less `hours` hours, as local time by the system's time-zone rules for that instant.
TESSALY_API double GetLocalDateTime(double date, int hours);
// A span of that many minutes (invalid outside the span range).
TESSALY_API COleDateTimeSpan GetDateTimeSpanFromMinutes(int minutes);
// The "Date Received" dialog: range[0] the After date, range[1] the Before date, each the text
// of a date value ("0" for an open end). On OK the array holds the two dates written with
// "%f", or nothing when neither end is set; on Cancel it is left alone. 1 OK, 2 Cancel.
TESSALY_API int SelectDateSpanDlg(CStringArray& range);
// The modification date of the first file matching the path (wild cards allowed) in local
// time as "January 05, 2004", with its month, day and year through each pointer not null;
// "" when no file matches (the pointers' targets are left alone).
TESSALY_API CString GetFileDate(CString path, int* month, int* day, int* year);
// The local modification date as a date value, or as the user's default date-and-time text;
// 1 when a file matches, else 0 with the argument left alone.
TESSALY_API int GetFileModifiedDateTime(const char* path, COleDateTime& when);
TESSALY_API int GetFileModifiedDateTime(const char* path, CString& text);

// ---- Words and text measures ----
// Texts are bytes of the ANSI code page. A word is a run of letters and digits of the code
// page, apostrophes (39, 146) and full stops between two such characters, seen through a
// window of 32 bytes either side of the position.

// The word around `position` into the buffer (at most size - 1 bytes and a NUL), its start
// through `start`; returns the bytes stored. No word there: 0 and a start of -1.
TESSALY_API long GetWordAt(long position, unsigned char* word, unsigned int size, long* start,
                           CByteArray& text);
// Counts the words and the bytes of the words (separators not counted).
TESSALY_API void GetWordCount(CByteArray& text, unsigned long& words, unsigned long& characters);
// The text of an HTML file between its tags (entities and white space kept, the text after
// the last tag dropped); "" for a file without "<" or one that cannot be read.
TESSALY_API CString Html2Text(const char* path);
// Points to HTML font sizes 1-7 and back (8 or less, and 37 or more, are size 1).
TESSALY_API int GetHtmlFontSize(int points);
TESSALY_API int GetPointFontSize(int htmlSize);
// Points to a font height (negative, logical units) and back at the screen's vertical dpi.
TESSALY_API int GetFontHeightFromPointSize(int points);
TESSALY_API int GetFontPointSizeFromHeight(int height);
// Pixels to twips (1440 to the inch) and back at the dots per inch of the window's screen,
// horizontal when the flag is nonzero.
TESSALY_API double PixelsToTwips(CWnd* window, unsigned long pixels, int horizontal);
TESSALY_API unsigned long GetPixels(CWnd* window, unsigned long twips, int horizontal);
// The "Word Count" dialog; the Pages line is hidden when pages is below 1.
TESSALY_API int ShowWordCountDlg(int words, int characters, int pages, int lines, int selectedWords,
                                 int selectedCharacters);

// ---- Keyboard symbols and shortcuts ----
// Character codes are "0128" to "0255" (the Windows-1252 character typed with Alt and the
// numeric keypad); for the Simplified Chinese interface (language 2052) the two bytes of a
// GB2312 character, or "" where there is none.

// Decides the two-step shortcut held in the keyboard state (GetKeyboardState): 1 with the
// code when one was produced, else 0 with the code left alone. *state is the pending accent
// (0 none, 1-10), set when an accent shortcut is seen and never cleared here.
TESSALY_C int OnKeyStroke(CString& code, int* state);
// Types the character of a digits-only code into the window with the keyboard focus.
TESSALY_C void InputSymbol(CString code);
// The "Keystroke Shortcuts" reference dialog (OK, Cancel, Print).
TESSALY_C void ShowKeyStrokeDlg();
// The "Insert Symbol" dialog: the font's characters 32-255 in a grid of 10 x 23; a click
// chooses one. font receives the face in use, *character the code chosen (0 without a
// click). compact drops the note. The end code.
TESSALY_C int ShowSymbolDlg(CString& font, int* character, int compact);
// The same with a buffer for the face name, overwritten only on OK.
TESSALY_API int ShowSymbolDlgEx(char* font, int& character, int compact);

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
