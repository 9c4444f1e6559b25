// Template and control ids of the mail-data recovery dialog (mailsend.rc).
#pragma once

#define IDD_CORVANE_DATA_RECOVERY 335
#define IDC_RECOVERY_RUN_AGAIN 1344
#define IDC_RECOVERY_SEND_RECEIVE_ON 1343
#define IDC_RECOVERY_DATA_INTEGRITY 1139
#define IDC_RECOVERY_CANCEL_TOO 3
