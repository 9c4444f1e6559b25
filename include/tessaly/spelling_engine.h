#pragma once
// The spelling engine module ("SSCE5232.dll", libSSCE5232.so), which the library loads at run
// time. One session per process; blocks work in the caller's buffer.
//
// Words: runs of letters and digits of the ANSI code page, with an apostrophe inside a word
// kept; a dot between letters or digits joins a domain name ("xyz.com") into one word while
// domain names are ignored, otherwise the parts are words of their own. Hyphens separate.
//
// SSCE_CheckBlock walks from the cursor past every word that passes and stops on the first
// word to report, the cursor at its start; the result is a set of the bits below. 64 alone
// is the end of the block (the cursor at the block's length). A word is reported with
// MISSPELLED (unknown in every spelling), CAPITALISATION (known only with other letter case,
// "monday"; only while checking is case-sensitive), DOUBLED (the same word again with only
// blanks between, "the the"), AUTO_CORRECTION (an automatic correction in the other-word
// buffer, with MISSPELLED) or TOO_LONG (longer than the error-word buffer; its first bytes
// written). Words never stop the walk for IGNORED or USER_WORD alone.
//
// Options (SSCE_GetOptions/SSCE_SetOptions, the "OPTIONSDLG" dialog) persist in the prefix's
// registry under HKEY_CURRENT_USER\Software\Varnholt\Spelling Engine. The user dictionary is a
// plain word list, one word a line in the ANSI code page, "Tessaly\userdic.tlx" in the user's
// application-data folder; every session reads it and SSCE_AddToLex appends to it.
#include <tessaly/types.h>

#define SSCE_API extern "C" __attribute__((visibility("default")))

typedef short SSCE_S16;
typedef int SSCE_S32;

// Results of SSCE_CheckBlock.
#define SSCE_MISSPELLED_WORD_RSLT 1
#define SSCE_IGNORED_WORD_RSLT 2
#define SSCE_DOUBLED_WORD_RSLT 4
#define SSCE_CAPITALISATION_RSLT 8
#define SSCE_AUTO_CORRECTION_RSLT 16
#define SSCE_TOO_LONG_RSLT 32
#define SSCE_END_OF_BLOCK_RSLT 64
#define SSCE_USER_WORD_RSLT 128

// Failures (negative results).
#define SSCE_TOO_MANY_BLOCKS_ERR (-2)
#define SSCE_BAD_BLOCK_ID_ERR (-3)
#define SSCE_BUFFER_TOO_SMALL_ERR (-4)
#define SSCE_NO_DICTIONARY_ERR (-5)
#define SSCE_INVALID_WORD_ERR (-6)
#define SSCE_FILE_ERR (-7)
#define SSCE_BAD_LEX_ID_ERR (-8)

// Option bits (SSCE_GetOptions); the depth is kept apart.
#define SSCE_IGNORE_CAPPED_WORD_OPT 0x0001
#define SSCE_IGNORE_ALL_CAPS_WORD_OPT 0x0002
#define SSCE_IGNORE_MIXED_DIGITS_OPT 0x0004
#define SSCE_IGNORE_MIXED_CASE_OPT 0x0008
#define SSCE_IGNORE_DOMAIN_NAMES_OPT 0x0010
#define SSCE_REPORT_DOUBLED_WORD_OPT 0x0020
#define SSCE_CASE_SENSITIVE_OPT 0x0040
#define SSCE_SUGGEST_PHONETIC_OPT 0x0080
#define SSCE_SUGGEST_TYPOGRAPHICAL_OPT 0x0100
#define SSCE_SUGGEST_SPLIT_WORDS_OPT 0x0200
#define SSCE_AUTO_CORRECT_OPT 0x0400
#define SSCE_DEFAULT_OPTIONS                                                                       \
    (SSCE_IGNORE_ALL_CAPS_WORD_OPT | SSCE_IGNORE_MIXED_DIGITS_OPT | SSCE_IGNORE_DOMAIN_NAMES_OPT | \
     SSCE_REPORT_DOUBLED_WORD_OPT | SSCE_CASE_SENSITIVE_OPT | SSCE_SUGGEST_PHONETIC_OPT |          \
     SSCE_SUGGEST_TYPOGRAPHICAL_OPT)
// Suggestion depth: fast gives at most 4 suggestions from single-letter edits only, moderate
// the dictionary's own suggestions (at most 10), slow those and the single-letter edits and
// split words (at most 20).
#define SSCE_DEPTH_FAST 0
#define SSCE_DEPTH_MODERATE 1
#define SSCE_DEPTH_SLOW 2

// The add action of SSCE_AddToLex: the word is accepted from now on ('i').
#define SSCE_IGNORE_ACTION 105

// The session id (always positive); the dictionary is loaded on first need.
SSCE_API SSCE_S16 SSCE_GetSid();
// A block over the buffer: text of textLength bytes, size bytes in all (room for
// replacements and the NUL). copyBlock 0 works in the caller's buffer; otherwise the engine
// keeps its own copy. Negative when the dictionary cannot be loaded, the arguments are
// wrong, or 16 blocks are open.
SSCE_API SSCE_S16 SSCE_OpenBlock(SSCE_S16 sid, char* block, SSCE_S32 textLength, SSCE_S32 size,
                                 SSCE_S16 copyBlock);
SSCE_API SSCE_S16 SSCE_CheckBlock(SSCE_S16 sid, SSCE_S16 blockId, char* errorWord,
                                  SSCE_S16 errorWordSize, char* otherWord, SSCE_S16 otherWordSize);
// Any pointer may be null.
SSCE_API SSCE_S16 SSCE_GetBlockInfo(SSCE_S16 sid, SSCE_S16 blockId, SSCE_S32* textLength,
                                    SSCE_S32* size, SSCE_S32* cursor, SSCE_S32* wordCount);
// The current word replaced in the buffer (the text after it moved); SSCE_BUFFER_TOO_SMALL_ERR
// and nothing changed when the result and its NUL would not fit.
SSCE_API SSCE_S16 SSCE_ReplaceBlockWord(SSCE_S16 sid, SSCE_S16 blockId, const char* word);
// The cursor moved past the current word (the next word when none is current).
SSCE_API SSCE_S16 SSCE_NextBlockWord(SSCE_S16 sid, SSCE_S16 blockId);
SSCE_API SSCE_S16 SSCE_CloseBlock(SSCE_S16 sid, SSCE_S16 blockId);
// Whether one word passes (0) or the result bits it would be reported with.
SSCE_API SSCE_S16 SSCE_CheckWord(SSCE_S16 sid, const char* word, char* otherWord,
                                 SSCE_S16 otherWordSize);
// Suggestions best first as consecutive NUL-terminated words ended by an empty one; scores
// (lower is better) one per suggestion. depth above 0: at most that many (the saved speed
// option still caps the list); 0 or below: the option's count alone. Returns the number of
// suggestions, negative on failure.
SSCE_API SSCE_S16 SSCE_Suggest(SSCE_S16 sid, const char* word, SSCE_S16 depth, char* suggestions,
                               SSCE_S32 suggestionsSize, SSCE_S16* scores, SSCE_S16 scoresSize);
// The user dictionary files, separated by commas (Windows paths).
SSCE_API SSCE_S16 SSCE_GetUserLexFiles(char* names, SSCE_S32 size);
SSCE_API SSCE_S16 SSCE_GetLexId(const char* fileName);
SSCE_API SSCE_S16 SSCE_AddToLex(SSCE_S16 sid, SSCE_S16 lexId, const char* word, SSCE_S16 action,
                                const char* otherWord);
// The options dialog from the template of that name in module (null: the current resources);
// IDOK when the user confirmed (the choices then saved and in force), IDCANCEL, or -1.
SSCE_API SSCE_S16 SSCE_OptionsDlgTmplt(HWND parent, HINSTANCE module, const char* templateName);
SSCE_API SSCE_S32 SSCE_GetOptions();
SSCE_API SSCE_S16 SSCE_SetOptions(SSCE_S32 options);
SSCE_API SSCE_S16 SSCE_GetSuggestionDepth();
SSCE_API SSCE_S16 SSCE_SetSuggestionDepth(SSCE_S16 depth);
// The main dictionary: its name ("en_US"), choosing another (reloaded on next need; the
// choice persists), and the installed ones as NUL-separated names ended by an empty one.
SSCE_API SSCE_S16 SSCE_GetMainLexName(char* name, SSCE_S32 size);
SSCE_API SSCE_S16 SSCE_SetMainLexName(const char* name);
SSCE_API SSCE_S16 SSCE_GetMainLexFiles(char* names, SSCE_S32 size);
// The files the main dictionary needs ("/usr/share/hunspell/en_US.aff,...dic"), so a caller
// can say which is missing.
SSCE_API SSCE_S16 SSCE_GetMainLexPaths(char* paths, SSCE_S32 size);
