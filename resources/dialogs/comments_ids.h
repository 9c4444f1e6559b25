// Template and control ids of the hidden-comment dialog (comments.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_COMMENT 417

#define IDC_COMMENT_REVIEWER 1060 // reviewer list: "All Reviewers", then the user name
#define IDC_COMMENT_COLOUR 1248   // the owner-drawn list of named colours
#define IDC_COMMENT_TEXT 1770
#define IDC_COMMENT_DELETE 1070
#define IDC_COMMENT_PRINT 1139
#define IDC_COMMENT_IMPORT 1140
#define IDC_COMMENT_PLAY 1250
