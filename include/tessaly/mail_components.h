#pragma once
// The mail program's automation object ("Outlook.Application"): its class id, the
// programmatic identifier it is registered under in HKEY_CLASSES_ROOT, and the dispatch
// identifiers of the members the library calls.
#include <tessaly/word_components.h>

// {0006F03A-0000-0000-C000-000000000046}
inline constexpr CLSID CLSID_OutlookApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
#define OUTLOOK_PROGID "Outlook.Application"

#define OUTLOOK_DISPID_CREATE_ITEM 266   // application: method (long item type); object
#define OUTLOOK_DISPID_ATTACHMENTS 63509 // mail item: property; object
#define OUTLOOK_DISPID_ADD 101           // attachments: method (source, type, position, name)
#define OUTLOOK_DISPID_SAVE 61512        // mail item: method
#define OUTLOOK_DISPID_DISPLAY 61606     // mail item: method (short modal)
#define OUTLOOK_MAIL_ITEM 0              // CreateItem's type of a mail message
#define OUTLOOK_BY_VALUE 1               // Add's type: a copy of the file
