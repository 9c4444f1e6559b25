// Template and control ids of the password, input and message dialogs (family.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_FAMILY_PASSWORD 296
#define IDD_FAMILY_SET_PASSWORD 23002
#define IDD_FAMILY_CONFIRM_PASSWORD 218
#define IDD_FAMILY_INPUT 1021
#define IDD_FAMILY_MSGBOX 293
#define IDD_FAMILY_LONG_MESSAGE 226

#define IDC_FAMILY_PASSWORD 1104         // the password (entry and new password)
#define IDC_FAMILY_PASSWORD_CONFIRM 1105 // the new password typed again
#define IDC_FAMILY_INPUT_TEXT 1770       // the input text, and the password to confirm
#define IDC_FAMILY_INPUT_PROMPT 1020
#define IDC_FAMILY_MSGBOX_TEXT 1100
#define IDC_FAMILY_LONG_TEXT 1253
