// Template and control ids of the text services' dialogs (text.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// Word Count.
#define IDD_WORD_COUNT 24701
#define IDC_WC_PAGES_LABEL 24710
#define IDC_WC_PAGES 24711
#define IDC_WC_WORDS 24712
#define IDC_WC_LINES 24713
#define IDC_WC_CHARACTERS 24714
#define IDC_WC_SELECTED_WORDS 24715
#define IDC_WC_SELECTED_CHARACTERS 24716

// Date Received: a check box before each picker.
#define IDD_DATE_RANGE 24702
#define IDC_DATE_AFTER_CHECK 24720
#define IDC_DATE_AFTER 24721
#define IDC_DATE_BEFORE_CHECK 24722
#define IDC_DATE_BEFORE 24723

// Keystroke Shortcuts: the characters of line n are IDC_KS_CHARS + n (filled from the
// shortcut table), its shortcut text IDC_KS_KEYS + n.
#define IDD_KEYSTROKES 24703
#define IDC_KS_EXPLANATION 24730
#define IDC_KS_PRINT 24731
#define IDC_KS_CHARS 24740
#define IDC_KS_KEYS 24760
#define KS_LINES 14

// Insert Symbol.
#define IDD_INSERT_SYMBOL 24704
#define IDC_SYM_FONTS_LABEL 24780
#define IDC_SYM_FONTS 24781
#define IDC_SYM_WINGDINGS 24782
#define IDC_SYM_SHORTCUTS 24783
#define IDC_SYM_PREVIEW 24784
#define IDC_SYM_NOTE 24785
