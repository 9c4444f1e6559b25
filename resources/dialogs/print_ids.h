// Template, control and string ids of the printable help dialogs and the PDF dialogs (print.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// The printable help on sending an e-mail and on installing the mail program.
#define IDD_OUTLOOK_HELP 159
#define IDD_INSTALL_OUTLOOK_EXPRESS 197
#define IDC_OUTLOOK_HELP_PRINT 1046
#define IDC_OUTLOOK_HELP_INSTALL 1058
#define IDC_INSTALL_OE_PRINT 1059
#define IDC_PRINTABLE_TEXT1 1501
#define IDC_PRINTABLE_TEXT8 1508
#define IDC_PRINTABLE_STEP1 3051

// Saving as PDF: the options, the saved file, and the PDF Export Filter's installation.
#define IDD_PDF_OPTIONS 23011
#define IDC_PDF_PAPER_LETTER 1771
#define IDC_PDF_PAPER_LEGAL 1772
#define IDC_PDF_PAPER_A4 1773
#define IDC_PDF_PAPER_A3 1774
#define IDC_PDF_PORTRAIT 1775
#define IDC_PDF_LANDSCAPE 1776
#define IDC_PDF_RES_75 1777
#define IDC_PDF_RES_150 1778
#define IDC_PDF_RES_300 1779
#define IDC_PDF_RES_600 1780
#define IDC_PDF_RES_1200 1781
#define IDC_PDF_COMPRESS_DEFAULT 1782
#define IDC_PDF_COMPRESS_256 1783
#define IDC_PDF_COMPRESS_JPEG 1784
#define IDC_PDF_EMBED_FONTS 1403
#define IDC_PDF_WATERMARK_ON 1404
#define IDC_PDF_WATERMARK_TEXT 1770
#define IDD_PDF_SAVED 332
#define IDD_PDF_FILTER_WIN95 135
#define IDC_PDF_FILTER_DONT_SHOW 1401
#define IDD_PDF_FILTER_NEEDED 23010
#define IDD_PDF_FILTER_SETUP 1610
#define IDD_PDF_FILTER_SETUP_NT 136
#define IDD_PDF_FILTER_INSTALLED 134
#define IDD_NO_PDF_FILTER 328
